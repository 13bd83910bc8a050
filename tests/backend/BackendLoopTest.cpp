// Our message loop and Qt's event loop as one: sleeping in Qt until a worker posts, sends or
// signals, or a timer is due on the manual clock; and our queue kept going inside a loop of Qt's
// own, as a dialog of the toolkit runs one.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/backend/Backend.h"
#include "platform/runtime/SyncObjs.h"
#include "platform/runtime/Threads.h"
#include "platform/winapi/WinBackendInterface.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

void AwaitBlocked(int count = 1) {
    while (BlockedWaitCount() < count)
        std::this_thread::yield();
}

class BackendLoopTest : public WinTest {
protected:
    void SetUp() override {
        BackendInstall(true);
        WinTest::SetUp();
        Window = Make(WS_POPUP | WS_VISIBLE, 10, 10, 50, 50);
        for (int i = 0; i < 3; ++i)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
        PumpAll();
        Rec.Clear();
    }
    HWND Window = nullptr;
};

TEST_F(BackendLoopTest, SleepingInQtWakesForAWorkersPost) {
    std::thread worker([&] {
        AwaitBlocked(); // the watcher waits for us while Qt sleeps
        PostMessageA(Window, WM_USER, 1, 2);
    });
    MSG m;
    ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    worker.join();
    EXPECT_EQ(m.message, WM_USER + 0u);
    EXPECT_EQ(m.wParam, 1u);
}

TEST_F(BackendLoopTest, SleepingInQtWakesForTheNextTimer) {
    SetTimer(Window, 4, 500, nullptr);
    std::thread clock([] {
        AwaitBlocked();
        ClockAdvanceMs(499);
        AwaitBlocked();
        ClockAdvanceMs(1);
    });
    MSG m;
    ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    clock.join();
    EXPECT_EQ(m.message, WM_TIMER);
    EXPECT_EQ(m.wParam, 4u);
    KillTimer(Window, 4);
}

TEST_F(BackendLoopTest, SleepingInQtServesSendsAndObjects) {
    Rec.Handler = [](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
        r = 12;
        return m == WM_USER + 1;
    };
    LRESULT sent = 0;
    std::thread worker([&] {
        AwaitBlocked();
        sent = SendMessageA(Window, WM_USER + 1, 0, 0);
        PostMessageA(Window, WM_USER + 2, 0, 0);
    });
    MSG m;
    ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    worker.join();
    EXPECT_EQ(sent, 12);
    EXPECT_EQ(m.message, WM_USER + 2u);
    // An object signalled by a worker.
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::thread signaller([&] {
        AwaitBlocked();
        SetEvent(event);
    });
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT), WAIT_OBJECT_0);
    signaller.join();
    // A worker's call to the user-interface thread.
    std::atomic<bool> ran{false};
    std::thread syncer([&] {
        AwaitBlocked();
        TThread::Synchronize(nullptr, [&] {
            ran = true;
            PostMessageA(Window, WM_USER + 3, 0, 0);
        });
    });
    ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    syncer.join();
    EXPECT_TRUE(ran);
    EXPECT_EQ(m.message, WM_USER + 3u);
    CloseHandle(event);
}

TEST_F(BackendLoopTest, QtsOwnLoopKeepsOurQueueGoing) {
    std::thread clock, sender;
    std::vector<UINT> order;
    LRESULT sent = 0;
    Rec.Handler = [&](HWND h, UINT m, WPARAM wp, LPARAM, LRESULT& r) {
        switch (m) {
        case WM_USER:
            order.push_back(m);
            // A timer inside the loop, on the clock a worker moves.
            SetTimer(h, 9, 200, nullptr);
            clock = std::thread([] {
                AwaitBlocked();
                ClockAdvanceMs(200);
            });
            return true;
        case WM_TIMER:
            order.push_back(m);
            KillTimer(h, wp);
            // A send from a worker, served inside the loop.
            sender = std::thread([&, h] { sent = SendMessageA(h, WM_USER + 1, 0, 0); });
            return true;
        case WM_USER + 1:
            order.push_back(m);
            BackendQuitNestedLoop(7);
            r = 5;
            return true;
        default:
            return false;
        }
    };
    PostMessageA(Window, WM_USER, 0, 0);
    EXPECT_EQ(BackendRunNestedLoop(), 7);
    clock.join();
    sender.join();
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_TIMER, WM_USER + 1}));
    EXPECT_EQ(sent, 5);
}

TEST_F(BackendLoopTest, QuitInsideQtsLoopEndsItAndStaysForOurs) {
    Rec.Handler = [](HWND, UINT m, WPARAM, LPARAM, LRESULT&) {
        if (m == WM_USER) PostQuitMessage(3);
        return m == WM_USER;
    };
    PostMessageA(Window, WM_USER, 0, 0);
    BackendRunNestedLoop();
    MSG m;
    EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), FALSE);
    EXPECT_EQ(m.wParam, 3u);
}

} // namespace
