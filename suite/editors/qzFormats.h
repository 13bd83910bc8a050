// The locale's date, time and currency formats as the date, time and currency editors use them:
// date/time format strings parsed into typed items, the masks (classic and regular-expression
// syntax) and display formats built from them, and a process-wide controller that rebuilds all
// of it when the regional settings change and tells its listeners.
#pragma once

#include <vector>

#include "platform/runtime/Components.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/winapi/WinCore.h"

// What a format item stands for.
enum TqzDateTimeFormatItemKind : Byte {
    dtikText,          // literal characters
    dtikYear,          // "YY" or "YYYY"
    dtikMonth,         // "M" .. "MMMM"
    dtikDay,           // "D" .. "DDDD" (3 and 4: weekday names)
    dtikHour,          // "12" or "24" followed by "H" or "HH"
    dtikMinute,        // "N" or "NN"
    dtikSecond,        // "S" or "SS"
    dtikMillisecond,   // "Z" .. "ZZZ"
    dtikTimeSuffix,    // "AM/PM", "A/P" (as written) or "AMPM"
    dtikDateSeparator, // empty text
    dtikTimeSeparator  // empty text
};
constexpr int DateTimeFormatItemKindCount = 11;

struct TqzDateTimeFormatItem {
    TqzDateTimeFormatItemKind Kind = dtikText;
    String Text;
};

struct TqzDateTimeFormatInfo {
    // Whether an item of each kind is in the list.
    bool Defined[DateTimeFormatItemKindCount] = {};
    std::vector<TqzDateTimeFormatItem> Items;
};

// How an AM/PM item is written in an edited text.
enum TqzTimeSuffixStyle : Byte { tssLetter, tssAMPM, tssLocale };

// The item covering a position of an edited text.
struct TqzDateTimeFormatItemInfo {
    TqzDateTimeFormatItemKind Kind = dtikText;
    Integer Start = 0; // 1-based
    Integer Length = 0;
    TqzTimeSuffixStyle TimeSuffixStyle = tssLetter; // AM/PM items only
};

// What a classic mask is built for.
enum TqzStandardMaskKind : Byte { smkDate, smkTime, smkDateTime };
// What a regular-expression mask is built for.
enum TqzRegexMaskKind : Byte { rmkDate, rmkTime };

// Hears of changes of the regional settings. {A7F2F6D3-1A7D-4295-A6E6-9297BD83D0DE}
class IqzFormatListener : public virtual IInterface {
public:
    virtual void FormatChanged() = 0;
};

// A format listener that also hears of changes of the system time.
// {5E33A2A7-0C77-415F-A359-112103E54937}
class IqzTimeChangeListener : public virtual IInterface {
public:
    virtual void TimeChanged() = 0;
};

class TqzFormatController : public TObject {
    KOV_CLASS(TqzFormatController, TObject)
public:
    // Builds everything from FormatSettings; becomes the process-wide controller when there is
    // none yet.
    TqzFormatController();
    ~TqzFormatController() override;
    TqzFormatController(const TqzFormatController&) = delete;
    TqzFormatController& operator=(const TqzFormatController&) = delete;

    // The hidden window's messages: WM_WININICHANGE "intl" re-reads the locale, rebuilds and
    // tells every listener; WM_TIMECHANGE tells the time-change listeners.
    virtual void HandleMessage(TMessage& message);
    // Listeners are not owned; a listener removes itself before it goes. The first one makes
    // the hidden window, removing the last one destroys it.
    virtual void AddListener(IqzFormatListener* listener);
    virtual void RemoveListener(IqzFormatListener* listener);
    // Rebuilds from FormatSettings as they stand and tells every listener, as a locale change
    // does without reading the locale again (for tests that set the settings themselves).
    void ApplyFormatSettings();

    const TqzDateTimeFormatInfo& GetDateFormatItems() const { return FDateFormatItems; }
    const TqzDateTimeFormatInfo& GetTimeFormatItems() const { return FTimeFormatItems; }
    const TqzDateTimeFormatInfo& GetDateTimeFormatItems() const { return FDateTimeFormatItems; }
    const String& GetLocaleCurrencyFormat() const { return FLocaleCurrencyFormat; }
    // 0 Sunday .. 6 Saturday.
    Integer GetFirstDayOfWeek() const { return FFirstDayOfWeek; }
    const String& GetDateEntryFormat() const { return FDateEntryFormat; }
    const String& GetDateMask() const { return FDateMask; }
    const String& GetStandardDateMask() const { return FStandardDateMask; }
    const String& GetStandardDateTimeMask() const { return FStandardDateTimeMask; }
    const String& GetRegexDateMask() const { return FRegexDateMask; }
    const String& GetRegexDateTimeMask() const { return FRegexDateTimeMask; }
    const String& GetMaskedDateFormat() const { return FMaskedDateFormat; }
    const String& GetMaskedDateTimeFormat() const { return FMaskedDateTimeFormat; }
    // The hidden window (nullptr while nobody listens).
    HWND GetWindowHandle() const { return FWindow; }

    // The item covering a 1-based position of a text written with info; false when position is
    // not above 0, there are no items, or it lies beyond the text.
    bool FindDateTimeFormatItemAt(const TqzDateTimeFormatInfo& info, Integer position,
                                  TqzDateTimeFormatItemInfo& itemInfo) const;
    // The length of a text written with info.
    Integer GetFormatInfoTextLength(const TqzDateTimeFormatInfo& info) const;

    // Parses a date/time format string (empty reads as "C") into info; a format that cannot be
    // parsed (an era) leaves no items.
    static void ParseFormat(const String& format, TqzDateTimeFormatInfo& info);
    static String BuildStandardMask(const TqzDateTimeFormatInfo& info, TqzStandardMaskKind kind);
    static String BuildRegexMask(const TqzDateTimeFormatInfo& info, TqzRegexMaskKind kind);
    static String BuildDisplayFormat(const TqzDateTimeFormatInfo& info);
    // The currency format of the locale: positive and negative sections.
    static String BuildLocaleCurrencyFormat();

private:
    void Rebuild();
    void NotifyFormatChanged();
    void NotifyTimeChanged();

    std::vector<IqzFormatListener*> FListeners;
    HWND FWindow = nullptr;
    TqzDateTimeFormatInfo FDateFormatItems;
    TqzDateTimeFormatInfo FTimeFormatItems;
    TqzDateTimeFormatInfo FDateTimeFormatItems;
    String FLocaleCurrencyFormat;
    Integer FFirstDayOfWeek = 0;
    String FDateEntryFormat;
    String FDateMask;
    String FStandardDateMask;
    String FStandardDateTimeMask;
    String FRegexDateMask;
    String FRegexDateTimeMask;
    String FMaskedDateFormat;
    String FMaskedDateTimeFormat;
};

// The process-wide controller, made on first use.
TqzFormatController* GetFormatController();
