// Adapters that forward a host event to a script procedure, and the helper through which a
// script calls members of an automation object by name.
#pragma once

#include <vector>

#include "platform/classlib/Controls.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/Closures.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/Variant.h"
#include "script/kq_iinterpreter.h"

// Root of the adapters: holds the host object and the handling procedure. A descendant gives
// the routine, bound to itself, that the host's event property is set to.
class TkqCustomEvent : public TObject {
    KOV_CLASS(TkqCustomEvent, TObject)
public:
    TkqCustomEvent(TObject* instance, TkqProcVariable* handler);
    // Unbinds the host event when it still points to this adapter.
    ~TkqCustomEvent() override;
    virtual TMethod GetMethod() = 0;

    // Calls the handler with the arguments in its parameters (parameters beyond them get
    // Null). Nothing when the handler is running already or was freed; false then.
    bool CallHandler(const std::vector<Variant>& args);
    // The handler's parameter `index` after the call; `fallback` when there is none (a freed
    // handler, or one declared with fewer parameters).
    Variant HandlerParam(Integer index, const Variant& fallback) const;

    TObject* Instance;
    TkqProcVariable* Handler;
    // Reports whether Handler still exists: the host event keeps pointing here after the
    // script's procedures are freed (ClearItems), and a late call must not reach a freed one.
    TLivenessToken HandlerAlive;
    TLivenessToken InstanceAlive;
    // The host event property this adapter was bound to.
    String EventName;
};

class TkqNotifyEvent : public TkqCustomEvent {
    KOV_CLASS(TkqNotifyEvent, TkqCustomEvent)
public:
    using TkqCustomEvent::TkqCustomEvent;
    TMethod GetMethod() override;
    void DoEvent(TObject* Sender);
};

class TkqMouseEvent : public TkqCustomEvent {
    KOV_CLASS(TkqMouseEvent, TkqCustomEvent)
public:
    using TkqCustomEvent::TkqCustomEvent;
    TMethod GetMethod() override;
    void DoEvent(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
};

class TkqMouseMoveEvent : public TkqCustomEvent {
    KOV_CLASS(TkqMouseMoveEvent, TkqCustomEvent)
public:
    using TkqCustomEvent::TkqCustomEvent;
    TMethod GetMethod() override;
    void DoEvent(TObject* Sender, TShiftState Shift, Integer X, Integer Y);
};

class TkqKeyEvent : public TkqCustomEvent {
    KOV_CLASS(TkqKeyEvent, TkqCustomEvent)
public:
    using TkqCustomEvent::TkqCustomEvent;
    TMethod GetMethod() override;
    void DoEvent(TObject* Sender, Word& Key, TShiftState Shift);
};

class TkqKeyPressEvent : public TkqCustomEvent {
    KOV_CLASS(TkqKeyPressEvent, TkqCustomEvent)
public:
    using TkqCustomEvent::TkqCustomEvent;
    TMethod GetMethod() override;
    // An empty text left in the key parameter gives the key 0.
    void DoEvent(TObject* Sender, char32_t& Key);
};

class TkqCloseEvent : public TkqCustomEvent {
    KOV_CLASS(TkqCloseEvent, TkqCustomEvent)
public:
    using TkqCustomEvent::TkqCustomEvent;
    TMethod GetMethod() override;
    void DoEvent(TObject* Sender, TCloseAction& Action);
};

class TkqCloseQueryEvent : public TkqCustomEvent {
    KOV_CLASS(TkqCloseQueryEvent, TkqCustomEvent)
public:
    using TkqCustomEvent::TkqCustomEvent;
    TMethod GetMethod() override;
    void DoEvent(TObject* Sender, bool& CanClose);
};

class TkqCanResizeEvent : public TkqCustomEvent {
    KOV_CLASS(TkqCanResizeEvent, TkqCustomEvent)
public:
    using TkqCustomEvent::TkqCustomEvent;
    TMethod GetMethod() override;
    void DoEvent(TObject* Sender, Integer& NewWidth, Integer& NewHeight, bool& Resize);
};

// The adapter factories the event properties of binding modules are registered with.
template <class T> TkqCustomEvent* MakeEventAdapter(TObject* instance, TkqProcVariable* handler) {
    return new T(instance, handler);
}

// One member of the automation object held in ParentValue, called by name; one Variant
// parameter per argument of the call.
class TkqOLEHelper : public TkqCustomHelper {
    KOV_CLASS(TkqOLEHelper, TkqCustomHelper)
public:
    explicit TkqOLEHelper(const String& name);

    Variant GetValue() override;
    void SetValue(const Variant& value) override;

    // Arguments a call may pass, the value of a put included.
    static constexpr Integer MaxArguments = 64;

private:
    // `put`: a property put without result; otherwise a method-or-get call, asking a result
    // only when WantsResult is set.
    Variant DispatchCall(std::vector<Variant>& args, bool put);
};
