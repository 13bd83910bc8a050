// Regions: sets of pixels kept as y-x banded rectangles. The class stands on its own (window
// regions, update regions and clipping all use it); HRGN handles wrap one each.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/runtime/WinTypes.h"

// Canonical form: rectangles sorted by top, then by left; the rectangles of one band share
// top and bottom and neither overlap nor touch; two bands that touch vertically never carry
// the same spans (they are merged into one). Two equal pixel sets therefore have equal
// rectangle lists, and equality is a plain comparison.
class GdiRegion {
public:
    GdiRegion() = default;
    // The half-open rectangle; an empty or inverted rectangle gives the empty region.
    explicit GdiRegion(const RECT& rect);
    GdiRegion(LONG left, LONG top, LONG right, LONG bottom);

    bool IsEmpty() const { return FRects.empty(); }
    // NULLREGION, SIMPLEREGION or COMPLEXREGION.
    int Kind() const;
    // The smallest rectangle holding every pixel; all zero when empty.
    RECT Bounds() const;
    const std::vector<RECT>& Rects() const { return FRects; }

    bool Contains(LONG x, LONG y) const;
    // Whether any pixel of the rectangle lies in the region.
    bool Intersects(const RECT& rect) const;

    void Clear() { FRects.clear(); }
    void SetRect(LONG left, LONG top, LONG right, LONG bottom);
    // Moves every rectangle; false (and no change) when a coordinate would leave the range
    // the drawing code accepts.
    bool Offset(LONG dx, LONG dy);

    // mode is RGN_AND, RGN_OR, RGN_XOR or RGN_DIFF (a minus b); RGN_COPY gives a.
    static GdiRegion Combine(const GdiRegion& a, const GdiRegion& b, int mode);
    GdiRegion& operator&=(const GdiRegion& other);
    GdiRegion& operator|=(const GdiRegion& other);
    GdiRegion& operator-=(const GdiRegion& other);
    GdiRegion& operator^=(const GdiRegion& other);

    bool operator==(const GdiRegion& other) const;
    bool operator!=(const GdiRegion& other) const { return !(*this == other); }

    // Builds a region from rectangles that are already in canonical form (as GetRegionData
    // hands them out); false when they are not.
    bool AssignCanonical(std::vector<RECT> rects);

private:
    friend class GdiRegionBuilder;
    std::vector<RECT> FRects;
};

// Collects pixel runs in any order and turns them into a region; runs that overlap or touch
// unite.
class GdiRegionBuilder {
public:
    // The run [x0, x1) of row y; empty runs are ignored.
    void AddSpan(LONG y, LONG x0, LONG x1);
    void AddRect(const RECT& rect);
    void AddRegion(const GdiRegion& region);
    bool IsEmpty() const { return FSpans.empty(); }
    GdiRegion Build();

private:
    struct Span {
        LONG y0, y1, x0, x1;
    };
    std::vector<Span> FSpans;
};

// The coordinate range the drawing code accepts (as the classic system does: 27 bits).
constexpr LONG GdiMaxCoord = (1 << 27) - 1;
inline bool GdiCoordOk(long long v) { return v >= -GdiMaxCoord && v <= GdiMaxCoord; }
