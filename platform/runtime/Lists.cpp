#include "platform/runtime/Lists.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "platform/runtime/Strings.h"

namespace {

const char* const kListIndexError = "List index out of bounds (%d)";
const char* const kListCapacityError = "List capacity out of bounds (%d)";
const char* const kListCountError = "List count out of bounds (%d)";

}  // namespace

// ---- TList ------------------------------------------------------------------------------------

TList::~TList() { Clear(); }

void TList::Error(const String& message, Integer data) {
    throw EListError(StringReplace(message, "%d", IntToStr(data), rfReplaceAll));
}

void TList::CheckIndex(Integer index) const {
    if (index < 0 || index >= GetCount()) Error(kListIndexError, index);
}

void TList::Notify(void*, TListNotification) {}

void TList::Grow() {
    const Integer delta = FCapacity > 64 ? FCapacity / 4 : FCapacity > 8 ? 16 : 4;
    SetCapacity(FCapacity + delta);
}

Integer TList::Add(void* item) {
    const Integer index = GetCount();
    if (index == FCapacity) Grow();
    FList.push_back(item);
    if (item != nullptr) Notify(item, lnAdded);
    return index;
}

void TList::Insert(Integer index, void* item) {
    if (index < 0 || index > GetCount()) Error(kListIndexError, index);
    if (GetCount() == FCapacity) Grow();
    FList.insert(FList.begin() + index, item);
    if (item != nullptr) Notify(item, lnAdded);
}

void TList::Delete(Integer index) {
    CheckIndex(index);
    void* item = FList[std::size_t(index)];
    FList.erase(FList.begin() + index);
    if (item != nullptr) Notify(item, lnDeleted);
}

Integer TList::Remove(void* item) {
    const Integer index = IndexOf(item);
    if (index >= 0) Delete(index);
    return index;
}

void* TList::Extract(void* item) {
    const Integer index = IndexOf(item);
    if (index < 0) return nullptr;
    // Out of the list without the deletion notice, then told as extracted.
    FList[std::size_t(index)] = nullptr;
    Delete(index);
    if (item != nullptr) Notify(item, lnExtracted);
    return item;
}

void TList::Clear() {
    SetCount(0);
    SetCapacity(0);
}

Integer TList::IndexOf(void* item) const {
    const auto it = std::find(FList.begin(), FList.end(), item);
    return it == FList.end() ? -1 : Integer(it - FList.begin());
}

void TList::Exchange(Integer index1, Integer index2) {
    CheckIndex(index1);
    CheckIndex(index2);
    std::swap(FList[std::size_t(index1)], FList[std::size_t(index2)]);
}

void TList::Move(Integer curIndex, Integer newIndex) {
    if (curIndex == newIndex) return;
    CheckIndex(newIndex);
    void* item = Get(curIndex);
    FList.erase(FList.begin() + curIndex);
    FList.insert(FList.begin() + newIndex, item);
}

TList* TList::Expand() {
    if (GetCount() == FCapacity) Grow();
    return this;
}

void TList::Pack() { std::erase(FList, nullptr); }

void TList::Sort(const TListSortCompare& compare) {
    if (GetCount() < 2 || !compare) return;
    kov_detail::QuickSort(
        0, GetCount() - 1,
        [&](Integer a, Integer b) { return compare(FList[std::size_t(a)], FList[std::size_t(b)]); },
        [&](Integer a, Integer b) { std::swap(FList[std::size_t(a)], FList[std::size_t(b)]); });
}

void TList::Assign(TList* source) {
    if (source == nullptr || source == this) return;
    // Copied first: a Notify of this list may change the source while it is emptied.
    const std::vector<void*> items = source->FList;
    Clear();
    SetCapacity(std::max(source->FCapacity, Integer(items.size())));
    for (void* item : items) Add(item);
}

void* TList::First() const { return Get(0); }

void* TList::Last() const { return Get(GetCount() - 1); }

void* TList::Get(Integer index) const {
    CheckIndex(index);
    return FList[std::size_t(index)];
}

void TList::Put(Integer index, void* item) {
    CheckIndex(index);
    void* old = FList[std::size_t(index)];
    if (old == item) return;
    FList[std::size_t(index)] = item;
    if (old != nullptr) Notify(old, lnDeleted);
    if (item != nullptr) Notify(item, lnAdded);
}

void TList::SetCount(Integer value) {
    if (value < 0 || value > MaxListSize) Error(kListCountError, value);
    if (value > FCapacity) SetCapacity(value);
    if (value > GetCount()) {
        FList.resize(std::size_t(value), nullptr);
        return;
    }
    // From the end; a Notify may take further items out meanwhile.
    while (GetCount() > value) Delete(GetCount() - 1);
}

void TList::SetCapacity(Integer value) {
    if (value < GetCount() || value > MaxListSize) Error(kListCapacityError, value);
    if (value == FCapacity) return;
    if (value > Integer(FList.capacity())) {
        FList.reserve(std::size_t(value));
    } else if (value == 0) {
        FList.shrink_to_fit();
    }
    FCapacity = value;
}

// ---- TObjectList ------------------------------------------------------------------------------

TObjectList::~TObjectList() { Clear(); }

void TObjectList::Notify(void* item, TListNotification action) {
    if (FOwnsObjects && action == lnDeleted) delete static_cast<TObject*>(item);
    TList::Notify(item, action);
}

// ---- TComponentList ---------------------------------------------------------------------------

// Receives the free notifications of the listed components on the list's behalf.
class TComponentList::TNexus : public TComponent {
public:
    explicit TNexus(TComponentList* list) : TComponent(nullptr), FList(list) {}

    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation == opRemove && FList != nullptr) FList->HandleFreeNotify(component);
    }

    TComponentList* FList;
};

TComponentList::TComponentList() : FNexus(new TNexus(this)) {}

TComponentList::TComponentList(bool ownsObjects) : TObjectList(ownsObjects), FNexus(new TNexus(this)) {}

TComponentList::~TComponentList() {
    Clear();
    FNexus->FList = nullptr;
    delete FNexus;
}

void TComponentList::HandleFreeNotify(TComponent* component) {
    // A component listed more than once leaves with every entry: none may stay behind dangling.
    while (IndexOf(component) >= 0) Extract(component);
}

void TComponentList::Notify(void* item, TListNotification action) {
    TComponent* component = AsComponent(static_cast<TObject*>(item));
    if (action == lnAdded) {
        FNexus->FreeNotification(component);
    } else if (IndexOf(component) < 0) {
        // The last entry went: no need to hear of its end any more.
        FNexus->RemoveFreeNotification(component);
    }
    TObjectList::Notify(item, action);
}

// ---- TBits ------------------------------------------------------------------------------------

namespace {

[[noreturn]] void BitsError() { throw EBitsError("Bits index out of range"); }

}  // namespace

bool TBits::GetBits(Integer index) const {
    if (index < 0 || index >= GetSize()) BitsError();
    return FBits[std::size_t(index)];
}

void TBits::SetBits(Integer index, bool value) {
    if (index < 0 || index == std::numeric_limits<Integer>::max()) BitsError();
    if (index >= GetSize()) SetSize(index + 1);
    FBits[std::size_t(index)] = value;
}

void TBits::SetSize(Integer value) {
    if (value < 0) BitsError();
    FBits.resize(std::size_t(value), false);
}

Integer TBits::OpenBit() const {
    const auto it = std::find(FBits.begin(), FBits.end(), false);
    return Integer(it - FBits.begin());
}
