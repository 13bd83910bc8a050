// The report engine's binding module: the classes a report script reaches through the objects
// the report registers before every run ("Engine", "Outline").
#pragma once

#include "script/kq_iinterpreter.h"

class TpvrRTTIFunctions : public TkqRTTIModule {
    KOV_CLASS(TpvrRTTIFunctions, TkqRTTIModule)
public:
    explicit TpvrRTTIFunctions(TkqScript* script);

    Variant CallMethod(TObject* Instance, TClass ClassRef, const String& MethodName, TkqMethodHelper* Caller);
    Variant GetProp(TObject* Instance, TClass ClassRef, const String& PropName);
};

// Appends the report engine's module to the binding-module list, once.
void RegisterReportRTTI();
