// Threads of the class library, and the hand-off of calls to the user-interface thread.
//
// The user-interface thread (MainThreadID) runs the message loop. A worker that must touch
// windows calls Synchronize, which queues the call, wakes the user-interface thread through the
// WakeMainThread hook and blocks until the call ran there; the user-interface thread runs
// queued calls in CheckSynchronize (from the message loop's idle step) and while it waits for
// a thread in TThread::WaitFor.
#pragma once

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/runtime/Closures.h"
#include "platform/runtime/Handles.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"

class TThread;
class TKernelObject;

using TThreadMethod = std::function<void()>;

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// A small number of the runtime's own that identifies the calling thread (never 0).
DWORD GetCurrentThreadId();

// The user-interface thread: the thread that started the runtime.
extern std::atomic<DWORD> MainThreadID;
// For tests that play the user-interface thread on another thread.
void SetMainThreadID(DWORD threadId);

// Runs the calls queued for the user-interface thread (those present when it starts); returns
// whether any ran. An exception of a Synchronize call goes back to its worker; one of a
// Queue call leaves CheckSynchronize (the calls behind it stay queued). Raises EThread when
// called on another thread.
bool CheckSynchronize();

// Called whenever a call is queued for the user-interface thread; the message loop installs
// it to post a null message. Returns the hook installed before.
std::function<void()> SetWakeMainThread(std::function<void()> hook);
// Called by TThread::WaitFor on the user-interface thread when the message-wait hook
// (SyncObjs.h) reports messages sent from other threads: the window system installs it to
// serve them. Returns the hook installed before.
std::function<void()> SetServeSentMessagesHook(std::function<void()> hook);

class TThread : public TObject {
    KOV_CLASS(TThread, TObject)
public:
    // A thread created running (createSuspended false) starts its body only once the object is
    // complete: C++ has no step after the last constructor, so the most derived class ends its
    // constructor with AfterConstruction(). A suspended thread starts with Start or Resume.
    explicit TThread(bool createSuspended);
    // An unfinished thread is told to terminate, resumed when suspended and waited for. Its
    // Execute must not use members of the derived class by then (they are already destroyed):
    // a derived class whose thread may still run when it is deleted stops it in its own
    // destructor (Terminate, Resume, WaitFor). A thread that never started does not run Execute.
    ~TThread() override;
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Starts a thread created running; nothing for one created suspended or already started.
    void AfterConstruction();
    // Starts a thread that has not started yet; raises EThread otherwise.
    void Start();
    // Suspend (only by the thread on itself) blocks until a Resume is available; Resume (by any
    // other thread) releases it. They count like a semaphore: a Resume given before the
    // Suspend lets that Suspend return at once. Resume on a thread not started yet starts it.
    void Suspend();
    void Resume();
    // Only sets the flag Execute is expected to poll.
    void Terminate();
    // Waits until the thread has ended and returns its ReturnValue. On the user-interface thread
    // it meanwhile runs the synchronized and queued calls of workers and serves sent messages,
    // so a worker blocked in Synchronize cannot deadlock it.
    DWORD WaitFor();

    bool GetTerminated() const { return FTerminated; }
    bool GetFreeOnTerminate() const { return FFreeOnTerminate; }
    // When set, the thread deletes the object itself after Execute and OnTerminate; nobody else
    // may delete it then.
    void SetFreeOnTerminate(bool value) { FFreeOnTerminate = value; }
    Integer GetReturnValue() const { return FReturnValue; }
    void SetReturnValue(Integer value) { FReturnValue = value; }
    // Kept only; the threads all run at the system's normal priority.
    TThreadPriority GetPriority() const { return FPriority; }
    void SetPriority(TThreadPriority value) { FPriority = value; }
    // A waitable handle, signalled when the thread has ended; closed with the object.
    HANDLE GetHandle() const { return FHandle; }
    DWORD GetThreadID() const { return FThreadID; }
    // True before the thread started and while it is blocked in Suspend.
    bool GetSuspended() const { return FSuspended; }
    void SetSuspended(bool value);
    // The exception that escaped Execute (the thread then ended normally), or null.
    std::exception_ptr GetFatalException() const;

    // Runs the method on the user-interface thread and waits for it; an exception it raises is
    // raised again here. Called on the user-interface thread, the method runs at once.
    void Synchronize(TThreadMethod method) { Synchronize(this, std::move(method)); }
    // Queues the method for the user-interface thread without waiting (at once when called on
    // the user-interface thread).
    void Queue(TThreadMethod method) { Queue(this, std::move(method)); }
    static void Synchronize(TThread* thread, TThreadMethod method);
    static void Queue(TThread* thread, TThreadMethod method);

    // Runs on the user-interface thread after Execute, with the thread as the sender.
    TNotifyEvent OnTerminate;

protected:
    virtual void Execute() = 0;

private:
    // With FStateLock held: creates the system thread.
    void LaunchLocked();
    void ThreadProc();
    void DoTerminate();

    const bool FCreateSuspended;
    const DWORD FThreadID;
    HANDLE FHandle = nullptr;
    std::shared_ptr<TKernelObject> FThreadObject;
    std::thread FThread;

    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFreeOnTerminate{false};
    std::atomic<Integer> FReturnValue{0};
    std::atomic<TThreadPriority> FPriority{tpNormal};
    std::atomic<bool> FSuspended{true};

    // Guards the start and the suspend count.
    mutable std::mutex FStateLock;
    std::condition_variable FResumed;
    bool FStarted = false;
    bool FSkipExecute = false;
    Integer FResumeCount = 0;
    std::exception_ptr FFatalException;
};
