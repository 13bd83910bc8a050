// The controller's editing layer: starting, posting and cancelling edits, edit values, the new-item
// row's records and deletion, with the links that tell a running post whether its controller is
// still there.
#include <algorithm>

#include "suite/data/qzCustomData.h"
#include "suite/foundation/qzVariants.h"

// ---- Listener links ------------------------------------------------------------------------------

TqzDataListenerLink::TqzDataListenerLink(TqzCustomDataController* controller) : Controller(controller) {
    if (Controller) Controller->GetListenerLinks().push_back(this);
}

TqzDataListenerLink::~TqzDataListenerLink() {
    if (Controller) std::erase(Controller->GetListenerLinks(), this);
}

TqzDataListenerLinks::~TqzDataListenerLinks() {
    for (TqzDataListenerLink* link : Items) link->Controller = nullptr;
}

// ---- States and permissions ----------------------------------------------------------------------

Byte TqzCustomDataController::GetEditState() {
    Byte state = 0;
    if (FProvider->IsInserting())
        state = dceInsert;
    else if (FProvider->IsEditing())
        state = dceEdit;
    if (state != 0) {
        if (FProvider->HasPendingChange()) state |= dceChanging;
        if (FProvider->IsModified()) state |= dceModified;
    }
    return state;
}

Byte TqzCustomDataController::GetEditOperations() {
    Byte operations = 0;
    if (FProvider->CanAppend()) operations |= dceoAppend;
    if (FProvider->CanDelete()) operations |= dceoDelete;
    if (FProvider->CanModify()) operations |= dceoEdit;
    if (FProvider->CanInsert()) operations |= dceoInsert;
    if (!FProvider->IsSourceActive() || FProvider->IsSyncMode()) operations |= dceoShowEdit;
    return operations;
}

bool TqzCustomDataController::IsEditing() {
    return (GetEditState() & (dceInsert | dceEdit)) != 0 && FProvider->GetEditRecordIndex() != qzNoRecord;
}

// ---- Starting, posting and cancelling ------------------------------------------------------------

void TqzCustomDataController::AppendNewRecord() {
    if (FProvider->CanAppend()) FProvider->Append();
}

void TqzCustomDataController::InsertNewRecord() {
    if (FProvider->CanInsert()) FProvider->Insert();
}

void TqzCustomDataController::EditRecord() {
    if (FProvider->CanModify()) FProvider->Edit();
}

void TqzCustomDataController::PostEditing() {
    // A handler of the post may free this controller: the link tells.
    TqzDataListenerLink link(this);
    InPost = true;
    try {
        if (FProvider->IsEditing()) FProvider->Post();
    } catch (...) {
        if (link.Controller) FProvider->SetInsertedRecordIndex(-1);
        throw;
    }
    if (link.Controller) FProvider->SetInsertedRecordIndex(-1);
}

void TqzCustomDataController::Cancel() {
    if (FInCancel) return;
    FInCancel = true;
    Integer row = FInfo->GetFocusedRowIndex();
    try {
        if (FProvider->IsEditing()) FProvider->Cancel();
    } catch (...) {
        FInCancel = false;
        throw;
    }
    FInCancel = false;
    row = std::min(row, FInfo->GetRowCount() - 1);
    if (row >= 0 && !FInfo->IsAskingFocus()) SetFocusedRowIndex(row);
}

// ---- Edit values ---------------------------------------------------------------------------------

bool TqzCustomDataController::CanInitEditing(Integer itemIndex) {
    CheckItemIndex(itemIndex);
    // A field of its own that allows editing is the data-set layer's; here the provider decides.
    if (!FProvider->CanModify()) return false;
    if (!CanEditItem(itemIndex)) return false;
    return FProvider->CanInitEditing(GetEditingRecordIndex());
}

bool TqzCustomDataController::SetEditingValue(Integer itemIndex, const Variant& value, Integer valueKind) {
    if (!CanInitEditing(itemIndex)) return false;
    const bool written =
        FProvider->SetEditingFieldValue(GetEditingRecordIndex(), GetItemField(itemIndex), valueKind, value);
    if (written && IsImmediatePost()) PostEditing();
    return written;
}

Variant TqzCustomDataController::GetEditingValue(Integer itemIndex, Integer valueKind) {
    CheckItemIndex(itemIndex);
    if (NewItemRowEnabled && IsNewItemRowFocused() && !FProvider->IsEditing()) return Null();
    return FProvider->ReadEditValue(GetEditingRecordIndex(), GetItemField(itemIndex), valueKind);
}

// ---- Deletion ------------------------------------------------------------------------------------

void TqzCustomDataController::CollectRowRecords(Integer row, std::vector<Integer>& records) {
    TqzDataGroups* groups = FInfo->GetGroups();
    if (!groups->IsGroupRow(row)) {
        records.push_back(FInfo->GetRowRecordIndex(row));
        return;
    }
    const TqzDataGroupInfo* group = groups->Item(groups->ItemOfRow(row));
    for (Integer position = group->Begin; position <= group->End; ++position)
        records.push_back(FInfo->RecordAt(position));
}

void TqzCustomDataController::DeleteFocusedRecord() {
    const Integer focused = GetFocusedRecordIndex();
    // Records deleted from the storage move the choice themselves (DeleteRecord); a source that
    // deletes reloads its records, so the choice moves beforehand.
    if (IsBoundToSource() && RestoreFocusRecordIndex >= 0 && RestoreFocusRecordIndex >= focused)
        --RestoreFocusRecordIndex;
    try {
        FProvider->DeleteFocused();
    } catch (...) {
        RestoreFocusRecordIndex = focused;
        throw;
    }
}

void TqzCustomDataController::SelectedRecords(std::vector<Integer>& records) {
    for (Integer row = 0; row < FInfo->GetRowCount(); ++row)
        if (FInfo->IsRowSelected(row)) CollectRowRecords(row, records);
    std::sort(records.begin(), records.end());
    records.erase(std::unique(records.begin(), records.end()), records.end());
}

void TqzCustomDataController::AdjustChoiceForList(const std::vector<Integer>& records) {
    const Integer chosen = RestoreFocusRecordIndex;
    for (Integer record : records)
        if (record <= chosen) --RestoreFocusRecordIndex;
}

void TqzCustomDataController::DeleteRecordList(std::vector<Integer> records) {
    std::sort(records.begin(), records.end());
    records.erase(std::unique(records.begin(), records.end()), records.end());
    const Integer focused = GetFocusedRecordIndex();
    // As for one record: only a source's deletion needs the choice moved beforehand.
    if (IsBoundToSource() && RestoreFocusRecordIndex >= 0) AdjustChoiceForList(records);
    try {
        FProvider->DeleteRecords(records);
    } catch (...) {
        RestoreFocusRecordIndex = focused;
        throw;
    }
}

void TqzCustomDataController::DeleteFocused() {
    const Integer row = FInfo->GetFocusedRowIndex();
    if (row < 0 || !FProvider->CanDelete()) return;
    FProvider->PrepareDelete();
    try {
        if (FInfo->GetGroups()->IsGroupRow(row)) {
            std::vector<Integer> records;
            CollectRowRecords(row, records);
            DeleteRecordList(records);
        } else {
            DeleteFocusedRecord();
        }
        FInfo->ClearSelection();
    } catch (...) {
        FProvider->FinishDelete();
        throw;
    }
    FProvider->FinishDelete();
}

void TqzCustomDataController::DeleteSelection() {
    const Integer selected = IsSingleSelect() && GetFocusedRowSelected() && FInfo->GetFocusedRowIndex() >= 0
                                 ? std::max(FInfo->GetSelectedCount(), Integer(1))
                                 : FInfo->GetSelectedCount();
    if (selected == 0 || !FProvider->CanDelete()) return;
    FProvider->PrepareDelete();
    try {
        if (IsSingleSelect()) {
            DeleteFocusedRecord();
        } else {
            const Integer focused = GetFocusedRecordIndex();
            std::vector<Integer> records;
            SelectedRecords(records);
            if (IsBoundToSource() && RestoreFocusRecordIndex >= 0) AdjustChoiceForList(records);
            FDeletingSelection = true;
            try {
                FProvider->DeleteSelection();
            } catch (...) {
                FDeletingSelection = false;
                RestoreFocusRecordIndex = focused;
                throw;
            }
            FDeletingSelection = false;
        }
    } catch (...) {
        FProvider->FinishDelete();
        throw;
    }
    FProvider->FinishDelete();
}

void TqzCustomDataController::ReleaseFullUpdate() {
    if (FFullUpdateCount <= 0 || --FFullUpdateCount > 0) return;
    FSaveObject.reset();
    ReleaseUpdateLock();
}
