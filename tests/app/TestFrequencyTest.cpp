#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/TestFrequency.h"
#include "grid/Tambor.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Prompts.h"
#include "suite/controls/qzButtons.h"
#include "tests/app/DialogFixture.h"

namespace {

const char* const kMismatch = "Test Frequency mismatch.#10#13Execute read data from radio or write to radio.";

class TestFrequencyTest : public apptest::DialogFixture {
protected:
    // A model limited to 400..470 MHz with the band 450 - 470MHz.
    void StartLimited() {
        Start();
        AppState->ModelMin = 400;
        AppState->ModelMax = 470;
        AppState->UseBand("450 - 470MHz");
    }
};

TEST_F(TestFrequencyTest, ShowsTheFrequenciesInItsGrid) {
    Start();
    TestFrequencies->Rx[15] = "470.00000";
    std::unique_ptr<TfTestFrequency> dialog(new TfTestFrequency(nullptr));
    dialog->Changed = true; // the dialog starts it afresh
    ShowModal<TfTestFrequency>(dialog.get(), [&](TfTestFrequency& d) {
        TTambor* grid = d.gvData;
        EXPECT_EQ(4, grid->GetColCount());
        EXPECT_EQ(18, grid->GetRowCount());
        EXPECT_EQ(22, grid->GetDefaultRowHeight());
        EXPECT_EQ(
            (std::vector<Integer>{60, 100, 100}),
            (std::vector<Integer>{grid->ColumnWidthAt(1), grid->ColumnWidthAt(2), grid->ColumnWidthAt(3)}));
        EXPECT_EQ("信道", grid->ReadForeText(1, 1));
        EXPECT_EQ("接收[MHz]", grid->ReadForeText(2, 1));
        EXPECT_EQ("发射[MHz]", grid->ReadForeText(3, 1));
        EXPECT_EQ("1", grid->ReadForeText(1, 2));
        EXPECT_EQ("16", grid->ReadForeText(1, 17));
        EXPECT_EQ("460.05000", grid->ReadForeText(2, 2));
        EXPECT_EQ("460.10000", grid->ReadForeText(3, 2));
        EXPECT_EQ("460.40000", grid->ReadForeText(3, 7));
        EXPECT_EQ("", grid->ReadForeText(2, 8));
        EXPECT_EQ("470.00000", grid->ReadForeText(2, 17));
        EXPECT_EQ(clBtnFace, grid->CellAt(1, 5).Color);
        EXPECT_EQ(clBtnFace, grid->CellAt(3, 1).Color);
        EXPECT_EQ(TAlignMode::taCenter, grid->CellAt(1, 9).AlignMode);
        EXPECT_EQ(TAlignMode::taCenter, grid->CellAt(2, 1).AlignMode);
        for (Integer col : {2, 3}) {
            const TCellInfo& cell = grid->CellAt(col, 10);
            EXPECT_EQ(dsNumber, cell.DataStyle);
            EXPECT_EQ(5, cell.IntLength);
            EXPECT_EQ(5, cell.DecLength);
            EXPECT_EQ(TAlignMode::taRight, cell.AlignMode);
        }
        EXPECT_FALSE(grid->GetShowPopup());
        EXPECT_FALSE(grid->GetGridCanCopyMove());
        EXPECT_FALSE(grid->GetGridCanFill());
        EXPECT_TRUE(grid->GetOptions().Contains(goEditing));
        EXPECT_FALSE(d.Label1->GetVisible());
        EXPECT_EQ(kMismatch, d.Label1->GetCaption());
        EXPECT_FALSE(d.Changed);
        SavePicture(&d, "TestFrequency.png");
        d.btnCancel->Click();
    });
}

// A frequency written into a cell (as the in-place editor commits it) is held to the model's
// limits and checked against the band; an emptied cell stays empty. Every write counts as a
// change.
TEST_F(TestFrequencyTest, WrittenFrequenciesAreCheckedAgainstModelAndBand) {
    StartLimited();
    struct Case {
        const char* typed;
        const char* shown;
        std::vector<String> prompts;
    } cases[] = {
        {"500", "470.00000", {"频率出错！"}},
        {"300", "450.00000", {"频率出错！"}},
        {"440", "440.00000", {"频率超出范围！"}},
        {"460.0125", "460.01250", {}},
        {"460.003", "460.00300", {}},
        {"", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        std::unique_ptr<TfTestFrequency> dialog(new TfTestFrequency(nullptr));
        TScopedPromptScript prompts({IDOK, IDOK});
        size_t written = 0;
        ShowModal<TfTestFrequency>(dialog.get(), [&](TfTestFrequency& d) {
            d.gvData->WriteForeText(3, 4, c.typed);
            EXPECT_EQ(c.shown, d.gvData->ReadForeText(3, 4));
            EXPECT_TRUE(d.Changed);
            written = prompts.Prompts().size();
            d.btnOk->Click();
        });
        const std::vector<TPromptRecord> asked = prompts.Prompts();
        ASSERT_EQ(c.prompts.size() + 1, asked.size());
        ASSERT_EQ(c.prompts.size(), written);
        for (size_t i = 0; i < c.prompts.size(); ++i) {
            EXPECT_EQ(c.prompts[i], asked[i].Text);
            EXPECT_EQ("注意", asked[i].Caption);
        }
        // Closing after the change: the mismatch message, once.
        EXPECT_EQ(kMismatch, asked.back().Text);
        EXPECT_EQ("提示", asked.back().Caption);
        EXPECT_EQ(UINT(MB_ICONINFORMATION), asked.back().Flags & MB_ICONMASK);
        EXPECT_EQ(c.shown, TestFrequencies->Tx[2]);
        EXPECT_EQ("460.20000", TestFrequencies->Rx[4]);
    }
}

// Typed into an empty cell through the grid's own editor and committed with Enter.
TEST_F(TestFrequencyTest, TypedFrequencyAboveTheModelBecomesTheBandTop) {
    StartLimited();
    std::unique_ptr<TfTestFrequency> dialog(new TfTestFrequency(nullptr));
    TScopedPromptScript prompts({IDOK, IDOK});
    ShowModal<TfTestFrequency>(dialog.get(), [&](TfTestFrequency& d) {
        TTambor* grid = d.gvData;
        grid->SetFocus();
        grid->SetCurrentCell(2, 9, true, true);
        SendMessageA(grid->GetHandle(), WM_CHAR, WPARAM('5'), 0);
        App->ProcessMessages();
        for (char ch : std::string("00"))
            SendMessageA(GetFocus(), WM_CHAR, WPARAM(ch), 0);
        SendMessageA(GetFocus(), WM_CHAR, WPARAM(13), 0);
        App->ProcessMessages();
        EXPECT_EQ("470.00000", grid->ReadForeText(2, 9));
        ASSERT_EQ(1u, prompts.Prompts().size());
        EXPECT_EQ("频率出错！", prompts.Prompts()[0].Text);
        d.btnOk->Click();
    });
    ASSERT_EQ(2u, prompts.Prompts().size());
    EXPECT_EQ(kMismatch, prompts.Prompts()[1].Text);
    EXPECT_EQ("470.00000", TestFrequencies->Rx[7]);
}

// The mismatch message comes once at closing after a change, with "&Ok" and with "&Cancel";
// "&Cancel" keeps the frequencies as they were.
TEST_F(TestFrequencyTest, ClosingAfterAChangeTellsOnce) {
    StartLimited();
    struct Case {
        bool change;
        bool ok;
        size_t prompts;
        const char* rx1;
    } cases[] = {
        {false, true, 0, "460.05000"},
        {false, false, 0, "460.05000"},
        {true, true, 1, "465.00000"},
        {true, false, 1, "460.05000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.change ? "changed " : "unchanged ") + (c.ok ? "ok" : "cancel"));
        TestFrequencies->ResetTestFrequencies();
        std::unique_ptr<TfTestFrequency> dialog(new TfTestFrequency(nullptr));
        TScopedPromptScript prompts({IDOK, IDOK});
        ShowModal<TfTestFrequency>(dialog.get(), [&](TfTestFrequency& d) {
            if (c.change) d.gvData->WriteForeText(2, 2, "465");
            (c.ok ? d.btnOk : d.btnCancel)->Click();
        });
        EXPECT_EQ(c.prompts, prompts.Prompts().size());
        EXPECT_TRUE(prompts.Errors().empty());
        EXPECT_EQ(c.change, dialog->Changed);
        EXPECT_EQ(c.rx1, TestFrequencies->Rx[0]);
    }
}

TEST_F(TestFrequencyTest, IsTranslatedInAnotherLanguage) {
    WriteLanguages(0,
                   "[fTestFrequency]\nfTestFrequency.Caption=Test frequencies\ngvData.1=Channel\n"
                   "gvData.2=RX[MHz]\ngvData.3=TX[MHz]\nbtnOk.Caption=OK\n",
                   "");
    Start();
    std::unique_ptr<TfTestFrequency> dialog(new TfTestFrequency(nullptr));
    ShowModal<TfTestFrequency>(dialog.get(), [&](TfTestFrequency& d) {
        EXPECT_EQ("Test frequencies", d.GetCaption());
        EXPECT_EQ("Channel", d.gvData->ReadForeText(1, 1));
        EXPECT_EQ("RX[MHz]", d.gvData->ReadForeText(2, 1));
        EXPECT_EQ("TX[MHz]", d.gvData->ReadForeText(3, 1));
        EXPECT_EQ("OK", d.btnOk->GetCaption());
        SavePicture(&d, "TestFrequency-English.png");
        d.btnCancel->Click();
    });
}

} // namespace
