// The tone picker: a modal dialog showing the CTCSS tones and the DCS codes as three grids of
// codes. Callers create it, show it modally, read ChosenTone (empty: nothing chosen) and free it.
#pragma once

#include "grid/Tambor.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"
#include "suite/controls/qzRadioGroup.h"

class TfToneOption : public TForm {
    KOV_CLASS(TfToneOption, TForm)
public:
    explicit TfToneOption(TComponent* owner);

    // Builds the grids, empties ChosenTone, translates the dialog (without its combo-box items)
    // when the selected language is not the design one, and shows the CTCSS grid.
    void FormShow(TObject* sender);
    // Any of the three radio buttons: shows the grid of the checked one and titles the code
    // group with the item of lbSel at the sender's Tag.
    void rCTCSSClick(TObject* sender);
    // A double click on a tone or code column takes the current cell's text and closes the
    // dialog; on any other column it does nothing.
    void gvCtcssDblClick(TObject* sender);
    void gvDcsNDblClick(TObject* sender);
    void gvDcsIDblClick(TObject* sender);

    // Fills the three grids from the code table lbValue.
    void BuildToneGrids();
    // "01-67.0-XZ" → "01", "67.0", "XZ"; "1-D023" → "1", "D023", "D023"; "" → three empty texts.
    static void ParseToneEntry(const String& entry, String& first, String& middle, String& last);

    // The tone text chosen; empty until a choice is made.
    String ChosenTone;

    TGroupBox* gbVoice = nullptr;
    TqzRadioButton* rCTCSS = nullptr;
    TqzRadioButton* rDCSN = nullptr;
    TqzRadioButton* rDCSI = nullptr;
    TGroupBox* gbList = nullptr;
    TTambor* gvCtcss = nullptr;
    TTambor* gvDcsN = nullptr;
    TTambor* gvDcsI = nullptr;
    TListBox* lbSel = nullptr;
    TListBox* lbValue = nullptr;

private:
    void ChooseFrom(TTambor* grid);
};
