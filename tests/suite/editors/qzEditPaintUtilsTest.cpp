// The solid brush cache: system colours through the system's brushes, other colours through a
// cache of 128 that evicts the least-used (then the lowest) colour and empties itself when the
// system colours change.
#include <gtest/gtest.h>

#include <vector>

#include "platform/winapi/Gdi.h"
#include "platform/winapi/SysColors.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzEditPaintUtils.h"

namespace {

// The colour of a brush, or -1 when the handle is no brush (any more).
Integer BrushColour(HBRUSH brush) {
    LOGBRUSH logBrush{};
    if (GetObjectA(brush, sizeof(logBrush), &logBrush) != sizeof(logBrush)) return -1;
    return Integer(logBrush.lbColor);
}

class SolidBrushCache : public ::testing::Test {
protected:
    void SetUp() override {
        EditPaintUtilsFinalize();
        EditPaintUtilsInitialize();
    }
    void TearDown() override { EditPaintUtilsFinalize(); }

    // Asks for each colour once, in the given order.
    std::vector<HBRUSH> FillWith(const std::vector<TColor>& colours) {
        std::vector<HBRUSH> brushes;
        for (TColor colour : colours)
            brushes.push_back(GetCachedSolidBrush(colour));
        return brushes;
    }
};

std::vector<TColor> DescendingColours() {
    std::vector<TColor> colours;
    for (TColor c = 128; c >= 1; --c)
        colours.push_back(c);
    return colours;
}

TEST_F(SolidBrushCache, AFullCacheEvictsTheLeastUsedThenLowestColourNotTheOldest) {
    const std::vector<TColor> colours = DescendingColours(); // 128 is the oldest, 1 the lowest
    const std::vector<HBRUSH> brushes = FillWith(colours);
    ASSERT_EQ(128, GetSolidBrushCache()->GetDepth());
    for (std::size_t i = 0; i < colours.size(); ++i)
        ASSERT_EQ(colours[i], BrushColour(brushes[i]));

    HBRUSH fresh = GetCachedSolidBrush(0x010203);
    EXPECT_EQ(0x010203, BrushColour(fresh));
    EXPECT_EQ(128, GetSolidBrushCache()->GetDepth());
    // Colour 1 went (its brush deleted, unless the new brush now has its handle); all others,
    // the oldest included, keep their brushes.
    EXPECT_TRUE(BrushColour(brushes[127]) == -1 || brushes[127] == fresh);
    for (std::size_t i = 0; i < 127; ++i)
        EXPECT_EQ(colours[i], BrushColour(brushes[i])) << colours[i];
    EXPECT_EQ(brushes[0], GetCachedSolidBrush(128));
}

TEST_F(SolidBrushCache, AColourAskedAgainSurvivesLaterEvictions) {
    const std::vector<TColor> colours = DescendingColours();
    const std::vector<HBRUSH> brushes = FillWith(colours);
    EXPECT_EQ(brushes[127], GetCachedSolidBrush(1)); // colour 1 is used once more
    EXPECT_EQ(brushes[126], GetCachedSolidBrush(2)); // and colour 2

    // Among the entries never asked again the lowest colours go first: 3, 4, then 5.
    GetCachedSolidBrush(0x400000);
    GetCachedSolidBrush(0x500000);
    GetCachedSolidBrush(0x600000);
    EXPECT_EQ(1, BrushColour(brushes[127]));
    EXPECT_EQ(2, BrushColour(brushes[126]));
    EXPECT_EQ(128, GetSolidBrushCache()->GetDepth());
    EXPECT_EQ(brushes[127], GetCachedSolidBrush(1));
    EXPECT_EQ(brushes[126], GetCachedSolidBrush(2));
    EXPECT_EQ(brushes[0], GetCachedSolidBrush(128));
    EXPECT_NE(5, BrushColour(brushes[123])); // 5 went
}

TEST_F(SolidBrushCache, SystemColoursUpToIndex30ComeFromTheSystemBrushes) {
    const struct {
        Cardinal Colour;
        bool System;
    } cases[] = {{0xFF000000u, true},  {0xFF00000Fu, true},  {0xFF00001Eu, true}, {0xFF00001Fu, false},
                 {0xFF000100u, false}, {0xFEFFFFFFu, false}, {0x00FFFFFFu, false}};
    for (const auto& c : cases) {
        const Integer before = GetSolidBrushCache()->GetDepth();
        HBRUSH brush = GetCachedSolidBrush(TColor(c.Colour));
        ASSERT_NE(nullptr, brush);
        if (c.System) {
            EXPECT_EQ(GetSysColorBrush(int(c.Colour & 0xFF)), brush) << std::hex << c.Colour;
            EXPECT_EQ(before, GetSolidBrushCache()->GetDepth()) << std::hex << c.Colour;
        } else {
            EXPECT_EQ(before + 1, GetSolidBrushCache()->GetDepth()) << std::hex << c.Colour;
            EXPECT_NE(-1, BrushColour(brush));
        }
    }
    EXPECT_EQ(GetCachedSolidBrush(0x123456), GetCanvasSolidBrush(static_cast<TCanvas*>(nullptr), 0x123456));
}

TEST_F(SolidBrushCache, ASystemColourChangeEmptiesTheCache) {
    HBRUSH red = GetCachedSolidBrush(0x0000FF);
    GetCachedSolidBrush(0x00FF00);
    HBRUSH face = GetCachedSolidBrush(TColor(0xFF00000Fu));
    ASSERT_EQ(2, GetSolidBrushCache()->GetDepth());

    SendMessageA(HWND_BROADCAST, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(0, GetSolidBrushCache()->GetDepth());
    EXPECT_EQ(-1, BrushColour(red));
    EXPECT_NE(-1, BrushColour(face));
    EXPECT_EQ(face, GetCachedSolidBrush(TColor(0xFF00000Fu)));
    EXPECT_EQ(0x0000FF, BrushColour(GetCachedSolidBrush(0x0000FF)));
    EXPECT_EQ(1, GetSolidBrushCache()->GetDepth());
}

TEST(SolidBrushCacheOwn, ASmallCacheKeepsItsColoursInOrderAndFreesItsBrushes) {
    std::vector<HBRUSH> brushes;
    {
        TqzSolidBrushCache cache(3);
        brushes = {cache.GetBrush(30), cache.GetBrush(10), cache.GetBrush(20)};
        cache.GetBrush(30);
        cache.GetBrush(5); // evicts 10, the lowest of the unused
        EXPECT_NE(10, BrushColour(brushes[1]));
        EXPECT_EQ(brushes[0], cache.GetBrush(30));
        EXPECT_EQ(brushes[2], cache.GetBrush(20));
        EXPECT_EQ(3, cache.GetDepth());
        brushes.push_back(cache.GetBrush(5));
    }
    EXPECT_EQ(-1, BrushColour(brushes[0]));
    EXPECT_EQ(-1, BrushColour(brushes[2]));
    EXPECT_EQ(-1, BrushColour(brushes[3]));
}

} // namespace
