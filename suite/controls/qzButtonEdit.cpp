#include "suite/controls/qzButtonEdit.h"

#include "platform/runtime/TypInfo.h"
#include "suite/foundation/qzClasses.h"

namespace {

void RegisterButtonEditProperties() {
    GetEditPropertiesRegistry()->Register(
        TqzButtonEditProperties::StaticClass(),
        LocalizeSuiteText("ButtonEdit|Represents an edit control with embedded buttons"));
}

const bool kButtonEditClassesRegistered = [] {
    RegisterInterfacedPersistentClass<TqzCustomButtonEditProperties>();
    RegisterInterfacedPersistentClass<TqzButtonEditProperties>();
    RegisterClasses({TqzButtonEdit::StaticClass()});
    RegisterButtonEditProperties();
    return true;
}();

} // namespace

// ---- Properties ------------------------------------------------------------------------------

TqzCustomButtonEditProperties::TqzCustomButtonEditProperties(TPersistent* owner)
    : TqzCustomMaskEditProperties(owner) {
    static_cast<TqzEditButton*>(GetButtons()->Add())->SetKind(bkEllipsis);
    // Made again when the editor unit was restarted (its end frees the registry).
    RegisterButtonEditProperties();
}

TClass TqzCustomButtonEditProperties::GetContainerClass() const { return TqzButtonEdit::StaticClass(); }

KOV_PUBLISHED(TqzCustomButtonEditProperties) {}

KOV_PUBLISHED(TqzButtonEditProperties) {
    using P = TqzButtonEditProperties;
    Property("AssignedValues", &P::GetAssignedValues, &P::SetAssignedValues);
    Property("Buttons", &P::GetButtons, &P::SetButtons);
    Property("CaseInsensitive", &P::GetCaseInsensitive, &P::SetCaseInsensitive).Default(true);
    Property("CharCase", &P::GetCharCase, &P::SetCharCase).Default(ecNormal);
    Property("EchoMode", &P::GetEchoMode, &P::SetEchoMode).Default(eemNormal);
    // ViewStyle carries it; it is never stored itself.
    Property("HideCursor", &P::GetHideCursor, &P::SetHideCursor).Stored(false);
    Property("HideSelection", &P::GetHideSelection, &P::SetHideSelection).Default(true);
    Property("IgnoreMaskBlank", &P::IgnoreMaskBlank).Default(false);
    Property("ImeMode", &P::GetImeMode, &P::SetImeMode).Default(imDontCare);
    Property("ImeName", &P::GetImeName, &P::SetImeName).TypeName("TImeName");
    Property("IncrementalSearch", &P::GetIncrementalSearch, &P::SetIncrementalSearch).Default(true);
    Property("LookupItems", &P::GetLookupItems, &P::SetLookupItems);
    Property("LookupItemsSorted", &P::GetLookupItemsSorted, &P::SetLookupItemsSorted).Default(false);
    Property("MaskKind", &P::GetMaskKind, &P::SetMaskKind).Default(emkStandard);
    Property("EditMask", &P::GetEditMask, &P::SetEditMask).TypeName("TqzEditMask").Stored(&P::IsEditMaskStored);
    Property("MaxLength", &P::GetMaxLength, &P::SetMaxLength).Stored(&P::IsMaxLengthStored);
    Property("OEMConvert", &P::GetOEMConvert, &P::SetOEMConvert).Default(false);
    Property("PasswordChar", &P::GetPasswordChar, &P::SetPasswordChar).Default(char(0));
    Property("ValidateOnEnter", &P::ValidateOnEnter).Default(true);
    Property("ViewStyle", &P::GetViewStyle, &P::SetViewStyle).Default(vsNormal);
    Property("OnNewLookupDisplayText", &P::OnNewLookupDisplayText);
}

// ---- Editor ----------------------------------------------------------------------------------

TqzCustomButtonEdit::TqzCustomButtonEdit(TComponent* owner) : TqzCustomButtonEdit(owner, false) {}

TqzCustomButtonEdit::TqzCustomButtonEdit(TComponent* owner, bool isInplace)
    : TqzCustomButtonEdit(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomButtonEdit::TqzCustomButtonEdit(TComponent* owner, bool isInplace, bool)
    : TqzCustomMaskEdit(owner, isInplace, true) {}

void TqzCustomButtonEdit::ReadState(TReader* reader) {
    if (!FButtonsCleared) {
        FButtonsCleared = true;
        GetProperties()->GetButtons()->Clear();
        GetPropertiesInUse()->GetButtons()->Clear();
    }
    inherited::ReadState(reader);
}

KOV_PUBLISHED(TqzCustomButtonEdit) {}

TqzButtonEdit::TqzButtonEdit(TComponent* owner) : TqzCustomButtonEdit(owner, false, true) { InitializeEditor(); }

TqzButtonEdit::TqzButtonEdit(TComponent* owner, bool isInplace) : TqzCustomButtonEdit(owner, isInplace, true) {
    InitializeEditor();
}

KOV_PUBLISHED(TqzButtonEdit) {
    Property("BeepOnEnter", &TqzButtonEdit::GetBeepOnEnter, &TqzButtonEdit::SetBeepOnEnter).Default(true);
    Property("ImeMode", &TqzButtonEdit::GetImeMode, &TqzButtonEdit::SetImeMode).Default(imDontCare);
    Property("ImeName", &TqzButtonEdit::GetImeName, &TqzButtonEdit::SetImeName).TypeName("TImeName");
    Property("Properties", &TqzButtonEdit::GetButtonEditProperties, &TqzButtonEdit::SetButtonEditProperties);
}
