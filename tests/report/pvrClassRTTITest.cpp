// The report classes as report scripts see them: the report, its data sources, memos, variables,
// option sets, the date functions, and scripts stored in a definition driving a run.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/DB.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "report/pvrClass_Views.h"
#include "report/pvrDBSet.h"
#include "report/pvrEngine.h"
#include "report/pvrPreviewPages.h"
#include "script/kq_iinterpreter.h"
#include "tests/report/ChannelListFixture.h"
#include "tests/support/TestSupport.h"

namespace {

// The print data module with a report definition, its records in groups.
class pvrClassRTTITest : public reporttest::TChannelListFixture<> {
protected:
    // Compiles the text as the report's script and runs its main block outside a run.
    void RunScript(const String& text) {
        Report->GetScriptText()->SetText(text);
        ASSERT_TRUE(Report->SetupScript()) << Report->GetErrors()->GetText();
        Report->GetScript()->Execute();
    }
    Variant Value(const char* name) {
        TkqCustomVariable* variable = Report->GetScript()->FindLocal(name);
        EXPECT_NE(variable, nullptr) << name;
        return variable ? variable->GetValue() : Null();
    }
    TpvrComponent* Object(const char* name) { return Report->FindObject(name); }
    // The text of a named memo on a prepared page, empty when the page has none.
    String PreparedText(Integer page, const String& name) {
        for (TpvrComponent* band : Store()->GetPage(page)->GetObjects())
            for (TpvrComponent* view : band->GetObjects())
                if (view->GetName() == name)
                    if (auto* memo = dynamic_cast<TpvrCustomMemoView*>(view))
                        return Trim(WideToString(memo->GetMemo()->GetText()));
        return String();
    }
    TpvrComponent* PreparedObject(Integer page, const String& name) {
        for (TpvrComponent* band : Store()->GetPage(page)->GetObjects()) {
            if (band->GetName() == name) return band;
            for (TpvrComponent* view : band->GetObjects())
                if (view->GetName() == name) return view;
        }
        return nullptr;
    }
};

TEST_F(pvrClassRTTITest, AReportScriptReachesTheReportItsDataSourcesAndMemos) {
    Fill({2, 1}, reporttest::TChannelValues::OneLine);
    ASSERT_TRUE(LoadReport("report/ChannelList.xml"));
    RunScript(
        "var Two, Name, Kind, NumberKind, Rec, Found, Dates, Lines, ThreeLines, Joined, "
        "Other: Variant; Source: TpvrDataSet;\r\n"
        "begin\r\n"
        "  Two := Report.Calc('1+1');\r\n"
        "  Source := Report.GetDataset('pvrDataset');\r\n"
        "  Other := Report.GetDataset('NoSuchSource') = nil;\r\n"
        "  Source.Open;\r\n"
        "  Source.First;\r\n"
        "  Source.Next;\r\n"
        "  Name := Source.Value['AField'];\r\n"
        "  Kind := Source.FieldType['TypeName'];\r\n"
        "  NumberKind := Source.FieldType['TypeID'];\r\n"
        "  Rec := Source.RecordCount;\r\n"
        "  Found := Source.HasField('BValue') and not Source.HasField('Nothing');\r\n"
        "  Dates := IntToStr(DayOf(EncodeDate(2026, 3, 15))) + '.' + IntToStr(MonthOf(EncodeDate(2026, 3, "
        "15))) + '.' + IntToStr(YearOf(EncodeDate(2026, 3, 15)));\r\n"
        "  Lines := Row1.Lines.Count;\r\n"
        "  Row2.Text := 'one' + #13#10 + 'two' + #13#10 + 'three';\r\n"
        "  ThreeLines := Row2.Lines.Count;\r\n"
        "  Row3.Lines.Add('more');\r\n"
        "  Joined := Row3.Lines[0] + '|' + Row3.Lines.Strings[1];\r\n"
        "end.");
    EXPECT_EQ(Value("Two").AsInteger(), 2);
    EXPECT_EQ(VariantToObject(Value("Source")), Module->FindComponent("pvrDataset"));
    EXPECT_TRUE(Value("Other").AsBoolean());
    EXPECT_EQ(VarToStr(Value("Name")), "Channel 2");
    EXPECT_EQ(Value("Kind").AsInteger(), 1);
    EXPECT_EQ(Value("NumberKind").AsInteger(), 0);
    EXPECT_EQ(Value("Rec").AsInteger(), 3);
    EXPECT_TRUE(Value("Found").AsBoolean());
    EXPECT_EQ(VarToStr(Value("Dates")), "15.3.2026");
    EXPECT_EQ(Value("Lines").AsInteger(), 1);
    EXPECT_EQ(Value("ThreeLines").AsInteger(), 3);
    EXPECT_EQ(VarToStr(Value("Joined")), "Zone: 1|more");
}

TEST_F(pvrClassRTTITest, SettingTerminatedStopsTheRunningScript) {
    ASSERT_TRUE(LoadReport("report/ChannelList.xml"));
    RunScript("var Before, After: Integer;\r\n"
              "begin\r\n"
              "  Before := 1;\r\n"
              "  Report.Terminated := True;\r\n"
              "  After := 1;\r\n"
              "end.");
    EXPECT_EQ(Value("Before").AsInteger(), 1);
    EXPECT_NE(Value("After").AsInteger(), 1);
    EXPECT_TRUE(Report->Terminated);
}

// Constants, enumerations and sets carry the values the report's own properties use.
TEST_F(pvrClassRTTITest, ScriptNamesOfAlignmentsShapesAndPreviewButtonsAreTheObjectsValues) {
    ASSERT_TRUE(LoadReport("report/ChannelList.xml"));
    RunScript("var CharY, Transparent, HandCursor, Client, Diagonal, Tree, Bold15: Variant;\r\n"
              "begin\r\n"
              "  CharY := qo1CharY;\r\n"
              "  Transparent := clTransparent;\r\n"
              "  HandCursor := crHand;\r\n"
              "  Row1.Align := baClient;\r\n"
              "  Client := baClient;\r\n"
              "  Diagonal := skDiagonal1;\r\n"
              "  Report.PreviewOptions.Buttons := [pbTools, pbNavigator];\r\n"
              "  Row2.Restrictions := [rfDontSize, rfDontMove, rfDontDelete];\r\n"
              "  Tree := pbTree;\r\n"
              "end.");
    EXPECT_DOUBLE_EQ(Value("CharY").AsDouble(), 17.0);
    EXPECT_EQ(Value("Transparent").AsInteger(), Integer(clTransparent));
    EXPECT_EQ(Value("HandCursor").AsInteger(), 150);
    EXPECT_EQ(Value("Client").AsInteger(), Integer(baClient));
    EXPECT_EQ(dynamic_cast<TpvrView*>(Object("Row1"))->Align, baClient);
    EXPECT_EQ(Value("Diagonal").AsInteger(), Integer(skDiagonal1));
    EXPECT_EQ(Report->GetPreviewOptions()->Buttons, (TpvrPreviewButtons{pbTools, pbNavigator}));
    EXPECT_EQ(Value("Tree").AsInteger(), Integer(1 << pbOutline));
    EXPECT_EQ(Object("Row2")->Restrictions, (TpvrRestrictions{rfDontSize, rfDontMove, rfDontDelete}));
}

// A variable holding an expression: its text through Variables, its value through Calc.
TEST_F(pvrClassRTTITest, AVariableReadsAsItsTextThroughVariablesAndAsItsValueThroughCalc) {
    ASSERT_TRUE(LoadReport("report/ChannelList.xml"));
    Report->GetVariables()->SetVariables("Sum", Variant(String("2+3")));
    RunScript("var Text, Total, Changed: Variant;\r\n"
              "begin\r\n"
              "  Text := Report.Variables['Sum'];\r\n"
              "  Total := Report.Calc('Sum');\r\n"
              "  Report.Variables['Fresh'] := '7*6';\r\n"
              "  Changed := Report.Calc('Fresh');\r\n"
              "end.");
    EXPECT_EQ(VarToStr(Value("Text")), "2+3");
    EXPECT_EQ(Value("Total").AsInteger(), 5);
    EXPECT_EQ(Value("Changed").AsInteger(), 42);
    EXPECT_EQ(VarToStr(Report->GetVariables()->GetVariables("Fresh")), "7*6");
}

TEST_F(pvrClassRTTITest, ReportObjectsListTheirChildrenAndMoveBetweenParents) {
    ASSERT_TRUE(LoadReport("report/ChannelList.xml"));
    RunScript("var Children, All, Left, PageName: Variant;\r\n"
              "begin\r\n"
              "  Children := PageHeader1.Objects.Count;\r\n"
              "  All := Page1.AllObjects.Count;\r\n"
              "  Row1.Parent := PageFooter1;\r\n"
              "  Left := PageNo2.AbsLeft;\r\n"
              "  PageName := Row1.Page.Name;\r\n"
              "end.");
    EXPECT_EQ(Value("Children").AsInteger(), 8);
    EXPECT_EQ(Value("All").AsInteger(), Integer(Object("Page1")->AllObjects().size()));
    EXPECT_EQ(Object("Row1")->GetParent(), Object("PageFooter1"));
    EXPECT_DOUBLE_EQ(Value("Left").AsDouble(), double(Object("PageNo2")->AbsLeft()));
    EXPECT_EQ(VarToStr(Value("PageName")), "Page1");
}

// ---- Scripts stored in a definition, in a run ---------------------------------------------------

// The definition's main block moves Date1, Caption1's OnBeforePrint sets its text: the prepared
// pages show both, and the design keeps its own Left after the run.
TEST_F(pvrClassRTTITest, ScriptsOfADefinitionChangeThePreparedPagesButNotTheDesign) {
    Fill({1, 3}, reporttest::TChannelValues::OneLine);
    ASSERT_TRUE(LoadReport("report/ScriptedChannelList.xml"));
    ASSERT_TRUE(Report->PrepareReport()) << Report->GetErrors()->GetText();
    ASSERT_EQ(Store()->GetCount(), 2);
    for (Integer page = 0; page < 2; ++page) {
        SCOPED_TRACE(page);
        EXPECT_EQ(PreparedText(page, "Caption1"), "Scripted list");
        TpvrComponent* date = PreparedObject(page, "Date1");
        ASSERT_NE(date, nullptr);
        EXPECT_DOUBLE_EQ(double(date->GetLeft()), 300.0);
    }
    EXPECT_DOUBLE_EQ(double(Object("Date1")->GetLeft()), 0.0);
    EXPECT_EQ(Trim(WideToString(dynamic_cast<TpvrCustomMemoView*>(Object("Caption1"))->GetMemo()->GetText())),
              "Channel list");
}

// A page built by its script: as many parts as fit on each of three pages, an outline item where
// each page's parts begin.
TEST_F(pvrClassRTTITest, APageBuiltByItsStoredScriptGivesItsPagesAndOutline) {
    Fill({1}, reporttest::TChannelValues::OneLine);
    ASSERT_TRUE(LoadReport("report/ScriptedChannelList.xml"));
    dynamic_cast<TpvrReportPage*>(Object("Page1"))->OnManualBuild = "Build";
    ASSERT_TRUE(Report->PrepareReport()) << Report->GetErrors()->GetText();
    TpvrPreviewPages* store = Store();
    ASSERT_EQ(store->GetCount(), 3);
    const Extended footer = Object("PageFooter1")->GetHeight();
    Integer parts = 0;
    for (Integer page = 0; page < 3; ++page) {
        SCOPED_TRACE(page);
        std::vector<String> names;
        Extended bottom = 0;
        for (TpvrComponent* band : store->GetPage(page)->GetObjects()) {
            names.push_back(band->GetName());
            if (band->GetName() == "Part1") bottom = band->GetTop() + band->GetHeight();
        }
        // Page header, then four parts of 200 (140 + 800 of 1010 minus the footer), the footer.
        EXPECT_EQ(names,
                  (std::vector<String>{"PageHeader1", "Part1", "Part1", "Part1", "Part1", "PageFooter1"}));
        EXPECT_LE(bottom, store->GetPage(page)->GetHeight() - footer);
        EXPECT_EQ(PreparedText(page, "PartText1"), "Part of page " + IntToStr(page + 1));
        parts += 4;
    }
    EXPECT_EQ(Report->GetScript()->FindLocal("Parts")->GetValue().AsInteger(), parts);

    TpvrCustomOutline* outline = store->GetOutline();
    outline->LevelRoot();
    ASSERT_EQ(outline->GetCount(), 3);
    for (Integer i = 0; i < 3; ++i) {
        String text;
        Integer page = -1, top = -1;
        outline->GetItem(i, text, page, top);
        EXPECT_EQ(text, "Part " + IntToStr(i + 1));
        EXPECT_EQ(page, i);
        EXPECT_EQ(top, Integer(Round(Object("PageHeader1")->GetHeight())));
    }
}

} // namespace
