#include "suite/editors/qzEdit.h"

#include <algorithm>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Resources.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Cursor.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/WinCore.h"
#include "suite/foundation/qzContainer.h"
#include "suite/foundation/qzVariants.h"

namespace {

struct TEditUnit {
    bool Started = false;
    std::vector<TqzCustomEditProperties*>* LiveProperties = nullptr;
    TqzRegisteredClasses* Registry = nullptr;
    TqzEditRepository* DefaultRepository = nullptr;
    TqzFilterTextHook FilterTextHook = nullptr;
    TqzEditStyleController* DefaultStyleController = nullptr;
};

TEditUnit& Unit() {
    static TEditUnit unit;
    return unit;
}

void EnsureStarted() {
    if (!Unit().Started) EditUnitInitialize();
}

// The caption as shown: each "&" dropped and the character after it kept ("&&" leaves one);
// a trailing "&" becomes "_".
String RemoveAccelerators(const String& caption) {
    String result;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&') {
            result += caption[i];
        } else if (i + 1 == caption.size()) {
            result += '_';
        } else {
            result += caption[++i];
        }
    }
    return result;
}

const std::vector<TqzCustomEditProperties*> NoLiveProperties;

struct TEditTypes {
    TEditTypes() {
        RegisterEnum<TqzEditVertAlignment>("TqzEditVertAlignment",
                                           {"taTopJustify", "taBottomJustify", "taVCenter"});
        RegisterEnum<TqzEditButtonKind>("TqzEditButtonKind", {"bkEllipsis", "bkDown", "bkGlyph", "bkText"});
        RegisterEnum<TqzEditButtonStyle>("TqzEditButtonStyle", {"btsDefault", "bts3D", "btsFlat", "btsSimple",
                                                                "btsHotFlat", "btsUltraFlat", "btsOffice11"});
        RegisterEnum<TqzEditButtonTransparency>(
            "TqzEditButtonTransparency",
            {"ebtNone", "ebtInactive", "ebtAlways", "ebtHideInactive", "ebtHideUnselected"});
        RegisterEnum<TqzEditPopupBorderStyle>("TqzEditPopupBorderStyle",
                                              {"epbsDefault", "epbsSingle", "epbsFrame3D", "epbsFlat"});
        RegisterEnum<TqzEditBorderStyle>("TqzEditBorderStyle", {"ebsNone", "ebsSingle", "ebsThick", "ebsFlat",
                                                                "ebs3D", "ebsUltraFlat", "ebsOffice11"});
        RegisterInterfacedPersistentClass<TqzCustomEditProperties>();
        RegisterInterfacedPersistentClass<TqzCustomEditDefaultValuesProvider>();
        RegisterClass(TqzEditRepository::StaticClass());
        RegisterClass(TqzEditRepositoryItem::StaticClass());
    }
};
const TEditTypes kEditTypes;

} // namespace

// ---- Default values provider -----------------------------------------------------------------

TqzCustomEditDefaultValuesProvider::TqzCustomEditDefaultValuesProvider(TPersistent* owner)
    : TqzInterfacedPersistent(owner) {}

TqzCustomEditDefaultValuesProvider::~TqzCustomEditDefaultValuesProvider() { ClearUsers(); }

void TqzCustomEditDefaultValuesProvider::ClearUsers() {
    // A user that releases may make or free other properties objects: walk a copy, asking
    // only those still alive.
    const std::vector<TqzCustomEditProperties*> users = GetLivePropertiesList();
    for (TqzCustomEditProperties* properties : users) {
        const std::vector<TqzCustomEditProperties*>& live = GetLivePropertiesList();
        if (std::find(live.begin(), live.end(), properties) == live.end()) continue;
        IqzEditDefaultValuesProvider* provider = properties->GetDefaultValuesProvider();
        if (provider && provider->GetProviderObject() == this) properties->ReleaseDefaultValuesProvider();
    }
}

// ---- Alignment -------------------------------------------------------------------------------

TqzEditAlignment::TqzEditAlignment(TqzCustomEditProperties* owner) : FOwner(owner) {}

TPersistent* TqzEditAlignment::GetOwner() const { return FOwner; }

void TqzEditAlignment::DoChanged() {
    if (OnChanged) OnChanged(this);
}

void TqzEditAlignment::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TqzEditAlignment*>(source)) {
        FHorz = other->FHorz;
        FVert = other->FVert;
        FIsHorzAssigned = other->FIsHorzAssigned;
        DoChanged();
        return;
    }
    inherited::Assign(source);
}

void TqzEditAlignment::Reset() {
    FIsHorzAssigned = false;
    DoChanged();
}

void TqzEditAlignment::SetHorz(TAlignment value) {
    if (FIsHorzAssigned && FHorz == value) return;
    FHorz = value;
    FIsHorzAssigned = true;
    DoChanged();
}

void TqzEditAlignment::SetVert(TqzEditVertAlignment value) {
    if (FVert == value) return;
    FVert = value;
    DoChanged();
}

KOV_PUBLISHED(TqzEditAlignment) {
    Property("Horz", &TqzEditAlignment::GetHorz, &TqzEditAlignment::SetHorz)
        .Stored(&TqzEditAlignment::IsHorzStored);
    Property("Vert", &TqzEditAlignment::GetVert, &TqzEditAlignment::SetVert)
        .Stored(&TqzEditAlignment::IsVertStored);
}

// ---- Assigned values -------------------------------------------------------------------------

TPersistent* TqzCustomEditPropertiesValues::GetOwner() const { return FOwner; }

void TqzCustomEditPropertiesValues::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TqzCustomEditPropertiesValues*>(source)) {
        SetReadOnly(other->FReadOnly);
        return;
    }
    inherited::Assign(source);
}

void TqzCustomEditPropertiesValues::BeginUpdate() {
    if (FOwner) FOwner->BeginUpdate();
}

void TqzCustomEditPropertiesValues::EndUpdate(bool notify) {
    if (FOwner) FOwner->EndUpdate(notify);
}

void TqzCustomEditPropertiesValues::ResetAssignedValues() { SetReadOnly(false); }

void TqzCustomEditPropertiesValues::Changed() {
    if (FOwner) FOwner->Changed();
}

bool TqzCustomEditPropertiesValues::OwnerHasProperty(const String& name) const {
    return FOwner && IsPublishedProp(FOwner, name);
}

void TqzCustomEditPropertiesValues::SetReadOnly(bool value) {
    if (FReadOnly == value) return;
    FReadOnly = value;
    Changed();
}

KOV_PUBLISHED(TqzCustomEditPropertiesValues) {
    Property("ReadOnly", &TqzCustomEditPropertiesValues::GetReadOnly,
             &TqzCustomEditPropertiesValues::SetReadOnly)
        .Default(false);
}

// ---- Edit buttons ----------------------------------------------------------------------------

TqzEditButton::TqzEditButton(TCollection* collection) : TCollectionItem(collection) {
    // The first button added while designing becomes the default one.
    if (collection && collection->GetCount() == 1) {
        if (TComponent* component = GetOwnerComponent(collection)) {
            const TComponentState state = component->GetComponentState();
            if (state.Contains(csDesigning) && !state.Contains(csLoading)) FDefault = true;
        }
    }
}

TqzEditButton::~TqzEditButton() = default;

TqzEditButtons* TqzEditButton::OwnButtons() const { return dynamic_cast<TqzEditButtons*>(GetCollection()); }

void TqzEditButton::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzEditButton*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    TCollection* collection = GetCollection();
    if (collection) collection->BeginUpdate();
    try {
        FCaption = other->FCaption;
        FVisibleCaption = other->FVisibleCaption;
        FDefault = other->FDefault;
        FEnabled = other->FEnabled;
        SetGlyph(other->FGlyph.get());
        FKind = other->FKind;
        FLeftAlignment = other->FLeftAlignment;
        FStretchable = other->FStretchable;
        FTextColor = other->FTextColor;
        FVisible = other->FVisible;
        FWidth = other->FWidth;
        Changed(false);
    } catch (...) {
        if (collection) collection->EndUpdate();
        throw;
    }
    if (collection) collection->EndUpdate();
}

void TqzEditButton::SetCaption(const String& value) {
    if (FCaption == value) return;
    FCaption = value;
    FVisibleCaption = RemoveAccelerators(value);
    Changed(false);
}

void TqzEditButton::SetDefault(bool value) {
    if (FDefault == value) return;
    TqzEditButtons* buttons = OwnButtons();
    if (value && buttons) {
        buttons->BeginUpdate();
        for (Integer i = 0; i < buttons->GetCount(); ++i)
            buttons->GetItem(i)->FDefault = false;
        FDefault = true;
        Changed(true);
        buttons->EndUpdate();
        return;
    }
    FDefault = value;
    Changed(false);
}

void TqzEditButton::SetEnabled(bool value) {
    if (FEnabled == value) return;
    FEnabled = value;
    Changed(false);
}

TBitmap* TqzEditButton::GetGlyph() {
    if (!FGlyph) {
        FGlyph = std::make_unique<TBitmap>();
        FGlyph->OnChange = MakeEvent(this, &TqzEditButton::GlyphChanged);
    }
    return FGlyph.get();
}

void TqzEditButton::SetGlyph(TBitmap* value) {
    if (value == nullptr) {
        FGlyph.reset();
        Changed(false);
        return;
    }
    if (value == FGlyph.get()) return;
    GetGlyph()->Assign(value); // the bitmap's change reports it
}

void TqzEditButton::GlyphChanged(TObject*) { Changed(false); }

bool TqzEditButton::IsGlyphStored() const { return FGlyph && !FGlyph->GetEmpty(); }

void TqzEditButton::SetKind(TqzEditButtonKind value) {
    if (FKind == value) return;
    FKind = value;
    Changed(false);
}

void TqzEditButton::SetLeftAlignment(bool value) {
    if (FLeftAlignment == value) return;
    FLeftAlignment = value;
    Changed(false);
}

void TqzEditButton::SetStretchable(bool value) {
    if (FStretchable == value) return;
    FStretchable = value;
    Changed(false);
}

void TqzEditButton::SetTextColor(TColor value) {
    if (FTextColor == value) return;
    FTextColor = value;
    Changed(false);
}

void TqzEditButton::SetVisible(bool value) {
    if (FVisible == value) return;
    FVisible = value;
    Changed(false);
}

void TqzEditButton::SetWidth(Integer value) {
    if (FWidth < 0 || FWidth == value) return;
    FWidth = value;
    Changed(false);
}

KOV_PUBLISHED(TqzEditButton) {
    Property("Caption", &TqzEditButton::GetCaption, &TqzEditButton::SetCaption);
    Property("Default", &TqzEditButton::GetDefault, &TqzEditButton::SetDefault).Default(false);
    Property("Enabled", &TqzEditButton::GetEnabled, &TqzEditButton::SetEnabled).Default(true);
    Property("Glyph", &TqzEditButton::GetGlyph, &TqzEditButton::SetGlyph)
        .Stored(&TqzEditButton::IsGlyphStored);
    Property("Kind", &TqzEditButton::GetKind, &TqzEditButton::SetKind).Default(bkDown);
    Property("LeftAlignment", &TqzEditButton::GetLeftAlignment, &TqzEditButton::SetLeftAlignment)
        .Default(false);
    Property("Stretchable", &TqzEditButton::GetStretchable, &TqzEditButton::SetStretchable).Default(true);
    Property("Visible", &TqzEditButton::GetVisible, &TqzEditButton::SetVisible).Default(true);
    Property("Width", &TqzEditButton::GetWidth, &TqzEditButton::SetWidth).Default(0);
}

TqzEditButtons::TqzEditButtons(TPersistent* owner, TCollectionItemClass buttonClass)
    : TOwnedCollection(owner, buttonClass) {}

Integer TqzEditButtons::GetVisibleCount() const {
    Integer count = 0;
    for (Integer i = 0; i < GetCount(); ++i)
        if (GetItem(i)->GetVisible()) ++count;
    return count;
}

void TqzEditButtons::Update(TCollectionItem* item) {
    inherited::Update(item);
    if (OnChange) OnChange(this);
}

// ---- Button view info ------------------------------------------------------------------------

void TqzEditButtonViewInfo::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TqzEditButtonViewInfo*>(source)) {
        Data.NativeState = other->Data.NativeState;
        Data.BackgroundColor = other->Data.BackgroundColor;
        Bounds = other->Bounds;
        Data.State = other->Data.State;
        Data.Rightmost = other->Data.Rightmost;
        return;
    }
    inherited::Assign(source);
}

bool TqzEditButtonViewInfo::DiffersFrom(const TqzEditButtonViewInfo* old) const {
    return !old || Data.State != old->Data.State || Data.Rightmost != old->Data.Rightmost ||
           Data.BackgroundColor != old->Data.BackgroundColor || Data.NativeState != old->Data.NativeState;
}

std::unique_ptr<TqzRegion> TqzEditButtonViewInfo::GetChangedRegion(TqzEditButtonViewInfo* old) {
    if (!DiffersFrom(old)) return TqzRegion::CreateEmpty();
    return TqzRegion::CreateFromRect(Bounds);
}

bool TqzEditButtonViewInfo::InvalidateIfChanged(TWinControl* control, TqzEditButtonViewInfo* old,
                                                const TPoint& origin) {
    if (!DiffersFrom(old)) return false;
    TRect rect = Bounds;
    OffsetRect(&rect, origin.x, origin.y);
    if (control) InvalidateControlRect(control, rect, EraseBackground);
    return true;
}

// ---- Editor properties -----------------------------------------------------------------------

TqzCustomEditProperties::TqzCustomEditProperties(TPersistent* owner)
    : TqzInterfacedPersistent(owner), FFreeNotificator(std::make_unique<TqzFreeNotificator>(nullptr)),
      FStoredAlignment(std::make_unique<TqzEditAlignment>(this)),
      FAlignment(std::make_unique<TqzEditAlignment>(this)),
      FButtons(std::make_unique<TqzEditButtons>(this, TCollectionItemClass::Of<TqzEditButton>())) {
    EnsureStarted();
    FFreeNotificator->OnComponentFreed = MakeEvent(this, &TqzCustomEditProperties::HandleFreeNotification);
    FStoredAlignment->OnChanged = MakeEvent(this, &TqzCustomEditProperties::StoredAlignmentChanged);
    FAlignment->OnChanged = MakeEvent(this, &TqzCustomEditProperties::AlignmentChanged);
    FButtons->OnChange = MakeEvent(this, &TqzCustomEditProperties::ButtonsChanged);
    if (auto* live = Unit().LiveProperties) live->push_back(this);
}

TqzCustomEditProperties::~TqzCustomEditProperties() {
    FDefaultValuesProvider = nullptr;
    FButtons.reset();
    FAlignment.reset();
    FStoredAlignment.reset();
    FAssignedValues.reset();
    FFreeNotificator.reset();
    if (auto* live = Unit().LiveProperties)
        live->erase(std::remove(live->begin(), live->end(), this), live->end());
}

// -- Change protocol --

void TqzCustomEditProperties::BeginUpdate() { ++FUpdateCount; }

void TqzCustomEditProperties::EndUpdate(bool notify) {
    if (FUpdateCount < 1) return;
    --FUpdateCount;
    if (FUpdateCount == 0 && notify) Changed();
}

bool TqzCustomEditProperties::IsOwnerComponentDestroying() const {
    auto* component = dynamic_cast<TComponent*>(GetOwner());
    return component && component->GetComponentState().Contains(csDestroying);
}

void TqzCustomEditProperties::Changed() {
    if (IsChangedLocked() || IsOwnerComponentDestroying()) return;
    if (FOnPropertiesChanged) FOnPropertiesChanged(this);
}

void TqzCustomEditProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomEditProperties*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        SetAutoSelect(other->GetAutoSelect());
        FButtons->Assign(other->GetButtons());
        SetButtonsLayout(other->GetButtonsLayout());
        BeepOnError = other->BeepOnError;
        ClearKey = other->ClearKey;
        ClickKey = other->ClickKey;
        SetUseLeftAlignmentOnEditing(other->GetUseLeftAlignmentOnEditing());
        SetDefaultValuesProvider(other->GetDefaultValuesProvider());
        SetAlignment(other->GetAlignment());
        GetAssignedValues()->SetReadOnly(false);
        if (other->GetAssignedValues()->GetReadOnly()) SetReadOnly(other->GetReadOnly());
        ImmediatePost = other->ImmediatePost;
        SetTransparent(other->GetTransparent());
        InPlaceMouseWheel = other->InPlaceMouseWheel;
        ValidateOnEnter = other->ValidateOnEnter;
        OnButtonClick = other->OnButtonClick;
        OnChange = other->OnChange;
        OnEditValueChanged = other->OnEditValueChanged;
        OnValidate = other->OnValidate;
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// -- Settings --

TqzEditAlignment* TqzCustomEditProperties::GetAlignment() {
    FAlignment->OnChanged = nullptr;
    FAlignment->FHorz = FStoredAlignment->FHorz;
    FAlignment->FIsHorzAssigned = FStoredAlignment->FIsHorzAssigned;
    FAlignment->FVert = FStoredAlignment->FVert;
    if (!FStoredAlignment->IsHorzAssigned()) {
        TComponent* component = GetOwnerComponent(this);
        const bool writing = component && component->GetComponentState().Contains(csWriting);
        const bool hasSomethingToStore = FStoredAlignment->IsHorzStored() || FStoredAlignment->IsVertStored();
        if (!(writing && hasSomethingToStore)) FAlignment->FHorz = GetDefaultHorzAlignment();
    }
    FAlignment->OnChanged = MakeEvent(this, &TqzCustomEditProperties::AlignmentChanged);
    return FAlignment.get();
}

void TqzCustomEditProperties::SetAlignment(TqzEditAlignment* value) {
    FStoredAlignment->OnChanged = nullptr;
    FStoredAlignment->Assign(value);
    FStoredAlignment->OnChanged = MakeEvent(this, &TqzCustomEditProperties::StoredAlignmentChanged);
    Changed();
}

void TqzCustomEditProperties::AlignmentChanged(TObject*) {
    FStoredAlignment->OnChanged = nullptr;
    FStoredAlignment->Assign(FAlignment.get());
    FStoredAlignment->OnChanged = MakeEvent(this, &TqzCustomEditProperties::StoredAlignmentChanged);
    Changed();
}

void TqzCustomEditProperties::StoredAlignmentChanged(TObject*) { Changed(); }

TqzCustomEditPropertiesValues* TqzCustomEditProperties::GetAssignedValues() {
    if (!FAssignedValues) {
        TObject* made = GetAssignedValuesClass()->Create();
        auto* values = dynamic_cast<TqzCustomEditPropertiesValues*>(made);
        if (!values) {
            delete made;
            throw EInvalidOperation("The assigned values class is not a TqzCustomEditPropertiesValues");
        }
        values->FOwner = this;
        FAssignedValues.reset(values);
    }
    return FAssignedValues.get();
}

void TqzCustomEditProperties::SetAssignedValues(TqzCustomEditPropertiesValues* value) {
    GetAssignedValues()->Assign(value);
}

TClass TqzCustomEditProperties::GetAssignedValuesClass() const {
    return TqzCustomEditPropertiesValues::StaticClass();
}

void TqzCustomEditProperties::SetAutoSelect(bool value) {
    if (FAutoSelect == value) return;
    FAutoSelect = value;
    Changed();
}

void TqzCustomEditProperties::SetButtons(TqzEditButtons* value) { FButtons->Assign(value); }

void TqzCustomEditProperties::SetButtonsLayout(Byte value) {
    if (FButtonsLayout == value) return;
    FButtonsLayout = value;
    Changed();
}

bool TqzCustomEditProperties::GetReadOnly() {
    if (GetAssignedValues()->GetReadOnly()) return FReadOnly;
    if (FDefaultValuesProvider) return FDefaultValuesProvider->GetDefaultReadOnly();
    return false;
}

void TqzCustomEditProperties::SetReadOnly(bool value) {
    TqzCustomEditPropertiesValues* values = GetAssignedValues();
    if (values->GetReadOnly() && FReadOnly == value) return;
    BeginUpdate();
    values->SetReadOnly(true);
    FReadOnly = value;
    EndUpdate(false);
    Changed();
}

bool TqzCustomEditProperties::IsReadOnlyStored() { return GetAssignedValues()->GetReadOnly(); }

void TqzCustomEditProperties::SetTransparent(bool value) {
    if (FTransparent == value) return;
    FTransparent = value;
    Changed();
}

bool TqzCustomEditProperties::GetUseLeftAlignmentOnEditing() const {
    return FUseLeftAlignmentOnEditingAssigned ? FUseLeftAlignmentOnEditing
                                              : GetDefaultUseLeftAlignmentOnEditing();
}

void TqzCustomEditProperties::SetUseLeftAlignmentOnEditing(bool value) {
    if (GetUseLeftAlignmentOnEditing() == value) return;
    FUseLeftAlignmentOnEditing = value;
    FUseLeftAlignmentOnEditingAssigned = true;
    Changed();
}

bool TqzCustomEditProperties::IsUseLeftAlignmentOnEditingStored() const {
    return GetUseLeftAlignmentOnEditing() != GetDefaultUseLeftAlignmentOnEditing();
}

// -- Provider --

void TqzCustomEditProperties::SetDefaultValuesProvider(IqzEditDefaultValuesProvider* value) {
    FDefaultValuesProvider = value;
    if (dynamic_cast<TqzCustomEdit*>(GetOwner())) Changed();
}

void TqzCustomEditProperties::ReleaseDefaultValuesProvider() { FDefaultValuesProvider = nullptr; }

bool TqzCustomEditProperties::CanModify() {
    if (GetAssignedValues()->GetReadOnly() && !FReadOnly) return true;
    if (GetReadOnly()) return false;
    return FDefaultValuesProvider ? FDefaultValuesProvider->CanModifyValue() : true;
}

bool TqzCustomEditProperties::IsFormattingFromSourceWhileIdle() {
    const Byte options = GetDisplayFormatOptions();
    return (options & qzdfoSupported) && GetEditValueSource(true) == 0 && GetEditValueSource(false) == 1 &&
           FDefaultValuesProvider &&
           FDefaultValuesProvider->HasSourceDisplayFormat((options & qzdfoNoCurrencyValue) == 0);
}

// -- Virtual operations --

void TqzCustomEditProperties::ButtonsChanged(TObject*) { Changed(); }

void TqzCustomEditProperties::HandleFreeNotification(TObject*, TComponent*) {}

TAlignment TqzCustomEditProperties::GetDefaultHorzAlignment() {
    if (FDefaultValuesProvider) return FDefaultValuesProvider->GetDefaultAlignment();
    return FStoredAlignment->GetHorz();
}

void TqzCustomEditProperties::GetDefaultValidationErrorText(String& text) {
    text = LocalizeSuiteText("Invalid input value. Use escape key to abandon changes");
}

bool TqzCustomEditProperties::IsDisplayFormatFromSource(bool editing) {
    const Byte options = GetDisplayFormatOptions();
    if (editing || !(options & qzdfoSupported) || !FDefaultValuesProvider) return false;
    return FDefaultValuesProvider->HasSourceDisplayFormat((options & qzdfoNoCurrencyValue) == 0);
}

bool TqzCustomEditProperties::AreDisplayValuesEqual(const Variant& v1, const Variant& v2) {
    Variant d1, d2;
    PrepareDisplayValue(v1, d1, false);
    PrepareDisplayValue(v2, d2, false);
    return VariantValuesEqual(d1, d2);
}

TqzCustomEditProperties* TqzCustomEditProperties::CreateOfSameClass() {
    return static_cast<TqzCustomEditProperties*>(TqzInterfacedPersistent::Create(ClassType(), nullptr));
}

Integer TqzCustomEditProperties::GetSupportedOperations() {
    return FButtons->GetCount() > 0 ? qzesoShowingButtons : 0;
}

void TqzCustomEditProperties::PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool) {
    displayValue = editValue;
}

void TqzCustomEditProperties::ResetToDefaults() {
    FStoredAlignment->Reset();
    BeginUpdate();
    try {
        GetAssignedValues()->ResetAssignedValues();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

KOV_PUBLISHED(TqzCustomEditProperties) {
    Property("Alignment", &TqzCustomEditProperties::GetAlignment, &TqzCustomEditProperties::SetAlignment);
    Property("AssignedValues", &TqzCustomEditProperties::GetAssignedValues,
             &TqzCustomEditProperties::SetAssignedValues);
    Property("AutoSelect", &TqzCustomEditProperties::GetAutoSelect, &TqzCustomEditProperties::SetAutoSelect)
        .Default(true);
    Property("BeepOnError", &TqzCustomEditProperties::BeepOnError).Default(false);
    Property("ClearKey", &TqzCustomEditProperties::ClearKey).Default(TShortCut(0)).TypeName("TShortCut");
    Property("ClickKey", &TqzCustomEditProperties::ClickKey).Default(TShortCut(0x400D)).TypeName("TShortCut");
    Property("ImmediatePost", &TqzCustomEditProperties::ImmediatePost).Default(false);
    Property("ReadOnly", &TqzCustomEditProperties::GetReadOnly, &TqzCustomEditProperties::SetReadOnly)
        .Stored(&TqzCustomEditProperties::IsReadOnlyStored);
    Property("Transparent", &TqzCustomEditProperties::GetTransparent,
             &TqzCustomEditProperties::SetTransparent)
        .Default(false);
    Property("UseLeftAlignmentOnEditing", &TqzCustomEditProperties::GetUseLeftAlignmentOnEditing,
             &TqzCustomEditProperties::SetUseLeftAlignmentOnEditing)
        .Stored(&TqzCustomEditProperties::IsUseLeftAlignmentOnEditingStored);
    Property("ValidateOnEnter", &TqzCustomEditProperties::ValidateOnEnter).Default(false);
    Property("OnButtonClick", &TqzCustomEditProperties::OnButtonClick);
    Property("OnChange", &TqzCustomEditProperties::OnChange);
    Property("OnEditValueChanged", &TqzCustomEditProperties::OnEditValueChanged);
    Property("OnValidate", &TqzCustomEditProperties::OnValidate);
}

// ---- Repository ------------------------------------------------------------------------------

TqzEditRepositoryItem::TqzEditRepositoryItem(TComponent* owner) : TComponent(owner) { EnsureStarted(); }

TqzEditRepositoryItem::~TqzEditRepositoryItem() {
    // A listener may remove itself (or others) while it hears of the removal.
    while (!FListeners.empty()) {
        IqzEditRepositoryItemListener* listener = FListeners.back();
        FListeners.pop_back();
        listener->ItemRemoved(this);
    }
    SetRepository(nullptr);
    FProperties.reset();
}

TClass TqzEditRepositoryItem::GetPropertiesClass() const { return TqzCustomEditProperties::StaticClass(); }

TqzCustomEditProperties* TqzEditRepositoryItem::GetProperties() {
    if (!FProperties) {
        TqzInterfacedPersistent* made = TqzInterfacedPersistent::Create(GetPropertiesClass(), this);
        auto* properties = dynamic_cast<TqzCustomEditProperties*>(made);
        if (!properties) {
            delete made;
            throw EInvalidOperation(
                "The properties class of a repository item is not an editor properties class");
        }
        FProperties.reset(properties);
        FProperties->SetOnPropertiesChanged(
            MakeEvent(this, &TqzEditRepositoryItem::NotifyPropertiesListeners));
    }
    return FProperties.get();
}

void TqzEditRepositoryItem::SetProperties(TqzCustomEditProperties* value) { GetProperties()->Assign(value); }

void TqzEditRepositoryItem::NotifyPropertiesListeners(TObject*) {
    // Last first; a listener may leave while it hears.
    const std::vector<IqzEditRepositoryItemListener*> listeners = FListeners;
    for (auto it = listeners.rbegin(); it != listeners.rend(); ++it)
        if (std::find(FListeners.begin(), FListeners.end(), *it) != FListeners.end())
            (*it)->PropertiesChanged(this);
}

void TqzEditRepositoryItem::AddListener(IqzEditRepositoryItemListener* listener) {
    if (!listener || std::find(FListeners.begin(), FListeners.end(), listener) != FListeners.end()) return;
    FListeners.push_back(listener);
}

void TqzEditRepositoryItem::RemoveListener(IqzEditRepositoryItemListener* listener) {
    FListeners.erase(std::remove(FListeners.begin(), FListeners.end(), listener), FListeners.end());
}

void TqzEditRepositoryItem::SetRepository(TqzEditRepository* value) {
    if (FRepository == value) return;
    if (FRepository) FRepository->RemoveItem(this);
    FRepository = value;
    if (FRepository) FRepository->AddItem(this);
}

TComponent* TqzEditRepositoryItem::GetParentComponent() const { return FRepository; }

void TqzEditRepositoryItem::SetParentComponent(TComponent* value) {
    if (GetComponentState().Contains(csLoading)) return;
    SetRepository(dynamic_cast<TqzEditRepository*>(value));
}

void TqzEditRepositoryItem::ReadState(TReader* reader) {
    inherited::ReadState(reader);
    if (auto* repository = dynamic_cast<TqzEditRepository*>(reader->GetParent())) SetRepository(repository);
}

KOV_PUBLISHED(TqzEditRepositoryItem) {
    Property("PropertiesEvents", &TqzEditRepositoryItem::PropertiesEvents);
}

TqzEditRepository::TqzEditRepository(TComponent* owner) : TComponent(owner) { EnsureStarted(); }

TqzEditRepository::~TqzEditRepository() {
    while (!FItems.empty())
        delete FItems.back(); // the item leaves the list as it goes
}

TqzEditRepositoryItem* TqzEditRepository::Items(Integer index) const {
    if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
    return FItems[std::size_t(index)];
}

void TqzEditRepository::AddItem(TqzEditRepositoryItem* item) {
    if (std::find(FItems.begin(), FItems.end(), item) == FItems.end()) FItems.push_back(item);
}

void TqzEditRepository::RemoveItem(TqzEditRepositoryItem* item) {
    FItems.erase(std::remove(FItems.begin(), FItems.end(), item), FItems.end());
    if (item && item->FRepository == this) item->FRepository = nullptr;
}

TqzEditRepositoryItem* TqzEditRepository::CreateItem(TClass itemClass) {
    return CreateItemEx(itemClass, this);
}

TqzEditRepositoryItem* TqzEditRepository::CreateItemEx(TClass itemClass, TComponent* owner) {
    TObject* made = itemClass->Create(owner);
    auto* item = dynamic_cast<TqzEditRepositoryItem*>(made);
    if (!item) {
        delete made;
        throw EInvalidOperation("Not a repository item class: " + itemClass->ClassName());
    }
    item->SetRepository(this);
    return item;
}

void TqzEditRepository::GetChildren(const TGetChildProc& proc, TComponent* root) {
    for (TqzEditRepositoryItem* item : std::vector<TqzEditRepositoryItem*>(FItems))
        if (item->GetOwner() == root) proc(item);
}

// ---- Registries and unit services ------------------------------------------------------------

TqzRegisteredClasses* GetEditPropertiesRegistry() {
    TEditUnit& unit = Unit();
    if (!unit.Registry) {
        unit.Registry = new TqzRegisteredClasses(false);
        unit.Registry->SetSorted(true);
    }
    return unit.Registry;
}

TqzEditRepository* GetDefaultEditRepository() {
    TEditUnit& unit = Unit();
    if (!unit.DefaultRepository) unit.DefaultRepository = new TqzEditRepository(nullptr);
    return unit.DefaultRepository;
}

void LocalizeFilterText(const String& text, String& result) {
    TqzFilterTextHook hook = Unit().FilterTextHook;
    result = hook ? hook(text) : text;
}

TqzFilterTextHook GetFilterTextHook() { return Unit().FilterTextHook; }
void SetFilterTextHook(TqzFilterTextHook hook) { Unit().FilterTextHook = hook; }

const std::vector<TqzCustomEditProperties*>& GetLivePropertiesList() {
    const auto* live = Unit().LiveProperties;
    return live ? *live : NoLiveProperties;
}

void EditUnitInitialize() {
    TEditUnit& unit = Unit();
    if (unit.Started) return;
    unit.Started = true;
    Screen->SetCursors(crqzEditMouseWheel, LoadCursorA(HInstance, "QZEDIT_MOUSEWHEEL"));
    // Made before the slot holds it, so that its own styles consult no controller.
    unit.DefaultStyleController = new TqzEditStyleController(nullptr);
    SetDefaultStyleController(unit.DefaultStyleController);
    unit.LiveProperties = new std::vector<TqzCustomEditProperties*>();
    unit.FilterTextHook = &LocalizeSuiteText;
}

void EditUnitFinalize() {
    TEditUnit& unit = Unit();
    if (!unit.Started) return;
    unit.FilterTextHook = nullptr;
    delete unit.Registry;
    unit.Registry = nullptr;
    TqzEditRepository* repository = unit.DefaultRepository;
    unit.DefaultRepository = nullptr;
    delete repository;
    delete unit.LiveProperties;
    unit.LiveProperties = nullptr;
    TqzEditStyleController* controller = unit.DefaultStyleController;
    unit.DefaultStyleController = nullptr;
    if (GetDefaultStyleController() == controller) SetDefaultStyleController(nullptr);
    delete controller;
    unit.Started = false;
}

bool IsEditUnitStarted() { return Unit().Started; }

TqzEditStyleController* GetDefaultEditStyleController() { return Unit().DefaultStyleController; }

// ---- Shared routines -------------------------------------------------------------------------

TShiftState MouseButtonToShiftState(TMouseButton button) {
    switch (button) {
    case mbLeft:
        return TShiftState{ssLeft};
    case mbRight:
        return TShiftState{ssRight};
    default:
        return TShiftState{ssMiddle};
    }
}

TShiftState MouseButtonCodeToShiftState(Integer code) {
    switch (code) {
    case 1:
        return TShiftState{ssLeft};
    case 2:
        return TShiftState{ssRight};
    case 3:
        return TShiftState{ssMiddle};
    default:
        return TShiftState();
    }
}

Integer ShiftStateToMouseKeyFlags(TShiftState shift) {
    Integer flags = 0;
    if (shift.Contains(ssLeft)) flags |= 1;
    if (shift.Contains(ssRight)) flags |= 2;
    if (shift.Contains(ssShift)) flags |= 4;
    if (shift.Contains(ssCtrl)) flags |= 8;
    if (shift.Contains(ssMiddle)) flags |= 16;
    return flags;
}

void MaxSize(TSize& a, const TSize& b) {
    a.cx = std::max(a.cx, b.cx);
    a.cy = std::max(a.cy, b.cy);
}

TComponent* GetOwnerComponent(TPersistent* persistent) {
    TPersistent* current = persistent;
    while (current) {
        if (auto* component = dynamic_cast<TComponent*>(current)) return component;
        current = GetPersistentOwner(current);
    }
    return nullptr;
}

bool VariantsEqualSameType(const Variant& a, const Variant& b) {
    return a.VType() == b.VType() && VariantValuesEqual(a, b);
}

bool IsSpaceChar(char32_t ch) { return ch == 0 || ch == 9 || ch == 10 || ch == 12 || ch == 13 || ch == 32; }

bool IsRegionEmpty(TqzRegion* region) {
    RECT box{};
    return !region || GetRgnBox(region->GetHandle(), &box) == NULLREGION;
}

void AddRegion(TqzRegion* region, TqzRegion* other) {
    if (region && other) CombineRgn(region->GetHandle(), region->GetHandle(), other->GetHandle(), RGN_OR);
}

void SendKeyDownToEdit(TWinControl* editor, Word key) {
    SendMessageA(editor->GetHandle(), WM_KEYDOWN, key, 0);
}

void SendCharToEdit(TWinControl* editor, char32_t ch) {
    SendMessageA(editor->GetHandle(), WM_CHAR, WPARAM(ch), 0);
}
