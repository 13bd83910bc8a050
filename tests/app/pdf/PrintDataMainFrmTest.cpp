// Printing from the main window: the print record sets filled from the window, the function
// settings and the channel table, emptied before every print, and "&Print" going through the print
// dialog with the data as they are now.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "app/AllClass.h"
#include "app/ChInfo.h"
#include "app/MainFrm.h"
#include "app/Maindb.h"
#include "app/SetLanguage.h"
#include "grid/Tambor.h"
#include "platform/backend/Backend.h"
#include "platform/backend/BackendPrint.h"
#include "platform/classlib/ComCtrls.h"
#include "platform/classlib/Dialogs.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "report/pvrClass_Views.h"
#include "report/pvrPreview.h"
#include "report/pvrPreviewPages.h"
#include "report/pvrPrintDialog.h"
#include "report/pvrPrinter.h"
#include "suite/controls/qzButtons.h"
#include "suite/editors/qzDropDownEdit.h"
#include "tests/app/DialogFixture.h"
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

// Each piece found in the text after the one before it.
void ExpectInOrder(const std::string& text, const std::vector<std::string>& pieces) {
    std::size_t at = 0;
    for (const std::string& piece : pieces) {
        const std::size_t found = text.find(piece, at);
        ASSERT_NE(found, std::string::npos) << "'" << piece << "' after offset " << at << " in\n" << text;
        at = found + piece.size();
    }
}

// Qt draws the PDF printer's pages; the display runs offscreen. Set up before the application.
struct TOffscreenDisplay {
    TOffscreenDisplay() { BackendInstall(true); }
    ~TOffscreenDisplay() { BackendUninstall(); }
};

class PrintDataMainFrmTest : private TOffscreenDisplay, public apptest::DialogFixture {
protected:
    void SetUp() override {
        FPrevious = PrintSetBackend(&FPdf);
        FreeReportPrinters();
        // The program's own language files beside it; English, the language the windows are
        // designed in, is selected.
        for (const char* file : {"Chinese.Ini", "English.Ini"})
            testsupport::WriteFileBytes(Dir.File(file), testsupport::ReadFileBytes(testsupport::FixturePath(
                                                            std::string("../../app/lang/") + file)));
        testsupport::WriteFileBytes(Dir.File("SysInfo.Ini"),
                                    "[SysInfo]\nDefaultLanguage=1\nLanguage=Chinese|English\n");
        Start();
        App->CreateForm(Frame);
        Frame->Show();
        Pump();
        ASSERT_NE(fChInfo, nullptr);
        Grid = fChInfo->gvData;
        fMaindb->pvrReport->GetEngineOptions()->SetNewSilentMode(simSilent);
    }
    void TearDown() override {
        FreeReportPrinters();
        PrintSetBackend(FPrevious);
    }
    ~PrintDataMainFrmTest() override { fChInfo = nullptr; }

    static std::vector<String> Records(TMemDataSet* set) {
        std::vector<String> rows;
        set->First();
        while (!set->Eof()) {
            String row;
            for (Integer i = 0; i < set->GetFieldCount(); ++i)
                row += (i ? "|" : "") + set->GetFields()->GetFields(i)->GetAsString();
            rows.push_back(row);
            set->Next();
        }
        return rows;
    }
    // "&Print" with the print dialog cancelled: the records are made, nothing is printed.
    void PrintCancelled() {
        testsupport::TScopedModalScript modal;
        modal.Add<TpvrPrintDialog>("pvrPrintDialog", [](TpvrPrintDialog& d) { d.CancelB->Click(); });
        Frame->PrintData(false);
        EXPECT_EQ(modal.Shown(), std::vector<String>{"pvrPrintDialog"});
    }

    // "&Print" with the "PDF" printer printing into a file of the test's own (the print dialog
    // gives it the ".pdf" extension); the text of the document, page by page.
    std::string PrintToPdf(const std::string& name) {
        TScopedDialogScript files;
        files.ChooseFiles({Dir.File(name)});
        testsupport::TScopedModalScript modal;
        modal.Add<TpvrPrintDialog>("pvrPrintDialog", [&](TpvrPrintDialog& d) {
            d.PrintersCB->SetItemIndex(GetReportPrinters()->IndexOf("PDF"));
            d.PrintersCBClick(nullptr);
            d.FileCB->SetChecked(true);
            d.OkB->Click();
        });
        Frame->RunCommand(7);
        // The print dialog, and no preview window.
        EXPECT_EQ(modal.Shown(), std::vector<String>{"pvrPrintDialog"});
        const std::string pdf = Dir.File(name + ".pdf");
        EXPECT_TRUE(FileExists(pdf)) << pdf;
        std::system(("pdftoppm -r 60 -png '" + pdf + "' '" +
                     testsupport::ArtifactPath("PrintDataMainFrm-" + name) + "'")
                        .c_str());
        return Output("pdftotext -layout '" + pdf + "' -");
    }

    // The language chosen in the language dialog, as the menu command does it.
    void ChooseLanguage(Integer index) {
        testsupport::TScopedModalScript modal;
        modal.Add<TfSetLanguage>("fSetLanguage", [&](TfSetLanguage& d) {
            d.cbLanguage->SetItemIndex(index);
            d.btnOk->Click();
        });
        Frame->RunCommand(25);
        ASSERT_EQ(AppState->LanguageIndex, index);
    }

    TfMainFrm* Frame = nullptr;
    TTambor* Grid = nullptr;

private:
    TQtPrintBackend FPdf{false};
    TPrintBackend* FPrevious = nullptr;
};

TEST_F(PrintDataMainFrmTest, EveryPrintHoldsTheRecordsOfTheDataAsTheyAreNow) {
    PrintCancelled();
    const String head = AppState->Title + "|Model Type: |" + AppState->ModelName + "|||Frequency: |" +
                        AppState->BandText + "||";
    EXPECT_EQ(Records(fMaindb->myMain), std::vector<String>{head});
    std::vector<String> rows = Records(fMaindb->myAdo);
    ASSERT_EQ(rows.size(), 16u);
    for (std::size_t i = 0; i < 15; ++i)
        EXPECT_EQ(rows[i].substr(0, 2), "9|") << i;
    const String channels = PromptTexts->Channel + PromptTexts->Info;
    EXPECT_EQ(rows[15], "8|" + channels + "||||");
    // The report prepared the header and settings page and the channel heading's page.
    EXPECT_EQ(fMaindb->pvrReport->GetPreviewPages()->GetCount(), 2);

    // A change, then "&Print" again: only the new records, the channel among them.
    Grid->WriteForeText(2, 4, "460.12500");
    PrintCancelled();
    EXPECT_EQ(Records(fMaindb->myMain), std::vector<String>{head});
    rows = Records(fMaindb->myAdo);
    ASSERT_EQ(rows.size(), 15u + 7u);
    EXPECT_EQ(rows[16], "8|" + channels + "|" + Grid->ReadForeText(1, 1) + "3|||");
    EXPECT_EQ(rows[17], "8|" + channels + "|" + Grid->ReadForeText(2, 1) + "|460.12500|" +
                            Grid->ReadForeText(3, 1) + "|460.12500");
}

// "&Print" with no channel prints the header and the settings page and a channel page holding its
// heading only; right after a channel is typed (its cell still being edited) it prints the new
// channel, with no preview first.
TEST_F(PrintDataMainFrmTest, PrintWritesTheDataAsTheyAreNowIntoThePdf) {
    ClockSetLocalMicros(Int64(1796981415) * 1000000); // 2026-12-11 09:30:15
    FunctionSettings->BatterySave = 1;
    FunctionSettings->BeepTone = 0;
    const std::string empty = PrintToPdf("empty");
    const std::vector<std::string> header = {
        "KOV-571", "2026/12/11", "9:30:15 AM", "Model Type:", "KOV-571(UHF)", "Frequency:", "450 - 470MHz"};
    std::vector<std::string> pieces = header;
    for (const char* piece : {"Function Setting", "Battery Save", "On", "Clew Voice", "Off",
                              "Squelch level", "VOX Gain Level", "VOX Inhibit OnReceive", "1", "\f"})
        pieces.push_back(piece);
    pieces.insert(pieces.end(), header.begin(), header.end());
    pieces.push_back("ChannelInformation");
    pieces.push_back("2");
    ExpectInOrder(empty, pieces);
    EXPECT_EQ(empty.find("Channel No."), std::string::npos) << empty;
    const std::string info = Output("pdfinfo '" + Dir.File("empty.pdf") + "' 2>&1");
    EXPECT_TRUE(std::regex_search(info, std::regex("Pages:\\s+2\n"))) << info;

    fChInfo->SetFocus();
    Pump();
    const RECT r = Grid->CellRect(2, 3);
    const POINT p = Grid->ClientToScreen(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    WinInputMouseMove(p);
    WinInputMouseButton(p, TWinMouseButton::Left, true);
    WinInputMouseButton(p, TWinMouseButton::Left, false);
    Pump();
    ASSERT_TRUE(Grid->InplaceEditorShown());
    WinInputText(U"451.5");
    Pump();
    const std::string changed = PrintToPdf("changed");
    ExpectInOrder(changed,
                  {"Function Setting", "Battery Save", "\f", "ChannelInformation", "Channel No.2", "RX Frequency",
                   "451.50000", "TX Frequency", "451.50000", "QT/DQT Dec", "Busy Lockout", "2"});
}

// "Print Pre&view" prepares the pages from the data as they are now and shows them in the report's
// preview window; printing from there through a cancelled print dialog writes no file.
TEST_F(PrintDataMainFrmTest, PreviewShowsThePreparedPagesInThePreviewWindow) {
    ClockSetLocalMicros(Int64(1796981415) * 1000000); // 2026-12-11 09:30:15
    Grid->WriteForeText(2, 3, "455.02500");           // channel 2
    TpvrReport* report = fMaindb->pvrReport;
    // The texts of the memos on a prepared page, trimmed.
    auto pageTexts = [&](Integer page) {
        std::vector<String> texts;
        auto* store = dynamic_cast<TpvrPreviewPages*>(report->GetPreviewPages());
        for (TpvrComponent* band : store->GetPage(page)->GetObjects())
            for (TpvrComponent* view : band->GetObjects())
                if (auto* memo = dynamic_cast<TpvrCustomMemoView*>(view))
                    texts.push_back(TrimRight(WideToString(memo->GetMemo()->GetText())));
        return texts;
    };
    auto contains = [](const std::vector<String>& texts, const String& text) {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    };
    testsupport::TScopedModalScript modal;
    modal.Add<TpvrPreviewForm>("pvrPreviewForm", [&](TpvrPreviewForm& form) {
        // The pages are prepared from a timer of the window's loop.
        ClockAdvanceMs(50);
        App->ProcessMessages();
        ASSERT_EQ(report->GetPreviewPages()->GetCount(), 2);
        const std::vector<String> settings = pageTexts(0), channels = pageTexts(1);
        EXPECT_TRUE(contains(settings, "KOV-571(UHF)"));
        EXPECT_TRUE(contains(settings, "Battery Save"));
        EXPECT_TRUE(contains(channels, PromptTexts->Channel + PromptTexts->Info));
        EXPECT_TRUE(contains(channels, "Channel No.2"));
        EXPECT_TRUE(contains(channels, "  455.02500"));
        EXPECT_TRUE(form.PrintB->GetVisible());
        form.SetWindowState(wsNormal);
        form.SetClientWidth(803);
        form.SetClientHeight(584);
        App->ProcessMessages();
        SavePicture(&form, "PrintDataMainFrm-preview.png");
        form.ZoomWholePageB->Click();
        form.NextB->Click();
        App->ProcessMessages();
        SavePicture(&form, "PrintDataMainFrm-preview-channels.png");

        TScopedDialogScript files;
        files.ChooseFiles({Dir.File("cancelled")});
        modal.Add<TpvrPrintDialog>("pvrPrintDialog", [](TpvrPrintDialog& d) {
            d.PrintersCB->SetItemIndex(GetReportPrinters()->IndexOf("PDF"));
            d.PrintersCBClick(nullptr);
            d.FileCB->SetChecked(true);
            d.CancelB->Click();
        });
        form.PrintB->Click();
        form.Close();
    });
    Frame->RunCommand(8);
    EXPECT_EQ(modal.Shown(), (std::vector<String>{"pvrPreviewForm", "pvrPrintDialog"}));
    EXPECT_EQ(report->PreviewForm, nullptr);
    for (const char* name : {"cancelled", "cancelled.pdf", "cancelled.prn"})
        EXPECT_FALSE(FileExists(Dir.File(name))) << name;
}

// Settings that give every row a value of its own.
void SetSettings() {
    TFun& f = *FunctionSettings;
    f.BatterySave = 1;
    f.BeepTone = 0;
    f.HighVolInhibitTx = 0;
    f.LowVolInhibitTx = 1;
    f.Squelch = 7;
    f.SideKey = 3;
    f.TxTimeout = 2;
    f.Scan = 1;
    f.Voice = 0;
    f.VoiceLanguage = 0;
    f.InceptAlarm = 1;
    f.Fm = 0;
    f.VoxFunction = 0;
    f.VoxLevel = 4;
    f.VoxInhibitOnReceive = 1;
}

struct TBodyRow {
    Integer TypeId;
    String TypeName, AField, AValue, BField, BValue;
    bool operator==(const TBodyRow&) const = default;
};
void PrintTo(const TBodyRow& r, std::ostream* os) {
    *os << "{" << r.TypeId << ", \"" << r.TypeName << "\", \"" << r.AField << "\", \"" << r.AValue << "\", \""
        << r.BField << "\", \"" << r.BValue << "\"}";
}
std::vector<TBodyRow> BodyRows() {
    std::vector<TBodyRow> rows;
    TMemDataSet* set = fMaindb->myAdo;
    for (set->First(); !set->Eof(); set->Next())
        rows.push_back(
            {set->FieldByName("TypeID")->GetAsInteger(), set->FieldByName("TypeName")->GetAsString(),
             set->FieldByName("AField")->GetAsString(), set->FieldByName("AValue")->GetAsString(),
             set->FieldByName("BField")->GetAsString(), set->FieldByName("BValue")->GetAsString()});
    return rows;
}

// The settings rows, then the channel heading and six rows for each programmed channel, in
// English (the windows' design texts), in Chinese chosen through the language dialog (every text
// Chinese, the printout's labels and values as the windows show them), and in English again.
TEST_F(PrintDataMainFrmTest, TheRecordsOfAPrintoutInBothLanguages) {
    SetSettings();
    Grid->WriteForeText(2, 2, "451.12500"); // channel 1
    Grid->WriteForeText(2, 5, "462.55000"); // channel 4
    Grid->CellAt(3, 5).ForeText.clear();    // channel 4 without TX, as a file may give it
    // Channel 1 with a value of its own in every column (the list columns' back texts are the
    // items' indexes).
    Grid->CellAt(4, 2).ForeText = "67.0";
    Grid->CellAt(5, 2).ForeText = "D023N";
    const struct {
        Integer Col;
        const char *Fore, *Back;
    } lists[] = {{6, "Low", "0"}, {7, "Narrow", "1"}, {8, "Yes", "0"}, {9, "No", "1"}, {10, "Yes", "0"}};
    for (const auto& cell : lists) {
        Grid->CellAt(cell.Col, 2).ForeText = cell.Fore;
        Grid->CellAt(cell.Col, 2).BackText = cell.Back;
    }
    PrintCancelled();

    struct TLanguageCase {
        const char* Settings; // the dialog's caption
        const char *On, *Off;
        const char* Channels; // the Channel and Info prompts joined
    };
    auto expected = [&](const TLanguageCase& l) {
        const String s = l.Settings, c = l.Channels;
        return std::vector<TBodyRow>{
            {9, s, "Battery Save", l.On, "", ""},
            {9, s, "Clew Voice", l.Off, "", ""},
            {9, s, "High Vol Inhibit Tx", l.Off, "", ""},
            {9, s, "Low Vol Inhibit Tx", l.On, "", ""},
            {9, s, "Squelch level", "7", "", ""},
            {9, s, "Side Key", "Alarm", "", ""},
            {9, s, "TX Time Out", "60", "", ""},
            {9, s, "Scan", "On", "", ""},
            {9, s, "Voice", "Off", "", ""},
            {9, s, "Voice Annunciation", "English", "", ""},
            {9, s, "Incept Alarm", "On", "", ""},
            {9, s, "FM", "Interdict", "", ""},
            {9, s, "VOX Function", l.Off, "", ""},
            {9, s, "VOX Gain Level", "5", "", ""},
            {9, s, "VOX Inhibit OnReceive", l.On, "", ""},
            {8, c, "", "", "", ""},
            {8, c, "Channel No.1", "", "", ""},
            {8, c, "RX Frequency", "451.12500", "TX Frequency", "451.12500"},
            {8, c, "QT/DQT Dec", "67.0", "QT/DQT Enc", "D023N"},
            {8, c, "TX Power", "Low", "W/N", "Narrow"},
            {8, c, "Scan Add", "Yes", "Beat Shift", "No"},
            {8, c, "Busy Lockout", "Yes", "", ""},
            {8, c, "Channel No.4", "", "", ""},
            {8, c, "RX Frequency", "462.55000", "TX Frequency", ""},
            {8, c, "QT/DQT Dec", "None", "QT/DQT Enc", "None"},
            {8, c, "TX Power", "High", "W/N", "Wide"},
            {8, c, "Scan Add", "No", "Beat Shift", "No"},
            {8, c, "Busy Lockout", "No", "", ""},
        };
    };
    const String englishHead = "KOV-571|Model Type: |KOV-571(UHF)|||Frequency: |450 - 470MHz||";
    const std::vector<TBodyRow> english = expected({"Function Setting", "On", "Off", "ChannelInformation"});
    EXPECT_EQ(Records(fMaindb->myMain), std::vector<String>{englishHead});
    EXPECT_EQ(BodyRows(), english);

    ChooseLanguage(0);
    PrintCancelled();
    EXPECT_EQ(Records(fMaindb->myMain), std::vector<String>{"KOV-571|机型：|KOV-571(UHF)|||频率：|450 - 470MHz||"});
    const String s = "功能设置", c = "信道信息";
    const std::vector<TBodyRow> chinese = {
        {9, s, "省电", "已启动", "", ""},
        {9, s, "提示音", "已关闭", "", ""},
        {9, s, "高压禁止发射", "已关闭", "", ""},
        {9, s, "低压禁止发射", "已启动", "", ""},
        {9, s, "静噪等级", "7", "", ""},
        {9, s, "侧键", "报警", "", ""},
        {9, s, "发射限时", "60", "", ""},
        {9, s, "扫描", "开启", "", ""},
        {9, s, "语音提示", "关闭", "", ""},
        {9, s, "语音播报", "英文", "", ""},
        {9, s, "入侵报警", "开启", "", ""},
        {9, s, "收音机", "禁止", "", ""},
        {9, s, "声控功能", "已关闭", "", ""},
        {9, s, "声控灵敏度", "5", "", ""},
        {9, s, "接收时禁止声控", "已启动", "", ""},
        {8, c, "", "", "", ""},
        {8, c, "信道号1", "", "", ""},
        {8, c, "接收频率", "451.12500", "发射频率", "451.12500"},
        {8, c, "接收亚音", "67.0", "发射亚音", "D023N"},
        {8, c, "发射功率", "低", "宽/窄带", "窄带"},
        {8, c, "扫描添加", "是", "移频", "否"},
        {8, c, "繁忙锁定", "是", "", ""},
        {8, c, "信道号4", "", "", ""},
        {8, c, "接收频率", "462.55000", "发射频率", ""},
        {8, c, "接收亚音", "无", "发射亚音", "无"},
        {8, c, "发射功率", "高", "宽/窄带", "宽带"},
        {8, c, "扫描添加", "否", "移频", "否"},
        {8, c, "繁忙锁定", "否", "", ""},
    };
    EXPECT_EQ(BodyRows(), chinese);

    // English.Ini holds the design texts: back in English the printout is the first one again.
    ChooseLanguage(1);
    PrintCancelled();
    EXPECT_EQ(Records(fMaindb->myMain), std::vector<String>{englishHead});
    EXPECT_EQ(BodyRows(), english);
}

} // namespace
