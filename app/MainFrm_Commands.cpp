// The main window's command dispatcher and the dialogs it opens.
#include <memory>

#include "app/AllClass.h"
#include "app/BBatchEdit.h"
#include "app/BFunSet.h"
#include "app/BInfoEdit.h"
#include "app/ChInfo.h"
#include "app/EmbeddedMessage.h"
#include "app/FrmAbout.h"
#include "app/MainFrm.h"
#include "app/Model.h"
#include "app/SetLanguage.h"
#include "app/SetPort.h"
#include "app/TestFrequency.h"
#include "grid/Tambor.h"
#include "platform/winapi/Shell.h"
#include "suite/controls/qzSpinEdit.h"
#include "suite/editors/qzDropDownEdit.h"

namespace {

// Creates a dialog owned by the frame, shows it modally and frees it; `prepare` runs before
// the show and `after` once it is closed, before it goes.
template <class T, class Prepare, class After>
void RunDialog(TfMainFrm* frame, Prepare prepare, After after) {
    std::unique_ptr<T> dialog(new T(frame));
    prepare(*dialog);
    dialog->ShowModal();
    after(*dialog);
}

template <class T> void RunDialog(TfMainFrm* frame) {
    RunDialog<T>(frame, [](T&) {}, [](T&) {});
}

} // namespace

void TfMainFrm::RunCommand(Integer tag) {
    if (fChInfo) {
        if (fChInfo->gvData && fChInfo->gvData->GetEditorMode()) fChInfo->gvData->CloseEditor();
        for (TqzComboBox* editor : {fChInfo->cbfsgl, fChInfo->cbDQT, fChInfo->cbQT, fChInfo->cbHave, fChInfo->cbkz})
            if (editor) editor->SetVisible(false);
    }
    switch (tag) {
    case 1: NewData(); break;
    case 2: OpenData(); break;
    case 3: SaveData(3); break;
    case 4: SaveData(4); break;
    case 7: PrintData(false); break;
    case 8: PrintData(true); break;
    case 9: ShowModelDialog(); break;
    case 10: ShowChannelDialog(); break;
    case 18: ShowTestFrequencyDialog(); break;
    case 19: ShowMessageDialog(); break;
    case 20: ShowReadDialog(); break;
    case 21: ShowWriteDialog(); break;
    case 22: TestOnline(); break;
    case 24:
        ShowPortDialog();
        RefreshStatus();
        break;
    case 25: ShowLanguageDialog(); break;
    case 29: Cascade(); break;
    case 30:
        SetTileMode(tbHorizontal);
        Tile();
        break;
    case 31:
        SetTileMode(tbVertical);
        Tile();
        break;
    case 32: ArrangeIcons(); break;
    case 33:
        // The channel window holds the only copy of the channel table and lives as long as the
        // program: it is closed by hiding it, never freed and never left as an icon.
        for (Integer i = GetMDIChildCount() - 1; i >= 0; --i) {
            TForm* child = GetMDIChildren(i);
            if (child == fChInfo)
                child->Hide();
            else
                child->Close();
        }
        break;
    case 34: ShowHelp(); break;
    case 35: ShowAbout(); break;
    case 36: ShowBatchDialog(); break;
    case 37: ShowFunctionDialog(); break;
    default: break; // every unknown tag
    }
}

void TfMainFrm::ShowModelDialog() {
    String model, band;
    bool accepted = false;
    RunDialog<TfModel>(this, [](TfModel&) {},
                       [&](TfModel& d) {
                           accepted = d.Accepted;
                           model = d.cbCopmut->GetText();
                           band = d.cbPd->GetText();
                       });
    if (!accepted) return;
    if (AppState->Modified) {
        if (ShowPrompt(PromptTexts->Confirmation, PromptTexts->ClearData, 2) != IDYES) return;
        // The old data are saved (when the user wants that) under the old model and band, and
        // a save that did not happen keeps everything as it was.
        if (!SaveBeforeDiscard()) return;
    }
    TMacType* descriptor = ModelList->FindModelByName(model);
    if (!descriptor) return;
    AppState->UseModel(*descriptor);
    AppState->UseBand(band);
    ResetSettingsAndMessages();
    AppState->Modified = false;
    NewData();
}

void TfMainFrm::ShowChannelDialog() {
    if (!fChInfo) return;
    TTambor* grid = fChInfo->gvData;
    RunDialog<TfBInfoEdit>(
        this,
        [grid](TfBInfoEdit& d) {
            d.StartChannel = grid->GetRow() - 1;
            d.Loading = false;
            d.sexd->GetProperties()->SetMaxValue(grid->GetRowCount() - 2);
        },
        [](TfBInfoEdit&) {});
}

void TfMainFrm::ShowBatchDialog() {
    if (!fChInfo) return;
    TTambor* grid = fChInfo->gvData;
    RunDialog<TfBBatchEdit>(
        this,
        [grid](TfBBatchEdit& d) {
            for (TqzSpinEdit* spin : {d.seFrom, d.seTo})
                spin->GetProperties()->SetMaxValue(grid->GetRowCount() - 2);
        },
        [](TfBBatchEdit&) {});
}

void TfMainFrm::ShowTestFrequencyDialog() { RunDialog<TfTestFrequency>(this); }
void TfMainFrm::ShowMessageDialog() { RunDialog<TfEmbeddedMessage>(this); }
void TfMainFrm::ShowFunctionDialog() { RunDialog<TfBFunSet>(this); }
void TfMainFrm::ShowPortDialog() { RunDialog<TfSetPort>(this); }
void TfMainFrm::ShowAbout() { RunDialog<TfFrmAbout>(this); }
void TfMainFrm::TestOnline() {}

void TfMainFrm::ShowLanguageDialog() {
    bool changed = false;
    RunDialog<TfSetLanguage>(this, [](TfSetLanguage&) {}, [&](TfSetLanguage& d) { changed = d.Changed; });
    if (!changed) return;
    LoadMessages(AppState->LanguageName);
    TranslateForm(this, AppState->LanguageName, true);
    RefreshStatus();
    if (fChInfo) fChInfo->RetranslateGrid();
}

void TfMainFrm::ShowHelp() {
    const TALL& state = *AppState;
    if (HWND help = FindWindowA(nullptr, (state.HelpName + "_Help").c_str())) {
        SendMessageA(help, WM_SHOWWINDOW, 0, 0);
        return;
    }
    const String file = state.AppDir + state.HelpName + "_" + state.LanguageName + ".chm";
    const auto result = reinterpret_cast<std::intptr_t>(
        ShellExecuteA(GetHandle(), "open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    // The desktop says nothing when it cannot open the file, so the user is told here.
    if (result <= 32)
        Application->MessageBox(("Cannot open the help file \"" + file + "\".").c_str(),
                                Application->GetTitle().c_str(), MB_OK | MB_ICONERROR);
}
