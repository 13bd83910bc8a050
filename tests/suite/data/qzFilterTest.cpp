// Filter operators and criteria: expression and display texts, date ranges, evaluation,
// change notification, copying, removing item links and component streaming.
#include <gtest/gtest.h>

#include <vector>

#include "platform/runtime/Clock.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/FormatSettings.h"
#include "suite/data/qzFilter.h"
#include "suite/editors/qzEdit.h"
#include "suite/foundation/qzVariants.h"
#include "tests/suite/data/FilterFixture.h"
#include "tests/support/TestSupport.h"

using namespace filtertest;

namespace {

// The clock stands still at a local date (midnight plus the given hours).
class TManualDate {
public:
    TManualDate() : FOldMode(ClockGetMode()) { ClockSetMode(TClockMode::Manual); }
    ~TManualDate() { ClockSetMode(FOldMode); }
    void Set(TDateTime day, double hours = 10.5) {
        ClockSetLocalMicros(Int64((day - 25569.0) * 86400.0 * 1e6 + hours * 3600.0 * 1e6));
    }

private:
    TClockMode FOldMode;
};

// Replaces the filter-text hook until the end of the scope.
class TScopedFilterHook {
public:
    explicit TScopedFilterHook(TqzFilterTextHook hook) : FOld(GetFilterTextHook()) {
        SetFilterTextHook(hook);
    }
    ~TScopedFilterHook() { SetFilterTextHook(FOld); }

private:
    TqzFilterTextHook FOld;
};

String GermanFilterWords(const String& text) {
    if (text == "blank") return "leer";
    if (text == "is blank") return "ist leer";
    if (text == "and") return "und";
    if (text == "not") return "nicht";
    return text;
}

} // namespace

TEST(qzFilterOperatorTest, ExpressionAndDisplayTexts) {
    testsupport::ScopedFormatSettings settings(FilterSettings());
    struct TCase {
        const char* Column;
        TqzFilterOperatorKind Kind;
        Variant Value;
        const char* DisplayValue;
        TqzFilterCriteriaOptions Options;
        bool TranslateIn, TranslateBetween;
        const char* DateTimeFormat;
        const char* Expression;
        const char* Caption;
    };
    const TqzFilterCriteriaOptions none;
    const TqzFilterCriteriaOptions described{fcoShowOperatorDescription};
    const Variant day = VarFromDateTime(EncodeDate(2026, 12, 11));
    const std::vector<TCase> cases = {
        {"Name", fokEqual, "O'Brien", "O'Brien", none, false, false, "", "(Name = 'O''Brien')",
         "(Customer = O'Brien)"},
        {"Name", fokLike, "%abc%", "%abc%", described, false, false, "", "(Name LIKE '%abc%')",
         "(Customer contains abc)"},
        {"Name", fokLike, "abc%", "abc%", described, false, false, "", "(Name LIKE 'abc%')",
         "(Customer begins with abc)"},
        {"Name", fokLike, "%abc", "%abc", described, false, false, "", "(Name LIKE '%abc')",
         "(Customer ends with abc)"},
        {"Name", fokNotLike, "%abc%", "%abc%", described, false, false, "", "(Name NOT LIKE '%abc%')",
         "(Customer does not contain abc)"},
        {"Name", fokLike, "a%c", "a%c", described, false, false, "", "(Name LIKE 'a%c')",
         "(Customer like a%c)"},
        {"Name", fokLike, "%abc%", "%abc%", none, false, false, "", "(Name LIKE '%abc%')",
         "(Customer LIKE %abc%)"},
        {"ID", fokInList, Array({1, 2, 3}), "1;2;3", none, false, false, "", "(ID IN (1, 2, 3))",
         "(Number in (1, 2, 3))"},
        {"ID", fokInList, Array({1, 2, 3}), "1; 2 ;3", none, true, false, "",
         "((ID = 1) OR (ID = 2) OR (ID = 3))", "(Number in (1, 2, 3))"},
        {"ID", fokNotInList, Array({1, 2}), "1;2", none, true, false, "", "(NOT ((ID = 1) OR (ID = 2)))",
         "(Number not in (1, 2))"},
        {"ID", fokInList, Array({7}), "7", none, false, false, "", "(ID IN (7))", "(Number in (7))"},
        {"Price", fokBetween, Array({1, 5}), "1;5", none, false, false, "", "(Price BETWEEN 1 AND 5)",
         "(Price between 1 and 5)"},
        {"Price", fokBetween, Array({1, 5}), "1;5", none, false, true, "", "((Price >= 1) AND (Price <= 5))",
         "(Price between 1 and 5)"},
        {"Price", fokNotBetween, Array({1.5, 5}), "1.5;5", none, false, true, "",
         "(NOT ((Price >= 1.5) AND (Price <= 5)))", "(Price not between 1.5 and 5)"},
        {"ID;Name", fokEqual, Array({7, "x"}), "7;x", none, false, false, "", "((ID = 7) AND (Name = 'x'))",
         "(Key = 7;x)"},
        {"ID;Name", fokNotEqual, Array({7, "x"}), "7;x", none, false, false, "",
         "(NOT ((ID = 7) AND (Name = 'x')))", "(Key <> 7;x)"},
        {"Day", fokEqual, day, "11/12/2026", none, false, false, "", "(Day = '11/12/2026')",
         "(Date = 11/12/2026)"},
        {"Day", fokGreaterEqual, day, "11/12/2026", described, false, false, "yyyy-mm-dd",
         "(Day >= '2026-12-11')", "(Date is greater than or equal to 11/12/2026)"},
        {"Name", fokEqual, Null(), "", none, false, false, "", "(Name = NULL)", "(Customer = blank)"},
        {"Name", fokEqual, Null(), "", described, false, false, "", "(Name = NULL)", "(Customer is blank)"},
        {"Name", fokNotEqual, Null(), "", described, false, false, "", "(Name <> NULL)",
         "(Customer is not blank)"},
        {"Name", fokLike, Null(), "", described, false, false, "", "(Name = NULL)", "(Customer is blank)"},
        {"Flag", fokEqual, true, "True", none, false, false, "", "(Flag = True)", "(Flag = True)"},
        {"Price", fokLess, 2.5, "2.5", described, false, false, "", "(Price < 2.5)",
         "(Price is less than 2.5)"},
        {"Price", fokLessEqual, 2, "2", none, false, false, "", "(Price <= 2)", "(Price <= 2)"},
        {"Price", fokGreater, Currency(2.5), "2.5", none, false, false, "", "(Price > 2.5)", "(Price > 2.5)"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Expression);
        TTableCriteria criteria;
        criteria.SetOptions(c.Options);
        criteria.SetTranslateIn(c.TranslateIn);
        criteria.SetTranslateBetween(c.TranslateBetween);
        criteria.SetDateTimeFormat(c.DateTimeFormat);
        criteria.AddCondition(nullptr, criteria.Col(c.Column), c.Kind, c.Value, c.DisplayValue);
        EXPECT_EQ(criteria.GetFilterText(), c.Expression);
        EXPECT_EQ(criteria.GetFilterCaption(), c.Caption);
    }
}

TEST(qzFilterOperatorTest, DisplayWordsAreLocalisedAndValueTextsCanBeFormatted) {
    testsupport::ScopedFormatSettings settings(FilterSettings());
    TScopedFilterHook hook(&GermanFilterWords);
    TTableCriteria criteria;
    auto* list = criteria.GetRoot()->AddList(fboNotAnd);
    TqzFilterCriteriaItem* blank = list->AddCondition(criteria.Name(), fokEqual, Null());
    list->AddCondition(criteria.Price(), fokBetween, Array({1, 5}), "1;5");
    EXPECT_EQ(blank->GetDisplayValue(), "leer");
    EXPECT_EQ(criteria.GetFilterCaption(), "(nicht ((Customer = leer) und (Price between 1 und 5)))");
    criteria.SetOptions({fcoShowOperatorDescription});
    EXPECT_EQ(criteria.GetFilterCaption(), "(nicht ((Customer ist leer) und (Price between 1 und 5)))");
    EXPECT_EQ(FilterDisplayValueText(Null()), "leer");
    EXPECT_EQ(FilterDisplayValueText(12), "12");

    // The expression hook sees every value, list elements one by one.
    criteria.ValuePrefix = "@";
    EXPECT_EQ(criteria.GetFilterText(), "(NOT ((Name = @NULL) AND (Price BETWEEN @1 AND @5)))");
}

TEST(qzFilterOperatorTest, DateRangesFollowTheClockAndWeekStart) {
    testsupport::ScopedFormatSettings settings(FilterSettings());
    TManualDate clock;
    struct TCase {
        TDateTime Today;
        int FirstWeekDay; // 0 Sunday, 1 Monday
        TqzFilterOperatorKind Kind;
        TDateTime Start, End;
    };
    const TDateTime friday = EncodeDate(2026, 12, 11);
    auto d = [](int y, int m, int day) { return EncodeDate(Word(y), Word(m), Word(day)); };
    const std::vector<TCase> cases = {
        {friday, 0, fokYesterday, d(2026, 12, 10), d(2026, 12, 11)},
        {friday, 0, fokToday, d(2026, 12, 11), d(2026, 12, 12)},
        {friday, 0, fokTomorrow, d(2026, 12, 12), d(2026, 12, 13)},
        {friday, 0, fokLastWeek, d(2026, 11, 29), d(2026, 12, 6)},
        {friday, 0, fokThisWeek, d(2026, 12, 6), d(2026, 12, 13)},
        {friday, 0, fokNextWeek, d(2026, 12, 13), d(2026, 12, 20)},
        {friday, 1, fokThisWeek, d(2026, 12, 7), d(2026, 12, 14)},
        {d(2026, 12, 13), 1, fokThisWeek, d(2026, 12, 7), d(2026, 12, 14)},
        {d(2026, 12, 13), 0, fokLastWeek, d(2026, 12, 6), d(2026, 12, 13)},
        {friday, 0, fokLastMonth, d(2026, 11, 1), d(2026, 12, 1)},
        {friday, 0, fokThisMonth, d(2026, 12, 1), d(2027, 1, 1)},
        {friday, 0, fokNextMonth, d(2027, 1, 1), d(2027, 2, 1)},
        {d(2026, 11, 15), 0, fokNextMonth, d(2026, 12, 1), d(2027, 1, 1)},
        {d(2026, 1, 20), 0, fokLastMonth, d(2025, 12, 1), d(2026, 1, 1)},
        {friday, 0, fokLastYear, d(2025, 1, 1), d(2026, 1, 1)},
        {friday, 0, fokThisYear, d(2026, 1, 1), d(2027, 1, 1)},
        {friday, 0, fokNextYear, d(2027, 1, 1), d(2028, 1, 1)},
    };
    const double second = 1.0 / 86400.0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.Kind) << " on " << DateToStr(c.Today));
        FormatSettings.FirstWeekDay = Byte(c.FirstWeekDay);
        clock.Set(c.Today);
        TTableCriteria criteria;
        auto* condition = criteria.AddCondition(nullptr, criteria.Day(), c.Kind, Null());
        auto* op = dynamic_cast<TqzFilterDateOperator*>(condition->GetOperator());
        ASSERT_NE(op, nullptr);
        EXPECT_EQ(op->GetRangeStart(), c.Start);
        EXPECT_EQ(op->GetRangeEnd(), c.End);
        // Both ends, just outside them, and a record without a date.
        const std::vector<std::pair<Variant, bool>> records = {
            {VarFromDateTime(c.Start), true},
            {VarFromDateTime(c.End - second), true},
            {VarFromDateTime(c.End), false},
            {VarFromDateTime(c.Start - second), false},
            {Null(), false},
        };
        for (const auto& [value, expected] : records)
            EXPECT_EQ(criteria.FilterRecord(criteria.AddRow(criteria.Day(), value)), expected)
                << VarToStr(value);
    }

    clock.Set(friday);
    FormatSettings.FirstWeekDay = 0;
    TTableCriteria criteria;
    criteria.SetDateTimeFormat("yyyy-mm-dd");
    criteria.AddCondition(nullptr, criteria.Day(), fokThisMonth, Null(), "ignored");
    EXPECT_EQ(criteria.GetFilterText(), "((Day >= '2026-12-01') AND (Day < '2027-01-01'))");
    EXPECT_EQ(criteria.GetFilterCaption(), "(Date is this month)");

    // The range is taken when the criteria change, not at every evaluation.
    const Integer decemberFirst = criteria.AddRow(criteria.Day(), VarFromDateTime(d(2026, 12, 1)));
    clock.Set(d(2027, 1, 5));
    EXPECT_TRUE(criteria.FilterRecord(decemberFirst));
    criteria.SetDateTimeFormat("dd.mm.yyyy");
    EXPECT_FALSE(criteria.FilterRecord(decemberFirst));
}
