// Our drawings of the cursors and icons: small pictures in four inks (clear, black, white and
// inverted) built from rows of text and simple figures; a black outline is drawn around the
// white parts where that is the look.
#include "platform/winapi/CursorShapes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <vector>

namespace {

constexpr char Clear = '.', Black = '#', White = 'o', Invert = '~';

// Calls visit(column, row, character) for the characters of rows of text, one row a line; a
// first empty line does not count.
template <class Visit> void ForEachInk(const char* rows, Visit visit) {
    if (*rows == '\n') ++rows;
    for (int col = 0, row = 0; *rows; ++rows) {
        if (*rows == '\n') {
            ++row;
            col = 0;
        } else {
            visit(col++, row, *rows);
        }
    }
}

class Art {
public:
    explicit Art(int width = 32, int height = 32)
        : FWidth(width), FHeight(height), FInk(width * height, Clear) {}

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    char At(int x, int y) const { return Inside(x, y) ? FInk[y * FWidth + x] : Clear; }
    void Set(int x, int y, char ink) {
        if (Inside(x, y)) FInk[y * FWidth + x] = ink;
    }
    // Rows of ink characters at (x, y), one a line (a first empty line does not count); ' '
    // leaves a pixel as it is.
    Art& Text(int x, int y, const char* rows, int scale = 1) {
        ForEachInk(rows, [&](int col, int row, char ink) {
            if (ink != ' ')
                for (int dy = 0; dy < scale; ++dy)
                    for (int dx = 0; dx < scale; ++dx)
                        Set(x + col * scale + dx, y + row * scale + dy, ink);
        });
        return *this;
    }
    Art& Rect(int left, int top, int right, int bottom, char ink) {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                Set(x, y, ink);
        return *this;
    }
    template <class Shape> Art& Where(Shape inside, char ink) {
        for (int y = 0; y < FHeight; ++y)
            for (int x = 0; x < FWidth; ++x)
                if (inside(x, y)) Set(x, y, ink);
        return *this;
    }
    // Black around the white: every clear pixel next to a white one (diagonals too).
    Art& Outline() {
        std::vector<char> ink = FInk;
        for (int y = 0; y < FHeight; ++y)
            for (int x = 0; x < FWidth; ++x) {
                if (At(x, y) != Clear) continue;
                bool next = false;
                for (int dy = -1; dy <= 1 && !next; ++dy)
                    for (int dx = -1; dx <= 1 && !next; ++dx)
                        next = At(x + dx, y + dy) == White;
                if (next) ink[y * FWidth + x] = Black;
            }
        FInk = ink;
        return *this;
    }
    // The other picture's inked pixels over this one.
    Art& Over(const Art& other, int dx, int dy) {
        for (int y = 0; y < other.FHeight; ++y)
            for (int x = 0; x < other.FWidth; ++x)
                if (other.At(x, y) != Clear) Set(x + dx, y + dy, other.At(x, y));
        return *this;
    }
    // Two pictures in one: white wins over black, so outlines do not cross the other's inside.
    Art& Merge(const Art& other, int dx, int dy) {
        for (int y = 0; y < other.FHeight; ++y)
            for (int x = 0; x < other.FWidth; ++x) {
                char ink = other.At(x, y);
                if (ink == Clear || At(x + dx, y + dy) == White) continue;
                Set(x + dx, y + dy, ink);
            }
        return *this;
    }
    Art Transposed() const {
        Art out(FHeight, FWidth);
        for (int y = 0; y < FHeight; ++y)
            for (int x = 0; x < FWidth; ++x)
                out.Set(y, x, At(x, y));
        return out;
    }
    Art Mirrored() const {
        Art out(FWidth, FHeight);
        for (int y = 0; y < FHeight; ++y)
            for (int x = 0; x < FWidth; ++x)
                out.Set(FWidth - 1 - x, y, At(x, y));
        return out;
    }
    std::shared_ptr<TCursorImage> Cursor(int hotX, int hotY) const {
        auto image = std::make_shared<TCursorImage>();
        image->Width = 32;
        image->Height = 32;
        image->HotSpot = {hotX, hotY};
        image->And.assign(32 * 32, 1);
        image->Xor.assign(32 * 32, 0);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                std::size_t i = std::size_t(y) * 32 + x;
                switch (At(x, y)) {
                case Black:
                    image->And[i] = 0;
                    break;
                case White:
                    image->And[i] = 0;
                    image->Xor[i] = 0xFFFFFF;
                    break;
                case Invert:
                    image->Xor[i] = 0xFFFFFF;
                    break;
                default:
                    break;
                }
            }
        return image;
    }

private:
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < FWidth && y < FHeight; }
    int FWidth, FHeight;
    std::vector<char> FInk;
};

bool InDisc(double cx, double cy, double radius, int x, int y) {
    double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
    return dx * dx + dy * dy <= radius * radius;
}

Art Arrow() {
    return Art().Text(0, 0,
                      R"(
#..........
##.........
#o#........
#oo#.......
#ooo#......
#oooo#.....
#ooooo#....
#oooooo#...
#ooooooo#..
#oooooooo#.
#ooooo#####
#oo#oo#....
#o# #oo#...
##  #oo#...
#    #oo#..
     #oo#..
      #oo#.
      #oo#.
       ##..
)");
}

Art Hourglass() {
    return Art().Text(0, 0,
                      R"(
#############
#ooooooooooo#
#############
.#ooooooooo#.
.#o#######o#.
..#o#####o#..
...#o###o#...
....#o#o#....
.....#o#.....
....#ooo#....
...#oo#oo#...
..#ooo#ooo#..
.#oo#####oo#.
.#o#######o#.
#############
#ooooooooooo#
#############
)");
}

// A double-headed arrow across, 21 x 9: heads four pixels deep, a shaft of one pixel.
Art SizeAcross() {
    Art a(21, 9);
    a.Where(
        [](int x, int y) {
            int in = std::min(x, 20 - x) - 1; // how far in from the tip
            if (in < 0) return false;
            return in <= 3 ? std::abs(y - 4) <= in : y == 4;
        },
        White);
    return a.Outline();
}

Art SizeDiagonal() {
    return Art(15, 15).Text(0, 0,
                            R"(
######.........
#oooo#.........
#ooo#..........
#oooo#.........
#o#ooo#........
##.#ooo#.......
....#ooo#......
.....#ooo#.....
......#ooo#....
.......#ooo#.##
........#ooo#o#
.........#oooo#
..........#ooo#
.........#oooo#
.........######
)");
}

Art SizeAll() {
    Art across = SizeAcross();
    Art all(21, 21);
    all.Over(across, 0, 6);
    all.Merge(across.Transposed(), 6, 0);
    return all;
}

Art NoSign(int size = 21) {
    double c = size / 2.0, outer = c - 1, inner = outer - 3;
    Art a(size, size);
    a.Where([&](int x, int y) { return InDisc(c, c, outer, x, y) && !InDisc(c, c, inner, x, y); }, White);
    a.Where([&](int x, int y) { return std::abs(x - y) <= 1 && InDisc(c, c, inner + 0.5, x, y); }, White);
    return a.Outline();
}

Art PointingHand() {
    Art a;
    a.Rect(5, 1, 7, 10, White)     // the index finger
        .Rect(8, 5, 10, 10, White) // the other fingers
        .Rect(11, 6, 13, 10, White)
        .Rect(14, 7, 16, 10, White)
        .Rect(5, 9, 16, 17, White) // the palm
        .Rect(2, 9, 5, 12, White)  // the thumb
        .Rect(3, 12, 5, 14, White)
        .Rect(6, 17, 15, 19, White) // the wrist
        .Outline();
    return a;
}

Art OpenHand() {
    Art a;
    a.Rect(4, 3, 6, 11, White)
        .Rect(7, 1, 9, 11, White)
        .Rect(10, 1, 12, 11, White)
        .Rect(13, 3, 15, 11, White)
        .Rect(4, 10, 15, 18, White)
        .Rect(1, 9, 3, 12, White)
        .Rect(2, 11, 4, 14, White)
        .Rect(5, 18, 14, 20, White)
        .Outline();
    return a;
}

// A magnifying glass: a lens with a handle to the bottom right; sign '+', '-' or none.
Art Magnifier(char sign) {
    Art a;
    const double c = 7.5;
    a.Where([&](int x, int y) { return InDisc(c, c, 7, x, y) && !InDisc(c, c, 5, x, y); }, White);
    a.Where([&](int x, int y) { return x >= 12 && y >= 12 && x <= 18 && y <= 18 && std::abs(x - y) <= 1; },
            White);
    a.Outline();
    if (sign == '+' || sign == '-') a.Rect(4, 7, 12, 9, Black);
    if (sign == '+') a.Rect(7, 4, 9, 12, Black);
    return a;
}

Art Page(int width, int height) {
    Art a(width + 2, height + 2);
    a.Rect(1, 1, width + 1, height + 1, White).Outline();
    return a;
}

Art Question() {
    Art q(12, 18);
    q.Text(1, 1,
           R"(
.oooo.
oo..oo
....oo
...oo.
..oo..
..oo..
......
..oo..
)",
           2)
        .Outline();
    return q;
}

Art SmallHourglass() {
    return Art(9, 12).Text(0, 0,
                           R"(
#########
#ooooooo#
.#ooooo#.
..#o#o#..
...#o#...
...#o#...
..#ooo#..
.#oo#oo#.
#ooooooo#
#########
)");
}

Art Splitter() {
    // Two bars with arrow heads to the left and the right.
    Art a(25, 17);
    a.Rect(10, 1, 12, 16, White).Rect(13, 1, 15, 16, White);
    a.Where([](int x, int y) { return x >= 1 && x <= 4 && std::abs(y - 8) <= x - 1; }, White);
    a.Where([](int x, int y) { return x >= 20 && x <= 23 && std::abs(y - 8) <= 23 - x; }, White);
    a.Rect(4, 7, 10, 10, White).Rect(15, 7, 21, 10, White);
    a.Outline();
    a.Rect(12, 1, 13, 16, Black);
    return a;
}

Art Brush() {
    Art a(9, 16);
    a.Rect(1, 1, 8, 6, White).Rect(2, 6, 7, 8, White).Rect(3, 8, 6, 15, White).Outline();
    for (int x = 2; x < 8; x += 2)
        a.Rect(x, 1, x + 1, 4, Black);
    a.Rect(1, 6, 8, 7, Black);
    return a;
}

Art Cylinder() {
    Art a(10, 11);
    a.Rect(1, 2, 9, 9, White).Rect(2, 1, 8, 10, White).Outline();
    a.Rect(2, 3, 8, 4, Black);
    return a;
}

Art WheelMark() {
    Art a(25, 25);
    const double c = 12.5;
    a.Where([&](int x, int y) { return InDisc(c, c, 11, x, y) && !InDisc(c, c, 9, x, y); }, White);
    a.Where([&](int x, int y) { return InDisc(c, c, 2, x, y); }, White);
    a.Where([](int x, int y) { return y >= 4 && y <= 8 && std::abs(x - 12) <= y - 4; }, White);
    a.Where([](int x, int y) { return y >= 16 && y <= 20 && std::abs(x - 12) <= 20 - y; }, White);
    return a.Outline();
}

// The marks of drag scrolling: a dot with arrow heads pointing the ways it scrolls.
Art ScrollMark(bool up, bool down, bool left, bool right) {
    Art a(31, 31);
    a.Where([](int x, int y) { return InDisc(15.5, 15.5, 2.5, x, y); }, White);
    if (up) a.Where([](int x, int y) { return y >= 3 && y <= 9 && std::abs(x - 15) <= y - 3; }, White);
    if (down) a.Where([](int x, int y) { return y >= 21 && y <= 27 && std::abs(x - 15) <= 27 - y; }, White);
    if (left) a.Where([](int x, int y) { return x >= 3 && x <= 9 && std::abs(y - 15) <= x - 3; }, White);
    if (right) a.Where([](int x, int y) { return x >= 21 && x <= 27 && std::abs(y - 15) <= 27 - x; }, White);
    return a.Outline();
}

// A cross for the remove cursor.
Art Cross() {
    Art a(11, 11);
    a.Where([](int x, int y) { return x >= 1 && x <= 9 && y >= 1 && y <= 9 && (std::abs(x - y) <= 1 || std::abs(x + y - 10) <= 1); },
            White);
    return a.Outline();
}

using Maker = std::shared_ptr<TCursorImage> (*)();

const std::map<std::string, Maker>& Cursors() {
    static const std::map<std::string, Maker> cursors = {
        {"#32512", [] { return Arrow().Cursor(0, 0); }},
        {"#32513",
         [] {
             Art a;
             a.Text(0, 0, "~~~.~~~").Rect(3, 1, 4, 15, Invert).Text(0, 15, "~~~.~~~");
             return a.Cursor(3, 8);
         }},
        {"#32514", [] { return Hourglass().Cursor(6, 8); }},
        {"#32515",
         [] {
             Art a;
             a.Rect(9, 0, 10, 19, Invert).Rect(0, 9, 19, 10, Invert);
             return a.Cursor(9, 9);
         }},
        {"#32516",
         [] {
             Art a;
             a.Where([](int x, int y) { return y >= 1 && y <= 5 && std::abs(x - 6) <= y - 1; }, White)
                 .Rect(4, 6, 9, 20, White)
                 .Outline();
             return a.Cursor(6, 0);
         }},
        {"#32640", [] { return Art().Over(SizeAll(), 0, 0).Cursor(10, 10); }},
        {"#32641",
         [] {
             Art a;
             a.Rect(0, 0, 16, 16, Black).Rect(1, 1, 15, 15, White);
             return a.Cursor(8, 8);
         }},
        {"#32642", [] { return Art().Over(SizeDiagonal(), 0, 0).Cursor(7, 7); }},
        {"#32643", [] { return Art().Over(SizeDiagonal().Mirrored(), 0, 0).Cursor(7, 7); }},
        {"#32644", [] { return Art().Over(SizeAcross(), 0, 0).Cursor(10, 4); }},
        {"#32645", [] { return Art().Over(SizeAcross().Transposed(), 0, 0).Cursor(4, 10); }},
        {"#32646", [] { return Art().Over(SizeAll(), 0, 0).Cursor(10, 10); }},
        {"#32648", [] { return Art().Over(NoSign(), 0, 0).Cursor(10, 10); }},
        {"#32649", [] { return PointingHand().Cursor(5, 0); }},
        {"#32650", [] { return Arrow().Over(SmallHourglass(), 11, 13).Cursor(0, 0); }},
        {"#32651", [] { return Arrow().Over(Question(), 12, 0).Cursor(0, 0); }},
        // The class library's list.
        {"DRAG", [] { return Arrow().Over(Page(9, 11), 6, 16).Cursor(0, 0); }},
        {"NODROP", [] { return Art().Over(NoSign(), 0, 0).Cursor(10, 10); }},
        {"HSPLIT", [] { return Art().Over(Splitter(), 0, 0).Cursor(12, 8); }},
        {"VSPLIT", [] { return Art().Over(Splitter().Transposed(), 0, 0).Cursor(8, 12); }},
        {"MULTIDRAG",
         [] {
             return Arrow()
                 .Over(Page(9, 11), 10, 14)
                 .Over(Page(9, 11), 8, 16)
                 .Over(Page(9, 11), 6, 18)
                 .Cursor(0, 0);
         }},
        {"SQLWAIT", [] { return Arrow().Over(Cylinder(), 11, 13).Cursor(0, 0); }},
        // The controls' own.
        {"EXCEL",
         [] {
             Art a;
             a.Rect(6, 1, 11, 16, White).Rect(1, 6, 16, 11, White).Outline();
             return a.Cursor(8, 8);
         }},
        {"ZOOMIN", [] { return Magnifier('+').Cursor(7, 7); }},
        {"ZOOMOUT", [] { return Magnifier('-').Cursor(7, 7); }},
        {"PVRZOOM", [] { return Magnifier(' ').Cursor(7, 7); }},
        {"PVRHAND", [] { return OpenHand().Cursor(8, 10); }},
        {"PVRFORMAT", [] { return Arrow().Over(Brush(), 11, 12).Cursor(0, 0); }},
        {"QZEDIT_MOUSEWHEEL", [] { return Art().Over(WheelMark(), 0, 0).Cursor(12, 12); }},
        // The styled controls' cursors.
        {"QZ_DRAGCOPYCURSOR",
         [] {
             Art a = Arrow().Over(Page(9, 11), 6, 16);
             a.Rect(15, 21, 24, 30, Black).Rect(16, 22, 23, 29, White).Rect(19, 23, 20, 28, Black).Rect(17, 25, 22, 26, Black);
             return a.Cursor(0, 0);
         }},
        {"QZ_FULLSCROLLCURSOR", [] { return Art().Over(ScrollMark(true, true, true, true), 0, 0).Cursor(15, 15); }},
        {"QZ_HORSCROLLCURSOR", [] { return Art().Over(ScrollMark(false, false, true, true), 0, 0).Cursor(15, 15); }},
        {"QZ_VERSCROLLCURSOR", [] { return Art().Over(ScrollMark(true, true, false, false), 0, 0).Cursor(15, 15); }},
        {"QZ_UPSCROLLCURSOR", [] { return Art().Over(ScrollMark(true, false, false, false), 0, 0).Cursor(15, 15); }},
        {"QZ_RIGHTSCROLLCURSOR", [] { return Art().Over(ScrollMark(false, false, false, true), 0, 0).Cursor(15, 15); }},
        {"QZ_DOWNSCROLLCURSOR", [] { return Art().Over(ScrollMark(false, true, false, false), 0, 0).Cursor(15, 15); }},
        {"QZ_LEFTSCROLLCURSOR", [] { return Art().Over(ScrollMark(false, false, true, false), 0, 0).Cursor(15, 15); }},
        {"QZ_REMOVECURSOR", [] { return Arrow().Over(Cross(), 11, 14).Cursor(0, 0); }},
        {"QZ_VERTSIZECURSOR", [] { return Art().Over(Splitter().Transposed(), 0, 0).Cursor(8, 12); }},
        {"QZ_HORZSIZECURSOR", [] { return Art().Over(Splitter(), 0, 0).Cursor(12, 8); }},
        {"QZ_MULTIDRAGCURSOR",
         [] {
             return Arrow()
                 .Over(Page(9, 11), 10, 14)
                 .Over(Page(9, 11), 8, 16)
                 .Over(Page(9, 11), 6, 18)
                 .Cursor(0, 0);
         }},
        {"QZ_NODROPCURSOR", [] { return Art().Over(NoSign(), 0, 0).Cursor(10, 10); }},
        {"QZ_DRAGCURSOR", [] { return Arrow().Over(Page(9, 11), 6, 16).Cursor(0, 0); }},
        {"QZ_HANDPOINTCURSOR", [] { return PointingHand().Cursor(5, 0); }},
    };
    return cursors;
}

// ---- Icons: 32 x 32 in colour --------------------------------------------------------------

class IconArt {
public:
    IconArt() : FColor(32 * 32, -1) {}
    template <class Shape> IconArt& Where(Shape inside, std::int32_t rgb) {
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if (inside(x, y)) FColor[y * 32 + x] = rgb;
        return *this;
    }
    // Rows of text where '#' takes the colour, each character scale x scale pixels.
    IconArt& Text(int x, int y, const char* rows, int scale, std::int32_t rgb) {
        ForEachInk(rows, [&](int col, int row, char ink) {
            if (ink == '#')
                for (int dy = 0; dy < scale; ++dy)
                    for (int dx = 0; dx < scale; ++dx) {
                        int px = x + col * scale + dx, py = y + row * scale + dy;
                        if (px >= 0 && py >= 0 && px < 32 && py < 32) FColor[py * 32 + px] = rgb;
                    }
        });
        return *this;
    }
    std::shared_ptr<TCursorImage> Icon() const {
        auto image = std::make_shared<TCursorImage>();
        image->Width = image->Height = 32;
        image->HotSpot = {16, 16};
        image->Icon = true;
        image->And.assign(32 * 32, 1);
        image->Xor.assign(32 * 32, 0);
        for (std::size_t i = 0; i < FColor.size(); ++i)
            if (FColor[i] >= 0) {
                image->And[i] = 0;
                image->Xor[i] = std::uint32_t(FColor[i]);
            }
        return image;
    }

private:
    std::vector<std::int32_t> FColor; // 0x00RRGGBB, -1 clear
};

constexpr std::int32_t RgbBlack = 0x000000, RgbWhite = 0xFFFFFF, RgbRed = 0xE00000, RgbDarkRed = 0x800000,
                       RgbNavy = 0x000080, RgbBlue = 0x1050C0, RgbYellow = 0xFFE000, RgbGray = 0x808080;

std::shared_ptr<TCursorImage> ApplicationIcon() {
    return IconArt()
        .Where([](int x, int y) { return x >= 2 && x < 30 && y >= 4 && y < 28; }, RgbBlack)
        .Where([](int x, int y) { return x >= 3 && x < 29 && y >= 5 && y < 10; }, RgbNavy)
        .Where([](int x, int y) { return x >= 3 && x < 29 && y >= 10 && y < 27; }, RgbWhite)
        .Where([](int x, int y) { return x >= 24 && x < 28 && y >= 6 && y < 9; }, RgbGray)
        .Icon();
}

std::shared_ptr<TCursorImage> ErrorIcon() {
    IconArt art;
    art.Where([](int x, int y) { return InDisc(16, 16, 15, x, y); }, RgbDarkRed)
        .Where([](int x, int y) { return InDisc(16, 16, 14, x, y); }, RgbRed)
        .Where(
            [](int x, int y) {
                return x >= 9 && x <= 22 && y >= 9 && y <= 22 &&
                       (std::abs(x - y) <= 1 || std::abs(x + y - 31) <= 1);
            },
            RgbWhite);
    return art.Icon();
}

std::shared_ptr<TCursorImage> QuestionIcon() {
    IconArt art;
    art.Where([](int x, int y) { return InDisc(16, 16, 15, x, y); }, RgbNavy)
        .Where([](int x, int y) { return InDisc(16, 16, 14, x, y); }, RgbBlue)
        .Text(10, 6,
              R"(
.####.
##..##
....##
...##.
..##..
..##..
......
..##..
)",
              2, RgbWhite);
    return art.Icon();
}

std::shared_ptr<TCursorImage> WarningIcon() {
    IconArt art;
    auto triangle = [](int x, int y, int grow) {
        int top = 2 - grow, bottom = 29 + grow;
        if (y < top || y > bottom) return false;
        double half = (y - top) * 15.0 / (bottom - top) + grow;
        return std::abs(x + 0.5 - 16) <= half;
    };
    art.Where([&](int x, int y) { return triangle(x, y, 1); }, RgbBlack)
        .Where([&](int x, int y) { return triangle(x, y, 0); }, RgbYellow)
        .Where(
            [](int x, int y) { return x >= 15 && x <= 16 && ((y >= 10 && y <= 20) || (y >= 23 && y <= 24)); },
            RgbBlack);
    return art.Icon();
}

std::shared_ptr<TCursorImage> InformationIcon() {
    IconArt art;
    art.Where([](int x, int y) { return InDisc(16, 16, 15, x, y); }, RgbNavy)
        .Where([](int x, int y) { return InDisc(16, 16, 14, x, y); }, RgbWhite)
        .Where(
            [](int x, int y) { return x >= 15 && x <= 17 && ((y >= 7 && y <= 9) || (y >= 12 && y <= 24)); },
            RgbBlue)
        .Where([](int x, int y) { return y >= 12 && y <= 13 && x >= 13 && x <= 17; }, RgbBlue)
        .Where([](int x, int y) { return y >= 23 && y <= 24 && x >= 13 && x <= 19; }, RgbBlue);
    return art.Icon();
}

} // namespace

std::shared_ptr<const TCursorImage> CursorStandardShape(const std::string& key) {
    auto it = Cursors().find(key);
    if (it == Cursors().end()) return nullptr;
    return it->second();
}

std::shared_ptr<const TCursorImage> IconStandardShape(WORD id) {
    switch (id) {
    case 32512:
    case 32517:
        return ApplicationIcon();
    case 32513:
        return ErrorIcon();
    case 32514:
        return QuestionIcon();
    case 32515:
        return WarningIcon();
    case 32516:
        return InformationIcon();
    default:
        return nullptr;
    }
}
