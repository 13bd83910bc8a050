// The date editor: a popup editor of a date (and time) value typed as text and chosen in a popup
// calendar.
#include <cmath>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/runtime/Variant.h"
#include "suite/controls/qzCalendar.h"
#include "suite/editors/qzFormats.h"
#include "suite/foundation/qzClasses.h"

namespace {

void RegisterDateEditProperties() {
    GetEditPropertiesRegistry()->Register(TqzDateEditProperties::StaticClass(),
                                          "DateEdit|Represents an edit control with a dropdown calendar");
}

const bool kDateEditClassesRegistered = [] {
    RegisterEnum<TDateOnError>("TDateOnError", {"deNoChange", "deToday", "deNull"});
    RegisterTypeName<TDateButtons>("TDateButtons");
    RegisterEnum<TqzInputKind>("TqzInputKind", {"ikStandard", "ikMask", "ikRegExpr"});
    RegisterInterfacedPersistentClass<TqzCustomDateEditProperties>();
    RegisterInterfacedPersistentClass<TqzDateEditProperties>();
    RegisterClasses({TqzDateEdit::StaticClass()});
    RegisterDateEditProperties();
    return true;
}();

bool IsBlank(const Variant& value) {
    return VarIsNull(value) || VarIsEmpty(value) || (VarIsStr(value) && VarToStr(value).empty());
}

TDateTime DatePart(TDateTime value) { return std::trunc(value); }
TDateTime TimePart(TDateTime value) { return std::fabs(value - std::trunc(value)); }
TDateTime WithTime(TDateTime date, TDateTime time) { return date < 0 ? date - time : date + time; }

[[noreturn]] void RaiseDateConvertError() {
    throw EConvertError(LocalizeSuiteText("Could not convert to date"));
}

} // namespace

// ---- Assigned values -------------------------------------------------------------------------

void TqzDateEditPropertiesValues::Assign(TPersistent* source) {
    inherited::Assign(source);
    if (auto* other = dynamic_cast<TqzDateEditPropertiesValues*>(source)) {
        SetDateButtons(other->FDateButtons);
        SetInputKind(other->FInputKind);
    }
}

void TqzDateEditPropertiesValues::ResetAssignedValues() {
    FDateButtons = false;
    FInputKind = false;
    inherited::ResetAssignedValues();
}

void TqzDateEditPropertiesValues::SetDateButtons(bool value) {
    if (FDateButtons == value) return;
    FDateButtons = value;
    Changed();
}

void TqzDateEditPropertiesValues::SetInputKind(bool value) {
    if (FInputKind == value) return;
    FInputKind = value;
    Changed();
}

// ---- Properties ------------------------------------------------------------------------------

TqzCustomDateEditProperties::TqzCustomDateEditProperties(TPersistent* owner)
    : TqzCustomPopupEditProperties(owner) {
    SetChangedLocked(true);
    SetCaseInsensitive(true);
    SetImmediateDropDown(false);
    SetPopupSizeable(false);
    SetChangedLocked(false);
    UpdateEditMask();
    RegisterDateEditProperties();
}

TClass TqzCustomDateEditProperties::GetAssignedValuesClass() const {
    return TqzDateEditPropertiesValues::StaticClass();
}

TClass TqzCustomDateEditProperties::GetContainerClass() const { return TqzDateEdit::StaticClass(); }

void TqzCustomDateEditProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomDateEditProperties*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        SetArrowsForYear(other->GetArrowsForYear());
        GetDateAssignedValues()->SetDateButtons(false);
        if (other->GetDateAssignedValues()->GetDateButtons()) SetDateButtons(other->FDateButtons);
        GetDateAssignedValues()->SetInputKind(false);
        if (other->GetDateAssignedValues()->GetInputKind()) SetInputKind(other->FInputKind);
        SetDateOnError(other->GetDateOnError());
        SetKind(other->GetKind());
        SetSaveTime(other->GetSaveTime());
        SetShowTime(other->GetShowTime());
        SetYearsInMonthList(other->GetYearsInMonthList());
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TqzCustomDateEditProperties::Changed() {
    if (!IsChangedLocked()) UpdateEditMask();
    inherited::Changed();
}

// The mask is set inside an update bracket that does not signal: reading and restoring the
// change lock here would keep the properties locked for good when the lock state read includes
// an update in progress.
void TqzCustomDateEditProperties::UpdateEditMask() {
    BeginUpdate();
    try {
        TqzFormatController* controller = GetFormatController();
        const bool dateTime = FKind == ckDateTime;
        switch (GetInputKind()) {
        case ikMask:
            SetMaskKind(emkStandard);
            SetEditMask(dateTime ? controller->GetStandardDateTimeMask() : controller->GetStandardDateMask());
            break;
        case ikRegExpr:
            SetMaskKind(emkRegExprEx);
            SetEditMask(dateTime ? controller->GetRegexDateTimeMask() : controller->GetRegexDateMask());
            break;
        default:
            SetStoredEditMask(String());
            SetEditMask(String());
            break;
        }
    } catch (...) {
        EndUpdate(false);
        throw;
    }
    EndUpdate(false);
}

TDateButtons TqzCustomDateEditProperties::GetDateButtons() {
    if (GetDateAssignedValues()->GetDateButtons()) return FDateButtons;
    return FKind == ckDate ? TDateButtons{btnClear, btnToday} : TDateButtons{btnClear, btnNow};
}

void TqzCustomDateEditProperties::SetDateButtons(TDateButtons value) {
    if (GetDateAssignedValues()->GetDateButtons() && FDateButtons == value) return;
    GetDateAssignedValues()->SetDateButtons(true);
    FDateButtons = value;
    Changed();
}

TqzInputKind TqzCustomDateEditProperties::GetInputKind() {
    if (GetDateAssignedValues()->GetInputKind()) return FInputKind;
    return FKind == ckDate ? ikRegExpr : ikMask;
}

void TqzCustomDateEditProperties::SetInputKind(TqzInputKind value) {
    if (GetDateAssignedValues()->GetInputKind() && FInputKind == value) return;
    GetDateAssignedValues()->SetInputKind(true);
    FInputKind = value;
    UpdateEditMask();
    Changed();
}

#define KOV_DATE_SETTER(Name, Type, Field)                                                                   \
    void TqzCustomDateEditProperties::Set##Name(Type value) {                                                \
        if (Field == value) return;                                                                          \
        Field = value;                                                                                       \
        Changed();                                                                                           \
    }
KOV_DATE_SETTER(ArrowsForYear, bool, FArrowsForYear)
KOV_DATE_SETTER(DateOnError, TDateOnError, FDateOnError)
KOV_DATE_SETTER(SaveTime, bool, FSaveTime)
KOV_DATE_SETTER(ShowTime, bool, FShowTime)
KOV_DATE_SETTER(YearsInMonthList, bool, FYearsInMonthList)
#undef KOV_DATE_SETTER

void TqzCustomDateEditProperties::SetKind(TqzCalendarKind value) {
    if (FKind == value) return;
    FKind = value;
    UpdateEditMask();
    Changed();
}

String TqzCustomDateEditProperties::GetEmptyText(bool focused) {
    String text = GetEmptyMaskText();
    TqzFormatController* controller = GetFormatController();
    if (!focused || FKind != ckDateTime || GetInputKind() != ikMask) return text;
    String zero;
    DateValueToText(true, true, false, zero, 0);
    const Integer n = controller->GetFormatInfoTextLength(controller->GetTimeFormatItems());
    const Integer length = Utf8Length(text), zeroLength = Utf8Length(zero);
    if (n <= 0 || n > length || n > zeroLength) return text;
    return Utf8Copy(text, 1, length - n) + Utf8Copy(zero, zeroLength - n + 1, n);
}

Variant TqzCustomDateEditProperties::TextToEditValue(const String& text) {
    if (text == GetEmptyMaskText() || text == GetEmptyText(true)) return Null();
    TDateTime value = NullDate;
    if (ParseDateTimeText(text, true, value) && value != NullDate) return VarFromDateTime(value);
    if (FDateOnError == deToday) return VarFromDateTime(FKind == ckDateTime ? Now() : Date());
    return Null();
}

bool TqzCustomDateEditProperties::ShowsTimePart(bool focused, TDateTime value) {
    const bool hasTime = TimePart(value) != 0;
    if (!focused) return !(FKind == ckDate && !FShowTime);
    if (FKind == ckDateTime) return hasTime || GetInputKind() == ikMask;
    return FShowTime && hasTime && GetInputKind() == ikStandard;
}

bool TqzCustomDateEditProperties::IsEditValueValid(Variant& value, bool) {
    if (IsBlank(value) || VarType(value) == varDate || VarIsNumeric(value)) return true;
    if (!VarIsStr(value)) return false;
    try {
        const Variant parsed = TextToEditValue(VarToStr(value));
        return !VarIsNull(parsed) && VarToDateTime(parsed) != NullDate;
    } catch (const Exception&) {
        return false;
    }
}

void TqzCustomDateEditProperties::PrepareDisplayValue(const Variant& editValue, Variant& displayValue,
                                                      bool editing) {
    if (IsBlank(editValue) ||
        (!VarIsStr(editValue) && VarIsNumeric(editValue) && editValue.AsDouble() == NullDate)) {
        displayValue = GetEmptyText(editing);
        return;
    }
    TDateTime value = NullDate;
    if (VarIsStr(editValue)) {
        const Variant parsed = TextToEditValue(VarToStr(editValue));
        if (VarIsNull(parsed)) RaiseDateConvertError();
        value = VarToDateTime(parsed);
    } else if (VarType(editValue) == varDate || VarIsNumeric(editValue)) {
        value = editValue.AsDouble();
    } else {
        RaiseDateConvertError();
    }
    if (value == NullDate) RaiseDateConvertError();
    if (!ShowsTimePart(editing, value)) value = DatePart(value);
    String text;
    if (editing)
        DateValueToText(GetInputKind() == ikMask, FKind == ckDateTime, false, text, value);
    else
        DateValueToText(false, false, false, text, value);
    text = TrimRight(text);
    if (editing && IsMasked()) {
        Variant masked;
        inherited::PrepareDisplayValue(Variant(text), masked, editing);
        displayValue = masked;
        return;
    }
    displayValue = text;
}

bool TqzCustomDateEditProperties::IsTextValueValid(Variant& value, bool editing) {
    if (GetInputKind() != ikStandard) return inherited::IsTextValueValid(value, editing);
    TDateTime parsed = NullDate;
    return ParseDateTimeText(VarToStr(value), true, parsed) && parsed != NullDate;
}

bool TqzCustomDateEditProperties::IsValueBoundDefined(Integer which) {
    const TDateTime minDate = GetMinValue(), maxDate = GetMaxValue();
    if ((which == 0 ? minDate : maxDate) == 0) return false;
    return minDate == 0 || maxDate == 0 || maxDate > minDate;
}

bool TqzCustomDateEditProperties::IsValueBoundsDefined() { return IsValueBoundDefined(0) || IsValueBoundDefined(1); }

void TqzCustomDateEditProperties::ValidateDisplayValue(Variant& displayValue, String& errorText, bool& error,
                                                       TqzCustomEdit* editor) {
    auto* dateEdit = dynamic_cast<TqzCustomDateEdit*>(editor);
    errorText = LocalizeSuiteText("Invalid Date");
    error = false;
    const String emptyText = GetEmptyText(true);
    TDateTime date = NullDate;
    bool empty = false;
    auto readText = [&] {
        const String text = VarToStr(displayValue);
        date = NullDate;
        empty = text == emptyText;
        if (!empty) error = !TextToDateValue(text, date);
    };
    try {
        readText();
        if (editor && editor->HasValidateHandler()) {
            if (!error && !empty) {
                String text;
                DateValueToText(GetInputKind() == ikMask, FKind == ckDateTime, false, text, date);
                displayValue = TrimRight(text);
            }
            RunValidateHandlers(displayValue, errorText, error, editor);
            if (!error) readText();
        } else if (error && FDateOnError == deToday) {
            date = FKind == ckDateTime ? Now() : Date();
            error = false;
        } else if (error && FDateOnError == deNull) {
            date = NullDate;
            error = false;
        }
    } catch (const Exception&) {
        error = true;
    }
    if (error) {
        if (editor) {
            String text;
            editor->ReadDisplayText(text);
            displayValue = text;
        }
        return;
    }
    if (date == NullDate || empty) {
        // Erased: the kept time of day alone, or no value.
        Variant value = Null();
        if (empty && FKind == ckDate && FSaveTime && dateEdit && dateEdit->FSavedTime != 0) {
            value = VarFromDateTime(dateEdit->FSavedTime);
            PrepareDisplayValue(value, displayValue, true);
        } else {
            if (dateEdit) dateEdit->FSavedTime = 0;
            displayValue = emptyText;
        }
        if (editor) editor->SetEditValueAsUser(value);
        return;
    }
    if (IsValueBoundsDefined()) {
        ValidateValueBounds(VarFromDateTime(date), errorText, nullptr, error);
        if (error) return;
    }
    if (FKind == ckDate && dateEdit) {
        if (TimePart(date) != 0)
            dateEdit->FSavedTime = TimePart(date);
        else if (FSaveTime)
            date = WithTime(date, dateEdit->FSavedTime);
        if (!FSaveTime) dateEdit->FSavedTime = 0;
    }
    displayValue = VarFromDateTime(date);
}

TqzEditPopupWindowClass TqzCustomDateEditProperties::GetPopupWindowClass() {
    return &TqzDateEditPopupWindow::CreateInstance;
}

TqzMaskEditModeClass TqzCustomDateEditProperties::GetModeClass(TqzEditMaskKind kind) {
    if (kind == emkStandard) return &TqzDateEditMaskStandardMode::CreateInstance;
    return inherited::GetModeClass(kind);
}

bool TqzCustomDateEditProperties::GetTimePartInfo(Integer position, TqzTimePartInfo& info) {
    if (FKind != ckDateTime || GetInputKind() != ikMask) return false;
    TqzFormatController* controller = GetFormatController();
    const TqzDateTimeFormatInfo& items = controller->GetDateTimeFormatItems();
    TqzDateTimeFormatItemInfo item;
    if (!controller->FindDateTimeFormatItemAt(items, position, item)) return false;
    switch (item.Kind) {
    case dtikHour:
        info.Part = 0;
        break;
    case dtikMinute:
        info.Part = 1;
        break;
    case dtikSecond:
        info.Part = 2;
        break;
    case dtikTimeSuffix:
        info.Part = 3;
        break;
    default:
        return false;
    }
    info.Start = item.Start;
    info.Length = item.Length;
    info.DesignatorStyle = Integer(item.TimeSuffixStyle);
    info.Use24HourFormat = false;
    for (const TqzDateTimeFormatItem& each : items.Items)
        if (each.Kind == dtikHour) info.Use24HourFormat = each.Text.rfind("24", 0) == 0;
    return true;
}

char32_t TqzCustomDateEditProperties::GetBlankCharAt(Integer position) {
    TqzTimePartInfo info;
    if (!GetTimePartInfo(position, info)) return U' ';
    return info.Part == 3 ? char32_t(0) : U'0';
}

void TqzCustomDateEditProperties::GetLocaleTimeLayout(TqzTimeEditTimeFormat& format, bool& use24Hour) {
    const TqzDateTimeFormatInfo& items = GetFormatController()->GetDateTimeFormatItems();
    format = tfHourMinSec;
    use24Hour = false;
    if (items.Defined[dtikSecond])
        format = tfHourMinSec;
    else if (items.Defined[dtikMinute])
        format = tfHourMin;
    else if (items.Defined[dtikHour])
        format = tfHour;
    for (const TqzDateTimeFormatItem& item : items.Items)
        if (item.Kind == dtikHour) use24Hour = item.Text.rfind("24", 0) == 0;
}

char32_t TqzDateEditMaskStandardMode::GetBlankChar(Integer position) {
    if (auto* properties = dynamic_cast<TqzCustomDateEditProperties*>(GetProperties()))
        return properties->GetBlankCharAt(position);
    return inherited::GetBlankChar(position);
}

// ---- Popup window ----------------------------------------------------------------------------

TqzDateEditPopupWindow::TqzDateEditPopupWindow(TqzCustomDropDownEdit* editor) : TqzPopupEditPopupWindow(editor) {
    SetKeyPreview(true);
}

bool TqzDateEditPopupWindow::IsCalendarKey(Word key, TShiftState shift) {
    auto* edit = dynamic_cast<TqzCustomDateEdit*>(GetEdit());
    TqzPopupCalendar* calendar = edit ? edit->GetCalendar() : nullptr;
    if (!calendar) return false;
    const bool alt = shift.Contains(ssAlt);
    if (key == VK_ESCAPE) {
        TWinControl* focused = FindControl(::GetFocus());
        for (TWinControl* c = focused; c && c != calendar; c = c->GetParent()) {
            if (dynamic_cast<TqzButton*>(c)) return true;
            if (c == calendar->TimeEdit) return !calendar->TimeEdit->GetModifiedAfterEnter();
        }
        return false;
    }
    if ((key == VK_UP || key == VK_DOWN) && alt) return true;
    return key == VK_F4 && !alt;
}

void TqzDateEditPopupWindow::KeyDown(Word& key, TShiftState shift) {
    const TLivenessToken alive = LivenessToken();
    inherited::KeyDown(key, shift);
    if (!alive || key == 0 || !IsCalendarKey(key, shift)) return;
    if (auto* edit = dynamic_cast<TqzCustomDateEdit*>(GetEdit())) edit->GetCalendar()->HandleKeyDown(key, shift);
}

KOV_PUBLISHED(TqzDateEditProperties) {
    using P = TqzDateEditProperties;
    Property("ArrowsForYear", &P::GetArrowsForYear, &P::SetArrowsForYear).Default(true);
    Property("AssignedValues", &P::GetDateAssignedValues, &P::SetDateAssignedValues);
    Property("ButtonGlyph", &P::GetButtonGlyph, &P::SetButtonGlyph);
    Property("DateButtons", &P::GetDateButtons, &P::SetDateButtons).Stored(&P::IsDateButtonsStored);
    Property("DateOnError", &P::GetDateOnError, &P::SetDateOnError).Default(deNoChange);
    Property("ImeMode", &P::GetImeMode, &P::SetImeMode).Default(imDontCare);
    Property("ImeName", &P::GetImeName, &P::SetImeName).TypeName("TImeName");
    Property("InputKind", &P::GetInputKind, &P::SetInputKind).Stored(&P::IsInputKindStored);
    Property("Kind", &P::GetKind, &P::SetKind).Default(ckDate);
    Property("MaxDate", &P::GetMaxDate, &P::SetMaxDate).Stored(&P::IsMaxValueStored).TypeName("TDateTime");
    Property("MinDate", &P::GetMinDate, &P::SetMinDate).Stored(&P::IsMinValueStored).TypeName("TDateTime");
    Property("PostPopupValueOnTab", &P::GetPostPopupValueOnTab, &P::SetPostPopupValueOnTab).Default(false);
    Property("SaveTime", &P::GetSaveTime, &P::SetSaveTime).Default(true);
    Property("ShowTime", &P::GetShowTime, &P::SetShowTime).Default(true);
    Property("YearsInMonthList", &P::GetYearsInMonthList, &P::SetYearsInMonthList).Default(true);
    Property("OnCloseUp", &P::OnCloseUp);
    Property("OnInitPopup", &P::OnInitPopup);
    Property("OnPopup", &P::OnPopup);
}

KOV_PUBLISHED(TqzDateEditPropertiesValues) {
    using V = TqzDateEditPropertiesValues;
    Property("MaxDate", &V::GetMaxValue, &V::SetMaxValue).Stored(&V::IsMaxValueStored);
    Property("MinDate", &V::GetMinValue, &V::SetMinValue).Stored(&V::IsMinValueStored);
}

// ---- The editor ------------------------------------------------------------------------------

TqzCustomDateEdit::TqzCustomDateEdit(TComponent* owner) : TqzCustomDateEdit(owner, false) {}

TqzCustomDateEdit::TqzCustomDateEdit(TComponent* owner, bool isInplace)
    : TqzCustomDateEdit(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomDateEdit::TqzCustomDateEdit(TComponent* owner, bool isInplace, bool)
    : TqzCustomPopupEdit(owner, isInplace, true) {}

TqzCustomDateEdit::~TqzCustomDateEdit() {
    delete FCalendar;
    FCalendar = nullptr;
}

void TqzCustomDateEdit::Initialize() {
    inherited::Initialize();
    TControlStyle style = GetControlStyle();
    style.Exclude(csSetCaption);
    SetControlStyle(style);
    FCalendar = new TqzPopupCalendar(this);
    FCalendar->Edit = this;
    FCalendar->SetVisible(false);
    FCalendar->OnHidePopup = MakeEvent(this, &TqzCustomDateEdit::CalendarHidePopup);
    for (TqzButton* button :
         {FCalendar->TodayButton, FCalendar->NowButton, FCalendar->ClearButton, FCalendar->OKButton})
        button->GetLookAndFeel()->SetMaster(GetPopupLookAndFeel());
    FCalendar->TimeEdit->GetStyle()->GetLookAndFeel()->SetMaster(GetPopupLookAndFeel());
    static_cast<TqzCustomPopupEditProperties*>(GetProperties())->SetPopupControl(FCalendar);
    FPopupDate = NullDate;
}

TqzCustomDateEditProperties* TqzCustomDateEdit::GetActiveDateProperties() {
    if (auto* active = dynamic_cast<TqzCustomDateEditProperties*>(GetActiveProperties())) return active;
    return static_cast<TqzCustomDateEditProperties*>(GetProperties());
}

void TqzCustomDateEdit::CalendarHidePopup(TObject*, Integer reason) { ClosePopup(reason); }

void TqzCustomDateEdit::DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool&) {
    TqzCustomDateEditProperties* properties = GetActiveDateProperties();
    editValue = properties->TextToEditValue(VarToStr(displayValue));
    if (VarIsNull(editValue)) return;
    TDateTime value = VarToDateTime(editValue);
    if (value == NullDate) return;
    if (properties->GetKind() == ckDate && properties->GetSaveTime())
        value = WithTime(DatePart(value), FSavedTime);
    editValue = VarFromDateTime(value);
}

void TqzCustomDateEdit::ApplyEditValue(const Variant& value, bool prepare) {
    if (GetComponentState().Contains(csDestroying)) return;
    TqzCustomDateEditProperties* properties = GetActiveDateProperties();
    if (properties->GetKind() == ckDate && properties->GetSaveTime()) {
        TDateTime parsed = 0;
        if (VarIsStr(value))
            FSavedTime = ParseDateTimeText(VarToStr(value), true, parsed) ? TimePart(parsed) : 0;
        else if (VarType(value) == varDate || VarIsNumeric(value))
            FSavedTime = TimePart(value.AsDouble());
        else
            FSavedTime = 0;
    } else {
        FSavedTime = 0;
    }
    inherited::ApplyEditValue(value, prepare);
}

TDateTime TqzCustomDateEdit::GetDate() {
    const Variant value = GetEditValue();
    if (VarIsNull(value) || VarIsEmpty(value)) return NullDate;
    if (VarType(value) == varDate || VarIsNumeric(value)) return value.AsDouble();
    if (VarIsStr(value)) {
        Variant converted;
        bool valid = true;
        DisplayToEditValue(value, converted, valid);
        return VarIsNull(converted) ? NullDate : VarToDateTime(converted);
    }
    return NullDate;
}

void TqzCustomDateEdit::SetDate(TDateTime value) {
    if (value == NullDate) {
        SetEditValueAsUser(Null());
        return;
    }
    TqzCustomDateEditProperties* properties = GetActiveDateProperties();
    if (properties->GetKind() == ckDate && TimePart(value) == 0)
        value = properties->GetSaveTime() ? WithTime(DatePart(value), FSavedTime) : DatePart(value);
    SetEditValueAsUser(VarFromDateTime(value));
}

void TqzCustomDateEdit::CreatePopupWindow() {
    inherited::CreatePopupWindow();
    if (GetPopupWindow()) GetPopupWindow()->SetModal(false);
}

void TqzCustomDateEdit::SetupPopupWindow() {
    inherited::SetupPopupWindow();
    TqzCustomDateEditProperties* properties = GetActiveDateProperties();
    FCalendar->HandleNeeded();
    FCalendar->SetColor(GetStyle()->GetColor());
    FCalendar->SetFlat(GetPopupLookAndFeel()->GetKind() != lfStandard);
    FCalendar->SetDateButtons(properties->GetDateButtons());
    FCalendar->OnDateTimeChanged = TNotifyEvent();
    FPopupDate = GetDate();
    const TDateTime shown = FPopupDate == NullDate ? Date() : FPopupDate;
    if (properties->GetKind() == ckDateTime) FCalendar->TimeEdit->SetTime(TimePart(shown));
    FCalendar->SetMonthStart(DatePart(shown));
    FCalendar->SetSelectedDate(DatePart(shown));
    FCalendar->GetFont()->Assign(GetStyle()->GetFont());
    FCalendar->GetFont()->SetColor(clBtnText);
    FCalendar->SetArrowsForYear(properties->GetArrowsForYear());
    FCalendar->SetKind(properties->GetKind());
    FCalendar->YearsInMonthList = properties->GetYearsInMonthList();
    TqzTimeEditTimeFormat timeFormat = tfHourMinSec;
    bool use24Hour = false;
    properties->GetLocaleTimeLayout(timeFormat, use24Hour);
    FCalendar->SetTimeFormat(timeFormat);
    FCalendar->SetUse24HourFormat(use24Hour);
    FCalendar->AdjustSize();
    FCalendar->OnDateTimeChanged = MakeEvent(this, &TqzCustomDateEdit::ApplyCalendarValue);
}

void TqzCustomDateEdit::ApplyCalendarValue(TObject*) {
    TqzCustomDateEditProperties* properties = GetActiveDateProperties();
    TDateTime value = FCalendar->GetSelectedDate();
    if (value != NullDate) {
        if (properties->GetKind() == ckDateTime)
            value = WithTime(DatePart(value), FCalendar->TimeEdit->GetTime());
        else if (properties->GetSaveTime() && FPopupDate != NullDate)
            value = WithTime(DatePart(value), TimePart(FPopupDate));
    }
    String text = properties->GetEmptyText(true);
    if (value != NullDate) {
        Variant display;
        properties->PrepareDisplayValue(VarFromDateTime(value), display, true);
        text = VarToStr(display);
        // A plain text whose short year would read back as another century is written with
        // the whole year.
        const TDateTime readBack = TextToDate(text);
        if (properties->GetInputKind() == ikStandard &&
            (readBack == NullDate || DatePart(readBack) != DatePart(value))) {
            const TDateTime shown = properties->ShowsTimePart(true, value) ? value : DatePart(value);
            DateValueToText(false, properties->GetKind() == ckDateTime, true, text, shown);
            text = TrimRight(text);
        }
    }
    String current;
    ReadDisplayText(current);
    if (GetDate() == value && current == text) return;
    if (!RequestEditing()) return;
    LockChangeEvents(true);
    const TLivenessToken alive = LivenessToken();
    try {
        SetEditValueAsUser(value == NullDate ? Null() : VarFromDateTime(value));
        if (alive) {
            SetModifiedAfterEntry(true);
            DisplayValueToInnerEdit(Variant(text));
            SelectAll();
        }
    } catch (...) {
        if (alive) LockChangeEvents(false);
        throw;
    }
    if (alive) LockChangeEvents(false);
}

TDateTime TqzCustomDateEdit::TextToDate(const String& text) {
    Variant value;
    bool valid = true;
    DisplayToEditValue(Variant(text), value, valid);
    return VarIsNull(value) || VarIsEmpty(value) ? NullDate : VarToDateTime(value);
}

TDateTime TqzCustomDateEdit::CurrentDate() {
    if (!IsEditFocused() || IsEditValidated()) return GetDate();
    String text;
    ReadDisplayText(text);
    return TextToDate(text);
}

void TqzCustomDateEdit::StoreDisplayValue(const Variant& value) {
    if (VarIsStr(value)) {
        inherited::StoreDisplayValue(value);
        return;
    }
    PushModifiedState();
    try {
        SetEditValueAsUser(value);
    } catch (...) {
        PopModifiedState();
        throw;
    }
    PopModifiedState();
}

String TqzCustomDateEdit::GetEditingText() { return TqzCustomTextEdit::GetEditingText(); }

bool TqzCustomDateEdit::SetEditingText(const String& text) { return TqzCustomTextEdit::SetEditingText(text); }

bool TqzCustomDateEdit::IsMaskCharAllowed(char32_t& ch, Integer position) {
    TqzTimePartInfo info;
    if (!GetActiveDateProperties()->GetTimePartInfo(position, info)) return true;
    return IsTimeCharAllowed(this, ch, position, info);
}

void TqzCustomDateEdit::ClampValueToBounds() {
    const TDateTime date = GetDate();
    if (date == NullDate) return;
    TqzCustomDateEditProperties* properties = GetActiveDateProperties();
    TDateTime target = date;
    if (properties->IsValueBoundDefined(0) && date < properties->GetMinDate())
        target = properties->GetMinDate();
    else if (properties->IsValueBoundDefined(1) && date > properties->GetMaxDate())
        target = properties->GetMaxDate();
    if (target == date) return;
    const TLivenessToken alive = LivenessToken();
    SetUserChange(GetModifiedAfterEnter());
    try {
        SetDate(target);
    } catch (...) {
        if (alive) SetUserChange(false);
        throw;
    }
    if (alive) SetUserChange(false);
}

void TqzCustomDateEdit::DropDown() {
    static_cast<TqzCustomPopupEditProperties*>(GetActiveProperties())->SetPopupControl(FCalendar);
    inherited::DropDown();
}

void TqzCustomDateEdit::PopupWindowShowed(TObject* sender) {
    const TLivenessToken alive = LivenessToken();
    inherited::PopupWindowShowed(sender);
    if (!alive || !FCalendar) return;
    FCalendar->RecalculateLayout();
    FCalendar->UpdateHotPart();
}

void TqzCustomDateEdit::PopupWindowClosed(TObject* sender) {
    const TLivenessToken alive = LivenessToken();
    inherited::PopupWindowClosed(sender);
    if (alive && FCalendar) FCalendar->UpdateHotPart();
}

KOV_PUBLISHED(TqzCustomDateEdit) {}

TqzDateEdit::TqzDateEdit(TComponent* owner) : TqzCustomDateEdit(owner, false, true) { InitializeEditor(); }

TqzDateEdit::TqzDateEdit(TComponent* owner, bool isInplace) : TqzCustomDateEdit(owner, isInplace, true) {
    InitializeEditor();
}

KOV_PUBLISHED(TqzDateEdit) {
    Property("Date", &TqzDateEdit::GetDate, &TqzDateEdit::SetDate).Stored(false).TypeName("TDateTime");
    Property("Properties", &TqzDateEdit::GetProperties, &TqzDateEdit::SetProperties);
}
