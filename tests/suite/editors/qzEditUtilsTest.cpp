// The editors' shared drawing routines, probed pixel by pixel on bitmaps, and their helpers:
// button widths, caption prefixes, colours and painting a parent's image behind a control.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/SysColors.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzEditPaintUtils.h"
#include "suite/editors/qzEditUtils.h"
#include "suite/foundation/ybOffice11.h"
#include "tests/support/FormFixture.h"

namespace {

constexpr TColor Ground = TColor(0xFFFFFF);
constexpr TColor Ink = TColor(0x0000FF);

// A white bitmap with a suite canvas over it.
class TProbe {
public:
    TProbe(Integer width, Integer height) {
        Bitmap.SetSize(width, height);
        Bitmap.GetCanvas()->GetBrush()->SetColor(Ground);
        Bitmap.GetCanvas()->FillRect(TRect{0, 0, width, height});
        Canvas = std::make_unique<TqzCanvas>(Bitmap.GetCanvas());
    }
    TColor At(Integer x, Integer y) { return TColor(Bitmap.GetCanvas()->GetPixels(x, y) & 0xFFFFFF); }
    // One line of the picture: '#' for the ink, '.' for the ground, '?' for anything else.
    std::string Row(Integer y, Integer from, Integer to) {
        std::string s;
        for (Integer x = from; x < to; ++x) {
            const TColor c = At(x, y);
            s += c == Ink ? '#' : c == Ground ? '.' : '?';
        }
        return s;
    }
    std::string Column(Integer x, Integer from, Integer to) {
        std::string s;
        for (Integer y = from; y < to; ++y) {
            const TColor c = At(x, y);
            s += c == Ink ? '#' : c == Ground ? '.' : '?';
        }
        return s;
    }

    TBitmap Bitmap;
    std::unique_ptr<TqzCanvas> Canvas;
};

TEST(EditUtilsShapes, ArrowSizesAreOddWithHalfDepth) {
    struct Case {
        TSize button;
        Integer direction;
        TSize expected;
    };
    const Case cases[] = {
        {{17, 21}, adDown, {9, 5}}, // m 17: (16) div 2 = 8, even -> 9
        {{16, 40}, adUp, {7, 4}},   // m 16: 7 odd
        {{16, 40}, adLeft, {4, 7}}, // swapped sideways
        {{3, 3}, adRight, {1, 1}},  // base 1, depth 1
        {{2, 30}, adDown, {1, 1}},  // 0 even -> 1
    };
    for (const Case& c : cases) {
        const TSize size = CalculateArrowSize(c.button, c.direction);
        EXPECT_EQ(size.cx, c.expected.cx) << c.button.cx << "x" << c.button.cy << " dir " << c.direction;
        EXPECT_EQ(size.cy, c.expected.cy) << c.button.cx << "x" << c.button.cy << " dir " << c.direction;
    }
}

TEST(EditUtilsShapes, TriangleArrowsAreCentredAndPointTheirWay) {
    {
        // A 5 x 3 block in 11 x 7: left 3, top 2.
        TProbe p(11, 7);
        DrawTriangleArrows(p.Canvas.get(), 3, TRect{0, 0, 11, 7}, Ink, false, false, adDown);
        EXPECT_EQ(p.Row(1, 0, 11), "...........");
        EXPECT_EQ(p.Row(2, 0, 11), "...#####...");
        EXPECT_EQ(p.Row(3, 0, 11), "....###....");
        EXPECT_EQ(p.Row(4, 0, 11), ".....#.....");
        EXPECT_EQ(p.Row(5, 0, 11), "...........");
    }
    {
        // Pressed: one pixel right and down; two arrows stacked.
        TProbe p(11, 9);
        DrawTriangleArrows(p.Canvas.get(), 2, TRect{0, 0, 11, 9}, Ink, true, true, adUp);
        // Block 3 x 4 at (4, 2), moved to (5, 3).
        EXPECT_EQ(p.Row(2, 0, 11), "...........");
        EXPECT_EQ(p.Row(3, 0, 11), "......#....");
        EXPECT_EQ(p.Row(4, 0, 11), ".....###...");
        EXPECT_EQ(p.Row(5, 0, 11), "......#....");
        EXPECT_EQ(p.Row(6, 0, 11), ".....###...");
        EXPECT_EQ(p.Row(7, 0, 11), "...........");
    }
    {
        TProbe p(7, 7);
        DrawTriangleArrows(p.Canvas.get(), 3, TRect{0, 0, 7, 7}, Ink, false, false, adRight);
        // A 3 x 5 block at (2, 1): columns shrinking from 5 to 1.
        EXPECT_EQ(p.Column(2, 0, 7), ".#####.");
        EXPECT_EQ(p.Column(3, 0, 7), "..###..");
        EXPECT_EQ(p.Column(4, 0, 7), "...#...");
        EXPECT_EQ(p.Column(5, 0, 7), ".......");
    }
}

TEST(EditUtilsShapes, RectEdgesDrawOnTheOldBoundsAndMoveTheChosenSidesIn) {
    TProbe p(6, 5);
    TRect r{1, 1, 5, 4};
    DrawRectEdges(p.Canvas.get(), r, 1 | 8, Ink);
    EXPECT_EQ(p.Row(0, 0, 6), "......");
    EXPECT_EQ(p.Row(1, 0, 6), ".#....");
    EXPECT_EQ(p.Row(2, 0, 6), ".#....");
    EXPECT_EQ(p.Row(3, 0, 6), ".####.");
    EXPECT_EQ(p.Row(4, 0, 6), "......");
    EXPECT_EQ(r.left, 2);
    EXPECT_EQ(r.top, 1);
    EXPECT_EQ(r.right, 5);
    EXPECT_EQ(r.bottom, 3);

    TProbe q(6, 5);
    TRect all{1, 1, 5, 4};
    DrawRectEdges(q.Canvas.get(), all, 15, Ink);
    EXPECT_EQ(q.Row(1, 0, 6), ".####.");
    EXPECT_EQ(q.Row(2, 0, 6), ".#..#.");
    EXPECT_EQ(q.Row(3, 0, 6), ".####.");
    EXPECT_EQ(all.left, 2);
    EXPECT_EQ(all.top, 2);
    EXPECT_EQ(all.right, 4);
    EXPECT_EQ(all.bottom, 3);
}

TEST(EditUtilsShapes, PolyLineWithBrushStopsBeforeEachEndButFillsTheLastPoint) {
    TProbe p(8, 5);
    // Right along row 1, down column 6, back left along row 3.
    const TPoint points[] = {{1, 1}, {6, 1}, {6, 3}, {2, 3}};
    DrawEditPolyLine(p.Canvas.get(), points, 3, true, Ink);
    EXPECT_EQ(p.Row(1, 0, 8), ".######.");
    EXPECT_EQ(p.Row(2, 0, 8), "......#.");
    EXPECT_EQ(p.Row(3, 0, 8), "..#####.");
    EXPECT_EQ(p.Row(4, 0, 8), "........");
}

TEST(EditUtilsShapes, ThreeDotsOfTwoAndOnePixel) {
    TProbe p(14, 4);
    DrawThreeDots(p.Canvas.get(), 1, 1, Ink, 2);
    // 3d + 4 = 10 pixels of dots and gaps.
    EXPECT_EQ(p.Row(1, 0, 14), ".##..##..##...");
    EXPECT_EQ(p.Row(2, 0, 14), ".##..##..##...");
    EXPECT_EQ(p.Row(3, 0, 14), "..............");

    TProbe q(10, 3);
    DrawThreeDots(q.Canvas.get(), 0, 1, Ink, 1);
    EXPECT_EQ(q.Row(1, 0, 10), "#..#..#...");
    EXPECT_EQ(q.Row(0, 0, 10), "..........");
}

TEST(EditUtilsShapes, CenterSizeInRectMovesWhenPressedOnlyWhereItFits) {
    struct Case {
        TRect rect;
        TSize size;
        bool pressed;
        TPoint expected;
    };
    const Case cases[] = {
        {{0, 0, 10, 10}, {4, 4}, false, {3, 3}},    {{0, 0, 10, 10}, {4, 4}, true, {4, 4}},
        {{10, 20, 15, 24}, {4, 4}, true, {11, 20}}, // fits across, not down
        {{0, 0, 4, 4}, {4, 4}, true, {0, 0}},       {{0, 0, 4, 4}, {6, 6}, false, {-1, -1}},
    };
    for (const Case& c : cases) {
        const TPoint p = CenterSizeInRect(c.rect, c.size, c.pressed);
        EXPECT_EQ(p.x, c.expected.x);
        EXPECT_EQ(p.y, c.expected.y);
    }
}

TEST(EditUtilsShapes, FillRectExceptFillsOnlyTheFrame) {
    HBRUSH brush = GetCachedSolidBrush(Ink);
    TProbe p(6, 6);
    FillRectExcept(p.Canvas.get(), TRect{0, 0, 6, 6}, TRect{2, 1, 4, 5}, brush);
    EXPECT_EQ(p.Row(0, 0, 6), "######");
    EXPECT_EQ(p.Row(1, 0, 6), "##..##");
    EXPECT_EQ(p.Row(4, 0, 6), "##..##");
    EXPECT_EQ(p.Row(5, 0, 6), "######");

    TProbe whole(3, 3);
    FillRectExcept(whole.Canvas.get(), TRect{0, 0, 3, 3}, TRect{}, brush);
    EXPECT_EQ(whole.Row(1, 0, 3), "###");

    TProbe none(3, 3);
    FillRectExcept(none.Canvas.get(), TRect{0, 0, 3, 3}, TRect{0, 0, 3, 3}, brush);
    FillRectExcept(none.Canvas.get(), TRect{2, 2, 2, 3}, TRect{}, brush);
    EXPECT_EQ(none.Row(1, 0, 3), "...");
    EXPECT_EQ(none.Row(2, 0, 3), "...");
}

TEST(EditUtilsGlyphs, UsableBitmapsAndGlyphsEnabledAndGreyed) {
    EXPECT_FALSE(IsBitmapUsable(nullptr));
    TBitmap empty;
    EXPECT_FALSE(IsBitmapUsable(&empty));

    // A 4 x 4 glyph: a black square on a fuchsia ground that is its transparent colour.
    TBitmap glyph;
    glyph.SetSize(4, 4);
    glyph.GetCanvas()->GetBrush()->SetColor(TColor(0xFF00FF));
    glyph.GetCanvas()->FillRect(TRect{0, 0, 4, 4});
    glyph.GetCanvas()->GetBrush()->SetColor(TColor(0x000000));
    glyph.GetCanvas()->FillRect(TRect{1, 1, 3, 3});
    glyph.SetTransparentColor(TColor(0xFF00FF));
    ASSERT_TRUE(IsBitmapUsable(&glyph));

    TProbe p(8, 8);
    DrawTransparentGlyph(p.Canvas.get(), 2, 2, nullptr, clNone, true, &glyph);
    EXPECT_EQ(p.At(2, 2), Ground); // the transparent colour left the ground
    EXPECT_EQ(p.At(3, 3), TColor(0x000000));
    EXPECT_EQ(p.At(4, 4), TColor(0x000000));
    EXPECT_EQ(p.At(5, 5), Ground);

    // Over a background colour the transparent colour becomes that colour.
    TProbe b(8, 8);
    DrawTransparentGlyph(b.Canvas.get(), 2, 2, nullptr, TColor(0x00FF00), true, &glyph);
    EXPECT_EQ(b.At(2, 2), TColor(0x00FF00));
    EXPECT_EQ(b.At(3, 3), TColor(0x000000));
    EXPECT_EQ(b.At(1, 1), Ground);

    TProbe q(8, 8);
    DrawTransparentGlyph(q.Canvas.get(), 2, 2, nullptr, clNone, false, &glyph);
    // Greyed: the square is no longer black, the transparent ground still shows through.
    EXPECT_NE(q.At(3, 3), TColor(0x000000));
    EXPECT_EQ(q.At(2, 2), Ground);
}

TEST(EditUtilsGlyphs, ImageListImagesOverTheBackgroundColour) {
    // A 4 x 4 image: a black 2 x 2 square on a fuchsia ground masked away.
    TBitmap image;
    image.SetSize(4, 4);
    image.GetCanvas()->GetBrush()->SetColor(TColor(0xFF00FF));
    image.GetCanvas()->FillRect(TRect{0, 0, 4, 4});
    image.GetCanvas()->GetBrush()->SetColor(TColor(0x000000));
    image.GetCanvas()->FillRect(TRect{1, 1, 3, 3});
    TCustomImageList images(nullptr, 4, 4);
    images.AddMasked(&image, TColor(0xFF00FF));

    TProbe p(10, 10);
    DrawImageListImage(p.Canvas.get(), &images, 0, nullptr, true, TColor(0x00FF00), TRect{3, 2, 9, 9});
    EXPECT_EQ(p.At(3, 2), TColor(0x00FF00)); // the masked ground in the background colour
    EXPECT_EQ(p.At(4, 3), TColor(0x000000));
    EXPECT_EQ(p.At(6, 5), TColor(0x00FF00));
    EXPECT_EQ(p.At(7, 6), Ground); // only the image's size is drawn
    EXPECT_EQ(p.At(2, 2), Ground);

    // A given bitmap keeps what it holds under the mask.
    TBitmap given;
    given.SetSize(4, 4);
    given.GetCanvas()->GetBrush()->SetColor(TColor(0x808080));
    given.GetCanvas()->FillRect(TRect{0, 0, 4, 4});
    TProbe q(6, 6);
    DrawImageListImage(q.Canvas.get(), &images, 0, &given, true, TColor(0x00FF00), TRect{0, 0, 6, 6});
    EXPECT_EQ(q.At(0, 0), TColor(0x808080));
    EXPECT_EQ(q.At(1, 1), TColor(0x000000));
}

TEST(EditUtilsHelpers, AcceleratorPrefixesAreRemoved) {
    const std::pair<const char*, const char*> cases[] = {
        {"&Open", "Open"}, {"Save &As", "Save As"}, {"R&&D", "R&D"}, {"End&", "End_"},
        {"", ""},          {"&&&x", "&x"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(RemoveAcceleratorPrefixes(in), String(out)) << in;
}

TEST(EditUtilsHelpers, ButtonWidths) {
    TProbe p(10, 10);
    const Integer scroll = GetSystemMetrics(SM_CYHSCROLL);
    ASSERT_GT(scroll, 14);

    TqzEditButtonViewInfo text;
    text.Data.Kind = bkText;
    EXPECT_EQ(GetEditButtonWidth(p.Canvas.get(), &text), std::max(4 + 3, scroll));
    text.Data.VisibleCaption = "Browse files";
    EXPECT_EQ(GetEditButtonWidth(p.Canvas.get(), &text),
              std::max(4 + p.Canvas->TextWidthOf("Browse files") + 3, scroll));

    TBitmap glyph;
    glyph.SetSize(10, 10);
    TqzEditButtonViewInfo withGlyph;
    withGlyph.Data.Kind = bkGlyph;
    withGlyph.Glyph = &glyph;
    EXPECT_EQ(GetEditButtonWidth(p.Canvas.get(), &withGlyph), 14); // no minimum for glyphs
    withGlyph.Glyph = nullptr;
    EXPECT_EQ(GetEditButtonWidth(p.Canvas.get(), &withGlyph), scroll);

    TqzEditButtonViewInfo sized;
    sized.Data.Kind = bkEllipsis;
    sized.Width = 2;
    EXPECT_EQ(GetEditButtonWidth(p.Canvas.get(), &sized), 4); // at least the margins
    sized.Width = 40;
    EXPECT_EQ(GetEditButtonWidth(p.Canvas.get(), &sized), 40);
    sized.Width = 0;
    EXPECT_EQ(GetEditButtonWidth(p.Canvas.get(), &sized), scroll);
}

TEST(EditUtilsHelpers, ColoursOfEditorParts) {
    // The system reports NT 5.1: the hot-track colour is the system's.
    EditUtilsInitialize();
    EXPECT_TRUE(IsHotLightColorAvailable());
    EXPECT_EQ(GetEditHotTrackColor(), clHotLight);
    EXPECT_EQ(GetHighlightBorderColor(false), clHighlight);
    EXPECT_EQ(GetHighlightBorderColor(true), SchemeColor40);
    EXPECT_EQ(GetFlatButtonStateColor(true, false),
              PainterClass<TqzUltraFlatLookAndFeelPainter>()->ButtonFaceColor(qzbsPressed));
    EXPECT_EQ(GetFlatButtonStateColor(false, true),
              PainterClass<TqzOffice11LookAndFeelPainter>()->ButtonFaceColor(qzbsHot));
    EXPECT_EQ(GetEditPainterClass(false, lfFlat), PainterClass<TqzFlatLookAndFeelPainter>());
    EXPECT_EQ(GetEditPainterClass(false, lfStandard), PainterClass<TqzStandardLookAndFeelPainter>());
    EXPECT_EQ(GetEditPainterClass(false, lfUltraFlat), PainterClass<TqzUltraFlatLookAndFeelPainter>());
    EXPECT_EQ(GetEditPainterClass(false, lfOffice11), PainterClass<TqzOffice11LookAndFeelPainter>());
}

TEST(EditUtilsHelpers, CanvasLogFontRoundTrip) {
    TProbe p(4, 4);
    LOGFONTA log = GetCanvasLogFont(p.Canvas.get());
    log.lfHeight = -23;
    log.lfWeight = 700;
    SetCanvasFontFromLogFont(p.Canvas.get(), log);
    const LOGFONTA back = GetCanvasLogFont(p.Canvas.get());
    EXPECT_EQ(back.lfHeight, -23);
    EXPECT_EQ(back.lfWeight, 700);
}

// ---- A parent's image behind a control ----

class ParentImageBehind : public testsupport::TFormFixture {
protected:
    TPanel* MakePanel(TColor color, Integer left, Integer top, Integer width, Integer height) {
        auto* panel = new TPanel(Form);
        panel->SetBevelOuter(bvNone);
        panel->SetColor(color);
        panel->SetParent(Form);
        panel->SetBounds(left, top, width, height);
        panel->HandleNeeded();
        return panel;
    }
};

TEST_F(ParentImageBehind, TheParentAndTheSiblingsBelowShowThroughButNotThoseAbove) {
    Form->SetColor(TColor(0x0000FF));
    Form->HandleNeeded();
    // Below the control, covering its left half.
    MakePanel(TColor(0xFF0000), 0, 0, 30, 100);
    TPanel* control = MakePanel(TColor(0x00FF00), 20, 20, 20, 10);
    // Above the control, covering its bottom-right quarter: not part of what lies behind.
    MakePanel(TColor(0x00FFFF), 30, 25, 40, 40);

    TBitmap buffer;
    buffer.SetSize(20, 10);
    buffer.GetCanvas()->GetBrush()->SetColor(Ground);
    buffer.GetCanvas()->FillRect(TRect{0, 0, 20, 10});
    PaintParentImageBehind(control, buffer.GetCanvas(), TRect{0, 0, 20, 10});
    auto at = [&](Integer x, Integer y) { return TColor(buffer.GetCanvas()->GetPixels(x, y) & 0xFFFFFF); };
    EXPECT_EQ(at(0, 0), TColor(0xFF0000)); // the sibling below, left half
    EXPECT_EQ(at(9, 9), TColor(0xFF0000));
    EXPECT_EQ(at(10, 0), TColor(0x0000FF)); // the form beyond it
    EXPECT_EQ(at(19, 9), TColor(0x0000FF)); // not the sibling above

    // A part of the control: the canvas's (0, 0) is that part's top-left.
    TBitmap part;
    part.SetSize(4, 4);
    PaintParentImageBehind(control, part.GetCanvas(), TRect{8, 2, 12, 6});
    EXPECT_EQ(TColor(part.GetCanvas()->GetPixels(1, 1) & 0xFFFFFF), TColor(0xFF0000));
    EXPECT_EQ(TColor(part.GetCanvas()->GetPixels(3, 1) & 0xFFFFFF), TColor(0x0000FF));
}

TEST_F(ParentImageBehind, NothingWithoutAParentOrWithAnEmptyWindowRegion) {
    auto* orphan = new TPanel(Form);
    TBitmap buffer;
    buffer.SetSize(4, 4);
    buffer.GetCanvas()->GetBrush()->SetColor(Ground);
    buffer.GetCanvas()->FillRect(TRect{0, 0, 4, 4});
    PaintParentImageBehind(orphan, buffer.GetCanvas(), TRect{0, 0, 4, 4});
    EXPECT_EQ(TColor(buffer.GetCanvas()->GetPixels(1, 1) & 0xFFFFFF), Ground);

    Form->SetColor(TColor(0x0000FF));
    Form->HandleNeeded();
    TPanel* control = MakePanel(TColor(0x00FF00), 5, 5, 4, 4);
    SetWindowRgn(Form->GetHandle(), CreateRectRgn(0, 0, 0, 0), FALSE);
    PaintParentImageBehind(control, buffer.GetCanvas(), TRect{0, 0, 4, 4});
    EXPECT_EQ(TColor(buffer.GetCanvas()->GetPixels(1, 1) & 0xFFFFFF), Ground);
}

} // namespace
