// The drawing calls: checks, the current position, recording into an open path, and the
// hand-over to the context's device.
#include <algorithm>
#include <vector>

#include "platform/winapi/GdiPath.h"
#include "platform/winapi/GdiRaster.h"

namespace {

bool CountsOk(const DWORD* counts, DWORD parts, std::size_t& total) {
    total = 0;
    if (!counts || parts == 0) return false;
    for (DWORD i = 0; i < parts; ++i) {
        if (counts[i] < 2) return false;
        total += counts[i];
    }
    return true;
}

RECT Box(int left, int top, int right, int bottom) { return RECT{left, top, right, bottom}; }

// A brush argument: a handle, or a system colour index + 1.
std::shared_ptr<GdiBrush> BrushArgument(HBRUSH handle) {
    auto value = reinterpret_cast<std::uintptr_t>(handle);
    if (value >= 1 && value <= std::uintptr_t(GdiSysColorCount)) {
        auto brush = std::make_shared<GdiBrush>();
        brush->Style = BS_SOLID;
        brush->Color = 0xFF000000 | COLORREF(value - 1);
        return brush;
    }
    return GdiFind<GdiBrush>(handle);
}

BOOL PaintWith(HDC handle, const GdiRegion& logical, const GdiBrush* brush, DWORD rop) {
    auto dc = GdiFindDC(handle);
    if (!dc) return FALSE;
    return dc->Device->PaintRegion(*dc, logical, brush, rop);
}

} // namespace

BOOL MoveToEx(HDC handle, int x, int y, POINT* old) {
    auto dc = GdiFindDC(handle);
    if (!dc) return FALSE;
    if (old) *old = dc->State.CurrentPos;
    dc->State.CurrentPos = {x, y};
    if (GdiPathRecording(*dc)) GdiPathMoveTo(*dc, {x, y});
    dc->Device->Changed(*dc, GdiStateChange::CurrentPosition);
    return TRUE;
}

BOOL LineTo(HDC handle, int x, int y) {
    auto dc = GdiFindDC(handle);
    if (!dc) return FALSE;
    POINT from = dc->State.CurrentPos;
    dc->State.CurrentPos = {x, y};
    if (GdiPathRecording(*dc)) {
        dc->State.CurrentPos = from; // the figure starts at the old position
        GdiPathLineTo(*dc, {x, y});
        dc->State.CurrentPos = {x, y};
        return TRUE;
    }
    POINT pts[2] = {from, {x, y}};
    return dc->Device->Polyline(*dc, pts, 2);
}

BOOL Polyline(HDC handle, const POINT* points, int count) {
    auto dc = GdiFindDC(handle);
    if (!dc || !points || count < 2) return FALSE;
    if (GdiPathRecording(*dc)) {
        GdiPathMoveTo(*dc, points[0]);
        for (int i = 1; i < count; ++i)
            GdiPathLineTo(*dc, points[i]);
        return TRUE;
    }
    return dc->Device->Polyline(*dc, points, count);
}

BOOL PolylineTo(HDC handle, const POINT* points, DWORD count) {
    auto dc = GdiFindDC(handle);
    if (!dc || !points || count == 0) return FALSE;
    if (GdiPathRecording(*dc)) {
        for (DWORD i = 0; i < count; ++i) {
            GdiPathLineTo(*dc, points[i]);
            dc->State.CurrentPos = points[i];
        }
        return TRUE;
    }
    std::vector<POINT> pts{dc->State.CurrentPos};
    pts.insert(pts.end(), points, points + count);
    dc->State.CurrentPos = points[count - 1];
    return dc->Device->Polyline(*dc, pts.data(), int(pts.size()));
}

BOOL PolyPolyline(HDC handle, const POINT* points, const DWORD* counts, DWORD polylines) {
    std::size_t total;
    if (!points || !CountsOk(counts, polylines, total)) return FALSE;
    BOOL ok = TRUE;
    std::size_t at = 0;
    for (DWORD i = 0; i < polylines; ++i) {
        ok = Polyline(handle, points + at, int(counts[i])) && ok;
        at += counts[i];
    }
    return ok;
}

BOOL Polygon(HDC handle, const POINT* points, int count) {
    if (count < 2) return FALSE;
    INT counts[1] = {count};
    return PolyPolygon(handle, points, counts, 1);
}

BOOL PolyPolygon(HDC handle, const POINT* points, const INT* counts, int polygons) {
    auto dc = GdiFindDC(handle);
    if (!dc || !points || !counts || polygons < 1) return FALSE;
    for (int i = 0; i < polygons; ++i)
        if (counts[i] < 2) return FALSE;
    if (GdiPathRecording(*dc)) {
        std::size_t at = 0;
        for (int i = 0; i < polygons; ++i) {
            std::vector<GdiPointD> pts;
            for (int k = 0; k < counts[i]; ++k) {
                POINT p = dc->ToDevice(points[at + std::size_t(k)]);
                pts.push_back({double(p.x), double(p.y)});
            }
            at += std::size_t(counts[i]);
            GdiPathAddFigure(*dc, std::move(pts), true);
        }
        return TRUE;
    }
    return dc->Device->PolyPolygon(*dc, points, counts, polygons);
}

BOOL Rectangle(HDC handle, int left, int top, int right, int bottom) {
    auto dc = GdiFindDC(handle);
    if (!dc) return FALSE;
    if (GdiPathRecording(*dc)) {
        GdiPathRectangle(*dc, Box(left, top, right, bottom));
        return TRUE;
    }
    return dc->Device->Rectangle(*dc, Box(left, top, right, bottom));
}

BOOL RoundRect(HDC handle, int left, int top, int right, int bottom, int width, int height) {
    auto dc = GdiFindDC(handle);
    if (!dc) return FALSE;
    if (GdiPathRecording(*dc)) {
        GdiPathRoundRect(*dc, Box(left, top, right, bottom), width, height);
        return TRUE;
    }
    return dc->Device->RoundRect(*dc, Box(left, top, right, bottom), width, height);
}

BOOL Ellipse(HDC handle, int left, int top, int right, int bottom) {
    auto dc = GdiFindDC(handle);
    if (!dc) return FALSE;
    if (GdiPathRecording(*dc)) {
        GdiPathEllipse(*dc, Box(left, top, right, bottom));
        return TRUE;
    }
    return dc->Device->Ellipse(*dc, Box(left, top, right, bottom));
}

namespace {

BOOL ArcCall(HDC handle, GdiArcKind kind, int left, int top, int right, int bottom, int xStart, int yStart,
             int xEnd, int yEnd) {
    auto dc = GdiFindDC(handle);
    if (!dc) return FALSE;
    RECT box = Box(left, top, right, bottom);
    if (GdiPathRecording(*dc)) {
        GdiPathArc(*dc, kind, box, {xStart, yStart}, {xEnd, yEnd});
        return TRUE;
    }
    return dc->Device->ArcFigure(*dc, kind, box, {xStart, yStart}, {xEnd, yEnd});
}

} // namespace

BOOL Arc(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd) {
    return ArcCall(dc, GdiArcKind::Arc, left, top, right, bottom, xStart, yStart, xEnd, yEnd);
}

BOOL Pie(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd) {
    return ArcCall(dc, GdiArcKind::Pie, left, top, right, bottom, xStart, yStart, xEnd, yEnd);
}

BOOL Chord(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd) {
    return ArcCall(dc, GdiArcKind::Chord, left, top, right, bottom, xStart, yStart, xEnd, yEnd);
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    auto b = BrushArgument(brush);
    if (!rect || !b) return 0;
    return PaintWith(dc, GdiRegion(*rect), b.get(), PATCOPY);
}

int FrameRect(HDC dc, const RECT* rect, HBRUSH brush) {
    auto b = BrushArgument(brush);
    if (!rect || !b) return 0;
    GdiRegion frame(*rect);
    frame -= GdiRegion(rect->left + 1, rect->top + 1, rect->right - 1, rect->bottom - 1);
    return PaintWith(dc, frame, b.get(), PATCOPY);
}

BOOL InvertRect(HDC dc, const RECT* rect) {
    if (!rect) return FALSE;
    return PaintWith(dc, GdiRegion(*rect), nullptr, DSTINVERT);
}

BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush) {
    auto r = GdiFind<GdiRegionObject>(region);
    auto b = BrushArgument(brush);
    if (!r || !b) return FALSE;
    return PaintWith(dc, r->Region, b.get(), PATCOPY);
}

BOOL PaintRgn(HDC handle, HRGN region) {
    auto dc = GdiFindDC(handle);
    auto r = GdiFind<GdiRegionObject>(region);
    if (!dc || !r || !dc->State.Brush) return FALSE;
    auto brush = dc->State.Brush;
    DWORD rop = DWORD(GdiRop2ToRop3(dc->State.Rop2)) << 16;
    return dc->Device->PaintRegion(*dc, r->Region, brush.get(), rop);
}

BOOL InvertRgn(HDC dc, HRGN region) {
    auto r = GdiFind<GdiRegionObject>(region);
    if (!r) return FALSE;
    return PaintWith(dc, r->Region, nullptr, DSTINVERT);
}

BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height) {
    auto r = GdiFind<GdiRegionObject>(region);
    auto b = BrushArgument(brush);
    if (!r || !b || width < 1 || height < 1) return FALSE;
    // The pixels of the region whose neighbour width pixels to the left or right (height
    // pixels above or below) lies outside it.
    GdiRegion inner = r->Region;
    const POINT shifts[] = {{-width, 0}, {width, 0}, {0, -height}, {0, height}};
    for (const POINT& shift : shifts) {
        GdiRegion moved = r->Region;
        if (!moved.Offset(shift.x, shift.y)) return FALSE;
        inner &= moved;
    }
    GdiRegion frame = r->Region;
    frame -= inner;
    return PaintWith(dc, frame, b.get(), PATCOPY);
}

BOOL PatBlt(HDC handle, int x, int y, int width, int height, DWORD rop) {
    auto dc = GdiFindDC(handle);
    if (!dc) return FALSE;
    std::uint8_t index = GdiRopIndex(rop);
    if (GdiRopUsesSource(index)) return FALSE;
    long long x0 = x, x1 = (long long)x + width, y0 = y, y1 = (long long)y + height;
    if (!GdiCoordOk(x1) || !GdiCoordOk(y1)) return FALSE;
    GdiRegion area(LONG(std::min(x0, x1)), LONG(std::min(y0, y1)), LONG(std::max(x0, x1)),
                   LONG(std::max(y0, y1)));
    auto brush = dc->State.Brush;
    return dc->Device->PaintRegion(*dc, area, brush.get(), rop);
}

namespace {

BOOL Blit(HDC dst, GdiBltRequest request, HDC src) {
    auto dc = GdiFindDC(dst);
    if (!dc) return FALSE;
    std::uint8_t fore = GdiRopIndex(request.Rop), back = GdiRopIndex(request.BackRop);
    bool needSource =
        request.Transparent || GdiRopUsesSource(fore) || (request.Mask && GdiRopUsesSource(back));
    std::shared_ptr<GdiDC> source;
    if (needSource) {
        source = GdiFindDC(src);
        if (!source) return FALSE;
        request.Src = source.get();
    }
    return dc->Device->Blt(*dc, request);
}

} // namespace

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop) {
    GdiBltRequest r;
    r.X = x, r.Y = y, r.Width = width, r.Height = height;
    r.SrcX = xSrc, r.SrcY = ySrc, r.SrcWidth = width, r.SrcHeight = height;
    r.Rop = rop;
    return Blit(dst, r, src);
}

BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int widthSrc,
                int heightSrc, DWORD rop) {
    GdiBltRequest r;
    r.X = x, r.Y = y, r.Width = width, r.Height = height;
    r.SrcX = xSrc, r.SrcY = ySrc, r.SrcWidth = widthSrc, r.SrcHeight = heightSrc;
    r.Rop = rop;
    return Blit(dst, r, src);
}

BOOL MaskBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, HBITMAP mask,
             int xMask, int yMask, DWORD rop4) {
    DWORD fore = rop4 & 0x00FF0000, back = (rop4 >> 8) & 0x00FF0000;
    if (!mask) return BitBlt(dst, x, y, width, height, src, xSrc, ySrc, fore);
    auto bitmap = GdiFind<GdiBitmap>(mask);
    if (!bitmap || !bitmap->Mono || width < 0 || height < 0) return FALSE;
    GdiBltRequest r;
    r.X = x, r.Y = y, r.Width = width, r.Height = height;
    r.SrcX = xSrc, r.SrcY = ySrc, r.SrcWidth = width, r.SrcHeight = height;
    r.Rop = fore;
    r.BackRop = back;
    r.Mask = bitmap.get();
    r.MaskX = xMask, r.MaskY = yMask;
    return Blit(dst, r, src);
}

BOOL TransparentBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int widthSrc,
                    int heightSrc, UINT transparent) {
    if (width < 0 || height < 0 || widthSrc < 0 || heightSrc < 0) return FALSE;
    GdiBltRequest r;
    r.X = x, r.Y = y, r.Width = width, r.Height = height;
    r.SrcX = xSrc, r.SrcY = ySrc, r.SrcWidth = widthSrc, r.SrcHeight = heightSrc;
    r.Rop = SRCCOPY;
    r.Transparent = true;
    r.TransparentColor = transparent;
    return Blit(dst, r, src);
}

COLORREF SetPixel(HDC handle, int x, int y, COLORREF color) {
    auto dc = GdiFindDC(handle);
    if (!dc) return CLR_INVALID;
    return dc->Device->SetPixel(*dc, {x, y}, color);
}

BOOL SetPixelV(HDC dc, int x, int y, COLORREF color) { return SetPixel(dc, x, y, color) != CLR_INVALID; }

COLORREF GetPixel(HDC handle, int x, int y) {
    auto dc = GdiFindDC(handle);
    if (!dc) return CLR_INVALID;
    return dc->Device->GetPixel(*dc, {x, y});
}
