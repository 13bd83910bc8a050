// Record keys and the save object: selected records kept by key across a rebuild of the records.
#include <algorithm>

#include "suite/data/qzCustomData.h"
#include "suite/foundation/qzVariants.h"

void TqzKeys::RemoveAll() {
    std::vector<TqzKeyInfo*> keys;
    keys.swap(FKeys);
    for (TqzKeyInfo* key : keys) FreeKey(key);
}

void TqzKeys::Bind(TqzCustomDataController* controller) {
    FController = controller;
    FKeyFields.clear();
    controller->GetKeyFields(FKeyFields);
}

void TqzKeys::SaveFrom(TqzCustomDataController* controller) {
    RemoveAll();
    Bind(controller);
    CollectKeys();
    std::stable_sort(FKeys.begin(), FKeys.end(),
                     [](const TqzKeyInfo* a, const TqzKeyInfo* b) { return CompareVariantValues(a->Key, b->Key) < 0; });
}

void TqzKeys::RestoreTo(TqzCustomDataController* controller) {
    Bind(controller);
    if (FKeys.empty()) return;
    ApplyKeys();
    RemoveAll();
}

Variant TqzKeys::KeyOf(Integer recordIndex) { return FController->GetFieldListValue(recordIndex, FKeyFields); }

bool TqzKeys::FindKey(Integer recordIndex, Integer& index) {
    const Variant key = KeyOf(recordIndex);
    for (std::size_t i = 0; i < FKeys.size(); ++i)
        if (VariantValuesEqual(FKeys[i]->Key, key)) {
            index = Integer(i);
            return true;
        }
    return false;
}

void TqzKeys::DeleteKey(Integer index) {
    TqzKeyInfo* key = FKeys.at(std::size_t(index));
    FKeys.erase(FKeys.begin() + index);
    FreeKey(key);
}

void TqzSelectedKeys::CollectKeys() {
    TqzDataSelection* selection = FController->GetInfo()->GetSelection();
    const Integer count = FController->GetRecordCount();
    for (Integer i = 0; i < selection->Count(); ++i) {
        const TqzSelectionEntry& e = selection->Entry(i);
        if (e.Level == -1 || e.RecordIndex >= count) continue;
        auto* key = new TqzSelectedKeyInfo();
        key->EntryIndex = i;
        FKeys.push_back(key);
        key->Key = KeyOf(e.RecordIndex);
    }
    FController->GetInfo()->GetExpandingInfos()->SaveMode = 0; // saved afresh with both states
    FController->GetInfo()->MarkExpansionChanged();
}

void TqzSelectedKeys::ApplyKeys() {
    TqzDataSelection* selection = FController->GetInfo()->GetSelection();
    if (selection->Count() == 0) return;
    for (Integer record = 0; record < FController->GetRecordCount() && !FKeys.empty(); ++record) {
        Integer index;
        if (!FindKey(record, index)) continue;
        const Integer entry = static_cast<TqzSelectedKeyInfo*>(FKeys[std::size_t(index)])->EntryIndex;
        if (entry < selection->Count()) selection->Entry(entry).RecordIndex = record;
        DeleteKey(index);
    }
    for (TqzKeyInfo* key : FKeys) {
        const Integer entry = static_cast<TqzSelectedKeyInfo*>(key)->EntryIndex;
        if (entry < selection->Count()) selection->Entry(entry).RecordIndex = -1;
    }
    bool removed = false;
    for (Integer i = selection->Count() - 1; i >= 0; --i)
        if (selection->Entry(i).RecordIndex == -1) {
            selection->RemoveEntry(i);
            removed = true;
        }
    if (removed) selection->Changed();
    FController->GetInfo()->MarkExpansionChanged();
}

void TqzSaveObject::SaveState(TqzCustomDataController* controller) {
    if (controller->IsCreatingDetail() || controller->IsOwnerDestroying() || !controller->HasRecordKeys()) return;
    FDetailKeys.SaveFrom(controller);
    FSelectedKeys.SaveFrom(controller);
}

void TqzSaveObject::RestoreState(TqzCustomDataController* controller) {
    if (controller->IsCreatingDetail()) return;
    if (controller->HasRecordKeys()) {
        FDetailKeys.RestoreTo(controller);
        FSelectedKeys.RestoreTo(controller);
    } else {
        controller->GetInfo()->CheckSelection();
        controller->RevalidateSavedFocus();
    }
}

bool TqzCustomDataController::HasRecordKeys() {
    std::vector<TqzCustomDataField*> fields;
    GetKeyFields(fields);
    return !fields.empty() || (IsBoundToSource() && UsesSourceValues());
}

void TqzCustomDataController::LockFullUpdate() {
    if (FFullUpdateCount++ > 0) return;
    LockUpdates();
    try {
        FSaveObject = std::make_unique<TqzSaveObject>();
        FSaveObject->SaveState(this);
    } catch (...) {
        FSaveObject.reset();
        --FFullUpdateCount;
        ReleaseUpdateLock();
        throw;
    }
}

void TqzCustomDataController::UnlockFullUpdate() {
    if (FFullUpdateCount <= 0 || --FFullUpdateCount > 0) return;
    std::unique_ptr<TqzSaveObject> save = std::move(FSaveObject);
    try {
        if (save) save->RestoreState(this);
    } catch (...) {
        save.reset();
        ReleaseUpdateLock();
        throw;
    }
    save.reset();
    UnlockUpdates();
}
