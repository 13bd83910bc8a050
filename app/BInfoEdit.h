// The channel edit dialog: one channel of the channel window's table at a time, in ordinary
// editors. A channel is read from the grid when it is chosen and written back after every change,
// so "&Close" only closes the dialog.
#pragma once

#include "platform/classlib/Forms.h"

class TLabel;
class TListBox;
class TPanel;
class TqzButton;
class TqzCheckBox;
class TqzComboBox;
class TqzCurrencyEdit;
class TqzSpinEdit;

// ---- Shared by the channel edit and batch edit dialogs ----
// A frequency editor is empty when its trimmed text is; a text that is not a number reads false.
bool IsFrequencyEmpty(TqzCurrencyEdit* editor);
bool ReadFrequency(TqzCurrencyEdit* editor, double& value);
// A tone editor's text, with the list's current item following it.
void SetToneText(TqzComboBox* editor, const String& text);
// The tone check: an empty editor shows the first item ("None"); any text other than that item
// is corrected by the tone text rule.
void CheckToneEditor(TqzComboBox* editor);
// The text a fixed list shows, as the grid stores it; empty when it shows no item.
String ListText(TqzComboBox* list);
String ListText(TListBox* list);

class TfBInfoEdit : public TForm {
    KOV_CLASS(TfBInfoEdit, TForm)
public:
    explicit TfBInfoEdit(TComponent* owner);

    // ---- Handlers bound in the window definition ----
    // Translates the dialog when the selected language is not the design one, then shows
    // StartChannel.
    void FormShow(TObject* sender);
    void sexdChange(TObject* sender);
    // A typed channel number is moved onto the spin editor's steps and into its bounds; it is
    // never refused.
    void SpinEditPropertiesValidate(TObject* sender, Variant& displayValue, String& errorText, bool& error);
    // Digits, the decimal separator, backspace and Enter; anything else is dropped.
    void eReceiveKeyPress(TObject* sender, char32_t& key);
    void eSendKeyPress(TObject* sender, char32_t& key);
    // Tone characters (digits, ".", D, I, N in either case), backspace and Enter; Enter ends the
    // entry as leaving the editor does.
    void cbQTKeyPress(TObject* sender, char32_t& key);
    void cbDQTKeyPress(TObject* sender, char32_t& key);
    // A tone entered: checked and corrected, then the channel is written.
    void cbQTExit(TObject* sender);
    void cbDQTExit(TObject* sender);
    void cbkzChange(TObject* sender);
    void chsmtjClick(TObject* sender);
    void chpppyClick(TObject* sender);
    void chfmClick(TObject* sender);
    // The tone picker; a tone chosen there is entered as if typed.
    void cbQTDblClick(TObject* sender);
    void cbDQTDblClick(TObject* sender);
    // RX entered: emptied, it empties the channel; otherwise it is checked against the model's
    // and the band's limits (with a prompt), snapped to the channel raster, copied into an empty
    // TX, and the channel is written.
    void eReceivePropertiesEditValueChanged(TObject* sender);
    // TX entered: emptied, the encode tone becomes "None"; otherwise checked and snapped as RX.
    void eSendPropertiesEditValueChanged(TObject* sender);
    void btnCloseClick(TObject* sender);

    // ---- The channel ----
    // The editors from the grid row of the channel in sexd.
    void LoadChannel();
    // Empties the frequencies, resets the tones, the bandwidth and the three options; the TX
    // power keeps its choice.
    void ClearFields();
    // The editors into the grid row of the channel in sexd (no grid notices), or the row emptied
    // when RX is empty; the data are marked modified.
    void WriteChannel();

    // Set while the dialog fills its editors; the change handlers do nothing meanwhile.
    bool Loading = false;
    // The channel shown first; set by the caller.
    Integer StartChannel = 1;

    // ---- Components of the definition ----
    TqzSpinEdit* sexd = nullptr;
    TqzCurrencyEdit* eReceive = nullptr;
    TPanel* pMain = nullptr;
    TqzCurrencyEdit* eSend = nullptr;
    TqzComboBox* cbQT = nullptr;
    TqzComboBox* cbDQT = nullptr;
    TqzComboBox* cbkz = nullptr;
    TqzComboBox* cbfsgl = nullptr;
    TqzCheckBox* chsmtj = nullptr;
    TqzCheckBox* chpppy = nullptr;
    TqzCheckBox* chfm = nullptr;
    TListBox* cbsmtj = nullptr;
    TListBox* cbpppy = nullptr;
    TListBox* cbfm = nullptr;
    TqzButton* btnClose = nullptr;

private:
    void ToneEntered(TqzComboBox* editor);
    void PickTone(TqzComboBox* editor);
    void OptionClicked(TqzCheckBox* box, TListBox* list);
    // Whether the handlers run: not while loading nor while the dialog sets an editor itself.
    bool Handling() const { return !Loading && FSetting == 0; }

    // Counts the dialog's own assignments to its editors, whose notices are not entries.
    Integer FSetting = 0;
    friend class TSettingScope;
};
