#include "app/WriteRead.h"

#include <algorithm>

#include "app/AllClass.h"
#include "app/MacType.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"

namespace {

const char* const HexLetters = "ABCDEF";

[[noreturn]] void RaiseNotInteger(const String& text) {
    throw EConvertError("'" + text + "' is not a valid integer value");
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

String HexOf(Byte value) { return IntToHex(static_cast<Integer>(value), 2); }

// Stores the 8 digits of a frequency (10 Hz units) least significant pair first. A value of
// 1000 MHz or more has 9 digits, of which the first 8 are kept.
void EncodeFrequency(TRecord16& record, std::size_t offset, double mhz) {
    const String digits = FloatToChannelText("00000000", static_cast<Extended>(mhz) * 100000);
    record[offset] = TBWriteRead::HexPairToByte(Copy(digits, 7, 2));
    record[offset + 1] = TBWriteRead::HexPairToByte(Copy(digits, 5, 2));
    record[offset + 2] = TBWriteRead::HexPairToByte(Copy(digits, 3, 2));
    record[offset + 3] = TBWriteRead::HexPairToByte(Copy(digits, 1, 2));
}

// The frequency of four bytes, or false when a nibble is not a decimal digit.
bool DecodeFrequency(const TRecord16& record, std::size_t offset, double& mhz) {
    const String digits = HexOf(record[offset + 3]) + HexOf(record[offset + 2]) + HexOf(record[offset + 1]) +
                          HexOf(record[offset]);
    if (TBWriteRead::ContainsAnyChar(HexLetters, digits)) return false;
    Int64 value = 0;
    if (!TryStrToInt64(digits, value)) return false;
    mhz = static_cast<double>(value) / 100000.0;
    return true;
}

void EncodeTone(TRecord16& record, std::size_t offset, const String& tone) {
    if (tone.empty()) return;
    if (tone[0] == 'D') {
        // DCS: "D023N" gives 23 80, "D754I" gives 54 C7.
        String code = tone;
        if (code.size() >= 5) {
            if (code[4] == 'N' || code[4] == 'n')
                code[4] = '8';
            else if (code[4] == 'I' || code[4] == 'i')
                code[4] = 'C';
        }
        record[offset] = TBWriteRead::HexPairToByte(Copy(code, 3, 2));
        record[offset + 1] = TBWriteRead::HexPairToByte(Copy(code, 5, 1) + Copy(code, 2, 1));
        return;
    }
    // CTCSS: the tone in 0.1 Hz, 67.0 gives 70 06.
    const String digits = FloatToChannelText("0000", ChannelTextToFloat(tone) * 10);
    record[offset] = TBWriteRead::HexPairToByte(Copy(digits, 3, 2));
    record[offset + 1] = TBWriteRead::HexPairToByte(Copy(digits, 1, 2));
}

String DecodeTone(const TRecord16& record, std::size_t offset) {
    if (record[offset] == 0xFF && record[offset + 1] == 0xFF) return String();
    const String text = HexOf(record[offset + 1]) + HexOf(record[offset]);
    // The octal digits of a DCS code are not checked: 8A23 reads as DA23N.
    if (text[0] == '8') return "D" + Copy(text, 2, 3) + "N";
    if (text[0] == 'C') return "D" + Copy(text, 2, 3) + "I";
    if (TBWriteRead::ContainsAnyChar(HexLetters, text)) return String(); // undecodable, taken as no tone
    return FloatToChannelText("0.0", static_cast<Extended>(StrToInt(text)) / 10);
}

Byte LowByte(Integer value) { return static_cast<Byte>(static_cast<Cardinal>(value) & 0xFF); }

} // namespace

bool TBWriteRead::FillBlank(TRecord16& record) const {
    record.fill(0xFF);
    return true;
}

bool TBWriteRead::EncodeChannel(TRecord16& record, Integer busyLockout, Integer scanAdd, Integer txPower,
                                Integer beatShift, Integer wideNarrow, const String& encodeTone,
                                const String& decodeTone, double tx, double rx) const {
    FillBlank(record);
    EncodeFrequency(record, 0, rx);
    if (tx > -1) EncodeFrequency(record, 4, tx);
    EncodeTone(record, 8, decodeTone);
    EncodeTone(record, 10, encodeTone);
    const Cardinal flags = (static_cast<Cardinal>(scanAdd) << 4) | (static_cast<Cardinal>(txPower) << 3) |
                           (static_cast<Cardinal>(wideNarrow) << 2) |
                           (static_cast<Cardinal>(beatShift) << 1) | static_cast<Cardinal>(busyLockout);
    record[12] = static_cast<Byte>(flags & 0xFF);
    return true;
}

bool TBWriteRead::EncodeSettingsA(TRecord16& record) const {
    const TFun& settings = *FunctionSettings;
    FillBlank(record);
    record[0] = static_cast<Byte>(
        ((static_cast<Cardinal>(settings.BatterySave) << 1) | static_cast<Cardinal>(settings.BeepTone)) &
        0xFF);
    record[1] = LowByte(settings.Squelch);
    record[2] = LowByte(settings.SideKey);
    record[3] = LowByte(settings.TxTimeout);
    return true;
}

bool TBWriteRead::EncodeSettingsB(TRecord16& record) const {
    const TFun& settings = *FunctionSettings;
    FillBlank(record);
    record[0] = LowByte(settings.Voice);
    record[1] = LowByte(settings.VoiceLanguage);
    record[2] = LowByte(settings.Scan);
    record[3] = LowByte(settings.VoxFunction);
    record[4] = LowByte(settings.VoxLevel);
    record[5] = LowByte(settings.VoxInhibitOnReceive);
    record[6] = LowByte(settings.LowVolInhibitTx);
    record[7] = LowByte(settings.HighVolInhibitTx);
    record[8] = LowByte(settings.InceptAlarm);
    record[9] = LowByte(settings.Fm);
    return true;
}

bool TBWriteRead::EncodeModelRecord(TRecord16& record, Integer bandCode) const {
    FillBlank(record);
    String code = AppState->ModelCode;
    code.resize(4, ' '); // a shorter code is padded with blanks; a longer one has no room
    record[0] = 0x00;
    record[1] = 0x00;
    record[2] = LowByte(bandCode);
    for (std::size_t i = 0; i < 4; ++i)
        record[3 + i] = static_cast<Byte>(code[3 - i]);
    record[7] = 'P';
    return true;
}

bool TBWriteRead::EncodeText(TRecord16& record, const String& text) const {
    FillBlank(record);
    const std::size_t count = std::min(text.size(), record.size());
    for (std::size_t i = 0; i < count; ++i)
        record[i] = static_cast<Byte>(text[i]);
    return true;
}

bool TBWriteRead::EncodeBitmap(TRecord16& record, const String& flags) const {
    record.fill(0x00);
    String rest = flags;
    for (std::size_t index = 0; !rest.empty() && index < record.size(); ++index) {
        const String group = ReverseText(Copy(rest, 1, 8));
        Delete(rest, 1, 8);
        record[index] = LowByte(static_cast<Integer>(StrToInt64(BinaryTextToDecimal(group))));
    }
    return true;
}

bool TBWriteRead::EncodeHeader(TRecord16& record, const String& dateText, const String& bandEdges,
                               const String& modelText) const {
    FillBlank(record);
    const String model = modelText + "        ";
    for (std::size_t i = 0; i < 5; ++i)
        record[i] = static_cast<Byte>(model[i]);
    record[5] = HexPairToByte(Copy(bandEdges, 1, 2));
    record[6] = HexPairToByte(Copy(bandEdges, 3, 2));
    record[7] = HexPairToByte(Copy(bandEdges, 5, 2));
    const Cardinal year = static_cast<Cardinal>(StrToInt(Copy(dateText, 1, 4)));
    record[8] = static_cast<Byte>(year & 0xFF);
    record[9] = static_cast<Byte>((year >> 8) & 0xFF);
    record[10] = LowByte(StrToInt(Copy(dateText, 6, 2)));
    record[11] = LowByte(StrToInt(Copy(dateText, 9, 2)));
    record[12] = LowByte(StrToInt(Copy(dateText, 12, 2)));
    record[13] = LowByte(StrToInt(Copy(dateText, 15, 2)));
    return true;
}

bool TBWriteRead::DecodeChannel(const TRecord16& record, Integer& busyLockout, Integer& scanAdd,
                                Integer& txPower, Integer& beatShift, Integer& wideNarrow, String& encodeTone,
                                String& decodeTone, double& tx, double& rx) const {
    double rxValue = 0;
    if (!DecodeFrequency(record, 0, rxValue)) return false;
    rx = rxValue;
    if (!DecodeFrequency(record, 4, tx)) tx = -1;
    decodeTone = DecodeTone(record, 8);
    encodeTone = DecodeTone(record, 10);
    const Byte flags = record[12];
    busyLockout = flags & 1;
    beatShift = (flags >> 1) & 1;
    wideNarrow = (flags >> 2) & 1;
    txPower = (flags >> 3) & 1;
    scanAdd = (flags >> 4) & 1;
    return true;
}

bool TBWriteRead::DecodeSettingsA(const TRecord16& record) const {
    return DecodeSettingsA(record, *FunctionSettings);
}

bool TBWriteRead::DecodeSettingsB(const TRecord16& record) const {
    return DecodeSettingsB(record, *FunctionSettings);
}

bool TBWriteRead::DecodeSettingsA(const TRecord16& record, TFun& settings) const {
    settings.BatterySave = (record[0] >> 1) & 1;
    settings.BeepTone = record[0] & 1;
    settings.Squelch = record[1];
    settings.SideKey = record[2];
    settings.TxTimeout = record[3];
    return true;
}

bool TBWriteRead::DecodeSettingsB(const TRecord16& record, TFun& settings) const {
    settings.Voice = record[0];
    settings.VoiceLanguage = record[1];
    settings.Scan = record[2];
    settings.VoxFunction = record[3];
    settings.VoxLevel = record[4];
    settings.VoxInhibitOnReceive = record[5];
    settings.LowVolInhibitTx = record[6];
    settings.HighVolInhibitTx = record[7];
    settings.InceptAlarm = record[8];
    settings.Fm = record[9];
    return true;
}

Integer TBWriteRead::DecodeModelRecord(const TRecord16& record, Integer& bandCode) const {
    return DecodeModelRecord(record, AppState->ModelCode, bandCode);
}

Integer TBWriteRead::DecodeModelRecord(const TRecord16& record, String& modelCode, Integer& bandCode) const {
    String code;
    for (std::size_t i = 6; i >= 3; --i)
        code += static_cast<char>(record[i]);
    modelCode = Trim(code);
    bandCode = record[2];
    return bandCode;
}

Integer TBWriteRead::DecodeModelRecord(const TRecord16& record, const TMacType& known, String& modelCode,
                                       Integer& bandCode) const {
    DecodeModelRecord(record, modelCode, bandCode);
    if (!ModelList || !ModelList->FindModelByCode(modelCode)) modelCode = known.Code;
    return bandCode;
}

String TBWriteRead::DecodeText(const TRecord16& record) const {
    String text;
    for (Byte b : record)
        if (b != 0xFF) text += static_cast<char>(b);
    return text;
}

bool TBWriteRead::DecodeHeader(const TRecord16& record, String& dateText, String& bandEdges,
                               String& modelText) const {
    modelText = BytesToText(record.data(), 5);
    bandEdges = HexOf(record[5]) + HexOf(record[6]) + HexOf(record[7]);
    const Integer year = record[9] * 256 + record[8];
    dateText = Format("%d-%.2d-%.2d %.2d:%.2d", {year, record[10], record[11], record[12], record[13]});
    return true;
}

bool TBWriteRead::DecodeBlockZero(const TRecord16& record) const { return true; }

bool TBWriteRead::EncodeChannelRow(TRecord16& record, const IChannelCells& cells, Integer row,
                                   const String& noneText) const {
    const String rxText = Trim(cells.GetForeText(ccRx, row));
    if (rxText.empty()) {
        AppState->UsedBits += "0";
        AppState->ScanBits += "0";
        return FillBlank(record);
    }
    AppState->UsedBits += "1";
    const double rx = static_cast<double>(ChannelTextToFloat(rxText));
    const String txText = Trim(cells.GetForeText(ccTx, row));
    const double tx = txText.empty() ? -1.0 : static_cast<double>(ChannelTextToFloat(txText));
    String decodeTone = cells.GetForeText(ccDecodeTone, row);
    if (decodeTone == noneText) decodeTone.clear();
    String encodeTone = cells.GetForeText(ccEncodeTone, row);
    if (encodeTone == noneText) encodeTone.clear();
    const Integer txPower = StrToInt(cells.GetBackText(ccTxPower, row));
    const Integer wideNarrow = StrToInt(cells.GetBackText(ccWideNarrow, row));
    const Integer scanAdd = StrToInt(cells.GetBackText(ccScanAdd, row));
    const Integer beatShift = StrToInt(cells.GetBackText(ccBeatShift, row));
    const Integer busyLockout = StrToInt(cells.GetBackText(ccBusyLockout, row));
    EncodeChannel(record, busyLockout, scanAdd, txPower, beatShift, wideNarrow, encodeTone, decodeTone, tx,
                  rx);
    AppState->ScanBits += scanAdd == 1 ? "1" : "0";
    return true;
}

bool TBWriteRead::DecodeChannelRow(const TRecord16& record, IChannelCells& cells, Integer row) const {
    Integer busyLockout = 0, scanAdd = 0, txPower = 0, beatShift = 0, wideNarrow = 0;
    String encodeTone, decodeTone;
    double tx = 0, rx = 0;
    if (!DecodeChannel(record, busyLockout, scanAdd, txPower, beatShift, wideNarrow, encodeTone, decodeTone,
                       tx, rx))
        return false;
    cells.SetForeText(ccRx, row, FloatToChannelText("0.00000", rx));
    if (tx != -1) cells.SetForeText(ccTx, row, FloatToChannelText("0.00000", tx));
    cells.SetForeText(ccDecodeTone, row, decodeTone);
    cells.SetForeText(ccEncodeTone, row, encodeTone);
    cells.SetBackText(ccTxPower, row, IntToStr(txPower));
    cells.SetBackText(ccWideNarrow, row, IntToStr(wideNarrow));
    cells.SetBackText(ccScanAdd, row, IntToStr(scanAdd));
    cells.SetBackText(ccBeatShift, row, IntToStr(beatShift));
    cells.SetBackText(ccBusyLockout, row, IntToStr(busyLockout));
    return true;
}

Integer TBWriteRead::HexToInt(const String& text) {
    if (text.empty() || text.size() > 8) RaiseNotInteger(text);
    Cardinal value = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0) RaiseNotInteger(text);
        value = value * 16 + static_cast<Cardinal>(digit);
    }
    return static_cast<Integer>(value);
}

Byte TBWriteRead::HexPairToByte(const String& text) {
    if (text.size() < 2) RaiseNotInteger(text);
    return static_cast<Byte>(HexToInt(text.substr(0, 2)));
}

bool TBWriteRead::ContainsAnyChar(const String& chars, const String& text) {
    return text.find_first_of(chars) != String::npos;
}
