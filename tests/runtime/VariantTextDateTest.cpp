// A text variant converted to a date: besides the short date format's own separator, the day,
// month and year may stand apart by blanks, the month may be a name, and a time may follow.
#include <gtest/gtest.h>

#include "platform/runtime/Clock.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Variant.h"
#include "tests/support/TestSupport.h"

namespace {

class ScopedManualClock {
public:
    explicit ScopedManualClock(TDateTime at) {
        ClockSetMode(TClockMode::Manual);
        ClockSetLocalMicros(Int64((at - UnixDateDelta) * 86400.0 + 0.5) * 1000000);
    }
    ~ScopedManualClock() { ClockSetMode(TClockMode::Real); }
};

TFormatSettings UsSettings() { return testsupport::DotSettings(); } // M/d/yyyy, h:mm:ss AMPM

TFormatSettings GermanSettings() {
    TFormatSettings fs = testsupport::CommaSettings();
    fs.DateSeparator = '.';
    fs.ShortDateFormat = "dd.MM.yyyy";
    fs.LongTimeFormat = "HH:mm:ss";
    const char* longNames[] = {"Januar", "Februar", "März",      "April",   "Mai",      "Juni",
                               "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
    const char* shortNames[] = {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun",
                                "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
    for (int m = 0; m < 12; ++m) {
        fs.LongMonthNames[m] = longNames[m];
        fs.ShortMonthNames[m] = shortNames[m];
    }
    return fs;
}

TFormatSettings IsoSettings() {
    TFormatSettings fs = testsupport::DotSettings();
    fs.DateSeparator = '-';
    fs.ShortDateFormat = "yyyy-MM-dd";
    fs.LongTimeFormat = "HH:mm:ss";
    return fs;
}

// The converted value as text, or "refused" when the conversion raised.
String Converted(const String& text) {
    try {
        return FormatDateTime("yyyy-mm-dd hh:nn:ss", VarToDateTime(Variant(text)),
                              testsupport::DotSettings());
    } catch (const EVariantError&) {
        return "refused";
    }
}

struct TCase {
    const char* Locale;
    const char* Text;
    const char* Expected;
};

TEST(VariantTextToDate, ReadsBlankSeparatedDatesMonthNamesAndTimesInTheLocaleOrder) {
    ScopedManualClock clock(EncodeDate(2028, 2, 16) + EncodeTime(10, 30, 0, 0));
    const TCase cases[] = {
        // What was read before stays read.
        {"us", "12/24/2026", "2026-12-24 00:00:00"},
        {"us", "12/24/2026 10:30:15 PM", "2026-12-24 22:30:15"},
        {"us", "45000", "2023-03-15 00:00:00"},
        {"de", "24.12.2026", "2026-12-24 00:00:00"},
        {"iso", "2026-12-24", "2026-12-24 00:00:00"},
        // Blanks between the fields, in the locale's order.
        {"us", "12 24 2026", "2026-12-24 00:00:00"},
        {"us", "  12   24  2026  ", "2026-12-24 00:00:00"},
        {"de", "24 12 2026", "2026-12-24 00:00:00"},
        {"iso", "2026 12 24", "2026-12-24 00:00:00"},
        {"de", "24 12", "2028-12-24 00:00:00"},
        {"us", "12 24 26", "2026-12-24 00:00:00"},
        // Month names, long and short, in any letter case and wherever they stand.
        {"us", "December 24 2026", "2026-12-24 00:00:00"},
        {"us", "24 dec 2026", "2026-12-24 00:00:00"},
        {"us", "Mar 5", "2028-03-05 00:00:00"},
        {"de", "24 Dezember 2026", "2026-12-24 00:00:00"},
        {"de", "1 märz 2027", "2027-03-01 00:00:00"},
        {"de", "1.Mär.2027", "2027-03-01 00:00:00"},
        {"iso", "2026 Dec 24", "2026-12-24 00:00:00"},
        // An optional time after the date.
        {"us", "12 24 2026 10:30", "2026-12-24 10:30:00"},
        {"us", "Dec 24 2026 10:30 PM", "2026-12-24 22:30:00"},
        {"de", "24 12 2026 18:05:09", "2026-12-24 18:05:09"},
        // Not dates.
        {"us", "13 24 2026", "refused"},
        {"us", "Feb 30 2027", "refused"},
        {"us", "December", "refused"},
        {"us", "Dec Jan 2026", "refused"},
        {"us", "12 24 2026 tea", "refused"},
        {"us", "24 Decembre 2026", "refused"},
        {"de", "24 12 10000", "refused"},
        {"us", "", "refused"},
    };
    for (const TCase& c : cases) {
        const String locale = c.Locale;
        testsupport::ScopedFormatSettings settings(locale == "us"   ? UsSettings()
                                                   : locale == "de" ? GermanSettings()
                                                                    : IsoSettings());
        EXPECT_EQ(c.Expected, Converted(c.Text)) << c.Locale << " \"" << c.Text << "\"";
    }
}

} // namespace
