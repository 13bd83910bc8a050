// The container styles: how a style value resolves (own, controller chain, default), how
// changes are batched and notified, how styles are stored; the four-style holder and the style
// controller with its listeners.
#include <algorithm>
#include <iterator>

#include "platform/runtime/Numbers.h"
#include "platform/runtime/TypInfo.h"
#include "suite/foundation/qzContainer.h"

namespace {

const char* const StyleValueNames[] = {"BorderColor", "BorderStyle", "Color",     "Edges",     "Font",
                                       "HotTrack",    "Shadow",      "TextColor", "TextStyle", "TransparentBorder"};
constexpr Integer StyleValueCount = 10;
// A chain of controllers longer than this is taken for a cycle.
constexpr Integer MaxControllerChain = 64;

TqzStyleController* DefaultControllerSlot = nullptr;

struct TContainerStyleTypes {
    TContainerStyleTypes() {
        RegisterEnum<TqzContainerBorderStyle>(
            "TqzContainerBorderStyle",
            {"cbsNone", "cbsSingle", "cbsThick", "cbsFlat", "cbs3D", "cbsUltraFlat", "cbsOffice11"});
        RegisterEnum<TqzBorder>("TqzBorder", {"bLeft", "bTop", "bRight", "bBottom"});
        RegisterTypeName<TqzBorders>("TqzBorders");
        RegisterTypeName<TqzContainerStyleValues>("TqzContainerStyleValues");
        RegisterClass(TqzStyleController::StaticClass());
    }
};
const TContainerStyleTypes kContainerStyleTypes;

// What a focused or hot style shows for each normal border when hot tracking raises it.
constexpr TqzContainerBorderStyle RaisedBorderStyles[] = {cbsFlat, cbsThick, cbsThick, cbs3D,
                                                          cbs3D,   cbsUltraFlat, cbsOffice11};

bool IsStateRaising(Integer state) { return state == csFocused || state == csHot; }

} // namespace

TqzStyleController* GetDefaultStyleController() { return DefaultControllerSlot; }

void SetDefaultStyleController(TqzStyleController* controller) { DefaultControllerSlot = controller; }

// ---- TqzContainerStyle -------------------------------------------------------------------------

TqzContainerStyle::TqzContainerStyle(TPersistent* owner, Integer state, TqzContainerStyle* normalStyle,
                                     bool directAccess)
    : FDirectAccess(directAccess), FOwner(owner), FNormalStyle(normalStyle), FState(state) {
    if (IsBaseStyle()) {
        FLookAndFeel = std::make_unique<TqzLookAndFeel>(this);
        FLookAndFeel->OnChanged = MakeEvent(this, &TqzContainerStyle::HandleLookAndFeelChange);
    }
    if (FDirectAccess) {
        FAssignedValues = TqzContainerStyleValues{svColor, svFont, svTextColor, svTextStyle};
        return;
    }
    if (IsBaseStyle()) {
        CreateOwnFont();
        if (GetDefaultStyleController()) SetStyleController(nullptr);
    }
}

TqzContainerStyle* TqzContainerStyle::CreateInstance(TPersistent* owner, Integer state,
                                                     TqzContainerStyle* normalStyle, bool directAccess) {
    return new TqzContainerStyle(owner, state, normalStyle, directAccess);
}

TqzContainerStyle::~TqzContainerStyle() {
    FDestroying = true;
    if (IsBaseStyle() && FStyleController) FStyleController->RemoveStyleListener(this);
    FStyleController = nullptr;
    FLookAndFeel.reset();
    FShownFont.reset();
    if (FOwnsFont) delete FFont;
    FFont = nullptr;
}

void TqzContainerStyle::CreateOwnFont() {
    FFont = new TFont;
    FOwnsFont = true;
    FFont->OnChange = MakeEvent(this, &TqzContainerStyle::HandleFontChange);
}

void TqzContainerStyle::RestoreFont() {
    if (!FFont || !FOwnsFont) return;
    ++FFontLock;
    TFont fresh;
    FFont->Assign(&fresh);
    --FFontLock;
}

TqzContainer* TqzContainerStyle::GetOwnerContainer() const { return dynamic_cast<TqzContainer*>(FOwner); }

TqzStyleController* TqzContainerStyle::GetDefaultController() { return GetDefaultStyleController(); }

TqzStyleController* TqzContainerStyle::GetEffectiveController() {
    TqzContainerStyle* normal = GetBaseStyle();
    if (normal->FStyleController) return normal->FStyleController;
    TqzStyleController* def = GetDefaultController();
    // The default controller's own styles end the chain.
    if (def && normal->FOwner == def) return nullptr;
    return def;
}

TqzContainerStyle* TqzContainerStyle::FindAssigningStyle(TqzContainerStyleValue index) {
    TqzContainerStyle* style = this;
    for (Integer depth = 0; style && depth < MaxControllerChain; ++depth) {
        if (style->FDirectAccess ? style->GetAssignedValues().Contains(index) : style->OwnAssigned(index))
            return style;
        TqzStyleController* controller = style->GetEffectiveController();
        if (!controller) return nullptr;
        TqzContainerStyle* next = controller->StyleByState(FState);
        if (next == style) return nullptr;
        style = next;
    }
    return nullptr;
}

// ---- Change notification ----

void TqzContainerStyle::Changed() {
    FModified = true;
    NotifyChanged();
}

void TqzContainerStyle::NotifyChanged() {
    if (!FModified || FUpdateCount > 0) return;
    FModified = false;
    if (!FDestroying && !FDirectAccess && FOnChanged) FOnChanged(this);
}

void TqzContainerStyle::BeginUpdate() { ++FUpdateCount; }

void TqzContainerStyle::EndUpdate() {
    if (FUpdateCount > 0) --FUpdateCount;
    NotifyChanged();
}

// One notice, whatever the font refresh changes on the way.
void TqzContainerStyle::ControllerChanged() {
    BeginUpdate();
    RefreshFontFromController();
    Changed();
    EndUpdate();
}

void TqzContainerStyle::ControllerRemoved(TqzStyleController* controller) {
    if (controller && controller == GetEffectiveController()) SetStyleController(nullptr);
}

void TqzContainerStyle::HandleLookAndFeelChange(TqzLookAndFeel*, TqzLookAndFeelValues) { Changed(); }

void TqzContainerStyle::HandleFontChange(TObject*) {
    if (!IsFontChangeFromInside()) AssignValue(svFont);
    Changed();
}

void TqzContainerStyle::RefreshFontFromController() {
    if (!IsBaseStyle() || FDirectAccess || OwnAssigned(svFont) || !FFont) return;
    ++FFontLock;
    TqzStyleController* controller = GetEffectiveController();
    TqzContainerStyle* source = controller ? controller->NormalStyle()->FindAssigningStyle(svFont) : nullptr;
    if (source && source != this) {
        FFont->Assign(source->GetFont());
    } else {
        TqzContainer* container = GetOwnerContainer();
        if (!container || !container->GetParentFont()) RestoreFont();
    }
    --FFontLock;
}

// ---- Defaults ----

TColor TqzContainerStyle::DefaultBorderColor() {
    if (IsBaseStyle()) return clWindowFrame;
    if (FState == csDisabled) return clBtnShadow;
    return FNormalStyle->GetBorderColor();
}

TqzContainerBorderStyle TqzContainerStyle::DefaultBorderStyle() {
    if (IsBaseStyle()) {
        switch (GetLookAndFeel()->GetKind()) {
        case lfFlat:
            return cbsFlat;
        case lfStandard:
            return cbs3D;
        case lfOffice11:
            return cbsOffice11;
        default:
            return cbsUltraFlat;
        }
    }
    const TqzContainerBorderStyle normal = FNormalStyle->GetBorderStyle();
    if (FNormalStyle->GetHotTrack() && IsStateRaising(FState) && normal <= cbsOffice11)
        return RaisedBorderStyles[normal];
    return normal;
}

TColor TqzContainerStyle::DefaultColor() {
    TqzContainer* container = GetOwnerContainer();
    const bool ownerUsesWindowColor = container && !container->DefaultsToParentColor();
    if (IsBaseStyle()) return ownerUsesWindowColor ? clWindow : clBtnFace;
    if (FState == csDisabled && ownerUsesWindowColor) return clBtnFace;
    return FNormalStyle->GetColor();
}

TqzBorders TqzContainerStyle::DefaultEdges() { return TqzBorders{bLeft, bTop, bRight, bBottom}; }

bool TqzContainerStyle::DefaultHotTrack() { return true; }

bool TqzContainerStyle::DefaultShadow() { return false; }

TColor TqzContainerStyle::DefaultTextColor() {
    if (IsBaseStyle()) return GetFont() ? GetFont()->GetColor() : clWindowText;
    if (FState == csDisabled) return clBtnShadow;
    return FNormalStyle->GetTextColor();
}

TFontStyles TqzContainerStyle::DefaultTextStyle() {
    if (IsBaseStyle()) return GetFont() ? GetFont()->GetStyle() : TFontStyles();
    return FNormalStyle->GetTextStyle();
}

bool TqzContainerStyle::DefaultTransparentBorder() { return true; }

// ---- Values ----

TqzContainerStyleValues TqzContainerStyle::GetBaseOnlyValues() {
    return TqzContainerStyleValues{svEdges, svFont, svHotTrack, svShadow, svTransparentBorder};
}

Integer TqzContainerStyle::GetValueCount() { return StyleValueCount; }

bool TqzContainerStyle::GetValueName(TqzContainerStyleValue index, String& name) {
    if (index >= StyleValueCount) {
        name.clear();
        return false;
    }
    name = StyleValueNames[index];
    return true;
}

bool TqzContainerStyle::FindValueIndex(const String& name, TqzContainerStyleValue& index) {
    const Integer count = GetValueCount();
    for (Integer i = 0; i < count; ++i) {
        String valueName;
        if (GetValueName(TqzContainerStyleValue(i), valueName) && valueName == name) {
            index = TqzContainerStyleValue(i);
            return true;
        }
    }
    return false;
}

bool TqzContainerStyle::SupportsBorder() { return IsBaseStyle() ? true : FNormalStyle->SupportsBorder(); }

bool TqzContainerStyle::IsValueAssigned(TqzContainerStyleValue index) {
    if (index >= GetValueCount()) return false;
    if (!IsBaseStyle() && GetBaseOnlyValues().Contains(index)) return FNormalStyle->IsValueAssigned(index);
    return FindAssigningStyle(index) != nullptr;
}

TqzContainerStyleValues TqzContainerStyle::GetAssignedValues() {
    if (!FDirectAccess) return FAssignedValues;
    TqzContainerStyleValues all;
    for (Integer i = 0; i < GetValueCount() && i <= 31; ++i) all.Include(TqzContainerStyleValue(i));
    return all;
}

void TqzContainerStyle::SetAssignedValues(TqzContainerStyleValues value) {
    if (value == FAssignedValues) return;
    FAssignedValues = value;
    if (IsBaseStyle()) RefreshFontFromController();
    Changed();
}

TColor TqzContainerStyle::GetBorderColor() {
    if (FDirectAccess) return clDefault;
    TqzContainerStyle* source = FindAssigningStyle(svBorderColor);
    return source ? source->FBorderColor : DefaultBorderColor();
}

void TqzContainerStyle::SetBorderColor(TColor value) {
    if (OwnAssigned(svBorderColor) && FBorderColor == value) return;
    FBorderColor = value;
    AssignValue(svBorderColor);
    Changed();
}

TqzContainerBorderStyle TqzContainerStyle::GetBorderStyle() {
    if (FDirectAccess) return OwnAssigned(svBorderStyle) ? FBorderStyle : DefaultBorderStyle();
    TqzContainerStyle* source = FindAssigningStyle(svBorderStyle);
    return source ? source->FBorderStyle : DefaultBorderStyle();
}

void TqzContainerStyle::SetBorderStyle(TqzContainerBorderStyle value) {
    if (OwnAssigned(svBorderStyle) && FBorderStyle == value) return;
    FBorderStyle = value;
    AssignValue(svBorderStyle);
    Changed();
}

TColor TqzContainerStyle::GetColor() {
    if (FDirectAccess) return FColor;
    TqzContainer* container = GetOwnerContainer();
    if (IsBaseStyle() && container && container->GetParentColor() && container->GetParent())
        return container->GetParent()->GetColor();
    TqzContainerStyle* source = FindAssigningStyle(svColor);
    return source ? source->FColor : DefaultColor();
}

TColor TqzContainerStyle::GetColorForControl() {
    if (FDirectAccess) return FColor;
    if (TqzContainerStyle* source = FindAssigningStyle(svColor)) return source->FColor;
    TqzContainer* container = GetOwnerContainer();
    if (IsBaseStyle() && container && !container->IsInplace() && container->GetParentColor() &&
        container->GetParent())
        return container->GetParent()->GetColor();
    return DefaultColor();
}

void TqzContainerStyle::SetColor(TColor value) {
    if (OwnAssigned(svColor) && FColor == value) return;
    FColor = value;
    AssignValue(svColor);
    Changed();
}

TqzBorders TqzContainerStyle::GetEdges() {
    if (FDirectAccess) return TqzBorders();
    if (!IsBaseStyle()) return FNormalStyle->GetEdges();
    TqzContainerStyle* source = FindAssigningStyle(svEdges);
    return source ? source->FEdges : DefaultEdges();
}

void TqzContainerStyle::SetEdges(TqzBorders value) {
    if (!IsBaseStyle()) return FNormalStyle->SetEdges(value);
    if (OwnAssigned(svEdges) && FEdges == value) return;
    FEdges = value;
    AssignValue(svEdges);
    Changed();
}

TFont* TqzContainerStyle::GetFont() {
    if (FDirectAccess) return FFont;
    if (!IsBaseStyle()) return FNormalStyle->GetFont();
    return FFont;
}

void TqzContainerStyle::SetFont(TFont* value) {
    if (FDirectAccess) {
        FFont = value;
        return;
    }
    if (!IsBaseStyle()) return FNormalStyle->SetFont(value);
    if (!value || !FFont) return;
    ++FFontLock;
    FFont->Assign(value);
    --FFontLock;
    AssignValue(svFont);
    Changed();
}

bool TqzContainerStyle::GetHotTrack() {
    if (FDirectAccess) return OwnAssigned(svHotTrack) ? FHotTrack : DefaultHotTrack();
    if (!IsBaseStyle()) return FNormalStyle->GetHotTrack();
    TqzContainerStyle* source = FindAssigningStyle(svHotTrack);
    return source ? source->FHotTrack : DefaultHotTrack();
}

void TqzContainerStyle::SetHotTrack(bool value) {
    if (!IsBaseStyle()) return FNormalStyle->SetHotTrack(value);
    if (OwnAssigned(svHotTrack) && FHotTrack == value) return;
    FHotTrack = value;
    AssignValue(svHotTrack);
    Changed();
}

TqzLookAndFeel* TqzContainerStyle::GetLookAndFeel() {
    return IsBaseStyle() ? FLookAndFeel.get() : FNormalStyle->GetLookAndFeel();
}

void TqzContainerStyle::SetLookAndFeel(TqzLookAndFeel* value) {
    if (!IsBaseStyle()) return FNormalStyle->SetLookAndFeel(value);
    if (value && value != FLookAndFeel.get()) FLookAndFeel->Assign(value);
}

bool TqzContainerStyle::GetShadow() {
    if (FDirectAccess) return false;
    if (!IsBaseStyle()) return FNormalStyle->GetShadow();
    TqzContainerStyle* source = FindAssigningStyle(svShadow);
    return source ? source->FShadow : DefaultShadow();
}

void TqzContainerStyle::SetShadow(bool value) {
    if (!IsBaseStyle()) return FNormalStyle->SetShadow(value);
    if (OwnAssigned(svShadow) && FShadow == value) return;
    FShadow = value;
    AssignValue(svShadow);
    Changed();
}

TColor TqzContainerStyle::GetTextColor() {
    if (FDirectAccess) return FTextColor;
    TqzContainerStyle* source = FindAssigningStyle(svTextColor);
    return source ? source->FTextColor : DefaultTextColor();
}

void TqzContainerStyle::SetTextColor(TColor value) {
    if (OwnAssigned(svTextColor) && GetTextColor() == value) return;
    FTextColor = value;
    AssignValue(svTextColor);
    Changed();
}

TFontStyles TqzContainerStyle::GetTextStyle() {
    if (FDirectAccess) return FFont ? FFont->GetStyle() : TFontStyles();
    TqzContainerStyle* source = FindAssigningStyle(svTextStyle);
    return source ? source->FTextStyle : DefaultTextStyle();
}

void TqzContainerStyle::SetTextStyle(TFontStyles value) {
    if (OwnAssigned(svTextStyle) && GetTextStyle() == value) return;
    FTextStyle = value;
    AssignValue(svTextStyle);
    Changed();
}

bool TqzContainerStyle::GetTransparentBorder() {
    if (FDirectAccess) return true;
    if (!IsBaseStyle()) return FNormalStyle->GetTransparentBorder();
    TqzContainerStyle* source = FindAssigningStyle(svTransparentBorder);
    return source ? source->FTransparentBorder : DefaultTransparentBorder();
}

void TqzContainerStyle::SetTransparentBorder(bool value) {
    if (!IsBaseStyle()) return FNormalStyle->SetTransparentBorder(value);
    if (OwnAssigned(svTransparentBorder) && FTransparentBorder == value) return;
    FTransparentBorder = value;
    AssignValue(svTransparentBorder);
    Changed();
}

TqzStyleController* TqzContainerStyle::GetStyleController() {
    TqzStyleController* controller = GetEffectiveController();
    return controller == GetDefaultController() ? nullptr : controller;
}

void TqzContainerStyle::SetStyleController(TqzStyleController* value) {
    if (!IsBaseStyle()) return FNormalStyle->SetStyleController(value);
    TqzStyleController* def = GetDefaultController();
    if (def && FOwner == def) return;
    if (!value) value = def;
    // A controller whose chain leads back here is refused.
    TqzStyleController* link = value;
    for (Integer depth = 0; link && depth < MaxControllerChain; ++depth) {
        TqzContainerStyle* normal = link->NormalStyle();
        if (normal == this) return;
        TqzStyleController* next = normal->GetEffectiveController();
        if (next == link) break;
        link = next;
    }
    if (value == FStyleController) return;
    // Moving the look and feel to the new master is part of the same change.
    BeginUpdate();
    if (FStyleController) FStyleController->RemoveStyleListener(this);
    FStyleController = value;
    if (value) value->AddStyleListener(this);
    ControllerChanged();
    EndUpdate();
}

// ---- Shown font, assignment, defaults ----

void TqzContainerStyle::UpdateShownFont() {
    if (!FShownFont) FShownFont = std::make_unique<TFont>();
    if (TFont* font = GetFont()) FShownFont->Assign(font);
    FShownFont->SetColor(GetTextColor());
    FShownFont->SetStyle(GetTextStyle());
}

TFont* TqzContainerStyle::GetEffectiveFont() {
    UpdateShownFont();
    return FShownFont.get();
}

void TqzContainerStyle::Assign(TPersistent* source) {
    auto* style = dynamic_cast<TqzContainerStyle*>(source);
    if (!style) return TPersistent::Assign(source);
    if (style == this) return;
    BeginUpdate();
    try {
        if (IsBaseStyle()) {
            SetStyleController(style->GetStyleController());
            if (TqzLookAndFeel* lookAndFeel = style->GetLookAndFeel()) SetLookAndFeel(lookAndFeel);
        }
        FBorderColor = style->FBorderColor;
        FBorderStyle = style->FBorderStyle;
        FEdges = style->FEdges;
        FHotTrack = style->FHotTrack;
        FShadow = style->FShadow;
        FTransparentBorder = style->FTransparentBorder;
        FColor = style->FColor;
        if (FDirectAccess) {
            FFont = style->GetFont();
            FTextColor = style->GetTextColor();
        } else {
            if (FFont && style->GetFont() && FFont != style->GetFont()) {
                FFont->Assign(style->GetFont());
                if (style->FDirectAccess) FFont->SetColor(style->GetTextColor());
            }
            FTextColor = style->GetTextColor();
            FTextStyle = style->GetTextStyle();
        }
        FAssignedValues = style->FAssignedValues;
        Changed();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TqzContainerStyle::RestoreDefaults() {
    BeginUpdate();
    try {
        SetAssignedValues(TqzContainerStyleValues());
        if (IsBaseStyle()) {
            FLookAndFeel->SetAssignedValues(TqzLookAndFeelValues());
            TqzContainer* container = GetOwnerContainer();
            if (container) {
                container->SetParentColor(false);
                container->SetParentFont(true);
            } else if (!FDirectAccess) {
                RestoreFont();
            }
            if (container && container->DefaultsToParentColor()) {
                TqzStyleController* controller = GetEffectiveController();
                if (!controller || !controller->NormalStyle()->IsValueAssigned(svColor))
                    container->SetParentColor(true);
            }
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// ---- Storage ----

bool TqzContainerStyle::IsValueStoredForState(const String& name) {
    if (name == "LookAndFeel" || name == "StyleController") return false;
    TqzContainerStyleValue index = 0;
    if (!FindValueIndex(name, index)) return true;
    return !GetBaseOnlyValues().Contains(index);
}

bool TqzContainerStyle::IsStored(TqzContainerStyleValue index) {
    if (!GetAssignedValues().Contains(index)) return false;
    TqzContainer* container = GetOwnerContainer();
    if (!container) return true;
    String name;
    GetValueName(index, name);
    return ContainerStoresStyleValue(container, name, !IsBaseStyle());
}

bool TqzContainerStyle::IsLookAndFeelStored() {
    if (!IsBaseStyle()) return false;
    TqzContainer* container = GetOwnerContainer();
    return !container || ContainerStoresStyleValue(container, "LookAndFeel", false);
}

bool TqzContainerStyle::IsStyleControllerStored() {
    if (!IsBaseStyle() || !GetStyleController()) return false;
    TqzContainer* container = GetOwnerContainer();
    return !container || ContainerStoresStyleValue(container, "StyleController", false);
}

bool ContainerStoresStyleValue(TqzContainer* container, const String& name, bool isStateStyle) {
    TqzContainerStyle* normal = container->GetStyle();
    if (isStateStyle && !normal->IsValueStoredForState(name)) return false;
    TqzContainerStyleValue index = 0;
    if (normal->FindValueIndex(name, index) && container->GetHiddenStyleValues().Contains(index)) return false;
    return true;
}

KOV_PUBLISHED(TqzContainerStyle) {
    Property("AssignedValues", &TqzContainerStyle::GetAssignedValues, &TqzContainerStyle::SetAssignedValues)
        .Default(TqzContainerStyleValues());
    Property("BorderColor", &TqzContainerStyle::GetBorderColor, &TqzContainerStyle::SetBorderColor)
        .TypeName("TColor")
        .Stored(&TqzContainerStyle::IsBorderColorStored);
    Property("BorderStyle", &TqzContainerStyle::GetBorderStyle, &TqzContainerStyle::SetBorderStyle)
        .Stored(&TqzContainerStyle::IsBorderStyleStored);
    Property("Color", &TqzContainerStyle::GetColor, &TqzContainerStyle::SetColor)
        .TypeName("TColor")
        .Stored(&TqzContainerStyle::IsColorStored);
    Property("Edges", &TqzContainerStyle::GetEdges, &TqzContainerStyle::SetEdges)
        .Stored(&TqzContainerStyle::IsEdgesStored);
    Property("Font", &TqzContainerStyle::GetFont, &TqzContainerStyle::SetFont)
        .Stored(&TqzContainerStyle::IsFontStored);
    Property("HotTrack", &TqzContainerStyle::GetHotTrack, &TqzContainerStyle::SetHotTrack)
        .Stored(&TqzContainerStyle::IsHotTrackStored);
    Property("LookAndFeel", &TqzContainerStyle::GetLookAndFeel, &TqzContainerStyle::SetLookAndFeel)
        .Stored(&TqzContainerStyle::IsLookAndFeelStored);
    Property("Shadow", &TqzContainerStyle::GetShadow, &TqzContainerStyle::SetShadow)
        .Stored(&TqzContainerStyle::IsShadowStored);
    Property("StyleController", &TqzContainerStyle::GetStyleController, &TqzContainerStyle::SetStyleController)
        .Stored(&TqzContainerStyle::IsStyleControllerStored);
    Property("TextColor", &TqzContainerStyle::GetTextColor, &TqzContainerStyle::SetTextColor)
        .TypeName("TColor")
        .Stored(&TqzContainerStyle::IsTextColorStored);
    Property("TextStyle", &TqzContainerStyle::GetTextStyle, &TqzContainerStyle::SetTextStyle)
        .Stored(&TqzContainerStyle::IsTextStyleStored);
    Property("TransparentBorder", &TqzContainerStyle::GetTransparentBorder,
             &TqzContainerStyle::SetTransparentBorder)
        .Stored(&TqzContainerStyle::IsTransparentBorderStored);
}

// ---- TqzContainerStyles ------------------------------------------------------------------------

TqzContainerStyles::TqzContainerStyles(TPersistent* owner, TqzContainerStyleClass styleClass) {
    if (!styleClass) styleClass = &TqzContainerStyle::CreateInstance;
    FStyles[csNormal] = styleClass(owner, csNormal, nullptr, false);
    for (Integer state = csFocused; state <= csHot; ++state)
        FStyles[state] = styleClass(owner, state, FStyles[csNormal], false);
}

TqzContainerStyles* TqzContainerStyles::CreateInstance(TPersistent* owner, TqzContainerStyleClass styleClass) {
    return new TqzContainerStyles(owner, styleClass);
}

TqzContainerStyles::~TqzContainerStyles() {
    for (Integer state = csHot; state >= csNormal; --state) {
        delete FStyles[state];
        FStyles[state] = nullptr;
    }
}

void TqzContainerStyles::SetChangeHandler(TqzContainerStyleChangedEvent handler) {
    for (TqzContainerStyle* style : FStyles) style->SetChangeHandler(handler);
}

// ---- TqzStyleController ------------------------------------------------------------------------

TqzStyleController::TqzStyleController(TComponent* owner) : TqzStyleController(owner, false) {}

TqzStyleController::TqzStyleController(TComponent* owner, bool deferStyles) : TComponent(owner) {
    if (!deferStyles) CreateStyles();
}

void TqzStyleController::CreateStyles() {
    FStyles.reset(GetStylesClass()(this, GetStyleClass()));
    FStyles->SetChangeHandler(MakeEvent(this, &TqzStyleController::HandleStylesChange));
}

TqzStyleController::~TqzStyleController() {
    FDestroying = true;
    if (GetDefaultStyleController() == this) SetDefaultStyleController(nullptr);
    const std::vector<TqzContainerStyle*> listeners = FListeners;
    for (TqzContainerStyle* style : listeners) style->ControllerRemoved(this);
    FStyles.reset();
    FListeners.clear();
}

void TqzStyleController::Loaded() {
    TComponent::Loaded();
    NotifyStylesChanged();
}

void TqzStyleController::HandleStylesChange(TqzContainerStyle*) { NotifyStylesChanged(); }

void TqzStyleController::NotifyStylesChanged() {
    if (OnStylesModified) OnStylesModified(this);
    if (FDestroying) return;
    const std::vector<TqzContainerStyle*> listeners = FListeners;
    for (TqzContainerStyle* style : listeners)
        if (std::find(FListeners.begin(), FListeners.end(), style) != FListeners.end()) style->ControllerChanged();
}

void TqzStyleController::AddStyleListener(TqzContainerStyle* style) {
    if (!style || std::find(FListeners.begin(), FListeners.end(), style) != FListeners.end()) return;
    FListeners.push_back(style);
    if (TqzLookAndFeel* lookAndFeel = style->GetLookAndFeel())
        lookAndFeel->SetMaster(NormalStyle()->GetLookAndFeel());
}

void TqzStyleController::RemoveStyleListener(TqzContainerStyle* style) {
    auto it = std::find(FListeners.begin(), FListeners.end(), style);
    if (it == FListeners.end()) return;
    if (!FDestroying) FListeners.erase(it);
    if (TqzLookAndFeel* lookAndFeel = style->GetLookAndFeel()) lookAndFeel->SetMaster(nullptr);
}

TqzContainerStyleClass TqzStyleController::GetStyleClass() { return &TqzContainerStyle::CreateInstance; }

TqzContainerStylesClass TqzStyleController::GetStylesClass() { return &TqzContainerStyles::CreateInstance; }

void TqzStyleController::ScaleFont(Integer numerator, Integer denominator) {
    TqzContainerStyle* normal = NormalStyle();
    if (normal->GetAssignedValues().Contains(svFont)) {
        if (FFontScaled || !normal->GetFont()) return;
        FFontScaled = true;
        normal->GetFont()->SetSize(MulDiv(normal->GetFont()->GetSize(), numerator, denominator));
        return;
    }
    if (TqzStyleController* next = normal->GetEffectiveController(); next && next != this)
        next->ScaleFont(numerator, denominator);
}

KOV_PUBLISHED(TqzStyleController) {}
