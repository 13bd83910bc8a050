// What the user waits for in the program's main window, with the program's own windows made as
// the program makes them, offscreen: opening and saving a data file (992 bytes, sixteen
// channels), one hundred files opened in a row, a full repaint of the channel window, the
// channel table scrolled by one row, a grid of 100 and of 10,000 rows scrolled by one row (the
// cost must not grow with rows that are not shown), and the channel report prepared and
// printed by the PDF printer into a file. Opening a file whose table differs from the one shown
// is compared with opening the same file again.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/AllClass.h"
#include "app/ChInfo.h"
#include "app/MainFrm.h"
#include "app/Maindb.h"
#include "app/MeMode.h"
#include "app/Program.h"
#include "grid/Tambor.h"
#include "platform/backend/Backend.h"
#include "platform/backend/BackendPrint.h"
#include "platform/classlib/Dialogs.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"
#include "report/pvrClass.h"
#include "report/pvrPreviewPages.h"
#include "report/pvrPrintDialog.h"
#include "report/pvrPrinter.h"
#include "suite/controls/qzButtons.h"

namespace {

// The program started once for the whole run: its data module and main window with the channel
// window, in a program directory and port directory of their own.
class TProgram {
public:
    static TProgram& Get() {
        if (!Instance) Instance = new TProgram;
        return *Instance;
    }
    // Frees the program's windows, while the thread that made them still runs.
    static void End() {
        delete Instance;
        Instance = nullptr;
    }

    std::string File(const std::string& name) const { return FDir + "/" + name; }

    // Everything queued is handled and everything invalid painted.
    static void Settle() { Application->ProcessMessages(); }

    // Sixteen channels typed in as the channel window's editors would.
    void FillChannels() {
        TTambor& grid = *fChInfo->gvData;
        for (Integer channel = 1; channel <= 16; ++channel) {
            const Integer row = channel + 1;
            grid.WriteForeText(ccRx, row, "45" + std::to_string(channel % 10) + ".01250");
            grid.WriteForeText(ccTx, row, "46" + std::to_string(channel % 10) + ".02500");
        }
        Settle();
    }

private:
    TProgram() {
        char pattern[] = "/tmp/kov571-program-bench-XXXXXX";
        FDir = mkdtemp(pattern);
        std::filesystem::create_directories(FDir + "/ports");
        if (FILE* file = std::fopen((FDir + "/ports/nodefaults").c_str(), "w")) std::fclose(file);
        setenv("KOV571_PORTS", (FDir + "/ports").c_str(), 1);
        MaindbProgramDir = FDir + "/";
        BackendInstall(true);
        BackendInstallPrinters();
        CreateProgramWindows();
        fMainFrm->Show();
        Settle();
        fMaindb->pvrReport->GetEngineOptions()->SetNewSilentMode(simSilent);
        FillChannels();
    }
    ~TProgram() {
        EndProgram();
        BackendUninstall();
        std::filesystem::remove_all(FDir);
    }

    static inline TProgram* Instance = nullptr;
    std::string FDir;
};

void BM_SaveDataFile(benchmark::State& state) {
    TProgram& program = TProgram::Get();
    fMainFrm->FileName = program.File("saved.dat");
    for (auto _ : state)
        fMainFrm->WriteDataFile();
    state.counters["bytes"] = double(std::filesystem::file_size(fMainFrm->FileName));
}

// Reading the file into the data model and the channel table, and painting what changed.
bool OpenOne(const std::string& file) {
    fMainFrm->FileName = file;
    const bool read = fMainFrm->ReadDataFile();
    TProgram::Settle();
    return read;
}

void BM_OpenDataFile(benchmark::State& state) {
    TProgram& program = TProgram::Get();
    fMainFrm->FileName = program.File("open.dat");
    fMainFrm->WriteDataFile();
    for (auto _ : state)
        if (!OpenOne(program.File("open.dat"))) {
            state.SkipWithError("the file was not read");
            return;
        }
}

// Two files whose channel tables differ, opened in turn: every open changes the table, as when
// the user moves between files. Compared with the same file opened again.
void BM_OpenChangedDataFile(benchmark::State& state) {
    TProgram& program = TProgram::Get();
    // Each file written just after its table was typed in, so nothing is left unsaved.
    TTambor& grid = *fChInfo->gvData;
    for (Integer row = 2; row <= 17; ++row)
        grid.WriteForeText(ccRx, row, "45" + std::to_string(row % 10) + ".11250");
    TProgram::Settle();
    fMainFrm->FileName = program.File("second.dat");
    fMainFrm->WriteDataFile();
    program.FillChannels();
    fMainFrm->FileName = program.File("first.dat");
    fMainFrm->WriteDataFile();
    bool first = true;
    for (auto _ : state) {
        if (!OpenOne(program.File(first ? "second.dat" : "first.dat"))) {
            state.SkipWithError("the file was not read");
            return;
        }
        first = !first;
    }
}

void BM_OpenHundredDataFiles(benchmark::State& state) {
    TProgram& program = TProgram::Get();
    for (int i = 0; i < 100; ++i) {
        fMainFrm->FileName = program.File("file" + std::to_string(i) + ".dat");
        fMainFrm->WriteDataFile();
    }
    for (auto _ : state)
        for (int i = 0; i < 100; ++i)
            if (!OpenOne(program.File("file" + std::to_string(i) + ".dat"))) {
                state.SkipWithError("a file was not read");
                return;
            }
}

void BM_RepaintChannelWindow(benchmark::State& state) {
    TProgram::Get();
    const HWND window = fChInfo->GetHandle();
    for (auto _ : state) {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        TProgram::Settle();
    }
}

// One row down, then one up again, alternately: each iteration moves the rows by one.
void ScrollByOneRow(benchmark::State& state, TTambor& grid) {
    if (grid.GetVisibleRowCount() >= grid.GetRowCount() - grid.GetFixedRows()) {
        state.SkipWithError("every row is shown: nothing to scroll");
        return;
    }
    bool down = true;
    for (auto _ : state) {
        grid.ScrollBarCommand(false, down ? 1 : 0, 0); // line down, line up
        UpdateWindow(grid.GetHandle());
        TProgram::Settle();
        down = !down;
    }
}

void BM_ScrollChannelTable(benchmark::State& state) {
    TProgram::Get();
    // A window low enough to leave rows hidden, as on a small screen.
    const Integer height = fChInfo->GetHeight();
    fChInfo->SetHeight(260);
    TProgram::Settle();
    ScrollByOneRow(state, *fChInfo->gvData);
    state.counters["rows_shown"] = double(fChInfo->gvData->GetVisibleRowCount());
    fChInfo->SetHeight(height);
    TProgram::Settle();
}

void BM_ScrollGrid(benchmark::State& state) {
    TProgram::Get();
    const Integer rows = Integer(state.range(0));
    TForm* form = TForm::CreateNew(nullptr);
    form->SetBounds(40, 40, 700, 420);
    auto* grid = new TTambor(form);
    grid->SetParent(form);
    grid->SetAlign(alClient);
    grid->SetColCount(11);
    grid->SetRowCount(rows + 1);
    for (Integer row = 1; row <= rows; ++row) {
        grid->CellAt(1, row).ForeText = std::to_string(row);
        grid->CellAt(2, row).ForeText = "45" + std::to_string(row % 10) + ".01250";
        grid->CellAt(3, row).ForeText = "46" + std::to_string(row % 10) + ".00000";
        grid->CellAt(4, row).ForeText = "67.0";
    }
    form->Show();
    TProgram::Settle();
    grid->SetTopLeft(1, rows / 2);
    TProgram::Settle();
    ScrollByOneRow(state, *grid);
    delete form;
    TProgram::Settle();
}

// "&Print" of the main window: the print record sets filled, the channel report prepared and
// printed by the "PDF" printer into a file chosen in the print dialog.
std::string gPrintFile;

void PrintDialogAnswer(TCustomForm* form) {
    auto* dialog = dynamic_cast<TpvrPrintDialog*>(form);
    if (!dialog) {
        form->SetModalResult(mrCancel);
        return;
    }
    dialog->PrintersCB->SetItemIndex(GetReportPrinters()->IndexOf("PDF"));
    dialog->PrintersCBClick(nullptr);
    dialog->FileCB->SetChecked(true);
    dialog->OkB->Click();
}

void BM_PrintChannelReport(benchmark::State& state) {
    TProgram& program = TProgram::Get();
    gPrintFile = program.File("report");
    const TModalLoopHook previous = SetModalLoopHook(&PrintDialogAnswer);
    for (auto _ : state) {
        TScopedDialogScript files;
        files.ChooseFiles({gPrintFile});
        std::filesystem::remove(gPrintFile + ".prn");
        fMainFrm->PrintData(false);
        if (!std::filesystem::exists(gPrintFile + ".prn")) {
            state.SkipWithError("nothing was printed");
            break;
        }
    }
    SetModalLoopHook(previous);
    state.counters["pages"] = double(fMaindb->pvrReport->GetPreviewPages()->GetCount());
}

} // namespace

BENCHMARK(BM_OpenDataFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenChangedDataFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveDataFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenHundredDataFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintChannelWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollChannelTable)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollGrid)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrintChannelReport)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    TProgram::End();
    return 0;
}
