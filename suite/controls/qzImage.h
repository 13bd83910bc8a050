// The image editor: an editor without an inner control that shows one picture (at its own size
// with scroll bars, centred, or scaled to fit), keeps the bytes the picture's graphic writes as
// its edit value, and edits it through a context menu, clipboard keys and picture file dialogs.
// Which graphic class decodes a value comes from a small registry of graphic classes and events.
#pragma once

#include <memory>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/classlib/ImgList.h"
#include "platform/classlib/Menus.h"
#include "suite/editors/qzEdit.h"

class TqzCustomImage;

// ---- Graphic classes and values ----------------------------------------------------------------

// The graphic classes a value may be decoded with: TBitmap, TIcon, TMetafile and TJPEGImage,
// then whatever was added. Made on first use.
std::vector<TGraphicClass>& GraphicClassList();
// Appends a class that is not yet in the list.
void AddGraphicClass(TGraphicClass graphicClass);
// The first class whose name equals name without regard to case; nullptr for none.
TGraphicClass LookUpGraphicClass(const String& name);
// A string value's bytes into the picture: behind an 8-byte header (count 1, type 0x0100, the
// length of the rest) when there is one, else from the start; decoded by a new graphic of the
// class, or by the picture's bitmap without one. Anything that is not a string, shorter than 8
// bytes or that cannot be decoded leaves the picture empty; nothing is raised.
void LoadPictureFromValue(TPicture* picture, TGraphicClass graphicClass, const Variant& value);
// The bytes the picture's graphic writes (no header); empty for no or an empty graphic.
void SavePictureToValue(TPicture* picture, String& value);
// No graphic, an empty one, or one of width or height 0.
bool PictureHasNoGraphic(TPicture* picture);
// rect's top-left with the largest size of width : height that fits rect; an empty rect, or a
// width or height of 0, gives rect back unchanged.
void FitProportionally(const TRect& rect, Integer width, Integer height, TRect& result);
// The six menu glyphs (cut, copy, paste, delete, load, save), 16 x 16.
TCustomImageList* GetImageMenuGlyphs();

// ---- Properties --------------------------------------------------------------------------------

enum TqzImageTransparency : Byte { gtDefault, gtOpaque, gtTransparent };
enum TqzPopupMenuItem : Byte { pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiLoad, pmiSave, pmiCustom };
using TqzPopupMenuItems = TSet<TqzPopupMenuItem, pmiCustom>;

using TqzImageAssignPictureEvent = TClosure<void(TObject* Sender, TPicture* Picture)>;
using TqzImageGraphicClassEvent = TClosure<void(TObject* Sender, Integer RecordIndex, TPersistent* Data,
                                                 TGraphicClass& GraphicClass, bool Paste)>;
using TqzImageEditGraphicClassEvent =
    TClosure<void(TObject* Sender, bool Paste, TGraphicClass& GraphicClass)>;

class TqzPopupMenuLayout : public TPersistent {
    KOV_CLASS(TqzPopupMenuLayout, TPersistent)
public:
    explicit TqzPopupMenuLayout(TqzCustomImage* image = nullptr);
    ~TqzPopupMenuLayout() override;
    void Assign(TPersistent* source) override;

    const String& GetCustomMenuItemCaption() const { return FCustomMenuItemCaption; }
    void SetCustomMenuItemCaption(const String& value) { FCustomMenuItemCaption = value; }
    // Made empty on first read.
    virtual TBitmap* GetCustomMenuItemGlyph();
    // nullptr frees it; a bitmap is copied.
    void SetCustomMenuItemGlyph(TBitmap* value);
    bool IsCustomMenuItemGlyphStored() const { return FGlyph && !FGlyph->GetEmpty(); }
    TqzPopupMenuItems GetMenuItems() const { return FMenuItems; }
    void SetMenuItems(TqzPopupMenuItems value) { FMenuItems = value; }
    TqzCustomImage* GetImage() const { return FImage; }

private:
    TqzCustomImage* FImage;
    String FCustomMenuItemCaption;
    std::unique_ptr<TBitmap> FGlyph;
    TqzPopupMenuItems FMenuItems{pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiLoad, pmiSave};
};

class TqzCustomImageProperties : public TqzCustomEditProperties {
    KOV_CLASS(TqzCustomImageProperties, TqzCustomEditProperties)
public:
    explicit TqzCustomImageProperties(TPersistent* owner);
    ~TqzCustomImageProperties() override;
    void Assign(TPersistent* source) override;

    virtual TGraphicClass DefaultGraphicClass();
    // The graphic class when set; otherwise TBitmap for a paste, else none; then
    // OnGetGraphicClass may change it.
    virtual TGraphicClass ResolveGraphicClass(Integer recordIndex, TPersistent* data, bool paste);

    bool CanValidate() override { return true; }
    bool CanResetEditValue() override { return true; }
    Integer GetSupportedOperations() override;
    Integer GetEditValueSource(bool editing) override { return 0; }
    WideString GetDisplayTextWide(const Variant& editValue) override;
    TClass GetContainerClass() const override;
    TqzCustomEditViewDataClass GetViewDataClass() const override;
    TqzCustomEditViewInfoClass GetViewInfoClass() const override;
    void ValidateDisplayValue(Variant& displayValue, String& errorText, bool& error, TqzCustomEdit* editor) override;

    const String& GetCaption() const { return FCaption; }
    void SetCaption(const String& value);
    bool GetCenter() const { return FCenter; }
    void SetCenter(bool value);
    const String& GetCustomFilter() const { return FCustomFilter; }
    void SetCustomFilter(const String& value);
    TGraphicClass GetGraphicClass() const { return FGraphicClass; }
    void SetGraphicClass(TGraphicClass value);
    String GetGraphicClassName() const;
    // A name no registered class has is ignored; an empty one sets none.
    void SetGraphicClassName(const String& value);
    bool IsGraphicClassNameStored();
    TqzImageTransparency GetGraphicTransparency() const { return FGraphicTransparency; }
    void SetGraphicTransparency(TqzImageTransparency value);
    TqzPopupMenuLayout* GetPopupMenuLayout() const { return FPopupMenuLayout.get(); }
    void SetPopupMenuLayout(TqzPopupMenuLayout* value) { FPopupMenuLayout->Assign(value); }
    bool GetShowFocusRect() const { return FShowFocusRect; }
    void SetShowFocusRect(bool value);
    bool GetStretch() const { return FStretch; }
    void SetStretch(bool value);
    Integer GetDefaultHeight() const { return FDefaultHeight; }

    void DefineProperties(TFiler* filer) override;

    TqzImageAssignPictureEvent OnAssignPicture;
    TNotifyEvent OnCustomClick;
    TqzImageGraphicClassEvent OnGetGraphicClass;

private:
    String FCaption;
    bool FCenter = true;
    Integer FDefaultHeight = 15;
    String FCustomFilter;
    TGraphicClass FGraphicClass = nullptr;
    TqzImageTransparency FGraphicTransparency = gtDefault;
    std::unique_ptr<TqzPopupMenuLayout> FPopupMenuLayout;
    bool FShowFocusRect = true;
    bool FStretch = false;
};

class TqzImageProperties : public TqzCustomImageProperties {
    KOV_CLASS(TqzImageProperties, TqzCustomImageProperties)
public:
    using TqzCustomImageProperties::TqzCustomImageProperties;
};

// ---- View --------------------------------------------------------------------------------------

class TqzImageViewInfo : public TqzCustomEditViewInfo {
    KOV_CLASS(TqzImageViewInfo, TqzCustomEditViewInfo)
public:
    TqzImageViewInfo() = default;
    ~TqzImageViewInfo() override;
    static TqzContainerViewInfo* CreateInstance() { return new TqzImageViewInfo(); }
    void PaintBackground(TqzCanvas* canvas) override;
    bool IsRepaintOnStateChangeNeeded() override;
    // The picture the view info shows: the editor's own, or one it made (and then owns).
    TPicture* GetPicture() const { return FPicture; }
    void SetPicture(TPicture* picture, bool owned);
    TPicture* PictureNeeded();

    std::unique_ptr<TBitmap> Buffer;
    bool ShowFocusRect = false;
    TPoint TopLeft{0, 0};
    String Caption;
    bool Center = true;
    bool Stretch = false;
    // How many times a transparent graphic went through the buffer (for tests).
    Integer BufferedDraws = 0;

private:
    TPicture* FPicture = nullptr;
    bool FPictureOwned = false;
};

class TqzImageViewData : public TqzCustomEditViewData {
    KOV_CLASS(TqzImageViewData, TqzCustomEditViewData)
public:
    using TqzCustomEditViewData::TqzCustomEditViewData;
    void Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button, TShiftState shift,
                   TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) override;
    void EditValueToViewInfo(TqzCanvas* canvas, const Variant& editValue, TqzCustomEditViewInfo* viewInfo) override;
    void GetContentSize(TqzCanvas* canvas, const Variant& editValue, TSize& size,
                        const TqzEditSizeParameters& sizeParameters) override;
    TqzCustomImageProperties* GetImageProperties() const;
    // The in-place context values handed to the graphic class event.
    Integer RecordIndex = -1;
    TPersistent* Data = nullptr;
};

// ---- The editor --------------------------------------------------------------------------------

class TqzCustomImage : public TqzCustomEdit {
    KOV_CLASS(TqzCustomImage, TqzCustomEdit)
public:
    explicit TqzCustomImage(TComponent* owner);
    TqzCustomImage(TComponent* owner, bool isInplace);
    ~TqzCustomImage() override;

    TClass GetPropertiesClass() override { return TqzCustomImageProperties::StaticClass(); }
    TqzCustomImageProperties* GetImageProperties() const {
        return static_cast<TqzCustomImageProperties*>(GetProperties());
    }
    TqzCustomImageProperties* GetActiveImageProperties() {
        return static_cast<TqzCustomImageProperties*>(GetPropertiesInUse());
    }
    TPicture* GetPicture() const { return FPicture.get(); }
    void SetPicture(TPicture* value) { FPicture->Assign(value); }
    TqzImageViewInfo* GetImageViewInfo() const { return static_cast<TqzImageViewInfo*>(GetViewInfo()); }
    // The context menu, once built.
    TPopupMenu* GetImageMenu() const { return FMenu.get(); }
    UINT GetClipboardFormat() const { return FClipboardFormat; }
    // The in-place context values handed to the properties' graphic class event.
    Integer RecordIndex = -1;
    TPersistent* Data = nullptr;

    void GetEditValue(Variant& value) override;
    using TqzCustomEdit::GetEditValue;
    void ApplyEditValue(const Variant& value, bool prepare) override;
    void ClearValue() override;
    void CopyToClipboard() override;
    void CutToClipboard() override;
    void PasteFromClipboard() override;
    bool IsAutoHeight() override;
    bool IsAutoWidth() override { return true; }
    bool HasScrollBars() const override { return true; }
    void ApplyActiveProperties(TObject* properties) override;
    void UpdateScrollBars() override;
    void Initialize() override;

    // ---- Introduced virtuals, in order ----
    virtual bool ClipboardHasPicture();
    virtual void FireCustomClick();
    virtual TGraphicClass ResolveGraphicClass(bool paste);

    void LoadPictureFromFile();
    void SavePictureToFile();
    // The menu prepared for the current state (built on first use).
    void PrepareMenu();
    // Runs the command of a menu item's tag (0 cut ... 6 custom) as a menu click does.
    void RunMenuCommand(Integer tag);
    bool IsFileDialogOpen() const { return FFileDialogOpen; }
    // After the editor's own handling, the clipboard keys and characters.
    void HandleKeyDown(Word& key, TShiftState shift) override;
    void HandleKeyPress(char32_t& key) override;

    TqzImageEditGraphicClassEvent OnGetGraphicClass;

protected:
    TqzCustomImage(TComponent* owner, bool isInplace, bool deferInitialization);
    void HandlePictureChange(TObject* sender);
    void ApplyScrollOffset();
    // A picture given before the window existed gets its bars once the window is there.
    void CreateHandle() override;
    void ComputeScrollBarParams() override;
    void ScrollContent(TScrollBarKind kind, TScrollCode code, Integer& position) override;
    void HandleContextPopup(POINT mousePos, bool& handled) override;
    bool HasFocusWithin() override;

private:
    void MenuItemClick(TObject* sender);
    void RunClipboardCommand(Integer tag);

    std::unique_ptr<TPicture> FPicture;
    std::unique_ptr<TPopupMenu> FMenu;
    UINT FClipboardFormat = 0;
    bool FApplyingValue = false;
    bool FClipboardCommand = false;
    bool FFileDialogOpen = false;
};

class TqzImage : public TqzCustomImage {
    KOV_CLASS(TqzImage, TqzCustomImage)
public:
    explicit TqzImage(TComponent* owner);
    TqzImage(TComponent* owner, bool isInplace);
    TClass GetPropertiesClass() override { return TqzImageProperties::StaticClass(); }
    TqzImageProperties* GetImageEditProperties() const { return static_cast<TqzImageProperties*>(GetProperties()); }
    void SetImageEditProperties(TqzImageProperties* value) { GetProperties()->Assign(value); }
};
