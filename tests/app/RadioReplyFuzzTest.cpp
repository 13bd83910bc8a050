// The radio's replies are bytes from outside: the read and write dialogs are driven against the
// simulated radio with one of its replies damaged per case (cut short, followed by bytes of no
// reply, bytes replaced by others, or sent in pieces), the reply and the damage
// chosen by a fixed seed from the replies of a clean transfer in the radio's log. Every case ends
// in success with the data of the clean transfer, or in the error prompt with the program's data
// as it was; never a crash or a hang.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <random>

#include "app/AllClass.h"
#include "app/ReadRadio.h"
#include "app/WriteRadio.h"
#include "app/WriteRead.h"
#include "platform/runtime/Prompts.h"
#include "serial/QePort.h"
#include "suite/controls/qzButtons.h"
#include "tests/app/RadioLinkTestSupport.h"
#include "tests/support/ModalScript.h"

namespace {

using radiotest::TChannelRow;
using radiotest::TGridCells;

enum TDamage { dmCut, dmSurplus, dmReplaced, dmSplit };
const char* const DamageNames[] = {"cut", "surplus", "replaced", "split"};

// The damage of one case: the reply it strikes (its number among the replies of a clean
// transfer) and what it does to it, drawn from the seed.
struct TReplyDamage {
    std::size_t Reply = 0;
    TDamage Kind = dmCut;
    std::mt19937 Random;

    TReplyDamage(unsigned seed, const std::vector<std::size_t>& replyLengths) : Random(seed) {
        // Every kind in turn, at a reply the seed draws.
        Kind = TDamage(seed % 4);
        Reply = std::uniform_int_distribution<std::size_t>(0, replyLengths.size() - 1)(Random);
    }
    std::string Describe() const { return std::string(DamageNames[Kind]) + " reply " + std::to_string(Reply); }

    // Damages the pieces of the reply; true when the program is left waiting for bytes that
    // never come (its guard timer has to run out).
    bool Apply(std::vector<TRadioChunk>& pieces) {
        std::string bytes;
        for (const TRadioChunk& piece : pieces)
            bytes += piece.Bytes;
        auto randomBytes = [&](std::size_t count) {
            std::string made;
            for (std::size_t i = 0; i < count; ++i)
                made += char(std::uniform_int_distribution<int>(0, 255)(Random));
            return made;
        };
        bool stalls = false;
        switch (Kind) {
        case dmCut:
            bytes.resize(std::uniform_int_distribution<std::size_t>(0, bytes.size() - 1)(Random));
            stalls = true;
            break;
        case dmSurplus:
            bytes += randomBytes(std::uniform_int_distribution<std::size_t>(1, 16)(Random));
            break;
        case dmReplaced:
            // Other bytes in place of those the program may not rely on: the four header bytes
            // of a block reply (a radio's own choice), else the whole reply (an acknowledgement,
            // the identification). Only the handshake waits on for the right answer.
            if (bytes.size() == 12)
                bytes.replace(0, 4, randomBytes(4));
            else
                bytes = randomBytes(bytes.size());
            stalls = Reply == 0 && bytes != "\x06";
            break;
        case dmSplit:
            break;
        }
        pieces.clear();
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t size =
                Kind == dmSplit ? std::uniform_int_distribution<std::size_t>(1, bytes.size() - at)(Random)
                                : bytes.size() - at;
            pieces.push_back({pieces.empty() ? 0.0 : double(std::uniform_int_distribution<int>(0, 3)(Random)),
                              bytes.substr(at, size)});
            at += size;
        }
        return stalls;
    }
};

// Answers every prompt as a user giving up would (Cancel or No where there is one) and keeps its
// text.
class TPromptTaker {
public:
    TPromptTaker()
        : FOld(SetPromptPresenter([this](const String& text, const String&, UINT flags) {
              std::lock_guard<std::mutex> lock(FLock);
              FTexts.push_back(text);
              const std::vector<int> buttons = PromptButtons(flags);
              for (int giveUp : {IDCANCEL, IDNO})
                  if (std::find(buttons.begin(), buttons.end(), giveUp) != buttons.end()) return giveUp;
              return DefaultPromptButton(flags);
          })) {}
    ~TPromptTaker() { SetPromptPresenter(FOld); }
    std::vector<String> Texts() const {
        std::lock_guard<std::mutex> lock(FLock);
        return FTexts;
    }

private:
    mutable std::mutex FLock;
    std::vector<String> FTexts;
    TPromptPresenter FOld;
};

class RadioReplyFuzz : public radiotest::TRadioLinkTest, public ::testing::WithParamInterface<unsigned> {
protected:
    RadioReplyFuzz() {
        Line.WithCore([](TRadioCore& core) { core.SetModelCode("2475"); });
        // Every record the read takes holds data, so that any byte read wrong shows.
        for (int channel = 1; channel <= 16; ++channel)
            SetImage(0x10 * channel, std::string("\x50\x12\x01\x45\x00\x00\x00\x46\x70\x06\x23\x80\x0B\xFF\xFF\xFF", 16));
        for (int line = 0; line < 4; ++line)
            SetImage(0x380 + 0x10 * line, std::string("FUZZ LINE " + std::to_string(line) + "ABCDE", 16));
        SetImage(0x3C0, std::string("\x03\x05\x03\x04\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 16));
        SetImage(0x2B0, std::string("\x01\x00\x01\x01\x04\x00\x01\x00\x01\x03\xFF\xFF\xFF\xFF\xFF\xFF", 16));
        SetImage(0x3D0, std::string("\x00\x00\xF4" "5742P\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 16));
        PutRow(*Grid, 1, {"450.01250", "", "67.0", "D023N", 1, 0, 0, 1, 1});
        PutRow(*Grid, 7, {"466.00625", "467.50000", "D754I", "250.3", 1, 1, 0, 0, 1});
        MessageLines->LineA = "WRITTEN LINE";
    }

    // The lengths of the replies of the transfer so far, from the radio's log.
    std::vector<std::size_t> ReplyLengths() {
        std::vector<std::size_t> lengths;
        for (const TRadioLogEntry& entry : Log())
            if (entry.Kind == rlReply) lengths.push_back(entry.Data.size());
        return lengths;
    }
    // From now on the radio's replies go through the damage; counts the ones left unanswered.
    void Damage(TReplyDamage& damage) {
        Line.WithCore([&](TRadioCore& core) {
            core.OnReply = [this, &damage](std::vector<TRadioChunk>& pieces) {
                if (FReplies++ == damage.Reply && damage.Apply(pieces)) ++FStalls;
            };
            return 0;
        });
    }
    // Runs the dialog: OK, then on to the end of the transfer or the first error prompt. After
    // a read the dialog closes itself; after a write or an error it is cancelled.
    template <class TDialog>
    void Run(TDialog& dialog, TPromptTaker& prompts, const String& okText, bool closesItself) {
        testsupport::TScopedModalScript modal;
        modal.Add<TDialog>(
            dialog.GetName(),
            [&](TDialog& shown) {
                shown.btnOk->Click();
                auto succeeded = [&] {
                    const std::vector<String> texts = prompts.Texts();
                    return texts.size() == 1 && texts[0] == okText;
                };
                EXPECT_TRUE(radiotest::DriveUntil(
                    shown, [&] { return succeeded() ? Ended() : !prompts.Texts().empty(); },
                    [&] { return FStalls.load(); }));
                if (succeeded() && closesItself)
                    ClockAdvanceMs(shown.CloseTime->GetInterval());
                else
                    shown.btnCancel->Click();
            },
            testsupport::TScopedModalScript::MayStayOpen);
        dialog.ShowModal();
        EXPECT_EQ(dialog.GetWorker(), nullptr);
        EXPECT_FALSE(dialog.myPort->GetOpen());
    }

    TTambor* Grid = MakeGrid();
    TTambor* Staging = MakeGrid();
    std::atomic<std::size_t> FReplies{0};
    std::atomic<int> FStalls{0};
};

// The program's data a read changes when it succeeds, and the channel rows it staged.
struct TReadData {
    String ModelCode, BandText, LineA, LineB;
    Integer Squelch = 0, VoxLevel = 0;
    bool operator==(const TReadData&) const = default;
};
TReadData ReadData() {
    return {AppState->ModelCode, AppState->BandText, MessageLines->LineA, MessageLines->LineB,
            FunctionSettings->Squelch, FunctionSettings->VoxLevel};
}
String Rows(TTambor& grid) {
    String rows;
    for (Integer row = 1; row < grid.GetRowCount(); ++row)
        for (Integer col = 1; col < grid.GetColCount(); ++col)
            rows += grid.CellAt(col, row).ForeText + "|" + grid.CellAt(col, row).BackText + ";";
    return rows;
}

TEST_P(RadioReplyFuzz, ADamagedReadReplyEndsInTheRightDataOrTheErrorPrompt) {
    // A clean read first: what the program must end with, and the replies to damage.
    auto read = [&](TPromptTaker& prompts) {
        auto dialog = std::make_unique<TfReadRadio>(nullptr);
        dialog->StagingGrid = Staging;
        Run(*dialog, prompts, PromptTexts->ReadOk, true);
        return dialog->ReadSucceeded;
    };
    // Once for all cases: the radio and the program are the same in each.
    static struct {
        bool Done = false;
        TReadData Data;
        String Rows;
        std::vector<std::size_t> Lengths;
    } clean;
    if (!clean.Done) {
        TPromptTaker prompts;
        ASSERT_TRUE(read(prompts));
        clean = {true, ReadData(), Rows(*Staging), ReplyLengths()};
    }
    const std::vector<std::size_t>& lengths = clean.Lengths;
    ASSERT_GT(lengths.size(), 90u);

    TReplyDamage damage(GetParam(), lengths);
    SCOPED_TRACE(damage.Describe());
    AppState->UseModel(*ModelList->FindModelByCode("1475"));
    AppState->UseBand(AppState->CurrentModel->DefaultBand);
    MessageLines->LineA = "BEFORE";
    FunctionSettings->Squelch = 7;
    const TReadData before = ReadData();
    Damage(damage);
    TPromptTaker prompts;
    const bool succeeded = read(prompts);
    const std::vector<String> texts = prompts.Texts();
    ASSERT_EQ(texts.size(), 1u);
    if (succeeded) {
        EXPECT_EQ(texts[0], PromptTexts->ReadOk);
        EXPECT_TRUE(ReadData() == clean.Data);
        EXPECT_EQ(Rows(*Staging), clean.Rows);
    } else {
        // An identification naming no model the program knows is told as such.
        EXPECT_TRUE(texts[0] == PromptTexts->ComError || (damage.Reply == 1 && texts[0] == PromptTexts->ModError))
            << texts[0];
        EXPECT_TRUE(ReadData() == before);
    }
}

TEST_P(RadioReplyFuzz, ADamagedWriteReplyEndsInTheRightImageOrTheErrorPrompt) {
    auto write = [&](TPromptTaker& prompts) {
        auto dialog = std::make_unique<TfWriteRadio>(nullptr);
        dialog->ChannelGrid = Grid;
        dialog->NoneText = "None";
        Run(*dialog, prompts, PromptTexts->WriteOk, false);
    };
    // Once for all cases: what a clean write stores, by address, and its replies, from the log.
    static struct {
        bool Done = false;
        std::vector<std::pair<int, std::string>> Written;
        std::vector<std::size_t> Lengths;
    } clean;
    if (!clean.Done) {
        TPromptTaker prompts;
        write(prompts);
        ASSERT_EQ(prompts.Texts(), std::vector<String>{PromptTexts->WriteOk});
        clean.Written.clear();
        for (const TRadioLogEntry& entry : Log())
            if (entry.Kind == rlWrite || entry.Kind == rlWriteSettings)
                clean.Written.push_back({entry.Address, entry.Data});
        clean.Lengths = ReplyLengths();
        clean.Done = true;
    }
    const std::vector<std::pair<int, std::string>>& written = clean.Written;
    ASSERT_EQ(written.size(), 48u);
    const std::vector<std::size_t>& lengths = clean.Lengths;
    ASSERT_GT(lengths.size(), 45u);

    TReplyDamage damage(GetParam(), lengths);
    SCOPED_TRACE(damage.Describe());
    SetImage(0, std::string(0x400, '\x33'));
    const String tableBefore = Rows(*Grid);
    Damage(damage);
    TPromptTaker prompts;
    write(prompts);
    const std::vector<String> texts = prompts.Texts();
    ASSERT_EQ(texts.size(), 1u);
    if (texts[0] == PromptTexts->WriteOk) {
        for (const auto& [address, data] : written)
            EXPECT_EQ(ImageAt(address, int(data.size())), data) << address;
    } else {
        // An identification naming another model or none is told as such, and declined.
        EXPECT_TRUE(texts[0] == PromptTexts->ComError ||
                    (damage.Reply == 1 && (texts[0] == PromptTexts->ModError || texts[0] == PromptTexts->Modforce)))
            << texts[0];
    }
    EXPECT_EQ(Rows(*Grid), tableBefore);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RadioReplyFuzz, ::testing::Range(1u, 9u));

} // namespace
