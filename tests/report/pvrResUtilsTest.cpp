#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/classlib/ImgList.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/Libraries.h"
#include "platform/runtime/Resources.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/StringLists.h"
#include "report/pvrChm.h"
#include "report/pvrRes.h"
#include "report/pvrUtils.h"
#include "script/kq_iconst.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

std::vector<String> Items(TStrings& list) {
    std::vector<String> result;
    for (Integer i = 0; i < list.GetCount(); ++i)
        result.push_back(list.GetStrings(i));
    return result;
}

} // namespace

TEST(pvrResources, KeysAreLookedUpIgnoringCaseAndMissingKeysShowThemselves) {
    TpvrResources* res = GetResources();
    struct Case {
        const char* key;
        const char* text;
    };
    for (const Case& c : std::vector<Case>{{"clErrors", "发生下列的错误:"},
                                           {"CLERRORS", "发生下列的错误:"},
                                           {"prdefault", "预设"},
                                           {"clDSNotExist", "数据库 \"%s\" 不存在"},
                                           {"obText", "obText"},
                                           {"prDupl", "prDupl"},
                                           {"5000", "5000"},
                                           {"", ""}})
        EXPECT_EQ(res->Get(c.key), c.text) << c.key;
    EXPECT_EQ(res->GetNumbered(1), "确定");
    EXPECT_EQ(res->GetNumbered(5001), "5001");
}

TEST(pvrResources, BuiltInTableHolds160Keys) {
    TpvrResources table;
    table.AddKeyLines(BuiltInResourceText());
    TStringList lines;
    lines.SetText(BuiltInResourceText());
    Integer keys = 0;
    for (Integer i = 0; i < lines.GetCount(); ++i)
        if (!lines.GetStrings(i).empty() && lines.GetStrings(i)[0] != '=') ++keys;
    EXPECT_EQ(keys, 160);
    EXPECT_EQ(table.Get("303"), "Replace with");
    EXPECT_EQ(table.Get("ppEven"), "偶数页");
    EXPECT_EQ(table.Get("===="), "===="); // section lines add nothing
}

TEST(pvrResources, AddKeyLinesAndSetText) {
    TpvrResources res;
    res.AddKeyLines("a=b=c\r\n=section\r\nempty=\r\nplain=text\r\nnoequals\r\n");
    EXPECT_EQ(res.Get("a"), "b=c");
    EXPECT_EQ(res.Get("empty"), "empty");
    EXPECT_EQ(res.Get("plain"), "text");
    EXPECT_EQ(res.Get("noequals"), "noequals");
    res.SetText("Key", "first");
    res.SetText("KEY", "second");
    EXPECT_EQ(res.Get("key"), "second");
    res.AddKeyLines("PLAIN=again");
    EXPECT_EQ(res.Get("plain"), "again");
}

TEST(pvrResources, ScriptMessagesTakeTheTableTexts) {
    const String saved = SIdUndeclared;
    const String savedEvent = SEventError;
    TpvrResources res;
    res.AddKeyLines(BuiltInResourceText());
    res.SetText("SEventError", "changed");
    res.UpdateScriptMessages();
    const std::vector<String> expected = {"找不到 '%s' 语言",
                                          "不合法的语言定义",
                                          "标识符重复宣告:",
                                          "未知的类型:",
                                          "不相容的类型",
                                          "标识符未宣告:",
                                          "此处需要类(Class)类型",
                                          "此处需要索引(Index)",
                                          "Strings没有属性(properties)或方法(methods)",
                                          "类(Class) %s 没有预设的属性",
                                          "此处需要数据类型",
                                          "此处需要变量",
                                          "实际的参数个数不符",
                                          "参数个数太多",
                                          "左边的变量不能指定新的值",
                                          "for..loop变量必须是数值变量",
                                          "changed"};
    const std::vector<String> actual = {
        SLangNotFound,  SInvalidLanguage, SIdRedeclared,    SUnknownType,   SIncompatibleTypes,
        SIdUndeclared,  SClassRequired,   SIndexRequired,   SStringError,   SClassError,
        SArrayRequired, SVarRequired,     SNotEnoughParams, STooManyParams, SLeftCantAssigned,
        SForError,      SEventError};
    EXPECT_EQ(actual, expected);
    GetResources()->UpdateScriptMessages();
    EXPECT_EQ(SEventError, "事件句柄必须是过程(procedure)");
    (void)saved;
    (void)savedEvent;
}

namespace {

struct THelpCall {
    void* Window;
    String File;
    UINT Command;
    DWORD_PTR Data;
};
std::vector<THelpCall> HelpCalls;

HWND RecordingHtmlHelp(HWND window, const char* file, UINT command, DWORD_PTR data) {
    HelpCalls.push_back({window, file, command, data});
    return nullptr;
}

} // namespace

using pvrHelpTest = testsupport::TFormFixture;

TEST_F(pvrHelpTest, HelpOpensTheHelpFileAtItsContentsOnlyWhenTheViewerIsThere) {
    HelpCalls.clear();
    // Without the viewer library help does nothing.
    LoadHtmlHelp();
    TObject window;
    GetResources()->Help(&window);
    EXPECT_TRUE(HelpCalls.empty());

    RegisterLibrary("HHCtrl.OCX", {{"HtmlHelpA", reinterpret_cast<void*>(&RecordingHtmlHelp)}});
    LoadHtmlHelp();
    GetResources()->Help(&window);
    GetResources()->Help(nullptr);
    ASSERT_EQ(HelpCalls.size(), 2u);
    EXPECT_EQ(HelpCalls[0].Window, static_cast<void*>(App->GetHandle()));
    EXPECT_EQ(HelpCalls[0].File, "VIDudu.zev");
    EXPECT_EQ(HelpCalls[0].Command, 1u);
    EXPECT_EQ(HelpCalls[0].Data, 0u);
    EXPECT_EQ(HelpCalls[1].File, "VIDudu.zev");
    RegisterLibrary("HHCtrl.OCX", {});
    LoadHtmlHelp();
    UnloadHtmlHelp();
}

TEST(pvrUtils, ParsePageRange) {
    struct Case {
        const char* text;
        Integer pages;
        std::vector<String> result;
    };
    const std::vector<Case> cases = {
        {"1,3,5-7", 10, {"1", "3", "5", "6", "7"}},
        {"4-", 6, {"4", "5", "6"}},
        {"7-5", 10, {}},
        {" 2 , 2 ", 10, {"2", "2"}},
        {"", 10, {}},
        {"3-3,1", 10, {"3", "1"}},
    };
    for (const Case& c : cases) {
        TStringList list;
        list.Add("old");
        ParsePageRange(c.text, &list, c.pages);
        EXPECT_EQ(Items(list), c.result) << c.text;
    }
    TStringList list;
    EXPECT_THROW(ParsePageRange("1,x", &list, 5), EConvertError);
}

TEST(pvrUtils, ParseFloatTextTakesEitherSeparatorUnderAnyLocale) {
    for (const TFormatSettings& settings : {testsupport::DotSettings(), testsupport::CommaSettings()}) {
        testsupport::ScopedFormatSettings scope(settings);
        EXPECT_DOUBLE_EQ(double(ParseFloatText("1,5")), 1.5);
        EXPECT_DOUBLE_EQ(double(ParseFloatText("1.5")), 1.5);
        EXPECT_DOUBLE_EQ(double(ParseFloatText("1 000,5")), 1000.5);
        EXPECT_DOUBLE_EQ(double(ParseFloatText(" -2 ")), -2.0);
        try {
            ParseFloatText("abc");
            ADD_FAILURE();
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, "'abc' is not a valid floating point value");
        }
    }
    testsupport::ScopedFormatSettings scope(testsupport::DotSettings());
    EXPECT_EQ(FloatToShortText(2.5L), "2.50");
    EXPECT_EQ(FloatToShortText(3.0L), "3");
}

TEST(pvrUtils, ExtractDelimitedSkipsNestingAndQuotes) {
    struct Case {
        const char* text;
        Integer start;
        const char* inner;
        Integer end;
        Integer newStart;
    };
    const std::vector<Case> cases = {
        {"[a[b]c]", 1, "a[b]c", 7, 1},  {"x [y] z", 3, "y", 5, 3}, {"['a]b']", 1, "'a]b'", 7, 1},
        {"[\"]\"]!", 1, "\"]\"", 5, 1}, {"abc", 2, "", -1, 2}, // no opening delimiter: nothing, end unchanged
        {"[中文]", 1, "中文", 8, 1},                           // multi-byte characters stepped over whole
        {"[open", 1, "open", 6, 1},                            // never closed: runs to the end
    };
    for (const Case& c : cases) {
        String inner = "old";
        Integer end = -1;
        Integer start = c.start;
        ExtractDelimited(c.text, "[", "]", inner, end, start);
        EXPECT_EQ(inner, c.inner) << c.text;
        EXPECT_EQ(end, c.end) << c.text;
        EXPECT_EQ(start, c.newStart) << c.text;
    }
    String inner;
    Integer end = 0, start = 1;
    ExtractDelimited("<<a>>", "<<", ">>", inner, end, start);
    EXPECT_EQ(inner, "a");
    EXPECT_EQ(end, 5);

    WideString winner;
    end = 0;
    start = 1;
    ExtractDelimitedW(u"[a[b]c]", u"[", u"]", winner, end, start);
    EXPECT_EQ(winner, u"a[b]c");
    EXPECT_EQ(end, 7);
}

TEST(pvrUtils, TokensHexAndFiles) {
    TStringList list;
    SplitText("a;b;", &list, ';');
    EXPECT_EQ(Items(list), (std::vector<String>{"a", "b"}));
    SplitText(";x", &list, ';');
    EXPECT_EQ(Items(list), (std::vector<String>{"", "x"}));
    Integer pos = 3;
    EXPECT_EQ(NextToken("a;bc;d", pos, ';'), "bc");
    EXPECT_EQ(pos, 6);

    TMemoryStream stream;
    const unsigned char bytes[] = {0x00, 0xAB, 0x7F, 0xFF};
    stream.WriteBuffer(bytes, 4);
    EXPECT_EQ(StreamToHex(&stream), "00AB7FFF");
    TMemoryStream back;
    HexToStream("00ab7fff", &back);
    ASSERT_EQ(back.GetSize(), 4);
    EXPECT_EQ(std::memcmp(back.GetMemory(), bytes, 4), 0);

    testsupport::TempDir dir;
    const String name = MakeTempFileName(dir.Path());
    EXPECT_EQ(ExtractFilePath(name), dir.Path() + "/");
    EXPECT_EQ(ExtractFileName(name).substr(0, 2), "qo");
    EXPECT_TRUE(FileExists(name));
    EXPECT_EQ(ProgramDirectory(), ExtractFilePath(ParamStr(0)));
    EXPECT_EQ(ProgramDirectory().back(), '/');
}

// The strip is the report's own picture file (report/res/PreviewButtons.bmp), compiled in as
// "PREVIEWBUTTONS", with a drawing of its own in each of its 25 cells but the two no button
// uses (6 and 18).
TEST(pvrResources, PreviewButtonsAreTheReportsOwnStrip) {
    TBitmap strip, file;
    strip.LoadFromResourceName(HInstance, "PREVIEWBUTTONS");
    file.LoadFromFile(testsupport::FixturePath("../../report/res/PreviewButtons.bmp"));
    ASSERT_EQ(400, file.GetWidth());
    ASSERT_EQ(16, file.GetHeight());
    ASSERT_EQ(file.GetWidth(), strip.GetWidth());
    ASSERT_EQ(file.GetHeight(), strip.GetHeight());
    std::set<std::vector<TColor>> glyphs;
    Integer differing = 0;
    const TColor mask = TColor(0xFF00FF);
    for (Integer cell = 0; cell < 25; ++cell) {
        std::vector<TColor> pixels;
        for (Integer y = 0; y < 16; ++y)
            for (Integer x = 16 * cell; x < 16 * cell + 16; ++x) {
                pixels.push_back(strip.GetCanvas()->GetPixels(x, y));
                differing += pixels.back() != file.GetCanvas()->GetPixels(x, y);
            }
        const bool drawn = std::count(pixels.begin(), pixels.end(), mask) < 256;
        EXPECT_EQ(cell != 6 && cell != 18, drawn) << cell;
        if (drawn) glyphs.insert(pixels);
    }
    EXPECT_EQ(0, differing);
    EXPECT_EQ(23u, glyphs.size());
}

TEST(pvrResources, PreviewButtonsAreCutFromTheProgramsStrip) {
    TpvrResources res;
    TImageList* buttons = res.PreviewButtons();
    EXPECT_EQ(buttons->GetCount(), 25);
    EXPECT_EQ(buttons->GetWidth(), 16);
    EXPECT_EQ(res.PreviewButtons(), buttons); // cut once
    EXPECT_EQ(buttons->GetCount(), 25);
    TBitmap strip;
    strip.SetSize(32, 16);
    res.SetPreviewButtons(&strip, false);
    EXPECT_EQ(buttons->GetCount(), 27);
    res.SetPreviewButtons(&strip, true);
    EXPECT_EQ(buttons->GetCount(), 2);
}

TEST(pvrUtils, GlyphStripIsCutIntoCellsWithDisabledTwins) {
    TBitmap strip;
    strip.SetSize(64, 20); // four cells of 16 by 16 in a row; the last 4 rows make no row
    TCanvas* canvas = strip.GetCanvas();
    canvas->GetBrush()->SetColor(TColor(0xFFFFFF));
    canvas->FillRect(TRect{0, 0, 64, 20});
    TImageList list(nullptr);
    AddGlyphStrip(&strip, 16, 16, nullptr, &list);
    EXPECT_EQ(list.GetCount(), 4);

    TImageList enabled(nullptr), disabled(nullptr);
    AddGlyphStrip(&strip, 16, 16, &disabled, &enabled);
    EXPECT_EQ(enabled.GetCount(), 2);
    EXPECT_EQ(disabled.GetCount(), 2);
}

TEST(pvrUtils, PicturesAreStretchedAndDrawnTransparent) {
    TBitmap picture;
    picture.SetSize(2, 2);
    TCanvas* pc = picture.GetCanvas();
    pc->SetPixels(0, 0, TColor(0x0000FF));
    pc->SetPixels(1, 0, TColor(0x00FF00));
    pc->SetPixels(0, 1, TColor(0xFF0000));
    pc->SetPixels(1, 1, TColor(0x000000));

    TBitmap target;
    target.SetSize(10, 10);
    TCanvas* tc = target.GetCanvas();
    tc->GetBrush()->SetColor(TColor(0xFFFFFF));
    tc->FillRect(TRect{0, 0, 10, 10});
    StretchDrawGraphic(tc, MakeRect(1, 1, 9, 9), &picture);
    EXPECT_EQ(tc->GetPixels(2, 2), TColor(0x0000FF));
    EXPECT_EQ(tc->GetPixels(7, 2), TColor(0x00FF00));
    EXPECT_EQ(tc->GetPixels(2, 7), TColor(0xFF0000));
    EXPECT_EQ(tc->GetPixels(8, 8), TColor(0x000000));
    EXPECT_EQ(tc->GetPixels(0, 0), TColor(0xFFFFFF));
    EXPECT_EQ(tc->GetPixels(9, 9), TColor(0xFFFFFF));

    // The bottom-left pixel's colour (blue here) is left out.
    tc->FillRect(TRect{0, 0, 10, 10});
    DrawTransparentBitmap(tc, 3, 3, &picture);
    EXPECT_EQ(tc->GetPixels(3, 3), TColor(0x0000FF));
    EXPECT_EQ(tc->GetPixels(4, 3), TColor(0x00FF00));
    EXPECT_EQ(tc->GetPixels(3, 4), TColor(0xFFFFFF));
    EXPECT_EQ(tc->GetPixels(4, 4), TColor(0x000000));
}

TEST(pvrResources, LanguageFilesAreListedByNameWithoutLoading) {
    testsupport::TempDir dir;
    for (const char* name : {"chinese.qoc", "ENGLISH.QOC", "Deutsch.Qoc", "a.qoc.qoc", "readme.txt", "qoc"})
        testsupport::WriteFileBytes(dir.File(name), "not read");
    TStringList languages;
    languages.Add("stale");
    ListLanguageFiles(dir.Path() + "/", &languages);
    EXPECT_EQ(Items(languages), (std::vector<String>{"A.qoc", "Chinese", "Deutsch", "English"}));

    testsupport::TempDir empty;
    ListLanguageFiles(empty.Path() + "/", &languages);
    EXPECT_EQ(languages.GetCount(), 0);
}
