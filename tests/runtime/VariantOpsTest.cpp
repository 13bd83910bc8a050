#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Variant.h"
#include "tests/support/TestSupport.h"

namespace {

class VariantOpsTest : public ::testing::Test {
protected:
    testsupport::ScopedFormatSettings FSettings{testsupport::DotSettings()};
};

Variant Cur(Int64 raw) { return Currency::FromRaw(raw); }
Variant Bcd(const char* text) { return StrToBcd(text, testsupport::DotSettings()); }

const TDateTime Day = EncodeDate(2024, 3, 5);

// The result of an operation as "Type:text", or the class of the error it raised.
String Describe(const Variant& v) {
    if (VarIsNull(v)) return "Null";
    if (VarIsEmpty(v)) return "Empty";
    if (v.VType() == varDate) return "Date:" + FloatToStr(v.AsDouble());
    return VarTypeAsText(v.VType()) + ":" + VarToStr(v);
}

template <class F> String Outcome(F call) {
    try {
        return Describe(call());
    } catch (const Exception& e) {
        return String("!") + e.ClassName();
    }
}

const char* OpName(TVarOp op) {
    switch (op) {
    case opAdd:
        return "+";
    case opSubtract:
        return "-";
    case opMultiply:
        return "*";
    case opDivide:
        return "/";
    case opIntDivide:
        return "div";
    case opModulus:
        return "mod";
    case opShiftLeft:
        return "shl";
    case opShiftRight:
        return "shr";
    case opAnd:
        return "and";
    case opOr:
        return "or";
    case opXor:
        return "xor";
    case opNegate:
        return "-";
    case opNot:
        return "not";
    default:
        return "?";
    }
}

struct BinaryCase {
    Variant left;
    TVarOp op;
    Variant right;
    String expected; // Describe() of the result, or "!" and the exception class
};

void CheckBinary(const std::vector<BinaryCase>& cases) {
    for (const BinaryCase& c : cases) {
        SCOPED_TRACE(Outcome([&] { return c.left; }) + " " + OpName(c.op) + " " +
                     Outcome([&] { return c.right; }));
        EXPECT_EQ(Outcome([&] { return VarOp(c.left, c.right, c.op); }), c.expected);
    }
}

TEST_F(VariantOpsTest, PlusAddsNumbersAndConcatenatesStrings) {
    CheckBinary({
        {2, opAdd, 3, "Integer:5"},
        {"5", opAdd, 1, "Double:6"}, // "+" adds when one side is numeric and the other converts
        {1, opAdd, "5", "Double:6"},
        {"5", opAdd, "1", "String:51"}, // two strings concatenate
        {u"5", opAdd, u"1", "OleStr:51"},
        {"a", opAdd, u"b", "String:ab"},
        {"1.5", opAdd, 1.0, "Double:2.5"},
        {"abc", opAdd, 1, "!EVariantTypeCastError"},
        {"5", opAdd, true, "Double:4"},
        {"2.5", opAdd, Cur(10000), "Currency:3.5"},
        {"1", opAdd, VarFromDateTime(Day), "Date:45357"},
        {"0.5", opAdd, Bcd("0.25"), "FMTBcd:0.75"},
    });
}

TEST_F(VariantOpsTest, NullPropagatesAndEmptyActsAsZero) {
    CheckBinary({
        {Null(), opAdd, 1, "Null"},
        {1, opSubtract, Null(), "Null"},
        {Null(), opAdd, "a", "Null"},
        {Null(), opMultiply, Null(), "Null"},
        {Null(), opDivide, 0, "Null"},
        {Null(), opIntDivide, 0, "Null"},
        {Null(), opAnd, true, "Null"},
        {false, opOr, Null(), "Null"},
        {Null(), opShiftLeft, 1, "Null"},
        {Variant(), opAdd, 5, "Integer:5"},
        {Variant(), opAdd, "abc", "String:abc"}, // '' beside a string
        {"abc", opAdd, Variant(), "String:abc"},
        {Variant(), opAdd, Variant(), "Integer:0"},
        {Variant(), opSubtract, "5", "Double:-5"},
        {Variant(), opMultiply, 2.5, "Double:0"},
        {Variant(), opAdd, Cur(5000), "Currency:0.5"},
        {Variant(), opOr, true, "Boolean:True"}, // False beside a Boolean
        {Variant(), opAnd, 6, "Integer:0"},
        {Variant(), opDivide, 0, "!EInvalidOp"},
        {1, opIntDivide, Variant(), "!EDivByZero"},
    });
}

TEST_F(VariantOpsTest, IntegerOverflowWidensToInt64ThenDouble) {
    const Int64 maxInt64 = std::numeric_limits<Int64>::max();
    const Int64 minInt64 = std::numeric_limits<Int64>::min();
    CheckBinary({
        {2147483647, opAdd, 1, "Int64:2147483648"},
        {-2147483647 - 1, opSubtract, 1, "Int64:-2147483649"},
        {65536, opMultiply, 65536, "Int64:4294967296"},
        {SmallInt(30000), opAdd, SmallInt(30000), "Integer:60000"},
        {Byte(200), opAdd, Byte(100), "Integer:300"},
        {LongWord(4000000000u), opAdd, 1, "Int64:4000000001"},
        {Int64(5), opAdd, 1, "Int64:6"},
        {maxInt64, opAdd, 1, "Double:9.22337203685478E18"},
        {Int64(1) << 62, opMultiply, 4, "Double:1.84467440737096E19"},
        {minInt64, opSubtract, 1, "Double:-9.22337203685478E18"},
        {true, opAdd, 1, "Integer:0"}, // True is -1
        {true, opAdd, true, "Integer:-2"},
        {2147483647, opIntDivide, -1, "Integer:-2147483647"},
        {-2147483647 - 1, opIntDivide, -1, "Int64:2147483648"},
        {minInt64, opIntDivide, -1, "Double:9.22337203685478E18"},
        {minInt64, opModulus, -1, "Int64:0"},
    });
}

TEST_F(VariantOpsTest, FloatCurrencyAndDateKeepTheirTypes) {
    CheckBinary({
        {1.5f, opAdd, 1.5f, "Single:3"},
        {1.5f, opAdd, 1, "Double:2.5"},
        {0.5, opAdd, 1, "Double:1.5"},
        {7, opDivide, 2, "Double:3.5"},
        {Cur(15000), opAdd, 2, "Currency:3.5"},
        {Cur(15000), opAdd, Cur(2500), "Currency:1.75"},
        {Cur(15000), opMultiply, Cur(25000), "Currency:3.75"},
        {Cur(100000), opDivide, 4, "Currency:2.5"},
        {Cur(10000), opDivide, Cur(30000), "Currency:0.3333"},
        {Cur(15000), opAdd, 0.25, "Double:1.75"},
        {Cur(15000), opAdd, true, "Currency:0.5"},
        {MaxCurrency, opAdd, 1, "!EVariantOverflowError"},
        {MaxCurrency, opMultiply, 2, "!EVariantOverflowError"},
        {Cur(10000), opDivide, Cur(0), "!EZeroDivide"},
        {VarFromDateTime(Day), opAdd, 1, "Date:45357"},
        {1, opAdd, VarFromDateTime(Day), "Date:45357"},
        {VarFromDateTime(Day), opSubtract, 0.5, "Date:45355.5"},
        {VarFromDateTime(Day), opSubtract, VarFromDateTime(Day - 2), "Double:2"},
        {VarFromDateTime(Day), opAdd, VarFromDateTime(1), "Date:45357"},
        {VarFromDateTime(Day), opMultiply, 2, "Double:90712"},
        {VarFromDateTime(Day), opAdd, Cur(5000), "Date:45356.5"},
        {Bcd("0.1"), opAdd, Bcd("0.2"), "FMTBcd:0.3"},
        {Bcd("0.1"), opAdd, 1, "FMTBcd:1.1"},
        {Bcd("1.5"), opMultiply, Cur(20000), "FMTBcd:3"},
        {Bcd("1"), opDivide, 4, "FMTBcd:0.25"},
        {Bcd("0.5"), opMultiply, 0.5, "Double:0.25"},
        {Bcd("0.5"), opAdd, VarFromDateTime(Day), "Date:45356.5"},
    });
}

TEST_F(VariantOpsTest, DivisionFollowsTheMathErrors) {
    CheckBinary({
        {7, opIntDivide, 2, "Integer:3"},
        {-7, opIntDivide, 2, "Integer:-3"},
        {-7, opModulus, 2, "Integer:-1"},
        {7, opModulus, -2, "Integer:1"},
        {"7", opIntDivide, 2, "Integer:3"},
        {7.5, opIntDivide, 2, "Integer:4"}, // 7.5 rounds to 8 first
        {Int64(7), opModulus, 4, "Int64:3"},
        {7, opIntDivide, 0, "!EDivByZero"},
        {7, opModulus, 0, "!EDivByZero"},
        {1, opDivide, 0, "!EZeroDivide"},
        {1.0, opDivide, 0.0, "!EZeroDivide"},
        {0, opDivide, 0, "!EInvalidOp"},
        {1e308, opMultiply, 10, "!EOverflow"},
        {3.4e38f, opMultiply, 10.0f, "!EOverflow"},
        {1e300, opIntDivide, 1, "!EVariantOverflowError"},
    });
}

TEST_F(VariantOpsTest, LogicIsBooleanOnBooleansAndBitwiseOtherwise) {
    CheckBinary({
        {true, opAnd, false, "Boolean:False"},
        {true, opOr, false, "Boolean:True"},
        {true, opXor, true, "Boolean:False"},
        {12, opAnd, 10, "Integer:8"},
        {12, opOr, 3, "Integer:15"},
        {12, opXor, 10, "Integer:6"},
        {true, opAnd, 5, "Integer:5"},
        {false, opOr, 5, "Integer:5"},
        {"True", opAnd, true, "Boolean:True"},
        {"false", opOr, "true", "Boolean:True"},
        {"abc", opAnd, true, "!EVariantTypeCastError"},
        {"6", opAnd, 3, "Integer:2"},
        {Int64(1) << 40, opOr, 1, "Int64:1099511627777"},
        {2.6, opOr, 0, "Integer:3"},
        {1, opShiftLeft, 4, "Integer:16"},
        {-16, opShiftRight, 2, "Integer:1073741820"},
        {1, opShiftLeft, 33, "Integer:2"},
        {Int64(1), opShiftLeft, 40, "Int64:1099511627776"},
        {Int64(-1), opShiftRight, 60, "Int64:15"},
    });
}

TEST_F(VariantOpsTest, UnaryOperators) {
    struct Case {
        Variant operand;
        TVarOp op;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {5, opNegate, "Integer:-5"},
        {-2147483647 - 1, opNegate, "Int64:2147483648"},
        {std::numeric_limits<Int64>::min(), opNegate, "Double:9.22337203685478E18"},
        {LongWord(5), opNegate, "Int64:-5"},
        {true, opNegate, "Integer:1"},
        {1.5f, opNegate, "Single:-1.5"},
        {Cur(15000), opNegate, "Currency:-1.5"},
        {MinCurrency, opNegate, "!EVariantOverflowError"},
        {VarFromDateTime(2), opNegate, "Date:-2"},
        {"2.5", opNegate, "Double:-2.5"},
        {Bcd("1.25"), opNegate, "FMTBcd:-1.25"},
        {Null(), opNegate, "Null"},
        {Variant(), opNegate, "Integer:0"},
        {true, opNot, "Boolean:False"},
        {0, opNot, "Integer:-1"},
        {5, opNot, "Integer:-6"},
        {Int64(0), opNot, "Int64:-1"},
        {LongWord(0), opNot, "LongWord:4294967295"},
        {"True", opNot, "Boolean:False"},
        {"5", opNot, "Integer:-6"},
        {Null(), opNot, "Null"},
        {Variant(), opNot, "Integer:-1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(String(OpName(c.op)) + " " + Outcome([&] { return c.operand; }));
        EXPECT_EQ(Outcome([&] { return VarOp(c.operand, c.op); }), c.expected);
    }
}

TEST_F(VariantOpsTest, OperandsWithoutArithmetic) {
    const Variant array = VarArrayOf({1, 2});
    const Variant error = VarAsError(5);
    const Variant nothing = Variant(static_cast<IDispatch*>(nullptr));
    for (const Variant* odd : {&array, &error, &nothing}) {
        SCOPED_TRACE(VarTypeAsText(odd->VType()));
        EXPECT_THROW(VarOp(*odd, 1, opAdd), EVariantInvalidOpError);
        EXPECT_THROW(VarOp(1, *odd, opMultiply), EVariantInvalidOpError);
        EXPECT_THROW(VarOp(*odd, 1, opAnd), EVariantInvalidOpError);
        EXPECT_THROW(VarOp(*odd, opNegate), EVariantInvalidOpError);
        EXPECT_THROW(VarOp(*odd, opNot), EVariantInvalidOpError);
        EXPECT_THROW((void)(*odd == Variant(1)), EVariantInvalidOpError);
    }
    try {
        VarOp(array, array, opAdd);
        FAIL() << "no error";
    } catch (const EVariantInvalidOpError& e) {
        EXPECT_EQ(e.Message, "Invalid variant operation");
    }
    EXPECT_THROW(VarOp(1, 2, opNot), EVariantInvalidOpError);
    // Null still wins over an odd operand.
    EXPECT_TRUE(VarIsNull(VarOp(Null(), array, opAdd)));
}

TEST_F(VariantOpsTest, ConcatenationJoinsTexts) {
    struct Case {
        Variant left, right;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"a", 1, "String:a1"},     {1, 2, "String:12"},        {Null(), "x", "String:x"},
        {u"a", u"b", "OleStr:ab"}, {u"a", "b", "String:ab"},   {true, "", "String:True"},
        {1.5, "", "String:1.5"},   {Variant(), 7, "String:7"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Outcome([&] { return VarConcat(c.left, c.right); }), c.expected);
}

// How two values relate; the six comparison operators must all agree with it.
enum class Rel { Less, Equal, Greater, Unordered };

struct CompareCase {
    const char* name;
    Variant a, b;
    Rel relation;
};

void CheckRelations(const std::vector<CompareCase>& cases) {
    for (const CompareCase& c : cases) {
        SCOPED_TRACE(c.name);
        const bool less = c.relation == Rel::Less;
        const bool equal = c.relation == Rel::Equal;
        const bool greater = c.relation == Rel::Greater;
        EXPECT_EQ(c.a == c.b, equal);
        EXPECT_EQ(c.a != c.b, !equal);
        EXPECT_EQ(c.a < c.b, less);
        EXPECT_EQ(c.a <= c.b, less || equal);
        EXPECT_EQ(c.a > c.b, greater);
        EXPECT_EQ(c.a >= c.b, greater || equal);
        EXPECT_EQ(VarOp(c.a, c.b, opCmpLT).AsBoolean(), less);
        EXPECT_EQ(VarOp(c.a, c.b, opCmpGE).VType(), varBoolean);
    }
}

TEST_F(VariantOpsTest, ComparisonWithNullAndEmpty) {
    CheckRelations({
        {"Null = Null", Null(), Null(), Rel::Equal},
        {"Null < 0", Null(), 0, Rel::Less},
        {"Null < -1e300", Null(), -1e300, Rel::Less},
        {"Null < ''", Null(), "", Rel::Less},
        {"Null < Empty", Null(), Variant(), Rel::Less},
        {"Null < False", Null(), false, Rel::Less},
        {"0 > Null", 0, Null(), Rel::Greater},
        {"Empty = 0", Variant(), 0, Rel::Equal},
        {"Empty = ''", Variant(), "", Rel::Equal},
        {"Empty = False", Variant(), false, Rel::Equal},
        {"Empty = Empty", Variant(), Variant(), Rel::Equal},
        {"Empty < 1", Variant(), 1, Rel::Less},
        {"Empty < 'a'", Variant(), "a", Rel::Less},
        {"Empty > -1", Variant(), -1, Rel::Greater},
        {"Empty = Currency 0", Variant(), Cur(0), Rel::Equal},
    });
}

TEST_F(VariantOpsTest, ComparisonOfStringsAndNumbers) {
    CheckRelations({
        {"'10' > 9 as numbers", "10", 9, Rel::Greater},
        {"'10' < '9' as strings", "10", "9", Rel::Less},
        {"'1.0' = 1", "1.0", 1, Rel::Equal},
        {"' 2 ' = 2", " 2 ", 2, Rel::Equal},
        {"1 = '1' both ways", 1, "1", Rel::Equal},
        {"'abc' < 'abd'", "abc", "abd", Rel::Less},
        {"'B' < 'a' ordinally", "B", "a", Rel::Less},
        {"'a' = u'a'", "a", u"a", Rel::Equal},
        {"'\xC3\xA9' > 'z'", "\xC3\xA9", "z", Rel::Greater},
        // Code point order whatever the string form: U+FF5E sorts before U+1F600.
        {"U+FF5E < U+1F600", u"\uFF5E", "\xF0\x9F\x98\x80", Rel::Less},
        {"u'U+FF5E' < u'U+1F600'", u"\uFF5E", u"\U0001F600", Rel::Less},
        {"True = -1", true, -1, Rel::Equal},
        {"True < False", true, false, Rel::Less},
        {"'True' = True", "True", true, Rel::Equal},
        {"'false' = False", "false", false, Rel::Equal},
        {"Int64 exact against Double", Int64(9007199254740993), 9007199254740992.0, Rel::Greater},
        {"Currency 0.1 = Double 0.1", Cur(1000), 0.1, Rel::Equal},
        {"Currency 1.5 > 1", Cur(15000), 1, Rel::Greater},
        {"Currency 2 = Int64 2", Cur(20000), Int64(2), Rel::Equal},
        {"Currency = '2.5'", Cur(25000), "2.5", Rel::Equal},
        {"Single 0.1 > Double 0.1", 0.1f, 0.1, Rel::Greater},
        {"Date = Double", VarFromDateTime(Day), double(Day), Rel::Equal},
        {"Date = date text", VarFromDateTime(Day), "3/5/2024", Rel::Equal},
        {"Date < later date text", VarFromDateTime(Day), "3/6/2024", Rel::Less},
        {"FMTBcd 0.3 = 0.1 + 0.2", Bcd("0.3"), VarOp(Bcd("0.1"), Bcd("0.2"), opAdd), Rel::Equal},
        {"FMTBcd 1.5 > 1", Bcd("1.5"), 1, Rel::Greater},
        {"FMTBcd 0.1 = Double 0.1", Bcd("0.1"), 0.1, Rel::Equal},
        {"FMTBcd = '1.50'", Bcd("1.5"), "1.50", Rel::Equal},
        {"LongWord > Integer", LongWord(4000000000u), -1, Rel::Greater},
        {"NaN", std::nan(""), std::nan(""), Rel::Unordered},
    });
}

TEST_F(VariantOpsTest, ComparingTextThatIsNoNumberWithANumberFails) {
    EXPECT_THROW((void)(Variant("abc") == Variant(1)), EVariantTypeCastError);
    EXPECT_THROW((void)(Variant(2) < Variant("x")), EVariantTypeCastError);
    EXPECT_THROW((void)(Variant("maybe") == Variant(true)), EVariantTypeCastError);
    // Null is decided before any conversion.
    EXPECT_FALSE(Null() == Variant("abc"));
}

TEST_F(VariantOpsTest, CompareValueAndSameValue) {
    struct Case {
        const char* name;
        Variant a, b;
        TVariantRelationship relation;
        bool same;
    };
    const std::vector<Case> cases = {
        {"Empty, Empty", Variant(), Variant(), vrEqual, true},
        {"Empty, 0", Variant(), 0, vrNotEqual, false},
        {"0, Empty", 0, Variant(), vrNotEqual, false},
        {"Null, Null", Null(), Null(), vrEqual, true},
        {"Null, 0", Null(), 0, vrNotEqual, false},
        {"Empty, Null", Variant(), Null(), vrNotEqual, false},
        {"1, 2", 1, 2, vrLessThan, false},
        {"b, a", "b", "a", vrGreaterThan, false},
        {"'1', 1", "1", 1, vrEqual, true},
        {"NaN, NaN", std::nan(""), std::nan(""), vrNotEqual, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(VarCompareValue(c.a, c.b), c.relation);
        EXPECT_EQ(VarSameValue(c.a, c.b), c.same);
    }
}

TEST_F(VariantOpsTest, CppOperatorsReadNaturally) {
    Variant count = 5;
    count += 1;
    EXPECT_TRUE(count == 6);
    EXPECT_EQ(count.VType(), varInteger);
    count *= 2.5;
    EXPECT_EQ(count.VType(), varDouble);
    EXPECT_TRUE(count == 15);
    count -= "5";
    count /= 2;
    EXPECT_TRUE(count == 5);

    Variant text = "a";
    text += "b";
    EXPECT_EQ(VarToStr(text), "ab");
    EXPECT_EQ(VarToStr(5 + Variant("1")), "6");
    EXPECT_EQ(VarToStr(Variant(7) % 4), "3");
    EXPECT_EQ(VarToStr(Variant(6) & 3), "2");
    EXPECT_EQ(VarToStr(Variant(6) | 1), "7");
    EXPECT_EQ(VarToStr(Variant(6) ^ 3), "5");
    EXPECT_EQ(VarToStr(Variant(1) << 3), "8");
    EXPECT_EQ(VarToStr(Variant(8) >> 3), "1");
    EXPECT_EQ(VarToStr(-Variant(3)), "-3");
    EXPECT_EQ(VarToStr(~Variant(true)), "False");
    EXPECT_TRUE(Variant("b") > "a");
    EXPECT_TRUE(1 < Variant(2));
    EXPECT_TRUE(VarIsNull(Null() + 1));
}

} // namespace
