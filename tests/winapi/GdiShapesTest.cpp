// Figures with outline and interior: rectangles, polygons, ellipses, rounded rectangles,
// arcs, chords and pies, against golden pixel maps ('#' pen, 'o' brush, '.' untouched).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "platform/winapi/Gdi.h"
#include "tests/winapi/GdiTestImage.h"

namespace {

using gditest::Canvas;
using gditest::Rows;

constexpr COLORREF Ink = RGB(0, 0, 0);
constexpr COLORREF Grey = RGB(128, 128, 128);
constexpr COLORREF Paper = RGB(255, 255, 255);

// A canvas with a black pen of the given style and width and a grey brush selected.
class Figure : public Canvas {
public:
    Figure(int width, int height, int penStyle = PS_SOLID, int penWidth = 1) : Canvas(width, height) {
        FPen = penStyle == PS_NULL ? static_cast<HPEN>(GetStockObject(NULL_PEN))
                                   : CreatePen(penStyle, penWidth, Ink);
        FBrush = CreateSolidBrush(Grey);
        FOldPen = SelectObject(Dc(), FPen);
        FOldBrush = SelectObject(Dc(), FBrush);
    }
    ~Figure() {
        SelectObject(Dc(), FOldPen);
        SelectObject(Dc(), FOldBrush);
        DeleteObject(FPen);
        DeleteObject(FBrush);
    }
    std::string Drawn() const { return Map({{Ink, '#'}, {Grey, 'o'}, {Paper, '.'}}); }

private:
    HPEN FPen;
    HBRUSH FBrush;
    HGDIOBJ FOldPen, FOldBrush;
};

// The map of two regions: '#' for the first, 'o' for the second, '.' elsewhere.
std::string RegionsMap(HRGN pen, HRGN brush, int width, int height) {
    std::string out;
    for (int y = 0; y < height; ++y) {
        if (y) out += '\n';
        for (int x = 0; x < width; ++x)
            out += PtInRegion(pen, x, y) ? '#' : brush && PtInRegion(brush, x, y) ? 'o' : '.';
    }
    return out;
}

TEST(GdiShapes, Rectangles) {
    Figure thin(7, 6);
    EXPECT_TRUE(Rectangle(thin.Dc(), 1, 1, 6, 5));
    EXPECT_EQ(Rows({".......", ".#####.", ".#ooo#.", ".#ooo#.", ".#####.", "......."}), thin.Drawn());

    // Without a pen the rectangle is one pixel smaller in each direction.
    Figure bare(7, 6, PS_NULL);
    Rectangle(bare.Dc(), 1, 1, 6, 5);
    EXPECT_EQ(Rows({".......", ".oooo..", ".oooo..", ".oooo..", ".......", "......."}), bare.Drawn());

    // Corners given the other way round draw the same.
    Figure swapped(7, 6);
    Rectangle(swapped.Dc(), 6, 5, 1, 1);
    EXPECT_EQ(thin.Drawn(), swapped.Drawn());

    // A wide pen straddles the outline; an inside-frame pen stays within the rectangle.
    const std::string wideMap = Rows({
        "..........",
        ".########.",
        ".########.",
        ".########.",
        ".###oo###.",
        ".########.",
        ".########.",
        ".########.",
        "..........",
    });
    Figure wide(10, 9, PS_SOLID, 3);
    Rectangle(wide.Dc(), 2, 2, 8, 7);
    EXPECT_EQ(wideMap, wide.Drawn());
    Figure inside(10, 9, PS_INSIDEFRAME, 3);
    Rectangle(inside.Dc(), 1, 1, 9, 8);
    EXPECT_EQ(wideMap, inside.Drawn());

    // A dotted outline runs its pattern on around the corners; gaps stay untouched in
    // TRANSPARENT mode and are not filled by the brush.
    Figure dotted(9, 5, PS_DOT);
    SetBkMode(dotted.Dc(), TRANSPARENT);
    Rectangle(dotted.Dc(), 0, 0, 9, 5);
    EXPECT_EQ(Rows({"###...###", ".ooooooo.", ".ooooooo.", ".ooooooo.", "###...###"}), dotted.Drawn());
    gditest::SaveSheet("gdi-shapes-rectangles", {&thin, &bare, &wide, &inside, &dotted});
}

TEST(GdiShapes, Polygons) {
    // The outline of a polygon passes through its vertices, so it covers one more pixel than
    // Rectangle to the right and below.
    Figure square(8, 7);
    const POINT pts[] = {{1, 1}, {6, 1}, {6, 5}, {1, 5}};
    EXPECT_TRUE(Polygon(square.Dc(), pts, 4));
    EXPECT_EQ(Rows({"........", ".######.", ".#oooo#.", ".#oooo#.", ".#oooo#.", ".######.", "........"}),
              square.Drawn());

    // Without a pen the fill takes the pixels whose centres lie inside.
    Figure bare(8, 7, PS_NULL);
    Polygon(bare.Dc(), pts, 4);
    EXPECT_EQ(Rows({"........", ".ooooo..", ".ooooo..", ".ooooo..", ".ooooo..", "........", "........"}),
              bare.Drawn());

    // A star drawn in one stroke: its centre is inside with WINDING only.
    const POINT star[] = {{8, 0}, {13, 16}, {0, 6}, {16, 6}, {3, 16}};
    Figure alternate(17, 17, PS_NULL), winding(17, 17, PS_NULL);
    Polygon(alternate.Dc(), star, 5);
    EXPECT_EQ(ALTERNATE, SetPolyFillMode(winding.Dc(), WINDING));
    Polygon(winding.Dc(), star, 5);
    EXPECT_EQ(Paper, alternate.Pixel(8, 9));
    EXPECT_EQ(Grey, winding.Pixel(8, 9));
    EXPECT_EQ(Grey, alternate.Pixel(8, 3));
    // The same pixels as the region of the same polygon.
    HRGN alternateRgn = CreatePolygonRgn(star, 5, ALTERNATE), windingRgn = CreatePolygonRgn(star, 5, WINDING);
    EXPECT_EQ(RegionsMap(nullptr, alternateRgn, 17, 17), alternate.Drawn());
    EXPECT_EQ(RegionsMap(nullptr, windingRgn, 17, 17), winding.Drawn());
    DeleteObject(alternateRgn);
    DeleteObject(windingRgn);

    // Two polygons at once; each gets its own outline.
    Figure two(9, 4);
    const POINT both[] = {{0, 0}, {3, 0}, {3, 3}, {0, 3}, {5, 0}, {8, 0}, {8, 3}, {5, 3}};
    const INT counts[] = {4, 4};
    EXPECT_TRUE(PolyPolygon(two.Dc(), both, counts, 2));
    EXPECT_EQ(Rows({"####.####", "#oo#.#oo#", "#oo#.#oo#", "####.####"}), two.Drawn());
    EXPECT_FALSE(Polygon(two.Dc(), pts, 1));
    gditest::SaveSheet("gdi-shapes-polygons", {&square, &bare, &alternate, &winding, &two});
}

TEST(GdiShapes, EllipsesAndRoundRects) {
    Figure circle(8, 8);
    EXPECT_TRUE(Ellipse(circle.Dc(), 0, 0, 8, 8));
    EXPECT_EQ(Rows({
                  "..####..",
                  ".#oooo#.",
                  "#oooooo#",
                  "#oooooo#",
                  "#oooooo#",
                  "#oooooo#",
                  ".#oooo#.",
                  "..####..",
              }),
              circle.Drawn());

    Figure bare(8, 8, PS_NULL);
    Ellipse(bare.Dc(), 0, 0, 8, 8);
    EXPECT_EQ(Rows({
                  "..ooo...",
                  ".ooooo..",
                  "ooooooo.",
                  "ooooooo.",
                  "ooooooo.",
                  ".ooooo..",
                  "..ooo...",
                  "........",
              }),
              bare.Drawn());

    Figure wideEllipse(8, 6);
    Ellipse(wideEllipse.Dc(), 0, 0, 8, 6);
    EXPECT_EQ(Rows({"..####..", ".#oooo#.", "#oooooo#", "#oooooo#", ".#oooo#.", "..####.."}),
              wideEllipse.Drawn());

    Figure rounded(10, 7);
    EXPECT_TRUE(RoundRect(rounded.Dc(), 0, 0, 10, 7, 4, 4));
    EXPECT_EQ(Rows({
                  ".########.",
                  "#oooooooo#",
                  "#oooooooo#",
                  "#oooooooo#",
                  "#oooooooo#",
                  "#oooooooo#",
                  ".########.",
              }),
              rounded.Drawn());
    // Square corners make a rectangle.
    Figure square(10, 7), rect(10, 7);
    RoundRect(square.Dc(), 1, 1, 9, 6, 0, 0);
    Rectangle(rect.Dc(), 1, 1, 9, 6);
    EXPECT_EQ(rect.Drawn(), square.Drawn());

    // A wide pen's ring: from the ellipse grown by (w - 1) / 2 to the one shrunk by
    // (w + 1) / 2; an inside-frame pen's ring ends at the box.
    struct Wide {
        const char* name;
        int style;
        RECT outer, inner;
    };
    const std::vector<Wide> rings = {
        {"centred", PS_SOLID, {1, 1, 13, 13}, {4, 4, 10, 10}},
        {"inside frame", PS_INSIDEFRAME, {2, 2, 12, 12}, {5, 5, 9, 9}},
    };
    for (const Wide& w : rings) {
        SCOPED_TRACE(w.name);
        Figure ring(14, 14, w.style, 3);
        Ellipse(ring.Dc(), 2, 2, 12, 12);
        HRGN outer = CreateEllipticRgnIndirect(&w.outer), inner = CreateEllipticRgnIndirect(&w.inner);
        CombineRgn(outer, outer, inner, RGN_DIFF);
        EXPECT_EQ(RegionsMap(outer, inner, 14, 14), ring.Drawn());
        DeleteObject(outer);
        DeleteObject(inner);
    }
    gditest::SaveSheet("gdi-shapes-ellipses", {&circle, &bare, &wideEllipse, &rounded});
}

TEST(GdiShapes, ArcsChordsAndPies) {
    // The quarter from east to north, counter-clockwise.
    Figure pie(8, 8);
    EXPECT_TRUE(Pie(pie.Dc(), 0, 0, 8, 8, 8, 4, 4, 0));
    EXPECT_EQ(Rows({
                  "....##..",
                  "....#o#.",
                  "....#oo#",
                  "....####",
                  "........",
                  "........",
                  "........",
                  "........",
              }),
              pie.Drawn());

    Figure arc(8, 8);
    EXPECT_TRUE(Arc(arc.Dc(), 0, 0, 8, 8, 8, 4, 4, 0));
    EXPECT_EQ(Rows({
                  "....##..",
                  "......#.",
                  ".......#",
                  ".......#",
                  "........",
                  "........",
                  "........",
                  "........",
              }),
              arc.Drawn());

    // The upper half: the chord runs along the pixels just above the centre line.
    Figure chord(8, 8);
    EXPECT_TRUE(Chord(chord.Dc(), 0, 0, 8, 8, 8, 4, 0, 4));
    EXPECT_EQ(Rows({
                  "..####..",
                  ".#oooo#.",
                  "#oooooo#",
                  "########",
                  "........",
                  "........",
                  "........",
                  "........",
              }),
              chord.Drawn());

    // Clockwise, the same end points give the other three quarters.
    Figure clockwise(8, 8);
    EXPECT_EQ(AD_COUNTERCLOCKWISE, SetArcDirection(clockwise.Dc(), AD_CLOCKWISE));
    Pie(clockwise.Dc(), 0, 0, 8, 8, 8, 4, 4, 0);
    EXPECT_EQ(Ink, clockwise.Pixel(0, 3));
    EXPECT_EQ(Ink, clockwise.Pixel(4, 7));
    EXPECT_EQ(Grey, clockwise.Pixel(2, 5));
    EXPECT_EQ(Paper, clockwise.Pixel(6, 2));
    EXPECT_EQ(Paper, clockwise.Pixel(5, 1));

    // Equal start and end directions make the whole ellipse.
    Figure whole(8, 8), ellipse(8, 8);
    Arc(whole.Dc(), 0, 0, 8, 8, 8, 4, 8, 4);
    SelectObject(ellipse.Dc(), GetStockObject(NULL_BRUSH));
    Ellipse(ellipse.Dc(), 0, 0, 8, 8);
    EXPECT_EQ(ellipse.Drawn(), whole.Drawn());

    // A larger pie, wide pen, for the picture.
    Figure big(40, 40, PS_SOLID, 3);
    Pie(big.Dc(), 4, 4, 36, 36, 36, 4, 4, 20);
    EXPECT_EQ(Grey, big.Pixel(18, 14));
    EXPECT_EQ(Paper, big.Pixel(26, 28));
    gditest::SaveSheet("gdi-shapes-arcs", {&pie, &arc, &chord, &clockwise, &big});
}

} // namespace

namespace {

std::string Mirrored(const std::string& map, bool horizontally) {
    std::vector<std::string> rows;
    std::size_t at = 0;
    while (at <= map.size()) {
        std::size_t end = map.find('\n', at);
        if (end == std::string::npos) end = map.size();
        rows.push_back(map.substr(at, end - at));
        at = end + 1;
    }
    if (horizontally)
        for (std::string& r : rows)
            r = std::string(r.rbegin(), r.rend());
    else
        rows = std::vector<std::string>(rows.rbegin(), rows.rend());
    std::string out;
    for (std::size_t i = 0; i < rows.size(); ++i)
        out += (i ? "\n" : "") + rows[i];
    return out;
}

// Box figures of odd and even sizes, thin and wide pens, come out mirror-symmetric: the
// pixel rules have no bias to one side.
TEST(GdiShapes, BoxFiguresAreSymmetric) {
    struct Case {
        int width, height, penWidth, style;
    };
    const std::vector<Case> cases = {
        {9, 9, 1, PS_SOLID},   {10, 7, 1, PS_SOLID},        {31, 20, 1, PS_SOLID}, {24, 24, 3, PS_SOLID},
        {25, 18, 5, PS_SOLID}, {30, 30, 4, PS_INSIDEFRAME}, {17, 30, 1, PS_NULL},
    };
    for (const Case& c : cases) {
        for (int kind = 0; kind < 2; ++kind) {
            SCOPED_TRACE(testing::Message()
                         << c.width << "x" << c.height << " pen " << c.penWidth << " kind " << kind);
            Figure figure(c.width + 8, c.height + 8, c.style, c.penWidth);
            if (kind == 0)
                Ellipse(figure.Dc(), 4, 4, 4 + c.width, 4 + c.height);
            else
                RoundRect(figure.Dc(), 4, 4, 4 + c.width, 4 + c.height, c.width / 2, c.height / 3);
            std::string map = figure.Drawn();
            if (c.penWidth % 2 == 1 && c.style != PS_NULL) {
                EXPECT_EQ(map, Mirrored(map, true));
                EXPECT_EQ(map, Mirrored(map, false));
            }
            EXPECT_EQ(std::string::npos, map.find('?'));
            EXPECT_EQ(Grey, figure.Pixel(4 + c.width / 2, 4 + c.height / 2)) << "filled";
        }
    }
}

// A sheet at a more usual size, for a person to look at.
TEST(GdiShapes, Sheet) {
    Figure sheet(160, 100);
    HDC dc = sheet.Dc();
    HPEN dotted = CreatePen(PS_DOT, 1, RGB(0, 0, 160));
    HGDIOBJ oldPen = SelectObject(dc, dotted);
    Rectangle(dc, 4, 4, 60, 40);
    SelectObject(dc, oldPen);
    DeleteObject(dotted);
    HPEN wide = CreatePen(PS_SOLID, 4, RGB(160, 0, 0));
    oldPen = SelectObject(dc, wide);
    Ellipse(dc, 70, 4, 150, 60);
    SelectObject(dc, oldPen);
    DeleteObject(wide);
    HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(0, 128, 0));
    HGDIOBJ oldBrush = SelectObject(dc, hatch);
    RoundRect(dc, 4, 50, 60, 95, 16, 16);
    SelectObject(dc, oldBrush);
    DeleteObject(hatch);
    Pie(dc, 70, 62, 110, 98, 110, 62, 70, 80);
    Chord(dc, 112, 62, 156, 98, 156, 80, 112, 80);
    EXPECT_EQ(RGB(160, 0, 0), sheet.Pixel(110, 4));
    gditest::SaveSheet("gdi-shapes-sheet", {&sheet}, 4);
}

} // namespace

namespace {

// Whether any brush pixel can be reached from the image's border without crossing the pen
// (4-connected steps): the thin outline of a pie or chord must close its interior.
bool InteriorLeaks(const Canvas& c) {
    int w = c.Width(), h = c.Height();
    std::vector<char> seen(std::size_t(w) * h, 0);
    std::vector<POINT> todo;
    for (int x = 0; x < w; ++x)
        todo.insert(todo.end(), {POINT{x, 0}, POINT{x, h - 1}});
    for (int y = 0; y < h; ++y)
        todo.insert(todo.end(), {POINT{0, y}, POINT{w - 1, y}});
    while (!todo.empty()) {
        POINT p = todo.back();
        todo.pop_back();
        if (p.x < 0 || p.y < 0 || p.x >= w || p.y >= h) continue;
        char& s = seen[std::size_t(p.y) * w + p.x];
        if (s || c.Pixel(p.x, p.y) == Ink) continue;
        s = 1;
        if (c.Pixel(p.x, p.y) == Grey) return true;
        todo.insert(todo.end(),
                    {POINT{p.x + 1, p.y}, POINT{p.x - 1, p.y}, POINT{p.x, p.y + 1}, POINT{p.x, p.y - 1}});
    }
    return false;
}

TEST(GdiShapes, ThinOutlinesCloseTheirInterior) {
    const double pi = 3.14159265358979323846;
    for (RECT box : {RECT{3, 3, 23, 17}, RECT{3, 3, 24, 24}, RECT{3, 3, 12, 30}}) {
        for (int direction : {AD_COUNTERCLOCKWISE, AD_CLOCKWISE}) {
            for (int a = 0; a < 9; ++a) {
                for (int b = 0; b < 9; ++b) {
                    if (a == b) continue;
                    SCOPED_TRACE(testing::Message() << box.right << "x" << box.bottom << " dir " << direction
                                                    << " " << a << "->" << b);
                    double cx = (box.left + box.right) / 2.0, cy = (box.top + box.bottom) / 2.0;
                    int xs = int(std::lround(cx + 100 * std::cos(a * pi / 4.5 + 0.1)));
                    int ys = int(std::lround(cy - 100 * std::sin(a * pi / 4.5 + 0.1)));
                    int xe = int(std::lround(cx + 100 * std::cos(b * pi / 4.5 + 0.1)));
                    int ye = int(std::lround(cy - 100 * std::sin(b * pi / 4.5 + 0.1)));
                    Figure pie(box.right + 3, box.bottom + 3), chord(box.right + 3, box.bottom + 3);
                    SetArcDirection(pie.Dc(), direction);
                    SetArcDirection(chord.Dc(), direction);
                    Pie(pie.Dc(), box.left, box.top, box.right, box.bottom, xs, ys, xe, ye);
                    Chord(chord.Dc(), box.left, box.top, box.right, box.bottom, xs, ys, xe, ye);
                    ASSERT_FALSE(InteriorLeaks(pie)) << pie.Drawn();
                    ASSERT_FALSE(InteriorLeaks(chord)) << chord.Drawn();
                }
            }
        }
    }
    // Polygons: the fill keeps to the inner side of every outline pixel.
    unsigned seed = 7;
    auto next = [&](int range) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % unsigned(range));
    };
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        POINT pts[5];
        int count = 3 + next(3);
        for (int i = 0; i < count; ++i) pts[i] = {2 + next(26), 2 + next(26)};
        Figure polygon(30, 30);
        Polygon(polygon.Dc(), pts, count);
        ASSERT_FALSE(InteriorLeaks(polygon)) << polygon.Drawn();
    }
}

} // namespace
