// The simulated radio's line: a pseudo-terminal whose slave side is the radio's serial port.
// The slave is set raw and kept open by the line itself, so the program can open and close
// the port any number of times; it is registered as "COMn" in the port directory
// ($KOV571_PORTS, by default ~/.config/kov571/ports) without ever replacing an entry that is not
// its own, and the entry goes when the line stops. A thread of the line feeds what arrives to
// the radio's core and sends the replies.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "tools/radio-sim/RadioCore.h"

// The port directory the program looks ports up in.
std::string RadioPortDirectory();

class TRadioLine {
public:
    using TSteady = std::chrono::steady_clock;
    // The clock the line keeps its time by: the time now, and a wait until a given time. The
    // steady clock of the system unless a test gives one of its own before the line starts.
    struct TClock {
        std::function<TSteady::time_point()> Now;
        std::function<void(TSteady::time_point)> SleepUntil;
    };

    TRadioLine() = default;
    ~TRadioLine();
    TRadioLine(const TRadioLine&) = delete;
    TRadioLine& operator=(const TRadioLine&) = delete;

    // Opens the terminal, registers it as COM<portNumber> (0: the first number from 1 on that
    // has no entry) and starts serving. Raises std::runtime_error when the number is taken or
    // the terminal cannot be made.
    void Start(int portNumber = 0);
    // Stops serving, closes the terminal and removes the entry when it is still the line's own.
    void Stop();

    int GetPortNumber() const { return FPortNumber; }
    const std::string& GetDevicePath() const { return FDevicePath; }
    const std::string& GetEntryPath() const { return FEntryPath; }
    // The cable was pulled: the terminal is closed and the entry removed.
    bool GetUnplugged() const { return FUnplugged; }

    // Runs `action` on the core while the line's thread keeps off it (the core's callbacks
    // run on the line's thread with the core held the same way).
    template <class F> auto WithCore(F action) {
        std::lock_guard<std::mutex> lock(FCoreLock);
        return action(FCore);
    }
    // Called on the line's thread after every 'E', with the core held.
    std::function<void(TRadioCore&)> OnEnded;
    // Before Start only.
    void SetClock(TClock clock) { FClock = std::move(clock); }

private:
    void Run();
    // Sends the reply's pieces, each due its delay after the one before, the first counted from
    // `from`.
    void Send(const TRadioOutput& output, TSteady::time_point from);
    void Unplug();
    void Register(int portNumber);
    void Unregister();
    void CloseTerminal();
    double Elapsed(TSteady::time_point at) const;

    TRadioCore FCore;
    std::mutex FCoreLock;
    std::thread FThread;
    TClock FClock{[] { return TSteady::now(); },
                  [](TSteady::time_point at) { std::this_thread::sleep_until(at); }};
    TSteady::time_point FStart;
    int FMaster = -1;
    int FSlave = -1;
    int FWake = -1;
    int FPortNumber = 0;
    std::string FDevicePath;
    std::string FEntryPath;
    std::atomic<bool> FRegistered{false};
    std::atomic<bool> FUnplugged{false};
};
