// The painters: the answers that differ between the base, standard and flat painters, the shared
// arrow geometry, and the pixels of frames, buttons, check boxes, expand buttons, header frames,
// scroll-bar parts, splitters and indicators. System colours are set to distinct values for the
// whole suite so that every probe tells which colour was drawn.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/classlib/ImgList.h"
#include "platform/winapi/SysColors.h"
#include "suite/foundation/qzLookAndFeelPainters.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

using TPainter = TqzLookAndFeelPainterClass;

TPainter Base() { return PainterClass<TqzCustomLookAndFeelPainter>(); }
TPainter Standard() { return PainterClass<TqzStandardLookAndFeelPainter>(); }
TPainter Flat() { return PainterClass<TqzFlatLookAndFeelPainter>(); }

// A colour no system colour below has: what was not painted.
constexpr TColor kPaper = 0x00FF00;

TColor Rgb(TColor color) { return TColor(ColorToRGB(color)); }

class PainterTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::vector<std::pair<int, COLORREF>> colors = {
            {COLOR_BTNFACE, 0xC0C0C0}, {COLOR_BTNSHADOW, 0x808080},  {COLOR_BTNHIGHLIGHT, 0xFFFFFF},
            {COLOR_3DLIGHT, 0xE0E0E0}, {COLOR_3DDKSHADOW, 0x404040}, {COLOR_BTNTEXT, 0x102030},
            {COLOR_WINDOW, 0xF0FFF0},  {COLOR_WINDOWTEXT, 0x200000}, {COLOR_GRAYTEXT, 0x707070},
        };
        for (const auto& [index, value] : colors) {
            FIndices.push_back(index);
            FSaved.push_back(GetSysColor(index));
            FValues.push_back(value);
        }
        SetSysColors(int(FIndices.size()), FIndices.data(), FValues.data());
        UpdateScrollBarPatterns();
        NewSheet(64, 48);
    }
    void TearDown() override {
        Canvas.reset();
        Bitmap.reset();
        SetSysColors(int(FIndices.size()), FIndices.data(), FSaved.data());
        UpdateScrollBarPatterns();
    }

    void NewSheet(int width, int height) {
        Canvas.reset();
        Bitmap = std::make_unique<TBitmap>();
        Bitmap->SetPixelFormat(pf32bit);
        Bitmap->SetSize(width, height);
        Canvas = std::make_unique<TqzCanvas>(Bitmap->GetCanvas());
        Clear();
    }
    void Clear() {
        TCanvas* c = Bitmap->GetCanvas();
        c->GetBrush()->SetStyle(bsSolid);
        c->GetBrush()->SetColor(kPaper);
        c->FillRect(TRect{0, 0, Bitmap->GetWidth(), Bitmap->GetHeight()});
    }
    TColor At(int x, int y) { return Bitmap->GetCanvas()->GetPixels(x, y); }
    int Count(TColor color, const TRect& area) {
        int n = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (At(x, y) == Rgb(color)) ++n;
        return n;
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

private:
    std::vector<int> FIndices;
    std::vector<COLORREF> FSaved, FValues;
};

std::string RectText(const TRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

} // namespace

TEST(PainterAnswersTest, SizesAndFlagsDifferByPainter) {
    struct Case {
        const char* Name;
        TPainter Painter;
        int Style, ControlBorder, DefaultButton, NormalButton, PressedButton, TreeExtent, SectionPressed,
            SectionNormal, SortWidth, FooterCell, HeaderHeight13;
        TColor Color49;
    };
    const std::vector<Case> cases = {
        {"base", Base(), 1, 0, 0, 0, 0, 0, 1, 1, 0, 0, 17, 0xD5FFFF},
        {"standard", Standard(), 1, 2, 3, 2, 2, 12, 1, 2, 8, 1, 19, clWindow},
        {"flat", Flat(), 0, 1, 2, 1, 1, 11, 1, 1, 8, 1, 19, 0xD5FFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TPainter p = c.Painter;
        EXPECT_EQ(c.Style, p->PainterStyleCode());
        EXPECT_EQ(c.ControlBorder, p->ControlBorderWidth());
        EXPECT_EQ(c.DefaultButton, p->ButtonBorderWidth(qzbsDefault));
        EXPECT_EQ(c.NormalButton, p->ButtonBorderWidth(qzbsNormal));
        EXPECT_EQ(c.PressedButton, p->ButtonBorderWidth(qzbsPressed));
        EXPECT_EQ(c.TreeExtent, p->TreeExpandButtonExtent());
        EXPECT_EQ(c.SectionPressed, p->HeaderSectionFrameWidth(qzbsPressed));
        EXPECT_EQ(c.SectionNormal, p->HeaderSectionFrameWidth(qzbsNormal));
        EXPECT_EQ(c.SortWidth, p->SortArrowExtent().cx);
        EXPECT_EQ(16, p->SortArrowAreaExtent().cx);
        EXPECT_EQ(p->SortArrowExtent().cy, p->SortArrowAreaExtent().cy);
        EXPECT_EQ(c.FooterCell, p->FooterCellFrameWidth());
        EXPECT_EQ(c.HeaderHeight13, p->HeaderHeightFor(13));
        EXPECT_EQ(c.Color49, p->PaletteColor49());
        EXPECT_FALSE(p->HotTracksButtons());
        // Footer text sits 2 pixels inside the cell's frame.
        EXPECT_EQ(
            RectText(TRect{2 + c.FooterCell, 2 + c.FooterCell, 20 - 2 - c.FooterCell, 20 - 2 - c.FooterCell}),
            RectText(p->CalcFooterCellTextBounds(TRect{0, 0, 20, 20})));
    }
    EXPECT_TRUE(Standard()->InheritsFrom(TqzCustomLookAndFeelPainter::StaticClass()));
    EXPECT_EQ(Standard(), PainterClass<TqzStandardLookAndFeelPainter>());
}

TEST(PainterAnswersTest, StyleCodeToKind) {
    const std::vector<std::pair<Byte, TqzLookAndFeelKind>> cases = {
        {0, lfFlat}, {1, lfStandard}, {2, lfUltraFlat}, {3, lfStandard}, {4, lfOffice11}, {5, lfStandard}};
    for (const auto& [code, kind] : cases) {
        SCOPED_TRACE(int(code));
        EXPECT_EQ(kind, StyleCodeToKind(code));
    }
    EXPECT_EQ(lfFlat, StyleCodeToKind(Flat()->PainterStyleCode()));
}

TEST(PainterAnswersTest, ArrowPoints) {
    struct Case {
        TRect Bounds;
        bool Square;
        Byte Direction;
        std::vector<TPoint> Expected;
    };
    const std::vector<Case> cases = {
        {{0, 0, 10, 10}, false, qzadUp, {{4, 4}, {2, 6}, {6, 6}}},
        {{0, 0, 10, 10}, false, qzadDown, {{2, 4}, {6, 4}, {4, 6}}},
        {{0, 0, 10, 10}, false, qzadLeft, {{3, 5}, {5, 3}, {5, 7}}},
        {{0, 0, 10, 10}, false, qzadRight, {{3, 3}, {5, 5}, {3, 7}}},
        // Made square, a wide rectangle loses width on both sides.
        {{0, 0, 20, 10}, true, qzadUp, {{9, 4}, {7, 6}, {11, 6}}},
        // An empty rectangle gives one pixel: base 1, depth 1.
        {{0, 0, 0, 0}, false, qzadUp, {{0, -1}, {0, -1}, {0, -1}}},
        {{0, 0, 0, 0}, true, qzadRight, {{0, -1}, {0, 0}, {0, -1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(RectText(c.Bounds) + " dir " + std::to_string(c.Direction));
        TPoint points[3];
        TqzCustomLookAndFeelPainter::CalcArrowPoints(c.Bounds, c.Square, c.Direction, points);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(c.Expected[i].x, points[i].x) << i;
            EXPECT_EQ(c.Expected[i].y, points[i].y) << i;
        }
    }
}

TEST_F(PainterTest, BoundsArithmetic) {
    TPainter p = Standard();
    // Focus bounds: 4 in, unless that leaves nothing.
    EXPECT_EQ("0,0,8,20", RectText(p->CalcButtonFocusBounds(nullptr, TRect{0, 0, 8, 20})));
    EXPECT_EQ("0,0,30,8", RectText(p->CalcButtonFocusBounds(nullptr, TRect{0, 0, 30, 8})));
    EXPECT_EQ("4,4,5,16", RectText(p->CalcButtonFocusBounds(nullptr, TRect{0, 0, 9, 20})));
    // Header content moves in on the drawn sides; the outer bounds move out on drawn sides that
    // HeaderEdgesFor leaves out (none for these painters, so the bounds stay).
    EXPECT_EQ("11,10,29,19",
              RectText(p->CalcHeaderContentBounds(TRect{10, 10, 30, 20}, qzsLeft | qzsRight | qzsBottom)));
    EXPECT_EQ("10,10,30,20", RectText(p->CalcHeaderOuterBounds(TRect{10, 10, 30, 20}, 5, qzsAll)));
    EXPECT_EQ("10,11,30,19", RectText(p->CalcHeaderSectionContentBounds(TRect{8, 9, 32, 21}, qzbsNormal)));
    EXPECT_EQ("9,10,31,20", RectText(p->CalcHeaderSectionContentBounds(TRect{8, 9, 32, 21}, qzbsPressed)));
    EXPECT_EQ("9,10,33,22", RectText(p->CalcHeaderSectionTextBounds(TRect{8, 9, 32, 21}, qzbsPressed)));
    // Header width of an empty text: 4, one more for a left side, one less for a right side.
    TqzCanvas* screen = Canvas.get();
    EXPECT_EQ(4, p->HeaderWidthFor(screen, 0, nullptr, ""));
    EXPECT_EQ(5, p->HeaderWidthFor(screen, qzsLeft, nullptr, ""));
    EXPECT_EQ(4, p->HeaderWidthFor(screen, qzsLeft | qzsRight, nullptr, ""));
    EXPECT_EQ(3, Flat()->HeaderWidthFor(screen, qzsRight, nullptr, ""));
}

TEST_F(PainterTest, ButtonFramesPerPainterAndState) {
    // The middle row of a framed button from the left edge inwards, and from the right edge.
    struct Case {
        const char* Name;
        TPainter Painter;
        TqzButtonState State;
        std::vector<TColor> FromLeft, FromRight;
    };
    const std::vector<Case> cases = {
        {"standard default",
         Standard(),
         qzbsDefault,
         {clBlack, clBtnHighlight, cl3DLight, clBtnFace},
         {clBlack, cl3DDkShadow, clBtnShadow, clBtnFace}},
        {"standard normal",
         Standard(),
         qzbsNormal,
         {clBtnHighlight, cl3DLight, clBtnFace},
         {cl3DDkShadow, clBtnShadow, clBtnFace}},
        {"standard pressed",
         Standard(),
         qzbsPressed,
         {clBlack, clBtnShadow, clBtnFace},
         {clBlack, clBtnShadow, clBtnFace}},
        {"flat default",
         Flat(),
         qzbsDefault,
         {clBlack, clBtnHighlight, clBtnFace},
         {clBlack, clBtnShadow, clBtnFace}},
        {"flat normal", Flat(), qzbsNormal, {clBtnHighlight, clBtnFace}, {clBtnShadow, clBtnFace}},
        {"flat pressed", Flat(), qzbsPressed, {clBtnShadow, clBtnFace}, {clBtnHighlight, clBtnFace}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Clear();
        c.Painter->PaintButton(Canvas.get(), TRect{0, 0, 40, 20}, clDefault, clDefault, true, c.State, "");
        for (std::size_t i = 0; i < c.FromLeft.size(); ++i)
            EXPECT_EQ(Rgb(c.FromLeft[i]), At(int(i), 10)) << i;
        for (std::size_t i = 0; i < c.FromRight.size(); ++i)
            EXPECT_EQ(Rgb(c.FromRight[i]), At(39 - int(i), 10)) << i;
        EXPECT_EQ(kPaper, At(40, 10));
    }
}

TEST_F(PainterTest, TreeExpandButtonsHaveFivePixelSignsAndProtectThemselves) {
    for (TPainter p : {Standard(), Flat()}) {
        for (bool expanded : {false, true}) {
            SCOPED_TRACE(std::to_string(p->PainterStyleCode()) + (expanded ? " expanded" : " collapsed"));
            NewSheet(30, 30);
            const int e = p->TreeExpandButtonExtent();
            const TRect bounds{5, 5, 5 + e, 5 + e};
            p->PaintTreeExpandButton(Canvas.get(), bounds, clDefault, expanded);
            // The button is out of the clip area now: a fill over everything leaves it alone.
            Canvas->SetBrushColor(clRed);
            Canvas->Canvas->FillRect(TRect{0, 0, 30, 30});
            Canvas->ApplyClipRegion(std::make_unique<TqzRegion>(TRect{0, 0, 30, 30}));
            // Both buttons have a 9 x 9 inside starting one pixel in: the sign's middle is at 5.
            int across = 0, down = 0;
            for (int i = 0; i < e; ++i) {
                if (At(5 + i, 5 + 5) == Rgb(clBtnText)) ++across;
                if (At(5 + 5, 5 + i) == Rgb(clBtnText)) ++down;
            }
            EXPECT_EQ(5, across);
            EXPECT_EQ(expanded ? 1 : 5, down);
            EXPECT_EQ(Rgb(clBtnHighlight), At(5, 5));
            EXPECT_EQ(Rgb(clRed), At(4, 5));
            EXPECT_EQ(Rgb(clRed), At(5 + e, 5));
        }
    }
}

TEST_F(PainterTest, CheckBoxesByState) {
    struct Case {
        TqzButtonState State;
        bool Checked;
        TColor Fill, Mark;
    };
    const std::vector<Case> cases = {
        {qzbsNormal, true, clWindow, clBtnText},
        {qzbsHot, false, clWindow, clWindow},
        {qzbsPressed, true, clBtnFace, clBtnText},
        {qzbsDisabled, true, clBtnFace, clGrayText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.State));
        Clear();
        Standard()->PaintCheckBox(Canvas.get(), TRect{0, 0, 13, 13}, c.Checked, c.State);
        EXPECT_EQ(Rgb(cl3DDkShadow), At(0, 5));
        EXPECT_EQ(Rgb(cl3DLight), At(12, 5));
        EXPECT_EQ(Rgb(clBtnShadow), At(1, 5));
        EXPECT_EQ(Rgb(clBtnHighlight), At(11, 5));
        EXPECT_EQ(Rgb(c.Fill), At(3, 3));
        // The mark's lowest point, three pixels thick.
        for (int y = 7; y <= 9; ++y)
            EXPECT_EQ(Rgb(c.Mark), At(5, y)) << y;
        EXPECT_EQ(Rgb(c.Fill), At(5, 10));
        if (c.Checked) {
            EXPECT_EQ(21, Count(c.Mark, TRect{2, 2, 11, 11}));
        }
    }
    // The flat check box: one 3D ring, then a ring in the fill colour.
    Clear();
    Flat()->PaintCheckBox(Canvas.get(), TRect{0, 0, 13, 13}, false, qzbsDisabled);
    EXPECT_EQ(Rgb(clBtnShadow), At(0, 5));
    EXPECT_EQ(Rgb(clBtnHighlight), At(12, 5));
    EXPECT_EQ(Rgb(clBtnFace), At(1, 5));
}

TEST_F(PainterTest, HeaderFrameNeighboursChangeFivePixels) {
    const TRect bounds{4, 4, 40, 24};
    Standard()->PaintHeaderFrame(Canvas.get(), bounds, 0, qzsAll);
    const std::vector<TColor> alone = Pixels();
    Clear();
    Standard()->PaintHeaderFrame(Canvas.get(), bounds, qzsLeft | qzsRight | qzsTop, qzsAll);
    const std::vector<TColor> both = Pixels();
    int changed = 0;
    for (std::size_t i = 0; i < alone.size(); ++i)
        changed += alone[i] != both[i];
    EXPECT_EQ(5, changed);
    EXPECT_EQ(Rgb(clBtnHighlight), At(39, 4));
    EXPECT_EQ(Rgb(clBtnFace), At(4, 5));
    EXPECT_EQ(Rgb(clBtnFace), At(39, 22));
}

TEST_F(PainterTest, ScrollBarParts) {
    const TRect thumb{2, 2, 18, 40};
    for (TPainter p : {Standard(), Flat()}) {
        SCOPED_TRACE(int(p->PainterStyleCode()));
        Clear();
        p->PaintScrollBarElement(Canvas.get(), false, qzbsDisabled, qzsbpThumb, thumb);
        p->PaintScrollBarElement(Canvas.get(), false, qzbsNormal, qzsbpThumb, TRect{30, 30, 30, 40});
        EXPECT_EQ(0, 64 * 48 - Count(kPaper, TRect{0, 0, 64, 48})) << "nothing drawn";
        // Hot looks like normal.
        p->PaintScrollBarElement(Canvas.get(), false, qzbsNormal, qzsbpThumb, thumb);
        const std::vector<TColor> normal = Pixels();
        Clear();
        p->PaintScrollBarElement(Canvas.get(), false, qzbsHot, qzsbpThumb, thumb);
        EXPECT_EQ(normal, Pixels());
        EXPECT_EQ(Rgb(clBtnFace), At(10, 20));
        // Page areas: pattern 0 (highlight where x and y differ in parity), pattern 1 when pressed.
        p->PaintScrollBarElement(Canvas.get(), false, qzbsNormal, qzsbpPageBefore, TRect{30, 0, 46, 16});
        p->PaintScrollBarElement(Canvas.get(), false, qzbsPressed, qzsbpPageAfter, TRect{30, 16, 46, 32});
        EXPECT_EQ(Rgb(clBtnFace), At(30, 0));
        EXPECT_EQ(Rgb(clBtnHighlight), At(31, 0));
        EXPECT_EQ(Rgb(clBlack), At(30, 16));
        EXPECT_EQ(Rgb(cl3DDkShadow), At(31, 16));
    }
    // A disabled arrow button of the standard look still shows its (inactive) arrow.
    Clear();
    const TRect button{0, 0, 17, 17};
    Standard()->PaintScrollBarElement(Canvas.get(), false, qzbsNormal, qzsbpFirstButton, button);
    const std::vector<TColor> enabled = Pixels();
    Clear();
    Standard()->PaintScrollBarElement(Canvas.get(), false, qzbsDisabled, qzsbpFirstButton, button);
    EXPECT_NE(enabled, Pixels());
    EXPECT_GT(Count(clBtnShadow, TRect{3, 3, 14, 14}) + Count(clGrayText, TRect{3, 3, 14, 14}), 0);
    EXPECT_EQ(Rgb(clBtnFace), At(0, 8));
    EXPECT_EQ(Rgb(cl3DDkShadow), At(16, 8));
}

TEST_F(PainterTest, SplitterFillReachesBeyondTheEnds) {
    struct Case {
        const char* Name;
        TPainter Painter;
        bool Horizontal;
        TRect Filled;
    };
    // Bounds 10, 10, 40, 18 (horizontal) and 10, 10, 18, 40 (vertical).
    const std::vector<Case> cases = {
        {"standard horizontal", Standard(), true, {8, 12, 42, 16}},
        {"flat horizontal", Flat(), true, {9, 11, 41, 17}},
        {"standard vertical", Standard(), false, {12, 8, 16, 42}},
        {"flat vertical", Flat(), false, {11, 9, 17, 41}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Clear();
        const TRect bounds = c.Horizontal ? TRect{10, 10, 40, 18} : TRect{10, 10, 18, 40};
        c.Painter->PaintSplitterFrame(Canvas.get(), bounds, c.Horizontal, TqzBrushPair{nullptr, clRed});
        const int w = c.Filled.right - c.Filled.left, h = c.Filled.bottom - c.Filled.top;
        EXPECT_EQ(w * h, Count(clRed, TRect{0, 0, 64, 48}));
        EXPECT_EQ(Rgb(clRed), At(c.Filled.left, c.Filled.top));
        EXPECT_EQ(Rgb(clRed), At(c.Filled.right - 1, c.Filled.bottom - 1));
        EXPECT_EQ(Rgb(clBtnHighlight), c.Horizontal ? At(20, c.Filled.top - 1) : At(c.Filled.left - 1, 20));
    }
}

TEST_F(PainterTest, IndicatorImages) {
    // The image lands centred: ((15 - 5) div 2, (17 - 9) div 2) = (5, 4).
    const TRect bounds{0, 0, 15, 17};
    struct Case {
        Byte Indicator;
        bool Arrow;      // the arrow's tip row
        bool MultiArrow; // the dots under the multi-arrow
    };
    const std::vector<Case> cases = {{0, false, false}, {1, true, false},     {0x81, true, false},
                                     {5, true, true},   {0x80, false, false}, {6, false, false}};
    for (bool header : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(c.Indicator) + (header ? " header" : " cell"));
            Clear();
            if (header)
                Standard()->PaintIndicatorHeader(Canvas.get(), bounds, nullptr, clWindow, c.Indicator);
            else
                Standard()->PaintIndicatorCell(Canvas.get(), bounds, nullptr, clWindow, c.Indicator);
            EXPECT_EQ(Rgb(clBtnHighlight), At(0, 8));
            EXPECT_EQ(Rgb(c.Arrow ? clBlack : clWindow), At(9, 8));
            EXPECT_EQ(Rgb(c.Arrow ? clBlack : clWindow), At(5, 4));
            EXPECT_EQ(Rgb(clWindow), At(9, 7));
            EXPECT_EQ(Rgb(c.MultiArrow ? clBlack : clWindow), At(7, 12));
        }
    }
}

TEST_F(PainterTest, TextCellBackgroundAndCustomDraw) {
    struct TDrawer {
        bool Answer = false;
        int Calls = 0;
        bool Draw(TqzCanvas*, const TRect&) {
            ++Calls;
            return Answer;
        }
    };
    struct Case {
        bool Assigned, Answer;
        TColor Expected;
    };
    const std::vector<Case> cases = {{false, false, clWindow}, {true, false, clWindow}, {true, true, kPaper}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Assigned) + std::to_string(c.Answer));
        Clear();
        TDrawer drawer{c.Answer};
        TqzCustomDrawCellEvent event;
        if (c.Assigned) event = MakeEvent(&drawer, &TDrawer::Draw);
        const TRect bounds{2, 2, 30, 20};
        Base()->PaintTextCell(Canvas.get(), bounds, event, clWindow, clBtnText, nullptr, "", taLeftJustify,
                              qzvaTop, false, false, qzbsNormal, false, bounds);
        EXPECT_EQ(c.Assigned ? 1 : 0, drawer.Calls);
        EXPECT_EQ(Rgb(c.Expected), At(10, 10));
        EXPECT_EQ(kPaper, At(1, 1));
    }
}

TEST_F(PainterTest, StandardGroupToggleDrawsAsTheFlatLook) {
    NewSheet(20, 20);
    for (bool expanded : {false, true}) {
        for (TqzButtonState state : {qzbsNormal, qzbsPressed, qzbsDisabled}) {
            SCOPED_TRACE(std::to_string(expanded) + " " + std::to_string(int(state)));
            Clear();
            Flat()->PaintGroupToggleButton(Canvas.get(), TRect{2, 2, 17, 17}, state, expanded);
            const std::vector<TColor> flat = Pixels();
            Clear();
            Standard()->PaintGroupToggleButton(Canvas.get(), TRect{2, 2, 17, 17}, state, expanded);
            EXPECT_EQ(flat, Pixels());
            EXPECT_GT(Count(state == qzbsDisabled ? clBtnShadow : clBtnText, TRect{4, 4, 15, 15}), 8);
        }
    }
}

TEST_F(PainterTest, DropDownButtonArrowIsBlueWhenActive) {
    for (bool active : {false, true}) {
        SCOPED_TRACE(active ? "active" : "inactive");
        Clear();
        Standard()->PaintDropDownButton(Canvas.get(), TRect{0, 0, 17, 17}, active, qzbsNormal);
        const TRect inside{1, 1, 16, 16};
        EXPECT_EQ(active ? 0 : 16, Count(clBtnText, inside));
        EXPECT_EQ(active ? 16 : 0, Count(clBlue, inside));
        EXPECT_EQ(Rgb(clBtnHighlight), At(0, 8));
        EXPECT_EQ(Rgb(clBtnShadow), At(16, 8));
    }
}

TEST_F(PainterTest, SharedPicturesAreCounted) {
    AcquireLookAndFeelPainterResources();
    AcquireLookAndFeelPainterResources();
    TCustomImageList* images = IndicatorImages();
    ASSERT_NE(nullptr, images);
    EXPECT_EQ(5, images->GetCount());
    EXPECT_EQ(5, images->GetWidth());
    EXPECT_EQ(9, images->GetHeight());
    ReleaseLookAndFeelPainterResources();
    EXPECT_EQ(images, IndicatorImages()) << "one user is left";
    ReleaseLookAndFeelPainterResources();
    ReleaseLookAndFeelPainterResources(); // one too many does nothing
    for (int i : {0, 1}) {
        ASSERT_NE(nullptr, PinGlyph(i));
        EXPECT_EQ(12, PinGlyph(i)->GetWidth());
        EXPECT_EQ(12, PinGlyph(i)->GetHeight());
        ASSERT_NE(nullptr, ScrollBarPattern(i));
        EXPECT_EQ(8, ScrollBarPattern(i)->GetWidth());
    }
    EXPECT_EQ(nullptr, PinGlyph(2));
    EXPECT_EQ(nullptr, ScrollBarPattern(-1));
    EXPECT_EQ(Rgb(clBtnHighlight), ScrollBarPattern(0)->GetCanvas()->GetPixels(1, 0));
    EXPECT_EQ(Rgb(clBtnFace), ScrollBarPattern(0)->GetCanvas()->GetPixels(1, 1));
}

TEST_F(PainterTest, SheetOfParts) {
    NewSheet(240, 90);
    for (int row = 0; row < 2; ++row) {
        TPainter p = row == 0 ? Standard() : Flat();
        TqzCanvas* c = Canvas.get();
        const int y = 4 + row * 44;
        p->PaintButton(c, TRect{4, y, 44, y + 20}, clDefault, clDefault, true, qzbsDefault, "");
        p->PaintButton(c, TRect{48, y, 88, y + 20}, clDefault, clDefault, true, qzbsPressed, "");
        p->PaintCheckBox(c, TRect{92, y, 105, y + 13}, true, qzbsNormal);
        p->PaintCheckBox(c, TRect{108, y, 121, y + 13}, true, qzbsDisabled);
        p->PaintTreeExpandButton(
            c, TRect{124, y, 124 + p->TreeExpandButtonExtent(), y + p->TreeExpandButtonExtent()}, clDefault,
            false);
        Canvas->ApplyClipRegion(std::make_unique<TqzRegion>(TRect{0, 0, 240, 90}));
        p->PaintScrollBarElement(c, false, qzbsNormal, qzsbpFirstButton, TRect{140, y, 157, y + 17});
        p->PaintScrollBarElement(c, false, qzbsNormal, qzsbpPageBefore, TRect{140, y + 17, 157, y + 25});
        p->PaintScrollBarElement(c, false, qzbsNormal, qzsbpThumb, TRect{140, y + 25, 157, y + 40});
        p->PaintDropDownButton(c, TRect{160, y, 177, y + 17}, false, qzbsNormal);
        p->PaintSortArrow(c, TRect{180, y, 196, y + 16}, true);
        p->PaintSortArrow(c, TRect{180, y + 16, 196, y + 32}, false);
        p->PaintCloseButton(c, TRect{198, y, 214, y + 14}, qzbsNormal);
        p->PaintGroupToggleButton(c, TRect{218, y, 233, y + 15}, qzbsNormal, true);
        p->PaintGlyphButton(c, TRect{198, y + 18, 214, y + 32}, 0, qzbsNormal);
        p->PaintPlusMarkButton(c, TRect{218, y + 18, 231, y + 31}, qzbsNormal);
        p->PaintIndicatorCell(c, TRect{4, y + 24, 19, y + 41}, nullptr, clWindow, 1);
        p->PaintControlBorder(c, TRect{24, y + 24, 60, y + 40});
        p->PaintSplitterFrame(c, TRect{64, y + 28, 130, y + 34}, true, TqzBrushPair{nullptr, clBtnFace});
    }
    std::vector<std::uint32_t> pixels;
    for (TColor color : Pixels())
        pixels.push_back(std::uint32_t(GetRValue(color)) << 16 | std::uint32_t(GetGValue(color)) << 8 |
                         GetBValue(color));
    testsupport::WritePng(testsupport::ArtifactPath("LookAndFeelPainters.png"), 240, 90, pixels);
    // The standard default button's black ring and the flat one's.
    EXPECT_EQ(Rgb(clBlack), At(4, 14));
    EXPECT_EQ(Rgb(clBlack), At(4, 58));
}

TEST_F(PainterTest, TabFrameEdges) {
    struct Case {
        const char* Name;
        bool Vertical;
        TqzSides Sides;
        Byte Side;
        TRect Bounds, Filled;
        TColor Color;
        std::vector<TPoint> Extra; // single pixels in clBtnHighlight
    };
    const std::vector<Case> cases = {
        {"vertical left",
         true,
         qzsTop | qzsBottom,
         0,
         {10, 10, 12, 30},
         {10, 12, 12, 28},
         clBtnHighlight,
         {{11, 11}, {11, 28}}},
        {"vertical left, open ends",
         true,
         0,
         0,
         {10, 10, 12, 30},
         {10, 11, 12, 29},
         clBtnHighlight,
         {{11, 10}, {11, 29}}},
        {"vertical bottom", true, qzsLeft, 3, {10, 10, 30, 11}, {11, 10, 30, 11}, clBtnShadow, {}},
        {"horizontal top",
         false,
         qzsAll,
         1,
         {10, 10, 30, 11},
         {11, 10, 29, 11},
         clBtnHighlight,
         {{10, 11}, {29, 11}}},
        {"horizontal right",
         false,
         qzsTop | qzsBottom,
         2,
         {10, 10, 11, 30},
         {10, 12, 11, 29},
         clBtnShadow,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Clear();
        Flat()->PaintTabFrame(Canvas.get(), c.Bounds, c.Vertical, c.Sides, c.Side);
        const int area = (c.Filled.right - c.Filled.left) * (c.Filled.bottom - c.Filled.top);
        EXPECT_EQ(area + (c.Color == clBtnHighlight ? int(c.Extra.size()) : 0),
                  Count(c.Color, TRect{0, 0, 64, 48}));
        EXPECT_EQ(Rgb(c.Color), At(c.Filled.left, c.Filled.top));
        EXPECT_EQ(Rgb(c.Color), At(c.Filled.right - 1, c.Filled.bottom - 1));
        for (const TPoint& p : c.Extra)
            EXPECT_EQ(Rgb(clBtnHighlight), At(p.x, p.y)) << p.x << "," << p.y;
    }
}

TEST_F(PainterTest, StandardArrowHeaderFramesTheOpenSides) {
    struct Case {
        TqzSides Neighbours;
        bool LeftBlack, RightBlack;
    };
    const std::vector<Case> cases = {
        {0, true, true}, {qzsRight, true, false}, {qzsLeft, false, true}, {qzsLeft | qzsRight, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Neighbours));
        Clear();
        const TqzCellStyleRecord style{clWindow, nullptr, clBtnText};
        Standard()->PaintArrowHeader(Canvas.get(), TRect{0, 0, 40, 20}, nullptr, 3, 6, style, c.Neighbours,
                                     "");
        EXPECT_EQ(Rgb(clBlack), At(20, 0));
        EXPECT_EQ(Rgb(clBlack), At(20, 19));
        EXPECT_EQ(Rgb(c.LeftBlack ? clBlack : clBtnHighlight), At(0, 3));
        EXPECT_EQ(Rgb(c.RightBlack ? clBlack : clBtnShadow), At(39, 3));
        // Both arrows: 9 pixels high, apexes towards the ends.
        EXPECT_EQ(Rgb(clWindowText), At(3, 10));
        EXPECT_EQ(Rgb(clWindowText), At(36, 10));
        EXPECT_EQ(Rgb(clWindow), At(20, 10));
    }
}

TEST_F(PainterTest, CloseCrossIsTwoPixelsThickAndMovesWhenPressed) {
    for (TqzButtonState state : {qzbsNormal, qzbsPressed}) {
        SCOPED_TRACE(int(state));
        Clear();
        Standard()->PaintCloseButton(Canvas.get(), TRect{0, 0, 16, 14}, state);
        // Two diagonals of 7 x 2 pixels crossing in two pixels.
        EXPECT_EQ(26, Count(clBtnText, TRect{2, 2, 14, 12}));
        const int d = state == qzbsPressed ? 1 : 0;
        EXPECT_EQ(Rgb(clBtnText), At(4 + d, 3 + d));
        EXPECT_EQ(Rgb(clBtnText), At(5 + d, 3 + d));
        EXPECT_EQ(Rgb(clBtnFace), At(6 + d, 3 + d));
    }
    Clear();
    Flat()->PaintCloseButton(Canvas.get(), TRect{0, 0, 16, 14}, qzbsDisabled);
    EXPECT_EQ(26, Count(clBtnShadow, TRect{1, 1, 15, 13}));
}

TEST_F(PainterTest, SortArrowsPointUpWhenAscending) {
    // An 8 x 7 arrow in 16 x 16 bounds: the base row and the tip row swap with the direction.
    for (TPainter p : {Standard(), Flat()}) {
        Clear();
        p->PaintSortArrow(Canvas.get(), TRect{0, 0, 16, 16}, true);
        EXPECT_EQ(Rgb(clBtnHighlight), At(6, 10)) << "base in the first colour";
        EXPECT_EQ(Rgb(clBtnShadow), At(7, 4)) << "tip";
        EXPECT_EQ(kPaper, At(6, 3));
        Clear();
        p->PaintSortArrow(Canvas.get(), TRect{0, 0, 16, 16}, false);
        EXPECT_EQ(Rgb(clBtnShadow), At(6, 4)) << "base in the second colour";
        EXPECT_EQ(Rgb(clBtnHighlight), At(8, 10)) << "tip";
        EXPECT_EQ(kPaper, At(6, 11));
    }
}
