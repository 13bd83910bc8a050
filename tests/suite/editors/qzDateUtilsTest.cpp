// Date utilities: smart-date words with their day offsets, texts to date values under several
// locales and back, the smart words in a regular-expression mask, and the calendar routines.
// The clock stands still on Wednesday 16 February 2028 (a leap year), 10:30.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/runtime/Clock.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/FormatSettings.h"
#include "suite/editors/qzDateUtils.h"
#include "suite/editors/qzFormats.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::ScopedFormatSettings;

TFormatSettings UsSettings() {
    TFormatSettings s = testsupport::DotSettings();
    s.ShortDateFormat = "M/d/yyyy";
    s.LongTimeFormat = "h:mm:ss AMPM";
    s.DateSeparator = '/';
    s.TimeSeparator = ':';
    return s;
}

TFormatSettings GermanSettings() {
    TFormatSettings s = testsupport::CommaSettings();
    s.ShortDateFormat = "dd.MM.yyyy";
    s.LongTimeFormat = "HH:mm:ss";
    s.DateSeparator = '.';
    s.TimeSeparator = ':';
    const char* longNames[] = {"Januar", "Februar", "März",      "April",   "Mai",      "Juni",
                               "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
    const char* shortNames[] = {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun",
                                "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
    for (int m = 0; m < 12; ++m) {
        s.LongMonthNames[m] = longNames[m];
        s.ShortMonthNames[m] = shortNames[m];
    }
    return s;
}

TFormatSettings IsoSettings() {
    TFormatSettings s = testsupport::DotSettings();
    s.ShortDateFormat = "yyyy-MM-dd";
    s.LongTimeFormat = "HH:mm:ss";
    s.DateSeparator = '-';
    s.TimeSeparator = ':';
    return s;
}

class DateUtils : public ::testing::Test {
protected:
    void SetUp() override {
        ClockSetMode(TClockMode::Manual);
        const Int64 days = Int64(EncodeDate(2028, 2, 16)) - UnixDateDelta;
        ClockSetLocalMicros((days * 86400 + 10 * 3600 + 30 * 60) * 1000000);
    }
    void TearDown() override {
        ClockSetMode(TClockMode::Real);
        for (int i = 0; i < SmartDateWordCount; ++i)
            SmartDateWordTexts[i] = Saved[i];
    }

    // The value as "yyyy-mm-dd", with the time when it has one; "no" when refused.
    static std::string Iso(bool ok, TDateTime value) {
        if (!ok) return "no";
        const TFormatSettings fs = testsupport::DotSettings();
        return value == std::trunc(value) ? FormatDateTime("yyyy-mm-dd", value, fs)
                                          : FormatDateTime("yyyy-mm-dd hh:nn", value, fs);
    }
    static std::string Smart(const String& text) {
        TDateTime value = 12345;
        const bool ok = SmartTextToDate(text, value);
        return Iso(ok, value);
    }
    static std::string ToValue(const String& text) {
        TDateTime value = 12345;
        const bool ok = TextToDateValue(text, value);
        return ok ? Iso(true, value) : value == NullDate ? "null" : "no";
    }

    ScopedFormatSettings Locale{UsSettings()};
    String Saved[SmartDateWordCount] = {};

public:
    DateUtils() {
        for (int i = 0; i < SmartDateWordCount; ++i)
            Saved[i] = SmartDateWordTexts[i];
    }
};

TEST_F(DateUtils, SmartWordsGiveTheirDaysRelativeToAWednesday) {
    const struct {
        const char* Text;
        const char* Expected;
    } cases[] = {
        {"today", "2028-02-16"},
        {"yesterday", "2028-02-15"},
        {"tomorrow", "2028-02-17"},
        {"Wednesday", "2028-02-16"},
        {"Monday", "2028-02-21"},
        {"tuesday", "2028-02-22"},
        {"Thursday", "2028-02-17"},
        {"Sunday", "2028-02-20"},
        {"Saturday", "2028-02-19"},
        {"first", "2028-02-13"},
        {"second", "2028-02-14"},
        {"fourth", "2028-02-16"},
        {"seventh", "2028-02-19"},
        {"bom", "2028-02-01"},
        {"eom", "2028-02-29"},
        {"now", "2028-02-16 10:30"},
        {"NOW + 1", "2028-02-17 10:30"},
        // An offset in days: any letter case, blanks or none around the sign.
        {"tomorrow -2", "2028-02-15"},
        {"TOMORROW-2", "2028-02-15"},
        {"  Tomorrow  -  2 ", "2028-02-15"},
        {"toMorrow- 2", "2028-02-15"},
        {"today+3", "2028-02-19"},
        {"eom + 1", "2028-03-01"},
        // A lone sign, a number that cannot be read, or anything else after the word: ignored.
        {"today+", "2028-02-16"},
        {"today +x", "2028-02-16"},
        {"today 5", "2028-02-16"},
        {"todayish", "2028-02-16"},
        // No word at the start.
        {"", "no"},
        {"tod", "no"},
        {"x today", "no"},
        {"2/16/2028", "no"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Expected, Smart(c.Text)) << "\"" << c.Text << "\"";
}

TEST_F(DateUtils, WordsAreTriedLongestFirstAndTranslationsAreUsedEveryTime) {
    Integer index = -1;
    ASSERT_TRUE(FindSmartWord("Wednesday next", index));
    EXPECT_EQ(6, index);
    EXPECT_FALSE(FindSmartWord("next Wednesday", index));

    // A translation whose word for today begins its word for tomorrow: the longer one wins
    // whichever index it has.
    SmartDateWordTexts[0] = "mor";
    SmartDateWordTexts[2] = "morgen";
    SmartDateWordTexts[17] = "mar";
    ASSERT_TRUE(FindSmartWord("Morgen", index));
    EXPECT_EQ(2, index);
    ASSERT_TRUE(FindSmartWord("morg", index));
    EXPECT_EQ(0, index);
    EXPECT_EQ("2028-02-17", Smart("morgen"));
    EXPECT_EQ("2028-02-18", Smart("morgen+1"));
    EXPECT_EQ("2028-02-16", Smart("mor"));
    EXPECT_EQ("2028-02-01", Smart("mar"));
    EXPECT_EQ("no", Smart("tomorrow"));
}

TEST_F(DateUtils, SmartWordsInARegexMaskAreQuotedInIndexOrder) {
    String mask = "\\d+";
    AddSmartWordsToRegexMask(mask, false);
    EXPECT_EQ("(\\d+)|('today'|'yesterday'|'tomorrow'|'Sunday'|'Monday'|'Tuesday'|'Wednesday'|"
              "'Thursday'|'Friday'|'Saturday'|'first'|'second'|'third'|'fourth'|'fifth'|'sixth'|"
              "'seventh'|'bom'|'eom')((\\+|-)\\d(\\d(\\d\\d?)?)?)?",
              mask);

    SmartDateWordTexts[0] = "aujourd'hui";
    SmartDateWordTexts[1] = "'x'";
    mask = "m";
    AddSmartWordsToRegexMask(mask, true);
    EXPECT_EQ(0u, mask.find("(m)|('aujourd'\\''hui'|\\''x'\\'|'tomorrow'|"));
    EXPECT_NE(String::npos, mask.find("|'eom'|'now')((\\+|-)"));
}

TEST_F(DateUtils, TextToDateValueReadsSmartWordsAndLocaleDates) {
    const struct {
        TFormatSettings Settings;
        const char* Text;
        const char* Expected;
    } cases[] = {
        {UsSettings(), "2/29/2028", "2028-02-29"},
        {UsSettings(), "  12/24/2026  ", "2026-12-24"},
        {UsSettings(), "12 24 2026", "2026-12-24"},
        {UsSettings(), "Dec 24 2026", "2026-12-24"},
        {UsSettings(), "12/24/2026 10:30 PM", "2026-12-24 22:30"},
        {UsSettings(), "tomorrow", "2028-02-17"},
        {UsSettings(), "tomorrow -2", "2028-02-15"},
        {GermanSettings(), "24.12.2026", "2026-12-24"},
        {GermanSettings(), "24.Dezember.2026", "2026-12-24"},
        {GermanSettings(), "1 Mär 2027", "2027-03-01"},
        {GermanSettings(), "24.12.2026 18:05", "2026-12-24 18:05"},
        {IsoSettings(), "2026-12-24", "2026-12-24"},
        {IsoSettings(), "2026-Dec-24", "2026-12-24"},
        {IsoSettings(), "today", "2028-02-16"},
        // Under "-" the sign of an offset is a separator, so the number no longer counts.
        {IsoSettings(), "tomorrow -2", "2028-02-17"},
        // Refused: nothing, no date, a day number far beyond year 9999 (not even a date for the
        // conversion) and one in year 10000 or later.
        {UsSettings(), "   ", "no"},
        {UsSettings(), "2/30/2028", "null"},
        {UsSettings(), "soon", "null"},
        {UsSettings(), "2958466", "no"},
        {UsSettings(), "9999999999", "no"},
        {UsSettings(), "2958465", "9999-12-31"},
    };
    for (const auto& c : cases) {
        ScopedFormatSettings locale(c.Settings);
        EXPECT_EQ(c.Expected, ToValue(c.Text)) << "\"" << c.Text << "\"";
    }
}

TEST_F(DateUtils, ParseDateTimeTextWithAndWithoutPreprocessing) {
    TDateTime value = 0;
    EXPECT_TRUE(ParseDateTimeText("12 24 2026", true, value));
    EXPECT_EQ("2026-12-24", Iso(true, value));
    EXPECT_FALSE(ParseDateTimeText("12 24 2026", false, value));
    EXPECT_EQ(NullDate, value);
    EXPECT_TRUE(ParseDateTimeText("12/24/2026 6:00 PM", false, value));
    EXPECT_EQ("2026-12-24 18:00", Iso(true, value));
    EXPECT_FALSE(ParseDateTimeText("today", true, value));
    EXPECT_EQ(NullDate, value);
}

TEST_F(DateUtils, FormatDateForLocaleWidensATwoLetterYearOnly) {
    const TDateTime christmas = EncodeDate(2026, 12, 24);
    const struct {
        const char* Format;
        bool FourDigits;
        TDateTime Value;
        const char* Expected;
    } cases[] = {
        {"M/d/yy", false, christmas, "12/24/26"},
        {"M/d/yy", true, christmas, "12/24/2026"},
        {"YY/MM/dd", true, christmas, "2026/12/24"},
        {"M/d/yyy", true, christmas, "12/24/2026"},
        {"dd MMM yyy 'yy'", true, christmas, "24 Dec 2026 yy"},
        {"M/d/yyyy", true, christmas, "12/24/2026"},
        {"M/d/yy", true, christmas + EncodeTime(18, 5, 0, 0), "12/24/2026 6:05:00 PM"},
        {"M/d/yy", true, NullDate, ""},
    };
    for (const auto& c : cases) {
        TFormatSettings s = UsSettings();
        s.ShortDateFormat = c.Format;
        ScopedFormatSettings locale(s);
        String text = "old";
        FormatDateForLocale(c.FourDigits, text, c.Value);
        EXPECT_EQ(c.Expected, text) << c.Format << " " << c.FourDigits;
        String viaDateValue = "old";
        DateValueToText(false, true, c.FourDigits, viaDateValue, c.Value);
        EXPECT_EQ(text, viaDateValue);
    }
}

TEST_F(DateUtils, DateValueToTextWithTheMaskFormats) {
    ScopedFormatSettings locale(GermanSettings());
    const TDateTime value = EncodeDate(2026, 3, 1) + EncodeTime(7, 8, 9, 0);
    String text;
    DateValueToText(true, false, false, text, value);
    EXPECT_EQ(FormatDateTime(GetFormatController()->GetMaskedDateFormat(), EncodeDate(2026, 3, 1)), text);
    DateValueToText(true, true, false, text, value);
    EXPECT_EQ(FormatDateTime(GetFormatController()->GetMaskedDateTimeFormat(), value), text);
    DateValueToText(true, true, false, text, NullDate);
    EXPECT_EQ("", text);
    EXPECT_EQ(EncodeDate(100, 1, 1), GetMinDateValue());
}

TEST(DateCalendar, AddMonthsToYearMonthCarriesAndBorrows) {
    const struct {
        Integer Year, Month, Delta, Returned, NewYear, NewMonth;
    } cases[] = {
        {2026, 5, 0, 0, 2026, 5},   {2026, 5, 7, 0, 2026, 12},     {2026, 5, 8, 0, 2027, 1},
        {2026, 5, 12, 1, 2027, 5},  {2026, 5, 31, 2, 2028, 12},    {2026, 5, -4, 0, 2026, 1},
        {2026, 5, -5, 0, 2025, 12}, {2026, 5, -12, -1, 2025, 5},   {2026, 1, -13, -1, 2024, 12},
        {2026, 12, 1, 0, 2027, 1},  {2026, 12, -25, -2, 2024, 11},
    };
    for (const auto& c : cases) {
        Integer year = c.Year, month = c.Month;
        EXPECT_EQ(c.Returned, AddMonthsToYearMonth(year, month, c.Delta)) << c.Month << " " << c.Delta;
        EXPECT_EQ(c.NewYear, year) << c.Month << " " << c.Delta;
        EXPECT_EQ(c.NewMonth, month) << c.Month << " " << c.Delta;
    }
    Integer year = 2026, month = 1;
    StepMonthBackward(year, month);
    EXPECT_EQ(2025, year);
    EXPECT_EQ(12, month);
    StepMonthForward(year, month);
    EXPECT_EQ(2026, year);
    EXPECT_EQ(1, month);
}

TEST(DateCalendar, DaysOfMonthsAndClamping) {
    const struct {
        Integer Year, Month, Day, Clamped;
    } cases[] = {
        {2028, 2, 30, 29},  {2027, 2, 29, 28}, {1900, 2, 29, 28}, {2000, 2, 30, 29}, {2026, 4, 31, 30},
        {2026, 12, 31, 31}, {2026, 6, 0, 1},   {2026, 6, -7, 1},  {2026, 6, 15, 15},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Clamped, ClampDayToMonth(c.Year, c.Month, c.Day))
            << c.Year << "-" << c.Month << "-" << c.Day;
    EXPECT_TRUE(IsLeapYear(Integer(2000)));
    EXPECT_FALSE(IsLeapYear(Integer(2100)));
    const TDateTime value = EncodeDate(2027, 8, 9);
    EXPECT_EQ(2027, GetDateComponent(0, value));
    EXPECT_EQ(8, GetDateComponent(1, value));
    EXPECT_EQ(9, GetDateComponent(2, value));
}

} // namespace
