// The suite canvas: tiles anchored at the logical origin, side frames and two-colour edges with
// their corner pixels, text placed by the suite flags (probed where ink lands, relative to the
// same text drawn plainly), clip-region arithmetic, bitmap rotation, and the colour helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "suite/foundation/qzGraphics.h"
#include "tests/support/TestSupport.h"

namespace qg = qzGraphics;

namespace {

// A 32-bit bitmap filled with one colour, to draw on.
std::unique_ptr<TBitmap> Sheet(int width, int height, TColor fill = clWhite) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf32bit);
    bitmap->SetSize(width, height);
    TCanvas* canvas = bitmap->GetCanvas();
    canvas->GetBrush()->SetColor(fill);
    canvas->FillRect(TRect{0, 0, width, height});
    return bitmap;
}

// The bounds of the pixels of one colour (or, with `other`, of any colour but it) in an area.
TRect InkOf(TCanvas* canvas, const TRect& area, TColor color, bool other = false) {
    TRect r{area.right, area.bottom, area.left, area.top};
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if ((canvas->GetPixels(x, y) == color) != other) {
                r.left = std::min<LONG>(r.left, x);
                r.top = std::min<LONG>(r.top, y);
                r.right = std::max<LONG>(r.right, x + 1);
                r.bottom = std::max<LONG>(r.bottom, y + 1);
            }
    if (r.left >= r.right) return TRect{};
    return r;
}

std::string RectText(const TRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// Keeps system colours as they were before the test changed them.
class ScopedSysColors {
public:
    explicit ScopedSysColors(std::vector<int> indices) : FIndices(std::move(indices)) {
        for (int i : FIndices)
            FSaved.push_back(GetSysColor(i));
    }
    ~ScopedSysColors() { SetSysColors(int(FIndices.size()), FIndices.data(), FSaved.data()); }
    void Set(int index, COLORREF color) { SetSysColors(1, &index, &color); }

private:
    std::vector<int> FIndices;
    std::vector<COLORREF> FSaved;
};

// A 16 x 16 tile whose pixel (x, y) is RGB(x * 8, y * 8, 77): where a tile pixel lands tells which
// pixel of the tile it is.
std::unique_ptr<TBitmap> CodedTile() {
    auto tile = Sheet(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            tile->GetCanvas()->SetPixels(x, y, TColor(RGB(BYTE(x * 8), BYTE(y * 8), 77)));
    return tile;
}

TColor TileColorAt(int x, int y) {
    const int tx = ((x % 16) + 16) % 16, ty = ((y % 16) + 16) % 16;
    return TColor(RGB(BYTE(tx * 8), BYTE(ty * 8), 77));
}

} // namespace

TEST(qzGraphicsFlags, SuiteFlagsBecomeDrawTextFlags) {
    struct Case {
        TqzTextFlags Flags;
        UINT Expected;
    };
    const std::vector<Case> cases = {
        {0, DT_NOPREFIX},
        {qg::tfAlignLeft | qg::tfAlignTop, DT_NOPREFIX},
        {qg::tfAlignRight | qg::tfAlignBottom, DT_RIGHT | DT_BOTTOM | DT_NOPREFIX},
        {qg::tfAlignHCenter | qg::tfAlignVCenter | qg::tfSingleLine,
         DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX},
        {qg::tfShowPrefix, 0},
        {qg::tfWordBreak, DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX},
        {qg::tfWordBreak | qg::tfNoBreakChars, DT_WORDBREAK | DT_NOPREFIX},
        {qg::tfNoBreakChars, DT_NOPREFIX},
        {qg::tfNoClip | qg::tfExpandTabs | qg::tfEndEllipsis | qg::tfCalcRect | qg::tfPathEllipsis,
         DT_NOCLIP | DT_EXPANDTABS | DT_END_ELLIPSIS | DT_CALCRECT | DT_PATH_ELLIPSIS | DT_NOPREFIX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Flags);
        EXPECT_EQ(c.Expected, qg::TextFlagsToDrawTextFlags(c.Flags));
    }
}

TEST(qzGraphicsFill, TilesLineUpWithTheLogicalOrigin) {
    auto tile = CodedTile();
    struct Case {
        const char* Name;
        TPoint WindowOrigin;
        TRect Rect; // logical
    };
    const std::vector<Case> cases = {
        {"pieces of four tiles", {0, 0}, {20, 20, 40, 40}},
        {"right edge on a tile boundary", {0, 0}, {3, 5, 32, 16}},
        {"left of and above the origin", {-30, -30}, {-10, -12, 9, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        auto sheet = Sheet(64, 64);
        TqzCanvas canvas(sheet->GetCanvas());
        canvas.SetWindowOrigin(c.WindowOrigin);
        canvas.FillRectOrTile(c.Rect, tile.get());
        canvas.SetWindowOrigin(TPoint{0, 0});
        const TPoint shift{-c.WindowOrigin.x, -c.WindowOrigin.y};
        int wrong = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const int lx = x - shift.x, ly = y - shift.y;
                const bool inside =
                    lx >= c.Rect.left && lx < c.Rect.right && ly >= c.Rect.top && ly < c.Rect.bottom;
                const TColor expected = inside ? TileColorAt(lx, ly) : clWhite;
                if (sheet->GetCanvas()->GetPixels(x, y) != expected) ++wrong;
            }
        EXPECT_EQ(0, wrong);
    }
}

TEST(qzGraphicsFill, WithoutABitmapTheBrushFillsAndEmptyRectanglesDrawNothing) {
    auto sheet = Sheet(20, 20);
    TqzCanvas canvas(sheet->GetCanvas());
    auto empty = std::make_unique<TBitmap>();
    canvas.SetBrushColor(clRed);
    canvas.FillRectOrTile(TRect{2, 2, 6, 6}, empty.get());
    canvas.FillRectOrTile(TRect{10, 10, 10, 15});
    canvas.FillRectOrTile(TRect{12, 12, 8, 8});
    EXPECT_EQ("2,2,6,6", RectText(InkOf(sheet->GetCanvas(), TRect{0, 0, 20, 20}, clWhite, true)));
}

TEST(qzGraphicsFill, SetBrushColorTouchesTheBrushOnlyForAnotherColour) {
    auto sheet = Sheet(4, 4);
    TqzCanvas canvas(sheet->GetCanvas());
    canvas.SetBrushColor(clRed);
    canvas.CurrentBrush()->SetStyle(bsClear);
    // The same colour leaves the brush alone, clear as it is (setting a colour would make it solid).
    canvas.SetBrushColor(clRed);
    EXPECT_EQ(bsClear, canvas.CurrentBrush()->GetStyle());
    canvas.SetBrushColor(clBlue);
    EXPECT_EQ(bsSolid, canvas.CurrentBrush()->GetStyle());
    EXPECT_EQ(clBlue, canvas.CurrentBrush()->GetColor());
}

TEST(qzGraphicsFrames, FrameSidesFillsTheChosenStripsInsideTheRectangle) {
    struct Case {
        const char* Name;
        TqzSides Sides;
        Integer Width;
        TRect ExpectedInk; // of the red pixels; the frame rectangle is 10, 10, 30, 20
        std::vector<TPoint> Clear;
    };
    const std::vector<Case> cases = {
        {"all sides", 15, 2, {10, 10, 30, 20}, {{12, 12}, {27, 17}}},
        {"left only", 1, 3, {10, 10, 13, 20}, {{13, 10}}},
        {"top and bottom", 2 | 8, 1, {10, 10, 30, 20}, {{10, 11}, {29, 18}}},
        {"right only", 4, 4, {26, 10, 30, 20}, {{25, 15}}},
        {"wider than the rectangle", 15, 50, {10, 10, 30, 20}, {{9, 9}, {30, 20}, {31, 15}}},
        {"no sides", 0, 2, {}, {{10, 10}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        auto sheet = Sheet(40, 30);
        TqzCanvas canvas(sheet->GetCanvas());
        canvas.FrameSides(TRect{10, 10, 30, 20}, clRed, c.Sides, c.Width);
        EXPECT_EQ(RectText(c.ExpectedInk), RectText(InkOf(sheet->GetCanvas(), TRect{0, 0, 40, 30}, clRed)));
        for (const TPoint& p : c.Clear)
            EXPECT_NE(clRed, sheet->GetCanvas()->GetPixels(p.x, p.y)) << p.x << "," << p.y;
    }

    // clDefault frames in the brush's colour as it stands.
    auto sheet = Sheet(10, 10);
    TqzCanvas canvas(sheet->GetCanvas());
    canvas.SetBrushColor(clLime);
    canvas.FrameSides(TRect{0, 0, 10, 10}, clDefault, 15, 1);
    EXPECT_EQ(clLime, sheet->GetCanvas()->GetPixels(0, 5));
    EXPECT_EQ(clLime, canvas.CurrentBrush()->GetColor());
}

TEST(qzGraphicsFrames, FillWithFrameFillsWhatTheFrameLeaves) {
    auto sheet = Sheet(30, 30);
    TqzCanvas canvas(sheet->GetCanvas());
    canvas.FillWithFrame(TRect{5, 5, 25, 25}, TqzBrushPair{nullptr, clYellow}, 2, clBlue, 1 | 2);
    TCanvas* c = sheet->GetCanvas();
    EXPECT_EQ("5,5,25,25", RectText(InkOf(c, TRect{0, 0, 30, 30}, clWhite, true)));
    EXPECT_EQ("5,5,25,25", RectText(InkOf(c, TRect{0, 0, 30, 30}, clBlue)));
    EXPECT_EQ("7,7,25,25", RectText(InkOf(c, TRect{0, 0, 30, 30}, clYellow)));

    // With a bitmap the inside is tiled (frame colour clDefault, no sides: no frame at all).
    auto tile = CodedTile();
    auto tiled = Sheet(30, 30);
    TqzCanvas tc(tiled->GetCanvas());
    tc.FillWithFrame(TRect{3, 4, 20, 21}, TqzBrushPair{tile.get(), clYellow}, 1, clDefault, 0);
    EXPECT_EQ(TileColorAt(3, 4), tiled->GetCanvas()->GetPixels(3, 4));
    EXPECT_EQ(TileColorAt(19, 20), tiled->GetCanvas()->GetPixels(19, 20));
    EXPECT_EQ(clWhite, tiled->GetCanvas()->GetPixels(20, 21));
}

TEST(qzGraphicsFrames, TwoColourFramesAndEdges) {
    // The edge colours follow the system colours; make them four distinct ones.
    ScopedSysColors sys({COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW, COLOR_3DLIGHT});
    sys.Set(COLOR_BTNSHADOW, RGB(0x80, 0x80, 0x80));
    sys.Set(COLOR_BTNHIGHLIGHT, RGB(0xFF, 0xFF, 0xF0));
    sys.Set(COLOR_3DDKSHADOW, RGB(0x40, 0x40, 0x40));
    sys.Set(COLOR_3DLIGHT, RGB(0xE0, 0xE0, 0xE0));

    struct Case {
        const char* Name;
        std::function<void(TqzCanvas&)> Draw;
        TColor LeftTop, RightBottom;
    };
    const TRect r{4, 4, 16, 12};
    const std::vector<Case> cases = {
        {"two colours", [&](TqzCanvas& c) { c.DrawTwoColorFrame(r, clRed, 1, 15, clBlue); }, clRed, clBlue},
        {"raised outer", [&](TqzCanvas& c) { c.DrawEdge3D(r, false, true); }, cl3DLight, cl3DDkShadow},
        {"raised inner", [&](TqzCanvas& c) { c.DrawEdge3D(r, false, false); }, clBtnHighlight, clBtnShadow},
        {"sunken outer", [&](TqzCanvas& c) { c.DrawEdge3D(r, true, true); }, clBtnShadow, clBtnHighlight},
        {"sunken inner", [&](TqzCanvas& c) { c.DrawEdge3D(r, true, false); }, cl3DDkShadow, cl3DLight},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        auto sheet = Sheet(20, 16);
        TqzCanvas canvas(sheet->GetCanvas());
        c.Draw(canvas);
        TCanvas* s = sheet->GetCanvas();
        const TColor first = ColorToRGB(c.LeftTop), second = ColorToRGB(c.RightBottom);
        EXPECT_EQ(first, s->GetPixels(4, 4));    // top-left corner
        EXPECT_EQ(first, s->GetPixels(4, 8));    // left
        EXPECT_EQ(first, s->GetPixels(10, 4));   // top
        EXPECT_EQ(second, s->GetPixels(15, 8));  // right
        EXPECT_EQ(second, s->GetPixels(10, 11)); // bottom
        EXPECT_EQ(second, s->GetPixels(15, 4));  // top-right corner: right is painted after top
        EXPECT_EQ(second, s->GetPixels(4, 11));  // bottom-left corner: bottom after left
        EXPECT_EQ(clWhite, s->GetPixels(5, 5));
    }

    // Chosen sides only, and a line wider than the rectangle stays inside it.
    auto sheet = Sheet(30, 20);
    TqzCanvas canvas(sheet->GetCanvas());
    canvas.DrawTwoColorFrame(TRect{2, 2, 8, 6}, clRed, 1, 2 | 4, clBlue);
    EXPECT_EQ(clWhite, sheet->GetCanvas()->GetPixels(2, 4));
    EXPECT_EQ(clRed, sheet->GetCanvas()->GetPixels(3, 2));
    EXPECT_EQ(clBlue, sheet->GetCanvas()->GetPixels(7, 4));
    EXPECT_EQ(clWhite, sheet->GetCanvas()->GetPixels(4, 5));
    canvas.DrawTwoColorFrame(TRect{12, 4, 16, 8}, clRed, 10, 15, clBlue);
    EXPECT_EQ("12,4,16,8", RectText(InkOf(sheet->GetCanvas(), TRect{9, 0, 30, 20}, clWhite, true)));
}

TEST(qzGraphicsFrames, InvertAreaAndFocusFrame) {
    auto sheet = Sheet(20, 10);
    TqzCanvas canvas(sheet->GetCanvas());
    sheet->GetCanvas()->SetCopyMode(cmSrcAnd);
    canvas.InvertArea(TRect{2, 2, 5, 5});
    EXPECT_EQ("2,2,5,5", RectText(InkOf(sheet->GetCanvas(), TRect{0, 0, 10, 10}, clBlack)));
    EXPECT_EQ(cmSrcCopy, sheet->GetCanvas()->GetCopyMode());

    // The dotted focus rectangle marks its outline only, drawn with a white brush and black text.
    canvas.SetBrushColor(clRed);
    canvas.CurrentFont()->SetColor(clBlue);
    canvas.DrawFocusFrame(TRect{10, 1, 19, 9});
    EXPECT_EQ("10,1,19,9", RectText(InkOf(sheet->GetCanvas(), TRect{10, 0, 20, 10}, clWhite, true)));
    EXPECT_EQ(clWhite, sheet->GetCanvas()->GetPixels(14, 5));
    EXPECT_EQ(clWhite, canvas.CurrentBrush()->GetColor());
    EXPECT_EQ(clBlack, canvas.CurrentFont()->GetColor());
}

// ---- Text ------------------------------------------------------------------------------------

TEST(qzGraphicsText, MeasuringAndCalcTextBounds) {
    auto sheet = Sheet(10, 10);
    TqzCanvas canvas(sheet->GetCanvas());
    EXPECT_EQ(0, canvas.MeasureText("").cx);
    EXPECT_EQ(0, canvas.MeasureText("").cy);
    const TSize size = canvas.MeasureText("Abc");
    EXPECT_EQ(sheet->GetCanvas()->TextWidth("Abc"), size.cx);
    EXPECT_EQ(size.cx, canvas.TextWidthOf("Abc"));
    EXPECT_EQ(size.cy, canvas.TextHeightOf("Abc"));

    TFont big;
    big.SetHeight(-30);
    const Integer height = canvas.MeasureFontHeight(&big);
    EXPECT_EQ(-30, canvas.CurrentFont()->GetHeight());
    EXPECT_EQ(sheet->GetCanvas()->TextHeight("Qq"), height);
    EXPECT_GT(height, size.cy);

    canvas.SelectFont(sheet->GetCanvas()->GetFont()); // itself: no change
    TFont plain;
    canvas.SelectFont(&plain);
    const LONG w = canvas.TextWidthOf("Abc"), h = canvas.TextHeightOf("Abc");
    struct Case {
        const char* Name;
        TqzTextFlags Flags;
        TRect Expected;
    };
    const TRect box{10, 20, 210, 120};
    const std::vector<Case> cases = {
        {"left top", qg::tfAlignLeft | qg::tfAlignTop | qg::tfSingleLine, {10, 20, 10 + w, 20 + h}},
        {"right", qg::tfAlignRight | qg::tfSingleLine, {210 - w, 20, 210, 20 + h}},
        {"centred",
         qg::tfAlignHCenter | qg::tfAlignVCenter | qg::tfSingleLine,
         {10 + (200 - w) / 2, 20 + (100 - h) / 2, 10 + (200 - w) / 2 + w, 20 + (100 - h) / 2 + h}},
        {"bottom", qg::tfAlignBottom | qg::tfSingleLine, {10, 120 - h, 10 + w, 120}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TRect r = box;
        canvas.CalcTextBounds("Abc", r, c.Flags);
        EXPECT_EQ(RectText(c.Expected), RectText(r));
    }
}

TEST(qzGraphicsText, PlaceTextVertically) {
    auto sheet = Sheet(10, 10);
    TqzCanvas canvas(sheet->GetCanvas());
    const LONG h = canvas.TextHeightOf("Ag");
    const String twoLines = "one\ntwo";
    struct Case {
        const char* Name;
        Integer Placement;
        bool Enabled;
        LONG ExpectedTop;
    };
    const std::vector<Case> cases = {
        {"none", 0, true, 10},
        {"bottom", 1, true, 110 - 2 * h},
        {"bottom, disabled", 1, false, 110 - 2 * h - 1},
        {"centre", 2, true, (10 + 110 - 2 * h) / 2},
        {"centre, disabled", 2, false, (10 + 110 - 2 * h) / 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TRect r{0, 10, 100, 110};
        canvas.PlaceTextVertically(r, twoLines, false, c.Enabled, false, false, c.Placement);
        EXPECT_EQ(RectText(TRect{0, c.ExpectedTop, 100, 110}), RectText(r));
    }
}

TEST(qzGraphicsText, OutputTextPlacesTheTextByTheFlags) {
    const String text = "Wgx";
    const TRect area{10, 10, 150, 70};
    // Where the ink of the plain (left, top) text lies; the other placements move it.
    auto plainSheet = Sheet(160, 80);
    TqzCanvas plain(plainSheet->GetCanvas());
    plain.CurrentFont()->SetColor(clBlack);
    plain.OutputText(text, area, true, qg::tfSingleLine);
    const TRect ink = InkOf(plainSheet->GetCanvas(), TRect{0, 0, 160, 80}, clWhite, true);
    ASSERT_LT(ink.left, ink.right);
    const LONG w = plain.TextWidthOf(text), h = plain.TextHeightOf(text);
    const LONG h2 = 2 * h;

    struct Case {
        const char* Name;
        String Text;
        TqzTextFlags Flags;
        LONG Dx, Dy;
    };
    const std::vector<Case> cases = {
        {"right", text, qg::tfSingleLine | qg::tfAlignRight, 140 - w, 0},
        {"centred", text, qg::tfSingleLine | qg::tfAlignHCenter | qg::tfAlignVCenter, (140 - w) / 2,
         (60 - h) / 2},
        {"bottom", text, qg::tfSingleLine | qg::tfAlignBottom, 0, 60 - h},
        {"right and left: neither", text, qg::tfSingleLine | qg::tfAlignRight | qg::tfAlignLeft, 0, 0},
        {"with a prefix, through DrawText", "&" + text,
         qg::tfSingleLine | qg::tfShowPrefix | qg::tfAlignRight, 140 - w, 0},
        {"two lines at the bottom", text + "\n" + text, qg::tfAlignBottom, 0, 60 - h2},
        {"two lines in the middle", text + "\n" + text, qg::tfAlignVCenter, 0, (60 - h2) / 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        auto sheet = Sheet(160, 80);
        TqzCanvas canvas(sheet->GetCanvas());
        canvas.CurrentFont()->SetColor(clBlack);
        canvas.OutputText(c.Text, area, true, c.Flags);
        const TRect got = InkOf(sheet->GetCanvas(), TRect{0, 0, 160, 80}, clWhite, true);
        // The first line's ink starts where the plain text's does, moved.
        EXPECT_EQ(ink.left + c.Dx, got.left);
        EXPECT_EQ(ink.top + c.Dy, got.top);
    }
}

TEST(qzGraphicsText, OutputTextClipsEmptyTextsAndKeepsTheCanvasState) {
    auto sheet = Sheet(100, 40);
    TqzCanvas canvas(sheet->GetCanvas());
    canvas.CurrentFont()->SetColor(clBlack);
    canvas.OutputText("", TRect{0, 0, 100, 40}, true, qg::tfSingleLine);
    EXPECT_EQ(TRect{}.right, InkOf(sheet->GetCanvas(), TRect{0, 0, 100, 40}, clWhite, true).right);

    // A text wider than its rectangle is cut at the rectangle (ExtTextOut and DrawText modes).
    for (TqzTextFlags flags :
         {TqzTextFlags(qg::tfSingleLine), TqzTextFlags(qg::tfSingleLine | qg::tfShowPrefix)}) {
        SCOPED_TRACE(flags);
        auto s = Sheet(100, 40);
        TqzCanvas c(s->GetCanvas());
        c.CurrentFont()->SetColor(clBlack);
        c.OutputText("WWWWWWWWWWWWWWWWWWWW", TRect{5, 5, 30, 35}, true, flags);
        const TRect got = InkOf(s->GetCanvas(), TRect{0, 0, 100, 40}, clWhite, true);
        EXPECT_GE(got.left, 5);
        EXPECT_LE(got.right, 30);
        EXPECT_GT(got.right, 20);
    }

    // Disabled: the brush style and font colour come back as they were.
    canvas.CurrentFont()->SetColor(clMaroon);
    canvas.CurrentBrush()->SetColor(clYellow);
    canvas.OutputText("Text", TRect{0, 0, 100, 40}, false, qg::tfSingleLine);
    EXPECT_EQ(clMaroon, canvas.CurrentFont()->GetColor());
    EXPECT_EQ(bsSolid, canvas.CurrentBrush()->GetStyle());
    canvas.CurrentBrush()->SetStyle(bsClear);
    canvas.OutputText("Text", TRect{0, 0, 100, 40}, false, qg::tfSingleLine | qg::tfShowPrefix);
    EXPECT_EQ(clMaroon, canvas.CurrentFont()->GetColor());
    EXPECT_EQ(bsClear, canvas.CurrentBrush()->GetStyle());
}

TEST(qzGraphicsText, DisabledTextIsEmbossedAndEndsOnePixelFurtherLeft) {
    ScopedSysColors sys({COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT});
    sys.Set(COLOR_BTNSHADOW, RGB(0x80, 0x80, 0x80));
    sys.Set(COLOR_BTNHIGHLIGHT, RGB(0xFF, 0xFF, 0xFF));
    const TRect area{10, 10, 120, 40};
    const TqzTextFlags flags = qg::tfSingleLine | qg::tfAlignRight;

    auto enabledSheet = Sheet(130, 50, clYellow);
    TqzCanvas enabled(enabledSheet->GetCanvas());
    enabled.CurrentFont()->SetColor(clBlack);
    enabled.CurrentBrush()->SetStyle(bsClear);
    enabled.OutputText("Abc", area, true, flags);
    const TRect black = InkOf(enabledSheet->GetCanvas(), TRect{0, 0, 130, 50}, clBlack);
    ASSERT_LT(black.left, black.right);

    auto disabledSheet = Sheet(130, 50, clYellow);
    TqzCanvas disabled(disabledSheet->GetCanvas());
    disabled.CurrentBrush()->SetStyle(bsClear);
    disabled.OutputText("Abc", area, false, flags);
    const TRect shadow =
        InkOf(disabledSheet->GetCanvas(), TRect{0, 0, 130, 50}, TColor(RGB(0x80, 0x80, 0x80)));
    const TRect light = InkOf(disabledSheet->GetCanvas(), TRect{0, 0, 130, 50}, clWhite);
    EXPECT_EQ(black.right - 1, shadow.right);
    EXPECT_EQ(black.top, shadow.top);
    // The highlight shows one pixel right of and below the shadow, where the shadow does not cover it.
    EXPECT_EQ(shadow.right + 1, light.right);
    EXPECT_EQ(shadow.bottom + 1, light.bottom);
    EXPECT_EQ(0, InkOf(disabledSheet->GetCanvas(), TRect{0, 0, 130, 50}, clBlack).right);
}

// ---- Clip regions ----------------------------------------------------------------------------

TEST(qzGraphicsClip, CopyClipRegionWithoutAClipIsTheLargeRectangle) {
    auto sheet = Sheet(10, 10);
    TqzCanvas canvas(sheet->GetCanvas());
    auto region = canvas.CopyClipRegion(false);
    TqzRegion expected(0, 0, 30000, 30000);
    EXPECT_TRUE(EqualRgn(expected.GetHandle(), region->GetHandle()));

    // In logical coordinates it moves against the origin offset.
    canvas.SetWindowOrigin(TPoint{5, -3});
    auto logical = canvas.CopyClipRegion(true);
    RECT box{};
    GetRgnBox(logical->GetHandle(), &box);
    EXPECT_EQ("5,-3,30005,29997", RectText(box));
    EXPECT_EQ(-5, canvas.DeviceOriginOffset().x);
    EXPECT_EQ(3, canvas.DeviceOriginOffset().y);
}

TEST(qzGraphicsClip, ApplyClipRegionCombinesWithTheCurrentClip) {
    struct Case {
        const char* Name;
        std::function<void(TqzCanvas&)> Clip;
        std::vector<TRect> Painted; // what a fill of the whole sheet reaches
    };
    const std::vector<Case> cases = {
        {"copy",
         [](TqzCanvas& c) {
             c.ApplyClipRegion(TqzRegion::CreateFromRect(TRect{2, 2, 8, 8}));
         },
         {{2, 2, 8, 8}}},
        {"intersection",
         [](TqzCanvas& c) {
             c.ApplyClipRegion(TqzRegion::CreateFromRect(TRect{2, 2, 8, 8}));
             c.ApplyClipRegion(TqzRegion::CreateFromBounds(5, 0, 20, 20), roIntersection);
         },
         {{5, 2, 8, 8}}},
        {"union",
         [](TqzCanvas& c) {
             c.IntersectClipArea(TRect{0, 0, 4, 4});
             c.ApplyClipRegion(TqzRegion::CreateFromRect(TRect{10, 10, 12, 12}), roUnion);
         },
         {{0, 0, 4, 4}, {10, 10, 12, 12}}},
        {"difference",
         [](TqzCanvas& c) {
             c.IntersectClipArea(TRect{0, 0, 10, 4});
             c.ApplyClipRegion(TqzRegion::CreateFromRect(TRect{3, 0, 20, 20}), roDifference);
         },
         {{0, 0, 3, 4}}},
        {"exclude",
         [](TqzCanvas& c) {
             c.IntersectClipArea(TRect{0, 0, 10, 4});
             c.ExcludeClipArea(TRect{0, 0, 7, 20});
         },
         {{7, 0, 10, 4}}},
        {"logical coordinates",
         [](TqzCanvas& c) {
             c.SetWindowOrigin(TPoint{-4, -4});
             c.ApplyClipRegion(TqzRegion::CreateFromRect(TRect{0, 0, 2, 2}));
             c.SetWindowOrigin(TPoint{0, 0});
         },
         {{4, 4, 6, 6}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        auto sheet = Sheet(16, 16);
        TqzCanvas canvas(sheet->GetCanvas());
        c.Clip(canvas);
        canvas.SetBrushColor(clRed);
        canvas.FillRectOrTile(TRect{0, 0, 16, 16});
        SelectClipRgn(canvas.DeviceContext(), nullptr); // pixels outside a clip do not read back
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                bool inside = false;
                for (const TRect& r : c.Painted)
                    inside = inside || (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
                ASSERT_EQ(inside ? clRed : clWhite, sheet->GetCanvas()->GetPixels(x, y)) << x << "," << y;
            }
    }

    // A region the caller keeps comes back as it was, in logical coordinates.
    auto sheet = Sheet(16, 16);
    TqzCanvas canvas(sheet->GetCanvas());
    canvas.SetWindowOrigin(TPoint{-4, -4});
    TqzRegion kept(TRect{0, 0, 2, 2});
    canvas.ApplyClipRegion(&kept, roCopy, true, false);
    RECT box{};
    GetRgnBox(kept.GetHandle(), &box);
    EXPECT_EQ("0,0,2,2", RectText(box));
    auto now = canvas.CopyClipRegion(true);
    EXPECT_TRUE(EqualRgn(kept.GetHandle(), now->GetHandle()));
}

TEST(qzGraphicsClip, RegionCombineAndOffset) {
    TqzRegion a(0, 0, 10, 10);
    a.Combine(TqzRegion::CreateFromRect(TRect{5, 5, 20, 20}), roIntersection);
    RECT box{};
    GetRgnBox(a.GetHandle(), &box);
    EXPECT_EQ("5,5,10,10", RectText(box));
    a.Offset(2, -5);
    GetRgnBox(a.GetHandle(), &box);
    EXPECT_EQ("7,0,12,5", RectText(box));
    TqzRegion other(1, 1, 3, 3);
    a.Combine(&other, roCopy, false);
    EXPECT_TRUE(EqualRgn(a.GetHandle(), other.GetHandle()));
    auto empty = TqzRegion::CreateEmpty();
    EXPECT_EQ(NULLREGION, GetRgnBox(empty->GetHandle(), &box));
    a.Combine(&a, roDifference, false);
    EXPECT_EQ(NULLREGION, GetRgnBox(a.GetHandle(), &box));
}

// ---- Bitmaps -----------------------------------------------------------------------------------

TEST(qzGraphicsBitmaps, RotateBitmapTurnsAndMirrors) {
    // The source, 3 wide and 2 high:  A B C / D E F.
    const TColor colors[6] = {clRed, clLime, clBlue, clYellow, clFuchsia, clAqua};
    auto letterOf = [&](TColor c) {
        for (int i = 0; i < 6; ++i)
            if (colors[i] == c) return char('A' + i);
        return '?';
    };
    struct Case {
        Integer Rotation;
        bool Mirror;
        const char* Expected; // rows separated by '/'
    };
    const std::vector<Case> cases = {
        {0, false, "ABC/DEF"},  {0, true, "DEF/ABC"},  {1, false, "CF/BE/AD"}, {1, true, "AD/BE/CF"},
        {2, false, "DA/EB/FC"}, {2, true, "FC/EB/DA"}, {3, false, "FED/CBA"},  {3, true, "CBA/FED"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Rotation) + (c.Mirror ? " mirrored" : ""));
        auto bitmap = Sheet(3, 2);
        for (int i = 0; i < 6; ++i)
            bitmap->GetCanvas()->SetPixels(i % 3, i / 3, colors[i]);
        auto sheet = Sheet(4, 4);
        TqzCanvas canvas(sheet->GetCanvas());
        canvas.RotateBitmap(bitmap.get(), c.Rotation, c.Mirror);
        std::string got;
        for (int y = 0; y < bitmap->GetHeight(); ++y) {
            if (y) got += '/';
            for (int x = 0; x < bitmap->GetWidth(); ++x)
                got += letterOf(bitmap->GetCanvas()->GetPixels(x, y));
        }
        EXPECT_EQ(c.Expected, got);
    }
}

// ---- Screen canvas and helpers -------------------------------------------------------------------

TEST(qzGraphicsScreen, MeasuresLikeAnyCanvasAndReleasesItsContext) {
    TqzScreenCanvas screen;
    auto sheet = Sheet(4, 4);
    TqzCanvas canvas(sheet->GetCanvas());
    EXPECT_EQ(canvas.MeasureText("Measure me").cx, screen.MeasureText("Measure me").cx);
    EXPECT_EQ(canvas.MeasureFontHeight(canvas.CurrentFont()), screen.MeasureFontHeight(canvas.CurrentFont()));

    TScreenCanvas raw;
    EXPECT_FALSE(raw.HandleAllocated());
    EXPECT_NE(nullptr, raw.GetHandle());
    raw.FreeHandle();
    EXPECT_FALSE(raw.HandleAllocated());
    EXPECT_NE(nullptr, raw.GetHandle()); // fetched again when needed
}

TEST(qzGraphicsHelpers, MarginsAndBlendedSystemColours) {
    TRect r{10, 10, 50, 40};
    DeflateRectByMargins(r, TRect{1, 2, 3, 4});
    EXPECT_EQ("11,12,47,36", RectText(r));

    ScopedSysColors sys({COLOR_BTNFACE, COLOR_HIGHLIGHT, COLOR_WINDOW});
    sys.Set(COLOR_HIGHLIGHT, RGB(10, 36, 106));
    sys.Set(COLOR_WINDOW, RGB(255, 255, 255));
    struct Case {
        const char* Name;
        COLORREF Face;
        Integer P1, P2, P3;
        COLORREF Expected;
    };
    const std::vector<Case> cases = {
        // 212 * -2% + 10 * 30% + 255 * 72% = -4 + 3 + 184 = 183 (MulDiv rounds halves away from zero)
        {"hot track", RGB(212, 208, 200), -2, 30, 72, RGB(183, 191, 212)},
        {"pressed", RGB(212, 208, 200), 14, 44, 40, RGB(136, 147, 177)},
        {"clamped", RGB(212, 208, 200), 100, 100, 100, RGB(255, 255, 255)},
        {"clamped below", RGB(212, 208, 200), -100, 0, 0, RGB(0, 0, 0)},
        {"black face gives the highlight", RGB(0, 0, 0), 50, 0, 50, RGB(10, 36, 106)},
        {"white face gives the highlight", RGB(255, 255, 255), 50, 0, 50, RGB(10, 36, 106)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        sys.Set(COLOR_BTNFACE, c.Face);
        EXPECT_EQ(TColor(c.Expected), BlendSystemColors(c.P1, c.P2, c.P3));
    }
    sys.Set(COLOR_BTNFACE, RGB(212, 208, 200));
    EXPECT_EQ(TColor(RGB(183, 191, 212)), HotTrackLightColor());
    EXPECT_EQ(TColor(RGB(136, 147, 177)), PressedLightColor());
    EXPECT_EQ(TColor(RGB(10, 36, 106)), NearestScreenColor(clHighlight));
}
