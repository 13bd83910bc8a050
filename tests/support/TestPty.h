// Pseudo-terminal pairs for the serial port tests: the slave is the port under test, mapped in
// a port directory of the test's own (with "nodefaults"); the test plays the device on the
// master side.
#pragma once

#include <string>

#include "tests/support/TestSupport.h"

namespace ptytest {

class TPty {
public:
    TPty();
    ~TPty();
    TPty(const TPty&) = delete;
    TPty& operator=(const TPty&) = delete;

    int Master() const { return FMaster; }
    // The test's own descriptor of the slave: it keeps the terminal alive between opens, reads
    // back its settings and can stop its output (StopOutput).
    int Slave() const { return FSlave; }
    const std::string& SlavePath() const { return FSlavePath; }

private:
    int FMaster = -1;
    int FSlave = -1;
    std::string FSlavePath;
};

// A port directory with "nodefaults", set as $KOV571_PORTS for the test's duration.
class TPortDir {
public:
    TPortDir();
    const std::string& Path() const { return FDir.Path(); }
    // COMn as a symbolic link to the device, or as a plain file naming it.
    void Link(int number, const std::string& device) const;
    void Name(int number, const std::string& device) const;

private:
    testsupport::TempDir FDir;
    testsupport::ScopedEnv FEnv;
};

// Writes everything (waiting while the terminal is full); false when the guard time runs out.
bool WriteAll(int fd, const std::string& bytes, int guardMs = 5000);
// Reads exactly `count` bytes, or what arrived when the guard time runs out.
std::string ReadExactly(int fd, std::size_t count, int guardMs = 5000);
// The terminal's output speed in bits per second (free rates included), and its control flags.
unsigned TerminalSpeed(int fd);
unsigned TerminalControlFlags(int fd);
// Suspends and resumes the terminal's output, as a received XOFF and XON would.
void StopOutput(int fd);
void ResumeOutput(int fd);

} // namespace ptytest
