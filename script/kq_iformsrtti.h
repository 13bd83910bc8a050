// The forms binding module: modal-result, cursor, border-style, virtual-key and alignment
// constants, the enumerations and sets of windows and controls, the standard control and form
// classes with their events, and the application object.
#pragma once

#include "script/kq_iinterpreter.h"

class TkqFormsRTTIFunctions : public TkqRTTIModule {
    KOV_CLASS(TkqFormsRTTIFunctions, TkqRTTIModule)
public:
    explicit TkqFormsRTTIFunctions(TkqScript* script);

    Variant CallMethod(TObject* Instance, TClass ClassRef, const String& MethodName, TkqMethodHelper* Caller);
    Variant GetProp(TObject* Instance, TClass ClassRef, const String& PropName);
    void SetProp(TObject* Instance, TClass ClassRef, const String& PropName, const Variant& Value);
};

// Appends the forms module to the binding-module list, once.
void RegisterFormsRTTI();
