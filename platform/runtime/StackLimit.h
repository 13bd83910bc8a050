// How much of the calling thread's stack is left: code that recurses over nested input (a
// script's calls, the rules of a grammar) stops with an error before the stack runs out,
// whatever thread it runs on.
#pragma once

#include <cstddef>
#include <cstdint>

namespace stacklimit {

// The lowest address of the calling thread's stack, found once per thread; 0 until then.
extern thread_local constinit std::uintptr_t tStackLow;
std::uintptr_t QueryStackLow();

} // namespace stacklimit

// The size of the calling thread's stack (for the main thread: as far as it may grow).
std::size_t ThreadStackSize();

// The calling thread's stack pointer. Read from the register where it can be, so that a check
// on a hot path does not make its function set up a frame.
[[gnu::always_inline]] inline std::uintptr_t StackPointer() {
    std::uintptr_t sp;
#if defined(__x86_64__)
    asm volatile("mov %%rsp, %0" : "=r"(sp));
#elif defined(__aarch64__)
    asm volatile("mov %0, sp" : "=r"(sp));
#else
    sp = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
#endif
    return sp;
}

// Bytes of the calling thread's stack below the caller's frame.
inline std::size_t StackLeft() {
    std::uintptr_t low = stacklimit::tStackLow;
    if (low == 0) low = stacklimit::QueryStackLow();
    const std::uintptr_t here = StackPointer();
    return here > low ? here - low : 0;
}

// Whether fewer than `bytes` of the calling thread's stack are left below the caller's frame.
inline bool StackBelow(std::size_t bytes) { return StackLeft() < bytes; }
