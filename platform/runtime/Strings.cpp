#include "platform/runtime/Strings.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "platform/runtime/Exceptions.h"

namespace {

constexpr char32_t ReplacementChar = 0xFFFD;

struct Decoded {
    char32_t CodePoint;  // ReplacementChar when not Valid
    int Length;          // bytes taken: the whole sequence, or its longest well-formed start
    bool Valid;
};

bool InRange(unsigned char b, unsigned char lo, unsigned char hi) { return b >= lo && b <= hi; }

// Decodes the sequence at p (avail >= 1 bytes), following the well-formed byte ranges of UTF-8:
// overlong forms, surrogates and values above U+10FFFF are rejected. An ill-formed sequence
// takes the longest start that could still have become a valid one (at least one byte), so
// "E2 82 41" is one bad character followed by "A".
Decoded DecodeAt(const unsigned char* p, std::size_t avail) {
    const unsigned char b0 = p[0];
    if (b0 < 0x80) return {b0, 1, true};
    int need;
    unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
    char32_t cp;
    if (InRange(b0, 0xC2, 0xDF)) {
        need = 1;
        cp = b0 & 0x1F;
    } else if (InRange(b0, 0xE0, 0xEF)) {
        need = 2;
        cp = b0 & 0x0F;
        if (b0 == 0xE0) lo = 0xA0;
        if (b0 == 0xED) hi = 0x9F;
    } else if (InRange(b0, 0xF0, 0xF4)) {
        need = 3;
        cp = b0 & 0x07;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;
    } else {
        return {ReplacementChar, 1, false};
    }
    for (int k = 1; k <= need; ++k) {
        const bool fits = static_cast<std::size_t>(k) < avail &&
                          (k == 1 ? InRange(p[k], lo, hi) : InRange(p[k], 0x80, 0xBF));
        if (!fits) return {ReplacementChar, k, false};
        cp = (cp << 6) | (p[k] & 0x3F);
    }
    return {cp, need + 1, true};
}

Decoded DecodeAt(const String& s, std::size_t index) {
    return DecodeAt(reinterpret_cast<const unsigned char*>(s.data()) + index, s.size() - index);
}

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

void AppendUtf8(String& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = ReplacementChar;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Comparison and case-insensitive search walk a text as keys: the code point of a valid
// sequence, or for each byte of an invalid one a value of its own from the surrogate range
// (which no valid sequence decodes to). Different byte strings so never give equal keys.
struct Key {
    char32_t Value;
    int Length;
};

Key KeyAt(const String& s, std::size_t index) {
    const Decoded d = DecodeAt(s, index);
    if (d.Valid) return {d.CodePoint, d.Length};
    return {static_cast<char32_t>(0xDC00 + static_cast<unsigned char>(s[index])), 1};
}

std::vector<char32_t> FoldedKeys(const String& s) {
    std::vector<char32_t> keys;
    for (std::size_t i = 0; i < s.size();) {
        const Key k = KeyAt(s, i);
        keys.push_back(UnicodeCaseFold(k.Value));
        i += k.Length;
    }
    return keys;
}

int Sign(int v) { return (v > 0) - (v < 0); }

template <typename T>
int Order(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Lower-case letters sort before title-case ones, and those before upper-case letters and
// everything without case.
int CaseRank(char32_t cp) {
    const bool hasUpper = UnicodeToUpper(cp) != cp;
    const bool hasLower = UnicodeToLower(cp) != cp;
    if (hasUpper && !hasLower) return 0;
    if (hasUpper && hasLower) return 1;
    return 2;
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsBlankByte(char c) { return static_cast<unsigned char>(c) <= ' '; }

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Parses an integer of `bits` width (32 or 64). Decimal values must fit the signed range;
// hexadecimal ones may use every bit of the width and are read as two's complement, so
// "$FFFFFFFF" is -1 for 32 bits (IntToHex's output reads back).
bool ParseInteger(const String& s, int bits, Int64& out) {
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < n && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == n) return false;

    const UInt64 widthMask = bits == 64 ? std::numeric_limits<UInt64>::max() : (UInt64{1} << bits) - 1;
    const UInt64 signBit = UInt64{1} << (bits - 1);
    const unsigned base = hex ? 16 : 10;
    const UInt64 limit = hex ? widthMask : (negative ? signBit : signBit - 1);
    UInt64 magnitude = 0;
    for (; i < n; ++i) {
        const int digit = hex ? HexDigitValue(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
        if (digit < 0) return false;
        if (magnitude > (limit - static_cast<UInt64>(digit)) / base) return false;
        magnitude = magnitude * base + static_cast<UInt64>(digit);
    }
    UInt64 bitsValue = (negative ? UInt64{0} - magnitude : magnitude) & widthMask;
    if (bits < 64 && (bitsValue & signBit) != 0) bitsValue |= ~widthMask;  // sign-extend
    out = static_cast<Int64>(bitsValue);
    return true;
}

[[noreturn]] void RaiseInvalidInteger(const String& s) {
    throw EConvertError("'" + s + "' is not a valid integer value");
}

String HexText(UInt64 value, Integer digits) {
    static const char HexDigits[] = "0123456789ABCDEF";
    char buffer[16];
    int len = 0;
    do {
        buffer[len++] = HexDigits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    String result;
    if (digits > len) result.assign(static_cast<std::size_t>(digits - len), '0');
    while (len > 0) result += buffer[--len];
    return result;
}

template <typename Map>
String MapCodePoints(const String& s, Map map) {
    String result;
    result.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const Decoded d = DecodeAt(s, i);
        if (d.Valid) {
            AppendUtf8(result, map(d.CodePoint));
        } else {
            result.append(s, i, static_cast<std::size_t>(d.Length));  // broken bytes stay as they are
        }
        i += static_cast<std::size_t>(d.Length);
    }
    return result;
}

// Byte length of a case-insensitive match of `pattern` (folded keys) at `index`, or 0.
std::size_t MatchFoldedAt(const String& s, std::size_t index, const std::vector<char32_t>& pattern) {
    std::size_t j = index;
    for (char32_t want : pattern) {
        if (j >= s.size()) return 0;
        const Key k = KeyAt(s, j);
        if (UnicodeCaseFold(k.Value) != want) return 0;
        j += static_cast<std::size_t>(k.Length);
    }
    return j - index;
}

}  // namespace

// ---- UTF-8 <-> UTF-16 ------------------------------------------------------------------------

WideString StringToWide(const String& s) {
    WideString result;
    result.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const Decoded d = DecodeAt(s, i);
        const char32_t cp = d.CodePoint;
        if (cp >= 0x10000) {
            result += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            result += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            result += static_cast<char16_t>(cp);
        }
        i += static_cast<std::size_t>(d.Length);
    }
    return result;
}

String WideToString(const WideString& s) {
    String result;
    result.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t u = s[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            AppendUtf8(result, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(s[i + 1]) - 0xDC00));
            ++i;
        } else {
            AppendUtf8(result, u);  // an unpaired surrogate turns into U+FFFD there
        }
    }
    return result;
}

// ---- Code points --------------------------------------------------------------------------

int Utf8CharLen(const String& s, std::size_t index) {
    if (index >= s.size()) return 0;
    return DecodeAt(s, index).Length;
}

std::size_t Utf8Next(const String& s, std::size_t index) {
    if (index >= s.size()) return s.size();
    return index + static_cast<std::size_t>(DecodeAt(s, index).Length);
}

std::size_t Utf8Prev(const String& s, std::size_t index) {
    index = std::min(index, s.size());
    if (index == 0) return 0;
    // Every byte that is not a continuation byte starts a character; continuation bytes belong
    // to the sequence before them only when that sequence reaches this far.
    std::size_t start = index - 1;
    while (start > 0 && index - start < 4 && IsContinuation(static_cast<unsigned char>(s[start]))) --start;
    if (static_cast<std::size_t>(DecodeAt(s, start).Length) == index - start) return start;
    return index - 1;
}

char32_t Utf8CodePointAt(const String& s, std::size_t index) {
    if (index >= s.size()) return 0;
    return DecodeAt(s, index).CodePoint;
}

Integer Utf8Length(const String& s) {
    Integer count = 0;
    for (std::size_t i = 0; i < s.size(); i += static_cast<std::size_t>(DecodeAt(s, i).Length)) ++count;
    return count;
}

String Utf8FromCodePoint(char32_t cp) {
    String result;
    AppendUtf8(result, cp);
    return result;
}

String Utf8Copy(const String& s, Integer index, Integer count) {
    if (count <= 0) return String();
    std::size_t begin = 0;
    for (Integer skip = std::max<Integer>(index, 1) - 1; skip > 0 && begin < s.size(); --skip)
        begin = Utf8Next(s, begin);
    std::size_t end = begin;
    for (Integer take = count; take > 0 && end < s.size(); --take) end = Utf8Next(s, end);
    return s.substr(begin, end - begin);
}

// ---- Integers -----------------------------------------------------------------------------

String IntToStr(Integer value) { return std::to_string(value); }
String IntToStr(Int64 value) { return std::to_string(value); }
String IntToStr(Cardinal value) { return std::to_string(value); }
String IntToStr(UInt64 value) { return std::to_string(value); }

String IntToHex(Integer value, Integer digits) { return HexText(static_cast<Cardinal>(value), digits); }
String IntToHex(Int64 value, Integer digits) { return HexText(static_cast<UInt64>(value), digits); }
String IntToHex(Cardinal value, Integer digits) { return HexText(value, digits); }
String IntToHex(UInt64 value, Integer digits) { return HexText(value, digits); }

bool TryStrToInt(const String& s, Integer& value) {
    Int64 parsed;
    if (!ParseInteger(s, 32, parsed)) return false;
    value = static_cast<Integer>(parsed);
    return true;
}

Integer StrToInt(const String& s) {
    Integer value;
    if (!TryStrToInt(s, value)) RaiseInvalidInteger(s);
    return value;
}

Integer StrToIntDef(const String& s, Integer defaultValue) {
    Integer value;
    return TryStrToInt(s, value) ? value : defaultValue;
}

bool TryStrToInt64(const String& s, Int64& value) { return ParseInteger(s, 64, value); }

Int64 StrToInt64(const String& s) {
    Int64 value;
    if (!TryStrToInt64(s, value)) RaiseInvalidInteger(s);
    return value;
}

Int64 StrToInt64Def(const String& s, Int64 defaultValue) {
    Int64 value;
    return TryStrToInt64(s, value) ? value : defaultValue;
}

// ---- Trimming, ASCII case and ordinal comparison --------------------------------------------

String Trim(const String& s) { return TrimLeft(TrimRight(s)); }

String TrimLeft(const String& s) {
    std::size_t i = 0;
    while (i < s.size() && IsBlankByte(s[i])) ++i;
    return s.substr(i);
}

String TrimRight(const String& s) {
    std::size_t n = s.size();
    while (n > 0 && IsBlankByte(s[n - 1])) --n;
    return s.substr(0, n);
}

String UpperCase(const String& s) {
    String result = s;
    for (char& c : result) c = AsciiUpper(c);
    return result;
}

String LowerCase(const String& s) {
    String result = s;
    for (char& c : result) c = AsciiLower(c);
    return result;
}

int CompareStr(const String& a, const String& b) { return Sign(a.compare(b)); }

bool SameStr(const String& a, const String& b) { return a == b; }

int CompareText(const String& a, const String& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(AsciiUpper(a[i]));
        const auto cb = static_cast<unsigned char>(AsciiUpper(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return Order(a.size(), b.size());
}

bool SameText(const String& a, const String& b) { return CompareText(a, b) == 0; }

// ---- Unicode case (fixed table) -----------------------------------------------------------

String AnsiUpperCase(const String& s) { return MapCodePoints(s, UnicodeToUpper); }

String AnsiLowerCase(const String& s) { return MapCodePoints(s, UnicodeToLower); }

int AnsiCompareText(const String& a, const String& b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const Key ka = KeyAt(a, i);
        const Key kb = KeyAt(b, j);
        const char32_t fa = UnicodeCaseFold(ka.Value);
        const char32_t fb = UnicodeCaseFold(kb.Value);
        if (fa != fb) return fa < fb ? -1 : 1;
        i += static_cast<std::size_t>(ka.Length);
        j += static_cast<std::size_t>(kb.Length);
    }
    return Order(i < a.size(), j < b.size());
}

bool AnsiSameText(const String& a, const String& b) { return AnsiCompareText(a, b) == 0; }

int AnsiCompareStr(const String& a, const String& b) {
    const int folded = AnsiCompareText(a, b);
    if (folded != 0) return folded;
    // Same letters apart from case: the first difference decides.
    for (std::size_t i = 0, j = 0; i < a.size() && j < b.size();) {
        const Key ka = KeyAt(a, i);
        const Key kb = KeyAt(b, j);
        if (ka.Value != kb.Value) {
            const int rank = Order(CaseRank(ka.Value), CaseRank(kb.Value));
            return rank != 0 ? rank : Order(ka.Value, kb.Value);
        }
        i += static_cast<std::size_t>(ka.Length);
        j += static_cast<std::size_t>(kb.Length);
    }
    return 0;
}

bool AnsiSameStr(const String& a, const String& b) { return a == b; }

Integer AnsiPos(const String& sub, const String& s) { return Pos(sub, s); }

// ---- Quoting ------------------------------------------------------------------------------

String QuotedStr(const String& s) { return AnsiQuotedStr(s, '\''); }

String AnsiQuotedStr(const String& s, char quote) {
    String result;
    result.reserve(s.size() + 2);
    result += quote;
    for (char c : s) {
        if (c == quote) result += quote;
        result += c;
    }
    result += quote;
    return result;
}

String AnsiExtractQuotedStr(const char*& p, char quote) {
    if (p == nullptr || quote == '\0' || *p != quote) return String();
    ++p;
    String result;
    while (*p != '\0') {
        if (*p == quote) {
            if (p[1] != quote) {
                ++p;  // the closing quote
                return result;
            }
            ++p;  // a doubled quote stands for one
        }
        result += *p++;
    }
    return result;
}

String AnsiDequotedStr(const String& s, char quote) {
    if (s.empty()) return s;
    const char* p = s.c_str();
    String result = AnsiExtractQuotedStr(p, quote);
    // Text that does not begin with the quote, or whose quote stays open, is returned as it is;
    // a text that both begins and ends with the quote counts as quoted.
    if ((result.empty() || *p == '\0') && (s.front() != quote || s.back() != quote)) return s;
    return result;
}

// ---- Searching and editing ----------------------------------------------------------------

String StringReplace(const String& s, const String& oldPattern, const String& newPattern,
                     TReplaceFlags flags) {
    if (oldPattern.empty()) return s;
    const bool all = flags.Contains(rfReplaceAll);
    String result;
    std::size_t copied = 0;  // s[0, copied) is in result already
    if (!flags.Contains(rfIgnoreCase)) {
        for (std::size_t found; (found = s.find(oldPattern, copied)) != String::npos;) {
            result.append(s, copied, found - copied);
            result += newPattern;
            copied = found + oldPattern.size();
            if (!all) break;
        }
    } else {
        // Matched on the original text character by character: a case mapping may change the
        // byte length, so positions found in an upper-cased copy would not fit the original.
        const std::vector<char32_t> pattern = FoldedKeys(oldPattern);
        for (std::size_t i = 0; i < s.size();) {
            const std::size_t length = MatchFoldedAt(s, i, pattern);
            if (length == 0) {
                i += static_cast<std::size_t>(KeyAt(s, i).Length);
                continue;
            }
            result.append(s, copied, i - copied);
            result += newPattern;
            i += length;
            copied = i;
            if (!all) break;
        }
    }
    result.append(s, copied, String::npos);
    return result;
}

Integer Pos(const String& sub, const String& s) { return PosEx(sub, s, 1); }

Integer PosEx(const String& sub, const String& s, Integer offset) {
    if (sub.empty() || s.empty() || offset < 1 || static_cast<std::size_t>(offset) > s.size()) return 0;
    const std::size_t found = s.find(sub, static_cast<std::size_t>(offset) - 1);
    return found == String::npos ? 0 : static_cast<Integer>(found + 1);
}

String Copy(const String& s, Integer index, Integer count) {
    if (count <= 0) return String();
    const std::size_t start = static_cast<std::size_t>(std::max<Integer>(index, 1)) - 1;
    if (start >= s.size()) return String();
    return s.substr(start, static_cast<std::size_t>(count));
}

void Delete(String& s, Integer index, Integer count) {
    if (index < 1 || static_cast<std::size_t>(index) > s.size() || count <= 0) return;
    s.erase(static_cast<std::size_t>(index) - 1, static_cast<std::size_t>(count));
}

void Insert(const String& sub, String& s, Integer index) {
    const std::size_t at = std::min(static_cast<std::size_t>(std::max<Integer>(index, 1)) - 1, s.size());
    s.insert(at, sub);
}

String StringOfChar(char ch, Integer count) {
    return count > 0 ? String(static_cast<std::size_t>(count), ch) : String();
}

String StringOfChar(char32_t cp, Integer count) {
    const String one = Utf8FromCodePoint(cp);
    String result;
    if (count > 0) result.reserve(one.size() * static_cast<std::size_t>(count));
    for (Integer i = 0; i < count; ++i) result += one;
    return result;
}
