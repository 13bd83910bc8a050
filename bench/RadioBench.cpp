// A whole read from and a whole write to the simulated radio, paced like the real 9600-baud
// line both ways: what the user waits for between pressing OK and the end (the read dialog
// closed, the write's success message). The dialogs run as the program runs them, on the real
// clock, with their prompts answered by a script.
//
// Each is compared with its floor: the time the line and the protocol's own pauses take, counted
// from the protocol (16 channels), not from a run. The counter "ratio" is the time over the
// floor.
//
// With KOV_RADIO_BENCH_LOG set to a file name, the simulated radio's log (every command and
// reply with its time on the line) is written there at the end, to see where time goes; a run
// that fails names the prompts the program showed.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/AllClass.h"
#include "app/MeMode.h"
#include "app/ReadRadio.h"
#include "app/WriteRadio.h"
#include "grid/Tambor.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Prompts.h"
#include "platform/winapi/WinCore.h"
#include "suite/controls/qzButtons.h"
#include "tools/radio-sim/RadioLine.h"

namespace {

// 9600 baud, 8 data bits, no parity, 2 stop bits: 11 bits a byte.
constexpr double ByteMs = 1.146;
// The handshake: 0x02, 200 ms, then the seven letters of the entry code 2 ms apart; answered by
// one byte. The identification: 0x02, answered by 8 bytes. Each of the two replies is handled
// with a 5 ms pause. Then the first acknowledgement exchange (0x06 for 0x06).
constexpr double HandshakeBytes = 1 + 7 + 1 + 1 + 8 + 1 + 1;
constexpr double HandshakeMs = 200 + 6 * 2 + 2 * 5;
// 24 records of 16 bytes (block 0, 16 channels, four text records, settings A, the model record,
// settings B), each as two half-blocks.
constexpr double HalfBlocks = 2 * 24;

// Read: OK pauses 500 ms. Each half-block is 'R' hi lo 8 answered by 12 bytes, then an
// acknowledgement exchange; the read dialog pauses 5 ms on each reply it hands to the worker
// (the first exchange's and two per half-block). 'E' ends it; after the success message the
// dialog closes 300 ms later.
constexpr double ReadFloorMs = 500 + HandshakeMs + (1 + 2 * HalfBlocks) * 5 + 300 +
                               (HandshakeBytes + HalfBlocks * (4 + 12 + 1 + 1) + 1) * ByteMs;
// Write: OK pauses 450 ms and 50 ms more before the handshake. Each half-block is 'W' (or 'Y')
// hi lo 8 and its 8 bytes, answered by one byte, then 28 ms. 'E' ends it with the success
// message.
constexpr double WriteFloorMs =
    450 + 50 + HandshakeMs + HalfBlocks * 28 + (HandshakeBytes + HalfBlocks * (12 + 1) + 1) * ByteMs;

// The data model, an application, a port directory of its own and the paced radio on it.
class TBench {
public:
    TBench() {
        char pattern[] = "/tmp/kov571-radio-bench-XXXXXX";
        FDir = mkdtemp(pattern);
        const std::string noDefaults = FDir + "/nodefaults";
        if (FILE* file = std::fopen(noDefaults.c_str(), "w")) std::fclose(file);
        setenv("KOV571_PORTS", FDir.c_str(), 1);
        ClockSetMode(TClockMode::Real);
        CreateDataModelInstances();
        FillBandCodeTable(*BandList);
        BuildModelTable();
        AppState->UseModel(*ModelList->FindModelByCode("2475"));
        AppState->UseBand("450 - 470MHz");
        App = std::make_unique<TApplication>(nullptr);
        Host = TForm::CreateNew(nullptr);
        Grid = new TTambor(Host);
        Grid->SetParent(Host);
        Grid->SetColCount(11);
        Grid->SetRowCount(18);
        for (Integer row = 2; row <= 17; ++row) {
            Grid->CellAt(2, row).ForeText = "45" + std::to_string(row % 10) + ".01250";
            Grid->CellAt(3, row).ForeText = "46" + std::to_string(row % 10) + ".00000";
            Grid->CellAt(4, row).ForeText = "67.0";
            Grid->CellAt(5, row).ForeText = "D023N";
            for (Integer col = 6; col <= 10; ++col)
                Grid->CellAt(col, row).BackText = "1";
        }
        Line.WithCore([](TRadioCore& core) { core.SetPacing(true); });
        if (const char* log = std::getenv("KOV_RADIO_BENCH_LOG")) FLogFile = std::fopen(log, "w");
        Line.Start();
        AppState->ComPort = "COM" + std::to_string(Line.GetPortNumber());
    }
    ~TBench() {
        if (FLogFile) {
            Line.WithCore([this](TRadioCore& core) {
                for (const TRadioLogEntry& entry : core.Log())
                    std::fprintf(FLogFile, "%s\n", FormatRadioLogEntry(entry).c_str());
            });
            std::fclose(FLogFile);
        }
        delete Host;
        App.reset();
        Line.Stop();
        std::filesystem::remove_all(FDir);
    }

    // Serves the messages until `done`; false after a minute without it.
    static bool Pump(const std::function<bool()>& done) {
        MSG msg;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (std::chrono::steady_clock::now() < deadline) {
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            if (done()) return true;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
        return false;
    }

    std::unique_ptr<TApplication> App;
    TForm* Host = nullptr;
    TTambor* Grid = nullptr;
    TRadioLine Line;

private:
    std::string FDir;
    FILE* FLogFile = nullptr;
};

// "... did not succeed; prompts: "text"/flags ...": what the program showed instead of success.
std::string Failure(const char* what, const TScopedPromptScript& prompts) {
    std::string text = std::string("the ") + what + " did not succeed; prompts:";
    for (const TPromptRecord& prompt : prompts.Prompts())
        text += " \"" + prompt.Text + "\"/" + std::to_string(prompt.Flags);
    return text;
}

// Milliseconds on the steady clock since `from`.
double MsSince(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from).count();
}

// The floor, and the mean time of an iteration over it.
void Report(benchmark::State& state, double floorMs, double totalMs) {
    state.counters["floor_ms"] = floorMs;
    if (state.iterations() > 0) state.counters["ratio"] = totalMs / double(state.iterations()) / floorMs;
}

void BM_WriteWholeRadio(benchmark::State& state) {
    TBench bench;
    double totalMs = 0;
    for (auto _ : state) {
        TScopedPromptScript prompts({IDOK});
        TfWriteRadio dialog(nullptr);
        dialog.ChannelGrid = bench.Grid;
        dialog.NoneText = "None";
        dialog.Show();
        const auto start = std::chrono::steady_clock::now();
        dialog.btnOk->Click();
        if (!TBench::Pump([&] { return !prompts.Prompts().empty(); }) ||
            prompts.Prompts()[0].Text != PromptTexts->WriteOk) {
            state.SkipWithError(Failure("write", prompts).c_str());
            break;
        }
        const double ms = MsSince(start);
        state.SetIterationTime(ms / 1000.0);
        totalMs += ms;
        dialog.Close();
    }
    Report(state, WriteFloorMs, totalMs);
}

void BM_ReadWholeRadio(benchmark::State& state) {
    TBench bench;
    double totalMs = 0;
    for (auto _ : state) {
        TScopedPromptScript prompts({IDOK});
        TfReadRadio dialog(nullptr);
        dialog.StagingGrid = bench.Grid;
        dialog.Show();
        const auto start = std::chrono::steady_clock::now();
        dialog.btnOk->Click();
        // The dialog closes itself after a read that succeeded; any other prompt than the
        // success message (a communication error) ends the run.
        auto failed = [&] {
            for (const TPromptRecord& prompt : prompts.Prompts())
                if (prompt.Text != PromptTexts->ReadOk) return true;
            return false;
        };
        if (!TBench::Pump([&] { return !dialog.GetVisible() || failed(); }) || failed() ||
            !dialog.ReadSucceeded) {
            state.SkipWithError(Failure("read", prompts).c_str());
            break;
        }
        const double ms = MsSince(start);
        state.SetIterationTime(ms / 1000.0);
        totalMs += ms;
    }
    Report(state, ReadFloorMs, totalMs);
}

// Timed from pressing OK: making the dialog and opening the port come before.
BENCHMARK(BM_WriteWholeRadio)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadWholeRadio)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
