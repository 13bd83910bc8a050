// The popup edit: any control of the application shown in the editor's popup for as long as it
// is open, and put back where it was afterwards.
#include "suite/editors/qzDropDownEdit.h"
#include "suite/foundation/qzClasses.h"

namespace {

void RegisterPopupEditProperties() {
    GetEditPropertiesRegistry()->Register(
        TqzPopupEditProperties::StaticClass(),
        LocalizeSuiteText("PopupEdit|Represents an edit control with a dropdown list"));
}

struct TPopupEditTypes {
    TPopupEditTypes() {
        RegisterInterfacedPersistentClass<TqzCustomPopupEditProperties>();
        RegisterInterfacedPersistentClass<TqzPopupEditProperties>();
        RegisterClasses({TqzPopupEdit::StaticClass()});
        RegisterPopupEditProperties();
    }
};
const TPopupEditTypes kPopupEditTypes;

} // namespace

// ---- Properties ------------------------------------------------------------------------------

TqzCustomPopupEditProperties::TqzCustomPopupEditProperties(TPersistent* owner)
    : TqzCustomDropDownEditProperties(owner) {
    SetPopupAutoSize(true);
    SetPopupMinHeight(100);
    SetPopupMinWidth(100);
    SetPopupHeight(200);
    SetPopupWidth(250);
    SetChangedLocked(true);
    SetPopupSizeable(true);
    SetChangedLocked(false);
}

TqzCustomPopupEditProperties::~TqzCustomPopupEditProperties() {
    if (FPopupControl && GetFreeNotificator()) GetFreeNotificator()->UnwatchComponent(FPopupControl);
}

TClass TqzCustomPopupEditProperties::GetContainerClass() const { return TqzPopupEdit::StaticClass(); }

void TqzCustomPopupEditProperties::HandleFreeNotification(TObject* sender, TComponent* component) {
    inherited::HandleFreeNotification(sender, component);
    if (component == FPopupControl) FPopupControl = nullptr;
}

void TqzCustomPopupEditProperties::SetPopupControl(TControl* value) {
    if (value == FPopupControl) return;
    if (FPopupControl && GetFreeNotificator()) GetFreeNotificator()->UnwatchComponent(FPopupControl);
    FPopupControl = value;
    if (value && GetFreeNotificator()) GetFreeNotificator()->WatchComponent(value);
}

void TqzCustomPopupEditProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomPopupEditProperties*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        SetPopupControl(other->GetPopupControl());
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

TqzPopupEditProperties::TqzPopupEditProperties(TPersistent* owner) : TqzCustomPopupEditProperties(owner) {
    SetImmediateDropDown(true);
    SetImmediatePopup(true);
}

// ---- Editor ----------------------------------------------------------------------------------

TqzCustomPopupEdit::TqzCustomPopupEdit(TComponent* owner) : TqzCustomPopupEdit(owner, false) {}

TqzCustomPopupEdit::TqzCustomPopupEdit(TComponent* owner, bool isInplace)
    : TqzCustomPopupEdit(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomPopupEdit::TqzCustomPopupEdit(TComponent* owner, bool isInplace, bool)
    : TqzCustomDropDownEdit(owner, isInplace, true) {}

TqzCustomPopupEdit::~TqzCustomPopupEdit() {
    // Also when only a show request is queued: the control already sits in the popup window,
    // which would free it with itself, and the drop-down editor's destructor cannot reach this
    // class's closed handling any more.
    if (GetPopupWindow() && (GetPopupWindow()->IsOpen() || HasPendingShow())) RestorePopupControl();
}

TControl* TqzCustomPopupEdit::GetActivePopupControl() {
    auto* properties = dynamic_cast<TqzCustomPopupEditProperties*>(GetActiveProperties());
    return properties ? properties->GetPopupControl() : nullptr;
}

bool TqzCustomPopupEdit::CanShowPopup() { return GetActivePopupControl() != nullptr; }

void TqzCustomPopupEdit::DoInitPopup() {
    TControl* control = GetActivePopupControl();
    bool circular = control == this || control == GetPopupWindow();
    for (TControl* parent = GetParent(); parent && !circular; parent = parent->GetParent())
        circular = parent == control;
    if (control && circular) throw Exception(LocalizeSuiteText("Circular referencing is not allowed"));
    inherited::DoInitPopup();
}

TWinControl* TqzCustomPopupEdit::GetPopupFocusedControl() {
    return dynamic_cast<TWinControl*>(GetActivePopupControl());
}

void TqzCustomPopupEdit::GetPopupContentSize(Integer& width, Integer& height) {
    TControl* control = GetActivePopupControl();
    width = control ? control->GetWidth() : 0;
    height = control ? control->GetHeight() : 0;
}

void TqzCustomPopupEdit::PositionPopupContent(const TRect& clientRect) {
    TControl* control = GetActivePopupControl();
    if (!control) return;
    control->SetLeft(clientRect.left);
    control->SetTop(clientRect.top);
    control->SetWidth(clientRect.right - clientRect.left);
    control->SetHeight(clientRect.bottom - clientRect.top);
}

void TqzCustomPopupEdit::SavePopupControlState() {
    TControl* control = GetActivePopupControl();
    if (!control) return;
    FSavedAlign = control->GetAlign();
    if (auto* form = dynamic_cast<TCustomForm*>(control)) {
        FSavedBorderStyle = form->GetBorderStyle();
        form->SetBorderStyle(bsNone);
    }
    FSavedBounds = control->GetBoundsRect();
    FSavedParent = control->GetParent();
    FSavedVisible = control->GetVisible();
    FStateSaved = true;
}

void TqzCustomPopupEdit::RestorePopupControl() {
    TControl* control = GetActivePopupControl();
    if (!control || !FStateSaved) return;
    control->SetVisible(false);
    control->SetParent(FSavedParent);
    control->SetAlign(FSavedAlign);
    control->SetBoundsRect(FSavedBounds);
    if (auto* form = dynamic_cast<TCustomForm*>(control)) form->SetBorderStyle(FSavedBorderStyle);
    control->SetVisible(FSavedVisible);
    FStateSaved = false;
}

void TqzCustomPopupEdit::PreparePopupWindow() {
    TControl* control = GetActivePopupControl();
    if (control && !FStateSaved) {
        SavePopupControlState();
        control->SetParent(GetPopupWindow());
        control->SetVisible(true);
    }
    inherited::PreparePopupWindow();
    if (control) control->SetAlign(alClient);
}

void TqzCustomPopupEdit::PopupWindowClosed(TObject* sender) {
    RestorePopupControl();
    inherited::PopupWindowClosed(sender);
}

void TqzCustomPopupEdit::ClosePopup(TqzEditCloseUpReason reason) {
    SetCloseUpReason(reason);
    PostPopupCloseRequest(GetPopupWindow());
}

TqzPopupEdit::TqzPopupEdit(TComponent* owner) : TqzCustomPopupEdit(owner, false, true) { InitializeEditor(); }

TqzPopupEdit::TqzPopupEdit(TComponent* owner, bool isInplace) : TqzCustomPopupEdit(owner, isInplace, true) {
    InitializeEditor();
}

KOV_PUBLISHED(TqzCustomPopupEditProperties) {}

KOV_PUBLISHED(TqzPopupEditProperties) {
    using P = TqzPopupEditProperties;
    Property("AssignedValues", &P::GetAssignedValues, &P::SetAssignedValues);
    Property("AutoSelect", &P::GetAutoSelect, &P::SetAutoSelect).Default(true);
    Property("BeepOnError", &P::BeepOnError).Default(false);
    Property("ButtonGlyph", &P::GetButtonGlyph, &P::SetButtonGlyph);
    Property("CaseInsensitive", &P::GetCaseInsensitive, &P::SetCaseInsensitive).Default(true);
    Property("CharCase", &P::GetCharCase, &P::SetCharCase).Default(ecNormal);
    Property("EchoMode", &P::GetEchoMode, &P::SetEchoMode).Default(eemNormal);
    Property("HideSelection", &P::GetHideSelection, &P::SetHideSelection).Default(true);
    Property("IgnoreMaskBlank", &P::IgnoreMaskBlank).Default(false);
    Property("ImeMode", &P::GetImeMode, &P::SetImeMode).Default(imDontCare);
    Property("ImeName", &P::GetImeName, &P::SetImeName).TypeName("TImeName");
    Property("ImmediateDropDown", &P::GetImmediateDropDown, &P::SetImmediateDropDown).Default(true);
    Property("ImmediatePopup", &P::GetImmediatePopup, &P::SetImmediatePopup).Default(true);
    Property("IncrementalSearch", &P::GetIncrementalSearch, &P::SetIncrementalSearch).Default(true);
    Property("LookupItems", &P::GetLookupItems, &P::SetLookupItems);
    Property("LookupItemsSorted", &P::GetLookupItemsSorted, &P::SetLookupItemsSorted).Default(false);
    Property("MaxLength", &P::GetMaxLength, &P::SetMaxLength).Stored(&P::IsMaxLengthStored);
    Property("MaskKind", &P::GetMaskKind, &P::SetMaskKind).Default(emkStandard);
    Property("EditMask", &P::GetEditMask, &P::SetEditMask)
        .TypeName("TqzEditMask")
        .Stored(&P::IsEditMaskStored);
    Property("OEMConvert", &P::GetOEMConvert, &P::SetOEMConvert).Default(false);
    Property("PasswordChar", &P::GetPasswordChar, &P::SetPasswordChar).Default(char(0));
    Property("PopupAlignment", &P::GetPopupAlignment, &P::SetPopupAlignment).Default(taLeftJustify);
    Property("PopupAutoSize", &P::GetPopupAutoSize, &P::SetPopupAutoSize).Default(true);
    Property("PopupClientEdge", &P::GetPopupClientEdge, &P::SetPopupClientEdge).Default(false);
    Property("PopupHeight", &P::GetPopupHeight, &P::SetPopupHeight).Default(200);
    Property("PopupMinHeight", &P::GetPopupMinHeight, &P::SetPopupMinHeight).Default(100);
    Property("PopupMinWidth", &P::GetPopupMinWidth, &P::SetPopupMinWidth).Default(100);
    Property("PopupSizeable", &P::GetPopupSizeable, &P::SetPopupSizeable).Default(true);
    Property("PopupSysPanelStyle", &P::GetPopupSysPanelStyle, &P::SetPopupSysPanelStyle).Default(false);
    Property("PopupWidth", &P::GetPopupWidth, &P::SetPopupWidth).Default(250);
    Property("ValidateOnEnter", &P::ValidateOnEnter).Default(true);
    Property("OnChange", &P::OnChange);
    Property("OnCloseQuery", &P::OnCloseQuery);
    Property("OnEditValueChanged", &P::OnEditValueChanged);
    Property("OnValidate", &P::OnValidate);
    Property("OnCloseUp", &P::OnCloseUp);
    Property("OnInitPopup", &P::OnInitPopup);
    Property("OnPopup", &P::OnPopup);
}

KOV_PUBLISHED(TqzCustomPopupEdit) {}

KOV_PUBLISHED(TqzPopupEdit) {
    Property("Properties", &TqzPopupEdit::GetProperties, &TqzPopupEdit::SetProperties);
}
