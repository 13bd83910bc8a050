// The scroll-bar window class ("SCROLLBAR"): a bar of its own, horizontal (SBS_HORZ) or vertical
// (SBS_VERT), or a size box (SBS_SIZEBOX, SBS_SIZEGRIP). It keeps its range, page and position
// like a window's bar, answers the SBM_* messages, and tells its parent what the mouse and the
// keys do with WM_HSCROLL / WM_VSCROLL (lParam: the control).
#include "platform/winapi/Cursor.h"
#include "platform/winapi/WinScrollInternal.h"

using namespace WinInternal;

namespace {

constexpr const char* ScrollBarClassName = "SCROLLBAR";

// The ALIGN styles give the bar (or box) its standard thickness at one side of the rectangle it
// was created with.
void Align(HWND control, const CREATESTRUCTA& cs) {
    DWORD style = DWORD(cs.style);
    int x = cs.x, y = cs.y, w = cs.cx, h = cs.cy;
    int cx = GetSystemMetrics(SM_CXVSCROLL), cy = GetSystemMetrics(SM_CYHSCROLL);
    if (style & (SBS_SIZEBOX | SBS_SIZEGRIP)) {
        if (style & SBS_SIZEBOXTOPLEFTALIGN) {
            w = cx;
            h = cy;
        } else if (style & SBS_SIZEBOXBOTTOMRIGHTALIGN) {
            x += w - cx;
            y += h - cy;
            w = cx;
            h = cy;
        } else {
            return;
        }
    } else if (style & SBS_VERT) {
        if (style & SBS_LEFTALIGN) {
            w = cx;
        } else if (style & SBS_RIGHTALIGN) {
            x += w - cx;
            w = cx;
        } else {
            return;
        }
    } else if (style & SBS_TOPALIGN) {
        h = cy;
    } else if (style & SBS_BOTTOMALIGN) {
        y += h - cy;
        h = cy;
    } else {
        return;
    }
    SetWindowPos(control, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool IsSizeBox(HWND control) {
    return (GetWindowLongA(control, GWL_STYLE) & (SBS_SIZEBOX | SBS_SIZEGRIP)) != 0;
}

void NotifyParent(HWND control, WORD code) {
    HWND parent = GetParent(control);
    if (!parent) return;
    UINT message = (GetWindowLongA(control, GWL_STYLE) & SBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
    SendMessageA(parent, message, MAKEWPARAM(code, 0), LPARAM(control));
}

bool KeyCode(WPARAM key, WORD& code) {
    switch (key) {
    case VK_UP:
    case VK_LEFT:
        code = SB_LINEUP;
        return true;
    case VK_DOWN:
    case VK_RIGHT:
        code = SB_LINEDOWN;
        return true;
    case VK_PRIOR:
        code = SB_PAGEUP;
        return true;
    case VK_NEXT:
        code = SB_PAGEDOWN;
        return true;
    case VK_HOME:
        code = SB_TOP;
        return true;
    case VK_END:
        code = SB_BOTTOM;
        return true;
    default:
        return false;
    }
}

int CurrentPos(HWND control) {
    SCROLLINFO info;
    info.fMask = SIF_POS;
    return ScrollGetInfoCore(control, SB_CTL, info) ? info.nPos : 0;
}

bool ValidInfoSize(UINT size) {
    return size == sizeof(SCROLLINFO) || size == sizeof(SCROLLINFO) - sizeof(int);
}

LRESULT ScrollBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        SCROLLINFO info;
        info.fMask = SIF_RANGE | SIF_POS;
        ScrollSetInfoCore(window, SB_CTL, info, false);
        if (auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam)) Align(window, *cs);
        return 0;
    }
    case WM_NCDESTROY:
        ForgetScrollState(window);
        break;
    case WM_ERASEBKGND:
        return 1; // the painting covers everything
    case WM_PAINT:
    case WM_PRINTCLIENT: {
        if (message == WM_PRINTCLIENT || wParam) {
            PaintScrollBarControl(window, reinterpret_cast<HDC>(wParam));
            return 0;
        }
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        PaintScrollBarControl(window, dc);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_ENABLE:
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        POINT p = MakePointFromLParam(lParam);
        ClientToScreen(window, &p);
        if (IsSizeBox(window)) {
            // The box sizes its parent from the bottom-right corner.
            if (HWND parent = GetParent(window))
                SendMessageA(parent, WM_SYSCOMMAND, SC_SIZE + WMSZ_BOTTOMRIGHT, PointToLParam(p));
            return 0;
        }
        TrackScrollBar(window, SB_CTL, p);
        return 0;
    }
    case WM_KEYDOWN: {
        WORD code = 0;
        if (IsSizeBox(window) || !IsWindowEnabled(window) || !KeyCode(wParam, code)) return 0;
        NotifyParent(window, code);
        NotifyParent(window, SB_ENDSCROLL);
        return 0;
    }
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_SETCURSOR:
        if (DefWindowProcA(window, message, wParam, lParam)) return TRUE;
        if (SHORT(LOWORD(std::uintptr_t(lParam))) != HTCLIENT) return FALSE;
        SetCursor(LoadCursorA(nullptr, IsSizeBox(window) ? IDC_SIZENWSE : IDC_ARROW));
        return TRUE;
    case SBM_SETPOS: {
        int old = CurrentPos(window);
        SCROLLINFO info;
        info.fMask = SIF_POS;
        info.nPos = int(wParam);
        ScrollSetInfoCore(window, SB_CTL, info, lParam != 0);
        return old;
    }
    case SBM_GETPOS:
        return CurrentPos(window);
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW: {
        int old = CurrentPos(window);
        SCROLLINFO info;
        info.fMask = SIF_RANGE;
        info.nMin = int(wParam);
        info.nMax = int(lParam);
        ScrollSetInfoCore(window, SB_CTL, info, message == SBM_SETRANGEREDRAW);
        return old;
    }
    case SBM_GETRANGE: {
        SCROLLINFO info;
        info.fMask = SIF_RANGE;
        if (!ScrollGetInfoCore(window, SB_CTL, info)) return 0;
        if (auto* lo = reinterpret_cast<int*>(wParam)) *lo = info.nMin;
        if (auto* hi = reinterpret_cast<int*>(lParam)) *hi = info.nMax;
        return 0;
    }
    case SBM_ENABLE_ARROWS:
        return ScrollEnableCore(window, SB_CTL, UINT(wParam)) ? TRUE : FALSE;
    case SBM_SETSCROLLINFO: {
        auto* info = reinterpret_cast<const SCROLLINFO*>(lParam);
        if (!info || !ValidInfoSize(info->cbSize)) return 0;
        return ScrollSetInfoCore(window, SB_CTL, *info, wParam != 0);
    }
    case SBM_GETSCROLLINFO: {
        auto* info = reinterpret_cast<SCROLLINFO*>(lParam);
        if (!info || !ValidInfoSize(info->cbSize)) return FALSE;
        return ScrollGetInfoCore(window, SB_CTL, *info) ? TRUE : FALSE;
    }
    case SBM_GETSCROLLBARINFO: {
        auto* info = reinterpret_cast<SCROLLBARINFO*>(lParam);
        if (!info || info->cbSize != sizeof(SCROLLBARINFO)) return FALSE;
        return ScrollBarInfoCore(window, SB_CTL, *info) ? TRUE : FALSE;
    }
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The class is there before anyone creates a window.
[[maybe_unused]] const bool ScrollBarClassAtStart = (RegisterScrollBarClass(), true);

} // namespace

void RegisterScrollBarClass() {
    WNDCLASSA existing;
    if (GetClassInfoA(nullptr, ScrollBarClassName, &existing)) return;
    WNDCLASSA wc;
    wc.style = CS_DBLCLKS | CS_VREDRAW | CS_HREDRAW | CS_PARENTDC | CS_GLOBALCLASS;
    wc.lpfnWndProc = ScrollBarProc;
    wc.lpszClassName = ScrollBarClassName;
    RegisterClassA(&wc);
}
