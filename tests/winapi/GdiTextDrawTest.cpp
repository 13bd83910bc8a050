// DrawText: line breaks (blanks, CJK ideographs, words too long), ellipses, prefixes, tabs,
// placement, the calculated rectangle and return values, and the string written back. A
// layout is checked by drawing the expected lines one by one with ExtTextOut; most cases use
// a fixed-pitch font so that widths are counts of characters.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/Numbers.h"
#include "platform/winapi/Gdi.h"
#include "tests/winapi/GdiTestImage.h"
#include "tests/winapi/GdiTextCanvas.h"

namespace {

using gditest::Back;
using gditest::Canvas;
using gditest::Count;
using gditest::Ink;
using gditest::Paper;
using gditest::TextCanvas;

// Chinese texts.
const std::string Zhong = "\xE4\xB8\xAD", Wen = "\xE6\x96\x87", Biao = "\xE6\xA0\x87", Ti = "\xE9\xA2\x98",
                  Ce = "\xE6\xB5\x8B", Shi = "\xE8\xAF\x95";

HFONT MakeFont(const char* face, int height, int weight = FW_NORMAL) {
    return CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
}

::testing::AssertionResult SamePixels(const Canvas& a, const Canvas& b) {
    if (Count(a, Ink) == 0 && Count(b, Ink) == 0) return ::testing::AssertionFailure() << "nothing was drawn";
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y))
                return ::testing::AssertionFailure()
                       << "first difference at (" << x << ", " << y << ")\n"
                       << a.Map({{Ink, '#'}, {Back, 'o'}, {Paper, '.'}}) << "\n\n"
                       << b.Map({{Ink, '#'}, {Back, 'o'}, {Paper, '.'}});
    return ::testing::AssertionSuccess();
}

std::string Join(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines)
        out += "[" + l + "]";
    return out;
}

// ---- Line breaks and ellipses ------------------------------------------------------------------

struct LayoutCase {
    const char* name;
    const char* face;
    std::string text;
    std::string fit; // the rectangle is as wide as this text...
    int extra;       // ...plus this
    UINT format;
    std::vector<std::string> lines; // as drawn
};

TEST(GdiTextDraw, LineBreaksAndCalculatedRectangles) {
    const char* mono = "Courier New";
    const std::string zh6 = Zhong + Wen + Biao + Ti + Ce + Shi;
    const UINT wb = DT_WORDBREAK;
    const std::vector<LayoutCase> cases = {
        {"words",
         mono,
         "The quick brown fox jumps",
         "The quick brown",
         0,
         wb,
         {"The quick brown", "fox jumps"}},
        {"one pixel less",
         mono,
         "The quick brown fox jumps",
         "The quick brown",
         -1,
         wb,
         {"The quick", "brown fox", "jumps"}},
        {"proportional",
         "Arial",
         "The quick brown fox",
         "The quick brown",
         0,
         wb,
         {"The quick brown", "fox"}},
        {"blanks at a break go", mono, "one   two", "one", 0, wb, {"one", "two"}},
        {"blanks may hang past the edge", mono, "one   two", "one  ", 0, wb, {"one", "two"}},
        {"leading blanks stay", mono, "  ab cd", "  ab", 0, wb, {"  ab", "cd"}},
        {"line breaks", mono, "a\r\nb\nc\rd", "abcdef", 0, 0, {"a", "b", "c", "d"}},
        {"empty lines", mono, "a\n\nb", "abcdef", 0, wb, {"a", "", "b"}},
        {"a break at the end", mono, "a\r\n", "abcdef", 0, 0, {"a"}},
        {"long word stays whole", mono, "abcdefghij kl", "abcd", 0, wb, {"abcdefghij", "kl"}},
        {"edit control breaks it",
         mono,
         "abcdefghij kl",
         "abcd",
         0,
         wb | DT_EDITCONTROL,
         {"abcd", "efgh", "ij", "kl"}},
        {"no break without word break", mono, "The quick brown", "The", 0, 0, {"The quick brown"}},
        {"Chinese", mono, zh6, Zhong + Wen + Biao, 0, wb, {Zhong + Wen + Biao, Ti + Ce + Shi}},
        {"Chinese in a Latin font",
         "MS Sans Serif",
         zh6,
         Zhong + Wen,
         0,
         wb,
         {Zhong + Wen, Biao + Ti, Ce + Shi}},
        {"no full-width break", mono, zh6, Zhong + Wen + Biao, 0, wb | DT_NOFULLWIDTHCHARBREAK, {zh6}},
        {"Latin then Chinese", mono, "AB" + Zhong + Wen, "AB" + Zhong, -1, wb, {"AB" + Zhong, Wen}},
        {"Chinese then a blank", mono, Zhong + Wen + " abc", Zhong + Wen + " a", 0, wb, {Zhong + Wen, "abc"}},
        {"single line keeps line breaks", mono, "a\r\nb", "a", 0, DT_SINGLELINE | wb, {"a\r\nb"}},
        {"end ellipsis",
         mono,
         "Hello wonderful world",
         "Hello won...",
         0,
         DT_SINGLELINE | DT_END_ELLIPSIS,
         {"Hello won..."}},
        {"fits: no ellipsis", mono, "Hello", "Hello", 0, DT_SINGLELINE | DT_END_ELLIPSIS, {"Hello"}},
        {"word ellipsis",
         mono,
         "Hello wonderful world",
         "Hello wond...",
         0,
         DT_SINGLELINE | DT_WORD_ELLIPSIS,
         {"Hello wond..."}},
        {"nothing but the dots", mono, "Hello", "..", 0, DT_SINGLELINE | DT_END_ELLIPSIS, {"..."}},
        {"path ellipsis",
         mono,
         "C:\\Program Files\\KOV\\data.dat",
         "C:\\Pro...\\data.dat",
         0,
         DT_SINGLELINE | DT_PATH_ELLIPSIS,
         {"C:\\Pro...\\data.dat"}},
        {"path without a backslash",
         mono,
         "Program Files",
         "Program...",
         0,
         DT_SINGLELINE | DT_PATH_ELLIPSIS,
         {"Program..."}},
        {"path whose file is too long",
         mono,
         "C:\\averyverylongname.dat",
         "...\\ave...",
         0,
         DT_SINGLELINE | DT_PATH_ELLIPSIS,
         {"...\\ave..."}},
        {"ellipsis per broken line",
         mono,
         "abcdefghij kl",
         "abcdef",
         0,
         wb | DT_END_ELLIPSIS,
         {"abc...", "kl"}},
        {"centred lines",
         mono,
         "The quick brown fox",
         "The quick brown",
         2,
         wb | DT_CENTER,
         {"The quick brown", "fox"}},
        {"right-aligned lines",
         mono,
         "The quick brown fox",
         "The quick brown",
         3,
         wb | DT_RIGHT,
         {"The quick brown", "fox"}},
    };
    for (const LayoutCase& k : cases) {
        SCOPED_TRACE(k.name);
        TextCanvas drawn(220, 90, MakeFont(k.face, -12));
        TextCanvas expected(220, 90, MakeFont(k.face, -12));
        int width = drawn.Width(k.fit) + k.extra;
        int lineHeight = drawn.Metrics().tmHeight;
        RECT rect{5, 3, 5 + width, 88};
        int height = drawn.Draw(k.text, rect, k.format);
        EXPECT_EQ(lineHeight * int(k.lines.size()), height);
        int widest = 0;
        for (std::size_t i = 0; i < k.lines.size(); ++i) {
            int w = expected.Width(k.lines[i]);
            widest = std::max(widest, w);
            int x = (k.format & DT_RIGHT) ? rect.right - w : (k.format & DT_CENTER) ? 5 + (width - w) / 2 : 5;
            expected.Out(x, 3 + lineHeight * int(i), k.lines[i], &rect);
        }
        EXPECT_TRUE(SamePixels(drawn, expected)) << Join(k.lines);

        int calcHeight = 0;
        RECT calc = drawn.Calc(k.text, rect, k.format, &calcHeight);
        EXPECT_EQ(5, calc.left);
        EXPECT_EQ(3, calc.top);
        EXPECT_EQ(5 + widest, calc.right);
        EXPECT_EQ(3 + lineHeight * int(k.lines.size()), calc.bottom);
        EXPECT_EQ(calc.bottom - calc.top, calcHeight);
    }
}

TEST(GdiTextDraw, CalculatedRectangleOfNothing) {
    TextCanvas c(50, 50, MakeFont("Arial", -12));
    int height = -1;
    RECT r = c.Calc("", {4, 6, 40, 40}, DT_WORDBREAK, &height);
    EXPECT_EQ(0, height);
    EXPECT_EQ(4, r.right);
    EXPECT_EQ(6, r.bottom);
    RECT blank{4, 6, 40, 40};
    EXPECT_EQ(c.Metrics().tmHeight, DrawTextA(c.Dc(), " ", -1, &blank, DT_CALCRECT));
    EXPECT_EQ(4 + c.Width(" "), blank.right);
    EXPECT_EQ(0, c.Draw("", {4, 6, 40, 40}, 0));
}

// ---- Prefixes ----------------------------------------------------------------------------------

TEST(GdiTextDraw, Prefixes) {
    RECT rect{4, 4, 120, 30};
    TextCanvas plain(130, 34, MakeFont("Tahoma", -13));
    plain.Draw("File", rect, 0);
    TextCanvas prefixed(130, 34, MakeFont("Tahoma", -13));
    EXPECT_EQ(prefixed.Metrics().tmHeight, prefixed.Draw("&File", rect, 0));
    // The two differ by the underline under "F": one row below the baseline, as wide as F.
    int baseline = 4 + plain.Metrics().tmAscent, f = plain.Width("F");
    int differ = 0, row = -1;
    for (int y = 0; y < 34; ++y)
        for (int x = 0; x < 130; ++x) {
            if (plain.Pixel(x, y) == prefixed.Pixel(x, y)) continue;
            ++differ;
            EXPECT_EQ(Ink, prefixed.Pixel(x, y));
            EXPECT_TRUE(x >= 4 && x < 4 + f) << x;
            if (row < 0) row = y;
            EXPECT_EQ(row, y);
        }
    EXPECT_EQ(f, differ);
    EXPECT_GE(row, baseline);
    EXPECT_LT(row, 4 + plain.Metrics().tmHeight);

    // DT_PREFIXONLY draws the underline alone; DT_HIDEPREFIX leaves it out.
    TextCanvas only(130, 34, MakeFont("Tahoma", -13));
    only.Draw("&File", rect, DT_PREFIXONLY);
    EXPECT_EQ(f, Count(only, Ink));
    for (int x = 4; x < 4 + f; ++x)
        EXPECT_EQ(Ink, only.Pixel(x, row));
    TextCanvas hidden(130, 34, MakeFont("Tahoma", -13));
    hidden.Draw("&File", rect, DT_HIDEPREFIX);
    EXPECT_TRUE(SamePixels(hidden, plain));

    struct Case {
        const char* text;
        UINT format;
        const char* shown; // drawn without prefix processing
    };
    const std::vector<Case> cases = {
        {"&&Save", 0, "&Save"},
        {"Save&", 0, "Save"},
        {"&&", 0, "&"},
        {"&File", DT_NOPREFIX, "&File"},
        {"A && B", DT_HIDEPREFIX, "A & B"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text);
        TextCanvas a(130, 34, MakeFont("Tahoma", -13)), b(130, 34, MakeFont("Tahoma", -13));
        a.Draw(k.text, rect, k.format);
        b.Draw(k.shown, rect, DT_NOPREFIX);
        EXPECT_TRUE(SamePixels(a, b));
        EXPECT_EQ(4 + b.Width(k.shown), a.Calc(k.text, rect, k.format).right);
    }
    EXPECT_EQ(4 + plain.Width("File"), plain.Calc("&File", rect, 0).right);
}

// ---- Tabs --------------------------------------------------------------------------------------

TEST(GdiTextDraw, Tabs) {
    TextCanvas probe(4, 4, MakeFont("Arial", -12));
    int ave = probe.Metrics().tmAveCharWidth, b = probe.Width("b");
    RECT rect{6, 2, 200, 20};
    struct Case {
        const char* name;
        UINT format;
        int tabLength; // DrawTextEx's, 0: DrawText
        int bAt;       // from the line's start
    };
    const std::vector<Case> cases = {
        {"default", DT_EXPANDTABS, 0, 8 * ave},
        {"tab stop in the format", DT_EXPANDTABS | DT_TABSTOP | (4 << 8), 0, 4 * ave},
        {"tab length of the parameters", DT_EXPANDTABS, 2, 2 * ave},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        TextCanvas drawn(210, 24, MakeFont("Arial", -12)), expected(210, 24, MakeFont("Arial", -12));
        RECT r = rect;
        DRAWTEXTPARAMS params;
        params.iTabLength = k.tabLength;
        EXPECT_EQ(drawn.Metrics().tmHeight, DrawTextExA(drawn.Dc(), "a\tb", 3, &r, k.format, &params));
        EXPECT_EQ(3u, params.uiLengthDrawn);
        expected.Out(6, 2, "a", nullptr);
        expected.Out(6 + k.bAt, 2, "b", nullptr);
        EXPECT_TRUE(SamePixels(drawn, expected));
        // With DT_TABSTOP the tab length takes the place of DT_CALCRECT among others.
        if (k.format & DT_TABSTOP) continue;
        r = rect;
        DrawTextExA(drawn.Dc(), "a\tb", 3, &r, k.format | DT_CALCRECT, &params);
        EXPECT_EQ(6 + k.bAt + b, r.right);
    }
    // Tabs count from the start of each line, also when lines are centred.
    TextCanvas centred(210, 40, MakeFont("Arial", -12)), pieces(210, 40, MakeFont("Arial", -12));
    RECT wide{6, 2, 200, 40};
    centred.Draw("a\tb\nab", wide, DT_EXPANDTABS | DT_CENTER);
    int w1 = 8 * ave + b, x1 = 6 + (194 - w1) / 2, x2 = 6 + (194 - pieces.Width("ab")) / 2;
    pieces.Out(x1, 2, "a", nullptr);
    pieces.Out(x1 + 8 * ave, 2, "b", nullptr);
    pieces.Out(x2, 2 + pieces.Metrics().tmHeight, "ab", nullptr);
    EXPECT_TRUE(SamePixels(centred, pieces));
    // Without DT_EXPANDTABS a tab is a character of the font.
    TextCanvas raw(210, 24, MakeFont("Arial", -12)), glyph(210, 24, MakeFont("Arial", -12));
    raw.Draw("a\tb", rect, 0);
    glyph.Out(6, 2, "a\tb", nullptr);
    EXPECT_TRUE(SamePixels(raw, glyph));
}

// ---- Placement and the other flags -------------------------------------------------------------

TEST(GdiTextDraw, VerticalPlacementAndReturnValues) {
    TextCanvas probe(4, 4, MakeFont("Arial", -12));
    int h = probe.Metrics().tmHeight;
    RECT rect{3, 10, 100, 51}; // 41 high
    struct Case {
        const char* name;
        const char* text;
        UINT format;
        int top;    // of the first line
        int result; // what DrawText answers
    };
    const std::vector<Case> cases = {
        {"top", "Mid", DT_SINGLELINE, 10, h},
        {"centred", "Mid", DT_SINGLELINE | DT_VCENTER, 10 + (41 - h) / 2, (41 - h) / 2 + h},
        {"bottom", "Mid", DT_SINGLELINE | DT_BOTTOM, 51 - h, 41},
        {"not for several lines", "Mid\nLow", DT_VCENTER, 10, 2 * h},
        {"nor bottom", "Mid\nLow", DT_BOTTOM, 10, 2 * h},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        TextCanvas drawn(110, 60, MakeFont("Arial", -12)), expected(110, 60, MakeFont("Arial", -12));
        EXPECT_EQ(k.result, drawn.Draw(k.text, rect, k.format));
        std::string text = k.text;
        std::size_t nl = text.find('\n');
        expected.Out(3, k.top, text.substr(0, nl), &rect);
        if (nl != std::string::npos) expected.Out(3, k.top + h, text.substr(nl + 1), &rect);
        EXPECT_TRUE(SamePixels(drawn, expected));
    }
}

TEST(GdiTextDraw, LeadingInternalFontAndMargins) {
    TextCanvas c(200, 80, MakeFont("Times New Roman", -40));
    TEXTMETRICA tm = c.Metrics();
    ASSERT_GT(tm.tmExternalLeading, 0);
    EXPECT_EQ(2 * tm.tmHeight, c.Calc("a\nb", {0, 0, 200, 80}, 0).bottom);
    EXPECT_EQ(2 * (tm.tmHeight + tm.tmExternalLeading),
              c.Calc("a\nb", {0, 0, 200, 80}, DT_EXTERNALLEADING).bottom);

    // DT_INTERNAL measures and draws with the system font.
    HGDIOBJ system = GetStockObject(SYSTEM_FONT);
    HGDIOBJ old = SelectObject(c.Dc(), system);
    TEXTMETRICA sys;
    GetTextMetricsA(c.Dc(), &sys);
    int systemWidth = c.Width("Menu");
    SelectObject(c.Dc(), old);
    RECT internal = c.Calc("Menu", {0, 0, 200, 80}, DT_INTERNAL);
    EXPECT_EQ(sys.tmHeight, internal.bottom);
    EXPECT_EQ(systemWidth, internal.right);

    // Margins of DrawTextEx: the text starts after the left one; the rectangle holds both.
    TextCanvas m(200, 30, MakeFont("Arial", -12)), plain(200, 30, MakeFont("Arial", -12));
    DRAWTEXTPARAMS params;
    params.iLeftMargin = 10;
    params.iRightMargin = 5;
    RECT r{4, 2, 150, 30};
    DrawTextExA(m.Dc(), "Margins", -1, &r, DT_SINGLELINE, &params);
    EXPECT_EQ(7u, params.uiLengthDrawn);
    plain.Out(14, 2, "Margins", nullptr);
    EXPECT_TRUE(SamePixels(m, plain));
    DrawTextExA(m.Dc(), "Margins", -1, &r, DT_SINGLELINE | DT_CALCRECT, &params);
    EXPECT_EQ(4 + 10 + m.Width("Margins") + 5, r.right);
    RECT right{4, 2, 150, 30};
    TextCanvas rm(200, 30, MakeFont("Arial", -12)), rplain(200, 30, MakeFont("Arial", -12));
    DrawTextExA(rm.Dc(), "Margins", -1, &right, DT_SINGLELINE | DT_RIGHT, &params);
    rplain.Out(145 - rplain.Width("Margins"), 2, "Margins", nullptr);
    EXPECT_TRUE(SamePixels(rm, rplain));
}

TEST(GdiTextDraw, ClippingPartialLinesAndBackground) {
    // Without DT_NOCLIP the text stays inside the rectangle.
    RECT small{5, 5, 30, 40};
    TextCanvas clipped(120, 50, MakeFont("Arial", -12)), free(120, 50, MakeFont("Arial", -12));
    clipped.Draw("Overflowing caption", small, DT_SINGLELINE);
    free.Draw("Overflowing caption", small, DT_SINGLELINE | DT_NOCLIP);
    TextCanvas whole(120, 50, MakeFont("Arial", -12));
    whole.Out(5, 5, "Overflowing caption", nullptr);
    EXPECT_TRUE(SamePixels(free, whole));
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 120; ++x) {
            bool in = x >= 5 && x < 30 && y >= 5 && y < 40;
            ASSERT_EQ(in ? whole.Pixel(x, y) : Paper, clipped.Pixel(x, y)) << x << ", " << y;
        }

    // DT_EDITCONTROL leaves out a last line that would show only in part.
    TextCanvas probe(4, 4, MakeFont("Arial", -12));
    int h = probe.Metrics().tmHeight;
    RECT twoAndAHalf{5, 5, 100, 5 + 2 * h + h / 2};
    TextCanvas edit(120, 60, MakeFont("Arial", -12)), partial(120, 60, MakeFont("Arial", -12));
    TextCanvas two(120, 60, MakeFont("Arial", -12)), three(120, 60, MakeFont("Arial", -12));
    edit.Draw("one\ntwo\nthree", twoAndAHalf, DT_EDITCONTROL);
    partial.Draw("one\ntwo\nthree", twoAndAHalf, 0);
    two.Out(5, 5, "one", &twoAndAHalf);
    two.Out(5, 5 + h, "two", &twoAndAHalf);
    three.Out(5, 5, "one", &twoAndAHalf);
    three.Out(5, 5 + h, "two", &twoAndAHalf);
    three.Out(5, 5 + 2 * h, "three", &twoAndAHalf);
    EXPECT_TRUE(SamePixels(edit, two));
    EXPECT_TRUE(SamePixels(partial, three));

    // In OPAQUE mode the lines' cells are filled, not the rectangle.
    TextCanvas opaque(120, 60, MakeFont("Arial", -12), OPAQUE);
    opaque.Draw("ab\nabcd", {5, 5, 100, 55}, 0);
    EXPECT_EQ((opaque.Width("ab") + opaque.Width("abcd")) * h, Count(opaque, Back) + Count(opaque, Ink));
}

TEST(GdiTextDraw, ModifyString) {
    TextCanvas c(10, 10, MakeFont("Courier New", -12));
    struct Case {
        const char* text;
        const char* fit;
        UINT format;
        const char* result;
    };
    const std::vector<Case> cases = {
        {"Hello wonderful world", "Hello won...", DT_END_ELLIPSIS, "Hello won..."},
        {"C:\\Program Files\\KOV\\data.dat", "C:\\Pro...\\data.dat", DT_PATH_ELLIPSIS,
         "C:\\Pro...\\data.dat"},
        {"&Hello wonderful", "Hello...", DT_END_ELLIPSIS, "&Hello..."},
        {"Hello", "Hello", DT_END_ELLIPSIS, "Hello"},
        {"Hello", "He...", 0, "Hello"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text);
        char buffer[64] = {};
        std::strcpy(buffer, k.text);
        RECT r{0, 0, c.Width(k.fit), 20};
        EXPECT_GT(DrawTextA(c.Dc(), buffer, -1, &r, DT_SINGLELINE | DT_MODIFYSTRING | k.format), 0);
        EXPECT_STREQ(k.result, buffer);
        char16_t wide[64] = {};
        for (std::size_t i = 0; k.text[i]; ++i)
            wide[i] = char16_t(k.text[i]);
        r = {0, 0, c.Width(k.fit), 20};
        DrawTextW(c.Dc(), wide, -1, &r, DT_SINGLELINE | DT_MODIFYSTRING | k.format);
        std::u16string expected;
        for (const char* p = k.result; *p; ++p)
            expected += char16_t(*p);
        EXPECT_EQ(expected, std::u16string(wide));
    }
    // A Chinese path keeps its characters whole.
    std::string path = "D:\\" + Zhong + Wen + Biao + Ti + "\\a.txt";
    char buffer[64] = {};
    std::strcpy(buffer, path.c_str());
    RECT r{0, 0, c.Width("D:\\" + Zhong + "...\\a.txt"), 20};
    DrawTextA(c.Dc(), buffer, -1, &r, DT_SINGLELINE | DT_MODIFYSTRING | DT_PATH_ELLIPSIS);
    EXPECT_EQ("D:\\" + Zhong + "...\\a.txt", std::string(buffer));
}

TEST(GdiTextDraw, WideCallsAndArguments) {
    TextCanvas a(200, 40, MakeFont("Tahoma", -12)), w(200, 40, MakeFont("Tahoma", -12));
    RECT r{2, 2, 90, 40};
    std::string text = "Freq " + Zhong + Wen + Biao + Ti + " &OK";
    int narrow = a.Draw(text, r, DT_WORDBREAK);
    EXPECT_GT(narrow, a.Metrics().tmHeight);
    EXPECT_EQ(narrow, DrawTextW(w.Dc(), u"Freq \u4E2D\u6587\u6807\u9898 &OK", -1, &r, DT_WORDBREAK));
    EXPECT_TRUE(SamePixels(a, w));
    // Right-to-left reading changes nothing for these fonts.
    TextCanvas rtl(200, 40, MakeFont("Tahoma", -12));
    rtl.Draw(text, r, DT_WORDBREAK | DT_RTLREADING);
    EXPECT_TRUE(SamePixels(a, rtl));

    EXPECT_EQ(0, DrawTextA(a.Dc(), "x", 1, nullptr, 0));
    EXPECT_EQ(0, DrawTextA(nullptr, "x", 1, &r, 0));
    EXPECT_EQ(0, DrawTextA(a.Dc(), static_cast<LPCSTR>(nullptr), 3, &r, 0));
}

// ---- A sheet to look at ------------------------------------------------------------------------

void DrawSheet(Canvas& c) {
    HDC dc = c.Dc();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, Ink);
    int y = 4;
    struct Face {
        const char* face;
        int points;
        int weight;
        bool italic, underline, strike;
    };
    const std::vector<Face> faces = {
        {"MS Sans Serif", 8, FW_NORMAL, false, false, false},
        {"Tahoma", 8, FW_NORMAL, false, false, false},
        {"Tahoma", 9, FW_BOLD, false, false, false},
        {"Arial", 10, FW_NORMAL, true, false, false},
        {"Arial", 10, FW_NORMAL, false, true, true},
        {"Times New Roman", 12, FW_NORMAL, false, false, false},
        {"Courier New", 10, FW_NORMAL, false, false, false},
        {"\xE5\xAE\x8B\xE4\xBD\x93", 9, FW_NORMAL, false, false, false},
    };
    for (const Face& f : faces) {
        HFONT font = CreateFontA(-MulDiv(f.points, 96, 72), 0, 0, 0, f.weight, f.italic, f.underline,
                                 f.strike, DEFAULT_CHARSET, 0, 0, 0, 0, f.face);
        HGDIOBJ old = SelectObject(dc, font);
        std::string line = std::string(f.face) + " " + std::to_string(f.points) +
                           ": KOV-571 Channel 16, 400.12500 MHz " + Zhong + Wen + Biao + Ti;
        TextOutA(dc, 4, y, line.c_str(), int(line.size()));
        TEXTMETRICA tm;
        GetTextMetricsA(dc, &tm);
        y += tm.tmHeight + 2;
        SelectObject(dc, old);
        DeleteObject(font);
    }
    HFONT font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    HGDIOBJ old = SelectObject(dc, font);
    HBRUSH frame = CreateSolidBrush(RGB(160, 160, 255));
    auto box = [&](RECT r, const std::string& text, UINT format) {
        FrameRect(dc, &r, frame);
        InflateRect(&r, -1, -1);
        DrawTextA(dc, text.c_str(), int(text.size()), &r, format);
    };
    y += 4;
    box({4, y, 124, y + 56}, "The quick brown fox jumps over the lazy dog. Frequency step 12.5 kHz.",
        DT_WORDBREAK);
    box({128, y, 208, y + 56}, Zhong + Wen + Biao + Ti + Ce + Shi + Zhong + Wen + Biao + Ti + " Caption",
        DT_WORDBREAK);
    box({212, y, 332, y + 16}, "Ends with an ellipsis when too long", DT_SINGLELINE | DT_END_ELLIPSIS);
    box({212, y + 20, 332, y + 36}, "C:\\Program Files\\KOV-571\\channels.dat",
        DT_SINGLELINE | DT_PATH_ELLIPSIS);
    box({212, y + 40, 332, y + 56}, "&File  &Edit  &View  E&xit", DT_SINGLELINE | DT_VCENTER);
    box({336, y, 456, y + 36}, "Tone\tCTCSS\t88.5\nPower\tHigh\t5 W", DT_EXPANDTABS);
    box({336, y + 40, 456, y + 56}, "Centred", DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteObject(frame);

    // Turned text.
    HFONT up = CreateFontA(-12, 0, 900, 900, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    HFONT down = CreateFontA(-12, 0, 2700, 2700, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
    old = SelectObject(dc, up);
    TextOutA(dc, 470, 150, "Upwards 900", 11);
    SelectObject(dc, down);
    TextOutA(dc, 500, 20, "Downwards 2700", 14);
    SelectObject(dc, old);
    DeleteObject(up);
    DeleteObject(down);
}

TEST(GdiTextDraw, SheetRepeatsAndIsSaved) {
    Canvas a(520, 230), b(520, 230);
    DrawSheet(a);
    DrawSheet(b);
    for (int y = 0; y < 230; ++y)
        for (int x = 0; x < 520; ++x)
            ASSERT_EQ(a.Pixel(x, y), b.Pixel(x, y)) << x << ", " << y;
    EXPECT_GT(Count(a, Ink), 2000);
    gditest::SaveSheet("GdiTextDraw_Sheet", {&a}, 2);
}

} // namespace
