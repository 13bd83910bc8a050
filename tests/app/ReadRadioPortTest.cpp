// The transfer dialogs' port: names, opening failures, the receive handler fed directly by a
// test playing the radio on a pseudo-terminal, and the listing of ports.
#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>

#include "app/AllClass.h"
#include "app/ReadRadio.h"
#include "app/WriteRadio.h"
#include "platform/runtime/Prompts.h"
#include "platform/runtime/StringLists.h"
#include "serial/QePort.h"
#include "serial/QwUser.h"
#include "suite/controls/qzButtons.h"
#include "tests/app/RadioLinkTestSupport.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TestPty.h"
#include "tests/support/TestSupport.h"
#include "tools/radio-sim/RadioCore.h"

namespace {

using radiotest::PumpUntil;

constexpr Word DataAvailable = 0x7E01;

// The same checks run on both dialogs; each unit has its own reply state.
template <class TDialog> struct TUnit;
template <> struct TUnit<TfReadRadio> {
    static constexpr const char* Name = "fReadRadio";
    static std::atomic<Integer>& ExpectedCount() { return ReadRadio::ExpectedCount; }
    static std::array<Byte, 49>& RxBuffer() { return ReadRadio::RxBuffer; }
    static std::atomic<bool>& ErrorReported() { return ReadRadio::ErrorReported; }
    // What an identification of an unknown model asks.
    static String UnknownModelPrompt() { return PromptTexts->ModError; }
    static constexpr int UnknownModelReply = IDOK;
    static void WaitOutputDrained(TQelComPort& port) { ReadRadio::WaitOutputDrained(port); }
};
template <> struct TUnit<TfWriteRadio> {
    static constexpr const char* Name = "fWriteRadio";
    static std::atomic<Integer>& ExpectedCount() { return WriteRadio::ExpectedCount; }
    static std::array<Byte, 49>& RxBuffer() { return WriteRadio::RxBuffer; }
    static std::atomic<bool>& ErrorReported() { return WriteRadio::ErrorReported; }
    static String UnknownModelPrompt() { return PromptTexts->Modforce; }
    static constexpr int UnknownModelReply = IDNO;
    static void WaitOutputDrained(TQelComPort& port) { WriteRadio::WaitOutputDrained(port); }
};

template <class TDialog> class TransferPortTest : public radiotest::TRadioLinkTest {
protected:
    using Unit = TUnit<TDialog>;

    // The dialog on COM12, a terminal the test plays the radio on, with the port's own notices
    // kept from the handler: the test calls it.
    std::unique_ptr<TDialog> OpenOnTerminal() {
        Ports.Link(12, Pty.SlavePath());
        AppState->ComPort = "COM12";
        auto dialog = std::make_unique<TDialog>(nullptr);
        EXPECT_TRUE(dialog->OpenPort());
        EXPECT_EQ(dialog->myPort->GetComNumber(), 12);
        dialog->myPort->SetOnTrigger(TTriggerEvent());
        return dialog;
    }
    // Sends bytes as the radio and waits until the port holds them all.
    void Arrive(TDialog& dialog, const std::string& bytes) {
        const Integer before = dialog.myPort->GetDispatcher()->InputCount();
        ASSERT_TRUE(ptytest::WriteAll(Pty.Master(), bytes));
        ASSERT_TRUE(PumpUntil(
            [&] { return dialog.myPort->GetDispatcher()->InputCount() == before + Integer(bytes.size()); }));
    }

    ptytest::TPty Pty;
};

using Dialogs = ::testing::Types<TfReadRadio, TfWriteRadio>;
class DialogNames {
public:
    template <class T> static std::string GetName(int) { return TUnit<T>::Name; }
};
TYPED_TEST_SUITE(TransferPortTest, Dialogs, DialogNames);

// A notice may announce more bytes than are waiting: only the bytes read are stored and
// counted, so the identification completes when its eighth byte really came.
TYPED_TEST(TransferPortTest, HandlerCountsOnlyTheBytesItRead) {
    using Unit = typename TestFixture::Unit;
    auto dialog = this->OpenOnTerminal();
    TScopedPromptScript prompts({Unit::UnknownModelReply});
    dialog->TransferState = 2;
    dialog->RxCount = 0;
    Unit::ExpectedCount() = 8;
    this->Arrive(*dialog, "P99");
    dialog->myPortTrigger(dialog->myPort, DataAvailable, 0, 8);
    EXPECT_EQ(dialog->RxCount, 3);
    EXPECT_EQ(Unit::ExpectedCount(), 5);
    EXPECT_EQ(dialog->TransferState, 2);
    EXPECT_TRUE(prompts.Prompts().empty());

    this->Arrive(*dialog, "99S01");
    dialog->myPortTrigger(dialog->myPort, DataAvailable, 0, 5);
    ASSERT_EQ(prompts.Prompts().size(), 1u);
    EXPECT_EQ(prompts.Prompts()[0].Text, Unit::UnknownModelPrompt());
    EXPECT_TRUE(prompts.Errors().empty());
    EXPECT_EQ(dialog->RxCount, 0);
}

// More than 49 bytes in one reply: the bytes past index 48 are read and dropped, not counted.
TYPED_TEST(TransferPortTest, HandlerDropsBytesPastTheBuffer) {
    using Unit = typename TestFixture::Unit;
    auto dialog = this->OpenOnTerminal();
    TScopedPromptScript prompts({Unit::UnknownModelReply});
    dialog->TransferState = 2;
    dialog->RxCount = 0;
    Unit::ExpectedCount() = 8;
    std::string reply = "P9999S01";
    for (int i = 8; i < 60; ++i)
        reply += char('a' + i % 26);
    this->Arrive(*dialog, reply);
    dialog->myPortTrigger(dialog->myPort, DataAvailable, 0, Word(reply.size()));
    EXPECT_EQ(Unit::ExpectedCount(), 8 - 49);
    EXPECT_EQ(Unit::RxBuffer()[48], Byte(reply[48]));
    EXPECT_EQ(dialog->myPort->GetDispatcher()->InputCount(), 0);
    ASSERT_EQ(prompts.Prompts().size(), 1u);
    EXPECT_EQ(prompts.Prompts()[0].Text, Unit::UnknownModelPrompt());
}

// A reply timer that fires when no reply is awaited (it came in time) does nothing.
TYPED_TEST(TransferPortTest, ReplyTimerWithNothingAwaitedIsIgnored) {
    using Unit = typename TestFixture::Unit;
    auto dialog = this->OpenOnTerminal();
    TScopedPromptScript prompts;
    Unit::ErrorReported() = false;
    dialog->TryTimeTimer(dialog->TryTime);
    EXPECT_TRUE(prompts.Prompts().empty());
    EXPECT_FALSE(Unit::ErrorReported());
}

// The end of a transfer waits for the port's output to drain: not at all when it has, and
// about 5 s (on the clock its pauses advance) when the line takes nothing.
TYPED_TEST(TransferPortTest, WaitsForTheOutputToDrainOrGivesUp) {
    using Unit = typename TestFixture::Unit;
    auto dialog = this->OpenOnTerminal();
    TQelComPort& port = *dialog->myPort;
    ptytest::StopOutput(this->Pty.Slave());
    port.WriteBlock("E", 1);
    EXPECT_EQ(port.PendingOutputCount(), 1);
    Int64 before = ClockMonotonicMicros();
    Unit::WaitOutputDrained(port);
    const Int64 waitedMs = (ClockMonotonicMicros() - before) / 1000;
    EXPECT_GE(waitedMs, 101 * 50);
    EXPECT_LT(waitedMs, 101 * 50 + 50);
    EXPECT_EQ(port.PendingOutputCount(), 1);

    ptytest::ResumeOutput(this->Pty.Slave());
    EXPECT_EQ(ptytest::ReadExactly(this->Pty.Master(), 1), "E");
    ASSERT_TRUE(PumpUntil([&] { return port.PendingOutputCount() == 0; }));
    before = ClockMonotonicMicros();
    Unit::WaitOutputDrained(port);
    EXPECT_EQ(ClockMonotonicMicros(), before);
}

// A port name that is no number, or a port that is not there: "LPortError", and the dialog
// closes itself 300 ms later.
TYPED_TEST(TransferPortTest, PortThatCannotBeOpenedClosesTheDialog) {
    using Unit = typename TestFixture::Unit;
    for (const char* name : {"COMx", "COM99", "COM"}) {
        SCOPED_TRACE(name);
        AppState->ComPort = name;
        TScopedPromptScript prompts({IDOK});
        testsupport::TScopedModalScript modal;
        // Nothing is done in the dialog: it closes itself, by its 300 ms timer.
        modal.Add<TypeParam>(
            Unit::Name,
            [](TypeParam& shown) {
                EXPECT_TRUE(shown.CloseTime->GetEnabled());
                ClockAdvanceMs(shown.CloseTime->GetInterval());
            },
            testsupport::TScopedModalScript::MayStayOpen);
        TypeParam dialog(nullptr);
        EXPECT_EQ(dialog.ShowModal(), mrCancel);
        EXPECT_EQ(dialog.CloseTime->GetInterval(), 300u);
        EXPECT_FALSE(dialog.myPort->GetOpen());
        ASSERT_EQ(prompts.Prompts().size(), 1u);
        EXPECT_EQ(prompts.Prompts()[0].Text, PromptTexts->LPortError);
        EXPECT_TRUE(prompts.Errors().empty());
    }
}

// Shown while a language other than the first is selected, the dialog takes its texts from
// that language's file.
TYPED_TEST(TransferPortTest, TranslatesItselfForAnyLanguageButTheDesignOne) {
    using Unit = typename TestFixture::Unit;
    testsupport::TempDir dir;
    AppState->AppDir = dir.Path() + "/";
    testsupport::WriteFileBytes(dir.File("Other.Ini"), std::string("[") + Unit::Name + "]\n" + Unit::Name +
                                                           ".Caption=Translated\nbtnOk.Caption=Go\n");
    testsupport::WriteFileBytes(dir.File("English.Ini"), std::string("[") + Unit::Name + "]\n" +
                                                             Unit::Name + ".Caption=Not read\n");
    // Any language but the design language (English, whatever its place in the list) is
    // translated.
    for (const char* language : {"English", "Other"}) {
        SCOPED_TRACE(language);
        const bool translated = String(language) == "Other";
        AppState->LanguageName = language;
        AppState->LanguageIndex = translated ? 0 : 1;
        TScopedPromptScript prompts;
        TypeParam dialog(nullptr);
        const String designed = dialog.GetCaption();
        dialog.FormShow(&dialog);
        EXPECT_EQ(dialog.GetCaption(), translated ? String("Translated") : designed);
        EXPECT_EQ(dialog.btnOk->GetCaption(), translated ? String("Go") : String("&Ok"));
        EXPECT_EQ(dialog.btnCancel->GetCaption(), "&Cancel");
    }
}

// A radio that answers like the simulated one but stays silent at one 0x06 exchange.
class TSilentAtExchange {
public:
    explicit TSilentAtExchange(int silentExchange) : FSilent(silentExchange) {
        FThread = std::thread([this] { Run(); });
    }
    ~TSilentAtExchange() {
        FStop = true;
        FThread.join();
    }
    const std::string& SlavePath() const { return FPty.SlavePath(); }
    int Exchanges() const { return FExchanges; }

private:
    void Run() {
        const auto start = std::chrono::steady_clock::now();
        while (!FStop) {
            pollfd fd{FPty.Master(), POLLIN, 0};
            if (poll(&fd, 1, 10) <= 0) continue;
            char bytes[256];
            const ssize_t count = read(FPty.Master(), bytes, sizeof bytes);
            for (ssize_t i = 0; i < count; ++i) {
                const double ms =
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                        .count();
                const std::size_t logged = FCore.Log().size();
                const TRadioOutput out = FCore.Feed(std::string(1, bytes[i]), ms);
                bool silent = false;
                for (std::size_t k = logged; k < FCore.Log().size(); ++k)
                    if (FCore.Log()[k].Kind == rlAck && ++FExchanges == FSilent) silent = true;
                if (!silent) ptytest::WriteAll(FPty.Master(), out.Bytes());
            }
        }
    }

    ptytest::TPty FPty;
    TRadioCore FCore;
    const int FSilent;
    std::atomic<int> FExchanges{0};
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

// Silence on an exchange: the reply timer guards it, so the worker is released and ends, and
// the user is asked "ComError" once; Cancel leaves nothing running.
TYPED_TEST(TransferPortTest, SilenceOnAnExchangeEndsTheAttempt) {
    using Unit = typename TestFixture::Unit;
    // The read exchanges after every half-block, the write once before its first block.
    const int silent = std::is_same_v<TypeParam, TfReadRadio> ? 6 : 1;
    TSilentAtExchange radio(silent);
    this->Ports.Link(12, radio.SlavePath());
    AppState->ComPort = "COM12";
    TScopedPromptScript prompts({IDCANCEL});
    testsupport::TScopedModalScript modal;
    bool workerGone = false;
    modal.Add<TypeParam>(Unit::Name, [&](TypeParam& dialog) {
        dialog.btnOk->Click();
        EXPECT_TRUE(radiotest::DriveUntil(
            dialog, [&] { return !prompts.Prompts().empty(); },
            [&] { return radio.Exchanges() >= silent ? 1 : 0; }));
        workerGone = dialog.GetWorker() == nullptr;
        dialog.btnCancel->Click();
    });
    TypeParam dialog(nullptr);
    if constexpr (std::is_same_v<TypeParam, TfReadRadio>) dialog.StagingGrid = this->MakeGrid();
    dialog.ShowModal();
    EXPECT_EQ(radio.Exchanges(), silent);
    EXPECT_TRUE(workerGone);
    ASSERT_EQ(prompts.Prompts().size(), 1u);
    EXPECT_EQ(prompts.Prompts()[0].Text, PromptTexts->ComError);
    EXPECT_EQ(prompts.Prompts()[0].Flags & MB_TYPEMASK, MB_RETRYCANCEL);
    EXPECT_TRUE(prompts.Errors().empty());
}

TEST(ListComPorts, ListsThePortsThatOpen) {
    ptytest::TPortDir ports;
    ptytest::TPty three, seventeen;
    ports.Link(3, three.SlavePath());
    ports.Name(17, seventeen.SlavePath());
    // An entry whose device is not there is not listed.
    ports.Name(5, "/dev/kov571-no-such-device");
    TStringList list;
    list.Add("kept");
    ListComPorts(&list);
    ASSERT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.GetStrings(0), "kept");
    EXPECT_EQ(list.GetStrings(1), "COM3");
    EXPECT_EQ(list.GetStrings(2), "COM17");
    ListComPorts(nullptr);
}

} // namespace
