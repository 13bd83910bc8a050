#include "suite/controls/qzTimeEdit.h"

#include <cmath>
#include <memory>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/runtime/Variant.h"
#include "suite/editors/qzFormats.h"
#include "suite/foundation/qzClasses.h"
#include "suite/foundation/qzControls.h"

namespace {

// [time format][24-hour]
const char* const kDisplayFormats[3][2] = {
    {"hh:nn:ss ampm", "hh:nn:ss"}, {"hh:nn ampm", "hh:nn"}, {"hh ampm", "hh"}};
const char* const kTwentyFourHourMasks[3] = {"00:00:00;1;0", "00:00;1;0", "00;1;0"};
// Rebuilt from the locale's designators.
String TwelveHourMasks[3] = {"00:00:00 LL;1;0", "00:00 LL;1;0", "00 LL;1;0"};
constexpr Integer kTimeTextLengths[3] = {8, 5, 2};
// Seconds by time part: hour, minute, second, AM/PM.
constexpr double kPartSteps[4] = {3600, 60, 1, 43200};
constexpr double kFastFactor = 10.0;
constexpr Integer kHalfDay = 43200;

std::u32string ToChars(const String& s) {
    std::u32string result;
    for (std::size_t i = 0; i < s.size(); i = Utf8Next(s, i))
        result += Utf8CodePointAt(s, i);
    return result;
}

String FromChars(const std::u32string& chars) {
    String result;
    for (char32_t ch : chars)
        result += Utf8FromCodePoint(ch);
    return result;
}

bool SameCharNoCase(char32_t a, char32_t b) { return UnicodeCaseFold(a) == UnicodeCaseFold(b); }

bool IsBlankValue(const Variant& value) { return VarIsNull(value) || VarIsEmpty(value); }

// The value as a date-time: a string read with the locale, a date or a number; false for
// anything else.
bool ValueToDateTime(const Variant& value, TDateTime& result) {
    if (VarIsArray(value)) return false;
    if (VarIsStr(value)) return TryStrToDateTime(VarToStr(value), result);
    if (VarType(value) == varDate || VarIsNumeric(value)) {
        result = value.AsDouble();
        return std::isfinite(result);
    }
    return false;
}

TDateTime TimeOfDay(TDateTime value) { return std::fabs(value - std::trunc(value)); }

// Days plus a time of day, the time subtracted for days before the base date.
TDateTime CombineDateAndTime(TDateTime days, TDateTime time) { return days < 0 ? days - time : days + time; }

[[noreturn]] void RaiseTimeConvertError() {
    throw EConvertError(LocalizeSuiteText("Could not convert to time"));
}

// The unit's one format listener: it rebuilds the 12-hour masks when the locale changes.
class TqzTimeEditFormatListener : public TqzInterfacedPersistent, public IqzFormatListener {
public:
    TqzTimeEditFormatListener() : TqzInterfacedPersistent(nullptr) {
        GetFormatController()->AddListener(this);
        BuildTwelveHourMasks();
    }
    ~TqzTimeEditFormatListener() override { GetFormatController()->RemoveListener(this); }
    void FormatChanged() override { BuildTwelveHourMasks(); }
};

const bool kTimeEditClassesRegistered = [] {
    RegisterEnum<TqzTimeEditTimeFormat>("TqzTimeEditTimeFormat", {"tfHourMinSec", "tfHourMin", "tfHour"});
    RegisterInterfacedPersistentClass<TqzCustomTimeEditProperties>();
    RegisterInterfacedPersistentClass<TqzTimeEditProperties>();
    RegisterClasses({TqzTimeEdit::StaticClass()});
    return true;
}();

void RegisterTimeEditProperties() {
    GetEditPropertiesRegistry()->Register(TqzTimeEditProperties::StaticClass(),
                                          "TimeEdit|Represents an editor displaying time values");
}
const bool kTimeEditPropertiesRegistered = (RegisterTimeEditProperties(), true);

// The listener is there while time editor properties exist; it joins the format controller
// before the first of them, so that a locale change reaches it before any of them. (Held for
// good, it would keep the controller's window until the window system is gone at exit.)
Integer TimePropertiesCount = 0;
TqzTimeEditFormatListener* FormatListener = nullptr;

// The owner argument, after the listener joined the controller.
TPersistent* AfterFormatListener(TPersistent* owner) {
    if (TimePropertiesCount++ == 0) FormatListener = new TqzTimeEditFormatListener();
    return owner;
}

void ReleaseFormatListener() {
    if (--TimePropertiesCount > 0) return;
    delete FormatListener;
    FormatListener = nullptr;
}

} // namespace

// ---- Unit data -------------------------------------------------------------------------------

String GetTimeEditDisplayFormat(TqzTimeEditTimeFormat format, bool use24Hour) {
    return kDisplayFormats[format][use24Hour ? 1 : 0];
}

String GetTimeEditMask(TqzTimeEditTimeFormat format, bool use24Hour) {
    return use24Hour ? String(kTwentyFourHourMasks[format]) : TwelveHourMasks[format];
}

void BuildTwelveHourMasks() {
    const std::u32string noon = ToChars(FormatDateTime("hh:mm:ss AMPM", 1.5));
    std::u32string suffix = noon.size() > 8 ? noon.substr(8) : std::u32string();
    for (char32_t& ch : suffix)
        ch = ch == U' ' ? U' ' : U'c';
    while (!suffix.empty() && suffix.back() == U' ')
        suffix.pop_back();
    for (int i = 0; i < 3; ++i)
        TwelveHourMasks[i] =
            Utf8Copy(TwelveHourMasks[i], 1, kTimeTextLengths[i]) + FromChars(suffix) + ";1;0";
}

Integer GetTimePartAt(TqzCustomTimeEditProperties* properties, Integer position) {
    const Integer maxLength = properties->GetMaxLength();
    if (maxLength > 0 && position > maxLength) position = maxLength;
    if (!properties->GetUse24HourFormat() && position > properties->GetTimeTextLength()) return 3;
    const String format = UpperCase(properties->GetDisplayFormat());
    const Integer length = Integer(format.size());
    position = std::max<Integer>(1, std::min(position, length));
    char ch = format[std::size_t(position - 1)];
    if (ch != 'H' && ch != 'N' && ch != 'S' && position < length) ch = format[std::size_t(position)];
    if (ch == 'H') return 0;
    if (ch == 'N') return 1;
    return 2;
}

// ---- Typing rules ----------------------------------------------------------------------------

namespace {

// The designator part: the characters before the first one that tells AM from PM are checked,
// that one chooses the whole designator, the rest must be what is already there.
bool IsDesignatorCharAllowed(IqzMaskEditModeHost* editor, char32_t& ch, Integer position,
                             const TqzTimePartInfo& info) {
    std::u32string am, pm;
    switch (info.DesignatorStyle) {
    case 0:
        am = U"A", pm = U"P";
        break;
    case 1:
        am = U"AM", pm = U"PM";
        break;
    default:
        am = ToChars(FormatSettings.TimeAMString), pm = ToChars(FormatSettings.TimePMString);
        break;
    }
    std::size_t differ = 0;
    while (differ < am.size() && differ < pm.size() && SameCharNoCase(am[differ], pm[differ]))
        ++differ;
    const std::u32string text = ToChars(editor->GetInnerEditText());
    const Integer offset = position - info.Start; // 0-based inside the designator
    if (offset < 0) return false;
    if (std::size_t(offset) < differ) {
        if (!SameCharNoCase(ch, am[std::size_t(offset)])) {
            ch = 0;
            return true;
        }
        ch = am[std::size_t(offset)];
        return true;
    }
    if (std::size_t(offset) > differ) {
        if (std::size_t(position - 1) >= text.size() || ch != text[std::size_t(position - 1)]) ch = 0;
        return true;
    }
    const std::u32string* chosen = nullptr;
    if (differ < am.size() && SameCharNoCase(ch, am[differ]))
        chosen = &am;
    else if (differ < pm.size() && SameCharNoCase(ch, pm[differ]))
        chosen = &pm;
    if (!chosen) {
        ch = 0;
        return true;
    }
    const std::size_t start = std::size_t(info.Start - 1);
    std::u32string changed = text.substr(0, std::min(start, text.size()));
    changed.resize(start, U' ');
    changed += *chosen;
    editor->DisplayValueToInnerEdit(Variant(FromChars(changed)));
    editor->SetSelStart(std::min<Integer>(info.Start + info.Length, Integer(changed.size())));
    ch = 0;
    return false;
}

} // namespace

bool IsTimeCharAllowed(IqzMaskEditModeHost* editor, char32_t& ch, Integer position,
                       const TqzTimePartInfo& info) {
    if (info.Part == 3) return IsDesignatorCharAllowed(editor, ch, position, info);
    if (ch < U'0' || ch > U'9') {
        ch = 0;
        return true;
    }
    const Integer minimum = info.Part == 0 && !info.Use24HourFormat ? 1 : 0;
    const Integer maximum = info.Part == 0 ? (info.Use24HourFormat ? 23 : 12) : 59;
    std::u32string text = ToChars(editor->GetInnerEditText());
    const std::size_t first = std::size_t(info.Start - 1);
    if (first + 1 >= text.size() + 1) return true;
    if (text.size() < first + 2) text.resize(first + 2, U'0');
    const Integer offset = position - info.Start;
    std::u32string digits = text.substr(first, 2);
    digits[std::size_t(offset)] = ch;
    Integer number = -1;
    if (digits[0] >= U'0' && digits[0] <= U'9' && digits[1] >= U'0' && digits[1] <= U'9')
        number = Integer(digits[0] - U'0') * 10 + Integer(digits[1] - U'0');
    if (number >= minimum && number <= maximum) return true;
    if (offset == 0) {
        const char32_t firstOfMaximum = char32_t(U'0' + maximum / 10);
        if (ch == U'0') {
            text[first + 1] = text[first];
            text[first] = U'0';
        } else if (ch > firstOfMaximum) {
            // It lands as the second digit, the way an accepted character does.
            text[first] = U'0';
            text[first + 1] = ch;
            editor->DisplayValueToInnerEdit(Variant(FromChars(text)));
            editor->SetSelStart(info.Start);
            editor->SetExtendSelection(false);
            if (TqzMaskEditCustomMode* mode = editor->GetMode()) mode->HandleRight();
            ch = 0;
            return false;
        } else {
            text[first] = ch;
            text[first + 1] = U'0';
        }
        editor->DisplayValueToInnerEdit(Variant(FromChars(text)));
        editor->SetSelStart(info.Start);
        ch = 0;
        return false;
    }
    if (ch == U'0') {
        ch = 0;
        return true;
    }
    const Integer selStart = editor->GetSelStart(), selLength = editor->GetSelLength();
    text[first] = U'0';
    editor->DisplayValueToInnerEdit(Variant(FromChars(text)));
    editor->SetSelStart(selStart);
    if (selLength > 0) editor->SetSelLength(selLength);
    return true;
}

// ---- Mask mode -------------------------------------------------------------------------------

char32_t TqzTimeEditMaskMode::GetBlankChar(Integer position) {
    auto* properties = dynamic_cast<TqzCustomTimeEditProperties*>(GetProperties());
    if (properties && GetTimePartAt(properties, position) == 3) return 0;
    return U'0';
}

// ---- Properties ------------------------------------------------------------------------------

TqzCustomTimeEditProperties::TqzCustomTimeEditProperties(TPersistent* owner)
    : TqzCustomSpinEditProperties(AfterFormatListener(owner)) {
    BeginUpdate();
    IgnoreMaskBlank = true;
    SetIncrement(1.0);
    SetMinValue(0);
    SetMaxValue(86399);
    SetAlwaysShowBlanksAndLiterals(true);
    UpdateEditMask();
    EndUpdate(false);
    RegisterTimeEditProperties();
}

TqzCustomTimeEditProperties::~TqzCustomTimeEditProperties() { ReleaseFormatListener(); }

void TqzCustomTimeEditProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomTimeEditProperties*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        SetAutoCorrectHours(other->GetAutoCorrectHours());
        SetShowDate(other->GetShowDate());
        SetTimeFormat(other->GetTimeFormat());
        SetUse24HourFormat(other->GetUse24HourFormat());
        SetUseTimeFormatWhenUnfocused(other->GetUseTimeFormatWhenUnfocused());
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

TClass TqzCustomTimeEditProperties::GetContainerClass() const { return TqzTimeEdit::StaticClass(); }

TqzMaskEditModeClass TqzCustomTimeEditProperties::GetModeClass(TqzEditMaskKind) {
    return &TqzTimeEditMaskMode::CreateInstance;
}

void TqzCustomTimeEditProperties::PrepareValue(const Variant&, Variant& result) { result = Variant(0.0); }

void TqzCustomTimeEditProperties::GetDefaultDisplayValue(Variant& value) {
    value = TrimRight(FormatDateTime(GetDisplayFormat(), 0));
}

bool TqzCustomTimeEditProperties::IsEditValueValid(Variant& value, bool) {
    if (IsBlankValue(value) || VarType(value) == varDate || VarIsNumeric(value)) return true;
    if (!VarIsStr(value)) return false;
    TDateTime parsed = 0;
    if (!TryStrToDateTime(VarToStr(value), parsed)) return false;
    value = DateTimeToStr(parsed);
    return true;
}

Integer TqzCustomTimeEditProperties::GetTimeTextLength() const { return kTimeTextLengths[FTimeFormat]; }

String TqzCustomTimeEditProperties::TimeValueToText(TDateTime value, bool focused) {
    const bool withDate = FShowDate && std::trunc(value) != 0;
    String text;
    if (focused || (FUseTimeFormatWhenUnfocused && !withDate))
        text = FormatDateTime(GetDisplayFormat(), value);
    else if (withDate)
        text = DateTimeToStr(value);
    else
        text = TimeToStr(value);
    return TrimRight(text);
}

// A value the editor cannot show raises to the code that hands it over; callers that paint
// check IsEditValueValid first.
void TqzCustomTimeEditProperties::PrepareDisplayValue(const Variant& editValue, Variant& displayValue,
                                                      bool editing) {
    if (IsBlankValue(editValue)) {
        displayValue = editing ? TimeValueToText(0, true) : String();
        return;
    }
    TDateTime value = 0;
    if (!ValueToDateTime(editValue, value)) RaiseTimeConvertError();
    try {
        displayValue = TimeValueToText(value, editing);
    } catch (const Exception&) {
        RaiseTimeConvertError();
    }
}

void TqzCustomTimeEditProperties::ValidateDisplayValue(Variant& displayValue, String& errorText, bool& error,
                                                       TqzCustomEdit* editor) {
    if (errorText.empty()) errorText = LocalizeSuiteText("Could not convert to time");
    RunValidateHandlers(displayValue, errorText, error, editor);
}

void TqzCustomTimeEditProperties::FormatChanged() {
    BeginUpdate();
    try {
        UpdateEditMask();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

TqzTimePartInfo TqzCustomTimeEditProperties::GetTimePartInfo(Integer position) {
    TqzTimePartInfo info;
    info.Part = GetTimePartAt(this, position);
    info.Start = GetPartStart(info.Part);
    info.Length = GetPartLength();
    info.DesignatorStyle = GetDesignatorStyle();
    info.Use24HourFormat = FUse24HourFormat;
    return info;
}

Integer TqzCustomTimeEditProperties::GetPartStart(Integer part) {
    return part == 3 ? 10 - 3 * Integer(FTimeFormat) : 3 * part + 1;
}

void TqzCustomTimeEditProperties::UpdateEditMask() {
    SetEditMask(GetTimeEditMask(FTimeFormat, FUse24HourFormat));
}

void TqzCustomTimeEditProperties::SetShowDate(bool value) {
    if (FShowDate == value) return;
    FShowDate = value;
    Changed();
}

void TqzCustomTimeEditProperties::SetTimeFormat(TqzTimeEditTimeFormat value) {
    if (FTimeFormat == value) return;
    FTimeFormat = value;
    UpdateEditMask();
    Changed();
}

void TqzCustomTimeEditProperties::SetUse24HourFormat(bool value) {
    if (FUse24HourFormat == value) return;
    FUse24HourFormat = value;
    UpdateEditMask();
    Changed();
}

void TqzCustomTimeEditProperties::SetUseTimeFormatWhenUnfocused(bool value) {
    if (FUseTimeFormatWhenUnfocused == value) return;
    FUseTimeFormatWhenUnfocused = value;
    Changed();
}

KOV_PUBLISHED(TqzTimeEditProperties) {
    Property("AssignedValues", &TqzTimeEditProperties::GetSpinAssignedValues,
             &TqzTimeEditProperties::SetSpinAssignedValues);
    Property("AutoCorrectHours", &TqzTimeEditProperties::GetAutoCorrectHours,
             &TqzTimeEditProperties::SetAutoCorrectHours)
        .Default(true);
    Property("Circular", &TqzTimeEditProperties::GetCircular, &TqzTimeEditProperties::SetCircular)
        .Default(false);
    Property("HideSelection", &TqzTimeEditProperties::GetHideSelection,
             &TqzTimeEditProperties::SetHideSelection)
        .Default(true);
    Property("ImeMode", &TqzTimeEditProperties::GetImeMode, &TqzTimeEditProperties::SetImeMode)
        .Default(imDontCare);
    Property("ImeName", &TqzTimeEditProperties::GetImeName, &TqzTimeEditProperties::SetImeName)
        .TypeName("TImeName");
    Property("ShowDate", &TqzTimeEditProperties::GetShowDate, &TqzTimeEditProperties::SetShowDate)
        .Default(false);
    Property("TimeFormat", &TqzTimeEditProperties::GetTimeFormat, &TqzTimeEditProperties::SetTimeFormat)
        .Default(tfHourMinSec);
    Property("UseCtrlIncrement", &TqzTimeEditProperties::GetUseCtrlIncrement,
             &TqzTimeEditProperties::SetUseCtrlIncrement)
        .Default(false);
    Property("Use24HourFormat", &TqzTimeEditProperties::GetUse24HourFormat,
             &TqzTimeEditProperties::SetUse24HourFormat)
        .Default(true);
    Property("UseTimeFormatWhenUnfocused", &TqzTimeEditProperties::GetUseTimeFormatWhenUnfocused,
             &TqzTimeEditProperties::SetUseTimeFormatWhenUnfocused)
        .Default(true);
    Property("ValidateOnEnter", &TqzTimeEditProperties::ValidateOnEnter).Default(true);
}

// ---- The editor ------------------------------------------------------------------------------

TqzCustomTimeEdit::TqzCustomTimeEdit(TComponent* owner) : TqzCustomTimeEdit(owner, false) {}

TqzCustomTimeEdit::TqzCustomTimeEdit(TComponent* owner, bool isInplace)
    : TqzCustomTimeEdit(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomTimeEdit::TqzCustomTimeEdit(TComponent* owner, bool isInplace, bool)
    : TqzCustomSpinEdit(owner, isInplace, true) {}

void TqzCustomTimeEdit::Initialize() {
    inherited::Initialize();
    TControlStyle style = GetControlStyle();
    style.Exclude(csSetCaption);
    SetControlStyle(style);
}

TqzCustomTimeEditProperties* TqzCustomTimeEdit::GetActiveTimeProperties() {
    if (auto* active = dynamic_cast<TqzCustomTimeEditProperties*>(GetActiveProperties())) return active;
    return static_cast<TqzCustomTimeEditProperties*>(GetProperties());
}

Integer TqzCustomTimeEdit::GetCurrentTimePart() {
    return GetTimePartAt(GetActiveTimeProperties(), GetSelStart() + 1);
}

bool TqzCustomTimeEdit::IsMaskCharAllowed(char32_t& ch, Integer position) {
    return IsTimeCharAllowed(this, ch, position, GetActiveTimeProperties()->GetTimePartInfo(position));
}

double TqzCustomTimeEdit::StepForButton(Integer index) {
    const Integer part = GetCurrentTimePart();
    double step = kPartSteps[part];
    if ((part == 1 || part == 2) && index >= 2) step *= kFastFactor;
    if (part == 3 && GetValue().AsExtended() >= kHalfDay) step = -step;
    if (index == 0 || index == 2) step = -step;
    return step;
}

Variant TqzCustomTimeEdit::GetValue() {
    TqzCustomTimeEditProperties* properties = GetActiveTimeProperties();
    const String text = GetInnerEditText();
    const bool twelveHour = !properties->GetUse24HourFormat();
    Integer hours = StrToIntDef(Utf8Copy(text, 1, 2), 0);
    if (twelveHour) hours %= 12;
    Integer seconds = hours * 3600;
    if (properties->GetTimeFormat() != tfHour) seconds += StrToIntDef(Utf8Copy(text, 4, 2), 0) * 60;
    if (properties->GetTimeFormat() == tfHourMinSec) seconds += StrToIntDef(Utf8Copy(text, 7, 2), 0);
    if (twelveHour) {
        const String& pm = FormatSettings.TimePMString;
        if (!pm.empty() && text.size() >= pm.size() &&
            text.compare(text.size() - pm.size(), pm.size(), pm) == 0)
            seconds += kHalfDay;
    }
    return properties->NormalizeValue(Variant(seconds));
}

String TqzCustomTimeEdit::GetEditingText() { return GetInnerEditText(); }

bool TqzCustomTimeEdit::SetEditingText(const String& text) { return TqzCustomTextEdit::SetEditingText(text); }

String TqzCustomTimeEdit::ValueToDisplayText(const Variant& value) {
    return inherited::ValueToDisplayText(Variant(double(value.AsExtended() / 86400.0L)));
}

void TqzCustomTimeEdit::SetValue(const Variant& value) {
    if (VarIsNumeric(value)) SetTime(double(value.AsExtended() / 86400.0L));
}

bool TqzCustomTimeEdit::SpinByButton(Integer index) {
    const Integer part = GetCurrentTimePart();
    const bool wasAfternoon = part == 3 && GetValue().AsExtended() >= kHalfDay;
    const Integer caret = GetSelStart();
    const TLivenessToken alive = LivenessToken();
    const bool result = inherited::SpinByButton(index);
    if (!alive || !HandleAllocated()) return result;
    if (part == 3) {
        TqzCustomTimeEditProperties* properties = GetActiveTimeProperties();
        const std::u32string text = ToChars(GetInnerEditText());
        std::size_t start = std::size_t(properties->GetTimeTextLength());
        while (start < text.size() && text[start] == U' ')
            ++start;
        const String& designator = wasAfternoon ? FormatSettings.TimeAMString : FormatSettings.TimePMString;
        SetSelection(Integer(start), Utf8Length(designator));
    } else {
        SetSelection(caret < 2 ? 1 : caret < 5 ? 4 : 7, 1);
    }
    return result;
}

void TqzCustomTimeEdit::DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool&) {
    TqzCustomTimeEditProperties* properties = GetActiveTimeProperties();
    String text = VarToStr(displayValue);
    String tail;
    const bool twelveHour = !properties->GetUse24HourFormat();
    if (twelveHour) {
        const Integer length = properties->GetTimeTextLength();
        tail = Utf8Copy(text, length + 1, Utf8Length(text));
        text = Utf8Copy(text, 1, length);
    }
    if (Utf8Length(text) == 2) text += String(1, FormatSettings.TimeSeparator) + "00";
    if (twelveHour) {
        const String& am = FormatSettings.TimeAMString;
        text += " " + (!am.empty() && tail.find(am) != String::npos ? am : FormatSettings.TimePMString);
    }
    TDateTime time = 0;
    if (!Trim(text).empty() && !TryStrToTime(text, time)) time = 0;
    const TDateTime value = CombineDateAndTime(FDatePart, TimeOfDay(time));
    editValue = value != 0 ? VarFromDateTime(value) : Variant(0.0);
}

void TqzCustomTimeEdit::ApplyEditValue(const Variant& value, bool prepare) {
    TDateTime dateTime = 0;
    if (IsBlankValue(value)) {
        FDatePart = 0;
    } else if (ValueToDateTime(value, dateTime)) {
        FDatePart = std::trunc(dateTime);
    } else {
        // Neither a time nor a text that reads as one: the assigning code hears of it.
        RaiseTimeConvertError();
    }
    inherited::ApplyEditValue(value, prepare);
}

void TqzCustomTimeEdit::ApplyActiveProperties(TObject* properties) {
    if (!IsEditFocused() && GetMode()) GetMode()->CaretMoved();
    if (HandleAllocated()) SetSelStart(Utf8Length(GetInnerEditText()));
    inherited::ApplyActiveProperties(properties);
}

TDateTime TqzCustomTimeEdit::GetTime() {
    TDateTime value = 0;
    if (IsEditFocused()) {
        Variant editValue;
        bool isValid = true;
        DisplayToEditValue(Variant(GetInnerEditText()), editValue, isValid);
        value = editValue.AsDouble();
    } else if (!ValueToDateTime(GetEditValue(), value)) {
        value = 0;
    }
    return TimeOfDay(value);
}

void TqzCustomTimeEdit::SetTime(TDateTime value) {
    SetEditValueAsUser(VarFromDateTime(CombineDateAndTime(FDatePart, TimeOfDay(value))));
}

KOV_PUBLISHED(TqzCustomTimeEdit) {}

TqzTimeEdit::TqzTimeEdit(TComponent* owner) : TqzCustomTimeEdit(owner, false, true) { InitializeEditor(); }

TqzTimeEdit::TqzTimeEdit(TComponent* owner, bool isInplace) : TqzCustomTimeEdit(owner, isInplace, true) {
    InitializeEditor();
}

KOV_PUBLISHED(TqzTimeEdit) {
    Property("BeepOnEnter", &TqzTimeEdit::GetBeepOnEnter, &TqzTimeEdit::SetBeepOnEnter).Default(true);
    Property("ImeMode", &TqzTimeEdit::GetImeMode, &TqzTimeEdit::SetImeMode).Default(imDontCare);
    Property("ImeName", &TqzTimeEdit::GetImeName, &TqzTimeEdit::SetImeName).TypeName("TImeName");
    Property("Properties", &TqzTimeEdit::GetProperties, &TqzTimeEdit::SetProperties);
    Property("Time", &TqzTimeEdit::GetTime, &TqzTimeEdit::SetTime).Stored(false).TypeName("TTime");
}
