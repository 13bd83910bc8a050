#include "tools/radio-sim/RadioLine.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace {

using TSteady = std::chrono::steady_clock;

TSteady::duration Milliseconds(double ms) {
    return std::chrono::duration_cast<TSteady::duration>(std::chrono::duration<double, std::milli>(ms));
}

// How long a reply may wait for room in the terminal before it is dropped (nobody reads the
// port and its input queue is full).
constexpr int SendGuardMs = 1000;

std::runtime_error Failure(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

bool WriteWithGuard(int fd, const std::string& bytes) {
    const auto deadline = TSteady::now() + std::chrono::milliseconds(SendGuardMs);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
        if (put > 0) {
            done += std::size_t(put);
            continue;
        }
        if (put < 0 && errno != EAGAIN && errno != EINTR) return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TSteady::now());
        if (left.count() <= 0) return false;
        pollfd p{fd, POLLOUT, 0};
        poll(&p, 1, int(left.count()));
    }
    return true;
}

} // namespace

std::string RadioPortDirectory() {
    const char* ports = std::getenv("KOV571_PORTS");
    if (ports != nullptr && *ports != '\0') return ports;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config/kov571/ports";
}

TRadioLine::~TRadioLine() { Stop(); }

void TRadioLine::Start(int portNumber) {
    if (FThread.joinable() || FMaster >= 0) throw std::logic_error("the line is already started");
    FUnplugged = false;
    FMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    try {
        if (FMaster < 0 || grantpt(FMaster) != 0 || unlockpt(FMaster) != 0)
            throw Failure("cannot make a pseudo-terminal");
        char name[256];
        if (ptsname_r(FMaster, name, sizeof name) != 0) throw Failure("cannot name the pseudo-terminal");
        FDevicePath = name;
        FSlave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (FSlave < 0) throw Failure("cannot open " + FDevicePath);
        termios raw{};
        if (tcgetattr(FSlave, &raw) != 0) throw Failure("cannot read the settings of " + FDevicePath);
        cfmakeraw(&raw);
        if (tcsetattr(FSlave, TCSANOW, &raw) != 0) throw Failure("cannot set " + FDevicePath + " raw");
        fcntl(FMaster, F_SETFL, fcntl(FMaster, F_GETFL) | O_NONBLOCK);
        FWake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (FWake < 0) throw Failure("cannot make an event");
        Register(portNumber);
    } catch (...) {
        CloseTerminal();
        throw;
    }
    FStart = FClock.Now();
    FThread = std::thread([this] { Run(); });
}

void TRadioLine::Stop() {
    if (FThread.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t put = write(FWake, &one, sizeof one);
        FThread.join();
    }
    Unregister();
    CloseTerminal();
}

double TRadioLine::Elapsed(TSteady::time_point at) const {
    return std::chrono::duration<double, std::milli>(at - FStart).count();
}

void TRadioLine::Run() {
    // The radio keeps its own time, whatever else the machine is busy with: where the system
    // allows it, the line's thread runs before ordinary threads (it only ever waits, reads and
    // writes a few bytes). Elsewhere it stays an ordinary thread.
    sched_param priority{};
    priority.sched_priority = sched_get_priority_min(SCHED_FIFO);
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority);
    char chunk[4096];
    // The line's own time: when the last byte the program sent has come down the line. When the
    // line is paced, what the program sends takes the line's time too: the radio has a byte only
    // 1.146 ms after the one before it, so a command is complete once all its bytes have come.
    // The reply is timed from then on, whenever this thread gets to run: a thread that wakes late
    // (a busy machine) sends what is due at once instead of pushing the whole timetable back,
    // as the real line and radio would not wait for it either.
    TSteady::time_point lineFree{};
    for (;;) {
        pollfd fds[2] = {{FWake, POLLIN, 0}, {FMaster, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) return;
        if (fds[0].revents & POLLIN) return;
        if (!(fds[1].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const ssize_t got = read(FMaster, chunk, sizeof chunk);
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        // The line keeps its own slave open, so the master never hangs up by itself; should it
        // fail all the same, there is nothing left to serve.
        if (got <= 0) return;
        TRadioOutput output;
        {
            std::lock_guard<std::mutex> lock(FCoreLock);
            lineFree = std::max(lineFree, FClock.Now());
            if (FCore.GetPacing()) lineFree += Milliseconds(double(got) * TRadioCore::PacedByteMs);
            output = FCore.Feed(std::string(chunk, std::size_t(got)), Elapsed(lineFree));
            if (output.Ended && OnEnded) OnEnded(FCore);
        }
        if (output.Unplug) {
            Unplug();
            return;
        }
        Send(output, lineFree);
    }
}

void TRadioLine::Send(const TRadioOutput& output, TSteady::time_point from) {
    TSteady::time_point due = from;
    for (const TRadioChunk& chunk : output.Chunks) {
        due += Milliseconds(chunk.DelayMs);
        if (due > FClock.Now()) FClock.SleepUntil(due);
        if (!WriteWithGuard(FMaster, chunk.Bytes)) return;
    }
}

void TRadioLine::Unplug() {
    // As when the cable is pulled: the device goes away under the program.
    Unregister();
    CloseTerminal();
    FUnplugged = true;
}

void TRadioLine::Register(int portNumber) {
    const std::string directory = RadioPortDirectory();
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    const int first = portNumber > 0 ? portNumber : 1;
    const int last = portNumber > 0 ? portNumber : 256;
    for (int number = first; number <= last; ++number) {
        const std::string entry = directory + "/COM" + std::to_string(number);
        // symlink never replaces what is there.
        if (symlink(FDevicePath.c_str(), entry.c_str()) == 0) {
            FPortNumber = number;
            FEntryPath = entry;
            FRegistered = true;
            return;
        }
        if (errno != EEXIST) throw Failure("cannot register " + entry);
    }
    if (portNumber > 0)
        throw std::runtime_error("COM" + std::to_string(portNumber) + " is already in the port directory " +
                                 directory + "; remove its entry or choose another number");
    throw std::runtime_error("no free port number in the port directory " + directory);
}

void TRadioLine::Unregister() {
    if (!FRegistered.exchange(false)) return;
    char target[4096];
    const ssize_t length = readlink(FEntryPath.c_str(), target, sizeof target - 1);
    if (length >= 0 && std::string(target, std::size_t(length)) == FDevicePath) unlink(FEntryPath.c_str());
}

void TRadioLine::CloseTerminal() {
    for (int* fd : {&FSlave, &FMaster}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
    if (FWake >= 0 && !FThread.joinable()) {
        close(FWake);
        FWake = -1;
    }
}
