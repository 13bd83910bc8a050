// The batch edit dialog over a channel window of the test's own, shown modally as the main
// window shows it: runs over all channels or a range, up and down by each step, held in the
// model's range, the checks before a run, under a "." and a "," locale with the same grid texts,
// and a picture.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "app/AllClass.h"
#include "app/BBatchEdit.h"
#include "app/ChInfo.h"
#include "app/ToneOption.h"
#include "grid/Tambor.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Prompts.h"
#include "suite/controls/qzButtons.h"
#include "suite/controls/qzCheckBox.h"
#include "suite/controls/qzCurrencyEdit.h"
#include "suite/controls/qzRadioGroup.h"
#include "suite/controls/qzSpinEdit.h"
#include "suite/editors/qzDropDownEdit.h"
#include "tests/app/BChannelDialogFixture.h"

namespace {

using testsupport::TScopedModalScript;

const TFormatSettings kLocales[] = {testsupport::DotSettings(), testsupport::CommaSettings()};

class BBatchEditTest : public apptest::BChannelDialogFixture {
protected:
    void SetUp() override { StartWithChannels(); }

    // Opens the dialog as the main window does (both spin editors' maximum the channel count),
    // runs the body inside its modal loop, then clicks "&Cancel".
    void Run(const std::function<void(TfBBatchEdit&)>& body,
             const std::function<void(TScopedModalScript&)>& moreSteps = nullptr, bool setMaximum = true) {
        TScopedModalScript modal;
        modal.Add<TfBBatchEdit>("fBBatchEdit", [&](TfBBatchEdit& dialog) {
            body(dialog);
            Click(dialog.btnCancel);
        });
        if (moreSteps) moreSteps(modal);
        std::unique_ptr<TfBBatchEdit> dialog(new TfBBatchEdit(nullptr));
        if (setMaximum)
            for (TqzSpinEdit* spin : {dialog->seFrom, dialog->seTo})
                spin->GetProperties()->SetMaxValue(Grid->GetRowCount() - 2);
        dialog->ShowModal();
    }

    // Start frequencies and a step as typed and chosen.
    void TypeStart(TfBBatchEdit& d, const std::u32string& rx, const std::u32string& tx, Integer step) {
        Enter(d.eReceive, rx);
        Enter(d.eSend, tx);
        d.cbJg->SetItemIndex(step);
    }

    // The RX texts of channels 1..16.
    std::vector<String> RxColumn() const {
        std::vector<String> texts;
        for (Integer row = 2; row <= 17; ++row)
            texts.push_back(Fore(2, row));
        return texts;
    }
};

// "446.00625" and the following texts of a run in steps of 10 Hz units.
std::vector<String> Texts(Integer start, Integer step, Integer count) {
    std::vector<String> texts;
    for (Integer k = 0; k < count; ++k)
        texts.push_back(FloatToChannelText("0.00000", (start + k * step) / 100000.0L));
    return texts;
}

TEST_F(BBatchEditTest, AllChannelsGetTheRunWithTheTonesAndOptions) {
    for (const TFormatSettings& locale : kLocales) {
        testsupport::ScopedFormatSettings scoped(locale);
        SCOPED_TRACE(String(1, locale.DecimalSeparator));
        fChInfo->ResetRows();
        AppState->Modified = false;
        TScopedPromptScript prompts;
        Run([&](TfBBatchEdit& d) {
            EXPECT_TRUE(d.rall->GetChecked());
            EXPECT_TRUE(d.rasc->GetChecked());
            EXPECT_EQ(d.cbJg->GetText(), "25.0");
            TypeStart(d, U"446.00625", U"446.00625", 1); // 12.5
            Retype(d.cbQT, U"67");
            Key(VK_RETURN);
            Retype(d.cbDQT, U"d023n");
            Key(VK_RETURN);
            d.cbkz->SetItemIndex(1);
            d.chsmtj->SetChecked(true);
            Click(d.btnOk);
        });
        EXPECT_TRUE(prompts.Prompts().empty());
        const std::vector<String> run = Texts(44600625, 1250, 16);
        EXPECT_EQ(RxColumn(), run);
        EXPECT_EQ(run.back(), "446.19375");
        for (Integer k = 1; k <= 16; ++k) {
            SCOPED_TRACE(k);
            EXPECT_EQ(Row(k + 1), (std::vector<String>{run[k - 1], run[k - 1], "67.0", "D777N", "High",
                                                       "Narrow", "Yes", "No", "No"}));
            EXPECT_EQ(Marks(k + 1), (std::vector<String>{"1", "1", "1", "0", "1", "1"}));
            EXPECT_FALSE(TxLocked(k + 1));
        }
        EXPECT_TRUE(AppState->Modified);
    }
}

TEST_F(BBatchEditTest, TheRunFollowsItsDirectionUnsnappedAndStaysInTheModelsRange) {
    // The UHF model takes 300 to 650 MHz. Steps: 0 "25.0", 1 "12.5", 2 "6.25", 3 "5.00".
    struct Case {
        const char* Name;
        std::u32string Rx;
        Integer Step;
        bool Down;
        std::vector<String> First;
    };
    const std::vector<Case> cases = {
        {"down by 12.5", U"446.19375", 1, true, {"446.19375", "446.18125", "446.16875", "446.15625"}},
        // The running values are not snapped, only the written texts: 446.01125 is written
        // 446.00625, 446.01625 is written 446.01250 and 446.02125 is written 446.01875.
        {"up by 5.00", U"446.00625", 3, false, {"446.00625", "446.00625", "446.01250", "446.01875"}},
        {"up by 6.25", U"446.00625", 2, false, {"446.00625", "446.01250", "446.01875", "446.02500"}},
        {"past the top", U"649.95", 0, false, {"649.95000", "649.97500", "650.00000", "650.00000"}},
        {"past the bottom", U"300.025", 0, true, {"300.02500", "300.00000", "300.00000", "300.00000"}},
        {"from above the model", U"700", 0, true, {"650.00000", "649.97500", "649.95000", "649.92500"}},
    };
    for (const TFormatSettings& locale : kLocales) {
        testsupport::ScopedFormatSettings scoped(locale);
        for (const Case& c : cases) {
            SCOPED_TRACE(String(1, locale.DecimalSeparator) + " " + c.Name);
            fChInfo->ResetRows();
            TScopedPromptScript prompts;
            Run([&](TfBBatchEdit& d) {
                TypeStart(d, c.Rx, c.Rx, c.Step);
                if (c.Down) Click(d.rdesc);
                EXPECT_EQ(d.rdesc->GetChecked(), c.Down);
                Click(d.btnOk);
            });
            EXPECT_TRUE(prompts.Prompts().empty());
            std::vector<String> first = RxColumn();
            first.resize(4);
            EXPECT_EQ(first, c.First);
            EXPECT_EQ(Fore(3, 5), c.First[3]);
        }
    }
}

TEST_F(BBatchEditTest, ARangeOfChannelsIsCheckedAndWrittenAlone) {
    Program(1, "450.00000");
    TScopedPromptScript prompts({IDOK, IDOK});
    Run([&](TfBBatchEdit& d) {
        EXPECT_FALSE(d.pPd->GetEnabled());
        Click(d.rOne);
        EXPECT_TRUE(d.rOne->GetChecked());
        EXPECT_TRUE(d.pPd->GetEnabled());
        TypeStart(d, U"446.00625", U"446.00625", 0);

        // From above To: the prompt, nothing written.
        Enter(d.seFrom, U"3");
        Enter(d.seTo, U"2");
        Click(d.btnOk);
        EXPECT_EQ(Fore(2, 4), "");

        // A frequency outside the model's range is refused for a range.
        Enter(d.seTo, U"5");
        Enter(d.eSend, U"700");
        Click(d.btnOk);
        EXPECT_EQ(Fore(2, 4), "");

        Enter(d.eSend, U"446.00625");
        Click(d.btnOk);
        Click(d.rall);
        EXPECT_FALSE(d.pPd->GetEnabled());
    });
    ASSERT_EQ(prompts.Prompts().size(), 2u);
    EXPECT_EQ(prompts.Prompts()[0].Text, PromptTexts->FChBigT);
    EXPECT_EQ(prompts.Prompts()[0].Caption, PromptTexts->Confirmation);
    EXPECT_EQ(prompts.Prompts()[1].Text, PromptTexts->ErrRange);
    EXPECT_EQ(prompts.Prompts()[1].Caption, PromptTexts->Caution);

    std::vector<String> expected(16);
    expected[0] = "450.00000";
    expected[2] = "446.00625";
    expected[3] = "446.03125";
    expected[4] = "446.05625";
    EXPECT_EQ(RxColumn(), expected);
    EXPECT_EQ(Back(1, 3), "");
    EXPECT_EQ(Back(1, 4), "1");
    EXPECT_TRUE(TxLocked(3));
    EXPECT_FALSE(TxLocked(6));
    EXPECT_TRUE(TxLocked(7));
}

TEST_F(BBatchEditTest, AnEmptyRxDoesNothingAndShowsNothing) {
    AppState->Modified = false;
    TScopedPromptScript prompts;
    Run([&](TfBBatchEdit& d) {
        Enter(d.eSend, U"446.00625");
        Enter(d.eReceive, U"");
        EXPECT_EQ(d.eReceive->GetText(), ""); // the snapping leaves an empty editor empty
        Click(d.btnOk);
        Click(d.rOne);
        Click(d.btnOk);
    });
    EXPECT_TRUE(prompts.Prompts().empty());
    EXPECT_EQ(RxColumn(), std::vector<String>(16));
    EXPECT_FALSE(AppState->Modified);
}

TEST_F(BBatchEditTest, APickedToneIsTakenForTheRun) {
    Run(
        [&](TfBBatchEdit& d) {
            TypeStart(d, U"446.00625", U"446.00625", 0);
            d.cbDQTDblClick(d.cbDQT);
            EXPECT_EQ(d.cbDQT->GetText(), "D645I");
            d.cbQTDblClick(d.cbQT); // closed without a choice
            EXPECT_EQ(d.cbQT->GetText(), "None");
            Click(d.btnOk);
        },
        [](TScopedModalScript& modal) {
            modal.Add<TfToneOption>("fToneOption", [](TfToneOption& picker) {
                picker.ChosenTone = "D645I";
                picker.SetModalResult(mrOk);
            });
            modal.Add<TfToneOption>("fToneOption", [](TfToneOption& picker) { picker.Close(); });
        });
    EXPECT_EQ(Fore(4, 2), "None");
    EXPECT_EQ(Fore(5, 2), "D645I");
    EXPECT_EQ(Fore(5, 17), "D645I");
}

TEST_F(BBatchEditTest, AFailureOnTheWayIsReportedAndTheRowsWrittenStay) {
    // The range editors keep their stored maximum (188): the run reaches past the table.
    TScopedPromptScript prompts({IDOK});
    Run(
        [&](TfBBatchEdit& d) {
            TypeStart(d, U"446.00625", U"446.00625", 0);
            Click(d.btnOk);
        },
        nullptr, false);
    EXPECT_EQ(RxColumn(), Texts(44600625, 2500, 16));
    ASSERT_EQ(prompts.Prompts().size(), 1u);
    EXPECT_EQ(prompts.Prompts()[0].Text, PromptTexts->ErrRange);
    EXPECT_EQ(prompts.Prompts()[0].Caption, PromptTexts->Caution);
    EXPECT_TRUE(Grid->GetAutoUpdate());
}

TEST_F(BBatchEditTest, PictureOfTheDialog) {
    Run([&](TfBBatchEdit& d) {
        TypeStart(d, U"446.00625", U"446.00625", 1);
        SavePicture(&d, "BBatchEdit.png");
    });
}

} // namespace
