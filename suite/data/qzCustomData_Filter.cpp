// The data controller's filter criteria, their value lists and the list of extra filters.
#include <algorithm>

#include "platform/runtime/Filer.h"
#include "suite/data/qzCustomData.h"
#include "suite/data/qzFilterConsts.h"
#include "suite/editors/qzEdit.h"

namespace {
String Localized(const char* text) {
    String result;
    LocalizeFilterText(text, result);
    return result;
}
} // namespace

// ---- Conditions ----------------------------------------------------------------------------------

TqzCustomDataController* TqzDataFilterCriteriaItem::Controller() const {
    auto* criteria = dynamic_cast<TqzDataFilterCriteria*>(Criteria());
    return criteria ? criteria->GetController() : nullptr;
}

Variant TqzDataFilterCriteriaItem::RecordValue(Integer recordIndex) {
    TqzCustomDataField* field = GetField();
    TqzCustomDataController* c = Controller();
    if (!field || !c) return Null();
    return c->GetFilterValue(recordIndex, c->GetItemIndexOfField(field));
}

String TqzDataFilterCriteriaItem::ItemCaption() {
    TqzCustomDataField* field = GetField();
    TqzCustomDataController* c = Controller();
    if (!field || !c || !field->GetItem()) return String();
    return c->GetItemCaption(c->GetItemIndexOfField(field));
}

String TqzDataFilterCriteriaItem::ExpressionFieldName() {
    TqzCustomDataField* field = GetField();
    TqzCustomDataController* c = Controller();
    if (!field || !c || !field->GetItem()) return String();
    return c->GetItemFilterName(c->GetItemIndexOfField(field));
}

TObject* TqzDataFilterCriteriaItem::LinkedItem() {
    TqzCustomDataField* field = GetField();
    return field ? field->GetItem() : nullptr;
}

// ---- Value lists ---------------------------------------------------------------------------------

void TqzDataFilterValueList::Load(Integer itemIndex) {
    auto* criteria = static_cast<TqzDataFilterCriteria*>(GetCriteria());
    TqzCustomDataController* c = criteria->GetController();
    ClearItems();
    SetCompareByText(c->GetItemSortByDisplayText(itemIndex, false));
    Add(fvkAll, Null(), Localized(qzSFilterBoxAllCaption));
    Add(fvkCustom, Null(), Localized(qzSFilterBoxCustomCaption));
    bool blanks = c->GetProvider()->IsGridMode();
    std::vector<std::pair<Variant, String>> values;
    if (!blanks)
        for (Integer record = 0; record < c->GetRecordCount(); ++record) {
            const Variant value = c->GetFilterValue(record, itemIndex);
            if (criteria->ValueIsNull(value))
                blanks = true;
            else
                values.emplace_back(value, c->GetFilterDisplayText(record, itemIndex));
        }
    // The fixed entries stand before the values: the blanks ones go in once the values are read.
    if (blanks) {
        Add(fvkBlanks, Null(), Localized(qzSFilterBoxBlanksCaption));
        Add(fvkNonBlanks, Null(), Localized(qzSFilterBoxNonBlanksCaption));
    }
    for (const auto& [value, text] : values) Add(fvkValue, value, text);
    criteria->OnGetValueList(criteria, itemIndex, this);
}

// ---- Criteria ------------------------------------------------------------------------------------

TqzDataFilterCriteria::~TqzDataFilterCriteria() {
    FDestroying = true;
    if (FController && FController->GetFilters()) FController->GetFilters()->Remove(this);
    FActive = false;
}

void TqzDataFilterCriteria::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzDataFilterCriteria*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        SetActive(other->FActive);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

Integer TqzDataFilterCriteria::ItemLinkIndex(TObject* itemLink) {
    auto* field = dynamic_cast<TqzCustomDataField*>(itemLink);
    return field && field->GetItem() ? FController->GetItemID(field->GetItem()) : -1;
}

TObject* TqzDataFilterCriteria::ItemLinkAt(Integer index) { return FieldOf(FController->FindItemByID(index)); }

TqzFilterCriteriaItemClass TqzDataFilterCriteria::ConditionClass() {
    return FilterCriteriaItemClass<TqzDataFilterCriteriaItem>();
}

TqzFilterValueListClass TqzDataFilterCriteria::ValueListClass() {
    return FilterValueListClass<TqzDataFilterValueList>();
}

TqzDataFilterValueList* TqzDataFilterCriteria::CreateValueList() {
    return static_cast<TqzDataFilterValueList*>(ValueListClass()->Create(this));
}

TObject* TqzDataFilterCriteria::FieldOf(TObject* itemLink) const {
    if (!itemLink || dynamic_cast<TqzCustomDataField*>(itemLink)) return itemLink;
    return FController->GetFields()->FieldByItem(itemLink);
}

TqzFilterCriteriaItem* TqzDataFilterCriteria::AddCondition(TqzFilterCriteriaItemList* list, TObject* itemLink,
                                                           TqzFilterOperatorKind operatorKind, const Variant& value,
                                                           const String& displayValue) {
    return inherited::AddCondition(list, FieldOf(itemLink), operatorKind, value, displayValue);
}

TqzFilterCriteriaItem* TqzDataFilterCriteria::FindByItemLink(TObject* itemLink) {
    return inherited::FindByItemLink(FieldOf(itemLink));
}

bool TqzDataFilterCriteria::IsFiltering() const {
    return FActive && GetRoot()->Count() > 0 && !FController->GetProvider()->IsGridMode();
}

void TqzDataFilterCriteria::SetActive(bool value) {
    if (FActive == value) return;
    FActive = value;
    SignalChange();
}

void TqzDataFilterCriteria::NotifyChanged() {
    if (FDestroying || !FController || FController->IsDestroying()) return;
    if (FController->GetFilters() && FController->GetFilters()->Contains(this)) return;
    if (FController->IsOwnerDestroying() || FController->IsOwnerLoading()) return;
    if (!FController->GetProvider()->IsSourceActive()) FController->PostEditing();
    FController->FilterChanged();
    inherited::NotifyChanged();
}

void TqzDataFilterCriteria::CopyEvents(TPersistent* source) {
    inherited::CopyEvents(source);
    if (auto* other = dynamic_cast<TqzDataFilterCriteria*>(source)) OnGetValueList = other->OnGetValueList;
}

void TqzDataFilterCriteria::DefineProperties(TFiler* filer) {
    inherited::DefineProperties(filer);
    TqzFilterCriteriaItemList* root = GetRoot();
    filer->DefineBinaryProperty(
        "Criteria", [this](TStream* stream) { ReadData(stream); }, [this](TStream* stream) { WriteData(stream); },
        root->Count() > 0 || root->GetBoolOperatorKind() != fboAnd);
}

// ---- Extra filters -------------------------------------------------------------------------------

TqzDataFilterList::~TqzDataFilterList() { RemoveAll(); }

void TqzDataFilterList::Remove(TqzDataFilterCriteria* filter) { std::erase(FItems, filter); }

bool TqzDataFilterList::Contains(const TqzDataFilterCriteria* filter) const {
    return std::find(FItems.begin(), FItems.end(), filter) != FItems.end();
}

void TqzDataFilterList::FieldRemoved(TqzCustomDataField* field) {
    const std::vector<TqzDataFilterCriteria*> filters = FItems;
    for (TqzDataFilterCriteria* filter : filters) filter->FieldRemoved(field);
}

void TqzDataFilterList::RemoveAll() {
    while (!FItems.empty()) {
        TqzDataFilterCriteria* filter = FItems.back();
        FItems.pop_back();
        delete filter;
    }
}

// ---- Controller ----------------------------------------------------------------------------------

void TqzCustomDataController::FilterChanged() {
    InPost = true;
    try {
        Cancel();
        Refresh();
    } catch (...) {
        InPost = false;
        throw;
    }
    InPost = false;
    RevalidateSavedFocus();
    UpdateSelectionMemory();
}
