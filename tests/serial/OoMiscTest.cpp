// The serial library's millisecond clock, tick timers and message pump.
#include <gtest/gtest.h>

#include <vector>

#include "platform/runtime/Clock.h"
#include "platform/winapi/WinCore.h"
#include "serial/OoMisc.h"

namespace {

class OoMiscTest : public ::testing::Test {
protected:
    void SetUp() override {
        FOldMode = ClockGetMode();
        ClockSetMode(TClockMode::Manual);
    }
    void TearDown() override {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ClockSetMode(FOldMode);
    }

private:
    TClockMode FOldMode = TClockMode::Real;
};

std::vector<UINT> gDispatched;

LRESULT RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_USER) gDispatched.push_back(message);
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

TEST_F(OoMiscTest, TheClockFollowsTheRuntimeClockInMilliseconds) {
    ClockAdvanceMicros(1000 - ClockMonotonicMicros() % 1000);
    const DWORD start = QelTimeMs();
    ClockAdvanceMicros(54999);
    EXPECT_EQ(QelTimeMs() - start, 54u);
    ClockAdvanceMs(1000);
    EXPECT_EQ(QelTimeMs() - start, 1054u);
    EXPECT_EQ(QelCurrentTicks(), Integer(QelTimeMs() / 55));
}

TEST_F(OoMiscTest, ATimerExpiresOnceTheTickAfterItsLastHasCome) {
    // Starts at the beginning of a tick, so each 55 ms step is one tick.
    ClockAdvanceMicros(1000 - ClockMonotonicMicros() % 1000);
    ClockAdvanceMs(55 - QelTimeMs() % 55);
    TQelTickTimer timer;
    QelNewTimer(timer, 2);
    EXPECT_EQ(timer.ExpireTicks - timer.StartTicks, 2);
    struct Step {
        Integer AdvanceMs;
        bool Expired;
    };
    for (const Step& step : std::vector<Step>{{0, false}, {55, false}, {55, false}, {54, false}, {1, true}}) {
        ClockAdvanceMs(step.AdvanceMs);
        SCOPED_TRACE(QelCurrentTicks() - timer.StartTicks);
        EXPECT_EQ(QelTimerExpired(timer), step.Expired);
    }
}

TEST_F(OoMiscTest, TimerIntervalsAreLimitedAndAWrappedClockCountsAsExpired) {
    struct Case {
        Integer Ticks;
        Integer Interval;
    };
    for (const Case& c : std::vector<Case>{{-5, 0}, {0, 0}, {39045157, 39045157}, {50000000, 39045157}}) {
        SCOPED_TRACE(c.Ticks);
        TQelTickTimer timer;
        QelNewTimer(timer, c.Ticks);
        EXPECT_EQ(timer.ExpireTicks - timer.StartTicks, c.Interval);
    }
    // Started just before the millisecond count wrapped: the current tick is now below the
    // start, although far from the expiry.
    const Integer now = QelCurrentTicks();
    const TQelTickTimer wrapped{now + 1000, now + 1000 + 39045157};
    EXPECT_TRUE(QelTimerExpired(wrapped));
    const TQelTickTimer running{now, now + 10};
    EXPECT_FALSE(QelTimerExpired(running));
}

TEST_F(OoMiscTest, PumpingDispatchesOneMessageAndPassesAQuitOn) {
    WNDCLASSA cls;
    cls.lpfnWndProc = RecordingProc;
    cls.lpszClassName = "OoMiscTestWindow";
    RegisterClassA(&cls);
    HWND window =
        CreateWindowExA(0, "OoMiscTestWindow", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    gDispatched.clear();

    EXPECT_FALSE(QelPumpMessage());
    PostMessageA(window, WM_USER + 1, 0, 0);
    PostMessageA(window, WM_USER + 2, 0, 0);
    EXPECT_TRUE(QelPumpMessage());
    EXPECT_EQ(gDispatched, std::vector<UINT>{WM_USER + 1});
    EXPECT_TRUE(QelPumpMessage());
    EXPECT_EQ(gDispatched, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));

    // The quit is taken and posted again, so the loop above still ends.
    PostQuitMessage(7);
    EXPECT_TRUE(QelPumpMessage());
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, WPARAM(7));
    DestroyWindow(window);
}
