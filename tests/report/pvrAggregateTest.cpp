#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Strings.h"
#include "report/pvrAggregate.h"
#include "report/pvrClass.h"
#include "report/pvrRes.h"
#include "script/kq_isysrtti.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

// A page with a master band, its detail band, a footer, a page footer and a summary, linked as the
// engine links them; the records' value "X" comes from the host.
class pvrAggregateTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        RegisterSysRTTI();
        Report.reset(new TpvrReport(nullptr));
        Report->GetEngineOptions()->SetNewSilentMode(simSilent);
        Page = new TpvrReportPage(Report.get());
        Page->SetName("Page1");
        Master = Band<TpvrMasterData>("MasterData1");
        Detail = Band<TpvrDetailData>("DetailData1");
        Footer = Band<TpvrFooter>("Footer1");
        PageFooter = Band<TpvrPageFooter>("PageFooter1");
        Summary = Band<TpvrReportSummary>("ReportSummary1");
        Page->GetEngineList1()->Add(Master);
        Master->FooterBand = Footer;
        Master->GetEngineList()->Add(Detail);
        Report->OnGetValue = MakeEvent(this, &pvrAggregateTest::HostValue);
        List = std::make_unique<TpvrAggregateList>(Report.get());
    }
    void TearDown() override {
        List.reset();
        Report.reset();
        TFormFixture::TearDown();
    }

    template <class T> T* Band(const char* name) {
        auto* band = new T(Page);
        band->SetName(name);
        return band;
    }
    TpvrMemoView* Memo(TpvrBand* band, const String& text) {
        auto* memo = new TpvrMemoView(band);
        memo->SetName("Memo" + IntToStr(++FMemos));
        memo->GetMemo()->SetText(StringToWide(text));
        return memo;
    }
    void HostValue(const String& name, Variant& value) {
        if (SameText(name, "X")) value = X;
    }
    // Each value becomes the current record and is added to the band's items.
    void Records(TpvrDataBand* band, const std::vector<Variant>& values, Integer column = 0) {
        for (const Variant& v : values) {
            X = v;
            List->AddValue(band, column);
        }
    }
    Variant Value(TpvrBand* holder, const char* name, const char* expression, TpvrComponent* band = nullptr,
                  Integer flags = 0, Integer column = 0) {
        return List->GetAggregate(holder, column, name, expression, band, flags);
    }

    std::unique_ptr<TpvrReport> Report;
    std::unique_ptr<TpvrAggregateList> List;
    TpvrReportPage* Page = nullptr;
    TpvrMasterData* Master = nullptr;
    TpvrDetailData* Detail = nullptr;
    TpvrFooter* Footer = nullptr;
    TpvrPageFooter* PageFooter = nullptr;
    TpvrReportSummary* Summary = nullptr;
    Variant X = Null();

private:
    Integer FMemos = 0;
};

} // namespace

TEST_F(pvrAggregateTest, EachFunctionOverNumbersAndNulls) {
    testsupport::ScopedFormatSettings dot(testsupport::DotSettings());
    Memo(Footer, "Sum [SUM(X)], avg [AVG(X)], [MIN(X)]-[MAX(X)] of [COUNT()]");
    List->CollectPage(Page);
    ASSERT_EQ(List->Count(), 5);
    EXPECT_EQ(List->Items(0)->CallText, "SUM(X)");
    EXPECT_EQ(List->Items(0)->DataBand, Master);
    EXPECT_EQ(List->Items(0)->ParentBand, Footer);
    EXPECT_EQ(List->Items(4)->Kind, akCount);
    EXPECT_EQ(List->Items(4)->Expression, "");

    Records(Master, {Variant(Integer(1)), Variant(Integer(2)), Null()});
    struct Case {
        const char* name;
        const char* expression;
        const char* text;
    };
    for (const Case& c : std::vector<Case>{{"SUM", "X", "3"},
                                           {"avg", " X ", "1.5"},
                                           {"MIN", "x", "1"},
                                           {"MAX", "X", "2"},
                                           {"COUNT", "", "3"}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(VarToStr(Value(Footer, c.name, c.expression)), c.text);
    }
    // Only the band that holds the call, with the same flags and data band, answers.
    EXPECT_TRUE(VarIsNull(Value(PageFooter, "SUM", "X")));
    EXPECT_TRUE(VarIsNull(Value(Footer, "SUM", "X", nullptr, 2)));
    EXPECT_TRUE(VarIsNull(Value(Footer, "SUM", "X", Detail)));
    EXPECT_EQ(VarToStr(Value(Footer, "SUM", "X", Master)), "3");

    // Strings order as texts; a True counts as 1.
    List->ClearValues();
    Records(Master, {Variant(String("B")), Variant(String("A")), Variant(String("C"))});
    EXPECT_EQ(VarToStr(Value(Footer, "MIN", "X")), "A");
    EXPECT_EQ(VarToStr(Value(Footer, "MAX", "X")), "C");
    List->ClearValues();
    Records(Master, {Variant(true), Variant(true)});
    EXPECT_EQ(VarToStr(Value(Footer, "SUM", "X")), "2");
}

TEST_F(pvrAggregateTest, ResetsRunningTotalsHiddenBandsAndOtherBands) {
    Memo(Footer, "[SUM(X)] [SUM(X, MasterData1, 2)] [SUM(X,,1)] [COUNT(DetailData1)]");
    List->CollectPage(Page);
    ASSERT_EQ(List->Count(), 4);
    EXPECT_EQ(List->Items(3)->DataBand, Detail);

    Records(Master, {Variant(Integer(5)), Variant(Integer(6))});
    Records(Detail, {Null(), Null(), Null()});
    EXPECT_EQ(VarToStr(Value(Footer, "SUM", "X")), "11");
    EXPECT_EQ(VarToStr(Value(Footer, "COUNT", "", Detail)), "3");
    List->Reset(Footer);
    EXPECT_EQ(VarToStr(Value(Footer, "SUM", "X")), "0"); // no records: 0
    EXPECT_EQ(VarToStr(Value(Footer, "SUM", "X", Master, 2)), "11");

    // A hidden band counts only for flag 1.
    Master->SetVisible(false);
    Records(Master, {Variant(Integer(7))});
    EXPECT_EQ(VarToStr(Value(Footer, "SUM", "X")), "0");
    EXPECT_EQ(VarToStr(Value(Footer, "SUM", "X", nullptr, 1)), "7"); // reset with the footer, then 7
    Master->SetVisible(true);

    // The last addition can be taken back.
    Records(Master, {Variant(Integer(1)), Variant(Integer(100))});
    List->Withdraw(Master);
    EXPECT_EQ(VarToStr(Value(Footer, "SUM", "X")), "1");

    // ClearValues empties running totals too.
    List->ClearValues();
    EXPECT_EQ(VarToStr(Value(Footer, "SUM", "X", Master, 2)), "0");
}

TEST_F(pvrAggregateTest, PageFooterTotalsAndTheirKeep) {
    Memo(PageFooter, "[SUM(X)] [COUNT()]");
    Memo(Summary, "[MAX(X)]");
    List->CollectPage(Page);
    ASSERT_EQ(List->Count(), 3);
    EXPECT_TRUE(List->Items(0)->PageFooter);
    EXPECT_FALSE(List->Items(2)->PageFooter);
    EXPECT_EQ(List->Items(0)->DataBand, Master); // the page's first data band
    // A page without records gives 0.
    EXPECT_EQ(VarToStr(Value(PageFooter, "SUM", "X")), "0");

    Records(Master, {Variant(Integer(4))});
    List->BeginPageKeep();
    Records(Master, {Variant(Integer(10)), Variant(Integer(20))});
    EXPECT_EQ(VarToStr(Value(PageFooter, "SUM", "X")), "4"); // kept records wait
    EXPECT_EQ(VarToStr(Value(Summary, "MAX", "X")), "20");   // only page footers keep
    List->EndPageKeep();
    EXPECT_EQ(VarToStr(Value(PageFooter, "SUM", "X")), "34");
    EXPECT_EQ(VarToStr(Value(PageFooter, "COUNT", "")), "3");

    // A keep that saw no value leaves the total as it was.
    List->BeginPageKeep();
    List->EndPageKeep();
    EXPECT_EQ(VarToStr(Value(PageFooter, "SUM", "X")), "34");
}

TEST_F(pvrAggregateTest, VerticalColumnsKeepValuesOfTheirOwn) {
    Memo(Footer, "[SUM(X)]");
    List->CollectPage(Page);
    Records(Master, {Variant(Integer(1)), Variant(Integer(2))}, 3);
    Records(Master, {Variant(Integer(9))}, 1500); // no limit on the number of columns
    EXPECT_EQ(VarToStr(Value(Footer, "SUM", "X", nullptr, 0, 3)), "3");
    EXPECT_EQ(VarToStr(Value(Footer, "SUM", "X", nullptr, 0, 1500)), "9");
    EXPECT_EQ(VarToStr(Value(Footer, "SUM", "X", nullptr, 0, 2)), "0");
    EXPECT_EQ(List->Items(0)->Count, 0); // the horizontal total saw nothing
}

TEST_F(pvrAggregateTest, ScanningFindsCallsWhereverTheyStand) {
    Report->GetVariables()->SetVariables("Total", Variant(String("SUM(X) * 2")));
    Report->GetVariables()->SetVariables("Empty", Null());
    struct Case {
        const char* text;
        std::vector<const char*> calls;
    };
    const std::vector<Case> cases = {
        {"[Total]", {"SUM(X)"}},
        {"[1 + Total]", {"SUM(X)"}},
        {"['SUM(X)' + \"MAX(X)\"]", {}},
        {"[IIF(COUNT() > 0, AVG( X ), 0)]", {"COUNT()", "AVG( X )"}},
        {"[<MIN(X)>]", {"MIN(X)"}},
        {"[SUM (X)] [Summary(X)] [Empty]", {}},
        {"[SUM(IIF(X > 1, X, 0))]", {"SUM(IIF(X > 1, X, 0))"}},
        {"[sum(X)]—[max(X)]", {"sum(X)", "max(X)"}},
        {"text without brackets SUM(X)", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        List->Clear();
        List->ScanMemo(Memo(Footer, c.text), Master);
        ASSERT_EQ(List->Count(), Integer(c.calls.size()));
        for (std::size_t i = 0; i < c.calls.size(); ++i)
            EXPECT_EQ(List->Items(Integer(i))->CallText, c.calls[i]);
    }

    // Other delimiters, and none at all when expressions are off.
    List->Clear();
    TpvrMemoView* curly = Memo(Footer, "{SUM(X)} [MAX(X)]");
    curly->ExpressionDelimiters = "{,}";
    List->ScanMemo(curly, Master);
    ASSERT_EQ(List->Count(), 1);
    EXPECT_EQ(List->Items(0)->Kind, akSum);
    curly->AllowExpressions = false;
    List->Clear();
    List->ScanMemo(curly, Master);
    EXPECT_EQ(List->Count(), 0);
}

TEST_F(pvrAggregateTest, FaultsWhileCollecting) {
    // A band argument naming nothing falls back to the default band.
    List->ScanExpression("COUNT(Nobody)", nullptr, Master);
    ASSERT_EQ(List->Count(), 1);
    EXPECT_EQ(List->Items(0)->DataBand, Master);
    // Flags that are no integer are a conversion error.
    EXPECT_THROW(List->ScanExpression("SUM(X, MasterData1, two)", nullptr, Master), EConvertError);

    // Variables that name each other end in the report's expression error.
    Report->GetVariables()->SetVariables("A", Variant(String("1 + B")));
    Report->GetVariables()->SetVariables("B", Variant(String("A")));
    TpvrMemoView* memo = Memo(Footer, "[A]");
    EXPECT_THROW(List->ScanMemo(memo, Master), Exception);
    ASSERT_GE(Report->GetErrors()->GetCount(), 1);
    EXPECT_EQ(Report->GetErrors()->GetStrings(0).substr(0, memo->GetName().size() + 2),
              memo->GetName() + ": ");

    // An expression fault while adding is the report's expression error.
    List->Clear();
    Memo(Footer, "[SUM(1 +)]");
    Report->GetVariables()->Clear();
    Page->GetEngineList1()->Clear();
    Page->GetEngineList1()->Add(Master);
    List->CollectPage(Page);
    ASSERT_GE(List->Count(), 1);
    EXPECT_THROW(List->AddValue(Master, 0), Exception);
}

TEST_F(pvrAggregateTest, VerticalBandsTotalForTheHorizontalBandTheirCellsCameFrom) {
    auto* columns = Band<TpvrMasterData>("Columns1");
    columns->Vertical = true;
    Page->GetEngineList2()->Add(columns);
    TpvrMemoView* cell = Memo(columns, "[SUM(X)]");
    cell->CrossBand = Footer;
    TpvrMemoView* own = Memo(columns, "[COUNT()]"); // not moved: stays with the vertical band
    List->CollectPage(Page);
    ASSERT_EQ(List->Count(), 2);
    EXPECT_EQ(List->Items(0)->ParentBand, Footer);
    EXPECT_EQ(List->Items(0)->DataBand, columns);
    EXPECT_EQ(List->Items(1)->ParentBand, columns);
    EXPECT_EQ(List->Items(1)->MemoName, own->GetName());
    Records(columns, {Variant(Integer(2)), Variant(Integer(3))}, 1);
    EXPECT_EQ(VarToStr(Value(Footer, "SUM", "X", nullptr, 0, 1)), "5");
    EXPECT_EQ(VarToStr(Value(columns, "COUNT", "", nullptr, 0, 1)), "2");
}

TEST_F(pvrAggregateTest, DeeplyNestedTextsAreScannedWithoutEndlessDescent) {
    // A call a hundred levels down is found; thirty thousand unclosed levels end quickly.
    List->ScanExpression(String(100, '(') + "SUM(X)" + String(100, ')'), nullptr, Master);
    EXPECT_EQ(List->Count(), 1);
    List->Clear();
    List->ScanExpression(String(30000, '('), nullptr, Master);
    List->ScanExpression(String(30000, '<') + "MAX(X)", nullptr, Master);
    List->ScanMemo(Memo(Footer, "[" + String(30000, '(') + "]"), Master);
    EXPECT_EQ(List->Count(), 0);
}
