#include <asm/termbits.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Threads.h"
#include "platform/winapi/WinCore.h"
#include "serial/QeExcept.h"
#include "serial/QePort.h"
#include "serial/QwWin32.h"
#include "tests/serial/SerialTestPty.h"

namespace {

using serialtest::PumpUntil;
using serialtest::TPortDir;
using serialtest::TPty;
using serialtest::WaitUntil;

std::string RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes)
        c = char(random() & 0xFF);
    return bytes;
}

// Collects what the data-available event delivers, reading at most `Limit` bytes a notice.
class TReceiver : public TObject {
public:
    void Trigger(TObject* cp, Word msg, Word triggerHandle, Word data) {
        auto* port = static_cast<TQelCustomComPort*>(cp);
        ++Calls;
        if (GetCurrentThreadId() != MainThreadID.load()) ++OffMainThread;
        if (AfterClose) ++CallsAfterClose;
        if (msg != 0x7E01) return;
        Counts.push_back(data);
        if (Action) Action(*port);
        for (Integer i = 0; i < Limit && port->HasInputByte(); ++i)
            Bytes += char(port->ReadByte());
    }
    void PortEvent(TObject*) { ++PortEvents; }

    std::string Bytes;
    std::vector<Word> Counts;
    Integer Limit = 0x10000;
    std::function<void(TQelCustomComPort&)> Action;
    std::atomic<int> Calls{0};
    int OffMainThread = 0;
    bool AfterClose = false;
    int CallsAfterClose = 0;
    int PortEvents = 0;
};

class QePortTest : public ::testing::Test {
public:
    std::unique_ptr<TQelComPort> MakePort(Word number = 3) {
        auto port = std::make_unique<TQelComPort>(nullptr);
        port->SetPromptForPort(false);
        port->SetComNumber(number);
        port->SetBaud(9600);
        port->SetStopBits(2);
        return port;
    }
    void Listen(TQelComPort& port) { port.SetOnTrigger(MakeEvent(&Receiver, &TReceiver::Trigger)); }

protected:
    void SetUp() override { Ports.Link(3, Pty.SlavePath()); }

    TPortDir Ports;
    TPty Pty;
    TReceiver Receiver;
};

// The device control block the port set (a pseudo-terminal keeps only the speed and the stop
// bits of a line setting; it always has 8 data bits and no parity).
DCB DeviceState(TQelCustomComPort& port) {
    DCB dcb;
    EXPECT_TRUE(GetCommState(port.GetDispatcher()->GetComHandle(), &dcb));
    return dcb;
}

TEST_F(QePortTest, OpensWithItsLineSettingsAndClosesRepeatedly) {
    struct Case {
        Integer Baud;
        TParity Parity;
        Word DataBits;
        Word StopBits;
        BYTE DeviceParity;
        BYTE DeviceStopBits;
    };
    const std::vector<Case> cases = {
        {9600, pNone, 8, 2, NOPARITY, TWOSTOPBITS},
        {19200, pEven, 7, 1, EVENPARITY, ONESTOPBIT},
        {57600, pOdd, 8, 1, ODDPARITY, ONESTOPBIT},
        {4800, pMark, 6, 0, MARKPARITY, ONESTOPBIT},    // 0 stop bits count as 1
        {2400, pSpace, 8, 5, SPACEPARITY, TWOSTOPBITS}, // more than 2 count as 2
        {1200, pNone, 5, 2, NOPARITY, ONE5STOPBITS},    // five data bits have one and a half
    };
    auto port = MakePort();
    port->SetOnPortOpen(MakeEvent(&Receiver, &TReceiver::PortEvent));
    port->SetOnPortClose(MakeEvent(&Receiver, &TReceiver::PortEvent));
    for (int round = 0; round < 3; ++round) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.Baud);
            port->SetBaud(c.Baud);
            port->SetParity(c.Parity);
            port->SetDataBits(c.DataBits);
            port->SetStopBits(c.StopBits);
            port->SetOpen(true);
            ASSERT_TRUE(port->GetOpen());
            EXPECT_EQ(serialtest::TerminalSpeed(Pty.Slave()), unsigned(c.Baud));
            EXPECT_EQ((serialtest::TerminalControlFlags(Pty.Slave()) & CSTOPB) != 0,
                      c.DeviceStopBits != ONESTOPBIT);
            const DCB dcb = DeviceState(*port);
            EXPECT_EQ(dcb.BaudRate, DWORD(c.Baud));
            EXPECT_EQ(dcb.ByteSize, c.DataBits);
            EXPECT_EQ(dcb.Parity, c.DeviceParity);
            EXPECT_EQ(dcb.StopBits, c.DeviceStopBits);
            EXPECT_EQ(dcb.fParity, 0u) << "parity is not checked";
            EXPECT_EQ(dcb.fBinary, 1u);
            port->SetOpen(false);
            EXPECT_FALSE(port->GetOpen());
            EXPECT_EQ(port->GetDispatcher(), nullptr);
        }
    }
    EXPECT_EQ(Receiver.PortEvents, 2 * 3 * int(cases.size()));
}

TEST_F(QePortTest, ChangesTheLineOfAnOpenPortAtOnce) {
    auto port = MakePort();
    port->SetOpen(true);
    EXPECT_EQ(serialtest::TerminalSpeed(Pty.Slave()), 9600u);
    port->SetBaud(38400);
    EXPECT_EQ(serialtest::TerminalSpeed(Pty.Slave()), 38400u);
    port->SetParity(pEven);
    EXPECT_EQ(DeviceState(*port).Parity, EVENPARITY);
    EXPECT_EQ(DeviceState(*port).BaudRate, 38400u);
}

TEST_F(QePortTest, CarriesDataBothWaysIntactWithTheEventOnTheMainThread) {
    auto port = MakePort();
    Listen(*port);
    port->SetOpen(true);

    const std::string out = RandomBytes(4096, 1);
    port->WriteBlock(out.data(), Integer(out.size()));
    EXPECT_EQ(serialtest::ReadExactly(Pty.Master(), out.size()), out);

    const std::string in = RandomBytes(4096, 2);
    std::thread peer([&] { serialtest::WriteAll(Pty.Master(), in); });
    EXPECT_TRUE(PumpUntil([&] { return Receiver.Bytes.size() >= in.size(); }));
    peer.join();
    EXPECT_EQ(Receiver.Bytes, in);
    EXPECT_EQ(Receiver.OffMainThread, 0);
    for (Word count : Receiver.Counts)
        EXPECT_GT(count, 0);
}

TEST_F(QePortTest, CountsPendingOutputUntilTheDeviceHasTakenIt) {
    auto port = MakePort();
    port->SetOutSize(64);
    EXPECT_EQ(port->PendingOutputCount(), 0);
    EXPECT_FALSE(port->GetOpen()) << "counting does not open the port";
    port->SetOpen(true);

    serialtest::StopOutput(Pty.Slave());
    const std::string first = RandomBytes(40, 3);
    const std::string second = RandomBytes(24, 4);
    port->WriteBlock(first.data(), 40);
    port->WriteBlock(second.data(), 24); // exactly the room left
    EXPECT_EQ(port->PendingOutputCount(), 64);
    try {
        const char one = 'x';
        port->WriteBlock(&one, 1);
        ADD_FAILURE() << "no exception";
    } catch (const EOutputBufferTooSmall& e) {
        EXPECT_EQ(e.ErrorCode, -3006);
        EXPECT_EQ(e.Message, "Output buffer too small for block");
    }
    EXPECT_EQ(port->PendingOutputCount(), 64) << "nothing of the refused block is queued";

    serialtest::ResumeOutput(Pty.Slave());
    EXPECT_EQ(serialtest::ReadExactly(Pty.Master(), 64), first + second);
    EXPECT_TRUE(WaitUntil([&] { return port->PendingOutputCount() == 0; }));
}

// The bytes a device write holds are counted once: the device's own queue has them, and the
// ring's count leaves them out. Taken or cleared, they are counted no more.
TEST_F(QePortTest, CountsBytesHandedToTheDeviceOnce) {
    auto port = MakePort();
    port->SetOpen(true);
    TQelBaseDispatcher& dispatcher = *port->GetDispatcher();
    auto deviceQueue = [&] {
        DWORD errors = 0;
        COMSTAT status{};
        EXPECT_TRUE(ClearCommError(dispatcher.GetComHandle(), &errors, &status));
        return Integer(status.cbOutQue);
    };
    serialtest::StopOutput(Pty.Slave());
    const std::string first = RandomBytes(40, 5);
    port->WriteBlock(first.data(), 40);
    // The output thread hands the block to the device, which cannot send it.
    ASSERT_TRUE(WaitUntil([&] { return dispatcher.OutputInFlight() == 40; }));
    EXPECT_EQ(deviceQueue(), 40);
    EXPECT_EQ(port->PendingOutputCount(), 40);
    COMSTAT status{};
    dispatcher.GetLineErrors(status);
    EXPECT_EQ(status.cbOutQue, 40u);

    // A second block waits in the ring behind the first.
    const std::string second = RandomBytes(24, 6);
    port->WriteBlock(second.data(), 24);
    EXPECT_EQ(dispatcher.OutputInFlight(), 40);
    EXPECT_EQ(port->PendingOutputCount(), 64);
    EXPECT_EQ(dispatcher.OutputRoom(), port->GetOutSize() - 64);

    serialtest::ResumeOutput(Pty.Slave());
    EXPECT_EQ(serialtest::ReadExactly(Pty.Master(), 64), first + second);
    EXPECT_TRUE(WaitUntil([&] { return port->PendingOutputCount() == 0; }));
    EXPECT_EQ(dispatcher.OutputInFlight(), 0);

    serialtest::StopOutput(Pty.Slave());
    port->WriteBlock(first.data(), 40);
    ASSERT_TRUE(WaitUntil([&] { return dispatcher.OutputInFlight() == 40; }));
    port->ClearOutput();
    EXPECT_EQ(dispatcher.OutputInFlight(), 0);
    EXPECT_EQ(port->PendingOutputCount(), 0);
    serialtest::ResumeOutput(Pty.Slave());
}

TEST_F(QePortTest, ClearingOutputDropsWhatTheDeviceHasNotTaken) {
    auto port = MakePort();
    port->SetOpen(true);
    serialtest::StopOutput(Pty.Slave());
    const std::string stuck(100, 's');
    port->WriteBlock(stuck.data(), Integer(stuck.size()));
    port->ClearOutput();
    EXPECT_EQ(port->PendingOutputCount(), 0);
    serialtest::ResumeOutput(Pty.Slave());
    port->WriteBlock("after", 5);
    // Had the cleared block gone out, its bytes would come first.
    EXPECT_EQ(serialtest::ReadExactly(Pty.Master(), 5), "after");
    EXPECT_TRUE(WaitUntil([&] { return port->PendingOutputCount() == 0; }));
}

TEST_F(QePortTest, FailuresRaiseTheClassOfTheirCode) {
    struct Case {
        const char* Name;
        std::function<void(QePortTest&)> Act;
        std::function<bool(const EQELException&)> IsClass;
        Integer Code;
        const char* Text;
    };
    std::unique_ptr<TQelComPort> holder;
    const std::vector<Case> cases = {
        {"absent port", [](QePortTest& t) { t.MakePort(9)->SetOpen(true); },
         [](const EQELException& e) { return dynamic_cast<const EBadId*>(&e) != nullptr; }, -2001,
         "ie_BadId - Specified comport doesn't exist"},
        {"busy port",
         [&holder](QePortTest& t) {
             holder = t.MakePort();
             holder->SetOpen(true);
             t.MakePort()->SetOpen(true);
         },
         [](const EQELException& e) { return dynamic_cast<const EAlreadyOpen*>(&e) != nullptr; }, -2008,
         "ie_Open - device already open"},
        {"no port number", [](QePortTest& t) { t.MakePort(0)->SetOpen(true); },
         [](const EQELException& e) { return dynamic_cast<const ENoPortSelected*>(&e) != nullptr; }, -2011,
         "The ComNumber property of the TQelComPort has not been set"},
        {"closed port without AutoOpen",
         [](QePortTest& t) {
             auto port = t.MakePort();
             port->SetAutoOpen(false);
             port->ReadByte();
         },
         [](const EQELException& e) { return dynamic_cast<const ECommNotOpen*>(&e) != nullptr; }, -2007,
         "ie_NOpen - device not open"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        try {
            c.Act(*this);
            ADD_FAILURE() << "no exception";
        } catch (const EOpenComm& e) {
            EXPECT_TRUE(c.IsClass(e)) << e.ClassName();
            EXPECT_EQ(e.ErrorCode, c.Code);
            EXPECT_EQ(e.Message, c.Text);
        }
    }
    // The failed second open left the first one working.
    holder->WriteBlock("ok", 2);
    EXPECT_EQ(serialtest::ReadExactly(Pty.Master(), 2), "ok");
}

TEST_F(QePortTest, OpensOnUseWhenAutoOpen) {
    auto port = MakePort();
    port->WriteBlock("hi", 2);
    EXPECT_TRUE(port->GetOpen());
    EXPECT_EQ(serialtest::ReadExactly(Pty.Master(), 2), "hi");

    // A worker's operation on the closed port opens it on the main thread.
    port->SetOpen(false);
    bool workerDone = false;
    std::thread worker([&] {
        port->WriteBlock("yo", 2);
        workerDone = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return port->GetOpen(); }));
    worker.join();
    EXPECT_TRUE(workerDone);
    EXPECT_EQ(serialtest::ReadExactly(Pty.Master(), 2), "yo");
}

TEST_F(QePortTest, PartlyReadInputIsAnnouncedAgainWithTheNextArrival) {
    auto port = MakePort();
    port->SetOpen(true);
    // Nobody listens yet: the bytes wait in the ring and are announced once a handler is there.
    serialtest::WriteAll(Pty.Master(), "abcde");
    EXPECT_TRUE(WaitUntil([&] { return port->GetDispatcher()->InputCount() == 5; }));
    Receiver.Limit = 3;
    Listen(*port);
    EXPECT_TRUE(PumpUntil([&] { return Receiver.Calls >= 1; }));
    EXPECT_EQ(Receiver.Bytes, "abc");
    EXPECT_EQ(port->GetDispatcher()->InputCount(), 2) << "what the handler read is consumed, no more";

    serialtest::WriteAll(Pty.Master(), "f");
    EXPECT_TRUE(PumpUntil([&] { return Receiver.Bytes.size() >= 6; }));
    EXPECT_EQ(Receiver.Bytes, "abcdef");
    EXPECT_EQ(Receiver.Counts, (std::vector<Word>{5, 3}));
}

TEST_F(QePortTest, ClearingInputInsideTheHandlerConsumesEverything) {
    auto port = MakePort();
    port->SetOpen(true);
    serialtest::WriteAll(Pty.Master(), "junk");
    EXPECT_TRUE(WaitUntil([&] { return port->GetDispatcher()->InputCount() == 4; }));
    Receiver.Action = [this](TQelCustomComPort& p) {
        if (Receiver.Counts.size() == 1) p.ClearInput();
    };
    Listen(*port);
    EXPECT_TRUE(PumpUntil([&] { return Receiver.Calls >= 1; }));
    EXPECT_EQ(Receiver.Bytes, "");
    EXPECT_EQ(port->GetDispatcher()->InputCount(), 0);
    serialtest::WriteAll(Pty.Master(), "z");
    EXPECT_TRUE(PumpUntil([&] { return !Receiver.Bytes.empty(); }));
    EXPECT_EQ(Receiver.Bytes, "z");
}

TEST_F(QePortTest, AFullRingLeavesTheRestInTheDeviceUntilThereIsRoom) {
    auto port = MakePort();
    port->SetOpen(true);
    const std::string in = RandomBytes(8192 + 300, 5);
    std::thread peer([&] { serialtest::WriteAll(Pty.Master(), in); });
    TQelBaseDispatcher* dispatcher = port->GetDispatcher();
    EXPECT_TRUE(WaitUntil([&] { return dispatcher->InputCount() == 8192; }));
    std::string got;
    for (int i = 0; i < 300; ++i)
        got += char(port->ReadByte());
    EXPECT_TRUE(WaitUntil([&] { return dispatcher->InputCount() == 8192; }));
    while (port->HasInputByte())
        got += char(port->ReadByte());
    peer.join();
    EXPECT_EQ(got, in);
}

TEST_F(QePortTest, ClosingInsideTheHandlerWaitsForTheNoticeAndAReopenFollows) {
    auto port = MakePort();
    Listen(*port);
    port->SetOpen(true);
    Receiver.Action = [this](TQelCustomComPort& p) {
        if (Receiver.Counts.size() != 1) return;
        p.SetOpen(false);
        EXPECT_FALSE(p.GetOpen());
        EXPECT_NE(p.GetDispatcher(), nullptr) << "the close waits until the notice is over";
        p.SetOpen(true);
    };
    serialtest::WriteAll(Pty.Master(), "1");
    EXPECT_TRUE(PumpUntil([&] { return Receiver.Calls >= 1 && port->GetOpen(); }));
    EXPECT_NE(port->GetDispatcher(), nullptr);
    serialtest::WriteAll(Pty.Master(), "2");
    EXPECT_TRUE(PumpUntil([&] { return Receiver.Bytes.find('2') != std::string::npos; }));
    EXPECT_EQ(Receiver.Counts.size(), 2u);
}

TEST_F(QePortTest, ChangingTheNumberOfAnOpenPortReopensItThere) {
    TPty other;
    Ports.Link(4, other.SlavePath());
    auto port = MakePort();
    Listen(*port);
    port->SetOpen(true);
    port->SetComNumber(4);
    EXPECT_TRUE(port->GetOpen());
    port->WriteBlock("new", 3);
    EXPECT_EQ(serialtest::ReadExactly(other.Master(), 3), "new");
    serialtest::WriteAll(other.Master(), "back");
    EXPECT_TRUE(PumpUntil([&] { return Receiver.Bytes == "back"; }));
    // The old port is free again.
    auto again = MakePort(3);
    EXPECT_NO_THROW(again->SetOpen(true));
}

TEST_F(QePortTest, ClosingWhileTrafficFlowsEndsEverythingAndNoEventFollows) {
    auto port = MakePort();
    port->SetAutoOpen(false); // the worker must not reopen what the main thread closes
    Listen(*port);
    std::atomic<bool> stop{false};
    std::thread peer([&] {
        const std::string chunk(256, 'p');
        while (!stop) {
            serialtest::WriteAll(Pty.Master(), chunk, 50);
            char sink[4096];
            while (read(Pty.Master(), sink, sizeof sink) > 0) {
            }
        }
    });
    std::atomic<int> workerWrites{0};
    std::thread worker([&] {
        const std::string block(64, 'w');
        while (!stop) {
            try {
                port->WriteBlock(block.data(), Integer(block.size()));
                port->PendingOutputCount();
                ++workerWrites;
            } catch (const EQELException&) {
                // A full output ring or a port closed under the worker.
            }
        }
    });
    for (int cycle = 0; cycle < 40; ++cycle) {
        Receiver.AfterClose = false;
        port->SetOpen(true);
        const int before = Receiver.Calls;
        EXPECT_TRUE(PumpUntil([&] { return Receiver.Calls > before; }));
        port->SetOpen(false);
        ASSERT_EQ(port->GetDispatcher(), nullptr);
        Receiver.AfterClose = true;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    stop = true;
    peer.join();
    worker.join();
    EXPECT_EQ(Receiver.CallsAfterClose, 0);
    EXPECT_GT(workerWrites.load(), 0);
}

TEST_F(QePortTest, AHandlerThatDoesNotAnswerInTimeDoesNotHoldTheDispatcherUp) {
    auto port = MakePort();
    Listen(*port);
    port->SetOpen(true);
    ClockSetMode(TClockMode::Manual);
    struct TRealClock {
        ~TRealClock() { ClockSetMode(TClockMode::Real); }
    } restore;

    serialtest::WriteAll(Pty.Master(), "abc");
    // The notice waits for this thread, which serves no messages for now.
    EXPECT_TRUE(WaitUntil([] { return (GetQueueStatus(QS_SENDMESSAGE) & QS_SENDMESSAGE) != 0; }));
    ClockAdvanceMs(3000);
    // The dispatcher went on: it takes in the next bytes while the first notice is unanswered.
    serialtest::WriteAll(Pty.Master(), "de");
    TQelBaseDispatcher* dispatcher = port->GetDispatcher();
    EXPECT_TRUE(WaitUntil([&] { return dispatcher->InputCount() == 5; }));
    EXPECT_EQ(Receiver.Calls, 0);

    // The late notice still arrives; every byte comes once, in order.
    EXPECT_TRUE(PumpUntil([&] { return Receiver.Bytes.size() >= 5; }));
    EXPECT_EQ(Receiver.Bytes, "abcde");
    EXPECT_TRUE(PumpUntil([&] { return dispatcher->InputCount() == 0; }));
}

} // namespace

namespace {

TEST_F(QePortTest, AStoredDefinitionSetsTheLineAndOpensAfterLoading) {
    const String text = "object myPort: TQelComPort\n"
                        "  ComNumber = 3\n"
                        "  Baud = 9600\n"
                        "  StopBits = 2\n"
                        "  BufferFull = 3072\n"
                        "  BufferResume = 1024\n"
                        "  TraceName = 'TOLK.TRC'\n"
                        "  LogName = 'TOLK.LOG'\n"
                        "  Open = True\n"
                        "end\n";
    std::unique_ptr<TComponent> read(ReadComponentText(text, nullptr));
    auto* port = dynamic_cast<TQelComPort*>(read.get());
    ASSERT_NE(port, nullptr);
    EXPECT_TRUE(port->GetOpen());
    EXPECT_EQ(serialtest::TerminalSpeed(Pty.Slave()), 9600u);
    EXPECT_EQ(port->GetBufferFull(), 3072);
    EXPECT_EQ(port->GetBufferResume(), 1024);
    EXPECT_EQ(port->GetVersion(), "v4.05");
    EXPECT_EQ(port->GetTracing(), tlOff);
    port->WriteBlock("R", 1);
    EXPECT_EQ(serialtest::ReadExactly(Pty.Master(), 1), "R");
}

} // namespace

namespace {

TEST_F(QePortTest, StartingTheThreadsOfARunningDispatcherIsRefused) {
    auto port = MakePort();
    port->SetOpen(true);
    try {
        port->GetDispatcher()->StartThreads();
        ADD_FAILURE() << "no exception";
    } catch (const EQELException& e) {
        EXPECT_EQ(e.Message, "Dispatcher already started");
        EXPECT_EQ(e.ErrorCode, 0);
    }
    port->WriteBlock("still", 5);
    EXPECT_EQ(serialtest::ReadExactly(Pty.Master(), 5), "still");
}

} // namespace

namespace {

// The other side of the line goes away: the master's open file is closed, while its descriptor
// number stays taken (by /dev/null) until the pair is freed.
void HangUp(const TPty& pty) {
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    ASSERT_GE(null, 0);
    ASSERT_EQ(dup2(null, pty.Master()), pty.Master());
    close(null);
}

struct TLineErrors : TObject {
    std::vector<std::pair<Word, bool>> Seen;
    void LineError(TObject*, Word error, bool lineBreak) { Seen.emplace_back(error, lineBreak); }
};

TEST_F(QePortTest, AVanishedDeviceIsReportedAndTheNextWriteRaises) {
    for (bool hangUpWhileWriting : {false, true}) {
        SCOPED_TRACE(hangUpWhileWriting ? "noticed by a write" : "noticed by the line");
        TPty pty;
        Ports.Link(4, pty.SlavePath());
        auto port = MakePort(4);
        TLineErrors errors;
        port->SetOnTriggerLineError(MakeEvent(&errors, &TLineErrors::LineError));
        port->SetOpen(true);
        port->WriteBlock("ab", 2);
        EXPECT_EQ(serialtest::ReadExactly(pty.Master(), 2), "ab");

        HangUp(pty);
        if (hangUpWhileWriting) {
            // Whether this write already finds the device gone depends on who looks first.
            try {
                port->WriteBlock("lost", 4);
            } catch (const EInOutError&) {
            }
        }
        EXPECT_TRUE(PumpUntil([&] { return !errors.Seen.empty(); }));
        ASSERT_EQ(errors.Seen.size(), 1u);
        EXPECT_EQ(errors.Seen[0], (std::pair<Word, bool>{9, true})) << "a line gone reads as a break";
        // What the device took or refused is no longer pending.
        EXPECT_TRUE(PumpUntil([&] { return port->PendingOutputCount() == 0; }));
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                port->WriteBlock("cd", 2);
                ADD_FAILURE() << "no exception";
            } catch (const EInOutError& e) {
                EXPECT_EQ(e.ErrorCode, 31);
            }
        }
        // The loss is reported once; closing does not wait on the device.
        port->SetOpen(false);
        EXPECT_EQ(errors.Seen.size(), 1u);
        EXPECT_FALSE(port->GetOpen());
    }
    // A port opened again on a device that is there writes again.
    auto port = MakePort();
    port->SetOpen(true);
    port->WriteBlock("ok", 2);
    EXPECT_EQ(serialtest::ReadExactly(Pty.Master(), 2), "ok");
}

// A dispatcher whose device read fails with an exception on the dispatch thread.
class TFailingReadDispatcher : public TQelWin32Dispatcher {
public:
    using TQelWin32Dispatcher::TQelWin32Dispatcher;
    Integer ReadDevice(char*, Integer) override { throw EInOutError("the device read failed", 5); }
};

struct TShownExceptions : TObject {
    std::vector<std::pair<String, bool>> Shown;
    void Show(TObject*, Exception* e) {
        Shown.emplace_back(e->Message, GetCurrentThreadId() == MainThreadID.load());
    }
};

TEST_F(QePortTest, AnExceptionEndingADispatcherThreadIsShownOnTheMainThread) {
    TApplication app(nullptr);
    TShownExceptions shown;
    app.OnException = MakeEvent(&shown, &TShownExceptions::Show);
    auto port = MakePort();
    port->SetDispatcherFactory([](TQelCustomComPort* owner) { return new TFailingReadDispatcher(owner); });
    port->SetOpen(true);
    ASSERT_TRUE(serialtest::WriteAll(Pty.Master(), "x"));
    EXPECT_TRUE(PumpUntil([&] { return !shown.Shown.empty(); }));
    ASSERT_EQ(shown.Shown.size(), 1u);
    EXPECT_EQ(shown.Shown[0].first, "the device read failed");
    EXPECT_TRUE(shown.Shown[0].second);
    port->SetOpen(false);
    EXPECT_FALSE(port->GetOpen());
}

} // namespace
