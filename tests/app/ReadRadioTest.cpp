// Reading from the radio, against the simulated radio on a port of the test's own.
#include <gtest/gtest.h>

#include <memory>

#include "app/AllClass.h"
#include "app/ReadRadio.h"
#include "app/WriteRead.h"
#include "platform/runtime/Prompts.h"
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

TRecord16 Record(std::initializer_list<int> bytes) {
    TRecord16 record;
    record.fill(0xFF);
    std::size_t i = 0;
    for (int b : bytes)
        record.at(i++) = Byte(b);
    return record;
}

TRecord16 TextRecord(const std::string& text) {
    TRecord16 record;
    TBWriteRead().EncodeText(record, text);
    return record;
}

class ReadRadioTest : public radiotest::TRadioLinkTest {
protected:
    // The radio as the tests find it: channels 1 to 4 and 6 to 16 in use (channel 5 blank),
    // channel 2 without tones, a message, settings outside their ranges, the VHF model in
    // band "136 - 174MHz" (the UHF model is current in the program).
    void Preset() {
        Line.WithCore([](TRadioCore& core) { core.SetModelCode("1475"); });
        for (int channel = 1; channel <= 16; ++channel) {
            if (channel == 5) continue;
            // RX 450.0125 + channel MHz, TX 460.0 + channel, tones 67.0 and D023N, flags 0000 1011.
            const int mhz = 450 + channel;
            const int hi = ((mhz / 100) << 4) | ((mhz / 10) % 10);
            const int lo = (mhz % 10) << 4;
            const int tx = 460 + channel;
            const int txHi = ((tx / 100) << 4) | ((tx / 10) % 10);
            const int txLo = (tx % 10) << 4;
            if (channel == 2)
                SetImage(0x10 * channel,
                         Record({0x50, 0x12, lo, hi, 0x00, 0x00, txLo, txHi, 0xFF, 0xFF, 0xFF, 0xFF, 0x10}));
            else
                SetImage(0x10 * channel,
                         Record({0x50, 0x12, lo, hi, 0x00, 0x00, txLo, txHi, 0x70, 0x06, 0x23, 0x80, 0x0B}));
        }
        SetImage(0x380, TextRecord("HELLO RADIO LINE"));
        SetImage(0x390, TextRecord(" ONE"));
        SetImage(0x3A0, TextRecord("SECOND"));
        SetImage(0x3B0, TextRecord(""));
        // Battery save and beep on, squelch 12 (out of range: 5), side key 3, time-out 4.
        SetImage(0x3C0, Record({0x03, 12, 3, 4}));
        // VHF "1475" in "136 - 174MHz" (242).
        SetImage(0x3D0, Record({0x00, 0x00, 242, '5', '7', '4', '1', 'P'}));
        // Voice 1, language 0, scan 1, VOX 1, VOX level 9 (out of range: 4), inhibit 0, low 1,
        // high 0, alarm 1, FM 3 (bit 0: 1).
        SetImage(0x2B0, Record({1, 0, 1, 1, 9, 0, 1, 0, 1, 3}));
    }

    // The data the program holds before a read, to see that a failed read changes none of it.
    struct TData {
        String ModelCode, ModelName, BandText, LineA, LineB;
        Integer Squelch = 0, VoxLevel = 0;
        bool Modified = false;
        bool operator==(const TData&) const = default;
    };
    static TData Data() {
        return {AppState->ModelCode,        AppState->ModelName, AppState->BandText,
                MessageLines->LineA,        MessageLines->LineB, FunctionSettings->Squelch,
                FunctionSettings->VoxLevel, AppState->Modified};
    }

    // Shows the read dialog modally with the staging grid, as the main window does; `act` runs
    // inside its loop. Returns what the dialog says about the read.
    bool RunDialog(const std::function<void(TfReadRadio&)>& act, TModalEnd end) {
        testsupport::TScopedModalScript modal;
        modal.Add<TfReadRadio>(
            "fReadRadio", [&](TfReadRadio& dialog) { act(dialog); }, end);
        auto dialog = std::make_unique<TfReadRadio>(nullptr);
        dialog->StagingGrid = Staging;
        dialog->ShowModal();
        Worker = dialog->GetWorker();
        PortOpenAfter = dialog->myPort->GetOpen();
        return dialog->ReadSucceeded;
    }
    // Clicks OK, then waits for `done` (the timers expiring where the radio keeps silent) and
    // closes the dialog with Cancel.
    std::function<void(TfReadRadio&)> OkThen(std::function<bool()> done) {
        return [this, done](TfReadRadio& dialog) {
            dialog.btnOk->Click();
            EXPECT_TRUE(DriveUntil(dialog, done));
            dialog.btnCancel->Click();
        };
    }
    // Clicks OK; the dialog closes itself after the read.
    std::function<void(TfReadRadio&)> Ok() {
        return [this](TfReadRadio& dialog) {
            dialog.btnOk->Click();
            CloseWhenEnded(dialog);
        };
    }

    // handshake, identification, the first exchange, 48 reads each followed by an exchange, end
    static std::string WholeRead() {
        std::string commands = "HIA";
        for (int i = 0; i < 48; ++i)
            commands += "RA";
        return commands + "E";
    }

    TTambor* Staging = MakeGrid();
    TThread* Worker = nullptr;
    bool PortOpenAfter = true;
};

TEST_F(ReadRadioTest, ReadsTheWholeMemoryIntoStagingAndCommitsOnSuccess) {
    Preset();
    AppState->Modified = false;
    // What a read before left in the staging grid goes.
    TGridCells(*Staging).SetForeText(ccRx, 6, "999.00000");
    TGridCells(*Staging).SetBackText(ccTxPower, 6, "1");
    TScopedPromptScript prompts({IDOK});
    EXPECT_TRUE(RunDialog(Ok(), SelfClosing));
    EXPECT_TRUE(prompts.Errors().empty());
    ASSERT_EQ(prompts.Prompts().size(), 1u);
    EXPECT_EQ(prompts.Prompts()[0].Text, PromptTexts->ReadOk);
    EXPECT_FALSE(PortOpenAfter);

    ASSERT_TRUE(PumpUntil([&] { return Commands() == WholeRead(); }, 3000)) << Commands();
    std::vector<std::string> blocks;
    char text[16];
    for (int a = 0; a <= 0x108; a += 8) {
        std::snprintf(text, sizeof text, "R %04X", a);
        blocks.push_back(text);
    }
    for (int a = 0x380; a <= 0x3D8; a += 8) {
        std::snprintf(text, sizeof text, "R %04X", a);
        blocks.push_back(text);
    }
    blocks.push_back("R 02B0");
    blocks.push_back("R 02B8");
    EXPECT_EQ(Blocks(), blocks);

    // Channel rows in the staging grid: the "." texts, tones as decoded (none for FF FF),
    // option indexes in the back texts; channel 5 left empty.
    TGridCells cells(*Staging);
    EXPECT_EQ(Staging->GetRowCount(), 18);
    EXPECT_EQ(cells.GetForeText(ccRx, 2), "451.01250");
    EXPECT_EQ(cells.GetForeText(ccTx, 2), "461.00000");
    EXPECT_EQ(cells.GetForeText(ccDecodeTone, 2), "67.0");
    EXPECT_EQ(cells.GetForeText(ccEncodeTone, 2), "D023N");
    EXPECT_EQ(cells.GetBackText(ccTxPower, 2), "1");
    EXPECT_EQ(cells.GetBackText(ccWideNarrow, 2), "0");
    EXPECT_EQ(cells.GetBackText(ccScanAdd, 2), "0");
    EXPECT_EQ(cells.GetBackText(ccBeatShift, 2), "1");
    EXPECT_EQ(cells.GetBackText(ccBusyLockout, 2), "1");
    EXPECT_EQ(cells.GetForeText(ccDecodeTone, 3), "");
    EXPECT_EQ(cells.GetForeText(ccEncodeTone, 3), "");
    EXPECT_EQ(cells.GetBackText(ccScanAdd, 3), "1");
    EXPECT_EQ(cells.GetForeText(ccRx, 6), "");
    EXPECT_EQ(cells.GetBackText(ccTxPower, 6), "");
    EXPECT_EQ(cells.GetForeText(ccRx, 17), "466.01250");

    // Model, band, message and settings (range-checked) are current.
    EXPECT_EQ(AppState->ModelCode, "1475");
    EXPECT_EQ(AppState->ModelName, "KOV-571(VHF)");
    EXPECT_EQ(AppState->ModelMin, 67.0);
    EXPECT_EQ(AppState->BandText, "136 - 174MHz");
    EXPECT_EQ(AppState->BandLow, 136.0);
    EXPECT_EQ(AppState->BandHigh, 174.0);
    EXPECT_EQ(MessageLines->LineA, "HELLO RADIO LINE ONE");
    EXPECT_EQ(MessageLines->LineB, "SECOND");
    EXPECT_EQ(FunctionSettings->BatterySave, 1);
    EXPECT_EQ(FunctionSettings->Squelch, 5);
    EXPECT_EQ(FunctionSettings->SideKey, 3);
    EXPECT_EQ(FunctionSettings->TxTimeout, 4);
    EXPECT_EQ(FunctionSettings->VoxFunction, 1);
    EXPECT_EQ(FunctionSettings->VoxLevel, 4);
    EXPECT_EQ(FunctionSettings->Fm, 1);
    EXPECT_EQ(FunctionSettings->InceptAlarm, 1);
    EXPECT_EQ(FunctionSettings->HighVolInhibitTx, 0);
    EXPECT_TRUE(AppState->Modified);
}

// The staged read decodes into objects of its own: the program's stay as they are.
// A blank radio (every byte 0xFF) names no band: the read takes the model's default band.
TEST_F(ReadRadioTest, BlankRadioGivesTheModelsDefaultBand) {
    Line.WithCore([](TRadioCore& core) { core.SetModelCode("2475"); });
    AppState->UseBand("400 - 420MHz");
    TScopedPromptScript prompts({IDOK});
    EXPECT_TRUE(RunDialog(Ok(), SelfClosing));
    EXPECT_EQ(AppState->BandText, "450 - 470MHz");
    EXPECT_EQ(AppState->BandLow, 450.0);
    EXPECT_EQ(AppState->BandHigh, 470.0);
}

// The model record's code becomes the current code when it names a model; a record that names
// none (blank, or bytes of no model) leaves the code of the model the radio identified itself
// as, so a later write or data file carries a code the program knows.
TEST_F(ReadRadioTest, ModelRecordNamingNoModelLeavesTheIdentifiedCode) {
    struct Case {
        const char* Name;
        TRecord16 ModelRecord;
        const char* Code;
    };
    const std::vector<Case> cases = {
        {"blank", Record({}), "2475"},
        {"no model", Record({0x00, 0x00, 244, 'D', 'C', 'B', 'A', 'P'}), "2475"},
        {"another model", Record({0x00, 0x00, 244, '5', '7', '4', '1', 'P'}), "1475"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        SetImage(0x3D0, c.ModelRecord);
        AppState->ModelCode = "0000";
        TScopedPromptScript prompts({IDOK});
        EXPECT_TRUE(RunDialog(Ok(), SelfClosing));
        EXPECT_EQ(AppState->ModelName, "KOV-571(UHF)");
        EXPECT_EQ(AppState->ModelCode, c.Code);
        TRecord16 written;
        TBWriteRead().EncodeModelRecord(written, 244);
        EXPECT_EQ(Hex(written),
                  Hex(Record({0x00, 0x00, 244, c.Code[3], c.Code[2], c.Code[1], c.Code[0], 'P'})));
    }
}

TEST(ReadRadioCodec, DecodesSettingsAndModelIntoGivenObjects) {
    auto oldState = std::move(AppState);
    auto oldSettings = std::move(FunctionSettings);
    AppState = std::make_unique<TALL>();
    FunctionSettings = std::make_unique<TFun>();
    AppState->ModelCode = "2475";
    TBWriteRead codec;
    TFun settings;
    codec.DecodeSettingsA(Record({0x02, 7, 2, 9}), settings);
    codec.DecodeSettingsB(Record({0, 1, 1, 1, 3, 1, 0, 0, 1, 0}), settings);
    String code;
    Integer band = 0;
    EXPECT_EQ(codec.DecodeModelRecord(Record({0, 0, 240, '5', '7', '4', '1', 'P'}), code, band), 240);
    EXPECT_EQ(band, 240);
    EXPECT_EQ(code, "1475");
    EXPECT_EQ(settings.BatterySave, 1);
    EXPECT_EQ(settings.BeepTone, 0);
    EXPECT_EQ(settings.Squelch, 7);
    EXPECT_EQ(settings.TxTimeout, 9);
    EXPECT_EQ(settings.Voice, 0);
    EXPECT_EQ(settings.VoxLevel, 3);
    EXPECT_EQ(settings.InceptAlarm, 1);
    EXPECT_EQ(AppState->ModelCode, "2475");
    EXPECT_EQ(FunctionSettings->Squelch, 5);
    EXPECT_EQ(FunctionSettings->VoxLevel, 4);
    AppState = std::move(oldState);
    FunctionSettings = std::move(oldSettings);
}

// Faults of the radio and the line, each against a radio of its own. Every attempt ends with
// its worker freed and the port closed; nothing hangs.
struct TFaultCase {
    const char* Name;
    const char* Fault; // for the simulated radio; "" for none
    std::vector<int> Replies;
    std::vector<String TLanguage::*> Prompts;
    bool Succeeds;
    // What the radio saw, exactly ("" for not looked at).
    std::string Commands;
    enum { ClosesItself, CancelAfterPrompts, CancelMidTransfer } End;
    // The last block command the radio saw ("" for not looked at).
    std::string LastBlock = "";
};

class ReadRadioFaults : public ReadRadioTest, public ::testing::WithParamInterface<TFaultCase> {};

TEST_P(ReadRadioFaults, EndTheAttemptAsTheUserIsTold) {
    const TFaultCase& c = GetParam();
    Preset();
    if (*c.Fault) AddFault(c.Fault);
    AppState->Modified = false;
    const TData before = Data();
    TScopedPromptScript prompts;
    for (int reply : c.Replies)
        prompts.AddReply(reply);
    bool succeeded = false;
    switch (c.End) {
    case TFaultCase::ClosesItself:
        succeeded = RunDialog(Ok(), SelfClosing);
        break;
    case TFaultCase::CancelAfterPrompts:
        succeeded = RunDialog(OkThen([&] { return prompts.Prompts().size() >= c.Prompts.size(); }), Closed);
        break;
    case TFaultCase::CancelMidTransfer:
        succeeded = RunDialog(OkThen([&] { return Blocks().size() >= 10; }), Closed);
        break;
    }
    EXPECT_EQ(succeeded, c.Succeeds);
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
    if (!c.Succeeds) {
        EXPECT_TRUE(Data() == before);
    }
}

std::string WholeReadCommands() {
    std::string commands = "HIA";
    for (int i = 0; i < 48; ++i)
        commands += "RA";
    return commands + "E";
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadRadioFaults,
    ::testing::Values(
        // No answer to the first handshake: "ComError" after the handshake timer; Retry starts
        // a new attempt with one worker, which reads everything.
        TFaultCase{"NoHandshakeAnswer",
                   "no-handshake,once",
                   {IDRETRY, IDOK},
                   {&TLanguage::ComError, &TLanguage::ReadOk},
                   true,
                   "H" + WholeReadCommands(),
                   TFaultCase::ClosesItself},
        TFaultCase{"AckAfterAnotherByte",
                   "two-byte-ack",
                   {IDOK},
                   {&TLanguage::ReadOk},
                   true,
                   WholeReadCommands(),
                   TFaultCase::ClosesItself},
        TFaultCase{"RepliesInPieces",
                   "split",
                   {IDOK},
                   {&TLanguage::ReadOk},
                   true,
                   WholeReadCommands(),
                   TFaultCase::ClosesItself},
        TFaultCase{"BytesAfterEachReply",
                   "extra-bytes",
                   {IDOK},
                   {&TLanguage::ReadOk},
                   true,
                   WholeReadCommands(),
                   TFaultCase::ClosesItself},
        // A model the program does not know: no block command.
        TFaultCase{"UnknownIdentification",
                   "unknown-model",
                   {IDOK},
                   {&TLanguage::ModError},
                   false,
                   "HI",
                   TFaultCase::CancelAfterPrompts},
        // The model record (23rd block) unanswered: the bar is already full, and still no success.
        TFaultCase{"NoReplyAtTheModelRecord",
                   "no-reply,once,from=45",
                   {IDCANCEL},
                   {&TLanguage::ComError},
                   false,
                   "",
                   TFaultCase::CancelAfterPrompts,
                   "R 03D0"},
        TFaultCase{"WrongAcknowledgement",
                   "wrong-ack,on=exchange,once,from=6",
                   {IDOK},
                   {&TLanguage::ComError},
                   false,
                   "",
                   TFaultCase::CancelAfterPrompts},
        TFaultCase{"CablePulled",
                   "cable-pull,from=10",
                   {IDCANCEL},
                   {&TLanguage::ComError},
                   false,
                   "",
                   TFaultCase::CancelAfterPrompts},
        TFaultCase{"CancelMidTransfer", "", {}, {}, false, "", TFaultCase::CancelMidTransfer}),
    [](const ::testing::TestParamInfo<TFaultCase>& info) { return std::string(info.param.Name); });

} // namespace
