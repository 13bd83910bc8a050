// Data-set binding: the selection kept as bookmarks in grid mode, the filter criteria that the
// data set can apply itself.
#include <algorithm>

#include "suite/data/qzDBData.h"
#include "suite/data/qzDBData_Scopes.h"
#include "suite/data/qzDBFilter.h"

// ---- TqzDBDataSelection --------------------------------------------------------------------------

TqzDBDataSelection::TqzDBDataSelection(TqzCustomDataController* controller)
    : TqzDataSelection(controller), FBookmarks(std::make_unique<TStringList>()) {}

TqzDBDataSelection::~TqzDBDataSelection() = default;

TqzDBDataProvider* TqzDBDataSelection::Provider() const {
    return dynamic_cast<TqzDBDataProvider*>(FController->GetProvider());
}

TDataSet* TqzDBDataSelection::DataSet() const {
    TqzDBDataProvider* provider = Provider();
    return provider ? provider->GetDataSet() : nullptr;
}

bool TqzDBDataSelection::InGridMode() const {
    TqzDBDataProvider* provider = Provider();
    return provider && provider->IsGridMode();
}

void TqzDBDataSelection::ClearAnchor() {
    inherited::ClearAnchor();
    AnchorMark.clear();
}

void TqzDBDataSelection::InsertEntry(Integer index, Integer row, Integer level, Integer record) {
    inherited::InsertEntry(index, row, level, record);
    if (!InGridMode() || FSelectingAll) return;
    FBookmarks->Insert(index, BookmarkOfBufferRow(record));
}

void TqzDBDataSelection::ClearEntries() {
    inherited::ClearEntries();
    FBookmarks->Clear();
}

void TqzDBDataSelection::RemoveEntry(Integer index) {
    inherited::RemoveEntry(index);
    if (!InGridMode() || FSelectingAll || index < 0 || index >= FBookmarks->GetCount()) return;
    if (FBookmarks->GetStrings(index) == AnchorMark) ClearAnchor();
    FBookmarks->Delete(index);
}

bool TqzDBDataSelection::FindRow(Integer row, Integer& index) const {
    if (!InGridMode()) return inherited::FindRow(row, index);
    return FindBookmark(BookmarkOfBufferRow(FController->GetInfo()->GetRowRecordIndex(row)), index);
}

bool TqzDBDataSelection::FindBookmark(const String& bookmark, Integer& index) const {
    TqzDBDataProvider* provider = Provider();
    Integer low = 0;
    Integer high = FBookmarks->GetCount() - 1;
    while (low <= high) {
        const Integer middle = low + (high - low) / 2;
        const Integer compare = provider->CompareBookmarks(FBookmarks->GetStrings(middle), bookmark);
        if (compare == 0) {
            index = middle;
            return true;
        }
        if (compare < 0)
            low = middle + 1;
        else
            high = middle - 1;
    }
    index = low;
    return false;
}

String TqzDBDataSelection::BookmarkOfBufferRow(Integer row) const {
    if (!InGridMode() || row < 0) return String();
    TqzDBDataLink* link = Provider()->GetDataLink();
    if (row >= link->GetRecordCount()) return String();
    const Integer saved = link->GetActiveRecord();
    link->SetActiveRecord(row);
    String bookmark;
    try {
        bookmark = DataSet()->GetBookmark();
    } catch (...) {
        link->SetActiveRecord(saved);
        throw;
    }
    link->SetActiveRecord(saved);
    return bookmark;
}

bool TqzDBDataSelection::DropInvalidBookmarks() {
    if (!DataSet() || !InGridMode()) return false;
    bool dropped = false;
    for (Integer i = FBookmarks->GetCount() - 1; i >= 0; --i) {
        const String bookmark = FBookmarks->GetStrings(i);
        if (!bookmark.empty() && Provider()->IsBookmarkValid(bookmark)) continue;
        RemoveEntry(i);
        dropped = true;
    }
    return dropped;
}

void TqzDBDataSelection::SyncCount() {
    const bool saved = FSelectingAll;
    FSelectingAll = true;
    try {
        ResizeEntries(FBookmarks->GetCount());
    } catch (...) {
        FSelectingAll = saved;
        throw;
    }
    FSelectingAll = saved;
}

namespace {

// The provider's notification lock with the data set's position saved, closed on every exit.
class TWalkBracket {
public:
    explicit TWalkBracket(TqzDBDataProvider* provider) : FProvider(provider) {
        FProvider->LockNotifications();
        FProvider->RememberPosition();
    }
    ~TWalkBracket() noexcept(false) {
        const bool unwinding = std::uncaught_exceptions() > FExceptions;
        try {
            if (!unwinding) FProvider->RestorePosition();
        } catch (...) {
            FProvider->UnlockNotifications();
            throw;
        }
        if (unwinding) {
            try {
                FProvider->UnlockNotifications();
            } catch (...) {
            }
        } else {
            FProvider->UnlockNotifications();
        }
    }
    TWalkBracket(const TWalkBracket&) = delete;
    TWalkBracket& operator=(const TWalkBracket&) = delete;

private:
    TqzDBDataProvider* FProvider;
    int FExceptions = std::uncaught_exceptions();
};

} // namespace

void TqzDBDataSelection::SelectAllInDataSet() {
    TDataSet* dataSet = DataSet();
    if (!dataSet || !InGridMode()) return;
    {
        TWalkBracket bracket(Provider());
        try {
            dataSet->First();
            ClearEntries();
            while (!dataSet->Eof()) {
                if (FController->CanSelectRow(-1)) FBookmarks->Add(dataSet->GetBookmark());
                dataSet->Next();
            }
        } catch (...) {
            FBookmarks->Clear();
            SyncCount();
            throw;
        }
        SyncCount();
    }
    Changed();
}

void TqzDBDataSelection::SelectRangeTo(const String& bookmark, bool keepOthers) {
    TDataSet* dataSet = DataSet();
    if (!dataSet || !InGridMode() || (dataSet->GetState() == dsInsert && dataSet->Eof())) return;
    TqzDBDataProvider* provider = Provider();
    {
        TWalkBracket bracket(provider);
        const String anchor = AnchorMark.empty() ? bookmark : AnchorMark;
        const bool forward = provider->CompareBookmarks(anchor, bookmark) <= 0;
        const String start = forward ? anchor : bookmark;
        const String end = forward ? bookmark : anchor;
        TStringList* list = FBookmarks.get();
        bool adjusted = false;
        try {
            if (!keepOthers && list->GetCount() > 0) {
                const Integer count = list->GetCount();
                if (provider->CompareBookmarks(start, end) == 0) {
                    list->Clear();
                    if (FController->CanSelectRow(-1)) list->Add(start);
                    adjusted = true;
                } else if (forward) {
                    if (count >= 2 && list->GetStrings(count - 2) == bookmark && list->GetStrings(0) == start) {
                        list->Delete(count - 1);
                        adjusted = true;
                    } else if (list->GetStrings(0) == start) {
                        dataSet->GotoBookmark(bookmark);
                        dataSet->Prior();
                        if (dataSet->GetBookmark() == list->GetStrings(count - 1)) {
                            list->Add(bookmark);
                            adjusted = true;
                        }
                    }
                } else {
                    if (count >= 2 && list->GetStrings(1) == bookmark && list->GetStrings(count - 1) == end) {
                        list->Delete(0);
                        adjusted = true;
                    } else if (list->GetStrings(count - 1) == end) {
                        dataSet->GotoBookmark(bookmark);
                        dataSet->Next();
                        if (dataSet->GetBookmark() == list->GetStrings(0)) {
                            list->Insert(0, bookmark);
                            adjusted = true;
                        }
                    }
                }
            }
            if (!adjusted) {
                if (!keepOthers) list->Clear();
                dataSet->GotoBookmark(start);
                while (!dataSet->Eof()) {
                    const String current = dataSet->GetBookmark();
                    if (FController->CanSelectRow(-1)) {
                        Integer index = 0;
                        if (!FindBookmark(current, index)) list->Insert(index, current);
                    }
                    if (provider->CompareBookmarks(current, end) >= 0) break;
                    dataSet->Next();
                }
            }
        } catch (...) {
            list->Clear();
            SyncCount();
            throw;
        }
        SyncCount();
    }
    Changed();
}

// ---- TqzDBDataFilterCriteria ---------------------------------------------------------------------

TqzDBDataFilterCriteria::TqzDBDataFilterCriteria(TqzCustomDataController* controller)
    : TqzDataFilterCriteria(controller) {}

TqzDBDataFilterCriteria::~TqzDBDataFilterCriteria() { FDestroyingDB = true; }

TqzDBDataController* TqzDBDataFilterCriteria::DBController() const {
    return dynamic_cast<TqzDBDataController*>(GetController());
}

void TqzDBDataFilterCriteria::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzDBDataFilterCriteria*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        SetAutoDataSetFilter(other->FAutoDataSetFilter);
        SetIgnoreOrigin(other->FIgnoreOrigin);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TqzDBDataFilterCriteria::CopyEvents(TPersistent* source) {
    inherited::CopyEvents(source);
    if (auto* other = dynamic_cast<TqzDBDataFilterCriteria*>(source)) {
        OnBeforeChange = other->OnBeforeChange;
        OnFormatFilterTextValue = other->OnFormatFilterTextValue;
    }
}

void TqzDBDataFilterCriteria::RestoreDefaults() {
    BeginUpdate();
    try {
        inherited::RestoreDefaults();
        SetAutoDataSetFilter(false);
        SetIgnoreOrigin(true);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TqzDBDataFilterCriteria::FormatValueText(TqzFilterCriteriaItem* condition, const Variant& value, String& text) {
    inherited::FormatValueText(condition, value, text);
    if (OnFormatFilterTextValue.Assigned()) OnFormatFilterTextValue(this, value, text);
}

TqzFilterCriteriaItemClass TqzDBDataFilterCriteria::ConditionClass() {
    return FilterCriteriaItemClass<TqzDBDataFilterCriteriaItem>();
}

void TqzDBDataFilterCriteria::SetAutoDataSetFilter(bool value) {
    if (FAutoDataSetFilter == value) return;
    FAutoDataSetFilter = value;
    SignalChange();
}

void TqzDBDataFilterCriteria::SetIgnoreOrigin(bool value) {
    if (FIgnoreOrigin == value) return;
    FIgnoreOrigin = value;
    SignalChange();
}

bool TqzDBDataFilterCriteria::IsDataSetFiltering() const {
    TqzDBDataController* controller = DBController();
    return FAutoDataSetFilter && controller && !controller->GetDBProvider()->IsSmartRefresh();
}

bool TqzDBDataFilterCriteria::IsFiltering() const {
    return inherited::IsFiltering() && !OnBeforeChange.Assigned() && !IsDataSetFiltering();
}

void TqzDBDataFilterCriteria::ApplyToDataSet() {
    TDataSet* dataSet = DBController()->GetDataSet();
    if (!IsDataSetFiltering() || !dataSet) return;
    const String text = GetFilterText();
    TFilterOptions options;
    if (GetOptions().Contains(fcoCaseInsensitive)) options.Include(foCaseInsensitive);
    const bool filtered = GetActive() && !text.empty();
    if (dataSet->GetFilter() == text && dataSet->GetFilterOptions() == options && dataSet->GetFiltered() == filtered)
        return;
    qzdbdata::TControlsDisabled disabled(dataSet);
    dataSet->SetFilter(text);
    dataSet->SetFilterOptions(options);
    dataSet->SetFiltered(filtered);
}

void TqzDBDataFilterCriteria::NotifyChanged() {
    TqzDBDataController* controller = DBController();
    if (!controller || (controller->GetFilters() && controller->GetFilters()->Contains(this))) return;
    const bool destroying = FDestroyingDB || controller->IsDestroying() || controller->IsOwnerDestroying();
    if (!destroying) {
        TDataSet* dataSet = controller->GetDataSet();
        if (dataSet && IsEditMode(dataSet->GetState())) {
            try {
                controller->PrepareDetailChange();
            } catch (...) {
                SetActive(false);
                throw;
            }
        }
        if (OnBeforeChange.Assigned() && !controller->IsOwnerLoading()) OnBeforeChange(this, dataSet, GetFilterText());
        ApplyToDataSet();
    }
    inherited::NotifyChanged();
    if (destroying || controller->IsDestroying()) return;
    TqzDBDataProvider* provider = controller->GetDBProvider();
    if (provider->IsSyncMode() && controller->GetFocusedRecordIndex() < 0 && !controller->IsNewItemRowFocused() &&
        controller->GetInfo()->GetRowCount() > 0)
        controller->SetFocusedRowIndex(0);
}

// ---- TqzDBDataFilterCriteriaItem -----------------------------------------------------------------

TqzFilterOperatorClass TqzDBDataFilterCriteriaItem::OperatorClass() {
    TqzFilterOperatorClass operatorClass = inherited::OperatorClass();
    auto* criteria = dynamic_cast<TqzDBDataFilterCriteria*>(Criteria());
    auto* controller = criteria ? dynamic_cast<TqzDBDataController*>(criteria->GetController()) : nullptr;
    TDataSet* dataSet = controller ? controller->GetDataSet() : nullptr;
    if (TqzDBFilterOperatorAdapter* adapter = GetFilterOperatorAdapter(dataSet))
        adapter->AdjustOperatorClass(this, dataSet, operatorClass);
    return operatorClass;
}

// ---- TqzDBDataControllerSearch -------------------------------------------------------------------

bool TqzDBDataControllerSearch::Locate(Integer itemIndex, const String& text) {
    auto* provider = dynamic_cast<TqzDBDataProvider*>(FController->GetProvider());
    if (!provider || !provider->IsGridMode()) return inherited::Locate(itemIndex, text);
    if (text.empty()) return false;
    SetSearchItem(itemIndex);
    if (!provider->SearchInDataSet(itemIndex, text, true, false)) return false;
    FController->Searching = true;
    FController->SearchText = text;
    FController->Change(64);
    return true;
}

bool TqzDBDataControllerSearch::LocateNext(bool forward) {
    auto* provider = dynamic_cast<TqzDBDataProvider*>(FController->GetProvider());
    if (!provider || !provider->IsGridMode()) return inherited::LocateNext(forward);
    if (!FController->Searching || FController->SearchText.empty() || SearchItemIndex() < 0) return false;
    return provider->SearchInDataSet(SearchItemIndex(), FController->SearchText, forward, true);
}

// ---- TqzDBDataSummaryItem ------------------------------------------------------------------------

TqzDBDataSummaryItem::~TqzDBDataSummaryItem() { FreeDataField(); }

void TqzDBDataSummaryItem::FreeDataField() {
    TqzDBDataField* field = FDataField;
    FDataField = nullptr;
    delete field;
}

void TqzDBDataSummaryItem::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzDBDataSummaryItem*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    TCollection* collection = GetCollection();
    if (collection) collection->BeginUpdate();
    try {
        inherited::Assign(source);
        SetFieldName(other->FFieldName);
    } catch (...) {
        if (collection) collection->EndUpdate();
        throw;
    }
    if (collection) collection->EndUpdate();
}

void TqzDBDataSummaryItem::SetFieldName(const String& value) {
    if (FFieldName == value) return;
    FFieldName = value;
    auto* controller = dynamic_cast<TqzDBDataController*>(Controller());
    if (!value.empty() && controller) {
        if (!FDataField) FDataField = static_cast<TqzDBDataField*>(controller->CreateInternalField());
        controller->SetFieldNames(FDataField, value, false);
        controller->LinkField(FDataField);
        // A field with a storage column of its own needs the records read again.
        if (!FDataField->GetLinkedField()) controller->LayoutChanged(2);
    } else {
        FreeDataField();
    }
    Changed(true);
}

bool TqzDBDataSummaryItem::IsCurrencyValueType(TVarType varType) {
    auto* field = dynamic_cast<TqzDBDataField*>(ItemField());
    if (TqzDBDataField* reference = field ? field->ReferencedField() : nullptr) field = reference;
    if (field && field->GetField()) return field->GetCurrencyValues();
    return inherited::IsCurrencyValueType(varType);
}
