#include <gtest/gtest.h>

#include <vector>

#include "grid/Tambor.h"
#include "platform/runtime/Prompts.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::CommaSettings;
using testsupport::DotSettings;
using testsupport::ScopedFormatSettings;

struct NumberCase {
    const char* text;
    Integer intLength;
    Integer decLength;
    bool thousandSep;
    bool zeroNull;
    bool trailingZero;
    const char* expected;
};

void CheckNumberCases(const std::vector<NumberCase>& cases) {
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(String("text '") + c.text + "' dec " + std::to_string(c.decLength) +
                     (c.thousandSep ? " sep" : "") + (c.zeroNull ? " zeronull" : "") +
                     (c.trailingZero ? " trailing" : ""));
        EXPECT_EQ(
            FormatNumberText(c.text, c.intLength, c.decLength, c.thousandSep, c.zeroNull, c.trailingZero),
            c.expected);
    }
}

TEST(TamborFormatTest, NumberTextUnderDotLocale) {
    ScopedFormatSettings locale(DotSettings());
    CheckNumberCases({
        {"3.5", 3, 2, false, false, false, "3.5"},
        {"3.5", 3, 2, false, false, true, "3.50"},
        {"1234.5", 3, 2, true, false, false, "1,234.5"},
        {"1234.5", 3, 2, false, false, false, "1234.5"},
        {"0.00", 3, 2, false, true, false, ""},
        {"0.000", 3, 2, false, true, false, ""},
        {"0.001", 3, 2, false, true, false, "0"},
        {"2.000", 3, 2, false, false, false, "2"},
        {"3.14159", 3, 2, false, false, false, "3.14"},
        {"2.005", 3, 2, false, false, false, "2.01"},
        {"0.0", 3, 2, false, false, false, "0"},
        {"-3.10", 3, 2, false, false, false, "-3.1"},
        {"1000", 3, 0, false, false, false, "1000"},
        {"1000", 3, 0, true, false, false, "1,000"},
        {"1000", 3, 2, true, false, true, "1,000.00"},
        {"5", 8, 2, false, false, true, "5.00"},
        {"  12  ", 3, 2, false, false, false, "12"},
        // Thousands separators anywhere are dropped before reading.
        {"1,,234", 3, 2, false, false, false, "1234"},
        {"1,2,3", 3, 2, false, false, false, "123"},
        // These always give an empty text, whatever the options.
        {"", 3, 2, false, false, true, ""},
        {"-", 3, 2, false, false, true, ""},
        {"0.", 3, 2, false, false, true, ""},
        {"0", 3, 2, false, false, true, ""},
    });
}

TEST(TamborFormatTest, NumberTextUnderCommaLocaleKeepsItsZeros) {
    ScopedFormatSettings locale(CommaSettings());
    CheckNumberCases({
        {"3,5", 3, 2, false, false, false, "3,50"},
        {"3,5", 3, 2, false, false, true, "3,50"},
        {"1.234,5", 3, 2, true, false, false, "1.234,50"},
        {"1000", 3, 0, true, false, false, "1.000"},
        {"2", 3, 0, false, false, false, "2"},
        {"0,00", 3, 2, false, true, false, ""},
        {"0", 3, 2, false, false, false, ""},
    });
}

TEST(TamborFormatTest, NumberTextThatIsNoNumberRaises) {
    ScopedFormatSettings locale(DotSettings());
    for (const char* text : {"abc", "1.2.3", "12a", "--1"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(FormatNumberText(text, 3, 2, false, false, false), EConvertError);
    }
    // A comma locale does not read "." as its decimal separator.
    ScopedFormatSettings comma(CommaSettings());
    EXPECT_EQ(FormatNumberText("1.5", 3, 2, false, false, false), "15,00");
}

TEST(TamborFormatTest, StripThousandSeparatorsFollowsTheLocale) {
    {
        ScopedFormatSettings locale(DotSettings());
        EXPECT_EQ(StripThousandSeparators(" 1,234,567.5 "), "1234567.5");
        EXPECT_EQ(StripThousandSeparators(",,,"), "");
    }
    ScopedFormatSettings locale(CommaSettings());
    EXPECT_EQ(StripThousandSeparators("1.234,5"), "1234,5");
    EXPECT_EQ(StripThousandSeparators("1,234"), "1,234");
}

TEST(TamborFormatTest, ColumnLetters) {
    const std::vector<std::pair<Integer, const char*>> cases = {
        {-1, ""},   {0, "A"},    {25, "Z"},   {26, "AA"}, {51, "AZ"},
        {52, "BA"}, {254, "IU"}, {255, "IV"}, {256, ""},
    };
    for (const auto& [k, expected] : cases) {
        SCOPED_TRACE(k);
        EXPECT_EQ(ColumnLetters(k), expected);
    }
}

TEST(TamborFormatTest, MessageBoxes) {
    TScopedPromptScript prompts({IDOK, IDOK, IDOK, IDCANCEL, IDOK});
    GridInfoBox("info");
    GridErrorBox("error");
    EXPECT_TRUE(GridConfirmBox("first", 1));
    EXPECT_FALSE(GridConfirmBox("second", 2));
    EXPECT_TRUE(GridConfirmBox("third", 2));
    EXPECT_TRUE(prompts.Errors().empty());
    const std::vector<TPromptRecord> asked = prompts.Prompts();
    ASSERT_EQ(asked.size(), 5u);
    EXPECT_EQ(asked[0].Caption, "Caution");
    EXPECT_EQ(asked[0].Flags, MB_ICONINFORMATION | MB_OK);
    EXPECT_EQ(asked[1].Caption, "Caution");
    EXPECT_EQ(asked[1].Flags, MB_ICONERROR | MB_OK);
    EXPECT_EQ(asked[2].Caption, "Confirmation");
    EXPECT_EQ(asked[2].Flags, MB_ICONQUESTION | MB_OKCANCEL | MB_DEFBUTTON1);
    EXPECT_EQ(asked[3].Flags, MB_ICONQUESTION | MB_OKCANCEL | MB_DEFBUTTON2);
    EXPECT_EQ(asked[3].Text, "second");
}

} // namespace
