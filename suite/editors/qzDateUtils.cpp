#include "suite/editors/qzDateUtils.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/Variant.h"
#include "suite/editors/qzFormats.h"
#include "suite/foundation/qzClasses.h"

Integer MinYear = 100;

String SmartDateWordTexts[SmartDateWordCount] = {"today",   "yesterday", "tomorrow", "Sunday", "Monday",
                                                 "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday",
                                                 "first",   "second",    "third",    "fourth", "fifth",
                                                 "sixth",   "seventh",   "bom",      "eom",    "now"};

namespace {

constexpr int WordYesterday = 1;
constexpr int WordTomorrow = 2;
constexpr int WordSunday = 3;
constexpr int WordSaturday = 9;
constexpr int WordFirst = 10;
constexpr int WordSeventh = 16;
constexpr int WordBom = 17;
constexpr int WordEom = 18;

struct TSmartWord {
    Integer Index;
    String Text;
    Integer Length; // characters
};

// The localised words in the order they are tried: longest first, equal lengths in reverse
// alphabetical order. A word a translation left empty would begin every text: it is left out.
std::vector<TSmartWord> LoadSmartWords() {
    std::vector<TSmartWord> words;
    for (Integer i = 0; i < SmartDateWordCount; ++i) {
        String text = LocalizeSuiteText(SmartDateWordTexts[i]);
        if (text.empty()) continue;
        const Integer length = Utf8Length(text);
        words.push_back({i, std::move(text), length});
    }
    std::stable_sort(words.begin(), words.end(), [](const TSmartWord& a, const TSmartWord& b) {
        if (a.Length != b.Length) return a.Length > b.Length;
        return AnsiCompareText(a.Text, b.Text) > 0;
    });
    return words;
}

// The matching word of a trimmed text, or nullptr.
const TSmartWord* MatchSmartWord(const std::vector<TSmartWord>& words, const String& text) {
    for (const TSmartWord& word : words)
        if (AnsiSameText(Utf8Copy(text, 1, word.Length), word.Text)) return &word;
    return nullptr;
}

String ReplaceDateSeparatorWithBlanks(const String& text) {
    String result = text;
    std::replace(result.begin(), result.end(), FormatSettings.DateSeparator, ' ');
    return result;
}


// The short date format with a two-letter year widened to four letters; a format holding
// "yyy" (any case) is left as it is.
String WidenedShortDateFormat(bool fourDigitYear) {
    String format = FormatSettings.ShortDateFormat;
    if (!fourDigitYear) return format;
    const String lower = LowerCase(format);
    if (lower.find("yyy") != String::npos) return format;
    const std::size_t at = lower.find("yy");
    if (at != String::npos) format.insert(at, format.substr(at, 2));
    return format;
}

bool HasTimeOfDay(TDateTime value) { return std::modf(value, &value) != 0; }

} // namespace

// Runs of characters other than "'" between single quotes, every "'" as "\'".
String QuoteMaskWord(const String& word) {
    String result;
    bool open = false;
    for (char c : word) {
        if (c == '\'') {
            if (open) result += "'";
            open = false;
            result += "\\'";
        } else {
            if (!open) result += "'";
            open = true;
            result += c;
        }
    }
    if (open) result += "'";
    return result;
}

bool FindSmartWord(const String& text, Integer& index) {
    const std::vector<TSmartWord> words = LoadSmartWords();
    const TSmartWord* word = MatchSmartWord(words, text);
    if (!word) return false;
    index = word->Index;
    return true;
}

bool SmartTextToDate(const String& text, TDateTime& value) {
    const std::vector<TSmartWord> words = LoadSmartWords();
    const String trimmed = Trim(text);
    const TSmartWord* word = MatchSmartWord(words, trimmed);
    if (!word) return false;

    const TDateTime today = Date();
    const Integer weekday = DayOfWeek(today); // 1 Sunday .. 7 Saturday
    const Integer w = word->Index;
    TDateTime result = today; // "today"
    if (w >= WordSunday && w <= WordSaturday) {
        const Integer d = w - 2 - weekday;
        result = d >= 0 ? today + d : today + 7 + d;
    } else if (w >= WordFirst && w <= WordSeventh) {
        result = today - (weekday - (w - 9));
    } else if (w == WordBom || w == WordEom) {
        Word year, month, day;
        DecodeDate(today, year, month, day);
        result = EncodeDate(year, month, w == WordBom ? 1 : DaysInAMonth(year, month));
    } else if (w == SmartDateWordNow) {
        result = Now();
    } else if (w == WordYesterday) {
        result = today - 1;
    } else if (w == WordTomorrow) {
        result = today + 1;
    }

    // A signed number of days may follow.
    const String rest = Trim(Utf8Copy(trimmed, word->Length + 1, Utf8Length(trimmed)));
    if (rest.size() >= 2 && (rest[0] == '+' || rest[0] == '-')) {
        Integer days = 0;
        if (TryStrToInt(Trim(rest.substr(1)), days)) result = rest[0] == '-' ? result - days : result + days;
    }
    value = result;
    return true;
}

bool TextToDateValue(const String& text, TDateTime& value) {
    const String trimmed = Trim(text);
    if (trimmed.empty()) return false;
    try {
        const String spaced = ReplaceDateSeparatorWithBlanks(trimmed);
        if (!SmartTextToDate(spaced, value)) value = VarToDateTime(Variant(spaced));
        if (!(value > -2147483648.0 && value < 2147483647.0)) return false;
        Word year, month, day;
        DecodeDate(value, year, month, day);
        return day > 0 && year <= MaxYear;
    } catch (const Exception&) {
        value = NullDate;
        return false;
    }
}

bool ParseDateTimeText(const String& text, bool smartPreprocess, TDateTime& value) {
    value = NullDate;
    try {
        if (smartPreprocess)
            value = VarToDateTime(Variant(ReplaceDateSeparatorWithBlanks(text)));
        else
            value = StrToDateTime(text);
        return true;
    } catch (const Exception&) {
        value = NullDate;
        return false;
    }
}

void DateValueToText(bool useMaskFormats, bool withTime, bool fourDigitYear, String& text, TDateTime value) {
    if (value == NullDate) {
        text.clear();
        return;
    }
    if (!useMaskFormats) {
        FormatDateForLocale(fourDigitYear, text, value);
        return;
    }
    TqzFormatController* controller = GetFormatController();
    if (withTime)
        text = FormatDateTime(controller->GetMaskedDateTimeFormat(), value);
    else
        text = FormatDateTime(controller->GetMaskedDateFormat(), std::trunc(value));
}

void FormatDateForLocale(bool fourDigitYear, String& text, TDateTime value) {
    text.clear();
    if (value == NullDate) return;
    // The date formatting takes dates of years 1..9999 and writes at most 99 characters.
    Word year, month, day;
    DecodeDate(value, year, month, day);
    if (day > 0) {
        String date = FormatDateTime(WidenedShortDateFormat(fourDigitYear), value);
        if (Utf8Length(date) < 100) {
            if (HasTimeOfDay(value)) date += " " + FormatDateTime(FormatSettings.LongTimeFormat, value);
            text = date;
            return;
        }
    }
    try {
        text = VarToStr(VarFromDateTime(value));
    } catch (const Exception&) {
        text.clear();
    }
}

TDateTime GetMinDateValue() { return EncodeDate(Word(MinYear), 1, 1); }

void AddSmartWordsToRegexMask(String& mask, bool withNow) {
    String words;
    for (Integer i = 0; i < SmartDateWordCount; ++i) {
        if (i == SmartDateWordNow && !withNow) continue;
        if (!words.empty()) words += "|";
        words += QuoteMaskWord(LocalizeSuiteText(SmartDateWordTexts[i]));
    }
    mask = "(" + mask + ")|(" + words + ")((\\+|-)\\d(\\d(\\d\\d?)?)?)?";
}

// ---- Calendar routines ---------------------------------------------------------------------

void StepMonthBackward(Integer& year, Integer& month) {
    if (month <= 1) {
        month = 12;
        --year;
    } else {
        --month;
    }
}

void StepMonthForward(Integer& year, Integer& month) {
    if (month >= 12) {
        month = 1;
        ++year;
    } else {
        ++month;
    }
}

Integer AddMonthsToYearMonth(Integer& year, Integer& month, Integer delta) {
    const Integer years = delta / 12;
    year += years;
    month += delta % 12;
    if (month <= 0) {
        month += 12;
        --year;
    } else if (month > 12) {
        month -= 12;
        ++year;
    }
    return years;
}

Word GetDateComponent(Integer part, TDateTime value) {
    Word year, month, day;
    DecodeDate(value, year, month, day);
    switch (part) {
    case 0:
        return year;
    case 1:
        return month;
    default:
        return day;
    }
}

bool IsLeapYear(Integer year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

Integer GetMonthDayCount(Integer year, Integer month) {
    static const Integer days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

Integer ClampDayToMonth(Integer year, Integer month, Integer day) {
    if (day < 1) return 1;
    return std::min(day, GetMonthDayCount(year, month));
}
