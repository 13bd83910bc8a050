// The bitmaps the controls load by name from the program's resources, drawn here and entered in
// the resource table as 16-colour bitmap resources when the program starts: the grid
// indicator glyphs and pins of the control suite, its image editor's menu glyphs and blob
// editor glyphs, and the report engine's empty-picture mark and preview buttons.
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

// ---- Small pieces of the larger glyphs -------------------------------------------------------

// A sheet of paper with a folded corner, text lines optional.
Picture& Page(Picture& p, int left, int top, int right, int bottom, bool lines) {
    p.Fill(left, top, right, bottom, White).Frame(left, top, right, bottom, Black);
    // The folded corner: what lies beyond the fold shows the background.
    const int fold = 4;
    for (int y = top; y < top + fold; ++y)
        for (int x = right - fold + (y - top) + 1; x < right; ++x)
            p.Pixel(x, y, p.Background());
    p.Line(right - fold, top, right - 1, top + fold - 1, Black);
    p.Line(right - fold, top, right - fold, top + fold - 1, Black)
        .Line(right - fold, top + fold - 1, right - 1, top + fold - 1, Black);
    if (lines)
        for (int y = top + 5; y < bottom - 2; y += 2)
            p.Line(left + 2, y, right - 4, y, Gray);
    return p;
}

Picture& Magnifier(Picture& p, int cx, int cy, int radius, Ink glass) {
    p.Ring(cx, cy, radius + 0.5, 0, glass).Ring(cx, cy, radius + 0.5, radius - 1.0, Black);
    int reach = int(radius * 0.7);
    p.Line(cx + reach, cy + reach, cx + reach + 4, cy + reach + 4, Black)
        .Line(cx + reach + 1, cy + reach, cx + reach + 5, cy + reach + 4, Black);
    return p;
}

Picture& ArrowHead(Picture& p, int tipX, int tipY, int depth, int dx, Ink ink) {
    // A filled triangle pointing left (dx -1) or right (dx 1), depth pixels long.
    for (int i = 0; i < depth; ++i)
        p.Line(tipX - dx * i, tipY - i, tipX - dx * i, tipY + i, ink);
    return p;
}

Picture Preview(int index) {
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
    case 2: // print: a printer
        p.Text(0, 1,
               R"(
....kkkkkkk.....
....kwwwwwk.....
....kwdddwk.....
....kwwwwwk.....
..kkkkkkkkkkk...
.ksssssssssssk..
kssssssssssssk..
kssssssssslsskk.
kkkkkkkkkkkkksk.
kssssssssssskkk.
kkkkkkkkkkkkkk..
....kwwwwwk.....
....kkkkkkk.....
)");
        break;
    case 3: // export: a page and an arrow out of it
        Page(p, 1, 1, 11, 15, true);
        p.Fill(8, 7, 13, 9, Green);
        ArrowHead(p, 15, 7, 3, 1, Green);
        p.Pixel(15, 8, Green);
        break;
    case 4: // find: a magnifier over a page
        Page(p, 1, 1, 12, 15, true);
        Magnifier(p, 9, 8, 3, Aqua);
        break;
    case 5: // outline: a tree of entries
        p.Fill(1, 1, 5, 4, Navy).Line(2, 4, 2, 13, Gray).Line(3, 7, 6, 7, Gray).Line(3, 12, 6, 12, Gray);
        p.Fill(7, 6, 11, 9, Teal)
            .Fill(7, 11, 11, 14, Teal)
            .Line(12, 7, 14, 7, Black)
            .Line(12, 12, 14, 12, Black);
        p.Line(6, 2, 14, 2, Black);
        break;
    case 6: // refresh: two turning arrows
        p.Ring(8, 8, 6.5, 4.5, Green);
        p.Fill(0, 7, 16, 9, Fuchsia);
        ArrowHead(p, 2, 9, 3, -1, Green);
        ArrowHead(p, 13, 6, 3, 1, Green);
        break;
    case 7: // page setup: a page and a ruler
        Page(p, 1, 1, 12, 15, true);
        p.Fill(9, 10, 16, 14, Yellow).Frame(9, 10, 16, 14, Black);
        for (int x = 10; x < 15; x += 2)
            p.Pixel(x, 11, Black);
        break;
    case 8: // first
        p.Fill(3, 3, 5, 13, Black);
        ArrowHead(p, 6, 8, 5, -1, Black);
        ArrowHead(p, 11, 8, 5, -1, Black);
        break;
    case 9: // prior
        ArrowHead(p, 6, 8, 5, -1, Black);
        break;
    case 10: // next
        ArrowHead(p, 10, 8, 5, 1, Black);
        break;
    case 11: // last
        ArrowHead(p, 5, 8, 5, 1, Black);
        ArrowHead(p, 10, 8, 5, 1, Black);
        p.Fill(11, 3, 13, 13, Black);
        break;
    case 12: // zoom to the whole page
        Page(p, 3, 1, 13, 15, true);
        break;
    case 13: // zoom to the page width: a page with an arrow across
        Page(p, 2, 1, 14, 15, false);
        p.Line(3, 8, 12, 8, Blue);
        ArrowHead(p, 3, 8, 3, -1, Blue);
        ArrowHead(p, 12, 8, 3, 1, Blue);
        break;
    case 14: // 100 %: a page with "1:1"
        Page(p, 1, 1, 15, 15, false);
        p.Text(3, 5,
               R"(
.k...k..k
kk.k.kk.k
.k...k..k
.k.k.k..k
kkk.kkk.k
)");
        break;
    case 15: // two pages
        Page(p, 0, 2, 8, 14, true);
        Page(p, 8, 2, 16, 14, true);
        break;
    case 16: // the hand tool
        p.Text(1, 0,
               R"(
......kk.......
..kk.kwwk......
.kwwkkwwkkk....
.kwwkkwwkwwk...
..kwwkwwkwwk.k.
..kwwkwwkwwkkwk
.kkkwwwwwwwkwwk
kwwkwwwwwwwwwwk
kwwwwwwwwwwwwk.
.kwwwwwwwwwwwk.
..kwwwwwwwwwk..
...kwwwwwwwwk..
....kwwwwwwk...
.....kwwwwwk...
.....kkkkkkk...
)");
        break;
    case 17: // the zoom tool
        Magnifier(p, 6, 6, 5, Aqua);
        p.Line(4, 6, 8, 6, Black).Line(6, 4, 6, 8, Black);
        break;
    case 18: // tools: a wrench
        p.Ring(5, 5, 4.5, 2.0, Gray).Fill(4, 0, 7, 4, Fuchsia);
        for (int i = 0; i < 8; ++i)
            p.Line(6 + i, 8 + i, 8 + i, 6 + i, Gray);
        break;
    case 19: // new page: a page with a spark
        Page(p, 1, 2, 12, 16, true);
        p.Text(9, 0,
               R"(
..y..
y.y.y
.yyy.
yyyyy
.yyy.
y.y.y
..y..
)");
        break;
    case 20: // delete the page
        Page(p, 1, 1, 12, 15, true);
        p.Line(8, 8, 14, 14, Red).Line(9, 8, 15, 14, Red).Line(14, 8, 8, 14, Red).Line(15, 8, 9, 14, Red);
        break;
    case 21: // designer: a page and a pencil
        Page(p, 1, 1, 12, 15, true);
        for (int i = 0; i < 7; ++i)
            p.Line(14 - i, 3 + i, 15 - i, 4 + i, Yellow);
        p.Line(15, 4, 9, 10, Black).Line(13, 2, 7, 8, Black).Pixel(7, 10, Black);
        break;
    case 22: // full screen: four corners
        p.Text(1, 1,
               R"(
kkkk......kkkk
kk..........kk
k.k........k.k
k............k
)");
        p.Text(1, 11,
               R"(
k............k
k.k........k.k
kk..........kk
kkkk......kkkk
)");
        p.Frame(4, 5, 12, 11, Navy);
        break;
    case 23: // e-mail: an envelope
        p.Fill(1, 3, 15, 13, White)
            .Frame(1, 3, 15, 13, Black)
            .Line(1, 3, 8, 9, Black)
            .Line(14, 3, 8, 9, Black);
        break;
    case 24: // a page of the document format with a red band
        Page(p, 2, 1, 14, 15, false);
        p.Fill(3, 9, 13, 13, Red).Text(4, 10, "w.w.w\nwww.w");
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
    Enter("QZMENUIMAGE_LOAD", Preview(0));
    Enter("QZMENUIMAGE_SAVE", Preview(1));
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
    Picture strip(400, 16, Fuchsia);
    for (int i = 0; i < 25; ++i)
        strip.Put(Preview(i), 16 * i, 0);
    Enter("PREVIEWBUTTONS", strip);
    return true;
}();

} // namespace
