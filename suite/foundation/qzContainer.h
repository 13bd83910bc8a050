// Containers: the view info a container computes and paints from (border, shadow, background),
// and the unit's small helpers the container, its popups and the editors share: border widths,
// the shadow, window regions, frame fills and invalidation, window-ownership tests, text
// comparison and scroll-bar information.
#pragma once

#include <memory>
#include <string>

#include <vector>

#include "platform/classlib/Controls.h"
#include "platform/classlib/Graphics.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Sets.h"
#include "platform/winapi/WinScroll.h"
#include "suite/foundation/qzControls.h"
#include "suite/foundation/qzGraphics.h"
#include "suite/foundation/qzLookAndFeels.h"
#include "suite/foundation/qzScrollBar.h"
#include "suite/foundation/ybThemeManager.h"

enum TqzContainerBorderStyle : Byte {
    cbsNone,
    cbsSingle,
    cbsThick,
    cbsFlat,
    cbs3D,
    cbsUltraFlat,
    cbsOffice11
};

// The sides of a container that carry its border (bits 1 left, 2 top, 4 right, 8 bottom).
enum TqzBorder { bLeft, bTop, bRight, bBottom };
using TqzBorders = TSet<TqzBorder, bBottom>;

// Bits of a container's state.
constexpr Integer qzcsNormal = 1;
constexpr Integer qzcsFocused = 2;
constexpr Integer qzcsDisabled = 4;
constexpr Integer qzcsHot = 8;

// Hot tracking of a container.
constexpr Integer qzhsNone = 0;
constexpr Integer qzhsNormal = 1;
constexpr Integer qzhsHighlighted = 2;

// What a container computed for painting; it paints itself from these. The editors' view infos
// derive from it.
class TqzContainerViewInfo : public TObject {
    KOV_CLASS(TqzContainerViewInfo, TObject)
public:
    TqzContainerViewInfo();

    TColor BackgroundColor = clWindow;
    TColor BorderColor = clWindowFrame;
    // The area inside the border.
    TRect BorderRect;
    TqzContainerBorderStyle BorderStyle = cbsNone;
    Integer BorderWidth = 0;
    // The whole control: 0, 0, Width, Height.
    TRect Bounds;
    // Where the inner control or the content goes.
    TRect ClientRect;
    Integer ContainerState = qzcsNormal;
    TqzBorders Edges;
    Integer HotState = qzhsNone;
    bool NativeStyle = false;
    bool Shadow = false;
    Integer ThemePart = 0;
    Integer ThemeState = 0;
    TybThemeType ThemedObjectType = ttEdit;

    // The border in rect (the border rectangle grown by the border width) by the stored style.
    virtual void DrawBorder(TqzCanvas* canvas, const TRect& rect);
    virtual TqzContainerBorderStyle GetBorderStyle();
    // Shadow, border and background.
    virtual void PaintBackground(TqzCanvas* canvas);
    virtual void SetBackgroundColor(TColor value);
    // The client rectangle of another view info (nullptr is ignored).
    virtual void CopyFrom(TqzContainerViewInfo* source);
    // What to repaint going from oldInfo to this one; the caller owns it. Empty here.
    virtual std::unique_ptr<TqzRegion> GetChangedRegion(TqzContainerViewInfo* oldInfo);
    // Offsets the border rectangle, the bounds and the client rectangle.
    virtual void MoveBy(Integer dx, Integer dy);
    virtual void Draw(TqzCanvas* canvas);
};

// ---- Helpers ---------------------------------------------------------------------------------

// The pixels of a border style's line.
Integer GetContainerBorderWidth(TqzContainerBorderStyle style);
// Left 1, right 2, middle 3 (0 for anything else).
Integer GetMouseButtonCode(TMouseButton button);
// A 3-pixel shadow below and right of rect, starting 3 pixels in from its left and top; the
// strips below and right of rect are excluded from the clip area so that later painting keeps it.
void DrawContainerShadow(TqzCanvas* canvas, const TRect& rect);
// 0, 0, Width, Height.
TRect GetControlSizeRect(TControl* control);
// The control has a window and it is this window (no window is created to answer).
bool IsControlWindow(TWinControl* control, HWND window);
// Moves each side that is not among edges inward by width.
void ShrinkSidesWithoutEdges(TRect& rect, Integer width, TqzBorders edges);
// Locale comparison; without case sensitivity both texts are upper-cased with the locale first.
bool TextsEqual(const String& a, const String& b, bool caseSensitive);
// The cursor in screen coordinates.
TPoint QueryCursorPos();
// The keys and mouse buttons held now.
TShiftState GetCurrentShiftState();
// The four strips between outer and inner (left and right ones full height, top and bottom ones
// between them); the whole outer rectangle when inner is empty.
void InvalidateFrameBetween(HWND window, const TRect& outer, const TRect& inner, bool erase);
// The same strips filled with the colour; nothing when outer is empty or equals inner.
void FillFrameBetween(TqzCanvas* canvas, const TRect& outer, const TRect& inner, TColor color);
// Invalidates when the control has a window.
void InvalidateControlRect(TWinControl* control, const TRect& rect, bool erase);
bool IsControlWindowVisible(TWinControl* control);
// The window descends from the control's window.
bool IsWindowChildOfControl(TWinControl* control, HWND window);
// The window descends from the control's window or belongs to its popup tree; false for no
// control or window and for the control's own window.
bool IsWindowOwnedByControl(TWinControl* control, HWND window);
// The window is one of the control's windowed descendants or lies inside one of them.
bool IsWindowInPopupTree(TWinControl* control, HWND window);
// The window is the control's form window, is owned by the form, or, for a form embedded in a
// foreign window, lies in the tree of that foreign top ancestor.
bool IsWindowInControlForm(TControl* control, HWND window);
// nullptr with noRegion; else rect, with shadow united with rect offset by (3, 3), less
// excluded when that is not empty. The caller owns the region.
HRGN BuildWindowRegion(const TRect& rect, bool noRegion, const TRect& excluded, bool shadow);
// Gives the window that region, only when it differs from the one it has.
void ApplyWindowRegion(HWND window, const TRect& rect, bool noRegion, const TRect& excluded, bool shadow);
// whole: no region; else rect. Only a control that has a window.
void SetControlWindowRegion(TWinControl* control, bool whole, const TRect& rect);
// Fills info (its size set to 60) through the GetScrollBarInfo bound by name; false when that
// is missing or fails.
bool QueryScrollBarInfo(HWND window, LONG objectId, SCROLLBARINFO& info);
bool IsScrollBarInfoAvailable();
// The flag is on and a theme of the type opens.
bool IsNativeStyleUsable(bool nativeStyle, TybThemeType themeType);
// The unit's canvas on the screen, made on first use.
TqzScreenCanvas* GetScreenCanvas();
void AssignFont(TFont* dest, TFont* source);
HWND AsNativeWindowHandle(HWND window);

// The unit's end: frees the screen canvas and forgets the bound GetScrollBarInfo.
void ContainerUnitFinalize();

// ---- Container styles --------------------------------------------------------------------------

class TqzContainer;
class TqzContainerStyle;
class TqzContainerStyles;
class TqzStyleController;

// Index of a style value: 0 BorderColor, 1 BorderStyle, 2 Color, 3 Edges, 4 Font, 5 HotTrack,
// 6 Shadow, 7 TextColor, 8 TextStyle, 9 TransparentBorder; derived styles add from 10 on.
using TqzContainerStyleValue = Byte;
using TqzContainerStyleValues = TSet<TqzContainerStyleValue, 31>;

constexpr TqzContainerStyleValue svBorderColor = 0;
constexpr TqzContainerStyleValue svBorderStyle = 1;
constexpr TqzContainerStyleValue svColor = 2;
constexpr TqzContainerStyleValue svEdges = 3;
constexpr TqzContainerStyleValue svFont = 4;
constexpr TqzContainerStyleValue svHotTrack = 5;
constexpr TqzContainerStyleValue svShadow = 6;
constexpr TqzContainerStyleValue svTextColor = 7;
constexpr TqzContainerStyleValue svTextStyle = 8;
constexpr TqzContainerStyleValue svTransparentBorder = 9;

// The state a style stands for.
constexpr Integer csNormal = 0;
constexpr Integer csFocused = 1;
constexpr Integer csDisabled = 2;
constexpr Integer csHot = 3;

// Class references: the factories a holder, a container and a controller create from.
using TqzContainerStyleClass = TqzContainerStyle* (*)(TPersistent* owner, Integer state,
                                                      TqzContainerStyle* normalStyle, bool directAccess);
using TqzContainerStylesClass = TqzContainerStyles* (*)(TPersistent* owner, TqzContainerStyleClass styleClass);
using TqzContainerViewInfoClass = TqzContainerViewInfo* (*)();
using TqzContainerStyleChangedEvent = TClosure<void(TqzContainerStyle* sender)>;

// One state's look of a container. A value is assigned here, inherited from the same-state style
// of the style controller (the default controller while none is set), or a default. Edges, Font,
// HotTrack, Shadow, TransparentBorder and LookAndFeel exist only in the normal style; the other
// states read and write them there.
class TqzContainerStyle : public TPersistent {
    KOV_CLASS(TqzContainerStyle, TPersistent)
public:
    // A direct-access style only carries the values handed to it: it never notifies and
    // borrows the font it is given.
    TqzContainerStyle(TPersistent* owner, Integer state, TqzContainerStyle* normalStyle, bool directAccess);
    ~TqzContainerStyle() override;
    TqzContainerStyle(const TqzContainerStyle&) = delete;
    TqzContainerStyle& operator=(const TqzContainerStyle&) = delete;
    static TqzContainerStyle* CreateInstance(TPersistent* owner, Integer state, TqzContainerStyle* normalStyle,
                                             bool directAccess);

    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() const override { return FOwner; }

    // ---- Introduced virtuals, in slot order ----
    virtual void Changed();
    virtual void ControllerChanged();
    virtual void ControllerRemoved(TqzStyleController* controller);
    virtual TColor DefaultBorderColor();
    virtual TqzContainerBorderStyle DefaultBorderStyle();
    virtual TColor DefaultColor();
    virtual TqzBorders DefaultEdges();
    virtual bool DefaultHotTrack();
    virtual bool DefaultShadow();
    virtual TColor DefaultTextColor();
    virtual TFontStyles DefaultTextStyle();
    virtual bool DefaultTransparentBorder();
    virtual void HandleFontChange(TObject* sender);
    virtual TColor GetColor();
    virtual TqzStyleController* GetDefaultController();
    virtual TColor GetColorForControl();
    virtual TColor GetTextColor();
    virtual TFontStyles GetTextStyle();
    virtual TqzContainerStyleValues GetBaseOnlyValues();
    virtual Integer GetValueCount();
    virtual bool GetValueName(TqzContainerStyleValue index, String& name);
    virtual bool SupportsBorder();
    virtual bool IsValueAssigned(TqzContainerStyleValue index);
    virtual void RestoreDefaults();

    void BeginUpdate();
    void EndUpdate();
    bool IsBaseStyle() const { return FNormalStyle == nullptr; }
    TqzContainerStyle* GetBaseStyle() { return FNormalStyle ? FNormalStyle : this; }
    TqzContainer* GetOwnerContainer() const;
    // The normal style's controller slot, the default controller included.
    TqzStyleController* GetEffectiveController();
    // The font as shown: Font with the effective text colour and style. Owned by the style.
    TFont* GetEffectiveFont();
    // The index of a value name; false when the style has no such value.
    bool FindValueIndex(const String& name, TqzContainerStyleValue& index);
    // The value may be stored by a state style (never LookAndFeel, StyleController or a
    // normal-only value).
    bool IsValueStoredForState(const String& name);
    bool IsDirectAccess() const { return FDirectAccess; }
    // A normal style without its own font takes the controller chain's (or a fresh one).
    void RefreshFontFromController();
    bool IsDestroying() const { return FDestroying; }
    Integer GetState() const { return FState; }
    void SetChangeHandler(TqzContainerStyleChangedEvent handler) { FOnChanged = handler; }

    // Published.
    TqzContainerStyleValues GetAssignedValues();
    void SetAssignedValues(TqzContainerStyleValues value);
    TColor GetBorderColor();
    void SetBorderColor(TColor value);
    TqzContainerBorderStyle GetBorderStyle();
    void SetBorderStyle(TqzContainerBorderStyle value);
    void SetColor(TColor value);
    TqzBorders GetEdges();
    void SetEdges(TqzBorders value);
    TFont* GetFont();
    void SetFont(TFont* value);
    bool GetHotTrack();
    void SetHotTrack(bool value);
    TqzLookAndFeel* GetLookAndFeel();
    void SetLookAndFeel(TqzLookAndFeel* value);
    bool GetShadow();
    void SetShadow(bool value);
    TqzStyleController* GetStyleController();
    void SetStyleController(TqzStyleController* value);
    void SetTextColor(TColor value);
    void SetTextStyle(TFontStyles value);
    bool GetTransparentBorder();
    void SetTransparentBorder(bool value);

    bool IsBorderColorStored() { return IsStored(svBorderColor); }
    bool IsBorderStyleStored() { return IsStored(svBorderStyle); }
    bool IsColorStored() { return IsStored(svColor); }
    bool IsEdgesStored() { return IsStored(svEdges); }
    bool IsFontStored() { return IsStored(svFont); }
    bool IsHotTrackStored() { return IsStored(svHotTrack); }
    bool IsShadowStored() { return IsStored(svShadow); }
    bool IsTextColorStored() { return IsStored(svTextColor); }
    bool IsTextStyleStored() { return IsStored(svTextStyle); }
    bool IsTransparentBorderStored() { return IsStored(svTransparentBorder); }
    bool IsLookAndFeelStored();
    bool IsStyleControllerStored();

protected:
    friend class TqzContainer;
    void CreateOwnFont();
    void RestoreFont();
    void UpdateShownFont();
    bool IsFontChangeFromInside() const { return FFontLock > 0; }
    void NotifyChanged();
    void HandleLookAndFeelChange(TqzLookAndFeel* sender, TqzLookAndFeelValues changed);
    bool IsStored(TqzContainerStyleValue index);
    // The same-state style of the first controller in the chain that has the value assigned.
    TqzContainerStyle* FindAssigningStyle(TqzContainerStyleValue index);
    bool OwnAssigned(TqzContainerStyleValue index) const { return FAssignedValues.Contains(index); }
    void AssignValue(TqzContainerStyleValue index) { FAssignedValues.Include(index); }

    TColor FBorderColor = clWindowFrame;
    TqzContainerBorderStyle FBorderStyle = cbs3D;
    TqzBorders FEdges{bLeft, bTop, bRight, bBottom};
    bool FHotTrack = true;
    bool FShadow = false;
    bool FTransparentBorder = true;
    bool FDirectAccess = false;
    Integer FFontLock = 0;
    bool FDestroying = false;
    std::unique_ptr<TqzLookAndFeel> FLookAndFeel;
    bool FModified = false;
    TPersistent* FOwner = nullptr;
    TqzContainerStyle* FNormalStyle = nullptr;
    Integer FState = csNormal;
    TFontStyles FTextStyle;
    Integer FUpdateCount = 0;
    std::unique_ptr<TFont> FShownFont;
    TqzContainerStyleChangedEvent FOnChanged;
    TqzContainerStyleValues FAssignedValues;
    TqzStyleController* FStyleController = nullptr;
    TColor FColor = clWindow;
    TFont* FFont = nullptr;
    bool FOwnsFont = false;
    TColor FTextColor = clWindowText;
};

// The four state styles of a container or controller.
class TqzContainerStyles : public TObject {
    KOV_CLASS(TqzContainerStyles, TObject)
public:
    TqzContainerStyles(TPersistent* owner, TqzContainerStyleClass styleClass);
    ~TqzContainerStyles() override;
    TqzContainerStyles(const TqzContainerStyles&) = delete;
    TqzContainerStyles& operator=(const TqzContainerStyles&) = delete;
    static TqzContainerStyles* CreateInstance(TPersistent* owner, TqzContainerStyleClass styleClass);

    TqzContainerStyle* GetStyleByState(Integer state) const { return FStyles[state & 3]; }
    TqzContainerStyle* NormalStyle() const { return FStyles[csNormal]; }
    TqzContainerStyle* FocusedStyle() const { return FStyles[csFocused]; }
    TqzContainerStyle* DisabledStyle() const { return FStyles[csDisabled]; }
    TqzContainerStyle* HotStyle() const { return FStyles[csHot]; }
    void AssignStyleByState(Integer state, TqzContainerStyle* value) { GetStyleByState(state)->Assign(value); }
    void AssignNormalStyle(TqzContainerStyle* value) { AssignStyleByState(csNormal, value); }
    void AssignFocusedStyle(TqzContainerStyle* value) { AssignStyleByState(csFocused, value); }
    void AssignDisabledStyle(TqzContainerStyle* value) { AssignStyleByState(csDisabled, value); }
    void AssignHotStyle(TqzContainerStyle* value) { AssignStyleByState(csHot, value); }
    void SetChangeHandler(TqzContainerStyleChangedEvent handler);

private:
    TqzContainerStyle* FStyles[4] = {};
};

// A shared set of four styles: the styles that name it as their controller (its listeners)
// take every value they do not assign themselves from its style of the same state.
class TqzStyleController : public TComponent {
    KOV_CLASS(TqzStyleController, TComponent)
public:
    explicit TqzStyleController(TComponent* owner);
    ~TqzStyleController() override;
    void Loaded() override;

    // ---- Introduced virtuals, in slot order ----
    virtual void AddStyleListener(TqzContainerStyle* style);
    virtual TqzContainerStyleClass GetStyleClass();
    virtual TqzContainerStylesClass GetStylesClass();
    virtual void RemoveStyleListener(TqzContainerStyle* style);

    void NotifyStylesChanged();
    // Scales the font of the normal style that assigns it, once per controller.
    void ScaleFont(Integer numerator, Integer denominator);
    TqzContainerStyle* NormalStyle() const { return FStyles->NormalStyle(); }
    TqzContainerStyle* StyleByState(Integer state) const { return FStyles->GetStyleByState(state); }
    TqzContainerStyles* GetStyles() const { return FStyles.get(); }
    bool IsDestroying() const { return FDestroying; }
    const std::vector<TqzContainerStyle*>& GetListeners() const { return FListeners; }

    TNotifyEvent OnStylesModified;

protected:
    // For a derived controller with its own style classes: its constructor passes true and
    // calls CreateStyles last.
    TqzStyleController(TComponent* owner, bool deferStyles);
    void CreateStyles();

private:
    void HandleStylesChange(TqzContainerStyle* sender);

    std::vector<TqzContainerStyle*> FListeners;
    std::unique_ptr<TqzContainerStyles> FStyles;
    bool FDestroying = false;
    bool FFontScaled = false;
};

// The default style controller: empty until the editor framework stores its own there.
TqzStyleController* GetDefaultStyleController();
void SetDefaultStyleController(TqzStyleController* controller);

// The container stores this value of a style (state style: isStateStyle).
bool ContainerStoresStyleValue(TqzContainer* container, const String& name, bool isStateStyle);

// ---- Container ---------------------------------------------------------------------------------

// A control hosted in a container tells which control it is and its container.
class IqzContainerInnerControl : public virtual IInterface {
public:
    virtual TWinControl* GetControl() = 0;
    virtual TqzContainer* GetControlContainer() = 0;
};

// The control that receives a container's input.
class IqzActiveControlSource : public virtual IInterface {
public:
    virtual TWinControl* GetActiveControl() = 0;
};

// Messages of the container.
constexpr UINT QZM_UPDATEINNERSCROLLBARS = 0x8068;
// The inner control's key notifications to its container, in the suite's own range: a key-down
// that the application loop announces to the inner control (CN_KEYDOWN, CN_SYSKEYDOWN) before it
// translates and dispatches it is offered to the container as QZM_INNERKEYDOWN or
// QZM_INNERSYSKEYDOWN.
constexpr UINT QZM_INNERKEYDOWN = 0x8070;
constexpr UINT QZM_INNERKEYUP = 0x8071;
constexpr UINT QZM_INNERCHAR = 0x8072;
constexpr UINT QZM_INNERSYSKEYDOWN = 0x8074;

class TqzContainer;
// Offers the application loop's key-down notification (CN_KEYDOWN, CN_SYSKEYDOWN) of an inner
// control to its container's InnerWindowProc as the inner key-down. True when the container's
// key handling took the key: the notification is then answered 1, and the loop neither
// translates nor dispatches the key.
bool OfferInnerKeyDown(TqzContainer* container, TMessage& notification);
// Translates the key-down of such a taken notification for the window, so that the key's
// character follows as after any handled key-down.
void TranslateTakenKeyDown(HWND window, const TMessage& notification);

// A styled control that hosts at most one inner window control and draws everything around it:
// border, shadow, background. Its look comes from four state styles, laid out into a view info
// whenever the mouse, focus, enabled state, size or style changes. The pair of windows behaves
// as one control for focus, Tab, keys, mouse, cursor, dragging and context menus.
class TqzContainer : public TqzControl, public IqzMouseTrackingCaller, public IqzActiveControlSource {
    KOV_CLASS(TqzContainer, TqzControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TqzContainer(TComponent* owner);
    ~TqzContainer() override;

    // IInterface (not counted: the component's owner frees it).
    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }
    // IqzMouseTrackingCaller
    void MouseLeave() override { MouseTrackingLeave(); }
    // IqzActiveControlSource: the inner control, else the container.
    TWinControl* GetActiveControl() override;

    // ---- Introduced virtuals, in slot order ----
    virtual bool HasFocusWithin();
    virtual void ApplyStyleToInnerControl();
    virtual void CalculateViewInfo(const TPoint& point, bool hotTrackAllowed);
    virtual bool CanShowContextPopupAt(const TPoint& point) { return true; }
    virtual void StyleChanged(TqzContainerStyle* sender);
    virtual void Reserved96() {}
    virtual void Reserved97() {}
    virtual bool DefaultsToParentColor() { return false; }
    virtual void MouseTrackingLeave();
    virtual TRect GetBorderExtent();
    virtual void CalculateInnerControlRegion(bool& whole, TRect& rect);
    virtual TRect GetRegionRect();
    virtual TqzContainerStyleClass GetStyleClass();
    virtual TqzContainerStylesClass GetStylesClass();
    virtual TqzContainerViewInfoClass GetViewInfoClass();
    virtual bool HasShadow();
    virtual TqzContainerStyle* SelectStateStyle();
    virtual TqzContainerStyleValues GetHiddenStyleValues() { return {}; }
    virtual bool HasOwnTabOrder() { return false; }
    virtual bool IsTransparent() { return false; }
    virtual bool UpdateViewState(const TPoint& point, Integer button, TShiftState shift, bool flag);
    virtual void AdjustInnerControlBounds();
    virtual void SetPaintRegion();
    virtual bool SkipsTabHandling() { return false; }
    virtual void Reserved115() {}
    virtual void PlaceInnerScrollBar(TqzScrollBar* bar, TScrollBarKind kind);
    virtual TybThemeType GetThemeType() { return ttEdit; }
    virtual Integer GetThemePart() { return 1; }
    virtual Integer GetThemeState();
    virtual TRect GetScrollBarClientRect();
    virtual bool IsScrollBarEnabled(TScrollBarKind kind);
    virtual bool GetInnerScrollBarInfo(TScrollBarKind kind, SCROLLBARINFO& info);
    virtual bool IsScrollBarInfoVisible(const SCROLLBARINFO& info);
    virtual bool IsNativeStyle();
    virtual void FocusInnerControl();
    virtual void SetDragKind(TDragKind value);
    virtual void SetInnerScrollBarVisible(TqzScrollBar* bar, bool visible);
    virtual void ResetInnerControlRegion();
    virtual TRect GetHotZoneRect();
    virtual bool HasOpenPopup() { return false; }
    virtual bool InnerDefaultHandler(TMessage& message) { return false; }
    virtual bool InnerWindowProc(TMessage& message);
    virtual bool IsInplace() { return false; }
    virtual void UpdateInnerScrollBars(bool rangesOnly = false);
    virtual void HandleEnabledChange();

    // Overridden control behaviour.
    // While the inner control is the form's active control it stands in the container's place
    // in tab order, so Shift+Tab from it leaves the container.
    using TqzControl::GetTabOrderList;
    void GetTabOrderList(std::vector<TWinControl*>& list) const override;
    // Clips the inner window to the client area: its window region is the part inside it.
    void AlignControls(TControl* control, RECT& rect) override;
    // The container's focus query: its window or its inner control has the focus; never while
    // designing or while its window is being destroyed.
    bool HasFocus() const;
    bool Focused() const override { return HasFocus(); }
    void SetFocus() override;
    bool CanFocusOnClick() override;
    bool IsFocusableKind() override;
    void HandleKeyDown(Word& key, TShiftState shift) override;
    void HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void HandleMouseMove(TShiftState shift, Integer x, Integer y) override;
    void HandleMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void HandleMouseEnter(TControl* control) override;
    void HandleMouseLeave(TControl* control) override;
    void HandleContextPopup(POINT mousePos, bool& handled) override;
    void HandleCursorChange() override;
    void HandleColorChange() override;
    void HandleFocusChange() override;
    void HandleWindowMessage(TMessage& message) override;
    TRect GetClientBounds() override;
    bool HasScrollBars() const override { return FHasOwnScrollBars; }
    bool CanDragInDesigner(Integer x, Integer y) override { return false; }
    TDragImageList* GetDragImages() override;
    void SetDragMode(TDragMode value) override;
    void DragCanceled() override;
    void AdjustClientRect(RECT& rect) override;
    void ChangeScale(Integer m, Integer d) override;

    TWinControl* GetInnerControl() const { return FInnerControl; }
    TqzContainerStyles* GetStyles() const { return FStyles.get(); }
    TqzContainerStyle* GetStyle() const { return FStyles->NormalStyle(); }
    TqzContainerStyle* GetStyleFocused() const { return FStyles->FocusedStyle(); }
    TqzContainerStyle* GetStyleDisabled() const { return FStyles->DisabledStyle(); }
    TqzContainerStyle* GetStyleHot() const { return FStyles->HotStyle(); }
    void SetStyle(TqzContainerStyle* value) { FStyles->AssignNormalStyle(value); }
    TqzContainerStyle* GetActiveStyle();
    TqzContainerViewInfo* GetViewInfo() const { return FViewInfo.get(); }
    bool IsDestroyingContainer() const { return FDestroying; }
    bool IsForwardingInnerPress() const { return FForwardingInnerPress; }
    void SetForwardingInnerPress(bool value) { FForwardingInnerPress = value; }
    Integer GetAlignLock() const { return FAlignLock; }
    void SetAlignLock(bool lock);
    Integer GetContextPopupLock() const { return FContextPopupLock; }
    void SetContextPopupLock(Integer value) { FContextPopupLock = value; }
    void RecalculateAtCursor(bool flag = false);
    // The inner region the container last computed (whole: no region).
    bool IsInnerRegionWhole() const { return FInnerRegionWhole; }
    const TRect& GetInnerRegionRect() const { return FInnerRegionRect; }
    // Own scroll bars laid over the inner control's native ones.
    void SetHasOwnScrollBars(bool value) { FHasOwnScrollBars = value; }
    // What the inner control passes on: its click, double click and drags.
    void InnerClick() { Click(); }
    void InnerDblClick() { DblClick(); }
    void InnerDragOver(TObject* source, Integer x, Integer y, TDragState state, bool& accept) {
        DragOver(source, x, y, state, accept);
    }
    void InnerDragDrop(TObject* source, Integer x, Integer y) { DragDrop(source, x, y); }

protected:
    // For derived containers that answer their own style, styles or view-info classes: their
    // constructor passes true and calls InitializeContainer last.
    TqzContainer(TComponent* owner, bool deferInitialization);
    void InitializeContainer();
    // Sets the hosted control (derived classes).
    void SetInnerControl(TWinControl* value);
    bool IsInternalChange() const { return FInternalChange; }
    bool IsConstructing() const { return FConstructing; }

    void CreateParams(TCreateParams& params) override;
    void CreateWindowHandle(const TCreateParams& params) override;
    void CreateHandle() override;
    void Paint() override;
    void Notification(TComponent* component, TOperation operation) override;
    void Loaded() override;

    void UpdateWindowRegion();

    void WMKillFocus(TMessage& message);
    void WMNCPaint(TMessage& message);
    void WMSetCursor(TMessage& message);
    void WMSetFocus(TMessage& message);
    void WMWindowPosChanged(TMessage& message);
    void WMWindowPosChanging(TMessage& message);
    void CMRecalculate(TMessage& message);
    void CMEnabledChanged(TMessage& message);
    void CMFontChanged(TMessage& message);
    void CMParentColorChanged(TMessage& message);
    void CMParentFontChanged(TMessage& message);
    void QZMUpdateInnerScrollBars(TMessage& message);

    TWinControl* FInnerControl = nullptr;
    std::unique_ptr<TqzContainerStyles> FStyles;
    std::unique_ptr<TqzContainerViewInfo> FViewInfo;
    TqzContainerStyle* FActiveStyle = nullptr;
    Integer FActiveStyleState = qzcsNormal;
    bool FInnerRegionWhole = true;
    TRect FInnerRegionRect{};
    bool FForwardingInnerPress = false;
    bool FDestroying = false;
    bool FSettingInnerBounds = false;
    bool FRecalculating = false;
    bool FUpdatingInnerScrollBars = false;
    bool FInternalChange = false;
    bool FConstructing = false;
    bool FHasOwnScrollBars = false;
    Integer FAlignLock = 0;
    Integer FContextPopupLock = 0;
};

// Posts the inner scroll-bar update to a container that has a window and an inner control.
void PostInnerScrollBarsUpdate(TqzContainer* container);
void SetContainerAlignLock(TqzContainer* container, bool lock);
bool IsContainerDestroying(TComponent* component);
void RecalculateAtCursor(TqzContainer* container, bool flag = false);
// The control itself when it is a container, else the container its inner control reports.
TqzContainer* ContainerFromControl(TControl* control);

// ---- Styled popup window -----------------------------------------------------------------------

class TqzCustomPopupWindow;

// Messages of the popup window: a close request, and a show request (ShowPopup with the
// remembered focus control).
constexpr UINT QZM_POPUPCLOSEREQUEST = 0x8065;
constexpr UINT QZM_SHOWPOPUP = 0x8066;

// The suite's drop-down window: a form owned by a control, placed against the owner's bounds,
// painted by a view info, with a style of its own. Open popups are listed in opening order; the
// unit's hooks close them when the user clicks outside, when their owners go, move or hide,
// and when the application is left.
class TqzCustomPopupWindow : public TqzPopupWindow {
    KOV_CLASS(TqzCustomPopupWindow, TqzPopupWindow)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TqzCustomPopupWindow(TControl* ownerControl);
    ~TqzCustomPopupWindow() override;

    // ---- Introduced virtuals, in slot order ----
    virtual bool LimitsToWorkArea() { return false; }
    virtual void NotifyClosed();
    virtual void NotifyClosing();
    virtual void NotifyShown();
    virtual bool ErasesBackground() { return false; }
    virtual void CloseByModalResult() { ClosePopup(); }
    virtual void HandleStyleChange(TqzContainerStyle* sender) {}
    virtual bool IsPopupNavigationKey(Word key);
    virtual void ClampToWorkArea(TPoint& position);
    virtual TqzContainerStyleClass GetStyleClass();
    virtual TqzContainerViewInfoClass GetViewInfoClass();
    virtual void ShowPopup(TWinControl* focusControl);
    virtual void HandlePopupMouseEnter(TControl* control) {}
    virtual void HandlePopupMouseLeave(TControl* control) {}

    void TakeOwnerFont() override {}
    void ClosePopup() override;
    bool CanFocus() const override { return GetVisible(); }
    void AdjustClientRect(RECT& rect) override;

    bool IsFocused();
    bool IsOpen() const;
    bool GetTakesFocus() const { return FTakesFocus; }
    void SetTakesFocus(bool value);
    bool GetTopMostWithOwner() const { return FTopMostWithOwner; }
    void SetTopMostWithOwner(bool value);
    bool GetModal() const { return FModal; }
    void SetModal(bool value) { FModal = value; }
    bool IsClosingByRequest() const { return FClosingByRequest; }
    void SetClosingByRequest(bool value) { FClosingByRequest = value; }
    TControl* GetOwnerControl() const { return FOwnerControl; }
    TWinControl* GetFocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* value) { FFocusControl = value; }
    TqzContainerStyle* GetStyle() const { return FStyle.get(); }
    TqzContainerViewInfo* GetViewInfo() const { return FViewInfo.get(); }

    TNotifyEvent OnBeforeShow;
    TNotifyEvent OnAfterShow;
    TNotifyEvent OnBeforeClose;
    TNotifyEvent OnAfterClose;

protected:
    // For popups with their own style or view-info classes: their constructor passes true and
    // calls InitializePopup last.
    TqzCustomPopupWindow(TControl* ownerControl, bool deferInitialization);
    void InitializePopup();

    void CreateParams(TCreateParams& params) override;
    // The popup's own part of the window's creation parameters (owner, style, topmost).
    void AdjustCreateParams(TCreateParams& params);
    void CreateHandle() override;
    void Deactivate() override;
    void Paint() override;
    void KeyDown(Word& key, TShiftState shift) override;
    void WndProc(TMessage& message) override;
    void HandleDeactivate();

    void WMEraseBkgnd(TMessage& message);
    void CMMouseEnter(TMessage& message);
    void CMMouseLeave(TMessage& message);
    void QZMPopupCloseRequest(TMessage& message);
    void QZMShowPopup(TMessage& message);

private:
    void RunModalLoop();
    void Recreate();

    bool FTakesFocus = true;
    TWinControl* FFocusControl = nullptr;
    bool FClosingByRequest = false;
    bool FTopMostWithOwner = false;
    bool FModal = true;
    [[maybe_unused]] bool FCreatingHandle = false;
    TControl* FOwnerControl = nullptr;
    std::unique_ptr<TqzContainerStyle> FStyle;
    std::unique_ptr<TqzContainerViewInfo> FViewInfo;
};

// The popup is open (in the list of open popups).
bool IsOpenPopupWindow(TCustomForm* form);
// The open popups, oldest first.
const std::vector<TqzCustomPopupWindow*>& GetOpenPopupWindows();
void PostPopupCloseRequest(TqzCustomPopupWindow* popup);
// Closes the open popups a press on the window at the point leaves; false when the press is to
// be discarded (it closed its owner's popup and so hid or destroyed the owner).
bool CloseOnOutsideClick(HWND window, UINT message, const TPoint& point);
// The popup hooks of the user-interface thread (installed with the first popup).
void InstallPopupHooks();
void RemovePopupHooks();

// ---- Inner list box ----------------------------------------------------------------------------

// The platform list box adapted for the suite: the suite's scroll bars laid over its native
// ones, incremental search by typed text (counted in characters), selected items in the
// highlight colours, and, hosted by a container, its input passed to the container.
class TqzCustomInnerListBox : public TListBox, public IqzContainerInnerControl {
    KOV_CLASS(TqzCustomInnerListBox, TListBox)
public:
    explicit TqzCustomInnerListBox(TComponent* owner);
    ~TqzCustomInnerListBox() override;

    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }
    // IqzContainerInnerControl
    TWinControl* GetControl() override { return this; }
    TqzContainer* GetControlContainer() override { return FContainer; }
    // A hosted list shows its container's popup menu; drops on it are its container's.
    TComponent* GetPopupMenu() const override;
    void DragDrop(TObject* source, Integer x, Integer y) override;

    // ---- Introduced virtuals, in slot order ----
    virtual void IncrementalSearchKey(char32_t& key);
    virtual void HandleLookAndFeelChange(TqzLookAndFeel* sender, TqzLookAndFeelValues changed);
    virtual bool UsesDefaultItemDrawing() { return !OnDrawItem; }
    virtual void UpdateOverlayScrollBars();
    virtual void HandleListMouseEnter() {}
    virtual void HandleListMouseLeave();

    Cardinal GetAutoCompleteDelay() const { return FAutoCompleteDelay; }
    void SetAutoCompleteDelay(Cardinal value) { FAutoCompleteDelay = value; }
    const std::u32string& GetSearchText() const { return FSearchText; }
    TqzContainer* GetContainer() const { return FContainer; }
    void SetContainer(TqzContainer* value) { FContainer = value; }
    TqzScrollBar* GetHScrollBar() const { return FHScrollBar; }
    TqzScrollBar* GetVScrollBar() const { return FVScrollBar; }
    TqzLookAndFeel* GetLookAndFeel() const { return FLookAndFeel.get(); }
    // The corner between both overlay bars, relative to the list's window rectangle; empty
    // unless both are visible.
    TRect GetSizeGripRect();

protected:
    void CreateOverlayScrollBars();
    void PlaceOverlayScrollBar(TqzScrollBar* bar, TScrollBarKind kind);
    void HandleHorzBarScroll(TObject* sender, TScrollCode code, Integer& position);
    void HandleVertBarScroll(TObject* sender, TScrollCode code, Integer& position);

    void Notification(TComponent* component, TOperation operation) override;
    void WndProc(TMessage& message) override;
    void DefaultHandler(void* message) override;
    void Click() override;
    void DblClick() override;
    void KeyDown(Word& key, TShiftState shift) override;
    void KeyUp(Word& key, TShiftState shift) override;
    void KeyPress(char32_t& key) override;
    void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void MouseMove(TShiftState shift, Integer x, Integer y) override;
    void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    bool DoMouseWheel(TShiftState shift, Integer wheelDelta, POINT mousePos) override;
    void DragOver(TObject* source, Integer x, Integer y, TDragState state, bool& accept) override;
    void DrawItem(Integer index, TRect rect, TOwnerDrawState state) override;

private:
    void HandleLeftButtonDown(TMessage& message);
    // The application's key-down notification, offered to the container.
    void KeyDownNotification(TMessage& message);
    void PaintCorner();

    // The key the notification offered to the container and it left, 0 when none.
    Word FNotifiedKey = 0;
    Cardinal FAutoCompleteDelay = 500;
    std::u32string FSearchText;
    DWORD FLastKeyTick = 0;
    std::unique_ptr<TqzCanvas> FCanvasWrapper;
    TqzScrollBar* FHScrollBar = nullptr;
    TqzScrollBar* FVScrollBar = nullptr;
    std::unique_ptr<TqzLookAndFeel> FLookAndFeel;
    bool FUpdatingBars = false;
    Integer FBarParentLock = 0;
    TqzContainer* FContainer = nullptr;
};

// The first item starting with the text, from the start; -1 for none.
Integer FindListItemByPrefix(TCustomListBox* list, const String& text);
