#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/TestSupport.h"
#include "tests/tools/radio-sim/SimTestSupport.h"
#include "tools/radio-sim/RadioImage.h"

extern char** environ;

namespace {

using simtest::Block;
using simtest::Converse;
using simtest::Handshake;
using simtest::TPortDir;
using simtest::TRadioClient;
using simtest::TStep;
using simtest::WaitUntil;

bool Exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// The radio-sim program as a child process, killed at the end should a test stop early.
class TChild {
public:
    explicit TChild(const std::vector<std::string>& args) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(KOV_RADIO_SIM));
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        if (posix_spawn(&FPid, KOV_RADIO_SIM, nullptr, nullptr, argv.data(), environ) != 0) FPid = -1;
    }
    ~TChild() {
        if (FPid > 0) {
            kill(FPid, SIGKILL);
            waitpid(FPid, nullptr, 0);
        }
    }
    pid_t Pid() const { return FPid; }
    // Waits for the end; the exit status, or -1 (a signal, or still running after the guard).
    int Wait() {
        int status = 0;
        if (!WaitUntil([&] { return waitpid(FPid, &status, WNOHANG) == FPid; }, 10000)) return -1;
        FPid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    int Terminate(int signal) {
        kill(FPid, signal);
        return Wait();
    }

private:
    pid_t FPid = -1;
};

TEST(RadioSimProgramTest, RegistersAnswersSavesAndLeaves) {
    TPortDir ports;
    testsupport::TempDir dir;
    const std::string image = dir.File("radio.bin");
    const std::string log = dir.File("radio.log");
    const std::string entry = ports.Path() + "/COM6";
    TChild child({"--port", "6", "--model", "1475", "--image", image, "--log", log});
    ASSERT_GT(child.Pid(), 0);
    ASSERT_TRUE(WaitUntil([&] { return Exists(entry); }, 10000)) << "the port is registered";
    {
        TRadioClient client(6);
        const std::string data = "ABCDEFGH";
        Converse(client, {{Handshake(), "\x06"},
                          {"\x02", "P1475S01"},
                          {"\x06", "\x06"},
                          {Block('W', 0x120, data), "\x06"},
                          {"E", ""}});
        ASSERT_TRUE(WaitUntil([&] { return Exists(image); }, 10000)) << "the image is saved after 'E'";
        TRadioImage saved;
        saved.Load(image);
        std::string bytes;
        saved.Read(0x120, 8, bytes);
        EXPECT_EQ(bytes, data);
        saved.Read(0x128, 8, bytes);
        EXPECT_EQ(bytes, std::string(8, '\xFF'));
    }
    EXPECT_EQ(child.Terminate(SIGTERM), 0);
    EXPECT_FALSE(Exists(entry)) << "the entry is removed at the end";
    const std::string text = testsupport::ReadFileBytes(log);
    EXPECT_NE(text.find("W          0x0120  41 42 43 44 45 46 47 48"), std::string::npos) << text;
    EXPECT_NE(text.find("ms  E"), std::string::npos) << text;
}

TEST(RadioSimProgramTest, AnInterruptEndsItAsTerminationDoes) {
    TPortDir ports;
    TChild child({});
    ASSERT_GT(child.Pid(), 0);
    const std::string entry = ports.Path() + "/COM1";
    ASSERT_TRUE(WaitUntil([&] { return Exists(entry); }, 10000)) << "the first free number";
    {
        TRadioClient client(1);
        Converse(client, {{Handshake(), "\x06"}, {"\x02", "P2475S01"}});
    }
    EXPECT_EQ(child.Terminate(SIGINT), 0);
    EXPECT_FALSE(Exists(entry));
}

TEST(RadioSimProgramTest, RefusesATakenPortAndBadOptions) {
    TPortDir ports;
    testsupport::WriteFileBytes(ports.Path() + "/COM2", "/dev/ttyS1\n");
    struct Case {
        std::vector<std::string> Args;
        int Status;
    };
    const std::vector<Case> cases = {
        {{"--port", "2"}, 1},
        {{"--port", "x"}, 2},
        {{"--fault", "sparks"}, 2},
        {{"--image", ports.Path() + "/COM2"}, 1}, // a file that is no image
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Args[0] + " " + c.Args[1]);
        TChild child(c.Args);
        EXPECT_EQ(child.Wait(), c.Status);
    }
    EXPECT_EQ(testsupport::ReadFileBytes(ports.Path() + "/COM2"), "/dev/ttyS1\n");
    EXPECT_FALSE(Exists(ports.Path() + "/COM1")) << "no entry is left behind";
}

} // namespace
