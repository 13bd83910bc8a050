// Monitors: which monitor a point, a rectangle or a window is on, against two monitors the test
// sets itself, what GetMonitorInfoA says of each, and the enumeration.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/runtime/Libraries.h"
#include "platform/runtime/Threads.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinMonitor.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

// The primary monitor at the origin, a second one to its right, lower and smaller; the second
// one's work area leaves out a panel at its top.
const RECT Left{0, 0, 1280, 1024};
const RECT LeftWork{0, 0, 1280, 984};
const RECT Right{1280, 200, 2304, 968};
const RECT RightWork{1280, 230, 2304, 968};

class WinMonitorTest : public WinTest {
protected:
    void SetUp() override {
        WinTest::SetUp();
        WinSetTestMonitors({TWinMonitor{Left, LeftWork, true, {}}, TWinMonitor{Right, RightWork, false, {}}});
        Primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTONULL);
        Second = MonitorFromPoint(POINT{1280, 200}, MONITOR_DEFAULTTONULL);
    }
    void TearDown() override {
        WinSetTestMonitors({});
        WinTest::TearDown();
    }
    std::string Which(HMONITOR m) const {
        return m == Primary ? "primary" : m == Second ? "second" : m ? "?" : "none";
    }
    HMONITOR Primary = nullptr, Second = nullptr;
};

TEST_F(WinMonitorTest, InfoOfEachMonitor) {
    ASSERT_NE(Primary, nullptr);
    ASSERT_NE(Second, nullptr);
    ASSERT_NE(Primary, Second);
    MONITORINFO info;
    ASSERT_TRUE(GetMonitorInfoA(Primary, &info));
    EXPECT_EQ(info.cbSize, 40u);
    EXPECT_EQ(info.rcMonitor.right, 1280);
    EXPECT_EQ(info.rcWork.bottom, 984);
    EXPECT_EQ(info.dwFlags, MONITORINFOF_PRIMARY);
    MONITORINFOEXA ex;
    ASSERT_TRUE(GetMonitorInfoA(Second, &ex));
    EXPECT_EQ(ex.rcMonitor.left, 1280);
    EXPECT_EQ(ex.rcMonitor.top, 200);
    EXPECT_EQ(ex.rcWork.top, 230);
    EXPECT_EQ(ex.dwFlags, 0u);
    EXPECT_STREQ(ex.szDevice, "\\\\.\\DISPLAY2");
    // A record of another size, and a handle that is no monitor, are refused.
    MONITORINFO wrong;
    wrong.cbSize = 36;
    EXPECT_FALSE(GetMonitorInfoA(Primary, &wrong));
    EXPECT_FALSE(GetMonitorInfoA(reinterpret_cast<HMONITOR>(std::intptr_t(99)), &info));
    // The virtual screen covers both.
    RECT virt = WinVirtualScreenRect();
    EXPECT_EQ(virt.left, 0);
    EXPECT_EQ(virt.top, 0);
    EXPECT_EQ(virt.right, 2304);
    EXPECT_EQ(virt.bottom, 1024);
    EXPECT_EQ(WinMonitorCount(), 2);
}

TEST_F(WinMonitorTest, BoundByNameFromUser32) {
    HMODULE user32 = LoadLibraryA("USER32");
    ASSERT_NE(user32, nullptr);
    auto fromPoint = reinterpret_cast<HMONITOR (*)(POINT, DWORD)>(GetProcAddress(user32, "MonitorFromPoint"));
    auto info = reinterpret_cast<BOOL (*)(HMONITOR, MONITORINFO*)>(GetProcAddress(user32, "GetMonitorInfoA"));
    ASSERT_TRUE(fromPoint && info);
    EXPECT_NE(GetProcAddress(user32, "GetScrollBarInfo"), nullptr);
    // The work area of the monitor nearest to a point below the second one.
    MONITORINFO mi;
    ASSERT_TRUE(info(fromPoint(POINT{2000, 1100}, MONITOR_DEFAULTTONEAREST), &mi));
    EXPECT_EQ(mi.rcWork.top, RightWork.top);
    FreeLibrary(user32);
}

TEST_F(WinMonitorTest, PointsAndRectangles) {
    struct Case {
        const char* What;
        RECT Rect; // an empty one stands for its top-left point
        DWORD Flags;
        std::string Expected;
    };
    std::vector<Case> cases = {
        {"point on the primary", {100, 100, 100, 100}, MONITOR_DEFAULTTONULL, "primary"},
        {"point on the second", {2000, 500, 2000, 500}, MONITOR_DEFAULTTONULL, "second"},
        {"right edge belongs to the next", {1280, 500, 1280, 500}, MONITOR_DEFAULTTONULL, "second"},
        // Below the second monitor, nearer to it than to the primary.
        {"point off both, null", {2000, 1100, 2000, 1100}, MONITOR_DEFAULTTONULL, "none"},
        {"point off both, primary", {2000, 1100, 2000, 1100}, MONITOR_DEFAULTTOPRIMARY, "primary"},
        {"point off both, nearest", {2000, 1100, 2000, 1100}, MONITOR_DEFAULTTONEAREST, "second"},
        {"point left of both, nearest", {-50, 500, -50, 500}, MONITOR_DEFAULTTONEAREST, "primary"},
        // Straddling both: the larger share wins.
        {"straddling, more on the primary", {1000, 300, 1400, 500}, MONITOR_DEFAULTTONULL, "primary"},
        {"straddling, more on the second", {1200, 300, 1600, 500}, MONITOR_DEFAULTTONULL, "second"},
        {"rectangle off both, null", {2400, 0, 2500, 100}, MONITOR_DEFAULTTONULL, "none"},
        {"rectangle off both, primary", {2400, 0, 2500, 100}, MONITOR_DEFAULTTOPRIMARY, "primary"},
        {"rectangle off both, nearest", {2400, 0, 2500, 100}, MONITOR_DEFAULTTONEAREST, "second"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        bool point = c.Rect.right == c.Rect.left;
        if (point) { EXPECT_EQ(Which(MonitorFromPoint(POINT{c.Rect.left, c.Rect.top}, c.Flags)), c.Expected); }
        EXPECT_EQ(Which(MonitorFromRect(&c.Rect, c.Flags)), c.Expected);
    }
}

TEST_F(WinMonitorTest, Windows) {
    HWND onSecond = Make(WS_POPUP | WS_VISIBLE, 1500, 300, 300, 200);
    HWND straddling = Make(WS_POPUP | WS_VISIBLE, 1100, 300, 300, 200);
    HWND child = Make(WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, onSecond);
    HWND offBoth = Make(WS_POPUP | WS_VISIBLE, 2400, 50, 100, 100);
    EXPECT_EQ(Which(MonitorFromWindow(onSecond, MONITOR_DEFAULTTONULL)), "second");
    EXPECT_EQ(Which(MonitorFromWindow(straddling, MONITOR_DEFAULTTONULL)), "primary"); // 180 of 300 px
    EXPECT_EQ(Which(MonitorFromWindow(child, MONITOR_DEFAULTTONULL)), "second");
    EXPECT_EQ(Which(MonitorFromWindow(offBoth, MONITOR_DEFAULTTONULL)), "none");
    EXPECT_EQ(Which(MonitorFromWindow(offBoth, MONITOR_DEFAULTTONEAREST)), "second");
    // A minimized window counts where it comes back to.
    ShowWindow(onSecond, SW_MINIMIZE);
    EXPECT_EQ(Which(MonitorFromWindow(onSecond, MONITOR_DEFAULTTONULL)), "second");
    EXPECT_EQ(Which(MonitorFromWindow(nullptr, MONITOR_DEFAULTTONULL)), "none");
    EXPECT_EQ(Which(MonitorFromWindow(nullptr, MONITOR_DEFAULTTOPRIMARY)), "primary");
}

struct Enumerated {
    std::vector<HMONITOR> Monitors;
    std::vector<RECT> Rects;
    int StopAfter = 100;
};

BOOL CollectMonitor(HMONITOR monitor, HDC, RECT* rect, LPARAM data) {
    auto* e = reinterpret_cast<Enumerated*>(data);
    e->Monitors.push_back(monitor);
    e->Rects.push_back(*rect);
    return int(e->Monitors.size()) < e->StopAfter;
}

TEST_F(WinMonitorTest, Enumeration) {
    Enumerated all;
    EXPECT_TRUE(EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, LPARAM(&all)));
    ASSERT_EQ(all.Monitors.size(), 2u);
    EXPECT_EQ(all.Monitors[0], Primary);
    EXPECT_EQ(all.Rects[1].left, 1280);
    EXPECT_EQ(all.Rects[1].bottom, 968);
    // A clip gives the part of each monitor inside it, and leaves out the monitors it misses.
    Enumerated clipped;
    RECT clip{1200, 100, 1400, 300};
    EnumDisplayMonitors(nullptr, &clip, CollectMonitor, LPARAM(&clipped));
    ASSERT_EQ(clipped.Monitors.size(), 2u);
    EXPECT_EQ(clipped.Rects[0].left, 1200);
    EXPECT_EQ(clipped.Rects[0].right, 1280);
    EXPECT_EQ(clipped.Rects[1].left, 1280);
    EXPECT_EQ(clipped.Rects[1].top, 200);
    Enumerated one;
    RECT onlyPrimary{0, 0, 10, 10};
    EnumDisplayMonitors(nullptr, &onlyPrimary, CollectMonitor, LPARAM(&one));
    EXPECT_EQ(one.Monitors, std::vector<HMONITOR>{Primary});
    // The callback ends the enumeration.
    Enumerated first;
    first.StopAfter = 1;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, LPARAM(&first));
    EXPECT_EQ(first.Monitors.size(), 1u);
    // With a window's context: its client coordinates, only where the window is.
    HWND w = Make(WS_POPUP | WS_VISIBLE, 1180, 300, 200, 100);
    HDC dc = GetDC(w);
    Enumerated inWindow;
    EnumDisplayMonitors(dc, nullptr, CollectMonitor, LPARAM(&inWindow));
    ReleaseDC(w, dc);
    ASSERT_EQ(inWindow.Monitors.size(), 2u);
    EXPECT_EQ(inWindow.Rects[0].left, 0);
    EXPECT_EQ(inWindow.Rects[0].right, 100);
    EXPECT_EQ(inWindow.Rects[1].left, 100);
    EXPECT_EQ(inWindow.Rects[1].right, 200);
}

// A display with two screens: without a test list, the monitors are the display's.
class TwoScreenBackend : public TWinBackend {
public:
    DWORD EventThreadId() const override { return GetCurrentThreadId(); }
    RECT ScreenRect() const override { return RECT{0, 0, 800, 600}; }
    std::vector<TWinScreen> Screens() const override {
        return {TWinScreen{RECT{0, 0, 800, 600}, RECT{0, 0, 800, 570}, true, "one"},
                TWinScreen{RECT{-1024, 0, 0, 768}, RECT{-1024, 0, 0, 768}, false, "two"}};
    }
    void SurfaceChanged(const TWinSurfaceState&) override {}
    void SurfaceDestroyed(HWND) override {}
    void SurfacePresent(HWND, const RECT&) override {}
    void ProcessEvents() override {}
    DWORD WaitForEvents(const std::vector<std::shared_ptr<TKernelObject>>&, DWORD) override {
        return WinWaitBackendEvents;
    }
    void Wake() override {}
};

TEST_F(WinMonitorTest, TheDisplaysScreensWithoutATestList) {
    WinSetTestMonitors({});
    TwoScreenBackend backend;
    TWinBackend* old = WinSetBackend(&backend);
    std::vector<TWinMonitor> list = WinMonitors();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_TRUE(list[0].Primary);
    EXPECT_FALSE(list[1].Primary);
    EXPECT_EQ(list[0].Work.bottom, 570);
    RECT virt = WinVirtualScreenRect();
    EXPECT_EQ(virt.left, -1024);
    EXPECT_EQ(virt.bottom, 768);
    EXPECT_EQ(WinPrimaryWorkArea().bottom, 570);
    MONITORINFOEXA info;
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromPoint(POINT{-5, 5}, MONITOR_DEFAULTTONULL), &info));
    EXPECT_EQ(info.rcMonitor.left, -1024);
    EXPECT_STREQ(info.szDevice, "\\\\.\\DISPLAY2");
    WinSetBackend(old);
    // Without any display: one screen of 1024 x 768.
    if (!old) {
        list = WinMonitors();
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0].Monitor.right, 1024);
        EXPECT_EQ(list[0].Monitor.bottom, 768);
    }
}

} // namespace
