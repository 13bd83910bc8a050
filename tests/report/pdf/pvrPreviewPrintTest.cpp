// Printing "Current page" from a report shown in a real preview control: the PDF printer's file
// holds the page the preview shows, and only that page.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/backend/Backend.h"
#include "platform/backend/BackendPrint.h"
#include "platform/classlib/Dialogs.h"
#include "platform/runtime/Clock.h"
#include "report/pvrClass.h"
#include "report/pvrPreview.h"
#include "report/pvrPreviewPages.h"
#include "report/pvrPrintDialog.h"
#include "report/pvrPrinter.h"
#include "script/kq_isysrtti.h"
#include "tests/support/FormFixture.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TestSupport.h"

namespace {

std::string Shell(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

bool PopplerInstalled() { return Shell("which pdftotext pdfinfo | wc -l").find('2') != std::string::npos; }

// The texts of the PDF's pages, each trimmed, joined by a space.
std::string PageTexts(const std::string& file) {
    const std::string text = Shell("pdftotext '" + file + "' - 2>/dev/null");
    std::string result;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\f', start)) != std::string::npos; start = end + 1) {
        std::string page = text.substr(start, end - start);
        const std::size_t first = page.find_first_not_of(" \n");
        page =
            first == std::string::npos ? "-" : page.substr(first, page.find_last_not_of(" \n") - first + 1);
        result += (result.empty() ? "" : " ") + page;
    }
    return result;
}

std::string PageCount(const std::string& file) {
    const std::string info = Shell("pdfinfo '" + file + "' 2>/dev/null | grep '^Pages:'");
    const std::size_t digit = info.find_first_of("0123456789");
    return digit == std::string::npos
               ? ""
               : info.substr(digit, info.find_first_not_of("0123456789", digit) - digit);
}

class pvrPreviewPrintTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        BackendInstall(true);
        TFormFixture::SetUp();
        RegisterSysRTTI();
        ClockSetLocalMicros(Int64(1772600767) * 1000000);
        FPreviousBackend = PrintSetBackend(&Pdf);
        FreeReportPrinters();
    }
    void TearDown() override {
        FreeReportPrinters();
        PrintSetBackend(FPreviousBackend);
        TFormFixture::TearDown();
        BackendUninstall();
    }

    TQtPrintBackend Pdf{false};

private:
    TPrintBackend* FPreviousBackend = nullptr;
};

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
        const std::string file = dir.File("current" + std::to_string(++n) + ".prn");
        // Three small pages, each showing "P<n>".
        auto report = std::make_unique<TpvrReport>(nullptr);
        report->GetEngineOptions()->SetNewSilentMode(simSilent);
        report->ShowProgress = false;
        report->GetReportOptions()->Name = "Current";
        auto* page = new TpvrReportPage(report.get());
        page->SetName("Page1");
        auto* band = new TpvrMasterData(page);
        band->SetName("MasterData1");
        band->SetBounds(0, 10, 500, 20);
        band->SetRowCount(3);
        band->StartNewPage = true;
        auto* memo = new TpvrMemoView(band);
        memo->SetName("Memo1");
        memo->SetBounds(5, 0, 100, 20);
        memo->GetMemo()->SetText(u"P[Line]");

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
        bool printed = false;
        {
            TScopedDialogScript files;
            files.ChooseFiles({file});
            testsupport::TScopedModalScript modal;
            modal.Add<TpvrPrintDialog>("pvrPrintDialog", [](TpvrPrintDialog& d) {
                d.CurPageRB->SetChecked(true);
                d.FileCB->SetChecked(true);
                d.OkB->Click();
            });
            printed = c.Print(report.get(), preview);
        }
        EXPECT_TRUE(printed);
        EXPECT_EQ("P2", PageTexts(file));
        EXPECT_EQ("1", PageCount(file));
        // The preview still shows the page it showed.
        EXPECT_EQ(2, preview->GetPageNo());
        report->Preview = nullptr;
        delete preview;
    }
}
