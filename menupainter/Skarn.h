// The menu painter: a non-visual component a form places once to give its menus and tool bars a
// flat look. It draws nothing by itself; when made active it walks the components its form owns
// and takes over the owner-draw events of menu items and the custom-draw event of tool bars, whose
// drawing lives here too (menu items with a tinted icon column, framed selections, lifted or dimmed
// glyphs; flat tool bar buttons).
//
// One process-wide manager exists while a painter that is not being designed exists: it follows
// the first active painter, hooks the application's window and applies that painter to the forms
// that are waiting to be painted.
//
// Chosen standard controls (by kind, and by the kind of container they sit in) are painted flat
// too: a TControlSubClass puts itself in front of the control's window procedure, passes every
// message on and repaints the control's frame and parts in the painter's colours.
//
// Components and forms whose Tag is 999 are left alone; a control whose Tag is 1000 takes its
// face from its parent's colour.
#pragma once

#include <memory>
#include <vector>

#include "platform/classlib/ComCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/Graphics.h"
#include "platform/classlib/Menus.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/Sets.h"

enum TXPContainer {
    xccForm,
    xccFrame,
    xccToolbar,
    xccCoolbar,
    xccControlbar,
    xccPanel,
    xccScrollBox,
    xccGroupBox,
    xccTabSheet,
    xccPageScroller
};
using TXPContainers = TSet<TXPContainer, xccPageScroller>;

enum TXPControl {
    xcMainMenu,
    xcPopupMenu,
    xcToolbar,
    xcControlbar,
    xcCombo,
    xcListBox,
    xcEdit,
    xcMaskEdit,
    xcMemo,
    xcRichEdit,
    xcMiscEdit,
    xcCheckBox,
    xcRadioButton,
    xcButton,
    xcBitBtn,
    xcSpeedButton,
    xcUpDown,
    xcPanel,
    xcGroupBox,
    xcTreeView,
    xcListView,
    xcProgressBar,
    xcHotKey
};
using TXPControls = TSet<TXPControl, xcHotKey>;

// Every container kind and every control kind (a painter's defaults).
TXPContainers AllXPContainers();
TXPControls AllXPControls();

// The colours every drawing step takes, worked out from the painter's settings.
struct TSkarnPalette {
    TColor MenuFace;
    TColor IconColumn;
    TColor SelectFace;
    TColor SelectBorder;
    TColor SelectText;
    TColor MenuBar;
    TColor DisabledText;
    TColor CheckedFrame;
    TColor Separator;
    TColor CheckedFace;
    TColor PressedFace;
    TColor ShadowFrame;
    TColor Shadow;
};

class TSkarn;
class TControlSubClass;

// ---- Colour and bitmap helpers ------------------------------------------------------------------

// Red and blue less `amount`, green less `amount` - 2; each kept in 0..255 (RGB result).
TColor DarkenColor(TColor color, Integer amount);
// Each channel moved `percent` (at most 100) of the way to 255, rounded.
TColor LightenColor(TColor color, Integer percent);
// The gray of the channels' mean plus `amount`, at most 240.
TColor GrayColor(TColor color, Integer amount);
// The channel-wise mean of the colours (black for none).
TColor AverageColor(const TColor* colors, Integer count);
void GrayBitmap(TBitmap* bitmap, Integer amount);
void DimBitmap(TBitmap* bitmap, Integer percent);
// Every pixel of the bitmap that differs from its bottom-left pixel, set on the canvas in `color`.
void DrawSilhouette(TBitmap* bitmap, TCanvas* canvas, Integer x, Integer y, TColor color);
// `fontColor` on light colours; the colour lightened by 90 on dark ones.
TColor ContrastTextColor(TColor color, TColor fontColor);

// The palette of a painter's settings, on a display of more than 15 bits per pixel or not.
TSkarnPalette ComputeSkarnPalette(const TSkarn& painter, bool highColor);

// ---- The painter ---------------------------------------------------------------------------------

class TSkarn : public TComponent {
    KOV_CLASS(TSkarn, TComponent)
public:
    // The owner must be a form (a scrolling window control).
    explicit TSkarn(TComponent* owner);
    ~TSkarn() override;

    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

    // ---- Properties ----
    bool GetDisableSubclassing() const { return FDisableSubclassing; }
    void SetDisableSubclassing(bool value);
    bool GetActive() const { return FActive; }
    void SetActive(bool value);
    bool GetAutoDetect() const { return FAutoDetect; }
    void SetAutoDetect(bool value) { FAutoDetect = value; }
    TFont* GetFont() const { return FFont.get(); }
    void SetFont(TFont* value);
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    TColor GetIconBackColor() const { return FIconBackColor; }
    void SetIconBackColor(TColor value);
    TColor GetMenuBarColor() const { return FMenuBarColor; }
    void SetMenuBarColor(TColor value);
    TColor GetCheckedColor() const { return FCheckedColor; }
    void SetCheckedColor(TColor value);
    TColor GetSeparatorColor() const { return FSeparatorColor; }
    void SetSeparatorColor(TColor value);
    TColor GetSelectBorderColor() const { return FSelectBorderColor; }
    void SetSelectBorderColor(TColor value);
    TColor GetSelectColor() const { return FSelectColor; }
    void SetSelectColor(TColor value);
    TColor GetDisabledColor() const { return FDisabledColor; }
    void SetDisabledColor(TColor value);
    TColor GetSelectFontColor() const { return FSelectFontColor; }
    void SetSelectFontColor(TColor value);
    Integer GetIconWidth() const { return FIconWidth; }
    void SetIconWidth(Integer value) { FIconWidth = value; }
    bool GetDrawSelect() const { return FDrawSelect; }
    void SetDrawSelect(bool value) { FDrawSelect = value; }
    bool GetUseSystemColors() const { return FUseSystemColors; }
    void SetUseSystemColors(bool value);
    bool GetUseDimColor() const { return FUseDimColor; }
    void SetUseDimColor(bool value);
    bool GetOverrideOwnerDraw() const { return FOverrideOwnerDraw; }
    void SetOverrideOwnerDraw(bool value);
    bool GetGradient() const { return FGradient; }
    void SetGradient(bool value) { FGradient = value; }
    bool GetFlatMenu() const { return FFlatMenu; }
    void SetFlatMenu(bool value) { FFlatMenu = value; }
    bool GetDrawMenuBar() const { return FDrawMenuBar; }
    void SetDrawMenuBar(bool value) { FDrawMenuBar = value; }
    TXPContainers GetXPContainers() const { return FXPContainers; }
    void SetXPContainers(TXPContainers value);
    TXPControls GetXPControls() const { return FXPControls; }
    void SetXPControls(TXPControls value);
    Byte GetGrayLevel() const { return FGrayLevel; }
    void SetGrayLevel(Byte value) { FGrayLevel = value; }
    Byte GetDimLevel() const { return FDimLevel; }
    void SetDimLevel(Byte value) { FDimLevel = value; }

    // The palette, worked out again first when a setting changed.
    const TSkarnPalette& GetPalette();
    bool GetHighColor() const { return FHighColor; }
    // The painter's form.
    TScrollingWinControl* GetForm() const { return FForm; }
    // The same form as a component (the manager's lists hold these).
    TComponent* GetFormComponent() const { return FFormComponent; }

    // ---- Taking over ----
    void ActivateOwnerComponents(TComponent* owner, bool state, bool repaint);
    void ActivateComponent(TComponent* component, bool state, bool repaint);

    // ---- The handlers it puts on menu items and tool bars ----
    void MeasureMenuItem(TObject* sender, TCanvas* canvas, Integer& width, Integer& height);
    void DrawMenuItem(TObject* sender, TCanvas* canvas, TRect rect, bool selected);
    void DrawToolButton(TToolBar* sender, TToolButton* button, TCustomDrawState state, bool& defaultDraw);

    // ---- Drawing steps shared by the handlers ----
    void DrawGlyph(TComponent* component, TCanvas* canvas, bool rightToLeft, bool barItem, bool checked,
                   bool enabled, bool pressed, bool highlighted, const TRect& area, TBitmap* glyph);
    void DrawItemText(TComponent* component, const String& caption, UINT format, TFont* font,
                      bool rightToLeft, bool barItem, bool defaultItem, bool enabled, bool selected,
                      const TRect& area, TCanvas* canvas, const String& shortCut);
    void DrawSelectedBarItem(TComponent* item, TCanvas* canvas, bool rightToLeft, TColor barColor,
                             const TRect& rect);
    void DrawCheck(TMenuItem* item, bool selected, const TRect& checkArea, TCanvas* canvas, bool hasGlyph,
                   bool enabled);

    // ---- Standard controls ----
    // Whether the control is of a kind that XPControls chooses, inside a container that
    // XPContainers chooses (Tags aside).
    bool ChoosesControl(TControl* control) const;
    // This painter's subclass objects, in order.
    std::vector<TControlSubClass*> SubClasses() const;

private:
    friend class TControlSubClass;
    // Gives back every control inside `window` (any window when null) that this painter subclassed.
    void ReleaseSubClasses(TComponent* window);
    void MarkPaletteDirty() { FPaletteDirty = true; }
    void RedrawMenuBar();
    void HookMenuItem(TMenuItem* item, bool state);
    void ActivateMenu(TMenu* menu, bool state, bool mainMenu);
    bool IsMenuItemHandler(const TMenuMeasureItemEvent& e) const;
    bool IsMenuDrawHandler(const TMenuDrawItemEvent& e) const;
    bool IsDesigning() const { return GetComponentState().Contains(csDesigning); }
    void DrawMenuItemNow(TMenuItem* item, TCanvas* canvas, TRect rect, bool selected);
    void RequestShadow(TMenuItem* item, TCanvas* canvas, bool rightToLeft);
    friend void DrawPopupShadow(TSkarn* painter, HWND window, bool rightToLeft);

    TScrollingWinControl* FForm = nullptr;
    TComponent* FFormComponent = nullptr;
    std::unique_ptr<TFont> FFont;
    bool FDisableSubclassing = false;
    bool FActive = false;
    bool FAutoDetect = false;
    TColor FColor = clBtnFace;
    TColor FIconBackColor = clBtnFace;
    TColor FMenuBarColor = clBtnFace;
    TColor FCheckedColor = clHighlight;
    TColor FSeparatorColor = clBtnFace;
    TColor FSelectBorderColor = clHighlight;
    TColor FSelectColor = clHighlight;
    TColor FDisabledColor = clInactiveCaption;
    TColor FSelectFontColor = clMenuText;
    Integer FIconWidth = 24;
    bool FDrawSelect = true;
    bool FUseSystemColors = true;
    bool FUseDimColor = false;
    bool FOverrideOwnerDraw = false;
    bool FGradient = false;
    bool FFlatMenu = false;
    bool FDrawMenuBar = false;
    TXPContainers FXPContainers;
    TXPControls FXPControls;
    Byte FGrayLevel = 10;
    Byte FDimLevel = 30;

    bool FPaletteDirty = true;
    TSkarnPalette FPalette{};
    bool FHighColor = true;
    Integer FFaceLevel16 = 16;
    Integer FFaceLevel40 = 40;
    bool FShadowBusy = false;
    bool FIsWNT = false;
    bool FIsW2k = false;
    bool FIsWXP = false;
};

// The private messages by which the item painter asks the manager for a pop-up menu's shadow: with
// a menu item (48307) or with the pop-up window and the right-to-left flag (48308).
constexpr UINT SKM_SHADOWITEM = 48307;
constexpr UINT SKM_SHADOWWINDOW = 48308;

// Frames the pop-up window flat in the painter's colours (a shadow below and at the right on
// systems before NT 5.1), once: the window is subclassed until it hides, closes or is destroyed.
void DrawPopupShadow(TSkarn* painter, HWND window, bool rightToLeft);

// ---- The manager ----------------------------------------------------------------------------------

class TSkarnManager : public TPersistent {
    KOV_CLASS(TSkarnManager, TPersistent)
public:
    TSkarnManager();
    ~TSkarnManager() override;
    TSkarnManager(const TSkarnManager&) = delete;
    TSkarnManager& operator=(const TSkarnManager&) = delete;

    void RegisterPainter(TSkarn* painter);
    void UnregisterPainter(TSkarn* painter);
    void ComponentNotification(TComponent* component, TOperation operation);
    // Another active painter with subclassing takes over from `leaving` (null: none leaves).
    void HandOver(TSkarn* leaving);
    // Every form of the screen that is not painted, not tagged 999 and has no painter of its own
    // joins the waiting forms.
    void ScanForms();
    // Every control inside the window that the active painter subclassed gets its own window
    // procedure and settings back.
    void UnsubclassInside(TComponent* window);

    TSkarn* GetActivePainter() const { return FActivePainter; }
    const std::vector<TSkarn*>& GetPainters() const { return FPainters; }
    // Forms, compared by address only: a form that is gone is never reached through them.
    const std::vector<TComponent*>& GetWaiting() const { return FWaiting; }
    const std::vector<TComponent*>& GetPainted() const { return FPainted; }

    // The application window's hook: treats the waiting forms. Never consumes the message.
    bool MainWindowHook(TMessage& message);

private:
    void Forget(TComponent* window);
    // The form of the screen at that address; null when it is gone.
    static TCustomForm* LiveForm(TComponent* window);

    std::vector<TSkarn*> FPainters;
    std::vector<TComponent*> FWaiting;
    std::vector<TComponent*> FPainted;
    TSkarn* FActivePainter = nullptr;
    bool FSuspended = false;
    bool FHooked = false;
};

// The manager while a painter that is not being designed exists; null otherwise.
TSkarnManager* SkarnManager();

// ---- Flat painting of standard controls ------------------------------------------------------------

// Sits in front of one control's window procedure on behalf of a painter, which owns it. Every
// message goes to the control's previous procedure first; then, while the painter is active, the
// control is repainted flat when focus, mouse, keys or state change its look. The first message
// after the painter went inactive gives the control back and frees the object.
//
// However it is freed, a live control first gets its previous procedure back (and its saved Ctl3D
// and border style). The object watches its control: when the control is freed, the object goes
// with it. Were another procedure put in front of this one meanwhile, the object cannot leave the
// chain: it then leaves its painter and stays as a plain pass-through (kept for the life of the
// process, as whatever is in front of it may call it as long as the control lives).
class TControlSubClass : public TComponent {
    KOV_CLASS(TControlSubClass, TComponent)
public:
    // Puts itself in front of the control's window procedure (unless a subclass object is there
    // already) and keeps the settings its painting changes.
    TControlSubClass(TSkarn* painter, TControl* control);
    ~TControlSubClass() override;

    // Moves the control to another painter: a copy under `painter` with the same control,
    // previous procedure and saved settings takes this object's place in front of the control,
    // and this one is freed. (An object with another procedure in front of it changes owner
    // instead.)
    void HandTo(TSkarn* painter);

    // The window procedure.
    void ControlSubClass(TMessage& message);
    // Paints the control by its kind.
    void PaintControl();
    // Gives the control back (procedure, and with `restore` its saved settings) and frees the
    // object; see the class comment for a procedure put in front of it.
    void Release(bool restore);
    using TComponent::Release;

    TControl* GetControl() const { return FControl; }
    TSkarn* GetPainter() const { return FPainter; }
    const TWndMethod& GetPreviousWndProc() const { return FOrgWindowProc; }
    bool GetSavedCtl3D() const { return FCtl3D; }
    Byte GetSavedBorderStyle() const { return FBorderStyle; }
    bool GetHot() const { return FIsHot; }
    bool GetRecreated() const { return FMsgRecreate; }
    bool GetMouseDown() const { return FMouseDown; }
    bool GetSpaceDown() const { return FIsKeyDown; }
    UINT GetLastMessage() const { return FLastMsg; }

    // The subclass object of a painter in front of the control, or null.
    static TControlSubClass* Find(TControl* control);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TControlSubClass(TSkarn* painter, TControlSubClass* source);
    bool OnTop() const;
    void TakeSettings();
    void RestoreSettings();
    bool IsGraphic() const;
    bool PaintsGraphic() const;
    void Repaint(bool invalidateOnly);

    TControl* FControl = nullptr;
    bool FMsgRecreate = false;
    bool FIsHot = false;
    bool FIsKeyDown = false;
    bool FKeyHandled = false;
    bool FIsFocused = false;
    TWndMethod FOrgWindowProc;
    TSkarn* FPainter = nullptr;
    bool FCtl3D = true;
    Byte FBorderStyle = 0;
    bool FMouseDown = false;
    UINT FLastMsg = 0;
};
