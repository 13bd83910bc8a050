// The classes binding module: file-mode and seek-origin constants, and the basic classes of the
// class library (lists, string lists, streams, collections, components) and the XML document.
#pragma once

#include "script/kq_iinterpreter.h"

class TkqClassesRTTIFunctions : public TkqRTTIModule {
    KOV_CLASS(TkqClassesRTTIFunctions, TkqRTTIModule)
public:
    explicit TkqClassesRTTIFunctions(TkqScript* script);

    Variant CallMethod(TObject* Instance, TClass ClassRef, const String& MethodName, TkqMethodHelper* Caller);
    Variant GetProp(TObject* Instance, TClass ClassRef, const String& PropName);
    void SetProp(TObject* Instance, TClass ClassRef, const String& PropName, const Variant& Value);
};

// The object a call-back serves: raises EInvalidCast for nil, a freed object, a placeholder no
// constructor completed, or an object not of `classRef`.
TObject* CheckedInstance(TObject* instance, TClass classRef);
// The class a constructor call-back builds: the placeholder's, which must descend from `classRef`.
TClass ConstructedClass(TObject* instance, TClass classRef);

// Appends the classes module to the binding-module list, once.
void RegisterClassesRTTI();
