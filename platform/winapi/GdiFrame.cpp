// DrawEdge, DrawFrameControl and DrawFocusRect. Everything is painted as regions of solid
// colour straight through the context's device (with the raster operation the call needs),
// so drawing a control creates no handles and leaves the context's state alone. Colours are
// taken from the system colours when the call is made.
#include "platform/winapi/GdiFrame.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <map>
#include <memory>
#include <vector>

#include "platform/winapi/GdiDc.h"

namespace {

COLORREF Sys(int index) { return GetSysColor(index); }

constexpr COLORREF Black = RGB(0, 0, 0);
constexpr COLORREF White = RGB(255, 255, 255);

class Painter {
public:
    explicit Painter(HDC dc) : FDc(GdiFindDC(dc)) {}
    explicit operator bool() const { return FDc != nullptr; }

    void Region(const GdiRegion& region, COLORREF color, DWORD rop = PATCOPY) {
        if (region.IsEmpty()) return;
        GdiBrush brush;
        brush.Color = color;
        FDc->Device->PaintRegion(*FDc, region, &brush, rop);
    }
    void Fill(LONG left, LONG top, LONG right, LONG bottom, COLORREF color) {
        if (left < right && top < bottom) Region(GdiRegion(left, top, right, bottom), color);
    }
    void Fill(const RECT& r, COLORREF color) { Fill(r.left, r.top, r.right, r.bottom, color); }
    void Pattern(const GdiRegion& region, const GdiBrush& brush, DWORD rop) {
        if (!region.IsEmpty()) FDc->Device->PaintRegion(*FDc, region, &brush, rop);
    }
    const GdiDC& Dc() const { return *FDc; }

private:
    std::shared_ptr<GdiDC> FDc;
};

bool IsEmpty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }
LONG Width(const RECT& r) { return r.right - r.left; }
LONG Height(const RECT& r) { return r.bottom - r.top; }

// The largest square centred in the rectangle.
RECT CentredSquare(const RECT& r) {
    LONG w = Width(r), h = Height(r), s = std::min(w, h);
    LONG left = r.left + (w - s) / 2, top = r.top + (h - s) / 2;
    return {left, top, left + s, top + s};
}

// ---- Glyphs from rows of text ('#' marks a pixel) ------------------------------------------

struct Glyph {
    std::initializer_list<const char*> Rows;
    LONG Width() const { return LONG(std::strlen(*Rows.begin())); }
    LONG Height() const { return LONG(Rows.size()); }
};

GdiRegion GlyphRegion(const Glyph& glyph, LONG x, LONG y, LONG scale) {
    GdiRegionBuilder builder;
    LONG row = 0;
    for (const char* line : glyph.Rows) {
        for (LONG col = 0; line[col];) {
            if (line[col] != '#') {
                ++col;
                continue;
            }
            LONG start = col;
            while (line[col] == '#')
                ++col;
            builder.AddRect({x + start * scale, y + row * scale, x + col * scale, y + (row + 1) * scale});
        }
        ++row;
    }
    return builder.Build();
}

// The region of a glyph whose pixels are given by a predicate over its cells.
template <class Inside> GdiRegion ShapeRegion(LONG x, LONG y, LONG width, LONG height, Inside inside) {
    GdiRegionBuilder builder;
    for (LONG row = 0; row < height; ++row)
        for (LONG col = 0; col < width; ++col)
            if (inside(col, row)) builder.AddSpan(y + row, x + col, x + col + 1);
    return builder.Build();
}

GdiRegion Moved(GdiRegion region, LONG dx, LONG dy) {
    region.Offset(dx, dy);
    return region;
}

// A disabled glyph: raised out of the face in highlight, its shape in shadow.
void PaintGlyph(Painter& p, const GdiRegion& shape, bool inactive, COLORREF color) {
    if (inactive) {
        p.Region(Moved(shape, 1, 1), Sys(COLOR_3DHIGHLIGHT));
        p.Region(shape, Sys(COLOR_3DSHADOW));
    } else {
        p.Region(shape, color);
    }
}

const Glyph CheckMark{{
    "......#",
    ".....##",
    "#...###",
    "##.###.",
    "#####..",
    ".###...",
    "..#....",
}};

// The check mark as large as fits in a box of the given size, centred in it.
GdiRegion CheckMarkRegion(const RECT& box) {
    LONG size = std::min(Width(box), Height(box));
    LONG scale = std::max<LONG>(1, (size + 2) / 9);
    LONG w = CheckMark.Width() * scale, h = CheckMark.Height() * scale;
    return GlyphRegion(CheckMark, box.left + (Width(box) - w) / 2, box.top + (Height(box) - h) / 2, scale);
}

// ---- Edges ---------------------------------------------------------------------------------

struct EdgeColors {
    bool HasOuter = false, HasInner = false;
    COLORREF OuterTopLeft = 0, OuterBottomRight = 0, InnerTopLeft = 0, InnerBottomRight = 0;
    COLORREF Middle = 0;
};

EdgeColors ColorsOf(UINT edge, UINT flags) {
    EdgeColors c;
    UINT outer = edge & BDR_OUTER, inner = edge & BDR_INNER;
    c.HasOuter = outer != 0;
    c.HasInner = inner != 0;
    if (flags & BF_MONO) {
        c.OuterTopLeft = c.OuterBottomRight = Sys(COLOR_WINDOWFRAME);
        c.InnerTopLeft = c.InnerBottomRight = Sys(COLOR_WINDOW);
        c.Middle = Sys(COLOR_WINDOW);
        return c;
    }
    if (flags & BF_FLAT) {
        c.OuterTopLeft = c.OuterBottomRight = Sys(COLOR_3DSHADOW);
        c.InnerTopLeft = c.InnerBottomRight = Sys(COLOR_3DFACE);
        c.Middle = Sys(COLOR_3DFACE);
        return c;
    }
    // Soft edges put the brighter of the two light colours outside (a button), plain ones
    // inside (a tile).
    bool soft = flags & BF_SOFT;
    if (outer & BDR_RAISEDOUTER) {
        c.OuterTopLeft = Sys(soft ? COLOR_3DHIGHLIGHT : COLOR_3DLIGHT);
        c.OuterBottomRight = Sys(COLOR_3DDKSHADOW);
    } else if (outer) {
        c.OuterTopLeft = Sys(soft ? COLOR_3DDKSHADOW : COLOR_3DSHADOW);
        c.OuterBottomRight = Sys(COLOR_3DHIGHLIGHT);
    }
    if (inner & BDR_RAISEDINNER) {
        c.InnerTopLeft = Sys(soft ? COLOR_3DLIGHT : COLOR_3DHIGHLIGHT);
        c.InnerBottomRight = Sys(COLOR_3DSHADOW);
    } else if (inner) {
        c.InnerTopLeft = Sys(soft ? COLOR_3DSHADOW : COLOR_3DDKSHADOW);
        c.InnerBottomRight = Sys(COLOR_3DLIGHT);
    }
    c.Middle = Sys(COLOR_3DFACE);
    return c;
}

// One border on the sides named; the rectangle shrinks by it.
void Border(Painter& p, RECT& r, UINT sides, COLORREF topLeft, COLORREF bottomRight) {
    if (sides & BF_TOP) p.Fill(r.left, r.top, r.right, r.top + 1, topLeft);
    if (sides & BF_LEFT) p.Fill(r.left, r.top, r.left + 1, r.bottom, topLeft);
    if (sides & BF_BOTTOM) p.Fill(r.left, r.bottom - 1, r.right, r.bottom, bottomRight);
    if (sides & BF_RIGHT) p.Fill(r.right - 1, r.top, r.right, r.bottom, bottomRight);
    if (sides & BF_LEFT) ++r.left;
    if (sides & BF_TOP) ++r.top;
    if (sides & BF_RIGHT) --r.right;
    if (sides & BF_BOTTOM) --r.bottom;
}

// Borders and middle; r ends up inside the borders.
void PaintEdge(Painter& p, RECT& r, UINT edge, UINT flags) {
    EdgeColors c = ColorsOf(edge, flags);
    if (c.HasOuter) Border(p, r, flags, c.OuterTopLeft, c.OuterBottomRight);
    if (c.HasInner) Border(p, r, flags, c.InnerTopLeft, c.InnerBottomRight);
    if (flags & BF_MIDDLE) p.Fill(r, c.Middle);
}

// The pixels of a line from one corner pixel of the rectangle to the opposite one.
std::vector<POINT> DiagonalPixels(POINT from, POINT to) {
    std::vector<POINT> points;
    LONG dx = to.x - from.x, dy = to.y - from.y;
    LONG n = std::max(std::abs(dx), std::abs(dy));
    for (LONG i = 0; i <= n; ++i) {
        double t = n ? double(i) / n : 0;
        points.push_back({from.x + LONG(std::lround(t * dx)), from.y + LONG(std::lround(t * dy))});
    }
    return points;
}

// A diagonal runs from the corner opposite the one the flags name to that corner. A line
// that ends at the top takes the top-left colours, one that ends at the bottom the
// bottom-right ones. The inner border lies one pixel right of the outer one, and BF_MIDDLE
// fills what lies right of the borders; the rectangle is left as it is.
BOOL PaintDiagonal(Painter& p, const RECT& rect, UINT edge, UINT flags) {
    if (IsEmpty(rect)) return TRUE;
    EdgeColors c = ColorsOf(edge, flags);
    bool endTop = flags & BF_TOP, endLeft = flags & BF_LEFT;
    POINT end{endLeft ? rect.left : rect.right - 1, endTop ? rect.top : rect.bottom - 1};
    POINT start{endLeft ? rect.right - 1 : rect.left, endTop ? rect.bottom - 1 : rect.top};
    std::vector<POINT> line = DiagonalPixels(start, end);
    auto paintLine = [&](LONG shift, COLORREF color) {
        GdiRegionBuilder builder;
        for (const POINT& pt : line)
            if (pt.x + shift < rect.right) builder.AddSpan(pt.y, pt.x + shift, pt.x + shift + 1);
        p.Region(builder.Build(), color);
    };
    LONG shift = 0;
    if (c.HasOuter) paintLine(shift++, endTop ? c.OuterTopLeft : c.OuterBottomRight);
    if (c.HasInner) paintLine(shift++, endTop ? c.InnerTopLeft : c.InnerBottomRight);
    if (flags & BF_MIDDLE) {
        std::map<LONG, LONG> rightmost;
        for (const POINT& pt : line) {
            auto it = rightmost.find(pt.y);
            if (it == rightmost.end() || pt.x > it->second) rightmost[pt.y] = pt.x;
        }
        GdiRegionBuilder builder;
        for (const auto& [y, x] : rightmost)
            builder.AddSpan(y, x + shift, rect.right);
        p.Region(builder.Build(), c.Middle);
    }
    return TRUE;
}

// ---- Buttons -------------------------------------------------------------------------------

// The checkerboard of highlight and face a checked (latched) or indeterminate control shows.
GdiBrush DitherBrush() {
    GdiBrush brush;
    brush.Style = BS_PATTERN;
    brush.PatternWidth = brush.PatternHeight = 8;
    GdiPixel light = GdiColorToPixel(Sys(COLOR_3DHIGHLIGHT)), face = GdiColorToPixel(Sys(COLOR_3DFACE));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            brush.Pattern.push_back((x + y) % 2 ? face : light);
    return brush;
}

// Borders of a push button (and of the buttons that look like one); r ends up on the face.
void PaintButtonFrame(Painter& p, RECT& r, UINT state, bool soft) {
    UINT flags = BF_RECT | (soft ? BF_SOFT : 0);
    if (state & DFCS_MONO) {
        PaintEdge(p, r, EDGE_RAISED, flags | BF_MONO | BF_MIDDLE);
    } else if ((state & DFCS_FLAT) && !(state & DFCS_HOT)) {
        PaintEdge(p, r, EDGE_RAISED, flags | BF_FLAT | BF_MIDDLE);
    } else if (state & DFCS_PUSHED) {
        // Pressed: a frame in the window-frame colour around one in shadow.
        Border(p, r, BF_RECT, Sys(COLOR_WINDOWFRAME), Sys(COLOR_WINDOWFRAME));
        Border(p, r, BF_RECT, Sys(COLOR_3DSHADOW), Sys(COLOR_3DSHADOW));
        p.Fill(r, Sys(COLOR_3DFACE));
    } else if (state & DFCS_CHECKED) {
        PaintEdge(p, r, EDGE_SUNKEN, flags);
        if (!IsEmpty(r)) p.Pattern(GdiRegion(r), DitherBrush(), PATCOPY);
    } else {
        PaintEdge(p, r, EDGE_RAISED, flags | BF_MIDDLE);
    }
}

BOOL PaintPushButton(Painter& p, RECT* rect, UINT state) {
    RECT r = *rect;
    PaintButtonFrame(p, r, state, true);
    if (state & DFCS_ADJUSTRECT) *rect = r;
    return TRUE;
}

BOOL PaintCheckBox(Painter& p, const RECT& rect, UINT state) {
    RECT box = CentredSquare(rect);
    if (IsEmpty(box)) return TRUE;
    bool threeState = state & DFCS_BUTTON3STATE;
    bool grey = state & (DFCS_PUSHED | DFCS_INACTIVE);
    COLORREF inside = Sys(grey ? COLOR_3DFACE : COLOR_WINDOW);
    RECT r = box;
    if (state & DFCS_MONO) {
        Border(p, r, BF_RECT, Sys(COLOR_WINDOWFRAME), Sys(COLOR_WINDOWFRAME));
        Border(p, r, BF_RECT, inside, inside);
    } else if (state & DFCS_FLAT) {
        Border(p, r, BF_RECT, Sys(COLOR_3DSHADOW), Sys(COLOR_3DSHADOW));
        Border(p, r, BF_RECT, inside, inside);
    } else {
        PaintEdge(p, r, EDGE_SUNKEN, BF_RECT);
    }
    if (IsEmpty(r)) return TRUE;
    bool indeterminate = threeState && (state & DFCS_CHECKED);
    if (indeterminate && !grey)
        p.Pattern(GdiRegion(r), DitherBrush(), PATCOPY);
    else
        p.Fill(r, inside);
    if (state & DFCS_CHECKED) {
        int color = indeterminate             ? COLOR_3DSHADOW
                    : (state & DFCS_INACTIVE) ? COLOR_GRAYTEXT
                                              : COLOR_WINDOWTEXT;
        p.Region(CheckMarkRegion(r), Sys(color));
    }
    return TRUE;
}

// A disc of diameter d: the cells whose centres lie within it.
bool InDisc(LONG d, LONG x, LONG y) {
    long long a = 2LL * x + 1 - d, b = 2LL * y + 1 - d;
    return x >= 0 && y >= 0 && x < d && y < d && a * a + b * b <= (long long)d * d;
}

BOOL PaintRadio(Painter& p, const RECT& rect, UINT state) {
    RECT square = CentredSquare(rect);
    LONG d = Width(square) & ~1;
    if (d <= 0) return TRUE;
    LONG x0 = square.left, y0 = square.top;
    auto disc = [d](LONG x, LONG y) { return InDisc(d, x, y); };
    // Rings by erosion: a cell belongs to the next ring in when its four neighbours are in
    // this one.
    std::vector<int> depth(std::size_t(d) * d, -1);
    for (LONG y = 0; y < d; ++y)
        for (LONG x = 0; x < d; ++x)
            if (disc(x, y)) depth[std::size_t(y) * d + x] = 0;
    for (int level = 1; level <= 2; ++level)
        for (LONG y = 0; y < d; ++y)
            for (LONG x = 0; x < d; ++x) {
                auto at = [&](LONG cx, LONG cy) {
                    return cx >= 0 && cy >= 0 && cx < d && cy < d ? depth[std::size_t(cy) * d + cx] : -1;
                };
                if (at(x, y) == level - 1 && at(x - 1, y) >= level - 1 && at(x + 1, y) >= level - 1 &&
                    at(x, y - 1) >= level - 1 && at(x, y + 1) >= level - 1)
                    depth[std::size_t(y) * d + x] = level;
            }
    auto ring = [&](int level, bool topLeft) {
        return ShapeRegion(x0, y0, d, d, [&](LONG x, LONG y) {
            int v = depth[std::size_t(y) * d + x];
            bool inRing = level < 2 ? v == level : v >= 2;
            return inRing && ((x + y < d - 1) == topLeft);
        });
    };
    GdiRegion circle = ShapeRegion(x0, y0, d, d, disc);

    UINT kind = state & 0xFF;
    if (kind & DFCS_BUTTONRADIOMASK) {
        GdiRegion outside(square);
        outside -= circle;
        p.Region(outside, White);
        p.Region(circle, Black);
        return TRUE;
    }
    if (kind & DFCS_BUTTONRADIOIMAGE) {
        GdiRegion outside(square);
        outside -= circle;
        p.Region(outside, Black);
    }
    bool grey = state & (DFCS_PUSHED | DFCS_INACTIVE);
    COLORREF inside = Sys(grey ? COLOR_3DFACE : COLOR_WINDOW);
    GdiRegion middle = ring(2, true);
    middle |= ring(2, false);
    if (state & (DFCS_MONO | DFCS_FLAT)) {
        GdiRegion outer = ring(0, true);
        outer |= ring(0, false);
        p.Region(outer, Sys((state & DFCS_MONO) ? COLOR_WINDOWFRAME : COLOR_3DSHADOW));
        middle |= ring(1, true);
        middle |= ring(1, false);
    } else {
        p.Region(ring(0, true), Sys(COLOR_3DSHADOW));
        p.Region(ring(0, false), Sys(COLOR_3DHIGHLIGHT));
        p.Region(ring(1, true), Sys(COLOR_3DDKSHADOW));
        p.Region(ring(1, false), Sys(COLOR_3DLIGHT));
    }
    p.Region(middle, inside);
    if (state & DFCS_CHECKED) {
        // The dot: a third of the circle, of the circle's parity so that it sits centred.
        LONG dot = std::max<LONG>(2, d / 3);
        if ((d - dot) % 2) ++dot;
        LONG offset = (d - dot) / 2;
        GdiRegion shape = ShapeRegion(x0 + offset, y0 + offset, dot, dot,
                                      [dot](LONG x, LONG y) { return InDisc(dot, x, y); });
        p.Region(shape, Sys((state & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
    }
    return TRUE;
}

BOOL PaintButton(Painter& p, RECT* rect, UINT state) {
    UINT kind = state & 0xFF;
    if (kind & DFCS_BUTTONPUSH) return PaintPushButton(p, rect, state);
    if (kind & (DFCS_BUTTONRADIO | DFCS_BUTTONRADIOIMAGE | DFCS_BUTTONRADIOMASK))
        return PaintRadio(p, *rect, state);
    return PaintCheckBox(p, *rect, state);
}

// ---- Scroll bar buttons and size grips -----------------------------------------------------

enum class Direction { Up, Down, Left, Right };

// A filled arrow head pointing in the direction, centred in the box: rows of 1, 3, 5 ...
// pixels, about a quarter of the box's smaller side deep.
GdiRegion ArrowRegion(const RECT& box, Direction direction) {
    LONG size = std::min(Width(box), Height(box));
    LONG depth = std::max<LONG>(1, (size + 1) / 4);
    LONG span = 2 * depth - 1;
    bool vertical = direction == Direction::Up || direction == Direction::Down;
    LONG w = vertical ? span : depth, h = vertical ? depth : span;
    LONG x = box.left + (Width(box) - w) / 2, y = box.top + (Height(box) - h) / 2;
    return ShapeRegion(x, y, w, h, [&](LONG col, LONG row) {
        switch (direction) {
        case Direction::Up:
            return std::abs(col - (depth - 1)) <= row;
        case Direction::Down:
            return std::abs(col - (depth - 1)) <= depth - 1 - row;
        case Direction::Left:
            return std::abs(row - (depth - 1)) <= col;
        case Direction::Right:
            return std::abs(row - (depth - 1)) <= depth - 1 - col;
        }
        return false;
    });
}

BOOL PaintSizeGrip(Painter& p, const RECT& rect, UINT state) {
    if (!(state & DFCS_TRANSPARENT)) p.Fill(rect, Sys(COLOR_3DFACE));
    LONG size = std::min(Width(rect), Height(rect));
    if (size <= 0) return TRUE;
    // Lines across the corner, counted from it: a gap, two of shadow, one of highlight,
    // repeated; the grip fills a square of the smaller side in the corner.
    bool mirrored = state & DFCS_SCROLLSIZEGRIPRIGHT;
    LONG cornerX = mirrored ? rect.left : rect.right - 1, cornerY = rect.bottom - 1;
    GdiRegionBuilder shadow, light;
    for (LONG dy = 0; dy < size; ++dy)
        for (LONG dx = 0; dx < size; ++dx) {
            LONG distance = dx + dy;
            if (distance >= size - 1) continue;
            LONG x = mirrored ? cornerX + dx : cornerX - dx, y = cornerY - dy;
            switch (distance % 4) {
            case 1:
            case 2:
                shadow.AddSpan(y, x, x + 1);
                break;
            case 3:
                light.AddSpan(y, x, x + 1);
                break;
            default:
                break;
            }
        }
    p.Region(shadow.Build(), Sys(COLOR_3DSHADOW));
    p.Region(light.Build(), Sys(COLOR_3DHIGHLIGHT));
    return TRUE;
}

BOOL PaintScroll(Painter& p, RECT* rect, UINT state) {
    UINT kind = state & 0xFF;
    if (kind & (DFCS_SCROLLSIZEGRIP | DFCS_SCROLLSIZEGRIPRIGHT)) return PaintSizeGrip(p, *rect, state);
    Direction direction;
    switch (kind) {
    case DFCS_SCROLLUP:
        direction = Direction::Up;
        break;
    case DFCS_SCROLLDOWN:
    case DFCS_SCROLLCOMBOBOX:
        direction = Direction::Down;
        break;
    case DFCS_SCROLLLEFT:
        direction = Direction::Left;
        break;
    case DFCS_SCROLLRIGHT:
        direction = Direction::Right;
        break;
    default:
        return FALSE;
    }
    RECT face = *rect;
    // A pressed arrow button is a flat frame with the arrow moved down and right.
    UINT frameState = state;
    if ((state & DFCS_PUSHED) && !(state & DFCS_MONO))
        frameState = (state & ~DFCS_PUSHED & ~DFCS_HOT) | DFCS_FLAT;
    PaintButtonFrame(p, face, frameState & ~DFCS_CHECKED, false);
    RECT glyph = *rect;
    if (state & DFCS_PUSHED) OffsetRect(&glyph, 1, 1);
    PaintGlyph(p, ArrowRegion(glyph, direction), state & DFCS_INACTIVE, Sys(COLOR_BTNTEXT));
    return TRUE;
}

// ---- Caption buttons -----------------------------------------------------------------------

const Glyph CloseGlyph{{
    "##....##",
    ".##..##.",
    "..####..",
    "...##...",
    "..####..",
    ".##..##.",
    "##....##",
}};
const Glyph MinimizeGlyph{{
    "......",
    "......",
    "......",
    "......",
    "......",
    "######",
    "######",
}};
const Glyph MaximizeGlyph{{
    "#########",
    "#########",
    "#.......#",
    "#.......#",
    "#.......#",
    "#.......#",
    "#.......#",
    "#########",
}};
const Glyph RestoreGlyph{{
    "..######",
    "..######",
    "..#....#",
    "######.#",
    "######.#",
    "#....###",
    "#....#..",
    "######..",
}};
const Glyph HelpGlyph{{
    "..####..",
    ".##..##.",
    ".....##.",
    "....##..",
    "...##...",
    "...##...",
    "........",
    "...##...",
    "...##...",
}};

GdiRegion CentredGlyph(const Glyph& glyph, const RECT& box) {
    // The glyphs are drawn for a 16 x 14 button; larger buttons take them in whole multiples.
    LONG scale = std::max<LONG>(1, std::min(Width(box) / 16, Height(box) / 14));
    LONG w = glyph.Width() * scale, h = glyph.Height() * scale;
    return GlyphRegion(glyph, box.left + (Width(box) - w) / 2, box.top + (Height(box) - h) / 2, scale);
}

BOOL PaintCaption(Painter& p, RECT* rect, UINT state) {
    const Glyph* glyph;
    switch (state & 0xFF) {
    case DFCS_CAPTIONCLOSE:
        glyph = &CloseGlyph;
        break;
    case DFCS_CAPTIONMIN:
        glyph = &MinimizeGlyph;
        break;
    case DFCS_CAPTIONMAX:
        glyph = &MaximizeGlyph;
        break;
    case DFCS_CAPTIONRESTORE:
        glyph = &RestoreGlyph;
        break;
    case DFCS_CAPTIONHELP:
        glyph = &HelpGlyph;
        break;
    default:
        return FALSE;
    }
    RECT face = *rect;
    PaintButtonFrame(p, face, state & ~DFCS_CHECKED, true);
    RECT box = *rect;
    if (state & DFCS_PUSHED) OffsetRect(&box, 1, 1);
    PaintGlyph(p, CentredGlyph(*glyph, box), state & DFCS_INACTIVE, Sys(COLOR_BTNTEXT));
    return TRUE;
}

// ---- Menu glyphs ---------------------------------------------------------------------------

BOOL PaintMenu(Painter& p, RECT* rect, UINT state) {
    const RECT& r = *rect;
    GdiRegion shape;
    LONG size = std::min(Width(r), Height(r));
    switch (state & 0xFF) {
    case DFCS_MENUARROW:
    case DFCS_MENUARROWRIGHT: {
        // A solid arrow head about half the box high: rows 1, 2 .. n .. 2, 1 pixels long.
        LONG n = std::max<LONG>(1, (size + 1) / 4);
        LONG h = 2 * n + 1, w = n + 1;
        bool left = (state & 0xFF) == DFCS_MENUARROWRIGHT;
        LONG x = r.left + (Width(r) - w) / 2, y = r.top + (Height(r) - h) / 2;
        shape = ShapeRegion(x, y, w, h, [&](LONG col, LONG row) {
            LONG reach = n - std::abs(row - n);
            return left ? col >= w - 1 - reach : col <= reach;
        });
        break;
    }
    case DFCS_MENUCHECK:
        shape = CheckMarkRegion(r);
        break;
    case DFCS_MENUBULLET: {
        LONG d = std::max<LONG>(2, (size + 1) / 3);
        LONG x = r.left + (Width(r) - d) / 2, y = r.top + (Height(r) - d) / 2;
        shape = ShapeRegion(x, y, d, d, [d](LONG col, LONG row) { return InDisc(d, col, row); });
        break;
    }
    default:
        return FALSE;
    }
    if (!(state & DFCS_TRANSPARENT)) p.Fill(r, White);
    p.Region(shape, Black);
    return TRUE;
}

} // namespace

BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags) {
    Painter p(dc);
    if (!p || !rect) return FALSE;
    if (flags & BF_DIAGONAL) return PaintDiagonal(p, *rect, edge, flags);
    RECT r = *rect;
    PaintEdge(p, r, edge, flags);
    if (flags & BF_ADJUST) *rect = r;
    return TRUE;
}

BOOL DrawFrameControl(HDC dc, RECT* rect, UINT type, UINT state) {
    Painter p(dc);
    if (!p || !rect) return FALSE;
    switch (type) {
    case DFC_BUTTON:
        return PaintButton(p, rect, state);
    case DFC_SCROLL:
        return PaintScroll(p, rect, state);
    case DFC_CAPTION:
        return PaintCaption(p, rect, state);
    case DFC_MENU:
        return PaintMenu(p, rect, state);
    default:
        return FALSE;
    }
}

BOOL DrawFocusRect(HDC dc, const RECT* rect) {
    Painter p(dc);
    if (!p || !rect) return FALSE;
    const RECT& r = *rect;
    if (IsEmpty(r)) return TRUE;
    // Every other pixel of the outline, in the context's background colour where the pattern
    // has a 1 and its text colour elsewhere; XOR makes a second call undo the first. The
    // pattern is a colour one so that the background mode does not hide half of it.
    GdiBrush brush;
    brush.Style = BS_PATTERN;
    brush.PatternWidth = brush.PatternHeight = 8;
    GdiPixel text = GdiColorToPixel(GdiResolveColor(p.Dc().State.TextColor));
    GdiPixel back = GdiColorToPixel(GdiResolveColor(p.Dc().State.BkColor));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            brush.Pattern.push_back((x + y) % 2 == 0 ? back : text);
    GdiRegion outline(r);
    outline -= GdiRegion(r.left + 1, r.top + 1, r.right - 1, r.bottom - 1);
    p.Pattern(outline, brush, PATINVERT);
    return TRUE;
}
