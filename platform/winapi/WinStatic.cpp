// The static window class: text, filled and framed rectangles, etched lines, icons, bitmaps and
// owner drawing, in the classic look; mouse notifications with SS_NOTIFY.
#include "platform/winapi/WinStatic.h"

#include <algorithm>

#include "platform/runtime/Strings.h"
#include "platform/winapi/Cursor.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/GdiText.h"
#include "platform/winapi/WinOwnerDraw.h"

namespace {

struct TStaticState {
    HFONT Font = nullptr;
    HANDLE Image = nullptr;
    bool OwnsImage = false; // a bitmap the control loaded from its text; freed with it
};

TStaticState* StateOf(HWND window) {
    return IsWindow(window) ? reinterpret_cast<TStaticState*>(GetWindowLongPtrA(window, 0)) : nullptr;
}

DWORD StyleOf(HWND window) { return DWORD(GetWindowLongA(window, GWL_STYLE)); }

bool IsTextKind(DWORD type) {
    return type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_SIMPLE ||
           type == SS_LEFTNOWORDWRAP;
}

void Notify(HWND window, WORD code) {
    HWND parent = GetParent(window);
    if (!parent) return;
    WORD id = WORD(GetWindowLongPtrA(window, GWL_ID));
    SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, code), LPARAM(window));
}

String TextOf(HWND window) {
    int length = GetWindowTextLengthA(window);
    String text(std::size_t(std::max(length, 0)) + 1, '\0');
    int n = GetWindowTextA(window, text.data(), length + 1);
    text.resize(std::size_t(std::max(n, 0)));
    return text;
}

HBRUSH ControlColor(HWND window, HDC dc) {
    HWND parent = GetParent(window);
    if (!parent) parent = window;
    auto brush =
        reinterpret_cast<HBRUSH>(SendMessageA(parent, WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(window)));
    if (!brush)
        brush =
            reinterpret_cast<HBRUSH>(DefWindowProcA(parent, WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(window)));
    return brush;
}

// The size of a bitmap or icon; (0, 0) for anything else.
SIZE ImageSize(HANDLE image, bool icon) {
    SIZE size{0, 0};
    if (!image) return size;
    if (!icon) {
        BITMAP bm;
        if (GetObjectA(image, int(sizeof(bm)), &bm)) size = SIZE{bm.bmWidth, bm.bmHeight};
        return size;
    }
    ICONINFO info;
    if (!GetIconInfo(reinterpret_cast<HICON>(image), &info)) return size;
    BITMAP bm;
    if (info.hbmColor && GetObjectA(info.hbmColor, int(sizeof(bm)), &bm)) {
        size = SIZE{bm.bmWidth, bm.bmHeight};
    } else if (info.hbmMask && GetObjectA(info.hbmMask, int(sizeof(bm)), &bm)) {
        size = SIZE{bm.bmWidth, bm.bmHeight / 2}; // the AND half over the XOR half
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return size;
}

bool IsIconType(DWORD type) { return type == SS_ICON; }

// An image control takes the size of its image unless it centres it or keeps its own size.
void FitToImage(HWND window) {
    DWORD style = StyleOf(window);
    DWORD type = style & SS_TYPEMASK;
    if ((type != SS_ICON && type != SS_BITMAP) || (style & (SS_CENTERIMAGE | SS_REALSIZECONTROL))) return;
    TStaticState* s = StateOf(window);
    if (!s || !s->Image) return;
    SIZE size = ImageSize(s->Image, IsIconType(type));
    if (size.cx <= 0 || size.cy <= 0) return;
    RECT window_{}, client{};
    GetWindowRect(window, &window_);
    GetClientRect(window, &client);
    int frameX = (window_.right - window_.left) - client.right;
    int frameY = (window_.bottom - window_.top) - client.bottom;
    SetWindowPos(window, nullptr, 0, 0, size.cx + frameX, size.cy + frameY,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void DrawText3D(HDC dc, const String& text, RECT rect, UINT format, bool enabled) {
    SetBkMode(dc, TRANSPARENT);
    if (enabled) {
        DrawTextA(dc, text.c_str(), -1, &rect, format);
        return;
    }
    COLORREF old = SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
    RECT shifted = rect;
    OffsetRect(&shifted, 1, 1);
    DrawTextA(dc, text.c_str(), -1, &shifted, format);
    SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
    DrawTextA(dc, text.c_str(), -1, &rect, format);
    SetTextColor(dc, old);
}

UINT TextFormat(DWORD style) {
    DWORD type = style & SS_TYPEMASK;
    UINT format = DT_EXPANDTABS;
    switch (type) {
    case SS_CENTER:
        format |= DT_CENTER | DT_WORDBREAK;
        break;
    case SS_RIGHT:
        format |= DT_RIGHT | DT_WORDBREAK;
        break;
    case SS_SIMPLE:
        format |= DT_LEFT | DT_SINGLELINE;
        break;
    case SS_LEFTNOWORDWRAP:
        format |= DT_LEFT;
        break;
    default:
        format |= DT_LEFT | DT_WORDBREAK;
        break;
    }
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    if (style & SS_EDITCONTROL) format |= DT_EDITCONTROL;
    if (style & SS_CENTERIMAGE) format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
    // A text shortened with an ellipsis is not wrapped.
    switch (style & SS_ELLIPSISMASK) {
    case SS_ENDELLIPSIS:
        format = (format & ~DT_WORDBREAK) | DT_END_ELLIPSIS;
        break;
    case SS_PATHELLIPSIS:
        format = (format & ~DT_WORDBREAK) | DT_PATH_ELLIPSIS;
        break;
    case SS_WORDELLIPSIS:
        format = (format & ~DT_WORDBREAK) | DT_WORD_ELLIPSIS;
        break;
    default:
        break;
    }
    return format;
}

void Paint(HWND window, HDC dc) {
    TStaticState* s = StateOf(window);
    if (!s || !dc) return;
    DWORD style = StyleOf(window);
    DWORD type = style & SS_TYPEMASK;
    HFONT font = s->Font ? s->Font : reinterpret_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    HANDLE image = s->Image;
    bool enabled = IsWindowShownEnabled(window);
    RECT client;
    GetClientRect(window, &client);

    int saved = SaveDC(dc);
    SelectObject(dc, font);
    switch (type) {
    case SS_BLACKRECT:
        FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOWFRAME));
        break;
    case SS_GRAYRECT:
        FillRect(dc, &client, GetSysColorBrush(COLOR_3DSHADOW));
        break;
    case SS_WHITERECT:
        FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
        break;
    // Frames and etched lines leave their inside to the parent.
    case SS_BLACKFRAME:
        FrameRect(dc, &client, GetSysColorBrush(COLOR_WINDOWFRAME));
        break;
    case SS_GRAYFRAME:
        FrameRect(dc, &client, GetSysColorBrush(COLOR_3DSHADOW));
        break;
    case SS_WHITEFRAME:
        FrameRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
        break;
    case SS_ETCHEDHORZ:
        DrawEdge(dc, &client, EDGE_ETCHED, BF_TOP);
        break;
    case SS_ETCHEDVERT:
        DrawEdge(dc, &client, EDGE_ETCHED, BF_LEFT);
        break;
    case SS_ETCHEDFRAME:
        DrawEdge(dc, &client, EDGE_ETCHED, BF_RECT);
        break;
    case SS_OWNERDRAW: {
        ControlColor(window, dc);
        HWND parent = GetParent(window);
        if (!parent || !IsWindow(window)) break;
        DRAWITEMSTRUCT item;
        item.CtlType = ODT_STATIC;
        item.CtlID = UINT(GetWindowLongPtrA(window, GWL_ID));
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = enabled ? 0 : ODS_DISABLED;
        item.hwndItem = window;
        item.hDC = dc;
        item.rcItem = client;
        SendMessageA(parent, WM_DRAWITEM, WPARAM(item.CtlID), LPARAM(&item));
        break;
    }
    case SS_ICON:
    case SS_BITMAP: {
        HBRUSH brush = ControlColor(window, dc);
        if (brush) FillRect(dc, &client, brush);
        if (!image || !IsWindow(window)) break;
        bool icon = type == SS_ICON;
        SIZE size = ImageSize(image, icon);
        int x = client.left, y = client.top;
        if (style & SS_CENTERIMAGE) {
            x += (client.right - client.left - size.cx) / 2;
            y += (client.bottom - client.top - size.cy) / 2;
        }
        if (icon) {
            DrawIconEx(dc, x, y, reinterpret_cast<HICON>(image), 0, 0, 0, nullptr, DI_NORMAL);
        } else {
            HDC memory = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(memory, image);
            BitBlt(dc, x, y, size.cx, size.cy, memory, 0, 0, SRCCOPY);
            SelectObject(memory, old);
            DeleteDC(memory);
        }
        break;
    }
    default: {
        HBRUSH brush = ControlColor(window, dc);
        if (brush) FillRect(dc, &client, brush);
        if (!IsTextKind(type) || !IsWindow(window)) break;
        String text = TextOf(window);
        if (!text.empty()) DrawText3D(dc, text, client, TextFormat(style), enabled);
        break;
    }
    }
    RestoreDC(dc, saved);
}

// The image a new SS_ICON or SS_BITMAP control names in its text.
void LoadImageFromName(HWND window, const CREATESTRUCTA* cs) {
    TStaticState* s = StateOf(window);
    if (!s || !cs || !cs->lpszName) return;
    DWORD type = DWORD(cs->style) & SS_TYPEMASK;
    bool numbered = (std::uintptr_t(cs->lpszName) >> 16) == 0;
    if (!numbered && *cs->lpszName == '\0') return;
    if (type == SS_ICON) {
        // Icons are shared; nothing to free later.
        s->Image = LoadIconA(cs->hInstance, cs->lpszName);
    } else if (type == SS_BITMAP) {
        s->Image = LoadBitmapA(cs->hInstance, cs->lpszName);
        s->OwnsImage = s->Image != nullptr;
    }
}

void DropImage(TStaticState* s) {
    if (s->OwnsImage && s->Image) DeleteObject(s->Image);
    s->Image = nullptr;
    s->OwnsImage = false;
}

bool ImageKindMatches(DWORD type, WPARAM kind) {
    if (type == SS_BITMAP) return kind == IMAGE_BITMAP;
    if (type == SS_ICON) return kind == IMAGE_ICON || kind == IMAGE_CURSOR;
    return false;
}

LRESULT SetImage(HWND window, TStaticState* s, WPARAM kind, HANDLE image) {
    DWORD type = StyleOf(window) & SS_TYPEMASK;
    if (!ImageKindMatches(type, kind)) return 0;
    HANDLE old = s->Image;
    // The caller takes back whatever we return, a bitmap we loaded ourselves included.
    s->Image = image;
    s->OwnsImage = false;
    FitToImage(window);
    InvalidateRect(window, nullptr, TRUE);
    return LRESULT(old);
}

LRESULT StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE: {
        if (!GetWindowLongPtrA(window, 0)) SetWindowLongPtrA(window, 0, LONG_PTR(new TStaticState));
        auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        if (cs && (DWORD(cs->style) & SS_SUNKEN)) {
            DWORD ex = DWORD(GetWindowLongA(window, GWL_EXSTYLE));
            SetWindowLongA(window, GWL_EXSTYLE, LONG_PTR(ex | WS_EX_STATICEDGE));
        }
        LoadImageFromName(window, cs);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    case WM_NCDESTROY: {
        auto* s = reinterpret_cast<TStaticState*>(GetWindowLongPtrA(window, 0));
        if (s) {
            DropImage(s);
            delete s;
        }
        SetWindowLongPtrA(window, 0, 0);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    default:
        break;
    }

    TStaticState* s = StateOf(window);
    if (!s) return DefWindowProcA(window, message, wParam, lParam);
    const DWORD style = StyleOf(window);

    switch (message) {
    case WM_CREATE:
        FitToImage(window);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_NCHITTEST:
        // Without SS_NOTIFY the mouse goes through to whatever lies below.
        if (!(style & SS_NOTIFY)) return HTTRANSPARENT;
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_SETCURSOR:
        if (DefWindowProcA(window, message, wParam, lParam)) return TRUE;
        if (SHORT(LOWORD(std::uintptr_t(lParam))) == HTCLIENT) {
            SetCursor(LoadCursorA(nullptr, IDC_ARROW));
            return TRUE;
        }
        return FALSE;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        if (wParam) {
            Paint(window, reinterpret_cast<HDC>(wParam));
        } else {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            Paint(window, dc);
            EndPaint(window, &ps);
        }
        return 0;
    case WM_PRINTCLIENT:
        Paint(window, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_SETTEXT: {
        LRESULT result = DefWindowProcA(window, message, wParam, lParam);
        InvalidateRect(window, nullptr, TRUE);
        return result;
    }
    case WM_SETFONT:
        s->Font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(std::uintptr_t(lParam))) InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return LRESULT(s->Font);
    case WM_ENABLE:
        InvalidateRect(window, nullptr, TRUE);
        if (style & SS_NOTIFY) Notify(window, wParam ? STN_ENABLE : STN_DISABLE);
        return 0;
    case WM_SYSCOLORCHANGE:
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_LBUTTONDOWN:
        if (style & SS_NOTIFY) Notify(window, STN_CLICKED);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (style & SS_NOTIFY) Notify(window, STN_DBLCLK);
        return 0;
    case STM_SETIMAGE:
        return SetImage(window, s, wParam, reinterpret_cast<HANDLE>(lParam));
    case STM_GETIMAGE:
        return ImageKindMatches(style & SS_TYPEMASK, wParam) ? LRESULT(s->Image) : 0;
    case STM_SETICON:
        return SetImage(window, s, IMAGE_ICON, reinterpret_cast<HANDLE>(wParam));
    case STM_GETICON:
        return (style & SS_TYPEMASK) == SS_ICON ? LRESULT(s->Image) : 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool RegisterStaticClass() {
    WNDCLASSA wc;
    if (GetClassInfoA(nullptr, WC_STATICA, &wc)) return true;
    wc = WNDCLASSA{};
    wc.style = CS_DBLCLKS | CS_PARENTDC | CS_GLOBALCLASS;
    wc.lpfnWndProc = StaticProc;
    wc.cbWndExtra = int(sizeof(TStaticState*));
    wc.lpszClassName = WC_STATICA;
    return RegisterClassA(&wc) != 0;
}

// Registered as the program starts, so that every thread finds the class by name.
[[maybe_unused]] const bool StaticClassRegistered = RegisterStaticClass();

} // namespace

void WinRegisterStaticClass() { RegisterStaticClass(); }
