#include "platform/runtime/DateTime.h"

#include <cmath>

#include "platform/runtime/Clock.h"
#include "platform/runtime/Exceptions.h"

const Word MonthDays[2][13] = {{0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                               {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

namespace {

// Day numbers of the first and the last representable date (0001-01-01, 9999-12-31).
constexpr Int64 MinDayNumber = 1 - DateDelta;
constexpr Int64 MaxDayNumber = 2958465;

// Floor division and modulo, for clock values before 1970.
Int64 FloorDiv(Int64 a, Int64 b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
Int64 FloorMod(Int64 a, Int64 b) { return a - FloorDiv(a, b) * b; }

// Day count from 0001-01-01 (day 1) of a valid date.
Int64 DaySerial(int year, int month, int day) {
    const Word* table = MonthDays[IsLeapYear(Word(year))];
    Int64 days = day;
    for (int m = 1; m < month; ++m)
        days += table[m];
    Int64 y = year - 1;
    return y * 365 + y / 4 - y / 100 + y / 400 + days;
}

struct TCivilDate {
    Word Year = 0, Month = 0, Day = 0, Dow = 0; // all 0 outside the date range
};

TCivilDate CivilFromDayNumber(Int64 dayNumber) {
    TCivilDate result;
    if (dayNumber < MinDayNumber || dayNumber > MaxDayNumber) return result;
    Int64 d = dayNumber + DateDelta - 1; // days since 0001-01-01, 0-based
    result.Dow = Word((d + 1) % 7 + 1);  // 0001-01-01 was a Monday
    Int64 y400 = d / 146097;
    d %= 146097;
    Int64 y100 = d / 36524;
    if (y100 == 4) y100 = 3; // last day of a 400-year cycle
    d -= y100 * 36524;
    Int64 y4 = d / 1461;
    d %= 1461;
    Int64 y1 = d / 365;
    if (y1 == 4) y1 = 3; // last day of a leap year
    d -= y1 * 365;
    int year = int(y400 * 400 + y100 * 100 + y4 * 4 + y1 + 1);
    const Word* table = MonthDays[IsLeapYear(Word(year))];
    int month = 1;
    while (d >= table[month]) {
        d -= table[month];
        ++month;
    }
    result.Year = Word(year);
    result.Month = Word(month);
    result.Day = Word(d + 1);
    return result;
}

bool InDateRange(TDateTime value) {
    return std::isfinite(value) && value > TDateTime(MinDayNumber - 1) && value < TDateTime(MaxDayNumber + 1);
}

// A value split into its day number and the time of day rounded to the millisecond. A time
// that rounds to 24:00 moves to the start of the next day (except on the last day).
struct TSplit {
    bool Valid = false;
    Int64 Day = 0;
    Int64 MSec = 0;
};

TSplit SplitDateTime(TDateTime value) {
    TSplit split;
    if (!InDateRange(value)) return split;
    split.Valid = true;
    double whole = std::trunc(value);
    split.Day = Int64(whole);
    split.MSec = std::llround(std::fabs(value - whole) * MSecsPerDay);
    if (split.MSec >= MSecsPerDay) {
        if (split.Day < MaxDayNumber) {
            ++split.Day;
            split.MSec = 0;
        } else {
            split.MSec = MSecsPerDay - 1;
        }
    }
    return split;
}

// A day number and a time of day as a TDateTime (the time counts away from zero).
TDateTime ComposeDateTime(Int64 dayNumber, TDateTime timeOfDay) {
    return dayNumber >= 0 ? TDateTime(dayNumber) + timeOfDay : TDateTime(dayNumber) - timeOfDay;
}

struct TDecoded {
    TCivilDate Date;
    Word Hour = 0, Min = 0, Sec = 0, MSec = 0;
};

TDecoded DecodeAll(TDateTime value) {
    TDecoded decoded;
    TSplit split = SplitDateTime(value);
    if (!split.Valid) return decoded;
    decoded.Date = CivilFromDayNumber(split.Day);
    Int64 ms = split.MSec;
    decoded.Hour = Word(ms / 3600000);
    decoded.Min = Word(ms / 60000 % 60);
    decoded.Sec = Word(ms / 1000 % 60);
    decoded.MSec = Word(ms % 1000);
    return decoded;
}

// ---- Formatting ---------------------------------------------------------------------------

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

void AppendNumber(String& out, unsigned value, int digits) {
    char buffer[16];
    int n = 0;
    do {
        buffer[n++] = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int i = n; i < digits; ++i)
        out += '0';
    while (n > 0)
        out += buffer[--n];
}

bool MatchesNoCase(const String& text, std::size_t pos, const char* word) {
    for (std::size_t i = 0; word[i] != '\0'; ++i) {
        if (pos + i >= text.size() || UpperAscii(text[pos + i]) != UpperAscii(word[i])) return false;
    }
    return true;
}

std::size_t RunLength(const String& format, std::size_t pos) {
    std::size_t end = pos;
    while (end < format.size() && format[end] == format[pos])
        ++end;
    return end - pos;
}

// Whether the format (outside its quoted literals) holds am/pm, a/p or ampm.
bool HasAmPmSpecifier(const String& format) {
    char quote = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if ((c == 'a' || c == 'A') &&
                   (MatchesNoCase(format, i, "AM/PM") || MatchesNoCase(format, i, "A/P") ||
                    MatchesNoCase(format, i, "AMPM"))) {
            return true;
        }
    }
    return false;
}

const String& NameOrEmpty(const String* names, int count, int index) {
    static const String empty;
    return (index >= 0 && index < count) ? names[index] : empty;
}

// Nested formats (c, t, ddddd, ...) may nest once more; deeper ones are left out, so a format
// setting that names itself cannot recurse without end.
constexpr int MaxFormatLevel = 2;

void AppendFormat(String& out, const String& format, const TDecoded& v, const TFormatSettings& fs,
                  int level) {
    if (level >= MaxFormatLevel) return;
    const bool twelveHour = HasAmPmSpecifier(format);
    char lastToken = ' ';
    std::size_t i = 0;
    while (i < format.size()) {
        const char starter = format[i];
        char token = UpperAscii(starter);
        if (IsAsciiLetter(token)) {
            if (token == 'M' && lastToken == 'H') token = 'N';
            lastToken = token;
        }
        switch (token) {
        case 'Y': {
            std::size_t count = RunLength(format, i);
            i += count;
            if (count <= 2)
                AppendNumber(out, v.Date.Year % 100, 2);
            else
                AppendNumber(out, v.Date.Year, 4);
            break;
        }
        case 'M': {
            std::size_t count = RunLength(format, i);
            i += count;
            if (count <= 2)
                AppendNumber(out, v.Date.Month, int(count));
            else if (count == 3)
                out += NameOrEmpty(fs.ShortMonthNames, 12, v.Date.Month - 1);
            else
                out += NameOrEmpty(fs.LongMonthNames, 12, v.Date.Month - 1);
            break;
        }
        case 'D': {
            std::size_t count = RunLength(format, i);
            i += count;
            if (count <= 2)
                AppendNumber(out, v.Date.Day, int(count));
            else if (count == 3)
                out += NameOrEmpty(fs.ShortDayNames, 7, v.Date.Dow - 1);
            else if (count == 4)
                out += NameOrEmpty(fs.LongDayNames, 7, v.Date.Dow - 1);
            else if (count == 5)
                AppendFormat(out, fs.ShortDateFormat, v, fs, level + 1);
            else
                AppendFormat(out, fs.LongDateFormat, v, fs, level + 1);
            break;
        }
        case 'H': {
            std::size_t count = RunLength(format, i);
            i += count;
            unsigned hour = v.Hour;
            if (twelveHour) {
                if (hour == 0)
                    hour = 12;
                else if (hour > 12)
                    hour -= 12;
            }
            AppendNumber(out, hour, count > 2 ? 2 : int(count));
            break;
        }
        case 'N': {
            std::size_t count = RunLength(format, i);
            i += count;
            AppendNumber(out, v.Min, count > 2 ? 2 : int(count));
            break;
        }
        case 'S': {
            std::size_t count = RunLength(format, i);
            i += count;
            AppendNumber(out, v.Sec, count > 2 ? 2 : int(count));
            break;
        }
        case 'Z': {
            std::size_t count = RunLength(format, i);
            i += count;
            AppendNumber(out, v.MSec, count > 3 ? 3 : int(count));
            break;
        }
        case 'T': {
            std::size_t count = RunLength(format, i);
            i += count;
            AppendFormat(out, count == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, v, fs, level + 1);
            break;
        }
        case 'C': {
            i += RunLength(format, i);
            AppendFormat(out, fs.ShortDateFormat, v, fs, level + 1);
            if (v.Hour != 0 || v.Min != 0 || v.Sec != 0 || v.MSec != 0) {
                out += ' ';
                AppendFormat(out, fs.LongTimeFormat, v, fs, level + 1);
            }
            break;
        }
        case 'A': {
            const bool afternoon = v.Hour >= 12;
            if (MatchesNoCase(format, i, "AM/PM")) {
                out.append(format, afternoon ? i + 3 : i, 2);
                i += 5;
            } else if (MatchesNoCase(format, i, "A/P")) {
                out += format[afternoon ? i + 2 : i];
                i += 3;
            } else if (MatchesNoCase(format, i, "AMPM")) {
                out += afternoon ? fs.TimePMString : fs.TimeAMString;
                i += 4;
            } else {
                out += starter;
                ++i;
            }
            break;
        }
        case '/':
            if (fs.DateSeparator != '\0') out += fs.DateSeparator;
            ++i;
            break;
        case ':':
            if (fs.TimeSeparator != '\0') out += fs.TimeSeparator;
            ++i;
            break;
        case '\'':
        case '"': {
            std::size_t close = format.find(starter, i + 1);
            if (close == String::npos) close = format.size();
            out.append(format, i + 1, close - i - 1);
            i = close < format.size() ? close + 1 : close;
            break;
        }
        default:
            out += starter;
            ++i;
            break;
        }
    }
}

// ---- Parsing ------------------------------------------------------------------------------

class TScanner {
public:
    explicit TScanner(const String& text) : FText(text) {}

    bool AtEnd() const { return FPos >= FText.size(); }

    void SkipBlanks() {
        while (FPos < FText.size() && FText[FPos] == ' ')
            ++FPos;
    }

    // Leading blanks, then decimal digits. `digits` gets their number.
    bool Number(unsigned& value, int& digits) {
        SkipBlanks();
        std::size_t start = FPos;
        unsigned n = 0;
        while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9') {
            if (FPos - start >= 9) return false; // far beyond any field's range
            n = n * 10 + unsigned(FText[FPos] - '0');
            ++FPos;
        }
        digits = int(FPos - start);
        value = n;
        return digits > 0;
    }

    // Blanks, then the character. A blank separator is one or more blanks.
    bool Char(char c) {
        if (c == ' ') {
            std::size_t start = FPos;
            SkipBlanks();
            return FPos > start;
        }
        SkipBlanks();
        if (FPos < FText.size() && FText[FPos] == c) {
            ++FPos;
            return true;
        }
        return false;
    }

    // Blanks, then the text (ASCII letters compared without case). An empty text never matches.
    bool Text(const String& word) {
        if (word.empty()) return false;
        std::size_t save = FPos;
        SkipBlanks();
        if (MatchesNoCase(FText, FPos, word.c_str())) {
            FPos += word.size();
            return true;
        }
        FPos = save;
        return false;
    }

    std::size_t Position() const { return FPos; }
    void SetPosition(std::size_t pos) { FPos = pos; }

private:
    const String& FText;
    std::size_t FPos = 0;
};

int CurrentYear() {
    Word year, month, day;
    DecodeDate(Now(), year, month, day);
    return year;
}

// The order of day, month and year in a date format: a permutation of "DMY". Letters that do
// not occur follow the others in month, day, year order.
String DateOrder(const String& format) {
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
        char u = UpperAscii(c);
        if ((u == 'D' || u == 'M' || u == 'Y') && order.find(u) == String::npos) order += u;
    }
    for (char u : {'M', 'D', 'Y'})
        if (order.find(u) == String::npos) order += u;
    return order;
}

bool ScanDate(TScanner& scan, const TFormatSettings& fs, TDateTime& date) {
    unsigned n[3] = {0, 0, 0};
    int len[3] = {0, 0, 0};
    if (!scan.Number(n[0], len[0]) || !scan.Char(fs.DateSeparator) || !scan.Number(n[1], len[1]))
        return false;
    const String order = DateOrder(fs.ShortDateFormat);
    int year = 0;
    unsigned month = 0, day = 0;
    int yearLength = 4;
    std::size_t beforeThird = scan.Position();
    bool three = false;
    if (scan.Char(fs.DateSeparator)) {
        three = scan.Number(n[2], len[2]);
        // A second separator must be followed by the year; only trailing blanks (a blank
        // separator) may stand alone.
        if (!three && fs.DateSeparator != ' ') return false;
    }
    if (three) {
        for (int k = 0; k < 3; ++k) {
            switch (order[k]) {
            case 'Y':
                year = int(n[k]);
                yearLength = len[k];
                break;
            case 'M':
                month = n[k];
                break;
            default:
                day = n[k];
                break;
            }
        }
        // A separator may close the date ("31.12.2024.").
        std::size_t beforeTrailing = scan.Position();
        if (fs.DateSeparator != ' ' && !scan.Char(fs.DateSeparator)) scan.SetPosition(beforeTrailing);
    } else {
        // Day and month of the current year, in the order the format gives them.
        scan.SetPosition(beforeThird);
        year = CurrentYear();
        if (order.find('D') < order.find('M')) {
            day = n[0];
            month = n[1];
        } else {
            month = n[0];
            day = n[1];
        }
    }
    scan.SkipBlanks();
    if (yearLength <= 2) {
        int centuryBase = CurrentYear() - int(fs.TwoDigitYearCenturyWindow);
        year += int(FloorDiv(centuryBase, 100) * 100);
        if (fs.TwoDigitYearCenturyWindow > 0 && year < centuryBase) year += 100;
    }
    if (year < 1 || year > 9999 || month > 12 || day > 31) return false;
    return TryEncodeDate(Word(year), Word(month), Word(day), date);
}

// One of the locale's designators, or the English one, at the scanner: 0 morning, 12
// afternoon, -1 none.
int ScanDesignator(TScanner& scan, const TFormatSettings& fs) {
    if (scan.Text(fs.TimeAMString) || scan.Text("AM")) return 0;
    if (scan.Text(fs.TimePMString) || scan.Text("PM")) return 12;
    return -1;
}

bool ScanTime(TScanner& scan, const TFormatSettings& fs, TDateTime& time) {
    int baseHour = ScanDesignator(scan, fs);
    if (baseHour >= 0) scan.SkipBlanks();
    unsigned hour = 0, min = 0, sec = 0, msec = 0;
    int digits = 0;
    if (!scan.Number(hour, digits)) return false;
    if (scan.Char(fs.TimeSeparator)) {
        if (!scan.Number(min, digits)) return false;
        if (scan.Char(fs.TimeSeparator)) {
            if (!scan.Number(sec, digits)) return false;
            std::size_t beforeFraction = scan.Position();
            if (fs.DecimalSeparator != ' ' && scan.Char(fs.DecimalSeparator)) {
                // A fraction of a second: ".5" is 500 ms, ".005" is 5 ms.
                if (!scan.Number(msec, digits) || digits > 3) return false;
                for (int k = digits; k < 3; ++k)
                    msec *= 10;
            } else {
                scan.SetPosition(beforeFraction);
            }
        }
    }
    if (baseHour < 0) baseHour = ScanDesignator(scan, fs);
    if (baseHour >= 0) {
        if (hour == 0 || hour > 12) return false;
        if (hour == 12) hour = 0;
        hour += unsigned(baseHour);
    }
    scan.SkipBlanks();
    if (hour > 0xFFFF || min > 0xFFFF || sec > 0xFFFF) return false;
    return TryEncodeTime(Word(hour), Word(min), Word(sec), Word(msec), time);
}

[[noreturn]] void RaiseConvertError(const char* suffix, const String& s) {
    throw EConvertError("'" + s + "' " + suffix);
}

} // namespace

bool IsLeapYear(Word year) { return (year % 4 == 0) && ((year % 100 != 0) || (year % 400 == 0)); }

Word DaysInAMonth(Word year, Word month) {
    if (month < 1 || month > 12) return 0;
    return MonthDays[IsLeapYear(year)][month];
}

Word DaysInMonth(TDateTime dateTime) {
    Word year, month, day;
    DecodeDate(dateTime, year, month, day);
    return DaysInAMonth(year, month);
}

bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date) {
    if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
    if (day < 1 || day > MonthDays[IsLeapYear(year)][month]) return false;
    date = TDateTime(DaySerial(year, month, day) - DateDelta);
    return true;
}

TDateTime EncodeDate(Word year, Word month, Word day) {
    TDateTime date = 0;
    if (!TryEncodeDate(year, month, day, date)) throw EConvertError("Invalid argument to date encode");
    return date;
}

bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time) {
    if (hour >= HoursPerDay || min >= MinsPerHour || sec >= SecsPerMin || msec >= MSecsPerSec) return false;
    Integer ms = ((hour * MinsPerHour + min) * SecsPerMin + sec) * MSecsPerSec + msec;
    time = TDateTime(ms) / MSecsPerDay;
    return true;
}

TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec) {
    TDateTime time = 0;
    if (!TryEncodeTime(hour, min, sec, msec, time)) throw EConvertError("Invalid argument to time encode");
    return time;
}

void DecodeDate(TDateTime dateTime, Word& year, Word& month, Word& day) {
    TDecoded decoded = DecodeAll(dateTime);
    year = decoded.Date.Year;
    month = decoded.Date.Month;
    day = decoded.Date.Day;
}

bool DecodeDateFully(TDateTime dateTime, Word& year, Word& month, Word& day, Word& dayOfWeek) {
    TDecoded decoded = DecodeAll(dateTime);
    year = decoded.Date.Year;
    month = decoded.Date.Month;
    day = decoded.Date.Day;
    dayOfWeek = decoded.Date.Dow;
    return year != 0 && IsLeapYear(year);
}

void DecodeTime(TDateTime dateTime, Word& hour, Word& min, Word& sec, Word& msec) {
    TDecoded decoded = DecodeAll(dateTime);
    hour = decoded.Hour;
    min = decoded.Min;
    sec = decoded.Sec;
    msec = decoded.MSec;
}

Word DayOfWeek(TDateTime dateTime) { return DecodeAll(dateTime).Date.Dow; }

TDateTime IncMonth(TDateTime dateTime, Integer numberOfMonths) {
    // The calendar day of the value itself, not of its rounded time, so that the time of day
    // carried over below lands on the same day again.
    if (!InDateRange(dateTime)) throw EConvertError("Invalid argument to date encode");
    double whole = std::trunc(dateTime);
    TCivilDate date = CivilFromDayNumber(Int64(whole));
    Int64 months = Int64(date.Year) * 12 + (date.Month - 1) + numberOfMonths;
    Int64 year = FloorDiv(months, 12);
    Word month = Word(FloorMod(months, 12) + 1);
    if (year < 1 || year > 9999) throw EConvertError("Invalid argument to date encode");
    Word day = date.Day;
    Word last = DaysInAMonth(Word(year), month);
    if (day > last) day = last;
    TDateTime result = EncodeDate(Word(year), month, day);
    return ComposeDateTime(Int64(result), std::fabs(dateTime - whole));
}

TDateTime Now() {
    Int64 ms = FloorDiv(ClockLocalMicros(), 1000);
    Int64 day = FloorDiv(ms, MSecsPerDay) + UnixDateDelta;
    return ComposeDateTime(day, TDateTime(FloorMod(ms, MSecsPerDay)) / MSecsPerDay);
}

TDateTime Date() {
    Int64 ms = FloorDiv(ClockLocalMicros(), 1000);
    return TDateTime(FloorDiv(ms, MSecsPerDay) + UnixDateDelta);
}

TDateTime Time() {
    Int64 ms = FloorDiv(ClockLocalMicros(), 1000);
    return TDateTime(FloorMod(ms, MSecsPerDay)) / MSecsPerDay;
}

String FormatDateTime(const String& format, TDateTime dateTime, const TFormatSettings& settings) {
    TDecoded decoded = DecodeAll(dateTime);
    String out;
    AppendFormat(out, format.empty() ? String("c") : format, decoded, settings, 0);
    return out;
}

String FormatDateTime(const String& format, TDateTime dateTime) {
    return FormatDateTime(format, dateTime, FormatSettings);
}

String DateToStr(TDateTime dateTime, const TFormatSettings& settings) {
    return FormatDateTime("ddddd", dateTime, settings);
}
String DateToStr(TDateTime dateTime) { return DateToStr(dateTime, FormatSettings); }

String TimeToStr(TDateTime dateTime, const TFormatSettings& settings) {
    return FormatDateTime("tt", dateTime, settings);
}
String TimeToStr(TDateTime dateTime) { return TimeToStr(dateTime, FormatSettings); }

String DateTimeToStr(TDateTime dateTime, const TFormatSettings& settings) {
    return FormatDateTime("c", dateTime, settings);
}
String DateTimeToStr(TDateTime dateTime) { return DateTimeToStr(dateTime, FormatSettings); }

bool TryStrToDate(const String& s, TDateTime& value, const TFormatSettings& settings) {
    TScanner scan(s);
    TDateTime date = 0;
    if (!ScanDate(scan, settings, date) || !scan.AtEnd()) return false;
    value = date;
    return true;
}
bool TryStrToDate(const String& s, TDateTime& value) { return TryStrToDate(s, value, FormatSettings); }

TDateTime StrToDate(const String& s, const TFormatSettings& settings) {
    TDateTime value = 0;
    if (!TryStrToDate(s, value, settings)) RaiseConvertError("is not a valid date", s);
    return value;
}
TDateTime StrToDate(const String& s) { return StrToDate(s, FormatSettings); }

TDateTime StrToDateDef(const String& s, TDateTime defaultValue, const TFormatSettings& settings) {
    TDateTime value = 0;
    return TryStrToDate(s, value, settings) ? value : defaultValue;
}
TDateTime StrToDateDef(const String& s, TDateTime defaultValue) {
    return StrToDateDef(s, defaultValue, FormatSettings);
}

bool TryStrToTime(const String& s, TDateTime& value, const TFormatSettings& settings) {
    TScanner scan(s);
    TDateTime time = 0;
    if (!ScanTime(scan, settings, time) || !scan.AtEnd()) return false;
    value = time;
    return true;
}
bool TryStrToTime(const String& s, TDateTime& value) { return TryStrToTime(s, value, FormatSettings); }

TDateTime StrToTime(const String& s, const TFormatSettings& settings) {
    TDateTime value = 0;
    if (!TryStrToTime(s, value, settings)) RaiseConvertError("is not a valid time", s);
    return value;
}
TDateTime StrToTime(const String& s) { return StrToTime(s, FormatSettings); }

TDateTime StrToTimeDef(const String& s, TDateTime defaultValue, const TFormatSettings& settings) {
    TDateTime value = 0;
    return TryStrToTime(s, value, settings) ? value : defaultValue;
}
TDateTime StrToTimeDef(const String& s, TDateTime defaultValue) {
    return StrToTimeDef(s, defaultValue, FormatSettings);
}

bool TryStrToDateTime(const String& s, TDateTime& value, const TFormatSettings& settings) {
    TScanner scan(s);
    TDateTime date = 0, time = 0;
    if (ScanDate(scan, settings, date) &&
        (scan.AtEnd() || (ScanTime(scan, settings, time) && scan.AtEnd()))) {
        value = date >= 0 ? date + time : date - time;
        return true;
    }
    return TryStrToTime(s, value, settings);
}
bool TryStrToDateTime(const String& s, TDateTime& value) {
    return TryStrToDateTime(s, value, FormatSettings);
}

TDateTime StrToDateTime(const String& s, const TFormatSettings& settings) {
    TDateTime value = 0;
    if (!TryStrToDateTime(s, value, settings)) RaiseConvertError("is not a valid date and time", s);
    return value;
}
TDateTime StrToDateTime(const String& s) { return StrToDateTime(s, FormatSettings); }

TDateTime StrToDateTimeDef(const String& s, TDateTime defaultValue, const TFormatSettings& settings) {
    TDateTime value = 0;
    return TryStrToDateTime(s, value, settings) ? value : defaultValue;
}
TDateTime StrToDateTimeDef(const String& s, TDateTime defaultValue) {
    return StrToDateTimeDef(s, defaultValue, FormatSettings);
}
