// Small routines the data controller shares: the locale's currency display format, date and
// time parts, week starts and a case-insensitive equal-or-prefix test.
#pragma once

#include "platform/runtime/RtlTypes.h"

// ",0.00" with the locale's currency string placed by its currency format; commas and points
// of the currency string are quoted ("kr." gives "kr'.'").
String BuildCurrencyDisplayFormat();
// Whole days, truncated towards zero.
TDateTime DatePartOf(TDateTime value);
// The fraction of a day (negative for a negative value).
TDateTime TimePartOf(TDateTime value);
// The first day (a whole day) of the week holding value, the week starting on the locale's
// first day of the week.
TDateTime StartOfWeekOf(TDateTime value);
// 0 Sunday .. 6 Saturday.
Integer LocaleFirstDayOfWeek();
// Case-insensitive (the locale's upper-case forms): text equals pattern, or with prefix begins
// with it. An empty pattern matches only an empty text.
bool SameTextOrPrefix(const String& text, const String& pattern, bool prefix);
