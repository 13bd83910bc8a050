// Lists of pointers and objects, and arrays of bits.
//
// TList keeps untyped pointers and tells its descendants of every pointer that comes and goes
// (Notify); TObjectList frees the objects it owns, TComponentList also forgets a component as
// soon as the component is freed elsewhere. TBits is a growable array of flags.
#pragma once

#include <functional>
#include <vector>

#include "platform/runtime/Components.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"

namespace kov_detail {

// The lists' quicksort over the positions left..right: compare(i, j) compares the items at two
// positions, swap(i, j) exchanges them. The middle item is the pivot; items that compare alike
// may change places. The scans stay within the range even when `compare` is inconsistent.
template <class Compare, class Swap>
void QuickSort(Integer left, Integer right, const Compare& compare, const Swap& swap) {
    while (left < right) {
        Integer i = left;
        Integer j = right;
        Integer pivot = left + (right - left) / 2;
        do {
            while (i < right && compare(i, pivot) < 0) ++i;
            while (j > left && compare(j, pivot) > 0) --j;
            if (i <= j) {
                if (i != j) {
                    swap(i, j);
                    // The pivot item is followed to where it went.
                    if (pivot == i)
                        pivot = j;
                    else if (pivot == j)
                        pivot = i;
                }
                ++i;
                --j;
            }
        } while (i <= j);
        if (left < j) QuickSort(left, j, compare, swap);
        left = i;
    }
}

}  // namespace kov_detail

// The largest count and capacity a list accepts.
constexpr Integer MaxListSize = 0x7FFFFFFF / 16;

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// < 0 when item1 sorts before item2, 0 when they sort alike, > 0 when after.
using TListSortCompare = std::function<Integer(void* item1, void* item2)>;

class TList : public TObject {
    KOV_CLASS(TList, TObject)
public:
    TList() = default;
    // Empties the list. A descendant that overrides Notify calls Clear() in its own destructor,
    // so that it still hears of the items being deleted.
    ~TList() override;
    TList(const TList&) = delete;
    TList& operator=(const TList&) = delete;

    // Raises EListError with `message`, its "%d" replaced by `data`.
    [[noreturn]] static void Error(const String& message, Integer data);

    // Returns the new item's index.
    Integer Add(void* item);
    // Raises EListError "List index out of bounds (%d)" unless 0 <= index <= Count.
    void Insert(Integer index, void* item);
    void Delete(Integer index);
    // Deletes the first occurrence; returns its former index, or -1 when it is not there.
    Integer Remove(void* item);
    // Takes the first occurrence out without deleting it (Notify tells lnExtracted); returns
    // the item, or nullptr when it is not there.
    void* Extract(void* item);
    virtual void Clear();
    Integer IndexOf(void* item) const;
    void Exchange(Integer index1, Integer index2);
    // The item moves to newIndex; the others keep their order.
    void Move(Integer curIndex, Integer newIndex);
    // Makes room for at least one more item.
    TList* Expand();
    // Deletes every nullptr.
    void Pack();
    // Orders the items with `compare` (a quicksort: items that compare alike may change places).
    void Sort(const TListSortCompare& compare);
    // Makes this list a copy of `source` (every item of this list is deleted first).
    void Assign(TList* source);

    void* First() const;
    void* Last() const;
    void* Get(Integer index) const;
    void Put(Integer index, void* item);
    void* GetItems(Integer index) const { return Get(index); }
    void SetItems(Integer index, void* item) { Put(index, item); }

    Integer GetCount() const { return Integer(FList.size()); }
    // Growing adds nullptrs; shrinking deletes items from the end. Raises EListError
    // "List count out of bounds (%d)" outside 0..MaxListSize.
    void SetCount(Integer value);
    Integer GetCapacity() const { return FCapacity; }
    // Raises EListError "List capacity out of bounds (%d)" below Count or above MaxListSize.
    void SetCapacity(Integer value);
    // The items themselves, Count of them; valid until the list changes.
    void** GetList() { return FList.data(); }

protected:
    // An item other than nullptr was added, extracted or deleted; for a deletion the item has
    // already left the list.
    virtual void Notify(void* item, TListNotification action);
    virtual void Grow();

private:
    void CheckIndex(Integer index) const;

    std::vector<void*> FList;
    Integer FCapacity = 0;
};

// A list of objects that frees those it deletes while OwnsObjects is true (the default).
class TObjectList : public TList {
    KOV_CLASS(TObjectList, TList)
public:
    TObjectList() = default;
    explicit TObjectList(bool ownsObjects) : FOwnsObjects(ownsObjects) {}
    ~TObjectList() override;

    // Objects are kept as TObject pointers, whatever the static type they are added with.
    Integer Add(TObject* object) { return TList::Add(object); }
    void Insert(Integer index, TObject* object) { TList::Insert(index, object); }
    Integer Remove(TObject* object) { return TList::Remove(object); }
    TObject* Extract(TObject* object) { return static_cast<TObject*>(TList::Extract(object)); }
    Integer IndexOf(TObject* object) const { return TList::IndexOf(object); }
    TObject* First() const { return static_cast<TObject*>(TList::First()); }
    TObject* Last() const { return static_cast<TObject*>(TList::Last()); }
    TObject* GetItems(Integer index) const { return static_cast<TObject*>(Get(index)); }
    void SetItems(Integer index, TObject* object) { Put(index, object); }

    bool GetOwnsObjects() const { return FOwnsObjects; }
    void SetOwnsObjects(bool value) { FOwnsObjects = value; }

protected:
    void Notify(void* item, TListNotification action) override;

private:
    bool FOwnsObjects = true;
};

// A list of components that drops a component the moment it is freed, wherever that happens.
class TComponentList : public TObjectList {
    KOV_CLASS(TComponentList, TObjectList)
public:
    TComponentList();
    explicit TComponentList(bool ownsObjects);
    ~TComponentList() override;

    Integer Add(TComponent* component) { return TObjectList::Add(component); }
    void Insert(Integer index, TComponent* component) { TObjectList::Insert(index, component); }
    Integer Remove(TComponent* component) { return TObjectList::Remove(component); }
    TComponent* Extract(TComponent* component) { return AsComponent(TObjectList::Extract(component)); }
    Integer IndexOf(TComponent* component) const { return TObjectList::IndexOf(component); }
    TComponent* First() const { return AsComponent(TObjectList::First()); }
    TComponent* Last() const { return AsComponent(TObjectList::Last()); }
    TComponent* GetItems(Integer index) const { return AsComponent(TObjectList::GetItems(index)); }
    void SetItems(Integer index, TComponent* component) { TObjectList::SetItems(index, component); }

protected:
    void Notify(void* item, TListNotification action) override;

private:
    class TNexus;
    friend class TNexus;
    static TComponent* AsComponent(TObject* object) { return static_cast<TComponent*>(object); }
    void HandleFreeNotify(TComponent* component);

    TNexus* FNexus = nullptr;  // asks the listed components for free notifications
};

KOV_DECLARE_EXCEPTION(EBitsError, Exception);

// An array of Boolean flags that grows when a flag past its end is set.
class TBits : public TObject {
    KOV_CLASS(TBits, TObject)
public:
    TBits() = default;

    // Raises EBitsError "Bits index out of range" unless 0 <= index < Size.
    bool GetBits(Integer index) const;
    // Setting a flag at or past Size grows Size to index + 1; a negative index raises.
    void SetBits(Integer index, bool value);
    Integer GetSize() const { return Integer(FBits.size()); }
    // New flags are false. A negative size raises EBitsError.
    void SetSize(Integer value);
    // The index of the first false flag; Size when every flag is set.
    Integer OpenBit() const;

private:
    std::vector<bool> FBits;
};
