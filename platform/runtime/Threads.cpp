#include "platform/runtime/Threads.h"

#include <deque>
#include <system_error>
#include <vector>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/SyncObjs.h"

namespace {

std::atomic<DWORD> gNextThreadId{1};
thread_local DWORD tCurrentThreadId = 0;

// The kernel object behind a thread's handle: signalled when the thread has ended. It keeps the
// return value, so a wait outlives a thread object that frees itself.
class TThreadObject : public TEventObject {
public:
    TThreadObject() : TEventObject(true, false) {}
    std::atomic<Integer> ExitCode{0};
    std::atomic<bool> Finished{false};
};

// ---------------------------------------------------------------------------------------------
// Calls queued for the user-interface thread.

struct TSyncItem {
    TThreadMethod Method;
    bool Synchronous = false;
    bool Done = false;
    std::exception_ptr Error;
};

std::mutex gSyncLock;
std::condition_variable gSyncDone;
std::deque<std::shared_ptr<TSyncItem>> gSyncQueue;

// Signalled while calls are queued, so that WaitFor on the user-interface thread wakes for them.
const std::shared_ptr<TEventObject>& SyncEvent() {
    static const auto event = std::make_shared<TEventObject>(true, false);
    return event;
}

std::mutex gHookLock;
std::function<void()> gWakeMainThread;
std::function<void()> gServeSentMessages;

std::function<void()> CurrentHook(const std::function<void()>& hook) {
    std::lock_guard<std::mutex> guard(gHookLock);
    return hook;
}

bool OnMainThread() { return GetCurrentThreadId() == MainThreadID.load(); }

void Enqueue(const std::shared_ptr<TSyncItem>& item) {
    {
        std::lock_guard<std::mutex> guard(gSyncLock);
        gSyncQueue.push_back(item);
        SyncEvent()->Set();
    }
    if (auto wake = CurrentHook(gWakeMainThread)) wake();
}

} // namespace

DWORD GetCurrentThreadId() {
    if (tCurrentThreadId == 0) tCurrentThreadId = gNextThreadId.fetch_add(1);
    return tCurrentThreadId;
}

// Static initialisation runs on the thread that starts the program.
std::atomic<DWORD> MainThreadID{GetCurrentThreadId()};

void SetMainThreadID(DWORD threadId) { MainThreadID = threadId; }

bool CheckSynchronize() {
    if (!OnMainThread())
        throw EThread("CheckSynchronize called from a thread other than the user-interface thread");
    size_t pending;
    {
        std::lock_guard<std::mutex> guard(gSyncLock);
        pending = gSyncQueue.size();
        if (pending == 0) {
            SyncEvent()->Reset();
            return false;
        }
    }
    // Only the calls queued so far: a call that queues another does not keep this loop going.
    for (; pending > 0; --pending) {
        std::shared_ptr<TSyncItem> item;
        {
            std::lock_guard<std::mutex> guard(gSyncLock);
            if (gSyncQueue.empty()) break;
            item = gSyncQueue.front();
            gSyncQueue.pop_front();
            if (gSyncQueue.empty()) SyncEvent()->Reset();
        }
        if (!item->Synchronous) {
            item->Method();
            continue;
        }
        try {
            item->Method();
        } catch (...) {
            item->Error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> guard(gSyncLock);
            item->Done = true;
        }
        gSyncDone.notify_all();
    }
    return true;
}

std::function<void()> SetWakeMainThread(std::function<void()> hook) {
    std::lock_guard<std::mutex> guard(gHookLock);
    std::swap(gWakeMainThread, hook);
    return hook;
}

std::function<void()> SetServeSentMessagesHook(std::function<void()> hook) {
    std::lock_guard<std::mutex> guard(gHookLock);
    std::swap(gServeSentMessages, hook);
    return hook;
}

// ---------------------------------------------------------------------------------------------

TThread::TThread(bool createSuspended)
    : FCreateSuspended(createSuspended), FThreadID(gNextThreadId.fetch_add(1)) {
    FThreadObject = std::make_shared<TThreadObject>();
    FHandle = RegisterKernelObject(FThreadObject);
}

TThread::~TThread() {
    auto object = std::static_pointer_cast<TThreadObject>(FThreadObject);
    bool onItself = GetCurrentThreadId() == FThreadID;
    if (!onItself && !object->Finished) {
        Terminate();
        {
            // The body of a thread that never started does not run: its object is half gone.
            std::lock_guard<std::mutex> guard(FStateLock);
            if (!FStarted) FSkipExecute = true;
        }
        // Always resumed: a thread that is about to suspend itself must not block the wait.
        Resume();
        for (;;) {
            try {
                WaitFor();
                break;
            } catch (...) {
                // A queued call failed while WaitFor served it; a destructor cannot pass it on.
            }
        }
    }
    if (FThread.joinable()) {
        if (onItself)
            FThread.detach();
        else
            FThread.join();
    }
    CloseHandle(FHandle);
}

void TThread::AfterConstruction() {
    std::lock_guard<std::mutex> guard(FStateLock);
    if (!FCreateSuspended && !FStarted) LaunchLocked();
}

void TThread::Start() {
    std::lock_guard<std::mutex> guard(FStateLock);
    if (FStarted) throw EThread("Cannot call Start on a running or suspended thread");
    LaunchLocked();
}

void TThread::Resume() {
    std::lock_guard<std::mutex> guard(FStateLock);
    if (!FStarted) {
        LaunchLocked();
        return;
    }
    ++FResumeCount;
    FResumed.notify_one();
}

void TThread::LaunchLocked() {
    try {
        FThread = std::thread([this] { ThreadProc(); });
    } catch (const std::system_error& e) {
        throw EThread(String("Thread creation error: ") + e.what());
    }
    FStarted = true;
    FSuspended = false;
}

void TThread::Suspend() {
    if (GetCurrentThreadId() != FThreadID) throw EThread("A thread can only suspend itself");
    std::unique_lock<std::mutex> lock(FStateLock);
    if (FResumeCount == 0) {
        FSuspended = true;
        FResumed.wait(lock, [this] { return FResumeCount > 0; });
        FSuspended = false;
    }
    --FResumeCount;
}

void TThread::SetSuspended(bool value) {
    if (value)
        Suspend();
    else
        Resume();
}

void TThread::Terminate() { FTerminated = true; }

std::exception_ptr TThread::GetFatalException() const {
    std::lock_guard<std::mutex> guard(FStateLock);
    return FFatalException;
}

DWORD TThread::WaitFor() {
    // Only the kernel object is used after the wait: a thread that frees itself may be gone.
    auto object = std::static_pointer_cast<TThreadObject>(FThreadObject);
    if (GetCurrentThreadId() == FThreadID) throw EThread("A thread cannot wait for itself");
    if (!OnMainThread()) {
        WaitForKernelObjects({object}, false, INFINITE);
        return static_cast<DWORD>(object->ExitCode.load());
    }
    const std::vector<std::shared_ptr<TKernelObject>> objects{object, SyncEvent()};
    for (;;) {
        DWORD result = WaitForKernelObjects(objects, false, INFINITE, true, WakeMaskSentMessages);
        if (result == WAIT_OBJECT_0 + 1) {
            CheckSynchronize();
        } else if (result == WAIT_OBJECT_0 + 2) {
            if (auto serve = CurrentHook(gServeSentMessages)) serve();
        } else {
            break;
        }
    }
    return static_cast<DWORD>(object->ExitCode.load());
}

void TThread::Synchronize(TThread* thread, TThreadMethod method) {
    if (!method) return;
    if (OnMainThread()) {
        method();
        return;
    }
    auto item = std::make_shared<TSyncItem>();
    item->Method = std::move(method);
    item->Synchronous = true;
    Enqueue(item);
    {
        std::unique_lock<std::mutex> lock(gSyncLock);
        gSyncDone.wait(lock, [&] { return item->Done; });
    }
    if (item->Error) std::rethrow_exception(item->Error);
}

void TThread::Queue(TThread* thread, TThreadMethod method) {
    if (!method) return;
    if (OnMainThread()) {
        method();
        return;
    }
    auto item = std::make_shared<TSyncItem>();
    item->Method = std::move(method);
    Enqueue(item);
}

void TThread::DoTerminate() {
    if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

void TThread::ThreadProc() {
    // Start assigns FThread while it holds the lock: passing through it makes sure the
    // assignment is complete before anything here can free the object.
    bool skipExecute;
    {
        std::lock_guard<std::mutex> guard(FStateLock);
        skipExecute = FSkipExecute;
    }
    tCurrentThreadId = FThreadID;
    if (!skipExecute) {
        try {
            Execute();
        } catch (...) {
            std::lock_guard<std::mutex> guard(FStateLock);
            FFatalException = std::current_exception();
        }
    }
    try {
        DoTerminate();
    } catch (...) {
        std::lock_guard<std::mutex> guard(FStateLock);
        if (!FFatalException) FFatalException = std::current_exception();
    }
    bool freeItself = FFreeOnTerminate;
    auto object = std::static_pointer_cast<TThreadObject>(FThreadObject);
    object->ExitCode = FReturnValue.load();
    object->Finished = true;
    // From here on another thread may delete the object (unless it frees itself).
    object->Set();
    if (freeItself) delete this;
}
