#include "script/kq_iinterpreter.h"

#include <memory>

#include <gtest/gtest.h>

#include "platform/runtime/Exceptions.h"
#include "tests/script/ScriptBuild.h"
#include "tests/support/TestSupport.h"

using namespace scriptbuild;

namespace {

// A script whose statements write what they do into Log.
struct StmtFixture : ::testing::Test {
    testsupport::ScopedFormatSettings Settings{testsupport::DotSettings()};
    TkqScript Script{nullptr};
    std::vector<String> Log;
    TkqVariable* I = nullptr;

    StmtFixture() {
        Script.AddType("Integer", vkInteger);
        Script.AddType("Variant", vkVariant);
        I = Var(&Script, "i", vkInteger, 0);
        Var(&Script, "v", vkVariant, Null());
    }

    TkqStatement* Root() { return Script.RootStatement.get(); }

    // A statement that logs a text (and the loop variable, when asked).
    void Note(TkqStatement* list, const String& text, bool withI = false) {
        Act(list, [this, text, withI] { Log.push_back(withI ? text + VarToStr(I->Value) : text); });
    }
    void Raise(TkqStatement* list) {
        Act(list, [] { throw EConvertError("boom"); });
    }

    TkqForStmt* For(TkqStatement* list, const char* from, const char* to, bool downward) {
        auto* loop = AddStmt<TkqForStmt>(list);
        loop->StartValue.reset(Expr(&Script, from));
        loop->EndValue.reset(Expr(&Script, to));
        loop->Downward = downward;
        loop->LoopVariable = I;
        return loop;
    }

    void Run(const std::vector<String>& expected) {
        Script.Execute();
        EXPECT_EQ(Log, expected);
    }
};

} // namespace

TEST_F(StmtFixture, CountingLoopsFixTheirTurnsAndEndOnTheLastValue) {
    struct Case {
        const char* from;
        const char* to;
        bool downward;
        std::vector<String> turns;
        Variant after;
    };
    for (const Case& c : std::vector<Case>{
             {"1", "3", false, {"1", "2", "3"}, 3},
             {"3", "1", false, {}, 99},
             {"3", "1", true, {"3", "2", "1"}, 1},
             {"1", "3", true, {}, 99},
             {"2", "2", false, {"2"}, 2},
         }) {
        SCOPED_TRACE(String(c.from) + (c.downward ? " downto " : " to ") + c.to);
        Root()->Clear();
        Log.clear();
        I->Value = 99;
        TkqForStmt* loop = For(Root(), c.from, c.to, c.downward);
        Note(loop, "", true);
        Run(c.turns);
        EXPECT_TRUE(I->Value == c.after);
    }

    // The body's assignments to the loop variable change neither the turns nor the next value.
    Root()->Clear();
    Log.clear();
    TkqForStmt* loop = For(Root(), "1", "3", false);
    Note(loop, "", true);
    Assign(loop, "i", "i + 10");
    Run({"1", "2", "3"});
    EXPECT_TRUE(I->Value == Variant(13));
}

TEST_F(StmtFixture, StepLoopsCountWithVariants) {
    struct Case {
        const char* from;
        const char* to;
        const char* step; // nullptr: no step
        std::vector<String> turns;
    };
    for (const Case& c : std::vector<Case>{
             {"1", "2", "0.5", {"1", "1.5", "2"}},
             {"3", "1", "unminus 1", {"3", "2", "1"}},
             {"1", "3", nullptr, {"1", "2", "3"}},
             {"3", "1", nullptr, {}},
         }) {
        SCOPED_TRACE(String(c.from) + " to " + c.to);
        Root()->Clear();
        Log.clear();
        auto* loop = AddStmt<TkqVbForStmt>(Root());
        loop->StartValue.reset(Expr(&Script, c.from));
        loop->EndValue.reset(Expr(&Script, c.to));
        if (c.step != nullptr) loop->StepValue.reset(Expr(&Script, c.step));
        loop->LoopVariable = I;
        Note(loop, "", true);
        Run(c.turns);
    }
}

TEST_F(StmtFixture, ContinueInAThreePartForStillRunsTheStepPart) {
    // for (i = 0; i < 3; i += 1) { log i; continue; log "never" }
    auto* loop = AddStmt<TkqCppForStmt>(Root());
    Assign(loop->InitPart.get(), "i", "0");
    loop->Condition.reset(Expr(&Script, "i < 3"));
    Assign(loop->StepPart.get(), "i", "i + 1");
    Note(loop, "", true);
    AddStmt<TkqContinueStmt>(loop);
    Note(loop, "never");
    Run({"0", "1", "2"});
    EXPECT_FALSE(Script.ContinuePending);
}

TEST_F(StmtFixture, LoopsEndOnBreakAndSkipOnContinue) {
    // while i < 5: i := i + 1; if i = 2 continue; if i = 4 break; log i
    // repeat: i := i + 1; log i; until i >= 2   (and the same as do-while with the inverted test)
    auto ifThen = [&](TkqStatement* list, const char* condition) {
        auto* branch = AddStmt<TkqIfStmt>(list);
        branch->Condition.reset(Expr(&Script, condition));
        return branch;
    };
    auto* loop = AddStmt<TkqWhileStmt>(Root());
    loop->Condition.reset(Expr(&Script, "i < 5"));
    Assign(loop, "i", "i + 1");
    AddStmt<TkqContinueStmt>(ifThen(loop, "i = 2"));
    AddStmt<TkqBreakStmt>(ifThen(loop, "i = 4"));
    Note(loop, "w", true);
    Assign(Root(), "i", "0");
    auto* repeat = AddStmt<TkqRepeatStmt>(Root());
    repeat->Condition.reset(Expr(&Script, "i >= 2"));
    Assign(repeat, "i", "i + 1");
    Note(repeat, "r", true);
    auto* doWhile = AddStmt<TkqRepeatStmt>(Root());
    doWhile->Condition.reset(Expr(&Script, "i < 4"));
    doWhile->InvertCondition = true;
    Assign(doWhile, "i", "i + 1");
    Note(doWhile, "d", true);
    Note(Root(), "end");
    Run({"w1", "w3", "r1", "r2", "d3", "d4", "end"});
    EXPECT_FALSE(Script.BreakPending);
}

TEST_F(StmtFixture, CaseRunsTheFirstMatchingBranchAndReadsItsSelectorFirst) {
    struct Host {
        std::vector<String>* Log;
        Variant Selector(TObject*, TClass, const String&, Variant&) {
            Log->push_back("selector");
            return 4;
        }
        void RunLine(TObject*, const String&, const String& pos) { Log->push_back("line " + pos); }
    } host{&Log};
    TkqMethodHelper* selector =
        Script.AddMethodArrayArgs("function Sel: Integer", MakeEvent(&host, &Host::Selector));
    Script.OnRunLine = MakeEvent(&host, &Host::RunLine);

    auto* choice = AddStmt<TkqCaseStmt>(Root(), "7:1");
    choice->Selector.reset(Expr(&Script, "?", {Path(&Script, {{selector, {}}})}));
    auto branch = [&](std::initializer_list<const char*> values, const String& text) {
        auto* selectorStmt = new TkqCaseSelector(&Script, "", "");
        selectorStmt->Values = std::make_unique<TkqSetExpression>();
        for (const char* value : values)
            selectorStmt->Values->Add(value != nullptr ? Expr(&Script, value) : nullptr);
        Note(selectorStmt, text);
        choice->Add(selectorStmt);
    };
    branch({"1", "2"}, "first");
    branch({"3", nullptr, "5"}, "second");
    branch({"4"}, "third");
    Note(choice->ElseBranch.get(), "else");
    Script.Execute();
    EXPECT_EQ(Log, (std::vector<String>{"selector", "line 7:1", "line ", "second"}));

    // Without the second branch the third one runs; without any that holds 4, the else part.
    Log.clear();
    DeleteAt(choice, 1);
    Script.Execute();
    EXPECT_EQ(Log, (std::vector<String>{"selector", "line 7:1", "line ", "third"}));
    Log.clear();
    DeleteAt(choice, 1);
    Script.Execute();
    EXPECT_EQ(Log, (std::vector<String>{"selector", "line 7:1", "line ", "else"}));
}

TEST_F(StmtFixture, TryStatementsAndTheFlags) {
    struct Case {
        const char* name;
        std::function<void(StmtFixture&)> build;
        std::vector<String> log;
    };
    const std::vector<Case> cases = {
        {"except continues after the try",
         [](StmtFixture& f) {
             auto* guarded = AddStmt<TkqTryStmt>(f.Root());
             guarded->IsExcept = true;
             f.Note(guarded, "body");
             f.Raise(guarded);
             f.Note(guarded, "skipped");
             f.Note(guarded->HandlerPart.get(), "handler");
             f.Note(f.Root(), "after");
         },
         {"body", "handler", "after"}},
        {"except without error skips the handler",
         [](StmtFixture& f) {
             auto* guarded = AddStmt<TkqTryStmt>(f.Root());
             guarded->IsExcept = true;
             f.Note(guarded, "body");
             f.Note(guarded->HandlerPart.get(), "handler");
             f.Note(f.Root(), "after");
         },
         {"body", "after"}},
        {"exit in try/finally runs the finally part whole, then leaves",
         [](StmtFixture& f) {
             auto* guarded = AddStmt<TkqTryStmt>(f.Root());
             AddStmt<TkqExitStmt>(guarded);
             f.Note(guarded, "skipped");
             f.Note(guarded->HandlerPart.get(), "finally 1");
             f.Note(guarded->HandlerPart.get(), "finally 2");
             f.Note(f.Root(), "after");
         },
         {"finally 1", "finally 2"}},
        {"break in try/finally in a loop runs the finally part whole, then ends the loop",
         [](StmtFixture& f) {
             TkqForStmt* loop = f.For(f.Root(), "1", "3", false);
             auto* guarded = AddStmt<TkqTryStmt>(loop);
             f.Note(guarded, "turn", true);
             AddStmt<TkqBreakStmt>(guarded);
             f.Note(guarded->HandlerPart.get(), "finally 1");
             f.Note(guarded->HandlerPart.get(), "finally 2");
             f.Note(f.Root(), "after");
         },
         {"turn1", "finally 1", "finally 2", "after"}},
        {"continue in try/finally in a loop runs the finally part whole, then the next turn",
         [](StmtFixture& f) {
             TkqForStmt* loop = f.For(f.Root(), "1", "2", false);
             auto* guarded = AddStmt<TkqTryStmt>(loop);
             AddStmt<TkqContinueStmt>(guarded);
             f.Note(guarded->HandlerPart.get(), "finally", true);
             f.Note(guarded->HandlerPart.get(), "finally end");
             f.Note(loop, "skipped");
         },
         {"finally1", "finally end", "finally2", "finally end"}},
        {"exit inside the finally part is kept",
         [](StmtFixture& f) {
             auto* guarded = AddStmt<TkqTryStmt>(f.Root());
             f.Note(guarded, "body");
             AddStmt<TkqExitStmt>(guarded->HandlerPart.get());
             f.Note(f.Root(), "after");
         },
         {"body"}},
        {"finally runs when an error passes, and except outside catches it",
         [](StmtFixture& f) {
             auto* outer = AddStmt<TkqTryStmt>(f.Root());
             outer->IsExcept = true;
             auto* inner = AddStmt<TkqTryStmt>(outer);
             f.Raise(inner);
             f.Note(inner->HandlerPart.get(), "finally");
             f.Note(outer->HandlerPart.get(), "caught");
             f.Note(f.Root(), "after");
         },
         {"finally", "caught", "after"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Root()->Clear();
        Log.clear();
        c.build(*this);
        Run(c.log);
        EXPECT_FALSE(Script.BreakPending);
        EXPECT_FALSE(Script.ContinuePending);
        EXPECT_FALSE(Script.ExitPending);
    }

    // An error that nothing catches passes through finally and leaves Execute.
    Root()->Clear();
    Log.clear();
    auto* guarded = AddStmt<TkqTryStmt>(Root());
    Raise(guarded);
    Note(guarded->HandlerPart.get(), "finally");
    EXPECT_THROW(Script.Execute(), EConvertError);
    EXPECT_EQ(Log, (std::vector<String>{"finally"}));
    EXPECT_FALSE(Script.Running);
}

TEST_F(StmtFixture, AStrayBreakDoesNotStopTheNextRun) {
    Note(Root(), "first");
    AddStmt<TkqBreakStmt>(Root());
    Note(Root(), "second");
    Run({"first"});
    Log.clear();
    DeleteAt(Root(), 1);
    Run({"first", "second"});

    // The same inside a procedure: each call starts with clear flags.
    TkqProcVariable* proc = Proc(&Script, "P", false, {});
    TkqStatement* body = proc->LocalScript->RootStatement.get();
    Note(body, "p1");
    AddStmt<TkqContinueStmt>(body);
    Note(body, "p2");
    std::unique_ptr<TkqDesignator> call(Path(&Script, {{proc, {}}}));
    Log.clear();
    call->GetValue();
    EXPECT_FALSE(proc->LocalScript->ContinuePending);
    DeleteAt(body, 1);
    call->GetValue();
    EXPECT_EQ(Log, (std::vector<String>{"p1", "p1", "p2"}));
}

TEST_F(StmtFixture, TerminateStopsLoopsAfterTheCurrentTurn) {
    for (bool repeat : {false, true}) {
        SCOPED_TRACE(repeat ? "repeat" : "while");
        Root()->Clear();
        Log.clear();
        I->Value = 0;
        TkqStatement* loop = nullptr;
        if (repeat) {
            auto* r = AddStmt<TkqRepeatStmt>(Root());
            r->Condition.reset(Expr(&Script, "False"));
            loop = r;
        } else {
            auto* w = AddStmt<TkqWhileStmt>(Root());
            w->Condition.reset(Expr(&Script, "True"));
            loop = w;
        }
        Assign(loop, "i", "i + 1");
        Act(loop, [this] {
            if (I->Value == Variant(2)) Script.Terminate();
        });
        Note(loop, "turn", true);
        Note(Root(), "after");
        Run({"turn1"});
        EXPECT_TRUE(I->Value == Variant(2));
        EXPECT_FALSE(Script.TerminatePending);
    }
}

TEST_F(StmtFixture, CallsWithModifiersAndWith) {
    // i++ , i-- , i-- ; with: the target's value lands in the with variable.
    for (const char* modifier : {"+", "-", "-"}) {
        auto* step = AddStmt<TkqCallStmt>(Root());
        step->Target.reset(Ref(&Script, "i"));
        step->Modifier = modifier;
    }
    auto* with = AddStmt<TkqWithStmt>(Root());
    with->Target.reset(Ref(&Script, "i"));
    with->WithVariable = Script.FindLocal("v");
    I->Value = 10;
    Script.Execute();
    EXPECT_TRUE(I->Value == Variant(9));
    EXPECT_TRUE(Script.FindLocal("v")->Value == Variant(9));
}
