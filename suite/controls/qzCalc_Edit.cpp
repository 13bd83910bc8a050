// The calculator editor: a popup editor for a floating-point number whose drop-down holds a
// popup calculator working on the editor's own text.
#include <cmath>

#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/SysMetrics.h"
#include "suite/controls/qzCalc.h"
#include "suite/foundation/qzClasses.h"

namespace {

void RegisterCalcEditProperties() {
    GetEditPropertiesRegistry()->Register(
        TqzCalcEditProperties::StaticClass(),
        LocalizeSuiteText("CalcEdit|Represents an edit control with a dropdown calculator window"));
}

const bool kCalcEditClassesRegistered = [] {
    RegisterInterfacedPersistentClass<TqzCustomCalcEditProperties>();
    RegisterInterfacedPersistentClass<TqzCalcEditProperties>();
    RegisterClasses({TqzCalcEdit::StaticClass()});
    RegisterCalcEditProperties();
    return true;
}();

bool IsBlank(const Variant& value) {
    return VarIsNull(value) || VarIsEmpty(value) || (VarIsStr(value) && VarToStr(value).empty());
}

} // namespace

// ---- Assigned values -------------------------------------------------------------------------

void TqzCalcEditPropertiesValues::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCalcEditPropertiesValues*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        FPrecision = other->FPrecision;
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TqzCalcEditPropertiesValues::ResetAssignedValues() {
    BeginUpdate();
    try {
        inherited::ResetAssignedValues();
        SetPrecision(false);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TqzCalcEditPropertiesValues::SetPrecision(bool value) {
    if (FPrecision == value) return;
    FPrecision = value;
    Changed();
}

KOV_PUBLISHED(TqzCalcEditPropertiesValues) {
    Property("Precision", &TqzCalcEditPropertiesValues::GetPrecision, &TqzCalcEditPropertiesValues::SetPrecision)
        .Default(false);
}

// ---- Properties ------------------------------------------------------------------------------

TqzCustomCalcEditProperties::TqzCustomCalcEditProperties(TPersistent* owner)
    : TqzCustomPopupEditProperties(owner) {
    BeepOnError = true;
    SetChangedLocked(true);
    SetPopupSizeable(false);
    SetChangedLocked(false);
    SetImmediateDropDown(false);
    // Made again when the editor unit was restarted (its end frees the registry).
    RegisterCalcEditProperties();
}

void TqzCustomCalcEditProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomCalcEditProperties*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        SetBeepOnError(other->GetBeepOnError());
        GetCalcAssignedValues()->SetPrecision(false);
        if (other->IsPrecisionStored()) SetPrecision(other->GetPrecision());
        SetQuickClose(other->GetQuickClose());
        SetScientificFormat(other->GetScientificFormat());
        SetUseThousandSeparator(other->GetUseThousandSeparator());
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

TClass TqzCustomCalcEditProperties::GetAssignedValuesClass() const {
    return TqzCalcEditPropertiesValues::StaticClass();
}

TClass TqzCustomCalcEditProperties::GetContainerClass() const { return TqzCalcEdit::StaticClass(); }

bool TqzCustomCalcEditProperties::IsEditValueValid(Variant& value, bool) {
    if (IsBlank(value) || VarIsNumeric(value)) return true;
    Extended number = 0;
    return TryStrToFloat(VarToStr(value), number);
}

void TqzCustomCalcEditProperties::PrepareDisplayValue(const Variant& editValue, Variant& displayValue,
                                                      bool editing) {
    if (IsBlank(editValue)) {
        displayValue = String();
        return;
    }
    Extended value = 0;
    if (VarIsNumeric(editValue)) {
        value = editValue.AsExtended();
    } else if (!TryStrToFloat(VarToStr(editValue), value)) {
        displayValue = VarToStr(editValue);
        return;
    }
    if (!editing && GetCalcAssignedValues()->GetDisplayFormat()) {
        displayValue = FormatFloat(GetDisplayFormat(), value);
        return;
    }
    String text = FloatToStrF(value, FScientificFormat ? ffExponent : ffGeneral, GetPrecision(), 1);
    if (FUseThousandSeparator && !FScientificFormat) {
        InsertThousandSeparators(text);
    } else if (FScientificFormat) {
        String exponent;
        SplitExponent(text, exponent);
        if (text.find(FormatSettings.DecimalSeparator) != String::npos) {
            while (!text.empty() && text.back() == '0')
                text.pop_back();
            if (!text.empty() && text.back() == FormatSettings.DecimalSeparator) text.pop_back();
        }
        text += exponent;
    }
    displayValue = text;
}

void TqzCustomCalcEditProperties::ValidateDisplayValue(Variant& displayValue, String& errorText, bool& error,
                                                       TqzCustomEdit* editor) {
    error = false;
    inherited::ValidateDisplayValue(displayValue, errorText, error, editor);
}

Integer TqzCustomCalcEditProperties::GetEditValueSource(bool editing) {
    IqzEditDefaultValuesProvider* provider = GetDefaultValuesProvider();
    return !editing && !GetCalcAssignedValues()->GetDisplayFormat() && provider &&
                   provider->HasImplicitDisplayFormat()
               ? 1
               : 0;
}

bool TqzCustomCalcEditProperties::TextToValue(const String& text, Extended& value) {
    String plain = text;
    RemoveThousandSeparators(plain);
    value = 0;
    if (!TryStrToFloat(plain, value)) return false;
    const Extended magnitude = std::fabs(value);
    return value == 0 || (magnitude >= 4.9406564584124654E-324L && magnitude <= 1.7976931348623157E+308L);
}

Variant TqzCustomCalcEditProperties::TextToEditValue(const String& text) {
    String plain = text;
    if (FUseThousandSeparator && !FScientificFormat) RemoveThousandSeparators(plain);
    if (Trim(plain).empty()) return Null();
    double value = 0;
    if (TryStrToFloat(plain, value)) return Variant(value);
    return Null();
}

void TqzCustomCalcEditProperties::SetBeepOnError(bool value) {
    if (BeepOnError == value) return;
    BeepOnError = value;
    Changed();
}

Byte TqzCustomCalcEditProperties::GetPrecision() {
    Integer precision = 15;
    if (GetCalcAssignedValues()->GetPrecision())
        precision = FPrecision;
    else if (IqzEditDefaultValuesProvider* provider = GetDefaultValuesProvider())
        precision = provider->GetDefaultDecimalPrecision();
    return Byte(std::clamp<Integer>(precision, 0, 15));
}

void TqzCustomCalcEditProperties::SetPrecision(Byte value) {
    if (GetCalcAssignedValues()->GetPrecision() && FPrecision == value) return;
    GetCalcAssignedValues()->SetPrecision(true);
    FPrecision = value;
    Changed();
}

void TqzCustomCalcEditProperties::SetQuickClose(bool value) {
    if (FQuickClose == value) return;
    FQuickClose = value;
    Changed();
}

void TqzCustomCalcEditProperties::SetScientificFormat(bool value) {
    if (FScientificFormat == value) return;
    FScientificFormat = value;
    Changed();
}

void TqzCustomCalcEditProperties::SetUseThousandSeparator(bool value) {
    if (FUseThousandSeparator == value) return;
    FUseThousandSeparator = value;
    Changed();
}

KOV_PUBLISHED(TqzCustomCalcEditProperties) {}

KOV_PUBLISHED(TqzCalcEditProperties) {
    using P = TqzCalcEditProperties;
    Property("AssignedValues", &P::GetCalcAssignedValues, &P::SetCalcAssignedValues);
    Property("AutoSelect", &P::GetAutoSelect, &P::SetAutoSelect).Default(true);
    Property("BeepOnError", &P::GetBeepOnError, &P::SetBeepOnError).Default(true);
    Property("ButtonGlyph", &P::GetButtonGlyph, &P::SetButtonGlyph);
    Property("DisplayFormat", &P::GetDisplayFormat, &P::SetDisplayFormat).Stored(&P::IsDisplayFormatStored);
    Property("ImeMode", &P::GetImeMode, &P::SetImeMode).Default(imDontCare);
    Property("ImeName", &P::GetImeName, &P::SetImeName).TypeName("TImeName");
    Property("ImmediatePost", &P::ImmediatePost).Default(false);
    Property("Precision", &P::GetPrecision, &P::SetPrecision).Stored(&P::IsPrecisionStored);
    Property("QuickClose", &P::GetQuickClose, &P::SetQuickClose).Default(false);
    Property("ScientificFormat", &P::GetScientificFormat, &P::SetScientificFormat).Default(false);
    Property("UseThousandSeparator", &P::GetUseThousandSeparator, &P::SetUseThousandSeparator).Default(false);
    Property("ValidateOnEnter", &P::ValidateOnEnter).Default(true);
    Property("OnChange", &P::OnChange);
    Property("OnCloseUp", &P::OnCloseUp);
    Property("OnEditValueChanged", &P::OnEditValueChanged);
    Property("OnInitPopup", &P::OnInitPopup);
    Property("OnPopup", &P::OnPopup);
    Property("OnValidate", &P::OnValidate);
}

// ---- Editor ----------------------------------------------------------------------------------

TqzCustomCalcEdit::TqzCustomCalcEdit(TComponent* owner) : TqzCustomCalcEdit(owner, false) {}

TqzCustomCalcEdit::TqzCustomCalcEdit(TComponent* owner, bool isInplace)
    : TqzCustomCalcEdit(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomCalcEdit::TqzCustomCalcEdit(TComponent* owner, bool isInplace, bool)
    : TqzCustomPopupEdit(owner, isInplace, true) {}

TqzCustomCalcEdit::~TqzCustomCalcEdit() {
    // Back from the popup window first, then freed (the properties forget it as it goes).
    if (GetPopupWindow() && (GetPopupWindow()->IsOpen() || HasPendingShow())) RestorePopupControl();
    delete FCalculator;
    FCalculator = nullptr;
}

TqzCustomCalcEditProperties* TqzCustomCalcEdit::GetActiveCalcProperties() {
    if (auto* active = dynamic_cast<TqzCustomCalcEditProperties*>(GetActiveProperties())) return active;
    return GetCalcProperties();
}

void TqzCustomCalcEdit::Initialize() {
    inherited::Initialize();
    SetEditValue(Variant(0.0));
    FCalculator = new TqzPopupCalculator(this);
    if (GetPopupWindow()) FCalculator->SetParent(GetPopupWindow());
    FCalculator->Edit = this;
    FCalculator->SetAutoFontSize(false);
    FCalculator->OnHidePopup = MakeEvent(this, &TqzCustomCalcEdit::CalculatorHidePopup);
    GetActiveCalcProperties()->SetPopupControl(FCalculator);
}

void TqzCustomCalcEdit::CalculatorHidePopup(TObject*, Integer reason) { ClosePopup(reason); }

bool TqzCustomCalcEdit::CanShowPopup() {
    return !GetActiveCalcProperties()->GetReadOnly() && GetDataBinding()->CanModify();
}

void TqzCustomCalcEdit::CreatePopupWindow() {
    inherited::CreatePopupWindow();
    // The calculator's keys work in the popup; it runs no message loop of its own.
    if (GetPopupWindow()) GetPopupWindow()->SetModal(false);
}

void TqzCustomCalcEdit::DoInitPopup() {
    inherited::DoInitPopup();
    GetActiveCalcProperties()->SetPopupControl(FCalculator);
}

void TqzCustomCalcEdit::SetupPopupWindow() {
    inherited::SetupPopupWindow();
    if (!FCalculator) return;
    FCalculator->HandleNeeded();
    FCalculator->GetFont()->Assign(GetActiveStyle()->GetEffectiveFont());
    FCalculator->HandleFontChange();
    FCalculator->HandleResize();
}

void TqzCustomCalcEdit::PopupWindowShowed(TObject* sender) {
    const TLivenessToken alive = LivenessToken();
    inherited::PopupWindowShowed(sender);
    if (alive && FCalculator) FCalculator->ResetKeyButton();
}

void TqzCustomCalcEdit::TakeZeroForError() {
    if (GetText() == LocalizeSuiteText("Error")) SetEditValueAsUser(Variant(0.0));
}

void TqzCustomCalcEdit::PopupWindowClosing(TObject* sender) {
    // Before the focus comes back from the calculator: leaving the editor would validate the
    // error text into no value.
    const TLivenessToken alive = LivenessToken();
    inherited::PopupWindowClosing(sender);
    if (alive) TakeZeroForError();
}

void TqzCustomCalcEdit::PopupWindowClosed(TObject* sender) {
    const TLivenessToken alive = LivenessToken();
    TakeZeroForError();
    if (!alive) return;
    if (GetActiveCalcProperties()->GetAutoSelect())
        SelectAll();
    else
        SetSelection(Utf8Length(GetText()), 0);
    inherited::PopupWindowClosed(sender);
}

void TqzCustomCalcEdit::ApplyActiveProperties(TObject* properties) {
    TqzCustomCalcEditProperties* active = GetActiveCalcProperties();
    if (properties && active->GetLocaleFormatsChanging()) return;
    const TLivenessToken alive = LivenessToken();
    inherited::ApplyActiveProperties(properties);
    if (!alive || IsInnerEditUnavailable() || !FCalculator) return;
    FCalculator->SetBeepOnError(active->GetBeepOnError());
    FCalculator->SetPrecision(active->GetPrecision());
    // Setting the popup control signals no change.
    active->SetPopupControl(FCalculator);
}

bool TqzCustomCalcEdit::AcceptsChar(char32_t ch) {
    if (ch < 32) return true;
    if (!IsNumericInputChar(ch, 2)) return false;
    const String text = GetText();
    const Integer selStart = GetSelStart();
    const Integer selLength = GetSelLength();
    const String rest =
        Utf8Copy(text, 1, selStart) + Utf8Copy(text, selStart + selLength + 1, Utf8Length(text));
    if (ch == U'-' && rest.empty()) return true;
    const String result =
        Utf8Copy(rest, 1, selStart) + Utf8FromCodePoint(ch) + Utf8Copy(rest, selStart + 1, Utf8Length(rest));
    Extended value = 0;
    return GetActiveCalcProperties()->TextToValue(result, value);
}

void TqzCustomCalcEdit::HandleEditKeyPress(char32_t& ch) {
    if (ch == U'.' || ch == U',') ch = char32_t(static_cast<unsigned char>(FormatSettings.DecimalSeparator));
    if (IsPrintableChar(ch) && !AcceptsChar(ch)) {
        ch = 0;
        if (GetActiveCalcProperties()->GetBeepOnError()) MessageBeep(0);
        return;
    }
    inherited::HandleEditKeyPress(ch);
}

void TqzCustomCalcEdit::PasteFromClipboard() {
    if (!RequestEditing() || !FCalculator) return;
    FCalculator->PasteFromClipboard();
}

void TqzCustomCalcEdit::DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool&) {
    editValue = GetActiveCalcProperties()->TextToEditValue(VarToStr(displayValue));
}

void TqzCustomCalcEdit::FormatChanged() { GetDataBinding()->UpdateDisplayValue(); }

void TqzCustomCalcEdit::DoEnter() {
    SynchronizeDisplayValue();
    inherited::DoEnter();
}

void TqzCustomCalcEdit::DoExit() {
    const TLivenessToken alive = LivenessToken();
    inherited::DoExit();
    if (alive) GetDataBinding()->UpdateDisplayValue();
}

Extended TqzCustomCalcEdit::GetValue() {
    const Variant value = GetEditValue();
    if (IsBlank(value)) return 0;
    if (VarIsNumeric(value)) return value.AsExtended();
    Extended number = 0;
    return TryStrToFloat(VarToStr(value), number) ? number : 0;
}

void TqzCustomCalcEdit::SetValue(Extended value) { SetEditValueAsUser(Variant(double(value))); }

KOV_PUBLISHED(TqzCustomCalcEdit) {}

TqzCalcEdit::TqzCalcEdit(TComponent* owner) : TqzCustomCalcEdit(owner, false, true) { InitializeEditor(); }

TqzCalcEdit::TqzCalcEdit(TComponent* owner, bool isInplace) : TqzCustomCalcEdit(owner, isInplace, true) {
    InitializeEditor();
}

KOV_PUBLISHED(TqzCalcEdit) {
    Property("Properties", &TqzCalcEdit::GetProperties, &TqzCalcEdit::SetProperties);
    Property("Value", &TqzCalcEdit::GetValue, &TqzCalcEdit::SetValue).Stored(false);
}
