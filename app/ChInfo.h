// The channel window: the channel table in its grid gvData, edited in place (frequencies
// through the grid's own editor, tones and options through the list editors laid over the
// current cell, tones also through the tone picker).
//
// The table: column 1 the channel number (back text: the in-use mark "1"), 2 RX and 3 TX in MHz
// as "0.00000", 4 and 5 the decode and encode tone texts, 6 to 10 TX power, bandwidth, scan add,
// beat shift and busy lockout as item texts with their list index as back text. Row 1 holds the
// titles, channel k sits in row k + 1. A row holds a channel exactly when its RX text is not
// empty.
#pragma once

#include "platform/classlib/Forms.h"

class TTambor;
class TListBox;
class TLabel;
class TqzComboBox;
class TqzCustomTextEdit;

class TfChInfo : public TForm {
    KOV_CLASS(TfChInfo, TForm)
public:
    explicit TfChInfo(TComponent* owner);

    // ---- Handlers bound in the window definition ----
    // Translates the window when the selected language is not the design one, takes the
    // "None" text from the tone list and builds the columns and rows.
    void FormShow(TObject* sender);
    // Every checked write into the grid: marks the data modified; an RX or TX text is checked
    // against the model's and the band's limits, snapped to the channel raster and formatted
    // "0.00000"; an RX written into an empty row makes it a channel, an emptied RX clears the
    // row.
    void gvDataSetForeText(TObject* sender, Integer col, Integer row, String& text);
    void gvDataSelectCell(TObject* sender, Integer col, Integer row, bool& canSelect);
    // Opens the grid's editor on an RX cell (and on the TX cell of a channel), or places the
    // list editor of the current cell.
    void gvDataMouseDown(TObject* sender, TMouseButton button, TShiftState shift, Integer x, Integer y);
    // Digits, ".", backspace and Enter; anything else is dropped.
    void gvDataKeyPress(TObject* sender, char32_t& key);
    // A list editor's value went into the cell it works for (not while the grid is being
    // re-translated, nor while an editor is being placed).
    void ComBoxSetData(TObject* sender);
    void ComBoxExit(TObject* sender);
    void ComBoxKeyPress(TObject* sender, char32_t& key);
    // Opens the tone picker for the cell of a tone editor; a chosen tone goes into the cell and
    // the editor.
    void ComBoxDblClick(TObject* sender);

    // ---- The table ----
    // Columns, titles and widths from BColText, the window's width, then ResetRows.
    void SetupColumns();
    // Rows for AppState->ChannelCount channels, all of them empty.
    void ResetRows();
    // Makes the row a channel: the in-use mark, TX from RX when it has none, the default tones
    // and options, an editable TX cell.
    void InitChannelRow(Integer row);
    // Empties the row (no notices) and locks its TX cell.
    void ClearChannelRow(Integer row);
    // Places the list editor of (EditCol, EditRow) over its cell, filled from the cell.
    void ShowInlineEditor();
    // The language changed: the window, the titles and the option and "None" texts of every
    // channel are translated again; Modified stays as it was.
    void RetranslateGrid();
    // The printout's channel records in the data module's myAdo (type 8, named by the Channel and
    // Info prompts): a heading record, then six records for every channel, each one or two titles
    // of row 1 with the channel's texts as the grid shows them.
    void AddPrintRows();

    // The cell the list editors work for (the last one selected).
    Integer EditCol = 0;
    Integer EditRow = 0;

    // ---- Components of the definition ----
    TTambor* gvData = nullptr;
    TListBox* BColText = nullptr;
    TLabel* lNone = nullptr;
    TqzComboBox* cbQT = nullptr;
    TqzComboBox* cbDQT = nullptr;
    TqzComboBox* cbfsgl = nullptr;
    TqzComboBox* cbkz = nullptr;
    TqzComboBox* cbHave = nullptr;

protected:
    void Loaded() override;

private:
    // The list editor that edits a column of the current row; nullptr for none.
    TqzComboBox* ListEditorFor(Integer col, Integer row) const;
    void PlaceListEditor(TqzComboBox* editor);
    // The list write-back: `text` (a tone normalised) into the cell of (EditCol, EditRow), with
    // the editor's item index as back text for the option lists; marks the data modified.
    void WriteBack(TqzComboBox* editor, String text);
    bool HoldsCell(Integer col, Integer row) const;

    // Set while a list editor is filled from its cell: its value notices are not edits.
    bool FPlacingEditor = false;
};

// The channel window of the program, made once by the main window.
extern TfChInfo* fChInfo;
