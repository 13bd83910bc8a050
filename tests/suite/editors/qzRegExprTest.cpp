// The regular-expression engine of the masked editors: compiling, character-by-character
// matching, auto-completion of forced characters, error reports and the cost limits that keep
// any typed pattern safe.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"
#include "suite/editors/qzRegExpr.h"
#include "tests/support/TestSupport.h"

namespace {

// Compiles pattern; answers the full texts of the errors (empty on success).
std::vector<String> CompileErrors(TqzRegExpr& expr, const String& pattern) {
    TStringStream stream(pattern);
    std::vector<String> result;
    try {
        expr.Compile(&stream);
    } catch (const EqzRegExprError& e) {
        EXPECT_EQ(e.ErrorList, &expr.GetErrors());
        for (Integer i = 0; i < e.ErrorList->Count(); ++i)
            result.push_back(e.ErrorList->Item(i)->FullText());
        EXPECT_FALSE(result.empty());
        EXPECT_FALSE(expr.IsCompiled());
    }
    return result;
}

void MustCompile(TqzRegExpr& expr, const String& pattern) {
    std::vector<String> errors = CompileErrors(expr, pattern);
    ASSERT_TRUE(errors.empty()) << pattern << ": " << errors.front();
}

class RegExprTest : public ::testing::Test {
protected:
    testsupport::ScopedFormatSettings FSettings{testsupport::DotSettings()};
    TqzRegExpr FExpr;
    String FInserted;
    int FRemoved = 0;

    void Record() {
        FExpr.OnAutoInsert = TqzRegExprAutoInsertEvent(this, &RegExprTest::Inserted);
        FExpr.OnAutoRemove = TqzRegExprAutoRemoveEvent(this, &RegExprTest::Removed);
    }
    void Inserted(char32_t ch) { FInserted += Utf8FromCodePoint(ch); }
    void Removed() { ++FRemoved; }
    bool Feed(char32_t ch) { return FExpr.Feed(ch); }
};

TEST_F(RegExprTest, FeedTextTakesWhatThePatternAllows) {
    struct Case {
        String pattern;
        String text;
        String accepted;
        bool complete;
    };
    const std::vector<Case> cases = {
        {"\\d\\d", "1", "1", false},
        {"\\d\\d", "12", "12", true},
        {"\\d\\d", "123", "12", true},
        {"\\d\\d", "1a2b3", "12", true},
        {"'a b'", "a b", "a b", true},
        {"a b", "a b", "ab", true}, // blanks outside quotes are not part of the pattern
        {"a{2,4}", "a", "a", false},
        {"a{2,4}", "aa", "aa", true},
        {"a{2,4}", "aaa", "aaa", true},
        {"a{2,4}", "aaaaa", "aaaa", true},
        {"a{2,}", "aaaaaa", "aaaaaa", true},
        {"b{0}a", "ba", "a", true},
        {"(ab)\\1", "abab", "abab", true},
        {"(ab)\\1", "aba", "aba", false},
        {"a?", "", "", true},
        {"a*", "aaa", "aaa", true},
        {"a(b?)", "a", "a", false}, // a group that may match empty keeps its item from being final
        {"ab?", "a", "a", true},
        {"a+?", "", "", true},
        {"a+?", "aaa", "aaa", true},
        {"a|bc", "bc", "bc", true},
        {"a|bc", "b", "b", false},
        {"[a-]", "-", "-", true},
        {"[a-'']x", "-x", "-x", true}, // a "-" before the closing bracket never ranges over it
        {"[^a-c]", "bd", "d", true},
        {"[.]", "x.", ".", true},
        {"[\\d.]+", "1.5x", "1.5", true},
        {"\\x41\\0", "A0", "A0", true},
        {"\\s", "\v", "", false}, // VT is no space
        {"\\s\\S", "\t\t.", "\t.", true},
        {"\\w+\\W", "a_9-", "a_9-", true},
        {"...", "\xC3\xA4\xE2\x82\xAC!", "\xC3\xA4\xE2\x82\xAC!", true},
        {"'\xC3\xA4'+", "\xC3\xA4\xC3\xA4", "\xC3\xA4\xC3\xA4", true},
        {"\\d{0,3}", "1234", "123", true},
        {"(a?){1,}", "aaa", "aaa", true}, // a loop of link nodes only
        {"(a?){2}", "aaa", "aa", true},
        {"'it''s'", "it's", "it's", true},
        {"''a", "a", "a", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern + " / " + c.text);
        MustCompile(FExpr, c.pattern);
        EXPECT_TRUE(FExpr.IsAtStart());
        EXPECT_EQ(FExpr.FeedText(c.text), c.accepted);
        EXPECT_EQ(FExpr.IsComplete(), c.complete);
    }
}

TEST_F(RegExprTest, SingleStepsAndStepBack) {
    MustCompile(FExpr, "\\d\\d");
    EXPECT_FALSE(FExpr.IsComplete());
    EXPECT_FALSE(Feed('x'));
    EXPECT_TRUE(FExpr.IsAtStart());
    EXPECT_TRUE(Feed('1'));
    EXPECT_FALSE(FExpr.IsAtStart());
    EXPECT_FALSE(FExpr.IsComplete());
    EXPECT_TRUE(Feed('2'));
    EXPECT_TRUE(FExpr.IsComplete());
    EXPECT_FALSE(Feed('3'));
    EXPECT_TRUE(FExpr.IsComplete());
    EXPECT_TRUE(FExpr.StepBack());
    EXPECT_FALSE(FExpr.IsComplete());
    EXPECT_TRUE(FExpr.StepBack());
    EXPECT_TRUE(FExpr.IsAtStart());
    EXPECT_FALSE(FExpr.StepBack());
    EXPECT_TRUE(Feed('4'));
    FExpr.Restart();
    EXPECT_TRUE(FExpr.IsAtStart());
    EXPECT_FALSE(FExpr.StepBack());
}

TEST_F(RegExprTest, IgnoreCaseTakesThePatternsCase) {
    struct Case {
        String pattern;
        char32_t typed;
        bool ignoreCase;
        bool accepted;
        char32_t after;
    };
    const std::vector<Case> cases = {
        {"abc", 'A', true, true, 'a'},
        {"abc", 'A', false, false, 'A'},
        {"ABC", 'a', true, true, 'A'},
        {"[a-z]", 'A', true, false, 'A'}, // ranges never ignore case
        {"[xyz]", 'Y', true, true, 'y'},
        {"\\w", 'Q', true, true, 'Q'},
        {"'\xC3\xA4'", U'\u00C4', true, true, U'\u00E4'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        MustCompile(FExpr, c.pattern);
        FExpr.SetIgnoreCase(c.ignoreCase);
        char32_t ch = c.typed;
        EXPECT_EQ(FExpr.Feed(ch), c.accepted);
        EXPECT_EQ(ch, c.after);
    }
    // FeedText reports the accepted characters as they were typed.
    MustCompile(FExpr, "abc");
    FExpr.SetIgnoreCase(true);
    EXPECT_EQ(FExpr.FeedText("AbC"), "AbC");
    EXPECT_TRUE(FExpr.IsComplete());
}

TEST_F(RegExprTest, SeparatorsFollowTheLocale) {
    TFormatSettings settings = testsupport::DotSettings();
    settings.DateSeparator = '-';
    settings.TimeSeparator = '.';
    settings.DecimalSeparator = ',';
    testsupport::ScopedFormatSettings scoped(settings);

    MustCompile(FExpr, "\\d\\d/\\d\\d:\\d\\p");
    EXPECT_EQ(FExpr.FeedText("12/34"), "12");
    FExpr.Restart();
    EXPECT_EQ(FExpr.FeedText("12-34.5,"), "12-34.5,");
    EXPECT_TRUE(FExpr.IsComplete());

    // The separators are read when a character is tested; the decimal separator was fixed at
    // compile time.
    FormatSettings.DateSeparator = '/';
    FormatSettings.DecimalSeparator = '.';
    FExpr.Restart();
    EXPECT_EQ(FExpr.FeedText("12/34.5,"), "12/34.5,");
    EXPECT_TRUE(FExpr.IsComplete());
}

TEST_F(RegExprTest, CompileErrorsCarryTheirPlace) {
    struct Case {
        String pattern;
        std::vector<String> errors;
    };
    const std::vector<Case> cases = {
        {"", {"The source stream is empty"}},
        {" \t\r\n", {"The source stream is empty"}},
        {"a|", {"The alternative should not be empty"}},
        {"|a", {"Line1, Char1: The alternative should not be empty"}},
        {"((a)", {"Missing ')'"}},
        {"a)", {"Unnecessary ')'"}},
        {")(", {"Line1, Char1: Illegal ')'", "The alternative should not be empty"}},
        {"()", {"Line1, Char2: The block should not be empty"}},
        {"(a|)", {"Line1, Char4: The block should not be empty"}},
        {"a{3,2}", {"Line1, Char6: Incorrect parameter quantifier"}},
        {"a{,2}",
         {"Line1, Char3: Incorrect parameter quantifier", "Line1, Char4: Illegal integer value",
          "Line1, Char5: Illegal '}'"}},
        {"{2}a",
         {"Line1, Char1: Incorrect parameter quantifier", "Line1, Char2: Illegal integer value",
          "Line1, Char3: Illegal '}'"}},
        {"a?{2}", {"Line1, Char3: The parameter quantifier cannot be applied here"}},
        {"(a?)*", {"Line1, Char5: The '*' quantifier cannot be applied here"}},
        {"(a*)+", {"Line1, Char5: The '+' quantifier cannot be applied here"}},
        {"*a", {"Line1, Char1: Illegal quantifier '*'"}},
        {"\\1(ab)", {"Line1, Char1: Too big reference number"}},
        {"[]", {"Line1, Char2: Can't create empty enumeration"}},
        {"[^]", {"Line1, Char3: Can't create empty enumeration"}},
        {"[z-a]",
         {"Line1, Char4: The starting character of the subrange must be less than the finishing one"}},
        {"[a-a]",
         {"Line1, Char4: The starting character of the subrange must be less than the finishing one"}},
        {"[a-c-e]", {"Line1, Char5: Illegal '-'"}},
        {"a\\ b", {"Line1, Char3: The space character is not allowed after '\\'"}},
        {"'abc", {"Line1, Char5: Missing ' ' '"}},
        {"[abc", {"Line1, Char5: Missing ']'"}},
        {"[a-", {"Line1, Char4: Missing ']'"}},
        {"a{2", {"Line1, Char4: Missing '}'"}},
        {"a{x'}", {"Line1, Char3: Illegal 'x'", "Line1, Char4: Illegal ' ' '"}},
        {"\\xG1", {"Line1, Char3: Hexadecimal number expected but 'G' found"}},
        {"\\x4", {"Line1, Char4: Hexadecimal number expected"}},
        // several errors of one pass are reported together
        {"*a|[]", {"Line1, Char1: Illegal quantifier '*'", "Line1, Char5: Can't create empty enumeration"}},
        // CR LF starts a new line; a lone LF restarts the position only
        {"a\r\n\\ ", {"Line2, Char2: The space character is not allowed after '\\'"}},
        {"a\n[]", {"Line1, Char2: Can't create empty enumeration"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(CompileErrors(FExpr, c.pattern), c.errors);
    }
}

TEST_F(RegExprTest, LexemesCountLinesAndPositions) {
    MustCompile(FExpr, "a\r\nb\nc \\d'x y'");
    const TqzLexems& lexems = FExpr.GetLexems();
    struct Expected {
        Integer line, pos;
        TqzLexemKind kind;
        String text;
    };
    const std::vector<Expected> expected = {
        {1, 1, lkSymbol, "a"}, {2, 1, lkSymbol, "b"}, {2, 1, lkSymbol, "c"}, {2, 3, lkDigit, "d"},
        {2, 6, lkSymbol, "x"}, {2, 7, lkSymbol, " "}, {2, 8, lkSymbol, "y"},
    };
    ASSERT_EQ(lexems.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(lexems[i].LineNo, expected[i].line);
        EXPECT_EQ(lexems[i].CharNo, expected[i].pos);
        EXPECT_EQ(lexems[i].Kind, expected[i].kind);
        EXPECT_EQ(lexems[i].Text, expected[i].text);
    }
}

TEST_F(RegExprTest, QuantifiersBuildTheTreeTheyStandFor) {
    const String crlf = "\r\n";
    auto alt = [&](const String& body) { return "<Start_Alt>" + crlf + body + "<Finish_Alt>" + crlf; };
    auto block = [&](const String& alts, const String& q) {
        return "<Start_Block>" + crlf + alts + "<Finish_Block> --> " + q + crlf;
    };
    auto item = [&](const String& q) { return "item --> " + q + crlf; };
    struct Case {
        String pattern;
        String dump;
    };
    const std::vector<Case> cases = {
        {"a+?", alt(block(alt(item("+")), "?"))},
        {"a??", alt(block(alt(item("?")), "?"))},
        {"a{2,4}", alt(block(alt(item("") + item("") + block(alt(item("") + item("?")), "?")), ""))},
        {"a{1,}", alt(block(alt(item("") + item("*")), ""))},
        {"a{0}", alt(block(alt(""), ""))},
        {"a|b*", alt(item("")) + alt(item("*"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        MustCompile(FExpr, c.pattern);
        EXPECT_EQ(FExpr.DumpText(), c.dump);
    }
}

TEST_F(RegExprTest, UseBeforeCompileRaises) {
    char32_t ch = 'a';
    struct Op {
        const char* name;
        std::function<void()> run;
    };
    const std::vector<Op> ops = {
        {"Feed", [&] { FExpr.Feed(ch); }},           {"FeedText", [&] { FExpr.FeedText("a"); }},
        {"StepBack", [&] { FExpr.StepBack(); }},     {"Restart", [&] { FExpr.Restart(); }},
        {"IsComplete", [&] { FExpr.IsComplete(); }}, {"IsAtStart", [&] { FExpr.IsAtStart(); }},
    };
    for (int round = 0; round < 2; ++round) {
        if (round == 1) {
            EXPECT_FALSE(CompileErrors(FExpr, "a{").empty()); // a failed compile
        }
        EXPECT_FALSE(FExpr.IsCompiled());
        EXPECT_EQ(FExpr.PatternStream(), nullptr);
        for (const auto& op : ops) {
            SCOPED_TRACE(op.name);
            try {
                op.run();
                ADD_FAILURE() << "no exception";
            } catch (const EqzRegExprError&) {
                ADD_FAILURE() << "wrong class";
            } catch (const Exception& e) {
                EXPECT_EQ(e.Message, "Regular expression is not compiled");
            }
        }
    }
    FExpr.SetAutoComplete(true); // the flag setters work before a compile
    EXPECT_TRUE(FExpr.GetAutoComplete());
}

TEST_F(RegExprTest, StreamsAndRecompiling) {
    try {
        FExpr.Compile(nullptr);
        ADD_FAILURE() << "no exception";
    } catch (const EqzRegExprError& e) {
        ASSERT_EQ(e.ErrorList->Count(), 1);
        EXPECT_EQ(e.ErrorList->Item(0)->FullText(), "The source stream is not assigned");
    }

    // The pattern is read from the stream's beginning, wherever its position stands.
    TStringStream stream("\\d'-'\\d");
    stream.Seek(0, soEnd);
    FExpr.Compile(&stream);
    ASSERT_TRUE(FExpr.IsCompiled());
    ASSERT_NE(FExpr.PatternStream(), nullptr);
    EXPECT_TRUE(Feed('1'));

    // Another expression compiles the same pattern from the first one's stream, twice.
    TqzRegExpr copy;
    for (int i = 0; i < 2; ++i) {
        copy.Compile(FExpr.PatternStream());
        EXPECT_EQ(copy.FeedText("1-2"), "1-2");
        EXPECT_TRUE(copy.IsComplete());
    }

    // A new compile discards the matcher state and the earlier errors.
    MustCompile(FExpr, "x");
    EXPECT_TRUE(FExpr.IsAtStart());
    EXPECT_EQ(FExpr.GetErrors().Count(), 0);
    EXPECT_EQ(FExpr.FeedText("1x"), "x");
}

TEST_F(RegExprTest, AutoCompleteTakesForcedCharacters) {
    Record();
    FExpr.SetAutoComplete(true);
    MustCompile(FExpr, "'('\\d\\d')'");
    EXPECT_EQ(FInserted, "("); // the forced prefix is taken by the compile
    EXPECT_FALSE(FExpr.IsAtStart());
    EXPECT_TRUE(Feed('1'));
    EXPECT_EQ(FInserted, "(");
    EXPECT_TRUE(Feed('2'));
    EXPECT_EQ(FInserted, "()");
    EXPECT_TRUE(FExpr.IsComplete());

    // Backspace after the forced ")" removes it and the digit before it.
    EXPECT_TRUE(FExpr.StepBack());
    EXPECT_EQ(FRemoved, 1);
    EXPECT_FALSE(FExpr.IsComplete());
    EXPECT_FALSE(Feed('x'));
    EXPECT_TRUE(Feed('3'));
    EXPECT_EQ(FInserted, "())");

    // Stepping back over everything also drops the forced prefix.
    EXPECT_TRUE(FExpr.StepBack()); // ")" and "3"
    EXPECT_TRUE(FExpr.StepBack()); // "1"
    EXPECT_EQ(FRemoved, 2);
    EXPECT_FALSE(FExpr.StepBack()); // "(" goes, nothing is left to step back to
    EXPECT_EQ(FRemoved, 3);
    EXPECT_TRUE(FExpr.IsAtStart());

    // Restart fires nothing; switching auto-completion on takes the prefix again.
    FExpr.SetAutoComplete(false);
    FExpr.Restart();
    FInserted.clear();
    FExpr.SetAutoComplete(true);
    EXPECT_EQ(FInserted, "(");
}

TEST_F(RegExprTest, AutoCompleteUsesTheLocaleSeparator) {
    TFormatSettings settings = testsupport::DotSettings();
    settings.DateSeparator = '-';
    testsupport::ScopedFormatSettings scoped(settings);
    Record();
    MustCompile(FExpr, "\\d\\d/\\d\\d");
    FExpr.SetAutoComplete(true);
    EXPECT_EQ(FInserted, "");
    EXPECT_TRUE(Feed('1'));
    EXPECT_TRUE(Feed('2'));
    EXPECT_EQ(FInserted, "-");
    // A choice stops the completion: after "a" either "b" or "c" may follow.
    MustCompile(FExpr, "\\d(b|c)d");
    FInserted.clear();
    EXPECT_TRUE(Feed('1'));
    EXPECT_EQ(FInserted, "");
    EXPECT_TRUE(Feed('c'));
    EXPECT_EQ(FInserted, "d");
    EXPECT_TRUE(FExpr.IsComplete());
    // Without auto-completion, stepping back is one plain step.
    FExpr.SetAutoComplete(false);
    EXPECT_TRUE(FExpr.StepBack());
    EXPECT_EQ(FRemoved, 0);
    EXPECT_TRUE(Feed('d'));
}

TEST_F(RegExprTest, PathologicalPatternsHaveABoundedCost) {
    const String tooComplex = "The regular expression is too complex";
    auto endsWith = [](const String& s, const String& tail) {
        return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
    };
    String deep = String(2000, '(') + "a" + String(2000, ')');
    String optionals;
    for (int i = 0; i < 3000; ++i)
        optionals += "a?";
    String wraps = "a+" + String(3000, '?');
    // Within the node limit, but its links pass their limit early: compiling stops there
    // instead of linking every optional item to all those after it.
    String manyOptionals;
    for (int i = 0; i < TqzRegExpr::MaxNodes; ++i)
        manyOptionals += "a?";
    String optionalGroups;
    for (int i = 0; i < TqzRegExpr::MaxNodes / 4; ++i)
        optionalGroups += "(b)?";
    const std::vector<String> refused = {
        "a{1000000000}",
        "a{99999999999999999999}",
        "a{2,99999999999999999999}",
        "(a{0,400}){0,400}",
        "((ab){100}){100}",
        "(abcdefghij)\\1\\1{1000}",
        deep,
        optionals,
        wraps,
        manyOptionals,
        "(" + manyOptionals + ")",
        optionalGroups,
    };
    for (const auto& pattern : refused) {
        SCOPED_TRACE(pattern.substr(0, 40));
        std::vector<String> errors = CompileErrors(FExpr, pattern);
        ASSERT_FALSE(errors.empty());
        EXPECT_TRUE(endsWith(errors.front(), tooComplex)) << errors.front();
    }

    // Heavy but allowed patterns match long texts in bounded time: state sets hold each node
    // once, so identical alternatives do not multiply.
    MustCompile(FExpr, "((a|a)|(a|a))+(a?){1,}");
    String text(2000, 'a');
    EXPECT_EQ(FExpr.FeedText(text), text);
    EXPECT_TRUE(FExpr.IsComplete());
    MustCompile(FExpr, "\\d{0,300}");
    EXPECT_EQ(FExpr.FeedText(String(400, '7')).size(), 300u);
}

TEST_F(RegExprTest, RandomPatternsNeverCrash) {
    // Deterministic noise over the pattern language; every outcome is either a compile error or
    // an expression that can be fed, stepped back and restarted.
    const String alphabet = "ab01()[]{}|*+?.\\-^,:/' dwsx2\n";
    std::mt19937 random(571);
    int compiled = 0;
    for (int round = 0; round < 3000; ++round) {
        String pattern;
        int length = 1 + static_cast<int>(random() % 14);
        for (int i = 0; i < length; ++i)
            pattern += alphabet[random() % alphabet.size()];
        TqzRegExpr expr;
        expr.SetAutoComplete(round % 2 == 0);
        expr.SetIgnoreCase(round % 3 == 0);
        if (!CompileErrors(expr, pattern).empty()) continue;
        ++compiled;
        for (int step = 0; step < 20; ++step) {
            char32_t ch = static_cast<char32_t>(alphabet[random() % alphabet.size()]);
            if (random() % 4 == 0)
                expr.StepBack();
            else
                expr.Feed(ch);
            expr.IsComplete();
            expr.IsAtStart();
        }
        expr.Restart();
        expr.FeedText(pattern);
    }
    EXPECT_GT(compiled, 100);
}

TEST(RegExprErrorTest, FullText) {
    struct Case {
        Integer line, pos;
        String full;
    };
    const std::vector<Case> cases = {
        {0, 0, "msg"},
        {0, 7, "msg"},
        {1, 7, "Line1, Char7: msg"},
        {12, 0, "Line12: msg"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TqzRegExprError(c.line, c.pos, "msg").FullText(), c.full);
}

} // namespace
