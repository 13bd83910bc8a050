// The transfer dialogs' port: names, opening failures, the receive handler fed directly by a
// test playing the radio on a pseudo-terminal, and the listing of ports.
#include <gtest/gtest.h>

#include <memory>

#include "app/AllClass.h"
#include "app/ReadRadio.h"
#include "app/WriteRadio.h"
#include "platform/runtime/Prompts.h"
#include "platform/runtime/StringLists.h"
#include "serial/QePort.h"
#include "serial/QwUser.h"
#include "tests/app/RadioLinkTestSupport.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TestPty.h"

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
};
template <> struct TUnit<TfWriteRadio> {
    static constexpr const char* Name = "fWriteRadio";
    static std::atomic<Integer>& ExpectedCount() { return WriteRadio::ExpectedCount; }
    static std::array<Byte, 49>& RxBuffer() { return WriteRadio::RxBuffer; }
    static std::atomic<bool>& ErrorReported() { return WriteRadio::ErrorReported; }
    static String UnknownModelPrompt() { return PromptTexts->Modforce; }
    static constexpr int UnknownModelReply = IDNO;
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
        ASSERT_TRUE(PumpUntil([&] {
            return dialog.myPort->GetDispatcher()->InputCount() == before + Integer(bytes.size());
        }));
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

// A port name that is no number, or a port that is not there: "LPortError", and the dialog
// closes itself 300 ms later.
TYPED_TEST(TransferPortTest, PortThatCannotBeOpenedClosesTheDialog) {
    using Unit = typename TestFixture::Unit;
    for (const char* name : {"COMx", "COM99", "COM"}) {
        SCOPED_TRACE(name);
        AppState->ComPort = name;
        TScopedPromptScript prompts({IDOK});
        testsupport::TScopedModalScript modal;
        bool closing = false;
        modal.Add(
            Unit::Name, [&](TCustomForm& form) { closing = static_cast<TypeParam&>(form).CloseTime->GetEnabled(); },
            testsupport::TScopedModalScript::MayStayOpen);
        TypeParam dialog(nullptr);
        dialog.ShowModal();
        EXPECT_TRUE(closing);
        EXPECT_FALSE(dialog.myPort->GetOpen());
        ASSERT_EQ(prompts.Prompts().size(), 1u);
        EXPECT_EQ(prompts.Prompts()[0].Text, PromptTexts->LPortError);
        EXPECT_TRUE(prompts.Errors().empty());
    }
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
