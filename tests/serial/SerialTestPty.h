// The serial library's tests use the shared pseudo-terminal pairs, and a message pump for the
// tests that wait for events.
#pragma once

#include <functional>
#include <string>

#include "tests/support/TestPty.h"

namespace serialtest {

using ptytest::ReadExactly;
using ptytest::ResumeOutput;
using ptytest::StopOutput;
using ptytest::TerminalControlFlags;
using ptytest::TerminalSpeed;
using ptytest::TPortDir;
using ptytest::TPty;
using ptytest::WriteAll;

// Serves the calling thread's messages until `done` holds; false when the guard time (real
// time) runs out first.
bool PumpUntil(const std::function<bool()>& done, int guardMs = 5000);
// Waits (without serving messages) until `done` holds; false after the guard time.
bool WaitUntil(const std::function<bool()>& done, int guardMs = 5000);

} // namespace serialtest
