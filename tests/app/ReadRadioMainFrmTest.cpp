// The main window's radio commands against the simulated radio: a read goes through the hidden
// staging grid into the channel table only when it succeeded, and a write sends the channel
// table.
#include <gtest/gtest.h>

#include <memory>

#include "app/AllClass.h"
#include "app/ChInfo.h"
#include "app/MainFrm.h"
#include "app/ReadRadio.h"
#include "app/WriteRadio.h"
#include "app/WriteRead.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Prompts.h"
#include "suite/controls/qzButtons.h"
#include "tests/app/RadioLinkTestSupport.h"
#include "tests/support/ModalScript.h"

namespace {

using radiotest::Hex;
using radiotest::PumpUntil;
using radiotest::TGridCells;

TRecord16 Record(std::initializer_list<int> bytes) {
    TRecord16 record;
    record.fill(0xFF);
    std::size_t i = 0;
    for (int b : bytes)
        record.at(i++) = Byte(b);
    return record;
}

class MainFrmRadioTest : public radiotest::TRadioLinkTest {
protected:
    MainFrmRadioTest() {
        App->CreateForm(Frame);
        Frame->Show();
        PumpUntil([] { return true; });
        fChInfo = new TfChInfo(Frame);
        PumpUntil([] { return true; });
        // Channels 1 to 4 and 6 to 16 at 450.0125 + channel MHz; channel 5 blank; channel 2
        // without tones (FF FF).
        for (int channel = 1; channel <= 16; ++channel) {
            if (channel == 5) continue;
            const int mhz = 450 + channel;
            const int hi = ((mhz / 100) << 4) | ((mhz / 10) % 10);
            const int lo = (mhz % 10) << 4;
            if (channel == 2)
                SetImage(0x10 * channel, Record({0x50, 0x12, lo, hi, 0x50, 0x12, lo, hi, 0xFF, 0xFF, 0xFF, 0xFF, 0x04}));
            else
                SetImage(0x10 * channel, Record({0x50, 0x12, lo, hi, 0x00, 0x00, lo, hi, 0x70, 0x06, 0x23, 0x80, 0x0B}));
        }
        SetImage(0x3C0, Record({0x03, 4, 2, 6}));
        SetImage(0x3D0, Record({0x00, 0x00, 244, '5', '7', '4', '2', 'P'}));
        SetImage(0x2B0, Record({1, 1, 0, 0, 4, 0, 1, 1, 0, 1}));
    }
    ~MainFrmRadioTest() override { fChInfo = nullptr; }
    // The application frees the windows.

    // Runs the read command with OK clicked in the dialog; the dialog closes itself on success.
    void Read() {
        testsupport::TScopedModalScript modal;
        modal.Add<TfReadRadio>(
            "fReadRadio",
            [this](TfReadRadio& dialog) {
                dialog.btnOk->Click();
                CloseWhenEnded(dialog);
            },
            testsupport::TScopedModalScript::MayStayOpen);
        Frame->ShowReadDialog();
    }

    TfMainFrm* Frame = nullptr;
};

TEST_F(MainFrmRadioTest, ReadFillsTheChannelTable) {
    Frame->FileName = "old.dat";
    AppState->Modified = false;
    TScopedPromptScript prompts({IDOK});
    Read();
    ASSERT_EQ(prompts.Prompts().size(), 1u);
    EXPECT_EQ(prompts.Prompts()[0].Text, PromptTexts->ReadOk);
    EXPECT_TRUE(prompts.Errors().empty());

    TGridCells cells(*fChInfo->gvData);
    const String none = fChInfo->lNone->GetCaption();
    EXPECT_EQ(none, "None");
    // Channel 1: mark, frequencies, tones and options as the channel window shows them.
    EXPECT_EQ(cells.GetBackText(ccInUse, 2), "1");
    EXPECT_EQ(cells.GetForeText(ccRx, 2), "451.01250");
    EXPECT_EQ(cells.GetForeText(ccTx, 2), "451.00000");
    EXPECT_EQ(cells.GetForeText(ccDecodeTone, 2), "67.0");
    EXPECT_EQ(cells.GetForeText(ccEncodeTone, 2), "D023N");
    EXPECT_EQ(cells.GetBackText(ccTxPower, 2), "1");
    EXPECT_EQ(cells.GetForeText(ccTxPower, 2), "High");
    EXPECT_EQ(cells.GetForeText(ccWideNarrow, 2), "Wide");
    EXPECT_EQ(cells.GetBackText(ccBusyLockout, 2), "1");
    EXPECT_EQ(fChInfo->gvData->CellAt(ccTx, 2).ReadOnly, false);
    // Channel 2: tones FF FF show the no-tone text.
    EXPECT_EQ(cells.GetForeText(ccDecodeTone, 3), none);
    EXPECT_EQ(cells.GetForeText(ccEncodeTone, 3), none);
    EXPECT_EQ(cells.GetForeText(ccWideNarrow, 3), "Narrow");
    // Channel 5 blank: row 6 empty and without mark.
    EXPECT_EQ(cells.GetBackText(ccInUse, 6), "");
    EXPECT_EQ(cells.GetForeText(ccRx, 6), "");
    EXPECT_EQ(cells.GetForeText(ccDecodeTone, 6), "");
    EXPECT_EQ(cells.GetForeText(ccRx, 17), "466.01250");

    // Modified, no file name in the caption, and New asks whether to save.
    EXPECT_TRUE(AppState->Modified);
    EXPECT_TRUE(Frame->FileName.empty());
    EXPECT_EQ(Frame->GetCaption().find('['), String::npos);
    TScopedPromptScript question({IDNO});
    Frame->NewData();
    ASSERT_EQ(question.Prompts().size(), 1u);
    EXPECT_EQ(question.Prompts()[0].Text, PromptTexts->SaveProgram);
    EXPECT_FALSE(AppState->Modified);
}

// A read that fails part way changes none of the channel table.
TEST_F(MainFrmRadioTest, FailedReadLeavesTheTable) {
    fChInfo->gvData->CellAt(ccRx, 4).ForeText = "440.00000";
    AddFault("no-reply,once,from=20");
    TScopedPromptScript prompts({IDCANCEL});
    testsupport::TScopedModalScript modal;
    modal.Add<TfReadRadio>("fReadRadio", [&](TfReadRadio& dialog) {
        dialog.btnOk->Click();
        EXPECT_TRUE(DriveUntil(dialog, [&] { return !prompts.Prompts().empty(); }));
        dialog.btnCancel->Click();
    });
    Frame->ShowReadDialog();
    ASSERT_EQ(prompts.Prompts().size(), 1u);
    EXPECT_EQ(prompts.Prompts()[0].Text, PromptTexts->ComError);
    EXPECT_EQ(fChInfo->gvData->CellAt(ccRx, 4).ForeText, "440.00000");
    EXPECT_EQ(fChInfo->gvData->CellAt(ccRx, 2).ForeText, "");
}

// The write command sends the channel table, "None" counting as no tone.
TEST_F(MainFrmRadioTest, WriteSendsTheChannelTable) {
    TScopedPromptScript readPrompts({IDOK});
    Read();
    SetImage(0x10, std::string(16, '\xEE'));
    TScopedPromptScript prompts({IDOK});
    testsupport::TScopedModalScript modal;
    modal.Add<TfWriteRadio>("fWriteRadio", [&](TfWriteRadio& dialog) {
        dialog.btnOk->Click();
        EXPECT_TRUE(PumpUntil([&] { return !prompts.Prompts().empty() && Ended(); }));
        dialog.btnCancel->Click();
    });
    Frame->ShowWriteDialog();
    ASSERT_EQ(prompts.Prompts().size(), 1u);
    EXPECT_EQ(prompts.Prompts()[0].Text, PromptTexts->WriteOk);
    EXPECT_EQ(Hex(ImageAt(0x10)), "50 12 10 45 00 00 10 45 70 06 23 80 0B FF FF FF");
    EXPECT_EQ(Hex(ImageAt(0x20)), "50 12 20 45 50 12 20 45 FF FF FF FF 04 FF FF FF");
    EXPECT_EQ(ImageAt(0x50), std::string(16, '\xFF'));
}

} // namespace
