// Text output and measuring: the reference point and the text alignment, the current
// position, the background, ExtTextOut's rectangle and advances, the character extra and the
// justification, underline and strike-out, turned text, the Chinese fallback, extents with
// fit counts and tabs. Pictures are compared with the same text drawn piece by piece.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

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

const char* const Zhong = "\xE4\xB8\xAD";                // 中
const char* const ZhongWen = "\xE4\xB8\xAD\xE6\x96\x87"; // 中文

HFONT MakeFont(const char* face, int height, int escapement = 0, int weight = FW_NORMAL,
               bool underline = false, bool strikeOut = false) {
    return CreateFontA(height, 0, escapement, escapement, weight, 0, underline, strikeOut, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
}

// The smallest rectangle holding the pixels of a colour; all zero when there are none.
RECT Box(const Canvas& c, COLORREF color) {
    RECT r{c.Width(), c.Height(), 0, 0};
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x)
            if (c.Pixel(x, y) == color) {
                r.left = std::min<LONG>(r.left, x);
                r.top = std::min<LONG>(r.top, y);
                r.right = std::max<LONG>(r.right, x + 1);
                r.bottom = std::max<LONG>(r.bottom, y + 1);
            }
    return r.right ? r : RECT{};
}

::testing::AssertionResult SamePixels(const Canvas& a, const Canvas& b) {
    if (Count(a, Ink) == 0) return ::testing::AssertionFailure() << "nothing was drawn";
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y))
                return ::testing::AssertionFailure()
                       << "first difference at (" << x << ", " << y << ")\n"
                       << a.Map({{Ink, '#'}, {Back, 'o'}, {Paper, '.'}}) << "\n\n"
                       << b.Map({{Ink, '#'}, {Back, 'o'}, {Paper, '.'}});
    return ::testing::AssertionSuccess();
}

TEST(GdiText, AlignmentPlacesTheReferencePoint) {
    const char* text = "Hg|";
    struct Case {
        UINT align;
        int dx, dy; // where TA_LEFT | TA_TOP puts the text, from the reference point
    };
    TextCanvas probe(4, 4, MakeFont("Arial", -15));
    int w = probe.Width(text);
    TEXTMETRICA tm = probe.Metrics();
    const std::vector<Case> cases = {
        {TA_LEFT | TA_TOP, 0, 0},
        {TA_RIGHT | TA_TOP, -w, 0},
        {TA_CENTER | TA_TOP, -(w / 2), 0},
        {TA_LEFT | TA_BASELINE, 0, -tm.tmAscent},
        {TA_CENTER | TA_BASELINE, -(w / 2), -tm.tmAscent},
        {TA_RIGHT | TA_BOTTOM, -w, -tm.tmHeight},
        {TA_LEFT | TA_BOTTOM, 0, -tm.tmHeight},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.align);
        TextCanvas aligned(60, 50, MakeFont("Arial", -15), OPAQUE);
        EXPECT_EQ(TA_LEFT | TA_TOP, SetTextAlign(aligned.Dc(), k.align));
        aligned.Text(30, 25, text);
        TextCanvas plain(60, 50, MakeFont("Arial", -15), OPAQUE);
        plain.Text(30 + k.dx, 25 + k.dy, text);
        EXPECT_TRUE(SamePixels(aligned, plain));
    }
}

TEST(GdiText, CurrentPositionMovesWithTheText) {
    TextCanvas joined(80, 20, MakeFont("Tahoma", -12));
    joined.Text(3, 2, "Channel 16");
    TextCanvas steps(80, 20, MakeFont("Tahoma", -12));
    SetTextAlign(steps.Dc(), TA_UPDATECP);
    MoveToEx(steps.Dc(), 3, 2, nullptr);
    steps.Text(50, 50, "Chan"); // the point given does not count
    steps.Text(0, 0, "nel 16");
    EXPECT_TRUE(SamePixels(joined, steps));
    POINT p;
    GetCurrentPositionEx(steps.Dc(), &p);
    EXPECT_EQ(3 + joined.Width("Channel 16"), p.x);
    EXPECT_EQ(2, p.y);

    // Right-aligned text ends at the position and moves it back over the text.
    SetTextAlign(steps.Dc(), TA_UPDATECP | TA_RIGHT);
    steps.Text(0, 0, "ab");
    GetCurrentPositionEx(steps.Dc(), &p);
    EXPECT_EQ(3 + joined.Width("Channel 16") - joined.Width("ab"), p.x);
    SetTextAlign(steps.Dc(), TA_UPDATECP | TA_CENTER);
    steps.Text(0, 0, "ab");
    GetCurrentPositionEx(steps.Dc(), &p);
    EXPECT_EQ(3 + joined.Width("Channel 16") - joined.Width("ab"), p.x) << "centred text leaves it";
}

TEST(GdiText, OpaqueBackgroundFillsTheCells) {
    TextCanvas c(80, 30, MakeFont("Arial", -13), OPAQUE);
    c.Text(5, 7, "Hi there");
    RECT cell = Box(c, Back);
    TEXTMETRICA tm = c.Metrics();
    EXPECT_EQ(5, cell.left);
    EXPECT_EQ(7, cell.top);
    EXPECT_EQ(5 + c.Width("Hi there"), cell.right);
    EXPECT_EQ(7 + tm.tmHeight, cell.bottom);
    EXPECT_EQ((cell.right - cell.left) * (cell.bottom - cell.top), Count(c, Back) + Count(c, Ink));

    TextCanvas clear(80, 30, MakeFont("Arial", -13), TRANSPARENT);
    clear.Text(5, 7, "Hi there");
    EXPECT_EQ(0, Count(clear, Back));
    EXPECT_EQ(Count(c, Ink), Count(clear, Ink));
}

TEST(GdiText, ExtTextOutRectangle) {
    TextCanvas c(60, 30, MakeFont("Arial", -13));
    RECT r{10, 5, 40, 25};
    // An empty text with ETO_OPAQUE fills the rectangle, whatever the background mode.
    EXPECT_TRUE(ExtTextOutA(c.Dc(), 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr));
    EXPECT_EQ(30 * 20, Count(c, Back));
    EXPECT_EQ(r.left, Box(c, Back).left);
    EXPECT_EQ(r.bottom, Box(c, Back).bottom);

    // ETO_CLIPPED: the text drawn is the part inside the rectangle.
    TextCanvas full(60, 30, MakeFont("Arial", -13));
    full.Text(2, 8, "Wide text");
    TextCanvas clipped(60, 30, MakeFont("Arial", -13));
    ASSERT_TRUE(ExtTextOutA(clipped.Dc(), 2, 8, ETO_CLIPPED, &r, "Wide text", 9, nullptr));
    int inside = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x) {
            bool in = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            ASSERT_EQ(in ? full.Pixel(x, y) : Paper, clipped.Pixel(x, y)) << x << ", " << y;
            inside += in && full.Pixel(x, y) == Ink;
        }
    EXPECT_GT(inside, 0);
    EXPECT_LT(inside, Count(full, Ink));

    // Both: the rectangle filled, the text clipped to it; the cells outside stay untouched.
    TextCanvas both(60, 30, MakeFont("Arial", -13), OPAQUE);
    ASSERT_TRUE(ExtTextOutA(both.Dc(), 2, 8, ETO_OPAQUE | ETO_CLIPPED, &r, "Wide text", 9, nullptr));
    EXPECT_EQ(30 * 20, Count(both, Back) + Count(both, Ink));
    EXPECT_EQ(inside, Count(both, Ink));
}

TEST(GdiText, ExtTextOutAdvances) {
    // Every character goes where the advances put it.
    TextCanvas spaced(120, 20, MakeFont("Times New Roman", -13));
    const INT dx[3] = {30, 25, 40};
    ASSERT_TRUE(ExtTextOutA(spaced.Dc(), 4, 2, 0, nullptr, "AWi", 3, dx));
    TextCanvas pieces(120, 20, MakeFont("Times New Roman", -13));
    pieces.Text(4, 2, "A");
    pieces.Text(34, 2, "W");
    pieces.Text(59, 2, "i");
    EXPECT_TRUE(SamePixels(spaced, pieces));

    // In the narrow call the bytes of one character add up.
    TextCanvas narrow(120, 20, MakeFont("MS Sans Serif", -12));
    const char* text = "\xE4\xB8\xAD"
                       "A";
    const INT perByte[4] = {10, 5, 5, 30};
    ASSERT_TRUE(ExtTextOutA(narrow.Dc(), 4, 2, 0, nullptr, text, 4, perByte));
    TextCanvas apart(120, 20, MakeFont("MS Sans Serif", -12));
    apart.Text(4, 2, Zhong);
    apart.Text(24, 2, "A");
    EXPECT_TRUE(SamePixels(narrow, apart));

    // The wide call counts code units.
    TextCanvas wide(120, 20, MakeFont("MS Sans Serif", -12));
    const INT perUnit[2] = {20, 30};
    ASSERT_TRUE(ExtTextOutW(wide.Dc(), 4, 2, 0, nullptr, u"\u4E2DA", 2, perUnit));
    EXPECT_TRUE(SamePixels(wide, apart));
}

TEST(GdiText, CharacterExtraAndJustification) {
    TextCanvas c(150, 20, MakeFont("Arial", -13));
    HDC dc = c.Dc();
    int plain = c.Width("a b c");
    EXPECT_EQ(0, SetTextCharacterExtra(dc, 2));
    EXPECT_EQ(2, GetTextCharacterExtra(dc));
    EXPECT_EQ(plain + 10, c.Width("a b c"));
    EXPECT_EQ(2, SetTextCharacterExtra(dc, 0));
    EXPECT_EQ(GDI_CHARACTER_EXTRA_ERROR, SetTextCharacterExtra(nullptr, 1));

    // Five pixels over two breaks: 3 to the first blank, 2 to the second.
    ASSERT_TRUE(SetTextJustification(dc, 5, 2));
    EXPECT_EQ(plain + 5, c.Width("a b c"));
    c.Text(2, 2, "a b c");
    ASSERT_TRUE(SetTextJustification(dc, 0, 0));
    EXPECT_EQ(plain, c.Width("a b c"));
    TextCanvas pieces(150, 20, MakeFont("Arial", -13));
    int ab = pieces.Width("a ");
    pieces.Text(2, 2, "a");
    pieces.Text(2 + ab + 3, 2, "b");
    pieces.Text(2 + pieces.Width("a b ") + 5, 2, "c");
    EXPECT_TRUE(SamePixels(c, pieces));

    // Taking space away works the same way.
    ASSERT_TRUE(SetTextJustification(dc, -3, 2));
    EXPECT_EQ(plain - 3, c.Width("a b c"));
    // Explicit advances replace both.
    TextCanvas a(150, 20, MakeFont("Arial", -13)), b(150, 20, MakeFont("Arial", -13));
    const INT dx[3] = {9, 9, 9};
    SetTextCharacterExtra(a.Dc(), 4);
    SetTextJustification(a.Dc(), 8, 1);
    ExtTextOutA(a.Dc(), 2, 2, 0, nullptr, "a c", 3, dx);
    ExtTextOutA(b.Dc(), 2, 2, 0, nullptr, "a c", 3, dx);
    EXPECT_TRUE(SamePixels(a, b));
}

TEST(GdiText, UnderlineAndStrikeOut) {
    // Full rows of ink across the text: none for plain text with gaps, one below the
    // baseline for underline, one above it for strike-out.
    auto fullRows = [](const Canvas& c, int left, int right) {
        std::vector<int> rows;
        for (int y = 0; y < c.Height(); ++y) {
            bool full = true;
            for (int x = left; x < right && full; ++x)
                full = c.Pixel(x, y) == Ink;
            if (full) rows.push_back(y);
        }
        return rows;
    };
    struct Case {
        bool underline, strikeOut;
    };
    for (Case k : std::vector<Case>{{false, false}, {true, false}, {false, true}, {true, true}}) {
        SCOPED_TRACE(std::to_string(k.underline) + std::to_string(k.strikeOut));
        TextCanvas c(80, 30, MakeFont("Arial", -16, 0, FW_NORMAL, k.underline, k.strikeOut));
        c.Text(4, 5, "i i");
        TEXTMETRICA tm = c.Metrics();
        int baseline = 5 + tm.tmAscent;
        std::vector<int> rows = fullRows(c, 4, 4 + c.Width("i i"));
        EXPECT_EQ(size_t(k.underline) + size_t(k.strikeOut), rows.size());
        for (int y : rows) {
            if (y >= baseline)
                EXPECT_TRUE(k.underline && y < 5 + tm.tmHeight) << y;
            else
                EXPECT_TRUE(k.strikeOut && y > 5 + tm.tmInternalLeading) << y;
        }
    }
}

// Text turned by a quarter turn is the upright text turned, pixel for pixel, about the
// reference point: (a, b) from the reference goes to (b, -a - 1) at 900, to (-a - 1, -b - 1)
// at 1800 and to (-b - 1, a) at 2700.
TEST(GdiText, QuarterTurns) {
    const int size = 120, mid = 60;
    auto draw = [&](int escapement) {
        auto c = std::make_unique<TextCanvas>(
            size, size, MakeFont("Times New Roman", -14, escapement, FW_BOLD, true), OPAQUE);
        c->Text(mid, mid, "Ag 12");
        return c;
    };
    std::unique_ptr<TextCanvas> upright = draw(0);
    ASSERT_GT(Count(*upright, Ink), 20);
    struct Case {
        int escapement;
        int ax, ay, bx, by, cx, cy; // turned (x, y) = (ax*a + ay*b + cx, bx*a + by*b + cy)
    };
    const std::vector<Case> cases = {
        {900, 0, 1, -1, 0, 0, -1},        {1800, -1, 0, 0, -1, -1, -1}, {2700, 0, -1, 1, 0, -1, 0},
        {900 + 3600, 0, 1, -1, 0, 0, -1}, {-900, 0, -1, 1, 0, -1, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.escapement);
        std::unique_ptr<TextCanvas> turned = draw(k.escapement);
        int ink = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                int a = x - mid, b = y - mid;
                int tx = k.ax * a + k.ay * b + k.cx + mid, ty = k.bx * a + k.by * b + k.cy + mid;
                if (tx < 0 || ty < 0 || tx >= size || ty >= size) continue;
                ASSERT_EQ(upright->Pixel(x, y), turned->Pixel(tx, ty)) << x << ", " << y;
                ink += upright->Pixel(x, y) == Ink;
            }
        EXPECT_EQ(Count(*upright, Ink), ink);
        EXPECT_EQ(Count(*upright, Ink), Count(*turned, Ink));
        EXPECT_EQ(Count(*upright, Back), Count(*turned, Back));
    }
    // Other angles draw too, about the same amount of ink.
    std::unique_ptr<TextCanvas> slanted = draw(450);
    EXPECT_NEAR(Count(*upright, Ink), Count(*slanted, Ink), Count(*upright, Ink) / 4);
}

TEST(GdiText, ChineseThroughTheFallbackFace) {
    // On one baseline, the Chinese characters of a Latin font are those of the Chinese face.
    TextCanvas latin(60, 30, MakeFont("MS Sans Serif", -16));
    SetTextAlign(latin.Dc(), TA_BASELINE);
    latin.Text(3, 22, ZhongWen);
    TextCanvas chinese(60, 30, MakeFont("SimSun", -16));
    SetTextAlign(chinese.Dc(), TA_BASELINE);
    chinese.Text(3, 22, ZhongWen);
    EXPECT_TRUE(SamePixels(latin, chinese));
    EXPECT_GT(Count(latin, Ink), 40);
    // The cell stays the Latin font's.
    TextCanvas cell(60, 30, MakeFont("MS Sans Serif", -16), OPAQUE);
    cell.Text(3, 3, ZhongWen);
    EXPECT_EQ(3 + cell.Metrics().tmHeight, Box(cell, Back).bottom);
}

TEST(GdiText, SameTextSamePixels) {
    TextCanvas a(200, 40, MakeFont("Tahoma", -11), OPAQUE), b(200, 40, MakeFont("Tahoma", -11), OPAQUE);
    const char* text = "KOV-571 \xE9\xA2\x91\xE7\x8E\x87 400.12500 MHz";
    a.Text(2, 2, text);
    a.Text(2, 20, text);
    b.Text(2, 2, text);
    b.Text(2, 20, text);
    EXPECT_TRUE(SamePixels(a, b));
    // The two lines themselves are alike.
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(a.Pixel(x, y + 2), a.Pixel(x, y + 20));
}

TEST(GdiText, OriginsClippingAndMonochrome) {
    TextCanvas moved(80, 30, MakeFont("Arial", -13));
    SetViewportOrgEx(moved.Dc(), 10, 6, nullptr);
    SetWindowOrgEx(moved.Dc(), 3, 1, nullptr);
    moved.Text(3, 1, "Origin");
    TextCanvas plain(80, 30, MakeFont("Arial", -13));
    plain.Text(10, 6, "Origin");
    EXPECT_TRUE(SamePixels(moved, plain));

    TextCanvas clipped(80, 30, MakeFont("Arial", -13), OPAQUE);
    IntersectClipRect(clipped.Dc(), 12, 0, 30, 30);
    clipped.Text(10, 6, "Origin");
    RECT box = Box(clipped, Back);
    EXPECT_EQ(12, box.left);
    EXPECT_EQ(30, box.right);
    EXPECT_GE(Box(clipped, Ink).left, 12);
    EXPECT_LE(Box(clipped, Ink).right, 30);

    // A monochrome bitmap takes the nearer of black and white.
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP mono = CreateBitmap(40, 16, 1, 1, nullptr);
    HGDIOBJ oldBitmap = SelectObject(dc, mono);
    PatBlt(dc, 0, 0, 40, 16, WHITENESS);
    HFONT font = MakeFont("Arial", -13);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetTextColor(dc, RGB(200, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    ASSERT_TRUE(TextOutA(dc, 1, 1, "Mono", 4));
    int black = 0, other = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 40; ++x) {
            COLORREF p = GetPixel(dc, x, y);
            black += p == RGB(0, 0, 0);
            other += p != RGB(0, 0, 0) && p != RGB(255, 255, 255);
        }
    EXPECT_GT(black, 10);
    EXPECT_EQ(0, other);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(font);
    DeleteObject(mono);
    DeleteDC(dc);
}

// Glyphs cut by the clip: through a rectangle, the pixels inside are those of the text drawn
// without a clip and nothing outside changes; through two rectangles with a gap, the pixels are
// those of the text drawn through each rectangle in turn.
TEST(GdiText, GlyphsCutByRectangularAndComplexClips) {
    const char* text = "Cut 45.0125";
    TextCanvas whole(90, 24, MakeFont("Arial", -15)), cut(90, 24, MakeFont("Arial", -15));
    whole.Text(2, 3, text);
    IntersectClipRect(cut.Dc(), 9, 6, 51, 15); // through glyphs, across and along
    cut.Text(2, 3, text);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 90; ++x) {
            const bool inside = x >= 9 && x < 51 && y >= 6 && y < 15;
            ASSERT_EQ(inside ? whole.Pixel(x, y) : Paper, cut.Pixel(x, y)) << x << ", " << y;
        }
    EXPECT_GT(Count(cut, Ink), 0);

    TextCanvas gap(90, 24, MakeFont("Arial", -15), OPAQUE), turns(90, 24, MakeFont("Arial", -15), OPAQUE);
    ExcludeClipRect(gap.Dc(), 20, 0, 33, 24);
    gap.Text(2, 3, text);
    IntersectClipRect(turns.Dc(), 0, 0, 20, 24);
    turns.Text(2, 3, text);
    SelectClipRgn(turns.Dc(), nullptr);
    IntersectClipRect(turns.Dc(), 33, 0, 90, 24);
    turns.Text(2, 3, text);
    EXPECT_TRUE(SamePixels(gap, turns));
}

TEST(GdiText, BadArguments) {
    TextCanvas c(10, 10, MakeFont("Arial", -13));
    SIZE s;
    EXPECT_FALSE(TextOutA(nullptr, 0, 0, "a", 1));
    EXPECT_FALSE(TextOutA(c.Dc(), 0, 0, "a", -1));
    EXPECT_FALSE(TextOutA(c.Dc(), 0, 0, nullptr, 3));
    EXPECT_TRUE(TextOutA(c.Dc(), 0, 0, nullptr, 0));
    EXPECT_FALSE(GetTextExtentPoint32A(c.Dc(), "a", 1, nullptr));
    EXPECT_FALSE(GetTextExtentPoint32A(nullptr, "a", 1, &s));
    EXPECT_FALSE(GetTextMetricsA(nullptr, nullptr));
    ASSERT_TRUE(GetTextExtentPoint32A(c.Dc(), "", 0, &s));
    EXPECT_EQ(0, s.cx);
    EXPECT_EQ(c.Metrics().tmHeight, s.cy);
    // Far-off reference points are refused, not wrapped around.
    EXPECT_FALSE(TextOutA(c.Dc(), 0x7FFFFFF0, 0, "abc", 3));
}

// ---- Extents -----------------------------------------------------------------------------------

TEST(GdiText, ExtentsWithFitCounts) {
    TextCanvas c(10, 10, MakeFont("Arial", -13));
    HDC dc = c.Dc();
    INT w[5];
    ASSERT_TRUE(GetCharWidth32A(dc, 'H', 'H', &w[0]));
    GetCharWidth32A(dc, 'e', 'e', &w[1]);
    GetCharWidth32A(dc, 'l', 'l', &w[2]);
    w[3] = w[2];
    GetCharWidth32A(dc, 'o', 'o', &w[4]);
    std::vector<int> cum;
    int sum = 0;
    for (int x : w)
        cum.push_back(sum += x);
    struct Case {
        int maxExtent;
        int fit;
    };
    const std::vector<Case> cases = {
        {cum[2], 3}, {cum[2] - 1, 2}, {cum[0], 1}, {0, 0}, {-5, 0}, {cum[4], 5}, {100000, 5},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.maxExtent);
        INT fit = -1, partial[5] = {};
        SIZE s{};
        ASSERT_TRUE(GetTextExtentExPointA(dc, "Hello", 5, k.maxExtent, &fit, partial, &s));
        EXPECT_EQ(k.fit, fit);
        EXPECT_EQ(cum, std::vector<int>(partial, partial + 5));
        EXPECT_EQ(cum[4], s.cx);
        EXPECT_EQ(c.Metrics().tmHeight, s.cy);
    }

    // Every byte of a character reports the extent at its end, so a fit is whole characters.
    const char* mixed = "\xE4\xB8\xAD"
                        "A\xE6\x96\x87"; // 中A文
    int zhong = c.Width(Zhong), a = c.Width("A"), wen = c.Width("\xE6\x96\x87");
    INT fit = 0, partial[7];
    ASSERT_TRUE(GetTextExtentExPointA(dc, mixed, 7, zhong + a + wen - 1, &fit, partial, nullptr));
    EXPECT_EQ(4, fit);
    EXPECT_EQ(
        (std::vector<int>{zhong, zhong, zhong, zhong + a, zhong + a + wen, zhong + a + wen, zhong + a + wen}),
        std::vector<int>(partial, partial + 7));
    // In the wide call a surrogate pair is one character.
    INT wideFit = 0, widePartial[4];
    SIZE ws;
    ASSERT_TRUE(GetTextExtentExPointW(dc, u"A\U0001F600B", 4, 1000, &wideFit, widePartial, &ws));
    EXPECT_EQ(4, wideFit);
    EXPECT_EQ(widePartial[1], widePartial[2]);
    EXPECT_EQ(ws.cx, widePartial[3]);
    SIZE narrow;
    GetTextExtentPoint32A(dc,
                          "A\xF0\x9F\x98\x80"
                          "B",
                          6, &narrow);
    EXPECT_EQ(narrow.cx, ws.cx);
    SIZE old;
    ASSERT_TRUE(GetTextExtentPointA(dc, "Hello", 5, &old));
    EXPECT_EQ(cum[4], old.cx);
}

TEST(GdiText, TabbedText) {
    TextCanvas c(200, 20, MakeFont("Arial", -13));
    HDC dc = c.Dc();
    int ave = c.Metrics().tmAveCharWidth, height = c.Metrics().tmHeight;
    int b = c.Width("b"), cc = c.Width("c");
    struct Case {
        const char* name;
        std::vector<INT> stops;
        int tabOrigin, x;
        std::vector<std::pair<const char*, int>> pieces; // text and where it starts
        int width;                                       // of the extent (tab origin 0)
    };
    const std::vector<Case> cases = {
        {"default", {}, 0, 0, {{"a", 0}, {"b", 8 * ave}, {"c", 16 * ave}}, 16 * ave + cc},
        {"every 40", {40}, 0, 0, {{"a", 0}, {"b", 40}, {"c", 80}}, 80 + cc},
        {"stops", {30, 70}, 0, 0, {{"a", 0}, {"b", 30}, {"c", 70}}, 70 + cc},
        {"right-aligned", {30, -120}, 0, 0, {{"a", 0}, {"b", 30}, {"c", 120 - cc}}, 120},
        {"past the last", {10, 12}, 0, 0, {{"a", 0}, {"b", 10}, {"c", 8 * ave}}, 8 * ave + cc},
        {"tab origin", {40}, 0, 10, {{"a", 10}, {"b", 40}, {"c", 80}}, 80 + cc},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        TextCanvas tabbed(200, 20, MakeFont("Arial", -13));
        LONG extent = TabbedTextOutA(tabbed.Dc(), k.x, 2, "a\tb\tc", 5, int(k.stops.size()),
                                     k.stops.empty() ? nullptr : k.stops.data(), k.tabOrigin);
        TextCanvas pieces(200, 20, MakeFont("Arial", -13));
        for (const auto& piece : k.pieces)
            pieces.Text(piece.second, 2, piece.first);
        EXPECT_TRUE(SamePixels(tabbed, pieces));
        EXPECT_EQ(height, int(extent >> 16));
        EXPECT_EQ(k.pieces.back().second + cc - k.x, int(extent & 0xFFFF));
        if (k.x == 0) {
            DWORD e = GetTabbedTextExtentA(dc, "a\tb\tc", 5, int(k.stops.size()),
                                           k.stops.empty() ? nullptr : k.stops.data());
            EXPECT_EQ(k.width, int(e & 0xFFFF));
            EXPECT_EQ(height, int(e >> 16));
        }
    }
    (void)b;
    EXPECT_EQ(0, TabbedTextOutA(nullptr, 0, 0, "a", 1, 0, nullptr, 0));
    DWORD wide = GetTabbedTextExtentW(dc, u"a\tb", 3, 0, nullptr);
    EXPECT_EQ(8 * ave + b, int(wide & 0xFFFF));
}

} // namespace
