#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>
#include <vector>

#include "platform/runtime/Clock.h"
#include "platform/runtime/Currency.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Numbers.h"
#include "tests/support/TestSupport.h"

namespace {

const Extended kNaN = std::numeric_limits<Extended>::quiet_NaN();
const Extended kInf = std::numeric_limits<Extended>::infinity();

struct FloatCase {
    const char* Format;
    Extended Value;
    const char* Expected;
};

// Runs `call` expecting exception E with exactly `message`.
template <class E, class F> void ExpectError(F call, const String& message) {
    try {
        call();
        ADD_FAILURE() << "no exception, expected: " << message;
    } catch (const E& e) {
        EXPECT_EQ(e.Message, message);
    }
}

} // namespace

// ---- FormatFloat -----------------------------------------------------------------------------

TEST(NumbersFormatFloat, PicturesWithDotSettings) {
    const TFormatSettings dot = testsupport::DotSettings();
    const std::vector<FloatCase> cases = {
        {"0.00000", 1.005, "1.00500"},
        {"0.00000", -0.004, "-0.00400"},
        {"0.00000", 3.1415926, "3.14159"},
        {"00000000", 12345, "00012345"},
        {"00000000", -3.5, "-00000004"},
        {"0000", 1234567.891, "1234568"}, // more digits than placeholders: all shown
        {"0000", 0, "0000"},
        {"000", 7, "007"},
        {"000", -7, "-007"},
        {"000", 0.4, "000"},
        {"000", -0.4, "000"}, // rounds to zero: no minus sign
        {"0.0", 0.15, "0.1"},  // the double lies just below 0.15
        {"0.0", 0.15L, "0.2"}, // the Extended just above it
        {"0.0", 12.34, "12.3"},
        {"0.00", 1.005, "1.00"},
        {"0.00", 2.675, "2.67"},
        {"#,##0.00", 1234567.891, "1,234,567.89"},
        {"#,##0.00", -1234.5, "-1,234.50"},
        {"#,##0.00", 999.999, "1,000.00"},
        {"#,##0.00", 0, "0.00"},
        {"#,##0.00", 12, "12.00"},
        {"#,##0", 1e18, "1E18"}, // 19 integer digits: the general form
        {"#,##0", 999999999999999999.0L, "999,999,999,999,999,999"},
        {"0,000", 1234, "1,234"}, // the comma's place does not matter
        {"0.0,0", 1234.5678, "1,234.57"}, // not even after the point
        {"0.00,", 1234.5, "1,234.50"},
        {"0.###", 1.23456, "1.235"},
        {"0.###", 1.2, "1.2"},
        {"0.###", 3, "3"},
        {"0.0##", 3, "3.0"},
        {"#.##", 0.5, ".5"},
        {"#", 0, ""},
        {"0", 1e20, "1E20"},
        {"0.00", 1e20, "1E20"},
        {"0.00", -1.5e19, "-1.5E19"},
        {"0.00E+00", 1e20, "1.00E+20"}, // an exponent section keeps its picture
        {".00", 12.5, "12.50"},
        {"$#,##0.00", -5, "-$5.00"}, // the sign goes first
        {"0 %", 50, "50 %"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(String(c.Format) + " / " + std::to_string(static_cast<double>(c.Value)));
        EXPECT_EQ(FormatFloat(c.Format, c.Value, dot), c.Expected);
    }
}

TEST(NumbersFormatFloat, HalvesGoAwayFromZeroOnBothSides) {
    const TFormatSettings dot = testsupport::DotSettings();
    const std::vector<FloatCase> cases = {
        {"0", 0.5, "1"},           {"0", -0.5, "-1"},       {"0", 2.5, "3"},
        {"0", -2.5, "-3"},         {"0.0", 0.25, "0.3"},    {"0.0", -0.25, "-0.3"},
        {"0.0", 0.35L, "0.4"},      {"0.0", -0.35L, "-0.4"}, {"0.00", 1.005L, "1.01"},
        {"0.00", -1.005L, "-1.01"}, {"0.00", 0.125, "0.13"}, {"0.00", -0.125, "-0.13"},
        {"0.0", 0.04999, "0.0"},    {"0.0", 9.95L, "10.0"},  {"0.0", -9.95L, "-10.0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(String(c.Format) + " / " + std::to_string(static_cast<double>(c.Value)));
        EXPECT_EQ(FormatFloat(c.Format, c.Value, dot), c.Expected);
    }
}

TEST(NumbersFormatFloat, SectionsQuotesAndExponents) {
    const TFormatSettings dot = testsupport::DotSettings();
    const char* three = "#,##0.00;(#,##0.00);Zero";
    const std::vector<FloatCase> cases = {
        {three, 1234.5, "1,234.50"},
        {three, -1234.5, "(1,234.50)"},
        {three, 0, "Zero"},
        {three, -0.001, "Zero"}, // rounds to zero in its section
        {three, 0.004, "Zero"},
        {three, 0.005, "0.01"},
        {"0.0;(0.0)", -2, "(2.0)"},
        {"0.0;;Nil", -2, "-2.0"}, // empty negative section: the positive one behind a "-"
        {"0.0;;Nil", 0, "Nil"},
        {"0.0;(0.0);", 0, "0.0"}, // empty zero section: the positive one
        {"'Total: '0.00' kg'", 12.5, "Total: 12.50 kg"},
        {"\"#\"0", 5, "#5"},
        {"'a;b'0", 5, "a;b5"},
        {"0.00E+00", 1234.5, "1.23E+03"},
        {"0.00E+00", -0.000123, "-1.23E-04"},
        {"0.00E+00", 0, "0.00E+00"},
        {"0.00E+00", 9.999, "1.00E+01"},
        {"0.0E-0", 1234, "1.2E3"},
        {"0.0e-00", 0.00015, "1.5e-04"},
        {"00.0E+0", 5, "50.0E-1"},
        {"#.##E+00", 0.000123, "1.23E-04"},
        {"##0.0E+0", 0, "0.0E+0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(String(c.Format) + " / " + std::to_string(static_cast<double>(c.Value)));
        EXPECT_EQ(FormatFloat(c.Format, c.Value, dot), c.Expected);
    }
}

TEST(NumbersFormatFloat, LocaleSeparatorsSpecialValuesAndEmptyFormat) {
    const TFormatSettings comma = testsupport::CommaSettings();
    EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891, comma), "1.234.567,89");
    EXPECT_EQ(FormatFloat("0.0", 0.15L, comma), "0,2");
    EXPECT_EQ(FormatFloat("0.00E+00", 1234.5, comma), "1,23E+03");
    EXPECT_EQ(FormatFloat("", 0.1 + 0.2, comma), "0,3");
    EXPECT_EQ(FormatFloat("", 1e20, comma), "1E20");
    EXPECT_EQ(FormatFloat(";(0)", 5, comma), "5"); // the section the value needs is empty

    EXPECT_EQ(FormatFloat("0.00", kNaN, comma), "NAN");
    EXPECT_EQ(FormatFloat("0.00", kInf, comma), "INF");
    EXPECT_EQ(FormatFloat("0.00", -kInf, comma), "-INF");

    testsupport::ScopedFormatSettings scoped(comma);
    EXPECT_EQ(FormatFloat("0.00", 2.5), "2,50");
}

// ---- FloatToStr / FloatToStrF --------------------------------------------------------------

TEST(NumbersFloatToStr, GeneralFormSwitchesToExponentAtTheEdges) {
    const TFormatSettings dot = testsupport::DotSettings();
    struct Case {
        Extended Value;
        const char* Expected;
    };
    const std::vector<Case> cases = {
        {0.1 + 0.2, "0.3"},
        {1.291417776317065, "1.29141777631706"}, // 15 digits of the double's own value
        {0.15, "0.15"},
        {0.1L, "0.1"}, // an Extended that is no double: 18 digits, then 15
        {1.0L / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {100, "100"},
        {-1.5, "-1.5"},
        {0, "0"},
        {-0.0, "0"},
        {999999999999999.0, "999999999999999"},
        {1e15, "1E15"},
        {123456789012345678.0, "1.23456789012346E17"},
        {1e20, "1E20"},
        {0.0001, "0.0001"},
        {0.00001, "1E-5"},
        {-1.5e-7, "-1.5E-7"},
        {2.5e-300, "2.5E-300"},
        {1e4000L, "1E4000"},
        {kNaN, "NAN"},
        {kInf, "INF"},
        {-kInf, "-INF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Expected);
        EXPECT_EQ(FloatToStr(c.Value, dot), c.Expected);
    }
    EXPECT_EQ(FloatToStr(-1.5, testsupport::CommaSettings()), "-1,5");
    EXPECT_EQ(FloatToStr(1.5e-7, testsupport::CommaSettings()), "1,5E-7");
}

TEST(NumbersFloatToStr, EachFloatFormat) {
    const TFormatSettings dot = testsupport::DotSettings();
    struct Case {
        Extended Value;
        TFloatFormat Format;
        Integer Precision;
        Integer Digits;
        const char* Expected;
    };
    const std::vector<Case> cases = {
        {1234.5678, ffGeneral, 6, 0, "1234.57"},
        {1234.5678, ffGeneral, 3, 0, "1.23E3"},
        {1234.5678, ffGeneral, 3, 2, "1.23E03"},
        {0.000012, ffGeneral, 15, 3, "1.2E-005"},
        {1234.5678, ffExponent, 4, 2, "1.235E+03"},
        {-0.00012345, ffExponent, 3, 0, "-1.23E-4"},
        {0, ffExponent, 3, 2, "0.00E+00"},
        {5, ffExponent, 1, 0, "5E+0"},
        {1234.5678, ffFixed, 15, 2, "1234.57"},
        {-1234.5678, ffFixed, 15, 0, "-1235"},
        {0.125, ffFixed, 15, 2, "0.13"},
        {-0.001, ffFixed, 15, 2, "0.00"},
        {123.456, ffFixed, 4, 2, "123.50"}, // rounded to four significant digits first
        {0.1449, ffFixed, 3, 2, "0.14"},    // rounded once, not 0.145 then 0.15
        {0.15, ffFixed, 15, 1, "0.1"},      // the double below 0.15
        {0.15L, ffFixed, 15, 1, "0.2"},
        {2.675, ffNumber, 15, 2, "2.67"},
        {1.005, ffCurrency, 15, 2, "$1.00"},
        {1e20, ffFixed, 15, 2, "1E20"},     // more integer digits than the precision
        {1234567.891, ffNumber, 15, 2, "1,234,567.89"},
        {-1234.5, ffNumber, 15, 0, "-1,235"},
        {999, ffNumber, 15, 1, "999.0"},
        {1234.5, ffCurrency, 15, 2, "$1,234.50"},
        {-1234.5, ffCurrency, 15, 2, "($1,234.50)"},
        {-0.001, ffCurrency, 15, 2, "$0.00"},
        {kNaN, ffFixed, 15, 2, "NAN"},
        {-kInf, ffCurrency, 15, 2, "-INF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Expected);
        EXPECT_EQ(FloatToStrF(c.Value, c.Format, c.Precision, c.Digits, dot), c.Expected);
    }
    const TFormatSettings comma = testsupport::CommaSettings(); // "1 €" and "-1 €"
    EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2, comma), "1.234,50 \xE2\x82\xAC");
    EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2, comma), "-1.234,50 \xE2\x82\xAC");
    EXPECT_EQ(FloatToStrF(1234.5, ffNumber, 15, 1, comma), "1.234,5");
}

TEST(NumbersFloatToStr, CurrencyPlacements) {
    TFormatSettings s = testsupport::DotSettings();
    s.CurrencyString = "$";
    const char* positive[] = {"$1", "1$", "$ 1", "1 $"};
    for (Byte f = 0; f < 4; ++f) {
        s.CurrencyFormat = f;
        SCOPED_TRACE(int(f));
        EXPECT_EQ(FloatToStrF(1, ffCurrency, 15, 0, s), positive[f]);
    }
    const char* negative[] = {"($1)", "-$1",  "$-1",  "$1-",  "(1$)", "-1$",  "1-$",   "1$-",
                              "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)"};
    for (Byte f = 0; f < 16; ++f) {
        s.NegCurrFormat = f;
        SCOPED_TRACE(int(f));
        EXPECT_EQ(FloatToStrF(-1, ffCurrency, 15, 0, s), negative[f]);
    }
}

TEST(NumbersFloatToStr, GlobalOverloadsReadFormatSettings) {
    testsupport::ScopedFormatSettings scoped(testsupport::CommaSettings());
    EXPECT_EQ(FloatToStr(2.5), "2,5");
    EXPECT_EQ(FloatToStrF(1234.5, ffNumber, 15, 2), "1.234,50");
    EXPECT_EQ(StrToFloat("2,5"), 2.5);
    EXPECT_EQ(CurrToStr(Currency(2.5)), "2,5");
}

// ---- Text to floating point ------------------------------------------------------------------

TEST(NumbersStrToFloat, DotLocale) {
    const TFormatSettings dot = testsupport::DotSettings();
    struct Case {
        const char* Text;
        Extended Expected;
    };
    const std::vector<Case> good = {
        {"1.5", 1.5L},     {" -1.5e3 ", -1500}, {"+.5E-2", 0.005L},  {"5.", 5},     {"0", 0},
        {"-0.25", -0.25L}, {"12e+2", 1200},     {"1e4000", 1e4000L}, {"0.1", 0.1L}, // read as Extended, not
                                                                                    // as the double 0.1
    };
    for (const auto& c : good) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(StrToFloat(c.Text, dot), c.Expected);
    }
    const std::vector<const char*> bad = {"1,5",    "",    "   ",  "1e",    "e5",  "1 000",
                                          "0x10",   "INF", "NAN",  "1.5.2", "--1", "+-1",
                                          "1e5000", "abc", "1.5x", "\t1",   ".",   "-"};
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        ExpectError<EConvertError>([&] { StrToFloat(text, dot); },
                                   String("'") + text + "' is not a valid floating point value");
        Extended value = 7;
        EXPECT_FALSE(TryStrToFloat(text, value, dot));
        EXPECT_EQ(value, 7); // left alone
        EXPECT_EQ(StrToFloatDef(text, -1, dot), -1);
    }
}

TEST(NumbersStrToFloat, CommaLocale) {
    const TFormatSettings comma = testsupport::CommaSettings();
    EXPECT_EQ(StrToFloat("1,5", comma), 1.5L);
    EXPECT_EQ(StrToFloat(" -2,25e1", comma), -22.5L);
    EXPECT_EQ(StrToFloat(",5", comma), 0.5L);
    for (const char* text : {"1.5", "1.000,5", "1,5,0"}) {
        SCOPED_TRACE(text);
        ExpectError<EConvertError>([&] { StrToFloat(text, comma); },
                                   String("'") + text + "' is not a valid floating point value");
    }
}

TEST(NumbersStrToFloat, DoubleRangeBuffersAndEmbeddedNul) {
    const TFormatSettings dot = testsupport::DotSettings();
    double d = 0;
    EXPECT_TRUE(TryStrToFloat("0.1", d, dot));
    EXPECT_EQ(d, 0.1); // rounded once, straight to the double
    EXPECT_FALSE(TryStrToFloat("1e400", d, dot));
    Extended e = 0;
    EXPECT_TRUE(TryStrToFloat("1e400", e, dot));

    EXPECT_TRUE(TextToFloat(" 2.5 ", e, dot));
    EXPECT_EQ(e, 2.5L);
    EXPECT_FALSE(TextToFloat(nullptr, e, dot));
    Currency c;
    EXPECT_TRUE(TextToFloat("2.5", c, dot));
    EXPECT_EQ(c, Currency(2.5));

    EXPECT_FALSE(TryStrToFloat(String("1\0x", 3), e, dot));
    EXPECT_FALSE(TryStrToCurr(String("1\0", 2), c, dot));
}

// ---- Rounding and MulDiv ---------------------------------------------------------------------

TEST(NumbersRounding, RoundHalvesToEvenWhileFormattingGoesAway) {
    struct Case {
        Extended Value;
        Int64 Rounded;
        const char* Formatted;
    };
    const std::vector<Case> cases = {
        {0.5, 0, "1"},    {1.5, 2, "2"},    {2.5, 2, "3"}, {3.5, 4, "4"},    {-0.5, 0, "-1"},
        {-2.5, -2, "-3"}, {-3.5, -4, "-4"}, {2.6, 3, "3"}, {-2.4, -2, "-2"}, {2.4999, 2, "2"},
    };
    const TFormatSettings dot = testsupport::DotSettings();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Formatted);
        EXPECT_EQ(Round(c.Value), c.Rounded);
        EXPECT_EQ(FormatFloat("0", c.Value, dot), c.Formatted);
    }
    EXPECT_EQ(Round(-0x1p63L), INT64_MIN);
    EXPECT_EQ(Round(1e18L + 0.5L), 1000000000000000000LL);
    EXPECT_EQ(Trunc(-2.7), -2);
    EXPECT_EQ(Trunc(2.9999), 2);
    EXPECT_EQ(Int(2.7), 2.0L);
    EXPECT_EQ(Int(-2.7), -2.0L);
    EXPECT_EQ(Frac(-2.75), -0.75L);
    EXPECT_EQ(Frac(3), 0.0L);
}

TEST(NumbersRounding, MulDiv) {
    struct Case {
        Integer A, B, C, Expected;
    };
    const std::vector<Case> cases = {
        {1, 1, 2, 1},
        {-1, 1, 2, -1},
        {3, 1, 2, 2},
        {-3, 1, 2, -2},
        {1, 100, 3, 33},
        {2, 100, 3, 67},
        {10, -3, 4, -8},
        {10, 3, -4, -8},
        {-10, -3, 4, 8},
        {10, 3, 4, 8},
        {100, 96, 72, 133},
        {8, 96, 72, 11},
        {5, 3, 0, -1},
        {INT_MAX, INT_MAX, 1, -1}, // does not fit 32 bits
        {INT_MAX, INT_MAX, INT_MAX, INT_MAX},
        {INT_MIN, 2, 4, INT_MIN / 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.A) + "*" + std::to_string(c.B) + "/" + std::to_string(c.C));
        EXPECT_EQ(MulDiv(c.A, c.B, c.C), c.Expected);
    }
}

// ---- Math errors -----------------------------------------------------------------------------

TEST(NumbersMathErrors, ClassesAndTexts) {
    ExpectError<EZeroDivide>([] { FloatDiv(1, 0); }, "Floating point division by zero");
    ExpectError<EZeroDivide>([] { FloatDiv(-1, 0); }, "Floating point division by zero");
    ExpectError<EInvalidOp>([] { FloatDiv(0, 0); }, "Invalid floating point operation");
    ExpectError<EInvalidOp>([] { FloatDiv(kInf, kInf); }, "Invalid floating point operation");
    ExpectError<EOverflow>([] { FloatDiv(LDBL_MAX, 0.5); }, "Floating point overflow");
    EXPECT_EQ(FloatDiv(1, 4), 0.25L);
    EXPECT_TRUE(std::isnan(FloatDiv(kNaN, 0)));

    EXPECT_EQ(IntDiv(Int64(7), Int64(2)), 3);
    EXPECT_EQ(IntDiv(Int64(-7), Int64(2)), -3);
    EXPECT_EQ(IntMod(Int64(-7), Int64(2)), -1);
    EXPECT_EQ(IntMod(Int64(7), Int64(-2)), 1);
    EXPECT_EQ(IntDiv(-7, 2), -3);
    EXPECT_EQ(IntMod(-7, 2), -1);
    ExpectError<EDivByZero>([] { IntDiv(1, 0); }, "Division by zero");
    ExpectError<EDivByZero>([] { IntMod(Int64(1), Int64(0)); }, "Division by zero");
    ExpectError<EIntOverflow>([] { IntDiv(INT64_MIN, Int64(-1)); }, "Integer overflow");
    ExpectError<EIntOverflow>([] { IntMod(INT32_MIN, -1); }, "Integer overflow");

    for (Extended bad : {kNaN, kInf, -kInf, 1e19L, -1e19L, 0x1p63L}) {
        SCOPED_TRACE(static_cast<double>(bad));
        ExpectError<EInvalidOp>([&] { Round(bad); }, "Invalid floating point operation");
        ExpectError<EInvalidOp>([&] { Trunc(bad); }, "Invalid floating point operation");
    }
    ExpectError<EInvalidOp>([] { Frac(kInf); }, "Invalid floating point operation");
    ExpectError<ERangeError>([] { RaiseRangeError(); }, "Range check error");
    ExpectError<EOverflow>([] { RaiseOverflow(); }, "Floating point overflow");

    // The family: every float error is an EMathError, every integer one an EIntError.
    EXPECT_THROW(FloatDiv(1, 0), EMathError);
    EXPECT_THROW(IntDiv(1, 0), EIntError);
}

// ---- Currency --------------------------------------------------------------------------------

TEST(NumbersCurrency, TextRoundTrip) {
    const TFormatSettings dot = testsupport::DotSettings();
    struct Case {
        const char* Text;
        const char* Shown;
    };
    const std::vector<Case> cases = {
        {"0", "0"},
        {"1.5", "1.5"},
        {"-1234.5678", "-1234.5678"},
        {"0.0001", "0.0001"},
        {" 12e3 ", "12000"},
        {"1.00005", "1"}, // beyond four decimals a half goes to the even neighbour
        {"1.00015", "1.0002"},
        {"1.000051", "1.0001"},
        {"1e-10", "0"},
        {"922337203685477.5807", "922337203685477.5807"},
        {"-922337203685477.5808", "-922337203685477.5808"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        Currency value = StrToCurr(c.Text, dot);
        EXPECT_EQ(CurrToStr(value, dot), c.Shown);
        EXPECT_EQ(StrToCurr(CurrToStr(value, dot), dot), value);
    }
    EXPECT_EQ(CurrToStr(MaxCurrency, dot), "922337203685477.5807");
    EXPECT_EQ(StrToCurr("-922337203685477.5808", dot), MinCurrency);

    const TFormatSettings comma = testsupport::CommaSettings();
    EXPECT_EQ(CurrToStr(StrToCurr("-1,25", comma), comma), "-1,25");

    for (const char* text : {"922337203685477.5808", "-922337203685477.5809", "abc", "1.5", "1e20"}) {
        SCOPED_TRACE(text);
        ExpectError<EConvertError>([&] { StrToCurr(text, comma); },
                                   String("'") + text + "' is not a valid floating point value");
    }
}

TEST(NumbersCurrency, FormsAndFloatConversion) {
    const TFormatSettings dot = testsupport::DotSettings();
    Currency value = StrToCurr("-1234.5678", dot);
    EXPECT_EQ(CurrToStrF(value, ffFixed, 2, dot), "-1234.57");
    EXPECT_EQ(CurrToStrF(value, ffNumber, 4, dot), "-1,234.5678");
    EXPECT_EQ(CurrToStrF(value, ffCurrency, 2, dot), "($1,234.57)");
    EXPECT_EQ(CurrToStrF(-value, ffCurrency, 0, dot), "$1,235");

    EXPECT_EQ(FloatToCurr(1.23456, dot).Raw(), 12346);
    EXPECT_EQ(FloatToCurr(-0.5, dot).Raw(), -5000);
    ExpectError<EConvertError>([&] { FloatToCurr(1e16, dot); }, "'1E16' is not a valid currency value");
    ExpectError<EConvertError>([&] { FloatToCurr(kNaN, dot); }, "'NAN' is not a valid currency value");
    ExpectError<EConvertError>([&] { FloatToCurr(-kInf, dot); }, "'-INF' is not a valid currency value");
}

TEST(NumbersCurrency, Arithmetic) {
    EXPECT_EQ(Currency(1.5) + Currency(2), Currency(3.5));
    EXPECT_EQ(Currency(1.5) - 2, Currency(-0.5));
    EXPECT_EQ(Currency(10) / Currency(3), Currency::FromRaw(33333));
    EXPECT_EQ(Currency(2) / Currency(3), Currency::FromRaw(6667));
    EXPECT_EQ(Currency(-2) / Currency(3), Currency::FromRaw(-6667));
    EXPECT_EQ(Currency(1.25) * Currency(4), Currency(5));
    // Products round to four decimals, halves to even: 0.0001 × 0.5 and 0.0003 × 0.5.
    EXPECT_EQ(Currency::FromRaw(1) * Currency(0.5), Currency(0));
    EXPECT_EQ(Currency::FromRaw(3) * Currency(0.5), Currency::FromRaw(2));
    EXPECT_EQ(Currency::FromRaw(-3) * Currency(0.5), Currency::FromRaw(-2));
    EXPECT_TRUE(Currency(1) < Currency(1.0001));
    EXPECT_TRUE(Currency(-1) < 0);
    EXPECT_EQ(Currency(2.5).ToInt64(), 2);
    EXPECT_EQ(Currency(3.5).ToInt64(), 4);
    EXPECT_EQ(Currency(-2.5).ToInt64(), -2);
    EXPECT_EQ(Currency(1.5).ToExtended(), 1.5L);
    EXPECT_EQ(static_cast<double>(Currency::FromRaw(1)), 0.0001);
    EXPECT_EQ(Currency(Cardinal(7)).Raw(), 70000);

    ExpectError<EInvalidOp>([] { (void)(MaxCurrency + Currency::FromRaw(1)); },
                            "Invalid floating point operation");
    ExpectError<EInvalidOp>([] { (void)(-MinCurrency); }, "Invalid floating point operation");
    ExpectError<EInvalidOp>([] { (void)(MaxCurrency * Currency(2)); }, "Invalid floating point operation");
    ExpectError<EInvalidOp>([] { (void)Currency(1e30); }, "Invalid floating point operation");
    ExpectError<EInvalidOp>([] { (void)Currency(INT64_MAX); }, "Invalid floating point operation");
    ExpectError<EInvalidOp>([] { (void)Currency(UINT64_MAX); }, "Invalid floating point operation");
    ExpectError<EZeroDivide>([] { (void)(Currency(1) / Currency(0)); }, "Floating point division by zero");
    ExpectError<EInvalidOp>([] { (void)(Currency(0) / Currency(0)); }, "Invalid floating point operation");
}

// ---- Random ----------------------------------------------------------------------------------

// Expected values worked out by hand from seed := seed × 134775813 + 1 (mod 2^32):
//   from 0:     seeds 1, 134775814, 3698175007
//               (134775814 × 134775813 + 1 = 18164528075741783 = 4229283 × 2^32 + 3698175007)
//   from 12345: 12345 × 134775813 + 1 = 1663807411486 = 387 × 2^32 + 1655067934,
//               then 1242767767, 342459380
// Random(100) is (seed × 100) div 2^32; Random() is seed / 2^32.
TEST(NumbersRandom, FirstValuesForKnownSeeds) {
    RandSeed = 0;
    EXPECT_EQ(Random(100), 0);
    EXPECT_EQ(Random(100), 3); // 13477581400 div 4294967296
    EXPECT_EQ(Random(100), 86);
    EXPECT_EQ(RandSeed, static_cast<Integer>(3698175007u));

    RandSeed = 0;
    EXPECT_EQ(Random(), 1.0L / 4294967296.0L);
    EXPECT_EQ(Random(), 134775814.0L / 4294967296.0L);
    EXPECT_EQ(Random(), 3698175007.0L / 4294967296.0L);

    RandSeed = 12345;
    EXPECT_EQ(Random(1000), 385);
    EXPECT_EQ(Random(1000), 289);
    EXPECT_EQ(Random(1000), 79);

    RandSeed = 12345;
    Extended first = Random();
    EXPECT_EQ(first, 1655067934.0L / 4294967296.0L);
    EXPECT_GE(first, 0.0L);
    EXPECT_LT(first, 1.0L);
}

TEST(NumbersRandom, RandomizeSeedsFromTheMonotonicClock) {
    ClockSetMode(TClockMode::Manual);
    Randomize();
    EXPECT_EQ(static_cast<Cardinal>(RandSeed), static_cast<Cardinal>(ClockMonotonicMicros()));
    Integer before = RandSeed;
    ClockAdvanceMicros(5);
    Randomize();
    EXPECT_EQ(static_cast<Cardinal>(RandSeed), static_cast<Cardinal>(before) + 5u);
    ClockSetMode(TClockMode::Real);
}
