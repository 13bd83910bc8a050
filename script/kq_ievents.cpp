#include "script/kq_ievents.h"

#include "platform/runtime/Dispatch.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "script/kq_iconst.h"

TkqCustomEvent::TkqCustomEvent(TObject* instance, TkqProcVariable* handler)
    : Instance(instance), Handler(handler),
      HandlerAlive(handler != nullptr ? handler->LivenessToken() : TLivenessToken()),
      InstanceAlive(instance != nullptr ? instance->LivenessToken() : TLivenessToken()) {}

TkqCustomEvent::~TkqCustomEvent() {
    if (EventName.empty() || !InstanceAlive) return;
    try {
        // GetMethod binds to this object only; it is not virtual-called here, so compare data.
        const TMethod current = GetMethodProp(Instance, EventName);
        if (current.Data == static_cast<void*>(this)) SetMethodProp(Instance, EventName, TMethod());
    } catch (const Exception&) {
    }
}

bool TkqCustomEvent::CallHandler(const std::vector<Variant>& args) {
    if (!HandlerAlive || Handler->IsRunning) return false;
    for (Integer i = 0; i < Handler->Count(); ++i)
        Handler->Param(i)->SetValue(std::size_t(i) < args.size() ? args[std::size_t(i)] : Variant(Null()));
    Handler->GetValue();
    return true;
}

Variant TkqCustomEvent::HandlerParam(Integer index, const Variant& fallback) const {
    if (!HandlerAlive || index >= Handler->Count()) return fallback;
    return Handler->Param(index)->GetValue();
}

namespace {

Variant ShiftValue(TShiftState shift) { return Integer(shift.Mask()); }

} // namespace

TMethod TkqNotifyEvent::GetMethod() { return TNotifyEvent(this, &TkqNotifyEvent::DoEvent).Method(); }
void TkqNotifyEvent::DoEvent(TObject* Sender) { CallHandler({ObjectToVariant(Sender)}); }

TMethod TkqMouseEvent::GetMethod() { return TMouseEvent(this, &TkqMouseEvent::DoEvent).Method(); }
void TkqMouseEvent::DoEvent(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
    CallHandler({ObjectToVariant(Sender), Integer(Button), ShiftValue(Shift), X, Y});
}

TMethod TkqMouseMoveEvent::GetMethod() { return TMouseMoveEvent(this, &TkqMouseMoveEvent::DoEvent).Method(); }
void TkqMouseMoveEvent::DoEvent(TObject* Sender, TShiftState Shift, Integer X, Integer Y) {
    CallHandler({ObjectToVariant(Sender), ShiftValue(Shift), X, Y});
}

TMethod TkqKeyEvent::GetMethod() { return TKeyEvent(this, &TkqKeyEvent::DoEvent).Method(); }
void TkqKeyEvent::DoEvent(TObject* Sender, Word& Key, TShiftState Shift) {
    CallHandler({ObjectToVariant(Sender), Integer(Key), ShiftValue(Shift)});
    Key = Word(HandlerParam(1, Integer(Key)).AsInteger());
}

TMethod TkqKeyPressEvent::GetMethod() { return TKeyPressEvent(this, &TkqKeyPressEvent::DoEvent).Method(); }
void TkqKeyPressEvent::DoEvent(TObject* Sender, char32_t& Key) {
    CallHandler({ObjectToVariant(Sender), Utf8FromCodePoint(Key)});
    const String text = VarToStr(HandlerParam(1, Utf8FromCodePoint(Key)));
    Key = text.empty() ? char32_t(0) : Utf8CodePointAt(text, 0);
}

TMethod TkqCloseEvent::GetMethod() { return TCloseEvent(this, &TkqCloseEvent::DoEvent).Method(); }
void TkqCloseEvent::DoEvent(TObject* Sender, TCloseAction& Action) {
    CallHandler({ObjectToVariant(Sender), Integer(Action)});
    Action = TCloseAction(HandlerParam(1, Integer(Action)).AsInteger());
}

TMethod TkqCloseQueryEvent::GetMethod() {
    return TCloseQueryEvent(this, &TkqCloseQueryEvent::DoEvent).Method();
}
void TkqCloseQueryEvent::DoEvent(TObject* Sender, bool& CanClose) {
    CallHandler({ObjectToVariant(Sender), CanClose});
    CanClose = HandlerParam(1, CanClose).AsBoolean();
}

TMethod TkqCanResizeEvent::GetMethod() { return TCanResizeEvent(this, &TkqCanResizeEvent::DoEvent).Method(); }
void TkqCanResizeEvent::DoEvent(TObject* Sender, Integer& NewWidth, Integer& NewHeight, bool& Resize) {
    CallHandler({ObjectToVariant(Sender), NewWidth, NewHeight, Resize});
    NewWidth = HandlerParam(1, NewWidth).AsInteger();
    NewHeight = HandlerParam(2, NewHeight).AsInteger();
    Resize = HandlerParam(3, Resize).AsBoolean();
}

// ---- TkqOLEHelper -------------------------------------------------------------------------------

TkqOLEHelper::TkqOLEHelper(const String& name) : TkqCustomHelper(name, "", vkVariant) {}

Variant TkqOLEHelper::GetValue() {
    std::vector<Variant> args;
    for (Integer i = 0; i < Count(); ++i)
        args.push_back(Param(i)->GetValue());
    return DispatchCall(args, false);
}

void TkqOLEHelper::SetValue(const Variant& value) {
    std::vector<Variant> args;
    for (Integer i = 0; i < Count(); ++i)
        args.push_back(Param(i)->GetValue());
    args.push_back(value);
    DispatchCall(args, true);
}

Variant TkqOLEHelper::DispatchCall(std::vector<Variant>& args, bool put) {
    IDispatch* dispatch = ParentValue.AsDispatch();
    if (dispatch == nullptr) throw EVariantError("Variant does not reference an automation object");
    if (Integer(args.size()) > MaxArguments) throw Exception(STooManyParams);
    DISPID id = DISPID_UNKNOWN;
    dispatch->GetIDsOfNames(&Name, 1, 0, &id);
    // The dispatch interface takes the last argument first.
    std::vector<Variant> reversed(args.rbegin(), args.rend());
    TDispParams params;
    params.Args = reversed.data();
    params.ArgCount = UINT(reversed.size());
    static const DISPID putId = DISPID_PROPERTYPUT;
    if (put) {
        params.NamedArgs = &putId;
        params.NamedArgCount = 1;
    }
    Variant result = Null();
    Variant* resultPtr = nullptr;
    if (!put && WantsResult) {
        result = Variant();
        resultPtr = &result;
    }
    TExcepInfo info;
    // A call whose value is dropped is a plain method call; one whose value is used may also
    // be a property get.
    const WORD flags = put                    ? DISPATCH_PROPERTYPUT
                       : resultPtr != nullptr ? WORD(DISPATCH_METHOD | DISPATCH_PROPERTYGET)
                                              : DISPATCH_METHOD;
    const HRESULT hr = dispatch->Invoke(id, 0, flags, params, resultPtr, &info, nullptr);
    if (hr < 0) {
        String message = "OLE error:" + IntToHex(Cardinal(hr), 8) + ": " + Name;
        if (!info.Source.empty()) message += "\r\nSource        ::  " + info.Source;
        if (!info.Description.empty()) message += "\r\nDescription ::  " + info.Description;
        if (!info.HelpFile.empty()) message += "\r\nHelp File     ::  " + info.HelpFile;
        throw Exception(message);
    }
    return resultPtr != nullptr ? result : Variant(Null());
}
