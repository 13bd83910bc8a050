// Handles of kernel objects (events, threads, files): opaque values that the handle table in
// SyncObjs.cpp maps to objects. A valid handle is never null and never INVALID_HANDLE_VALUE.
// The definitions match WinTypes.h token for token, so either header may come first.
#pragma once

#include <cstdint>

using HANDLE = void*;

#ifndef INVALID_HANDLE_VALUE
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))
#endif
