// Lines: the thin-line pixel rule (end point left out, ties to the smaller minor coordinate),
// dash styles with the background mode, wide pens with caps and joins, the current
// position, and the sixteen mix modes.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/winapi/Gdi.h"
#include "tests/winapi/GdiTestImage.h"

namespace {

using gditest::Canvas;
using gditest::Rows;

constexpr COLORREF Black = RGB(0, 0, 0);
constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Blue = RGB(0, 0, 255);

// Selects a pen for the scope and frees it afterwards.
class PenScope {
public:
    PenScope(HDC dc, HPEN pen) : FDc(dc), FPen(pen), FOld(SelectObject(dc, pen)) {}
    ~PenScope() {
        SelectObject(FDc, FOld);
        DeleteObject(FPen);
    }

private:
    HDC FDc;
    HPEN FPen;
    HGDIOBJ FOld;
};

TEST(GdiLines, ThinLinePixels) {
    struct Case {
        const char* name;
        POINT from, to;
        std::string map;
    };
    const std::vector<Case> cases = {
        {"horizontal, end left out",
         {1, 1},
         {6, 1},
         Rows({"......", ".#####", "......", "......", "......"})},
        {"horizontal backwards", {5, 1}, {0, 1}, Rows({"......", ".#####", "......", "......", "......"})},
        {"vertical", {1, 0}, {1, 4}, Rows({".#....", ".#....", ".#....", ".#....", "......"})},
        {"diagonal", {0, 0}, {5, 5}, Rows({"#.....", ".#....", "..#...", "...#..", "....#."})},
        {"anti-diagonal", {0, 4}, {4, 0}, Rows({"......", "...#..", "..#...", ".#....", "#....."})},
        // Midway between two rows the smaller row wins, whichever way the line runs.
        {"gentle slope with ties", {0, 0}, {4, 2}, Rows({"##....", "..##..", "......", "......", "......"})},
        {"the same backwards", {4, 2}, {0, 0}, Rows({".#....", "..##..", "....#.", "......", "......"})},
        {"steep slope with ties", {0, 0}, {2, 4}, Rows({"#.....", "#.....", ".#....", ".#....", "......"})},
        {"slope 1/3", {0, 1}, {6, 3}, Rows({"......", "##....", "..###.", ".....#", "......"})},
        {"a single point draws nothing",
         {2, 2},
         {2, 2},
         Rows({"......", "......", "......", "......", "......"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas canvas(6, 5);
        MoveToEx(canvas.Dc(), c.from.x, c.from.y, nullptr);
        EXPECT_TRUE(LineTo(canvas.Dc(), c.to.x, c.to.y));
        EXPECT_EQ(c.map, canvas.Map(Black));
        POINT pos;
        GetCurrentPositionEx(canvas.Dc(), &pos);
        EXPECT_EQ(c.to.x, pos.x);
        EXPECT_EQ(c.to.y, pos.y);
    }
}

TEST(GdiLines, PolylineKeepsTheCurrentPositionPolylineToMovesIt) {
    Canvas canvas(6, 4);
    HDC dc = canvas.Dc();
    MoveToEx(dc, 5, 3, nullptr);
    const POINT pts[] = {{0, 0}, {4, 0}, {4, 3}};
    EXPECT_TRUE(Polyline(dc, pts, 3));
    EXPECT_EQ(Rows({"#####.", "....#.", "....#.", "......"}), canvas.Map(Black));
    POINT pos;
    GetCurrentPositionEx(dc, &pos);
    EXPECT_EQ(5, pos.x);
    EXPECT_FALSE(Polyline(dc, pts, 1));

    canvas.Fill(White);
    MoveToEx(dc, 0, 3, nullptr);
    const POINT to[] = {{0, 0}, {3, 0}};
    EXPECT_TRUE(PolylineTo(dc, to, 2));
    GetCurrentPositionEx(dc, &pos);
    EXPECT_EQ(3, pos.x);
    EXPECT_EQ(0, pos.y);
    EXPECT_EQ(Rows({"###...", "#.....", "#.....", "#....."}), canvas.Map(Black));

    canvas.Fill(White);
    const POINT two[] = {{0, 1}, {3, 1}, {5, 0}, {5, 3}};
    const DWORD counts[] = {2, 2};
    EXPECT_TRUE(PolyPolyline(dc, two, counts, 2));
    EXPECT_EQ(Rows({".....#", "###..#", ".....#", "......"}), canvas.Map(Black));
}

TEST(GdiLines, DashStylesAndTheBackgroundMode) {
    struct Case {
        const char* name;
        int style;
        int bkMode;
        std::string row;
    };
    // '#' pen, 'o' background colour, '.' untouched.
    const std::vector<Case> cases = {
        {"dot, opaque", PS_DOT, OPAQUE, "###ooo###ooo###ooo###ooo###ooo"},
        {"dot, transparent", PS_DOT, TRANSPARENT, "###...###...###...###...###..."},
        {"dash", PS_DASH, OPAQUE, "##################oooooo######"},
        {"dash dot", PS_DASHDOT, TRANSPARENT, "#########......###......######"},
        {"dash dot dot", PS_DASHDOTDOT, OPAQUE, "#########ooo###ooo###ooo######"},
        {"solid", PS_SOLID, OPAQUE, "##############################"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas canvas(30, 1);
        HDC dc = canvas.Dc();
        PenScope pen(dc, CreatePen(c.style, 1, Black));
        SetBkMode(dc, c.bkMode);
        SetBkColor(dc, Blue);
        MoveToEx(dc, 0, 0, nullptr);
        LineTo(dc, 30, 0);
        EXPECT_EQ(c.row, canvas.Map({{Black, '#'}, {Blue, 'o'}, {White, '.'}}));
    }

    // The pattern runs on along a polyline and starts again with each LineTo.
    Canvas canvas(5, 5);
    HDC dc = canvas.Dc();
    PenScope pen(dc, CreatePen(PS_DOT, 1, Black));
    SetBkMode(dc, TRANSPARENT);
    const POINT corner[] = {{0, 0}, {4, 0}, {4, 5}};
    Polyline(dc, corner, 3);
    EXPECT_EQ(Rows({"###..", ".....", "....#", "....#", "....#"}), canvas.Map(Black));
    canvas.Fill(White);
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, 4, 0);
    LineTo(dc, 4, 5);
    EXPECT_EQ(Rows({"###.#", "....#", "....#", ".....", "....."}), canvas.Map(Black));

    // Every other pixel.
    Canvas alt(7, 1);
    LOGBRUSH lb{BS_SOLID, Black, 0};
    PenScope alternate(alt.Dc(), ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &lb, 0, nullptr));
    SetBkMode(alt.Dc(), TRANSPARENT);
    MoveToEx(alt.Dc(), 0, 0, nullptr);
    LineTo(alt.Dc(), 7, 0);
    EXPECT_EQ("#.#.#.#", alt.Map(Black));
}

TEST(GdiLines, WidePens) {
    // Width 3: the pixels within 1.5 of the line through the pixel centres; round ends
    // make full 3x3 blocks, so the line grows by one pixel at each end.
    Canvas three(11, 5);
    {
        PenScope pen(three.Dc(), CreatePen(PS_SOLID, 3, Black));
        MoveToEx(three.Dc(), 2, 2, nullptr);
        LineTo(three.Dc(), 8, 2);
    }
    EXPECT_EQ(Rows({"...........", ".#########.", ".#########.", ".#########.", "..........."}),
              three.Map(Black));

    // Width 5: the round ends lose their corners.
    Canvas five(15, 9);
    {
        PenScope pen(five.Dc(), CreatePen(PS_SOLID, 5, Black));
        MoveToEx(five.Dc(), 4, 4, nullptr);
        LineTo(five.Dc(), 10, 4);
    }
    EXPECT_EQ(Rows({
                  "...............",
                  "...............",
                  "...#########...",
                  "..###########..",
                  "..###########..",
                  "..###########..",
                  "...#########...",
                  "...............",
                  "...............",
              }),
              five.Map(Black));

    // End caps of geometric pens.
    struct Cap {
        const char* name;
        DWORD cap;
        std::string row;
    };
    const std::vector<Cap> caps = {
        {"flat", PS_ENDCAP_FLAT, "..######..."},
        {"square", PS_ENDCAP_SQUARE, ".#########."},
        {"round", PS_ENDCAP_ROUND, ".#########."},
    };
    Canvas capsSheet(11, 3 * 4);
    for (std::size_t i = 0; i < caps.size(); ++i) {
        SCOPED_TRACE(caps[i].name);
        Canvas canvas(11, 3);
        LOGBRUSH lb{BS_SOLID, Black, 0};
        {
            PenScope pen(canvas.Dc(), ExtCreatePen(PS_GEOMETRIC | caps[i].cap, 3, &lb, 0, nullptr));
            MoveToEx(canvas.Dc(), 2, 1, nullptr);
            LineTo(canvas.Dc(), 8, 1);
        }
        EXPECT_EQ(Rows({caps[i].row.c_str(), caps[i].row.c_str(), caps[i].row.c_str()}), canvas.Map(Black));
        BitBlt(capsSheet.Dc(), 0, int(i) * 4, 11, 3, canvas.Dc(), 0, 0, SRCCOPY);
    }

    // Joins at a right-angled corner of a width-5 polyline: the miter fills the outer
    // corner square, round cuts its tip, bevel cuts it straight.
    struct Join {
        const char* name;
        DWORD join;
        bool tip, besideTip, insideBevel;
    };
    const std::vector<Join> joins = {
        {"miter", PS_JOIN_MITER, true, true, true},
        {"round", PS_JOIN_ROUND, false, true, true},
        {"bevel", PS_JOIN_BEVEL, false, false, true},
    };
    Canvas joinSheet(14 * 3, 14);
    for (std::size_t i = 0; i < joins.size(); ++i) {
        SCOPED_TRACE(joins[i].name);
        Canvas canvas(14, 14);
        LOGBRUSH lb{BS_SOLID, Black, 0};
        {
            PenScope pen(canvas.Dc(),
                         ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_FLAT | joins[i].join, 5, &lb, 0, nullptr));
            const POINT pts[] = {{2, 3}, {9, 3}, {9, 12}};
            Polyline(canvas.Dc(), pts, 3);
        }
        // The outer corner of the turn at (9, 3) reaches (11, 1); the bevel runs from
        // (9.5, 1) to (12, 3.5) in pixel-centre terms.
        EXPECT_EQ(joins[i].tip, canvas.Pixel(11, 1) == Black);
        EXPECT_EQ(joins[i].besideTip, canvas.Pixel(11, 2) == Black);
        EXPECT_EQ(joins[i].insideBevel, canvas.Pixel(10, 2) == Black);
        EXPECT_EQ(White, canvas.Pixel(12, 1));
        EXPECT_EQ(Black, canvas.Pixel(9, 3));
        EXPECT_EQ(Black, canvas.Pixel(7, 5));
        EXPECT_EQ(White, canvas.Pixel(6, 6)) << "inside of the turn";
        BitBlt(joinSheet.Dc(), int(i) * 14, 0, 14, 14, canvas.Dc(), 0, 0, SRCCOPY);
    }
    gditest::SaveSheet("gdi-lines-wide", {&three, &five, &capsSheet, &joinSheet});
}

TEST(GdiLines, GeometricDashesScaleWithTheWidth) {
    Canvas canvas(24, 3);
    LOGBRUSH lb{BS_SOLID, Black, 0};
    {
        PenScope pen(canvas.Dc(), ExtCreatePen(PS_GEOMETRIC | PS_DASH | PS_ENDCAP_FLAT, 3, &lb, 0, nullptr));
        MoveToEx(canvas.Dc(), 0, 1, nullptr);
        LineTo(canvas.Dc(), 23, 1);
    }
    // Dashes of three widths, gaps of one.
    const char* row = "#########...#########...";
    EXPECT_EQ(Rows({row, row, row}), canvas.Map(Black));
    // A dashed CreatePen wider than one pixel draws solid.
    Canvas solid(10, 3);
    {
        PenScope pen(solid.Dc(), CreatePen(PS_DOT, 3, Black));
        MoveToEx(solid.Dc(), 1, 1, nullptr);
        LineTo(solid.Dc(), 8, 1);
    }
    EXPECT_EQ(Rows({"##########", "##########", "##########"}), solid.Map(Black));
}

// Each mix mode against its definition: a pen colour whose red channel is all ones and whose
// green channel is all zeros, over black and white, shows all four cases of the table.
TEST(GdiLines, SixteenMixModesForPensAndFills) {
    using Fn = std::function<unsigned(unsigned p, unsigned d)>;
    struct Mode {
        int mode;
        Fn f;
    };
    const std::vector<Mode> modes = {
        {R2_BLACK, [](unsigned, unsigned) { return 0u; }},
        {R2_NOTMERGEPEN, [](unsigned p, unsigned d) { return ~(p | d); }},
        {R2_MASKNOTPEN, [](unsigned p, unsigned d) { return ~p & d; }},
        {R2_NOTCOPYPEN, [](unsigned p, unsigned) { return ~p; }},
        {R2_MASKPENNOT, [](unsigned p, unsigned d) { return p & ~d; }},
        {R2_NOT, [](unsigned, unsigned d) { return ~d; }},
        {R2_XORPEN, [](unsigned p, unsigned d) { return p ^ d; }},
        {R2_NOTMASKPEN, [](unsigned p, unsigned d) { return ~(p & d); }},
        {R2_MASKPEN, [](unsigned p, unsigned d) { return p & d; }},
        {R2_NOTXORPEN, [](unsigned p, unsigned d) { return ~(p ^ d); }},
        {R2_NOP, [](unsigned, unsigned d) { return d; }},
        {R2_MERGENOTPEN, [](unsigned p, unsigned d) { return ~p | d; }},
        {R2_COPYPEN, [](unsigned p, unsigned) { return p; }},
        {R2_MERGEPENNOT, [](unsigned p, unsigned d) { return p | ~d; }},
        {R2_MERGEPEN, [](unsigned p, unsigned d) { return p | d; }},
        {R2_WHITE, [](unsigned, unsigned) { return 0xFFFFFFFFu; }},
    };
    const COLORREF pen = RGB(255, 0, 0x5A);
    auto expected = [&](const Fn& f, COLORREF d) {
        return RGB(f(GetRValue(pen), GetRValue(d)) & 0xFF, f(GetGValue(pen), GetGValue(d)) & 0xFF,
                   f(GetBValue(pen), GetBValue(d)) & 0xFF);
    };
    for (const Mode& m : modes) {
        SCOPED_TRACE(m.mode);
        Canvas canvas(2, 2);
        HDC dc = canvas.Dc();
        SetPixel(dc, 0, 0, Black);
        SetPixel(dc, 0, 1, Black);
        SetROP2(dc, m.mode);
        // Row 0 by the pen, row 1 by the brush of a figure without outline.
        PenScope p(dc, CreatePen(PS_SOLID, 1, pen));
        MoveToEx(dc, 0, 0, nullptr);
        LineTo(dc, 2, 0);
        HBRUSH brush = CreateSolidBrush(pen);
        HGDIOBJ oldBrush = SelectObject(dc, brush);
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
        Rectangle(dc, 0, 1, 3, 3);
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        DeleteObject(brush);
        for (int y = 0; y < 2; ++y) {
            EXPECT_EQ(expected(m.f, Black), canvas.Pixel(0, y)) << "row " << y;
            EXPECT_EQ(expected(m.f, White), canvas.Pixel(1, y)) << "row " << y;
        }
    }
    // XOR twice restores what was there.
    Canvas canvas(8, 8, RGB(10, 200, 30));
    HDC dc = canvas.Dc();
    SetROP2(dc, R2_XORPEN);
    PenScope p(dc, CreatePen(PS_SOLID, 1, RGB(255, 255, 0)));
    const POINT star[] = {{0, 0}, {7, 7}, {7, 0}, {0, 7}};
    Polyline(dc, star, 4);
    EXPECT_NE(RGB(10, 200, 30), canvas.Pixel(3, 3));
    Polyline(dc, star, 4);
    EXPECT_EQ(Rows({
                  "########",
                  "########",
                  "########",
                  "########",
                  "########",
                  "########",
                  "########",
                  "########",
              }),
              canvas.Map(RGB(10, 200, 30)));
}

TEST(GdiLines, OriginsMoveTheDrawing) {
    Canvas canvas(6, 4);
    HDC dc = canvas.Dc();
    SetWindowOrgEx(dc, 10, 10, nullptr);
    SetViewportOrgEx(dc, 1, 2, nullptr);
    MoveToEx(dc, 10, 10, nullptr);
    LineTo(dc, 13, 10);
    EXPECT_EQ(Rows({"......", "......", ".###..", "......"}), canvas.Map(Black));
    EXPECT_EQ(Black, GetPixel(dc, 10, 10));
    EXPECT_EQ(CLR_INVALID, GetPixel(dc, 0, 0)) << "outside the image";
    // Coordinates beyond the accepted range are refused instead of wrapping around.
    MoveToEx(dc, 0, 0, nullptr);
    EXPECT_FALSE(LineTo(dc, 0x7FFFFFFF, 0));
}

} // namespace
