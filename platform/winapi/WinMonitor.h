// Monitors: the screens of the display as HMONITOR handles, with their rectangles and work areas,
// and the questions which monitor a point, a rectangle or a window is on.
//
// The list comes from the display backend (its screens, the primary one first); without a backend
// there is one 1024 x 768 screen. Tests set a list of their own with WinSetTestMonitors.
#pragma once

#include <vector>

#include "platform/runtime/RtlTypes.h"
#include "platform/winapi/WinCore.h"

struct HMONITOR__;
using HMONITOR = HMONITOR__*;

constexpr DWORD MONITOR_DEFAULTTONULL = 0x00000000;
constexpr DWORD MONITOR_DEFAULTTOPRIMARY = 0x00000001;
constexpr DWORD MONITOR_DEFAULTTONEAREST = 0x00000002;
constexpr DWORD MONITORINFOF_PRIMARY = 0x00000001;
constexpr int CCHDEVICENAME = 32;

struct MONITORINFO {
    DWORD cbSize = sizeof(MONITORINFO);
    RECT rcMonitor{};
    RECT rcWork{};
    DWORD dwFlags = 0;
};
using LPMONITORINFO = MONITORINFO*;

// Passed to GetMonitorInfoA as a MONITORINFO whose cbSize says it is the longer record.
struct MONITORINFOEXA : MONITORINFO {
    MONITORINFOEXA() { cbSize = sizeof(MONITORINFOEXA); }
    char szDevice[CCHDEVICENAME] = {};
};
static_assert(sizeof(MONITORINFO) == 40 && sizeof(MONITORINFOEXA) == 72);

using MONITORENUMPROC = BOOL (*)(HMONITOR monitor, HDC dc, RECT* rect, LPARAM data);

// The monitor containing the point, or by flags (MONITOR_DEFAULTTO*) when none does.
HMONITOR MonitorFromPoint(POINT point, DWORD flags);
// The monitor sharing the largest area with the rectangle, or by flags when none does.
HMONITOR MonitorFromRect(const RECT* rect, DWORD flags);
// The monitor of the window's rectangle (a minimized window: where it is restored to).
HMONITOR MonitorFromWindow(HWND window, DWORD flags);
// Fills a MONITORINFO or, when cbSize asks for it, a MONITORINFOEXA (szDevice "\\.\DISPLAYn").
BOOL GetMonitorInfoA(HMONITOR monitor, MONITORINFO* info);
inline BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info) { return GetMonitorInfoA(monitor, info); }
// Calls proc for each monitor meeting clip (all without clip), with the part of the monitor inside
// clip, until proc answers FALSE. With a device context, clip and the rectangles are in the
// context's coordinates and only the monitors its window is on count.
BOOL EnumDisplayMonitors(HDC dc, const RECT* clip, MONITORENUMPROC proc, LPARAM data);

// ---- The list behind them -----------------------------------------------------------------------

struct TWinMonitor {
    RECT Monitor{};
    RECT Work{};
    bool Primary = false;
    String Device; // empty: "\\.\DISPLAYn" by position in the list
};

// The monitors as the calls above see them, in their order (the handle of the n-th is n + 1).
std::vector<TWinMonitor> WinMonitors();
// Replaces the backend's screens with the given monitors (none: back to the backend's). When
// none is marked primary the first one is.
void WinSetTestMonitors(std::vector<TWinMonitor> monitors);
// For tests of callers that bind GetScrollBarInfo by name: off, "user32.dll" no longer exports
// it (as on systems without it), so a later GetProcAddress finds nothing; on puts it back.
// Addresses bound before the change stay valid.
void WinSetScrollBarInfoExported(bool exported);
// The bounding rectangle of every monitor (SM_XVIRTUALSCREEN ... SM_CYVIRTUALSCREEN), and the
// primary monitor's rectangle and work area (SM_CXSCREEN, SM_CYSCREEN, SPI_GETWORKAREA).
RECT WinVirtualScreenRect();
RECT WinPrimaryMonitorRect();
RECT WinPrimaryWorkArea();
int WinMonitorCount(); // SM_CMONITORS
