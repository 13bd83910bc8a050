#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/runtime/Closures.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/SyncObjs.h"
#include "platform/runtime/Threads.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::Eventually;

// A thread whose body is given by the test; created suspended.
class TTestThread : public TThread {
public:
    using TBody = std::function<void(TTestThread& self)>;
    explicit TTestThread(TBody body) : TThread(true), FBody(std::move(body)) {}
    ~TTestThread() override {
        if (Destroyed != nullptr) *Destroyed = true;
        if (DestroyedEvent != nullptr) SetEvent(DestroyedEvent);
    }
    std::atomic<bool>* Destroyed = nullptr;
    HANDLE DestroyedEvent = nullptr;

protected:
    void Execute() override { FBody(*this); }

private:
    TBody FBody;
};

// The handler object of OnTerminate: records who called it, from which thread and how often.
class TTerminateProbe {
public:
    void Terminated(TObject* sender) {
        ++Calls;
        Sender = sender;
        CalledOn = GetCurrentThreadId();
        if (AlsoDo) AlsoDo();
    }
    int Calls = 0;
    TObject* Sender = nullptr;
    DWORD CalledOn = 0;
    std::function<void()> AlsoDo;
};

// Serves the user-interface side of a test: runs queued calls whenever a worker queues one,
// until `done` is signalled. Returns false when that takes unreasonably long.
bool ServeUntil(HANDLE done) {
    HANDLE wake = CreateEventA(nullptr, false, false);
    auto previous = SetWakeMainThread([wake] { SetEvent(wake); });
    HANDLE handles[] = {done, wake};
    bool ok = false;
    for (;;) {
        CheckSynchronize();
        DWORD result = WaitForMultipleObjects(2, handles, false, 20000);
        if (result == WAIT_OBJECT_0) {
            ok = true;
            break;
        }
        if (result != WAIT_OBJECT_0 + 1) break;
    }
    SetWakeMainThread(previous);
    CloseHandle(wake);
    return ok;
}

} // namespace

TEST(Threads, SuspendedThreadRunsOnlyAfterStart) {
    std::atomic<bool> ran{false};
    DWORD idInside = 0;
    TTestThread thread([&](TTestThread& self) {
        ran = true;
        idInside = GetCurrentThreadId();
        self.SetReturnValue(42);
    });
    EXPECT_TRUE(thread.GetSuspended());
    EXPECT_EQ(WaitForSingleObject(thread.GetHandle(), 0), WAIT_TIMEOUT);
    EXPECT_FALSE(ran);
    thread.Start();
    EXPECT_THROW(thread.Start(), EThread);
    EXPECT_EQ(thread.WaitFor(), 42u);
    EXPECT_TRUE(ran);
    EXPECT_EQ(idInside, thread.GetThreadID());
    EXPECT_NE(thread.GetThreadID(), GetCurrentThreadId());
    EXPECT_EQ(WaitForSingleObject(thread.GetHandle(), 0), WAIT_OBJECT_0);
    EXPECT_FALSE(thread.GetSuspended());
    EXPECT_EQ(thread.GetFatalException(), nullptr);
}

namespace {

// Created running: the body reads a member the derived constructor sets.
class TRunningThread : public TThread {
public:
    explicit TRunningThread(Integer code) : TThread(false), FCode(code) { AfterConstruction(); }

protected:
    void Execute() override { SetReturnValue(FCode * 2); }

private:
    Integer FCode;
};

} // namespace

TEST(Threads, CreatedRunningThreadStartsOnceConstructed) {
    TRunningThread thread(21);
    EXPECT_EQ(thread.WaitFor(), 42u);
    thread.AfterConstruction(); // nothing more happens
    EXPECT_THROW(thread.Start(), EThread);
}

TEST(Threads, ResumeBeforeSuspendIsNotLost) {
    HANDLE resumed = CreateEventA(nullptr, true, false);
    TTestThread thread([&](TTestThread& self) {
        // The test resumes the thread before it gets here.
        WaitForSingleObject(resumed, INFINITE);
        self.Suspend();
        self.SetReturnValue(1);
    });
    thread.Start();
    thread.Resume();
    SetEvent(resumed);
    // A lost Resume would leave the thread suspended (the destructor then releases it).
    ASSERT_EQ(WaitForSingleObject(thread.GetHandle(), 20000), WAIT_OBJECT_0);
    EXPECT_EQ(thread.WaitFor(), 1u);
    CloseHandle(resumed);
}

TEST(Threads, ResumesCountLikeASemaphore) {
    std::atomic<int> passed{0};
    TTestThread thread([&](TTestThread& self) {
        for (int i = 0; i < 3; ++i) {
            self.Suspend();
            ++passed;
        }
    });
    thread.Start();
    ASSERT_TRUE(Eventually([&] { return thread.GetSuspended(); }));
    EXPECT_EQ(passed, 0);
    // The first releases the waiting thread; the second is kept for the next Suspend.
    thread.Resume();
    thread.Resume();
    ASSERT_TRUE(Eventually([&] { return passed == 2 && thread.GetSuspended(); }));
    thread.SetSuspended(false);
    EXPECT_EQ(thread.WaitFor(), 0u);
    EXPECT_EQ(passed, 3);
}

TEST(Threads, OnlyTheThreadItselfCanSuspend) {
    HANDLE release = CreateEventA(nullptr, true, false);
    TTestThread thread([&](TTestThread&) { WaitForSingleObject(release, INFINITE); });
    thread.Start();
    EXPECT_THROW(thread.Suspend(), EThread);
    SetEvent(release);
    thread.WaitFor();
    CloseHandle(release);
}

TEST(Threads, WaitForOnTheUserInterfaceThreadServesSynchronize) {
    ASSERT_EQ(GetCurrentThreadId(), MainThreadID.load());
    std::vector<DWORD> ranOn;
    std::vector<int> order;
    TTestThread thread([&](TTestThread& self) {
        for (int i = 0; i < 3; ++i) {
            self.Synchronize([&, i] {
                ranOn.push_back(GetCurrentThreadId());
                order.push_back(i);
            });
        }
        self.SetReturnValue(7);
    });
    thread.Start();
    // The worker blocks in Synchronize until WaitFor runs its calls.
    EXPECT_EQ(thread.WaitFor(), 7u);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(ranOn, (std::vector<DWORD>(3, MainThreadID.load())));
    EXPECT_FALSE(CheckSynchronize());
}

TEST(Threads, SynchronizeRaisesTheUserInterfaceSidesExceptionInTheWorker) {
    struct TCase {
        const char* name;
        std::function<void()> raise;
        const char* className;
        const char* message;
    };
    const std::vector<TCase> cases = {
        {"EConvertError", [] { throw EConvertError("'x' is not a valid integer value"); }, "EConvertError",
         "'x' is not a valid integer value"},
        {"EZeroDivide", [] { throw EZeroDivide("Floating point division by zero"); }, "EZeroDivide",
         "Floating point division by zero"},
        {"EInOutError", [] { throw EInOutError("I/O error 5", 5); }, "EInOutError", "I/O error 5"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string caughtClass, caughtMessage;
        bool sameObjectType = false;
        bool afterwards = false;
        TTestThread thread([&](TTestThread& self) {
            try {
                self.Synchronize(c.raise);
            } catch (const Exception& e) {
                caughtClass = e.ClassName();
                caughtMessage = e.Message;
                sameObjectType = std::string(c.name) == "EInOutError"
                                     ? dynamic_cast<const EInOutError*>(&e) != nullptr &&
                                           dynamic_cast<const EInOutError&>(e).ErrorCode == 5
                                     : true;
            }
            afterwards = true; // the worker goes on after handling it
        });
        thread.Start();
        thread.WaitFor();
        EXPECT_EQ(caughtClass, c.className);
        EXPECT_EQ(caughtMessage, c.message);
        EXPECT_TRUE(sameObjectType);
        EXPECT_TRUE(afterwards);
        EXPECT_EQ(thread.GetFatalException(), nullptr);
    }
}

TEST(Threads, CallsFromTheUserInterfaceThreadRunAtOnce) {
    int ran = 0;
    TThread::Synchronize(nullptr, [&] { ++ran; });
    EXPECT_EQ(ran, 1);
    TThread::Queue(nullptr, [&] { ++ran; });
    EXPECT_EQ(ran, 2);
    EXPECT_THROW(TThread::Synchronize(nullptr, [] { throw EConvertError("direct"); }), EConvertError);
    EXPECT_FALSE(CheckSynchronize());
}

TEST(Threads, QueueDoesNotWaitAndCheckSynchronizeRunsTheCalls) {
    std::atomic<int> wakeCalls{0};
    auto previous = SetWakeMainThread([&] { ++wakeCalls; });
    std::vector<int> ran;
    TTestThread thread([&](TTestThread& self) {
        self.Queue([&] { ran.push_back(1); });
        self.Queue([&] { ran.push_back(2); });
    });
    thread.Start();
    // A plain wait serves nothing: the worker ended without its calls having run.
    ASSERT_EQ(WaitForSingleObject(thread.GetHandle(), 20000), WAIT_OBJECT_0);
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(wakeCalls, 2);
    EXPECT_TRUE(CheckSynchronize());
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    EXPECT_FALSE(CheckSynchronize());
    thread.WaitFor();
    SetWakeMainThread(previous);
}

TEST(Threads, AFailingQueuedCallLeavesTheOthersQueued) {
    std::vector<int> ran;
    TTestThread thread([&](TTestThread& self) {
        self.Queue([] { throw EConvertError("queued"); });
        self.Queue([&] { ran.push_back(2); });
    });
    thread.Start();
    ASSERT_EQ(WaitForSingleObject(thread.GetHandle(), 20000), WAIT_OBJECT_0);
    EXPECT_THROW(CheckSynchronize(), EConvertError);
    EXPECT_TRUE(ran.empty());
    EXPECT_TRUE(CheckSynchronize());
    EXPECT_EQ(ran, (std::vector<int>{2}));
    thread.WaitFor();
}

TEST(Threads, CheckSynchronizeBelongsToTheUserInterfaceThread) {
    bool raised = false;
    std::thread([&] {
        try {
            CheckSynchronize();
        } catch (const EThread&) {
            raised = true;
        }
    }).join();
    EXPECT_TRUE(raised);
}

TEST(Threads, AnotherThreadCanPlayTheUserInterfaceThread) {
    const DWORD realMain = MainThreadID.load();
    HANDLE stop = CreateEventA(nullptr, true, false);
    std::atomic<DWORD> servedOn{0};
    HANDLE ready = CreateEventA(nullptr, true, false);
    std::thread ui([&] {
        SetMainThreadID(GetCurrentThreadId());
        SetEvent(ready);
        while (WaitForSingleObject(stop, 0) == WAIT_TIMEOUT) {
            if (!CheckSynchronize()) std::this_thread::yield();
        }
    });
    ASSERT_EQ(WaitForSingleObject(ready, 20000), WAIT_OBJECT_0);
    // This thread is a worker now: its call waits for the other thread to run it.
    TThread::Synchronize(nullptr, [&] { servedOn = GetCurrentThreadId(); });
    EXPECT_NE(servedOn.load(), GetCurrentThreadId());
    EXPECT_EQ(servedOn.load(), MainThreadID.load());
    SetEvent(stop);
    ui.join();
    SetMainThreadID(realMain);
    CloseHandle(stop);
    CloseHandle(ready);
}

TEST(Threads, FreeOnTerminateThreadFreesItselfAfterOnTerminate) {
    std::atomic<bool> destroyed{false};
    HANDLE destroyedEvent = CreateEventA(nullptr, true, false);
    bool destroyedBeforeOnTerminate = true;
    TTerminateProbe probe;
    probe.AlsoDo = [&] { destroyedBeforeOnTerminate = destroyed; };
    auto* thread = new TTestThread([](TTestThread& self) { self.SetFreeOnTerminate(true); });
    thread->Destroyed = &destroyed;
    thread->DestroyedEvent = destroyedEvent;
    thread->OnTerminate = MakeEvent(&probe, &TTerminateProbe::Terminated);
    TObject* expectedSender = thread;
    thread->Start();
    // The thread object is not touched any more: it deletes itself.
    ASSERT_TRUE(ServeUntil(destroyedEvent));
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(destroyedBeforeOnTerminate);
    EXPECT_EQ(probe.Calls, 1);
    EXPECT_EQ(probe.CalledOn, MainThreadID.load());
    EXPECT_EQ(probe.Sender, expectedSender);
    CloseHandle(destroyedEvent);
}

TEST(Threads, FreeOnTerminateWithoutHandlerNeedsNoUserInterfaceThread) {
    std::atomic<bool> destroyed{false};
    HANDLE destroyedEvent = CreateEventA(nullptr, true, false);
    auto* thread = new TTestThread([](TTestThread&) {});
    thread->SetFreeOnTerminate(true);
    thread->Destroyed = &destroyed;
    thread->DestroyedEvent = destroyedEvent;
    thread->Start();
    EXPECT_EQ(WaitForSingleObject(destroyedEvent, 20000), WAIT_OBJECT_0);
    EXPECT_TRUE(destroyed);
    CloseHandle(destroyedEvent);
}

TEST(Threads, ExceptionEscapingExecuteIsKeptAndTheThreadEndsNormally) {
    TTerminateProbe probe;
    TTestThread thread([](TTestThread& self) {
        self.SetReturnValue(3);
        throw EConvertError("escaped");
    });
    thread.OnTerminate = MakeEvent(&probe, &TTerminateProbe::Terminated);
    thread.Start();
    EXPECT_EQ(thread.WaitFor(), 3u);
    EXPECT_EQ(probe.Calls, 1);
    EXPECT_EQ(probe.Sender, &thread);
    std::exception_ptr fatal = thread.GetFatalException();
    ASSERT_NE(fatal, nullptr);
    try {
        std::rethrow_exception(fatal);
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message, "escaped");
    } catch (...) {
        ADD_FAILURE() << "another exception class";
    }
}

TEST(Threads, WaitForServesMessagesSentFromOtherThreads) {
    std::atomic<bool> sentPending{false};
    std::atomic<int> served{0};
    HANDLE answered = CreateEventA(nullptr, true, false);
    auto previousWaitHook = SetMessageWaitHook(
        [&](DWORD mask) { return (mask & WakeMaskSentMessages) != 0 && sentPending.load(); });
    auto previousServeHook = SetServeSentMessagesHook([&] {
        // Stands in for the window system answering a message sent by the worker.
        if (sentPending.exchange(false)) {
            ++served;
            SetEvent(answered);
        }
    });
    TTestThread thread([&](TTestThread& self) {
        sentPending = true;
        WakeMessageWaiters();
        WaitForSingleObject(answered, INFINITE); // blocked like a sender until it is answered
        self.SetReturnValue(9);
    });
    thread.Start();
    EXPECT_EQ(thread.WaitFor(), 9u);
    EXPECT_EQ(served, 1);
    SetServeSentMessagesHook(previousServeHook);
    SetMessageWaitHook(previousWaitHook);
    CloseHandle(answered);
}

namespace {

// Suspends itself until terminated; it uses nothing of a derived class, so the base
// destructor may stop it.
class TSuspendingThread : public TThread {
public:
    explicit TSuspendingThread(std::atomic<int>* rounds) : TThread(true), FRounds(rounds) {}

protected:
    void Execute() override {
        while (!GetTerminated()) {
            ++*FRounds;
            Suspend();
        }
    }

private:
    std::atomic<int>* const FRounds; // outlives the object: owned by the test
};

} // namespace

TEST(Threads, DestroyingAnUnfinishedThreadTerminatesResumesAndWaits) {
    std::atomic<int> rounds{0};
    auto* thread = new TSuspendingThread(&rounds);
    thread->Start();
    ASSERT_TRUE(Eventually([&] { return thread->GetSuspended(); }));
    HANDLE handle = thread->GetHandle();
    delete thread; // returns only once the thread has ended
    EXPECT_EQ(rounds, 1);
    EXPECT_EQ(WaitForSingleObject(handle, 0), WAIT_FAILED); // closed with the object

    // A thread that never started ends without running its body.
    bool ran = false;
    TTerminateProbe probe;
    {
        TTestThread never([&](TTestThread&) { ran = true; });
        never.OnTerminate = MakeEvent(&probe, &TTerminateProbe::Terminated);
    }
    EXPECT_FALSE(ran);
    EXPECT_EQ(probe.Calls, 1);
}

TEST(Threads, TerminateOnlySetsTheFlag) {
    HANDLE proceed = CreateEventA(nullptr, true, false);
    TTestThread thread([&](TTestThread& self) {
        WaitForSingleObject(proceed, INFINITE);
        self.SetReturnValue(self.GetTerminated() ? 1 : 2);
    });
    thread.SetPriority(tpHigher);
    EXPECT_EQ(thread.GetPriority(), tpHigher);
    thread.Start();
    thread.Terminate();
    EXPECT_TRUE(thread.GetTerminated());
    EXPECT_EQ(WaitForSingleObject(thread.GetHandle(), 0), WAIT_TIMEOUT); // still running
    SetEvent(proceed);
    EXPECT_EQ(thread.WaitFor(), 1u);
    CloseHandle(proceed);
}

namespace {

std::atomic<int> gFreeHandlerCalls{0};
std::atomic<TObject*> gFreeHandlerSender{nullptr};

void FreeTerminateHandler(TObject* sender) {
    ++gFreeHandlerCalls;
    gFreeHandlerSender = sender;
}

} // namespace

TEST(Threads, ThreadIsAnObjectAndOnTerminateIsAComparableEvent) {
    EXPECT_EQ(TThread::StaticClass()->ClassParent(), TObject::StaticClass());
    EXPECT_FALSE(TThread::StaticClass()->CanCreate()); // abstract: nothing to make by name

    TTerminateProbe probe;
    TTestThread thread([](TTestThread&) {});
    EXPECT_TRUE(thread.InheritsFrom(TThread::StaticClass()));
    thread.OnTerminate = MakeEvent(&probe, &TTerminateProbe::Terminated);
    // A handler can be saved, replaced and restored.
    TNotifyEvent saved = thread.OnTerminate;
    thread.OnTerminate = &FreeTerminateHandler;
    EXPECT_FALSE(thread.OnTerminate == saved);
    thread.OnTerminate = saved;
    EXPECT_TRUE(thread.OnTerminate == MakeEvent(&probe, &TTerminateProbe::Terminated));
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ(probe.Calls, 1);
    EXPECT_EQ(dynamic_cast<TTestThread*>(probe.Sender), &thread);

    // A free function serves as well.
    gFreeHandlerCalls = 0;
    TTestThread second([](TTestThread&) {});
    second.OnTerminate = &FreeTerminateHandler;
    second.Start();
    second.WaitFor();
    EXPECT_EQ(gFreeHandlerCalls, 1);
    EXPECT_EQ(gFreeHandlerSender.load(), &second);
}
