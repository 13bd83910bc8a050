// The settings a printed page needs (paper, orientation, bin, duplex) go to the printer only
// when they differ from the page printed before: pages alike print on the settings in force.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/Strings.h"
#include "platform/winapi/PrintBackend.h"
#include "report/pvrClass.h"
#include "report/pvrPreviewPages.h"
#include "report/pvrPrinter.h"
#include "script/kq_isysrtti.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

class TNullCanvas : public TPrintCanvas {
public:
    void SetClip(const std::vector<RECT>*) override {}
    void FillPolygons(const std::vector<std::vector<GdiPointD>>&, bool, const GdiPaint&) override {}
    void StrokePolyline(const std::vector<GdiPointD>&, bool, const TPrintPen&) override {}
    void DrawImage(double, double, double, double, int, int, const std::vector<std::uint32_t>&) override {}
    void DrawText(const TPrintText&) override {}
};

// One printer with two trays; every page's settings as the device started it.
class TSettingsBackend : public TPrintBackend {
public:
    class TJob : public TPrintJob {
    public:
        explicit TJob(std::vector<TPrintSettings>& pages) : FPages(pages) {}
        bool StartPage(const TPrintSettings& settings) override {
            FPages.push_back(settings);
            return true;
        }
        TPrintCanvas& Canvas() override { return FCanvas; }
        bool EndPage() override { return true; }
        bool Finish() override { return true; }
        void Abort() override {}

    private:
        std::vector<TPrintSettings>& FPages;
        TNullCanvas FCanvas;
    };

    std::vector<TPrinterInfo> Printers() override {
        TPrinterInfo p;
        p.Name = "Office";
        p.Default = true;
        p.Papers = {{DMPAPER_A4, "A4", {2100, 2970}}, {DMPAPER_LETTER, "Letter", {2159, 2794}}};
        p.Bins = {{DMBIN_AUTO, "Automatic"}, {DMBIN_UPPER, "Upper tray"}, {DMBIN_LOWER, "Lower tray"},
                  {DMBIN_MANUAL, "Manual"}};
        p.Resolutions = {300};
        p.DefaultResolution = 300;
        p.Duplex = true;
        p.Margins = {50, 50, 50, 50};
        return {p};
    }
    std::unique_ptr<TPrintJob> StartJob(const TPrinterInfo&, const String&, const String&,
                                        const TPrintSettings&) override {
        return std::make_unique<TJob>(Pages);
    }
    std::vector<TPrintSettings> Pages;
};

class pvrPrintSettingsTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        RegisterSysRTTI();
        FPreviousBackend = PrintSetBackend(&Backend);
        FreeReportPrinters();
        Report = std::make_unique<TpvrReport>(nullptr);
        Report->GetEngineOptions()->SetNewSilentMode(simSilent);
        Report->GetPrintOptions()->ShowDialog = false;
        Report->ShowProgress = false;
    }
    void TearDown() override {
        Report.reset();
        FreeReportPrinters();
        PrintSetBackend(FPreviousBackend);
        TFormFixture::TearDown();
    }

    TSettingsBackend Backend;
    std::unique_ptr<TpvrReport> Report;

private:
    TPrintBackend* FPreviousBackend = nullptr;
};

// After each printed page the printer's device mode is marked with the manual tray: settings
// sent for the next page overwrite the mark, pages printed on the settings in force leave it.
struct TMarker {
    void Progress(TpvrReport*, Integer kind, Integer) {
        if (kind != 2) return;
        auto* printer = dynamic_cast<TpvrPrinter*>(GetReportPrinters()->CurrentPrinter());
        ASSERT_NE(nullptr, printer);
        DEVMODEA* mode = printer->GetDeviceMode();
        Seen.push_back(mode->dmDefaultSource);
        mode->dmDefaultSource = DMBIN_MANUAL;
    }
    std::vector<Integer> Seen;
};

} // namespace

TEST_F(pvrPrintSettingsTest, SettingsGoToThePrinterOnlyWhenTheyChange) {
    auto* page = new TpvrReportPage(Report.get());
    page->SetName("Page1");
    page->Bin = DMBIN_UPPER;
    page->BinOtherPages = DMBIN_LOWER;
    auto* band = new TpvrMasterData(page);
    band->SetName("MasterData1");
    band->SetBounds(0, 10, 500, 20);
    band->SetRowCount(4);
    band->StartNewPage = true;
    ASSERT_TRUE(Report->PrepareReport());
    ASSERT_EQ(4, Report->GetPreviewPages()->GetCount());

    TMarker marker;
    Report->OnProgress = MakeEvent(&marker, &TMarker::Progress);
    ASSERT_TRUE(Report->Print());
    // The first page's tray, then the other pages' tray sent once: the third and fourth page
    // found the mark left after the page before them.
    EXPECT_EQ((std::vector<Integer>{DMBIN_UPPER, DMBIN_LOWER, DMBIN_MANUAL, DMBIN_MANUAL}), marker.Seen);
    // The device kept the tray it was last given: the mark never reached it.
    ASSERT_EQ(4u, Backend.Pages.size());
    std::vector<Integer> bins;
    for (const TPrintSettings& s : Backend.Pages)
        bins.push_back(s.Bin);
    EXPECT_EQ((std::vector<Integer>{DMBIN_UPPER, DMBIN_LOWER, DMBIN_LOWER, DMBIN_LOWER}), bins);

    // A second print starts a new document and sends the settings again.
    marker.Seen.clear();
    Backend.Pages.clear();
    Report->GetPrintOptions()->PageNumbers = "3-4";
    ASSERT_TRUE(Report->Print());
    EXPECT_EQ((std::vector<Integer>{DMBIN_LOWER, DMBIN_MANUAL}), marker.Seen);
}
