// Persistent objects, reference-counted interfaces and components: the owner that frees what it
// owns, names unique within an owner, the component state and free notifications.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <vector>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Sets.h"

class TFiler;
class TReader;
class TWriter;
class TComponent;

// Receives, one by one, the children a component hands to a writer (TComponent::GetChildren).
using TGetChildProc = std::function<void(TComponent* child)>;

// An object that can be copied from another (Assign) and stored by the component streams.
class TPersistent : public TObject {
    KOV_CLASS(TPersistent, TObject)
public:
    TPersistent() = default;

    // Makes this object a copy of `source`. A class that can copy from a source overrides
    // Assign and calls inherited for the sources it does not know; the base lets the source try
    // (AssignTo) and raises EConvertError "Cannot assign a %s to a %s" when nobody can.
    virtual void Assign(TPersistent* source);
    // Properties a class stores beyond its published ones.
    virtual void DefineProperties(TFiler* filer);
    // The object this one belongs to for naming (a component's owner); none here.
    virtual TPersistent* GetOwner() const;
    // The class name, after the owner's name path and a dot when there is one.
    virtual String GetNamePath() const;

protected:
    // Copies this object into `dest`; the base raises the assign error.
    virtual void AssignTo(TPersistent* dest);
    [[noreturn]] void AssignError(const TPersistent* source) const;
};

// ---- Interfaces -------------------------------------------------------------------------------
// An interface is an abstract class deriving `public virtual IInterface`; a class implements it
// by deriving from it as well. `Supports` asks an object for an interface (a dynamic_cast).

class IInterface {
public:
    virtual Integer AddRef() = 0;
    virtual Integer Release() = 0;

protected:
    virtual ~IInterface() = default;
};

// Counts the interface references held on it (TInterfacePtr) and frees itself when the last
// one goes. It starts at 0: the first TInterfacePtr takes it over.
class TInterfacedObject : public TObject, public virtual IInterface {
    KOV_CLASS(TInterfacedObject, TObject)
public:
    Integer AddRef() override;
    Integer Release() override;
    Integer GetRefCount() const { return FRefCount.load(); }

private:
    std::atomic<Integer> FRefCount{0};
};

// A counted reference to an interface.
template <class I>
class TInterfacePtr {
public:
    TInterfacePtr() = default;
    TInterfacePtr(std::nullptr_t) {}
    TInterfacePtr(I* pointer) : FPointer(pointer) {
        if (FPointer) FPointer->AddRef();
    }
    TInterfacePtr(const TInterfacePtr& other) : TInterfacePtr(other.FPointer) {}
    TInterfacePtr(TInterfacePtr&& other) noexcept : FPointer(other.FPointer) { other.FPointer = nullptr; }
    TInterfacePtr& operator=(TInterfacePtr other) noexcept {
        std::swap(FPointer, other.FPointer);
        return *this;
    }
    ~TInterfacePtr() {
        if (FPointer) FPointer->Release();
    }

    I* get() const { return FPointer; }
    I* operator->() const { return FPointer; }
    I& operator*() const { return *FPointer; }
    explicit operator bool() const { return FPointer != nullptr; }
    void reset() { *this = TInterfacePtr(); }
    friend bool operator==(const TInterfacePtr& a, const TInterfacePtr& b) {
        return a.FPointer == b.FPointer;
    }

private:
    I* FPointer = nullptr;
};

template <class I, class T>
bool Supports(T* instance, I*& result) {
    result = dynamic_cast<I*>(instance);
    return result != nullptr;
}
template <class I, class T>
bool Supports(T* instance, TInterfacePtr<I>& result) {
    result = TInterfacePtr<I>(dynamic_cast<I*>(instance));
    return bool(result);
}
template <class I, class T>
bool Supports(T* instance) {
    return dynamic_cast<I*>(instance) != nullptr;
}

// ---- Components -------------------------------------------------------------------------------

enum TComponentStateItem {
    csLoading,
    csReading,
    csWriting,
    csDestroying,
    csDesigning,
    csAncestor,
    csUpdating,
    csFixups,
    csInline
};
using TComponentState = TSet<TComponentStateItem, csInline>;

enum TOperation { opInsert, opRemove };

// A component is made with `new T(owner)` and freed by its owner or by `delete`. The owner
// frees what it owns, last first, and tells its components of every component inserted or
// removed (Notification); components of different owners ask each other for FreeNotification.
//
// A derived destructor runs before this one: a class whose teardown must see its owned
// components, or must not be notified as a half-destroyed object, calls Destroying() and
// DestroyComponents() at the start of its own destructor.
class TComponent : public TPersistent, public virtual IInterface {
    KOV_CLASS(TComponent, TPersistent)
public:
    using KovOwnerConstructed = void;  // KOV_CLASS makes instances with new T(owner)

    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* GetOwner() const override { return FOwner; }
    String GetNamePath() const override { return FName; }

    const String& GetName() const { return FName; }
    // Empty, or an identifier (letters, digits, "_"; not starting with a digit) unique among the
    // owner's components regardless of case. Raises EComponentError "'%s' is not a valid
    // component name" or "A component named %s already exists".
    virtual void SetName(const String& value);
    Integer GetTag() const { return FTag; }
    void SetTag(Integer value) { FTag = value; }

    Integer GetComponentCount() const { return Integer(FComponents.size()); }
    // Raises EListError "List index out of bounds (%d)" outside 0..count-1.
    TComponent* GetComponents(Integer index) const;
    // The position in the owner's list; -1 without an owner.
    Integer GetComponentIndex() const;
    void SetComponentIndex(Integer value);
    // Case-insensitive; nullptr for "" or an unknown name.
    TComponent* FindComponent(const String& name) const;

    // Takes `component` over from its current owner. Raises EComponentError when its name is
    // taken here or when it would come to own itself.
    void InsertComponent(TComponent* component);
    // Lets go of an owned component without freeing it.
    void RemoveComponent(TComponent* component);
    // Frees every owned component, the last first.
    void DestroyComponents();

    TComponentState GetComponentState() const { return FComponentState; }
    // For the readers and writers of stored definitions (csLoading, csReading, csWriting,
    // csFixups, csDesigning, csAncestor, csInline); csDestroying is set by Destroying alone.
    void IncludeComponentState(TComponentStateItem item) { FComponentState.Include(item); }
    void ExcludeComponentState(TComponentStateItem item) { FComponentState.Exclude(item); }
    // Called once a reader has set every property and resolved references; clears csLoading.
    virtual void Loaded();
    virtual void Updating();  // sets csUpdating
    virtual void Updated();   // clears csUpdating
    // Marks this component and everything it owns as being destroyed.
    void Destroying();

    // Asks to be told (Notification with opRemove) when `component` is freed, and the other
    // way round. Components of one owner already hear of each other through the owner.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);
    // `component` was inserted into or is being removed from this component or one this one
    // watches. The base forgets a removed component it watched and passes the news on to
    // every owned component; overrides clear their references and call inherited.
    virtual void Notification(TComponent* component, TOperation operation);

    // ---- Streaming (TReader, TWriter) ----
    // Whether the component has a parent apart from its owner (a control inside a container);
    // such components are handed to a writer by their parent rather than by the root.
    virtual bool HasParent() const;
    virtual TComponent* GetParentComponent() const;
    // A reader tells each component it reads, before reading its properties, whose children it is
    // read among (the GetChildParent of the component that holds it in the stream).
    virtual void SetParentComponent(TComponent* value);
    // Hands the children to be written below this component to `proc`, in order; `root` is the
    // root being written. None here.
    virtual void GetChildren(const TGetChildProc& proc, TComponent* root);
    // The owner of the children read below this component; nullptr lets the root own them.
    virtual TComponent* GetChildOwner();
    // The parent a reader gives the children read below this component; this component here.
    virtual TComponent* GetChildParent();
    // Moves `child` to position `order` among this component's children (a stored child
    // position); nothing here.
    virtual void SetChildOrder(TComponent* child, Integer order);
    // Reads the component's properties and children from the stream: reader->ReadData(this).
    virtual void ReadState(TReader* reader);
    // Writes them: writer->WriteData(this).
    virtual void WriteState(TWriter* writer);

    // Components are not reference counted.
    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }

protected:
    // Checks a rename of `component` (owned by this one) from curName to newName.
    virtual void ValidateRename(TComponent* component, const String& curName, const String& newName);

private:
    void Unlink(TComponent* component);

    TComponent* FOwner = nullptr;
    String FName;
    Integer FTag = 0;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    TComponentState FComponentState;
};
