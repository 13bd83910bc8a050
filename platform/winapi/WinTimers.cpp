// Timers on the runtime's clock. A timer that is due sets a flag; WM_TIMER is made from the flag
// when the queue has nothing else to give, and the timer starts over from the moment its
// WM_TIMER is taken off the queue.
#include <algorithm>

#include "platform/runtime/Clock.h"
#include "platform/runtime/Threads.h"
#include "platform/winapi/WinError.h"
#include "platform/winapi/WinInternal.h"

using namespace WinInternal;

namespace {

struct TTimer {
    HWND Window = nullptr;
    UINT_PTR Id = 0;
    UINT Elapse = 0;
    TIMERPROC Proc = nullptr;
    DWORD ThreadId = 0;
    Int64 Due = 0; // monotonic microseconds
    bool Fired = false;
};

std::vector<TTimer>& Timers() {
    static auto* timers = new std::vector<TTimer>;
    return *timers;
}

UINT_PTR gNextThreadTimerId = 0x7FFF0001;

UINT ClampElapse(UINT elapse) {
    if (elapse < USER_TIMER_MINIMUM) return USER_TIMER_MINIMUM;
    if (elapse > USER_TIMER_MAXIMUM) return USER_TIMER_MAXIMUM;
    return elapse;
}

} // namespace

namespace WinInternal {

Int64 CheckTimers(DWORD threadId) {
    Int64 now = ClockMonotonicMicros();
    Int64 earliest = -1;
    TQueue* q = QueueOf(threadId);
    for (TTimer& t : Timers()) {
        if (t.ThreadId != threadId) continue;
        if (!t.Fired && now >= t.Due) {
            t.Fired = true;
            if (q) q->ChangeBits |= QS_TIMER;
        }
        if (!t.Fired && (earliest < 0 || t.Due < earliest)) earliest = t.Due;
    }
    return earliest;
}

bool TimerDue(DWORD threadId) {
    for (const TTimer& t : Timers())
        if (t.ThreadId == threadId && t.Fired) return true;
    return false;
}

bool TakeTimer(DWORD threadId, HWND filter, bool remove, MSG& msg) {
    CheckTimers(threadId);
    for (TTimer& t : Timers()) {
        if (t.ThreadId != threadId || !t.Fired) continue;
        if (filter == reinterpret_cast<HWND>(std::intptr_t(-1))) {
            if (t.Window) continue;
        } else if (filter && !MatchesWindow(filter, t.Window)) {
            continue;
        }
        msg = MSG{};
        msg.hwnd = t.Window;
        msg.message = WM_TIMER;
        msg.wParam = t.Id;
        msg.lParam = LPARAM(t.Proc);
        msg.time = GetTickCount();
        msg.pt = Input().Cursor;
        if (remove) {
            t.Fired = false;
            t.Due = ClockMonotonicMicros() + Int64(t.Elapse) * 1000;
        }
        return true;
    }
    return false;
}

bool TimerHasProc(HWND window, UINT_PTR id, TIMERPROC proc) {
    for (const TTimer& t : Timers())
        if (t.Window == window && t.Id == id && t.Proc == proc) return true;
    return false;
}

void KillWindowTimers(HWND window) {
    auto& timers = Timers();
    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [window](const TTimer& t) { return t.Window == window; }),
                 timers.end());
}

} // namespace WinInternal

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    TLock lock(StateMutex());
    DWORD thread = GetCurrentThreadId();
    if (window) {
        TWnd* w = Find(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (w->ThreadId != thread) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
    }
    CurrentQueue();
    elapse = ClampElapse(elapse);
    Int64 due = ClockMonotonicMicros() + Int64(elapse) * 1000;
    auto& timers = Timers();
    for (TTimer& t : timers) {
        bool same = window ? (t.Window == window && t.Id == id)
                           : (!t.Window && t.ThreadId == thread && id != 0 && t.Id == id);
        if (same) {
            t.Elapse = elapse;
            t.Proc = proc;
            t.Due = due;
            t.Fired = false;
            return window ? (id ? id : 1) : t.Id;
        }
    }
    TTimer t;
    t.Window = window;
    t.Id = window ? id : gNextThreadTimerId++;
    t.Elapse = elapse;
    t.Proc = proc;
    t.ThreadId = thread;
    t.Due = due;
    timers.push_back(t);
    return window ? (id ? id : 1) : t.Id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    TLock lock(StateMutex());
    auto& timers = Timers();
    DWORD thread = GetCurrentThreadId();
    // Like SetTimer, only the thread of the window may stop its timers.
    if (window) {
        TWnd* w = Find(window);
        if (w && w->ThreadId != thread) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    auto it = std::find_if(timers.begin(), timers.end(), [&](const TTimer& t) {
        return t.Window == window && t.Id == id && (window || t.ThreadId == thread);
    });
    if (it == timers.end()) return FALSE;
    timers.erase(it);
    return TRUE;
}
