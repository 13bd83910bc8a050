// Fonts: logical fonts and GetObject, sizes and text metrics, the name map and the per-character
// fallback, character widths, the stock fonts, the font list, and what happens when font files
// are missing.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "platform/runtime/Numbers.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiGlyph.h"
#include "tests/winapi/GdiTestImage.h"

namespace {

using gditest::Canvas;

const char* const SongTi = "\xE5\xAE\x8B\xE4\xBD\x93";   // 宋体
const char* const Zhong = "\xE4\xB8\xAD";                // 中
const char* const ZhongWen = "\xE4\xB8\xAD\xE6\x96\x87"; // 中文

HFONT MakeFont(const char* face, int height, int weight = FW_NORMAL, BYTE charSet = DEFAULT_CHARSET) {
    return CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, charSet, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

// A font selected into a context for the scope; deleted afterwards.
class Selected {
public:
    Selected(HDC dc, HFONT font) : FDc(dc), FFont(font), FOld(SelectObject(dc, font)) {}
    ~Selected() {
        SelectObject(FDc, FOld);
        DeleteObject(FFont);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC FDc;
    HFONT FFont;
    HGDIOBJ FOld;
};

TEXTMETRICA Metrics(HDC dc) {
    TEXTMETRICA tm;
    EXPECT_TRUE(GetTextMetricsA(dc, &tm));
    return tm;
}

// Advance widths of the printable ASCII characters: a fingerprint of the face in use.
std::vector<INT> Widths(HDC dc) {
    std::vector<INT> w(95);
    EXPECT_TRUE(GetCharWidth32A(dc, 32, 126, w.data()));
    return w;
}

std::vector<INT> WidthsOf(const char* face, int height, int weight = FW_NORMAL) {
    Canvas c(4, 4);
    Selected f(c.Dc(), MakeFont(face, height, weight));
    return Widths(c.Dc());
}

int TextWidth(HDC dc, const char* text) {
    SIZE s{};
    EXPECT_TRUE(GetTextExtentPoint32A(dc, text, int(std::strlen(text)), &s));
    return s.cx;
}

std::string FaceOf(HDC dc) {
    char name[LF_FACESIZE];
    EXPECT_GT(GetTextFaceA(dc, LF_FACESIZE, name), 0);
    return name;
}

TEST(GdiFont, LogicalFontRoundTrip) {
    LOGFONTA in;
    in.lfHeight = -13;
    in.lfWidth = 6;
    in.lfEscapement = 900;
    in.lfOrientation = 900;
    in.lfWeight = FW_BOLD;
    in.lfItalic = 1;
    in.lfUnderline = 1;
    in.lfStrikeOut = 1;
    in.lfCharSet = GB2312_CHARSET;
    in.lfOutPrecision = OUT_TT_PRECIS;
    in.lfClipPrecision = CLIP_STROKE_PRECIS;
    in.lfQuality = NONANTIALIASED_QUALITY;
    in.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    std::strcpy(in.lfFaceName, SongTi);
    HFONT font = CreateFontIndirectA(&in);
    ASSERT_NE(nullptr, font);
    EXPECT_EQ(OBJ_FONT, GetObjectType(font));
    EXPECT_EQ(int(sizeof(LOGFONTA)), GetObjectA(font, 0, nullptr));
    EXPECT_EQ(60, int(sizeof(LOGFONTA)));

    LOGFONTA out;
    ASSERT_EQ(int(sizeof(out)), GetObjectA(font, sizeof(out), &out));
    EXPECT_EQ(0, std::memcmp(&in, &out, sizeof(out)));

    LOGFONTW wide;
    ASSERT_EQ(int(sizeof(wide)), GetObjectW(font, sizeof(wide), &wide));
    EXPECT_EQ(-13, wide.lfHeight);
    EXPECT_EQ(900, wide.lfEscapement);
    EXPECT_EQ(GB2312_CHARSET, wide.lfCharSet);
    EXPECT_EQ(std::u16string(u"\u5B8B\u4F53"), std::u16string(wide.lfFaceName));

    // A short buffer takes the leading part.
    LONG height = 0;
    EXPECT_EQ(int(sizeof(LONG)), GetObjectA(font, sizeof(height), &height));
    EXPECT_EQ(-13, height);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_EQ(0u, GetObjectType(font));
}

TEST(GdiFont, WideCreationAndLongNames) {
    LOGFONTW in;
    in.lfHeight = -11;
    const char16_t* name = u"Times New Roman";
    std::memcpy(in.lfFaceName, name, (std::char_traits<char16_t>::length(name) + 1) * sizeof(char16_t));
    HFONT wide = CreateFontIndirectW(&in);
    LOGFONTA a;
    ASSERT_EQ(int(sizeof(a)), GetObjectA(wide, sizeof(a), &a));
    EXPECT_STREQ("Times New Roman", a.lfFaceName);
    DeleteObject(wide);

    // Eleven Chinese characters are 33 bytes: the narrow description keeps the ten that fit
    // in 31 bytes, whole.
    std::string eleven;
    for (int i = 0; i < 11; ++i)
        eleven += Zhong;
    HFONT longName = CreateFontW(-11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                 u"\u4E2D\u4E2D\u4E2D\u4E2D\u4E2D\u4E2D\u4E2D\u4E2D\u4E2D\u4E2D\u4E2D");
    ASSERT_EQ(int(sizeof(a)), GetObjectA(longName, sizeof(a), &a));
    EXPECT_EQ(eleven.substr(0, 30), std::string(a.lfFaceName));
    DeleteObject(longName);
    EXPECT_EQ(nullptr, CreateFontIndirectA(nullptr));
}

TEST(GdiFont, SelectedFontIsKeptUntilDeselected) {
    Canvas c(4, 4);
    HDC dc = c.Dc();
    EXPECT_EQ(GetStockObject(SYSTEM_FONT), GetCurrentObject(dc, OBJ_FONT))
        << "a new context has the system font";
    HFONT font = MakeFont("Arial", -11);
    HGDIOBJ old = SelectObject(dc, font);
    EXPECT_EQ(GetStockObject(SYSTEM_FONT), old);
    EXPECT_EQ(font, GetCurrentObject(dc, OBJ_FONT));
    EXPECT_FALSE(DeleteObject(font)) << "selected";
    EXPECT_EQ(font, SelectObject(dc, old));
    EXPECT_TRUE(DeleteObject(font));
}

TEST(GdiFont, HeightsFollowThePointSizeRule) {
    struct Case {
        const char* face;
        int points;
    };
    const std::vector<Case> cases = {
        {"MS Sans Serif", 8}, {"Tahoma", 9},
        {"Arial", 10},        {"Times New Roman", 12},
        {"Courier New", 10},  {"Courier New", 14},
        {SongTi, 9},          {"SimSun", 24},
        {"Arial", 36},        {"Microsoft Sans Serif", 8},
    };
    Canvas c(4, 4);
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.face) + " " + std::to_string(k.points));
        int em = MulDiv(k.points, 96, 72);
        {
            // A negative height is the em size: the cell less the internal leading.
            Selected f(c.Dc(), MakeFont(k.face, -em));
            TEXTMETRICA tm = Metrics(c.Dc());
            EXPECT_EQ(em, tm.tmHeight - tm.tmInternalLeading);
            EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
            EXPECT_GT(tm.tmDescent, 0);
            EXPECT_GE(tm.tmInternalLeading, 0);
            EXPECT_GT(tm.tmAveCharWidth, 0);
            EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth);
        }
        {
            // A positive height is the cell height.
            Selected f(c.Dc(), MakeFont(k.face, em));
            EXPECT_EQ(em, Metrics(c.Dc()).tmHeight);
        }
    }
    {
        // Height 0 asks for a default size.
        Selected f(c.Dc(), MakeFont("Arial", 0));
        EXPECT_EQ(16, Metrics(c.Dc()).tmHeight);
    }
    // Absurd sizes are held to what a glyph image can sensibly be.
    for (int height : {INT_MIN, INT_MAX, -100000}) {
        SCOPED_TRACE(height);
        Selected f(c.Dc(), MakeFont("Arial", height));
        TEXTMETRICA tm = Metrics(c.Dc());
        EXPECT_GT(tm.tmHeight, 100);
        EXPECT_LE(tm.tmHeight, 4096);
    }
}

TEST(GdiFont, NamesMapToInstalledFamilies) {
    // Fonts of one family have the same widths; the families differ from one another.
    std::vector<INT> sans = WidthsOf("Liberation Sans", -11);
    std::vector<INT> serif = WidthsOf("Liberation Serif", -11);
    std::vector<INT> mono = WidthsOf("Liberation Mono", -11);
    EXPECT_NE(sans, serif);
    EXPECT_NE(sans, mono);
    struct Case {
        const char* face;
        const std::vector<INT>* widths;
    };
    const std::vector<Case> cases = {
        {"MS Sans Serif", &sans},
        {"Microsoft Sans Serif", &sans},
        {"Tahoma", &sans},
        {"Arial", &sans},
        {"ARIAL", &sans},
        {"No Such Face", &sans},
        {"", &sans},
        {"Times New Roman", &serif},
        {"times new roman", &serif},
        {"Courier New", &mono},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.face);
        EXPECT_EQ(*k.widths, WidthsOf(k.face, -11));
    }
    // The Chinese names take the Chinese face, which has its own Latin letters.
    EXPECT_EQ(WidthsOf("WenQuanYi Micro Hei", -11), WidthsOf(SongTi, -11));
    EXPECT_EQ(WidthsOf("WenQuanYi Micro Hei", -11), WidthsOf("SimSun", -11));
    EXPECT_NE(sans, WidthsOf("SimSun", -11));

    // Families and pitch as the text metrics report them.
    struct Kind {
        const char* face;
        BYTE family;
        bool fixed;
    };
    const std::vector<Kind> kinds = {
        {"Arial", FF_SWISS, false}, {"Times New Roman", FF_ROMAN, false}, {"Courier New", FF_MODERN, true}};
    Canvas c(4, 4);
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.face);
        Selected f(c.Dc(), MakeFont(k.face, -12));
        TEXTMETRICA tm = Metrics(c.Dc());
        EXPECT_EQ(k.family, tm.tmPitchAndFamily & 0xF0);
        EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_TRUETYPE);
        // The bit named fixed pitch is set for variable-pitch fonts.
        EXPECT_EQ(!k.fixed, (tm.tmPitchAndFamily & TMPF_FIXED_PITCH) != 0);
        if (k.fixed) {
            std::vector<INT> w = Widths(c.Dc());
            EXPECT_EQ(std::vector<INT>(w.size(), w[0]), w);
            EXPECT_EQ(w[0], tm.tmAveCharWidth);
        }
    }
}

TEST(GdiFont, WeightStyleAndWidth) {
    std::vector<INT> regular = WidthsOf("Arial", -13);
    std::vector<INT> bold = WidthsOf("Arial", -13, FW_BOLD);
    EXPECT_NE(regular, bold);
    EXPECT_EQ(bold, WidthsOf("Arial", -13, FW_SEMIBOLD)) << "from semi-bold on, the bold face";
    EXPECT_EQ(regular, WidthsOf("Arial", -13, FW_MEDIUM));

    Canvas c(4, 4);
    {
        Selected f(c.Dc(), MakeFont("Arial", -13, FW_BOLD));
        EXPECT_EQ(FW_BOLD, Metrics(c.Dc()).tmWeight);
    }
    {
        Selected f(c.Dc(), MakeFont("Arial", -13, FW_DONTCARE));
        EXPECT_EQ(FW_NORMAL, Metrics(c.Dc()).tmWeight);
    }
    // A width asks for that average character width.
    for (int width : {4, 6, 9, 14}) {
        SCOPED_TRACE(width);
        Selected f(c.Dc(), CreateFontA(-13, width, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"));
        TEXTMETRICA tm = Metrics(c.Dc());
        EXPECT_NEAR(width, tm.tmAveCharWidth, 1);
        EXPECT_EQ(13, tm.tmHeight - tm.tmInternalLeading) << "the height stays";
    }
    // Italic, underline and strike-out show in the metrics.
    Selected f(c.Dc(), CreateFontA(-13, 0, 0, 0, FW_NORMAL, 1, 1, 1, 0, 0, 0, 0, 0, "Arial"));
    TEXTMETRICA tm = Metrics(c.Dc());
    EXPECT_NE(0, tm.tmItalic);
    EXPECT_NE(0, tm.tmUnderlined);
    EXPECT_NE(0, tm.tmStruckOut);
}

TEST(GdiFont, FaceAndCharacterSet) {
    Canvas c(4, 4);
    HDC dc = c.Dc();
    struct Case {
        const char* face;
        BYTE charSet;
        int expected;
    };
    const std::vector<Case> cases = {
        {"Arial", DEFAULT_CHARSET, ANSI_CHARSET},    {SongTi, DEFAULT_CHARSET, GB2312_CHARSET},
        {"SimSun", DEFAULT_CHARSET, GB2312_CHARSET}, {"Arial", GB2312_CHARSET, GB2312_CHARSET},
        {"Arial", RUSSIAN_CHARSET, RUSSIAN_CHARSET}, {"Times New Roman", ANSI_CHARSET, ANSI_CHARSET},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.face);
        Selected f(dc, MakeFont(k.face, -12, FW_NORMAL, k.charSet));
        EXPECT_EQ(k.expected, GetTextCharset(dc));
        EXPECT_EQ(k.expected, Metrics(dc).tmCharSet);
        EXPECT_EQ(std::string(k.face), FaceOf(dc));
    }
    {
        // Without a name, the installed family's.
        Selected f(dc, MakeFont("", -12));
        EXPECT_EQ("Liberation Sans", FaceOf(dc));
    }
    Selected f(dc, MakeFont("Times New Roman", -12));
    EXPECT_EQ(16, GetTextFaceA(dc, 0, nullptr)) << "the size needed, with the NUL";
    char small[6];
    EXPECT_EQ(6, GetTextFaceA(dc, 6, small));
    EXPECT_STREQ("Times", small);
    char16_t wide[LF_FACESIZE];
    EXPECT_EQ(16, GetTextFaceW(dc, LF_FACESIZE, wide));
    EXPECT_EQ(std::u16string(u"Times New Roman"), std::u16string(wide));
    EXPECT_EQ(DEFAULT_CHARSET, GetTextCharset(nullptr));
}

TEST(GdiFont, CharacterWidthsAgreeWithExtents) {
    Canvas c(4, 4);
    HDC dc = c.Dc();
    for (const char* face : {"MS Sans Serif", "Times New Roman", "Courier New", SongTi}) {
        SCOPED_TRACE(face);
        Selected f(dc, MakeFont(face, -13, FW_BOLD));
        std::vector<INT> w = Widths(dc);
        std::vector<ABC> abc(95);
        ASSERT_TRUE(GetCharABCWidthsA(dc, 32, 126, abc.data()));
        int sum = 0;
        for (int ch = 32; ch <= 126; ++ch) {
            char s[2] = {char(ch), 0};
            int i = ch - 32;
            ASSERT_EQ(w[i], TextWidth(dc, s)) << ch;
            ASSERT_EQ(w[i], abc[i].abcA + int(abc[i].abcB) + abc[i].abcC) << ch;
            if (ch > 32) {
                ASSERT_GT(abc[i].abcB, 0u) << ch;
            }
            sum += w[i];
        }
        std::string all;
        for (int ch = 32; ch <= 126; ++ch)
            all += char(ch);
        EXPECT_EQ(sum, TextWidth(dc, all.c_str()));
        // The wide call reaches past 255.
        INT zhong = 0;
        ASSERT_TRUE(GetCharWidth32W(dc, 0x4E2D, 0x4E2D, &zhong));
        EXPECT_EQ(zhong, TextWidth(dc, Zhong));
    }
    INT w[2];
    EXPECT_FALSE(GetCharWidth32A(dc, 300, 301, w)) << "the narrow call stops at 255";
    EXPECT_FALSE(GetCharWidth32W(dc, 66, 65, w));
}

TEST(GdiFont, ChineseFallsBackKeepingTheLineMetrics) {
    Canvas c(4, 4);
    HDC dc = c.Dc();
    TEXTMETRICA latin, chinese;
    int inLatin, inChinese, latinHello;
    {
        Selected f(dc, MakeFont("MS Sans Serif", -16));
        latin = Metrics(dc);
        inLatin = TextWidth(dc, ZhongWen);
        latinHello = TextWidth(dc, "Hello");
    }
    int chineseHello;
    {
        Selected f(dc, MakeFont(SongTi, -16));
        chinese = Metrics(dc);
        inChinese = TextWidth(dc, ZhongWen);
        chineseHello = TextWidth(dc, "Hello");
    }
    EXPECT_GT(inLatin, 0);
    EXPECT_EQ(inChinese, inLatin) << "the characters come from the Chinese face at the same size";
    EXPECT_NE(latinHello, chineseHello);
    EXPECT_NE(latin.tmAscent, chinese.tmAscent);
    EXPECT_EQ(17, latin.tmHeight) << "the Latin font's metrics stay";
}

TEST(GdiFont, StockFonts) {
    struct Case {
        int index;
        const char* face;
        LONG height;
        LONG weight;
    };
    const std::vector<Case> cases = {
        {SYSTEM_FONT, "System", 16, FW_BOLD},
        {DEVICE_DEFAULT_FONT, "System", 16, FW_BOLD},
        {DEFAULT_GUI_FONT, "MS Shell Dlg", -11, FW_NORMAL},
        {ANSI_VAR_FONT, "MS Sans Serif", -11, FW_NORMAL},
        {ANSI_FIXED_FONT, "Courier New", -13, FW_NORMAL},
        {OEM_FIXED_FONT, "Courier New", 12, FW_NORMAL},
        {SYSTEM_FIXED_FONT, "Courier New", 16, FW_NORMAL},
    };
    Canvas c(4, 4);
    for (const Case& k : cases) {
        SCOPED_TRACE(k.face);
        HGDIOBJ font = GetStockObject(k.index);
        ASSERT_NE(nullptr, font);
        EXPECT_EQ(OBJ_FONT, GetObjectType(font));
        LOGFONTA log;
        ASSERT_EQ(int(sizeof(log)), GetObjectA(font, sizeof(log), &log));
        EXPECT_STREQ(k.face, log.lfFaceName);
        EXPECT_EQ(k.height, log.lfHeight);
        EXPECT_EQ(k.weight, log.lfWeight);
        EXPECT_TRUE(DeleteObject(font));
        EXPECT_EQ(OBJ_FONT, GetObjectType(font)) << "stock fonts stay";
        HGDIOBJ old = SelectObject(c.Dc(), font);
        EXPECT_GT(Metrics(c.Dc()).tmHeight, 0);
        SelectObject(c.Dc(), old);
    }
}

// ---- The font list -----------------------------------------------------------------------------

struct Listed {
    std::string Face, Style, FullName;
    BYTE CharSet;
    DWORD Type;
    LONG Height;
};

int Collect(const LOGFONTA* log, const TEXTMETRICA* tm, DWORD type, LPARAM data) {
    auto* out = reinterpret_cast<std::vector<Listed>*>(data);
    const auto* full = reinterpret_cast<const ENUMLOGFONTEXA*>(log);
    EXPECT_EQ(log->lfHeight, tm->tmHeight);
    out->push_back({log->lfFaceName, full->elfStyle, full->elfFullName, log->lfCharSet, type, log->lfHeight});
    return 1;
}

std::vector<std::string> Faces(const std::vector<Listed>& list) {
    std::vector<std::string> out;
    for (const Listed& l : list)
        out.push_back(l.Face);
    return out;
}

TEST(GdiFont, FontListShowsTheMappedNames) {
    Canvas c(4, 4);
    std::vector<Listed> all;
    EXPECT_EQ(1, EnumFontFamiliesA(c.Dc(), nullptr, Collect, LPARAM(&all)));
    EXPECT_EQ((std::vector<std::string>{"Arial", "Courier New", "Liberation Mono", "Liberation Sans",
                                        "Liberation Serif", "Microsoft Sans Serif", "MS Sans Serif", "SimSun",
                                        "Tahoma", "Times New Roman", "WenQuanYi Micro Hei", SongTi}),
              Faces(all));
    for (const Listed& l : all) {
        EXPECT_EQ(TRUETYPE_FONTTYPE, l.Type);
        EXPECT_EQ("Regular", l.Style);
        EXPECT_GT(l.Height, 0);
    }
    EXPECT_EQ(GB2312_CHARSET, all.back().CharSet);
    EXPECT_EQ(ANSI_CHARSET, all.front().CharSet);

    // One family: its styles.
    std::vector<Listed> tahoma;
    EnumFontFamiliesA(c.Dc(), "tahoma", Collect, LPARAM(&tahoma));
    ASSERT_EQ(4u, tahoma.size());
    EXPECT_EQ("Regular", tahoma[0].Style);
    EXPECT_EQ("Bold", tahoma[1].Style);
    EXPECT_EQ("Italic", tahoma[2].Style);
    EXPECT_EQ("Bold Italic", tahoma[3].Style);
    EXPECT_EQ("Tahoma Bold Italic", tahoma[3].FullName);
    std::vector<Listed> none;
    EXPECT_EQ(1, EnumFontFamiliesA(c.Dc(), "No Such Face", Collect, LPARAM(&none)));
    EXPECT_TRUE(none.empty());

    // The callback stops the list with 0, which is what the call answers.
    int calls = 0;
    auto stopAtThird = [](const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM data) {
        return ++*reinterpret_cast<int*>(data) == 3 ? 0 : 1;
    };
    EXPECT_EQ(0, EnumFontFamiliesA(c.Dc(), nullptr, stopAtThird, LPARAM(&calls)));
    EXPECT_EQ(3, calls);

    // By character set.
    LOGFONTA request;
    request.lfCharSet = GB2312_CHARSET;
    std::vector<Listed> chinese;
    EnumFontFamiliesExA(c.Dc(), &request, Collect, LPARAM(&chinese), 0);
    EXPECT_EQ((std::vector<std::string>{"SimSun", "WenQuanYi Micro Hei", SongTi}), Faces(chinese));

    // The wide list has the same names.
    std::vector<std::u16string> wide;
    auto collectWide = [](const LOGFONTW* log, const TEXTMETRICW*, DWORD, LPARAM data) {
        reinterpret_cast<std::vector<std::u16string>*>(data)->push_back(log->lfFaceName);
        return 1;
    };
    EnumFontFamiliesW(c.Dc(), nullptr, collectWide, LPARAM(&wide));
    ASSERT_EQ(all.size(), wide.size());
    EXPECT_EQ(std::u16string(u"\u5B8B\u4F53"), wide.back());
    EXPECT_EQ(0, EnumFontFamiliesA(nullptr, nullptr, Collect, LPARAM(&none))) << "needs a context";
}

// ---- Missing font files ------------------------------------------------------------------------

// Points the font files elsewhere for the scope.
class FontFiles {
public:
    explicit FontFiles(const GdiFontFiles& files) { GdiSetFontFiles(files); }
    ~FontFiles() { GdiSetFontFiles(GdiDefaultFontFiles()); }
};

TEST(GdiFont, MissingFilesFallBackAlongTheMap) {
    testsupport::TempDir dir;
    Canvas c(60, 20);
    HDC dc = c.Dc();
    std::vector<INT> serif = WidthsOf("Times New Roman", -12);
    {
        // Without the Latin sans-serif files, "Arial" takes the next installed family.
        GdiFontFiles files = GdiDefaultFontFiles();
        for (std::string& path : files.Paths[int(GdiFontFamily::Sans)])
            path = dir.File("missing.ttf");
        FontFiles scope(files);
        EXPECT_EQ(serif, WidthsOf("Arial", -12));
        std::vector<Listed> list;
        EnumFontFamiliesA(dc, nullptr, Collect, LPARAM(&list));
        for (const Listed& l : list)
            EXPECT_TRUE(l.Face != "Arial" && l.Face != "Tahoma" && l.Face != "MS Sans Serif") << l.Face;
    }
    {
        // With no font at all, text measures with a fixed proportion of the em size and draws
        // nothing.
        GdiFontFiles files;
        for (auto& family : files.Paths)
            for (std::string& path : family)
                path = dir.File("missing.ttf");
        FontFiles scope(files);
        Selected f(dc, MakeFont("Arial", -12));
        TEXTMETRICA tm = Metrics(dc);
        EXPECT_EQ(12, tm.tmHeight);
        EXPECT_EQ(6 * 5, TextWidth(dc, "Hello"));
        EXPECT_EQ(6 * 2, TextWidth(dc, ZhongWen));
        EXPECT_TRUE(TextOutA(dc, 0, 0, "Hello", 5));
        EXPECT_EQ(std::string::npos, c.Map(RGB(0, 0, 0)).find('#'));
        std::vector<Listed> list;
        EXPECT_EQ(1, EnumFontFamiliesA(dc, nullptr, Collect, LPARAM(&list)));
        EXPECT_TRUE(list.empty());
        RECT r{0, 0, 60, 20};
        EXPECT_EQ(12, DrawTextA(dc, "Hello", -1, &r, DT_CALCRECT));
    }
    // Back to the installed files.
    Selected f(dc, MakeFont("Arial", -12));
    EXPECT_EQ(WidthsOf("Liberation Sans", -12), Widths(dc));
}

} // namespace
