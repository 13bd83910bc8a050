// The blob editor: a large value (a memo text, a picture, an OLE object or raw bytes) shown in
// one line as a glyph or a short text, with memo and picture values edited in a drop-down popup
// that holds a popup memo or a popup picture and OK and Cancel (or Close) buttons.
#pragma once

#include <memory>

#include "suite/controls/qzButtons.h"
#include "suite/controls/qzImage.h"
#include "suite/controls/qzMemo.h"
#include "suite/editors/qzDropDownEdit.h"

enum TqzBlobEditKind : Byte { bekAuto, bekMemo, bekPict, bekOle, bekBlob };
enum TqzBlobPaintStyle : Byte { bpsDefault, bpsIcon, bpsText };

class TqzCustomBlobEdit;
class TqzCustomBlobEditProperties;

// The text a blob value shows: with fullText and a memo string the whole string; otherwise the
// placeholder of bpsDefault, the first line of bpsText, or nothing.
WideString BlobDisplayText(const Variant& value, TqzCustomBlobEditProperties* properties, bool fullText);
// The popup window's modal result for a key in the popup memo or picture (0: the key is the
// control's own).
Integer PopupKeyResult(Word key, TShiftState shift, bool enterSaves, bool alwaysSaveData);
// The eight blob glyphs, 18 x 16.
TCustomImageList* GetBlobGlyphs();

class TqzCustomBlobEditProperties : public TqzCustomPopupEditProperties {
    KOV_CLASS(TqzCustomBlobEditProperties, TqzCustomPopupEditProperties)
public:
    explicit TqzCustomBlobEditProperties(TPersistent* owner);
    void Assign(TPersistent* source) override;

    // bekAuto becomes a resolved kind when the kind is first needed (unless a provider without
    // an active source is attached).
    void ResolveAutoKind();
    virtual TGraphicClass DefaultPictureGraphicClass();
    TGraphicClass ResolveGraphicClass(Integer recordIndex, TPersistent* data, bool paste);

    TClass GetContainerClass() const override;
    TqzCustomEditViewDataClass GetViewDataClass() const override;
    TqzCustomEditViewInfoClass GetViewInfoClass() const override;
    TqzEditPopupWindowClass GetPopupWindowClass() override;
    bool DropDownOnClick() override { return true; }
    Byte GetDisplayFormatOptions() override { return 0; }
    bool HasSeparateChangeEvents() override { return false; }
    bool IsEditValueValid(Variant& value, bool editing) override { return true; }
    Integer GetSupportedOperations() override;
    Integer GetEditValueSource(bool editing) override;
    WideString GetDisplayTextWide(const Variant& editValue) override;
    WideString GetDisplayTextWide(const Variant& editValue, bool fullText);
    bool AreDisplayValuesEqual(const Variant& v1, const Variant& v2) override;
    void DefineProperties(TFiler* filer) override;

    bool GetAlwaysSaveData() const { return FAlwaysSaveData; }
    void SetAlwaysSaveData(bool value) { FAlwaysSaveData = value; }
    TqzBlobEditKind GetBlobEditKind() const { return FBlobEditKind; }
    void SetBlobEditKind(TqzBlobEditKind value);
    TqzBlobPaintStyle GetBlobPaintStyle() const { return FBlobPaintStyle; }
    void SetBlobPaintStyle(TqzBlobPaintStyle value);
    TGraphicClass GetPictureGraphicClass() const { return FPictureGraphicClass; }
    void SetPictureGraphicClass(TGraphicClass value);
    String GetPictureGraphicClassName() const;
    void SetPictureGraphicClassName(const String& value);
    bool IsPictureGraphicClassNameStored();

    bool MemoAutoReplace = false;
    bool MemoWantReturns = true;
    bool MemoWantTabs = true;
    bool MemoOEMConvert = false;
    bool MemoWordWrap = true;
    Integer MemoMaxLength = 0;
    TEditCharCase MemoCharCase = ecNormal;
    TScrollStyle MemoScrollBars = ssNone;
    bool PictureAutoSize = true;
    String PictureFilter;
    TqzImageTransparency PictureTransparency = gtDefault;
    bool ShowExPopupItems = true;
    bool ShowPicturePopup = true;
    TqzImageAssignPictureEvent OnAssignPicture;
    TqzImageGraphicClassEvent OnGetGraphicClass;

private:
    bool FAlwaysSaveData = true;
    TqzBlobEditKind FBlobEditKind = bekAuto;
    TqzBlobPaintStyle FBlobPaintStyle = bpsIcon;
    TGraphicClass FPictureGraphicClass = nullptr;
};

class TqzBlobEditProperties : public TqzCustomBlobEditProperties {
    KOV_CLASS(TqzBlobEditProperties, TqzCustomBlobEditProperties)
public:
    using TqzCustomBlobEditProperties::TqzCustomBlobEditProperties;
};

class TqzPopupMemo : public TqzMemo {
    KOV_CLASS(TqzPopupMemo, TqzMemo)
public:
    TqzPopupMemo(TComponent* owner, TqzCustomBlobEdit* blobEdit);
    void HandleKeyDown(Word& key, TShiftState shift) override;
    void HandleEditKeyDown(Word& key, TShiftState shift) override;
    TqzCustomBlobEdit* BlobEdit;
};

class TqzPopupImage : public TqzImage {
    KOV_CLASS(TqzPopupImage, TqzImage)
public:
    TqzPopupImage(TComponent* owner, TqzCustomBlobEdit* blobEdit);
    void HandleKeyDown(Word& key, TShiftState shift) override;
    TqzCustomBlobEdit* BlobEdit;
};

class TqzBlobEditPopupWindow : public TqzPopupEditPopupWindow {
    KOV_CLASS(TqzBlobEditPopupWindow, TqzPopupEditPopupWindow)
public:
    using TqzPopupEditPopupWindow::TqzPopupEditPopupWindow;
    static TqzCustomEditPopupWindow* CreateInstance(TqzCustomDropDownEdit* editor) {
        return new TqzBlobEditPopupWindow(editor);
    }
    void ForwardChar(char32_t ch) override;
};

class TqzBlobEditViewInfo : public TqzCustomTextEditViewInfo {
    KOV_CLASS(TqzBlobEditViewInfo, TqzCustomTextEditViewInfo)
public:
    static TqzContainerViewInfo* CreateInstance() { return new TqzBlobEditViewInfo(); }
    void MoveBy(Integer dx, Integer dy) override;
    void PaintBackground(TqzCanvas* canvas) override;
    bool IsTextHintNeeded(const TPoint&, String&, bool&, TRect&) override { return false; }
    TRect GlyphRect{0, 0, 0, 0};
    Integer GlyphIndex = -1;
    bool PopupOpen = false;
};

class TqzBlobEditViewData : public TqzCustomDropDownEditViewData {
    KOV_CLASS(TqzBlobEditViewData, TqzCustomDropDownEditViewData)
public:
    using TqzCustomDropDownEditViewData::TqzCustomDropDownEditViewData;
    void EditValueToDisplayText(const Variant& editValue, String& text) override;
    void EditValueToViewInfo(TqzCanvas* canvas, const Variant& editValue, TqzCustomEditViewInfo* viewInfo) override;
    void Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button, TShiftState shift,
                   TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) override;
    void CalculateTextAttributes(TqzCanvas* canvas, TqzCustomTextEditViewInfo* viewInfo) override;
    void CalculateContentSize(TqzCanvas* canvas, const Variant& editValue, TSize& size,
                              const TqzEditSizeParameters& sizeParameters) override;
    TqzCustomBlobEditProperties* GetBlobProperties() const;
    Integer PaintOptions = 0;
};

class TqzCustomBlobEdit : public TqzCustomPopupEdit {
    KOV_CLASS(TqzCustomBlobEdit, TqzCustomPopupEdit)
public:
    explicit TqzCustomBlobEdit(TComponent* owner);
    TqzCustomBlobEdit(TComponent* owner, bool isInplace);
    ~TqzCustomBlobEdit() override;

    TClass GetPropertiesClass() override { return TqzCustomBlobEditProperties::StaticClass(); }
    TqzCustomBlobEditProperties* GetBlobProperties() const {
        return static_cast<TqzCustomBlobEditProperties*>(GetProperties());
    }
    TqzCustomBlobEditProperties* GetActiveBlobProperties() {
        return static_cast<TqzCustomBlobEditProperties*>(GetActiveProperties());
    }

    void Initialize() override;
    bool ShowsInnerEdit() override { return false; }
    void SynchronizeDisplayValue() override { UpdateViewAtCursor(); }
    void RefreshEditValueFromDisplay() override {}
    void DoInitPopup() override;
    TWinControl* GetPopupFocusedControl() override;
    void GetPopupContentSize(Integer& width, Integer& height) override;
    void PreparePopupWindow() override;
    void PopupWindowClosed(TObject* sender) override;
    String GetEditingText() override;
    bool SetEditingText(const String& text) override;
    void SetTextIfEditable(const String& text) override;
    void ApplyActiveProperties(TObject* properties) override;
    // An open popup follows the editor's colour and font.
    void HandleColorChange() override;
    void HandleFontChange() override;

    // ---- Introduced virtuals, in order ----
    virtual void PreparePopupControl();
    virtual void DestroyPopupControls();
    virtual void AnswerPopupEditing(TObject* sender, bool& canEdit);

    TGraphicClass ResolveGraphicClass(bool paste);
    // The popup's modal result from a key of the popup control (0: not a closing key); a
    // closing key is consumed and closes the popup.
    bool HandlePopupKey(Word& key, TShiftState shift, bool enterSaves);
    // Takes the popup's value as the popup closing with that modal result does.
    void ClosePopupWithResult(TModalResult result);
    TWinControl* GetPopupControl() const { return FPopupControl.get(); }
    TqzPopupMemo* GetPopupMemo() const { return dynamic_cast<TqzPopupMemo*>(FPopupControl.get()); }
    TqzPopupImage* GetPopupImage() const { return dynamic_cast<TqzPopupImage*>(FPopupControl.get()); }
    TqzButton* GetOkButton() const { return FOkButton.get(); }
    TqzButton* GetCancelButton() const { return FCancelButton.get(); }
    Integer GetButtonWidth() const { return FButtonWidth; }
    TGraphicClass GetLastGraphicClass() const { return FLastGraphicClass; }
    bool IsReadOnlyPopup();
    Integer RecordIndex = -1;
    TPersistent* Data = nullptr;
    TqzImageEditGraphicClassEvent OnGetGraphicClass;

protected:
    TqzCustomBlobEdit(TComponent* owner, bool isInplace, bool deferInitialization);

private:
    void PreparePopupButtons();
    void PopupChanged(TObject* sender);
    void HandlePopupImageClose(TObject* sender, TqzEditCloseUpReason reason);
    void PopupImageGraphicClass(TObject* sender, bool paste, TGraphicClass& graphicClass);
    void PopupImagePropertiesGraphicClass(TObject* sender, Integer recordIndex, TPersistent* data,
                                          TGraphicClass& graphicClass, bool paste);
    void TakePopupValue();
    void AssignPopupPicture();
    bool PopupModified();

    std::unique_ptr<TWinControl> FPopupControl;
    std::unique_ptr<TqzButton> FCancelButton;
    std::unique_ptr<TqzButton> FOkButton;
    Integer FButtonWidth = 0;
    Integer FButtonHeight = 0;
    TGraphicClass FLastGraphicClass = nullptr;
    TModalResult FClosingResult = mrNone;
};

class TqzBlobEdit : public TqzCustomBlobEdit {
    KOV_CLASS(TqzBlobEdit, TqzCustomBlobEdit)
public:
    explicit TqzBlobEdit(TComponent* owner);
    TqzBlobEdit(TComponent* owner, bool isInplace);
    TClass GetPropertiesClass() override { return TqzBlobEditProperties::StaticClass(); }
    TqzBlobEditProperties* GetBlobEditProperties() const {
        return static_cast<TqzBlobEditProperties*>(TqzCustomEdit::GetProperties());
    }
    void SetBlobEditProperties(TqzBlobEditProperties* value) { TqzCustomEdit::GetProperties()->Assign(value); }
};
