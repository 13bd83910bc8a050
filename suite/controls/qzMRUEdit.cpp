#include "suite/controls/qzMRUEdit.h"

#include "platform/runtime/TypInfo.h"
#include "suite/foundation/qzClasses.h"

namespace {

void RegisterMRUEditProperties() {
    GetEditPropertiesRegistry()->Register(
        TqzMRUEditProperties::StaticClass(),
        LocalizeSuiteText("MRUEdit|Represents a text editor displaying the list of most recently used items "
                          "(MRU) within a dropdown window"));
}

const bool kMRUEditClassesRegistered = [] {
    RegisterInterfacedPersistentClass<TqzCustomMRUEditProperties>();
    RegisterInterfacedPersistentClass<TqzMRUEditProperties>();
    RegisterClasses({TqzMRUEdit::StaticClass()});
    RegisterMRUEditProperties();
    return true;
}();

TqzEditButton* ButtonAt(TqzCustomEditProperties* properties, Integer index) {
    TqzEditButtons* buttons = properties->GetButtons();
    return index >= 0 && index < buttons->GetCount() ? buttons->GetItem(index) : nullptr;
}

} // namespace

// ---- Properties ------------------------------------------------------------------------------

TqzCustomMRUEditProperties::TqzCustomMRUEditProperties(TPersistent* owner)
    : TqzCustomComboBoxProperties(owner) {
    auto* ellipsis = static_cast<TqzEditButton*>(GetButtons()->Add());
    SetDropDownButtonIndex(1);
    ellipsis->SetKind(bkEllipsis);
    ellipsis->SetDefault(true);
    SetDropDownListStyle(lsEditList);
    SetMostRecentListMode(true);
    // Made again when the editor unit was restarted (its end frees the registry).
    RegisterMRUEditProperties();
}

void TqzCustomMRUEditProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomMRUEditProperties*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        SetMaxItemCount(other->GetMaxItemCount());
        SetShowEllipsis(other->GetShowEllipsis());
        OnButtonClick = other->OnButtonClick;
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TqzCustomMRUEditProperties::CopyRuntimeDataTo(TqzCustomEditProperties* properties) {
    inherited::CopyRuntimeDataTo(properties);
    if (auto* other = dynamic_cast<TqzCustomMRUEditProperties*>(properties))
        other->GetLookupItems()->Assign(GetLookupItems());
}

TClass TqzCustomMRUEditProperties::GetContainerClass() const { return TqzMRUEdit::StaticClass(); }

void TqzCustomMRUEditProperties::SetMaxItemCount(Integer value) {
    if (value < 0) value = 0;
    if (value == FMaxItemCount) return;
    FMaxItemCount = value;
    TrimItems();
    Changed();
}

void TqzCustomMRUEditProperties::SetShowEllipsis(bool value) {
    if (value == FShowEllipsis) return;
    BeginUpdate();
    try {
        FShowEllipsis = value;
        if (TqzEditButton* ellipsis = ButtonAt(this, 1)) ellipsis->SetVisible(value);
        SetDropDownButtonIndex(value ? 1 : 0);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TqzCustomMRUEditProperties::TrimItems() {
    if (FMaxItemCount <= 0) return;
    TStringList* items = GetLookupItems();
    while (items->GetCount() > FMaxItemCount)
        items->Delete(items->GetCount() - 1);
}

KOV_PUBLISHED(TqzCustomMRUEditProperties) {}

KOV_PUBLISHED(TqzMRUEditProperties) {
    using P = TqzMRUEditProperties;
    Property("AssignedValues", &P::GetAssignedValues, &P::SetAssignedValues);
    Property("ButtonGlyph", &P::GetButtonGlyph, &P::SetButtonGlyph);
    Property("CaseInsensitive", &P::GetCaseInsensitive, &P::SetCaseInsensitive).Default(true);
    Property("CharCase", &P::GetCharCase, &P::SetCharCase).Default(ecNormal);
    Property("DropDownAutoWidth", &P::GetDropDownAutoWidth, &P::SetDropDownAutoWidth).Default(true);
    Property("DropDownListStyle", &P::GetDropDownListStyle, &P::SetDropDownListStyle).Default(lsEditList);
    Property("DropDownRows", &P::GetDropDownRowsValue, &P::SetDropDownRows).Default(8);
    Property("DropDownSizeable", &P::GetDropDownSizeable, &P::SetDropDownSizeable).Default(false);
    Property("DropDownWidth", &P::GetDropDownWidth, &P::SetDropDownWidth).Default(0);
    Property("HideSelection", &P::GetHideSelection, &P::SetHideSelection).Default(true);
    Property("IgnoreMaskBlank", &P::IgnoreMaskBlank).Default(false);
    Property("ImeMode", &P::GetImeMode, &P::SetImeMode).Default(imDontCare);
    Property("ImeName", &P::GetImeName, &P::SetImeName).TypeName("TImeName");
    Property("ImmediateDropDown", &P::GetImmediateDropDown, &P::SetImmediateDropDown).Default(true);
    Property("ImmediatePost", &P::ImmediatePost).Default(false);
    Property("ImmediateUpdateText", &P::ImmediateUpdateText).Default(false);
    Property("ItemHeight", &P::GetItemHeight, &P::SetItemHeight).Default(0);
    Property("LookupItems", &P::GetLookupItems, &P::SetLookupItems);
    Property("MaskKind", &P::GetMaskKind, &P::SetMaskKind).Default(emkStandard);
    Property("EditMask", &P::GetEditMask, &P::SetEditMask).TypeName("TqzEditMask").Stored(&P::IsEditMaskStored);
    Property("MaxItemCount", &P::GetMaxItemCount, &P::SetMaxItemCount).Default(0);
    Property("MaxLength", &P::GetMaxLength, &P::SetMaxLength).Stored(&P::IsMaxLengthStored);
    Property("OEMConvert", &P::GetOEMConvert, &P::SetOEMConvert).Default(false);
    Property("PopupAlignment", &P::GetPopupAlignment, &P::SetPopupAlignment).Default(taLeftJustify);
    Property("PostPopupValueOnTab", &P::GetPostPopupValueOnTab, &P::SetPostPopupValueOnTab).Default(false);
    Property("Revertable", &P::Revertable).Default(false);
    Property("ShowEllipsis", &P::GetShowEllipsis, &P::SetShowEllipsis).Default(true);
    Property("ValidateOnEnter", &P::ValidateOnEnter).Default(true);
    Property("OnButtonClick", &P::OnButtonClick);
    Property("OnChange", &P::OnChange);
    Property("OnCloseUp", &P::OnCloseUp);
    Property("OnDrawItem", &P::OnDrawItem);
    Property("OnEditValueChanged", &P::OnEditValueChanged);
    Property("OnInitPopup", &P::OnInitPopup);
    Property("OnMeasureItem", &P::OnMeasureItem);
    Property("OnPopup", &P::OnPopup);
    Property("OnValidate", &P::OnValidate);
}

// ---- Editor ----------------------------------------------------------------------------------

TqzCustomMRUEdit::TqzCustomMRUEdit(TComponent* owner) : TqzCustomMRUEdit(owner, false) {}

TqzCustomMRUEdit::TqzCustomMRUEdit(TComponent* owner, bool isInplace) : TqzCustomMRUEdit(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomMRUEdit::TqzCustomMRUEdit(TComponent* owner, bool isInplace, bool)
    : TqzCustomComboBox(owner, isInplace, true) {}

TqzCustomMRUEditProperties* TqzCustomMRUEdit::GetActiveMRUProperties() {
    if (auto* active = dynamic_cast<TqzCustomMRUEditProperties*>(GetActiveProperties())) return active;
    return GetMRUProperties();
}

void TqzCustomMRUEdit::AddRecentItem(const String& text) {
    if (text.empty()) return;
    TqzCustomMRUEditProperties* properties = GetActiveMRUProperties();
    TStringList* items = properties->GetLookupItems();
    const Integer index = items->IndexOf(text);
    if (index == 0) return;
    const TLivenessToken alive = LivenessToken();
    if (!RequestEditing() || !alive) return;
    if (index == -1) {
        items->Insert(0, text);
        properties->TrimItems();
    } else {
        items->Move(index, 0);
    }
}

void TqzCustomMRUEdit::FireButtonClickEvent(Integer index) {
    if (index != 1) return;
    const TLivenessToken alive = LivenessToken();
    if (TqzCustomMRUEditProperties* own = GetMRUProperties(); own->OnButtonClick) own->OnButtonClick(this);
    if (!alive || !GetRepositoryItem()) return;
    auto* item = dynamic_cast<TqzCustomMRUEditProperties*>(GetRepositoryItem()->GetProperties());
    if (item && item->OnButtonClick) item->OnButtonClick(this);
}

void TqzCustomMRUEdit::HandleButtonPress(Integer index) {
    if (index == 0) SetDroppedDown(!HasOpenPopup());
}

void TqzCustomMRUEdit::HandleEditKeyDown(Word& key, TShiftState shift) {
    if (key == VK_RETURN && !shift.Contains(ssAlt)) {
        bool noSelection = !HasOpenPopup();
        if (!noSelection) {
            auto* list = GetLookupData() ? dynamic_cast<TqzCustomEditListBox*>(GetLookupData()->GetActiveControl())
                                         : nullptr;
            noSelection = !list || list->GetItemIndex() == -1;
        }
        if (noSelection) {
            const TLivenessToken alive = LivenessToken();
            AddRecentItem(GetText());
            if (!alive) return;
        }
    }
    inherited::HandleEditKeyDown(key, shift);
}

void TqzCustomMRUEdit::UpdateEditValueFromLookup(TObject* sender) {
    const TLivenessToken alive = LivenessToken();
    inherited::UpdateEditValueFromLookup(sender);
    if (!alive || IsNavigatingLookup()) return;
    if (RequestEditing() && alive) AddRecentItem(GetText());
}

void TqzCustomMRUEdit::StoreDisplayValue(const Variant& value) {
    const TLivenessToken alive = LivenessToken();
    inherited::StoreDisplayValue(value);
    if (alive) AddRecentItem(GetText());
}

void TqzCustomMRUEdit::ApplyActiveProperties(TObject* properties) {
    TqzCustomMRUEditProperties* active = GetActiveMRUProperties();
    const bool ellipsis = active->GetShowEllipsis();
    if (TqzEditButton* button = ButtonAt(active, ellipsis ? 1 : 0)) {
        const TqzEditButtonKind kind = !active->GetButtonGlyph()->GetEmpty() ? bkGlyph
                                       : ellipsis                            ? bkEllipsis
                                                                             : bkDown;
        button->SetKind(kind);
    }
    inherited::ApplyActiveProperties(properties);
}

KOV_PUBLISHED(TqzCustomMRUEdit) {}

TqzMRUEdit::TqzMRUEdit(TComponent* owner) : TqzCustomMRUEdit(owner, false, true) { InitializeEditor(); }

TqzMRUEdit::TqzMRUEdit(TComponent* owner, bool isInplace) : TqzCustomMRUEdit(owner, isInplace, true) {
    InitializeEditor();
}

KOV_PUBLISHED(TqzMRUEdit) {
    Property("BeepOnEnter", &TqzMRUEdit::GetBeepOnEnter, &TqzMRUEdit::SetBeepOnEnter).Default(true);
    Property("Properties", &TqzMRUEdit::GetProperties, &TqzMRUEdit::SetProperties);
}
