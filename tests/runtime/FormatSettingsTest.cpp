#include <gtest/gtest.h>

#include <locale.h>

#include <vector>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/FormatSettings.h"
#include "tests/support/TestSupport.h"

namespace {

// Every field, so that a failure names the one that differs.
void ExpectSameSettings(const TFormatSettings& actual, const TFormatSettings& expected) {
    EXPECT_EQ(actual.CurrencyFormat, expected.CurrencyFormat);
    EXPECT_EQ(actual.NegCurrFormat, expected.NegCurrFormat);
    EXPECT_EQ(actual.ThousandSeparator, expected.ThousandSeparator);
    EXPECT_EQ(actual.DecimalSeparator, expected.DecimalSeparator);
    EXPECT_EQ(actual.CurrencyDecimals, expected.CurrencyDecimals);
    EXPECT_EQ(actual.DateSeparator, expected.DateSeparator);
    EXPECT_EQ(actual.TimeSeparator, expected.TimeSeparator);
    EXPECT_EQ(actual.ListSeparator, expected.ListSeparator);
    EXPECT_EQ(actual.CurrencyString, expected.CurrencyString);
    EXPECT_EQ(actual.ShortDateFormat, expected.ShortDateFormat);
    EXPECT_EQ(actual.LongDateFormat, expected.LongDateFormat);
    EXPECT_EQ(actual.TimeAMString, expected.TimeAMString);
    EXPECT_EQ(actual.TimePMString, expected.TimePMString);
    EXPECT_EQ(actual.ShortTimeFormat, expected.ShortTimeFormat);
    EXPECT_EQ(actual.LongTimeFormat, expected.LongTimeFormat);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(actual.ShortMonthNames[i], expected.ShortMonthNames[i]) << i;
        EXPECT_EQ(actual.LongMonthNames[i], expected.LongMonthNames[i]) << i;
    }
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(actual.ShortDayNames[i], expected.ShortDayNames[i]) << i;
        EXPECT_EQ(actual.LongDayNames[i], expected.LongDayNames[i]) << i;
    }
    EXPECT_EQ(actual.TwoDigitYearCenturyWindow, expected.TwoDigitYearCenturyWindow);
    EXPECT_EQ(actual.FirstWeekDay, expected.FirstWeekDay);
}

// What the C locale gives: the defaults, with the C library's own date and time formats.
TFormatSettings CLocaleSettings() {
    TFormatSettings fs = DefaultFormatSettings();
    fs.ShortDateFormat = "MM/dd/yy";
    fs.LongDateFormat = "dddd MMMM d yyyy";
    fs.ShortTimeFormat = "HH:mm";
    fs.LongTimeFormat = "HH:mm:ss";
    return fs;
}

bool LocaleAvailable(const char* name) {
    locale_t locale = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(nullptr));
    if (!locale) return false;
    freelocale(locale);
    return true;
}

const TDateTime kAfternoon = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0); // a Tuesday

} // namespace

TEST(FormatSettingsLocale, CLocalesGiveTheDefaultsWithTheirOwnFormats) {
    for (const char* name : {"C", "POSIX", "C.UTF-8"}) {
        SCOPED_TRACE(name);
        ExpectSameSettings(FormatSettingsFromLocale(name), CLocaleSettings());
    }
    TFormatSettings c = FormatSettingsFromLocale("C");
    EXPECT_EQ(DateTimeToStr(kAfternoon, c), "03/05/24 14:07:09");
    EXPECT_EQ(FormatDateTime("dddddd", kAfternoon, c), "Tuesday March 5 2024");
    EXPECT_EQ(StrToDateTime("03/05/24 14:07:09", c), kAfternoon);
}

TEST(FormatSettingsLocale, UnknownLocalesGiveTheDefaults) {
    for (const char* name : {"xx_NOWHERE.UTF-8", "no such locale", "C.NOT-A-CODESET@nowhere/.."}) {
        SCOPED_TRACE(name);
        ExpectSameSettings(FormatSettingsFromLocale(name), DefaultFormatSettings());
    }
}

TEST(FormatSettingsLocale, TheEnvironmentChoosesTheUsersLocale) {
    testsupport::ScopedFormatSettings restore(testsupport::CommaSettings());
    const String processLocale = setlocale(LC_ALL, nullptr);
    {
        testsupport::ScopedEnv lcAll("LC_ALL", "C");
        ExpectSameSettings(FormatSettingsFromLocale(""), CLocaleSettings());
        InitFormatSettingsFromLocale();
        ExpectSameSettings(FormatSettings, CLocaleSettings());
    }
    {
        testsupport::ScopedEnv lcAll("LC_ALL", "xx_NOWHERE.UTF-8");
        InitFormatSettingsFromLocale();
        ExpectSameSettings(FormatSettings, DefaultFormatSettings());
    }
    // The process's own C locale is not touched.
    EXPECT_EQ(String(setlocale(LC_ALL, nullptr)), processLocale);
}

TEST(FormatSettingsLocale, GermanWhenInstalled) {
    const char* name = "de_DE.UTF-8";
    if (!LocaleAvailable(name)) GTEST_SKIP() << name << " is not installed";
    TFormatSettings fs = FormatSettingsFromLocale(name);
    EXPECT_EQ(fs.DecimalSeparator, ',');
    EXPECT_EQ(fs.ThousandSeparator, '.');
    EXPECT_EQ(fs.ListSeparator, ';');
    EXPECT_EQ(fs.CurrencyString, "\xE2\x82\xAC");
    EXPECT_EQ(fs.CurrencyFormat, 3); // 1 $
    EXPECT_EQ(fs.NegCurrFormat, 8);  // -1 $
    EXPECT_EQ(fs.CurrencyDecimals, 2);
    EXPECT_EQ(fs.ShortDateFormat, "dd.MM.yyyy");
    EXPECT_EQ(fs.DateSeparator, '.');
    EXPECT_EQ(fs.LongTimeFormat, "HH:mm:ss");
    EXPECT_EQ(fs.ShortTimeFormat, "HH:mm");
    EXPECT_EQ(fs.TimeSeparator, ':');
    EXPECT_EQ(fs.TimeAMString, "");
    EXPECT_EQ(fs.TimePMString, "");
    EXPECT_EQ(fs.LongMonthNames[2], "M\xC3\xA4rz");
    EXPECT_EQ(fs.LongDayNames[1], "Montag");
    EXPECT_EQ(fs.FirstWeekDay, 1); // Monday
    EXPECT_EQ(DateTimeToStr(kAfternoon, fs), "05.03.2024 14:07:09");
    EXPECT_EQ(StrToDateTime("05.03.2024 14:07:09", fs), kAfternoon);
}

TEST(FormatSettingsLocale, AmericanEnglishWhenInstalled) {
    const char* name = "en_US.UTF-8";
    if (!LocaleAvailable(name)) GTEST_SKIP() << name << " is not installed";
    TFormatSettings fs = FormatSettingsFromLocale(name);
    EXPECT_EQ(fs.DecimalSeparator, '.');
    EXPECT_EQ(fs.ThousandSeparator, ',');
    EXPECT_EQ(fs.ListSeparator, ',');
    EXPECT_EQ(fs.CurrencyString, "$");
    EXPECT_EQ(fs.CurrencyFormat, 0); // $1
    EXPECT_EQ(fs.NegCurrFormat, 1);  // -$1
    EXPECT_EQ(fs.ShortDateFormat, "MM/dd/yyyy");
    EXPECT_EQ(fs.LongTimeFormat, "hh:mm:ss AMPM");
    EXPECT_EQ(fs.ShortTimeFormat, "hh:mm AMPM");
    EXPECT_EQ(fs.FirstWeekDay, 0); // Sunday
    EXPECT_EQ(DateTimeToStr(kAfternoon, fs), "03/05/2024 02:07:09 PM");
    EXPECT_EQ(StrToDateTime("03/05/2024 02:07:09 PM", fs), kAfternoon);
}

TEST(FormatSettingsLocale, WideSpacesBecomeBlanksWhenInstalled) {
    // French groups digits with a narrow no-break space, which a one-byte separator cannot
    // hold: it becomes a blank.
    const char* name = "fr_FR.UTF-8";
    if (!LocaleAvailable(name)) GTEST_SKIP() << name << " is not installed";
    TFormatSettings fs = FormatSettingsFromLocale(name);
    EXPECT_EQ(fs.ThousandSeparator, ' ');
    EXPECT_EQ(fs.DecimalSeparator, ',');
    EXPECT_EQ(fs.ShortDateFormat, "dd/MM/yyyy");
    EXPECT_EQ(fs.DateSeparator, '/');
}

TEST(FormatSettingsLocale, StrftimeFormatsTranslateToPictureLetters) {
    struct Case {
        const char* strftime;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"%m/%d/%Y", "MM/dd/yyyy"},
        {"%d.%m.%Y", "dd.MM.yyyy"},
        {"%Y-%m-%d", "yyyy-MM-dd"},
        {"%F", "yyyy-MM-dd"},
        {"%D", "MM/dd/yy"},
        {"%-d.%-m.%Y", "d.M.yyyy"},
        {"%e %B %Y", "d MMMM yyyy"},
        {"%a %b %d", "ddd MMM dd"},
        {"%A, %d de %B de %Y", "dddd, dd 'de' MMMM 'de' yyyy"},
        {"%Ey/%Om/%Od", "yy/MM/dd"},
        {"%Y\xE5\xB9\xB4%m\xE6\x9C\x88%d\xE6\x97\xA5", "yyyy\xE5\xB9\xB4MM\xE6\x9C\x88"
                                                       "dd\xE6\x97\xA5"},
        {"%T", "HH:mm:ss"},
        {"%R", "HH:mm"},
        {"%r", "hh:mm:ss AMPM"},
        {"%I:%M %p", "hh:mm AMPM"},
        {"%l:%M %P", "h:mm AMPM"},
        {"%k.%M", "H.mm"},
        {"%Hh%M", "HH'h'mm"},
        {"%M:%S", "nn:ss"}, // minutes without an hour before them
        {"%H:%M:%S %Z", "HH:mm:ss"},
        {"%j %d", "dd"},
        {"100%% %d", "100% dd"},
        {"it's %d", "'it'\"'\"'s' dd"},
        {"", ""},
        {"%", "%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.strftime);
        EXPECT_EQ(StrftimeToDateTimeFormat(c.strftime), c.expected);
    }
    // The quoted literals read back as the text they were.
    const TFormatSettings dot = testsupport::DotSettings();
    EXPECT_EQ(FormatDateTime(StrftimeToDateTimeFormat("%A, %d de %B de %Y"), kAfternoon, dot),
              "Tuesday, 05 de March de 2024");
    EXPECT_EQ(FormatDateTime(StrftimeToDateTimeFormat("it's %Hh%M"), kAfternoon, dot), "it's 14h07");
    EXPECT_EQ(FormatDateTime(StrftimeToDateTimeFormat("%r"), kAfternoon, dot), "02:07:09 PM");
}

TEST(FormatSettingsLocale, ChangeHandlersRunUntilRemoved) {
    int first = 0, second = 0;
    int a = AddFormatSettingsChangeHandler([&] { ++first; });
    int b = AddFormatSettingsChangeHandler([&] { ++second; });
    EXPECT_NE(a, b);
    NotifyFormatSettingsChanged();
    RemoveFormatSettingsChangeHandler(a);
    NotifyFormatSettingsChanged();
    RemoveFormatSettingsChangeHandler(b);
    NotifyFormatSettingsChanged();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);
}
