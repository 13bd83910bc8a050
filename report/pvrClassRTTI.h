// The report classes' binding module: constants, enumerations and sets of the report engine, the
// report classes with their methods and properties, and the date and report functions, for
// every script that adds all bindings.
#pragma once

#include <map>
#include <memory>
#include <utility>

#include "script/kq_iinterpreter.h"

class TList;

class TpvrClassRTTIFunctions : public TkqRTTIModule {
    KOV_CLASS(TpvrClassRTTIFunctions, TkqRTTIModule)
public:
    explicit TpvrClassRTTIFunctions(TkqScript* script);
    ~TpvrClassRTTIFunctions() override;

    Variant CallMethod(TObject* Instance, TClass ClassRef, const String& MethodName, TkqMethodHelper* Caller);
    Variant GetProp(TObject* Instance, TClass ClassRef, const String& PropName);
    void SetProp(TObject* Instance, TClass ClassRef, const String& PropName, const Variant& Value);

private:
    // The lists handed to scripts for a report object's children and descendants: refilled on
    // every read, kept until the module goes.
    TList* ObjectList(TObject* owner, bool all);
    std::map<std::pair<TObject*, bool>, std::unique_ptr<TList>> FLists;
};

// Appends the module to the binding-module list, once.
void RegisterReportRTTI();
