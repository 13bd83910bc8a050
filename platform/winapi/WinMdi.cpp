#include "platform/winapi/WinMdi.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <vector>

#include "platform/winapi/SysColors.h"

namespace {

struct TMdiClient {
    HMENU WindowMenu = nullptr;
    UINT FirstChild = 0;
    HWND Active = nullptr;
    HWND Dying = nullptr; // a document window on its way out: no longer one of the documents
    bool Activating = false;
};

std::mutex gLock;
std::map<HWND, TMdiClient>& Clients() {
    static auto* clients = new std::map<HWND, TMdiClient>;
    return *clients;
}

TMdiClient* State(HWND client) {
    auto it = Clients().find(client);
    return it == Clients().end() ? nullptr : &it->second;
}

HWND ActiveOf(HWND client) {
    std::lock_guard<std::mutex> guard(gLock);
    TMdiClient* s = State(client);
    return s ? s->Active : nullptr;
}

bool IsMdiChild(HWND window) { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_MDICHILD) != 0; }

// The documents of a client, top of the z-order (the active one) first.
std::vector<HWND> Documents(HWND client) {
    HWND dying = nullptr;
    {
        std::lock_guard<std::mutex> guard(gLock);
        if (TMdiClient* s = State(client)) dying = s->Dying;
    }
    std::vector<HWND> out;
    for (HWND w = GetWindow(client, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (w != dying && IsMdiChild(w)) out.push_back(w);
    return out;
}

bool Arrangeable(HWND w, bool skipDisabled) {
    return IsWindowVisible(w) && !IsIconic(w) && !(skipDisabled && !IsWindowEnabled(w));
}

HWND FrameOf(HWND client) { return GetParent(client); }

void Activate(HWND client, HWND child) {
    HWND old = nullptr;
    {
        std::lock_guard<std::mutex> guard(gLock);
        TMdiClient* s = State(client);
        if (!s || s->Activating) return;
        if (s->Active == child) {
            old = child;
        } else {
            old = s->Active;
            s->Active = child;
            s->Activating = true;
        }
    }
    if (old == child) {
        if (child) SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return;
    }
    struct TDone {
        HWND Client;
        ~TDone() {
            std::lock_guard<std::mutex> guard(gLock);
            if (TMdiClient* s = State(Client)) s->Activating = false;
        }
    } done{client};
    if (old && IsWindow(old)) {
        SendMessageA(old, WM_NCACTIVATE, FALSE, 0);
        SendMessageA(old, WM_MDIACTIVATE, WPARAM(old), LPARAM(child));
    }
    if (!child) return;
    SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageA(child, WM_NCACTIVATE, TRUE, 0);
    SendMessageA(child, WM_MDIACTIVATE, WPARAM(old), LPARAM(child));
    // The keyboard follows when the frame is the active window.
    HWND frame = FrameOf(client);
    HWND focus = GetFocus();
    if (frame && GetActiveWindow() == GetAncestor(frame, GA_ROOT) && focus != child && !IsChild(child, focus))
        SetFocus(child);
}

// The first document that may take over from `leaving`.
HWND NextCandidate(HWND client, HWND leaving) {
    for (HWND w : Documents(client))
        if (w != leaving && IsWindowVisible(w)) return w;
    return nullptr;
}

RECT ClientArea(HWND client) {
    RECT r{};
    GetClientRect(client, &r);
    return r;
}

int CascadeStep() { return GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYSIZEFRAME); }

// The windows to arrange, bottom of the z-order first, so the active one ends on top.
std::vector<HWND> ToArrange(HWND client, bool skipDisabled, bool bottomFirst) {
    std::vector<HWND> out;
    for (HWND w : Documents(client))
        if (Arrangeable(w, skipDisabled)) out.push_back(w);
    if (bottomFirst) std::reverse(out.begin(), out.end());
    return out;
}

void RestoreIfMaximized(const std::vector<HWND>& windows) {
    for (HWND w : windows)
        if (IsZoomed(w)) ShowWindow(w, SW_SHOWNOACTIVATE);
}

int Cascade(HWND client, WPARAM flags) {
    std::vector<HWND> windows = ToArrange(client, (flags & MDICASCADE_SKIPDISABLED) != 0, true);
    RestoreIfMaximized(windows);
    const RECT area = ClientArea(client);
    const int w = area.right - area.left, h = area.bottom - area.top;
    const int n = int(windows.size());
    const int step = CascadeStep();
    const int cx = std::max(w - step * (n - 1), w / 2);
    const int cy = std::max(h - step * (n - 1), h / 2);
    for (int i = 0; i < n; ++i) {
        // Start over at the top-left once a window would leave the area.
        int slots = std::max(1, std::min((w - cx) / std::max(step, 1), (h - cy) / std::max(step, 1)) + 1);
        int k = i % slots;
        SetWindowPos(windows[std::size_t(i)], HWND_TOP, area.left + k * step, area.top + k * step, cx, cy,
                     SWP_NOACTIVATE);
    }
    return n;
}

int Tile(HWND client, WPARAM flags) {
    std::vector<HWND> windows = ToArrange(client, (flags & MDITILE_SKIPDISABLED) != 0, false);
    RestoreIfMaximized(windows);
    const RECT area = ClientArea(client);
    const int n = int(windows.size());
    if (n == 0) return 0;
    const bool horizontal = (flags & MDITILE_HORIZONTAL) != 0;
    // Horizontal tiling stacks wide windows one above the other; vertical puts tall ones side by
    // side. Beyond three windows they form a grid whose later lines take the extra windows.
    const int lines = n <= 3 ? n : int(std::ceil(std::sqrt(double(n))));
    const int w = area.right - area.left, h = area.bottom - area.top;
    int index = 0;
    for (int line = 0; line < lines; ++line) {
        const int count = n / lines + (line >= lines - n % lines ? 1 : 0);
        for (int cell = 0; cell < count; ++cell, ++index) {
            int x, y, cx, cy;
            if (horizontal) {
                y = area.top + h * line / lines;
                cy = area.top + h * (line + 1) / lines - y;
                x = area.left + w * cell / count;
                cx = area.left + w * (cell + 1) / count - x;
            } else {
                x = area.left + w * line / lines;
                cx = area.left + w * (line + 1) / lines - x;
                y = area.top + h * cell / count;
                cy = area.top + h * (cell + 1) / count - y;
            }
            SetWindowPos(windows[std::size_t(index)], nullptr, x, y, cx, cy, SWP_NOACTIVATE | SWP_NOZORDER);
        }
    }
    return n;
}

void ArrangeIcons(HWND client) {
    const RECT area = ClientArea(client);
    int cx = GetSystemMetrics(SM_CXMINSPACING), cy = GetSystemMetrics(SM_CYMINSPACING);
    if (cx <= 0) cx = 160;
    if (cy <= 0) cy = 24;
    std::vector<HWND> icons;
    for (HWND w : Documents(client))
        if (IsIconic(w) && IsWindowVisible(w)) icons.push_back(w);
    std::reverse(icons.begin(), icons.end());
    const int perRow = std::max(1, int(area.right - area.left) / cx);
    for (std::size_t i = 0; i < icons.size(); ++i) {
        const int col = int(i) % perRow, row = int(i) / perRow;
        SetWindowPos(icons[i], nullptr, area.left + col * cx, area.bottom - (row + 1) * cy, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Next(HWND client, HWND from, bool previous) {
    std::vector<HWND> docs;
    for (HWND w : Documents(client))
        if (IsWindowVisible(w)) docs.push_back(w);
    if (docs.size() < 2) return;
    if (!from) from = ActiveOf(client);
    if (!previous) {
        auto it = std::find(docs.begin(), docs.end(), from);
        HWND target = (it == docs.end() || it + 1 == docs.end()) ? docs[1] : *(it + 1);
        Activate(client, target);
        // The one left goes to the back, so that "next" walks through them all.
        if (from && IsWindow(from))
            SetWindowPos(from, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    } else {
        Activate(client, docs.back());
    }
}

HWND CreateDocument(HWND client, const MDICREATESTRUCTA* cs) {
    if (!cs) return nullptr;
    DWORD style = cs->style;
    if (!(GetWindowLongA(client, GWL_STYLE) & MDIS_ALLCHILDSTYLES))
        style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    style = (style & ~WS_POPUP) | WS_CHILD | WS_CLIPSIBLINGS;
    const bool show = (style & WS_VISIBLE) != 0;
    style &= ~WS_VISIBLE;

    const RECT area = ClientArea(client);
    const int n = int(Documents(client).size());
    const int step = CascadeStep();
    int x = cs->x, y = cs->y, cx = cs->cx, cy = cs->cy;
    if (x == CW_USEDEFAULT || y == CW_USEDEFAULT) {
        const int slots = 8;
        x = area.left + (n % slots) * step;
        y = area.top + (n % slots) * step;
    }
    if (cx == CW_USEDEFAULT || cy == CW_USEDEFAULT) {
        cx = (area.right - area.left) * 3 / 4;
        cy = (area.bottom - area.top) * 3 / 4;
    }
    // The document finds the MDICREATESTRUCTA (and its lParam) as its CREATESTRUCT's param.
    HWND child = CreateWindowExA(WS_EX_MDICHILD, cs->szClass, cs->szTitle, style, x, y, cx, cy, client,
                                 nullptr, cs->hOwner, const_cast<MDICREATESTRUCTA*>(cs));
    if (!child) return nullptr;
    if (show) {
        ShowWindow(child, SW_SHOWNOACTIVATE);
        Activate(client, child);
    }
    return child;
}

LRESULT MdiClientProc(HWND client, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        TMdiClient state;
        if (cs && cs->lpCreateParams) {
            auto* ccs = static_cast<const CLIENTCREATESTRUCT*>(cs->lpCreateParams);
            state.WindowMenu = ccs->hWindowMenu;
            state.FirstChild = ccs->idFirstChild;
        }
        std::lock_guard<std::mutex> guard(gLock);
        Clients()[client] = state;
        return 0;
    }
    case WM_NCDESTROY: {
        {
            std::lock_guard<std::mutex> guard(gLock);
            Clients().erase(client);
        }
        return DefWindowProcA(client, message, wParam, lParam);
    }
    case WM_MDICREATE:
        return LRESULT(CreateDocument(client, reinterpret_cast<const MDICREATESTRUCTA*>(lParam)));
    case WM_MDIDESTROY: {
        HWND child = reinterpret_cast<HWND>(wParam);
        if (child && GetParent(child) == client) DestroyWindow(child);
        return 0;
    }
    case WM_MDIACTIVATE: {
        HWND child = reinterpret_cast<HWND>(wParam);
        if (child && GetParent(child) == client && IsMdiChild(child)) Activate(client, child);
        return 0;
    }
    case WM_MDIGETACTIVE: {
        HWND active = ActiveOf(client);
        if (lParam) *reinterpret_cast<BOOL*>(lParam) = active && IsZoomed(active);
        return LRESULT(active);
    }
    case WM_MDINEXT:
        Next(client, reinterpret_cast<HWND>(wParam), lParam != 0);
        return 0;
    case WM_MDICASCADE:
        return Cascade(client, wParam);
    case WM_MDITILE:
        return Tile(client, wParam);
    case WM_MDIICONARRANGE:
        ArrangeIcons(client);
        return 0;
    case WM_MDIMAXIMIZE:
        if (HWND child = reinterpret_cast<HWND>(wParam)) ShowWindow(child, SW_MAXIMIZE);
        return 0;
    case WM_MDIRESTORE:
        if (HWND child = reinterpret_cast<HWND>(wParam)) ShowWindow(child, SW_RESTORE);
        return 0;
    case WM_MDISETMENU: {
        std::lock_guard<std::mutex> guard(gLock);
        TMdiClient* s = State(client);
        if (!s) return 0;
        HMENU old = s->WindowMenu;
        if (lParam) s->WindowMenu = reinterpret_cast<HMENU>(lParam);
        return LRESULT(old);
    }
    case WM_MDIREFRESHMENU:
        return 0;
    case WM_PARENTNOTIFY:
        if (LOWORD(wParam) == WM_DESTROY) {
            HWND child = reinterpret_cast<HWND>(lParam);
            if (IsMdiChild(child)) {
                bool wasActive = false;
                {
                    std::lock_guard<std::mutex> guard(gLock);
                    TMdiClient* s = State(client);
                    if (!s) return 0;
                    s->Dying = child;
                    if (s->Active == child) {
                        s->Active = nullptr;
                        wasActive = true;
                    }
                }
                if (wasActive) Activate(client, NextCandidate(client, child));
                std::lock_guard<std::mutex> guard(gLock);
                if (TMdiClient* s = State(client)) s->Dying = nullptr;
            }
        }
        return 0;
    case WM_SETFOCUS: {
        HWND active = ActiveOf(client);
        if (active && IsWindowVisible(active)) SetFocus(active);
        return 0;
    }
    case WM_SIZE: {
        // A maximized document keeps filling the client.
        HWND active = ActiveOf(client);
        if (active && IsZoomed(active)) {
            RECT r{};
            GetClientRect(client, &r);
            RECT frame = r;
            AdjustWindowRectEx(&frame, DWORD(GetWindowLongA(active, GWL_STYLE)), FALSE,
                               DWORD(GetWindowLongA(active, GWL_EXSTYLE)));
            SetWindowPos(active, nullptr, frame.left, frame.top, frame.right - frame.left,
                         frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return DefWindowProcA(client, message, wParam, lParam);
    }
    default:
        return DefWindowProcA(client, message, wParam, lParam);
    }
}

const bool gClassRegistered = (WinRegisterMdiClientClass(), true);

} // namespace

void WinRegisterMdiClientClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSA wc;
        wc.lpfnWndProc = MdiClientProc;
        wc.lpszClassName = MDICLIENT_CLASS;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(std::intptr_t(COLOR_APPWORKSPACE + 1));
        RegisterClassA(&wc);
    });
}

LRESULT DefFrameProcA(HWND frame, HWND client, UINT message, WPARAM wParam, LPARAM lParam) {
    if (client) {
        switch (message) {
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) MoveWindow(client, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            break;
        case WM_SETFOCUS:
            SetFocus(client);
            return 0;
        case WM_COMMAND: {
            UINT first = 0;
            {
                std::lock_guard<std::mutex> guard(gLock);
                if (TMdiClient* s = State(client)) first = s->FirstChild;
            }
            const UINT id = LOWORD(wParam);
            if (first != 0 && id >= first) {
                std::vector<HWND> docs = Documents(client);
                std::reverse(docs.begin(), docs.end()); // in the order they were created
                if (id - first < docs.size()) {
                    SendMessageA(client, WM_MDIACTIVATE, WPARAM(docs[id - first]), 0);
                    return 0;
                }
            }
            break;
        }
        default:
            break;
        }
    }
    return DefWindowProcA(frame, message, wParam, lParam);
}

LRESULT DefMDIChildProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND client = GetParent(window);
    switch (message) {
    case WM_CHILDACTIVATE:
    case WM_SETFOCUS:
        if (client && ActiveOf(client) != window) SendMessageA(client, WM_MDIACTIVATE, WPARAM(window), 0);
        break;
    case WM_MOUSEACTIVATE:
        if (client && ActiveOf(client) != window) SendMessageA(client, WM_MDIACTIVATE, WPARAM(window), 0);
        break;
    case WM_CLOSE:
        if (client) {
            SendMessageA(client, WM_MDIDESTROY, WPARAM(window), 0);
            return 0;
        }
        break;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_MAXIMIZE:
            ShowWindow(window, SW_MAXIMIZE);
            return 0;
        case SC_MINIMIZE:
            ShowWindow(window, SW_MINIMIZE);
            return 0;
        case SC_RESTORE:
            ShowWindow(window, SW_RESTORE);
            return 0;
        case SC_NEXTWINDOW:
        case SC_PREVWINDOW:
            if (client) SendMessageA(client, WM_MDINEXT, WPARAM(window), (wParam & 0xFFF0) == SC_PREVWINDOW);
            return 0;
        case SC_CLOSE:
            SendMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateMDIWindowA(LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width, int height,
                      HWND client, HINSTANCE instance, LPARAM param) {
    MDICREATESTRUCTA cs;
    cs.szClass = className;
    cs.szTitle = windowName;
    cs.hOwner = instance;
    cs.x = x;
    cs.y = y;
    cs.cx = width;
    cs.cy = height;
    cs.style = style;
    cs.lParam = param;
    return reinterpret_cast<HWND>(SendMessageA(client, WM_MDICREATE, 0, LPARAM(&cs)));
}
