#include "platform/runtime/SyncObjs.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <thread>
#include <unordered_map>

#include "platform/runtime/Clock.h"

namespace {

// ---------------------------------------------------------------------------------------------
// The kernel state: one lock over the signal state of every object and the list of waits.
// Nothing is called out of this file while it is held, except IsSignaled/Satisfy of the
// objects and the clock (whose lock is always taken after this one).

std::mutex gKernelLock;

struct TWaiter {
    const std::vector<std::shared_ptr<TKernelObject>>* Objects = nullptr;
    bool WaitAll = false;
    bool HasDeadline = false;
    Int64 Deadline = 0;
    bool ForMessages = false;
    bool MessageWake = false;
    bool Done = false;
    DWORD Result = WAIT_FAILED;
    std::condition_variable Wake;
};

// In arrival order, so an auto-reset event releases the longest waiting thread.
std::vector<TWaiter*> gWaiters;
TMessageWaitHook gMessageWaitHook;

// With the kernel lock held: takes the objects when they satisfy the wait.
bool TrySatisfy(TWaiter& waiter) {
    const auto& objects = *waiter.Objects;
    if (objects.empty()) return false;
    if (waiter.WaitAll) {
        for (const auto& object : objects)
            if (!object->IsSignaled()) return false;
        for (const auto& object : objects)
            object->Satisfy();
        waiter.Result = WAIT_OBJECT_0;
        return true;
    }
    for (size_t i = 0; i < objects.size(); ++i) {
        if (objects[i]->IsSignaled()) {
            objects[i]->Satisfy();
            waiter.Result = WAIT_OBJECT_0 + static_cast<DWORD>(i);
            return true;
        }
    }
    return false;
}

// With the kernel lock held, after a signal state changed: releases every wait it satisfies.
void ReleaseSatisfiedWaiters() {
    for (TWaiter* waiter : gWaiters) {
        if (!waiter->Done && TrySatisfy(*waiter)) {
            waiter->Done = true;
            waiter->Wake.notify_one();
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The handle table.

std::mutex gTableLock;
std::unordered_map<std::uintptr_t, std::shared_ptr<TKernelObject>> gHandles;
std::map<String, std::weak_ptr<TEventObject>> gNamedEvents;
// Handle values are multiples of 4 from 0x100 up and come round again only after 2^30 handles.
constexpr std::uintptr_t FirstHandleValue = 0x100;
std::uintptr_t gNextHandleValue = FirstHandleValue;

HANDLE RegisterLocked(std::shared_ptr<TKernelObject> object) {
    std::uintptr_t value;
    do {
        value = gNextHandleValue;
        gNextHandleValue = gNextHandleValue >= 0xFFFFFFF0u ? FirstHandleValue : gNextHandleValue + 4;
    } while (gHandles.count(value) != 0);
    gHandles.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<TEventObject> FindEvent(HANDLE handle) { return FindKernelObjectAs<TEventObject>(handle); }

DWORD WaitForHandles(DWORD count, const HANDLE* handles, bool waitAll, DWORD milliseconds, bool forMessages,
                     DWORD wakeMask) {
    if ((count == 0 && !forMessages) || count > MAXIMUM_WAIT_OBJECTS || (count > 0 && handles == nullptr))
        return WAIT_FAILED;
    std::vector<std::shared_ptr<TKernelObject>> objects;
    objects.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        auto object = FindKernelObject(handles[i]);
        if (!object) return WAIT_FAILED;
        objects.push_back(std::move(object));
    }
    return WaitForKernelObjects(objects, waitAll, milliseconds, forMessages, wakeMask);
}

} // namespace

// ---------------------------------------------------------------------------------------------

void TKernelObject::ChangeState(const std::function<void()>& change) {
    std::lock_guard<std::mutex> guard(gKernelLock);
    change();
    ReleaseSatisfiedWaiters();
}

TEventObject::TEventObject(bool manualReset, bool initialState)
    : FManualReset(manualReset), FSignaled(initialState) {}

void TEventObject::Set() {
    std::lock_guard<std::mutex> guard(gKernelLock);
    FSignaled = true;
    ReleaseSatisfiedWaiters();
}

void TEventObject::Reset() {
    std::lock_guard<std::mutex> guard(gKernelLock);
    FSignaled = false;
}

void TEventObject::Pulse() {
    std::lock_guard<std::mutex> guard(gKernelLock);
    FSignaled = true;
    ReleaseSatisfiedWaiters();
    FSignaled = false;
}

void TEventObject::Satisfy() {
    if (!FManualReset) FSignaled = false;
}

HANDLE RegisterKernelObject(std::shared_ptr<TKernelObject> object) {
    if (!object) return nullptr;
    std::lock_guard<std::mutex> guard(gTableLock);
    return RegisterLocked(std::move(object));
}

std::shared_ptr<TKernelObject> FindKernelObject(HANDLE handle) {
    std::lock_guard<std::mutex> guard(gTableLock);
    auto it = gHandles.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == gHandles.end() ? nullptr : it->second;
}

int CloseHandle(HANDLE handle) {
    std::shared_ptr<TKernelObject> object;
    {
        std::lock_guard<std::mutex> guard(gTableLock);
        auto it = gHandles.find(reinterpret_cast<std::uintptr_t>(handle));
        if (it == gHandles.end()) return 0;
        object = std::move(it->second);
        gHandles.erase(it);
    }
    object->HandleClosed();
    return 1;
}

HANDLE CreateEventA(const void* eventAttributes, int manualReset, int initialState, const char* name) {
    std::lock_guard<std::mutex> guard(gTableLock);
    if (name != nullptr && *name != '\0') {
        auto it = gNamedEvents.find(name);
        if (it != gNamedEvents.end()) {
            if (auto existing = it->second.lock()) return RegisterLocked(existing);
        }
    }
    auto event = std::make_shared<TEventObject>(manualReset != 0, initialState != 0);
    if (name != nullptr && *name != '\0') gNamedEvents[name] = event;
    return RegisterLocked(event);
}

int SetEvent(HANDLE event) {
    auto object = FindEvent(event);
    if (!object) return 0;
    object->Set();
    return 1;
}

int ResetEvent(HANDLE event) {
    auto object = FindEvent(event);
    if (!object) return 0;
    object->Reset();
    return 1;
}

int PulseEvent(HANDLE event) {
    auto object = FindEvent(event);
    if (!object) return 0;
    object->Pulse();
    return 1;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    return WaitForHandles(1, &handle, false, milliseconds, false, 0);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, int waitAll, DWORD milliseconds) {
    return WaitForHandles(count, handles, waitAll != 0, milliseconds, false, 0);
}

DWORD WaitForObjectsOrMessages(DWORD count, const HANDLE* handles, int waitAll, DWORD milliseconds,
                               DWORD wakeMask) {
    return WaitForHandles(count, handles, waitAll != 0, milliseconds, true, wakeMask);
}

TMessageWaitHook SetMessageWaitHook(TMessageWaitHook hook) {
    std::lock_guard<std::mutex> guard(gKernelLock);
    std::swap(gMessageWaitHook, hook);
    return hook;
}

void WakeMessageWaiters() {
    std::lock_guard<std::mutex> guard(gKernelLock);
    for (TWaiter* waiter : gWaiters) {
        if (waiter->ForMessages && !waiter->Done) {
            waiter->MessageWake = true;
            waiter->Wake.notify_one();
        }
    }
}

DWORD WaitForKernelObjects(const std::vector<std::shared_ptr<TKernelObject>>& objects, bool waitAll,
                           DWORD milliseconds, bool forMessages, DWORD wakeMask) {
    for (const auto& object : objects)
        if (!object) return WAIT_FAILED;

    std::unique_lock<std::mutex> lock(gKernelLock);
    TWaiter waiter;
    waiter.Objects = &objects;
    waiter.WaitAll = waitAll;
    waiter.ForMessages = forMessages;
    if (TrySatisfy(waiter)) return waiter.Result;
    // A message wait asks the hook at once: messages already queued count.
    waiter.MessageWake = forMessages;
    if (milliseconds != INFINITE) {
        waiter.HasDeadline = true;
        waiter.Deadline = ClockMonotonicMicros() + Int64(milliseconds) * 1000;
    }
    if (milliseconds == 0 && !forMessages) return WAIT_TIMEOUT;

    gWaiters.push_back(&waiter);
    for (;;) {
        // A satisfied wait has already taken its object: that result stands, whatever else
        // happened meanwhile.
        if (waiter.Done) break;
        if (waiter.MessageWake) {
            waiter.MessageWake = false;
            TMessageWaitHook hook = gMessageWaitHook;
            lock.unlock();
            bool hasMessages = hook && hook(wakeMask);
            lock.lock();
            if (waiter.Done) break;
            if (hasMessages) {
                waiter.Result = WAIT_OBJECT_0 + static_cast<DWORD>(objects.size());
                break;
            }
            continue;
        }
        if (!waiter.HasDeadline) {
            waiter.Wake.wait(lock);
            continue;
        }
        Int64 now = ClockMonotonicMicros();
        if (now >= waiter.Deadline) {
            waiter.Result = WAIT_TIMEOUT;
            break;
        }
        // In manual mode only an advance of the clock (which wakes this wait) brings the deadline.
        if (ClockGetMode() == TClockMode::Manual)
            waiter.Wake.wait(lock);
        else
            waiter.Wake.wait_for(lock, std::chrono::microseconds(waiter.Deadline - now));
    }
    gWaiters.erase(std::find(gWaiters.begin(), gWaiters.end(), &waiter));
    return waiter.Result;
}

void WakeTimedWaiters() {
    std::lock_guard<std::mutex> guard(gKernelLock);
    if (gWaiters.empty()) return;
    Int64 now = ClockMonotonicMicros();
    for (TWaiter* waiter : gWaiters) {
        if (waiter->Done || !waiter->HasDeadline) continue;
        // The time-out is decided here, before the clock's caller goes on, so that after an
        // advance every wait is known to be either over or still pending.
        if (now >= waiter->Deadline) {
            waiter->Done = true;
            waiter->Result = WAIT_TIMEOUT;
        }
        waiter->Wake.notify_one();
    }
}

Integer BlockedWaitCount() {
    std::lock_guard<std::mutex> guard(gKernelLock);
    return static_cast<Integer>(
        std::count_if(gWaiters.begin(), gWaiters.end(), [](const TWaiter* waiter) { return !waiter->Done; }));
}

void Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    if (milliseconds != INFINITE && ClockGetMode() == TClockMode::Manual && ClockGetSleepAdvances()) {
        ClockAdvanceMs(milliseconds);
        std::this_thread::yield();
        return;
    }
    static const std::vector<std::shared_ptr<TKernelObject>> noObjects;
    WaitForKernelObjects(noObjects, false, milliseconds);
}

// ---------------------------------------------------------------------------------------------

void TCriticalSection::Acquire() { FLock.lock(); }

void TCriticalSection::Release() { FLock.unlock(); }

bool TCriticalSection::TryEnter() { return FLock.try_lock(); }

THandleObject::~THandleObject() {
    if (FHandle != nullptr) CloseHandle(FHandle);
}

TWaitResult THandleObject::WaitFor(DWORD timeout) {
    switch (WaitForSingleObject(FHandle, timeout)) {
    case WAIT_OBJECT_0:
        return wrSignaled;
    case WAIT_TIMEOUT:
        return wrTimeout;
    case WAIT_ABANDONED_0:
        return wrAbandoned;
    default:
        return wrError;
    }
}

TEvent::TEvent(const void* eventAttributes, bool manualReset, bool initialState, const String& name) {
    FHandle = CreateEventA(eventAttributes, manualReset, initialState, name.empty() ? nullptr : name.c_str());
}

void TEvent::SetEvent() { ::SetEvent(FHandle); }

void TEvent::ResetEvent() { ::ResetEvent(FHandle); }

// ---------------------------------------------------------------------------------------------

Integer InterlockedIncrement(volatile Integer* addend) {
    return __atomic_add_fetch(addend, 1, __ATOMIC_SEQ_CST);
}

Integer InterlockedDecrement(volatile Integer* addend) {
    return __atomic_sub_fetch(addend, 1, __ATOMIC_SEQ_CST);
}

Integer InterlockedExchange(volatile Integer* target, Integer value) {
    return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}

Integer InterlockedExchangeAdd(volatile Integer* addend, Integer value) {
    return __atomic_fetch_add(addend, value, __ATOMIC_SEQ_CST);
}

Integer InterlockedCompareExchange(volatile Integer* destination, Integer exchange, Integer comparand) {
    Integer expected = comparand;
    __atomic_compare_exchange_n(destination, &expected, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return expected;
}
