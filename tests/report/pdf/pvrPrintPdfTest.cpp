// The channel list printed by the PDF printer into a file chosen in the print dialog, read back
// with the poppler tools: its text in order, its letter pages and the places of its texts; and
// the pages of small reports in the order that copies, collation, reverse, parity, page numbers
// and the current page ask for.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "platform/classlib/DB.h"
#include "platform/classlib/Dialogs.h"
#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "report/pvrCustomPreview.h"
#include "report/pvrPreviewPages.h"
#include "report/pvrPrintDialog.h"
#include "report/pvrPrinter.h"
#include "tests/report/ChannelListFixture.h"
#include "tests/report/pdf/PdfPrintFixture.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TestSupport.h"

namespace {

using pdftest::PageTexts;
using pdftest::Shell;

bool PopplerInstalled() { return pdftest::Installed({"pdftotext", "pdfinfo", "pdftoppm"}); }

// A preview that only takes what printing tells it.
class TQuietPreview : public TpvrCustomPreview {
public:
    using TpvrCustomPreview::TpvrCustomPreview;
    void Init() override {}
    void Lock() override {}
    void Unlock() override {}
    void PreparationStarted() override {}
    void PreparationProgress(Integer) override {}
    void PreparationStopped() override {}
};

// The channel list of the print data module, printed by the PDF printer.
class pvrPrintPdfTest : public reporttest::TChannelListFixture<pdftest::TPdfPrintFixture> {};

} // namespace

TEST_F(pvrPrintPdfTest, TheChannelListPrintsIntoAPdfFile) {
    if (!PopplerInstalled()) GTEST_SKIP() << "poppler-utils are not installed";
    Fill({1, 40, 75});
    ASSERT_TRUE(LoadReport());
    // A right-aligned text in the page footer and a centred one in the page header.
    auto* right = new TpvrMemoView(dynamic_cast<TpvrBand*>(Report->FindObject("PageFooter1")));
    right->SetName("RightMemo");
    right->SetBounds(300, 0, 190, 22.67718);
    right->HAlign = haRight;
    right->GetMemo()->SetText(u"Righthand");
    auto* centred = new TpvrMemoView(dynamic_cast<TpvrBand*>(Report->FindObject("PageHeader1")));
    centred->SetName("CentredMemo");
    centred->SetBounds(400, 37.7953, 300, 18.89765);
    centred->HAlign = haCenter;
    centred->GetMemo()->SetText(u"Centred");
    ASSERT_TRUE(Report->PrepareReport()) << Report->GetErrors()->GetText();
    ASSERT_EQ(6, Report->GetPreviewPages()->GetCount());

    testsupport::TempDir dir;
    Report->GetPrintOptions()->Printer = "PDF";
    Report->GetPrintOptions()->ShowDialog = true;
    TScopedDialogScript files;
    files.ChooseFiles({dir.File("channels")});
    testsupport::TScopedModalScript modal;
    modal.Add<TpvrPrintDialog>("pvrPrintDialog", [](TpvrPrintDialog& d) {
        EXPECT_EQ("PDF", d.TypeL1->GetCaption());
        d.FileCB->SetChecked(true);
        d.OkB->Click();
    });
    ASSERT_TRUE(Report->Print());
    const std::string file = dir.File("channels.pdf");

    const std::string info = Shell("pdfinfo '" + file + "' 2>&1");
    EXPECT_TRUE(std::regex_search(info, std::regex("Pages:\\s+6\n"))) << info;
    EXPECT_NE(std::string::npos, info.find("612 x 792 pts (letter)")) << info;

    // The texts in their order: title, date and time, the group headings, rows, totals, and the
    // page numbers with the page count filled in.
    const std::string text = Shell("pdftotext -layout '" + file + "' - 2>&1");
    const std::vector<std::string> order = {"Channel list",
                                            "Radio: KOV-571",
                                            "Type 1",
                                            "Channel 1",
                                            "125",
                                            "Sum 1 of 1 records",
                                            "Page 1 of 6",
                                            "Type 2",
                                            "Channel 2",
                                            "Channel 3",
                                            "a long description",
                                            "onto a second line",
                                            "Page 2 of 6",
                                            "Sum 80 of 40 records",
                                            "Page 3 of 6",
                                            "Type 3",
                                            "Channel 42",
                                            "Sum 225 of 75 records",
                                            "Page 6 of 6"};
    std::size_t at = 0;
    for (const std::string& item : order) {
        const std::size_t found = text.find(item, at);
        EXPECT_NE(std::string::npos, found) << item << " after offset " << at;
        if (found != std::string::npos) at = found + item.size();
    }
    EXPECT_EQ(std::string::npos, text.find("[TotalPages#]"));

    // Report positions are the page's: the title starts at the left margin (10 mm) plus the
    // memo's gap of 2 pixels; the page number at 500 pixels further right.
    const std::string boxes = Shell("pdftotext -f 1 -l 1 -bbox '" + file + "' - 2>&1");
    // The left (or right) edges of every word with that text on the page, in order.
    auto edges = [&](const std::string& word, int which) {
        std::vector<double> result;
        const std::regex pattern(
            "<word xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\" yMax=\"[0-9.]+\">" + word +
            "</word>");
        for (std::sregex_iterator it(boxes.begin(), boxes.end(), pattern), end; it != end; ++it)
            result.push_back(std::stod((*it)[which]));
        return result;
    };
    auto lefts = [&](const std::string& word) { return edges(word, 1); };
    const double px = 72.0 / 96.0;
    const double margin = 10 / 25.4 * 72;
    const std::vector<double> channel = lefts("Channel");
    ASSERT_EQ(2u, channel.size()) << boxes;
    EXPECT_NEAR(margin + 2 * px, channel[0], 1.0);              // the title
    EXPECT_NEAR(margin + (18.89765 + 2) * px, channel[1], 1.0); // the first row
    const std::vector<double> ones = lefts("1");
    ASSERT_FALSE(ones.empty());
    EXPECT_NEAR(margin + (500 + 2) * px, ones.back(), 1.0); // the page number in the footer
    const std::vector<double> values = lefts("125");
    ASSERT_EQ(1u, values.size());
    EXPECT_NEAR(margin + (190 + 2) * px, values[0], 1.0);
    // The right-aligned text ends at its memo's right edge less the gap; the centred one is
    // centred on its memo.
    const std::vector<double> rightEnds = edges("Righthand", 2);
    ASSERT_EQ(1u, rightEnds.size()) << boxes;
    EXPECT_NEAR(margin + (300 + 190 - 2) * px, rightEnds[0], 1.0);
    const std::vector<double> centredLeft = edges("Centred", 1), centredRight = edges("Centred", 2);
    ASSERT_EQ(1u, centredLeft.size()) << boxes;
    EXPECT_NEAR(margin + (400 + 150) * px, (centredLeft[0] + centredRight[0]) / 2, 1.0);

    // Pictures of the pages for a person to look at.
    Shell("pdftoppm -r 60 -png '" + file + "' '" + testsupport::ArtifactPath("pvrPrintPdf-page") + "'");
}

// A report of small pages, each showing "P<n>", printed by the PDF printer: the file holds the
// pages in the order the print options or the print dialog ask for.
TEST_F(pvrPrintPdfTest, ThePdfHoldsThePagesInTheChosenOrder) {
    if (!PopplerInstalled()) GTEST_SKIP() << "poppler-utils are not installed";
    testsupport::TempDir dir;
    struct Case {
        Integer Pages;
        Integer Copies;
        bool Collate;
        bool Reverse;
        TpvrPrintPages Parity;
        const char* Numbers;
        // "current" / "current, preview on 2": "Current page" chosen in the print dialog.
        const char* Dialog;
        const char* Expected; // empty: no file
    };
    const Case cases[] = {
        {3, 3, true, false, ppAll, "", "", "P1 P2 P3 P1 P2 P3 P1 P2 P3"},
        {3, 3, false, false, ppAll, "", "", "P1 P1 P1 P2 P2 P2 P3 P3 P3"},
        {3, 2, true, true, ppAll, "", "", "P3 P2 P1 P3 P2 P1"},
        {5, 1, true, false, ppEven, "1-3", "", "P2"},
        {5, 1, true, false, ppAll, "2-", "", "P2 P3 P4 P5"},
        {2, 0, true, false, ppAll, "", "", "P1 P2"},
        {3, 1, true, false, ppAll, "", "current", "P1"},
        {3, 1, true, false, ppAll, "", "current, preview on 2", "P2"},
        {0, 1, true, false, ppAll, "", "", ""},
        {0, 1, true, false, ppAll, "", "current", ""},
    };
    Integer n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.Pages << " pages, copies " << c.Copies << " collate " << c.Collate << " reverse "
                     << c.Reverse << " '" << c.Numbers << "' " << c.Dialog);
        const std::string file = dir.File("order" + std::to_string(++n) + ".pdf");
        std::unique_ptr<TpvrReport> report = pdftest::NumberedPagesReport("Order", c.Pages);
        if (c.Pages > 0) {
            ASSERT_TRUE(report->PrepareReport());
        }
        ASSERT_EQ(c.Pages, report->GetPreviewPages()->GetCount());
        TpvrPrintOptions* options = report->GetPrintOptions();
        options->Printer = "PDF";
        options->Copies = c.Copies;
        options->Collate = c.Collate;
        options->Reverse = c.Reverse;
        options->PrintPages = c.Parity;
        options->PageNumbers = c.Numbers;
        options->ShowDialog = *c.Dialog != 0;
        const std::string dialog = c.Dialog;
        std::unique_ptr<TQuietPreview> preview;
        if (dialog.find("preview") != std::string::npos) {
            preview.reset(new TQuietPreview(nullptr));
            report->Preview = preview.get();
            report->GetPreviewPages()->PreviewPage = 2;
        }
        bool printed = false;
        if (dialog.empty()) {
            TpvrPrinters* printers = GetReportPrinters();
            printers->SetCurrentPrinterIndex(printers->IndexOf("PDF"));
            printers->CurrentPrinter()->SetFileName(file);
            printed = report->Print();
        } else {
            printed = pdftest::PrintCurrentPageToFile(file, [&] { return report->Print(); });
        }
        report->Preview = nullptr;
        EXPECT_TRUE(printed);
        EXPECT_EQ(*c.Expected != 0, std::filesystem::exists(file));
        EXPECT_EQ(c.Expected, PageTexts(file));
    }
}
