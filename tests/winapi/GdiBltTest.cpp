// Blits: every named raster operation (and any other ternary one) on a 2x2 case, monochrome
// and colour conversions, stretching and mirroring, overlapping copies, masks and the
// transparent copy.
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
constexpr COLORREF Red = RGB(255, 0, 0);
constexpr COLORREF Green = RGB(0, 255, 0);
constexpr COLORREF Blue = RGB(0, 0, 255);

// A memory context with a monochrome bitmap made from rows of '#' (black, 0) and '.'
// (white, 1).
class MonoImage {
public:
    MonoImage(std::initializer_list<const char*> rows) {
        FHeight = int(rows.size());
        FWidth = int(std::string(*rows.begin()).size());
        std::vector<unsigned char> bits(std::size_t(((FWidth + 15) / 16) * 2 * FHeight), 0);
        int y = 0;
        for (const char* row : rows) {
            for (int x = 0; x < FWidth; ++x)
                if (row[x] == '.') bits[std::size_t(y * ((FWidth + 15) / 16) * 2 + x / 8)] |= 0x80 >> (x % 8);
            ++y;
        }
        FBitmap = CreateBitmap(FWidth, FHeight, 1, 1, bits.data());
        FDc = CreateCompatibleDC(nullptr);
        FOld = SelectObject(FDc, FBitmap);
    }
    ~MonoImage() {
        SelectObject(FDc, FOld);
        DeleteDC(FDc);
        DeleteObject(FBitmap);
    }
    HDC Dc() const { return FDc; }
    HBITMAP Bitmap() const { return FBitmap; }
    std::string Map() const {
        std::string out;
        for (int y = 0; y < FHeight; ++y) {
            if (y) out += '\n';
            for (int x = 0; x < FWidth; ++x)
                out += GetPixel(FDc, x, y) == Black ? '#' : '.';
        }
        return out;
    }

private:
    int FWidth, FHeight;
    HBITMAP FBitmap;
    HDC FDc;
    HGDIOBJ FOld;
};

TEST(GdiBlt, EveryNamedRasterOperation) {
    using Fn = std::function<unsigned(unsigned p, unsigned s, unsigned d)>;
    struct Op {
        const char* name;
        DWORD rop;
        Fn f;
    };
    const std::vector<Op> ops = {
        {"SRCCOPY", SRCCOPY, [](unsigned, unsigned s, unsigned) { return s; }},
        {"SRCPAINT", SRCPAINT, [](unsigned, unsigned s, unsigned d) { return s | d; }},
        {"SRCAND", SRCAND, [](unsigned, unsigned s, unsigned d) { return s & d; }},
        {"SRCINVERT", SRCINVERT, [](unsigned, unsigned s, unsigned d) { return s ^ d; }},
        {"SRCERASE", SRCERASE, [](unsigned, unsigned s, unsigned d) { return s & ~d; }},
        {"NOTSRCCOPY", NOTSRCCOPY, [](unsigned, unsigned s, unsigned) { return ~s; }},
        {"NOTSRCERASE", NOTSRCERASE, [](unsigned, unsigned s, unsigned d) { return ~(s | d); }},
        {"MERGECOPY", MERGECOPY, [](unsigned p, unsigned s, unsigned) { return p & s; }},
        {"MERGEPAINT", MERGEPAINT, [](unsigned, unsigned s, unsigned d) { return ~s | d; }},
        {"PATCOPY", PATCOPY, [](unsigned p, unsigned, unsigned) { return p; }},
        {"PATPAINT", PATPAINT, [](unsigned p, unsigned s, unsigned d) { return p | ~s | d; }},
        {"PATINVERT", PATINVERT, [](unsigned p, unsigned, unsigned d) { return p ^ d; }},
        {"DSTINVERT", DSTINVERT, [](unsigned, unsigned, unsigned d) { return ~d; }},
        {"BLACKNESS", BLACKNESS, [](unsigned, unsigned, unsigned) { return 0u; }},
        {"WHITENESS", WHITENESS, [](unsigned, unsigned, unsigned) { return ~0u; }},
        // Two unnamed ones: the source selects the pattern or the destination.
        {"DSPDxax", 0x00E20746, [](unsigned p, unsigned s, unsigned d) { return ((d ^ p) & s) ^ d; }},
        {"PSDPxax", 0x00B8074A, [](unsigned p, unsigned s, unsigned d) { return ((p ^ d) & s) ^ p; }},
    };
    // Red channel: pattern all ones; green: all zeros; blue: mixed bits.
    const COLORREF pattern = RGB(255, 0, 0x5A);
    for (const Op& op : ops) {
        SCOPED_TRACE(op.name);
        // Source rows black / white, destination columns black / white: all four cases.
        Canvas src(2, 2, Black), dst(2, 2);
        SetPixel(src.Dc(), 0, 1, White);
        SetPixel(src.Dc(), 1, 1, White);
        SetPixel(dst.Dc(), 0, 0, Black);
        SetPixel(dst.Dc(), 0, 1, Black);
        HBRUSH brush = CreateSolidBrush(pattern);
        HGDIOBJ old = SelectObject(dst.Dc(), brush);
        EXPECT_TRUE(BitBlt(dst.Dc(), 0, 0, 2, 2, src.Dc(), 0, 0, op.rop));
        SelectObject(dst.Dc(), old);
        DeleteObject(brush);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x) {
                COLORREF s = y ? White : Black, d = x ? White : Black;
                auto channel = [&](BYTE p, BYTE sv, BYTE dv) { return BYTE(op.f(p, sv, dv) & 0xFF); };
                COLORREF want = RGB(channel(GetRValue(pattern), GetRValue(s), GetRValue(d)),
                                    channel(GetGValue(pattern), GetGValue(s), GetGValue(d)),
                                    channel(GetBValue(pattern), GetBValue(s), GetBValue(d)));
                EXPECT_EQ(want, dst.Pixel(x, y)) << x << "," << y;
            }
    }
}

TEST(GdiBlt, OperationsWithoutSourceNeedNone) {
    Canvas dst(3, 1, RGB(0x0F, 0xF0, 0x00));
    EXPECT_TRUE(BitBlt(dst.Dc(), 0, 0, 2, 1, nullptr, 0, 0, DSTINVERT));
    EXPECT_EQ(RGB(0xF0, 0x0F, 0xFF), dst.Pixel(0, 0));
    EXPECT_EQ(RGB(0x0F, 0xF0, 0x00), dst.Pixel(2, 0));
    EXPECT_FALSE(BitBlt(dst.Dc(), 0, 0, 2, 1, nullptr, 0, 0, SRCCOPY)) << "a source operation needs a source";
    EXPECT_FALSE(PatBlt(dst.Dc(), 0, 0, 2, 1, SRCCOPY));
    EXPECT_TRUE(PatBlt(dst.Dc(), 3, 0, -2, 1, WHITENESS)) << "a negative width runs left";
    EXPECT_EQ(RGB(0xF0, 0x0F, 0xFF), dst.Pixel(0, 0));
    EXPECT_EQ(White, dst.Pixel(1, 0));
    EXPECT_EQ(White, dst.Pixel(2, 0));
}

TEST(GdiBlt, MonochromeAndColour) {
    // Monochrome to colour: 0 bits take the text colour, 1 bits the background colour.
    MonoImage mono({"#.#.", "..##"});
    Canvas colour(4, 2);
    SetTextColor(colour.Dc(), Red);
    SetBkColor(colour.Dc(), Blue);
    BitBlt(colour.Dc(), 0, 0, 4, 2, mono.Dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(Rows({"rbrb", "bbrr"}), colour.Map({{Red, 'r'}, {Blue, 'b'}}));

    // Colour to monochrome: pixels of the source's background colour become white.
    Canvas source(4, 1);
    SetPixel(source.Dc(), 0, 0, Red);
    SetPixel(source.Dc(), 1, 0, Green);
    SetPixel(source.Dc(), 2, 0, Red);
    SetPixel(source.Dc(), 3, 0, Blue);
    SetBkColor(source.Dc(), Red);
    MonoImage target({"####"});
    BitBlt(target.Dc(), 0, 0, 4, 1, source.Dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(".#.#", target.Map());

    // Drawing on a monochrome bitmap keeps it monochrome: colours go to the nearer of
    // black and white.
    HBRUSH light = CreateSolidBrush(RGB(200, 200, 200));
    RECT r{0, 0, 2, 1};
    FillRect(target.Dc(), &r, light);
    DeleteObject(light);
    EXPECT_EQ("...#", target.Map());
    EXPECT_EQ(Black, SetPixel(target.Dc(), 0, 0, RGB(100, 0, 0)));
    EXPECT_EQ("#..#", target.Map());

    // A mono-to-colour copy through DSPDxax (text black, background white) paints the
    // brush where the monochrome image is white and keeps the destination where it is
    // black: the way disabled images are embossed.
    Canvas emboss(4, 2, RGB(192, 192, 192));
    SetTextColor(emboss.Dc(), Black);
    SetBkColor(emboss.Dc(), White);
    HBRUSH shadow = CreateSolidBrush(RGB(128, 128, 128));
    HGDIOBJ old = SelectObject(emboss.Dc(), shadow);
    BitBlt(emboss.Dc(), 0, 0, 4, 2, mono.Dc(), 0, 0, 0x00E20746);
    SelectObject(emboss.Dc(), old);
    DeleteObject(shadow);
    EXPECT_EQ(Rows({".s.s", "ss.."}), emboss.Map({{RGB(128, 128, 128), 's'}, {RGB(192, 192, 192), '.'}}));
}

TEST(GdiBlt, StretchingAndMirroring) {
    Canvas src(2, 2);
    SetPixel(src.Dc(), 0, 0, Red);
    SetPixel(src.Dc(), 1, 0, Green);
    SetPixel(src.Dc(), 0, 1, Blue);
    SetPixel(src.Dc(), 1, 1, Black);
    const std::vector<std::pair<COLORREF, char>> legend = {
        {Red, 'r'}, {Green, 'g'}, {Blue, 'b'}, {Black, 'k'}, {White, '.'}};
    Canvas big(4, 4);
    EXPECT_TRUE(StretchBlt(big.Dc(), 0, 0, 4, 4, src.Dc(), 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(Rows({"rrgg", "rrgg", "bbkk", "bbkk"}), big.Map(legend));

    // A negative width mirrors: the rectangle runs left from x.
    Canvas mirrored(4, 2);
    EXPECT_TRUE(StretchBlt(mirrored.Dc(), 3, 0, -4, 2, src.Dc(), 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(Rows({"ggrr", "kkbb"}), mirrored.Map(legend));
    Canvas flipped(2, 2);
    EXPECT_TRUE(StretchBlt(flipped.Dc(), 0, 1, 2, -2, src.Dc(), 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(Rows({"bk", "rg"}), flipped.Map(legend));

    // Shrinking: BLACKONWHITE keeps black (AND), WHITEONBLACK keeps white (OR),
    // COLORONCOLOR and HALFTONE take one pixel.
    Canvas line(4, 1);
    SetPixel(line.Dc(), 1, 0, Black);
    struct Mode {
        int mode;
        std::string row;
    };
    for (const Mode& m : std::vector<Mode>{
             {BLACKONWHITE, "k."}, {WHITEONBLACK, ".."}, {COLORONCOLOR, "k."}, {HALFTONE, "k."}}) {
        SCOPED_TRACE(m.mode);
        Canvas half(2, 1, Red);
        SetStretchBltMode(half.Dc(), m.mode);
        StretchBlt(half.Dc(), 0, 0, 2, 1, line.Dc(), 0, 0, 4, 1, SRCCOPY);
        EXPECT_EQ(m.row, half.Map(legend));
    }
    Canvas dark(4, 1, Black);
    SetPixel(dark.Dc(), 0, 0, White);
    for (const Mode& m :
         std::vector<Mode>{{BLACKONWHITE, "kk"}, {WHITEONBLACK, ".k"}, {COLORONCOLOR, "kk"}}) {
        SCOPED_TRACE(m.mode);
        Canvas half(2, 1, Red);
        SetStretchBltMode(half.Dc(), m.mode);
        StretchBlt(half.Dc(), 0, 0, 2, 1, dark.Dc(), 0, 0, 4, 1, SRCCOPY);
        EXPECT_EQ(m.row, half.Map(legend));
    }
    gditest::SaveSheet("gdi-blt-stretch", {&src, &big, &mirrored, &flipped});
}

TEST(GdiBlt, OverlapsEdgesAndClipping) {
    // Scrolling up within one image reads the rows as they were.
    Canvas scroll(2, 4);
    const COLORREF rows[] = {Red, Green, Blue, Black};
    for (int y = 0; y < 4; ++y) {
        SetPixel(scroll.Dc(), 0, y, rows[y]);
        SetPixel(scroll.Dc(), 1, y, rows[y]);
    }
    BitBlt(scroll.Dc(), 0, 0, 2, 3, scroll.Dc(), 0, 1, SRCCOPY);
    const std::vector<std::pair<COLORREF, char>> legend = {
        {Red, 'r'}, {Green, 'g'}, {Blue, 'b'}, {Black, 'k'}, {White, '.'}};
    EXPECT_EQ(Rows({"gg", "bb", "kk", "kk"}), scroll.Map(legend));
    BitBlt(scroll.Dc(), 0, 1, 2, 3, scroll.Dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(Rows({"gg", "gg", "bb", "kk"}), scroll.Map(legend));

    // Destination pixels whose source lies outside the source image stay as they were.
    Canvas src(2, 1, Red), dst(4, 1);
    EXPECT_TRUE(BitBlt(dst.Dc(), 0, 0, 4, 1, src.Dc(), -1, 0, SRCCOPY));
    EXPECT_EQ(".rr.", dst.Map(legend));

    // The destination's clip region and origins apply; the source's origin applies to the
    // source coordinates.
    Canvas clipped(4, 2);
    IntersectClipRect(clipped.Dc(), 1, 0, 3, 1);
    Canvas red(4, 2, Red);
    SetViewportOrgEx(red.Dc(), -10, 0, nullptr);
    BitBlt(clipped.Dc(), 0, 0, 4, 2, red.Dc(), 10, 0, SRCCOPY);
    EXPECT_EQ(Rows({".rr.", "...."}), clipped.Map(legend));
}

TEST(GdiBlt, MaskAndTransparentCopies) {
    Canvas src(4, 1, Red), dst(4, 1, Blue);
    MonoImage mask({".#.#"});      // white (1) takes the foreground operation
    const DWORD keep = 0x00AA0029; // the destination as it is
    EXPECT_TRUE(MaskBlt(dst.Dc(), 0, 0, 4, 1, src.Dc(), 0, 0, mask.Bitmap(), 0, 0, MAKEROP4(SRCCOPY, keep)));
    EXPECT_EQ("rbrb", dst.Map({{Red, 'r'}, {Blue, 'b'}}));
    // Without a mask the foreground operation applies everywhere.
    EXPECT_TRUE(MaskBlt(dst.Dc(), 0, 0, 4, 1, src.Dc(), 0, 0, nullptr, 0, 0, MAKEROP4(SRCCOPY, keep)));
    EXPECT_EQ("rrrr", dst.Map({{Red, 'r'}, {Blue, 'b'}}));
    // The mask must be monochrome and large enough.
    EXPECT_FALSE(MaskBlt(dst.Dc(), 0, 0, 4, 1, src.Dc(), 0, 0, src.Bitmap(), 0, 0, MAKEROP4(SRCCOPY, keep)));
    EXPECT_FALSE(MaskBlt(dst.Dc(), 0, 0, 4, 1, src.Dc(), 0, 0, mask.Bitmap(), 1, 0, MAKEROP4(SRCCOPY, keep)));

    // The transparent colour is left out, also when stretching.
    const COLORREF key = RGB(255, 0, 255);
    Canvas sprite(2, 2, key);
    SetPixel(sprite.Dc(), 0, 0, Green);
    SetPixel(sprite.Dc(), 1, 1, Green);
    Canvas scene(4, 4, Blue);
    EXPECT_TRUE(TransparentBlt(scene.Dc(), 0, 0, 4, 4, sprite.Dc(), 0, 0, 2, 2, key));
    EXPECT_EQ(Rows({"ggbb", "ggbb", "bbgg", "bbgg"}), scene.Map({{Green, 'g'}, {Blue, 'b'}}));
    EXPECT_FALSE(TransparentBlt(scene.Dc(), 0, 0, -4, 4, sprite.Dc(), 0, 0, 2, 2, key));
}

} // namespace
