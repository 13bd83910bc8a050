// What the report engine relies on: expression functions compiled into a script and read later,
// macro functions receiving their argument texts, and automation and event bridges.
#include <gtest/gtest.h>

#include <vector>

#include "platform/runtime/Dispatch.h"
#include "platform/runtime/Strings.h"
#include "script/kq_iexpression.h"
#include "tests/script/ScriptHost.h"

using scripthost::ScriptHost;

namespace {

String Template(const String& language, Integer n, const String& expression) {
    const String name = "qo3f" + IntToStr(n);
    if (language == "PascalScript")
        return "function " + name + ": Variant; begin Result := " + expression + " end; begin end.";
    if (language == "C++Script") return "Variant " + name + "() { return " + expression + "; } {}";
    if (language == "BasicScript")
        return "function " + name + "\r\nreturn " + expression + "\r\nend function";
    return "function " + name + "() { return " + expression + "; }";
}

TEST(kq_iilparser_ServicesTest, ExpressionTemplatesCompileAndKeepEarlierFunctions) {
    for (const char* language : {"PascalScript", "C++Script", "BasicScript", "JScript"}) {
        SCOPED_TRACE(language);
        ScriptHost host;
        ASSERT_TRUE(host.Compile(Template(language, 0, "1 + 2"), language)) << host.Error();
        TkqCustomVariable* first = host.Script->FindLocal("qo3f0");
        ASSERT_NE(first, nullptr);
        // A second compilation of the same script with new lines keeps the first function.
        ASSERT_TRUE(host.Compile(Template(language, 1, "2 * 3"), language, true)) << host.Error();
        EXPECT_EQ(first->GetValue(), Variant(3));
        EXPECT_EQ(host.Script->FindLocal("qo3f1")->GetValue(), Variant(6));
    }
}

// A small expression evaluator as the report has one: each text compiled as a function of a
// child script of the main one.
class Calculator {
public:
    explicit Calculator(TkqScript* main) : Main(main) {
        Cache.ParentScript = main;
        main->AddMethodArrayArgs("macrofunction IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant",
                                 TkqArrayCallback(this, &Calculator::Iif));
    }
    Variant Calc(const String& text) {
        Cache.GetLines()->SetText(Template("PascalScript", Count, text));
        if (!Cache.Compile()) return Null();
        return Cache.FindLocal("qo3f" + IntToStr(Count++))->GetValue();
    }
    Variant Iif(TObject*, TClass, const String&, Variant& args) {
        ++Calls;
        const Variant condition = Calc(VarToStr(VarArrayGet(args, {0})));
        return Calc(VarToStr(VarArrayGet(args, {condition.AsBoolean() ? 1 : 2})));
    }
    TkqScript* Main;
    TkqScript Cache{nullptr};
    Integer Count = 0;
    Integer Calls = 0;
};

TEST(kq_iilparser_ServicesTest, MacroFunctionsEvaluateOnlyTheChosenBranchAndSurviveClearItems) {
    ScriptHost host;
    TObject owner;
    Calculator calc(host.Script.get());
    host.Script->CurrentRegistrant = &owner;
    host.Script->AddVariable("Value", "Variant", 5);
    host.Script->CurrentRegistrant = nullptr;
    EXPECT_EQ(host.Run("begin Print(IIF(False, 1 / 0, 2)) end."), "2\n");
    EXPECT_EQ(host.Run("begin Print(IIF(True, IIF(Value > 4, 'big', 1 / 0), 1 / 0)) end."), "big\n");
    EXPECT_EQ(calc.Calls, 3);

    host.Script->ClearItems(&owner);
    EXPECT_EQ(host.Script->Find("Value"), nullptr);
    EXPECT_EQ(host.Script->RootStatement->Count(), 0);
    EXPECT_EQ(host.Run("begin Print(IIF(Length('abc') = 3, Copy('xyz', 2, 1), 0)) end."), "y\n");
}

// ---- Automation --------------------------------------------------------------------------------

struct DispatchCall {
    String Name;
    WORD Flags;
    std::vector<Variant> Args; // as passed: the last argument first
    std::vector<DISPID> Named;
    bool WantsResult;
};

class TRecordingDispatch : public IDispatch {
public:
    ULONG AddRef() override { return ++Refs; }
    ULONG Release() override {
        const ULONG left = --Refs;
        if (left == 0) delete this;
        return left;
    }
    HRESULT GetIDsOfNames(const String* names, UINT, LCID, DISPID* ids) override {
        Names.push_back(names[0]);
        ids[0] = DISPID(Names.size());
        return S_OK;
    }
    HRESULT Invoke(DISPID member, LCID, WORD flags, TDispParams& params, Variant* result, TExcepInfo* info,
                   UINT*) override {
        DispatchCall call{Names[std::size_t(member) - 1], flags, {}, {}, result != nullptr};
        for (UINT i = 0; i < params.ArgCount; ++i)
            call.Args.push_back(params.Args[i]);
        for (UINT i = 0; i < params.NamedArgCount; ++i)
            call.Named.push_back(params.NamedArgs[i]);
        Calls->push_back(call);
        if (call.Name == "Foo") {
            info->Source = "Recorder";
            info->Description = "It failed";
            return DISP_E_EXCEPTION;
        }
        if (result != nullptr) *result = 42;
        return S_OK;
    }
    std::vector<DispatchCall>* Calls = nullptr;
    std::vector<String> Names;
    ULONG Refs = 0;
};

TEST(kq_iilparser_ServicesTest, AutomationCallsPassArgumentsLastFirstAndAskResultsOnlyWhenUsed) {
    ScriptHost host;
    std::vector<DispatchCall> calls;
    auto* object = new TRecordingDispatch();
    object->Calls = &calls;
    host.Script->AddVariable("Auto", "Variant", Variant(static_cast<IDispatch*>(object)));
    EXPECT_EQ(host.Run("var v: Variant;\r\nbegin Auto.Run(1, 'a'); v := Auto.Run(2); Print(v);\r\n"
                       "Auto.Items[3, 2] := 1 end."),
              "42\n");
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].Name, "Run");
    EXPECT_EQ(calls[0].Flags, DISPATCH_METHOD);
    EXPECT_FALSE(calls[0].WantsResult);
    EXPECT_EQ(calls[0].Args, (std::vector<Variant>{"a", 1}));
    EXPECT_EQ(calls[1].Flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    EXPECT_TRUE(calls[1].WantsResult);
    EXPECT_EQ(calls[2].Name, "Items");
    EXPECT_EQ(calls[2].Flags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(calls[2].Args, (std::vector<Variant>{1, 2, 3}));
    EXPECT_EQ(calls[2].Named, (std::vector<DISPID>{DISPID_PROPERTYPUT}));
    EXPECT_FALSE(calls[2].WantsResult);

    ASSERT_TRUE(host.Compile("begin Auto.Foo end."));
    try {
        host.Script->Execute();
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message,
                  "OLE error:80020009: Foo\r\nSource        ::  Recorder\r\nDescription ::  It failed");
    }

    String many = "begin Auto.Run(";
    for (int i = 0; i < 65; ++i)
        many += (i > 0 ? ", " : "") + IntToStr(i);
    EXPECT_FALSE(host.Compile(many + ") end."));
    EXPECT_EQ(host.Script->LastErrorText, "Too many actual parameters");
}

TEST(kq_iilparser_ServicesTest, VariantMembersNeedAnObject) {
    ScriptHost host;
    host.Script->AddVariable("Ratio", "Variant", 2.5);
    host.Script->AddVariable("Flag", "Variant", true);
    for (const char* text : {"begin Ratio.Foo end.", "begin Flag.Foo := 1 end."}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(host.Compile(text));
        EXPECT_EQ(host.Script->LastErrorText, "Class type required");
    }
    // Still Null when it first runs: the access stays pending and the variable untouched.
    ASSERT_TRUE(host.Compile("var v: Variant;\r\nbegin v.Caption := 'x' end.")) << host.Error();
    for (int run = 0; run < 2; ++run) {
        try {
            host.Script->Execute();
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, "Class type required");
        }
    }
    EXPECT_TRUE(VarIsNull(host.Script->FindLocal("v")->Value));
}

// ---- Event adapters ----------------------------------------------------------------------------

TEST(kq_iilparser_ServicesTest, EventAdaptersWriteVarArgumentsBackAndSkipReentry) {
    ScriptHost host;
    ASSERT_TRUE(host.Compile(
        "var Count: Integer;\r\n"
        "procedure KeyDown(Sender: Variant; var Key: Integer; Shift: Integer);\r\n"
        "begin if Key = 65 then Key := 0 end;\r\n"
        "procedure KeyPress(Sender: Variant; var Key: String);\r\nbegin Key := '' end;\r\n"
        "procedure CloseQuery(Sender: Variant; var CanClose: Boolean);\r\nbegin CanClose := False end;\r\n"
        "procedure Notify(Sender: Variant; Extra: Variant);\r\n"
        "begin Count := Count + 1; if Extra <> Null then Count := 100; Host.Ping end;\r\n"
        "begin end."))
        << host.Error();
    auto proc = [&](const char* name) {
        return dynamic_cast<TkqProcVariable*>(host.Script->FindLocal(name));
    };

    TkqKeyEvent key(nullptr, proc("KeyDown"));
    Word code = 65;
    TKeyEvent(key.GetMethod())(nullptr, code, TShiftState());
    EXPECT_EQ(code, 0);
    code = 66;
    TKeyEvent(key.GetMethod())(nullptr, code, TShiftState());
    EXPECT_EQ(code, 66);

    TkqKeyPressEvent press(nullptr, proc("KeyPress"));
    char32_t letter = U'q';
    TKeyPressEvent(press.GetMethod())(nullptr, letter);
    EXPECT_EQ(letter, char32_t(0));

    TkqCloseQueryEvent query(nullptr, proc("CloseQuery"));
    bool canClose = true;
    TCloseQueryEvent(query.GetMethod())(nullptr, canClose);
    EXPECT_FALSE(canClose);

    // The handler fires the same event again through the host: the inner call is skipped; a
    // parameter the event does not supply is Null.
    auto* notify = new TkqNotifyEvent(host.Host.get(), proc("Notify"));
    host.Script->Add("", notify);
    host.Host->OnPing = TNotifyEvent(notify->GetMethod());
    host.Host->OnPing(host.Host.get());
    EXPECT_EQ(host.Script->FindLocal("Count")->GetValue(), Variant(1));

    // Handlers freed by ClearItems are not called; a freed adapter unbinds the host event.
    host.Script->ClearItems(&host.ProgramOwner);
    host.Host->OnPing(host.Host.get());
    notify->EventName = "OnPing";
    host.Script->Clear();
    EXPECT_FALSE(host.Host->OnPing.Assigned());
}

TEST(kq_iilparser_ServicesTest, ScriptAssignedEventIsUnboundWhenTheScriptIsCleared) {
    ScriptHost host;
    EXPECT_EQ(host.Run("procedure P(Sender: TObject);\r\nbegin Print('ping') end;\r\n"
                       "begin Host.OnPing := @P; Host.Ping end."),
              "ping\n");
    EXPECT_TRUE(host.Host->OnPing.Assigned());
    host.Script->Clear();
    EXPECT_FALSE(host.Host->OnPing.Assigned());
}

} // namespace
