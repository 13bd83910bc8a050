#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <functional>
#include <set>
#include <thread>
#include <vector>

#include "platform/runtime/Clock.h"
#include "platform/runtime/SyncObjs.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::Eventually;

// Events that close themselves at the end of a test.
class SyncObjs : public ::testing::Test {
protected:
    ~SyncObjs() override {
        for (HANDLE handle : FOpen)
            CloseHandle(handle);
    }
    HANDLE NewEvent(bool manualReset, bool initialState = false) {
        HANDLE handle = CreateEventA(nullptr, manualReset, initialState);
        FOpen.push_back(handle);
        return handle;
    }

private:
    std::vector<HANDLE> FOpen;
};

// Threads blocked in one wait each, counting how many came back.
class TWaiters {
public:
    void Start(int count, std::function<DWORD()> wait) {
        for (int i = 0; i < count; ++i) {
            FThreads.emplace_back([this, wait] {
                DWORD result = wait();
                if (result == WAIT_OBJECT_0) ++Released;
            });
        }
    }
    ~TWaiters() {
        for (auto& thread : FThreads)
            thread.join();
    }
    std::atomic<int> Released{0};

private:
    std::vector<std::thread> FThreads;
};

} // namespace

TEST_F(SyncObjs, HandlesAreOpaqueAndCloseOnce) {
    std::set<HANDLE> seen;
    for (int i = 0; i < 10; ++i) {
        HANDLE handle = NewEvent(true);
        EXPECT_NE(handle, nullptr);
        EXPECT_NE(handle, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(seen.insert(handle).second);
    }
    HANDLE event = CreateEventA(nullptr, true, true);
    EXPECT_EQ(CloseHandle(event), 1);
    EXPECT_EQ(CloseHandle(event), 0);
    EXPECT_EQ(SetEvent(event), 0);
    EXPECT_EQ(ResetEvent(event), 0);
    EXPECT_EQ(PulseEvent(event), 0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForSingleObject(INVALID_HANDLE_VALUE, 0), WAIT_FAILED);
    EXPECT_EQ(CloseHandle(nullptr), 0);
    // A new handle does not take the value of one just closed.
    HANDLE next = NewEvent(true);
    EXPECT_NE(next, event);

    HANDLE good = NewEvent(true, true);
    HANDLE mixed[] = {good, event};
    EXPECT_EQ(WaitForMultipleObjects(2, mixed, false, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForMultipleObjects(0, mixed, false, 0), WAIT_FAILED);
    std::vector<HANDLE> tooMany(MAXIMUM_WAIT_OBJECTS + 1, good);
    EXPECT_EQ(WaitForMultipleObjects(DWORD(tooMany.size()), tooMany.data(), false, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS, tooMany.data(), false, 0), WAIT_OBJECT_0);
}

TEST_F(SyncObjs, AutoResetEventReleasesExactlyOneOfTwoWaiters) {
    HANDLE event = NewEvent(false);
    TWaiters waiters;
    waiters.Start(2, [event] { return WaitForSingleObject(event, INFINITE); });
    ASSERT_TRUE(Eventually([] { return BlockedWaitCount() == 2; }));

    ASSERT_EQ(SetEvent(event), 1);
    // SetEvent hands the signal to one waiter before it returns; the other stays blocked.
    EXPECT_EQ(BlockedWaitCount(), 1);
    ASSERT_TRUE(Eventually([&] { return waiters.Released == 1; }));
    EXPECT_EQ(BlockedWaitCount(), 1);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT); // the signal was used up

    SetEvent(event);
    ASSERT_TRUE(Eventually([&] { return waiters.Released == 2; }));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
}

TEST_F(SyncObjs, ManualResetEventReleasesEveryWaiterAndStaysSignalled) {
    HANDLE event = NewEvent(true);
    TWaiters waiters;
    waiters.Start(3, [event] { return WaitForSingleObject(event, INFINITE); });
    ASSERT_TRUE(Eventually([] { return BlockedWaitCount() == 3; }));
    SetEvent(event);
    EXPECT_EQ(BlockedWaitCount(), 0);
    ASSERT_TRUE(Eventually([&] { return waiters.Released == 3; }));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    ResetEvent(event);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
}

TEST_F(SyncObjs, PulseReleasesOnlyTheWaitsInProgress) {
    struct TCase {
        const char* name;
        bool manualReset;
        int waiting;
        int released;
    };
    const std::vector<TCase> cases = {
        {"manual, two waiting", true, 2, 2},
        {"auto, two waiting", false, 2, 1},
        {"manual, nobody waiting", true, 0, 0},
        {"auto, nobody waiting", false, 0, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        HANDLE event = NewEvent(c.manualReset);
        {
            TWaiters waiters;
            waiters.Start(c.waiting, [event] { return WaitForSingleObject(event, INFINITE); });
            ASSERT_TRUE(Eventually([&] { return BlockedWaitCount() == c.waiting; }));
            ASSERT_EQ(PulseEvent(event), 1);
            EXPECT_EQ(BlockedWaitCount(), c.waiting - c.released);
            ASSERT_TRUE(Eventually([&] { return waiters.Released == c.released; }));
            // The pulse left the event reset.
            EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
            SetEvent(event); // lets the waiter the pulse did not release go
        }
    }
}

TEST_F(SyncObjs, WaitForAnyReturnsTheLowestSignalledIndex) {
    struct TCase {
        const char* name;
        std::vector<bool> signalled;
        DWORD expected;
    };
    const std::vector<TCase> cases = {
        {"none", {false, false, false}, WAIT_TIMEOUT},
        {"only the last", {false, false, true}, WAIT_OBJECT_0 + 2},
        {"second and third", {false, true, true}, WAIT_OBJECT_0 + 1},
        {"first and third", {true, false, true}, WAIT_OBJECT_0},
        {"all", {true, true, true}, WAIT_OBJECT_0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<HANDLE> handles;
        for (bool signalled : c.signalled)
            handles.push_back(NewEvent(false, signalled));
        EXPECT_EQ(WaitForMultipleObjects(DWORD(handles.size()), handles.data(), false, 0), c.expected);
        // Only the event that satisfied the wait was reset; the others keep their signal.
        for (size_t i = 0; i < handles.size(); ++i) {
            bool keeps = c.signalled[i] && WAIT_OBJECT_0 + i != c.expected;
            EXPECT_EQ(WaitForSingleObject(handles[i], 0), keeps ? WAIT_OBJECT_0 : WAIT_TIMEOUT) << i;
        }
    }
}

TEST_F(SyncObjs, WaitForAllNeedsEveryObjectAndTakesThemTogether) {
    HANDLE autoEvent = NewEvent(false, true);
    HANDLE manualEvent = NewEvent(true, false);
    HANDLE handles[] = {autoEvent, manualEvent};
    EXPECT_EQ(WaitForMultipleObjects(2, handles, true, 0), WAIT_TIMEOUT);
    // A failed wait-all takes nothing: the auto-reset event is still signalled.
    EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_OBJECT_0);

    SetEvent(autoEvent);
    SetEvent(manualEvent);
    EXPECT_EQ(WaitForMultipleObjects(2, handles, true, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(manualEvent, 0), WAIT_OBJECT_0);

    // Blocked: released only when the last one comes.
    DWORD result = 0;
    std::thread waiter([&] { result = WaitForMultipleObjects(2, handles, true, INFINITE); });
    ASSERT_TRUE(Eventually([] { return BlockedWaitCount() == 1; }));
    ResetEvent(manualEvent);
    SetEvent(autoEvent);
    EXPECT_EQ(BlockedWaitCount(), 1);
    SetEvent(manualEvent);
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
}

TEST_F(SyncObjs, WaitForAnyHonoursItsTimeoutAndLaterSignals) {
    ClockSetMode(TClockMode::Manual);
    HANDLE handles[] = {NewEvent(false), NewEvent(false), NewEvent(false)};
    DWORD result = 0;
    std::atomic<bool> returned{false};
    auto startWaiter = [&] {
        returned = false;
        return std::thread([&] {
            result = WaitForMultipleObjects(3, handles, false, 500);
            returned = true;
        });
    };

    std::thread waiter = startWaiter();
    ASSERT_TRUE(Eventually([] { return BlockedWaitCount() == 1; }));
    ClockAdvanceMs(499);
    EXPECT_FALSE(returned);
    ClockAdvanceMs(1);
    waiter.join();
    EXPECT_EQ(result, WAIT_TIMEOUT);

    waiter = startWaiter();
    ASSERT_TRUE(Eventually([] { return BlockedWaitCount() == 1; }));
    ClockAdvanceMs(300);
    SetEvent(handles[2]);
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0 + 2);
    ClockSetMode(TClockMode::Real);
}

TEST_F(SyncObjs, NamedEventsAreShared) {
    HANDLE first = CreateEventA(nullptr, true, false, "kov-test-shared");
    HANDLE second = CreateEventA(nullptr, false, true, "kov-test-shared");
    HANDLE unnamed = NewEvent(true);
    ASSERT_NE(first, second);
    SetEvent(first);
    EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0); // stays manual-reset
    EXPECT_EQ(WaitForSingleObject(unnamed, 0), WAIT_TIMEOUT);
    CloseHandle(first);
    EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);
    CloseHandle(second);
    // Once every handle is closed the name is free again.
    HANDLE fresh = CreateEventA(nullptr, true, false, "kov-test-shared");
    EXPECT_EQ(WaitForSingleObject(fresh, 0), WAIT_TIMEOUT);
    CloseHandle(fresh);
}

namespace {

// A kernel object of another layer: signalled while it holds data.
class TCounterObject : public TKernelObject {
public:
    void Add(int n) {
        ChangeState([&] { FCount += n; });
    }
    bool IsSignaled() const override { return FCount > 0; }
    void Satisfy() override { --FCount; }
    void HandleClosed() override { ++Closed; }
    int Closed = 0;

private:
    int FCount = 0;
};

} // namespace

TEST_F(SyncObjs, OtherLayersRegisterTheirOwnWaitableObjects) {
    auto counter = std::make_shared<TCounterObject>();
    HANDLE handle = RegisterKernelObject(counter);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(FindKernelObjectAs<TCounterObject>(handle), counter);
    EXPECT_EQ(FindKernelObjectAs<TEventObject>(handle), nullptr);
    EXPECT_EQ(SetEvent(handle), 0); // not an event

    DWORD result = 0;
    std::thread waiter([&] { result = WaitForSingleObject(handle, INFINITE); });
    ASSERT_TRUE(Eventually([] { return BlockedWaitCount() == 1; }));
    counter->Add(2);
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(handle, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(handle, 0), WAIT_TIMEOUT);

    EXPECT_EQ(CloseHandle(handle), 1);
    EXPECT_EQ(counter->Closed, 1);
    EXPECT_EQ(FindKernelObject(handle), nullptr);
}

TEST_F(SyncObjs, MessageWaitsAskTheHookAndWakeForNewMessages) {
    std::atomic<bool> messagesQueued{false};
    std::atomic<DWORD> maskAsked{0};
    TMessageWaitHook previous = SetMessageWaitHook([&](DWORD mask) {
        maskAsked = mask;
        return messagesQueued.load();
    });
    HANDLE event = NewEvent(true);

    // Messages already queued count at once; a signalled object takes precedence.
    messagesQueued = true;
    EXPECT_EQ(WaitForObjectsOrMessages(1, &event, false, 0, 0x0004), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(maskAsked, 0x0004u);
    EXPECT_EQ(WaitForObjectsOrMessages(0, nullptr, false, 0, 0x0004), WAIT_OBJECT_0);
    SetEvent(event);
    EXPECT_EQ(WaitForObjectsOrMessages(1, &event, false, 0, 0x0004), WAIT_OBJECT_0);
    ResetEvent(event);
    // Plain waits never look at messages.
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);

    // A blocked message wait wakes when a message is queued and the window system says so.
    messagesQueued = false;
    DWORD result = 0;
    std::thread waiter([&] { result = WaitForObjectsOrMessages(1, &event, false, INFINITE, 0x00FF); });
    ASSERT_TRUE(Eventually([] { return BlockedWaitCount() == 1; }));
    WakeMessageWaiters(); // nothing queued for it: it goes on waiting
    messagesQueued = true;
    WakeMessageWaiters();
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0 + 1);

    SetMessageWaitHook(previous);
}

TEST_F(SyncObjs, EventClassesReportWaitResults) {
    TSimpleEvent simple;
    EXPECT_NE(simple.GetHandle(), nullptr);
    EXPECT_EQ(simple.WaitFor(0), wrTimeout);
    simple.SetEvent();
    EXPECT_EQ(simple.WaitFor(0), wrSignaled);
    EXPECT_EQ(simple.WaitFor(INFINITE), wrSignaled);
    simple.ResetEvent();
    EXPECT_EQ(simple.WaitFor(0), wrTimeout);

    TEvent autoEvent(nullptr, false, true);
    EXPECT_EQ(autoEvent.WaitFor(0), wrSignaled);
    EXPECT_EQ(autoEvent.WaitFor(0), wrTimeout);
    // The class's handle works with the plain functions too.
    SetEvent(autoEvent.GetHandle());
    EXPECT_EQ(autoEvent.WaitFor(), wrSignaled);

    HANDLE handle;
    {
        TEvent scoped;
        handle = scoped.GetHandle();
        EXPECT_EQ(WaitForSingleObject(handle, 0), WAIT_TIMEOUT);
    }
    EXPECT_EQ(WaitForSingleObject(handle, 0), WAIT_FAILED); // closed with its object
}

TEST(SyncObjsLocks, CriticalSectionIsReentrantAndExcludesOtherThreads) {
    TCriticalSection section;
    auto otherThreadCanEnter = [&] {
        bool entered = false;
        std::thread([&] {
            entered = section.TryEnter();
            if (entered) section.Leave();
        }).join();
        return entered;
    };
    section.Enter();
    section.Acquire(); // the same thread enters again
    EXPECT_TRUE(section.TryEnter());
    EXPECT_FALSE(otherThreadCanEnter());
    section.Leave();
    section.Release();
    EXPECT_FALSE(otherThreadCanEnter()); // still held once
    section.Leave();
    EXPECT_TRUE(otherThreadCanEnter());
}

TEST(SyncObjsLocks, CriticalSectionSerialisesUpdates) {
    TCriticalSection section;
    long long total = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 5000; ++i) {
                section.Enter();
                total += 1;
                section.Leave();
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(total, 20000);
}

TEST(SyncObjsInterlocked, ResultsFollowTheirDefinitions) {
    volatile Integer value = 5;
    EXPECT_EQ(InterlockedIncrement(&value), 6);
    EXPECT_EQ(InterlockedDecrement(&value), 5);
    EXPECT_EQ(InterlockedExchange(&value, 42), 5);
    EXPECT_EQ(value, 42);
    EXPECT_EQ(InterlockedExchangeAdd(&value, -2), 42);
    EXPECT_EQ(value, 40);
    EXPECT_EQ(InterlockedCompareExchange(&value, 7, 39), 40); // no match: unchanged
    EXPECT_EQ(value, 40);
    EXPECT_EQ(InterlockedCompareExchange(&value, 7, 40), 40);
    EXPECT_EQ(value, 7);

    value = INT_MAX;
    EXPECT_EQ(InterlockedIncrement(&value), INT_MIN); // wraps like the 32-bit register
    EXPECT_EQ(InterlockedDecrement(&value), INT_MAX);
    EXPECT_EQ(InterlockedExchangeAdd(&value, 2), INT_MAX);
    EXPECT_EQ(value, INT_MIN + 1);
}

TEST(SyncObjsInterlocked, CountersStayExactUnderContention) {
    volatile Integer counter = 0;
    volatile Integer running = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            InterlockedIncrement(&running);
            for (int i = 0; i < 10000; ++i) {
                InterlockedIncrement(&counter);
                InterlockedExchangeAdd(&counter, 2);
                InterlockedDecrement(&counter);
            }
            InterlockedDecrement(&running);
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(counter, 4 * 10000 * 2);
    EXPECT_EQ(running, 0);
}
