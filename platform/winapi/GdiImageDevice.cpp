// The image device: the context's figures as pixel sets, painted through the clip region
// with the pen, the brush and the raster operation.
#include "platform/winapi/GdiImageDevice.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "platform/winapi/GdiRaster.h"

namespace {

constexpr double Pi = 3.14159265358979323846;

// ---- The frame of one drawing call -----------------------------------------------------------

struct Frame {
    GdiSurface Surface;
    POINT Origin{}; // device (0, 0) on the surface
    GdiRegion Clip; // device coordinates
    RECT Box{};     // bounds of Clip
    bool Simple = false;

    bool Visible(LONG x, LONG y) const {
        if (Simple) return x >= Box.left && x < Box.right && y >= Box.top && y < Box.bottom;
        return Clip.Contains(x, y);
    }
    GdiPixel& At(LONG x, LONG y) const { return Surface.Row(y + Origin.y)[x + Origin.x]; }
    POINT Phase(const GdiDC& dc) const {
        return {dc.State.BrushOrg.x + Origin.x, dc.State.BrushOrg.y + Origin.y};
    }
};

bool OpenFrame(const GdiDevice& device, const GdiDC& dc, Frame& f) {
    if (!device.SourcePixels(dc, f.Surface, f.Origin) || !f.Surface.IsValid()) return false;
    f.Clip = dc.EffectiveClip();
    f.Box = f.Clip.Bounds();
    f.Simple = f.Clip.Rects().size() == 1;
    return true;
}

// Paints a pixel set (device coordinates) inside the clip.
void PaintSet(const Frame& f, GdiRegion set, const GdiPaint& paint, std::uint8_t rop) {
    if (set.IsEmpty() || (paint.None && GdiRopUsesPattern(rop))) return;
    set &= f.Clip;
    if (set.IsEmpty()) return;
    set.Offset(f.Origin.x, f.Origin.y);
    GdiPaintRects(f.Surface, set.Rects(), paint, rop);
}

void PaintPixel(const Frame& f, LONG x, LONG y, GdiPixel p, std::uint8_t rop) {
    GdiPixel& d = f.At(x, y);
    d = GdiCompose(rop, p, 0, d);
}

RECT Normalized(const RECT& r) {
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
            std::max(r.top, r.bottom)};
}

RECT Inflated(const RECT& r, LONG by) { return {r.left - by, r.top - by, r.right + by, r.bottom + by}; }

// ---- Pens --------------------------------------------------------------------------------------

struct Pen {
    bool Null = true;
    bool Geometric = false;
    double Width = 1;
    bool InsideFrame = false;
    GdiPaint Paint;
    std::vector<long long> Dashes; // thin styled pens: on, off, on, ... in pixels
    std::vector<double> GeoDashes; // geometric styled pens: lengths
    GdiPixel Back = 0;
    bool OpaqueGaps = false;
    GdiStroke Stroke;
    std::uint8_t Rop = 0xF0;

    bool Styled() const { return !Dashes.empty(); }
    bool On(long long position) const {
        if (Dashes.empty()) return true;
        long long total = 0;
        for (long long d : Dashes)
            total += d;
        if (total <= 0) return true;
        position %= total;
        bool on = true;
        for (long long d : Dashes) {
            if (position < d) return on;
            position -= d;
            on = !on;
        }
        return on;
    }
};

Pen RealizePen(const GdiDC& dc, const Frame& f) {
    Pen pen;
    if (!dc.State.Pen) return pen;
    const GdiPen& p = *dc.State.Pen;
    int dash = p.Dash();
    if (dash == PS_NULL) return pen;
    pen.Null = false;
    pen.Rop = GdiRop2ToRop3(dc.State.Rop2);
    pen.Geometric = p.IsGeometric();
    pen.Width = std::max(1, p.Width);
    pen.InsideFrame = dash == PS_INSIDEFRAME && pen.Geometric;
    if (p.Extended && p.BrushStyle == BS_HATCHED) {
        GdiBrush hatch;
        hatch.Style = BS_HATCHED;
        hatch.Color = dc.PenColor();
        hatch.Hatch = int(p.Hatch);
        pen.Paint = GdiBrushPaint(dc, hatch, f.Surface.Mono, f.Phase(dc));
    } else {
        pen.Paint = GdiSolidPaint(GdiDevicePixel(dc.PenColor(), f.Surface.Mono));
    }
    pen.Stroke.Width = pen.Width;
    pen.Stroke.Cap = p.Cap();
    pen.Stroke.Join = p.Join();
    pen.Back = GdiDevicePixel(dc.State.BkColor, f.Surface.Mono);
    pen.OpaqueGaps = dc.State.BkMode == OPAQUE;
    if (!pen.Geometric) {
        switch (dash) {
        case PS_DASH:
            pen.Dashes = {18, 6};
            break;
        case PS_DOT:
            pen.Dashes = {3, 3};
            break;
        case PS_DASHDOT:
            pen.Dashes = {9, 6, 3, 6};
            break;
        case PS_DASHDOTDOT:
            pen.Dashes = {9, 3, 3, 3, 3, 3};
            break;
        case PS_ALTERNATE:
            pen.Dashes = {1, 1};
            break;
        case PS_USERSTYLE:
            pen.Dashes.assign(p.UserStyle.begin(), p.UserStyle.end());
            break;
        default:
            break;
        }
    } else if (p.Extended) {
        double w = pen.Width;
        switch (dash) {
        case PS_DASH:
            pen.GeoDashes = {3 * w, w};
            break;
        case PS_DOT:
            pen.GeoDashes = {w, w};
            break;
        case PS_DASHDOT:
            pen.GeoDashes = {3 * w, w, w, w};
            break;
        case PS_DASHDOTDOT:
            pen.GeoDashes = {3 * w, w, w, w, w, w};
            break;
        case PS_USERSTYLE:
            pen.GeoDashes.assign(p.UserStyle.begin(), p.UserStyle.end());
            break;
        default:
            break;
        }
    }
    // A pattern of nothing but gaps (or of nothing) draws solid.
    long long total = 0;
    for (std::size_t i = 0; i < pen.Dashes.size(); i += 2)
        total += pen.Dashes[i];
    if (total <= 0) pen.Dashes.clear();
    double geoTotal = 0;
    for (std::size_t i = 0; i < pen.GeoDashes.size(); i += 2)
        geoTotal += pen.GeoDashes[i];
    if (geoTotal <= 0) pen.GeoDashes.clear();
    return pen;
}

// Visits the pixels of a thin polyline (device points) with their dash state, one segment
// after the other; the dash pattern runs on across the segments.
template <class F>
void ForThinPixels(const Frame& f, const Pen& pen, const std::vector<POINT>& pts, bool closed, F&& visit) {
    std::size_t n = pts.size();
    if (n < 2) return;
    std::size_t segments = closed ? n : n - 1;
    long long style = 0;
    RECT limit = f.Box;
    for (std::size_t i = 0; i < segments; ++i) {
        POINT a = pts[i], b = pts[(i + 1) % n];
        GdiLinePixels(a, b, limit, [&](LONG x, LONG y, long long k) { visit(x, y, pen.On(style + k)); });
        style += std::max(std::llabs((long long)b.x - a.x), std::llabs((long long)b.y - a.y));
    }
}

void CollectThin(const Frame& f, const Pen& pen, const std::vector<POINT>& pts, bool closed,
                 GdiRegionBuilder& out) {
    ForThinPixels(f, pen, pts, closed, [&](LONG x, LONG y, bool on) {
        if (on || pen.OpaqueGaps) out.AddSpan(y, x, x + 1);
    });
}

void PaintThin(const Frame& f, const Pen& pen, const std::vector<POINT>& pts, bool closed) {
    ForThinPixels(f, pen, pts, closed, [&](LONG x, LONG y, bool on) {
        if (!f.Visible(x, y)) return;
        if (on)
            PaintPixel(f, x, y, pen.Paint.Color, pen.Rop);
        else if (pen.OpaqueGaps)
            PaintPixel(f, x, y, pen.Back, pen.Rop);
    });
}

std::vector<GdiPointD> ToDoubles(const std::vector<POINT>& pts) {
    std::vector<GdiPointD> out;
    out.reserve(pts.size());
    for (const POINT& p : pts)
        out.push_back({double(p.x), double(p.y)});
    return out;
}

// The polygons to fill. Without a pen their vertices are points of the plane, so a
// rectangle covers exactly its half-open pixels; with a pen, whose outline runs through the
// pixel centres of the vertices, they move to those centres so that the interior stays
// inside the outline.
std::vector<std::vector<GdiPointD>> FillPolygonsFor(const std::vector<std::vector<GdiPointD>>& polygons,
                                                    bool outlined) {
    if (!outlined) return polygons;
    std::vector<std::vector<GdiPointD>> moved = polygons;
    for (auto& poly : moved)
        for (GdiPointD& p : poly) {
            p.x += 0.5;
            p.y += 0.5;
        }
    return moved;
}

// A wide pen along points (pixel positions, device coordinates).
void CollectWide(const Frame& f, const Pen& pen, const std::vector<GdiPointD>& pts, bool closed,
                 GdiRegionBuilder& out) {
    RECT limit = Inflated(f.Box, 1);
    if (pen.GeoDashes.empty()) {
        GdiStrokePolyline(pts, closed, pen.Stroke, limit, out);
        return;
    }
    for (const auto& piece : GdiDashPolyline(pts, closed, pen.GeoDashes))
        GdiStrokePolyline(piece, false, pen.Stroke, limit, out);
}

// Fill first, then the pen; the fill leaves out the pen's pixels so that every pixel is
// painted once.
void PaintFigure(const GdiDC& dc, const Frame& f, GdiRegion fill, const Pen& pen, const GdiRegion& penSet) {
    if (!fill.IsEmpty() && dc.State.Brush) {
        fill -= penSet;
        GdiPaint brush = GdiBrushPaint(dc, *dc.State.Brush, f.Surface.Mono, f.Phase(dc));
        PaintSet(f, std::move(fill), brush, GdiRop2ToRop3(dc.State.Rop2));
    }
    if (!pen.Null) PaintSet(f, penSet, pen.Paint, pen.Rop);
}

std::vector<POINT> DevicePoints(const GdiDC& dc, const POINT* points, std::size_t count) {
    std::vector<POINT> out(count);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = dc.ToDevice(points[i]);
    return out;
}

RECT DeviceBox(const GdiDC& dc, const RECT& box) {
    POINT a = dc.ToDevice({box.left, box.top}), b = dc.ToDevice({box.right, box.bottom});
    return Normalized({a.x, a.y, b.x, b.y});
}

bool BoxOk(const RECT& r) {
    return GdiCoordOk(r.left) && GdiCoordOk(r.right) && GdiCoordOk(r.top) && GdiCoordOk(r.bottom);
}

// ---- Box figures: ellipses, rounded rectangles, arcs, chords, pies ------------------------------

struct Angles {
    bool Full = true;
    double Cx = 0, Cy = 0; // centre in the plane
    double Start = 0, Sweep = 2 * Pi;
    bool Clockwise = false;

    // Angle (counter-clockwise on screen) of a plane point seen from the centre.
    double AngleOf(double x, double y) const { return std::atan2(Cy - y, x - Cx); }
    // Whether the direction of a pixel centre lies in the arc's sweep.
    bool Contains(LONG px, LONG py) const {
        if (Full) return true;
        double x = px + 0.5, y = py + 0.5;
        if (std::fabs(x - Cx) < 1e-9 && std::fabs(y - Cy) < 1e-9) return true;
        double a = AngleOf(x, y);
        double from = Clockwise ? Start - a : a - Start;
        from = std::fmod(from + 4 * Pi, 2 * Pi);
        return from <= Sweep + 1e-12 || from >= 2 * Pi - 1e-12;
    }
    // The angle a fraction of the way along the sweep.
    double At(double fraction) const {
        return Clockwise ? Start - Sweep * fraction : Start + Sweep * fraction;
    }
};

// The sweep seen from a centre (plane coordinates) from the direction of one point to that
// of another.
Angles MakeAngles(GdiPointD centre, GdiPointD start, GdiPointD end, bool clockwise) {
    Angles a;
    a.Full = false;
    a.Cx = centre.x;
    a.Cy = centre.y;
    a.Clockwise = clockwise;
    a.Start = a.AngleOf(start.x, start.y);
    double e = a.AngleOf(end.x, end.y);
    double sweep = a.Clockwise ? a.Start - e : e - a.Start;
    sweep = std::fmod(sweep + 4 * Pi, 2 * Pi);
    a.Sweep = sweep < 1e-12 ? 2 * Pi : sweep;
    return a;
}

Angles MakeAngles(const RECT& box, POINT start, POINT end, int direction) {
    GdiPointD centre{(double(box.left) + box.right) / 2, (double(box.top) + box.bottom) / 2};
    return MakeAngles(centre, {double(start.x), double(start.y)}, {double(end.x), double(end.y)},
                      direction == AD_CLOCKWISE);
}

GdiPointD CentreOf(POINT pixel) { return {pixel.x + 0.5, pixel.y + 0.5}; }

// The point at an angle on the ellipse through the centres of the box's outer pixels (plane
// coordinates).
GdiPointD AxisPoint(const RECT& box, double angle) {
    GdiPointD p = GdiEllipsePoint(box, angle, 0);
    return {p.x + 0.5, p.y + 0.5};
}

POINT PixelOf(GdiPointD plane) { return {LONG(std::floor(plane.x)), LONG(std::floor(plane.y))}; }

struct RowSpan {
    bool Any = false;
    long long X0 = 0, X1 = 0;
};

RowSpan ShapeRow(const GdiBoxShape& s, long long y) {
    RowSpan r;
    r.Any = GdiBoxRow(s, y, r.X0, r.X1);
    return r;
}

// Adds the pixels of [x0, x1) on row y that pass the angle filter.
void AddFiltered(GdiRegionBuilder& out, long long y, long long x0, long long x1, const RECT& limit,
                 const std::function<bool(LONG, LONG)>* keep) {
    x0 = std::max<long long>(x0, limit.left);
    x1 = std::min<long long>(x1, limit.right);
    if (x0 >= x1) return;
    if (!keep) {
        out.AddSpan(LONG(y), LONG(x0), LONG(x1));
        return;
    }
    long long runStart = -1;
    for (long long x = x0; x <= x1; ++x) {
        bool in = x < x1 && (*keep)(LONG(x), LONG(y));
        if (in && runStart < 0) runStart = x;
        if (!in && runStart >= 0) {
            out.AddSpan(LONG(y), LONG(runStart), LONG(x));
            runStart = -1;
        }
    }
}

// The pixels of a shape; with inner, those not in inner (a ring).
void AddShape(GdiRegionBuilder& out, const GdiBoxShape& outer, const GdiBoxShape* inner, const RECT& limit,
              const std::function<bool(LONG, LONG)>* keep) {
    long long from = std::max<long long>(GdiCeilDiv(outer.T - 2, 4), limit.top);
    long long to = std::min<long long>(GdiCeilDiv(outer.B - 2, 4), limit.bottom);
    for (long long y = from; y < to; ++y) {
        RowSpan o = ShapeRow(outer, y);
        if (!o.Any) continue;
        RowSpan i = inner ? ShapeRow(*inner, y) : RowSpan{};
        if (!i.Any || i.X0 >= o.X1 || i.X1 <= o.X0) {
            AddFiltered(out, y, o.X0, o.X1, limit, keep);
        } else {
            AddFiltered(out, y, o.X0, std::max(o.X0, i.X0), limit, keep);
            AddFiltered(out, y, std::min(o.X1, i.X1), o.X1, limit, keep);
        }
    }
}

// The thin outline of a shape: its pixels that have a 4-neighbour outside it. With inside,
// the other pixels (the interior) go there.
void AddOutline(GdiRegionBuilder* outline, GdiRegionBuilder* inside, const GdiBoxShape& s, const RECT& limit,
                const std::function<bool(LONG, LONG)>* keepOutline,
                const std::function<bool(LONG, LONG)>* keepInside) {
    long long from = std::max<long long>(GdiCeilDiv(s.T - 2, 4), limit.top);
    long long to = std::min<long long>(GdiCeilDiv(s.B - 2, 4), limit.bottom);
    if (from >= to) return;
    RowSpan above = ShapeRow(s, from - 1), here = ShapeRow(s, from);
    for (long long y = from; y < to; ++y) {
        RowSpan below = ShapeRow(s, y + 1);
        if (here.Any) {
            long long i0 = here.X0 + 1, i1 = here.X1 - 1;
            if (above.Any && below.Any) {
                i0 = std::max({i0, above.X0, below.X0});
                i1 = std::min({i1, above.X1, below.X1});
            } else {
                i1 = i0;
            }
            if (i0 >= i1) {
                if (outline) AddFiltered(*outline, y, here.X0, here.X1, limit, keepOutline);
            } else {
                if (outline) {
                    AddFiltered(*outline, y, here.X0, i0, limit, keepOutline);
                    AddFiltered(*outline, y, i1, here.X1, limit, keepOutline);
                }
                if (inside) AddFiltered(*inside, y, i0, i1, limit, keepInside);
            }
        }
        above = here;
        here = below;
    }
}

// Pixels of a thin outline in order along the curve (for dash patterns): sorted by angle
// from the start of the sweep.
std::vector<POINT> OrderedOutline(const GdiRegion& outline, const Angles& angles) {
    std::vector<std::pair<double, POINT>> pixels;
    for (const RECT& r : outline.Rects())
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x) {
                double a = angles.AngleOf(x + 0.5, y + 0.5);
                double from = angles.Clockwise ? angles.Start - a : a - angles.Start;
                from = std::fmod(from + 4 * Pi, 2 * Pi);
                pixels.push_back({from, POINT{x, y}});
            }
    std::stable_sort(pixels.begin(), pixels.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<POINT> out;
    out.reserve(pixels.size());
    for (const auto& p : pixels)
        out.push_back(p.second);
    return out;
}

enum class Figure { Ellipse, RoundRect, Arc, Chord, Pie };

BOOL DrawBoxFigure(const GdiDevice& device, GdiDC& dc, const RECT& logicalBox, Figure figure, int cw, int ch,
                   POINT logicalStart, POINT logicalEnd) {
    Frame f;
    if (!OpenFrame(device, dc, f)) return FALSE;
    RECT box = DeviceBox(dc, logicalBox);
    if (!BoxOk(box)) return FALSE;
    if (f.Clip.IsEmpty() || box.left == box.right || box.top == box.bottom) return TRUE;
    Pen pen = RealizePen(dc, f);
    bool ellipse = figure != Figure::RoundRect;
    bool curve = figure == Figure::Arc || figure == Figure::Chord || figure == Figure::Pie;
    Angles angles;
    if (curve)
        angles = MakeAngles(box, dc.ToDevice(logicalStart), dc.ToDevice(logicalEnd), dc.State.ArcDirection);
    std::function<bool(LONG, LONG)> inSweep = [&](LONG x, LONG y) { return angles.Contains(x, y); };
    GdiPointD arcStart = AxisPoint(box, angles.At(0)), arcEnd = AxisPoint(box, angles.At(1));
    GdiPointD arcMid = AxisPoint(box, angles.At(0.5));
    // Thin radii and chords join pixels; a point on a pixel edge takes the pixel on the
    // figure's side.
    GdiPointD inward{(angles.Cx + arcMid.x) / 2, (angles.Cy + arcMid.y) / 2};
    auto pixelInward = [&](GdiPointD p) {
        double dx = inward.x - p.x, dy = inward.y - p.y, len = std::hypot(dx, dy);
        if (len > 0) {
            p.x += dx / len * 1e-6;
            p.y += dy / len * 1e-6;
        }
        return PixelOf(p);
    };
    POINT startPixel = pixelInward(arcStart), endPixel = pixelInward(arcEnd);
    POINT centrePixel = pixelInward({angles.Cx, angles.Cy});
    // The chord's side: pixels on the side of the line start-end where the arc runs.
    auto sideOf = [](GdiPointD a, GdiPointD b, double x, double y) {
        return (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
    };
    auto sameSide = [&](GdiPointD a, GdiPointD b, LONG x, LONG y) {
        double s = sideOf(a, b, x + 0.5, y + 0.5), mid = sideOf(a, b, arcMid.x, arcMid.y);
        return s == 0 || (s > 0) == (mid > 0);
    };
    std::function<bool(LONG, LONG)> inChord = [&](LONG x, LONG y) {
        return angles.Full || angles.Sweep >= 2 * Pi || sameSide(arcStart, arcEnd, x, y);
    };
    // With a thin pen the radii and the chord run through pixel centres near the exact
    // ones; the interior also stays on their inner side, so that none of it shows outside.
    Angles drawnSweep =
        MakeAngles(CentreOf(centrePixel), CentreOf(startPixel), CentreOf(endPixel), angles.Clockwise);
    std::function<bool(LONG, LONG)> inThinSweep = [&](LONG x, LONG y) {
        return angles.Contains(x, y) && drawnSweep.Contains(x, y);
    };
    std::function<bool(LONG, LONG)> inThinChord = [&](LONG x, LONG y) {
        bool apart = startPixel.x != endPixel.x || startPixel.y != endPixel.y;
        return inChord(x, y) && (!apart || sameSide(CentreOf(startPixel), CentreOf(endPixel), x, y));
    };
    bool thin = !pen.Null && !pen.Geometric;
    const std::function<bool(LONG, LONG)>* fillKeep = figure == Figure::Pie ? (thin ? &inThinSweep : &inSweep)
                                                      : figure == Figure::Chord
                                                          ? (thin ? &inThinChord : &inChord)
                                                          : nullptr;
    const std::function<bool(LONG, LONG)>* penKeep = curve ? &inSweep : nullptr;
    RECT limit = Inflated(f.Box, 1);

    GdiRegionBuilder fillOut, penOut;
    std::vector<POINT> ordered; // thin styled outline in drawing order
    GdiBoxShape shape = GdiMakeBoxShape(box, 0, ellipse, cw, ch);
    if (pen.Null) {
        if (figure != Figure::Arc) {
            RECT smaller{box.left, box.top, box.right - 1, box.bottom - 1};
            GdiBoxShape s = GdiMakeBoxShape(smaller, 0, ellipse, cw, ch);
            AddShape(fillOut, s, nullptr, limit, fillKeep);
        }
    } else if (!pen.Geometric) {
        GdiRegionBuilder outline;
        AddOutline(&outline, figure == Figure::Arc ? nullptr : &fillOut, shape, limit, penKeep, fillKeep);
        GdiRegion outlineSet = outline.Build();
        if (pen.Styled()) {
            Angles order = curve ? angles : Angles{};
            if (!curve) {
                order.Full = false;
                order.Cx = (double(box.left) + box.right) / 2;
                order.Cy = (double(box.top) + box.bottom) / 2;
            }
            ordered = OrderedOutline(outlineSet, order);
        }
        penOut.AddRegion(outlineSet);
        if (figure == Figure::Pie || figure == Figure::Chord) {
            // The radii (or the chord), end points included.
            std::vector<POINT> lines{endPixel, startPixel};
            if (figure == Figure::Pie) lines = {endPixel, centrePixel, startPixel};
            Pen solid = pen;
            solid.Dashes.clear();
            std::vector<POINT> drawn;
            ForThinPixels(f, solid, lines, false, [&](LONG x, LONG y, bool) { drawn.push_back({x, y}); });
            POINT last = lines.back();
            if (last.x >= limit.left && last.x < limit.right && last.y >= limit.top && last.y < limit.bottom)
                drawn.push_back(last);
            for (const POINT& p : drawn) {
                if (outlineSet.Contains(p.x, p.y)) continue;
                penOut.AddSpan(p.y, p.x, p.x + 1);
                if (pen.Styled()) ordered.push_back(p);
            }
        }
    } else {
        double w = pen.Width;
        if (!pen.GeoDashes.empty() && !curve) {
            double shrink = pen.InsideFrame ? (w - 1) / 2 : 0;
            CollectWide(f, pen, GdiEllipseArc(box, 0, 0, false, shrink), true, penOut);
        } else {
            long long lw = (long long)std::llround(w);
            long long growOut = pen.InsideFrame ? 0 : 2 * (lw - 1);
            long long growIn = pen.InsideFrame ? -4 * lw : -2 * (lw + 1);
            GdiBoxShape outer = GdiMakeBoxShape(box, growOut, ellipse, cw, ch);
            GdiBoxShape inner = GdiMakeBoxShape(box, growIn, ellipse, cw, ch);
            AddShape(penOut, outer, &inner, limit, penKeep);
        }
        if (figure == Figure::Pie || figure == Figure::Chord) {
            GdiPointD s{arcStart.x - 0.5, arcStart.y - 0.5}, e{arcEnd.x - 0.5, arcEnd.y - 0.5};
            std::vector<GdiPointD> lines{e, s};
            if (figure == Figure::Pie) lines = {e, {angles.Cx - 0.5, angles.Cy - 0.5}, s};
            GdiStrokePolyline(lines, false, pen.Stroke, limit, penOut);
        }
        if (figure != Figure::Arc) AddShape(fillOut, shape, nullptr, limit, fillKeep);
    }
    GdiRegion penSet = penOut.Build();
    GdiRegion fillSet = fillOut.Build();
    if (figure == Figure::Arc) fillSet.Clear();
    if (!ordered.empty()) {
        PaintFigure(dc, f, std::move(fillSet), Pen{}, penSet);
        long long k = 0;
        for (const POINT& p : ordered) {
            bool on = pen.On(k++);
            if (!f.Visible(p.x, p.y)) continue;
            if (on)
                PaintPixel(f, p.x, p.y, pen.Paint.Color, pen.Rop);
            else if (pen.OpaqueGaps)
                PaintPixel(f, p.x, p.y, pen.Back, pen.Rop);
        }
        return TRUE;
    }
    PaintFigure(dc, f, std::move(fillSet), pen, penSet);
    return TRUE;
}

} // namespace

// ---- Surface and capabilities --------------------------------------------------------------------

bool GdiImageDevice::SourcePixels(const GdiDC& dc, GdiSurface& surface, POINT& origin) const {
    if (FExternal) {
        surface = FTarget.Surface;
        origin = FTarget.Origin;
        return surface.IsValid();
    }
    if (!dc.State.Bitmap) return false;
    surface = dc.State.Bitmap->Surface();
    origin = {0, 0};
    return surface.IsValid();
}

RECT GdiImageDevice::Bounds(const GdiDC& dc) const {
    if (FExternal) {
        const GdiSurface& s = FTarget.Surface;
        RECT r = FTarget.Bounds;
        r.left = std::max<LONG>(r.left, -FTarget.Origin.x);
        r.top = std::max<LONG>(r.top, -FTarget.Origin.y);
        r.right = std::min<LONG>(r.right, s.Width - FTarget.Origin.x);
        r.bottom = std::min<LONG>(r.bottom, s.Height - FTarget.Origin.y);
        if (r.right < r.left) r.right = r.left;
        if (r.bottom < r.top) r.bottom = r.top;
        return r;
    }
    if (!dc.State.Bitmap) return RECT{};
    return RECT{0, 0, dc.State.Bitmap->Width, dc.State.Bitmap->Height};
}

const GdiRegion* GdiImageDevice::Visible(const GdiDC& dc) const {
    return FExternal && FTarget.Visible ? &*FTarget.Visible : nullptr;
}

int GdiImageDevice::Caps(const GdiDC& dc, int index) const {
    int width = 0, height = 0;
    if (FExternal) {
        width = FTarget.Bounds.right - FTarget.Bounds.left;
        height = FTarget.Bounds.bottom - FTarget.Bounds.top;
    } else if (dc.State.Bitmap) {
        width = dc.State.Bitmap->Width;
        height = dc.State.Bitmap->Height;
    }
    auto mm = [](int pixels) { return int(std::lround(pixels * 25.4 / 96)); };
    switch (index) {
    case DRIVERVERSION:
        return 0x4000;
    case TECHNOLOGY:
        return DT_RASDISPLAY;
    case HORZSIZE:
        return mm(width);
    case VERTSIZE:
        return mm(height);
    case HORZRES:
    case DESKTOPHORZRES:
        return width;
    case VERTRES:
    case DESKTOPVERTRES:
        return height;
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    case NUMBRUSHES:
    case NUMPENS:
    case NUMCOLORS:
        return -1;
    case CURVECAPS:
        return CC_CIRCLES | CC_PIE | CC_CHORD | CC_ELLIPSES | CC_WIDE | CC_STYLED | CC_WIDESTYLED |
               CC_INTERIORS | CC_ROUNDRECT;
    case LINECAPS:
        return LC_POLYLINE | LC_MARKER | LC_POLYMARKER | LC_WIDE | LC_STYLED | LC_WIDESTYLED | LC_INTERIORS;
    case POLYGONALCAPS:
        return PC_POLYGON | PC_RECTANGLE | PC_WINDPOLYGON | PC_SCANLINE | PC_WIDE | PC_STYLED |
               PC_WIDESTYLED | PC_INTERIORS;
    case CLIPCAPS:
        return CP_RECTANGLE;
    case RASTERCAPS:
        return RC_BITBLT | RC_BITMAP64 | RC_GDI20_OUTPUT | RC_DI_BITMAP | RC_STRETCHBLT;
    case ASPECTX:
    case ASPECTY:
        return 36;
    case ASPECTXY:
        return 51;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    case COLORRES:
        return 24;
    default:
        return 0;
    }
}

// ---- Lines and polygons --------------------------------------------------------------------------

BOOL GdiImageDevice::Polyline(GdiDC& dc, const POINT* points, int count) {
    Frame f;
    if (!OpenFrame(*this, dc, f)) return FALSE;
    std::vector<POINT> pts = DevicePoints(dc, points, std::size_t(count));
    for (const POINT& p : pts)
        if (!GdiCoordOk(p.x) || !GdiCoordOk(p.y)) return FALSE;
    Pen pen = RealizePen(dc, f);
    if (pen.Null || f.Clip.IsEmpty()) return TRUE;
    if (!pen.Geometric) {
        PaintThin(f, pen, pts, false);
        return TRUE;
    }
    GdiRegionBuilder out;
    CollectWide(f, pen, ToDoubles(pts), false, out);
    PaintSet(f, out.Build(), pen.Paint, pen.Rop);
    return TRUE;
}

BOOL GdiImageDevice::PolyPolygon(GdiDC& dc, const POINT* points, const INT* counts, int polygons) {
    Frame f;
    if (!OpenFrame(*this, dc, f)) return FALSE;
    std::vector<std::vector<POINT>> polys;
    std::size_t at = 0;
    for (int i = 0; i < polygons; ++i) {
        polys.push_back(DevicePoints(dc, points + at, std::size_t(counts[i])));
        at += std::size_t(counts[i]);
        for (const POINT& p : polys.back())
            if (!GdiCoordOk(p.x) || !GdiCoordOk(p.y)) return FALSE;
    }
    if (f.Clip.IsEmpty()) return TRUE;
    Pen pen = RealizePen(dc, f);
    std::vector<std::vector<GdiPointD>> plane;
    for (const auto& poly : polys)
        plane.push_back(ToDoubles(poly));
    GdiRegionBuilder fillOut, penOut;
    GdiFillPolygons(FillPolygonsFor(plane, !pen.Null), dc.State.PolyFillMode == WINDING, f.Box, fillOut);
    if (!pen.Null) {
        for (std::size_t i = 0; i < polys.size(); ++i) {
            if (pen.Geometric)
                CollectWide(f, pen, plane[i], true, penOut);
            else
                CollectThin(f, pen, polys[i], true, penOut);
        }
    }
    GdiRegion penSet = penOut.Build();
    if (!pen.Null && !pen.Geometric) {
        PaintFigure(dc, f, fillOut.Build(), Pen{}, penSet);
        for (const auto& poly : polys)
            PaintThin(f, pen, poly, true);
        return TRUE;
    }
    PaintFigure(dc, f, fillOut.Build(), pen, penSet);
    return TRUE;
}

BOOL GdiImageDevice::Rectangle(GdiDC& dc, const RECT& logicalBox) {
    Frame f;
    if (!OpenFrame(*this, dc, f)) return FALSE;
    RECT b = DeviceBox(dc, logicalBox);
    if (!BoxOk(b)) return FALSE;
    if (f.Clip.IsEmpty() || b.left == b.right || b.top == b.bottom) return TRUE;
    Pen pen = RealizePen(dc, f);
    if (pen.Null) {
        PaintFigure(dc, f, GdiRegion(b.left, b.top, b.right - 1, b.bottom - 1), pen, GdiRegion());
        return TRUE;
    }
    if (!pen.Geometric) {
        if (b.right - b.left <= 2 || b.bottom - b.top <= 2) {
            // Nothing inside the frame: the pen covers the whole box.
            Pen solid = pen;
            solid.Dashes.clear();
            PaintFigure(dc, f, GdiRegion(), solid, GdiRegion(b));
            return TRUE;
        }
        std::vector<POINT> corners{
            {b.left, b.top}, {b.right - 1, b.top}, {b.right - 1, b.bottom - 1}, {b.left, b.bottom - 1}};
        GdiRegionBuilder penOut;
        CollectThin(f, pen, corners, true, penOut);
        PaintFigure(dc, f, GdiRegion(b.left + 1, b.top + 1, b.right - 1, b.bottom - 1), Pen{},
                    penOut.Build());
        PaintThin(f, pen, corners, true);
        return TRUE;
    }
    double in = pen.InsideFrame ? (pen.Width - 1) / 2 : 0;
    double l = b.left + in, t = b.top + in, r = b.right - 1 - in, bt = b.bottom - 1 - in;
    if (l > r) l = r = (b.left + b.right - 1) / 2.0;
    if (t > bt) t = bt = (b.top + b.bottom - 1) / 2.0;
    GdiRegionBuilder penOut;
    CollectWide(f, pen, {{l, t}, {r, t}, {r, bt}, {l, bt}}, true, penOut);
    PaintFigure(dc, f, GdiRegion(b), pen, penOut.Build());
    return TRUE;
}

BOOL GdiImageDevice::RoundRect(GdiDC& dc, const RECT& box, int width, int height) {
    return DrawBoxFigure(*this, dc, box, Figure::RoundRect, std::abs(width), std::abs(height), {}, {});
}

BOOL GdiImageDevice::Ellipse(GdiDC& dc, const RECT& box) {
    return DrawBoxFigure(*this, dc, box, Figure::Ellipse, 0, 0, {}, {});
}

BOOL GdiImageDevice::ArcFigure(GdiDC& dc, GdiArcKind kind, const RECT& box, POINT start, POINT end) {
    Figure figure = kind == GdiArcKind::Arc     ? Figure::Arc
                    : kind == GdiArcKind::Chord ? Figure::Chord
                                                : Figure::Pie;
    return DrawBoxFigure(*this, dc, box, figure, 0, 0, start, end);
}

// ---- Regions, pixels, paths ----------------------------------------------------------------------

BOOL GdiImageDevice::PaintRegion(GdiDC& dc, const GdiRegion& region, const GdiBrush* brush, DWORD rop) {
    Frame f;
    if (!OpenFrame(*this, dc, f)) return FALSE;
    // Only the part that can show is moved to the device (far-off coordinates stay out).
    POINT offset = dc.Offset();
    RECT box = f.Box;
    GdiRegion set = GdiRegion::Combine(
        region, GdiRegion(box.left - offset.x, box.top - offset.y, box.right - offset.x, box.bottom - offset.y),
        RGN_AND);
    if (!set.Offset(offset.x, offset.y)) return FALSE;
    std::uint8_t index = GdiRopIndex(rop);
    GdiPaint paint;
    if (GdiRopUsesPattern(index)) {
        if (!brush) return FALSE;
        paint = GdiBrushPaint(dc, *brush, f.Surface.Mono, f.Phase(dc));
    }
    PaintSet(f, std::move(set), paint, index);
    return TRUE;
}

COLORREF GdiImageDevice::SetPixel(GdiDC& dc, POINT point, COLORREF color) {
    Frame f;
    if (!OpenFrame(*this, dc, f)) return CLR_INVALID;
    POINT p = dc.ToDevice(point);
    if (!f.Visible(p.x, p.y)) return CLR_INVALID;
    GdiPixel pixel = GdiDevicePixel(color, f.Surface.Mono);
    f.At(p.x, p.y) = pixel;
    return GdiPixelToColor(pixel);
}

COLORREF GdiImageDevice::GetPixel(GdiDC& dc, POINT point) {
    Frame f;
    if (!OpenFrame(*this, dc, f)) return CLR_INVALID;
    POINT p = dc.ToDevice(point);
    if (!f.Visible(p.x, p.y)) return CLR_INVALID;
    return GdiPixelToColor(f.At(p.x, p.y) & 0x00FFFFFF);
}

BOOL GdiImageDevice::DrawPath(GdiDC& dc, const GdiPath& path, bool fill, bool stroke) {
    Frame f;
    if (!OpenFrame(*this, dc, f)) return FALSE;
    if (f.Clip.IsEmpty()) return TRUE;
    Pen pen = stroke ? RealizePen(dc, f) : Pen{};
    GdiRegionBuilder fillOut, penOut;
    if (fill) {
        std::vector<std::vector<GdiPointD>> polys;
        for (const GdiPathFigure& figure : path.Figures)
            polys.push_back(figure.Points);
        GdiFillPolygons(FillPolygonsFor(polys, !pen.Null), dc.State.PolyFillMode == WINDING, f.Box, fillOut);
    }
    std::vector<std::pair<std::vector<POINT>, bool>> thin;
    if (!pen.Null) {
        for (const GdiPathFigure& figure : path.Figures) {
            if (pen.Geometric) {
                CollectWide(f, pen, figure.Points, figure.Closed, penOut);
                continue;
            }
            std::vector<POINT> pts;
            for (const GdiPointD& p : figure.Points) {
                POINT q{LONG(std::floor(p.x + 0.5)), LONG(std::floor(p.y + 0.5))};
                if (pts.empty() || pts.back().x != q.x || pts.back().y != q.y) pts.push_back(q);
            }
            CollectThin(f, pen, pts, figure.Closed, penOut);
            thin.emplace_back(std::move(pts), figure.Closed);
        }
    }
    GdiRegion penSet = penOut.Build();
    GdiRegion fillSet = fillOut.Build();
    if (fill && !dc.State.Brush) fillSet.Clear();
    if (!pen.Null && !pen.Geometric) {
        PaintFigure(dc, f, std::move(fillSet), Pen{}, penSet);
        for (const auto& figure : thin)
            PaintThin(f, pen, figure.first, figure.second);
        return TRUE;
    }
    PaintFigure(dc, f, std::move(fillSet), pen, penSet);
    return TRUE;
}

// ---- Blits -----------------------------------------------------------------------------------------

namespace {

// One axis of a blit: for each destination pixel, the source pixels it takes.
struct AxisMap {
    long long DstStart = 0;          // first destination pixel (device)
    long long Length = 0;            // destination pixels
    std::vector<long long> From, To; // source range [From, To) per destination pixel (device)
};

// dst/width as the call gives them (a negative size runs the other way); the source range
// likewise. shrinkCombine: with fewer destination than source pixels, each destination
// pixel takes all the source pixels it covers (else the one under its centre).
AxisMap MapAxis(long long dst, long long width, long long src, long long srcWidth, bool shrinkCombine) {
    AxisMap m;
    long long w = std::llabs(width), sw = std::llabs(srcWidth);
    m.DstStart = width < 0 ? dst + width + 1 : dst;
    m.Length = w;
    long long srcStart = srcWidth < 0 ? src + srcWidth + 1 : src;
    bool mirror = (width < 0) != (srcWidth < 0);
    m.From.resize(std::size_t(w));
    m.To.resize(std::size_t(w));
    for (long long i = 0; i < w; ++i) {
        long long a, b;
        if (shrinkCombine && sw > w) {
            a = i * sw / w;
            b = (i + 1) * sw / w;
        } else {
            a = ((2 * i + 1) * sw) / (2 * w);
            b = a + 1;
        }
        if (mirror) {
            long long ma = sw - b, mb = sw - a;
            a = ma;
            b = mb;
        }
        m.From[std::size_t(i)] = srcStart + a;
        m.To[std::size_t(i)] = srcStart + b;
    }
    return m;
}

} // namespace

BOOL GdiImageDevice::Blt(GdiDC& dc, const GdiBltRequest& request) {
    Frame f;
    if (!OpenFrame(*this, dc, f)) return FALSE;
    std::uint8_t fore = GdiRopIndex(request.Rop);
    std::uint8_t back = request.Mask ? GdiRopIndex(request.BackRop) : fore;
    bool needSource = request.Transparent || GdiRopUsesSource(fore) || GdiRopUsesSource(back);
    bool needPattern = GdiRopUsesPattern(fore) || GdiRopUsesPattern(back);
    if (request.Width == 0 || request.Height == 0) return TRUE;

    POINT d0 = dc.ToDevice({request.X, request.Y});
    if (!GdiCoordOk(d0.x) || !GdiCoordOk(d0.y) || !GdiCoordOk((long long)d0.x + request.Width) ||
        !GdiCoordOk((long long)d0.y + request.Height))
        return FALSE;

    GdiSurface src;
    POINT srcOrigin{};
    POINT s0{};
    const GdiDC* srcDc = request.Src;
    if (needSource) {
        if (!srcDc || !srcDc->Device->SourcePixels(*srcDc, src, srcOrigin)) return FALSE;
        if (request.SrcWidth == 0 || request.SrcHeight == 0) return TRUE;
        s0 = srcDc->ToDevice({request.SrcX, request.SrcY});
        if (!GdiCoordOk(s0.x) || !GdiCoordOk(s0.y) || !GdiCoordOk((long long)s0.x + request.SrcWidth) ||
            !GdiCoordOk((long long)s0.y + request.SrcHeight))
            return FALSE;
    }
    int mode = dc.State.StretchMode;
    bool combine = needSource && !request.Transparent && (mode == BLACKONWHITE || mode == WHITEONBLACK);
    long long sw = needSource ? request.SrcWidth : request.Width,
              sh = needSource ? request.SrcHeight : request.Height;
    AxisMap mx = MapAxis(d0.x, request.Width, s0.x + srcOrigin.x, sw, combine);
    AxisMap my = MapAxis(d0.y, request.Height, s0.y + srcOrigin.y, sh, combine);

    GdiSurface mask;
    if (request.Mask) {
        mask = request.Mask->Surface();
        if (!request.Mask->Mono || request.MaskX < 0 || request.MaskY < 0 ||
            (long long)request.MaskX + mx.Length > mask.Width ||
            (long long)request.MaskY + my.Length > mask.Height)
            return FALSE;
    }

    GdiRegion area((LONG)mx.DstStart, (LONG)my.DstStart, LONG(mx.DstStart + mx.Length),
                   LONG(my.DstStart + my.Length));
    area &= f.Clip;
    if (area.IsEmpty()) return TRUE;

    GdiPaint pattern;
    if (needPattern) {
        if (!dc.State.Brush) return FALSE;
        pattern = GdiBrushPaint(dc, *dc.State.Brush, f.Surface.Mono, f.Phase(dc));
        if (pattern.None) return TRUE;
    }

    // A blit within one surface reads the source as it was before the call.
    std::vector<GdiPixel> copy;
    if (needSource && src.Bits == f.Surface.Bits) {
        copy.resize(std::size_t(src.Width) * std::size_t(src.Height));
        for (int y = 0; y < src.Height; ++y)
            std::memcpy(&copy[std::size_t(y) * src.Width], src.Row(y), std::size_t(src.Width) * 4);
        src.Bits = reinterpret_cast<std::uint8_t*>(copy.data());
        src.Stride = std::ptrdiff_t(src.Width) * 4;
    }

    // Colour conversions between monochrome and colour.
    bool toColor = needSource && src.Mono && !f.Surface.Mono;
    bool toMono = needSource && !src.Mono && f.Surface.Mono;
    GdiPixel textPixel = GdiColorToPixel(GdiResolveColor(dc.State.TextColor));
    GdiPixel backPixel = GdiColorToPixel(GdiResolveColor(dc.State.BkColor));
    GdiPixel srcBack = srcDc ? GdiColorToPixel(GdiResolveColor(srcDc->State.BkColor)) : 0;
    GdiPixel transparent = GdiColorToPixel(GdiResolveColor(request.TransparentColor));

    for (const RECT& r : area.Rects()) {
        for (LONG y = r.top; y < r.bottom; ++y) {
            std::size_t iy = std::size_t(y - my.DstStart);
            long long sy0 = my.From[iy], sy1 = my.To[iy];
            if (needSource) {
                sy0 = std::max<long long>(sy0, 0);
                sy1 = std::min<long long>(sy1, src.Height);
                if (sy0 >= sy1) continue;
            }
            for (LONG x = r.left; x < r.right; ++x) {
                std::size_t ix = std::size_t(x - mx.DstStart);
                GdiPixel s = 0;
                if (needSource) {
                    long long sx0 = std::max<long long>(mx.From[ix], 0),
                              sx1 = std::min<long long>(mx.To[ix], src.Width);
                    if (sx0 >= sx1) continue;
                    s = src.Row(int(sy0))[sx0];
                    if (combine && (sx1 - sx0 > 1 || sy1 - sy0 > 1)) {
                        for (long long sy = sy0; sy < sy1; ++sy)
                            for (long long sx = sx0; sx < sx1; ++sx) {
                                GdiPixel v = src.Row(int(sy))[sx];
                                s = mode == BLACKONWHITE ? (s & v) : (s | v);
                            }
                    }
                    if (request.Transparent && (s & 0x00FFFFFF) == transparent) continue;
                    if (toColor)
                        s = (s & 0x00FFFFFF) ? backPixel : textPixel;
                    else if (toMono)
                        s = (s & 0x00FFFFFF) == srcBack ? 0x00FFFFFF : 0;
                }
                std::uint8_t rop = fore;
                if (request.Mask) {
                    GdiPixel m =
                        mask.Row(int(request.MaskY + (y - my.DstStart)))[request.MaskX + (x - mx.DstStart)];
                    rop = (m & 0x00FFFFFF) ? fore : back;
                }
                GdiPixel p = 0;
                if (GdiRopUsesPattern(rop) && !pattern.At(x + f.Origin.x, y + f.Origin.y, p)) continue;
                GdiPixel& dst = f.At(x, y);
                dst = GdiCompose(rop, p, s, dst);
                if (f.Surface.Mono) dst &= 0x00FFFFFF;
            }
        }
    }
    return TRUE;
}
