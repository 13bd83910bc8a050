// The data provider: the controller's way to its record source and the editing cycle.
#include <algorithm>

#include "suite/data/qzCustomData.h"

namespace {

// Counts a provider lock for the duration of a scope.
class TNotificationLock {
public:
    explicit TNotificationLock(bool& flag) : FFlag(flag), FSaved(flag) { FFlag = true; }
    ~TNotificationLock() { FFlag = FSaved; }

private:
    bool& FFlag;
    bool FSaved;
};

} // namespace

// ---- TqzCustomRecordSource -----------------------------------------------------------------------

TqzCustomRecordSource::~TqzCustomRecordSource() {
    if (!FProviders) return;
    while (!FProviders->empty()) FProviders->back()->SetRecordSource(nullptr);
}

TqzCustomDataController* TqzCustomRecordSource::GetDataController() const {
    if (FProvider) return FProvider->GetController();
    return FDefaultProvider ? FDefaultProvider->GetController() : nullptr;
}

void TqzCustomRecordSource::Attach(TqzCustomDataProvider* provider) {
    if (!FProviders) FProviders = std::make_unique<std::vector<TqzCustomDataProvider*>>();
    if (std::find(FProviders->begin(), FProviders->end(), provider) == FProviders->end())
        FProviders->push_back(provider);
}

void TqzCustomRecordSource::Detach(TqzCustomDataProvider* provider) {
    if (FProviders) {
        auto it = std::find(FProviders->begin(), FProviders->end(), provider);
        if (it != FProviders->end()) FProviders->erase(it);
    }
    if (FProvider == provider) FProvider = nullptr;
    if (FDefaultProvider == provider) FDefaultProvider = nullptr;
}

// ---- TqzCustomDataProvider -----------------------------------------------------------------------

TqzCustomDataProvider::TqzCustomDataProvider(TqzCustomDataController* controller) : FController(controller) {}

TqzCustomDataProvider::~TqzCustomDataProvider() {
    ReleaseSavedRecord();
    if (FRecordSource) {
        FRecordSource->Detach(this);
        FRecordSource = nullptr;
    }
}

TqzCustomRecordSource* TqzCustomDataProvider::SourceCall() {
    if (FRecordSource) FRecordSource->SetCurrentProvider(this);
    return FRecordSource;
}

void TqzCustomDataProvider::ReleaseSavedRecord() {
    if (FSavedRecordIndex != 0) {
        const Integer saved = FSavedRecordIndex;
        FSavedRecordIndex = 0;
        FController->GetStorage()->RemoveRecord(saved);
    }
}

void TqzCustomDataProvider::SortInSource() {
    if (TqzCustomRecordSource* source = SourceCall()) source->SortRecords();
}

bool TqzCustomDataProvider::SourceSorts() {
    TqzCustomRecordSource* source = SourceCall();
    return source && source->SortsItself();
}

bool TqzCustomDataProvider::SourceProvidesValues() {
    TqzCustomRecordSource* source = SourceCall();
    return source && source->ProvidesValues();
}

bool TqzCustomDataProvider::CanDelete() const { return FController->GetRecordCount() > 0; }

bool TqzCustomDataProvider::CanInitEditing(Integer recordIndex) {
    FController->CheckRecordIndex(recordIndex);
    if (!IsEditing()) EditFocused();
    if (IsEditing()) MarkChanging();
    return true;
}

void TqzCustomDataProvider::UpdateData() {
    if (FInUpdateData || !HasPendingChange()) return;
    FInUpdateData = true;
    try {
        FController->WritePendingEditValues();
    } catch (...) {
        FInUpdateData = false;
        throw;
    }
    FInUpdateData = false;
}

Variant TqzCustomDataProvider::ReadEditValue(Integer recordIndex, TqzCustomDataField* field, Integer) {
    if (recordIndex == qzNoRecord) RaiseDataControllerError(sqzRecordIndexOutOfRange);
    return FController->GetFieldValue(recordIndex, field);
}

void TqzCustomDataProvider::CommitEditing() {
    UpdateData();
    ClearChanging();
}

bool TqzCustomDataProvider::SetEditingFieldValue(Integer recordIndex, TqzCustomDataField* field, Integer valueKind,
                                                 const Variant& value) {
    const bool emptyText = valueKind == 1 && !VarIsNull(value) && !VarIsEmpty(value) && VarToStr(value).empty();
    FController->SetFieldValue(recordIndex, field, emptyText ? Null() : value);
    MarkModified();
    return true;
}

void TqzCustomDataProvider::PrepareDelete() {
    if (IsGridMode()) return;
    TqzCustomDataControllerInfo* info = FController->GetInfo();
    const Integer focusedRow = info->GetFocusedRowIndex();
    if (focusedRow < 0) return;
    Integer target = focusedRow;
    if (!FController->MultiSelect || info->IsRowSelected(focusedRow) || info->GetSelectedCount() == 0)
        target = info->NextRowAfterDelete(focusedRow);
    FController->RestoreFocusRecordIndex = info->GetRowRecordIndex(target);
}

void TqzCustomDataProvider::FinishDelete() { FController->RestoreFocusRecordIndex = -1; }

void TqzCustomDataProvider::SetNewRecordFieldValue(Integer recordIndex, TqzCustomDataField* field,
                                                   const Variant& value) {
    FController->SetFieldValue(recordIndex, field, value);
}

void TqzCustomDataProvider::InitNewRecord(Integer recordIndex, const std::vector<Variant>& groupValues) {
    TqzGroupingFieldList* grouping = FController->GetInfo()->GetGrouping();
    if (grouping->GetCount() > 0 && (FController->GetOptions() & dcoAssignGroupingValues) != 0) {
        for (Integer i = 0; i < grouping->GetCount() && i < Integer(groupValues.size()); ++i)
            SetNewRecordFieldValue(recordIndex, grouping->Entry(i).Field, groupValues[std::size_t(i)]);
    }
    FController->FireNewRecord(recordIndex);
}

void TqzCustomDataProvider::BeginEdit() {
    if (FController->IsNewItemRowFocused() && !IsInserting()) {
        Insert();
        return;
    }
    const Integer record = FController->GetRecordToEdit();
    FEditRecordIndex = record;
    if (record >= 0) {
        FEditPredecessor = qzNoRecord;
        FEditSuccessor = qzNoRecord;
        TqzCustomDataControllerInfo* info = FController->GetInfo();
        const Integer row = info->GetFocusedRowIndex();
        if (row >= 0 && row + 1 < info->GetRowCount())
            FEditSuccessor = info->GetRowRecordIndex(row + 1);
        else if (row >= 0)
            FEditPredecessor = info->GetRowRecordIndex(row > 0 ? row - 1 : row);
    }
    if (record == qzNoRecord) return;
    if (!FInserting && (!IsSourceActive() /* the source keeps no edit state of its own */)) {
        if (FSavedRecordIndex == 0) FSavedRecordIndex = FController->GetStorage()->AcquireInternalRecord();
        FController->CopyRecordValues(record, FSavedRecordIndex);
    }
    FController->MarkRecordChanged();
}

void TqzCustomDataProvider::StartNewRecord(bool append) {
    if (!IsSourceActive() && IsInserting() && !HasPendingChange() && !IsModified()) return;
    if (IsEditing() && (HasPendingChange() || IsModified()) && !IsSourceActive()) {
        if (HasPendingChange()) CommitEditing();
        Post();
    }
    FController->FireBeforeInsert();
    {
        TqzUpdateLock lock(FController);
        TqzCustomDataControllerInfo* info = FController->GetInfo();
        std::vector<Variant> values;
        Integer editRecord = qzNoRecord;
        if (FController->NewItemRowEnabled) {
            Integer reference = FController->GetFocusedRecordIndex();
            if (reference < 0 && info->GetRowCount() > 0) reference = info->GetRowRecordIndex(0);
            editRecord = FController->GetNewItemRecordIndex();
            FController->SetNewItemRowFocused(true);
            values = FController->GetGroupValues(reference);
        } else {
            if (!append) info->ClearSelection();
            if (IsGridMode()) {
                editRecord = FController->GetCurrentBufferRecord();
                values = FController->GetGroupValues(editRecord);
            } else if (append) {
                const Integer rows = info->GetRowCount();
                const Integer last = rows > 0 ? info->GetRowRecordIndex(rows - 1) : -1;
                values = FController->GetGroupValues(last);
                editRecord = FRecordSource ? AppendSourceRecord() : FController->AppendStoredRecord();
                FEditPredecessor = last < 0 ? qzNoRecord : last;
            } else {
                Integer reference = FController->GetFocusedRecordIndex();
                if (reference < 0) reference = 0;
                values = FController->GetGroupValues(reference);
                if (FRecordSource) {
                    editRecord = InsertSourceRecord(reference);
                } else {
                    FController->InsertStoredRecord(reference);
                    editRecord = reference;
                }
                FEditSuccessor = reference >= editRecord ? reference + 1 : reference;
            }
        }
        FEditRecordIndex = editRecord;
        InitNewRecord(editRecord, values);
        ClearChanging();
        FInserting = true;
    }
    if (FEditRecordIndex >= 0) FController->SetFocusedRecordIndex(FEditRecordIndex);
    FController->FireAfterInsert();
}

void TqzCustomDataProvider::Post() {
    UpdateData();
    if (!IsInserting() || IsModified()) {
        FController->FireBeforePost();
        Integer posted = FEditRecordIndex;
        if (IsInserting() && FController->NewItemRowEnabled && IsEditing()) {
            Integer appended;
            if (FRecordSource) {
                TNotificationLock locked(FDataChangedLocked);
                appended = AppendSourceRecord();
            } else {
                appended = FController->AppendStoredRecord();
            }
            FInsertedRecordIndex = appended;
            FController->CopyRecordValues(FEditRecordIndex, appended);
            posted = appended;
        }
        EndEditing();
        // A handler of the data change may free the controller (and this provider with it).
        TqzDataListenerLink link(FController);
        FController->DataChanged(dcRecordChanged, -1, posted);
        if (link.Controller) link.Controller->FireAfterPost();
    } else {
        TqzDataListenerLink link(FController);
        Cancel();
        if (link.Controller) link.Controller->DataChanged(dcRecordChanged, -1, -1);
    }
}

void TqzCustomDataProvider::Cancel() {
    FController->FireBeforeCancel();
    TqzDataListenerLink link(FController); // the data change of the bracket may free the controller
    {
        TqzUpdateLock lock(FController);
        const Integer record = FEditRecordIndex;
        const bool known = record != qzNoRecord &&
                           ((record >= 0 && record < FController->GetRecordCount()) ||
                            record == FController->GetNewItemRecordIndexValue());
        if (known) {
            if (IsInserting()) {
                const Integer focused = FController->GetFocusedRecordIndex();
                if (record >= 0) {
                    FEditRecordIndex = qzNoRecord; // the record is going
                    FController->DeleteRecord(record);
                    if (!FController->IsInCancel() && focused >= 0 && focused >= FController->GetRecordCount())
                        FController->SetFocusedRecordIndex(FController->GetRecordCount() - 1);
                }
            } else if (FSavedRecordIndex != 0) {
                FController->CopyRecordValues(FSavedRecordIndex, record);
            }
        }
        EndEditing();
    }
    if (link.Controller) link.Controller->FireAfterCancel();
}

void TqzCustomDataProvider::EndEditing() {
    const Integer newItem = FController->GetNewItemRecordIndexValue();
    if (FEditRecordIndex == newItem && newItem < 0) {
        FController->GetStorage()->RemoveRecord(newItem);
    }
    FEditRecordIndex = qzNoRecord;
    FEditPredecessor = qzNoRecord;
    FEditSuccessor = qzNoRecord;
    FInserting = false;
    ClearChanging();
    ClearModified();
    ReleaseSavedRecord();
}

void TqzCustomDataProvider::FocusAfterDelete() {
    const Integer restore = FController->RestoreFocusRecordIndex;
    if (restore >= 0 && restore < FController->GetRecordCount()) {
        FController->SetFocusedRecordIndex(restore);
    } else if (restore == -1 && FController->GetLockCount() == 0 && FController->GetFocusedRecordIndex() < 0) {
        TqzCustomDataControllerInfo* info = FController->GetInfo();
        if (info->GetRowCount() > 0) FController->SetFocusedRowIndex(info->GetRowCount() - 1);
    }
}

Integer TqzCustomDataProvider::DeleteFocused() {
    const Integer record = FController->GetFocusedRecordIndex();
    if (record < 0) return -1;
    FController->FireBeforeDelete(record);
    const bool full = FRecordSource != nullptr;
    if (full) FController->LockFullUpdate();
    try {
        FController->DeleteRecord(record);
        FocusAfterDelete();
    } catch (...) {
        if (full) FController->ReleaseFullUpdate();
        throw;
    }
    if (full) FController->UnlockFullUpdate();
    FController->FireAfterDelete();
    return record;
}

void TqzCustomDataProvider::DeleteRecords(const std::vector<Integer>& recordIndexes) {
    const bool full = FRecordSource != nullptr;
    if (full) FController->LockFullUpdate();
    try {
        {
            TqzUpdateLock lock(FController);
            for (auto it = recordIndexes.rbegin(); it != recordIndexes.rend(); ++it) {
                FController->FireBeforeDelete(*it);
                FController->DeleteRecord(*it);
                FController->FireAfterDelete();
            }
            if (FController->GetDeletingSelection()) FController->GetInfo()->ClearSelection();
        }
        FocusAfterDelete();
    } catch (...) {
        if (full) FController->ReleaseFullUpdate();
        throw;
    }
    if (full) FController->UnlockFullUpdate();
}

void TqzCustomDataProvider::DeleteSelection() {
    std::vector<Integer> records;
    FController->SelectedRecords(records);
    DeleteRecords(records);
}

Integer TqzCustomDataProvider::AppendSourceRecord() {
    TqzCustomRecordSource* source = SourceCall();
    if (!source) return -1;
    return RecordIndexOfHandle(source->AppendRecord());
}

void TqzCustomDataProvider::DeleteSourceRecord(Integer recordIndex) {
    if (TqzCustomRecordSource* source = SourceCall()) source->DeleteRecord(HandleOfRecord(recordIndex));
}

bool TqzCustomDataProvider::DetailHasData(Integer masterRecordIndex, Integer relationIndex) {
    TqzCustomRecordSource* source = SourceCall();
    return source && source->DetailHasData(masterRecordIndex, relationIndex);
}

String TqzCustomDataProvider::GetSourceDisplayText(Integer recordIndex, TqzCustomDataField* field) {
    TqzCustomRecordSource* source = SourceCall();
    if (!source) return String();
    return source->GetDisplayText(HandleOfRecord(recordIndex), source->GetItemOfField(field->GetIndex()));
}

Variant TqzCustomDataProvider::GetSourceRecordKey(Integer recordIndex) {
    TqzCustomRecordSource* source = SourceCall();
    if (!source) return Null();
    return source->GetRecordKey(HandleOfRecord(recordIndex));
}

Variant TqzCustomDataProvider::GetSourceValue(Integer recordIndex, TqzCustomDataField* field) {
    TqzCustomRecordSource* source = SourceCall();
    if (!source) return Null();
    return source->GetValue(HandleOfRecord(recordIndex), source->GetItemOfField(field->GetIndex()));
}

Integer TqzCustomDataProvider::InsertSourceRecord(Integer recordIndex) {
    TqzCustomRecordSource* source = SourceCall();
    if (!source) return -1;
    Integer handle;
    if (source->CanInsert() && recordIndex >= 0 && recordIndex < FController->GetRecordCount())
        handle = source->InsertBefore(HandleOfRecord(recordIndex));
    else
        handle = source->AppendRecord();
    return RecordIndexOfHandle(handle);
}

Integer TqzCustomDataProvider::CompareFieldOfRecords(Integer recordIndex1, Integer recordIndex2,
                                                     TqzCustomDataField* field) {
    TqzValueDef* def = field->GetValueDef();
    TqzDataStorage* storage = FController->GetStorage();
    if (recordIndex1 < 0 && recordIndex2 < 0) return storage->CompareRecordValues(recordIndex1, recordIndex2, def);
    const Byte* data[2] = {nullptr, nullptr};
    bool isNull[2] = {true, true};
    const Integer records[2] = {recordIndex1, recordIndex2};
    for (int i = 0; i < 2; ++i) {
        if (records[i] < 0) {
            isNull[i] = def == nullptr || storage->LocateValueData(records[i], def, data[i]);
        } else if (TqzCustomRecordSource* source = SourceCall()) {
            isNull[i] = !source->GetCompareForm(HandleOfRecord(records[i]),
                                                source->GetItemOfField(field->GetIndex()), data[i]);
        } else if (def) {
            isNull[i] = storage->LocateValueData(records[i], def, data[i]);
        }
    }
    if (!def) return isNull[0] == isNull[1] ? 0 : (isNull[0] ? -1 : 1);
    return def->CompareWithNulls(isNull[0], isNull[1], data[0], data[1]);
}

Integer TqzCustomDataProvider::CompareSourceRecords(Integer recordIndex1, Integer recordIndex2,
                                                    TqzCustomDataField* field) {
    TqzCustomRecordSource* source = SourceCall();
    if (!source) return 0;
    return source->Compare(HandleOfRecord(recordIndex1), HandleOfRecord(recordIndex2),
                           source->GetItemOfField(field->GetIndex()));
}

void TqzCustomDataProvider::SetSourceRecordCount(Integer count) {
    if (TqzCustomRecordSource* source = SourceCall()) source->SetRecordCount(count);
}

void TqzCustomDataProvider::SetSourceValue(Integer recordIndex, TqzCustomDataField* field, const Variant& value) {
    if (TqzCustomRecordSource* source = SourceCall())
        source->SetValue(HandleOfRecord(recordIndex), source->GetItemOfField(field->GetIndex()), value);
}

void TqzCustomDataProvider::ActiveChanged(bool active) {
    FController->ActiveChanged(active);
    EndEditing();
}

void TqzCustomDataProvider::DataChanged(Byte kind, Integer itemIndex, Integer recordIndex) {
    if (FLockCount == 0) FController->DataChanged(kind, itemIndex, recordIndex);
    if (FDataChangedLocked)
        ClearChanging();
    else
        EndEditing();
}

void TqzCustomDataProvider::DataScrolled(Integer distance) {
    FController->DataScrolled(distance);
    ClearChanging();
}

void TqzCustomDataProvider::LayoutChanged(Integer kind) { FController->LayoutChanged(kind); }

void TqzCustomDataProvider::SetRecordSource(TqzCustomRecordSource* source) {
    if (!SupportsCustomSourceFlag() || source == FRecordSource) return;
    if (FRecordSource) FRecordSource->Detach(this);
    FRecordSource = source;
    if (FRecordSource) FRecordSource->Attach(this);
    if (FController->IsDestroying()) return;
    const bool saved = FController->IsSourceChanging();
    FController->SetSourceChanging(true);
    try {
        FController->StructureChangedUpdate();
    } catch (...) {
        FController->SetSourceChanging(saved);
        throw;
    }
    FController->SetSourceChanging(saved);
}

Integer TqzCustomDataProvider::AddSourceRecord(Integer handle) {
    if (!FRecordSource) return -1;
    TqzCustomDataField* idField = FController->GetRecordIDField();
    TqzDataStorage* storage = FController->GetStorage();
    const Integer index = storage->AddRecord();
    if (idField && idField->GetValueDef()) storage->WriteValue(index, idField->GetValueDef(), handle);
    return index;
}

void TqzCustomDataProvider::LoadFromSource() {
    if (TqzCustomRecordSource* source = SourceCall()) source->LoadRecords();
}

Integer TqzCustomDataProvider::RecordIndexOfHandle(Integer handle) const {
    for (Integer i = 0; i < FController->GetRecordCount(); ++i)
        if (HandleOfRecord(i) == handle) return i;
    return -1;
}

Integer TqzCustomDataProvider::HandleOfRecord(Integer recordIndex) const {
    TqzCustomDataField* idField = FController->GetRecordIDField();
    if (!idField || !idField->GetValueDef()) return 0;
    const Variant value = FController->GetStorage()->ReadValue(recordIndex, idField->GetValueDef());
    return VarIsNull(value) ? 0 : value.AsInteger();
}
