// Text on images: the opaque rectangle, the character cells, the monochrome glyph images
// and the marks, each painted through the clip region. No antialiasing: a pixel is either
// the text colour or untouched.
#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "platform/winapi/GdiFont.h"
#include "platform/winapi/GdiImageDevice.h"
#include "platform/winapi/GdiRaster.h"

namespace {

struct Target {
    GdiSurface Surface;
    POINT Origin{}; // device (0, 0) on the surface
    GdiRegion Clip; // device coordinates
};

void Paint(const Target& t, GdiRegion set, COLORREF color) {
    set &= t.Clip;
    if (set.IsEmpty()) return;
    set.Offset(t.Origin.x, t.Origin.y);
    GdiPaintRects(t.Surface, set.Rects(), GdiSolidPaint(GdiDevicePixel(color, t.Surface.Mono)), 0xF0);
}

// The union of the polygons (each filled on its own, so that overlapping marks stay).
GdiRegion Polygons(const std::vector<std::vector<GdiPointD>>& polygons, POINT offset, const RECT& limit) {
    GdiRegionBuilder out;
    for (const auto& polygon : polygons) {
        std::vector<GdiPointD> moved = polygon;
        for (GdiPointD& p : moved) {
            p.x += offset.x;
            p.y += offset.y;
        }
        GdiFillPolygons({moved}, false, limit, out);
    }
    return out.Build();
}

RECT DeviceRect(const GdiDC& dc, const RECT& r) {
    POINT a = dc.ToDevice({r.left, r.top}), b = dc.ToDevice({r.right, r.bottom});
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

} // namespace

BOOL GdiImageDevice::Text(GdiDC& dc, const GdiTextRequest& r) {
    Target t;
    if (!SourcePixels(dc, t.Surface, t.Origin) || !t.Surface.IsValid() || !r.Font) return FALSE;
    t.Clip = dc.EffectiveClip();
    if (t.Clip.IsEmpty()) return TRUE;
    POINT offset = dc.Offset();

    if ((r.Options & ETO_OPAQUE) && r.HasRect) Paint(t, GdiRegion(DeviceRect(dc, r.Rect)), dc.State.BkColor);
    if ((r.Options & ETO_CLIPPED) && r.HasRect) t.Clip &= GdiRegion(DeviceRect(dc, r.Rect));
    if (t.Clip.IsEmpty()) return TRUE;
    RECT limit = t.Clip.Bounds();

    if (!r.Cell.empty()) Paint(t, Polygons({r.Cell}, offset, limit), dc.State.BkColor);

    if (r.Glyphs) {
        // Through a rectangular clip, the common case, the ink's runs are cut to the rectangle and
        // painted as they come: a pixel painted twice in one solid colour stays as it was, so the
        // union of the runs need not be built (collecting and sorting it was most of the cost of
        // drawing text). Other clips take the runs' union through the region.
        const bool rectangular = t.Clip.Kind() == SIMPLEREGION;
        GdiRegionBuilder ink;
        std::vector<RECT> runs;
        const GdiFontInstance& font = *r.Font;
        for (std::size_t i = 0; i < r.Text.size() && i < r.Positions.size(); ++i) {
            char32_t ch = r.Text[i];
            // The clip's bounds from the glyph's origin: a glyph too large to render whole is
            // rendered only there.
            const long long originX = (long long)r.Positions[i].x + offset.x;
            const long long originY = (long long)r.Positions[i].y + offset.y;
            auto fit = [](long long v) { return int(std::clamp<long long>(v, INT_MIN / 2, INT_MAX / 2)); };
            const GdiGlyphWindow window{fit(limit.left - originX), fit(limit.top - originY), fit(limit.right - originX),
                                        fit(limit.bottom - originY)};
            std::shared_ptr<const GdiGlyphImage> image = font.SourceFor(ch).ImageWithin(ch, font.Escapement, window);
            if (!image) continue;
            long long left = originX + image->Left;
            long long top = originY + image->Top;
            if (left >= limit.right || top >= limit.bottom || left + image->Width <= limit.left ||
                top + image->Height <= limit.top)
                continue;
            for (int row = 0; row < image->Height; ++row) {
                long long y = top + row;
                if (y < limit.top || y >= limit.bottom) continue;
                int c = 0;
                while (c < image->Width) {
                    if (!image->At(c, row)) {
                        ++c;
                        continue;
                    }
                    int from = c;
                    while (c < image->Width && image->At(c, row))
                        ++c;
                    if (!rectangular) {
                        ink.AddSpan(LONG(y), LONG(left + from), LONG(left + c));
                        continue;
                    }
                    const long long x0 = std::max<long long>(left + from, limit.left);
                    const long long x1 = std::min<long long>(left + c, limit.right);
                    if (x0 < x1)
                        runs.push_back({LONG(x0 + t.Origin.x), LONG(y + t.Origin.y), LONG(x1 + t.Origin.x),
                                        LONG(y + 1 + t.Origin.y)});
                }
            }
        }
        if (!rectangular)
            Paint(t, ink.Build(), dc.State.TextColor);
        else if (!runs.empty())
            GdiPaintRects(t.Surface, runs, GdiSolidPaint(GdiDevicePixel(dc.State.TextColor, t.Surface.Mono)), 0xF0);
    }

    if (!r.Marks.empty()) Paint(t, Polygons(r.Marks, offset, limit), dc.State.TextColor);
    return TRUE;
}
