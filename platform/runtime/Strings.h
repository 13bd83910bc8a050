// String functions of the runtime.
//
// A String holds UTF-8. The classic functions (Copy, Pos, Delete, Insert, ...) count bytes and
// use 1-based positions, as the program's units were written with them. The Utf8* helpers work
// on characters a person reads or types: one Unicode code point, one UTF-8 sequence. A byte
// that does not begin a valid sequence (or the longest broken start of one) counts as one
// character and decodes to U+FFFD.
//
// Case-aware ("Ansi") functions use the fixed Unicode case table, never the machine's locale;
// the plain ones (UpperCase, CompareText, ...) touch the ASCII letters only.
#pragma once

#include <concepts>
#include <cstddef>
#include <type_traits>

#include "platform/runtime/RtlTypes.h"

// ---- UTF-8 <-> UTF-16 ------------------------------------------------------------------------

// Invalid UTF-8 becomes U+FFFD; an unpaired surrogate becomes U+FFFD.
WideString StringToWide(const String& s);
String WideToString(const WideString& s);
inline WideString UTF8Decode(const String& s) { return StringToWide(s); }
inline String UTF8Encode(const WideString& s) { return WideToString(s); }

// ---- Code points --------------------------------------------------------------------------
// Byte indices here are 0-based offsets into the String.

// Byte length of the character starting at `index` (1..4); 0 at or past the end.
int Utf8CharLen(const String& s, std::size_t index);
// Start of the next character (the end of the string at most).
std::size_t Utf8Next(const String& s, std::size_t index);
// Start of the character that ends at `index` (0 at the start). `index` must be a character
// start or the end of the string.
std::size_t Utf8Prev(const String& s, std::size_t index);
// The code point at `index`: U+FFFD for an invalid sequence, 0 at or past the end.
char32_t Utf8CodePointAt(const String& s, std::size_t index);
// The number of characters.
Integer Utf8Length(const String& s);
// UTF-8 of one code point; a surrogate or a value above U+10FFFF gives U+FFFD.
String Utf8FromCodePoint(char32_t cp);
// Copy counted in characters, 1-based and clamped like Copy.
String Utf8Copy(const String& s, Integer index, Integer count);

// The simple (1:1) Unicode case mappings of one code point; others map to themselves.
char32_t UnicodeToUpper(char32_t cp);
char32_t UnicodeToLower(char32_t cp);
char32_t UnicodeCaseFold(char32_t cp);

// ---- Integers -----------------------------------------------------------------------------

String IntToStr(Integer value);
String IntToStr(Int64 value);
// Unsigned values print as such.
String IntToStr(Cardinal value);
String IntToStr(UInt64 value);

// Upper-case hexadecimal, at least `digits` digits; a negative value prints as the two's
// complement of its own width (IntToHex(-1, 2) = "FFFFFFFF", IntToHex(Int64(-1), 2) = 16 F's).
String IntToHex(Integer value, Integer digits);
String IntToHex(Int64 value, Integer digits);
String IntToHex(Cardinal value, Integer digits);
String IntToHex(UInt64 value, Integer digits);

// Other integer types (long long, short, size types of other widths) would be ambiguous
// between the overloads above; they go to the one of their signedness and width.
template <std::integral T>
String IntToStr(T value) {
    if constexpr (std::is_signed_v<T>)
        return IntToStr(static_cast<std::conditional_t<sizeof(T) <= 4, Integer, Int64>>(value));
    else
        return IntToStr(static_cast<std::conditional_t<sizeof(T) <= 4, Cardinal, UInt64>>(value));
}
template <std::integral T>
String IntToHex(T value, Integer digits) {
    if constexpr (std::is_signed_v<T>)
        return IntToHex(static_cast<std::conditional_t<sizeof(T) <= 4, Integer, Int64>>(value), digits);
    else
        return IntToHex(static_cast<std::conditional_t<sizeof(T) <= 4, Cardinal, UInt64>>(value), digits);
}

// Leading blanks, an optional sign, then decimal digits or hexadecimal digits after "$",
// "0x", "0X", "x" or "X". Hexadecimal may use the whole width ("$FFFFFFFF" = -1 for Integer).
// Anything else raises EConvertError "'<s>' is not a valid integer value".
Integer StrToInt(const String& s);
Integer StrToIntDef(const String& s, Integer defaultValue);
bool TryStrToInt(const String& s, Integer& value);
Int64 StrToInt64(const String& s);
Int64 StrToInt64Def(const String& s, Int64 defaultValue);
bool TryStrToInt64(const String& s, Int64& value);

// ---- Trimming, ASCII case and ordinal comparison --------------------------------------------

// Remove the bytes <= ' ' (control characters and space) at the ends.
String Trim(const String& s);
String TrimLeft(const String& s);
String TrimRight(const String& s);

// ASCII letters only; every other byte stays.
String UpperCase(const String& s);
String LowerCase(const String& s);

// Results are < 0, 0 or > 0. CompareStr compares bytes; CompareText first folds the ASCII
// letters to upper case.
int CompareStr(const String& a, const String& b);
bool SameStr(const String& a, const String& b);
int CompareText(const String& a, const String& b);
bool SameText(const String& a, const String& b);

// ---- Unicode case (fixed table) -----------------------------------------------------------

String AnsiUpperCase(const String& s);
String AnsiLowerCase(const String& s);
// Compares the case-folded code points.
int AnsiCompareText(const String& a, const String& b);
bool AnsiSameText(const String& a, const String& b);
// Case-insensitive first; texts that differ only in case order lower-case before upper-case,
// then by code point. 0 only for identical strings.
int AnsiCompareStr(const String& a, const String& b);
bool AnsiSameStr(const String& a, const String& b);
// 1-based byte position of the first occurrence of `sub` in `s`, 0 when absent or empty.
Integer AnsiPos(const String& sub, const String& s);

// ---- Quoting ------------------------------------------------------------------------------

// 'text' with every inner quote doubled.
String QuotedStr(const String& s);
String AnsiQuotedStr(const String& s, char quote);
// When `p` points at `quote`: returns the quoted text with doubled quotes undoubled and leaves
// `p` after the closing quote (at the terminating NUL when there is none). Otherwise returns
// "" and leaves `p` alone.
String AnsiExtractQuotedStr(const char*& p, char quote);
// The text inside the quotes when `s` begins with a quoted string (anything after the closing
// quote is dropped); `s` itself when it does not begin with the quote, or when the quote is
// left open and `s` does not end with a quote.
String AnsiDequotedStr(const String& s, char quote);

// ---- Searching and editing (1-based byte positions) -----------------------------------------

enum TReplaceFlag : unsigned { rfReplaceAll = 1u << 0, rfIgnoreCase = 1u << 1 };

class TReplaceFlags {
public:
    constexpr TReplaceFlags() = default;
    constexpr TReplaceFlags(TReplaceFlag flag) : FBits(flag) {}
    constexpr bool Contains(TReplaceFlag flag) const { return (FBits & flag) != 0; }
    friend constexpr TReplaceFlags operator|(TReplaceFlags a, TReplaceFlags b) {
        return FromBits(a.FBits | b.FBits);
    }
    constexpr bool operator==(const TReplaceFlags&) const = default;

private:
    static constexpr TReplaceFlags FromBits(unsigned bits) {
        TReplaceFlags flags;
        flags.FBits = bits;
        return flags;
    }
    unsigned FBits = 0;
};

constexpr TReplaceFlags operator|(TReplaceFlag a, TReplaceFlag b) {
    return TReplaceFlags(a) | TReplaceFlags(b);
}

// Replaces the first (or with rfReplaceAll every) occurrence of `oldPattern`; with rfIgnoreCase
// the match is case-insensitive on the Unicode case table. An empty pattern replaces nothing.
String StringReplace(const String& s, const String& oldPattern, const String& newPattern,
                     TReplaceFlags flags);

// 1-based position of `sub` in `s`; 0 when absent or when either is empty.
Integer Pos(const String& sub, const String& s);
// The same, starting the search at `offset` (0 when offset < 1 or past the end).
Integer PosEx(const String& sub, const String& s, Integer offset = 1);
// `count` bytes from `index`: index < 1 counts as 1; past the end or count < 0 gives "".
String Copy(const String& s, Integer index, Integer count);
// Removes `count` bytes from `index`; nothing when index is outside 1..Length(s).
void Delete(String& s, Integer index, Integer count);
// Inserts `sub` before `index`; index < 1 counts as 1, past the end appends.
void Insert(const String& sub, String& s, Integer index);

String StringOfChar(char ch, Integer count);
String StringOfChar(char32_t cp, Integer count);
