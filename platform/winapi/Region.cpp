#include "platform/winapi/Region.h"

#include <algorithm>

#include "platform/winapi/Gdi.h"

namespace {

struct Band {
    LONG top, bottom;
    std::size_t begin, end; // rectangle indices
};

std::vector<Band> BandsOf(const std::vector<RECT>& rects) {
    std::vector<Band> bands;
    std::size_t i = 0;
    while (i < rects.size()) {
        std::size_t j = i + 1;
        while (j < rects.size() && rects[j].top == rects[i].top)
            ++j;
        bands.push_back({rects[i].top, rects[i].bottom, i, j});
        i = j;
    }
    return bands;
}

// Appends bands in increasing y and merges a band into the one above when they touch and
// carry the same spans.
class BandWriter {
public:
    explicit BandWriter(std::vector<RECT>& out) : FOut(out) {}

    // spans: sorted, disjoint, non-touching pairs x0, x1.
    void Append(LONG top, LONG bottom, const std::vector<LONG>& spans) {
        if (spans.empty() || top >= bottom) return;
        if (FHaveLast && FLastBottom == top && SameAsLast(spans)) {
            for (std::size_t i = FLastBegin; i < FOut.size(); ++i)
                FOut[i].bottom = bottom;
            FLastBottom = bottom;
            return;
        }
        FLastBegin = FOut.size();
        for (std::size_t i = 0; i + 1 < spans.size(); i += 2)
            FOut.push_back({spans[i], top, spans[i + 1], bottom});
        FLastBottom = bottom;
        FHaveLast = true;
    }

private:
    bool SameAsLast(const std::vector<LONG>& spans) const {
        if (FOut.size() - FLastBegin != spans.size() / 2) return false;
        for (std::size_t i = 0; i < spans.size() / 2; ++i) {
            const RECT& r = FOut[FLastBegin + i];
            if (r.left != spans[2 * i] || r.right != spans[2 * i + 1]) return false;
        }
        return true;
    }

    std::vector<RECT>& FOut;
    std::size_t FLastBegin = 0;
    LONG FLastBottom = 0;
    bool FHaveLast = false;
};

bool Apply(int mode, bool a, bool b) {
    switch (mode) {
    case RGN_AND:
        return a && b;
    case RGN_OR:
        return a || b;
    case RGN_XOR:
        return a != b;
    case RGN_DIFF:
        return a && !b;
    default:
        return a;
    }
}

// Combines two sorted span lists (x0, x1 pairs) of one band.
void CombineSpans(const std::vector<RECT>& ra, std::size_t a0, std::size_t a1, const std::vector<RECT>& rb,
                  std::size_t b0, std::size_t b1, int mode, std::vector<LONG>& out) {
    out.clear();
    // Edges of each list in order: left of rect k is edge 2k, right is 2k + 1.
    std::size_t ea = 0, eb = 0;
    const std::size_t na = (a1 - a0) * 2, nb = (b1 - b0) * 2;
    auto edgeA = [&](std::size_t e) {
        const RECT& r = ra[a0 + e / 2];
        return e % 2 ? r.right : r.left;
    };
    auto edgeB = [&](std::size_t e) {
        const RECT& r = rb[b0 + e / 2];
        return e % 2 ? r.right : r.left;
    };
    bool inA = false, inB = false, inOut = false;
    while (ea < na || eb < nb) {
        LONG x;
        if (eb >= nb || (ea < na && edgeA(ea) <= edgeB(eb)))
            x = edgeA(ea);
        else
            x = edgeB(eb);
        while (ea < na && edgeA(ea) == x) {
            inA = !inA;
            ++ea;
        }
        while (eb < nb && edgeB(eb) == x) {
            inB = !inB;
            ++eb;
        }
        bool now = Apply(mode, inA, inB);
        if (now != inOut) {
            out.push_back(x);
            inOut = now;
        }
    }
}

} // namespace

GdiRegion::GdiRegion(const RECT& rect) { SetRect(rect.left, rect.top, rect.right, rect.bottom); }

GdiRegion::GdiRegion(LONG left, LONG top, LONG right, LONG bottom) { SetRect(left, top, right, bottom); }

void GdiRegion::SetRect(LONG left, LONG top, LONG right, LONG bottom) {
    FRects.clear();
    if (left < right && top < bottom) FRects.push_back({left, top, right, bottom});
}

int GdiRegion::Kind() const {
    if (FRects.empty()) return NULLREGION;
    return FRects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

RECT GdiRegion::Bounds() const {
    RECT box{};
    if (FRects.empty()) return box;
    box = FRects.front();
    box.bottom = FRects.back().bottom;
    for (const RECT& r : FRects) {
        box.left = std::min(box.left, r.left);
        box.right = std::max(box.right, r.right);
    }
    return box;
}

bool GdiRegion::Contains(LONG x, LONG y) const {
    // Bottoms never decrease along the list, so the band holding y starts at the first
    // rectangle whose bottom lies below y.
    auto it = std::upper_bound(FRects.begin(), FRects.end(), y,
                               [](LONG value, const RECT& r) { return value < r.bottom; });
    for (; it != FRects.end() && it->top <= y && y < it->bottom; ++it) {
        if (x < it->left) return false;
        if (x < it->right) return true;
    }
    return false;
}

bool GdiRegion::Intersects(const RECT& rect) const {
    if (rect.left >= rect.right || rect.top >= rect.bottom) return false;
    for (const RECT& r : FRects) {
        if (r.top >= rect.bottom) break;
        if (r.bottom > rect.top && r.left < rect.right && r.right > rect.left) return true;
    }
    return false;
}

bool GdiRegion::Offset(LONG dx, LONG dy) {
    if (FRects.empty() || (dx == 0 && dy == 0)) return true;
    RECT box = Bounds();
    if (!GdiCoordOk((long long)box.left + dx) || !GdiCoordOk((long long)box.right + dx) ||
        !GdiCoordOk((long long)box.top + dy) || !GdiCoordOk((long long)box.bottom + dy))
        return false;
    for (RECT& r : FRects) {
        r.left += dx;
        r.right += dx;
        r.top += dy;
        r.bottom += dy;
    }
    return true;
}

GdiRegion GdiRegion::Combine(const GdiRegion& a, const GdiRegion& b, int mode) {
    if (mode == RGN_COPY) return a;
    GdiRegion result;
    // Clipping to a rectangle, the commonest case when painting, needs no walk through the
    // bands: two rectangles meet in one, and a region inside the rectangle stays as it is (every
    // region is kept in its merged form, so the walk would give the same rectangles back).
    if (mode == RGN_AND) {
        if (a.FRects.empty() || b.FRects.empty()) return result;
        if (a.FRects.size() == 1 && b.FRects.size() == 1) {
            const RECT &p = a.FRects.front(), &q = b.FRects.front();
            result.SetRect(std::max(p.left, q.left), std::max(p.top, q.top), std::min(p.right, q.right),
                           std::min(p.bottom, q.bottom));
            return result;
        }
        auto inside = [](const GdiRegion& region, const RECT& r) {
            const RECT box = region.Bounds();
            return box.left >= r.left && box.top >= r.top && box.right <= r.right && box.bottom <= r.bottom;
        };
        if (a.FRects.size() == 1 && inside(b, a.FRects.front())) return b;
        if (b.FRects.size() == 1 && inside(a, b.FRects.front())) return a;
    }
    std::vector<Band> ba = BandsOf(a.FRects), bb = BandsOf(b.FRects);
    std::vector<LONG> ys;
    ys.reserve((ba.size() + bb.size()) * 2);
    for (const Band& band : ba) {
        ys.push_back(band.top);
        ys.push_back(band.bottom);
    }
    for (const Band& band : bb) {
        ys.push_back(band.top);
        ys.push_back(band.bottom);
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

    BandWriter writer(result.FRects);
    std::vector<LONG> spans;
    std::size_t ia = 0, ib = 0;
    for (std::size_t k = 0; k + 1 < ys.size(); ++k) {
        LONG y0 = ys[k], y1 = ys[k + 1];
        while (ia < ba.size() && ba[ia].bottom <= y0)
            ++ia;
        while (ib < bb.size() && bb[ib].bottom <= y0)
            ++ib;
        bool hasA = ia < ba.size() && ba[ia].top <= y0;
        bool hasB = ib < bb.size() && bb[ib].top <= y0;
        if (!hasA && !hasB) continue;
        CombineSpans(a.FRects, hasA ? ba[ia].begin : 0, hasA ? ba[ia].end : 0, b.FRects,
                     hasB ? bb[ib].begin : 0, hasB ? bb[ib].end : 0, mode, spans);
        writer.Append(y0, y1, spans);
    }
    return result;
}

GdiRegion& GdiRegion::operator&=(const GdiRegion& other) { return *this = Combine(*this, other, RGN_AND); }
GdiRegion& GdiRegion::operator|=(const GdiRegion& other) { return *this = Combine(*this, other, RGN_OR); }
GdiRegion& GdiRegion::operator-=(const GdiRegion& other) { return *this = Combine(*this, other, RGN_DIFF); }
GdiRegion& GdiRegion::operator^=(const GdiRegion& other) { return *this = Combine(*this, other, RGN_XOR); }

bool GdiRegion::operator==(const GdiRegion& other) const {
    if (FRects.size() != other.FRects.size()) return false;
    for (std::size_t i = 0; i < FRects.size(); ++i) {
        const RECT &p = FRects[i], &q = other.FRects[i];
        if (p.left != q.left || p.top != q.top || p.right != q.right || p.bottom != q.bottom) return false;
    }
    return true;
}

bool GdiRegion::AssignCanonical(std::vector<RECT> rects) {
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const RECT& r = rects[i];
        if (r.left >= r.right || r.top >= r.bottom) return false;
        if (i == 0) continue;
        const RECT& p = rects[i - 1];
        if (r.top == p.top) {
            if (r.bottom != p.bottom || r.left <= p.right) return false;
        } else if (r.top < p.bottom) {
            return false;
        }
    }
    // Re-run through the writer so touching bands with equal spans merge as they must.
    FRects.clear();
    BandWriter writer(FRects);
    std::vector<Band> bands = BandsOf(rects);
    std::vector<LONG> spans;
    for (const Band& band : bands) {
        spans.clear();
        for (std::size_t i = band.begin; i < band.end; ++i) {
            spans.push_back(rects[i].left);
            spans.push_back(rects[i].right);
        }
        writer.Append(band.top, band.bottom, spans);
    }
    return true;
}

void GdiRegionBuilder::AddSpan(LONG y, LONG x0, LONG x1) {
    if (x0 < x1) FSpans.push_back({y, y + 1, x0, x1});
}

void GdiRegionBuilder::AddRect(const RECT& rect) {
    if (rect.left < rect.right && rect.top < rect.bottom)
        FSpans.push_back({rect.top, rect.bottom, rect.left, rect.right});
}

void GdiRegionBuilder::AddRegion(const GdiRegion& region) {
    for (const RECT& r : region.Rects())
        AddRect(r);
}

GdiRegion GdiRegionBuilder::Build() {
    GdiRegion result;
    if (FSpans.empty()) return result;
    std::sort(FSpans.begin(), FSpans.end(),
              [](const Span& a, const Span& b) { return a.y0 != b.y0 ? a.y0 < b.y0 : a.x0 < b.x0; });
    std::vector<LONG> ys;
    ys.reserve(FSpans.size() * 2);
    for (const Span& s : FSpans) {
        ys.push_back(s.y0);
        ys.push_back(s.y1);
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

    BandWriter writer(result.FRects);
    std::vector<const Span*> active;
    std::vector<std::pair<LONG, LONG>> runs;
    std::vector<LONG> spans;
    std::size_t next = 0;
    for (std::size_t k = 0; k + 1 < ys.size(); ++k) {
        LONG y0 = ys[k], y1 = ys[k + 1];
        active.erase(std::remove_if(active.begin(), active.end(), [&](const Span* s) { return s->y1 <= y0; }),
                     active.end());
        while (next < FSpans.size() && FSpans[next].y0 == y0)
            active.push_back(&FSpans[next++]);
        if (active.empty()) continue;
        runs.clear();
        for (const Span* s : active)
            runs.emplace_back(s->x0, s->x1);
        std::sort(runs.begin(), runs.end());
        spans.clear();
        for (const auto& run : runs) {
            if (!spans.empty() && run.first <= spans.back()) {
                spans.back() = std::max(spans.back(), run.second);
            } else {
                spans.push_back(run.first);
                spans.push_back(run.second);
            }
        }
        writer.Append(y0, y1, spans);
    }
    FSpans.clear();
    return result;
}
