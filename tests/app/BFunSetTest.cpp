#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "app/AllClass.h"
#include "app/BFunSet.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/StdCtrls.h"
#include "suite/controls/qzButtons.h"
#include "suite/controls/qzCheckBox.h"
#include "suite/controls/qzSpinEdit.h"
#include "suite/editors/qzDropDownEdit.h"
#include "tests/app/DialogFixture.h"

namespace {

class BFunSetTest : public apptest::DialogFixture {
protected:
    void SetUp() override { Start(); }

    // The dialog, shown as the main window shows it (its show handler loads the settings).
    std::unique_ptr<TfBFunSet> Open() {
        std::unique_ptr<TfBFunSet> dialog(new TfBFunSet(nullptr));
        dialog->Show();
        return dialog;
    }
};

struct CheckCase {
    const char* Name;
    Integer TFun::*Field;
};
struct ListCase {
    const char* Name;
    Integer TFun::*Field;
    Integer Value; // a value other than the default, inside the list
    const char* Shown;
};

const std::vector<CheckCase> kChecks = {
    {"cbBattSave", &TFun::BatterySave},     {"cbBeepTone", &TFun::BeepTone},
    {"cbVolhigh", &TFun::HighVolInhibitTx}, {"cbVolLow", &TFun::LowVolInhibitTx},
    {"chVoxFun", &TFun::VoxFunction},       {"chVoxInhibit", &TFun::VoxInhibitOnReceive},
};
const std::vector<ListCase> kLists = {
    {"cbSQvelch", &TFun::Squelch, 8, "8"},        {"cbMonikey", &TFun::SideKey, 3, "Alarm"},
    {"cbTxTimeout", &TFun::TxTimeout, 10, "300"}, {"qzScan", &TFun::Scan, 1, "On"},
    {"qzWaveof", &TFun::Voice, 0, "Off"},         {"cbVoice", &TFun::VoiceLanguage, 0, "English"},
    {"qzAlt", &TFun::InceptAlarm, 1, "On"},       {"qzFM", &TFun::Fm, 0, "Interdict"},
};

TqzCheckBox* Check(TForm* f, const char* name) { return dynamic_cast<TqzCheckBox*>(f->FindComponent(name)); }
TqzComboBox* List(TForm* f, const char* name) { return dynamic_cast<TqzComboBox*>(f->FindComponent(name)); }

TEST_F(BFunSetTest, EveryControlShowsItsFieldAndOkStoresItBack) {
    // Every check box both ways: the defaults first, then each flipped.
    for (bool flip : {false, true}) {
        SCOPED_TRACE(flip);
        FunctionSettings->ResetFunctionSettings();
        for (const CheckCase& c : kChecks)
            if (flip) (*FunctionSettings).*c.Field ^= 1;
        for (const ListCase& c : kLists)
            if (flip) (*FunctionSettings).*c.Field = c.Value;
        FunctionSettings->VoxLevel = flip ? 2 : 4;
        const TFun expected = *FunctionSettings;

        auto dialog = Open();
        for (const CheckCase& c : kChecks) {
            ASSERT_NE(Check(dialog.get(), c.Name), nullptr) << c.Name;
            EXPECT_EQ(Check(dialog.get(), c.Name)->GetChecked(), expected.*c.Field == 1) << c.Name;
        }
        for (const ListCase& c : kLists) {
            ASSERT_NE(List(dialog.get(), c.Name), nullptr) << c.Name;
            EXPECT_EQ(List(dialog.get(), c.Name)->GetItemIndex(), expected.*c.Field) << c.Name;
            if (flip) {
                EXPECT_EQ(List(dialog.get(), c.Name)->GetText(), c.Shown) << c.Name;
            }
        }
        EXPECT_EQ(dialog->seVoxLevel->GetText(), flip ? "3" : "5");

        // "&Ok" unchanged stores the same values; then every control turned the other way.
        FunctionSettings->ResetFunctionSettings();
        FunctionSettings->Squelch = 0;
        dialog->btnOk->Click();
        EXPECT_EQ(FunctionSettings->Squelch, expected.Squelch);
        for (const CheckCase& c : kChecks)
            EXPECT_EQ((*FunctionSettings).*c.Field, expected.*c.Field) << c.Name;
        for (const ListCase& c : kLists)
            EXPECT_EQ((*FunctionSettings).*c.Field, expected.*c.Field) << c.Name;
        EXPECT_EQ(FunctionSettings->VoxLevel, expected.VoxLevel);
    }
}

TEST_F(BFunSetTest, TheVoxLevelShowsOneMoreThanItsField) {
    FunctionSettings->VoxLevel = 4;
    auto dialog = Open();
    EXPECT_EQ(dialog->seVoxLevel->GetValue().AsInteger(), 5);
    EXPECT_EQ(dialog->seVoxLevel->GetText(), "5");
    dialog->seVoxLevel->SetValue(Variant(Integer(1)));
    dialog->btnOk->Click();
    EXPECT_EQ(FunctionSettings->VoxLevel, 0);
}

TEST_F(BFunSetTest, VoxOffDisablesItsPanelAndTheDisabledControlsAreStillStored) {
    FunctionSettings->VoxFunction = 1;
    auto dialog = Open();
    EXPECT_TRUE(dialog->Panel1->GetEnabled());

    dialog->chVoxFun->SetChecked(false); // the box's click handler runs
    EXPECT_FALSE(dialog->Panel1->GetEnabled());
    dialog->chVoxInhibit->SetChecked(true);
    dialog->seVoxLevel->SetValue(Variant(Integer(2)));
    dialog->btnOk->Click();
    EXPECT_EQ(FunctionSettings->VoxFunction, 0);
    EXPECT_EQ(FunctionSettings->VoxInhibitOnReceive, 1);
    EXPECT_EQ(FunctionSettings->VoxLevel, 1);

    auto again = Open();
    EXPECT_FALSE(again->Panel1->GetEnabled());
    again->chVoxFun->SetChecked(true);
    EXPECT_TRUE(again->Panel1->GetEnabled());
}

TEST_F(BFunSetTest, CancelKeepsEverythingAndOkMarksTheDataModifiedEvenUnchanged) {
    // Shown modally as the main window shows it; the buttons are clicked.
    auto runModal = [&](const std::function<void(TfBFunSet&)>& body) {
        testsupport::TScopedModalScript modal;
        modal.Add<TfBFunSet>("fBFunSet", [&](TfBFunSet& dialog) { body(dialog); });
        std::unique_ptr<TfBFunSet> dialog(new TfBFunSet(nullptr));
        dialog->ShowModal();
        EXPECT_EQ(modal.Pending(), 0u);
    };
    const TFun before = *FunctionSettings;
    runModal([&](TfBFunSet& dialog) {
        Check(&dialog, "cbBattSave")->SetChecked(false);
        List(&dialog, "cbSQvelch")->SetItemIndex(9);
        dialog.seVoxLevel->SetValue(Variant(Integer(1)));
        Click(dialog.btnCancel);
    });
    EXPECT_EQ(FunctionSettings->BatterySave, before.BatterySave);
    EXPECT_EQ(FunctionSettings->Squelch, before.Squelch);
    EXPECT_EQ(FunctionSettings->VoxLevel, before.VoxLevel);
    EXPECT_FALSE(AppState->Modified);

    runModal([&](TfBFunSet& dialog) { Click(dialog.btnOk); });
    EXPECT_TRUE(AppState->Modified);
    EXPECT_EQ(FunctionSettings->Squelch, before.Squelch);
}

TEST_F(BFunSetTest, AListFieldOutsideItsItemsShowsNoItemAndSurvivesOk) {
    // The side key holds 0..5 after the radio's range check (or anything from a file); its list
    // has four items.
    for (Integer sideKey : {4, 5, -1}) {
        SCOPED_TRACE(sideKey);
        FunctionSettings->SideKey = sideKey;
        FunctionSettings->Squelch = 12;
        auto dialog = Open();
        EXPECT_EQ(dialog->cbMonikey->GetItemIndex(), -1);
        EXPECT_EQ(dialog->cbMonikey->GetText(), "");
        EXPECT_EQ(dialog->cbSQvelch->GetItemIndex(), -1);
        dialog->btnOk->Click();
        EXPECT_EQ(FunctionSettings->SideKey, sideKey);
        EXPECT_EQ(FunctionSettings->Squelch, 12);
    }
}

TEST_F(BFunSetTest, PictureOfTheDialog) {
    FunctionSettings->VoxFunction = 0;
    auto dialog = Open();
    SavePicture(dialog.get(), "BFunSet.png");
}

} // namespace
