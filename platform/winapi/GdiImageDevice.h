// The image device: rasterises a context's drawing onto 32-bit pixels, either the bitmap
// selected into a memory context or an outside target (a window's surface).
#pragma once

#include "platform/winapi/GdiDc.h"

class GdiImageDevice : public GdiDevice {
public:
    // A memory context's device: draws on the selected bitmap.
    GdiImageDevice() = default;
    // A device over someone else's pixels.
    explicit GdiImageDevice(const GdiImageTarget& target) : FExternal(true), FTarget(target) {}
    void SetTarget(const GdiImageTarget& target) {
        FExternal = true;
        FTarget = target;
    }
    bool IsExternal() const { return FExternal; }

    int Caps(const GdiDC& dc, int index) const override;
    RECT Bounds(const GdiDC& dc) const override;
    const GdiRegion* Visible(const GdiDC& dc) const override;
    bool AcceptsBitmap() const override { return !FExternal; }
    bool SourcePixels(const GdiDC& dc, GdiSurface& surface, POINT& origin) const override;

    BOOL Polyline(GdiDC& dc, const POINT* points, int count) override;
    BOOL PolyPolygon(GdiDC& dc, const POINT* points, const INT* counts, int polygons) override;
    BOOL Rectangle(GdiDC& dc, const RECT& box) override;
    BOOL RoundRect(GdiDC& dc, const RECT& box, int width, int height) override;
    BOOL Ellipse(GdiDC& dc, const RECT& box) override;
    BOOL ArcFigure(GdiDC& dc, GdiArcKind kind, const RECT& box, POINT start, POINT end) override;
    BOOL PaintRegion(GdiDC& dc, const GdiRegion& region, const GdiBrush* brush, DWORD rop) override;
    BOOL Blt(GdiDC& dc, const GdiBltRequest& request) override;
    COLORREF SetPixel(GdiDC& dc, POINT point, COLORREF color) override;
    COLORREF GetPixel(GdiDC& dc, POINT point) override;
    BOOL DrawPath(GdiDC& dc, const GdiPath& path, bool fill, bool stroke) override;
    BOOL Text(GdiDC& dc, const GdiTextRequest& request) override; // in GdiTextImage.cpp

private:
    bool FExternal = false;
    GdiImageTarget FTarget;
};
