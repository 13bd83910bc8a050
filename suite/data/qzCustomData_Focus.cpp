// The data controller's focus, navigation, saved focus and selection, as the owning control uses
// them: the info keeps the rows, the focus and the selected rows; the controller adds the
// provider's grid mode, the single-select rules and the order of the steps.
#include <algorithm>

#include "suite/data/qzCustomData.h"

// ---- Focus ---------------------------------------------------------------------------------------

Integer TqzCustomDataController::GetRowIndexByRecordIndex(Integer recordIndex, bool makeVisible) {
    CheckRecordIndex(recordIndex);
    return FInfo->RowOfRecord(recordIndex, makeVisible);
}

bool TqzCustomDataController::ChangeFocusedRowIndex(Integer rowIndex) {
    const bool differs = rowIndex != GetFocusedRowIndex();
    if (FProvider->IsSyncMode() && !FProvider->FInInserting && differs && !CanChangeFocusedRow()) return false;
    if (differs) NotifyDetailsBeforeFocusChange();
    FInfo->FocusRow(rowIndex);
    if (FProvider->IsSyncMode() && ShouldSyncDetailFocus() && GetFocusedRecordIndex() >= 0)
        FocusDetailsOfFocusedRecord();
    Change(0); // what the focus change raised here (the single selected row) goes out with it
    return true;
}

void TqzCustomDataController::ChangeFocusedRecordIndex(Integer recordIndex) {
    ChangeFocusedRowIndex(recordIndex == -1 ? -1 : GetRowIndexByRecordIndex(recordIndex, true));
}

void TqzCustomDataController::CheckFocusedRowExists() {
    if (GetFocusedRowIndex() < 0 && !IsNewItemRowFocused()) ChangeFocusedRowIndex(0);
}

void TqzCustomDataController::RestoreFocusAfterDelete() {
    if (RestoreFocusRecordIndex != -1) {
        if (RestoreFocusRecordIndex < GetRecordCount()) ChangeFocusedRecordIndex(RestoreFocusRecordIndex);
    } else if (GetFocusedRowIndex() < 0 && FLockCount == 0 && GetRowCount() > 0) {
        ChangeFocusedRowIndex(GetRowCount() - 1);
    }
}

bool TqzCustomDataController::FocusSelectedRow(Integer selectedIndex) {
    const Integer row = GetSelectedRowIndex(selectedIndex);
    if (row < 0) return false;
    ChangeFocusedRowIndex(row);
    return GetFocusedRowIndex() == row;
}

// ---- Navigation ----------------------------------------------------------------------------------

void TqzCustomDataController::GotoFirst() {
    if (FProvider->IsGridMode())
        FProvider->MoveFirst();
    else
        ChangeFocusedRowIndex(0);
}

void TqzCustomDataController::GotoLast() {
    if (FProvider->IsGridMode())
        FProvider->MoveLast();
    else
        ChangeFocusedRowIndex(GetRowCount() - 1);
}

void TqzCustomDataController::GotoNext() {
    if (FProvider->IsGridMode())
        FProvider->MoveNext();
    else
        ChangeFocusedRowIndex(GetFocusedRowIndex() + 1);
}

void TqzCustomDataController::GotoPrev() {
    if (FProvider->IsGridMode())
        FProvider->MovePrior();
    else
        ChangeFocusedRowIndex(std::max(GetFocusedRowIndex() - 1, Integer(0)));
}

void TqzCustomDataController::MoveBy(Integer distance) {
    if (FProvider->IsGridMode()) {
        FProvider->MoveBy(distance);
        return;
    }
    // In 64 bits: a distance near the integer's end must not wrap around.
    const Int64 row = std::max(Int64(GetFocusedRowIndex()) + distance, Int64(0));
    ChangeFocusedRowIndex(Integer(std::min(row, Int64(GetRowCount()))));
}

void TqzCustomDataController::Scroll(Integer distance) {
    if (FProvider->IsGridMode()) FProvider->ScrollBuffer(distance);
}

bool TqzCustomDataController::IsBOF() const {
    if (FProvider->IsGridMode()) return FProvider->IsBOF();
    return GetRowCount() == 0 || GetFocusedRowIndex() == 0;
}

bool TqzCustomDataController::IsEOF() const {
    if (FProvider->IsGridMode()) return FProvider->IsEOF();
    return GetRowCount() == 0 || GetFocusedRowIndex() == GetRowCount() - 1;
}

// ---- Saved focus ---------------------------------------------------------------------------------

bool TqzCustomDataController::SaveFocus() {
    const Integer record = GetFocusedRecordIndex();
    if (record == FBookmarkRecordIndex) return false;
    FBookmarkRecordIndex = record;
    return true;
}

void TqzCustomDataController::RestoreSavedFocus() {
    if (HasSavedFocus()) ChangeFocusedRecordIndex(FBookmarkRecordIndex);
}

bool TqzCustomDataController::IsSavedFocusRow(Integer rowIndex) {
    return HasSavedFocus() && FInfo->GetRowRecordIndex(rowIndex) == FBookmarkRecordIndex;
}

bool TqzCustomDataController::IsSavedFocusLost(Integer recordIndex) {
    return (recordIndex != -1 && recordIndex == FBookmarkRecordIndex) ||
           FInfo->PositionOfRecord(FBookmarkRecordIndex) < 0;
}

void TqzCustomDataController::RevalidateSavedFocus(Integer recordIndex) {
    if (!HasSavedFocus() || !IsSavedFocusLost(recordIndex)) return;
    ForgetSavedFocus();
    Change(1024);
}

// ---- Selection -----------------------------------------------------------------------------------

Integer TqzCustomDataController::GetSelectedCount() const {
    if (MultiSelect) return FInfo->GetSelectedCount();
    return FFocusedRowSelected && GetFocusedRowIndex() >= 0 ? 1 : 0;
}

Integer TqzCustomDataController::GetSelectedRowIndex(Integer index) const {
    if (MultiSelect) return FInfo->SelectedRow(index);
    return index == 0 && FFocusedRowSelected ? GetFocusedRowIndex() : -1;
}

bool TqzCustomDataController::IsRowSelected(Integer rowIndex) const {
    if (MultiSelect) return FInfo->IsRowSelected(rowIndex);
    return FFocusedRowSelected && rowIndex >= 0 && rowIndex == GetFocusedRowIndex();
}

void TqzCustomDataController::ChangeRowSelection(Integer rowIndex, bool selected) {
    if (MultiSelect) FInfo->ChangeRowSelection(rowIndex, selected);
}

void TqzCustomDataController::SelectRows(Integer fromRowIndex, Integer toRowIndex) {
    if (!MultiSelect) return;
    if (fromRowIndex > toRowIndex) std::swap(fromRowIndex, toRowIndex);
    TqzUpdateLock lock(this);
    for (Integer row = fromRowIndex; row <= toRowIndex; ++row) FInfo->ChangeRowSelection(row, true);
}

void TqzCustomDataController::SelectAll() {
    if (GetRowCount() > 0) SelectRows(0, GetRowCount() - 1);
}

void TqzCustomDataController::ClearSelection() { FInfo->ClearSelection(); }

void TqzCustomDataController::SetSelectionAnchor(Integer rowIndex) {
    FInfo->CheckRowIndex(rowIndex);
    FInfo->GetSelection()->SetAnchor(rowIndex);
}

Integer TqzCustomDataController::GetSelectionAnchorRowIndex() const { return FInfo->GetSelection()->GetAnchor(); }

void TqzCustomDataController::SelectFromAnchor(Integer rowIndex, bool keepOthers) {
    if (!IsSelectionAnchorSet()) return;
    TqzUpdateLock lock(this);
    if (!keepOthers) FInfo->ClearSelection();
    SelectRows(GetSelectionAnchorRowIndex(), rowIndex);
}

void TqzCustomDataController::SelectFocusedRowOnly() {
    if (!MultiSelect) return;
    TqzUpdateLock lock(this);
    FInfo->ClearSelection();
    const Integer row = FInfo->GetFocusedRowIndex();
    if (row >= 0 && row < FInfo->GetRowCount()) FInfo->ChangeRowSelection(row, true);
}

void TqzCustomDataController::SetFocusedRowSelected(bool value) {
    if (MultiSelect || FFocusedRowSelected == value) return;
    FFocusedRowSelected = value;
    const Integer row = GetFocusedRowIndex();
    if (row < 0) return;
    FPrevSelectedCount = 1;
    FPrevSelectedRow = row;
    Change(8);
}

void TqzCustomDataController::UpdateSelectionMemory() {
    if (FPrevSelectedCount != 1) return;
    FPrevSelectedCount = GetSelectedCount();
    FPrevSelectedRow = FPrevSelectedCount == 1 ? GetSelectedRowIndex(0) : -1;
}

void TqzCustomDataController::ForEachRow(bool selectedOnly, TqzEachRowProc proc, void* data) {
    if (selectedOnly) {
        for (Integer i = 0; i < GetSelectedCount(); ++i) {
            const Integer row = GetSelectedRowIndex(i);
            proc(data, row, GetRowInfo(row));
        }
        return;
    }
    for (Integer row = 0; row < GetRowCount(); ++row) proc(data, row, GetRowInfo(row));
}

// ---- Sorting -------------------------------------------------------------------------------------

Integer TqzCustomDataController::GetItemSortingIndex(Integer itemIndex) {
    return FInfo->GetSorting()->IndexOfField(GetItemField(itemIndex));
}

void TqzCustomDataController::SetSummarySortItem(TCollectionItem* value) {
    if (FSummarySortItem == value) return;
    FSummarySortItem = value;
    Refresh(); // regrouped by value, then ordered by the item
}

void TqzCustomDataController::SetSummarySortOrder(TqzDataSortOrder value) {
    if (FSummarySortOrder == value) return;
    FSummarySortOrder = value;
    if (FSummarySortItem) Refresh();
}

void TqzCustomDataController::ApplySummarySortOrder() {
    TqzDataGroups* groups = FInfo->GetGroups();
    groups->SummaryItemIndex = FSummarySortItem ? FSummarySortItem->GetIndex() : -1;
    groups->SummarySortOrder =
        FSummarySortItem ? (FSummarySortOrder == soNone ? soAscending : FSummarySortOrder) : soNone;
    groups->SortTopGroupsBySummary();
}
