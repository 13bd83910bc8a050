// Messages: the queue of each thread, sending (also across threads, with time-outs), posting,
// retrieval in the system's order, dispatching, the waits of the message loop, broadcasts, and
// the hooks the runtime's threads call into.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

#include "platform/runtime/Clock.h"
#include "platform/runtime/Threads.h"
#include "platform/winapi/WinError.h"
#include "platform/winapi/WinInternal.h"

using namespace WinInternal;

namespace {

std::atomic<TWinBackend*> gBackend{nullptr};

std::mutex gExceptionLock;
TWinExceptionHandler gExceptionHandler;

std::map<DWORD, std::unique_ptr<TQueue>>& Queues() {
    static auto* queues = new std::map<DWORD, std::unique_ptr<TQueue>>;
    return *queues;
}

std::uint64_t gInputSeq = 0;

// The messages being handled on this thread: the send of another thread, or null for one of
// this thread's own sends and dispatches.
thread_local std::vector<TSentMessage*> tHandling;

struct THandlingScope {
    explicit THandlingScope(TSentMessage* s) { tHandling.push_back(s); }
    ~THandlingScope() { tHandling.pop_back(); }
};

bool IsMouseMessage(UINT m) {
    return (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) || (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONDBLCLK);
}

bool IsKeyMessage(UINT m) { return m >= WM_KEYFIRST && m <= WM_KEYLAST; }

bool RangeMatches(UINT message, UINT min, UINT max) {
    if (min == 0 && max == 0) return true;
    if (min <= max) return message >= min && message <= max;
    // A reversed range takes everything outside the gap.
    return message >= min || message <= max;
}

void Complete(const std::shared_ptr<TSentMessage>& s, LRESULT result) {
    {
        TLock lock(StateMutex());
        if (s->Replied) return;
        s->Replied = true;
        s->Result = result;
    }
    s->Done->Set();
}

// Releases everyone who waits for the queue of a thread that ends.
struct TQueueOwner {
    DWORD ThreadId = 0;
    ~TQueueOwner() {
        if (!ThreadId) return;
        std::vector<std::shared_ptr<TSentMessage>> pending;
        {
            TLock lock(StateMutex());
            auto it = Queues().find(ThreadId);
            if (it == Queues().end()) return;
            it->second->Dead = true;
            pending.assign(it->second->Sent.begin(), it->second->Sent.end());
            Queues().erase(it);
        }
        for (auto& s : pending)
            Complete(s, 0);
    }
};
thread_local TQueueOwner tQueueOwner;

bool MessageWaitHook(DWORD mask);

void WakeMainThreadForSync() {
    TLock lock(StateMutex());
    TQueue* q = QueueOf(MainThreadID.load());
    if (!q) return;
    q->SyncPending = true;
    NotifyQueue(q, QS_SENDMESSAGE);
}

void InstallRuntimeHooks() {
    static std::once_flag once;
    std::call_once(once, [] {
        SetMessageWaitHook(MessageWaitHook);
        SetServeSentMessagesHook([] { ServeSent(); });
        SetWakeMainThread(WakeMainThreadForSync);
    });
}

bool HasWakeLocked(TQueue* q, UINT mask, bool inputAvailable) {
    if (!q->Sent.empty() || q->SyncPending) return true;
    CheckTimers(q->ThreadId);
    UINT bits = q->ChangeBits;
    if (inputAvailable) bits |= PresentBits(q) & QS_INPUT;
    return (bits & mask) != 0;
}

bool MessageWaitHook(DWORD mask) {
    TLock lock(StateMutex());
    TQueue* q = QueueOf(GetCurrentThreadId());
    if (!q) return false;
    if (mask == QS_SENDMESSAGE) return !q->Sent.empty();
    return HasWakeLocked(q, mask, false);
}

// Waits until the thread has messages of the kinds in mask (new since the last look, or present
// with inputAvailable), an object is signalled or the time is over. Sends of other threads are
// served meanwhile.
DWORD WaitCore(const std::vector<std::shared_ptr<TKernelObject>>& objects, bool waitAll, DWORD milliseconds,
               UINT mask, bool inputAvailable) {
    const DWORD count = DWORD(objects.size());
    const bool timed = milliseconds != INFINITE;
    const Int64 deadline = timed ? ClockMonotonicMicros() + Int64(milliseconds) * 1000 : 0;
    for (;;) {
        // A send served here ends the wait like any message: the caller looks again at what it
        // waits for.
        if (ServeSent() && (mask & QS_SENDMESSAGE)) return WAIT_OBJECT_0 + count;
        Int64 nextTimer = -1;
        {
            TLock lock(StateMutex());
            TQueue* q = CurrentQueue();
            if (HasWakeLocked(q, mask, inputAvailable)) {
                if (!q->Sent.empty() || q->SyncPending) continue;
                return WAIT_OBJECT_0 + count;
            }
            if (mask & QS_TIMER) nextTimer = CheckTimers(q->ThreadId);
        }
        Int64 now = ClockMonotonicMicros();
        if (timed && now >= deadline) {
            if (count == 0) return WAIT_TIMEOUT;
            DWORD r = WaitForKernelObjects(objects, waitAll, 0);
            return r;
        }
        Int64 until = timed ? deadline : -1;
        if (nextTimer >= 0 && (until < 0 || nextTimer < until)) until = nextTimer;
        DWORD wait = INFINITE;
        if (until >= 0)
            wait = until <= now ? 0 : DWORD(std::min<Int64>((until - now + 999) / 1000, 0x7FFFFFFE));
        TWinBackend* backend = gBackend.load();
        DWORD r;
        if (backend && !waitAll && backend->EventThreadId() == GetCurrentThreadId()) {
            r = backend->WaitForEvents(objects, wait);
            if (r == WinWaitBackendEvents) continue;
            // The display's wait does not look at our queue: look again.
            if (r == WAIT_TIMEOUT) continue;
        } else {
            r = WaitForKernelObjects(objects, waitAll, wait, true, mask | QS_SENDMESSAGE);
        }
        if (r == WAIT_FAILED) return WAIT_FAILED;
        if (r < WAIT_OBJECT_0 + count || (r >= WAIT_ABANDONED_0 && r < WAIT_ABANDONED_0 + count)) return r;
        // Messages, a timer or the deadline: the top of the loop decides.
    }
}

std::vector<std::shared_ptr<TKernelObject>> ObjectsOf(DWORD count, const HANDLE* handles, bool& ok) {
    std::vector<std::shared_ptr<TKernelObject>> objects;
    ok = true;
    if (count > MAXIMUM_WAIT_OBJECTS || (count > 0 && !handles)) {
        ok = false;
        return objects;
    }
    for (DWORD i = 0; i < count; ++i) {
        auto object = FindKernelObject(handles[i]);
        if (!object) {
            ok = false;
            return {};
        }
        objects.push_back(std::move(object));
    }
    return objects;
}

void ReceiveSent(const std::shared_ptr<TSentMessage>& s) {
    THandlingScope scope(s.get());
    LRESULT result = 0;
    try {
        if (IsWindow(s->Window)) result = SendSameThread(s->Window, s->Message, s->WParam, s->LParam, true);
    } catch (...) {
        Complete(s, 0);
        throw;
    }
    Complete(s, result);
}

// Queues a send for another thread (with the lock held).
std::shared_ptr<TSentMessage> QueueSend(TQueue* target, HWND window, UINT message, WPARAM wParam,
                                        LPARAM lParam, bool notify) {
    auto s = std::make_shared<TSentMessage>();
    s->Window = window;
    s->Message = message;
    s->WParam = wParam;
    s->LParam = lParam;
    s->Sender = GetCurrentThreadId();
    s->Notify = notify;
    target->Sent.push_back(s);
    NotifyQueue(target, QS_SENDMESSAGE);
    return s;
}

bool WaitForReply(const std::shared_ptr<TSentMessage>& s, UINT flags, DWORD timeout, LRESULT& result) {
    const bool timed = timeout != INFINITE;
    const Int64 deadline = timed ? ClockMonotonicMicros() + Int64(timeout) * 1000 : 0;
    const std::vector<std::shared_ptr<TKernelObject>> objects{s->Done};
    for (;;) {
        DWORD wait = INFINITE;
        if (timed) {
            Int64 left = deadline - ClockMonotonicMicros();
            wait = left <= 0 ? 0 : DWORD((left + 999) / 1000);
        }
        DWORD r = WaitForKernelObjects(objects, false, wait, !(flags & SMTO_BLOCK), QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0) {
            result = s->Result;
            return true;
        }
        if (r == WAIT_OBJECT_0 + 1) {
            ServeSent();
            continue;
        }
        TLock lock(StateMutex());
        if (s->Replied) {
            result = s->Result;
            return true;
        }
        // The message stays queued: the receiver runs it when it gets to it.
        s->Abandoned = true;
        return false;
    }
}

LRESULT SendCore(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, DWORD timeout,
                 bool notify, bool& ok) {
    ok = true;
    TQueue* target = nullptr;
    std::shared_ptr<TSentMessage> pending;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            ok = false;
            return 0;
        }
        if (w->ThreadId != GetCurrentThreadId()) {
            target = QueueOf(w->ThreadId);
            if (!target || target->Dead) {
                ok = false;
                return 0;
            }
            pending = QueueSend(target, window, message, wParam, lParam, notify);
        }
    }
    if (!pending) return SendSameThread(window, message, wParam, lParam, false);
    if (notify) return TRUE;
    LRESULT result = 0;
    if (!WaitForReply(pending, flags, timeout, result)) {
        SetLastError(ERROR_TIMEOUT);
        ok = false;
        return 0;
    }
    return result;
}

void Broadcast(UINT message, WPARAM wParam, LPARAM lParam, bool post, bool notify) {
    for (HWND h : TopLevelWindows()) {
        if (!IsWindow(h)) continue;
        if (post)
            PostMessageA(h, message, wParam, lParam);
        else if (notify)
            SendNotifyMessageA(h, message, wParam, lParam);
        else
            SendMessageA(h, message, wParam, lParam);
    }
}

// Set while the display delivers its events from inside a retrieval, so that a retrieval made by
// one of those events does not start another round.
thread_local bool tDeliveringDisplayEvents = false;

// Retrieval takes in what the display has: its input and painting requests become messages first.
void TakeDisplayEvents() {
    TWinBackend* backend = gBackend.load();
    if (!backend || tDeliveringDisplayEvents || backend->EventThreadId() != GetCurrentThreadId()) return;
    tDeliveringDisplayEvents = true;
    try {
        backend->ProcessEvents();
    } catch (...) {
        tDeliveringDisplayEvents = false;
        throw;
    }
    tDeliveringDisplayEvents = false;
}

bool PeekCore(MSG* out, HWND filter, UINT min, UINT max, UINT flags) {
    TakeDisplayEvents();
    const bool remove = (flags & PM_REMOVE) != 0;
    const UINT kinds = (flags >> 16) ? ((flags >> 16) | QS_ALLPOSTMESSAGE) : 0xFFFF;
    const DWORD self = GetCurrentThreadId();
    for (;;) {
        if (kinds & QS_SENDMESSAGE) ServeSent();
        MSG m;
        bool found = false;
        bool fromInput = false;
        TQueuedInput input;
        {
            TLock lock(StateMutex());
            TQueue* q = CurrentQueue();
            q->ChangeBits = 0;
            if (kinds & QS_POSTMESSAGE) {
                for (auto it = q->Posted.begin(); it != q->Posted.end(); ++it) {
                    if (!RangeMatches(it->message, min, max) || !MatchesWindow(filter, it->hwnd)) continue;
                    m = *it;
                    if (remove) q->Posted.erase(it);
                    found = true;
                    break;
                }
                if (!found && q->QuitPending && RangeMatches(WM_QUIT, min, max) &&
                    (filter == nullptr || filter == reinterpret_cast<HWND>(std::intptr_t(-1)))) {
                    m = MSG{};
                    m.message = WM_QUIT;
                    m.wParam = WPARAM(q->QuitCode);
                    m.time = GetTickCount();
                    m.pt = Input().Cursor;
                    if (remove) q->QuitPending = false;
                    found = true;
                }
            }
            if (!found && (kinds & QS_INPUT)) {
                // Keys go to the window that has the focus when they are read, not to the one
                // that had it when they arrived: Tab then Enter types Enter into the next control.
                TWnd* focus = Find(Input().Focus);
                const HWND keyTarget = focus != nullptr && focus->ThreadId == self ? focus->Handle : nullptr;
                for (auto& entry : q->Input) {
                    if (keyTarget != nullptr && IsKeyMessage(entry.Msg.message)) entry.Msg.hwnd = keyTarget;
                    if (!RangeMatches(entry.Msg.message, min, max) || !MatchesWindow(filter, entry.Msg.hwnd))
                        continue;
                    input = entry;
                    m = entry.Msg;
                    found = true;
                    fromInput = true;
                    break;
                }
            }
        }
        if (found && fromInput) {
            const int code = remove ? HC_ACTION : HC_NOREMOVE;
            bool swallowed = false;
            if (IsMouseMessage(m.message) && HasHooks(WH_MOUSE)) {
                MOUSEHOOKSTRUCT mhs;
                mhs.pt = m.pt;
                mhs.hwnd = m.hwnd;
                mhs.wHitTestCode = UINT(input.HitTest);
                swallowed = CallHooks(WH_MOUSE, code, m.message, LPARAM(&mhs)) != 0;
            } else if (IsKeyMessage(m.message) && HasHooks(WH_KEYBOARD)) {
                swallowed = CallHooks(WH_KEYBOARD, code, m.wParam, m.lParam) != 0;
            }
            if (swallowed || remove) {
                TLock lock(StateMutex());
                TQueue* q = CurrentQueue();
                auto it = std::find_if(q->Input.begin(), q->Input.end(), [&](const TQueuedInput& x) {
                    return x.Msg.lPrivate == input.Msg.lPrivate;
                });
                if (it != q->Input.end()) q->Input.erase(it);
                if (!swallowed) SyncKeyState(q, input);
            }
            if (swallowed) continue;
            if (remove && IsMouseMessage(m.message) && !PrepareMouseMessage(input)) continue;
        }
        if (!found && (kinds & QS_SENDMESSAGE)) {
            if (ServeSent()) continue;
        }
        if (!found && (kinds & QS_PAINT) && RangeMatches(WM_PAINT, min, max)) {
            HWND h = FindPaintWindow(self, filter);
            if (h) {
                m = MSG{};
                m.hwnd = h;
                m.message = WM_PAINT;
                m.time = GetTickCount();
                TLock lock(StateMutex());
                m.pt = Input().Cursor;
                found = true;
            }
        }
        if (!found && (kinds & QS_TIMER) && RangeMatches(WM_TIMER, min, max)) {
            TLock lock(StateMutex());
            found = TakeTimer(self, filter, remove, m);
        }
        if (!found) return false;
        if (HasHooks(WH_GETMESSAGE))
            CallHooks(WH_GETMESSAGE, HC_ACTION, remove ? PM_REMOVE : PM_NOREMOVE, LPARAM(&m));
        {
            TLock lock(StateMutex());
            TQueue* q = CurrentQueue();
            q->LastTime = m.time;
            q->LastPos = m.pt;
        }
        *out = m;
        return true;
    }
}

} // namespace

// ================================================================================================
// Internal.

namespace WinInternal {

TQueue* QueueOf(DWORD threadId) {
    auto& queues = Queues();
    auto it = queues.find(threadId);
    return it == queues.end() ? nullptr : it->second.get();
}

TQueue* CurrentQueue() {
    DWORD self = GetCurrentThreadId();
    TQueue* q = QueueOf(self);
    if (q) return q;
    InstallRuntimeHooks();
    auto queue = std::make_unique<TQueue>();
    queue->ThreadId = self;
    q = queue.get();
    Queues()[self] = std::move(queue);
    tQueueOwner.ThreadId = self;
    return q;
}

void NotifyQueue(TQueue* queue, UINT bits) {
    queue->ChangeBits |= bits;
    WakeMessageWaiters();
    TWinBackend* backend = gBackend.load();
    if (backend && backend->EventThreadId() == queue->ThreadId) {
        AfterUnlock([] {
            if (TWinBackend* b = gBackend.load()) b->Wake();
        });
    }
}

UINT PresentBits(TQueue* q) {
    UINT bits = 0;
    if (!q->Posted.empty() || q->QuitPending) bits |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
    for (const auto& input : q->Input) {
        UINT m = input.Msg.message;
        if (IsKeyMessage(m))
            bits |= QS_KEY;
        else if (m == WM_MOUSEMOVE || m == WM_NCMOUSEMOVE)
            bits |= QS_MOUSEMOVE;
        else
            bits |= QS_MOUSEBUTTON;
    }
    if (!q->Sent.empty()) bits |= QS_SENDMESSAGE;
    if (FindPaintWindow(q->ThreadId, nullptr)) bits |= QS_PAINT;
    return bits;
}

bool MatchesWindow(HWND filter, HWND window) {
    if (filter == nullptr) return true;
    if (filter == reinterpret_cast<HWND>(std::intptr_t(-1))) return window == nullptr;
    if (window == filter) return true;
    TWnd* f = Find(filter);
    TWnd* w = Find(window);
    return f && w && IsAncestor(f, w);
}

void PurgeWindowMessages(TWnd* w) {
    TQueue* q = QueueOf(w->ThreadId);
    if (!q) return;
    HWND h = w->Handle;
    q->Posted.erase(
        std::remove_if(q->Posted.begin(), q->Posted.end(), [h](const MSG& m) { return m.hwnd == h; }),
        q->Posted.end());
    q->Input.erase(std::remove_if(q->Input.begin(), q->Input.end(),
                                  [h](const TQueuedInput& x) { return x.Msg.hwnd == h; }),
                   q->Input.end());
}

bool PostTo(TQueue* queue, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!queue || queue->Dead) return false;
    MSG m;
    m.hwnd = window;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = GetTickCount();
    m.pt = Input().Cursor;
    queue->Posted.push_back(m);
    NotifyQueue(queue, QS_POSTMESSAGE | QS_ALLPOSTMESSAGE);
    return true;
}

void QueueInput(TWnd* target, const MSG& msg, LRESULT hitTest) {
    TQueue* q = QueueOf(target->ThreadId);
    if (!q) return;
    TQueuedInput input;
    input.Msg = msg;
    input.Msg.hwnd = target->Handle;
    input.HitTest = hitTest;
    // Moves of the pointer that nobody has read yet are merged into the newest.
    if ((msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) && !q->Input.empty()) {
        TQueuedInput& last = q->Input.back();
        if (last.Msg.message == msg.message && last.Msg.hwnd == target->Handle &&
            last.Msg.wParam == msg.wParam) {
            std::uint32_t keep = last.Msg.lPrivate;
            last = input;
            last.Msg.lPrivate = keep;
            NotifyQueue(q, QS_MOUSEMOVE);
            return;
        }
    }
    if (input.Msg.lPrivate == 0) input.Msg.lPrivate = std::uint32_t(++gInputSeq | 0x80000000u);
    q->Input.push_back(input);
    UINT bits = IsKeyMessage(msg.message)                                        ? QS_KEY
                : (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) ? QS_MOUSEMOVE
                                                                                 : QS_MOUSEBUTTON;
    NotifyQueue(q, bits);
}

bool ServeSent() {
    bool any = false;
    const DWORD self = GetCurrentThreadId();
    if (self == MainThreadID.load()) {
        {
            TLock lock(StateMutex());
            if (TQueue* q = QueueOf(self)) q->SyncPending = false;
        }
        if (CheckSynchronize()) any = true;
    }
    for (;;) {
        std::shared_ptr<TSentMessage> s;
        {
            TLock lock(StateMutex());
            TQueue* q = QueueOf(self);
            if (!q) break;
            if (q->Sent.empty()) {
                // Sends are served here, never handed out: they do not count as new messages.
                if (!q->SyncPending) q->ChangeBits &= ~QS_SENDMESSAGE;
                break;
            }
            s = q->Sent.front();
            q->Sent.pop_front();
        }
        any = true;
        ReceiveSent(s);
    }
    return any;
}

LRESULT CallProc(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CheckUnlocked();
    return proc(window, message, wParam, lParam);
}

LRESULT CallWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc = nullptr;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return 0;
        proc = w->Proc;
    }
    return CallProc(proc, window, message, wParam, lParam);
}

LRESULT SendSameThread(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool fromOtherThread) {
    const WPARAM sentHere = fromOtherThread ? 0 : 1;
    if (HasHooks(WH_CALLWNDPROC)) {
        CWPSTRUCT cwp;
        cwp.lParam = lParam;
        cwp.wParam = wParam;
        cwp.message = message;
        cwp.hwnd = window;
        CallHooks(WH_CALLWNDPROC, HC_ACTION, sentHere, LPARAM(&cwp));
    }
    LRESULT result;
    if (fromOtherThread) {
        result = CallWindow(window, message, wParam, lParam);
    } else {
        THandlingScope scope(nullptr);
        result = CallWindow(window, message, wParam, lParam);
    }
    if (HasHooks(WH_CALLWNDPROCRET)) {
        CWPRETSTRUCT ret;
        ret.lResult = result;
        ret.lParam = lParam;
        ret.wParam = wParam;
        ret.message = message;
        ret.hwnd = window;
        CallHooks(WH_CALLWNDPROCRET, HC_ACTION, sentHere, LPARAM(&ret));
    }
    return result;
}

} // namespace WinInternal

// ================================================================================================
// Public calls.

TWinBackend* WinSetBackend(TWinBackend* backend) { return gBackend.exchange(backend); }
TWinBackend* WinGetBackend() { return gBackend.load(); }

TWinExceptionHandler WinSetExceptionHandler(TWinExceptionHandler handler) {
    std::lock_guard<std::mutex> guard(gExceptionLock);
    std::swap(gExceptionHandler, handler);
    return handler;
}

void WinHandleException(std::exception_ptr error) {
    TWinExceptionHandler handler;
    {
        std::lock_guard<std::mutex> guard(gExceptionLock);
        handler = gExceptionHandler;
    }
    if (handler) {
        try {
            handler(error);
            return;
        } catch (...) {
            error = std::current_exception();
        }
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Unhandled exception: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "Unhandled exception\n");
    }
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window == HWND_BROADCAST) {
        Broadcast(message, wParam, lParam, false, false);
        return 0;
    }
    bool ok;
    return SendCore(window, message, wParam, lParam, SMTO_NORMAL, INFINITE, false, ok);
}

LRESULT SendMessageTimeoutA(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeout,
                            DWORD_PTR* result) {
    if (window == HWND_BROADCAST) {
        for (HWND h : TopLevelWindows())
            SendMessageTimeoutA(h, message, wParam, lParam, flags, timeout, nullptr);
        return TRUE;
    }
    bool ok;
    LRESULT r = SendCore(window, message, wParam, lParam, flags, timeout, false, ok);
    if (!ok) {
        if (result) *result = 0;
        return 0;
    }
    if (result) *result = DWORD_PTR(r);
    return TRUE;
}

BOOL SendNotifyMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window == HWND_BROADCAST) {
        Broadcast(message, wParam, lParam, false, true);
        return TRUE;
    }
    bool ok;
    SendCore(window, message, wParam, lParam, SMTO_NORMAL, INFINITE, true, ok);
    return ok ? TRUE : FALSE;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window == HWND_BROADCAST) {
        Broadcast(message, wParam, lParam, true, false);
        return TRUE;
    }
    TLock lock(StateMutex());
    if (!window) return PostTo(CurrentQueue(), nullptr, message, wParam, lParam) ? TRUE : FALSE;
    TWnd* w = Find(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    TQueue* q = QueueOf(w->ThreadId);
    if (!q) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    return PostTo(q, window, message, wParam, lParam) ? TRUE : FALSE;
}

BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    TLock lock(StateMutex());
    TQueue* q = QueueOf(threadId);
    if (!q || q->Dead) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    return PostTo(q, nullptr, message, wParam, lParam) ? TRUE : FALSE;
}

void PostQuitMessage(int exitCode) {
    TLock lock(StateMutex());
    TQueue* q = CurrentQueue();
    q->QuitPending = true;
    q->QuitCode = exitCode;
    NotifyQueue(q, QS_POSTMESSAGE | QS_ALLPOSTMESSAGE);
}

BOOL InSendMessage() { return !tHandling.empty() && tHandling.back() != nullptr; }

DWORD InSendMessageEx(LPVOID) {
    if (tHandling.empty() || tHandling.back() == nullptr) return ISMEX_NOSEND;
    TSentMessage* s = tHandling.back();
    DWORD result = s->Notify ? ISMEX_NOTIFY : ISMEX_SEND;
    TLock lock(StateMutex());
    if (s->Replied) result |= ISMEX_REPLIED;
    return result;
}

BOOL ReplyMessage(LRESULT result) {
    if (tHandling.empty() || tHandling.back() == nullptr) return FALSE;
    TSentMessage* s = tHandling.back();
    {
        TLock lock(StateMutex());
        if (s->Replied) return FALSE;
        s->Replied = true;
        s->Result = result;
    }
    s->Done->Set();
    return TRUE;
}

BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (!msg) return FALSE;
    if (window && window != reinterpret_cast<HWND>(std::intptr_t(-1)) && !IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return PeekCore(msg, window, filterMin, filterMax, removeFlags) ? TRUE : FALSE;
}

BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax) {
    if (!msg) return -1;
    for (;;) {
        if (window && window != reinterpret_cast<HWND>(std::intptr_t(-1)) && !IsWindow(window)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return -1;
        }
        if (PeekCore(msg, window, filterMin, filterMax, PM_REMOVE))
            return msg->message == WM_QUIT ? FALSE : TRUE;
        WaitCore({}, false, INFINITE, QS_ALLINPUT, false);
    }
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        // Only a procedure that belongs to a live timer is called.
        TIMERPROC proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        bool known = false;
        {
            TLock lock(StateMutex());
            known = TimerHasProc(msg->hwnd, msg->wParam, proc);
        }
        if (!known) return 0;
        THandlingScope scope(nullptr);
        CheckUnlocked();
        proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    if (!msg->hwnd) return 0;
    WNDPROC proc = nullptr;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(msg->hwnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (w->ThreadId != GetCurrentThreadId()) {
            SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
            return 0;
        }
        proc = w->Proc;
        if (msg->message == WM_PAINT) w->BeganPaint = false;
    }
    LRESULT result;
    {
        THandlingScope scope(nullptr);
        result = CallProc(proc, msg->hwnd, msg->message, msg->wParam, msg->lParam);
    }
    if (msg->message == WM_PAINT) {
        // A window that does not paint when asked is taken as painted; otherwise it would be asked
        // again for ever.
        TLock lock(StateMutex());
        TWnd* w = Find(msg->hwnd);
        if (w && !w->BeganPaint) {
            w->Update.Clear();
            w->Erase = false;
            w->InternalPaint = false;
            w->NcPaint = false;
        }
    }
    return result;
}

BOOL WaitMessage() {
    WaitCore({}, false, INFINITE, QS_ALLINPUT, false);
    return TRUE;
}

DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD milliseconds, DWORD wakeMask,
                                  DWORD flags) {
    bool ok;
    auto objects = ObjectsOf(count, handles, ok);
    if (!ok) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return WaitCore(objects, (flags & MWMO_WAITALL) != 0 && count > 0, milliseconds, wakeMask,
                    (flags & MWMO_INPUTAVAILABLE) != 0);
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                                DWORD wakeMask) {
    return MsgWaitForMultipleObjectsEx(count, handles, milliseconds, wakeMask, waitAll ? MWMO_WAITALL : 0);
}

DWORD GetQueueStatus(UINT flags) {
    TLock lock(StateMutex());
    TQueue* q = CurrentQueue();
    CheckTimers(q->ThreadId);
    UINT present = PresentBits(q);
    if (TimerDue(q->ThreadId)) present |= QS_TIMER;
    UINT changed = q->ChangeBits;
    q->ChangeBits = 0;
    return MAKELONG(WORD(present & flags), WORD(changed & flags));
}

BOOL GetInputState() {
    TLock lock(StateMutex());
    TQueue* q = CurrentQueue();
    return (PresentBits(q) & (QS_KEY | QS_MOUSEBUTTON)) != 0;
}

BOOL CallMsgFilterA(MSG* msg, int code) {
    if (!msg) return FALSE;
    if (HasHooks(WH_SYSMSGFILTER) && CallHooks(WH_SYSMSGFILTER, code, 0, LPARAM(msg))) return TRUE;
    return CallHooks(WH_MSGFILTER, code, 0, LPARAM(msg)) != 0;
}

DWORD GetMessagePos() {
    TLock lock(StateMutex());
    TQueue* q = CurrentQueue();
    return MAKELONG(WORD(q->LastPos.x), WORD(q->LastPos.y));
}

LONG GetMessageTime() {
    TLock lock(StateMutex());
    return LONG(CurrentQueue()->LastTime);
}

LPARAM GetMessageExtraInfo() { return 0; }

DWORD WinPumpPending(bool* quit) {
    if (quit) *quit = false;
    MSG m;
    while (PeekCore(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            PostQuitMessage(int(m.wParam));
            if (quit) *quit = true;
            break;
        }
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    TLock lock(StateMutex());
    Int64 next = CheckTimers(GetCurrentThreadId());
    if (TimerDue(GetCurrentThreadId())) return 0;
    if (next < 0) return INFINITE;
    Int64 left = next - ClockMonotonicMicros();
    return left <= 0 ? 0 : DWORD(std::min<Int64>((left + 999) / 1000, 0x7FFFFFFE));
}

// ---- System notifications ------------------------------------------------------------------------

void WinNotifySysColorChange() { SendMessageA(HWND_BROADCAST, WM_SYSCOLORCHANGE, 0, 0); }

void WinNotifySettingChange(UINT action, LPCSTR area) {
    SendMessageA(HWND_BROADCAST, WM_SETTINGCHANGE, WPARAM(action), LPARAM(area));
}

void WinNotifyTimeChange() { SendMessageA(HWND_BROADCAST, WM_TIMECHANGE, 0, 0); }

void WinNotifyThemeChanged() { SendMessageA(HWND_BROADCAST, WM_THEMECHANGED, 0, 0); }
