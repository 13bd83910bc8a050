#include "platform/runtime/FormatSettings.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <strings.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/runtime/DateTime.h"

TFormatSettings FormatSettings;

TFormatSettings DefaultFormatSettings() { return TFormatSettings{}; }

namespace {

// ---- Text of a locale ---------------------------------------------------------------------

bool IsAscii(const char* text) {
    for (const char* p = text; *p; ++p)
        if (static_cast<unsigned char>(*p) >= 0x80) return false;
    return true;
}

bool IsUtf8Codeset(const char* codeset) {
    return strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "UTF8") == 0;
}

// Locale data come in the locale's own character set; the runtime's strings are UTF-8.
String ToUtf8(const char* text, const char* codeset) {
    if (!text) return String();
    if (IsAscii(text) || !codeset || !*codeset || IsUtf8Codeset(codeset)) return String(text);
    iconv_t cd = iconv_open("UTF-8", codeset);
    if (cd == reinterpret_cast<iconv_t>(-1)) return String(text);
    String input(text);
    String output(input.size() * 4 + 4, '\0');
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    std::size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) return String(text);
    output.resize(output.size() - outLeft);
    return output;
}

class TLocaleReader {
public:
    explicit TLocaleReader(locale_t locale) : FLocale(locale) {}

    // A text item of a category whose character set is `codesetItem`.
    String Text(nl_item item, nl_item codesetItem) const {
        return ToUtf8(nl_langinfo_l(item, FLocale), nl_langinfo_l(codesetItem, FLocale));
    }
    String TimeText(nl_item item) const { return Text(item, _NL_TIME_CODESET); }
    String NumericText(nl_item item) const { return Text(item, _NL_NUMERIC_CODESET); }
    String MonetaryText(nl_item item) const { return Text(item, _NL_MONETARY_CODESET); }

    // A one-byte number (the monetary position items); -1 when the locale leaves it open
    // (CHAR_MAX) or the item is missing.
    int ByteValue(nl_item item) const {
        const char* p = nl_langinfo_l(item, FLocale);
        if (!p) return -1;
        int value = static_cast<signed char>(*p);
        return value == 127 ? -1 : value;
    }

    // A word-sized number: the C library hands it over in place of the pointer.
    unsigned WordValue(nl_item item) const {
        return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(nl_langinfo_l(item, FLocale)));
    }

private:
    locale_t FLocale;
};

// ---- Separators ---------------------------------------------------------------------------

char32_t FirstCodePoint(const String& s) {
    auto b = [&](std::size_t i) { return i < s.size() ? static_cast<unsigned char>(s[i]) : 0u; };
    unsigned lead = b(0);
    if (lead < 0x80) return lead;
    if ((lead & 0xE0) == 0xC0) return char32_t(((lead & 0x1F) << 6) | (b(1) & 0x3F));
    if ((lead & 0xF0) == 0xE0) return char32_t(((lead & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F));
    if ((lead & 0xF8) == 0xF0)
        return char32_t(((lead & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F));
    return 0xFFFD;
}

bool IsUnicodeSpace(char32_t cp) {
    return cp == 0x00A0 || cp == 0x1680 || (cp >= 0x2000 && cp <= 0x200B) || cp == 0x202F || cp == 0x205F ||
           cp == 0x3000;
}

// Separators are one byte: a wide space (no-break, narrow no-break, thin, ...) becomes a plain
// blank; any other character beyond ASCII, or none at all, leaves the default.
char SeparatorChar(const String& text, char fallback) {
    if (text.empty()) return fallback;
    char32_t cp = FirstCodePoint(text);
    if (cp < 0x80) return cp >= 0x20 && cp < 0x7F ? char(cp) : fallback;
    return IsUnicodeSpace(cp) ? ' ' : fallback;
}

// Whether a literal only joins two fields: ASCII punctuation and blanks, wide spaces.
bool IsSeparatorLike(const String& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return false;
            ++i;
            continue;
        }
        if (!IsUnicodeSpace(FirstCodePoint(text.substr(i, 4)))) return false;
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            ++i;
    }
    return true;
}

// ---- strftime formats ---------------------------------------------------------------------

// One piece of a strftime format: a conversion (Conv != 0) or literal text.
struct TPiece {
    char Conv = 0;
    bool NoPad = false;
    String Literal;
};
using TPieces = std::vector<TPiece>;

// What %r, %x, %X and %c stand for (the locale's own formats).
struct TExpansions {
    String AmPmTime = "%I:%M:%S %p";
    String Date = "%m/%d/%y";
    String Time = "%H:%M:%S";
    String DateTime = "%a %b %e %H:%M:%S %Y";
};

void AddLiteral(TPieces& pieces, const String& text) {
    if (text.empty()) return;
    if (!pieces.empty() && pieces.back().Conv == 0)
        pieces.back().Literal += text;
    else
        pieces.push_back(TPiece{0, false, text});
}

void ParseStrftime(const String& format, const TExpansions& ex, int depth, TPieces& pieces) {
    std::size_t i = 0;
    while (i < format.size()) {
        char c = format[i];
        if (c != '%') {
            AddLiteral(pieces, String(1, c));
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        bool noPad = false;
        while (j < format.size() && format[j] != '\0' && std::strchr("_-0^#", format[j])) {
            if (format[j] == '-' || format[j] == '_') noPad = true;
            ++j;
        }
        while (j < format.size() && format[j] >= '0' && format[j] <= '9')
            ++j;
        if (j < format.size() && (format[j] == 'E' || format[j] == 'O')) ++j;
        if (j >= format.size()) {
            AddLiteral(pieces, format.substr(i));
            return;
        }
        char conv = format[j];
        i = j + 1;
        const String* nested = nullptr;
        static const String dateSlash = "%m/%d/%y", hms = "%H:%M:%S", hm = "%H:%M", iso = "%Y-%m-%d";
        switch (conv) {
        case 'D':
            nested = &dateSlash;
            break;
        case 'T':
            nested = &hms;
            break;
        case 'R':
            nested = &hm;
            break;
        case 'F':
            nested = &iso;
            break;
        case 'r':
            nested = &ex.AmPmTime;
            break;
        case 'x':
            nested = &ex.Date;
            break;
        case 'X':
            nested = &ex.Time;
            break;
        case 'c':
            nested = &ex.DateTime;
            break;
        case '%':
            AddLiteral(pieces, "%");
            continue;
        case 'n':
        case 't':
            AddLiteral(pieces, " ");
            continue;
        default:
            break;
        }
        if (nested) {
            // Locale formats that name each other stop after a few levels.
            if (depth < 3) ParseStrftime(*nested, ex, depth + 1, pieces);
            continue;
        }
        pieces.push_back(TPiece{conv, noPad, String()});
    }
}

bool IsDateConv(char c) { return std::strchr("deaAbBhmyYGgC", c) != nullptr; }
bool IsHourConv(char c) { return c == 'H' || c == 'I' || c == 'k' || c == 'l'; }
bool IsTimeConv(char c) { return IsHourConv(c) || c == 'M' || c == 'S' || c == 'p' || c == 'P'; }
bool IsSupportedConv(char c) { return c != 'C' && (IsDateConv(c) || IsTimeConv(c)); }

void MergeLiteralsAt(TPieces& pieces, std::size_t i) {
    if (i > 0 && i < pieces.size() && pieces[i - 1].Conv == 0 && pieces[i].Conv == 0) {
        pieces[i - 1].Literal += pieces[i].Literal;
        pieces.erase(pieces.begin() + std::ptrdiff_t(i));
    }
}

// Byte length of a character that may stand at the end of a format without a field beside
// it (blanks, wide spaces, a comma or semicolon left by a removed half), or 0.
std::size_t LooseCharLength(const String& text, std::size_t pos) {
    unsigned char c = static_cast<unsigned char>(text[pos]);
    if (c < 0x80) return std::strchr(" \t\n,;", char(c)) && c != 0 ? 1 : 0;
    std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    if (pos + length > text.size()) return 0;
    return IsUnicodeSpace(FirstCodePoint(text.substr(pos, length))) ? length : 0;
}

void TrimEnds(TPieces& pieces) {
    if (!pieces.empty() && pieces.front().Conv == 0) {
        String& text = pieces.front().Literal;
        std::size_t k = 0;
        while (k < text.size()) {
            std::size_t length = LooseCharLength(text, k);
            if (length == 0) break;
            k += length;
        }
        text.erase(0, k);
        if (text.empty()) pieces.erase(pieces.begin());
    }
    if (!pieces.empty() && pieces.back().Conv == 0) {
        String& text = pieces.back().Literal;
        while (!text.empty()) {
            std::size_t start = text.size() - 1;
            while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
                --start;
            if (LooseCharLength(text, start) != text.size() - start) break;
            text.erase(start);
        }
        if (text.empty()) pieces.pop_back();
    }
}

// Removes each conversion `drop` selects, with the literal that joined it to its neighbours:
// the separator before it ("12:30:15" loses ":15"), or else the text after it (a suffix such
// as a seconds sign). Blanks at both ends go too.
template <class TDrop> TPieces DropEach(TPieces pieces, TDrop drop) {
    for (std::size_t i = 0; i < pieces.size();) {
        if (pieces[i].Conv == 0 || !drop(pieces[i].Conv)) {
            ++i;
            continue;
        }
        bool before = i > 0 && pieces[i - 1].Conv == 0;
        bool after = i + 1 < pieces.size() && pieces[i + 1].Conv == 0;
        if (before && IsSeparatorLike(pieces[i - 1].Literal)) {
            pieces.erase(pieces.begin() + std::ptrdiff_t(i - 1), pieces.begin() + std::ptrdiff_t(i + 1));
            --i;
        } else if (after) {
            pieces.erase(pieces.begin() + std::ptrdiff_t(i), pieces.begin() + std::ptrdiff_t(i + 2));
        } else {
            pieces.erase(pieces.begin() + std::ptrdiff_t(i));
        }
        MergeLiteralsAt(pieces, i);
    }
    TrimEnds(pieces);
    return pieces;
}

// Removes every run of conversions `drop` selects (with the literals inside the run) and the
// literal right after the run: the time half of "%d.%m.%Y %H:%M:%S" or of "%d日 %H時%M分%S秒",
// keeping the text that closed the date ("%d日", "(%a)").
template <class TDrop> TPieces DropRuns(TPieces pieces, TDrop drop) {
    for (std::size_t i = 0; i < pieces.size();) {
        if (pieces[i].Conv == 0 || !drop(pieces[i].Conv)) {
            ++i;
            continue;
        }
        std::size_t last = i;
        for (std::size_t k = i + 1; k < pieces.size(); ++k) {
            if (pieces[k].Conv == 0) continue;
            if (!drop(pieces[k].Conv)) break;
            last = k;
        }
        std::size_t end = last + 1;
        if (end < pieces.size() && pieces[end].Conv == 0) ++end;
        pieces.erase(pieces.begin() + std::ptrdiff_t(i), pieces.begin() + std::ptrdiff_t(end));
        MergeLiteralsAt(pieces, i);
    }
    TrimEnds(pieces);
    return pieces;
}

// A literal as FormatDateTime reads it: letters quoted, quote characters inside the other
// quote; the separators "/" and ":" stay as they are.
void EmitLiteral(String& out, const String& text) {
    bool open = false;
    for (char c : text) {
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (letter && !open) {
            out += '\'';
            open = true;
        } else if (!letter && open) {
            out += '\'';
            open = false;
        }
        if (c == '\'')
            out += "\"'\"";
        else if (c == '"')
            out += "'\"'";
        else
            out += c;
    }
    if (open) out += '\'';
}

// `longNames`: day and month names written in full (for the long date format).
String EmitFormat(const TPieces& pieces, bool longNames) {
    String out;
    bool afterHour = false;
    for (const TPiece& piece : pieces) {
        if (piece.Conv == 0) {
            EmitLiteral(out, piece.Literal);
            continue;
        }
        bool pad = !piece.NoPad;
        switch (piece.Conv) {
        case 'd':
            out += pad ? "dd" : "d";
            break;
        case 'e':
            out += "d";
            break;
        case 'm':
            out += pad ? "MM" : "M";
            break;
        case 'Y':
        case 'G':
            out += "yyyy";
            break;
        case 'y':
        case 'g':
            out += "yy";
            break;
        case 'b':
        case 'h':
            out += longNames ? "MMMM" : "MMM";
            break;
        case 'B':
            out += "MMMM";
            break;
        case 'a':
            out += longNames ? "dddd" : "ddd";
            break;
        case 'A':
            out += "dddd";
            break;
        case 'H':
            out += pad ? "HH" : "H";
            break;
        case 'k':
            out += "H";
            break;
        case 'I':
            out += pad ? "hh" : "h";
            break;
        case 'l':
            out += "h";
            break;
        // Minutes are "mm" after an hour (where FormatDateTime reads them so), else "nn".
        case 'M':
            out += afterHour ? (pad ? "mm" : "m") : (pad ? "nn" : "n");
            break;
        case 'S':
            out += pad ? "ss" : "s";
            break;
        case 'p':
        case 'P':
            out += "AMPM";
            break;
        default:
            break;
        }
        afterHour = IsHourConv(piece.Conv);
    }
    return out;
}

TPieces SupportedPieces(const String& format, const TExpansions& ex) {
    TPieces pieces;
    ParseStrftime(format, ex, 0, pieces);
    return DropEach(pieces, [](char c) { return !IsSupportedConv(c); });
}

bool HasConv(const TPieces& pieces, bool (*kind)(char)) {
    for (const TPiece& piece : pieces)
        if (piece.Conv != 0 && kind(piece.Conv)) return true;
    return false;
}

// The first character of the literal that follows the first conversion of a kind, when
// another conversion follows that literal.
char SeparatorAfter(const TPieces& pieces, bool (*kind)(char), char fallback) {
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (pieces[i].Conv == 0 || !kind(pieces[i].Conv)) continue;
        if (i + 2 < pieces.size() && pieces[i + 1].Conv == 0 && pieces[i + 2].Conv != 0)
            return SeparatorChar(pieces[i + 1].Literal, fallback);
        return fallback;
    }
    return fallback;
}

// Positive currency format: 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $".
int PositiveCurrencyFormat(int csPrecedes, int sepBySpace) {
    if (csPrecedes < 0 || sepBySpace < 0) return -1;
    bool space = sepBySpace == 1; // 2 puts the blank next to a sign, and a positive sign is empty
    return (csPrecedes ? 0 : 1) + (space ? 2 : 0);
}

// Negative currency format, numbered as the classic table: 0 ($1), 1 -$1, 2 $-1, 3 $1-,
// 4 (1$), 5 -1$, 6 1-$, 7 1$-, 8 -1 $, 9 -$ 1, 10 1 $-, 11 $ 1-, 12 $ -1, 13 1- $, 14 ($ 1),
// 15 (1 $). A blank the table cannot place exactly goes where the table has one.
int NegativeCurrencyFormat(int csPrecedes, int sepBySpace, int signPosn) {
    if (csPrecedes < 0 || sepBySpace < 0 || signPosn < 0 || signPosn > 4) return -1;
    bool space = sepBySpace != 0;
    static const int symbolFirst[5][2] = {{0, 14}, {1, 9}, {3, 11}, {1, 9}, {2, 12}};
    static const int symbolLast[5][2] = {{4, 15}, {5, 8}, {7, 10}, {6, 13}, {7, 10}};
    return csPrecedes ? symbolFirst[signPosn][space] : symbolLast[signPosn][space];
}

// 0 Sunday .. 6 Saturday, or -1. The locale gives a reference day (yyyymmdd) and the first
// day of the week counted from it (1 = the reference day).
int FirstWeekDayOf(unsigned referenceDay, int firstWeekday) {
    if (firstWeekday < 1 || firstWeekday > 7) return -1;
    TDateTime date = 0;
    if (!TryEncodeDate(Word(referenceDay / 10000 % 10000), Word(referenceDay / 100 % 100),
                       Word(referenceDay % 100), date))
        return -1;
    int referenceDow = DayOfWeek(date) - 1;
    return (referenceDow + firstWeekday - 1) % 7;
}

void ReadLocale(locale_t locale, TFormatSettings& fs) {
    TLocaleReader reader(locale);

    // Numbers.
    fs.DecimalSeparator = SeparatorChar(reader.NumericText(RADIXCHAR), fs.DecimalSeparator);
    fs.ThousandSeparator = SeparatorChar(reader.NumericText(THOUSEP), fs.ThousandSeparator);
    if (fs.DecimalSeparator == ',') fs.ListSeparator = ';';

    // Money; what the locale leaves open keeps the default.
    String currency = reader.MonetaryText(CURRENCY_SYMBOL);
    if (!currency.empty()) fs.CurrencyString = currency;
    int digits = reader.ByteValue(FRAC_DIGITS);
    if (digits >= 0 && digits <= 18) fs.CurrencyDecimals = Byte(digits);
    int positive = PositiveCurrencyFormat(reader.ByteValue(P_CS_PRECEDES), reader.ByteValue(P_SEP_BY_SPACE));
    if (positive >= 0) fs.CurrencyFormat = Byte(positive);
    int negative = NegativeCurrencyFormat(reader.ByteValue(N_CS_PRECEDES), reader.ByteValue(N_SEP_BY_SPACE),
                                          reader.ByteValue(N_SIGN_POSN));
    if (negative >= 0) fs.NegCurrFormat = Byte(negative);

    // Names.
    for (int i = 0; i < 12; ++i) {
        String shortName = reader.TimeText(nl_item(ABMON_1 + i));
        String longName = reader.TimeText(nl_item(MON_1 + i));
        if (!shortName.empty()) fs.ShortMonthNames[i] = shortName;
        if (!longName.empty()) fs.LongMonthNames[i] = longName;
    }
    for (int i = 0; i < 7; ++i) {
        String shortName = reader.TimeText(nl_item(ABDAY_1 + i));
        String longName = reader.TimeText(nl_item(DAY_1 + i));
        if (!shortName.empty()) fs.ShortDayNames[i] = shortName;
        if (!longName.empty()) fs.LongDayNames[i] = longName;
    }
    // A locale without designators (24-hour only) has none.
    fs.TimeAMString = reader.TimeText(AM_STR);
    fs.TimePMString = reader.TimeText(PM_STR);

    // Date and time formats.
    TExpansions ex;
    String amPmTime = reader.TimeText(T_FMT_AMPM);
    String dateFormat = reader.TimeText(D_FMT);
    String timeFormat = reader.TimeText(T_FMT);
    String dateTimeFormat = reader.TimeText(D_T_FMT);
    if (!amPmTime.empty()) ex.AmPmTime = amPmTime;
    if (!dateFormat.empty()) ex.Date = dateFormat;
    if (!timeFormat.empty()) ex.Time = timeFormat;
    if (!dateTimeFormat.empty()) ex.DateTime = dateTimeFormat;

    TPieces shortDate = SupportedPieces(ex.Date, ex);
    shortDate = DropRuns(shortDate, IsTimeConv);
    if (HasConv(shortDate, IsDateConv)) {
        fs.ShortDateFormat = EmitFormat(shortDate, false);
        fs.DateSeparator = SeparatorAfter(shortDate, IsDateConv, '/');
    }
    // The C library has no long date; the date half of its date-and-time format, with the
    // names written in full, serves.
    TPieces longDate = DropRuns(SupportedPieces(ex.DateTime, ex), IsTimeConv);
    if (HasConv(longDate, IsDateConv)) fs.LongDateFormat = EmitFormat(longDate, true);

    TPieces longTime = DropRuns(SupportedPieces(ex.Time, ex), IsDateConv);
    if (HasConv(longTime, IsHourConv)) {
        fs.LongTimeFormat = EmitFormat(longTime, false);
        fs.TimeSeparator = SeparatorAfter(longTime, IsHourConv, ':');
        TPieces shortTime = DropEach(longTime, [](char c) { return c == 'S'; });
        fs.ShortTimeFormat = EmitFormat(shortTime, false);
    }

    // First day of the week.
    int first =
        FirstWeekDayOf(reader.WordValue(_NL_TIME_WEEK_1STDAY), reader.ByteValue(_NL_TIME_FIRST_WEEKDAY));
    if (first >= 0) fs.FirstWeekDay = Byte(first);
}

} // namespace

String StrftimeToDateTimeFormat(const String& strftimeFormat) {
    return EmitFormat(SupportedPieces(strftimeFormat, TExpansions{}), false);
}

TFormatSettings FormatSettingsFromLocale(const char* localeName) {
    TFormatSettings fs = DefaultFormatSettings();
    locale_t locale = newlocale(LC_ALL_MASK, localeName ? localeName : "", static_cast<locale_t>(nullptr));
    if (!locale) return fs;
    ReadLocale(locale, fs);
    freelocale(locale);
    return fs;
}

void InitFormatSettingsFromLocale() { FormatSettings = FormatSettingsFromLocale(""); }

namespace {
std::mutex gHandlersLock;
std::map<int, TFormatSettingsChangeHandler>& Handlers() {
    static std::map<int, TFormatSettingsChangeHandler> handlers;
    return handlers;
}
int gNextCookie = 1;
} // namespace

int AddFormatSettingsChangeHandler(TFormatSettingsChangeHandler handler) {
    std::lock_guard<std::mutex> guard(gHandlersLock);
    int cookie = gNextCookie++;
    Handlers()[cookie] = std::move(handler);
    return cookie;
}

void RemoveFormatSettingsChangeHandler(int cookie) {
    std::lock_guard<std::mutex> guard(gHandlersLock);
    Handlers().erase(cookie);
}

void NotifyFormatSettingsChanged() {
    std::map<int, TFormatSettingsChangeHandler> copy;
    {
        std::lock_guard<std::mutex> guard(gHandlersLock);
        copy = Handlers();
    }
    for (auto& [cookie, handler] : copy)
        if (handler) handler();
}
