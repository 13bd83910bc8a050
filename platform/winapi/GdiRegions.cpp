// The region calls over GdiRegion objects.
#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/winapi/GdiRaster.h"

namespace {

HRGN Register(GdiRegion region) {
    auto object = std::make_shared<GdiRegionObject>();
    object->Region = std::move(region);
    return static_cast<HRGN>(GdiAddObject(object));
}

bool RectOk(long long l, long long t, long long r, long long b) {
    return GdiCoordOk(l) && GdiCoordOk(t) && GdiCoordOk(r) && GdiCoordOk(b);
}

RECT Normalized(int l, int t, int r, int b) {
    return {std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
}

// A box figure as a region: the pixels whose centres lie in it.
GdiRegion BoxFigure(const RECT& box, bool ellipse, int cw, int ch) {
    GdiBoxShape shape = GdiMakeBoxShape(box, 0, ellipse, cw, ch);
    GdiRegionBuilder builder;
    for (long long y = box.top; y < box.bottom; ++y) {
        long long x0, x1;
        if (GdiBoxRow(shape, y, x0, x1)) builder.AddSpan(LONG(y), LONG(x0), LONG(x1));
    }
    return builder.Build();
}

HRGN PolyPolygonRegion(const POINT* points, const INT* counts, int polygons, int mode) {
    if (!points || !counts || polygons < 1 || (mode != ALTERNATE && mode != WINDING)) return nullptr;
    std::vector<std::vector<GdiPointD>> polys;
    std::size_t at = 0;
    for (int i = 0; i < polygons; ++i) {
        if (counts[i] < 2) return nullptr;
        std::vector<GdiPointD> poly;
        for (int k = 0; k < counts[i]; ++k) {
            const POINT& p = points[at + std::size_t(k)];
            if (!GdiCoordOk(p.x) || !GdiCoordOk(p.y)) return nullptr;
            poly.push_back({double(p.x), double(p.y)});
        }
        at += std::size_t(counts[i]);
        polys.push_back(std::move(poly));
    }
    RECT everything{-GdiMaxCoord, -GdiMaxCoord, GdiMaxCoord, GdiMaxCoord};
    GdiRegionBuilder builder;
    GdiFillPolygons(polys, mode == WINDING, everything, builder);
    return Register(builder.Build());
}

} // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    if (!RectOk(left, top, right, bottom)) return nullptr;
    return Register(GdiRegion(Normalized(left, top, right, bottom)));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
    if (!rect) return nullptr;
    return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height) {
    if (!RectOk(left, top, right, bottom)) return nullptr;
    return Register(
        BoxFigure(Normalized(left, top, right, bottom), false, std::abs(width), std::abs(height)));
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
    if (!RectOk(left, top, right, bottom)) return nullptr;
    return Register(BoxFigure(Normalized(left, top, right, bottom), true, 0, 0));
}

HRGN CreateEllipticRgnIndirect(const RECT* rect) {
    if (!rect) return nullptr;
    return CreateEllipticRgn(rect->left, rect->top, rect->right, rect->bottom);
}

HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode) {
    INT counts[1] = {count};
    return PolyPolygonRegion(points, counts, 1, fillMode);
}

HRGN CreatePolyPolygonRgn(const POINT* points, const INT* counts, int polygons, int fillMode) {
    return PolyPolygonRegion(points, counts, polygons, fillMode);
}

int CombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode) {
    auto d = GdiFind<GdiRegionObject>(dst);
    auto a = GdiFind<GdiRegionObject>(src1);
    if (!d || !a || mode < RGN_AND || mode > RGN_COPY) return ERROR;
    if (mode == RGN_COPY) {
        d->Region = a->Region;
        return d->Region.Kind();
    }
    auto b = GdiFind<GdiRegionObject>(src2);
    if (!b) return ERROR;
    d->Region = GdiRegion::Combine(a->Region, b->Region, mode);
    return d->Region.Kind();
}

int OffsetRgn(HRGN region, int dx, int dy) {
    auto r = GdiFind<GdiRegionObject>(region);
    if (!r || !r->Region.Offset(dx, dy)) return ERROR;
    return r->Region.Kind();
}

BOOL EqualRgn(HRGN a, HRGN b) {
    auto ra = GdiFind<GdiRegionObject>(a);
    auto rb = GdiFind<GdiRegionObject>(b);
    if (!ra || !rb) return ERROR;
    return ra->Region == rb->Region;
}

BOOL PtInRegion(HRGN region, int x, int y) {
    auto r = GdiFind<GdiRegionObject>(region);
    return r && r->Region.Contains(x, y);
}

BOOL RectInRegion(HRGN region, const RECT* rect) {
    auto r = GdiFind<GdiRegionObject>(region);
    if (!r || !rect) return FALSE;
    return r->Region.Intersects(Normalized(rect->left, rect->top, rect->right, rect->bottom));
}

int GetRgnBox(HRGN region, RECT* rect) {
    auto r = GdiFind<GdiRegionObject>(region);
    if (!r || !rect) return ERROR;
    *rect = r->Region.Bounds();
    return r->Region.Kind();
}

DWORD GetRegionData(HRGN region, DWORD size, RGNDATA* data) {
    auto r = GdiFind<GdiRegionObject>(region);
    if (!r) return 0;
    const std::vector<RECT>& rects = r->Region.Rects();
    DWORD rectBytes = DWORD(rects.size() * sizeof(RECT));
    DWORD needed = DWORD(sizeof(RGNDATAHEADER)) + rectBytes;
    if (!data || size < needed) return needed;
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = DWORD(rects.size());
    data->rdh.nRgnSize = rectBytes;
    data->rdh.rcBound = r->Region.Bounds();
    if (!rects.empty()) std::memcpy(data->Buffer, rects.data(), rectBytes);
    return size;
}

BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom) {
    auto r = GdiFind<GdiRegionObject>(region);
    if (!r || !RectOk(left, top, right, bottom)) return FALSE;
    RECT n = Normalized(left, top, right, bottom);
    r->Region.SetRect(n.left, n.top, n.right, n.bottom);
    return TRUE;
}
