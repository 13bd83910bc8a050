// Editor view data without an editor (as grids use it): border extents and colours, the native
// background, the popup border, the button layout (placement, combo style, hiding, stretching,
// cut bounds), button states and edges, and the view info's copy, change region and moves.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Graphics.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzEdit.h"
#include "suite/editors/qzEditUtils.h"
#include "suite/foundation/ybOffice11.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/support/FormFixture.h"

namespace {

std::string RectText(const TRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

TShiftState Shift(std::initializer_list<TShiftStateItem> items) {
    TShiftState shift;
    for (TShiftStateItem item : items) shift.Include(item);
    return shift;
}

class EditViewData : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        EditUnitFinalize();
        EditUnitInitialize();
        Properties = std::make_unique<TqzCustomEditProperties>(nullptr);
        Style.reset(static_cast<TqzEditStyle*>(TqzEditStyle::CreateInstance(nullptr, csNormal, nullptr, false)));
        Style->SetTransparentBorder(false);
        Style->SetEditBorderStyle(ebsSingle);
        Sheet.SetSize(200, 60);
        Canvas = std::make_unique<TqzCanvas>(Sheet.GetCanvas());
    }
    void TearDown() override {
        Canvas.reset();
        Style.reset();
        Properties.reset();
        testsupport::TFormFixture::TearDown();
        EditUnitFinalize();
        EditUnitInitialize();
    }

    TqzEditButton* AddButton(TqzEditButtonKind kind, Integer width = 0, bool left = false) {
        auto* button = static_cast<TqzEditButton*>(Properties->GetButtons()->Add());
        button->SetKind(kind);
        button->SetWidth(width);
        button->SetLeftAlignment(left);
        return button;
    }
    std::unique_ptr<TqzCustomEditViewData> Make(bool inplace = false) {
        return std::unique_ptr<TqzCustomEditViewData>(Properties->CreateViewData(Style.get(), inplace));
    }
    std::unique_ptr<TqzCustomEditViewInfo> MakeInfo() {
        return std::unique_ptr<TqzCustomEditViewInfo>(
            static_cast<TqzCustomEditViewInfo*>(Properties->GetViewInfoClass()()));
    }
    // Calculates for bounds 0, 0, 120, 24 unless told otherwise.
    void Calc(TqzCustomEditViewData* data, TqzCustomEditViewInfo* info, TPoint p = TPoint{-1, -1}, Integer button = 0,
              TShiftState shift = TShiftState(), bool mouseEvent = false, TRect bounds = TRect{0, 0, 120, 24}) {
        data->Calculate(Canvas.get(), bounds, p, button, shift, info, mouseEvent);
    }
    TRect BorderExtent(TqzCustomEditViewData* data) {
        TRect r;
        data->GetBorderExtent(r);
        return r;
    }

    std::unique_ptr<TqzCustomEditProperties> Properties;
    std::unique_ptr<TqzEditStyle> Style;
    TBitmap Sheet;
    std::unique_ptr<TqzCanvas> Canvas;
};

TEST_F(EditViewData, BorderExtentsByStyleEdgesShadowAndTransparentBorder) {
    struct TCase {
        const char* Name;
        TqzEditBorderStyle Border;
        TqzBorders Edges;
        bool Shadow;
        bool TransparentBorder;
        const char* Extent;
    };
    const TqzBorders all{bLeft, bTop, bRight, bBottom};
    const std::vector<TCase> cases = {
        {"single", ebsSingle, all, false, false, "1,1,1,1"},
        {"single with shadow", ebsSingle, all, true, false, "1,1,4,4"},
        {"single, left and top", ebsSingle, TqzBorders{bLeft, bTop}, false, false, "1,1,0,0"},
        {"3D", ebs3D, all, false, false, "2,2,2,2"},
        {"ultra-flat draws as single", ebsUltraFlat, all, false, false, "1,1,1,1"},
        {"none", ebsNone, all, false, false, "0,0,0,0"},
        {"transparent border", ebsSingle, TqzBorders{}, false, true, "2,2,2,2"},
        {"transparent border with shadow", ebs3D, all, true, true, "2,2,5,5"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Style->SetEditBorderStyle(c.Border);
        Style->SetEdges(c.Edges);
        Style->SetShadow(c.Shadow);
        Style->SetTransparentBorder(c.TransparentBorder);
        auto data = Make();
        EXPECT_EQ(RectText(BorderExtent(data.get())), c.Extent);
        auto info = MakeInfo();
        Calc(data.get(), info.get());
        TRect expected;
        data->GetBorderExtent(expected);
        EXPECT_EQ(RectText(info->BorderRect), RectText(TRect{expected.left, expected.top, 120 - expected.right,
                                                               24 - expected.bottom}));
        EXPECT_EQ(info->Shadow, c.Shadow);
    }

    // In place the cell offsets are the border, whatever the style says.
    Style->SetShadow(true);
    auto inplace = Make(true);
    inplace->InplaceEditOffsets = TRect{1, 0, 2, 3};
    EXPECT_EQ(RectText(BorderExtent(inplace.get())), "1,0,2,3");
    EXPECT_EQ(inplace->GetEffectiveBorderStyle(), ebsNone);
}

TEST_F(EditViewData, UltraFlatBorderIsHighlightedWhenFocusedOrHotAndButtonShadowOtherwise) {
    struct TCase {
        const char* Name;
        TqzEditBorderStyle Border;
        bool Focused;
        TPoint Mouse;
        bool HotTrack;
        TColor Expected;
    };
    const TPoint inside{50, 10}, outside{-1, -1};
    const std::vector<TCase> cases = {
        {"focused", ebsUltraFlat, true, outside, true, clHighlight},
        {"idle", ebsUltraFlat, false, outside, true, clBtnShadow},
        {"hot", ebsUltraFlat, false, inside, true, clHighlight},
        {"hot without hot tracking", ebsUltraFlat, false, inside, false, clBtnShadow},
        {"single uses the border colour", ebsSingle, true, outside, true, clGreen},
        {"office11 focused", ebsOffice11, true, outside, true, SchemeColor40},
        {"office11 idle", ebsOffice11, false, outside, true, clBtnShadow},
    };
    Style->SetBorderColor(clGreen);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Style->SetEditBorderStyle(c.Border);
        Style->SetHotTrack(c.HotTrack);
        auto data = Make();
        data->Focused = c.Focused;
        auto info = MakeInfo();
        Calc(data.get(), info.get(), c.Mouse);
        EXPECT_EQ(info->BorderColor, c.Expected);
        EXPECT_EQ(info->EditBorderStyle, c.Border == ebsUltraFlat || c.Border == ebsOffice11 ? ebsSingle : c.Border);
    }
}

TEST_F(EditViewData, ContainerStateAndHotTrackState) {
    struct TCase {
        const char* Name;
        bool Enabled, Designing, Focused;
        TPoint Mouse;
        TShiftState Shift;
        Integer State, HotTrack;
    };
    const TPoint inside{50, 10}, outside{-1, -1};
    const std::vector<TCase> cases = {
        {"disabled", false, false, true, inside, {}, qzcsDisabled, 1},
        {"designing", true, true, true, inside, {}, qzcsNormal, 0},
        {"focused", true, false, true, outside, {}, qzcsFocused, 2},
        {"hot", true, false, false, inside, {}, qzcsNormal | qzcsHot, 2},
        {"button held without capture", true, false, false, inside, Shift({ssLeft}), qzcsNormal, 1},
        {"idle", true, false, false, outside, {}, qzcsNormal, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto data = Make();
        data->Enabled = c.Enabled;
        data->IsDesigning = c.Designing;
        data->Focused = c.Focused;
        auto info = MakeInfo();
        Calc(data.get(), info.get(), c.Mouse, 0, c.Shift);
        EXPECT_EQ(info->ContainerState, c.State);
        EXPECT_EQ(info->HotTrackState, c.HotTrack);
    }
    // The in-place offsets narrow the hot zone.
    auto inplace = Make(true);
    inplace->InplaceEditOffsets = TRect{5, 0, 0, 0};
    auto info = MakeInfo();
    Calc(inplace.get(), info.get(), TPoint{2, 10});
    EXPECT_EQ(info->ContainerState, qzcsNormal);
    EXPECT_EQ(info->HotTrackState, 0);
}

TEST_F(EditViewData, PopupBorderFollowsTheLookInPlaceAndTheBorderStandAlone) {
    struct TCase {
        bool Inplace;
        TqzLookAndFeelKind Kind;
        TqzEditBorderStyle Border;
        TqzEditPopupBorderStyle Expected;
    };
    const std::vector<TCase> cases = {
        {true, lfFlat, ebsSingle, epbsFlat},         {true, lfStandard, ebsSingle, epbsFrame3D},
        {true, lfUltraFlat, ebs3D, epbsSingle},      {true, lfOffice11, ebsFlat, epbsSingle},
        {false, lfStandard, ebsNone, epbsFlat},      {false, lfStandard, ebsFlat, epbsFlat},
        {false, lfFlat, ebs3D, epbsSingle},          {false, lfFlat, ebsUltraFlat, epbsSingle},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.Inplace) + " " + std::to_string(int(c.Kind)) + " " +
                     std::to_string(int(c.Border)));
        Style->GetLookAndFeel()->SetKind(c.Kind);
        Style->SetEditBorderStyle(c.Border);
        auto data = Make(c.Inplace);
        auto info = MakeInfo();
        Calc(data.get(), info.get());
        EXPECT_EQ(info->PopupBorderStyle, c.Expected);
    }
    Style->SetPopupBorderStyle(epbsFrame3D);
    auto data = Make(true);
    auto info = MakeInfo();
    Calc(data.get(), info.get());
    EXPECT_EQ(info->PopupBorderStyle, epbsFrame3D);
}

TEST_F(EditViewData, NativeLookUsesThemeMarginsStatesAndTheThemeFillWhenDisabled) {
    ThemeManagerFinalize();
    UxThemeInitialize();
    {
        TThemeFake fake;
        ThemeManagerInitialize();
        fake.SetColor("Edit", 1, qzensDisabled, TMT_FILLCOLOR, RGB(10, 20, 30));
        Style->GetLookAndFeel()->SetNativeStyle(true);
        Style->SetColor(clWindow);
        Style->SetShadow(true); // ignored by the native look
        ASSERT_TRUE(TqzCustomEditViewData::UsesNativeStyle(Style->GetLookAndFeel()));

        auto data = Make();
        EXPECT_TRUE(data->NativeStyle);
        EXPECT_EQ(RectText(BorderExtent(data.get())), "2,2,2,2");
        data->Enabled = false;
        auto info = MakeInfo();
        Calc(data.get(), info.get());
        EXPECT_EQ(info->NativeState, qzensDisabled);
        // The style's Color was assigned above, so it wins over the theme.
        EXPECT_EQ(info->BackgroundColor, clWindow);

        Style->RestoreDefaults();
        Style->GetLookAndFeel()->SetNativeStyle(true);
        auto unassigned = Make();
        unassigned->Enabled = false;
        Calc(unassigned.get(), info.get());
        EXPECT_EQ(info->BackgroundColor, TColor(RGB(10, 20, 30)));

        struct TCase {
            bool Enabled, Focused, ReadOnly;
            TPoint Mouse;
            Integer State;
        };
        const std::vector<TCase> cases = {
            {true, false, false, {-1, -1}, qzensNormal}, {true, false, false, {5, 5}, qzensHot},
            {true, true, false, {5, 5}, qzensFocused},   {true, true, true, {5, 5}, qzensReadOnly},
            {false, true, true, {5, 5}, qzensDisabled},
        };
        for (const TCase& c : cases) {
            SCOPED_TRACE(c.State);
            Properties->SetReadOnly(c.ReadOnly);
            auto d = Make();
            d->Enabled = c.Enabled;
            d->Focused = c.Focused;
            Calc(d.get(), info.get(), c.Mouse);
            EXPECT_EQ(info->NativeState, c.State);
            EXPECT_TRUE(info->NativeStyle);
        }
        ThemeManagerFinalize();
    }
    UxThemeInitialize();
}

// ---- Buttons ------------------------------------------------------------------------------------

TEST_F(EditViewData, ButtonsArePlacedFromTheLastOutermostToTheFirstInnermost) {
    AddButton(bkEllipsis, 15);
    AddButton(bkGlyph, 16);
    AddButton(bkDown, 17);
    AddButton(bkText, 18, true);
    auto data = Make();
    auto info = MakeInfo();
    Calc(data.get(), info.get());
    ASSERT_EQ(info->GetButtonCount(), 4);
    // Border 1: right-aligned buttons end at 119, the left-aligned one starts at 1.
    EXPECT_EQ(RectText(info->GetButtonInfo(2)->Bounds), "102,1,119,23");
    EXPECT_EQ(RectText(info->GetButtonInfo(1)->Bounds), "86,1,102,23");
    EXPECT_EQ(RectText(info->GetButtonInfo(0)->Bounds), "71,1,86,23");
    EXPECT_EQ(RectText(info->GetButtonInfo(3)->Bounds), "1,1,19,23");
    for (Integer i = 0; i < 4; ++i) EXPECT_EQ(info->GetButtonInfo(i)->ButtonIndex, i);
    EXPECT_TRUE(info->HasTextButton);
    // Edges: outermost on each side, and the innermost ones too (the buttons do not fill).
    EXPECT_TRUE(info->GetButtonInfo(2)->Data.Rightmost);
    EXPECT_TRUE(info->GetButtonInfo(0)->Data.Leftmost);
    EXPECT_FALSE(info->GetButtonInfo(1)->Data.Leftmost || info->GetButtonInfo(1)->Data.Rightmost);
    EXPECT_TRUE(info->GetButtonInfo(3)->Data.Leftmost && info->GetButtonInfo(3)->Data.Rightmost);
    // The client area lies between the buttons.
    EXPECT_EQ(RectText(info->ClientRect), "19,1,71,23");
    // Default button styles by border: single gives hot-flat.
    EXPECT_EQ(info->GetButtonInfo(0)->Data.Style, btsHotFlat);
}

TEST_F(EditViewData, ALoneDropDownButtonIsDrawnInComboStyle) {
    TqzEditButton* down = AddButton(bkDown, 17);
    auto info = MakeInfo();
    Calc(Make().get(), info.get());
    ASSERT_EQ(info->GetButtonCount(), 1);
    EXPECT_TRUE(info->GetButtonInfo(0)->Data.ComboBoxStyle);

    AddButton(bkEllipsis, 15);
    Calc(Make().get(), info.get());
    ASSERT_EQ(info->GetButtonCount(), 2);
    EXPECT_FALSE(info->GetButtonInfo(0)->Data.ComboBoxStyle);
    EXPECT_FALSE(info->GetButtonInfo(1)->Data.ComboBoxStyle);

    // An invisible second button leaves the drop-down alone again.
    Properties->GetButtons()->GetItem(1)->SetVisible(false);
    Calc(Make().get(), info.get());
    ASSERT_EQ(info->GetButtonCount(), 1);
    EXPECT_TRUE(info->GetButtonInfo(0)->Data.ComboBoxStyle);
    EXPECT_EQ(down, Properties->GetButtons()->GetItem(info->GetButtonInfo(0)->ButtonIndex));
}

TEST_F(EditViewData, HideUnselectedAndHideInactiveButtonsLeaveTheClientAreaWhole) {
    AddButton(bkDown, 17);
    struct TCase {
        TqzEditButtonTransparency Transparency;
        bool Focused;
        TPoint Mouse;
        Integer Buttons;
    };
    const TPoint inside{50, 10}, outside{-1, -1};
    const std::vector<TCase> cases = {
        {ebtHideUnselected, false, outside, 0}, {ebtHideUnselected, false, inside, 1},
        {ebtHideUnselected, true, outside, 1},  {ebtHideInactive, false, inside, 0},
        {ebtHideInactive, true, outside, 1},    {ebtNone, false, outside, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(int(c.Transparency)) + " " + std::to_string(c.Focused));
        Style->SetButtonTransparency(c.Transparency);
        auto data = Make();
        data->Focused = c.Focused;
        auto info = MakeInfo();
        Calc(data.get(), info.get(), c.Mouse);
        EXPECT_EQ(info->GetButtonCount(), c.Buttons);
        EXPECT_EQ(info->ClientRect.right, c.Buttons ? 102 : 119);
    }
}

TEST_F(EditViewData, TransparencyOfButtons) {
    AddButton(bkDown, 17);
    struct TCase {
        TqzEditButtonTransparency Transparency;
        bool Focused;
        bool Transparent;
    };
    const std::vector<TCase> cases = {
        {ebtAlways, true, true}, {ebtInactive, false, true}, {ebtInactive, true, false}, {ebtNone, false, false}};
    for (const TCase& c : cases) {
        Style->SetButtonTransparency(c.Transparency);
        auto data = Make();
        data->Focused = c.Focused;
        auto info = MakeInfo();
        Calc(data.get(), info.get());
        EXPECT_EQ(info->GetButtonInfo(0)->Data.Transparent, c.Transparent) << int(c.Transparency);
    }
}

TEST_F(EditViewData, ButtonsOnlyLayoutStretchesInProportionTheHigherIndexFirst) {
    Style->SetEditBorderStyle(ebsNone);
    AddButton(bkEllipsis, 20);
    AddButton(bkEllipsis, 40);
    Properties->SetButtonsLayout(1);
    auto data = Make();
    auto info = MakeInfo();
    // 91 pixels: 60 for the buttons, 31 left; the second gets 31 * 40 / 60 = 20, the first 11.
    Calc(data.get(), info.get(), TPoint{-1, -1}, 0, TShiftState(), false, TRect{0, 0, 91, 20});
    ASSERT_EQ(info->GetButtonCount(), 2);
    EXPECT_EQ(RectText(info->GetButtonInfo(1)->Bounds), "31,0,91,20");
    EXPECT_EQ(RectText(info->GetButtonInfo(0)->Bounds), "0,0,31,20");
    // Filling: both outer edges marked, no inner ones, left alignment cleared.
    EXPECT_TRUE(info->GetButtonInfo(0)->Data.Leftmost);
    EXPECT_FALSE(info->GetButtonInfo(0)->Data.Rightmost);
    EXPECT_TRUE(info->GetButtonInfo(1)->Data.Rightmost);
    EXPECT_FALSE(info->GetButtonInfo(1)->Data.Leftmost);

    // Only the stretchable ones take the space.
    Properties->GetButtons()->GetItem(1)->SetStretchable(false);
    auto again = Make();
    Calc(again.get(), info.get(), TPoint{-1, -1}, 0, TShiftState(), false, TRect{0, 0, 91, 20});
    EXPECT_EQ(RectText(info->GetButtonInfo(1)->Bounds), "51,0,91,20");
    EXPECT_EQ(RectText(info->GetButtonInfo(0)->Bounds), "0,0,51,20");

    // Not in buttons-only layout nothing stretches.
    Properties->SetButtonsLayout(0);
    auto normal = Make();
    Calc(normal.get(), info.get(), TPoint{-1, -1}, 0, TShiftState(), false, TRect{0, 0, 91, 20});
    EXPECT_EQ(RectText(info->GetButtonInfo(0)->Bounds), "31,0,51,20");
}

TEST_F(EditViewData, AButtonWiderThanTheSpaceLeftIsCut) {
    Style->SetEditBorderStyle(ebsNone);
    AddButton(bkEllipsis, 30);
    AddButton(bkDown, 25);
    auto info = MakeInfo();
    Calc(Make().get(), info.get(), TPoint{-1, -1}, 0, TShiftState(), false, TRect{0, 0, 40, 20});
    ASSERT_EQ(info->GetButtonCount(), 2);
    EXPECT_EQ(RectText(info->GetButtonInfo(1)->VisibleBounds), "15,0,40,20");
    EXPECT_EQ(RectText(info->GetButtonInfo(0)->Bounds), "-15,0,15,20");
    EXPECT_EQ(RectText(info->GetButtonInfo(0)->VisibleBounds), "0,0,15,20");
}

TEST_F(EditViewData, ButtonStatesFollowTheMouse) {
    AddButton(bkEllipsis, 17);
    TqzEditButton* second = AddButton(bkDown, 17);
    auto info = MakeInfo();
    const TPoint over{110, 10}, overFirst{95, 10}, off{30, 10};
    auto step = [&](TPoint p, Integer button, TShiftState shift, bool mouse = true) {
        auto data = Make();
        Calc(data.get(), info.get(), p, button, shift, mouse);
    };
    struct TStep {
        const char* Name;
        TPoint Mouse;
        Integer Button;
        TShiftState Shift;
        Integer State, Pressed, Hot;
        bool ReallyPressed;
    };
    const std::vector<TStep> steps = {
        {"hover", over, 0, {}, qzebsHot, -1, 1, false},
        {"press", over, 1, Shift({ssLeft}), qzebsPressed, 1, -1, true},
        {"drag off", off, 0, Shift({ssLeft}), qzebsNormal, -1, -1, false},
        {"release elsewhere", off, 1, {}, qzebsNormal, -1, -1, false},
        {"press again", over, 1, Shift({ssLeft, ssDouble}), qzebsPressed, 1, -1, true},
        {"hold still", over, 0, Shift({ssLeft}), qzebsPressed, 1, -1, true},
        {"right button", over, 2, Shift({ssRight}), qzebsNormal, -1, -1, false},
    };
    for (const TStep& s : steps) {
        SCOPED_TRACE(s.Name);
        step(s.Mouse, s.Button, s.Shift);
        EXPECT_EQ(info->GetButtonInfo(1)->Data.State, s.State);
        EXPECT_EQ(info->PressedButton, s.Pressed);
        EXPECT_EQ(info->HotButton, s.Hot);
        EXPECT_EQ(info->IsButtonReallyPressed, s.ReallyPressed);
        EXPECT_EQ(info->GetButtonInfo(0)->Data.State, qzebsNormal);
    }
    step(overFirst, 0, {});
    EXPECT_EQ(info->GetButtonInfo(0)->Data.State, qzebsHot);

    // A disabled button stays disabled under a press.
    second->SetEnabled(false);
    step(over, 1, Shift({ssLeft}));
    EXPECT_EQ(info->GetButtonInfo(1)->Data.State, qzebsDisabled);
    EXPECT_EQ(info->PressedButton, -1);
    EXPECT_FALSE(info->IsButtonReallyPressed);

    // A disabled editor disables every button.
    second->SetEnabled(true);
    auto disabled = Make();
    disabled->Enabled = false;
    Calc(disabled.get(), info.get(), over, 1, Shift({ssLeft}), true);
    EXPECT_EQ(info->GetButtonInfo(0)->Data.State, qzebsDisabled);
    EXPECT_EQ(info->GetButtonInfo(1)->Data.State, qzebsDisabled);
}

TEST_F(EditViewData, TheStateHookMayChangeAButtonState) {
    AddButton(bkEllipsis, 17);
    auto info = MakeInfo();
    struct THook : TObject {
        void Change(TqzCustomEditViewInfo*, Integer index, Integer& state) {
            ++Calls;
            state = qzebsPressed;
        }
        int Calls = 0;
    } hook;
    info->OnButtonState = MakeEvent(&hook, &THook::Change);
    Calc(Make().get(), info.get());
    EXPECT_EQ(hook.Calls, 1);
    EXPECT_EQ(info->GetButtonInfo(0)->Data.State, qzebsPressed);
}

TEST_F(EditViewData, DefaultButtonWidthComesFromTheHandler) {
    AddButton(bkEllipsis, 0);
    auto data = Make();
    struct TWidths : TObject {
        void Width(TObject*, Integer index, Integer& width) { width = 30 + index; }
    } widths;
    data->OnDefaultButtonWidth = MakeEvent(&widths, &TWidths::Width);
    auto info = MakeInfo();
    Calc(data.get(), info.get());
    EXPECT_EQ(info->GetButtonInfo(0)->Width, 30);
    EXPECT_EQ(RectText(info->GetButtonInfo(0)->Bounds), "89,1,119,23");
}

// ---- Sizes --------------------------------------------------------------------------------------

TEST_F(EditViewData, AGivenWidthBelowTheConstantPartIsTheWidthMeasured) {
    AddButton(bkEllipsis, 17);
    TSize size;
    struct TCase {
        Integer Width;
        Integer Expected;
    };
    // The constant part: the single border (2) and the button (17).
    for (const TCase& c : {TCase{5, 5}, TCase{18, 18}, TCase{19, 19}, TCase{100, 19}, TCase{-1, 19}}) {
        TqzEditSizeParameters parameters;
        parameters.MaxLineCount = 1;
        parameters.Width = c.Width;
        Properties->GetEditSize(Canvas.get(), Style.get(), false, Variant(), parameters, size);
        EXPECT_EQ(size.cx, c.Expected) << c.Width;
        EXPECT_EQ(size.cy, 2) << c.Width; // the border; the base measures no content
    }
}

TEST_F(EditViewData, AButtonsOnlyEditorIsAsHighAsTheTextAndItsMargins) {
    AddButton(bkEllipsis, 17);
    Properties->SetButtonsLayout(1);
    Canvas->SelectFont(Style->GetEffectiveFont());
    const Integer text = Canvas->TextHeightOf("Zg");
    ASSERT_GT(text, 0);
    TqzEditSizeParameters parameters;
    parameters.Width = -1; // no width given
    TSize size;
    // Stand-alone: content margins 1 + 3 and the single border 1 + 1.
    Properties->GetEditSize(Canvas.get(), Style.get(), false, Variant(), parameters, size);
    EXPECT_EQ(size.cy, text + 4 + 2);
    // In place: margins 1 + 1 and no border.
    Properties->GetEditSize(Canvas.get(), Style.get(), true, Variant(), parameters, size);
    EXPECT_EQ(size.cy, text + 2);
    EXPECT_EQ(size.cx, 17);
}

TEST_F(EditViewData, ATallGlyphRaisesTheMinimumContentHeight) {
    Style->SetButtonStyle(bts3D);
    TqzEditButton* button = AddButton(bkGlyph, 0);
    button->GetGlyph()->SetSize(8, 30);
    auto data = Make();
    auto info = MakeInfo();
    Calc(data.get(), info.get());
    TSize size, minContent;
    data->CalculateConstantPartSize(Canvas.get(), false, size, info.get(), minContent);
    EXPECT_EQ(size.cx, 2 + 12);
    EXPECT_EQ(size.cy, 2);
    // 30 + the buttons' border extent (1 + 1) + the 3D frame (4) - the constant height (2).
    EXPECT_EQ(minContent.cy, 34);
    TqzEditSizeParameters parameters;
    parameters.Width = -1;
    Properties->GetEditSize(Canvas.get(), Style.get(), false, Variant(), parameters, size);
    EXPECT_EQ(size.cy, 36);
}

// ---- View info ----------------------------------------------------------------------------------

TEST_F(EditViewData, CopyChangedRegionAndMove) {
    AddButton(bkEllipsis, 17);
    AddButton(bkDown, 17);
    auto info = MakeInfo();
    Calc(Make().get(), info.get(), TPoint{110, 10});
    auto old = MakeInfo();
    old->CopyFrom(info.get());
    EXPECT_EQ(old->GetButtonCount(), 2);
    EXPECT_EQ(old->HotButton, 1);
    EXPECT_EQ(old->GetButtonInfo(1)->Data.State, qzebsHot);
    EXPECT_EQ(RectText(old->ClientRect), RectText(info->ClientRect));

    // The mouse moves from the second button to the first: both buttons change, nothing else.
    Calc(Make().get(), info.get(), TPoint{95, 10});
    auto region = info->GetChangedRegion(old.get());
    RECT box;
    GetRgnBox(region->GetHandle(), &box);
    EXPECT_EQ(RectText(box), "85,1,119,23");

    // A new border colour repaints the whole editor.
    old->CopyFrom(info.get());
    info->BorderColor = clRed;
    region = info->GetChangedRegion(old.get());
    GetRgnBox(region->GetHandle(), &box);
    EXPECT_EQ(RectText(box), "0,0,120,24");

    info->MoveBy(10, 5);
    EXPECT_EQ(RectText(info->Bounds), "10,5,130,29");
    EXPECT_EQ(RectText(info->GetButtonInfo(1)->Bounds), "112,6,129,28");
    EXPECT_EQ(RectText(info->GetButtonInfo(1)->VisibleBounds), "112,6,129,28");
    EXPECT_EQ(RectText(info->InnerEditRect), "11,6,95,28");
}

TEST_F(EditViewData, InvalidationCoversOnlyWhatChanged) {
    TPanel* host = new TPanel(Form);
    host->SetParent(Form);
    host->SetBounds(0, 0, 200, 60);
    Form->Show();
    App->ProcessMessages();
    const HWND window = host->GetHandle();
    AddButton(bkEllipsis, 17);
    AddButton(bkDown, 17);
    auto info = MakeInfo();
    info->Origin = TPoint{10, 20};
    Calc(Make().get(), info.get());
    auto old = MakeInfo();
    old->CopyFrom(info.get());
    auto updated = [&]() {
        RECT r{};
        GetUpdateRect(window, &r, FALSE);
        ValidateRect(window, nullptr);
        return RectText(r);
    };
    ValidateRect(window, nullptr);

    // Nothing changed: nothing invalidated.
    EXPECT_FALSE(info->InvalidateChanges(host, old.get()));
    EXPECT_EQ(updated(), "0,0,0,0");

    // The mouse over the second button: that button only, moved by the origin.
    Calc(Make().get(), info.get(), TPoint{110, 10});
    info->ContainerState = old->ContainerState; // the editor's state is not the point here
    EXPECT_TRUE(info->InvalidateChanges(host, old.get()));
    EXPECT_EQ(updated(), "112,21,129,43");

    // A new background: the area between the bounds and the inner rectangle, clamped to the
    // client rectangle.
    old->CopyFrom(info.get());
    info->BackgroundColor = clRed;
    EXPECT_TRUE(info->InvalidateChangesInRect(host, TRect{20, 25, 60, 35}, old.get()));
    EXPECT_EQ(updated(), "10,20,130,44");

    // A new border colour: only the border strips.
    old->CopyFrom(info.get());
    info->BorderColor = clGreen;
    EXPECT_TRUE(info->InvalidateChanges(host, old.get()));
    RECT box{};
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(window, region, FALSE);
    EXPECT_TRUE(PtInRegion(region, 10, 20));
    EXPECT_FALSE(PtInRegion(region, 40, 30));
    GetRgnBox(region, &box);
    EXPECT_EQ(RectText(box), "10,20,130,44");
    DeleteObject(region);
    ValidateRect(window, nullptr);

    // Without a previous view info everything but the inner rectangle is invalidated, and the
    // answer is no change.
    EXPECT_FALSE(info->InvalidateChangesInRect(host, TRect{}, nullptr));
    EXPECT_EQ(updated(), "10,20,130,44");
}

TEST_F(EditViewData, PointOverButtonHonoursTheOrigin) {
    AddButton(bkDown, 17);
    auto info = MakeInfo();
    Calc(Make().get(), info.get());
    EXPECT_TRUE(info->IsPointOverButton(TPoint{110, 10}));
    info->Origin = TPoint{100, 0};
    EXPECT_FALSE(info->IsPointOverButton(TPoint{110, 10}));
    EXPECT_TRUE(info->IsPointOverButton(TPoint{210, 10}));
    EXPECT_FALSE(info->HasHotButton());
}

} // namespace
