#include "script/kq_iilparser.h"

#include <cstdint>
#include <functional>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Strings.h"
#include "script/kq_itools.h"
#include "tests/support/TestSupport.h"

namespace {

// The tree as one line: name[attributes]{children}.
String Dump(const TkqXMLItem* item) {
    String out = item->Name;
    if (!item->Text.empty()) out += "[" + Trim(item->Text) + "]";
    if (item->Count() > 0) {
        out += "{";
        for (Integer i = 0; i < item->Count(); ++i)
            out += (i > 0 ? "," : "") + Dump(item->Items(i));
        out += "}";
    }
    return out;
}

struct Outcome {
    bool ok;
    String error;
    String pos;
    String unit;
    String il; // the dump of the program without its types
};

// Translates a text in a language with a fresh script.
Outcome Translate(const String& language, const String& text,
                  const std::function<void(TkqScript&)>& setup = nullptr) {
    TkqScript script(nullptr);
    if (setup) setup(script);
    TkqILParser parser(&script);
    parser.SelectLanguage(language);
    Outcome outcome;
    outcome.ok = parser.TranslateSource(text);
    outcome.error = script.LastErrorText;
    outcome.pos = script.LastErrorPos;
    outcome.unit = script.LastErrorUnit;
    if (outcome.ok) {
        TkqXMLItem* root = parser.ILDocument->Root;
        String il = root->Name + "{";
        for (Integer i = 0; i + 1 < root->Count(); ++i)
            il += (i > 0 ? "," : "") + Dump(root->Items(i));
        outcome.il = il + "}";
        EXPECT_EQ(root->Items(root->Count() - 1)->Name, "types");
    }
    return outcome;
}

// Registers units by name for the script's OnGetUnit.
struct UnitHost {
    std::map<String, String> Units;
    std::vector<String> Asked;
    void GetUnit(TObject*, const String& name, String& text) {
        Asked.push_back(name);
        auto it = Units.find(LowerCase(name));
        if (it != Units.end()) text = it->second;
    }
};

const char* const kLanguages[] = {"PascalScript", "C++Script", "BasicScript", "JScript"};

} // namespace

TEST(kq_iilparserTest, GrammarsAreCompleteAndConsistent) {
    struct Counts {
        const char* language;
        Integer keywords;
        Integer errors;
    };
    static const std::set<String> elements = {
        "char",     "keyword",  "ident",  "number",         "string", "qostring",    "eol",
        "sequence", "optional", "switch", "optionalswitch", "loop",   "optionalloop"};
    for (const Counts& c : std::vector<Counts>{
             {"PascalScript", 40, 20}, {"C++Script", 19, 18}, {"BasicScript", 40, 28}, {"JScript", 22, 17}}) {
        SCOPED_TRACE(c.language);
        TkqScript script(nullptr);
        TkqILParser parser(&script);
        parser.SelectLanguage(c.language);
        TkqXMLItem* root = parser.GrammarRoot;
        EXPECT_EQ(root->Prop("text"), c.language);
        TkqXMLItem* parserItem = root->Items(root->Find("parser"));
        TkqXMLItem* errors = parserItem->Items(parserItem->Find("errors"));
        EXPECT_EQ(parser.Lexer->Keywords->GetCount(), c.keywords);
        EXPECT_EQ(errors->Count(), c.errors);
        EXPECT_EQ(root->Items(0)->Name, "parser");
        EXPECT_EQ(root->Items(1)->Name, "types");
        EXPECT_EQ(root->Items(2)->Name, "empty");
        EXPECT_GE(root->Find("program"), 3);
        // Every reference names a rule and every err an error text.
        std::function<void(TkqXMLItem*)> check = [&](TkqXMLItem* item) {
            if (item->Parent != root && elements.count(LowerCase(item->Name)) == 0) {
                EXPECT_GE(root->Find(item->Name), 2) << item->Name;
            }
            const String err = item->Prop("err");
            if (!err.empty()) {
                const Integer index = errors->Find(err);
                EXPECT_GE(index, 0) << err;
                if (index >= 0) {
                    EXPECT_NE(errors->Items(index)->Prop("text"), "") << err;
                }
            }
            for (Integer i = 0; i < item->Count(); ++i)
                check(item->Items(i));
        };
        for (Integer i = 2; i < root->Count(); ++i)
            check(root->Items(i));
    }
    EXPECT_THROW(Translate("NoSuchScript", "x"), Exception);
}

TEST(kq_iilparserTest, IntermediateFormOfSmallPrograms) {
    struct Case {
        const char* language;
        const char* text;
        const char* il;
    };
    for (const Case& c : std::vector<Case>{
             {"PascalScript", "begin x := 1 end.",
              "program{compoundstmt[pos=\"1:1\"]{assignstmt[pos=\"1:7\"]{dsgn[pos=\"1:7\"]{node[text=\"x\" "
              "pos=\"1:8\"]},expr[pos=\"1:12\" pos1=\"1:13\"]{number[text=\"1\" pos=\"1:13\"]}}}}"},
             {"PascalScript", "begin x:=(1 + 2) * 3 end.",
              "program{compoundstmt[pos=\"1:1\"]{assignstmt[pos=\"1:7\"]{dsgn[pos=\"1:7\"]{node[text=\"x\" "
              "pos=\"1:8\"]},expr[pos=\"1:10\" pos1=\"1:21\"]{op[text=\"(\" pos=\"1:11\"],expr[pos=\"1:11\" "
              "pos1=\"1:16\"]{number[text=\"1\" pos=\"1:12\"],op[text=\"+\" pos=\"1:14\"],number[text=\"2\" "
              "pos=\"1:16\"]},op[text=\")\" pos=\"1:17\"],op[text=\"*\" pos=\"1:19\"],number[text=\"3\" "
              "pos=\"1:21\"]}}}}"},
             {"PascalScript", "begin o.Items[2].Free end.",
              "program{compoundstmt[pos=\"1:1\"]{callstmt[pos=\"1:7\"]{dsgn[pos=\"1:7\"]{node[text=\"o\" "
              "pos=\"1:8\"],node[text=\"Items\" pos=\"1:14\"],node[text=\"[\" "
              "pos=\"1:15\"],expr[pos=\"1:15\" "
              "pos1=\"1:16\"]{number[text=\"2\" pos=\"1:16\"]},node[text=\"Free\" pos=\"1:22\"]}}}}"},
             {"PascalScript", "begin s := 'a\"b'#13#10'&#65;' end.",
              "program{compoundstmt[pos=\"1:1\"]{assignstmt[pos=\"1:7\"]{dsgn[pos=\"1:7\"]{node[text=\"s\" "
              "pos=\"1:8\"]},expr[pos=\"1:12\" pos1=\"1:30\"]{string[text=\"'a&#34;b&#13;&#10;&#38;#65;'\" "
              "pos=\"1:30\"]}}}}"},
             {"PascalScript", "begin v := <ds.\"a>b\"> end.",
              "program{compoundstmt[pos=\"1:1\"]{assignstmt[pos=\"1:7\"]{dsgn[pos=\"1:7\"]{node[text=\"v\" "
              "pos=\"1:8\"]},expr[pos=\"1:12\" pos1=\"1:22\"]{dsgn[pos=\"1:21\"]{node[text=\"Get\" "
              "pos=\"1:21\"],"
              "expr[pos=\"1:21\"]{string[text=\"'ds.&#34;a&#62;b&#34;'\" pos=\"1:21\"]}}}}}}"},
             // A size alone: the failed try of a range leaves nothing in the dimension.
             {"PascalScript", "var a: array[3] of Integer; begin end.",
              "program{var[pos=\"1:5\"]{ident[text=\"a\" pos=\"1:6\"],array[pos=\"1:8\"]{dim[pos=\"1:14\"]{"
              "expr[pos=\"1:14\" pos1=\"1:15\"]{number[text=\"3\" pos=\"1:15\"]}}},type[text=\"Integer\" "
              "pos=\"1:27\"]},compoundstmt[pos=\"1:29\"]}"},
             {"JScript", "", "program{compoundstmt[pos=\"1:1\"]}"},
             {"BasicScript", "  ' only a comment\r\n", "program{compoundstmt[pos=\"1:19\"]}"},
             {"BasicScript", "", "program{}"},
             {"BasicScript", "  ", "program{}"},
             {"PascalScript", "#language JScript\r\nx = 1;",
              "program{compoundstmt[pos=\"2:1\"]{assignstmt[pos=\"2:1\"]{dsgn[pos=\"2:1\"]{node[text=\"x\" "
              "pos=\"2:2\"]},expr[pos=\"2:5\" pos1=\"2:6\"]{number[text=\"1\" pos=\"2:6\"]}}}}"},
             {"PascalScript", "begin end. anything after the end", "program{compoundstmt[pos=\"1:1\"]}"},
             {"PascalScript", "begin f(a,) end.",
              "program{compoundstmt[pos=\"1:1\"]{callstmt[pos=\"1:7\"]{dsgn[pos=\"1:7\"]{node[text=\"f\" "
              "pos=\"1:8\"],expr[pos=\"1:9\" pos1=\"1:10\"]{dsgn[pos=\"1:9\"]{node[text=\"a\" "
              "pos=\"1:10\"]}}}}}}"},
         }) {
        SCOPED_TRACE(c.text);
        const Outcome outcome = Translate(c.language, c.text);
        EXPECT_TRUE(outcome.ok) << outcome.error << " at " << outcome.pos;
        EXPECT_EQ(outcome.il, c.il);
    }
}

TEST(kq_iilparserTest, SyntaxErrorsCarryTextAndPosition) {
    struct Case {
        const char* language;
        const char* text;
        const char* error;
        const char* pos;
    };
    for (const Case& c : std::vector<Case>{
             // PascalScript
             {"PascalScript", "", "'BEGIN' expected", "1:1"},
             {"PascalScript", "begin x := 1", "';' expected", "1:13"},
             {"PascalScript", "begin case x of 1: y := 2 ", "'END' expected", "1:27"},
             {"PascalScript", "begin try x := 1; except y := 2 ", "'END' expected", "1:33"},
             {"PascalScript", "begin a : = 1 end.", "'=' expected", "1:11"},
             {"PascalScript", "begin x := 1 end", "'.' expected", "1:17"},
             {"PascalScript", "program ; begin end.", "Identifier expected", "1:9"},
             {"PascalScript", "begin case x of 1: a; 2 b end end.", "'END' expected", "1:23"},
             {"PascalScript", "begin if x y end.", "'THEN' expected", "1:12"},
             {"PascalScript", "begin x := (1 end.", "')' expected", "1:15"},
             {"PascalScript", "begin x := #99999999999 end.", "'99999999999' is not a valid integer value",
              "1:12"},
             // C++Script
             {"C++Script", "int x;", "'{' expected", "1:7"},
             {"C++Script", "{ switch (x) { case 1: a = 1; break; } }", "'}' expected", "1:31"},
             // If is no keyword: If(x) is a call, and y cannot follow it.
             {"C++Script", "{ If (x) y = 1; }", "';' expected", "1:10"},
             {"C++Script", "{ x = 1 }", "';' expected", "1:9"},
             // BasicScript
             {"BasicScript", "x = 1 y = 2\r\n", "End of line expected", "1:7"},
             {"BasicScript", "NEXT\r\nx = 1\r\n", "Statement expected", "1:1"},
             {"BasicScript", "x = 1\r\nREM upper case\r\n", "Statement expected", "2:1"},
             {"BasicScript", "if x then\r\ny = 1\r\n", "'END' expected", "3:1"},
             // JScript
             {"JScript", "x = 1; }", "Statement expected", "1:8"},
             {"JScript", "if x", "'(' expected", "1:4"},
             // Directives
             {"PascalScript", "#language NoSuchLanguage\r\nbegin end.", "Language 'NoSuchLanguage' not found",
              "1:1"},
             {"JScript", " #language PascalScript\r\nbegin end.", "Statement expected", "1:2"},
         }) {
        SCOPED_TRACE(String(c.language) + ": " + c.text);
        const Outcome outcome = Translate(c.language, c.text);
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(outcome.error, c.error);
        EXPECT_EQ(outcome.pos, c.pos);
    }
}

TEST(kq_iilparserTest, LanguageConstructsTranslate) {
    struct Case {
        const char* language;
        const char* text;
        std::vector<const char*> contains; // fragments of the dump
    };
    for (const Case& c : std::vector<Case>{
             {"C++Script",
              "{ if (a == 1) b = 2; if (a != 1) b += 1; i++; }",
              {"op[text=\"=\"", "op[text=\"&#60;&#62;\"", "modificator[text=\"+\"", "callstmt"}},
             {"C++Script", "#define N 10\r\n{ }", {"const[pos=\"1:9\"]{ident[text=\"N\""}},
             {"BasicScript",
              "IF a THEN b = 1\r\nIF a THEN\r\nb = 2\r\nELSE\r\nb = 3\r\nEND IF\r\n",
              {"ifstmt", "thenstmt", "elsestmt"}},
             {"BasicScript",
              "x = 1 : y = 2 ' comment\r\nz = _\r\n 3\r\nremark is a comment\r\n",
              {"node[text=\"y\"", "node[text=\"z\"", "number[text=\"3\""}},
             {"BasicScript", "DO\r\nx = x + 1\r\nLOOP WHILE x < 3\r\n", {"inverse[text=\"\""}},
             {"PascalScript",
              "begin case x of 1: a := 1; else b := 2 end; case x of 1: a := 1; end end.",
              {"casestmt"}},
             {"PascalScript", "const c = 1; var a: Integer; begin end.", {"const", "var"}},
             {"PascalScript", "begin o.End; o.Free end.", {"node[text=\"End\"", "node[text=\"Free\""}},
             {"BasicScript", "DO\r\nx = x + 1\r\nLOOP UNTIL x > 3\r\n", {"repeatstmt"}},
             {"BasicScript",
              "FOR i = 1 TO 10 STEP 2\r\nx = x & i\r\nNEXT\r\n",
              {"vbforstmt", "op[text=\"strcat\""}},
             {"JScript", "var a = 1 b = a + 1", {"var[", "assignstmt"}},
             {"PascalScript",
              "var a: array[0..2] of Integer; const c = 1;\r\nprocedure P(var x: Integer); begin x := 1 "
              "end;\r\n"
              "begin with o do a[1] := c; repeat until true; for i := 3 downto 1 do ; try except end end.",
              {"array", "dim", "const", "procedure", "varparams", "with", "repeatstmt", "downto",
               "exceptstmt"}},
         }) {
        SCOPED_TRACE(String(c.language) + ": " + c.text);
        const Outcome outcome = Translate(c.language, c.text);
        EXPECT_TRUE(outcome.ok) << outcome.error << " at " << outcome.pos;
        for (const char* fragment : c.contains)
            EXPECT_NE(outcome.il.find(fragment), String::npos) << fragment << " in " << outcome.il;
    }
}

TEST(kq_iilparserTest, UnitsAreInlinedOnceInReverseOrder) {
    UnitHost host;
    host.Units["a"] = "uses 'c'; begin end.";
    host.Units["b"] = "begin end.";
    host.Units["c"] = "uses 'a'; begin end.";
    host.Units["bad"] = "begin x := end.";
    host.Units["lf"] = "uses 'b';\nbegin\nend.";
    auto setup = [&](TkqScript& script) { script.OnGetUnit = MakeEvent(&host, &UnitHost::GetUnit); };

    Outcome outcome = Translate("PascalScript", "uses 'a', 'b'; begin end.", setup);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(outcome.il.find("uses[unit=\"b\"]"), outcome.il.find("uses["));
    EXPECT_LT(outcome.il.find("uses[unit=\"b\"]"), outcome.il.find("uses[unit=\"a\"]"));
    EXPECT_NE(outcome.il.find("uses[unit=\"c\"]"), String::npos);
    EXPECT_EQ(host.Asked, (std::vector<String>{"b", "a", "c"}));

    outcome = Translate("PascalScript", "uses 'lf'; begin end.", setup);
    EXPECT_TRUE(outcome.ok) << outcome.error;

    outcome = Translate("PascalScript", "uses 'bad'; begin end.", setup);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.error, "Expression expected");
    EXPECT_EQ(outcome.pos, "1:12");
    EXPECT_EQ(outcome.unit, "bad");

    // A C++Script main text may use a PascalScript unit that names its keywords in upper case.
    host.Units["pas"] = "#language PascalScript\r\nBEGIN X := 1 END.";
    outcome = Translate("C++Script", "#include \"pas\"\r\n{ }", setup);
    EXPECT_TRUE(outcome.ok) << outcome.error << " at " << outcome.pos;

    // A unit's name is unescaped from the form and escaped in it; LF-only BasicScript units
    // translate; a PascalScript unit of a BasicScript text does not inherit the "rem" comment.
    host.Asked.clear();
    host.Units["a&b"] = "y = 1\nz = 2";
    host.Units["remunit"] = "begin remainder := 1 end.";
    outcome = Translate("BasicScript", "IMPORTS \"a&b\", \"remunit\"\r\nx = 1\r\n", setup);
    ASSERT_TRUE(outcome.ok) << outcome.error << " at " << outcome.pos << " in " << outcome.unit;
    EXPECT_EQ(host.Asked, (std::vector<String>{"remunit", "a&b"}));
    EXPECT_NE(outcome.il.find("uses[unit=\"a&#38;b\"]{program{compoundstmt"), String::npos) << outcome.il;
    host.Units["pasrem"] = "#language PascalScript\r\nbegin remainder := 1 end.";
    outcome = Translate("BasicScript", "IMPORTS \"pasrem\"\r\n", setup);
    EXPECT_TRUE(outcome.ok) << outcome.error << " at " << outcome.pos << " in " << outcome.unit;
    EXPECT_NE(outcome.il.find("node[text=\"remainder\""), String::npos) << outcome.il;

    // Without a handler the unit is a file; one that cannot be read is an error of the text.
    outcome = Translate("PascalScript", "uses 'no/such/unit.pas'; begin end.");
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.pos, "1:1");
    EXPECT_NE(outcome.error, "");
    testsupport::TempDir dir;
    testsupport::WriteFileBytes(dir.File("u.pas"), "begin y := 2 end.");
    outcome = Translate("PascalScript", "uses '" + dir.File("u.pas") + "'; begin end.");
    EXPECT_TRUE(outcome.ok) << outcome.error;
    EXPECT_NE(outcome.il.find("node[text=\"y\""), String::npos);
}

TEST(kq_iilparserTest, MutatedProgramsNeverCrashOrHang) {
    const String programs[] = {
        "program p; uses 'u'; var a, b: Integer; s: array[1..3] of String;\r\n"
        "function F(x: Integer; var y: String): Integer; begin Result := x * 2 end;\r\n"
        "begin a := $1F + F(2, s[1]); if not (a in [1, 3..5]) then b := a div 2 else b := -a;\r\n"
        "case a of 1, 2: b := 0; else b := 1 end; while a > 0 do a := a - 1;\r\n"
        "for a := 1 to 3 do begin continue end; try b := 1 finally b := 2 end;\r\n"
        "with o do Free; s[1] := 'x''y'#13; v := <ds.\"F\">; exit end.",
        "#define N 10\r\nint F(int x, int &y) { return x << 1; }\r\n"
        "{ int a = 0x1F, b[2]; if (a == 1 && !b) { a += 2; } else a--; switch (a) { case 1: b = 2; "
        "default: b = 3; } for (a = 0; a < N; a++) { continue; } do { a = a % 2; } while (a != 0); "
        "try { delete o; } except { o = new TObject(nil); } }",
        "Imports \"u\"\r\nDim a As Integer, s[2]\r\nSub P(ByRef x)\r\n x = x + 1\r\nEnd Sub\r\n"
        "If a = 1 Then\r\n a = 2\r\nElseIf a = 3 Then\r\n a = 4\r\nElse\r\n a = 5\r\nEnd If\r\n"
        "Select Case a\r\nCase 1: b = 2\r\nCase Else: b = 3\r\nEnd Select\r\n"
        "For i = 1 To 3 Step 1\r\n s = s & \"x\" _\r\n & i\r\nNext\r\nWhile a < 3\r\n a += 1\r\nWend\r\n",
        "import \"u\"\r\nvar a = 1, b; function F(x, &y) { return x * 2; }\r\n"
        "if (a == 1) { b = [1, 2..4]; } else b = !a; switch (a) { case 1: b = 2; default: b = 3; }\r\n"
        "for (i = 0; i < 3; i++) { continue; } do { a--; } while (a > 0); with (o) { Free; }\r\n"
        "try { a = a / 2; } finally { a = 0; }",
    };
    const char* const inserts[] = {"(", ")", ";", ",", ".",    "'", "\"", "begin", "end", "{", "}", "[",
                                   "]", "<", ">", "#", "\r\n", "_", "if", "then",  "=",   ":", "&", "\\"};
    std::uint32_t seed = 20261211;
    auto next = [&seed](std::uint32_t range) {
        seed = seed * 134775813u + 1u;
        return std::uint32_t((std::uint64_t(seed) * range) >> 32);
    };
    for (int language = 0; language < 4; ++language) {
        SCOPED_TRACE(kLanguages[language]);
        for (int round = 0; round < 150; ++round) {
            String text = programs[language];
            const int edits = 1 + int(next(4));
            for (int e = 0; e < edits && !text.empty(); ++e) {
                const std::size_t at = next(std::uint32_t(text.size()));
                switch (next(4)) {
                case 0:
                    text.erase(at, 1 + next(5));
                    break;
                case 1:
                    text.insert(at, text.substr(at, 1 + next(8)));
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
            Outcome outcome;
            ASSERT_NO_THROW(outcome = Translate(kLanguages[language], text));
            if (outcome.ok) continue;
            ASSERT_NE(outcome.error, "");
            Integer line = 0;
            Integer column = 0;
            ParsePos(outcome.pos, line, column);
            EXPECT_GE(line, 1);
            EXPECT_GE(column, 1);
        }
    }
    // Deep nesting is an error at the position reached, not a stack overflow.
    const Outcome deep = Translate("PascalScript", "begin x := " + String(10000, '(') + "1 end.");
    EXPECT_FALSE(deep.ok);
    EXPECT_NE(deep.error, "");
}

TEST(kq_iilparserTest, GoldenIntermediateFormOfEveryConstruct) {
    struct Case {
        const char* name;
        const char* language;
        const char* unitText;
    };
    for (const Case& c : std::vector<Case>{{"pascal", "PascalScript", "begin end."},
                                           {"cpp", "C++Script", "{ }"},
                                           {"basic", "BasicScript", "x = 1"},
                                           {"js", "JScript", "x = 1;"}}) {
        SCOPED_TRACE(c.name);
        UnitHost host;
        host.Units["unit1"] = c.unitText;
        TkqScript script(nullptr);
        script.OnGetUnit = MakeEvent(&host, &UnitHost::GetUnit);
        TkqILParser parser(&script);
        parser.SelectLanguage(c.language);
        const String source =
            testsupport::ReadFileBytes(testsupport::FixturePath(String("script/il/") + c.name + ".src"));
        ASSERT_TRUE(parser.TranslateSource(source)) << script.LastErrorText << " at " << script.LastErrorPos;
        parser.ILDocument->AutoIndent = true;
        TStringStream stream;
        parser.ILDocument->SaveToStream(&stream);
        const String il = stream.GetDataString();
        const String expected =
            testsupport::ReadFileBytes(testsupport::FixturePath(String("script/il/") + c.name + ".il"));
        if (il != expected) {
            testsupport::WriteFileBytes(testsupport::ArtifactPath(String("kq_iilparser_") + c.name + ".il"),
                                        il);
            ADD_FAILURE() << "intermediate form differs; written to test-artifacts";
        }
    }
}

TEST(kq_iilparserTest, OnlyAnUnknownLanguageOrABrokenGrammarRaise) {
    RegisterLanguage("BrokenGrammarTest", "<?xml version=\"1.0\"?><language><parser/><types/><empty/>"
                                          "<program><sequence><nosuchrule/></sequence></program></language>");
    try {
        Translate("BrokenGrammarTest", "x");
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Invalid language definition");
    }
    try {
        Translate("NoSuchLanguageTest", "x");
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Language 'NoSuchLanguageTest' not found");
    }
    // A grammar change resets the case rule: a C++Script text switching to PascalScript reads
    // upper-case keywords.
    const Outcome switched = Translate("C++Script", "#language PascalScript\r\nBEGIN END.");
    EXPECT_TRUE(switched.ok) << switched.error;
}
