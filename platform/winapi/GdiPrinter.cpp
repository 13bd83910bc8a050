// The printer device. Figures are turned into polygons and polylines in the pixel plane
// (outlines run through pixel centres, as the image device draws them) and handed to the
// page's canvas with the pen, the brush and the clip region; text goes as characters at the
// positions the layout gave, drawn by the backend with the same families. A page has no
// pixels to read: raster operations take the page under them as white paper, and those that
// leave it as it is draw nothing.
#include "platform/winapi/GdiPrinter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/winapi/GdiFont.h"

namespace {

constexpr GdiPixel WhitePixel = 0x00FFFFFF;

// The colour an operation leaves on white paper for the pattern p and the source s; false
// where it leaves the page as it is.
bool PaperColor(std::uint8_t rop, GdiPixel p, GdiPixel s, GdiPixel& out) {
    GdiPixel onBlack = GdiApplyRop(rop, p, s, 0) & WhitePixel;
    GdiPixel onWhite = GdiApplyRop(rop, p, s, WhitePixel) & WhitePixel;
    if (onBlack == 0 && onWhite == WhitePixel) return false;
    out = onWhite;
    return true;
}

// A paint brought through an operation; false when nothing would be drawn.
bool ThroughRop(std::uint8_t rop, GdiPaint& paint) {
    if (paint.None) return false;
    if (paint.Solid) return PaperColor(rop, paint.Color, 0, paint.Color);
    bool any = false;
    for (std::size_t i = 0; i < paint.Tile.size(); ++i) {
        if (!paint.TileOpaque[i]) continue;
        if (PaperColor(rop, paint.Tile[i], 0, paint.Tile[i]))
            any = true;
        else
            paint.TileOpaque[i] = 0;
    }
    return any;
}

std::vector<GdiPointD> Centres(const std::vector<GdiPointD>& points) {
    std::vector<GdiPointD> out = points;
    for (GdiPointD& p : out) {
        p.x += 0.5;
        p.y += 0.5;
    }
    return out;
}

std::vector<GdiPointD> RectPolygon(double l, double t, double r, double b) {
    return {{l, t}, {r, t}, {r, b}, {l, b}};
}

RECT DeviceBox(const GdiDC& dc, const RECT& box) {
    POINT a = dc.ToDevice({box.left, box.top}), b = dc.ToDevice({box.right, box.bottom});
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

struct PenPlan {
    bool Null = true;
    bool Geometric = false;
    bool InsideFrame = false;
    TPrintPen Pen;
    bool OpaqueGaps = false; // a styled thin pen in OPAQUE mode: the gaps in the background colour
    COLORREF Back = 0;
};

PenPlan PlanPen(const GdiDC& dc) {
    PenPlan plan;
    const GdiPen* p = dc.State.Pen.get();
    if (!p || p->Dash() == PS_NULL) return plan;
    std::uint8_t rop = GdiRop2ToRop3(dc.State.Rop2);
    GdiPixel color;
    if (!PaperColor(rop, GdiDevicePixel(dc.PenColor(), false), 0, color)) return plan;
    plan.Null = false;
    plan.Pen.Color = GdiPixelToColor(color);
    plan.Geometric = p->IsGeometric();
    double width = plan.Geometric ? std::max(1, p->Width) : 1;
    plan.Pen.Width = width;
    plan.Pen.Cap = plan.Geometric ? p->Cap() : PS_ENDCAP_FLAT;
    plan.Pen.Join = plan.Geometric ? p->Join() : PS_JOIN_MITER;
    plan.InsideFrame = p->Dash() == PS_INSIDEFRAME && plan.Geometric;
    std::vector<double>& d = plan.Pen.Dashes;
    if (!plan.Geometric) {
        switch (p->Dash()) {
        case PS_DASH:
            d = {18, 6};
            break;
        case PS_DOT:
            d = {3, 3};
            break;
        case PS_DASHDOT:
            d = {9, 6, 3, 6};
            break;
        case PS_DASHDOTDOT:
            d = {9, 3, 3, 3, 3, 3};
            break;
        case PS_ALTERNATE:
            d = {1, 1};
            break;
        case PS_USERSTYLE:
            d.assign(p->UserStyle.begin(), p->UserStyle.end());
            break;
        default:
            break;
        }
    } else if (p->Extended) {
        double w = width;
        switch (p->Dash()) {
        case PS_DASH:
            d = {3 * w, w};
            break;
        case PS_DOT:
            d = {w, w};
            break;
        case PS_DASHDOT:
            d = {3 * w, w, w, w};
            break;
        case PS_DASHDOTDOT:
            d = {3 * w, w, w, w, w, w};
            break;
        case PS_USERSTYLE:
            d.assign(p->UserStyle.begin(), p->UserStyle.end());
            break;
        default:
            break;
        }
    }
    // A pattern of nothing but gaps draws solid.
    double on = 0;
    for (std::size_t i = 0; i < d.size(); i += 2)
        on += d[i];
    if (on <= 0) d.clear();
    if (!plan.Geometric && !d.empty() && dc.State.BkMode == OPAQUE) {
        GdiPixel back;
        if (PaperColor(rop, GdiDevicePixel(dc.State.BkColor, false), 0, back)) {
            plan.OpaqueGaps = true;
            plan.Back = GdiPixelToColor(back);
        }
    }
    return plan;
}

void Stroke(TPrintCanvas& canvas, const PenPlan& plan, const std::vector<GdiPointD>& points, bool closed) {
    if (plan.Null || points.size() < 2) return;
    if (plan.OpaqueGaps) {
        TPrintPen gaps = plan.Pen;
        gaps.Color = plan.Back;
        gaps.Dashes.clear();
        canvas.StrokePolyline(points, closed, gaps);
    }
    canvas.StrokePolyline(points, closed, plan.Pen);
}

// The brush of the context (or another) through the mix mode, as the page paints it.
bool PlanBrush(const GdiDC& dc, const GdiBrush* brush, std::uint8_t rop, GdiPaint& paint) {
    if (GdiRopUsesPattern(rop)) {
        if (!brush) return false;
        paint = GdiBrushPaint(dc, *brush, false, dc.State.BrushOrg);
    } else {
        paint = GdiSolidPaint(0);
    }
    return ThroughRop(rop, paint);
}

} // namespace

GdiPrinterDevice::GdiPrinterDevice(TPrinterInfo printer, TPrintSettings settings, bool information)
    : FPrinter(std::move(printer)), FSettings(settings), FInformation(information) {}

GdiPrinterDevice::~GdiPrinterDevice() {
    // A context deleted with its document open prints nothing of it.
    if (FJob) FJob->Abort();
}

GdiPrinterDevice::Geometry GdiPrinterDevice::Measure() const {
    Geometry g;
    g.Dpi = FSettings.Resolution > 0 ? FSettings.Resolution : 600;
    auto px = [&](long long tenths) { return LONG(std::llround(tenths * g.Dpi / 254.0)); };
    SIZE paper = FSettings.PaperSize;
    RECT m = FPrinter.Margins;
    if (FSettings.Landscape) {
        // The upright paper turned a quarter to the left: its top edge is now on the left.
        std::swap(paper.cx, paper.cy);
        m = {FPrinter.Margins.top, FPrinter.Margins.right, FPrinter.Margins.bottom, FPrinter.Margins.left};
    }
    g.Paper = {px(paper.cx), px(paper.cy)};
    g.Margins = {px(m.left), px(m.top), px(m.right), px(m.bottom)};
    return g;
}

bool GdiPrinterDevice::Reset(const TPrintSettings& settings) {
    if (FPageOpen) return false;
    FSettings = settings;
    FClipKnown = false;
    return true;
}

int GdiPrinterDevice::StartDoc(const String& title, const String& output) {
    static int jobs = 0;
    TPrintBackend* backend = PrintGetBackend();
    if (FInformation || FJob || !backend) return SP_ERROR;
    FJob = backend->StartJob(FPrinter, title, output, FSettings);
    if (!FJob) return SP_ERROR;
    return ++jobs;
}

int GdiPrinterDevice::StartPage() {
    if (!FJob || FPageOpen) return SP_ERROR;
    if (!FJob->StartPage(FSettings)) return SP_ERROR;
    FPageOpen = true;
    FClipKnown = false;
    return 1;
}

int GdiPrinterDevice::EndPage(HDC dc) {
    if (!FJob || !FPageOpen) return SP_ERROR;
    FPageOpen = false;
    bool ok = FJob->EndPage();
    if (FAbortProc && !FAbortProc(dc, 0)) {
        AbortDoc();
        return SP_APPABORT;
    }
    return ok ? 1 : SP_ERROR;
}

int GdiPrinterDevice::EndDoc() {
    if (!FJob) return SP_ERROR;
    if (FPageOpen) {
        FPageOpen = false;
        FJob->EndPage();
    }
    bool ok = FJob->Finish();
    FJob.reset();
    return ok ? 1 : SP_ERROR;
}

int GdiPrinterDevice::AbortDoc() {
    if (!FJob) return SP_ERROR;
    FJob->Abort();
    FJob.reset();
    FPageOpen = false;
    return 1;
}

int GdiPrinterDevice::Caps(const GdiDC& dc, int index) const {
    Geometry g = Measure();
    int width = g.Paper.cx - g.Margins.left - g.Margins.right;
    int height = g.Paper.cy - g.Margins.top - g.Margins.bottom;
    switch (index) {
    case DRIVERVERSION:
        return 0x4000;
    case TECHNOLOGY:
        return DT_RASPRINTER;
    case HORZSIZE:
        return int(std::lround(width * 25.4 / g.Dpi));
    case VERTSIZE:
        return int(std::lround(height * 25.4 / g.Dpi));
    case HORZRES:
        return width;
    case VERTRES:
        return height;
    case BITSPIXEL:
        return FSettings.Color ? 24 : 1;
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
        return RC_BITBLT | RC_BITMAP64 | RC_GDI20_OUTPUT | RC_DI_BITMAP | RC_STRETCHBLT | RC_STRETCHDIB;
    case ASPECTX:
    case ASPECTY:
        return g.Dpi;
    case ASPECTXY:
        return int(std::lround(g.Dpi * std::sqrt(2.0)));
    case LOGPIXELSX:
    case LOGPIXELSY:
        return g.Dpi;
    case COLORRES:
        return 24;
    case PHYSICALWIDTH:
        return g.Paper.cx;
    case PHYSICALHEIGHT:
        return g.Paper.cy;
    case PHYSICALOFFSETX:
        return g.Margins.left;
    case PHYSICALOFFSETY:
        return g.Margins.top;
    default:
        return 0;
    }
}

RECT GdiPrinterDevice::Bounds(const GdiDC& dc) const {
    Geometry g = Measure();
    return {0, 0, g.Paper.cx - g.Margins.left - g.Margins.right,
            g.Paper.cy - g.Margins.top - g.Margins.bottom};
}

void GdiPrinterDevice::Changed(GdiDC& dc, GdiStateChange what) {
    if (what == GdiStateChange::Clip || what == GdiStateChange::Restore) FClipKnown = false;
}

TPrintCanvas* GdiPrinterDevice::Open(const GdiDC& dc) {
    if (!FJob || !FPageOpen) return nullptr;
    TPrintCanvas& canvas = FJob->Canvas();
    GdiRegion clip = dc.EffectiveClip();
    RECT bounds = Bounds(dc);
    bool whole = clip.Rects().size() == 1 && EqualRect(&clip.Rects()[0], &bounds);
    bool same = FClipKnown && FClipped == !whole &&
                (whole || (FClip.size() == clip.Rects().size() &&
                           std::equal(FClip.begin(), FClip.end(), clip.Rects().begin(),
                                      [](const RECT& a, const RECT& b) { return EqualRect(&a, &b); })));
    if (!same) {
        FClipped = !whole;
        FClip = whole ? std::vector<RECT>() : clip.Rects();
        canvas.SetClip(whole ? nullptr : &FClip);
        FClipKnown = true;
    }
    return &canvas;
}

BOOL GdiPrinterDevice::Figure(GdiDC& dc, const std::vector<std::vector<GdiPointD>>& outlines, bool closed,
                              bool fill, bool planeWithoutPen) {
    TPrintCanvas* canvas = Open(dc);
    if (!canvas) return FALSE;
    PenPlan pen = PlanPen(dc);
    std::vector<std::vector<GdiPointD>> centred;
    for (const auto& outline : outlines)
        centred.push_back(Centres(outline));
    GdiPaint paint;
    // A polygon without a pen covers its vertices as points of the plane; with one, its
    // interior stays inside the outline through the pixel centres.
    if (fill && PlanBrush(dc, dc.State.Brush.get(), GdiRop2ToRop3(dc.State.Rop2), paint))
        canvas->FillPolygons(pen.Null && planeWithoutPen ? outlines : centred,
                             dc.State.PolyFillMode == WINDING, paint);
    for (const auto& outline : centred)
        Stroke(*canvas, pen, outline, closed);
    return TRUE;
}

// ---- Primitives -------------------------------------------------------------------------------

BOOL GdiPrinterDevice::Polyline(GdiDC& dc, const POINT* points, int count) {
    std::vector<GdiPointD> pts;
    for (int i = 0; i < count; ++i) {
        POINT p = dc.ToDevice(points[i]);
        pts.push_back({double(p.x), double(p.y)});
    }
    return Figure(dc, {pts}, false, false);
}

BOOL GdiPrinterDevice::PolyPolygon(GdiDC& dc, const POINT* points, const INT* counts, int polygons) {
    std::vector<std::vector<GdiPointD>> polys;
    std::size_t at = 0;
    for (int i = 0; i < polygons; ++i) {
        std::vector<GdiPointD> pts;
        for (int k = 0; k < counts[i]; ++k) {
            POINT p = dc.ToDevice(points[at + std::size_t(k)]);
            pts.push_back({double(p.x), double(p.y)});
        }
        at += std::size_t(counts[i]);
        polys.push_back(std::move(pts));
    }
    return Figure(dc, polys, true, true, true);
}

BOOL GdiPrinterDevice::Rectangle(GdiDC& dc, const RECT& logical) {
    TPrintCanvas* canvas = Open(dc);
    if (!canvas) return FALSE;
    RECT b = DeviceBox(dc, logical);
    if (b.right - b.left < 1 || b.bottom - b.top < 1) return TRUE;
    PenPlan pen = PlanPen(dc);
    GdiPaint paint;
    bool brush = PlanBrush(dc, dc.State.Brush.get(), GdiRop2ToRop3(dc.State.Rop2), paint);
    if (pen.Null) {
        // Without a pen the figure is one pixel smaller on the right and at the bottom.
        if (brush && b.right - b.left > 1 && b.bottom - b.top > 1)
            canvas->FillPolygons({RectPolygon(b.left, b.top, b.right - 1, b.bottom - 1)}, false, paint);
        return TRUE;
    }
    double in = pen.InsideFrame ? (pen.Pen.Width - 1) / 2 : 0;
    double l = b.left + in, t = b.top + in, r = b.right - 1 - in, bt = b.bottom - 1 - in;
    if (l > r) l = r = (b.left + b.right - 1) / 2.0;
    if (t > bt) t = bt = (b.top + b.bottom - 1) / 2.0;
    std::vector<GdiPointD> outline = Centres(RectPolygon(l, t, r, bt));
    if (brush) canvas->FillPolygons({outline}, false, paint);
    Stroke(*canvas, pen, outline, true);
    return TRUE;
}

BOOL GdiPrinterDevice::RoundRect(GdiDC& dc, const RECT& box, int width, int height) {
    RECT b = DeviceBox(dc, box);
    if (b.right - b.left < 1 || b.bottom - b.top < 1) return Open(dc) != nullptr;
    return Figure(dc, {GdiRoundRectPoints(b, std::abs(width), std::abs(height))}, true, true);
}

BOOL GdiPrinterDevice::Ellipse(GdiDC& dc, const RECT& box) {
    RECT b = DeviceBox(dc, box);
    if (b.right - b.left < 1 || b.bottom - b.top < 1) return Open(dc) != nullptr;
    return Figure(dc, {GdiEllipseArc(b, 0, 0, false, 0)}, true, true);
}

BOOL GdiPrinterDevice::ArcFigure(GdiDC& dc, GdiArcKind kind, const RECT& box, POINT start, POINT end) {
    RECT b = DeviceBox(dc, box);
    if (b.right - b.left < 1 || b.bottom - b.top < 1) return Open(dc) != nullptr;
    POINT s = dc.ToDevice(start), e = dc.ToDevice(end);
    double a0 = GdiBoxAngle(b, s.x, s.y), a1 = GdiBoxAngle(b, e.x, e.y);
    std::vector<GdiPointD> pts = GdiEllipseArc(b, a0, a1, dc.State.ArcDirection == AD_CLOCKWISE, 0);
    if (kind == GdiArcKind::Pie)
        pts.insert(pts.begin(), GdiPointD{(b.left + b.right - 1) / 2.0, (b.top + b.bottom - 1) / 2.0});
    bool closed = kind != GdiArcKind::Arc;
    return Figure(dc, {pts}, closed, closed);
}

BOOL GdiPrinterDevice::PaintRegion(GdiDC& dc, const GdiRegion& region, const GdiBrush* brush, DWORD rop) {
    TPrintCanvas* canvas = Open(dc);
    if (!canvas) return FALSE;
    std::uint8_t index = GdiRopIndex(rop);
    if (GdiRopUsesPattern(index) && !brush) return FALSE;
    GdiPaint paint;
    if (region.IsEmpty() || !PlanBrush(dc, brush, index, paint)) return TRUE;
    POINT o = dc.Offset();
    std::vector<std::vector<GdiPointD>> rects;
    for (const RECT& r : region.Rects())
        rects.push_back(RectPolygon(double(r.left) + o.x, double(r.top) + o.y, double(r.right) + o.x,
                                    double(r.bottom) + o.y));
    canvas->FillPolygons(rects, false, paint);
    return TRUE;
}

COLORREF GdiPrinterDevice::SetPixel(GdiDC& dc, POINT point, COLORREF color) {
    TPrintCanvas* canvas = Open(dc);
    if (!canvas) return CLR_INVALID;
    POINT p = dc.ToDevice(point);
    GdiPixel pixel = GdiDevicePixel(color, false);
    canvas->FillPolygons({RectPolygon(p.x, p.y, p.x + 1, p.y + 1)}, false, GdiSolidPaint(pixel));
    return GdiPixelToColor(pixel);
}

BOOL GdiPrinterDevice::DrawPath(GdiDC& dc, const GdiPath& path, bool fill, bool stroke) {
    TPrintCanvas* canvas = Open(dc);
    if (!canvas) return FALSE;
    PenPlan pen = stroke ? PlanPen(dc) : PenPlan{};
    if (fill) {
        // Without a pen the points are points of the plane; with one they stand for the
        // pixels its outline runs through.
        std::vector<std::vector<GdiPointD>> polys;
        for (const GdiPathFigure& figure : path.Figures)
            polys.push_back(pen.Null ? figure.Points : Centres(figure.Points));
        GdiPaint paint;
        if (PlanBrush(dc, dc.State.Brush.get(), GdiRop2ToRop3(dc.State.Rop2), paint))
            canvas->FillPolygons(polys, dc.State.PolyFillMode == WINDING, paint);
    }
    for (const GdiPathFigure& figure : path.Figures)
        Stroke(*canvas, pen, Centres(figure.Points), figure.Closed);
    return TRUE;
}

BOOL GdiPrinterDevice::Blt(GdiDC& dc, const GdiBltRequest& q) {
    TPrintCanvas* canvas = Open(dc);
    if (!canvas) return FALSE;
    std::uint8_t fore = GdiRopIndex(q.Rop);
    std::uint8_t back = q.Mask ? GdiRopIndex(q.BackRop) : fore;
    bool needSource = q.Transparent || GdiRopUsesSource(fore) || GdiRopUsesSource(back);
    bool needPattern = GdiRopUsesPattern(fore) || GdiRopUsesPattern(back);
    if (q.Width == 0 || q.Height == 0) return TRUE;
    if (needPattern && !dc.State.Brush) return FALSE;
    POINT d0 = dc.ToDevice({q.X, q.Y});
    if (!needSource && !q.Mask) {
        GdiPaint paint;
        if (!PlanBrush(dc, dc.State.Brush.get(), fore, paint)) return TRUE;
        double l = q.Width < 0 ? d0.x + q.Width + 1 : d0.x, t = q.Height < 0 ? d0.y + q.Height + 1 : d0.y;
        canvas->FillPolygons({RectPolygon(l, t, l + std::abs(q.Width), t + std::abs(q.Height))}, false,
                             paint);
        return TRUE;
    }
    GdiPaint pattern =
        needPattern ? GdiBrushPaint(dc, *dc.State.Brush, false, dc.State.BrushOrg) : GdiSolidPaint(0);

    // The source: the part of its pixels the blit reads (or, without one, the destination's
    // own size).
    GdiSurface src;
    POINT origin{};
    long long srcW = needSource ? q.SrcWidth : q.Width, srcH = needSource ? q.SrcHeight : q.Height;
    long long from[2], to[2], start[2];
    const long long size[2] = {std::llabs(srcW), std::llabs(srcH)};
    if (needSource) {
        if (!q.Src || !q.Src->Device->SourcePixels(*q.Src, src, origin) || !src.IsValid()) return FALSE;
        if (q.SrcWidth == 0 || q.SrcHeight == 0) return TRUE;
        POINT s0 = q.Src->ToDevice({q.SrcX, q.SrcY});
        long long at[2] = {(long long)s0.x + origin.x, (long long)s0.y + origin.y};
        long long limit[2] = {src.Width, src.Height};
        long long extent[2] = {srcW, srcH};
        for (int k = 0; k < 2; ++k) {
            start[k] = extent[k] < 0 ? at[k] + extent[k] + 1 : at[k];
            from[k] = std::max<long long>(start[k], 0);
            to[k] = std::min<long long>(start[k] + size[k], limit[k]);
        }
    } else {
        for (int k = 0; k < 2; ++k) {
            start[k] = 0;
            from[k] = 0;
            to[k] = size[k];
        }
    }
    if (from[0] >= to[0] || from[1] >= to[1]) return TRUE;
    GdiSurface mask;
    if (q.Mask) {
        mask = q.Mask->Surface();
        if (!q.Mask->Mono || q.MaskX < 0 || q.MaskY < 0 ||
            (long long)q.MaskX + std::llabs(q.Width) > mask.Width ||
            (long long)q.MaskY + std::llabs(q.Height) > mask.Height)
            return FALSE;
    }
    // Where the read part lands on the page.
    const long long dstExtent[2] = {q.Width, q.Height};
    const long long dstAt[2] = {d0.x, d0.y};
    double place[2], span[2];
    bool mirror[2];
    for (int k = 0; k < 2; ++k) {
        long long dStart = dstExtent[k] < 0 ? dstAt[k] + dstExtent[k] + 1 : dstAt[k];
        double scale = double(std::llabs(dstExtent[k])) / double(size[k]);
        mirror[k] = (dstExtent[k] < 0) != ((k ? srcH : srcW) < 0);
        double a = double(from[k] - start[k]), b = double(to[k] - start[k]);
        place[k] = mirror[k] ? dStart + (double(size[k]) - b) * scale : dStart + a * scale;
        span[k] = (b - a) * scale;
    }
    int w = int(to[0] - from[0]), h = int(to[1] - from[1]);
    GdiPixel textPixel = GdiDevicePixel(dc.State.TextColor, false);
    GdiPixel backPixel = GdiDevicePixel(dc.State.BkColor, false);
    GdiPixel transparent = GdiDevicePixel(q.TransparentColor, false);
    std::vector<std::uint32_t> pixels(std::size_t(w) * std::size_t(h), 0);
    bool any = false;
    for (int y = 0; y < h; ++y) {
        long long sy = from[1] + y;
        for (int x = 0; x < w; ++x) {
            long long sx = from[0] + x;
            GdiPixel s = 0;
            if (needSource) {
                s = src.Row(int(sy))[sx] & WhitePixel;
                if (q.Transparent && s == transparent) continue;
                if (src.Mono) s = s ? backPixel : textPixel;
            }
            std::uint8_t rop = fore;
            if (q.Mask) {
                GdiPixel m = mask.Row(int(q.MaskY + (sy - start[1])))[q.MaskX + (sx - start[0])];
                rop = (m & WhitePixel) ? fore : back;
            }
            GdiPixel p = 0;
            if (GdiRopUsesPattern(rop)) {
                double px = place[0] + (x + 0.5) * span[0] / w, py = place[1] + (y + 0.5) * span[1] / h;
                if (!pattern.At(int(std::floor(px)), int(std::floor(py)), p)) continue;
            }
            GdiPixel out;
            if (!PaperColor(rop, p, s, out)) continue;
            int ix = mirror[0] ? w - 1 - x : x, iy = mirror[1] ? h - 1 - y : y;
            pixels[std::size_t(iy) * std::size_t(w) + std::size_t(ix)] = 0xFF000000u | out;
            any = true;
        }
    }
    if (any) canvas->DrawImage(place[0], place[1], span[0], span[1], w, h, pixels);
    return TRUE;
}

BOOL GdiPrinterDevice::Text(GdiDC& dc, const GdiTextRequest& r) {
    TPrintCanvas* canvas = Open(dc);
    if (!canvas || !r.Font) return FALSE;
    const GdiFontInstance& font = *r.Font;
    POINT o = dc.Offset();
    auto shifted = [&](const std::vector<GdiPointD>& polygon) {
        std::vector<GdiPointD> out = polygon;
        for (GdiPointD& p : out) {
            p.x += o.x;
            p.y += o.y;
        }
        return out;
    };
    GdiPaint back = GdiSolidPaint(GdiDevicePixel(dc.State.BkColor, false));
    GdiPaint ink = GdiSolidPaint(GdiDevicePixel(dc.State.TextColor, false));
    RECT rect = DeviceBox(dc, r.Rect);
    if ((r.Options & ETO_OPAQUE) && r.HasRect && rect.right > rect.left && rect.bottom > rect.top)
        canvas->FillPolygons({RectPolygon(rect.left, rect.top, rect.right, rect.bottom)}, false, back);
    bool clipped = (r.Options & ETO_CLIPPED) && r.HasRect;
    if (clipped) {
        GdiRegion clip = dc.EffectiveClip();
        clip &= GdiRegion(rect);
        std::vector<RECT> rects = clip.Rects();
        canvas->SetClip(&rects);
        FClipKnown = false;
        if (clip.IsEmpty()) return TRUE;
    }
    if (!r.Cell.empty()) canvas->FillPolygons({shifted(r.Cell)}, false, back);
    if (r.Glyphs && !r.Text.empty()) {
        TPrintText text;
        const GdiGlyphSource* sources[2] = {font.Primary.get(), font.Fallback()};
        int emX = 0;
        const GdiFaceMetrics& design = font.Primary->Metrics();
        if (font.Log.lfWidth != 0 && design.DesignAveWidth > 0) {
            long long width = std::llabs((long long)font.Log.lfWidth);
            emX =
                int((width * design.UnitsPerEm * 2 + design.DesignAveWidth) / (2LL * design.DesignAveWidth));
        }
        for (int i = 0; i < 2; ++i) {
            if (!sources[i]) continue;
            text.Faces[i].Family = sources[i]->FamilyName();
            text.Faces[i].Em = sources[i]->Metrics().Em;
            text.Faces[i].EmX = emX;
            text.Faces[i].Bold = font.Log.lfWeight >= FW_SEMIBOLD;
            text.Faces[i].Italic = font.Log.lfItalic != 0;
        }
        text.Escapement = font.Escapement;
        text.Color = GdiPixelToColor(ink.Color);
        for (std::size_t i = 0; i < r.Text.size() && i < r.Positions.size(); ++i) {
            char32_t ch = r.Text[i];
            if (ch == U' ' || ch < 0x20) continue;
            text.Chars += ch;
            text.Positions.push_back({double(r.Positions[i].x) + o.x, double(r.Positions[i].y) + o.y});
            text.Face.push_back(&font.SourceFor(ch) == sources[0] ? 0 : 1);
        }
        if (!text.Chars.empty()) canvas->DrawText(text);
    }
    if (!r.Marks.empty()) {
        std::vector<std::vector<GdiPointD>> marks;
        for (const auto& mark : r.Marks)
            marks.push_back(shifted(mark));
        // Each mark on its own, so that overlapping ones stay filled.
        for (const auto& mark : marks)
            canvas->FillPolygons({mark}, false, ink);
    }
    return TRUE;
}
