#include "app/ChInfo.h"

#include "app/AllClass.h"
#include "app/ToneOption.h"
#include "grid/Tambor.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Strings.h"
#include "suite/editors/qzDropDownEdit.h"

#include <memory>

TfChInfo* fChInfo = nullptr;

namespace {

// Cell-property selectors of the grid.
constexpr Integer kAlignMode = 1;
constexpr Integer kReadOnly = 2;
constexpr Integer kColor = 19;

// Columns of the table.
constexpr Integer kNumberCol = 1;
constexpr Integer kRxCol = 2;
constexpr Integer kTxCol = 3;
constexpr Integer kDecodeToneCol = 4;
constexpr Integer kEncodeToneCol = 5;
constexpr Integer kPowerCol = 6;
constexpr Integer kBandwidthCol = 7;
constexpr Integer kLastCol = 10;
constexpr Integer kTitleRow = 1;
constexpr Integer kFirstChannelRow = 2;

// The tone editors carry this Tag (it also limits their translation to the "None" item).
constexpr Integer kToneTag = -3;

template <typename T> T* Find(TComponent* owner, const char* name) {
    return dynamic_cast<T*>(owner->FindComponent(name));
}

TAlignMode AlignOfCode(Integer code) {
    switch (code) {
    case 1:
        return TAlignMode::taLeft;
    case 3:
        return TAlignMode::taRight;
    default:
        return TAlignMode::taCenter;
    }
}

String ItemOf(TqzComboBox* editor, Integer index) {
    TStrings* items = editor->GetProperties()->GetItems();
    return index >= 0 && index < items->GetCount() ? items->GetStrings(index) : String();
}

// Turns the notices of the grid's repainting off for a scope and back on (which repaints).
class TNoAutoUpdate {
public:
    explicit TNoAutoUpdate(TTambor* grid) : FGrid(grid) { FGrid->SetAutoUpdate(false); }
    ~TNoAutoUpdate() { FGrid->SetAutoUpdate(true); }
    TNoAutoUpdate(const TNoAutoUpdate&) = delete;
    TNoAutoUpdate& operator=(const TNoAutoUpdate&) = delete;

private:
    TTambor* FGrid;
};

} // namespace

TfChInfo::TfChInfo(TComponent* owner) : TForm(owner) { AfterConstruction(); }

void TfChInfo::Loaded() {
    TForm::Loaded();
    gvData = Find<TTambor>(this, "gvData");
    BColText = Find<TListBox>(this, "BColText");
    lNone = Find<TLabel>(this, "lNone");
    cbQT = Find<TqzComboBox>(this, "cbQT");
    cbDQT = Find<TqzComboBox>(this, "cbDQT");
    cbfsgl = Find<TqzComboBox>(this, "cbfsgl");
    cbkz = Find<TqzComboBox>(this, "cbkz");
    cbHave = Find<TqzComboBox>(this, "cbHave");
}

// ---- The window -------------------------------------------------------------------------------

void TfChInfo::FormShow(TObject*) {
    if (WindowsNeedTranslation()) TranslateForm(this, AppState->LanguageName, true);
    lNone->SetCaption(ItemOf(cbQT, 0));
    SetupColumns();
}

// ---- The table --------------------------------------------------------------------------------

bool TfChInfo::HoldsCell(Integer col, Integer row) const {
    return col >= 1 && col < gvData->GetColCount() && row >= kFirstChannelRow && row < gvData->GetRowCount();
}

void TfChInfo::gvDataSetForeText(TObject*, Integer col, Integer row, String& text) {
    AppState->Modified = true;
    if (col != kRxCol && col != kTxCol) return;
    if (Trim(text).empty()) {
        // A channel may have no TX; an emptied RX empties the channel.
        if (col == kRxCol) ClearChannelRow(row);
        return;
    }
    double f = 0;
    bool prompted = false;
    auto prompt = [&](const String& message) {
        if (prompted) return;
        prompted = true;
        ShowPrompt(PromptTexts->Caution, message, 1);
    };
    Extended value = 0;
    if (TryChannelTextToFloat(text, value)) {
        f = double(value);
    } else {
        f = AppState->BandHigh;
        prompt(PromptTexts->OutRange);
    }
    if (f > AppState->ModelMax) {
        f = AppState->BandHigh;
        prompt(PromptTexts->ErrRange);
    } else if (f < AppState->ModelMin) {
        f = AppState->BandLow;
        prompt(PromptTexts->ErrRange);
    }
    // Outside the band but inside the model's range is accepted, with a warning.
    if (!prompted && (f < AppState->BandLow || f > AppState->BandHigh)) prompt(PromptTexts->OutRange);
    text = FloatToChannelText("0.00000", SnapFrequency(f));
    if (col == kRxCol && gvData->CellAt(kNumberCol, row).BackText.empty()) InitChannelRow(row);
}

void TfChInfo::InitChannelRow(Integer row) {
    {
        TNoAutoUpdate noUpdate(gvData);
        gvData->CellAt(kNumberCol, row).BackText = "1";
        TCellInfo& tx = gvData->CellAt(kTxCol, row);
        if (tx.ForeText.empty()) tx.ForeText = gvData->CellAt(kRxCol, row).ForeText;
        // Through the checked writes, so the grid's notices run.
        const String none = ItemOf(cbQT, 0);
        gvData->WriteForeText(kDecodeToneCol, row, none);
        gvData->WriteBackText(kDecodeToneCol, row, "0");
        gvData->WriteForeText(kEncodeToneCol, row, ItemOf(cbDQT, 0));
        gvData->WriteBackText(kEncodeToneCol, row, "0");
        gvData->WriteForeText(kPowerCol, row, ItemOf(cbfsgl, 1));
        gvData->WriteBackText(kPowerCol, row, "1");
        gvData->WriteForeText(kBandwidthCol, row, ItemOf(cbkz, 0));
        gvData->WriteBackText(kBandwidthCol, row, "0");
        for (Integer col = kBandwidthCol + 1; col <= kLastCol; ++col) {
            gvData->WriteForeText(col, row, ItemOf(cbHave, 1));
            gvData->WriteBackText(col, row, "1");
        }
        gvData->SetRangeCellProperty(TGridRect{kTxCol, row, kTxCol, row}, kReadOnly, 0);
        gvData->RepaintRow(row);
    }
}

void TfChInfo::ClearChannelRow(Integer row) {
    gvData->CellAt(kNumberCol, row).BackText.clear();
    for (Integer col = kRxCol; col < gvData->GetColCount(); ++col) {
        TCellInfo& cell = gvData->CellAt(col, row);
        cell.ForeText.clear();
        cell.BackText.clear();
    }
    gvData->SetRangeCellProperty(TGridRect{kTxCol, row, kTxCol, row}, kReadOnly, 1);
    gvData->RepaintRow(row);
}

void TfChInfo::SetupColumns() {
    TStrings* items = BColText->GetItems();
    const Integer n = items->GetCount() / 3;
    gvData->SetColCount(n + 1);
    Integer width = 0;
    {
        TNoAutoUpdate noUpdate(gvData);
        gvData->SetShowPopup(false);
        gvData->SetGridCanCopyMove(false);
        gvData->SetGridCanFill(false);
        gvData->SetFixedCols(1);
        for (Integer k = 1; k <= n; ++k) {
            const Integer w = StrToInt(items->GetStrings(n + k - 1));
            gvData->SetColumnWidthAt(k, w);
            gvData->CellAt(k, kTitleRow).ForeText = items->GetStrings(k - 1);
            width += w;
        }
        SetWidth(width + 30);
    }
    ResetRows();
}

void TfChInfo::ResetRows() {
    const Integer channels = AppState->ChannelCount;
    TNoAutoUpdate noUpdate(gvData);
    if (gvData->GetRowCount() == channels + 2) {
        for (Integer row = kFirstChannelRow; row < gvData->GetRowCount(); ++row) {
            gvData->CellAt(kNumberCol, row).BackText.clear();
            for (Integer col = kRxCol; col < gvData->GetColCount(); ++col) {
                TCellInfo& cell = gvData->CellAt(col, row);
                cell.ForeText.clear();
                cell.BackText.clear();
            }
        }
        gvData->SetColumnCellProperty(kTxCol, kReadOnly, 1);
        gvData->RefreshIfAutoUpdate();
        return;
    }
    gvData->SetRowCount(2);
    gvData->SetRowCount(channels + 2);
    gvData->SetFixedRows(1);
    for (Integer k = 1; k <= channels; ++k)
        gvData->CellAt(kNumberCol, k + 1).ForeText = IntToStr(k);
    if (30 * channels < GetHeight()) SetHeight(30 * channels);
    gvData->SetColumnCellProperty(kNumberCol, kColor, Integer(clBtnFace));
    gvData->SetRowCellProperty(kTitleRow, kColor, Integer(clBtnFace));
    gvData->SetAllCellProperty(kReadOnly, 1);
    gvData->SetColumnCellProperty(kRxCol, kReadOnly, 0);
    TStrings* items = BColText->GetItems();
    const Integer n = items->GetCount() / 3;
    for (Integer k = 1; k <= n && k < gvData->GetColCount(); ++k)
        gvData->SetColumnCellProperty(k, kAlignMode,
                                      Integer(AlignOfCode(StrToIntDef(items->GetStrings(2 * n + k - 1), 2))));
    gvData->SetRowCellProperty(kTitleRow, kAlignMode, Integer(TAlignMode::taCenter));
}

// ---- Keys and the mouse on the grid -----------------------------------------------------------

void TfChInfo::gvDataSelectCell(TObject*, Integer col, Integer row, bool&) {
    EditCol = col;
    EditRow = row;
    ShowInlineEditor();
}

void TfChInfo::gvDataMouseDown(TObject*, TMouseButton, TShiftState, Integer, Integer) {
    const Integer col = gvData->GetCol();
    const Integer row = gvData->GetRow();
    if (col == kRxCol || (col == kTxCol && !gvData->ReadForeText(kRxCol, row).empty())) {
        gvData->SwitchEditor(true);
        gvData->SelectEditorText();
    } else if (col != kTxCol) {
        ShowInlineEditor();
    }
}

void TfChInfo::gvDataKeyPress(TObject*, char32_t& key) {
    if (key == 8 || key == 13 || key == U'.' || (key >= U'0' && key <= U'9')) return;
    key = 0;
}

// ---- The list editors -------------------------------------------------------------------------

TqzComboBox* TfChInfo::ListEditorFor(Integer col, Integer row) const {
    switch (col) {
    case kDecodeToneCol:
        return cbQT;
    case kEncodeToneCol:
        return gvData->ReadForeText(kTxCol, row).empty() ? nullptr : cbDQT;
    case kPowerCol:
        return cbfsgl;
    case kBandwidthCol:
        return cbkz;
    case 8:
    case 9:
    case 10:
        return cbHave;
    default:
        return nullptr;
    }
}

void TfChInfo::ShowInlineEditor() {
    if (!HoldsCell(EditCol, EditRow)) return;
    if (gvData->ReadForeText(kRxCol, EditRow).empty()) return;
    if (TqzComboBox* editor = ListEditorFor(EditCol, EditRow)) PlaceListEditor(editor);
}

void TfChInfo::PlaceListEditor(TqzComboBox* editor) {
    const RECT cell = gvData->CellRect(EditCol, EditRow);
    editor->SetBounds(cell.left + 2, cell.top + 2, gvData->ColumnWidthAt(EditCol), editor->GetHeight());
    const TCellInfo& info = gvData->CellAt(EditCol, EditRow);
    {
        // Filling the editor is no edit: its value notices must not reach the cell.
        FPlacingEditor = true;
        struct TReset {
            bool& Flag;
            ~TReset() { Flag = false; }
        } reset{FPlacingEditor};
        if (editor == cbQT || editor == cbDQT) {
            editor->SetText(info.ForeText);
        } else {
            if (editor == cbHave) editor->SetText(info.ForeText);
            editor->SetItemIndex(info.BackText.empty() ? 0 : StrToIntDef(info.BackText, 0));
        }
    }
    editor->BringToFront();
    editor->Show();
    if (editor->CanFocus()) editor->SetFocus();
    // A tone typed now replaces the one shown, as in the channel edit dialog's tone boxes.
    if (editor == cbQT || editor == cbDQT) editor->SelectAll();
}

void TfChInfo::ComBoxSetData(TObject* sender) {
    if (AppState->Refreshing || FPlacingEditor) return;
    if (auto* editor = dynamic_cast<TqzComboBox*>(sender)) WriteBack(editor, editor->GetText());
}

void TfChInfo::WriteBack(TqzComboBox* editor, String text) {
    if (!HoldsCell(EditCol, EditRow)) return;
    TCellInfo& cell = gvData->CellAt(EditCol, EditRow);
    if (editor->GetTag() == kToneTag) {
        const String none = lNone->GetCaption();
        text = text.empty() || text == none ? none : NormalizeToneText(text);
    } else {
        cell.BackText = IntToStr(editor->GetItemIndex());
    }
    cell.ForeText = text;
    gvData->InvalidateCells(TGridRect{EditCol, EditRow, EditCol, EditRow});
    AppState->Modified = true;
}

void TfChInfo::ComBoxExit(TObject* sender) {
    if (auto* editor = dynamic_cast<TControl*>(sender)) editor->Hide();
}

void TfChInfo::ComBoxKeyPress(TObject* sender, char32_t& key) {
    auto* editor = dynamic_cast<TqzComboBox*>(sender);
    if (editor == nullptr) return;
    if (editor->GetTag() == kToneTag) FilterToneKey(key);
    if (key == 13) {
        editor->Hide();
        if (gvData->CanFocus()) gvData->SetFocus();
    }
}

void TfChInfo::ComBoxDblClick(TObject* sender) {
    auto* editor = dynamic_cast<TqzComboBox*>(sender);
    if (editor == nullptr || editor->GetTag() != kToneTag) return;
    String tone;
    {
        std::unique_ptr<TfToneOption> picker(new TfToneOption(nullptr));
        picker->ShowModal();
        tone = picker->ChosenTone;
    }
    if (tone.empty() || !HoldsCell(EditCol, EditRow)) return;
    // The editor shows the tone without its own change notice; the cell takes it through the
    // write-back once, which also marks the data modified.
    {
        FPlacingEditor = true;
        struct TReset {
            bool& Flag;
            ~TReset() { Flag = false; }
        } reset{FPlacingEditor};
        editor->SetText(tone);
    }
    WriteBack(editor, tone);
}

void TfChInfo::RetranslateGrid() {
    // The "None" text the cells hold now, before the window's texts change.
    const String oldNone = lNone->GetCaption();
    AppState->Refreshing = true;
    struct TReset {
        ~TReset() { AppState->Refreshing = false; }
    } reset;
    TranslateForm(this, AppState->LanguageName, true);
    {
        TNoAutoUpdate noUpdate(gvData);
        TStrings* items = BColText->GetItems();
        const Integer n = items->GetCount() / 3;
        for (Integer k = 1; k <= n && k < gvData->GetColCount(); ++k)
            gvData->CellAt(k, kTitleRow).ForeText = items->GetStrings(k - 1);
        // Cells are assigned directly: a new language changes no data.
        TqzComboBox* const lists[] = {cbfsgl, cbkz, cbHave, cbHave, cbHave};
        for (Integer row = kFirstChannelRow; row < gvData->GetRowCount(); ++row) {
            if (gvData->ReadForeText(kRxCol, row).empty()) continue;
            for (Integer col : {kDecodeToneCol, kEncodeToneCol}) {
                TCellInfo& cell = gvData->CellAt(col, row);
                if (cell.ForeText == oldNone) cell.ForeText = ItemOf(col == kDecodeToneCol ? cbQT : cbDQT, 0);
            }
            for (Integer col = kPowerCol; col <= kLastCol && col < gvData->GetColCount(); ++col) {
                TCellInfo& cell = gvData->CellAt(col, row);
                Integer index = 0;
                // A back text that is no index of the list keeps the text it has.
                if (!TryStrToInt(cell.BackText, index)) continue;
                TStrings* list = lists[col - kPowerCol]->GetProperties()->GetItems();
                if (index >= 0 && index < list->GetCount()) cell.ForeText = list->GetStrings(index);
            }
        }
        lNone->SetCaption(ItemOf(cbQT, 0));
    }
}

KOV_PUBLISHED(TfChInfo) {
    Method("FormShow", &TfChInfo::FormShow);
    Method("gvDataSetForeText", &TfChInfo::gvDataSetForeText);
    Method("gvDataSelectCell", &TfChInfo::gvDataSelectCell);
    Method("gvDataMouseDown", &TfChInfo::gvDataMouseDown);
    Method("gvDataKeyPress", &TfChInfo::gvDataKeyPress);
    Method("ComBoxSetData", &TfChInfo::ComBoxSetData);
    Method("ComBoxExit", &TfChInfo::ComBoxExit);
    Method("ComBoxKeyPress", &TfChInfo::ComBoxKeyPress);
    Method("ComBoxDblClick", &TfChInfo::ComBoxDblClick);
}

namespace {
const bool kRegistered = (RegisterClasses({TfChInfo::StaticClass()}), true);
}
