#include "script/kq_iinterpreter.h"

#include <functional>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "platform/runtime/Format.h"
#include "platform/runtime/Strings.h"
#include "script/kq_iconst.h"
#include "script/kq_ievents.h"
#include "script/kq_itools.h"

namespace {

// ---- Host classes a script can see -------------------------------------------------------------

class TScriptHost : public TComponent {
    KOV_CLASS(TScriptHost, TComponent)
public:
    explicit TScriptHost(TComponent* owner) : TComponent(owner) {}
    String Caption;
    bool Enabled = false;
    char Letter = 'a';
    double Ratio = 0;
    Integer Count = 0;
    Variant Extra;
    TScriptHost* Buddy = nullptr;
    Integer ReadOnlyValue = 7;
    TNotifyEvent OnPing;
    Integer GetReadOnlyValue() const { return ReadOnlyValue; }
};

class TScriptButton : public TScriptHost {
    KOV_CLASS(TScriptButton, TScriptHost)
public:
    using TScriptHost::TScriptHost;
};

KOV_PUBLISHED(TScriptHost) {
    Property("Caption", &TScriptHost::Caption);
    Property("Enabled", &TScriptHost::Enabled);
    Property("Letter", &TScriptHost::Letter);
    Property("Ratio", &TScriptHost::Ratio);
    Property("Count", &TScriptHost::Count);
    Property("Extra", &TScriptHost::Extra);
    Property("Buddy", &TScriptHost::Buddy);
    Property("Fixed", &TScriptHost::GetReadOnlyValue);
    Property("OnPing", &TScriptHost::OnPing);
}

// A statement that runs a C++ action after the run-line notice, as compiled statements do.
class TActionStmt : public TkqStatement {
public:
    TActionStmt(TkqScript* script, const String& pos, std::function<void()> action)
        : TkqStatement(script, pos, ""), FAction(std::move(action)) {}
    void Execute() override {
        NotifyRunLine();
        if (OwnerScript->TerminatePending) return;
        FAction();
    }

private:
    std::function<void()> FAction;
};

void AddAction(TkqScript* script, const String& pos, std::function<void()> action) {
    script->RootStatement->Add(new TActionStmt(script, pos, std::move(action)));
}

// A procedure declared in `script` with the given parameters, as the program builder makes it.
TkqProcVariable* DeclareProc(TkqScript* script, const String& name, bool isFunction,
                             std::initializer_list<const char*> params, bool varParams = false) {
    auto* proc = new TkqProcVariable(name, isFunction ? "Variant" : "", vkVariant, isFunction, script);
    for (const char* paramName : params) {
        auto* param = new TkqParamItem(paramName, varParams, false, "Variant", vkVariant);
        proc->Add(param);
        proc->LocalScript->Add(paramName, param);
    }
    script->Add(name, proc);
    return proc;
}

// A binding module that registers one variable and counts its instances.
struct TTestModule : TkqRTTIModule {
    static inline int Created = 0;
    explicit TTestModule(TkqScript* script) : TkqRTTIModule(script) {
        ++Created;
        script->AddVariable("ModuleVar", "Integer", 1);
    }
    static TkqRTTIModule* Make(TkqScript* script) { return new TTestModule(script); }
};

// Makes the test module the only one listed, for one test only: the global list comes back as
// it was.
struct ScopedModule {
    ScopedModule() : Saved(GetRTTIModuleClasses()) {
        TTestModule::Created = 0;
        GetRTTIModuleClasses() = {&TTestModule::Make};
    }
    ~ScopedModule() { GetRTTIModuleClasses() = Saved; }
    std::vector<TkqRTTIModuleClass> Saved;
};

// An adapter for TNotifyEvent handlers: the handler gets the sender in its first parameter.
class TTestNotifyEvent : public TkqCustomEvent {
public:
    using TkqCustomEvent::TkqCustomEvent;
    TMethod GetMethod() override { return MakeEvent(this, &TTestNotifyEvent::Fire).Method(); }
    static TkqCustomEvent* Make(TObject* instance, TkqProcVariable* handler) {
        return new TTestNotifyEvent(instance, handler);
    }

private:
    void Fire(TObject* sender) {
        Handler->Param(0)->SetValue(ObjectToVariant(sender));
        Handler->GetValue();
    }
};

std::vector<String> TableNames(TkqScript& script) {
    std::vector<String> names;
    for (Integer i = 0; i < script.Count(); ++i)
        names.push_back(script.Symbols->GetStrings(i));
    return names;
}

} // namespace

// ---- The table ---------------------------------------------------------------------------------

TEST(kq_iinterpreterTest, LaterSymbolHidesEarlierOfSameNameAndBothStay) {
    TkqScript script(nullptr);
    EXPECT_EQ(script.GetSyntaxType(), "PascalScript");
    script.AddVariable("X", "Integer", 5);
    TkqProcVariable* proc = DeclareProc(&script, "x", false, {});
    script.AddVariable("Alpha", "Integer", 1);

    EXPECT_EQ(script.Find("X"), proc);
    EXPECT_EQ(script.Count(), 3);
    EXPECT_EQ(TableNames(script), (std::vector<String>{"Alpha", "x", "X"}));
    // Entries that are no symbols are never found.
    script.Add("", new TObject());
    EXPECT_EQ(script.FindLocal(""), nullptr);
}

TEST(kq_iinterpreterTest, RegistrationChecksNamesThroughTheParentChain) {
    TkqScript parent(nullptr);
    TkqScript child(nullptr);
    child.ParentScript = &parent;
    parent.AddVariable("Known", "Integer", 1);
    parent.AddClass(TScriptHost::StaticClass(), "");

    child.AddVariable("known", "Integer", 2);
    child.AddConst("KNOWN", "Integer", 3);
    child.AddType("Known", vkInteger);
    EXPECT_EQ(child.AddClass(TScriptHost::StaticClass(), ""), nullptr);
    EXPECT_EQ(child.Count(), 0);

    child.AddMethod("function Known: Integer", nullptr);
    child.AddMethodArrayArgs("function Known(a: Integer): Integer", nullptr);
    child.AddEnum("Known", "a");
    child.AddEnumSet("Known", "b");
    EXPECT_EQ(child.Count(), 6);
    EXPECT_EQ(child.Find("Known"), child.FindLocal("Known"));
    EXPECT_EQ(child.Find("TScriptHost"), parent.FindClass("TScriptHost"));
}

TEST(kq_iinterpreterTest, EnumerationsAndSetsGiveReadOnlyConstants) {
    TkqScript script(nullptr);
    script.AddEnumSet("TFontStyles", "fsBold, fsItalic, fsUnderline, fsStrikeout");
    script.AddEnum("TAlign", "alNone,alTop , alClient");
    struct Case {
        const char* name;
        Integer value;
    };
    for (const Case& c : std::vector<Case>{{"fsBold", 1},
                                           {"fsItalic", 2},
                                           {"fsUnderline", 4},
                                           {"fsStrikeout", 8},
                                           {"alNone", 0},
                                           {"alTop", 1},
                                           {"alClient", 2}}) {
        SCOPED_TRACE(c.name);
        TkqCustomVariable* symbol = script.FindLocal(c.name);
        ASSERT_NE(symbol, nullptr);
        EXPECT_EQ(symbol->Name, c.name);
        EXPECT_EQ(symbol->ValueKind, vkEnum);
        EXPECT_TRUE(symbol->IsReadOnly);
        symbol->SetValue(99);
        EXPECT_EQ(symbol->GetValue().AsInteger(), c.value);
    }
    TkqCustomVariable* typeSymbol = script.FindLocal("TFontStyles");
    ASSERT_NE(dynamic_cast<TkqVariable*>(typeSymbol), nullptr);
    EXPECT_EQ(typeSymbol->KindText(), "TFontStyles");
    EXPECT_FALSE(typeSymbol->IsReadOnly);
}

TEST(kq_iinterpreterTest, BindingModulesSurviveClearAndForeignOwnersSurviveClearItems) {
    ScopedModule module;
    TComponent report(nullptr);
    TComponent other(nullptr);
    TkqScript script(nullptr);
    script.AddRTTI();
    script.AddRTTI();
    EXPECT_EQ(TTestModule::Created, 1);
    ASSERT_NE(script.FindLocal("ModuleVar"), nullptr);
    EXPECT_EQ(script.FindLocal("ModuleVar")->Registrant, BindingRegistrant());
    EXPECT_EQ(script.CurrentRegistrant, nullptr);

    script.CurrentRegistrant = &report;
    script.AddVariable("ReportVar", "Integer", 1);
    DeclareProc(&script, "ReportProc", false, {});
    script.CurrentRegistrant = &other;
    script.AddVariable("OtherVar", "Integer", 1);
    script.CurrentRegistrant = nullptr;
    AddAction(&script, "1:1", [] {});
    script.AddStatementLine("", "1:1");
    script.LastErrorText = "boom";

    script.ClearItems(&report);
    EXPECT_EQ(script.FindLocal("ReportVar"), nullptr);
    EXPECT_EQ(script.FindLocal("ReportProc"), nullptr);
    EXPECT_NE(script.FindLocal("OtherVar"), nullptr);
    EXPECT_NE(script.FindLocal("ModuleVar"), nullptr);
    EXPECT_EQ(script.RootStatement->Count(), 0);
    EXPECT_EQ(script.StatementLines->GetCount(), 0);
    EXPECT_EQ(script.LastErrorText, "boom");

    script.Clear();
    EXPECT_EQ(script.FindLocal("OtherVar"), nullptr);
    EXPECT_NE(script.FindLocal("ModuleVar"), nullptr);
    EXPECT_EQ(script.Count(), 2); // the module and its variable
    EXPECT_EQ(script.LastErrorText, "");

    script.RemoveRTTI();
    EXPECT_EQ(script.Count(), 0);
    EXPECT_FALSE(script.BindingsAdded);
}

// A host that only calls AddRTTI gets the engine's binding modules: they list themselves when
// the engine starts, in their fixed order.
TEST(kq_iinterpreterTest, AddRTTIAloneGivesTheEngineBindingsInTheirOrder) {
    TkqScript script(nullptr);
    script.AddRTTI();
    static String printed;
    printed.clear();
    script.AddMethod("procedure Print(v: Variant)",
                     TkqModuleCallback(+[](TObject*, TClass, const String&, TkqMethodHelper* caller) -> Variant {
                         printed += VarToStr(caller->GetParam(0));
                         return Null();
                     }));
    script.GetLines()->SetText("var i: Integer; l: TStringList;\r\nbegin i := StrToInt('41') + 1;\r\n"
                               "l := TStringList.Create; l.Add(IntToStr(i)); Print(l[0]); l.Free end.");
    ASSERT_TRUE(script.Compile()) << script.LastErrorText << " at " << script.LastErrorPos;
    script.Execute();
    EXPECT_EQ(printed, "42");
    for (const char* name : {"clRed", "TForm", "MessageDlg"})
        EXPECT_NE(script.Find(name), nullptr) << name;

    std::vector<String> order;
    TkqScript scratch(nullptr);
    for (TkqRTTIModuleClass make : GetRTTIModuleClasses()) {
        std::unique_ptr<TkqRTTIModule> module(make(&scratch));
        order.push_back(module->ClassName());
    }
    EXPECT_EQ(order, (std::vector<String>{"TkqSysRTTIFunctions", "TkqClassesRTTIFunctions", "TkqGraphicsRTTIFunctions",
                                          "TkqFormsRTTIFunctions", "TkqDialogsRTTIFunctions"}));
}

TEST(kq_iinterpreterTest, StatementLinesListEachLineOncePerUnit) {
    TkqScript script(nullptr);
    for (const char* pos : {"12:5", "12:9", "3:1", "120:1"})
        script.AddStatementLine("", pos);
    script.AddStatementLine("Lib", "7:2");
    script.AddStatementLine("lib", "2:2");
    EXPECT_EQ(script.StatementLines->GetText(), "=12,3,120,\r\nLib=7,2,\r\n");
}

TEST(kq_iinterpreterTest, LinesAreCopiedAndPublished) {
    TkqScript script(nullptr);
    TStringList source;
    source.SetText("begin\nend.");
    SetObjectProp(&script, "Lines", &source);
    source.Clear();
    EXPECT_EQ(script.GetLines()->GetText(), "begin\r\nend.\r\n");
    SetStrProp(&script, "SyntaxType", "JScript");
    EXPECT_EQ(script.GetSyntaxType(), "JScript");
}

// ---- Running -----------------------------------------------------------------------------------

TEST(kq_iinterpreterTest, CallFunctionAssignsParametersAndWritesBack) {
    TkqScript parent(nullptr);
    TkqScript script(nullptr);
    script.ParentScript = &parent;
    TkqProcVariable* twice = DeclareProc(&script, "Twice", true, {"A", "B"}, true);
    AddAction(twice->LocalScript, "2:3", [twice] {
        twice->LinkedSymbol->SetValue(twice->Param(0)->GetValue() * Variant(2));
        twice->Param(1)->SetValue("changed");
    });
    DeclareProc(&parent, "OnlyInParent", true, {});
    script.AddVariable("Plain", "Integer", 1);

    EXPECT_EQ(script.CallFunction("Twice", VarArrayOf({21, "x"})).AsInteger(), 42);
    Variant args = VarArrayOf({5, "x"});
    EXPECT_EQ(script.CallFunctionVar("twice", args).AsInteger(), 10);
    EXPECT_EQ(VarToStr(VarArrayGet(args, {1})), "changed");
    EXPECT_TRUE(VarIsNull(script.CallFunction("OnlyInParent", Null())));
    EXPECT_TRUE(VarIsNull(script.CallFunction("Plain", Null())));
    EXPECT_TRUE(VarIsNull(script.CallFunction("Missing", Null())));
    EXPECT_THROW(script.CallFunction("Twice", VarArrayOf({1, 2, 3})), EListError);
}

TEST(kq_iinterpreterTest, FunctionResultKeepsItsValueBetweenCalls) {
    TkqScript script(nullptr);
    TkqProcVariable* fn = DeclareProc(&script, "F", true, {"Assign"});
    AddAction(fn->LocalScript, "1:1", [fn] {
        if (fn->Param(0)->GetValue().AsBoolean()) fn->LinkedSymbol->SetValue("kept");
    });
    EXPECT_EQ(VarToStr(script.CallFunction("F", VarArrayOf({true}))), "kept");
    EXPECT_EQ(VarToStr(script.CallFunction("F", VarArrayOf({false}))), "kept");
    TkqProcVariable* proc = DeclareProc(&script, "P", false, {});
    EXPECT_TRUE(VarIsNull(proc->GetValue()));
}

TEST(kq_iinterpreterTest, RunningProcedureIsRecordedOnTheAnchorAndFlagsAreResetAfterErrors) {
    TkqScript script(nullptr);
    TkqProcVariable* proc = DeclareProc(&script, "P", false, {});
    TkqScript* seenScope = nullptr;
    bool seenRunning = false;
    AddAction(proc->LocalScript, "4:1", [&] {
        seenScope = script.RunningScope;
        seenRunning = proc->IsRunning && proc->LocalScript->Running;
        throw Exception("host failed");
    });
    AddAction(&script, "1:1", [&] { proc->GetValue(); });

    EXPECT_THROW(script.Execute(), Exception);
    EXPECT_EQ(seenScope, proc->LocalScript);
    EXPECT_TRUE(seenRunning);
    EXPECT_TRUE(script.ScopeAnchor);
    EXPECT_EQ(script.RunningScope, nullptr);
    EXPECT_FALSE(script.Running);
    EXPECT_FALSE(proc->IsRunning);
    EXPECT_FALSE(proc->LocalScript->Running);
}

TEST(kq_iinterpreterTest, TerminateInsideProcedureStopsProcedureThenMainProgram) {
    TkqScript script(nullptr);
    TkqProcVariable* proc = DeclareProc(&script, "P", false, {});
    std::vector<String> ran;
    AddAction(proc->LocalScript, "10:1", [&] {
        ran.push_back("proc 1");
        script.Terminate();
    });
    AddAction(proc->LocalScript, "11:1", [&] { ran.push_back("proc 2"); });
    AddAction(&script, "1:1", [&] { proc->GetValue(); });
    AddAction(&script, "2:1", [&] { ran.push_back("main 2"); });

    script.Execute();
    EXPECT_EQ(ran, (std::vector<String>{"proc 1"}));
    EXPECT_FALSE(script.TerminatePending);
    // A later run starts afresh.
    ran.clear();
    TObject* first = script.RootStatement->Items(0);
    script.RootStatement->Remove(first);
    delete first;
    script.Execute();
    EXPECT_EQ(ran, (std::vector<String>{"main 2"}));
}

TEST(kq_iinterpreterTest, RunLineReachesTheMainScriptsHandlerFromProcedures) {
    struct Recorder {
        std::vector<std::pair<TObject*, String>> Calls;
        void RunLine(TObject* sender, const String& unitName, const String& pos) {
            Calls.emplace_back(sender, unitName + "|" + pos);
        }
    } recorder;
    TkqScript script(nullptr);
    script.OnRunLine = MakeEvent(&recorder, &Recorder::RunLine);
    TkqProcVariable* proc = DeclareProc(&script, "P", false, {});
    AddAction(proc->LocalScript, "7:3", [] {});
    AddAction(&script, "1:1", [&] { proc->GetValue(); });
    script.Execute();
    ASSERT_EQ(recorder.Calls.size(), 2u);
    EXPECT_EQ(recorder.Calls[0], std::make_pair(static_cast<TObject*>(&script), String("|1:1")));
    EXPECT_EQ(recorder.Calls[1], std::make_pair(static_cast<TObject*>(proc->LocalScript), String("|7:3")));
}

// ---- Host classes ------------------------------------------------------------------------------

TEST(kq_iinterpreterTest, PublishedPropertiesBecomeSortedMembersOfTheirKinds) {
    TkqScript script(nullptr);
    TkqClassVariable* cls = script.AddClass(TScriptHost::StaticClass(), "TComponent");
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(cls->Name, "TScriptHost");
    EXPECT_EQ(cls->ValueKind, vkClass);
    ASSERT_EQ(cls->Count(), 1); // the cast argument
    EXPECT_TRUE(dynamic_cast<TkqParamItem*>(cls->Param(0))->IsOptional);

    struct Case {
        const char* name;
        TkqValueKind kind;
        const char* typeName;
    };
    const std::vector<Case> cases = {
        {"Buddy", vkClass, "TScriptHost"},
        {"Caption", vkString, ""},
        {"Count", vkInteger, ""},
        {"Enabled", vkBoolean, "Boolean"},
        {"Extra", vkVariant, ""},
        {"Fixed", vkInteger, ""},
        {"Letter", vkChar, ""},
        {"Name", vkString, ""},
        {"Ratio", vkFloat, ""},
        {"Tag", vkInteger, ""},
    };
    std::vector<String> names;
    for (Integer i = 0; i < cls->Members->Count(); ++i)
        names.push_back(dynamic_cast<TkqCustomVariable*>(cls->Members->Items(i))->Name);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* member = dynamic_cast<TkqPropertyHelper*>(cls->FindOwnMember(c.name));
        ASSERT_NE(member, nullptr);
        EXPECT_TRUE(member->IsPublished);
        EXPECT_EQ(member->ValueKind, c.kind);
        EXPECT_EQ(member->TypeName, c.typeName);
    }
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end(),
                               [](const String& a, const String& b) { return CompareText(a, b) < 0; }));
    EXPECT_EQ(cls->FindOwnMember("OnPing"), nullptr);
}

TEST(kq_iinterpreterTest, PublishedPropertiesReadAndWriteThroughTheInstance) {
    TkqScript script(nullptr);
    TkqClassVariable* cls = script.AddClass(TScriptHost::StaticClass(), "");
    TScriptHost host(nullptr);
    TScriptHost buddy(nullptr);
    host.Buddy = &buddy;
    auto member = [&](const char* name) {
        auto* helper = dynamic_cast<TkqCustomHelper*>(cls->FindMember(name));
        helper->ParentValue = ObjectToVariant(&host);
        return helper;
    };

    struct Case {
        const char* name;
        Variant written;
        Variant read;
    };
    const std::vector<Case> cases = {
        {"Caption", "Hello", "Hello"}, {"enabled", true, true}, {"Enabled", false, false},
        {"Letter", "xyz", "x"},        {"Ratio", 2.5, 2.5},     {"Count", "12", 12},
        {"Extra", "any", "any"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        member(c.name)->SetValue(c.written);
        const Variant read = member(c.name)->GetValue();
        EXPECT_EQ(VarType(read), VarType(c.read));
        EXPECT_TRUE(read == c.read);
    }
    // A Boolean property stores 1 for True and 0 for anything else.
    member("Enabled")->SetValue(true);
    EXPECT_TRUE(host.Enabled);
    member("Enabled")->SetValue(5);
    EXPECT_FALSE(host.Enabled);
    // Class properties read as the object's reference; a read-only one ignores writes.
    EXPECT_EQ(VariantToObject(member("Buddy")->GetValue()), &buddy);
    member("Fixed")->SetValue(99);
    EXPECT_EQ(host.ReadOnlyValue, 7);
    // No character to store: nothing changes.
    member("Letter")->SetValue("");
    EXPECT_EQ(host.Letter, 'x');
    // A property the instance's class lacks reads Null and is not written.
    TComponent plain(nullptr);
    auto* caption = member("Caption");
    caption->ParentValue = ObjectToVariant(&plain);
    EXPECT_TRUE(VarIsNull(caption->GetValue()));
    caption->SetValue("ignored");
}

TEST(kq_iinterpreterTest, PublishedPropertyHidesLaterMemberAndLookupWalksAncestors) {
    TkqScript script(nullptr);
    TkqClassVariable* component = script.AddClass(TComponent::StaticClass(), "TPersistent");
    TkqMethodHelper* free = component->AddMethod("procedure Free", nullptr);
    TkqClassVariable* host = script.AddClass(TScriptHost::StaticClass(), "TComponent");
    TkqMethodHelper* captionMethod = host->AddMethod("function Caption: String", nullptr);
    TkqClassVariable* button = script.AddClass(TScriptButton::StaticClass(), "TScriptHost");

    EXPECT_NE(button->FindMember("caption"), captionMethod);
    EXPECT_NE(dynamic_cast<TkqPropertyHelper*>(button->FindMember("CAPTION")), nullptr);
    EXPECT_EQ(button->FindMember("FREE"), free);
    EXPECT_EQ(button->FindOwnMember("Free"), nullptr);
    EXPECT_EQ(button->FindMember("Nothing"), nullptr);
}

TEST(kq_iinterpreterTest, AncestorChainThatLoopsEndsTheSearch) {
    TkqScript script(nullptr);
    TkqClassVariable* a = script.AddClass(TScriptHost::StaticClass(), "TScriptButton");
    script.AddClass(TScriptButton::StaticClass(), "TScriptHost");
    EXPECT_EQ(a->FindMember("Missing"), nullptr);
}

TEST(kq_iinterpreterTest, ClassSymbolCastsOrYieldsAnUnconstructedPlaceholder) {
    TkqScript script(nullptr);
    TkqClassVariable* cls = script.AddClass(TScriptHost::StaticClass(), "");
    cls->Param(0)->SetValue(0);
    EXPECT_TRUE(cls->GetValue() == Variant(0));
    EXPECT_TRUE(VarIsNull(cls->Param(0)->GetValue()));

    auto* placeholder = dynamic_cast<TkqUnconstructed*>(VariantToObject(cls->GetValue()));
    ASSERT_NE(placeholder, nullptr);
    EXPECT_EQ(placeholder->InstanceClass, TScriptHost::StaticClass());
}

TEST(kq_iinterpreterTest, RegisteredMembersBuildTheirSignatures) {
    TkqScript script(nullptr);
    script.AddType("Integer", vkInteger);
    script.AddType("String", vkString);
    TkqClassVariable* cls = script.AddClass(TScriptHost::StaticClass(), "");
    TkqMethodHelper* ctor = cls->AddConstructor("constructor Create(AOwner: TComponent)", nullptr);
    EXPECT_EQ(ctor->Name, "Create");
    EXPECT_EQ(ctor->TypeName, "Constructor");
    ASSERT_EQ(ctor->Count(), 1);
    EXPECT_EQ(ctor->Param(0)->Name, "AOwner");

    TkqMethodHelper* items = cls->AddDefaultProperty("Items", "Integer,String", "Integer", nullptr, true);
    EXPECT_EQ(items->Signature, "function Items(p0: Integer; p1: String): Integer");
    EXPECT_EQ(items->ValueKind, vkInteger);
    EXPECT_TRUE(items->IsIndexProperty);
    EXPECT_TRUE(items->IsReadOnly);
    EXPECT_EQ(cls->DefaultProperty, items);
    // A class registered later inherits the default property of its registered ancestor.
    EXPECT_EQ(script.AddClass(TScriptButton::StaticClass(), "TScriptHost")->DefaultProperty, items);

    TkqPropertyHelper* prop = cls->AddProperty("Size", "Integer", nullptr);
    EXPECT_TRUE(prop->IsReadOnly);
    EXPECT_EQ(prop->ValueKind, vkInteger);
}

TEST(kq_iinterpreterTest, HostCallBacksReceiveUpperNamesArgumentsAndSetterValue) {
    struct Host {
        std::vector<String> Log;
        Variant Module(TObject* instance, TClass classRef, const String& name, TkqMethodHelper* caller) {
            Log.push_back(name + ":" + VarToStr(caller->GetParam(0)) + ":" + VarToStr(caller->GetParam(1)));
            caller->SetParam(0, "out");
            return "module";
        }
        Variant Array(TObject*, TClass, const String& name, Variant& args) {
            Log.push_back(name + ":" + IntToStr(VarArrayHighBound(args, 1)) + ":" +
                          VarToStr(VarArrayGet(args, {0})));
            VarArrayPut(args, "written", {0});
            if (VarArrayHighBound(args, 1) == 1) VarArrayPut(args, "not var", {1});
            return "array";
        }
        Variant Shrink(TObject*, TClass, const String&, Variant& args) {
            args = VarArrayOf({"only"});
            return Null();
        }
    } host;
    TkqScript script(nullptr);
    TkqMethodHelper* module = script.AddMethod("function Pick(var A: Variant; B: Variant): Variant",
                                               MakeEvent(&host, &Host::Module), "ctOther");
    EXPECT_EQ(module->Description, "Pick");
    EXPECT_EQ(module->Category, "ctOther");
    module->Param(0)->SetValue("in");
    module->Param(1)->SetValue(2);
    EXPECT_EQ(VarToStr(module->GetValue()), "module");
    EXPECT_EQ(VarToStr(module->Param(0)->GetValue()), "out");

    TkqMethodHelper* array = script.AddMethodArrayArgs("function Swap(var A: Variant; B: Variant): Variant",
                                                       MakeEvent(&host, &Host::Array));
    array->Param(0)->SetValue("in");
    array->Param(1)->SetValue(2);
    EXPECT_EQ(VarToStr(array->GetValue()), "array");
    EXPECT_EQ(VarToStr(array->Param(0)->GetValue()), "written");
    EXPECT_EQ(VarToStr(array->Param(1)->GetValue()), "2") << "only var parameters are written back";

    // An indexed property: ".GET" and ".SET", the assigned value after the index arguments.
    array->IsIndexProperty = true;
    array->SetValue("v");
    module->IsIndexProperty = true;
    module->SetValue("assigned");
    EXPECT_TRUE(VarIsNull(module->SetterValue));
    EXPECT_EQ(host.Log,
              (std::vector<String>{"PICK:in:2", "SWAP:1:in", "SWAP.SET:2:written", "PICK.SET:out:2"}));

    // A call-back that replaces the argument array leaves the parameters it no longer covers.
    TkqMethodHelper* shrink =
        script.AddMethodArrayArgs("procedure Shrink(var A, B: Variant)", MakeEvent(&host, &Host::Shrink));
    shrink->Param(1)->SetValue("kept");
    shrink->GetValue();
    EXPECT_EQ(VarToStr(shrink->Param(0)->GetValue()), "only");
    EXPECT_EQ(VarToStr(shrink->Param(1)->GetValue()), "kept");

    // Without a call-back a method answers 0; index beyond the parameters is an error.
    TkqMethodHelper* bare = script.AddMethod("procedure Bare", nullptr);
    EXPECT_TRUE(bare->GetValue() == Variant(0));
    EXPECT_THROW(bare->GetParam(1), EListError);
}

TEST(kq_iinterpreterTest, EventPropertiesBindAndUnbindScriptProcedures) {
    TkqScript script(nullptr);
    TkqClassVariable* cls = script.AddClass(TScriptHost::StaticClass(), "");
    TkqEventHelper* event = cls->AddEvent("OnPing", &TTestNotifyEvent::Make);
    TkqProcVariable* handler = DeclareProc(&script, "PingHandler", false, {"Sender"});
    TObject* seenSender = nullptr;
    AddAction(handler->LocalScript, "3:1",
              [&] { seenSender = VariantToObject(handler->Param(0)->GetValue()); });
    script.AddVariable("NotAProc", "Integer", 1);

    TScriptHost host(nullptr);
    event->ParentValue = ObjectToVariant(&host);
    event->CallScript = &script;
    const Integer before = script.Count();
    event->SetValue("PingHandler");
    EXPECT_EQ(script.Count(), before + 1);
    ASSERT_TRUE(host.OnPing.Assigned());
    host.OnPing(&host);
    EXPECT_EQ(seenSender, &host);
    EXPECT_EQ(VarToStr(event->GetValue()), "");

    for (const char* bad : {"NotAProc", "Missing"}) {
        SCOPED_TRACE(bad);
        try {
            event->SetValue(bad);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, "Event handler must be a procedure");
        }
    }
    event->SetValue(0);
    EXPECT_FALSE(host.OnPing.Assigned());
}

TEST(kq_iinterpreterTest, StringHelperStaysInsideTheString) {
    TkqVariable text("S", "String", vkString);
    text.SetValue("abc");
    TkqStringHelper helper;
    helper.ParentRef = &text;
    helper.ParentValue = text.GetValue();
    helper.Param(0)->SetValue(2);
    EXPECT_EQ(VarToStr(helper.GetValue()), "b");
    helper.SetValue("Zed");
    EXPECT_EQ(VarToStr(text.GetValue()), "aZc");

    for (Integer index : {0, 4, -1}) {
        SCOPED_TRACE(index);
        helper.Param(0)->SetValue(index);
        EXPECT_THROW(helper.GetValue(), ERangeError);
        EXPECT_THROW(helper.SetValue("x"), ERangeError);
    }
    helper.ParentValue = "";
    helper.Param(0)->SetValue(1);
    EXPECT_THROW(helper.GetValue(), ERangeError);
}

TEST(kq_iinterpreterTest, ArrayHelperIndexesByDimensionCount) {
    TkqVariable array("A", "", vkArray);
    TkqArrayHelper helper("__ArrayHelper", "", vkVariant, -1);
    EXPECT_EQ(helper.RequiredParamCount(), 1);
    helper.ParentRef = &array;

    array.Value = VarArrayCreate({0, 2}, varVariant);
    helper.Param(0)->SetValue(2);
    helper.SetValue("one-dim");
    EXPECT_EQ(VarToStr(VarArrayGet(array.Value, {2})), "one-dim");
    EXPECT_EQ(VarToStr(helper.GetValue()), "one-dim");
    helper.Param(0)->SetValue(3);
    EXPECT_THROW(helper.GetValue(), EVariantError);
    EXPECT_THROW(helper.SetValue(1), EVariantError);

    array.Value = VarArrayCreate({0, 1, 5, 6}, varVariant);
    helper.Param(0)->SetValue(1);
    helper.Param(1)->SetValue(6);
    helper.SetValue(42);
    EXPECT_EQ(VarArrayGet(array.Value, {1, 6}).AsInteger(), 42);
    EXPECT_EQ(helper.GetValue().AsInteger(), 42);

    array.Value = "not an array";
    EXPECT_TRUE(VarIsNull(helper.GetValue()));
    helper.SetValue(1);
    EXPECT_EQ(VarToStr(array.Value), "not an array");
}

TEST(kq_iinterpreterTest, ObjectReferencesRoundTripAndStaleOnesGiveNothing) {
    auto* object = new TObject();
    const Variant ref = ObjectToVariant(object);
    EXPECT_EQ(VariantToObject(ref), object);
    delete object;
    EXPECT_EQ(VariantToObject(ref), nullptr);
    for (const Variant& v : {Variant(0), Variant(-5), Null(), Variant(Int64(1) << 40)})
        EXPECT_EQ(VariantToObject(v), nullptr);
    EXPECT_TRUE(ObjectToVariant(nullptr) == Variant(0));
}

TEST(kq_iinterpreterTest, KindTextsAndStringVariables) {
    struct Case {
        TkqValueKind kind;
        const char* text;
    };
    for (const Case& c : std::vector<Case>{{vkInteger, "Integer"},
                                           {vkBoolean, "Boolean"},
                                           {vkFloat, "Extended"},
                                           {vkChar, "Char"},
                                           {vkString, "String"},
                                           {vkClass, "Class TFoo"},
                                           {vkArray, "Array"},
                                           {vkEnum, "TFoo"},
                                           {vkVariant, "Variant"},
                                           {vkConstructor, "Variant"}}) {
        EXPECT_EQ(TkqVariable("v", "TFoo", c.kind).KindText(), c.text);
    }
    TkqStringVariable text("s", "String", vkString);
    text.IsReadOnly = true;
    text.SetValue(12);
    EXPECT_EQ(VarType(text.GetValue()), varString);
    EXPECT_EQ(VarToStr(text.GetValue()), "12");
}
