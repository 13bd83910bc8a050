// The rasteriser's building blocks: raster operations, what a brush or pen paints at each
// pixel, pixel sets of lines, polygons, box figures (rectangles, rounded rectangles,
// ellipses) and wide strokes. Pixel sets are produced as regions in device coordinates.
//
// Pixel rules. Pixel (x, y) covers the square [x, x+1) x [y, y+1) and is sampled at its
// centre. Polygons and path fills take their vertices as points of that plane, so a
// rectangle polygon covers exactly the pixels of the half-open rectangle; a centre on a left
// or top edge is inside, on a right or bottom edge outside. Thin lines step along their major
// axis and, where the exact line passes midway between two pixels, take the one with the
// smaller minor coordinate; the end point is left out. Wide strokes are shapes around the
// line through the pixel centres of the points.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/winapi/GdiDc.h"

// ---- Raster operations -----------------------------------------------------------------------

constexpr std::uint8_t GdiRopIndex(DWORD rop) { return std::uint8_t((rop >> 16) & 0xFF); }
constexpr bool GdiRopUsesSource(std::uint8_t rop) { return ((rop >> 2) & 0x33) != (rop & 0x33); }
constexpr bool GdiRopUsesPattern(std::uint8_t rop) { return ((rop >> 4) & 0x0F) != (rop & 0x0F); }
constexpr bool GdiRopUsesDest(std::uint8_t rop) { return ((rop >> 1) & 0x55) != (rop & 0x55); }

// Evaluates a ternary operation bit by bit (bit index P * 4 + S * 2 + D of the truth table).
inline GdiPixel GdiApplyRop(std::uint8_t rop, GdiPixel p, GdiPixel s, GdiPixel d) {
    GdiPixel r = 0;
    if (rop & 0x01) r |= ~p & ~s & ~d;
    if (rop & 0x02) r |= ~p & ~s & d;
    if (rop & 0x04) r |= ~p & s & ~d;
    if (rop & 0x08) r |= ~p & s & d;
    if (rop & 0x10) r |= p & ~s & ~d;
    if (rop & 0x20) r |= p & ~s & d;
    if (rop & 0x40) r |= p & s & ~d;
    if (rop & 0x80) r |= p & s & d;
    return r;
}

// The ternary operation (over P and D) of a binary mix mode R2_xxx; R2_COPYPEN for an
// unknown mode.
std::uint8_t GdiRop2ToRop3(int rop2);

// ---- What is painted ---------------------------------------------------------------------------

// P at each pixel: one colour, or a tile of colours repeated from a phase, whose cells can be
// transparent (the background of a hatch or a monochrome pattern in TRANSPARENT mode).
struct GdiPaint {
    bool None = false; // nothing at all (null brush or pen)
    bool Solid = true;
    GdiPixel Color = 0;
    int TileWidth = 0;
    int TileHeight = 0;
    std::vector<GdiPixel> Tile;
    std::vector<std::uint8_t> TileOpaque;
    int PhaseX = 0; // surface coordinates of tile cell (0, 0)
    int PhaseY = 0;

    // False where the pixel is left alone.
    bool At(int x, int y, GdiPixel& p) const {
        if (Solid) {
            p = Color;
            return true;
        }
        int tx = (x - PhaseX) % TileWidth, ty = (y - PhaseY) % TileHeight;
        if (tx < 0) tx += TileWidth;
        if (ty < 0) ty += TileHeight;
        std::size_t i = std::size_t(ty) * TileWidth + tx;
        p = Tile[i];
        return TileOpaque[i] != 0;
    }
};

GdiPaint GdiSolidPaint(GdiPixel color);
// A brush as the context draws it on a surface: colours resolved (the context's text and
// background colours for monochrome patterns, the background colour for hatch gaps),
// monochrome when the surface is, phased so that tile cell (0, 0) lies at phase.
GdiPaint GdiBrushPaint(const GdiDC& dc, const GdiBrush& brush, bool mono, POINT phase);
// The 8x8 hatch tile of a hatch style: true where the hatch line is.
bool GdiHatchBit(int hatch, int x, int y);

// Paints rectangles (surface coordinates, inside the surface) through a ternary operation
// with paint as P (S is 0).
void GdiPaintRects(const GdiSurface& surface, const std::vector<RECT>& rects, const GdiPaint& paint,
                   std::uint8_t rop);
// The pixel written for P, S and D: the operation's result without alpha, except that a
// plain source copy keeps the source's alpha.
inline GdiPixel GdiCompose(std::uint8_t rop, GdiPixel p, GdiPixel s, GdiPixel d) {
    if (rop == 0xCC) return s;
    return GdiApplyRop(rop, p, s, d) & 0x00FFFFFF;
}

// ---- Thin lines ----------------------------------------------------------------------------------

inline long long GdiFloorDiv(long long a, long long b) {
    long long q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}
inline long long GdiCeilDiv(long long a, long long b) { return -GdiFloorDiv(-a, b); }

// Calls f(x, y, k) for the pixels of the line from a to b, b left out, k counting the steps
// from a. Only steps whose major coordinate lies inside limit are produced (k keeps its
// count, so dash patterns stay in phase).
template <class F> void GdiLinePixels(POINT a, POINT b, const RECT& limit, F&& f) {
    long long dx = (long long)b.x - a.x, dy = (long long)b.y - a.y;
    if (!dx && !dy) return;
    bool xMajor = std::llabs(dx) >= std::llabs(dy);
    long long n = xMajor ? std::llabs(dx) : std::llabs(dy);
    long long dMinor = xMajor ? dy : dx;
    long long step = (xMajor ? dx : dy) > 0 ? 1 : -1;
    long long major0 = xMajor ? a.x : a.y, minor0 = xMajor ? a.y : a.x;
    long long lo = xMajor ? limit.left : limit.top, hi = (xMajor ? limit.right : limit.bottom) - 1;
    long long k0 = step > 0 ? lo - major0 : major0 - hi;
    long long k1 = step > 0 ? hi - major0 : major0 - lo;
    if (k0 < 0) k0 = 0;
    if (k1 > n - 1) k1 = n - 1;
    for (long long k = k0; k <= k1; ++k) {
        long long major = major0 + step * k;
        long long minor = minor0 + GdiCeilDiv(2 * k * dMinor - n, 2 * n);
        if (xMajor)
            f(LONG(major), LONG(minor), k);
        else
            f(LONG(minor), LONG(major), k);
    }
}

// ---- Shapes --------------------------------------------------------------------------------------

// Fills polygons (vertices in the pixel plane, each closed implicitly) with the alternate
// or winding rule; only rows and columns inside limit are produced.
void GdiFillPolygons(const std::vector<std::vector<GdiPointD>>& polygons, bool winding, const RECT& limit,
                     GdiRegionBuilder& out);

// A rectangle with elliptic corners (an ellipse when the corners take the whole box), in
// quarter-pixel units: the box is [L, R) x [T, B) and the corner ellipses have the
// semi-axes A and Bc. A pixel belongs to it when its centre does.
struct GdiBoxShape {
    long long L = 0, T = 0, R = 0, B = 0;
    long long A = 0, Bc = 0;
};
// The box (l, t, r, b) grown by grow quarter-pixels on every side (negative: shrunk), with
// corner ellipses of full size cw x ch pixels grown likewise; ellipse: corners take the box.
GdiBoxShape GdiMakeBoxShape(const RECT& box, long long grow, bool ellipse, long long cw, long long ch);
// The run [x0, x1) of row y; false when the row is empty.
bool GdiBoxRow(const GdiBoxShape& shape, long long y, long long& x0, long long& x1);

// Pixels whose centre lies in the disc (centre in the pixel plane).
void GdiAddDisc(GdiPointD centre, double radius, const RECT& limit, GdiRegionBuilder& out);

struct GdiStroke {
    double Width = 1;
    int Cap = PS_ENDCAP_ROUND;
    int Join = PS_JOIN_ROUND;
    double MiterLimit = 10;
};
// The pixels of a wide stroke along points given as pixel positions (a pixel position p
// stands for the pixel centre p + 0.5 of the plane).
void GdiStrokePolyline(const std::vector<GdiPointD>& points, bool closed, const GdiStroke& stroke,
                       const RECT& limit, GdiRegionBuilder& out);
// Splits a polyline into the "on" pieces of a dash pattern (lengths along the line, the
// first one on).
std::vector<std::vector<GdiPointD>> GdiDashPolyline(const std::vector<GdiPointD>& points, bool closed,
                                                    const std::vector<double>& pattern);

// ---- Ellipses as points ---------------------------------------------------------------------------

// Angle (counter-clockwise on screen) of a point of the plane seen from the box's centre.
double GdiBoxAngle(const RECT& box, double x, double y);
// The point in a direction (angle from the centre) on the ellipse through the centres of the
// box's outer pixels, moved inward by shrink pixels; as a pixel position.
GdiPointD GdiEllipsePoint(const RECT& box, double angle, double shrink);
// Points along that ellipse from one direction to another, counter-clockwise on screen (or
// clockwise), both ends included; equal directions give the whole ellipse once around.
std::vector<GdiPointD> GdiEllipseArc(const RECT& box, double startAngle, double endAngle, bool clockwise,
                                     double shrink);
// A rounded rectangle through the centres of the box's outer pixels, corner ellipses of full
// size cw x ch, counter-clockwise from the top of its right edge.
std::vector<GdiPointD> GdiRoundRectPoints(const RECT& box, double cw, double ch);
