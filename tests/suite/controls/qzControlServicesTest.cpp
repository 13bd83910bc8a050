// What the program's dialogs ask of the editor controls, used as they use it: check boxes and
// radio buttons read and set, spin editors' bounds and step read through their properties and
// their value stepped as a variant, currency values read and clamped, progress bars filled and
// emptied through their properties.
#include <gtest/gtest.h>

#include "platform/classlib/Forms.h"
#include "platform/runtime/ObjectText.h"
#include "suite/controls/qzCheckBox.h"
#include "suite/controls/qzCurrencyEdit.h"
#include "suite/controls/qzProgressBar.h"
#include "suite/controls/qzRadioGroup.h"
#include "suite/controls/qzSpinEdit.h"
#include "tests/support/FormFixture.h"

namespace {

class ControlServicesTest : public testsupport::TFormFixture {
protected:
    template <class T> T* Place() {
        auto* control = new T(Form);
        control->SetParent(Form);
        return control;
    }
};

TEST_F(ControlServicesTest, ACheckBoxIsCheckedOnlyWhenCheckedAndShowsWhatItIsSet) {
    auto* box = Place<TqzCheckBox>();
    box->GetCheckBoxProperties()->SetAllowGrayed(true);
    Form->Show();
    App->ProcessMessages();
    const std::pair<TqzCheckBoxState, bool> states[] = {
        {cbsUnchecked, false}, {cbsChecked, true}, {cbsGrayed, false}};
    for (const auto& [state, checked] : states) {
        box->SetState(state);
        EXPECT_EQ(box->GetChecked(), checked) << int(state);
    }
    box->SetChecked(true);
    EXPECT_EQ(box->GetState(), cbsChecked) << "a grayed box is checked";
    box->SetChecked(false);
    EXPECT_EQ(box->GetState(), cbsUnchecked);
    EXPECT_FALSE(box->GetChecked());
}

TEST_F(ControlServicesTest, CheckedStatesOfADefinitionHoldOnceLoaded) {
    const String text = "object ServicesForm: TForm\n"
                        "  object cbVox: TqzCheckBox\n"
                        "    Caption = 'VOX'\n"
                        "    State = cbsChecked\n"
                        "  end\n"
                        "  object rAll: TqzRadioButton\n"
                        "    Caption = '&All Channel'\n"
                        "    Checked = True\n"
                        "  end\n"
                        "  object rChannel: TqzRadioButton\n"
                        "    Caption = '&Channel'\n"
                        "  end\n"
                        "end\n";
    ReadComponentText(text, Form);
    auto* vox = dynamic_cast<TqzCheckBox*>(Form->FindComponent("cbVox"));
    auto* all = dynamic_cast<TqzRadioButton*>(Form->FindComponent("rAll"));
    auto* channel = dynamic_cast<TqzRadioButton*>(Form->FindComponent("rChannel"));
    ASSERT_TRUE(vox && all && channel);
    EXPECT_TRUE(vox->GetChecked());
    EXPECT_TRUE(all->GetChecked());
    EXPECT_FALSE(channel->GetChecked());
    channel->SetChecked(true);
    EXPECT_FALSE(all->GetChecked()) << "radio buttons of one parent exclude each other";
}

TEST_F(ControlServicesTest, SpinEditorBoundsStepAndValueAsTheDialogsUseThem) {
    auto* spin = Place<TqzSpinEdit>();
    TqzSpinEditProperties* properties = spin->GetProperties();
    ASSERT_NE(properties, nullptr);
    properties->SetMinValue(1);
    properties->SetMaxValue(16); // the channel count
    Form->Show();
    App->ProcessMessages();
    EXPECT_EQ(properties->GetMinValue(), 1);
    EXPECT_EQ(properties->GetMaxValue(), 16);
    EXPECT_EQ(properties->GetIncrement(), 1.0);
    spin->SetValue(Variant(Integer(5)));
    spin->SetValue(spin->GetValue() + Variant(Integer(1)));
    EXPECT_EQ(spin->GetValue().AsInteger(), 6);
    spin->SetValue(spin->GetValue() - Variant(Integer(1)));
    EXPECT_EQ(spin->GetValue().AsInteger(), 5);
}

TEST_F(ControlServicesTest, CurrencyValuesAreReadAsNumbersAndClampedWhenSet) {
    auto* edit = Place<TqzCurrencyEdit>();
    TqzCurrencyEditProperties* properties = edit->GetCurrencyEditProperties();
    properties->SetDisplayFormat("0.00000");
    Form->Show();
    App->ProcessMessages();
    edit->SetEditValue(Null());
    EXPECT_EQ(edit->GetValue(), 0.0);
    edit->SetValue(446.00625);
    EXPECT_DOUBLE_EQ(edit->GetValue(), 446.00625);
    properties->SetMinValue(400);
    properties->SetMaxValue(470);
    const std::pair<double, double> cases[] = {{500, 470}, {300, 400}, {450.5, 450.5}};
    for (const auto& [set, got] : cases) {
        edit->SetValue(set);
        EXPECT_DOUBLE_EQ(edit->GetValue(), got) << set;
    }
}

TEST_F(ControlServicesTest, AProgressBarFillsToItsMaximumAndEmpties) {
    auto* bar = Place<TqzProgressBar>();
    TqzProgressBarProperties* properties = bar->GetProperties();
    ASSERT_NE(properties, nullptr);
    EXPECT_EQ(properties->GetMin(), 0.0);
    EXPECT_EQ(properties->GetMax(), 100.0);
    Form->Show();
    App->ProcessMessages();
    properties->SetMax(62);
    EXPECT_EQ(properties->GetMax(), 62.0);
    properties->SetMax(0);
    EXPECT_EQ(properties->GetMax(), 62.0) << "a maximum not above the minimum is ignored";
    for (int block = 0; block < 70; ++block)
        bar->SetPosition(bar->GetPosition() + 1);
    EXPECT_EQ(bar->GetPosition(), properties->GetMax()) << "beyond the maximum the bar stays full";
    bar->SetPosition(properties->GetMin());
    EXPECT_EQ(bar->GetPosition(), 0.0);
}

} // namespace
