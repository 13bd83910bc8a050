// The printout: the report definition the data module holds, the channel records the channel
// window adds to the print record sets, and the pages the report prepares from them.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/AllClass.h"
#include "app/ChInfo.h"
#include "app/Maindb.h"
#include "app/myPrint.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "report/pvrClass_Views.h"
#include "report/pvrDBSet.h"
#include "report/pvrPreviewPages.h"
#include "tests/app/BChannelDialogFixture.h"

namespace {

class PrintDataTest : public apptest::BChannelDialogFixture {
protected:
    void SetUp() override {
        StartWithChannels();
        ClockSetLocalMicros(Int64(1796981415) * 1000000); // 2026-12-11 09:30:15
        Report = fMaindb->pvrReport;
        Report->GetEngineOptions()->SetNewSilentMode(simSilent);
    }

    // Every record of a record set, its fields joined with "|".
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

    // The texts of the memos on a prepared page, band by band.
    std::vector<String> PageTexts(Integer page) {
        std::vector<String> texts;
        auto* store = dynamic_cast<TpvrPreviewPages*>(Report->GetPreviewPages());
        for (TpvrComponent* band : store->GetPage(page)->GetObjects())
            for (TpvrComponent* view : band->GetObjects())
                if (auto* memo = dynamic_cast<TpvrCustomMemoView*>(view))
                    texts.push_back(WideToString(memo->GetMemo()->GetText()));
        return texts;
    }

    TpvrReport* Report = nullptr;
};

TEST_F(PrintDataTest, TheDataModuleHoldsTheReportDefinition) {
    ASSERT_NE(Report, nullptr);
    EXPECT_EQ(fMaindb->pvrMainData->GetDataSet(), fMaindb->myMain);
    EXPECT_EQ(fMaindb->pvrDataset->GetDataSet(), fMaindb->myAdo);
    EXPECT_EQ(Report->GetDataset("pvrMainData"), fMaindb->pvrMainData);
    EXPECT_EQ(Report->GetDataset("pvrDataset"), fMaindb->pvrDataset);
    EXPECT_EQ(Report->GetPreviewOptions()->Buttons,
              (TpvrPreviewButtons{pbPrint, pbZoom, pbNavigator, pbExportQuick}));
    EXPECT_TRUE(Report->GetPrintOptions()->ShowDialog);

    auto* page = dynamic_cast<TpvrReportPage*>(Report->Pages(0));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->GetPaperSize(), 1);
    EXPECT_NEAR(double(page->GetPaperWidth()), 215.9, 1e-9);
    EXPECT_NEAR(double(page->GetPaperHeight()), 279.4, 1e-9);
    EXPECT_EQ(
        (std::vector<Extended>{page->LeftMargin, page->RightMargin, page->TopMargin, page->BottomMargin}),
        (std::vector<Extended>{10, 10, 2, 10}));
    EXPECT_EQ(page->GetFont()->GetName(), "宋体");
    EXPECT_EQ(page->GetFont()->GetHeight(), -13);

    struct Band {
        const char* Name;
        const char* Class;
        double Height;
    };
    const Band bands[] = {{"PageHeader1", "TpvrPageHeader", 139.84261},
                          {"GroupHeader1", "TpvrGroupHeader", 22.67718},
                          {"MasterData1", "TpvrMasterData", 26.45671},
                          {"PageFooter1", "TpvrPageFooter", 22.67718}};
    ASSERT_EQ(page->GetObjects().size(), std::size(bands));
    for (std::size_t i = 0; i < std::size(bands); ++i) {
        TpvrComponent* band = page->GetObjects()[i];
        EXPECT_EQ(band->GetName(), bands[i].Name);
        EXPECT_EQ(band->ClassName(), bands[i].Class);
        EXPECT_NEAR(double(band->GetHeight()), bands[i].Height, 1e-9) << bands[i].Name;
    }
    auto* group = dynamic_cast<TpvrGroupHeader*>(Report->FindObject("GroupHeader1"));
    EXPECT_EQ(group->Condition, "pvrDataset.\"TypeID\"");
    EXPECT_TRUE(group->StartNewPage);
    auto* master = dynamic_cast<TpvrMasterData*>(Report->FindObject("MasterData1"));
    EXPECT_EQ(master->GetDataSet(), fMaindb->pvrDataset);

    // Views: place, text, alignment and font (the page's font unless named).
    struct View {
        const char* Name;
        double Left, Top, Width;
        const char* Text;
        TpvrHAlign HAlign;
        TpvrVAlign VAlign;
        const char* Font;
        Integer FontHeight;
        bool Bold;
    };
    const double W = 740.409927;
    const View views[] = {
        {"mTitle", 0, 0, W, "[pvrMainData.\"Title\"]", haCenter, vaCenter, "宋体", -19, true},
        {"mDate", 506.45702, 41.57483, 113.3859, "[Date]", haRight, vaTop, "宋体", -13, false},
        {"mTime", 623.62245, 41.57483, 113.3859, "[Time]", haLeft, vaTop, "宋体", -13, false},
        {"mMainAField", 0, 68.03154, 249.44898, "[pvrMainData.\"AField\"]", haRight, vaTop, "宋体", -13,
         false},
        {"mMainAValue", 253.22851, 68.03154, 483.77984, "[pvrMainData.\"AValue\"]", haLeft, vaTop, "宋体",
         -13, true},
        {"mMainBField", 0, 86.92919, 249.44898, "[pvrMainData.\"BField\"]", haRight, vaTop, "宋体", -13,
         false},
        {"mMainBValue", 253.22851, 86.92919, 483.77984, "[pvrMainData.\"BValue\"]", haLeft, vaTop, "宋体",
         -13, true},
        {"mMainCField", 0, 105.82684, 249.44898, "[pvrMainData.\"CField\"]", haRight, vaTop, "宋体", -13,
         false},
        {"mMainCValue", 253.22851, 105.82684, 483.77984, "[pvrMainData.\"CValue\"]", haLeft, vaTop, "宋体",
         -13, true},
        {"mTypeName", 0, 0, W, "[pvrDataset.\"TypeName\"]", haLeft, vaCenter, "宋体", -13, true},
        {"mAField", 18.89765, 0, 166.29932, "[pvrDataset.\"AField\"]", haLeft, vaCenter, "宋体", -13, false},
        {"mAValue", 185.19697, 0, 170.07885, "  [pvrDataset.\"AValue\"]", haLeft, vaCenter, "宋体", -13,
         false},
        {"mBField", 355.27582, 0, 185.19697, "[pvrDataset.\"BField\"]", haLeft, vaCenter, "宋体", -13, false},
        {"mBValue", 540.47279, 0, 196.53556, "[pvrDataset.\"BValue\"]", haLeft, vaCenter, "宋体", -13, false},
        {"mPage", 0, 0, W, "[Page#]", haCenter, vaCenter, "Arial", -13, true},
    };
    for (const View& v : views) {
        SCOPED_TRACE(v.Name);
        auto* memo = dynamic_cast<TpvrMemoView*>(Report->FindObject(v.Name));
        ASSERT_NE(memo, nullptr);
        EXPECT_NEAR(double(memo->GetLeft()), v.Left, 1e-9);
        EXPECT_NEAR(double(memo->GetTop()), v.Top, 1e-9);
        EXPECT_NEAR(double(memo->GetWidth()), v.Width, 1e-9);
        EXPECT_LE(double(memo->GetLeft() + memo->GetWidth()), W + 1e-9);
        EXPECT_EQ(WideToString(memo->GetMemo()->GetText()), String(v.Text) + "\r\n");
        EXPECT_EQ(memo->HAlign, v.HAlign);
        EXPECT_EQ(memo->VAlign, v.VAlign);
        EXPECT_EQ(memo->GetFont()->GetName(), v.Font);
        EXPECT_EQ(memo->GetFont()->GetHeight(), v.FontHeight);
        EXPECT_EQ(memo->GetFont()->GetStyle().Contains(fsBold), v.Bold);
    }
    auto* date = dynamic_cast<TpvrMemoView*>(Report->FindObject("mDate"));
    EXPECT_EQ(date->GetDisplayFormat()->Kind, fkDateTime);
    EXPECT_EQ(date->GetDisplayFormat()->FormatStr, "yyyy/mm/dd");
    for (const char* name : {"Line1", "Line2"}) {
        auto* line = dynamic_cast<TpvrLineView*>(Report->FindObject(name));
        ASSERT_NE(line, nullptr) << name;
        EXPECT_NEAR(double(line->GetWidth()), W, 1e-9);
    }
    EXPECT_NEAR(double(Report->FindObject("Line1")->GetTop()), 60.47248, 1e-9);
    EXPECT_NEAR(double(Report->FindObject("Line2")->GetTop()), 136.06308, 1e-9);
}

TEST_F(PrintDataTest, ChannelRecordsAreAHeadingAndSixRecordsPerChannel) {
    Program(1, "430.12500");
    Program(3, "445.00000");
    Grid->CellAt(3, 4).ForeText.clear(); // channel 3 without TX, as a file may give it
    fChInfo->AddPrintRows();
    const String t = PromptTexts->Channel + PromptTexts->Info;
    const std::vector<String> expected = {
        "8|" + t + "||||",
        "8|" + t + "|Channel No.1|||",
        "8|" + t + "|RX Frequency|430.12500|TX Frequency|430.12500",
        "8|" + t + "|QT/DQT Dec|" + Fore(4, 2) + "|QT/DQT Enc|" + Fore(5, 2),
        "8|" + t + "|TX Power|" + Fore(6, 2) + "|W/N|" + Fore(7, 2),
        "8|" + t + "|Scan Add|" + Fore(8, 2) + "|Beat Shift|" + Fore(9, 2),
        "8|" + t + "|Busy Lockout|" + Fore(10, 2) + "||",
        "8|" + t + "|Channel No.3|||",
        "8|" + t + "|RX Frequency|445.00000|TX Frequency|",
        "8|" + t + "|QT/DQT Dec|" + Fore(4, 4) + "|QT/DQT Enc|" + Fore(5, 4),
        "8|" + t + "|TX Power|" + Fore(6, 4) + "|W/N|" + Fore(7, 4),
        "8|" + t + "|Scan Add|" + Fore(8, 4) + "|Beat Shift|" + Fore(9, 4),
        "8|" + t + "|Busy Lockout|" + Fore(10, 4) + "||",
    };
    EXPECT_EQ(Records(fMaindb->myAdo), expected);
    for (Integer col = 4; col <= 10; ++col)
        EXPECT_FALSE(Fore(col, 2).empty()) << col;

    // Without a channel only the heading.
    while (fMaindb->myAdo->GetRecordCount() > 0)
        fMaindb->myAdo->Delete();
    for (Integer row : {2, 4})
        Grid->WriteForeText(2, row, "");
    fChInfo->AddPrintRows();
    EXPECT_EQ(Records(fMaindb->myAdo), (std::vector<String>{"8|" + t + "||||"}));
}

TEST_F(PrintDataTest, SettingsAndChannelsArePreparedOnPagesOfTheirOwn) {
    Program(2, "430.12500");
    FillHeader();
    AddFunctionPrintRows();
    fChInfo->AddPrintRows();
    const std::vector<String> records = Records(fMaindb->myAdo);
    ASSERT_EQ(records.size(), 15u + 7u);
    for (std::size_t i = 0; i < records.size(); ++i)
        EXPECT_EQ(records[i].substr(0, 2), i < 15 ? "9|" : "8|") << i;

    ASSERT_TRUE(Report->PrepareReport(true)) << Report->GetErrors()->GetText();
    auto* store = dynamic_cast<TpvrPreviewPages*>(Report->GetPreviewPages());
    ASSERT_EQ(store->GetCount(), 2);
    for (Integer page = 0; page < 2; ++page) {
        std::vector<String> texts = PageTexts(page);
        for (String& text : texts)
            text = TrimRight(text);
        ASSERT_GE(texts.size(), 9u);
        const std::vector<String> header(texts.begin(), texts.begin() + 9);
        EXPECT_EQ(header, (std::vector<String>{"KOV-571", "2026/12/11", "9:30:15 AM", "Model Type:",
                                               "KOV-571U", "", "", "Frequency:", "400 - 470MHz"}))
            << page;
        EXPECT_EQ(texts.back(), IntToStr(page + 1));
    }
    const std::vector<String> channels = PageTexts(1);
    EXPECT_EQ(TrimRight(channels[9]), PromptTexts->Channel + PromptTexts->Info);
    EXPECT_EQ(TrimRight(channels[10 + 4]), "Channel No.2");
    EXPECT_EQ(TrimRight(channels[10 + 8]), "RX Frequency");
    EXPECT_EQ(TrimRight(channels[10 + 9]), "  430.12500");
}

} // namespace
