// Library-wide helpers of the serial library: a millisecond clock, timers counted in ticks of
// 55 ms, and pumping one message of the calling thread.
#pragma once

#include "platform/runtime/RtlTypes.h"

// Milliseconds of one tick.
inline constexpr Integer QelMsPerTick = 55;
// The longest timer interval in ticks: half the ticks a 32-bit millisecond clock holds, so a
// running timer can always tell a wrapped clock from an unexpired one.
inline constexpr Integer QelMaxTimerTicks = 39045157;

// Milliseconds since an arbitrary start, from the high-resolution counter when there is one.
// Wraps at 2^32.
DWORD QelTimeMs();
// The current tick of that clock.
Integer QelCurrentTicks();

struct TQelTickTimer {
    Integer StartTicks = 0;
    Integer ExpireTicks = 0;
};

// Starts a timer of `ticks` ticks (limited to 0 .. QelMaxTimerTicks).
void QelNewTimer(TQelTickTimer& timer, Integer ticks);
// Past its expiry, or the tick count has wrapped below its start.
bool QelTimerExpired(const TQelTickTimer& timer);

// Removes one pending message of the calling thread, translates and dispatches it; a quit
// message is posted again, so that the loop above sees it. False when none was waiting.
bool QelPumpMessage();
