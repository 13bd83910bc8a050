#include "suite/data/qzEditRegisteredRepositoryItems.h"

#include <algorithm>

namespace {

// The sign of a - b; keys are pointers, so no subtraction.
template <class T> Integer CompareSign(T a, T b) { return a < b ? -1 : (a > b ? 1 : 0); }

Integer CompareEntry(TqzRegisteredRepositoryItemKey key, Integer version,
                     const TqzEditRegisteredRepositoryItemsData& entry) {
    if (key != entry.Key) return CompareSign(key, entry.Key);
    if (version == qzAnyVersion) return 0;
    return CompareSign(version, entry.Version);
}

} // namespace

TqzEditRegisteredRepositoryItems::TqzEditRegisteredRepositoryItems() : TqzInterfacedPersistent(nullptr) {}

TqzEditRegisteredRepositoryItems::~TqzEditRegisteredRepositoryItems() {
    FDestroying = true;
    ClearEntries(FDefaults);
    ClearEntries(FEntries);
}

bool TqzEditRegisteredRepositoryItems::Find(const TqzEditRegisteredRepositoryItemsDataArray& array,
                                            TqzRegisteredRepositoryItemKey key, Integer version, Integer& index) {
    Integer low = 0;
    Integer high = Integer(array.size()) - 1;
    while (low <= high) {
        const Integer mid = (low + high) / 2;
        const Integer c = CompareEntry(key, version, array[std::size_t(mid)]);
        if (c == 0) {
            index = mid;
            return true;
        }
        if (c < 0)
            low = mid + 1;
        else
            high = mid - 1;
    }
    index = low;
    return false;
}

bool TqzEditRegisteredRepositoryItems::HoldsItem(TqzEditRepositoryItem* item) const {
    auto holds = [item](const TqzEditRegisteredRepositoryItemsDataArray& array) {
        return std::any_of(array.begin(), array.end(), [item](const auto& e) { return e.Item == item; });
    };
    return holds(FDefaults) || holds(FEntries);
}

TqzEditRepositoryItem* TqzEditRegisteredRepositoryItems::FirstItem(
    const TqzEditRegisteredRepositoryItemsDataArray& array) {
    return array.empty() ? nullptr : array.front().Item;
}

void TqzEditRegisteredRepositoryItems::RemoveEntry(TqzEditRegisteredRepositoryItemsDataArray& array,
                                                   Integer index) {
    TqzEditRepositoryItem* item = array[std::size_t(index)].Item;
    array.erase(array.begin() + index);
    // One item may stand in several entries: it keeps its listener while any of them remains.
    if (item && !HoldsItem(item)) item->RemoveListener(this);
    RegistryChanged();
}

void TqzEditRegisteredRepositoryItems::RemoveItemEntries(TqzEditRegisteredRepositoryItemsDataArray& array,
                                                         TqzEditRepositoryItem* item) {
    for (Integer i = Integer(array.size()) - 1; i >= 0; --i)
        if (i < Integer(array.size()) && array[std::size_t(i)].Item == item) RemoveEntry(array, i);
}

void TqzEditRegisteredRepositoryItems::ClearEntries(TqzEditRegisteredRepositoryItemsDataArray& array) {
    while (!array.empty()) RemoveEntry(array, Integer(array.size()) - 1);
}

void TqzEditRegisteredRepositoryItems::ItemDestroyed(TqzEditRepositoryItem* item) {
    RemoveItemEntries(FDefaults, item);
    RemoveItemEntries(FEntries, item);
}

Integer TqzEditRegisteredRepositoryItems::InsertEntry(TqzEditRegisteredRepositoryItemsDataArray& array,
                                                      TqzRegisteredRepositoryItemKey key,
                                                      TqzEditRepositoryItem* item, Integer version) {
    Integer index = 0;
    if (Find(array, key, version, index)) return index;
    array.insert(array.begin() + index, TqzEditRegisteredRepositoryItemsData{key, version, item});
    if (item) item->AddListener(this);
    RegistryChanged();
    return index;
}

TqzEditRepositoryItem* TqzEditRegisteredRepositoryItems::DefaultItem() { return FirstItem(FDefaults); }

TqzEditRepositoryItem* TqzEditRegisteredRepositoryItems::ItemFor(TqzRegisteredRepositoryItemKey key) {
    Integer index = 0;
    if (key != 0 && Find(FEntries, key, qzAnyVersion, index)) return FEntries[std::size_t(index)].Item;
    return DefaultItem();
}

void TqzEditRegisteredRepositoryItems::RegisterDefault(Integer version, TqzEditRepositoryItem* item) {
    InsertEntry(FDefaults, 0, item, version);
}

void TqzEditRegisteredRepositoryItems::RegisterKey(TqzRegisteredRepositoryItemKey key, Integer version,
                                                   TqzEditRepositoryItem* item) {
    InsertEntry(FEntries, key, item, version);
}

void TqzEditRegisteredRepositoryItems::UnregisterDefault(Integer version) {
    Integer index = 0;
    if (Find(FDefaults, 0, version, index)) RemoveEntry(FDefaults, index);
}

void TqzEditRegisteredRepositoryItems::UnregisterKey(TqzRegisteredRepositoryItemKey key, Integer version) {
    Integer index = 0;
    if (Find(FEntries, key, version, index)) RemoveEntry(FEntries, index);
}
