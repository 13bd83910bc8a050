#include "serial/OoMisc.h"

#include <algorithm>

#include "platform/runtime/Clock.h"
#include "platform/winapi/WinCore.h"

namespace {

// Counter counts per millisecond, read once; 0 when there is no high-resolution counter.
Int64 CountsPerMs() {
    static const Int64 perMs = [] {
        Int64 frequency = 0;
        if (!QueryPerformanceFrequency(&frequency) || frequency <= 0) return Int64(0);
        Int64 counts = frequency / 1000;
        if (frequency % 1000 > 500) ++counts;
        return counts;
    }();
    return perMs;
}

} // namespace

DWORD QelTimeMs() {
    const Int64 perMs = CountsPerMs();
    Int64 count = 0;
    if (perMs <= 0 || !QueryPerformanceCounter(&count)) return timeGetTime();
    return DWORD(std::uint64_t(count / perMs));
}

Integer QelCurrentTicks() { return Integer(QelTimeMs() / DWORD(QelMsPerTick)); }

void QelNewTimer(TQelTickTimer& timer, Integer ticks) {
    ticks = std::clamp<Integer>(ticks, 0, QelMaxTimerTicks);
    timer.StartTicks = QelCurrentTicks();
    timer.ExpireTicks = timer.StartTicks + ticks;
}

bool QelTimerExpired(const TQelTickTimer& timer) {
    const Integer now = QelCurrentTicks();
    return now > timer.ExpireTicks || now < timer.StartTicks;
}

bool QelPumpMessage() {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        PostQuitMessage(int(msg.wParam));
        return true;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}
