#include "tests/winapi/CommTestPty.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>

namespace commtest {

TPty::TPty() {
    char name[256];
    if (openpty(&FMaster, &FSlave, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
    FSlavePath = name;
    termios raw{};
    tcgetattr(FMaster, &raw);
    cfmakeraw(&raw);
    tcsetattr(FMaster, TCSANOW, &raw);
    fcntl(FMaster, F_SETFL, fcntl(FMaster, F_GETFL) | O_NONBLOCK);
}

TPty::~TPty() {
    close(FSlave);
    close(FMaster);
}

TPortDir::TPortDir() : FEnv("KOV571_PORTS", nullptr) {
    setenv("KOV571_PORTS", FDir.Path().c_str(), 1);
    testsupport::WriteFileBytes(FDir.File("nodefaults"), "");
}

void TPortDir::Link(int number, const std::string& device) const {
    const std::string entry = FDir.File("COM" + std::to_string(number));
    unlink(entry.c_str());
    if (symlink(device.c_str(), entry.c_str()) != 0) throw std::runtime_error("symlink failed");
}

void TPortDir::Name(int number, const std::string& device) const {
    const std::string entry = FDir.File("COM" + std::to_string(number));
    unlink(entry.c_str());
    testsupport::WriteFileBytes(entry, device + "\n");
}

namespace {

using TClock = std::chrono::steady_clock;

int Remaining(TClock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
    return left > 0 ? int(left) : 0;
}

} // namespace

bool WriteAll(int fd, const std::string& bytes, int timeoutMs) {
    const auto deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
        if (put > 0) {
            done += std::size_t(put);
            continue;
        }
        if (put < 0 && errno != EAGAIN && errno != EINTR) return false;
        pollfd p{fd, POLLOUT, 0};
        if (Remaining(deadline) == 0) return false;
        poll(&p, 1, Remaining(deadline));
    }
    return true;
}

std::string ReadExactly(int fd, std::size_t count, int timeoutMs) {
    const auto deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
    std::string result;
    char chunk[4096];
    while (result.size() < count) {
        const ssize_t got = read(fd, chunk, std::min(sizeof chunk, count - result.size()));
        if (got > 0) {
            result.append(chunk, std::size_t(got));
            continue;
        }
        if (got == 0 || (errno != EAGAIN && errno != EINTR)) break;
        pollfd p{fd, POLLIN, 0};
        if (Remaining(deadline) == 0) break;
        poll(&p, 1, Remaining(deadline));
    }
    return result;
}

} // namespace commtest
