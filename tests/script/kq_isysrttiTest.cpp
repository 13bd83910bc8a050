#include <gtest/gtest.h>

#include <clocale>

#include "platform/runtime/Strings.h"
#include "tests/script/ScriptHost.h"

using scripthost::ScriptHost;

namespace {

struct Case {
    const char* expression; // printed with Print
    const char* output;
};

// Positions and counts outside the text, zero, negative or MaxInt, on s = 'abcx': a start
// below 1 counts as 1 for Copy and Insert and does nothing for Delete; counts are cut to the
// rest of the text.
TEST(kq_isysrttiTest, CopyDeleteAndInsertTakeAnyPositionAndCount) {
    const Case cases[] = {
        {"s := Copy(s, 2, 2)", "bc"},
        {"s := Copy(s, 0, 2)", "ab"},
        {"s := Copy(s, -2147483647, 2)", "ab"},
        {"s := Copy(s, 2, 2147483647)", "bcx"},
        {"s := Copy(s, -2147483647, 2147483647)", "abcx"},
        {"s := Copy(s, 2147483647, 2147483647)", ""},
        {"s := Copy(s, 2, 0)", ""},
        {"s := Copy(s, 2, -2147483647)", ""},
        {"Delete(s, 2, 2)", "ax"},
        {"Delete(s, 2, 2147483647)", "a"},
        {"Delete(s, 1, 2147483647)", ""},
        {"DeleteStr(s, 4, 2147483647)", "abc"},
        {"Delete(s, 0, 2)", "abcx"},
        {"Delete(s, -2147483647, 2147483647)", "abcx"},
        {"Delete(s, 2147483647, 2147483647)", "abcx"},
        {"Delete(s, 2, 0)", "abcx"},
        {"DeleteStr(s, 2, -2147483647)", "abcx"},
        {"Insert('Z', s, 2)", "aZbcx"},
        {"Insert('Z', s, 0)", "Zabcx"},
        {"Insert('Z', s, -2147483647)", "Zabcx"},
        {"Insert('Z', s, 5)", "abcxZ"},
        {"Insert('Z', s, 2147483647)", "abcxZ"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expression);
        ScriptHost host;
        EXPECT_EQ(host.Run(String("var s: String;\r\nbegin s := 'abcx'; ") + c.expression + "; Print('[' + s + ']') end."),
                  String("[") + c.output + "]\n");
    }
}

TEST(kq_isysrttiTest, FunctionsGiveTheirValuesAndErrors) {
    const Case cases[] = {
        {"Copy('abc', 0, 2)", "ab"},
        {"'[' + Copy('abc', 4, 1) + ']'", "[]"},
        {"Copy('abc', 2, -1) + '|'", "|"},
        {"Pos('', 'abc')", "0"},
        {"Pos('c', 'abc')", "3"},
        {"Pos('c', 'ébc')", "3"},
        {"Length('ébc')", "3"},
        // Characters counted directly in all-ASCII text, by the code in text with other characters,
        // the first of them before, within and after the first eight bytes.
        {"Length('abcdefgh')", "8"},
        {"Length('abcdefghé')", "9"},
        {"Length('abcéefghijk')", "11"},
        {"Copy('abcdefghij', 9, 5)", "ij"},
        {"Copy('abcdefghij', 10, 2147483647)", "j"},
        {"'[' + Copy('abcdefghij', 11, 1) + ']'", "[]"},
        {"Copy('abcdefghijé', 11, 1)", "é"},
        {"Copy('éabcdefghij', 2, 3)", "abc"},
        {"Copy('abcdefghijé', 10, 2)", "jé"},
        // Only the bytes before the start and inside the range decide: other text after them, a
        // count reaching the end over other text, other text before the start.
        {"Copy('abcdéfghij', 3, 2)", "cd"},
        {"Copy('abcdéfghij', 4, 3)", "déf"},
        {"Copy('abcdefghijé', 3, 2147483647)", "cdefghijé"},
        {"Copy('aé', 2, 1)", "é"},
        {"'[' + Copy('aé', 3, 1) + ']'", "[]"},
        {"'[' + Copy('éa', 3, 1) + ']'", "[]"},
        {"Copy('éabc', 3, 5)", "bc"},
        {"Length(12345)", "5"},
        {"Length(VarArrayCreate([1, 3], varVariant))", "3"},
        {"Round(2.5)", "2"},
        {"Round(3.5)", "4"},
        {"Int(2.7)", "2"},
        {"VarType(Int(2.7))", "5"},
        {"Trunc(-2.7)", "-2"},
        {"Chr(321) = Chr(65)", "True"},
        {"Chr(65)", "A"},
        {"VarType(Ord('a'))", "17"},
        {"Ord('a')", "97"},
        {"DaysInMonth(2000, 2)", "29"},
        {"DaysInMonth(1900, 2)", "28"},
        {"DaysInMonth(2001, 12)", "31"},
        {"IsLeapYear(2000)", "True"},
        {"ValidDate('31.02.2001') or ValidDate('02/31/2001')", "False"},
        {"ValidInt('12x')", "False"},
        {"ValidInt('-12')", "True"},
        {"NameCase(' ab cd')", " ab Cd"},
        {"NameCase('JOHN SMITH')", "John Smith"},
        {"Trim(#9' x '#13)", "x"},
        {"Uppercase('abc')", "ABC"},
        {"CompareText('abc', 'ABC')", "0"},
        {"IntToStr(-42)", "-42"},
        {"Frac(2.5)", "0.5"},
        {"Abs(-3)", "3"},
        {"Sqrt(16)", "4"},
        {"VarType(Null)", "1"},
        {"varString + varArray", "8448"},
        {"Length(Format('%s', [StringOfChars]))", "300"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expression);
        ScriptHost host;
        host.Script->AddVariable("StringOfChars", "String", String(300, 'z'));
        EXPECT_EQ(host.Run(String("begin Print(") + c.expression + ") end."), String(c.output) + "\n");
    }
}

TEST(kq_isysrttiTest, VarArgumentsAreWrittenBack) {
    const Case cases[] = {
        {"var s: String; begin s := 'abc'; Delete(s, 0, 1); Print(s) end.", "abc"},
        {"var s: String; begin s := 'abc'; Delete(s, 2, 5); Print(s) end.", "a"},
        {"var s: String; begin s := 'abc'; Insert('x', s, 10); Print(s) end.", "abcx"},
        {"var s: String; begin s := 'abc'; Insert('x', s, 0); Print(s) end.", "xabc"},
        {"var x: Integer; begin x := 1; Inc(x); Inc(x, 5); Dec(x); Print(x) end.", "6"},
        {"var y, m, d: Integer; begin DecodeDate(EncodeDate(2024, 2, 29), y, m, d); Print(y * 10000 + m * "
         "100 + d) end.",
         "20240229"},
        {"var s: Variant; begin s := 'abcdef'; SetLength(s, 2); Print(s) end.", "ab"},
        {"var a: Variant; begin a := VarArrayCreate([1, 2], varVariant); SetLength(a, 5); Print(Length(a)) "
         "end.",
         "5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expression);
        ScriptHost host;
        EXPECT_EQ(host.Run(c.expression), String(c.output) + "\n");
    }
}

TEST(kq_isysrttiTest, RuntimeErrorsReachTheScriptsTryBlocks) {
    const Case cases[] = {
        {"Sqrt(-1)", "Invalid floating point operation"},
        {"Ln(0)", "Floating point division by zero"},
        {"StrToInt('x')", "'x' is not a valid integer value"},
        {"Ord('')", "Range check error"},
        {"DaysInMonth(2000, 13)", "Range check error"},
        {"EncodeDate(2001, 2, 31)", "Invalid argument to date encode"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expression);
        ScriptHost host;
        EXPECT_EQ(host.Run(String("var v: Variant; begin try v := ") + c.expression +
                           "; Print('no error') except Print('caught') end end."),
                  "caught\n");
        ASSERT_TRUE(host.Compile(String("var v: Variant; begin v := ") + c.expression + " end."));
        try {
            host.Script->Execute();
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, c.output);
        }
    }
}

TEST(kq_isysrttiTest, RaiseExceptionUsesTheTextAndFirstRegistrationWins) {
    ScriptHost host;
    ASSERT_TRUE(host.Compile("begin RaiseException('exactly this') end."));
    try {
        host.Script->Execute();
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "exactly this");
    }
    host.Script->AddConst("True", "Boolean", false);
    host.Script->AddType("Integer", vkString);
    EXPECT_EQ(host.Run("var i: Integer; begin i := 3; Print(True); Print(i + 1) end."), "True\n4\n");
}

} // namespace

namespace {

// Length, Copy, Pos and the other functions that only read their arguments are lent the
// caller's variables for the call instead of copies: the variables keep their values, also
// when one is passed twice, when another argument reads it, and when the call raises.
TEST(kq_isysrttiTest, VariablesLentToReadingFunctionsKeepTheirValues) {
    const Case cases[] = {
        {"Print(Copy(s, 1, Length(s)))", "abcé\n"},
        {"Print(Pos(s, s))", "1\n"},
        {"Print(Copy(s, 2, Length(s)) + s)", "bcéabcé\n"},
        {"Print(CompareText(s, Uppercase(s)))", "0\n"},
        {"Print(Length(v) + Length(v))", "4\n"},
        {"Print(Copy(v, 2, 1) + v)", "yxy\n"},
        {"Print(Pos(Copy(s, Length(s), 1), s))", "4\n"},
        {"try Print(Copy(s, v, 1)) except Print('error') end", "error\n"},
        {"try Print(Copy(v, 1, v)) except Print('error') end", "error\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expression);
        ScriptHost host;
        EXPECT_EQ(host.Run(String("var s: String; v: Variant;\r\nbegin s := 'abcé'; v := 'xy'; ") + c.expression +
                           "; Print(s + '|' + v) end."),
                  String(c.output) + "abcé|xy\n");
    }
}

// `x := x + y` joins texts in the variable's own buffer and adds Integers directly; other
// operands keep the Variant rules.
TEST(kq_isysrttiTest, SelfAdditionsKeepTheValueRules) {
    const Case cases[] = {
        {"t := s; s := s + 'ab'; Print(t + '|' + s)", "x|xab"},
        {"s := s + s; s := s + s; Print(s)", "xxxx"},
        {"t := 'é'; s := s + t; t := t + 'z'; Print(s + t)", "xééz"},
        {"v := 'a'; v := v + 'b'; v := v + s; Print(v)", "abx"},
        {"v := 1; v := v + '2'; Print(v)", "3"},
        {"v := '1'; v := v + 2; Print(VarType(v))", "5"},
        {"i := 2147483647; i := i + 1; Print(IntToStr(i) + ' ' + IntToStr(VarType(i)))", "2147483648 20"},
        {"i := -5; i := i + 7; Print(VarType(i))", "3"},
        {"i := 2147483647; i := i + 1; v := -2; i := i + v; Print(IntToStr(i) + ' ' + IntToStr(VarType(i)))", "2147483646 20"},
        {"v := 9223372036854775807; v := v + 1; Print(VarType(v))", "5"},
        {"v := 2; i := 3; i := i + v; Print(i)", "5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expression);
        ScriptHost host;
        const String output =
            host.Run(String("var s, t: String; v: Variant; i: Integer;\r\nbegin s := 'x'; ") + c.expression + " end.");
        EXPECT_EQ(output.substr(0, output.find('\n')), c.output);
    }
}

} // namespace

namespace {

// i++ and i-- step a whole number in place by the Variant rules.
TEST(kq_isysrttiTest, StepsOfWholeNumbersKeepTheValueRules) {
    ScriptHost host;
    EXPECT_EQ(host.Run("var i = 2147483647, k = -2147483648, f = 1.5;\r\n"
                       "i++; k--; f++; Print(i); Print(VarType(i)); Print(k); Print(VarType(k)); Print(f);\r\n"
                       "i--; k++; Print(VarType(i)); Print(VarType(k));",
                       "JScript"),
              "2147483648\n20\n-2147483649\n20\n2.5\n20\n20\n");
}

} // namespace
