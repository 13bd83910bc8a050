// The data controller's incremental search, locate objects and key search.
#include <algorithm>

#include "suite/data/qzCustomData.h"
#include "suite/data/qzDataUtils.h"

// ---- Incremental search --------------------------------------------------------------------------

void TqzDataControllerSearch::SetSearchItem(Integer itemIndex) {
    FController->CheckItemIndex(itemIndex);
    FController->SearchField = FController->GetItemField(itemIndex);
}

Integer TqzDataControllerSearch::SearchItemIndex() const {
    return FController->SearchField ? FController->GetItemIndexOfField(FController->SearchField) : -1;
}

bool TqzDataControllerSearch::IsSearching() const { return FController->Searching; }

String TqzDataControllerSearch::CurrentText() const { return FController->SearchText; }

void TqzDataControllerSearch::Cancel() {
    if (FLocked || !FController->Searching) return;
    FController->SearchText = String();
    FController->Searching = false;
    FController->Change(64);
}

void TqzDataControllerSearch::FocusPosition(Integer position) {
    TqzCustomDataControllerInfo* info = FController->GetInfo();
    Lock();
    try {
        TqzUpdateLock lock(FController);
        FController->SetFocusedRecordIndex(info->RecordAt(position));
    } catch (...) {
        Unlock();
        throw;
    }
    Unlock();
    FController->SelectFocusedRowOnly();
}

Integer TqzDataControllerSearch::FindFrom(Integer start, Integer end, bool forward, const String& text) {
    TqzCustomDataControllerInfo* info = FController->GetInfo();
    const Integer count = info->RecordListCount();
    if (end == -1) end = forward ? count - 1 : 0;
    const Integer item = SearchItemIndex();
    if (item < 0) return -1;
    start = std::clamp(start, Integer(-1), count);
    end = std::clamp(end, Integer(-1), count - 1);
    for (Integer p = start; forward ? p <= end : p >= end; p += forward ? 1 : -1) {
        if (p < 0 || p >= count) break;
        if (SameTextOrPrefix(FController->GetSearchDisplayText(info->RecordAt(p), item), text, true)) return p;
    }
    return -1;
}

bool TqzDataControllerSearch::Locate(Integer itemIndex, const String& text) {
    TqzCustomDataControllerInfo* info = FController->GetInfo();
    if (text.empty() || info->RecordListCount() == 0) return false;
    SetSearchItem(itemIndex);
    bool found = false;
    if (FController->GetProvider()->IsGridMode()) {
        found = FController->SearchInSource();
    } else {
        const Integer focused = FController->GetFocusedRecordIndex();
        Integer p = focused < 0 ? 0 : info->PositionOfRecord(focused);
        if (p < 0) p = 0;
        Integer at = FindFrom(p, -1, true, text);
        if (at < 0 && p > 0) at = FindFrom(0, p - 1, true, text);
        if (at >= 0) {
            FocusPosition(at);
            found = true;
        }
    }
    if (found) {
        FController->Searching = true;
        FController->SearchText = text;
        FController->Change(64);
    }
    return found;
}

bool TqzDataControllerSearch::LocateNext(bool forward) {
    TqzCustomDataControllerInfo* info = FController->GetInfo();
    if (!FController->Searching || FController->SearchText.empty() || SearchItemIndex() < 0 ||
        info->RecordListCount() == 0)
        return false;
    if (FController->GetProvider()->IsGridMode()) return FController->SearchInSource();
    const Integer focused = FController->GetFocusedRecordIndex();
    const Integer p = focused < 0 ? -1 : info->PositionOfRecord(focused);
    if (p < 0) return false;
    Integer at = -1;
    if (forward && p + 1 < info->RecordListCount())
        at = FindFrom(p + 1, -1, true, FController->SearchText);
    else if (!forward && p > 0)
        at = FindFrom(p - 1, 0, false, FController->SearchText);
    if (at < 0) return false;
    FocusPosition(at);
    return true;
}

// ---- Locate objects ------------------------------------------------------------------------------

TqzDataControllerLocateObject::~TqzDataControllerLocateObject() {
    if (FLocateRecord != 0 && FController->GetStorage()) ReleaseRecord();
}

void TqzDataControllerLocateObject::ReleaseRecord() {
    if (FLocateRecord == 0) return;
    const Integer record = FLocateRecord;
    FLocateRecord = 0;
    FController->GetStorage()->RemoveRecord(record);
}

void TqzDataControllerLocateObject::ReadKeyValues(TqzValueDefReader* reader) {
    if (FLocateRecord == 0) FLocateRecord = FController->GetStorage()->AcquireInternalRecord();
    FController->BeginLocate();
    try {
        FController->GetStorage()->FillRecord(FLocateRecord, reader);
    } catch (...) {
        FController->EndLocate();
        throw;
    }
    FController->EndLocate();
}

Integer TqzDataControllerKeyLocateObject::FindRecord() {
    if (FLocateRecord == 0) return -1;
    return FController->FindRecordByKeyLinear(FLocateRecord, KeyFields);
}

TqzDataControllerGroupLocateObject::TqzDataControllerGroupLocateObject(TqzCustomDataController* controller)
    : TqzDataControllerLocateObject(controller) {
    TqzGroupingFieldList* grouping = controller->GetInfo()->GetGrouping();
    for (Integer i = 0; i < grouping->GetCount(); ++i) {
        FGroupingFields.push_back(grouping->Entry(i).Field);
        if (controller->IsDisplayTextCompareField(grouping->Entry(i).Field)) FBinarySearch = false;
    }
    SetLevel(0);
}

void TqzDataControllerGroupLocateObject::SetLevel(Integer level) {
    FLevel = level;
    FFindFields.clear();
    if (!FBinarySearch)
        for (Integer i = 0; i <= level && i < Integer(FGroupingFields.size()); ++i)
            FFindFields.push_back(FGroupingFields[std::size_t(i)]);
}

Integer TqzDataControllerGroupLocateObject::FindRecord() {
    if (FLocateRecord == 0) return -1;
    if (FBinarySearch) return FController->FindRecordByKeyBinary(FLocateRecord, FLevel + 1);
    const bool saved = FController->InGroupLocate;
    FController->InGroupLocate = true;
    try {
        const Integer record = FController->FindRecordByKeyLinear(FLocateRecord, FFindFields);
        FController->InGroupLocate = saved;
        return record;
    } catch (...) {
        FController->InGroupLocate = saved;
        throw;
    }
}

// ---- Key search ----------------------------------------------------------------------------------

Integer TqzCustomDataController::FindRecordByKeyBinary(Integer locateRecord, Integer keyFieldCount) {
    TqzSortingFieldList* total = FInfo->GetTotalSorting();
    keyFieldCount = std::min(keyFieldCount, total->GetCount());
    Integer lo = 0, hi = FInfo->RecordListCount() - 1;
    while (lo <= hi) {
        const Integer mid = lo + (hi - lo) / 2;
        const Integer record = FInfo->RecordAt(mid);
        Integer r = 0;
        for (Integer i = 0; i < keyFieldCount && r == 0; ++i)
            r = CompareRecordsBySortInfo(record, locateRecord, total->Entry(i));
        if (r == 0) return record;
        if (r < 0)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return -1;
}

Integer TqzCustomDataController::FindRecordByKeyLinear(Integer locateRecord,
                                                       const std::vector<TqzCustomDataField*>& fields) {
    if (fields.empty()) return -1;
    FProvider->BeginLocate();
    try {
        Integer found = -1;
        for (Integer record = 0; record < GetRecordCount() && found < 0; ++record) {
            bool equal = true;
            for (TqzCustomDataField* field : fields)
                if (CompareRecordsByField(record, locateRecord, field) != 0) {
                    equal = false;
                    break;
                }
            if (equal) found = record;
        }
        FProvider->EndLocate();
        return found;
    } catch (...) {
        FProvider->EndLocate();
        throw;
    }
}
