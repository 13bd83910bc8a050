// A script with binding modules registered as the program's start-up does, and a host
// procedure Print whose calls are collected line by line.
#pragma once

#include <initializer_list>
#include <memory>

#include "platform/runtime/Strings.h"
#include "script/kq_iilparser.h"
#include "script/kq_iinterpreter.h"

namespace bindinghost {

class BindingHost {
public:
    explicit BindingHost(std::initializer_list<TkqRTTIModuleClass> modules)
        : Script(std::make_unique<TkqScript>(nullptr)) {
        Script->CurrentRegistrant = BindingRegistrant();
        for (TkqRTTIModuleClass module : modules)
            Script->Add("", module(Script.get()));
        Script->CurrentRegistrant = nullptr;
        Script->AddMethod("procedure Print(v: Variant)",
                          TkqModuleCallback(this, &BindingHost::PrintCallback));
    }

    bool Compile(const String& text, const String& language = "PascalScript") {
        Script->ClearItems(&ProgramOwner);
        Script->GetLines()->SetText(text);
        Script->SetSyntaxType(language);
        Script->CurrentRegistrant = &ProgramOwner;
        const bool ok = Script->Compile();
        Script->CurrentRegistrant = nullptr;
        return ok;
    }
    String Error() const { return Script->LastErrorText + " at " + Script->LastErrorPos; }

    // Compiles and runs; the printed lines joined with line feeds, or the compile error.
    String Run(const String& text, const String& language = "PascalScript") {
        Output.clear();
        if (!Compile(text, language)) return "compile: " + Error();
        Script->Execute();
        return Output;
    }

    // The class description registered for a class name.
    TkqClassVariable* ClassOf(const String& name) const {
        return dynamic_cast<TkqClassVariable*>(Script->Find(name));
    }

    TObject ProgramOwner;
    std::unique_ptr<TkqScript> Script;
    String Output;

private:
    Variant PrintCallback(TObject*, TClass, const String&, TkqMethodHelper* caller) {
        Output += VarToStr(caller->GetParam(0)) + "\n";
        return Null();
    }
};

template <class TModule> TkqRTTIModule* Make(TkqScript* script) { return new TModule(script); }

} // namespace bindinghost
