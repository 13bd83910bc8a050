#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "app/AllClass.h"
#include "app/MeMode.h"
#include "app/WriteRead.h"
#include "platform/runtime/Exceptions.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::CommaSettings;
using testsupport::DotSettings;
using testsupport::ScopedFormatSettings;

TRecord16 Bytes(std::initializer_list<int> bytes) {
    TRecord16 record;
    record.fill(0xFF);
    std::size_t i = 0;
    for (int b : bytes)
        record.at(i++) = static_cast<Byte>(b);
    return record;
}

String Hex(const TRecord16& record) {
    static const char digits[] = "0123456789ABCDEF";
    String text;
    for (Byte b : record) {
        if (!text.empty()) text += ' ';
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

// A record with guard bytes behind it, to see that nothing is written past its end.
struct GuardedRecord {
    TRecord16 Record;
    std::array<Byte, 16> Guard;
    GuardedRecord() {
        Record.fill(0x5A);
        Guard.fill(0xA5);
    }
    bool GuardIntact() const {
        for (Byte b : Guard)
            if (b != 0xA5) return false;
        return true;
    }
};

// A channel table held in memory, by (column, row).
class FakeCells : public IChannelCells {
public:
    String GetForeText(Integer col, Integer row) const override { return Lookup(FFore, col, row); }
    String GetBackText(Integer col, Integer row) const override { return Lookup(FBack, col, row); }
    void SetForeText(Integer col, Integer row, const String& text) override { FFore[{col, row}] = text; }
    void SetBackText(Integer col, Integer row, const String& text) override { FBack[{col, row}] = text; }
    std::size_t CellsWritten() const { return FFore.size() + FBack.size(); }

private:
    using TCells = std::map<std::pair<Integer, Integer>, String>;
    static String Lookup(const TCells& cells, Integer col, Integer row) {
        auto it = cells.find({col, row});
        return it == cells.end() ? String() : it->second;
    }
    TCells FFore, FBack;
};

// Every codec test runs with the shared data model in place, under a "." and a "," locale.
class CodecTest : public ::testing::TestWithParam<bool> {
protected:
    CodecTest() : FSettings(GetParam() ? CommaSettings() : DotSettings()) {}
    void SetUp() override {
        ModelList = std::make_unique<TMacList>();
        AppState = std::make_unique<TALL>();
        FunctionSettings = std::make_unique<TFun>();
        MessageLines = std::make_unique<TEnMsg>();
        BandList = std::make_unique<TFrqList>();
        FillBandCodeTable(*BandList);
        BuildModelTable();
    }
    void TearDown() override {
        BandList.reset();
        MessageLines.reset();
        FunctionSettings.reset();
        AppState.reset();
        ModelList.reset();
    }

    TBWriteRead Codec;

private:
    ScopedFormatSettings FSettings;
};

INSTANTIATE_TEST_SUITE_P(Locales, CodecTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Comma" : "Dot"; });

struct Channel {
    Integer BusyLockout = -1, ScanAdd = -1, TxPower = -1, BeatShift = -1, WideNarrow = -1;
    String EncodeTone = "unset", DecodeTone = "unset";
    double Tx = -2, Rx = -2;
};

bool Decode(const TBWriteRead& codec, const TRecord16& record, Channel& c) {
    return codec.DecodeChannel(record, c.BusyLockout, c.ScanAdd, c.TxPower, c.BeatShift, c.WideNarrow,
                               c.EncodeTone, c.DecodeTone, c.Tx, c.Rx);
}

TEST_P(CodecTest, ChannelRecordEncodesAndDecodes) {
    // TX Power High, W/N Wide, Scan Add Yes, Beat Shift No, Busy Lockout No.
    GuardedRecord g;
    EXPECT_TRUE(Codec.EncodeChannel(g.Record, 1, 0, 1, 1, 0, "D023N", "67.0", -1, 450.0125));
    EXPECT_EQ(Hex(g.Record), "50 12 00 45 FF FF FF FF 70 06 23 80 0B FF FF FF");
    EXPECT_TRUE(g.GuardIntact());

    Channel c;
    ASSERT_TRUE(Decode(Codec, g.Record, c));
    EXPECT_EQ(c.Rx, 450.0125);
    EXPECT_EQ(c.Tx, -1);
    EXPECT_EQ(c.DecodeTone, "67.0");
    EXPECT_EQ(c.EncodeTone, "D023N");
    EXPECT_EQ(c.TxPower, 1);
    EXPECT_EQ(c.WideNarrow, 0);
    EXPECT_EQ(c.ScanAdd, 0);
    EXPECT_EQ(c.BeatShift, 1);
    EXPECT_EQ(c.BusyLockout, 1);
}

TEST_P(CodecTest, EachFlagHasItsBit) {
    struct Case {
        Integer Busy, Scan, Power, Beat, Wide, Byte12;
    };
    const std::vector<Case> cases = {
        {1, 0, 0, 0, 0, 0x01}, {0, 0, 0, 1, 0, 0x02}, {0, 0, 0, 0, 1, 0x04},
        {0, 0, 1, 0, 0, 0x08}, {0, 1, 0, 0, 0, 0x10}, {1, 1, 1, 1, 1, 0x1F},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Byte12);
        TRecord16 record;
        Codec.EncodeChannel(record, k.Busy, k.Scan, k.Power, k.Beat, k.Wide, "", "", 150.0, 150.0);
        EXPECT_EQ(record[12], k.Byte12);
        Channel c;
        ASSERT_TRUE(Decode(Codec, record, c));
        EXPECT_EQ(c.BusyLockout, k.Busy);
        EXPECT_EQ(c.ScanAdd, k.Scan);
        EXPECT_EQ(c.TxPower, k.Power);
        EXPECT_EQ(c.BeatShift, k.Beat);
        EXPECT_EQ(c.WideNarrow, k.Wide);
        EXPECT_EQ(c.EncodeTone, "");
        EXPECT_EQ(c.DecodeTone, "");
    }
}

TEST_P(CodecTest, FrequenciesRoundTripThroughTheirTexts) {
    const std::vector<String> texts = {"450.01250", "450.00625", "479.99375", "136.00000", "67.00000",
                                       "649.99375", "0.00000",   "174.00500", "999.99999", "300.00001"};
    for (const String& text : texts) {
        SCOPED_TRACE(text);
        const double mhz = static_cast<double>(ChannelTextToFloat(text));
        TRecord16 record;
        Codec.EncodeChannel(record, 0, 0, 0, 0, 0, "", "", mhz, mhz);
        EXPECT_EQ(Hex(record).substr(0, 11), Hex(record).substr(12, 11));
        Channel c;
        ASSERT_TRUE(Decode(Codec, record, c));
        EXPECT_EQ(FloatToChannelText("0.00000", c.Rx), text);
        EXPECT_EQ(FloatToChannelText("0.00000", c.Tx), text);
    }
}

TEST_P(CodecTest, FrequencyDigitsAreRoundedAndOnlyEightKept) {
    TRecord16 record;
    // Rounded to the nearest 10 Hz, not cut off.
    Codec.EncodeChannel(record, 0, 0, 0, 0, 0, "", "", -1, 450.0124996);
    EXPECT_EQ(Hex(record).substr(0, 11), "50 12 00 45");
    Codec.EncodeChannel(record, 0, 0, 0, 0, 0, "", "", -1, 450.0125004);
    EXPECT_EQ(Hex(record).substr(0, 11), "50 12 00 45");
    // 1000 MHz and above have nine digits; the first eight are stored.
    Codec.EncodeChannel(record, 0, 0, 0, 0, 0, "", "", -1, 1234.56789);
    EXPECT_EQ(Hex(record).substr(0, 11), "78 56 34 12");
}

TEST_P(CodecTest, ToneCodes) {
    struct Case {
        String Tone;
        String Bytes;
        String DecodedAs;
    };
    const std::vector<Case> cases = {
        {"67.0", "70 06", "67.0"},   {"250.3", "03 25", "250.3"}, {"D023N", "23 80", "D023N"},
        {"D023n", "23 80", "D023N"}, {"D754I", "54 C7", "D754I"}, {"D754i", "54 C7", "D754I"},
        {"", "FF FF", ""},           {"30", "00 03", "30.0"},     {"100.06", "01 10", "100.1"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Tone);
        TRecord16 record;
        Codec.EncodeChannel(record, 0, 0, 0, 0, 0, k.Tone, k.Tone, -1, 450.0);
        EXPECT_EQ(Hex(record).substr(24, 5), k.Bytes); // decode tone, bytes 8-9
        EXPECT_EQ(Hex(record).substr(30, 5), k.Bytes); // encode tone, bytes 10-11
        Channel c;
        ASSERT_TRUE(Decode(Codec, record, c));
        EXPECT_EQ(c.DecodeTone, k.DecodedAs);
        EXPECT_EQ(c.EncodeTone, k.DecodedAs);
    }
}

TEST_P(CodecTest, UndecodableTonesAreNoTone) {
    struct Case {
        Byte First, Second;
        String Tone;
    };
    const std::vector<Case> cases = {
        {0x70, 0xA6, ""},      // A670: a letter, neither 8 nor C in front
        {0x23, 0x8A, "DA23N"}, // 8A23: the octal digits are not checked
        {0x45, 0xC1, "D145I"}, {0xFF, 0x12, ""}, {0x12, 0xFF, ""}, {0x99, 0x99, "999.9"}, {0x00, 0x00, "0.0"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Tone);
        const TRecord16 record = Bytes(
            {0x00, 0x00, 0x50, 0x04, 0xFF, 0xFF, 0xFF, 0xFF, k.First, k.Second, k.First, k.Second, 0x00});
        Channel c;
        ASSERT_TRUE(Decode(Codec, record, c));
        EXPECT_EQ(c.DecodeTone, k.Tone);
        EXPECT_EQ(c.EncodeTone, k.Tone);
    }
}

TEST_P(CodecTest, EmptyAndOddFrequencies) {
    Channel c;
    ASSERT_TRUE(Decode(Codec, Bytes({0x00, 0x00, 0x00, 0x00}), c));
    EXPECT_EQ(c.Rx, 0.0);
    EXPECT_EQ(c.Tx, -1);

    Channel untouched;
    EXPECT_FALSE(Decode(Codec, Bytes({0x00, 0x00, 0x00, 0x0A}), untouched));
    EXPECT_FALSE(Decode(Codec, Bytes({}), untouched));
    EXPECT_EQ(untouched.Rx, -2);
    EXPECT_EQ(untouched.Tx, -2);
    EXPECT_EQ(untouched.DecodeTone, "unset");
    EXPECT_EQ(untouched.BusyLockout, -1);

    // A TX frequency with a non-decimal nibble is no TX frequency.
    Channel noTx;
    ASSERT_TRUE(Decode(Codec, Bytes({0x50, 0x12, 0x00, 0x45, 0x50, 0x12, 0x0B, 0x45}), noTx));
    EXPECT_EQ(noTx.Rx, 450.0125);
    EXPECT_EQ(noTx.Tx, -1);
}

TEST_P(CodecTest, BadTonesAndFrequenciesRaiseWithoutWritingPastTheRecord) {
    struct Case {
        String Tone;
        double Rx;
        String Message;
    };
    const std::vector<Case> cases = {
        {"6x", 450.0, "'6x' is not a valid floating point value"},
        {"67,0", 450.0, "'67,0' is not a valid floating point value"},
        {"D0", 450.0, "'' is not a valid integer value"},
        {"D", 450.0, "'' is not a valid integer value"},
        {"D023X", 450.0, "'X0' is not a valid integer value"},
        {"67.0", -5.0, "'-0' is not a valid integer value"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Tone);
        GuardedRecord g;
        try {
            Codec.EncodeChannel(g.Record, 0, 0, 0, 0, 0, "", k.Tone, -1, k.Rx);
            ADD_FAILURE() << "no error";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, k.Message);
        }
        EXPECT_TRUE(g.GuardIntact());
    }
}

TEST_P(CodecTest, TextRecords) {
    GuardedRecord g;
    Codec.EncodeText(g.Record, "HELLO");
    EXPECT_EQ(Hex(g.Record), "48 45 4C 4C 4F FF FF FF FF FF FF FF FF FF FF FF");
    EXPECT_EQ(Codec.DecodeText(g.Record), "HELLO");

    EXPECT_EQ(Codec.DecodeText(Bytes({0x41, 0xFF, 0x42})), "AB");
    EXPECT_EQ(Codec.DecodeText(Bytes({0x00, 0x41})), String("\0A", 2));
    EXPECT_EQ(Codec.DecodeText(Bytes({})), "");

    // More than 16 bytes: the record takes the first 16.
    Codec.EncodeText(g.Record, "0123456789ABCDEFGHIJ");
    EXPECT_EQ(Codec.DecodeText(g.Record), "0123456789ABCDEF");
    EXPECT_TRUE(g.GuardIntact());

    // Bytes of any value travel unchanged (a GBK message line).
    const String gbk = "\xC4\xE3\xBA\xC3";
    Codec.EncodeText(g.Record, gbk);
    EXPECT_EQ(Codec.DecodeText(g.Record), gbk);
}

TEST_P(CodecTest, Bitmaps) {
    GuardedRecord g;
    Codec.EncodeBitmap(g.Record, "1000000001");
    EXPECT_EQ(Hex(g.Record), "01 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00");

    Codec.EncodeBitmap(g.Record, "");
    EXPECT_EQ(Hex(g.Record), "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");

    Codec.EncodeBitmap(g.Record, "0000000111110000");
    EXPECT_EQ(Hex(g.Record).substr(0, 5), "80 0F");

    // 130 flags: 128 fit, the rest are dropped.
    Codec.EncodeBitmap(g.Record, String(130, '1'));
    EXPECT_EQ(Hex(g.Record), "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF");
    EXPECT_TRUE(g.GuardIntact());
}

TEST_P(CodecTest, ModelRecord) {
    AppState->ModelCode = "2475";
    GuardedRecord g;
    Codec.EncodeModelRecord(g.Record, BandList->BandCodeOf("450 - 470MHz"));
    EXPECT_EQ(Hex(g.Record), "00 00 F4 35 37 34 32 50 FF FF FF FF FF FF FF FF");

    AppState->ModelCode.clear();
    Integer band = 0;
    EXPECT_EQ(Codec.DecodeModelRecord(g.Record, band), 244);
    EXPECT_EQ(band, 244);
    EXPECT_EQ(AppState->ModelCode, "2475");

    // A short code is padded with blanks, which decoding trims; a long one keeps four.
    AppState->ModelCode = "247";
    Codec.EncodeModelRecord(g.Record, 253);
    EXPECT_EQ(Hex(g.Record).substr(0, 23), "00 00 FD 20 37 34 32 50");
    Codec.DecodeModelRecord(g.Record, band);
    EXPECT_EQ(AppState->ModelCode, "247");
    EXPECT_EQ(band, 253);

    AppState->ModelCode = "247512";
    Codec.EncodeModelRecord(g.Record, 244);
    Codec.DecodeModelRecord(g.Record, band);
    EXPECT_EQ(AppState->ModelCode, "2475");
    EXPECT_TRUE(g.GuardIntact());
}

TEST_P(CodecTest, SettingsRecords) {
    TFun& f = *FunctionSettings;
    f.BatterySave = 1;
    f.BeepTone = 0;
    f.Squelch = 9;
    f.SideKey = 3;
    f.TxTimeout = 10;
    TRecord16 a;
    Codec.EncodeSettingsA(a);
    EXPECT_EQ(Hex(a), "02 09 03 0A FF FF FF FF FF FF FF FF FF FF FF FF");

    f.Voice = 1;
    f.VoiceLanguage = 0;
    f.Scan = 1;
    f.VoxFunction = 0;
    f.VoxLevel = 3;
    f.VoxInhibitOnReceive = 1;
    f.LowVolInhibitTx = 0;
    f.HighVolInhibitTx = 1;
    f.InceptAlarm = 1;
    f.Fm = 0;
    TRecord16 b;
    Codec.EncodeSettingsB(b);
    EXPECT_EQ(Hex(b), "01 00 01 00 03 01 00 01 01 00 FF FF FF FF FF FF");

    // Decoding takes the bytes as they are; the range check is the caller's.
    f.ResetFunctionSettings();
    Codec.DecodeSettingsA(Bytes({0x03, 200, 9, 11}));
    EXPECT_EQ(f.BatterySave, 1);
    EXPECT_EQ(f.BeepTone, 1);
    EXPECT_EQ(f.Squelch, 200);
    EXPECT_EQ(f.SideKey, 9);
    EXPECT_EQ(f.TxTimeout, 11);

    Codec.DecodeSettingsB(Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(f.Voice, 1);
    EXPECT_EQ(f.VoiceLanguage, 2);
    EXPECT_EQ(f.Scan, 3);
    EXPECT_EQ(f.VoxFunction, 4);
    EXPECT_EQ(f.VoxLevel, 5);
    EXPECT_EQ(f.VoxInhibitOnReceive, 6);
    EXPECT_EQ(f.LowVolInhibitTx, 7);
    EXPECT_EQ(f.HighVolInhibitTx, 8);
    EXPECT_EQ(f.InceptAlarm, 9);
    EXPECT_EQ(f.Fm, 10);

    // Values are stored as their low byte.
    f.Squelch = 0x105;
    f.BatterySave = 0x81;
    f.BeepTone = 1;
    Codec.EncodeSettingsA(a);
    EXPECT_EQ(Hex(a).substr(0, 5), "03 05");
}

TEST_P(CodecTest, Header) {
    GuardedRecord g;
    Codec.EncodeHeader(g.Record, "2026-12-08 23:54", "450470", "P2475");
    EXPECT_EQ(Hex(g.Record), "50 32 34 37 35 45 04 70 EA 07 0C 08 17 36 FF FF");
    EXPECT_TRUE(g.GuardIntact());

    String date, edges, model;
    EXPECT_TRUE(Codec.DecodeHeader(g.Record, date, edges, model));
    EXPECT_EQ(date, "2026-12-08 23:54");
    EXPECT_EQ(edges, "450470");
    EXPECT_EQ(model, "P2475");

    Codec.EncodeHeader(g.Record, "2001-01-02 03:04", "027072", "P12");
    EXPECT_EQ(Hex(g.Record), "50 31 32 20 20 02 70 72 D1 07 01 02 03 04 FF FF");
    Codec.DecodeHeader(g.Record, date, edges, model);
    EXPECT_EQ(date, "2001-01-02 03:04");
    EXPECT_EQ(edges, "027072");
    EXPECT_EQ(model, "P12  ");

    // Band edges that are not digit pairs, or too short, raise instead of being read past.
    EXPECT_THROW(Codec.EncodeHeader(g.Record, "2026-12-08 23:54", "4504", "P2475"), EConvertError);
    EXPECT_THROW(Codec.EncodeHeader(g.Record, "2026-12-08 23:54", "45G470", "P2475"), EConvertError);
    EXPECT_TRUE(g.GuardIntact());
}

TEST_P(CodecTest, BlankAndBlockZero) {
    GuardedRecord g;
    EXPECT_TRUE(Codec.FillBlank(g.Record));
    EXPECT_EQ(Hex(g.Record), "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF");
    EXPECT_TRUE(g.GuardIntact());
    EXPECT_TRUE(Codec.DecodeBlockZero(Bytes({1, 2, 3})));
}

TEST(CodecConversionsTest, HexHelpers) {
    EXPECT_EQ(TBWriteRead::HexToInt("45"), 0x45);
    EXPECT_EQ(TBWriteRead::HexToInt("ff"), 255);
    EXPECT_EQ(TBWriteRead::HexToInt("7FFFFFFF"), 0x7FFFFFFF);
    EXPECT_EQ(TBWriteRead::HexPairToByte("45"), 0x45);
    EXPECT_EQ(TBWriteRead::HexPairToByte("C7"), 0xC7);
    EXPECT_EQ(TBWriteRead::HexPairToByte("0A"), 0x0A);

    const std::vector<String> badPairs = {"", "4", "G1", " 1", "-1", "1 "};
    for (const String& text : badPairs) {
        SCOPED_TRACE(text);
        try {
            TBWriteRead::HexPairToByte(text);
            ADD_FAILURE() << "no error";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, "'" + text + "' is not a valid integer value");
        }
    }
    EXPECT_THROW(TBWriteRead::HexToInt(""), EConvertError);
    EXPECT_THROW(TBWriteRead::HexToInt("$45"), EConvertError);
    EXPECT_THROW(TBWriteRead::HexToInt("123456789"), EConvertError);

    EXPECT_TRUE(TBWriteRead::ContainsAnyChar("ABCDEF", "0A000000"));
    EXPECT_FALSE(TBWriteRead::ContainsAnyChar("ABCDEF", "45001250"));
    EXPECT_FALSE(TBWriteRead::ContainsAnyChar("", "ABC"));
    EXPECT_FALSE(TBWriteRead::ContainsAnyChar("ABCDEF", ""));
}

TEST_P(CodecTest, ChannelRowsEncodeWithTheirFlags) {
    FakeCells cells;
    // Row 2 (channel 1): in use, no TX, tones "None" and D023N, Scan Add No.
    cells.SetForeText(ccRx, 2, " 450.01250 ");
    cells.SetForeText(ccDecodeTone, 2, "None");
    cells.SetForeText(ccEncodeTone, 2, "D023N");
    for (auto [col, back] : std::vector<std::pair<Integer, const char*>>{{ccTxPower, "1"},
                                                                         {ccWideNarrow, "0"},
                                                                         {ccScanAdd, "1"},
                                                                         {ccBeatShift, "1"},
                                                                         {ccBusyLockout, "0"}})
        cells.SetBackText(col, 2, back);
    // Row 3 (channel 2) is empty; row 4 (channel 3) in use with Scan Add Yes.
    cells.SetForeText(ccRx, 4, "136.00625");
    cells.SetForeText(ccTx, 4, "136.50000");
    cells.SetForeText(ccDecodeTone, 4, "67.0");
    cells.SetForeText(ccEncodeTone, 4, "None");
    for (Integer col = ccTxPower; col <= ccBusyLockout; ++col)
        cells.SetBackText(col, 4, "0");

    AppState->UsedBits.clear();
    AppState->ScanBits.clear();
    TRecord16 record;
    Codec.EncodeChannelRow(record, cells, 2, "None");
    EXPECT_EQ(Hex(record), "50 12 00 45 FF FF FF FF FF FF 23 80 1A FF FF FF");
    Codec.EncodeChannelRow(record, cells, 3, "None");
    EXPECT_EQ(Hex(record), "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF");
    Codec.EncodeChannelRow(record, cells, 4, "None");
    EXPECT_EQ(Hex(record), "25 06 60 13 00 00 65 13 70 06 FF FF 00 FF FF FF");
    EXPECT_EQ(AppState->UsedBits, "101");
    EXPECT_EQ(AppState->ScanBits, "100");

    // A translated no-tone text is the no-tone text.
    cells.SetForeText(ccDecodeTone, 2, "\xE6\x97\xA0");
    Codec.EncodeChannelRow(record, cells, 2, "\xE6\x97\xA0");
    EXPECT_EQ(Hex(record).substr(24, 5), "FF FF");

    // A frequency text that is not a number raises.
    cells.SetForeText(ccRx, 4, "abc");
    EXPECT_THROW(Codec.EncodeChannelRow(record, cells, 4, "None"), EConvertError);
}

TEST_P(CodecTest, ChannelRowsDecodeIntoPlainTexts) {
    FakeCells cells;
    TRecord16 record;
    Codec.EncodeChannel(record, 1, 0, 1, 1, 0, "D023N", "67.0", -1, 450.0125);
    EXPECT_TRUE(Codec.DecodeChannelRow(record, cells, 6));
    EXPECT_EQ(cells.GetForeText(ccRx, 6), "450.01250");
    EXPECT_EQ(cells.GetForeText(ccTx, 6), "");
    EXPECT_EQ(cells.GetForeText(ccDecodeTone, 6), "67.0");
    EXPECT_EQ(cells.GetForeText(ccEncodeTone, 6), "D023N");
    EXPECT_EQ(cells.GetBackText(ccTxPower, 6), "1");
    EXPECT_EQ(cells.GetBackText(ccWideNarrow, 6), "0");
    EXPECT_EQ(cells.GetBackText(ccScanAdd, 6), "0");
    EXPECT_EQ(cells.GetBackText(ccBeatShift, 6), "1");
    EXPECT_EQ(cells.GetBackText(ccBusyLockout, 6), "1");
    EXPECT_EQ(cells.GetBackText(ccInUse, 6), "");

    Codec.EncodeChannel(record, 0, 0, 0, 0, 0, "", "", 479.99375, 470.5);
    EXPECT_TRUE(Codec.DecodeChannelRow(record, cells, 7));
    EXPECT_EQ(cells.GetForeText(ccRx, 7), "470.50000");
    EXPECT_EQ(cells.GetForeText(ccTx, 7), "479.99375");
    EXPECT_EQ(cells.GetForeText(ccEncodeTone, 7), "");

    const std::size_t written = cells.CellsWritten();
    Codec.FillBlank(record);
    EXPECT_FALSE(Codec.DecodeChannelRow(record, cells, 8));
    EXPECT_EQ(cells.CellsWritten(), written);
}

} // namespace
