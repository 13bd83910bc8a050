// radio-sim: a simulated KOV-571 radio on a pseudo-terminal, for trying the program without a
// radio and for its end-to-end tests.
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "tools/radio-sim/RadioLine.h"
#include "tools/radio-sim/RadioOptions.h"

int main(int argc, char** argv) {
    TRadioSimOptions options;
    try {
        options = ParseRadioSimOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "radio-sim: %s\n%s", e.what(), RadioSimUsage().c_str());
        return 2;
    }
    if (options.Help) {
        std::fputs(RadioSimUsage().c_str(), stdout);
        return 0;
    }

    // The signals that end the program are taken by sigwait below; every thread blocks them.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

    FILE* log = stdout;
    if (options.LogPath != "-") {
        log = std::fopen(options.LogPath.c_str(), "w");
        if (log == nullptr) {
            std::fprintf(stderr, "radio-sim: cannot create the log %s: %s\n", options.LogPath.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }

    TRadioLine line;
    try {
        line.WithCore([&](TRadioCore& core) {
            core.SetModelCode(options.ModelCode);
            core.SetSilenceMs(options.SilenceMs);
            core.SetPacing(options.Pacing);
            for (const TRadioFault& fault : options.Faults)
                core.AddFault(fault);
            struct stat info;
            if (!options.ImagePath.empty() && stat(options.ImagePath.c_str(), &info) == 0)
                core.Image().Load(options.ImagePath);
            core.OnLog = [log](const TRadioLogEntry& entry) {
                std::fprintf(log, "%s\n", FormatRadioLogEntry(entry).c_str());
                std::fflush(log);
            };
        });
        if (!options.ImagePath.empty())
            line.OnEnded = [&options](TRadioCore& core) {
                try {
                    core.Image().Save(options.ImagePath);
                } catch (const std::exception& e) {
                    std::fprintf(stderr, "radio-sim: %s\n", e.what());
                }
            };
        line.Start(options.PortNumber);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "radio-sim: %s\n", e.what());
        if (log != stdout) std::fclose(log);
        return 1;
    }
    std::fprintf(stderr, "radio-sim: COM%d is %s (entry %s); model %s; Ctrl+C ends\n", line.GetPortNumber(),
                 line.GetDevicePath().c_str(), line.GetEntryPath().c_str(), options.ModelCode.c_str());

    int signal = 0;
    while (sigwait(&endSignals, &signal) != 0) {
    }
    line.Stop();
    if (log != stdout) std::fclose(log);
    return 0;
}
