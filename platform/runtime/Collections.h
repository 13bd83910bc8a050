// Collections: lists of persistent items of one item class that the collection makes and frees.
// An item class publishes the properties the component streams store for each item; an owner
// publishes the collection as a property of class kind.
//
//     class TColumn : public TCollectionItem {
//         KOV_CLASS(TColumn, TCollectionItem)
//     public:
//         explicit TColumn(TCollection* collection) : TCollectionItem(collection) {}
//         ...
//     };
//     auto* columns = new TOwnedCollection(grid, TCollectionItemClass::Of<TColumn>());
//     auto* column = static_cast<TColumn*>(columns->Add());
#pragma once

#include <type_traits>

#include "platform/runtime/Components.h"
#include "platform/runtime/Lists.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"

class TCollection;
class TCollectionItem;

// The item class of a collection: its class reference and how to make an item of it inside a
// collection (`new T(collection)`).
class TCollectionItemClass {
public:
    using TFactory = TCollectionItem* (*)(TCollection* collection);

    TCollectionItemClass() = default;
    TCollectionItemClass(TClass cls, TFactory factory) : FClass(cls), FFactory(factory) {}

    // T derives from TCollectionItem; an abstract T cannot make items.
    template <class T>
    static TCollectionItemClass Of() {
        static_assert(std::is_base_of_v<TCollectionItem, T>, "an item class derives from TCollectionItem");
        if constexpr (std::is_abstract_v<T> || !std::is_constructible_v<T, TCollection*>)
            return TCollectionItemClass(T::StaticClass(), nullptr);
        else
            return TCollectionItemClass(T::StaticClass(),
                                        [](TCollection* collection) -> TCollectionItem* { return new T(collection); });
    }

    TClass ClassType() const { return FClass; }
    const TMetaClass* operator->() const { return FClass; }
    explicit operator bool() const { return FClass != nullptr; }
    // A new item inside `collection`. Raises EInvalidOperation "Cannot create an item of class
    // %s" when the class cannot make one.
    TCollectionItem* Create(TCollection* collection) const;

    friend bool operator==(const TCollectionItemClass& a, const TCollectionItemClass& b) {
        return a.FClass == b.FClass;
    }

private:
    TClass FClass = nullptr;
    TFactory FFactory = nullptr;
};

class TCollectionItem : public TPersistent {
    KOV_CLASS(TCollectionItem, TPersistent)
public:
    // Joins `collection` (when given) as its last item.
    explicit TCollectionItem(TCollection* collection);
    // Leaves its collection.
    ~TCollectionItem() override;
    TCollectionItem(const TCollectionItem&) = delete;
    TCollectionItem& operator=(const TCollectionItem&) = delete;

    TCollection* GetCollection() const { return FCollection; }
    // Leaves the current collection and joins `value` as its last item, with a new ID. An item
    // that is not of the new collection's item class raises EListError "Invalid property value"
    // and stays where it was.
    virtual void SetCollection(TCollection* value);
    // Given by the collection when the item joins; never given again by that collection.
    Integer GetID() const { return FID; }
    // The position in the collection; -1 without one.
    Integer GetIndex() const;
    // Moves the item to that position and reports a change of the whole collection. Raises
    // EListError "List index out of bounds (%d)" outside the collection.
    virtual void SetIndex(Integer value);
    // The class name unless a descendant says otherwise.
    virtual String GetDisplayName() const;
    // The base only reports a change of the item.
    virtual void SetDisplayName(const String& value);

    // The collection.
    TPersistent* GetOwner() const override;
    // "<collection's name path>[<index>]", the class name without a collection.
    String GetNamePath() const override;

protected:
    // Reports a change to the collection (Update with this item, or with nullptr when
    // `allItems`), unless the collection is inside BeginUpdate/EndUpdate.
    void Changed(bool allItems);

private:
    friend class TCollection;

    TCollection* FCollection = nullptr;
    Integer FID = 0;
};

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollection : public TPersistent {
    KOV_CLASS(TCollection, TPersistent)
public:
    explicit TCollection(TCollectionItemClass itemClass);
    // Frees the items, last first, without reporting changes. A descendant that must hear of
    // their removal (Notify) calls Clear() in its own destructor.
    ~TCollection() override;
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;

    // A new item of the item class at the end.
    TCollectionItem* Add();
    // A new item moved to `index` (0..Count); another index raises EListError "List index out
    // of bounds (%d)" and adds nothing.
    TCollectionItem* Insert(Integer index);
    // Tells Notify cnDeleting, then frees the item. Raises EListError "List index out of
    // bounds (%d)".
    void Delete(Integer index);
    // Frees every item, last first, and reports one change.
    void Clear();
    // Item changes between the outermost BeginUpdate and its EndUpdate are reported once, as a
    // change of the whole collection, at that EndUpdate.
    virtual void BeginUpdate();
    virtual void EndUpdate();
    Integer GetUpdateCount() const { return FUpdateCount; }
    // nullptr when no item has that ID.
    TCollectionItem* FindItemID(Integer id) const;
    // From another collection: replaces the items with new ones, each assigned from the
    // source's item at its position; one change is reported. Other sources go to TPersistent.
    void Assign(TPersistent* source) override;
    // Reports a change of the whole collection (Update(nullptr)) unless inside an update.
    void Changed();

    Integer GetCount() const { return FItems.GetCount(); }
    // Raises EListError "List index out of bounds (%d)".
    TCollectionItem* GetItems(Integer index) const;
    // Assigns `value` to the item at `index`.
    void SetItems(Integer index, TCollectionItem* value);
    TCollectionItemClass GetItemClass() const { return FItemClass; }

    // nullptr here; an owned collection answers its owner.
    TPersistent* GetOwner() const override;
    // "<owner's name path>.<property name>" when the owner has a name path and publishes this
    // collection as a property; the class name otherwise.
    String GetNamePath() const override;

protected:
    // The owner's published property that holds this collection ("" when none does).
    String GetPropName() const;
    void SetPropName(const String& value) { FPropName = value; }
    // An item joined (cnAdded, after it was given its ID), is about to leave (cnExtracting) or
    // is about to be deleted by Delete (cnDeleting). An item that joins from its constructor is
    // told before its own constructor has run; one that leaves from its destructor after its
    // own destructor has run.
    virtual void Notify(TCollectionItem* item, TCollectionNotification action);
    // A change was reported: of `item`, or of the whole collection when `item` is nullptr.
    virtual void Update(TCollectionItem* item);
    // The item has just joined; a descendant may give it a name.
    virtual void SetItemName(TCollectionItem* item);

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* item);
    void RemoveItem(TCollectionItem* item);

    TCollectionItemClass FItemClass;
    TList FItems;
    Integer FUpdateCount = 0;
    Integer FNextID = 0;
    mutable String FPropName;
};

// A collection that names its owner (GetOwner), e.g. the control that publishes it.
class TOwnedCollection : public TCollection {
    KOV_CLASS(TOwnedCollection, TCollection)
public:
    TOwnedCollection(TPersistent* owner, TCollectionItemClass itemClass)
        : TCollection(itemClass), FOwner(owner) {}

    TPersistent* GetOwner() const override { return FOwner; }

private:
    TPersistent* FOwner;
};
