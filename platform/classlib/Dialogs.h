// The common dialogs: choosing files to open or save, a font, a colour, and what and where to
// print. Each dialog hands its question to the dialog presenter (the display's own dialogs,
// installed by the backend) and takes the answer back; tests answer through TScopedDialogScript.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/StringLists.h"
#include "platform/winapi/WinCore.h"

// ---- What a dialog asks and what it is answered ----------------------------------------------

struct TFileDialogRequest {
    bool Save = false;
    String Title;
    String InitialDir;
    String FileName;
    String DefaultExt;                                // without a dot: "dat"
    std::vector<std::pair<String, String>> Filters;   // description, masks ("*.bmp;*.ico")
    Integer FilterIndex = 1;                          // 1-based
    bool MultiSelect = false;
    bool OverwritePrompt = false;
    bool FileMustExist = false;
    bool PathMustExist = false;
    HWND Owner = nullptr;
};

struct TFileDialogAnswer {
    bool Accepted = false;
    std::vector<String> Files; // full paths, as chosen
    Integer FilterIndex = 1;
};

struct TFontChoice {
    String Name;
    Integer Size = 8;
    TFontStyles Style;
    TColor Color = clWindowText;
    bool Effects = true; // colour, underline and strike-out offered
};

enum TPrintRange { prAllPages, prSelection, prPageNums };

struct TPrintChoice {
    String Printer;    // the printer's name
    Integer Copies = 1;
    bool Collate = false;
    TPrintRange Range = prAllPages;
    Integer FromPage = 0, ToPage = 0, MinPage = 0, MaxPage = 0;
    bool PageNums = false, Selection = false; // which ranges may be chosen
    bool PrintToFile = false;
    bool PrintToFileOffered = false;
};

struct TPrinterSetupChoice {
    String Printer;
    bool Landscape = false;
};

// The display's dialogs. Each answers false (or not Accepted) when the user cancels.
class TDialogPresenter {
public:
    virtual ~TDialogPresenter() = default;
    virtual TFileDialogAnswer ChooseFile(const TFileDialogRequest& request) = 0;
    virtual bool ChooseFont(TFontChoice& font) = 0;
    virtual bool ChooseColor(TColor& color, std::vector<TColor>& customColors) = 0;
    virtual bool ChoosePrint(TPrintChoice& choice, const std::vector<String>& printers) = 0;
    virtual bool ChoosePrinterSetup(TPrinterSetupChoice& choice, const std::vector<String>& printers) = 0;
};

// Installs the presenter (null: none, and every dialog is cancelled with a line on stderr);
// returns the one before. A TScopedDialogScript answers before any presenter.
TDialogPresenter* SetDialogPresenter(TDialogPresenter* presenter);

// For tests: while it exists, every dialog is recorded and answered from the script in order.
// A dialog with no answer left, or an answer of the wrong kind, is cancelled and recorded as
// an error the test asserts on.
class TScopedDialogScript {
public:
    TScopedDialogScript();
    ~TScopedDialogScript();
    TScopedDialogScript(const TScopedDialogScript&) = delete;
    TScopedDialogScript& operator=(const TScopedDialogScript&) = delete;

    // Answers: files chosen (with the filter index chosen; 0 keeps the one asked), or cancel.
    void ChooseFiles(std::vector<String> files, Integer filterIndex = 0);
    void ChooseFont(const TFontChoice& font);
    void ChooseColor(TColor color);
    void ChoosePrint(const TPrintChoice& choice);
    void ChoosePrinterSetup(const TPrinterSetupChoice& choice);
    void Cancel();

    std::vector<TFileDialogRequest> FileRequests() const;
    // The kinds of dialog shown, in order: "file", "font", "color", "print", "printersetup".
    std::vector<String> Shown() const;
    std::vector<String> Errors() const;

private:
    friend class TScriptPresenter;
    struct TAnswer {
        String Kind; // as Shown(), or "cancel"
        TFileDialogAnswer File;
        TFontChoice Font;
        TColor Color = clBlack;
        TPrintChoice Print;
        TPrinterSetupChoice Setup;
    };
    bool Next(const String& kind, TAnswer& answer);

    mutable std::mutex FLock;
    std::deque<TAnswer> FAnswers;
    std::vector<TFileDialogRequest> FFileRequests;
    std::vector<String> FShown;
    std::vector<String> FErrors;
    TScopedDialogScript* FPrevious = nullptr;
};

// ---- The dialogs -----------------------------------------------------------------------------

class TCommonDialog : public TComponent {
    KOV_CLASS(TCommonDialog, TComponent)
public:
    explicit TCommonDialog(TComponent* owner);

    // Shows the dialog; true when the user accepted it.
    virtual bool Execute() = 0;
    Integer GetHelpContext() const { return FHelpContext; }
    void SetHelpContext(Integer value) { FHelpContext = value; }

    TNotifyEvent OnShow;
    TNotifyEvent OnClose;

protected:
    // The window the dialog belongs to: the active form's, or none.
    HWND OwnerWindow() const;
    void DoShow();
    void DoClose();

private:
    Integer FHelpContext = 0;
};

enum TOpenOption {
    ofReadOnly,
    ofOverwritePrompt,
    ofHideReadOnly,
    ofNoChangeDir,
    ofShowHelp,
    ofNoValidate,
    ofAllowMultiSelect,
    ofExtensionDifferent,
    ofPathMustExist,
    ofFileMustExist,
    ofCreatePrompt,
    ofShareAware,
    ofNoReadOnlyReturn,
    ofNoTestFileCreate,
    ofNoNetworkButton,
    ofNoLongNames,
    ofOldStyleDialog,
    ofNoDereferenceLinks,
    ofEnableIncludeNotify,
    ofEnableSizing
};
using TOpenOptions = TSet<TOpenOption, ofEnableSizing>;

class TOpenDialog : public TCommonDialog {
    KOV_CLASS(TOpenDialog, TCommonDialog)
public:
    explicit TOpenDialog(TComponent* owner);
    ~TOpenDialog() override;

    bool Execute() override;

    // "Description|masks|Description|masks"; FilterIndex counts its pairs from 1.
    const String& GetFilter() const { return FFilter; }
    void SetFilter(const String& value) { FFilter = value; }
    Integer GetFilterIndex() const { return FFilterIndex; }
    void SetFilterIndex(Integer value) { FFilterIndex = value; }
    // The extension added to a name chosen without one ("dat"; a leading "*." or "." is
    // dropped, so "*.dat" gives "dat").
    const String& GetDefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const String& value) { FDefaultExt = value; }
    const String& GetFileName() const { return FFileName; }
    void SetFileName(const String& value) { FFileName = value; }
    // Every file chosen (one unless ofAllowMultiSelect).
    TStrings* GetFiles() const { return FFiles.get(); }
    const String& GetInitialDir() const { return FInitialDir; }
    void SetInitialDir(const String& value) { FInitialDir = value; }
    const String& GetTitle() const { return FTitle; }
    void SetTitle(const String& value) { FTitle = value; }
    TOpenOptions GetOptions() const { return FOptions; }
    void SetOptions(TOpenOptions value) { FOptions = value; }

    TNotifyEvent OnCanClose;
    TNotifyEvent OnTypeChange;

protected:
    virtual bool IsSave() const { return false; }

private:
    String FFilter;
    Integer FFilterIndex = 1;
    String FDefaultExt;
    String FFileName;
    std::unique_ptr<TStringList> FFiles;
    String FInitialDir;
    String FTitle;
    TOpenOptions FOptions{ofHideReadOnly, ofEnableSizing};
};

class TSaveDialog : public TOpenDialog {
    KOV_CLASS(TSaveDialog, TOpenDialog)
public:
    explicit TSaveDialog(TComponent* owner) : TOpenDialog(owner) {}

protected:
    bool IsSave() const override { return true; }
};

// The picture dialogs start with the filter of every registered picture format.
class TOpenPictureDialog : public TOpenDialog {
    KOV_CLASS(TOpenPictureDialog, TOpenDialog)
public:
    explicit TOpenPictureDialog(TComponent* owner);
};

class TSavePictureDialog : public TSaveDialog {
    KOV_CLASS(TSavePictureDialog, TSaveDialog)
public:
    explicit TSavePictureDialog(TComponent* owner);
};

enum TFontDialogOption {
    fdAnsiOnly,
    fdTrueTypeOnly,
    fdEffects,
    fdFixedPitchOnly,
    fdForceFontExist,
    fdNoFaceSel,
    fdNoOEMFonts,
    fdNoSimulations,
    fdNoSizeSel,
    fdNoStyleSel,
    fdNoVectorFonts,
    fdShowHelp,
    fdWysiwyg,
    fdLimitSize,
    fdScalableOnly,
    fdApplyButton
};
using TFontDialogOptions = TSet<TFontDialogOption, fdApplyButton>;
enum TFontDialogDevice { fdScreen, fdPrinter, fdBoth };

class TFontDialog : public TCommonDialog {
    KOV_CLASS(TFontDialog, TCommonDialog)
public:
    explicit TFontDialog(TComponent* owner);
    ~TFontDialog() override;

    bool Execute() override;
    TFont* GetFont() const { return FFont.get(); }
    void SetFont(TFont* value) { FFont->Assign(value); }
    TFontDialogOptions GetOptions() const { return FOptions; }
    void SetOptions(TFontDialogOptions value) { FOptions = value; }
    TFontDialogDevice GetDevice() const { return FDevice; }
    void SetDevice(TFontDialogDevice value) { FDevice = value; }
    // With fdLimitSize, the size chosen is held within these (0: no limit).
    Integer GetMinFontSize() const { return FMinFontSize; }
    void SetMinFontSize(Integer value) { FMinFontSize = value; }
    Integer GetMaxFontSize() const { return FMaxFontSize; }
    void SetMaxFontSize(Integer value) { FMaxFontSize = value; }

private:
    std::unique_ptr<TFont> FFont;
    TFontDialogOptions FOptions{fdEffects};
    TFontDialogDevice FDevice = fdScreen;
    Integer FMinFontSize = 0;
    Integer FMaxFontSize = 0;
};

enum TColorDialogOption { cdFullOpen, cdPreventFullOpen, cdShowHelp, cdSolidColor, cdAnyColor };
using TColorDialogOptions = TSet<TColorDialogOption, cdAnyColor>;

class TColorDialog : public TCommonDialog {
    KOV_CLASS(TColorDialog, TCommonDialog)
public:
    explicit TColorDialog(TComponent* owner);
    ~TColorDialog() override;

    bool Execute() override;
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value) { FColor = value; }
    // "ColorA=808022" ... "ColorP=...": the custom colours, hexadecimal 0xBBGGRR.
    TStrings* GetCustomColors() const { return FCustomColors.get(); }
    TColorDialogOptions GetOptions() const { return FOptions; }
    void SetOptions(TColorDialogOptions value) { FOptions = value; }

private:
    TColor FColor = clBlack;
    std::unique_ptr<TStringList> FCustomColors;
    TColorDialogOptions FOptions;
};

enum TPrintDialogOption { poPrintToFile, poPageNums, poSelection, poWarning, poHelp, poDisablePrintToFile };
using TPrintDialogOptions = TSet<TPrintDialogOption, poDisablePrintToFile>;

// Chooses the printer (the program's Printer() takes it), the pages and the copies.
class TPrintDialog : public TCommonDialog {
    KOV_CLASS(TPrintDialog, TCommonDialog)
public:
    explicit TPrintDialog(TComponent* owner) : TCommonDialog(owner) {}

    bool Execute() override;
    bool GetCollate() const { return FCollate; }
    void SetCollate(bool value) { FCollate = value; }
    Integer GetCopies() const { return FCopies; }
    void SetCopies(Integer value) { FCopies = value; }
    Integer GetFromPage() const { return FFromPage; }
    void SetFromPage(Integer value) { FFromPage = value; }
    Integer GetToPage() const { return FToPage; }
    void SetToPage(Integer value) { FToPage = value; }
    Integer GetMinPage() const { return FMinPage; }
    void SetMinPage(Integer value) { FMinPage = value; }
    Integer GetMaxPage() const { return FMaxPage; }
    void SetMaxPage(Integer value) { FMaxPage = value; }
    TPrintDialogOptions GetOptions() const { return FOptions; }
    void SetOptions(TPrintDialogOptions value) { FOptions = value; }
    TPrintRange GetPrintRange() const { return FPrintRange; }
    void SetPrintRange(TPrintRange value) { FPrintRange = value; }
    bool GetPrintToFile() const { return FPrintToFile; }
    void SetPrintToFile(bool value) { FPrintToFile = value; }

private:
    bool FCollate = false;
    Integer FCopies = 0;
    Integer FFromPage = 0, FToPage = 0, FMinPage = 0, FMaxPage = 0;
    TPrintDialogOptions FOptions;
    TPrintRange FPrintRange = prAllPages;
    bool FPrintToFile = false;
};

// Chooses the printer and the orientation for the program's Printer().
class TPrinterSetupDialog : public TCommonDialog {
    KOV_CLASS(TPrinterSetupDialog, TCommonDialog)
public:
    explicit TPrinterSetupDialog(TComponent* owner) : TCommonDialog(owner) {}
    bool Execute() override;
};

// The pairs of a filter text "Description|masks|...", in order; a description without masks
// is left out.
std::vector<std::pair<String, String>> ParseDialogFilter(const String& filter);
