#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/runtime/Strings.h"
#include "script/kq_iexpression.h"
#include "script/kq_itools.h"
#include "tests/script/ScriptHost.h"
#include "tests/support/TestSupport.h"

using scripthost::ScriptHost;
using scripthost::TCorpusHost;

KOV_PUBLISHED(TCorpusHost) {
    Property("Caption", &TCorpusHost::Caption);
    Property("OnPing", &TCorpusHost::OnPing);
}

namespace {

String Fixture(const String& name) {
    return testsupport::ReadFileBytes(testsupport::FixturePath(String("script/corpus/") + name));
}

// The same algorithms in each grammar print the same lines.
TEST(kq_iilparser_BuildTest, CorpusRunsAlikeInAllFourLanguages) {
    const String expected = Fixture("expected.txt");
    const std::pair<const char*, const char*> programs[] = {{"pascal.txt", "PascalScript"},
                                                            {"cpp.txt", "C++Script"},
                                                            {"basic.txt", "BasicScript"},
                                                            {"js.txt", "JScript"}};
    for (const auto& [file, language] : programs) {
        SCOPED_TRACE(language);
        ScriptHost host;
        EXPECT_EQ(host.Run(Fixture(file), language), expected);
    }
}

} // namespace

namespace {

struct ErrorCase {
    const char* what;
    const char* language;
    const char* text;
    const char* message;
    const char* pos; // nullptr: not checked
};

TEST(kq_iilparser_BuildTest, BuildErrorsGiveTheirMessageAndPosition) {
    const ErrorCase cases[] = {
        {"undeclared", "PascalScript", "begin x := 1 end.", "Undeclared identifier: 'x'", "1:8"},
        {"string into integer", "PascalScript", "var i: Integer;\r\nbegin i := 'x' end.",
         "Incompatible types: 'Integer', 'String'", nullptr},
        {"variable used above its declaration", "PascalScript",
         "procedure P;\r\nbegin\r\n  g := 1\r\nend;\r\nvar g: Integer;\r\nbegin end.",
         "Undeclared identifier: 'g'", "3:4"},
        {"redeclared in one scope", "PascalScript", "var a: Integer;\r\n  a: String;\r\nbegin end.",
         "Identifier redeclared: 'a'", "2:4"},
        {"redeclared local", "PascalScript", "procedure P;\r\nvar a, a: Integer;\r\nbegin end;\r\nbegin end.",
         "Identifier redeclared: 'a'", nullptr},
        {"unknown type", "PascalScript", "var a: TNoSuch;\r\nbegin end.", "Unknown type: 'TNoSuch'", nullptr},
        {"return value from void", "C++Script", "void F() { return 1; }\r\n{ F(); }",
         "Undeclared identifier: 'Result'", nullptr},
        {"parameter as loop variable", "PascalScript",
         "procedure P(n: Integer);\r\nbegin\r\n  for n := 1 to 2 do ;\r\nend;\r\nbegin end.",
         "For loop variable must be numeric variable", "3:8"},
        {"string loop variable", "PascalScript", "var s: String;\r\nbegin for s := 1 to 2 do ; end.",
         "For loop variable must be numeric variable", nullptr},
        {"float bound for integer loop", "PascalScript",
         "var i: Integer;\r\nbegin for i := 1.5 to 2 do ; end.", "Incompatible types: 'Integer', 'Extended'",
         nullptr},
        {"variable with arguments", "PascalScript", "var i: Integer;\r\nbegin i(1) end.",
         "Too many actual parameters", nullptr},
        {"missing argument", "PascalScript", "begin Copy('a', 1) end.", "Not enough actual parameters",
         nullptr},
        {"argument kind", "PascalScript", "begin Print(Copy('a', 'b', 1)) end.",
         "Incompatible types: 'Integer', 'String'", nullptr},
        {"address of a member", "PascalScript", "var v: Variant;\r\nbegin v := @Host.Caption end.",
         "Variable required", nullptr},
        {"member of a string", "PascalScript", "var s: String;\r\nbegin s.Length end.",
         "Strings doesn't have properties or methods", nullptr},
        {"index of an integer", "PascalScript", "var i: Integer;\r\nbegin i[1] := 2 end.",
         "Array type required", nullptr},
        {"unknown member", "PascalScript", "begin Host.NoSuch end.", "Undeclared identifier: 'NoSuch'",
         "1:18"},
        {"no default property", "PascalScript", "begin Print(Host[1]) end.",
         "Class TCorpusHost does not have a default property", nullptr},
        {"assignment to a constant", "PascalScript", "const C = 1;\r\nbegin C := 2 end.",
         "Left side cannot be assigned to", nullptr},
        {"with over a number", "PascalScript", "var i: Integer;\r\nbegin with i do Print(1) end.",
         "Class type required", nullptr},
        {"operator without operand", "PascalScript", "var i: Integer;\r\nbegin i := 1 * 2 * end.",
         "Expression expected", nullptr},
        {"string plus integer", "PascalScript", "var s: String;\r\nbegin s := 'a' + 1 end.",
         "Incompatible types", nullptr},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptHost host;
        EXPECT_FALSE(host.Compile(c.text, c.language));
        EXPECT_EQ(host.Script->LastErrorText, c.message);
        if (c.pos != nullptr) { EXPECT_EQ(host.Script->LastErrorPos, c.pos); }
    }
}

struct RunCase {
    const char* what;
    const char* language;
    const char* text;
    const char* output;
};

TEST(kq_iilparser_BuildTest, ProgramsRunAsBuilt) {
    const RunCase cases[] = {
        {"procedure called above its declaration", "PascalScript",
         "procedure A;\r\nbegin B end;\r\nprocedure B;\r\nbegin Print('b') end;\r\nbegin A end.", "b\n"},
        {"undeclared name in a function becomes a global", "JScript",
         "function F() { g = 5; }\r\nF();\r\nPrint(g);", "5\n"},
        {"undeclared BasicScript global", "BasicScript", "x = 2\r\nPrint(x * 3)", "6\n"},
        {"local may reuse a global name", "PascalScript",
         "var a: Integer;\r\nprocedure P;\r\nvar a: Integer;\r\nbegin a := 2; Print(a) end;\r\nbegin a := 1; "
         "P; "
         "Print(a) end.",
         "2\n1\n"},
        {"initial value assigned at every call", "PascalScript",
         "procedure P;\r\nvar c: Integer = 5;\r\nbegin c := c + 1; Print(c) end;\r\nbegin P; P end.",
         "6\n6\n"},
        {"optional argument from the signature", "PascalScript",
         "var x: Integer;\r\nbegin x := 4; Inc(x); Print(x) end.", "5\n"},
        {"script default parameter", "PascalScript",
         "procedure P(a: Integer; b: Integer = 7);\r\nbegin Print(a + b) end;\r\nbegin P(1); P(1, 2) end.",
         "8\n3\n"},
        {"Pascal bounds 1..3", "PascalScript",
         "var a: array[1..3] of Integer;\r\nbegin a[1] := 1; a[3] := 3; Print(a[1] + a[3]);\r\n"
         "try a[0] := 1 except Print('low') end end.",
         "4\nlow\n"},
        {"C++ size 3", "C++Script",
         "int a[3];\r\n{ a[0] = 1; a[2] = 2; Print(a[0] + a[2]);\r\n"
         "try { a[3] = 1; } except { Print(\"high\"); } }",
         "3\nhigh\n"},
        {"array without bounds has index 0", "PascalScript",
         "var a: array of Integer;\r\nbegin a[0] := 9; Print(a[0]);\r\ntry a[1] := 1 except Print('one') end "
         "end.",
         "9\none\n"},
        {"empty case branch keeps its values", "PascalScript",
         "var x, y: Integer;\r\nbegin x := 1; y := 0;\r\ncase x of 1: ; else y := 9 end;\r\nPrint(y) end.",
         "0\n"},
        {"Basic block IF with empty then", "BasicScript",
         "x = 2\r\nIf x = 1 Then\r\nElse\r\n  Print(\"else\")\r\nEnd If", "else\n"},
        {"Pascal while with empty body", "PascalScript",
         "var i: Integer;\r\nfunction Next: Boolean;\r\nbegin i := i + 1; Result := i < 3 end;\r\n"
         "begin while Next do ; Print(i) end.",
         "3\n"},
        {"C++ for without a body", "C++Script", "int i;\r\n{ for (i = 0; i < 4; i++) }\r\n", "compile"},
        {"C++ return without value only exits", "C++Script",
         "void F() { Print(1); return; Print(2); }\r\n{ F(); }", "1\n"},
        {"procedure inside a Basic IF block", "BasicScript",
         "If True Then\r\n  Sub Inner()\r\n    Print(\"inner\")\r\n  End Sub\r\nEnd If\r\nInner", "inner\n"},
        {"with over an object prefers its member", "PascalScript",
         "var Caption: String;\r\nbegin Caption := 'global';\r\nwith Host do Caption := 'member';\r\n"
         "Print(Host.Caption); Print(Caption) end.",
         "member\nglobal\n"},
        {"with over a Variant resolves at run time", "PascalScript",
         "var v: Variant;\r\nbegin v := Host;\r\nwith v do begin Caption := 'late'; Print(Caption) end end.",
         "late\n"},
        {"field reference calls Get", "PascalScript", "begin Print(<ds.\"F\">) end.", "ds.\"F\"!\n"},
        {"self addition", "PascalScript", "var i: Integer;\r\nbegin i := 1; i := i + 4; Print(i) end.",
         "5\n"},
        {"string indexing", "PascalScript", "var s: String;\r\nbegin s := 'abc'; s[2] := 'x'; Print(s) end.",
         "axc\n"},
        {"Basic concatenation with &", "BasicScript", "s = \"5\"\r\ns = s & 1\r\nPrint(s)", "51\n"},
    };
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptHost host;
        host.Script->AddMethod(
            "function Get(Name: String): Variant",
            TkqModuleCallback(+[](TObject*, TClass, const String&, TkqMethodHelper* caller) -> Variant {
                return VarToStr(caller->GetParam(0)) + "!";
            }));
        const String output = host.Run(c.text, c.language);
        if (String(c.output) == "compile")
            EXPECT_EQ(output.substr(0, 8), String()) << output;
        else
            EXPECT_EQ(output, c.output);
    }
}

} // namespace

namespace {

// A break leaves the innermost loop or case statement; with neither around it, or a continue
// without a loop, the program does not compile: once such a break silently ended the list it
// stood in and the run was reported a success.
TEST(kq_iilparser_BuildTest, BreakAndContinueNeedALoopOrCase) {
    const ErrorCase errors[] = {
        {"break in the main text", "C++Script", "int x;\r\n{ x = 1; break; Print(x); }",
         "Break outside a loop or case statement", "2:10"},
        {"break in the main text", "JScript", "Print(1);\r\nbreak;\r\nPrint(2);",
         "Break outside a loop or case statement", "2:1"},
        {"break in the main text", "BasicScript", "Print(1)\r\nBreak\r\nPrint(2)",
         "Break outside a loop or case statement", "2:1"},
        {"break in the main text", "PascalScript", "begin Print(1); break; Print(2) end.",
         "Break outside a loop or case statement", "1:17"},
        {"continue in a switch outside a loop", "C++Script", "int x;\r\n{ switch (x) { case 0: continue; } }",
         "Continue outside a loop", "2:24"},
        {"continue in a function", "JScript", "function F() { continue; }\r\nF();", "Continue outside a loop",
         "1:16"},
        {"break in a function called from a loop", "C++Script",
         "void F() { break; }\r\n{ while (true) F(); }", "Break outside a loop or case statement", "1:12"},
        {"break in a Basic IF block", "BasicScript", "If True Then\r\n  Break\r\nEnd If",
         "Break outside a loop or case statement", "2:3"},
    };
    for (const ErrorCase& c : errors) {
        SCOPED_TRACE(String(c.language) + ": " + c.what);
        ScriptHost host;
        EXPECT_FALSE(host.Compile(c.text, c.language));
        EXPECT_EQ(host.Script->LastErrorText, c.message);
        EXPECT_EQ(host.Script->LastErrorPos, c.pos);
    }

    // In a loop, a break in a case branch leaves the case statement only.
    const RunCase runs[] = {
        {"switch in a loop", "C++Script",
         "int i, n;\r\n{ n = 0; for (i = 0; i < 3; i++) { switch (i) { case 1: { n = n + 10; break; n = 0; }"
         " default: n = n + 1; } n = n + 100; } Print(n); }",
         "312\n"},
        {"switch in a loop", "JScript",
         "var i, n = 0;\r\nfor (i = 0; i < 3; i++) { switch (i) { case 1: { n = n + 10; break; n = 0; }"
         " default: n = n + 1; } n = n + 100; }\r\nPrint(n);",
         "312\n"},
        {"case in a loop", "PascalScript",
         "var i, n: Integer;\r\nbegin n := 0;\r\nfor i := 0 to 2 do begin case i of 1: break; else n := n + 1 end;"
         " n := n + 100 end;\r\nPrint(n) end.",
         "302\n"},
        {"Select Case in a loop", "BasicScript",
         "n = 0\r\nFor i = 0 To 2\r\n  Select Case i\r\n  Case 1: Break\r\n  Case Else: n = n + 1\r\n  End Select\r\n"
         "  n = n + 100\r\nNext\r\nPrint(n)",
         "302\n"},
        {"break and continue in loops", "JScript",
         "var i, n = 0;\r\nfor (i = 0; i < 10; i++) { if (i == 1) continue; if (i == 3) break; n = n + i; }\r\n"
         "Print(n);",
         "2\n"},
        {"break in a case outside a loop", "C++Script",
         "int x;\r\n{ x = 1; switch (x) { case 1: { Print(1); break; Print(2); } } Print(3); }", "1\n3\n"},
        {"continue in a case in a loop", "C++Script",
         "int i;\r\n{ for (i = 0; i < 2; i++) { switch (i) { case 0: continue; } Print(i); } }", "1\n"},
    };
    for (const RunCase& c : runs) {
        SCOPED_TRACE(String(c.language) + ": " + c.what);
        ScriptHost host;
        EXPECT_EQ(host.Run(c.text, c.language), c.output);
    }
}

// Mutated corpus programs compile or fail with an error text and a position; nothing raises
// and nothing crashes.
TEST(kq_iilparser_BuildTest, MutatedCorpusProgramsCompileOrReportAnError) {
    const std::pair<const char*, const char*> programs[] = {{"pascal.txt", "PascalScript"},
                                                            {"cpp.txt", "C++Script"},
                                                            {"basic.txt", "BasicScript"},
                                                            {"js.txt", "JScript"}};
    const char* const inserts[] = {"(",  ")", ";", ",", ".", "'",     "\"",       "begin", "end",
                                   "{",  "}", "[", "]", "<", ">",     "#",        "\r\n",  "_",
                                   "if", "@", "=", ":", "&", "Host.", "with x do"};
    std::uint32_t seed = 1211;
    auto next = [&seed](std::uint32_t range) {
        seed = seed * 134775813u + 1u;
        return std::uint32_t((std::uint64_t(seed) * range) >> 32);
    };
    for (const auto& [file, language] : programs) {
        SCOPED_TRACE(language);
        const String source = Fixture(file);
        ScriptHost host;
        for (int round = 0; round < 60; ++round) {
            String text = source;
            const int edits = 1 + int(next(3));
            for (int e = 0; e < edits && !text.empty(); ++e) {
                const std::size_t at = next(std::uint32_t(text.size()));
                switch (next(4)) {
                case 0:
                    text.erase(at, 1 + next(6));
                    break;
                case 1:
                    text.insert(at, text.substr(at, 1 + next(12)));
                    break;
                case 2:
                    if (at + 1 < text.size()) std::swap(text[at], text[at + 1]);
                    break;
                default:
                    text.insert(at, inserts[next(std::uint32_t(std::size(inserts)))]);
                    break;
                }
            }
            SCOPED_TRACE(text);
            bool ok = false;
            ASSERT_NO_THROW(ok = host.Compile(text, language));
            if (ok) continue;
            EXPECT_NE(host.Script->LastErrorText, "");
            Integer line = 0;
            Integer column = 0;
            ASSERT_NO_THROW(ParsePos(host.Script->LastErrorPos, line, column));
            EXPECT_GE(line, 1);
            EXPECT_GE(column, 1);
        }
    }
}

} // namespace

namespace {

class TListHost : public TComponent {
    KOV_CLASS(TListHost, TComponent)
public:
    using TComponent::TComponent;
    String Stored = "?";
};

Variant ListCallback(TObject* instance, TClass, const String& name, TkqMethodHelper* caller) {
    auto* list = static_cast<TListHost*>(instance);
    if (name == "ITEMS.GET") return "item" + IntToStr(caller->GetParam(0).AsInteger());
    if (name == "ITEMS.SET")
        list->Stored = IntToStr(caller->GetParam(0).AsInteger()) + "=" + VarToStr(caller->GetParam(1));
    if (name == "CELLS.GET") return caller->GetParam(0).AsInteger() * 10 + caller->GetParam(1).AsInteger();
    return Null();
}

TEST(kq_iilparser_BuildTest, IndexedAndDefaultPropertiesTakeTheBracketedArguments) {
    ScriptHost host;
    TListHost list(nullptr);
    TkqClassVariable* cls = host.Script->AddClass(TListHost::StaticClass(), "TObject");
    cls->AddIndexProperty("Items", "Integer", "String", &ListCallback, false);
    cls->AddDefaultProperty("Cells", "Integer, Integer", "Integer", &ListCallback, true);
    host.Script->AddObject("L", &list);
    EXPECT_EQ(
        host.Run("begin Print(L.Items[2]); Print(L.Items[2][5]); Print(L[3, 4]); L.Items[7] := 'x' end."),
        "item2\n2\n34\n");
    EXPECT_EQ(list.Stored, "7=x");
    EXPECT_FALSE(host.Compile("begin Print(L.Items) end."));
    EXPECT_EQ(host.Script->LastErrorText, "Not enough actual parameters");
    EXPECT_FALSE(host.Compile("begin Print(L.Items.Foo) end."));
    EXPECT_EQ(host.Script->LastErrorText, "Index required");
    EXPECT_FALSE(host.Compile("begin L[1, 2] := 3 end."));
    EXPECT_EQ(host.Script->LastErrorText, "Left side cannot be assigned to");
}

// A macro receives the source texts of its arguments, cut from the text they were written in,
// also inside a unit.
TEST(kq_iilparser_BuildTest, MacroArgumentTextsComeFromTheirOwnUnit) {
    ScriptHost host;
    host.Script->AddVariable("A", "Integer", 1);
    static std::vector<String> texts;
    texts.clear();
    host.Script->AddMethodArrayArgs(
        "macrofunction Text(a: Variant): Variant",
        TkqArrayCallback(+[](TObject*, TClass, const String&, Variant& args) -> Variant {
            texts.push_back(VarToStr(VarArrayGet(args, {0})));
            return Null();
        }));
    host.Script->OnGetUnit = TkqGetUnitEvent(+[](TObject*, const String&, String& text) {
        text = "procedure InUnit;\r\nbegin\r\n  Text(Length('xy')  *  2)\r\nend;\r\nbegin end.";
    });
    EXPECT_EQ(host.Run("uses 'u';\r\nbegin Text(A + 1); InUnit end."), "") << host.Error();
    EXPECT_EQ(texts, (std::vector<String>{"A + 1", "Length('xy')  *  2"}));
}

} // namespace

namespace {

TEST(kq_iilparser_BuildTest, WhatWasBuiltBeforeAnErrorStaysAndUnitErrorsNameTheirUnit) {
    ScriptHost host;
    EXPECT_FALSE(host.Compile(
        "var a: Integer;\r\nbegin\r\n  a := 1;\r\n  a := 2;\r\n  a := 'x';\r\n  a := 4\r\nend."));
    EXPECT_EQ(host.Script->LastErrorPos, "5:11");
    EXPECT_EQ(host.Script->LastErrorUnit, "");
    EXPECT_NE(host.Script->FindLocal("a"), nullptr);
    EXPECT_EQ(host.Script->RootStatement->Count(), 2);

    host.Script->OnGetUnit = TkqGetUnitEvent(+[](TObject*, const String& name, String& text) {
        text = name == "good" ? "var g: Integer;\r\nbegin g := 5 end." : "begin\r\n  nothing := 1\r\nend.";
    });
    EXPECT_EQ(host.Run("uses 'good';\r\nbegin Print(g) end."), "5\n");
    EXPECT_FALSE(host.Compile("uses 'good', 'bad';\r\nbegin end."));
    EXPECT_EQ(host.Script->LastErrorText, "Undeclared identifier: 'nothing'");
    EXPECT_EQ(host.Script->LastErrorPos, "2:10");
    EXPECT_EQ(host.Script->LastErrorUnit, "bad");
}

} // namespace
