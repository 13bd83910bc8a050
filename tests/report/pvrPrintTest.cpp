// Printing the prepared pages: the print dialog acted on in its modal loop, the pages and copies
// that reach a recording printer, and a real document written by the PDF printer and read back
// with the poppler tools.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/backend/BackendPrint.h"
#include "platform/classlib/Dialogs.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/PrintBackend.h"
#include "report/pvrClass.h"
#include "report/pvrCustomPreview.h"
#include "report/pvrExportFilter.h"
#include "report/pvrPreviewPages.h"
#include "report/pvrPrintDialog.h"
#include "report/pvrPrinter.h"
#include "report/pvrProgress.h"
#include "report/pvrRes.h"
#include "script/kq_isysrtti.h"
#include "tests/support/FormFixture.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TestSupport.h"

namespace {

std::string Narrow(const std::u32string& text) {
    std::string result;
    for (char32_t c : text)
        result += c < 128 ? char(c) : '?';
    return result;
}

// A page of the recording printer: the settings it started with and the texts drawn on it.
struct TPrintedPage {
    TPrintSettings Settings;
    std::string Text;
};

class RecordingCanvas : public TPrintCanvas {
public:
    explicit RecordingCanvas(std::vector<TPrintedPage>& pages) : FPages(pages) {}
    void SetClip(const std::vector<RECT>*) override {}
    void FillPolygons(const std::vector<std::vector<GdiPointD>>&, bool, const GdiPaint&) override {}
    void StrokePolyline(const std::vector<GdiPointD>&, bool, const TPrintPen&) override {}
    void DrawImage(double, double, double, double, int, int, const std::vector<std::uint32_t>&) override {}
    void DrawText(const TPrintText& text) override {
        if (!FPages.empty()) FPages.back().Text += Narrow(text.Chars);
    }

private:
    std::vector<TPrintedPage>& FPages;
};

class RecordingJob : public TPrintJob {
public:
    RecordingJob(std::vector<TPrintedPage>& pages, std::vector<std::string>& events)
        : FPages(pages), FEvents(events), FCanvas(pages) {}
    bool StartPage(const TPrintSettings& s) override {
        FPages.push_back({s, ""});
        return true;
    }
    TPrintCanvas& Canvas() override { return FCanvas; }
    bool EndPage() override { return true; }
    bool Finish() override {
        FEvents.push_back("finish");
        return true;
    }
    void Abort() override { FEvents.push_back("abort"); }

private:
    std::vector<TPrintedPage>& FPages;
    std::vector<std::string>& FEvents;
    RecordingCanvas FCanvas;
};

// Two printers, "Office" (the default) and "Label", with letter and A4 paper, three bins and
// duplex; or none.
class RecordingPrinters : public TPrintBackend {
public:
    std::vector<TPrinterInfo> Printers() override {
        std::vector<TPrinterInfo> list;
        if (None) return list;
        for (const char* name : {"Office", "Label"}) {
            TPrinterInfo p;
            p.Name = name;
            p.Default = p.Name == "Office";
            p.Papers = {{DMPAPER_A4, "A4", {2100, 2970}}, {DMPAPER_LETTER, "Letter", {2159, 2794}}};
            p.Bins = {{DMBIN_AUTO, "Automatic"}, {DMBIN_UPPER, "Upper tray"}, {DMBIN_LOWER, "Lower tray"}};
            p.Resolutions = {300};
            p.DefaultResolution = 300;
            p.Duplex = true;
            p.Margins = {50, 50, 50, 50};
            list.push_back(p);
        }
        return list;
    }
    std::unique_ptr<TPrintJob> StartJob(const TPrinterInfo& printer, const String& title,
                                        const String& output, const TPrintSettings&) override {
        Events.push_back("start " + printer.Name + " '" + title + "' '" + output + "'");
        return std::make_unique<RecordingJob>(Pages, Events);
    }
    bool None = false;
    std::vector<std::string> Events;
    std::vector<TPrintedPage> Pages;
};

class pvrPrintTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        RegisterSysRTTI();
        FPreviousBackend = PrintSetBackend(&Backend);
        FreeReportPrinters();
        NewReport();
    }
    void NewReport() {
        Report.reset(new TpvrReport(nullptr));
        Report->GetEngineOptions()->SetNewSilentMode(simSilent);
        Report->GetPrintOptions()->ShowDialog = false;
        Report->GetReportOptions()->Name = "Pages";
    }
    void TearDown() override {
        Report.reset();
        FreeReportPrinters();
        PrintSetBackend(FPreviousBackend);
        TFormFixture::TearDown();
    }

    // A report of `count` pages, each showing "P<n>".
    void Prepare(Integer count) {
        auto* page = new TpvrReportPage(Report.get());
        page->SetName("Page1");
        auto* band = new TpvrMasterData(page);
        band->SetName("MasterData1");
        band->SetBounds(0, 10, 500, 20);
        band->SetRowCount(count);
        band->StartNewPage = true;
        auto* memo = new TpvrMemoView(band);
        memo->SetName("Memo1");
        memo->SetBounds(5, 0, 100, 20);
        memo->GetMemo()->SetText(u"P[Line]");
        ASSERT_TRUE(Report->PrepareReport());
        ASSERT_EQ(count, Report->GetPreviewPages()->GetCount());
    }
    TpvrReportPage* DesignPage() { return dynamic_cast<TpvrReportPage*>(Report->FindObject("Page1")); }

    // The page texts that reached the printer, blank sides as "-".
    std::string Printed() const {
        std::string result;
        for (const TPrintedPage& p : Backend.Pages) {
            if (!result.empty()) result += ' ';
            result += p.Text.empty() ? "-" : p.Text;
        }
        return result;
    }
    void Reset() {
        Backend.Pages.clear();
        Backend.Events.clear();
    }

    RecordingPrinters Backend;
    std::unique_ptr<TpvrReport> Report;

private:
    TPrintBackend* FPreviousBackend = nullptr;
};

// Writes down what the report tells an attached preview.
class TRecordingPreview : public TpvrCustomPreview {
public:
    using TpvrCustomPreview::TpvrCustomPreview;
    void Init() override {}
    void Lock() override { Log.push_back("Lock"); }
    void Unlock() override { Log.push_back("Unlock"); }
    void PreparationStarted() override {}
    void PreparationProgress(Integer) override {}
    void PreparationStopped() override {}
    std::vector<String> Log;
};

} // namespace

TEST_F(pvrPrintTest, PagesAndCopiesReachThePrinterInTheChosenOrder) {
    struct Case {
        Integer Pages;
        Integer Copies;
        bool Collate;
        bool Reverse;
        TpvrPrintPages Parity;
        const char* Numbers;
        const char* Expected;
    };
    const Case cases[] = {
        {3, 3, true, false, ppAll, "", "P1 P2 P3 P1 P2 P3 P1 P2 P3"},
        {3, 3, false, false, ppAll, "", "P1 P1 P1 P2 P2 P2 P3 P3 P3"},
        {3, 2, true, true, ppAll, "", "P3 P2 P1 P3 P2 P1"},
        {3, 2, false, true, ppAll, "", "P3 P3 P2 P2 P1 P1"},
        {5, 1, true, false, ppEven, "1-3", "P2"},
        {5, 1, true, false, ppOdd, "", "P1 P3 P5"},
        {5, 1, true, false, ppAll, "2-", "P2 P3 P4 P5"},
        {5, 1, true, false, ppAll, " 4, 1 ,9", "P1 P4"},
        {5, 1, true, false, ppAll, "4-2", ""},
        {2, 0, true, false, ppAll, "", "P1 P2"},
        {2, -3, false, false, ppAll, "", "P1 P2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Pages << " pages, copies " << c.Copies << " collate "
                                        << c.Collate << " reverse " << c.Reverse << " '" << c.Numbers << "'");
        NewReport();
        Prepare(c.Pages);
        TpvrPrintOptions* options = Report->GetPrintOptions();
        options->Copies = c.Copies;
        options->Collate = c.Collate;
        options->Reverse = c.Reverse;
        options->PrintPages = c.Parity;
        options->PageNumbers = c.Numbers;
        Reset();
        EXPECT_TRUE(Report->Print());
        EXPECT_EQ(c.Expected, Printed());
        const std::vector<std::string> document = {"start Office 'Pages' ''", "finish"};
        EXPECT_EQ(*c.Expected ? document : std::vector<std::string>{}, Backend.Events);
    }
}

TEST_F(pvrPrintTest, NothingPreparedBeginsNoDocument) {
    EXPECT_TRUE(Report->Print());
    EXPECT_TRUE(Backend.Events.empty());
    // The same after the dialog.
    Report->GetPrintOptions()->ShowDialog = true;
    testsupport::TScopedModalScript modal;
    modal.Add<TpvrPrintDialog>("pvrPrintDialog", [](TpvrPrintDialog& d) { d.SetModalResult(mrOk); });
    EXPECT_TRUE(Report->Print());
    EXPECT_TRUE(Backend.Events.empty());
}

// No dot-matrix route is registered: such a report prints its pages on the printer like any other.
TEST_F(pvrPrintTest, ADotMatrixReportPrintsThroughThePrinter) {
    Report->DotMatrixReport = true;
    Prepare(2);
    EXPECT_TRUE(Report->Print());
    EXPECT_EQ("P1 P2", Printed());
    EXPECT_EQ((std::vector<std::string>{"start Office 'Pages' ''", "finish"}), Backend.Events);
}

TEST_F(pvrPrintTest, BinsDuplexAndPaperFollowThePages) {
    Prepare(3);
    TpvrReportPage* page = DesignPage();
    ASSERT_NE(nullptr, page);
    page->Bin = DMBIN_UPPER;
    page->BinOtherPages = DMBIN_LOWER;
    page->Duplex = dmVertical;
    ASSERT_TRUE(Report->PrepareReport());
    Report->GetPrintOptions()->Copies = 2;
    EXPECT_TRUE(Report->Print());
    // Three pages and a blank side per copy, so that the second copy starts on a new sheet.
    EXPECT_EQ("P1 P2 P3 - P1 P2 P3 -", Printed());
    ASSERT_EQ(8u, Backend.Pages.size());
    EXPECT_EQ(DMBIN_UPPER, Backend.Pages[0].Settings.Bin);
    EXPECT_EQ(DMBIN_LOWER, Backend.Pages[1].Settings.Bin);
    EXPECT_EQ(DMBIN_LOWER, Backend.Pages[2].Settings.Bin);
    EXPECT_EQ(DMBIN_UPPER, Backend.Pages[4].Settings.Bin);
    for (const TPrintedPage& p : Backend.Pages)
        EXPECT_EQ(DMDUP_VERTICAL, p.Settings.Duplex);

    // Without duplex no blank side; a landscape page prints landscape.
    page = DesignPage();
    page->Duplex = dmNone;
    page->SetOrientation(poLandscape);
    ASSERT_TRUE(Report->PrepareReport());
    Reset();
    EXPECT_TRUE(Report->Print());
    EXPECT_EQ("P1 P2 P3 P1 P2 P3", Printed());
    for (const TPrintedPage& p : Backend.Pages)
        EXPECT_TRUE(p.Settings.Landscape);
}

TEST_F(pvrPrintTest, TheDialogChoosesPrinterPagesAndCopies) {
    Prepare(4);
    Report->GetPrintOptions()->ShowDialog = true;
    TpvrPrinters* printers = GetReportPrinters();
    const Integer office = printers->IndexOf("Office");
    const Integer label = printers->IndexOf("Label");
    printers->SetCurrentPrinterIndex(office);

    // Another printer chosen, then cancelled: the first stays current and nothing prints.
    {
        testsupport::TScopedModalScript modal;
        modal.Add<TpvrPrintDialog>("pvrPrintDialog", [&](TpvrPrintDialog& d) {
            d.PrintersCB->SetItemIndex(label);
            d.PrintersCBClick(nullptr);
            EXPECT_EQ("Label", d.TypeL1->GetCaption());
            EXPECT_EQ(label, printers->GetCurrentPrinterIndex());
            d.CancelB->Click();
        });
        EXPECT_FALSE(Report->Print());
    }
    EXPECT_EQ(office, printers->GetCurrentPrinterIndex());
    EXPECT_TRUE(Backend.Events.empty());

    // The options preset the dialog; what the user sets there prints.
    Report->GetPrintOptions()->PageNumbers = "1-3";
    Report->GetPrintOptions()->Copies = 1;
    {
        testsupport::TScopedModalScript modal;
        modal.Add<TpvrPrintDialog>("pvrPrintDialog", [&](TpvrPrintDialog& d) {
            EXPECT_TRUE(d.PageNumbersRB->GetChecked());
            EXPECT_EQ("1-3", d.PageNumbersE->GetText());
            EXPECT_EQ("1", d.CopiesE->GetText());
            d.PrintersCB->SetItemIndex(label);
            d.PrintersCBClick(nullptr);
            d.CopiesE->SetText("2");
            d.PrintPagesCB->SetItemIndex(1);
            d.CollateL->Click();
            EXPECT_FALSE(d.CollateCB->GetChecked());
            d.ReverseCB->SetChecked(true);
            d.OkB->Click();
        });
        EXPECT_TRUE(Report->Print());
    }
    EXPECT_EQ("P3 P3 P1 P1", Printed());
    ASSERT_FALSE(Backend.Events.empty());
    EXPECT_EQ("start Label 'Pages' ''", Backend.Events[0]);
    EXPECT_EQ(label, printers->GetCurrentPrinterIndex());
    // The options themselves are left as they were.
    EXPECT_EQ("1-3", Report->GetPrintOptions()->PageNumbers);
    EXPECT_EQ(1, Report->GetPrintOptions()->Copies);

    // "All" and "Current page": without a preview the current page is the first.
    Report->GetPrintOptions()->PageNumbers = "";
    for (bool current : {false, true}) {
        Reset();
        testsupport::TScopedModalScript modal;
        modal.Add<TpvrPrintDialog>("pvrPrintDialog", [&](TpvrPrintDialog& d) {
            EXPECT_TRUE(d.AllRB->GetChecked());
            if (current) d.CurPageRB->SetChecked(true);
            d.OkB->Click();
        });
        EXPECT_TRUE(Report->Print());
        EXPECT_EQ(current ? "P1" : "P1 P2 P3 P4", Printed());
    }

    // A copies text that is no number is the conversion error.
    {
        testsupport::TScopedModalScript modal;
        modal.Add<TpvrPrintDialog>("pvrPrintDialog", [&](TpvrPrintDialog& d) {
            d.CopiesE->SetText("");
            d.OkB->Click();
        });
        EXPECT_THROW(Report->Print(), EConvertError);
    }
}

TEST_F(pvrPrintTest, CurrentPageWithAPreviewPrintsTheShownPageAndUnlocksIt) {
    Prepare(4);
    std::unique_ptr<TRecordingPreview> preview(new TRecordingPreview(nullptr));
    Report->Preview = preview.get();
    Report->GetPreviewPages()->PreviewPage = 3;
    Report->GetPrintOptions()->ShowDialog = true;
    testsupport::TScopedModalScript modal;
    modal.Add<TpvrPrintDialog>("pvrPrintDialog", [&](TpvrPrintDialog& d) {
        d.CurPageRB->SetChecked(true);
        d.OkB->Click();
    });
    EXPECT_TRUE(Report->Print());
    Report->Preview = nullptr;
    EXPECT_EQ("P3", Printed());
    EXPECT_EQ((std::vector<String>{"Lock", "Unlock"}), preview->Log);
}

TEST_F(pvrPrintTest, TheDialogsOwnControls) {
    std::unique_ptr<TpvrPrintDialog> dialog(new TpvrPrintDialog(nullptr));
    EXPECT_EQ(GetResources()->GetNumbered(200), dialog->GetCaption());
    ASSERT_EQ(3, dialog->PrintPagesCB->GetItems()->GetCount());
    EXPECT_EQ(GetResources()->Get("ppEven"), dialog->PrintPagesCB->GetItems()->GetStrings(2));
    EXPECT_EQ(0, dialog->PrintPagesCB->GetItemIndex());

    // Clicking the word "Collate" toggles the check box, and the picture follows it: the third
    // stack of uncollated sheets has its edge where the collated picture shows the window.
    ASSERT_GT(dialog->CollateImg->GetPicture()->GetBitmap()->GetWidth(), 0);
    dialog->Show();
    TPaintBox* box = dialog->CopiesPB;
    const auto stackEdge = [&] {
        dialog->Repaint();
        HWND parent = box->GetParent()->GetHandle();
        HDC dc = GetDC(parent);
        const COLORREF pixel = GetPixel(dc, box->GetLeft() + 87, box->GetTop() + 20);
        ReleaseDC(parent, dc);
        return pixel;
    };
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), stackEdge());
    for (bool expected : {false, true, false}) {
        dialog->CollateL->Click();
        EXPECT_EQ(expected, dialog->CollateCB->GetChecked());
        EXPECT_EQ(expected ? GetSysColor(COLOR_WINDOW) : RGB(0, 0, 0), stackEdge());
    }

    // Entering the page numbers chooses "Pages:".
    EXPECT_TRUE(dialog->AllRB->GetChecked());
    dialog->PageNumbersE->SetFocus();
    EXPECT_TRUE(dialog->PageNumbersRB->GetChecked());
    EXPECT_FALSE(dialog->AllRB->GetChecked());
    dialog->Hide();
}

TEST_F(pvrPrintTest, PrintToFileAsksForAPrnFile) {
    Prepare(2);
    Report->GetPrintOptions()->ShowDialog = true;
    testsupport::TempDir dir;
    struct Case {
        std::string Chosen; // empty: the file dialog is cancelled
        std::string Expected;
    };
    const Case cases[] = {
        {dir.File("out"), dir.File("out.prn")},
        {dir.File("out.pdf"), dir.File("out.prn")},
        {dir.File("a.b.prn"), dir.File("a.b.prn")},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Chosen);
        Reset();
        TScopedDialogScript files;
        if (c.Chosen.empty())
            files.Cancel();
        else
            files.ChooseFiles({c.Chosen});
        testsupport::TScopedModalScript modal;
        modal.Add<TpvrPrintDialog>("pvrPrintDialog", [&](TpvrPrintDialog& d) {
            d.FileCB->SetChecked(true);
            d.OkB->Click();
        });
        EXPECT_EQ(!c.Chosen.empty(), Report->Print());
        EXPECT_EQ(std::vector<String>{"file"}, files.Shown());
        if (c.Chosen.empty()) {
            EXPECT_TRUE(Backend.Events.empty());
        } else {
            ASSERT_FALSE(Backend.Events.empty());
            EXPECT_EQ("start Office 'Pages' '" + c.Expected + "'", Backend.Events[0]);
        }
        // The file belongs to that print only.
        EXPECT_EQ("", GetReportPrinters()->CurrentPrinter()->GetFileName());
    }
    // A later print without the dialog goes to the printer again.
    Reset();
    Report->GetPrintOptions()->ShowDialog = false;
    EXPECT_TRUE(Report->Print());
    ASSERT_FALSE(Backend.Events.empty());
    EXPECT_EQ("start Office 'Pages' ''", Backend.Events[0]);
}

TEST_F(pvrPrintTest, WithoutPrintersNothingPrintsAndTheUserIsTold) {
    Backend.None = true;
    FreeReportPrinters();
    Prepare(2);
    Report->GetEngineOptions()->SetNewSilentMode(simReThrow);
    try {
        Report->Print();
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(GetResources()->Get("clNoPrinters"), e.Message);
    }
    Report->GetEngineOptions()->SetNewSilentMode(simSilent);
    EXPECT_FALSE(Report->Print());
}

TEST_F(pvrPrintTest, EventsAroundPrintingAndTheProgressCancel) {
    Prepare(5);
    struct Log : TObject {
        std::vector<String> Lines;
        TpvrReport* Report = nullptr;
        void Print(TObject*) { Lines.push_back("print"); }
        void After(TObject*) { Lines.push_back("after"); }
        void Progress(TpvrReport*, Integer kind, Integer page) {
            Lines.push_back("progress " + IntToStr(kind) + " " + IntToStr(page));
            if (page == 2) Report->SetTerminated(true);
        }
    } log;
    log.Report = Report.get();
    Report->OnPrintReport = MakeEvent(&log, &Log::Print);
    Report->OnAfterPrintReport = MakeEvent(&log, &Log::After);
    Report->OnProgress = MakeEvent(&log, &Log::Progress);
    Report->GetPrintOptions()->Copies = 2;
    EXPECT_TRUE(Report->Print());
    // Stopped at the next page: the document is given up, the second copy never starts.
    EXPECT_EQ("P1 P2", Printed());
    EXPECT_EQ((std::vector<std::string>{"start Office 'Pages' ''", "abort"}), Backend.Events);
    EXPECT_EQ((std::vector<String>{"print", "progress 2 1", "progress 2 2", "after"}), log.Lines);
}

TEST_F(pvrPrintTest, AnErrorLeavesNoDocumentOpenAndStillEndsThePrint) {
    Prepare(3);
    struct Log : TObject {
        std::vector<String> Lines;
        void After(TObject*) { Lines.push_back("after"); }
        void Progress(TpvrReport*, Integer, Integer page) {
            if (page == 2) throw Exception("out of paper");
        }
    } log;
    Report->OnAfterPrintReport = MakeEvent(&log, &Log::After);
    struct Case {
        const char* Numbers;
        bool FailOnPage2;
        std::vector<std::string> Events;
    };
    const Case cases[] = {
        // A page number that is no number: nothing begins.
        {"1,x", false, {}},
        // An error while the second page prints: the document is given up, not left open.
        {"", true, {"start Office 'Pages' ''", "abort"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Numbers);
        Reset();
        log.Lines.clear();
        std::unique_ptr<TRecordingPreview> preview(new TRecordingPreview(nullptr));
        Report->Preview = preview.get();
        Report->GetPrintOptions()->PageNumbers = c.Numbers;
        Report->OnProgress = c.FailOnPage2 ? MakeEvent(&log, &Log::Progress) : nullptr;
        EXPECT_THROW(Report->Print(), Exception);
        Report->Preview = nullptr;
        EXPECT_EQ(c.Events, Backend.Events);
        EXPECT_FALSE(GetReportPrinters()->CurrentPrinter()->GetPrinting());
        EXPECT_EQ(nullptr, Report->ProgressForm);
        EXPECT_EQ((std::vector<String>{"Lock", "Unlock"}), preview->Log);
        EXPECT_EQ(std::vector<String>{"after"}, log.Lines);
    }
    // The printer prints the next document.
    Reset();
    Report->GetPrintOptions()->PageNumbers = "";
    Report->OnProgress = nullptr;
    EXPECT_TRUE(Report->Print());
    EXPECT_EQ("P1 P2 P3", Printed());
}

namespace {

// Writes down the calls an export makes.
class TRecordingFilter : public TpvrCustomExportFilter {
public:
    Integer ShowModal() override {
        Log.push_back("dialog");
        return DialogResult;
    }
    bool Start() override {
        Log.push_back("start");
        return true;
    }
    void StartPage(TpvrReportPage*, Integer index) override { Log.push_back("page " + IntToStr(index)); }
    void ExportObject(TpvrComponent* object) override {
        if (auto* memo = dynamic_cast<TpvrCustomMemoView*>(object))
            Log.push_back("memo " + WideToString(memo->GetMemo()->GetStrings(0)));
        else if (object->GetName() == "_pagebackground")
            Log.push_back("background");
        if (Fail) throw Exception("filter failed");
    }
    void FinishPage(TpvrReportPage*, Integer index) override { Log.push_back("end " + IntToStr(index)); }
    void Finish() override { Log.push_back("finish"); }
    std::vector<String> Log;
    Integer DialogResult = mrOk;
    bool Fail = false;
};

} // namespace

TEST_F(pvrPrintTest, ExportHandsTheChosenPagesToTheFilter) {
    Prepare(3);
    TpvrCustomPreviewPages* pages = Report->GetPreviewPages();
    EXPECT_FALSE(pages->Export(nullptr));

    TRecordingFilter filter;
    filter.PageNumbers = "2-";
    EXPECT_TRUE(pages->Export(&filter));
    EXPECT_EQ(Report.get(), filter.Report);
    EXPECT_EQ((std::vector<String>{"start", "page 1", "background", "memo P2", "end 1", "page 2",
                                   "background", "memo P3", "end 2", "finish"}),
              filter.Log);

    filter.Log.clear();
    filter.ShowDialog = true;
    filter.DialogResult = mrCancel;
    EXPECT_FALSE(pages->Export(&filter));
    EXPECT_EQ(std::vector<String>{"dialog"}, filter.Log);

    filter.Log.clear();
    filter.ShowDialog = false;
    filter.CurPage = true;
    EXPECT_TRUE(pages->Export(&filter));
    EXPECT_EQ((std::vector<String>{"start", "page 0", "background", "memo P1", "end 0", "finish"}),
              filter.Log);

    filter.Log.clear();
    filter.Fail = true;
    EXPECT_FALSE(pages->Export(&filter));
    EXPECT_EQ("finish", filter.Log.back());
    EXPECT_GE(Report->GetErrors()->IndexOf("filter failed"), 0);
}

TEST_F(pvrPrintTest, TheProgressWindowFollowsPrintingAndItsCancelStopsIt) {
    Prepare(4);
    struct Watch : TObject {
        TpvrReport* Report = nullptr;
        std::vector<String> Messages;
        bool FormDisabled = false;
        void Progress(TpvrReport*, Integer, Integer page) {
            auto* progress = dynamic_cast<TpvrProgress*>(Report->ProgressForm);
            if (!progress) return;
            Messages.push_back(progress->GetMessage());
            if (progress->GetActiveForm()) FormDisabled = !progress->GetActiveForm()->GetEnabled();
            if (page == 2) progress->CancelB->Click();
        }
    } watch;
    watch.Report = Report.get();
    Report->OnProgress = MakeEvent(&watch, &Watch::Progress);
    Form->Show();
    Form->SetFocus();
    EXPECT_TRUE(Report->Print());
    // The handler runs before the window takes each page's message; the cancel stops printing at
    // the next page.
    EXPECT_EQ("P1 P2", Printed());
    EXPECT_EQ((std::vector<String>{"", Format(GetResources()->Get("prPrinting"), {1})}), watch.Messages);
    EXPECT_TRUE(watch.FormDisabled);
    EXPECT_EQ(nullptr, Report->ProgressForm);
    EXPECT_TRUE(Form->GetEnabled());

    // Without ShowProgress no window comes.
    Report->ShowProgress = false;
    Report->OnProgress = nullptr;
    Reset();
    EXPECT_TRUE(Report->Print());
    EXPECT_EQ("P1 P2 P3 P4", Printed());
}

TEST_F(pvrPrintTest, PageDefaultsComeFromTheCurrentPrinter) {
    TpvrPrinters* printers = GetReportPrinters();
    printers->SetCurrentPrinterIndex(printers->IndexOf("Label"));
    TpvrCustomPrinter* printer = printers->CurrentPrinter();
    printer->SetPaperLayout(DMPAPER_LETTER, 0, 0, poLandscape);
    auto* page = new TpvrReportPage(Report.get());
    page->LeftMargin = 3;
    page->SetDefaults();
    EXPECT_EQ(DMPAPER_LETTER, page->GetPaperSize());
    EXPECT_EQ(poLandscape, page->GetOrientation());
    EXPECT_NEAR(279.4, double(page->GetPaperWidth()), 0.1);
    EXPECT_NEAR(215.9, double(page->GetPaperHeight()), 0.1);
    EXPECT_EQ(10, page->LeftMargin);
    EXPECT_EQ(10, page->BottomMargin);
}
