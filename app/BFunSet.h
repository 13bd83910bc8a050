// The function settings dialog: the radio's fifteen function settings in check boxes, lists and
// a spin editor, written back on "&Ok". Created hidden, it also gives the settings rows of the
// printout.
#pragma once

#include "platform/classlib/Forms.h"

class TLabel;
class TPanel;
class TGroupBox;
class TqzButton;
class TqzCheckBox;
class TqzComboBox;
class TqzSpinEdit;

class TfBFunSet : public TForm {
    KOV_CLASS(TfBFunSet, TForm)
public:
    explicit TfBFunSet(TComponent* owner);

    void FormShow(TObject* sender);
    void chVoxFunClick(TObject* sender);
    void btnOkClick(TObject* sender);
    void btnCancelClick(TObject* sender);

    // Translates the dialog when the selected language is not the design one, then loads the
    // settings into the controls.
    void ShowSettings();
    // Every control from FunctionSettings. A list whose field lies outside its items shows none.
    void LoadSettings();
    // Every control into FunctionSettings and marks the data modified. A list showing no item
    // leaves its field as it is.
    void StoreSettings();
    // ShowSettings, then one print record per setting appended to the data module's myAdo.
    void AddPrintRows();

    TqzCheckBox* cbBattSave = nullptr;
    TqzCheckBox* cbBeepTone = nullptr;
    TqzCheckBox* cbVolhigh = nullptr;
    TqzCheckBox* cbVolLow = nullptr;
    TqzComboBox* cbSQvelch = nullptr;
    TqzComboBox* cbMonikey = nullptr;
    TqzComboBox* cbTxTimeout = nullptr;
    TqzComboBox* qzScan = nullptr;
    TqzComboBox* qzWaveof = nullptr;
    TqzComboBox* cbVoice = nullptr;
    TqzComboBox* qzAlt = nullptr;
    TqzComboBox* qzFM = nullptr;
    TGroupBox* gbVox = nullptr;
    TqzCheckBox* chVoxFun = nullptr;
    TPanel* Panel1 = nullptr;
    TqzCheckBox* chVoxInhibit = nullptr;
    TqzSpinEdit* seVoxLevel = nullptr;
    TLabel* lSquelch = nullptr;
    TLabel* lSideKey = nullptr;
    TLabel* lTxTimeout = nullptr;
    TLabel* lScan = nullptr;
    TLabel* lVoice = nullptr;
    TLabel* lVoiceLanguage = nullptr;
    TLabel* lAlarm = nullptr;
    TLabel* lFm = nullptr;
    TLabel* lVoxLevel = nullptr;
    TqzButton* btnOk = nullptr;
    TqzButton* btnCancel = nullptr;
};
