#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/Model.h"
#include "platform/classlib/StdCtrls.h"
#include "suite/controls/qzButtons.h"
#include "suite/editors/qzDropDownEdit.h"
#include "tests/app/DialogFixture.h"

namespace {

class ModelTest : public apptest::DialogFixture {};

std::vector<String> Items(TqzComboBox* box) {
    std::vector<String> items;
    TStrings* list = box->GetProperties()->GetItems();
    for (Integer i = 0; i < list->GetCount(); ++i)
        items.push_back(list->GetStrings(i));
    return items;
}

const std::vector<String> kUhfBands = {"350 - 370MHz", "350 - 390MHz", "370 - 390MHz",
                                       "400 - 420MHz", "400 - 470MHz", "440 - 480MHz",
                                       "450 - 470MHz", "450 - 490MHz", "470 - 650MHz"};
const std::vector<String> kVhfBands = {"136 - 150MHz", "136 - 174MHz", "150 - 174MHz", "216 - 223MHz"};

// What the dialog shows first: the current model and band, or the first item for one that is
// not in its list.
TEST_F(ModelTest, ShowsTheCurrentModelAndBand) {
    struct Case {
        const char* model;
        const char* band;
        const char* shownModel;
        std::vector<String> bands;
        const char* shownBand;
    } cases[] = {
        {"KOV-571(UHF)", "400 - 470MHz", "KOV-571(UHF)", kUhfBands, "400 - 470MHz"},
        {"KOV-571(VHF)", "136 - 174MHz", "KOV-571(VHF)", kVhfBands, "136 - 174MHz"},
        {"KOV-571(VHF)", "450 - 470MHz", "KOV-571(VHF)", kVhfBands, "136 - 150MHz"},
        {"", "", "KOV-571(UHF)", kUhfBands, "350 - 370MHz"},
    };
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " " + c.band);
        AppState->ModelName = c.model;
        AppState->BandText = c.band;
        std::unique_ptr<TfModel> dialog(new TfModel(nullptr));
        dialog->Accepted = true; // the dialog starts it afresh
        ShowModal<TfModel>(dialog.get(), [&](TfModel& d) {
            EXPECT_EQ((std::vector<String>{"KOV-571(UHF)", "KOV-571(VHF)"}), Items(d.cbCopmut));
            EXPECT_EQ(c.shownModel, d.cbCopmut->GetText());
            EXPECT_EQ(c.bands, Items(d.cbPd));
            EXPECT_EQ(c.shownBand, d.cbPd->GetText());
            EXPECT_FALSE(d.Accepted);
            d.btnCancel->Click();
        });
        EXPECT_FALSE(dialog->Accepted);
    }
}

// Picking the other model replaces the band list by its bands and shows its default band; the
// model and band shown are what the caller takes when the dialog was accepted. The dialog
// itself changes nothing of the state.
TEST_F(ModelTest, AnotherModelBringsItsBandsAndDefaultBand) {
    Start();
    std::unique_ptr<TfModel> dialog(new TfModel(nullptr));
    ShowModal<TfModel>(dialog.get(), [&](TfModel& d) {
        d.cbCopmut->SetItemIndex(1);
        EXPECT_EQ(kVhfBands, Items(d.cbPd));
        EXPECT_EQ("150 - 174MHz", d.cbPd->GetText());
        d.cbCopmut->SetItemIndex(0);
        EXPECT_EQ(kUhfBands, Items(d.cbPd));
        EXPECT_EQ("450 - 470MHz", d.cbPd->GetText());
        d.cbCopmut->SetItemIndex(1);
        d.cbPd->SetItemIndex(3);
        SavePicture(&d, "Model.png");
        d.btnOk->Click();
    });
    EXPECT_TRUE(dialog->Accepted);
    EXPECT_EQ("KOV-571(VHF)", dialog->cbCopmut->GetText());
    EXPECT_EQ("216 - 223MHz", dialog->cbPd->GetText());
    EXPECT_EQ("KOV-571(UHF)", AppState->ModelName);
    EXPECT_EQ("450 - 470MHz", AppState->BandText);
}

TEST_F(ModelTest, IsTranslatedWithoutItsLists) {
    WriteLanguages(0,
                   "[fModel]\nfModel.Caption=Model\nLabel1.Caption=Type:\nLabel2.Caption=Band:\n"
                   "cbCopmut.0=Something else\n",
                   "");
    Start();
    std::unique_ptr<TfModel> dialog(new TfModel(nullptr));
    ShowModal<TfModel>(dialog.get(), [&](TfModel& d) {
        EXPECT_EQ("Model", d.GetCaption());
        EXPECT_EQ("Type:", d.Label1->GetCaption());
        EXPECT_EQ("Band:", d.Label2->GetCaption());
        EXPECT_EQ("KOV-571(UHF)", d.cbCopmut->GetText());
        d.btnCancel->Click();
    });
}

} // namespace
