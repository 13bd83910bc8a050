#include "platform/runtime/Collections.h"

#include <exception>

#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"

namespace {

// BeginUpdate now, EndUpdate at the end of the scope. When the scope is left by an exception,
// an error of EndUpdate does not replace it.
class TCollectionUpdateScope {
public:
    explicit TCollectionUpdateScope(TCollection& collection)
        : FCollection(collection), FExceptions(std::uncaught_exceptions()) {
        FCollection.BeginUpdate();
    }
    ~TCollectionUpdateScope() noexcept(false) {
        if (std::uncaught_exceptions() == FExceptions) {
            FCollection.EndUpdate();
            return;
        }
        try {
            FCollection.EndUpdate();
        } catch (...) {
        }
    }
    TCollectionUpdateScope(const TCollectionUpdateScope&) = delete;
    TCollectionUpdateScope& operator=(const TCollectionUpdateScope&) = delete;

private:
    TCollection& FCollection;
    int FExceptions;
};

}  // namespace

// ---- TCollectionItemClass ---------------------------------------------------------------------

TCollectionItem* TCollectionItemClass::Create(TCollection* collection) const {
    if (FFactory == nullptr)
        throw EInvalidOperation("Cannot create an item of class " +
                                (FClass == nullptr ? String("nil") : FClass->ClassName()));
    return FFactory(collection);
}

// ---- TCollectionItem --------------------------------------------------------------------------

TCollectionItem::TCollectionItem(TCollection* collection) {
    // The item is not fully made yet, so its class cannot be checked here; the collections
    // make items of their own class anyway.
    if (collection != nullptr) collection->InsertItem(this);
}

TCollectionItem::~TCollectionItem() {
    if (FCollection != nullptr) FCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* value) {
    if (FCollection == value) return;
    // Checked before the item leaves, so a refused move leaves it where it was.
    if (value != nullptr && value->FItemClass && !InheritsFrom(value->FItemClass.ClassType()))
        TList::Error("Invalid property value", 0);
    if (FCollection != nullptr) FCollection->RemoveItem(this);
    if (value != nullptr) value->InsertItem(this);
}

Integer TCollectionItem::GetIndex() const {
    if (FCollection == nullptr) return -1;
    return FCollection->FItems.IndexOf(const_cast<TCollectionItem*>(this));
}

void TCollectionItem::SetIndex(Integer value) {
    const Integer current = GetIndex();
    if (current < 0 || current == value) return;
    FCollection->FItems.Move(current, value);
    Changed(true);
}

String TCollectionItem::GetDisplayName() const { return ClassName(); }

void TCollectionItem::SetDisplayName(const String&) { Changed(false); }

TPersistent* TCollectionItem::GetOwner() const { return FCollection; }

String TCollectionItem::GetNamePath() const {
    if (FCollection == nullptr) return ClassName();
    return FCollection->GetNamePath() + "[" + IntToStr(GetIndex()) + "]";
}

void TCollectionItem::Changed(bool allItems) {
    if (FCollection != nullptr && FCollection->FUpdateCount == 0) FCollection->Update(allItems ? nullptr : this);
}

// ---- TCollection ------------------------------------------------------------------------------

TCollection::TCollection(TCollectionItemClass itemClass) : FItemClass(itemClass) {}

TCollection::~TCollection() {
    // Nothing is reported while the collection goes.
    FUpdateCount = 1;
    Clear();
}

// The change is reported once the item is made: while its constructor runs it is not yet of
// its own class.
TCollectionItem* TCollection::Add() {
    BeginUpdate();
    TCollectionItem* item = nullptr;
    try {
        item = FItemClass.Create(this);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    return item;
}

TCollectionItem* TCollection::Insert(Integer index) {
    // Checked first, so a refused insertion adds nothing.
    if (index < 0 || index > GetCount()) TList::Error("List index out of bounds (%d)", index);
    TCollectionItem* item = Add();
    item->SetIndex(index);
    return item;
}

void TCollection::Delete(Integer index) {
    TCollectionItem* item = GetItems(index);
    Notify(item, cnDeleting);
    delete item;
}

void TCollection::Clear() {
    if (GetCount() == 0) return;
    TCollectionUpdateScope update(*this);
    while (GetCount() > 0) delete GetItems(GetCount() - 1);
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
    --FUpdateCount;
    Changed();
}

TCollectionItem* TCollection::FindItemID(Integer id) const {
    for (Integer i = 0; i < GetCount(); ++i) {
        TCollectionItem* item = GetItems(i);
        if (item->FID == id) return item;
    }
    return nullptr;
}

void TCollection::Assign(TPersistent* source) {
    if (auto* collection = dynamic_cast<TCollection*>(source)) {
        if (collection == this) return;
        TCollectionUpdateScope update(*this);
        Clear();
        for (Integer i = 0; i < collection->GetCount(); ++i) Add()->Assign(collection->GetItems(i));
        return;
    }
    TPersistent::Assign(source);
}

void TCollection::Changed() {
    if (FUpdateCount == 0) Update(nullptr);
}

TCollectionItem* TCollection::GetItems(Integer index) const {
    return static_cast<TCollectionItem*>(FItems.Get(index));
}

void TCollection::SetItems(Integer index, TCollectionItem* value) { GetItems(index)->Assign(value); }

TPersistent* TCollection::GetOwner() const { return nullptr; }

String TCollection::GetNamePath() const {
    TPersistent* owner = GetOwner();
    if (owner == nullptr) return ClassName();
    const String ownerPath = owner->GetNamePath();
    if (ownerPath.empty()) return ClassName();
    const String propName = GetPropName();
    if (propName.empty()) return ClassName();
    return ownerPath + "." + propName;
}

String TCollection::GetPropName() const {
    TPersistent* owner = GetOwner();
    if (!FPropName.empty() || owner == nullptr) return FPropName;
    for (PPropInfo prop : GetPropList(owner)) {
        if (prop->Kind() != tkClass) continue;
        if (GetObjectProp(owner, prop) == static_cast<const TObject*>(this)) {
            FPropName = prop->Name;
            break;
        }
    }
    return FPropName;
}

void TCollection::Notify(TCollectionItem*, TCollectionNotification) {}

void TCollection::Update(TCollectionItem*) {}

void TCollection::SetItemName(TCollectionItem*) {}

void TCollection::InsertItem(TCollectionItem* item) {
    FItems.Add(item);
    item->FCollection = this;
    item->FID = FNextID++;
    SetItemName(item);
    Notify(item, cnAdded);
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
    Notify(item, cnExtracting);
    if (GetCount() > 0 && FItems.Last() == item)
        FItems.Delete(GetCount() - 1);
    else
        FItems.Remove(item);
    item->FCollection = nullptr;
    Changed();
}
