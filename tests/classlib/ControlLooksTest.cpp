// How the class library's controls look in their colours and states, probed in their painted
// pixels: an edit paints its Color and its font colour, editable, read-only or disabled; a
// control that is disabled, or stands in a disabled panel, paints its disabled look, and comes
// back when the panel is enabled.
#include <gtest/gtest.h>

#include "platform/classlib/EditCtrls.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/winapi/WinCore.h"
#include "tests/support/ControlLooks.h"
#include "tests/support/FormFixture.h"

namespace {

class ControlLooksTest : public testsupport::TFormFixture {
protected:
    void Pump() { App->ProcessMessages(); }
};

TEST_F(ControlLooksTest, AnEditPaintsItsColorAndFontColorInEveryState) {
    struct Case {
        const char* Name;
        TColor Color;
        TColor FontColor;
        bool ReadOnly;
        bool Enabled;
        TColor Background;
        TColor Text;
    };
    const Case cases[] = {
        {"default", clWindow, clWindowText, false, true, clWindow, clWindowText},
        {"own colours", clYellow, clRed, false, true, clYellow, clRed},
        {"read-only", clYellow, clRed, true, true, clYellow, clRed},
        {"disabled", clYellow, clRed, false, false, clYellow, clGrayText},
        {"disabled and read-only", clWindow, clWindowText, true, false, clWindow, clGrayText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        auto* edit = new TEdit(Form);
        edit->SetParent(Form);
        edit->SetBounds(10, 10, 120, 21);
        edit->SetText("WWWWWWWWW");
        edit->SetColor(c.Color);
        edit->GetFont()->SetColor(c.FontColor);
        edit->SetReadOnly(c.ReadOnly);
        edit->SetEnabled(c.Enabled);
        ShowUnfocused();
        const testsupport::TControlLook look = testsupport::ProbeLook(edit);
        EXPECT_EQ(ColorToRGB(c.Background), look.Background);
        EXPECT_EQ(ColorToRGB(c.Text), look.Text);
        delete edit;
    }
}

TEST_F(ControlLooksTest, ControlsInADisabledPanelLookDisabledUntilItIsEnabled) {
    auto* panel = new TPanel(Form);
    panel->SetParent(Form);
    panel->SetBounds(0, 0, 300, 120);
    panel->SetBevelOuter(bvNone);
    auto* edit = new TEdit(Form);
    edit->SetParent(panel);
    edit->SetBounds(10, 10, 120, 21);
    edit->SetText("WWWWWWWWW");
    auto* label = new TLabel(Form);
    label->SetParent(panel);
    label->SetBounds(10, 40, 100, 17);
    label->SetCaption("WWWWWWWWW");
    auto* check = new TCheckBox(Form);
    check->SetParent(panel);
    check->SetBounds(10, 70, 120, 17);
    check->SetCaption("WWWWWWWWW");
    ShowUnfocused();
    const TRect labelArea = label->GetBoundsRect();
    const TRect checkText{20, 2, check->GetWidth(), check->GetHeight() - 2};
    EXPECT_EQ(ColorToRGB(clWindowText), testsupport::ProbeLook(edit).Text);
    EXPECT_EQ(ColorToRGB(clWindowText), testsupport::ProbeLook(panel, labelArea).Text);
    EXPECT_EQ(ColorToRGB(clWindowText), testsupport::ProbeLook(check, checkText).Text);

    panel->SetEnabled(false);
    EXPECT_TRUE(GetUpdateRect(edit->GetHandle(), nullptr, FALSE)) << "the edit is painted again";
    EXPECT_TRUE(GetUpdateRect(check->GetHandle(), nullptr, FALSE)) << "the check box is painted again";
    Pump();
    EXPECT_TRUE(edit->GetEnabled()) << "the controls' own Enabled is theirs";
    EXPECT_FALSE(edit->IsShownEnabled());
    EXPECT_EQ(ColorToRGB(clGrayText), testsupport::ProbeLook(edit).Text);
    const TColor labelText = testsupport::ProbeLook(panel, labelArea).Text;
    EXPECT_TRUE(labelText == ColorToRGB(clBtnShadow) || labelText == ColorToRGB(clBtnHighlight))
        << "the label is embossed";
    EXPECT_NE(ColorToRGB(clWindowText), testsupport::ProbeLook(check, checkText).Text);

    panel->SetEnabled(true);
    Pump();
    EXPECT_TRUE(edit->IsShownEnabled());
    EXPECT_EQ(ColorToRGB(clWindowText), testsupport::ProbeLook(edit).Text);
    EXPECT_EQ(ColorToRGB(clWindowText), testsupport::ProbeLook(panel, labelArea).Text);
    EXPECT_EQ(ColorToRGB(clWindowText), testsupport::ProbeLook(check, checkText).Text);
}

TEST_F(ControlLooksTest, AFormDisabledByAModalWindowLeavesItsControlsLooks) {
    auto* edit = new TEdit(Form);
    edit->SetParent(Form);
    edit->SetBounds(10, 10, 120, 21);
    edit->SetText("WWWWWWWWW");
    ShowUnfocused();
    EnableWindow(Form->GetHandle(), FALSE);
    EXPECT_TRUE(edit->IsShownEnabled());
    EXPECT_TRUE(IsWindowShownEnabled(edit->GetHandle()));
    EXPECT_EQ(ColorToRGB(clWindowText), testsupport::ProbeLook(edit).Text);
    EnableWindow(Form->GetHandle(), TRUE);
}

} // namespace
