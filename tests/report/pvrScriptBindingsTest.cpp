// The binding modules a report's script receives from the engine's start-up.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "platform/runtime/Threads.h"
#include "report/pvrClass.h"
#include "script/kq_iinterpreter.h"
#include "tests/support/FormFixture.h"

namespace {

using pvrScriptBindingsTest = testsupport::TFormFixture;

TEST_F(pvrScriptBindingsTest, AReportScriptKnowsTheNamesOfEveryModuleInOrder) {
    std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr));
    TkqScript* script = report->GetScript();
    for (const char* name : {"IntToStr", "TStringList", "TkqXMLDocument", "clBtnFace", "TBitmap", "TForm",
                             "mrOk", "VK_F2", "Application", "TOpenDialog", "MessageDlg", "InputQuery"}) {
        SCOPED_TRACE(name);
        EXPECT_NE(script->Find(name), nullptr);
    }

    // The modules in the order the scripts get them: each one's ancestors are registered before it,
    // and the dialogs come last.
    std::vector<String> order;
    TkqScript scratch(nullptr);
    for (TkqRTTIModuleClass make : GetRTTIModuleClasses()) {
        std::unique_ptr<TkqRTTIModule> module(make(&scratch));
        order.push_back(module->ClassName());
    }
    const std::vector<String> expected = {"TkqSysRTTIFunctions", "TkqClassesRTTIFunctions",
                                          "TkqGraphicsRTTIFunctions", "TkqFormsRTTIFunctions"};
    ASSERT_GE(order.size(), expected.size() + 1);
    EXPECT_EQ(std::vector<String>(order.begin(), order.begin() + 4), expected);
    EXPECT_EQ(order.back(), "TkqDialogsRTTIFunctions");
}

// Whether the report's script holds its binding modules, looked at without asking the report
// for its script (which adds them).
bool HasBindings(TpvrReport* report) { return report->GetExpressionCache()->OwnerScript->BindingsAdded; }

// Creating a report adds nothing to its script: the first use that needs the binding modules adds
// them, whichever use comes first, and only once.
TEST_F(pvrScriptBindingsTest, TheBindingsAreAddedAtTheScriptsFirstUse) {
    const struct {
        const char* Use;
        std::function<Variant(TpvrReport*)> Run;
        Variant Expected;
    } cases[] = {
        {"the script asked for", [](TpvrReport* r) { return r->GetScript()->Find("qo1in")->GetValue(); }, 96},
        {"an expression", [](TpvrReport* r) { return r->Calc("IntToStr(2 + 3)"); }, String("5")},
        {"a name the report answers",
         [](TpvrReport* r) {
             Variant value;
             return r->ResolveName("qo1in", value) ? value : Null();
         },
         96},
        {"the script set up for a run",
         [](TpvrReport* r) {
             r->GetScriptText()->SetText("var S: String;\nbegin S := IntToStr(Length('abc')) end.");
             if (!r->SetupScript()) return Variant(r->GetErrors()->GetText());
             r->GetScript()->Execute();
             return r->GetScript()->FindLocal("S")->GetValue();
         },
         String("3")},
        {"a preparation",
         [](TpvrReport* r) {
             r->GetScriptText()->SetText("begin Report.Terminated := IntToStr(1) <> '1' end.");
             return r->PrepareReport() ? Variant(String("prepared")) : Variant(r->GetErrors()->GetText());
         },
         String("prepared")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Use);
        std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr));
        report->GetEngineOptions()->SetNewSilentMode(simSilent);
        EXPECT_FALSE(HasBindings(report.get()));
        EXPECT_EQ(c.Run(report.get()), c.Expected);
        EXPECT_TRUE(HasBindings(report.get()));
        // A second use adds nothing more.
        const Integer count = report->GetScript()->Count();
        report->Calc("IntToStr(1)");
        EXPECT_EQ(report->GetScript()->Count(), count);
    }
}

// A binding module that only notes the thread it was created on.
std::atomic<DWORD> gBindingThread{0};
class TThreadNotingModule : public TkqRTTIModule {
public:
    explicit TThreadNotingModule(TkqScript* script) : TkqRTTIModule(script) { gBindingThread = GetCurrentThreadId(); }
};

// The report thread of a preparation for a caller thread.
class TCallerThread : public TThread {
public:
    explicit TCallerThread(TpvrReport* report) : TThread(true), Report(report) {}
    void Execute() override {
        Report->GetEngineOptions()->CallerThread = this;
        Value = Report->Calc("IntToStr(6 * 7)");
        Report->GetEngineOptions()->CallerThread = nullptr;
    }
    TpvrReport* Report;
    Variant Value;
};

// A report working for a caller thread that uses its script first has the bindings added on the
// user-interface thread, while the caller thread waits.
TEST_F(pvrScriptBindingsTest, ACallerThreadThatUsesTheScriptFirstHasTheBindingsAddedOnTheUserInterfaceThread) {
    std::vector<TkqRTTIModuleClass>& modules = GetRTTIModuleClasses();
    modules.push_back([](TkqScript* script) -> TkqRTTIModule* { return new TThreadNotingModule(script); });
    struct TRestore {
        ~TRestore() { GetRTTIModuleClasses().pop_back(); }
    } restore;
    gBindingThread = 0;

    std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr));
    TCallerThread thread(report.get());
    thread.Start();
    thread.WaitFor();
    ASSERT_FALSE(thread.GetFatalException());
    EXPECT_EQ(thread.Value, String("42"));
    EXPECT_TRUE(HasBindings(report.get()));
    EXPECT_EQ(gBindingThread.load(), MainThreadID.load());
}

} // namespace
