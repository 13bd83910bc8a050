#include "platform/runtime/Clock.h"

#include <ctime>
#include <mutex>

namespace {

std::mutex gClockLock;
TClockMode gMode = TClockMode::Real;
Int64 gManualMonotonic = 0;
Int64 gManualLocal = 0;
// Added to the system's monotonic clock in real mode, so that leaving manual mode continues
// from where the manual clock stood instead of jumping.
Int64 gRealOffset = 0;
bool gSleepAdvances = false;

Int64 RealMonotonic() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return Int64(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

Int64 RealLocal() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    time_t secs = ts.tv_sec;
    localtime_r(&secs, &local);
    return (Int64(secs) + local.tm_gmtoff) * 1000000 + ts.tv_nsec / 1000;
}

} // namespace

void ClockSetMode(TClockMode mode) {
    {
        std::lock_guard<std::mutex> guard(gClockLock);
        if (mode == gMode) return;
        if (mode == TClockMode::Manual) {
            gManualMonotonic = RealMonotonic() + gRealOffset;
            gManualLocal = RealLocal();
        } else {
            gRealOffset = gManualMonotonic - RealMonotonic();
        }
        gMode = mode;
    }
    // Waits in progress switch between sleeping on real time and waiting for an advance.
    WakeTimedWaiters();
}

TClockMode ClockGetMode() {
    std::lock_guard<std::mutex> guard(gClockLock);
    return gMode;
}

Int64 ClockMonotonicMicros() {
    std::lock_guard<std::mutex> guard(gClockLock);
    return gMode == TClockMode::Manual ? gManualMonotonic : RealMonotonic() + gRealOffset;
}

Int64 ClockLocalMicros() {
    std::lock_guard<std::mutex> guard(gClockLock);
    return gMode == TClockMode::Manual ? gManualLocal : RealLocal();
}

void ClockSetLocalMicros(Int64 localMicros) {
    std::lock_guard<std::mutex> guard(gClockLock);
    gManualLocal = localMicros;
}

void ClockAdvanceMicros(Int64 micros) {
    {
        std::lock_guard<std::mutex> guard(gClockLock);
        if (micros < 0) micros = 0;
        gManualMonotonic += micros;
        gManualLocal += micros;
    }
    WakeTimedWaiters();
}

void ClockSetSleepAdvances(bool value) {
    std::lock_guard<std::mutex> guard(gClockLock);
    gSleepAdvances = value;
}

bool ClockGetSleepAdvances() {
    std::lock_guard<std::mutex> guard(gClockLock);
    return gSleepAdvances;
}

DWORD GetTickCount() { return static_cast<DWORD>(static_cast<UInt64>(ClockMonotonicMicros() / 1000)); }

DWORD timeGetTime() { return GetTickCount(); }

int QueryPerformanceCounter(Int64* count) {
    if (count == nullptr) return 0;
    *count = ClockMonotonicMicros();
    return 1;
}

int QueryPerformanceFrequency(Int64* frequency) {
    if (frequency == nullptr) return 0;
    *frequency = 1000000;
    return 1;
}
