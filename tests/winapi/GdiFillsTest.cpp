// Rectangle and region fills: FillRect, FrameRect, InvertRect, FillRgn, FrameRgn, PaintRgn
// and InvertRgn, with logical coordinates and mix modes.
#include <gtest/gtest.h>

#include "platform/winapi/Gdi.h"
#include "tests/winapi/GdiTestImage.h"

namespace {

using gditest::Canvas;
using gditest::Rows;

constexpr COLORREF Black = RGB(0, 0, 0);

HBRUSH BlackBrush() { return static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)); }

TEST(GdiFills, Rectangles) {
    Canvas canvas(7, 5);
    HDC dc = canvas.Dc();
    RECT r{1, 1, 6, 4};
    EXPECT_TRUE(FrameRect(dc, &r, BlackBrush()));
    EXPECT_EQ(Rows({".......", ".#####.", ".#...#.", ".#####.", "......."}), canvas.Map(Black));
    RECT inverted{5, 1, 1, 4};
    EXPECT_TRUE(FillRect(dc, &inverted, BlackBrush()));
    EXPECT_EQ(Rows({".......", ".#####.", ".#...#.", ".#####.", "......."}), canvas.Map(Black))
        << "a rectangle with right left of left is empty";
    RECT part{0, 0, 3, 5};
    EXPECT_TRUE(InvertRect(dc, &part));
    EXPECT_EQ(Rows({"###....", "#..###.", "#.#..#.", "#..###.", "###...."}), canvas.Map(Black));
    EXPECT_FALSE(FillRect(dc, &part, nullptr));
    EXPECT_FALSE(FillRect(nullptr, &part, BlackBrush()));

    // Far-off edges are fine: only the part on the image counts.
    RECT huge{-0x7FFFFFFF, 2, 0x7FFFFFFF, 3};
    EXPECT_TRUE(FillRect(dc, &huge, BlackBrush()));
    EXPECT_EQ(Black, canvas.Pixel(6, 2));

    // Rectangles are logical: the origins move them.
    Canvas moved(4, 3);
    SetWindowOrgEx(moved.Dc(), -1, -1, nullptr);
    RECT one{0, 0, 2, 1};
    FillRect(moved.Dc(), &one, BlackBrush());
    EXPECT_EQ(Rows({"....", ".##.", "...."}), moved.Map(Black));
}

TEST(GdiFills, Regions) {
    // An L: a bar across the top and a post down the left.
    HRGN l = CreateRectRgn(0, 0, 6, 2);
    HRGN post = CreateRectRgn(0, 2, 2, 6);
    CombineRgn(l, l, post, RGN_OR);
    DeleteObject(post);

    Canvas framed(7, 7);
    EXPECT_TRUE(FrameRgn(framed.Dc(), l, BlackBrush(), 1, 1));
    EXPECT_EQ(Rows({"######.", "#.####.", "##.....", "##.....", "##.....", "##.....", "......."}),
              framed.Map(Black));
    EXPECT_FALSE(FrameRgn(framed.Dc(), l, BlackBrush(), 0, 1));

    Canvas filled(7, 7);
    SetViewportOrgEx(filled.Dc(), 1, 1, nullptr);
    EXPECT_TRUE(FillRgn(filled.Dc(), l, BlackBrush()));
    EXPECT_EQ(Rows({".......", ".######", ".######", ".##....", ".##....", ".##....", ".##...."}),
              filled.Map(Black))
        << "the region is logical";

    // PaintRgn uses the selected brush and the mix mode; InvertRgn inverts.
    Canvas painted(7, 7, Black);
    SelectObject(painted.Dc(), GetStockObject(WHITE_BRUSH));
    SetROP2(painted.Dc(), R2_XORPEN);
    EXPECT_TRUE(PaintRgn(painted.Dc(), l));
    HRGN all = CreateRectRgn(0, 0, 7, 7);
    EXPECT_TRUE(InvertRgn(painted.Dc(), all));
    // White XOR black is white; inverted it is black again.
    EXPECT_EQ(Rows({"######.", "######.", "##.....", "##.....", "##.....", "##.....", "......."}),
              painted.Map(Black));
    DeleteObject(all);
    DeleteObject(l);
    gditest::SaveSheet("gdi-fills-regions", {&framed, &filled, &painted});
}

TEST(GdiRect, Helpers) {
    RECT r;
    EXPECT_TRUE(SetRect(&r, 1, 2, 5, 6));
    EXPECT_TRUE(InflateRect(&r, 1, -1));
    RECT want{0, 3, 6, 5};
    EXPECT_TRUE(EqualRect(&r, &want));
    EXPECT_TRUE(OffsetRect(&r, 2, 1));
    RECT moved{2, 4, 8, 6};
    EXPECT_TRUE(EqualRect(&r, &moved));
    RECT copy;
    EXPECT_TRUE(CopyRect(&copy, &r));
    EXPECT_TRUE(EqualRect(&copy, &moved));
    EXPECT_TRUE(PtInRect(&r, POINT{2, 4}));
    EXPECT_FALSE(PtInRect(&r, POINT{8, 4})) << "right edge is outside";
    EXPECT_FALSE(PtInRect(&r, POINT{2, 6})) << "bottom edge is outside";
    EXPECT_TRUE(SetRectEmpty(&copy));
    EXPECT_TRUE(IsRectEmpty(&copy));
    RECT flat{3, 3, 3, 9};
    EXPECT_TRUE(IsRectEmpty(&flat));

    struct Case {
        const char* name;
        RECT a, b;
        BOOL intersects;
        RECT intersection;
        BOOL unites;
        RECT unionRect;
    };
    const std::vector<Case> cases = {
        {"overlapping", {0, 0, 4, 4}, {2, 2, 6, 6}, TRUE, {2, 2, 4, 4}, TRUE, {0, 0, 6, 6}},
        {"touching", {0, 0, 4, 4}, {4, 0, 6, 4}, FALSE, {0, 0, 0, 0}, TRUE, {0, 0, 6, 4}},
        {"one empty", {0, 0, 4, 4}, {9, 9, 9, 12}, FALSE, {0, 0, 0, 0}, TRUE, {0, 0, 4, 4}},
        {"both empty", {1, 1, 1, 1}, {2, 2, 0, 0}, FALSE, {0, 0, 0, 0}, FALSE, {0, 0, 0, 0}},
        {"inside", {0, 0, 9, 9}, {3, 3, 4, 4}, TRUE, {3, 3, 4, 4}, TRUE, {0, 0, 9, 9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RECT out{7, 7, 7, 7};
        EXPECT_EQ(c.intersects, IntersectRect(&out, &c.a, &c.b));
        EXPECT_TRUE(EqualRect(&out, &c.intersection));
        EXPECT_EQ(c.unites, UnionRect(&out, &c.a, &c.b));
        EXPECT_TRUE(EqualRect(&out, &c.unionRect));
    }

    struct Cut {
        const char* name;
        RECT a, b, result;
        BOOL nonEmpty;
    };
    const std::vector<Cut> cuts = {
        {"top strip removed", {0, 0, 10, 10}, {-1, -1, 11, 3}, {0, 3, 10, 10}, TRUE},
        {"right strip removed", {0, 0, 10, 10}, {7, 0, 12, 10}, {0, 0, 7, 10}, TRUE},
        {"a hole leaves it whole", {0, 0, 10, 10}, {2, 2, 5, 5}, {0, 0, 10, 10}, TRUE},
        {"a corner leaves it whole", {0, 0, 10, 10}, {5, 5, 12, 12}, {0, 0, 10, 10}, TRUE},
        {"all removed", {2, 2, 4, 4}, {0, 0, 10, 10}, {0, 0, 0, 0}, FALSE},
    };
    for (const Cut& c : cuts) {
        SCOPED_TRACE(c.name);
        RECT out;
        EXPECT_EQ(c.nonEmpty, SubtractRect(&out, &c.a, &c.b));
        EXPECT_TRUE(EqualRect(&out, &c.result))
            << out.left << "," << out.top << "," << out.right << "," << out.bottom;
    }
    EXPECT_FALSE(IntersectRect(nullptr, &r, &r));
}

} // namespace
