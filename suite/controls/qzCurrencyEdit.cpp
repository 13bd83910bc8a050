#include "suite/controls/qzCurrencyEdit.h"

#include <cmath>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzFormats.h"
#include "suite/foundation/qzControls.h"

namespace {

const bool kCurrencyEditClassesRegistered = [] {
    RegisterInterfacedPersistentClass<TqzCustomCurrencyEditProperties>();
    RegisterInterfacedPersistentClass<TqzCurrencyEditProperties>();
    RegisterClasses({TqzCurrencyEdit::StaticClass()});
    return true;
}();

// The unit's entry in the editor properties registry; made again when the editor unit was
// restarted (its end frees the registry).
void RegisterCurrencyEditProperties() {
    GetEditPropertiesRegistry()->Register(TqzCurrencyEditProperties::StaticClass(),
                                          "CurrencyEdit|Represents an editor enabling editing currency data");
}
const bool kCurrencyEditPropertiesRegistered = (RegisterCurrencyEditProperties(), true);

bool IsBlankValue(const Variant& value) {
    return VarIsNull(value) || VarIsEmpty(value) || (VarIsStr(value) && VarToStr(value).empty());
}

} // namespace

// ---- Properties ------------------------------------------------------------------------------

TqzCustomCurrencyEditProperties::TqzCustomCurrencyEditProperties(TPersistent* owner)
    : TqzCustomTextEditProperties(owner) {
    ValidateOnEnter = true;
    RegisterCurrencyEditProperties();
}

void TqzCustomCurrencyEditProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomCurrencyEditProperties*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        SetDecimalPlaces(other->GetDecimalPlaces());
        SetNullable(other->GetNullable());
        SetNullString(other->GetNullString());
        SetUseThousandSeparator(other->GetUseThousandSeparator());
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

TClass TqzCustomCurrencyEditProperties::GetContainerClass() const { return TqzCurrencyEdit::StaticClass(); }

void TqzCustomCurrencyEditProperties::GetDefaultDisplayFormat(String& format) {
    format = GetFormatController()->GetLocaleCurrencyFormat();
}

bool TqzCustomCurrencyEditProperties::UsesThousandSeparator(bool focused) {
    return !focused && FUseThousandSeparator;
}

Integer TqzCustomCurrencyEditProperties::GetEditValueSource(bool editing) {
    if (editing) return 0;
    IqzEditDefaultValuesProvider* provider = GetDefaultValuesProvider();
    return provider && provider->HasImplicitDisplayFormat() ? 1 : 0;
}

bool TqzCustomCurrencyEditProperties::TextToNumber(const String& text, double& value) {
    value = 0;
    String plain = text;
    RemoveThousandSeparators(plain);
    Extended number = 0;
    if (!TryStrToFloat(plain, number)) return false;
    const Extended magnitude = std::fabs(number);
    if (number != 0 && (magnitude < 5E-324L || magnitude > 1.7E308L)) return false;
    value = double(number);
    return true;
}

bool TqzCustomCurrencyEditProperties::IsEditValueValid(Variant& value, bool editing) {
    if (!editing) return true;
    try {
        bool currency = false, sourceFormat = false;
        String format;
        CalculateEditFormat(currency, sourceFormat, format, nullptr);
        if (!format.empty() || sourceFormat) return true;
        double number = 0;
        return TextToNumber(VarToStr(value), number);
    } catch (const Exception&) {
        return false;
    }
}

void TqzCustomCurrencyEditProperties::PrepareDisplayValue(const Variant& editValue, Variant& displayValue,
                                                          bool editing) {
    if (IsBlankValue(editValue)) {
        if (editing)
            displayValue = String();
        else if (FNullable)
            displayValue = FNullString;
        else
            inherited::PrepareDisplayValue(Variant(0.0), displayValue, editing);
        return;
    }
    try {
        inherited::PrepareDisplayValue(editValue, displayValue, editing);
    } catch (const EConvertError&) {
        displayValue = editing ? String() : VarToStr(editValue);
    } catch (const EVariantError&) {
        displayValue = editing ? String() : VarToStr(editValue);
    }
}

void TqzCustomCurrencyEditProperties::ValidateDisplayValue(Variant& displayValue, String& errorText,
                                                           bool& error, TqzCustomEdit* editor) {
    error = false;
    inherited::ValidateDisplayValue(displayValue, errorText, error, editor);
}

void TqzCustomCurrencyEditProperties::SetNullable(bool value) {
    if (FNullable == value) return;
    FNullable = value;
    Changed();
}

void TqzCustomCurrencyEditProperties::SetNullString(const String& value) {
    if (FNullString == value) return;
    FNullString = value;
    Changed();
}

void TqzCustomCurrencyEditProperties::SetUseThousandSeparator(bool value) {
    if (FUseThousandSeparator == value) return;
    FUseThousandSeparator = value;
    Changed();
}

KOV_PUBLISHED(TqzCustomCurrencyEditProperties) {}

KOV_PUBLISHED(TqzCurrencyEditProperties) {
    Property("AssignedValues", &TqzCurrencyEditProperties::GetAssignedValues,
             &TqzCurrencyEditProperties::SetAssignedValues);
    Property("DecimalPlaces", &TqzCurrencyEditProperties::GetDecimalPlaces,
             &TqzCurrencyEditProperties::SetDecimalPlaces)
        .Default(Integer(2));
    Property("DisplayFormat", &TqzCurrencyEditProperties::GetDisplayFormat,
             &TqzCurrencyEditProperties::SetDisplayFormat)
        .Stored(&TqzCurrencyEditProperties::IsDisplayFormatStored);
    Property("EchoMode", &TqzCurrencyEditProperties::GetEchoMode, &TqzCurrencyEditProperties::SetEchoMode)
        .Default(eemNormal);
    Property("EditFormat", &TqzCurrencyEditProperties::GetEditFormat,
             &TqzCurrencyEditProperties::SetEditFormat)
        .Stored(&TqzCurrencyEditProperties::IsEditFormatStored);
    Property("HideSelection", &TqzCurrencyEditProperties::GetHideSelection,
             &TqzCurrencyEditProperties::SetHideSelection)
        .Default(true);
    Property("ImeMode", &TqzCurrencyEditProperties::GetImeMode, &TqzCurrencyEditProperties::SetImeMode)
        .Default(imDontCare);
    Property("ImeName", &TqzCurrencyEditProperties::GetImeName, &TqzCurrencyEditProperties::SetImeName)
        .TypeName("TImeName");
    Property("MaxValue", &TqzCurrencyEditProperties::GetMaxValue, &TqzCurrencyEditProperties::SetMaxValue)
        .Stored(&TqzCurrencyEditProperties::IsMaxValueStored);
    Property("MinValue", &TqzCurrencyEditProperties::GetMinValue, &TqzCurrencyEditProperties::SetMinValue)
        .Stored(&TqzCurrencyEditProperties::IsMinValueStored);
    Property("Nullable", &TqzCurrencyEditProperties::GetNullable, &TqzCurrencyEditProperties::SetNullable)
        .Default(true);
    Property("NullString", &TqzCurrencyEditProperties::GetNullString,
             &TqzCurrencyEditProperties::SetNullString);
    Property("PasswordChar", &TqzCurrencyEditProperties::GetPasswordChar,
             &TqzCurrencyEditProperties::SetPasswordChar)
        .Default(char(0));
    Property("UseDisplayFormatWhenEditing", &TqzCurrencyEditProperties::GetUseDisplayFormatWhenEditing,
             &TqzCurrencyEditProperties::SetUseDisplayFormatWhenEditing)
        .Default(false);
    Property("UseThousandSeparator", &TqzCurrencyEditProperties::GetUseThousandSeparator,
             &TqzCurrencyEditProperties::SetUseThousandSeparator)
        .Default(false);
    Property("ValidateOnEnter", &TqzCurrencyEditProperties::ValidateOnEnter).Default(true);
}

// ---- The editor ------------------------------------------------------------------------------

TqzCustomCurrencyEdit::TqzCustomCurrencyEdit(TComponent* owner) : TqzCustomCurrencyEdit(owner, false) {}

TqzCustomCurrencyEdit::TqzCustomCurrencyEdit(TComponent* owner, bool isInplace)
    : TqzCustomCurrencyEdit(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomCurrencyEdit::TqzCustomCurrencyEdit(TComponent* owner, bool isInplace, bool)
    : TqzCustomTextEdit(owner, isInplace, true) {}

void TqzCustomCurrencyEdit::Initialize() {
    inherited::Initialize();
    TControlStyle style = GetControlStyle();
    style.Exclude(csSetCaption);
    SetControlStyle(style);
}

TqzCustomCurrencyEditProperties* TqzCustomCurrencyEdit::GetActiveCurrencyProperties() {
    if (auto* active = dynamic_cast<TqzCustomCurrencyEditProperties*>(GetActiveProperties())) return active;
    return GetCurrencyProperties();
}

void TqzCustomCurrencyEdit::DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool&) {
    TqzCustomCurrencyEditProperties* properties = GetActiveCurrencyProperties();
    const String text = VarToStr(displayValue);
    double number = 0;
    if (!text.empty() && text != properties->GetNullString() && properties->TextToNumber(text, number))
        editValue = number;
    else if (properties->GetNullable())
        editValue = Null();
    else
        editValue = Variant(Currency());
}

bool TqzCustomCurrencyEdit::AcceptsChar(char32_t ch) {
    if (ch < 32) return true;
    TqzCustomCurrencyEditProperties* properties = GetActiveCurrencyProperties();
    const char thousand = FormatSettings.ThousandSeparator;
    const char decimal = FormatSettings.DecimalSeparator;
    if (!IsNumericInputChar(ch, 2) &&
        !(properties->GetUseThousandSeparator() && ch == char32_t(static_cast<unsigned char>(thousand))))
        return false;
    bool currency = false, sourceFormat = false;
    String format;
    properties->CalculateEditFormat(currency, sourceFormat, format, this);
    if (!format.empty() || sourceFormat) return true;
    // The text the character would make: the selection removed, the character at the caret.
    const String text = GetText();
    const Integer selStart = GetSelStart();
    const Integer selLength = GetSelLength();
    const String rest =
        Utf8Copy(text, 1, selStart) + Utf8Copy(text, selStart + selLength + 1, Utf8Length(text));
    if (ch == U'-' && rest.empty()) return true;
    const String result =
        Utf8Copy(rest, 1, selStart) + Utf8FromCodePoint(ch) + Utf8Copy(rest, selStart + 1, Utf8Length(rest));
    const std::size_t p = result.find(decimal);
    if (p != String::npos) {
        const Integer pos = Integer(p) + 1; // the characters are all ASCII here
        String upper = result;
        for (char& c : upper)
            if (c == 'e') c = 'E';
        const std::size_t ePos = upper.find('E');
        const Integer e = ePos == String::npos ? 0 : Integer(ePos) + 1;
        const Integer decimals = pos < e ? e - pos - 1 : Integer(result.size()) - pos;
        if (decimals > properties->GetDecimalPlaces()) return false;
    }
    double number = 0;
    return properties->TextToNumber(result, number);
}

void TqzCustomCurrencyEdit::HandleEditKeyPress(char32_t& ch) {
    TqzCustomCurrencyEditProperties* properties = GetActiveCurrencyProperties();
    const char32_t thousand = char32_t(static_cast<unsigned char>(FormatSettings.ThousandSeparator));
    if (!(properties->GetUseThousandSeparator() && ch == thousand) && (ch == U',' || ch == U'.'))
        ch = char32_t(static_cast<unsigned char>(FormatSettings.DecimalSeparator));
    if (ch >= 32 && !AcceptsChar(ch)) {
        ch = 0;
        MessageBeep(0);
        return;
    }
    inherited::HandleEditKeyPress(ch);
}

void TqzCustomCurrencyEdit::PasteFromClipboard() {
    if (CanModify()) inherited::PasteFromClipboard();
}

void TqzCustomCurrencyEdit::ApplyActiveProperties(TObject* properties) {
    if (!IsEditFocused()) GetDataBinding()->UpdateDisplayValue();
    inherited::ApplyActiveProperties(properties);
}

double TqzCustomCurrencyEdit::GetValue() {
    const Variant editValue = GetEditValue();
    if (VarIsNull(editValue) || VarIsEmpty(editValue)) return 0;
    if (VarIsStr(editValue)) {
        Currency c;
        if (!TryStrToCurr(VarToStr(editValue), c)) return 0;
    }
    try {
        return double(editValue.AsExtended());
    } catch (const EVariantError&) {
        return 0;
    }
}

void TqzCustomCurrencyEdit::SetValue(double value) {
    TqzCustomCurrencyEditProperties* properties = GetActiveCurrencyProperties();
    if (properties->IsValueBoundDefined(0) && value < properties->GetMinValue())
        value = properties->GetMinValue();
    else if (properties->IsValueBoundDefined(1) && value > properties->GetMaxValue())
        value = properties->GetMaxValue();
    SetEditValueAsUser(Variant(value));
}

KOV_PUBLISHED(TqzCustomCurrencyEdit) {}

TqzCurrencyEdit::TqzCurrencyEdit(TComponent* owner) : TqzCustomCurrencyEdit(owner, false, true) {
    InitializeEditor();
}

TqzCurrencyEdit::TqzCurrencyEdit(TComponent* owner, bool isInplace)
    : TqzCustomCurrencyEdit(owner, isInplace, true) {
    InitializeEditor();
}

KOV_PUBLISHED(TqzCurrencyEdit) {
    Property("BeepOnEnter", &TqzCurrencyEdit::GetBeepOnEnter, &TqzCurrencyEdit::SetBeepOnEnter).Default(true);
    Property("ImeMode", &TqzCurrencyEdit::GetImeMode, &TqzCurrencyEdit::SetImeMode).Default(imDontCare);
    Property("ImeName", &TqzCurrencyEdit::GetImeName, &TqzCurrencyEdit::SetImeName).TypeName("TImeName");
    Property("Properties", &TqzCurrencyEdit::GetCurrencyEditProperties,
             &TqzCurrencyEdit::SetCurrencyEditProperties);
    Property("Value", &TqzCurrencyEdit::GetValue, &TqzCurrencyEdit::SetValue).Stored(false);
}
