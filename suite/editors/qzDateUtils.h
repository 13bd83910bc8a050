// Dates for the date editors: smart-date words ("today", "tomorrow + 3", a weekday, "eom"),
// texts to date values and back with the locale, and small calendar routines. Date values are
// the runtime's day numbers; NullDate stands for no date at all.
#pragma once

#include "platform/runtime/DateTime.h"
#include "platform/runtime/RtlTypes.h"

// No date: it prints as an empty text.
constexpr TDateTime NullDate = -700000.0;

// The years a date editor accepts.
extern Integer MinYear; // 100 at start
constexpr Integer MaxYear = 9999;

// The smart-date words by index: 0 today, 1 yesterday, 2 tomorrow, 3-9 Sunday .. Saturday (the
// next such day, today included), 10-16 first .. seventh (the days of the current week from
// Sunday), 17 bom and 18 eom (first and last day of the month), 19 now.
constexpr int SmartDateWordCount = 20;
constexpr int SmartDateWordNow = 19;
// The words as resource texts: a translation may replace them. Each passes LocalizeSuiteText
// every time the words are used.
extern String SmartDateWordTexts[SmartDateWordCount];

// True when text begins with one of the localised words (case ignored); longer words are tried
// first, words of equal length in reverse alphabetical order. index: the word's index.
bool FindSmartWord(const String& text, Integer& index);
// A smart word, optionally followed by "+" or "-" and a number of days. False (value untouched)
// when no word begins the trimmed text; a number that cannot be read is ignored.
bool SmartTextToDate(const String& text, TDateTime& value);
// A smart-date text, or a date in the locale's way (its date separator or blanks between the
// fields). False, with NullDate on a conversion error, for an empty text and for values outside
// 1 January of year 1 .. 31 December 9999.
bool TextToDateValue(const String& text, TDateTime& value);
// smartPreprocess: blanks for the date separator, then the variant conversion; otherwise the
// locale's StrToDateTime. False with NullDate when the text is not a date.
bool ParseDateTimeText(const String& text, bool smartPreprocess, TDateTime& value);
// NullDate gives "". useMaskFormats: the format controller's masked date-time format (withTime)
// or masked date format (the whole days of value); otherwise FormatDateForLocale.
void DateValueToText(bool useMaskFormats, bool withTime, bool fourDigitYear, String& text, TDateTime value);
// The locale's short date format (fourDigitYear widens a two-letter year, unless the format
// holds "yyy"), and a blank and the long time format when value has a time of day. NullDate
// gives ""; a value the date formatting cannot take goes through the variant conversion, and
// is "" when that fails too.
void FormatDateForLocale(bool fourDigitYear, String& text, TDateTime value);
// 1 January of MinYear.
TDateTime GetMinDateValue();
// Runs of characters other than "'" between single quotes, every "'" as "\'": a word as
// the regular-expression mask syntax quotes it.
String QuoteMaskWord(const String& word);
// mask becomes "(mask)|(words)" and an optional signed number of one to four digits; the words
// are quoted for the regular-expression mask syntax, "now" only withNow.
void AddSmartWordsToRegexMask(String& mask, bool withNow);

// ---- Calendar routines ---------------------------------------------------------------------

void StepMonthBackward(Integer& year, Integer& month);
void StepMonthForward(Integer& year, Integer& month);
// Adds delta months (either sign) to a year and a month of 1..12; returns delta div 12.
Integer AddMonthsToYearMonth(Integer& year, Integer& month, Integer delta);
// part: 0 year, 1 month, 2 day.
Word GetDateComponent(Integer part, TDateTime value);
bool IsLeapYear(Integer year);
Integer GetMonthDayCount(Integer year, Integer month);
// day limited to 1 .. the days of the month.
Integer ClampDayToMonth(Integer year, Integer month, Integer day);
