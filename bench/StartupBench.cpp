// Start-up as the user waits for it: from starting the process to the main window with the
// channel table shown, painted and exposed on the display. The program is started as a separate
// process each time with KOV571_FIRST_PAINT_FILE set: it writes the monotonic clock's reading
// there at its first idle moment with everything painted and then quits. The time reported is
// that reading less the time just before the process was spawned; the peak resident memory of
// the process, the whole run until it has exited and its processor time are counters.
//
// Each benchmark runs offscreen and on the X display named by DISPLAY (skipped without one; the
// benchmark script runs this program under xvfb-run). The platform's empty window, started the
// same way, is the figure to compare with.
//
// A cold start drops the program's own file (the executable, which holds all of the program's
// code) from the page cache before each run, as far as an ordinary process can: the pages no
// running process maps go (posix_fadvise DONTNEED after a sync); the system libraries stay, as
// they stay for a user starting the program on a running desktop. The counter "dropped_MiB"
// says how much of the executable was no longer cached when the run began.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

long long MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

// A home and port directory of the run's own, so nothing of the user's is read or written.
struct TScratch {
    TScratch() {
        char pattern[] = "/tmp/kov571-startup-bench-XXXXXX";
        Dir = mkdtemp(pattern);
        std::filesystem::create_directories(Dir + "/home");
        std::filesystem::create_directories(Dir + "/ports");
        std::filesystem::create_directories(Dir + "/runtime");
        std::filesystem::permissions(Dir + "/runtime", std::filesystem::perms::owner_all);
    }
    ~TScratch() { std::filesystem::remove_all(Dir); }
    std::string Dir;
};

// Asks the system to drop the file's cached pages; returns the MiB of it not cached afterwards.
double DropFromCache(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return 0;
    fdatasync(fd);
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    double notCached = 0;
    const off_t size = lseek(fd, 0, SEEK_END);
    const long page = sysconf(_SC_PAGESIZE);
    if (size > 0)
        if (void* map = mmap(nullptr, size_t(size), PROT_READ, MAP_SHARED, fd, 0); map != MAP_FAILED) {
            std::vector<unsigned char> resident(size_t((size + page - 1) / page));
            if (mincore(map, size_t(size), resident.data()) == 0)
                for (unsigned char r : resident)
                    if (!(r & 1)) notCached += double(page);
            munmap(map, size_t(size));
        }
    close(fd);
    return notCached / (1024.0 * 1024.0);
}

struct TRun {
    bool Ok = false;
    std::string Error;
    double FirstPaintMs = 0;
    double ExitMs = 0;
    double PeakMiB = 0;
    double CpuMs = 0;
};

TRun RunOnce(const std::string& program, const std::string& platform, const TScratch& scratch) {
    TRun run;
    const std::string stampFile = scratch.Dir + "/first-paint";
    std::filesystem::remove(stampFile);
    std::vector<std::string> env;
    auto replaced = [](const std::string& entry) {
        for (const char* name : {"HOME=", "QT_QPA_PLATFORM=", "KOV571_", "XDG_RUNTIME_DIR="})
            if (entry.rfind(name, 0) == 0) return true;
        return false;
    };
    for (char** e = environ; *e; ++e)
        if (!replaced(*e)) env.push_back(*e);
    env.push_back("HOME=" + scratch.Dir + "/home");
    env.push_back("XDG_RUNTIME_DIR=" + scratch.Dir + "/runtime");
    env.push_back("KOV571_PORTS=" + scratch.Dir + "/ports");
    env.push_back("QT_QPA_PLATFORM=" + platform);
    env.push_back("KOV571_FIRST_PAINT_FILE=" + stampFile);
    std::vector<char*> envp;
    for (std::string& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string path = program;
    char* argv[] = {path.data(), nullptr};

    const long long start = MonotonicNs();
    pid_t pid = 0;
    if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, envp.data()) != 0) {
        run.Error = "cannot start " + program;
        return run;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) {
        run.Error = "lost the process";
        return run;
    }
    run.ExitMs = double(MonotonicNs() - start) / 1e6;
    run.PeakMiB = double(usage.ru_maxrss) / 1024.0;
    run.CpuMs = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        run.Error = WIFSIGNALED(status) ? "the program died of signal " + std::to_string(WTERMSIG(status))
                                        : "the program exited with " + std::to_string(WEXITSTATUS(status));
        return run;
    }
    long long stamp = 0;
    std::ifstream in(stampFile);
    if (!(in >> stamp)) {
        run.Error = "the program quit without reporting its first paint";
        return run;
    }
    run.FirstPaintMs = double(stamp - start) / 1e6;
    run.Ok = true;
    return run;
}

void StartUp(benchmark::State& state, const std::string& program, const std::string& platform, bool cold) {
    if (platform == "xcb" && !getenv("DISPLAY")) {
        state.SkipWithError("no X display (run under xvfb-run)");
        return;
    }
    TScratch scratch;
    double peak = 0, exit = 0, cpu = 0, dropped = 0;
    for (auto _ : state) {
        if (cold) dropped += DropFromCache(program);
        const TRun run = RunOnce(program, platform, scratch);
        if (!run.Ok) {
            state.SkipWithError(run.Error.c_str());
            return;
        }
        state.SetIterationTime(run.FirstPaintMs / 1000.0);
        peak = std::max(peak, run.PeakMiB);
        exit += run.ExitMs;
        cpu += run.CpuMs;
    }
    state.counters["peak_MiB"] = peak;
    state.counters["until_exit_ms"] = exit / double(state.iterations());
    // The processor time of the whole run, which other load on the machine disturbs less.
    state.counters["cpu_ms"] = cpu / double(state.iterations());
    if (cold) state.counters["dropped_MiB"] = dropped / double(state.iterations());
}

void BM_StartUp(benchmark::State& state, const char* platform) { StartUp(state, KOV_PROGRAM, platform, false); }
void BM_ColdStartUp(benchmark::State& state, const char* platform) { StartUp(state, KOV_PROGRAM, platform, true); }
void BM_EmptyWindow(benchmark::State& state, const char* platform) {
    StartUp(state, KOV_EMPTY_WINDOW, platform, false);
}
void BM_ColdEmptyWindow(benchmark::State& state, const char* platform) {
    StartUp(state, KOV_EMPTY_WINDOW, platform, true);
}

} // namespace

BENCHMARK_CAPTURE(BM_StartUp, offscreen, "offscreen")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(BM_StartUp, xcb, "xcb")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(BM_ColdStartUp, offscreen, "offscreen")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK_CAPTURE(BM_ColdStartUp, xcb, "xcb")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(BM_EmptyWindow, offscreen, "offscreen")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK_CAPTURE(BM_EmptyWindow, xcb, "xcb")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(BM_ColdEmptyWindow, offscreen, "offscreen")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK_CAPTURE(BM_ColdEmptyWindow, xcb, "xcb")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

BENCHMARK_MAIN();
