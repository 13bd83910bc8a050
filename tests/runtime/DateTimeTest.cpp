#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "platform/runtime/Clock.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Exceptions.h"
#include "tests/support/TestSupport.h"

namespace {

// Local wall-clock microseconds since 1970-01-01 of a date and time.
Int64 LocalMicros(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec) {
    Int64 days = Int64(EncodeDate(year, month, day)) - UnixDateDelta;
    return ((days * 86400 + hour * 3600 + min * 60 + sec) * 1000 + msec) * 1000;
}

// Stops the clock at a given local time and starts it again at the end of the scope.
class ScopedManualClock {
public:
    explicit ScopedManualClock(Int64 localMicros) {
        ClockSetMode(TClockMode::Manual);
        ClockSetLocalMicros(localMicros);
    }
    ~ScopedManualClock() { ClockSetMode(TClockMode::Real); }
};

TDateTime At(Word year, Word month, Word day, Word hour = 0, Word min = 0, Word sec = 0, Word msec = 0) {
    return EncodeDate(year, month, day) + EncodeTime(hour, min, sec, msec);
}

String Iso(TDateTime value) {
    return FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", value, testsupport::DotSettings());
}

template <class F> String ConvertErrorMessage(F call) {
    try {
        call();
    } catch (const EConvertError& e) {
        return e.Message;
    }
    return "(no EConvertError)";
}

} // namespace

// ---- Encoding and decoding ------------------------------------------------------------------

TEST(DateTimeEncode, KnownDayNumbersDecodeBack) {
    struct Case {
        Word year, month, day;
        double serial;
        Word dayOfWeek; // 1 = Sunday
    };
    const std::vector<Case> cases = {
        {1899, 12, 30, 0, 7},      {1899, 12, 29, -1, 6},    {1900, 3, 1, 61, 5},
        {1970, 1, 1, 25569, 5},    {2000, 1, 1, 36526, 7},   {2000, 2, 29, 36585, 3},
        {2024, 3, 5, 45356, 3},    {1, 1, 1, -693593, 2},    {9999, 12, 31, 2958465, 6},
        {1600, 2, 29, -109512, 3}, {1752, 9, 14, -53797, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << "-" << c.day);
        TDateTime date = EncodeDate(c.year, c.month, c.day);
        EXPECT_EQ(date, c.serial);
        Word y = 0, m = 0, d = 0, dow = 0;
        bool leap = DecodeDateFully(date, y, m, d, dow);
        EXPECT_EQ(y, c.year);
        EXPECT_EQ(m, c.month);
        EXPECT_EQ(d, c.day);
        EXPECT_EQ(dow, c.dayOfWeek);
        EXPECT_EQ(leap, IsLeapYear(c.year));
        EXPECT_EQ(DayOfWeek(date >= 0 ? date + 0.75 : date - 0.75), c.dayOfWeek);
    }
}

TEST(DateTimeEncode, EveryDayOfFourHundredYearsRoundTrips) {
    TDateTime expected = EncodeDate(1899, 1, 1);
    Word previousDow = DayOfWeek(expected - 1);
    for (Word year = 1899; year < 2300; ++year)
        for (Word month = 1; month <= 12; ++month)
            for (Word day = 1; day <= DaysInAMonth(year, month); ++day) {
                TDateTime date = EncodeDate(year, month, day);
                ASSERT_EQ(date, expected) << year << "-" << month << "-" << day;
                Word y, m, d;
                DecodeDate(date, y, m, d);
                ASSERT_TRUE(y == year && m == month && d == day) << year << "-" << month << "-" << day;
                Word dow = DayOfWeek(date);
                ASSERT_EQ(dow, previousDow % 7 + 1);
                previousDow = dow;
                expected += 1;
            }
}

TEST(DateTimeEncode, DateLimitsAndInvalidArguments) {
    struct Case {
        Word year, month, day;
        bool valid;
    };
    const std::vector<Case> cases = {
        {1, 1, 1, true},       {9999, 12, 31, true},         {0, 1, 1, false},     {10000, 1, 1, false},
        {2024, 2, 29, true},   {2023, 2, 29, false},         {1900, 2, 29, false}, {2000, 2, 29, true},
        {2024, 0, 1, false},   {2024, 13, 1, false},         {2024, 1, 0, false},  {2024, 4, 31, false},
        {2024, 12, 32, false}, {65535, 65535, 65535, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << "-" << c.day);
        TDateTime date = 12345;
        EXPECT_EQ(TryEncodeDate(c.year, c.month, c.day, date), c.valid);
        if (c.valid) {
            EXPECT_NO_THROW(EncodeDate(c.year, c.month, c.day));
        } else {
            EXPECT_EQ(date, 12345); // left alone on failure
            EXPECT_EQ(ConvertErrorMessage([&] { EncodeDate(c.year, c.month, c.day); }),
                      "Invalid argument to date encode");
        }
    }
}

TEST(DateTimeEncode, TimeLimitsAndInvalidArguments) {
    EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
    TDateTime last = EncodeTime(23, 59, 59, 999);
    EXPECT_DOUBLE_EQ(last, (MSecsPerDay - 1.0) / MSecsPerDay);
    struct Case {
        Word hour, min, sec, msec;
    };
    for (const Case& c : std::vector<Case>{{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}}) {
        SCOPED_TRACE(testing::Message() << c.hour << ":" << c.min << ":" << c.sec << "." << c.msec);
        TDateTime time = 7;
        EXPECT_FALSE(TryEncodeTime(c.hour, c.min, c.sec, c.msec, time));
        EXPECT_EQ(time, 7);
        EXPECT_EQ(ConvertErrorMessage([&] { EncodeTime(c.hour, c.min, c.sec, c.msec); }),
                  "Invalid argument to time encode");
    }
}

TEST(DateTimeEncode, DecodeTimeRoundsToTheMillisecond) {
    for (int ms : {0, 1, 45, 999, 3600000, 43200000 + 7, 86399999}) {
        SCOPED_TRACE(ms);
        Word h, m, s, z;
        DecodeTime(EncodeDate(2024, 3, 5) + ms / double(MSecsPerDay), h, m, s, z);
        EXPECT_EQ(((h * 60 + m) * 60 + s) * 1000 + z, ms);
    }
}

TEST(DateTimeEncode, NegativeValuesCountTheTimeAwayFromZero) {
    // -1.25 is 1899-12-29 06:00, as the classic type reads it.
    EXPECT_EQ(Iso(-1.25), "1899-12-29 06:00:00.000");
    EXPECT_EQ(Iso(-0.5), "1899-12-30 12:00:00.000");
    EXPECT_EQ(Iso(-693593.75), "0001-01-01 18:00:00.000");
}

TEST(DateTimeEncode, TimeRoundingUpToMidnightMovesToTheNextDay) {
    // A value a hair below the next day must not read as 24:00 of the day before.
    TDateTime almost = EncodeDate(2024, 1, 31) + 0.9999999999;
    Word y, m, d, h, n, s, z;
    DecodeDate(almost, y, m, d);
    DecodeTime(almost, h, n, s, z);
    EXPECT_EQ(y, 2024);
    EXPECT_EQ(m, 2);
    EXPECT_EQ(d, 1);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(Iso(almost), "2024-02-01 00:00:00.000");
    // Except on the last representable day, which keeps its last millisecond.
    EXPECT_EQ(Iso(EncodeDate(9999, 12, 31) + 0.999999999), "9999-12-31 23:59:59.999");
}

TEST(DateTimeEncode, ValuesOutsideTheDateRangeDecodeToZero) {
    for (double value : {-693594.5, 2958466.0, 1e300, -1e300, std::numeric_limits<double>::quiet_NaN(),
                         std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(value);
        Word y = 1, m = 1, d = 1;
        DecodeDate(value, y, m, d);
        EXPECT_EQ(y + m + d, 0);
        EXPECT_EQ(DayOfWeek(value), 0);
        EXPECT_EQ(FormatDateTime("yyyy/mm/dd ddd mmm", value, testsupport::DotSettings()), "0000/00/00  ");
        EXPECT_THROW(IncMonth(value, 1), EConvertError);
    }
}

TEST(DateTimeCalendar, LeapYearsAndMonthLengths) {
    struct Case {
        Word year;
        bool leap;
    };
    for (const Case& c : std::vector<Case>{{1900, false},
                                           {2000, true},
                                           {2023, false},
                                           {2024, true},
                                           {2100, false},
                                           {2400, true},
                                           {4, true},
                                           {1, false}}) {
        SCOPED_TRACE(c.year);
        EXPECT_EQ(IsLeapYear(c.year), c.leap);
        EXPECT_EQ(DaysInAMonth(c.year, 2), c.leap ? 29 : 28);
        EXPECT_EQ(MonthDays[c.leap][2], c.leap ? 29 : 28);
    }
    const Word expected[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (Word month = 1; month <= 12; ++month) {
        EXPECT_EQ(DaysInAMonth(2023, month), expected[month]) << month;
        EXPECT_EQ(DaysInMonth(EncodeDate(2023, month, 10) + 0.5), expected[month]) << month;
    }
    EXPECT_EQ(DaysInMonth(EncodeDate(2024, 2, 1)), 29);
    EXPECT_EQ(DaysInAMonth(2024, 0), 0);
    EXPECT_EQ(DaysInAMonth(2024, 13), 0);
}

TEST(DateTimeCalendar, IncMonthClampsToTheEndOfTheMonth) {
    struct Case {
        TDateTime from;
        Integer months;
        TDateTime expected;
    };
    const std::vector<Case> cases = {
        {At(2024, 1, 31), 1, At(2024, 2, 29)},
        {At(2023, 1, 31), 1, At(2023, 2, 28)},
        {At(2024, 3, 31), -1, At(2024, 2, 29)},
        {At(2024, 5, 31), 1, At(2024, 6, 30)},
        {At(2024, 1, 15), -13, At(2022, 12, 15)},
        {At(2024, 1, 15), -1, At(2023, 12, 15)},
        {At(2024, 12, 15), 1, At(2025, 1, 15)},
        {At(2024, 2, 29), 12, At(2025, 2, 28)},
        {At(2024, 2, 29), 48, At(2028, 2, 29)},
        {At(2024, 8, 31), 0, At(2024, 8, 31)},
        {At(2024, 1, 31, 18, 30), 1, At(2024, 2, 29, 18, 30)},
        {At(1, 1, 31), 1, At(1, 2, 28)},
        {-1.25, 1, EncodeDate(1900, 1, 29) + 0.25}, // 1899-12-29 06:00
        {At(1900, 1, 29, 6), -1, -1.25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << Iso(c.from) << " + " << c.months);
        EXPECT_EQ(Iso(IncMonth(c.from, c.months)), Iso(c.expected));
        EXPECT_NEAR(IncMonth(c.from, c.months), c.expected, 1e-9);
    }
    EXPECT_EQ(IncMonth(At(2024, 1, 31)), At(2024, 2, 29)); // one month by default
    EXPECT_THROW(IncMonth(At(9999, 12, 1), 1), EConvertError);
    EXPECT_THROW(IncMonth(At(1, 1, 1), -1), EConvertError);
}

// ---- The clock ----------------------------------------------------------------------------

TEST(DateTimeClock, NowDateAndTimeFollowTheManualClock) {
    {
        ScopedManualClock clock(LocalMicros(2024, 3, 5, 14, 7, 9, 45) + 999);
        EXPECT_EQ(Iso(Now()), "2024-03-05 14:07:09.045"); // the microseconds are cut off
        EXPECT_EQ(Date(), EncodeDate(2024, 3, 5));
        EXPECT_NEAR(Time(), EncodeTime(14, 7, 9, 45), 1e-12);
        EXPECT_EQ(Now(), Date() + Time());

        ClockAdvanceMs(10 * 3600 * 1000); // past midnight
        EXPECT_EQ(Iso(Now()), "2024-03-06 00:07:09.045");
        EXPECT_EQ(Date(), EncodeDate(2024, 3, 6));
    }
    EXPECT_EQ(ClockGetMode(), TClockMode::Real);
    {
        // Before 1970 the clock counts backwards; the day still starts at local midnight.
        ScopedManualClock clock(-500000);
        EXPECT_EQ(Iso(Now()), "1969-12-31 23:59:59.500");
        EXPECT_EQ(Date(), EncodeDate(1969, 12, 31));
    }
}

// ---- Formatting ---------------------------------------------------------------------------

TEST(DateTimeFormat, PictureLettersUnderTwoLocales) {
    const TDateTime afternoon = At(2024, 3, 5, 14, 7, 9, 45); // a Tuesday
    const TDateTime morning = At(2024, 12, 25, 8, 5, 3, 7);
    const TDateTime midnight = At(2024, 3, 5);
    struct Case {
        const char* format;
        TDateTime value;
        const char* dot;   // "/" dates, 12-hour times
        const char* comma; // "." dates, 24-hour times
    };
    const std::vector<Case> cases = {
        {"yyyy/mm/dd", afternoon, "2024/03/05", "2024.03.05"},
        {"HH:mm:ss", afternoon, "14:07:09", "14:07:09"},
        {"yyyy-MM-dd HH:mm", afternoon, "2024-03-05 14:07", "2024-03-05 14:07"},
        {"dd/mm/yy, hh:mm:ss", afternoon, "05/03/24, 14:07:09", "05.03.24, 14:07:09"},
        {"c", afternoon, "3/5/2024 2:07:09 PM", "05.03.2024 14:07:09"},
        {"c", morning, "12/25/2024 8:05:03 AM", "25.12.2024 08:05:03"},
        {"c", midnight, "3/5/2024", "05.03.2024"},
        {"ddddd", afternoon, "3/5/2024", "05.03.2024"},
        {"dddddd", afternoon, "Tuesday, March 5, 2024", "Tuesday, March 5, 2024"},
        {"t", afternoon, "2:07 PM", "14:07"},
        {"tt", afternoon, "2:07:09 PM", "14:07:09"},
        {"tt", morning, "8:05:03 AM", "08:05:03"},
        {"am/pm", afternoon, "pm", "pm"},
        {"AM/PM", morning, "AM", "AM"},
        {"a/p", afternoon, "p", "p"},
        {"A/P", morning, "A", "A"},
        {"ampm", afternoon, "PM", "PM"},
        {"ampm", morning, "AM", "AM"},
        {"z", afternoon, "45", "45"},
        {"zzz", afternoon, "045", "045"},
        {"zzz", morning, "007", "007"},
        {"d/m/y", afternoon, "5/3/24", "5.3.24"},
        {"ddd dddd mmm mmmm", afternoon, "Tue Tuesday Mar March", "Tue Tuesday Mar March"},
        {"DDDD MMMM YYYY", afternoon, "Tuesday March 2024", "Tuesday March 2024"},
        {"yyy y", afternoon, "2024 24", "2024 24"},
        {"h:m:s", morning, "8:5:3", "8:5:3"},
        {"hh:nn:ss ampm", 1.5, "12:00:00 PM", "12:00:00 PM"},
        {"hh:nn am/pm", At(2024, 3, 5, 0, 30), "12:30 am", "12:30 am"},
        {"h:nn a/p", At(2024, 3, 5, 23, 59), "11:59 p", "11:59 p"},
        {"hh 'h' mm", afternoon, "14 h 07", "14 h 07"},  // literals between hour and minutes
        {"hh:mm mm", afternoon, "14:07 03", "14:07 03"}, // only the first mm follows the hour
        {"mm", afternoon, "03", "03"},
        {"'yyyy' \"mm\" x", afternoon, "yyyy mm x", "yyyy mm x"},
        {"'unclosed", afternoon, "unclosed", "unclosed"},
        {"yyyymmdd", afternoon, "20240305", "20240305"},
        {"", afternoon, "3/5/2024 2:07:09 PM", "05.03.2024 14:07:09"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(FormatDateTime(c.format, c.value, testsupport::DotSettings()), c.dot);
        EXPECT_EQ(FormatDateTime(c.format, c.value, testsupport::CommaSettings()), c.comma);
    }
}

TEST(DateTimeFormat, UsesTheProcessSettingsAndLocaleDesignators) {
    TFormatSettings german = testsupport::CommaSettings();
    german.TimeAMString = "vorm.";
    german.TimePMString = "nachm.";
    german.LongMonthNames[2] = "M\xC3\xA4rz";
    testsupport::ScopedFormatSettings scoped(german);
    const TDateTime value = At(2024, 3, 5, 14, 7, 9);
    EXPECT_EQ(FormatDateTime("d. mmmm yyyy, h:nn ampm", value), "5. M\xC3\xA4rz 2024, 2:07 nachm.");
    EXPECT_EQ(DateToStr(value), "05.03.2024");
    EXPECT_EQ(TimeToStr(value), "14:07:09");
    EXPECT_EQ(DateTimeToStr(value), "05.03.2024 14:07:09");
    EXPECT_EQ(DateTimeToStr(At(2024, 3, 5)), "05.03.2024");
}

TEST(DateTimeFormat, SelfReferringFormatSettingsDoNotRecurseForever) {
    TFormatSettings fs = testsupport::DotSettings();
    fs.ShortDateFormat = "ddddd";
    fs.LongTimeFormat = "c";
    EXPECT_EQ(FormatDateTime("x ddddd x", At(2024, 3, 5), fs), "x  x");
    EXPECT_EQ(FormatDateTime("tt", At(2024, 3, 5, 1), fs), " ");
}

// ---- Parsing ------------------------------------------------------------------------------

class DateTimeParse : public testing::Test {
protected:
    // "Today" is 2024-03-05 for the year-less dates and the two-digit years.
    ScopedManualClock FClock{LocalMicros(2024, 3, 5, 10, 0, 0, 0)};
};

TEST_F(DateTimeParse, DatesFollowTheShortDateOrder) {
    TFormatSettings ymd = testsupport::DotSettings();
    ymd.ShortDateFormat = "yyyy-MM-dd";
    ymd.DateSeparator = '-';
    TFormatSettings spaced = testsupport::DotSettings();
    spaced.ShortDateFormat = "dd MM yyyy";
    spaced.DateSeparator = ' ';
    struct Case {
        const char* text;
        const TFormatSettings* settings;
        TDateTime expected;
    };
    const TFormatSettings dot = testsupport::DotSettings();
    const TFormatSettings comma = testsupport::CommaSettings();
    const std::vector<Case> cases = {
        {"3/5/2024", &dot, At(2024, 3, 5)},
        {" 3 / 5 / 2024 ", &dot, At(2024, 3, 5)},
        {"12/31/1999", &dot, At(1999, 12, 31)},
        {"12/31/99", &dot, At(1999, 12, 31)}, // 1974..2073 with the window of 50
        {"1/2/30", &dot, At(2030, 1, 2)},
        {"1/2/74", &dot, At(1974, 1, 2)},
        {"1/2/73", &dot, At(2073, 1, 2)},
        {"1/2/024", &dot, At(24, 1, 2)}, // three digits are a year as written
        {"3/5", &dot, At(2024, 3, 5)},   // the current year
        {"05.03.2024", &comma, At(2024, 3, 5)},
        {"5.3.24", &comma, At(2024, 3, 5)},
        {"31.12.2024.", &comma, At(2024, 12, 31)},
        {"29.2", &comma, At(2024, 2, 29)},
        {"2024-03-05", &ymd, At(2024, 3, 5)},
        {"3-5", &ymd, At(2024, 3, 5)},
        {"05 03 2024", &spaced, At(2024, 3, 5)},
        {"5  3", &spaced, At(2024, 3, 5)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TDateTime value = 0;
        ASSERT_TRUE(TryStrToDate(c.text, value, *c.settings));
        EXPECT_EQ(value, c.expected);
        EXPECT_EQ(StrToDate(c.text, *c.settings), c.expected);
    }
}

TEST_F(DateTimeParse, TwoDigitYearWindowZeroStaysInTheCurrentCentury) {
    TFormatSettings fs = testsupport::DotSettings();
    fs.TwoDigitYearCenturyWindow = 0;
    EXPECT_EQ(StrToDate("1/2/99", fs), At(2099, 1, 2));
    EXPECT_EQ(StrToDate("1/2/00", fs), At(2000, 1, 2));
    fs.TwoDigitYearCenturyWindow = 99; // 1925..2024
    EXPECT_EQ(StrToDate("1/2/25", fs), At(1925, 1, 2));
    EXPECT_EQ(StrToDate("1/2/24", fs), At(2024, 1, 2));
}

TEST_F(DateTimeParse, BadDatesRaiseConvertErrors) {
    const TFormatSettings dot = testsupport::DotSettings();
    for (const char* text :
         {"", "   ", "abc", "3", "3/", "3/5/", "3//2024", "2/30/2024", "13/1/2024", "0/1/2024", "3/5/2024x",
          "3/5/2024 10:00", "3/5/10000", "3/5/0000", "3.5.2024", "-3/5/2024", "99999999999/1/1"}) {
        SCOPED_TRACE(text);
        TDateTime value = 42;
        EXPECT_FALSE(TryStrToDate(text, value, dot));
        EXPECT_EQ(value, 42);
        EXPECT_EQ(StrToDateDef(text, 7, dot), 7);
        EXPECT_EQ(ConvertErrorMessage([&] { StrToDate(text, dot); }),
                  String("'") + text + "' is not a valid date");
    }
}

TEST_F(DateTimeParse, TimesWithSecondsFractionsAndDesignators) {
    TFormatSettings german = testsupport::CommaSettings();
    german.TimeAMString = "vorm.";
    german.TimePMString = "nachm.";
    TFormatSettings none = testsupport::CommaSettings();
    none.TimeAMString = "";
    none.TimePMString = "";
    const TFormatSettings dot = testsupport::DotSettings();
    const TFormatSettings comma = testsupport::CommaSettings();
    struct Case {
        const char* text;
        const TFormatSettings* settings;
        TDateTime expected;
    };
    const std::vector<Case> cases = {
        {"14:07:09", &dot, EncodeTime(14, 7, 9, 0)},
        {" 14 : 07 ", &dot, EncodeTime(14, 7, 0, 0)},
        {"14", &dot, EncodeTime(14, 0, 0, 0)},
        {"2:07 PM", &dot, EncodeTime(14, 7, 0, 0)},
        {"2:07:09 pm", &dot, EncodeTime(14, 7, 9, 0)},
        {"2:07PM", &dot, EncodeTime(14, 7, 0, 0)},
        {"PM 2:07", &dot, EncodeTime(14, 7, 0, 0)},
        {"12:00 AM", &dot, EncodeTime(0, 0, 0, 0)},
        {"12:30 PM", &dot, EncodeTime(12, 30, 0, 0)},
        {"11:59:59 PM", &dot, EncodeTime(23, 59, 59, 0)},
        {"14:07:09.5", &dot, EncodeTime(14, 7, 9, 500)}, // a fraction of a second
        {"14:07:09.045", &dot, EncodeTime(14, 7, 9, 45)},
        {"14:07:09,045", &comma, EncodeTime(14, 7, 9, 45)},
        {"2:07 nachm.", &german, EncodeTime(14, 7, 0, 0)},
        {"vorm. 9:15", &german, EncodeTime(9, 15, 0, 0)},
        {"2:07 PM", &german, EncodeTime(14, 7, 0, 0)}, // the English designators always work
        {"2:07 pm", &none, EncodeTime(14, 7, 0, 0)},
        {"23:59", &none, EncodeTime(23, 59, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TDateTime value = 0;
        ASSERT_TRUE(TryStrToTime(c.text, value, *c.settings));
        EXPECT_EQ(value, c.expected);
    }
}

TEST_F(DateTimeParse, BadTimesRaiseConvertErrors) {
    const TFormatSettings dot = testsupport::DotSettings();
    for (const char* text :
         {"", "abc", "24:00", "14:60", "14:07:60", "13:00 PM", "0:30 AM", "14:07:", "14:", ":07",
          "14:07:09.1234", "14:07:09.", "14:07 XM", "14:07 PM PM", "3/5/2024", "99999999999:00"}) {
        SCOPED_TRACE(text);
        TDateTime value = 42;
        EXPECT_FALSE(TryStrToTime(text, value, dot));
        EXPECT_EQ(value, 42);
        EXPECT_EQ(StrToTimeDef(text, 7, dot), 7);
        EXPECT_EQ(ConvertErrorMessage([&] { StrToTime(text, dot); }),
                  String("'") + text + "' is not a valid time");
    }
}

TEST_F(DateTimeParse, DateAndTimeTogetherOrAlone) {
    const TFormatSettings dot = testsupport::DotSettings();
    const TFormatSettings comma = testsupport::CommaSettings();
    EXPECT_EQ(StrToDateTime("3/5/2024 14:07:09", dot), At(2024, 3, 5, 14, 7, 9));
    EXPECT_EQ(StrToDateTime("3/5/2024 2:07 PM", dot), At(2024, 3, 5, 14, 7));
    EXPECT_EQ(StrToDateTime("3/5/2024", dot), At(2024, 3, 5));
    EXPECT_EQ(StrToDateTime("3/5 8:00", dot), At(2024, 3, 5, 8));
    EXPECT_EQ(StrToDateTime("14:07", dot), EncodeTime(14, 7, 0, 0));
    EXPECT_EQ(StrToDateTime("05.03.2024 14:07", comma), At(2024, 3, 5, 14, 7));
    EXPECT_EQ(StrToDateTime("12/29/1899 6:00 AM", dot), -1.25);
    for (const char* text :
         {"", "3/5/2024 25:00", "3/5/2024 14:07 junk", "3/5/2024 14:07:09.1234", "x 14:07"}) {
        SCOPED_TRACE(text);
        TDateTime value = 42;
        EXPECT_FALSE(TryStrToDateTime(text, value, dot));
        EXPECT_EQ(value, 42);
        EXPECT_EQ(StrToDateTimeDef(text, 7, dot), 7);
        EXPECT_EQ(ConvertErrorMessage([&] { StrToDateTime(text, dot); }),
                  String("'") + text + "' is not a valid date and time");
    }
}

TEST_F(DateTimeParse, FormattedTextsReadBackUnderBothLocales) {
    const std::vector<TDateTime> values = {
        At(2024, 3, 5, 14, 7, 9), At(1999, 12, 31, 23, 59, 59), At(2024, 2, 29),
        At(2073, 1, 1, 0, 0, 1),  At(1974, 7, 4, 12, 0, 0),     EncodeDate(1, 1, 1) - EncodeTime(1, 2, 3, 0)};
    for (const TFormatSettings& fs : {testsupport::DotSettings(), testsupport::CommaSettings()}) {
        SCOPED_TRACE(fs.ShortDateFormat);
        for (TDateTime value : values) {
            SCOPED_TRACE(Iso(value));
            double day = std::trunc(value);
            EXPECT_EQ(StrToDate(DateToStr(value, fs), fs), day);
            EXPECT_NEAR(StrToTime(TimeToStr(value, fs), fs), std::fabs(value - day), 1e-9);
            EXPECT_NEAR(StrToDateTime(DateTimeToStr(value, fs), fs), value, 1e-9);
        }
    }
}

TEST_F(DateTimeParse, WithoutSettingsTheProcessSettingsApply) {
    testsupport::ScopedFormatSettings scoped(testsupport::CommaSettings());
    EXPECT_EQ(StrToDate("05.03.2024"), At(2024, 3, 5));
    EXPECT_THROW(StrToDate("3/5/2024"), EConvertError);
    EXPECT_EQ(StrToTime("14:07"), EncodeTime(14, 7, 0, 0));
    EXPECT_EQ(StrToDateTime("05.03.2024 14:07"), At(2024, 3, 5, 14, 7));
    TDateTime value = 0;
    EXPECT_TRUE(TryStrToDate("5.3", value));
    EXPECT_EQ(value, At(2024, 3, 5));
    EXPECT_EQ(StrToDateDef("x", 3), 3);
    EXPECT_EQ(StrToTimeDef("x", 3), 3);
    EXPECT_EQ(StrToDateTimeDef("x", 3), 3);
}
