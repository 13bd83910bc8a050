// Totals of a cross table: rows from a horizontal data band, columns from a vertical one, a
// vertical footer totalling each row and a report summary totalling each column.
#include <gtest/gtest.h>

#include <functional>
#include <list>
#include <memory>
#include <vector>

#include "platform/runtime/Format.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "report/pvrPreviewPages.h"
#include "script/kq_isysrtti.h"
#include "tests/support/FormFixture.h"

namespace {

class pvrCrossTotalTest : public testsupport::TFormFixture {
protected:
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
    }
    void TearDown() override {
        Report.reset();
        Data.clear();
        TFormFixture::TearDown();
    }

    template <class T>
    T* Band(const char* name, Extended left, Extended top, Extended width, Extended height) {
        auto* band = new T(Page);
        band->SetName(name);
        band->SetBounds(left, top, width, height);
        return band;
    }
    void Memo(TpvrBand* band, Extended left, Extended width, const String& text) {
        auto* memo = new TpvrMemoView(band);
        memo->SetName("Memo" + IntToStr(++FMemos));
        memo->SetBounds(left, 0, width, 20);
        memo->GetMemo()->SetText(StringToWide(text));
    }
    // A data source of `count` records whose field "N" is the record number from 1.
    TpvrUserDataSet* Source(const char* name, Integer count) {
        auto data = std::make_unique<TpvrUserDataSet>(nullptr);
        data->SetName(name);
        data->RangeEnd = reCount;
        data->RangeEndCount = count;
        TpvrUserDataSet* raw = data.get();
        Values.push_back(TValues{raw});
        raw->OnGetValue = MakeEvent(&Values.back(), &TValues::Get);
        Report->GetDataSets()->Add()->SetDataSet(raw);
        Data.push_back(std::move(data));
        return raw;
    }
    // The memos of a prepared page as "text@left", row by row.
    std::vector<String> Cells(Integer index) {
        std::vector<String> cells;
        auto* store = dynamic_cast<TpvrPreviewPages*>(Report->GetPreviewPages());
        for (TpvrComponent* object : store->GetPage(index)->AllObjects())
            if (auto* memo = dynamic_cast<TpvrCustomMemoView*>(object))
                cells.push_back(Trim(WideToString(memo->GetMemo()->GetText())) + "@" +
                                FormatFloat("0", memo->GetLeft()));
        return cells;
    }

    std::unique_ptr<TpvrReport> Report;
    TpvrReportPage* Page = nullptr;
    std::vector<std::unique_ptr<TpvrUserDataSet>> Data;
    struct TValues {
        TpvrUserDataSet* Source;
        void Get(const String&, Variant& v) { v = Variant(Source->RecNo + 1); }
    };
    std::list<TValues> Values;
    Integer FMemos = 0;
};

// Two rows by three columns, cell (r, c) holding 10 r + c, below a title row; each row ends
// with its total, the summary holds each column's total and, where it meets the totals column,
// the table's. Only the data rows count: the title and summary rows run the columns too.
TEST_F(pvrCrossTotalTest, TheRowTotalAddsTheRowsCellsAndTheSummaryEachColumnsCells) {
    TpvrUserDataSet* rows = Source("Rows", 2);
    TpvrUserDataSet* cols = Source("Cols", 3);
    const String cell = "<Rows.\"N\"> * 10 + <Cols.\"N\">";
    auto* titles = Band<TpvrHeader>("Titles", 0, 20, 0, 20);
    Memo(titles, 100, 100, "C[Cols.\"N\"]");
    Memo(titles, 400, 100, "Sum");
    auto* master = Band<TpvrMasterData>("MasterData1", 0, 40, 0, 20);
    master->SetDataSet(rows);
    Memo(master, 0, 100, "R[Rows.\"N\"]");
    Memo(master, 100, 100, "[" + cell + "]");
    Memo(master, 400, 100, "[SUM(" + cell + ")] [MIN(" + cell + ")] [MAX(" + cell + ")] [COUNT()]");
    auto* summary = Band<TpvrReportSummary>("ReportSummary1", 0, 80, 0, 20);
    Memo(summary, 0, 100, "Total");
    Memo(summary, 100, 100, "[SUM(" + cell + ", Columns)]");
    Memo(summary, 400, 100,
         "[SUM(" + cell + ", Columns)] [MIN(" + cell + ", Columns)] [MAX(" + cell + ", Columns)] " + "[AVG(" +
             cell + ", Columns)] [COUNT(Columns)]");
    Band<TpvrHeader>("RowTitles", 0, 0, 100, 0)->Vertical = true;
    auto* columns = Band<TpvrMasterData>("Columns", 100, 0, 100, 0);
    columns->Vertical = true;
    columns->SetDataSet(cols);
    auto* totals = Band<TpvrFooter>("RowTotals", 400, 0, 100, 0);
    totals->Vertical = true;

    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        ASSERT_TRUE(Report->PrepareReport(true)) << Report->GetErrors()->GetText();
        EXPECT_EQ(Cells(0), (std::vector<String>{"C1@100", "C2@200", "C3@300", "Sum@400", "R1@0", "11@100",
                                                 "12@200", "13@300", "36 11 13 3@400", "R2@0", "21@100",
                                                 "22@200", "23@300", "66 21 23 3@400", "Total@0", "32@100",
                                                 "34@200", "36@300", "102 11 23 17 6@400"}));
    }
}

} // namespace
