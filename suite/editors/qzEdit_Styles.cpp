// Editor styles: the edit-button, popup-border and gradient values over the container style's,
// resolved through the style controller chain, and the editor style controller.
#include "platform/runtime/TypInfo.h"
#include "suite/editors/qzEdit.h"

namespace {

const char* const EditStyleValueNames[] = {"ButtonStyle", "ButtonTransparency", "PopupBorderStyle",
                                           "GradientButtons"};
constexpr Integer EditStyleValueCount = 14;

} // namespace

// ---- TqzCustomEditStyle ------------------------------------------------------------------------

TqzCustomEditStyle::TqzCustomEditStyle(TPersistent* owner, Integer state, TqzContainerStyle* normalStyle,
                                       bool directAccess)
    : TqzContainerStyle(owner, state, normalStyle, directAccess) {
    if (!directAccess && !IsEditUnitStarted()) EditUnitInitialize();
    if (!IsBaseStyle() || IsDirectAccess()) return;
    // The container style chose its controller before this class's answer was reachable.
    TqzStyleController* def = GetDefaultController();
    if (FStyleController && FStyleController == GetDefaultStyleController() && FStyleController != def) {
        FStyleController->RemoveStyleListener(this);
        FStyleController = nullptr;
        RefreshFontFromController();
    }
    if (!FStyleController && def) SetStyleController(nullptr);
}

TqzContainerStyle* TqzCustomEditStyle::CreateInstance(TPersistent* owner, Integer state,
                                                      TqzContainerStyle* normalStyle, bool directAccess) {
    return new TqzCustomEditStyle(owner, state, normalStyle, directAccess);
}

TqzContainerStyle* TqzEditStyle::CreateInstance(TPersistent* owner, Integer state,
                                                TqzContainerStyle* normalStyle, bool directAccess) {
    return new TqzEditStyle(owner, state, normalStyle, directAccess);
}

void TqzCustomEditStyle::Assign(TPersistent* source) {
    auto* style = dynamic_cast<TqzCustomEditStyle*>(source);
    if (!style) return TqzContainerStyle::Assign(source);
    if (style == this) return;
    BeginUpdate();
    try {
        FButtonStyle = style->FButtonStyle;
        FButtonTransparency = style->FButtonTransparency;
        FGradientButtons = style->FGradientButtons;
        FPopupBorderStyle = style->FPopupBorderStyle;
        FPopupCloseButton = style->FPopupCloseButton;
        TqzContainerStyle::Assign(source);
        Changed();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// ---- Defaults ----

TqzEditButtonStyle TqzCustomEditStyle::GetDefaultButtonStyle() {
    return IsBaseStyle() ? btsDefault : EditNormalStyle()->GetButtonStyle();
}

TqzEditButtonTransparency TqzCustomEditStyle::GetDefaultButtonTransparency() {
    return IsBaseStyle() ? ebtNone : EditNormalStyle()->GetButtonTransparency();
}

bool TqzCustomEditStyle::GetDefaultGradientButtons() {
    return IsBaseStyle() ? false : EditNormalStyle()->GetGradientButtons();
}

TqzEditPopupBorderStyle TqzCustomEditStyle::GetDefaultPopupBorderStyle() {
    return IsBaseStyle() ? epbsDefault : EditNormalStyle()->GetPopupBorderStyle();
}

// ---- Values ----

Integer TqzCustomEditStyle::GetValueCount() { return EditStyleValueCount; }

bool TqzCustomEditStyle::GetValueName(TqzContainerStyleValue index, String& name) {
    if (index < svButtonStyle) return TqzContainerStyle::GetValueName(index, name);
    if (index >= EditStyleValueCount) {
        name.clear();
        return false;
    }
    name = EditStyleValueNames[index - svButtonStyle];
    return true;
}

TqzContainerStyleValues TqzCustomEditStyle::GetBaseOnlyValues() {
    TqzContainerStyleValues values = TqzContainerStyle::GetBaseOnlyValues();
    values.Include(svButtonTransparency);
    values.Include(svPopupBorderStyle);
    values.Include(svGradientButtons);
    return values;
}

TqzCustomEditStyle* TqzCustomEditStyle::FindEditValue(TqzContainerStyleValue index) {
    if (IsDirectAccess()) return OwnAssigned(index) ? this : nullptr;
    return dynamic_cast<TqzCustomEditStyle*>(FindAssigningStyle(index));
}

bool TqzCustomEditStyle::IsValueAssigned(TqzContainerStyleValue index) {
    if (index < svButtonStyle || index >= EditStyleValueCount)
        return TqzContainerStyle::IsValueAssigned(index);
    if (!IsBaseStyle() && GetBaseOnlyValues().Contains(index))
        return EditNormalStyle()->IsValueAssigned(index);
    return FindEditValue(index) != nullptr;
}

TqzStyleController* TqzCustomEditStyle::GetDefaultController() {
    if (IsDirectAccess()) return nullptr;
    TqzContainer* container = GetOwnerContainer();
    if (container && container->IsInplace()) return nullptr;
    return GetDefaultEditStyleController();
}

TqzEditButtonStyle TqzCustomEditStyle::GetButtonStyle() {
    TqzCustomEditStyle* source = FindEditValue(svButtonStyle);
    return source ? source->FButtonStyle : GetDefaultButtonStyle();
}

void TqzCustomEditStyle::SetButtonStyle(TqzEditButtonStyle value) {
    if (OwnAssigned(svButtonStyle) && FButtonStyle == value) return;
    FButtonStyle = value;
    AssignValue(svButtonStyle);
    Changed();
}

TqzEditButtonTransparency TqzCustomEditStyle::GetButtonTransparency() {
    if (!IsBaseStyle()) return EditNormalStyle()->GetButtonTransparency();
    TqzCustomEditStyle* source = FindEditValue(svButtonTransparency);
    return source ? source->FButtonTransparency : GetDefaultButtonTransparency();
}

void TqzCustomEditStyle::SetButtonTransparency(TqzEditButtonTransparency value) {
    if (!IsBaseStyle()) return EditNormalStyle()->SetButtonTransparency(value);
    if (OwnAssigned(svButtonTransparency) && FButtonTransparency == value) return;
    FButtonTransparency = value;
    AssignValue(svButtonTransparency);
    Changed();
}

TqzEditPopupBorderStyle TqzCustomEditStyle::GetPopupBorderStyle() {
    if (!IsBaseStyle()) return EditNormalStyle()->GetPopupBorderStyle();
    TqzCustomEditStyle* source = FindEditValue(svPopupBorderStyle);
    return source ? source->FPopupBorderStyle : GetDefaultPopupBorderStyle();
}

void TqzCustomEditStyle::SetPopupBorderStyle(TqzEditPopupBorderStyle value) {
    if (!IsBaseStyle()) return EditNormalStyle()->SetPopupBorderStyle(value);
    if (OwnAssigned(svPopupBorderStyle) && FPopupBorderStyle == value) return;
    FPopupBorderStyle = value;
    AssignValue(svPopupBorderStyle);
    Changed();
}

bool TqzCustomEditStyle::GetGradientButtons() {
    if (!IsBaseStyle()) return EditNormalStyle()->GetGradientButtons();
    TqzCustomEditStyle* source = FindEditValue(svGradientButtons);
    return source ? source->FGradientButtons : GetDefaultGradientButtons();
}

void TqzCustomEditStyle::SetGradientButtons(bool value) {
    if (!IsBaseStyle()) return EditNormalStyle()->SetGradientButtons(value);
    if (OwnAssigned(svGradientButtons) && FGradientButtons == value) return;
    FGradientButtons = value;
    AssignValue(svGradientButtons);
    Changed();
}

bool TqzCustomEditStyle::GetPopupCloseButton() { return EditNormalStyle()->FPopupCloseButton; }

void TqzCustomEditStyle::SetPopupCloseButton(bool value) {
    TqzCustomEditStyle* normal = EditNormalStyle();
    if (normal->FPopupCloseButton == value) return;
    normal->FPopupCloseButton = value;
    normal->Changed();
}

TqzEditStyleController* TqzCustomEditStyle::GetEditStyleController() {
    return dynamic_cast<TqzEditStyleController*>(GetStyleController());
}

void TqzCustomEditStyle::SetEditStyleController(TqzEditStyleController* value) { SetStyleController(value); }

KOV_PUBLISHED(TqzCustomEditStyle) {}

KOV_PUBLISHED(TqzEditStyle) {
    Property("AssignedValues", &TqzEditStyle::GetAssignedValues, &TqzEditStyle::SetAssignedValues)
        .Default(TqzContainerStyleValues());
    Property("BorderColor", &TqzEditStyle::GetBorderColor, &TqzEditStyle::SetBorderColor)
        .TypeName("TColor")
        .Stored(&TqzEditStyle::IsBorderColorStored);
    Property("BorderStyle", &TqzEditStyle::GetEditBorderStyle, &TqzEditStyle::SetEditBorderStyle)
        .Stored(&TqzEditStyle::IsBorderStyleStored);
    Property("ButtonStyle", &TqzEditStyle::GetButtonStyle, &TqzEditStyle::SetButtonStyle)
        .Stored(&TqzEditStyle::IsButtonStyleStored);
    Property("ButtonTransparency", &TqzEditStyle::GetButtonTransparency, &TqzEditStyle::SetButtonTransparency)
        .Stored(&TqzEditStyle::IsButtonTransparencyStored);
    Property("Color", &TqzEditStyle::GetColor, &TqzEditStyle::SetColor)
        .TypeName("TColor")
        .Stored(&TqzEditStyle::IsColorStored);
    Property("Edges", &TqzEditStyle::GetEdges, &TqzEditStyle::SetEdges).Stored(&TqzEditStyle::IsEdgesStored);
    Property("Font", &TqzEditStyle::GetFont, &TqzEditStyle::SetFont).Stored(&TqzEditStyle::IsFontStored);
    Property("HotTrack", &TqzEditStyle::GetHotTrack, &TqzEditStyle::SetHotTrack)
        .Stored(&TqzEditStyle::IsHotTrackStored);
    Property("LookAndFeel", &TqzEditStyle::GetLookAndFeel, &TqzEditStyle::SetLookAndFeel)
        .Stored(&TqzEditStyle::IsLookAndFeelStored);
    Property("PopupBorderStyle", &TqzEditStyle::GetPopupBorderStyle, &TqzEditStyle::SetPopupBorderStyle)
        .Stored(&TqzEditStyle::IsPopupBorderStyleStored);
    Property("Shadow", &TqzEditStyle::GetShadow, &TqzEditStyle::SetShadow)
        .Stored(&TqzEditStyle::IsShadowStored);
    Property("StyleController", &TqzEditStyle::GetEditStyleController, &TqzEditStyle::SetEditStyleController)
        .Stored(&TqzEditStyle::IsStyleControllerStored);
    Property("TextColor", &TqzEditStyle::GetTextColor, &TqzEditStyle::SetTextColor)
        .TypeName("TColor")
        .Stored(&TqzEditStyle::IsTextColorStored);
    Property("TextStyle", &TqzEditStyle::GetTextStyle, &TqzEditStyle::SetTextStyle)
        .Stored(&TqzEditStyle::IsTextStyleStored);
    Property("TransparentBorder", &TqzEditStyle::GetTransparentBorder, &TqzEditStyle::SetTransparentBorder)
        .Stored(&TqzEditStyle::IsTransparentBorderStored);
}

// ---- TqzEditStyleController ----------------------------------------------------------------------

TqzEditStyleController::TqzEditStyleController(TComponent* owner) : TqzStyleController(owner, true) {
    CreateStyles();
}

TqzContainerStyleClass TqzEditStyleController::GetStyleClass() { return &TqzEditStyle::CreateInstance; }

KOV_PUBLISHED(TqzEditStyleController) {
    Property("Style", &TqzEditStyleController::GetStyle, &TqzEditStyleController::SetStyle);
    Property("StyleFocused", &TqzEditStyleController::GetStyleFocused,
             &TqzEditStyleController::SetStyleFocused);
    Property("StyleDisabled", &TqzEditStyleController::GetStyleDisabled,
             &TqzEditStyleController::SetStyleDisabled);
    Property("StyleHot", &TqzEditStyleController::GetStyleHot, &TqzEditStyleController::SetStyleHot);
    Property("OnStyleChanged", &TqzEditStyleController::OnStylesModified);
}
