// Kernel objects and waits: the handle table, events, the wait functions, critical sections
// and interlocked operations. Every timed wait measures its time-out on the runtime clock
// (Clock.h): in manual mode it ends when a test advances the clock to its deadline.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/runtime/Handles.h"
#include "platform/runtime/RtlTypes.h"

inline constexpr DWORD INFINITE = 0xFFFFFFFF;
inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_ABANDONED_0 = 0x80;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
inline constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;

// ---------------------------------------------------------------------------------------------
// Kernel objects. Other layers derive their own (files, serial ports) and register them in
// the handle table, so that CloseHandle and the wait functions treat them like events.

class TKernelObject {
public:
    TKernelObject() = default;
    TKernelObject(const TKernelObject&) = delete;
    TKernelObject& operator=(const TKernelObject&) = delete;
    virtual ~TKernelObject() = default;

    // Called with the kernel state locked: whether a wait on the object is satisfied now.
    virtual bool IsSignaled() const { return false; }
    // Called with the kernel state locked when a wait was satisfied by this object (an
    // auto-reset object resets itself here).
    virtual void Satisfy() {}
    // Called by CloseHandle after the handle left the table (not locked). The object itself
    // lives on while a wait or another reference still holds it.
    virtual void HandleClosed() {}

protected:
    // Changes the object's signal state: runs `change` with the kernel state locked, then
    // releases every wait the new state satisfies. All state IsSignaled reads must change
    // only in here.
    void ChangeState(const std::function<void()>& change);
};

// An event: signalled or not; a manual-reset event stays signalled until reset, an auto-reset
// event releases exactly one wait and resets itself.
class TEventObject : public TKernelObject {
public:
    TEventObject(bool manualReset, bool initialState);
    void Set();
    void Reset();
    // Releases the waits in progress (all of them, or one for an auto-reset event) and leaves
    // the event reset.
    void Pulse();
    bool IsSignaled() const override { return FSignaled; }
    void Satisfy() override;

private:
    const bool FManualReset;
    bool FSignaled;
};

// Puts an object into the handle table; the handle is new and not reused soon.
HANDLE RegisterKernelObject(std::shared_ptr<TKernelObject> object);
// The object behind a handle, or null for a handle that is not open.
std::shared_ptr<TKernelObject> FindKernelObject(HANDLE handle);
template <class T> std::shared_ptr<T> FindKernelObjectAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(FindKernelObject(handle));
}
// Removes the handle from the table; 0 when it was not open.
int CloseHandle(HANDLE handle);

// ---------------------------------------------------------------------------------------------
// Events and waits.

// `eventAttributes` is ignored. A named event is shared: a second creation with the same name
// gives a new handle to the existing event (its reset mode and state unchanged).
HANDLE CreateEventA(const void* eventAttributes, int manualReset, int initialState,
                    const char* name = nullptr);
int SetEvent(HANDLE event);
int ResetEvent(HANDLE event);
int PulseEvent(HANDLE event);

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// WAIT_OBJECT_0 + the lowest index among the signalled objects (waitAll false), WAIT_OBJECT_0
// when all are signalled at once (waitAll true), WAIT_TIMEOUT, or WAIT_FAILED for a bad handle
// or a count outside 1..MAXIMUM_WAIT_OBJECTS.
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, int waitAll, DWORD milliseconds);

// Waits that can also end for queued messages. The window system installs the hook: called on
// the waiting thread, without locks held, it tells whether that thread has messages of the
// kinds in wakeMask. It is asked when the wait starts and after each WakeMessageWaiters, which
// the window system calls whenever it queues a message.
using TMessageWaitHook = std::function<bool(DWORD wakeMask)>;
// Returns the hook installed before.
TMessageWaitHook SetMessageWaitHook(TMessageWaitHook hook);
void WakeMessageWaiters();
// As WaitForMultipleObjects (count may be 0; waitAll applies to the objects only), and
// WAIT_OBJECT_0 + count when the hook reports messages. Signalled objects take precedence.
DWORD WaitForObjectsOrMessages(DWORD count, const HANDLE* handles, int waitAll, DWORD milliseconds,
                               DWORD wakeMask);
// The wake mask the thread layer passes while it waits for a thread: messages sent from other
// threads (the window system's QS_SENDMESSAGE bit).
inline constexpr DWORD WakeMaskSentMessages = 0x0040;

// The wait every wait above is built on, on objects instead of handles (an object stays valid
// even when its handle is closed meanwhile).
DWORD WaitForKernelObjects(const std::vector<std::shared_ptr<TKernelObject>>& objects, bool waitAll,
                           DWORD milliseconds, bool forMessages = false, DWORD wakeMask = 0);

// The number of threads blocked in a wait that has not been satisfied or timed out yet. Tests
// use it to know that a waiter is in place before they signal or advance the clock.
Integer BlockedWaitCount();

// ---------------------------------------------------------------------------------------------
// Class-library synchronisation objects.

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

class TSynchroObject {
public:
    TSynchroObject() = default;
    TSynchroObject(const TSynchroObject&) = delete;
    TSynchroObject& operator=(const TSynchroObject&) = delete;
    virtual ~TSynchroObject() = default;
    virtual void Acquire() {}
    virtual void Release() {}
};

// A re-entrant lock: the thread that holds it may enter again and leaves as often.
class TCriticalSection : public TSynchroObject {
public:
    void Acquire() override;
    void Release() override;
    void Enter() { Acquire(); }
    void Leave() { Release(); }
    bool TryEnter();

private:
    std::recursive_mutex FLock;
};

// Holds a critical section for the length of a scope.
class TSectionLock {
public:
    explicit TSectionLock(TCriticalSection& section) : FSection(section) { FSection.Enter(); }
    ~TSectionLock() { FSection.Leave(); }
    TSectionLock(const TSectionLock&) = delete;
    TSectionLock& operator=(const TSectionLock&) = delete;

private:
    TCriticalSection& FSection;
};

class THandleObject : public TSynchroObject {
public:
    ~THandleObject() override;
    HANDLE GetHandle() const { return FHandle; }
    TWaitResult WaitFor(DWORD timeout = INFINITE);

protected:
    HANDLE FHandle = nullptr;
};

class TEvent : public THandleObject {
public:
    explicit TEvent(const void* eventAttributes = nullptr, bool manualReset = true, bool initialState = false,
                    const String& name = String());
    void SetEvent();
    void ResetEvent();
};

// A manual-reset event, initially not signalled.
class TSimpleEvent : public TEvent {
public:
    TSimpleEvent() : TEvent(nullptr, true, false) {}
};

// ---------------------------------------------------------------------------------------------
// Interlocked operations on 32-bit integers; arithmetic wraps.

Integer InterlockedIncrement(volatile Integer* addend);                  // the new value
Integer InterlockedDecrement(volatile Integer* addend);                  // the new value
Integer InterlockedExchange(volatile Integer* target, Integer value);    // the old value
Integer InterlockedExchangeAdd(volatile Integer* addend, Integer value); // the old value
// Stores exchange when the value equals comparand; returns the old value in every case.
Integer InterlockedCompareExchange(volatile Integer* destination, Integer exchange, Integer comparand);
