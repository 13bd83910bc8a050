// The test frequency dialog: the 16 receive and transmit test frequencies in a grid.
#pragma once

#include "platform/classlib/Forms.h"

class TLabel;
class TTambor;
class TqzButton;

class TfTestFrequency : public TForm {
    KOV_CLASS(TfTestFrequency, TForm)
public:
    explicit TfTestFrequency(TComponent* owner);

    // Sets up the grid, translates the dialog when the selected language is not the
    // design one and shows the frequencies.
    void FormShow(TObject* sender);
    // Titles, channel numbers, colours, alignment and the number style of the frequency cells.
    void SetupGrid();
    // The frequencies into the grid, and back.
    void LoadRows();
    void StoreRows();
    // A frequency written into the grid: beyond the model's limits it becomes the band's edge
    // (ErrRange), outside the band it is kept with a warning (OutRange); it is shown as
    // "0.00000". An emptied cell stays empty. Either way the frequencies count as changed.
    void gvDataSetForeText(TObject* sender, Integer col, Integer row, String& value);
    void btnOkClick(TObject* sender);
    void btnCancelClick(TObject* sender);
    // After a change, the caption of Label1 tells that the radio no longer matches; the dialog
    // closes all the same.
    void FormCloseQuery(TObject* sender, bool& canClose);

    TTambor* gvData = nullptr;
    TLabel* Label1 = nullptr;
    TqzButton* btnOk = nullptr;
    TqzButton* btnCancel = nullptr;

    bool Changed = false;
};
