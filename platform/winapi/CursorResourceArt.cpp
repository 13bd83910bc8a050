// The bitmaps the controls load by name from the program's resources, drawn here and entered in
// the resource table as 16-colour bitmap resources when the program starts: the grid
// indicator glyphs and pins of the control suite, its image editor's menu glyphs and blob
// editor glyphs, and the report engine's empty-picture mark.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/runtime/Resources.h"

namespace {

// The 16 colours, as a bitmap resource's colour table holds them (blue, green, red, 0).
constexpr std::uint32_t Palette[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                       0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                       0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF}; // 0xRRGGBB

enum Ink : std::uint8_t {
    Black,
    Maroon,
    Green,
    Olive,
    Navy,
    Purple,
    Teal,
    Silver,
    Gray,
    Red,
    Lime,
    Yellow,
    Blue,
    Fuchsia,
    Aqua,
    White
};

// Letters of the drawings: k black, m maroon, g green, o olive, n navy, p purple, t teal,
// s silver, d dark grey, r red, l lime, y yellow, b blue, f fuchsia, a aqua, w white; '.' and
// ' ' leave the pixel as it is.
int InkOf(char c) {
    static const std::string letters = "kmgonptsdrlybfaw";
    static const Ink inks[] = {Black, Maroon, Green, Olive,  Navy, Purple,  Teal, Silver,
                               Gray,  Red,    Lime,  Yellow, Blue, Fuchsia, Aqua, White};
    std::size_t at = letters.find(c);
    return at == std::string::npos ? -1 : inks[at];
}

class Picture {
public:
    Picture(int width, int height, Ink background)
        : FWidth(width), FHeight(height), FBackground(background),
          FPixels(std::size_t(width) * height, background) {}

    Ink Background() const { return FBackground; }
    void Pixel(int x, int y, Ink ink) {
        if (x >= 0 && y >= 0 && x < FWidth && y < FHeight) FPixels[std::size_t(y) * FWidth + x] = ink;
    }
    // Rows of letters at (x, y), one row a line (a first empty line does not count).
    Picture& Text(int x, int y, const char* rows) {
        if (*rows == '\n') ++rows;
        for (int col = 0, row = 0; *rows; ++rows) {
            if (*rows == '\n') {
                ++row;
                col = 0;
            } else if (int ink = InkOf(*rows); ink >= 0) {
                Pixel(x + col++, y + row, Ink(ink));
            } else {
                ++col;
            }
        }
        return *this;
    }
    Picture& Fill(int left, int top, int right, int bottom, Ink ink) {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                Pixel(x, y, ink);
        return *this;
    }
    Picture& Frame(int left, int top, int right, int bottom, Ink ink) {
        Line(left, top, right - 1, top, ink);
        Line(left, bottom - 1, right - 1, bottom - 1, ink);
        Line(left, top, left, bottom - 1, ink);
        Line(right - 1, top, right - 1, bottom - 1, ink);
        return *this;
    }
    // Both ends included.
    Picture& Line(int x0, int y0, int x1, int y1, Ink ink) {
        int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0), sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        for (;;) {
            Pixel(x0, y0, ink);
            if (x0 == x1 && y0 == y1) break;
            int e2 = 2 * err;
            if (e2 >= dy) err += dy, x0 += sx;
            if (e2 <= dx) err += dx, y0 += sy;
        }
        return *this;
    }
    Picture& Ring(double cx, double cy, double outer, double inner, Ink ink) {
        for (int y = 0; y < FHeight; ++y)
            for (int x = 0; x < FWidth; ++x) {
                double dx = x + 0.5 - cx, dy = y + 0.5 - cy, d = dx * dx + dy * dy;
                if (d <= outer * outer && d >= inner * inner) Pixel(x, y, ink);
            }
        return *this;
    }
    Picture& Put(const Picture& other, int x, int y) {
        for (int row = 0; row < other.FHeight; ++row)
            for (int col = 0; col < other.FWidth; ++col)
                Pixel(x + col, y + row, Ink(other.FPixels[std::size_t(row) * other.FWidth + col]));
        return *this;
    }

    // The bytes of a bitmap resource: header, colour table, rows of 4 bits bottom-up.
    std::vector<std::uint8_t> Resource() const {
        int stride = (FWidth * 4 + 31) / 32 * 4;
        std::vector<std::uint8_t> bytes(40 + 16 * 4 + std::size_t(stride) * FHeight, 0);
        auto put32 = [&](std::size_t at, std::uint32_t v) {
            for (int i = 0; i < 4; ++i)
                bytes[at + i] = std::uint8_t(v >> (8 * i));
        };
        put32(0, 40);
        put32(4, std::uint32_t(FWidth));
        put32(8, std::uint32_t(FHeight));
        bytes[12] = 1; // planes
        bytes[14] = 4; // bits per pixel
        put32(20, std::uint32_t(stride * FHeight));
        put32(32, 16);
        for (int i = 0; i < 16; ++i) {
            bytes[40 + 4 * i] = std::uint8_t(Palette[i]);
            bytes[41 + 4 * i] = std::uint8_t(Palette[i] >> 8);
            bytes[42 + 4 * i] = std::uint8_t(Palette[i] >> 16);
        }
        std::size_t bits = 40 + 16 * 4;
        for (int y = 0; y < FHeight; ++y) {
            std::uint8_t* row = &bytes[bits + std::size_t(FHeight - 1 - y) * stride];
            for (int x = 0; x < FWidth; ++x) {
                std::uint8_t ink = FPixels[std::size_t(y) * FWidth + x];
                row[x / 2] |= x % 2 ? ink : std::uint8_t(ink << 4);
            }
        }
        return bytes;
    }

private:
    int FWidth, FHeight;
    Ink FBackground;
    std::vector<std::uint8_t> FPixels;
};

// ---- The grid indicator (white is transparent) and the pins -------------------------------

Picture Indicator(const char* rows) { return Picture(5, 9, White).Text(0, 0, rows); }

// The image editor's open and save glyphs.
Picture FileGlyph(int index) {
    Picture p(16, 16, Fuchsia);
    switch (index) {
    case 0: // open: a folder
        p.Text(0, 2,
               R"(
..kkkk..........
.kyyyyk.........
kyyyyyykkkkkkk..
kyyyyyyyyyyyyk..
kyyykkkkkkkkkkkk
kyykoooooooooook
kyykooooooooook.
kykooooooooook..
kykoooooooooook.
kkooooooooooook.
kkkkkkkkkkkkkk..
)");
        break;
    case 1: // save: a floppy disk
        p.Text(1, 1,
               R"(
kkkkkkkkkkkkkk
knkwwwwwwwwknk
knkwwwwwwwwknk
knkwdddddwwknk
knkwwwwwwwwknk
knnkkkkkkkknnk
knnnnnnnnnnnnk
knnkkkkkkkknnk
knnkssskswknnk
knnkssskswknnk
knnkssskswknnk
kkkkkkkkkkkkkk
)");
        break;
    default:
        break;
    }
    return p;
}

// A blob editor glyph, 18 x 16 on olive (its transparent colour); the empty forms are hollow.
Picture Blob(int kind, bool empty) {
    Picture p(18, 16, Olive);
    Ink ink = empty ? Gray : Black;
    switch (kind) {
    case 0: // raw bytes: a page of bits
        p.Fill(3, 1, 15, 15, empty ? Silver : White).Frame(3, 1, 15, 15, ink);
        if (!empty)
            p.Text(5, 3,
                   R"(
k.kk.k
kk.k.k
k.kk.k
......
kk.k.k
k.k.kk
kk.k.k
......
k.kk.k
kk.k.k
)");
        break;
    case 1: // text: a page of lines
        p.Fill(3, 1, 15, 15, empty ? Silver : White).Frame(3, 1, 15, 15, ink);
        if (!empty)
            for (int y = 4; y < 13; y += 2)
                p.Line(5, y, y % 4 ? 12 : 10, y, Navy);
        break;
    case 2: // a picture: a frame with a sun and hills
        p.Fill(1, 2, 17, 14, empty ? Silver : Aqua).Frame(1, 2, 17, 14, ink);
        if (!empty) {
            p.Ring(12, 6, 2, 0, Yellow);
            for (int x = 2; x < 16; ++x)
                p.Line(x, 13, x, 13 - (x < 8 ? x - 2 : 14 - x) / 2 - 2, Green);
        }
        break;
    default: // an embedded object: two boxes
        p.Fill(2, 2, 12, 10, empty ? Silver : White).Frame(2, 2, 12, 10, ink);
        p.Fill(7, 6, 16, 14, empty ? Silver : Yellow).Frame(7, 6, 16, 14, ink);
        if (!empty) p.Fill(3, 3, 11, 5, Navy);
        break;
    }
    return p;
}

std::deque<std::vector<std::uint8_t>>& Kept() {
    static std::deque<std::vector<std::uint8_t>> kept;
    return kept;
}

void Enter(const char* name, const Picture& picture) {
    Kept().push_back(picture.Resource());
    const std::vector<std::uint8_t>& bytes = Kept().back();
    RegisterResource(TResourceId(name), TResourceId(RT_BITMAP), bytes.data(), bytes.size());
}

const bool Entered = [] {
    Enter("QZ_ARROWBITMAP", Indicator(R"(
k....
kk...
kkk..
kkkk.
kkkkk
kkkk.
kkk..
kk...
k....
)"));
    Enter("QZ_EDITBITMAP", Indicator(R"(
kk.kk
..k..
..k..
..k..
..k..
..k..
..k..
..k..
kk.kk
)"));
    Enter("QZ_INSERTBITMAP", Indicator(R"(
.....
.....
k.k.k
.kkk.
kkkkk
.kkk.
k.k.k
.....
.....
)"));
    Enter("QZ_MULTIDOTBITMAP", Indicator(R"(
.....
.....
.....
.kkk.
.kkk.
.kkk.
.....
.....
.....
)"));
    Enter("QZ_MULTIARROWBITMAP", Indicator(R"(
k....
kk...
kkk..
kk...
k....
.....
.kk..
.kk..
.....
)"));
    // Pins on fuchsia: pushed in (on), and lying down (off).
    Enter("QZ_AUTOHIDEON", Picture(12, 12, Fuchsia)
                               .Text(0, 0,
                                     R"(
..kkkkkkk...
...kwwwdk...
...kwwwdk...
...kwwwdk...
...kwwwdk...
..kkkkkkkk..
.....k......
.....k......
.....k......
.....k......
)"));
    Enter("QZ_AUTOHIDEOFF", Picture(12, 12, Fuchsia)
                                .Text(0, 2,
                                      R"(
....k.......
....kkkkkkkk
....kwwwwwdk
kkkkkwwwwwdk
....kddddddk
....kkkkkkkk
....k.......
)"));
    // The image editor's menu glyphs, 16 x 16 on fuchsia (the bottom-left pixel).
    Enter("QZMENUIMAGE_CUT", Picture(16, 16, Fuchsia)
                                 .Text(0, 0,
                                       R"(
................
................
....k.....k.....
....k.....k.....
....k.....k.....
.....k...k......
.....k...k......
......k.k.......
.......k........
......k.k.......
...nnnk..knnn...
..n...n..n...n..
..n...n..n...n..
..n...n..n...n..
...nnn....nnn...
)"));
    Enter("QZMENUIMAGE_COPY", Picture(16, 16, Fuchsia)
                                  .Text(0, 0,
                                        R"(
kkkkkk..........
kwwwwkk.........
kwkkkwkk........
kwwwwwwk........
kwkkkknnnnnn....
kwwwwwnwwwwnn...
kwkkkknwkkknwn..
kwwwwwnwwwwwwn..
kwkkkknwkkkkwn..
kwwwwwnwwwwwwn..
kkkkkknwkkkkwn..
......nwwwwwwn..
......nwkkkkwn..
......nwwwwwwn..
......nnnnnnnn..
)"));
    Enter("QZMENUIMAGE_PASTE", Picture(16, 16, Fuchsia)
                                   .Text(0, 0,
                                         R"(
....kkkk........
.kkkkwwkkkk.....
kooook..koook...
kookkkkkkkook...
kooooooooook....
koooonnnnnnnn...
koooonwwwwwnwn..
koooonwkkkknwwn.
koooonwwwwwnnnnn
koooonwkkkkkkwwn
koooonwwwwwwwwwn
koooonwkkkkkkwwn
.kkkknwwwwwwwwwn
.....nwkkkkkkwwn
.....nwwwwwwwwwn
.....nnnnnnnnnnn
)"));
    Enter("QZMENUIMAGE_DELETE", Picture(16, 16, Fuchsia)
                                    .Text(0, 0,
                                          R"(
................
.rr.........rr..
.rrr.......rrr..
..rrr.....rrr...
...rrr...rrr....
....rrr.rrr.....
.....rrrrr......
......rrr.......
.....rrrrr......
....rrr.rrr.....
...rrr...rrr....
..rrr.....rrr...
.rrr.......rrr..
.rr.........rr..
)"));
    Enter("QZMENUIMAGE_LOAD", FileGlyph(0));
    Enter("QZMENUIMAGE_SAVE", FileGlyph(1));
    const char* blobs[] = {"QZBMBLOB_BLOB_NULL", "QZBMBLOB_BLOB", "QZBMBLOB_MEMO_NULL", "QZBMBLOB_MEMO",
                           "QZBMBLOB_PICT_NULL", "QZBMBLOB_PICT", "QZBMBLOB_OLE_NULL",  "QZBMBLOB_OLE"};
    for (int i = 0; i < 8; ++i)
        Enter(blobs[i], Blob(i / 2, i % 2 == 0));
    // The report designer's mark for a picture view without a picture.
    Enter("pvrEMPTY", Picture(16, 16, White)
                          .Fill(1, 2, 15, 14, Silver)
                          .Frame(1, 2, 15, 14, Gray)
                          .Line(2, 3, 13, 12, Gray)
                          .Line(13, 3, 2, 12, Gray));
    // The anchors of the styled controls' drag scrolling: a grey disc with a dot and the arrow
    // heads of the ways the visible bars scroll.
    auto anchor = [](bool vertical, bool horizontal) {
        Picture p(27, 27, White);
        p.Ring(13.5, 13.5, 13.5, 0, Silver).Ring(13.5, 13.5, 13.5, 12.5, Gray).Fill(12, 12, 15, 15, Black);
        for (int i = 0; i < 5; ++i) {
            if (vertical) {
                p.Line(13 - i, 3 + i, 13 + i, 3 + i, Black);
                p.Line(13 - i, 23 - i, 13 + i, 23 - i, Black);
            }
            if (horizontal) {
                p.Line(3 + i, 13 - i, 3 + i, 13 + i, Black);
                p.Line(23 - i, 13 - i, 23 - i, 13 + i, Black);
            }
        }
        return p;
    };
    Enter("QZ_VERSCROLLBITMAP", anchor(true, false));
    Enter("QZ_HORSCROLLBITMAP", anchor(false, true));
    Enter("QZ_FULLSCROLLBITMAP", anchor(true, true));
    return true;
}();

} // namespace
