// The data controller's shared routines: currency format, date parts, week starts and text
// comparison.
#include <gtest/gtest.h>

#include <vector>

#include "platform/runtime/DateTime.h"
#include "suite/data/qzDataUtils.h"
#include "tests/support/TestSupport.h"

TEST(qzDataUtilsTest, CurrencyDisplayFormat) {
    struct Case {
        const char* Currency;
        Byte Format;
        Byte Decimals;
        const char* Expected;
    };
    const std::vector<Case> cases = {
        {"$", 0, 2, "$,0.00"},    {"kr.", 3, 2, ",0.00 kr'.'"}, {"\xe2\x82\xac", 1, 2, ",0.00\xe2\x82\xac"},
        {"R,", 2, 0, "R',' ,0."}, {"", 0, 2, ",0.00"},          {"$", 7, 3, ",0.000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Expected);
        TFormatSettings settings = testsupport::DotSettings();
        settings.CurrencyString = c.Currency;
        settings.CurrencyFormat = c.Format;
        settings.CurrencyDecimals = c.Decimals;
        testsupport::ScopedFormatSettings scoped(settings);
        EXPECT_EQ(BuildCurrencyDisplayFormat(), c.Expected);
    }
}

TEST(qzDataUtilsTest, DateAndTimeParts) {
    EXPECT_DOUBLE_EQ(DatePartOf(40000.75), 40000.0);
    EXPECT_DOUBLE_EQ(TimePartOf(40000.75), 0.75);
    EXPECT_DOUBLE_EQ(DatePartOf(-1.5), -1.0);
    EXPECT_DOUBLE_EQ(TimePartOf(-1.5), -0.5);
}

TEST(qzDataUtilsTest, StartOfWeekFollowsTheLocale) {
    const TDateTime sunday = EncodeDate(2024, 6, 9) + 0.5;
    const TDateTime monday = EncodeDate(2024, 6, 10) + 0.25;
    const TDateTime wednesday = EncodeDate(2024, 6, 12);
    struct Case {
        Byte FirstDay;
        TDateTime Day;
        TDateTime Expected;
    };
    const std::vector<Case> cases = {
        {1, sunday, EncodeDate(2024, 6, 3)},
        {1, monday, EncodeDate(2024, 6, 10)},
        {1, wednesday, EncodeDate(2024, 6, 10)},
        {0, sunday, EncodeDate(2024, 6, 9)},
        {0, wednesday, EncodeDate(2024, 6, 9)},
        {6, wednesday, EncodeDate(2024, 6, 8)},
        {6, EncodeDate(2024, 6, 8), EncodeDate(2024, 6, 8)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.FirstDay));
        TFormatSettings settings = testsupport::DotSettings();
        settings.FirstWeekDay = c.FirstDay;
        testsupport::ScopedFormatSettings scoped(settings);
        EXPECT_EQ(LocaleFirstDayOfWeek(), c.FirstDay);
        EXPECT_DOUBLE_EQ(StartOfWeekOf(c.Day), c.Expected);
    }
}

TEST(qzDataUtilsTest, SameTextOrPrefix) {
    struct Case {
        const char* Text;
        const char* Pattern;
        bool Prefix;
        bool Expected;
    };
    const std::vector<Case> cases = {
        {"Abc", "aB", true, true},   {"Abc", "aB", false, false},
        {"Abc", "aBC", false, true}, {"", "", false, true},
        {"", "", true, true},        {"Abc", "", true, false},
        {"Ab", "abc", true, false},  {"\xc3\xa9t\xc3\xa9", "\xc3\x89T", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Text) + "/" + c.Pattern);
        EXPECT_EQ(SameTextOrPrefix(c.Text, c.Pattern, c.Prefix), c.Expected);
    }
}
