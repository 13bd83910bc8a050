// One ordering of variant values for the suite (sorting, searching, filtering, change detection)
// and a compact tagged encoding of variants and plain values on streams.
//
// The tagged encoding: one tag byte, then the payload, numbers little-endian. The tags are the
// value kinds of the component streams: 0 null, 1 list (a tagged integer count n, then n tagged
// values; read back as an array [0..n-1] of variants), 2/3/4 8/16/32-bit integer (read back as
// ShortInt, SmallInt, Integer), 5 10-byte extended (read back as Double), 6 string with a 1-byte
// length, 8 false, 9 true, 12 string with a 4-byte length, 13 empty, 15 single, 16 currency (the
// value times 10,000 in 8 bytes), 17 date-time (8-byte double), 18 wide string (4-byte count of
// UTF-16 units, 2 bytes each). Any other tag is invalid.
#pragma once

#include "platform/runtime/Currency.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Variant.h"

// ---- Comparison ---------------------------------------------------------------------------------

// Negative, 0 or positive. Null sorts before every other value and equals Null. An array sorts
// after a non-array; two arrays differing in their first dimension's high bound give the
// difference of the high bounds, otherwise the first unequal pair of elements decides. Values
// the variant rules cannot compare (a non-numeric string against a number) give -1.
Integer CompareVariantValues(const Variant& a, const Variant& b);
// The same ordering, except that a pair the variant rules cannot compare raises the variant
// error (EVariantError).
Integer CompareVariantValuesOrRaise(const Variant& a, const Variant& b);
bool VariantValuesEqual(const Variant& a, const Variant& b);
// With a Boolean on either side and no Null, both values are compared as their texts ("True",
// "False"); a value without a text is unequal. Otherwise VariantValuesEqual.
bool VariantValuesEqualBoolAsText(const Variant& a, const Variant& b);

// Date or SQL time stamp.
bool IsVariantDate(const Variant& value);
// An ordinal (integers, Boolean) or float (Single, Double, Currency, FMTBcd) type.
bool IsVariantNumeric(const Variant& value);
// Null, or a string type holding "".
bool IsVariantBlank(const Variant& value);
// Currency or FMTBcd.
bool IsCurrencyVarType(TVarType varType);

// Arrays [0..0] and [0..1] of variants (the operands of a between-condition).
Variant MakeVariantArray1(const Variant& a);
Variant MakeVariantArray2(const Variant& a, const Variant& b);
// array becomes [0..count] with its old elements and value last. Raises the variant array
// errors for a variant that holds no one-dimensional array.
void AppendToVariantArray(Variant& array, const Variant& value);

// ---- Streaming ---------------------------------------------------------------------------------

// Tagged. Types without a tag of their own (Word, LongWord, Int64, FMTBcd, ...) are written as
// their text. A multi-dimensional array or a value without a text raises EWriteError "Stream
// write error" (the tag may already be written).
void StreamWriteVariant(TStream* stream, const Variant& value);
// An invalid tag, a list count that is not a non-negative integer, or a length the stream
// cannot hold raises EReadError "Stream read error"; a short stream raises the stream's read
// error.
Variant StreamReadVariant(TStream* stream);

// Plain encodings: string = 4-byte length + bytes; wide string = 4-byte count + 2 bytes a
// unit; Boolean = 1 byte; extended = 10 bytes; currency = 8 bytes; date-time = 8-byte double;
// integer = 4 bytes; large integer = 8 bytes; byte = 1 byte; small integer and word = 2 bytes.
// Short reads and writes raise EReadError / EWriteError.
void StreamWriteString(TStream* stream, const String& value);
String StreamReadString(TStream* stream);
void StreamWriteWideString(TStream* stream, const WideString& value);
WideString StreamReadWideString(TStream* stream);
void StreamWriteBoolean(TStream* stream, bool value);
bool StreamReadBoolean(TStream* stream);
void StreamWriteExtended(TStream* stream, Extended value);
Extended StreamReadExtended(TStream* stream);
void StreamWriteCurrency(TStream* stream, Currency value);
Currency StreamReadCurrency(TStream* stream);
void StreamWriteDateTime(TStream* stream, TDateTime value);
TDateTime StreamReadDateTime(TStream* stream);
void StreamWriteInteger(TStream* stream, Integer value);
Integer StreamReadInteger(TStream* stream);
void StreamWriteLargeInt(TStream* stream, Int64 value);
Int64 StreamReadLargeInt(TStream* stream);
void StreamWriteByte(TStream* stream, Byte value);
Byte StreamReadByte(TStream* stream);
void StreamWriteSmallInt(TStream* stream, SmallInt value);
SmallInt StreamReadSmallInt(TStream* stream);
void StreamWriteWord(TStream* stream, Word value);
Word StreamReadWord(TStream* stream);
