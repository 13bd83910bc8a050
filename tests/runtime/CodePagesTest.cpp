#include <gtest/gtest.h>

#include "platform/runtime/CodePages.h"

namespace {

// "中文|英文" in GBK and in UTF-8.
const String kGbkChineseEnglish = "\xD6\xD0\xCE\xC4|\xD3\xA2\xCE\xC4";
const String kUtf8ChineseEnglish = "中文|英文";
const String kReplacement = "\xEF\xBF\xBD";

}  // namespace

TEST(CodePages, IsValidUtf8) {
    struct Case {
        const char* what;
        String bytes;
        bool valid;
    };
    const std::vector<Case> cases = {
        {"empty", "", true},
        {"ascii", "abc", true},
        {"chinese", kUtf8ChineseEnglish, true},
        {"four bytes", "\xF0\x9F\x98\x80", true},
        {"highest", "\xF4\x8F\xBF\xBF", true},
        {"GBK", kGbkChineseEnglish, false},
        {"overlong slash", "\xC0\xAF", false},
        {"overlong three", "\xE0\x80\xAF", false},
        {"surrogate", "\xED\xA0\x80", false},
        {"past U+10FFFF", "\xF4\x90\x80\x80", false},
        {"truncated", "a\xE4\xB8", false},
        {"lone continuation", "\x80", false},
        {"FF", "\xFF", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid);
    }
}

TEST(CodePages, GbkToUtf8) {
    struct Case {
        const char* what;
        String gbk, utf8;
    };
    const std::vector<Case> cases = {
        {"empty", "", ""},
        {"ascii", "Com1", "Com1"},
        {"chinese", kGbkChineseEnglish, kUtf8ChineseEnglish},
        {"invalid byte in the middle", "\xD6\xD0\xFF\xCE\xC4", "中" + kReplacement + "文"},
        {"bad trail byte resynchronises", "\x81\x20" "A", kReplacement + " A"},
        {"truncated tail", "abc\xD6", "abc" + kReplacement},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8);
    }
}

TEST(CodePages, LongTextConvertsWhole) {
    // Longer than any internal chunk, in both directions.
    String gbk, utf8;
    for (int i = 0; i < 5000; ++i) {
        gbk += kGbkChineseEnglish;
        utf8 += kUtf8ChineseEnglish;
    }
    EXPECT_EQ(GbkToUtf8(gbk), utf8);
    EXPECT_EQ(Utf8ToGbk(utf8), gbk);
}

TEST(CodePages, Utf8ToGbk) {
    struct Case {
        const char* what;
        String utf8, gbk;
    };
    const std::vector<Case> cases = {
        {"empty", "", ""},
        {"ascii", "Com1", "Com1"},
        {"chinese", kUtf8ChineseEnglish, kGbkChineseEnglish},
        {"character GBK lacks", "a\xF0\x9F\x98\x80" "b", "a?b"},
        {"invalid byte", "a\xFF" "b", "a?b"},
        {"broken sequence, then a character", "\xE4\xB8\xE4\xB8\xAD", "??\xD6\xD0"},
        {"truncated tail", "ab\xE4\xB8", "ab??"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk);
    }
}

TEST(CodePages, TextToUtf8) {
    struct Case {
        const char* what;
        String bytes, text;
    };
    const std::vector<Case> cases = {
        {"utf-8 stays", "[a]\r\nx=" + kUtf8ChineseEnglish, "[a]\r\nx=" + kUtf8ChineseEnglish},
        {"bom dropped", "\xEF\xBB\xBF" "x=" + kUtf8ChineseEnglish, "x=" + kUtf8ChineseEnglish},
        {"bom alone", "\xEF\xBB\xBF", ""},
        {"gbk converted", "x=" + kGbkChineseEnglish + "\r\n", "x=" + kUtf8ChineseEnglish + "\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(TextToUtf8(c.bytes), c.text);
    }
}
