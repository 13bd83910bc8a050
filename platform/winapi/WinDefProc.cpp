// DefWindowProc: what a window does with the messages its procedure leaves to the system.
#include <algorithm>
#include <cstring>

#include "platform/winapi/Cursor.h"
#include "platform/winapi/SysColors.h"
#include "platform/winapi/WinMenu.h"
#include "platform/winapi/WinScrollInternal.h"

using namespace WinInternal;

namespace {

// Whether Alt went down with no other key since, on this thread: releasing it then enters the
// menu bar.
thread_local bool AltAlone = false;

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

HWND ParentOfChild(HWND window) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w || !IsChildStyle(w)) return nullptr;
    return w->Parent->Handle;
}

// The client rectangle a window of its styles has inside a window rectangle.
void CalcClient(HWND window, RECT& rect) {
    DWORD style = 0, exStyle = 0;
    bool menu = false;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return;
        style = w->Style;
        exStyle = w->ExStyle;
        menu = HasMenuBar(w);
    }
    if (style & WS_MINIMIZE) {
        rect.right = rect.left;
        rect.bottom = rect.top;
        return;
    }
    RECT f = FrameInsets(style, exStyle, menu);
    rect.left -= f.left;
    rect.top -= f.top;
    rect.right -= f.right;
    rect.bottom -= f.bottom;
    if (style & WS_VSCROLL) rect.right -= GetSystemMetrics(SM_CXVSCROLL);
    if (style & WS_HSCROLL) rect.bottom -= GetSystemMetrics(SM_CYHSCROLL);
    rect.right = std::max(rect.right, rect.left);
    rect.bottom = std::max(rect.bottom, rect.top);
}

void NoteTitle(HWND window) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (w && IsTopLevel(w)) SurfaceUpdate(w);
}

bool HasCaption(HWND window) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    return w && (w->Style & WS_CAPTION) == WS_CAPTION && IsVisibleChain(w);
}

void PaintNonClientNow(HWND window) { NcPaint(window, reinterpret_cast<HRGN>(1)); }

// The cursor a part of the frame shows.
LPCSTR FrameCursor(LRESULT hit) {
    switch (hit) {
    case HTLEFT:
    case HTRIGHT:
        return IDC_SIZEWE;
    case HTTOP:
    case HTBOTTOM:
        return IDC_SIZENS;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
        return IDC_SIZENWSE;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
        return IDC_SIZENESW;
    default:
        return IDC_ARROW;
    }
}

LRESULT Print(HWND window, HDC dc, LPARAM flags) {
    if ((flags & PRF_CHECKVISIBLE) && !IsWindowVisible(window)) return 0;
    RECT client{};
    POINT clientOffset{};
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return 0;
        client = RECT{0, 0, Width(w->Client), Height(w->Client)};
        clientOffset = POINT{w->Client.left, w->Client.top};
    }
    int saved = SaveDC(dc);
    if (flags & PRF_NONCLIENT) NcDraw(window, dc);
    // The client area's origin, with drawing kept inside it.
    OffsetViewportOrgEx(dc, clientOffset.x, clientOffset.y, nullptr);
    IntersectClipRect(dc, 0, 0, client.right, client.bottom);
    if (flags & PRF_ERASEBKGND) SendMessageA(window, WM_ERASEBKGND, WPARAM(dc), 0);
    if (flags & PRF_CLIENT) SendMessageA(window, WM_PRINTCLIENT, WPARAM(dc), flags);
    if (flags & PRF_CHILDREN) {
        std::vector<std::pair<HWND, POINT>> children;
        {
            TLock lock(StateMutex());
            TWnd* w = Find(window);
            if (w)
                for (auto it = w->Children.rbegin(); it != w->Children.rend(); ++it)
                    if ((*it)->Style & WS_VISIBLE)
                        children.push_back({(*it)->Handle, POINT{(*it)->Rect.left, (*it)->Rect.top}});
        }
        for (auto& [child, pos] : children) {
            int inner = SaveDC(dc);
            OffsetViewportOrgEx(dc, pos.x, pos.y, nullptr);
            SendMessageA(child, WM_PRINT, WPARAM(dc), flags | PRF_NONCLIENT);
            RestoreDC(dc, inner);
        }
    }
    RestoreDC(dc, saved);
    return 0;
}

} // namespace

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        if (cs && cs->lpszName && (std::uintptr_t(cs->lpszName) >> 16) != 0) {
            TLock lock(StateMutex());
            if (TWnd* w = Find(window)) w->Text = cs->lpszName;
        }
        NoteTitle(window);
        return TRUE;
    }
    case WM_NCCALCSIZE: {
        if (!lParam) return 0;
        RECT* rect =
            wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
        CalcClient(window, *rect);
        return 0;
    }
    case WM_NCHITTEST:
        return NcHitTest(window, MakePointFromLParam(lParam));
    case WM_NCPAINT:
        NcPaint(window, reinterpret_cast<HRGN>(wParam));
        return 0;
    case WM_NCACTIVATE:
        NcActivate(window, wParam != 0);
        return TRUE;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        // A press on the menu bar enters the menu.
        if (message == WM_NCLBUTTONDOWN && wParam == WPARAM(HTMENU)) {
            SendMessageA(window, WM_SYSCOMMAND, SC_MOUSEMENU + wParam, lParam);
            return 0;
        }
        NcButtonDown(window, LRESULT(wParam), MakePointFromLParam(lParam), message == WM_NCLBUTTONDBLCLK);
        return 0;
    case WM_NCDESTROY:
        ForgetScrollState(window);
        ForgetFrameState(window);
        WinMenuWindowDestroyed(window);
        return 0;
    case WM_SETTEXT: {
        {
            TLock lock(StateMutex());
            TWnd* w = Find(window);
            if (!w) return FALSE;
            w->Text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        }
        NoteTitle(window);
        if (HasCaption(window)) PaintNonClientNow(window);
        return TRUE;
    }
    case WM_SETICON: {
        HICON before = nullptr;
        {
            TLock lock(StateMutex());
            TWnd* w = Find(window);
            if (!w) return 0;
            HICON& slot = wParam == ICON_SMALL ? w->SmallIcon : w->BigIcon;
            before = slot;
            slot = reinterpret_cast<HICON>(lParam);
        }
        if (HasCaption(window)) PaintNonClientNow(window);
        return LRESULT(before);
    }
    case WM_GETICON: {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return 0;
        if (wParam == ICON_BIG) return LRESULT(w->BigIcon);
        if (wParam == ICON_SMALL2 && !w->SmallIcon) return LRESULT(w->BigIcon);
        return LRESULT(w->SmallIcon);
    }
    case WM_GETTEXT: {
        char* buffer = reinterpret_cast<char*>(lParam);
        int size = int(wParam);
        if (!buffer || size <= 0) return 0;
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) {
            buffer[0] = '\0';
            return 0;
        }
        int n = std::min<int>(int(w->Text.size()), size - 1);
        std::memcpy(buffer, w->Text.data(), size_t(n));
        buffer[n] = '\0';
        return n;
    }
    case WM_GETTEXTLENGTH: {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        return w ? LRESULT(w->Text.size()) : 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_ERASEBKGND: {
        HBRUSH brush = nullptr;
        RECT client{};
        {
            TLock lock(StateMutex());
            TWnd* w = Find(window);
            if (!w || !w->Class) return 0;
            brush = w->Class->Background;
            client = RECT{0, 0, Width(w->Client), Height(w->Client)};
        }
        if (!brush) return 0;
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
        return 1;
    }
    case WM_PRINT:
        return Print(window, reinterpret_cast<HDC>(wParam), lParam);
    case WM_PRINTCLIENT:
        return 0;
    case WM_WINDOWPOSCHANGING: {
        auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
        if (!wp || (wp->flags & SWP_NOSIZE)) return 0;
        bool resizable = false;
        {
            TLock lock(StateMutex());
            TWnd* w = Find(window);
            if (!w || (w->Style & (WS_MINIMIZE | WS_MAXIMIZE))) return 0;
            resizable = (w->Style & WS_THICKFRAME) || (IsTopLevel(w) && !(w->Style & (WS_POPUP | WS_CHILD)));
        }
        if (!resizable) return 0;
        MINMAXINFO info = WindowMinMax(window);
        wp->cx = std::max<int>(info.ptMinTrackSize.x, std::min<int>(wp->cx, info.ptMaxTrackSize.x));
        wp->cy = std::max<int>(info.ptMinTrackSize.y, std::min<int>(wp->cy, info.ptMaxTrackSize.y));
        return 0;
    }
    case WM_WINDOWPOSCHANGED: {
        auto* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (!wp) return 0;
        RECT client{};
        POINT origin{};
        DWORD style = 0;
        {
            TLock lock(StateMutex());
            TWnd* w = Find(window);
            if (!w) return 0;
            client = w->Client;
            origin = POINT{w->Rect.left + client.left, w->Rect.top + client.top};
            style = w->Style;
        }
        if (!(wp->flags & SWP_NOCLIENTMOVE))
            SendMessageA(window, WM_MOVE, 0, MAKELPARAM(WORD(origin.x), WORD(origin.y)));
        if (!(wp->flags & SWP_NOCLIENTSIZE) || (wp->flags & SWP_FRAMECHANGED)) {
            WPARAM kind = (style & WS_MAXIMIZE)   ? SIZE_MAXIMIZED
                          : (style & WS_MINIMIZE) ? SIZE_MINIMIZED
                                                  : SIZE_RESTORED;
            if (!(wp->flags & SWP_NOCLIENTSIZE) || kind != SIZE_RESTORED)
                SendMessageA(window, WM_SIZE, kind, MAKELPARAM(WORD(Width(client)), WORD(Height(client))));
        }
        return 0;
    }
    case WM_GETMINMAXINFO:
        return 0;
    case WM_SETCURSOR: {
        if (HWND parent = ParentOfChild(window))
            if (SendMessageA(parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
        LRESULT hit = SHORT(LOWORD(std::uintptr_t(lParam)));
        if (hit != HTCLIENT && hit != HTERROR && hit != HTNOWHERE) {
            SetCursor(LoadCursorA(nullptr, FrameCursor(hit)));
            return TRUE;
        }
        if (hit == HTCLIENT) {
            HCURSOR cursor = nullptr;
            {
                TLock lock(StateMutex());
                TWnd* w = Find(window);
                if (w && w->Class) cursor = w->Class->Cursor;
            }
            if (cursor) {
                SetCursor(cursor);
                return TRUE;
            }
        }
        return FALSE;
    }
    case WM_MOUSEACTIVATE: {
        if (HWND parent = ParentOfChild(window)) {
            LRESULT r = SendMessageA(parent, WM_MOUSEACTIVATE, wParam, lParam);
            if (r) return r;
        }
        return MA_ACTIVATE;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && HIWORD(wParam) == 0) SetFocus(window);
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_SYSCOMMAND:
        if (NcSysCommand(window, wParam, lParam)) return 0;
        switch (wParam & 0xFFF0) {
        case SC_MOUSEMENU:
            WinMenuEnterFromBar(window, MakePointFromLParam(lParam));
            return 0;
        case SC_KEYMENU:
            WinMenuEnterFromKey(window, UINT(lParam));
            return 0;
        case SC_CLOSE: {
            bool noClose = false;
            {
                TLock lock(StateMutex());
                TWnd* w = Find(window);
                noClose = w && w->Class && (w->Class->Style & CS_NOCLOSE);
            }
            if (!noClose) SendMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        }
        case SC_MINIMIZE:
            ShowWindow(window, SW_MINIMIZE);
            return 0;
        case SC_MAXIMIZE:
            ShowWindow(window, SW_MAXIMIZE);
            return 0;
        case SC_RESTORE:
            ShowWindow(window, SW_RESTORE);
            return 0;
        default:
            return 0;
        }
    case WM_RBUTTONUP: {
        POINT p = MakePointFromLParam(lParam);
        ClientToScreen(window, &p);
        SendMessageA(window, WM_CONTEXTMENU, WPARAM(window), PointToLParam(p));
        return 0;
    }
    case WM_CONTEXTMENU:
        if (HWND parent = ParentOfChild(window)) SendMessageA(parent, WM_CONTEXTMENU, wParam, lParam);
        return 0;
    case WM_KEYUP:
        if (wParam == WPARAM(VK_APPS)) SendMessageA(window, WM_CONTEXTMENU, WPARAM(window), -1);
        return 0;
    case WM_SYSKEYUP:
        // Alt pressed and released with no other key between, or F10, enters the top-level
        // window's menu bar.
        if ((wParam == WPARAM(VK_MENU) && AltAlone) || wParam == WPARAM(VK_F10))
            if (HWND top = GetAncestor(window, GA_ROOT)) SendMessageA(top, WM_SYSCOMMAND, SC_KEYMENU, 0);
        AltAlone = false;
        return 0;
    case WM_SYSCHAR:
        // Alt and a letter: the bar's item with that mnemonic.
        if (HWND top = GetAncestor(window, GA_ROOT)) SendMessageA(top, WM_SYSCOMMAND, SC_KEYMENU, wParam);
        return 0;
    case WM_KEYDOWN:
        AltAlone = false;
        return 0;
    case WM_SYSKEYDOWN:
        // A repeated Alt keeps it alone; any other key does not.
        if (wParam == WPARAM(VK_MENU)) {
            if (!(std::uintptr_t(lParam) & 0x40000000)) AltAlone = true;
        } else {
            AltAlone = false;
        }
        if (wParam == WPARAM(VK_F10) && (GetKeyState(VK_SHIFT) & 0x8000))
            SendMessageA(window, WM_CONTEXTMENU, WPARAM(window), -1);
        else if (wParam == WPARAM(VK_F4) && (HIWORD(std::uintptr_t(lParam)) & KF_ALTDOWN)) {
            HWND top = GetAncestor(window, GA_ROOT);
            if (top) PostMessageA(top, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        return 0;
    case WM_MOUSEWHEEL:
        if (HWND parent = ParentOfChild(window)) return SendMessageA(parent, WM_MOUSEWHEEL, wParam, lParam);
        return 0;
    case WM_CANCELMODE:
        if (GetCapture() == window) ReleaseCapture();
        return 0;
    case WM_SETREDRAW: {
        // Only the visibility bit, without any message.
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return 0;
        if (wParam)
            w->Style |= WS_VISIBLE;
        else
            w->Style &= ~WS_VISIBLE;
        if (TWnd* top = TopLevelOf(w)) {
            RetargetContexts(top);
            if (top == w) SurfaceUpdate(w);
        }
        return 0;
    }
    case WM_QUERYOPEN:
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_CTLCOLORSCROLLBAR: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_SCROLLBAR));
        return LRESULT(GetSysColorBrush(COLOR_SCROLLBAR));
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        bool window = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
        // The brush of the same colour as the background the text is drawn on; a control that
        // looks disabled has greyed text.
        HWND control = reinterpret_cast<HWND>(lParam);
        bool greyed = control && message != WM_CTLCOLORMSGBOX && message != WM_CTLCOLORDLG &&
                      !IsWindowShownEnabled(control);
        SetTextColor(dc, GetSysColor(greyed ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(window ? COLOR_WINDOW : COLOR_3DFACE));
        return LRESULT(GetSysColorBrush(window ? COLOR_WINDOW : COLOR_3DFACE));
    }
    default:
        return 0;
    }
}
