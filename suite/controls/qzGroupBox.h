// The suite's group box (a captioned frame that holds child controls, the caption on one of 13
// positions, vertical on the left and right sides) and the button group built on it: a group
// box that owns one child button window per item and lays the items out in columns.
#pragma once

#include <memory>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Collections.h"
#include "suite/editors/qzEdit.h"
#include "suite/editors/qzTextEdit.h"

enum TqzCaptionAlignment : Byte {
    alTopLeft,
    alTopCenter,
    alTopRight,
    alBottomLeft,
    alBottomCenter,
    alBottomRight,
    alLeftTop,
    alLeftCenter,
    alLeftBottom,
    alRightTop,
    alRightCenter,
    alRightBottom,
    alCenterCenter
};

inline bool IsTopCaption(TqzCaptionAlignment a) { return a <= alTopRight; }
inline bool IsBottomCaption(TqzCaptionAlignment a) { return a >= alBottomLeft && a <= alBottomRight; }
inline bool IsLeftCaption(TqzCaptionAlignment a) { return a >= alLeftTop && a <= alLeftBottom; }
inline bool IsRightCaption(TqzCaptionAlignment a) { return a >= alRightTop && a <= alRightBottom; }
inline bool IsVerticalCaption(TqzCaptionAlignment a) { return IsLeftCaption(a) || IsRightCaption(a); }

class TqzCustomGroupBox;
class TqzCustomButtonGroup;

// ---- Group box -----------------------------------------------------------------------------------

class TqzCustomGroupBoxProperties : public TqzCustomEditProperties {
    KOV_CLASS(TqzCustomGroupBoxProperties, TqzCustomEditProperties)
public:
    using TqzCustomEditProperties::TqzCustomEditProperties;
    TClass GetContainerClass() const override;
    TqzCustomEditViewDataClass GetViewDataClass() const override;
    TqzCustomEditViewInfoClass GetViewInfoClass() const override;
};

class TqzGroupBoxViewData : public TqzCustomEditViewData {
    KOV_CLASS(TqzGroupBoxViewData, TqzCustomEditViewData)
public:
    using TqzCustomEditViewData::TqzCustomEditViewData;

    void Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button, TShiftState shift,
                   TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) override;
    void GetBorderExtent(TRect& rect) override;
    void GetClientExtent(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, TRect& rect) override;
    TColor CalculateBorderColor() override;
    Integer GetContainerState(const TRect& bounds, const TPoint& p, Integer button, TShiftState shift,
                              bool isMouseEvent) override;

    TqzCustomGroupBox* GetGroupBox() const;
    // The height of "Qq" in the caption font (0 without a group box).
    Integer GetCaptionFontHeight() const;
    // The caption's rectangle for a control of the size, caption and alignment (empty for an
    // empty caption).
    TRect CalculateCaptionRect(TqzCanvas* canvas, Integer width, Integer height);
    // Suite text flags of the caption.
    Integer GetCaptionTextFlags() const;
    // Native look: NativeStyle, or Office11 with the edit theme.
    bool UsesGroupBoxNativeLook();
    static bool IsGroupBoxNativeLook(TqzLookAndFeel* lookAndFeel);
};

class TqzGroupBoxButtonViewInfo : public TqzEditButtonViewInfo {
    KOV_CLASS(TqzGroupBoxButtonViewInfo, TqzEditButtonViewInfo)
public:
    TqzGroupBoxButtonViewInfo() = default;
    void Assign(TPersistent* source) override;

    Integer ItemIndex = -1;
    String Caption;
    Integer Column = 0;
    Integer Row = 0;
    bool Native = false;
    TqzEditButtonStyle ButtonStyle = bts3D;
    bool IsDesigning = false;
    Integer ThemePart = 0;
    Integer ThemeStateId = 0;
    bool PartiallyTransparent = false;
};

class TqzGroupBoxViewInfo : public TqzCustomTextEditViewInfo {
    KOV_CLASS(TqzGroupBoxViewInfo, TqzCustomTextEditViewInfo)
public:
    TqzGroupBoxViewInfo();
    ~TqzGroupBoxViewInfo() override;
    static TqzContainerViewInfo* CreateInstance() { return new TqzGroupBoxViewInfo(); }

    TqzEditButtonViewInfoClass GetButtonViewInfoClass() override;
    void Draw(TqzCanvas* canvas) override;
    void PaintBackground(TqzCanvas* canvas) override;
    void PaintContent(TqzCanvas*) override {}
    void MoveBy(Integer dx, Integer dy) override;
    bool IsTextHintNeeded(const TPoint&, String&, bool&, TRect&) override { return false; }

    // The frame and background (with the caption rectangle excluded by the caller).
    virtual void PaintFrameAndBackground(TqzCanvas* canvas, bool clearBrush);
    virtual void PaintCaption(TqzCanvas* canvas);
    // The item buttons drawn by the view info (a copy of a data-bound group); nothing here.
    virtual void PaintItems(TqzCanvas* canvas) {}

    TRect CaptionRect;
    std::unique_ptr<TBitmap> CaptionBitmap;
    std::unique_ptr<TqzCanvas> CaptionCanvas;
    TqzCustomGroupBox* EditControl = nullptr;
    bool Designing = false;

    // From the calculation.
    TqzCaptionAlignment Alignment = alTopLeft;
    String CaptionText;
    TFont* CaptionFont = nullptr; // the group box's
    Integer CaptionFontHeight = 0;
    Integer CaptionTextFlags = 0;
    bool GroupNative = false;
    bool TransparentGroup = false;
};

class TqzCustomGroupBox : public TqzCustomEdit {
    KOV_CLASS(TqzCustomGroupBox, TqzCustomEdit)
public:
    explicit TqzCustomGroupBox(TComponent* owner, bool isInplace = false);
    ~TqzCustomGroupBox() override;

    void Initialize() override;
    TClass GetPropertiesClass() override { return TqzCustomGroupBoxProperties::StaticClass(); }
    void AdjustClientRect(RECT& rect) override;
    bool CanFocusOnClick() override { return false; }
    void HandleLookAndFeelChange() override;
    void StyleChanged(TqzContainerStyle* sender) override;
    bool DefaultsToParentColor() override { return true; }
    TRect GetRegionRect() override;
    TqzContainerStyle* SelectStateStyle() override;
    bool HasOwnTabOrder() override { return true; }
    void AdjustInnerControlBounds() override {}
    bool HasOwnBackground() override;
    void HandleFontChange() override;
    void HandleTextChange() override;
    void HandleWindowMessage(TMessage& message) override;

    TqzCaptionAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TqzCaptionAlignment value);
    TFont* GetCaptionFont() const { return FCaptionFont.get(); }
    const String& GetCaptionText() const { return FCaptionText; }
    bool IsSelectingFirst() const { return FIsSelectingFirst; }
    // The client extent of the current size: the editor's border extent with the caption side
    // replaced by the caption height + 3.
    TRect GetCaptionClientExtent();

protected:
    TqzCustomGroupBox(TComponent* owner, bool isInplace, bool deferInitialization);
    void RefreshCaptionFont();
    void RefreshCaptionText();
    // The accelerator of the caption moves the focus to the first child; true when handled.
    virtual bool HandleDialogChar(char32_t ch);
    bool FocusFirstChild();

    TqzCaptionAlignment FAlignment = alTopLeft;
    std::unique_ptr<TFont> FCaptionFont;
    bool FIsSelectingFirst = false;
    String FCaptionText;
};

// ---- Button group --------------------------------------------------------------------------------

class TqzButtonGroupItems;

class TqzButtonGroupItem : public TCollectionItem {
    KOV_CLASS(TqzButtonGroupItem, TCollectionItem)
public:
    // notify false: the descendant's constructor tells the collection itself when it is whole.
    explicit TqzButtonGroupItem(TCollection* collection, bool notify = true);
    ~TqzButtonGroupItem() override;
    void Assign(TPersistent* source) override;

    const String& GetCaption() const { return FCaption; }
    void SetCaption(const String& value);
    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool value);
    Integer GetTag() const { return FTag; }
    void SetTag(Integer value) { FTag = value; }
    bool IsTagStored() const { return FTag != 0; }

protected:
    // Tells the collection: 0 added, 1 deleted, 2 changed.
    void NotifyItem(Integer action);
    // Set once the deletion was told (a descendant tells it before its own parts go).
    bool FDeletionTold = false;

private:
    String FCaption;
    bool FEnabled = true;
    Integer FTag = 0;
};

class TqzButtonGroupItems : public TOwnedCollection {
    KOV_CLASS(TqzButtonGroupItems, TOwnedCollection)
public:
    TqzButtonGroupItems(TPersistent* owner, TCollectionItemClass itemClass);

    TqzButtonGroupItem* GetItem(Integer index) const { return static_cast<TqzButtonGroupItem*>(GetItems(index)); }
    // The items interface (nothing queries it).
    Integer GetItemCount() const { return GetCount(); }
    String GetItemCaption(Integer index) const { return GetItem(index)->GetCaption(); }

    // Inside an item update: which item and what happened to it.
    bool IsItemUpdate() const { return FItemUpdate; }
    Integer GetChangedItemIndex() const { return FChangedIndex; }
    Integer GetChangedItemAction() const { return FChangedAction; }
    void ItemChanged(TqzButtonGroupItem* item, Integer index, Integer action);

protected:
    void Update(TCollectionItem* item) override;

private:
    bool FItemUpdate = false;
    Integer FChangedIndex = -1;
    Integer FChangedAction = 0;
};

class TqzCustomButtonGroupProperties : public TqzCustomGroupBoxProperties {
    KOV_CLASS(TqzCustomButtonGroupProperties, TqzCustomGroupBoxProperties)
public:
    explicit TqzCustomButtonGroupProperties(TPersistent* owner);
    ~TqzCustomButtonGroupProperties() override;

    // Columns, Items and WordWrap inside one update.
    void Assign(TPersistent* source) override;
    TqzCustomEditProperties* CreateOfSameClass() override;
    Integer GetSupportedOperations() override;

    // ---- Introduced virtuals, in slot order ----
    virtual TqzButtonGroupItems* CreateItems();
    virtual Integer GetColumnCount();

    Integer GetColumns() const { return FColumns; }
    void SetColumns(Integer value);
    TqzButtonGroupItems* GetItems();
    void SetItems(TqzButtonGroupItems* value) { GetItems()->Assign(value); }
    bool GetWordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    // Rows of the layout: ceil(count / column count).
    Integer GetRowCount();

protected:
    std::unique_ptr<TqzButtonGroupItems> FItems;
    Integer FColumns = 1;
    bool FWordWrap = false;
};

struct TqzButtonGroupMetrics {
    Integer TextOffset = 0;
    Integer RightAdjustment = 0;
    Integer GlyphToTextWidth = 0;
    Integer WidthAdjustment = 0;
    Integer LeftOffset = 0;
    Integer WidthAdjustment2 = 0;
    Integer ColumnSpacing = 0;
    Integer GlyphWidth = 0;
    Integer GlyphHeight = 0;
};

class TqzButtonGroupViewData : public TqzGroupBoxViewData {
    KOV_CLASS(TqzButtonGroupViewData, TqzGroupBoxViewData)
public:
    using TqzGroupBoxViewData::TqzGroupBoxViewData;

    void CalculateButtons(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button, TShiftState shift,
                          TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) override;
    void GetConstantPartSize(TqzCanvas* canvas, const TqzEditSizeParameters& sizeParameters, TSize& size,
                             TqzCustomEditViewInfo* viewInfo, TSize& minContentSize) override;

    // ---- Introduced virtuals, in slot order ----
    virtual void CalculateButtonPositions(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo);
    virtual void CalculateButtonCaptions(TqzCustomEditViewInfo* viewInfo);
    virtual Integer GetCaptionTextFlagsFor(bool measuring);
    virtual void GetButtonMetrics(TqzCanvas* canvas, TqzButtonGroupMetrics& metrics) = 0;
    virtual TRect GetButtonAreaMargins() { return TRect{}; }
    virtual void CalculateButtonNativeState(TqzCustomEditViewInfo* viewInfo, TqzGroupBoxButtonViewInfo* button) = 0;
    static bool IsNativeStyleFor(TqzLookAndFeel* lookAndFeel);

    TqzCustomButtonGroupProperties* GetButtonGroupProperties() const {
        return static_cast<TqzCustomButtonGroupProperties*>(FProperties);
    }
    // Set while measuring for a given width.
    bool MeasuringForWidth = false;
};

class TqzButtonGroupViewInfo : public TqzGroupBoxViewInfo {
    KOV_CLASS(TqzButtonGroupViewInfo, TqzGroupBoxViewInfo)
public:
    using TqzGroupBoxViewInfo::TqzGroupBoxViewInfo;
    static TqzContainerViewInfo* CreateInstance() { return new TqzButtonGroupViewInfo(); }
    TRect ButtonAreaMargins;
    TqzGroupBoxButtonViewInfo* GetItemInfo(Integer index) const {
        return static_cast<TqzGroupBoxButtonViewInfo*>(GetButtonInfo(index));
    }
};

class TqzCustomButtonGroup : public TqzCustomGroupBox {
    KOV_CLASS(TqzCustomButtonGroup, TqzCustomGroupBox)
public:
    explicit TqzCustomButtonGroup(TComponent* owner, bool isInplace = false);
    ~TqzCustomButtonGroup() override;

    void Initialize() override;
    TClass GetPropertiesClass() override { return TqzCustomButtonGroupProperties::StaticClass(); }
    void ApplyActiveProperties(TObject* properties) override;
    void StyleChanged(TqzContainerStyle* sender) override;
    void HandleCursorChange() override;
    void HandleEditKeyDown(Word& key, TShiftState shift) override;
    void HandleEnabledChange() override;
    bool HasOwnTabOrder() override { return FIsSelectingFirst; }
    bool UpdateViewState(const TPoint& point, Integer button, TShiftState shift, bool isMouseEvent) override;
    void ActivateByMouse(TShiftState shift, Integer x, Integer y, TqzCustomEditData*& editData) override;
    bool Focused() const override;
    using TqzCustomEdit::GetTabOrderList;
    void GetTabOrderList(std::vector<TWinControl*>& list) const override;
    void HandleWindowMessage(TMessage& message) override;

    // ---- Introduced virtuals, in slot order ----
    virtual void PlaceButtons();
    virtual TWinControl* CreateButton() = 0;
    virtual void InitializeButton(TWinControl* button);
    virtual void SyncButtonCount(Integer count);
    virtual void UpdateButtonAppearance();
    virtual void UpdateButtons();
    virtual bool IsButtonDeviceContext(HDC dc) { return false; }

    const std::vector<TWinControl*>& GetButtons() const { return FButtons; }
    Integer GetButtonCount() const { return Integer(FButtons.size()); }
    TWinControl* GetButton(Integer index) const { return FButtons[size_t(index)]; }
    // The index of the button holding the focus; -1 for none.
    Integer GetFocusedButtonIndex() const;
    TqzCustomButtonGroupProperties* GetActiveButtonGroupProperties() {
        return static_cast<TqzCustomButtonGroupProperties*>(GetPropertiesInUse());
    }
    TqzButtonGroupViewInfo* GetButtonGroupViewInfo() const {
        return static_cast<TqzButtonGroupViewInfo*>(GetViewInfo());
    }

protected:
    TqzCustomButtonGroup(TComponent* owner, bool isInplace, bool deferInitialization);
    void ReadState(TReader* reader) override;
    void CreateHandle() override;
    // Removes a button from the list (its destructor calls it).
    void ForgetButton(TWinControl* button);

    std::vector<TWinControl*> FButtons;

private:
    void ButtonKeyDown(TObject* sender, Word& key, TShiftState shift);
    void ButtonKeyPress(TObject* sender, char32_t& key);
    void ButtonKeyUp(TObject* sender, Word& key, TShiftState shift);
    void ButtonMouseDown(TObject* sender, TMouseButton button, TShiftState shift, Integer x, Integer y);
    void ButtonMouseMove(TObject* sender, TShiftState shift, Integer x, Integer y);
    void ButtonMouseUp(TObject* sender, TMouseButton button, TShiftState shift, Integer x, Integer y);
    void ButtonDragDrop(TObject* sender, TObject* source, Integer x, Integer y);
    void ButtonDragOver(TObject* sender, TObject* source, Integer x, Integer y, TDragState state, bool& accept);
    void ButtonMouseWheel(TObject* sender, TShiftState shift, Integer delta, TPoint mousePos, bool& handled);
};
