#include "tests/serial/SerialTestPty.h"

#include <chrono>
#include <thread>

#include "platform/runtime/Clock.h"
#include "platform/winapi/WinCore.h"

namespace serialtest {

namespace {

using TSteady = std::chrono::steady_clock;

int Remaining(TSteady::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TSteady::now()).count();
    return left > 0 ? int(left) : 0;
}

} // namespace

bool PumpUntil(const std::function<bool()>& done, int guardMs) {
    const auto deadline = TSteady::now() + std::chrono::milliseconds(guardMs);
    MSG msg;
    for (;;) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done()) return true;
        if (Remaining(deadline) == 0) return false;
        // A timed wait only ends by itself while the clock runs.
        if (ClockGetMode() == TClockMode::Real)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        else
            std::this_thread::yield();
    }
}

bool WaitUntil(const std::function<bool()>& done, int guardMs) {
    const auto deadline = TSteady::now() + std::chrono::milliseconds(guardMs);
    while (!done()) {
        if (Remaining(deadline) == 0) return false;
        std::this_thread::yield();
    }
    return true;
}

} // namespace serialtest
