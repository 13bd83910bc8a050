// The data controller's rows: the group tree, focus and selection objects, and the controller info
// that filters, sorts and groups the records into rows.
#include <algorithm>
#include <exception>

#include "platform/runtime/Lists.h"
#include "platform/runtime/Strings.h"
#include "suite/data/qzCustomData.h"
#include "suite/data/qzDataUtils.h"
#include "suite/foundation/qzVariants.h"

namespace {

Integer SignOf(Integer value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

// Runs a clean-up on every exit of a scope.
template <class F> class TFinally {
public:
    explicit TFinally(F f) : FF(std::move(f)) {}
    ~TFinally() noexcept(false) { FF(); }
    TFinally(const TFinally&) = delete;
    TFinally& operator=(const TFinally&) = delete;

private:
    F FF;
};

} // namespace

// ---- Group tree ----------------------------------------------------------------------------------

void TqzDataGroups::RemoveAll() {
    FFields.clear();
    FItems.clear();
    FRowCount = 0;
}

TqzDataGroupInfo* TqzDataGroups::NewGroupItem() {
    FItems.push_back(std::make_unique<TqzDataGroupInfo>());
    return FItems.back().get();
}

TqzDataGroupInfo* TqzDataGroups::Item(Integer index) const {
    if (index < 0 || index >= ItemCount()) RaiseDataControllerError(sqzItemIndexOutOfRange);
    return FItems[std::size_t(index)].get();
}

void TqzDataGroups::UpdateRowIndexes() {
    Integer counter = 0;
    Integer hiddenBy = -1; // the collapsed group hiding the items that follow
    for (Integer i = 0; i < ItemCount(); ++i) {
        TqzDataGroupInfo& g = *FItems[std::size_t(i)];
        if (hiddenBy >= 0 && g.Level > FItems[std::size_t(hiddenBy)]->Level) {
            g.RowIndex = FItems[std::size_t(hiddenBy)]->RowIndex;
            continue;
        }
        hiddenBy = -1;
        g.RowIndex = counter++;
        if (IsDeepest(g)) {
            if (g.Expanded) counter += g.End - g.Begin + 1;
        } else if (!g.Expanded) {
            hiddenBy = i;
        }
    }
    FRowCount = counter;
}

Integer TqzDataGroups::ItemOfRow(Integer row) const {
    if (FItems.empty()) return -1;
    // The last item whose row index is at most row.
    Integer lo = 0, hi = ItemCount() - 1, found = -1;
    while (lo <= hi) {
        const Integer mid = lo + (hi - lo) / 2;
        if (FItems[std::size_t(mid)]->RowIndex <= row) {
            found = mid;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    if (found < 0) return -1;
    const Integer rowOfFound = FItems[std::size_t(found)]->RowIndex;
    while (found > 0 && FItems[std::size_t(found - 1)]->RowIndex == rowOfFound) --found;
    if (rowOfFound == row) return found;
    // A record row: the last group before it shows it (the last of a run of equal rows).
    while (found + 1 < ItemCount() && FItems[std::size_t(found + 1)]->RowIndex == rowOfFound) ++found;
    return found;
}

bool TqzDataGroups::IsGroupRow(Integer row) const {
    const Integer item = ItemOfRow(row);
    return item >= 0 && FItems[std::size_t(item)]->RowIndex == row;
}

Integer TqzDataGroups::FirstPosition(Integer item) const {
    const TqzDataGroupInfo* g = Item(item);
    while (!IsDeepest(*g)) g = Item(g->Begin);
    return g->Begin;
}

TqzDataRowInfo TqzDataGroups::RowInfo(Integer row) const {
    TqzDataRowInfo info;
    const Integer item = ItemOfRow(row);
    if (item < 0) return info;
    const TqzDataGroupInfo& g = *FItems[std::size_t(item)];
    if (g.RowIndex == row) {
        info.Expanded = g.Expanded;
        info.Level = g.Level;
        info.Position = FirstPosition(item);
    } else {
        info.Level = GroupingFieldCount();
        info.Position = row + g.Begin - g.RowIndex - 1;
    }
    return info;
}

Integer TqzDataGroups::ParentOf(Integer item) const {
    const Integer level = Item(item)->Level;
    for (Integer i = item - 1; i >= 0; --i)
        if (FItems[std::size_t(i)]->Level == level - 1) return i;
    return -1;
}

Integer TqzDataGroups::ChildCount(Integer item) const {
    if (item == -1) {
        Integer n = 0;
        for (const auto& g : FItems) n += g->Level == 0;
        return n;
    }
    const TqzDataGroupInfo& g = *Item(item);
    if (IsDeepest(g)) return g.End - g.Begin + 1;
    Integer n = 0;
    for (Integer i = g.Begin; i <= g.End; ++i) n += FItems[std::size_t(i)]->Level == g.Level + 1;
    return n;
}

Integer TqzDataGroups::ChildItem(Integer item, Integer number) const {
    Integer from = 0, to = ItemCount() - 1, level = 0;
    if (item != -1) {
        const TqzDataGroupInfo& g = *Item(item);
        if (IsDeepest(g)) return -1;
        from = g.Begin;
        to = g.End;
        level = g.Level + 1;
    }
    for (Integer i = from; i <= to; ++i)
        if (FItems[std::size_t(i)]->Level == level && number-- == 0) return i;
    return -1;
}

Integer TqzDataGroups::ChildPosition(Integer item, Integer number) const {
    const TqzDataGroupInfo& g = *Item(item);
    return IsDeepest(g) && number >= 0 && number <= g.End - g.Begin ? g.Begin + number : -1;
}

Integer TqzDataGroups::GroupOfRow(Integer row, Integer level) const {
    Integer item = ItemOfRow(row);
    if (item < 0 || level < 0) return item;
    const Integer found = FItems[std::size_t(item)]->Level;
    if (found < level) {
        for (Integer i = item + 1; i < ItemCount(); ++i)
            if (FItems[std::size_t(i)]->Level == level) return i;
        return -1;
    }
    while (item >= 0 && FItems[std::size_t(item)]->Level > level) --item;
    return item;
}

Integer TqzDataGroups::GroupAtLevel(Integer position, Integer level) const {
    for (Integer i = 0; i < ItemCount(); ++i) {
        const TqzDataGroupInfo& g = *FItems[std::size_t(i)];
        if (IsDeepest(g) && g.Begin <= position && position <= g.End) {
            Integer item = i;
            while (item >= 0 && FItems[std::size_t(item)]->Level > level) item = ParentOf(item);
            return item;
        }
    }
    return -1;
}

bool TqzDataGroups::IsGroupVisible(Integer item) const { return ItemOfRow(Item(item)->RowIndex) == item; }

bool TqzDataGroups::MakeGroupVisible(Integer item, bool expandItself) {
    bool changed = false;
    if (expandItself && !Item(item)->Expanded) {
        Item(item)->Expanded = 1;
        changed = true;
    }
    for (Integer parent = ParentOf(item); parent >= 0; parent = ParentOf(parent))
        if (!FItems[std::size_t(parent)]->Expanded) {
            FItems[std::size_t(parent)]->Expanded = 1;
            changed = true;
        }
    if (changed) UpdateRowIndexes();
    return changed;
}

void TqzDataGroups::SetAllExpanded(bool expanded) {
    for (auto& g : FItems) g->Expanded = expanded ? 1 : 0;
    UpdateRowIndexes();
}

void TqzDataGroups::SortTopGroupsBySummary() {
    if (GroupingFieldCount() != 1 || SummaryItemIndex < 0) return;
    const std::size_t index = std::size_t(SummaryItemIndex);
    auto valueOf = [&](const TqzDataGroupInfo& g) { return index < g.SummaryValues.size() ? g.SummaryValues[index] : Null(); };
    std::vector<Integer> order(FItems.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = Integer(i);
    struct Context {
        TqzDataGroups* Self;
        decltype(valueOf)* ValueOf;
    } context{this, &valueOf};
    qzSortList(
        order,
        [](void* c, Integer a, Integer b) -> Integer {
            auto* ctx = static_cast<Context*>(c);
            Integer r = CompareVariantValues((*ctx->ValueOf)(*ctx->Self->FItems[std::size_t(a)]),
                                             (*ctx->ValueOf)(*ctx->Self->FItems[std::size_t(b)]));
            if (ctx->Self->SummarySortOrder == soDescending) r = -r;
            // Groups with equal summaries keep their order by value.
            return r != 0 ? r : ComparePlainValues(a, b);
        },
        &context);
    std::vector<std::unique_ptr<TqzDataGroupInfo>> sorted;
    for (Integer i : order) sorted.push_back(std::move(FItems[std::size_t(i)]));
    FItems = std::move(sorted);
    UpdateRowIndexes();
}

// ---- Focus and selection -------------------------------------------------------------------------

void TqzDataFocusingInfo::Assign(const TqzDataFocusingInfo& source) {
    Level = source.Level;
    PrevRecordIndex = source.PrevRecordIndex;
    RecordIndex = source.RecordIndex;
    RowIndex = source.RowIndex;
    Changed = 0;
    PrevNewItemRow = 0;
}

bool TqzDataFocusingInfo::SameFocus(const TqzDataFocusingInfo& other) const {
    if (RecordIndex != other.RecordIndex || Level != other.Level) return false;
    return !(FInfo->GetChanges() & ciSorting) || RowIndex == other.RowIndex;
}

void TqzDataSelection::InsertEntry(Integer index, Integer row, Integer level, Integer record) {
    const TqzSelectionEntry entry{level, record, row};
    if (index < 0 || index >= Count())
        FEntries.push_back(entry);
    else
        FEntries.insert(FEntries.begin() + index, entry);
}

void TqzDataSelection::RemoveEntry(Integer index) {
    if (Entry(index).RowIndex == FAnchor) ClearAnchor();
    FEntries.erase(FEntries.begin() + index);
}

void TqzDataSelection::ResizeEntries(Integer count) {
    count = std::max(count, Integer(0));
    if (count < Count()) {
        FEntries.resize(std::size_t(count));
        return;
    }
    for (Integer i = Count(); i < count; ++i) FEntries.push_back({0, i, i});
}

void TqzDataSelection::InsertSelected(Integer index, Integer row, Integer level, Integer record) {
    InsertEntry(index, row, level, record);
    Changed();
}

bool TqzDataSelection::FindRow(Integer row, Integer& index) const {
    Integer lo = 0, hi = Count() - 1;
    while (lo <= hi) {
        const Integer mid = lo + (hi - lo) / 2;
        const Integer r = FEntries[std::size_t(mid)].RowIndex;
        if (r == row) {
            index = mid;
            return true;
        }
        if (r < row)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    index = lo;
    return false;
}

void TqzDataSelection::RemoveAll() {
    ClearEntries();
    Changed();
}

void TqzDataSelection::ClearWithAnchor() {
    ClearAnchor();
    ClearEntries();
    Changed();
}

void TqzDataSelection::RemoveSelected(Integer index) {
    RemoveEntry(index);
    Changed();
}

bool TqzDataSelection::IsRowSelected(Integer row) const {
    Integer index;
    return FindRow(row, index);
}

Integer TqzDataSelection::FindGroupEntry(Integer item) const {
    for (Integer i = 0; i < Count(); ++i)
        if (FEntries[std::size_t(i)].Level == -1 && FEntries[std::size_t(i)].RecordIndex == item) return i;
    return -1;
}

Integer TqzDataSelection::FindRecordEntry(Integer record) const {
    for (Integer i = 0; i < Count(); ++i)
        if (FEntries[std::size_t(i)].Level != -1 && FEntries[std::size_t(i)].RecordIndex == record) return i;
    return -1;
}

void TqzDataSelection::SortByRow() {
    std::stable_sort(FEntries.begin(), FEntries.end(),
                     [](const TqzSelectionEntry& a, const TqzSelectionEntry& b) { return a.RowIndex < b.RowIndex; });
}

bool TqzDataSelection::DropVanishedRecords(const TqzCustomDataControllerInfo* info) {
    bool dropped = false;
    for (Integer i = Count() - 1; i >= 0; --i) {
        const TqzSelectionEntry& e = FEntries[std::size_t(i)];
        if (e.Level != -1 && info->PositionOfRecord(e.RecordIndex) < 0) {
            RemoveEntry(i);
            dropped = true;
        }
    }
    return dropped;
}

TqzSelectionEntry& TqzDataSelection::Entry(Integer index) {
    if (index < 0 || index >= Count()) TList::Error("List index out of bounds (%d)", index);
    return FEntries[std::size_t(index)];
}

// ---- Expansion infos -----------------------------------------------------------------------------

void TqzDataExpandingInfos::AddField(TqzCustomDataField* field) {
    if (IndexOfField(field) >= 0) RaiseDataControllerError(sqzItemAlreadyExists);
    FFields.push_back(field);
    FItems.clear();
}

void TqzDataExpandingInfos::Reset() {
    FFields.clear();
    FItems.clear();
    SaveMode = 0;
}

Integer TqzDataExpandingInfos::IndexOfField(const TqzCustomDataField* field) const {
    for (std::size_t i = 0; i < FFields.size(); ++i)
        if (FFields[i] == field) return Integer(i);
    return -1;
}

// ---- Controller info: bracket and requests -------------------------------------------------------

TqzCustomDataControllerInfo::TqzCustomDataControllerInfo(TqzCustomDataController* controller)
    : FController(controller), FGroups(std::make_unique<TqzDataGroups>()),
      FExpandingInfos(std::make_unique<TqzDataExpandingInfos>()),
      FFocusing(std::make_unique<TqzDataFocusingInfo>(this)),
      FPrevFocusing(std::make_unique<TqzDataFocusingInfo>(this)),
      FGrouping(std::make_unique<TqzGroupingFieldList>()),
      FSelection(std::make_unique<TqzDataSelection>(controller)),
      FSorting(std::make_unique<TqzSortingFieldList>()), FTotalSorting(std::make_unique<TqzSortingFieldList>()) {
    FGrouping->OnChanged = TNotifyEvent(this, &TqzCustomDataControllerInfo::GroupingChanged);
    FSorting->OnChanged = TNotifyEvent(this, &TqzCustomDataControllerInfo::SortingChanged);
    FSelection->OnChanged = TNotifyEvent(this, &TqzCustomDataControllerInfo::SelectionChanged);
}

TqzCustomDataControllerInfo::~TqzCustomDataControllerInfo() = default;

void TqzCustomDataControllerInfo::SortingChanged(TObject*) { Raise(ciSorting); }
void TqzCustomDataControllerInfo::GroupingChanged(TObject*) { Raise(ciGrouping | ciSorting | ciSummary); }
void TqzCustomDataControllerInfo::SelectionChanged(TObject*) {
    Raise(ciSelection);
    // Summaries over the selected records change with the selection.
    if (FController->GetSummary()->GetOptions().Contains(soSelectedRecords)) Raise(ciSummary);
}

void TqzCustomDataControllerInfo::UnlockChanges() {
    if (FLockCount > 0) --FLockCount;
    CheckUpdate();
}

void TqzCustomDataControllerInfo::CheckUpdate() {
    if (FChanges == 0 || FLockCount != 0 || FCalculating) return;
    Recalculate();
    FController->Change(0); // delivers what the recomputation passed on, unless a bracket holds it
}

void TqzCustomDataControllerInfo::RequestReload() {
    Raise(ciReload | ciSummary);
    if (FSorting->GetCount() > 0) Raise(ciSorting);
    if (FGrouping->GetCount() > 0) Raise(ciGrouping);
    CheckUpdate();
}

void TqzCustomDataControllerInfo::ResetFocus() {
    Raise(ciFocusReset);
    FFocusing->Level = -1;
    FFocusing->RecordIndex = FController->GetSourceFocusedRecordIndex();
    CheckUpdate();
}

void TqzCustomDataControllerInfo::RequestSummaryUpdate(bool viewOnly) {
    Raise(viewOnly ? ciView : ciSummary);
    CheckUpdate();
}

void TqzCustomDataControllerInfo::MarkExpansionChanged() {
    Raise(ciExpansion);
    FExpansionChanged = 1;
}

void TqzCustomDataControllerInfo::MarkFocusedRecordChanged(bool previousChanged) {
    Raise(ciFocusedRecord);
    if (previousChanged) FPrevFocusing->Changed = 1;
}

void TqzCustomDataControllerInfo::FieldRemovedFromView(TqzCustomDataField* field) {
    FSorting->RemoveField(field);
    if (FGrouping->IndexOfField(field) >= 0) {
        FSelection->ClearWithAnchor();
        FGrouping->RemoveField(field);
    }
    FGrouping->SyncOrders(FSorting.get());
    FTotalSorting->RemoveField(field);
    FExpandingInfos->ForgetField(field);
    for (Integer i = FGroups->GroupingFieldCount() - 1; i >= 0; --i)
        if (FGroups->GroupingField(i) == field) {
            FGroups->RemoveAll(); // rebuilt by the recomputation the grouping change asks for
            Raise(ciGrouping);
            break;
        }
    CheckUpdate();
}

void TqzCustomDataControllerInfo::FieldCompareChanged(TqzCustomDataField* field) {
    Raise(ciView);
    if (FGrouping->IndexOfField(field) >= 0) FSelection->ClearWithAnchor();
    FSorting->NotifyFieldChange(field);
    FGrouping->NotifyFieldChange(field);
    FExpandingInfos->ForgetField(field);
    CheckUpdate();
}

void TqzCustomDataControllerInfo::ChangeFieldSorting(TqzCustomDataField* field, TqzDataSortOrder order) {
    FSorting->ApplySortOrder(field, order);
    FGrouping->SyncOrders(FSorting.get());
    CheckUpdate();
}

void TqzCustomDataControllerInfo::ClearSorting(bool keepGrouped) {
    const Integer before = FSorting->GetCount();
    if (keepGrouped) {
        for (Integer i = FSorting->GetCount() - 1; i >= 0; --i)
            if (FGrouping->IndexOfField(FSorting->Entry(i).Field) < 0) FSorting->DeleteEntry(i);
    } else {
        FSorting->RemoveAll();
        FGrouping->SyncOrders(FSorting.get());
    }
    // The flag becomes the sorting notice (and OnSortingChanged) once the rows are recomputed.
    if (FSorting->GetCount() != before) FController->SortingChangedFlag = true;
    CheckUpdate();
}

// ---- Controller info: rows -----------------------------------------------------------------------

Integer TqzCustomDataControllerInfo::GetRowCount() const {
    return IsGrouped() ? FGroups->RowCount() : RecordListCount();
}

void TqzCustomDataControllerInfo::CheckRowIndex(Integer row) const {
    if (row < 0 || row >= GetRowCount()) RaiseDataControllerError(sqzRowIndexOutOfRange);
}

TqzDataRowInfo TqzCustomDataControllerInfo::GetRowInfo(Integer row) const {
    CheckRowIndex(row);
    TqzDataRowInfo info;
    if (IsGrouped())
        info = FGroups->RowInfo(row);
    else
        info.Position = row;
    info.Position = info.Position >= 0 && info.Position < RecordListCount() ? RecordAt(info.Position) : -1;
    return info;
}

Integer TqzCustomDataControllerInfo::GetRowRecordIndex(Integer rowIndex) const {
    if (rowIndex < 0 || rowIndex >= GetRowCount()) return -1;
    return GetRowInfo(rowIndex).Position;
}

Integer TqzCustomDataControllerInfo::GetRecordRowIndex(Integer recordIndex) const {
    return const_cast<TqzCustomDataControllerInfo*>(this)->RowOfRecord(recordIndex, false);
}

Integer TqzCustomDataControllerInfo::PositionOfRecord(Integer recordIndex) const {
    for (std::size_t i = 0; i < FRecordList.size(); ++i)
        if (FRecordList[i] == recordIndex) return Integer(i);
    return -1;
}

Integer TqzCustomDataControllerInfo::DataRowOfGroup(Integer item, Integer position, bool makeVisible) {
    TqzDataGroupInfo* g = FGroups->Item(item);
    if (makeVisible) {
        if (FGroups->MakeGroupVisible(item, true)) MarkExpansionChanged();
    } else if (!FGroups->IsGroupVisible(item) || !g->Expanded) {
        return -1;
    }
    return g->RowIndex + (position - g->Begin) + 1;
}

Integer TqzCustomDataControllerInfo::RowOfRecord(Integer recordIndex, bool makeVisible) {
    const Integer position = PositionOfRecord(recordIndex);
    if (position < 0 || !IsGrouped()) return position;
    const Integer item = FGroups->GroupAtLevel(position, FGroups->GroupingFieldCount() - 1);
    if (item < 0) return -1;
    const Integer row = DataRowOfGroup(item, position, makeVisible);
    if (makeVisible) CheckUpdate();
    return row;
}

Integer TqzCustomDataControllerInfo::NextRowAfterDelete(Integer rowIndex) const {
    CheckRowIndex(rowIndex);
    const Integer count = GetRowCount();
    if (!IsGrouped()) return rowIndex + 1 < count ? rowIndex + 1 : rowIndex - 1;
    const Integer level = GetRowInfo(rowIndex).Level;
    if (rowIndex + 1 < count && GetRowInfo(rowIndex + 1).Level == level) return rowIndex + 1;
    if (rowIndex > 0 && GetRowInfo(rowIndex - 1).Level == level) return rowIndex - 1;
    if (rowIndex == count - 1) return rowIndex > 0 ? rowIndex - 1 : rowIndex;
    return rowIndex + 1;
}

// ---- Controller info: recomputation --------------------------------------------------------------

void TqzCustomDataControllerInfo::Recalculate() {
    FCalculating = 1;
    TqzDataSummary* summary = FController->GetSummary();
    enum { NoRun, FooterStarted, SelectedRecords } run = NoRun;
    // Runs on every exit. A failure here is raised after the flags are cleared and the changes
    // passed on, unless another one is already on its way.
    auto cleanUp = [&](bool raise) {
        std::exception_ptr error;
        try {
            FExpandingInfos->Reset();
            if (FExpansionChanged) RebuildSelectionRows();
            if (FChanges & (ciSorting | ciExpansion)) FController->UpdateSelectionMemory();
            if (run == FooterStarted) summary->FinishSummaryRun();
            if (run == SelectedRecords) summary->ComputeSummaries();
            if (FController->IsSortedBySummary()) FController->ApplySummarySortOrder();
        } catch (...) {
            error = std::current_exception();
        }
        FCalculating = 0;
        PassChangesOn();
        if (error && raise) std::rethrow_exception(error);
    };
    try {
        Compute(summary, [&](bool selectedRecords) {
            if (selectedRecords) {
                run = SelectedRecords;
            } else {
                summary->StartSummaryRun();
                run = FooterStarted;
            }
        });
    } catch (...) {
        cleanUp(false);
        throw;
    }
    cleanUp(true);
}

template <class StartRun> void TqzCustomDataControllerInfo::Compute(TqzDataSummary* summary, StartRun startRun) {
    FController->UpdateLoadAllNeeded();
    const bool summaries = (FChanges & ciSummary) && !FController->IsOwnerReading() && !FController->IsOwnerDestroying();
    FExpansionChanged = 0;
    SaveExpansionStates();
    if (FChanges & ciReload) {
        FRecordList.resize(std::size_t(std::max(FController->GetRecordCount(), Integer(0))));
        for (std::size_t i = 0; i < FRecordList.size(); ++i) FRecordList[i] = Integer(i);
        Filter();
    }
    if (summaries) startRun(summary->GetOptions().Contains(soSelectedRecords));
    if (FChanges & (ciGrouping | ciSorting)) Sort();
    if (FChanges & ciGrouping) Group();
    if ((FChanges & (ciGrouping | ciSorting)) && (FController->GetOptions() & dcoFocusTopRowAfterSorting) &&
        !FController->InUpdateControl() &&
        (FController->GroupingChangedFlag || FController->SortingChangedFlag || FController->LoadedDuringActivation)) {
        FController->LoadedDuringActivation = false;
        FFocusing->SetNone();
        ChangeFocusedRow(0, false);
        if (FSelection->Count() > 0) FSelection->ClearWithAnchor();
    }
    RestoreExpansionStates();
    EstablishFocus();
    FController->RevalidateSavedFocus(-1);
}

void TqzCustomDataControllerInfo::PassChangesOn() {
    Word out = 0;
    if (FChanges & (ciSorting | ciView)) out |= 1;
    if (FChanges & (ciReload | ciGrouping | ciExpansion)) out |= 2;
    if (FChanges & (ciFocusedRow | ciFocusReset | ciFocusedRecord)) out |= 4;
    if (FChanges & ciSelection) out |= 8;
    if (FChanges & ciSummary) out |= 32;
    if (FController->SortingChangedFlag) out |= 128;
    if (FController->GroupingChangedFlag) out |= 256;
    FChanges = 0;
    FController->ReceiveInfoChanges(out);
    FController->GroupingChangedFlag = false;
    FController->SortingChangedFlag = false;
    FController->LoadedDuringActivation = false;
    FController->SelectionRecheck = false;
}

void TqzCustomDataControllerInfo::Filter() {
    const bool byEvent = !FController->GetProvider()->IsGridMode() && FController->HasFilterRecordHandler();
    const bool incremental = FController->IsIncrementalFiltering();
    const bool criteria = FController->IsFiltering();
    if (!byEvent && !incremental && !criteria) return;
    TqzCustomDataProvider* provider = FController->GetProvider();
    const Integer edited = provider->IsEditing() ? provider->GetEditRecordIndex() : qzNoRecord;
    bool removed = false;
    for (Integer p = RecordListCount() - 1; p >= 0; --p) {
        const Integer record = FRecordList[std::size_t(p)];
        if (record == edited) continue;
        bool accept = !byEvent || FController->FireFilterRecord(record);
        if (accept && incremental) accept = FController->MatchesSearchText(record);
        if (accept && criteria) accept = FController->MatchesFilter(record);
        if (!accept) {
            FRecordList.erase(FRecordList.begin() + p);
            removed = true;
        }
    }
    if (!removed) return;
    if (FSelection->DropVanishedRecords(this)) Raise(ciSelection);
    if (FController->InPost) {
        FController->InPost = false;
        FController->SelectionRecheck = true;
    }
}

void TqzCustomDataControllerInfo::PrepareCompareModes() {
    for (Integer i = 0; i < FTotalSorting->GetCount(); ++i) {
        TqzCustomDataField* field = FTotalSorting->Entry(i).Field;
        field->CompareMode = 0;
        if (!FController->NeedsValueCompare(field))
            field->CompareMode = -1;
        else
            field->CompareMode = FController->IsDisplayTextCompareField(field) ? 2 : 1;
    }
}

void TqzCustomDataControllerInfo::ResetCompareModes() {
    for (Integer i = 0; i < FTotalSorting->GetCount(); ++i) FTotalSorting->Entry(i).Field->CompareMode = 0;
}

Integer TqzCustomDataControllerInfo::CompareSorted(Integer a, Integer b) {
    if (a == b) return 0;
    TqzCustomDataProvider* provider = FController->GetProvider();
    const Integer edited = provider->IsEditing() ? provider->GetEditRecordIndex() : qzNoRecord;
    if (edited != qzNoRecord && (a == edited || b == edited)) {
        const Integer sign = a == edited ? 1 : -1;
        const Integer other = a == edited ? b : a;
        if (provider->GetEditPredecessor() != qzNoRecord) return sign;
        const Integer successor = provider->GetEditSuccessor();
        if (successor != qzNoRecord) {
            if (other == successor) return -sign;
            if (a == edited)
                a = successor;
            else
                b = successor;
        }
    }
    for (Integer i = 0; i < FTotalSorting->GetCount(); ++i)
        if (const Integer r = FController->CompareRecordsBySortInfo(a, b, FTotalSorting->Entry(i))) return r;
    return FController->CompareEqualRecords(a, b);
}

Integer TqzCustomDataControllerInfo::CompareSortedCallback(void* context, Integer a, Integer b) {
    return static_cast<TqzCustomDataControllerInfo*>(context)->CompareSorted(a, b);
}

void TqzCustomDataControllerInfo::Sort() {
    FTotalSorting->RemoveAll();
    FTotalSorting->AppendMissing(FGrouping.get());
    FTotalSorting->AppendMissing(FSorting.get());
    if (FController->GetProvider()->IsGridMode() || FRecordList.empty()) return;
    TFinally reset([&] { ResetCompareModes(); });
    PrepareCompareModes();
    if (FController->IsBoundToSource() && FController->GetProvider()->SourceSorts())
        FController->GetProvider()->SortInSource();
    else
        qzSortList(FRecordList, &CompareSortedCallback, this);
}

bool TqzCustomDataControllerInfo::GroupDiffers(Integer record, Integer first, Integer level) {
    TqzCustomDataProvider* provider = FController->GetProvider();
    const Integer edited = provider->IsEditing() ? provider->GetEditRecordIndex() : qzNoRecord;
    if (edited != qzNoRecord && edited >= 0 && (record == edited || first == edited)) {
        const Integer other = record == edited ? first : record;
        if (provider->IsInserting()) {
            const Integer successor = provider->GetEditSuccessor();
            if (other == successor || provider->GetEditPredecessor() != qzNoRecord) return false;
            if (successor != qzNoRecord) (record == edited ? record : first) = successor;
        } else if (provider->GetSavedRecordIndex() != 0) {
            (record == edited ? record : first) = provider->GetSavedRecordIndex();
        }
    }
    return FController->CompareRecordsBySortInfo(record, first, FTotalSorting->Entry(level)) != 0;
}

void TqzCustomDataControllerInfo::Group() {
    FGroups->RemoveAll();
    for (Integer i = 0; i < FGrouping->GetCount(); ++i) FGroups->AddGroupingField(FGrouping->Entry(i).Field);
    const Integer levels = FGroups->GroupingFieldCount();
    if (FRecordList.empty() || levels == 0) return;
    TFinally reset([&] { ResetCompareModes(); });
    PrepareCompareModes();
    std::vector<Integer> open(static_cast<std::size_t>(levels), 0), first(static_cast<std::size_t>(levels), 0);
    Integer topGroups = 0;
    auto openFrom = [&](Integer from, Integer position) {
        for (Integer i = from; i < levels; ++i) {
            TqzDataGroupInfo* g = FGroups->NewGroupItem();
            open[std::size_t(i)] = FGroups->ItemCount() - 1;
            g->RowIndex = topGroups;
            g->Level = i;
            g->Begin = i < levels - 1 ? FGroups->ItemCount() : position;
            first[std::size_t(i)] = FRecordList[std::size_t(position)];
        }
    };
    openFrom(0, 0);
    const Integer last = RecordListCount() - 1;
    for (Integer p = 1; p <= last; ++p) {
        const Integer record = FRecordList[std::size_t(p)];
        for (Integer i = 0; i < levels; ++i) {
            if (!GroupDiffers(record, first[std::size_t(i)], i)) continue;
            if (i == 0) ++topGroups;
            for (Integer k = levels - 1; k >= i; --k)
                FGroups->Item(open[std::size_t(k)])->End = k == levels - 1 ? p - 1 : open[std::size_t(k + 1)];
            openFrom(i, p);
            break;
        }
    }
    for (Integer k = levels - 1; k >= 0; --k)
        FGroups->Item(open[std::size_t(k)])->End = k == levels - 1 ? last : open[std::size_t(k + 1)];
    FGroups->UpdateRowIndexes();
}

// ---- Controller info: expansion and selection across a recomputation ------------------------------

void TqzCustomDataControllerInfo::SaveExpansionStates() {
    const Word options = FController->GetOptions();
    Byte mode = 0;
    if ((options & dcoSaveExpanding) && (FChanges & (ciReload | ciGrouping))) mode |= 1;
    if (FSelection->Count() > 0 && (FChanges & (ciReload | ciGrouping | ciSorting | ciExpansion))) mode |= 2;
    if (mode == FExpandingInfos->SaveMode) return;
    bool sameFields = FGroups->GroupingFieldCount() == FGrouping->GetCount();
    for (Integer i = 0; sameFields && i < FGrouping->GetCount(); ++i)
        sameFields = FGroups->GroupingField(i) == FGrouping->Entry(i).Field;
    FExpandingInfos->Reset();
    FExpandingInfos->SaveMode = mode;
    if (mode == 0 || !sameFields || FRecordList.empty() || !IsGrouped()) return;
    for (Integer i = 0; i < FGroups->GroupingFieldCount(); ++i) FExpandingInfos->AddField(FGroups->GroupingField(i));
    FExpandingInfos->SaveMode = mode;
    Integer hiddenBelow = -1; // level below which groups are inside a collapsed group
    for (Integer i = 0; i < FGroups->ItemCount(); ++i) {
        const TqzDataGroupInfo& g = *FGroups->Item(i);
        if (hiddenBelow >= 0 && g.Level > hiddenBelow) continue;
        hiddenBelow = g.Expanded ? -1 : g.Level;
        if (!g.Expanded && !(mode & 2)) continue;
        Byte state = 0;
        if (g.Expanded && (mode & 1) && !(options & dcoGroupsAlwaysExpanded)) state |= 1;
        if ((mode & 2) && FSelection->FindGroupEntry(i) >= 0) state |= 2;
        if (state == 0) continue;
        const Integer record = FRecordList[std::size_t(FGroups->FirstPosition(i))];
        TFinally resetModes([&] { ResetCompareModes(); });
        PrepareCompareModes();
        FExpandingInfos->AddItem(g.Level, FController->GetComparedValue(record, FGroups->GroupingField(g.Level)),
                                 state);
    }
}

void TqzCustomDataControllerInfo::RestoreExpansionStates() {
    const Word options = FController->GetOptions();
    if (IsGrouped() && (options & dcoGroupsAlwaysExpanded)) FGroups->SetAllExpanded(true);
    const Byte mode = FExpandingInfos->SaveMode;
    if (mode == 0) return;
    bool sameFields = FExpandingInfos->FieldCount() == FGrouping->GetCount();
    for (Integer i = 0; sameFields && i < FGrouping->GetCount(); ++i)
        sameFields = FExpandingInfos->Field(i) == FGrouping->Entry(i).Field;
    if (!sameFields) {
        if (mode & 2) FSelection->ClearWithAnchor();
        return;
    }
    const Integer levels = FGroups->GroupingFieldCount();
    for (Integer i = FSelection->Count() - 1; i >= 0; --i) {
        const TqzSelectionEntry& e = FSelection->Entry(i);
        if (e.Level == -1 || e.Level != levels) FSelection->RemoveEntry(i);
    }
    if (IsGrouped()) {
        TFinally finish([&] {
            if ((mode & 1) && !(options & dcoGroupsAlwaysExpanded)) FGroups->UpdateRowIndexes();
            RebuildSelectionRows();
        });
        TFinally resetModes([&] { ResetCompareModes(); });
        PrepareCompareModes();
        // Finds each saved group again by its values on the levels down to its own.
        std::vector<Integer> groupOfLevel(std::size_t(levels), -1);
        for (Integer k = 0; k < FExpandingInfos->ItemCount(); ++k) {
            const TqzDataExpandingInfo& saved = FExpandingInfos->Item(k);
            Integer parent = saved.Level > 0 ? groupOfLevel[std::size_t(saved.Level - 1)] : -1;
            if (saved.Level > 0 && parent < 0) continue;
            Integer found = -1;
            for (Integer n = 0, count = FGroups->ChildCount(parent); n < count; ++n) {
                const Integer child = FGroups->ChildItem(parent, n);
                const Integer record = FRecordList[std::size_t(FGroups->FirstPosition(child))];
                if (CompareVariantValues(FController->GetComparedValue(record, FGroups->GroupingField(saved.Level)),
                                         saved.Value) == 0) {
                    found = child;
                    break;
                }
            }
            groupOfLevel[std::size_t(saved.Level)] = found;
            for (Integer l = saved.Level + 1; l < levels; ++l) groupOfLevel[std::size_t(l)] = -1;
            if (found < 0) continue;
            if ((saved.State & 1) && (mode & 1)) FGroups->Item(found)->Expanded = 1;
            if (saved.State & 2) FSelection->InsertEntry(-1, 0, -1, found);
        }
    } else if (!FController->GetProvider()->IsGridMode()) {
        RebuildSelectionRows();
    }
    if (FSelection->GetAnchor() != -1 && !FSelection->IsRowSelected(FSelection->GetAnchor())) FSelection->ClearAnchor();
}

void TqzCustomDataControllerInfo::RebuildSelectionRows() {
    for (Integer i = FSelection->Count() - 1; i >= 0; --i) {
        TqzSelectionEntry& e = FSelection->Entry(i);
        if (e.Level == -1) {
            if (e.RecordIndex < FGroups->ItemCount() && FGroups->IsGroupVisible(e.RecordIndex))
                e.RowIndex = FGroups->Item(e.RecordIndex)->RowIndex;
            else
                FSelection->RemoveEntry(i);
            continue;
        }
        const Integer row = RowOfRecord(e.RecordIndex, false);
        if (row < 0)
            FSelection->RemoveEntry(i);
        else
            e.RowIndex = row;
    }
    FSelection->SortByRow();
}

// ---- Controller info: focus ----------------------------------------------------------------------

bool TqzCustomDataControllerInfo::CanFocusRow(Integer row) {
    FInCanFocus = 1;
    TFinally done([&] { FInCanFocus = 0; });
    return FController->CanFocusRecord(row < 0 ? -1 : GetRowRecordIndex(row));
}

void TqzCustomDataControllerInfo::RefreshFocusFromRow() {
    const Integer row = FFocusing->RowIndex;
    if (row < 0) {
        FFocusing->Level = -1;
        FFocusing->RecordIndex = -1;
    } else {
        const TqzDataRowInfo info = GetRowInfo(row);
        FFocusing->Level = info.Level;
        FFocusing->RecordIndex = info.Position;
    }
    FFocusing->PrevRecordIndex = FFocusing->RecordIndex;
}

void TqzCustomDataControllerInfo::ChangeFocusedRow(Integer row, bool forced, bool refresh) {
    const Integer count = GetRowCount();
    row = std::clamp(row, Integer(-1), count - 1);
    if (row == FFocusing->RowIndex && !refresh) return;
    FInFocusing = 1;
    if (!(FChanges & ciFocusedRow)) FPrevFocusing->Assign(*FFocusing);
    bool allowed = false;
    {
        TFinally settle([&] {
            if (FPrevFocusing->RowIndex >= count) FPrevFocusing->RowIndex = -1;
            if (FFocusing->RowIndex >= count) FFocusing->RowIndex = -1;
            if (allowed || FPrevFocusing->RowIndex >= 0) RefreshFocusFromRow();
            FInFocusing = 0;
        });
        allowed = forced || CanFocusRow(row);
        if (allowed) {
            FController->BeforeFocusedRowChange(row);
            FFocusing->RowIndex = row;
        }
    }
    FInFocusing = 1;
    TFinally done([&] { FInFocusing = 0; });
    if (!FFocusing->SameFocus(*FPrevFocusing)) {
        Raise(ciFocusedRow | ciFocusedRecord);
        // Summaries over the selected records follow the focus in single-select mode.
        if (FController->IsSingleSelect() && FController->GetSummary()->GetOptions().Contains(soSelectedRecords))
            Raise(ciSummary);
        if (FFocusing->RowIndex >= 0 && FController->GetNewItemRowFocusedFlag()) {
            FPrevFocusing->Changed = 1;
            FController->DropNewItemRowFocus();
        }
        FController->SyncFocusedRecord();
        FController->SetFocusedRowSelected(true);
    }
}

void TqzCustomDataControllerInfo::FocusRow(Integer row) {
    LockChanges();
    {
        TFinally unlock([&] { --FLockCount; });
        ChangeFocusedRow(row, false);
    }
    CheckUpdate();
}

void TqzCustomDataControllerInfo::RefocusRow(Integer row) {
    FFocusing->SetNone();
    ChangeFocusedRow(row, false);
}

void TqzCustomDataControllerInfo::SetFocusedRecordIndex(Integer recordIndex) {
    if (FLockCount > 0 || FCalculating || (FChanges & (ciReload | ciSorting | ciGrouping))) {
        MoveFocusedRecord(recordIndex);
        return;
    }
    // Inside the bracket: what the focus change raises goes out together, the focus first.
    LockChanges();
    {
        TFinally unlock([&] { --FLockCount; });
        ChangeFocusedRow(recordIndex < 0 ? -1 : RowOfRecord(recordIndex, true), true);
    }
    CheckUpdate();
}

void TqzCustomDataControllerInfo::SetFocusedRowIndex(Integer rowIndex) {
    LockChanges();
    {
        TFinally unlock([&] { --FLockCount; });
        ChangeFocusedRow(rowIndex, true);
    }
    CheckUpdate();
}

void TqzCustomDataControllerInfo::MoveFocusedRecord(Integer recordIndex) {
    if (!(FChanges & ciFocusedRow)) FPrevFocusing->Assign(*FFocusing);
    FFocusing->RecordIndex = recordIndex;
    FFocusing->Level = -1;
    Raise(ciFocusedRow | ciFocusedRecord); // its row is found again by the recomputation
}

Integer TqzCustomDataControllerInfo::RowOfFocusedRecord() {
    const Integer record = FFocusing->RecordIndex;
    const Integer position = record < 0 ? -1 : PositionOfRecord(record);
    if (position < 0) return -1;
    if (!IsGrouped()) return position;
    const Integer levels = FGroups->GroupingFieldCount();
    const Integer deepest = FGroups->GroupAtLevel(position, levels - 1);
    if (deepest < 0) return -1;
    const Integer level = FFocusing->Level;
    if (level < levels && FGroups->Item(deepest)->Begin == position) {
        // A group row showing this record: the group of the focused level (or the outermost one)
        // that starts with it.
        Integer item = deepest;
        for (;;) {
            if (level >= 0 && FGroups->Item(item)->Level == level) break;
            const Integer parent = FGroups->ParentOf(item);
            if (parent < 0 || FGroups->FirstPosition(parent) != position) break;
            item = parent;
        }
        if (level < 0 || FGroups->Item(item)->Level == level) {
            if (FGroups->MakeGroupVisible(item, false)) MarkExpansionChanged();
            return FGroups->Item(item)->RowIndex;
        }
    }
    return DataRowOfGroup(deepest, position, true);
}

void TqzCustomDataControllerInfo::EstablishFocus() {
    const Integer r = RowOfFocusedRecord();
    const Integer row = FFocusing->RowIndex;
    if (r != row && (row < 0 || row >= GetRowCount() || GetRowRecordIndex(row) != FFocusing->RecordIndex)) {
        ChangeFocusedRow(r, true, true);
    } else if (row >= 0 && row < GetRowCount()) {
        FFocusing->RecordIndex = GetRowRecordIndex(row);
    }
    if ((FChanges & ciFocusedRow) && FPrevFocusing->RowIndex >= GetRowCount()) FPrevFocusing->RowIndex = -1;
    if (FController->SelectionRecheck && FFocusing->RowIndex < 0 &&
        !(FController->NewItemRowEnabled && FController->GetNewItemRowFocusedFlag() && FFocusing->RecordIndex < 0)) {
        FController->SelectionRecheck = false;
        if (FController->GetProvider()->GetLocateCount() <= 0) RefocusRow(0);
    }
}

// ---- Controller info: selection ------------------------------------------------------------------

void TqzCustomDataControllerInfo::ChangeRowSelection(Integer row, bool select) {
    CheckRowIndex(row);
    Integer index;
    const bool selected = FSelection->FindRow(row, index);
    if (selected && !select) {
        FSelection->RemoveSelected(index);
    } else if (!selected && select && FController->CanSelectRow(row)) {
        const TqzDataRowInfo info = GetRowInfo(row);
        if (IsGrouped() && FGroups->IsGroupRow(row))
            FSelection->InsertSelected(index, row, -1, FGroups->ItemOfRow(row));
        else
            FSelection->InsertSelected(index, row, FGroups->GroupingFieldCount(), info.Position);
    }
    CheckUpdate();
}

void TqzCustomDataControllerInfo::ClearSelection() {
    FSelection->RemoveAll();
    CheckUpdate();
}

bool TqzCustomDataControllerInfo::IsRowSelected(Integer row) const {
    CheckRowIndex(row);
    return FSelection->IsRowSelected(row);
}

void TqzCustomDataControllerInfo::CheckSelection() {
    if (FSelection->Count() == 0) return;
    const Integer count = FController->GetRecordCount();
    if (count <= 0) {
        FSelection->ClearWithAnchor();
        return;
    }
    // Deleting the selection clears it at the end; only the check that ends a load runs meanwhile.
    if (FController->GetDeletingSelection() && !FController->IsLoadingFocus()) return;
    // Inside a full update the save object puts the selection back by key.
    if (FController->InFullUpdate() && FController->HasRecordKeys()) return;
    bool changed = false;
    for (Integer i = FSelection->Count() - 1; i >= 0; --i) {
        const TqzSelectionEntry& e = FSelection->Entry(i);
        if (e.Level != -1 && e.RecordIndex >= count) {
            FSelection->RemoveEntry(i);
            changed = true;
        }
    }
    if (changed) FSelection->Changed();
}

// ---- Controller: record comparison and text search -----------------------------------------------

namespace {
bool IsStringTypeClass(TqzValueTypeClass type) { return dynamic_cast<const TqzStringValueType*>(type) != nullptr; }
} // namespace

bool TqzCustomDataController::IsStringCompareField(TqzCustomDataField* field) const {
    return (FOptions & (dcoAnsiSort | dcoCaseInsensitive)) && IsStringTypeClass(field->GetValueTypeClass());
}

bool TqzCustomDataController::IsDisplayTextCompareField(TqzCustomDataField* field) {
    // A group locate compares records one by one by their values.
    if (InGroupLocate || field->IsInternalField()) return false;
    const Integer item = GetItemIndexOfField(field);
    return item >= 0 && GetItemSortByDisplayText(item, (FOptions & dcoSortByDisplayText) != 0);
}

bool TqzCustomDataController::IsItemCompareByText(Integer itemIndex) {
    return GetItemSortByDisplayText(itemIndex, true) ||
           ((FOptions & dcoAnsiSort) && IsStringTypeClass(GetItemField(itemIndex)->GetValueTypeClass()));
}

bool TqzCustomDataController::NeedsValueCompare(TqzCustomDataField* field) {
    if (field->CompareMode != 0) return field->CompareMode > 0;
    if (field->CustomCompare || IsStringCompareField(field) || IsDisplayTextCompareField(field)) return true;
    return IsBoundToSource() && !FProvider->GetRecordSource()->ComparesItself();
}

Variant TqzCustomDataController::GetComparedValue(Integer recordIndex, TqzCustomDataField* field) {
    if (field->CompareMode == 2) return Variant(GetFieldDisplayText(recordIndex, field));
    return GetFieldValue(recordIndex, field);
}

Integer TqzCustomDataController::CompareRecordsByField(Integer recordIndex1, Integer recordIndex2,
                                                       TqzCustomDataField* field) {
    if (!((OnCompare.Assigned() && !field->IsInternalField()) || NeedsValueCompare(field)))
        return SignOf(FProvider->CompareFieldOfRecords(recordIndex1, recordIndex2, field));
    if (!OnCompare.Assigned() && IsBoundToSource() && FProvider->GetRecordSource()->ComparesItself() &&
        recordIndex1 >= 0 && recordIndex2 >= 0)
        return SignOf(FProvider->CompareSourceRecords(recordIndex1, recordIndex2, field));
    const Variant v1 = GetComparedValue(recordIndex1, field);
    const Variant v2 = GetComparedValue(recordIndex2, field);
    if (OnCompare.Assigned()) {
        Integer result = 0;
        OnCompare(this, recordIndex1, recordIndex2, GetItemIndexOfField(field), v1, v2, result);
        return SignOf(result);
    }
    if (VarIsStr(v1) && VarIsStr(v2)) {
        const String s1 = VarToStr(v1), s2 = VarToStr(v2);
        if (FOptions & dcoAnsiSort)
            return SignOf((FOptions & dcoCaseInsensitive) ? AnsiCompareText(s1, s2) : AnsiCompareStr(s1, s2));
        if (FOptions & dcoCaseInsensitive) return SignOf(CompareStr(AnsiUpperCase(s1), AnsiUpperCase(s2)));
    }
    return SignOf(CompareVariantValues(v1, v2));
}

Integer TqzCustomDataController::CompareRecordsBySortInfo(Integer recordIndex1, Integer recordIndex2,
                                                          const TqzSortingFieldEntry& info) {
    const Integer r = CompareRecordsByField(recordIndex1, recordIndex2, info.Field);
    return info.SortOrder == soDescending ? -r : r;
}

Integer TqzCustomDataController::CompareEqualRecords(Integer recordIndex1, Integer recordIndex2) {
    return ComparePlainValues(recordIndex1, recordIndex2);
}

Integer TqzCustomDataController::FindRowByText(Integer start, Integer itemIndex, bool forward, bool wrap,
                                               bool partial, const String& text) {
    const Integer count = FInfo->RecordListCount();
    if (start < 0 || start >= count) return -1;
    auto matches = [&](Integer position) {
        const Integer record = FInfo->RecordAt(position);
        return SameTextOrPrefix(GetSearchDisplayText(record, itemIndex), text, partial);
    };
    const Integer step = forward ? 1 : -1;
    const Integer end = forward ? count : -1;
    for (Integer p = start; p != end; p += step)
        if (matches(p)) return FInfo->RecordAt(p);
    if (start != 0 && wrap) {
        const Integer from = forward ? 0 : count - 1;
        for (Integer p = from; p != start; p += step)
            if (matches(p)) return FInfo->RecordAt(p);
    }
    return -1;
}

bool TqzCustomDataController::MatchesSearchText(Integer recordIndex) {
    if (!FIncrementalFilterField) return true;
    const Integer item = GetItemIndexOfField(FIncrementalFilterField);
    return SameTextOrPrefix(GetFilterDisplayText(recordIndex, item), FIncrementalFilterText, true);
}

Integer TqzCustomDataController::SetIncrementalFilter(Integer itemIndex, const String& text) {
    FIncrementalFilterField = GetItemField(itemIndex);
    FIncrementalFilterText = text;
    Refresh();
    return FInfo->RecordListCount() > 0 ? FInfo->RecordAt(0) : -1;
}

void TqzCustomDataController::ChangeIncrementalFilterText(const String& text) {
    if (FIncrementalFilterField && text != FIncrementalFilterText)
        SetIncrementalFilter(GetItemIndexOfField(FIncrementalFilterField), text);
}

void TqzCustomDataController::ResetIncrementalFilter() {
    const bool active = IsIncrementalFiltering();
    FIncrementalFilterField = nullptr;
    FIncrementalFilterText = String();
    if (active && !IsOwnerDestroying()) Refresh();
}

// ---- Controller: sorting and grouping entry points -----------------------------------------------

void TqzCustomDataController::ChangeItemSortOrder(Integer itemIndex, TqzDataSortOrder order) {
    CheckItemIndex(itemIndex);
    if (GetItemSortOrder(itemIndex) == order) return;
    PostEditing();
    SortingChangedFlag = true;
    FInfo->ChangeFieldSorting(GetItemField(itemIndex), order);
}

TqzDataSortOrder TqzCustomDataController::GetItemSortOrder(Integer itemIndex) {
    TqzCustomDataField* field = GetItemField(itemIndex);
    if (FInfo->GetSorting()->IndexOfField(field) >= 0) return FInfo->GetSorting()->SortOrderOf(field);
    return FInfo->GetGrouping()->SortOrderOf(field);
}

void TqzCustomDataController::ChangeItemGroupIndex(Integer itemIndex, Integer groupIndex) {
    CheckItemIndex(itemIndex);
    TqzCustomDataField* field = GetItemField(itemIndex);
    TqzGroupingFieldList* grouping = FInfo->GetGrouping();
    const Integer current = grouping->IndexOfField(field);
    if (current == groupIndex || (current < 0 && groupIndex < 0)) return;
    PostEditing();
    TqzUpdateLock lock(this);
    GroupingChangedFlag = true;
    if (current >= 0 || groupIndex < 0) FInfo->GetSelection()->ClearWithAnchor();
    grouping->PlaceField(field, groupIndex);
    grouping->SyncOrders(FInfo->GetSorting());
}

void TqzCustomDataController::UpdateLoadAllNeeded() {
    // Grouping needs every record: a provider that showed a window of them rebuilds without one.
    const bool gridMode = FProvider->IsGridMode();
    FProvider->SetLoadAllNeeded(FInfo->GetGrouping()->GetCount() > 0);
    if (FProvider->IsGridMode() != gridMode) StructureChangedUpdate();
}
