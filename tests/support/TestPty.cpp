#include "tests/support/TestPty.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace ptytest {

namespace {

using TSteady = std::chrono::steady_clock;

int Remaining(TSteady::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TSteady::now()).count();
    return left > 0 ? int(left) : 0;
}

void MakeRaw(int fd) {
    termios2 t{};
    ioctl(fd, TCGETS2, &t);
    t.c_iflag &= ~tcflag_t(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
    t.c_oflag &= ~tcflag_t(OPOST);
    t.c_lflag &= ~tcflag_t(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~tcflag_t(CSIZE | PARENB);
    t.c_cflag |= CS8;
    ioctl(fd, TCSETS2, &t);
}

} // namespace

TPty::TPty() {
    FMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FMaster < 0 || grantpt(FMaster) != 0 || unlockpt(FMaster) != 0) throw std::runtime_error("no pty");
    char name[256];
    if (ptsname_r(FMaster, name, sizeof name) != 0) throw std::runtime_error("no pty name");
    FSlavePath = name;
    FSlave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FSlave < 0) throw std::runtime_error("no pty slave");
    MakeRaw(FMaster);
    MakeRaw(FSlave);
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

bool WriteAll(int fd, const std::string& bytes, int guardMs) {
    const auto deadline = TSteady::now() + std::chrono::milliseconds(guardMs);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
        if (put > 0) {
            done += std::size_t(put);
            continue;
        }
        if (put < 0 && errno != EAGAIN && errno != EINTR) return false;
        if (Remaining(deadline) == 0) return false;
        pollfd p{fd, POLLOUT, 0};
        poll(&p, 1, Remaining(deadline));
    }
    return true;
}

std::string ReadExactly(int fd, std::size_t count, int guardMs) {
    const auto deadline = TSteady::now() + std::chrono::milliseconds(guardMs);
    std::string result;
    char chunk[4096];
    while (result.size() < count) {
        const ssize_t got = read(fd, chunk, std::min(sizeof chunk, count - result.size()));
        if (got > 0) {
            result.append(chunk, std::size_t(got));
            continue;
        }
        if (got == 0 || (errno != EAGAIN && errno != EINTR)) break;
        if (Remaining(deadline) == 0) break;
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, Remaining(deadline));
    }
    return result;
}

unsigned TerminalSpeed(int fd) {
    termios2 t{};
    ioctl(fd, TCGETS2, &t);
    return t.c_ospeed;
}

unsigned TerminalControlFlags(int fd) {
    termios2 t{};
    ioctl(fd, TCGETS2, &t);
    return t.c_cflag;
}

void StopOutput(int fd) { ioctl(fd, TCXONC, TCOOFF); }
void ResumeOutput(int fd) { ioctl(fd, TCXONC, TCOON); }

} // namespace ptytest
