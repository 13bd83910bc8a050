#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/winapi/Comm.h"
#include "tests/support/TestSupport.h"
#include "tests/support/TestPty.h"

namespace {

using ptytest::TPortDir;
using ptytest::TPty;

HANDLE OpenPort(const char* name) {
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                       nullptr);
}

struct TNameCase {
    const char* Name;
    const char* Device;
};

void ExpectDevices(const std::vector<TNameCase>& cases) {
    for (const TNameCase& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(CommPortDevicePath(c.Name), c.Device);
    }
}

TEST(CommPorts, UnmappedPortsTakeTheDefaultDevices) {
    testsupport::TempDir dir;
    testsupport::ScopedEnv env("KOV571_PORTS", dir.Path().c_str());
    ExpectDevices({
        {"COM1", "/dev/ttyS0"},
        {"COM4", "/dev/ttyS3"},
        {"COM5", "/dev/ttyUSB0"},
        {"COM12", "/dev/ttyUSB7"},
        {"COM13", "/dev/ttyACM0"},
        {"COM20", "/dev/ttyACM7"},
        {"COM21", ""},
        {"\\\\.\\COM3", "/dev/ttyS2"},
        {"com2", "/dev/ttyS1"},
        {"COM0", ""},
        {"COM01", ""},
        {"COM", ""},
        {"COM1x", ""},
        {"LPT1", ""},
        {"\\\\.\\", ""},
    });
}

TEST(CommPorts, EntriesAreLinksOrFilesNamingTheDevice) {
    TPortDir ports;
    ports.Link(7, "/dev/null");
    testsupport::WriteFileBytes(ports.Path() + "/COM8", "/dev/pts/99\r\nignored\n");
    testsupport::WriteFileBytes(ports.Path() + "/COM9", "  devices/radio\n");
    ExpectDevices({
        {"COM7", (ports.Path() + "/COM7").c_str()},
        {"\\\\.\\COM8", "/dev/pts/99"},
        {"COM9", (ports.Path() + "/devices/radio").c_str()},
        {"COM1", ""}, // "nodefaults"
        {"COM20", ""},
    });
}

TEST(CommPorts, TheDirectoryDefaultsToTheUsersConfiguration) {
    testsupport::TempDir home;
    testsupport::ScopedEnv homeEnv("HOME", home.Path().c_str());
    testsupport::ScopedEnv portsEnv("KOV571_PORTS", nullptr);
    const std::string dir = home.Path() + "/.config/kov571/ports";
    std::filesystem::create_directories(dir);
    testsupport::WriteFileBytes(dir + "/COM3", "/dev/ttyXYZ\n");
    EXPECT_EQ(CommPortDevicePath("COM3"), "/dev/ttyXYZ");
    EXPECT_EQ(CommPortDevicePath("COM4"), "/dev/ttyS3");
}

TEST(CommPorts, OpensAMappedPortOnceAtATime) {
    TPty pty;
    TPortDir ports;
    ports.Link(3, pty.SlavePath());
    ports.Name(4, pty.SlavePath());

    HANDLE port = OpenPort("\\\\.\\COM3");
    ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();

    // The same device again, under either name: busy.
    for (const char* name : {"\\\\.\\COM3", "COM3", "COM4"}) {
        SCOPED_TRACE(name);
        SetLastError(0);
        EXPECT_EQ(OpenPort(name), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }
    ASSERT_TRUE(CloseHandle(port));

    port = OpenPort("COM4"); // free again, through the plain entry
    ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
    EXPECT_TRUE(CloseHandle(port));

    // A port opened without overlapped I/O, as the port list probes them.
    port = CreateFileA("COM3", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
    EXPECT_TRUE(CloseHandle(port));
}

TEST(CommPorts, AbsentPortsAreNotFound) {
    TPortDir ports;
    ports.Link(5, ports.Path() + "/nowhere");
    testsupport::WriteFileBytes(ports.Path() + "/plain", "not a terminal");
    ports.Name(6, ports.Path() + "/plain");
    for (const char* name : {"COM2", "\\\\.\\COM5", "COM6", "readme.txt", "COM0"}) {
        SCOPED_TRACE(name);
        SetLastError(0);
        EXPECT_EQ(OpenPort(name), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    }
}

// A port directory that every user can reach, wherever the checkout lies: a directory of its
// own under /tmp (world-searchable), not under the test tree, whose parents may be closed to
// other users (a clone under /root).
class TReachablePortDir {
public:
    TReachablePortDir() : FEnv("KOV571_PORTS", nullptr) {
        char pattern[] = "/tmp/kov-ports-XXXXXX";
        if (!mkdtemp(pattern)) throw std::runtime_error("cannot create a port directory under /tmp");
        FPath = pattern;
        chmod(FPath.c_str(), 0755);
        setenv("KOV571_PORTS", FPath.c_str(), 1);
        testsupport::WriteFileBytes(FPath + "/nodefaults", "");
    }
    ~TReachablePortDir() {
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    void Link(int number, const std::string& device) const {
        const std::string entry = FPath + "/COM" + std::to_string(number);
        if (symlink(device.c_str(), entry.c_str()) != 0) throw std::runtime_error("symlink failed");
    }
    const std::string& Path() const { return FPath; }

private:
    testsupport::ScopedEnv FEnv;
    std::string FPath;
};

TEST(CommPorts, ADeviceTheUserMayNotOpenIsDenied) {
    TPty pty;
    TReachablePortDir ports;
    ports.Link(30, pty.SlavePath()); // no default device behind COM30
    ASSERT_EQ(chmod(pty.SlavePath().c_str(), 0), 0);
    if (geteuid() != 0) {
        SetLastError(0);
        EXPECT_EQ(OpenPort("COM30"), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        return;
    }
    // The super-user may open anything: try as an ordinary user, in a child process. The
    // child must reach the port directory and the device, so a refusal can only be the
    // device's own permission.
    struct stat info {};
    ASSERT_EQ(stat(ports.Path().c_str(), &info), 0);
    ASSERT_EQ(info.st_mode & 0005, 0005u);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
            setresuid(65534, 65534, 65534) != 0)
            _exit(100);
        SetLastError(0);
        const HANDLE port = OpenPort("COM30");
        _exit(port == INVALID_HANDLE_VALUE ? int(GetLastError()) : 101);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), int(ERROR_ACCESS_DENIED));
}

} // namespace
