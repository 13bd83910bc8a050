// Monitors over the backend's screens, or over a list a test set.
#include "platform/winapi/WinMonitor.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <mutex>
#include <optional>

#include "platform/runtime/Libraries.h"
#include "platform/winapi/WinError.h"
#include "platform/winapi/WinInternal.h"
#include "platform/winapi/WinScroll.h"

using namespace WinInternal;

namespace {

std::mutex& TestLock() {
    static auto* lock = new std::mutex;
    return *lock;
}

std::optional<std::vector<TWinMonitor>>& TestMonitors() {
    static auto* monitors = new std::optional<std::vector<TWinMonitor>>;
    return *monitors;
}

bool Contains(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

bool IsEmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT Intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (IsEmptyRect(r)) return RECT{};
    return r;
}

std::int64_t Area(const RECT& r) {
    return IsEmptyRect(r) ? 0 : std::int64_t(r.right - r.left) * std::int64_t(r.bottom - r.top);
}

// The squared distance from a point to the nearest pixel of a rectangle (0 inside).
std::int64_t DistanceSquared(const RECT& r, POINT p) {
    std::int64_t dx = p.x < r.left ? r.left - p.x : p.x >= r.right ? p.x - (r.right - 1) : 0;
    std::int64_t dy = p.y < r.top ? r.top - p.y : p.y >= r.bottom ? p.y - (r.bottom - 1) : 0;
    return dx * dx + dy * dy;
}

// The distance between two rectangles along each axis (0 where they overlap), squared and added.
std::int64_t DistanceSquared(const RECT& a, const RECT& b) {
    std::int64_t dx = a.right <= b.left ? b.left - a.right + 1 : b.right <= a.left ? a.left - b.right + 1 : 0;
    std::int64_t dy = a.bottom <= b.top ? b.top - a.bottom + 1 : b.bottom <= a.top ? a.top - b.bottom + 1 : 0;
    return dx * dx + dy * dy;
}

HMONITOR HandleOf(size_t index) { return reinterpret_cast<HMONITOR>(std::uintptr_t(index + 1)); }

std::optional<size_t> IndexOf(HMONITOR monitor, size_t count) {
    auto v = std::uintptr_t(monitor);
    if (v == 0 || v > count) return std::nullopt;
    return size_t(v - 1);
}

size_t PrimaryIndex(const std::vector<TWinMonitor>& list) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].Primary) return i;
    return 0;
}

// The fallback when no monitor meets what was asked.
HMONITOR ByFlags(const std::vector<TWinMonitor>& list, DWORD flags,
                 const std::function<std::int64_t(const RECT&)>& distance) {
    if (list.empty()) return nullptr;
    if (flags == MONITOR_DEFAULTTOPRIMARY) return HandleOf(PrimaryIndex(list));
    if (flags == MONITOR_DEFAULTTONEAREST) {
        size_t best = 0;
        std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
        for (size_t i = 0; i < list.size(); ++i) {
            std::int64_t d = distance(list[i].Monitor);
            if (d < bestDistance) {
                bestDistance = d;
                best = i;
            }
        }
        return HandleOf(best);
    }
    return nullptr;
}

// The functions of the window system that the program binds by name rather than calling them
// (they were missing from older systems). One registration holds them all: registering the
// library again would replace the list.
void RegisterUser32(bool withScrollBarInfo) {
    std::vector<TLibraryExport> exports{
        {"GetMonitorInfoA", reinterpret_cast<void*>(&GetMonitorInfoA)},
        {"MonitorFromPoint", reinterpret_cast<void*>(&MonitorFromPoint)},
    };
    if (withScrollBarInfo) exports.push_back({"GetScrollBarInfo", reinterpret_cast<void*>(&GetScrollBarInfo)});
    RegisterLibrary("user32.dll", exports);
}

const bool Registered = [] {
    RegisterUser32(true);
    return true;
}();

} // namespace

std::vector<TWinMonitor> WinMonitors() {
    {
        std::lock_guard<std::mutex> guard(TestLock());
        if (TestMonitors()) return *TestMonitors();
    }
    std::vector<TWinMonitor> list;
    if (TWinBackend* backend = WinGetBackend()) {
        for (const TWinScreen& s : backend->Screens())
            list.push_back(TWinMonitor{s.Geometry, s.WorkArea, s.Primary, {}});
    }
    if (list.empty()) list.push_back(TWinMonitor{RECT{0, 0, 1024, 768}, RECT{0, 0, 1024, 768}, true, {}});
    // Exactly one primary monitor.
    size_t primary = PrimaryIndex(list);
    for (size_t i = 0; i < list.size(); ++i)
        list[i].Primary = i == primary;
    return list;
}

void WinSetTestMonitors(std::vector<TWinMonitor> monitors) {
    std::lock_guard<std::mutex> guard(TestLock());
    if (monitors.empty()) {
        TestMonitors().reset();
        return;
    }
    size_t primary = PrimaryIndex(monitors);
    for (size_t i = 0; i < monitors.size(); ++i)
        monitors[i].Primary = i == primary;
    TestMonitors() = std::move(monitors);
}

void WinSetScrollBarInfoExported(bool exported) { RegisterUser32(exported); }

RECT WinVirtualScreenRect() {
    std::vector<TWinMonitor> list = WinMonitors();
    RECT r = list.front().Monitor;
    for (const TWinMonitor& m : list) {
        r.left = std::min(r.left, m.Monitor.left);
        r.top = std::min(r.top, m.Monitor.top);
        r.right = std::max(r.right, m.Monitor.right);
        r.bottom = std::max(r.bottom, m.Monitor.bottom);
    }
    return r;
}

RECT WinPrimaryMonitorRect() {
    std::vector<TWinMonitor> list = WinMonitors();
    return list[PrimaryIndex(list)].Monitor;
}

RECT WinPrimaryWorkArea() {
    std::vector<TWinMonitor> list = WinMonitors();
    return list[PrimaryIndex(list)].Work;
}

int WinMonitorCount() { return int(WinMonitors().size()); }

HMONITOR MonitorFromPoint(POINT point, DWORD flags) {
    std::vector<TWinMonitor> list = WinMonitors();
    for (size_t i = 0; i < list.size(); ++i)
        if (Contains(list[i].Monitor, point)) return HandleOf(i);
    return ByFlags(list, flags, [point](const RECT& r) { return DistanceSquared(r, point); });
}

HMONITOR MonitorFromRect(const RECT* rect, DWORD flags) {
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // An empty rectangle is where its top-left corner is.
    if (IsEmptyRect(*rect)) return MonitorFromPoint(POINT{rect->left, rect->top}, flags);
    std::vector<TWinMonitor> list = WinMonitors();
    std::int64_t best = 0;
    HMONITOR result = nullptr;
    for (size_t i = 0; i < list.size(); ++i) {
        std::int64_t a = Area(Intersect(list[i].Monitor, *rect));
        if (a > best) {
            best = a;
            result = HandleOf(i);
        }
    }
    if (result) return result;
    RECT r = *rect;
    return ByFlags(list, flags, [r](const RECT& m) { return DistanceSquared(m, r); });
}

HMONITOR MonitorFromWindow(HWND window, DWORD flags) {
    std::optional<RECT> r;
    {
        TLock lock(StateMutex());
        if (TWnd* w = Find(window))
            r = ((w->Style & WS_MINIMIZE) && IsTopLevel(w)) ? w->NormalRect : ScreenWindowRect(w);
    }
    if (!r) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        if (flags == MONITOR_DEFAULTTONULL) return nullptr;
        return HandleOf(PrimaryIndex(WinMonitors()));
    }
    return MonitorFromRect(&*r, flags);
}

BOOL GetMonitorInfoA(HMONITOR monitor, MONITORINFO* info) {
    if (!info || (info->cbSize != sizeof(MONITORINFO) && info->cbSize != sizeof(MONITORINFOEXA))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<TWinMonitor> list = WinMonitors();
    std::optional<size_t> index = IndexOf(monitor, list.size());
    if (!index) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const TWinMonitor& m = list[*index];
    info->rcMonitor = m.Monitor;
    info->rcWork = m.Work;
    info->dwFlags = m.Primary ? MONITORINFOF_PRIMARY : 0;
    if (info->cbSize == sizeof(MONITORINFOEXA)) {
        auto* ex = static_cast<MONITORINFOEXA*>(info);
        String device = m.Device.empty() ? "\\\\.\\DISPLAY" + std::to_string(*index + 1) : m.Device;
        size_t n = std::min(device.size(), size_t(CCHDEVICENAME - 1));
        std::memcpy(ex->szDevice, device.data(), n);
        ex->szDevice[n] = '\0';
    }
    return TRUE;
}

BOOL EnumDisplayMonitors(HDC dc, const RECT* clip, MONITORENUMPROC proc, LPARAM data) {
    if (!proc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // With a context: its coordinates are the client coordinates of its window (the screen for the
    // screen's context), and only the part of the screen its window covers counts.
    POINT origin{};
    std::optional<RECT> limit;
    if (dc) {
        if (HWND window = WindowFromDC(dc)) {
            ClientToScreen(window, &origin);
            RECT client{};
            GetClientRect(window, &client);
            limit = RECT{client.left + origin.x, client.top + origin.y, client.right + origin.x,
                         client.bottom + origin.y};
        }
    }
    std::vector<TWinMonitor> list = WinMonitors();
    for (size_t i = 0; i < list.size(); ++i) {
        RECT r = list[i].Monitor;
        if (limit) r = Intersect(r, *limit);
        if (clip) {
            RECT c{clip->left + origin.x, clip->top + origin.y, clip->right + origin.x,
                   clip->bottom + origin.y};
            r = Intersect(r, c);
        }
        if (IsEmptyRect(r)) continue;
        RECT local{r.left - origin.x, r.top - origin.y, r.right - origin.x, r.bottom - origin.y};
        if (!proc(HandleOf(i), dc, &local, data)) break;
    }
    return TRUE;
}
