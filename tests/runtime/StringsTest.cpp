#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Strings.h"

namespace {

// Shows the bytes of a string in failure messages (the texts here are mostly not ASCII).
std::string Bytes(const String& s) {
    static const char Hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += Hex[c >> 4];
            out += Hex[c & 0xF];
        }
    }
    return out;
}

int SignOf(int v) { return (v > 0) - (v < 0); }

String InvalidIntegerText(const String& s) { return "'" + s + "' is not a valid integer value"; }

}  // namespace

// ---- Integers -----------------------------------------------------------------------------

TEST(StringsInteger, StrToIntAcceptsDecimalAndHexForms) {
    struct Case {
        String Text;
        Integer Value;
    };
    const std::vector<Case> cases = {
        {"0", 0},
        {"123", 123},
        {"-123", -123},
        {"+7", 7},
        {"007", 7},
        {"   42", 42},
        {"\t 42", 42},
        {"$1F", 31},
        {"$1f", 31},
        {"0x1f", 31},
        {"0X1F", 31},
        {"x1F", 31},
        {"X10", 16},
        {"-$A", -10},
        {"  -0x10", -16},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"$7FFFFFFF", INT_MAX},
        // Hexadecimal uses the whole width, so what IntToHex writes reads back.
        {"$FFFFFFFF", -1},
        {"$80000000", INT_MIN},
        {"$00000000FF", 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Bytes(c.Text));
        EXPECT_EQ(StrToInt(c.Text), c.Value);
        EXPECT_EQ(StrToIntDef(c.Text, 99), c.Value);
        Integer value = 0;
        EXPECT_TRUE(TryStrToInt(c.Text, value));
        EXPECT_EQ(value, c.Value);
    }
}

TEST(StringsInteger, StrToIntRejectsEverythingElseWithTheExactText) {
    const std::vector<String> bad = {
        "",    " ",    "-",    "+",     "$",   "0x",  "x",   "12 ",   "1a",
        "1.5", "1,000", "1e3", "--1", "+-1", "- 1", "$-1", "0x-1", "$1G",
        "2147483648", "-2147483649", "$100000000", "99999999999",
        "１",                // a fullwidth digit
        String("12\0", 3),  // an embedded NUL is junk too
    };
    for (const String& text : bad) {
        SCOPED_TRACE(Bytes(text));
        try {
            StrToInt(text);
            ADD_FAILURE() << "no exception";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, InvalidIntegerText(text));
        }
        EXPECT_EQ(StrToIntDef(text, -5), -5);
        Integer value = 77;
        EXPECT_FALSE(TryStrToInt(text, value));
        EXPECT_EQ(value, 77) << "a failed parse leaves the target alone";
    }
}

TEST(StringsInteger, StrToInt64UsesTheWholeSixtyFourBits) {
    struct Case {
        String Text;
        bool Ok;
        Int64 Value;
    };
    const std::vector<Case> cases = {
        {"2147483648", true, 2147483648LL},
        {"-2147483649", true, -2147483649LL},
        {"9223372036854775807", true, LLONG_MAX},
        {"-9223372036854775808", true, LLONG_MIN},
        {"0x7fffffffffffffff", true, LLONG_MAX},
        {"$FFFFFFFFFFFFFFFF", true, -1},
        {"$8000000000000000", true, LLONG_MIN},
        {" +$10", true, 16},
        {"9223372036854775808", false, 0},
        {"-9223372036854775809", false, 0},
        {"18446744073709551616", false, 0},
        {"$10000000000000000", false, 0},
        {"123abc", false, 0},
        {"", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Bytes(c.Text));
        Int64 value = 5;
        EXPECT_EQ(TryStrToInt64(c.Text, value), c.Ok);
        if (c.Ok) {
            EXPECT_EQ(value, c.Value);
            EXPECT_EQ(StrToInt64(c.Text), c.Value);
        } else {
            EXPECT_EQ(value, 5);
            EXPECT_EQ(StrToInt64Def(c.Text, 8), 8);
            try {
                StrToInt64(c.Text);
                ADD_FAILURE() << "no exception";
            } catch (const EConvertError& e) {
                EXPECT_EQ(e.Message, InvalidIntegerText(c.Text));
            }
        }
    }
}

TEST(StringsInteger, IntToHexPadsAndShowsNegativesInTheirWidth) {
    EXPECT_EQ(IntToHex(255, 2), "FF");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(0x1234, 2), "1234");  // never cut
    EXPECT_EQ(IntToHex(0, 0), "0");
    EXPECT_EQ(IntToHex(10, -3), "A");
    EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
    EXPECT_EQ(IntToHex(INT_MIN, 1), "80000000");
    EXPECT_EQ(IntToHex(Int64{-1}, 2), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(IntToHex(Int64{0xABCDEF012LL}, 12), "000ABCDEF012");
    EXPECT_EQ(IntToHex(Cardinal{0xDEADBEEF}, 8), "DEADBEEF");
    EXPECT_EQ(IntToHex(UInt64{0xFEDCBA9876543210ULL}, 1), "FEDCBA9876543210");

    for (Integer v : {0, 1, -1, 0x7FFFFFFF, INT_MIN, -559038737}) {
        SCOPED_TRACE(v);
        EXPECT_EQ(StrToInt("$" + IntToHex(v, 8)), v);
    }
    for (Int64 v : std::vector<Int64>{0, -1, LLONG_MIN, LLONG_MAX, -81985529216486896LL}) {
        SCOPED_TRACE(v);
        EXPECT_EQ(StrToInt64("0x" + IntToHex(v, 16)), v);
    }
}

TEST(StringsInteger, IntToStr) {
    EXPECT_EQ(IntToStr(0), "0");
    EXPECT_EQ(IntToStr(-42), "-42");
    EXPECT_EQ(IntToStr(INT_MIN), "-2147483648");
    EXPECT_EQ(IntToStr(LLONG_MIN), "-9223372036854775808");
    EXPECT_EQ(IntToStr(Cardinal{4294967295u}), "4294967295");
    EXPECT_EQ(IntToStr(UInt64{18446744073709551615ULL}), "18446744073709551615");
    // Other integer types resolve without casts, by signedness and width.
    EXPECT_EQ(IntToStr(1LL << 40), "1099511627776");
    EXPECT_EQ(IntToStr(static_cast<short>(-7)), "-7");
    EXPECT_EQ(IntToHex(static_cast<short>(-1), 1), "FFFFFFFF");
    EXPECT_EQ(IntToHex(-1LL, 1), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(IntToHex(static_cast<Byte>(0xAB), 4), "00AB");
}

// ---- Trimming, ASCII case and ordinal comparison --------------------------------------------

TEST(StringsTrim, RemovesControlCharactersAndSpacesOnlyAtTheEnds) {
    struct Case {
        String Text, Both, Left, Right;
    };
    const std::vector<Case> cases = {
        {"", "", "", ""},
        {"   ", "", "", ""},
        {"abc", "abc", "abc", "abc"},
        {" \t\r\na b\x01 ", "a b", "a b\x01 ", " \t\r\na b"},
        {String("\0x\0", 3), "x", String("x\0", 2), String("\0x", 2)},
        // Bytes of multi-byte characters are above ' ' and must stay.
        {"é ", "é", "é ", "é"},
        {" 中文", "中文", "中文", " 中文"},
        {"\xA0x\xA0", "\xA0x\xA0", "\xA0x\xA0", "\xA0x\xA0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Bytes(c.Text));
        EXPECT_EQ(Bytes(Trim(c.Text)), Bytes(c.Both));
        EXPECT_EQ(Bytes(TrimLeft(c.Text)), Bytes(c.Left));
        EXPECT_EQ(Bytes(TrimRight(c.Text)), Bytes(c.Right));
    }
}

TEST(StringsAscii, CaseTouchesAsciiLettersOnly) {
    EXPECT_EQ(UpperCase("abc xyz 09_{} äé"), "ABC XYZ 09_{} äé");
    EXPECT_EQ(LowerCase("ABC XYZ @[ ÄÉ"), "abc xyz @[ ÄÉ");
}

TEST(StringsAscii, OrdinalAndTextComparison) {
    struct Case {
        String A, B;
        int Str, Text;  // signs of CompareStr and CompareText
    };
    const std::vector<Case> cases = {
        {"", "", 0, 0},
        {"a", "", 1, 1},
        {"a", "b", -1, -1},
        {"abc", "ABC", 1, 0},
        {"abc", "abd", -1, -1},
        {"ab", "abc", -1, -1},
        {"Zeta", "alpha", -1, 1},
        // CompareText folds to upper case: '_' (5F) lies above 'A' (41).
        {"_", "a", -1, 1},
        // Bytes compare unsigned: a multi-byte character sorts after ASCII.
        {"é", "z", 1, 1},
        // Non-ASCII letters are not folded.
        {"ä", "Ä", 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Bytes(c.A) + " vs " + Bytes(c.B));
        EXPECT_EQ(SignOf(CompareStr(c.A, c.B)), c.Str);
        EXPECT_EQ(SignOf(CompareStr(c.B, c.A)), -c.Str);
        EXPECT_EQ(SignOf(CompareText(c.A, c.B)), c.Text);
        EXPECT_EQ(SignOf(CompareText(c.B, c.A)), -c.Text);
        EXPECT_EQ(SameStr(c.A, c.B), c.Str == 0);
        EXPECT_EQ(SameText(c.A, c.B), c.Text == 0);
    }
}

// ---- Unicode case ---------------------------------------------------------------------------

TEST(StringsAnsiCase, UpperAndLowerUseTheUnicodeTable) {
    struct Case {
        String Text, Upper, Lower;
    };
    const std::vector<Case> cases = {
        {"abc XYZ", "ABC XYZ", "abc xyz"},
        {"äöü ÄÖÜ", "ÄÖÜ ÄÖÜ", "äöü äöü"},
        // Sharp s has no single upper-case letter and stays.
        {"straße", "STRAßE", "straße"},
        // Greek: final sigma upper-cases to sigma; lower-casing is 1:1, no final form.
        {"αβγ ς", "ΑΒΓ Σ", "αβγ ς"},
        {"ΣΑΣ", "ΣΑΣ", "σασ"},
        {"привет", "ПРИВЕТ", "привет"},
        // Armenian and fullwidth letters
        {"աａ", "ԱＡ", "աａ"},
        // Chinese has no case; ASCII around it still changes.
        {"中文abc", "中文ABC", "中文abc"},
        // Outside the basic plane (Deseret).
        {"𐐨", "𐐀", "𐐨"},
        // Dotless i upper-cases to I (one byte shorter); Kelvin sign lower-cases to k.
        {"ı", "I", "ı"},
        {"\xE2\x84\xAA", "\xE2\x84\xAA", "k"},  // Kelvin sign
        // Broken bytes pass through untouched.
        {"a\xFF" "b\xE2\x82", "A\xFF" "B\xE2\x82", "a\xFF" "b\xE2\x82"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Bytes(c.Text));
        EXPECT_EQ(Bytes(AnsiUpperCase(c.Text)), Bytes(c.Upper));
        EXPECT_EQ(Bytes(AnsiLowerCase(c.Text)), Bytes(c.Lower));
    }
}

TEST(StringsAnsiCase, CompareTextFoldsCase) {
    struct Case {
        String A, B;
        int Sign;
    };
    const std::vector<Case> cases = {
        {"ÄÖÜ", "äöü", 0},
        {"Ωmega", "ωMEGA", 0},
        {"МОСКВА", "москва", 0},
        {"ς", "Σ", 0},  // final sigma folds to sigma
        {"ſ", "S", 0},  // long s
        {"中", "中", 0},
        {"a", "B", -1},
        {"ä", "B", 1},  // code point order
        {"Ä", "z", 1},
        {"abc", "ABCD", -1},
        {"_", "a", -1},       // folded to lower case, unlike CompareText
        {"\xFF", "\xFE", 1},  // broken bytes still differ
        {"a\xFF", "A\xFF", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Bytes(c.A) + " vs " + Bytes(c.B));
        EXPECT_EQ(SignOf(AnsiCompareText(c.A, c.B)), c.Sign);
        EXPECT_EQ(SignOf(AnsiCompareText(c.B, c.A)), -c.Sign);
        EXPECT_EQ(AnsiSameText(c.A, c.B), c.Sign == 0);
    }
}

TEST(StringsAnsiCase, CompareStrOrdersCaseInsensitivelyThenLowerFirst) {
    struct Case {
        String A, B;
        int Sign;
    };
    const std::vector<Case> cases = {
        {"a", "a", 0},
        {"a", "A", -1},
        {"ä", "Ä", -1},
        {"apple", "Banana", -1},  // letters first, case second
        {"Ab", "aB", 1},          // the first difference decides
        {"σ", "ς", 1},           // both lower-case: by code point
        {"a\xFF", "a\xFE", 1},
        {"中", "中文", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Bytes(c.A) + " vs " + Bytes(c.B));
        EXPECT_EQ(SignOf(AnsiCompareStr(c.A, c.B)), c.Sign);
        EXPECT_EQ(SignOf(AnsiCompareStr(c.B, c.A)), -c.Sign);
        EXPECT_EQ(AnsiSameStr(c.A, c.B), c.Sign == 0);
    }

    std::vector<String> words = {"B", "Ä", "b", "A", "ä", "a", "Ab", "ab", "aB"};
    std::sort(words.begin(), words.end(),
              [](const String& x, const String& y) { return AnsiCompareStr(x, y) < 0; });
    const std::vector<String> expected = {"a", "A", "ab", "aB", "Ab", "b", "B", "ä", "Ä"};
    EXPECT_EQ(words, expected);
}

TEST(StringsAnsiCase, SingleCodePointMappings) {
    EXPECT_EQ(UnicodeToUpper(U'\u00E9'), U'\u00C9');
    EXPECT_EQ(UnicodeToLower(U'\u0410'), U'\u0430');
    EXPECT_EQ(UnicodeToUpper(U'\u00DF'), U'\u00DF');
    EXPECT_EQ(UnicodeToLower(U'\u0130'), U'i');
    EXPECT_EQ(UnicodeCaseFold(U'\u1E9E'), U'\u00DF');
    EXPECT_EQ(UnicodeCaseFold(U'\u00DF'), U'\u00DF');
    EXPECT_EQ(UnicodeToUpper(U'\u4E2D'), U'\u4E2D');
    EXPECT_EQ(UnicodeToUpper(U'\U0010FFFF'), U'\U0010FFFF');
}

// ---- UTF-8 and UTF-16 ---------------------------------------------------------------------

TEST(StringsUtf, WideRoundTripIncludingSupplementaryPlane) {
    const String text = "Aé中𝄞😀z";
    const WideString wide = StringToWide(text);
    EXPECT_EQ(wide, (WideString{u'A', 0x00E9, 0x4E2D, 0xD834, 0xDD1E, 0xD83D, 0xDE00, u'z'}));
    EXPECT_EQ(WideToString(wide), text);
    EXPECT_EQ(UTF8Decode(text), wide);
    EXPECT_EQ(UTF8Encode(wide), text);
    EXPECT_EQ(StringToWide(String("a\0b", 3)), WideString(u"a\0b", 3));
    EXPECT_EQ(StringToWide(""), WideString());
}

TEST(StringsUtf, InvalidUtf8DecodesToReplacementCharacters) {
    const char16_t R = 0xFFFD;
    struct Case {
        String Text;
        WideString Wide;
    };
    const std::vector<Case> cases = {
        {"\xFF", {R}},
        {"a\x80" "b", {u'a', R, u'b'}},
        {"a\xE2\x82", {u'a', R}},                // cut short: one replacement
        {"\xE2\x82" "A", {R, u'A'}},
        {"\xC0\xAF", {R, R}},                    // overlong '/'
        {"\xE0\x80\xAF", {R, R, R}},             // overlong, three bytes
        {"\xED\xA0\x80", {R, R, R}},             // an encoded surrogate
        {"\xF4\x90\x80\x80", {R, R, R, R}},      // above U+10FFFF
        {"\xF0\x9F\x98", {R}},
        {"😀\x80", {0xD83D, 0xDE00, R}},
        {"\xC3", {R}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Bytes(c.Text));
        EXPECT_EQ(StringToWide(c.Text), c.Wide);
    }
}

TEST(StringsUtf, UnpairedSurrogatesEncodeAsReplacementCharacter) {
    const String R = "\xEF\xBF\xBD";
    struct Case {
        WideString Wide;
        String Text;
    };
    const std::vector<Case> cases = {
        {{0xD800}, R},
        {{0xDC00, u'a'}, R + "a"},
        {{u'x', 0xD83D}, "x" + R},
        {{0xDE00, 0xD83D}, R + R},  // wrong order
        {{0xD83D, 0xD83D, 0xDE00}, R + "😀"},
        {{0xFFFF}, "\xEF\xBF\xBF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Bytes(c.Text));
        EXPECT_EQ(Bytes(WideToString(c.Wide)), Bytes(c.Text));
    }
}

TEST(StringsUtf, CodePointHelpersWalkCharacters) {
    const String s = "aé中😀";  // 1 + 2 + 3 + 4 bytes
    EXPECT_EQ(Utf8Length(s), 4);
    EXPECT_EQ(Utf8CharLen(s, 0), 1);
    EXPECT_EQ(Utf8CharLen(s, 1), 2);
    EXPECT_EQ(Utf8CharLen(s, 3), 3);
    EXPECT_EQ(Utf8CharLen(s, 6), 4);
    EXPECT_EQ(Utf8CharLen(s, 10), 0);
    EXPECT_EQ(Utf8CodePointAt(s, 1), U'\u00E9');
    EXPECT_EQ(Utf8CodePointAt(s, 3), U'\u4E2D');
    EXPECT_EQ(Utf8CodePointAt(s, 6), U'\U0001F600');
    EXPECT_EQ(Utf8CodePointAt(s, 10), U'\0');
    EXPECT_EQ(Utf8Next(s, 3), 6u);
    EXPECT_EQ(Utf8Next(s, 10), 10u);
    EXPECT_EQ(Utf8Prev(s, 10), 6u);
    EXPECT_EQ(Utf8Prev(s, 3), 1u);
    EXPECT_EQ(Utf8Prev(s, 0), 0u);
    EXPECT_EQ(Utf8CodePointAt("\xFF", 0), U'\uFFFD');
}

TEST(StringsUtf, ForwardAndBackwardWalksAgree) {
    const std::vector<String> texts = {
        "",
        "plain",
        "aé中😀",
        "a\xFF\xE2\x82" "b\x80\x80",
        "é\x80\x80\x80\x80",  // stray continuation bytes after a character
        "😀\x80\xE4\xB8",
        "\xED\xA0\x80\xC0\xAF\xF4\x90\x80\x80",
    };
    for (const String& text : texts) {
        SCOPED_TRACE(Bytes(text));
        std::vector<std::size_t> forward;
        for (std::size_t i = 0; i < text.size(); i = Utf8Next(text, i)) {
            forward.push_back(i);
            ASSERT_GT(Utf8CharLen(text, i), 0);
        }
        std::vector<std::size_t> backward;
        for (std::size_t i = text.size(); i > 0;) {
            i = Utf8Prev(text, i);
            backward.push_back(i);
            ASSERT_LE(backward.size(), text.size());
        }
        std::reverse(backward.begin(), backward.end());
        EXPECT_EQ(forward, backward);
        EXPECT_EQ(static_cast<std::size_t>(Utf8Length(text)), forward.size());
        EXPECT_EQ(StringToWide(text).size(), forward.size() + std::count(text.begin(), text.end(), '\xF0'));
    }
}

TEST(StringsUtf, FromCodePointAndCopyByCharacters) {
    EXPECT_EQ(Utf8FromCodePoint(U'A'), "A");
    EXPECT_EQ(Utf8FromCodePoint(0), String(1, '\0'));
    EXPECT_EQ(Utf8FromCodePoint(0xE9), "é");
    EXPECT_EQ(Utf8FromCodePoint(0x4E2D), "中");
    EXPECT_EQ(Utf8FromCodePoint(0x1F600), "😀");
    EXPECT_EQ(Utf8FromCodePoint(0xD800), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf8FromCodePoint(0x110000), "\xEF\xBF\xBD");

    const String s = "aé中😀";
    struct Case {
        Integer Index, Count;
        String Expected;
    };
    const std::vector<Case> cases = {
        {1, 1, "a"},
        {2, 2, "é中"},
        {0, 1, "a"},
        {-5, 2, "aé"},
        {3, 100, "中😀"},
        {4, INT_MAX, "😀"},
        {5, 1, ""},
        {2, 0, ""},
        {2, -1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Index) + "," + std::to_string(c.Count));
        EXPECT_EQ(Bytes(Utf8Copy(s, c.Index, c.Count)), Bytes(c.Expected));
    }
}

// ---- Quoting ------------------------------------------------------------------------------

TEST(StringsQuote, QuotedStrDoublesInnerQuotes) {
    EXPECT_EQ(QuotedStr(""), "''");
    EXPECT_EQ(QuotedStr("abc"), "'abc'");
    EXPECT_EQ(QuotedStr("it's"), "'it''s'");
    EXPECT_EQ(QuotedStr("''"), "''''''");
    EXPECT_EQ(AnsiQuotedStr("say \"hi\"", '"'), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(AnsiQuotedStr("中's", '\''), "'中''s'");
}

TEST(StringsQuote, ExtractQuotedStrUndoublesAndAdvances) {
    struct Case {
        String Text;
        char Quote;
        String Result;
        String Rest;  // what the pointer is left at
    };
    const std::vector<Case> cases = {
        {"'abc'def", '\'', "abc", "def"},
        {"'it''s' x", '\'', "it's", " x"},
        {"''", '\'', "", ""},
        {"'''' tail", '\'', "'", " tail"},
        {"'open", '\'', "open", ""},
        {"'open''", '\'', "open'", ""},
        {"abc", '\'', "", "abc"},
        {"", '\'', "", ""},
        {"\"a\"\"b\",c", '"', "a\"b", ",c"},
        {"'a\"b'", '"', "", "'a\"b'"},
        {"'中'!", '\'', "中", "!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Bytes(c.Text));
        const char* p = c.Text.c_str();
        EXPECT_EQ(AnsiExtractQuotedStr(p, c.Quote), c.Result);
        EXPECT_EQ(String(p), c.Rest);
    }
    const char* none = nullptr;
    EXPECT_EQ(AnsiExtractQuotedStr(none, '\''), "");
    EXPECT_EQ(none, nullptr);
}

TEST(StringsQuote, DequotedStr) {
    struct Case {
        String Text, Result;
    };
    const std::vector<Case> cases = {
        {"'abc'", "abc"},
        {"'it''s'", "it's"},
        {"''", ""},
        {"abc", "abc"},
        {"", ""},
        {"'open", "'open"},
        {"'ab'cd", "ab"},
        {"ab'", "ab'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Bytes(c.Text));
        EXPECT_EQ(AnsiDequotedStr(c.Text, '\''), c.Result);
    }
    EXPECT_EQ(AnsiDequotedStr("\"x\"\"y\"", '"'), "x\"y");
}

// ---- Searching and editing ----------------------------------------------------------------

TEST(StringsEdit, CopyPosDeleteInsertClampLikeTheClassicOnes) {
    const String s = "abcdef";
    struct CopyCase {
        Integer Index, Count;
        String Expected;
    };
    const std::vector<CopyCase> copies = {
        {1, 3, "abc"},  {3, 2, "cd"},  {0, 2, "ab"},      {-10, 2, "ab"}, {5, 100, "ef"},
        {6, 1, "f"},    {7, 1, ""},    {100, 1, ""},      {2, 0, ""},     {2, -1, ""},
        {2, INT_MAX, "bcdef"},         {INT_MAX, INT_MAX, ""},
    };
    for (const CopyCase& c : copies) {
        SCOPED_TRACE("Copy " + std::to_string(c.Index) + "," + std::to_string(c.Count));
        EXPECT_EQ(Copy(s, c.Index, c.Count), c.Expected);
    }

    struct DeleteCase {
        Integer Index, Count;
        String Expected;
    };
    const std::vector<DeleteCase> deletes = {
        {1, 2, "cdef"}, {3, 1, "abdef"}, {5, 100, "abcd"}, {6, 1, "abcde"}, {2, INT_MAX, "a"},
        {0, 2, "abcdef"}, {-1, 3, "abcdef"}, {7, 1, "abcdef"}, {2, 0, "abcdef"}, {2, -3, "abcdef"},
    };
    for (const DeleteCase& c : deletes) {
        SCOPED_TRACE("Delete " + std::to_string(c.Index) + "," + std::to_string(c.Count));
        String t = s;
        Delete(t, c.Index, c.Count);
        EXPECT_EQ(t, c.Expected);
    }

    struct InsertCase {
        Integer Index;
        String Expected;
    };
    const std::vector<InsertCase> inserts = {
        {1, "XYabcdef"}, {3, "abXYcdef"}, {7, "abcdefXY"}, {0, "XYabcdef"}, {-4, "XYabcdef"},
        {50, "abcdefXY"}, {INT_MAX, "abcdefXY"},
    };
    for (const InsertCase& c : inserts) {
        SCOPED_TRACE("Insert " + std::to_string(c.Index));
        String t = s;
        Insert("XY", t, c.Index);
        EXPECT_EQ(t, c.Expected);
    }

    EXPECT_EQ(Pos("cd", s), 3);
    EXPECT_EQ(Pos("a", s), 1);
    EXPECT_EQ(Pos("x", s), 0);
    EXPECT_EQ(Pos("", s), 0);
    EXPECT_EQ(Pos("a", ""), 0);
    EXPECT_EQ(Pos("abcdefg", s), 0);
    EXPECT_EQ(PosEx("a", "abab", 1), 1);
    EXPECT_EQ(PosEx("a", "abab", 2), 3);
    EXPECT_EQ(PosEx("a", "abab", 4), 0);
    EXPECT_EQ(PosEx("b", "abab", 4), 4);
    EXPECT_EQ(PosEx("a", "abab", 0), 0);
    EXPECT_EQ(PosEx("a", "abab", 5), 0);
    EXPECT_EQ(AnsiPos("ö", "aöb"), 2);  // a byte position
    EXPECT_EQ(AnsiPos("", "abc"), 0);
}

TEST(StringsEdit, StringOfChar) {
    EXPECT_EQ(StringOfChar('-', 3), "---");
    EXPECT_EQ(StringOfChar('-', 0), "");
    EXPECT_EQ(StringOfChar('-', -2), "");
    EXPECT_EQ(StringOfChar(U'中', 2), "中中");
    EXPECT_EQ(StringOfChar(U'x', -1), "");
}

TEST(StringsEdit, StringReplaceFlags) {
    const TReplaceFlags none;
    struct Case {
        String Text, Old, New;
        TReplaceFlags Flags;
        String Expected;
    };
    const std::vector<Case> cases = {
        {"aXbxcx", "x", "-", none, "aXb-cx"},
        {"aXbxcx", "x", "-", rfReplaceAll, "aXb-c-"},
        {"aXbxcx", "x", "-", rfIgnoreCase, "a-bxcx"},
        {"aXbxcx", "x", "-", rfReplaceAll | rfIgnoreCase, "a-b-c-"},
        {"abc", "", "-", rfReplaceAll, "abc"},
        {"", "a", "-", rfReplaceAll, ""},
        {"aaa", "aa", "b", rfReplaceAll, "ba"},
        {"aa", "a", "aa", rfReplaceAll, "aaaa"},  // the replacement is not searched again
        {"abc", "abc", "", rfReplaceAll, ""},
        {"ABC abc", "b", "", rfReplaceAll | rfIgnoreCase, "AC ac"},
        // Ignoring case on non-ASCII letters
        {"ÄÖÜ äöü", "äö", "x", rfReplaceAll | rfIgnoreCase, "xÜ xü"},
        {"ÄÖÜ äöü", "äö", "x", rfReplaceAll, "ÄÖÜ xü"},
        // Case-equal letters of different byte lengths: the Kelvin sign (3 bytes) and long s
        // (2 bytes) match "ks"; the text around them must come through intact.
        {"[\xE2\x84\xAAſ] [KS]", "ks", "#", rfReplaceAll | rfIgnoreCase, "[#] [#]"},
        {"ııx", "X", "!", rfIgnoreCase, "ıı!"},
        {"中文中", "中", "Z", rfReplaceAll | rfIgnoreCase, "Z文Z"},
        {"a\xFF" "b\xFF", "\xFF", "?", rfReplaceAll | rfIgnoreCase, "a?b?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Bytes(c.Text) + " / " + Bytes(c.Old));
        EXPECT_EQ(Bytes(StringReplace(c.Text, c.Old, c.New, c.Flags)), Bytes(c.Expected));
    }
}
