// Controls that take no input look it: the function settings' VOX controls with VOX off and the
// channel edit dialog's settings on an empty channel paint their disabled look (the editors'
// disabled style, greyed or embossed text), and their enabled look again when they take input.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/AllClass.h"
#include "app/BFunSet.h"
#include "app/BInfoEdit.h"
#include "app/ChInfo.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/StdCtrls.h"
#include "suite/controls/qzButtons.h"
#include "suite/controls/qzCheckBox.h"
#include "suite/controls/qzCurrencyEdit.h"
#include "suite/controls/qzSpinEdit.h"
#include "suite/editors/qzTextEdit.h"
#include "tests/app/BChannelDialogFixture.h"
#include "tests/app/DialogFixture.h"
#include "tests/support/ControlLooks.h"

namespace {

// Every control inside `panel` (at any depth) looks disabled, or enabled; the number probed.
int ExpectLooks(TWinControl* panel, bool enabled) {
    int probed = 0;
    for (Integer i = 0; i < panel->GetControlCount(); ++i) {
        TControl* control = panel->GetControls(i);
        SCOPED_TRACE(control->GetName());
        if (!control->GetVisible()) continue;
        if (auto* editor = dynamic_cast<TqzCustomTextEdit*>(control)) {
            const testsupport::TControlLook look = testsupport::ProbeLook(editor, editor->GetViewInfo()->ClientRect);
            EXPECT_EQ(ColorToRGB(enabled ? clWindow : clBtnFace), look.Background);
            if (look.Text != clNone) { EXPECT_EQ(ColorToRGB(enabled ? clWindowText : clBtnShadow), look.Text); }
            ++probed;
        } else if (auto* check = dynamic_cast<TqzCheckBox*>(control)) {
            const TColor text = testsupport::ProbeLook(check, check->GetCheckViewInfo()->TextRect).Text;
            if (enabled) {
                EXPECT_EQ(ColorToRGB(clWindowText), text);
            } else {
                EXPECT_NE(ColorToRGB(clWindowText), text);
            }
            ++probed;
        } else if (auto* label = dynamic_cast<TLabel*>(control); label && !label->GetCaption().empty()) {
            const TColor text = testsupport::ProbeLook(panel, label->GetBoundsRect()).Text;
            if (enabled) {
                EXPECT_EQ(ColorToRGB(clWindowText), text);
            } else {
                EXPECT_NE(ColorToRGB(clWindowText), text);
            }
            ++probed;
        } else if (auto* inner = dynamic_cast<TWinControl*>(control); inner && !dynamic_cast<TqzControl*>(control)) {
            probed += ExpectLooks(inner, enabled);
        }
    }
    return probed;
}

class FunctionSettingsLooksTest : public apptest::DialogFixture {
protected:
    void SetUp() override { Start(); }
};

TEST_F(FunctionSettingsLooksTest, TheVoxControlsLookDisabledWhileVoxIsOff) {
    for (bool vox : {false, true}) {
        SCOPED_TRACE(vox ? "VOX on" : "VOX off");
        FunctionSettings->ResetFunctionSettings();
        FunctionSettings->VoxFunction = vox ? 1 : 0;
        std::unique_ptr<TfBFunSet> dialog(new TfBFunSet(nullptr));
        dialog->Show();
        App->ProcessMessages();
        auto* panel = dynamic_cast<TPanel*>(dialog->FindComponent("Panel1"));
        ASSERT_NE(nullptr, panel);
        EXPECT_EQ(3, ExpectLooks(panel, vox)) << "the check box, the label and the spin editor";
    }
}

class ChannelEditLooksTest : public apptest::BChannelDialogFixture {
protected:
    void SetUp() override { StartWithChannels(); }
};

TEST_F(ChannelEditLooksTest, AnEmptyChannelsSettingsLookDisabledUntilItHasAFrequency) {
    fChInfo->ResetRows();
    testsupport::TScopedModalScript modal;
    modal.Add<TfBInfoEdit>("fBInfoEdit", [&](TfBInfoEdit& d) {
        App->ProcessMessages();
        EXPECT_GT(ExpectLooks(d.pMain, false), 5);
        Enter(d.eReceive, U"446.0063");
        App->ProcessMessages();
        EXPECT_GT(ExpectLooks(d.pMain, true), 5);
        Click(d.btnClose);
    });
    std::unique_ptr<TfBInfoEdit> dialog(new TfBInfoEdit(nullptr));
    dialog->StartChannel = 3;
    dialog->sexd->GetProperties()->SetMaxValue(Grid->GetRowCount() - 2);
    dialog->ShowModal();
}

} // namespace
