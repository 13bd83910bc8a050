// Printing "Current page" from a report shown in a real preview control: the PDF printer's file
// holds the page the preview shows, and only that page.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/classlib/Dialogs.h"
#include "report/pvrClass.h"
#include "report/pvrPreview.h"
#include "report/pvrPreviewPages.h"
#include "report/pvrPrintDialog.h"
#include "report/pvrPrinter.h"
#include "tests/report/pdf/PdfPrintFixture.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TestSupport.h"

namespace {

using pdftest::PageCount;
using pdftest::PageTexts;

bool PopplerInstalled() { return pdftest::Installed({"pdftotext", "pdfinfo"}); }

using pvrPreviewPrintTest = pdftest::TPdfPrintFixture;

} // namespace

TEST_F(pvrPreviewPrintTest, CurrentPagePrintsThePageThePreviewShows) {
    if (!PopplerInstalled()) GTEST_SKIP() << "poppler-utils are not installed";
    testsupport::TempDir dir;
    struct Case {
        const char* Name;
        std::function<bool(TpvrReport*, TpvrPreview*)> Print;
    };
    const Case cases[] = {
        {"the report's Print", [](TpvrReport* report, TpvrPreview*) { return report->Print(); }},
        {"the preview's Print",
         [](TpvrReport*, TpvrPreview* preview) {
             preview->Print();
             return true;
         }},
    };
    Integer n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string file = dir.File("current" + std::to_string(++n) + ".pdf");
        // Three small pages, each showing "P<n>".
        std::unique_ptr<TpvrReport> report = pdftest::NumberedPagesReport("Current", 3);

        auto* preview = new TpvrPreview(Form);
        preview->SetParent(Form);
        preview->SetAlign(alClient);
        Form->Show();
        report->Preview = preview;
        ASSERT_TRUE(report->PrepareReport()) << report->GetErrors()->GetText();
        report->ShowPreparedReport();
        ASSERT_EQ(3, preview->GetAllPages());
        preview->SetPageNo(2);
        ASSERT_EQ(2, preview->GetPageNo());

        report->GetPrintOptions()->Printer = "PDF";
        report->GetPrintOptions()->ShowDialog = true;
        EXPECT_TRUE(pdftest::PrintCurrentPageToFile(file, [&] { return c.Print(report.get(), preview); }));
        EXPECT_EQ("P2", PageTexts(file));
        EXPECT_EQ("1", PageCount(file));
        // The preview still shows the page it showed.
        EXPECT_EQ(2, preview->GetPageNo());
        report->Preview = nullptr;
        delete preview;
    }
}
