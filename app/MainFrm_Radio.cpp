// The main window's radio commands: reading into the hidden staging grid and copying it into
// the channel table after a successful read, and writing the channel table to the radio.
#include <memory>

#include "app/AllClass.h"
#include "app/ChInfo.h"
#include "app/MainFrm.h"
#include "app/ReadRadio.h"
#include "app/WriteRadio.h"
#include "grid/Tambor.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Strings.h"
#include "suite/editors/qzDropDownEdit.h"

namespace {

constexpr Integer ReadOnlyProperty = 2;

TTambor* StagingGridOf(TfMainFrm& frame) {
    if (!frame.tvData) frame.tvData = dynamic_cast<TTambor*>(frame.FindComponent("tvData"));
    return frame.tvData;
}

// The item at a list index of an option editor, empty for an index the list does not have.
String OptionText(TqzComboBox* list, const String& index) {
    Integer i = -1;
    if (!list || !TryStrToInt(index, i)) return String();
    TStrings* items = list->GetProperties()->GetItems();
    return i >= 0 && i < items->GetCount() ? items->GetStrings(i) : String();
}

} // namespace

void TfMainFrm::ShowReadDialog() {
    std::unique_ptr<TfReadRadio> dialog(new TfReadRadio(this));
    dialog->StagingGrid = StagingGridOf(*this);
    dialog->ShowModal();
    const bool succeeded = dialog->ReadSucceeded;
    dialog.reset();
    if (succeeded) ApplyReadResult();
}

void TfMainFrm::ShowWriteDialog() {
    std::unique_ptr<TfWriteRadio> dialog(new TfWriteRadio(this));
    if (fChInfo) {
        dialog->ChannelGrid = fChInfo->gvData;
        dialog->NoneText = fChInfo->lNone->GetCaption();
    }
    dialog->ShowModal();
}

void TfMainFrm::ResetStagingRows() {
    TTambor* staging = StagingGridOf(*this);
    if (!staging) return;
    staging->SetRowCount(2);
    staging->SetRowCount(AppState->ChannelCount + 2);
}

void TfMainFrm::ApplyReadResult() {
    TTambor* staging = StagingGridOf(*this);
    if (!fChInfo || !staging) return;
    TTambor* grid = fChInfo->gvData;
    fChInfo->ResetRows();
    AppState->Modified = true;
    FileName.clear();
    RefreshStatus();
    grid->SetAutoUpdate(false);
    TqzComboBox* const lists[5] = {fChInfo->cbfsgl, fChInfo->cbkz, fChInfo->cbHave, fChInfo->cbHave,
                                   fChInfo->cbHave};
    const String noneText = fChInfo->lNone->GetCaption();
    const Integer last = std::min(grid->GetRowCount(), staging->GetRowCount()) - 1;
    for (Integer row = 2; row <= last; ++row) {
        if (staging->CellAt(ccRx, row).ForeText.empty()) continue;
        grid->CellAt(ccInUse, row).BackText = "1";
        grid->CellAt(ccRx, row).ForeText = staging->CellAt(ccRx, row).ForeText;
        grid->CellAt(ccTx, row).ForeText = staging->CellAt(ccTx, row).ForeText;
        for (Integer col : {Integer(ccDecodeTone), Integer(ccEncodeTone)}) {
            const String tone = staging->CellAt(col, row).ForeText;
            grid->WriteForeText(col, row, tone.empty() ? noneText : tone);
        }
        for (Integer col = ccTxPower; col <= ccBusyLockout; ++col) {
            const String index = staging->CellAt(col, row).BackText;
            grid->WriteBackText(col, row, index);
            grid->WriteForeText(col, row, OptionText(lists[col - ccTxPower], index));
        }
        grid->SetRangeCellProperty(TGridRect{ccTx, row, ccTx, row}, ReadOnlyProperty, 0);
    }
    grid->SetAutoUpdate(true);
    grid->Refresh();
}
