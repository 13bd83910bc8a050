// Small general classes the control suite stands on: the owner-aware settings base, the suite's
// component base, an owning list, two class registries, a proportional width distributor, a
// free-notification component, weak links to components, and the hook every suite text passes.
#pragma once

#include <memory>
#include <vector>

#include "platform/runtime/Closures.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/Lists.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/WinTypes.h"

// ---- Owner-aware settings objects ----------------------------------------------------------

class TqzInterfacedPersistent;
using TqzInterfacedPersistentFactory = TqzInterfacedPersistent* (*)(TPersistent* owner);

// The base of every settings object (look and feel, editor properties): it knows its owner, and
// it supports interfaces without being freed by their reference counts.
//
// Made from a class reference with Create (cls, owner), the way a control makes the settings
// class it is asked for; each such class registers how it is made once, beside its definition:
//     RegisterInterfacedPersistentClass<TqzFooProperties>();   // new TqzFooProperties(owner)
class TqzInterfacedPersistent : public TPersistent, public virtual IInterface {
    KOV_CLASS(TqzInterfacedPersistent, TPersistent)
public:
    explicit TqzInterfacedPersistent(TPersistent* owner);

    // A new instance of cls for owner. Raises EInvalidOperation when cls was not registered.
    static TqzInterfacedPersistent* Create(TClass cls, TPersistent* owner);

    TPersistent* GetOwner() const override { return FOwner; }

    // Not counted: the owner frees the object.
    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }

private:
    TPersistent* FOwner;
};

// Registering a class again replaces its factory.
void RegisterInterfacedPersistentClass(TClass cls, TqzInterfacedPersistentFactory factory);
template <class T> void RegisterInterfacedPersistentClass() {
    RegisterInterfacedPersistentClass(
        T::StaticClass(), [](TPersistent* owner) -> TqzInterfacedPersistent* { return new T(owner); });
}

// The owner the class library's owner query gives: a component's owner, an item's collection;
// nullptr for nullptr and for objects without an owner.
TPersistent* GetPersistentOwner(TPersistent* persistent);

// ---- Suite component base --------------------------------------------------------------------

class TqzComponent : public TComponent {
    KOV_CLASS(TqzComponent, TComponent)
public:
    explicit TqzComponent(TComponent* owner);
    // Announces the destruction (BeforeDestruction) and clears every object link to itself.
    ~TqzComponent() override;

    // After loading in design mode (not while being destroyed, and only with an owner) the fake
    // links take the first three linked components, nullptr where there are fewer.
    void Loaded() override;
    // Marks the component and what it owns as being destroyed, unless that is under way. A
    // descendant whose teardown must be announced early calls it first in its destructor.
    void BeforeDestruction();

    // Published component references (not owned; cleared when the component is freed).
    TComponent* GetFakeComponentLink1() const { return FFakeLinks[0]; }
    void SetFakeComponentLink1(TComponent* value) { SetFakeLink(0, value); }
    TComponent* GetFakeComponentLink2() const { return FFakeLinks[1]; }
    void SetFakeComponentLink2(TComponent* value) { SetFakeLink(1, value); }
    TComponent* GetFakeComponentLink3() const { return FFakeLinks[2]; }
    void SetFakeComponentLink3(TComponent* value) { SetFakeLink(2, value); }

protected:
    // Fills list with the components this one links to; none here.
    virtual void CollectLinkedComponents(TList* list);
    void Notification(TComponent* component, TOperation operation) override;

private:
    void SetFakeLink(int index, TComponent* value);
    TComponent* FFakeLinks[3] = {nullptr, nullptr, nullptr};
};

// ---- Owning object list ------------------------------------------------------------------------

// A list of objects that frees them all in Clear (first to last) and when it is destroyed.
// Delete, Remove and Extract take an item out without freeing it.
class TqzObjectList : public TList {
    KOV_CLASS(TqzObjectList, TList)
public:
    TqzObjectList() = default;
    ~TqzObjectList() override;

    Integer Add(TObject* item) { return TList::Add(item); }
    void Insert(Integer index, TObject* item) { TList::Insert(index, item); }
    void Clear() override;
    // Raises EListError "List index out of bounds (%d)" outside 0..Count-1.
    TObject* ItemAt(Integer index) const { return static_cast<TObject*>(Get(index)); }
};

// ---- Registry of class pairs ordered by inheritance ---------------------------------------------

struct TqzRegisteredClassListItemData {
    TClass ItemClass = nullptr;
    TClass RegisteredClass = nullptr;
};

// Pairs (item class, registered class); an entry always stands after the entries of its item
// class's ancestors, so that a search from the end finds the nearest registered ancestor.
class TqzRegisteredClassList : public TObject {
    KOV_CLASS(TqzRegisteredClassList, TObject)
public:
    TqzRegisteredClassList() = default;

    // Searching from the last entry: the first whose item class is itemClass or an ancestor of it
    // gives true and its index. Otherwise false, and index is the lowest entry whose item class
    // descends from itemClass (-1 when there is none).
    virtual bool FindItemClass(TClass itemClass, Integer& index);
    // Inserted right after the entry FindItemClass finds, else before its lowest descendant
    // entry, else at the end. Duplicates are not checked.
    virtual void RegisterPair(TClass itemClass, TClass registeredClass);
    // Removes every entry holding both classes.
    virtual void UnregisterPair(TClass itemClass, TClass registeredClass);
    void Clear();

    Integer GetCount() const { return Integer(FItems.size()); }
    // Raises EListError "List index out of bounds (%d)" outside 0..Count-1.
    const TqzRegisteredClassListItemData& GetItems(Integer index) const;

private:
    std::vector<TqzRegisteredClassListItemData> FItems;
};

// ---- Registry of classes with descriptions ------------------------------------------------------

class TqzRegisteredClasses;

// The registry's strings ("Name|longer description"), each with its class; it knows its registry.
class TqzRegisteredClassesStringList : public TStringList {
    KOV_CLASS(TqzRegisteredClassesStringList, TStringList)
public:
    explicit TqzRegisteredClassesStringList(TqzRegisteredClasses* registeredClasses)
        : FRegisteredClasses(registeredClasses) {}
    TqzRegisteredClasses* GetRegisteredClasses() const { return FRegisteredClasses; }

private:
    TqzRegisteredClasses* FRegisteredClasses;
};

class TqzRegisteredClasses : public TObject {
    KOV_CLASS(TqzRegisteredClasses, TObject)
public:
    // With registerForStreaming every class registered here is also registered with the class
    // registry of the streams (RegisterClass).
    explicit TqzRegisteredClasses(bool registerForStreaming = false);
    ~TqzRegisteredClasses() override;
    TqzRegisteredClasses(const TqzRegisteredClasses&) = delete;
    TqzRegisteredClasses& operator=(const TqzRegisteredClasses&) = delete;

    // Nothing when cls is present already (the first description stays).
    void Register(TClass cls, const String& description);
    void Unregister(TClass cls);
    void Clear();

    bool GetSorted() const { return FSorted; }
    // Switching it on sorts at once.
    void SetSorted(bool value);
    bool GetRegisterForStreaming() const { return FRegisterForStreaming; }

    Integer GetCount() const { return FItems->GetCount(); }
    // The class and the whole string at an index (EStringListError outside 0..Count-1).
    TClass GetItems(Integer index) const;
    String GetText(Integer index) const { return FItems->GetStrings(index); }
    // The part of the string before the first "|" (the whole string without one).
    String GetDescription(Integer index) const;
    Integer IndexOfClass(TClass cls) const;
    TqzRegisteredClassesStringList* GetItemList() const { return FItems.get(); }

    // The descriptions compared without regard to case (AnsiCompareText).
    virtual Integer CompareItems(Integer index1, Integer index2);
    virtual void Sort();

private:
    std::unique_ptr<TqzRegisteredClassesStringList> FItems;
    bool FRegisterForStreaming;
    bool FSorted = false;
};

// ---- Proportional widths ---------------------------------------------------------------------------

class TqzAutoWidthItem {
public:
    Integer DesiredWidth = 0;
    Integer MinimumWidth = 0;
    bool KeepWidth = false;   // takes its DesiredWidth whatever the target
    Integer ResultWidth = -1; // -1 until DistributeWidths gives it a width
};

// Shares TargetWidth among the items in proportion to their DesiredWidth: items that keep their
// width take it first; an item whose MinimumWidth is at least its share takes the minimum, and
// the rest is shared again among the others. Rounded cumulatively, so that the shares add up to
// the space exactly.
class TqzAutoWidthObject {
public:
    explicit TqzAutoWidthObject(Integer capacity);
    TqzAutoWidthObject(const TqzAutoWidthObject&) = delete;
    TqzAutoWidthObject& operator=(const TqzAutoWidthObject&) = delete;

    TqzAutoWidthItem* AppendItem();
    // Raises EListError "List index out of bounds (%d)" outside 0..Count-1.
    TqzAutoWidthItem* ItemAt(Integer index) const;
    Integer Count() const { return Integer(FItems.size()); }
    // The sum of the items' DesiredWidth.
    Integer TotalWidth() const;
    // Every item gets its ResultWidth anew; items get none (-1) while the sum of the desired widths
    // left to share is 0.
    void DistributeWidths();

    Integer TargetWidth = 0;

private:
    std::vector<std::unique_ptr<TqzAutoWidthItem>> FItems;
};

// ---- Free notifications ------------------------------------------------------------------------------

using TqzComponentFreedEvent = TClosure<void(TObject* sender, TComponent* component)>;

// Fires OnComponentFreed when a watched component is freed.
class TqzFreeNotificator : public TComponent {
    KOV_CLASS(TqzFreeNotificator, TComponent)
public:
    explicit TqzFreeNotificator(TComponent* owner = nullptr);

    // nullptr is ignored.
    void WatchComponent(TComponent* component);
    void UnwatchComponent(TComponent* component);

    TqzComponentFreedEvent OnComponentFreed;

protected:
    void Notification(TComponent* component, TOperation operation) override;
};

// ---- Object links ---------------------------------------------------------------------------------------

// A weak reference to a component: Target becomes nullptr when the component is destroyed (the
// suite's components and controls call ClearObjectLinksTo as they go).
class TqzObjectLink {
public:
    TComponent* Target = nullptr;
};

TqzObjectLink* AddObjectLink(TComponent* component);
// Frees the link (nullptr is ignored).
void RemoveObjectLink(TqzObjectLink* link);
void ClearObjectLinksTo(TComponent* component);

// ---- Texts and small helpers --------------------------------------------------------------------

// The single place every suite text passes before it is shown; it comes back unchanged.
String LocalizeSuiteText(const String& text);

// Fills pair with the two values; returns width.
Integer MakeSizePair(Integer width, Integer height, SIZE& pair);

// floor((a + b) / 2): (-3, 0) gives -2, (3, 0) gives 1.
Integer FloorMidpoint(Integer a, Integer b);
