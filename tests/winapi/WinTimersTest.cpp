// Timers on the manual clock: when WM_TIMER comes, how timers restart, procedures, killing, and
// the message loop sleeping until the next timer.
#include <gtest/gtest.h>

#include <thread>

#include "platform/runtime/SyncObjs.h"
#include "platform/winapi/WinError.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

class WinTimersTest : public WinTest {};

std::vector<UINT_PTR> TimerIds() {
    std::vector<UINT_PTR> ids;
    MSG m;
    while (PeekMessageA(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE))
        ids.push_back(m.wParam);
    return ids;
}

TEST_F(WinTimersTest, WindowTimerFollowsTheClock) {
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    EXPECT_NE(SetTimer(w, 7, 100, nullptr), 0u);
    ClockAdvanceMs(99);
    EXPECT_EQ(TimerIds(), std::vector<UINT_PTR>{});
    ClockAdvanceMs(1);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.hwnd, w);
    EXPECT_EQ(m.message, WM_TIMER);
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_EQ(m.lParam, 0);
    // Looking does not restart it; taking it does.
    ClockAdvanceMs(500);
    EXPECT_EQ(TimerIds(), std::vector<UINT_PTR>{7}); // one WM_TIMER however long it waited
    EXPECT_EQ(TimerIds(), std::vector<UINT_PTR>{});
    ClockAdvanceMs(100);
    EXPECT_EQ(TimerIds(), std::vector<UINT_PTR>{7});
    // The same id again restarts it with the new time.
    SetTimer(w, 7, 300, nullptr);
    ClockAdvanceMs(200);
    EXPECT_EQ(TimerIds(), std::vector<UINT_PTR>{});
    ClockAdvanceMs(100);
    EXPECT_EQ(TimerIds(), std::vector<UINT_PTR>{7});
    EXPECT_TRUE(KillTimer(w, 7));
    ClockAdvanceMs(1000);
    EXPECT_EQ(TimerIds(), std::vector<UINT_PTR>{});
    EXPECT_FALSE(KillTimer(w, 7));
}

TEST_F(WinTimersTest, ElapseIsHeldToTheMinimumAndTimersAreIndependent) {
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    SetTimer(w, 1, 0, nullptr);
    SetTimer(w, 2, 25, nullptr);
    ClockAdvanceMs(9);
    EXPECT_EQ(TimerIds(), std::vector<UINT_PTR>{});
    ClockAdvanceMs(1);
    EXPECT_EQ(TimerIds(), std::vector<UINT_PTR>{1});
    ClockAdvanceMs(15);
    EXPECT_EQ(TimerIds(), (std::vector<UINT_PTR>{1, 2}));
}

TEST_F(WinTimersTest, ProcedureReceivesTheTimerInsteadOfTheWindow) {
    static HWND seenWindow;
    static UINT_PTR seenId;
    static int calls;
    calls = 0;
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    SetTimer(w, 3, 50, [](HWND h, UINT, UINT_PTR id, DWORD) {
        seenWindow = h;
        seenId = id;
        ++calls;
    });
    ClockAdvanceMs(50);
    Rec.Clear();
    PumpAll();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seenWindow, w);
    EXPECT_EQ(seenId, 3u);
    EXPECT_EQ(Rec.Count(WM_TIMER), 0);
    // Without a procedure the window gets it.
    SetTimer(w, 3, 50, nullptr);
    ClockAdvanceMs(50);
    PumpAll();
    EXPECT_EQ(Rec.Count(WM_TIMER, w), 1);
    EXPECT_EQ(calls, 1);
}

TEST_F(WinTimersTest, ThreadTimersGetTheirOwnIds) {
    UINT_PTR a = SetTimer(nullptr, 0, 10, nullptr);
    UINT_PTR b = SetTimer(nullptr, 0, 20, nullptr);
    EXPECT_NE(a, 0u);
    EXPECT_NE(b, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(SetTimer(nullptr, a, 30, nullptr), a); // an existing id is restarted
    ClockAdvanceMs(20);
    EXPECT_EQ(TimerIds(), std::vector<UINT_PTR>{b});
    ClockAdvanceMs(10);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, reinterpret_cast<HWND>(std::intptr_t(-1)), 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, nullptr);
    EXPECT_EQ(m.wParam, a);
    KillTimer(nullptr, a);
    KillTimer(nullptr, b);
}

TEST_F(WinTimersTest, TimersDieWithTheirWindow) {
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    SetTimer(w, 1, 10, nullptr);
    DestroyWindow(w);
    ClockAdvanceMs(10);
    EXPECT_EQ(TimerIds(), std::vector<UINT_PTR>{});
    EXPECT_EQ(SetTimer(w, 1, 10, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(WinTimersTest, TheLoopSleepsUntilTheNextTimer) {
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    SetTimer(w, 5, 1000, nullptr);
    std::thread clock([] {
        while (BlockedWaitCount() < 1)
            std::this_thread::yield();
        ClockAdvanceMs(600);
        while (BlockedWaitCount() < 1)
            std::this_thread::yield();
        ClockAdvanceMs(400);
    });
    MSG m;
    ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    clock.join();
    EXPECT_EQ(m.message, WM_TIMER);
    EXPECT_EQ(m.wParam, 5u);
    KillTimer(w, 5);
}

TEST_F(WinTimersTest, OtherThreadsCannotTimeOurWindows) {
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    UINT_PTR result = 1;
    DWORD error = 0;
    std::thread other([&] {
        result = SetTimer(w, 1, 10, nullptr);
        error = GetLastError();
    });
    other.join();
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(error, ERROR_ACCESS_DENIED);
}

} // namespace
