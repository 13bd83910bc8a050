// Painting a calculated editor: the plain background and border, the buttons clipped out of it
// unless the first button's theme is partially transparent, button frames by style and state,
// ellipsis dots, greyed glyphs, Office11 gradient faces and themed buttons.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/Theme.h"
#include "suite/editors/qzEdit.h"
#include "suite/editors/qzEditUtils.h"
#include "suite/foundation/ybOffice11.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/support/FormFixture.h"

namespace {

constexpr TColor Ground = TColor(0xFFFFFF);

TColor Rgb(TColor color) { return TColor(ColorToRGB(color) & 0xFFFFFF); }

std::string RectText(const TRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

TRect Inner(const TRect& r, Integer by) { return TRect{r.left + by, r.top + by, r.right - by, r.bottom - by}; }

class EditPainting : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        EditUnitFinalize();
        EditUnitInitialize();
        Properties = std::make_unique<TqzCustomEditProperties>(nullptr);
        Style.reset(static_cast<TqzEditStyle*>(TqzEditStyle::CreateInstance(nullptr, csNormal, nullptr, false)));
        Style->SetTransparentBorder(false);
        Style->SetEditBorderStyle(ebsSingle);
        Style->SetBorderColor(clRed);
        Style->SetColor(clYellow);
        Bitmap.SetPixelFormat(pf32bit);
        Bitmap.SetSize(100, 40);
        Canvas = std::make_unique<TqzCanvas>(Bitmap.GetCanvas());
        Clear();
    }
    void TearDown() override {
        Canvas.reset();
        Style.reset();
        Properties.reset();
        testsupport::TFormFixture::TearDown();
        EditUnitFinalize();
        EditUnitInitialize();
    }

    // A shadow leaves its strips excluded from the clip area: every probe and clearing looks at
    // the whole bitmap.
    void Unclip() { SelectClipRgn(Bitmap.GetCanvas()->GetHandle(), nullptr); }
    void Clear() {
        Unclip();
        Bitmap.GetCanvas()->GetBrush()->SetColor(Ground);
        Bitmap.GetCanvas()->FillRect(TRect{0, 0, 100, 40});
    }
    TColor At(Integer x, Integer y) {
        Unclip();
        return TColor(Bitmap.GetCanvas()->GetPixels(x, y) & 0xFFFFFF);
    }
    Integer Count(const TRect& r, TColor color) {
        Integer n = 0;
        for (Integer y = r.top; y < r.bottom; ++y)
            for (Integer x = r.left; x < r.right; ++x)
                if (At(x, y) == Rgb(color)) ++n;
        return n;
    }
    std::string Pixels(const TRect& r) {
        std::string s;
        for (Integer y = r.top; y < r.bottom; ++y)
            for (Integer x = r.left; x < r.right; ++x) s += std::to_string(Integer(At(x, y))) + ",";
        return s;
    }
    TqzEditButton* AddButton(TqzEditButtonKind kind, Integer width) {
        auto* button = static_cast<TqzEditButton*>(Properties->GetButtons()->Add());
        button->SetKind(kind);
        button->SetWidth(width);
        return button;
    }
    // A view info calculated for bounds 0, 0, 60, 20.
    std::unique_ptr<TqzCustomEditViewInfo> Calculate(bool inplace = false, TPoint mouse = TPoint{-1, -1},
                                                     bool enabled = true) {
        std::unique_ptr<TqzCustomEditViewData> data(Properties->CreateViewData(Style.get(), inplace));
        data->Enabled = enabled;
        std::unique_ptr<TqzCustomEditViewInfo> info(static_cast<TqzCustomEditViewInfo*>(Properties->GetViewInfoClass()()));
        data->Calculate(Canvas.get(), TRect{0, 0, 60, 20}, mouse, 0, TShiftState(), info.get(), false);
        return info;
    }

    std::unique_ptr<TqzCustomEditProperties> Properties;
    std::unique_ptr<TqzEditStyle> Style;
    TBitmap Bitmap;
    std::unique_ptr<TqzCanvas> Canvas;
};

TEST_F(EditPainting, PlainBackgroundBorderShadowAndFill) {
    auto info = Calculate();
    info->PaintBackground(Canvas.get());
    EXPECT_EQ(At(0, 0), Rgb(clRed));
    EXPECT_EQ(At(59, 19), Rgb(clRed));
    EXPECT_EQ(At(1, 1), Rgb(clYellow));
    EXPECT_EQ(At(58, 18), Rgb(clYellow));
    EXPECT_EQ(At(60, 10), Ground);

    // With a shadow the border stays 1 and the shadow lies below and right of it.
    Clear();
    Style->SetShadow(true);
    info = Calculate();
    info->PaintBackground(Canvas.get());
    EXPECT_EQ(At(56, 16), Rgb(clRed));
    EXPECT_EQ(At(55, 15), Rgb(clYellow));
    EXPECT_EQ(At(58, 10), Rgb(clBtnShadow));
    EXPECT_EQ(At(10, 18), Rgb(clBtnShadow));
    EXPECT_EQ(At(1, 18), Ground); // the shadow starts 3 pixels in

    // A 3D border: a sunken edge outside, dark shadow inside.
    Clear();
    Style->SetShadow(false);
    Style->SetEditBorderStyle(ebs3D);
    info = Calculate();
    info->PaintBackground(Canvas.get());
    EXPECT_EQ(At(0, 0), Rgb(clBtnShadow));
    EXPECT_EQ(At(59, 19), Rgb(clBtnHighlight));
    EXPECT_EQ(At(1, 1), Rgb(cl3DDkShadow));
    EXPECT_EQ(At(2, 2), Rgb(clYellow));

    // In place without painting the inner area only the strips of the cell offsets are filled.
    Clear();
    std::unique_ptr<TqzCustomEditViewData> data(Properties->CreateViewData(Style.get(), true));
    data->InplaceEditOffsets = TRect{2, 0, 0, 1};
    data->Calculate(Canvas.get(), TRect{0, 0, 60, 20}, TPoint{-1, -1}, 0, TShiftState(), info.get(), false);
    DrawEditBackgroundAndButtons(Canvas.get(), info.get(), false, 0);
    EXPECT_EQ(At(1, 5), Rgb(clYellow));
    EXPECT_EQ(At(30, 19), Rgb(clYellow));
    EXPECT_EQ(At(30, 5), Ground);
}

TEST_F(EditPainting, ButtonsAreClippedOutUnlessTheFirstIsPartiallyTransparent) {
    AddButton(bkEllipsis, 17);
    auto info = Calculate();
    struct TSkip : TObject {
        void Draw(TObject*, TqzCanvas*, Integer, bool& handled) { handled = true; }
    } skip;
    info->OnDrawButton = MakeEvent(&skip, &TSkip::Draw);
    const TPoint middle{50, 10};
    ASSERT_EQ(info->GetButtonInfo(0)->VisibleBounds.left, 42);
    info->PaintBackground(Canvas.get());
    EXPECT_EQ(At(middle.x, middle.y), Ground);
    EXPECT_EQ(At(30, 10), Rgb(clYellow));

    Clear();
    info->GetButtonInfo(0)->Data.NativePartiallyTransparent = true;
    info->PaintBackground(Canvas.get());
    EXPECT_EQ(At(middle.x, middle.y), Rgb(clYellow));
}

TEST_F(EditPainting, ASimpleButtonDrawsAsAFlatOneWhenHotOrPressed) {
    AddButton(bkEllipsis, 17);
    auto info = Calculate();
    TqzEditButtonViewInfo* button = info->GetButtonInfo(0);
    const TRect r = button->Bounds;
    auto paint = [&](TqzEditButtonStyle style, Integer state) {
        Clear();
        button->Data.Style = style;
        button->Data.State = state;
        info->PaintButton(Canvas.get(), 0);
        return Pixels(r);
    };
    EXPECT_EQ(paint(btsSimple, qzebsHot), paint(btsFlat, qzebsHot));
    EXPECT_EQ(paint(btsSimple, qzebsPressed), paint(btsFlat, qzebsPressed));
    EXPECT_NE(paint(btsSimple, qzebsNormal), paint(btsFlat, qzebsNormal));
    // Normal, a simple button is framed in the editor's colour with face-coloured sides.
    paint(btsSimple, qzebsNormal);
    EXPECT_EQ(At(r.left, r.top), Rgb(clYellow));
    EXPECT_EQ(At(r.left + 1, r.top + 5), Rgb(clBtnFace));
}

TEST_F(EditPainting, ThreeDButtonFramesByState) {
    AddButton(bkEllipsis, 17);
    Style->SetButtonStyle(bts3D);
    auto info = Calculate();
    TqzEditButtonViewInfo* button = info->GetButtonInfo(0);
    const TRect r = button->Bounds;
    info->PaintButton(Canvas.get(), 0);
    EXPECT_EQ(At(r.left, r.top), Rgb(cl3DLight));
    EXPECT_EQ(At(r.right - 1, r.bottom - 1), Rgb(cl3DDkShadow));
    EXPECT_EQ(At(r.left + 1, r.top + 1), Rgb(clBtnHighlight));
    EXPECT_EQ(At(r.right - 2, r.bottom - 2), Rgb(clBtnShadow));
    EXPECT_EQ(At(r.left + 2, r.top + 2), Rgb(clBtnFace));

    Clear();
    button->Data.State = qzebsPressed;
    info->PaintButton(Canvas.get(), 0);
    EXPECT_EQ(At(r.left, r.top), Rgb(clBtnShadow));
    EXPECT_EQ(At(r.right - 1, r.bottom - 1), Rgb(clBtnShadow));
    EXPECT_EQ(At(r.left + 1, r.top + 1), Rgb(clBtnFace));
}

TEST_F(EditPainting, HotFlatButtonsShareTheLineBetweenThem) {
    AddButton(bkEllipsis, 17);
    AddButton(bkEllipsis, 17);
    Style->SetButtonStyle(btsHotFlat);
    auto info = Calculate();
    const TRect inner = info->GetButtonInfo(0)->Bounds; // nothing adjoins on its left
    const TRect outer = info->GetButtonInfo(1)->Bounds; // the inner button adjoins on its left
    ASSERT_EQ(inner.right, outer.left);
    info->PaintButton(Canvas.get(), 0);
    info->PaintButton(Canvas.get(), 1);
    const Integer y = (inner.top + inner.bottom) / 2;
    // The inner button is ringed in the shadow colour, then its sides are face-coloured inside.
    EXPECT_EQ(At(inner.left, y), Rgb(clBtnShadow));
    EXPECT_EQ(At(inner.right - 1, y), Rgb(clBtnShadow));
    EXPECT_EQ(At(inner.left + 1, y), Rgb(clBtnFace));
    // The outer one has shadow lines on its top, right and bottom only; its left side is face.
    EXPECT_EQ(At(outer.left, y), Rgb(clBtnFace));
    EXPECT_EQ(At(outer.right - 1, y), Rgb(clBtnShadow));
    EXPECT_EQ(At(outer.left + 3, outer.top), Rgb(clBtnShadow));
    EXPECT_EQ(At(outer.left + 3, outer.bottom - 1), Rgb(clBtnShadow));

    // Hot, a hot-flat button takes the shadow face and draws its content in the window colour.
    Clear();
    info->GetButtonInfo(1)->Data.State = qzebsHot;
    info->PaintButton(Canvas.get(), 1);
    EXPECT_EQ(At(outer.left + 2, outer.top + 2), Rgb(clBtnShadow));
    EXPECT_GT(Count(outer, clWindow), 0);
}

TEST_F(EditPainting, CustomDrawingReplacesTheBackgroundOnlyInPlace) {
    struct TCustom : TObject {
        void Draw(TObject*, TqzCanvas* canvas, bool& handled) {
            ++Calls;
            handled = true;
        }
        int Calls = 0;
    } custom;
    for (bool inplace : {false, true}) {
        SCOPED_TRACE(inplace);
        Clear();
        custom.Calls = 0;
        auto info = Calculate(inplace);
        info->OnDrawCustom = MakeEvent(&custom, &TCustom::Draw);
        info->PaintBackground(Canvas.get());
        EXPECT_EQ(custom.Calls, inplace ? 1 : 0);
        EXPECT_EQ(At(30, 10), inplace ? Ground : Rgb(clYellow));
    }
}

TEST_F(EditPainting, UltraFlatHotButtonsAreFramedInTheHighlightColour) {
    AddButton(bkEllipsis, 17);
    Style->SetButtonStyle(btsUltraFlat);
    auto info = Calculate();
    TqzEditButtonViewInfo* button = info->GetButtonInfo(0);
    const TRect r = button->Bounds;
    info->PaintButton(Canvas.get(), 0);
    EXPECT_EQ(At(r.left, r.top), Rgb(clYellow)); // normal: a ring in the editor's colour
    EXPECT_EQ(At(r.left + 1, r.top + 1), Rgb(clBtnFace));

    Clear();
    button->Data.State = qzebsHot;
    info->PaintButton(Canvas.get(), 0);
    // Hot at the right edge: a left line in the highlight colour, the right side stays.
    EXPECT_EQ(At(r.left, r.top + 5), Rgb(clHighlight));
    EXPECT_EQ(At(r.left + 1, r.top + 5), Rgb(GetFlatButtonStateColor(false, false)));
}

TEST_F(EditPainting, EllipsisDotsAreTwoPixelsFromTwelvePixelsOfContent) {
    Style->SetButtonStyle(bts3D);
    TqzEditButton* ellipsis = AddButton(bkEllipsis, 16);
    struct TCase {
        Integer Width;
        Integer DotPixels;
    };
    // The 3D frame takes 2 pixels on each side: 16 leaves 12 (dots of 2), 15 leaves 11 (dots of 1).
    for (const TCase& c : {TCase{16, 12}, TCase{15, 3}}) {
        SCOPED_TRACE(c.Width);
        Clear();
        ellipsis->SetWidth(c.Width);
        auto info = Calculate();
        info->PaintButton(Canvas.get(), 0);
        EXPECT_EQ(Count(Inner(info->GetButtonInfo(0)->Bounds, 2), clBtnText), c.DotPixels);
    }
    // Disabled: embossed in highlight and shadow, nothing in the text colour.
    Clear();
    ellipsis->SetWidth(16);
    auto info = Calculate(false, TPoint{-1, -1}, false);
    info->PaintButton(Canvas.get(), 0);
    EXPECT_EQ(Count(Inner(info->GetButtonInfo(0)->Bounds, 2), clBtnText), 0);
    EXPECT_EQ(Count(Inner(info->GetButtonInfo(0)->Bounds, 2), clBtnShadow), 12);
    EXPECT_EQ(Count(Inner(info->GetButtonInfo(0)->Bounds, 2), clBtnHighlight), 9); // each 2 x 2 highlight dot less its overlap
}

TEST_F(EditPainting, ADisabledGlyphButtonIsGreyed) {
    Style->SetButtonStyle(bts3D);
    TqzEditButton* button = AddButton(bkGlyph, 0);
    TBitmap* glyph = button->GetGlyph();
    glyph->SetSize(8, 8);
    glyph->GetCanvas()->GetBrush()->SetColor(clRed);
    glyph->GetCanvas()->FillRect(TRect{0, 0, 8, 8});
    glyph->GetCanvas()->SetPixels(0, 7, clWhite); // the transparent colour
    auto info = Calculate();
    EXPECT_EQ(info->GetButtonInfo(0)->Width, 0);
    EXPECT_EQ(RectText(info->GetButtonInfo(0)->Bounds), "47,1,59,19"); // 8 + 4
    info->PaintButton(Canvas.get(), 0);
    EXPECT_EQ(Count(info->GetButtonInfo(0)->Bounds, clRed), 63);

    Clear();
    info = Calculate(false, TPoint{-1, -1}, false);
    info->PaintButton(Canvas.get(), 0);
    EXPECT_EQ(Count(info->GetButtonInfo(0)->Bounds, clRed), 0);
    const TRect content{49, 3, 57, 17};
    EXPECT_LT(Count(content, clBtnFace), 8 * 14 - 20);
}

TEST_F(EditPainting, OfficeGradientButtonsRunFromTheLightToTheDarkSchemeColour) {
    AcquireOfficeSchemeColors();
    AddButton(bkEllipsis, 17);
    Style->SetButtonStyle(btsOffice11);
    Style->SetGradientButtons(true);
    auto info = Calculate();
    TqzEditButtonViewInfo* button = info->GetButtonInfo(0);
    info->PaintButton(Canvas.get(), 0);
    // The band spans the border rectangle less one pixel at top and bottom: rows 2 to 17.
    const Integer x = button->Bounds.left + 2;
    EXPECT_EQ(At(x, 2), Rgb(SchemeColor22));
    EXPECT_NE(At(x, 17), Rgb(SchemeColor22));
    EXPECT_EQ(At(x, 1), Rgb(clYellow)); // the ring in the editor's colour

    // Without gradient, transparent or disabled: a solid face.
    Clear();
    button->Data.Gradient = false;
    info->PaintButton(Canvas.get(), 0);
    EXPECT_EQ(At(x, 2), At(x, 17));
    ReleaseOfficeSchemeColors();
}

TEST_F(EditPainting, ThemedButtonsDrawTheirThemeParts) {
    ThemeManagerFinalize();
    UxThemeInitialize();
    {
        TThemeFake fake;
        ThemeManagerInitialize();
        Style->GetLookAndFeel()->SetNativeStyle(true);
        AddButton(bkDown, 17);
        auto info = Calculate();
        ASSERT_TRUE(info->NativeStyle);
        TqzEditButtonViewInfo* lone = info->GetButtonInfo(0);
        EXPECT_TRUE(lone->Data.ComboBoxStyle);
        EXPECT_EQ(lone->Data.NativePart, 1);
        EXPECT_EQ(lone->Data.NativeState, 1);
        fake.Calls.clear();
        info->PaintButton(Canvas.get(), 0);
        std::vector<TThemeCall> drawn = fake.CallsOf("DrawThemeBackground");
        ASSERT_EQ(drawn.size(), 1u);
        EXPECT_EQ(drawn[0].Class, "ComboBox");

        AddButton(bkEllipsis, 17);
        info = Calculate(false, TPoint{50, 10});
        ASSERT_EQ(info->GetButtonCount(), 2);
        EXPECT_EQ(info->GetButtonInfo(1)->Data.NativeState, 2); // hot
        fake.Calls.clear();
        info->PaintBackground(Canvas.get());
        drawn = fake.CallsOf("DrawThemeBackground");
        std::vector<std::string> classes;
        for (const TThemeCall& call : drawn) classes.push_back(call.Class + ":" + std::to_string(call.State));
        EXPECT_EQ(classes, (std::vector<std::string>{"Edit:2", "Button:1", "Button:2"}));
        ThemeManagerFinalize();
    }
    UxThemeInitialize();
}

} // namespace
