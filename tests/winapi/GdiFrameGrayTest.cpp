// GrayString: text or an output procedure's drawing, greyed through a checkerboard.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/GdiText.h"
#include "tests/winapi/GdiTestImage.h"

namespace {

using gditest::Canvas;

// A pixel map as Canvas::Map gives it, written one row a line (the line breaks after the
// opening and before the closing quote do not count).
std::string Pixels(const char* rows) {
    std::string map(rows);
    if (!map.empty() && map.front() == '\n') map.erase(0, 1);
    if (!map.empty() && map.back() == '\n') map.pop_back();
    return map;
}

struct Ink {
    int Count = 0;
    int EvenParity = 0; // pixels whose x + y is even
    int Other = 0;      // pixels of neither the ink nor the background
};

Ink Count(const Canvas& c, COLORREF ink, COLORREF back) {
    Ink result;
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x) {
            COLORREF p = c.Pixel(x, y);
            if (p == ink) {
                ++result.Count;
                result.EvenParity += (x + y) % 2 == 0;
            } else if (p != back) {
                ++result.Other;
            }
        }
    return result;
}

HFONT TestFont() {
    LOGFONTA lf{};
    lf.lfHeight = -16;
    lf.lfWeight = FW_BOLD;
    std::strcpy(lf.lfFaceName, "Arial");
    return CreateFontIndirectA(&lf);
}

TEST(GdiFrameGray, TextGreyedInTheBrush) {
    HFONT font = TestFont();
    Canvas plain(60, 24), grey(60, 24);
    HGDIOBJ oldPlain = SelectObject(plain.Dc(), font);
    HGDIOBJ oldGrey = SelectObject(grey.Dc(), font);
    SetBkMode(plain.Dc(), TRANSPARENT);
    ASSERT_TRUE(TextOutA(plain.Dc(), 3, 2, "Write", 5));
    HBRUSH brush = CreateSolidBrush(RGB(128, 0, 128));
    ASSERT_TRUE(GrayStringA(grey.Dc(), brush, nullptr, reinterpret_cast<LPARAM>("Write"), 0, 3, 2, 0, 0));
    DeleteObject(brush);
    Ink full = Count(plain, RGB(0, 0, 0), RGB(255, 255, 255));
    Ink half = Count(grey, RGB(128, 0, 128), RGB(255, 255, 255));
    ASSERT_GT(full.Count, 40);
    EXPECT_EQ(0, half.Other) << "only the brush and the background";
    // Half the text's pixels, all of one checkerboard colour: (3 + 2) is odd, so the kept
    // pixels of the bitmap (x + y even there) lie on odd x + y of the context.
    EXPECT_GT(half.Count, full.Count / 2 - full.Count / 5);
    EXPECT_LT(half.Count, full.Count / 2 + full.Count / 5);
    EXPECT_EQ(0, half.EvenParity);
    // Every grey pixel is a pixel of the text.
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 60; ++x)
            if (grey.Pixel(x, y) == RGB(128, 0, 128)) {
                ASSERT_EQ(RGB(0, 0, 0), plain.Pixel(x, y)) << x << "," << y;
            }
    // The context keeps its colours and objects.
    EXPECT_EQ(RGB(0, 0, 0), GetTextColor(grey.Dc()));
    EXPECT_EQ(GetStockObject(WHITE_BRUSH), GetCurrentObject(grey.Dc(), OBJ_BRUSH));
    SelectObject(plain.Dc(), oldPlain);
    SelectObject(grey.Dc(), oldGrey);
    DeleteObject(font);
}

BOOL DrawBar(HDC dc, LPARAM data, int count) {
    *reinterpret_cast<int*>(data) += 1;
    RECT r{0, 0, count, 2};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return TRUE;
}

BOOL Refuse(HDC, LPARAM, int) { return FALSE; }

TEST(GdiFrameGray, OutputProcedure) {
    Canvas c(10, 4);
    int calls = 0;
    ASSERT_TRUE(GrayStringA(c.Dc(), nullptr, DrawBar, reinterpret_cast<LPARAM>(&calls), 6, 1, 1, 8, 2));
    EXPECT_EQ(1, calls);
    // The window-text colour without a brush; a checkerboard (starting with the bar's first
    // pixel) over the 6 x 2 bar at (1, 1).
    EXPECT_EQ(Pixels(R"(
..........
.#.#.#....
..#.#.#...
..........
)"),
              c.Map(GetSysColor(COLOR_WINDOWTEXT)));
    Canvas untouched(10, 4);
    EXPECT_FALSE(GrayStringA(untouched.Dc(), nullptr, Refuse, 0, 6, 1, 1, 8, 2));
    EXPECT_EQ(RGB(255, 255, 255), untouched.Pixel(2, 1));
    EXPECT_FALSE(
        GrayStringA(untouched.Dc(), nullptr, DrawBar, reinterpret_cast<LPARAM>(&calls), 6, 0, 0, 0, 0))
        << "an output procedure needs a size";
    EXPECT_FALSE(GrayStringA(nullptr, nullptr, nullptr, reinterpret_cast<LPARAM>("x"), 1, 0, 0, 0, 0));
}

} // namespace
