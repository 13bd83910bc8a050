// The root of the object model: TObject with its class reference, the registry of classes
// that can be found by name, weak liveness tokens, and the table of object handles that
// scripts use instead of pointers.
#pragma once

#include <atomic>
#include <initializer_list>
#include <memory>
#include <type_traits>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/RtlTypes.h"

class TObject;
class TComponent;
class TMetaClass;

// A class reference: the descriptor every class declares with KOV_CLASS. Descriptors live
// for the whole run, so a TClass may be kept anywhere.
using TClass = const TMetaClass*;

class TMetaClass {
public:
    // Makes a default instance; components take their owner, other classes ignore it.
    using TFactory = TObject* (*)(TComponent* owner);

    TMetaClass(String name, TClass parent, TFactory factory);
    TMetaClass(const TMetaClass&) = delete;
    TMetaClass& operator=(const TMetaClass&) = delete;

    const String& ClassName() const { return FName; }
    TClass ClassParent() const { return FParent; }
    // True for this class itself and every class derived from `ancestor`.
    bool InheritsFrom(TClass ancestor) const;
    // Compares the name case-insensitively.
    bool ClassNameIs(const String& name) const;

    bool CanCreate() const { return FFactory != nullptr; }
    // A new default instance (`new T(owner)` for components, `new T()` otherwise). Raises
    // EInvalidOperation for an abstract class or one without such a constructor.
    TObject* Create(TComponent* owner = nullptr) const;

private:
    String FName;
    TClass FParent;
    TFactory FFactory;
};

namespace kov_detail {

// How KOV_CLASS makes the default instance of T. Component classes are recognised by the
// marker type TComponent declares, so a constructor taking a bool or an integer is never
// mistaken for an owner constructor.
template <class T>
constexpr TMetaClass::TFactory FactoryFor() {
    if constexpr (std::is_abstract_v<T>) {
        return nullptr;
    } else if constexpr (requires { typename T::KovOwnerConstructed; }) {
        if constexpr (std::is_constructible_v<T, TComponent*>)
            return [](TComponent* owner) -> TObject* { return new T(owner); };
        else
            return nullptr;
    } else if constexpr (std::is_default_constructible_v<T>) {
        return [](TComponent*) -> TObject* { return new T(); };
    } else {
        return nullptr;
    }
}

}  // namespace kov_detail

// Declares a class to the object model; put it first in the class body:
//     class TFoo : public TBase {
//         KOV_CLASS(TFoo, TBase)
//     public:
//         ...
// It leaves the access at private, as a class body starts, and adds `inherited` for calls to
// the base class ("inherited::Loaded()").
#define KOV_CLASS(Name, Base)                                                                               \
public:                                                                                                     \
    using inherited = Base;                                                                                 \
    using KovSelf = Name;                                                                                   \
    static TClass StaticClass() {                                                                           \
        static const TMetaClass* const kovMeta =                                                            \
            new TMetaClass(#Name, Base::StaticClass(), ::kov_detail::FactoryFor<Name>());                   \
        return kovMeta;                                                                                     \
    }                                                                                                       \
    TClass ClassType() const override { return StaticClass(); }                                             \
                                                                                                            \
private:

// Reports whether the object that handed it out still exists. Take one before calling code
// that may free the object (an event handler may free its sender) and test it afterwards,
// instead of touching `this`. A default-constructed token reports false.
class TLivenessToken {
public:
    TLivenessToken() = default;
    bool IsAlive() const { return FAlive && FAlive->load(std::memory_order_acquire); }
    explicit operator bool() const { return IsAlive(); }

private:
    friend class TObject;
    explicit TLivenessToken(std::shared_ptr<const std::atomic<bool>> alive) : FAlive(std::move(alive)) {}
    std::shared_ptr<const std::atomic<bool>> FAlive;
};

class TObject {
public:
    TObject() = default;
    // A copy is a new object: it gets its own handle and liveness.
    TObject(const TObject&) noexcept {}
    TObject& operator=(const TObject&) noexcept { return *this; }
    virtual ~TObject();

    using KovSelf = TObject;
    static TClass StaticClass();
    virtual TClass ClassType() const;
    const String& ClassName() const { return ClassType()->ClassName(); }
    TClass ClassParent() const { return ClassType()->ClassParent(); }
    bool InheritsFrom(TClass ancestor) const { return ClassType()->InheritsFrom(ancestor); }
    bool ClassNameIs(const String& name) const { return ClassType()->ClassNameIs(name); }

    TLivenessToken LivenessToken() const;

private:
    friend Cardinal ObjectToHandle(TObject* obj);
    mutable std::shared_ptr<std::atomic<bool>> FAlive;
    mutable std::atomic<Cardinal> FHandle{0};
};

// ---- Class registry (classes found by name, e.g. by the readers of stored definitions) ------

// Registering the same class again does nothing; another class of the same name (compared
// case-insensitively) raises EFilerError "A class named %s already exists".
void RegisterClass(TClass cls);
void RegisterClasses(std::initializer_list<TClass> classes);
void UnRegisterClass(TClass cls);
// Case-insensitive. FindClass raises EClassNotFound "Class %s not found"; GetClass gives nullptr.
TClass FindClass(const String& name);
TClass GetClass(const String& name);

// ---- Object handles ---------------------------------------------------------------------------
// Stable non-zero 32-bit numbers standing for objects. A handle is made on first use, stays the
// same for the object's life and is dropped when the object is destroyed; handles are handed
// out in increasing order, so a dropped one is not given again until the counter wraps.

// 0 for nullptr.
Cardinal ObjectToHandle(TObject* obj);
// nullptr for 0, an unknown handle or one whose object is gone.
TObject* HandleToObject(Cardinal handle);
