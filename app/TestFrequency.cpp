#include "app/TestFrequency.h"

#include "app/AllClass.h"
#include "grid/Tambor.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "suite/controls/qzButtons.h"

namespace {

template <class T> T* Part(TComponent* form, const char* name) {
    auto* component = dynamic_cast<T*>(form->FindComponent(name));
    if (!component) throw Exception(String("The test frequency dialog has no ") + name);
    return component;
}

// Columns and rows of the grid: the channel numbers, then receive and transmit; the titles,
// then one row per pair.
constexpr Integer kNumberCol = 1;
constexpr Integer kRxCol = 2;
constexpr Integer kTxCol = 3;
constexpr Integer kTitleRow = 1;
constexpr Integer kFirstRow = 2;
constexpr Integer kPairs = 16;

// Cell property selectors of the grid.
constexpr Integer kDataStyle = 0;
constexpr Integer kAlignMode = 1;
constexpr Integer kIntLength = 14;
constexpr Integer kDecLength = 15;
constexpr Integer kColor = 19;

// The grid writes a number cell in the locale's form; the frequencies are kept with ".".
bool FrequencyOf(const String& text, Extended& value) {
    return TryChannelTextToFloat(text, value) || TryStrToFloat(text, value);
}

} // namespace

TfTestFrequency::TfTestFrequency(TComponent* owner) : TForm(owner) {
    AfterConstruction();
    gvData = Part<TTambor>(this, "gvData");
    Label1 = Part<TLabel>(this, "Label1");
    btnOk = Part<TqzButton>(this, "btnOk");
    btnCancel = Part<TqzButton>(this, "btnCancel");
}

void TfTestFrequency::FormShow(TObject*) {
    SetupGrid();
    if (WindowsNeedTranslation()) TranslateForm(this, AppState->LanguageName, true);
    LoadRows();
    Changed = false;
}

void TfTestFrequency::SetupGrid() {
    gvData->SetAutoUpdate(false);
    gvData->SetShowPopup(false);
    gvData->SetGridCanCopyMove(false);
    gvData->SetGridCanFill(false);
    gvData->SetFixedCols(1);
    gvData->SetFixedRows(1);
    gvData->SetColumnWidthAt(kNumberCol, 60);
    gvData->SetColumnWidthAt(kRxCol, 100);
    gvData->SetColumnWidthAt(kTxCol, 100);
    gvData->CellAt(kNumberCol, kTitleRow).ForeText = "信道";
    gvData->CellAt(kRxCol, kTitleRow).ForeText = "接收[MHz]";
    gvData->CellAt(kTxCol, kTitleRow).ForeText = "发射[MHz]";
    for (Integer i = 1; i <= kPairs; ++i)
        gvData->CellAt(kNumberCol, i + 1).ForeText = IntToStr(i);
    gvData->SetColumnCellProperty(kNumberCol, kColor, Integer(clBtnFace));
    gvData->SetRowCellProperty(kTitleRow, kColor, Integer(clBtnFace));
    gvData->SetColumnCellProperty(kNumberCol, kAlignMode, Integer(TAlignMode::taCenter));
    for (Integer col : {kRxCol, kTxCol}) {
        gvData->SetColumnCellProperty(col, kDataStyle, Integer(dsNumber));
        gvData->SetColumnCellProperty(col, kIntLength, 5);
        gvData->SetColumnCellProperty(col, kDecLength, 5);
        gvData->SetColumnCellProperty(col, kAlignMode, Integer(TAlignMode::taRight));
    }
    gvData->SetRowCellProperty(kTitleRow, kAlignMode, Integer(TAlignMode::taCenter));
    gvData->SetAutoUpdate(true);
}

void TfTestFrequency::LoadRows() {
    for (Integer i = 1; i <= kPairs; ++i) {
        gvData->CellAt(kRxCol, i + 1).ForeText = TestFrequencies->Rx[std::size_t(i - 1)];
        gvData->CellAt(kTxCol, i + 1).ForeText = TestFrequencies->Tx[std::size_t(i - 1)];
    }
    gvData->RefreshIfAutoUpdate();
}

void TfTestFrequency::StoreRows() {
    for (Integer i = 1; i <= kPairs; ++i) {
        TestFrequencies->Rx[std::size_t(i - 1)] = gvData->CellAt(kRxCol, i + 1).ForeText;
        TestFrequencies->Tx[std::size_t(i - 1)] = gvData->CellAt(kTxCol, i + 1).ForeText;
    }
}

void TfTestFrequency::gvDataSetForeText(TObject*, Integer col, Integer row, String& value) {
    if ((col != kRxCol && col != kTxCol) || row < kFirstRow) return;
    Changed = true;
    if (Trim(value).empty()) {
        value.clear();
        return;
    }
    Extended number = 0;
    if (!FrequencyOf(value, number))
        throw EConvertError("'" + value + "' is not a valid floating point value");
    double f = double(number);
    if (f > AppState->ModelMax) {
        f = AppState->BandHigh;
        ShowPrompt(PromptTexts->Caution, PromptTexts->ErrRange, 1);
    } else if (f < AppState->ModelMin) {
        f = AppState->BandLow;
        ShowPrompt(PromptTexts->Caution, PromptTexts->ErrRange, 1);
    }
    if (f < AppState->BandLow || f > AppState->BandHigh)
        ShowPrompt(PromptTexts->Caution, PromptTexts->OutRange, 1);
    value = FloatToChannelText("0.00000", f);
}

void TfTestFrequency::btnOkClick(TObject*) {
    StoreRows();
    SetModalResult(mrOk);
}

void TfTestFrequency::btnCancelClick(TObject*) { Close(); }

void TfTestFrequency::FormCloseQuery(TObject*, bool&) {
    if (Changed) ShowPrompt(PromptTexts->Confirmation, Label1->GetCaption(), 1);
}

KOV_PUBLISHED(TfTestFrequency) {
    Method("FormShow", &TfTestFrequency::FormShow);
    Method("gvDataSetForeText", &TfTestFrequency::gvDataSetForeText);
    Method("btnOkClick", &TfTestFrequency::btnOkClick);
    Method("btnCancelClick", &TfTestFrequency::btnCancelClick);
    Method("FormCloseQuery", &TfTestFrequency::FormCloseQuery);
}

namespace {
const bool kRegistered = (RegisterClasses({TfTestFrequency::StaticClass()}), true);
}
