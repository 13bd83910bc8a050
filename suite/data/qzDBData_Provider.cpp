// Data-set binding: the provider that moves, loads and edits the data set, and the registry of
// every provider so that providers on one data set can wait for each other.
#include <algorithm>

#include "suite/data/qzDBData.h"
#include "suite/data/qzDBData_Scopes.h"
#include "suite/data/qzDataUtils.h"
#include "suite/foundation/qzVariants.h"

namespace {

using qzdbdata::TControlsDisabled;
using qzdbdata::TFlagScope;

std::vector<TqzDBDataProvider*>* gRegistry = nullptr;

bool DataSetEditing(TDataSet* dataSet) { return dataSet && IsEditMode(dataSet->GetState()); }

} // namespace

// ---- Construction and registry -------------------------------------------------------------------

TqzDBDataProvider::TqzDBDataProvider(TqzDBDataController* controller) : TqzCustomDataProvider(controller) {
    if (!gRegistry) gRegistry = new std::vector<TqzDBDataProvider*>();
    gRegistry->push_back(this);
    FDataLink = std::make_unique<TqzDBDataLink>(this);
}

TqzDBDataProvider::~TqzDBDataProvider() {
    FDetached = true;
    if (gRegistry)
        for (TqzDBDataProvider* other : *gRegistry)
            if (other != this) other->RemoveWaitingProvider(this);
    FWaitingProviders.clear();
    FDataLink.reset();
    if (gRegistry) {
        std::erase(*gRegistry, this);
        if (gRegistry->empty()) {
            delete gRegistry;
            gRegistry = nullptr;
        }
    }
}

Integer TqzDBDataProvider::RegistryCount() { return gRegistry ? Integer(gRegistry->size()) : 0; }

TqzDBDataProvider* TqzDBDataProvider::RegistryItem(Integer index) { return gRegistry->at(std::size_t(index)); }

std::vector<TqzDBDataProvider*> TqzDBDataProvider::OthersOnDataSet() const {
    std::vector<TqzDBDataProvider*> others;
    TDataSet* dataSet = GetDataSet();
    if (!dataSet || !gRegistry) return others;
    for (TqzDBDataProvider* other : *gRegistry)
        if (other != this && !other->FDetached && other->GetDataSet() == dataSet) others.push_back(other);
    return others;
}

void TqzDBDataProvider::Detach() {
    if (FDetached) return;
    FDetached = true;
    FDataLink->SetDataSource(nullptr);
}

TqzDBDataController* TqzDBDataProvider::GetDBController() const {
    return static_cast<TqzDBDataController*>(GetController());
}

void TqzDBDataProvider::SetDataSource(TDataSource* value) {
    if (GetDataSource() == value) return;
    TFlagScope changing(FInDataSourceChange);
    FDataLink->SetDataSource(value);
}

// ---- Waiting providers ---------------------------------------------------------------------------

void TqzDBDataProvider::AddWaitingProvider(TqzDBDataProvider* provider) {
    if (std::find(FWaitingProviders.begin(), FWaitingProviders.end(), provider) == FWaitingProviders.end())
        FWaitingProviders.push_back(provider);
}

void TqzDBDataProvider::RemoveWaitingProvider(TqzDBDataProvider* provider) { std::erase(FWaitingProviders, provider); }

void TqzDBDataProvider::NotifyWaitingProviders() {
    if (FNotifyingWaiting || FWaitingProviders.empty()) return;
    // The list is taken first: a provider that has to wait again waits for the next load.
    std::vector<TqzDBDataProvider*> waiting;
    waiting.swap(FWaitingProviders);
    std::vector<TLivenessToken> alive;
    for (TqzDBDataProvider* provider : waiting) alive.push_back(provider->LivenessToken());
    const TLivenessToken selfAlive = LivenessToken();
    FNotifyingWaiting = true;
    try {
        for (Integer i = Integer(waiting.size()) - 1; i >= 0; --i)
            if (alive[std::size_t(i)] && !waiting[std::size_t(i)]->FDetached) {
                TqzDBDataProvider* provider = waiting[std::size_t(i)];
                const TLivenessToken providerAlive = provider->LivenessToken();
                provider->FBeingNotified = true;
                try {
                    provider->GetDataLink()->NotifyDataSetChanged();
                } catch (...) {
                    if (providerAlive) provider->FBeingNotified = false;
                    throw;
                }
                if (providerAlive) provider->FBeingNotified = false;
            }
    } catch (...) {
        if (selfAlive) FNotifyingWaiting = false;
        throw;
    }
    if (selfAlive) FNotifyingWaiting = false;
}

bool TqzDBDataProvider::IsOtherProviderLocked(TqzDBDataProvider*& locker) const {
    locker = nullptr;
    for (TqzDBDataProvider* other : OthersOnDataSet()) {
        if (other->GetLockCount() > 0 || (IsKeyMode() && other->GetLocateCount() > 0)) {
            locker = other;
            return true;
        }
    }
    return false;
}

bool TqzDBDataProvider::IsDataSetBusy() const {
    if (PostLocatePending) return false;
    const bool ownControllerLocating = IsGridMode() && GetDBController()->InLocate;
    std::vector<TqzDBDataProvider*> all = OthersOnDataSet();
    all.push_back(const_cast<TqzDBDataProvider*>(this));
    for (TqzDBDataProvider* provider : all) {
        // The provider being told of the change it waited for is not kept from it by the one telling
        // it; a provider that is telling others is busy itself (its own reload is done).
        if (provider->FNotifyingWaiting && (provider == this || !FBeingNotified)) return true;
        if (ownControllerLocating) continue;
        if (provider->GetLockCount() > 0) return true;
        if (provider->GetLocateCount() > 0 && (IsKeyMode() || provider->IsGridMode())) return true;
    }
    return false;
}

// ---- Answers -------------------------------------------------------------------------------------

bool TqzDBDataProvider::IsKeyMode() const { return GetDBController()->UsesSourceValues(); }

bool TqzDBDataProvider::IsSmartRefresh() const {
    return IsKeyMode() && !IsGridMode() && GetDBController()->GetDataModeController()->GetSmartRefresh();
}

bool TqzDBDataProvider::IsGridMode() const {
    TqzDBDataController* controller = GetDBController();
    if (!controller->GetDataModeController() || !controller->GetDataModeController()->GetGridMode()) return false;
    TDataSet* dataSet = GetDataSet();
    if (dataSet && dataSet->IsUnidirectional()) return false;
    return !GetLoadAllNeeded() && controller->DetailKind() != dkPattern;
}

bool TqzDBDataProvider::IsSourceActive() const {
    TDataSet* dataSet = GetDataSet();
    return dataSet && dataSet->GetActive();
}

bool TqzDBDataProvider::IsOtherProviderInserting() const {
    for (TqzDBDataProvider* other : OthersOnDataSet())
        if (other->FInInsertCall) return true;
    return false;
}

bool TqzDBDataProvider::IsSyncMode() const {
    TDataSet* dataSet = GetDataSet();
    if (!dataSet || !dataSet->GetActive() || dataSet->IsUnidirectional()) return false;
    TqzDBDataModeController* mode = GetDBController()->GetDataModeController();
    if (!IsGridMode() && !mode->GetSyncMode()) return false;
    if (GetDBController()->IsDetail()) {
        if (!mode->DetailSyncActive) return false;
        if (mode->DetailInSQLMode) return FDataSetOnRecord;
        if (!IsKeyMode()) return IsGridMode();
    }
    return true;
}

bool TqzDBDataProvider::GetDataSetOnRecord() const {
    TqzDBDataController* controller = GetDBController();
    TqzDBDataModeController* mode = controller->GetDataModeController();
    if (!controller->IsDetail() || !mode->DetailSyncActive || mode->DetailInSQLMode) return FDataSetOnRecord;
    const std::vector<TqzDBDataProvider*> others = OthersOnDataSet();
    for (TqzDBDataProvider* other : others)
        if (other->FInCanInitEditing) return false;
    if (GetEditRecordIndex() != qzNoRecord) return true; // inserting or editing through this one
    if (controller->GetFocusedRowIndex() < 0 && !FDataSetOnRecord) return false;
    if (IsOtherProviderInserting() && !(controller->IsNewItemRowFocused() && IsInserting())) return false;
    return true;
}

bool TqzDBDataProvider::CanReadData() const {
    TDataSet* dataSet = GetDataSet();
    return dataSet && dataSet->GetActive() && !dataSet->ControlsDisabled();
}

bool TqzDBDataProvider::IsStructureReady() const {
    TDataSet* dataSet = GetDataSet();
    return dataSet && dataSet->GetFieldCount() > 0 && (dataSet->GetActive() || !dataSet->GetDefaultFields());
}

bool TqzDBDataProvider::IsBOF() const {
    TDataSet* dataSet = GetDataSet();
    return !FDataLink->GetActive() || !dataSet || dataSet->Bof();
}

bool TqzDBDataProvider::IsEditing() const {
    if (IsReadOnly()) return inherited::IsEditing();
    return DataSetEditing(GetDataSet());
}

bool TqzDBDataProvider::IsEOF() const {
    TDataSet* dataSet = GetDataSet();
    if (!FDataLink->GetActive() || !dataSet || dataSet->Eof()) return true;
    TqzDBDataController* controller = GetDBController();
    if (controller->IsDetail() && !IsGridMode() && !controller->EffectiveDetailKeyFieldNames().empty()) {
        if (VarIsEmpty(controller->MasterKeyValues)) return true;
        if (DataSetEditing(dataSet)) return false;
        return !VariantValuesEqual(controller->GetDataSetDetailKeyValues(), controller->MasterKeyValues);
    }
    return false;
}

bool TqzDBDataProvider::IsInserting() const {
    TDataSet* dataSet = GetDataSet();
    return dataSet && dataSet->GetState() == dsInsert;
}

bool TqzDBDataProvider::IsModified() const {
    return inherited::IsModified() || const_cast<TqzDBDataProvider*>(this)->IsDataSetModified();
}

void TqzDBDataProvider::NoteLoadedRecord(Integer recordIndex) {
    if (IsKeyMode() || FSavePos.BookmarkText.empty()) return;
    TDataSet* dataSet = GetDataSet();
    if (dataSet && dataSet->GetBookmark() == FSavePos.BookmarkText) FCurrentBufferRecord = recordIndex;
}

// ---- Moving --------------------------------------------------------------------------------------

void TqzDBDataProvider::MoveFirst() {
    inherited::MoveFirst();
    TDataSet* dataSet = GetDataSet();
    if (!dataSet) return;
    TFlagScope first(FInFirstMove);
    TqzDBDataController* controller = GetDBController();
    if (controller->IsDetail() && !IsGridMode() && !VarIsEmpty(controller->MasterKeyValues) &&
        !controller->EffectiveDetailKeyFieldNames().empty()) {
        bool reopened = false;
        controller->GetDataModeController()->DetailFirst(controller->EffectiveDetailKeyFieldNames(),
                                                         controller->MasterKeyValues, reopened);
        if (reopened) RememberPosition();
        FDataSetOnRecord = true;
        if (FFieldsRecreated) controller->LinkFields();
        return;
    }
    dataSet->First();
}

void TqzDBDataProvider::MovePrior() {
    if (TDataSet* dataSet = GetDataSet()) dataSet->Prior();
}

void TqzDBDataProvider::MoveNext() {
    if (TDataSet* dataSet = GetDataSet()) dataSet->Next();
}

void TqzDBDataProvider::MoveLast() {
    if (TDataSet* dataSet = GetDataSet()) dataSet->Last();
}

void TqzDBDataProvider::MoveBy(Integer distance) {
    if (TDataSet* dataSet = GetDataSet()) dataSet->MoveBy(distance);
}

void TqzDBDataProvider::ScrollBuffer(Integer distance) {
    if (!IsGridMode() || distance == 0 || !CanReadData()) return;
    if (distance < 0)
        distance -= FDataLink->GetActiveRecord();
    else
        distance += FDataLink->GetRecordCount() - FDataLink->GetActiveRecord() - 1;
    GetDataSet()->MoveBy(distance);
    GetController()->UpdateSelectionMemory();
}

void TqzDBDataProvider::RememberPosition() {
    TDataSet* dataSet = GetDataSet();
    if (!dataSet) return;
    FSavePos.BookmarkText = dataSet->GetActive() ? dataSet->GetBookmark() : String();
    FSavePos.BufferRow = dataSet->GetActiveRecord();
    FSavePos.AtBof = dataSet->Bof();
    FSavePos.AtEof = dataSet->Eof();
}

void TqzDBDataProvider::RestorePosition() {
    TDataSet* dataSet = GetDataSet();
    if (!dataSet || FSavePos.BookmarkText.empty() || !dataSet->BookmarkValid(FSavePos.BookmarkText)) return;
    try {
        dataSet->GotoBookmark(FSavePos.BookmarkText);
        const Integer bufferCount = FDataLink->GetBufferCount();
        const Integer row = FSavePos.BufferRow;
        if (dataSet->GetActiveRecord() > row) {
            dataSet->MoveBy(bufferCount - 1 - row);
            dataSet->MoveBy(row - bufferCount + 1);
        } else if (dataSet->GetActiveRecord() < row) {
            dataSet->MoveBy(-row);
            dataSet->MoveBy(row);
        }
        if (FSavePos.AtBof && !dataSet->Bof()) dataSet->Prior();
        if (FSavePos.AtEof && !dataSet->Eof()) dataSet->Next();
    } catch (const EDatabaseError&) {
        // The record may have gone meanwhile: the data set stays where it is.
    }
}

// ---- Loading -------------------------------------------------------------------------------------

Integer TqzDBDataProvider::GetGridModeBufferSize() const {
    const Integer count = GetDBController()->GetDataModeController()->GetGridModeBufferCount();
    return count != 0 ? count : GetDBController()->GetDefaultGridModeBufferCount();
}

void TqzDBDataProvider::LoadGridModeBuffer() {
    if (!FDataLink->GetActive() || !IsGridMode()) return;
    FDataLink->SetBufferCount(GetGridModeBufferSize());
    TqzCustomDataController* controller = GetController();
    controller->GetStorage()->SetNumRecords(0);
    const Integer count = FDataLink->GetRecordCount();
    for (Integer k = 0; k < count; ++k) controller->GetStorage()->AddRecord();
    FCurrentBufferRecord = FDataLink->GetActiveRecord();
}

void TqzDBDataProvider::ReloadGridModeBuffer() {
    if (!FDataLink->GetActive() || !IsGridMode()) return;
    FDataLink->SetBufferCount(GetGridModeBufferSize());
    FCurrentBufferRecord = FDataLink->GetActiveRecord();
    TqzCustomDataController* controller = GetController();
    if (FDataLink->GetRecordCount() != controller->GetRecordCount() || IsInserting()) {
        controller->DataChanged(dcEverything, -1, -1);
    } else {
        controller->DataChanged(dcRecordChanged, -1, -1);
        GetDBController()->CheckFocusedRow();
    }
}

// ---- Values --------------------------------------------------------------------------------------

String TqzDBDataProvider::GetBufferDisplayText(Integer recordIndex, TqzCustomDataField* field) {
    auto* dataField = dynamic_cast<TqzDBDataField*>(field);
    TField* f = dataField ? dataField->GetField() : nullptr;
    if (!f) return String();
    if (recordIndex >= 0 && recordIndex < FDataLink->GetRecordCount()) {
        const Integer saved = FDataLink->GetActiveRecord();
        FDataLink->SetActiveRecord(recordIndex);
        String text;
        try {
            text = f->GetDisplayText();
        } catch (...) {
            FDataLink->SetActiveRecord(saved);
            throw;
        }
        FDataLink->SetActiveRecord(saved);
        return text;
    }
    if (IsInserting() || FInSearch) return f->GetDisplayText();
    return String();
}

Variant TqzDBDataProvider::GetBufferValue(Integer recordIndex, TqzCustomDataField* field) {
    auto* dataField = dynamic_cast<TqzDBDataField*>(field);
    TField* f = dataField ? dataField->GetField() : nullptr;
    if (!f) return Null();
    if (recordIndex >= 0 && recordIndex < FDataLink->GetRecordCount()) {
        const Integer saved = FDataLink->GetActiveRecord();
        FDataLink->SetActiveRecord(recordIndex);
        Variant value;
        try {
            value = GetFieldValue(f);
        } catch (...) {
            FDataLink->SetActiveRecord(saved);
            throw;
        }
        FDataLink->SetActiveRecord(saved);
        return value;
    }
    if (IsInserting() || FInSearch) return GetFieldValue(f);
    return Null();
}

Integer TqzDBDataProvider::GetSyncEditingRecord() const {
    if (IsInserting() && !FUpdatingGridBuffer) return GetEditRecordIndex();
    if (IsInserting() && GetController()->IsNewItemRowFocused()) return GetController()->GetNewItemRecordIndexValue();
    return FCurrentBufferRecord;
}

// ---- Editing -------------------------------------------------------------------------------------

bool TqzDBDataProvider::CanModify() const {
    TDataSet* dataSet = GetDataSet();
    return dataSet && dataSet->GetActive() && dataSet->GetCanModify() && IsSyncMode();
}

bool TqzDBDataProvider::CanDelete() const {
    TDataSet* dataSet = GetDataSet();
    return CanModify() && !dataSet->IsEmpty();
}

bool TqzDBDataProvider::IsDataSetModified() {
    TDataSet* dataSet = GetDataSet();
    if (dataSet && dataSet->GetModified()) {
        if (FFilledFields.IsEmpty()) return true;
        TFields* fields = dataSet->GetFields();
        for (Integer i = 0; i < fields->GetCount(); ++i) {
            TField* field = fields->GetFields(i);
            if (!FFilledFields.Contains(field) && !field->GetIsNull()) return true;
        }
        return false;
    }
    if (!inherited::IsModified()) return false;
    TqzCustomDataController* controller = GetController();
    const Integer record = GetEditRecordIndex();
    if (record == qzNoRecord) return false;
    for (Integer i = 0; i < controller->GetFields()->GetCount(); ++i) {
        TqzCustomDataField* field = controller->GetFields()->GetItems(i);
        if (field->IsKeyField() && !VarIsNull(inherited::ReadEditValue(record, field, 0))) return true;
    }
    return false;
}

bool TqzDBDataProvider::IsBookmarkValid(const String& bookmark) {
    TDataSet* dataSet = GetDataSet();
    return dataSet && dataSet->GetActive() && dataSet->BookmarkValid(bookmark);
}

Integer TqzDBDataProvider::CompareBookmarks(const String& bookmark1, const String& bookmark2) {
    if (!FDataLink->GetActive()) return -1;
    return GetDataSet()->CompareBookmarks(bookmark1, bookmark2);
}

bool TqzDBDataProvider::CanInitEditing(Integer recordIndex) {
    if (IsReadOnly()) return inherited::CanInitEditing(recordIndex);
    TFlagScope marked(FInCanInitEditing);
    TqzCustomDataController* controller = GetController();
    if (controller->IsNewItemRowFocused() && !IsInserting())
        Insert();
    else if (!FDataLink->Edit())
        return false;
    MarkChanging();
    if (controller->IsNewItemRowFocused()) controller->Change(2048);
    return true;
}

void TqzDBDataProvider::InsertWrapper(bool append) {
    TDataSet* dataSet = GetDataSet();
    if (!dataSet) return;
    TFlagScope inCall(FInInsertCall);
    if (DataSetEditing(dataSet)) {
        if (!IsSmartRefresh() && dataSet->GetState() == dsInsert) GetController()->PrepareDetailChange();
        FDataLink->UpdateRecord();
        if (IsSmartRefresh()) {
            TControlsDisabled disabled(dataSet);
            dataSet->CheckBrowseMode();
            SmartRefreshChangedRecord();
            ForgetUpdatingRecord();
            EndEditing();
        }
    }
    if (append)
        dataSet->Append();
    else
        dataSet->Insert();
}

void TqzDBDataProvider::Append() { InsertWrapper(true); }

void TqzDBDataProvider::Insert() {
    TFlagScope own(FInOwnInsert);
    InsertWrapper(false);
}

void TqzDBDataProvider::Edit() {
    if (IsReadOnly()) {
        inherited::Edit();
        return;
    }
    if (TDataSet* dataSet = GetDataSet()) dataSet->Edit();
}

void TqzDBDataProvider::Post() {
    if (IsReadOnly()) {
        inherited::Post();
        return;
    }
    if (TDataSet* dataSet = GetDataSet()) dataSet->CheckBrowseMode();
}

void TqzDBDataProvider::CommitEditing() { FDataLink->WriteData(); }

void TqzDBDataProvider::Cancel() {
    if (IsReadOnly()) {
        inherited::Cancel();
        return;
    }
    TqzDBDataController* controller = GetDBController();
    if (IsSmartRefresh() && controller->InDataSetEdit) inherited::Cancel();
    CancelDataSet();
}

void TqzDBDataProvider::CancelDataSet() {
    TDataSet* dataSet = GetDataSet();
    if (!dataSet) return;
    TqzDBDataController* controller = GetDBController();
    TFlagScope cancelling(controller->InDataSetCancel);
    // A new row of a detail: cancelled, the shared data set would stand wherever the insert left
    // it (an append: the last master's rows); it goes back to this detail's row next to the new one.
    const Integer count = controller->GetRecordCount();
    if (controller->IsDetail() && !IsGridMode() && dataSet->GetState() == dsInsert &&
        !controller->GetKeyFieldNames().empty() && controller->UsesSourceValues()) {
        const Integer edit = GetEditRecordIndex();
        Integer target = -1;
        for (Integer candidate : {GetEditSuccessor(), GetEditPredecessor()})
            if (target < 0 && candidate >= 0 && candidate < count && candidate != edit) target = candidate;
        for (Integer r = count - 1; target < 0 && r >= 0; --r)
            if (r != edit) target = r;
        if (target >= 0) {
            TControlsDisabled disabled(dataSet);
            const Variant key = controller->GetRecordId(target);
            dataSet->Cancel();
            dataSet->Locate(controller->GetKeyFieldNames(), key, TLocateOptions());
            return;
        }
    }
    dataSet->Cancel();
}

Variant TqzDBDataProvider::ReadEditValue(Integer recordIndex, TqzCustomDataField* field, Integer valueKind) {
    auto* dataField = dynamic_cast<TqzDBDataField*>(field);
    TField* f = dataField ? dataField->GetField() : nullptr;
    if (f) {
        if (valueKind == 1) {
            if (!f->GetIsNull() || f->OnGetText.Assigned()) return f->GetText();
            return Null();
        }
        if (valueKind == 2 && f->GetLookup()) return f->GetDataSet()->GetFieldValues(f->GetKeyFields());
        return f->GetIsNull() ? Null() : f->GetValue();
    }
    if (dataField && dataField->IsKeyField()) return inherited::ReadEditValue(recordIndex, field, valueKind);
    return Null();
}

bool TqzDBDataProvider::SetEditingFieldValue(Integer recordIndex, TqzCustomDataField* field, Integer valueKind,
                                             const Variant& value) {
    auto* dataField = dynamic_cast<TqzDBDataField*>(field);
    TField* f = dataField ? dataField->GetField() : nullptr;
    if (f) {
        if (valueKind == 1 || f->OnSetText.Assigned())
            f->SetText(VarIsNull(value) || VarIsEmpty(value) ? String() : VarToStr(value));
        else if (valueKind == 2 && f->GetLookup())
            f->GetDataSet()->SetFieldValues(f->GetKeyFields(), value);
        else
            SetFieldValue(f, value);
        return true;
    }
    if (dataField && dataField->IsKeyField()) return inherited::SetEditingFieldValue(recordIndex, field, valueKind, value);
    return false;
}

void TqzDBDataProvider::SetNewRecordFieldValue(Integer recordIndex, TqzCustomDataField* field, const Variant& value) {
    auto* dataField = dynamic_cast<TqzDBDataField*>(field);
    TField* f = dataField ? dataField->GetField() : nullptr;
    if (!f) {
        inherited::SetNewRecordFieldValue(recordIndex, field, value);
        return;
    }
    if (f->GetLookup() && !f->GetKeyFields().empty()) {
        f->GetDataSet()->SetFieldValues(f->GetKeyFields(), value);
        FFilledFields.AddByNames(f->GetDataSet(), f->GetKeyFields());
    } else {
        SetFieldValue(f, value);
        FFilledFields.Add(f);
    }
}

void TqzDBDataProvider::InitNewRecord(Integer recordIndex, const std::vector<Variant>& groupValues) {
    TqzDBDataController* controller = GetDBController();
    if (FInInsertCall || FInCanInitEditing || IsOtherProviderInserting()) {
        FFilledFields.Clear();
        inherited::InitNewRecord(recordIndex, groupValues);
        TDataSet* dataSet = GetDataSet();
        const String detailKeys = controller->EffectiveDetailKeyFieldNames();
        if ((controller->GetOptions() & dcoAssignMasterDetailKeys) && controller->IsDetail() && dataSet &&
            !detailKeys.empty() && !VarIsEmpty(controller->MasterKeyValues)) {
            SetFieldsValue(dataSet, dataSet->GetFieldList(detailKeys), controller->MasterKeyValues);
            FFilledFields.AddByNames(dataSet, detailKeys);
        }
        controller->NewRecordInitialized(recordIndex);
    }
    if (GetEditRecordIndex() != qzNoRecord) {
        RefreshEditedRecord();
        if (!FInCanInitEditing) controller->Change(2048);
    }
}

void TqzDBDataProvider::RefreshEditedRecord() {
    const Integer record = GetEditRecordIndex();
    if (record == qzNoRecord) return;
    PendingRecordIndex = record;
    PendingRecordInserting = IsInserting();
    // The new-item buffer of an insert stands for a record the controller does not have yet.
    if (PendingRecordInserting && GetController()->IsNewItemRecord(record)) PendingNewRecordIndex = record;
    GetDBController()->ReloadRecordFromDataSet(record);
}

void TqzDBDataProvider::RecordChanged(TField*) {
    TqzDBDataController* controller = GetDBController();
    const bool detachedDetail = controller->IsDetail() && IsSyncMode() && !GetDataSetOnRecord();
    if (DataSetEditing(GetDataSet()) && GetEditRecordIndex() != qzNoRecord && !detachedDetail) RefreshEditedRecord();
    ClearChanging();
}

void TqzDBDataProvider::ForgetUpdatingRecord() {
    PendingRecordIndex = Integer(0x80000001);
    PendingNewRecordIndex = qzNoRecord;
    PendingRecordInserting = false;
}

void TqzDBDataProvider::SmartRefreshChangedRecord() {
    TqzDBDataController* controller = GetDBController();
    const Integer record = PendingRecordIndex;
    if (record >= 0 && record < controller->GetRecordCount()) {
        const Variant storedKey = controller->GetRecordId(record);
        const Variant currentKey = controller->GetDataSetKeyValue();
        if (VariantValuesEqual(storedKey, currentKey) || (PendingRecordInserting && VarIsNull(storedKey))) {
            controller->ReloadRecordFromDataSet(record);
        } else {
            const Integer holder = controller->FindRecordIndexByKey(currentKey);
            if (holder < 0 || holder == record) {
                controller->DeleteRecord(record);
                controller->CheckFocusedRow();
            }
        }
        if (record < controller->GetRecordCount()) controller->DataChanged(dcRecordChanged, -1, record);
    }
    controller->FilterChanged();
    PostLocatePending = false;
}

Integer TqzDBDataProvider::DeleteFocused() {
    TDataSet* dataSet = GetDataSet();
    if (!dataSet) return -1;
    TqzDBDataController* controller = GetDBController();
    const Integer focused = controller->GetFocusedRecordIndex();
    if (focused < 0) return 0;
    const bool smart = IsSmartRefresh();
    // The record to focus afterwards, named as it will be once the deleted one is gone.
    const Integer restore = controller->RestoreFocusRecordIndex;
    const Integer after = restore > focused ? restore - 1 : restore;
    const Variant restoreKey = restore >= 0 && IsKeyMode() ? controller->GetRecordId(restore) : Variant();
    const Integer count = controller->GetRecordCount();
    {
        TControlsDisabled disabled(dataSet);
        try {
            dataSet->Delete();
            FDataLink->LayoutChangeSuppressed = true;
            if (restore >= 0) {
                if (IsKeyMode()) {
                    dataSet->Locate(controller->GetKeyFieldNames(), restoreKey, TLocateOptions());
                } else {
                    // The data set stands on the row that followed the deleted one (the new last
                    // row when it was the last).
                    const Integer position = std::min(focused, count - 2);
                    dataSet->MoveBy(after - position);
                }
                FCurrentBufferRecord = after;
                if (!smart) controller->RestoreFocusRecordIndex = after;
            }
        } catch (...) {
            FDataLink->LayoutChangeSuppressed = false;
            throw;
        }
    }
    FDataLink->LayoutChangeSuppressed = false;
    if (smart && focused < controller->GetRecordCount()) {
        controller->DeleteRecord(focused);
        controller->CheckFocusedRow();
    }
    return focused;
}

void TqzDBDataProvider::DeleteRecords(const std::vector<Integer>& recordIndexes) {
    TDataSet* dataSet = GetDataSet();
    if (!dataSet) return;
    TqzDBDataController* controller = GetDBController();
    TControlsDisabled disabled(dataSet);
    if (IsKeyMode()) {
        std::vector<Variant> keys;
        for (Integer record : recordIndexes) keys.push_back(controller->GetRecordId(record));
        for (Integer i = Integer(keys.size()) - 1; i >= 0; --i) {
            if (!dataSet->Locate(controller->GetKeyFieldNames(), keys[std::size_t(i)], TLocateOptions())) continue;
            dataSet->Delete();
            if (IsSmartRefresh()) {
                const Integer record = controller->FindRecordIndexByKey(keys[std::size_t(i)]);
                if (record >= 0) controller->DeleteRecord(record);
            }
        }
        if (IsSmartRefresh()) controller->CheckFocusedRow();
        return;
    }
    std::vector<Integer> sorted = recordIndexes;
    std::sort(sorted.begin(), sorted.end());
    if (sorted.empty() || !controller->CanFocusRecord(sorted.back())) return;
    Integer position = sorted.back();
    Integer remaining = controller->GetRecordCount();
    for (Integer i = Integer(sorted.size()) - 1; i >= 0; --i) {
        const Integer target = sorted[std::size_t(i)];
        dataSet->MoveBy(target - position);
        dataSet->Delete();
        // The data set now stands on the row that followed, or on the one before the last.
        position = target < remaining - 1 ? target : target - 1;
        --remaining;
    }
}

void TqzDBDataProvider::DeleteSelection() {
    if (!IsGridMode()) {
        inherited::DeleteSelection();
        return;
    }
    TDataSet* dataSet = GetDataSet();
    TqzDBDataSelection* selection = GetDBController()->GetDBSelection();
    if (!dataSet || !selection) return;
    TControlsDisabled disabled(dataSet);
    for (Integer i = selection->GetBookmarks()->GetCount() - 1; i >= 0; --i) {
        dataSet->GotoBookmark(selection->GetBookmarks()->GetStrings(i));
        dataSet->Delete();
        selection->RemoveEntry(i);
    }
}

void TqzDBDataProvider::FinishDelete() {
    TqzCustomDataController* controller = GetController();
    if (controller->RestoreFocusRecordIndex >= 0 && controller->RestoreFocusRecordIndex < controller->GetRecordCount())
        controller->SetFocusedRecordIndex(controller->RestoreFocusRecordIndex);
    inherited::FinishDelete();
}

// ---- Notifications -------------------------------------------------------------------------------

void TqzDBDataProvider::ActiveChanged(bool active) {
    inherited::ActiveChanged(active);
    TDataSet* dataSet = GetDataSet();
    if ((!dataSet || !dataSet->GetActive()) && dataSet && dataSet->GetDefaultFields()) GetDBController()->UnlinkFields();
}

void TqzDBDataProvider::BeginLocate() {
    inherited::BeginLocate();
    if (!DataSetEditing(GetDataSet())) return;
    PostLocatePending = true;
    for (TqzDBDataProvider* other : OthersOnDataSet()) other->PostLocatePending = true;
}

void TqzDBDataProvider::LockNotifications() {
    inherited::LockNotifications();
    TDataSet* dataSet = GetDataSet();
    if (!dataSet) return;
    dataSet->DisableControls();
    if (dataSet->GetActive() && DataSetEditing(dataSet)) {
        PostLocatePending = true;
        for (TqzDBDataProvider* other : OthersOnDataSet()) other->PostLocatePending = true;
        dataSet->Cancel();
    }
}

void TqzDBDataProvider::UnlockNotifications() {
    TDataSet* dataSet = GetDataSet();
    try {
        if (dataSet) dataSet->EnableControls();
    } catch (...) {
        inherited::UnlockNotifications();
        throw;
    }
    inherited::UnlockNotifications();
}

bool TqzDBDataProvider::DetailHasData(Integer masterRecordIndex, Integer relationIndex) {
    TqzCustomDataController* master = GetController();
    auto* relation = dynamic_cast<TqzDBDataRelation*>(master->GetRelations()->GetItems(relationIndex));
    TqzDBDataController* detail = relation ? relation->DetailDBController() : nullptr;
    if (!detail) return inherited::DetailHasData(masterRecordIndex, relationIndex);
    const Variant keys = relation->MasterKeyValuesOf(masterRecordIndex);
    if (GetDBController()->OnDetailHasChildren.Assigned()) {
        bool has = false;
        GetDBController()->OnDetailHasChildren(GetDBController(), masterRecordIndex, has, keys,
                                               relation->DetailKeyFieldNames(), relationIndex);
        return has;
    }
    TqzDBDataProvider* detailProvider = detail->GetDBProvider();
    TDataSet* dataSet = detail->GetDataSet();
    if (!dataSet || !dataSet->GetActive() || detailProvider->IsGridMode() ||
        detail->GetDataModeController()->DetailInSQLMode)
        return false;
    bool found = false;
    detailProvider->LockNotifications();
    try {
        detailProvider->RememberPosition();
        found = dataSet->Locate(relation->DetailKeyFieldNames(), keys, TLocateOptions());
        detailProvider->RestorePosition();
    } catch (...) {
        detailProvider->UnlockNotifications();
        throw;
    }
    detailProvider->UnlockNotifications();
    return found;
}

void TqzDBDataProvider::DataScrolled(Integer distance) {
    TqzDBDataController* controller = GetDBController();
    if (IsGridMode()) {
        FCurrentBufferRecord = FDataLink->GetActiveRecord();
        if (distance != 0) {
            TqzUpdateLock lock(controller);
            controller->GridModeBufferScrolled();
            ReloadGridModeBuffer();
            if (controller->HasRelations()) controller->CollapseAllDetails();
        }
    } else {
        FCurrentBufferRecord += distance;
    }
    inherited::DataScrolled(distance);
    if (IsGridMode() && controller->IsDataSetSequenced()) controller->GridModeBufferMoved();
}

void TqzDBDataProvider::LayoutChanged(Integer kind) {
    for (TqzDBDataProvider* other : OthersOnDataSet()) {
        if (other->GetLockCount() > 0 && other->GetController()->GetMasterRelation()) {
            if (!CanReadData()) return;
            TqzDBDataController* controller = GetDBController();
            TqzDBDataController* saved = controller->ExcludedDetail;
            controller->ExcludedDetail = other->GetDBController();
            try {
                controller->UpdateDetailStructures(false);
            } catch (...) {
                controller->ExcludedDetail = saved;
                throw;
            }
            controller->ExcludedDetail = saved;
            return;
        }
    }
    inherited::LayoutChanged(kind);
}

void TqzDBDataProvider::StartControllerInsert() {
    TFlagScope starting(FStartingInsert);
    const bool append = IsEOF() && !FInOwnInsert;
    StartNewRecord(append);
}

void TqzDBDataProvider::DataSetChanged() {
    TqzDBDataController* controller = GetDBController();
    TDataSet* dataSet = GetDataSet();
    TqzDBDataProvider* locker = nullptr;
    if (IsOtherProviderLocked(locker)) {
        if (!locker->GetDBController()->InLocate) locker->AddWaitingProvider(this);
        return;
    }
    if (controller->IsDetail() && controller->GetDataModeController()->DetailInSQLMode &&
        controller->DetailNeedsReopen() == 1)
        return;
    if (IsDataSetBusy()) {
        DataScrolled(0);
        return;
    }
    if (IsGridMode()) {
        TFlagScope updating(FUpdatingGridBuffer);
        TqzUpdateLock lock(controller);
        ReloadGridModeBuffer();
        if (controller->MultiSelect)
            if (TqzDBDataSelection* selection = controller->GetDBSelection()) selection->DropInvalidBookmarks();
        controller->RevalidateSavedFocus();
        if (IsInserting() && !FStartingInsert && GetEditRecordIndex() == qzNoRecord) StartControllerInsert();
        return;
    }
    if (!DataSetEditing(dataSet)) {
        if (IsSmartRefresh()) {
            SmartRefreshChangedRecord();
            DataScrolled(0);
        } else {
            DataChanged(dcEverything, -1, -1);
        }
        ForgetUpdatingRecord();
        return;
    }
    if (IsInserting() && GetEditRecordIndex() == qzNoRecord) {
        const bool current = !controller->IsDetail() || GetDataSetOnRecord();
        if (current && controller->GetDataModeController()->InsertInSync && IsSyncMode() && !FStartingInsert)
            StartControllerInsert();
    }
}

void TqzDBDataProvider::EditingChanged() {
    if (!IsSyncMode()) {
        InSetDataSource = false;
        return;
    }
    TDataSet* dataSet = GetDataSet();
    TqzDBDataController* controller = GetDBController();
    if (FDataLink->GetActive() && DataSetEditing(dataSet)) {
        if (dataSet->GetState() == dsEdit) {
            TFlagScope editing(controller->InDataSetEdit);
            if (GetEditRecordIndex() == qzNoRecord) BeginEdit();
        } else if (dataSet->GetState() == dsInsert && InSetDataSource && !dataSet->ControlsDisabled() && IsGridMode() &&
                   !FInOwnInsert) {
            StartControllerInsert();
        }
    } else {
        if (IsSmartRefresh() && PendingNewRecordIndex != qzNoRecord) {
            const Integer appended = controller->AppendStoredRecord();
            controller->CopyRecordValues(PendingNewRecordIndex, appended);
            PendingRecordIndex = appended;
            PendingNewRecordIndex = qzNoRecord;
        }
        EndEditing();
    }
    InSetDataSource = false;
}

// ---- Incremental search in the data set ----------------------------------------------------------

bool TqzDBDataProvider::SearchInDataSet(Integer itemIndex, const String& text, bool forward, bool searchOn) {
    TDataSet* dataSet = GetDataSet();
    TqzCustomDataController* controller = GetController();
    if (IsEditing() || !dataSet || !dataSet->GetActive() || (dataSet->Bof() && dataSet->Eof())) return false;
    auto* dataField = dynamic_cast<TqzDBDataField*>(controller->GetItemField(itemIndex));
    TField* field = dataField ? dataField->GetField() : nullptr;
    if (!field) return false;
    auto matches = [&] { return SameTextOrPrefix(field->GetDisplayText(), text, true); };
    if (!searchOn && matches()) {
        GetDBController()->CheckFocusedRow();
        return true;
    }
    bool found = false;
    LockNotifications();
    try {
        TFlagScope searching(FInSearch);
        RememberPosition();
        const String start = dataSet->GetBookmark();
        auto step = [&] {
            if (forward)
                dataSet->Next();
            else
                dataSet->Prior();
        };
        // The current row was tested already unless searching on from it.
        step();
        bool wrapped = false;
        for (;;) {
            if (forward ? dataSet->Eof() : dataSet->Bof()) {
                if (searchOn || wrapped) break;
                wrapped = true;
                if (forward)
                    dataSet->First();
                else
                    dataSet->Last();
            }
            if (wrapped && dataSet->GetBookmark() == start) break;
            if (matches()) {
                found = true;
                break;
            }
            step();
        }
        if (!found) RestorePosition();
    } catch (...) {
        try {
            UnlockNotifications();
        } catch (...) {
        }
        throw;
    }
    UnlockNotifications();
    if (found) {
        controller->UpdateSelectionMemory();
        controller->Change(1);
    }
    return found;
}
