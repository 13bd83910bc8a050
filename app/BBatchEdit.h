// The batch edit dialog: fills a run of channels of the channel window's table in one step,
// from a start RX and TX that advance by a fixed step from channel to channel, with one set of
// tones and options for all of them. "&Ok" writes a run and leaves the dialog open.
#pragma once

#include "platform/classlib/Forms.h"

class TListBox;
class TPanel;
class TqzButton;
class TqzCheckBox;
class TqzComboBox;
class TqzCurrencyEdit;
class TqzRadioButton;
class TqzSpinEdit;

class TfBBatchEdit : public TForm {
    KOV_CLASS(TfBBatchEdit, TForm)
public:
    explicit TfBBatchEdit(TComponent* owner);

    // ---- Handlers bound in the window definition ----
    // Translates the dialog when the selected language is not the design one.
    void FormShow(TObject* sender);
    void eReceiveKeyPress(TObject* sender, char32_t& key);
    void eSendKeyPress(TObject* sender, char32_t& key);
    // A frequency entered is snapped to the channel raster at once; an empty editor stays empty.
    void eReceivePropertiesEditValueChanged(TObject* sender);
    void eSendPropertiesEditValueChanged(TObject* sender);
    // Tone characters only; Enter ends the entry.
    void cbQTKeyPress(TObject* sender, char32_t& key);
    void cbDQTKeyPress(TObject* sender, char32_t& key);
    // A tone entered: an empty editor shows "None", any other text is corrected by the tone rule.
    void cbQTExit(TObject* sender);
    void cbDQTExit(TObject* sender);
    void chpppyClick(TObject* sender);
    void chsmtjClick(TObject* sender);
    void chfmClick(TObject* sender);
    // The tone picker; a tone chosen there is entered as if typed.
    void cbQTDblClick(TObject* sender);
    void cbDQTDblClick(TObject* sender);
    // "&All Channel" or "&Channel" chosen: the range editors are usable exactly for "&Channel".
    void rallClick(TObject* sender);
    void btnOkClick(TObject* sender);
    void btnCancelClick(TObject* sender);

    // ---- The run ----
    // Whether the entries make a run: both frequencies numbers; for a range of channels also
    // From not above To (prompt FChBigT) and both frequencies in the model's range (prompt
    // ErrRange).
    bool CheckBatchInput();
    // Writes the run into the grid: every channel, or From to To, each with the running RX and
    // TX (held in the model's range, written snapped) and the tones and options.
    void ApplyBatch();

    // ---- Components of the definition ----
    TqzCurrencyEdit* eReceive = nullptr;
    TqzCurrencyEdit* eSend = nullptr;
    TqzComboBox* cbJg = nullptr;
    TqzRadioButton* rasc = nullptr;
    TqzRadioButton* rdesc = nullptr;
    TqzRadioButton* rall = nullptr;
    TqzRadioButton* rOne = nullptr;
    TPanel* pPd = nullptr;
    TqzSpinEdit* seFrom = nullptr;
    TqzSpinEdit* seTo = nullptr;
    TqzComboBox* cbQT = nullptr;
    TqzComboBox* cbDQT = nullptr;
    TqzComboBox* cbkz = nullptr;
    TqzComboBox* cbfsgl = nullptr;
    TqzCheckBox* chpppy = nullptr;
    TqzCheckBox* chsmtj = nullptr;
    TqzCheckBox* chfm = nullptr;
    TListBox* cbpppy = nullptr;
    TListBox* cbsmtj = nullptr;
    TListBox* cbfm = nullptr;
    TqzButton* btnOk = nullptr;
    TqzButton* btnCancel = nullptr;

private:
    void SnapEntry(TqzCurrencyEdit* editor);
    void ToneEntered(TqzComboBox* editor);
    void PickTone(TqzComboBox* editor);

    // Set while the dialog sets an editor itself: its notices are not entries.
    bool FSetting = false;
};
