// The dialogs binding module: the common dialogs with Execute and their option sets, and the
// message dialog, input box and input query.
#pragma once

#include "script/kq_iinterpreter.h"

class TkqDialogsRTTIFunctions : public TkqRTTIModule {
    KOV_CLASS(TkqDialogsRTTIFunctions, TkqRTTIModule)
public:
    explicit TkqDialogsRTTIFunctions(TkqScript* script);

    Variant CallMethod(TObject* Instance, TClass ClassRef, const String& MethodName, TkqMethodHelper* Caller);
};

// Appends the dialogs module to the binding-module list, once.
void RegisterDialogsRTTI();
