// The main window: the frame that holds the channel window, keeps the current data file and
// runs the file commands (New, Open, Save, Save As).
#pragma once

#include "app/MacType.h"
#include "app/WriteRead.h"
#include "platform/classlib/Dialogs.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/DateTime.h"

// ---- The data file ----------------------------------------------------------------------------
// A data file is an image of the radio memory in 16-byte records with a header record in
// front. With N channels and G gap blocks (the model's GapBlocks):
//   0                header: "P" + model code, band edges "000""000", date and time of saving
//   1 .. N           channel records
//   N+1 .. N+G-1     blank records (sixteen 0xFF)
//   N+G              function settings record B
//   N+G+1 .. N+G+4   message text records: LineA bytes 1-16, 17-32, LineB bytes 1-16, 17-32
//   N+G+5            function settings record A
//   N+G+6            model record with the band code of AppState->BandText
//   N+G+7 .. N+G+10  only for a model of more than 16 channels: the in-use and scan bitmaps
// Records 1 onwards sit where the radio keeps them, except settings B (0x2B0 in the radio),
// which takes the place of the last gap record.

// Number of records of a data file for a model (the bitmap records included when it has them).
Integer DataFileRecordCount(const TMacType& model);

// The whole data file in memory, from channel rows 2 .. channelRows + 1 of `cells` and the data
// model (AppState, FunctionSettings, MessageLines), dated `saved`. A tone cell holding
// noneText counts as no tone. Rebuilds AppState->UsedBits and ScanBits. A frequency or tone
// text that cannot be stored raises EConvertError.
String EncodeDataFile(const IChannelCells& cells, Integer channelRows, const String& noneText,
                      TDateTime saved);


// ---- The window ---------------------------------------------------------------------------------

class TTambor;
class TfChInfo;
class TImage;
class TImageList;
class TLabel;
class TMainMenu;
class TMenuItem;
class TPanel;
class TSkarn;
class TStaticText;
class TStatusBar;
class TTimer;
class TToolBar;
class TqzComboBox;

class TfMainFrm : public TForm {
    KOV_CLASS(TfMainFrm, TForm)
public:
    explicit TfMainFrm(TComponent* owner);
    ~TfMainFrm() override;

    // The creation handler (OnCreate): takes the components of the definition and loads the
    // tool bar's images.
    void FormCreate(TObject* sender);
    // The first show: the background picture, the first model with its default band, the port
    // (upper-cased, or the first present port when the stored one is not present), the
    // language, the layout for the model table, the status and the channel window; the data
    // start unmodified.
    void FormShow(TObject* sender);
    // The background picture as the brush over the whole client area.
    void FormPaint(TObject* sender);
    // "ExitProgram" (No refuses the close); with modified data "SaveProgram", whose Yes saves
    // as Save does (a cancelled or failed save refuses the close).
    void FormCloseQuery(TObject* sender, bool& canClose);
    // Writes "SysInfo.Ini"; a write that fails is reported and the program closes anyway.
    void FormClose(TObject* sender, TCloseAction& action);
    // Menu items and tool buttons: RunCommand with the sender's Tag.
    void ButtonClick(TObject* sender);
    void TButtonClick(TObject* sender);
    void ExitClick(TObject* sender);
    // "&Toolbar" and "&Status bar": show or hide the bar and check the item to match.
    void ToolbarClick(TObject* sender);
    void StatusBarClick(TObject* sender);
    // Panel 2 shows the time.
    void TimerTimer(TObject* sender);
    // The band box of the single-model layout.
    void cbFreqChange(TObject* sender);

    // ---- Commands (MainFrm_Commands.cpp) ----
    // The command of a menu item or tool button by its Tag; an unknown tag does nothing. An
    // open edit of the channel grid is committed and the channel window's list editors hidden
    // first.
    void RunCommand(Integer tag);
    // Shows the controls that fit SingleModel.
    void ApplyModelMode();
    void ShowModelDialog();
    void ShowChannelDialog();
    void ShowBatchDialog();
    void ShowTestFrequencyDialog();
    void ShowMessageDialog();
    void ShowFunctionDialog();
    void ShowPortDialog();
    void ShowLanguageDialog();
    void ShowAbout();
    // The help window when it is open, else the help file through the desktop; a help file
    // that cannot be opened is reported naming the file.
    void ShowHelp();
    void TestOnline();

    // ---- Printing (MainFrm_Print.cpp) ----
    // Fills the data module's print record sets (emptied first) from the window, the function
    // settings and the channel table, then previews the report or prints it (through the print
    // dialog; pages are printed only when their preparation succeeded).
    void PrintData(bool preview);

    // ---- Data file (MainFrm_File.cpp) ----
    // Writes the current data to FileName (the channel window's table, settings, message,
    // model and band). The file is encoded whole first, so a conversion error writes nothing;
    // any failure raises and leaves the old file as it was and Modified set. Clears Modified.
    void WriteDataFile();
    // Reads FileName into the data model and the channel table. Nothing changes unless the
    // file's header is good: a file that cannot be read, or header band edges that are not a
    // number, raise; a header that is cut short or names an unknown model shows "ModError",
    // empties FileName and answers false. Records past the end of a short file read as blank,
    // a missing settings record as the defaults and a missing model record as the header's
    // model in the band of the header's edges. Answers true when the file was read.
    bool ReadDataFile();
    // Kinds 0 and 1 write FileName; a failure is shown in the error box. Other kinds do
    // nothing. Answers true when the file was written.
    bool SaveFile(Integer kind);
    // New (Tag 1): after the save-before-discard step, default settings, empty message and
    // channels, no file name, not modified.
    void NewData();
    // Open (Tag 2): after the save-before-discard step, the open dialog; a chosen file is read.
    // FileName names the chosen file only once it has been read; a file that cannot be read is
    // reported and changes nothing.
    void OpenData();
    // Save (Tag 3) writes to FileName, asking for a name first when there is none; Save As
    // (Tag 4) always asks. FileName takes a chosen name once the file is written; a cancelled
    // dialog or a failed write leaves it as it was. Answers true when the file was written.
    bool SaveData(Integer tag = 3);
    // The step before data are discarded (New, Open, closing, a model change): when Modified,
    // asks "SaveProgram"; Yes saves as Save does. Answers whether the caller may go on: after
    // No, after a successful save, or when there was nothing to save.
    bool SaveBeforeDiscard();

    // Caption (and, with the rest of the window, the information strip and status bar).
    void RefreshStatus();
    // Creates the channel window (fChInfo, owned by this window) on first use and shows it.
    void ShowChannelWindow();
    // Forgets the channel window when it goes.
    void Notification(TComponent* component, TOperation operation) override;

    // The current data file, empty while the data have none.
    String FileName;
    // The model table holds exactly one model.
    bool SingleModel = false;

    TOpenDialog* odOpen = nullptr;
    TSaveDialog* sdSave = nullptr;
    TMainMenu* MainMenu = nullptr;
    TPanel* pBar = nullptr;
    TToolBar* tbar = nullptr;
    TStatusBar* MainBar = nullptr;
    TImage* ImBack = nullptr;
    TImageList* Image = nullptr;
    TTimer* Timer = nullptr;
    TSkarn* Xp = nullptr;
    TLabel* lCom = nullptr;
    TLabel* lMode = nullptr;
    TLabel* Label4 = nullptr;
    TStaticText* stModel = nullptr;
    TStaticText* stFreq = nullptr;
    TqzComboBox* cbFreq = nullptr;
    TqzComboBox* cbCom = nullptr;

    // ---- Radio (MainFrm_Radio.cpp) ----
    // "Read From Radio": the read dialog fills the staging grid; after a successful read the
    // staging grid goes into the channel table.
    void ShowReadDialog();
    // "Write To Radio": the write dialog, writing the channel table.
    void ShowWriteDialog();
    // The staging grid with 2 rows, then AppState->ChannelCount + 2 (every channel row empty).
    void ResetStagingRows();
    // Copies the staging grid into the channel table (the in-use mark, frequencies as they are,
    // tones and options through the checked writes, editable TX cells); the data are modified
    // and belong to no file.
    void ApplyReadResult();
    // The hidden staging grid of a read, laid out like the channel table.
    TTambor* tvData = nullptr;
};

extern TfMainFrm* fMainFrm;
