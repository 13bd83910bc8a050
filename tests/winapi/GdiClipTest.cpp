// Clipping: exclude and intersect rectangles, SaveDC/RestoreDC, the clip region in device
// coordinates against logical rectangles, the combining modes, and contexts that draw on part
// of a larger image through a visible region.
#include <gtest/gtest.h>

#include <vector>

#include "platform/winapi/GdiDc.h"
#include "tests/winapi/GdiTestImage.h"

namespace {

using gditest::Canvas;
using gditest::Rows;

constexpr COLORREF Black = RGB(0, 0, 0);
constexpr COLORREF Green = RGB(0, 255, 0);

void FillAll(HDC dc) {
    RECT r{-100, -100, 100, 100};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

bool SameRegion(HRGN region, const std::vector<RECT>& rects) {
    HRGN expected = CreateRectRgn(0, 0, 0, 0);
    for (const RECT& r : rects) {
        HRGN part = CreateRectRgnIndirect(&r);
        CombineRgn(expected, expected, part, RGN_OR);
        DeleteObject(part);
    }
    bool same = EqualRgn(region, expected);
    DeleteObject(expected);
    return same;
}

TEST(GdiClip, ExcludeIntersectAndRestore) {
    Canvas canvas(8, 4);
    HDC dc = canvas.Dc();
    HRGN clip = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(0, GetClipRgn(dc, clip)) << "no clip region yet";
    RECT box;
    EXPECT_EQ(SIMPLEREGION, GetClipBox(dc, &box));
    EXPECT_EQ(8, box.right);
    EXPECT_EQ(4, box.bottom);

    int level = SaveDC(dc);
    EXPECT_EQ(COMPLEXREGION, ExcludeClipRect(dc, 2, 1, 5, 3));
    FillAll(dc);
    EXPECT_EQ(Rows({"########", "##...###", "##...###", "########"}), canvas.Map(Black));
    EXPECT_EQ(1, GetClipRgn(dc, clip));
    EXPECT_TRUE(SameRegion(clip, {{0, 0, 8, 1}, {0, 1, 2, 3}, {5, 1, 8, 3}, {0, 3, 8, 4}}));
    EXPECT_TRUE(PtVisible(dc, 1, 1));
    EXPECT_FALSE(PtVisible(dc, 2, 1));
    RECT hole{2, 1, 5, 3}, edge{4, 2, 6, 3};
    EXPECT_FALSE(RectVisible(dc, &hole));
    EXPECT_TRUE(RectVisible(dc, &edge));

    EXPECT_EQ(SIMPLEREGION, IntersectClipRect(dc, 0, 0, 2, 4));
    canvas.Fill(Green);
    FillAll(dc);
    EXPECT_EQ(Rows({"##......", "##......", "##......", "##......"}), canvas.Map(Black));

    EXPECT_TRUE(RestoreDC(dc, level));
    EXPECT_EQ(0, GetClipRgn(dc, clip)) << "RestoreDC brings back no clip region";
    canvas.Fill(Green);
    FillAll(dc);
    EXPECT_EQ(Rows({"########", "########", "########", "########"}), canvas.Map(Black));

    // Nothing left to draw on.
    EXPECT_EQ(NULLREGION, IntersectClipRect(dc, 20, 20, 30, 30));
    EXPECT_EQ(NULLREGION, GetClipBox(dc, &box));
    EXPECT_TRUE(IsRectEmpty(&box));
    canvas.Fill(Green);
    FillAll(dc);
    EXPECT_EQ(CLR_INVALID, SetPixel(dc, 0, 0, Black));
    EXPECT_EQ(CLR_INVALID, GetPixel(dc, 0, 0));
    EXPECT_EQ(Green, canvas.Pixel(0, 0));
    DeleteObject(clip);
}

TEST(GdiClip, DeviceRegionLogicalRectangles) {
    Canvas canvas(8, 4);
    HDC dc = canvas.Dc();
    SetViewportOrgEx(dc, 2, 0, nullptr);
    EXPECT_EQ(SIMPLEREGION, IntersectClipRect(dc, 0, 0, 2, 2));
    HRGN clip = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(1, GetClipRgn(dc, clip));
    EXPECT_TRUE(SameRegion(clip, {{2, 0, 4, 2}})) << "the clip region is kept in device coordinates";
    RECT box;
    GetClipBox(dc, &box);
    EXPECT_EQ(0, box.left) << "the clip box is logical";
    EXPECT_EQ(2, box.right);
    FillAll(dc);
    EXPECT_EQ(Rows({"..##....", "..##....", "........", "........"}), canvas.Map(Black));

    // Moving the origin afterwards leaves the clip region where it is on the device.
    SetViewportOrgEx(dc, 0, 0, nullptr);
    EXPECT_TRUE(PtVisible(dc, 2, 0));
    EXPECT_FALSE(PtVisible(dc, 0, 0));
    // OffsetClipRgn moves it.
    EXPECT_EQ(SIMPLEREGION, OffsetClipRgn(dc, 3, 2));
    GetClipRgn(dc, clip);
    EXPECT_TRUE(SameRegion(clip, {{5, 2, 7, 4}}));

    // A region selected as clip is copied, in device coordinates, whatever the origin.
    SetWindowOrgEx(dc, 1, 1, nullptr);
    HRGN rgn = CreateRectRgn(0, 0, 3, 1);
    EXPECT_EQ(SIMPLEREGION, SelectClipRgn(dc, rgn));
    SetRectRgn(rgn, 0, 0, 8, 4);
    canvas.Fill(Green);
    FillAll(dc);
    EXPECT_EQ(Rows({"###.....", "........", "........", "........"}), canvas.Map(Black));
    // Selecting a region with SelectObject does the same and answers with its kind.
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(std::intptr_t(SIMPLEREGION)), SelectObject(dc, rgn));
    EXPECT_EQ(SIMPLEREGION, SelectClipRgn(dc, nullptr));
    EXPECT_EQ(0, GetClipRgn(dc, clip));
    DeleteObject(rgn);
    DeleteObject(clip);
}

TEST(GdiClip, CombiningModes) {
    struct Case {
        int mode;
        std::vector<RECT> expected;
    };
    const std::vector<Case> cases = {
        {RGN_AND, {{2, 0, 4, 2}}},
        {RGN_OR, {{0, 0, 6, 2}, {0, 2, 4, 4}}},
        {RGN_XOR, {{0, 0, 2, 2}, {4, 0, 6, 2}, {0, 2, 4, 4}}},
        {RGN_DIFF, {{0, 0, 2, 2}, {0, 2, 4, 4}}},
        {RGN_COPY, {{2, 0, 6, 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Canvas canvas(8, 4);
        HDC dc = canvas.Dc();
        IntersectClipRect(dc, 0, 0, 4, 4);
        HRGN other = CreateRectRgn(2, 0, 6, 2), clip = CreateRectRgn(0, 0, 0, 0);
        EXPECT_NE(ERROR, ExtSelectClipRgn(dc, other, c.mode));
        ASSERT_EQ(1, GetClipRgn(dc, clip));
        EXPECT_TRUE(SameRegion(clip, c.expected));
        DeleteObject(other);
        DeleteObject(clip);
    }
    Canvas canvas(2, 2);
    EXPECT_EQ(ERROR, ExtSelectClipRgn(canvas.Dc(), nullptr, RGN_AND)) << "only RGN_COPY takes no region";
    // Without a clip region the combination starts from the whole image.
    HRGN strip = CreateRectRgn(0, 0, 1, 2), clip = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(SIMPLEREGION, ExtSelectClipRgn(canvas.Dc(), strip, RGN_DIFF));
    GetClipRgn(canvas.Dc(), clip);
    EXPECT_TRUE(SameRegion(clip, {{1, 0, 2, 2}}));
    DeleteObject(strip);
    DeleteObject(clip);
}

// A context over part of a larger image with a visible region of its own, as a window's
// context is: everything stays inside the visible region, which GetClipRgn does not report.
TEST(GdiClip, VisibleRegionOfAContextOnPartOfAnImage) {
    Canvas surface(10, 6, Green);
    GdiImageTarget target;
    target.Surface.Bits = reinterpret_cast<std::uint8_t*>(const_cast<std::uint32_t*>(surface.Bits()));
    target.Surface.Width = 10;
    target.Surface.Height = 6;
    target.Surface.Stride = 10 * 4;
    target.Origin = {2, 1};
    target.Bounds = {0, 0, 6, 4};
    GdiRegion visible(0, 0, 6, 4);
    visible -= GdiRegion(0, 0, 3, 2); // covered by another window
    target.Visible = visible;
    HDC dc = GdiCreateImageDC(target);
    ASSERT_NE(nullptr, dc);
    HRGN clip = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(0, GetClipRgn(dc, clip));
    RECT box;
    EXPECT_EQ(COMPLEXREGION, GetClipBox(dc, &box));
    EXPECT_EQ(6, box.right);
    FillAll(dc);
    EXPECT_EQ(Rows({"..........", ".....###..", ".....###..", "..######..", "..######..", ".........."}),
              surface.Map(Black));
    // The context's own clip region narrows it further.
    surface.Fill(Green);
    ExcludeClipRect(dc, 5, 0, 6, 4);
    FillAll(dc);
    EXPECT_EQ(Rows({"..........", ".....##...", ".....##...", "..#####...", "..#####...", ".........."}),
              surface.Map(Black));
    EXPECT_EQ(CLR_INVALID, GetPixel(dc, 0, 0)) << "hidden part";
    EXPECT_EQ(Black, GetPixel(dc, 4, 3));

    // Pointing the context at a moved target keeps its state.
    target.Origin = {0, 0};
    target.Visible.reset();
    EXPECT_TRUE(GdiSetImageTarget(dc, target));
    surface.Fill(Green);
    FillAll(dc);
    EXPECT_EQ(Rows({"#####.....", "#####.....", "#####.....", "#####.....", "..........", ".........."}),
              surface.Map(Black));
    EXPECT_FALSE(GdiSetImageTarget(surface.Dc(), target)) << "not for memory contexts";
    DeleteObject(clip);
    DeleteDC(dc);
}

} // namespace
