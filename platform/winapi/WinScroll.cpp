// Scroll bars: the state behind a window's two bars and behind the scroll-bar controls, the calls
// that set and read it, the bars' geometry and drawing, and the mouse loop that tracks a press.
#include <algorithm>
#include <map>
#include <optional>

#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/SysColors.h"
#include "platform/winapi/WinError.h"
#include "platform/winapi/WinScrollInternal.h"

using namespace WinInternal;

namespace {

// The loop's repeat timer lives on the tracked window; an id an application would not pick.
constexpr UINT_PTR RepeatTimerId = 0xFFFA;
constexpr UINT FirstRepeatDelay = 200;
constexpr UINT RepeatDelay = 50;
// The thumb never gets shorter than this when its length follows the page.
constexpr Int64 MinThumbLength = 8;

enum class TPart { None, ArrowUp, PageUp, Thumb, PageDown, ArrowDown };

struct TBar {
    int Min = 0;
    int Max = 0;
    Int64 Page = 0;
    int Pos = 0;
    int TrackPos = 0;
    UINT Flags = ESB_ENABLE_BOTH;
    bool Tracking = false;       // the thumb is being dragged
    TPart Pressed = TPart::None; // the part held down
    bool PressedShown = false;   // ... and the pointer is on it
};

struct TSlots {
    std::optional<TBar> Bars[3]; // SB_HORZ, SB_VERT, SB_CTL
};

std::map<HWND, TSlots>& States() {
    static auto* states = new std::map<HWND, TSlots>;
    return *states;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }
bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
bool Inside(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}
RECT Offset(RECT r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

bool ValidBar(int bar) { return bar == SB_HORZ || bar == SB_VERT || bar == SB_CTL; }

DWORD BarStyle(int bar) { return bar == SB_HORZ ? WS_HSCROLL : bar == SB_VERT ? WS_VSCROLL : 0; }

// With the lock held. A window's bar has state as soon as the window has the bar's style; a
// control's once it was created. Windows that are gone leave the table when a new one enters.
TBar* BarState(HWND window, int bar, bool create) {
    TWnd* w = Find(window);
    if (!w || !ValidBar(bar)) return nullptr;
    auto& states = States();
    auto it = states.find(window);
    if (it != states.end() && it->second.Bars[bar]) return &*it->second.Bars[bar];
    bool styled = (w->Style & BarStyle(bar)) != 0;
    if (!create && !styled) return nullptr;
    if (it == states.end()) {
        for (auto s = states.begin(); s != states.end();)
            s = Find(s->first) ? std::next(s) : states.erase(s);
        it = states.emplace(window, TSlots{}).first;
    }
    TBar fresh;
    if (bar != SB_CTL) fresh.Max = 100; // a window's bars start with 0..100, a control's with 0..0
    it->second.Bars[bar] = fresh;
    return &*it->second.Bars[bar];
}

// The last position the bar can take.
Int64 TopPos(const TBar& b) { return Int64(b.Max) - std::max<Int64>(b.Page - 1, 0); }
bool Scrolls(const TBar& b) { return b.Min < TopPos(b); }
bool BarDisabled(const TBar& b, bool windowEnabled) {
    return !windowEnabled || (b.Flags & ESB_DISABLE_BOTH) == ESB_DISABLE_BOTH;
}

void Clamp(TBar& b) {
    Int64 range = Int64(b.Max) - b.Min + 1;
    b.Page = std::clamp<Int64>(b.Page, 0, range);
    if (b.Pos > TopPos(b)) b.Pos = int(TopPos(b));
    if (b.Pos < b.Min) b.Pos = b.Min;
}

// ---- Geometry ------------------------------------------------------------------------------------

// Lengths along the bar, counted from its top (left) edge.
struct TGeometry {
    int Length = 0;
    int Arrow = 0;
    bool Thumb = false;
    int ThumbStart = 0;
    int ThumbEnd = 0;
};

TGeometry Measure(const RECT& bar, bool vertical, const TBar& b, bool windowEnabled) {
    TGeometry g;
    g.Length = std::max(0, vertical ? Height(bar) : Width(bar));
    int arrow = GetSystemMetrics(vertical ? SM_CYVSCROLL : SM_CXHSCROLL);
    if (g.Length < 2 * arrow) arrow = g.Length / 2;
    g.Arrow = arrow;
    Int64 shaft = g.Length - 2 * arrow;
    Int64 span = TopPos(b) - b.Min;
    if (BarDisabled(b, windowEnabled) || span <= 0 || shaft <= 0) return g;
    Int64 thumb = b.Page == 0 ? GetSystemMetrics(vertical ? SM_CYVTHUMB : SM_CXHTHUMB)
                              : std::max(shaft * b.Page / (Int64(b.Max) - b.Min + 1), MinThumbLength);
    if (thumb > shaft) return g;
    Int64 free = shaft - thumb;
    Int64 pos = (b.Tracking ? b.TrackPos : b.Pos) - Int64(b.Min);
    Int64 offset = (pos * free * 2 + span) / (2 * span); // rounded
    g.Thumb = true;
    g.ThumbStart = arrow + int(offset);
    g.ThumbEnd = g.ThumbStart + int(thumb);
    return g;
}

TPart PartAt(const TGeometry& g, int along) {
    if (along < 0 || along >= g.Length) return TPart::None;
    if (along < g.Arrow) return TPart::ArrowUp;
    if (along >= g.Length - g.Arrow) return TPart::ArrowDown;
    if (!g.Thumb) return TPart::None;
    if (along < g.ThumbStart) return TPart::PageUp;
    if (along < g.ThumbEnd) return TPart::Thumb;
    return TPart::PageDown;
}

// The position a thumb whose top (left) edge lies at thumbStart stands for.
int PosFromThumb(const TGeometry& g, const TBar& b, int thumbStart) {
    Int64 free = Int64(g.Length) - 2 * g.Arrow - (g.ThumbEnd - g.ThumbStart);
    if (free <= 0) return b.Min;
    Int64 offset = std::clamp<Int64>(thumbStart - g.Arrow, 0, free);
    Int64 span = TopPos(b) - b.Min;
    return int(b.Min + (offset * span * 2 + free) / (2 * free));
}

// ---- Drawing -------------------------------------------------------------------------------------

void DrawBar(HDC dc, const RECT& r, bool vertical, const TBar& b, bool windowEnabled, HBRUSH shaftBrush) {
    if (Empty(r)) return;
    TGeometry g = Measure(r, vertical, b, windowEnabled);
    auto piece = [&](int from, int to) {
        return vertical ? RECT{r.left, r.top + from, r.right, r.top + to}
                        : RECT{r.left + from, r.top, r.left + to, r.bottom};
    };
    bool off = BarDisabled(b, windowEnabled);
    auto pressed = [&](TPart part) { return b.Pressed == part && b.PressedShown; };
    RECT up = piece(0, g.Arrow);
    RECT down = piece(g.Length - g.Arrow, g.Length);
    UINT upState = (vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) |
                   ((off || (b.Flags & ESB_DISABLE_LTUP)) ? DFCS_INACTIVE : 0) |
                   (pressed(TPart::ArrowUp) ? DFCS_PUSHED : 0);
    UINT downState = (vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) |
                     ((off || (b.Flags & ESB_DISABLE_RTDN)) ? DFCS_INACTIVE : 0) |
                     (pressed(TPart::ArrowDown) ? DFCS_PUSHED : 0);
    if (!Empty(up)) DrawFrameControl(dc, &up, DFC_SCROLL, upState);
    if (!Empty(down)) DrawFrameControl(dc, &down, DFC_SCROLL, downState);
    auto shaft = [&](int from, int to, TPart part) {
        RECT s = piece(from, to);
        if (Empty(s)) return;
        FillRect(dc, &s, shaftBrush);
        if (pressed(part)) InvertRect(dc, &s);
    };
    if (!g.Thumb) {
        shaft(g.Arrow, g.Length - g.Arrow, TPart::None);
        return;
    }
    shaft(g.Arrow, g.ThumbStart, TPart::PageUp);
    RECT thumb = piece(g.ThumbStart, g.ThumbEnd);
    DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    shaft(g.ThumbEnd, g.Length - g.Arrow, TPart::PageDown);
}

// ---- What one look at a bar needs ---------------------------------------------------------------

struct TSnapshot {
    bool Vertical = false;
    bool Shown = false;  // the window has the bar (a control: it is visible)
    bool Enabled = true; // the window is enabled
    RECT Local{};        // window coordinates (a control: client coordinates)
    RECT Screen{};
    DWORD Style = 0;
    TBar State;
    HWND Target = nullptr; // who is told of scrolling
    UINT Message = 0;
    LPARAM LParam = 0;
};

bool Snapshot(HWND window, int bar, TSnapshot& s) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w || !ValidBar(bar)) return false;
    // Looking at a bar a window never had does not give it one.
    if (TBar* b = BarState(window, bar, bar == SB_CTL))
        s.State = *b;
    else
        s.State.Max = 100;
    s.Style = w->Style;
    s.Enabled = !(w->Style & WS_DISABLED);
    RECT origin = ScreenWindowRect(w);
    if (bar == SB_CTL) {
        s.Vertical = (w->Style & SBS_VERT) != 0;
        s.Shown = IsVisibleChain(w);
        s.Local = RECT{0, 0, Width(w->Client), Height(w->Client)};
        s.Screen = ScreenClientRect(w);
        s.Message = s.Vertical ? WM_VSCROLL : WM_HSCROLL;
        s.LParam = LPARAM(window);
        if (IsChildStyle(w))
            s.Target = w->Parent->Handle;
        else if (w->Owner)
            s.Target = w->Owner->Handle;
    } else {
        s.Vertical = bar == SB_VERT;
        s.Shown = (w->Style & BarStyle(bar)) != 0;
        s.Local = WindowScrollBarRect(w, bar);
        if (!s.Shown) {
            // Where the bar would start: the edge of the client area, with no extent.
            RECT c = w->Client;
            s.Local = s.Vertical ? RECT{c.right, c.top, c.right, c.bottom}
                                 : RECT{c.left, c.bottom, c.right, c.bottom};
        }
        s.Screen = Offset(s.Local, origin.left, origin.top);
        s.Message = s.Vertical ? WM_VSCROLL : WM_HSCROLL;
        s.Target = window;
    }
    return true;
}

int Along(const TSnapshot& s, POINT screen) {
    return s.Vertical ? screen.y - s.Screen.top : screen.x - s.Screen.left;
}

void Notify(const TSnapshot& s, WORD code, int pos) {
    if (s.Target) SendMessageA(s.Target, s.Message, MAKEWPARAM(code, WORD(pos)), s.LParam);
}

template <typename Op> void Change(HWND window, int bar, Op op) {
    TLock lock(StateMutex());
    if (TBar* b = BarState(window, bar, true)) op(*b);
}

bool IsMouseMessage(UINT m) {
    return (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) || (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONDBLCLK);
}

} // namespace

// ================================================================================================

namespace WinInternal {

RECT WindowScrollBarRect(const TWnd* w, int bar) {
    if (!w || (w->Style & WS_MINIMIZE)) return RECT{};
    const RECT& c = w->Client;
    int cx = GetSystemMetrics(SM_CXVSCROLL), cy = GetSystemMetrics(SM_CYHSCROLL);
    RECT r{};
    if (bar == SB_VERT && (w->Style & WS_VSCROLL))
        r = RECT{c.right, c.top, c.right + cx, c.bottom};
    else if (bar == SB_HORZ && (w->Style & WS_HSCROLL))
        r = RECT{c.left, c.bottom, c.right, c.bottom + cy};
    else if (bar == SB_BOTH && (w->Style & WS_VSCROLL) && (w->Style & WS_HSCROLL))
        r = RECT{c.right, c.bottom, c.right + cx, c.bottom + cy};
    else
        return RECT{};
    RECT whole{0, 0, Width(w->Rect), Height(w->Rect)};
    RECT clipped{std::max(r.left, whole.left), std::max(r.top, whole.top), std::min(r.right, whole.right),
                 std::min(r.bottom, whole.bottom)};
    return Empty(clipped) ? RECT{} : clipped;
}

void DrawWindowScrollBars(HWND window, HDC dc) {
    TSnapshot h, v;
    RECT box{};
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return;
        box = WindowScrollBarRect(w, SB_BOTH);
    }
    HBRUSH brush = GetSysColorBrush(COLOR_SCROLLBAR);
    if (Snapshot(window, SB_HORZ, h) && h.Shown) DrawBar(dc, h.Local, false, h.State, h.Enabled, brush);
    if (Snapshot(window, SB_VERT, v) && v.Shown) DrawBar(dc, v.Local, true, v.State, v.Enabled, brush);
    if (!Empty(box)) FillRect(dc, &box, GetSysColorBrush(COLOR_3DFACE));
}

void PaintScrollBarControl(HWND control, HDC dc) {
    TSnapshot s;
    if (!Snapshot(control, SB_CTL, s)) return;
    if (s.Style & (SBS_SIZEBOX | SBS_SIZEGRIP)) {
        FillRect(dc, &s.Local, GetSysColorBrush(COLOR_3DFACE));
        RECT grip = s.Local;
        DrawFrameControl(dc, &grip, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
        return;
    }
    HBRUSH brush = nullptr;
    if (s.Target)
        brush = reinterpret_cast<HBRUSH>(SendMessageA(s.Target, WM_CTLCOLORSCROLLBAR, WPARAM(dc), s.LParam));
    if (!brush) brush = GetSysColorBrush(COLOR_SCROLLBAR);
    DrawBar(dc, s.Local, s.Vertical, s.State, s.Enabled, brush);
}

void RedrawScrollBar(HWND window, int bar) {
    if (bar == SB_CTL) {
        if (!IsWindowVisible(window)) return;
        HDC dc = GetDC(window);
        PaintScrollBarControl(window, dc);
        ReleaseDC(window, dc);
        return;
    }
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w || !IsVisibleChain(w) || Empty(WindowScrollBarRect(w, bar))) return;
    }
    HDC dc = GetWindowDC(window);
    DrawWindowScrollBars(window, dc);
    ReleaseDC(window, dc);
}

void ForgetScrollState(HWND window) {
    TLock lock(StateMutex());
    States().erase(window);
}

int ScrollSetInfoCore(HWND window, int bar, const SCROLLINFO& info, bool redraw) {
    enum { Keep, Show, Hide } visibility = Keep;
    int pos = 0;
    {
        TLock lock(StateMutex());
        TBar* b = BarState(window, bar, true);
        if (!b) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        bool changed = false;
        if (info.fMask & SIF_PAGE) {
            changed |= b->Page != Int64(info.nPage);
            b->Page = Int64(info.nPage);
        }
        if (info.fMask & SIF_RANGE) {
            // A range whose width does not fit in 31 bits is no range at all.
            int lo = info.nMin, hi = info.nMax;
            if (lo > hi || Int64(hi) - lo > 0x7FFFFFFF) lo = hi = 0;
            changed |= b->Min != lo || b->Max != hi;
            b->Min = lo;
            b->Max = hi;
        }
        if (info.fMask & SIF_POS) b->Pos = info.nPos;
        Clamp(*b);
        if (info.fMask & (SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL)) {
            if (Scrolls(*b)) {
                b->Flags = ESB_ENABLE_BOTH;
                if (changed) visibility = Show;
            } else if (info.fMask & SIF_DISABLENOSCROLL) {
                b->Flags = ESB_DISABLE_BOTH;
                visibility = Show;
            } else if (changed) {
                visibility = Hide;
            }
        }
        if (bar == SB_CTL) visibility = Keep;
        pos = b->Pos;
        if (visibility != Keep) {
            TWnd* w = Find(window);
            bool has = (w->Style & BarStyle(bar)) != 0;
            if (has == (visibility == Show)) visibility = Keep;
        }
    }
    if (visibility != Keep)
        ShowScrollBar(window, bar, visibility == Show);
    else if (redraw)
        RedrawScrollBar(window, bar);
    return pos;
}

bool ScrollGetInfoCore(HWND window, int bar, SCROLLINFO& info) {
    if (!(info.fMask & SIF_ALL)) return false;
    TLock lock(StateMutex());
    TBar* b = BarState(window, bar, false);
    if (!b) return false;
    if (info.fMask & SIF_RANGE) {
        info.nMin = b->Min;
        info.nMax = b->Max;
    }
    if (info.fMask & SIF_PAGE) info.nPage = UINT(b->Page);
    if (info.fMask & SIF_POS) info.nPos = b->Pos;
    if ((info.fMask & SIF_TRACKPOS) && info.cbSize >= sizeof(SCROLLINFO))
        info.nTrackPos = b->Tracking ? b->TrackPos : b->Pos;
    return true;
}

bool ScrollEnableCore(HWND window, int bar, UINT arrows) {
    bool changed = false;
    {
        TLock lock(StateMutex());
        TBar* b = BarState(window, bar, true);
        if (!b) return false;
        arrows &= ESB_DISABLE_BOTH;
        changed = b->Flags != arrows;
        b->Flags = arrows;
    }
    if (changed) RedrawScrollBar(window, bar);
    return changed;
}

bool ScrollBarInfoCore(HWND window, int bar, SCROLLBARINFO& info) {
    TSnapshot s;
    if (!Snapshot(window, bar, s)) return false;
    const TBar& b = s.State;
    TGeometry g = Measure(s.Local, s.Vertical, b, s.Enabled);
    info.rcScrollBar = s.Screen;
    info.dxyLineButton = g.Arrow;
    info.xyThumbTop = g.Thumb ? g.ThumbStart : 0;
    info.xyThumbBottom = g.Thumb ? g.ThumbEnd : 0;
    info.reserved = 0;
    bool off = BarDisabled(b, s.Enabled);
    DWORD unavailable = off ? STATE_SYSTEM_UNAVAILABLE : 0;
    auto pressed = [&](TPart part) {
        return (b.Pressed == part && (b.PressedShown || part == TPart::Thumb)) ? STATE_SYSTEM_PRESSED : 0;
    };
    DWORD noThumb = g.Thumb ? 0 : STATE_SYSTEM_INVISIBLE;
    info.rgstate[0] = (s.Shown ? 0 : STATE_SYSTEM_INVISIBLE) |
                      ((s.Shown && Empty(s.Local)) ? STATE_SYSTEM_OFFSCREEN : 0) | unavailable;
    info.rgstate[1] =
        ((b.Flags & ESB_DISABLE_LTUP) ? STATE_SYSTEM_UNAVAILABLE : unavailable) | pressed(TPart::ArrowUp);
    info.rgstate[2] = noThumb | unavailable | pressed(TPart::PageUp);
    info.rgstate[3] = noThumb | unavailable | pressed(TPart::Thumb);
    info.rgstate[4] = noThumb | unavailable | pressed(TPart::PageDown);
    info.rgstate[5] =
        ((b.Flags & ESB_DISABLE_RTDN) ? STATE_SYSTEM_UNAVAILABLE : unavailable) | pressed(TPart::ArrowDown);
    return true;
}

void TrackScrollBar(HWND window, int bar, POINT screen) {
    TSnapshot s;
    if (!Snapshot(window, bar, s) || !s.Shown) return;
    TGeometry g = Measure(s.Local, s.Vertical, s.State, s.Enabled);
    if (!Inside(s.Screen, screen)) return;
    TPart part = PartAt(g, Along(s, screen));
    if (part == TPart::None || BarDisabled(s.State, s.Enabled)) return;
    if (part == TPart::ArrowUp && (s.State.Flags & ESB_DISABLE_LTUP)) return;
    if (part == TPart::ArrowDown && (s.State.Flags & ESB_DISABLE_RTDN)) return;
    // Where on the thumb it was taken, so that it moves with the pointer.
    int grab = Along(s, screen) - g.ThumbStart;
    Change(window, bar, [&](TBar& b) {
        b.Pressed = part;
        b.PressedShown = true;
        b.Tracking = part == TPart::Thumb;
        b.TrackPos = b.Pos;
    });
    if (bar == SB_CTL && (s.Style & WS_TABSTOP)) SetFocus(window);
    SetCapture(window);
    RedrawScrollBar(window, bar);

    WORD code = part == TPart::ArrowUp     ? SB_LINEUP
                : part == TPart::ArrowDown ? SB_LINEDOWN
                : part == TPart::PageUp    ? SB_PAGEUP
                                           : SB_PAGEDOWN;
    if (part != TPart::Thumb) {
        Notify(s, code, 0);
        SetTimer(window, RepeatTimerId, FirstRepeatDelay, nullptr);
    }
    POINT pointer = screen;
    // Whether the pointer is on the part pressed (for the shaft: on the same side of the thumb as
    // when it was pressed, wherever the thumb is now).
    auto onPart = [&](TSnapshot& now) {
        if (!Snapshot(window, bar, now) || !Inside(now.Screen, pointer)) return false;
        TGeometry at = Measure(now.Local, now.Vertical, now.State, now.Enabled);
        return PartAt(at, Along(now, pointer)) == part;
    };
    auto follow = [&] {
        TSnapshot now;
        if (part == TPart::Thumb) {
            if (!Snapshot(window, bar, now)) return;
            TGeometry at = Measure(now.Local, now.Vertical, now.State, now.Enabled);
            if (!at.Thumb) return;
            int pos = PosFromThumb(at, now.State, Along(now, pointer) - grab);
            if (pos == now.State.TrackPos) return;
            Change(window, bar, [&](TBar& b) { b.TrackPos = pos; });
            RedrawScrollBar(window, bar);
            Notify(now, SB_THUMBTRACK, pos);
            return;
        }
        bool shown = onPart(now);
        if (shown == now.State.PressedShown) return;
        Change(window, bar, [&](TBar& b) { b.PressedShown = shown; });
        RedrawScrollBar(window, bar);
    };

    for (;;) {
        MSG msg;
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(int(msg.wParam));
            break;
        }
        if (got < 0) break;
        bool done = false;
        if (!CallMsgFilterA(&msg, MSGF_SCROLLBAR)) {
            switch (msg.message) {
            case WM_LBUTTONUP:
            case WM_NCLBUTTONUP:
                pointer = msg.pt;
                done = true;
                break;
            case WM_MOUSEMOVE:
            case WM_NCMOUSEMOVE:
                pointer = msg.pt;
                follow();
                break;
            case WM_TIMER:
                if (msg.hwnd == window && msg.wParam == RepeatTimerId) {
                    TSnapshot now;
                    if (onPart(now)) Notify(now, code, 0);
                    SetTimer(window, RepeatTimerId, RepeatDelay, nullptr);
                    break;
                }
                DispatchMessageA(&msg);
                break;
            default:
                // Other buttons do nothing while a bar is held; everything else goes on.
                if (IsMouseMessage(msg.message)) break;
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
                break;
            }
        }
        if (done || !IsWindow(window) || GetCapture() != window) break;
    }

    if (!IsWindow(window)) return;
    KillTimer(window, RepeatTimerId);
    if (GetCapture() == window) ReleaseCapture();
    if (part == TPart::Thumb) {
        TSnapshot now;
        if (Snapshot(window, bar, now)) Notify(now, SB_THUMBPOSITION, now.State.TrackPos);
    }
    Change(window, bar, [](TBar& b) {
        b.Tracking = false;
        b.Pressed = TPart::None;
        b.PressedShown = false;
    });
    RedrawScrollBar(window, bar);
    Notify(s, SB_ENDSCROLL, 0);
}

} // namespace WinInternal

// ================================================================================================
// The calls. A control's bar is reached through its messages, so that a subclassed control sees
// them.

int SetScrollInfo(HWND window, int bar, LPCSCROLLINFO info, BOOL redraw) {
    if (!info || (info->cbSize != sizeof(SCROLLINFO) && info->cbSize != sizeof(SCROLLINFO) - sizeof(int)) ||
        !ValidBar(bar)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (bar == SB_CTL) return int(SendMessageA(window, SBM_SETSCROLLINFO, WPARAM(redraw), LPARAM(info)));
    return ScrollSetInfoCore(window, bar, *info, redraw != FALSE);
}

BOOL GetScrollInfo(HWND window, int bar, LPSCROLLINFO info) {
    if (!info || (info->cbSize != sizeof(SCROLLINFO) && info->cbSize != sizeof(SCROLLINFO) - sizeof(int)) ||
        !ValidBar(bar)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (bar == SB_CTL) return SendMessageA(window, SBM_GETSCROLLINFO, 0, LPARAM(info)) ? TRUE : FALSE;
    return ScrollGetInfoCore(window, bar, *info) ? TRUE : FALSE;
}

int SetScrollPos(HWND window, int bar, int pos, BOOL redraw) {
    if (bar == SB_CTL) return int(SendMessageA(window, SBM_SETPOS, WPARAM(pos), LPARAM(redraw)));
    SCROLLINFO info;
    info.fMask = SIF_POS;
    if (!GetScrollInfo(window, bar, &info)) {
        TLock lock(StateMutex());
        if (!BarState(window, bar, true)) return 0;
        info.nPos = 0;
    }
    int old = info.nPos;
    info.nPos = pos;
    SetScrollInfo(window, bar, &info, redraw);
    return old;
}

int GetScrollPos(HWND window, int bar) {
    if (bar == SB_CTL) return int(SendMessageA(window, SBM_GETPOS, 0, 0));
    SCROLLINFO info;
    info.fMask = SIF_POS;
    return GetScrollInfo(window, bar, &info) ? info.nPos : 0;
}

BOOL SetScrollRange(HWND window, int bar, int minPos, int maxPos, BOOL redraw) {
    if (Int64(maxPos) - Int64(minPos) > 0x7FFFFFFF) {
        SetLastError(ERROR_INVALID_SCROLLBAR_RANGE);
        return FALSE;
    }
    if (bar == SB_CTL) {
        if (!IsWindow(window)) return FALSE;
        SendMessageA(window, redraw ? SBM_SETRANGEREDRAW : SBM_SETRANGE, WPARAM(minPos), LPARAM(maxPos));
        return TRUE;
    }
    SCROLLINFO info;
    info.fMask = SIF_RANGE;
    info.nMin = minPos;
    info.nMax = maxPos;
    if (!IsWindow(window) || !ValidBar(bar)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    SetScrollInfo(window, bar, &info, redraw);
    return TRUE;
}

BOOL GetScrollRange(HWND window, int bar, int* minPos, int* maxPos) {
    if (!minPos || !maxPos) return FALSE;
    if (bar == SB_CTL) {
        *minPos = *maxPos = 0;
        SendMessageA(window, SBM_GETRANGE, WPARAM(minPos), LPARAM(maxPos));
        return IsWindow(window);
    }
    SCROLLINFO info;
    info.fMask = SIF_RANGE;
    if (!GetScrollInfo(window, bar, &info)) {
        *minPos = *maxPos = 0;
        return FALSE;
    }
    *minPos = info.nMin;
    *maxPos = info.nMax;
    return TRUE;
}

BOOL ShowScrollBar(HWND window, int bar, BOOL show) {
    if (bar == SB_CTL) {
        if (!IsWindow(window)) return FALSE;
        ShowWindow(window, show ? SW_SHOW : SW_HIDE);
        return TRUE;
    }
    DWORD bits = bar == SB_HORZ   ? WS_HSCROLL
                 : bar == SB_VERT ? WS_VSCROLL
                 : bar == SB_BOTH ? WS_HSCROLL | WS_VSCROLL
                                  : 0;
    if (!bits) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (bits & WS_HSCROLL) BarState(window, SB_HORZ, true);
        if (bits & WS_VSCROLL) BarState(window, SB_VERT, true);
        DWORD style = show ? (w->Style | bits) : (w->Style & ~bits);
        if (style == w->Style) return TRUE;
        w->Style = style;
    }
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return TRUE;
}

BOOL EnableScrollBar(HWND window, UINT bar, UINT arrows) {
    if (bar == UINT(SB_CTL)) {
        if (!IsWindow(window)) return FALSE;
        BOOL changed = SendMessageA(window, SBM_ENABLE_ARROWS, WPARAM(arrows), 0) ? TRUE : FALSE;
        EnableWindow(window, (arrows & ESB_DISABLE_BOTH) != ESB_DISABLE_BOTH);
        return changed;
    }
    if (bar != UINT(SB_HORZ) && bar != UINT(SB_VERT) && bar != UINT(SB_BOTH)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    bool changed = false;
    if (bar == UINT(SB_HORZ) || bar == UINT(SB_BOTH)) changed |= ScrollEnableCore(window, SB_HORZ, arrows);
    if (bar == UINT(SB_VERT) || bar == UINT(SB_BOTH)) changed |= ScrollEnableCore(window, SB_VERT, arrows);
    return changed ? TRUE : FALSE;
}

BOOL GetScrollBarInfo(HWND window, LONG idObject, PSCROLLBARINFO info) {
    if (!info || info->cbSize != sizeof(SCROLLBARINFO)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (idObject == OBJID_CLIENT)
        return SendMessageA(window, SBM_GETSCROLLBARINFO, 0, LPARAM(info)) ? TRUE : FALSE;
    if (idObject != OBJID_HSCROLL && idObject != OBJID_VSCROLL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return ScrollBarInfoCore(window, idObject == OBJID_HSCROLL ? SB_HORZ : SB_VERT, *info) ? TRUE : FALSE;
}
