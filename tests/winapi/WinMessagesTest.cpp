// The message queue: posting and retrieval order, filters, quitting, sends across threads with
// their time-outs and replies, waits for messages, queue status and the workers' calls.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/runtime/SyncObjs.h"
#include "platform/runtime/Threads.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinError.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

class WinMessagesTest : public WinTest {};

// Blocks until some thread waits in the kernel's wait (the worker is in place).
void AwaitBlocked(int count = 1) {
    while (BlockedWaitCount() < count)
        std::this_thread::yield();
}

TEST_F(WinMessagesTest, PeekFindsAndRemovesAPostedMessage) {
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    ASSERT_TRUE(PostMessageA(w, WM_USER + 1, 11, 22));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.hwnd, w);
    EXPECT_EQ(m.message, WM_USER + 1u);
    EXPECT_EQ(m.wParam, 11u);
    EXPECT_EQ(m.lParam, 22);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE | PM_NOYIELD)); // still there
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 1u);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WinMessagesTest, FiltersByWindowAndRange) {
    HWND a = Make(WS_POPUP, 0, 0, 10, 10);
    HWND child = Make(WS_CHILD, 0, 0, 5, 5, a);
    HWND b = Make(WS_POPUP, 0, 0, 10, 10);
    PostMessageA(b, WM_USER + 1, 0, 0);
    PostMessageA(child, WM_USER + 2, 0, 0);
    PostMessageA(nullptr, WM_USER + 3, 0, 0); // a thread message
    PostMessageA(a, WM_USER + 4, 0, 0);
    PostMessageA(a, WM_APP, 0, 0);
    struct Case {
        const char* Name;
        HWND Filter;
        UINT Min, Max;
        UINT Expected; // 0: none
    };
    const HWND threadOnly = reinterpret_cast<HWND>(std::intptr_t(-1));
    const std::vector<Case> cases = {
        {"a window and its children", a, 0, 0, WM_USER + 2},
        {"another window", b, 0, 0, WM_USER + 1},
        {"thread messages only", threadOnly, 0, 0, WM_USER + 3},
        {"a range", nullptr, WM_USER + 3, WM_USER + 4, WM_USER + 3},
        {"a range and a window", a, WM_USER + 3, WM_USER + 4, WM_USER + 4},
        {"one message", nullptr, WM_APP, WM_APP, WM_APP},
        {"nothing in range", nullptr, WM_USER + 10, WM_USER + 20, 0},
        {"a child's own filter", child, WM_USER + 4, WM_USER + 4, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        MSG m;
        BOOL found = PeekMessageA(&m, c.Filter, c.Min, c.Max, PM_NOREMOVE);
        EXPECT_EQ(found != FALSE, c.Expected != 0);
        if (found) {
            EXPECT_EQ(m.message, c.Expected);
        }
    }
    // Removing with a filter leaves the others in order.
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, a, WM_USER + 4, WM_USER + 4, PM_REMOVE));
    std::vector<UINT> rest;
    for (const MSG& x : Drain())
        rest.push_back(x.message);
    EXPECT_EQ(rest, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 3, WM_APP}));
}

TEST_F(WinMessagesTest, PaintAndTimerWaitBehindPostedMessagesAndInput) {
    HWND w = Make(WS_POPUP | WS_VISIBLE, 0, 0, 50, 50);
    SetFocus(w);
    PumpAll();
    ValidateRect(w, nullptr);
    SetTimer(w, 1, 100, nullptr);
    ClockAdvanceMs(100);
    InvalidateRect(w, nullptr, TRUE);
    WinInputKey('A', false, true);
    PostMessageA(w, WM_USER, 0, 0);
    std::vector<UINT> order;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        order.push_back(m.message);
        if (m.message == WM_PAINT) {
            PAINTSTRUCT ps;
            BeginPaint(w, &ps);
            EndPaint(w, &ps);
        }
        if (m.message == WM_TIMER) KillTimer(w, 1);
        // A message posted while others wait still comes before them.
        if (m.message == WM_USER) PostMessageA(w, WM_USER + 1, 0, 0);
    }
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_USER + 1, WM_KEYDOWN, WM_PAINT, WM_TIMER}));
}

TEST_F(WinMessagesTest, QuitComesAfterThePostedMessages) {
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    PostMessageA(w, WM_USER, 0, 0);
    PostQuitMessage(3);
    PostMessageA(w, WM_USER + 1, 0, 0);
    MSG m;
    EXPECT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, WM_USER + 0u);
    EXPECT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, WM_USER + 1u);
    EXPECT_FALSE(PeekMessageA(&m, w, 0, 0, PM_NOREMOVE)); // a window filter never sees WM_QUIT
    EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), FALSE);
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(GetMessageA(&m, reinterpret_cast<HWND>(std::intptr_t(0x1234)), 0, 0), -1);
}

TEST_F(WinMessagesTest, SendFromWorkerIsServedBeforePostedMessages) {
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    bool inSend = false;
    Rec.Handler = [&](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
        if (m != WM_USER + 2) return false;
        inSend = InSendMessage();
        r = 99;
        return true;
    };
    Rec.Clear();
    PostMessageA(w, WM_USER + 1, 0, 0);
    LRESULT result = 0;
    std::thread worker([&] { result = SendMessageA(w, WM_USER + 2, 0, 0); });
    AwaitBlocked();
    EXPECT_EQ(Rec.Count(WM_USER + 2), 0); // nothing runs before the thread looks at its queue
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    worker.join();
    EXPECT_EQ(result, 99);
    EXPECT_TRUE(inSend);
    EXPECT_EQ(m.message, WM_USER + 1u);
    EXPECT_EQ(Rec.Messages(w), (std::vector<UINT>{WM_USER + 2}));
    PumpAll();
    EXPECT_EQ(Rec.Messages(w), (std::vector<UINT>{WM_USER + 2, WM_USER + 1}));
    EXPECT_FALSE(InSendMessage());
}

TEST_F(WinMessagesTest, SendTimesOutAfterThreeSecondsAndRunsLater) {
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    std::atomic<bool> done{false};
    LRESULT ok = -1;
    DWORD_PTR result = 123;
    DWORD error = 0;
    std::thread worker([&] {
        ok = SendMessageTimeoutA(w, WM_USER + 5, 1, 2, SMTO_BLOCK, 3000, &result);
        error = GetLastError();
        done = true;
    });
    AwaitBlocked();
    // The user-interface thread is busy: it does not look at its queue.
    ClockAdvanceMs(2999);
    EXPECT_FALSE(done);
    ClockAdvanceMs(1);
    worker.join();
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(error, ERROR_TIMEOUT);
    EXPECT_EQ(Rec.Count(WM_USER + 5), 0);
    // The message stayed queued and runs when the thread gets to it.
    PumpAll();
    const Seen* s = Rec.Find(WM_USER + 5, w);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->WParam, 1u);
    EXPECT_EQ(s->LParam, 2);
}

TEST_F(WinMessagesTest, SendWithinTheTimeOutReturnsTheResult) {
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    Rec.Handler = [](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
        r = m == WM_USER ? 17 : 0;
        return m == WM_USER;
    };
    DWORD_PTR result = 0;
    LRESULT ok = 0;
    std::thread worker([&] { ok = SendMessageTimeoutA(w, WM_USER, 0, 0, SMTO_NORMAL, 3000, &result); });
    AwaitBlocked();
    ClockAdvanceMs(1000);
    PumpAll();
    worker.join();
    EXPECT_EQ(ok, TRUE);
    EXPECT_EQ(result, 17u);
    // On the window's own thread the time-out does not apply.
    EXPECT_TRUE(SendMessageTimeoutA(w, WM_USER, 0, 0, SMTO_NORMAL, 1, &result));
    EXPECT_EQ(result, 17u);
}

TEST_F(WinMessagesTest, ReplyMessageReleasesTheSenderEarly) {
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    HANDLE replied = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD waited = 0;
    DWORD flagsBefore = 0, flagsAfter = 0;
    Rec.Handler = [&](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
        if (m != WM_USER) return false;
        flagsBefore = InSendMessageEx(nullptr);
        EXPECT_TRUE(ReplyMessage(7));
        flagsAfter = InSendMessageEx(nullptr);
        EXPECT_FALSE(ReplyMessage(8)); // only once
        // The sender goes on while the handler still runs.
        waited = WaitForSingleObject(replied, INFINITE);
        r = 9;
        return true;
    };
    LRESULT result = 0;
    std::thread worker([&] {
        result = SendMessageA(w, WM_USER, 0, 0);
        SetEvent(replied);
    });
    AwaitBlocked();
    PumpAll();
    worker.join();
    EXPECT_EQ(waited, WAIT_OBJECT_0);
    EXPECT_EQ(result, 7);
    EXPECT_EQ(flagsBefore, ISMEX_SEND);
    EXPECT_EQ(flagsAfter, ISMEX_SEND | ISMEX_REPLIED);
    EXPECT_FALSE(ReplyMessage(1)); // not in a send
    CloseHandle(replied);
}

// A worker thread with a window of its own and a message loop.
class WorkerWindow {
public:
    WorkerWindow() {
        FThread = std::thread([this] {
            FThreadId = GetCurrentThreadId();
            FWindow = CreateWindowExA(0, RecordingClass(), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      nullptr, nullptr);
            SetEvent(FReady);
            MSG m;
            while (GetMessageA(&m, nullptr, 0, 0) > 0)
                DispatchMessageA(&m);
            DestroyWindow(FWindow);
        });
        WaitForSingleObject(FReady, INFINITE);
    }
    ~WorkerWindow() {
        PostThreadMessageA(FThreadId, WM_QUIT, 0, 0);
        FThread.join();
        CloseHandle(FReady);
    }
    HWND Window() const { return FWindow; }
    DWORD ThreadId() const { return FThreadId; }

private:
    HANDLE FReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread FThread;
    std::atomic<DWORD> FThreadId{0};
    HWND FWindow = nullptr;
};

TEST_F(WinMessagesTest, SendsBetweenThreadsAreServedWhileWaiting) {
    HWND mine = Make(WS_POPUP, 0, 0, 10, 10);
    // The worker's window procedure is the recording one too; its handler runs on the worker.
    std::atomic<int> workerSaw{0};
    HANDLE secondDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Rec.Handler = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT& r) {
        if (m == WM_USER + 1 && h != mine) {
            // A send back to the waiting thread is served inside its SendMessage.
            r = SendMessageA(mine, WM_USER + 2, 0, 0) + 1;
            if (++workerSaw == 2) SetEvent(secondDone);
            return true;
        }
        if (m == WM_USER + 2 && h == mine) {
            r = 40;
            return true;
        }
        return false;
    };
    Rec.Ignored = {WM_NCHITTEST, WM_SETCURSOR, WM_GETTEXT, WM_NCCREATE,  WM_NCCALCSIZE, WM_CREATE,
                   WM_SIZE,      WM_MOVE,      WM_DESTROY, WM_NCDESTROY, WM_USER + 1};
    WorkerWindow worker;
    EXPECT_NE(GetWindowThreadProcessId(worker.Window(), nullptr), GetCurrentThreadId());
    EXPECT_EQ(SendMessageA(worker.Window(), WM_USER + 1, 0, 0), 41);
    EXPECT_EQ(workerSaw, 1);
    // A notification does not wait; the worker's loop handles it.
    EXPECT_TRUE(SendNotifyMessageA(worker.Window(), WM_USER + 1, 0, 0));
    // Text of another thread's window is read without asking it.
    SetWindowTextA(worker.Window(), "worker");
    char text[16];
    EXPECT_EQ(GetWindowTextA(worker.Window(), text, sizeof text), 6);
    // The notification's send back to us is served while we wait for the worker.
    while (MsgWaitForMultipleObjects(1, &secondDone, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
    }
    EXPECT_EQ(Rec.Count(WM_USER + 2, mine), 2);
    CloseHandle(secondDone);
}

TEST_F(WinMessagesTest, PostThreadMessageNeedsAQueue) {
    std::atomic<DWORD> id{0};
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread worker([&] {
        id = GetCurrentThreadId();
        WaitForSingleObject(go, INFINITE);
    });
    while (!id)
        std::this_thread::yield();
    EXPECT_FALSE(PostThreadMessageA(id, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);
    SetEvent(go);
    worker.join();
    CloseHandle(go);

    WorkerWindow w;
    EXPECT_TRUE(PostThreadMessageA(w.ThreadId(), WM_USER, 0, 0));
}

TEST_F(WinMessagesTest, MsgWaitForMultipleObjects) {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    // An object.
    SetEvent(event);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT), WAIT_OBJECT_0);
    // A message posted by another thread.
    std::thread poster([&] {
        AwaitBlocked();
        PostMessageA(w, WM_USER, 0, 0);
    });
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT), WAIT_OBJECT_0 + 1);
    poster.join();
    // A message that was there before the last look does not wake a wait (it is not new).
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 0, QS_ALLINPUT), WAIT_OBJECT_0 + 1);
    MSG m;
    EXPECT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 0, QS_ALLINPUT), WAIT_TIMEOUT);
    EXPECT_EQ(MsgWaitForMultipleObjectsEx(1, &event, 0, QS_ALLINPUT, MWMO_INPUTAVAILABLE), WAIT_TIMEOUT);
    Drain();
    // A worker's send is served inside the wait, which then ends as for a message.
    LRESULT sent = 0;
    std::thread sender([&] {
        AwaitBlocked();
        sent = SendMessageA(w, WM_USER + 3, 0, 0) + 1;
    });
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT), WAIT_OBJECT_0 + 1);
    sender.join();
    EXPECT_EQ(sent, 1);
    EXPECT_EQ(Rec.Count(WM_USER + 3, w), 1);
    // The time-out on the clock.
    std::thread clock([&] {
        AwaitBlocked();
        ClockAdvanceMs(249);
        AwaitBlocked();
        ClockAdvanceMs(1);
    });
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 250, QS_ALLINPUT), WAIT_TIMEOUT);
    clock.join();
    // Only the kinds asked for wake it.
    PostMessageA(w, WM_USER, 0, 0);
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_KEY), WAIT_TIMEOUT);
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_POSTMESSAGE), WAIT_OBJECT_0);
    HANDLE bad = reinterpret_cast<HANDLE>(std::intptr_t(0x7777));
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &bad, FALSE, 0, QS_ALLINPUT), WAIT_FAILED);
    CloseHandle(event);
}

TEST_F(WinMessagesTest, GetMessageSleepsUntilAWorkerPosts) {
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    std::thread poster([&] {
        AwaitBlocked();
        PostMessageA(w, WM_USER + 9, 0, 0);
    });
    MSG m;
    EXPECT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    poster.join();
    EXPECT_EQ(m.message, WM_USER + 9u);
    // WaitMessage the same way.
    std::thread poster2([&] {
        AwaitBlocked();
        PostMessageA(w, WM_USER, 0, 0);
    });
    EXPECT_TRUE(WaitMessage());
    poster2.join();
    Drain();
}

TEST_F(WinMessagesTest, QueueStatus) {
    HWND w = Make(WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
    SetFocus(w);
    PumpAll();
    ValidateRect(w, nullptr);
    GetQueueStatus(QS_ALLINPUT); // forget what arrived before
    EXPECT_EQ(GetQueueStatus(QS_ALLINPUT), 0u);
    PostMessageA(w, WM_USER, 0, 0);
    DWORD s = GetQueueStatus(QS_ALLINPUT);
    EXPECT_EQ(LOWORD(s) & QS_POSTMESSAGE, QS_POSTMESSAGE);
    EXPECT_EQ(HIWORD(s) & QS_POSTMESSAGE, QS_POSTMESSAGE);
    s = GetQueueStatus(QS_ALLINPUT);
    EXPECT_EQ(LOWORD(s) & QS_POSTMESSAGE, QS_POSTMESSAGE); // still there
    EXPECT_EQ(HIWORD(s), 0u);                              // but not new
    InvalidateRect(w, nullptr, FALSE);
    WinInputKey('B', false, true);
    s = GetQueueStatus(QS_ALLINPUT);
    EXPECT_EQ(LOWORD(s) & (QS_PAINT | QS_KEY), QS_PAINT | QS_KEY);
    EXPECT_TRUE(GetInputState());
    EXPECT_EQ(GetQueueStatus(QS_TIMER), 0u);
    SetTimer(w, 1, 10, nullptr);
    ClockAdvanceMs(10);
    EXPECT_EQ(LOWORD(GetQueueStatus(QS_TIMER)), QS_TIMER);
    KillTimer(w, 1);
    PumpAll();
    WinInputKey('B', false, false);
    PumpAll();
}

TEST_F(WinMessagesTest, WorkersSynchronizeInsideTheMessageLoop) {
    ASSERT_EQ(GetCurrentThreadId(), MainThreadID.load());
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    std::atomic<bool> ran{false};
    std::thread worker([&] {
        AwaitBlocked();
        TThread::Synchronize(nullptr, [&] {
            EXPECT_EQ(GetCurrentThreadId(), MainThreadID.load());
            ran = true;
            PostMessageA(w, WM_USER, 0, 0);
        });
    });
    MSG m;
    // GetMessage runs the call while it waits; the call's message ends the wait.
    EXPECT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    worker.join();
    EXPECT_TRUE(ran);
    EXPECT_EQ(m.message, WM_USER + 0u);
}

TEST_F(WinMessagesTest, ThreadWaitForServesSends) {
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    Rec.Handler = [](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
        r = 5;
        return m == WM_USER;
    };
    struct Sender : TThread {
        HWND Target;
        LRESULT Result = 0;
        explicit Sender(HWND target) : TThread(false), Target(target) { AfterConstruction(); }
        void Execute() override { Result = SendMessageA(Target, WM_USER, 0, 0); }
    };
    // Make sure the thread's queue exists, as the message loop would have made it.
    MSG m;
    PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
    Sender sender(w);
    sender.WaitFor();
    EXPECT_EQ(sender.Result, 5);
}

TEST_F(WinMessagesTest, TimerProceduresAndThreadMessagesDispatch) {
    static int calls;
    static UINT_PTR seenId;
    calls = 0;
    UINT_PTR id = SetTimer(nullptr, 0, 50, [](HWND h, UINT m, UINT_PTR idEvent, DWORD) {
        EXPECT_EQ(h, nullptr);
        EXPECT_EQ(m, WM_TIMER);
        seenId = idEvent;
        ++calls;
    });
    ASSERT_NE(id, 0u);
    ClockAdvanceMs(50);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_TIMER);
    EXPECT_EQ(m.hwnd, nullptr);
    DispatchMessageA(&m);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seenId, id);
    // A forged procedure pointer is not called.
    MSG forged = m;
    forged.lParam = LPARAM(&DefWindowProcA);
    EXPECT_EQ(DispatchMessageA(&forged), 0);
    EXPECT_TRUE(KillTimer(nullptr, id));
    EXPECT_FALSE(KillTimer(nullptr, id));
}

TEST_F(WinMessagesTest, DispatchIgnoresOtherThreadsWindows) {
    WorkerWindow worker;
    MSG m;
    m.hwnd = worker.Window();
    m.message = WM_USER;
    EXPECT_EQ(DispatchMessageA(&m), 0);
    EXPECT_EQ(GetLastError(), ERROR_WINDOW_OF_OTHER_THREAD);
}

} // namespace
