// The masked editor's properties: the mask, its kind and how a masked value is shown and checked.
#include "platform/runtime/TypInfo.h"
#include "platform/runtime/Variant.h"
#include "suite/editors/qzMaskEdit.h"
#include "suite/foundation/qzClasses.h"

namespace {

// The unit's entry in the editor properties registry; made again when the editor unit was
// restarted (its end frees the registry).
void RegisterMaskEditProperties() {
    GetEditPropertiesRegistry()->Register(
        TqzMaskEditProperties::StaticClass(),
        LocalizeSuiteText("MaskEdit|Represents a generic masked edit control."));
}

struct TMaskEditPropertiesTypes {
    TMaskEditPropertiesTypes() {
        RegisterEnum<TqzEditMaskKind>("TqzEditMaskKind", {"emkStandard", "emkRegExpr", "emkRegExprEx"});
        RegisterInterfacedPersistentClass<TqzCustomMaskEditProperties>();
        RegisterInterfacedPersistentClass<TqzMaskEditProperties>();
        RegisterMaskEditProperties();
    }
};
const TMaskEditPropertiesTypes kMaskEditPropertiesTypes;

} // namespace

TqzCustomMaskEditProperties::TqzCustomMaskEditProperties(TPersistent* owner)
    : TqzCustomTextEditProperties(owner) {
    FMaskKind = emkStandard;
    FAlwaysShowBlanksAndLiterals = false;
    ValidateOnEnter = true;
    FCaseInsensitive = true;
    RegisterMaskEditProperties();
}

TqzCustomMaskEditProperties::~TqzCustomMaskEditProperties() { FFormattingMode.reset(); }

void TqzCustomMaskEditProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomMaskEditProperties*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        SetMaskKind(other->GetMaskKind());
        SetEditMask(other->GetEditMask());
        SetCaseInsensitive(other->GetCaseInsensitive());
        IgnoreMaskBlank = other->IgnoreMaskBlank;
        SetAlwaysShowBlanksAndLiterals(other->GetAlwaysShowBlanksAndLiterals());
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

bool TqzCustomMaskEditProperties::IsEditValueValid(Variant& value, bool editing) {
    return IsMasked() || inherited::IsEditValueValid(value, editing);
}

bool TqzCustomMaskEditProperties::UsesLookupData() { return !IsMasked() && inherited::UsesLookupData(); }

Byte TqzCustomMaskEditProperties::GetDisplayFormatOptions() {
    return IsMasked() ? Byte(0) : inherited::GetDisplayFormatOptions();
}

TqzMaskEditModeClass TqzCustomMaskEditProperties::GetModeClass(TqzEditMaskKind kind) {
    switch (kind) {
    case emkRegExpr:
        return &TqzMaskEditRegExprMode::CreateInstance;
    case emkRegExprEx:
        return &TqzMaskEditRegExprExMode::CreateInstance;
    default:
        return &TqzMaskEditStandardMode::CreateInstance;
    }
}

TqzMaskEditCustomMode* TqzCustomMaskEditProperties::CreateModeOfKind() {
    return GetModeClass(FMaskKind)(nullptr, this);
}

TqzMaskEditCustomMode* TqzCustomMaskEditProperties::CreateFormattingMode() {
    const String mask = GetEditMask();
    if (IsBlankMask(mask)) return nullptr;
    std::unique_ptr<TqzMaskEditCustomMode> mode(CreateModeOfKind());
    mode->CompileMask(mask);
    return mode.release();
}

TqzEditMask TqzCustomMaskEditProperties::GetEditMask() {
    if (FMaskKind == emkStandard && IsBlankMask(FEditMask)) {
        IqzEditDefaultValuesProvider* provider = GetDefaultValuesProvider();
        return provider ? provider->GetDefaultEditMask() : String();
    }
    return FEditMask;
}

void TqzCustomMaskEditProperties::SetEditMask(const TqzEditMask& value) {
    if (value == GetEditMask()) {
        FEditMask = value;
        return;
    }
    {
        // An invalid mask raises here, before anything is stored.
        std::unique_ptr<TqzMaskEditCustomMode> mode(CreateModeOfKind());
        mode->CompileMask(value);
    }
    FEditMask = value;
    Changed();
}

void TqzCustomMaskEditProperties::SetMaskKind(TqzEditMaskKind value) {
    if (FMaskKind == value) return;
    FMaskKind = value;
    Changed();
}

void TqzCustomMaskEditProperties::SetCaseInsensitive(bool value) {
    if (GetCharCase() != ecNormal) value = true;
    FCaseInsensitive = value;
    Changed();
}

void TqzCustomMaskEditProperties::SetAlwaysShowBlanksAndLiterals(bool value) {
    if (FAlwaysShowBlanksAndLiterals == value) return;
    FAlwaysShowBlanksAndLiterals = value;
    Changed();
}

bool TqzCustomMaskEditProperties::IsMasked() { return !IsBlankMask(GetEditMask()); }

void TqzCustomMaskEditProperties::SetCharCase(TEditCharCase value) {
    if (value == ecUpperCase || value == ecLowerCase) SetCaseInsensitive(true);
    inherited::SetCharCase(value);
}

void TqzCustomMaskEditProperties::MaxLengthChanged() {
    if (!IsMasked()) {
        inherited::MaxLengthChanged();
        return;
    }
    if (FMaxLengthChanging) return;
    FMaxLengthChanging = true;
    BeginUpdate();
    try {
        SetMaxLength(0);
    } catch (...) {
        EndUpdate();
        FMaxLengthChanging = false;
        throw;
    }
    EndUpdate();
    FMaxLengthChanging = false;
}

void TqzCustomMaskEditProperties::PrepareDisplayValue(const Variant& editValue, Variant& displayValue,
                                                      bool editing) {
    IqzEditDefaultValuesProvider* provider = GetDefaultValuesProvider();
    if (!IsMasked() || (!editing && provider && provider->HasSourceDisplayFormat(true))) {
        inherited::PrepareDisplayValue(editValue, displayValue, editing);
        return;
    }
    const TqzMaskEditModeClass modeClass = GetModeClass(FMaskKind);
    const String mask = GetEditMask();
    if (!FFormattingMode || FFormattingModeClass != modeClass || FFormattingMode->MaskText != mask) {
        FFormattingMode.reset();
        FFormattingMode.reset(CreateFormattingMode());
        FFormattingModeClass = modeClass;
    }
    const String text = VarToStr(editValue);
    if (editing || FFormattingMode->ModeKind() != 0 || FAlwaysShowBlanksAndLiterals)
        displayValue = Variant(FFormattingMode->FormatText(text));
    else
        displayValue = Variant(FFormattingMode->TextToValue(text));
}

void TqzCustomMaskEditProperties::ValidateDisplayValue(Variant& displayValue, String& errorText, bool& error,
                                                       TqzCustomEdit* editor) {
    if (!error && IsMasked()) {
        auto* host = editor ? dynamic_cast<IqzMaskEditModeHost*>(static_cast<TObject*>(editor)) : nullptr;
        TqzMaskEditCustomMode* mode = host ? host->GetMode() : nullptr;
        if (mode && !mode->IsTextValid(VarToStr(displayValue))) {
            error = true;
            errorText = LocalizeSuiteText("The edit value is invalid");
        }
    }
    inherited::ValidateDisplayValue(displayValue, errorText, error, editor);
}

KOV_PUBLISHED(TqzCustomMaskEditProperties) {}

KOV_PUBLISHED(TqzMaskEditProperties) {
    Property("AlwaysShowBlanksAndLiterals", &TqzMaskEditProperties::GetAlwaysShowBlanksAndLiterals,
             &TqzMaskEditProperties::SetAlwaysShowBlanksAndLiterals)
        .Default(false);
    Property("AssignedValues", &TqzMaskEditProperties::GetAssignedValues,
             &TqzMaskEditProperties::SetAssignedValues);
    Property("CaseInsensitive", &TqzMaskEditProperties::GetCaseInsensitive,
             &TqzMaskEditProperties::SetCaseInsensitive)
        .Default(true);
    Property("CharCase", &TqzMaskEditProperties::GetCharCase, &TqzMaskEditProperties::SetCharCase)
        .Default(ecNormal);
    Property("EchoMode", &TqzMaskEditProperties::GetEchoMode, &TqzMaskEditProperties::SetEchoMode)
        .Default(eemNormal);
    Property("HideSelection", &TqzMaskEditProperties::GetHideSelection,
             &TqzMaskEditProperties::SetHideSelection)
        .Default(true);
    Property("IgnoreMaskBlank", &TqzMaskEditProperties::IgnoreMaskBlank).Default(false);
    Property("ImeMode", &TqzMaskEditProperties::GetImeMode, &TqzMaskEditProperties::SetImeMode)
        .Default(imDontCare);
    Property("ImeName", &TqzMaskEditProperties::GetImeName, &TqzMaskEditProperties::SetImeName)
        .TypeName("TImeName");
    Property("IncrementalSearch", &TqzMaskEditProperties::GetIncrementalSearch,
             &TqzMaskEditProperties::SetIncrementalSearch)
        .Default(true);
    Property("LookupItems", &TqzMaskEditProperties::GetLookupItems, &TqzMaskEditProperties::SetLookupItems);
    Property("LookupItemsSorted", &TqzMaskEditProperties::GetLookupItemsSorted,
             &TqzMaskEditProperties::SetLookupItemsSorted)
        .Default(false);
    Property("MaskKind", &TqzMaskEditProperties::GetMaskKind, &TqzMaskEditProperties::SetMaskKind)
        .Default(emkStandard);
    Property("EditMask", &TqzMaskEditProperties::GetEditMask, &TqzMaskEditProperties::SetEditMask)
        .TypeName("TqzEditMask")
        .Stored(&TqzMaskEditProperties::IsEditMaskStored);
    Property("MaxLength", &TqzMaskEditProperties::GetMaxLength, &TqzMaskEditProperties::SetMaxLength)
        .Stored(&TqzMaskEditProperties::IsMaxLengthStored);
    Property("OEMConvert", &TqzMaskEditProperties::GetOEMConvert, &TqzMaskEditProperties::SetOEMConvert)
        .Default(false);
    Property("PasswordChar", &TqzMaskEditProperties::GetPasswordChar, &TqzMaskEditProperties::SetPasswordChar)
        .Default(char(0));
    Property("ValidateOnEnter", &TqzMaskEditProperties::ValidateOnEnter).Default(true);
    Property("OnNewLookupDisplayText", &TqzMaskEditProperties::OnNewLookupDisplayText);
}
