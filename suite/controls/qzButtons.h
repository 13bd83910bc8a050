// The suite's push button and its glyphs. TqzButtonGlyph keeps a button's glyph bitmap (a strip
// of up to four equal columns), makes the image each button state shows (a disabled image is
// generated when the strip has no column of its own for it) and keeps the images in glyph lists
// that every button with glyphs of the same size shares; it also places glyph and caption inside
// the button. TqzCustomButton is an owner-drawn class-library button painted by its look and
// feel, with state colours, hot tracking, a drop-down menu in two kinds and a context menu.
#pragma once

#include <memory>
#include <vector>

#include "platform/classlib/Buttons.h"
#include "platform/classlib/ImgList.h"
#include "platform/classlib/Menus.h"
#include "platform/classlib/StdCtrls.h"
#include "suite/foundation/qzControls.h"
#include "suite/foundation/qzGraphics.h"
#include "suite/foundation/qzLookAndFeelPainters.h"
#include "suite/foundation/qzLookAndFeels.h"

// ---- Glyph lists ---------------------------------------------------------------------------------

// An image list whose slots are handed out and given back; a given-back slot keeps its image
// until the next image of that list replaces it.
class TqzGlyphList : public TImageList {
    KOV_CLASS(TqzGlyphList, TImageList)
public:
    TqzGlyphList(Integer width, Integer height);

    // The first free slot (appended when there is none) receives the image masked by maskColor.
    Integer AddMaskedImage(TBitmap* image, TColor maskColor);
    void ReleaseImage(Integer index);
    Integer GetUseCount() const { return FUseCount; }
    bool IsSlotUsed(Integer index) const;

private:
    std::vector<bool> FUsed;
    Integer FUseCount = 0;
};

// The process-wide lists, one per image size.
class TqzGlyphCache : public TObject {
    KOV_CLASS(TqzGlyphCache, TObject)
public:
    TqzGlyphCache() = default;
    ~TqzGlyphCache() override;
    TqzGlyphCache(const TqzGlyphCache&) = delete;
    TqzGlyphCache& operator=(const TqzGlyphCache&) = delete;

    // The list of exactly that size, searched from the last one; a new one when none fits.
    TqzGlyphList* GetList(Integer width, Integer height);
    // A list no slot of which is in use is removed and freed.
    void ReturnList(TqzGlyphList* list);
    bool IsEmpty() const { return FLists.empty(); }
    Integer Count() const { return Integer(FLists.size()); }

private:
    std::vector<TqzGlyphList*> FLists;
};

// The cache while a glyph object exists; nullptr otherwise.
TqzGlyphCache* GlyphCache();

// ---- Glyph ---------------------------------------------------------------------------------------

enum TqzButtonImageKind : Byte { qzikUp, qzikDisabled, qzikDown, qzikExclusive };

class TqzButtonGlyph : public TObject {
    KOV_CLASS(TqzButtonGlyph, TObject)
public:
    TqzButtonGlyph();
    ~TqzButtonGlyph() override;
    TqzButtonGlyph(const TqzButtonGlyph&) = delete;
    TqzButtonGlyph& operator=(const TqzButtonGlyph&) = delete;

    TBitmap* GetGlyph() const { return FGlyph.get(); }
    // Releases the images and takes a copy of the bitmap (nullptr: empty). A strip of square
    // columns sets the glyph count (when it gives 1 to 4 columns).
    void SetGlyph(TBitmap* value);
    Byte GetNumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(Integer value);

    // The glyph-list index of the state's image, made on first use; -1 for an empty bitmap.
    virtual Integer ImageIndexForState(TqzButtonState state);
    // Room counted around the caption: (1, 0, 2, 0) without a glyph, nothing with one.
    virtual TRect GetCaptionMargins(TButtonLayout layout) const;

    // The glyph position and the text rectangle inside client.
    void CalcPlacement(TCanvas* canvas, const TRect& client, const TPoint& offset, const String& caption,
                       TButtonLayout layout, Integer margin, Integer spacing, UINT biDiFlags, bool wordWrap,
                       TPoint& glyphPos, TRect& textBounds);
    void Paint(TCanvas* canvas, const TRect& client, const TPoint& offset, const String& caption,
               TButtonLayout layout, Integer margin, Integer spacing, TqzButtonState state, UINT biDiFlags,
               bool native, bool wordWrap);
    void PaintGlyph(TCanvas* canvas, const TPoint& pos, TqzButtonState state);
    void PaintCaption(TCanvas* canvas, const String& caption, const TRect& textBounds, TqzButtonState state,
                      UINT biDiFlags, bool native, bool wordWrap);
    bool UsesWordWrap(bool wordWrap) const;

    // Gives every made image back and returns the list to the cache.
    void ReleaseImages();
    TqzGlyphList* GetGlyphList() const { return FGlyphList; }
    Integer GetImageIndex(TqzButtonImageKind kind) const { return FIndexes[kind]; }
    TColor GetTransparentColor() const { return FTransparentColor; }

    TNotifyEvent OnChange;

protected:
    void GlyphChanged(TObject* sender);

private:
    std::unique_ptr<TBitmap> FGlyph;
    TqzGlyphList* FGlyphList = nullptr;
    Integer FIndexes[4] = {-1, -1, -1, -1};
    TColor FTransparentColor = clOlive;
    Byte FNumGlyphs = 1;
};

// ---- Button ----------------------------------------------------------------------------------------

enum TqzButtonKind : Byte { qzbkStandard, qzbkDropDown, qzbkDropDownButton };
using TqzButtonStates = TSet<TqzButtonState, qzbsDisabled>;

class TqzCustomButton;

// The five state colours of a button; clDefault leaves the painter's colour.
class TqzButtonColors : public TPersistent {
    KOV_CLASS(TqzButtonColors, TPersistent)
public:
    explicit TqzButtonColors(TqzCustomButton* owner = nullptr);

    void Assign(TPersistent* source) override;

    TColor GetColor(TqzButtonState state) const { return FColors[state]; }
    // clNone and clDefault unassign the state; any other new value assigns it.
    void SetColor(TqzButtonState state, TColor value);
    TqzButtonStates GetAssignedColors() const { return FAssignedColors; }
    // Only while the button is designed: the set and the colours are made to agree.
    void SetAssignedColors(TqzButtonStates value);
    bool IsColorStored(TqzButtonState state) const { return FAssignedColors.Contains(state); }

    TColor GetDefault() const { return FColors[qzbsDefault]; }
    void SetDefault(TColor v) { SetColor(qzbsDefault, v); }
    TColor GetNormal() const { return FColors[qzbsNormal]; }
    void SetNormal(TColor v) { SetColor(qzbsNormal, v); }
    TColor GetHot() const { return FColors[qzbsHot]; }
    void SetHot(TColor v) { SetColor(qzbsHot, v); }
    TColor GetPressed() const { return FColors[qzbsPressed]; }
    void SetPressed(TColor v) { SetColor(qzbsPressed, v); }
    TColor GetDisabled() const { return FColors[qzbsDisabled]; }
    void SetDisabled(TColor v) { SetColor(qzbsDisabled, v); }
    bool IsDefaultStored() const { return IsColorStored(qzbsDefault); }
    bool IsNormalStored() const { return IsColorStored(qzbsNormal); }
    bool IsHotStored() const { return IsColorStored(qzbsHot); }
    bool IsPressedStored() const { return IsColorStored(qzbsPressed); }
    bool IsDisabledStored() const { return IsColorStored(qzbsDisabled); }

private:
    void Changed();

    TqzCustomButton* FButton;
    TqzButtonStates FAssignedColors;
    TColor FColors[5] = {clDefault, clDefault, clDefault, clDefault, clDefault};
};

using TqzButtonDropDownMenuPopupEvent =
    TClosure<void(TObject* sender, TPopupMenu*& popupMenu, bool& handled)>;
using TqzButtonGetDrawParamsEvent =
    TClosure<void(TqzCustomButton* sender, TqzButtonState state, TColor& color, TFont* font)>;

// Posted to start a drop-down, and when the menu has closed.
constexpr UINT QZM_DROPDOWNPOPUPMENU = 0x812C;
constexpr UINT QZM_CLOSEUPPOPUPMENU = 0x812D;

class TqzCustomButton : public TButton, public IqzMouseTrackingCaller {
    KOV_CLASS(TqzCustomButton, TButton)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TqzCustomButton(TComponent* owner);
    ~TqzCustomButton() override;

    void Click() override;

    TqzButtonColors* GetColors() const { return FColors.get(); }
    void SetColors(TqzButtonColors* value) { FColors->Assign(value); }
    // Colors goes into a form stream only when some colour is assigned.
    bool IsColorsStored() const;
    TPopupMenu* GetDropDownMenu() const { return FDropDownMenu; }
    void SetDropDownMenu(TPopupMenu* value);
    TBitmap* GetGlyph() const { return FGlyph->GetGlyph(); }
    void SetGlyph(TBitmap* value);
    TqzButtonKind GetKind() const { return FKind; }
    void SetKind(TqzButtonKind value);
    TButtonLayout GetLayout() const { return FLayout; }
    void SetLayout(TButtonLayout value);
    TqzLookAndFeel* GetLookAndFeel() const { return FLookAndFeel.get(); }
    void SetLookAndFeel(TqzLookAndFeel* value) { FLookAndFeel->Assign(value); }
    Integer GetMargin() const { return FMargin; }
    void SetMargin(Integer value);
    Integer GetNumGlyphs() const { return FGlyph->GetNumGlyphs(); }
    void SetNumGlyphs(Integer value);
    TPopupAlignment GetPopupAlignment() const { return FPopupAlignment; }
    void SetPopupAlignment(TPopupAlignment value) { FPopupAlignment = value; }
    TComponent* GetPopupMenu() const override { return FPopupMenu; }
    void SetPopupMenu(TComponent* value);
    Integer GetSpacing() const { return FSpacing; }
    void SetSpacing(Integer value);
    bool GetUseSystemPaint() const { return FUseSystemPaint; }
    void SetUseSystemPaint(bool value) { FUseSystemPaint = value; }

    TqzButtonGlyph* GetGlyphObject() const { return FGlyph.get(); }
    // The state the next paint shows, and the flags behind it.
    TqzButtonState CurrentState() const;
    bool IsHot() const { return FMouseInControl; }
    bool IsMenuVisible() const { return FMenuVisible; }
    bool IsDropDownRequested() const { return FDropDownRequested; }
    bool IsDefaultLooking() const { return FIsDefault; }

    virtual bool FireDropDownMenuPopup(TPopupMenu*& popupMenu);
    virtual bool ShowContextMenu(TComponent* menu, Integer x, Integer y);
    virtual std::unique_ptr<TqzButtonGlyph> CreateGlyph();
    virtual TqzLookAndFeelPainterClass ActivePainterClass() const;
    virtual bool IsSystemPainted() const { return false; }

    // IqzMouseTrackingCaller
    void MouseLeave() override;
    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }

    TqzButtonDropDownMenuPopupEvent OnDropDownMenuPopup;
    TqzButtonGetDrawParamsEvent OnGetDrawParams;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWindowHandle() override;
    void SetButtonStyle(bool isDefault) override;
    void DrawItem(const DRAWITEMSTRUCT& item) override;
    void ActionChange(TObject* sender, bool checkDefaults) override;
    void Notification(TComponent* component, TOperation operation) override;
    void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void MouseMove(TShiftState shift, Integer x, Integer y) override;
    void DoContextPopup(POINT mousePos, bool& handled) override;
    void WndProc(TMessage& message) override;

    bool CanBeHot() const;
    void PostDropDown();
    TRect ArrowPartBounds() const;

    void CNDrawItemMsg(TWMDrawItem& message);
    void CNMeasureItem(TWMMeasureItem& message);
    void CNKeyDown(TWMKey& message);
    void WMEraseBkgnd(TMessage& message);
    void CMMouseEnter(TMessage& message);
    void CMMouseLeave(TMessage& message);
    void CMEnabledChanged(TMessage& message);
    void CMFontChanged(TMessage& message);
    void WMCaptureChanged(TMessage& message);
    void WMContextMenu(TWMContextMenu& message);
    void QZMDropDownPopupMenu(TMessage& message);
    void QZMCloseUpPopupMenu(TMessage& message);

private:
    void GlyphChanged(TObject* sender);
    void LookAndFeelChanged(TqzLookAndFeel* sender, TqzLookAndFeelValues values);

    bool FDrawnPressed = false;
    bool FDrawnFocused = false;
    std::unique_ptr<TControlCanvas> FControlCanvas;
    std::unique_ptr<TqzCanvas> FCanvas;
    std::unique_ptr<TqzButtonColors> FColors;
    bool FDropDownRequested = false;
    TPopupMenu* FDropDownMenu = nullptr;
    bool FIsDefault = false;
    bool FMenuClosingClick = false;
    TqzButtonKind FKind = qzbkStandard;
    std::unique_ptr<TqzLookAndFeel> FLookAndFeel;
    TPopupAlignment FPopupAlignment = paLeft;
    TComponent* FPopupMenu = nullptr;
    bool FUseSystemPaint = false;
    std::unique_ptr<TqzButtonGlyph> FGlyph;
    TButtonLayout FLayout = blGlyphLeft;
    Integer FMargin = -1;
    bool FMenuVisible = false;
    bool FMouseInControl = false;
    Integer FSpacing = 4;
};

class TqzButton : public TqzCustomButton {
    KOV_CLASS(TqzButton, TqzCustomButton)
public:
    explicit TqzButton(TComponent* owner) : TqzCustomButton(owner) {}
};
