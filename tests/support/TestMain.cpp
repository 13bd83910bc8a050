// The main of every test executable: the runtime starts from fixed English settings, so no
// test depends on the machine's language. CTest runs a whole suite in one process; so that a
// test still finds the process as if it ran alone, each test gets a fresh directory as its
// HOME and TMPDIR, removed after it, and a watchdog names a test that runs too long and ends
// the process, so a hang in a suite still says which test hung.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/SysInfo.h"
#include "tests/support/TestSupport.h"

namespace {

// Seconds one test may run before the watchdog ends the process: $KOV_TEST_TIMEOUT, or 120.
int TestTimeoutSeconds() {
    const char* text = std::getenv("KOV_TEST_TIMEOUT");
    if (text != nullptr) {
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && value > 0 && value < 1000000) return int(value);
    }
    return 120;
}

// Measures steady (real) time, not the runtime's clock, which tests may put on manual.
class TWatchdog {
public:
    explicit TWatchdog(int seconds) : FLimit(seconds), FThread([this] { Run(); }) {}
    ~TWatchdog() {
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FStop = true;
        }
        FChanged.notify_all();
        FThread.join();
    }

    void Start(std::string name) {
        std::lock_guard<std::mutex> lock(FMutex);
        FName = std::move(name);
        FDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(FLimit);
        FRunning = true;
        FChanged.notify_all();
    }

    void Stop() {
        std::lock_guard<std::mutex> lock(FMutex);
        FRunning = false;
        FChanged.notify_all();
    }

private:
    void Run() {
        std::unique_lock<std::mutex> lock(FMutex);
        while (!FStop) {
            if (!FRunning) {
                FChanged.wait(lock);
                continue;
            }
            if (FChanged.wait_until(lock, FDeadline) == std::cv_status::timeout && FRunning &&
                std::chrono::steady_clock::now() >= FDeadline) {
                std::fprintf(stderr, "\n[  TIMEOUT ] %s has run for more than %d s; ending the process\n",
                             FName.c_str(), FLimit);
                std::fflush(stderr);
                std::fflush(stdout);
                std::abort();
            }
        }
    }

    const int FLimit;
    std::mutex FMutex;
    std::condition_variable FChanged;
    std::string FName;
    std::chrono::steady_clock::time_point FDeadline;
    bool FRunning = false;
    bool FStop = false;
    std::thread FThread;  // last: starts when everything above is ready
};

// A directory of each test's own as HOME and TMPDIR while it runs.
class TTestEnvironment : public ::testing::EmptyTestEventListener {
public:
    explicit TTestEnvironment(TWatchdog& watchdog) : FWatchdog(watchdog) {}

    void OnTestStart(const ::testing::TestInfo& info) override {
        FWatchdog.Start(std::string(info.test_suite_name()) + "." + info.name());
        // The platform's own texts are English whatever the machine's locale; a test of the
        // Chinese ones sets it.
        SetUserMessagesLocale("en_US.UTF-8");
        FDir = std::make_unique<testsupport::TempDir>();
        const std::string home = FDir->File("home");
        const std::string tmp = FDir->File("tmp");
        std::filesystem::create_directory(home);
        std::filesystem::create_directory(tmp);
        FHome = std::make_unique<testsupport::ScopedEnv>("HOME", home.c_str());
        FTmp = std::make_unique<testsupport::ScopedEnv>("TMPDIR", tmp.c_str());
    }

    void OnTestEnd(const ::testing::TestInfo&) override {
        FTmp.reset();
        FHome.reset();
        FDir.reset();
        FWatchdog.Stop();
    }

private:
    TWatchdog& FWatchdog;
    std::unique_ptr<testsupport::TempDir> FDir;
    std::unique_ptr<testsupport::ScopedEnv> FHome;
    std::unique_ptr<testsupport::ScopedEnv> FTmp;
};

}  // namespace

int main(int argc, char** argv) {
    FormatSettings = DefaultFormatSettings();
    ::testing::InitGoogleTest(&argc, argv);
    TWatchdog watchdog(TestTimeoutSeconds());
    ::testing::UnitTest::GetInstance()->listeners().Append(new TTestEnvironment(watchdog));
    return RUN_ALL_TESTS();
}
