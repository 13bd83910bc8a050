#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/Variant.h"
#include "tests/support/TestSupport.h"

// Lets GoogleTest show variants by type and text.
[[maybe_unused]] static void PrintTo(const Variant& v, std::ostream* os) {
    *os << VarTypeAsText(v.VType());
    try {
        if (!VarIsArray(v)) *os << " " << VarToStr(v);
    } catch (const Exception&) {
    }
}

namespace {

class VariantTest : public ::testing::Test {
protected:
    testsupport::ScopedFormatSettings FSettings{testsupport::DotSettings()};
};

TDateTime At(Word year, Word month, Word day, Word hour = 0, Word min = 0, Word sec = 0, Word msec = 0) {
    return EncodeDate(year, month, day) + EncodeTime(hour, min, sec, msec);
}

// A conversion result as "Type:text" ("Date:<days>" for dates and time stamps), or the kind of
// error it raised.
String Render(const Variant& v) {
    switch (v.VType()) {
    case varEmpty:
        return "Empty";
    case varNull:
        return "Null";
    case varDate:
        return "Date:" + FloatToStr(v.AsDouble());
    case varSQLTimeStamp:
        return "SQLTimeStamp:" + FloatToStr(v.AsDateTime());
    default:
        return VarTypeAsText(v.VType()) + ":" + VarToStr(v);
    }
}

template <class F> String Outcome(F call) {
    try {
        return Render(call());
    } catch (const EVariantTypeCastError&) {
        return "cast";
    } catch (const EVariantOverflowError&) {
        return "overflow";
    } catch (const Exception& e) {
        return String("other:") + e.ClassName();
    }
}

template <class E, class F> String ErrorText(F call) {
    try {
        call();
    } catch (const E& e) {
        return e.Message;
    } catch (const Exception& e) {
        return String("wrong class ") + e.ClassName() + ": " + e.Message;
    }
    return "no error";
}

TSQLTimeStamp Stamp(SmallInt year, Word month, Word day, Word hour, Word minute, Word second, LongWord ms) {
    TSQLTimeStamp s;
    s.Year = year;
    s.Month = month;
    s.Day = day;
    s.Hour = hour;
    s.Minute = minute;
    s.Second = second;
    s.Fractions = ms;
    return s;
}

TEST_F(VariantTest, ConstructionGivesTheTypeOfTheCppValue) {
    struct Case {
        const char* name;
        Variant value;
        TVarType type;
        const char* text;
    };
    const std::vector<Case> cases = {
        {"empty", Variant(), varEmpty, ""},
        {"Unassigned", Unassigned(), varEmpty, ""},
        {"Null", Null(), varNull, ""},
        {"bool", Variant(true), varBoolean, "True"},
        {"int8", Variant(ShortInt(-8)), varShortInt, "-8"},
        {"uint8", Variant(Byte(200)), varByte, "200"},
        {"int16", Variant(SmallInt(-300)), varSmallint, "-300"},
        {"uint16", Variant(Word(60000)), varWord, "60000"},
        {"int", Variant(-70000), varInteger, "-70000"},
        {"uint32", Variant(LongWord(4000000000u)), varLongWord, "4000000000"},
        {"int64", Variant(Int64(-5000000000)), varInt64, "-5000000000"},
        {"uint64 that fits", Variant(UInt64(5)), varInt64, "5"},
        {"uint64 beyond Int64", Variant(std::numeric_limits<UInt64>::max()), varDouble,
         "1.84467440737096E19"},
        {"float", Variant(0.1f), varSingle, "0.1"},
        {"double", Variant(0.1), varDouble, "0.1"},
        {"long double", Variant(2.5L), varDouble, "2.5"},
        {"Currency", Variant(Currency::FromRaw(15000)), varCurrency, "1.5"},
        {"date", VarFromDateTime(At(2024, 3, 5)), varDate, "3/5/2024"},
        {"C string", Variant("abc"), varString, "abc"},
        {"String", Variant(String("\xC3\xA4")), varString, "\xC3\xA4"},
        {"char", Variant('x'), varString, "x"},
        {"wide literal", Variant(u"\u00E4\u20AC"), varOleStr, "\xC3\xA4\xE2\x82\xAC"},
        {"char16_t", Variant(u'w'), varOleStr, "w"},
        {"FMTBcd", Variant(StrToBcd("-12.5")), varFMTBcd, "-12.5"},
        {"time stamp", Variant(Stamp(2024, 3, 5, 13, 30, 0, 0)), varSQLTimeStamp, "3/5/2024 1:30:00 PM"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.value.VType(), c.type);
        EXPECT_EQ(VarToStr(c.value), c.text);
    }
    EXPECT_EQ(VarAsError(5).VType(), varError);
    EXPECT_EQ(VarAsError(5).AsError(), 5);
}

// Every source type converted into every simple type: the result, or the error where no
// conversion exists ("cast") or the value does not fit ("overflow").
TEST_F(VariantTest, ConversionTable) {
    const std::vector<TVarType> targets = {varEmpty,    varNull,     varSmallint,    varInteger,  varSingle,
                                           varDouble,   varCurrency, varDate,        varOleStr,   varBoolean,
                                           varShortInt, varByte,     varWord,        varLongWord, varInt64,
                                           varString,   varFMTBcd,   varSQLTimeStamp};
    struct Row {
        const char* name;
        Variant source;
        std::vector<const char*> expected; // in the order of `targets`
    };
    const char* const dateText = "3/5/2024 12:00:00 PM";
    const std::vector<Row> rows = {
        {"Empty",
         Variant(),
         {"Empty", "Null", "Smallint:0", "Integer:0", "Single:0", "Double:0", "Currency:0", "Date:0",
          "OleStr:", "Boolean:False", "ShortInt:0", "Byte:0", "Word:0", "LongWord:0", "Int64:0",
          "String:", "FMTBcd:0", "SQLTimeStamp:0"}},
        {"Null",
         Null(),
         {"Empty", "Null", "cast", "cast", "cast", "cast", "cast", "cast", "cast", "cast", "cast", "cast",
          "cast", "cast", "cast", "cast", "cast", "cast"}},
        {"Smallint 300",
         Variant(SmallInt(300)),
         {"Empty", "Null", "Smallint:300", "Integer:300", "Single:300", "Double:300", "Currency:300",
          "Date:300", "OleStr:300", "Boolean:True", "overflow", "overflow", "Word:300", "LongWord:300",
          "Int64:300", "String:300", "FMTBcd:300", "SQLTimeStamp:300"}},
        {"Integer -5",
         Variant(-5),
         {"Empty", "Null", "Smallint:-5", "Integer:-5", "Single:-5", "Double:-5", "Currency:-5", "Date:-5",
          "OleStr:-5", "Boolean:True", "ShortInt:-5", "overflow", "overflow", "overflow", "Int64:-5",
          "String:-5", "FMTBcd:-5", "SQLTimeStamp:-5"}},
        {"Single 2.5",
         Variant(2.5f),
         {"Empty", "Null", "Smallint:2", "Integer:2", "Single:2.5", "Double:2.5", "Currency:2.5", "Date:2.5",
          "OleStr:2.5", "Boolean:True", "ShortInt:2", "Byte:2", "Word:2", "LongWord:2", "Int64:2",
          "String:2.5", "FMTBcd:2.5", "SQLTimeStamp:2.5"}},
        {"Double -1234.5",
         Variant(-1234.5),
         {"Empty", "Null", "Smallint:-1234", "Integer:-1234", "Single:-1234.5", "Double:-1234.5",
          "Currency:-1234.5", "Date:-1234.5", "OleStr:-1234.5", "Boolean:True", "overflow", "overflow",
          "overflow", "overflow", "Int64:-1234", "String:-1234.5", "FMTBcd:-1234.5", "SQLTimeStamp:-1234.5"}},
        {"Currency 1.2345",
         Variant(Currency::FromRaw(12345)),
         {"Empty", "Null", "Smallint:1", "Integer:1", "Single:1.2345", "Double:1.2345", "Currency:1.2345",
          "Date:1.2345", "OleStr:1.2345", "Boolean:True", "ShortInt:1", "Byte:1", "Word:1", "LongWord:1",
          "Int64:1", "String:1.2345", "FMTBcd:1.2345", "SQLTimeStamp:1.2345"}},
        {"Date 2024-03-05 12:00",
         VarFromDateTime(At(2024, 3, 5, 12)),
         {"Empty", "Null", "overflow", "Integer:45356", "Single:45356.5", "Double:45356.5",
          "Currency:45356.5", "Date:45356.5", dateText, "Boolean:True", "overflow", "overflow", "Word:45356",
          "LongWord:45356", "Int64:45356", dateText, "FMTBcd:45356.5", "SQLTimeStamp:45356.5"}},
        {"OleStr 42",
         Variant(u"42"),
         {"Empty", "Null", "Smallint:42", "Integer:42", "Single:42", "Double:42", "Currency:42", "Date:42",
          "OleStr:42", "Boolean:True", "ShortInt:42", "Byte:42", "Word:42", "LongWord:42", "Int64:42",
          "String:42", "FMTBcd:42", "SQLTimeStamp:42"}},
        {"String ' 12.5 '",
         Variant(" 12.5 "),
         {"Empty", "Null", "Smallint:12", "Integer:12", "Single:12.5", "Double:12.5", "Currency:12.5",
          "Date:12.5", "OleStr: 12.5 ", "Boolean:True", "ShortInt:12", "Byte:12", "Word:12", "LongWord:12",
          "Int64:12", "String: 12.5 ", "FMTBcd:12.5", "SQLTimeStamp:12.5"}},
        {"String abc",
         Variant("abc"),
         {"Empty", "Null", "cast", "cast", "cast", "cast", "cast", "cast", "OleStr:abc", "cast", "cast",
          "cast", "cast", "cast", "cast", "String:abc", "cast", "cast"}},
        {"String 1e400",
         Variant("1e400"),
         {"Empty", "Null", "overflow", "overflow", "overflow", "overflow", "overflow", "overflow",
          "OleStr:1e400", "Boolean:True", "overflow", "overflow", "overflow", "overflow", "overflow",
          "String:1e400", "overflow", "overflow"}},
        {"Boolean True",
         Variant(true),
         {"Empty", "Null", "Smallint:-1", "Integer:-1", "Single:-1", "Double:-1", "Currency:-1", "Date:-1",
          "OleStr:True", "Boolean:True", "ShortInt:-1", "overflow", "overflow", "overflow", "Int64:-1",
          "String:True", "FMTBcd:-1", "SQLTimeStamp:-1"}},
        {"ShortInt -7",
         Variant(ShortInt(-7)),
         {"Empty", "Null", "Smallint:-7", "Integer:-7", "Single:-7", "Double:-7", "Currency:-7", "Date:-7",
          "OleStr:-7", "Boolean:True", "ShortInt:-7", "overflow", "overflow", "overflow", "Int64:-7",
          "String:-7", "FMTBcd:-7", "SQLTimeStamp:-7"}},
        {"Byte 200",
         Variant(Byte(200)),
         {"Empty", "Null", "Smallint:200", "Integer:200", "Single:200", "Double:200", "Currency:200",
          "Date:200", "OleStr:200", "Boolean:True", "overflow", "Byte:200", "Word:200", "LongWord:200",
          "Int64:200", "String:200", "FMTBcd:200", "SQLTimeStamp:200"}},
        {"Word 60000",
         Variant(Word(60000)),
         {"Empty", "Null", "overflow", "Integer:60000", "Single:60000", "Double:60000", "Currency:60000",
          "Date:60000", "OleStr:60000", "Boolean:True", "overflow", "overflow", "Word:60000",
          "LongWord:60000", "Int64:60000", "String:60000", "FMTBcd:60000", "SQLTimeStamp:60000"}},
        {"LongWord 4000000000",
         Variant(LongWord(4000000000u)),
         {"Empty", "Null", "overflow", "overflow", "Single:4E9", "Double:4000000000", "Currency:4000000000",
          "Date:4000000000", "OleStr:4000000000", "Boolean:True", "overflow", "overflow", "overflow",
          "LongWord:4000000000", "Int64:4000000000", "String:4000000000", "FMTBcd:4000000000", "overflow"}},
        {"Int64 10^10",
         Variant(Int64(10000000000)),
         {"Empty", "Null", "overflow", "overflow", "Single:1E10", "Double:10000000000",
          "Currency:10000000000", "Date:10000000000", "OleStr:10000000000", "Boolean:True", "overflow",
          "overflow", "overflow", "overflow", "Int64:10000000000", "String:10000000000", "FMTBcd:10000000000",
          "overflow"}},
        {"Int64 beyond Currency",
         Variant(Int64(1) << 62),
         {"Empty", "Null", "overflow", "overflow", "Single:4.611686E18", "Double:4.61168601842739E18",
          "overflow", "Date:4.61168601842739E18", "OleStr:4611686018427387904", "Boolean:True", "overflow",
          "overflow", "overflow", "overflow", "Int64:4611686018427387904", "String:4611686018427387904",
          "FMTBcd:4611686018427387904", "overflow"}},
        {"FMTBcd 123.45",
         Variant(StrToBcd("123.45")),
         {"Empty", "Null", "Smallint:123", "Integer:123", "Single:123.45", "Double:123.45", "Currency:123.45",
          "Date:123.45", "OleStr:123.45", "Boolean:True", "ShortInt:123", "Byte:123", "Word:123",
          "LongWord:123", "Int64:123", "String:123.45", "FMTBcd:123.45", "SQLTimeStamp:123.45"}},
        {"SQLTimeStamp 2024-03-05 12:00",
         Variant(Stamp(2024, 3, 5, 12, 0, 0, 0)),
         {"Empty", "Null", "overflow", "Integer:45356", "Single:45356.5", "Double:45356.5",
          "Currency:45356.5", "Date:45356.5", dateText, "Boolean:True", "overflow", "overflow", "Word:45356",
          "LongWord:45356", "Int64:45356", dateText, "FMTBcd:45356.5", "SQLTimeStamp:45356.5"}},
    };
    for (const Row& row : rows) {
        ASSERT_EQ(row.expected.size(), targets.size()) << row.name;
        for (std::size_t i = 0; i < targets.size(); ++i) {
            SCOPED_TRACE(String(row.name) + " into " + VarTypeAsText(targets[i]));
            String expected = row.expected[i];
            // The date texts stand for both string types.
            if (expected == dateText) expected = VarTypeAsText(targets[i]) + ":" + dateText;
            EXPECT_EQ(Outcome([&] { return VarAsType(row.source, targets[i]); }), expected);
        }
    }
}

TEST_F(VariantTest, AsMembersAgreeWithVarAsType) {
    const Variant text(" 7 ");
    EXPECT_EQ(text.AsInteger(), 7);
    EXPECT_EQ(text.AsByte(), 7);
    EXPECT_EQ(text.AsInt64(), 7);
    EXPECT_EQ(text.AsDouble(), 7.0);
    EXPECT_EQ(text.AsCurrency(), Currency(7));
    EXPECT_TRUE(text.AsBoolean());
    EXPECT_EQ(Variant(2.5).AsInteger(), 2); // halves to even
    EXPECT_EQ(Variant(3.5).AsInteger(), 4);
    EXPECT_EQ(Variant(-2.5).AsInt64(), -2);
    EXPECT_EQ(Variant(Currency::FromRaw(25000)).AsInteger(), 2);
    EXPECT_EQ(Variant(true).AsExtended(), -1.0L);
    EXPECT_EQ(Variant(Int64(9007199254740993)).AsExtended(), 9007199254740993.0L); // exact
    EXPECT_EQ(Variant("False").AsBoolean(), false);
    EXPECT_EQ(Variant(" tRuE ").AsBoolean(), true);
    EXPECT_EQ(Variant("0").AsBoolean(), false);
    EXPECT_EQ(Variant("3/5/2024").AsDateTime(), At(2024, 3, 5));
    EXPECT_EQ(Variant("3/5/2024 1:30:00 PM").AsDateTime(), At(2024, 3, 5, 13, 30));
    EXPECT_EQ(Variant("\xC3\xA4").AsWideString(), u"\u00E4");
    EXPECT_EQ(Variant(u"\u00E4").AsString(), "\xC3\xA4");
}

TEST_F(VariantTest, FloatsOutsideTheTargetRangeOverflow) {
    EXPECT_EQ(Outcome([] { return Variant(Variant(1e300).AsSingle()); }), "overflow");
    EXPECT_EQ(Outcome([] { return Variant(Variant(1e300).AsCurrency()); }), "overflow");
    EXPECT_EQ(Outcome([] { return Variant(Variant(std::nan("")).AsInteger()); }), "overflow");
    EXPECT_EQ(Outcome([] { return Variant(Variant(9.3e18).AsInt64()); }), "overflow");
    EXPECT_EQ(Outcome([] { return Variant(Variant(-9.3e18).AsInt64()); }), "overflow");
    // Infinities and NaN stay what they are between the float types.
    EXPECT_TRUE(std::isinf(Variant(std::numeric_limits<double>::infinity()).AsSingle()));
}

TEST_F(VariantTest, ErrorTexts) {
    // Every conversion that does not exist raises the one cast error text.
    const std::vector<std::function<void()>> casts = {
        [] { Variant("abc").AsInteger(); },
        [] { Null().AsSmallInt(); },
        [] { Variant(u"x").AsCurrency(); },
        [] { Null().AsString(); },
        [] { VarToStr(VarArrayOf({1})); },
        [] { VarAsError(3).AsInteger(); },
        [] { Variant("abc").AsDateTime(); },
        [] { VarAsType(5, varArray | varInteger); },
    };
    for (size_t i = 0; i < casts.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ErrorText<EVariantTypeCastError>(casts[i]), "Invalid variant type conversion");
    }
    // A value too large for its target still says which types were involved.
    EXPECT_EQ(ErrorText<EVariantOverflowError>([] { Variant(300).AsByte(); }),
              "Overflow while converting variant of type (Integer) into type (Byte)");
    EXPECT_EQ(ErrorText<EVariantBadVarTypeError>([] { VarAsType(1, 14); }), "Invalid variant type");
    EXPECT_EQ(ErrorText<EVariantBadVarTypeError>([] { VarAsType(1, varAny); }), "Invalid variant type");
    // All of them are variant errors.
    EXPECT_EQ(ErrorText<EVariantError>([] { Variant("abc").AsDouble(); }), "Invalid variant type conversion");
}

TEST_F(VariantTest, TypeNames) {
    const std::vector<std::pair<TVarType, const char*>> names = {
        {varEmpty, "Empty"},
        {varNull, "Null"},
        {varSmallint, "Smallint"},
        {varInteger, "Integer"},
        {varSingle, "Single"},
        {varDouble, "Double"},
        {varCurrency, "Currency"},
        {varDate, "Date"},
        {varOleStr, "OleStr"},
        {varDispatch, "Dispatch"},
        {varError, "Error"},
        {varBoolean, "Boolean"},
        {varVariant, "Variant"},
        {varUnknown, "Unknown"},
        {varShortInt, "ShortInt"},
        {varByte, "Byte"},
        {varWord, "Word"},
        {varLongWord, "LongWord"},
        {varInt64, "Int64"},
        {varString, "String"},
        {varFMTBcd, "FMTBcd"},
        {varSQLTimeStamp, "SQLTimeStamp"},
        {varArray | varVariant, "Array of Variant"},
        {varArray | varInteger, "Array of Integer"},
        {15, "$000F"},
    };
    for (const auto& [type, name] : names)
        EXPECT_EQ(VarTypeAsText(type), name) << type;
}

TEST_F(VariantTest, TextOfValues) {
    EXPECT_EQ(VarToStr(Null()), "");
    EXPECT_EQ(VarToStrDef(Null(), "n/a"), "n/a");
    EXPECT_EQ(VarToStrDef(Variant(5), "n/a"), "5");
    EXPECT_EQ(VarToStrDef(Variant(), "n/a"), "");
    EXPECT_EQ(VarToWideStr(Null()), u"");
    EXPECT_EQ(VarToWideStr(Variant("\xE2\x82\xAC")), u"\u20AC");
    EXPECT_EQ(VarToStr(Variant(false)), "False");
    EXPECT_EQ(VarToStr(Variant(1.0 / 3)), "0.333333333333333");
    EXPECT_EQ(VarToStr(Variant(Currency::FromRaw(-12345))), "-1.2345");
    EXPECT_EQ(VarToStr(Variant(LongWord(4294967295u))), "4294967295");
    EXPECT_EQ(VarToStr(Variant(std::numeric_limits<Int64>::min())), "-9223372036854775808");
}

TEST_F(VariantTest, DateTextsLeaveOutADatePartOfZero) {
    struct Case {
        TDateTime Value;
        const char* Expected;
    };
    const std::vector<Case> cases = {
        {At(2024, 3, 5, 13, 30), "3/5/2024 1:30:00 PM"},
        {At(2024, 3, 5), "3/5/2024"},
        {0.5, "12:00:00 PM"}, // a time of day alone
        {0.0, "12:00:00 AM"},
        {1.0 / 24 * 13.5, "1:30:00 PM"},
        {1.5, "12/31/1899 12:00:00 PM"},
        {-1.25, "12/29/1899 6:00:00 AM"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Expected);
        const Variant date = VarFromDateTime(c.Value);
        EXPECT_EQ(VarToStr(date), c.Expected);
        EXPECT_EQ(date.AsString(), c.Expected);
        EXPECT_EQ(VarToWideStr(date), StringToWide(c.Expected));
        EXPECT_EQ(VarAsType(date, varString).AsString(), c.Expected);
        EXPECT_EQ(VarConcat(Variant("at "), date).AsString(), String("at ") + c.Expected);
    }
}

TEST_F(VariantTest, Predicates) {
    struct Case {
        const char* name;
        Variant value;
        bool null, empty, clear, array, numeric, ordinal, isFloat, str;
    };
    const std::vector<Case> cases = {
        {"Empty", Variant(), false, true, true, false, false, false, false, false},
        {"Null", Null(), true, false, false, false, false, false, false, false},
        {"Integer", Variant(1), false, false, false, false, true, true, false, false},
        {"Boolean", Variant(true), false, false, false, false, true, true, false, false},
        {"Int64", Variant(Int64(1)), false, false, false, false, true, true, false, false},
        {"Double", Variant(1.0), false, false, false, false, true, false, true, false},
        {"Currency", Variant(Currency(1)), false, false, false, false, true, false, true, false},
        {"FMTBcd", Variant(IntegerToBcd(1)), false, false, false, false, true, false, true, false},
        {"Date", VarFromDateTime(1), false, false, false, false, false, false, false, false},
        {"String", Variant("1"), false, false, false, false, false, false, false, true},
        {"OleStr", Variant(u"1"), false, false, false, false, false, false, false, true},
        {"array", VarArrayOf({1}), false, false, false, true, false, false, false, false},
        {"nil Dispatch", Variant(static_cast<IDispatch*>(nullptr)), false, false, true, false, false, false,
         false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(VarIsNull(c.value), c.null);
        EXPECT_EQ(VarIsEmpty(c.value), c.empty);
        EXPECT_EQ(VarIsClear(c.value), c.clear);
        EXPECT_EQ(VarIsArray(c.value), c.array);
        EXPECT_EQ(VarIsNumeric(c.value), c.numeric);
        EXPECT_EQ(VarIsOrdinal(c.value), c.ordinal);
        EXPECT_EQ(VarIsFloat(c.value), c.isFloat);
        EXPECT_EQ(VarIsStr(c.value), c.str);
    }
}

TEST_F(VariantTest, TextToNumberFollowsACommaLocale) {
    testsupport::ScopedFormatSettings comma(testsupport::CommaSettings());
    EXPECT_EQ(Variant("1,5").AsDouble(), 1.5);
    EXPECT_EQ(Variant(" 2,25 ").AsCurrency(), Currency::FromRaw(22500));
    EXPECT_EQ(Variant(u"-0,5").AsExtended(), -0.5L);
    EXPECT_EQ(Variant("2,5").AsInteger(), 2);
    EXPECT_EQ(BcdToStr(Variant("3,25").AsBcd()), "3,25");
    EXPECT_EQ(VarToStr(Variant(1.5)), "1,5");
    EXPECT_EQ(VarToStr(Variant(2.5f)), "2,5");
    EXPECT_EQ(VarToStr(Variant(Currency::FromRaw(15000))), "1,5");
    EXPECT_EQ(VarToStr(Variant(StrToBcd("0,75"))), "0,75");
    // The dot is no decimal separator here, and thousands separators are never accepted.
    for (const char* bad : {"1.5", "1.000,5", "1 000", ""}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(Variant(bad).AsDouble(), EVariantTypeCastError);
    }
    // The rules hold inside operations too.
    EXPECT_EQ((Variant("1,5") + 1).AsDouble(), 2.5);
    EXPECT_TRUE(Variant("1,5") == Variant(1.5));
    // Under the dot settings the comma is refused.
    testsupport::ScopedFormatSettings dot(testsupport::DotSettings());
    EXPECT_THROW(Variant("1,5").AsDouble(), EVariantTypeCastError);
    EXPECT_EQ(Variant("1.5").AsDouble(), 1.5);
}

TEST_F(VariantTest, FormatReadsVariantArguments) {
    const Variant name("ch"), number(7), amount(1.5), nothing = Null();
    EXPECT_EQ(Format("%s%d %.2f [%s]", {name, number, amount, nothing}), "ch7 1.50 []");
    EXPECT_EQ(Format("%d", {Variant("12")}), "12");
    EXPECT_THROW(Format("%d", {Variant("x")}), EVariantTypeCastError);
}

TEST_F(VariantTest, CopiesAndMoves) {
    Variant a("text");
    Variant b = a;
    b = Variant("other");
    EXPECT_EQ(VarToStr(a), "text");
    Variant c = std::move(a);
    EXPECT_TRUE(VarIsEmpty(a)); // NOLINT(bugprone-use-after-move): a moved-from variant is Empty
    EXPECT_EQ(VarToStr(c), "text");
    Variant& same = c;
    c = same;
    EXPECT_EQ(VarToStr(c), "text");
    c.Clear();
    EXPECT_TRUE(VarIsEmpty(c));
}

// ---- FMTBcd ----------------------------------------------------------------------------------

TEST_F(VariantTest, BcdRecordLayout) {
    const TBcd bcd = StrToBcd("-0012.3400");
    EXPECT_EQ(bcd.Precision, 6);
    EXPECT_EQ(BcdScale(bcd), 4);
    EXPECT_EQ(bcd.SignSpecialPlaces & 0x80, 0x80);
    EXPECT_EQ(bcd.Fraction[0], 0x12);
    EXPECT_EQ(bcd.Fraction[1], 0x34);
    EXPECT_EQ(bcd.Fraction[2], 0x00);
    EXPECT_EQ(BcdToStr(bcd), "-12.34");

    const TBcd small = StrToBcd("0.05");
    EXPECT_EQ(small.Precision, 2);
    EXPECT_EQ(BcdScale(small), 2);
    EXPECT_EQ(small.Fraction[0], 0x05);
    EXPECT_EQ(BcdToStr(small), "0.05");
    EXPECT_EQ(BcdToStr(StrToBcd("-0")), "0");

    TBcd broken = small;
    broken.Fraction[0] = 0x0A;
    EXPECT_EQ(ErrorText<EConvertError>([&] { BcdToStr(broken); }), "Invalid BCD value");
    EXPECT_EQ(ErrorText<EConvertError>([] { StrToBcd("1.2.3"); }), "'1.2.3' is not a valid BCD value");
}

TEST_F(VariantTest, BcdKeepsSixtyFourDigits) {
    const String sixtyFour = "1234567890123456789012345678901234567890123456789012345678901234";
    EXPECT_EQ(BcdToStr(StrToBcd(sixtyFour)), sixtyFour);
    EXPECT_EQ(StrToBcd(sixtyFour).Precision, 64);
    // Beyond 64 digits the decimals are rounded off (halves away from zero).
    const String tenDigits = "1234567890";
    const String fifty = tenDigits + tenDigits + tenDigits + tenDigits + tenDigits;
    EXPECT_EQ(BcdToStr(StrToBcd(tenDigits + "." + fifty + "123456")), tenDigits + "." + fifty + "1235");
    EXPECT_EQ(BcdToStr(StrToBcd(tenDigits + "." + fifty + "123449")), tenDigits + "." + fifty + "1234");
    // 65 integer digits do not fit.
    EXPECT_THROW(StrToBcd(sixtyFour + "5"), EConvertError);
    EXPECT_THROW(BcdMultiply(StrToBcd(sixtyFour), StrToBcd("10")), EVariantOverflowError);
}

TEST_F(VariantTest, BcdArithmeticIsExact) {
    auto text = [](const TBcd& b) { return BcdToStr(b); };
    EXPECT_EQ(text(BcdAdd(StrToBcd("0.1"), StrToBcd("0.2"))), "0.3");
    EXPECT_EQ(text(BcdSubtract(StrToBcd("1"), StrToBcd("1.0001"))), "-0.0001");
    EXPECT_EQ(text(BcdMultiply(StrToBcd("1.5"), StrToBcd("-2.25"))), "-3.375");
    EXPECT_EQ(text(BcdDivide(StrToBcd("10"), StrToBcd("4"))), "2.5");
    EXPECT_EQ(text(BcdDivide(StrToBcd("-1"), StrToBcd("8"))), "-0.125");
    const String third = text(BcdDivide(StrToBcd("1"), StrToBcd("3")));
    EXPECT_EQ(third, "0." + String(63, '3'));
    EXPECT_EQ(text(BcdDivide(StrToBcd("2"), StrToBcd("3"))), "0." + String(62, '6') + "7");
    EXPECT_THROW(BcdDivide(StrToBcd("1"), StrToBcd("0")), EZeroDivide);
    EXPECT_THROW(BcdDivide(StrToBcd("0"), StrToBcd("0.00")), EInvalidOp);
    EXPECT_EQ(BcdCompare(StrToBcd("1.50"), StrToBcd("1.5")), 0);
    EXPECT_EQ(BcdCompare(StrToBcd("-2"), StrToBcd("1")), -1);
    EXPECT_EQ(BcdCompare(StrToBcd("0.0001"), StrToBcd("0")), 1);
}

TEST_F(VariantTest, BcdConversions) {
    EXPECT_EQ(BcdToStr(DoubleToBcd(0.1)), "0.1");
    EXPECT_EQ(BcdToStr(DoubleToBcd(1e20)), "100000000000000000000");
    EXPECT_EQ(BcdToStr(DoubleToBcd(-1.5e-7)), "-0.00000015");
    EXPECT_EQ(BcdToDouble(StrToBcd("2.5")), 2.5);
    EXPECT_EQ(BcdToStr(CurrToBcd(Currency::FromRaw(15000))), "1.5");
    EXPECT_EQ(BcdToStr(IntegerToBcd(std::numeric_limits<Int64>::min())), "-9223372036854775808");
    EXPECT_EQ(BcdToCurr(StrToBcd("1.23456")).Raw(), 12346);
    EXPECT_EQ(BcdToCurr(StrToBcd("0.00005")).Raw(), 0); // halves to even
    EXPECT_EQ(BcdToCurr(StrToBcd("0.00015")).Raw(), 2);
    EXPECT_THROW(BcdToCurr(StrToBcd("1000000000000000")), EVariantOverflowError);
    EXPECT_EQ(BcdToStrF(StrToBcd("1234.5"), ffGeneral, 0, 0), "1234.5");
    EXPECT_EQ(BcdToStrF(StrToBcd("1234.5"), ffFixed, 15, 2), "1234.50");
    EXPECT_THROW(DoubleToBcd(std::nan("")), EConvertError);
}

// ---- SQL time stamp --------------------------------------------------------------------------

TEST_F(VariantTest, TimeStampConversions) {
    const TDateTime when = At(2024, 2, 29, 23, 59, 58, 123);
    const TSQLTimeStamp stamp = DateTimeToSQLTimeStamp(when);
    EXPECT_EQ(SQLTimeStampCompare(stamp, Stamp(2024, 2, 29, 23, 59, 58, 123)), 0);
    EXPECT_EQ(SQLTimeStampToDateTime(stamp), when);
    EXPECT_EQ(SQLTimeStampToDateTime(TSQLTimeStamp()), 0.0);
    EXPECT_EQ(SQLTimeStampToStr("", stamp), "2/29/2024 11:59:58 PM");
    EXPECT_EQ(SQLTimeStampToStr("yyyy-mm-dd hh:nn:ss.zzz", stamp), "2024-02-29 23:59:58.123");
    EXPECT_EQ(
        SQLTimeStampCompare(StrToSQLTimeStamp("2/29/2024 11:59:58 PM"), Stamp(2024, 2, 29, 23, 59, 58, 0)),
        0);
    EXPECT_THROW(SQLTimeStampToDateTime(Stamp(2024, 13, 1, 0, 0, 0, 0)), EConvertError);
    EXPECT_THROW(SQLTimeStampToDateTime(Stamp(2024, 1, 1, 0, 0, 0, 1000)), EConvertError);
    // Field order decides: an earlier year wins over a later month.
    EXPECT_EQ(SQLTimeStampCompare(Stamp(2023, 12, 31, 0, 0, 0, 0), Stamp(2024, 1, 1, 0, 0, 0, 0)), -1);
    EXPECT_EQ(SQLTimeStampCompare(Stamp(2024, 1, 1, 0, 0, 0, 2), Stamp(2024, 1, 1, 0, 0, 0, 1)), 1);

    const Variant v(stamp);
    EXPECT_EQ(v.AsDateTime(), when);
    EXPECT_TRUE(v == VarFromDateTime(when));
    EXPECT_EQ(SQLTimeStampCompare(VarFromDateTime(when).AsSQLTimeStamp(), stamp), 0);
    EXPECT_EQ(VarToStr(v), "2/29/2024 11:59:58 PM");
    EXPECT_THROW(Variant(Stamp(2024, 2, 30, 0, 0, 0, 0)).AsDateTime(), EConvertError);
}

// ---- Arrays ----------------------------------------------------------------------------------

TEST_F(VariantTest, ArrayOfOneDimensionConvertsWhatIsPut) {
    Variant a = VarArrayCreate({1, 3}, varInteger);
    EXPECT_EQ(VarType(a), varArray | varInteger);
    EXPECT_EQ(VarArrayDimCount(a), 1);
    EXPECT_EQ(VarArrayLowBound(a, 1), 1);
    EXPECT_EQ(VarArrayHighBound(a, 1), 3);
    EXPECT_EQ(VarType(VarArrayGet(a, {2})), varInteger);
    EXPECT_EQ(VarArrayGet(a, {2}).AsInteger(), 0);
    VarArrayPut(a, "7", {2});
    EXPECT_EQ(VarType(VarArrayGet(a, {2})), varInteger);
    EXPECT_EQ(VarArrayGet(a, {2}).AsInteger(), 7);
    EXPECT_THROW(VarArrayPut(a, "x", {1}), EVariantTypeCastError);
    EXPECT_EQ(VarArrayGet(a, {1}).AsInteger(), 0); // unchanged by the failed put

    const Variant strings = VarArrayCreate({0, 1}, varOleStr);
    EXPECT_EQ(VarType(VarArrayGet(strings, {0})), varOleStr);
    const Variant variants = VarArrayCreate({0, 1}, varVariant);
    EXPECT_TRUE(VarIsEmpty(VarArrayGet(variants, {1})));
}

TEST_F(VariantTest, ArraysOfTwoAndThreeDimensions) {
    Variant grid = VarArrayCreate({0, 1, 5, 7}, varVariant);
    EXPECT_EQ(VarArrayDimCount(grid), 2);
    EXPECT_EQ(VarArrayLowBound(grid, 2), 5);
    EXPECT_EQ(VarArrayHighBound(grid, 2), 7);
    for (Integer i = 0; i <= 1; ++i)
        for (Integer j = 5; j <= 7; ++j)
            VarArrayPut(grid, i * 10 + j, {i, j});
    for (Integer i = 0; i <= 1; ++i)
        for (Integer j = 5; j <= 7; ++j)
            EXPECT_EQ(VarArrayGet(grid, {i, j}).AsInteger(), i * 10 + j);

    Variant cube = VarArrayCreate({-1, 0, 0, 1, 10, 11}, varDouble);
    EXPECT_EQ(VarArrayDimCount(cube), 3);
    for (Integer i = -1; i <= 0; ++i)
        for (Integer j = 0; j <= 1; ++j)
            for (Integer k = 10; k <= 11; ++k)
                VarArrayPut(cube, i * 100 + j * 10 + k, std::vector<Integer>{i, j, k});
    for (Integer i = -1; i <= 0; ++i)
        for (Integer j = 0; j <= 1; ++j)
            for (Integer k = 10; k <= 11; ++k) {
                const Variant e = VarArrayGet(cube, std::vector<Integer>{i, j, k});
                EXPECT_EQ(VarType(e), varDouble);
                EXPECT_EQ(e.AsInteger(), i * 100 + j * 10 + k);
            }
}

TEST_F(VariantTest, ArrayErrors) {
    Variant a = VarArrayOf({1, 2, 3});
    EXPECT_EQ(ErrorText<EVariantBadIndexError>([&] { VarArrayGet(a, {3}); }),
              "Variant or safe array index out of bounds");
    EXPECT_THROW(VarArrayGet(a, {-1}), EVariantBadIndexError);
    EXPECT_THROW(VarArrayPut(a, 0, {3}), EVariantBadIndexError);
    EXPECT_EQ(ErrorText<EVariantInvalidArgError>([&] { VarArrayGet(a, {0, 0}); }), "Invalid argument");
    EXPECT_THROW(VarArrayLowBound(a, 0), EVariantBadIndexError);
    EXPECT_THROW(VarArrayHighBound(a, 2), EVariantBadIndexError);
    const Variant notArray(5);
    EXPECT_EQ(VarArrayDimCount(notArray), 0);
    EXPECT_EQ(ErrorText<EVariantNotAnArrayError>([&] { VarArrayHighBound(notArray, 1); }),
              "Variant is not an array");
    EXPECT_THROW(VarArrayGet(notArray, {0}), EVariantNotAnArrayError);
    Variant mutableNotArray(5);
    EXPECT_THROW(VarArrayRedim(mutableNotArray, 3), EVariantNotAnArrayError);

    struct Bad {
        std::vector<Integer> bounds;
        TVarType type;
    };
    const std::vector<Bad> bad = {
        {{0}, varVariant},
        {{}, varVariant},
        {{0, -2}, varVariant},
        {{0, 1}, varEmpty},
        {{0, 1}, varNull},
        {{0, 1}, varFMTBcd},
        {{0, 1}, varArray | varInteger},
        {{0, 1 << 30}, varInteger},
        {{0, 9999, 0, 9999}, varVariant},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.bounds.size());
        EXPECT_EQ(ErrorText<EVariantArrayCreateError>([&] { VarArrayCreate(b.bounds, b.type); }),
                  "Error creating variant or safe array");
    }
    // An empty dimension is allowed.
    const Variant empty = VarArrayCreate({0, -1}, varVariant);
    EXPECT_EQ(VarArrayHighBound(empty, 1), -1);
    EXPECT_THROW(VarArrayGet(empty, {0}), EVariantBadIndexError);
}

TEST_F(VariantTest, ArraysAreCopiedByValue) {
    Variant a = VarArrayOf({1, "two", Null()});
    EXPECT_EQ(VarType(a), varArray | varVariant);
    EXPECT_EQ(VarType(VarArrayGet(a, {1})), varString);
    EXPECT_TRUE(VarIsNull(VarArrayGet(a, {2})));

    Variant b = a;
    VarArrayPut(b, 9, {0});
    EXPECT_EQ(VarArrayGet(a, {0}).AsInteger(), 1);
    EXPECT_EQ(VarArrayGet(b, {0}).AsInteger(), 9);

    Variant c;
    c = b;
    VarArrayRedim(c, 5);
    EXPECT_EQ(VarArrayHighBound(b, 1), 2);
    EXPECT_EQ(VarArrayHighBound(c, 1), 5);

    // A nested array is a copy too.
    Variant outer = VarArrayOf({a});
    VarArrayPut(a, "changed", {1});
    EXPECT_EQ(VarToStr(VarArrayGet(VarArrayGet(outer, {0}), {1})), "two");

    // Putting an array into itself stores a copy of it as it was.
    VarArrayPut(a, a, {0});
    const Variant inner = VarArrayGet(a, {0});
    EXPECT_TRUE(VarIsArray(inner));
    EXPECT_EQ(VarArrayGet(inner, {0}).AsInteger(), 1);
    EXPECT_EQ(VarToStr(VarArrayGet(inner, {1})), "changed");

    // Assigning an element of an array to the array itself.
    a = VarArrayGet(a, {0});
    EXPECT_EQ(VarArrayGet(a, {0}).AsInteger(), 1);
}

TEST_F(VariantTest, RedimKeepsTheElementsThatStay) {
    Variant a = VarArrayCreate({1, 3}, varInteger);
    for (Integer i = 1; i <= 3; ++i)
        VarArrayPut(a, i * 11, {i});
    VarArrayRedim(a, 5);
    EXPECT_EQ(VarArrayHighBound(a, 1), 5);
    EXPECT_EQ(VarArrayGet(a, {3}).AsInteger(), 33);
    EXPECT_EQ(VarType(VarArrayGet(a, {5})), varInteger);
    EXPECT_EQ(VarArrayGet(a, {5}).AsInteger(), 0);
    VarArrayRedim(a, 1);
    EXPECT_EQ(VarArrayGet(a, {1}).AsInteger(), 11);
    EXPECT_THROW(VarArrayGet(a, {2}), EVariantBadIndexError);
    VarArrayRedim(a, 0);
    EXPECT_EQ(VarArrayHighBound(a, 1), 0);
    EXPECT_THROW(VarArrayRedim(a, -1), EVariantArrayCreateError);

    // In two dimensions the last one changes and every row keeps its leading elements.
    Variant grid = VarArrayCreate({0, 1, 0, 2}, varVariant);
    for (Integer i = 0; i <= 1; ++i)
        for (Integer j = 0; j <= 2; ++j)
            VarArrayPut(grid, i * 10 + j, {i, j});
    VarArrayRedim(grid, 1);
    EXPECT_EQ(VarArrayHighBound(grid, 1), 1);
    EXPECT_EQ(VarArrayHighBound(grid, 2), 1);
    for (Integer i = 0; i <= 1; ++i)
        for (Integer j = 0; j <= 1; ++j)
            EXPECT_EQ(VarArrayGet(grid, {i, j}).AsInteger(), i * 10 + j);
    VarArrayRedim(grid, 3);
    EXPECT_EQ(VarArrayGet(grid, {1, 1}).AsInteger(), 11);
    EXPECT_TRUE(VarIsEmpty(VarArrayGet(grid, {1, 3})));
}

TEST_F(VariantTest, ArrayTypeConversion) {
    const Variant texts = VarArrayOf({"1", "2.5"});
    const Variant doubles = VarAsType(texts, varArray | varDouble);
    EXPECT_EQ(VarType(doubles), varArray | varDouble);
    EXPECT_EQ(VarArrayGet(doubles, {1}).AsDouble(), 2.5);
    EXPECT_EQ(VarType(VarAsType(doubles, varArray | varVariant)), varArray | varVariant);
    EXPECT_THROW(VarAsType(VarArrayOf({"1", "x"}), varArray | varInteger), EVariantTypeCastError);
    EXPECT_EQ(ErrorText<EVariantTypeCastError>([] { VarAsType(5, varArray | varInteger); }),
              "Invalid variant type conversion");
    EXPECT_THROW(VarAsType(texts, varString), EVariantTypeCastError);
    EXPECT_EQ(VarType(VarAsType(texts, varVariant)), varArray | varVariant);
}

} // namespace
