// Button glyphs: the glyph count a strip gives, the image of each state (the generated disabled
// images pixel by pixel), glyph lists shared by size and freed with their last user, and the
// placement of glyph and caption.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/winapi/GdiText.h"
#include "suite/controls/qzButtons.h"

namespace {

const std::map<char, TColor>& Palette() {
    static const std::map<char, TColor> palette{{'R', clRed},   {'B', clBlue},  {'W', clWhite}, {'K', clBlack},
                                                {'o', clOlive}, {'g', clGray},  {'c', clAqua}};
    return palette;
}

std::unique_ptr<TBitmap> MakeBitmap(const std::vector<std::string>& rows) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(Integer(rows[0].size()), Integer(rows.size()));
    for (Integer y = 0; y < Integer(rows.size()); ++y)
        for (Integer x = 0; x < Integer(rows[std::size_t(y)].size()); ++x)
            bitmap->GetCanvas()->SetPixels(x, y, Palette().at(rows[std::size_t(y)][std::size_t(x)]));
    return bitmap;
}

std::unique_ptr<TBitmap> Blank(Integer w, Integer h) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(w, h);
    return bitmap;
}

// What the glyph paints for a state over an aqua square, one letter a pixel: H, S and F for the
// button highlight, shadow and face colours, palette letters for the rest.
std::string Painted(TqzButtonGlyph& glyph, TqzButtonState state, Integer w, Integer h) {
    TBitmap target;
    target.SetSize(w, h);
    target.GetCanvas()->GetBrush()->SetColor(clAqua);
    target.GetCanvas()->FillRect(TRect{0, 0, w, h});
    glyph.PaintGlyph(target.GetCanvas(), TPoint{0, 0}, state);
    std::string out;
    for (Integer y = 0; y < h; ++y) {
        if (y) out += '|';
        for (Integer x = 0; x < w; ++x) {
            const TColor c = ColorToRGB(target.GetCanvas()->GetPixels(x, y));
            char letter = '?';
            for (const auto& [l, color] : Palette())
                if (ColorToRGB(color) == c) letter = l;
            if (c == ColorToRGB(clBtnFace)) letter = 'F';
            else if (c == ColorToRGB(clBtnHighlight)) letter = 'H';
            else if (c == ColorToRGB(clBtnShadow)) letter = 'S';
            out += letter;
        }
    }
    return out;
}

TEST(ButtonGlyph, AStripOfSquareColumnsSetsTheGlyphCount) {
    const struct {
        Integer Width, Height, Before, After;
    } cases[] = {
        {64, 16, 1, 4}, // four 16 x 16 glyphs
        {80, 16, 1, 1}, // five squares: one glyph of 80 x 16
        {50, 16, 2, 2}, // not a whole multiple: unchanged
        {32, 16, 3, 2},
        {16, 16, 4, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.Width) + "x" + std::to_string(c.Height));
        TqzButtonGlyph glyph;
        glyph.SetNumGlyphs(c.Before);
        auto bitmap = Blank(c.Width, c.Height);
        glyph.SetGlyph(bitmap.get());
        EXPECT_EQ(c.After, glyph.GetNumGlyphs());
        EXPECT_EQ(c.Width, glyph.GetGlyph()->GetWidth());
    }
    TqzButtonGlyph glyph;
    glyph.SetNumGlyphs(3);
    glyph.SetGlyph(nullptr); // an empty bitmap, the count kept
    EXPECT_EQ(0, glyph.GetGlyph()->GetWidth());
    EXPECT_EQ(3, glyph.GetNumGlyphs());
    EXPECT_EQ(-1, glyph.ImageIndexForState(qzbsNormal));
    glyph.SetNumGlyphs(0); // ignored
    EXPECT_EQ(3, glyph.GetNumGlyphs());
}

TEST(ButtonGlyph, OneColumnShowsTheUpImagePressedAndAnEmbossedImageDisabled) {
    auto bitmap = MakeBitmap({"KRRo", "RKRo", "RRKo", "oooo"});
    TqzButtonGlyph glyph;
    glyph.SetGlyph(bitmap.get());
    ASSERT_EQ(1, glyph.GetNumGlyphs());

    // The up image is masked by its bottom-left colour.
    EXPECT_EQ("KRRc|RKRc|RRKc|cccc", Painted(glyph, qzbsNormal, 4, 4));
    EXPECT_EQ(glyph.ImageIndexForState(qzbsNormal), glyph.ImageIndexForState(qzbsPressed));
    EXPECT_EQ(glyph.ImageIndexForState(qzbsNormal), glyph.ImageIndexForState(qzbsHot));
    EXPECT_EQ(glyph.ImageIndexForState(qzbsNormal), glyph.ImageIndexForState(qzbsDefault));
    // The black pixels in highlight one pixel down and right, then in shadow; the face is clear.
    EXPECT_EQ("Sccc|cScc|ccSc|cccH", Painted(glyph, qzbsDisabled, 4, 4));
    EXPECT_NE(glyph.ImageIndexForState(qzbsNormal), glyph.ImageIndexForState(qzbsDisabled));
}

TEST(ButtonGlyph, ThreeColumnsShowColumnTwoPressedAndColumnOneRecolouredDisabled) {
    // Column 0 red, column 1 white, grey and olive on red, column 2 blue.
    auto bitmap = MakeBitmap({"RRRRWgoRBBBB", "RRRRRRRRBBBB", "RRRRgWRRBBBB", "oRRRoRRRoBBB"});
    TqzButtonGlyph glyph;
    glyph.SetGlyph(bitmap.get());
    ASSERT_EQ(3, glyph.GetNumGlyphs());

    EXPECT_EQ("RRRR|RRRR|RRRR|cRRR", Painted(glyph, qzbsNormal, 4, 4));
    EXPECT_EQ("BBBB|BBBB|BBBB|cBBB", Painted(glyph, qzbsPressed, 4, 4));
    // White to highlight, grey to shadow, olive to the face (transparent, as the bottom-left is).
    EXPECT_EQ("HScR|RRRR|SHRR|cRRR", Painted(glyph, qzbsDisabled, 4, 4));

    // Two columns: pressed falls back to the up image, disabled is column 1.
    glyph.SetNumGlyphs(2);
    auto two = MakeBitmap({"RRBB", "oRoB"});
    glyph.SetGlyph(two.get());
    ASSERT_EQ(2, glyph.GetNumGlyphs()); // two squares: the strip sets the count
    EXPECT_EQ(glyph.ImageIndexForState(qzbsNormal), glyph.ImageIndexForState(qzbsPressed));
    EXPECT_EQ("BB|cB", Painted(glyph, qzbsDisabled, 2, 2));
}

TEST(ButtonGlyph, AStripNarrowerThanItsGlyphCountHasNoImage) {
    auto bitmap = Blank(3, 16);
    TqzButtonGlyph glyph;
    glyph.SetGlyph(bitmap.get());
    glyph.SetNumGlyphs(4);
    EXPECT_EQ(-1, glyph.ImageIndexForState(qzbsNormal));
    EXPECT_EQ(-1, glyph.ImageIndexForState(qzbsDisabled));
    EXPECT_EQ(nullptr, glyph.GetGlyphList());
}

TEST(ButtonGlyph, GlyphsOfOneSizeShareAListFreedWithItsLastUser) {
    ASSERT_EQ(nullptr, GlyphCache());
    auto bitmap = Blank(16, 16);
    auto first = std::make_unique<TqzButtonGlyph>();
    auto second = std::make_unique<TqzButtonGlyph>();
    ASSERT_NE(nullptr, GlyphCache());
    first->SetGlyph(bitmap.get());
    second->SetGlyph(bitmap.get());
    const Integer a = first->ImageIndexForState(qzbsNormal);
    const Integer b = second->ImageIndexForState(qzbsNormal);
    ASSERT_NE(nullptr, first->GetGlyphList());
    EXPECT_EQ(first->GetGlyphList(), second->GetGlyphList());
    EXPECT_NE(a, b);
    EXPECT_EQ(1, GlyphCache()->Count());
    TqzGlyphList* list = first->GetGlyphList();
    EXPECT_EQ(2, list->GetUseCount());

    // A released slot is reused by the next image of that size.
    first->ReleaseImages();
    EXPECT_EQ(1, list->GetUseCount());
    EXPECT_FALSE(list->IsSlotUsed(a));
    EXPECT_EQ(a, first->ImageIndexForState(qzbsNormal));
    EXPECT_EQ(2, list->GetCount());

    // Another size: a list of its own.
    auto wide = Blank(20, 10);
    TqzButtonGlyph third;
    third.SetGlyph(wide.get());
    third.ImageIndexForState(qzbsDisabled);
    EXPECT_EQ(2, GlyphCache()->Count());
    third.SetGlyph(nullptr);
    EXPECT_EQ(1, GlyphCache()->Count());

    first.reset();
    ASSERT_NE(nullptr, GlyphCache());
    EXPECT_EQ(1, GlyphCache()->Count());
    // The last list gone, the cache goes too; an image made later brings it back.
    second.reset();
    EXPECT_EQ(nullptr, GlyphCache());
    third.SetGlyph(wide.get());
    EXPECT_NE(-1, third.ImageIndexForState(qzbsNormal));
    ASSERT_NE(nullptr, GlyphCache());
    EXPECT_EQ(1, GlyphCache()->Count());
}

TEST(ButtonGlyph, TheCacheGoesWithTheLastGlyphObject) {
    {
        TqzButtonGlyph glyph;
        auto bitmap = Blank(16, 16);
        glyph.SetGlyph(bitmap.get());
        glyph.ImageIndexForState(qzbsHot);
        EXPECT_EQ(1, GlyphCache()->Count());
    }
    EXPECT_EQ(nullptr, GlyphCache());
}

TEST(ButtonGlyph, AChangedBitmapOrCountReleasesTheImagesAndNotifies) {
    struct Counter : TObject {
        void Changed(TObject*) { ++Count; }
        int Count = 0;
    } counter;
    TqzButtonGlyph glyph;
    glyph.OnChange = TNotifyEvent(&counter, &Counter::Changed);
    auto bitmap = Blank(32, 16);
    glyph.SetGlyph(bitmap.get());
    EXPECT_GE(counter.Count, 1);
    glyph.ImageIndexForState(qzbsNormal);
    ASSERT_NE(-1, glyph.GetImageIndex(qzikUp));
    const int before = counter.Count;
    glyph.SetNumGlyphs(1);
    EXPECT_EQ(before + 1, counter.Count);
    EXPECT_EQ(-1, glyph.GetImageIndex(qzikUp));
    EXPECT_EQ(nullptr, glyph.GetGlyphList());
}

// ---- Placement -------------------------------------------------------------------------------------

class GlyphPlacement : public ::testing::Test {
protected:
    void SetUp() override {
        Canvas.SetSize(10, 10);
        Measure("OK", TextW, TextH);
    }
    void Measure(const String& text, Integer& w, Integer& h) {
        RECT r{0, 0, 100, 0};
        DrawTextA(Canvas.GetCanvas()->GetHandle(), text.c_str(), int(text.size()), &r, DT_CALCRECT);
        w = r.right - r.left;
        h = r.bottom - r.top;
    }
    void Place(TqzButtonGlyph& glyph, const TRect& client, TButtonLayout layout, Integer margin, Integer spacing,
               UINT flags = 0, const TPoint& offset = TPoint{0, 0}, const String& caption = "OK") {
        glyph.CalcPlacement(Canvas.GetCanvas(), client, offset, caption, layout, margin, spacing, flags, false,
                            GlyphPos, Text);
    }

    TBitmap Canvas;
    Integer TextW = 0, TextH = 0;
    TPoint GlyphPos;
    TRect Text;
};

TEST_F(GlyphPlacement, CaptionOnlyIsCentredWithOnePixelBeforeAndTwoAfter) {
    TqzButtonGlyph glyph;
    Place(glyph, TRect{0, 0, 100, 30}, blGlyphLeft, -1, 4);
    // Spacing drops to 0; the caption counts 1 + width + 2 and is centred on that.
    const Integer margin = (100 - (TextW + 3)) / 2;
    EXPECT_EQ(margin + 1, Text.left);
    EXPECT_EQ(margin + 1 + TextW, Text.right);
    EXPECT_EQ((30 - TextH - 1) / 2, Text.top);
    EXPECT_EQ(TextH, Text.bottom - Text.top);

    // The client's origin and the offset move both the glyph position and the text.
    TRect moved;
    TPoint movedGlyph;
    glyph.CalcPlacement(Canvas.GetCanvas(), TRect{5, 7, 105, 37}, TPoint{1, 1}, "OK", blGlyphLeft, -1, 4, 0, false,
                        movedGlyph, moved);
    EXPECT_EQ(Text.left + 6, moved.left);
    EXPECT_EQ(Text.top + 8, moved.top);
    EXPECT_EQ(GlyphPos.x + 6, movedGlyph.x);

    // No caption: an empty text rectangle at the text position.
    Place(glyph, TRect{0, 0, 100, 30}, blGlyphLeft, -1, 4, 0, TPoint{0, 0}, "");
    EXPECT_EQ(Text.left, Text.right);
    EXPECT_EQ(Text.top, Text.bottom);
}

TEST_F(GlyphPlacement, MarginAndSpacingOnEachLayout) {
    auto bitmap = Blank(16, 16);
    TqzButtonGlyph glyph;
    glyph.SetGlyph(bitmap.get());
    const TRect client{0, 0, 120, 60};
    const struct {
        const char* Name;
        TButtonLayout Layout;
        Integer Margin, Spacing;
        UINT Flags;
        Integer GlyphX, GlyphY, TextX, TextY;
    } cases[] = {
        // Automatic margin and spacing: thirds of the free width.
        {"left -1 -1", blGlyphLeft, -1, -1, 0, (120 - 16 - TextW) / 3, (60 - 16) / 2,
         2 * ((120 - 16 - TextW) / 3) + 16, (60 - TextH - 1) / 2},
        // Automatic margin, given spacing: the whole centred.
        {"left -1 4", blGlyphLeft, -1, 4, 0, (120 - 20 - TextW) / 2, (60 - 16) / 2, (120 - 20 - TextW) / 2 + 20,
         (60 - TextH - 1) / 2},
        // Given margin, automatic spacing: the text centred in the rest.
        {"left 5 -1", blGlyphLeft, 5, -1, 0, 5, (60 - 16) / 2, 5 + 16 + (120 - 21 - TextW) / 2,
         (60 - TextH - 1) / 2},
        {"right 5 4", blGlyphRight, 5, 4, 0, 5 + TextW + 4, (60 - 16) / 2, 5, (60 - TextH - 1) / 2},
        // DT_RIGHT swaps the sides.
        {"left 5 4 rtl", blGlyphLeft, 5, 4, DT_RIGHT, 5 + TextW + 4, (60 - 16) / 2, 5, (60 - TextH - 1) / 2},
        {"right 5 4 rtl", blGlyphRight, 5, 4, DT_RIGHT, 5, (60 - 16) / 2, 25, (60 - TextH - 1) / 2},
        {"top 3 2", blGlyphTop, 3, 2, 0, (120 - 16) / 2, 3, (120 - TextW) / 2, 3 + 16 + 2},
        {"bottom 3 2", blGlyphBottom, 3, 2, 0, (120 - 16) / 2, 3 + TextH + 2, (120 - TextW) / 2, 3},
        {"top -1 -1", blGlyphTop, -1, -1, 0, (120 - 16) / 2, (60 - 16 - TextH) / 3, (120 - TextW) / 2,
         2 * ((60 - 16 - TextH) / 3) + 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Place(glyph, client, c.Layout, c.Margin, c.Spacing, c.Flags);
        EXPECT_EQ(c.GlyphX, GlyphPos.x);
        EXPECT_EQ(c.GlyphY, GlyphPos.y);
        EXPECT_EQ(c.TextX, Text.left);
        EXPECT_EQ(c.TextY, Text.top);
    }
}

TEST_F(GlyphPlacement, WordWrapOnlyWithoutAGlyph) {
    TqzButtonGlyph glyph;
    EXPECT_TRUE(glyph.UsesWordWrap(true));
    EXPECT_FALSE(glyph.UsesWordWrap(false));
    Integer wideW = 0, wideH = 0;
    Measure("Connect the radio", wideW, wideH);
    const Integer width = wideW / 2 + 3;
    TPoint pos;
    TRect text;
    glyph.CalcPlacement(Canvas.GetCanvas(), TRect{0, 0, width, 60}, TPoint{0, 0}, "Connect the radio", blGlyphLeft,
                        -1, 4, 0, true, pos, text);
    EXPECT_GE(text.bottom - text.top, 2 * wideH); // wrapped

    auto bitmap = Blank(16, 16);
    glyph.SetGlyph(bitmap.get());
    EXPECT_FALSE(glyph.UsesWordWrap(true));
    glyph.CalcPlacement(Canvas.GetCanvas(), TRect{0, 0, width, 60}, TPoint{0, 0}, "Connect the radio", blGlyphLeft,
                        -1, 4, 0, true, pos, text);
    EXPECT_EQ(wideH, text.bottom - text.top); // one line
    // With a glyph nothing is counted around the caption.
    const TRect margins = glyph.GetCaptionMargins(blGlyphLeft);
    EXPECT_EQ(0, margins.left + margins.top + margins.right + margins.bottom);
}

} // namespace
