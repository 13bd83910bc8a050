// The one clock every time reading and timed wait of the program goes through.
// Real mode follows the system clocks; manual mode stands still until a test advances it.
#pragma once

#include "platform/runtime/RtlTypes.h"

enum class TClockMode { Real, Manual };

void ClockSetMode(TClockMode mode);
TClockMode ClockGetMode();

// Monotonic time in microseconds since an arbitrary start.
Int64 ClockMonotonicMicros();

// Local wall-clock time, as microseconds since 1970-01-01 00:00 local time.
Int64 ClockLocalMicros();

// Manual mode: sets the local wall-clock time (monotonic time is left alone).
void ClockSetLocalMicros(Int64 localMicros);
// Manual mode: moves both clocks forward.
void ClockAdvanceMicros(Int64 micros);
inline void ClockAdvanceMs(Int64 ms) { ClockAdvanceMicros(ms * 1000); }
