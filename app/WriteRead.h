// The record codec: conversions between 16-byte records (radio memory and data files alike)
// and the program's values: channel rows, function settings, the model record, message
// texts, channel bitmaps and the data-file header.
#pragma once

#include <array>

#include "platform/runtime/RtlTypes.h"

class TFun;
class TMacType;

// One record of radio memory or of a data file. Bytes a record does not use are 0xFF.
using TRecord16 = std::array<Byte, 16>;

// Columns of the channel table (1-based, as the grid counts them); a channel's row is its
// number + 1, row 1 holds the titles.
enum TChannelColumn : Integer {
    ccInUse = 1, // back text "1" marks a row in use
    ccRx = 2,
    ccTx = 3,
    ccDecodeTone = 4,
    ccEncodeTone = 5,
    ccTxPower = 6, // option columns: the list index in the back text
    ccWideNarrow = 7,
    ccScanAdd = 8,
    ccBeatShift = 9,
    ccBusyLockout = 10,
};

// The cells of a channel table as the codec reads and fills them: fore text (the shown
// value) and back text (list index or mark) by column and row. Writes are plain
// assignments: no checks and no notices. The channel and staging grids provide it.
class IChannelCells {
public:
    virtual ~IChannelCells() = default;
    virtual String GetForeText(Integer col, Integer row) const = 0;
    virtual String GetBackText(Integer col, Integer row) const = 0;
    virtual void SetForeText(Integer col, Integer row, const String& text) = 0;
    virtual void SetBackText(Integer col, Integer row, const String& text) = 0;
};

// Stateless; every transfer and file operation makes its own. Frequencies are MHz, tones are
// the texts the channel table shows ("67.0", "D023N"; empty for none), options are list
// indexes. Every encoder blanks the whole record first and never writes outside it.
class TBWriteRead {
public:
    // ---- Encoders ----
    bool FillBlank(TRecord16& record) const;
    // tx of -1 (or below) means no TX frequency. A CTCSS tone that is not a number raises
    // EConvertError, as does a frequency or DCS text whose digits cannot be stored.
    bool EncodeChannel(TRecord16& record, Integer busyLockout, Integer scanAdd, Integer txPower,
                       Integer beatShift, Integer wideNarrow, const String& encodeTone,
                       const String& decodeTone, double tx, double rx) const;
    // From FunctionSettings.
    bool EncodeSettingsA(TRecord16& record) const;
    bool EncodeSettingsB(TRecord16& record) const;
    // The model code comes from AppState->ModelCode.
    bool EncodeModelRecord(TRecord16& record, Integer bandCode) const;
    // At most 16 bytes of text.
    bool EncodeText(TRecord16& record, const String& text) const;
    // flags: "1"/"0" characters, eight to a byte, first flag in the lowest bit; at most 128
    // are stored.
    bool EncodeBitmap(TRecord16& record, const String& flags) const;
    // dateText "yyyy-MM-dd HH:mm", bandEdges six digits (lower then upper edge), modelText
    // "P" and the model code.
    bool EncodeHeader(TRecord16& record, const String& dateText, const String& bandEdges,
                      const String& modelText) const;

    // ---- Decoders (never fail on arbitrary bytes) ----
    // false for an empty channel (outputs untouched); tx is -1 without a TX frequency.
    bool DecodeChannel(const TRecord16& record, Integer& busyLockout, Integer& scanAdd, Integer& txPower,
                       Integer& beatShift, Integer& wideNarrow, String& encodeTone, String& decodeTone,
                       double& tx, double& rx) const;
    // Into FunctionSettings, unchecked.
    bool DecodeSettingsA(const TRecord16& record) const;
    bool DecodeSettingsB(const TRecord16& record) const;
    // The same into the given settings, so a transfer can keep what it read to itself until
    // it has succeeded.
    bool DecodeSettingsA(const TRecord16& record, TFun& settings) const;
    bool DecodeSettingsB(const TRecord16& record, TFun& settings) const;
    // Sets AppState->ModelCode; the band code goes to bandCode and is returned.
    Integer DecodeModelRecord(const TRecord16& record, Integer& bandCode) const;
    // The same with the model code going to modelCode; AppState stays as it is.
    Integer DecodeModelRecord(const TRecord16& record, String& modelCode, Integer& bandCode) const;
    // The same for a record read with a model already known (the one the radio identified as,
    // the one of a data file's header): a record naming no known model (a blank radio's 0xFF
    // bytes) gives that model's code, so a later write or save carries a code the program knows.
    Integer DecodeModelRecord(const TRecord16& record, const TMacType& known, String& modelCode,
                              Integer& bandCode) const;
    String DecodeText(const TRecord16& record) const;
    bool DecodeHeader(const TRecord16& record, String& dateText, String& bandEdges, String& modelText) const;
    // The radio's record at address 0 is taken without a look.
    bool DecodeBlockZero(const TRecord16& record) const;

    // ---- Channel rows of a channel table ----
    // Encodes channel row `row`: an empty RX text gives a blank record. Appends the row's
    // in-use and Scan Add flags to AppState->UsedBits and ScanBits. A tone cell holding
    // noneText counts as no tone.
    bool EncodeChannelRow(TRecord16& record, const IChannelCells& cells, Integer row,
                          const String& noneText) const;
    // Decodes a record into the plain texts of row `row` (frequencies "0.00000", tones as
    // decoded, option indexes in the back texts); an empty channel leaves the row alone and
    // gives false.
    bool DecodeChannelRow(const TRecord16& record, IChannelCells& cells, Integer row) const;

    // ---- Conversions ----
    // The value of a text of hexadecimal digits (at most 8). Anything else raises
    // EConvertError "'<text>' is not a valid integer value".
    static Integer HexToInt(const String& text);
    // The byte of the first two characters, which must be hexadecimal digits; a shorter text
    // raises EConvertError like HexToInt.
    static Byte HexPairToByte(const String& text);
    // true when any character of chars occurs in text.
    static bool ContainsAnyChar(const String& chars, const String& text);
};
