// The common dialogs over the dialog presenter, and the test script that answers them.
#include "platform/classlib/Dialogs.h"

#include <cstdio>
#include <filesystem>

#include "platform/classlib/Printers.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/WinCore.h"

// ---- Presenters --------------------------------------------------------------------------------

namespace {

struct TPresenters {
    std::mutex Lock;
    TDialogPresenter* Installed = nullptr;
    TScopedDialogScript* Script = nullptr;
};

TPresenters& Presenters() {
    static TPresenters presenters;
    return presenters;
}

// Without a presenter nobody can answer: the dialog is cancelled, and the reason written.
class TNoPresenter : public TDialogPresenter {
public:
    TFileDialogAnswer ChooseFile(const TFileDialogRequest& request) override {
        Note(request.Save ? "save dialog" : "open dialog");
        return {};
    }
    bool ChooseFont(TFontChoice&) override { return Note("font dialog"); }
    bool ChooseColor(TColor&, std::vector<TColor>&) override { return Note("colour dialog"); }
    bool ChoosePrint(TPrintChoice&, const std::vector<String>&) override { return Note("print dialog"); }
    bool ChoosePrinterSetup(TPrinterSetupChoice&, const std::vector<String>&) override {
        return Note("printer setup dialog");
    }

private:
    static bool Note(const char* what) {
        std::fprintf(stderr, "KOV-571: no display to show the %s; cancelled\n", what);
        return false;
    }
};

} // namespace

// Answers from the innermost script (declared a friend of the script).
class TScriptPresenter : public TDialogPresenter {
public:
    explicit TScriptPresenter(TScopedDialogScript* script) : FScript(script) {}
    TFileDialogAnswer ChooseFile(const TFileDialogRequest& request) override {
        {
            std::lock_guard<std::mutex> lock(FScript->FLock);
            FScript->FFileRequests.push_back(request);
        }
        TScopedDialogScript::TAnswer answer;
        if (!FScript->Next("file", answer)) return {};
        TFileDialogAnswer out = answer.File;
        if (out.FilterIndex == 0) out.FilterIndex = request.FilterIndex;
        return out;
    }
    bool ChooseFont(TFontChoice& font) override {
        TScopedDialogScript::TAnswer answer;
        if (!FScript->Next("font", answer)) return false;
        // What the dialog offered stays the caller's.
        bool effects = font.Effects;
        font = answer.Font;
        font.Effects = effects;
        return true;
    }
    bool ChooseColor(TColor& color, std::vector<TColor>&) override {
        TScopedDialogScript::TAnswer answer;
        if (!FScript->Next("color", answer)) return false;
        color = answer.Color;
        return true;
    }
    bool ChoosePrint(TPrintChoice& choice, const std::vector<String>&) override {
        TScopedDialogScript::TAnswer answer;
        if (!FScript->Next("print", answer)) return false;
        choice = answer.Print;
        return true;
    }
    bool ChoosePrinterSetup(TPrinterSetupChoice& choice, const std::vector<String>&) override {
        TScopedDialogScript::TAnswer answer;
        if (!FScript->Next("printersetup", answer)) return false;
        choice = answer.Setup;
        return true;
    }

private:
    TScopedDialogScript* FScript;
};

namespace {

// Runs f with the presenter that answers now.
template <typename F>
auto WithPresenter(F f) {
    TPresenters& p = Presenters();
    TScopedDialogScript* script;
    TDialogPresenter* installed;
    {
        std::lock_guard<std::mutex> lock(p.Lock);
        script = p.Script;
        installed = p.Installed;
    }
    if (script) {
        TScriptPresenter presenter(script);
        return f(presenter);
    }
    if (installed) return f(*installed);
    TNoPresenter none;
    return f(none);
}

} // namespace

TDialogPresenter* SetDialogPresenter(TDialogPresenter* presenter) {
    TPresenters& p = Presenters();
    std::lock_guard<std::mutex> lock(p.Lock);
    TDialogPresenter* old = p.Installed;
    p.Installed = presenter;
    return old;
}

// ---- TScopedDialogScript -----------------------------------------------------------------------

TScopedDialogScript::TScopedDialogScript() {
    TPresenters& p = Presenters();
    std::lock_guard<std::mutex> lock(p.Lock);
    FPrevious = p.Script;
    p.Script = this;
}

TScopedDialogScript::~TScopedDialogScript() {
    TPresenters& p = Presenters();
    std::lock_guard<std::mutex> lock(p.Lock);
    if (p.Script == this) p.Script = FPrevious;
}

void TScopedDialogScript::ChooseFiles(std::vector<String> files, Integer filterIndex) {
    TAnswer a;
    a.Kind = "file";
    a.File.Accepted = true;
    a.File.Files = std::move(files);
    a.File.FilterIndex = filterIndex;
    std::lock_guard<std::mutex> lock(FLock);
    FAnswers.push_back(std::move(a));
}

void TScopedDialogScript::ChooseFont(const TFontChoice& font) {
    TAnswer a;
    a.Kind = "font";
    a.Font = font;
    std::lock_guard<std::mutex> lock(FLock);
    FAnswers.push_back(std::move(a));
}

void TScopedDialogScript::ChooseColor(TColor color) {
    TAnswer a;
    a.Kind = "color";
    a.Color = color;
    std::lock_guard<std::mutex> lock(FLock);
    FAnswers.push_back(std::move(a));
}

void TScopedDialogScript::ChoosePrint(const TPrintChoice& choice) {
    TAnswer a;
    a.Kind = "print";
    a.Print = choice;
    std::lock_guard<std::mutex> lock(FLock);
    FAnswers.push_back(std::move(a));
}

void TScopedDialogScript::ChoosePrinterSetup(const TPrinterSetupChoice& choice) {
    TAnswer a;
    a.Kind = "printersetup";
    a.Setup = choice;
    std::lock_guard<std::mutex> lock(FLock);
    FAnswers.push_back(std::move(a));
}

void TScopedDialogScript::Cancel() {
    TAnswer a;
    a.Kind = "cancel";
    std::lock_guard<std::mutex> lock(FLock);
    FAnswers.push_back(std::move(a));
}

bool TScopedDialogScript::Next(const String& kind, TAnswer& answer) {
    std::lock_guard<std::mutex> lock(FLock);
    FShown.push_back(kind);
    if (FAnswers.empty()) {
        FErrors.push_back("no answer scripted for a " + kind + " dialog");
        return false;
    }
    answer = std::move(FAnswers.front());
    FAnswers.pop_front();
    if (answer.Kind == "cancel") return false;
    if (answer.Kind != kind) {
        FErrors.push_back("a " + answer.Kind + " answer was scripted for a " + kind + " dialog");
        return false;
    }
    return true;
}

std::vector<TFileDialogRequest> TScopedDialogScript::FileRequests() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FFileRequests;
}

std::vector<String> TScopedDialogScript::Shown() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FShown;
}

std::vector<String> TScopedDialogScript::Errors() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FErrors;
}

// ---- Helpers -----------------------------------------------------------------------------------

std::vector<std::pair<String, String>> ParseDialogFilter(const String& filter) {
    std::vector<String> parts;
    std::size_t start = 0;
    while (start <= filter.size()) {
        std::size_t bar = filter.find('|', start);
        if (bar == String::npos) bar = filter.size();
        parts.push_back(filter.substr(start, bar - start));
        start = bar + 1;
    }
    std::vector<std::pair<String, String>> pairs;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
        if (!Trim(parts[i + 1]).empty()) pairs.push_back({parts[i], Trim(parts[i + 1])});
    return pairs;
}

namespace {

// "*.dat", ".dat" and "dat" all mean the extension "dat"; a mask character never ends up in a
// file name.
String CleanExtension(String ext) {
    ext = Trim(ext);
    while (!ext.empty() && (ext[0] == '*' || ext[0] == '.'))
        ext.erase(0, 1);
    if (ext.find_first_of("*?;|/") != String::npos) return String();
    return ext;
}

bool HasExtension(const String& path) {
    std::filesystem::path p(path);
    return p.has_extension() && p.extension() != ".";
}

String ExtensionOf(const String& path) {
    String ext = std::filesystem::path(path).extension().string();
    return ext.empty() ? ext : ext.substr(1);
}

} // namespace

// ---- TCommonDialog -----------------------------------------------------------------------------

TCommonDialog::TCommonDialog(TComponent* owner) : TComponent(owner) {}

HWND TCommonDialog::OwnerWindow() const { return GetActiveWindow(); }

void TCommonDialog::DoShow() {
    if (OnShow) OnShow(this);
}

void TCommonDialog::DoClose() {
    if (OnClose) OnClose(this);
}

// ---- File dialogs ------------------------------------------------------------------------------

TOpenDialog::TOpenDialog(TComponent* owner) : TCommonDialog(owner), FFiles(std::make_unique<TStringList>()) {}

TOpenDialog::~TOpenDialog() = default;

bool TOpenDialog::Execute() {
    TFileDialogRequest request;
    request.Save = IsSave();
    request.Title = FTitle;
    request.InitialDir = FInitialDir;
    request.FileName = FFileName;
    request.DefaultExt = CleanExtension(FDefaultExt);
    request.Filters = ParseDialogFilter(FFilter);
    request.FilterIndex = FFilterIndex;
    request.MultiSelect = FOptions.Contains(ofAllowMultiSelect);
    request.OverwritePrompt = FOptions.Contains(ofOverwritePrompt);
    request.FileMustExist = FOptions.Contains(ofFileMustExist);
    request.PathMustExist = FOptions.Contains(ofPathMustExist) || FOptions.Contains(ofFileMustExist);
    request.Owner = OwnerWindow();
    DoShow();
    TFileDialogAnswer answer = WithPresenter([&](TDialogPresenter& p) { return p.ChooseFile(request); });
    DoClose();
    if (!answer.Accepted || answer.Files.empty()) return false;
    FFiles->Clear();
    for (String file : answer.Files) {
        if (!request.DefaultExt.empty() && !HasExtension(file)) file += "." + request.DefaultExt;
        FFiles->Add(file);
    }
    FFileName = FFiles->GetStrings(0);
    if (answer.FilterIndex != FFilterIndex) {
        FFilterIndex = answer.FilterIndex;
        if (OnTypeChange) OnTypeChange(this);
    }
    if (!request.DefaultExt.empty() && !SameText(ExtensionOf(FFileName), request.DefaultExt))
        FOptions.Include(ofExtensionDifferent);
    else
        FOptions.Exclude(ofExtensionDifferent);
    return true;
}

TOpenPictureDialog::TOpenPictureDialog(TComponent* owner) : TOpenDialog(owner) {
    SetFilter(GraphicFilter(TGraphic::StaticClass()));
}

TSavePictureDialog::TSavePictureDialog(TComponent* owner) : TSaveDialog(owner) {
    SetFilter(GraphicFilter(TGraphic::StaticClass()));
}

// ---- Font and colour ---------------------------------------------------------------------------

TFontDialog::TFontDialog(TComponent* owner) : TCommonDialog(owner), FFont(std::make_unique<TFont>()) {}

TFontDialog::~TFontDialog() = default;

bool TFontDialog::Execute() {
    TFontChoice choice;
    choice.Name = FFont->GetName();
    choice.Size = FFont->GetSize();
    choice.Style = FFont->GetStyle();
    choice.Color = FFont->GetColor();
    choice.Effects = FOptions.Contains(fdEffects);
    DoShow();
    bool ok = WithPresenter([&](TDialogPresenter& p) { return p.ChooseFont(choice); });
    DoClose();
    if (!ok) return false;
    if (FOptions.Contains(fdLimitSize)) {
        if (FMinFontSize > 0 && choice.Size < FMinFontSize) choice.Size = FMinFontSize;
        if (FMaxFontSize > 0 && choice.Size > FMaxFontSize) choice.Size = FMaxFontSize;
    }
    FFont->SetName(choice.Name);
    FFont->SetSize(choice.Size);
    TFontStyles style = choice.Style;
    if (!choice.Effects) {
        // Without effects the dialog offers no colour, underline or strike-out: they stay.
        TFontStyles kept = FFont->GetStyle();
        style.Exclude(fsUnderline);
        style.Exclude(fsStrikeOut);
        if (kept.Contains(fsUnderline)) style.Include(fsUnderline);
        if (kept.Contains(fsStrikeOut)) style.Include(fsStrikeOut);
    } else {
        FFont->SetColor(choice.Color);
    }
    FFont->SetStyle(style);
    return true;
}

TColorDialog::TColorDialog(TComponent* owner)
    : TCommonDialog(owner), FCustomColors(std::make_unique<TStringList>()) {}

TColorDialog::~TColorDialog() = default;

bool TColorDialog::Execute() {
    std::vector<TColor> custom;
    for (Integer i = 0; i < FCustomColors->GetCount(); ++i) {
        String value = FCustomColors->GetValueFromIndex(i);
        try {
            custom.push_back(TColor(StrToInt("$" + value)));
        } catch (const EConvertError&) {
        }
    }
    TColor color = FColor;
    DoShow();
    bool ok = WithPresenter([&](TDialogPresenter& p) { return p.ChooseColor(color, custom); });
    DoClose();
    if (!ok) return false;
    FColor = color;
    FCustomColors->Clear();
    for (std::size_t i = 0; i < custom.size() && i < 16; ++i)
        FCustomColors->Add(String("Color") + char('A' + i) + "=" + IntToHex(custom[i] & 0xFFFFFF, 6));
    return true;
}

// ---- Printing ----------------------------------------------------------------------------------

namespace {

std::vector<String> PrinterNames() {
    std::vector<String> names;
    TStrings* list = Printer()->GetPrinters();
    for (Integer i = 0; i < list->GetCount(); ++i)
        names.push_back(list->GetStrings(i));
    return names;
}

String CurrentPrinterName() {
    TPrinter* printer = Printer();
    if (printer->GetPrinters()->GetCount() == 0) return String();
    return printer->GetPrinters()->GetStrings(printer->GetPrinterIndex());
}

void SelectPrinterByName(const String& name) {
    if (name.empty()) return;
    TPrinter* printer = Printer();
    Integer index = printer->GetPrinters()->IndexOf(name);
    if (index >= 0 && index != printer->GetPrinterIndex()) printer->SetPrinterIndex(index);
}

} // namespace

bool TPrintDialog::Execute() {
    TPrintChoice choice;
    choice.Printer = CurrentPrinterName();
    choice.Copies = FCopies > 0 ? FCopies : 1;
    choice.Collate = FCollate;
    choice.Range = FPrintRange;
    choice.FromPage = FFromPage;
    choice.ToPage = FToPage;
    choice.MinPage = FMinPage;
    choice.MaxPage = FMaxPage;
    choice.PageNums = FOptions.Contains(poPageNums);
    choice.Selection = FOptions.Contains(poSelection);
    choice.PrintToFile = FPrintToFile;
    choice.PrintToFileOffered = FOptions.Contains(poPrintToFile);
    std::vector<String> printers = PrinterNames();
    DoShow();
    bool ok = WithPresenter([&](TDialogPresenter& p) { return p.ChoosePrint(choice, printers); });
    DoClose();
    if (!ok) return false;
    SelectPrinterByName(choice.Printer);
    FCopies = choice.Copies;
    FCollate = choice.Collate;
    FPrintRange = choice.Range;
    if (choice.Range == prPageNums) {
        // Pages outside what the document has are held to it.
        Integer low = FMinPage, high = FMaxPage;
        FFromPage = choice.FromPage;
        FToPage = choice.ToPage;
        if (high >= low && high > 0) {
            FFromPage = std::clamp(FFromPage, low, high);
            FToPage = std::clamp(FToPage, low, high);
        }
        if (FToPage < FFromPage) std::swap(FFromPage, FToPage);
    }
    FPrintToFile = choice.PrintToFile;
    if (Printer()->GetPrinters()->GetCount() > 0) Printer()->SetCopies(FCopies);
    return true;
}

bool TPrinterSetupDialog::Execute() {
    TPrinterSetupChoice choice;
    choice.Printer = CurrentPrinterName();
    if (!choice.Printer.empty()) choice.Landscape = Printer()->GetOrientation() == poLandscape;
    std::vector<String> printers = PrinterNames();
    DoShow();
    bool ok = WithPresenter([&](TDialogPresenter& p) { return p.ChoosePrinterSetup(choice, printers); });
    DoClose();
    if (!ok) return false;
    SelectPrinterByName(choice.Printer);
    if (Printer()->GetPrinters()->GetCount() > 0)
        Printer()->SetOrientation(choice.Landscape ? poLandscape : poPortrait);
    return true;
}

// ---- Registration ------------------------------------------------------------------------------

KOV_PUBLISHED(TCommonDialog) {
    Property("HelpContext", &TCommonDialog::GetHelpContext, &TCommonDialog::SetHelpContext).Default(0);
    Property("OnShow", &TCommonDialog::OnShow);
    Property("OnClose", &TCommonDialog::OnClose);
}

KOV_PUBLISHED(TOpenDialog) {
    Property("DefaultExt", &TOpenDialog::GetDefaultExt, &TOpenDialog::SetDefaultExt);
    Property("FileName", &TOpenDialog::GetFileName, &TOpenDialog::SetFileName);
    Property("Filter", &TOpenDialog::GetFilter, &TOpenDialog::SetFilter);
    Property("FilterIndex", &TOpenDialog::GetFilterIndex, &TOpenDialog::SetFilterIndex).Default(1);
    Property("InitialDir", &TOpenDialog::GetInitialDir, &TOpenDialog::SetInitialDir);
    Property("Options", &TOpenDialog::GetOptions, &TOpenDialog::SetOptions)
        .Default(TOpenOptions{ofHideReadOnly, ofEnableSizing});
    Property("Title", &TOpenDialog::GetTitle, &TOpenDialog::SetTitle);
    Property("OnCanClose", &TOpenDialog::OnCanClose);
    Property("OnTypeChange", &TOpenDialog::OnTypeChange);
}

KOV_PUBLISHED(TSaveDialog) {}
KOV_PUBLISHED(TOpenPictureDialog) {}
KOV_PUBLISHED(TSavePictureDialog) {}

KOV_PUBLISHED(TFontDialog) {
    Property("Font", &TFontDialog::GetFont, &TFontDialog::SetFont);
    Property("Device", &TFontDialog::GetDevice, &TFontDialog::SetDevice).Default(fdScreen);
    Property("MinFontSize", &TFontDialog::GetMinFontSize, &TFontDialog::SetMinFontSize).Default(0);
    Property("MaxFontSize", &TFontDialog::GetMaxFontSize, &TFontDialog::SetMaxFontSize).Default(0);
    Property("Options", &TFontDialog::GetOptions, &TFontDialog::SetOptions).Default(TFontDialogOptions{fdEffects});
}

KOV_PUBLISHED(TColorDialog) {
    Property("Color", &TColorDialog::GetColor, &TColorDialog::SetColor).TypeName("TColor").Default(clBlack);
    Property("Options", &TColorDialog::GetOptions, &TColorDialog::SetOptions).Default(TColorDialogOptions());
}

KOV_PUBLISHED(TPrintDialog) {
    Property("Collate", &TPrintDialog::GetCollate, &TPrintDialog::SetCollate).Default(false);
    Property("Copies", &TPrintDialog::GetCopies, &TPrintDialog::SetCopies).Default(0);
    Property("FromPage", &TPrintDialog::GetFromPage, &TPrintDialog::SetFromPage).Default(0);
    Property("MinPage", &TPrintDialog::GetMinPage, &TPrintDialog::SetMinPage).Default(0);
    Property("MaxPage", &TPrintDialog::GetMaxPage, &TPrintDialog::SetMaxPage).Default(0);
    Property("Options", &TPrintDialog::GetOptions, &TPrintDialog::SetOptions).Default(TPrintDialogOptions());
    Property("PrintToFile", &TPrintDialog::GetPrintToFile, &TPrintDialog::SetPrintToFile).Default(false);
    Property("PrintRange", &TPrintDialog::GetPrintRange, &TPrintDialog::SetPrintRange).Default(prAllPages);
    Property("ToPage", &TPrintDialog::GetToPage, &TPrintDialog::SetToPage).Default(0);
}

KOV_PUBLISHED(TPrinterSetupDialog) {}

namespace {

struct TDialogRegistration {
    TDialogRegistration() {
        RegisterEnum<TOpenOption>("TOpenOption",
                                  {"ofReadOnly", "ofOverwritePrompt", "ofHideReadOnly", "ofNoChangeDir", "ofShowHelp",
                                   "ofNoValidate", "ofAllowMultiSelect", "ofExtensionDifferent", "ofPathMustExist",
                                   "ofFileMustExist", "ofCreatePrompt", "ofShareAware", "ofNoReadOnlyReturn",
                                   "ofNoTestFileCreate", "ofNoNetworkButton", "ofNoLongNames", "ofOldStyleDialog",
                                   "ofNoDereferenceLinks", "ofEnableIncludeNotify", "ofEnableSizing"});
        RegisterTypeName<TOpenOptions>("TOpenOptions");
        RegisterEnum<TFontDialogOption>(
            "TFontDialogOption",
            {"fdAnsiOnly", "fdTrueTypeOnly", "fdEffects", "fdFixedPitchOnly", "fdForceFontExist", "fdNoFaceSel",
             "fdNoOEMFonts", "fdNoSimulations", "fdNoSizeSel", "fdNoStyleSel", "fdNoVectorFonts", "fdShowHelp",
             "fdWysiwyg", "fdLimitSize", "fdScalableOnly", "fdApplyButton"});
        RegisterTypeName<TFontDialogOptions>("TFontDialogOptions");
        RegisterEnum<TFontDialogDevice>("TFontDialogDevice", {"fdScreen", "fdPrinter", "fdBoth"});
        RegisterEnum<TColorDialogOption>("TColorDialogOption",
                                         {"cdFullOpen", "cdPreventFullOpen", "cdShowHelp", "cdSolidColor", "cdAnyColor"});
        RegisterTypeName<TColorDialogOptions>("TColorDialogOptions");
        RegisterEnum<TPrintRange>("TPrintRange", {"prAllPages", "prSelection", "prPageNums"});
        RegisterEnum<TPrintDialogOption>("TPrintDialogOption", {"poPrintToFile", "poPageNums", "poSelection",
                                                                "poWarning", "poHelp", "poDisablePrintToFile"});
        RegisterTypeName<TPrintDialogOptions>("TPrintDialogOptions");
        for (TClass cls : {TOpenDialog::StaticClass(), TSaveDialog::StaticClass(), TOpenPictureDialog::StaticClass(),
                           TSavePictureDialog::StaticClass(), TFontDialog::StaticClass(),
                           TColorDialog::StaticClass(), TPrintDialog::StaticClass(),
                           TPrinterSetupDialog::StaticClass()})
            RegisterClass(cls);
    }
};
const TDialogRegistration DialogRegistration;

} // namespace
