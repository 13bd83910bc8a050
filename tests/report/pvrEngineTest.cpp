#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "report/pvrEngine.h"
#include "report/pvrPreviewPages.h"
#include "script/kq_iinterpreter.h"
#include "script/kq_isysrtti.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

// A letter page (margins 10, 10, 2 and 10 mm) built in code; data sources answer from functions of
// the record number; the prepared pages are read back as "band top height" lines.
class pvrEngineTest : public testsupport::TFormFixture {
public:
    void SetUp() override {
        TFormFixture::SetUp();
        RegisterSysRTTI();
        Report.reset(new TpvrReport(nullptr));
        Report->GetEngineOptions()->SetNewSilentMode(simSilent);
        Report->GetEngineOptions()->ReloadAfterRun = false;
        Page = new TpvrReportPage(Report.get());
        Page->SetName("Page1");
        Page->SetPaperWidth(215.9);
        Page->SetPaperHeight(279.4);
        Page->LeftMargin = 10;
        Page->RightMargin = 10;
        Page->TopMargin = 2;
        Page->BottomMargin = 10;
    }
    void TearDown() override {
        Report.reset();
        Data.clear();
        TFormFixture::TearDown();
    }

    template <class T>
    T* Band(const char* name, Extended top, Extended height, TpvrComponent* parent = nullptr) {
        auto* band = new T(parent ? parent : Page);
        band->SetName(name);
        band->SetTop(top);
        band->SetHeight(height);
        return band;
    }
    TpvrMemoView* Memo(TpvrBand* band, const String& text, Extended top = 0, Extended height = 18.9) {
        auto* memo = new TpvrMemoView(band);
        memo->SetName("Memo" + IntToStr(++FMemos));
        memo->SetBounds(0, top, 200, height);
        memo->GetMemo()->SetText(StringToWide(text));
        return memo;
    }
    // A data source of `count` records; field values come from `value` (field, record number).
    TpvrUserDataSet* Source(const char* name, Integer count,
                            std::function<Variant(const String&, Integer)> value = nullptr) {
        auto data = std::make_unique<TpvrUserDataSet>(nullptr);
        data->SetName(name);
        data->RangeEnd = reCount;
        data->RangeEndCount = count;
        TpvrUserDataSet* raw = data.get();
        if (value) {
            Values.push_back(TValues{raw, std::move(value)});
            raw->OnGetValue = MakeEvent(&Values.back(), &TValues::Get);
        }
        Report->GetDataSets()->Add()->SetDataSet(raw);
        Data.push_back(std::move(data));
        return raw;
    }
    bool Prepare() { return Report->PrepareReport(true); }
    TpvrPreviewPages* Store() { return dynamic_cast<TpvrPreviewPages*>(Report->GetPreviewPages()); }
    Integer PageCount() { return Store()->GetCount(); }
    // Every band of a prepared page as "name top height", two decimals.
    std::vector<String> Layout(Integer index) {
        std::vector<String> lines;
        TpvrReportPage* page = Store()->GetPage(index);
        if (!page) return lines;
        for (TpvrComponent* object : page->GetObjects())
            if (object->InheritsFrom(TpvrBand::StaticClass()))
                lines.push_back(object->GetName() + " " + FormatFloat("0.00", object->GetTop()) + " " +
                                FormatFloat("0.00", object->GetHeight()));
        return lines;
    }
    std::vector<String> Names(Integer index) {
        std::vector<String> names;
        for (const String& line : Layout(index))
            names.push_back(line.substr(0, line.find(' ')));
        return names;
    }
    // The texts of the memos of a prepared page, in order.
    std::vector<String> Texts(Integer index) {
        std::vector<String> texts;
        TpvrReportPage* page = Store()->GetPage(index);
        for (TpvrComponent* object : page->AllObjects())
            if (auto* memo = dynamic_cast<TpvrCustomMemoView*>(object))
                texts.push_back(Trim(WideToString(memo->GetMemo()->GetText())));
        return texts;
    }

    // The memos of a prepared page as "text@left+top" (left and top within the band).
    std::vector<String> Cells(Integer index) {
        std::vector<String> cells;
        TpvrReportPage* page = Store()->GetPage(index);
        for (TpvrComponent* object : page->AllObjects())
            if (auto* memo = dynamic_cast<TpvrCustomMemoView*>(object))
                cells.push_back(Trim(WideToString(memo->GetMemo()->GetText())) + "@" +
                                FormatFloat("0", memo->GetLeft()) + "+" + FormatFloat("0", memo->GetTop()));
        return cells;
    }
    // A second report page printed only through a subreport on a band of the first.
    TpvrReportPage* SubreportPage(TpvrBand* band, Extended left, Extended top, bool onParent) {
        auto* page = new TpvrReportPage(Report.get());
        page->SetName("Page" + IntToStr(Report->PagesCount()));
        auto* subreport = new TpvrSubreport(band);
        subreport->SetName("Subreport" + IntToStr(Report->PagesCount()));
        subreport->SetBounds(left, top, 200, 20);
        subreport->PrintOnParent = onParent;
        subreport->SetPage(page);
        return page;
    }

    std::unique_ptr<TpvrReport> Report;
    TpvrReportPage* Page = nullptr;
    std::vector<std::unique_ptr<TpvrUserDataSet>> Data;
    struct TValues {
        TpvrUserDataSet* Source;
        std::function<Variant(const String&, Integer)> Value;
        void Get(const String& field, Variant& v) { v = Value(field, Source->RecNo); }
    };
    std::list<TValues> Values;
    Integer FMemos = 0;
};

TEST_F(pvrEngineTest, PageMetricsFollowPaperAndMarginsAndTheFooterSitsAtTheBottom) {
    Band<TpvrPageHeader>("PageHeader1", 0, 30);
    auto* data = Band<TpvrMasterData>("MasterData1", 50, 26.45671);
    data->SetRowCount(3);
    Band<TpvrPageFooter>("PageFooter1", 100, 22.67718);
    ASSERT_TRUE(Prepare());
    auto* engine = static_cast<TpvrEngine*>(Report->Engine);
    EXPECT_NEAR(double(engine->PageHeight), 279.4 * 3.77953 - 2 * 3.77953 - 10 * 3.77953, 1e-6);
    EXPECT_NEAR(double(engine->PageWidth), 740.409927, 1e-5);
    ASSERT_EQ(PageCount(), 1);
    EXPECT_EQ(Layout(0), (std::vector<String>{"PageHeader1 0.00 30.00", "MasterData1 30.00 26.46",
                                              "MasterData1 56.46 26.46", "MasterData1 82.91 26.46",
                                              "PageFooter1 987.97 22.68"}));
}

TEST_F(pvrEngineTest, RowCountLimitsADataSetOrCountsRecordsWithoutOne) {
    struct Case {
        bool withSource;
        Integer rowCount;
        size_t expected;
    };
    for (const Case& c : {Case{true, 3, 3}, Case{false, 3, 3}, Case{true, 0, 10}, Case{false, 0, 0}}) {
        SCOPED_TRACE(Format("source %d rows %d", {c.withSource ? 1 : 0, c.rowCount}));
        TearDown();
        SetUp();
        auto* data = Band<TpvrMasterData>("MasterData1", 50, 20);
        if (c.withSource) data->SetDataSet(Source("Src", 10));
        data->SetRowCount(c.rowCount);
        ASSERT_TRUE(Prepare());
        ASSERT_EQ(PageCount(), 1);
        EXPECT_EQ(Layout(0).size(), c.expected);
    }
}

TEST_F(pvrEngineTest, APageWithoutDataAndPrintIfEmptyOffGivesNoPage) {
    Report->GetEngineOptions()->PrintIfEmpty = false;
    Band<TpvrPageHeader>("PageHeader1", 0, 30);
    Band<TpvrMasterData>("MasterData1", 50, 20)->SetDataSet(Source("Src", 0));
    ASSERT_TRUE(Prepare());
    EXPECT_EQ(PageCount(), 0);
}

TEST_F(pvrEngineTest, GroupsShowHeadersWhereTheyStartAndEveryLaterGroupOnANewPage) {
    // Groups of 1, 3 and 2 records.
    const std::vector<Integer> groups = {1, 2, 2, 2, 3, 3};
    TpvrUserDataSet* src = Source("Src", Integer(groups.size()), [&](const String& field, Integer rec) {
        return SameText(field, "G") ? Variant(groups[size_t(rec)]) : Variant(rec + 1);
    });
    Band<TpvrPageHeader>("PageHeader1", 0, 30);
    auto* group = Band<TpvrGroupHeader>("GroupHeader1", 40, 20);
    group->Condition = "Src.\"G\"";
    group->StartNewPage = true;
    auto* data = Band<TpvrMasterData>("MasterData1", 70, 10);
    data->SetDataSet(src);
    Memo(data, "[Src.\"N\"]", 0, 10);
    auto* footer = Band<TpvrGroupFooter>("GroupFooter1", 90, 10);
    Memo(footer, "[SUM(<Src.\"N\">)] [COUNT()]", 0, 10);
    Band<TpvrPageFooter>("PageFooter1", 200, 22.67718);
    ASSERT_TRUE(Prepare()) << Report->GetErrors()->GetText();
    ASSERT_EQ(PageCount(), 3);
    EXPECT_EQ(Names(0), (std::vector<String>{"PageHeader1", "GroupHeader1", "MasterData1", "GroupFooter1",
                                             "PageFooter1"}));
    EXPECT_EQ(Names(1), (std::vector<String>{"PageHeader1", "GroupHeader1", "MasterData1", "MasterData1",
                                             "MasterData1", "GroupFooter1", "PageFooter1"}));
    EXPECT_EQ(Layout(1)[1], "GroupHeader1 30.00 20.00");
    EXPECT_EQ(Layout(2).back(), "PageFooter1 987.97 22.68");
    EXPECT_EQ(Texts(1), (std::vector<String>{"2", "3", "4", "9 3"}));
    EXPECT_EQ(Texts(2), (std::vector<String>{"5", "6", "11 2"}));
}

TEST_F(pvrEngineTest, TwoGroupHeadersFormOneRunWithInnerAndOuterChanges) {
    // (outer, inner) per record.
    const std::vector<std::pair<Integer, Integer>> keys = {{1, 1}, {1, 1}, {1, 2}, {2, 2}};
    TpvrUserDataSet* src = Source("Src", 4, [&](const String& field, Integer rec) {
        return Variant(SameText(field, "A") ? keys[size_t(rec)].first : keys[size_t(rec)].second);
    });
    Band<TpvrGroupHeader>("Outer", 10, 10)->Condition = "Src.\"A\"";
    Band<TpvrGroupHeader>("Inner", 20, 10)->Condition = "Src.\"B\"";
    Band<TpvrMasterData>("MasterData1", 30, 10)->SetDataSet(src);
    Band<TpvrGroupFooter>("InnerFooter", 40, 10);
    Band<TpvrGroupFooter>("OuterFooter", 50, 10);
    ASSERT_TRUE(Prepare()) << Report->GetErrors()->GetText();
    EXPECT_EQ(Names(0), (std::vector<String>{"Outer", "Inner", "MasterData1", "MasterData1", "InnerFooter",
                                             "Inner", "MasterData1", "InnerFooter", "OuterFooter", "Outer",
                                             "Inner", "MasterData1", "InnerFooter", "OuterFooter"}));
}

TEST_F(pvrEngineTest, ARecordThatDoesNotFitMovesToTheNextPageUnderTheReprintedHeader) {
    Band<TpvrReportTitle>("ReportTitle1", 0, 40);
    Band<TpvrPageHeader>("PageHeader1", 50, 30);
    auto* data = Band<TpvrMasterData>("MasterData1", 100, 100);
    data->SetRowCount(11);
    Band<TpvrPageFooter>("PageFooter1", 300, 22.67718);
    ASSERT_TRUE(Prepare());
    ASSERT_EQ(PageCount(), 2);
    // 1010.65 - 22.68 - 70 leaves room for 9 records on the first page.
    std::vector<String> first = Names(0);
    EXPECT_EQ(std::count(first.begin(), first.end(), "MasterData1"), 9);
    EXPECT_EQ(first.front(), "ReportTitle1");
    EXPECT_EQ(Layout(1), (std::vector<String>{"PageHeader1 0.00 30.00", "MasterData1 30.00 100.00",
                                              "MasterData1 130.00 100.00", "PageFooter1 987.97 22.68"}));
}

TEST_F(pvrEngineTest, StartNewPageOnAPlainBandBreaksEveryTimeAlsoTheFirst) {
    Band<TpvrPageHeader>("PageHeader1", 0, 30);
    auto* header = Band<TpvrHeader>("Header1", 40, 20);
    header->StartNewPage = true;
    Band<TpvrMasterData>("MasterData1", 70, 10)->SetRowCount(2);
    ASSERT_TRUE(Prepare());
    ASSERT_EQ(PageCount(), 2);
    EXPECT_EQ(Names(0), (std::vector<String>{"PageHeader1"}));
    EXPECT_EQ(Names(1), (std::vector<String>{"PageHeader1", "Header1", "MasterData1", "MasterData1"}));
}

TEST_F(pvrEngineTest, DoublePassKnowsTheTotalAndKeepsOnlyTheSecondPass) {
    Report->GetEngineOptions()->DoublePass = true;
    auto* data = Band<TpvrMasterData>("MasterData1", 10, 300);
    data->SetRowCount(7);
    Memo(Band<TpvrPageFooter>("PageFooter1", 400, 20), "[Page] of [TotalPages]", 0, 20);
    ASSERT_TRUE(Prepare());
    ASSERT_EQ(PageCount(), 3);
    EXPECT_EQ(Report->Engine->TotalPages, 3);
    EXPECT_EQ(Texts(0), (std::vector<String>{"1 of 3"}));
    EXPECT_EQ(Texts(2), (std::vector<String>{"3 of 3"}));
}

TEST_F(pvrEngineTest, AReportDataSetRunsThePageOncePerRecordInOneStore) {
    Report->SetDataSet(Source("Rep", 3));
    auto* data = Band<TpvrMasterData>("MasterData1", 10, 20);
    data->SetRowCount(1);
    Memo(data, "[Page]/[Page#]", 0, 20);
    ASSERT_TRUE(Prepare());
    ASSERT_EQ(PageCount(), 3);
    EXPECT_EQ(Texts(2), (std::vector<String>{"3/3"}));
}

TEST_F(pvrEngineTest, PageCountsFromThisRunWhilePageSharpCountsTheStore) {
    auto* data = Band<TpvrMasterData>("MasterData1", 10, 20);
    data->SetRowCount(1);
    Memo(data, "[Page]/[Page#]", 0, 20);
    ASSERT_TRUE(Report->PrepareReport(true));
    ASSERT_TRUE(Report->PrepareReport(false));
    ASSERT_EQ(PageCount(), 2);
    EXPECT_EQ(Texts(0), (std::vector<String>{"1/1"}));
    EXPECT_EQ(Texts(1), (std::vector<String>{"1/2"}));
}

TEST_F(pvrEngineTest, AGrowingMemoShiftsTheViewsBelowByTheirShiftMode) {
    struct Case {
        TpvrShiftMode mode;
        Extended designTop;
        Extended expectedTop;
    };
    // The memo grows from 10 to four lines; one view sits right below it, one overlaps its new
    // bottom only when it would be overlapped.
    for (const Case& c : {Case{smAlways, 12, -1}, Case{smWhenOverlapped, 12, -2}, Case{smDontShift, 12, 12},
                          Case{smWhenOverlapped, 200, 200}}) {
        SCOPED_TRACE(Integer(c.mode));
        TearDown();
        SetUp();
        auto* data = Band<TpvrMasterData>("MasterData1", 10, 300);
        data->SetRowCount(1);
        TpvrMemoView* grow = Memo(data, "1\n2\n3\n4", 0, 10);
        grow->StretchMode = smActualHeight;
        const Extended grown = grow->CalcHeight();
        TpvrMemoView* below = Memo(data, "x", c.designTop, 5);
        below->ShiftMode = c.mode;
        ASSERT_TRUE(Prepare());
        TpvrReportPage* page = Store()->GetPage(0);
        const Extended top = page->FindObject(below->GetName())->GetTop();
        const Extended expected = c.expectedTop == -1   ? c.designTop + grown - 10
                                  : c.expectedTop == -2 ? grown
                                                        : c.expectedTop;
        EXPECT_NEAR(double(top), double(expected), 1e-6);
        EXPECT_NEAR(double(page->FindObject(grow->GetName())->GetHeight()), double(grown), 1e-6);
        // The design object is back to its size after the run.
        EXPECT_NEAR(double(grow->GetHeight()), 10.0, 1e-9);
    }
}

TEST_F(pvrEngineTest, ABandTallerThanAPageRunsPastTheBottomOfAFreshPage) {
    Band<TpvrPageHeader>("PageHeader1", 0, 30);
    Band<TpvrMasterData>("Small", 40, 20)->SetRowCount(1);
    Band<TpvrDetailData>("Huge", 70, 1500)->SetRowCount(2);
    ASSERT_TRUE(Prepare());
    ASSERT_EQ(PageCount(), 3);
    EXPECT_EQ(Layout(0), (std::vector<String>{"PageHeader1 0.00 30.00", "Small 30.00 20.00"}));
    EXPECT_EQ(Layout(1), (std::vector<String>{"PageHeader1 0.00 30.00", "Huge 30.00 1500.00"}));
    EXPECT_EQ(Layout(2), (std::vector<String>{"PageHeader1 0.00 30.00", "Huge 30.00 1500.00"}));
}

TEST_F(pvrEngineTest, ASplitMemoContinuesOnTheNextPageAndMovesWholeWhenNoLineFits) {
    std::vector<String> lines;
    for (int i = 1; i <= 80; ++i)
        lines.push_back("line " + IntToStr(i));
    String text;
    for (const String& line : lines)
        text += line + "\n";
    auto* data = Band<TpvrMasterData>("MasterData1", 10, 20);
    data->SetRowCount(1);
    data->AllowSplit = true;
    data->Stretched = true;
    TpvrMemoView* memo = Memo(data, text, 0, 20);
    memo->StretchMode = smActualHeight;
    auto* before = Band<TpvrHeader>("Header1", 5, 1000);
    (void)before;
    ASSERT_TRUE(Prepare()) << Report->GetErrors()->GetText();
    ASSERT_GE(PageCount(), 2);
    // The header leaves about 10 units: not one line, so the memo starts on the next page.
    EXPECT_TRUE(Texts(0).empty());
    std::vector<String> printed;
    for (Integer i = 1; i < PageCount(); ++i)
        for (const String& t : Texts(i))
            for (std::size_t from = 0; from < t.size();) {
                const std::size_t end = std::min(t.find('\n', from), t.size());
                const String line = Trim(t.substr(from, end - from));
                if (!line.empty()) printed.push_back(line);
                from = end + 1;
            }
    EXPECT_EQ(printed, lines) << printed.size() << " " << PageCount() << " " << printed.back();
}

TEST_F(pvrEngineTest, KeepTogetherCarriesARecordAndItsDetailsWithTheirOutlineItems) {
    Band<TpvrPageHeader>("PageHeader1", 0, 30);
    auto* master = Band<TpvrMasterData>("MasterData1", 40, 200);
    master->SetRowCount(5);
    master->KeepTogether = true;
    master->OutlineText = "'Master ' + IntToStr(<Line>)";
    master->OutlineText = "Line";
    auto* detail = Band<TpvrDetailData>("DetailData1", 60, 50);
    detail->SetRowCount(2);
    ASSERT_TRUE(Prepare()) << Report->GetErrors()->GetText();
    // 300 per record with its details: three fit below the header (30 + 900 < 1010.65), the
    // fourth is carried whole to the next page.
    ASSERT_EQ(PageCount(), 2);
    EXPECT_EQ(Layout(1), (std::vector<String>{"PageHeader1 0.00 30.00", "MasterData1 30.00 200.00",
                                              "DetailData1 230.00 50.00", "DetailData1 280.00 50.00",
                                              "MasterData1 330.00 200.00", "DetailData1 530.00 50.00",
                                              "DetailData1 580.00 50.00"}));
    TpvrCustomOutline* outline = Store()->GetOutline();
    outline->LevelRoot();
    ASSERT_EQ(outline->GetCount(), 5);
    String text;
    Integer page = -1, top = -1;
    outline->GetItem(3, text, page, top);
    EXPECT_EQ(text, "4");
    EXPECT_EQ(page, 1);
    EXPECT_EQ(top, 30);
}

TEST_F(pvrEngineTest, DataBandColumnsFillSideBySideAndThenDown) {
    auto* data = Band<TpvrMasterData>("MasterData1", 10, 20);
    data->SetRowCount(5);
    data->Columns = 2;
    data->ColumnWidth = 300;
    ASSERT_TRUE(Prepare());
    std::vector<String> places;
    TpvrReportPage* page = Store()->GetPage(0);
    for (TpvrComponent* band : page->GetObjects())
        places.push_back(FormatFloat("0", band->GetLeft()) + "," + FormatFloat("0", band->GetTop()));
    EXPECT_EQ(places, (std::vector<String>{"0,0", "300,0", "0,20", "300,20", "0,40"}));
}

TEST_F(pvrEngineTest, APageFooterWithoutPrintOnLastPageIsLeftOffOnlyAtTheEnd) {
    Band<TpvrMasterData>("MasterData1", 10, 400)->SetRowCount(3);
    Band<TpvrPageFooter>("PageFooter1", 500, 20)->PrintOnLastPage = false;
    ASSERT_TRUE(Prepare());
    ASSERT_EQ(PageCount(), 2);
    EXPECT_EQ(Names(0).back(), "PageFooter1");
    EXPECT_EQ(Names(1), (std::vector<String>{"MasterData1"}));
}

TEST_F(pvrEngineTest, LayoutErrorsStopTheRunBeforeAnyPage) {
    Band<TpvrGroupHeader>("GroupHeader1", 10, 20);
    Band<TpvrFooter>("Footer1", 40, 20);
    EXPECT_FALSE(Prepare());
    EXPECT_EQ(PageCount(), 0);
    EXPECT_EQ(Report->GetErrors()->GetCount(), 2);
}

// A cross table: rows from a horizontal data band, columns from a vertical one; the columns that do
// not fit beside the row titles go to a second page, where the reprinted titles come first.
TEST_F(pvrEngineTest, ACrossBandPlacesItsCellsSideBySideAndGivesEachSegmentAPage) {
    TpvrUserDataSet* rows = Source("Rows", 3, [](const String&, Integer rec) { return Variant(rec + 1); });
    TpvrUserDataSet* cols = Source("Cols", 6, [](const String&, Integer rec) { return Variant(rec + 1); });
    Band<TpvrPageHeader>("PageHeader1", 0, 30);
    auto* data = Band<TpvrMasterData>("MasterData1", 40, 20);
    data->SetDataSet(rows);
    TpvrMemoView* title = Memo(data, "R[Rows.\"N\"]");
    title->SetBounds(0, 0, 100, 20);
    Memo(data, "[Rows.\"N\"]-[Cols.\"N\"]")->SetBounds(100, 0, 150, 20);
    auto* titles = Band<TpvrHeader>("RowTitles", 0, 0);
    titles->Vertical = true;
    titles->SetWidth(100);
    titles->ReprintOnNewPage = true;
    auto* columns = Band<TpvrMasterData>("Columns", 0, 0);
    columns->Vertical = true;
    columns->SetLeft(100);
    columns->SetWidth(150);
    columns->SetDataSet(cols);
    Band<TpvrPageFooter>("PageFooter1", 200, 22.67718);
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);

        ASSERT_TRUE(Prepare()) << Report->GetErrors()->GetText();
        ASSERT_EQ(PageCount(), 2);
        // Each page is ended when the first row's segment is on it, so its footer comes second.
        for (Integer page = 0; page < 2; ++page)
            EXPECT_EQ(Layout(page),
                      (std::vector<String>{"PageHeader1 0.00 30.00", "MasterData1 30.00 20.00",
                                           "PageFooter1 987.97 22.68", "MasterData1 50.00 20.00",
                                           "MasterData1 70.00 20.00"}));
        const std::vector<String> first = Cells(0);
        ASSERT_EQ(first.size(), 15u);
        EXPECT_EQ(std::vector<String>(first.begin(), first.begin() + 5),
                  (std::vector<String>{"R1@0+0", "1-1@100+0", "1-2@250+0", "1-3@400+0", "1-4@550+0"}));
        EXPECT_EQ(first[10], "R3@0+0");
        EXPECT_EQ(Cells(1), (std::vector<String>{"R1@0+0", "1-5@100+0", "1-6@250+0", "R2@0+0", "2-5@100+0",
                                                 "2-6@250+0", "R3@0+0", "3-5@100+0", "3-6@250+0"}));
        // The cells are back on their band after the run, so a second run prints the same.
        EXPECT_EQ(title->GetParent(), data);
        EXPECT_EQ(title->CrossBand, nullptr);
        EXPECT_EQ(data->ObjectCount(), 2);
        EXPECT_DOUBLE_EQ(double(data->GetObjects()[1]->GetLeft()), 100.0);
        EXPECT_DOUBLE_EQ(double(columns->GetLeft()), 100.0);
    }
    // Both pages drawn for looking at: titles, then four and two columns of cells.
    for (Integer index = 0; index < 2; ++index) {
        const TPoint size = Store()->GetPageSize(index);
        TBitmap bitmap;
        bitmap.SetPixelFormat(pf32bit);
        bitmap.SetWidth(size.x);
        bitmap.SetHeight(size.y);
        bitmap.GetCanvas()->GetBrush()->SetColor(clWhite);
        bitmap.GetCanvas()->FillRect(TRect{0, 0, size.x, size.y});
        Store()->DrawPage(index, bitmap.GetCanvas(), 1, 1, 0, 0);
        std::vector<std::uint32_t> pixels(size_t(size.x) * size_t(size.y));
        Integer rightmostInk = 0;
        for (Integer y = 0; y < size.y; ++y) {
            const auto* row = static_cast<const std::uint32_t*>(bitmap.GetScanLine(y));
            for (Integer x = 0; x < size.x; ++x) {
                pixels[size_t(y) * size_t(size.x) + size_t(x)] = row[x] & 0xFFFFFF;
                if ((row[x] & 0xFFFFFF) != 0xFFFFFF && y < 300) rightmostInk = std::max(rightmostInk, x);
            }
        }
        testsupport::WritePng(
            testsupport::ArtifactPath("report-cross-table-page" + std::to_string(index + 1) + ".png"), size.x,
            size.y, pixels);
        // The left margin is 10 mm; the last cell starts at 550 on the first page, at 250 on the second.
        EXPECT_GT(rightmostInk, index == 0 ? 37 + 550 : 37 + 250) << index;
        EXPECT_LT(rightmostInk, index == 0 ? 37 + 700 : 37 + 400) << index;
    }
}

// A subreport printed on its own runs its page's data bands below the band that holds it, at the
// subreport's place, and the report goes on below the furthest band it printed.
TEST_F(pvrEngineTest, ASubreportPrintsItsPageAtItsPlaceAndTheRunContinuesBelowIt) {
    auto* data = Band<TpvrMasterData>("MasterData1", 10, 30);
    data->SetRowCount(2);
    TpvrReportPage* page = SubreportPage(data, 50, 5, false);
    auto* detail = Band<TpvrMasterData>("SubData", 10, 20, page);
    detail->SetRowCount(3);
    Memo(detail, "[Line]", 0, 20);
    ASSERT_TRUE(Prepare()) << Report->GetErrors()->GetText();
    ASSERT_EQ(PageCount(), 1);
    EXPECT_EQ(Layout(0),
              (std::vector<String>{"MasterData1 0.00 30.00", "SubData 5.00 20.00", "SubData 25.00 20.00",
                                   "SubData 45.00 20.00", "MasterData1 65.00 30.00", "SubData 70.00 20.00",
                                   "SubData 90.00 20.00", "SubData 110.00 20.00"}));
    TpvrReportPage* prepared = Store()->GetPage(0);
    EXPECT_DOUBLE_EQ(double(prepared->GetObjects()[1]->GetLeft()), 50.0);
    EXPECT_DOUBLE_EQ(double(prepared->GetObjects()[4]->GetLeft()), 0.0);
}

// A subreport running over the page bottom goes on on a new page under the reprinted page header,
// and the next record follows it there.
TEST_F(pvrEngineTest, ASubreportOverThePageBottomCarriesTheRunToTheNextPage) {
    Band<TpvrPageHeader>("PageHeader1", 0, 30);
    auto* data = Band<TpvrMasterData>("MasterData1", 40, 30);
    data->SetRowCount(2);
    TpvrReportPage* page = SubreportPage(data, 50, 30, false);
    Band<TpvrMasterData>("SubData", 10, 100, page)->SetRowCount(12);
    ASSERT_TRUE(Prepare()) << Report->GetErrors()->GetText();
    ASSERT_EQ(PageCount(), 3);
    std::vector<String> first = Names(0);
    EXPECT_EQ(std::count(first.begin(), first.end(), "SubData"), 9); // 60 + 9 * 100 <= 1010.65
    EXPECT_EQ(Layout(1), (std::vector<String>{
                             "PageHeader1 0.00 30.00", "SubData 30.00 100.00", "SubData 130.00 100.00",
                             "SubData 230.00 100.00", "MasterData1 330.00 30.00", "SubData 360.00 100.00",
                             "SubData 460.00 100.00", "SubData 560.00 100.00", "SubData 660.00 100.00",
                             "SubData 760.00 100.00", "SubData 860.00 100.00"}));
    EXPECT_EQ(Layout(2),
              (std::vector<String>{"PageHeader1 0.00 30.00", "SubData 30.00 100.00", "SubData 130.00 100.00",
                                   "SubData 230.00 100.00", "SubData 330.00 100.00", "SubData 430.00 100.00",
                                   "SubData 530.00 100.00"}));
}

// Printed on its parent, the subreport's bands become views of the band that holds it, which
// stretches over them.
TEST_F(pvrEngineTest, ASubreportOnItsParentPutsItsViewsIntoTheBand) {
    auto* data = Band<TpvrMasterData>("MasterData1", 10, 30);
    data->SetRowCount(1);
    data->Stretched = true;
    TpvrReportPage* page = SubreportPage(data, 50, 5, true);
    auto* detail = Band<TpvrMasterData>("SubData", 10, 20, page);
    detail->SetRowCount(3);
    Memo(detail, "[Line]", 0, 20)->SetBounds(10, 0, 100, 20);
    ASSERT_TRUE(Prepare()) << Report->GetErrors()->GetText();
    EXPECT_EQ(Layout(0), (std::vector<String>{"MasterData1 0.00 65.00"}));
    EXPECT_EQ(Cells(0), (std::vector<String>{"1@60+5", "2@60+25", "3@60+45"}));
    EXPECT_EQ(data->ObjectCount(), 1);
}

// A page built by its script: the engine's members and the outline reached from the script.
TEST_F(pvrEngineTest, APageScriptBuildsPagesThroughTheEngineAndTheOutline) {
    Band<TpvrChild>("Part1", 10, 20);
    Page->OnManualBuild = "Build";
    Report->GetScriptText()->SetText(
        "var Heights: Extended; TwoPasses: Boolean;\r\n"
        "procedure Build(Sender: TObject);\r\n"
        "var i: Integer;\r\n"
        "begin\r\n"
        "  TwoPasses := Engine.DoublePass;\r\n"
        "  for i := 1 to 3 do\r\n"
        "  begin\r\n"
        "    Outline.LevelRoot;\r\n"
        "    Engine.ShowBand(Part1);\r\n"
        "    Outline.AddItem('Part ' + IntToStr(i));\r\n"
        "    Heights := Heights + Engine.CurY;\r\n"
        "    if Engine.FreeSpace < Engine.PageHeight - 20 + 0.01 then Engine.NewPage;\r\n"
        "  end;\r\n"
        "end;\r\n"
        "begin end.");
    Report->GetEngineOptions()->DoublePass = true;
    ASSERT_TRUE(Prepare()) << Report->GetErrors()->GetText();
    ASSERT_EQ(PageCount(), 4); // the last NewPage leaves an empty page
    EXPECT_EQ(Names(2), (std::vector<String>{"Part1"}));
    TkqScript* script = Report->GetScript();
    EXPECT_DOUBLE_EQ(script->FindLocal("Heights")->GetValue().AsDouble(), 2 * 60.0); // both passes
    EXPECT_TRUE(script->FindLocal("TwoPasses")->GetValue().AsBoolean());
    TpvrCustomOutline* outline = Store()->GetOutline();
    outline->LevelRoot();
    ASSERT_EQ(outline->GetCount(), 3);
    for (Integer i = 0; i < 3; ++i) {
        String text;
        Integer page = -1;
        Integer top = -1;
        outline->GetItem(i, text, page, top);
        EXPECT_EQ(text, "Part " + IntToStr(i + 1));
        EXPECT_EQ(page, i);
        EXPECT_EQ(top, 20);
    }
}

// [Line] counts the records of a band since its group began, [Line#] through the band's whole run.
TEST_F(pvrEngineTest, LineRestartsWithEachGroupWhileLineSharpRunsOn) {
    const std::vector<Integer> groups = {1, 1, 2, 2, 2};
    TpvrUserDataSet* src =
        Source("Src", 5, [&](const String&, Integer rec) { return Variant(groups[size_t(rec)]); });
    Band<TpvrGroupHeader>("GroupHeader1", 10, 10)->Condition = "Src.\"G\"";
    auto* data = Band<TpvrMasterData>("MasterData1", 30, 10);
    data->SetDataSet(src);
    Memo(data, "[Line]/[Line#]", 0, 10);
    ASSERT_TRUE(Prepare()) << Report->GetErrors()->GetText();
    EXPECT_EQ(Texts(0), (std::vector<String>{"1/1", "2/2", "1/3", "2/4", "3/5"}));
}

// The other aggregates through a run: a group footer sees its group's records only.
TEST_F(pvrEngineTest, GroupFootersAverageAndFindTheLeastAndGreatestOfTheirGroup) {
    const std::vector<Integer> groups = {1, 1, 2, 2, 2};
    const std::vector<Integer> values = {1, 3, 4, 5, 9};
    TpvrUserDataSet* src = Source("Src", 5, [&](const String& field, Integer rec) {
        return Variant(SameText(field, "G") ? groups[size_t(rec)] : values[size_t(rec)]);
    });
    Band<TpvrGroupHeader>("GroupHeader1", 10, 10)->Condition = "Src.\"G\"";
    Band<TpvrMasterData>("MasterData1", 30, 10)->SetDataSet(src);
    Memo(Band<TpvrGroupFooter>("GroupFooter1", 50, 10),
         "[AVG(<Src.\"V\">)] [MIN(<Src.\"V\">)] [MAX(<Src.\"V\">)]", 0, 10);
    ASSERT_TRUE(Prepare()) << Report->GetErrors()->GetText();
    EXPECT_EQ(Texts(0), (std::vector<String>{"2 1 3", "6 4 9"}));
}

// A record kept together with its details moves to the next page, and the page footer's totals
// count it there, not on the page it left.
TEST_F(pvrEngineTest, PageFooterTotalsCountAKeptRecordOnThePageItMovedTo) {
    TpvrUserDataSet* src = Source("Src", 3, [](const String&, Integer rec) { return Variant(rec + 1); });
    auto* master = Band<TpvrMasterData>("MasterData1", 10, 100);
    master->SetDataSet(src);
    master->KeepTogether = true;
    Band<TpvrDetailData>("DetailData1", 120, 200)->SetRowCount(2);
    Memo(Band<TpvrPageFooter>("PageFooter1", 400, 20), "[COUNT()] [SUM(<Src.\"N\">)]", 0, 20);
    ASSERT_TRUE(Prepare()) << Report->GetErrors()->GetText();
    ASSERT_EQ(PageCount(), 3);
    for (Integer page = 0; page < 3; ++page) {
        SCOPED_TRACE(page);
        EXPECT_EQ(Names(page),
                  (std::vector<String>{"MasterData1", "DetailData1", "DetailData1", "PageFooter1"}));
        EXPECT_EQ(Texts(page), (std::vector<String>{"1 " + IntToStr(page + 1)}));
    }
}

TEST_F(pvrEngineTest, ATitleTallerThanThePageIsSplitOrCarriedAndEveryRecordFollows) {
    String text;
    std::vector<String> words;
    for (int i = 1; i <= 900; ++i) {
        words.push_back("w" + IntToStr(i));
        text += words.back() + " ";
    }
    std::vector<String> records;
    for (int i = 1; i <= 30; ++i)
        records.push_back("r" + IntToStr(i));
    for (int run = 0; run < 4; ++run) {
        const bool split = run < 2;
        const bool titleFirst = run % 2 == 0;
        SCOPED_TRACE(String(split ? "split" : "not split") + (titleFirst ? ", title first" : ""));
        TearDown();
        SetUp();
        Page->TitleBeforeHeader = titleFirst;
        Band<TpvrPageHeader>("PageHeader1", 0, 30);
        auto* title = Band<TpvrReportTitle>("ReportTitle1", 40, 20);
        title->AllowSplit = split;
        title->Stretched = true;
        Memo(title, text, 0, 20)->StretchMode = smActualHeight;
        auto* data = Band<TpvrMasterData>("MasterData1", 80, 20);
        data->SetRowCount(30);
        Memo(data, "r[Line]");
        Band<TpvrPageFooter>("PageFooter1", 200, 30);
        ASSERT_TRUE(Prepare()) << Report->GetErrors()->GetText();
        std::vector<String> printed;
        const Extended bottom = Report->Engine->PageHeight;
        for (Integer i = 0; i < PageCount(); ++i) {
            for (const String& t : Texts(i)) {
                String word;
                for (char c : t + " ")
                    if (c == ' ' || c == '\n' || c == '\r') {
                        if (!word.empty()) printed.push_back(word);
                        word.clear();
                    } else {
                        word += c;
                    }
            }
            for (TpvrComponent* object : Store()->GetPage(i)->GetObjects()) {
                if (!object->InheritsFrom(TpvrBand::StaticClass())) continue;
                // Only a title that does not split may run past the bottom of its own page.
                if (!split && object->GetName() == "ReportTitle1") continue;
                EXPECT_LE(object->GetTop() + object->GetHeight(), bottom + 0.01)
                    << i << " " << object->GetName();
            }
        }
        std::vector<String> expected = split ? words : std::vector<String>{};
        expected.insert(expected.end(), records.begin(), records.end());
        if (!split) {
            // The title that is not split is one memo, clipped at the paper's edge: its words
            // are not counted, only that it stands before the records, once.
            std::erase_if(printed, [](const String& w) { return w[0] == 'w'; });
        }
        EXPECT_EQ(printed, expected) << printed.size();
        // The page header once on every page (below the title on its first page when the title
        // comes first: a title filling that page leaves it there without one).
        EXPECT_GE(PageCount(), split ? 4 : 2);
        for (Integer i = 0; i < PageCount(); ++i) {
            const std::vector<String> names = Names(i);
            const auto headers = std::count(names.begin(), names.end(), "PageHeader1");
            EXPECT_EQ(headers, i == 0 && titleFirst ? 0 : 1) << i;
            EXPECT_EQ(std::count(names.begin(), names.end(), "PageFooter1"), 1) << i;
        }
    }
}

TEST_F(pvrEngineTest, ANegativeBandHeightIsALoadErrorAndTakenAsZero) {
    auto* data = Band<TpvrMasterData>("MasterData1", 40, 21.5);
    data->SetRowCount(30);
    Memo(data, "r[Line]");
    TStringStream saved("");
    Report->SaveToStream(&saved, true);
    String text = saved.GetDataString();
    const std::size_t at = text.find("Height=\"21.5\"");
    ASSERT_NE(at, String::npos) << text;
    text.replace(at, 13, "Height=\"-600\"");
    TStringStream in(text);
    Report->LoadFromStream(&in);
    ASSERT_EQ(Report->GetErrors()->GetCount(), 1) << Report->GetErrors()->GetText();
    EXPECT_EQ(Report->GetErrors()->GetStrings(0), "'-600' is not a valid band height");
    data = dynamic_cast<TpvrMasterData*>(Report->FindObject("MasterData1"));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->GetHeight(), 0);

    ASSERT_TRUE(Prepare()) << Report->GetErrors()->GetText();
    std::vector<String> printed, expected;
    for (Integer i = 0; i < PageCount(); ++i) {
        for (const String& t : Texts(i))
            printed.push_back(t);
        for (TpvrComponent* object : Store()->GetPage(i)->GetObjects())
            EXPECT_GE(object->GetTop(), 0) << object->GetName();
    }
    for (int i = 1; i <= 30; ++i)
        expected.push_back("r" + IntToStr(i));
    EXPECT_EQ(printed, expected);
}

// Memos whose FlowTo lead back into their own chain: the ring is cut where it closes (the link
// into the first of its memos to get its data), with an error; each line is shown once, in order.
TEST_F(pvrEngineTest, ATextFlowRingIsCutWhereItClosesAndNoTextIsLost) {
    std::vector<String> lines;
    String text;
    for (int i = 1; i <= 40; ++i) {
        lines.push_back("line " + IntToStr(i));
        text += lines.back() + "\n";
    }
    struct Case {
        const char* name;
        std::vector<const char*> order; // the memos in band order; the first holds the text
        std::vector<std::pair<const char*, const char*>> flows;
        std::vector<const char*> flowOrder; // the order their texts read
        const char* cut; // the memo whose flow is cut and the one it pointed to
    };
    const std::vector<Case> cases = {
        {"itself", {"A"}, {{"A", "A"}}, {"A"}, "A: the text flows back to A"},
        {"two", {"A", "B"}, {{"A", "B"}, {"B", "A"}}, {"A", "B"}, "B: the text flows back to A"},
        {"three in flow order", {"A", "B", "C"}, {{"A", "B"}, {"B", "C"}, {"C", "A"}}, {"A", "B", "C"},
         "C: the text flows back to A"},
        {"three against it", {"A", "C", "B"}, {{"A", "B"}, {"B", "C"}, {"C", "A"}}, {"A", "B", "C"},
         "C: the text flows back to A"},
        {"a chain into a ring", {"X", "A", "B"}, {{"X", "A"}, {"A", "B"}, {"B", "A"}}, {"X", "A", "B"},
         "B: the text flows back to A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        auto* data = Band<TpvrMasterData>("MasterData1", 40, 300);
        data->SetRowCount(2);
        std::map<String, TpvrMemoView*> memos;
        Extended top = 0;
        for (const char* name : c.order) {
            TpvrMemoView* memo = Memo(data, memos.empty() ? text : String(), top, 60);
            memo->SetName(name);
            memos[name] = memo;
            top += 70;
        }
        for (const auto& [from, to] : c.flows)
            memos[from]->SetFlowTo(memos[to]);
        Prepare();
        ASSERT_EQ(Report->GetErrors()->GetCount(), 1) << Report->GetErrors()->GetText();
        EXPECT_EQ(Report->GetErrors()->GetStrings(0), c.cut);
        ASSERT_EQ(PageCount(), 1);
        // Both records show the whole text once, in order.
        std::map<String, std::vector<String>> shown;
        for (TpvrComponent* object : Store()->GetPage(0)->AllObjects())
            if (auto* memo = dynamic_cast<TpvrCustomMemoView*>(object))
                shown[memo->GetName()].push_back(WideToString(memo->GetMemo()->GetText()));
        for (std::size_t record = 0; record < 2; ++record) {
            std::vector<String> printed;
            for (const char* name : c.flowOrder) {
                ASSERT_EQ(shown[name].size(), 2u) << name;
                const String& t = shown[name][record];
                for (std::size_t from = 0; from < t.size();) {
                    const std::size_t end = std::min(t.find_first_of("\r\n", from), t.size());
                    if (end > from) printed.push_back(t.substr(from, end - from));
                    from = end + 1;
                }
            }
            EXPECT_EQ(printed, lines) << record;
        }
    }
}

// Definitions that are well formed but hostile end with pages or errors, never hang or crash.
TEST_F(pvrEngineTest, HostileDefinitionsEndWithPagesOrErrors) {
    struct Case {
        const char* name;
        std::function<void(pvrEngineTest&)> build;
        bool prepared;
    };
    const std::vector<Case> cases = {
        {"child cycle",
         [](pvrEngineTest& t) {
             auto* data = t.Band<TpvrMasterData>("MasterData1", 10, 20);
             data->SetRowCount(2);
             auto* a = t.Band<TpvrChild>("Child1", 40, 20);
             auto* b = t.Band<TpvrChild>("Child2", 70, 20);
             data->SetChild(a);
             a->SetChild(b);
             b->SetChild(a);
         },
         true},
        {"page header taller than the page",
         [](pvrEngineTest& t) {
             t.Band<TpvrPageHeader>("PageHeader1", 0, 5000);
             t.Band<TpvrMasterData>("MasterData1", 10, 20)->SetRowCount(3);
         },
         true},
        {"page header taller than the page that may split",
         [](pvrEngineTest& t) {
             t.Band<TpvrPageHeader>("PageHeader1", 0, 5000)->AllowSplit = true;
             t.Band<TpvrMasterData>("MasterData1", 10, 20)->SetRowCount(3);
         },
         true},
        {"reprinted headers taller than the page, split and not",
         [](pvrEngineTest& t) {
             t.Band<TpvrPageHeader>("PageHeader1", 0, 30);
             t.Band<TpvrReportTitle>("ReportTitle1", 5, 2500)->AllowSplit = true;
             auto* header = t.Band<TpvrHeader>("Header1", 10, 1500);
             header->ReprintOnNewPage = true;
             t.Band<TpvrMasterData>("MasterData1", 20, 600)->SetRowCount(4);
             auto* group = t.Band<TpvrGroupHeader>("GroupHeader1", 15, 1200);
             group->ReprintOnNewPage = true;
             group->AllowSplit = true;
             group->Condition = "Line";
         },
         true},
        {"negative paper",
         [](pvrEngineTest& t) {
             t.Page->SetPaperHeight(-100);
             t.Band<TpvrPageHeader>("PageHeader1", 0, 30);
             t.Band<TpvrMasterData>("MasterData1", 10, 20)->SetRowCount(20);
         },
         true},
        {"zero-height band over 10000 records",
         [](pvrEngineTest& t) { t.Band<TpvrMasterData>("MasterData1", 10, 0)->SetRowCount(10000); }, true},
        {"picture taller than the page in a split band",
         [](pvrEngineTest& t) {
             auto* data = t.Band<TpvrMasterData>("MasterData1", 10, 20);
             data->SetRowCount(2);
             data->AllowSplit = true;
             auto* picture = new TpvrPictureView(data);
             picture->SetName("Picture1");
             picture->SetBounds(0, 0, 100, 3000);
         },
         true},
        {"memo line taller than the page in a split band",
         [](pvrEngineTest& t) {
             auto* data = t.Band<TpvrMasterData>("MasterData1", 10, 20);
             data->SetRowCount(1);
             data->AllowSplit = true;
             TpvrMemoView* memo = t.Memo(data, "huge", 0, 20);
             memo->GetFont()->SetSize(1500);
             memo->StretchMode = smActualHeight;
         },
         true},
        {"subreport reaching its own page",
         [](pvrEngineTest& t) {
             auto* data = t.Band<TpvrMasterData>("MasterData1", 10, 20);
             data->SetRowCount(2);
             for (bool onParent : {false, true}) {
                 TpvrReportPage* page = t.SubreportPage(data, 0, 0, onParent);
                 auto* inner = t.Band<TpvrMasterData>(onParent ? "Inner2" : "Inner1", 10, 20, page);
                 inner->SetRowCount(2);
                 auto* back = new TpvrSubreport(inner);
                 back->SetPage(page);
                 back->PrintOnParent = onParent;
             }
         },
         true},
        {"vertical bands wider than the page",
         [](pvrEngineTest& t) {
             auto* data = t.Band<TpvrMasterData>("MasterData1", 10, 20);
             data->SetRowCount(2);
             t.Memo(data, "[Line]")->SetBounds(0, 0, 900, 20);
             t.Memo(data, "[Line]")->SetBounds(900, 0, 900, 20);
             auto* titles = t.Band<TpvrHeader>("Titles", 0, 0);
             titles->Vertical = true;
             titles->SetWidth(900);
             titles->ReprintOnNewPage = true;
             auto* columns = t.Band<TpvrMasterData>("Columns", 0, 0);
             columns->Vertical = true;
             columns->SetLeft(900);
             columns->SetWidth(900);
             columns->SetRowCount(3);
         },
         true},
        {"kept cross band over many segments and pages",
         [](pvrEngineTest& t) {
             auto* data = t.Band<TpvrMasterData>("MasterData1", 10, 300);
             data->SetRowCount(7);
             data->KeepTogether = true;
             data->KeepChild = true;
             t.Memo(data, "[Line]")->SetBounds(0, 0, 300, 300);
             auto* columns = t.Band<TpvrMasterData>("Columns", 0, 0);
             columns->Vertical = true;
             columns->SetWidth(300);
             columns->SetRowCount(9);
             auto* child = t.Band<TpvrChild>("Child1", 400, 300);
             data->SetChild(child);
         },
         true},
        {"unconnected group", [](pvrEngineTest& t) { t.Band<TpvrGroupHeader>("GroupHeader1", 10, 20); },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        c.build(*this);
        EXPECT_EQ(Prepare(), c.prepared) << Report->GetErrors()->GetText();
        if (c.prepared) { EXPECT_GT(PageCount(), 0); }
    }
}

} // namespace
