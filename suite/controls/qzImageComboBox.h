// The image combo box: a fixed-list combo box whose items pair a value with a description and an
// image. The closed editor shows the item of its value (image and description); the list shows
// every item, on one line or word-wrapped, with items of their own heights.
#pragma once

#include <memory>

#include "platform/classlib/ImgList.h"
#include "platform/runtime/Collections.h"
#include "suite/editors/qzDropDownEdit.h"

enum TqzImageAlign : Byte { iaLeft, iaRight };

class TqzImageComboBoxItem : public TCollectionItem {
    KOV_CLASS(TqzImageComboBoxItem, TCollectionItem)
public:
    // ImageIndex is the item's own index when the owning properties' Images hold at least as
    // many images as there are items now; otherwise -1.
    explicit TqzImageComboBoxItem(TCollection* collection);
    void Assign(TPersistent* source) override;

    const String& GetDescription() const { return FDescription; }
    void SetDescription(const String& value);
    Integer GetImageIndex() const { return FImageIndex; }
    void SetImageIndex(Integer value);
    Integer GetTag() const { return FTag; }
    void SetTag(Integer value) { FTag = value; }
    const Variant& GetValue() const { return FValue; }
    // A value of another type or another value counts as a change.
    void SetValue(const Variant& value);
    bool IsTagStored() const { return FTag != 0; }
    bool IsValueStored() const { return !VarIsNull(FValue); }

private:
    String FDescription;
    Integer FImageIndex = -1;
    Integer FTag = 0;
    Variant FValue = Null();
};

class TqzImageComboBoxItems : public TOwnedCollection {
    KOV_CLASS(TqzImageComboBoxItems, TOwnedCollection)
public:
    explicit TqzImageComboBoxItems(TPersistent* owner);
    TqzImageComboBoxItem* GetItem(Integer index) const {
        return static_cast<TqzImageComboBoxItem*>(GetItems(index));
    }
    TqzImageComboBoxItem* AddItem() { return static_cast<TqzImageComboBoxItem*>(Add()); }

protected:
    // Any change, addition or removal signals the owning properties' change.
    void Update(TCollectionItem* item) override;
};

class TqzCustomImageComboBoxProperties : public TqzCustomComboBoxProperties {
    KOV_CLASS(TqzCustomImageComboBoxProperties, TqzCustomComboBoxProperties)
public:
    explicit TqzCustomImageComboBoxProperties(TPersistent* owner);
    ~TqzCustomImageComboBoxProperties() override;
    void Assign(TPersistent* source) override;

    TqzImageComboBoxItem* FindItemByValue(const Variant& value);
    // None while ShowDescriptions is off; case is ignored.
    TqzImageComboBoxItem* FindItemByDescription(const String& text);
    void GetItemDescriptionAndImage(TqzImageComboBoxItem* item, String& description, Integer& imageIndex);
    void GetValueDescriptionAndImage(const Variant& value, String& description, Integer& imageIndex);

    TClass GetContainerClass() const override;
    TqzCustomEditViewDataClass GetViewDataClass() const override;
    TqzCustomEditViewInfoClass GetViewInfoClass() const override;
    TClass GetLookupDataClass() const override;
    Byte GetDisplayFormatOptions() override { return 0; }
    Integer GetEditValueSource(bool editing) override { return 0; }
    bool IsEditValueValid(Variant& value, bool editing) override { return true; }
    Integer GetSupportedOperations() override;
    void PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool editing) override;
    WideString GetDisplayTextWide(const Variant& editValue) override;
    bool AreDisplayValuesEqual(const Variant& v1, const Variant& v2) override;
    bool IsLookupText(const String& text) override;
    void HandleFreeNotification(TObject* sender, TComponent* component) override;

    const String& GetDefaultDescription() const { return FDefaultDescription; }
    void SetDefaultDescription(const String& value);
    Integer GetDefaultImageIndex() const { return FDefaultImageIndex; }
    void SetDefaultImageIndex(Integer value);
    TqzImageAlign GetImageAlign() const { return FImageAlign; }
    void SetImageAlign(TqzImageAlign value);
    TCustomImageList* GetImages() const { return FImages; }
    void SetImages(TCustomImageList* value);
    TqzImageComboBoxItems* GetItems() const { return FItems.get(); }
    void SetItems(TqzImageComboBoxItems* value);
    TCustomImageList* GetLargeImages() const { return FLargeImages; }
    void SetLargeImages(TCustomImageList* value);
    bool GetMultiLineText() const { return FMultiLineText; }
    void SetMultiLineText(bool value);
    bool GetShowDescriptions() const { return FShowDescriptions; }
    void SetShowDescriptions(bool value);

private:
    void ImagesChanged(TObject* sender);
    void SetImageList(TCustomImageList*& field, TChangeLink* link, TCustomImageList* value);

    String FDefaultDescription;
    Integer FDefaultImageIndex = -1;
    TqzImageAlign FImageAlign = iaLeft;
    TCustomImageList* FImages = nullptr;
    std::unique_ptr<TChangeLink> FImagesLink;
    std::unique_ptr<TqzImageComboBoxItems> FItems;
    TCustomImageList* FLargeImages = nullptr;
    std::unique_ptr<TChangeLink> FLargeImagesLink;
    bool FMultiLineText = false;
    bool FShowDescriptions = true;
};

class TqzImageComboBoxProperties : public TqzCustomImageComboBoxProperties {
    KOV_CLASS(TqzImageComboBoxProperties, TqzCustomImageComboBoxProperties)
public:
    using TqzCustomImageComboBoxProperties::TqzCustomImageComboBoxProperties;
};

class TqzCustomImageComboBox;

class TqzImageComboBoxLookupData : public TqzComboBoxLookupData {
    KOV_CLASS(TqzImageComboBoxLookupData, TqzComboBoxLookupData)
public:
    using TqzComboBoxLookupData::TqzComboBoxLookupData;
    Integer GetItemCount() override;
    String GetItemText(Integer index) override;
    TqzCustomEditListBoxClass GetListBoxClass() override;
    void SyncWithEditText() override;
    TqzCustomImageComboBoxProperties* GetImageComboProperties();
};

class TqzImageComboBoxListBox : public TqzComboBoxListBox {
    KOV_CLASS(TqzImageComboBoxListBox, TqzComboBoxListBox)
public:
    explicit TqzImageComboBoxListBox(TComponent* owner);
    static TqzCustomEditListBox* CreateInstance(TComponent* owner) { return new TqzImageComboBoxListBox(owner); }

    Integer GetHeightForRows(Integer rows, Integer maxHeight) override;
    void UpdateListSettings() override { RecreateWindow(); }
    virtual Integer GetPreferredWidth();
    TRect GetImageRect(const TRect& itemRect);
    TCustomImageList* GetImages();
    TqzCustomImageComboBoxProperties* GetProperties();
    // The height of an item measured in the current measuring width.
    Integer MeasureItemHeight(Integer index);
    Integer MeasuringWidth = 0;

protected:
    void DrawItem(Integer index, TRect rect, TOwnerDrawState state) override;
    void MeasureItem(Integer index, Integer& height) override;
};

class TqzImageComboBoxViewInfo : public TqzCustomTextEditViewInfo {
    KOV_CLASS(TqzImageComboBoxViewInfo, TqzCustomTextEditViewInfo)
public:
    static TqzContainerViewInfo* CreateInstance() { return new TqzImageComboBoxViewInfo(); }
    void MoveBy(Integer dx, Integer dy) override;
    void PaintBackground(TqzCanvas* canvas) override;

    TRect ImageRect{0, 0, 0, 0};
    bool ShowDescriptions = true;
    TqzImageAlign ImageAlign = iaLeft;
    Integer ImageIndex = -1;
    TCustomImageList* Images = nullptr;
};

class TqzImageComboBoxViewData : public TqzCustomDropDownEditViewData {
    KOV_CLASS(TqzImageComboBoxViewData, TqzCustomDropDownEditViewData)
public:
    using TqzCustomDropDownEditViewData::TqzCustomDropDownEditViewData;
    void EditValueToDisplayText(const Variant& editValue, String& text) override;
    void CalculateConstantPartSize(TqzCanvas* canvas, bool isInplace, TSize& size, TqzCustomEditViewInfo* viewInfo,
                                   TSize& minContentSize) override;
    void CalculateContentSize(TqzCanvas* canvas, const Variant& editValue, TSize& size,
                              const TqzEditSizeParameters& sizeParameters) override;
    void Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button, TShiftState shift,
                   TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) override;
    void EditValueToViewInfo(TqzCanvas* canvas, const Variant& editValue, TqzCustomEditViewInfo* viewInfo) override;
    void StoreDrawText(const Variant& value, TqzCustomTextEditViewInfo* viewInfo) override;
    TqzCustomImageComboBoxProperties* GetImageComboProperties() const;
};

class TqzCustomImageComboBox : public TqzCustomComboBox {
    KOV_CLASS(TqzCustomImageComboBox, TqzCustomComboBox)
public:
    explicit TqzCustomImageComboBox(TComponent* owner);
    TqzCustomImageComboBox(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzCustomImageComboBoxProperties::StaticClass(); }
    TqzCustomImageComboBoxProperties* GetActiveImageComboProperties() {
        return static_cast<TqzCustomImageComboBoxProperties*>(GetActiveProperties());
    }
    bool AcceptsChar(char32_t ch) override;
    Variant LookupKeyToEditValue(const Variant& key) override;
    void DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool& isValid) override;
    void SynchronizeDisplayValue() override;
    void UpdateDrawValue() override;
    void GetPopupContentSize(Integer& width, Integer& height) override;

protected:
    TqzCustomImageComboBox(TComponent* owner, bool isInplace, bool deferInitialization);
};

class TqzImageComboBox : public TqzCustomImageComboBox {
    KOV_CLASS(TqzImageComboBox, TqzCustomImageComboBox)
public:
    explicit TqzImageComboBox(TComponent* owner);
    TqzImageComboBox(TComponent* owner, bool isInplace);
    TClass GetPropertiesClass() override { return TqzImageComboBoxProperties::StaticClass(); }
    TqzImageComboBoxProperties* GetImageComboBoxProperties() const {
        return static_cast<TqzImageComboBoxProperties*>(TqzCustomEdit::GetProperties());
    }
    void SetImageComboBoxProperties(TqzImageComboBoxProperties* value) { TqzCustomEdit::GetProperties()->Assign(value); }
};
