// The non-client area: the frame's layout (borders, caption and its buttons, menu bar, edges,
// scroll bars), hit testing, painting in the classic look, caption activity, and the mouse loops
// that press a caption button and move or size a window by its frame.
//
// A top-level window with a caption is framed by the window manager: its frame is still laid out
// and painted into its image (so that client sizes follow the classic metrics), but moving,
// sizing and the caption's buttons are the window manager's. Every other window - child windows
// with captions such as MDI children, frameless or bordered popups - is moved and sized here.
#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

#include "platform/winapi/Cursor.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/GdiText.h"
#include "platform/winapi/SysColors.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinScrollInternal.h"

using namespace WinInternal;

namespace {

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }
bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
bool Inside(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// ---- State ---------------------------------------------------------------------------------------

struct TFrameState {
    std::optional<bool> Active;  // as the last WM_NCACTIVATE said
    LRESULT Pressed = HTNOWHERE; // a caption button held down with the pointer on it
};

std::map<HWND, TFrameState>& FrameStates() {
    static auto* states = new std::map<HWND, TFrameState>;
    return *states;
}

// With the lock held.
TFrameState& FrameStateOf(HWND window) {
    auto& states = FrameStates();
    auto it = states.find(window);
    if (it != states.end()) return it->second;
    for (auto s = states.begin(); s != states.end();)
        s = Find(s->first) ? std::next(s) : states.erase(s);
    return states[window];
}

// ---- Layout --------------------------------------------------------------------------------------

// All in window coordinates.
struct TLayout {
    DWORD Style = 0;
    DWORD ExStyle = 0;
    RECT Window{};
    RECT Inner{}; // inside the outer border
    int Border = 0;
    bool Sizing = false; // the border sizes the window
    bool Caption = false;
    bool Tool = false;
    RECT CaptionRect{}; // the caption band, its separating line included
    bool SysMenu = false;
    RECT SysMenuRect{}; // where HTSYSMENU answers
    RECT IconRect{};
    RECT Close{}, Max{}, Min{}, Help{};
    bool Menu = false;
    RECT MenuRect{};
    RECT Client{};
    RECT VScroll{}, HScroll{}, SizeBox{};
};

TLayout LayoutOf(const TWnd* w) {
    TLayout l;
    l.Style = w->Style;
    l.ExStyle = w->ExStyle;
    l.Window = RECT{0, 0, Width(w->Rect), Height(w->Rect)};
    l.Border = BorderWidth(w->Style, w->ExStyle);
    l.Inner = RECT{l.Border, l.Border, l.Window.right - l.Border, l.Window.bottom - l.Border};
    l.Sizing = (w->Style & WS_THICKFRAME) && !(w->Style & (WS_MAXIMIZE | WS_MINIMIZE));
    l.Client = w->Client;
    int top = l.Inner.top;
    if ((w->Style & WS_CAPTION) == WS_CAPTION) {
        l.Caption = true;
        l.Tool = (w->ExStyle & WS_EX_TOOLWINDOW) != 0;
        int height = GetSystemMetrics(l.Tool ? SM_CYSMCAPTION : SM_CYCAPTION);
        l.CaptionRect = RECT{l.Inner.left, top, l.Inner.right, top + height};
        top += height;
        if (w->Style & WS_SYSMENU) {
            int bw = GetSystemMetrics(l.Tool ? SM_CXSMSIZE : SM_CXSIZE) - 2;
            int bh = GetSystemMetrics(l.Tool ? SM_CYSMSIZE : SM_CYSIZE) - 4;
            int y = l.CaptionRect.top + 2;
            int right = l.CaptionRect.right - 2;
            l.Close = RECT{right - bw, y, right, y + bh};
            right = l.Close.left - 2;
            if (!l.Tool && (w->Style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX))) {
                l.Max = RECT{right - bw, y, right, y + bh};
                l.Min = RECT{l.Max.left - bw, y, l.Max.left, y + bh};
            } else if (!l.Tool && (w->ExStyle & WS_EX_CONTEXTHELP)) {
                l.Help = RECT{right - bw, y, right, y + bh};
            }
            if (!l.Tool && !(w->ExStyle & WS_EX_DLGMODALFRAME)) {
                l.SysMenu = true;
                int icon = GetSystemMetrics(SM_CXSMICON);
                int iy = l.CaptionRect.top + (height - 1 - icon) / 2;
                l.IconRect = RECT{l.CaptionRect.left + 2, iy, l.CaptionRect.left + 2 + icon, iy + icon};
                l.SysMenuRect = RECT{l.CaptionRect.left, l.CaptionRect.top,
                                     l.CaptionRect.left + GetSystemMetrics(SM_CXSIZE), l.CaptionRect.bottom};
            }
        }
    }
    if (HasMenuBar(w)) {
        l.Menu = true;
        l.MenuRect = RECT{l.Inner.left, top, l.Inner.right, top + GetSystemMetrics(SM_CYMENU)};
    }
    l.VScroll = WindowScrollBarRect(w, SB_VERT);
    l.HScroll = WindowScrollBarRect(w, SB_HORZ);
    l.SizeBox = WindowScrollBarRect(w, SB_BOTH);
    return l;
}

// A caption button's column: the button's width over the caption's height.
bool InColumn(const RECT& button, const RECT& caption, POINT p) {
    return !Empty(button) && p.x >= button.left && p.x < button.right && p.y >= caption.top &&
           p.y < caption.bottom;
}

LRESULT HitLayout(const TLayout& l, POINT p) {
    if (!Inside(l.Window, p)) return HTNOWHERE;
    if (Inside(l.Client, p)) return HTCLIENT;
    if (l.Sizing) {
        int border = l.Border;
        int corner = GetSystemMetrics(SM_CXSIZE) + border;
        const RECT& r = l.Window;
        bool left = p.x < r.left + border, right = p.x >= r.right - border;
        bool top = p.y < r.top + border, bottom = p.y >= r.bottom - border;
        bool nearLeft = p.x < r.left + corner, nearRight = p.x >= r.right - corner;
        bool nearTop = p.y < r.top + corner, nearBottom = p.y >= r.bottom - corner;
        if (top) return nearLeft ? HTTOPLEFT : nearRight ? HTTOPRIGHT : HTTOP;
        if (bottom) return nearLeft ? HTBOTTOMLEFT : nearRight ? HTBOTTOMRIGHT : HTBOTTOM;
        if (left) return nearTop ? HTTOPLEFT : nearBottom ? HTBOTTOMLEFT : HTLEFT;
        if (right) return nearTop ? HTTOPRIGHT : nearBottom ? HTBOTTOMRIGHT : HTRIGHT;
    } else if (!Inside(l.Inner, p)) {
        return HTBORDER;
    }
    if (l.Caption && Inside(l.CaptionRect, p)) {
        if (InColumn(l.Close, l.CaptionRect, p)) return HTCLOSE;
        if (InColumn(l.Max, l.CaptionRect, p)) return HTMAXBUTTON;
        if (InColumn(l.Min, l.CaptionRect, p)) return HTMINBUTTON;
        if (InColumn(l.Help, l.CaptionRect, p)) return HTHELP;
        if (l.SysMenu && Inside(l.SysMenuRect, p)) return HTSYSMENU;
        return HTCAPTION;
    }
    if (l.Style & WS_MINIMIZE) return HTCAPTION;
    if (l.Menu && Inside(l.MenuRect, p)) return HTMENU;
    if (Inside(l.VScroll, p)) return HTVSCROLL;
    if (Inside(l.HScroll, p)) return HTHSCROLL;
    if (Inside(l.SizeBox, p)) return HTSIZE;
    return HTBORDER;
}

// Whether moving, sizing and the caption's buttons are ours rather than the window manager's.
bool FrameIsOurs(const TWnd* w) { return !IsTopLevel(w) || (w->Style & WS_CAPTION) != WS_CAPTION; }

// ---- Painting ------------------------------------------------------------------------------------

void FillColor(HDC dc, const RECT& r, COLORREF color) {
    if (Empty(r)) return;
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

void FillSys(HDC dc, const RECT& r, int sysColor) {
    if (!Empty(r)) FillRect(dc, &r, GetSysColorBrush(sysColor));
}

// One-pixel lines on the four sides, then the rectangle shrinks by one.
void Edge(HDC dc, RECT& r, int topLeft, int bottomRight) {
    FillSys(dc, RECT{r.left, r.top, r.right - 1, r.top + 1}, topLeft);
    FillSys(dc, RECT{r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
    FillSys(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
    FillSys(dc, RECT{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    r.left++;
    r.top++;
    r.right--;
    r.bottom--;
}

void Band(HDC dc, RECT& r, int width, int color) {
    for (int i = 0; i < width; ++i)
        Edge(dc, r, color, color);
}

// From one colour at the left to the other at the right, in runs of equal colour.
void Gradient(HDC dc, const RECT& r, COLORREF from, COLORREF to) {
    int w = Width(r);
    if (w <= 0 || Height(r) <= 0) return;
    auto channel = [&](int shift, int x) {
        int a = int((from >> shift) & 0xFF), b = int((to >> shift) & 0xFF);
        return w == 1 ? a : a + int(std::lround(double(b - a) * x / (w - 1)));
    };
    auto colorAt = [&](int x) {
        return COLORREF(channel(0, x) | (channel(8, x) << 8) | (channel(16, x) << 16));
    };
    int start = 0;
    COLORREF current = colorAt(0);
    for (int x = 1; x <= w; ++x) {
        COLORREF c = x < w ? colorAt(x) : ~current;
        if (c == current) continue;
        FillColor(dc, RECT{r.left + start, r.top, r.left + x, r.bottom}, current);
        start = x;
        current = c;
    }
}

HICON CaptionIcon(HWND window, HICON classSmall, HICON classIcon) {
    constexpr WPARAM SmallIcon = 0, BigIcon = 1;
    if (auto icon = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, SmallIcon, 0))) return icon;
    if (auto icon = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, BigIcon, 0))) return icon;
    if (classSmall) return classSmall;
    if (classIcon) return classIcon;
    return LoadIconA(nullptr, IDI_APPLICATION);
}

struct TPaintInfo {
    TLayout Layout;
    String Text;
    bool Active = false;
    LRESULT Pressed = HTNOWHERE;
    bool NoClose = false;
    HICON ClassSmall = nullptr;
    HICON ClassIcon = nullptr;
};

void DrawCaption(HWND window, HDC dc, const TPaintInfo& info) {
    const TLayout& l = info.Layout;
    RECT band = l.CaptionRect;
    band.bottom -= 1;
    Gradient(dc, band, GetSysColor(info.Active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION),
             GetSysColor(info.Active ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION));
    FillSys(dc, RECT{band.left, band.bottom, band.right, band.bottom + 1}, COLOR_3DFACE);

    int textLeft = band.left + 2;
    if (l.SysMenu) {
        if (HICON icon = CaptionIcon(window, info.ClassSmall, info.ClassIcon))
            DrawIconEx(dc, l.IconRect.left, l.IconRect.top, icon, Width(l.IconRect), Height(l.IconRect), 0,
                       nullptr, DI_NORMAL);
        textLeft = l.IconRect.right + 2;
    }
    int textRight = band.right - 2;
    for (const RECT* b : {&l.Close, &l.Max, &l.Min, &l.Help})
        if (!Empty(*b)) textRight = std::min<int>(textRight, b->left - 2);
    if (!info.Text.empty() && textRight > textLeft) {
        NONCLIENTMETRICSA metrics;
        SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
        HFONT font = CreateFontIndirectA(l.Tool ? &metrics.lfSmCaptionFont : &metrics.lfCaptionFont);
        HGDIOBJ old = SelectObject(dc, font);
        int oldMode = SetBkMode(dc, TRANSPARENT);
        COLORREF oldColor =
            SetTextColor(dc, GetSysColor(info.Active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
        RECT text{textLeft, band.top, textRight, band.bottom};
        DrawTextA(dc, info.Text.c_str(), int(info.Text.size()), &text,
                  DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS | DT_NOPREFIX);
        SetTextColor(dc, oldColor);
        SetBkMode(dc, oldMode);
        SelectObject(dc, old);
        DeleteObject(font);
    }

    auto button = [&](const RECT& r, UINT kind, LRESULT hit, bool inactive) {
        if (Empty(r)) return;
        RECT b = r;
        DrawFrameControl(dc, &b, DFC_CAPTION,
                         kind | (inactive ? DFCS_INACTIVE : 0) | (info.Pressed == hit ? DFCS_PUSHED : 0));
    };
    bool maximized = (l.Style & WS_MAXIMIZE) != 0, minimized = (l.Style & WS_MINIMIZE) != 0;
    button(l.Close, DFCS_CAPTIONCLOSE, HTCLOSE, info.NoClose);
    button(l.Max, maximized ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX, HTMAXBUTTON,
           !(l.Style & WS_MAXIMIZEBOX));
    button(l.Min, minimized ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMIN, HTMINBUTTON,
           !(l.Style & WS_MINIMIZEBOX));
    button(l.Help, DFCS_CAPTIONHELP, HTHELP, false);
}

TWinFramePartPainter CurrentMenuBarPainter() {
    // Read by swapping it out and back: the painter's home keeps no getter.
    TWinFramePartPainter painter = WinSetFramePartPainter(nullptr);
    WinSetFramePartPainter(painter);
    return painter;
}

bool PaintInfoOf(HWND window, TPaintInfo& info) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w) return false;
    info.Layout = LayoutOf(w);
    info.Text = w->Text;
    auto it = FrameStates().find(window);
    if (it != FrameStates().end() && it->second.Active)
        info.Active = *it->second.Active;
    else
        info.Active = IsTopLevel(w) && Input().Active == window;
    if (it != FrameStates().end()) info.Pressed = it->second.Pressed;
    if (w->Class) {
        info.NoClose = (w->Class->Style & CS_NOCLOSE) != 0;
        info.ClassSmall = w->Class->IconSm;
        info.ClassIcon = w->Class->Icon;
    }
    return true;
}

// ---- Loops ---------------------------------------------------------------------------------------

bool IsMouseMessage(UINT m) {
    return (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) || (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONDBLCLK);
}

enum class TLoopEvent { Move, Release, Cancel, Accept, End };

// Takes messages until the left button is released, the capture is lost or the window goes;
// hands mouse moves, the release and Escape / Return to step and dispatches everything else
// (other mouse messages are dropped while the loop runs).
template <typename Step> void CaptureLoop(HWND window, Step step) {
    SetCapture(window);
    for (;;) {
        MSG msg;
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(int(msg.wParam));
            step(TLoopEvent::End, POINT{});
            break;
        }
        if (got < 0) break;
        bool done = false;
        switch (msg.message) {
        case WM_MOUSEMOVE:
        case WM_NCMOUSEMOVE:
            step(TLoopEvent::Move, msg.pt);
            break;
        case WM_LBUTTONUP:
        case WM_NCLBUTTONUP:
            step(TLoopEvent::Release, msg.pt);
            done = true;
            break;
        case WM_KEYDOWN:
            if (msg.wParam == WPARAM(VK_ESCAPE) || msg.wParam == WPARAM(VK_RETURN)) {
                step(msg.wParam == WPARAM(VK_ESCAPE) ? TLoopEvent::Cancel : TLoopEvent::Accept, msg.pt);
                done = true;
            }
            break;
        default:
            if (IsMouseMessage(msg.message)) break;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            break;
        }
        if (done) break;
        if (!IsWindow(window) || GetCapture() != window) {
            step(TLoopEvent::End, POINT{});
            break;
        }
    }
    if (IsWindow(window) && GetCapture() == window) ReleaseCapture();
}

LRESULT HitTestAt(HWND window, POINT screen) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w) return HTNOWHERE;
    RECT wr = ScreenWindowRect(w);
    return HitLayout(LayoutOf(w), POINT{screen.x - wr.left, screen.y - wr.top});
}

void SetPressed(HWND window, LRESULT hit) {
    {
        TLock lock(StateMutex());
        if (!Find(window)) return;
        TFrameState& s = FrameStateOf(window);
        if (s.Pressed == hit) return;
        s.Pressed = hit;
    }
    NcPaint(window, reinterpret_cast<HRGN>(1));
}

// Holds a caption button down while the pointer is on it; true when it was released there.
bool TrackCaptionButton(HWND window, LRESULT hit) {
    SetPressed(window, hit);
    bool released = false;
    CaptureLoop(window, [&](TLoopEvent event, POINT p) {
        bool on = (event == TLoopEvent::Move || event == TLoopEvent::Release) && HitTestAt(window, p) == hit;
        if (event == TLoopEvent::Release) released = on;
        SetPressed(window, event == TLoopEvent::Move && on ? hit : HTNOWHERE);
    });
    SetPressed(window, HTNOWHERE);
    return released;
}

// Moves the window with the pointer, or sizes it by the given edges (WMSZ_*), from start.
void SizeMoveLoop(HWND window, bool move, WPARAM edges, POINT start) {
    RECT original{};
    POINT parentOrigin{};
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return;
        original = ScreenWindowRect(w);
        if (!IsTopLevel(w) && w->Parent) parentOrigin = ClientOrigin(w->Parent);
    }
    MINMAXINFO limits = WindowMinMax(window);
    bool left = edges == WMSZ_LEFT || edges == WMSZ_TOPLEFT || edges == WMSZ_BOTTOMLEFT;
    bool right = edges == WMSZ_RIGHT || edges == WMSZ_TOPRIGHT || edges == WMSZ_BOTTOMRIGHT;
    bool top = edges == WMSZ_TOP || edges == WMSZ_TOPLEFT || edges == WMSZ_TOPRIGHT;
    bool bottom = edges == WMSZ_BOTTOM || edges == WMSZ_BOTTOMLEFT || edges == WMSZ_BOTTOMRIGHT;
    auto place = [&](RECT r) {
        SetWindowPos(window, nullptr, r.left - parentOrigin.x, r.top - parentOrigin.y, Width(r), Height(r),
                     SWP_NOZORDER | SWP_NOACTIVATE | (move ? SWP_NOSIZE : 0));
    };
    POINT last = start;
    SendMessageA(window, WM_ENTERSIZEMOVE, 0, 0);
    CaptureLoop(window, [&](TLoopEvent event, POINT p) {
        if (event == TLoopEvent::Cancel) {
            place(original);
            return;
        }
        if (event != TLoopEvent::Move && event != TLoopEvent::Release) return;
        // A release where the pointer already was changes nothing.
        if (p.x == last.x && p.y == last.y) return;
        last = p;
        int dx = p.x - start.x, dy = p.y - start.y;
        RECT r = original;
        if (move) {
            r = RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
            SendMessageA(window, WM_MOVING, 0, LPARAM(&r));
        } else {
            auto limit = [](int size, LONG lo, LONG hi) {
                return std::clamp<int>(size, lo, std::max(lo, hi));
            };
            if (left)
                r.left =
                    r.right - limit(Width(original) - dx, limits.ptMinTrackSize.x, limits.ptMaxTrackSize.x);
            if (right)
                r.right =
                    r.left + limit(Width(original) + dx, limits.ptMinTrackSize.x, limits.ptMaxTrackSize.x);
            if (top)
                r.top =
                    r.bottom - limit(Height(original) - dy, limits.ptMinTrackSize.y, limits.ptMaxTrackSize.y);
            if (bottom)
                r.bottom =
                    r.top + limit(Height(original) + dy, limits.ptMinTrackSize.y, limits.ptMaxTrackSize.y);
            SendMessageA(window, WM_SIZING, edges, LPARAM(&r));
        }
        place(r);
    });
    if (IsWindow(window)) SendMessageA(window, WM_EXITSIZEMOVE, 0, 0);
}

} // namespace

// ================================================================================================

namespace WinInternal {

LRESULT NcHitTest(HWND window, POINT screen) { return HitTestAt(window, screen); }

void NcDraw(HWND window, HDC dc) {
    TPaintInfo info;
    if (!PaintInfoOf(window, info)) return;
    const TLayout& l = info.Layout;
    RECT r = l.Window;
    if (l.Style & WS_THICKFRAME) {
        Edge(dc, r, COLOR_3DLIGHT, COLOR_3DDKSHADOW);
        Edge(dc, r, COLOR_3DHILIGHT, COLOR_3DSHADOW);
        Band(dc, r, l.Border - 2, info.Active ? COLOR_ACTIVEBORDER : COLOR_INACTIVEBORDER);
    } else if ((l.Style & WS_DLGFRAME) || (l.ExStyle & WS_EX_DLGMODALFRAME)) {
        Edge(dc, r, COLOR_3DLIGHT, COLOR_3DDKSHADOW);
        Edge(dc, r, COLOR_3DHILIGHT, COLOR_3DSHADOW);
        Band(dc, r, l.Border - 2, COLOR_3DFACE);
    } else if (l.Style & WS_BORDER) {
        Edge(dc, r, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
    }
    if (l.Caption) {
        DrawCaption(window, dc, info);
        r.top = l.CaptionRect.bottom;
    }
    if (l.Style & WS_MINIMIZE) return;
    if (l.Menu) {
        TWinFramePartPainter painter = CurrentMenuBarPainter();
        if (painter)
            painter(window, dc, TWinFramePart::MenuBar, l.MenuRect);
        else
            FillSys(dc, l.MenuRect, COLOR_MENU);
        r.top = l.MenuRect.bottom;
    }
    if (l.ExStyle & WS_EX_CLIENTEDGE) {
        Edge(dc, r, COLOR_3DSHADOW, COLOR_3DHILIGHT);
        Edge(dc, r, COLOR_3DDKSHADOW, COLOR_3DLIGHT);
    }
    if (l.ExStyle & WS_EX_STATICEDGE) Edge(dc, r, COLOR_3DSHADOW, COLOR_3DHILIGHT);
    DrawWindowScrollBars(window, dc);
}

void NcPaint(HWND window, HRGN region) {
    HRGN clip = nullptr;
    if (std::uintptr_t(region) > 1) {
        // The region is in screen coordinates; the context counts from the window's corner.
        RECT wr{};
        if (!GetWindowRect(window, &wr)) return;
        clip = CreateRectRgn(0, 0, 0, 0);
        if (CombineRgn(clip, region, nullptr, RGN_COPY) == ERROR) {
            DeleteObject(clip);
            clip = nullptr;
        } else {
            OffsetRgn(clip, -wr.left, -wr.top);
        }
    }
    HDC dc = clip ? GetDCEx(window, clip, DCX_WINDOW | DCX_INTERSECTRGN | DCX_CACHE) : GetWindowDC(window);
    if (dc) {
        NcDraw(window, dc);
        ReleaseDC(window, dc);
    }
    if (clip) DeleteObject(clip);
}

void NcActivate(HWND window, bool active) {
    bool paint = false;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return;
        FrameStateOf(window).Active = active;
        paint = IsVisibleChain(w) && (((w->Style & WS_CAPTION) == WS_CAPTION) || (w->Style & WS_THICKFRAME));
    }
    if (paint) NcPaint(window, reinterpret_cast<HRGN>(1));
}

void NcButtonDown(HWND window, LRESULT hit, POINT screen, bool doubleClick) {
    LPARAM at = PointToLParam(screen);
    if (hit == HTHSCROLL || hit == HTVSCROLL) {
        SendMessageA(window, WM_SYSCOMMAND, (hit == HTHSCROLL ? SC_HSCROLL : SC_VSCROLL) + WPARAM(hit), at);
        return;
    }
    bool ours = false, child = false, noClose = false;
    DWORD style = 0;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return;
        ours = FrameIsOurs(w);
        child = IsChildStyle(w);
        style = w->Style;
        noClose = w->Class && (w->Class->Style & CS_NOCLOSE);
    }
    if (!ours) return;
    bool onFrame = hit == HTCAPTION || hit == HTSYSMENU || (hit >= HTSIZEFIRST && hit <= HTSIZELAST) ||
                   hit == HTMINBUTTON || hit == HTMAXBUTTON || hit == HTCLOSE || hit == HTHELP;
    if (child && onFrame && !doubleClick) {
        // A child's frame brings it to the front, as a click in it would.
        SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SendMessageA(window, WM_CHILDACTIVATE, 0, 0);
    }
    bool restoreable = (style & (WS_MAXIMIZE | WS_MINIMIZE)) != 0;
    switch (hit) {
    case HTCAPTION:
        if (doubleClick) {
            if (style & WS_MINIMIZE)
                SendMessageA(window, WM_SYSCOMMAND, SC_RESTORE, at);
            else if (style & WS_MAXIMIZEBOX)
                SendMessageA(window, WM_SYSCOMMAND, (style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE, at);
        } else if (!(style & WS_MAXIMIZE)) {
            SendMessageA(window, WM_SYSCOMMAND, SC_MOVE + WPARAM(HTCAPTION), at);
        }
        return;
    case HTSYSMENU:
        if (doubleClick)
            SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, at);
        else
            SendMessageA(window, WM_SYSCOMMAND, SC_MOUSEMENU + WPARAM(HTSYSMENU), at);
        return;
    case HTCLOSE:
        if (!noClose && TrackCaptionButton(window, hit)) SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, at);
        return;
    case HTMAXBUTTON:
        if ((style & WS_MAXIMIZEBOX) && TrackCaptionButton(window, hit))
            SendMessageA(window, WM_SYSCOMMAND, (style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE, at);
        return;
    case HTMINBUTTON:
        if ((style & WS_MINIMIZEBOX) && TrackCaptionButton(window, hit))
            SendMessageA(window, WM_SYSCOMMAND, (style & WS_MINIMIZE) ? SC_RESTORE : SC_MINIMIZE, at);
        return;
    case HTHELP:
        if (TrackCaptionButton(window, hit)) SendMessageA(window, WM_SYSCOMMAND, SC_CONTEXTHELP, at);
        return;
    case HTSIZE:
        if ((style & WS_THICKFRAME) && !restoreable)
            SendMessageA(window, WM_SYSCOMMAND, SC_SIZE + WMSZ_BOTTOMRIGHT, at);
        return;
    default:
        if (hit >= HTSIZEFIRST && hit <= HTSIZELAST && !restoreable)
            SendMessageA(window, WM_SYSCOMMAND, SC_SIZE + WPARAM(hit - HTSIZEFIRST + WMSZ_LEFT), at);
        return;
    }
}

bool NcSysCommand(HWND window, WPARAM command, LPARAM lParam) {
    POINT at = MakePointFromLParam(lParam);
    switch (command & 0xFFF0) {
    case SC_HSCROLL:
    case SC_VSCROLL:
        TrackScrollBar(window, (command & 0xFFF0) == SC_HSCROLL ? SB_HORZ : SB_VERT, at);
        return true;
    case SC_MOVE:
    case SC_SIZE: {
        // Only the mouse's form (the low bits say where the frame was taken).
        WPARAM edges = command & 0x000F;
        if (!edges) return true;
        {
            TLock lock(StateMutex());
            TWnd* w = Find(window);
            if (!w || !FrameIsOurs(w) || (w->Style & (WS_MAXIMIZE | WS_MINIMIZE))) return true;
        }
        bool move = (command & 0xFFF0) == SC_MOVE;
        SizeMoveLoop(window, move, move ? 0 : edges, at);
        return true;
    }
    default:
        return false;
    }
}

MINMAXINFO WindowMinMax(HWND window) {
    MINMAXINFO info;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return info;
        info = DefaultMinMax(w->Style, w->ExStyle);
        if (IsChildStyle(w)) {
            // A child is maximized over its parent's client area, its border just outside it.
            int border = BorderWidth(w->Style, w->ExStyle);
            const RECT& pc = w->Parent->Client;
            info.ptMaxSize = POINT{Width(pc) + 2 * border, Height(pc) + 2 * border};
            info.ptMaxPosition = POINT{-border, -border};
        }
    }
    SendMessageA(window, WM_GETMINMAXINFO, 0, LPARAM(&info));
    return info;
}

void ForgetFrameState(HWND window) {
    TLock lock(StateMutex());
    FrameStates().erase(window);
}

} // namespace WinInternal
