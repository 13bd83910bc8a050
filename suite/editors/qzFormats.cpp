// Locale formats: the format-string parser, masks and display formats, and the controller.
#include "suite/editors/qzFormats.h"

#include <algorithm>
#include <exception>
#include <memory>

#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/WinBackendInterface.h"
#include "suite/editors/qzDateUtils.h"
#include "suite/foundation/qzClasses.h"

namespace {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

String UpperAsciiText(String s) {
    for (char& c : s)
        c = UpperAscii(c);
    return s;
}

String LowerAsciiText(String s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

// The text at index starts with word (ASCII letters compared without case).
bool StartsWithNoCase(const String& text, std::size_t index, const char* word) {
    for (std::size_t k = 0; word[k]; ++k)
        if (index + k >= text.size() || UpperAscii(text[index + k]) != UpperAscii(word[k])) return false;
    return true;
}

// The number of characters of c starting at index.
std::size_t RunLength(const String& text, std::size_t index) {
    std::size_t end = index;
    while (end < text.size() && text[end] == text[index])
        ++end;
    return end - index;
}

Integer MaxSuffixLength() {
    return std::max(Utf8Length(FormatSettings.TimeAMString), Utf8Length(FormatSettings.TimePMString));
}

TqzTimeSuffixStyle SuffixStyleOf(const String& itemText) {
    const String upper = UpperAsciiText(itemText);
    if (upper == "A/P") return tssLetter;
    if (upper == "AM/PM") return tssAMPM;
    return tssLocale;
}

// Walks a format string into items. Nested formats (a "C", a run of five or more "d", "t") are
// parsed one level deeper; two levels down nothing is parsed, which ends formats that refer to
// each other.
class TFormatParser {
public:
    explicit TFormatParser(TqzDateTimeFormatInfo& info) : FInfo(info) {}

    bool Parse(const String& givenFormat, int depth) {
        if (depth >= 2) return true;
        const String format = givenFormat.empty() ? String("C") : givenFormat;
        std::size_t i = 0;
        while (i < format.size()) {
            const char c = format[i];
            const char upper = UpperAscii(c);
            char letter = IsAsciiLetter(c) ? upper : 0;
            if (upper == 'M' && FLastLetter == 'H') letter = 'N';
            std::size_t used = 1;
            switch (letter ? letter : c) {
            case '"':
            case '\'': {
                const std::size_t close = format.find(c, i + 1);
                const std::size_t end = close == String::npos ? format.size() : close;
                AddLiteral(format.substr(i + 1, end - i - 1));
                used = (close == String::npos ? end : close + 1) - i;
                break;
            }
            case '/':
                AddItem(dtikDateSeparator, String());
                break;
            case ':':
                AddItem(dtikTimeSeparator, String());
                break;
            case 'A':
                if (StartsWithNoCase(format, i, "AM/PM")) {
                    AddItem(dtikTimeSuffix, format.substr(i, 5));
                    FTwelveHour = true;
                    used = 5;
                } else if (StartsWithNoCase(format, i, "A/P")) {
                    AddItem(dtikTimeSuffix, format.substr(i, 3));
                    FTwelveHour = true;
                    used = 3;
                } else if (StartsWithNoCase(format, i, "AMPM")) {
                    AddItem(dtikTimeSuffix, "AMPM");
                    FTwelveHour = true;
                    used = 4;
                } else if (StartsWithNoCase(format, i, "AAAA")) {
                    AddItem(dtikDay, "DDDD");
                    used = 4;
                } else if (StartsWithNoCase(format, i, "AAA")) {
                    AddItem(dtikDay, "DDD");
                    used = 3;
                } else {
                    AddLiteral(String(1, c));
                }
                break;
            case 'C':
                FLastLetter = 'C';
                if (!Parse(FormatSettings.ShortDateFormat, depth + 1)) return false;
                AddLiteral(" ");
                if (!Parse(FormatSettings.LongTimeFormat, depth + 1)) return false;
                break;
            case 'D':
                used = RunLength(format, i);
                FLastLetter = 'D';
                if (used <= 4) {
                    AddItem(dtikDay, String(used, 'D'));
                } else if (!Parse(used == 5 ? FormatSettings.ShortDateFormat : FormatSettings.LongDateFormat,
                                  depth + 1)) {
                    return false;
                }
                break;
            case 'E':
            case 'Y':
                used = RunLength(format, i);
                AddItem(dtikYear, used > 2 ? "YYYY" : "YY");
                break;
            case 'G':
                return false;
            case 'H':
                used = RunLength(format, i);
                AddItem(dtikHour, String(std::min<std::size_t>(used, 2), 'H'));
                break;
            case 'M':
                used = RunLength(format, i);
                AddItem(dtikMonth, String(std::min<std::size_t>(used, 4), 'M'));
                break;
            case 'N':
                used = RunLength(format, i);
                AddItem(dtikMinute, String(std::min<std::size_t>(used, 2), 'N'));
                break;
            case 'S':
                used = RunLength(format, i);
                AddItem(dtikSecond, String(std::min<std::size_t>(used, 2), 'S'));
                break;
            case 'Z':
                used = RunLength(format, i);
                AddItem(dtikMillisecond, String(std::min<std::size_t>(used, 3), 'Z'));
                break;
            case 'T':
                used = RunLength(format, i);
                FLastLetter = 'T';
                if (!Parse(used == 1 ? FormatSettings.ShortTimeFormat : FormatSettings.LongTimeFormat,
                           depth + 1))
                    return false;
                break;
            default:
                AddLiteral(String(1, c));
                break;
            }
            if (letter) FLastLetter = letter;
            i += used;
        }
        return true;
    }

    bool TwelveHour() const { return FTwelveHour; }

private:
    void AddLiteral(const String& text) {
        if (text.empty()) return;
        if (!FInfo.Items.empty() && FInfo.Items.back().Kind == dtikText) {
            FInfo.Items.back().Text += text;
            return;
        }
        AddItem(dtikText, text);
    }

    void AddItem(TqzDateTimeFormatItemKind kind, const String& text) {
        const bool once = kind >= dtikYear && kind <= dtikTimeSuffix;
        if (once && FInfo.Defined[kind]) return;
        FInfo.Defined[kind] = true;
        FInfo.Items.push_back(TqzDateTimeFormatItem{kind, text});
    }

    TqzDateTimeFormatInfo& FInfo;
    char FLastLetter = 0;
    bool FTwelveHour = false;
};

// A separator in a regular-expression mask: a blank is quoted, anything else escaped.
String RegexSeparator(char separator) {
    return separator == ' ' ? String("' '") : "\\" + String(1, separator);
}

// Texts in a regular-expression mask are quoted; a "'" inside one is escaped, so that a literal
// or a locale name holding one does not end the quotation early.
String QuotedText(const String& text) { return text.empty() ? String("''") : QuoteMaskWord(text); }

String MonthNamesAlternatives(bool longNames) {
    String result;
    for (int m = 0; m < 12; ++m) {
        if (m > 0) result += "|";
        result +=
            QuotedText(longNames ? FormatSettings.LongMonthNames[m] : FormatSettings.ShortMonthNames[m]);
    }
    return result;
}

// The length of an item as written in an edited text.
Integer ItemTextLength(const TqzDateTimeFormatItem& item) {
    switch (item.Kind) {
    case dtikText:
        return Utf8Length(item.Text);
    case dtikYear:
        return item.Text.size() == 2 ? 2 : 4;
    case dtikMonth:
    case dtikDay:
        return item.Text.size() > 2 ? 3 : 2;
    case dtikHour:
    case dtikMinute:
    case dtikSecond:
        return 2;
    case dtikTimeSuffix:
        switch (SuffixStyleOf(item.Text)) {
        case tssLetter:
            return 1;
        case tssAMPM:
            return 2;
        default:
            return MaxSuffixLength();
        }
    case dtikDateSeparator:
    case dtikTimeSeparator:
        return 1;
    default:
        return 0;
    }
}

String CurrencyPositivePart(Byte format, const String& s, const String& n) {
    switch (format) {
    case 0:
        return s + n;
    case 1:
        return n + s;
    case 2:
        return s + " " + n;
    case 3:
        return n + " " + s;
    default:
        return String();
    }
}

String CurrencyNegativePart(Byte format, const String& s, const String& n) {
    switch (format) {
    case 0:
        return "(" + s + n + ")";
    case 1:
        return "-" + s + n;
    case 2:
        return s + "-" + n;
    case 3:
        return s + n + "-";
    case 4:
        return "(" + n + s + ")";
    case 5:
        return "-" + n + s;
    case 6:
        return n + "-" + s;
    case 7:
        return n + s + "-";
    case 8:
        return "-" + n + " " + s;
    case 9:
        return "-" + s + " " + n;
    case 10:
        return n + " " + s + "-";
    case 11:
        return s + " " + n + "-";
    case 12:
        return s + " -" + n;
    case 13:
        return n + "- " + s;
    case 14:
        return "(" + s + " " + n + ")";
    case 15:
        return "(" + n + " " + s + ")";
    default:
        return String();
    }
}

// Every single "d" doubled, every single "M" doubled.
String WidenSingleDayAndMonth(const String& format) {
    String result;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        result += c;
        if (c != 'd' && c != 'M') continue;
        const bool before = i > 0 && format[i - 1] == c;
        const bool after = i + 1 < format.size() && format[i + 1] == c;
        if (!before && !after) result += c;
    }
    return result;
}

struct TFormatsUnit {
    TqzFormatController* Controller = nullptr;
    // The controller GetFormatController made.
    std::unique_ptr<TqzFormatController> Owned;
};

// Never destroyed: at the end of the program the message layer's per-thread state may already
// be gone, and the controller's window (kept while an editor listens) could not be taken down.
TFormatsUnit& Unit() {
    static auto* unit = new TFormatsUnit;
    return *unit;
}

} // namespace

// ---- Building ---------------------------------------------------------------------------------

void TqzFormatController::ParseFormat(const String& format, TqzDateTimeFormatInfo& info) {
    info = TqzDateTimeFormatInfo();
    TFormatParser parser(info);
    if (!parser.Parse(format, 0)) {
        info = TqzDateTimeFormatInfo();
        return;
    }
    if (info.Defined[dtikHour]) {
        for (TqzDateTimeFormatItem& item : info.Items)
            if (item.Kind == dtikHour) item.Text = (parser.TwelveHour() ? "12" : "24") + item.Text;
    } else if (info.Defined[dtikTimeSuffix]) {
        std::erase_if(info.Items,
                      [](const TqzDateTimeFormatItem& item) { return item.Kind == dtikTimeSuffix; });
        info.Defined[dtikTimeSuffix] = false;
    }
}

String TqzFormatController::BuildStandardMask(const TqzDateTimeFormatInfo& info, TqzStandardMaskKind kind) {
    if (info.Items.empty()) return String();
    String mask = kind == smkTime ? String() : String("!");
    for (const TqzDateTimeFormatItem& item : info.Items) {
        switch (item.Kind) {
        case dtikText:
            for (std::size_t i = 0; i < item.Text.size(); i = Utf8Next(item.Text, i))
                mask += "\\" + item.Text.substr(i, Utf8Next(item.Text, i) - i);
            break;
        case dtikYear:
            mask += item.Text.size() == 2 ? "99" : "9999";
            break;
        case dtikMonth:
        case dtikDay:
            mask += item.Text.size() > 2 ? "lll" : "99";
            break;
        case dtikHour:
        case dtikMinute:
        case dtikSecond:
            mask += kind == smkTime ? "00" : "99";
            break;
        case dtikTimeSuffix:
            switch (SuffixStyleOf(item.Text)) {
            case tssLetter:
                mask += "c";
                break;
            case tssAMPM:
                mask += "cc";
                break;
            default:
                mask += String(std::size_t(MaxSuffixLength()), 'c');
                break;
            }
            break;
        case dtikDateSeparator:
            mask += "/";
            break;
        case dtikTimeSeparator:
            mask += ":";
            break;
        default:
            break;
        }
    }
    return mask + (kind == smkTime ? ";1;0" : ";1; ");
}

String TqzFormatController::BuildRegexMask(const TqzDateTimeFormatInfo& info, TqzRegexMaskKind kind) {
    String mask;
    for (const TqzDateTimeFormatItem& item : info.Items) {
        if (item.Kind == dtikText) {
            mask += QuotedText(item.Text);
            continue;
        }
        if (kind == rmkDate) {
            switch (item.Kind) {
            case dtikYear:
                mask += item.Text.size() == 2 ? "\\d\\d" : "\\d\\d\\d\\d";
                break;
            case dtikMonth:
                mask += "((0?[1-9]|1[012])|(" + MonthNamesAlternatives(item.Text.size() == 4) + "))";
                break;
            case dtikDay:
                mask += "([012]?[1-9]|[123]0|31)";
                break;
            case dtikDateSeparator:
                mask += RegexSeparator(FormatSettings.DateSeparator);
                break;
            default:
                break;
            }
            continue;
        }
        switch (item.Kind) {
        case dtikHour:
            mask += item.Text.rfind("12", 0) == 0 ? "(0?[1-9]|1[012])" : "([01]?\\d|2[0-3])";
            break;
        case dtikMinute:
        case dtikSecond:
            mask += "[0-5]?\\d";
            break;
        case dtikTimeSuffix:
            switch (SuffixStyleOf(item.Text)) {
            case tssLetter:
                mask += "(A|P)?";
                break;
            case tssAMPM:
                mask += "(AM|PM)?";
                break;
            default: {
                String alternatives;
                for (const String* suffix : {&FormatSettings.TimeAMString, &FormatSettings.TimePMString}) {
                    if (suffix->empty()) continue;
                    if (!alternatives.empty()) alternatives += "|";
                    alternatives += QuotedText(*suffix);
                }
                if (!alternatives.empty()) mask += "(" + alternatives + ")?";
                break;
            }
            }
            break;
        case dtikTimeSeparator:
            mask += RegexSeparator(FormatSettings.TimeSeparator);
            break;
        default:
            break;
        }
    }
    return mask;
}

String TqzFormatController::BuildDisplayFormat(const TqzDateTimeFormatInfo& info) {
    String format;
    for (const TqzDateTimeFormatItem& item : info.Items) {
        switch (item.Kind) {
        case dtikText:
            format += "'" + item.Text + "'";
            break;
        case dtikYear:
        case dtikTimeSuffix:
            format += LowerAsciiText(item.Text);
            break;
        case dtikMonth:
            format += item.Text.size() > 2 ? "mmm" : "mm";
            break;
        case dtikDay:
            format += item.Text.size() > 2 ? "ddd" : "dd";
            break;
        case dtikHour:
            format += "hh";
            break;
        case dtikMinute:
            format += "nn";
            break;
        case dtikSecond:
            format += "ss";
            break;
        case dtikDateSeparator:
            format += "/";
            break;
        case dtikTimeSeparator:
            format += ":";
            break;
        default:
            break;
        }
    }
    return format;
}

String TqzFormatController::BuildLocaleCurrencyFormat() {
    const String number = ",0." + String(FormatSettings.CurrencyDecimals, '0');
    String sign;
    for (char c : FormatSettings.CurrencyString) {
        if (c == ',' || c == '.')
            sign += "'" + String(1, c) + "'";
        else
            sign += c;
    }
    return CurrencyPositivePart(FormatSettings.CurrencyFormat, sign, number) + ";" +
           CurrencyNegativePart(FormatSettings.NegCurrFormat, sign, number);
}

// ---- The controller ---------------------------------------------------------------------------

TqzFormatController::TqzFormatController() {
    Rebuild();
    if (!Unit().Controller) Unit().Controller = this;
}

TqzFormatController::~TqzFormatController() {
    TFormatsUnit& unit = Unit();
    if (unit.Controller == this) unit.Controller = nullptr;
    if (FWindow) DeallocateHWnd(FWindow);
    FWindow = nullptr;
}

void TqzFormatController::Rebuild() {
    FLocaleCurrencyFormat = BuildLocaleCurrencyFormat();
    FFirstDayOfWeek = Integer(FormatSettings.FirstWeekDay % 7);
    ParseFormat(FormatSettings.ShortDateFormat, FDateFormatItems);
    ParseFormat(FormatSettings.LongTimeFormat, FTimeFormatItems);
    ParseFormat(FormatSettings.ShortDateFormat + " " + FormatSettings.LongTimeFormat, FDateTimeFormatItems);

    FDateMask = BuildStandardMask(FDateFormatItems, smkDate);
    FStandardDateMask = FDateMask;
    const String regexDate = BuildRegexMask(FDateFormatItems, rmkDate);
    FRegexDateMask = regexDate;
    AddSmartWordsToRegexMask(FRegexDateMask, false);
    FRegexDateTimeMask = regexDate + "' '(" + BuildRegexMask(FTimeFormatItems, rmkTime) + ")?";
    AddSmartWordsToRegexMask(FRegexDateTimeMask, true);
    FStandardDateTimeMask = BuildStandardMask(FDateTimeFormatItems, smkDateTime);
    FMaskedDateFormat = BuildDisplayFormat(FDateFormatItems);
    FMaskedDateTimeFormat = BuildDisplayFormat(FDateTimeFormatItems);

    FDateEntryFormat = WidenSingleDayAndMonth(FormatSettings.ShortDateFormat);
}

void TqzFormatController::HandleMessage(TMessage& message) {
    try {
        if (message.Msg == WM_WININICHANGE) {
            const auto* area = reinterpret_cast<const char*>(message.LParam);
            if (message.WParam == 0 && area && SameText(area, "intl")) {
                FormatSettings = FormatSettingsFromLocale("");
                ApplyFormatSettings();
                message.Result = 0;
                return;
            }
        } else if (message.Msg == WM_TIMECHANGE) {
            NotifyTimeChanged();
            message.Result = 0;
            return;
        }
        message.Result = DefWindowProcA(FWindow, message.Msg, message.WParam, message.LParam);
    } catch (...) {
        WinHandleException(std::current_exception());
    }
}

void TqzFormatController::ApplyFormatSettings() {
    Rebuild();
    NotifyFormatChanged();
}

void TqzFormatController::AddListener(IqzFormatListener* listener) {
    if (!listener || std::find(FListeners.begin(), FListeners.end(), listener) != FListeners.end()) return;
    FListeners.push_back(listener);
    if (!FWindow) FWindow = AllocateHWnd(MakeEvent(this, &TqzFormatController::HandleMessage));
}

void TqzFormatController::RemoveListener(IqzFormatListener* listener) {
    std::erase(FListeners, listener);
    if (FListeners.empty() && FWindow) {
        DeallocateHWnd(FWindow);
        FWindow = nullptr;
    }
}

// A listener may remove itself or others while it is told: each one is told only while it is
// still registered.
void TqzFormatController::NotifyFormatChanged() {
    const std::vector<IqzFormatListener*> listeners = FListeners;
    for (IqzFormatListener* listener : listeners)
        if (std::find(FListeners.begin(), FListeners.end(), listener) != FListeners.end())
            listener->FormatChanged();
}

void TqzFormatController::NotifyTimeChanged() {
    const std::vector<IqzFormatListener*> listeners = FListeners;
    for (IqzFormatListener* listener : listeners) {
        if (std::find(FListeners.begin(), FListeners.end(), listener) == FListeners.end()) continue;
        if (auto* timeListener = dynamic_cast<IqzTimeChangeListener*>(listener)) timeListener->TimeChanged();
    }
}

bool TqzFormatController::FindDateTimeFormatItemAt(const TqzDateTimeFormatInfo& info, Integer position,
                                                   TqzDateTimeFormatItemInfo& itemInfo) const {
    if (position <= 0 || info.Items.empty()) return false;
    Integer start = 1;
    for (const TqzDateTimeFormatItem& item : info.Items) {
        const Integer length = ItemTextLength(item);
        if (position >= start && position < start + length) {
            itemInfo.Kind = item.Kind;
            itemInfo.Start = start;
            itemInfo.Length = length;
            itemInfo.TimeSuffixStyle = item.Kind == dtikTimeSuffix ? SuffixStyleOf(item.Text) : tssLetter;
            return true;
        }
        start += length;
    }
    return false;
}

Integer TqzFormatController::GetFormatInfoTextLength(const TqzDateTimeFormatInfo& info) const {
    Integer length = 0;
    for (const TqzDateTimeFormatItem& item : info.Items)
        length += ItemTextLength(item);
    return length;
}

TqzFormatController* GetFormatController() {
    TFormatsUnit& unit = Unit();
    if (!unit.Controller) {
        unit.Owned = std::make_unique<TqzFormatController>();
        unit.Controller = unit.Owned.get();
    }
    return unit.Controller;
}
