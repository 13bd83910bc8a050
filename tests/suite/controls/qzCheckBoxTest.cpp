// The suite's check box: edit values and states, refused values, toggling by mouse, Space and
// accelerator, the events of code changes, loading and the action link, and the glyph drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/classlib/ActnList.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/ObjectText.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinBackendInterface.h"
#include "suite/controls/qzCheckBox.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/support/FormFixture.h"

namespace {

struct EventLog : TObject {
    void Click(TObject*) { Events.push_back("click"); }
    void Change(TObject*) { Events.push_back("change"); }
    void Editing(TObject*, bool& canEdit) { canEdit = AllowEditing; }
    std::vector<std::string> Events;
    bool AllowEditing = true;
};

class CheckBox : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        SetCursorPos(0, 0);
    }
    TqzCheckBox* MakeBox(const char* caption = "&Scan", int top = 10) {
        auto* box = new TqzCheckBox(Form);
        box->SetParent(Form);
        box->SetBounds(20, top, 121, 21);
        box->SetCaption(caption);
        box->OnClick = MakeEvent(&Log, &EventLog::Click);
        box->GetProperties()->OnChange = MakeEvent(&Log, &EventLog::Change);
        return box;
    }
    void Show() {
        Form->Show();
        App->ProcessMessages();
    }
    void MoveTo(TControl* control, int x, int y) {
        WinInputMouseMove(control->ClientToScreen(POINT{x, y}));
        App->ProcessMessages();
    }
    void Mouse(TControl* control, int x, int y, bool down) {
        WinInputMouseButton(control->ClientToScreen(POINT{x, y}), TWinMouseButton::Left, down);
        App->ProcessMessages();
    }
    void ClickOn(TControl* control) {
        MoveTo(control, 5, 8);
        Mouse(control, 5, 8, true);
        Mouse(control, 5, 8, false);
    }
    void Key(UINT key, bool down, const std::u32string& text = {}) {
        WinInputKey(key, false, down, text);
        App->ProcessMessages();
    }
    void Space() {
        Key(VK_SPACE, true, U" ");
        Key(VK_SPACE, false);
    }
    EventLog Log;
};

TEST_F(CheckBox, ANewBoxIsUncheckedWithTheBooleanFalse) {
    TqzCheckBox* box = MakeBox();
    EXPECT_EQ(121, box->GetWidth());
    EXPECT_EQ(varBoolean, VarType(box->GetEditValue()));
    EXPECT_TRUE(VariantsEqualSameType(Variant(false), box->GetEditValue()));
    EXPECT_FALSE(box->GetChecked());
    EXPECT_EQ(cbsUnchecked, box->GetState());
    EXPECT_TRUE(Log.Events.empty());
}

TEST_F(CheckBox, EditValuesReadAsStates) {
    TqzCheckBox* box = MakeBox();
    TqzCheckBoxProperties* properties = box->GetCheckBoxProperties();
    struct Case {
        const char* Name;
        Variant ValueChecked;
        Variant EditValue;
        TqzCheckBoxState State;
    };
    const Case cases[] = {
        {"Null", Variant(true), Null(), cbsGrayed},
        {"an integer", Variant(true), Variant(5), cbsGrayed},
        {"the Boolean True", Variant(true), Variant(true), cbsChecked},
        {"the Boolean False", Variant(true), Variant(false), cbsUnchecked},
        {"the text True against the Boolean", Variant(true), Variant(String("True")), cbsChecked},
        {"the Boolean against a text", Variant(String("Yes")), Variant(true), cbsGrayed},
        {"the text itself", Variant(String("Yes")), Variant(String("Yes")), cbsChecked},
    };
    properties->SetValueGrayed(Variant(5)); // never consulted
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        properties->SetValueChecked(c.ValueChecked);
        box->SetEditValue(c.EditValue);
        EXPECT_EQ(c.State, box->GetState());
        EXPECT_EQ(c.State == cbsChecked, box->GetChecked());
    }
}

TEST_F(CheckBox, ValuesThatWouldBeAmbiguousAreRefused) {
    TqzCheckBoxProperties* properties = MakeBox()->GetCheckBoxProperties();
    properties->SetValueUnchecked(Variant(true)); // ValueChecked holds it
    EXPECT_TRUE(VariantsEqualSameType(Variant(false), properties->GetValueUnchecked()));
    properties->SetValueChecked(Null());
    EXPECT_TRUE(VariantsEqualSameType(Variant(true), properties->GetValueChecked()));
    properties->SetValueGrayed(Variant(false));
    EXPECT_TRUE(VarIsNull(properties->GetValueGrayed()));
    // Another type of the same meaning is a different value.
    properties->SetValueChecked(Variant(1));
    EXPECT_TRUE(VariantsEqualSameType(Variant(1), properties->GetValueChecked()));
    properties->SetValueGrayed(Variant(2));
    properties->SetValueGrayed(Null());
    EXPECT_TRUE(VarIsNull(properties->GetValueGrayed()));

    // Assigning properties whose values are the current ones swapped copies them all.
    TqzCheckBoxProperties swapped(nullptr);
    swapped.SetValueUnchecked(Variant(1));
    swapped.SetValueChecked(Variant(false));
    swapped.SetValueGrayed(Variant(2));
    properties->Assign(&swapped);
    EXPECT_TRUE(VariantsEqualSameType(Variant(false), properties->GetValueChecked()));
    EXPECT_TRUE(VariantsEqualSameType(Variant(1), properties->GetValueUnchecked()));
    EXPECT_TRUE(VariantsEqualSameType(Variant(2), properties->GetValueGrayed()));
}

TEST_F(CheckBox, ClicksSpaceAndTheAcceleratorToggleThroughTheCycle) {
    TqzCheckBox* box = MakeBox();
    TqzCheckBox* other = MakeBox("Other", 60);
    Show();
    struct Case {
        const char* Name;
        bool AllowGrayed;
        std::vector<TqzCheckBoxState> Cycle;
    };
    const Case cases[] = {
        {"two states", false, {cbsChecked, cbsUnchecked, cbsChecked}},
        {"three states", true, {cbsGrayed, cbsChecked, cbsUnchecked, cbsGrayed}},
    };
    enum Way { ByClick, BySpace, ByAccelerator };
    for (Way way : {ByClick, BySpace, ByAccelerator})
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.Name) + " way " + std::to_string(int(way)));
            box->GetCheckBoxProperties()->SetAllowGrayed(c.AllowGrayed);
            box->SetState(cbsUnchecked);
            other->SetFocus();
            if (way == BySpace) box->SetFocus();
            App->ProcessMessages();
            Log.Events.clear();
            for (TqzCheckBoxState expected : c.Cycle) {
                if (way == ByClick)
                    ClickOn(box);
                else if (way == BySpace)
                    Space();
                else {
                    Key(VK_MENU, true);
                    Key('S', true, U"s");
                    Key('S', false);
                    Key(VK_MENU, false);
                }
                EXPECT_EQ(expected, box->GetState());
            }
            // One click and one change per toggle.
            EXPECT_EQ(2 * c.Cycle.size(), Log.Events.size());
            SetCursorPos(0, 0);
            box->Perform(CM_MOUSELEAVE, 0, 0);
            App->ProcessMessages();
        }
    // A grayed box set by code toggles to checked without AllowGrayed.
    box->GetCheckBoxProperties()->SetAllowGrayed(false);
    box->SetState(cbsGrayed);
    ClickOn(box);
    EXPECT_EQ(cbsChecked, box->GetState());
}

TEST_F(CheckBox, TheGlyphShowsPressedWhileHeldAndTogglesOnRelease) {
    TqzCheckBox* box = MakeBox();
    Show();
    box->SetFocus();
    App->ProcessMessages();
    Key(VK_SPACE, true, U" ");
    EXPECT_EQ(cgsPressed, box->GetCheckViewInfo()->CheckGlyphState);
    EXPECT_EQ(cbsUnchecked, box->GetState());
    Key(VK_SPACE, false);
    EXPECT_EQ(cbsChecked, box->GetState());
    EXPECT_NE(cgsPressed, box->GetCheckViewInfo()->CheckGlyphState);

    // The mouse held down, dragged off the control and released there: no toggle.
    MoveTo(box, 5, 8);
    Mouse(box, 5, 8, true);
    EXPECT_EQ(cgsPressed, box->GetCheckViewInfo()->CheckGlyphState);
    MoveTo(box, 5, 60);
    Mouse(box, 5, 60, false);
    EXPECT_EQ(cbsChecked, box->GetState());
}

TEST_F(CheckBox, CodeChangesFireOnceAndARefusedEditKeepsTheState) {
    TqzCheckBox* box = MakeBox();
    box->SetChecked(true);
    box->SetChecked(true);
    EXPECT_EQ((std::vector<std::string>{"click", "change"}), Log.Events);
    box->SetState(cbsGrayed);
    box->SetChecked(false);
    EXPECT_EQ(cbsUnchecked, box->GetState());

    Show();
    box->OnEditing = MakeEvent(&Log, &EventLog::Editing);
    Log.AllowEditing = false;
    Log.Events.clear();
    box->Toggle();
    EXPECT_EQ(cbsUnchecked, box->GetState());
    EXPECT_TRUE(Log.Events.empty());
    // Code is not an edit: it is not asked.
    box->SetChecked(true);
    EXPECT_TRUE(box->GetChecked());
}

class TCheckBoxTestForm : public TForm {
    KOV_CLASS(TCheckBoxTestForm, TForm)
public:
    explicit TCheckBoxTestForm(TComponent* owner) : TForm(owner) {}
    void BoxClick(TObject*) { Events.push_back("click"); }
    void BoxChange(TObject*) { Events.push_back("change"); }
    std::vector<std::string> Events;
};

KOV_PUBLISHED(TCheckBoxTestForm) {
    Method("BoxClick", &TCheckBoxTestForm::BoxClick);
    Method("BoxChange", &TCheckBoxTestForm::BoxChange);
}

TEST_F(CheckBox, AStoredStateLoadsSilently) {
    const char* const definition = R"(object CheckBoxTestForm: TCheckBoxTestForm
  Left = 60
  Top = 60
  Width = 300
  Height = 160
  object Flag: TqzCheckBox
    Left = 10
    Top = 10
    Caption = 'Skip'
    Properties.OnChange = BoxChange
    State = cbsChecked
    Style.LookAndFeel.NativeStyle = True
    StyleDisabled.LookAndFeel.NativeStyle = True
    StyleFocused.LookAndFeel.NativeStyle = True
    StyleHot.LookAndFeel.NativeStyle = True
    TabOrder = 0
    Width = 121
    OnClick = BoxClick
  end
end
)";
    auto form = std::make_unique<TCheckBoxTestForm>(nullptr);
    ReadComponentText(definition, form.get(), "CheckBoxTestForm");
    auto* box = dynamic_cast<TqzCheckBox*>(form->FindComponent("Flag"));
    ASSERT_NE(nullptr, box);
    EXPECT_TRUE(box->GetChecked());
    EXPECT_TRUE(form->Events.empty());
    box->SetChecked(false);
    EXPECT_EQ((std::vector<std::string>{"click", "change"}), form->Events);
}

TEST_F(CheckBox, TheActionLinkSetsTheStateSilently) {
    TqzCheckBox* box = MakeBox();
    auto* action = new TAction(Form);
    action->SetCaption("Scan");
    box->SetAction(action);
    Log.Events.clear();
    action->SetChecked(true);
    EXPECT_TRUE(box->GetChecked());
    action->SetChecked(false);
    EXPECT_FALSE(box->GetChecked());
    EXPECT_TRUE(Log.Events.empty());
    // A grayed box is no longer linked.
    box->SetState(cbsGrayed);
    Log.Events.clear();
    action->SetChecked(true);
    EXPECT_EQ(cbsGrayed, box->GetState());
    EXPECT_TRUE(box->IsStateStored());
}

TEST_F(CheckBox, TheFocusFrameSurroundsTheCaptionOfAFocusedBox) {
    TqzCheckBox* box = MakeBox("&Scan channels");
    TqzCheckBox* other = MakeBox("Other", 60);
    Show();
    other->SetFocus();
    App->ProcessMessages();
    TqzCustomCheckBoxViewInfo* info = box->GetCheckViewInfo();
    EXPECT_TRUE(IsRectEmpty(&info->FocusRect));
    box->SetFocus();
    App->ProcessMessages();
    const TRect text = info->TextRect;
    const TRect tight = info->FocusRect;
    ASSERT_FALSE(IsRectEmpty(&tight));
    EXPECT_EQ(text.left - 1, tight.left);
    EXPECT_LT(tight.right, text.right); // the caption's width, not the rectangle's
    EXPECT_GE(tight.top, text.top - 1);
    EXPECT_LE(tight.bottom, text.bottom + 1);
    box->GetCheckBoxProperties()->SetFullFocusRect(true);
    App->ProcessMessages();
    EXPECT_EQ(text.left - 1, info->FocusRect.left);
    EXPECT_EQ(text.top - 1, info->FocusRect.top);
    EXPECT_EQ(std::min(text.right + 1, info->BorderRect.right - 1), info->FocusRect.right);
    EXPECT_EQ(text.bottom + 1, info->FocusRect.bottom);
    box->SetCaption("");
    App->ProcessMessages();
    EXPECT_TRUE(IsRectEmpty(&info->FocusRect));
}

TEST_F(CheckBox, TheHeightFollowsTheGlyphAndTheCaption) {
    TqzCheckBox* box = MakeBox("Scan");
    Show();
    const int height = box->GetHeight();
    // The classic glyph and its frame at least.
    EXPECT_GE(height, SystemCheckGlyphSize().cy + 4);
    box->SetHeight(50);
    EXPECT_EQ(height, box->GetHeight());
    // Two lines of a long caption in a multi-line box need more room.
    box->GetCheckBoxProperties()->SetMultiLine(true);
    box->SetCaption("Scan every channel of the memory bank twice");
    App->ProcessMessages();
    EXPECT_GT(box->GetHeight(), height);
}

TEST_F(CheckBox, ADisabledClassicCaptionIsEmbossedUnlessItsColourIsSet) {
    TqzCheckBox* box = MakeBox("Scan");
    box->SetEnabled(false);
    Show();
    auto highlights = [&] {
        box->UpdateViewAtCursor();
        TqzCustomCheckBoxViewInfo* info = box->GetCheckViewInfo();
        TBitmap cell;
        cell.SetSize(box->GetWidth(), box->GetHeight());
        cell.GetCanvas()->GetBrush()->SetColor(clBtnFace);
        cell.GetCanvas()->FillRect(TRect{0, 0, cell.GetWidth(), cell.GetHeight()});
        TqzCanvas canvas(cell.GetCanvas());
        info->PaintBackground(&canvas);
        int count = 0;
        for (int y = info->TextRect.top; y < info->TextRect.bottom; ++y)
            for (int x = info->TextRect.left; x < info->TextRect.right; ++x)
                if (ColorToRGB(cell.GetCanvas()->GetPixels(x, y)) == ColorToRGB(clBtnHighlight)) ++count;
        return count;
    };
    EXPECT_GT(highlights(), 0);
    box->GetStyleDisabled()->SetTextColor(clMaroon);
    EXPECT_EQ(0, highlights());
}

// ---- Glyph drawing -------------------------------------------------------------------------------

struct GlyphPicture {
    TBitmap Bitmap;
    std::unique_ptr<TqzCanvas> Canvas;
    GlyphPicture() {
        Bitmap.SetSize(20, 20);
        Bitmap.GetCanvas()->GetBrush()->SetColor(clFuchsia);
        Bitmap.GetCanvas()->FillRect(TRect{0, 0, 20, 20});
        Canvas = std::make_unique<TqzCanvas>(Bitmap.GetCanvas());
    }
    TColor At(int x, int y) { return Bitmap.GetCanvas()->GetPixels(x, y); }
};

TEST_F(CheckBox, AUserGlyphStripShowsTheImageOfTheState) {
    // Six 10x10 images, each of its own colour.
    const TColor colours[6] = {clRed, clLime, clBlue, clYellow, clAqua, clNavy};
    TBitmap strip;
    strip.SetSize(60, 10);
    for (int i = 0; i < 6; ++i) {
        strip.GetCanvas()->GetBrush()->SetColor(colours[i]);
        strip.GetCanvas()->FillRect(TRect{i * 10, 0, i * 10 + 10, 10});
    }
    // The bottom-left pixel gives the transparent colour: one of no image.
    strip.GetCanvas()->SetPixels(0, 9, clGray);
    struct Case {
        Integer Count;
        TqzCheckBoxState State;
        TqzCheckGlyphState Glyph;
        int Image;
    };
    const Case cases[] = {
        {6, cbsUnchecked, cgsNormal, 0}, {6, cbsGrayed, cgsHot, 2},     {6, cbsUnchecked, cgsPressed, 3},
        {6, cbsChecked, cgsPressed, 4},  {6, cbsGrayed, cgsPressed, 5}, {3, cbsChecked, cgsPressed, 1},
        {3, cbsGrayed, cgsPressed, 2},   {1, cbsChecked, cgsNormal, 0}, {2, cbsGrayed, cgsPressed, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Count) + " images, state " + std::to_string(c.State) + " glyph " +
                     std::to_string(c.Glyph));
        TBitmap glyph;
        glyph.SetSize(c.Count * 10, 10);
        glyph.GetCanvas()->CopyRect(TRect{0, 0, c.Count * 10, 10}, strip.GetCanvas(),
                                    TRect{0, 0, c.Count * 10, 10});
        GlyphPicture picture;
        DrawCheckGlyph(picture.Canvas.get(), TRect{2, 2, 12, 12}, c.State, nssGrayedChecked, false, false, true,
                       clWhite, clBlack, false, ebsNone, c.Count, &glyph, c.Glyph);
        EXPECT_EQ(ColorToRGB(colours[c.Image]), ColorToRGB(picture.At(7, 7)));
        EXPECT_EQ(ColorToRGB(clFuchsia), ColorToRGB(picture.At(14, 14)));
    }
}

TEST_F(CheckBox, AGrayedBoxWithTheUncheckedNullStyleLooksUnchecked) {
    const TSize size = SystemCheckGlyphSize();
    for (TqzEditBorderStyle border : {ebsNone, ebsFlat, ebs3D, ebsUltraFlat, ebsOffice11}) {
        SCOPED_TRACE(int(border));
        GlyphPicture unchecked, grayed, grayedChecked;
        const TRect r{1, 1, 1 + size.cx, 1 + size.cy};
        DrawCheckGlyph(unchecked.Canvas.get(), r, cbsUnchecked, nssUnchecked, false, false, true, clWhite, clBlack,
                       false, border, 0, nullptr, cgsNormal);
        DrawCheckGlyph(grayed.Canvas.get(), r, cbsGrayed, nssUnchecked, false, false, true, clWhite, clBlack,
                       false, border, 0, nullptr, cgsNormal);
        DrawCheckGlyph(grayedChecked.Canvas.get(), r, cbsGrayed, nssGrayedChecked, false, false, true, clWhite,
                       clBlack, false, border, 0, nullptr, cgsNormal);
        int differences = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                ASSERT_EQ(unchecked.At(x, y), grayed.At(x, y)) << x << "," << y;
                if (unchecked.At(x, y) != grayedChecked.At(x, y)) ++differences;
            }
        EXPECT_GT(differences, 0);
    }
}

TEST_F(CheckBox, TheCheckMarkMaskIsWhereTheSystemCellsDiffer) {
    const TSize size = SystemCheckGlyphSize();
    ASSERT_GT(size.cx, 4);
    TBitmap* mask = CheckMarkMask();
    ASSERT_NE(nullptr, mask);
    EXPECT_EQ(size.cx, mask->GetWidth());
    EXPECT_EQ(size.cy, mask->GetHeight());
    int black = 0;
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x)
            if (ColorToRGB(mask->GetCanvas()->GetPixels(x, y)) == 0) ++black;
    // The frame is the same in both cells; the mark is inside it.
    EXPECT_GT(black, 0);
    EXPECT_EQ(ColorToRGB(clWhite), ColorToRGB(mask->GetCanvas()->GetPixels(0, 0)));
    EXPECT_EQ(ColorToRGB(clWhite), ColorToRGB(mask->GetCanvas()->GetPixels(size.cx - 1, size.cy - 1)));
}

// The native glyph through the recording theme: the check-box part in the state of the table.
class CheckBoxNative : public ::testing::Test {
protected:
    void SetUp() override {
        ThemeManagerFinalize();
        UxThemeInitialize();
        fake.emplace();
        ThemeManagerInitialize();
    }
    void TearDown() override {
        ThemeManagerFinalize();
        fake.reset();
        UxThemeInitialize();
    }
    std::optional<TThemeFake> fake;
};

TEST_F(CheckBoxNative, TheCheckBoxPartStateFollowsTheStateAndTheNullStyle) {
    struct Case {
        TqzCheckBoxState State;
        TqzCheckBoxNullValueShowingStyle NullStyle;
        TqzCheckGlyphState Glyph;
        int StateId;
    };
    const Case cases[] = {
        {cbsUnchecked, nssGrayedChecked, cgsNormal, 1}, {cbsChecked, nssGrayedChecked, cgsHot, 6},
        {cbsChecked, nssGrayedChecked, cgsDisabled, 8}, {cbsGrayed, nssGrayedChecked, cgsPressed, 11},
        {cbsGrayed, nssUnchecked, cgsNormal, 1},        {cbsGrayed, nssUnchecked, cgsPressed, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.State) + " " + std::to_string(c.NullStyle) + " " + std::to_string(c.Glyph));
        fake->Calls.clear();
        GlyphPicture picture;
        DrawCheckGlyph(picture.Canvas.get(), TRect{2, 2, 15, 15}, c.State, c.NullStyle, false, false, true,
                       clWhite, clBlack, true, ebsNone, 0, nullptr, c.Glyph);
        const std::vector<TThemeCall> calls = fake->CallsOf("DrawThemeBackground");
        ASSERT_EQ(1u, calls.size());
        EXPECT_EQ(3, calls[0].Part);
        EXPECT_EQ(c.StateId, calls[0].State);
    }
}

} // namespace
