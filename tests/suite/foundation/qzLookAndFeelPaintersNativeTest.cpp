// The native painter: with the recording visual-style stand-in it draws theme parts in the
// states of its tables and measures with the theme; without visual styles every operation draws
// and answers as the standard painter (or the base painter where that one has nothing).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/winapi/SysColors.h"
#include "platform/winapi/Theme.h"
#include "suite/foundation/qzLookAndFeelPainters.h"
#include "suite/foundation/ybOffice11.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"

namespace {

using TPainter = TqzLookAndFeelPainterClass;

TPainter Native() { return PainterClass<TqzWinXPLookAndFeelPainter>(); }
TPainter Standard() { return PainterClass<TqzStandardLookAndFeelPainter>(); }

constexpr TColor kPaper = 0x00FF00;

// A 32-bit sheet with a suite canvas over it.
struct Sheet {
    Sheet(int width, int height) {
        Bitmap = std::make_unique<TBitmap>();
        Bitmap->SetPixelFormat(pf32bit);
        Bitmap->SetSize(width, height);
        Canvas = std::make_unique<TqzCanvas>(Bitmap->GetCanvas());
        TCanvas* c = Bitmap->GetCanvas();
        c->GetBrush()->SetStyle(bsSolid);
        c->GetBrush()->SetColor(kPaper);
        c->FillRect(TRect{0, 0, width, height});
    }
    std::vector<TColor> Pixels() const {
        std::vector<TColor> all;
        for (int y = 0; y < Bitmap->GetHeight(); ++y)
            for (int x = 0; x < Bitmap->GetWidth(); ++x)
                all.push_back(Bitmap->GetCanvas()->GetPixels(x, y));
        return all;
    }
    std::unique_ptr<TBitmap> Bitmap;
    std::unique_ptr<TqzCanvas> Canvas;
};

// Themes active through the stand-in; the theme manager starts after it so that it finds them
// active.
class NativePainterThemed : public ::testing::Test {
protected:
    void SetUp() override {
        ThemeManagerFinalize();
        UxThemeInitialize();
        Fake.emplace();
        ThemeManagerInitialize();
    }
    void TearDown() override {
        ThemeManagerFinalize();
        Fake.reset();
        UxThemeInitialize();
        RebuildOfficeSchemeColors();
    }

    // The class, part and state of every background drawn, then forgotten.
    std::vector<std::string> TakeDrawn() {
        std::vector<std::string> seen;
        for (const TThemeCall& call : Fake->CallsOf("DrawThemeBackground"))
            seen.push_back(call.Class + " " + std::to_string(call.Part) + "/" + std::to_string(call.State));
        Fake->Calls.clear();
        return seen;
    }

    std::optional<TThemeFake> Fake;
};

using Seen = std::vector<std::string>;

} // namespace

TEST(NativePainter, WithoutVisualStylesAnswersAsTheFallbacks) {
    ASSERT_FALSE(AreThemesActiveForTypes(0));
    TPainter p = Native();
    EXPECT_EQ(3, p->PainterStyleCode());
    EXPECT_EQ(2, p->ControlBorderWidth());
    // The standard painter answers 3 for a default button; the native fallback does not.
    EXPECT_EQ(2, p->ButtonBorderWidth(qzbsDefault));
    EXPECT_EQ(3, Standard()->ButtonBorderWidth(qzbsDefault));
    EXPECT_EQ(TColor(clBtnFace), p->ButtonFaceColor(qzbsHot));
    EXPECT_EQ(TColor(clBtnShadow), p->BorderLineColor());
    EXPECT_EQ(12, p->TreeExpandButtonExtent());
    EXPECT_EQ(9, p->SmallExpandButtonExtent());
    EXPECT_EQ(15, p->GroupToggleButtonExtent());
    EXPECT_EQ(2, p->CheckBoxBorderWidth());
    EXPECT_EQ(1, p->HeaderFrameWidth());
    EXPECT_EQ(1, p->FooterCellFrameWidth());
    EXPECT_EQ(0, p->TabMetric147(false));
    const std::vector<std::pair<const char*, std::pair<TSize, TSize>>> sizes = {
        {"mark", {p->MarkButtonExtent(), TSize{15, 15}}},   {"check", {p->CheckBoxExtent(), TSize{13, 13}}},
        {"close", {p->CloseButtonExtent(), TSize{16, 14}}}, {"pin", {p->PinButtonExtent(), TSize{16, 14}}},
        {"sort", {p->SortArrowExtent(), TSize{7, 8}}},
    };
    for (const auto& [name, pair] : sizes) {
        SCOPED_TRACE(name);
        EXPECT_EQ(pair.second.cx, pair.first.cx);
        EXPECT_EQ(pair.second.cy, pair.first.cy);
    }
    const TRect bounds{0, 0, 30, 20};
    const TRect focus = p->CalcButtonFocusBounds(nullptr, bounds);
    EXPECT_EQ((TRect{4, 4, 26, 16}.left), focus.left);
    EXPECT_EQ(16, focus.bottom);
    EXPECT_TRUE(p->HitTestGroupToggleButton(bounds, TPoint{29, 19}));
    EXPECT_FALSE(p->HitTestGroupToggleButton(bounds, TPoint{30, 5}));
}

TEST(NativePainter, WithoutVisualStylesDrawsAsTheStandardPainter) {
    using Draw = std::function<void(TPainter, TqzCanvas*)>;
    const std::vector<std::pair<const char*, Draw>> cases = {
        {"control border",
         [](TPainter p, TqzCanvas* c) {
             p->PaintControlBorder(c, TRect{2, 2, 30, 20});
         }},
        {"tree expand",
         [](TPainter p, TqzCanvas* c) {
             p->PaintTreeExpandButton(c, TRect{2, 2, 14, 14}, clDefault, true);
         }},
        {"check box",
         [](TPainter p, TqzCanvas* c) {
             p->PaintCheckBox(c, TRect{2, 2, 15, 15}, true, qzbsNormal);
         }},
        {"drop down",
         [](TPainter p, TqzCanvas* c) {
             p->PaintDropDownButton(c, TRect{2, 2, 19, 19}, true, qzbsPressed);
         }},
        {"footer frame",
         [](TPainter p, TqzCanvas* c) {
             p->PaintFooterFrame(c, TRect{2, 2, 30, 20});
         }},
        {"scroll thumb",
         [](TPainter p, TqzCanvas* c) {
             p->PaintScrollBarElement(c, false, qzbsNormal, qzsbpThumb, TRect{2, 2, 19, 30});
         }},
        {"scroll arrow",
         [](TPainter p, TqzCanvas* c) {
             p->PaintScrollBarElement(c, true, qzbsPressed, qzsbpSecondButton, TRect{2, 2, 19, 19});
         }},
        {"tab strip",
         [](TPainter p, TqzCanvas* c) {
             p->PaintTabStrip(c, TRect{2, 2, 30, 20}, false, qzsAll);
         }},
        {"splitter",
         [](TPainter p, TqzCanvas* c) {
             p->PaintSplitterFrame(c, TRect{4, 4, 30, 10}, true, TqzBrushPair{nullptr, clBtnFace});
         }},
    };
    for (const auto& [name, draw] : cases) {
        SCOPED_TRACE(name);
        Sheet native(34, 34), standard(34, 34);
        draw(Native(), native.Canvas.get());
        draw(Standard(), standard.Canvas.get());
        EXPECT_EQ(standard.Pixels(), native.Pixels());
    }
}

TEST_F(NativePainterThemed, PartsAndStatesFollowTheTables) {
    TPainter p = Native();
    Sheet s(40, 40);
    TqzCanvas* c = s.Canvas.get();
    const TRect r{0, 0, 20, 20};
    struct Case {
        const char* Name;
        std::function<void()> Draw;
        Seen Expected;
    };
    const std::vector<Case> cases = {
        {"push button per state",
         [&] {
             for (TqzButtonState st : {qzbsDefault, qzbsNormal, qzbsHot, qzbsPressed, qzbsDisabled})
                 p->PaintButtonBackground(c, r, st);
         },
         {"Button 1/5", "Button 1/1", "Button 1/2", "Button 1/3", "Button 1/4"}},
        {"tool button: normal shows hot, hot shows checked",
         [&] {
             for (TqzButtonState st : {qzbsNormal, qzbsHot, qzbsPressed})
                 p->PaintToolButton(c, r, st);
         },
         {"ToolBar 1/2", "ToolBar 1/5", "ToolBar 1/3"}},
        {"check marks",
         [&] {
             p->PaintCheckMark(c, r, clBlack, false, qzbsDefault);
             p->PaintCheckMark(c, r, clBlack, true, qzbsHot);
             p->PaintCheckMark(c, r, clBlack, true, qzbsDisabled);
         },
         {"Button 3/1", "Button 3/6", "Button 3/8"}},
        {"scroll arrows: direction and state",
         [&] {
             p->PaintScrollBarElement(c, false, qzbsNormal, qzsbpFirstButton, r);
             p->PaintScrollBarElement(c, false, qzbsHot, qzsbpSecondButton, r);
             p->PaintScrollBarElement(c, true, qzbsPressed, qzsbpFirstButton, r);
             p->PaintScrollBarElement(c, true, qzbsDisabled, qzsbpSecondButton, r);
         },
         {"ScrollBar 1/1", "ScrollBar 1/6", "ScrollBar 1/11", "ScrollBar 1/16"}},
        {"scroll thumb, gripper and tracks; a disabled thumb is drawn too",
         [&] {
             p->PaintScrollBarElement(c, false, qzbsDisabled, qzsbpThumb, r);
             p->PaintScrollBarElement(c, true, qzbsHot, qzsbpThumb, r);
             p->PaintScrollBarElement(c, false, qzbsPressed, qzsbpPageBefore, r);
             p->PaintScrollBarElement(c, true, qzbsNormal, qzsbpPageAfter, r);
             p->PaintScrollBarElement(c, true, qzbsNormal, qzsbpNone, r);
             p->PaintScrollBarElement(c, true, qzbsNormal, qzsbpThumb, TRect{5, 5, 5, 9});
         },
         {"ScrollBar 3/4", "ScrollBar 9/0", "ScrollBar 2/2", "ScrollBar 8/0", "ScrollBar 6/3",
          "ScrollBar 5/1"}},
        {"tree, explorer bar, close, drop-down",
         [&] {
             p->PaintTreeExpandButton(c, r, clDefault, true);
             p->PaintSmallExpandButton(c, r, clRed, clBlue, false);
             p->PaintGroupToggleButton(c, r, qzbsDisabled, true);
             p->PaintGroupToggleButton(c, r, qzbsHot, false);
             p->PaintCloseButton(c, r, qzbsPressed);
             p->PaintDropDownButton(c, r, true, qzbsDisabled);
         },
         {"TreeView 2/2", "TreeView 2/1", "ExplorerBar 6/1", "ExplorerBar 7/2", "Window 19/3",
          "ComboBox 1/4"}},
        {"header items: the state table",
         [&] {
             for (TqzButtonState st : {qzbsDefault, qzbsHot, qzbsPressed, qzbsDisabled})
                 p->PaintHeaderCell(c, r, r, 0, qzsAll, st, taLeftJustify, qzvaTop, false, false, "", nullptr,
                                    clBlack, clWhite, nullptr, false);
         },
         {"Header 1/1", "Header 1/2", "Header 1/3", "Header 1/1"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Name);
        Fake->Calls.clear();
        k.Draw();
        EXPECT_EQ(k.Expected, TakeDrawn());
    }
}

TEST_F(NativePainterThemed, RightmostHeaderItemUsesItsOwnPartUnderTheBlueAndOliveSchemes) {
    struct Case {
        const char16_t* Color;
        TqzButtonState State;
        const char* Expected;
    };
    const std::vector<Case> cases = {
        {u"NormalColor", qzbsNormal, "Header 3/1"}, {u"HomeStead", qzbsNormal, "Header 3/1"},
        {u"Metallic", qzbsNormal, "Header 1/1"},    {u"Other", qzbsNormal, "Header 1/1"},
        {u"NormalColor", qzbsHot, "Header 1/2"},
    };
    Fake->FileName = u"Luna.msstyles";
    Sheet s(40, 40);
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.Color, k.Color + std::char_traits<char16_t>::length(k.Color)).c_str());
        Fake->ColorName = k.Color;
        RebuildOfficeSchemeColors();
        Fake->Calls.clear();
        Native()->PaintHeaderCell(s.Canvas.get(), TRect{0, 0, 30, 18}, TRect{2, 2, 28, 16}, 0, qzsAll,
                                  k.State, taLeftJustify, qzvaTop, false, false, "", nullptr, clBlack,
                                  clWhite, nullptr, true);
        EXPECT_EQ(Seen{k.Expected}, TakeDrawn());
    }
}

TEST_F(NativePainterThemed, MeasuresWithTheTheme) {
    TPainter p = Native();
    Fake->SetContentMargins("Button", 1, RECT{3, 2, 4, 5});
    Fake->SetContentMargins("Header", 1, RECT{3, 2, 0, 0});
    Fake->SetContentMargins("TrackBar", 1, RECT{4, 0, 0, 0});
    Fake->SetPartSize("Button", 3, 5, TS_TRUE, SIZE{14, 15});
    Fake->SetPartSize("Window", 19, 1, TS_TRUE, SIZE{10, 9});
    Fake->SetPartSize("TreeView", 2, 2, TS_TRUE, SIZE{9, 9});
    Fake->SetPartSize("ExplorerBar", 7, 1, TS_TRUE, SIZE{20, 20});
    Fake->SetPartSize("ExplorerBar", 3, 1, TS_TRUE, SIZE{11, 12});
    Fake->SetColor("Button", 1, 2, TMT_FILLCOLOR, RGB(1, 2, 3));
    Fake->SetColor("Button", 1, 3, TMT_TEXTCOLOR, RGB(4, 5, 6));
    Fake->SetColor("ComboBox", 1, 1, TMT_BORDERCOLOR, RGB(7, 8, 9));

    EXPECT_EQ(3, p->ButtonBorderWidth(qzbsDefault));
    EXPECT_EQ(1, p->ControlBorderWidth());
    EXPECT_EQ(0, p->CheckBoxBorderWidth());
    EXPECT_EQ(2, p->HeaderFrameWidth()); // (3 + 2) div 2
    EXPECT_EQ(2, p->HeaderSectionFrameWidth(qzbsPressed));
    EXPECT_EQ(4, p->FooterCellFrameWidth());
    EXPECT_EQ(9, p->TreeExpandButtonExtent());
    EXPECT_EQ(9, p->SmallExpandButtonExtent());
    EXPECT_EQ(20, p->GroupToggleButtonExtent());
    EXPECT_EQ(1, p->TabMetric148(true));
    EXPECT_EQ(14, p->CheckBoxExtent().cx);
    EXPECT_EQ(15, p->CheckBoxExtent().cy);
    EXPECT_EQ(14, p->CloseButtonExtent().cx);
    EXPECT_EQ(13, p->CloseButtonExtent().cy);
    EXPECT_EQ(12, p->PinButtonExtent().cy);
    EXPECT_EQ(15, p->MarkButtonExtent().cx);
    EXPECT_EQ(TColor(RGB(1, 2, 3)), p->ButtonFaceColor(qzbsHot));
    EXPECT_EQ(TColor(clBtnFace), p->ButtonFaceColor(qzbsNormal)) << "no theme colour for that state";
    EXPECT_EQ(TColor(RGB(4, 5, 6)), p->ButtonGlyphColor(qzbsPressed, clDefault));
    EXPECT_EQ(TColor(RGB(7, 8, 9)), p->BorderLineColor());

    TqzFrameWidths w = p->ButtonGroupBorderWidths(3, 1);
    EXPECT_EQ((std::vector<Integer>{3, 2, 4, 5}), (std::vector<Integer>{w.Left, w.Top, w.Right, w.Bottom}));
    const TRect bounds{10, 10, 40, 30};
    EXPECT_EQ(10, p->AdjustGroupedButtonBounds(bounds, 3, 1).left);
    // A partially transparent button needs one pixel more on every side.
    Fake->SetTransparent("Button", 1, 1);
    w = p->ButtonGroupBorderWidths(3, 1);
    EXPECT_EQ((std::vector<Integer>{4, 3, 5, 6}), (std::vector<Integer>{w.Left, w.Top, w.Right, w.Bottom}));
    const TRect grown = p->AdjustGroupedButtonBounds(bounds, 3, 1);
    EXPECT_EQ((std::vector<LONG>{9, 9, 41, 31}),
              (std::vector<LONG>{grown.left, grown.top, grown.right, grown.bottom}));

    Sheet s(40, 40);
    const TRect focus = p->CalcButtonFocusBounds(s.Canvas.get(), bounds);
    EXPECT_EQ((std::vector<LONG>{13, 12, 36, 25}),
              (std::vector<LONG>{focus.left, focus.top, focus.right, focus.bottom}));
}

TEST_F(NativePainterThemed, RadioButtonTakesThePartsTrueSize) {
    Fake->SetPartSize("Button", 2, -1, TS_TRUE, SIZE{13, 12});
    Sheet s(40, 40);
    Native()->PaintRadioButton(s.Canvas.get(), 5, 7, qzbsHot, true, true, true, clRed);
    const std::vector<TThemeCall> drawn = Fake->CallsOf("DrawThemeBackground");
    ASSERT_EQ(1u, drawn.size());
    EXPECT_EQ(2, drawn[0].Part);
    EXPECT_EQ(6, drawn[0].State);
    EXPECT_EQ((std::vector<LONG>{5, 7, 18, 19}),
              (std::vector<LONG>{drawn[0].Rect.left, drawn[0].Rect.top, drawn[0].Rect.right,
                                 drawn[0].Rect.bottom}));
}

TEST_F(NativePainterThemed, ControlBorderShowsOnlyTheOuterRing) {
    Sheet s(30, 30);
    Native()->PaintControlBorder(s.Canvas.get(), TRect{2, 2, 20, 20});
    TCanvas* c = s.Bitmap->GetCanvas();
    EXPECT_EQ(TColor(Fake->Frame), c->GetPixels(2, 2));
    EXPECT_EQ(TColor(Fake->Frame), c->GetPixels(19, 10));
    EXPECT_EQ(kPaper, c->GetPixels(3, 3)) << "the inside stays as it was";
    EXPECT_EQ(kPaper, c->GetPixels(10, 10));
    // The clip area is restored afterwards.
    Native()->PaintButtonBackground(s.Canvas.get(), TRect{0, 0, 30, 30}, qzbsNormal);
    EXPECT_EQ(TColor(Fake->Fill), c->GetPixels(10, 10));
}

TEST_F(NativePainterThemed, ThemedTextAndButtonCaption) {
    Sheet s(80, 40);
    auto p = static_cast<const TqzWinXPLookAndFeelPainter*>(Native());
    p->PaintButton(s.Canvas.get(), TRect{0, 0, 60, 20}, clRed, clBlue, true, qzbsHot, "&Go");
    std::vector<TThemeCall> texts = Fake->CallsOf("DrawThemeText");
    ASSERT_EQ(1u, texts.size());
    EXPECT_EQ(u"&Go", texts[0].Text);
    EXPECT_EQ(2, texts[0].State);
    EXPECT_EQ(int(DT_CENTER | DT_VCENTER | DT_SINGLELINE), texts[0].Value);

    struct Case {
        bool Prefix, Ellipsis, Multi;
        Byte VAlign;
        TAlignment HAlign;
        DWORD Flags;
    };
    const std::vector<Case> cases = {
        {false, false, false, qzvaTop, taLeftJustify,
         DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_EDITCONTROL},
        {true, true, false, qzvaCenter, taCenter,
         DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_EDITCONTROL},
        {false, false, true, qzvaBottom, taRightJustify,
         DT_RIGHT | DT_BOTTOM | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL},
    };
    HTHEME theme = OpenThemeForType(ttHeader);
    for (const Case& k : cases) {
        Fake->Calls.clear();
        p->PaintThemedText(s.Canvas.get(), theme, clBlack, nullptr, "a b", k.Prefix, k.Ellipsis, k.Multi,
                           k.VAlign, k.HAlign, TRect{0, 0, 80, 40}, TRect{0, 0, 80, 40}, 2, 1);
        texts = Fake->CallsOf("DrawThemeText");
        ASSERT_EQ(1u, texts.size());
        EXPECT_EQ(int(k.Flags), texts[0].Value);
    }
    Fake->Calls.clear();
    p->PaintThemedText(s.Canvas.get(), theme, clBlack, nullptr, "", false, false, false, qzvaTop,
                       taLeftJustify, TRect{0, 0, 80, 40}, TRect{0, 0, 80, 40}, 1, 1);
    EXPECT_TRUE(Fake->CallsOf("DrawThemeText").empty());
}

TEST_F(NativePainterThemed, OfficeBorrowsScrollBarsWhileThemedAndToolButtonsAlways) {
    TPainter office = PainterClass<TqzOffice11LookAndFeelPainter>();
    Sheet s(40, 40);
    office->PaintScrollBarElement(s.Canvas.get(), false, qzbsHot, qzsbpThumb, TRect{0, 0, 17, 30});
    office->PaintToolButton(s.Canvas.get(), TRect{0, 0, 20, 20}, qzbsNormal);
    EXPECT_EQ((Seen{"ScrollBar 3/2", "ScrollBar 9/0", "ToolBar 1/2"}), TakeDrawn());
}

TEST_F(NativePainterThemed, TabStripPaneReachesPastTheStrip) {
    Fake->SetContentMargins("Tab", 9, RECT{2, 3, 4, 5});
    Sheet s(60, 60);
    const TRect r{10, 10, 50, 40};
    Native()->PaintTabStrip(s.Canvas.get(), r, false, qzsAll);
    Native()->PaintTabStrip(s.Canvas.get(), r, true, qzsAll);
    std::vector<TThemeCall> drawn = Fake->CallsOf("DrawThemeBackground");
    ASSERT_EQ(2u, drawn.size());
    // Horizontal: right 50 - 2 + 4, bottom 40 + 10; vertical: right 50 + 10, bottom 40 - 3 + 5.
    EXPECT_EQ((std::vector<LONG>{10, 10, 52, 50, 1}),
              (std::vector<LONG>{drawn[0].Rect.left, drawn[0].Rect.top, drawn[0].Rect.right,
                                 drawn[0].Rect.bottom, drawn[0].Clipped}));
    EXPECT_EQ((std::vector<LONG>{60, 42}), (std::vector<LONG>{drawn[1].Rect.right, drawn[1].Rect.bottom}));
    EXPECT_EQ(40, drawn[1].Clip.bottom);
}
