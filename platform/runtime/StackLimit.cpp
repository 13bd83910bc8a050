#include "platform/runtime/StackLimit.h"

#include <pthread.h>
#include <sys/resource.h>

namespace stacklimit {

thread_local constinit std::uintptr_t tStackLow = 0;

namespace {

thread_local std::size_t tStackSize = 0;

// What a thread whose limits cannot be read is taken to have.
constexpr std::size_t FallbackSize = 256 * 1024;

// The guard area the system keeps below a stack, and the page the frame may stand in, are not
// counted as usable.
constexpr std::size_t Slack = 16 * 1024;

} // namespace

std::uintptr_t QueryStackLow() {
    const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    std::uintptr_t low = 0;
    std::size_t size = 0;
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) == 0) {
        void* address = nullptr;
        if (pthread_attr_getstack(&attr, &address, &size) == 0) low = reinterpret_cast<std::uintptr_t>(address);
        pthread_attr_destroy(&attr);
    }
    if (low == 0 || size == 0 || here <= low || here - low > size) {
        // Unknown limits: the soft limit of the process, or a small stack.
        rlimit limit{};
        size = FallbackSize;
        if (getrlimit(RLIMIT_STACK, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < size)
            size = std::size_t(limit.rlim_cur);
        low = here > size ? here - size : 0;
    }
    low += Slack;
    tStackLow = low;
    tStackSize = size > Slack ? size - Slack : 0;
    return low;
}

} // namespace stacklimit

std::size_t ThreadStackSize() {
    if (stacklimit::tStackLow == 0) stacklimit::QueryStackLow();
    return stacklimit::tStackSize;
}
