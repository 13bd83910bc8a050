// Paths: the bracket, filled and stroked paths against the figures they were recorded from,
// and paths turned into regions.
#include <gtest/gtest.h>

#include <vector>

#include "platform/winapi/Gdi.h"
#include "tests/winapi/GdiTestImage.h"

namespace {

using gditest::Canvas;
using gditest::Rows;

constexpr COLORREF Black = RGB(0, 0, 0);
constexpr COLORREF Grey = RGB(128, 128, 128);
constexpr COLORREF White = RGB(255, 255, 255);

class Tools {
public:
    Tools(HDC dc, HPEN pen, HBRUSH brush)
        : FDc(dc), FPen(pen), FBrush(brush), FOldPen(SelectObject(dc, pen)),
          FOldBrush(SelectObject(dc, brush)) {}
    ~Tools() {
        SelectObject(FDc, FOldPen);
        SelectObject(FDc, FOldBrush);
        DeleteObject(FPen);
        DeleteObject(FBrush);
    }

private:
    HDC FDc;
    HPEN FPen;
    HBRUSH FBrush;
    HGDIOBJ FOldPen, FOldBrush;
};

std::string Drawn(const Canvas& c) { return c.Map({{Black, '#'}, {Grey, 'o'}, {White, '.'}}); }

TEST(GdiPath, AFilledPath) {
    Canvas canvas(8, 7);
    HDC dc = canvas.Dc();
    Tools tools(dc, CreatePen(PS_SOLID, 1, Black), CreateSolidBrush(Grey));
    EXPECT_TRUE(BeginPath(dc));
    MoveToEx(dc, 1, 1, nullptr);
    LineTo(dc, 7, 1);
    LineTo(dc, 4, 6);
    EXPECT_TRUE(CloseFigure(dc));
    EXPECT_EQ(Rows({"........", "........", "........", "........", "........", "........", "........"}),
              Drawn(canvas))
        << "nothing is drawn while the path is recorded";
    EXPECT_FALSE(FillPath(dc)) << "the bracket is still open";
    EXPECT_TRUE(EndPath(dc));
    EXPECT_TRUE(FillPath(dc));
    // The pixels whose centres lie inside the triangle; the pen takes no part.
    EXPECT_EQ(Rows({"........", ".oooooo.", "..oooo..", "..ooo...", "...oo...", "........", "........"}),
              Drawn(canvas));
    EXPECT_FALSE(FillPath(dc)) << "filling used the path up";

    // The same as the polygon without outline.
    Canvas polygon(8, 7);
    Tools polygonTools(polygon.Dc(), static_cast<HPEN>(GetStockObject(NULL_PEN)), CreateSolidBrush(Grey));
    const POINT pts[] = {{1, 1}, {7, 1}, {4, 6}};
    Polygon(polygon.Dc(), pts, 3);
    EXPECT_EQ(Drawn(polygon), Drawn(canvas));
    gditest::SaveSheet("gdi-path-fill", {&canvas, &polygon});
}

TEST(GdiPath, StrokedPathsMatchTheFigures) {
    // A rectangle recorded and stroked is the rectangle's outline.
    Canvas stroked(8, 6), figure(8, 6);
    {
        Tools a(stroked.Dc(), CreatePen(PS_SOLID, 1, Black), CreateSolidBrush(Grey));
        BeginPath(stroked.Dc());
        Rectangle(stroked.Dc(), 1, 1, 7, 5);
        EndPath(stroked.Dc());
        EXPECT_TRUE(StrokePath(stroked.Dc()));
        Tools b(figure.Dc(), CreatePen(PS_SOLID, 1, Black), static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
        Rectangle(figure.Dc(), 1, 1, 7, 5);
    }
    EXPECT_EQ(Drawn(figure), Drawn(stroked));

    // Stroked and filled: the polygon with outline and interior.
    Canvas both(9, 7), polygon(9, 7);
    const POINT pts[] = {{1, 1}, {7, 2}, {5, 6}, {2, 5}};
    {
        Tools a(both.Dc(), CreatePen(PS_SOLID, 1, Black), CreateSolidBrush(Grey));
        BeginPath(both.Dc());
        Polygon(both.Dc(), pts, 4);
        EndPath(both.Dc());
        EXPECT_TRUE(StrokeAndFillPath(both.Dc()));
        Tools b(polygon.Dc(), CreatePen(PS_SOLID, 1, Black), CreateSolidBrush(Grey));
        Polygon(polygon.Dc(), pts, 4);
    }
    EXPECT_EQ(Drawn(polygon), Drawn(both));

    // An open figure stroked with a wide pen is the polyline with that pen.
    Canvas wide(14, 12), line(14, 12);
    const POINT bend[] = {{2, 2}, {10, 3}, {6, 9}};
    {
        Tools a(wide.Dc(), CreatePen(PS_SOLID, 3, Black), CreateSolidBrush(Grey));
        BeginPath(wide.Dc());
        Polyline(wide.Dc(), bend, 3);
        EndPath(wide.Dc());
        StrokePath(wide.Dc());
        Tools b(line.Dc(), CreatePen(PS_SOLID, 3, Black), CreateSolidBrush(Grey));
        Polyline(line.Dc(), bend, 3);
    }
    EXPECT_EQ(Drawn(line), Drawn(wide));
    gditest::SaveSheet("gdi-path-stroke", {&stroked, &both, &wide});
}

TEST(GdiPath, PathsToRegions) {
    Canvas canvas(17, 17);
    HDC dc = canvas.Dc();
    const POINT star[] = {{8, 0}, {13, 16}, {0, 6}, {16, 6}, {3, 16}};
    for (int mode : {ALTERNATE, WINDING}) {
        SCOPED_TRACE(mode);
        SetPolyFillMode(dc, mode);
        BeginPath(dc);
        Polygon(dc, star, 5);
        EndPath(dc);
        HRGN fromPath = PathToRegion(dc);
        ASSERT_NE(nullptr, fromPath);
        HRGN polygon = CreatePolygonRgn(star, 5, mode);
        EXPECT_TRUE(EqualRgn(fromPath, polygon));
        DeleteObject(polygon);
        DeleteObject(fromPath);
        EXPECT_EQ(nullptr, PathToRegion(dc)) << "the path was used up";
    }

    // Paths are kept in device coordinates.
    SetViewportOrgEx(dc, 3, 0, nullptr);
    BeginPath(dc);
    Rectangle(dc, 0, 0, 5, 5);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    EndPath(dc);
    HRGN moved = PathToRegion(dc);
    RECT box;
    GetRgnBox(moved, &box);
    EXPECT_EQ(3, box.left);
    EXPECT_EQ(7, box.right) << "a rectangle records its outline pixels, as Rectangle draws them";
    DeleteObject(moved);

    // An ellipse recorded in a path fills symmetrically inside its box.
    BeginPath(dc);
    Ellipse(dc, 1, 1, 16, 16);
    EndPath(dc);
    HRGN round = PathToRegion(dc);
    GetRgnBox(round, &box);
    EXPECT_EQ(1, box.left);
    EXPECT_EQ(1, box.top);
    EXPECT_EQ(15, box.right);
    EXPECT_EQ(15, box.bottom);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 17; ++x) {
            EXPECT_EQ(bool(PtInRegion(round, x, y)), bool(PtInRegion(round, 15 - x, y))) << x << "," << y;
            EXPECT_EQ(bool(PtInRegion(round, x, y)), bool(PtInRegion(round, y, x))) << x << "," << y;
        }
    DeleteObject(round);

    // The bracket's rules.
    EXPECT_FALSE(EndPath(dc));
    EXPECT_FALSE(CloseFigure(dc));
    EXPECT_FALSE(StrokePath(dc));
    BeginPath(dc);
    LineTo(dc, 5, 5);
    EXPECT_TRUE(AbortPath(dc));
    EXPECT_FALSE(EndPath(dc));
    BeginPath(dc);
    EXPECT_FALSE(CloseFigure(dc)) << "no figure yet";
    AbortPath(dc);
}

} // namespace
