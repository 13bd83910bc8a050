#include "app/BFunSet.h"

#include "app/AllClass.h"
#include "app/Maindb.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Exceptions.h"
#include "suite/controls/qzButtons.h"
#include "suite/controls/qzCheckBox.h"
#include "suite/controls/qzSpinEdit.h"
#include "suite/editors/qzDropDownEdit.h"

namespace {

template <class T> T* Part(TComponent* form, const char* name) {
    auto* component = dynamic_cast<T*>(form->FindComponent(name));
    if (!component) throw Exception(String("The function settings dialog has no ") + name);
    return component;
}

void LoadCheck(TqzCheckBox* box, Integer field) { box->SetChecked(field == 1); }
void StoreCheck(TqzCheckBox* box, Integer& field) { field = box->GetChecked() ? 1 : 0; }

// A field outside the list's items shows no item; it must not come back as -1, which the radio
// would receive as 0xFF.
void LoadList(TqzComboBox* list, Integer field) {
    const Integer count = list->GetProperties()->GetItems()->GetCount();
    list->SetItemIndex(field >= 0 && field < count ? field : -1);
}
void StoreList(TqzComboBox* list, Integer& field) {
    const Integer index = list->GetItemIndex();
    if (index >= 0) field = index;
}

} // namespace

TfBFunSet::TfBFunSet(TComponent* owner) : TForm(owner) {
    AfterConstruction();
    cbBattSave = Part<TqzCheckBox>(this, "cbBattSave");
    cbBeepTone = Part<TqzCheckBox>(this, "cbBeepTone");
    cbVolhigh = Part<TqzCheckBox>(this, "cbVolhigh");
    cbVolLow = Part<TqzCheckBox>(this, "cbVolLow");
    cbSQvelch = Part<TqzComboBox>(this, "cbSQvelch");
    cbMonikey = Part<TqzComboBox>(this, "cbMonikey");
    cbTxTimeout = Part<TqzComboBox>(this, "cbTxTimeout");
    qzScan = Part<TqzComboBox>(this, "qzScan");
    qzWaveof = Part<TqzComboBox>(this, "qzWaveof");
    cbVoice = Part<TqzComboBox>(this, "cbVoice");
    qzAlt = Part<TqzComboBox>(this, "qzAlt");
    qzFM = Part<TqzComboBox>(this, "qzFM");
    gbVox = Part<TGroupBox>(this, "gbVox");
    chVoxFun = Part<TqzCheckBox>(this, "chVoxFun");
    Panel1 = Part<TPanel>(this, "Panel1");
    chVoxInhibit = Part<TqzCheckBox>(this, "chVoxInhibit");
    seVoxLevel = Part<TqzSpinEdit>(this, "seVoxLevel");
    lSquelch = Part<TLabel>(this, "lSquelch");
    lSideKey = Part<TLabel>(this, "lSideKey");
    lTxTimeout = Part<TLabel>(this, "lTxTimeout");
    lScan = Part<TLabel>(this, "lScan");
    lVoice = Part<TLabel>(this, "lVoice");
    lVoiceLanguage = Part<TLabel>(this, "lVoiceLanguage");
    lAlarm = Part<TLabel>(this, "lAlarm");
    lFm = Part<TLabel>(this, "lFm");
    lVoxLevel = Part<TLabel>(this, "lVoxLevel");
    btnOk = Part<TqzButton>(this, "btnOk");
    btnCancel = Part<TqzButton>(this, "btnCancel");
}

void TfBFunSet::FormShow(TObject*) { ShowSettings(); }

void TfBFunSet::ShowSettings() {
    if (WindowsNeedTranslation()) TranslateForm(this, AppState->LanguageName, true);
    LoadSettings();
}

void TfBFunSet::LoadSettings() {
    const TFun& f = *FunctionSettings;
    LoadCheck(cbBattSave, f.BatterySave);
    LoadCheck(cbBeepTone, f.BeepTone);
    LoadCheck(cbVolhigh, f.HighVolInhibitTx);
    LoadCheck(cbVolLow, f.LowVolInhibitTx);
    LoadList(cbSQvelch, f.Squelch);
    LoadList(cbMonikey, f.SideKey);
    LoadList(cbTxTimeout, f.TxTimeout);
    LoadList(qzScan, f.Scan);
    LoadList(qzWaveof, f.Voice);
    LoadList(cbVoice, f.VoiceLanguage);
    LoadList(qzAlt, f.InceptAlarm);
    LoadList(qzFM, f.Fm);
    LoadCheck(chVoxFun, f.VoxFunction);
    LoadCheck(chVoxInhibit, f.VoxInhibitOnReceive);
    Panel1->SetEnabled(chVoxFun->GetChecked());
    seVoxLevel->SetValue(Variant(Integer(f.VoxLevel + 1)));
}

void TfBFunSet::StoreSettings() {
    TFun& f = *FunctionSettings;
    StoreCheck(cbBattSave, f.BatterySave);
    StoreCheck(cbBeepTone, f.BeepTone);
    StoreCheck(cbVolhigh, f.HighVolInhibitTx);
    StoreCheck(cbVolLow, f.LowVolInhibitTx);
    StoreList(cbSQvelch, f.Squelch);
    StoreList(cbMonikey, f.SideKey);
    StoreList(cbTxTimeout, f.TxTimeout);
    StoreList(qzScan, f.Scan);
    StoreList(qzWaveof, f.Voice);
    StoreList(cbVoice, f.VoiceLanguage);
    StoreList(qzAlt, f.InceptAlarm);
    StoreList(qzFM, f.Fm);
    StoreCheck(chVoxFun, f.VoxFunction);
    StoreCheck(chVoxInhibit, f.VoxInhibitOnReceive);
    f.VoxLevel = seVoxLevel->GetValue().AsInteger() - 1;
    AppState->Modified = true;
}

void TfBFunSet::chVoxFunClick(TObject*) { Panel1->SetEnabled(chVoxFun->GetChecked()); }

void TfBFunSet::btnOkClick(TObject*) {
    StoreSettings();
    Close();
}

void TfBFunSet::btnCancelClick(TObject*) { Close(); }

void TfBFunSet::AddPrintRows() {
    ShowSettings();
    TMemDataSet* rows = fMaindb->myAdo;
    const String typeName = GetCaption();
    auto add = [&](const String& field, const String& value) {
        rows->Append();
        rows->FieldByName("TypeID")->SetAsInteger(9);
        rows->FieldByName("TypeName")->SetAsString(typeName);
        rows->FieldByName("AField")->SetAsString(field);
        rows->FieldByName("AValue")->SetAsString(value);
        rows->FieldByName("BField")->SetAsString("");
        rows->FieldByName("BValue")->SetAsString("");
        rows->Post();
    };
    auto check = [&](TqzCheckBox* box) {
        add(box->GetCaption(), ChooseText(box->GetChecked(), PromptTexts->Open, PromptTexts->Close));
    };
    auto list = [&](TLabel* label, TqzCustomTextEdit* editor) {
        add(label->GetCaption(), editor->GetText());
    };
    check(cbBattSave);
    check(cbBeepTone);
    check(cbVolhigh);
    check(cbVolLow);
    list(lSquelch, cbSQvelch);
    list(lSideKey, cbMonikey);
    list(lTxTimeout, cbTxTimeout);
    list(lScan, qzScan);
    list(lVoice, qzWaveof);
    list(lVoiceLanguage, cbVoice);
    list(lAlarm, qzAlt);
    list(lFm, qzFM);
    check(chVoxFun);
    list(lVoxLevel, seVoxLevel);
    check(chVoxInhibit);
}

KOV_PUBLISHED(TfBFunSet) {
    Method("FormShow", &TfBFunSet::FormShow);
    Method("chVoxFunClick", &TfBFunSet::chVoxFunClick);
    Method("btnOkClick", &TfBFunSet::btnOkClick);
    Method("btnCancelClick", &TfBFunSet::btnCancelClick);
}
