// Writing to the radio, against the simulated radio on a port of the test's own.
#include <gtest/gtest.h>

#include <memory>

#include "app/AllClass.h"
#include "app/MacType.h"
#include "app/ReadRadio.h"
#include "app/WriteRadio.h"
#include "app/WriteRead.h"
#include "platform/runtime/Prompts.h"
#include "platform/runtime/Strings.h"
#include "serial/QePort.h"
#include "suite/controls/qzButtons.h"
#include "suite/controls/qzProgressBar.h"
#include "tests/app/RadioLinkTestSupport.h"
#include "tests/support/ModalScript.h"

namespace {

using radiotest::Hex;
using radiotest::PumpUntil;
using radiotest::TChannelRow;
using radiotest::TGridCells;
using TModalEnd = testsupport::TScopedModalScript::TStepEnd;
constexpr TModalEnd SelfClosing = testsupport::TScopedModalScript::MayStayOpen;
constexpr TModalEnd Closed = testsupport::TScopedModalScript::MustClose;

const std::string Blank16(16, '\xFF');

std::string Bytes(const TRecord16& record) { return std::string(record.begin(), record.end()); }

// handshake, identification, the exchange, 46 writes, the settings record B twice, the end
std::string WholeWrite() { return "HIA" + std::string(46, 'W') + "YYE"; }

class WriteRadioTest : public radiotest::TRadioLinkTest {
protected:
    WriteRadioTest() {
        // Channel 1 without TX, channel 2 without tones, channel 16 narrow with scan; the rest
        // empty.
        PutRow(*Grid, 1, {"450.01250", "", "67.0", "D023N", 1, 0, 0, 1, 1});
        PutRow(*Grid, 2, {"451.00000", "451.00000", "None", "None", 0, 1, 1, 0, 0});
        PutRow(*Grid, 16, {"466.00625", "467.50000", "D754I", "250.3", 1, 1, 0, 0, 1});
        MessageLines->LineA = "ABCDEFGHIJKLMNOPQRST";
        MessageLines->LineB = "LINE B";
        FunctionSettings->Squelch = 3;
        FunctionSettings->VoxLevel = 2;
        // The gap blocks after the channels (settings record B lies among them) and the bitmap
        // blocks have a pattern of their own.
        SetImage(0x110, std::string(16 * 39, '\x5A'));
        SetImage(0x2C0, std::string(64, '\xA5'));
    }

    // Shows the write dialog modally with the channel grid, as the main window does; `act` runs
    // inside its loop.
    void RunDialog(const std::function<void(TfWriteRadio&)>& act, TModalEnd end = Closed) {
        testsupport::TScopedModalScript modal;
        modal.Add<TfWriteRadio>(
            "fWriteRadio",
            [&](TfWriteRadio& dialog) { act(dialog); },
            end);
        auto dialog = std::make_unique<TfWriteRadio>(nullptr);
        dialog->ChannelGrid = Grid;
        dialog->NoneText = "None";
        dialog->ShowModal();
        Worker = dialog->GetWorker();
        PortOpenAfter = dialog->myPort->GetOpen();
    }
    // Clicks OK, waits for `done` (the timers expiring where the radio keeps silent), then Cancel.
    std::function<void(TfWriteRadio&)> OkThen(std::function<bool()> done) {
        return [this, done](TfWriteRadio& dialog) {
            dialog.btnOk->Click();
            EXPECT_TRUE(DriveUntil(dialog, done));
            dialog.btnCancel->Click();
        };
    }

    // The records a write of the current data stores, by address.
    std::vector<std::pair<int, std::string>> ExpectedImage() {
        TBWriteRead codec;
        TGridCells cells(*Grid);
        std::vector<std::pair<int, std::string>> image;
        TRecord16 record;
        image.push_back({0, Blank16});
        for (int channel = 1; channel <= 16; ++channel) {
            codec.EncodeChannelRow(record, cells, channel + 1, "None");
            image.push_back({0x10 * channel, Bytes(record)});
        }
        const String lines[4] = {Copy(MessageLines->LineA, 1, 16), Copy(MessageLines->LineA, 17, 16),
                                 Copy(MessageLines->LineB, 1, 16), Copy(MessageLines->LineB, 17, 16)};
        for (int i = 0; i < 4; ++i) {
            codec.EncodeText(record, lines[i]);
            image.push_back({0x380 + 0x10 * i, Bytes(record)});
        }
        codec.EncodeSettingsA(record);
        image.push_back({0x3C0, Bytes(record)});
        codec.EncodeModelRecord(record, BandList->BandCodeOf(AppState->BandText));
        image.push_back({0x3D0, Bytes(record)});
        codec.EncodeSettingsB(record);
        image.push_back({0x2B0, Bytes(record)});
        return image;
    }

    TTambor* Grid = MakeGrid();
    TThread* Worker = nullptr;
    bool PortOpenAfter = true;
};

TEST_F(WriteRadioTest, WritesEveryRecordAndReadsBackTheTable) {
    TScopedPromptScript prompts({IDOK});
    // The dialog stays open after "WriteOk"; it is closed once the end command has reached the
    // radio (closing the port drops what the line has not sent yet).
    RunDialog(OkThen([&] { return !prompts.Prompts().empty() && Ended(); }));
    EXPECT_TRUE(prompts.Errors().empty());
    ASSERT_EQ(prompts.Prompts().size(), 1u);
    EXPECT_EQ(prompts.Prompts()[0].Text, PromptTexts->WriteOk);
    EXPECT_FALSE(PortOpenAfter);
    ASSERT_TRUE(PumpUntil([&] { return Commands() == WholeWrite(); }, 3000)) << Commands();

    std::vector<std::string> blocks;
    char text[16];
    for (int a = 0; a <= 0x108; a += 8) {
        std::snprintf(text, sizeof text, "W %04X", a);
        blocks.push_back(text);
    }
    for (int a = 0x380; a <= 0x3D8; a += 8) {
        std::snprintf(text, sizeof text, "W %04X", a);
        blocks.push_back(text);
    }
    blocks.push_back("Y 02B0");
    blocks.push_back("Y 02B8");
    EXPECT_EQ(Blocks(), blocks);

    EXPECT_EQ(AppState->UsedBits, "1100000000000001");
    EXPECT_EQ(AppState->ScanBits, "0100000000000000");
    for (const auto& [address, bytes] : ExpectedImage()) {
        SCOPED_TRACE(address);
        EXPECT_EQ(Hex(ImageAt(address)), Hex(bytes));
    }
    // Block 0 blank; no TX: FF FF FF FF; a 20-character line ends in twelve FF; the gap and the
    // bitmap blocks untouched.
    EXPECT_EQ(ImageAt(0), Blank16);
    EXPECT_EQ(Hex(ImageAt(0x14, 4)), "FF FF FF FF");
    EXPECT_EQ(ImageAt(0x390), "QRST" + std::string(12, '\xFF'));
    EXPECT_EQ(ImageAt(0x3D0, 8), std::string("\x00\x00\xF4" "5742P", 8));
    for (int address = 0x110; address < 0x380; address += 0x10) {
        if (address == 0x2B0) continue;
        SCOPED_TRACE(address);
        EXPECT_EQ(ImageAt(address), std::string(16, address >= 0x2C0 && address < 0x300 ? '\xA5' : '\x5A'));
    }

    // Reading it back gives the table (no tone read back as empty: the channel window shows it
    // as "None").
    TTambor* staging = MakeGrid();
    TScopedPromptScript readPrompts({IDOK});
    testsupport::TScopedModalScript modal;
    modal.Add<TfReadRadio>(
        "fReadRadio",
        [this](TfReadRadio& dialog) {
            dialog.btnOk->Click();
            CloseWhenEnded(dialog);
        },
        SelfClosing);
    auto reader = std::make_unique<TfReadRadio>(nullptr);
    reader->StagingGrid = staging;
    reader->ShowModal();
    ASSERT_TRUE(reader->ReadSucceeded);
    TGridCells written(*Grid), read(*staging);
    for (Integer row = 2; row <= 17; ++row)
        for (Integer col = ccRx; col <= ccBusyLockout; ++col) {
            SCOPED_TRACE(testing::Message() << "row " << row << " column " << col);
            String fore = written.GetForeText(col, row);
            if (fore == "None") fore.clear();
            EXPECT_EQ(read.GetForeText(col, row), fore);
            EXPECT_EQ(read.GetBackText(col, row), col >= ccTxPower ? written.GetBackText(col, row) : String());
        }
    EXPECT_EQ(MessageLines->LineA, "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(FunctionSettings->Squelch, 3);
}

TEST_F(WriteRadioTest, AfterWriteOkTheBarIsEmptyAndOkEnabled) {
    TScopedPromptScript prompts({IDOK});
    double position = -1;
    bool okEnabled = false;
    RunDialog([&](TfWriteRadio& dialog) {
        dialog.btnOk->Click();
        EXPECT_FALSE(dialog.btnOk->GetEnabled());
        ASSERT_TRUE(PumpUntil([&] { return dialog.TransferState == 5; }));
        position = dialog.pBar->GetPosition();
        okEnabled = dialog.btnOk->GetEnabled();
        EXPECT_EQ(dialog.pBar->GetBarProperties()->GetMax(), 22);
        dialog.btnCancel->Click();
    });
    EXPECT_EQ(position, 0);
    EXPECT_TRUE(okEnabled);
    EXPECT_EQ(Worker, nullptr);
}

// A cell that cannot be encoded stops the write before its first command.
TEST_F(WriteRadioTest, ABadCellSendsNothing) {
    PutRow(*Grid, 9, {"455.00000", "", "6x", "", 1, 0, 0, 1, 1});
    TScopedPromptScript prompts({IDOK});
    RunDialog(OkThen([&] { return !prompts.Prompts().empty(); }));
    ASSERT_EQ(prompts.Prompts().size(), 1u);
    EXPECT_EQ(prompts.Prompts()[0].Text, PromptTexts->ComError);
    EXPECT_EQ(prompts.Prompts()[0].Flags & MB_TYPEMASK, MB_OK);
    EXPECT_TRUE(PumpUntil([&] { return Commands() == "HI"; }, 1000)) << Commands();
    EXPECT_TRUE(Blocks().empty());
}

TEST_F(WriteRadioTest, CheckRadioModelComparesCodeAndChannelCount) {
    // A model of another channel count, for the refusal.
    auto wide = std::make_unique<TMacType>("3475", 32, "KOV-571(32)");
    wide->SetGapBlocks(39);
    ModelList->AddModel(std::move(wide));
    TfWriteRadio dialog(nullptr);
    struct Case {
        const char* Current;
        const char* Ident;
        Integer Result;
    };
    const Case cases[] = {
        {"2475", "P2475S01", 2}, // the current model
        {"2475", "P1475S01", 3}, // another model, same channel count: ask
        {"2475", "P9999S01", 3}, // unknown: ask
        {"2475", "P3475S01", 1}, // another channel count: refuse
        {"3475", "P2475S01", 1},
        {"3475", "P3475S01", 2},
        {"1475", "P2475S01", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Current) + " " + c.Ident);
        AppState->UseModel(*ModelList->FindModelByCode(c.Current));
        EXPECT_EQ(dialog.CheckRadioModel(c.Ident), c.Result);
    }
}

// A VHF radio while the UHF model is current: "Modforce"; Yes writes the UHF model's code, No
// sends no block command.
TEST_F(WriteRadioTest, AnotherModelIsWrittenOnlyWhenForced) {
    Line.WithCore([](TRadioCore& core) { core.SetModelCode("1475"); });
    {
        TScopedPromptScript prompts({IDNO});
        RunDialog(OkThen([&] { return !prompts.Prompts().empty(); }));
        ASSERT_EQ(prompts.Prompts().size(), 1u);
        EXPECT_EQ(prompts.Prompts()[0].Text, PromptTexts->Modforce);
        EXPECT_TRUE(prompts.Errors().empty());
        EXPECT_TRUE(PumpUntil([&] { return Commands() == "HI"; }, 1000)) << Commands();
    }
    {
        TScopedPromptScript prompts({IDYES, IDOK});
        RunDialog(OkThen([&] { return prompts.Prompts().size() == 2 && Ended(); }));
        EXPECT_TRUE(prompts.Errors().empty());
        ASSERT_EQ(prompts.Prompts().size(), 2u);
        EXPECT_EQ(prompts.Prompts()[1].Text, PromptTexts->WriteOk);
        EXPECT_EQ(ImageAt(0x3D0, 8), std::string("\x00\x00\xF4" "5742P", 8));
    }
}

// Faults of the radio and the line, each against a radio of its own. Every attempt ends with
// its worker freed and the port closed; nothing hangs.
struct TFaultCase {
    const char* Name;
    const char* Fault; // for the simulated radio; "" for none
    std::vector<int> Replies;
    std::vector<String TLanguage::*> Prompts;
    // What the radio saw, exactly ("" for not looked at).
    std::string Commands;
    bool CancelMidTransfer = false;
    // The last block command the radio saw ("" for not looked at).
    std::string LastBlock = "";
};

class WriteRadioFaults : public WriteRadioTest, public ::testing::WithParamInterface<TFaultCase> {};

TEST_P(WriteRadioFaults, EndTheAttemptAsTheUserIsTold) {
    const TFaultCase& c = GetParam();
    if (*c.Fault) AddFault(c.Fault);
    const bool succeeds = !c.Prompts.empty() && c.Prompts.back() == &TLanguage::WriteOk;
    TScopedPromptScript prompts;
    for (int reply : c.Replies)
        prompts.AddReply(reply);
    if (c.CancelMidTransfer)
        RunDialog(OkThen([&] { return Blocks().size() >= 10; }));
    else
        RunDialog(OkThen([&] { return prompts.Prompts().size() >= c.Prompts.size() && (!succeeds || Ended()); }));
    EXPECT_EQ(Worker, nullptr);
    EXPECT_FALSE(PortOpenAfter);
    std::vector<String> texts, expected;
    for (const TPromptRecord& prompt : prompts.Prompts())
        texts.push_back(prompt.Text);
    for (String TLanguage::*text : c.Prompts)
        expected.push_back((*PromptTexts).*text);
    EXPECT_EQ(texts, expected);
    EXPECT_TRUE(prompts.Errors().empty());
    if (!c.Commands.empty()) {
        EXPECT_TRUE(PumpUntil([&] { return Commands() == c.Commands; }, 2000)) << Commands();
    }
    if (!c.LastBlock.empty()) {
        ASSERT_FALSE(Blocks().empty());
        EXPECT_EQ(Blocks().back(), c.LastBlock);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, WriteRadioFaults,
    ::testing::Values(
        // No answer to the first handshake: "ComError" after the handshake timer; Retry starts
        // a new attempt with one worker, which writes everything.
        TFaultCase{"NoHandshakeAnswer", "no-handshake,once", {IDRETRY, IDOK},
                   {&TLanguage::ComError, &TLanguage::WriteOk}, "H" + WholeWrite()},
        TFaultCase{"AckAfterAnotherByte", "two-byte-ack", {IDOK}, {&TLanguage::WriteOk}, WholeWrite()},
        TFaultCase{"RepliesInPieces", "split", {IDOK}, {&TLanguage::WriteOk}, WholeWrite()},
        TFaultCase{"BytesAfterEachReply", "extra-bytes", {IDOK}, {&TLanguage::WriteOk}, WholeWrite()},
        // A model the program does not know is written only when forced.
        TFaultCase{"UnknownIdentification", "unknown-model", {IDNO}, {&TLanguage::Modforce}, "HI"},
        // The model record (23rd block) unanswered: the bar is already full, and still no success.
        TFaultCase{"NoReplyAtTheModelRecord", "no-reply,once,from=45", {IDCANCEL}, {&TLanguage::ComError}, "",
                   false, "W 03D0"},
        TFaultCase{"WrongAcknowledgement", "wrong-ack,on=exchange,once", {IDOK}, {&TLanguage::ComError}, "HIA"},
        TFaultCase{"CablePulled", "cable-pull,from=10", {IDCANCEL}, {&TLanguage::ComError}, ""},
        TFaultCase{"CancelMidTransfer", "", {}, {}, "", true}),
    [](const ::testing::TestParamInfo<TFaultCase>& info) { return std::string(info.param.Name); });

} // namespace
