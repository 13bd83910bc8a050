// A whole read from and a whole write to the simulated radio, paced like the real 9600-baud
// line: what the user waits for between pressing OK and the success message. The dialogs run
// as the program runs them, on the real clock, with their prompts answered by a script.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <memory>

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
        ModelList = std::make_unique<TMacList>();
        AppState = std::make_unique<TALL>();
        TestFrequencies = std::make_unique<TTestFre>();
        MessageLines = std::make_unique<TEnMsg>();
        FunctionSettings = std::make_unique<TFun>();
        BandList = std::make_unique<TFrqList>();
        PromptTexts = std::make_unique<TLanguage>();
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
        Line.Start();
        AppState->ComPort = "COM" + std::to_string(Line.GetPortNumber());
    }
    ~TBench() {
        delete Host;
        App.reset();
        Line.Stop();
        std::filesystem::remove_all(FDir);
    }

    static bool Pump(const std::function<bool()>& done) {
        MSG msg;
        for (int rounds = 0; rounds < 200000; ++rounds) {
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
};

void BM_WriteWholeRadio(benchmark::State& state) {
    TBench bench;
    for (auto _ : state) {
        TScopedPromptScript prompts({IDOK});
        TfWriteRadio dialog(nullptr);
        dialog.ChannelGrid = bench.Grid;
        dialog.NoneText = "None";
        dialog.Show();
        dialog.btnOk->Click();
        if (!TBench::Pump([&] { return !prompts.Prompts().empty(); }) ||
            prompts.Prompts()[0].Text != PromptTexts->WriteOk) {
            state.SkipWithError("the write did not succeed");
            break;
        }
        dialog.Close();
    }
}

void BM_ReadWholeRadio(benchmark::State& state) {
    TBench bench;
    for (auto _ : state) {
        TScopedPromptScript prompts({IDOK});
        TfReadRadio dialog(nullptr);
        dialog.StagingGrid = bench.Grid;
        dialog.Show();
        dialog.btnOk->Click();
        if (!TBench::Pump([&] { return dialog.ReadSucceeded; })) {
            state.SkipWithError("the read did not succeed");
            break;
        }
        dialog.Close();
    }
}

BENCHMARK(BM_WriteWholeRadio)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadWholeRadio)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
