// The suite's radio button: the glyph state under the mouse, checking on entry, the caption
// rectangle's margins, the background it fills or lets through, and a click by mouse.
#include <gtest/gtest.h>

#include "platform/classlib/Forms.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinOwnerDraw.h"
#include "suite/controls/qzRadioGroup.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

struct ClickCounter : TObject {
    void Clicked(TObject*) { ++Clicks; }
    int Clicks = 0;
};

class RadioButton : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        First = MakeButton("First", 10);
        Second = MakeButton("Second", 40);
        First->SetChecked(true);
        Count.Clicks = 0;
    }
    TqzRadioButton* MakeButton(const char* name, int top) {
        auto* button = new TqzRadioButton(Form);
        button->SetName(name);
        button->SetCaption(name);
        button->SetParent(Form);
        button->SetBounds(20, top, 120, 17);
        button->OnClick = TNotifyEvent(&Count, &ClickCounter::Clicked);
        return button;
    }
    void ShowForm() {
        Form->Show();
        App->ProcessMessages();
    }
    void MoveTo(TControl* control, int x, int y) {
        WinInputMouseMove(control->ClientToScreen(POINT{x, y}));
        App->ProcessMessages();
    }
    void Button(TControl* control, int x, int y, bool down) {
        WinInputMouseButton(control->ClientToScreen(POINT{x, y}), TWinMouseButton::Left, down);
        App->ProcessMessages();
    }
    // The pixel at (x, y) of an owner-draw paint of the button.
    TColor PaintedAt(TqzRadioButton* button, int x, int y) {
        TBitmap target;
        target.SetSize(button->GetWidth(), button->GetHeight());
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.hwndItem = button->GetHandle();
        item.hDC = target.GetCanvas()->GetHandle();
        item.rcItem = RECT{0, 0, button->GetWidth(), button->GetHeight()};
        button->Perform(CN_DRAWITEM, 0, LPARAM(&item));
        return ColorToRGB(target.GetCanvas()->GetPixels(x, y));
    }

    TqzRadioButton* First = nullptr;
    TqzRadioButton* Second = nullptr;
    ClickCounter Count;
};

TEST_F(RadioButton, StartsNormalWithItsPublishedDefaults) {
    EXPECT_EQ(rbsNormal, First->GetButtonState());
    EXPECT_FALSE(First->GetTransparent());
    EXPECT_TRUE(First->GetParentBackground());
    EXPECT_EQ(taRightJustify, First->GetAlignment());
    EXPECT_TRUE(First->GetControlStyle().Contains(csDoubleClicks));
    const TSize glyph = RadioGlyphSize();
    EXPECT_GT(glyph.cx, 0);
    EXPECT_GT(glyph.cy, 0);

    // Only a class-library popup menu is kept, and freeing it clears the reference.
    auto* menu = new TPopupMenu(Form);
    First->SetPopupMenu(menu);
    EXPECT_EQ(menu, First->GetPopupMenu());
    First->SetPopupMenu(new TMainMenu(Form));
    EXPECT_EQ(nullptr, First->GetPopupMenu());
    First->SetPopupMenu(menu);
    delete menu;
    EXPECT_EQ(nullptr, First->GetPopupMenu());
}

TEST_F(RadioButton, PressedWhileHeldInsideHotWhenDraggedOutNormalAfterwards) {
    ShowForm();
    MoveTo(Second, 5, 8);
    EXPECT_EQ(rbsHot, Second->GetButtonState());
    Button(Second, 5, 8, true);
    EXPECT_EQ(rbsPressed, Second->GetButtonState());
    MoveTo(Second, 5, 60);
    EXPECT_EQ(rbsHot, Second->GetButtonState()); // the capture lasts
    Button(Second, 5, 60, false);
    EXPECT_EQ(rbsNormal, Second->GetButtonState());
    // The press focused it, and entering checks it: one click, none more for the release outside.
    EXPECT_TRUE(Second->GetChecked());
    EXPECT_EQ(1, Count.Clicks);

    // A left-button leave (what the tracking tick reports) gives the normal state.
    MoveTo(Second, 5, 8);
    EXPECT_EQ(rbsHot, Second->GetButtonState());
    Second->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(rbsNormal, Second->GetButtonState());

    Second->SetEnabled(false);
    EXPECT_EQ(rbsDisabled, Second->GetButtonState());
}

TEST_F(RadioButton, AClickChecksTheButtonAndUnchecksItsSibling) {
    ShowForm();
    MoveTo(Second, 5, 8);
    Button(Second, 5, 8, true);
    Button(Second, 5, 8, false);
    EXPECT_TRUE(Second->GetChecked());
    EXPECT_FALSE(First->GetChecked());
    EXPECT_EQ(1, Count.Clicks);
}

TEST_F(RadioButton, EnteringAnUncheckedButtonChecksItWithOneClick) {
    ShowForm();
    First->SetFocus();
    App->ProcessMessages();
    EXPECT_EQ(0, Count.Clicks); // already checked
    Second->SetFocus();
    App->ProcessMessages();
    EXPECT_TRUE(Second->GetChecked());
    EXPECT_FALSE(First->GetChecked());
    EXPECT_EQ(1, Count.Clicks);
}

TEST_F(RadioButton, CaptionMarginsByLookWrapAndAlignment) {
    struct Case {
        bool native, wrap;
        TLeftRight alignment;
        TRect expected; // from (0, 0, 100, 20)
    };
    const Case cases[] = {
        {false, false, taRightJustify, {5, -1, 100, 20}}, {false, false, taLeftJustify, {2, -1, 99, 20}},
        {false, true, taRightJustify, {5, -1, 98, 20}},   {false, true, taLeftJustify, {2, -1, 94, 20}},
        {true, false, taRightJustify, {3, -1, 100, 20}},  {true, false, taLeftJustify, {0, -1, 99, 20}},
        {true, true, taRightJustify, {3, -1, 100, 20}},   {true, true, taLeftJustify, {0, -1, 97, 20}},
    };
    for (const Case& c : cases) {
        First->SetWordWrap(c.wrap);
        First->SetAlignment(c.alignment);
        TRect r{0, 0, 100, 20};
        First->AdjustCaptionRect(r, c.native);
        EXPECT_EQ(c.expected.left, r.left) << c.native << c.wrap << int(c.alignment);
        EXPECT_EQ(c.expected.top, r.top) << c.native << c.wrap << int(c.alignment);
        EXPECT_EQ(c.expected.right, r.right) << c.native << c.wrap << int(c.alignment);
        EXPECT_EQ(c.expected.bottom, r.bottom) << c.native << c.wrap << int(c.alignment);
    }
}

TEST_F(RadioButton, FillsWithItsColourUnlessTransparent) {
    Form->SetColor(clLime);
    First->SetColor(clRed);
    ShowForm();
    EXPECT_EQ(clRed, PaintedAt(First, 118, 1));
    // The glyph sits at x 1, vertically centred.
    const TSize glyph = RadioGlyphSize();
    EXPECT_EQ(1, First->GetButtonRect().left);
    EXPECT_EQ((17 - glyph.cy) / 2, First->GetButtonRect().top);

    First->SetTransparent(true);
    EXPECT_TRUE(First->IsTransparent());
    EXPECT_EQ(clLime, PaintedAt(First, 118, 1)); // the parent shows through

    // Glyph on the right edge.
    First->SetAlignment(taLeftJustify);
    ShowForm();
    PaintedAt(First, 0, 0);
    EXPECT_EQ(120, First->GetButtonRect().right);
}

} // namespace
