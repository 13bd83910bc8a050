// The printout printed by the PDF printer into a file chosen in the print dialog, read back with
// the poppler tools, and its pages drawn into pictures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>

#include "app/AllClass.h"
#include "app/ChInfo.h"
#include "app/Maindb.h"
#include "app/myPrint.h"
#include "platform/backend/Backend.h"
#include "platform/backend/BackendPrint.h"
#include "platform/classlib/Dialogs.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "report/pvrPrintDialog.h"
#include "report/pvrPrinter.h"
#include "tests/app/BChannelDialogFixture.h"
#include "tests/support/ModalScript.h"

namespace {

// The standard output of a shell command.
std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            text.append(buffer, n);
        pclose(pipe);
    }
    return text;
}

// Qt draws the PDF printer's pages; the display runs offscreen. Set up before the application.
struct TOffscreenDisplay {
    TOffscreenDisplay() { BackendInstall(true); }
    ~TOffscreenDisplay() { BackendUninstall(); }
};

class PrintDataPdfTest : private TOffscreenDisplay, public apptest::BChannelDialogFixture {
protected:
    void SetUp() override {
        StartWithChannels();
        ClockSetLocalMicros(Int64(1796981415) * 1000000); // 2026-12-11 09:30:15
        Report = fMaindb->pvrReport;
        Report->GetEngineOptions()->SetNewSilentMode(simSilent);
        FPrevious = PrintSetBackend(&FPdf);
        FreeReportPrinters();
    }
    void TearDown() override {
        FreeReportPrinters();
        PrintSetBackend(FPrevious);
    }

    // The page header record as the main window gives it.
    void FillHeader() {
        TMemDataSet* head = fMaindb->myMain;
        head->Append();
        head->FieldByName("Title")->SetAsString("KOV-571");
        head->FieldByName("AField")->SetAsString("Model Type: ");
        head->FieldByName("AValue")->SetAsString("KOV-571U");
        head->FieldByName("CField")->SetAsString("Frequency: ");
        head->FieldByName("CValue")->SetAsString("400 - 470MHz");
        head->Post();
    }

    TpvrReport* Report = nullptr;

private:
    TQtPrintBackend FPdf{false};
    TPrintBackend* FPrevious = nullptr;
};

TEST_F(PrintDataPdfTest, PrintedToAPdfFileThroughThePrintDialog) {
    Program(1, "430.12500");
    Program(5, "462.55000");
    Grid->CellAt(3, 6).ForeText.clear();
    FillHeader();
    AddFunctionPrintRows();
    fChInfo->AddPrintRows();
    ASSERT_TRUE(Report->PrepareReport(true)) << Report->GetErrors()->GetText();
    // The "PDF" printer into a file of the test's own, which takes the ".pdf" extension whatever
    // the name typed ends with (other printers give ".prn").
    auto print = [&](bool ok, const std::string& file) {
        TScopedDialogScript files;
        files.ChooseFiles({file});
        testsupport::TScopedModalScript modal;
        modal.Add<TpvrPrintDialog>("pvrPrintDialog", [&](TpvrPrintDialog& d) {
            d.PrintersCB->SetItemIndex(GetReportPrinters()->IndexOf("PDF"));
            d.PrintersCBClick(nullptr);
            d.FileCB->SetChecked(true);
            (ok ? d.OkB : d.CancelB)->Click();
        });
        return Report->Print();
    };
    EXPECT_FALSE(print(false, Dir.File("cancelled")));
    EXPECT_FALSE(FileExists(Dir.File("cancelled.pdf")));

    ASSERT_TRUE(print(true, Dir.File("typed.prn")));
    EXPECT_TRUE(FileExists(Dir.File("typed.pdf")));
    EXPECT_FALSE(FileExists(Dir.File("typed.prn")));
    ASSERT_TRUE(print(true, Dir.File("list")));
    const std::string pdf = Dir.File("list.pdf");
    EXPECT_EQ(testsupport::ReadFileBytes(pdf).substr(0, 5), "%PDF-");
    const std::string info = Output("pdfinfo '" + pdf + "' 2>&1");
    EXPECT_TRUE(std::regex_search(info, std::regex("Pages:\\s+2\n"))) << info;
    EXPECT_NE(info.find("612 x 792 pts (letter)"), std::string::npos) << info;
    const std::string text = Output("pdftotext -layout '" + pdf + "' -");
    fMaindb->myAdo->First();
    const std::string settings = fMaindb->myAdo->FieldByName("TypeName")->GetAsString();
    const std::string channels = PromptTexts->Channel + PromptTexts->Info;
    std::size_t at = 0;
    for (const std::string& piece : {std::string("KOV-571"),
                                     std::string("2026/12/11"),
                                     std::string("9:30:15 AM"),
                                     std::string("Model Type:"),
                                     std::string("KOV-571U"),
                                     std::string("Frequency:"),
                                     std::string("400 - 470MHz"),
                                     settings,
                                     std::string("1"),
                                     std::string("\f"),
                                     std::string("KOV-571"),
                                     channels,
                                     std::string("Channel No.1"),
                                     std::string("RX Frequency"),
                                     std::string("430.12500"),
                                     std::string("TX Frequency"),
                                     std::string("430.12500"),
                                     std::string("Channel No.5"),
                                     std::string("462.55000"),
                                     std::string("Busy Lockout"),
                                     std::string("2")}) {
        const std::size_t found = text.find(piece, at);
        ASSERT_NE(found, std::string::npos) << "'" << piece << "' after offset " << at << " in\n" << text;
        at = found + piece.size();
    }
    std::system(
        ("pdftoppm -r 60 -png '" + pdf + "' '" + testsupport::ArtifactPath("PrintDataPage") + "'").c_str());
}

} // namespace
