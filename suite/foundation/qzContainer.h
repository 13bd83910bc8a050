// Containers: the view info a container computes and paints from (border, shadow, background),
// and the unit's small helpers the container, its popups and the editors share: border widths,
// the shadow, window regions, frame fills and invalidation, window-ownership tests, text
// comparison and scroll-bar information.
#pragma once

#include <memory>

#include "platform/classlib/Controls.h"
#include "platform/classlib/Graphics.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Sets.h"
#include "platform/winapi/WinScroll.h"
#include "suite/foundation/qzGraphics.h"
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
