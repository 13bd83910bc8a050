#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "platform/runtime/Clock.h"
#include "platform/runtime/SyncObjs.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::Eventually;

class ClockManual : public ::testing::Test {
protected:
    void SetUp() override { ClockSetMode(TClockMode::Manual); }
    void TearDown() override { ClockSetMode(TClockMode::Real); }
};

} // namespace

TEST_F(ClockManual, TickCountersFollowTheClockExactly) {
    DWORD tick0 = GetTickCount();
    DWORD time0 = timeGetTime();
    Int64 counter0 = 0, counter1 = 0, frequency = 0;
    ASSERT_NE(QueryPerformanceCounter(&counter0), 0);
    ASSERT_NE(QueryPerformanceFrequency(&frequency), 0);
    EXPECT_EQ(frequency, 1000000);

    ClockAdvanceMs(1234);
    EXPECT_EQ(DWORD(GetTickCount() - tick0), 1234u);
    EXPECT_EQ(DWORD(timeGetTime() - time0), 1234u);
    ASSERT_NE(QueryPerformanceCounter(&counter1), 0);
    EXPECT_EQ(counter1 - counter0, 1234000);

    ClockAdvanceMicros(999); // below one millisecond of the tick count's remainder
    EXPECT_EQ(counter1 + 999, ClockMonotonicMicros());

    EXPECT_EQ(QueryPerformanceCounter(nullptr), 0);
    EXPECT_EQ(QueryPerformanceFrequency(nullptr), 0);
}

TEST_F(ClockManual, TickCountWrapsAfter32Bits) {
    DWORD start = GetTickCount();
    // Bring the tick count to 5 ms before the wrap.
    ClockAdvanceMs(Int64(0x100000000) - start - 5);
    DWORD before = GetTickCount();
    EXPECT_EQ(before, 0xFFFFFFFBu);
    ClockAdvanceMs(10);
    DWORD after = GetTickCount();
    EXPECT_EQ(after, 5u);
    EXPECT_EQ(DWORD(after - before), 10u); // the usual unsigned difference still works
}

TEST(Clock, SwitchingModesNeverMovesTheMonotonicClockBack) {
    ClockSetMode(TClockMode::Manual);
    Int64 atSwitch = ClockMonotonicMicros();
    ClockAdvanceMs(10 * 60 * 1000);
    Int64 advanced = ClockMonotonicMicros();
    EXPECT_EQ(advanced - atSwitch, Int64(10) * 60 * 1000 * 1000);
    ClockSetMode(TClockMode::Real);
    EXPECT_GE(ClockMonotonicMicros(), advanced);
    ClockSetMode(TClockMode::Manual);
    EXPECT_GE(ClockMonotonicMicros(), advanced);
    ClockSetMode(TClockMode::Real);
}

// Every kind of timed wait ends exactly when the manual clock reaches its deadline: still
// pending after 2999 ms, over after the 3000th.
TEST_F(ClockManual, TimedWaitsEndExactlyAtTheirDeadline) {
    HANDLE event = CreateEventA(nullptr, true, false);
    HANDLE other = CreateEventA(nullptr, false, false);
    TSimpleEvent simpleEvent;
    struct TCase {
        const char* name;
        std::function<DWORD()> wait;
        DWORD expected;
    };
    std::vector<TCase> cases = {
        {"Sleep",
         [] {
             Sleep(3000);
             return WAIT_TIMEOUT;
         },
         WAIT_TIMEOUT},
        {"WaitForSingleObject", [&] { return WaitForSingleObject(event, 3000); }, WAIT_TIMEOUT},
        {"WaitForMultipleObjects",
         [&] {
             HANDLE handles[] = {event, other};
             return WaitForMultipleObjects(2, handles, false, 3000);
         },
         WAIT_TIMEOUT},
        {"TEvent::WaitFor", [&] { return DWORD(simpleEvent.WaitFor(3000)); }, DWORD(wrTimeout)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<bool> returned{false};
        DWORD result = 0;
        std::thread waiter([&] {
            result = c.wait();
            returned = true;
        });
        // The wait has read the clock and is blocked before the clock moves.
        ASSERT_TRUE(Eventually([] { return BlockedWaitCount() == 1; }));
        ClockAdvanceMs(2999);
        // An advance decides every time-out before it returns: this one is still pending.
        EXPECT_FALSE(returned);
        EXPECT_EQ(BlockedWaitCount(), 1);
        ClockAdvanceMs(1);
        EXPECT_EQ(BlockedWaitCount(), 0);
        bool ended = Eventually([&] { return returned.load(); });
        if (!ended) ClockAdvanceMs(Int64(3600) * 1000); // frees the waiter so the failure is reported
        waiter.join();
        EXPECT_TRUE(ended);
        EXPECT_EQ(result, c.expected);
    }
    CloseHandle(event);
    CloseHandle(other);
}

TEST_F(ClockManual, SignalsStillEndWaitsWhileTheClockStandsStill) {
    HANDLE event = CreateEventA(nullptr, false, false);
    for (DWORD timeout : {DWORD(3000), INFINITE}) {
        SCOPED_TRACE(timeout);
        DWORD result = 0;
        std::thread waiter([&] { result = WaitForSingleObject(event, timeout); });
        ASSERT_TRUE(Eventually([] { return BlockedWaitCount() == 1; }));
        if (timeout == INFINITE) ClockAdvanceMs(Int64(24) * 3600 * 1000); // time means nothing to it
        EXPECT_EQ(BlockedWaitCount(), 1);
        SetEvent(event);
        waiter.join();
        EXPECT_EQ(result, WAIT_OBJECT_0);
    }
    CloseHandle(event);
}

TEST_F(ClockManual, ZeroTimeoutsNeverBlock) {
    HANDLE event = CreateEventA(nullptr, true, false);
    Sleep(0); // only yields: returns without any advance
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    SetEvent(event);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    CloseHandle(event);
}

// With sleeps advancing the clock, a Sleep returns at once having moved the clock by its
// length, and the time it makes pass ends other threads' timed waits as an advance would.
TEST_F(ClockManual, SleepsCanMoveTheClockThemselves) {
    struct TRestore {
        ~TRestore() { ClockSetSleepAdvances(false); }
    } restore;
    EXPECT_FALSE(ClockGetSleepAdvances());
    ClockSetSleepAdvances(true);
    EXPECT_TRUE(ClockGetSleepAdvances());

    HANDLE event = CreateEventA(nullptr, true, false);
    DWORD result = 0;
    std::thread waiter([&] { result = WaitForSingleObject(event, 300); });
    ASSERT_TRUE(Eventually([] { return BlockedWaitCount() == 1; }));
    const Int64 start = ClockMonotonicMicros();
    Sleep(250);
    EXPECT_EQ(ClockMonotonicMicros() - start, 250000);
    EXPECT_EQ(BlockedWaitCount(), 1); // 250 of its 300 ms have passed
    Sleep(50);
    waiter.join();
    EXPECT_EQ(result, WAIT_TIMEOUT);
    EXPECT_EQ(ClockMonotonicMicros() - start, 300000);
    CloseHandle(event);

    // Switched off, a sleep waits for an advance again.
    ClockSetSleepAdvances(false);
    std::atomic<bool> returned{false};
    std::thread sleeper([&] {
        Sleep(40);
        returned = true;
    });
    ASSERT_TRUE(Eventually([] { return BlockedWaitCount() == 1; }));
    EXPECT_FALSE(returned);
    ClockAdvanceMs(40);
    sleeper.join();
    EXPECT_TRUE(returned);
}

// The setting means nothing on the real clock: a sleep there takes its real time.
TEST(Clock, SleepsTakeRealTimeOnTheRealClockWhateverTheSetting) {
    ASSERT_EQ(ClockGetMode(), TClockMode::Real);
    ClockSetSleepAdvances(true);
    const auto start = std::chrono::steady_clock::now();
    Sleep(15);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ClockSetSleepAdvances(false);
    EXPECT_GE(elapsed, std::chrono::milliseconds(15));
}

TEST(Clock, RealModeWaitsTimeOutOnRealTime) {
    ASSERT_EQ(ClockGetMode(), TClockMode::Real);
    HANDLE event = CreateEventA(nullptr, true, false);
    Int64 start = ClockMonotonicMicros();
    EXPECT_EQ(WaitForSingleObject(event, 15), WAIT_TIMEOUT);
    EXPECT_GE(ClockMonotonicMicros() - start, 15000);
    start = ClockMonotonicMicros();
    Sleep(15);
    EXPECT_GE(ClockMonotonicMicros() - start, 15000);
    CloseHandle(event);
}

// A wait that began in real mode follows the manual clock once a test switches over.
TEST(Clock, WaitsInProgressFollowAModeSwitch) {
    ASSERT_EQ(ClockGetMode(), TClockMode::Real);
    HANDLE event = CreateEventA(nullptr, true, false);
    DWORD result = 0;
    std::thread waiter([&] { result = WaitForSingleObject(event, 60000); });
    ASSERT_TRUE(Eventually([] { return BlockedWaitCount() == 1; }));
    ClockSetMode(TClockMode::Manual);
    ClockAdvanceMs(60000);
    waiter.join();
    EXPECT_EQ(result, WAIT_TIMEOUT);
    ClockSetMode(TClockMode::Real);
    CloseHandle(event);
}
