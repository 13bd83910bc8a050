#include "platform/winapi/GdiRaster.h"

#include <algorithm>
#include <cmath>

namespace {

// Tolerance for comparisons of computed coordinates against exact pixel boundaries.
constexpr double Eps = 1e-7;

struct Edge {
    double yTop, yBottom; // yTop < yBottom
    double xTop, slope;   // x at yTop, dx/dy
    int dir;
};

void AddSpanClamped(GdiRegionBuilder& out, LONG y, double xl, double xr, const RECT& limit) {
    // Centres x + 0.5 in [xl, xr): left edge in, right edge out.
    double a = std::ceil(xl - 0.5 - Eps), b = std::ceil(xr - 0.5 - Eps);
    if (a < limit.left) a = limit.left;
    if (b > limit.right) b = limit.right;
    if (a < b) out.AddSpan(y, LONG(a), LONG(b));
}

} // namespace

std::uint8_t GdiRop2ToRop3(int rop2) {
    if (rop2 < R2_BLACK || rop2 > R2_WHITE) rop2 = R2_COPYPEN;
    int table = rop2 - 1; // bit (P * 2 + D)
    std::uint8_t rop = 0;
    for (int i = 0; i < 8; ++i) {
        int p = (i >> 2) & 1, d = i & 1;
        if (table & (1 << (p * 2 + d))) rop |= std::uint8_t(1 << i);
    }
    return rop;
}

GdiPaint GdiSolidPaint(GdiPixel color) {
    GdiPaint paint;
    paint.Color = color;
    return paint;
}

bool GdiHatchBit(int hatch, int x, int y) {
    x &= 7;
    y &= 7;
    bool horizontal = y == 0, vertical = x == 0;
    bool forward = x == y, backward = ((x + y) & 7) == 0;
    switch (hatch) {
    case HS_HORIZONTAL:
        return horizontal;
    case HS_VERTICAL:
        return vertical;
    case HS_FDIAGONAL:
        return forward;
    case HS_BDIAGONAL:
        return backward;
    case HS_CROSS:
        return horizontal || vertical;
    case HS_DIAGCROSS:
        return forward || backward;
    default:
        return false;
    }
}

GdiPaint GdiBrushPaint(const GdiDC& dc, const GdiBrush& brush, bool mono, POINT phase) {
    GdiPaint paint;
    paint.PhaseX = phase.x;
    paint.PhaseY = phase.y;
    bool opaque = dc.State.BkMode != TRANSPARENT;
    switch (brush.Style) {
    case BS_SOLID:
        paint.Color = GdiDevicePixel(dc.BrushColor(brush), mono);
        return paint;
    case BS_HATCHED: {
        GdiPixel fore = GdiDevicePixel(dc.BrushColor(brush), mono);
        GdiPixel back = GdiDevicePixel(dc.State.BkColor, mono);
        paint.Solid = false;
        paint.TileWidth = paint.TileHeight = 8;
        paint.Tile.resize(64);
        paint.TileOpaque.resize(64);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                bool line = GdiHatchBit(brush.Hatch, x, y);
                paint.Tile[y * 8 + x] = line ? fore : back;
                paint.TileOpaque[y * 8 + x] = line || opaque;
            }
        return paint;
    }
    case BS_PATTERN:
        if (brush.PatternWidth > 0 && brush.PatternHeight > 0) {
            paint.Solid = false;
            paint.TileWidth = brush.PatternWidth;
            paint.TileHeight = brush.PatternHeight;
            paint.Tile.resize(brush.Pattern.size());
            paint.TileOpaque.assign(brush.Pattern.size(), 1);
            GdiPixel text = GdiDevicePixel(dc.State.TextColor, mono);
            GdiPixel back = GdiDevicePixel(dc.State.BkColor, mono);
            for (std::size_t i = 0; i < brush.Pattern.size(); ++i) {
                GdiPixel p = brush.Pattern[i] & 0x00FFFFFF;
                if (brush.PatternMono) {
                    bool white = p != 0;
                    paint.Tile[i] = white ? back : text;
                    paint.TileOpaque[i] = !white || opaque;
                } else {
                    paint.Tile[i] = mono ? GdiMonoPixel(GdiPixelToColor(p)) : p;
                }
            }
            return paint;
        }
        paint.None = true;
        return paint;
    default:
        paint.None = true;
        return paint;
    }
}

void GdiPaintRects(const GdiSurface& surface, const std::vector<RECT>& rects, const GdiPaint& paint,
                   std::uint8_t rop) {
    if (paint.None && GdiRopUsesPattern(rop)) return;
    for (const RECT& r : rects) {
        for (LONG y = r.top; y < r.bottom; ++y) {
            GdiPixel* row = surface.Row(y);
            if (paint.Solid || !GdiRopUsesPattern(rop)) {
                GdiPixel p = paint.Color;
                if (rop == 0xF0) {
                    std::fill(row + r.left, row + r.right, p & 0x00FFFFFF);
                } else {
                    for (LONG x = r.left; x < r.right; ++x)
                        row[x] = GdiCompose(rop, p, 0, row[x]);
                }
                continue;
            }
            for (LONG x = r.left; x < r.right; ++x) {
                GdiPixel p;
                if (paint.At(x, y, p)) row[x] = GdiCompose(rop, p, 0, row[x]);
            }
        }
    }
}

void GdiFillPolygons(const std::vector<std::vector<GdiPointD>>& polygons, bool winding, const RECT& limit,
                     GdiRegionBuilder& out) {
    std::vector<Edge> edges;
    double yMin = 0, yMax = 0;
    bool first = true;
    for (const auto& poly : polygons) {
        std::size_t n = poly.size();
        if (n < 3) continue;
        for (std::size_t i = 0; i < n; ++i) {
            const GdiPointD& p = poly[i];
            const GdiPointD& q = poly[(i + 1) % n];
            if (p.y == q.y) continue;
            Edge e;
            if (p.y < q.y) {
                e = {p.y, q.y, p.x, (q.x - p.x) / (q.y - p.y), 1};
            } else {
                e = {q.y, p.y, q.x, (p.x - q.x) / (p.y - q.y), -1};
            }
            edges.push_back(e);
            if (first || e.yTop < yMin) yMin = e.yTop;
            if (first || e.yBottom > yMax) yMax = e.yBottom;
            first = false;
        }
    }
    if (edges.empty()) return;
    double rowFrom = std::max<double>(limit.top, std::floor(yMin - 0.5));
    double rowTo = std::min<double>(limit.bottom, std::ceil(yMax + 0.5));
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.yTop < b.yTop; });
    std::vector<std::pair<double, int>> xs;
    std::vector<const Edge*> active;
    std::size_t next = 0;
    for (double row = rowFrom; row < rowTo; row += 1) {
        double yc = row + 0.5;
        while (next < edges.size() && edges[next].yTop <= yc)
            active.push_back(&edges[next++]);
        active.erase(
            std::remove_if(active.begin(), active.end(), [&](const Edge* e) { return e->yBottom <= yc; }),
            active.end());
        xs.clear();
        for (const Edge* e : active)
            if (e->yTop <= yc) xs.emplace_back(e->xTop + (yc - e->yTop) * e->slope, e->dir);
        if (xs.size() < 2) continue;
        std::sort(xs.begin(), xs.end());
        LONG y = LONG(row);
        if (!winding) {
            for (std::size_t i = 0; i + 1 < xs.size(); i += 2)
                AddSpanClamped(out, y, xs[i].first, xs[i + 1].first, limit);
        } else {
            int count = 0;
            double start = 0;
            for (const auto& x : xs) {
                int before = count;
                count += x.second;
                if (before == 0 && count != 0) start = x.first;
                if (before != 0 && count == 0) AddSpanClamped(out, y, start, x.first, limit);
            }
        }
    }
}

GdiBoxShape GdiMakeBoxShape(const RECT& box, long long grow, bool ellipse, long long cw, long long ch) {
    GdiBoxShape s;
    s.L = 4LL * box.left - grow;
    s.R = 4LL * box.right + grow;
    s.T = 4LL * box.top - grow;
    s.B = 4LL * box.bottom + grow;
    if (s.R <= s.L || s.B <= s.T) {
        s.R = s.L;
        s.B = s.T;
        return s;
    }
    if (ellipse) {
        s.A = (s.R - s.L) / 2;
        s.Bc = (s.B - s.T) / 2;
    } else if (cw > 0 && ch > 0) {
        s.A = std::clamp(2 * cw + grow, 0LL, (s.R - s.L) / 2);
        s.Bc = std::clamp(2 * ch + grow, 0LL, (s.B - s.T) / 2);
        if (s.A == 0 || s.Bc == 0) s.A = s.Bc = 0;
    }
    return s;
}

bool GdiBoxRow(const GdiBoxShape& s, long long y, long long& x0, long long& x1) {
    long long qy = 4 * y + 2;
    if (qy < s.T || qy >= s.B) return false;
    long long lo = s.L, hi = s.R; // centres qx in [lo, hi)
    if (s.A > 0 && s.Bc > 0) {
        long long dy = 0;
        if (qy < s.T + s.Bc)
            dy = s.T + s.Bc - qy;
        else if (qy > s.B - s.Bc)
            dy = qy - (s.B - s.Bc);
        if (dy > 0) {
            // Largest m with (m / A)^2 + (dy / Bc)^2 <= 1.
            __int128 b2 = (__int128)s.Bc * s.Bc;
            __int128 k = (__int128)s.A * s.A * (b2 - (__int128)dy * dy);
            if (k < 0) return false;
            long double guess = (long double)s.A *
                                std::sqrt((long double)(s.Bc - dy) * (long double)(s.Bc + dy)) /
                                (long double)s.Bc;
            long long m = (long long)guess;
            while (m > 0 && (__int128)m * m * b2 > k)
                --m;
            while ((__int128)(m + 1) * (m + 1) * b2 <= k)
                ++m;
            lo = std::max(lo, s.L + s.A - m);
            hi = std::min(hi, s.R - s.A + m + 1);
        }
    }
    x0 = GdiCeilDiv(lo - 2, 4);
    x1 = GdiCeilDiv(hi - 2, 4);
    return x0 < x1;
}

void GdiAddDisc(GdiPointD c, double radius, const RECT& limit, GdiRegionBuilder& out) {
    if (radius <= 0) return;
    double top = std::max<double>(limit.top, std::floor(c.y - radius - 1));
    double bottom = std::min<double>(limit.bottom, std::ceil(c.y + radius + 1));
    double r2 = radius * radius;
    for (double row = top; row < bottom; row += 1) {
        double dy = row + 0.5 - c.y;
        double rest = r2 - dy * dy;
        if (rest <= Eps) continue;
        double half = std::sqrt(rest);
        AddSpanClamped(out, LONG(row), c.x - half, c.x + half, limit);
    }
}

namespace {

struct Vec {
    double x, y;
};

void FillOne(std::vector<GdiPointD> poly, const RECT& limit, GdiRegionBuilder& out) {
    std::vector<std::vector<GdiPointD>> polys{std::move(poly)};
    GdiFillPolygons(polys, true, limit, out);
}

} // namespace

void GdiStrokePolyline(const std::vector<GdiPointD>& input, bool closed, const GdiStroke& stroke,
                       const RECT& limit, GdiRegionBuilder& out) {
    // Pixel positions to the plane, dropping repeated points.
    std::vector<GdiPointD> pts;
    for (const GdiPointD& p : input) {
        GdiPointD q{p.x + 0.5, p.y + 0.5};
        if (pts.empty() || std::fabs(pts.back().x - q.x) > 1e-9 || std::fabs(pts.back().y - q.y) > 1e-9)
            pts.push_back(q);
    }
    if (closed && pts.size() > 1 && std::fabs(pts.front().x - pts.back().x) < 1e-9 &&
        std::fabs(pts.front().y - pts.back().y) < 1e-9)
        pts.pop_back();
    double h = stroke.Width / 2;
    if (pts.empty() || h <= 0) return;
    if (pts.size() == 1) {
        const GdiPointD& p = pts[0];
        if (stroke.Cap == PS_ENDCAP_ROUND)
            GdiAddDisc(p, h, limit, out);
        else if (stroke.Cap == PS_ENDCAP_SQUARE)
            FillOne({{p.x - h, p.y - h}, {p.x + h, p.y - h}, {p.x + h, p.y + h}, {p.x - h, p.y + h}}, limit,
                    out);
        return;
    }
    if (closed && pts.size() < 3) closed = false;
    std::size_t n = pts.size();
    std::size_t segments = closed ? n : n - 1;
    auto dirOf = [&](std::size_t i) {
        const GdiPointD& a = pts[i];
        const GdiPointD& b = pts[(i + 1) % n];
        double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
        return Vec{dx / len, dy / len};
    };
    for (std::size_t i = 0; i < segments; ++i) {
        const GdiPointD& a = pts[i];
        const GdiPointD& b = pts[(i + 1) % n];
        Vec d = dirOf(i), nrm{-d.y, d.x};
        double e0 = 0, e1 = 0;
        if (!closed && stroke.Cap == PS_ENDCAP_SQUARE) {
            if (i == 0) e0 = h;
            if (i == segments - 1) e1 = h;
        }
        GdiPointD a0{a.x - d.x * e0, a.y - d.y * e0}, b0{b.x + d.x * e1, b.y + d.y * e1};
        FillOne({{a0.x + nrm.x * h, a0.y + nrm.y * h},
                 {b0.x + nrm.x * h, b0.y + nrm.y * h},
                 {b0.x - nrm.x * h, b0.y - nrm.y * h},
                 {a0.x - nrm.x * h, a0.y - nrm.y * h}},
                limit, out);
    }
    // Joins at the inner vertices (every vertex of a closed figure).
    for (std::size_t v = closed ? 0 : 1; v < (closed ? n : n - 1); ++v) {
        const GdiPointD& p = pts[v];
        Vec d1 = dirOf((v + n - 1) % n), d2 = dirOf(v);
        if (stroke.Join == PS_JOIN_ROUND) {
            GdiAddDisc(p, h, limit, out);
            continue;
        }
        double cross = d1.x * d2.y - d1.y * d2.x;
        if (std::fabs(cross) < 1e-12 && d1.x * d2.x + d1.y * d2.y > 0) continue; // straight on
        Vec n1{-d1.y, d1.x}, n2{-d2.y, d2.x};
        double side = cross > 0 ? -1 : 1; // the outer side of the turn
        GdiPointD p1{p.x + side * n1.x * h, p.y + side * n1.y * h};
        GdiPointD p2{p.x + side * n2.x * h, p.y + side * n2.y * h};
        double dot = n1.x * n2.x + n1.y * n2.y;
        bool miter = false;
        if (stroke.Join == PS_JOIN_MITER && 1 + dot > 1e-12) {
            double ratio = std::sqrt(2 / (1 + dot)); // miter length over width
            miter = ratio <= stroke.MiterLimit;
        }
        if (miter) {
            GdiPointD m{p.x + side * h * (n1.x + n2.x) / (1 + dot),
                        p.y + side * h * (n1.y + n2.y) / (1 + dot)};
            FillOne({p, p1, m, p2}, limit, out);
        } else {
            FillOne({p, p1, p2}, limit, out);
        }
    }
    if (!closed && stroke.Cap == PS_ENDCAP_ROUND) {
        GdiAddDisc(pts.front(), h, limit, out);
        GdiAddDisc(pts.back(), h, limit, out);
    }
}

std::vector<std::vector<GdiPointD>> GdiDashPolyline(const std::vector<GdiPointD>& points, bool closed,
                                                    const std::vector<double>& pattern) {
    std::vector<std::vector<GdiPointD>> pieces;
    double total = 0;
    for (double v : pattern)
        total += v;
    if (points.size() < 2 || pattern.empty() || total <= 0) {
        if (!points.empty()) pieces.push_back(points);
        return pieces;
    }
    std::vector<GdiPointD> pts = points;
    if (closed) pts.push_back(points.front());
    std::size_t index = 0;
    double left = pattern[0]; // length left in the current pattern entry
    bool on = true;
    std::vector<GdiPointD> current{pts[0]};
    for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
        GdiPointD a = pts[i];
        const GdiPointD& b = pts[i + 1];
        double len = std::hypot(b.x - a.x, b.y - a.y);
        while (len > 0) {
            if (left >= len) {
                left -= len;
                if (on) current.push_back(b);
                len = 0;
            } else {
                double t = left / len;
                GdiPointD m{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
                if (on) {
                    current.push_back(m);
                    pieces.push_back(std::move(current));
                    current.clear();
                } else {
                    current = {m};
                }
                len -= left;
                a = m;
                on = !on;
                index = (index + 1) % pattern.size();
                left = pattern[index];
            }
        }
    }
    if (on && current.size() > 1) pieces.push_back(std::move(current));
    return pieces;
}

namespace {

constexpr double Pi = 3.14159265358979323846;

struct Axes {
    double Cx, Cy, A, B;
};

Axes AxesOf(const RECT& box, double shrink) {
    return {(double(box.left) + box.right - 1) / 2, (double(box.top) + box.bottom - 1) / 2,
            std::max(0.0, (box.right - box.left - 1) / 2.0 - shrink),
            std::max(0.0, (box.bottom - box.top - 1) / 2.0 - shrink)};
}

// The ellipse's parameter for a direction.
double ParameterOf(const Axes& e, double angle) {
    if (e.A <= 0 || e.B <= 0) return angle;
    return std::atan2(std::sin(angle) / e.B, std::cos(angle) / e.A);
}

int StepsFor(const Axes& e, double sweep) {
    int full = std::clamp(int(std::ceil(Pi * (e.A + e.B))), 16, 1024);
    return std::max(2, int(std::ceil(full * std::fabs(sweep) / (2 * Pi))));
}

} // namespace

double GdiBoxAngle(const RECT& box, double x, double y) {
    double cx = (double(box.left) + box.right) / 2, cy = (double(box.top) + box.bottom) / 2;
    return std::atan2(cy - y, x - cx);
}

GdiPointD GdiEllipsePoint(const RECT& box, double angle, double shrink) {
    Axes e = AxesOf(box, shrink);
    double t = ParameterOf(e, angle);
    return {e.Cx + e.A * std::cos(t), e.Cy - e.B * std::sin(t)};
}

std::vector<GdiPointD> GdiEllipseArc(const RECT& box, double startAngle, double endAngle, bool clockwise,
                                     double shrink) {
    Axes e = AxesOf(box, shrink);
    double t0 = ParameterOf(e, startAngle), t1 = ParameterOf(e, endAngle);
    double sweep = clockwise ? t0 - t1 : t1 - t0;
    sweep = std::fmod(sweep + 4 * Pi, 2 * Pi);
    if (sweep < 1e-12) sweep = 2 * Pi;
    if (clockwise) sweep = -sweep;
    int n = StepsFor(e, sweep);
    std::vector<GdiPointD> pts;
    bool whole = std::fabs(std::fabs(sweep) - 2 * Pi) < 1e-12;
    for (int i = 0; i <= n; ++i) {
        if (whole && i == n) break;
        double t = t0 + sweep * i / n;
        pts.push_back({e.Cx + e.A * std::cos(t), e.Cy - e.B * std::sin(t)});
    }
    return pts;
}

std::vector<GdiPointD> GdiRoundRectPoints(const RECT& box, double cw, double ch) {
    double l = box.left, t = box.top, r = box.right - 1.0, b = box.bottom - 1.0;
    double rx = std::clamp(cw / 2, 0.0, (r - l) / 2), ry = std::clamp(ch / 2, 0.0, (b - t) / 2);
    if (rx <= 0 || ry <= 0) return {{r, t}, {l, t}, {l, b}, {r, b}};
    std::vector<GdiPointD> pts;
    int n = std::clamp(int(std::ceil(Pi * (rx + ry) / 4)), 4, 256);
    // Corner centres counter-clockwise from the top right.
    const GdiPointD centres[4] = {{r - rx, t + ry}, {l + rx, t + ry}, {l + rx, b - ry}, {r - rx, b - ry}};
    for (int c = 0; c < 4; ++c)
        for (int i = 0; i <= n; ++i) {
            double a = (c + double(i) / n) * Pi / 2;
            pts.push_back({centres[c].x + rx * std::cos(a), centres[c].y - ry * std::sin(a)});
        }
    return pts;
}
