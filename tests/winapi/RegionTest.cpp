// Regions: construction, the algebra of CombineRgn against a pixel model, the canonical
// banded form, and the queries.
#include <gtest/gtest.h>

#include <bitset>
#include <cstring>
#include <functional>
#include <vector>

#include "platform/winapi/Gdi.h"
#include "platform/winapi/Region.h"
#include "tests/winapi/GdiTestImage.h"

namespace {

using gditest::Rows;

// A region handle freed at the end of the scope.
class Rgn {
public:
    explicit Rgn(HRGN h) : FHandle(h) {}
    ~Rgn() {
        if (FHandle) DeleteObject(FHandle);
    }
    Rgn(const Rgn&) = delete;
    Rgn& operator=(const Rgn&) = delete;
    operator HRGN() const { return FHandle; }

private:
    HRGN FHandle;
};

std::string RegionMap(HRGN region, int width, int height) {
    std::string out;
    for (int y = 0; y < height; ++y) {
        if (y) out += '\n';
        for (int x = 0; x < width; ++x)
            out += PtInRegion(region, x, y) ? '#' : '.';
    }
    return out;
}

std::vector<RECT> RectsOf(HRGN region) {
    DWORD size = GetRegionData(region, 0, nullptr);
    std::vector<char> buffer(size);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    EXPECT_EQ(size, GetRegionData(region, size, data));
    std::vector<RECT> rects(data->rdh.nCount);
    if (!rects.empty()) std::memcpy(rects.data(), data->Buffer, rects.size() * sizeof(RECT));
    return rects;
}

// The invariants of the banded form: sorted by top then left; one band shares top and
// bottom; spans in a band neither overlap nor touch; touching bands differ.
void ExpectCanonical(const std::vector<RECT>& rects) {
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const RECT& r = rects[i];
        ASSERT_LT(r.left, r.right);
        ASSERT_LT(r.top, r.bottom);
        if (i == 0) continue;
        const RECT& p = rects[i - 1];
        if (r.top == p.top) {
            ASSERT_EQ(r.bottom, p.bottom);
            ASSERT_GT(r.left, p.right);
        } else {
            ASSERT_GE(r.top, p.bottom);
        }
    }
    // Touching bands with the same spans would have been merged.
    std::size_t i = 0;
    std::vector<std::pair<std::size_t, std::size_t>> bands;
    while (i < rects.size()) {
        std::size_t j = i + 1;
        while (j < rects.size() && rects[j].top == rects[i].top)
            ++j;
        bands.push_back({i, j});
        i = j;
    }
    for (std::size_t b = 1; b < bands.size(); ++b) {
        auto [a0, a1] = bands[b - 1];
        auto [b0, b1] = bands[b];
        if (rects[a0].bottom != rects[b0].top || a1 - a0 != b1 - b0) continue;
        bool same = true;
        for (std::size_t k = 0; k < a1 - a0; ++k)
            same = same && rects[a0 + k].left == rects[b0 + k].left &&
                   rects[a0 + k].right == rects[b0 + k].right;
        EXPECT_FALSE(same) << "bands at " << rects[a0].top << " and " << rects[b0].top << " should be one";
    }
}

TEST(RegionShapes, QueriesOverATableOfShapes) {
    struct Case {
        const char* name;
        std::function<HRGN()> make;
        int kind;
        RECT box;
        std::vector<POINT> inside, outside;
    };
    auto combined = [](int l1, int t1, int r1, int b1, int l2, int t2, int r2, int b2, int mode) {
        return [=] {
            HRGN a = CreateRectRgn(l1, t1, r1, b1), b = CreateRectRgn(l2, t2, r2, b2),
                 d = CreateRectRgn(0, 0, 0, 0);
            CombineRgn(d, a, b, mode);
            DeleteObject(a);
            DeleteObject(b);
            return d;
        };
    };
    const std::vector<Case> cases = {
        {"rectangle, edges half-open",
         [] { return CreateRectRgn(2, 3, 10, 8); },
         SIMPLEREGION,
         {2, 3, 10, 8},
         {{2, 3}, {9, 7}},
         {{10, 3}, {2, 8}, {1, 3}, {2, 2}}},
        {"inverted corners normalised",
         [] { return CreateRectRgn(10, 8, 2, 3); },
         SIMPLEREGION,
         {2, 3, 10, 8},
         {{2, 3}},
         {{10, 8}}},
        {"empty rectangle", [] { return CreateRectRgn(4, 4, 4, 9); }, NULLREGION, {0, 0, 0, 0}, {}, {{4, 4}}},
        {"union of overlapping",
         combined(0, 0, 6, 4, 3, 2, 9, 7, RGN_OR),
         COMPLEXREGION,
         {0, 0, 9, 7},
         {{0, 0}, {8, 6}, {5, 3}},
         {{8, 0}, {0, 6}, {9, 6}}},
        {"union of side by side is one rectangle",
         combined(0, 0, 4, 4, 4, 0, 8, 4, RGN_OR),
         SIMPLEREGION,
         {0, 0, 8, 4},
         {{3, 0}, {4, 3}},
         {{8, 0}}},
        {"union of stacked is one rectangle",
         combined(0, 0, 4, 2, 0, 2, 4, 4, RGN_OR),
         SIMPLEREGION,
         {0, 0, 4, 4},
         {{0, 1}, {0, 2}},
         {{0, 4}}},
        {"intersection",
         combined(0, 0, 6, 4, 3, 2, 9, 7, RGN_AND),
         SIMPLEREGION,
         {3, 2, 6, 4},
         {{3, 2}, {5, 3}},
         {{2, 2}, {6, 3}, {3, 4}}},
        {"disjoint intersection is empty",
         combined(0, 0, 2, 2, 5, 5, 7, 7, RGN_AND),
         NULLREGION,
         {0, 0, 0, 0},
         {},
         {{0, 0}, {5, 5}}},
        {"difference with a hole",
         combined(0, 0, 9, 9, 3, 3, 6, 6, RGN_DIFF),
         COMPLEXREGION,
         {0, 0, 9, 9},
         {{2, 4}, {6, 4}, {4, 2}, {4, 6}},
         {{3, 3}, {5, 5}, {4, 4}}},
        {"difference covering all is empty",
         combined(2, 2, 4, 4, 0, 0, 9, 9, RGN_DIFF),
         NULLREGION,
         {0, 0, 0, 0},
         {},
         {{2, 2}}},
        {"exclusive or",
         combined(0, 0, 6, 4, 3, 2, 9, 7, RGN_XOR),
         COMPLEXREGION,
         {0, 0, 9, 7},
         {{0, 0}, {8, 6}, {3, 1}, {6, 2}},
         {{3, 2}, {5, 3}, {8, 0}}},
        {"ellipse",
         [] { return CreateEllipticRgn(0, 0, 8, 8); },
         COMPLEXREGION,
         {0, 0, 8, 8},
         {{3, 0}, {4, 0}, {0, 3}, {7, 4}, {4, 7}},
         {{1, 0}, {6, 0}, {0, 1}, {7, 7}, {8, 4}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rgn r(c.make());
        ASSERT_TRUE((HRGN)r);
        RECT box{};
        EXPECT_EQ(c.kind, GetRgnBox(r, &box));
        EXPECT_TRUE(EqualRect(&box, &c.box))
            << box.left << "," << box.top << "," << box.right << "," << box.bottom;
        for (POINT p : c.inside)
            EXPECT_TRUE(PtInRegion(r, p.x, p.y)) << p.x << "," << p.y;
        for (POINT p : c.outside)
            EXPECT_FALSE(PtInRegion(r, p.x, p.y)) << p.x << "," << p.y;
        ExpectCanonical(RectsOf(r));
    }
}

TEST(RegionShapes, EllipseAndRoundRectPixels) {
    Rgn circle(CreateEllipticRgn(0, 0, 8, 8));
    EXPECT_EQ(Rows({
                  "..####..",
                  ".######.",
                  "########",
                  "########",
                  "########",
                  "########",
                  ".######.",
                  "..####..",
              }),
              RegionMap(circle, 8, 8));
    // Corners of 4x4 pixels: the quarter circles of radius 2 keep the corner pixel out.
    Rgn rounded(CreateRoundRectRgn(0, 0, 10, 6, 4, 4));
    EXPECT_EQ(Rows({
                  ".########.",
                  "##########",
                  "##########",
                  "##########",
                  "##########",
                  ".########.",
              }),
              RegionMap(rounded, 10, 6));
    // A corner of zero size is a rectangle.
    Rgn square(CreateRoundRectRgn(1, 1, 4, 3, 0, 0));
    Rgn rect(CreateRectRgn(1, 1, 4, 3));
    EXPECT_TRUE(EqualRgn(square, rect));
}

TEST(RegionShapes, PolygonFillModes) {
    // A five-pointed star drawn in one stroke: its centre is crossed twice.
    const POINT star[] = {{8, 0}, {13, 16}, {0, 6}, {16, 6}, {3, 16}};
    Rgn alternate(CreatePolygonRgn(star, 5, ALTERNATE));
    Rgn winding(CreatePolygonRgn(star, 5, WINDING));
    EXPECT_FALSE(PtInRegion(alternate, 8, 9));
    EXPECT_TRUE(PtInRegion(winding, 8, 9));
    EXPECT_TRUE(PtInRegion(alternate, 8, 3));
    EXPECT_TRUE(PtInRegion(winding, 8, 3));
    // Winding covers alternate and adds only the centre.
    Rgn extra(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(COMPLEXREGION, CombineRgn(extra, winding, alternate, RGN_DIFF));
    RECT box;
    GetRgnBox(extra, &box);
    EXPECT_GE(box.left, 4);
    EXPECT_LE(box.right, 12);
    Rgn none(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(NULLREGION, CombineRgn(none, alternate, winding, RGN_DIFF));

    // A right triangle: pixel centres on the left edge are in, on the hypotenuse's right
    // side out.
    const POINT triangle[] = {{0, 0}, {6, 6}, {0, 6}};
    Rgn tri(CreatePolygonRgn(triangle, 3, ALTERNATE));
    EXPECT_EQ(Rows({
                  "......",
                  "#.....",
                  "##....",
                  "###...",
                  "####..",
                  "#####.",
              }),
              RegionMap(tri, 6, 6));
    // A rectangle polygon covers the pixels of the half-open rectangle.
    const POINT quad[] = {{1, 1}, {5, 1}, {5, 4}, {1, 4}};
    Rgn q(CreatePolygonRgn(quad, 4, WINDING));
    Rgn r(CreateRectRgn(1, 1, 5, 4));
    EXPECT_TRUE(EqualRgn(q, r));
}

// Every combination of random rectangle sets agrees with a pixel-by-pixel model and keeps
// the banded form.
TEST(RegionAlgebra, AgreesWithAPixelModel) {
    constexpr int N = 24;
    using Bits = std::bitset<N * N>;
    unsigned seed = 12345;
    auto next = [&](int range) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % unsigned(range));
    };
    auto randomRegion = [&](GdiRegion& region, Bits& bits) {
        int count = 1 + next(5);
        for (int i = 0; i < count; ++i) {
            int l = next(N), t = next(N), r = l + 1 + next(N - l), b = t + 1 + next(N - t);
            GdiRegion rect(l, t, r, b);
            bool cut = next(3) == 0;
            region = GdiRegion::Combine(region, rect, cut ? RGN_DIFF : RGN_OR);
            for (int y = t; y < b; ++y)
                for (int x = l; x < r; ++x)
                    bits[std::size_t(y * N + x)] = !cut;
        }
    };
    for (int round = 0; round < 200; ++round) {
        GdiRegion a, b;
        Bits ba, bb;
        randomRegion(a, ba);
        randomRegion(b, bb);
        for (int mode : {RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF}) {
            SCOPED_TRACE(testing::Message() << "round " << round << " mode " << mode);
            GdiRegion c = GdiRegion::Combine(a, b, mode);
            Bits expected = mode == RGN_AND   ? (ba & bb)
                            : mode == RGN_OR  ? (ba | bb)
                            : mode == RGN_XOR ? (ba ^ bb)
                                              : (ba & ~bb);
            for (int y = -1; y <= N; ++y)
                for (int x = -1; x <= N; ++x) {
                    bool want = x >= 0 && y >= 0 && x < N && y < N && expected[std::size_t(y * N + x)];
                    ASSERT_EQ(want, c.Contains(x, y)) << x << "," << y;
                }
            ExpectCanonical(c.Rects());
            // The same set built from its pixels has the same rectangles.
            GdiRegionBuilder builder;
            for (int y = 0; y < N; ++y)
                for (int x = 0; x < N; ++x)
                    if (expected[std::size_t(y * N + x)]) builder.AddSpan(y, x, x + 1);
            ASSERT_TRUE(builder.Build() == c);
        }
    }
}

// Clipping to a rectangle, either operand: rectangles that overlap, touch or miss each other, a
// banded region inside the rectangle, one reaching out of it, and empty operands; the result is
// the pixels both hold, in the canonical form the same pixels always give.
TEST(RegionAlgebra, ClippingToARectangle) {
    auto banded = [](std::initializer_list<RECT> rects) {
        GdiRegion region;
        for (const RECT& r : rects)
            region = GdiRegion::Combine(region, GdiRegion(r), RGN_OR);
        return region;
    };
    const GdiRegion ring = GdiRegion::Combine(GdiRegion(4, 4, 14, 14), GdiRegion(7, 7, 10, 10), RGN_DIFF);
    const struct {
        const char* name;
        GdiRegion rect, other;
    } cases[] = {
        {"overlapping rectangles", GdiRegion(2, 3, 12, 9), GdiRegion(5, 1, 20, 6)},
        {"one rectangle inside the other", GdiRegion(0, 0, 20, 20), GdiRegion(5, 5, 6, 6)},
        {"rectangles touching at an edge", GdiRegion(0, 0, 10, 10), GdiRegion(10, 0, 20, 10)},
        {"rectangles apart", GdiRegion(0, 0, 5, 5), GdiRegion(8, 8, 12, 12)},
        {"a ring inside the rectangle", GdiRegion(2, 2, 16, 16), ring},
        {"a ring exactly as large as the rectangle", GdiRegion(4, 4, 14, 14), ring},
        {"a ring reaching out of the rectangle", GdiRegion(6, 0, 20, 12), ring},
        {"bands inside the rectangle", GdiRegion(0, 0, 24, 24), banded({{1, 1, 5, 3}, {8, 1, 12, 3}, {3, 3, 20, 9}})},
        {"the rectangle in a hole of the region", GdiRegion(8, 8, 9, 9), ring},
        {"an empty region", GdiRegion(0, 0, 10, 10), GdiRegion()},
    };
    constexpr int N = 24;
    for (const auto& c : cases) {
        for (bool rectFirst : {true, false}) {
            SCOPED_TRACE(testing::Message() << c.name << (rectFirst ? ", rectangle first" : ", rectangle second"));
            const GdiRegion& a = rectFirst ? c.rect : c.other;
            const GdiRegion& b = rectFirst ? c.other : c.rect;
            const GdiRegion clipped = GdiRegion::Combine(a, b, RGN_AND);
            GdiRegionBuilder builder;
            for (int y = -1; y <= N; ++y)
                for (int x = -1; x <= N; ++x) {
                    const bool both = a.Contains(x, y) && b.Contains(x, y);
                    ASSERT_EQ(both, clipped.Contains(x, y)) << x << "," << y;
                    if (both) builder.AddSpan(y, x, x + 1);
                }
            ExpectCanonical(clipped.Rects());
            EXPECT_TRUE(builder.Build() == clipped);
            // The same as taking away from one what the other lacks.
            EXPECT_TRUE(GdiRegion::Combine(a, GdiRegion::Combine(a, b, RGN_DIFF), RGN_DIFF) == clipped);
        }
    }
}

TEST(RegionCalls, RegionDataOffsetAndSetRect) {
    Rgn r(CreateRectRgn(0, 0, 6, 2));
    Rgn lower(CreateRectRgn(2, 2, 4, 5));
    ASSERT_EQ(COMPLEXREGION, CombineRgn(r, r, lower, RGN_OR));
    std::vector<RECT> rects = RectsOf(r);
    ASSERT_EQ(2u, rects.size());
    EXPECT_TRUE(EqualRect(&rects[0], std::vector<RECT>{{0, 0, 6, 2}}.data()));
    EXPECT_TRUE(EqualRect(&rects[1], std::vector<RECT>{{2, 2, 4, 5}}.data()));

    // Header, sizes and the too-small buffer.
    DWORD size = GetRegionData(r, 0, nullptr);
    EXPECT_EQ(sizeof(RGNDATAHEADER) + 2 * sizeof(RECT), size);
    std::vector<char> buffer(size + 16, 0x55);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    EXPECT_EQ(size, GetRegionData(r, size - 1, data));
    EXPECT_EQ(0x55, buffer[0]);
    EXPECT_EQ(size + 16, GetRegionData(r, size + 16, data));
    EXPECT_EQ(sizeof(RGNDATAHEADER), data->rdh.dwSize);
    EXPECT_EQ(RDH_RECTANGLES, data->rdh.iType);
    EXPECT_EQ(2u, data->rdh.nCount);
    EXPECT_EQ(2 * sizeof(RECT), data->rdh.nRgnSize);
    RECT bound{0, 0, 6, 5};
    EXPECT_TRUE(EqualRect(&data->rdh.rcBound, &bound));

    EXPECT_EQ(COMPLEXREGION, OffsetRgn(r, 10, -1));
    RECT box;
    GetRgnBox(r, &box);
    RECT moved{10, -1, 16, 4};
    EXPECT_TRUE(EqualRect(&box, &moved));
    EXPECT_TRUE(PtInRegion(r, 12, 3));
    EXPECT_FALSE(PtInRegion(r, 10, 3));
    // A move out of the coordinate range is refused and changes nothing.
    EXPECT_EQ(ERROR, OffsetRgn(r, 0x7FFFFFF0, 0));
    GetRgnBox(r, &box);
    EXPECT_TRUE(EqualRect(&box, &moved));

    RECT probe{0, 0, 11, 1};
    EXPECT_TRUE(RectInRegion(r, &probe));
    RECT miss{0, 0, 10, 10};
    EXPECT_FALSE(RectInRegion(r, &miss));

    EXPECT_TRUE(SetRectRgn(r, 5, 5, 1, 1));
    EXPECT_EQ(SIMPLEREGION, GetRgnBox(r, &box));
    RECT set{1, 1, 5, 5};
    EXPECT_TRUE(EqualRect(&box, &set));

    Rgn copy(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(SIMPLEREGION, CombineRgn(copy, r, nullptr, RGN_COPY));
    EXPECT_TRUE(EqualRgn(copy, r));
    EXPECT_EQ(ERROR, CombineRgn(copy, r, nullptr, RGN_OR));
    EXPECT_EQ(ERROR, CombineRgn(copy, r, r, 9));
    EXPECT_EQ(OBJ_REGION, GetObjectType(copy));
}

} // namespace
