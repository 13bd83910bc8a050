#include "suite/foundation/qzVariants.h"

#include <cstring>
#include <limits>

#include "platform/runtime/Exceptions.h"

namespace {

static_assert(std::numeric_limits<Extended>::digits == 64,
              "Extended is the 80-bit format, stored in 10 bytes");

constexpr Integer ExtendedSize = 10;

// The tags of the tagged encoding.
enum TTag : Byte {
    tagNull = 0,
    tagList = 1,
    tagInt8 = 2,
    tagInt16 = 3,
    tagInt32 = 4,
    tagExtended = 5,
    tagString = 6,
    tagFalse = 8,
    tagTrue = 9,
    tagLString = 12,
    tagEmpty = 13,
    tagSingle = 15,
    tagCurrency = 16,
    tagDate = 17,
    tagWString = 18,
};

// Lists within lists deeper than this are taken for damaged data rather than recursed into.
constexpr int MaxListDepth = 256;

[[noreturn]] void ReadError() { throw EReadError("Stream read error"); }
[[noreturn]] void WriteError() { throw EWriteError("Stream write error"); }

template <class T> void WritePlain(TStream* stream, const T& value) {
    stream->WriteBuffer(&value, Integer(sizeof(T)));
}

template <class T> T ReadPlain(TStream* stream) {
    T value{};
    stream->ReadBuffer(&value, Integer(sizeof(T)));
    return value;
}

void WriteTag(TStream* stream, TTag tag) { WritePlain<Byte>(stream, tag); }

// A length read from the stream must fit in what is left of it, so that damaged data cannot ask
// for an allocation of gigabytes before the read fails.
void CheckAvailable(TStream* stream, Int64 bytes) {
    if (bytes < 0) ReadError();
    const Int64 size = stream->GetSize();
    if (size < 0) return; // a stream that cannot tell: the read itself will fail if short
    if (bytes > size - stream->GetPosition()) ReadError();
}

void WriteTaggedInteger(TStream* stream, Int64 value) {
    if (value >= -128 && value <= 127) {
        WriteTag(stream, tagInt8);
        WritePlain<ShortInt>(stream, ShortInt(value));
    } else if (value >= -32768 && value <= 32767) {
        WriteTag(stream, tagInt16);
        WritePlain<SmallInt>(stream, SmallInt(value));
    } else {
        WriteTag(stream, tagInt32);
        WritePlain<Integer>(stream, Integer(value));
    }
}

void WriteTaggedString(TStream* stream, const String& value) {
    if (value.size() <= 255) {
        WriteTag(stream, tagString);
        WritePlain<Byte>(stream, Byte(value.size()));
    } else {
        WriteTag(stream, tagLString);
        WritePlain<Integer>(stream, Integer(value.size()));
    }
    stream->WriteBuffer(value.data(), Integer(value.size()));
}

String ReadBytes(TStream* stream, Int64 count) {
    CheckAvailable(stream, count);
    String value(std::size_t(count), '\0');
    stream->ReadBuffer(value.data(), Integer(count));
    return value;
}

WideString ReadUnits(TStream* stream, Int64 count) {
    CheckAvailable(stream, count * 2);
    WideString value(std::size_t(count), u'\0');
    stream->ReadBuffer(value.data(), Integer(count * 2));
    return value;
}

void WriteVariant(TStream* stream, const Variant& value) {
    if (VarIsArray(value)) {
        if (VarArrayDimCount(value) != 1) WriteError();
        const Integer low = VarArrayLowBound(value, 1);
        const Integer high = VarArrayHighBound(value, 1);
        WriteTag(stream, tagList);
        WriteTaggedInteger(stream, Int64(high) - low + 1);
        for (Integer i = low; i <= high; ++i)
            WriteVariant(stream, VarArrayGet(value, {i}));
        return;
    }
    switch (VarType(value)) {
    case varEmpty:
        WriteTag(stream, tagEmpty);
        return;
    case varNull:
        WriteTag(stream, tagNull);
        return;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
        WriteTaggedInteger(stream, value.AsInteger());
        return;
    case varSingle:
        WriteTag(stream, tagSingle);
        WritePlain<Single>(stream, value.AsSingle());
        return;
    case varDouble:
        WriteTag(stream, tagExtended);
        StreamWriteExtended(stream, Extended(value.AsDouble()));
        return;
    case varCurrency:
        WriteTag(stream, tagCurrency);
        WritePlain<Int64>(stream, value.AsCurrency().Raw());
        return;
    case varDate:
        WriteTag(stream, tagDate);
        WritePlain<double>(stream, value.AsDateTime());
        return;
    case varOleStr: {
        const WideString text = value.AsWideString();
        WriteTag(stream, tagWString);
        WritePlain<Integer>(stream, Integer(text.size()));
        stream->WriteBuffer(text.data(), Integer(text.size() * 2));
        return;
    }
    case varBoolean:
        WriteTag(stream, value.AsBoolean() ? tagTrue : tagFalse);
        return;
    case varString:
        WriteTaggedString(stream, value.AsString());
        return;
    default: {
        String text;
        try {
            text = value.AsString();
        } catch (const Exception&) {
            WriteError();
        }
        WriteTaggedString(stream, text);
        return;
    }
    }
}

Variant ReadVariant(TStream* stream, int depth) {
    switch (ReadPlain<Byte>(stream)) {
    case tagNull:
        return Null();
    case tagList: {
        if (depth >= MaxListDepth) ReadError();
        Int64 count;
        switch (ReadPlain<Byte>(stream)) {
        case tagInt8:
            count = ReadPlain<ShortInt>(stream);
            break;
        case tagInt16:
            count = ReadPlain<SmallInt>(stream);
            break;
        case tagInt32:
            count = ReadPlain<Integer>(stream);
            break;
        default:
            ReadError();
        }
        // Every element takes at least its tag byte.
        CheckAvailable(stream, count);
        Variant array = VarArrayCreate({0, Integer(count - 1)}, varVariant);
        for (Integer i = 0; i < Integer(count); ++i)
            VarArrayPut(array, ReadVariant(stream, depth + 1), {i});
        return array;
    }
    case tagInt8:
        return Variant(ReadPlain<ShortInt>(stream));
    case tagInt16:
        return Variant(ReadPlain<SmallInt>(stream));
    case tagInt32:
        return Variant(ReadPlain<Integer>(stream));
    case tagExtended:
        return Variant(double(StreamReadExtended(stream)));
    case tagString:
        return Variant(ReadBytes(stream, ReadPlain<Byte>(stream)));
    case tagFalse:
        return Variant(false);
    case tagTrue:
        return Variant(true);
    case tagLString:
        return Variant(ReadBytes(stream, ReadPlain<Integer>(stream)));
    case tagEmpty:
        return Unassigned();
    case tagSingle:
        return Variant(ReadPlain<Single>(stream));
    case tagCurrency:
        return Variant(Currency::FromRaw(ReadPlain<Int64>(stream)));
    case tagDate:
        return VarFromDateTime(ReadPlain<double>(stream));
    case tagWString:
        return Variant(ReadUnits(stream, ReadPlain<Integer>(stream)));
    default:
        ReadError();
    }
}

} // namespace

// ---- Comparison ---------------------------------------------------------------------------------

Integer CompareVariantValuesOrRaise(const Variant& a, const Variant& b) {
    const bool arrayA = VarIsArray(a);
    const bool arrayB = VarIsArray(b);
    if (arrayA || arrayB) {
        if (!arrayB) return 1;
        if (!arrayA) return -1;
        const Integer highA = VarArrayHighBound(a, 1);
        const Integer highB = VarArrayHighBound(b, 1);
        if (highA != highB) return highA - highB;
        // Element by element from each array's low bound (both 0 in the suite's arrays).
        const Integer lowA = VarArrayLowBound(a, 1);
        const Integer lowB = VarArrayLowBound(b, 1);
        for (Integer k = 0; lowA + k <= highA && lowB + k <= highB; ++k) {
            const Integer result =
                CompareVariantValuesOrRaise(VarArrayGet(a, {lowA + k}), VarArrayGet(b, {lowB + k}));
            if (result != 0) return result;
        }
        return lowB - lowA; // 0 unless one array holds more elements
    }
    if (a == b) return 0;
    if (VarIsNull(a)) return -1;
    if (VarIsNull(b)) return 1;
    return a < b ? -1 : 1;
}

Integer CompareVariantValues(const Variant& a, const Variant& b) {
    try {
        return CompareVariantValuesOrRaise(a, b);
    } catch (const EVariantError&) {
        return -1;
    }
}

bool VariantValuesEqual(const Variant& a, const Variant& b) { return CompareVariantValues(a, b) == 0; }

bool VariantValuesEqualBoolAsText(const Variant& a, const Variant& b) {
    if (VarIsNull(a) || VarIsNull(b) || (VarType(a) != varBoolean && VarType(b) != varBoolean))
        return VariantValuesEqual(a, b);
    try {
        return VarAsType(a, varString).AsString() == VarAsType(b, varString).AsString();
    } catch (const EVariantError&) {
        return false;
    } catch (const EConvertError&) {
        return false;
    }
}

bool IsVariantDate(const Variant& value) {
    return VarType(value) == varDate || VarType(value) == varSQLTimeStamp;
}

bool IsVariantNumeric(const Variant& value) { return VarIsOrdinal(value) || VarIsFloat(value); }

bool IsVariantBlank(const Variant& value) {
    return VarIsNull(value) || (VarIsStr(value) && VarToStr(value).empty());
}

bool IsCurrencyVarType(TVarType varType) { return varType == varCurrency || varType == varFMTBcd; }

Variant MakeVariantArray1(const Variant& a) { return VarArrayOf({a}); }

Variant MakeVariantArray2(const Variant& a, const Variant& b) { return VarArrayOf({a, b}); }

void AppendToVariantArray(Variant& array, const Variant& value) {
    const Integer low = VarArrayLowBound(array, 1);
    const Integer high = VarArrayHighBound(array, 1);
    const Integer count = high - low + 1;
    Variant result = VarArrayCreate({0, count}, varVariant);
    for (Integer k = 0; k < count; ++k)
        VarArrayPut(result, VarArrayGet(array, {low + k}), {k});
    VarArrayPut(result, value, {count});
    array = std::move(result);
}

// ---- Streaming ---------------------------------------------------------------------------------

void StreamWriteVariant(TStream* stream, const Variant& value) { WriteVariant(stream, value); }

Variant StreamReadVariant(TStream* stream) { return ReadVariant(stream, 0); }

void StreamWriteString(TStream* stream, const String& value) {
    WritePlain<Integer>(stream, Integer(value.size()));
    stream->WriteBuffer(value.data(), Integer(value.size()));
}

String StreamReadString(TStream* stream) { return ReadBytes(stream, ReadPlain<Integer>(stream)); }

void StreamWriteWideString(TStream* stream, const WideString& value) {
    WritePlain<Integer>(stream, Integer(value.size()));
    stream->WriteBuffer(value.data(), Integer(value.size() * 2));
}

WideString StreamReadWideString(TStream* stream) { return ReadUnits(stream, ReadPlain<Integer>(stream)); }

void StreamWriteBoolean(TStream* stream, bool value) { WritePlain<Byte>(stream, value ? 1 : 0); }

bool StreamReadBoolean(TStream* stream) { return ReadPlain<Byte>(stream) != 0; }

void StreamWriteExtended(TStream* stream, Extended value) {
    unsigned char bytes[sizeof(Extended)] = {};
    std::memcpy(bytes, &value, sizeof(value));
    stream->WriteBuffer(bytes, ExtendedSize); // the 80-bit value; the rest is padding
}

Extended StreamReadExtended(TStream* stream) {
    unsigned char bytes[sizeof(Extended)] = {};
    stream->ReadBuffer(bytes, ExtendedSize);
    Extended value;
    std::memcpy(&value, bytes, sizeof(value));
    return value;
}

void StreamWriteCurrency(TStream* stream, Currency value) { WritePlain<Int64>(stream, value.Raw()); }

Currency StreamReadCurrency(TStream* stream) { return Currency::FromRaw(ReadPlain<Int64>(stream)); }

void StreamWriteDateTime(TStream* stream, TDateTime value) { WritePlain<double>(stream, value); }

TDateTime StreamReadDateTime(TStream* stream) { return ReadPlain<double>(stream); }

void StreamWriteInteger(TStream* stream, Integer value) { WritePlain<Integer>(stream, value); }

Integer StreamReadInteger(TStream* stream) { return ReadPlain<Integer>(stream); }

void StreamWriteLargeInt(TStream* stream, Int64 value) { WritePlain<Int64>(stream, value); }

Int64 StreamReadLargeInt(TStream* stream) { return ReadPlain<Int64>(stream); }

void StreamWriteByte(TStream* stream, Byte value) { WritePlain<Byte>(stream, value); }

Byte StreamReadByte(TStream* stream) { return ReadPlain<Byte>(stream); }

void StreamWriteSmallInt(TStream* stream, SmallInt value) { WritePlain<SmallInt>(stream, value); }

SmallInt StreamReadSmallInt(TStream* stream) { return ReadPlain<SmallInt>(stream); }

void StreamWriteWord(TStream* stream, Word value) { StreamWriteSmallInt(stream, SmallInt(value)); }

Word StreamReadWord(TStream* stream) { return Word(StreamReadSmallInt(stream)); }
