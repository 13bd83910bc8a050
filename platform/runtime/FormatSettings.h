// The locale the program formats and parses numbers, money, dates and times with.
// One settable instance; the program fills it from the C library's locale at start-up,
// tests set it explicitly.
#pragma once

#include <functional>

#include "platform/runtime/RtlTypes.h"

struct TFormatSettings {
    Byte CurrencyFormat = 0;   // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
    Byte NegCurrFormat = 0;    // 0 "($1)" .. 15, as the classic table
    char ThousandSeparator = ',';
    char DecimalSeparator = '.';
    Byte CurrencyDecimals = 2;
    char DateSeparator = '/';
    char TimeSeparator = ':';
    char ListSeparator = ',';
    String CurrencyString = "$";
    String ShortDateFormat = "M/d/yyyy";
    String LongDateFormat = "dddd, MMMM d, yyyy";
    String TimeAMString = "AM";
    String TimePMString = "PM";
    String ShortTimeFormat = "h:mm AMPM";
    String LongTimeFormat = "h:mm:ss AMPM";
    String ShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    String LongMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                 "July",    "August",   "September", "October", "November", "December"};
    // Index 0 is Sunday, as DayOfWeek counts.
    String ShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    String LongDayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    Word TwoDigitYearCenturyWindow = 50;
    Byte FirstWeekDay = 0;  // 0 Sunday .. 6 Saturday
};

// The process-wide settings (English defaults until the program or a test sets them).
extern TFormatSettings FormatSettings;

// The settings the runtime starts with, before any locale is read.
TFormatSettings DefaultFormatSettings();

// Reads the settings of a C library locale ("" = the user's environment) without changing
// the process's own C locale. Unknown locales give the defaults.
TFormatSettings FormatSettingsFromLocale(const char* localeName = "");

// Fills FormatSettings from the user's locale; the program calls it once at start-up.
void InitFormatSettingsFromLocale();

// Translates a C library (strftime) date or time format into FormatDateTime's letters:
// "%m/%d/%Y" gives "MM/dd/yyyy", "%I:%M:%S %p" gives "hh:mm:ss AMPM". Literal letters come
// out quoted; conversions without a counterpart (time zone, week number, ...) are left out
// together with the separator that joined them. %r, %x, %X and %c stand for the C locale's
// formats here.
String StrftimeToDateTimeFormat(const String& strftimeFormat);

// Change notice: handlers run (on the calling thread) whenever NotifyFormatSettingsChanged
// is called, e.g. after the locale was re-read on a WM_SETTINGCHANGE "intl" broadcast.
using TFormatSettingsChangeHandler = std::function<void()>;
int AddFormatSettingsChangeHandler(TFormatSettingsChangeHandler handler);  // returns a cookie
void RemoveFormatSettingsChangeHandler(int cookie);
void NotifyFormatSettingsChanged();
