// Locale formats: parsing date/time format strings into items, the masks and display formats
// built from them, the locale currency format, positions inside edited texts, and the
// controller's listeners and change messages.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzFormats.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::DotSettings;
using testsupport::ScopedEnv;
using testsupport::ScopedFormatSettings;

// Items as "kind:text" joined by "|".
std::string ItemsText(const TqzDateTimeFormatInfo& info) {
    std::string text;
    for (const TqzDateTimeFormatItem& item : info.Items) {
        if (!text.empty()) text += "|";
        text += std::to_string(int(item.Kind)) + ":" + item.Text;
    }
    return text;
}

std::string Parsed(const String& format) {
    TqzDateTimeFormatInfo info;
    TqzFormatController::ParseFormat(format, info);
    return ItemsText(info);
}

TFormatSettings UsSettings() {
    TFormatSettings s = DotSettings();
    s.ShortDateFormat = "M/d/yyyy";
    s.LongDateFormat = "dddd, MMMM d, yyyy";
    s.ShortTimeFormat = "h:mm AMPM";
    s.LongTimeFormat = "h:mm:ss AMPM";
    s.DateSeparator = '/';
    s.TimeSeparator = ':';
    s.TimeAMString = "AM";
    s.TimePMString = "PM";
    return s;
}

TFormatSettings GermanSettings() {
    TFormatSettings s = UsSettings();
    s.ShortDateFormat = "dd.MM.yyyy";
    s.LongTimeFormat = "HH:mm:ss";
    s.DateSeparator = '.';
    return s;
}

} // namespace

TEST(qzFormatsTest, ParseFormatTurnsFormatStringsIntoItems) {
    ScopedFormatSettings settings(UsSettings());
    struct TCase {
        String Format;
        std::string Items;
    };
    const std::vector<TCase> cases = {
        {"M/d/yyyy", "2:M|9:|3:D|9:|1:YYYY"},
        // Minutes after an hour; no AM/PM: a 24-hour clock.
        {"dd.MM.yy hh:mm", "3:DD|0:.|2:MM|0:.|1:YY|0: |4:24HH|10:|5:NN"},
        {"h:mm AMPM", "4:12H|10:|5:NN|0: |8:AMPM"},
        {"H:mm a/p", "4:12H|10:|5:NN|0: |8:a/p"},
        {"hh:nn:ss am/pm", "4:12HH|10:|5:NN|10:|6:SS|0: |8:am/pm"},
        {"h:n:s.zzzz", "4:24H|10:|5:N|10:|6:S|0:.|7:ZZZ"},
        // An era cannot be parsed: nothing at all.
        {"yyyy/MM/dd gg", ""},
        {"g", ""},
        // AM/PM without an hour is dropped.
        {"yyyy AM/PM", "1:YYYY|0: "},
        {"yyyy", "1:YYYY"},
        {"yyy", "1:YYYY"},
        {"yy", "1:YY"},
        {"y", "1:YY"},
        {"ee", "1:YY"},
        {"MMMMMM", "2:MMMM"},
        // Runs count the exact letter; a second item of a kind is skipped, literals repeat.
        {"dD", "3:D"},
        {"d-M-d/y/", "3:D|0:-|2:M|0:-|9:|1:YY|9:"},
        // Quoted literals join the literal text around them.
        {"'at' hh 'o''clock'", "0:at |4:24HH|0: oclock"},
        {"\"h\"h", "0:h|4:24H"},
        {"aaaa, d. mmmm", "3:DDDD|0:, . |2:MMMM"},
        {"aaa x", "3:DDD|0: x"},
        {"yyyy年M月d日", "1:YYYY|0:年|2:M|0:月|3:D|0:日"},
        // Nested formats: short date, long date, short and long time, and both.
        {"ddddd", "2:M|9:|3:D|9:|1:YYYY"},
        {"dddddd", "3:DDDD|0:, |2:MMMM|0: , |1:YYYY"},
        {"t", "4:12H|10:|5:NN|0: |8:AMPM"},
        {"tt", "4:12H|10:|5:NN|10:|6:SS|0: |8:AMPM"},
        {"c", "2:M|9:|3:D|9:|1:YYYY|0: |4:12H|10:|5:NN|10:|6:SS|0: |8:AMPM"},
        {"", "2:M|9:|3:D|9:|1:YYYY|0: |4:12H|10:|5:NN|10:|6:SS|0: |8:AMPM"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Format);
        EXPECT_EQ(Parsed(c.Format), c.Items);
    }
}

TEST(qzFormatsTest, NestedFormatsReferringToEachOtherStopTwoLevelsDown) {
    TFormatSettings s = UsSettings();
    s.ShortDateFormat = "ddddd";
    s.LongTimeFormat = "c";
    ScopedFormatSettings settings(s);
    EXPECT_EQ(Parsed("c"), "0:  ");
    // An era two levels down is never reached; one level down it fails the whole format.
    s.ShortDateFormat = "yy dddddd";
    s.LongDateFormat = "gg";
    ScopedFormatSettings settings2(s);
    EXPECT_EQ(Parsed("ddddd"), "1:YY|0: ");
    EXPECT_EQ(Parsed("dddddd"), "");
}

TEST(qzFormatsTest, MasksAndDisplayFormatsFollowTheLocale) {
    struct TCase {
        const char* Name;
        TFormatSettings Settings;
        std::string DateMask, DateTimeMask, DateFormat, DateTimeFormat, EntryFormat, TimeMask;
    };
    TFormatSettings named = UsSettings();
    named.ShortDateFormat = "dd-MMM-yy";
    named.LongTimeFormat = "HH:mm";
    TFormatSettings letters = UsSettings();
    letters.ShortDateFormat = "d.M.yy";
    letters.LongTimeFormat = "h:mm a/p";
    TFormatSettings longSuffix = UsSettings();
    longSuffix.TimeAMString = "vorm.";
    longSuffix.TimePMString = "";
    const std::vector<TCase> cases = {
        {"us", UsSettings(), "!99/99/9999;1; ", "!99/99/9999\\ 99:99:99\\ cc;1; ", "mm/dd/yyyy",
         "mm/dd/yyyy' 'hh:nn:ss' 'ampm", "MM/dd/yyyy", "00:00:00\\ cc;1;0"},
        {"german", GermanSettings(), "!99\\.99\\.9999;1; ", "!99\\.99\\.9999\\ 99:99:99;1; ",
         "dd'.'mm'.'yyyy", "dd'.'mm'.'yyyy' 'hh:nn:ss", "dd.MM.yyyy", "00:00:00;1;0"},
        {"month names", named, "!99\\-lll\\-99;1; ", "!99\\-lll\\-99\\ 99:99;1; ", "dd'-'mmm'-'yy",
         "dd'-'mmm'-'yy' 'hh:nn", "dd-MMM-yy", "00:00;1;0"},
        {"letters", letters, "!99\\.99\\.99;1; ", "!99\\.99\\.99\\ 99:99\\ c;1; ", "dd'.'mm'.'yy",
         "dd'.'mm'.'yy' 'hh:nn' 'a/p", "dd.MM.yy", "00:00\\ c;1;0"},
        {"long locale suffix", longSuffix, "!99/99/9999;1; ", "!99/99/9999\\ 99:99:99\\ ccccc;1; ",
         "mm/dd/yyyy", "mm/dd/yyyy' 'hh:nn:ss' 'ampm", "MM/dd/yyyy", "00:00:00\\ ccccc;1;0"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        ScopedFormatSettings settings(c.Settings);
        TqzFormatController controller;
        EXPECT_EQ(controller.GetDateMask(), c.DateMask);
        EXPECT_EQ(controller.GetStandardDateMask(), c.DateMask);
        EXPECT_EQ(controller.GetStandardDateTimeMask(), c.DateTimeMask);
        EXPECT_EQ(controller.GetMaskedDateFormat(), c.DateFormat);
        EXPECT_EQ(controller.GetMaskedDateTimeFormat(), c.DateTimeFormat);
        EXPECT_EQ(controller.GetDateEntryFormat(), c.EntryFormat);
        EXPECT_EQ(TqzFormatController::BuildStandardMask(controller.GetTimeFormatItems(), smkTime),
                  c.TimeMask);
    }
    TqzDateTimeFormatInfo empty;
    EXPECT_EQ(TqzFormatController::BuildStandardMask(empty, smkDate), "");
}

TEST(qzFormatsTest, RegularExpressionMasksWithSmartWords) {
    ScopedFormatSettings settings(GermanSettings());
    TqzFormatController controller;
    const std::string months = "'Jan'|'Feb'|'Mar'|'Apr'|'May'|'Jun'|'Jul'|'Aug'|'Sep'|'Oct'|'Nov'|'Dec'";
    // The points of dd.MM.yyyy are literal text, not the date separator.
    const std::string date = "([012]?[1-9]|[123]0|31)'.'((0?[1-9]|1[012])|(" + months + "))'.'\\d\\d\\d\\d";
    const std::string words = "'today'|'yesterday'|'tomorrow'|'Sunday'|'Monday'|'Tuesday'|'Wednesday'|"
                              "'Thursday'|'Friday'|'Saturday'|'first'|'second'|'third'|'fourth'|'fifth'|"
                              "'sixth'|'seventh'|'bom'|'eom'";
    const std::string number = ")((\\+|-)\\d(\\d(\\d\\d?)?)?)?";
    EXPECT_EQ(controller.GetRegexDateMask(), "(" + date + ")|(" + words + number);
    EXPECT_EQ(controller.GetRegexDateTimeMask(),
              "(" + date + "' '(([01]?\\d|2[0-3])\\:[0-5]?\\d\\:[0-5]?\\d)?)|(" + words + "|'now'" + number);
}

TEST(qzFormatsTest, RegularExpressionPiecesByItem) {
    struct TCase {
        const char* Name;
        String Format;
        TqzRegexMaskKind Kind;
        char DateSeparator;
        String AM, PM;
        std::string Expected;
    };
    const std::string longMonths = "'January'|'February'|'March'|'April'|'May'|'June'|'July'|'August'|"
                                   "'September'|'October'|'November'|'December'";
    const std::vector<TCase> cases = {
        {"blank date separator, two-digit year", "d/M/yy", rmkDate, ' ', "AM", "PM",
         "([012]?[1-9]|[123]0|31)' '((0?[1-9]|1[012])|('Jan'|'Feb'|'Mar'|'Apr'|'May'|'Jun'|'Jul'|'Aug'|'Sep'|"
         "'Oct'|'Nov'|'Dec'))' '\\d\\d"},
        {"escaped date separator", "yy/d", rmkDate, '-', "AM", "PM", "\\d\\d\\-([012]?[1-9]|[123]0|31)"},
        {"long month names", "MMMM yyyy", rmkDate, '/', "AM", "PM",
         "((0?[1-9]|1[012])|(" + longMonths + "))' '\\d\\d\\d\\d"},
        {"time items add nothing to a date mask", "yyyy hh:mm", rmkDate, '/', "AM", "PM", "\\d\\d\\d\\d' '"},
        {"12-hour letters", "h:mm a/p", rmkTime, '/', "AM", "PM", "(0?[1-9]|1[012])\\:[0-5]?\\d' '(A|P)?"},
        {"12-hour AM/PM", "h AM/PM", rmkTime, '/', "AM", "PM", "(0?[1-9]|1[012])' '(AM|PM)?"},
        {"locale strings", "h AMPM", rmkTime, '/', "vm", "nm", "(0?[1-9]|1[012])' '('vm'|'nm')?"},
        {"only a PM string", "h AMPM", rmkTime, '/', "", "nm", "(0?[1-9]|1[012])' '('nm')?"},
        {"no strings", "h AMPM", rmkTime, '/', "", "", "(0?[1-9]|1[012])' '"},
        {"a quote inside a literal is escaped", "\"o'c\" h", rmkTime, '/', "AM", "PM",
         "'o'\\''c '([01]?\\d|2[0-3])"},
        {"date items add nothing to a time mask", "d/M hh", rmkTime, '/', "AM", "PM", "' '([01]?\\d|2[0-3])"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TFormatSettings s = UsSettings();
        s.DateSeparator = c.DateSeparator;
        s.TimeAMString = c.AM;
        s.TimePMString = c.PM;
        ScopedFormatSettings settings(s);
        TqzDateTimeFormatInfo info;
        TqzFormatController::ParseFormat(c.Format, info);
        EXPECT_EQ(TqzFormatController::BuildRegexMask(info, c.Kind), c.Expected);
    }
}

TEST(qzFormatsTest, LocaleCurrencyFormat) {
    struct TCase {
        Byte Positive, Negative;
        String Currency;
        Byte Decimals;
        std::string Expected;
    };
    const std::vector<TCase> cases = {
        {0, 0, "$", 2, "$,0.00;($,0.00)"},
        {1, 1, "$", 2, ",0.00$;-$,0.00"},
        {2, 2, "$", 2, "$ ,0.00;$-,0.00"},
        {3, 3, "$", 2, ",0.00 $;$,0.00-"},
        {0, 4, "$", 2, "$,0.00;(,0.00$)"},
        {0, 5, "$", 2, "$,0.00;-,0.00$"},
        {0, 6, "$", 2, "$,0.00;,0.00-$"},
        {0, 7, "$", 2, "$,0.00;,0.00$-"},
        {3, 8, "$", 2, ",0.00 $;-,0.00 $"},
        {2, 9, "$", 2, "$ ,0.00;-$ ,0.00"},
        {3, 10, "$", 2, ",0.00 $;,0.00 $-"},
        {2, 11, "$", 2, "$ ,0.00;$ ,0.00-"},
        {2, 12, "$", 2, "$ ,0.00;$ -,0.00"},
        {3, 13, "$", 2, ",0.00 $;,0.00- $"},
        {2, 14, "$", 2, "$ ,0.00;($ ,0.00)"},
        {3, 15, "$", 2, ",0.00 $;(,0.00 $)"},
        // Separators in the currency text are quoted; no decimals leave the bare point.
        {3, 8, "kr.", 0, ",0. kr'.';-,0. kr'.'"},
        {1, 5, "a,b", 3, ",0.000a','b;-,0.000a','b"},
        // Values outside the tables give empty parts.
        {4, 16, "$", 2, ";"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Expected);
        TFormatSettings s = UsSettings();
        s.CurrencyFormat = c.Positive;
        s.NegCurrFormat = c.Negative;
        s.CurrencyString = c.Currency;
        s.CurrencyDecimals = c.Decimals;
        ScopedFormatSettings settings(s);
        EXPECT_EQ(TqzFormatController::BuildLocaleCurrencyFormat(), c.Expected);
        TqzFormatController controller;
        EXPECT_EQ(controller.GetLocaleCurrencyFormat(), c.Expected);
    }
}

TEST(qzFormatsTest, FirstDayOfWeekComesFromTheLocale) {
    for (Byte day : {Byte(0), Byte(1), Byte(6)}) {
        TFormatSettings s = UsSettings();
        s.FirstWeekDay = day;
        ScopedFormatSettings settings(s);
        TqzFormatController controller;
        EXPECT_EQ(controller.GetFirstDayOfWeek(), day);
    }
}

TEST(qzFormatsTest, ItemsAtPositionsOfAnEditedText) {
    TFormatSettings s = UsSettings();
    s.TimeAMString = "vorm.";
    ScopedFormatSettings settings(s);
    TqzFormatController controller;
    // "MM/dd/yyyy hh:mm:ss vorm." and "dd-MMM-yy hh a/p": where each item sits.
    TqzDateTimeFormatInfo dateTime = controller.GetDateTimeFormatItems();
    TqzDateTimeFormatInfo named;
    TqzFormatController::ParseFormat("dd-MMM-yy hh a/p", named);
    TqzDateTimeFormatInfo ampm;
    TqzFormatController::ParseFormat("hh AM/PM", ampm);
    EXPECT_EQ(controller.GetFormatInfoTextLength(dateTime), 25);
    EXPECT_EQ(controller.GetFormatInfoTextLength(named), 14);
    EXPECT_EQ(controller.GetFormatInfoTextLength(TqzDateTimeFormatInfo()), 0);

    struct TCase {
        const TqzDateTimeFormatInfo* Info;
        Integer Position;
        bool Found;
        TqzDateTimeFormatItemKind Kind;
        Integer Start, Length;
        TqzTimeSuffixStyle Style;
    };
    const std::vector<TCase> cases = {
        {&dateTime, 0, false, dtikText, 0, 0, tssLetter},
        {&dateTime, -3, false, dtikText, 0, 0, tssLetter},
        {&dateTime, 1, true, dtikMonth, 1, 2, tssLetter},
        {&dateTime, 2, true, dtikMonth, 1, 2, tssLetter},
        {&dateTime, 3, true, dtikDateSeparator, 3, 1, tssLetter},
        {&dateTime, 7, true, dtikYear, 7, 4, tssLetter},
        {&dateTime, 11, true, dtikText, 11, 1, tssLetter},
        {&dateTime, 12, true, dtikHour, 12, 2, tssLetter},
        {&dateTime, 21, true, dtikTimeSuffix, 21, 5, tssLocale},
        {&dateTime, 25, true, dtikTimeSuffix, 21, 5, tssLocale},
        {&dateTime, 26, false, dtikText, 0, 0, tssLetter},
        {&named, 4, true, dtikMonth, 4, 3, tssLetter},
        {&named, 7, true, dtikText, 7, 1, tssLetter},
        {&named, 14, true, dtikTimeSuffix, 14, 1, tssLetter},
        {&ampm, 4, true, dtikTimeSuffix, 4, 2, tssAMPM},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Position);
        TqzDateTimeFormatItemInfo item;
        ASSERT_EQ(controller.FindDateTimeFormatItemAt(*c.Info, c.Position, item), c.Found);
        if (!c.Found) continue;
        EXPECT_EQ(item.Kind, c.Kind);
        EXPECT_EQ(item.Start, c.Start);
        EXPECT_EQ(item.Length, c.Length);
        if (c.Kind == dtikTimeSuffix) {
            EXPECT_EQ(item.TimeSuffixStyle, c.Style);
        }
    }
    TqzDateTimeFormatItemInfo item;
    EXPECT_FALSE(controller.FindDateTimeFormatItemAt(TqzDateTimeFormatInfo(), 1, item));
}

// ---- Listeners and messages -------------------------------------------------------------------

namespace {

struct TFormatSink : TObject, IqzFormatListener {
    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }
    void FormatChanged() override {
        ++FormatChanges;
        if (OnFormat) OnFormat();
    }
    int FormatChanges = 0;
    std::function<void()> OnFormat;
};

struct TTimeSink : TFormatSink, IqzTimeChangeListener {
    void TimeChanged() override { ++TimeChanges; }
    int TimeChanges = 0;
};

} // namespace

TEST(qzFormatsTest, ListenersHoldTheHiddenWindowAndHearOfChanges) {
    ScopedFormatSettings settings(UsSettings());
    TqzFormatController controller;
    TFormatSink format;
    TTimeSink time;
    EXPECT_EQ(controller.GetWindowHandle(), nullptr);
    controller.AddListener(&format);
    controller.AddListener(&format);
    controller.AddListener(&time);
    const HWND window = controller.GetWindowHandle();
    ASSERT_NE(window, nullptr);

    EXPECT_EQ(SendMessageA(window, WM_TIMECHANGE, 0, 0), 0);
    EXPECT_EQ(format.FormatChanges, 0);
    EXPECT_EQ(time.TimeChanges, 1);

    // Only "intl" with wParam 0 counts.
    SendMessageA(window, WM_WININICHANGE, 0, LPARAM("windows"));
    SendMessageA(window, WM_WININICHANGE, 1, LPARAM("intl"));
    EXPECT_EQ(format.FormatChanges, 0);
    {
        // The locale is read again: the C locale writes dates as MM/dd/yy.
        ScopedEnv lcAll("LC_ALL", "C");
        EXPECT_EQ(SendMessageA(window, WM_WININICHANGE, 0, LPARAM("intl")), 0);
    }
    EXPECT_EQ(format.FormatChanges, 1); // added twice, told once
    EXPECT_EQ(time.FormatChanges, 1);
    EXPECT_EQ(controller.GetDateMask(), "!99/99/99;1; ");

    controller.RemoveListener(&format);
    EXPECT_EQ(controller.GetWindowHandle(), window);
    controller.RemoveListener(&time);
    EXPECT_EQ(controller.GetWindowHandle(), nullptr);
    EXPECT_FALSE(IsWindow(window));
}

TEST(qzFormatsTest, AListenerMayRemoveOthersWhileBeingTold) {
    ScopedFormatSettings settings(UsSettings());
    TqzFormatController controller;
    TFormatSink first, second;
    first.OnFormat = [&] {
        controller.RemoveListener(&first);
        controller.RemoveListener(&second);
    };
    controller.AddListener(&first);
    controller.AddListener(&second);
    const HWND window = controller.GetWindowHandle();
    ScopedEnv lcAll("LC_ALL", "C");
    SendMessageA(window, WM_WININICHANGE, 0, LPARAM("intl"));
    EXPECT_EQ(first.FormatChanges, 1);
    EXPECT_EQ(second.FormatChanges, 0);
    EXPECT_EQ(controller.GetWindowHandle(), nullptr);
}

// The system's broadcast reaches the hidden window; an exception of a listener goes to the
// application's handler instead of into the window system.
TEST(qzFormatsTest, TimeChangeBroadcastAndListenerErrors) {
    struct TRaisingSink : TTimeSink {
        void TimeChanged() override {
            TTimeSink::TimeChanged();
            throw EInvalidOperation("listener failed");
        }
    };
    ScopedFormatSettings settings(UsSettings());
    TqzFormatController controller;
    TRaisingSink raiser;
    controller.AddListener(&raiser);
    std::vector<std::string> errors;
    TWinExceptionHandler old = WinSetExceptionHandler([&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const Exception& e) {
            errors.push_back(e.Message);
        }
    });
    WinNotifyTimeChange();
    WinSetExceptionHandler(old);
    EXPECT_EQ(raiser.TimeChanges, 1);
    EXPECT_EQ(errors, std::vector<std::string>{"listener failed"});
    controller.RemoveListener(&raiser);
}

TEST(qzFormatsTest, OneProcessWideController) {
    TqzFormatController* controller = GetFormatController();
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(GetFormatController(), controller);
    {
        TqzFormatController another;
        EXPECT_EQ(GetFormatController(), controller);
    }
    EXPECT_EQ(GetFormatController(), controller);
}
