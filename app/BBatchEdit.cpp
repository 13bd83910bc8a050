#include "app/BBatchEdit.h"

#include <memory>

#include "app/AllClass.h"
#include "app/BInfoEdit.h"
#include "app/ChInfo.h"
#include "app/ToneOption.h"
#include "grid/Tambor.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/Variant.h"
#include "suite/controls/qzButtons.h"
#include "suite/controls/qzCheckBox.h"
#include "suite/controls/qzCurrencyEdit.h"
#include "suite/controls/qzRadioGroup.h"
#include "suite/controls/qzSpinEdit.h"
#include "suite/editors/qzDropDownEdit.h"

namespace {

constexpr Integer kMarkCol = 1;
constexpr Integer kRxCol = 2;
constexpr Integer kTxCol = 3;
constexpr Integer kReadOnly = 2; // cell property selector

template <class T> T* Part(TComponent* form, const char* name) {
    auto* component = dynamic_cast<T*>(form->FindComponent(name));
    if (!component) throw Exception(String("The batch edit dialog has no ") + name);
    return component;
}

class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : FFlag(flag), FOld(flag) { FFlag = true; }
    ~TFlagScope() { FFlag = FOld; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& FFlag;
    bool FOld;
};

double InModelRange(double f) {
    if (f > AppState->ModelMax) return AppState->ModelMax;
    if (f < AppState->ModelMin) return AppState->ModelMin;
    return f;
}

} // namespace

TfBBatchEdit::TfBBatchEdit(TComponent* owner) : TForm(owner) {
    AfterConstruction();
    eReceive = Part<TqzCurrencyEdit>(this, "eReceive");
    eSend = Part<TqzCurrencyEdit>(this, "eSend");
    cbJg = Part<TqzComboBox>(this, "cbJg");
    rasc = Part<TqzRadioButton>(this, "rasc");
    rdesc = Part<TqzRadioButton>(this, "rdesc");
    rall = Part<TqzRadioButton>(this, "rall");
    rOne = Part<TqzRadioButton>(this, "rOne");
    pPd = Part<TPanel>(this, "pPd");
    seFrom = Part<TqzSpinEdit>(this, "seFrom");
    seTo = Part<TqzSpinEdit>(this, "seTo");
    cbQT = Part<TqzComboBox>(this, "cbQT");
    cbDQT = Part<TqzComboBox>(this, "cbDQT");
    cbkz = Part<TqzComboBox>(this, "cbkz");
    cbfsgl = Part<TqzComboBox>(this, "cbfsgl");
    chpppy = Part<TqzCheckBox>(this, "chpppy");
    chsmtj = Part<TqzCheckBox>(this, "chsmtj");
    chfm = Part<TqzCheckBox>(this, "chfm");
    cbpppy = Part<TListBox>(this, "cbpppy");
    cbsmtj = Part<TListBox>(this, "cbsmtj");
    cbfm = Part<TListBox>(this, "cbfm");
    btnOk = Part<TqzButton>(this, "btnOk");
    btnCancel = Part<TqzButton>(this, "btnCancel");
    TFlagScope setting(FSetting);
    cbJg->SetItemIndex(0);
    cbQT->SetItemIndex(0);
    cbDQT->SetItemIndex(0);
    cbkz->SetItemIndex(0);
    cbfsgl->SetItemIndex(1);
    for (TListBox* list : {cbpppy, cbsmtj, cbfm})
        list->SetItemIndex(1);
}

void TfBBatchEdit::FormShow(TObject*) {
    if (WindowsNeedTranslation()) TranslateForm(this, AppState->LanguageName, true);
}

void TfBBatchEdit::eReceiveKeyPress(TObject*, char32_t& key) { FilterFrequencyKey(key); }
void TfBBatchEdit::eSendKeyPress(TObject*, char32_t& key) { FilterFrequencyKey(key); }

void TfBBatchEdit::SnapEntry(TqzCurrencyEdit* editor) {
    if (FSetting) return;
    // An empty editor means no entry; it must not turn into a frequency of 0.
    double f = 0;
    if (!ReadFrequency(editor, f)) return;
    TFlagScope setting(FSetting);
    editor->SetValue(SnapFrequency(f));
}

void TfBBatchEdit::eReceivePropertiesEditValueChanged(TObject*) { SnapEntry(eReceive); }
void TfBBatchEdit::eSendPropertiesEditValueChanged(TObject*) { SnapEntry(eSend); }

void TfBBatchEdit::cbQTKeyPress(TObject*, char32_t& key) {
    FilterToneKey(key);
    if (key == 13) cbQTExit(cbQT);
}

void TfBBatchEdit::cbDQTKeyPress(TObject*, char32_t& key) {
    FilterToneKey(key);
    if (key == 13) cbDQTExit(cbDQT);
}

void TfBBatchEdit::ToneEntered(TqzComboBox* editor) {
    if (FSetting) return;
    TFlagScope setting(FSetting);
    CheckToneEditor(editor);
}

void TfBBatchEdit::cbQTExit(TObject*) { ToneEntered(cbQT); }
void TfBBatchEdit::cbDQTExit(TObject*) { ToneEntered(cbDQT); }

void TfBBatchEdit::chpppyClick(TObject*) { cbpppy->SetItemIndex(chpppy->GetChecked() ? 0 : 1); }
void TfBBatchEdit::chsmtjClick(TObject*) { cbsmtj->SetItemIndex(chsmtj->GetChecked() ? 0 : 1); }
void TfBBatchEdit::chfmClick(TObject*) { cbfm->SetItemIndex(chfm->GetChecked() ? 0 : 1); }

void TfBBatchEdit::PickTone(TqzComboBox* editor) {
    String tone;
    {
        std::unique_ptr<TfToneOption> picker(new TfToneOption(nullptr));
        picker->ShowModal();
        tone = picker->ChosenTone;
    }
    if (tone.empty()) return;
    {
        TFlagScope setting(FSetting);
        SetToneText(editor, tone);
    }
    ToneEntered(editor);
}

void TfBBatchEdit::cbQTDblClick(TObject*) { PickTone(cbQT); }
void TfBBatchEdit::cbDQTDblClick(TObject*) { PickTone(cbDQT); }

void TfBBatchEdit::rallClick(TObject*) { pPd->SetEnabled(rOne->GetChecked()); }

void TfBBatchEdit::btnOkClick(TObject*) {
    if (CheckBatchInput()) ApplyBatch();
}

void TfBBatchEdit::btnCancelClick(TObject*) { Close(); }

bool TfBBatchEdit::CheckBatchInput() {
    double rx = 0, tx = 0;
    if (!ReadFrequency(eReceive, rx) || !ReadFrequency(eSend, tx)) return false;
    if (!rOne->GetChecked()) return true;
    if (seFrom->GetValue().AsInteger() > seTo->GetValue().AsInteger()) {
        ShowPrompt(PromptTexts->Confirmation, PromptTexts->FChBigT, 1);
        return false;
    }
    auto outside = [](double f) { return f < AppState->ModelMin || f > AppState->ModelMax; };
    if (outside(rx) || outside(tx)) {
        ShowPrompt(PromptTexts->Caution, PromptTexts->ErrRange, 1);
        return false;
    }
    return true;
}

void TfBBatchEdit::ApplyBatch() {
    TTambor* grid = fChInfo->gvData;
    grid->SetAutoUpdate(false);
    try {
        Integer first = 1;
        Integer last = Integer(seTo->GetProperties()->GetMaxValue());
        if (rOne->GetChecked()) {
            first = seFrom->GetValue().AsInteger();
            last = seTo->GetValue().AsInteger();
        }
        double rx = 0, tx = 0;
        ReadFrequency(eReceive, rx);
        ReadFrequency(eSend, tx);
        double step = double(ChannelTextToFloat(Trim(cbJg->GetText()))) / 1000;
        if (rdesc->GetChecked()) step = -step;
        const String rxTone = cbQT->GetText();
        const String txTone = cbDQT->GetText();
        for (Integer k = first; k <= last; ++k) {
            const Integer r = k + 1;
            rx = InModelRange(rx);
            tx = InModelRange(tx);
            grid->CellAt(kRxCol, r).ForeText = FloatToChannelText("0.00000", SnapFrequency(rx));
            grid->CellAt(kTxCol, r).ForeText = FloatToChannelText("0.00000", SnapFrequency(tx));
            grid->CellAt(4, r).ForeText = rxTone;
            grid->CellAt(5, r).ForeText = txTone;
            auto option = [&](Integer col, const String& text, Integer index) {
                grid->CellAt(col, r).ForeText = text;
                grid->CellAt(col, r).BackText = IntToStr(index);
            };
            option(6, ListText(cbfsgl), cbfsgl->GetItemIndex());
            option(7, ListText(cbkz), cbkz->GetItemIndex());
            option(8, ListText(cbsmtj), cbsmtj->GetItemIndex());
            option(9, ListText(cbpppy), cbpppy->GetItemIndex());
            option(10, ListText(cbfm), cbfm->GetItemIndex());
            grid->CellAt(kMarkCol, r).BackText = "1";
            // Only a row that holds a channel takes a TX.
            grid->SetRangeCellProperty(TGridRect{kTxCol, r, kTxCol, r}, kReadOnly, 0);
            AppState->Modified = true;
            rx += step;
            tx += step;
        }
    } catch (const Exception&) {
        grid->SetAutoUpdate(true);
        ShowPrompt(PromptTexts->Caution, PromptTexts->ErrRange, 1);
        return;
    }
    grid->SetAutoUpdate(true);
}

KOV_PUBLISHED(TfBBatchEdit) {
    Method("FormShow", &TfBBatchEdit::FormShow);
    Method("eReceiveKeyPress", &TfBBatchEdit::eReceiveKeyPress);
    Method("eSendKeyPress", &TfBBatchEdit::eSendKeyPress);
    Method("eReceivePropertiesEditValueChanged", &TfBBatchEdit::eReceivePropertiesEditValueChanged);
    Method("eSendPropertiesEditValueChanged", &TfBBatchEdit::eSendPropertiesEditValueChanged);
    Method("cbQTKeyPress", &TfBBatchEdit::cbQTKeyPress);
    Method("cbDQTKeyPress", &TfBBatchEdit::cbDQTKeyPress);
    Method("cbQTExit", &TfBBatchEdit::cbQTExit);
    Method("cbDQTExit", &TfBBatchEdit::cbDQTExit);
    Method("chpppyClick", &TfBBatchEdit::chpppyClick);
    Method("chsmtjClick", &TfBBatchEdit::chsmtjClick);
    Method("chfmClick", &TfBBatchEdit::chfmClick);
    Method("cbQTDblClick", &TfBBatchEdit::cbQTDblClick);
    Method("cbDQTDblClick", &TfBBatchEdit::cbDQTDblClick);
    Method("rallClick", &TfBBatchEdit::rallClick);
    Method("btnOkClick", &TfBBatchEdit::btnOkClick);
    Method("btnCancelClick", &TfBBatchEdit::btnCancelClick);
}
