#include "app/BInfoEdit.h"

#include <cmath>
#include <memory>
#include <tuple>
#include <utility>

#include "app/AllClass.h"
#include "app/ChInfo.h"
#include "app/ToneOption.h"
#include "grid/Tambor.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/Variant.h"
#include "suite/controls/qzButtons.h"
#include "suite/controls/qzCheckBox.h"
#include "suite/controls/qzCurrencyEdit.h"
#include "suite/controls/qzSpinEdit.h"
#include "suite/editors/qzDropDownEdit.h"

// The dialog's own assignments to its editors: their notices are not entries.
class TSettingScope {
public:
    explicit TSettingScope(TfBInfoEdit* dialog) : FDialog(dialog) { ++FDialog->FSetting; }
    ~TSettingScope() { --FDialog->FSetting; }
    TSettingScope(const TSettingScope&) = delete;
    TSettingScope& operator=(const TSettingScope&) = delete;

private:
    TfBInfoEdit* FDialog;
};

namespace {

constexpr Integer kMarkCol = 1;
constexpr Integer kRxCol = 2;
constexpr Integer kTxCol = 3;
constexpr Integer kReadOnly = 2; // cell property selector

template <class T> T* Part(TComponent* form, const char* name) {
    auto* component = dynamic_cast<T*>(form->FindComponent(name));
    if (!component) throw Exception(String("The channel edit dialog has no ") + name);
    return component;
}

void Prompt(const String& text) { ShowPrompt(PromptTexts->Caution, text, 1); }

// A frequency checked against the model's range (replaced by a band edge) and the band (kept);
// one prompt at most.
double CheckFrequency(double f) {
    if (f > AppState->ModelMax) {
        f = AppState->BandHigh;
        Prompt(PromptTexts->ErrRange);
    } else if (f < AppState->ModelMin) {
        f = AppState->BandLow;
        Prompt(PromptTexts->ErrRange);
    }
    if (f > AppState->BandHigh || f < AppState->BandLow) Prompt(PromptTexts->OutRange);
    return f;
}

String FrequencyText(TqzCurrencyEdit* editor) {
    if (IsFrequencyEmpty(editor)) return String();
    return FloatToChannelText("0.00000", editor->GetValue());
}

} // namespace

// ---- Shared helpers ------------------------------------------------------------------------------

bool IsFrequencyEmpty(TqzCurrencyEdit* editor) { return Trim(editor->GetText()).empty(); }

bool ReadFrequency(TqzCurrencyEdit* editor, double& value) {
    double parsed = 0;
    if (IsFrequencyEmpty(editor) ||
        !editor->GetActiveCurrencyProperties()->TextToNumber(Trim(editor->GetText()), parsed))
        return false;
    value = editor->GetValue();
    return true;
}

void SetToneText(TqzComboBox* editor, const String& text) {
    editor->SetText(text);
    // The list's current item follows the text (none for a tone the list lacks), so that the
    // editor never brings back an item it located while the text was typed.
    editor->SyncLookupWithText();
}

void CheckToneEditor(TqzComboBox* editor) {
    if (Trim(editor->GetText()).empty()) editor->SetItemIndex(0);
    TStrings* items = editor->GetProperties()->GetItems();
    const String none = items->GetCount() > 0 ? items->GetStrings(0) : String();
    if (editor->GetText() != none) SetToneText(editor, NormalizeToneText(Trim(editor->GetText())));
}

String ListText(TqzComboBox* list) {
    const Integer index = list->GetItemIndex();
    TStrings* items = list->GetProperties()->GetItems();
    return index >= 0 && index < items->GetCount() ? items->GetStrings(index) : String();
}

String ListText(TListBox* list) {
    const Integer index = list->GetItemIndex();
    return index >= 0 && index < list->GetItems()->GetCount() ? list->GetItems()->GetStrings(index)
                                                              : String();
}

// ---- The dialog ----------------------------------------------------------------------------------

TfBInfoEdit::TfBInfoEdit(TComponent* owner) : TForm(owner) {
    AfterConstruction();
    sexd = Part<TqzSpinEdit>(this, "sexd");
    eReceive = Part<TqzCurrencyEdit>(this, "eReceive");
    pMain = Part<TPanel>(this, "pMain");
    eSend = Part<TqzCurrencyEdit>(this, "eSend");
    cbQT = Part<TqzComboBox>(this, "cbQT");
    cbDQT = Part<TqzComboBox>(this, "cbDQT");
    cbkz = Part<TqzComboBox>(this, "cbkz");
    cbfsgl = Part<TqzComboBox>(this, "cbfsgl");
    chsmtj = Part<TqzCheckBox>(this, "chsmtj");
    chpppy = Part<TqzCheckBox>(this, "chpppy");
    chfm = Part<TqzCheckBox>(this, "chfm");
    cbsmtj = Part<TListBox>(this, "cbsmtj");
    cbpppy = Part<TListBox>(this, "cbpppy");
    cbfm = Part<TListBox>(this, "cbfm");
    btnClose = Part<TqzButton>(this, "btnClose");
    TSettingScope setting(this);
    for (TListBox* list : {cbsmtj, cbpppy, cbfm})
        list->SetItemIndex(1);
    cbfsgl->SetItemIndex(1);
}

void TfBInfoEdit::FormShow(TObject*) {
    Loading = true;
    try {
        if (WindowsNeedTranslation()) TranslateForm(this, AppState->LanguageName, true);
    } catch (...) {
        Loading = false;
        throw;
    }
    Loading = false;
    sexd->SetValue(Variant(StartChannel));
    LoadChannel();
}

void TfBInfoEdit::sexdChange(TObject*) { LoadChannel(); }

void TfBInfoEdit::SpinEditPropertiesValidate(TObject*, Variant& displayValue, String&, bool& error) {
    TqzSpinEditProperties* properties = sexd->GetProperties();
    const double minimum = properties->GetMinValue();
    const double maximum = properties->GetMaxValue();
    const double increment = properties->GetIncrement();
    double value = 0;
    if (!TryStrToFloat(Trim(VarToStr(displayValue)), value)) value = minimum;
    const Int64 step = Round(increment);
    if (increment > 0 && step != 0 && std::fmod(value - minimum, double(step)) != 0)
        value = minimum + double(Round((value - minimum) / increment)) * increment;
    if (value < minimum) value = minimum;
    if (value > maximum) value = maximum;
    displayValue = Variant(Integer(Round(value)));
    error = false;
}

void TfBInfoEdit::eReceiveKeyPress(TObject*, char32_t& key) { FilterFrequencyKey(key); }
void TfBInfoEdit::eSendKeyPress(TObject*, char32_t& key) { FilterFrequencyKey(key); }

void TfBInfoEdit::cbQTKeyPress(TObject*, char32_t& key) {
    FilterToneKey(key);
    if (key == 13) cbQTExit(cbQT);
}

void TfBInfoEdit::cbDQTKeyPress(TObject*, char32_t& key) {
    FilterToneKey(key);
    if (key == 13) cbDQTExit(cbDQT);
}

void TfBInfoEdit::cbQTExit(TObject*) {
    if (Handling()) ToneEntered(cbQT);
}

void TfBInfoEdit::cbDQTExit(TObject*) {
    if (Handling()) ToneEntered(cbDQT);
}

void TfBInfoEdit::ToneEntered(TqzComboBox* editor) {
    {
        TSettingScope setting(this);
        CheckToneEditor(editor);
    }
    WriteChannel();
}

void TfBInfoEdit::cbkzChange(TObject*) {
    if (Handling()) WriteChannel();
}

void TfBInfoEdit::OptionClicked(TqzCheckBox* box, TListBox* list) {
    if (!Handling()) return;
    {
        TSettingScope setting(this);
        list->SetItemIndex(box->GetChecked() ? 0 : 1);
    }
    WriteChannel();
}

void TfBInfoEdit::chsmtjClick(TObject*) { OptionClicked(chsmtj, cbsmtj); }
void TfBInfoEdit::chpppyClick(TObject*) { OptionClicked(chpppy, cbpppy); }
void TfBInfoEdit::chfmClick(TObject*) { OptionClicked(chfm, cbfm); }

void TfBInfoEdit::PickTone(TqzComboBox* editor) {
    String tone;
    {
        std::unique_ptr<TfToneOption> picker(new TfToneOption(nullptr));
        picker->ShowModal();
        tone = picker->ChosenTone;
    }
    if (tone.empty()) return;
    // The editor may or may not report the new text itself; the entry is made here, once.
    {
        TSettingScope setting(this);
        SetToneText(editor, tone);
    }
    ToneEntered(editor);
}

void TfBInfoEdit::cbQTDblClick(TObject*) { PickTone(cbQT); }
void TfBInfoEdit::cbDQTDblClick(TObject*) { PickTone(cbDQT); }

void TfBInfoEdit::eReceivePropertiesEditValueChanged(TObject*) {
    if (!Handling()) return;
    if (IsFrequencyEmpty(eReceive)) {
        WriteChannel();
        ClearFields();
        pMain->SetEnabled(false);
        return;
    }
    double f = 0;
    if (!ReadFrequency(eReceive, f)) {
        Prompt(PromptTexts->ErrRange);
        return;
    }
    f = CheckFrequency(f);
    {
        TSettingScope setting(this);
        eReceive->SetValue(SnapFrequency(f));
        pMain->SetEnabled(true);
        if (IsFrequencyEmpty(eSend)) eSend->SetValue(eReceive->GetValue());
    }
    WriteChannel();
}

void TfBInfoEdit::eSendPropertiesEditValueChanged(TObject*) {
    if (!Handling()) return;
    if (IsFrequencyEmpty(eSend)) {
        TSettingScope setting(this);
        cbDQT->SetItemIndex(0);
    } else {
        double f = 0;
        if (ReadFrequency(eSend, f)) {
            f = CheckFrequency(f);
            {
                TSettingScope setting(this);
                eSend->SetValue(SnapFrequency(f));
            }
            if (cbQT->CanFocus()) cbQT->SetFocus();
        } else {
            Prompt(PromptTexts->ErrRange);
        }
    }
    WriteChannel();
}

void TfBInfoEdit::btnCloseClick(TObject*) { Close(); }

void TfBInfoEdit::LoadChannel() {
    if (Loading) return;
    Loading = true;
    try {
        TTambor* grid = fChInfo->gvData;
        const Integer r = sexd->GetValue().AsInteger() + 1;
        const String rx = grid->ReadForeText(kRxCol, r);
        if (!Trim(rx).empty()) {
            pMain->SetEnabled(true);
            eReceive->SetValue(double(ChannelTextToFloat(Trim(rx))));
            const String tx = Trim(grid->ReadForeText(kTxCol, r));
            if (tx.empty())
                eSend->SetEditValue(Null());
            else
                eSend->SetValue(double(ChannelTextToFloat(tx)));
            const String none = fChInfo->lNone->GetCaption();
            for (auto [editor, col] : {std::pair{cbQT, 4}, std::pair{cbDQT, 5}}) {
                const String tone = grid->ReadForeText(col, r);
                if (tone == none)
                    editor->SetItemIndex(0);
                else
                    SetToneText(editor, tone);
            }
            cbfsgl->SetItemIndex(StrToIntDef(grid->ReadBackText(6, r), 0));
            cbkz->SetItemIndex(StrToIntDef(grid->ReadBackText(7, r), 0));
            const std::tuple<TListBox*, TqzCheckBox*, Integer> options[] = {
                {cbsmtj, chsmtj, 8}, {cbpppy, chpppy, 9}, {cbfm, chfm, 10}};
            for (auto [list, box, col] : options) {
                list->SetItemIndex(StrToIntDef(grid->ReadBackText(col, r), 1));
                box->SetChecked(list->GetItemIndex() != 1);
            }
        } else {
            pMain->SetEnabled(false);
            eReceive->SetEnabled(true);
            ClearFields();
        }
    } catch (...) {
        Loading = false;
        throw;
    }
    Loading = false;
}

void TfBInfoEdit::ClearFields() {
    TSettingScope setting(this);
    eReceive->SetEditValue(Null());
    eSend->SetEditValue(Null());
    cbQT->SetItemIndex(0);
    cbDQT->SetItemIndex(0);
    cbkz->SetItemIndex(0);
    for (TListBox* list : {cbfm, cbsmtj, cbpppy})
        list->SetItemIndex(1);
    for (TqzCheckBox* box : {chfm, chsmtj, chpppy})
        box->SetChecked(false);
}

void TfBInfoEdit::WriteChannel() {
    if (Loading) return;
    TTambor* grid = fChInfo->gvData;
    const Integer r = sexd->GetValue().AsInteger() + 1;
    if (!IsFrequencyEmpty(eReceive)) {
        grid->CellAt(kRxCol, r).ForeText = FrequencyText(eReceive);
        grid->CellAt(kTxCol, r).ForeText = FrequencyText(eSend);
        grid->CellAt(4, r).ForeText = cbQT->GetText();
        grid->CellAt(5, r).ForeText = cbDQT->GetText();
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
        grid->SetRangeCellProperty(TGridRect{kTxCol, r, kTxCol, r}, kReadOnly, 0);
    } else {
        grid->CellAt(kMarkCol, r).BackText.clear();
        for (Integer col = kRxCol; col < grid->GetColCount(); ++col) {
            grid->CellAt(col, r).ForeText.clear();
            grid->CellAt(col, r).BackText.clear();
        }
        grid->SetRangeCellProperty(TGridRect{kTxCol, r, kTxCol, r}, kReadOnly, 1);
    }
    grid->RepaintRow(r);
    AppState->Modified = true;
}

KOV_PUBLISHED(TfBInfoEdit) {
    Method("FormShow", &TfBInfoEdit::FormShow);
    Method("sexdChange", &TfBInfoEdit::sexdChange);
    Method("SpinEditPropertiesValidate", &TfBInfoEdit::SpinEditPropertiesValidate);
    Method("eReceiveKeyPress", &TfBInfoEdit::eReceiveKeyPress);
    Method("eSendKeyPress", &TfBInfoEdit::eSendKeyPress);
    Method("cbQTKeyPress", &TfBInfoEdit::cbQTKeyPress);
    Method("cbDQTKeyPress", &TfBInfoEdit::cbDQTKeyPress);
    Method("cbQTExit", &TfBInfoEdit::cbQTExit);
    Method("cbDQTExit", &TfBInfoEdit::cbDQTExit);
    Method("cbkzChange", &TfBInfoEdit::cbkzChange);
    Method("chsmtjClick", &TfBInfoEdit::chsmtjClick);
    Method("chpppyClick", &TfBInfoEdit::chpppyClick);
    Method("chfmClick", &TfBInfoEdit::chfmClick);
    Method("cbQTDblClick", &TfBInfoEdit::cbQTDblClick);
    Method("cbDQTDblClick", &TfBInfoEdit::cbDQTDblClick);
    Method("eReceivePropertiesEditValueChanged", &TfBInfoEdit::eReceivePropertiesEditValueChanged);
    Method("eSendPropertiesEditValueChanged", &TfBInfoEdit::eSendPropertiesEditValueChanged);
    Method("btnCloseClick", &TfBInfoEdit::btnCloseClick);
}
