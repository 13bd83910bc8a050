// The menu loop: pop-up menu windows, placing them, keyboard and mouse tracking over a menu bar
// and its pop-ups, and the notifications to the owner.
#include <algorithm>

#include "platform/winapi/WinEdit.h"
#include "platform/winapi/Cursor.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinMenuInternal.h"
#include "platform/winapi/WinMonitor.h"

using namespace WinMenuInternal;

namespace {

constexpr UINT_PTR ShowTimerId = 0x4D53; // a pop-up's timer that opens the submenu under the pointer
constexpr int Overlap = 3;               // a submenu covers its parent's frame by this much

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

struct TLevel {
    HMENU Menu = nullptr;
    HWND Window = nullptr; // the pop-up window; the owner for the bar
    bool Bar = false;
    int Selected = -1;
};

struct TTracker {
    HWND Owner = nullptr;
    UINT Flags = 0;
    bool PopupLoop = false; // TrackPopupMenu rather than the menu bar
    bool System = false;
    bool Notify = true;
    std::vector<TLevel> Levels;
    bool Done = false;
    bool Chosen = false;
    UINT Command = 0;
    // A submenu waiting for the show delay.
    int PendingLevel = -1;
    int PendingItem = -1;
    HWND TimerWindow = nullptr;
};

std::vector<TTracker*>& Trackers() {
    static auto* trackers = new std::vector<TTracker*>;
    return *trackers;
}

LRESULT Tell(TTracker& t, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!t.Notify || !IsWindow(t.Owner)) return 0;
    return SendMessageA(t.Owner, message, wParam, lParam);
}

bool ItemAt(HMENU menu, int index, TItem& out) {
    TGuard guard(Mutex());
    TMenu* m = FindMenu(menu);
    if (!m || index < 0 || std::size_t(index) >= m->Items.size()) return false;
    out = m->Items[std::size_t(index)];
    return true;
}

int CountOf(HMENU menu) {
    TGuard guard(Mutex());
    TMenu* m = FindMenu(menu);
    return m ? int(m->Items.size()) : 0;
}

void SetHilite(HMENU menu, int index, bool on) {
    TGuard guard(Mutex());
    TMenu* m = FindMenu(menu);
    if (!m || index < 0 || std::size_t(index) >= m->Items.size()) return;
    UINT& state = m->Items[std::size_t(index)].State;
    state = on ? (state | MFS_HILITE) : (state & ~UINT(MFS_HILITE));
}

void RedrawItem(const TLevel& level, int index) {
    if (index < 0) return;
    if (level.Bar)
        RedrawBar(level.Window);
    else
        RedrawPopupItem(level.Window, level.Menu, index);
}

void Select(TTracker& t, std::size_t levelIndex, int index, bool mouse) {
    if (levelIndex >= t.Levels.size()) return;
    TLevel& level = t.Levels[levelIndex];
    if (level.Selected == index) return;
    int old = level.Selected;
    SetHilite(level.Menu, old, false);
    level.Selected = index;
    SetHilite(level.Menu, index, true);
    RedrawItem(level, old);
    RedrawItem(t.Levels[levelIndex], index);
    TItem item;
    if (index < 0 || !ItemAt(t.Levels[levelIndex].Menu, index, item)) return;
    UINT flags = MF_HILITE | (item.State & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_DEFAULT)) |
                 (item.Type & (MF_OWNERDRAW | MF_SEPARATOR | MF_BITMAP)) | (item.SubMenu ? MF_POPUP : 0) |
                 (mouse ? MF_MOUSESELECT : 0) | (t.System ? MF_SYSMENU : 0);
    WORD id = item.SubMenu ? WORD(index) : WORD(item.Id);
    Tell(t, WM_MENUSELECT, MAKEWPARAM(id, WORD(flags)), LPARAM(t.Levels[levelIndex].Menu));
}

bool Selectable(HMENU menu, int index) {
    TItem item;
    return ItemAt(menu, index, item) && !IsSeparator(item);
}

// The next item that can take the selection, from index in a direction, wrapping around.
int NextSelectable(HMENU menu, int index, int step) {
    int count = CountOf(menu);
    if (count == 0) return -1;
    int i = index;
    for (int n = 0; n < count; ++n) {
        i = i < 0 ? (step > 0 ? 0 : count - 1) : (i + step + count) % count;
        if (Selectable(menu, i)) return i;
    }
    return -1;
}

RECT WorkAreaAt(POINT p) {
    MONITORINFO info;
    if (GetMonitorInfoA(MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST), &info)) return info.rcWork;
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// Keeps [pos, pos + size) inside [lo, hi): a side that does not fit flips to the other side of
// point, and what still does not fit is pushed in.
int Fit(int pos, int size, int point, int lo, int hi) {
    if (pos + size > hi) pos = point - size >= lo ? point - size : hi - size;
    if (pos < lo) pos = point + size <= hi ? point : lo;
    return std::max(lo, std::min(pos, hi - size));
}

bool Overlaps(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

RECT PlaceAtPoint(POINT at, SIZE size, UINT flags, const RECT* exclude) {
    RECT work = WorkAreaAt(at);
    int x = at.x, y = at.y;
    if (flags & TPM_CENTERALIGN)
        x -= size.cx / 2;
    else if (flags & TPM_RIGHTALIGN)
        x -= size.cx;
    if (flags & TPM_VCENTERALIGN)
        y -= size.cy / 2;
    else if (flags & TPM_BOTTOMALIGN)
        y -= size.cy;
    x = Fit(x, size.cx, at.x, work.left, work.right);
    y = Fit(y, size.cy, at.y, work.top, work.bottom);
    RECT r{x, y, x + size.cx, y + size.cy};
    if (exclude && Overlaps(r, *exclude)) {
        if (flags & TPM_VERTICAL) {
            y = exclude->bottom + size.cy <= work.bottom ? exclude->bottom
                : exclude->top - size.cy >= work.top     ? exclude->top - size.cy
                                                         : y;
        } else {
            x = exclude->right + size.cx <= work.right ? exclude->right
                : exclude->left - size.cx >= work.left ? exclude->left - size.cx
                                                       : x;
        }
        r = RECT{x, y, x + size.cx, y + size.cy};
    }
    return r;
}

POINT WindowOrigin(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return POINT{r.left, r.top};
}

// Where the submenu of a level's selected item goes, in screen coordinates.
RECT PlaceSubmenu(const TLevel& parent, const TItem& item, SIZE size) {
    POINT origin = WindowOrigin(parent.Window);
    RECT itemRect = item.Rect;
    OffsetRect(&itemRect, origin.x, origin.y);
    RECT work = WorkAreaAt(POINT{itemRect.left, itemRect.top});
    if (parent.Bar) {
        // Below the bar item, or above it when it does not fit.
        int x = std::max<int>(work.left, std::min<int>(itemRect.left, work.right - size.cx));
        int y = itemRect.bottom + size.cy <= work.bottom ? itemRect.bottom : itemRect.top - size.cy;
        y = std::max<int>(y, work.top);
        return RECT{x, y, x + size.cx, y + size.cy};
    }
    RECT parentRect{};
    GetWindowRect(parent.Window, &parentRect);
    int x = parentRect.right - Overlap;
    if (x + size.cx > work.right) x = parentRect.left - size.cx + Overlap;
    x = std::max<int>(work.left, std::min<int>(x, work.right - size.cx));
    int y = itemRect.top - Overlap;
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - size.cy));
    return RECT{x, y, x + size.cx, y + size.cy};
}

bool DropShadow() {
    BOOL shadow = TRUE;
    SystemParametersInfoA(SPI_GETDROPSHADOW, 0, &shadow, 0);
    return shadow != FALSE;
}

UINT ShowDelay() {
    DWORD delay = 400;
    SystemParametersInfoA(SPI_GETMENUSHOWDELAY, 0, &delay, 0);
    return UINT(delay);
}

HWND CreateMenuWindow(HMENU menu, HWND owner, const RECT& r) {
    RegisterMenuClass();
    HWND top = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, WC_MENUA, "", WS_POPUP,
                                  r.left, r.top, Width(r), Height(r), top, nullptr, nullptr, menu);
    if (!window) return nullptr;
    UINT style = UINT(GetClassLongA(window, GCL_STYLE));
    UINT wanted = DropShadow() ? (style | CS_DROPSHADOW) : (style & ~CS_DROPSHADOW);
    if (wanted != style) SetClassLongA(window, GCL_STYLE, LONG_PTR(wanted));
    {
        TGuard guard(Mutex());
        if (TMenu* m = FindMenu(menu)) m->Window = window;
    }
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    UpdateWindow(window);
    return window;
}

void KillShowTimer(TTracker& t) {
    if (t.TimerWindow && IsWindow(t.TimerWindow)) KillTimer(t.TimerWindow, ShowTimerId);
    t.TimerWindow = nullptr;
    t.PendingLevel = t.PendingItem = -1;
}

// Closes every pop-up above a level (-1: all of them).
void CloseAbove(TTracker& t, int levelIndex) {
    while (int(t.Levels.size()) > levelIndex + 1) {
        TLevel level = t.Levels.back();
        if (level.Bar) {
            SetHilite(level.Menu, level.Selected, false);
            {
                TGuard guard(Mutex());
                if (TMenu* m = FindMenu(level.Menu)) {
                    m->OpenItem = -1;
                    m->BarFocus = false;
                }
            }
            t.Levels.pop_back();
            RedrawBar(level.Window);
            continue;
        }
        if (t.TimerWindow == level.Window) KillShowTimer(t);
        SetHilite(level.Menu, level.Selected, false);
        {
            TGuard guard(Mutex());
            if (TMenu* m = FindMenu(level.Menu); m && m->Window == level.Window) m->Window = nullptr;
        }
        t.Levels.pop_back();
        if (IsWindow(level.Window)) DestroyWindow(level.Window);
        Tell(t, WM_UNINITMENUPOPUP, WPARAM(level.Menu), t.System ? MAKELPARAM(0, MF_SYSMENU) : 0);
        if (!t.Levels.empty() && t.Levels.back().Bar) {
            {
                TGuard guard(Mutex());
                if (TMenu* m = FindMenu(t.Levels.back().Menu)) m->OpenItem = -1;
            }
            RedrawBar(t.Levels.back().Window);
        }
    }
}

// Opens the submenu of a level's selected item.
bool OpenSubmenu(TTracker& t, std::size_t levelIndex, bool selectFirst) {
    if (levelIndex >= t.Levels.size()) return false;
    CloseAbove(t, int(levelIndex));
    TLevel parent = t.Levels[levelIndex];
    TItem item;
    if (!ItemAt(parent.Menu, parent.Selected, item) || !item.SubMenu || IsInactive(item)) return false;
    HMENU sub = item.SubMenu;
    Tell(t, WM_INITMENUPOPUP, WPARAM(sub), MAKELPARAM(WORD(parent.Selected), WORD(t.System ? 1 : 0)));
    if (t.Done || !IsMenu(sub)) return false;
    SIZE size = LayoutPopup(sub, t.Owner);
    // The owner may have changed the parent while it was told.
    if (!ItemAt(parent.Menu, parent.Selected, item) || item.SubMenu != sub) return false;
    RECT r = PlaceSubmenu(parent, item, size);
    HWND window = CreateMenuWindow(sub, t.Owner, r);
    if (!window) return false;
    t.Levels.push_back(TLevel{sub, window, false, -1});
    if (parent.Bar) {
        {
            TGuard guard(Mutex());
            if (TMenu* m = FindMenu(parent.Menu)) m->OpenItem = parent.Selected;
        }
        RedrawBar(parent.Window);
    }
    if (selectFirst) Select(t, t.Levels.size() - 1, NextSelectable(sub, -1, 1), false);
    return true;
}

// The item was chosen: an item with a submenu opens it, an enabled command ends the loop.
void Choose(TTracker& t, std::size_t levelIndex, int index) {
    TItem item;
    if (levelIndex >= t.Levels.size() || !ItemAt(t.Levels[levelIndex].Menu, index, item)) return;
    if (IsSeparator(item) || IsInactive(item)) return;
    if (item.SubMenu) {
        OpenSubmenu(t, levelIndex, true);
        return;
    }
    t.Command = item.Id;
    t.Chosen = true;
    t.Done = true;
}

bool BarLoop(const TTracker& t) { return !t.Levels.empty() && t.Levels.front().Bar; }

// Moves along the bar, keeping its pop-up open when one was.
void MoveOnBar(TTracker& t, int step) {
    bool dropped = t.Levels.size() > 1;
    int next = NextSelectable(t.Levels[0].Menu, t.Levels[0].Selected, step);
    if (next < 0) return;
    CloseAbove(t, 0);
    Select(t, 0, next, false);
    if (dropped) OpenSubmenu(t, 0, true);
}

bool OnKey(TTracker& t, UINT key) {
    std::size_t top = t.Levels.size() - 1;
    TLevel level = t.Levels[top];
    TItem selected;
    bool hasSelected = ItemAt(level.Menu, level.Selected, selected);
    switch (key) {
    case VK_UP:
    case VK_DOWN:
        if (level.Bar) {
            OpenSubmenu(t, top, true);
        } else {
            int next = NextSelectable(level.Menu, level.Selected, key == VK_DOWN ? 1 : -1);
            if (next >= 0) Select(t, top, next, false);
        }
        return true;
    case VK_HOME:
    case VK_END:
        if (!level.Bar) {
            int count = CountOf(level.Menu);
            int next =
                key == VK_HOME ? NextSelectable(level.Menu, count - 1, 1) : NextSelectable(level.Menu, 0, -1);
            if (next >= 0) Select(t, top, next, false);
        }
        return true;
    case VK_LEFT:
        if (!level.Bar && top >= 1 && !t.Levels[top - 1].Bar)
            CloseAbove(t, int(top) - 1);
        else if (BarLoop(t))
            MoveOnBar(t, -1);
        return true;
    case VK_RIGHT:
        if (!level.Bar && hasSelected && selected.SubMenu && !IsInactive(selected))
            OpenSubmenu(t, top, true);
        else if (BarLoop(t))
            MoveOnBar(t, 1);
        return true;
    case VK_RETURN:
        if (level.Bar)
            OpenSubmenu(t, top, true);
        else if (hasSelected)
            Choose(t, top, level.Selected);
        return true;
    case VK_ESCAPE:
        if (t.Levels.size() > 1)
            CloseAbove(t, int(top) - 1);
        else
            t.Done = true;
        return true;
    case VK_F10:
        t.Done = true;
        return true;
    default:
        return false;
    }
}

void OnChar(TTracker& t, char32_t ch) {
    if (ch < 0x20) return;
    if (ch >= 'A' && ch <= 'Z') ch = ch - 'A' + 'a';
    std::size_t top = t.Levels.size() - 1;
    TLevel level = t.Levels[top];
    std::vector<int> matches;
    {
        TGuard guard(Mutex());
        TMenu* m = FindMenu(level.Menu);
        if (m)
            for (std::size_t i = 0; i < m->Items.size(); ++i)
                if (!IsSeparator(m->Items[i]) && Mnemonic(m->Items[i].Text) == ch) matches.push_back(int(i));
    }
    if (matches.size() == 1) {
        Select(t, top, matches[0], false);
        Choose(t, top, matches[0]);
        return;
    }
    if (matches.size() > 1) {
        // Several items share the key: it moves through them.
        auto next = std::upper_bound(matches.begin(), matches.end(), level.Selected);
        Select(t, top, next == matches.end() ? matches.front() : *next, false);
        return;
    }
    WORD kind = WORD((level.Bar ? 0 : MF_POPUP) | (t.System ? MF_SYSMENU : 0));
    LRESULT answer = Tell(t, WM_MENUCHAR, MAKEWPARAM(WORD(ch), kind), LPARAM(level.Menu));
    if (t.Done || top >= t.Levels.size()) return;
    int index = int(LOWORD(std::uintptr_t(answer)));
    switch (HIWORD(std::uintptr_t(answer))) {
    case MNC_CLOSE:
        t.Done = true;
        break;
    case MNC_EXECUTE:
        Select(t, top, index, false);
        Choose(t, top, index);
        break;
    case MNC_SELECT:
        Select(t, top, index, false);
        break;
    default:
        MessageBeep(0);
        break;
    }
}

// The level and item under a screen point: level -1 when it is on no menu, item -1 between items.
std::pair<int, int> FindAt(const TTracker& t, POINT p) {
    for (int l = int(t.Levels.size()) - 1; l >= 0; --l) {
        const TLevel& level = t.Levels[std::size_t(l)];
        if (level.Bar) {
            if (!WinMenuBarHitTest(level.Window, p)) continue;
        } else {
            RECT r{};
            if (!GetWindowRect(level.Window, &r) || !PtInRect(&r, p)) continue;
        }
        POINT origin = WindowOrigin(level.Window);
        POINT local{p.x - origin.x, p.y - origin.y};
        TGuard guard(Mutex());
        TMenu* m = FindMenu(level.Menu);
        if (m)
            for (std::size_t i = 0; i < m->Items.size(); ++i)
                if (PtInRect(&m->Items[i].Rect, local)) return {l, int(i)};
        return {l, -1};
    }
    return {-1, -1};
}

void OnMouseMove(TTracker& t, POINT p) {
    auto [l, i] = FindAt(t, p);
    if (l < 0) return;
    TLevel level = t.Levels[std::size_t(l)];
    if (level.Bar) {
        if (i < 0 || i == level.Selected || !Selectable(level.Menu, i)) return;
        bool dropped = t.Levels.size() > 1;
        CloseAbove(t, 0);
        Select(t, 0, i, true);
        if (dropped) OpenSubmenu(t, 0, false);
        return;
    }
    TItem item;
    if (i >= 0 && ItemAt(level.Menu, i, item) && IsSeparator(item)) i = -1;
    if (i == level.Selected) {
        // Back on the item whose submenu is open: anything deeper than that submenu closes.
        if (std::size_t(l) + 2 < t.Levels.size()) CloseAbove(t, l + 1);
        return;
    }
    if (i < 0) return;
    KillShowTimer(t);
    CloseAbove(t, l);
    Select(t, std::size_t(l), i, true);
    if (item.SubMenu && !IsInactive(item)) {
        UINT delay = ShowDelay();
        if (delay == 0) {
            OpenSubmenu(t, std::size_t(l), false);
        } else {
            t.PendingLevel = l;
            t.PendingItem = i;
            t.TimerWindow = level.Window;
            SetTimer(level.Window, ShowTimerId, delay, nullptr);
        }
    }
}

// A button went down; false when it is outside the menus and the loop ends without eating it.
bool OnButtonDown(TTracker& t, POINT p) {
    auto [l, i] = FindAt(t, p);
    if (l < 0) {
        t.Done = true;
        return false;
    }
    TLevel level = t.Levels[std::size_t(l)];
    if (level.Bar) {
        if (i < 0 || (t.Levels.size() > 1 && level.Selected == i)) {
            t.Done = true;
            return true;
        }
        CloseAbove(t, 0);
        Select(t, 0, i, true);
        OpenSubmenu(t, 0, false);
        return true;
    }
    TItem item;
    if (i < 0 || !ItemAt(level.Menu, i, item) || IsSeparator(item)) return true;
    KillShowTimer(t);
    if (i != level.Selected || std::size_t(l) + 1 == t.Levels.size()) {
        CloseAbove(t, l);
        Select(t, std::size_t(l), i, true);
        if (item.SubMenu) OpenSubmenu(t, std::size_t(l), false);
    }
    return true;
}

void OnButtonUp(TTracker& t, POINT p, bool right) {
    if (right && !(t.Flags & TPM_RIGHTBUTTON)) return;
    auto [l, i] = FindAt(t, p);
    if (l < 0 || t.Levels[std::size_t(l)].Bar || i < 0) return;
    TItem item;
    if (!ItemAt(t.Levels[std::size_t(l)].Menu, i, item) || item.SubMenu) return;
    Select(t, std::size_t(l), i, true);
    Choose(t, std::size_t(l), i);
}

bool IsButtonDown(UINT m) {
    return m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN || m == WM_MBUTTONDOWN || m == WM_LBUTTONDBLCLK ||
           m == WM_RBUTTONDBLCLK || m == WM_NCLBUTTONDOWN || m == WM_NCRBUTTONDOWN || m == WM_NCMBUTTONDOWN ||
           m == WM_NCLBUTTONDBLCLK || m == WM_NCRBUTTONDBLCLK;
}

bool IsMouse(UINT m) {
    return (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) || (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONDBLCLK);
}

void Run(TTracker& t) {
    bool idleTold = false;
    while (!t.Done && !t.Levels.empty()) {
        if (!IsWindow(t.Owner)) {
            t.Done = true;
            break;
        }
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!idleTold && t.Notify) {
                idleTold = true;
                Tell(t, WM_ENTERIDLE, MSGF_MENU,
                     LPARAM(t.Levels.back().Bar ? nullptr : t.Levels.back().Window));
                continue;
            }
            WaitMessage();
            idleTold = false;
            continue;
        }
        idleTold = false;
        if (msg.message == WM_QUIT) {
            // Left queued for the loop outside.
            t.Done = true;
            break;
        }
        if (IsButtonDown(msg.message) && FindAt(t, msg.pt).first < 0) {
            // A press outside the menus closes them and still goes where it was aimed.
            t.Done = true;
            break;
        }
        if (!PeekMessageA(&msg, nullptr, msg.message, msg.message, PM_REMOVE)) continue;
        if (CallMsgFilterA(&msg, MSGF_MENU)) continue;
        switch (msg.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (!OnKey(t, UINT(msg.wParam))) TranslateMessage(&msg);
            break;
        case WM_SYSKEYUP:
            if (msg.wParam == WPARAM(VK_MENU)) t.Done = true;
            break;
        case WM_KEYUP:
            break;
        case WM_CHAR:
        case WM_SYSCHAR:
            OnChar(t, char32_t(msg.wParam));
            break;
        case WM_TIMER:
            if (msg.hwnd == t.TimerWindow && msg.wParam == ShowTimerId && t.TimerWindow) {
                int level = t.PendingLevel, item = t.PendingItem;
                KillShowTimer(t);
                if (level >= 0 && std::size_t(level) + 1 == t.Levels.size() &&
                    t.Levels[std::size_t(level)].Selected == item)
                    OpenSubmenu(t, std::size_t(level), false);
            } else {
                DispatchMessageA(&msg);
            }
            break;
        default:
            if (!IsMouse(msg.message)) {
                DispatchMessageA(&msg);
                break;
            }
            if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE)
                OnMouseMove(t, msg.pt);
            else if (IsButtonDown(msg.message))
                OnButtonDown(t, msg.pt);
            else if (msg.message == WM_LBUTTONUP || msg.message == WM_NCLBUTTONUP)
                OnButtonUp(t, msg.pt, false);
            else if (msg.message == WM_RBUTTONUP || msg.message == WM_NCRBUTTONUP)
                OnButtonUp(t, msg.pt, true);
            break;
        }
    }
}

void Begin(TTracker& t, HMENU root) {
    Trackers().push_back(&t);
    Tell(t, WM_ENTERMENULOOP, t.PopupLoop ? TRUE : FALSE, 0);
    Tell(t, WM_INITMENU, WPARAM(root), 0);
}

// Closes everything, tells the owner and hands the command over.
UINT Finish(TTracker& t) {
    KillShowTimer(t);
    Tell(t, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    CloseAbove(t, -1);
    Tell(t, WM_EXITMENULOOP, t.PopupLoop ? TRUE : FALSE, 0);
    auto& stack = Trackers();
    stack.erase(std::remove(stack.begin(), stack.end(), &t), stack.end());
    if (!t.Chosen) return 0;
    if (!(t.Flags & TPM_RETURNCMD) && t.Notify && IsWindow(t.Owner)) {
        if (t.System) {
            POINT p{};
            GetCursorPos(&p);
            PostMessageA(t.Owner, WM_SYSCOMMAND, t.Command, PointToLParam(p));
        } else {
            PostMessageA(t.Owner, WM_COMMAND, MAKEWPARAM(WORD(t.Command), 0), 0);
        }
    }
    return t.Command;
}

UINT TrackPopup(HMENU menu, UINT flags, POINT at, HWND owner, const RECT* exclude, bool system) {
    TTracker t;
    t.Owner = owner;
    t.Flags = flags;
    t.PopupLoop = true;
    t.System = system;
    t.Notify = !(flags & TPM_NONOTIFY);
    Begin(t, menu);
    Tell(t, WM_INITMENUPOPUP, WPARAM(menu), MAKELPARAM(0, WORD(system ? 1 : 0)));
    if (!t.Done && IsMenu(menu)) {
        SIZE size = LayoutPopup(menu, owner);
        RECT r = PlaceAtPoint(at, size, flags, exclude);
        if (HWND window = CreateMenuWindow(menu, owner, r))
            t.Levels.push_back(TLevel{menu, window, false, -1});
    }
    Run(t);
    return Finish(t);
}

// The menu loop on a window's bar, with an item selected and maybe open.
void TrackBar(HWND window, int index, bool open, bool byKey) {
    HMENU menu = GetMenu(window);
    if (!menu || index < 0) return;
    TTracker t;
    t.Owner = window;
    Begin(t, menu);
    {
        TGuard guard(Mutex());
        if (TMenu* m = FindMenu(menu)) m->BarFocus = true;
    }
    t.Levels.push_back(TLevel{menu, window, true, -1});
    Select(t, 0, index, !byKey);
    if (open) {
        TItem item;
        if (ItemAt(menu, index, item) && !item.SubMenu && byKey)
            Choose(t, 0, index);
        else
            OpenSubmenu(t, 0, byKey);
    }
    Run(t);
    Finish(t);
}

void TrackSystemMenu(HWND window) {
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu) return;
    RECT wr{};
    GetWindowRect(window, &wr);
    POINT client{0, 0};
    ClientToScreen(window, &client);
    int border = GetSystemMetrics(SM_CXFRAME);
    POINT at{wr.left + border, client.y};
    if (GetMenu(window)) at.y -= GetSystemMetrics(SM_CYMENU);
    TrackPopup(menu, TPM_LEFTALIGN | TPM_TOPALIGN, at, window, nullptr, true);
}

LRESULT MenuWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, 0, LONG_PTR(cs ? cs->lpCreateParams : nullptr));
        return DefWindowProcA(window, message, wParam, lParam);
    }
    case MN_GETHMENU:
        return GetWindowLongPtrA(window, 0);
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (dc) PaintPopup(window, dc, reinterpret_cast<HMENU>(GetWindowLongPtrA(window, 0)));
        EndPaint(window, &ps);
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// The edit control's context menu, shown as a popup of ours.
UINT RunEditContextMenu(HWND edit, POINT screen, const std::vector<TEditMenuItem>& items) {
    HMENU menu = CreatePopupMenu();
    if (!menu) return 0;
    for (const TEditMenuItem& item : items) {
        if (item.Id == 0)
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(menu, MF_STRING | (item.Enabled ? 0 : MF_GRAYED), item.Id, item.Text.c_str());
    }
    UINT chosen = UINT(TrackPopupMenuEx(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD |
                                                  TPM_NONOTIFY,
                                        screen.x, screen.y, edit, nullptr));
    DestroyMenu(menu);
    return chosen;
}

bool Registered() {
    RegisterMenuClass();
    InstallBarPainter();
    WinEditSetContextMenuRunner(RunEditContextMenu);
    return true;
}

[[maybe_unused]] const bool MenusReady = Registered();

} // namespace

// ================================================================================================

namespace WinMenuInternal {

bool RegisterMenuClass() {
    WNDCLASSA wc;
    if (GetClassInfoA(nullptr, WC_MENUA, &wc)) return true;
    wc = WNDCLASSA{};
    wc.style = CS_SAVEBITS | CS_DBLCLKS | CS_GLOBALCLASS | (DropShadow() ? CS_DROPSHADOW : 0);
    wc.lpfnWndProc = MenuWindowProc;
    wc.cbWndExtra = int(sizeof(HMENU));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = WC_MENUA;
    return RegisterClassA(&wc) != 0;
}

void MenuDestroyed(HMENU menu) {
    for (TTracker* t : Trackers())
        for (const TLevel& level : t->Levels)
            if (level.Menu == menu) t->Done = true;
}

} // namespace WinMenuInternal

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS params) {
    if (!IsMenu(menu) || !IsWindow(owner)) return FALSE;
    const RECT* exclude = params && params->cbSize >= sizeof(TPMPARAMS) ? &params->rcExclude : nullptr;
    UINT command = TrackPopup(menu, flags, POINT{x, y}, owner, exclude, false);
    return (flags & TPM_RETURNCMD) ? BOOL(command) : TRUE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
    return TrackPopupMenuEx(menu, flags, x, y, owner, nullptr);
}

BOOL EndMenu() {
    auto& stack = Trackers();
    if (stack.empty()) return FALSE;
    TTracker* t = stack.back();
    t->Done = true;
    // Wakes the loop should it be waiting.
    if (IsWindow(t->Owner)) PostMessageA(t->Owner, WM_NULL, 0, 0);
    return TRUE;
}

BOOL GetMenuItemRect(HWND window, HMENU menu, UINT item, RECT* rect) {
    if (!rect) return FALSE;
    if (window && GetMenu(window) == menu) LayoutBar(window, menu, BarRect(window));
    HWND shown = nullptr;
    RECT r{};
    {
        TGuard guard(Mutex());
        TMenu* m = FindMenu(menu);
        if (!m || item >= m->Items.size()) return FALSE;
        shown = m->Popup ? m->Window : window;
        r = m->Items[item].Rect;
    }
    if (!shown || !IsWindow(shown)) return FALSE;
    if (shown == window && GetMenu(window) != menu) return FALSE;
    POINT origin = WindowOrigin(shown);
    OffsetRect(&r, origin.x, origin.y);
    *rect = r;
    return TRUE;
}

int MenuItemFromPoint(HWND window, HMENU menu, POINT screen) {
    if (window && GetMenu(window) == menu) LayoutBar(window, menu, BarRect(window));
    HWND shown = nullptr;
    {
        TGuard guard(Mutex());
        TMenu* m = FindMenu(menu);
        if (!m) return -1;
        shown = m->Popup ? m->Window : window;
    }
    if (!shown || !IsWindow(shown) || (shown == window && GetMenu(window) != menu)) return -1;
    POINT origin = WindowOrigin(shown);
    POINT local{screen.x - origin.x, screen.y - origin.y};
    TGuard guard(Mutex());
    TMenu* m = FindMenu(menu);
    if (!m) return -1;
    for (std::size_t i = 0; i < m->Items.size(); ++i)
        if (PtInRect(&m->Items[i].Rect, local)) return int(i);
    return -1;
}

void WinMenuEnterFromBar(HWND window, POINT screenPoint) {
    HWND top = window ? GetAncestor(window, GA_ROOT) : nullptr;
    if (!top) return;
    if (SendMessageA(top, WM_NCHITTEST, 0, PointToLParam(screenPoint)) == HTSYSMENU) {
        TrackSystemMenu(top);
        return;
    }
    HMENU menu = GetMenu(top);
    if (!menu || !WinMenuBarHitTest(top, screenPoint)) return;
    int index = MenuItemFromPoint(top, menu, screenPoint);
    if (index < 0 || !Selectable(menu, index)) return;
    TrackBar(top, index, true, false);
}

void WinMenuEnterFromKey(HWND window, UINT key) {
    HWND top = window ? GetAncestor(window, GA_ROOT) : nullptr;
    if (!top) return;
    if (key == ' ') {
        if (GetWindowLongA(top, GWL_STYLE) & WS_SYSMENU) TrackSystemMenu(top);
        return;
    }
    HMENU menu = GetMenu(top);
    if (!menu) return;
    // Laid out before its items are looked for.
    LayoutBar(top, menu, BarRect(top));
    if (key == 0) {
        int first = NextSelectable(menu, -1, 1);
        if (first >= 0) TrackBar(top, first, false, true);
        return;
    }
    char32_t ch = key >= 'A' && key <= 'Z' ? char32_t(key - 'A' + 'a') : char32_t(key);
    int count = CountOf(menu);
    for (int i = 0; i < count; ++i) {
        TItem item;
        if (ItemAt(menu, i, item) && !IsSeparator(item) && Mnemonic(item.Text) == ch) {
            TrackBar(top, i, true, true);
            return;
        }
    }
    MessageBeep(0);
}
