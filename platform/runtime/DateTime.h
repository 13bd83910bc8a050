// Dates and times.
//
// A TDateTime counts days from 1899-12-30 00:00; the time of day is the fraction. For a
// negative value the time of day is the absolute value of the fraction: -1.25 is 1899-12-29
// 06:00, not 1899-12-28 18:00. Dates run from 0001-01-01 to 9999-12-31 (proleptic Gregorian).
//
// The formatting and parsing functions without a settings argument use the process-wide
// FormatSettings.
#pragma once

#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/RtlTypes.h"

constexpr Integer HoursPerDay = 24;
constexpr Integer MinsPerHour = 60;
constexpr Integer SecsPerMin = 60;
constexpr Integer MSecsPerSec = 1000;
constexpr Integer MinsPerDay = HoursPerDay * MinsPerHour;
constexpr Integer SecsPerDay = MinsPerDay * SecsPerMin;
constexpr Integer MSecsPerDay = SecsPerDay * MSecsPerSec;
// Days from 0001-01-01 (counted as day 1) to 1899-12-31.
constexpr Integer DateDelta = 693594;
// 1970-01-01 as a TDateTime.
constexpr Integer UnixDateDelta = 25569;

// Days of each month: MonthDays[IsLeapYear(year)][month], month 1..12 (index 0 holds 0).
extern const Word MonthDays[2][13];

bool IsLeapYear(Word year);
// Days in a month of a year; 0 for a month outside 1..12.
Word DaysInAMonth(Word year, Word month);
// Days in the month of a date.
Word DaysInMonth(TDateTime dateTime);

// Year 1..9999, month 1..12, day 1..days of the month; otherwise false (Try) or
// EConvertError "Invalid argument to date encode".
bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date);
TDateTime EncodeDate(Word year, Word month, Word day);
// Hour < 24, minute < 60, second < 60, millisecond < 1000; otherwise false (Try) or
// EConvertError "Invalid argument to time encode".
bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time);
TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec);

// The time of day is rounded to the nearest millisecond; a time that rounds up to midnight
// counts as 00:00 of the next day, in DecodeDate as in DecodeTime. A value outside the date
// range (or not a number) decodes to year, month and day 0.
void DecodeDate(TDateTime dateTime, Word& year, Word& month, Word& day);
// Also gives the day of the week (1 = Sunday); returns whether the year is a leap year.
bool DecodeDateFully(TDateTime dateTime, Word& year, Word& month, Word& day, Word& dayOfWeek);
void DecodeTime(TDateTime dateTime, Word& hour, Word& min, Word& sec, Word& msec);

// 1 = Sunday .. 7 = Saturday; 0 for a value outside the date range.
Word DayOfWeek(TDateTime dateTime);

// The same day and time of day `numberOfMonths` months later (earlier when negative); a day
// beyond the end of the target month becomes its last day. EConvertError when the result
// leaves the date range.
TDateTime IncMonth(TDateTime dateTime, Integer numberOfMonths = 1);

// The local date and time from the program's clock (manual in tests), to the millisecond.
TDateTime Now();
// Today at midnight.
TDateTime Date();
// The time of day, with date part 0.
TDateTime Time();

// Picture formatting. Letters are case-insensitive:
//   c       short date, then a blank and the long time unless the time is exactly midnight
//   d dd    day of month; ddd dddd short and long day name; ddddd short date; dddddd long date
//   m mm    month; mmm mmmm short and long month name. Right after an hour (h, hh) m and mm
//           are minutes, whatever literals and separators stand between them.
//   yy yyyy two- and four-digit year (y as yy, yyy as yyyy)
//   h hh    hour; 12-hour clock when the format holds an am/pm specifier, else 24-hour
//   n nn    minutes;  s ss  seconds;  z zzz  milliseconds
//   t tt    short and long time format
//   am/pm a/p  the letters as written, for the morning and the afternoon
//   ampm    TimeAMString or TimePMString
//   /  :    DateSeparator, TimeSeparator
//   '...' "..."  literal text; any other character is copied.
// An empty format is read as "c".
String FormatDateTime(const String& format, TDateTime dateTime);
String FormatDateTime(const String& format, TDateTime dateTime, const TFormatSettings& settings);

// Short date; long time; short date and long time (the time left out at midnight).
String DateToStr(TDateTime dateTime);
String DateToStr(TDateTime dateTime, const TFormatSettings& settings);
String TimeToStr(TDateTime dateTime);
String TimeToStr(TDateTime dateTime, const TFormatSettings& settings);
String DateTimeToStr(TDateTime dateTime);
String DateTimeToStr(TDateTime dateTime, const TFormatSettings& settings);

// Parsing. A date is two or three numbers separated by DateSeparator (blanks around them
// allowed), in the order the day, month and year letters take in ShortDateFormat; with two
// numbers the year is the current one. A year of one or two digits is placed in the hundred
// years that begin TwoDigitYearCenturyWindow years before the current year (with a window of
// 0: in the current century). A time is an hour, optionally minutes and then seconds
// separated by TimeSeparator, optionally milliseconds after DecimalSeparator, with an
// optional TimeAMString/TimePMString (or AM/PM) before or after it. Failures raise
// EConvertError "'<text>' is not a valid date" / "... time" / "... date and time".
TDateTime StrToDate(const String& s);
TDateTime StrToDate(const String& s, const TFormatSettings& settings);
bool TryStrToDate(const String& s, TDateTime& value);
bool TryStrToDate(const String& s, TDateTime& value, const TFormatSettings& settings);
TDateTime StrToDateDef(const String& s, TDateTime defaultValue);
TDateTime StrToDateDef(const String& s, TDateTime defaultValue, const TFormatSettings& settings);

TDateTime StrToTime(const String& s);
TDateTime StrToTime(const String& s, const TFormatSettings& settings);
bool TryStrToTime(const String& s, TDateTime& value);
bool TryStrToTime(const String& s, TDateTime& value, const TFormatSettings& settings);
TDateTime StrToTimeDef(const String& s, TDateTime defaultValue);
TDateTime StrToTimeDef(const String& s, TDateTime defaultValue, const TFormatSettings& settings);

// A date optionally followed by a time, or a time alone.
TDateTime StrToDateTime(const String& s);
TDateTime StrToDateTime(const String& s, const TFormatSettings& settings);
bool TryStrToDateTime(const String& s, TDateTime& value);
bool TryStrToDateTime(const String& s, TDateTime& value, const TFormatSettings& settings);
TDateTime StrToDateTimeDef(const String& s, TDateTime defaultValue);
TDateTime StrToDateTimeDef(const String& s, TDateTime defaultValue, const TFormatSettings& settings);
