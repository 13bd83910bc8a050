// The report engine's printers over a printer backend of the test's own: the virtual printer of
// a machine without printers, the current printer, page metrics from the device, settings per
// page and the bin chosen in the properties dialog, documents into a file.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/winapi/PrintBackend.h"
#include "report/pvrPrinter.h"

namespace {

class NullCanvas : public TPrintCanvas {
public:
    void SetClip(const std::vector<RECT>*) override {}
    void FillPolygons(const std::vector<std::vector<GdiPointD>>&, bool, const GdiPaint&) override {}
    void StrokePolyline(const std::vector<GdiPointD>&, bool, const TPrintPen&) override {}
    void DrawImage(double, double, double, double, int, int, const std::vector<std::uint32_t>&) override {}
    void DrawText(const TPrintText&) override {}
};

class RecordingJob : public TPrintJob {
public:
    explicit RecordingJob(std::vector<std::string>& events) : FEvents(events) {}
    bool StartPage(const TPrintSettings& s) override {
        FEvents.push_back("page " + std::to_string(s.Paper) + (s.Landscape ? " landscape" : " portrait") +
                          " bin " + std::to_string(s.Bin) + " duplex " + std::to_string(s.Duplex));
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
    std::vector<std::string>& FEvents;
    NullCanvas FCanvas;
};

// "Office" (300 dpi, margins of 5 mm left and top, 6 mm right and bottom, trays) and the
// default "Label"; or none at all.
class TestPrinters : public TPrintBackend {
public:
    std::vector<TPrinterInfo> Printers() override {
        std::vector<TPrinterInfo> list;
        if (None) return list;
        for (const std::string& name : Names) {
            TPrinterInfo p;
            p.Name = name;
            p.Default = name == DefaultName;
            p.Papers = {{DMPAPER_A4, "A4", {2100, 2970}}, {DMPAPER_LETTER, "Letter", {2159, 2794}}};
            p.Bins = {{DMBIN_AUTO, "Automatic"}, {DMBIN_UPPER, "Upper tray"}, {DMBIN_LOWER, "Lower tray"}};
            p.DefaultBin = DMBIN_LOWER;
            p.Resolutions = {300};
            p.DefaultResolution = 300;
            p.Duplex = true;
            p.Margins = {50, 50, 60, 60};
            for (int i = 1; i <= ExtraPapers; ++i)
                p.Papers.push_back({SHORT(1000 + i), "Paper " + std::to_string(i), {1000, 1000}});
            for (int i = 1; i <= ExtraBins; ++i)
                p.Bins.push_back({SHORT(300 + i), "Tray " + std::to_string(i)});
            list.push_back(p);
        }
        return list;
    }
    std::unique_ptr<TPrintJob> StartJob(const TPrinterInfo& printer, const String& title,
                                        const String& output, const TPrintSettings&) override {
        Events.push_back("start " + printer.Name + " '" + title + "' '" + output + "'");
        return std::make_unique<RecordingJob>(Events);
    }
    bool None = false;
    // Papers and bins beyond the usual ones, for a driver with very many.
    int ExtraPapers = 0;
    int ExtraBins = 0;
    std::vector<std::string> Names = {"Office", "Label"};
    std::string DefaultName = "Label";
    std::vector<std::string> Events;
};

class PrintersTest : public ::testing::Test {
protected:
    void SetUp() override { FPrevious = PrintSetBackend(&Backend); }
    void TearDown() override {
        FreeReportPrinters();
        PrintSetBackend(FPrevious);
    }

    TestPrinters Backend;

private:
    TPrintBackend* FPrevious = nullptr;
};

} // namespace

TEST_F(PrintersTest, WithoutPrintersTheVirtualOneServes) {
    Backend.None = true;
    TpvrPrinters printers;
    EXPECT_FALSE(printers.GetHasInstalledPrinters());
    ASSERT_EQ(1, printers.Count());
    TpvrCustomPrinter* p = printers.CurrentPrinter();
    ASSERT_NE(nullptr, p);
    EXPECT_TRUE(p->InheritsFrom(TpvrVirtualPrinter::StaticClass()));
    EXPECT_TRUE(p->GetInitialized());
    EXPECT_EQ(600, p->GetDPI().x);
    EXPECT_EQ(600, p->GetDPI().y);
    EXPECT_EQ(9, p->GetDefaultPaper());
    EXPECT_EQ(210, p->GetDefaultPaperWidth());
    EXPECT_EQ(297, p->GetDefaultPaperHeight());
    EXPECT_EQ(PaperCount + 1, p->GetPapers()->GetCount());
    EXPECT_EQ(256, p->PaperNumber("no such paper"));
    EXPECT_EQ(1, p->PaperIndex(1));

    struct Case {
        Integer Paper;
        Extended Width, Height;
        TPrinterOrientation Orientation;
        Integer WantPaper;
        Extended WantWidth, WantHeight;
    };
    const Case cases[] = {
        {9, 0, 0, poPortrait, 9, 210, 297},         {9, 0, 0, poLandscape, 9, 297, 210},
        {256, 100, 200, poPortrait, 256, 100, 200}, {256, 100, 200, poLandscape, 256, 100, 200},
        {48, 120, 130, poPortrait, 256, 120, 130}, // not in the table: custom
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Paper);
        p->SetPaperLayout(c.Paper, c.Width, c.Height, c.Orientation);
        EXPECT_EQ(c.WantPaper, p->GetPaper());
        EXPECT_EQ(c.WantWidth, p->GetPaperWidth());
        EXPECT_EQ(c.WantHeight, p->GetPaperHeight());
        EXPECT_EQ(c.Orientation, p->GetOrientation());
        EXPECT_EQ(4, p->GetLeftMargin());
        EXPECT_EQ(4, p->GetBottomMargin());
    }
    p->ApplyPrintSettings(11, 0, 0, poPortrait, 3, 1);
    EXPECT_EQ(148, p->GetPaperWidth());
    EXPECT_EQ(3, p->GetBin());

    // Documents, pages, raw output and the dialog do nothing.
    p->SetTitle("Inert");
    p->BeginDoc();
    p->BeginPage();
    p->GetCanvas();
    p->EndPage();
    p->EndDoc();
    p->BeginRawDoc();
    p->WriteRawData("bytes");
    p->EndRawDoc();
    p->ShowPropertiesDialog();
    p->Abort();
    EXPECT_FALSE(p->GetPrinting());
    EXPECT_TRUE(Backend.Events.empty());
}

TEST_F(PrintersTest, TheDefaultPrinterIsCurrentAndTheFirstWhenNoneHasItsName) {
    {
        TpvrPrinters printers;
        EXPECT_TRUE(printers.GetHasInstalledPrinters());
        ASSERT_EQ(2, printers.GetPrinters()->GetCount());
        EXPECT_EQ("Office", printers.GetPrinters()->GetStrings(0));
        EXPECT_EQ("Label", TpvrPrinters::DefaultPrinterName());
        EXPECT_EQ(1, printers.GetCurrentPrinterIndex());
        EXPECT_EQ(0, printers.IndexOf("OFFICE"));
        EXPECT_EQ(-1, printers.IndexOf("Offic"));
        printers.SetCurrentPrinterIndex(0);
        EXPECT_EQ("Office", printers.CurrentPrinter()->GetName());
        EXPECT_TRUE(printers.CurrentPrinter()->GetInitialized());
    }
    // The default printer's name holds a comma: the name the profile gives ends before it and
    // matches no printer.
    Backend.Names = {"Label", "Office, 2nd floor"};
    Backend.DefaultName = "Office, 2nd floor";
    EXPECT_EQ("Office", TpvrPrinters::DefaultPrinterName());
    TpvrPrinters printers;
    EXPECT_EQ(0, printers.GetCurrentPrinterIndex());
    ASSERT_NE(nullptr, printers.CurrentPrinter());
    EXPECT_TRUE(printers.CurrentPrinter()->GetInitialized());
    // The list of the process is made on first use, from the same printers.
    EXPECT_EQ("Label", printers.CurrentPrinter()->GetName());
    EXPECT_EQ(2, GetReportPrinters()->Count());
    EXPECT_EQ(GetReportPrinters(), GetReportPrinters());
}

TEST_F(PrintersTest, MetricsPapersAndBinsComeFromTheDevice) {
    TpvrPrinters printers;
    TpvrCustomPrinter* p = printers.CurrentPrinter();
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(300, p->GetDPI().x);
    EXPECT_EQ(300, p->GetDPI().y);
    EXPECT_EQ(9, p->GetDefaultPaper());
    EXPECT_NEAR(210, p->GetPaperWidth(), 0.1);
    EXPECT_NEAR(297, p->GetPaperHeight(), 0.1);
    EXPECT_NEAR(5, p->GetLeftMargin(), 0.1);
    EXPECT_NEAR(5, p->GetTopMargin(), 0.1);
    EXPECT_NEAR(6, p->GetRightMargin(), 0.1);
    EXPECT_NEAR(6, p->GetBottomMargin(), 0.1);

    // The custom size first, then the driver's papers; the default bin first, then its trays.
    ASSERT_EQ(3, p->GetPapers()->GetCount());
    EXPECT_EQ(256, TpvrCustomPrinter::NumberAt(p->GetPapers(), 0));
    EXPECT_EQ("Letter", p->GetPapers()->GetStrings(2));
    EXPECT_EQ(1, p->PaperNumber("Letter"));
    EXPECT_EQ(2, p->PaperIndex(1));
    EXPECT_EQ(-1, p->PaperIndex(11));
    ASSERT_EQ(3, p->GetBins()->GetCount());
    EXPECT_EQ(7, TpvrCustomPrinter::NumberAt(p->GetBins(), 0));
    EXPECT_EQ("Upper tray", p->GetBins()->GetStrings(1));

    p->SetPaperLayout(1, 0, 0, poLandscape);
    EXPECT_NEAR(279.4, p->GetPaperWidth(), 0.1);
    EXPECT_NEAR(215.9, p->GetPaperHeight(), 0.1);
    // A custom size keeps the margins of A4.
    p->SetPaperLayout(256, 100, 150, poPortrait);
    EXPECT_EQ(256, p->GetPaper());
    EXPECT_EQ(100, p->GetPaperWidth());
    EXPECT_EQ(150, p->GetPaperHeight());
    EXPECT_NEAR(5, p->GetLeftMargin(), 0.1);

    // Point sizes of the canvas's font map to the printer's pixels.
    TpvrPrinterCanvas* canvas = p->GetCanvas();
    canvas->GetFont()->SetSize(12);
    canvas->MoveTo(0, 0);
    EXPECT_EQ(300, canvas->GetFont()->GetPixelsPerInch());
    EXPECT_EQ(12, canvas->GetFont()->GetSize());
}

TEST_F(PrintersTest, PagesTakeTheirSettingsAndThePropertiesBinWinsUntilTheDocumentEnds) {
    TpvrPrinters printers;
    TpvrCustomPrinter* p = printers.CurrentPrinter();
    ASSERT_NE(nullptr, p);
    p->ShowPropertiesDialog();
    EXPECT_EQ(DMBIN_LOWER, p->GetBin());

    p->SetTitle("Channels");
    p->SetFileName("/tmp/out.prn");
    p->BeginDoc();
    EXPECT_TRUE(p->GetPrinting());
    p->ApplyPrintSettings(9, 0, 0, poPortrait, DMBIN_UPPER, 1);
    p->BeginPage();
    p->EndPage();
    p->ApplyPrintSettings(1, 0, 0, poLandscape, DMBIN_UPPER, 2);
    p->BeginPage();
    p->EndPage();
    p->EndDoc();
    EXPECT_FALSE(p->GetPrinting());
    EXPECT_EQ(-1, p->GetBin());
    EXPECT_EQ("", p->GetFileName());

    // The next document goes to the printer again, with the page's own bin.
    p->BeginDoc();
    p->ApplyPrintSettings(9, 0, 0, poPortrait, DMBIN_UPPER, 4);
    p->BeginPage();
    p->EndPage();
    p->EndDoc();
    const std::vector<std::string> expected = {
        "start Label 'Channels' '/tmp/out.prn'",
        "page 9 portrait bin 2 duplex 1",
        "page 1 landscape bin 2 duplex 2",
        "finish",
        "start Label 'Channels' ''",
        "page 9 portrait bin 1 duplex 1",
        "finish",
    };
    EXPECT_EQ(expected, Backend.Events);
}

TEST_F(PrintersTest, ADriverWithMoreThan256PapersAndBinsListsThemAll) {
    Backend.ExtraPapers = 300;
    Backend.ExtraBins = 260;
    TpvrPrinters printers;
    TpvrCustomPrinter* p = printers.CurrentPrinter();
    ASSERT_NE(nullptr, p);
    ASSERT_TRUE(p->GetInitialized());
    // The custom size, A4, letter and the 300 others; the default bin, two trays and 260 others.
    ASSERT_EQ(303, p->GetPapers()->GetCount());
    EXPECT_EQ("Paper 300", p->GetPapers()->GetStrings(302));
    EXPECT_EQ(1300, p->PaperNumber("Paper 300"));
    ASSERT_EQ(263, p->GetBins()->GetCount());
    EXPECT_EQ("Tray 260", p->GetBins()->GetStrings(262));
    EXPECT_EQ(560, TpvrCustomPrinter::NumberAt(p->GetBins(), 262));
}
