// The ultra-flat and office painters: their answers, frames, group buttons, drop-down buttons,
// header frames, gradient cells and bitmap expand buttons. System colours are set to distinct
// values, and the office colours come from the blue scheme table (visual styles active through
// the stand-in, showing the standard style in its normal colours).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/classlib/ImgList.h"
#include "platform/winapi/SysColors.h"
#include "platform/winapi/Theme.h"
#include "suite/foundation/qzLookAndFeelPainters.h"
#include "suite/foundation/ybOffice11.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

using TPainter = TqzLookAndFeelPainterClass;

const TqzUltraFlatLookAndFeelPainter* UltraFlat() {
    return static_cast<const TqzUltraFlatLookAndFeelPainter*>(PainterClass<TqzUltraFlatLookAndFeelPainter>());
}
const TqzOffice11LookAndFeelPainter* Office() {
    return static_cast<const TqzOffice11LookAndFeelPainter*>(PainterClass<TqzOffice11LookAndFeelPainter>());
}

constexpr TColor kPaper = 0x00FF00;

TColor Rgb(TColor color) { return TColor(ColorToRGB(color)); }

class OfficePainterTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::vector<std::pair<int, COLORREF>> colors = {
            {COLOR_BTNFACE, 0xC0C0C0},   {COLOR_BTNSHADOW, 0x808080},   {COLOR_BTNHIGHLIGHT, 0xFFFFFF},
            {COLOR_3DLIGHT, 0xE0E0E0},   {COLOR_3DDKSHADOW, 0x404040},  {COLOR_BTNTEXT, 0x102030},
            {COLOR_WINDOW, 0xF0FFF0},    {COLOR_WINDOWTEXT, 0x200000},  {COLOR_GRAYTEXT, 0x707070},
            {COLOR_HIGHLIGHT, 0x803000}, {COLOR_WINDOWFRAME, 0x000040}, {COLOR_HIGHLIGHTTEXT, 0xFEFEFE},
        };
        for (const auto& [index, value] : colors) {
            FIndices.push_back(index);
            FSaved.push_back(GetSysColor(index));
            FValues.push_back(value);
        }
        SetSysColors(int(FIndices.size()), FIndices.data(), FValues.data());
        ThemeManagerFinalize();
        UxThemeInitialize();
        Fake.emplace();
        Fake->FileName = u"Luna.msstyles";
        Fake->ColorName = u"NormalColor";
        ThemeManagerInitialize();
        AcquireOfficeSchemeColors();
        RebuildOfficeSchemeColors();
        NewSheet(64, 48);
    }
    void TearDown() override {
        Canvas.reset();
        Bitmap.reset();
        ReleaseOfficeSchemeColors();
        ThemeManagerFinalize();
        Fake.reset();
        UxThemeInitialize();
        SetSysColors(int(FIndices.size()), FIndices.data(), FSaved.data());
        RebuildOfficeSchemeColors();
    }

    // Visual styles off again (the office colours are then mixed from the system colours).
    void ThemesOff() {
        ThemeManagerFinalize();
        Fake.reset();
        UxThemeInitialize();
        RebuildOfficeSchemeColors();
    }

    void NewSheet(int width, int height, TColor paper = kPaper) {
        Canvas.reset();
        Bitmap = std::make_unique<TBitmap>();
        Bitmap->SetPixelFormat(pf32bit);
        Bitmap->SetSize(width, height);
        Canvas = std::make_unique<TqzCanvas>(Bitmap->GetCanvas());
        TCanvas* c = Bitmap->GetCanvas();
        c->GetBrush()->SetStyle(bsSolid);
        c->GetBrush()->SetColor(paper);
        c->FillRect(TRect{0, 0, width, height});
    }
    TColor At(int x, int y) { return Bitmap->GetCanvas()->GetPixels(x, y); }
    // The colour of a one-pixel ring, or clNone when its pixels differ.
    TColor RingColor(const TRect& r) {
        const TColor first = At(r.left, r.top);
        for (int x = r.left; x < r.right; ++x)
            if (At(x, r.top) != first || At(x, r.bottom - 1) != first) return clNone;
        for (int y = r.top; y < r.bottom; ++y)
            if (At(r.left, y) != first || At(r.right - 1, y) != first) return clNone;
        return first;
    }
    std::vector<TColor> Pixels() {
        std::vector<TColor> all;
        for (int y = 0; y < Bitmap->GetHeight(); ++y)
            for (int x = 0; x < Bitmap->GetWidth(); ++x)
                all.push_back(At(x, y));
        return all;
    }

    std::unique_ptr<TBitmap> Bitmap;
    std::unique_ptr<TqzCanvas> Canvas;
    std::optional<TThemeFake> Fake;

private:
    std::vector<int> FIndices;
    std::vector<COLORREF> FSaved, FValues;
};

bool Between(Byte value, Byte a, Byte b) { return value >= std::min(a, b) && value <= std::max(a, b); }

} // namespace

TEST_F(OfficePainterTest, AnswersOfBothPainters) {
    ASSERT_TRUE(OfficeSchemeColorsActive());
    struct Case {
        const char* Name;
        TPainter Painter;
        int Style, SmallExpand;
        bool BeforeLines, Flag115;
        TqzSides EdgesWithLeftTop;
    };
    const std::vector<Case> cases = {
        {"ultra-flat", UltraFlat(), 2, 9, true, false, qzsRight | qzsBottom},
        {"office", Office(), 4, 11, false, true, qzsAll},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TPainter p = c.Painter;
        EXPECT_EQ(c.Style, p->PainterStyleCode());
        EXPECT_EQ(1, p->ControlBorderWidth());
        EXPECT_EQ(2, p->ButtonBorderWidth(qzbsDefault));
        EXPECT_EQ(1, p->ButtonBorderWidth(qzbsHot));
        EXPECT_EQ(11, p->TreeExpandButtonExtent());
        EXPECT_EQ(c.SmallExpand, p->SmallExpandButtonExtent());
        EXPECT_EQ(c.BeforeLines, p->ExpandButtonBeforeLines());
        EXPECT_EQ(c.Flag115, p->StyleFlag115());
        EXPECT_EQ(c.EdgesWithLeftTop, p->HeaderEdgesFor(qzsLeft | qzsTop | qzsRight));
        EXPECT_TRUE(p->HotTracksButtons());
        EXPECT_EQ(qzbsNormal, p->ButtonGlyphState(qzbsPressed));
        EXPECT_EQ(0, p->ButtonCaptionPressShift());
        EXPECT_EQ(7, p->SortArrowExtent().cx);
        EXPECT_EQ(8, p->SortArrowExtent().cy);
        EXPECT_EQ(16, p->CloseButtonExtent().cx);
        EXPECT_EQ(15, p->CloseButtonExtent().cy);
        EXPECT_EQ(12, p->MarkButtonExtent().cx);
        EXPECT_EQ(TColor(0x800000), p->PaletteColor16());
        const TRect focus = p->CalcButtonFocusBounds(nullptr, TRect{0, 0, 20, 10});
        EXPECT_EQ(3, focus.left);
        EXPECT_EQ(7, focus.bottom);
        EXPECT_EQ(6, p->CalcButtonFocusBounds(nullptr, TRect{0, 0, 20, 6}).bottom) << "too small: the bounds";
    }
    EXPECT_EQ(Blend(SchemeColor19, SchemeColor20, 50), Office()->BlendedColor165());
    EXPECT_EQ(SchemeColor33, Office()->FooterLineColor());
    EXPECT_EQ(SchemeColor21, Office()->PaletteColor27(qzbsHot, clRed));
    EXPECT_EQ(TColor(clBtnText), Office()->PaletteColor28(qzbsHot, clRed));
    EXPECT_EQ(SchemeMidShadowColor, Office()->PaletteColor36(qzbsNormal, clRed));
    EXPECT_EQ(SchemeColor22, Office()->PaletteColor56(qzbsNormal, clRed));
}

TEST_F(OfficePainterTest, StateColours) {
    struct Case {
        TqzButtonState State;
        TColor UltraFace, OfficeFace, UltraFrame, OfficeFrame, UltraGlyph, OfficeGlyph, OfficeCheckFill;
    };
    const std::vector<Case> cases = {
        {qzbsDefault, clBtnFace, SchemeColor21, clHighlight, SchemeColor40, clBtnText, SchemeColor49,
         clWindow},
        {qzbsNormal, clBtnFace, SchemeColor21, clBtnShadow, SchemeColor33, clBtnText, SchemeColor49,
         clWindow},
        {qzbsHot, HotTrackLightColor(), SchemeColor41, clHighlight, SchemeColor40, clBtnText, SchemeColor49,
         SchemeColor41},
        {qzbsPressed, PressedLightColor(), SchemeColor43, clHighlight, SchemeColor40, clHighlightText,
         SchemeColor49, SchemeColor43},
        {qzbsDisabled, clBtnFace, clBtnFace, clHighlight, SchemeColor40, clBtnShadow, SchemeColor50,
         clBtnFace},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.State));
        EXPECT_EQ(c.UltraFace, UltraFlat()->ButtonFaceColor(c.State));
        EXPECT_EQ(c.OfficeFace, Office()->ButtonFaceColor(c.State));
        EXPECT_EQ(c.UltraFrame, UltraFlat()->StateFrameColor(c.State));
        EXPECT_EQ(c.OfficeFrame, Office()->StateFrameColor(c.State));
        EXPECT_EQ(c.UltraGlyph, UltraFlat()->ButtonGlyphColor(c.State, clDefault));
        EXPECT_EQ(c.OfficeGlyph, Office()->ButtonGlyphColor(c.State, clRed));
        EXPECT_EQ(c.OfficeCheckFill, Office()->CheckBoxFillColor(c.State));
    }
    // Without the scheme table a pressed office glyph is drawn in the highlight text colour.
    ThemesOff();
    ASSERT_FALSE(OfficeSchemeColorsActive());
    EXPECT_EQ(TColor(clHighlightText), Office()->ButtonGlyphColor(qzbsPressed, clDefault));
    EXPECT_EQ(SchemeColor49, Office()->ButtonGlyphColor(qzbsHot, clDefault));
}

TEST_F(OfficePainterTest, GroupButtonBorderWidths) {
    struct Case {
        Integer Count, Index;
        std::vector<Integer> Expected;
    };
    const std::vector<Case> cases = {
        {3, 0, {2, 2, 1, 2}}, {3, 1, {1, 2, 1, 2}}, {3, 2, {1, 2, 2, 2}}, {1, 0, {2, 2, 1, 2}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Count) + "/" + std::to_string(c.Index));
        for (TPainter p : {TPainter(UltraFlat()), TPainter(Office())}) {
            const TqzFrameWidths w = p->ButtonGroupBorderWidths(c.Count, c.Index);
            EXPECT_EQ(c.Expected, (std::vector<Integer>{w.Left, w.Top, w.Right, w.Bottom}));
        }
    }
}

TEST_F(OfficePainterTest, ButtonFramesAndDropDownRings) {
    const TRect r{4, 4, 24, 20};
    struct Case {
        TPainter Painter;
        TqzButtonState State;
        TColor Outer, Inner; // Inner: the ring one pixel in (kPaper: not painted)
    };
    const std::vector<Case> cases = {
        {UltraFlat(), qzbsDefault, clWindowFrame, clWindowFrame},
        {UltraFlat(), qzbsNormal, clBtnText, kPaper},
        {UltraFlat(), qzbsDisabled, clBtnShadow, kPaper},
        {UltraFlat(), qzbsHot, clHighlight, kPaper},
        {UltraFlat(), qzbsPressed, clHighlight, kPaper},
        {Office(), qzbsDefault, clWindowFrame, clWindowFrame},
        {Office(), qzbsNormal, clBtnText, kPaper},
        {Office(), qzbsDisabled, SchemeColor50, kPaper},
        {Office(), qzbsPressed, SchemeColor40, kPaper},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Painter->PainterStyleCode()) + " state " + std::to_string(c.State));
        NewSheet(30, 30);
        c.Painter->PaintButtonFrame(Canvas.get(), r, c.State);
        EXPECT_EQ(Rgb(c.Outer), RingColor(r));
        EXPECT_EQ(Rgb(c.Inner), RingColor(TRect{5, 5, 23, 19}));
    }
    // A disabled ultra-flat drop-down button has a highlight ring, its face and a glyph arrow.
    NewSheet(30, 30);
    UltraFlat()->PaintDropDownButton(Canvas.get(), TRect{2, 2, 19, 19}, false, qzbsDisabled);
    EXPECT_EQ(Rgb(clHighlight), RingColor(TRect{2, 2, 19, 19}));
    EXPECT_EQ(Rgb(clBtnFace), At(4, 4));
    EXPECT_EQ(Rgb(clBtnShadow), At(10, 10)) << "the arrow in the disabled glyph colour";
    // An active one shows a blue arrow.
    Office()->PaintDropDownButton(Canvas.get(), TRect{2, 2, 19, 19}, true, qzbsNormal);
    EXPECT_EQ(Rgb(SchemeColor33), RingColor(TRect{2, 2, 19, 19}));
    EXPECT_EQ(TColor(0xFF0000), At(10, 10));
}

TEST_F(OfficePainterTest, GroupButtonsLoseTheirOuterPixelsAndShowSeparators) {
    // Three hot buttons side by side, 10 pixels each: separators at the inner edges only.
    NewSheet(40, 20);
    for (int i = 0; i < 3; ++i)
        UltraFlat()->PaintPlainButton(Canvas.get(), TRect{i * 10, 0, i * 10 + 10, 12}, clRed, i, 3, qzbsHot);
    const TColor face = Rgb(HotTrackLightColor()), line = Rgb(clHighlight);
    struct Probe {
        int X, Y;
        TColor Expected;
    };
    const std::vector<Probe> probes = {
        {0, 5, kPaper}, {1, 5, face},  {9, 5, line},   {10, 5, line},   {11, 5, face}, {19, 5, line},
        {20, 5, line},  {28, 5, face}, {5, 0, kPaper}, {5, 11, kPaper}, {5, 1, face},  {29, 5, kPaper},
    };
    for (const Probe& p : probes) {
        SCOPED_TRACE(std::to_string(p.X) + "," + std::to_string(p.Y));
        EXPECT_EQ(p.Expected, At(p.X, p.Y));
    }
    // A normal button is ringed in the given frame colour, its face inside.
    NewSheet(40, 20);
    UltraFlat()->PaintPlainButton(Canvas.get(), TRect{0, 0, 20, 12}, clRed, 1, 3, qzbsNormal);
    EXPECT_EQ(Rgb(clRed), RingColor(TRect{0, 1, 20, 11}));
    EXPECT_EQ(Rgb(clBtnFace), At(5, 5));
}

TEST_F(OfficePainterTest, OfficeTextCellGradients) {
    NewSheet(40, 40);
    const TRect cell{4, 4, 30, 24}; // 20 rows
    Office()->PaintTextCell(Canvas.get(), cell, nullptr, clRed, clBlack, nullptr, "", taLeftJustify, qzvaTop,
                            false, false, qzbsNormal, false, cell);
    const TColor c = Rgb(Office()->BlendedColor165()), e = Rgb(Office()->PaletteColor162());
    ASSERT_NE(c, e);
    for (int y = 4; y <= 20; ++y)
        ASSERT_EQ(c, At(10, y)) << y;
    const TColor last = At(10, 23);
    EXPECT_NE(c, last);
    EXPECT_TRUE(Between(GetRValue(last), GetRValue(c), GetRValue(e)) &&
                Between(GetGValue(last), GetGValue(c), GetGValue(e)) &&
                Between(GetBValue(last), GetBValue(c), GetBValue(e)));
    EXPECT_EQ(kPaper, At(10, 24));

    // Hot: one colour, and a band from SchemeColor41 down past the bottom and one pixel left.
    NewSheet(40, 40);
    Office()->PaintTextCell(Canvas.get(), cell, nullptr, clRed, clBlack, nullptr, "", taLeftJustify, qzvaTop,
                            false, false, qzbsHot, false, cell);
    EXPECT_EQ(Rgb(SchemeColor19), At(10, 5));
    EXPECT_EQ(Rgb(SchemeColor19), At(10, 21));
    EXPECT_EQ(Rgb(SchemeColor41), At(10, 22));
    EXPECT_EQ(Rgb(SchemeColor41), At(3, 22));
    EXPECT_NE(kPaper, At(3, 24));
    EXPECT_EQ(kPaper, At(3, 21));
    EXPECT_EQ(kPaper, At(30, 24));

    // Plain fill: one colour to the bottom.
    NewSheet(40, 40);
    Office()->PaintTextCell(Canvas.get(), cell, nullptr, clRed, clBlack, nullptr, "", taLeftJustify, qzvaTop,
                            false, false, qzbsNormal, true, cell);
    EXPECT_EQ(c, At(10, 23));
}

TEST_F(OfficePainterTest, OfficeHeaderFrame) {
    const TColor h = Rgb(Office()->BlendedColor165()), g = Rgb(SchemeColor20), d = Rgb(SchemeColor33),
                 m = Rgb(SchemeColor34);
    const TRect r{2, 2, 22, 18}; // L 2, T 2, R 22, B 18
    struct Probe {
        int X, Y;
        TColor Expected;
    };
    struct Case {
        const char* Name;
        TqzSides Neighbours, Borders;
        std::vector<Probe> Probes;
    };
    const std::vector<Case> cases = {
        {"alone",
         0,
         qzsAll,
         {{10, 2, h},
          {10, 17, d},
          {2, 3, m},
          {2, 15, m},
          {2, 16, g},
          {21, 2, Rgb(Blend(h, d, 50))},
          {21, 3, d},
          {21, 15, d},
          {21, 16, Rgb(Blend(g, d, 50))},
          {10, 10, kPaper}}},
        {"between neighbours",
         qzsLeft | qzsRight,
         qzsLeft | qzsRight | qzsBottom,
         {{10, 2, kPaper},
          {2, 2, kPaper},
          {2, 3, h},
          {2, 4, m},
          {2, 14, m},
          {2, 15, Rgb(Blend(h, g, 25))},
          {2, 16, g},
          {21, 3, h},
          {21, 4, d},
          {21, 15, Rgb(Blend(h, g, 25))},
          {21, 16, g},
          {10, 17, d}}},
        {"no sides", qzsLeft, 0, {{2, 10, kPaper}, {10, 2, kPaper}, {21, 10, kPaper}, {10, 17, kPaper}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        NewSheet(30, 30);
        Office()->PaintHeaderFrame(Canvas.get(), r, c.Neighbours, c.Borders);
        for (const Probe& p : c.Probes) {
            SCOPED_TRACE(std::to_string(p.X) + "," + std::to_string(p.Y));
            EXPECT_EQ(p.Expected, At(p.X, p.Y));
        }
    }
    // The ultra-flat frame ignores the neighbours; right and bottom are always drawn.
    NewSheet(30, 30);
    UltraFlat()->PaintHeaderFrame(Canvas.get(), r, qzsAll, qzsTop);
    EXPECT_EQ(Rgb(clBtnText), At(10, 2));
    EXPECT_EQ(kPaper, At(2, 10));
    EXPECT_EQ(Rgb(clBtnText), At(21, 10));
    EXPECT_EQ(Rgb(clBtnText), At(10, 17));
}

TEST_F(OfficePainterTest, PressedOfficeHeaderSectionIsInverted) {
    NewSheet(40, 30);
    const TRect r{0, 0, 30, 20};
    Office()->PaintHeaderSection(Canvas.get(), r, r, 0, qzsAll, qzbsNormal, taLeftJustify, qzvaTop, false,
                                 false, "", nullptr, clBlack, clRed);
    const TColor normal = At(10, 8);
    EXPECT_EQ(Rgb(Office()->BlendedColor165()), normal) << "the gradient cell, not the given background";
    Office()->PaintHeaderSection(Canvas.get(), r, r, 0, qzsAll, qzbsPressed, taLeftJustify, qzvaTop, false,
                                 false, "", nullptr, clBlack, clRed);
    EXPECT_EQ(TColor(normal ^ 0xFFFFFF), At(10, 8));
}

TEST_F(OfficePainterTest, OfficeExpandButtonTintsItsCornersTowardsTheCanvas) {
    ASSERT_NE(nullptr, ExpandPlusBitmap);
    ASSERT_EQ(11, ExpandPlusBitmap->GetWidth());
    const TColor paper = 0x336699;
    NewSheet(20, 20, paper);
    Office()->PaintTreeExpandButton(Canvas.get(), TRect{3, 3, 14, 14}, clRed, false);
    EXPECT_EQ(Rgb(Blend(ExpandButtonLightColor, paper, 25)), At(3, 3));
    const TColor dark = Rgb(Blend(ExpandButtonDarkColor, paper, 25));
    EXPECT_EQ(dark, At(13, 13));
    EXPECT_EQ(dark, At(3, 13));
    EXPECT_EQ(dark, At(13, 3));
    EXPECT_EQ(ExpandPlusBitmap->GetCanvas()->GetPixels(5, 5), At(8, 8));
    EXPECT_EQ(paper, At(14, 14));
    // The small expand button is the same picture (expanded: the minus one).
    NewSheet(20, 20, paper);
    Office()->PaintSmallExpandButton(Canvas.get(), TRect{3, 3, 14, 14}, clRed, clBlue, true);
    EXPECT_EQ(ExpandMinusBitmap->GetCanvas()->GetPixels(5, 5), At(8, 8));
}

TEST_F(OfficePainterTest, OfficeScrollBarsAreStandardWithoutVisualStyles) {
    ThemesOff();
    const TRect r{2, 2, 19, 30};
    NewSheet(24, 34);
    PainterClass<TqzStandardLookAndFeelPainter>()->PaintScrollBarElement(Canvas.get(), false, qzbsNormal,
                                                                         qzsbpThumb, r);
    const std::vector<TColor> standard = Pixels();
    NewSheet(24, 34);
    Office()->PaintScrollBarElement(Canvas.get(), false, qzbsNormal, qzsbpThumb, r);
    EXPECT_EQ(standard, Pixels());
}

TEST_F(OfficePainterTest, UltraFlatTabAndSplitterEdges) {
    NewSheet(40, 30);
    // Horizontal tab: side 2 is dark, its bottom one pixel shorter; side 1 light.
    UltraFlat()->PaintTabFrame(Canvas.get(), TRect{10, 2, 11, 20}, false, qzsAll, 2);
    UltraFlat()->PaintTabFrame(Canvas.get(), TRect{2, 2, 10, 3}, false, qzsAll, 1);
    EXPECT_EQ(Rgb(clBtnText), At(10, 18));
    EXPECT_EQ(kPaper, At(10, 19));
    EXPECT_EQ(Rgb(clBtnShadow), At(5, 2));
    // Vertical tab: side 3 is dark and keeps its full length.
    Office()->PaintTabFrame(Canvas.get(), TRect{20, 19, 30, 20}, true, qzsAll, 3);
    EXPECT_EQ(Rgb(clBtnText), At(29, 19));
    Office()->PaintTabFrame(Canvas.get(), TRect{20, 2, 30, 3}, true, qzsAll, 1);
    EXPECT_EQ(Rgb(SchemeColor33), At(25, 2));

    NewSheet(40, 30);
    UltraFlat()->PaintSplitterFrame(Canvas.get(), TRect{5, 5, 35, 11}, true, TqzBrushPair{nullptr, clRed});
    EXPECT_EQ(Rgb(clBtnShadow), At(10, 5));
    EXPECT_EQ(Rgb(clBtnShadow), At(10, 10));
    EXPECT_EQ(Rgb(clRed), At(10, 6));
    EXPECT_EQ(Rgb(clRed), At(4, 7)) << "the fill reaches one pixel past the ends";
    EXPECT_EQ(Rgb(clRed), At(35, 7));
}

TEST_F(OfficePainterTest, Picture) {
    NewSheet(270, 60);
    TqzCanvas* c = Canvas.get();
    int x = 4;
    for (TPainter p : {TPainter(UltraFlat()), TPainter(Office())}) {
        const int y = p == TPainter(UltraFlat()) ? 4 : 32;
        x = 4;
        for (TqzButtonState st : {qzbsDefault, qzbsNormal, qzbsHot, qzbsPressed, qzbsDisabled}) {
            p->PaintButton(c, TRect{x, y, x + 20, y + 20}, clDefault, clDefault, true, st, "");
            x += 22;
        }
        p->PaintDropDownButton(c, TRect{x, y, x + 17, y + 20}, false, qzbsHot);
        x += 19;
        p->PaintHeaderCell(c, TRect{x, y, x + 30, y + 20}, TRect{x + 2, y + 2, x + 28, y + 18}, 0, qzsAll,
                           qzbsNormal, taLeftJustify, qzvaTop, false, false, "", nullptr, clBlack, clBtnFace,
                           nullptr, false);
        x += 32;
        p->PaintTreeExpandButton(c, TRect{x, y, x + 11, y + 11}, clDefault, true);
        Canvas->ApplyClipRegion(std::make_unique<TqzRegion>(TRect{0, 0, 270, 60}));
        x += 13;
        p->PaintCheckBox(c, TRect{x, y, x + 13, y + 13}, true, qzbsHot);
        x += 15;
        p->PaintSortArrow(c, TRect{x, y, x + 16, y + 16}, true);
        x += 18;
        const TqzLookAndFeelKind kind = StyleCodeToKind(p->PainterStyleCode());
        for (TqzButtonState st : {qzbsNormal, qzbsHot, qzbsPressed, qzbsDisabled}) {
            SharedRadioButtonImages()->DrawImage(c, x, y, kind, st, st != qzbsHot, false, false, clDefault);
            x += 15;
        }
    }
    // Three times the size, so that single pixels can be told apart when looking at it.
    constexpr int kScale = 3;
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < 60 * kScale; ++y)
        for (int x = 0; x < 270 * kScale; ++x) {
            const TColor color = At(x / kScale, y / kScale);
            pixels.push_back(std::uint32_t(GetRValue(color)) << 16 | std::uint32_t(GetGValue(color)) << 8 |
                             GetBValue(color));
        }
    testsupport::WritePng(testsupport::ArtifactPath("OfficePainters.png"), 270 * kScale, 60 * kScale, pixels);
    EXPECT_EQ(Rgb(clWindowFrame), At(4, 4));
    EXPECT_EQ(Rgb(SchemeColor21), At(14, 42)) << "office default button face";
}

// ---- Radio-button images ---------------------------------------------------------------------

namespace {

// A pixel of the radio with the given pattern code (the first in reading order).
TPoint FindCode(const TqzRadioButtonImageList& list, Byte code) {
    for (Integer y = 0; y < list.RadioHeight(); ++y)
        for (Integer x = 0; x < list.RadioWidth(); ++x)
            if (list.PatternCode(x, y) == code) return TPoint{x, y};
    return TPoint{-1, -1};
}

} // namespace

TEST_F(OfficePainterTest, RadioImagesOneForEveryCombination) {
    TqzRadioButtonImageList list;
    EXPECT_EQ(-1, list.ImageIndexFor(lfFlat, qzbsNormal, false, false, false));
    list.BuildImages();
    ASSERT_EQ(128, list.Images()->GetCount());
    EXPECT_EQ(31, TqzRadioButtonImageList::MapIndexFor(lfOffice11, qzbsDisabled, false, false, true));
    EXPECT_EQ(0, TqzRadioButtonImageList::MapIndexFor(lfFlat, qzbsNormal, false, false, false));
    EXPECT_EQ(127, TqzRadioButtonImageList::MapIndexFor(lfOffice11, qzbsDisabled, true, true, true));
    EXPECT_EQ(TqzRadioButtonImageList::MapIndexFor(lfStandard, qzbsNormal, true, false, true),
              TqzRadioButtonImageList::MapIndexFor(lfStandard, qzbsDefault, true, false, true))
        << "the default state draws as normal";
    for (Integer i = 0; i < 128; ++i) {
        const auto kind = TqzLookAndFeelKind((i % 32) / 8);
        const auto state = TqzButtonState(i % 4 + 1);
        ASSERT_EQ(i, list.ImageIndexFor(kind, state, i & 32, i & 64, i & 4)) << i;
    }
    list.BuildImages(); // a full list stays as it is
    EXPECT_EQ(128, list.Images()->GetCount());
}

TEST_F(OfficePainterTest, RadioPatternHasRingsInsideAndDot) {
    TqzRadioButtonImageList list;
    const Integer w = list.RadioWidth(), h = list.RadioHeight();
    ASSERT_GE(w, 8);
    ASSERT_GE(h, 8);
    EXPECT_EQ(0, list.PatternCode(0, 0));
    EXPECT_EQ(0, list.PatternCode(w - 1, h - 1));
    EXPECT_EQ(0, list.PatternCode(w, 0)) << "outside the radio";
    // The ring at the middle of each edge: upper-left half at left and top, lower-right at right
    // and bottom.
    EXPECT_EQ(1, list.PatternCode(0, h / 2 - 1));
    EXPECT_EQ(1, list.PatternCode(w / 2 - 1, 0));
    EXPECT_EQ(2, list.PatternCode(w - 1, h / 2));
    EXPECT_EQ(2, list.PatternCode(w / 2, h - 1));
    EXPECT_EQ(3, list.PatternCode(1, h / 2 - 1));
    EXPECT_EQ(4, list.PatternCode(w - 2, h / 2));
    EXPECT_EQ(6, list.PatternCode(w / 2 - 1, h / 2 - 1));
    for (Byte code = 0; code <= 6; ++code)
        EXPECT_GE(FindCode(list, code).x, 0) << int(code);
}

TEST_F(OfficePainterTest, RadioImagesInTheirColours) {
    TqzRadioButtonImageList list;
    const TPoint dot = FindCode(list, 6), inside = FindCode(list, 5), outer = FindCode(list, 1);
    const TPoint corner{0, 0};
    struct Case {
        const char* Name;
        TqzLookAndFeelKind Kind;
        TqzButtonState State;
        bool Checked, Focused;
        TColor Dot, Inside, Outer;
    };
    const std::vector<Case> cases = {
        {"standard checked disabled", lfStandard, qzbsDisabled, true, false, clBtnShadow, clBtnFace,
         clBtnShadow},
        {"standard unchecked disabled", lfStandard, qzbsDisabled, false, false, clBtnFace, clBtnFace,
         clBtnShadow},
        {"flat pressed checked", lfFlat, qzbsPressed, true, false, clWindowText, clBtnFace, clBtnShadow},
        {"ultra-flat hot", lfUltraFlat, qzbsHot, false, false, HotTrackLightColor(), HotTrackLightColor(),
         clHighlight},
        {"ultra-flat focused disabled is framed", lfUltraFlat, qzbsDisabled, true, true, clBtnShadow,
         clBtnFace, clHighlight},
        {"office focused disabled is not framed", lfOffice11, qzbsDisabled, true, true, SchemeColor50,
         clBtnFace, SchemeColor50},
        {"office normal", lfOffice11, qzbsNormal, true, false, clWindowText, clWindow, clBtnText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        NewSheet(30, 30);
        list.DrawImage(Canvas.get(), 5, 6, c.Kind, c.State, c.Checked, false, c.Focused, clDefault);
        EXPECT_EQ(Rgb(c.Dot), At(5 + dot.x, 6 + dot.y));
        EXPECT_EQ(Rgb(c.Inside), At(5 + inside.x, 6 + inside.y));
        EXPECT_EQ(Rgb(c.Outer), At(5 + outer.x, 6 + outer.y));
        EXPECT_EQ(kPaper, At(5 + corner.x, 6 + corner.y)) << "transparent outside the circle";
    }
    // With a background colour the outside shows it.
    NewSheet(30, 30);
    list.DrawImage(Canvas.get(), 5, 6, lfStandard, qzbsNormal, false, false, false, clRed);
    EXPECT_EQ(Rgb(clRed), At(5, 6));
    EXPECT_EQ(Rgb(clWindow), At(5 + inside.x, 6 + inside.y));
}

TEST_F(OfficePainterTest, RadioImagesFollowSystemColoursAfterARebuild) {
    TqzRadioButtonImageList list;
    const TPoint inside = FindCode(list, 5);
    list.BuildImages();
    const int index = COLOR_WINDOW;
    const COLORREF saved = GetSysColor(index), changed = 0x123456;
    SetSysColors(1, &index, &changed);
    list.Rebuild();
    EXPECT_EQ(128, list.Images()->GetCount());
    list.DrawImage(Canvas.get(), 0, 0, lfFlat, qzbsNormal, false, false, false, clDefault);
    EXPECT_EQ(TColor(changed), At(inside.x, inside.y));
    SetSysColors(1, &index, &saved);
}
