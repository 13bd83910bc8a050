// The byte trace and the dispatch log: what they record, the text files they dump, and how the
// port component's Tracing and Logging drive them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <sstream>
#include <vector>

#include "platform/runtime/Clock.h"
#include "platform/runtime/DateTime.h"
#include "serial/OoMisc.h"
#include "serial/QeExcept.h"
#include "serial/QePort.h"
#include "serial/QwWin32.h"
#include "tests/serial/SerialTestPty.h"
#include "tests/support/TestSupport.h"

namespace {

using serialtest::PumpUntil;
using serialtest::TPortDir;
using serialtest::TPty;
using testsupport::ReadFileBytes;
using testsupport::TempDir;

bool FileExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// A dispatcher without a device, whose log counts time from when the test says.
class TRecordingDispatcher : public TQelWin32Dispatcher {
public:
    TRecordingDispatcher() : TQelWin32Dispatcher(nullptr) {}
    void StartLogClock() { FLogTimeBase = QelTimeMs(); }
};

class QeTraceLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        FOldMode = ClockGetMode();
        ClockSetMode(TClockMode::Manual);
    }
    void TearDown() override { ClockSetMode(FOldMode); }

    TempDir Dir;

private:
    TClockMode FOldMode = TClockMode::Real;
};

} // namespace

TEST_F(QeTraceLogTest, TraceDumpsShowEachRunUnderItsHeadingOldestFirst) {
    struct Entry {
        char Kind;
        std::string Bytes;
    };
    struct Case {
        const char* Name;
        Integer Size;
        std::vector<Entry> Entries;
        bool Hex, AllHex;
        std::string Expected;
    };
    const std::string cr(1, '\r');
    const std::vector<Case> cases = {
        {"printable and hexadecimal", 100, {{'R', "AB" + cr}}, true, false, "Receive: \r\nAB[0D]\r\n"},
        {"blank is hexadecimal with TraceHex", 100, {{'R', " a"}}, true, false, "Receive: \r\n[20]a\r\n"},
        {"decimal without TraceHex",
         100,
         {{'T', " a" + cr + "\xff"}},
         false,
         false,
         "Transmit: \r\n a[13][255]\r\n"},
        {"every byte hexadecimal", 100, {{'T', "Az"}}, false, true, "Transmit: \r\n[41][7A]\r\n"},
        {"a heading at every change of kind",
         100,
         {{'R', "a"}, {'T', "bc"}, {'R', "d"}, {'X', "e"}},
         true,
         false,
         "Receive: \r\na\r\nTransmit: \r\nbc\r\nReceive: \r\nd\r\nSpecial-X: \r\ne\r\n"},
        {"wrapped: the oldest first", 3, {{'R', "12"}, {'T', "345"}}, true, false, "Transmit: \r\n345\r\n"},
        {"wrapped inside a run",
         4,
         {{'R', "12"}, {'T', "345"}},
         true,
         false,
         "Receive: \r\n2\r\nTransmit: \r\n345\r\n"},
        {"lines end before column 78",
         100,
         {{'R', std::string(20, '\r') + std::string(80, 'x')}},
         true,
         false,
         "Receive: \r\n" +
             [] {
                 std::string s;
                 for (int i = 0; i < 19; ++i)
                     s += "[0D]";
                 s += "\r\n[0D]" + std::string(74, 'x') + "\r\n" + std::string(6, 'x') + "\r\n";
                 return s;
             }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TRecordingDispatcher d;
        ASSERT_EQ(d.InitTracing(c.Size), 0);
        for (const Entry& e : c.Entries)
            for (char byte : e.Bytes)
                d.AddTraceEntry(e.Kind, BYTE(byte));
        const std::string file = Dir.File("trace.txt");
        EXPECT_EQ(d.DumpTrace(file, c.Hex, c.AllHex, false), 0);
        EXPECT_EQ(ReadFileBytes(file), c.Expected);
        EXPECT_EQ(d.GetTraceState(), rsOff);
    }
}

TEST_F(QeTraceLogTest, TraceRecordsOnlyWhileOnAndDumpsReplaceOrAppend) {
    TRecordingDispatcher d;
    EXPECT_EQ(d.InitTracing(0), -1002);
    EXPECT_EQ(d.InitTracing(4000001), -1002);
    const std::string file = Dir.File("trace.txt");

    // An empty trace writes no file, and is off afterwards.
    ASSERT_EQ(d.InitTracing(10), 0);
    EXPECT_EQ(d.DumpTrace(file, true, false, false), 0);
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(d.GetTraceState(), rsOff);

    ASSERT_EQ(d.InitTracing(10), 0);
    d.AddTraceEntry('R', 'a');
    d.StopTracing();
    EXPECT_EQ(d.GetTraceState(), rsPaused);
    d.AddTraceEntry('R', 'b');
    d.StartTracing();
    d.AddTraceEntry('R', 'c');
    EXPECT_EQ(d.DumpTrace(file, true, false, false), 0);
    EXPECT_EQ(ReadFileBytes(file), "Receive: \r\nac\r\n");

    ASSERT_EQ(d.InitTracing(10), 0);
    d.AddTraceEntry('R', 'x');
    d.ClearTracing();
    d.AddTraceEntry('T', 'y');
    EXPECT_EQ(d.DumpTrace(file, true, false, true), 0);
    EXPECT_EQ(ReadFileBytes(file), "Receive: \r\nac\r\nTransmit: \r\ny\r\n");
    ASSERT_EQ(d.InitTracing(10), 0);
    d.AddTraceEntry('T', 'z');
    EXPECT_EQ(d.DumpTrace(file, true, false, false), 0);
    EXPECT_EQ(ReadFileBytes(file), "Transmit: \r\nz\r\n");

    // A file that cannot be made ends the dump with minus the error, and the trace is off.
    ASSERT_EQ(d.InitTracing(10), 0);
    d.AddTraceEntry('T', 'z');
    EXPECT_EQ(d.DumpTrace(Dir.File("missing/trace.txt"), true, false, false), -3);
    EXPECT_EQ(d.GetTraceState(), rsOff);
}

TEST_F(QeTraceLogTest, LogDumpHasTheHeaderAndOneLinePerRecord) {
    TFormatSettings settings = testsupport::DotSettings();
    settings.DateSeparator = '/';
    settings.TimeSeparator = ':';
    testsupport::ScopedFormatSettings scoped(settings);
    ClockSetLocalMicros(1772600767000000); // 2026-03-04 05:06:07, dumped 12.35 s later

    TRecordingDispatcher d;
    d.SetDeviceName("COM5");
    d.AddLogEntry(lkDispatch, lsReadCom, 1, "z", 1); // not logging yet
    ASSERT_EQ(d.InitLogging(10000), 0);
    d.StartLogClock();
    ClockAdvanceMs(12345);
    d.AddLogEntry(lkDispatch, lsReadCom, 3, "AB\r", 3);
    ClockAdvanceMs(5);
    d.AddLogEntry(lkTrigger, lsStatus, 0x0002);
    d.AddLogEntry(lkTrigger, lsStatus, 0x0007);
    d.AddLogEntry(lkDispatch, lsModemStatus, 0x91);
    d.AddLogEntry(lkWindowAdded, lsWindow, 0xABCDEF12);
    const std::string many(40, '\x01');
    d.AddLogEntry(lkDispatch, lsWriteCom, 40, many.data(), 40);
    d.StopLogging();
    d.AddLogEntry(lkTriggerChanged, lsNewAvail, 1); // paused: not kept
    const std::string file = Dir.File("log.txt");
    EXPECT_EQ(d.DumpLog(file, true, false, false), 0);
    EXPECT_EQ(d.GetLogState(), rsOff);

    const std::vector<std::string> lines = Lines(ReadFileBytes(file));
    ASSERT_EQ(lines.size(), 7u + 5u + 5u);
    EXPECT_EQ(lines[0], "TOLK v4.05");
    EXPECT_EQ(lines[1].rfind("Compiler : ", 0), 0u);
    EXPECT_GT(lines[1].size(), 11u);
    EXPECT_EQ(lines[2].rfind("Operating System : ", 0), 0u);
    EXPECT_EQ(lines[3], "Device: COM5");
    EXPECT_EQ(lines[4], "Date/time: 04/03/26, 05:06:19");
    EXPECT_EQ(lines[5], "    Time  Event     Sub-event     Data      Bytes");
    EXPECT_EQ(lines[6], "--------  --------  ------------  --------  -----");
    EXPECT_EQ(lines[7], "00123.45  Dispatch  ReadCom       00000003  AB[0D]");
    EXPECT_EQ(lines[8], "00123.50  Trigger   Status        00000002  (Line status)");
    EXPECT_EQ(lines[9], "00123.50  Trigger   Status        00000007  ");
    EXPECT_EQ(lines[10], "00123.50  Dispatch  Modem status  00000091  (DCTS CTS DCD )");
    EXPECT_EQ(lines[11], "00123.50  TrgHdAlc  Window        abcdef12  ");
    // Attached bytes continue after column 79, indented by 45.
    EXPECT_EQ(lines[12], "00123.50  Dispatch  WriteCom      00000028  [01][01][01][01][01][01][01][01]");
    for (std::size_t i = 13; i < 17; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(lines[i], std::string(45, ' ') + "[01][01][01][01][01][01][01][01]");
    }
}

TEST_F(QeTraceLogTest, AFullLogDropsItsOldestRecords) {
    TRecordingDispatcher d;
    EXPECT_EQ(d.InitLogging(0), -1002);
    EXPECT_EQ(d.InitLogging(16000001), -1002);
    // Room for three bare records (14 bytes each) and a little more.
    ASSERT_EQ(d.InitLogging(50), 0);
    d.StartLogClock();
    for (DWORD i = 1; i <= 4; ++i)
        d.AddLogEntry(lkTriggerChanged, lsNewAvail, i);
    // As large as the whole buffer: not kept, and nothing is dropped for it.
    const std::string big(36, 'x');
    d.AddLogEntry(lkDispatch, lsWriteCom, 36, big.data(), 36);
    // 22 bytes: one more old record goes.
    d.AddLogEntry(lkDispatch, lsWriteCom, 8, "abcdefgh", 8);
    const std::string file = Dir.File("log.txt");
    ASSERT_EQ(d.DumpLog(file, true, false, false), 0);
    std::vector<std::string> lines = Lines(ReadFileBytes(file));
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[7].substr(10), "TrDatChg  Avail         00000003  ");
    EXPECT_EQ(lines[8].substr(10), "TrDatChg  Avail         00000004  ");
    EXPECT_EQ(lines[9].substr(10), "Dispatch  WriteCom      00000008  abcdefgh");
}

namespace {

class QeTraceLogPortTest : public QeTraceLogTest {
protected:
    void SetUp() override {
        QeTraceLogTest::SetUp();
        // The dispatcher's threads and the device run on real time.
        ClockSetMode(TClockMode::Real);
        Ports.Link(3, Pty.SlavePath());
    }
    std::unique_ptr<TQelComPort> MakePort() {
        auto port = std::make_unique<TQelComPort>(nullptr);
        port->SetPromptForPort(false);
        port->SetComNumber(3);
        port->SetTraceName(Dir.File("port.trc"));
        port->SetLogName(Dir.File("port.log"));
        return port;
    }

    TPortDir Ports;
    TPty Pty;
};

struct TByteReader : TObject {
    std::string Bytes;
    void Trigger(TObject* cp, Word msg, Word, Word) {
        auto* port = static_cast<TQelCustomComPort*>(cp);
        while (msg == 0x7E01 && port->HasInputByte())
            Bytes += char(port->ReadByte());
    }
};

} // namespace

TEST_F(QeTraceLogPortTest, APortRecordsItsTrafficAndClosingWritesBothFiles) {
    auto port = MakePort();
    TByteReader reader;
    port->SetOnTrigger(MakeEvent(&reader, &TByteReader::Trigger));
    // Stored while closed, started by the open.
    port->SetTracing(tlOn);
    port->SetLogging(tlOn);
    port->SetOpen(true);
    ASSERT_NE(port->GetDispatcher(), nullptr);
    EXPECT_EQ(port->GetDispatcher()->GetTraceState(), rsOn);
    EXPECT_EQ(port->GetDispatcher()->GetLogState(), rsOn);

    port->WriteBlock("hi", 2);
    EXPECT_EQ(serialtest::ReadExactly(Pty.Master(), 2), "hi");
    ASSERT_TRUE(serialtest::WriteAll(Pty.Master(), "AB\r"));
    ASSERT_TRUE(PumpUntil([&] { return reader.Bytes.size() >= 3; }));
    port->SetOpen(false);
    EXPECT_EQ(port->GetTracing(), tlOff);
    EXPECT_EQ(port->GetLogging(), tlOff);

    EXPECT_EQ(ReadFileBytes(Dir.File("port.trc")), "Transmit: \r\nhi\r\nReceive: \r\nAB[0D]\r\n");
    const std::string log = ReadFileBytes(Dir.File("port.log"));
    EXPECT_NE(log.find("Device: COM3\r\n"), std::string::npos);
    for (const char* part :
         {"  Dispatch  WriteCom      00000002  hi\r\n", "  Dispatch  ReadCom       00000003  AB[0D]\r\n",
          "  Trigger   Avail         00000003  \r\n", "  TrgHdAlc  Window        "}) {
        SCOPED_TRACE(part);
        EXPECT_NE(log.find(part), std::string::npos);
    }
}

TEST_F(QeTraceLogPortTest, EachStateActsOnAnOpenPortAndIsOnlyStoredOnAClosedOne) {
    auto port = MakePort();
    struct Step {
        TTraceLogState Set;
        TTraceLogState Stored;
    };
    // Closed: anything past tlOn is stored as tlOff.
    for (const Step& s : std::vector<Step>{{tlPause, tlOff}, {tlDump, tlOff}, {tlOn, tlOn}, {tlOff, tlOff}}) {
        port->SetTracing(s.Set);
        EXPECT_EQ(port->GetTracing(), s.Stored);
    }
    port->SetOpen(true);
    TQelBaseDispatcher* d = port->GetDispatcher();
    ASSERT_NE(d, nullptr);
    // Dumping a trace that is off does nothing.
    port->SetTracing(tlDump);
    EXPECT_FALSE(FileExists(Dir.File("port.trc")));
    struct OpenStep {
        TTraceLogState Set;
        TTraceLogState Stored;
        TQelRecordState State;
    };
    for (const OpenStep& s : std::vector<OpenStep>{{tlPause, tlOff, rsOff},
                                                   {tlOn, tlOn, rsOn},
                                                   {tlPause, tlPause, rsPaused},
                                                   {tlClear, tlPause, rsPaused},
                                                   {tlOn, tlOn, rsOn},
                                                   {tlOff, tlOff, rsOff}}) {
        SCOPED_TRACE(int(s.Set));
        port->SetTracing(s.Set);
        EXPECT_EQ(port->GetTracing(), s.Stored);
        EXPECT_EQ(d->GetTraceState(), s.State);
    }

    // A new size restarts a recording trace empty.
    port->SetTracing(tlOn);
    port->WriteBlock("ab", 2);
    port->SetTraceSize(2);
    port->WriteBlock("cde", 3);
    port->SetTracing(tlAppend);
    EXPECT_EQ(port->GetTracing(), tlOff);
    EXPECT_EQ(ReadFileBytes(Dir.File("port.trc")), "Transmit: \r\nde\r\n");
    serialtest::ReadExactly(Pty.Master(), 5);
}

TEST_F(QeTraceLogPortTest, AFailingDumpRaisesItsCodeAndTheCloseStillHappens) {
    auto port = MakePort();
    port->SetLogName(Dir.File("missing/port.log"));
    port->SetOpen(true);
    port->SetLogging(tlOn);
    try {
        port->SetLogging(tlDump);
        ADD_FAILURE() << "no exception";
    } catch (const EInOutError& e) {
        // The library's codes of file errors raise the runtime's input/output error.
        EXPECT_EQ(e.ErrorCode, 3);
    }
    EXPECT_EQ(port->GetLogging(), tlOff);

    port->SetLogging(tlOn);
    EXPECT_THROW(port->SetOpen(false), EInOutError);
    EXPECT_FALSE(port->GetOpen());
    EXPECT_EQ(port->GetDispatcher(), nullptr);
    // Opens again as usual.
    port->SetOpen(true);
    EXPECT_TRUE(port->GetOpen());
}
