// A script ready to compile programs in the tests: the system module registered, and a host
// procedure Print whose calls are collected line by line.
#pragma once

#include <memory>

#include "platform/runtime/Components.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "script/kq_ievents.h"
#include "script/kq_iilparser.h"
#include "script/kq_iinterpreter.h"
#include "script/kq_isysrtti.h"

namespace scripthost {

// A host object with a published property, call-back members and an event.
class TCorpusHost : public TComponent {
    KOV_CLASS(TCorpusHost, TComponent)
public:
    explicit TCorpusHost(TComponent* owner) : TComponent(owner) {}
    String Caption;
    TNotifyEvent OnPing;
};

class ScriptHost {
public:
    ScriptHost() : Script(std::make_unique<TkqScript>(nullptr)) {
        Script->CurrentRegistrant = BindingRegistrant();
        Script->Add("", new TkqSysRTTIFunctions(Script.get()));
        Script->CurrentRegistrant = nullptr;
        Script->AddMethod("procedure Print(v: Variant)", TkqModuleCallback(this, &ScriptHost::PrintCallback));
        Script->AddClass(TObject::StaticClass(), "");
        TkqClassVariable* host = Script->AddClass(TCorpusHost::StaticClass(), "TObject");
        host->AddMethod("function Twice(n: Integer): Integer",
                        TkqModuleCallback(this, &ScriptHost::HostCallback));
        host->AddMethod("procedure Ping", TkqModuleCallback(this, &ScriptHost::HostCallback));
        host->AddEvent("OnPing", &MakeEventAdapter<TkqNotifyEvent>);
        Script->AddObject("Host", Host.get());
    }

    // Compiles the text in the language; false with the error in Error(). Unless `keep` is set,
    // what an earlier compile built is removed first.
    bool Compile(const String& text, const String& language = "PascalScript", bool keep = false) {
        if (!keep) Script->ClearItems(&ProgramOwner);
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

    TObject ProgramOwner;
    std::unique_ptr<TCorpusHost> Host = std::make_unique<TCorpusHost>(nullptr);
    std::unique_ptr<TkqScript> Script;
    String Output;

private:
    Variant HostCallback(TObject* instance, TClass, const String& name, TkqMethodHelper* caller) {
        auto* host = static_cast<TCorpusHost*>(instance);
        if (name == "TWICE") return caller->GetParam(0).AsInteger() * 2;
        if (name == "PING" && host->OnPing.Assigned()) host->OnPing(host);
        return Null();
    }
    Variant PrintCallback(TObject*, TClass, const String&, TkqMethodHelper* caller) {
        Output += VarToStr(caller->GetParam(0)) + "\n";
        return Null();
    }
};

} // namespace scripthost
