// The data controller: records, items, values, events and the update bracket.
#include "suite/data/qzCustomData.h"

#include <algorithm>

#include "suite/foundation/qzVariants.h"

// ---- Update lock ---------------------------------------------------------------------------------

TqzUpdateLock::~TqzUpdateLock() noexcept(false) {
    if (std::uncaught_exceptions() > FExceptions)
        FController->ReleaseUpdateLock();
    else
        FController->UnlockUpdates();
}

// ---- Construction --------------------------------------------------------------------------------

TqzCustomDataController::TqzCustomDataController(TComponent* owner) : FOwner(owner) {
    FStorage = std::make_unique<TqzDataStorage>();
    FGroups = std::make_unique<TqzDataControllerGroups>(this);
    FFields = std::make_unique<TqzCustomDataFieldList>(this);
    FFilters = std::make_unique<TqzDataFilterList>();
    FFilter = std::make_unique<TqzDataFilterCriteria>(this);
    FSearch = std::make_unique<TqzDataControllerSearch>(this);
    FSummary = std::make_unique<TqzDataSummary>(this);
    FProvider = std::make_unique<TqzCustomDataProvider>(this);
    FInfo = std::make_unique<TqzCustomDataControllerInfo>(this);
    FNotifier = std::make_unique<TqzDataControllerNotifier>(nullptr, this);
    ResetPendingChange();
    FStorage->OnInternalRecordsDropped = TNotifyEvent(this, &TqzCustomDataController::ResetInternalRecords);
    FStorage->SetWithRecordIDs(GetRecordIdsEnabled());
}

TqzCustomDataController::~TqzCustomDataController() {
    FDestroying = true;
    LeaveMaster();
    FNotifier.reset();
    FRelations.reset();
    FInfo.reset();
    FSummary.reset();
    FFilter.reset();
    FFilters.reset();
    FProvider->EndEditing();
    FStorage->DiscardRecords();
    FGroups.reset();
    FFields.reset();
    FStorage.reset();
    FProvider.reset();
    FSearch.reset();
}

void TqzCustomDataController::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomDataController*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    SetOptions(other->FOptions);
    FFilter->Assign(other->FFilter.get());
    FSummary->Assign(other->FSummary.get());
    OnCompare = other->OnCompare;
    OnDataChanged = other->OnDataChanged;
    OnDetailCollapsing = other->OnDetailCollapsing;
    OnDetailCollapsed = other->OnDetailCollapsed;
    OnDetailExpanding = other->OnDetailExpanding;
    OnDetailExpanded = other->OnDetailExpanded;
    OnGroupingChanged = other->OnGroupingChanged;
    OnRecordChanged = other->OnRecordChanged;
    OnSortingChanged = other->OnSortingChanged;
}

// ---- Fields and items ----------------------------------------------------------------------------

TqzCustomDataField* TqzCustomDataController::CreateInternalField() {
    TqzCustomDataField* field = CreateField();
    field->SetInternal(true);
    FFields->MoveField(field, FFields->GetCount() - 1);
    return field;
}

TqzCustomDataField* TqzCustomDataController::CreateField() {
    TClass fieldClass = GetFieldClass();
    TqzCustomDataField* field = fieldClass == TqzCustomDataField::StaticClass()
                                    ? new TqzCustomDataField(FFields.get())
                                    : dynamic_cast<TqzCustomDataField*>(fieldClass->Create());
    FFields->AddField(field);
    return field;
}

void TqzCustomDataController::AddItem(TObject* item) {
    if (FFields->FieldByItem(item)) RaiseDataControllerError(sqzItemAlreadyExists);
    CreateField()->SetItem(item);
}

void TqzCustomDataController::RemoveItem(TObject* item) {
    TqzCustomDataField* field = FFields->FieldByItem(item);
    if (!field) return;
    TqzUpdateLock lock(this);
    FInfo->RemoveField(field);
    delete field;
}

void TqzCustomDataController::UpdateItemIndexes() {
    for (Integer i = 0; i < GetItemCount(); ++i)
        if (TqzCustomDataField* field = FFields->FieldByItem(GetItem(i))) field->SetIndex(i);
    Change(1);
}

TObject* TqzCustomDataController::FindItemByID(Integer id) {
    for (Integer i = 0; i < GetItemCount(); ++i)
        if (GetItemID(GetItem(i)) == id) return GetItem(i);
    return nullptr;
}

Integer TqzCustomDataController::GetItemCount() const { return FFields->ClientFieldCount(); }

void TqzCustomDataController::CheckItemIndex(Integer itemIndex) const {
    if (itemIndex < 0 || itemIndex >= GetItemCount()) RaiseDataControllerError(sqzItemIndexOutOfRange);
}

TqzCustomDataField* TqzCustomDataController::GetItemField(Integer itemIndex) const {
    CheckItemIndex(itemIndex);
    TqzCustomDataField* field = FFields->FieldByItem(GetItem(itemIndex));
    if (!field) RaiseDataControllerError(sqzItemIndexOutOfRange);
    return field;
}

Integer TqzCustomDataController::GetItemIndexOfField(TqzCustomDataField* field) const {
    for (Integer i = 0; i < GetItemCount(); ++i)
        if (field->GetItem() == GetItem(i)) return i;
    return -1;
}

void TqzCustomDataController::ChangeValueTypeClass(Integer itemIndex, TqzValueTypeClass valueType) {
    TqzCustomDataField* field = GetItemField(itemIndex);
    if (field->GetValueTypeClass() == valueType) return;
    field->SetValueTypeClass(valueType);
    if (IsBoundToSource()) StructureChangedUpdate();
    FInfo->RefreshField(field);
    ItemValueTypeClassChanged(itemIndex);
}

void TqzCustomDataController::ChangeStoresDisplayText(Integer itemIndex, bool value) {
    TqzCustomDataField* field = GetItemField(itemIndex);
    if (field->GetStoresText() == value) return;
    field->SetStoresText(value);
    FInfo->RefreshField(field);
}

void TqzCustomDataController::ChangeItemCustomCompare(Integer itemIndex, bool value) {
    TqzCustomDataField* field = GetItemField(itemIndex);
    if (field->CustomCompare == value) return;
    field->CustomCompare = value;
    FInfo->RefreshField(field);
}

bool TqzCustomDataController::GetItemStoresDisplayText(Integer itemIndex) {
    return GetItemField(itemIndex)->GetStoresText();
}

bool TqzCustomDataController::IsItemTextValue(Integer itemIndex, bool) { return GetItemStoresDisplayText(itemIndex); }

void TqzCustomDataController::FieldRemoved(TqzCustomDataField* field) {
    if (field == FRecordIDField) FRecordIDField = nullptr;
    if (FRelations) FRelations->FieldRemoved(field);
    if (FFilter) FFilter->FieldRemoved(field);
    if (FFilters) FFilters->FieldRemoved(field);
    if (FSummary) FSummary->FieldRemoved(field);
    if (FInfo) FInfo->RemoveField(field);
    // The incremental filter and a running search must not keep the field.
    if (field == FIncrementalFilterField) {
        if (FDestroying || !FInfo) {
            FIncrementalFilterField = nullptr;
            FIncrementalFilterText = String();
        } else {
            ResetIncrementalFilter();
        }
    }
    if (field == SearchField) {
        SearchField = nullptr;
        if (Searching) {
            Searching = false;
            SearchText = String();
            if (!FDestroying && FInfo) Change(64);
        }
    }
}

void TqzCustomDataController::ComponentRemoved(TComponent* component) { FFields->ComponentRemoved(component); }

void TqzCustomDataController::LinkFields() {
    std::vector<TqzCustomDataField*> linked;
    for (;;) {
        FFields->FieldDestroyed = false;
        bool restart = false;
        for (Integer i = 0; i < FFields->GetCount(); ++i) {
            TqzCustomDataField* field = FFields->GetItems(i);
            if (std::find(linked.begin(), linked.end(), field) != linked.end()) continue;
            LinkField(field);
            if (FFields->FieldDestroyed) {
                // The list changed under the pass: forget fields that are gone and start again.
                std::erase_if(linked, [this](TqzCustomDataField* f) { return FFields->IndexOf(f) < 0; });
                if (FFields->IndexOf(field) >= 0) linked.push_back(field);
                restart = true;
                break;
            }
            linked.push_back(field);
        }
        if (!restart) break;
    }
    FFields->FieldDestroyed = false;
}

TqzCustomDataRelationList* TqzCustomDataController::GetRelations() {
    if (!FRelations) FRelations = std::make_unique<TqzCustomDataRelationList>(this);
    return FRelations.get();
}

TqzDataFilterCriteria* TqzCustomDataController::CreateFilter() {
    auto* filter = new TqzDataFilterCriteria(this);
    FFilters->Add(filter);
    return filter;
}

// ---- Source binding ------------------------------------------------------------------------------

bool TqzCustomDataController::IsBoundToSource() const { return FProvider && FProvider->GetRecordSource(); }

bool TqzCustomDataController::IsUnboundMode() const {
    return FProvider && FProvider->SupportsCustomSourceFlag() && !FProvider->GetRecordSource();
}

bool TqzCustomDataController::UsesSourceValues() const {
    return IsBoundToSource() && FProvider->SourceProvidesValues();
}

void TqzCustomDataController::EnsureRecordIDField() {
    if (IsBoundToSource()) {
        if (!FRecordIDField) {
            FRecordIDField = CreateInternalField();
            FRecordIDField->SetValueTypeClass(ValueTypeClass<TqzIntegerValueType>());
        }
    } else if (FRecordIDField) {
        TqzCustomDataField* field = FRecordIDField;
        FRecordIDField = nullptr;
        delete field;
    }
}

void TqzCustomDataController::StructureChangedUpdate() {
    TqzUpdateLock lock(this);
    FProvider->EndEditing();
    // An unbound controller keeps its records unless a source was just taken away (its records
    // were the source's).
    if (!IsUnboundMode() || (FSourceChanging && !IsBoundToSource())) {
        FStorage->SetNumRecords(0);
        MarkEverythingChanged();
    }
    ForgetSavedFocus();
    FInfo->CheckSelection();
    RevalidateSavedFocus(-1);
    FStorage->SetOnlyStoredValues(IsBoundToSource() || FProvider->IsGridMode());
    FStorage->SetWithRecordIDs(GetRecordIdsEnabled());
    EnsureRecordIDField();
    FStructureChanged = true;
    RefreshCheck(); // the base layout change: a descendant's may itself rebuild the structure
}

void TqzCustomDataController::MarkEverythingChanged() {
    FPendingChangeKind = dcEverything;
    FPendingChangeItem = -1;
    FPendingChangeRecord = -1;
    FDataChangePending = true;
    FChanges |= 2;
}

void TqzCustomDataController::LoadData() {
    TqzUpdateLock lock(this);
    FStorage->DiscardRecords(FProvider->IsDataChangedLocked());
    if (FProvider->CanReadData() && DetailKind() != dkPattern) LoadAllRecords(); // a pattern holds no data
    FLoadingFocus = true;
    try {
        FInfo->CheckSelection();
        RevalidateSavedFocus(-1);
        CheckFocusedRow();
    } catch (...) {
        FLoadingFocus = false;
        throw;
    }
    FLoadingFocus = false;
    MarkEverythingChanged();
    FInfo->RequestReload();
    DataLoaded();
}

void TqzCustomDataController::LoadAllRecords() {
    if (FProvider->IsGridMode()) {
        FStorage->BeginFill();
        try {
            FProvider->LoadGridModeBuffer();
        } catch (...) {
            FStorage->EndFill();
            throw;
        }
        FStorage->EndFill();
        return;
    }
    FProvider->LockNotifications();
    try {
        FProvider->RememberPosition();
        const bool recreated = FProvider->FFieldsRecreated;
        FProvider->MoveFirst();
        if (recreated) LinkFields();
        FStorage->BeginFill();
        try {
            if (IsBoundToSource()) {
                FProvider->LoadFromSource();
            } else if (!FProvider->IsEOF()) {
                std::unique_ptr<TObject> made(FProvider->GetValueDefReaderClass()->Create());
                auto* reader = dynamic_cast<TqzValueDefReader*>(made.get());
                while (reader && !FProvider->IsEOF()) {
                    const Integer record = FStorage->AddRecord();
                    FStorage->FillRecord(record, reader);
                    RecordLoaded(record);
                    FProvider->MoveNext();
                }
            }
        } catch (...) {
            FStorage->EndFill();
            throw;
        }
        FStorage->EndFill();
        FProvider->RestorePosition();
    } catch (...) {
        FProvider->UnlockNotifications();
        throw;
    }
    FProvider->UnlockNotifications();
}

void TqzCustomDataController::DataLoaded() {
    if (DetailKind() == dkClone) Change(512);
    AfterDataLoaded();
}

void TqzCustomDataController::UpdateAll(bool full) {
    {
        TqzUpdateLock lock(this);
        if (NeedsDataUpdate()) {
            if (full || FProvider->IsStructureReady()) {
                if (StructureLock > 0)
                    StructurePending = true;
                else if (!(FProvider->IsGridModeUpdating() && (FProvider->FInInserting || FFields->FieldDestroyed)))
                    LinkFields();
            }
            if (!RefreshPending) LoadData();
        }
        FInfo->RequestReload();
    }
    FInRefreshCheck = false;
    FStructureChanged = false;
}

void TqzCustomDataController::RefreshCheck() {
    if (FInRefreshCheck) return;
    FInRefreshCheck = true;
    try {
        if (FLockCount > 0) RefreshPending = true;
        if (NeedsDataUpdate()) UpdateAll(FProvider->CanReadData());
    } catch (...) {
        FInRefreshCheck = false;
        throw;
    }
    FInRefreshCheck = false;
}

void TqzCustomDataController::CheckFocusedRow() {
    if (FProvider->GetLocateCount() > 0 && FInfo->IsFocusing()) return;
    FInfo->ResetFocus();
}

void TqzCustomDataController::DataScrolled(Integer) { CheckFocusedRow(); }

void TqzCustomDataController::BeginLoadRecords() {
    FProvider->LockNotifications();
    FProvider->RememberPosition();
    FStorage->BeginFill();
}

void TqzCustomDataController::EndLoadRecords() {
    FStorage->EndFill();
    FProvider->RestorePosition();
    FProvider->UnlockNotifications();
    // One recomputation finds the source's record among the loaded rows.
    TqzUpdateLock lock(this);
    CheckFocusedRow();
    FInfo->RequestReload();
}

void TqzCustomDataController::SummaryChanged(bool viewOnly) { FInfo->RequestSummaryUpdate(viewOnly); }

void TqzCustomDataController::ResetInternalRecords(TObject*) {
    FNewItemRecordIndex = 0;
    if (FProvider) FProvider->ForgetSavedRecord();
}

// ---- Records and values --------------------------------------------------------------------------

Integer TqzCustomDataController::GetRecordCount() const { return FStorage->GetNumRecords(); }

Integer TqzCustomDataController::GetNewItemRecordIndex() {
    if (FNewItemRecordIndex == 0) FNewItemRecordIndex = FStorage->AcquireInternalRecord();
    return FNewItemRecordIndex;
}

void TqzCustomDataController::CheckRecordIndex(Integer recordIndex) {
    GetNewItemRecordIndex();
    if (recordIndex >= 0 && recordIndex < GetRecordCount()) return;
    if (recordIndex == FNewItemRecordIndex) return;
    if (recordIndex != 0 && recordIndex == FProvider->GetSavedRecordIndex()) return;
    RaiseDataControllerError(sqzRecordIndexOutOfRange);
}

bool TqzCustomDataController::IsSourceField(TqzCustomDataField* field) const {
    if (!field->IsInternalField()) return true;
    TqzCustomDataField* reference = field->GetReferenceField();
    return reference && !reference->IsInternalField();
}

Variant TqzCustomDataController::GetFieldValue(Integer recordIndex, TqzCustomDataField* field) {
    if (IsBoundToSource() && recordIndex >= 0 && IsSourceField(field))
        return FProvider->GetSourceValue(recordIndex, field);
    if (IsSourceField(field) && FProvider->IsGridMode()) return FProvider->GetBufferValue(recordIndex, field);
    if (TqzValueDef* def = field->GetValueDef()) return FStorage->ReadValue(recordIndex, def);
    return Null();
}

String TqzCustomDataController::GetFieldDisplayText(Integer recordIndex, TqzCustomDataField* field) {
    if (IsBoundToSource() && recordIndex >= 0 && IsSourceField(field))
        return FProvider->GetSourceDisplayText(recordIndex, field);
    if (IsSourceField(field) && FProvider->IsGridMode()) return FProvider->GetBufferDisplayText(recordIndex, field);
    if (TqzValueDef* def = field->GetValueDef()) return FStorage->ReadDisplayText(recordIndex, def);
    return String();
}

Variant TqzCustomDataController::GetRecordFieldValue(Integer recordIndex, TqzCustomDataField* field) {
    return GetFieldValue(recordIndex, field);
}

Variant TqzCustomDataController::GetValue(Integer recordIndex, Integer itemIndex) {
    CheckRecordIndex(recordIndex);
    return GetFieldValue(recordIndex, GetItemField(itemIndex));
}

String TqzCustomDataController::GetDisplayText(Integer recordIndex, Integer itemIndex) {
    CheckRecordIndex(recordIndex);
    return GetFieldDisplayText(recordIndex, GetItemField(itemIndex));
}

Variant TqzCustomDataController::GetFieldListValue(Integer recordIndex,
                                                   const std::vector<TqzCustomDataField*>& fields) {
    if (fields.empty()) return IsBoundToSource() ? FProvider->GetSourceRecordKey(recordIndex) : Null();
    if (fields.size() == 1) return GetFieldValue(recordIndex, fields[0]);
    Variant result = VarArrayCreate({0, Integer(fields.size()) - 1}, varVariant);
    for (std::size_t i = 0; i < fields.size(); ++i)
        VarArrayPut(result, GetFieldValue(recordIndex, fields[i]), {Integer(i)});
    return result;
}

Variant TqzCustomDataController::GetRecordId(Integer recordIndex) {
    if (recordIndex < 0 || recordIndex >= GetRecordCount()) RaiseDataControllerError(sqzRecordIndexOutOfRange);
    if (GetRecordIdsEnabled()) return FStorage->FetchRecordID(recordIndex);
    if (IsBoundToSource() && UsesSourceValues()) return FProvider->GetSourceRecordKey(recordIndex);
    return Null();
}

std::vector<Variant> TqzCustomDataController::GetGroupValues(Integer recordIndex) {
    TqzGroupingFieldList* grouping = FInfo->GetGrouping();
    std::vector<Variant> values(std::size_t(grouping->GetCount()), Null());
    if (recordIndex >= 0 && recordIndex < GetRecordCount())
        for (Integer i = 0; i < grouping->GetCount(); ++i)
            values[std::size_t(i)] = GetFieldValue(recordIndex, grouping->Entry(i).Field);
    return values;
}

void TqzCustomDataController::SetFieldValue(Integer recordIndex, TqzCustomDataField* field, const Variant& value) {
    if (FProvider->IsGridMode()) return;
    CheckRecordIndex(recordIndex);
    if (IsBoundToSource() && recordIndex >= 0)
        FProvider->SetSourceValue(recordIndex, field, value);
    else if (TqzValueDef* def = field->GetValueDef())
        FStorage->WriteValue(recordIndex, def, value);
    DataChanged(dcValueChanged, GetItemIndexOfField(field), recordIndex);
}

void TqzCustomDataController::SetFieldDisplayText(Integer recordIndex, TqzCustomDataField* field,
                                                  const String& text) {
    if (FProvider->IsGridMode()) return;
    CheckRecordIndex(recordIndex);
    if (IsBoundToSource() && recordIndex >= 0)
        FProvider->SetSourceDisplayText(recordIndex, field, text);
    else if (TqzValueDef* def = field->GetValueDef())
        FStorage->WriteDisplayText(recordIndex, def, text);
    DataChanged(dcValueChanged, GetItemIndexOfField(field), recordIndex);
}

void TqzCustomDataController::SetValue(Integer recordIndex, Integer itemIndex, const Variant& value) {
    if (FProvider->IsGridMode()) return;
    CheckRecordIndex(recordIndex);
    SetFieldValue(recordIndex, GetItemField(itemIndex), value);
}

void TqzCustomDataController::SetRecordDisplayText(Integer recordIndex, Integer itemIndex, const String& text) {
    if (FProvider->IsGridMode()) return;
    CheckRecordIndex(recordIndex);
    SetFieldDisplayText(recordIndex, GetItemField(itemIndex), text);
}

void TqzCustomDataController::SetRecordCount(Integer count) {
    if (FProvider->IsGridMode()) return;
    count = std::max(count, Integer(0));
    if (IsBoundToSource()) {
        FProvider->SetSourceRecordCount(count);
        return;
    }
    const Integer old = GetRecordCount();
    if (count == old) return;
    FStorage->SetNumRecords(count);
    FInfo->CheckSelection();
    RevalidateSavedFocus();
    EndEditIfRecordAffected(-1);
    DataChanged(count > old ? dcRecordsAdded : dcRecordsRemoved, -1, -1);
}

void TqzCustomDataController::EndEditIfRecordAffected(Integer recordIndex) {
    if (!FProvider->IsEditing()) return;
    const Integer editing = FProvider->GetEditRecordIndex();
    if ((recordIndex >= 0 && recordIndex <= editing) || editing >= GetRecordCount()) FProvider->EndEditing();
}

Integer TqzCustomDataController::AppendStoredRecord() {
    if (IsBoundToSource()) return FProvider->AppendSourceRecord();
    const Integer index = FStorage->AddRecord();
    DataChanged(dcRecordsAdded, -1, -1);
    return index;
}

void TqzCustomDataController::InsertStoredRecord(Integer recordIndex) {
    if (recordIndex < 0 || recordIndex > GetRecordCount()) RaiseDataControllerError(sqzRecordIndexOutOfRange);
    FStorage->InsertRecordAt(recordIndex);
    ShiftDetailsAfterInsert(recordIndex);
    if (FInfo->GetFocusedRecordIndex() >= recordIndex)
        FInfo->MoveFocusedRecord(FInfo->GetFocusedRecordIndex() + 1);
    if (FBookmarkRecordIndex >= recordIndex) ++FBookmarkRecordIndex;
    DataChanged(dcRecordsAdded, -1, -1);
}

void TqzCustomDataController::DeleteRecord(Integer recordIndex) {
    CheckRecordIndex(recordIndex);
    if (FProvider->GetEditRecordIndex() == recordIndex) FProvider->SetEditRecordIndex(qzNoRecord);
    if (IsBoundToSource() && recordIndex >= 0) {
        FProvider->DeleteSourceRecord(recordIndex);
        return;
    }
    const Integer focused = FInfo->GetFocusedRecordIndex();
    FStorage->RemoveRecord(recordIndex);
    if (recordIndex == FNewItemRecordIndex) {
        FNewItemRecordIndex = 0;
        return;
    }
    if (recordIndex < 0) return;
    ShiftDetailsAfterDelete(recordIndex);
    // Record indexes after the deleted one move down by one.
    if (RestoreFocusRecordIndex > recordIndex) --RestoreFocusRecordIndex;
    if (focused > recordIndex)
        FInfo->MoveFocusedRecord(focused - 1);
    else if (focused == recordIndex)
        FInfo->MoveFocusedRecord(-1);
    FInfo->CheckSelection();
    RevalidateSavedFocus(recordIndex);
    if (FBookmarkRecordIndex > recordIndex) --FBookmarkRecordIndex;
    DataChanged(dcRecordsRemoved, -1, -1);
}

void TqzCustomDataController::DeleteStoredRecord(Integer recordIndex) {
    if (IsBoundToSource() && recordIndex >= 0) FProvider->DeleteSourceRecord(recordIndex);
    if (recordIndex < GetRecordCount()) FStorage->RemoveRecord(recordIndex);
}

void TqzCustomDataController::CopyRecordValues(Integer fromRecordIndex, Integer toRecordIndex) {
    TqzValueDefRecordReader reader(this, fromRecordIndex);
    FStorage->FillRecord(toRecordIndex, &reader);
    if (IsBoundToSource() && toRecordIndex >= 0) {
        for (Integer i = 0; i < FFields->GetCount(); ++i) {
            TqzCustomDataField* field = FFields->GetItems(i);
            WriteStoredValueToSource(toRecordIndex, field, GetFieldValue(fromRecordIndex, field),
                                     field->GetStoresText() ? GetFieldDisplayText(fromRecordIndex, field)
                                                            : String());
        }
    }
    if (toRecordIndex >= 0) DataChanged(dcRecordChanged, -1, toRecordIndex);
}

void TqzCustomDataController::WriteStoredValueToSource(Integer recordIndex, TqzCustomDataField* field,
                                                       const Variant& value, const String& displayText) {
    if (!IsSourceField(field)) return; // internal fields are the controller's own
    FProvider->SetSourceValue(recordIndex, field, value);
    if (field->GetStoresText()) FProvider->SetSourceDisplayText(recordIndex, field, displayText);
}

Integer TqzCustomDataController::AppendRecordFromSource() {
    std::unique_ptr<TObject> made(FProvider->GetValueDefReaderClass()->Create());
    auto* reader = dynamic_cast<TqzValueDefReader*>(made.get());
    if (!reader) return -1;
    const Integer index = FStorage->AddRecord();
    FStorage->FillRecord(index, reader);
    RecordLoaded(index);
    DataChanged(dcRecordsAdded, -1, -1);
    return index;
}

Integer TqzCustomDataController::AddRecordFromReader(TqzValueDefReader* reader) {
    if (IsBoundToSource()) {
        const Integer index = FProvider->AppendSourceRecord();
        if (index >= 0) {
            for (Integer i = 0; i < FFields->GetCount(); ++i) {
                TqzCustomDataField* field = FFields->GetItems(i);
                if (field->GetValueDef() && !reader->Skips(field->GetValueDef()))
                    FProvider->SetSourceValue(index, field, reader->ReadVariant(field->GetValueDef()));
            }
        }
        return index;
    }
    const Integer index = FStorage->AddRecord();
    FStorage->FillRecord(index, reader);
    RecordLoaded(index);
    return index;
}

void TqzCustomDataController::RecordLoaded(Integer recordIndex) { FProvider->NoteLoadedRecord(recordIndex); }

Integer TqzCustomDataController::GetCurrentBufferRecord() { return GetFocusedRecordIndex(); }

// ---- Editing -------------------------------------------------------------------------------------

bool TqzCustomDataController::IsNewItemRecord(Integer recordIndex) const {
    return NewItemRowEnabled && FNewItemRecordIndex != 0 && recordIndex == FNewItemRecordIndex;
}

bool TqzCustomDataController::IsNewItemRowFocused() const {
    return FNewItemRowFocused && NewItemRowEnabled && FInfo->GetFocusedRowIndex() < 0;
}

void TqzCustomDataController::SetNewItemRowFocused(bool value) {
    if (FNewItemRowFocused == value) return;
    {
        TqzUpdateLock lock(this);
        if (value)
            FInfo->SetFocusedRecordIndex(-1);
        else if (!IsOwnerDestroying())
            PostEditing();
        FChanges |= 2048;
        FNewItemRowFocused = value;
    }
    if ((FOptions & dcoInsertOnNewItemRowFocusing) && IsNewItemRowFocused() && !FProvider->IsInserting())
        InsertNewRecord();
}

void TqzCustomDataController::SetFocusedRecordIndex(Integer recordIndex) {
    if (recordIndex >= 0 && FNewItemRowFocused) FNewItemRowFocused = false;
    FInfo->SetFocusedRecordIndex(recordIndex);
}

void TqzCustomDataController::SetFocusedRowIndex(Integer rowIndex) {
    if (rowIndex >= 0 && FNewItemRowFocused) FNewItemRowFocused = false;
    FInfo->SetFocusedRowIndex(rowIndex);
}

bool TqzCustomDataController::CanFocusRecord(Integer recordIndex) {
    if (!FProvider->IsSourceActive() && recordIndex != FProvider->GetEditRecordIndex()) PostEditing();
    return true;
}

Integer TqzCustomDataController::GetRecordToEdit() {
    if (IsNewItemRowFocused()) return GetNewItemRecordIndex();
    const Integer row = FInfo->GetFocusedRowIndex();
    return row < 0 ? qzNoRecord : FInfo->GetRowRecordIndex(row);
}

Integer TqzCustomDataController::GetEditingRecordIndex() {
    return FProvider->IsEditing() ? FProvider->GetEditRecordIndex() : GetRecordToEdit();
}

void TqzCustomDataController::UpdateData() {
    FProvider->UpdateData();
    FProvider->ClearChanging();
}

bool TqzCustomDataController::IsImmediatePost() const {
    return (FOptions & dcoImmediatePost) != 0 || FProvider->IsReadOnly();
}

bool TqzCustomDataController::IsOwnerLoading() const {
    return FOwner && FOwner->GetComponentState().Contains(csLoading);
}

bool TqzCustomDataController::IsOwnerDestroying() const {
    return FOwner && FOwner->GetComponentState().Contains(csDestroying);
}

// ---- Events --------------------------------------------------------------------------------------

void TqzCustomDataController::FireAfterCancel() { OnAfterCancel(this); }
void TqzCustomDataController::FireAfterDelete() { OnAfterDelete(this); }
void TqzCustomDataController::FireAfterInsert() { OnAfterInsert(this); }
void TqzCustomDataController::FireAfterPost() { OnAfterPost(this); }
void TqzCustomDataController::FireBeforeCancel() { OnBeforeCancel(this); }
void TqzCustomDataController::FireBeforeDelete(Integer recordIndex) { OnBeforeDelete(this, recordIndex); }
void TqzCustomDataController::FireBeforeInsert() { OnBeforeInsert(this); }
void TqzCustomDataController::FireBeforePost() { OnBeforePost(this); }
void TqzCustomDataController::FireNewRecord(Integer recordIndex) { OnNewRecord(this, recordIndex); }

bool TqzCustomDataController::FireFilterRecord(Integer recordIndex) {
    bool accept = true;
    OnFilterRecord(this, recordIndex, accept);
    return accept;
}

// ---- Update bracket and notification -------------------------------------------------------------
// The bracket is a plain nesting count and the only change it collects is the data change: it is
// handed to the owner at once outside a bracket and at the outermost UnlockUpdates inside one.

void TqzCustomDataController::LockUpdates() {
    ++FLockCount;
    FInfo->LockChanges();
}

void TqzCustomDataController::UnlockUpdates() {
    if (FLockCount > 0) --FLockCount;
    const TLivenessToken alive = LivenessToken(); // a data handler may free the controller
    FInfo->UnlockChanges();
    if (alive) CheckChanges();
}

void TqzCustomDataController::ReleaseUpdateLock() {
    --FLockCount;
    FInfo->ReleaseLock();
}

void TqzCustomDataController::Change(Word bits) {
    FChanges |= bits;
    CheckChanges();
}

void TqzCustomDataController::ResetPendingChange() {
    FPendingChangeKind = dcEverything;
    FPendingChangeItem = -1;
    FPendingChangeRecord = -1;
    FDataChangePending = false;
}

void TqzCustomDataController::DataChanged(Byte kind, Integer itemIndex, Integer recordIndex) {
    const bool recordPending = FDataChangePending && (FPendingChangeRecord != -1 || IsNewItemRecord(FPendingChangeRecord));
    if (recordPending && recordIndex != FPendingChangeRecord) {
        FPendingChangeKind = dcEverything;
    } else if (kind != dcValueChanged || FPendingChangeItem == -1 || itemIndex == FPendingChangeItem) {
        FPendingChangeKind = kind;
    } else {
        FPendingChangeKind = dcRecordChanged;
        itemIndex = -1;
    }
    FPendingChangeItem = itemIndex;
    FPendingChangeRecord = recordIndex;
    FDataChangePending = true;
    FChanges |= 2;
    if (kind == dcEverything) UpdateAll(true);
    if (kind == dcRecordsAdded || kind == dcRecordsRemoved) FInfo->MarkFocusedRecordChanged(false);
    const TLivenessToken alive = LivenessToken(); // a data handler may free the controller
    FInfo->RequestReload();
    if (!alive) return;
    CheckChanges();
    if (alive && DetailKind() == dkClone && !FProvider->IsEditing()) GetMaster()->CollectDetailChangeMarks();
}

void TqzCustomDataController::CheckChanges() {
    // A refresh asked for inside the bracket runs when it closes, even when nothing else changed.
    if ((FChanges == 0 && !RefreshPending) || FLockCount != 0 || FInfo->GetLockCount() != 0 || FInfo->IsCalculating())
        return;
    if (RefreshPending) {
        RefreshPending = false;
        RefreshCheck();
    }
    if (FChanges == 0) return;
    const Word changes = FChanges;
    FChanges = 0;
    // Rows recomputed without a data change (grouping, expansion) are a layout change.
    if ((changes & 2) && FDataChangePending) {
        const TLivenessToken alive = LivenessToken(); // a data handler may free the controller
        DeliverDataChange();
        if (!alive) return;
    } else if (changes & (1 | 2 | 16 | 32)) {
        TqzLayoutChangedInfo info;
        UpdateControl(&info);
    } else if (changes & 2048) {
        TqzUpdateRecordInfo info(GetFocusedRecordIndex());
        UpdateControl(&info);
        FSearch->Cancel();
    }
    if (changes & 4) {
        const Integer prevRow = FInfo->PreviousFocusedRow();
        const Integer row = FInfo->GetFocusedRowIndex();
        if (prevRow != row) {
            TqzFocusedRowChangedInfo info(prevRow, row);
            UpdateControl(&info);
        }
        const Integer prevRecord = FInfo->PreviousFocusedRecord();
        const Integer record = FInfo->GetFocusedRecordIndex();
        const bool prevChanged = FInfo->PreviousFocusChanged();
        if (prevRecord >= 0 || record >= 0 || prevChanged) {
            TqzFocusedRecordChangedInfo info(prevRecord, prevChanged, row, prevRow, record);
            UpdateControl(&info);
            FSearch->Cancel();
        }
        FInfo->SavePreviousFocus();
    }
    if (changes & 8) NotifySelectionChanged();
    if (changes & 64) {
        TqzSearchChangedInfo info;
        UpdateControl(&info);
    }
    if (changes & 1024) {
        TqzBookmarkChangedInfo info;
        UpdateControl(&info);
    }
    if ((changes & 256) && !IsOwnerReading()) OnGroupingChanged(this);
    if ((changes & 128) && !IsOwnerReading() && !FInSortingChanged) {
        FInSortingChanged = true;
        try {
            OnSortingChanged(this);
        } catch (...) {
            FInSortingChanged = false;
            throw;
        }
        FInSortingChanged = false;
    }
    // A clone reloaded: its pattern's focus follows the source again.
    if ((changes & 512) && DetailKind() == dkClone) FindPatternController()->CheckFocusedRow();
}

void TqzCustomDataController::NotifySelectionChanged() {
    const Integer count = GetSelectedCount();
    const Integer row = count == 1 ? GetSelectedRowIndex(0) : -1;
    const bool single = count <= 1 && FPrevSelectedCount <= 1;
    TqzSelectionChangedInfo info(single ? (FPrevSelectedCount == 1 ? FPrevSelectedRow : -1) : -1, single ? row : -1);
    FPrevSelectedCount = count;
    FPrevSelectedRow = row;
    UpdateControl(&info);
}

bool TqzCustomDataController::IsOwnerReading() const {
    return FOwner && FOwner->GetComponentState().Contains(csReading);
}

void TqzCustomDataController::DeliverDataChange() {
    if (!FDataChangePending) return;
    Byte kind = FPendingChangeKind;
    const Integer item = FPendingChangeItem;
    const Integer record = FPendingChangeRecord;
    if (kind == dcValueChanged && item == -1) kind = dcRecordChanged;
    if (kind < dcRecordsAdded && record == -1 && !IsNewItemRecord(record)) kind = dcEverything;
    const TLivenessToken alive = LivenessToken(); // a handler may free the controller
    try {
        TqzDataChangedInfo info(kind, item, record);
        UpdateControl(&info);
        if (alive) NotifyDataChanged();
    } catch (...) {
        if (alive) ResetPendingChange();
        throw;
    }
    if (alive) ResetPendingChange();
}

void TqzCustomDataController::UpdateControl(TqzUpdateControlInfo* info) {
    const bool saved = FInUpdateControl;
    FInUpdateControl = true;
    try {
        UpdateControlHandler(info);
    } catch (...) {
        FInUpdateControl = saved;
        throw;
    }
    FInUpdateControl = saved;
}

void TqzCustomDataController::NotifyDataChanged() {
    if (IsOwnerDestroying()) return;
    if (!OnDataChanged.Assigned() && !OnRecordChanged.Assigned() && FListeners.empty()) return;
    if (IsOwnerLoading()) {
        FDataChangedDeferred = true;
        return;
    }
    FDataChangedDeferred = false;
    const TLivenessToken alive = LivenessToken(); // a handler may free the controller
    if (DetailKind() != dkPattern) { // a pattern has no data events
        if (FPendingChangeKind < dcRecordsAdded &&
            (FPendingChangeRecord != -1 || IsNewItemRecord(FPendingChangeRecord)))
            OnRecordChanged(this, FPendingChangeRecord, FPendingChangeItem);
        if (!alive) return;
        OnDataChanged(this);
        if (!alive) return;
    }
    if (FProvider->IsGridMode() && FProvider->GetLocateCount() > 0) return;
    // A listener may add or remove listeners: the ones added wait for the next notice, the ones
    // removed before their turn are skipped.
    const Integer last = FListenerSerial;
    for (Integer serial = 0;;) {
        auto next = std::find_if(FListeners.begin(), FListeners.end(),
                                 [&](const TListener& l) { return l.Serial > serial && l.Serial <= last; });
        if (next == FListeners.end()) break;
        serial = next->Serial;
        const TNotifyEvent handler = next->Handler;
        handler(this);
        if (!alive) return;
    }
}

void TqzCustomDataController::AddDataChangedListener(TObject* key, TNotifyEvent handler) {
    FListeners.push_back({key, handler, ++FListenerSerial});
}

void TqzCustomDataController::RemoveDataChangedListener(TObject* key, TNotifyEvent handler) {
    auto it = std::find_if(FListeners.begin(), FListeners.end(),
                           [&](const TListener& l) { return l.Key == key && l.Handler == handler; });
    if (it != FListeners.end()) FListeners.erase(it);
}

void TqzCustomDataController::ActiveChanged(bool active) {
    FActive = active;
    RefreshCheck();
    if (HasMaster()) GetMaster()->CollectDetailChangeMarks();
}

void TqzCustomDataController::LayoutChanged(Integer) { RefreshCheck(); }

void TqzCustomDataController::Refresh() {
    TqzUpdateLock lock(this);
    FInfo->RequestReload();
}

bool TqzCustomDataController::RefreshIfItemOrdered(Integer itemIndex) {
    if (itemIndex != -1) {
        TqzCustomDataField* field = GetItemField(itemIndex);
        if (FInfo->GetSorting()->IndexOfField(field) < 0 && FInfo->GetGrouping()->IndexOfField(field) < 0)
            return false;
    }
    Refresh();
    return true;
}

void TqzCustomDataController::Loaded() {
    if (FDataChangedDeferred) NotifyDataChanged();
    if (SummaryRecalcPending) FSummary->FireAfterSummary();
}

void TqzCustomDataController::SetOptions(Word value) {
    if (FOptions == value) return;
    FOptions = value;
    Refresh();
}
