#include <gtest/gtest.h>

#include <vector>

#include "platform/runtime/Currency.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Variant.h"
#include "tests/support/TestSupport.h"

namespace {

struct FormatCase {
    const char* Format;
    std::vector<TVarRec> Args;
    String Expected;
};

void RunCases(const std::vector<FormatCase>& cases, const TFormatSettings& settings) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Format);
        try {
            EXPECT_EQ(Format(c.Format, c.Args, settings), c.Expected);
        } catch (const Exception& e) {
            ADD_FAILURE() << "raised: " << e.Message;
        }
    }
}

} // namespace

TEST(FormatConversions, IntegersAndPointers) {
    RunCases(
        {
            {"%d", {42}, "42"},
            {"%d", {-42}, "-42"},
            {"%D", {7}, "7"}, // conversion letters in either case
            {"%d", {Int64(INT64_MIN)}, "-9223372036854775808"},
            {"%d", {UInt64(UINT64_MAX)}, "18446744073709551615"},
            {"%d", {Byte(200)}, "200"},
            {"%.5d", {-42}, "-00042"}, // a precision pads with zeros after the sign
            {"%.1d", {123}, "123"},
            {"%.0d", {0}, "0"},
            {"%u", {-1}, "4294967295"},
            {"%u", {Int64(-1)}, "18446744073709551615"},
            {"%u", {Cardinal(7)}, "7"},
            {"%x", {255}, "FF"},
            {"%x", {-1}, "FFFFFFFF"},
            {"%x", {Int64(-1)}, "FFFFFFFFFFFFFFFF"},
            {"%X", {0xabc}, "ABC"},
            {"%.4x", {255}, "00FF"},
            {"%p", {reinterpret_cast<void*>(0x1234)}, "0000000000001234"},
            {"%p", {nullptr}, "0000000000000000"},
            {"%%", {}, "%"},
            {"100%% of %d", {5}, "100% of 5"},
        },
        testsupport::DotSettings());
}

TEST(FormatConversions, Texts) {
    const char* nothing = nullptr;
    RunCases(
        {
            {"%s", {"abc"}, "abc"},
            {"%s", {String("str")}, "str"},
            {"%s", {'c'}, "c"},
            {"%s", {WideString(u"wide \u00E9")}, "wide \xC3\xA9"},
            {"%s", {u'\u4E2D'}, "\xE4\xB8\xAD"},
            {"%s", {u"\U0001F600"}, "\xF0\x9F\x98\x80"},               // a surrogate pair
            {"%s", {WideString(1, char16_t(0xD800))}, "\xEF\xBF\xBD"}, // unpaired
            {"%s", {nothing}, ""},
            {"%.2s", {"h\xC3\xA9llo"}, "h\xC3\xA9"}, // characters, not bytes
            {"%.0s", {"abc"}, ""},
            {"%.9s", {"abc"}, "abc"},
            {"%6s", {"\xC3\xA9"}, "     \xC3\xA9"},
            {"%5s", {"h\xC3\xA9llo"}, "h\xC3\xA9llo"},
            {"%-4s|", {"ab"}, "ab  |"},
            {"%4s|", {"ab"}, "  ab|"},
            {"%2d", {12345}, "12345"}, // a width never cuts
            {"Channel %d: %s (%.4f MHz)", {3, "Base", 438.5}, "Channel 3: Base (438.5000 MHz)"},
        },
        testsupport::DotSettings());
}

TEST(FormatConversions, FloatsAndMoney) {
    RunCases(
        {
            {"%f", {3.14159}, "3.14"},
            {"%.3f", {2.0005L}, "2.001"}, // halves away from zero on the value's digits
            {"%.2f", {1.005}, "1.00"},
            {"%.14f", {1.291417776317065}, "1.29141777631706"},
            {"%.0f", {2.5}, "3"},
            {"%.0f", {-2.5}, "-3"},
            {"%f", {-0.001}, "0.00"},
            {"%8.2f|%-8.2f|", {3.14159, 3.14159}, "    3.14|3.14    |"},
            {"%f", {1.5f}, "1.50"},
            {"%f", {Currency(1.5)}, "1.50"},
            {"%.4f", {Currency::FromRaw(-12345)}, "-1.2345"},
            {"%f", {1e20}, "1E20"},
            {"%e", {1234.5}, "1.23450000000000E+003"},
            {"%.3e", {-0.00012345}, "-1.23E-004"},
            {"%g", {0.1 + 0.2}, "0.3"},
            {"%g", {1e20}, "1E020"},
            {"%.3g", {1234.5}, "1.23E003"},
            {"%.3g", {0.5}, "0.5"},
            {"%n", {1234567.891}, "1,234,567.89"},
            {"%.0n", {1234567.891}, "1,234,568"},
            {"%m", {1234.5}, "$1,234.50"},
            {"%m", {-5.0}, "($5.00)"},
            {"%.0m", {2.5}, "$3"},
            {"%m", {Currency::FromRaw(-12345678)}, "($1,234.57)"},
            {"%.4m", {Currency::FromRaw(-12345678)}, "($1,234.5678)"},
        },
        testsupport::DotSettings());

    RunCases(
        {
            {"%f", {3.14159}, "3,14"},
            {"%n", {1234567.891}, "1.234.567,89"},
            {"%m", {1234.5}, "1.234,50 \xE2\x82\xAC"},
            {"%m", {-1234.5}, "-1.234,50 \xE2\x82\xAC"},
            {"%e", {1.5}, "1,50000000000000E+000"},
        },
        testsupport::CommaSettings());

    TFormatSettings three = testsupport::DotSettings();
    three.CurrencyDecimals = 3;
    EXPECT_EQ(Format("%m", {1.0}, three), "$1.000");
}

TEST(FormatArguments, IndexWidthPrecisionAndStar) {
    RunCases(
        {
            {"%1:s %0:s", {"a", "b"}, "b a"},
            {"%1:s %s", {"a", "b", "c"}, "b c"}, // following specifiers continue after the index
            {"%0:s%0:s%s", {"x", "y"}, "xxy"},
            {"%1:-4s|", {"a", "b"}, "b   |"},
            {"%*d", {5, 42}, "   42"},
            {"%-*d|", {4, 7}, "7   |"},
            {"%.*f", {1, 2.25}, "2.3"},
            {"%*.*f", {8, 3, 3.14159}, "   3.142"},
            {"%.*d", {4, 7}, "0007"},
            {"%*:s", {1, "x"}, "x"},     // the index from an argument
            {"%.*f", {-1, 2.0}, "2.00"}, // a negative precision means none
            {"[%300d]", {1}, "[" + String(299, ' ') + "1]"},
            {"%1000000d", {1}, String(999999, ' ') + "1"}, // the largest width allowed
        },
        testsupport::DotSettings());
}

TEST(FormatArguments, ResultHasNoLengthLimit) {
    String big(100000, 'x');
    EXPECT_EQ(Format("<%s>", {big}), "<" + big + ">");
    EXPECT_EQ(Format("%s%s", {big, big}).size(), 200000u);
}

TEST(FormatArguments, CallForms) {
    testsupport::ScopedFormatSettings scoped(testsupport::CommaSettings());
    // The variadic form, the list form and the vector form read the global settings.
    EXPECT_EQ(Format("%d-%s-%.1f", 1, "a", 1.25), "1-a-1,3");
    EXPECT_EQ(Format("%d-%s", {2, String("b")}), "2-b");
    EXPECT_EQ(Format("%d", std::vector<TVarRec>{3}), "3");
    EXPECT_EQ(Format("plain"), "plain");
    EXPECT_EQ(Format("%.1f", {1.25}, testsupport::DotSettings()), "1.3");

    EXPECT_EQ(TVarRec(true).VType, vtBoolean);
    EXPECT_EQ(TVarRec('c').VType, vtChar);
    EXPECT_EQ(TVarRec(Byte(1)).VType, vtInteger);
    EXPECT_EQ(TVarRec(Word(1)).VType, vtInteger);
    EXPECT_EQ(TVarRec(Cardinal(1)).VType, vtUInt64);
    EXPECT_EQ(TVarRec(Int64(1)).VType, vtInt64);
    EXPECT_EQ(TVarRec(1.5f).VType, vtExtended);
    EXPECT_EQ(TVarRec(Currency(1)).VType, vtCurrency);
    EXPECT_EQ(TVarRec("x").VType, vtPChar);
    EXPECT_EQ(TVarRec(String("x")).VType, vtString);
    EXPECT_EQ(TVarRec(u"x").VType, vtWideString);
    int target = 0;
    EXPECT_EQ(TVarRec(&target).VType, vtPointer);
}

TEST(FormatArguments, VariantEntriesConvertByTheirValue) {
    // A number variant prints with %s and a text variant with %d, unlike plain entries.
    const Variant number(42);
    const Variant text(String("7"));
    EXPECT_EQ(Format("%s|%d|%.1f|%x", {number, text, number, number}, testsupport::DotSettings()),
              "42|7|42.0|2A");
    EXPECT_EQ(Format("%*d", {text, 1}, testsupport::DotSettings()), "      1");
    EXPECT_THROW(Format("%d", {Variant(String("x"))}, testsupport::DotSettings()), Exception);
}

TEST(FormatErrors, IncompatibleArgumentsAndBadSpecifiers) {
    const TFormatSettings dot = testsupport::DotSettings();
    int target = 0;
    const std::vector<FormatCase> cases = {
        {"%d", {1.5}, ""},         {"%d", {"x"}, ""},
        {"%d", {Currency(1)}, ""}, {"%u", {true}, ""},
        {"%f", {1}, ""},           {"%e", {Int64(1)}, ""},
        {"%m", {"1"}, ""},         {"%s", {5}, ""},
        {"%s", {true}, ""},        {"%s", {1.5}, ""},
        {"%s", {&target}, ""},     {"%p", {5}, ""},
        {"%x", {1.5}, ""},         {"%k", {1}, ""},
        {"abc%", {1}, ""},         {"%5", {1}, ""},
        {"%-", {1}, ""},           {"%.", {1}, ""},
        {"%*d", {"x", 5}, ""},     {"%.*f", {1.5, 2.0}, ""},
        {"%1:", {1, 2}, ""},       {"%99999999999d", {1}, ""},
        // Widths and precisions past a million are refused before any text is built.
        {"%2147483647d", {1}, ""}, {"%.2147483647d", {1}, ""},
        {"%1000001s", {"x"}, ""},  {"%.1000001f", {1.0}, ""},
        {"%*d", {2000000, 1}, ""}, {"%-*.*s", {1, 5000000, "x"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Format);
        try {
            Format(c.Format, c.Args, dot);
            ADD_FAILURE() << "no exception";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, String("Format '") + c.Format + "' invalid or incompatible with argument");
        }
    }
}

TEST(FormatErrors, MissingArguments) {
    const TFormatSettings dot = testsupport::DotSettings();
    const std::vector<FormatCase> cases = {
        {"%d %d", {1}, ""},          {"%d", {}, ""}, {"%2:d", {1, 2}, ""}, {"%*d", {5}, ""},
        {"%1:s %s", {"a", "b"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Format);
        try {
            Format(c.Format, c.Args, dot);
            ADD_FAILURE() << "no exception";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, String("No argument for format '") + c.Format + "'");
        }
    }
    // The text before the failing specifier is not half-returned: the call raises.
    EXPECT_THROW(Format("ok %d then %s", {1}, dot), EConvertError);
}
