#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/EntryCode.h"
#include "tests/support/TestSupport.h"
#include "tests/tools/radio-sim/SimTestSupport.h"
#include "tools/radio-sim/RadioCore.h"
#include "tools/radio-sim/RadioOptions.h"

namespace {

using simtest::Block;
using simtest::Handshake;

const std::string Ack = "\x06";
const std::string Ident = "P2475S01";
const std::string Half = "\x11\x22\x33\x44\x55\x66\x77\x88";

// Bytes arriving at a time, and the reply they get.
struct TTimedStep {
    double TimeMs;
    std::string In;
    std::string Out;
};

std::vector<TTimedStep> operator+(std::vector<TTimedStep> a, const std::vector<TTimedStep>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Handshake, identification and the first acknowledgement, 10 ms apart from `start`.
std::vector<TTimedStep> Enter(double start = 0) {
    return {{start, Handshake(), Ack}, {start + 10, "\x02", Ident}, {start + 20, "\x06", Ack}};
}

std::string ReadReply(int address, const std::string& data) { return Block('R', address) + data; }

TEST(RadioCoreTest, AnswersTheProtocolAndWatchesTheSilence) {
    const std::string code = EntryCode();
    std::string wrongFirst = Handshake();
    wrongFirst[1] = char(wrongFirst[1] == 'A' ? 'B' : 'A');
    std::string wrongLast = Handshake();
    wrongLast[7] = char(wrongLast[7] == 'A' ? 'B' : 'A');
    struct Case {
        const char* Name;
        std::vector<TTimedStep> Steps;
        TRadioState After;
    };
    const std::vector<Case> cases = {
        {"the right code", {{0, Handshake(), Ack}}, TRadioState::Entered},
        {"the code letter by letter, 200 ms after the 0x02",
         {{0, "\x02", ""},
          {200, code.substr(0, 1), ""},
          {202, code.substr(1, 5), ""},
          {210, code.substr(6), Ack}},
         TRadioState::Entered},
        {"a wrong first letter, silently; the next attempt is answered",
         {{0, wrongFirst, ""}, {5, Handshake(), Ack}},
         TRadioState::Entered},
        {"a wrong last letter", {{0, wrongLast, ""}}, TRadioState::Idle},
        {"noise before the handshake",
         {{0, std::string("\x06R\x01\x00\x08E", 6), ""}, {5, Handshake(), Ack}},
         TRadioState::Entered},
        {"the identification", {{0, Handshake(), Ack}, {10, "\x02", Ident}}, TRadioState::Identified},
        {"a byte other than 0x02 instead of the identification request",
         {{0, Handshake(), Ack}, {10, "\x06", ""}, {20, "\x02", ""}},
         TRadioState::Code},
        {"no limit before the first 0x06",
         {{0, Handshake(), Ack}, {10, "\x02", Ident}, {3600000, "\x06", Ack}},
         TRadioState::Programming},
        {"another byte before the first 0x06 is read again from idle",
         {{0, Handshake(), Ack}, {10, "\x02", Ident}, {20, Handshake(), Ack}, {30, "\x02", Ident}},
         TRadioState::Identified},
        {"a command letter before the first 0x06 is no command",
         {{0, Handshake(), Ack}, {10, "\x02", Ident}, {20, Block('R', 0x100), ""}, {30, "\x06", ""}},
         TRadioState::Idle},
        {"a read, then the exchange",
         Enter() +
             std::vector<TTimedStep>{{30, Block('R', 0x100), ReadReply(0x100, Half)}, {40, "\x06", Ack}},
         TRadioState::Programming},
        {"a write answered by one byte, read back",
         Enter() + std::vector<TTimedStep>{{30, Block('W', 0x110, "ABCDEFGH"), Ack},
                                           {40, Block('R', 0x110), ReadReply(0x110, "ABCDEFGH")}},
         TRadioState::Programming},
        {"a settings write",
         Enter() + std::vector<TTimedStep>{{30, Block('Y', 0x2B8, "abcdefgh"), Ack},
                                           {40, Block('R', 0x2B8), ReadReply(0x2B8, "abcdefgh")}},
         TRadioState::Programming},
        {"a command in pieces",
         Enter() + std::vector<TTimedStep>{{30, "W\x01", ""},
                                           {35,
                                            "\x10\x08"
                                            "ABC",
                                            ""},
                                           {40, "DEFGH", Ack}},
         TRadioState::Programming},
        {"'E' gets no answer and ends programming mode",
         Enter() + std::vector<TTimedStep>{{30, "E", ""}, {40, "\x06", ""}, {50, Block('R', 0x100), ""}},
         TRadioState::Idle},
        {"a second transfer after 'E'", Enter() + std::vector<TTimedStep>{{30, "E", ""}} + Enter(40),
         TRadioState::Programming},
        {"499 ms of silence in programming mode are not enough",
         Enter() + std::vector<TTimedStep>{{519, "\x06", Ack}}, TRadioState::Programming},
        {"500 ms of silence in programming mode end it",
         Enter() + std::vector<TTimedStep>{{520, "\x06", ""}, {530, "\x06", ""}}, TRadioState::Idle},
        {"500 ms of silence inside a command: the rest is not taken as its address",
         Enter() + std::vector<TTimedStep>{{30, "R", ""},
                                           {530, std::string("\x01\x00\x08", 3), ""},
                                           {540, "\x06", ""}},
         TRadioState::Idle},
        {"silence while the code comes", {{0, "\x02", ""}, {500, code, ""}}, TRadioState::Idle},
        {"silence before the identification request",
         {{0, Handshake(), Ack}, {500, "\x02", ""}},
         TRadioState::Code},
        {"a new attempt's handshake in programming mode is no command",
         Enter() + std::vector<TTimedStep>{{30, "\x02", ""}, {230, code, Ack}, {240, "\x02", Ident}},
         TRadioState::Identified},
        {"a block length other than 8",
         Enter() + std::vector<TTimedStep>{{30, std::string("R\x01\x00\x10", 4), ""}, {40, "\x06", ""}},
         TRadioState::Idle},
        {"addresses past the memory are not answered",
         Enter() + std::vector<TTimedStep>{{30, Block('R', 0x3FC), ""},
                                           {40, Block('W', 0xFFF8, "ABCDEFGH"), ""},
                                           {50, "\x06", Ack},
                                           {60, Block('R', 0x3F8), ReadReply(0x3F8, std::string(8, '\xFF'))}},
         TRadioState::Programming},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TRadioCore core;
        core.Image().Write(0x100, Half);
        for (std::size_t i = 0; i < c.Steps.size(); ++i) {
            SCOPED_TRACE("step " + std::to_string(i));
            const TRadioOutput out = core.Feed(c.Steps[i].In, c.Steps[i].TimeMs);
            EXPECT_EQ(out.Bytes(), c.Steps[i].Out);
            EXPECT_FALSE(out.Unplug);
        }
        EXPECT_EQ(core.GetState(), c.After);
    }
}

TEST(RadioCoreTest, SettingsChangeTheIdentificationAndTheSilence) {
    TRadioCore core;
    core.SetModelCode("1475");
    core.SetSilenceMs(50);
    EXPECT_EQ(core.Feed(Handshake(), 0).Bytes(), Ack);
    EXPECT_EQ(core.Feed("\x02", 49).Bytes(), "P1475S01");
    EXPECT_EQ(core.Feed("\x06", 5000).Bytes(), Ack);
    EXPECT_EQ(core.Feed("\x06", 5049).Bytes(), Ack);
    EXPECT_EQ(core.Feed("\x06", 5099).Bytes(), "");
    EXPECT_EQ(core.GetState(), TRadioState::Idle);
}

TEST(RadioCoreTest, LogsEveryCommandAndReplyInOrder) {
    TRadioCore core;
    std::vector<TRadioLogKind> seen;
    core.OnLog = [&](const TRadioLogEntry& entry) { seen.push_back(entry.Kind); };
    for (const TTimedStep& step : Enter() + std::vector<TTimedStep>{{30, Block('R', 0x100), ""},
                                                                    {40, Block('W', 0x110, Half), ""},
                                                                    {50, Block('Y', 0x2B0, "ABCDEFGH"), ""},
                                                                    {60, "E", ""},
                                                                    {1000, "\x06", ""}})
        core.Feed(step.In, step.TimeMs);
    struct Expected {
        TRadioLogKind Kind;
        double TimeMs;
        int Address;
        std::string Data;
    };
    const std::vector<Expected> expected = {
        {rlHandshake, 0, -1, ""},
        {rlReply, 0, -1, Ack},
        {rlIdentify, 10, -1, ""},
        {rlReply, 10, -1, Ident},
        {rlAck, 20, -1, ""},
        {rlReply, 20, -1, Ack},
        {rlRead, 30, 0x100, ""},
        {rlReply, 30, -1, ReadReply(0x100, std::string(8, '\xFF'))},
        {rlWrite, 40, 0x110, Half},
        {rlReply, 40, -1, Ack},
        {rlWriteSettings, 50, 0x2B0, "ABCDEFGH"},
        {rlReply, 50, -1, Ack},
        {rlEnd, 60, -1, ""},
    };
    const auto& log = core.Log();
    ASSERT_EQ(log.size(), expected.size());
    for (std::size_t i = 0; i < log.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(log[i].Kind, expected[i].Kind);
        EXPECT_EQ(log[i].TimeMs, expected[i].TimeMs);
        EXPECT_EQ(log[i].Address, expected[i].Address);
        EXPECT_EQ(log[i].Data, expected[i].Data);
        EXPECT_EQ(seen[i], log[i].Kind);
    }
    EXPECT_EQ(FormatRadioLogEntry(log[8]), "      40.0 ms  W          0x0110  11 22 33 44 55 66 77 88");
    EXPECT_EQ(FormatRadioLogEntry(log[12]), "      60.0 ms  E");
    EXPECT_EQ(core.BlockCount(), 3);
}

TEST(RadioCoreTest, ShapesRepliesIntoPiecesAndPacesThem) {
    const std::string reply = ReadReply(0x100, std::string(8, '\xFF'));
    struct Case {
        const char* Name;
        bool Pacing;
        std::vector<int> Pieces;
        std::vector<TRadioChunk> Expected;
    };
    const double b = TRadioCore::PacedByteMs;
    std::vector<TRadioChunk> paced;
    for (std::size_t i = 0; i < reply.size(); ++i)
        paced.push_back({b, reply.substr(i, 1)});
    std::vector<TRadioChunk> pacedSplit = paced;
    pacedSplit[5].DelayMs = 20 + b;
    pacedSplit[10].DelayMs = 20 + b;
    const std::vector<Case> cases = {
        {"whole", false, {}, {{0, reply}}},
        {"5/5/2",
         false,
         {5, 5, 2},
         {{0, reply.substr(0, 5)}, {20, reply.substr(5, 5)}, {20, reply.substr(10)}}},
        {"the rest as one more piece", false, {3}, {{0, reply.substr(0, 3)}, {20, reply.substr(3)}}},
        {"pieces longer than the reply", false, {10, 10}, {{0, reply.substr(0, 10)}, {20, reply.substr(10)}}},
        {"paced", true, {}, paced},
        {"paced and split", true, {5, 5, 2}, pacedSplit},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TRadioCore core;
        core.SetPacing(c.Pacing);
        if (!c.Pieces.empty()) {
            TRadioFault split;
            split.Kind = rfSplitReplies;
            split.Pieces = c.Pieces;
            split.GapMs = 20;
            split.FromBlock = 1; // the read is the first block command
            core.AddFault(split);
        }
        for (const TTimedStep& step : Enter())
            EXPECT_EQ(core.Feed(step.In, step.TimeMs).Chunks.size(), c.Pacing ? step.Out.size() : 1u);
        const TRadioOutput out = core.Feed(Block('R', 0x100), 30);
        ASSERT_EQ(out.Chunks.size(), c.Expected.size());
        for (std::size_t i = 0; i < out.Chunks.size(); ++i) {
            EXPECT_DOUBLE_EQ(out.Chunks[i].DelayMs, c.Expected[i].DelayMs) << i;
            EXPECT_EQ(out.Chunks[i].Bytes, c.Expected[i].Bytes) << i;
        }
    }
}

TEST(RadioCoreTest, FaultsStrikeOnceFromABlockOrAlways) {
    // Three reads with their exchanges; which replies the fault took away.
    struct Case {
        const char* Spec;
        std::vector<bool> Answered; // the three reads
    };
    const std::vector<Case> cases = {
        {"no-reply", {false, false, false}},       {"no-reply,once", {false, true, true}},
        {"no-reply,from=2", {true, false, false}}, {"no-reply,once,from=2", {true, false, true}},
        {"no-reply,from=4", {true, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Spec);
        TRadioCore core;
        core.AddFault(ParseRadioFault(c.Spec));
        for (const TTimedStep& step : Enter())
            core.Feed(step.In, step.TimeMs);
        for (int i = 0; i < 3; ++i) {
            const std::string got = core.Feed(Block('W', 0x10 * (i + 1), Half), 30 + i * 10).Bytes();
            EXPECT_EQ(got, c.Answered[std::size_t(i)] ? Ack : "") << i;
            std::string stored;
            core.Image().Read(std::size_t(0x10 * (i + 1)), 8, stored);
            // An unanswered write is not carried out either.
            EXPECT_EQ(stored == Half, c.Answered[std::size_t(i)]) << i;
            EXPECT_EQ(core.Feed("\x06", 35 + i * 10).Bytes(), Ack) << "programming mode goes on";
        }
    }
}

TEST(RadioCoreTest, FaultsChangeWhatTheRadioAnswers) {
    struct Case {
        const char* Spec;
        std::vector<TTimedStep> Steps;
        bool Unplugged;
    };
    const std::vector<Case> cases = {
        // The identification request finds the radio idle; the retry comes after the silence.
        {"no-handshake,once", {{0, Handshake(), ""}, {10, "\x02", ""}, {600, Handshake(), Ack}}, false},
        {"wrong-ack,on=handshake,once",
         {{0, Handshake(), "\x15"}, {10, "\x02", ""}, {600, Handshake(), Ack}},
         false},
        {"wrong-ack,on=exchange",
         {{0, Handshake(), Ack}, {10, "\x02", Ident}, {20, "\x06", "\x15"}, {30, "\x06", "\x15"}},
         false},
        {"wrong-ack,from=1",
         Enter() +
             std::vector<TTimedStep>{{30, Block('R', 0x100), ReadReply(0x100, Half)}, {40, "\x06", "\x15"}},
         false},
        {"two-byte-ack", {{0, Handshake(), std::string("\x00\x06", 2)}, {10, "\x02", Ident}}, false},
        {"unknown-model", {{0, Handshake(), Ack}, {10, "\x02", "P0000S01"}}, false},
        {"extra-bytes,once", {{0, Handshake(), "\x06\x55\xAA"}, {10, "\x02", Ident}}, false},
        {"extra-bytes,from=1",
         Enter() + std::vector<TTimedStep>{{30, Block('W', 0x10, Half), "\x06\x55\xAA"}}, false},
        {"cable-pull,from=2",
         Enter() + std::vector<TTimedStep>{{30, Block('R', 0x100), ReadReply(0x100, Half)},
                                           {40, "\x06", Ack},
                                           {50, Block('R', 0x108), ""},
                                           {60, Handshake(), ""}},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Spec);
        TRadioCore core;
        core.Image().Write(0x100, Half);
        core.AddFault(ParseRadioFault(c.Spec));
        bool unplugged = false;
        for (std::size_t i = 0; i < c.Steps.size(); ++i) {
            const TRadioOutput out = core.Feed(c.Steps[i].In, c.Steps[i].TimeMs);
            EXPECT_EQ(out.Bytes(), c.Steps[i].Out) << i;
            unplugged = unplugged || out.Unplug;
        }
        EXPECT_EQ(unplugged, c.Unplugged);
        EXPECT_EQ(core.GetState() == TRadioState::Unplugged, c.Unplugged);
        bool logged = false;
        for (const TRadioLogEntry& entry : core.Log())
            logged = logged || entry.Kind == rlFault;
        EXPECT_TRUE(logged);
    }
}

TEST(RadioCoreTest, ReadsFaultsAndOptionsFromText) {
    const TRadioFault split = ParseRadioFault("split,pieces=4/4,gap=30,once,from=3");
    EXPECT_EQ(split.Kind, rfSplitReplies);
    EXPECT_EQ(split.Pieces, (std::vector<int>{4, 4}));
    EXPECT_EQ(split.GapMs, 30);
    EXPECT_TRUE(split.Once);
    EXPECT_EQ(split.FromBlock, 3);
    const TRadioFault plain = ParseRadioFault("split");
    EXPECT_EQ(plain.Pieces, (std::vector<int>{5, 5, 2}));
    EXPECT_FALSE(plain.Once);
    EXPECT_EQ(plain.FromBlock, 0);
    const TRadioFault ack = ParseRadioFault("wrong-ack,on=exchange");
    EXPECT_FALSE(ack.OnHandshake);
    EXPECT_TRUE(ack.OnExchange);

    for (const char* bad :
         {"", "bogus", "split,pieces=0", "split,pieces=5//2", "no-reply,from=x", "no-reply,from=-1",
          "no-reply,gap=3", "wrong-ack,on=both", "cable-pull,once,", "split,gap"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(ParseRadioFault(bad), std::invalid_argument);
    }

    const TRadioSimOptions options = ParseRadioSimOptions(
        {"--port", "12", "--model", "1475", "--image", "a.bin", "--log", "l.txt", "--pace", "--silence",
         "300", "--fault", "no-reply,once,from=5", "--fault", "split"});
    EXPECT_EQ(options.PortNumber, 12);
    EXPECT_EQ(options.ModelCode, "1475");
    EXPECT_EQ(options.ImagePath, "a.bin");
    EXPECT_EQ(options.LogPath, "l.txt");
    EXPECT_TRUE(options.Pacing);
    EXPECT_EQ(options.SilenceMs, 300);
    ASSERT_EQ(options.Faults.size(), 2u);
    EXPECT_EQ(options.Faults[0].Kind, rfNoBlockReply);
    EXPECT_EQ(options.Faults[0].FromBlock, 5);
    const TRadioSimOptions defaults = ParseRadioSimOptions({});
    EXPECT_EQ(defaults.PortNumber, 0);
    EXPECT_EQ(defaults.ModelCode, "2475");
    EXPECT_EQ(defaults.LogPath, "-");
    EXPECT_FALSE(defaults.Pacing);
    EXPECT_EQ(defaults.SilenceMs, 500);

    const std::vector<std::vector<std::string>> bad = {
        {"--port"},         {"--port", "0"},    {"--port", "257"},      {"--port", "3x"},
        {"--model", "247"}, {"--silence", "0"}, {"--fault", "nothing"}, {"--verbose"},
    };
    for (const auto& args : bad) {
        SCOPED_TRACE(args[0] + (args.size() > 1 ? " " + args[1] : ""));
        EXPECT_THROW(ParseRadioSimOptions(args), std::invalid_argument);
    }
}

TEST(RadioCoreTest, TheImageRoundTripsThroughAFile) {
    testsupport::TempDir dir;
    TRadioImage fresh;
    for (unsigned char b : fresh.Bytes)
        ASSERT_EQ(b, 0xFF);

    TRadioImage image;
    for (std::size_t i = 0; i < TRadioImage::Size; ++i)
        image.Bytes[i] = static_cast<unsigned char>(i * 7 + 3);
    const std::string path = dir.File("radio.bin");
    testsupport::WriteFileBytes(path, "an older image");
    image.Save(path);
    const std::string stored = testsupport::ReadFileBytes(path);
    ASSERT_EQ(stored.size(), TRadioImage::Size);
    EXPECT_EQ(stored, std::string(reinterpret_cast<const char*>(image.Bytes.data()), TRadioImage::Size));
    TRadioImage loaded;
    loaded.Load(path);
    EXPECT_EQ(loaded.Bytes, image.Bytes);

    // A file of another size, or none, is refused and changes nothing.
    for (const std::string& bytes :
         {std::string(TRadioImage::Size - 1, 'x'), std::string(TRadioImage::Size + 1, 'x'), std::string()}) {
        testsupport::WriteFileBytes(path, bytes);
        EXPECT_THROW(loaded.Load(path), std::runtime_error) << bytes.size();
        EXPECT_EQ(loaded.Bytes, image.Bytes);
    }
    EXPECT_THROW(loaded.Load(dir.File("missing.bin")), std::runtime_error);
    EXPECT_THROW(image.Save(dir.File("no/such/dir/radio.bin")), std::runtime_error);
}

TEST(RadioCoreTest, TheEntryCodeIsSevenLettersFoundInNoBinary) {
    const std::string code = EntryCode();
    ASSERT_EQ(code.size(), std::size_t(EntryCodeLength));
    for (char c : code)
        EXPECT_TRUE(std::isupper(static_cast<unsigned char>(c))) << c;
    for (const char* binary : {KOV_RADIO_SIM, "/proc/self/exe"}) {
        std::ifstream in(binary, std::ios::binary | std::ios::ate);
        ASSERT_TRUE(in) << binary;
        std::string bytes(std::size_t(in.tellg()), '\0');
        in.seekg(0);
        in.read(bytes.data(), std::streamsize(bytes.size()));
        ASSERT_TRUE(in) << binary;
        EXPECT_GT(bytes.size(), 0u);
        EXPECT_EQ(memmem(bytes.data(), bytes.size(), code.data(), code.size()), nullptr) << binary;
    }
}

} // namespace
