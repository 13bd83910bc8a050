#include "platform/runtime/Numbers.h"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <vector>

#include "platform/runtime/Clock.h"
#include "platform/runtime/Exceptions.h"

namespace {

// ---- Decimal digits of a value -------------------------------------------------------------

// A finite number as decimal digits: value = 0.Digits × 10^Exponent. Digits has neither
// leading nor trailing zeros and is empty for zero.
struct TDecimal {
    bool Negative = false;
    std::string Digits;
    long Exponent = 0;

    bool IsZero() const { return Digits.empty(); }
    // The digit at a position counted from the first significant one; zeros around them.
    char DigitAt(long index) const {
        return index >= 0 && index < static_cast<long>(Digits.size()) ? Digits[index] : '0';
    }
};

void Normalize(TDecimal& d) {
    size_t first = d.Digits.find_first_not_of('0');
    if (first == std::string::npos) {
        d.Digits.clear();
        d.Exponent = 0;
        return;
    }
    d.Digits.erase(0, first);
    d.Exponent -= static_cast<long>(first);
    d.Digits.resize(d.Digits.find_last_not_of('0') + 1);
}

TDecimal DecimalFromExtended(Extended value) {
    TDecimal d;
    d.Negative = std::signbit(value);
    if (value == 0) return d;
    char buffer[64];
    // Every value, a double's too, shows the first 18 significant digits of its exact value.
    std::to_chars_result written =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 17);
    // "-d.ddde+XX"
    const char* p = buffer;
    const char* end = written.ptr;
    for (; p < end && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') d.Digits += *p;
    long exponent = 0;
    if (p < end) {
        ++p;
        bool negativeExponent = *p == '-';
        if (*p == '-' || *p == '+') ++p;
        std::from_chars(p, end, exponent);
        if (negativeExponent) exponent = -exponent;
    }
    d.Exponent = exponent + 1;
    Normalize(d);
    return d;
}

TDecimal DecimalFromCurrency(Currency value) {
    TDecimal d;
    Int64 raw = value.Raw();
    d.Negative = raw < 0;
    UInt64 magnitude = raw < 0 ? 0 - static_cast<UInt64>(raw) : static_cast<UInt64>(raw);
    char buffer[32];
    auto written = std::to_chars(buffer, buffer + sizeof buffer, magnitude);
    d.Digits.assign(buffer, written.ptr);
    d.Exponent = static_cast<long>(d.Digits.size()) - 4;
    Normalize(d);
    return d;
}

// Keeps the first `keep` digits, rounding a half away from zero.
void RoundAt(TDecimal& d, long keep) {
    if (keep >= static_cast<long>(d.Digits.size())) return;
    if (keep < 0) {
        d.Digits.clear();
        d.Exponent = 0;
        return;
    }
    bool up = d.Digits[keep] >= '5';
    d.Digits.resize(keep);
    if (up) {
        long i = keep - 1;
        while (i >= 0 && d.Digits[i] == '9')
            d.Digits[i--] = '0';
        if (i < 0) {
            d.Digits.insert(d.Digits.begin(), '1');
            ++d.Exponent;
        } else {
            ++d.Digits[i];
        }
    }
    Normalize(d);
}

void RoundToSignificant(TDecimal& d, long count) { RoundAt(d, count); }

void RoundToDecimals(TDecimal& d, long decimals) {
    if (!d.IsZero()) RoundAt(d, d.Exponent + decimals);
}

// The digits in front of the decimal point; empty below 1.
String IntegerDigits(const TDecimal& d) {
    String digits;
    for (long i = 0; i < d.Exponent; ++i)
        digits += d.DigitAt(i);
    return digits;
}

String GroupThousands(const String& digits, char separator) {
    if (!separator || digits.size() <= 3) return digits;
    String grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += separator;
        grouped += digits[i];
    }
    return grouped;
}

String PaddedNumber(long value, long minDigits) {
    String text = std::to_string(value);
    if (static_cast<long>(text.size()) < minDigits) text.insert(0, minDigits - text.size(), '0');
    return text;
}

bool SpecialText(Extended value, String& text) {
    if (std::isnan(value)) {
        text = "NAN";
        return true;
    }
    if (std::isinf(value)) {
        text = value < 0 ? "-INF" : "INF";
        return true;
    }
    return false;
}

// ---- The float formats ---------------------------------------------------------------------

String GeneralText(TDecimal d, long precision, long exponentDigits, const TFormatSettings& settings) {
    RoundToSignificant(d, precision);
    if (d.IsZero()) return "0";
    String text = d.Negative ? "-" : "";
    long x = d.Exponent;
    if (x > precision || x < -3) {
        text += d.Digits[0];
        if (d.Digits.size() > 1) {
            text += settings.DecimalSeparator;
            text.append(d.Digits, 1);
        }
        text += 'E';
        long exponent = x - 1;
        if (exponent < 0) {
            text += '-';
            exponent = -exponent;
        }
        text += PaddedNumber(exponent, exponentDigits);
    } else if (x <= 0) {
        text += '0';
        text += settings.DecimalSeparator;
        text.append(-x, '0');
        text += d.Digits;
    } else {
        text += IntegerDigits(d);
        if (static_cast<long>(d.Digits.size()) > x) {
            text += settings.DecimalSeparator;
            text.append(d.Digits, x);
        }
    }
    return text;
}

String ExponentText(TDecimal d, long precision, long exponentDigits, const TFormatSettings& settings) {
    RoundToSignificant(d, precision);
    String text = d.Negative && !d.IsZero() ? "-" : "";
    text += d.DigitAt(0);
    if (precision > 1) {
        text += settings.DecimalSeparator;
        for (long i = 1; i < precision; ++i)
            text += d.DigitAt(i);
    }
    long exponent = d.IsZero() ? 0 : d.Exponent - 1;
    text += 'E';
    text += exponent < 0 ? '-' : '+';
    text += PaddedNumber(exponent < 0 ? -exponent : exponent, exponentDigits);
    return text;
}

// Places the currency string around an unsigned amount.
String CurrencyText(const String& amount, bool negative, const TFormatSettings& settings) {
    const String& c = settings.CurrencyString;
    if (!negative) {
        switch (settings.CurrencyFormat) {
        case 1:
            return amount + c;
        case 2:
            return c + " " + amount;
        case 3:
            return amount + " " + c;
        default:
            return c + amount;
        }
    }
    switch (settings.NegCurrFormat) {
    case 1:
        return "-" + c + amount;
    case 2:
        return c + "-" + amount;
    case 3:
        return c + amount + "-";
    case 4:
        return "(" + amount + c + ")";
    case 5:
        return "-" + amount + c;
    case 6:
        return amount + "-" + c;
    case 7:
        return amount + c + "-";
    case 8:
        return "-" + amount + " " + c;
    case 9:
        return "-" + c + " " + amount;
    case 10:
        return amount + " " + c + "-";
    case 11:
        return c + " " + amount + "-";
    case 12:
        return c + " -" + amount;
    case 13:
        return amount + "- " + c;
    case 14:
        return "(" + c + " " + amount + ")";
    case 15:
        return "(" + amount + " " + c + ")";
    default:
        return "(" + c + amount + ")";
    }
}

String FixedText(const TDecimal& value, TFloatFormat format, long precision, long digits,
                 const TFormatSettings& settings) {
    TDecimal d = value;
    // One rounding, at whichever comes first: the last significant or the last decimal digit.
    if (!d.IsZero()) RoundAt(d, std::min(precision, d.Exponent + digits));
    if (d.Exponent > precision) return GeneralText(value, precision, 0, settings);
    String number = d.Exponent > 0 ? IntegerDigits(d) : "0";
    if (format != ffFixed) number = GroupThousands(number, settings.ThousandSeparator);
    if (digits > 0) {
        number += settings.DecimalSeparator;
        for (long j = 0; j < digits; ++j)
            number += d.DigitAt(d.Exponent + j);
    }
    bool negative = d.Negative && !d.IsZero();
    if (format == ffCurrency) return CurrencyText(number, negative, settings);
    return negative ? "-" + number : number;
}

String DecimalToText(const TDecimal& d, TFloatFormat format, long precision, long digits,
                     const TFormatSettings& settings) {
    switch (format) {
    case ffExponent:
        return ExponentText(d, precision, std::clamp(digits, 0L, 4L), settings);
    case ffFixed:
    case ffNumber:
    case ffCurrency:
        return FixedText(d, format, precision, std::clamp(digits, 0L, 18L), settings);
    default:
        return GeneralText(d, precision, std::clamp(digits, 0L, 4L), settings);
    }
}

// ---- Picture formats -----------------------------------------------------------------------

size_t SkipQuoted(const String& text, size_t quoteAt) {
    size_t close = text.find(text[quoteAt], quoteAt + 1);
    return close == String::npos ? text.size() : close + 1;
}

bool IsExponentAt(const String& section, size_t i) {
    return (section[i] == 'E' || section[i] == 'e') && i + 1 < section.size() &&
           (section[i + 1] == '+' || section[i + 1] == '-');
}

std::vector<String> SplitSections(const String& format) {
    std::vector<String> sections(1);
    for (size_t i = 0; i < format.size();) {
        char c = format[i];
        if (c == '\'' || c == '"') {
            size_t next = SkipQuoted(format, i);
            sections.back().append(format, i, next - i);
            i = next;
        } else {
            if (c == ';')
                sections.emplace_back();
            else
                sections.back() += c;
            ++i;
        }
    }
    return sections;
}

// What a section asks for.
struct TPicture {
    long IntPlaces = 0;  // digit placeholders before the decimal point
    long MinInt = 0;     // of which always shown (from the first "0" on)
    long FracPlaces = 0; // digit placeholders after the decimal point
    long MinFrac = 0;    // of which always shown (up to the last "0")
    bool Thousands = false;
    bool Scientific = false;
    long MinExponentDigits = 0;
};

TPicture Analyse(const String& section) {
    TPicture picture;
    bool point = false;
    long firstZero = -1;
    for (size_t i = 0; i < section.size();) {
        char c = section[i];
        if (c == '\'' || c == '"') {
            i = SkipQuoted(section, i);
            continue;
        }
        if (!picture.Scientific && IsExponentAt(section, i)) {
            picture.Scientific = true;
            for (i += 2; i < section.size() && (section[i] == '0' || section[i] == '#'); ++i)
                if (section[i] == '0') ++picture.MinExponentDigits;
            continue;
        }
        if (c == '0' || c == '#') {
            if (!point) {
                if (c == '0' && firstZero < 0) firstZero = picture.IntPlaces;
                ++picture.IntPlaces;
            } else {
                ++picture.FracPlaces;
                if (c == '0') picture.MinFrac = picture.FracPlaces;
            }
        } else if (c == '.') {
            point = true;
        } else if (c == ',') {
            picture.Thousands = true;
        }
        ++i;
    }
    picture.MinInt = firstZero < 0 ? 0 : picture.IntPlaces - firstZero;
    return picture;
}

// The digits a section shows for a value.
struct TLayout {
    String IntDigits;
    String FracDigits;
    long Exponent = 0;
    bool Zero = true; // the value rounded to zero
};

TLayout Layout(TDecimal d, const TPicture& picture) {
    TLayout layout;
    if (!picture.Scientific) {
        RoundToDecimals(d, picture.FracPlaces);
        layout.IntDigits = IntegerDigits(d);
        for (long j = 0; j < picture.FracPlaces; ++j)
            layout.FracDigits += d.DigitAt(d.Exponent + j);
    } else {
        RoundToSignificant(d, std::max(1L, picture.IntPlaces + picture.FracPlaces));
        // Zero shows as 0 with exponent 0, its integer digits as few as the picture allows.
        if (!d.IsZero()) {
            layout.Exponent = d.Exponent - picture.IntPlaces;
            for (long i = 0; i < picture.IntPlaces; ++i)
                layout.IntDigits += d.DigitAt(i);
        }
        for (long j = 0; j < picture.FracPlaces; ++j)
            layout.FracDigits += d.DigitAt(picture.IntPlaces + j);
    }
    layout.Zero = d.IsZero();
    if (static_cast<long>(layout.IntDigits.size()) < picture.MinInt)
        layout.IntDigits.insert(0, picture.MinInt - layout.IntDigits.size(), '0');
    while (static_cast<long>(layout.FracDigits.size()) > picture.MinFrac && layout.FracDigits.back() == '0')
        layout.FracDigits.pop_back();
    return layout;
}

String Render(const String& section, const TPicture& picture, const TLayout& layout, bool minus,
              const TFormatSettings& settings) {
    String out = minus ? "-" : "";
    const String& digits = layout.IntDigits;
    const long count = static_cast<long>(digits.size());
    // Writes integer digits [from, to), with a separator after each digit that ends a group.
    auto emitInteger = [&](long from, long to) {
        for (long k = from; k < to; ++k) {
            out += digits[k];
            long fromRight = count - 1 - k;
            if (picture.Thousands && settings.ThousandSeparator && fromRight > 0 && fromRight % 3 == 0)
                out += settings.ThousandSeparator;
        }
    };
    long intIndex = 0;
    long fracIndex = 0;
    bool point = false;
    bool exponentDone = false;
    for (size_t i = 0; i < section.size();) {
        char c = section[i];
        if (c == '\'' || c == '"') {
            size_t close = section.find(c, i + 1);
            size_t end = close == String::npos ? section.size() : close;
            out.append(section, i + 1, end - (i + 1));
            i = close == String::npos ? end : close + 1;
            continue;
        }
        if (picture.Scientific && !exponentDone && IsExponentAt(section, i)) {
            out += c;
            long exponent = layout.Exponent;
            if (exponent < 0)
                out += '-';
            else if (section[i + 1] == '+')
                out += '+';
            out += PaddedNumber(exponent < 0 ? -exponent : exponent, picture.MinExponentDigits);
            for (i += 2; i < section.size() && (section[i] == '0' || section[i] == '#'); ++i) {
            }
            exponentDone = true;
            continue;
        }
        if (c == '0' || c == '#') {
            if (!point) {
                // Placeholders are matched to digits from the right; the first one also
                // takes every digit the picture has no room for.
                long fromRight = picture.IntPlaces - 1 - intIndex;
                if (intIndex == 0)
                    emitInteger(0, count - fromRight);
                else if (fromRight < count)
                    emitInteger(count - 1 - fromRight, count - fromRight);
                ++intIndex;
            } else {
                if (fracIndex < static_cast<long>(layout.FracDigits.size()))
                    out += layout.FracDigits[fracIndex];
                ++fracIndex;
            }
        } else if (c == '.' && !point) {
            point = true;
            if (picture.IntPlaces == 0) emitInteger(0, count);
            if (!layout.FracDigits.empty()) out += settings.DecimalSeparator;
        } else if (c != ',') {
            out += c;
        }
        ++i;
    }
    return out;
}

// False when the section the value needs is empty, or when a section without an exponent
// would have to show more than 18 integer digits.
bool PictureText(const String& format, const TDecimal& value, const TFormatSettings& settings, String& text) {
    std::vector<String> sections = SplitSections(format);
    auto has = [&](size_t index) { return index < sections.size() && !sections[index].empty(); };
    bool negative = value.Negative && !value.IsZero();
    size_t index = value.IsZero() ? (has(2) ? 2 : 0) : negative && has(1) ? 1 : 0;
    if (!has(index)) return false;
    TPicture picture = Analyse(sections[index]);
    // More integer digits than an Extended holds, and no exponent asked for: the general form.
    if (!picture.Scientific && value.Exponent > 18) return false;
    TLayout layout = Layout(value, picture);
    if (layout.Zero && !value.IsZero() && has(2)) {
        index = 2;
        picture = Analyse(sections[index]);
        layout = Layout(TDecimal{}, picture);
    }
    bool minus = negative && index == 0 && !layout.Zero;
    text = Render(sections[index], picture, layout, minus, settings);
    return true;
}

// ---- Reading numbers -----------------------------------------------------------------------

// A number as written: sign, digits before and after the decimal separator, exponent.
struct TNumberText {
    bool Negative = false;
    std::string IntDigits;
    std::string FracDigits;
    long Exponent = 0;
};

bool ScanNumber(const char* p, char decimalSeparator, TNumberText& number) {
    if (!p) return false;
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    while (*p == ' ')
        ++p;
    if (*p == '+' || *p == '-') number.Negative = *p++ == '-';
    while (isDigit(*p))
        number.IntDigits += *p++;
    if (*p == decimalSeparator && decimalSeparator != '\0')
        for (++p; isDigit(*p);)
            number.FracDigits += *p++;
    if (number.IntDigits.empty() && number.FracDigits.empty()) return false;
    if (*p == 'e' || *p == 'E') {
        ++p;
        bool negativeExponent = false;
        if (*p == '+' || *p == '-') negativeExponent = *p++ == '-';
        if (!isDigit(*p)) return false;
        long exponent = 0;
        for (; isDigit(*p); ++p)
            if (exponent < 100000000) exponent = exponent * 10 + (*p - '0'); // far beyond any range
        number.Exponent = negativeExponent ? -exponent : exponent;
    }
    while (*p == ' ')
        ++p;
    return *p == '\0';
}

locale_t CLocale() {
    static locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

std::string CanonicalText(const TNumberText& number) {
    std::string text = number.Negative ? "-" : "";
    text += number.IntDigits.empty() ? "0" : number.IntDigits;
    text += '.';
    text += number.FracDigits;
    text += 'e';
    text += std::to_string(number.Exponent);
    return text;
}

bool ParseExtended(const char* buffer, Extended& value, const TFormatSettings& settings) {
    TNumberText number;
    if (!ScanNumber(buffer, settings.DecimalSeparator, number)) return false;
    Extended result = strtold_l(CanonicalText(number).c_str(), nullptr, CLocale());
    if (std::isinf(result)) return false;
    value = result;
    return true;
}

bool ParseDouble(const char* buffer, double& value, const TFormatSettings& settings) {
    TNumberText number;
    if (!ScanNumber(buffer, settings.DecimalSeparator, number)) return false;
    double result = strtod_l(CanonicalText(number).c_str(), nullptr, CLocale());
    if (std::isinf(result)) return false;
    value = result;
    return true;
}

// The exact decimal as ten-thousandths, halves rounded to even.
bool ParseCurrency(const char* buffer, Currency& value, const TFormatSettings& settings) {
    TNumberText number;
    if (!ScanNumber(buffer, settings.DecimalSeparator, number)) return false;
    std::string digits = number.IntDigits + number.FracDigits;
    size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) {
        value = Currency();
        return true;
    }
    digits.erase(0, first);
    // value = digits × 10^shift ten-thousandths
    long shift = number.Exponent - static_cast<long>(number.FracDigits.size()) + 4;
    long integerCount = static_cast<long>(digits.size()) + shift;
    if (integerCount > 19) return false;
    using UInt128 = unsigned __int128;
    UInt128 magnitude = 0;
    for (long i = 0; i < integerCount; ++i)
        magnitude = magnitude * 10 + (i < static_cast<long>(digits.size()) ? digits[i] - '0' : 0);
    // Round on the dropped digits: above a half up, exactly a half to even. With fewer
    // than zero kept digits the value is below a tenth of the last place.
    if (integerCount >= 0 && integerCount < static_cast<long>(digits.size())) {
        int firstDropped = digits[integerCount] - '0';
        bool restNonZero = digits.find_first_not_of('0', integerCount + 1) != std::string::npos;
        if (firstDropped > 5 || (firstDropped == 5 && (restNonZero || magnitude % 2 != 0))) ++magnitude;
    }
    UInt128 limit = number.Negative ? UInt128(INT64_MAX) + 1 : UInt128(INT64_MAX);
    if (magnitude > limit) return false;
    Int64 raw = number.Negative ? static_cast<Int64>(0 - static_cast<UInt64>(magnitude))
                                : static_cast<Int64>(magnitude);
    value = Currency::FromRaw(raw);
    return true;
}

[[noreturn]] void RaiseInvalidFloat(const String& text) {
    throw EConvertError("'" + text + "' is not a valid floating point value");
}

Int64 CheckedInt64(Extended whole) {
    // The Int64 range is [-2^63, 2^63); both ends are exact in Extended. NaN fails too.
    if (!(whole >= -0x1p63L && whole < 0x1p63L)) RaiseInvalidOp();
    return static_cast<Int64>(whole);
}

Cardinal NextSeed() {
    Cardinal seed = static_cast<Cardinal>(RandSeed) * 134775813u + 1u;
    RandSeed = static_cast<Integer>(seed);
    return seed;
}

} // namespace

// ---- Floating point to text ----------------------------------------------------------------

String FloatToStr(Extended value, const TFormatSettings& settings) {
    return FloatToStrF(value, ffGeneral, 15, 0, settings);
}

String FloatToStr(Extended value) { return FloatToStr(value, FormatSettings); }

String FloatToStrF(Extended value, TFloatFormat format, Integer precision, Integer digits,
                   const TFormatSettings& settings) {
    String text;
    if (SpecialText(value, text)) return text;
    return DecimalToText(DecimalFromExtended(value), format, std::clamp(precision, 1, 18), digits, settings);
}

String FloatToStrF(Extended value, TFloatFormat format, Integer precision, Integer digits) {
    return FloatToStrF(value, format, precision, digits, FormatSettings);
}

String FormatFloat(const String& format, Extended value, const TFormatSettings& settings) {
    String text;
    if (SpecialText(value, text)) return text;
    if (format.empty() || !PictureText(format, DecimalFromExtended(value), settings, text))
        return FloatToStr(value, settings);
    return text;
}

String FormatFloat(const String& format, Extended value) {
    return FormatFloat(format, value, FormatSettings);
}

// ---- Text to floating point ----------------------------------------------------------------

bool TextToFloat(const char* buffer, Extended& value, const TFormatSettings& settings) {
    return ParseExtended(buffer, value, settings);
}

bool TextToFloat(const char* buffer, Extended& value) { return TextToFloat(buffer, value, FormatSettings); }

bool TextToFloat(const char* buffer, Currency& value, const TFormatSettings& settings) {
    return ParseCurrency(buffer, value, settings);
}

bool TextToFloat(const char* buffer, Currency& value) { return TextToFloat(buffer, value, FormatSettings); }

// A String may hold a NUL byte; the text after it must not be ignored.
bool TryStrToFloat(const String& text, Extended& value, const TFormatSettings& settings) {
    return text.find('\0') == String::npos && ParseExtended(text.c_str(), value, settings);
}

bool TryStrToFloat(const String& text, Extended& value) { return TryStrToFloat(text, value, FormatSettings); }

bool TryStrToFloat(const String& text, double& value, const TFormatSettings& settings) {
    return text.find('\0') == String::npos && ParseDouble(text.c_str(), value, settings);
}

bool TryStrToFloat(const String& text, double& value) { return TryStrToFloat(text, value, FormatSettings); }

Extended StrToFloat(const String& text, const TFormatSettings& settings) {
    Extended value = 0;
    if (!TryStrToFloat(text, value, settings)) RaiseInvalidFloat(text);
    return value;
}

Extended StrToFloat(const String& text) { return StrToFloat(text, FormatSettings); }

Extended StrToFloatDef(const String& text, Extended defaultValue, const TFormatSettings& settings) {
    Extended value = 0;
    return TryStrToFloat(text, value, settings) ? value : defaultValue;
}

Extended StrToFloatDef(const String& text, Extended defaultValue) {
    return StrToFloatDef(text, defaultValue, FormatSettings);
}

// ---- Currency text -------------------------------------------------------------------------

String CurrToStrF(Currency value, TFloatFormat format, Integer digits, const TFormatSettings& settings) {
    return DecimalToText(DecimalFromCurrency(value), format, 19, digits, settings);
}

String CurrToStrF(Currency value, TFloatFormat format, Integer digits) {
    return CurrToStrF(value, format, digits, FormatSettings);
}

String CurrToStr(Currency value, const TFormatSettings& settings) {
    return CurrToStrF(value, ffGeneral, 0, settings);
}

String CurrToStr(Currency value) { return CurrToStr(value, FormatSettings); }

bool TryStrToCurr(const String& text, Currency& value, const TFormatSettings& settings) {
    return text.find('\0') == String::npos && ParseCurrency(text.c_str(), value, settings);
}

bool TryStrToCurr(const String& text, Currency& value) { return TryStrToCurr(text, value, FormatSettings); }

Currency StrToCurr(const String& text, const TFormatSettings& settings) {
    Currency value;
    if (!TryStrToCurr(text, value, settings)) RaiseInvalidFloat(text);
    return value;
}

Currency StrToCurr(const String& text) { return StrToCurr(text, FormatSettings); }

// ---- Rounding ------------------------------------------------------------------------------

Int64 Round(Extended value) {
    if (!std::isfinite(value)) RaiseInvalidOp();
    Extended whole = std::trunc(value);
    Extended rest = std::fabs(value - whole);
    if (rest > 0.5L || (rest == 0.5L && std::fmod(whole, 2.0L) != 0)) whole += value < 0 ? -1 : 1;
    return CheckedInt64(whole);
}

Int64 Trunc(Extended value) {
    if (!std::isfinite(value)) RaiseInvalidOp();
    return CheckedInt64(std::trunc(value));
}

Extended Int(Extended value) { return std::trunc(value); }

Extended Frac(Extended value) {
    if (std::isinf(value)) RaiseInvalidOp();
    return value - std::trunc(value);
}

Integer MulDiv(Integer number, Integer numerator, Integer denominator) {
    if (denominator == 0) return -1;
    Int64 product = static_cast<Int64>(number) * numerator;
    Int64 quotient = product / denominator;
    Int64 remainder = product % denominator;
    if (2 * (remainder < 0 ? -remainder : remainder) >= (denominator < 0 ? -Int64(denominator) : denominator))
        quotient += (product < 0) != (denominator < 0) ? -1 : 1;
    if (quotient > INT32_MAX || quotient < INT32_MIN) return -1;
    return static_cast<Integer>(quotient);
}

// ---- The classic math errors ---------------------------------------------------------------

void RaiseInvalidOp() { throw EInvalidOp("Invalid floating point operation"); }
void RaiseZeroDivide() { throw EZeroDivide("Floating point division by zero"); }
void RaiseOverflow() { throw EOverflow("Floating point overflow"); }
void RaiseDivByZero() { throw EDivByZero("Division by zero"); }
void RaiseIntOverflow() { throw EIntOverflow("Integer overflow"); }
void RaiseRangeError() { throw ERangeError("Range check error"); }

Extended FloatDiv(Extended dividend, Extended divisor) {
    if (std::isnan(dividend) || std::isnan(divisor)) return dividend + divisor;
    if (divisor == 0) {
        if (dividend == 0) RaiseInvalidOp();
        if (std::isfinite(dividend)) RaiseZeroDivide();
    }
    Extended quotient = dividend / divisor;
    if (std::isnan(quotient)) RaiseInvalidOp();
    if (std::isinf(quotient) && std::isfinite(dividend) && std::isfinite(divisor)) RaiseOverflow();
    return quotient;
}

Int64 IntDiv(Int64 dividend, Int64 divisor) {
    if (divisor == 0) RaiseDivByZero();
    if (divisor == -1 && dividend == INT64_MIN) RaiseIntOverflow();
    return dividend / divisor;
}

Int64 IntMod(Int64 dividend, Int64 divisor) {
    if (divisor == 0) RaiseDivByZero();
    if (divisor == -1 && dividend == INT64_MIN) RaiseIntOverflow();
    return dividend % divisor;
}

Integer IntDiv(Integer dividend, Integer divisor) {
    if (divisor == 0) RaiseDivByZero();
    if (divisor == -1 && dividend == INT32_MIN) RaiseIntOverflow();
    return dividend / divisor;
}

Integer IntMod(Integer dividend, Integer divisor) {
    if (divisor == 0) RaiseDivByZero();
    if (divisor == -1 && dividend == INT32_MIN) RaiseIntOverflow();
    return dividend % divisor;
}

// ---- Pseudo-random numbers -----------------------------------------------------------------

Integer RandSeed = 0;

Integer Random(Integer range) {
    UInt64 product = static_cast<UInt64>(NextSeed()) * static_cast<Cardinal>(range);
    return static_cast<Integer>(static_cast<Cardinal>(product >> 32));
}

Extended Random() { return static_cast<Extended>(NextSeed()) / 4294967296.0L; }

void Randomize() { RandSeed = static_cast<Integer>(static_cast<Cardinal>(ClockMonotonicMicros())); }
