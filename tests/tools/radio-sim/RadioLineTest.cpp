#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "platform/runtime/Exceptions.h"
#include "serial/QeExcept.h"
#include "tests/support/TestSupport.h"
#include "tests/tools/radio-sim/SimTestSupport.h"
#include "tools/radio-sim/RadioLine.h"

namespace {

using simtest::Block;
using simtest::Converse;
using simtest::Handshake;
using simtest::PumpUntil;
using simtest::TPortDir;
using simtest::TRadioClient;
using simtest::TStep;
using simtest::WaitUntil;

const std::string Ack = "\x06";
const std::string Ident = "P2475S01";
const std::string Preset = "\x01\x23\x45\x67\x89\xAB\xCD\xEF";

bool Exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

std::string ImageAt(TRadioLine& line, int address) {
    return line.WithCore([&](TRadioCore& core) {
        std::string bytes;
        core.Image().Read(std::size_t(address), 8, bytes);
        return bytes;
    });
}

std::vector<TStep> Enter() { return {{Handshake(), Ack}, {"\x02", Ident}, {"\x06", Ack}}; }

std::vector<TStep> operator+(std::vector<TStep> a, const std::vector<TStep>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class RadioLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        Line.WithCore([](TRadioCore& core) { core.Image().Write(0x100, Preset); });
    }
    TPortDir Ports;
    TRadioLine Line;
};

TEST_F(RadioLineTest, CarriesTwoTransfersWithThePortReopenedBetween) {
    Line.Start(3);
    EXPECT_EQ(Line.GetPortNumber(), 3);
    EXPECT_EQ(Line.GetEntryPath(), Ports.Path() + "/COM3");
    TRadioClient client(3);
    const std::string w = "WWWWwwww";
    const std::string y = "YYYYyyyy";
    Converse(client, Enter() + std::vector<TStep>{{Block('R', 0x100), Block('R', 0x100) + Preset},
                                                  {"\x06", Ack},
                                                  {Block('W', 0x110, w), Ack},
                                                  {Block('Y', 0x2B0, y), Ack},
                                                  {"E", ""}});
    EXPECT_TRUE(WaitUntil(
        [&] { return Line.WithCore([](TRadioCore& core) { return core.Log().back().Kind == rlEnd; }); }));
    EXPECT_EQ(ImageAt(Line, 0x110), w);
    EXPECT_EQ(ImageAt(Line, 0x2B0), y);

    // The log: every command with its address and data, each answered but the last, in order.
    struct Expected {
        TRadioLogKind Kind;
        int Address;
        std::string Data;
    };
    const std::vector<Expected> commands = {
        {rlHandshake, -1, ""},       {rlIdentify, -1, ""}, {rlAck, -1, ""},
        {rlRead, 0x100, ""},         {rlAck, -1, ""},      {rlWrite, 0x110, w},
        {rlWriteSettings, 0x2B0, y}, {rlEnd, -1, ""},
    };
    const std::vector<TRadioLogEntry> log = Line.WithCore([](TRadioCore& core) { return core.Log(); });
    ASSERT_EQ(log.size(), 2 * commands.size() - 1);
    for (std::size_t i = 0; i < commands.size(); ++i) {
        SCOPED_TRACE(i);
        const TRadioLogEntry& command = log[2 * i];
        EXPECT_EQ(command.Kind, commands[i].Kind);
        EXPECT_EQ(command.Address, commands[i].Address);
        EXPECT_EQ(command.Data, commands[i].Data);
        if (i + 1 < commands.size()) {
            EXPECT_EQ(log[2 * i + 1].Kind, rlReply);
        }
    }
    EXPECT_EQ(log[7].Data, Block('R', 0x100) + Preset);
    for (std::size_t i = 1; i < log.size(); ++i)
        EXPECT_GE(log[i].TimeMs, log[i - 1].TimeMs) << i;
    EXPECT_GT(log.back().TimeMs, log.front().TimeMs);

    client.Port().SetOpen(false);
    client.Port().SetOpen(true);
    Converse(client, Enter() + std::vector<TStep>{{Block('R', 0x110), Block('R', 0x110) + w},
                                                  {"\x06", Ack},
                                                  {"E", ""},
                                                  {Handshake(), Ack}});
}

TEST_F(RadioLineTest, EachFaultShowsInWhatTheProgramReceives) {
    struct Case {
        const char* Spec;
        std::vector<TStep> Steps;
    };
    const std::string read = Block('R', 0x100) + Preset;
    const std::vector<Case> cases = {
        {"split,pieces=5/5/2,gap=40", Enter() + std::vector<TStep>{{Block('R', 0x100), read}, {"\x06", Ack}}},
        {"extra-bytes", {{Handshake(), "\x06\x55\xAA"}, {"\x02", Ident + "\x55\xAA"}}},
        {"two-byte-ack", {{Handshake(), std::string("\x00\x06", 2)}, {"\x02", Ident}}},
        {"unknown-model", {{Handshake(), Ack}, {"\x02", "P0000S01"}, {"\x06", Ack}}},
        // The unanswered read is followed at once by the exchange, whose 0x06 comes first.
        {"no-reply,once,from=2", Enter() + std::vector<TStep>{{Block('R', 0x100), read},
                                                              {"\x06", Ack},
                                                              {Block('R', 0x108), ""},
                                                              {"\x06", Ack},
                                                              {Block('R', 0x100), read}}},
        {"wrong-ack,on=exchange,from=1",
         Enter() + std::vector<TStep>{{Block('R', 0x100), read}, {"\x06", "\x15"}}},
        {"wrong-ack,on=handshake,once", {{Handshake(), "\x15"}, {Handshake(), Ack}, {"\x02", Ident}}},
        {"no-handshake,once", {{Handshake(), ""}, {Handshake(), Ack}, {"\x02", Ident}}},
    };
    int number = 4;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Spec);
        TRadioLine line;
        line.WithCore([&](TRadioCore& core) {
            core.Image().Write(0x100, Preset);
            core.AddFault(ParseRadioFault(c.Spec));
        });
        line.Start(number);
        TRadioClient client(number++);
        const std::vector<int> notices = Converse(client, c.Steps);
        if (std::string(c.Spec).rfind("split", 0) == 0) {
            EXPECT_GE(notices[1], 2) << "the identification in two pieces";
            EXPECT_GE(notices[3], 2) << "the read reply in three pieces";
        }
    }
}

TEST_F(RadioLineTest, APulledCableLeavesAClosedPortThatCannotReopen) {
    Line.WithCore([](TRadioCore& core) { core.AddFault(ParseRadioFault("cable-pull,from=2")); });
    Line.Start(3);
    TRadioClient client(3);
    const std::string read = Block('R', 0x100) + Preset;
    Converse(client, Enter() + std::vector<TStep>{{Block('R', 0x100), read}, {"\x06", Ack}});
    client.Send(Block('R', 0x108));
    EXPECT_TRUE(WaitUntil([&] { return Line.GetUnplugged(); }));
    EXPECT_FALSE(Exists(Ports.Path() + "/COM3")) << "the entry went with the device";

    // The notices already queued are served: nothing came after the last reply.
    const std::string before = client.Received;
    PumpUntil([] { return true; });
    EXPECT_EQ(client.Received, before);

    // Once the port has noticed the loss, writing raises the device error.
    EXPECT_TRUE(PumpUntil([&] { return client.LineErrors > 0; }));
    EXPECT_THROW(client.Send("\x06"), EInOutError);
    EXPECT_EQ(client.Received, before);

    client.Port().SetOpen(false);
    EXPECT_FALSE(client.Port().GetOpen());
    try {
        client.Port().SetOpen(true);
        ADD_FAILURE() << "the port opened";
    } catch (const EBadId& e) {
        EXPECT_EQ(e.ErrorCode, -2001);
    }
}

// A clock of the test's own: time passes only by the line's waits, and every wait that is not
// over yet when it starts ends `LateMs` after its time (a thread of a busy machine waking late).
class TLateClock {
public:
    explicit TLateClock(double lateMs) : FLate(std::chrono::microseconds(long(lateMs * 1000))) {}
    TRadioLine::TClock Clock() {
        return {[this] {
                    std::lock_guard<std::mutex> lock(FLock);
                    return FTime;
                },
                [this](TRadioLine::TSteady::time_point at) {
                    std::lock_guard<std::mutex> lock(FLock);
                    if (at > FTime) FTime = at + FLate;
                }};
    }
    // Milliseconds since the clock was made.
    double Elapsed() {
        std::lock_guard<std::mutex> lock(FLock);
        return std::chrono::duration<double, std::milli>(FTime - FStart).count();
    }

private:
    std::mutex FLock;
    const TRadioLine::TSteady::time_point FStart = TRadioLine::TSteady::time_point() + std::chrono::hours(1);
    TRadioLine::TSteady::time_point FTime = FStart;
    const TRadioLine::TSteady::duration FLate;
};

// Paced, a command is taken once its bytes have come down the line and its reply is complete
// when its bytes have gone up the line, one every 1.146 ms. A line thread that wakes late sends
// what is due at once: the reply is late by that one wake and no more.
TEST_F(RadioLineTest, PacedRepliesKeepTheLinesTimeWhenTheThreadWakesLate) {
    const double b = TRadioCore::PacedByteMs;
    struct Case {
        const char* Name;
        double LateMs;
        double ReplyEndsMs; // after the read command is complete
    };
    for (const Case& c : {Case{"on time", 0, 12 * b}, Case{"woken late", 50, b + 50}}) {
        SCOPED_TRACE(c.Name);
        TLateClock clock(c.LateMs);
        TRadioLine line;
        line.SetClock(clock.Clock());
        line.WithCore([](TRadioCore& core) {
            core.SetPacing(true);
            core.Image().Write(0x100, Preset);
        });
        line.Start(6);
        TRadioClient client(6);
        Converse(client, Enter() + std::vector<TStep>{{Block('R', 0x100), Block('R', 0x100) + Preset}});
        const std::vector<TRadioLogEntry> log = line.WithCore([](TRadioCore& core) { return core.Log(); });
        ASSERT_GE(log.size(), 2u);
        const TRadioLogEntry& read = log[log.size() - 2];
        ASSERT_EQ(read.Kind, rlRead);
        // The read is sent when the acknowledgement's one byte has arrived, and its four bytes
        // take the line's time.
        const TRadioLogEntry& ackReply = log[log.size() - 3];
        EXPECT_NEAR(read.TimeMs - ackReply.TimeMs, b + c.LateMs + 4 * b, 1e-3);
        EXPECT_NEAR(clock.Elapsed() - read.TimeMs, c.ReplyEndsMs, 1e-3);
        line.Stop();
    }
}

TEST_F(RadioLineTest, NeverReplacesAnEntryThatIsNotItsOwn) {
    testsupport::WriteFileBytes(Ports.Path() + "/COM3", "/dev/ttyS9\n");
    TRadioLine taken;
    EXPECT_THROW(taken.Start(3), std::runtime_error);
    EXPECT_EQ(testsupport::ReadFileBytes(Ports.Path() + "/COM3"), "/dev/ttyS9\n");

    // Without a number it takes the first free one.
    ASSERT_EQ(symlink("/dev/null", (Ports.Path() + "/COM1").c_str()), 0);
    Line.Start();
    EXPECT_EQ(Line.GetPortNumber(), 2);
    char target[256] = {};
    ASSERT_GT(readlink(Line.GetEntryPath().c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), Line.GetDevicePath());

    // An entry someone put in its place meanwhile stays when the line stops.
    unlink(Line.GetEntryPath().c_str());
    testsupport::WriteFileBytes(Line.GetEntryPath(), "/dev/ttyUSB0\n");
    Line.Stop();
    EXPECT_EQ(testsupport::ReadFileBytes(Ports.Path() + "/COM2"), "/dev/ttyUSB0\n");
    EXPECT_TRUE(Exists(Ports.Path() + "/COM1"));

    TRadioLine again;
    again.Start(5);
    const std::string entry = again.GetEntryPath();
    EXPECT_TRUE(Exists(entry));
    again.Stop();
    EXPECT_FALSE(Exists(entry));
}

} // namespace
