#include "suite/controls/qzSpinEdit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzEditUtils.h"
#include "suite/foundation/qzClasses.h"
#include "suite/foundation/qzControls.h"
#include "suite/foundation/qzLookAndFeelPainters.h"
#include "suite/foundation/qzVariants.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"

namespace {

const bool kSpinEditClassesRegistered = [] {
    RegisterEnum<TqzSpinEditButtonsPosition>("TqzSpinEditButtonsPosition",
                                             {"sbpHorzLeftRight", "sbpHorzRight", "sbpVert"});
    RegisterEnum<TqzSpinEditValueType>("TqzSpinEditValueType", {"vtInt", "vtFloat"});
    RegisterTypeName<TqzSpinEditGetValueEvent>("TqzSpinEditGetValueEvent");
    RegisterInterfacedPersistentClass<TqzCustomSpinEditProperties>();
    RegisterInterfacedPersistentClass<TqzSpinEditProperties>();
    RegisterClasses({TqzSpinEdit::StaticClass()});
    return true;
}();

// The unit's entry in the editor properties registry; made again when the editor unit was
// restarted (its end frees the registry).
void RegisterSpinEditProperties() {
    GetEditPropertiesRegistry()->Register(TqzSpinEditProperties::StaticClass(),
                                          "SpinEdit|Represents a spin editor");
}
const bool kSpinEditPropertiesRegistered = (RegisterSpinEditProperties(), true);

constexpr long double kFloatLimit = 1.7E308L;
constexpr Int64 kIntMin = INT64_MIN;
constexpr Int64 kIntMax = INT64_MAX;

Integer RectWidth(const TRect& r) { return r.right - r.left; }
Integer RectHeight(const TRect& r) { return r.bottom - r.top; }

bool IsBlank(const Variant& value) {
    return VarIsNull(value) || VarIsEmpty(value) || (VarIsStr(value) && VarToStr(value).empty());
}

// A number rounded to even and kept inside the 64-bit range.
Int64 RoundToInt64(long double value) {
    if (!(value > -9.3E18L)) return kIntMin;
    if (!(value < 9.3E18L)) return kIntMax;
    const long double floor = std::floor(value);
    const long double diff = value - floor;
    long double rounded = floor;
    if (diff > 0.5L || (diff == 0.5L && std::fmod(floor, 2.0L) != 0)) rounded = floor + 1;
    if (rounded >= 9223372036854775807.0L) return kIntMax;
    if (rounded <= -9223372036854775808.0L) return kIntMin;
    return Int64(rounded);
}

} // namespace

// ---- Spin buttons ----------------------------------------------------------------------------

TqzSpinEditButtons::TqzSpinEditButtons(TqzCustomSpinEditProperties* owner) : FOwner(owner) {}

TPersistent* TqzSpinEditButtons::GetOwner() const { return FOwner; }

void TqzSpinEditButtons::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzSpinEditButtons*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    FOwner->BeginUpdate();
    try {
        SetPosition(other->GetPosition());
        SetShowFastButtons(other->GetShowFastButtons());
    } catch (...) {
        FOwner->EndUpdate();
        throw;
    }
    FOwner->EndUpdate();
}

void TqzSpinEditButtons::SetPosition(TqzSpinEditButtonsPosition value) {
    if (FPosition == value) return;
    FPosition = value;
    FOwner->Changed();
}

void TqzSpinEditButtons::SetShowFastButtons(bool value) {
    if (FShowFastButtons == value) return;
    FShowFastButtons = value;
    FOwner->Changed();
}

KOV_PUBLISHED(TqzSpinEditButtons) {
    Property("Position", &TqzSpinEditButtons::GetPosition, &TqzSpinEditButtons::SetPosition).Default(sbpVert);
    Property("ShowFastButtons", &TqzSpinEditButtons::GetShowFastButtons,
             &TqzSpinEditButtons::SetShowFastButtons)
        .Default(false);
}

// ---- Assigned values -------------------------------------------------------------------------

void TqzSpinEditPropertiesValues::Assign(TPersistent* source) {
    inherited::Assign(source);
    if (auto* other = dynamic_cast<TqzSpinEditPropertiesValues*>(source)) SetValueType(other->FValueType);
}

void TqzSpinEditPropertiesValues::ResetAssignedValues() {
    FValueType = false;
    inherited::ResetAssignedValues();
}

void TqzSpinEditPropertiesValues::SetValueType(bool value) {
    if (FValueType == value) return;
    FValueType = value;
    Changed();
}

KOV_PUBLISHED(TqzSpinEditPropertiesValues) {
    Property("ValueType", &TqzSpinEditPropertiesValues::GetValueType,
             &TqzSpinEditPropertiesValues::SetValueType)
        .Default(false);
}

// ---- Properties ------------------------------------------------------------------------------

TqzCustomSpinEditProperties::TqzCustomSpinEditProperties(TPersistent* owner)
    : TqzCustomMaskEditProperties(owner), FSpinButtons(std::make_unique<TqzSpinEditButtons>(this)) {
    BeginUpdate();
    GetButtons()->Add();
    GetButtons()->Add();
    EndUpdate(false);
    RegisterSpinEditProperties();
}

TqzCustomSpinEditProperties::~TqzCustomSpinEditProperties() = default;

void TqzCustomSpinEditProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomSpinEditProperties*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        FSpinButtons->Assign(other->GetSpinButtons());
        SetCanEdit(other->GetCanEdit());
        SetCircular(other->GetCircular());
        SetIncrement(other->GetIncrement());
        SetLargeIncrement(other->GetLargeIncrement());
        SetExceptionOnInvalidInput(other->GetExceptionOnInvalidInput());
        SetUseCtrlIncrement(other->GetUseCtrlIncrement());
        GetSpinAssignedValues()->SetValueType(false);
        if (other->GetSpinAssignedValues()->GetValueType()) SetValueType(other->FValueType);
        OnGetValue = other->OnGetValue;
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TqzCustomSpinEditProperties::Changed() {
    TqzEditButtons* buttons = GetButtons();
    const bool fast = FSpinButtons && FSpinButtons->GetShowFastButtons();
    if (!FChangingButtons && buttons &&
        ((fast && buttons->GetCount() == 2) || (!fast && buttons->GetCount() == 4))) {
        FChangingButtons = true;
        BeginUpdate();
        try {
            if (fast) {
                buttons->Add();
                buttons->Add();
            } else {
                buttons->Delete(3);
                buttons->Delete(2);
            }
        } catch (...) {
            EndUpdate(false);
            FChangingButtons = false;
            throw;
        }
        EndUpdate(false);
        FChangingButtons = false;
    }
    inherited::Changed();
}

TClass TqzCustomSpinEditProperties::GetAssignedValuesClass() const {
    return TqzSpinEditPropertiesValues::StaticClass();
}

TqzCustomEditViewDataClass TqzCustomSpinEditProperties::GetViewDataClass() const {
    return &TqzSpinEditViewData::CreateInstance;
}

TqzCustomEditViewInfoClass TqzCustomSpinEditProperties::GetViewInfoClass() const {
    return &TqzSpinEditViewInfo::CreateInstance;
}

TClass TqzCustomSpinEditProperties::GetContainerClass() const { return TqzSpinEdit::StaticClass(); }

Integer TqzCustomSpinEditProperties::GetEditValueSource(bool editing) {
    return !editing && !GetAssignedValues()->GetDisplayFormat() ? 1 : 0;
}

Integer TqzCustomSpinEditProperties::GetOutOfRangeMode() {
    if (FCircular) return 2;
    return ClampsOutOfRange() ? 1 : 0;
}

Variant TqzCustomSpinEditProperties::GetTypeExtreme(bool maximum) {
    if (GetValueType() == vtFloat) return Variant(double(maximum ? 1.7E308 : -1.7E308));
    return Variant(Int64(maximum ? kIntMax : kIntMin));
}

Variant TqzCustomSpinEditProperties::AdjustToValueType(double value) {
    if (GetValueType() == vtInt) return Variant(RoundToInt64(value));
    return Variant(value);
}

void TqzCustomSpinEditProperties::GetMaxValueOfType(Variant& value) {
    value = IsValueBoundDefined(1) ? AdjustToValueType(GetMaxValue()) : GetTypeExtreme(true);
}

void TqzCustomSpinEditProperties::GetMinValueOfType(Variant& value) {
    value = IsValueBoundDefined(0) ? AdjustToValueType(GetMinValue()) : GetTypeExtreme(false);
}

Variant TqzCustomSpinEditProperties::ConvertToValueType(const Variant& value) {
    if (GetValueType() == vtFloat) return Variant(double(value.AsExtended()));
    const TVarType type = VarType(value);
    if (type == varInt64 || type == varInteger || type == varSmallint || type == varShortInt ||
        type == varByte || type == varWord || type == varLongWord || type == varBoolean)
        return Variant(value.AsInt64());
    const long double number = value.AsExtended();
    if (!(number > -9223372036854775808.5L && number < 9223372036854775807.5L))
        throw EVariantError("Invalid variant type conversion");
    return Variant(RoundToInt64(number));
}

Variant TqzCustomSpinEditProperties::NormalizeValue(const Variant& value) {
    return VarIsNumeric(value) ? ConvertToValueType(value) : value;
}

Variant TqzCustomSpinEditProperties::ClampToBounds(const Variant& value) {
    Variant minValue, maxValue;
    GetMinValueOfType(minValue);
    GetMaxValueOfType(maxValue);
    if (CompareVariantValues(value, minValue) < 0) return minValue;
    if (CompareVariantValues(value, maxValue) > 0) return maxValue;
    return value;
}

void TqzCustomSpinEditProperties::PrepareValue(const Variant& value, Variant& result) {
    result = ConvertToValueType(IsBlank(value) ? Variant(Integer(0)) : value);
}

bool TqzCustomSpinEditProperties::TextToValue(const String& text, Variant& value) {
    if (GetValueType() == vtInt) {
        for (char c : text)
            if (!(c == '-' || c == '+' || (c >= '0' && c <= '9'))) return false;
        Int64 number = 0;
        if (!TryStrToInt64(text, number)) return false;
        value = Variant(number);
        return true;
    }
    Extended number = 0;
    if (!TryStrToFloat(text, number)) return false;
    if (number < -kFloatLimit || number > kFloatLimit) return false;
    value = Variant(double(number));
    return true;
}

bool TqzCustomSpinEditProperties::IsEditValueValid(Variant& value, bool editing) {
    try {
        if (IsBlank(value) || VarType(value) == varDate) {
            Variant prepared;
            PrepareValue(value, prepared);
            value = NormalizeValue(prepared);
            return true;
        }
        if (!VarIsStr(value) && !VarIsNumeric(value)) return false;
        Variant parsed;
        if (!TextToValue(VarToStr(value), parsed)) return false;
        Variant prepared;
        PrepareValue(value, prepared);
        value = NormalizeValue(prepared);
        return true;
    } catch (const Exception&) {
        return false;
    }
}

bool TqzCustomSpinEditProperties::IsTextValueValid(Variant& value, bool editing) {
    if (!inherited::IsTextValueValid(value, editing)) return false;
    if (!ChecksTextBounds()) return true;
    const String text = VarToStr(value);
    if (text.empty()) return true;
    try {
        Variant number;
        if (!TextToValue(text, number)) return false;
        if (ClampToBounds(number) != number) value = VarToStr(number);
        return true;
    } catch (const EConvertError&) {
        return false;
    }
}

void TqzCustomSpinEditProperties::ValidateDisplayValue(Variant& displayValue, String& errorText, bool& error,
                                                       TqzCustomEdit* editor) {
    auto* spin = dynamic_cast<TqzCustomSpinEdit*>(editor);
    Variant value;
    if (spin && spin->IsTypedText())
        error = !spin->TextToValueChecked(VarToStr(displayValue), false, errorText, value);
    else if (spin)
        value = spin->GetInternalValue();
    else
        value = displayValue;
    if (!error) {
        if (VarIsNull(value)) value = ClampToBounds(ConvertToValueType(Variant(Integer(0))));
        displayValue = VarToStr(value);
        Variant minValue, maxValue;
        GetMinValueOfType(minValue);
        GetMaxValueOfType(maxValue);
        if (VarIsNumeric(value) &&
            (CompareVariantValues(value, minValue) < 0 || CompareVariantValues(value, maxValue) > 0)) {
            error = true;
            errorText = LocalizeSuiteText("Value out of bounds");
        }
    }
    RunValidateHandlers(displayValue, errorText, error, editor);
}

void TqzCustomSpinEditProperties::GetDefaultDisplayValue(Variant& value) {
    value = VarToStr(ClampToBounds(ConvertToValueType(Variant(Integer(0)))));
}

Integer TqzCustomSpinEditProperties::GetEditorKeyPressedButton() {
    auto* editor = dynamic_cast<TqzCustomSpinEdit*>(GetOwner());
    return editor ? editor->GetKeyPressedButton() : 0;
}

void TqzCustomSpinEditProperties::SetCanEdit(bool value) {
    if (FCanEdit == value) return;
    FCanEdit = value;
    Changed();
}

void TqzCustomSpinEditProperties::SetCircular(bool value) {
    if (FCircular == value) return;
    FCircular = value;
    Changed();
}

void TqzCustomSpinEditProperties::SetIncrement(double value) {
    if (FIncrement == value) return;
    FIncrement = value;
    Changed();
}

void TqzCustomSpinEditProperties::SetLargeIncrement(double value) {
    if (FLargeIncrement == value) return;
    FLargeIncrement = value;
    Changed();
}

TqzSpinEditValueType TqzCustomSpinEditProperties::GetValueType() {
    if (GetSpinAssignedValues()->GetValueType()) return FValueType;
    IqzEditDefaultValuesProvider* provider = GetDefaultValuesProvider();
    if (!provider) return vtFloat;
    return provider->IsFloatValueSource() ? vtFloat : vtInt;
}

void TqzCustomSpinEditProperties::SetValueType(TqzSpinEditValueType value) {
    TqzSpinEditPropertiesValues* values = GetSpinAssignedValues();
    if (values->GetValueType() && FValueType == value) return;
    BeginUpdate();
    values->SetValueType(true);
    FValueType = value;
    EndUpdate(false);
    Changed();
}

KOV_PUBLISHED(TqzCustomSpinEditProperties) {}

KOV_PUBLISHED(TqzSpinEditProperties) {
    Property("AssignedValues", &TqzSpinEditProperties::GetSpinAssignedValues,
             &TqzSpinEditProperties::SetSpinAssignedValues);
    Property("CanEdit", &TqzSpinEditProperties::GetCanEdit, &TqzSpinEditProperties::SetCanEdit).Default(true);
    Property("DisplayFormat", &TqzSpinEditProperties::GetDisplayFormat,
             &TqzSpinEditProperties::SetDisplayFormat)
        .Stored(&TqzSpinEditProperties::IsDisplayFormatStored);
    Property("EchoMode", &TqzSpinEditProperties::GetEchoMode, &TqzSpinEditProperties::SetEchoMode)
        .Default(eemNormal);
    Property("EditFormat", &TqzSpinEditProperties::GetEditFormat, &TqzSpinEditProperties::SetEditFormat)
        .Stored(&TqzSpinEditProperties::IsEditFormatStored);
    Property("ExceptionOnInvalidInput", &TqzSpinEditProperties::GetExceptionOnInvalidInput,
             &TqzSpinEditProperties::SetExceptionOnInvalidInput)
        .Default(false);
    Property("HideSelection", &TqzSpinEditProperties::GetHideSelection,
             &TqzSpinEditProperties::SetHideSelection)
        .Default(true);
    Property("ImeMode", &TqzSpinEditProperties::GetImeMode, &TqzSpinEditProperties::SetImeMode)
        .Default(imDontCare);
    Property("ImeName", &TqzSpinEditProperties::GetImeName, &TqzSpinEditProperties::SetImeName)
        .TypeName("TImeName");
    Property("Increment", &TqzSpinEditProperties::GetIncrement, &TqzSpinEditProperties::SetIncrement)
        .Stored(&TqzSpinEditProperties::IsIncrementStored);
    Property("LargeIncrement", &TqzSpinEditProperties::GetLargeIncrement,
             &TqzSpinEditProperties::SetLargeIncrement)
        .Stored(&TqzSpinEditProperties::IsLargeIncrementStored);
    Property("MaxValue", &TqzSpinEditProperties::GetMaxValue, &TqzSpinEditProperties::SetMaxValue)
        .Stored(&TqzSpinEditProperties::IsMaxValueStored);
    Property("MinValue", &TqzSpinEditProperties::GetMinValue, &TqzSpinEditProperties::SetMinValue)
        .Stored(&TqzSpinEditProperties::IsMinValueStored);
    Property("PasswordChar", &TqzSpinEditProperties::GetPasswordChar, &TqzSpinEditProperties::SetPasswordChar)
        .Default(char(0));
    Property("SpinButtons", &TqzSpinEditProperties::GetSpinButtons, &TqzSpinEditProperties::SetSpinButtons);
    Property("UseCtrlIncrement", &TqzSpinEditProperties::GetUseCtrlIncrement,
             &TqzSpinEditProperties::SetUseCtrlIncrement)
        .Default(false);
    Property("UseDisplayFormatWhenEditing", &TqzSpinEditProperties::GetUseDisplayFormatWhenEditing,
             &TqzSpinEditProperties::SetUseDisplayFormatWhenEditing)
        .Default(false);
    Property("ValidateOnEnter", &TqzSpinEditProperties::ValidateOnEnter).Default(true);
    Property("ValueType", &TqzSpinEditProperties::GetValueType, &TqzSpinEditProperties::SetValueType)
        .Stored(&TqzSpinEditProperties::IsValueTypeStored);
    Property("OnGetValue", &TqzSpinEditProperties::OnGetValue);
}

// ---- The editor ------------------------------------------------------------------------------

namespace {

constexpr Integer kRepeatDelay = 400;
constexpr Integer kRepeatInterval = 100;

bool IsSpinKey(Word key) { return key == VK_UP || key == VK_DOWN || key == VK_PRIOR || key == VK_NEXT; }

// Wide arithmetic on values of the value type: 128-bit integers or long doubles, so that no step
// and no bound distance overflows.
struct TSpinNumber {
    bool IsInt = false;
    __int128 I = 0;
    long double F = 0;
};

TSpinNumber ToNumber(const Variant& value, bool isInt) {
    TSpinNumber n;
    n.IsInt = isInt;
    if (isInt)
        n.I = value.AsInt64();
    else
        n.F = value.AsExtended();
    return n;
}

Variant FromNumber(const TSpinNumber& n) {
    if (!n.IsInt) return Variant(double(n.F));
    __int128 v = n.I;
    if (v > kIntMax) v = kIntMax;
    if (v < kIntMin) v = kIntMin;
    return Variant(Int64(v));
}

} // namespace

TqzCustomSpinEdit::TqzCustomSpinEdit(TComponent* owner) : TqzCustomSpinEdit(owner, false) {}

TqzCustomSpinEdit::TqzCustomSpinEdit(TComponent* owner, bool isInplace)
    : TqzCustomSpinEdit(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomSpinEdit::TqzCustomSpinEdit(TComponent* owner, bool isInplace, bool)
    : TqzCustomMaskEdit(owner, isInplace, true) {}

TqzCustomSpinEdit::~TqzCustomSpinEdit() {
    delete FRepeatTimer;
    FRepeatTimer = nullptr;
}

void TqzCustomSpinEdit::Initialize() {
    inherited::Initialize();
    SetEditValueAsUser(Variant(Integer(0)));
    FKeyPressedButton = 0;
}

TqzCustomSpinEditProperties* TqzCustomSpinEdit::GetActiveSpinProperties() {
    if (auto* active = dynamic_cast<TqzCustomSpinEditProperties*>(GetActiveProperties())) return active;
    return GetSpinProperties();
}

bool TqzCustomSpinEdit::HasGetValueHandler() {
    if (GetSpinProperties()->OnGetValue) return true;
    if (!GetRepositoryItem()) return false;
    auto* item = dynamic_cast<TqzCustomSpinEditProperties*>(GetRepositoryItem()->GetProperties());
    return item && item->OnGetValue;
}

bool TqzCustomSpinEdit::IsValueStored() {
    return !VariantValuesEqualBoolAsText(GetValue(), Variant(Integer(0)));
}

// -- Values --

double TqzCustomSpinEdit::StepForButton(Integer index) {
    TqzCustomSpinEditProperties* properties = GetActiveSpinProperties();
    double step = index < 2 ? properties->GetIncrement() : properties->GetLargeIncrement();
    if (properties->GetValueType() == vtInt) step = double(RoundToInt64(step));
    if (index == 0 || index == 2) step = -step;
    return step;
}

Variant TqzCustomSpinEdit::GetValue() {
    TqzCustomSpinEditProperties* properties = GetActiveSpinProperties();
    Variant value;
    if (IsEditFocused()) {
        if (FTypedText) {
            bool isValid = true;
            DisplayToEditValue(Variant(GetText()), value, isValid);
        } else {
            value = FInternalValue;
        }
        if (!VarIsNumeric(value)) value = Variant(Integer(0));
    } else {
        value = GetEditValue();
        if (VarIsStr(value) && !VarToStr(value).empty()) {
            Variant parsed;
            value = properties->TextToValue(VarToStr(value), parsed) ? parsed : Variant(Integer(0));
        } else if (!VarIsNumeric(value)) {
            value = properties->ClampToBounds(properties->ConvertToValueType(Variant(Integer(0))));
        }
    }
    return properties->NormalizeValue(value);
}

String TqzCustomSpinEdit::ValueToDisplayText(const Variant& value) {
    Variant display;
    GetActiveSpinProperties()->PrepareDisplayValue(value, display, IsEditFocused());
    return VarToStr(display);
}

void TqzCustomSpinEdit::SetValue(const Variant& value) {
    if (!VarIsNumeric(value)) return;
    Variant copy = value;
    if (GetActiveSpinProperties()->IsEditValueValid(copy, IsEditFocused())) SetEditValueAsUser(copy);
}

bool TqzCustomSpinEdit::TextToValueChecked(const String& text, bool raise, String& errorText,
                                           Variant& value) {
    TqzCustomSpinEditProperties* properties = GetActiveSpinProperties();
    if (text.empty()) {
        IqzEditDefaultValuesProvider* provider = properties->GetDefaultValuesProvider();
        if (provider && provider->GetDefaultRequired())
            value = properties->ClampToBounds(properties->ConvertToValueType(Variant(Integer(0))));
        else
            value = Null();
        return true;
    }
    bool error = !properties->TextToValue(text, value);
    if (error && HasGetValueHandler()) {
        errorText.clear();
        const TLivenessToken alive = LivenessToken();
        try {
            if (GetSpinProperties()->OnGetValue)
                GetSpinProperties()->OnGetValue(this, text, value, errorText, error);
            if (alive && GetRepositoryItem()) {
                auto* item = dynamic_cast<TqzCustomSpinEditProperties*>(GetRepositoryItem()->GetProperties());
                if (item && item->OnGetValue) item->OnGetValue(this, text, value, errorText, error);
            }
        } catch (const Exception& e) {
            if (raise) throw Exception(e.Message);
            errorText = e.Message;
            error = true;
        }
        if (!alive) return !error;
    }
    if (error) {
        if (errorText.empty()) errorText = LocalizeSuiteText("Invalid numeric value");
        if (!properties->GetExceptionOnInvalidInput()) errorText.clear();
        if (raise && properties->GetExceptionOnInvalidInput()) throw Exception(errorText);
        value = FInternalValue;
    }
    value = properties->NormalizeValue(value);
    return !error;
}

Variant TqzCustomSpinEdit::StepLimit(const Variant& value, bool maximum) {
    TqzCustomSpinEditProperties* properties = GetActiveSpinProperties();
    const bool isInt = properties->GetValueType() == vtInt;
    Variant bound;
    if (maximum)
        properties->GetMaxValueOfType(bound);
    else
        properties->GetMinValueOfType(bound);
    TSpinNumber b = ToNumber(bound, isInt), v = ToNumber(value, isInt), limit;
    limit.IsInt = isInt;
    // The distance is exact in the wide type; it is kept as a long double for the caller.
    if (isInt) return Variant(double(static_cast<long double>(b.I - v.I)));
    limit.F = b.F - v.F;
    return Variant(double(limit.F));
}

bool TqzCustomSpinEdit::AddStep(Variant& value, double step) {
    TqzCustomSpinEditProperties* properties = GetActiveSpinProperties();
    const bool isInt = properties->GetValueType() == vtInt;
    Variant minVariant, maxVariant;
    properties->GetMinValueOfType(minVariant);
    properties->GetMaxValueOfType(maxVariant);
    const TSpinNumber minValue = ToNumber(minVariant, isInt), maxValue = ToNumber(maxVariant, isInt);
    TSpinNumber v = ToNumber(value, isInt);
    TSpinNumber d;
    d.IsInt = isInt;
    if (isInt) {
        const Int64 rounded = RoundToInt64(step);
        d.I = rounded;
        const __int128 lo = minValue.I - v.I, hi = maxValue.I - v.I;
        if (d.I >= lo && d.I <= hi) {
            v.I += d.I;
        } else {
            switch (properties->GetOutOfRangeMode()) {
            case 0:
                return false;
            case 1:
                v.I = d.I >= lo ? maxValue.I : minValue.I;
                break;
            default: {
                const __int128 period = maxValue.I - minValue.I + 1;
                __int128 offset = (v.I + d.I - minValue.I) % period;
                if (offset < 0) offset += period;
                v.I = minValue.I + offset;
                break;
            }
            }
        }
    } else {
        d.F = step;
        const long double lo = minValue.F - v.F, hi = maxValue.F - v.F;
        if (d.F >= lo && d.F <= hi) {
            v.F += d.F;
        } else {
            switch (properties->GetOutOfRangeMode()) {
            case 0:
                return false;
            case 1:
                v.F = d.F >= lo ? maxValue.F : minValue.F;
                break;
            default: {
                const long double period = maxValue.F - minValue.F + 1;
                long double offset = std::fmod(v.F + d.F - minValue.F, period);
                if (offset < 0) offset += period;
                v.F = minValue.F + offset;
                break;
            }
            }
        }
    }
    value = FromNumber(v);
    return true;
}

bool TqzCustomSpinEdit::CalcSpinValue(Integer index, Variant& value) {
    TqzCustomSpinEditProperties* properties = GetActiveSpinProperties();
    const bool up = index == 1 || index == 3;
    const bool wrap = properties->GetOutOfRangeMode() == 2;
    Variant minValue, maxValue;
    properties->GetMinValueOfType(minValue);
    properties->GetMaxValueOfType(maxValue);
    Variant v = GetValue();
    if (CompareVariantValues(v, minValue) < 0) {
        if (up)
            v = minValue;
        else if (wrap)
            v = maxValue;
        else
            return false;
    } else if (CompareVariantValues(v, maxValue) > 0) {
        if (!up)
            v = maxValue;
        else if (wrap)
            v = minValue;
        else
            return false;
    } else if (!AddStep(v, StepForButton(index))) {
        return false;
    }
    value = properties->NormalizeValue(v);
    return true;
}

bool TqzCustomSpinEdit::SpinByButton(Integer index) {
    const TLivenessToken alive = LivenessToken();
    LockChangeEvents(true);
    bool result = false;
    try {
        Variant value;
        if (RequestEditing() && alive && CalcSpinValue(index, value)) {
            const String oldText = GetText();
            const String newText = ValueToDisplayText(value);
            const Integer selStart = GetSelStart(), selLength = GetSelLength();
            FInternalValue = value;
            const bool savedUserChange = IsUserChange();
            SetUserChange(true);
            DisplayValueToInnerEdit(Variant(newText));
            if (alive) SetUserChange(savedUserChange);
            if (alive && GetText() != oldText) {
                result = true;
                SetModifiedAfterEntry(true);
                if (GetActiveSpinProperties()->KeepsSelectionOnSpin())
                    SetSelection(selStart, selLength);
                else
                    SetSelStart(Utf8Length(GetText()));
                if (alive && GetActiveSpinProperties()->ImmediatePost && HasPendingModification()) {
                    if (ValidateEditing() && alive) {
                        PostEditValue(false);
                        if (alive) SynchronizeDisplayValue();
                    }
                }
            }
        }
    } catch (...) {
        if (alive) LockChangeEvents(false);
        throw;
    }
    if (alive) LockChangeEvents(false);
    return result;
}

void TqzCustomSpinEdit::ClampValueToBounds() {
    TqzCustomSpinEditProperties* properties = GetActiveSpinProperties();
    Variant minValue, maxValue;
    properties->GetMinValueOfType(minValue);
    properties->GetMaxValueOfType(maxValue);
    const Variant value = GetValue();
    if (CompareVariantValues(value, minValue) < 0)
        SetValue(minValue);
    else if (CompareVariantValues(value, maxValue) > 0)
        SetValue(maxValue);
}

// -- Spinning --

void TqzCustomSpinEdit::RecalculateAtCursor() {
    if (!HandleAllocated()) return;
    POINT p{};
    GetCursorPos(&p);
    p = ScreenToClient(p);
    UpdateViewState(TPoint{p.x, p.y}, 0, TShiftState(), false);
}

void TqzCustomSpinEdit::SetKeyPressedButton(Integer value) {
    if (GetActiveSpinProperties()->GetButtons()->GetCount() == 0 || FKeyPressedButton == value) return;
    FKeyPressedButton = value;
    RecalculateAtCursor();
    if (!HandleAllocated()) return;
    TqzCustomEditViewInfo* info = GetViewInfo();
    for (Integer i = 0; i < info->GetButtonCount(); ++i) {
        const TRect r = info->GetButtonInfo(i)->Bounds;
        InvalidateRect(GetHandle(), &r, FALSE);
    }
}

void TqzCustomSpinEdit::StopSpinning() {
    FCapturedButtonIndex = -1;
    FKeyPressedButton = 0;
    TqzCustomEditViewInfo* info = GetViewInfo();
    for (Integer i = 0; info && i < std::min<Integer>(2, info->GetButtonCount()); ++i) {
        TqzEditButtonViewInfo* button = info->GetButtonInfo(i);
        if (button->Data.State != qzebsPressed) continue;
        button->Data.State = qzebsNormal;
        if (HandleAllocated()) InvalidateRect(GetHandle(), &button->Bounds, FALSE);
    }
    if (info) info->PressedButton = -1;
    delete FRepeatTimer;
    FRepeatTimer = nullptr;
    if (HandleAllocated() && GetCapture() == GetHandle()) ReleaseCapture();
}

void TqzCustomSpinEdit::HandleButtonPress(Integer index) {
    inherited::HandleButtonPress(index);
    TqzCustomEditViewInfo* info = GetViewInfo();
    if (FKeyPressedButton != 0 || !info || info->PressedButton == -1) return;
    const TLivenessToken alive = LivenessToken();
    SpinByButton(info->GetButtonInfo(info->PressedButton)->ButtonIndex);
    if (!alive) return;
    if (GetActiveSpinProperties()->GetReadOnly() || !GetDataBinding()->CanModify()) return;
    delete FRepeatTimer;
    FRepeatTimer = new TqzTimer(nullptr);
    FRepeatTimer->SetInterval(kRepeatDelay);
    FRepeatTimer->SetOnTimer(MakeEvent(this, &TqzCustomSpinEdit::RepeatTimerFired));
    FRepeatTimer->SetEnabled(true);
}

void TqzCustomSpinEdit::RepeatTimerFired(TObject*) {
    if (FRepeatTimer && FRepeatTimer->GetInterval() != kRepeatInterval)
        FRepeatTimer->SetInterval(kRepeatInterval);
    TqzCustomEditViewInfo* info = GetViewInfo();
    if (info && info->PressedButton != -1)
        SpinByButton(info->GetButtonInfo(info->PressedButton)->ButtonIndex);
}

bool TqzCustomSpinEdit::UpdateViewState(const TPoint& point, Integer button, TShiftState shift,
                                        bool isMouseEvent) {
    const TLivenessToken alive = LivenessToken();
    const bool result = inherited::UpdateViewState(point, button, shift, isMouseEvent);
    if (!alive) return result;
    TqzCustomEditViewInfo* info = GetViewInfo();
    if (info && info->GetButtonCount() > 0 && info->PressedButton == -1 && GetCapturedButtonIndex() == -1 &&
        (FRepeatTimer || FKeyPressedButton == 0))
        StopSpinning();
    return result;
}

bool TqzCustomSpinEdit::HandleMouseWheel(TShiftState shift, Integer wheelDelta, POINT mousePos) {
    if (!CanUseMouseWheel(shift)) return inherited::HandleMouseWheel(shift, wheelDelta, mousePos);
    SpinByButton(wheelDelta < 0 ? 0 : 1);
    return true;
}

void TqzCustomSpinEdit::HandleMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleMouseUp(button, shift, x, y);
    if (alive) StopSpinning();
}

void TqzCustomSpinEdit::HandleDblClick() {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleDblClick();
    if (!alive || !HandleAllocated()) return;
    POINT p{};
    GetCursorPos(&p);
    p = ScreenToClient(p);
    if (GetButtonIndexAt(TPoint{p.x, p.y}) == -1) StopSpinning();
}

void TqzCustomSpinEdit::HandleFocusChange() {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleFocusChange();
    if (alive) StopSpinning();
}

// -- Keys and characters --

bool TqzCustomSpinEdit::AcceptsChar(char32_t ch) {
    TqzCustomSpinEditProperties* properties = GetActiveSpinProperties();
    if (properties->GetCanEdit() && HasGetValueHandler()) return true;
    if (!properties->GetCanEdit() && (ch == 8 || ch >= 32)) return false;
    if (ch < 32) return true;
    if (properties->GetValueType() == vtFloat) return IsNumericInputChar(ch, 2);
    return IsNumericInputChar(ch, 0) || ch == U'e' || ch == U'E';
}

void TqzCustomSpinEdit::HandleEditKeyPress(char32_t& ch) {
    if (ch == U'.' || ch == U',') ch = char32_t(static_cast<unsigned char>(FormatSettings.DecimalSeparator));
    if (IsPrintableChar(ch) || ch == 8 || ch == U'.') {
        if (AcceptsChar(ch)) {
            FTypedKey = true;
        } else {
            ch = 0;
            MessageBeep(0);
            return;
        }
    }
    inherited::HandleEditKeyPress(ch);
}

void TqzCustomSpinEdit::HandleEditKeyDown(Word& key, TShiftState shift) {
    FTypedKey = false;
    TqzCustomSpinEditProperties* properties = GetActiveSpinProperties();
    if (IsSpinKey(key) && (!properties->GetUseCtrlIncrement() || shift.Contains(ssCtrl))) {
        if (!GetDataBinding()->IsModified() && !RequestEditing()) return;
        Integer index = 0;
        switch (key) {
        case VK_PRIOR:
            index = 3;
            break;
        case VK_UP:
            index = 1;
            break;
        case VK_DOWN:
            index = 0;
            break;
        default:
            index = 2;
            break;
        }
        const TLivenessToken alive = LivenessToken();
        SetKeyPressedButton(index + 1);
        if (HandleAllocated() && GetCapture() == GetHandle()) ReleaseCapture();
        SpinByButton(index);
        if (alive) key = 0;
        return;
    }
    StopSpinning();
    if (key != VK_ESCAPE) FTypedKey = true;
    if (!properties->GetCanEdit() && IsEditingKey(key, shift)) {
        FireAfterKeyDownEvent(key, shift);
        key = 0;
        return;
    }
    inherited::HandleEditKeyDown(key, shift);
}

void TqzCustomSpinEdit::HandleEditKeyUp(Word& key, TShiftState shift) {
    FTypedKey = false;
    const Word original = key;
    const TLivenessToken alive = LivenessToken();
    inherited::HandleEditKeyUp(key, shift);
    if (alive && IsSpinKey(original)) StopSpinning();
}

void TqzCustomSpinEdit::CutToClipboard() {
    if (IsUserChange() && !GetActiveSpinProperties()->GetCanEdit()) return;
    inherited::CutToClipboard();
}

void TqzCustomSpinEdit::PasteFromClipboard() {
    if (IsUserChange() && !GetActiveSpinProperties()->GetCanEdit()) return;
    const TLivenessToken alive = LivenessToken();
    FTypedKey = true;
    try {
        inherited::PasteFromClipboard();
    } catch (...) {
        if (alive) FTypedKey = false;
        throw;
    }
    if (alive) FTypedKey = false;
}

void TqzCustomSpinEdit::HandleContentChange(TObject* sender) {
    FTypedText = FTypedKey;
    const TLivenessToken alive = LivenessToken();
    inherited::HandleContentChange(sender);
    if (alive) FTypedKey = false;
}

void TqzCustomSpinEdit::DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool&) {
    String errorText;
    TextToValueChecked(VarToStr(displayValue), true, errorText, editValue);
}

void TqzCustomSpinEdit::SynchronizeDisplayValue() {
    TqzCustomSpinEditProperties* properties = GetActiveSpinProperties();
    Variant value = GetEditValue();
    if (properties->IsEditValueValid(value, IsEditFocused()))
        properties->PrepareValue(value, FInternalValue);
    else
        FInternalValue = properties->ClampToBounds(properties->ConvertToValueType(Variant(Integer(0))));
    inherited::SynchronizeDisplayValue();
}

void TqzCustomSpinEdit::RefreshEditValueFromDisplay() {
    inherited::RefreshEditValueFromDisplay();
    FInternalValue = GetEditValue();
}

void TqzCustomSpinEdit::ApplyActiveProperties(TObject* properties) {
    const TLivenessToken alive = LivenessToken();
    inherited::ApplyActiveProperties(properties);
    if (alive && !GetComponentState().Contains(csDesigning) && GetModifiedAfterEnter()) ClampValueToBounds();
}

KOV_PUBLISHED(TqzCustomSpinEdit) {}

TqzSpinEdit::TqzSpinEdit(TComponent* owner) : TqzCustomSpinEdit(owner, false, true) { InitializeEditor(); }

TqzSpinEdit::TqzSpinEdit(TComponent* owner, bool isInplace) : TqzCustomSpinEdit(owner, isInplace, true) {
    InitializeEditor();
}

KOV_PUBLISHED(TqzSpinEdit) {
    Property("BeepOnEnter", &TqzSpinEdit::GetBeepOnEnter, &TqzSpinEdit::SetBeepOnEnter).Default(true);
    Property("ImeMode", &TqzSpinEdit::GetImeMode, &TqzSpinEdit::SetImeMode).Default(imDontCare);
    Property("ImeName", &TqzSpinEdit::GetImeName, &TqzSpinEdit::SetImeName).TypeName("TImeName");
    Property("Properties", &TqzSpinEdit::GetProperties, &TqzSpinEdit::SetProperties);
    Property("Value", &TqzSpinEdit::GetValue, &TqzSpinEdit::SetValue).Stored(&TqzSpinEdit::IsValueStored);
}

// ---- View data -------------------------------------------------------------------------------

TqzCustomEditViewData* TqzSpinEditViewData::CreateInstance(TqzCustomEditProperties* properties,
                                                           TqzCustomEditStyle* style, bool isInplace) {
    auto* viewData = CreateEditViewData<TqzSpinEditViewData>(properties, style, isInplace);
    if (auto* spin = dynamic_cast<TqzCustomSpinEditProperties*>(properties))
        static_cast<TqzSpinEditViewData*>(viewData)->KeyPressedButton = spin->GetEditorKeyPressedButton();
    return viewData;
}

Integer TqzSpinEditViewData::GetKeyPressedButton() {
    if (auto* spin = dynamic_cast<TqzCustomSpinEdit*>(Edit)) return spin->GetKeyPressedButton();
    return KeyPressedButton;
}

bool TqzSpinEditViewData::CanPressButton(TqzCustomEditViewInfo*, Integer) {
    return GetKeyPressedButton() == 0;
}

bool TqzSpinEditViewData::IsButtonPressed(TqzCustomEditViewInfo*, Integer index) {
    return GetKeyPressedButton() == index + 1;
}

void TqzSpinEditViewData::CalculateButtonViewInfo(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo,
                                                  TRect& r, Integer index) {
    inherited::CalculateButtonViewInfo(canvas, viewInfo, r, index);
    auto* properties = static_cast<TqzCustomSpinEditProperties*>(GetProperties());
    TqzEditButtonViewInfo* info = viewInfo->GetButtonInfo(index);
    if (properties->GetSpinButtons()->GetPosition() == sbpHorzLeftRight &&
        (info->ButtonIndex == 0 || info->ButtonIndex == 2))
        info->Data.LeftAlignment = true;
}

void TqzSpinEditViewData::CalculateButtonBounds(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, TRect& r,
                                                Integer index) {
    if (index != ButtonVisibleCount - 1) return;
    PlaceButtons(canvas, viewInfo, r);
}

void TqzSpinEditViewData::PlaceButtons(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, TRect r) {
    auto* properties = static_cast<TqzCustomSpinEditProperties*>(GetProperties());
    auto* info = dynamic_cast<TqzSpinEditViewInfo*>(viewInfo);
    const TqzSpinEditButtonsPosition position = properties->GetSpinButtons()->GetPosition();
    const bool fast = viewInfo->GetButtonCount() >= 4;
    if (viewInfo->GetButtonCount() < 2) return;
    if (canvas) canvas->SelectFont(FStyle->GetEffectiveFont());
    const Integer wd = GetEditButtonWidth(canvas, viewInfo->GetButtonInfo(viewInfo->GetButtonCount() - 1));
    const bool native = IsNativeStyleUsable(NativeStyle, ttSpin);
    Integer w = 0;
    if (native) {
        TSize margins{};
        GetContentMargins(margins);
        TRect client{}, buttonsOnly{};
        GetClientExtent(canvas, viewInfo, client);
        GetButtonsOnlyBorderExtent(canvas, buttonsOnly);
        const Integer textHeight = canvas ? canvas->TextHeightOf("Zg") : 13;
        const Integer h =
            margins.cy + textHeight + client.top + client.bottom - buttonsOnly.top - buttonsOnly.bottom - 1;
        w = h / 2 + (h & 1);
    } else {
        const TSize arrow = CalculateArrowSize(TSize{wd + 2, RectHeight(r) / 2 + 2}, adUp);
        if (info) info->ArrowSize = arrow.cy;
        w = 4 * arrow.cy - 3;
    }
    const Integer f = 3 * w / 2 + ((3 * w) & 1);
    const Integer n = native ? 1 : 0;
    auto button = [&](Integer i) -> TqzEditButtonViewInfo* { return viewInfo->GetButtonInfo(i); };

    if (fast) {
        button(3)->Bounds = TRect{r.right - f, r.top, r.right, r.bottom};
        r.right = button(3)->Bounds.left;
    }
    TRect& up = button(1)->Bounds;
    TRect& down = button(0)->Bounds;
    if (position == sbpVert) {
        up = TRect{r.right - wd, r.top, r.right, r.top + (r.bottom - r.top - n) / 2};
        down = TRect{r.right - wd, up.bottom + n, r.right, r.bottom};
        r.right = down.left;
    } else {
        up = TRect{r.right - w, r.top, r.right, r.bottom};
        r.right = up.left - n;
    }
    switch (position) {
    case sbpHorzLeftRight:
        if (fast) {
            button(2)->Bounds = TRect{r.left, r.top, r.left + f, r.bottom};
            r.left = button(2)->Bounds.right;
        }
        down = TRect{r.left, r.top, r.left + w, r.bottom};
        break;
    case sbpHorzRight:
        down = TRect{r.right - w, r.top, r.right, r.bottom};
        r.right = down.left;
        if (fast) button(2)->Bounds = TRect{r.right - f, r.top, r.right, r.bottom};
        break;
    default:
        if (fast) button(2)->Bounds = TRect{r.right - f, r.top, r.right, r.bottom};
        break;
    }
    if (info) {
        info->ButtonsPosition = position;
        info->DelimiterLine[0] = TPoint{};
        info->DelimiterLine[1] = TPoint{};
        if (native && position == sbpHorzRight) {
            info->DelimiterLine[0] = TPoint{down.right, down.top};
            info->DelimiterLine[1] = TPoint{down.right, down.bottom - 1};
        } else if (native && position == sbpVert) {
            info->DelimiterLine[0] = TPoint{up.left, up.bottom};
            info->DelimiterLine[1] = TPoint{up.right - 1, up.bottom};
        }
    }
    for (Integer i = 0; i < viewInfo->GetButtonCount(); ++i) {
        TqzEditButtonViewInfo* b = button(i);
        if (!native)
            b->Data.NativePart = 0;
        else if (i == 0)
            b->Data.NativePart = position == sbpVert ? 2 : 4;
        else if (i == 1)
            b->Data.NativePart = position == sbpVert ? 1 : 3;
        else
            b->Data.NativePart = i == 2 ? 4 : 3;
        b->VisibleBounds = b->Bounds;
    }
}

void TqzSpinEditViewData::Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button,
                                    TShiftState shift, TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) {
    inherited::Calculate(canvas, bounds, p, button, shift, viewInfo, isMouseEvent);
    const bool native = IsNativeStyleUsable(NativeStyle, ttSpin);
    HTHEME theme = native ? OpenThemeForType(ttSpin) : nullptr;
    for (Integer i = 0; i < viewInfo->GetButtonCount(); ++i) {
        TqzEditButtonViewInfoData& data = viewInfo->GetButtonInfo(i)->Data;
        if (!native) {
            data.NativeState = 0;
            data.NativePartiallyTransparent = false;
            continue;
        }
        static constexpr Integer kStates[4] = {4, 1, 3, 2};
        data.NativeState = kStates[std::clamp<Integer>(data.State, 0, 3)];
        data.NativePartiallyTransparent =
            theme && IsThemeBackgroundPartiallyTransparent(theme, data.NativePart, data.NativeState);
    }
}

// ---- View info -------------------------------------------------------------------------------

TqzContainerViewInfo* TqzSpinEditViewInfo::CreateInstance() { return new TqzSpinEditViewInfo(); }

void TqzSpinEditViewInfo::CopyFrom(TqzContainerViewInfo* source) {
    inherited::CopyFrom(source);
    if (auto* other = dynamic_cast<TqzSpinEditViewInfo*>(source)) {
        ArrowSize = other->ArrowSize;
        ButtonsPosition = other->ButtonsPosition;
        DelimiterLine[0] = other->DelimiterLine[0];
        DelimiterLine[1] = other->DelimiterLine[1];
    }
}

void TqzSpinEditViewInfo::MoveBy(Integer dx, Integer dy) {
    inherited::MoveBy(dx, dy);
    if (DelimiterLine[0].x == 0 && DelimiterLine[0].y == 0 && DelimiterLine[1].x == 0 &&
        DelimiterLine[1].y == 0)
        return;
    for (TPoint& p : DelimiterLine) {
        p.x += dx;
        p.y += dy;
    }
}

void TqzSpinEditViewInfo::PaintBackground(TqzCanvas* canvas) {
    PaintTextEditViewInfo(canvas, this);
    if (GetButtonCount() > 0 && GetButtonInfo(0)->Data.NativePart != 0 && ButtonsPosition != sbpHorzLeftRight)
        DrawEditPolyLine(canvas, DelimiterLine, 1, false, BackgroundColor);
}

void TqzSpinEditViewInfo::DrawButtonFrame(TqzCanvas* canvas, Integer index, const TRect& rect,
                                          TqzEditButtonStyle style) {
    TqzEditButtonViewInfo* button = GetButtonInfo(index);
    if (button->Data.NativeState != 0) {
        if (HTHEME theme = OpenThemeForType(ttSpin))
            UxDrawThemeBackground(theme, canvas->DeviceContext(), button->Data.NativePart,
                                  button->Data.NativeState, &button->Bounds, nullptr);
        return;
    }
    switch (style) {
    case btsHotFlat:
        DrawHotFlatFrame(canvas, index, rect);
        break;
    case btsUltraFlat:
    case btsOffice11:
        DrawUltraFlatFrame(canvas, index, rect, style == btsOffice11);
        break;
    default:
        inherited::DrawButtonFrame(canvas, index, rect, style);
        break;
    }
}

void TqzSpinEditViewInfo::DrawButtonContent(TqzCanvas* canvas, Integer index, TColor faceColor,
                                            TColor contentColor, const TRect& content, const TRect& outer) {
    TqzEditButtonViewInfo* button = GetButtonInfo(index);
    if (button->Data.NativeState == 0) DrawButtonBackground(canvas, index, faceColor, outer);
    const Integer buttonIndex = button->ButtonIndex;
    Integer direction = adUp;
    if (buttonIndex == 2)
        direction = adLeft;
    else if (buttonIndex == 3)
        direction = adRight;
    else if (ButtonsPosition == sbpVert)
        direction = buttonIndex == 0 ? adDown : adUp;
    else
        direction = buttonIndex == 0 ? adLeft : adRight;
    const bool pressed = button->Data.State == qzebsPressed;
    const bool two = buttonIndex >= 2;
    Integer size = ArrowSize;
    if (size <= 0) size = CalculateArrowSize(TSize{RectWidth(content), RectHeight(content)}, direction).cy;
    if (button->Data.State == qzebsDisabled) {
        TRect shifted = content;
        OffsetRect(&shifted, 1, 1);
        DrawTriangleArrows(canvas, size, shifted, clBtnHighlight, false, two, direction);
        DrawTriangleArrows(canvas, size, content, clBtnShadow, false, two, direction);
        return;
    }
    DrawTriangleArrows(canvas, size, content, contentColor, pressed, two, direction);
}

void TqzSpinEditViewInfo::DrawHotFlatFrame(TqzCanvas* canvas, Integer index, const TRect& rect) {
    TqzEditButtonViewInfo* button = GetButtonInfo(index);
    const TqzEditButtonViewInfoData& data = button->Data;
    static constexpr TColor kFaces[4] = {clBtnFace, clBtnFace, clBtnText, clBtnShadow};
    static constexpr TColor kArrows[4] = {clBtnText, clBtnText, clBtnHighlight, clBtnHighlight};
    const Integer state = std::clamp<Integer>(data.State, 0, 3);
    const TColor face = data.Transparent ? data.BackgroundColor : kFaces[state];
    TColor arrow = kArrows[state];
    if (state == qzebsHot && data.Transparent) arrow = clBtnShadow;
    // Frame kinds by button count (2 or 4), position and button index.
    static constexpr Integer kKinds[2][3][4] = {
        {{1, 3, -1, -1}, {3, 2, -1, -1}, {7, 6, -1, -1}},
        {{1, 3, 0, 2}, {2, 2, 3, 2}, {5, 4, 3, 2}},
    };
    const Integer buttonIndex = std::clamp<Integer>(button->ButtonIndex, 0, 3);
    const Integer kind = kKinds[GetButtonCount() >= 4 ? 1 : 0][ButtonsPosition][buttonIndex];
    TRect r = rect;
    switch (kind) {
    case 0:
        DrawRectEdges(canvas, r, 1 | 2 | 8, clBtnShadow);
        DrawRectEdges(canvas, r, 4, face);
        break;
    case 2:
    case 4:
        DrawRectEdges(canvas, r, 2 | 4 | 8, clBtnShadow);
        DrawRectEdges(canvas, r, 1, face);
        break;
    case 5:
        DrawRectEdges(canvas, r, 4 | 8, clBtnShadow);
        DrawRectEdges(canvas, r, 1 | 2, face);
        break;
    case 7:
        DrawRectEdges(canvas, r, 1 | 4 | 8, clBtnShadow);
        DrawRectEdges(canvas, r, 2, face);
        break;
    default:
        canvas->FrameSides(r, clBtnShadow);
        InflateRect(&r, -1, -1);
        break;
    }
    DrawButtonContent(canvas, index, face, arrow, r, r);
}

void TqzSpinEditViewInfo::DrawUltraFlatFrame(TqzCanvas* canvas, Integer index, const TRect& rect,
                                             bool office) {
    TqzEditButtonViewInfo* button = GetButtonInfo(index);
    const TqzEditButtonViewInfoData& data = button->Data;
    const bool pressed = data.State == qzebsPressed;
    const bool pressedOrHot = pressed || data.State == qzebsHot;
    TColor face = clBtnFace;
    if (data.Transparent)
        face = data.BackgroundColor;
    else if (pressedOrHot)
        face = GetFlatButtonStateColor(pressed, office);
    else if (office && data.State == qzebsNormal)
        face = PainterClass<TqzOffice11LookAndFeelPainter>()->ButtonFaceColor(qzbsNormal);
    const bool four = GetButtonCount() >= 4;
    Integer choice = 0;
    switch (button->ButtonIndex) {
    case 0:
        if (ButtonsPosition == sbpVert)
            choice = four ? 4 : 6;
        else
            choice = !four && ButtonsPosition == sbpHorzLeftRight ? 0 : 1;
        break;
    case 1:
        if (ButtonsPosition == sbpVert)
            choice = four ? 3 : 5;
        else
            choice = four ? 1 : 2;
        break;
    case 2:
        choice = ButtonsPosition == sbpHorzLeftRight ? 0 : 1;
        break;
    default:
        choice = 2;
        break;
    }
    const TColor highlight = GetHighlightBorderColor(office);
    TRect r = rect;
    if (!pressedOrHot || (data.IsInplace && !HasInplaceOffsets)) {
        canvas->FrameSides(r, pressedOrHot ? highlight : data.BackgroundColor);
        InflateRect(&r, -1, -1);
    } else {
        const bool atLeft = r.left == BorderRect.left;
        Integer edges = 0;
        switch (choice) {
        case 0:
            edges = 4;
            break;
        case 1:
            edges = atLeft ? 4 : 1 | 4;
            break;
        case 2:
            edges = 1;
            break;
        case 3:
            edges = 1 | 4 | 8;
            break;
        case 4:
            edges = 1 | 2 | 4;
            break;
        case 5:
            edges = atLeft ? 8 : 8 | 1;
            break;
        default:
            edges = atLeft ? 2 : 2 | 1;
            break;
        }
        DrawRectEdges(canvas, r, edges, highlight);
    }
    DrawButtonContent(canvas, index, face, clBtnText, r, r);
}
