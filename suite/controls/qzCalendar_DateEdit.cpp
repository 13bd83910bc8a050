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
    if (!IsChangedLocked()) {
        BeginUpdate();
        try {
            UpdateEditMask();
        } catch (...) {
            EndUpdate(false);
            throw;
        }
        EndUpdate(false);
    }
    inherited::Changed();
}

void TqzCustomDateEditProperties::UpdateEditMask() {
    const bool locked = IsChangedLocked();
    SetChangedLocked(true);
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
        SetChangedLocked(locked);
        throw;
    }
    SetChangedLocked(locked);
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

KOV_PUBLISHED(TqzDateEditProperties) {
    Property("ArrowsForYear", &TqzDateEditProperties::GetArrowsForYear,
             &TqzDateEditProperties::SetArrowsForYear)
        .Default(true);
    Property("DateOnError", &TqzDateEditProperties::GetDateOnError, &TqzDateEditProperties::SetDateOnError)
        .Default(deNoChange);
    Property("Kind", &TqzDateEditProperties::GetKind, &TqzDateEditProperties::SetKind).Default(ckDate);
    Property("SaveTime", &TqzDateEditProperties::GetSaveTime, &TqzDateEditProperties::SetSaveTime)
        .Default(true);
    Property("ShowTime", &TqzDateEditProperties::GetShowTime, &TqzDateEditProperties::SetShowTime)
        .Default(true);
    Property("YearsInMonthList", &TqzDateEditProperties::GetYearsInMonthList,
             &TqzDateEditProperties::SetYearsInMonthList)
        .Default(true);
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
    if (GetDate() == value && value != NullDate) return;
    if (!RequestEditing()) return;
    LockChangeEvents(true);
    const TLivenessToken alive = LivenessToken();
    try {
        SetEditValueAsUser(value == NullDate ? Null() : VarFromDateTime(value));
        if (alive) {
            SetModifiedAfterEntry(true);
            SelectAll();
        }
    } catch (...) {
        if (alive) LockChangeEvents(false);
        throw;
    }
    if (alive) LockChangeEvents(false);
}

KOV_PUBLISHED(TqzCustomDateEdit) {}

TqzDateEdit::TqzDateEdit(TComponent* owner) : TqzCustomDateEdit(owner, false, true) { InitializeEditor(); }

TqzDateEdit::TqzDateEdit(TComponent* owner, bool isInplace) : TqzCustomDateEdit(owner, isInplace, true) {
    InitializeEditor();
}

KOV_PUBLISHED(TqzDateEdit) {
    Property("Properties", &TqzDateEdit::GetProperties, &TqzDateEdit::SetProperties);
}
