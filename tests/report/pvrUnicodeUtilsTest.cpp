#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/Strings.h"
#include "report/pvrUnicodeUtils.h"
#include "tests/support/TestSupport.h"

namespace {

std::vector<WideString> Lines(const TWideStrings& list) {
    std::vector<WideString> result;
    for (Integer i = 0; i < list.GetCount(); ++i)
        result.push_back(list.GetStrings(i));
    return result;
}

String Utf16Bytes(const WideString& text) {
    String bytes;
    for (char16_t c : text) {
        bytes += char(c & 0xFF);
        bytes += char(c >> 8);
    }
    return bytes;
}

} // namespace

TEST(TWideStrings, TextSplitsAtEveryKindOfLineEnd) {
    struct Case {
        const char* name;
        WideString text;
        std::vector<WideString> lines;
    };
    const std::vector<Case> cases = {
        {"CR LF", u"a\r\nb\r\n", {u"a", u"b"}},
        {"lone CR", u"a\rb", {u"a", u"b"}},
        {"lone LF", u"a\nb\n", {u"a", u"b"}},
        {"LF CR starts an empty line", u"a\n\rb", {u"a", u"", u"b"}},
        {"line separator", u"a\u2028b", {u"a", u"b"}},
        {"CR LF then separator is one end", u"a\r\n\u2028b", {u"a", u"b"}},
        {"final break adds no line", u"a\r\n", {u"a"}},
        {"empty lines inside", u"\r\n\r\nx", {u"", u"", u"x"}},
        {"NUL ends the text", WideString(u"a\r\nb\0c", 7), {u"a", u"b"}},
        {"empty", u"", {}},
    };
    for (const Case& c : cases) {
        TWideStrings list;
        list.Add(u"old");
        list.SetText(c.text);
        EXPECT_EQ(Lines(list), c.lines) << c.name;
    }
    TWideStrings list;
    list.SetText(u"a\r\nb\r\n");
    EXPECT_EQ(list.GetText(), u"a\r\nb\r\n");
    list.Clear();
    EXPECT_EQ(list.GetText(), u"");
}

TEST(TWideStrings, ReadsAndWritesOutOfRange) {
    TWideStrings list;
    TObject marker;
    list.AddObject(u"abc", &marker);
    EXPECT_EQ(list.GetStrings(-1), u"");
    EXPECT_EQ(list.GetStrings(1), u"");
    EXPECT_EQ(list.GetObjects(5), nullptr);
    list.SetObjects(5, &marker); // ignored
    list.SetObjects(-1, &marker);
    EXPECT_EQ(list.GetCount(), 1);

    list.Put(1, u"appended");
    list.Put(0, u"replaced");
    EXPECT_EQ(Lines(list), (std::vector<WideString>{u"replaced", u"appended"}));
    EXPECT_EQ(list.GetObjects(0), &marker);
    for (Integer bad : {-1, 3}) {
        try {
            list.Put(bad, u"x");
            ADD_FAILURE() << "no exception for " << bad;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, "Wide String Out of Bounds");
        }
    }
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_THROW(list.Delete(2), EListError);
    list.Delete(0);
    EXPECT_EQ(Lines(list), (std::vector<WideString>{u"appended"}));

    // IndexOf compares case-sensitively.
    list.Clear();
    list.Add(u"abc");
    EXPECT_EQ(list.IndexOf(u"ABC"), -1);
    EXPECT_EQ(list.IndexOf(u"abc"), 0);
}

TEST(TWideStrings, LoadsByteOrderMarkedAndPlainStreams) {
    const WideString text = u"第一行\r\nline two\r\n";
    const std::vector<WideString> lines = {u"第一行", u"line two"};
    struct Case {
        const char* name;
        String bytes;
        std::vector<WideString> lines;
    };
    const std::vector<Case> cases = {
        {"UTF-16 after FF FE", "\xFF\xFE" + Utf16Bytes(text), lines},
        {"plain text", WideToString(text), lines},
        {"odd byte after the mark is no character", "\xFF\xFE" + Utf16Bytes(u"ab") + "Z", {u"ab"}},
        {"two bytes left are text", "ok", {u"ok"}},
        {"the mark alone is an empty text", "\xFF\xFE", {}},
        {"the mark and one odd byte", "\xFF\xFEZ", {}},
        {"one byte", "x", {u"x"}},
        {"nothing", "", {}},
    };
    for (const Case& c : cases) {
        TWideStrings list;
        TStringStream stream(c.bytes);
        list.LoadFromStream(&stream);
        EXPECT_EQ(Lines(list), c.lines) << c.name;
    }

    // Loading starts at the stream's position.
    TStringStream stream("skip" + WideToString(u"rest"));
    stream.SetPosition(4);
    TWideStrings list;
    list.LoadFromStream(&stream);
    EXPECT_EQ(Lines(list), (std::vector<WideString>{u"rest"}));
}

TEST(TWideStrings, SavedTextLoadsBackUnchanged) {
    testsupport::TempDir dir;
    TWideStrings list;
    list.Add(u"报表");
    list.Add(u"");
    list.Add(u"plain");
    const WideString file = StringToWide(dir.File("memo.txt"));
    list.SaveToFile(file);
    const String bytes = testsupport::ReadFileBytes(dir.File("memo.txt"));
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(bytes.substr(2), Utf16Bytes(u"报表\r\n\r\nplain\r\n"));

    TWideStrings again;
    again.LoadFromFile(file);
    EXPECT_EQ(Lines(again), Lines(list));
    EXPECT_THROW(again.LoadFromFile(StringToWide(dir.File("missing.txt"))), EFOpenError);

    // Every list saved to a stream loads back as it was, the empty one and one empty line too.
    const std::vector<std::vector<WideString>> lists = {
        {}, {u""}, {u"", u""}, {u"x"}, {u"\xFEFF"}, {u"报表", u"", u"plain"}};
    for (const auto& lines : lists) {
        TWideStrings saved;
        for (const WideString& line : lines)
            saved.Add(line);
        TStringStream stream("");
        saved.SaveToStream(&stream);
        stream.SetPosition(0);
        TWideStrings loaded;
        loaded.Add(u"old");
        loaded.LoadFromStream(&stream);
        EXPECT_EQ(Lines(loaded), lines) << lines.size();
    }
}

TEST(TWideStrings, AssignsToAndFromStringLists) {
    TObject a, b;
    TStringList source;
    source.AddObject("中文", &a);
    source.AddObject("text", &b);
    TWideStrings wide;
    wide.Add(u"dropped");
    wide.Assign(&source);
    EXPECT_EQ(Lines(wide), (std::vector<WideString>{u"中文", u"text"}));
    EXPECT_EQ(wide.GetObjects(1), &b);

    TWideStrings copy;
    copy.Assign(&wide);
    EXPECT_EQ(Lines(copy), Lines(wide));
    EXPECT_EQ(copy.GetObjects(0), &a);

    TStringList back;
    back.Add("dropped");
    back.Assign(&copy);
    ASSERT_EQ(back.GetCount(), 2);
    EXPECT_EQ(back.GetStrings(0), "中文");
    EXPECT_EQ(back.GetObjects(1), &b);

    TPersistent other;
    EXPECT_THROW(copy.Assign(&other), EConvertError);
}
