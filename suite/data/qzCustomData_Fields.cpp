// Data fields and their list, relations with the per-record detail objects, and the sorting and
// grouping field lists.
#include <algorithm>

#include "platform/runtime/Lists.h"
#include "suite/data/qzCustomData.h"

// ---- TqzCustomDataField --------------------------------------------------------------------------

TqzCustomDataField::TqzCustomDataField(TqzCustomDataFieldList* fieldList) : FFieldList(fieldList) {}

TqzCustomDataField::~TqzCustomDataField() {
    if (FFieldList) FFieldList->RemovingField(this);
    delete FValueDef;
    FValueDef = nullptr;
}

TqzCustomDataController* TqzCustomDataField::GetController() const { return FFieldList->GetController(); }

bool TqzCustomDataField::CanRead() const {
    return GetValueDef() != nullptr || GetController()->IsBoundToSource();
}

void TqzCustomDataField::TakeOverStorage(TqzCustomDataField* source) {
    FLinkedField = nullptr;
    delete FValueDef;
    FValueDef = source->FValueDef;
    FValueTypeClass = source->FValueTypeClass;
    FStoresText = source->FStoresText;
    if (FValueDef) FValueDef->BindObject(this);
    source->FValueDef = nullptr;
    source->FValueTypeClass = nullptr;
}

void TqzCustomDataField::BeginStorageRebuild() {
    if (FRebuildLock++ == 0 && !FLinkedField) {
        delete FValueDef;
        FValueDef = nullptr;
    }
}

void TqzCustomDataField::EndStorageRebuild() {
    if (--FRebuildLock == 0 && !FLinkedField && FValueTypeClass) {
        FValueDef = GetController()->GetStorage()->GetValueDefs()->AddDef(FValueTypeClass, true, this,
                                                                         GetStoresText());
    }
}

void TqzCustomDataField::AnnounceLayoutChange() {
    TqzCustomDataProvider* provider = GetController()->GetProvider();
    if (provider && provider->GetLockCount() == 0) provider->LayoutChanged(1);
}

void TqzCustomDataField::SetInternal(bool value) {
    if (FInternal == value) return;
    FInternal = value;
    FFieldList->RecountInternal();
}

Integer TqzCustomDataField::GetIndex() const { return FFieldList->IndexOf(this); }

void TqzCustomDataField::SetIndex(Integer value) { FFieldList->MoveField(this, value); }

void TqzCustomDataField::SetLinkedField(TqzCustomDataField* value) {
    if (value == FLinkedField) return;
    TqzCustomDataField* end = value;
    while (end && end->FLinkedField) end = end->FLinkedField;
    if (end == this) return; // a cycle
    if (!FLinkedField && FValueDef) SetValueTypeClass(nullptr);
    FLinkedField = end;
}

TqzValueDef* TqzCustomDataField::GetValueDef() const {
    return FLinkedField ? FLinkedField->FValueDef : FValueDef;
}

TqzValueTypeClass TqzCustomDataField::GetValueTypeClass() const {
    return FLinkedField ? FLinkedField->FValueTypeClass : FValueTypeClass;
}

void TqzCustomDataField::SetValueTypeClass(TqzValueTypeClass value) {
    if (FLinkedField || FValueTypeClass == value) return;
    BeginStorageRebuild();
    FValueTypeClass = value;
    EndStorageRebuild();
}

bool TqzCustomDataField::GetStoresText() const { return FLinkedField ? FLinkedField->FStoresText : FStoresText; }

void TqzCustomDataField::SetStoresText(bool value) {
    if (FLinkedField || FStoresText == value) return;
    BeginStorageRebuild();
    FStoresText = value;
    EndStorageRebuild();
}

// ---- TqzCustomDataFieldList ----------------------------------------------------------------------

TqzCustomDataFieldList::TqzCustomDataFieldList(TqzCustomDataController* controller) : FController(controller) {}

TqzCustomDataFieldList::~TqzCustomDataFieldList() { RemoveAll(); }

void TqzCustomDataFieldList::ComponentRemoved(TComponent* component) {
    for (std::size_t i = 0; i < FItems.size(); ++i) FItems[i]->ComponentRemoved(component);
}

void TqzCustomDataFieldList::AddField(TqzCustomDataField* field) {
    if (field->IsInternalField()) {
        FItems.push_back(field);
    } else {
        auto firstInternal = std::find_if(FItems.begin(), FItems.end(),
                                          [](TqzCustomDataField* f) { return f->IsInternalField(); });
        FItems.insert(firstInternal, field);
    }
    RecountInternal();
}

TqzCustomDataField* TqzCustomDataFieldList::FieldByItem(TObject* item) const {
    for (TqzCustomDataField* field : FItems)
        if (field->GetItem() == item) return field;
    return nullptr;
}

void TqzCustomDataFieldList::RemovingField(TqzCustomDataField* field) {
    FieldDestroyed = true;
    FController->FieldRemoved(field);
    TqzCustomDataField* heir = nullptr;
    for (TqzCustomDataField* other : FItems) {
        if (other == field || other->GetLinkedField() != field) continue;
        if (!heir) {
            heir = other;
            heir->TakeOverStorage(field);
        } else {
            other->SetLinkedField(heir);
        }
    }
    auto it = std::find(FItems.begin(), FItems.end(), field);
    if (it != FItems.end()) FItems.erase(it);
    RecountInternal();
}

void TqzCustomDataFieldList::RemoveAll() {
    while (!FItems.empty()) delete FItems.back();
}

void TqzCustomDataFieldList::MoveField(TqzCustomDataField* field, Integer newIndex) {
    const Integer current = IndexOf(field);
    if (current < 0 || newIndex < 0 || newIndex >= GetCount() || newIndex == current) return;
    FItems.erase(FItems.begin() + current);
    FItems.insert(FItems.begin() + newIndex, field);
}

Integer TqzCustomDataFieldList::IndexOf(const TqzCustomDataField* field) const {
    auto it = std::find(FItems.begin(), FItems.end(), field);
    return it == FItems.end() ? -1 : Integer(it - FItems.begin());
}

void TqzCustomDataFieldList::RecountInternal() {
    FInternalCount = Integer(std::count_if(FItems.begin(), FItems.end(),
                                           [](TqzCustomDataField* f) { return f->IsInternalField(); }));
}

// ---- Relations -----------------------------------------------------------------------------------

TqzCustomDataRelation::TqzCustomDataRelation(TqzCustomDataRelationList* relationList, TObject* item)
    : FItem(item), FRelationList(relationList) {
    RelationCreated();
    FRelationList->AddRelation(this);
}

TqzCustomDataRelation::~TqzCustomDataRelation() {
    // Detail controllers of this relation no longer belong to a master.
    if (FDetailDataController && FDetailDataController->GetMasterRelation() == this)
        FDetailDataController->SetMasterRelation(nullptr);
    FDetailDataController = nullptr;
    FRelationList->RemoveRelation(this);
}

void TqzCustomDataRelation::Changed() { FRelationList->Changed(this); }

TqzCustomDataController* TqzCustomDataRelation::GetController() const { return FRelationList->GetController(); }

Integer TqzCustomDataRelation::GetIndex() const { return FRelationList->IndexOf(this); }

TqzDetailInfoObject::~TqzDetailInfoObject() { delete LinkObject; }

TqzDetailObject::~TqzDetailObject() { FreeAllInfos(); }

void TqzDetailObject::FreeAllInfos() {
    for (std::size_t i = 0; i < FInfos.size(); ++i) ClearSlot(Integer(i));
}

void TqzDetailObject::ClearSlot(Integer index) {
    if (index < 0 || index >= SlotCount()) return;
    TqzDetailInfoObject* info = FInfos[std::size_t(index)];
    FInfos[std::size_t(index)] = nullptr;
    delete info;
}

void TqzDetailObject::Fit(Integer relationCount) {
    if (SlotCount() < relationCount) FInfos.resize(std::size_t(relationCount), nullptr);
    if (SlotCount() == 0)
        ActiveRelationIndex = -1;
    else
        ActiveRelationIndex = std::clamp(ActiveRelationIndex, Integer(0), SlotCount() - 1);
}

TqzCustomDataController* TqzDetailObject::DetailController(Integer index) const {
    TqzDetailInfoObject* info = Info(index);
    return info ? info->LinkObject : nullptr;
}

bool TqzDetailObject::IsEmpty() const {
    for (TqzDetailInfoObject* info : FInfos)
        if (info && info->LinkObject) return false;
    return true;
}

void TqzDetailObject::SetDetailController(Integer index, TqzCustomDataController* controller) {
    if (index < 0) return;
    if (SlotCount() <= index) FInfos.resize(std::size_t(index) + 1, nullptr);
    TqzDetailInfoObject*& info = FInfos[std::size_t(index)];
    if (!info) info = new TqzDetailInfoObject();
    if (info->LinkObject != controller) delete info->LinkObject;
    info->LinkObject = controller;
}

bool TqzDetailObject::TakeChangedMarks() {
    bool any = false;
    for (TqzDetailInfoObject* info : FInfos) {
        if (info && info->DetailDataChanged) {
            any = true;
            info->DetailDataChanged = false;
        }
    }
    return any;
}

void TqzDetailObject::Dismantle() {
    for (TqzDetailInfoObject* info : FInfos)
        if (info && info->LinkObject) info->LinkObject->SetMasterRelation(nullptr);
}

TqzDetailInfoObject* TqzDetailObject::Info(Integer index) const {
    return index >= 0 && index < SlotCount() ? FInfos[std::size_t(index)] : nullptr;
}

TqzCustomDataRelationList::TqzCustomDataRelationList(TqzCustomDataController* controller)
    : FController(controller) {}

TqzCustomDataRelationList::~TqzCustomDataRelationList() {
    RemoveAll();
    // The detail field goes with the controller's other fields.
}

void TqzCustomDataRelationList::UnlockChanges() {
    if (--FLockCount == 0) Changed(nullptr);
}

void TqzCustomDataRelationList::Changed(TqzCustomDataRelation* relation) {
    if (FLockCount != 0) return;
    {
        TqzUpdateLock lock(FController);
        if (FItems.empty()) {
            delete FDetailField; // FieldRemoved forgets it
            FDetailField = nullptr;
        } else if (FDetailField) {
            for (Integer r = 0; r < FController->GetRecordCount(); ++r) ClearDetails(r, -1);
        } else {
            TqzCustomDataField* field = FController->CreateInternalField();
            FDetailField = field;
            field->SetValueTypeClass(ValueTypeClass<TqzObjectValueType>());
        }
    }
    FController->DetailDataChanged(relation);
}

void TqzCustomDataRelationList::AddRelation(TqzCustomDataRelation* relation) {
    FItems.push_back(relation);
    Changed(relation);
}

void TqzCustomDataRelationList::RemoveRelation(TqzCustomDataRelation* relation) {
    auto it = std::find(FItems.begin(), FItems.end(), relation);
    if (it == FItems.end()) return;
    FItems.erase(it);
    Changed(relation);
}

void TqzCustomDataRelationList::RemoveAll() {
    if (FItems.empty()) return;
    LockChanges();
    try {
        while (!FItems.empty()) delete FItems.back();
    } catch (...) {
        --FLockCount;
        throw;
    }
    UnlockChanges();
}

TqzCustomDataRelation* TqzCustomDataRelationList::RelationByItem(TObject* item) const {
    for (TqzCustomDataRelation* relation : FItems)
        if (relation->GetItem() == item) return relation;
    return nullptr;
}

void TqzCustomDataRelationList::FieldRemoved(TqzCustomDataField* field) {
    if (field == FDetailField) FDetailField = nullptr;
    for (TqzCustomDataRelation* relation : FItems) relation->FieldRemoved(field);
}

Integer TqzCustomDataRelationList::IndexOf(const TqzCustomDataRelation* relation) const {
    auto it = std::find(FItems.begin(), FItems.end(), relation);
    return it == FItems.end() ? -1 : Integer(it - FItems.begin());
}

TqzDetailObject* TqzCustomDataRelationList::StoredDetailObject(Integer recordIndex) const {
    const Variant value = FController->GetStorage()->ReadValue(recordIndex, FDetailField->GetValueDef());
    if (VarIsNull(value)) return nullptr;
    return dynamic_cast<TqzDetailObject*>(HandleToObject(Cardinal(value.AsInteger())));
}

void TqzCustomDataRelationList::StoreDetailObject(Integer recordIndex, TqzDetailObject* object) {
    FController->GetStorage()->WriteValue(recordIndex, FDetailField->GetValueDef(),
                                          Integer(ObjectToHandle(object)));
}

TqzDetailObject* TqzCustomDataRelationList::DetailObject(Integer recordIndex) {
    FController->CheckRecordIndex(recordIndex);
    if (!FDetailField || !FDetailField->GetValueDef()) return nullptr;
    TqzDetailObject* object = StoredDetailObject(recordIndex);
    TqzCustomDataController* top = FController;
    while (top->GetMaster()) top = top->GetMaster();
    bool detailsUsed = false;
    if (top->HasRelations()) {
        TqzCustomDataRelationList* topList = top->GetRelations();
        for (Integer i = 0; i < topList->GetCount() && !detailsUsed; ++i)
            detailsUsed = topList->GetItems(i)->GetDetailDataController() != nullptr;
    }
    if (!detailsUsed) {
        if (object) {
            object->Dismantle();
            delete object;
        }
        StoreDetailObject(recordIndex, nullptr);
        return nullptr;
    }
    if (!object) {
        object = new TqzDetailObject();
        object->ActiveRelationIndex = FController->GetDefaultActiveRelationIndex();
        StoreDetailObject(recordIndex, object);
    }
    object->Fit(GetCount());
    return object;
}

bool TqzCustomDataRelationList::HasDetails(Integer recordIndex, Integer relationIndex) {
    FController->CheckRecordIndex(recordIndex);
    if (!FDetailField || !FDetailField->GetValueDef()) return false;
    TqzDetailObject* object = StoredDetailObject(recordIndex);
    if (!object) return false;
    if (relationIndex == -1) return !object->IsEmpty();
    return object->DetailController(relationIndex) != nullptr;
}

bool TqzCustomDataRelationList::ClearDetails(Integer recordIndex, Integer relationIndex) {
    FController->CheckRecordIndex(recordIndex);
    if (!FDetailField || !FDetailField->GetValueDef()) return false;
    TqzDetailObject* object = StoredDetailObject(recordIndex);
    if (!object) return false;
    if (relationIndex == -1)
        object->FreeAllInfos();
    else
        object->ClearSlot(relationIndex);
    return true;
}

// ---- Sorting and grouping field lists ------------------------------------------------------------

void TqzSortingFieldList::Changed() { OnChanged(this); }

void TqzSortingFieldList::ApplySortOrder(TqzCustomDataField* field, TqzDataSortOrder order) {
    const Integer index = IndexOfField(field);
    if (index >= 0) {
        if (order == soNone)
            DeleteEntry(index);
        else
            SetEntryOrder(index, order);
    } else if (order != soNone) {
        AddEntry(field, order);
    }
}

void TqzSortingFieldList::AddEntry(TqzCustomDataField* field, TqzDataSortOrder order) {
    FEntries.push_back({field, order});
    Changed();
}

void TqzSortingFieldList::InsertEntry(Integer index, TqzCustomDataField* field, TqzDataSortOrder order) {
    if (index < 0 || index > GetCount()) TList::Error("List index out of bounds (%d)", index);
    FEntries.insert(FEntries.begin() + index, {field, order});
    Changed();
}

void TqzSortingFieldList::DeleteEntry(Integer index) {
    Entry(index);
    FEntries.erase(FEntries.begin() + index);
    Changed();
}

void TqzSortingFieldList::RemoveField(TqzCustomDataField* field) {
    const Integer index = IndexOfField(field);
    if (index >= 0) DeleteEntry(index);
}

void TqzSortingFieldList::MoveEntry(Integer fromIndex, Integer toIndex) {
    if (fromIndex == toIndex) return;
    const TqzSortingFieldEntry entry = Entry(fromIndex);
    Entry(toIndex);
    FEntries.erase(FEntries.begin() + fromIndex);
    FEntries.insert(FEntries.begin() + toIndex, entry);
    Changed();
}

void TqzSortingFieldList::SetEntryOrder(Integer index, TqzDataSortOrder order) {
    if (Entry(index).SortOrder == order) return;
    FEntries[std::size_t(index)].SortOrder = order;
    Changed();
}

void TqzSortingFieldList::RemoveAll() {
    while (!FEntries.empty()) DeleteEntry(0);
}

Integer TqzSortingFieldList::IndexOfField(const TqzCustomDataField* field) const {
    for (std::size_t i = 0; i < FEntries.size(); ++i)
        if (FEntries[i].Field == field) return Integer(i);
    return -1;
}

TqzDataSortOrder TqzSortingFieldList::SortOrderOf(const TqzCustomDataField* field) const {
    const Integer index = IndexOfField(field);
    return index < 0 ? soNone : FEntries[std::size_t(index)].SortOrder;
}

void TqzSortingFieldList::NotifyFieldChange(TqzCustomDataField* field) {
    if (IndexOfField(field) >= 0) Changed();
}

void TqzSortingFieldList::AppendMissing(const TqzSortingFieldList* other) {
    for (const TqzSortingFieldEntry& entry : other->FEntries)
        if (IndexOfField(entry.Field) < 0) AddEntry(entry.Field, entry.SortOrder);
}

void TqzSortingFieldList::PlaceField(TqzCustomDataField* field, Integer index) {
    const Integer current = IndexOfField(field);
    if (index < 0) {
        if (current >= 0) DeleteEntry(current);
    } else if (current < 0) {
        InsertEntry(std::min(index, GetCount()), field, soAscending);
    } else {
        MoveEntry(current, std::min(index, GetCount() - 1));
    }
}

const TqzSortingFieldEntry& TqzSortingFieldList::Entry(Integer index) const {
    if (index < 0 || index >= GetCount()) TList::Error("List index out of bounds (%d)", index);
    return FEntries[std::size_t(index)];
}

void TqzGroupingFieldList::ApplySortOrder(TqzCustomDataField* field, TqzDataSortOrder order) {
    inherited::ApplySortOrder(field, order == soNone ? soAscending : order);
}

void TqzGroupingFieldList::SyncOrders(const TqzSortingFieldList* sorting) {
    for (Integer i = 0; i < GetCount(); ++i) {
        const TqzDataSortOrder order = sorting->SortOrderOf(Entry(i).Field);
        SetEntryOrder(i, order == soNone ? soAscending : order);
    }
}
