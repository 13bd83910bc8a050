// The one clock every time reading and timed wait of the program goes through.
// Real mode follows the system clocks; manual mode stands still until a test advances it.
#pragma once

#include "platform/runtime/RtlTypes.h"

enum class TClockMode { Real, Manual };

// Switching keeps the monotonic clock continuous: it never jumps back, and a timed wait in
// progress keeps its deadline.
void ClockSetMode(TClockMode mode);
TClockMode ClockGetMode();

// Monotonic time in microseconds since an arbitrary start.
Int64 ClockMonotonicMicros();

// Local wall-clock time, as microseconds since 1970-01-01 00:00 local time.
Int64 ClockLocalMicros();

// Manual mode: sets the local wall-clock time (monotonic time is left alone).
void ClockSetLocalMicros(Int64 localMicros);
// Manual mode: moves both clocks forward. Every timed wait whose deadline is reached ends; the
// decision is taken before this returns, so a wait that is still pending afterwards stays
// pending until the next advance (or until its object is signalled).
void ClockAdvanceMicros(Int64 micros);
inline void ClockAdvanceMs(Int64 ms) { ClockAdvanceMicros(ms * 1000); }

// Milliseconds of the monotonic clock, wrapping at 2^32 (about 49.7 days).
DWORD GetTickCount();
DWORD timeGetTime();

// The performance counter counts microseconds of the monotonic clock: the frequency is always
// 1000000. Both return non-zero on success and 0 for a null pointer.
int QueryPerformanceCounter(Int64* count);
int QueryPerformanceFrequency(Int64* frequency);

// Manual mode: when set, a thread's Sleep makes its own time pass: it moves the clock forward by
// its length and returns at once, as if nothing else ran meanwhile. For tests of code that
// pauses between the steps of an exchange while a test drives the timers; other timed waits
// still wait for an advance. Off until set; it means nothing in real mode.
void ClockSetSleepAdvances(bool value);
bool ClockGetSleepAdvances();

// Waits the given number of milliseconds on this clock; 0 only yields the processor, and
// 0xFFFFFFFF (INFINITE) never returns. In manual mode it returns when a test has advanced the
// clock far enough, or at once after advancing it itself (ClockSetSleepAdvances).
// (Implemented with the wait machinery of SyncObjs.cpp.)
void Sleep(DWORD milliseconds);

// Makes every timed wait look at the clock again; the clock calls it whenever it moves or
// changes mode. (Implemented with the wait machinery of SyncObjs.cpp.)
void WakeTimedWaiters();
