// Variant construction and conversions, the FMTBcd decimal and the SQL time stamp.
#include "platform/runtime/Variant.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <mutex>
#include <string>
#include <vector>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Dispatch.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"

using kov_variant_detail::RaiseArithmeticOverflow;
using kov_variant_detail::RaiseCastError;
using kov_variant_detail::RaiseConvertOverflow;
using kov_variant_detail::TextOf;
using kov_variant_detail::TextToBoolean;
using kov_variant_detail::TextToDate;
using kov_variant_detail::TextToExtended;
using kov_variant_detail::TextToInt64;

namespace {

using A = TVariantAccess;

const char* BaseTypeName(TVarType type) {
    switch (type) {
    case varEmpty:
        return "Empty";
    case varNull:
        return "Null";
    case varSmallint:
        return "Smallint";
    case varInteger:
        return "Integer";
    case varSingle:
        return "Single";
    case varDouble:
        return "Double";
    case varCurrency:
        return "Currency";
    case varDate:
        return "Date";
    case varOleStr:
        return "OleStr";
    case varDispatch:
        return "Dispatch";
    case varError:
        return "Error";
    case varBoolean:
        return "Boolean";
    case varVariant:
        return "Variant";
    case varUnknown:
        return "Unknown";
    case varShortInt:
        return "ShortInt";
    case varByte:
        return "Byte";
    case varWord:
        return "Word";
    case varLongWord:
        return "LongWord";
    case varInt64:
        return "Int64";
    case varString:
        return "String";
    case varFMTBcd:
        return "FMTBcd";
    case varSQLTimeStamp:
        return "SQLTimeStamp";
    default:
        return nullptr;
    }
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// ---- Decimal arithmetic on digit strings ----------------------------------------------------
// A magnitude is a string of decimal digits without leading zeros; "" is zero.

void StripLeadingZeros(std::string& digits) {
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos)
        digits.clear();
    else if (first > 0)
        digits.erase(0, first);
}

int CompareMagnitudes(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

std::string AddMagnitudes(const std::string& a, const std::string& b) {
    std::string result;
    int carry = 0;
    for (std::size_t i = 0; i < std::max(a.size(), b.size()) || carry; ++i) {
        int sum = carry;
        if (i < a.size()) sum += a[a.size() - 1 - i] - '0';
        if (i < b.size()) sum += b[b.size() - 1 - i] - '0';
        result.push_back(static_cast<char>('0' + sum % 10));
        carry = sum / 10;
    }
    std::reverse(result.begin(), result.end());
    StripLeadingZeros(result);
    return result;
}

// a - b for a >= b.
std::string SubtractMagnitudes(const std::string& a, const std::string& b) {
    std::string result;
    int borrow = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        int diff = (a[a.size() - 1 - i] - '0') - borrow;
        if (i < b.size()) diff -= b[b.size() - 1 - i] - '0';
        borrow = diff < 0 ? 1 : 0;
        if (diff < 0) diff += 10;
        result.push_back(static_cast<char>('0' + diff));
    }
    std::reverse(result.begin(), result.end());
    StripLeadingZeros(result);
    return result;
}

std::string MultiplyMagnitudes(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return {};
    std::vector<int> cells(a.size() + b.size(), 0);
    for (std::size_t i = 0; i < a.size(); ++i)
        for (std::size_t j = 0; j < b.size(); ++j)
            cells[i + j + 1] += (a[i] - '0') * (b[j] - '0');
    for (std::size_t k = cells.size() - 1; k > 0; --k) {
        cells[k - 1] += cells[k] / 10;
        cells[k] %= 10;
    }
    std::string result;
    for (int cell : cells)
        result.push_back(static_cast<char>('0' + cell));
    StripLeadingZeros(result);
    return result;
}

// The quotient of a / b (b not zero), truncated.
std::string DivideMagnitudes(const std::string& a, const std::string& b) {
    std::string quotient;
    std::string remainder;
    for (char digit : a) {
        remainder.push_back(digit);
        StripLeadingZeros(remainder);
        int count = 0;
        while (CompareMagnitudes(remainder, b) >= 0) {
            remainder = SubtractMagnitudes(remainder, b);
            ++count;
        }
        quotient.push_back(static_cast<char>('0' + count));
    }
    StripLeadingZeros(quotient);
    return quotient;
}

// ±Digits × 10^-Scale.
struct TDecimal {
    bool Negative = false;
    std::string Digits;
    int Scale = 0;

    bool IsZero() const { return Digits.empty(); }
    void Normalize() {
        StripLeadingZeros(Digits);
        if (Digits.empty()) Negative = false;
    }
};

// Drops the digits beyond newScale, rounding halves to even or away from zero.
void RoundToScale(TDecimal& d, int newScale, bool halvesToEven) {
    if (d.Scale <= newScale) return;
    const std::size_t drop = static_cast<std::size_t>(d.Scale - newScale);
    std::string padded = d.Digits;
    if (padded.size() < drop + 1) padded.insert(0, drop + 1 - padded.size(), '0');
    std::string kept = padded.substr(0, padded.size() - drop);
    const std::string dropped = padded.substr(padded.size() - drop);
    const int first = dropped[0] - '0';
    const bool restNonZero = dropped.find_first_not_of('0', 1) != std::string::npos;
    bool up;
    if (halvesToEven)
        up = first > 5 || (first == 5 && (restNonZero || (kept.back() - '0') % 2 == 1));
    else
        up = first >= 5;
    StripLeadingZeros(kept);
    if (up) kept = AddMagnitudes(kept, "1");
    d.Digits = kept;
    d.Scale = newScale;
    d.Normalize();
}

void AlignScales(TDecimal& a, TDecimal& b) {
    if (a.Scale < b.Scale) {
        if (!a.IsZero()) a.Digits.append(static_cast<std::size_t>(b.Scale - a.Scale), '0');
        a.Scale = b.Scale;
    } else if (b.Scale < a.Scale) {
        if (!b.IsZero()) b.Digits.append(static_cast<std::size_t>(a.Scale - b.Scale), '0');
        b.Scale = a.Scale;
    }
}

[[noreturn]] void RaiseInvalidBcd() { throw EConvertError("Invalid BCD value"); }

TDecimal DecimalFromBcd(const TBcd& bcd) {
    if (bcd.Precision > MaxFMTBcdDigits) RaiseInvalidBcd();
    TDecimal d;
    d.Negative = (bcd.SignSpecialPlaces & 0x80) != 0;
    d.Scale = BcdScale(bcd);
    for (int i = 0; i < bcd.Precision; ++i) {
        const Byte pair = bcd.Fraction[i / 2];
        const int nibble = i % 2 == 0 ? pair >> 4 : pair & 0x0F;
        if (nibble > 9) RaiseInvalidBcd();
        d.Digits.push_back(static_cast<char>('0' + nibble));
    }
    d.Normalize();
    return d;
}

// Fits the value into 64 digits with at most 63 decimals; more integer digits raise
// "Arithmetic overflow".
TBcd BcdFromDecimal(TDecimal d) {
    d.Normalize();
    if (d.Scale < 0) {
        if (!d.IsZero()) d.Digits.append(static_cast<std::size_t>(-d.Scale), '0');
        d.Scale = 0;
    }
    if (d.Scale > 63) RoundToScale(d, 63, false);
    auto integerDigits = [&d] { return std::max(0, static_cast<int>(d.Digits.size()) - d.Scale); };
    if (integerDigits() > MaxFMTBcdDigits) RaiseArithmeticOverflow();
    if (integerDigits() + d.Scale > MaxFMTBcdDigits) {
        RoundToScale(d, MaxFMTBcdDigits - integerDigits(), false);
        if (integerDigits() > MaxFMTBcdDigits) RaiseArithmeticOverflow();
    }
    const int width = std::max({1, static_cast<int>(d.Digits.size()), d.Scale});
    const std::string padded = std::string(static_cast<std::size_t>(width) - d.Digits.size(), '0') + d.Digits;
    TBcd bcd;
    bcd.Precision = static_cast<Byte>(width);
    bcd.SignSpecialPlaces = static_cast<Byte>((d.Negative ? 0x80 : 0) | d.Scale);
    for (int i = 0; i < width; ++i) {
        const int digit = padded[static_cast<std::size_t>(i)] - '0';
        bcd.Fraction[i / 2] |= static_cast<Byte>(i % 2 == 0 ? digit << 4 : digit);
    }
    return bcd;
}

// Blanks, a sign, digits with at most one decimal separator, an optional exponent, blanks.
bool ParseDecimal(const String& text, char decimalSeparator, TDecimal& out) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && IsBlank(text[i]))
        ++i;
    TDecimal d;
    if (i < n && (text[i] == '+' || text[i] == '-')) d.Negative = text[i++] == '-';
    bool anyDigit = false;
    bool seenSeparator = false;
    for (; i < n; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            d.Digits.push_back(c);
            if (seenSeparator) ++d.Scale;
            anyDigit = true;
        } else if (c == decimalSeparator && !seenSeparator) {
            seenSeparator = true;
        } else {
            break;
        }
    }
    if (!anyDigit) return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
        if (i >= n || text[i] < '0' || text[i] > '9') return false;
        int exponent = 0;
        for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i)
            exponent = std::min(exponent * 10 + (text[i] - '0'), 100000);
        d.Scale += negativeExponent ? exponent : -exponent;
    }
    while (i < n && IsBlank(text[i]))
        ++i;
    if (i != n) return false;
    d.Normalize();
    if (d.IsZero()) d.Scale = std::max(0, d.Scale);
    // A value with more than 64 integer digits can never be held; refuse it before padding.
    if (static_cast<long>(d.Digits.size()) - d.Scale > MaxFMTBcdDigits) return false;
    out = d;
    return true;
}

std::string ToMagnitude(UInt64 value) { return value == 0 ? std::string() : std::to_string(value); }

TDecimal DecimalFromInt64(Int64 value) {
    TDecimal d;
    d.Negative = value < 0;
    d.Digits = ToMagnitude(value < 0 ? UInt64{0} - static_cast<UInt64>(value) : static_cast<UInt64>(value));
    return d;
}

// The shortest round-trip text of a float or double, as a decimal.
template <class T> TDecimal DecimalFromFloat(T value) {
    if (!std::isfinite(value)) throw EConvertError("'" + FloatToStr(value) + "' is not a valid BCD value");
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    TDecimal d;
    ParseDecimal(String(buffer, result.ptr), '.', d);
    return d;
}

// The magnitude as an unsigned 64-bit value, when it fits.
bool MagnitudeToUInt64(const std::string& digits, UInt64& value) {
    if (digits.size() > 20) return false;
    value = 0;
    for (char c : digits) {
        const unsigned digit = static_cast<unsigned>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
    }
    return true;
}

// Rounded to an integer (halves to even); false beyond Int64.
bool DecimalToInt64(TDecimal d, Int64& value) {
    RoundToScale(d, 0, true);
    if (d.Scale > 0) d.Scale = 0; // only zero can be left with a scale here
    UInt64 magnitude = 0;
    if (!MagnitudeToUInt64(d.Digits, magnitude)) return false;
    if (d.Negative) {
        if (magnitude > UInt64{1} << 63) return false;
        value = static_cast<Int64>(UInt64{0} - magnitude);
    } else {
        if (magnitude > static_cast<UInt64>(INT64_MAX)) return false;
        value = static_cast<Int64>(magnitude);
    }
    return true;
}

Extended DecimalToExtended(const TDecimal& d) {
    if (d.IsZero()) return 0;
    const std::string text = (d.Negative ? "-" : "") + d.Digits + "e-" + std::to_string(d.Scale);
    long double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

TDecimal DecimalAdd(TDecimal a, TDecimal b) {
    AlignScales(a, b);
    TDecimal r;
    r.Scale = a.Scale;
    if (a.Negative == b.Negative) {
        r.Digits = AddMagnitudes(a.Digits, b.Digits);
        r.Negative = a.Negative;
    } else if (CompareMagnitudes(a.Digits, b.Digits) >= 0) {
        r.Digits = SubtractMagnitudes(a.Digits, b.Digits);
        r.Negative = a.Negative;
    } else {
        r.Digits = SubtractMagnitudes(b.Digits, a.Digits);
        r.Negative = b.Negative;
    }
    r.Normalize();
    return r;
}

Integer DecimalCompare(TDecimal a, TDecimal b) {
    if (a.IsZero() && b.IsZero()) return 0;
    if (a.Negative != b.Negative) return a.Negative ? -1 : 1;
    AlignScales(a, b);
    const int c = CompareMagnitudes(a.Digits, b.Digits);
    return a.Negative ? -c : c;
}

// ---- Conversions ---------------------------------------------------------------------------

[[noreturn]] void Cast(const Variant& v, TVarType to) { RaiseCastError(v.VType(), to); }

// A text the target cannot take: a number too large for it overflows, anything else is no
// conversion at all.
[[noreturn]] void RejectText(const Variant& v, TVarType to) {
    Extended x = 0;
    if (TextToExtended(TextOf(v), x)) RaiseConvertOverflow(v.VType(), to);
    Cast(v, to);
}

Int64 RoundExtended(Extended x, TVarType from, TVarType to) {
    if (std::isnan(x) || !(x >= -0x1p63L && x < 0x1p63L)) RaiseConvertOverflow(from, to);
    const Extended rounded = std::nearbyintl(x); // the default mode rounds halves to even
    if (!(rounded >= -0x1p63L && rounded < 0x1p63L)) RaiseConvertOverflow(from, to);
    return static_cast<Int64>(rounded);
}

// The value as a whole number (floats rounded halves to even), before the target's range check.
Int64 ToInt64For(const Variant& v, TVarType to) {
    switch (v.VType()) {
    case varEmpty:
        return 0;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return A::Int(v);
    case varBoolean:
        return A::Int(v) ? -1 : 0;
    case varSingle:
        return RoundExtended(A::Sgl(v), v.VType(), to);
    case varDouble:
    case varDate:
        return RoundExtended(A::Dbl(v), v.VType(), to);
    case varCurrency:
        return Currency::FromRaw(A::Int(v)).ToInt64();
    case varString:
    case varOleStr: {
        const String text = TextOf(v);
        Int64 whole = 0;
        if (TextToInt64(text, whole)) return whole;
        Extended x = 0;
        if (TextToExtended(text, x)) return RoundExtended(x, v.VType(), to);
        Cast(v, to);
    }
    case varFMTBcd: {
        Int64 whole = 0;
        if (!DecimalToInt64(DecimalFromBcd(A::Bcd(v)), whole)) RaiseConvertOverflow(v.VType(), to);
        return whole;
    }
    case varSQLTimeStamp:
        return RoundExtended(SQLTimeStampToDateTime(A::Stamp(v)), v.VType(), to);
    default:
        Cast(v, to);
    }
}

Int64 ToRangedInt(const Variant& v, TVarType to, Int64 low, Int64 high) {
    const Int64 value = ToInt64For(v, to);
    if (value < low || value > high) RaiseConvertOverflow(v.VType(), to);
    return value;
}

Extended ToExtendedFor(const Variant& v, TVarType to) {
    switch (v.VType()) {
    case varEmpty:
        return 0;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return static_cast<Extended>(A::Int(v));
    case varBoolean:
        return A::Int(v) ? -1 : 0;
    case varSingle:
        return A::Sgl(v);
    case varDouble:
    case varDate:
        return A::Dbl(v);
    case varCurrency:
        return Currency::FromRaw(A::Int(v)).ToExtended();
    case varString:
    case varOleStr: {
        Extended x = 0;
        if (!TextToExtended(TextOf(v), x)) Cast(v, to);
        return x;
    }
    case varFMTBcd:
        return DecimalToExtended(DecimalFromBcd(A::Bcd(v)));
    case varSQLTimeStamp:
        return SQLTimeStampToDateTime(A::Stamp(v));
    default:
        Cast(v, to);
    }
}

String ToTextFor(const Variant& v, TVarType to) {
    switch (v.VType()) {
    case varEmpty:
        return {};
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return IntToStr(A::Int(v));
    case varBoolean:
        return A::Int(v) ? "True" : "False";
    case varSingle:
        return FloatToStrF(A::Sgl(v), ffGeneral, 7, 0);
    case varDouble:
        return FloatToStr(A::Dbl(v));
    case varDate: {
        // A time of day alone (the date part 0) shows as the time alone.
        const double dateTime = A::Dbl(v);
        return std::trunc(dateTime) == 0 ? TimeToStr(dateTime) : DateTimeToStr(dateTime);
    }
    case varCurrency:
        return CurrToStr(Currency::FromRaw(A::Int(v)));
    case varString:
        return A::Str(v);
    case varOleStr:
        return WideToString(A::WStr(v));
    case varFMTBcd:
        return BcdToStr(A::Bcd(v));
    case varSQLTimeStamp:
        return SQLTimeStampToStr("", A::Stamp(v));
    default:
        Cast(v, to);
    }
}

TDecimal ToDecimal(const Variant& v) {
    switch (v.VType()) {
    case varEmpty:
        return {};
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return DecimalFromInt64(A::Int(v));
    case varBoolean:
        return DecimalFromInt64(A::Int(v) ? -1 : 0);
    case varSingle:
        if (!std::isfinite(A::Sgl(v))) RaiseConvertOverflow(v.VType(), varFMTBcd);
        return DecimalFromFloat(A::Sgl(v));
    case varDouble:
    case varDate:
        if (!std::isfinite(A::Dbl(v))) RaiseConvertOverflow(v.VType(), varFMTBcd);
        return DecimalFromFloat(A::Dbl(v));
    case varCurrency: {
        TDecimal d = DecimalFromInt64(A::Int(v));
        d.Scale = 4;
        return d;
    }
    case varString:
    case varOleStr: {
        TDecimal d;
        if (!ParseDecimal(TextOf(v), FormatSettings.DecimalSeparator, d)) RejectText(v, varFMTBcd);
        return d;
    }
    case varFMTBcd:
        return DecimalFromBcd(A::Bcd(v));
    case varSQLTimeStamp:
        return DecimalFromFloat(SQLTimeStampToDateTime(A::Stamp(v)));
    default:
        Cast(v, varFMTBcd);
    }
}

void InstallFormatConverters() {
    TVarRecVariantConverters converters;
    converters.ToString = [](const void* v) { return VarToStr(*static_cast<const Variant*>(v)); };
    converters.ToInt64 = [](const void* v) { return static_cast<const Variant*>(v)->AsInt64(); };
    converters.ToExtended = [](const void* v) { return static_cast<const Variant*>(v)->AsExtended(); };
    SetVarRecVariantConverters(converters);
}

} // namespace

// ---- Errors and helpers shared by the implementation files -----------------------------------

namespace kov_variant_detail {

void RaiseCastError(TVarType, TVarType) { throw EVariantTypeCastError("Invalid variant type conversion"); }

void RaiseConvertOverflow(TVarType from, TVarType to) {
    throw EVariantOverflowError("Overflow while converting variant of type (" + VarTypeAsText(from) +
                                ") into type (" + VarTypeAsText(to) + ")");
}

void RaiseInvalidOperation() { throw EVariantInvalidOpError("Invalid variant operation"); }

void RaiseArithmeticOverflow() { throw EVariantOverflowError("Arithmetic overflow"); }

bool TextToExtended(const String& text, Extended& value) { return TryStrToFloat(text, value); }

bool TextToInt64(const String& text, Int64& value) {
    std::size_t i = 0;
    std::size_t n = text.size();
    while (i < n && IsBlank(text[i]))
        ++i;
    while (n > i && IsBlank(text[n - 1]))
        --n;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == n) return false;
    const UInt64 limit = negative ? UInt64{1} << 63 : static_cast<UInt64>(INT64_MAX);
    UInt64 magnitude = 0;
    for (; i < n; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        const auto digit = static_cast<UInt64>(text[i] - '0');
        if (magnitude > (limit - digit) / 10) return false;
        magnitude = magnitude * 10 + digit;
    }
    value = static_cast<Int64>(negative ? UInt64{0} - magnitude : magnitude);
    return true;
}

bool TextToBoolean(const String& text, bool& value) {
    const String trimmed = Trim(text);
    if (SameText(trimmed, "True")) {
        value = true;
        return true;
    }
    if (SameText(trimmed, "False")) {
        value = false;
        return true;
    }
    Extended x = 0;
    if (!TextToExtended(text, x)) return false;
    value = x != 0;
    return true;
}

namespace {

// The order of day, month and year in a date format, as letters "D", "M" and "Y"; letters the
// format lacks follow in month, day, year order.
String DateFieldOrder(const String& format) {
    String order;
    char quote = 0;
    for (char c : format) {
        if (quote) {
            if (c == quote) quote = 0;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            continue;
        }
        const char u = (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
        if ((u == 'D' || u == 'M' || u == 'Y') && order.find(u) == String::npos) order += u;
    }
    for (char u : {'M', 'D', 'Y'})
        if (order.find(u) == String::npos) order += u;
    return order;
}

// 1..12 for a long or short month name of the locale (case-insensitive), else 0.
int MonthOfName(const String& word, const TFormatSettings& fs) {
    for (int m = 0; m < 12; ++m)
        if (!fs.LongMonthNames[m].empty() && AnsiSameText(word, fs.LongMonthNames[m])) return m + 1;
    for (int m = 0; m < 12; ++m)
        if (!fs.ShortMonthNames[m].empty() && AnsiSameText(word, fs.ShortMonthNames[m])) return m + 1;
    return 0;
}

bool AllDigits(const String& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A date whose day, month and year stand apart by blanks (or the date separator), the month
// possibly a name, optionally followed by a time: "24 12 2026", "24 Dec 2026 10:30",
// "December 24". The numbers take the places of the short date format's order; a month name
// takes the month's place wherever it stands. The date is rewritten with the date separator
// and read by the ordinary rules, which decide two-digit years and ranges.
bool TextToLooseDate(const String& text, TDateTime& value) {
    const TFormatSettings& fs = FormatSettings;
    auto isGap = [&](char c) { return IsBlank(c) || c == fs.DateSeparator; };
    std::vector<String> parts;
    int namedMonth = 0;
    std::size_t namedAt = 0;
    std::size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    std::size_t end = pos;
    while (parts.size() < 3) {
        std::size_t start = end;
        if (!parts.empty()) {
            while (start < text.size() && isGap(text[start]))
                ++start;
            if (start == end) break;
        }
        std::size_t stop = start;
        while (stop < text.size() && !isGap(text[stop]))
            ++stop;
        const String word = text.substr(start, stop - start);
        if (AllDigits(word) && word.size() <= 4) {
            parts.push_back(word);
        } else if (namedMonth == 0 && !word.empty() && (namedMonth = MonthOfName(word, fs)) != 0) {
            namedAt = parts.size();
            parts.push_back(IntToStr(Integer(namedMonth)));
        } else {
            break;
        }
        end = stop;
    }
    if (parts.size() < 2) return false;

    std::vector<String> ordered = parts;
    if (namedMonth != 0) {
        // The numbers fill the day and year places in the format's order around the month.
        std::vector<String> numbers;
        for (std::size_t k = 0; k < parts.size(); ++k)
            if (k != namedAt) numbers.push_back(parts[k]);
        String full = DateFieldOrder(fs.ShortDateFormat);
        if (parts.size() == 2) full.erase(full.find('Y'), 1);
        ordered.clear();
        std::size_t next = 0;
        for (char field : full)
            ordered.push_back(field == 'M' ? parts[namedAt] : numbers[next++]);
    }

    TFormatSettings settings = fs;
    settings.DateSeparator = (fs.TimeSeparator != '/' && fs.DecimalSeparator != '/') ? '/' : '-';
    String rewritten = ordered[0];
    for (std::size_t k = 1; k < ordered.size(); ++k)
        rewritten += settings.DateSeparator + ordered[k];
    const String rest = Trim(text.substr(end));
    if (!rest.empty()) rewritten += " " + rest;
    return TryStrToDateTime(rewritten, value, settings);
}

} // namespace

bool TextToDate(const String& text, TDateTime& value) {
    Extended x = 0;
    if (TextToExtended(text, x)) {
        if (!(std::fabs(x) <= DBL_MAX)) return false;
        value = static_cast<TDateTime>(x);
        return true;
    }
    return TryStrToDateTime(text, value) || TextToLooseDate(text, value);
}

String TextOf(const Variant& v) { return v.VType() == varOleStr ? WideToString(A::WStr(v)) : A::Str(v); }

TIntfRef::TIntfRef(IUnknown* object) : FObject(object) {
    if (FObject) FObject->AddRef();
}

TIntfRef::TIntfRef(const TIntfRef& other) : FObject(other.FObject) {
    if (FObject) FObject->AddRef();
}

TIntfRef& TIntfRef::operator=(const TIntfRef& other) {
    if (other.FObject) other.FObject->AddRef();
    IUnknown* old = FObject;
    FObject = other.FObject;
    if (old) old->Release();
    return *this;
}

TIntfRef& TIntfRef::operator=(TIntfRef&& other) noexcept {
    if (this != &other) {
        IUnknown* old = FObject;
        FObject = other.FObject;
        other.FObject = nullptr;
        if (old) old->Release();
    }
    return *this;
}

TIntfRef::~TIntfRef() {
    if (FObject) FObject->Release();
}

} // namespace kov_variant_detail

// ---- Variant -------------------------------------------------------------------------------

Variant::Variant(Variant&& other) noexcept
    : FType(other.FType), FScalar(other.FScalar), FPayload(std::move(other.FPayload)) {
    other.FType = varEmpty;
    other.FPayload.emplace<std::monostate>();
}

// Both assignments go through a temporary, since the source may live inside this variant's own
// array; between two values without a payload (numbers, Booleans, dates, Empty, Null) only the
// plain fields are copied.
Variant& Variant::operator=(const Variant& other) {
    if (this != &other) {
        if (FPayload.index() == 0 && other.FPayload.index() == 0) {
            FType = other.FType;
            FScalar = other.FScalar;
        } else {
            *this = Variant(other);
        }
    }
    return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
    if (this != &other && FPayload.index() == 0 && other.FPayload.index() == 0) {
        FType = other.FType;
        FScalar = other.FScalar;
        other.FType = varEmpty;
    } else if (this != &other) {
        Variant taken(std::move(other));
        std::swap(FType, taken.FType);
        std::swap(FScalar, taken.FScalar);
        FPayload.swap(taken.FPayload);
    }
    return *this;
}

Variant::Variant(const char* value) : FType(varString), FPayload(String(value ? value : "")) {}

Variant::Variant(const char16_t* value) : FType(varOleStr), FPayload(WideString(value ? value : u"")) {}

Variant::Variant(IDispatch* object)
    : FType(varDispatch), FPayload(kov_variant_detail::TIntfRef(static_cast<IUnknown*>(object))) {}

Variant::Variant(IUnknown* object) : FType(varUnknown), FPayload(kov_variant_detail::TIntfRef(object)) {}

Variant::operator TVarRec() const {
    static std::once_flag installed;
    std::call_once(installed, InstallFormatConverters);
    return TVarRec::FromVariant(this);
}

void Variant::Clear() {
    Variant empty;
    *this = std::move(empty);
}

bool Variant::AsBoolean() const {
    switch (FType) {
    case varEmpty:
        return false;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
    case varBoolean:
    case varCurrency:
        return FScalar.I != 0;
    case varSingle:
        return FScalar.S != 0;
    case varDouble:
    case varDate:
        return FScalar.D != 0;
    case varString:
    case varOleStr: {
        bool value = false;
        if (!TextToBoolean(TextOf(*this), value)) Cast(*this, varBoolean);
        return value;
    }
    case varFMTBcd:
        return !DecimalFromBcd(std::get<TBcd>(FPayload)).IsZero();
    case varSQLTimeStamp:
        return SQLTimeStampToDateTime(std::get<TSQLTimeStamp>(FPayload)) != 0;
    default:
        Cast(*this, varBoolean);
    }
}

ShortInt Variant::AsShortInt() const {
    return static_cast<ShortInt>(ToRangedInt(*this, varShortInt, INT8_MIN, INT8_MAX));
}
Byte Variant::AsByte() const { return static_cast<Byte>(ToRangedInt(*this, varByte, 0, UINT8_MAX)); }
SmallInt Variant::AsSmallInt() const {
    return static_cast<SmallInt>(ToRangedInt(*this, varSmallint, INT16_MIN, INT16_MAX));
}
Word Variant::AsWord() const { return static_cast<Word>(ToRangedInt(*this, varWord, 0, UINT16_MAX)); }
Integer Variant::AsInteger() const {
    return static_cast<Integer>(ToRangedInt(*this, varInteger, INT32_MIN, INT32_MAX));
}
LongWord Variant::AsLongWord() const {
    return static_cast<LongWord>(ToRangedInt(*this, varLongWord, 0, UINT32_MAX));
}
Int64 Variant::AsInt64() const { return ToInt64For(*this, varInt64); }

Single Variant::AsSingle() const {
    if (FType == varSingle) return FScalar.S;
    const Extended x = ToExtendedFor(*this, varSingle);
    if (std::isfinite(x) && std::fabs(x) > FLT_MAX) RaiseConvertOverflow(FType, varSingle);
    return static_cast<Single>(x);
}

Double Variant::AsDouble() const {
    if (FType == varDouble) return FScalar.D;
    const Extended x = ToExtendedFor(*this, varDouble);
    if (std::isfinite(x) && std::fabs(x) > DBL_MAX) RaiseConvertOverflow(FType, varDouble);
    return static_cast<Double>(x);
}

Extended Variant::AsExtended() const { return ToExtendedFor(*this, varDouble); }

Currency Variant::AsCurrency() const {
    constexpr Int64 maxUnits = INT64_MAX / Currency::Scale;
    switch (FType) {
    case varEmpty:
        return {};
    case varCurrency:
        return Currency::FromRaw(FScalar.I);
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
    case varBoolean: {
        const Int64 units = ToInt64For(*this, varCurrency);
        if (units > maxUnits || units < -maxUnits) RaiseConvertOverflow(FType, varCurrency);
        return Currency(units);
    }
    case varString:
    case varOleStr: {
        const String text = TextOf(*this);
        Currency value;
        if (TryStrToCurr(text, value)) return value;
        RejectText(*this, varCurrency);
    }
    case varFMTBcd:
        return BcdToCurr(std::get<TBcd>(FPayload));
    default: {
        const Extended x = ToExtendedFor(*this, varCurrency);
        try {
            return FloatToCurr(x);
        } catch (const EConvertError&) {
            RaiseConvertOverflow(FType, varCurrency);
        }
    }
    }
}

TDateTime Variant::AsDateTime() const {
    switch (FType) {
    case varDate:
        return FScalar.D;
    case varString:
    case varOleStr: {
        TDateTime value = 0;
        if (!TextToDate(TextOf(*this), value)) RejectText(*this, varDate);
        return value;
    }
    default: {
        const Extended x = ToExtendedFor(*this, varDate);
        if (std::isfinite(x) && std::fabs(x) > DBL_MAX) RaiseConvertOverflow(FType, varDate);
        return static_cast<TDateTime>(x);
    }
    }
}

String Variant::AsString() const { return ToTextFor(*this, varString); }

WideString Variant::AsWideString() const {
    if (FType == varOleStr) return std::get<WideString>(FPayload);
    return StringToWide(ToTextFor(*this, varOleStr));
}

TBcd Variant::AsBcd() const {
    if (FType == varFMTBcd) return std::get<TBcd>(FPayload);
    const TDecimal d = ToDecimal(*this);
    try {
        return BcdFromDecimal(d);
    } catch (const EVariantOverflowError&) {
        RaiseConvertOverflow(FType, varFMTBcd);
    }
}

TSQLTimeStamp Variant::AsSQLTimeStamp() const {
    switch (FType) {
    case varSQLTimeStamp:
        return std::get<TSQLTimeStamp>(FPayload);
    default: {
        TDateTime dateTime = 0;
        if (FType == varString || FType == varOleStr) {
            if (!TextToDate(TextOf(*this), dateTime)) RejectText(*this, varSQLTimeStamp);
        } else {
            const Extended x = ToExtendedFor(*this, varSQLTimeStamp);
            if (!(std::fabs(x) <= DBL_MAX)) RaiseConvertOverflow(FType, varSQLTimeStamp);
            dateTime = static_cast<TDateTime>(x);
        }
        // A time stamp holds dates from the year 1 to 9999 only.
        const TSQLTimeStamp stamp = DateTimeToSQLTimeStamp(dateTime);
        if (stamp.Year == 0) RaiseConvertOverflow(FType, varSQLTimeStamp);
        return stamp;
    }
    }
}

Integer Variant::AsError() const {
    if (FType != varError) Cast(*this, varError);
    return static_cast<Integer>(FScalar.I);
}

IDispatch* Variant::AsDispatch() const {
    switch (FType) {
    case varEmpty:
        return nullptr;
    case varDispatch:
        return static_cast<IDispatch*>(A::Intf(*this));
    case varUnknown: {
        IUnknown* object = A::Intf(*this);
        if (!object) return nullptr;
        IDispatch* dispatch = object->QueryDispatch();
        if (!dispatch) Cast(*this, varDispatch);
        return dispatch;
    }
    default:
        Cast(*this, varDispatch);
    }
}

IUnknown* Variant::AsUnknown() const {
    switch (FType) {
    case varEmpty:
        return nullptr;
    case varDispatch:
    case varUnknown:
        return A::Intf(*this);
    default:
        Cast(*this, varUnknown);
    }
}

// ---- Free functions ------------------------------------------------------------------------

Variant Unassigned() { return {}; }

Variant Null() { return TVariantAccess::MakeInt(varNull, 0); }

Variant VarFromDateTime(TDateTime value) { return TVariantAccess::MakeDouble(varDate, value); }

Variant VarAsError(Integer code) { return TVariantAccess::MakeInt(varError, code); }

TVarType VarType(const Variant& v) { return v.VType(); }
bool VarIsEmpty(const Variant& v) { return v.VType() == varEmpty; }
bool VarIsNull(const Variant& v) { return v.VType() == varNull; }

bool VarIsClear(const Variant& v) {
    return v.VType() == varEmpty || ((v.VType() == varDispatch || v.VType() == varUnknown) && !A::Intf(v));
}

bool VarIsArray(const Variant& v) { return (v.VType() & varArray) != 0; }

bool VarIsOrdinal(const Variant& v) {
    switch (v.VType()) {
    case varSmallint:
    case varInteger:
    case varBoolean:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return true;
    default:
        return false;
    }
}

bool VarIsFloat(const Variant& v) {
    switch (v.VType()) {
    case varSingle:
    case varDouble:
    case varCurrency:
    case varFMTBcd:
        return true;
    default:
        return false;
    }
}

bool VarIsNumeric(const Variant& v) { return VarIsOrdinal(v) || VarIsFloat(v); }
bool VarIsStr(const Variant& v) { return v.VType() == varString || v.VType() == varOleStr; }
void VarClear(Variant& v) { v.Clear(); }

String VarToStr(const Variant& v) { return v.VType() == varNull ? String() : v.AsString(); }

String VarToStrDef(const Variant& v, const String& defaultValue) {
    return v.VType() == varNull ? defaultValue : v.AsString();
}

WideString VarToWideStr(const Variant& v) { return v.VType() == varNull ? WideString() : v.AsWideString(); }

TDateTime VarToDateTime(const Variant& v) { return v.AsDateTime(); }
TBcd VarToBcd(const Variant& v) { return v.AsBcd(); }
TSQLTimeStamp VarToSQLTimeStamp(const Variant& v) { return v.AsSQLTimeStamp(); }

String VarTypeAsText(TVarType varType) {
    const TVarType base = varType & varTypeMask;
    const char* name = BaseTypeName(base);
    String text = name ? String(name) : "$" + IntToHex(static_cast<Integer>(base), 4);
    if (varType & varArray) text = "Array of " + text;
    return text;
}

Variant VarAsType(const Variant& v, TVarType varType) {
    if (varType & varArray) return kov_variant_detail::ArrayAsType(v, varType);
    if (varType & ~varTypeMask) throw EVariantBadVarTypeError("Invalid variant type");
    if (varType == varVariant || varType == v.VType()) return v;
    if (VarIsArray(v)) RaiseCastError(v.VType(), varType);
    if (v.VType() == varNull && varType != varEmpty && varType != varNull) RaiseCastError(varNull, varType);
    switch (varType) {
    case varEmpty:
        return {};
    case varNull:
        return Null();
    case varSmallint:
        return v.AsSmallInt();
    case varInteger:
        return v.AsInteger();
    case varSingle:
        return v.AsSingle();
    case varDouble:
        return v.AsDouble();
    case varCurrency:
        return v.AsCurrency();
    case varDate:
        return VarFromDateTime(v.AsDateTime());
    case varOleStr:
        return v.AsWideString();
    case varDispatch:
        return v.AsDispatch();
    case varError:
        RaiseCastError(v.VType(), varType);
    case varBoolean:
        return v.AsBoolean();
    case varUnknown:
        return v.AsUnknown();
    case varShortInt:
        return v.AsShortInt();
    case varByte:
        return v.AsByte();
    case varWord:
        return v.AsWord();
    case varLongWord:
        return v.AsLongWord();
    case varInt64:
        return v.AsInt64();
    case varString:
        return v.AsString();
    case varFMTBcd:
        return v.AsBcd();
    case varSQLTimeStamp:
        return v.AsSQLTimeStamp();
    default:
        throw EVariantBadVarTypeError("Invalid variant type");
    }
}

// ---- FMTBcd --------------------------------------------------------------------------------

String BcdToStr(const TBcd& bcd, const TFormatSettings& settings) {
    TDecimal d = DecimalFromBcd(bcd);
    while (d.Scale > 0 && !d.Digits.empty() && d.Digits.back() == '0') {
        d.Digits.pop_back();
        --d.Scale;
    }
    if (d.IsZero()) return "0";
    std::string digits = d.Digits;
    if (static_cast<int>(digits.size()) <= d.Scale)
        digits.insert(0, static_cast<std::size_t>(d.Scale) + 1 - digits.size(), '0');
    String text = d.Negative ? "-" : "";
    text += digits.substr(0, digits.size() - static_cast<std::size_t>(d.Scale));
    if (d.Scale > 0) {
        text += settings.DecimalSeparator;
        text += digits.substr(digits.size() - static_cast<std::size_t>(d.Scale));
    }
    return text;
}

String BcdToStr(const TBcd& bcd) { return BcdToStr(bcd, FormatSettings); }

String BcdToStrF(const TBcd& bcd, TFloatFormat format, Integer precision, Integer digits,
                 const TFormatSettings& settings) {
    if (format == ffGeneral && precision <= 0) return BcdToStr(bcd, settings);
    const Extended value = DecimalToExtended(DecimalFromBcd(bcd));
    return FloatToStrF(value, format, precision <= 0 ? 18 : precision, digits, settings);
}

String BcdToStrF(const TBcd& bcd, TFloatFormat format, Integer precision, Integer digits) {
    return BcdToStrF(bcd, format, precision, digits, FormatSettings);
}

bool TryStrToBcd(const String& text, TBcd& bcd, const TFormatSettings& settings) {
    TDecimal d;
    if (!ParseDecimal(text, settings.DecimalSeparator, d)) return false;
    try {
        bcd = BcdFromDecimal(d);
    } catch (const EVariantOverflowError&) {
        return false;
    }
    return true;
}

bool TryStrToBcd(const String& text, TBcd& bcd) { return TryStrToBcd(text, bcd, FormatSettings); }

TBcd StrToBcd(const String& text, const TFormatSettings& settings) {
    TBcd bcd;
    if (!TryStrToBcd(text, bcd, settings)) throw EConvertError("'" + text + "' is not a valid BCD value");
    return bcd;
}

TBcd StrToBcd(const String& text) { return StrToBcd(text, FormatSettings); }

TBcd DoubleToBcd(double value) { return BcdFromDecimal(DecimalFromFloat(value)); }

double BcdToDouble(const TBcd& bcd) { return static_cast<double>(DecimalToExtended(DecimalFromBcd(bcd))); }

TBcd IntegerToBcd(Int64 value) { return BcdFromDecimal(DecimalFromInt64(value)); }

TBcd CurrToBcd(Currency value) {
    TDecimal d = DecimalFromInt64(value.Raw());
    d.Scale = 4;
    return BcdFromDecimal(d);
}

Currency BcdToCurr(const TBcd& bcd) {
    TDecimal d = DecimalFromBcd(bcd);
    RoundToScale(d, 4, true);
    if (!d.IsZero()) d.Digits.append(static_cast<std::size_t>(4 - std::min(d.Scale, 4)), '0');
    d.Scale = 0;
    Int64 raw = 0;
    if (!DecimalToInt64(d, raw)) RaiseConvertOverflow(varFMTBcd, varCurrency);
    return Currency::FromRaw(raw);
}

Integer BcdCompare(const TBcd& a, const TBcd& b) {
    return DecimalCompare(DecimalFromBcd(a), DecimalFromBcd(b));
}

TBcd BcdAdd(const TBcd& a, const TBcd& b) {
    return BcdFromDecimal(DecimalAdd(DecimalFromBcd(a), DecimalFromBcd(b)));
}

TBcd BcdSubtract(const TBcd& a, const TBcd& b) {
    TDecimal negated = DecimalFromBcd(b);
    if (!negated.IsZero()) negated.Negative = !negated.Negative;
    return BcdFromDecimal(DecimalAdd(DecimalFromBcd(a), negated));
}

TBcd BcdMultiply(const TBcd& a, const TBcd& b) {
    const TDecimal x = DecimalFromBcd(a);
    const TDecimal y = DecimalFromBcd(b);
    TDecimal r;
    r.Digits = MultiplyMagnitudes(x.Digits, y.Digits);
    r.Scale = x.Scale + y.Scale;
    r.Negative = x.Negative != y.Negative;
    r.Normalize();
    return BcdFromDecimal(r);
}

TBcd BcdDivide(const TBcd& a, const TBcd& b) {
    const TDecimal x = DecimalFromBcd(a);
    const TDecimal y = DecimalFromBcd(b);
    if (y.IsZero()) {
        if (x.IsZero()) RaiseInvalidOp();
        RaiseZeroDivide();
    }
    if (x.IsZero()) return BcdFromDecimal({});
    // Enough quotient digits for 64 significant ones and the one that decides the rounding.
    const int extra = std::max(0, 66 + static_cast<int>(y.Digits.size()) - static_cast<int>(x.Digits.size()));
    TDecimal r;
    r.Digits = DivideMagnitudes(x.Digits + std::string(static_cast<std::size_t>(extra), '0'), y.Digits);
    r.Scale = x.Scale - y.Scale + extra;
    r.Negative = x.Negative != y.Negative;
    r.Normalize();
    if (static_cast<int>(r.Digits.size()) > MaxFMTBcdDigits) {
        const int drop = static_cast<int>(r.Digits.size()) - MaxFMTBcdDigits;
        if (r.Scale >= drop) RoundToScale(r, r.Scale - drop, false);
    }
    while (r.Scale > 0 && !r.Digits.empty() && r.Digits.back() == '0') {
        r.Digits.pop_back();
        --r.Scale;
    }
    return BcdFromDecimal(r);
}

// ---- SQL time stamp ------------------------------------------------------------------------

TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& value) {
    if (value.Year == 0 && value.Month == 0 && value.Day == 0 && value.Hour == 0 && value.Minute == 0 &&
        value.Second == 0 && value.Fractions == 0)
        return 0;
    if (value.Year < 1) throw EConvertError("Invalid argument to date encode");
    if (value.Fractions > 999) throw EConvertError("Invalid argument to time encode");
    const TDateTime date = EncodeDate(static_cast<Word>(value.Year), value.Month, value.Day);
    const TDateTime time =
        EncodeTime(value.Hour, value.Minute, value.Second, static_cast<Word>(value.Fractions));
    return date >= 0 ? date + time : date - time;
}

TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime value) {
    Word year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, msec);
    TSQLTimeStamp stamp;
    stamp.Year = static_cast<SmallInt>(year);
    stamp.Month = month;
    stamp.Day = day;
    stamp.Hour = hour;
    stamp.Minute = minute;
    stamp.Second = second;
    stamp.Fractions = msec;
    return stamp;
}

String SQLTimeStampToStr(const String& format, const TSQLTimeStamp& value, const TFormatSettings& settings) {
    const TDateTime dateTime = SQLTimeStampToDateTime(value);
    return format.empty() ? DateTimeToStr(dateTime, settings) : FormatDateTime(format, dateTime, settings);
}

String SQLTimeStampToStr(const String& format, const TSQLTimeStamp& value) {
    return SQLTimeStampToStr(format, value, FormatSettings);
}

TSQLTimeStamp StrToSQLTimeStamp(const String& text, const TFormatSettings& settings) {
    return DateTimeToSQLTimeStamp(StrToDateTime(text, settings));
}

TSQLTimeStamp StrToSQLTimeStamp(const String& text) { return StrToSQLTimeStamp(text, FormatSettings); }

bool TryStrToSQLTimeStamp(const String& text, TSQLTimeStamp& value) {
    TDateTime dateTime = 0;
    if (!TryStrToDateTime(text, dateTime)) return false;
    value = DateTimeToSQLTimeStamp(dateTime);
    return true;
}

Integer SQLTimeStampCompare(const TSQLTimeStamp& a, const TSQLTimeStamp& b) {
    const Int64 left[] = {a.Year, a.Month, a.Day, a.Hour, a.Minute, a.Second, a.Fractions};
    const Int64 right[] = {b.Year, b.Month, b.Day, b.Hour, b.Minute, b.Second, b.Fractions};
    for (int i = 0; i < 7; ++i)
        if (left[i] != right[i]) return left[i] < right[i] ? -1 : 1;
    return 0;
}
