#include "script/kq_iparser.h"

#include <functional>

#include <gtest/gtest.h>

#include "platform/runtime/Exceptions.h"

namespace {

// The character at the lexer's position.
char Here(const TkqParser& lexer) { return lexer.GetText()[std::size_t(lexer.GetPosition()) - 1]; }

struct SkipCase {
    const char* name;
    const char* text;
    std::function<void(TkqParser&)> setup;
};

struct TokenCase {
    const char* name;
    const char* text;
    std::function<void(TkqParser&)> setup;
    String (TkqParser::*reader)();
    const char* token;
    Integer positionAfter; // where the next reader starts
};

} // namespace

TEST(kq_iparserTest, CommentsAndBlanksAreSkippedUpToTheNextToken) {
    const std::vector<SkipCase> cases = {
        {"brace", "{ a comment }\r\n  x", nullptr},
        {"paren-star", "(* a\r\ncomment *) x", nullptr},
        {"double slash", "// to the end\r\nx", nullptr},
        {"all three", " {a} (*b*) //c\r\n\tx", nullptr},
        {"rem lower case starts a comment", "remark here\r\nx", [](TkqParser& p) { p.CommentLine2 = "rem"; }},
        {"continuation with its line end", "_  \r\nx",
         [](TkqParser& p) {
             p.SkipEOL = false;
             p.SkipChar = "_";
         }},
    };
    for (const SkipCase& c : cases) {
        SCOPED_TRACE(c.name);
        TkqParser lexer;
        if (c.setup) c.setup(lexer);
        lexer.SetText(c.text);
        lexer.SkipSpaces();
        EXPECT_EQ(Here(lexer), 'x');
        EXPECT_EQ(lexer.LastPosition, lexer.GetPosition());
    }
    // An unclosed block comment runs to the end of the text.
    TkqParser lexer;
    lexer.SetText("x { never closed");
    lexer.SetPosition(2);
    lexer.SkipSpaces();
    EXPECT_EQ(lexer.GetPosition(), lexer.GetSize() + 1);
}

TEST(kq_iparserTest, LineEndsStayVisibleWithoutSkipEOL) {
    TkqParser lexer;
    lexer.SkipEOL = false;
    lexer.CommentLine1 = "'";
    lexer.SetText("a = 1 ' trailing comment\r\nb");
    EXPECT_EQ(lexer.GetIdent(), "a");
    EXPECT_EQ(lexer.GetChar(), "");
    lexer.SkipSpaces();
    EXPECT_EQ(lexer.GetChar(), "=");
    EXPECT_EQ(lexer.GetNumber(), "1");
    lexer.SkipSpaces();
    EXPECT_EQ(Here(lexer), '\r');
    EXPECT_TRUE(lexer.GetEOL());
    EXPECT_EQ(lexer.GetIdent(), "b");
    EXPECT_FALSE(lexer.GetEOL());

    // With the default settings line ends are blanks and never seen.
    TkqParser plain;
    plain.SetText("a\r\nb");
    plain.GetIdent();
    EXPECT_FALSE(plain.GetEOL());
    EXPECT_EQ(Here(plain), 'b');
}

TEST(kq_iparserTest, CommentLine2IsCaseSensitive) {
    TkqParser lexer;
    lexer.CommentLine2 = "rem";
    lexer.SetText("REM x");
    EXPECT_EQ(lexer.GetIdent(), "REM");
    // Clear keeps it, and keeps CaseSensitive.
    lexer.CaseSensitive = true;
    lexer.Clear();
    EXPECT_EQ(lexer.CommentLine2, "rem");
    EXPECT_TRUE(lexer.CaseSensitive);
}

TEST(kq_iparserTest, KeywordsAreNoIdentifiers) {
    TkqParser lexer;
    lexer.Keywords->Add("begin");
    lexer.SetText("BEGIN");
    EXPECT_EQ(lexer.GetIdent(), "");
    EXPECT_EQ(lexer.GetPosition(), 6); // after the word; the caller restores
    lexer.SetPosition(1);
    EXPECT_EQ(lexer.GetWord(), "BEGIN");

    lexer.CaseSensitive = true;
    lexer.SetText("Begin begin");
    EXPECT_EQ(lexer.GetIdent(), "Begin");
    EXPECT_EQ(lexer.GetIdent(), "");

    // Identifiers do not start with a digit; the charset decides the rest.
    TkqParser other;
    other.SetText("9abc");
    EXPECT_EQ(other.GetWord(), "");
    EXPECT_EQ(other.GetPosition(), 1);
    other.SetIdentifierCharset("ab");
    other.SetText("abcab");
    EXPECT_EQ(other.GetWord(), "ab");
}

TEST(kq_iparserTest, TokenReaders) {
    auto hex0x = [](TkqParser& p) { p.HexSequence = "0x"; };
    auto cStyle = [](TkqParser& p) { p.StringQuotes = "\""; };
    const std::vector<TokenCase> cases = {
        {"fraction and signed exponent", " 1.5e-3+", nullptr, &TkqParser::GetNumber, "1.5e-3", 8},
        {"hexadecimal", "$FFz", nullptr, &TkqParser::GetNumber, "$FF", 4},
        {"hex prefix needs a digit", "$z", nullptr, &TkqParser::GetNumber, "", 1},
        {"range keeps the integer", "1..5", nullptr, &TkqParser::GetNumber, "1", 2},
        {"digit then dot and letter", "3.x", nullptr, &TkqParser::GetNumber, "3", 2},
        {"incomplete exponent left out", "2e+", nullptr, &TkqParser::GetNumber, "2", 2},
        {"0x becomes $", "0x1F;", hex0x, &TkqParser::GetNumber, "$1F", 5},
        {"upper-case X ends at the 0", "0X1F", hex0x, &TkqParser::GetNumber, "0", 2},
        {"no number", "abc", nullptr, &TkqParser::GetNumber, "", 1},
        {"joined pieces", "'it''s'#13#10'ok' x", nullptr, &TkqParser::GetString, "'it's\r\nok'", 18},
        {"hex character code", "#$41'b'", nullptr, &TkqParser::GetString, "'Ab'", 8},
        {"high character code", "#233", nullptr, &TkqParser::GetString, "'\xC3\xA9'", 5},
        {"code keeps the low 8 bits", "#321", nullptr, &TkqParser::GetString, "'A'", 5},
        {"a blank ends the joining", "'a' 'b'", nullptr, &TkqParser::GetString, "'a'", 4},
        {"line break inside a string", "'ab\r\ncd'", nullptr, &TkqParser::GetString, "", 1},
        {"unclosed string", "'ab", nullptr, &TkqParser::GetString, "", 1},
        {"second piece broken keeps the first", "'a''b'#", nullptr, &TkqParser::GetString, "'a'b'", 7},
        {"C escapes", "\"a\\x41\"\"b\\n\\t\\\\\"", cStyle, &TkqParser::GetString, "'aAb\nt\\'", 17},
        {"C quote always ends", "\"a\"\"b\"", cStyle, &TkqParser::GetString, "'ab'", 7},
        {"C hex escape without digits", "\"\\xq\"", cStyle, &TkqParser::GetString, "'q'", 6},
        {"C string broken by a line end", "\"a\\x41\nb\"", cStyle, &TkqParser::GetString, "", 1},
        {"C backslash at the end of the text", "\"a\\", cStyle, &TkqParser::GetString, "", 1},
        {"punctuation", ":=", nullptr, &TkqParser::GetChar, ":", 2},
        {"no blank skipping for a char", " ;", nullptr, &TkqParser::GetChar, "", 1},
        {"letters are no punctuation", "a", nullptr, &TkqParser::GetChar, "", 1},
    };
    for (const TokenCase& c : cases) {
        SCOPED_TRACE(c.name);
        TkqParser lexer;
        if (c.setup) c.setup(lexer);
        lexer.SetText(c.text);
        EXPECT_EQ((lexer.*c.reader)(), c.token);
        EXPECT_EQ(lexer.GetPosition(), c.positionAfter);
    }
}

TEST(kq_iparserTest, CharacterCodeTooLargeRaises) {
    TkqParser lexer;
    lexer.SetText("#99999999999");
    EXPECT_THROW(lexer.GetString(), EConvertError);
}

TEST(kq_iparserTest, AngleTextRunsToTheMatchingBracket) {
    struct Case {
        const char* text;
        const char* inner;
    };
    for (const Case& c : std::vector<Case>{
             {"ds.\"a>b\"> + 1", "ds.\"a>b\""},
             {"a<b>c> tail", "a<b>c"},
             {"x['>'] > 2", "x['>'] "},
             {"'it\"s>'>", "'it\"s>'"},
             {"never closed", "never closed"},
         }) {
        SCOPED_TRACE(c.text);
        TkqParser lexer;
        lexer.SetText(c.text);
        EXPECT_EQ(lexer.GetAngleText(), c.inner);
        EXPECT_EQ(lexer.GetPosition(), Integer(String(c.inner).size()) + 1);
    }
}

TEST(kq_iparserTest, PositionsCountLinesAndColumns) {
    TkqParser lexer;
    lexer.SetText("ab\ncd\nef");
    struct Case {
        Integer position;
        const char* text;
    };
    for (const Case& c : std::vector<Case>{{1, "1:1"}, {3, "1:3"}, {4, "2:1"}, {7, "3:1"}, {9, "3:3"}}) {
        lexer.SetPosition(c.position);
        EXPECT_EQ(lexer.GetPositionText(), c.text) << c.position;
    }
    EXPECT_EQ(lexer.PositionOf(1, 3), 7);
    EXPECT_EQ(lexer.PositionOf(2, 1), 2);
    EXPECT_EQ(lexer.PositionOf(1, 0), -1);
    EXPECT_EQ(lexer.PositionOf(1, 4), -1);
}
