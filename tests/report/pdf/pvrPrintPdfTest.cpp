// The channel list printed by the PDF printer into a file chosen in the print dialog, read back
// with the poppler tools: its text in order, its letter pages and the places of its texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "platform/backend/Backend.h"
#include "platform/backend/BackendPrint.h"
#include "platform/classlib/DB.h"
#include "platform/classlib/Dialogs.h"
#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
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

class pvrPrintPdfTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        // Qt draws the PDF printer's pages; the display runs offscreen.
        BackendInstall(true);
        TFormFixture::SetUp();
        RegisterSysRTTI();
        ClockSetLocalMicros(Int64(1772600767) * 1000000);
        FPreviousBackend = PrintSetBackend(&Pdf);
        FreeReportPrinters();
        Module.reset(new TDataModule(nullptr, TCreateNew{}));
        ReadComponentText(testsupport::ReadFileBytes(testsupport::FixturePath("report/PrintData.form")),
                          Module.get());
        Ado = dynamic_cast<TMemDataSet*>(Module->FindComponent("myAdo"));
        Report = dynamic_cast<TpvrReport*>(Module->FindComponent("pvrReport"));
        ASSERT_TRUE(Ado && Report);
    }
    void TearDown() override {
        Module.reset();
        FreeReportPrinters();
        PrintSetBackend(FPreviousBackend);
        TFormFixture::TearDown();
        BackendUninstall();
    }
    // Records in groups of the given sizes; every seventh value wraps onto a second line.
    void Fill(const std::vector<Integer>& groups) {
        Ado->CreateDataSet();
        Integer n = 0;
        for (std::size_t g = 0; g < groups.size(); ++g)
            for (Integer i = 0; i < groups[g]; ++i) {
                ++n;
                Ado->Append();
                Ado->FieldByName("TypeID")->SetAsVariant(Variant(Integer(g + 1)));
                Ado->FieldByName("TypeName")
                    ->SetAsVariant(Variant(String("Type ") + IntToStr(Integer(g + 1))));
                Ado->FieldByName("AField")->SetAsVariant(Variant(String("Channel ") + IntToStr(n)));
                Ado->FieldByName("AValue")->SetAsVariant(Variant(IntToStr(n * 125)));
                Ado->FieldByName("BField")->SetAsVariant(Variant(String("Tone")));
                Ado->FieldByName("BValue")->SetAsVariant(Variant(
                    n % 7 == 3 ? String("a long description that wraps onto a second line") : String("off")));
                Ado->Post();
            }
        Ado->First();
    }

    TQtPrintBackend Pdf{false};
    std::unique_ptr<TDataModule> Module;
    TMemDataSet* Ado = nullptr;
    TpvrReport* Report = nullptr;

private:
    TPrintBackend* FPreviousBackend = nullptr;
};

} // namespace

TEST_F(pvrPrintPdfTest, TheChannelListPrintsIntoAPdfFile) {
    if (Shell("which pdftotext pdfinfo pdftoppm | wc -l").find('3') == std::string::npos)
        GTEST_SKIP() << "poppler-utils are not installed";
    Fill({1, 40, 75});
    ASSERT_TRUE(Report->LoadFromFile(testsupport::FixturePath("report/ChannelList.xml")));
    Report->GetEngineOptions()->SetNewSilentMode(simSilent);
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
    const std::string file = dir.File("channels.prn");

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
    // The left edges of every word with that text on the page, in order.
    auto lefts = [&](const std::string& word) {
        std::vector<double> result;
        const std::regex pattern(
            "<word xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"[0-9.]+\" yMax=\"[0-9.]+\">" + word +
            "</word>");
        for (std::sregex_iterator it(boxes.begin(), boxes.end(), pattern), end; it != end; ++it)
            result.push_back(std::stod((*it)[1]));
        return result;
    };
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

    // Pictures of the pages for a person to look at.
    Shell("pdftoppm -r 60 -png '" + file + "' '" + testsupport::ArtifactPath("pvrPrintPdf-page") + "'");
}
