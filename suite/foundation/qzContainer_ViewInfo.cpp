// The container's view info and the unit's helpers.
#include <memory>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Libraries.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/WinCore.h"
#include "suite/foundation/qzContainer.h"
#include "suite/foundation/ybUxTheme.h"

namespace {

constexpr Integer ShadowSize = 3;
// The border colour property of a theme.
constexpr int ThemeBorderColorProperty = 3801;

TqzSides SidesOf(TqzBorders edges) { return TqzSides(edges.Mask() & 15); }

bool RectsEqual(const TRect& a, const TRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

void OffsetRectBy(TRect& r, Integer dx, Integer dy) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
}

// The four strips between outer and inner: left and right full height, top and bottom between.
void FrameStrips(const TRect& outer, const TRect& inner, TRect strips[4]) {
    strips[0] = TRect{outer.left, outer.top, inner.left, outer.bottom};
    strips[1] = TRect{inner.left, outer.top, inner.right, inner.top};
    strips[2] = TRect{inner.right, outer.top, outer.right, outer.bottom};
    strips[3] = TRect{inner.left, inner.bottom, inner.right, outer.bottom};
}

using TGetScrollBarInfoProc = BOOL (*)(HWND, LONG, PSCROLLBARINFO);

struct TContainerUnit {
    bool ScrollBarInfoBound = false;
    TGetScrollBarInfoProc GetScrollBarInfoProc = nullptr;
    HMODULE User32 = nullptr;
    std::unique_ptr<TqzScreenCanvas> ScreenCanvas;
};

// Never destroyed with the program's statics: the screen canvas goes in ContainerUnitFinalize,
// while the window system still stands.
TContainerUnit& Unit() {
    static TContainerUnit* const unit = new TContainerUnit;
    return *unit;
}

TGetScrollBarInfoProc BoundScrollBarInfo() {
    TContainerUnit& unit = Unit();
    if (!unit.ScrollBarInfoBound) {
        unit.ScrollBarInfoBound = true;
        unit.User32 = LoadLibraryA("User32");
        if (unit.User32)
            unit.GetScrollBarInfoProc =
                reinterpret_cast<TGetScrollBarInfoProc>(GetProcAddress(unit.User32, "GetScrollBarInfo"));
    }
    return unit.GetScrollBarInfoProc;
}

} // namespace

// ---- TqzContainerViewInfo ----------------------------------------------------------------------

TqzContainerViewInfo::TqzContainerViewInfo() = default;

void TqzContainerViewInfo::DrawBorder(TqzCanvas* canvas, const TRect& rect) {
    const TqzSides sides = SidesOf(Edges);
    switch (BorderStyle) {
    case cbsSingle:
    case cbsThick:
        canvas->FrameSides(rect, BorderColor, 15, BorderWidth);
        break;
    case cbsFlat: {
        canvas->DrawEdge3D(rect, true, true, sides);
        TRect inner = rect;
        InflateRect(&inner, -1, -1);
        canvas->FrameSides(inner, clBtnFace, 15, 1);
        break;
    }
    case cbs3D: {
        canvas->DrawEdge3D(rect, true, true, sides);
        TRect inner = rect;
        InflateRect(&inner, -1, -1);
        canvas->DrawTwoColorFrame(inner, cl3DDkShadow, 1, sides, cl3DLight);
        break;
    }
    default:
        break;
    }
}

TqzContainerBorderStyle TqzContainerViewInfo::GetBorderStyle() { return BorderStyle; }

void TqzContainerViewInfo::PaintBackground(TqzCanvas* canvas) {
    if (NativeStyle) {
        if (GetBorderStyle() == cbsNone) {
            canvas->SetBrushColor(BackgroundColor);
            canvas->Canvas->FillRect(Bounds);
            return;
        }
        TRect content = Bounds;
        if (HTHEME theme = OpenThemeForType(ThemedObjectType))
            UxGetThemeBackgroundContentRect(theme, canvas->DeviceContext(), ThemePart, ThemeState, &Bounds,
                                            &content);
        canvas->SetBrushColor(BackgroundColor);
        canvas->Canvas->FillRect(content);
        TColor frameColor = BorderColor;
        COLORREF themeColor = 0;
        if (HTHEME comboTheme = OpenThemeForType(ttComboBox))
            if (UxGetThemeColor(comboTheme, 1, 1, ThemeBorderColorProperty, &themeColor) == S_OK)
                frameColor = TColor(themeColor);
        FillFrameBetween(canvas, Bounds, content, frameColor);
        return;
    }

    TRect r = BorderRect;
    r.left -= BorderWidth;
    r.top -= BorderWidth;
    if (Edges.Contains(bRight)) r.right += BorderWidth;
    if (Edges.Contains(bBottom)) r.bottom += BorderWidth;
    if (Shadow) DrawContainerShadow(canvas, r);
    if (!Edges.Contains(bRight)) r.right += BorderWidth;
    if (!Edges.Contains(bBottom)) r.bottom += BorderWidth;
    DrawBorder(canvas, r);
    canvas->SetBrushColor(BackgroundColor);
    canvas->Canvas->FillRect(BorderRect);
}

void TqzContainerViewInfo::SetBackgroundColor(TColor value) { BackgroundColor = value; }

void TqzContainerViewInfo::CopyFrom(TqzContainerViewInfo* source) {
    if (source) ClientRect = source->ClientRect;
}

std::unique_ptr<TqzRegion> TqzContainerViewInfo::GetChangedRegion(TqzContainerViewInfo* /*oldInfo*/) {
    return TqzRegion::CreateEmpty();
}

void TqzContainerViewInfo::MoveBy(Integer dx, Integer dy) {
    OffsetRectBy(BorderRect, dx, dy);
    OffsetRectBy(Bounds, dx, dy);
    OffsetRectBy(ClientRect, dx, dy);
}

void TqzContainerViewInfo::Draw(TqzCanvas* canvas) { PaintBackground(canvas); }

// ---- Helpers ---------------------------------------------------------------------------------

Integer GetContainerBorderWidth(TqzContainerBorderStyle style) {
    switch (style) {
    case cbsSingle:
    case cbsUltraFlat:
    case cbsOffice11:
        return 1;
    case cbsThick:
    case cbsFlat:
    case cbs3D:
        return 2;
    default:
        return 0;
    }
}

Integer GetMouseButtonCode(TMouseButton button) {
    switch (button) {
    case mbLeft:
        return 1;
    case mbRight:
        return 2;
    case mbMiddle:
        return 3;
    }
    return 0;
}

void DrawContainerShadow(TqzCanvas* canvas, const TRect& rect) {
    canvas->SetBrushColor(clBtnShadow);
    canvas->Canvas->FillRect(
        TRect{rect.left + ShadowSize, rect.bottom, rect.right, rect.bottom + ShadowSize});
    canvas->ExcludeClipArea(TRect{rect.left, rect.bottom, rect.right, rect.bottom + ShadowSize});
    canvas->Canvas->FillRect(
        TRect{rect.right, rect.top + ShadowSize, rect.right + ShadowSize, rect.bottom + ShadowSize});
    canvas->ExcludeClipArea(TRect{rect.right, rect.top, rect.right + ShadowSize, rect.bottom + ShadowSize});
}

TRect GetControlSizeRect(TControl* control) { return TRect{0, 0, control->GetWidth(), control->GetHeight()}; }

bool IsControlWindow(TWinControl* control, HWND window) {
    return control && control->HandleAllocated() && control->GetHandle() == window;
}

void ShrinkSidesWithoutEdges(TRect& rect, Integer width, TqzBorders edges) {
    if (!edges.Contains(bLeft)) rect.left += width;
    if (!edges.Contains(bTop)) rect.top += width;
    if (!edges.Contains(bRight)) rect.right -= width;
    if (!edges.Contains(bBottom)) rect.bottom -= width;
}

bool TextsEqual(const String& a, const String& b, bool caseSensitive) {
    if (caseSensitive) return AnsiCompareStr(a, b) == 0;
    return AnsiCompareStr(AnsiUpperCase(a), AnsiUpperCase(b)) == 0;
}

TPoint QueryCursorPos() {
    TPoint point;
    GetCursorPos(&point);
    return point;
}

TShiftState GetCurrentShiftState() { return GetShiftState(); }

void InvalidateFrameBetween(HWND window, const TRect& outer, const TRect& inner, bool erase) {
    if (IsRectEmpty(&inner)) {
        InvalidateRect(window, &outer, erase);
        return;
    }
    TRect strips[4];
    FrameStrips(outer, inner, strips);
    for (const TRect& strip : strips)
        InvalidateRect(window, &strip, erase);
}

void FillFrameBetween(TqzCanvas* canvas, const TRect& outer, const TRect& inner, TColor color) {
    if (IsRectEmpty(&outer) || RectsEqual(outer, inner)) return;
    canvas->SetBrushColor(color);
    if (IsRectEmpty(&inner)) {
        canvas->Canvas->FillRect(outer);
        return;
    }
    TRect strips[4];
    FrameStrips(outer, inner, strips);
    for (const TRect& strip : strips)
        if (!IsRectEmpty(&strip)) canvas->Canvas->FillRect(strip);
}

void InvalidateControlRect(TWinControl* control, const TRect& rect, bool erase) {
    if (control && control->HandleAllocated()) InvalidateRect(control->GetHandle(), &rect, erase);
}

bool IsControlWindowVisible(TWinControl* control) {
    return control && control->HandleAllocated() && IsWindowVisible(control->GetHandle());
}

bool IsWindowChildOfControl(TWinControl* control, HWND window) {
    return control && window && control->HandleAllocated() && IsChild(control->GetHandle(), window);
}

bool IsWindowOwnedByControl(TWinControl* control, HWND window) {
    if (!control || !window || IsControlWindow(control, window)) return false;
    return IsWindowChildOfControl(control, window) || IsWindowInPopupTree(control, window);
}

bool IsWindowInPopupTree(TWinControl* control, HWND window) {
    if (!control || !window) return false;
    for (Integer i = 0; i < control->GetControlCount(); ++i) {
        auto* child = dynamic_cast<TWinControl*>(control->GetControls(i));
        if (!child || !child->HandleAllocated()) continue;
        if (child->GetHandle() == window) return true;
        if (IsWindowInPopupTree(child, window)) return true;
        if (IsChild(child->GetHandle(), window)) return true;
    }
    // Open popups count: those owned by a control on this popup, then those of the control.
    auto inPopup = [window](TqzCustomPopupWindow* popup) {
        return popup->HandleAllocated() &&
               (popup->GetHandle() == window || IsChild(popup->GetHandle(), window) ||
                IsWindowInPopupTree(popup, window));
    };
    const std::vector<TqzCustomPopupWindow*> open = GetOpenPopupWindows();
    if (auto* self = dynamic_cast<TqzCustomPopupWindow*>(control)) {
        for (TqzCustomPopupWindow* popup : open) {
            if (popup == self || !popup->GetOwnerControl()) continue;
            if (GetParentForm(popup->GetOwnerControl()) == self && inPopup(popup)) return true;
        }
    }
    for (TqzCustomPopupWindow* popup : open)
        if (popup->GetOwnerControl() == control && inPopup(popup)) return true;
    return false;
}

bool IsWindowInControlForm(TControl* control, HWND window) {
    TCustomForm* form = control ? GetParentForm(control) : nullptr;
    if (!form || !form->HandleAllocated()) return false;
    const HWND formWindow = form->GetHandle();
    if (window == formWindow || IsWindowOwnedByControl(form, window)) return true;
    if (form->GetParent()) return false;
    HWND top = formWindow;
    for (HWND parent = GetParent(top); parent && IsChild(parent, top); parent = GetParent(top))
        top = parent;
    if (top == formWindow) return false;
    return window == top || IsChild(top, window);
}

HRGN BuildWindowRegion(const TRect& rect, bool noRegion, const TRect& excluded, bool shadow) {
    if (noRegion) return nullptr;
    HRGN region = CreateRectRgnIndirect(&rect);
    if (shadow) {
        HRGN shadowRegion = CreateRectRgnIndirect(&rect);
        OffsetRgn(shadowRegion, ShadowSize, ShadowSize);
        CombineRgn(region, region, shadowRegion, RGN_OR);
        DeleteObject(shadowRegion);
    }
    if (!IsRectEmpty(&excluded)) {
        HRGN excludedRegion = CreateRectRgnIndirect(&excluded);
        CombineRgn(region, region, excludedRegion, RGN_DIFF);
        DeleteObject(excludedRegion);
    }
    return region;
}

void ApplyWindowRegion(HWND window, const TRect& rect, bool noRegion, const TRect& excluded, bool shadow) {
    HRGN region = BuildWindowRegion(rect, noRegion, excluded, shadow);
    HRGN current = CreateRectRgn(0, 0, 0, 0);
    const bool hasRegion = GetWindowRgn(window, current) != ERROR;
    if (!region) {
        if (hasRegion) SetWindowRgn(window, nullptr, TRUE);
    } else if (!hasRegion || !EqualRgn(region, current)) {
        SetWindowRgn(window, region, TRUE);
        region = nullptr; // the window owns it now
    }
    if (region) DeleteObject(region);
    DeleteObject(current);
}

void SetControlWindowRegion(TWinControl* control, bool whole, const TRect& rect) {
    if (!control || !control->HandleAllocated()) return;
    SetWindowRgn(control->GetHandle(), whole ? nullptr : CreateRectRgnIndirect(&rect), TRUE);
}

bool QueryScrollBarInfo(HWND window, LONG objectId, SCROLLBARINFO& info) {
    info.cbSize = 60;
    TGetScrollBarInfoProc proc = BoundScrollBarInfo();
    return proc && proc(window, objectId, &info) != FALSE;
}

bool IsScrollBarInfoAvailable() { return BoundScrollBarInfo() != nullptr; }

bool IsNativeStyleUsable(bool nativeStyle, TybThemeType themeType) {
    return nativeStyle && IsThemeActiveForType(themeType);
}

TqzScreenCanvas* GetScreenCanvas() {
    auto& canvas = Unit().ScreenCanvas;
    if (!canvas) canvas = std::make_unique<TqzScreenCanvas>();
    return canvas.get();
}

void AssignFont(TFont* dest, TFont* source) { dest->Assign(source); }

HWND AsNativeWindowHandle(HWND window) { return window; }

void ContainerUnitFinalize() {
    RemovePopupHooks();
    TContainerUnit& unit = Unit();
    unit.ScreenCanvas.reset();
    if (unit.User32) FreeLibrary(unit.User32);
    unit.User32 = nullptr;
    unit.GetScrollBarInfoProc = nullptr;
    unit.ScrollBarInfoBound = false;
}
