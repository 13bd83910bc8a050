// The drop-down editors' popup window: frame geometry, system panel with size grip and close
// button, placement against the editor, sizing to the content and the close reasons.
#include <algorithm>

#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzDropDownEdit.h"
#include "suite/editors/qzEditUtils.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"

namespace {

Integer BorderWidthOfStyle(TqzEditPopupBorderStyle style) {
    switch (style) {
    case epbsSingle:
        return 1;
    case epbsFrame3D:
        return 4;
    case epbsFlat:
        return 2;
    default:
        return 0;
    }
}

Integer ClientEdgeWidthOfStyle(TqzEditPopupBorderStyle style) {
    switch (style) {
    case epbsSingle:
    case epbsFrame3D:
        return 2;
    case epbsFlat:
        return 1;
    default:
        return 0;
    }
}

TqzEditPopupSizingState gSizing;

// The true size of a theme part in state 1; false when the type's theme does not open or cannot
// tell.
bool ThemePartTrueSize(TybThemeType type, int part, SIZE& size) {
    HTHEME theme = OpenThemeForType(type);
    if (!theme) return false;
    HDC dc = GetDC(nullptr);
    const bool known = UxGetThemePartSizeNoRect(theme, dc, part, 1, TS_TRUE, &size) == S_OK;
    ReleaseDC(nullptr, dc);
    return known;
}

void FillWith(TqzCanvas* canvas, const TRect& rect, TColor color) {
    canvas->SetBrushColor(color);
    canvas->FillRectOrTile(rect);
}

// The sizing outline: a top-most window that is never activated, shaped to the outline's
// frame and painted in focus-rectangle dots. Hiding it erases the outline.
constexpr const char* kOutlineClass = "QzEditPopupSizingOutline";
HWND gOutlineWindow = nullptr;
Integer gOutlineLines = 2;

LRESULT OutlineWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(window, &paint);
        RECT r{};
        GetClientRect(window, &r);
        for (Integer i = 0; i < gOutlineLines && r.right - r.left > 0 && r.bottom - r.top > 0; ++i) {
            DrawFocusRect(dc, &r);
            InflateRect(&r, -1, -1);
        }
        EndPaint(window, &paint);
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND OutlineWindow() {
    if (gOutlineWindow && IsWindow(gOutlineWindow)) return gOutlineWindow;
    WNDCLASSA cls{};
    if (!GetClassInfoA(nullptr, kOutlineClass, &cls)) {
        cls = WNDCLASSA{};
        cls.lpfnWndProc = &OutlineWndProc;
        cls.lpszClassName = kOutlineClass;
        RegisterClassA(&cls);
    }
    gOutlineWindow = CreateWindowExA(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kOutlineClass, "",
                                     WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    return gOutlineWindow;
}

// Shows the outline of rect with lines lines (an empty rectangle hides it).
void ShowOutline(const TRect& rect, Integer lines) {
    if (IsRectEmpty(&rect)) {
        if (gOutlineWindow && IsWindow(gOutlineWindow)) ShowWindow(gOutlineWindow, SW_HIDE);
        return;
    }
    HWND window = OutlineWindow();
    if (!window) return;
    gOutlineLines = lines;
    const Integer width = rect.right - rect.left, height = rect.bottom - rect.top;
    SetWindowPos(window, HWND_TOPMOST, rect.left, rect.top, width, height, SWP_NOACTIVATE);
    HRGN frame = CreateRectRgn(0, 0, width, height);
    if (width > 2 * lines && height > 2 * lines) {
        HRGN inner = CreateRectRgn(lines, lines, width - lines, height - lines);
        CombineRgn(frame, frame, inner, RGN_DIFF);
        DeleteObject(inner);
    }
    SetWindowRgn(window, frame, TRUE);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
}

TCursor SizingCursor(Integer horz, Integer vert) {
    if (horz == 0 && vert == 0) return crDefault;
    if (horz == 0) return crSizeNS;
    if (vert == 0) return crSizeWE;
    return horz == vert ? crSizeNWSE : crSizeNESW;
}

} // namespace

TqzEditPopupSizingState& GetEditPopupSizingState() { return gSizing; }

HWND GetEditPopupSizingOutlineWindow() {
    return gOutlineWindow && IsWindow(gOutlineWindow) && IsWindowVisible(gOutlineWindow) ? gOutlineWindow
                                                                                         : nullptr;
}

// ---- View info -------------------------------------------------------------------------------

Integer TqzCustomEditPopupWindowViewInfo::GetDefaultSysPanelHeight() {
    Integer height = std::max(GetSystemMetrics(SM_CYHSCROLL), GetSystemMetrics(SM_CYSIZE));
    if (SysPanelStyle && IsNativeStyleUsable(NativeStyle, ttWindow)) {
        SIZE size{};
        if (ThemePartTrueSize(ttWindow, WP_CLOSEBUTTON, size)) height = std::max(height, Integer(size.cy));
        if (ThemePartTrueSize(ttScrollBar, SBP_SIZEBOX, size)) height = std::max(height, Integer(size.cy));
    }
    return height;
}

Integer TqzCustomEditPopupWindowViewInfo::CalculateSysPanelHeight() {
    const Integer byDefault = GetDefaultSysPanelHeight();
    return RequestedSysPanelHeight > 0 && RequestedSysPanelHeight > byDefault ? RequestedSysPanelHeight
                                                                              : byDefault;
}

Integer TqzCustomEditPopupWindowViewInfo::GetClientEdgeWidthValue() {
    if (!ClientEdge) return 0;
    return NativeStyle ? 2 : ClientEdgeWidthOfStyle(PopupBorderStyle);
}

Integer TqzCustomEditPopupWindowViewInfo::GetBorderWidthValue() {
    return NativeStyle ? 1 : BorderWidthOfStyle(PopupBorderStyle);
}

void TqzCustomEditPopupWindowViewInfo::CalculateClientExtent(TRect& extents) {
    const Integer width = GetBorderWidthValue() + GetClientEdgeWidthValue();
    extents = TRect{width, width, width, width};
    if (Shadow) {
        extents.right += 3;
        extents.bottom += 3;
    }
    if (SysPanelStyle) {
        SysPanelHeight = CalculateSysPanelHeight();
        Integer panel = SysPanelHeight;
        if (NativeStyle || PopupBorderStyle == epbsSingle) ++panel;
        if (SizeGripCorner <= 1)
            extents.top += panel;
        else
            extents.bottom += panel;
    } else
        SysPanelHeight = 0;
    SizingOffset = std::max(GetSystemMetrics(SM_CYHSCROLL), GetSystemMetrics(SM_CYSIZE));
}

void TqzCustomEditPopupWindowViewInfo::GetClientExtent(TRect& extents) { CalculateClientExtent(extents); }

void TqzCustomEditPopupWindowViewInfo::Calculate() {
    TRect extents;
    CalculateClientExtent(extents);
    const TRect bounds{0, 0, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top};
    ClientRect = TRect{bounds.left + extents.left, bounds.top + extents.top, bounds.right - extents.right,
                       bounds.bottom - extents.bottom};
    Integer inset = GetBorderWidthValue();
    if (!SysPanelStyle) inset += GetClientEdgeWidthValue();
    SizingRegionBounds =
        TRect{bounds.left + inset, bounds.top + inset, bounds.right - inset, bounds.bottom - inset};
    if (Shadow) {
        SizingRegionBounds.right -= 3;
        SizingRegionBounds.bottom -= 3;
    }
    CloseButtonNativeState =
        SysPanelStyle && IsNativeStyleUsable(NativeStyle, ttWindow) ? Integer(CloseButtonState) : 0;
    SizeGripRect = SizeGripSizingRect = CloseButtonRect = TRect{};
    if (!SysPanelStyle) return;
    const Integer panel = GetDefaultSysPanelHeight();
    if (Sizeable) {
        Integer width = panel - 2, height = panel - 2;
        SIZE box{};
        if (IsNativeStyleUsable(NativeStyle, ttScrollBar) &&
            ThemePartTrueSize(ttScrollBar, SBP_SIZEBOX, box)) {
            width = std::max(width, Integer(box.cx + 2));
            height = std::max(height, Integer(box.cy + 2));
        }
        TRect r;
        r.left = IsGripOnRight() ? SizingRegionBounds.right - width : SizingRegionBounds.left;
        r.right = r.left + width;
        r.top = IsGripAtBottom() ? SizingRegionBounds.bottom - height : SizingRegionBounds.top;
        r.bottom = r.top + height;
        SizeGripSizingRect = r;
        SizeGripRect = r;
        if (IsGripOnRight())
            SizeGripRect.right -= 2;
        else
            SizeGripRect.left += 2;
        if (IsGripAtBottom())
            SizeGripRect.bottom -= 2;
        else
            SizeGripRect.top += 2;
    }
    if (CloseButton) {
        // A themed button takes its part's size and is centred in the panel; a drawn one is a
        // square 2 pixels in from the panel's edges.
        SIZE size{panel - 4, panel - 4};
        bool themed = CloseButtonNativeState != 0;
        if (themed && !ThemePartTrueSize(ttWindow, WP_CLOSEBUTTON, size)) size = SIZE{panel - 4, panel - 4};
        TRect r = SizingRegionBounds;
        const Integer inset = themed ? 0 : 2;
        if (IsGripOnRight()) {
            r.left += inset + 1;
            r.right = r.left + size.cx;
        } else {
            r.right -= inset + 1;
            r.left = r.right - size.cx;
        }
        const Integer fromEdge = themed ? (SysPanelHeight - size.cy) / 2 : 2;
        if (IsGripAtBottom()) {
            r.bottom = SizingRegionBounds.bottom - fromEdge;
            r.top = r.bottom - size.cy;
        } else {
            r.top = SizingRegionBounds.top + fromEdge;
            r.bottom = r.top + size.cy;
        }
        CloseButtonRect = r;
    }
}

bool TqzCustomEditPopupWindowViewInfo::GetSizingDirection(Integer x, Integer y) {
    if (!Sizeable) return false;
    const TRect bounds{0, 0, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top};
    const POINT p{x, y};
    if (!PtInRect(&bounds, p)) return false;
    if (PtInRect(&SizeGripSizingRect, p)) {
        gSizing.HorzDirection = IsGripOnRight() ? 1 : -1;
        gSizing.VertDirection = IsGripAtBottom() ? 1 : -1;
        return true;
    }
    if (PtInRect(&SizingRegionBounds, p)) return false;
    gSizing.HorzDirection = 0;
    gSizing.VertDirection = 0;
    if (x < SizingOffset && !IsGripOnRight()) gSizing.HorzDirection = -1;
    if (x >= bounds.right - SizingOffset && IsGripOnRight()) gSizing.HorzDirection = 1;
    if (y < SizingOffset && !IsGripAtBottom()) gSizing.VertDirection = -1;
    if (y >= bounds.bottom - SizingOffset && IsGripAtBottom()) gSizing.VertDirection = 1;
    return true;
}

void TqzCustomEditPopupWindowViewInfo::DrawPopupBorder(TqzCanvas* canvas, TRect& r) {
    if (NativeStyle || PopupBorderStyle == epbsSingle) {
        canvas->FrameSides(r, clBtnText);
        InflateRect(&r, -1, -1);
    } else if (PopupBorderStyle == epbsFrame3D || PopupBorderStyle == epbsFlat) {
        canvas->DrawEdge3D(r, false, true);
        InflateRect(&r, -1, -1);
        canvas->DrawEdge3D(r, false, false);
        InflateRect(&r, -1, -1);
        if (PopupBorderStyle == epbsFrame3D) {
            canvas->FrameSides(r, ClientEdge ? clInactiveBorder : clBtnFace);
            InflateRect(&r, -1, -1);
            if (ClientEdge)
                canvas->FrameSides(r, clBtnFace);
            else
                canvas->DrawEdge3D(r, true, true);
            InflateRect(&r, -1, -1);
        }
    }
}

void TqzPopupEditPopupWindowViewInfo::DrawPopupBorder(TqzCanvas* canvas, TRect& r) {
    if (NativeStyle || PopupBorderStyle != epbsFrame3D) {
        inherited::DrawPopupBorder(canvas, r);
        return;
    }
    canvas->DrawEdge3D(r, false, true);
    InflateRect(&r, -1, -1);
    canvas->DrawEdge3D(r, false, false);
    InflateRect(&r, -1, -1);
    canvas->FrameSides(r, clInactiveBorder);
    InflateRect(&r, -1, -1);
    canvas->FrameSides(r, clBtnFace);
    InflateRect(&r, -1, -1);
}

void TqzCustomEditPopupWindowViewInfo::DrawSizeGrip(TqzCanvas* canvas) {
    FillWith(canvas, SizeGripRect, clBtnFace);
    // The glyph's cell lies in the grip corner of the rectangle, less 2 pixels on its inner sides.
    HTHEME theme = IsNativeStyleUsable(NativeStyle, ttScrollBar) ? OpenThemeForType(ttScrollBar) : nullptr;
    SIZE glyph{GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL)};
    SIZE box{};
    if (theme && ThemePartTrueSize(ttScrollBar, SBP_SIZEBOX, box))
        glyph = SIZE{box.cx + 2, box.cy + 2};
    else
        theme = nullptr;
    TRect cell;
    if (IsGripOnRight()) {
        cell.right = SizeGripRect.right;
        cell.left = cell.right - glyph.cx + 2;
    } else {
        cell.left = SizeGripRect.left;
        cell.right = cell.left + glyph.cx - 2;
    }
    if (IsGripAtBottom()) {
        cell.bottom = SizeGripRect.bottom;
        cell.top = cell.bottom - glyph.cy + 2;
    } else {
        cell.top = SizeGripRect.top;
        cell.bottom = cell.top + glyph.cy - 2;
    }
    const Integer width = cell.right - cell.left, height = cell.bottom - cell.top;
    if (width <= 0 || height <= 0) return;
    // The glyph is drawn for the bottom-right corner and mirrored for the other corners.
    TBitmap image;
    image.SetSize(width, height);
    HDC dc = image.GetCanvas()->GetHandle();
    RECT r{0, 0, width, height};
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    if (theme)
        UxDrawThemePart(theme, dc, SBP_SIZEBOX, 1, &r);
    else
        DrawFrameControl(dc, &r, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
    const bool mirrorX = !IsGripOnRight(), mirrorY = !IsGripAtBottom();
    StretchBlt(canvas->DeviceContext(), mirrorX ? cell.right - 1 : cell.left,
               mirrorY ? cell.bottom - 1 : cell.top, mirrorX ? -width : width, mirrorY ? -height : height, dc,
               0, 0, width, height, SRCCOPY);
}

void TqzCustomEditPopupWindowViewInfo::DrawCloseButton(TqzCanvas* canvas) {
    if (CloseButtonNativeState != 0) {
        if (HTHEME theme = OpenThemeForType(ttWindow)) {
            const int state = int(CloseButtonState);
            if (UxIsThemeBackgroundPartiallyTransparent(theme, WP_CLOSEBUTTON, state))
                FillWith(canvas, CloseButtonRect, clBtnFace);
            RECT r = CloseButtonRect;
            UxDrawThemePart(theme, canvas->DeviceContext(), WP_CLOSEBUTTON, state, &r);
            return;
        }
    }
    GetEditPainterClass(NativeStyle, CloseButtonKind)
        ->PaintCloseButton(canvas, CloseButtonRect, CloseButtonState);
}

void TqzCustomEditPopupWindowViewInfo::PaintBackground(TqzCanvas* canvas) {
    TRect r{0, 0, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top};
    if (Shadow) {
        r.right -= 3;
        r.bottom -= 3;
        DrawContainerShadow(canvas, r);
    }
    DrawPopupBorder(canvas, r);
    if (SysPanelStyle && (PopupBorderStyle == epbsSingle || CloseButtonNativeState != 0)) {
        TRect line = ClientRect;
        if (ClientEdge) InflateRect(&line, GetClientEdgeWidthValue(), 0);
        const Integer y = IsGripAtBottom()
                              ? ClientRect.bottom + (ClientEdge ? GetClientEdgeWidthValue() : 0)
                              : ClientRect.top - 1 - (ClientEdge ? GetClientEdgeWidthValue() : 0);
        FillWith(canvas, TRect{line.left, y, line.right, y + 1}, clBtnText);
    }
    if (ClientEdge) {
        TRect edge = r;
        if (SysPanelStyle) {
            const Integer strip = SysPanelHeight + ((NativeStyle || PopupBorderStyle == epbsSingle) ? 1 : 0);
            if (IsGripAtBottom())
                edge.bottom -= strip;
            else
                edge.top += strip;
        }
        canvas->DrawEdge3D(edge, true, true);
        if (!(PopupBorderStyle == epbsFlat && !NativeStyle)) {
            InflateRect(&edge, -1, -1);
            canvas->DrawEdge3D(edge, true, false);
        }
    }
    if (SysPanelStyle) {
        if (Sizeable) {
            DrawSizeGrip(canvas);
            canvas->ExcludeClipArea(SizeGripRect);
        }
        if (!IsRectEmpty(&CloseButtonRect)) {
            DrawCloseButton(canvas);
            canvas->ExcludeClipArea(CloseButtonRect);
        }
    }
    FillWith(canvas, ClientRect, clBtnFace);
    if (SysPanelStyle) {
        TRect strip = r;
        if (IsGripAtBottom())
            strip.top = strip.bottom - SysPanelHeight;
        else
            strip.bottom = strip.top + SysPanelHeight;
        FillWith(canvas, strip, clBtnFace);
    }
}

// ---- Popup window ----------------------------------------------------------------------------

TqzCustomEditPopupWindow::TqzCustomEditPopupWindow(TqzCustomDropDownEdit* editor)
    : TqzCustomEditPopupWindow(editor, true) {
    InitializePopup();
    GetEditViewInfo()->CloseButtonState = qzbsNormal;
}

TqzCustomEditPopupWindow::TqzCustomEditPopupWindow(TqzCustomDropDownEdit* editor, bool)
    : TqzCustomPopupWindow(editor, true) {
    // The content is always laid into the client rectangle; a list still at its place of an
    // earlier layout must not give the popup scroll bars of its own.
    SetAutoScroll(false);
}

TqzCustomEditPopupWindow::~TqzCustomEditPopupWindow() = default;

TqzContainerViewInfoClass TqzCustomEditPopupWindow::GetViewInfoClass() {
    return [] { return static_cast<TqzContainerViewInfo*>(new TqzCustomEditPopupWindowViewInfo); };
}

// A control inside the popup that asks for every key (a calculator's Enter is its equals key) sees
// its keys before the editor's closing keys; it closes the popup itself.
bool TqzCustomEditPopupWindow::FocusedChildWantsAllKeys() {
    if (!HandleAllocated()) return false;
    HWND focus = ::GetFocus();
    if (focus == nullptr || focus == GetHandle() || !::IsChild(GetHandle(), focus)) return false;
    return (SendMessageA(focus, WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS) != 0;
}

void TqzCustomEditPopupWindow::KeyDown(Word& key, TShiftState shift) {
    if (TqzCustomDropDownEdit* edit = GetEdit();
        edit && IsOpen() && GetTakesFocus() && !FocusedChildWantsAllKeys()) {
        const TLivenessToken alive = LivenessToken();
        edit->HandlePopupKeyDown(key, shift);
        if (!alive || key == 0) return;
    }
    inherited::KeyDown(key, shift);
}

void TqzCustomEditPopupWindow::CMDialogKey(TMessage& message) {
    if (message.WParam == VK_TAB)
        if (TqzCustomDropDownEdit* edit = GetEdit(); edit && IsOpen() && GetTakesFocus()) {
            const TLivenessToken alive = LivenessToken();
            Word key = VK_TAB;
            edit->HandlePopupKeyDown(key, KeyDataToShiftState(message.LParam));
            if (!alive || key == 0) {
                message.Result = 1;
                return;
            }
        }
    KOV_INHERITED(message);
}

TqzCustomDropDownEdit* TqzCustomEditPopupWindow::GetEdit() const {
    return dynamic_cast<TqzCustomDropDownEdit*>(GetOwnerControl());
}

void TqzCustomEditPopupWindow::SetEditPopupBorderStyle(TqzEditPopupBorderStyle value) {
    FEditPopupBorderStyle = value;
    GetEditViewInfo()->PopupBorderStyle = value;
}

void TqzCustomEditPopupWindow::SetClientEdge(bool value) {
    FClientEdge = value;
    GetEditViewInfo()->ClientEdge = value;
}

void TqzCustomEditPopupWindow::SetCloseButton(bool value) {
    FCloseButton = value;
    GetEditViewInfo()->CloseButton = value;
}

void TqzCustomEditPopupWindow::SetNativeStyle(bool value) {
    FNativeStyle = value;
    GetEditViewInfo()->NativeStyle = value;
}

void TqzCustomEditPopupWindow::SetShadow(bool value) {
    FShadow = value;
    GetEditViewInfo()->Shadow = value;
}

void TqzCustomEditPopupWindow::SetSizeable(bool value) {
    FSizeable = value;
    GetEditViewInfo()->Sizeable = value;
}

void TqzCustomEditPopupWindow::SetSysPanelStyle(bool value) {
    FSysPanelStyle = value;
    GetEditViewInfo()->SysPanelStyle = value;
}

bool TqzCustomEditPopupWindow::LimitsToWorkArea() {
    TqzCustomDropDownEdit* edit = GetEdit();
    return edit && edit->GetActiveDropDownProperties()->PopupFitsWorkArea();
}

void TqzCustomEditPopupWindow::CloseByModalResult() {
    TqzCustomDropDownEdit* edit = GetEdit();
    if (!edit) {
        ClosePopup();
        return;
    }
    switch (GetModalResult()) {
    case mrOk:
        edit->CloseUp(qzcrAccept);
        break;
    case mrCancel:
        edit->CloseUp(qzcrCancel);
        break;
    default:
        edit->CloseUp(qzcrUnknown);
        break;
    }
}

void TqzCustomEditPopupWindow::NotifyClosing() {
    inherited::NotifyClosing();
    DrawSizingOutline(TRect{});
}

void TqzCustomEditPopupWindow::NotifyClosed() {
    gSizing.Sizing = false;
    gSizing.SizingCursor = false;
    inherited::NotifyClosed();
}

void TqzCustomEditPopupWindow::AdjustClientRect(RECT& rect) {
    TRect extents;
    GetEditViewInfo()->GetClientExtent(extents);
    rect.left += extents.left;
    rect.top += extents.top;
    rect.right -= extents.right;
    rect.bottom -= extents.bottom;
}

void TqzCustomEditPopupWindow::CalculateViewInfo() {
    TqzCustomEditPopupWindowViewInfo* info = GetEditViewInfo();
    info->Bounds = GetControlSizeRect(this);
    info->Calculate();
    if (TqzCustomDropDownEdit* edit = GetEdit())
        if (edit->GetPopupLookAndFeel()) info->CloseButtonKind = edit->GetPopupLookAndFeel()->GetKind();
}

void TqzCustomEditPopupWindow::RefreshLayout() {
    TqzCustomDropDownEdit* edit = GetEdit();
    if (edit) SetOwnerBounds(edit->GetPopupOwnerBounds());
    CalculateViewInfo();
    if (edit) edit->PositionPopupContent(GetEditViewInfo()->ClientRect);
    InvalidatePopupRect(GetEditViewInfo()->Bounds);
    if (HandleAllocated()) UpdateWindow(GetHandle());
}

void TqzCustomEditPopupWindow::InvalidatePopupRect(const TRect& rect) {
    if (!HandleAllocated()) return;
    RECT r = rect;
    InvalidateRect(GetHandle(), &r, TRUE);
}

TRect TqzCustomEditPopupWindow::OwnerScreenBounds() {
    TRect r = GetOwnerBounds();
    TControl* parent = GetOwnerParent();
    if (parent) {
        const POINT a = parent->ClientToScreen(POINT{r.left, r.top});
        const POINT b = parent->ClientToScreen(POINT{r.right, r.bottom});
        r = TRect{a.x, a.y, b.x, b.y};
    }
    return r;
}

void TqzCustomEditPopupWindow::UpdateWindowRegion() {
    if (!HandleAllocated()) return;
    TRect r{0, 0, GetWidth(), GetHeight()};
    TRect excluded{};
    if (!FNativeStyle && FShadow) {
        r.right -= 3;
        r.bottom -= 3;
        if (GetEditViewInfo()->SizeGripCorner <= 1) {
            const TRect owner = OwnerScreenBounds();
            const POINT origin = ClientToScreen(POINT{0, 0});
            excluded = TRect{owner.left - origin.x, GetHeight() - 3, owner.right - 3 - origin.x, GetHeight()};
        }
    }
    ApplyWindowRegion(GetHandle(), r, FNativeStyle, excluded, FShadow && !FNativeStyle);
}

void TqzCustomEditPopupWindow::CalcPopupPosition(TPoint& point) {
    TqzCustomDropDownEdit* edit = GetEdit();
    if (edit) SetOwnerBounds(edit->GetPopupOwnerBounds());
    inherited::CalcPopupPosition(point);
    const TRect owner = OwnerScreenBounds();
    const TRect work = GetMonitorWorkArea(point);
    bool right = false;
    const Integer horz = GetAlignHorz();
    if (horz == 0 && point.x == owner.left) right = true;
    if (work.left >= owner.left) right = true;
    if (horz == 2 && point.x + GetWidth() != owner.right) right = true;
    if (horz == 1 && work.right - owner.right >= owner.left - work.left) right = true;
    const bool below = owner.top < point.y;
    GetEditViewInfo()->SizeGripCorner = below ? (right ? 3 : 2) : (right ? 1 : 0);
    if (FShadow && !below) point.y += 3;
}

void TqzCustomEditPopupWindow::CalculateMinSize(TSize& size) {
    TqzCustomEditPopupWindowViewInfo* info = GetEditViewInfo();
    TRect extents;
    info->GetClientExtent(extents);
    size.cx = extents.left + extents.right;
    size.cy = extents.top + extents.bottom;
    if (FSizeable && FSysPanelStyle) {
        size.cx += (info->CloseButtonRect.right - info->CloseButtonRect.left) +
                   (info->SizeGripSizingRect.right - info->SizeGripSizingRect.left) + 10;
    }
}

void TqzCustomEditPopupWindow::FitToContents() {
    TqzCustomDropDownEdit* edit = GetEdit();
    if (!edit) return;
    TqzCustomEditPopupWindowViewInfo* info = GetEditViewInfo();
    info->SizeGripCorner = 3;
    SetOwnerBounds(edit->GetPopupOwnerBounds());
    CalculateViewInfo();
    TRect extents;
    info->GetClientExtent(extents);
    TSize minSize;
    CalculateMinSize(minSize);
    Integer contentWidth = 0, contentHeight = 0;
    edit->GetPopupContentSize(contentWidth, contentHeight);
    const TRect owner = GetOwnerBounds();
    Integer width, height;
    if (FAutoSize)
        width = extents.left + extents.right + contentWidth;
    else
        width = FPopupWidth != 0 ? FPopupWidth : owner.right - owner.left;
    if (FSizeable && FMinWidth > 0) width = std::max(width, FMinWidth);
    if (FAutoSize)
        height = extents.top + extents.bottom + contentHeight;
    else
        height = FPopupHeight > 0 ? FPopupHeight : std::max(FMinHeight, Integer(minSize.cy));
    if (FSizeable && FMinHeight > 0) height = std::max(height, FMinHeight);
    SetWidth(std::max(width, Integer(minSize.cx)));
    SetHeight(std::max(height, Integer(minSize.cy)));
}

void TqzComboBoxPopupWindow::FitToContents() {
    TqzCustomDropDownEdit* edit = GetEdit();
    if (!edit) return;
    TqzCustomEditPopupWindowViewInfo* info = GetEditViewInfo();
    info->SizeGripCorner = 3;
    SetOwnerBounds(edit->GetPopupOwnerBounds());
    CalculateViewInfo();
    TRect extents;
    info->GetClientExtent(extents);
    TSize minSize;
    CalculateMinSize(minSize);
    Integer contentWidth = 0, contentHeight = 0;
    edit->GetPopupContentSize(contentWidth, contentHeight);
    const TRect owner = GetOwnerBounds();
    const Integer ownerWidth = owner.right - owner.left;
    const bool userSized = FSizeable && edit->GetUserSized();
    Integer width, height;
    if (userSized || (!FAutoSize && FPopupWidth > 0))
        width = FPopupWidth;
    else if (FAutoSize)
        width = std::max(contentWidth + extents.left + extents.right, ownerWidth);
    else
        width = ownerWidth;
    if (FSizeable && FMinWidth > 0) width = std::max(width, FMinWidth);
    if (userSized)
        height = FPopupHeight;
    else if (FPopupHeight == 0 || (!FSizeable && FAutoSize))
        height = contentHeight + extents.top + extents.bottom;
    else
        height = FPopupHeight;
    if (FSizeable && FMinHeight > 0) height = std::max(height, FMinHeight);
    SetWidth(std::max(width, Integer(minSize.cx)));
    SetHeight(std::max(height, Integer(minSize.cy)));
}

void TqzCustomEditPopupWindow::ForwardChar(char32_t ch) {
    const HWND focus = GetFocus();
    if (focus) SendMessageA(focus, WM_CHAR, WPARAM(ch), 0);
}

void TqzCustomEditPopupWindow::QZMTypedChar(TMessage& message) {
    // The whole character: characters are code points here, and cutting one to its low byte
    // would hand on another character.
    if (IsOpenPopupWindow(this)) ForwardChar(char32_t(message.WParam));
}

void TqzCustomEditPopupWindow::HandlePopupMouseLeave(TControl*) {
    TqzCustomEditPopupWindowViewInfo* info = GetEditViewInfo();
    if (info->CloseButtonState != qzbsNormal) {
        info->CloseButtonState = qzbsNormal;
        InvalidatePopupRect(info->CloseButtonRect);
    }
    SetCursor(crDefault);
}

void TqzCustomEditPopupWindow::HandleMouseDown(TMouseButton button, TShiftState, Integer x, Integer y) {
    if (button != mbLeft) return;
    TqzCustomEditPopupWindowViewInfo* info = GetEditViewInfo();
    const POINT p{x, y};
    if (PtInRect(&info->CloseButtonRect, p) && info->CloseButtonState != qzbsPressed) {
        info->CloseButtonState = qzbsPressed;
        InvalidatePopupRect(info->CloseButtonRect);
        return;
    }
    if (GetCapture() != nullptr && info->GetSizingDirection(x, y)) {
        gSizing.GrabX = gSizing.HorzDirection == -1 ? x : GetWidth() - x;
        gSizing.GrabY = gSizing.VertDirection == -1 ? y : GetHeight() - y;
        gSizing.Sizing = true;
        SetCursor(SizingCursor(gSizing.HorzDirection, gSizing.VertDirection));
        DrawSizingOutline(GetBoundsRect());
    }
}

void TqzCustomEditPopupWindow::HandleMouseMove(TShiftState shift, Integer x, Integer y) {
    TqzCustomEditPopupWindowViewInfo* info = GetEditViewInfo();
    if (gSizing.Sizing) {
        SizeByMouse(x, y);
        return;
    }
    const POINT p{x, y};
    const bool inside = PtInRect(&info->CloseButtonRect, p) != 0;
    if (info->CloseButtonState != qzbsNormal && !inside) {
        info->CloseButtonState = qzbsNormal;
        InvalidatePopupRect(info->CloseButtonRect);
    } else if (info->CloseButtonState == qzbsNormal && inside && shift.empty()) {
        info->CloseButtonState = qzbsHot;
        InvalidatePopupRect(info->CloseButtonRect);
    }
    if (info->GetSizingDirection(x, y)) {
        gSizing.SizingCursor = true;
        SetCursor(SizingCursor(gSizing.HorzDirection, gSizing.VertDirection));
    } else if (gSizing.SizingCursor) {
        SetCursor(crDefault);
        gSizing.SizingCursor = false;
    }
}

void TqzCustomEditPopupWindow::SizeByMouse(Integer x, Integer y) {
    TqzCustomEditPopupWindowViewInfo* info = GetEditViewInfo();
    const Integer horz = gSizing.HorzDirection, vert = gSizing.VertDirection;
    TRect r = GetBoundsRect();
    const Integer grabX = horz == -1 ? gSizing.GrabX : GetWidth() - gSizing.GrabX;
    const Integer grabY = vert == -1 ? gSizing.GrabY : GetHeight() - gSizing.GrabY;
    Integer hmove = x - grabX, vmove = y - grabY;
    const TRect& grip = info->SizeGripSizingRect;
    if (!IsRectEmpty(&grip)) {
        const bool grabbedGrip = PtInRect(&grip, POINT{grabX, grabY}) != 0;
        if (horz == 1 && hmove > 0 && x <= GetWidth() && !(grabbedGrip && x >= grip.left && x < grip.right))
            hmove = 0;
        if (vert == 1 && vmove > 0 && y <= GetHeight() && !(grabbedGrip && y >= grip.top && y < grip.bottom))
            vmove = 0;
    }
    if ((horz == 1 && !info->IsGripOnRight()) || (horz == -1 && info->IsGripOnRight())) hmove = 0;
    if ((vert == 1 && !info->IsGripAtBottom()) || (vert == -1 && info->IsGripAtBottom())) vmove = 0;
    if (horz == -1) r.left += hmove;
    if (horz == 1) r.right += hmove;
    if (vert == -1) r.top += vmove;
    if (vert == 1) r.bottom += vmove;
    Integer width = r.right - r.left, height = r.bottom - r.top;
    ConstrainResize(width, height);
    if (width == GetWidth() && height == GetHeight()) return;
    r = GetBoundsRect();
    if (info->IsGripOnRight())
        r.right = r.left + width;
    else
        r.left = r.right - width;
    if (info->IsGripAtBottom())
        r.bottom = r.top + height;
    else
        r.top = r.bottom - height;
    const TRect owner = OwnerScreenBounds();
    r.left = std::min(Integer(r.left), Integer(owner.right - 1));
    r.right = std::max(Integer(r.right), Integer(owner.left + 1));
    // The edges that follow the pointer stay in the work area of the monitor under it; the edges
    // beside the editor stay where they are, so a popup reaching onto another monitor is not cut
    // off its editor.
    const TRect work = GetMonitorWorkArea(QueryCursorPos());
    if (horz == 1 && info->IsGripOnRight()) r.right = std::min(r.right, work.right);
    if (horz == -1 && !info->IsGripOnRight()) r.left = std::max(r.left, work.left);
    if (vert == 1 && info->IsGripAtBottom()) r.bottom = std::min(r.bottom, work.bottom);
    if (vert == -1 && !info->IsGripAtBottom()) r.top = std::max(r.top, work.top);
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    const TRect current = GetBoundsRect();
    if (!EqualRect(&r, &current)) {
        if (TqzCustomDropDownEdit* edit = GetEdit()) {
            edit->SetUserSized(true);
            edit->SetResizedByUser(true);
        }
        DrawSizingOutline(r);
    }
}

void TqzCustomEditPopupWindow::HandleMouseUp(TMouseButton button, TShiftState, Integer x, Integer y) {
    TqzCustomEditPopupWindowViewInfo* info = GetEditViewInfo();
    if (button == mbLeft && gSizing.Sizing) {
        if (GetCapture()) ReleaseCapture();
        gSizing.Sizing = false;
        DrawSizingOutline(TRect{});
        const TRect target = gSizing.Target;
        if (!IsRectEmpty(&target)) SetBoundsRect(target);
        RefreshLayout();
        SetCursor(info->GetSizingDirection(x, y) ? SizingCursor(gSizing.HorzDirection, gSizing.VertDirection)
                                                 : crDefault);
        return;
    }
    if (button != mbLeft || info->CloseButtonState != qzbsPressed) return;
    const TLivenessToken alive = LivenessToken();
    if (PtInRect(&info->CloseButtonRect, POINT{x, y}) && QueryClose()) {
        if (!alive) return;
        if (TqzCustomDropDownEdit* edit = GetEdit()) edit->CloseUp(qzcrUnknown);
        if (!alive || !GetVisible()) return;
    }
    if (!alive) return;
    info->CloseButtonState = qzbsHot;
    InvalidatePopupRect(info->CloseButtonRect);
}

bool TqzCustomEditPopupWindow::ConstrainResize(Integer& newWidth, Integer& newHeight) {
    if (!FSizeable || (newWidth == GetWidth() && newHeight == GetHeight())) return true;
    TSize minSize;
    CalculateMinSize(minSize);
    if (FMinWidth > 0) minSize.cx = std::max(Integer(minSize.cx), FMinWidth);
    if (FMinHeight > 0) minSize.cy = std::max(Integer(minSize.cy), FMinHeight);
    newWidth = std::max(newWidth, Integer(minSize.cx));
    newHeight = std::max(newHeight, Integer(minSize.cy));
    if (newWidth == GetWidth() && newHeight == GetHeight()) return true;
    TqzCustomDropDownEdit* edit = GetEdit();
    if (!edit || !edit->GetLookupData()) return true;
    auto* properties = edit->GetActiveDropDownProperties();
    if (!properties->UsesLookupData() || !properties->HasLookupListPopup()) return true;
    TqzCustomEditPopupWindowViewInfo* info = GetEditViewInfo();
    TRect extents;
    info->GetClientExtent(extents);
    TSize list{newWidth - extents.left - extents.right, newHeight - extents.top - extents.bottom};
    Integer maxHeight;
    if (info->IsGripAtBottom())
        maxHeight = GetMonitorWorkArea(TPoint{GetLeft(), GetTop()}).bottom - GetTop();
    else {
        const TRect owner = OwnerScreenBounds();
        maxHeight = owner.top - GetMonitorWorkArea(TPoint{GetLeft(), GetTop()}).top;
    }
    maxHeight -= extents.top + extents.bottom;
    if (edit->GetLookupData()->CanResizeList(list, TSize{0, maxHeight})) {
        TSize least;
        CalculateMinSize(least);
        newWidth = std::max(Integer(extents.left + extents.right + list.cx), Integer(least.cx));
        newHeight = std::max(Integer(extents.top + extents.bottom + list.cy), Integer(least.cy));
    } else {
        newWidth = GetWidth();
        newHeight = GetHeight();
    }
    return true;
}

void TqzCustomEditPopupWindow::DrawSizingOutline(const TRect& rect) {
    TqzCustomEditPopupWindowViewInfo* info = GetEditViewInfo();
    const Integer lines = std::max(info->GetBorderWidthValue(), Integer(2));
    TRect outline = rect;
    if (FShadow && !IsRectEmpty(&outline)) {
        outline.right -= 3;
        outline.bottom -= 3;
    }
    if (!gSizing.Sizing || IsRectEmpty(&outline))
        ShowOutline(TRect{}, lines);
    else
        ShowOutline(outline, lines);
    gSizing.LastOutline = rect;
    if (!IsRectEmpty(&rect)) gSizing.Target = rect;
}

void TqzCustomEditPopupWindow::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    inherited::MouseDown(button, shift, x, y);
    HandleMouseDown(button, shift, x, y);
}

void TqzCustomEditPopupWindow::MouseMove(TShiftState shift, Integer x, Integer y) {
    inherited::MouseMove(shift, x, y);
    HandleMouseMove(shift, x, y);
}

void TqzCustomEditPopupWindow::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    inherited::MouseUp(button, shift, x, y);
    HandleMouseUp(button, shift, x, y);
}

void TqzCustomEditPopupWindow::Resize() {
    inherited::Resize();
    if (HandleAllocated()) UpdateWindowRegion();
}

void TqzCustomEditPopupWindow::Paint() {
    CalculateViewInfo();
    GetEditViewInfo()->PaintBackground(GetPopupCanvas());
}

KOV_MESSAGE_MAP(TqzCustomEditPopupWindow) {
    map.Message(QZM_POPUPTYPEDCHAR, &TqzCustomEditPopupWindow::QZMTypedChar);
    map.Message(CM_DIALOGKEY, &TqzCustomEditPopupWindow::CMDialogKey);
}

TqzPopupEditPopupWindow::TqzPopupEditPopupWindow(TqzCustomDropDownEdit* editor)
    : TqzCustomEditPopupWindow(editor, true) {
    InitializePopup();
    GetEditViewInfo()->CloseButtonState = qzbsNormal;
}

TqzContainerViewInfoClass TqzPopupEditPopupWindow::GetViewInfoClass() {
    return [] { return static_cast<TqzContainerViewInfo*>(new TqzPopupEditPopupWindowViewInfo); };
}
