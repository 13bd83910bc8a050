// Hooks: chains of procedures that see messages before (or instead of) their windows. The chain
// for a thread is its own hooks, newest first, followed by the hooks of every thread, newest first.
#include <algorithm>
#include <set>

#include "platform/runtime/Threads.h"
#include "platform/winapi/WinError.h"
#include "platform/winapi/WinInternal.h"

using namespace WinInternal;

namespace {

struct THook {
    HHOOK Handle = nullptr;
    int Type = 0;
    HOOKPROC Proc = nullptr;
    DWORD ThreadId = 0; // 0: every thread
    std::uint64_t Seq = 0;
    bool Removed = false;
};

struct THookTable {
    std::vector<std::shared_ptr<THook>> Hooks; // installation order, removed ones included
    std::uint64_t NextSeq = 1;
    std::uintptr_t NextHandle = 0x30010;
};

THookTable& Table() {
    static auto* table = new THookTable;
    return *table;
}

// The hook types running on this thread: a hook does not run again inside itself.
thread_local std::set<int> tRunning;

bool Supported(int type) {
    switch (type) {
    case WH_MSGFILTER:
    case WH_KEYBOARD:
    case WH_GETMESSAGE:
    case WH_CALLWNDPROC:
    case WH_SYSMSGFILTER:
    case WH_MOUSE:
    case WH_CALLWNDPROCRET:
        return true;
    default:
        return false;
    }
}

// With the lock held: the chain as this thread sees it.
std::vector<std::shared_ptr<THook>> Chain(int type, DWORD thread) {
    std::vector<std::shared_ptr<THook>> own, all;
    for (auto& h : Table().Hooks) {
        if (h->Removed || h->Type != type) continue;
        if (h->ThreadId == thread)
            own.push_back(h);
        else if (h->ThreadId == 0)
            all.push_back(h);
    }
    auto newestFirst = [](const std::shared_ptr<THook>& a, const std::shared_ptr<THook>& b) {
        return a->Seq > b->Seq;
    };
    std::sort(own.begin(), own.end(), newestFirst);
    std::sort(all.begin(), all.end(), newestFirst);
    own.insert(own.end(), all.begin(), all.end());
    return own;
}

struct TRunningScope {
    int Type;
    explicit TRunningScope(int type) : Type(type) { tRunning.insert(type); }
    ~TRunningScope() { tRunning.erase(Type); }
};

} // namespace

namespace WinInternal {

bool HasHooks(int idHook) {
    TLock lock(StateMutex());
    DWORD thread = GetCurrentThreadId();
    for (auto& h : Table().Hooks)
        if (!h->Removed && h->Type == idHook && (h->ThreadId == 0 || h->ThreadId == thread)) return true;
    return false;
}

LRESULT CallHooks(int idHook, int code, WPARAM wParam, LPARAM lParam) {
    if (tRunning.count(idHook)) return 0;
    std::shared_ptr<THook> first;
    {
        TLock lock(StateMutex());
        auto chain = Chain(idHook, GetCurrentThreadId());
        if (chain.empty()) return 0;
        first = chain.front();
    }
    TRunningScope scope(idHook);
    CheckUnlocked();
    return first->Proc(code, wParam, lParam);
}

} // namespace WinInternal

HHOOK SetWindowsHookExA(int idHook, HOOKPROC proc, HINSTANCE, DWORD threadId) {
    if (!Supported(idHook)) {
        SetLastError(ERROR_INVALID_HOOK_FILTER);
        return nullptr;
    }
    if (!proc) {
        SetLastError(ERROR_INVALID_FILTER_PROC);
        return nullptr;
    }
    TLock lock(StateMutex());
    THookTable& t = Table();
    auto hook = std::make_shared<THook>();
    hook->Handle = reinterpret_cast<HHOOK>(t.NextHandle);
    t.NextHandle += 4;
    hook->Type = idHook;
    hook->Proc = proc;
    hook->ThreadId = threadId;
    hook->Seq = t.NextSeq++;
    t.Hooks.push_back(hook);
    return hook->Handle;
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
    TLock lock(StateMutex());
    for (auto& h : Table().Hooks) {
        if (h->Handle == hook && !h->Removed) {
            h->Removed = true;
            return TRUE;
        }
    }
    SetLastError(ERROR_INVALID_HOOK_HANDLE);
    return FALSE;
}

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<THook> next;
    {
        TLock lock(StateMutex());
        std::shared_ptr<THook> current;
        for (auto& h : Table().Hooks)
            if (h->Handle == hook) current = h;
        if (!current) return 0;
        // The next one after the current hook's place, even when the current one has been removed
        // meanwhile: the thread's own hooks come before every thread's, newer before older.
        for (auto& h : Chain(current->Type, GetCurrentThreadId())) {
            bool after = current->ThreadId != 0 ? (h->ThreadId == 0 || h->Seq < current->Seq)
                                                : (h->ThreadId == 0 && h->Seq < current->Seq);
            if (after && h != current) {
                next = h;
                break;
            }
        }
    }
    if (!next) return 0;
    CheckUnlocked();
    return next->Proc(code, wParam, lParam);
}
