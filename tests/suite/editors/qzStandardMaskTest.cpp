// The classic edit mask: parsing into positions, the empty text and value, placing a typed text
// into the mask, checking a complete text and taking the value out.
#include <gtest/gtest.h>

#include <vector>

#include "suite/editors/qzStandardMask.h"
#include "tests/support/TestSupport.h"

namespace {

class StandardMaskTest : public ::testing::Test {
protected:
    testsupport::ScopedFormatSettings FSettings{testsupport::DotSettings()};
    TqzStandardMask FMask;
};

TEST_F(StandardMaskTest, ParsesPositionsAndTrailingParts) {
    struct Case {
        String mask;
        Integer positions;
        String emptyText;
        String emptyValue;
        char32_t blank;
        bool keepLiterals;
    };
    const std::vector<Case> cases = {
        {"(999)000-0000;1;_", 13, "(___)___-____", "(   )   -    ", '_', true},
        {"(999)000-0000;0;_", 13, "(___)___-____", "          ", '_', false},
        {"(999)000-0000;0;*", 13, "(***)***-****", "          ", '*', false},
        {"00;1; ", 2, "  ", "  ", ' ', true},
        {"00;0", 2, "__", "  ", '_', false},
        {"99;1;", 5, "__;1;", "  ;1;", '_', true}, // not a trailing part: three literals
        {"0;x", 3, "_;x", " ;x", '_', true},
        {"0;1;ab", 6, "_;1;_b", " ;1; b", '_', true},
        {"!000", 3, "___", "   ", '_', true},
        {"\\L0", 2, "L_", "L ", '_', true},
        {"\\;0;0", 2, ";_", " ", '_', false},
        {"0\\", 1, "_", " ", '_', true}, // a backslash at the end is dropped
        {"<>Ll>a<c#", 5, "_____", "     ", '_', true},
        {"\xC3\xA4"
         "00",
         3, "\xC3\xA4__", "\xC3\xA4  ", '_', true},
        {"", 0, "", "", '_', true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mask);
        FMask.SetMask(c.mask);
        EXPECT_EQ(FMask.GetMaskText(), c.mask);
        EXPECT_EQ(FMask.PositionCount(), c.positions);
        EXPECT_EQ(FMask.EmptyText(), c.emptyText);
        EXPECT_EQ(FMask.EmptyValue(), c.emptyValue);
        EXPECT_EQ(FMask.GetBlankChar(), c.blank);
        EXPECT_EQ(FMask.GetKeepLiterals(), c.keepLiterals);
    }
    EXPECT_EQ(FMask.Position(-1), nullptr);
    EXPECT_EQ(FMask.Position(0), nullptr);

    // ClearMask restores the defaults.
    FMask.SetMask("00;0;*");
    FMask.ClearMask();
    EXPECT_EQ(FMask.GetMaskText(), "");
    EXPECT_EQ(FMask.PositionCount(), 0);
    EXPECT_EQ(FMask.GetBlankChar(), U'_');
    EXPECT_TRUE(FMask.GetKeepLiterals());
}

TEST_F(StandardMaskTest, SeparatorsAreTakenWhenTheMaskIsSet) {
    TFormatSettings settings = testsupport::DotSettings();
    settings.DateSeparator = '.';
    settings.TimeSeparator = '-';
    testsupport::ScopedFormatSettings scoped(settings);
    FMask.SetMask("99/99 99:99");
    EXPECT_EQ(FMask.EmptyText(), "__.__ __-__");
    FormatSettings.DateSeparator = '/';
    FormatSettings.TimeSeparator = ':';
    EXPECT_EQ(FMask.EmptyText(), "__.__ __-__");
    String text = "12.34 56-78";
    EXPECT_TRUE(FMask.IsValidText(text));
}

TEST_F(StandardMaskTest, FitTextPlacesEachCharacterOnTheFirstFreePositionThatTakesIt) {
    struct Case {
        String mask;
        String text;
        bool useConverted;
        String fitted;
    };
    const std::vector<Case> cases = {
        {">LL", "ab", true, "AB"},
        {">LL", "ab", false, "ab"},
        {"<L", "Q", true, "q"},
        {"<>L", "q", true, "q"},
        {"LL00", "12ab", true, "ab12"},
        {"(000)", "(123)", true, "(123)"},
        {"(000)", "123", true, "(123)"},
        {"(000)", "1 3", true, "(1_3)"}, // a blank keeps its input position empty
        {"(000)", "1_3", true, "(1_3)"},
        {"000", "12345", true, "123"},
        {"000", "", true, "___"},
        {"#0", "-5", true, "-5"},
        {"#0", "x-y5", true, "-5"},
        {"a\\-a", "ab-c", true, "a-b"}, // literal taken by its own character only
        {"CC", "\xC3\xA4\xE2\x82\xAC", true, "\xC3\xA4\xE2\x82\xAC"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mask + " / " + c.text);
        FMask.SetMask(c.mask);
        String text = c.text;
        FMask.FitText(text, c.useConverted);
        EXPECT_EQ(text, c.fitted);
    }
}

TEST_F(StandardMaskTest, IsValidTextChecksEveryPosition) {
    struct Case {
        String mask;
        String text;
        bool valid;
        String after; // the text after the check (case-converted)
    };
    const std::vector<Case> cases = {
        {"000", "123", true, "123"},
        {"000", "12", false, "12"}, // one short, although every present character fits
        {"000", "1234", false, "1234"},
        {"000", "1_3", false, "1_3"},
        {"090", "1_3", true, "1_3"},
        {"090", "1 3", true, "1 3"},
        {"090;1;*", "1_3", false, "1_3"},
        {"090;1;*", "1*3", true, "1*3"},
        {">LL", "ab", true, "AB"},
        {"<ll", "A1", false, "a1"},
        {"(000)", "(123)", true, "(123)"},
        {"(000)", "[123)", false, "[123)"},
        {"#", " ", true, " "},
        {"#", "+", true, "+"},
        {"a", "_", true, "_"},
        {"A", "_", false, "_"},
        {"c", "\xE2\x82\xAC", true, "\xE2\x82\xAC"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mask + " / " + c.text);
        FMask.SetMask(c.mask);
        String text = c.text;
        EXPECT_EQ(FMask.IsValidText(text), c.valid);
        EXPECT_EQ(text, c.after);
    }
}

TEST_F(StandardMaskTest, ExtractValue) {
    struct Case {
        String mask;
        String text;
        String value;
    };
    const std::vector<Case> cases = {
        {"(999)000-0000;0;_", "(123)456-7890", "1234567890"},
        {"(999)000-0000;1;_", "(12_)456-7890", "(12 )456-7890"},
        {"(999)000-0000;0;_", "(12_)45", "12 45"}, // a short text gives what it has
        {"000;1;_", "12345", "123"},
        {"0\\-0;1;*", "1-*", "1- "},
        {"\xC3\xA4"
         "0;0",
         "\xC3\xA4"
         "7",
         "7"},
        {"", "abc", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mask + " / " + c.text);
        FMask.SetMask(c.mask);
        String text = c.text;
        FMask.ExtractValue(text);
        EXPECT_EQ(text, c.value);
    }
}

} // namespace
