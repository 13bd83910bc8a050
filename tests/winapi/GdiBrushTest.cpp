// Brushes: hatches with the background mode, pattern brushes and their phase at the device
// origin plus the brush origin, monochrome patterns in the text and background colours,
// and the DC brush and pen.
#include <gtest/gtest.h>

#include <vector>

#include "platform/winapi/GdiDc.h"
#include "tests/winapi/GdiTestImage.h"

namespace {

using gditest::Canvas;
using gditest::Rows;

constexpr COLORREF Black = RGB(0, 0, 0);
constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Red = RGB(255, 0, 0);
constexpr COLORREF Blue = RGB(0, 0, 255);
constexpr COLORREF Green = RGB(0, 255, 0);

void FillWith(HDC dc, HBRUSH brush, int width, int height) {
    RECT r{0, 0, width, height};
    FillRect(dc, &r, brush);
}

TEST(GdiBrush, HatchesThroughTheBrushOrigin) {
    struct Hatch {
        int style;
        std::string map;
    };
    const std::vector<Hatch> hatches = {
        {HS_HORIZONTAL, Rows({
                            "########",
                            "oooooooo",
                            "oooooooo",
                            "oooooooo",
                            "oooooooo",
                            "oooooooo",
                            "oooooooo",
                            "oooooooo",
                        })},
        {HS_VERTICAL, Rows({
                          "#ooooooo",
                          "#ooooooo",
                          "#ooooooo",
                          "#ooooooo",
                          "#ooooooo",
                          "#ooooooo",
                          "#ooooooo",
                          "#ooooooo",
                      })},
        {HS_FDIAGONAL, Rows({
                           "#ooooooo",
                           "o#oooooo",
                           "oo#ooooo",
                           "ooo#oooo",
                           "oooo#ooo",
                           "ooooo#oo",
                           "oooooo#o",
                           "ooooooo#",
                       })},
        {HS_BDIAGONAL, Rows({
                           "#ooooooo",
                           "ooooooo#",
                           "oooooo#o",
                           "ooooo#oo",
                           "oooo#ooo",
                           "ooo#oooo",
                           "oo#ooooo",
                           "o#oooooo",
                       })},
        {HS_CROSS, Rows({
                       "########",
                       "#ooooooo",
                       "#ooooooo",
                       "#ooooooo",
                       "#ooooooo",
                       "#ooooooo",
                       "#ooooooo",
                       "#ooooooo",
                   })},
        {HS_DIAGCROSS, Rows({
                           "#ooooooo",
                           "o#ooooo#",
                           "oo#ooo#o",
                           "ooo#o#oo",
                           "oooo#ooo",
                           "ooo#o#oo",
                           "oo#ooo#o",
                           "o#ooooo#",
                       })},
    };
    std::vector<std::unique_ptr<Canvas>> sheet;
    for (const Hatch& h : hatches) {
        SCOPED_TRACE(h.style);
        HBRUSH brush = CreateHatchBrush(h.style, Black);
        auto opaque = std::make_unique<Canvas>(8, 8);
        SetBkColor(opaque->Dc(), Blue);
        FillWith(opaque->Dc(), brush, 8, 8);
        EXPECT_EQ(h.map, opaque->Map({{Black, '#'}, {Blue, 'o'}}));
        // In TRANSPARENT mode the gaps keep what was there.
        Canvas transparent(8, 8, Green);
        SetBkMode(transparent.Dc(), TRANSPARENT);
        FillWith(transparent.Dc(), brush, 8, 8);
        std::string expected = h.map;
        for (char& c : expected)
            if (c == 'o') c = 'g';
        EXPECT_EQ(expected, transparent.Map({{Black, '#'}, {Green, 'g'}}));
        DeleteObject(brush);
        sheet.push_back(std::move(opaque));
    }
    std::vector<const Canvas*> images;
    for (const auto& c : sheet)
        images.push_back(c.get());
    gditest::SaveSheet("gdi-brush-hatches", images);
}

// A monochrome 8x8 pattern with one black pixel at (0, 0); rows are padded to two bytes.
HBITMAP DotPattern() {
    std::vector<unsigned char> bits(16, 0xFF);
    bits[0] = 0x7F;
    return CreateBitmap(8, 8, 1, 1, bits.data());
}

std::vector<POINT> Dots(const Canvas& canvas, COLORREF ink) {
    std::vector<POINT> dots;
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
            if (canvas.Pixel(x, y) == ink) dots.push_back({x, y});
    return dots;
}

void ExpectDots(const std::vector<POINT>& want, const std::vector<POINT>& got) {
    ASSERT_EQ(want.size(), got.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(want[i].x, got[i].x) << i;
        EXPECT_EQ(want[i].y, got[i].y) << i;
    }
}

TEST(GdiBrush, PatternPhaseFollowsTheDeviceAndBrushOrigins) {
    HBITMAP dot = DotPattern();
    HBRUSH brush = CreatePatternBrush(dot);
    ASSERT_NE(nullptr, brush);
    ASSERT_TRUE(DeleteObject(dot)) << "the brush keeps its own copy";

    Canvas plain(16, 16);
    FillWith(plain.Dc(), brush, 16, 16);
    ExpectDots({{0, 0}, {8, 0}, {0, 8}, {8, 8}}, Dots(plain, Black));

    Canvas moved(16, 16);
    POINT old;
    EXPECT_TRUE(SetBrushOrgEx(moved.Dc(), 3, 2, &old));
    EXPECT_EQ(0, old.x);
    FillWith(moved.Dc(), brush, 16, 16);
    ExpectDots({{3, 2}, {11, 2}, {3, 10}, {11, 10}}, Dots(moved, Black));

    // Logical origins move the rectangle, not the pattern.
    Canvas logical(16, 16);
    SetViewportOrgEx(logical.Dc(), 5, 5, nullptr);
    RECT r{-5, -5, 11, 11};
    FillRect(logical.Dc(), &r, brush);
    ExpectDots({{0, 0}, {8, 0}, {0, 8}, {8, 8}}, Dots(logical, Black));

    // A context drawing on part of a larger image (as a window does) phases at its own
    // device origin.
    Canvas surface(16, 16, Green);
    GdiImageTarget target;
    target.Surface.Bits = reinterpret_cast<std::uint8_t*>(const_cast<std::uint32_t*>(surface.Bits()));
    target.Surface.Width = 16;
    target.Surface.Height = 16;
    target.Surface.Stride = 16 * 4;
    target.Origin = {5, 3};
    target.Bounds = {0, 0, 10, 12};
    HDC window = GdiCreateImageDC(target);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(OBJ_DC, GetObjectType(window));
    FillWith(window, brush, 100, 100);
    ExpectDots({{5, 3}, {13, 3}, {5, 11}, {13, 11}}, Dots(surface, Black));
    EXPECT_EQ(Green, surface.Pixel(4, 3)) << "left of the context";
    EXPECT_EQ(Green, surface.Pixel(15, 3)) << "right of its bounds";
    EXPECT_EQ(White, surface.Pixel(14, 14));
    EXPECT_EQ(10, GetDeviceCaps(window, HORZRES));
    EXPECT_TRUE(DeleteDC(window));
    gditest::SaveSheet("gdi-brush-phase", {&plain, &moved, &logical, &surface});
    DeleteObject(brush);
}

TEST(GdiBrush, MonochromeAndColourPatterns) {
    HBITMAP dot = DotPattern();
    HBRUSH brush = CreatePatternBrush(dot);
    DeleteObject(dot);
    // Monochrome: 0 bits in the text colour, 1 bits in the background colour.
    Canvas canvas(8, 2, Green);
    SetTextColor(canvas.Dc(), Red);
    SetBkColor(canvas.Dc(), Blue);
    FillWith(canvas.Dc(), brush, 8, 1);
    EXPECT_EQ(Rows({"rbbbbbbb", "gggggggg"}), canvas.Map({{Red, 'r'}, {Blue, 'b'}, {Green, 'g'}}));
    SetBkMode(canvas.Dc(), TRANSPARENT);
    canvas.Fill(Green);
    FillWith(canvas.Dc(), brush, 8, 1);
    EXPECT_EQ(Rows({"rggggggg", "gggggggg"}), canvas.Map({{Red, 'r'}, {Blue, 'b'}, {Green, 'g'}}));
    DeleteObject(brush);

    // Colour: the whole of a bitmap larger than 8x8, tiled.
    Canvas source(10, 10, Blue);
    for (int y = 0; y < 10; ++y)
        SetPixel(source.Dc(), 8, y, Red);
    SetPixel(source.Dc(), 1, 0, Green);
    HBRUSH colour = CreatePatternBrush(source.Bitmap());
    Canvas tiled(16, 1);
    FillWith(tiled.Dc(), colour, 16, 1);
    EXPECT_EQ("bgbbbbbbrbbgbbbb", tiled.Map({{Red, 'r'}, {Blue, 'b'}, {Green, 'g'}}));
    DeleteObject(colour);

    // A hatched brush fills figures, phased the same way.
    Canvas figure(8, 4);
    HBRUSH hatch = CreateHatchBrush(HS_VERTICAL, Black);
    HGDIOBJ oldBrush = SelectObject(figure.Dc(), hatch);
    HGDIOBJ oldPen = SelectObject(figure.Dc(), GetStockObject(NULL_PEN));
    SetBrushOrgEx(figure.Dc(), 2, 0, nullptr);
    Rectangle(figure.Dc(), 0, 0, 9, 5);
    EXPECT_EQ(Rows({"..#.....", "..#.....", "..#.....", "..#....."}), figure.Map(Black));
    SelectObject(figure.Dc(), oldBrush);
    SelectObject(figure.Dc(), oldPen);
    DeleteObject(hatch);
}

TEST(GdiBrush, DcBrushAndPen) {
    Canvas canvas(5, 4);
    HDC dc = canvas.Dc();
    EXPECT_EQ(White, GetDCBrushColor(dc));
    EXPECT_EQ(White, SetDCBrushColor(dc, Red));
    EXPECT_EQ(Black, SetDCPenColor(dc, Blue));
    SelectObject(dc, GetStockObject(DC_BRUSH));
    SelectObject(dc, GetStockObject(DC_PEN));
    Rectangle(dc, 0, 0, 5, 4);
    EXPECT_EQ(Blue, canvas.Pixel(0, 0));
    EXPECT_EQ(Red, canvas.Pixel(2, 2));
    // The colour is taken when drawing.
    SetDCBrushColor(dc, Green);
    RECT r{1, 1, 2, 2};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    EXPECT_EQ(Green, canvas.Pixel(1, 1));
    EXPECT_EQ(Red, canvas.Pixel(2, 1));
}

} // namespace
