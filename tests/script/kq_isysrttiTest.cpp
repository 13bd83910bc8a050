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

TEST(kq_isysrttiTest, FunctionsGiveTheirValuesAndErrors) {
    const Case cases[] = {
        {"Copy('abc', 0, 2)", "ab"},
        {"'[' + Copy('abc', 4, 1) + ']'", "[]"},
        {"Copy('abc', 2, -1) + '|'", "|"},
        {"Pos('', 'abc')", "0"},
        {"Pos('c', 'abc')", "3"},
        {"Pos('c', 'ébc')", "3"},
        {"Length('ébc')", "3"},
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
