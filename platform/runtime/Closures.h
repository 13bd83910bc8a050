// Events: comparable closures bound to an object and one of its member functions, or to a free
// function. A handler can be saved, replaced, compared (same object and same method are
// equal) and restored, and calling an empty event of void result does nothing.
//
//     TNotifyEvent OnChange;
//     OnChange = MakeEvent(this, &TfMainFrm::EditChange);
//     TNotifyEvent saved = OnChange;  OnChange = nullptr;  ...  OnChange = saved;
//     OnChange(this);
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <type_traits>
#include <typeinfo>
#include <utility>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Objects.h"

// The type-erased form of a closure: which object, which code, and the signature it was made
// for. Type information reads and writes event properties in this form, and the readers of
// stored definitions bind published methods with it.
struct TMethod {
    using TInvoker = void (*)();  // the typed call-through, cast back by TClosure
    static constexpr std::size_t CodeSize = 2 * sizeof(void*);

    void* Data = nullptr;       // the bound object, as the method's class sees it
    TObject* Object = nullptr;  // the same object when it is a TObject (nullptr otherwise)
    TInvoker Invoker = nullptr;  // nullptr for an empty method
    std::array<unsigned char, CodeSize> Code{};  // the bytes of the member or free function pointer
    const std::type_info* Signature = nullptr;  // the function type, e.g. void(TObject*)

    bool Assigned() const { return Invoker != nullptr; }
    friend bool operator==(const TMethod& a, const TMethod& b) {
        return a.Data == b.Data && a.Invoker == b.Invoker && a.Code == b.Code;
    }
};

namespace kov_detail {

template <class B, class M, class R, class... Args>
R InvokeMember(const TMethod& m, Args... args) {
    M method;
    std::memcpy(&method, m.Code.data(), sizeof(M));
    return (static_cast<B*>(m.Data)->*method)(std::forward<Args>(args)...);
}

template <class R, class... Args>
R InvokeFree(const TMethod& m, Args... args) {
    R (*function)(Args...);
    std::memcpy(&function, m.Code.data(), sizeof(function));
    return function(std::forward<Args>(args)...);
}

}  // namespace kov_detail

template <class Signature>
class TClosure;

template <class R, class... Args>
class TClosure<R(Args...)> {
public:
    using SignatureType = R(Args...);

    TClosure() = default;
    TClosure(std::nullptr_t) {}
    TClosure(R (*function)(Args...)) {
        if (function == nullptr) return;
        static_assert(sizeof(function) <= TMethod::CodeSize);
        std::memcpy(FMethod.Code.data(), &function, sizeof(function));
        SetInvoker(&kov_detail::InvokeFree<R, Args...>);
    }
    // Binding a null object gives an empty closure.
    template <class T, class B>
        requires std::is_convertible_v<T*, B*>
    TClosure(T* object, R (B::*method)(Args...)) {
        Bind<B>(object, method);
    }
    template <class T, class B>
        requires std::is_convertible_v<T*, B*>
    TClosure(T* object, R (B::*method)(Args...) const) {
        Bind<B>(object, method);
    }
    // From the type-erased form; raises EInvalidCast when it was made for another signature.
    explicit TClosure(const TMethod& method) {
        if (!method.Assigned()) return;
        if (method.Signature == nullptr || *method.Signature != typeid(SignatureType))
            throw EInvalidCast("Invalid class typecast");
        FMethod = method;
    }

    // Calls the handler. An empty closure does nothing when the result is void and raises
    // EInvalidOperation otherwise. The handler may free the closure's owner: nothing of the
    // closure is touched once the handler has been entered.
    R operator()(Args... args) const {
        if (FMethod.Invoker == nullptr) {
            if constexpr (std::is_void_v<R>)
                return;
            else
                throw EInvalidOperation("Call of an unassigned event");
        }
        const TMethod method = FMethod;
        auto invoke = reinterpret_cast<R (*)(const TMethod&, Args...)>(method.Invoker);
        return invoke(method, std::forward<Args>(args)...);
    }

    bool Assigned() const { return FMethod.Assigned(); }
    explicit operator bool() const { return Assigned(); }
    // The bound object when it is a TObject.
    TObject* Object() const { return FMethod.Object; }
    const TMethod& Method() const { return FMethod; }

    friend bool operator==(const TClosure& a, const TClosure& b) { return a.FMethod == b.FMethod; }

private:
    template <class B, class T, class M>
    void Bind(T* object, M method) {
        if (object == nullptr || method == nullptr) return;
        B* target = object;
        static_assert(sizeof(M) <= TMethod::CodeSize);
        std::memcpy(FMethod.Code.data(), &method, sizeof(M));
        FMethod.Data = target;
        if constexpr (std::is_base_of_v<TObject, B>) FMethod.Object = target;
        SetInvoker(&kov_detail::InvokeMember<B, M, R, Args...>);
    }
    void SetInvoker(R (*invoke)(const TMethod&, Args...)) {
        FMethod.Invoker = reinterpret_cast<TMethod::TInvoker>(invoke);
        FMethod.Signature = &typeid(SignatureType);
    }

    TMethod FMethod;
};

template <class T, class B, class R, class... Args>
    requires std::is_convertible_v<T*, B*>
TClosure<R(Args...)> MakeEvent(T* object, R (B::*method)(Args...)) {
    return TClosure<R(Args...)>(object, method);
}

template <class T, class B, class R, class... Args>
    requires std::is_convertible_v<T*, B*>
TClosure<R(Args...)> MakeEvent(T* object, R (B::*method)(Args...) const) {
    return TClosure<R(Args...)>(object, method);
}

template <class R, class... Args>
TClosure<R(Args...)> MakeEvent(R (*function)(Args...)) {
    return TClosure<R(Args...)>(function);
}

template <class T>
struct IsTClosure : std::false_type {};
template <class Signature>
struct IsTClosure<TClosure<Signature>> : std::true_type {};
template <class T>
inline constexpr bool IsTClosureV = IsTClosure<T>::value;

using TNotifyEvent = TClosure<void(TObject* Sender)>;
