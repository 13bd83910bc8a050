// Run-time type information: the published properties and methods of classes, and access to
// them by name. The readers of stored window definitions, the report serializer and the
// script bindings all work through these functions.
//
// A class publishes beside its definition, in its .cpp:
//
//     KOV_PUBLISHED(TqzTimer) {
//         Property("Enabled", &TqzTimer::GetEnabled, &TqzTimer::SetEnabled).Default(true);
//         Property("Interval", &TqzTimer::GetInterval, &TqzTimer::SetInterval).Default(1000);
//         Property("OnTimer", &TqzTimer::OnTimer);        // a field: read and written directly
//         Method("TimerFired", &TqzTimer::TimerFired);    // found by name, e.g. for event binding
//     }
//
// The kind of each property follows from the C++ type its getter returns: integers, char
// (tkChar), char16_t (tkWChar), bool and registered enumerations (tkEnumeration), floating point,
// String, WideString, TSet, pointers to TObject classes, TClosure events, Variant and Int64.
// Enumerations register their element names once: RegisterEnum<TAlign>("TAlign", {"alNone", ...}).
// Properties list in declaration order after those of the ancestors; a class may publish a
// name again, which replaces the ancestor's entry in its place.
#pragma once

#include <functional>
#include <initializer_list>
#include <limits>
#include <memory>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

#include "platform/runtime/Closures.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Sets.h"

// An unknown property name, an instance that does not have the property, a read-only one written.
KOV_DECLARE_EXCEPTION(EPropertyError, Exception);
// A value that does not fit the property, or an access of the wrong kind.
KOV_DECLARE_EXCEPTION(EPropertyConvertError, Exception);

class Variant;  // platform/runtime/Variant.h

enum TTypeKind {
    tkUnknown,
    tkInteger,
    tkChar,
    tkEnumeration,
    tkFloat,
    tkString,
    tkSet,
    tkClass,
    tkMethod,
    tkWChar,
    tkLString,
    tkWString,
    tkVariant,
    tkInt64
};

enum TFloatType { ftSingle, ftDouble, ftExtended };

struct TTypeInfo {
    TTypeKind Kind = tkUnknown;
    String Name;
    // Integer kinds: the value range. Enumerations: 0 .. element count - 1 (-1 while the names
    // are not registered). Sets: the elements 0 .. MaxValue.
    Int64 MinValue = 0;
    Int64 MaxValue = 0;
    std::vector<String> EnumNames;        // tkEnumeration, ordinal 0 first
    const TTypeInfo* CompType = nullptr;  // tkSet: the element type
    TFloatType FloatType = ftDouble;      // tkFloat
    TClass ClassType = nullptr;           // tkClass: the declared class
    const std::type_info* MethodSignature = nullptr;  // tkMethod: the function type
};
using PTypeInfo = const TTypeInfo*;

namespace kov_detail {

template <class T>
TTypeInfo MakeTypeInfo();

template <class T>
TTypeInfo& MutableTypeInfo() {
    static TTypeInfo* info = new TTypeInfo(MakeTypeInfo<T>());
    return *info;
}

template <class T>
constexpr bool IsObjectPointer = std::is_pointer_v<T> && std::is_base_of_v<TObject, std::remove_pointer_t<T>>;

inline void SetOrdinalType(TTypeInfo& info, TTypeKind kind, const char* name, Int64 minValue,
                           Int64 maxValue) {
    info.Kind = kind;
    info.Name = name;
    info.MinValue = minValue;
    info.MaxValue = maxValue;
}

template <class T>
constexpr const char* IntegerTypeName() {
    if constexpr (sizeof(T) == 1)
        return std::is_signed_v<T> ? "ShortInt" : "Byte";
    else if constexpr (sizeof(T) == 2)
        return std::is_signed_v<T> ? "SmallInt" : "Word";
    else
        return std::is_signed_v<T> ? "Integer" : "Cardinal";
}

template <class T>
TTypeInfo MakeTypeInfo() {
    TTypeInfo info;
    if constexpr (std::is_same_v<T, bool>) {
        SetOrdinalType(info, tkEnumeration, "Boolean", 0, 1);
        info.EnumNames = {"False", "True"};
    } else if constexpr (std::is_same_v<T, char>) {
        SetOrdinalType(info, tkChar, "Char", 0, 255);
    } else if constexpr (std::is_same_v<T, char16_t>) {
        SetOrdinalType(info, tkWChar, "WideChar", 0, 65535);
    } else if constexpr (std::is_integral_v<T> && sizeof(T) == 8) {
        SetOrdinalType(info, tkInt64, std::is_signed_v<T> ? "Int64" : "UInt64",
                       std::numeric_limits<Int64>::min(), std::numeric_limits<Int64>::max());
    } else if constexpr (std::is_integral_v<T>) {
        SetOrdinalType(info, tkInteger, IntegerTypeName<T>(), Int64(std::numeric_limits<T>::min()),
                       Int64(std::numeric_limits<T>::max()));
    } else if constexpr (std::is_enum_v<T>) {
        SetOrdinalType(info, tkEnumeration, "", 0, -1);
    } else if constexpr (std::is_floating_point_v<T>) {
        info.Kind = tkFloat;
        info.Name = std::is_same_v<T, float> ? "Single" : std::is_same_v<T, double> ? "Double" : "Extended";
        info.FloatType = std::is_same_v<T, float>    ? ftSingle
                         : std::is_same_v<T, double> ? ftDouble
                                                     : ftExtended;
    } else if constexpr (std::is_same_v<T, String>) {
        info.Kind = tkLString;
        info.Name = "String";
    } else if constexpr (std::is_same_v<T, WideString>) {
        info.Kind = tkWString;
        info.Name = "WideString";
    } else if constexpr (IsTSetV<T>) {
        static_assert(T::MaxElement < 64, "a published set has at most 64 elements");
        info.Kind = tkSet;
        info.CompType = &MutableTypeInfo<typename T::ElementType>();
        info.MaxValue = T::MaxElement;
    } else if constexpr (IsObjectPointer<T>) {
        info.Kind = tkClass;
        info.ClassType = std::remove_pointer_t<T>::StaticClass();
        info.Name = info.ClassType->ClassName();
    } else if constexpr (IsTClosureV<T>) {
        info.Kind = tkMethod;
        info.MethodSignature = &typeid(typename T::SignatureType);
    } else if constexpr (std::is_same_v<T, Variant>) {
        info.Kind = tkVariant;
        info.Name = "Variant";
    } else {
        static_assert(sizeof(T) == 0, "this type cannot be published");
    }
    return info;
}

}  // namespace kov_detail

// The type information of a C++ type that can be published.
template <class T>
PTypeInfo TypeInfo() {
    return &kov_detail::MutableTypeInfo<T>();
}

// Gives an enumeration its type name and element names (ordinal 0 first), once, at start-up.
template <class E>
    requires std::is_enum_v<E>
void RegisterEnum(const String& typeName, std::initializer_list<const char*> names) {
    TTypeInfo& info = kov_detail::MutableTypeInfo<E>();
    info.Name = typeName;
    info.EnumNames.assign(names.begin(), names.end());
    info.MaxValue = Int64(info.EnumNames.size()) - 1;
}

// Names a set or event type ("TAnchors", "TNotifyEvent"), which C++ does not know by name.
template <class T>
    requires(IsTSetV<T> || IsTClosureV<T>)
void RegisterTypeName(const String& typeName) {
    kov_detail::MutableTypeInfo<T>().Name = typeName;
}

// ---- Published properties ---------------------------------------------------------------------

enum TStoredRule { srAlways, srNever, srPredicate };

namespace kov_detail {

// Typed access to one property, behind a kind-neutral interface. The value conversions that
// do not fit the property's type raise EPropertyConvertError.
class TPropAccess {
public:
    virtual ~TPropAccess() = default;
    virtual bool Writable() const = 0;
    virtual Int64 GetOrd(TObject* instance, Integer index) const = 0;
    virtual void SetOrd(TObject* instance, Integer index, Int64 value) const = 0;
    virtual Extended GetFloat(TObject* instance, Integer index) const = 0;
    virtual void SetFloat(TObject* instance, Integer index, Extended value) const = 0;
    virtual String GetStr(TObject* instance, Integer index) const = 0;
    virtual void SetStr(TObject* instance, Integer index, const String& value) const = 0;
    virtual WideString GetWideStr(TObject* instance, Integer index) const = 0;
    virtual void SetWideStr(TObject* instance, Integer index, const WideString& value) const = 0;
    virtual TObject* GetObj(TObject* instance, Integer index) const = 0;
    virtual void SetObj(TObject* instance, Integer index, TObject* value) const = 0;
    virtual TMethod GetMethod(TObject* instance, Integer index) const = 0;
    virtual void SetMethod(TObject* instance, Integer index, const TMethod& value) const = 0;
    // The value in its own C++ type, at `value`.
    virtual void GetRaw(TObject* instance, Integer index, void* value) const = 0;
    virtual void SetRaw(TObject* instance, Integer index, const void* value) const = 0;
};

}  // namespace kov_detail

struct TPropInfo {
    String Name;
    PTypeInfo PropType = nullptr;
    TClass DeclaringClass = nullptr;  // the class that published it
    Integer Index = 0;                // passed to getter and setter of an indexed property
    bool HasIndex = false;
    bool HasDefault = false;          // ordinal kinds only
    Int64 Default = 0;                // ordinal value (a set's mask, an enumeration's ordinal)
    TStoredRule Stored = srAlways;
    std::function<bool(TObject*)> StoredPredicate;  // srPredicate
    std::unique_ptr<const kov_detail::TPropAccess> Access;

    TTypeKind Kind() const { return PropType->Kind; }
    bool IsWritable() const { return Access->Writable(); }
};
using PPropInfo = const TPropInfo*;
using TPropList = std::vector<PPropInfo>;

namespace kov_detail {

[[noreturn]] void ThrowInvalidPropType(PTypeInfo type);
[[noreturn]] void ThrowInvalidPropValue();
[[noreturn]] void ThrowNotInstanceOf(TClass cls);
[[noreturn]] void ThrowReadOnly();

template <class T>
constexpr bool IsOrdinal = std::is_integral_v<T> || std::is_enum_v<T> || IsTSetV<T>;

template <class T>
Int64 ToOrdinal(const T& value) {
    if constexpr (std::is_same_v<T, bool>)
        return value ? 1 : 0;
    else if constexpr (std::is_same_v<T, char>)
        return static_cast<unsigned char>(value);
    else if constexpr (IsTSetV<T>)
        return Int64(value.Mask());
    else
        return static_cast<Int64>(value);
}

template <class T>
T FromOrdinal(Int64 value) {
    if constexpr (std::is_same_v<T, bool>)
        return value != 0;
    else if constexpr (IsTSetV<T>)
        return T::FromMask(UInt64(value));
    else
        return static_cast<T>(value);
}

// The value type of a property read by `G` from a `C`.
template <class C, class G>
auto PropValueOf() {
    if constexpr (std::is_member_object_pointer_v<G>)
        return std::type_identity<std::remove_cvref_t<decltype(std::declval<C*>()->*std::declval<G>())>>{};
    else if constexpr (std::is_invocable_v<G, C*>)
        return std::type_identity<std::decay_t<std::invoke_result_t<G, C*>>>{};
    else if constexpr (std::is_invocable_v<G, C*, Integer>)
        return std::type_identity<std::decay_t<std::invoke_result_t<G, C*, Integer>>>{};
    else
        static_assert(sizeof(G) == 0, "a getter is a field, T GetX() const or T GetX(Integer index) const");
}
template <class C, class G>
using PropValueType = typename decltype(PropValueOf<C, G>())::type;

template <class C, class T, class G, class S>
class TPropAccessOf final : public TPropAccess {
public:
    TPropAccessOf(G getter, S setter) : FGetter(getter), FSetter(setter) {
        static_assert(std::is_null_pointer_v<S> || std::is_member_object_pointer_v<S> ||
                          std::is_invocable_v<S, C*, const T&> ||
                          std::is_invocable_v<S, C*, Integer, const T&>,
                      "a setter is a field, void SetX(T) or void SetX(Integer index, T)");
    }

    bool Writable() const override { return !std::is_null_pointer_v<S>; }

    Int64 GetOrd(TObject* instance, Integer index) const override {
        if constexpr (IsOrdinal<T>)
            return ToOrdinal(Read(instance, index));
        else
            ThrowInvalidPropType(TypeInfo<T>());
    }
    void SetOrd(TObject* instance, Integer index, Int64 value) const override {
        if constexpr (IsOrdinal<T>)
            Write(instance, index, FromOrdinal<T>(value));
        else
            ThrowInvalidPropType(TypeInfo<T>());
    }
    Extended GetFloat(TObject* instance, Integer index) const override {
        if constexpr (std::is_floating_point_v<T>)
            return Read(instance, index);
        else
            ThrowInvalidPropType(TypeInfo<T>());
    }
    void SetFloat(TObject* instance, Integer index, Extended value) const override {
        if constexpr (std::is_floating_point_v<T>)
            Write(instance, index, static_cast<T>(value));
        else
            ThrowInvalidPropType(TypeInfo<T>());
    }
    String GetStr(TObject* instance, Integer index) const override {
        if constexpr (std::is_same_v<T, String>)
            return Read(instance, index);
        else
            ThrowInvalidPropType(TypeInfo<T>());
    }
    void SetStr(TObject* instance, Integer index, const String& value) const override {
        if constexpr (std::is_same_v<T, String>)
            Write(instance, index, value);
        else
            ThrowInvalidPropType(TypeInfo<T>());
    }
    WideString GetWideStr(TObject* instance, Integer index) const override {
        if constexpr (std::is_same_v<T, WideString>)
            return Read(instance, index);
        else
            ThrowInvalidPropType(TypeInfo<T>());
    }
    void SetWideStr(TObject* instance, Integer index, const WideString& value) const override {
        if constexpr (std::is_same_v<T, WideString>)
            Write(instance, index, value);
        else
            ThrowInvalidPropType(TypeInfo<T>());
    }
    TObject* GetObj(TObject* instance, Integer index) const override {
        if constexpr (IsObjectPointer<T>)
            return Read(instance, index);
        else
            ThrowInvalidPropType(TypeInfo<T>());
    }
    void SetObj(TObject* instance, Integer index, TObject* value) const override {
        if constexpr (IsObjectPointer<T>) {
            T typed = dynamic_cast<T>(value);
            if (value != nullptr && typed == nullptr) ThrowInvalidPropValue();
            Write(instance, index, typed);
        } else {
            ThrowInvalidPropType(TypeInfo<T>());
        }
    }
    TMethod GetMethod(TObject* instance, Integer index) const override {
        if constexpr (IsTClosureV<T>)
            return Read(instance, index).Method();
        else
            ThrowInvalidPropType(TypeInfo<T>());
    }
    void SetMethod(TObject* instance, Integer index, const TMethod& value) const override {
        if constexpr (IsTClosureV<T>) {
            if (value.Assigned() &&
                (value.Signature == nullptr || *value.Signature != typeid(typename T::SignatureType)))
                ThrowInvalidPropValue();
            Write(instance, index, T(value));
        } else {
            ThrowInvalidPropType(TypeInfo<T>());
        }
    }
    void GetRaw(TObject* instance, Integer index, void* value) const override {
        *static_cast<T*>(value) = Read(instance, index);
    }
    void SetRaw(TObject* instance, Integer index, const void* value) const override {
        Write(instance, index, *static_cast<const T*>(value));
    }

private:
    static C* Self(TObject* instance) {
        C* self = dynamic_cast<C*>(instance);
        if (self == nullptr) ThrowNotInstanceOf(C::StaticClass());
        return self;
    }
    T Read(TObject* instance, Integer index) const {
        C* self = Self(instance);
        if constexpr (std::is_member_object_pointer_v<G>)
            return self->*FGetter;
        else if constexpr (std::is_invocable_v<G, C*>)
            return (self->*FGetter)();
        else
            return (self->*FGetter)(index);
    }
    void Write(TObject* instance, Integer index, const T& value) const {
        if constexpr (std::is_null_pointer_v<S>) {
            ThrowReadOnly();
        } else {
            C* self = Self(instance);
            if constexpr (std::is_member_object_pointer_v<S>)
                self->*FSetter = value;
            else if constexpr (std::is_invocable_v<S, C*, const T&>)
                (self->*FSetter)(value);
            else
                (self->*FSetter)(index, value);
        }
    }

    G FGetter;
    S FSetter;
};

// The registry behind KOV_PUBLISHED.
TPropInfo* AddPublishedProperty(TClass cls, std::unique_ptr<TPropInfo> info);
void AddPublishedMethod(TClass cls, const String& name, std::function<TMethod(TObject*)> bind);
PTypeInfo NamedAlias(PTypeInfo type, const String& name);

}  // namespace kov_detail

// Refines a property just published: index, default, stored rule, type name.
template <class C, class T>
class TPropBuilder {
public:
    explicit TPropBuilder(TPropInfo* info) : FInfo(info) {}

    // The number passed to an indexed getter and setter (T GetX(Integer index) const).
    TPropBuilder& Index(Integer index) {
        FInfo->Index = index;
        FInfo->HasIndex = true;
        return *this;
    }
    // The value a writer need not store. Ordinal types (integers, characters, enumerations,
    // Booleans, sets) only.
    TPropBuilder& Default(const T& value)
        requires kov_detail::IsOrdinal<T>
    {
        FInfo->HasDefault = true;
        FInfo->Default = kov_detail::ToOrdinal(value);
        return *this;
    }
    TPropBuilder& Stored(bool stored) {
        FInfo->Stored = stored ? srAlways : srNever;
        FInfo->StoredPredicate = nullptr;
        return *this;
    }
    // Stored when the member function says so (bool IsXStored() const).
    template <class P>
        requires std::is_member_function_pointer_v<P> && std::is_invocable_r_v<bool, P, C*>
    TPropBuilder& Stored(P predicate) {
        FInfo->Stored = srPredicate;
        FInfo->StoredPredicate = [predicate](TObject* instance) {
            C* self = dynamic_cast<C*>(instance);
            if (self == nullptr) kov_detail::ThrowNotInstanceOf(C::StaticClass());
            return bool((self->*predicate)());
        };
        return *this;
    }
    // A type name of its own for an alias the C++ type cannot tell apart ("TColor" for an
    // Integer property).
    TPropBuilder& TypeName(const String& name) {
        FInfo->PropType = kov_detail::NamedAlias(FInfo->PropType, name);
        return *this;
    }

private:
    TPropInfo* FInfo;
};

template <class C>
class TPublisher {
public:
    TPublisher() {
        static_assert(std::is_same_v<typename C::KovSelf, C>, "declare the class with KOV_CLASS first");
    }

    // A property read through `getter` (a field or T GetX() const) and written through `setter`
    // (a field, void SetX(T) or nullptr for read-only).
    template <class G, class S>
    auto Property(const String& name, G getter, S setter) {
        using T = kov_detail::PropValueType<C, G>;
        auto info = std::make_unique<TPropInfo>();
        info->Name = name;
        info->PropType = TypeInfo<T>();
        info->DeclaringClass = C::StaticClass();
        info->Access = std::make_unique<kov_detail::TPropAccessOf<C, T, G, S>>(getter, setter);
        return TPropBuilder<C, T>(kov_detail::AddPublishedProperty(C::StaticClass(), std::move(info)));
    }
    // A field is read and written directly; a getter alone makes the property read-only.
    template <class G>
    auto Property(const String& name, G getter) {
        if constexpr (std::is_member_object_pointer_v<G>)
            return Property(name, getter, getter);
        else
            return Property(name, getter, nullptr);
    }

    // A method found by name (for binding events of stored definitions to it).
    template <class B, class R, class... Args>
    void Method(const String& name, R (B::*method)(Args...)) {
        AddMethod<B>(name, method);
    }
    template <class B, class R, class... Args>
    void Method(const String& name, R (B::*method)(Args...) const) {
        AddMethod<B>(name, method);
    }

private:
    template <class B, class M>
    void AddMethod(const String& name, M method) {
        static_assert(std::is_base_of_v<B, C>, "the method belongs to the class or an ancestor");
        kov_detail::AddPublishedMethod(C::StaticClass(), name, [method](TObject* instance) {
            C* self = dynamic_cast<C*>(instance);
            return self == nullptr ? TMethod() : MakeEvent(static_cast<B*>(self), method).Method();
        });
    }
};

#define KOV_PUBLISHED_CAT2(a, b) a##b
#define KOV_PUBLISHED_CAT(a, b) KOV_PUBLISHED_CAT2(a, b)
#define KOV_PUBLISHED_IMPL(Class, Struct)                                                                   \
    namespace {                                                                                             \
    struct Struct : ::TPublisher<Class> {                                                                   \
        Struct();                                                                                           \
    };                                                                                                      \
    const Struct KOV_PUBLISHED_CAT(Struct, _Instance);                                                      \
    }                                                                                                       \
    Struct::Struct()
// Publishes properties and methods of a class; the block runs once at start-up. See the top.
#define KOV_PUBLISHED(Class) KOV_PUBLISHED_IMPL(Class, KOV_PUBLISHED_CAT(KovPublished_, __LINE__))

// ---- Looking properties up ----------------------------------------------------------------------

// By name, case-insensitively; nullptr when the class does not publish it.
PPropInfo GetPropInfo(TClass cls, const String& propName);
PPropInfo GetPropInfo(const TObject* instance, const String& propName);
// Every published property, the ancestors' first, in declaration order.
TPropList GetPropList(TClass cls);
TPropList GetPropList(const TObject* instance);
bool IsPublishedProp(TClass cls, const String& propName);
bool IsPublishedProp(const TObject* instance, const String& propName);
// Whether a writer stores the property of this instance (its stored rule).
bool IsStoredProp(TObject* instance, PPropInfo prop);
bool IsStoredProp(TObject* instance, const String& propName);
// Whether the value is the one a writer leaves out: an ordinal equal to its declared default,
// an empty string, no object, no event handler. Other kinds are never default.
bool IsDefaultPropValue(TObject* instance, PPropInfo prop);

// ---- Reading and writing values -----------------------------------------------------------------
// The name forms raise EPropertyError "Property %s does not exist" for a name the instance's
// class does not publish; an access that does not fit the kind raises EPropertyConvertError.

// Integer, character, enumeration, set (its mask), Int64 and class (the object's handle,
// ObjectToHandle) properties.
Int64 GetOrdProp(TObject* instance, PPropInfo prop);
Int64 GetOrdProp(TObject* instance, const String& propName);
void SetOrdProp(TObject* instance, PPropInfo prop, Int64 value);
void SetOrdProp(TObject* instance, const String& propName, Int64 value);
// String and WideString properties (UTF-8 here).
String GetStrProp(TObject* instance, PPropInfo prop);
String GetStrProp(TObject* instance, const String& propName);
void SetStrProp(TObject* instance, PPropInfo prop, const String& value);
void SetStrProp(TObject* instance, const String& propName, const String& value);
Extended GetFloatProp(TObject* instance, PPropInfo prop);
Extended GetFloatProp(TObject* instance, const String& propName);
void SetFloatProp(TObject* instance, PPropInfo prop, Extended value);
void SetFloatProp(TObject* instance, const String& propName, Extended value);
// Int64 and integer properties.
Int64 GetInt64Prop(TObject* instance, PPropInfo prop);
Int64 GetInt64Prop(TObject* instance, const String& propName);
void SetInt64Prop(TObject* instance, PPropInfo prop, Int64 value);
void SetInt64Prop(TObject* instance, const String& propName, Int64 value);
// Enumerations by element name ("alClient", "True").
String GetEnumProp(TObject* instance, PPropInfo prop);
String GetEnumProp(TObject* instance, const String& propName);
void SetEnumProp(TObject* instance, PPropInfo prop, const String& value);
void SetEnumProp(TObject* instance, const String& propName, const String& value);
// Sets as text: "[akLeft,akTop]".
String GetSetProp(TObject* instance, PPropInfo prop, bool brackets = true);
String GetSetProp(TObject* instance, const String& propName, bool brackets = true);
void SetSetProp(TObject* instance, PPropInfo prop, const String& value);
void SetSetProp(TObject* instance, const String& propName, const String& value);
// Class properties. Setting an object that is not of the declared class raises
// EPropertyConvertError "Invalid property value".
TObject* GetObjectProp(TObject* instance, PPropInfo prop);
TObject* GetObjectProp(TObject* instance, const String& propName);
void SetObjectProp(TObject* instance, PPropInfo prop, TObject* value);
void SetObjectProp(TObject* instance, const String& propName, TObject* value);
// Event properties. A method of another signature raises EPropertyConvertError "Invalid
// property value"; an empty one clears the event.
TMethod GetMethodProp(TObject* instance, PPropInfo prop);
TMethod GetMethodProp(TObject* instance, const String& propName);
void SetMethodProp(TObject* instance, PPropInfo prop, const TMethod& value);
void SetMethodProp(TObject* instance, const String& propName, const TMethod& value);

// Any property as text, the way stored definitions write values: integers in decimal, a
// character as itself, enumerations and sets by element names, floating point with "." whatever
// the locale, strings as they are, components by name (looked up on the instance and its owners;
// "" for none), events by the name of a published method of the instance or one of its owners.
// Variant properties are read and written with GetVariantProp/SetVariantProp instead.
String GetPropText(TObject* instance, PPropInfo prop);
String GetPropText(TObject* instance, const String& propName);
void SetPropText(TObject* instance, PPropInfo prop, const String& text);
void SetPropText(TObject* instance, const String& propName, const String& text);

namespace kov_detail {
PPropInfo RequireProp(TObject* instance, const String& propName);
void RequireKind(PPropInfo prop, TTypeKind kind);
void RequireWritable(PPropInfo prop);
}  // namespace kov_detail

// Variant properties; usable where platform/runtime/Variant.h is included.
template <class V = Variant>
V GetVariantProp(TObject* instance, PPropInfo prop) {
    kov_detail::RequireKind(prop, tkVariant);
    V value;
    prop->Access->GetRaw(instance, prop->Index, &value);
    return value;
}
template <class V = Variant>
V GetVariantProp(TObject* instance, const String& propName) {
    return GetVariantProp<V>(instance, kov_detail::RequireProp(instance, propName));
}
template <class V = Variant>
void SetVariantProp(TObject* instance, PPropInfo prop, const V& value) {
    kov_detail::RequireKind(prop, tkVariant);
    kov_detail::RequireWritable(prop);
    prop->Access->SetRaw(instance, prop->Index, &value);
}
template <class V = Variant>
void SetVariantProp(TObject* instance, const String& propName, const V& value) {
    SetVariantProp<V>(instance, kov_detail::RequireProp(instance, propName), value);
}

// ---- Enumerations and sets -------------------------------------------------------------------

// The element name; for an integer type (or an ordinal outside the names) the number.
String GetEnumName(PTypeInfo type, Integer value);
// The ordinal of a name (case-insensitive); -1 when there is none. For an integer type, the
// number the text holds.
Integer GetEnumValue(PTypeInfo type, const String& name);
// A set type's value as element names: "[a,b]" (or "a,b" without brackets).
String SetToString(PTypeInfo setType, Int64 value, bool brackets = true);
String SetToString(PPropInfo prop, Int64 value, bool brackets = true);
// Reads "[a, b]" (brackets and blanks optional). An unknown element raises
// EPropertyConvertError "Invalid property element: %s".
Int64 StringToSet(PTypeInfo setType, const String& value);
Int64 StringToSet(PPropInfo prop, const String& value);

// ---- Published methods ------------------------------------------------------------------------

// The method of that name (case-insensitive) the instance's class or an ancestor publishes,
// bound to the instance; an empty TMethod when there is none.
TMethod FindPublishedMethod(TObject* instance, const String& name);
// The name under which the method's object publishes it; "" when it is none of them.
String PublishedMethodName(const TMethod& method);

// ---- Integer identifiers ----------------------------------------------------------------------
// Integer types whose values have names ("clBtnFace" of TColor, "crHandPoint" of TCursor): a
// stored definition may give such a property a name instead of a number. The maps are found by
// the property's type name (the one TypeName gives it).

// Name → value; false when the name means nothing.
using TIdentToInt = std::function<bool(const String& ident, Integer& value)>;
// Value → name; false for a value without a name (it is stored as a number).
using TIntToIdent = std::function<bool(Integer value, String& ident)>;

// Registers the maps of a type name (case-insensitive); registering a name again replaces them.
void RegisterIntegerIdents(const String& typeName, TIdentToInt identToInt, TIntToIdent intToIdent);
// The maps of the type (empty functions when it has none).
TIdentToInt FindIdentToInt(PTypeInfo type);
TIntToIdent FindIntToIdent(PTypeInfo type);
