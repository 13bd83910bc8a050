#include "script/kq_iexpression.h"

#include <memory>

#include <gtest/gtest.h>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Numbers.h"
#include "tests/script/ScriptBuild.h"
#include "tests/support/TestSupport.h"

using namespace scriptbuild;

namespace {

// A script with the type names the signatures use and a few variables.
struct ExprFixture : ::testing::Test {
    testsupport::ScopedFormatSettings Settings{testsupport::DotSettings()};
    TkqScript Script{nullptr};
    std::vector<String> Log;

    ExprFixture() {
        Script.AddType("Integer", vkInteger);
        Script.AddType("Boolean", vkBoolean);
        Script.AddType("Extended", vkFloat);
        Script.AddType("String", vkString);
        Script.AddType("Variant", vkVariant);
        Var(&Script, "a", vkInteger, 5);
        Var(&Script, "b", vkInteger, 6);
        Var(&Script, "big", vkInteger, 2147483647);
        Var(&Script, "one", vkInteger, 1);
        Var(&Script, "zero", vkInteger, 0);
        Var(&Script, "minint", vkInteger, Integer(-2147483647 - 1));
        Var(&Script, "minus1", vkInteger, -1);
        Var(&Script, "bt", vkBoolean, true);
        Var(&Script, "bf", vkBoolean, false);
        Var(&Script, "v", vkVariant, Null());
        Var(&Script, "t", vkString, "a");
    }

    Variant Eval(const String& text, std::vector<TkqDesignator*> operands = {}) {
        std::unique_ptr<TkqExpression> expression(Expr(&Script, text, std::move(operands)));
        return expression->GetValue();
    }

    // Host functions that log their calls.
    Variant LogCall(TObject*, TClass, const String& name, Variant& args) {
        Log.push_back(name);
        return name == "F" ? Variant(true) : Variant(2);
    }
};

} // namespace

TEST_F(ExprFixture, OperatorsTakeTheirPlaceByPriority) {
    struct Case {
        const char* text;
        Variant value;
        TkqValueKind kind;
        TVarType type; // varEmpty: not checked
    };
    const std::vector<Case> cases = {
        {"2 + 3 * 4", 14, vkInteger, varInteger},
        {"( 2 + 3 ) * 4", 20, vkInteger, varInteger},
        {"2 * ( 3 + 4 ) - 1", 13, vkInteger, varEmpty},
        {"10 - 4 - 3", 3, vkInteger, varEmpty},
        {"a = b", false, vkBoolean, varBoolean},
        // not binds tighter than =: (not 5) = 6 is false, not (5 = 6) would be true.
        {"not a = b", false, vkBoolean, varBoolean},
        {"unminus 7 div 2", -3, vkInteger, varInteger},
        {"unminus 7 mod 2", -1, vkInteger, varInteger},
        {"7 / 2", 3.5, vkFloat, varDouble},
        {"big + one", Integer(-2147483647 - 1), vkInteger, varInteger},
        {"big * 2", -2, vkInteger, varInteger},
        {"2 * 3.5", 7.0, vkFloat, varEmpty},
        {"1 shl 4 + 1", 17, vkInteger, varEmpty},
        {"5 xor 3", 6, vkInteger, varEmpty},
        {"bt and not bf", true, vkBoolean, varBoolean},
        {"( a > b ) or ( a < b )", true, vkBoolean, varBoolean},
        {"a <> b", true, vkBoolean, varEmpty},
        {"a <= 5", true, vkBoolean, varEmpty},
        {"'ab' strcat 'c'", "abc", vkString, varString},
        {"'ab' + 'c'", "abc", vkString, varString},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::unique_ptr<TkqExpression> expression(Expr(&Script, c.text));
        EXPECT_EQ(expression->ValueKind, c.kind);
        const Variant value = expression->GetValue();
        EXPECT_TRUE(value == c.value) << VarToStr(value);
        if (c.type != varEmpty) {
            EXPECT_EQ(VarType(value), c.type);
        }
    }
}

TEST_F(ExprFixture, BooleanOperandsShortCircuitAndIntegersDoNot) {
    Script.AddMethodArrayArgs("function F: Boolean", MakeEvent(this, &ExprFixture::LogCall));
    Script.AddMethodArrayArgs("function G: Integer", MakeEvent(this, &ExprFixture::LogCall));
    struct Case {
        const char* text;
        Variant value;
        bool called;
    };
    for (const Case& c : std::vector<Case>{
             {"bt or F", true, false},
             {"bf or F", true, true},
             {"bf and F", false, false},
             {"bt and F", true, true},
             {"one or G", 3, true},
             {"zero and G", 0, true},
         }) {
        SCOPED_TRACE(c.text);
        Log.clear();
        EXPECT_TRUE(Eval(c.text) == c.value);
        EXPECT_EQ(Log.size(), c.called ? 1u : 0u);
    }
}

TEST_F(ExprFixture, InTestsSetLiteralsAndVariantArrays) {
    Script.AddMethodArrayArgs("function G: Integer", MakeEvent(this, &ExprFixture::LogCall));
    // [1, 3..5] and [2..G]: a range's upper end is evaluated only once the lower end is reached.
    auto makeSet = [&](std::initializer_list<const char*> elements) {
        auto* set = new TkqSetExpression();
        for (const char* element : elements)
            set->Add(element != nullptr ? Expr(&Script, element) : nullptr);
        return set;
    };
    auto inSet = [&](const Variant& value, TkqSetExpression* set) {
        TkqExpression expression(&Script);
        expression.AddConstOperand(value);
        expression.AddOperator("in");
        expression.AddSet(set);
        String errorPos;
        expression.Finalize(errorPos);
        EXPECT_EQ(errorPos, "");
        EXPECT_EQ(expression.ValueKind, vkBoolean);
        return expression.GetValue().AsBoolean();
    };
    for (const auto& [value, expected] : std::vector<std::pair<Integer, bool>>{
             {3, true}, {6, false}, {1, true}, {2, false}, {5, true}, {0, false}}) {
        SCOPED_TRACE(value);
        EXPECT_EQ(inSet(value, makeSet({"1", "3", nullptr, "5"})), expected);
    }
    Log.clear();
    EXPECT_FALSE(inSet(1, makeSet({"2", nullptr, "G"})));
    EXPECT_TRUE(Log.empty());
    EXPECT_TRUE(inSet(2, makeSet({"2", nullptr, "G"})));
    EXPECT_EQ(Log.size(), 1u);

    // A Variant array: Null between two elements makes a range; single values are compared,
    // the last one included.
    Var(&Script, "ranged", vkVariant, VarArrayOf({1, Null(), 3}));
    Var(&Script, "singles", vkVariant, VarArrayOf({1, 2, 7}));
    struct Case {
        const char* text;
        bool expected;
    };
    for (const Case& c : std::vector<Case>{{"2 in ranged", true},
                                           {"3 in ranged", true},
                                           {"4 in ranged", false},
                                           {"0 in ranged", false},
                                           {"7 in singles", true},
                                           {"3 in singles", false}}) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Eval(c.text).AsBoolean(), c.expected);
    }
    // The set's own value is its elements, Null for the range marker.
    std::unique_ptr<TkqSetExpression> set(makeSet({"1", "3", nullptr, "5"}));
    const Variant elements = set->GetValue();
    EXPECT_EQ(VarArrayHighBound(elements, 1), 3);
    EXPECT_TRUE(VarIsNull(VarArrayGet(elements, {2})));
    EXPECT_TRUE(VarArrayGet(elements, {3}) == Variant(5));

    // A computed right side that is no array is the platform's array error.
    EXPECT_THROW(Eval("1 in a"), EVariantError);
}

TEST_F(ExprFixture, FinalizeRefusesMisfitsAndMissingOperands) {
    Script.AddClass(TComponent::StaticClass(), "");
    Var(&Script, "c", vkChar, "x");
    Var(&Script, "o", vkClass, 0, "TComponent");
    struct Case {
        const char* text;
        const char* errorPos; // "" when the expression fits
    };
    for (const Case& c : std::vector<Case>{
             {"t = 1", "1:3"},   {"1 = t", "1:3"},      {"t = 'x'", ""},
             {"t = c", ""},      {"t < v", ""},         {"t + 1", "1:3"},
             {"t strcat v", ""}, {"t strcat 1", "1:3"}, {"t - 'x'", "1:3"},
             {"bt + 1", "1:4"},  {"bt = bf", ""},       {"bt = 1", "1:4"},
             {"o = o", ""},      {"o + 1", "1:3"},      {"a = 1.5", ""},
             {"1 * 2 *", "1:7"}, {"not", "1:1"},        {"( 1 + 2", "1:1"},
             {"1 + 2 )", "1:7"}, {"1 2", "1:3"},        {"a + ( b * 2 ) = 1 + t", "1:19"},
         }) {
        SCOPED_TRACE(c.text);
        std::unique_ptr<TkqExpression> expression(Expr(&Script, c.text, {}, false));
        String errorPos;
        expression->Finalize(errorPos);
        EXPECT_EQ(errorPos, c.errorPos);
    }
    // A node that lacks an operand raises when it is evaluated anyway, it never crashes.
    std::unique_ptr<TkqExpression> broken(Expr(&Script, "1 * 2 *", {}, false));
    String errorPos;
    broken->Finalize(errorPos);
    EXPECT_THROW(broken->GetValue(), EVariantError);
}

// Chains of operators nest one node per term: inferring, evaluating and freeing them must not
// recurse along the chain.
TEST_F(ExprFixture, LongOperatorChainsEvaluateAndFreeWithoutRecursion) {
    auto chain = [](Integer terms, const String& lead, const String& term) {
        String text = lead;
        for (Integer i = 0; i < terms; ++i)
            text += term;
        return text;
    };
    struct Case {
        String text;
        Variant value;
        TkqValueKind kind;
    };
    // One chain long enough to exhaust the stack by recursion; shorter ones for the other
    // operators and places, each still walked in a loop.
    const Case cases[] = {
        {chain(100000, "0", " + one"), 100000, vkInteger},
        {chain(3000, "0", " - one * 2"), -6000, vkInteger},
        {chain(3000, "bt", " and bt"), true, vkBoolean},
        {chain(3000, "'x'", " + t"), "x" + String(3000, 'a'), vkString},
        {chain(3000, "", " not") + " bf", false, vkBoolean},
        {chain(3001, "", " unminus") + " a", -5, vkInteger},
        // A long chain on the right of an operator, and one below a bracket.
        {"1 + ( " + chain(3000, "0", " + one") + " ) * 2", 6001, vkInteger},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 24));
        std::unique_ptr<TkqExpression> expression(Expr(&Script, c.text));
        EXPECT_EQ(expression->ValueKind, c.kind);
        EXPECT_TRUE(expression->GetValue() == c.value);
    }
    // The first misfit of a long chain is found at its place.
    std::unique_ptr<TkqExpression> misfit(Expr(&Script, chain(30000, "1", " + 1") + " + bt", {}, false));
    String errorPos;
    misfit->Finalize(errorPos);
    EXPECT_EQ(errorPos, "1:120003");
}

TEST_F(ExprFixture, IntegerDivisionFaultsAreErrors) {
    auto raisesIntOverflow = [&](const char* text) { EXPECT_THROW(Eval(text), EIntOverflow) << text; };
    raisesIntOverflow("minint div minus1");
    raisesIntOverflow("minint mod minus1");
    EXPECT_THROW(Eval("a div zero"), EDivByZero);
    EXPECT_THROW(Eval("a mod zero"), EDivByZero);
    EXPECT_TRUE(Eval("minint div one") == Variant(Integer(-2147483647 - 1)));
    // Variant arithmetic on the general path: Null and text that is no number.
    EXPECT_TRUE(VarIsNull(Eval("v + 1")));
    Script.FindLocal("v")->Value = "x";
    EXPECT_THROW(Eval("v + 1"), EVariantError);
}

TEST_F(ExprFixture, StrCatJoinsTextAndNeverBecomesACompoundAssignment) {
    struct Case {
        const char* text;
        Variant vValue;
        Variant expected;
    };
    for (const Case& c : std::vector<Case>{
             {"t strcat v", 5, "a5"},
             {"t strcat v", Null(), "a"},
             {"t strcat v", true, "aTrue"},
             {"v strcat 1", 5, 6},
             {"v strcat 'b'", "x", "xb"},
         }) {
        SCOPED_TRACE(c.text);
        Script.FindLocal("v")->SetValue(c.vValue);
        EXPECT_TRUE(Eval(c.text) == c.expected);
    }

    // Self-operations: the builder turns the assignment into the statement opText names.
    Var(&Script, "x", vkInteger, 5);
    Var(&Script, "f", vkFloat, 5.0);
    Var(&Script, "s", vkString, "5");
    Var(&Script, "sv", vkVariant, "5");
    struct SplitCase {
        const char* target;
        const char* text;
        const char* opText;
        Variant after;
    };
    for (const SplitCase& c : std::vector<SplitCase>{
             {"x", "x + 1", "+", 6},
             {"x", "1 + x", "+", 6},
             {"x", "2 * x", "*", 10},
             {"x", "x - 2", "-", 3},
             {"f", "f / 2", "/", 2.5},
             {"x", "10 - x", " ", 5},
             {"x", "x - 1 - 2", " ", 2},
             {"x", "a + 1", " ", 6},
             {"sv", "sv strcat 1", " ", "51"},
             {"sv", "sv + 1", "+", 6},
             {"sv", "1 + sv", " ", 6},
             {"s", "'a' + s", " ", "a5"},
             {"s", "s + 'b'", "+", "5b"},
         }) {
        SCOPED_TRACE(String(c.target) + " := " + c.text);
        TkqCustomVariable* variable = Script.FindLocal(c.target);
        const Variant before = variable->Value;
        std::unique_ptr<TkqDesignator> target(Ref(&Script, c.target));
        std::unique_ptr<TkqExpression> source(Expr(&Script, c.text));
        String opText;
        source->SplitSelfOperation(target.get(), opText);
        EXPECT_EQ(opText, c.opText);
        std::unique_ptr<TkqAssignmentStmt> statement;
        const String op = opText;
        if (op == "+")
            statement = std::make_unique<TkqAssignPlusStmt>(&Script, "", "");
        else if (op == "-")
            statement = std::make_unique<TkqAssignMinusStmt>(&Script, "", "");
        else if (op == "*")
            statement = std::make_unique<TkqAssignMulStmt>(&Script, "", "");
        else if (op == "/")
            statement = std::make_unique<TkqAssignDivStmt>(&Script, "", "");
        else
            statement = std::make_unique<TkqAssignmentStmt>(&Script, "", "");
        statement->Target = std::move(target);
        statement->Source = std::move(source);
        statement->ResolveShortcuts();
        statement->Execute();
        EXPECT_TRUE(variable->Value == c.after) << VarToStr(variable->Value);
        variable->Value = before;
    }
}

// ---- Designators ----------------------------------------------------------------------------------

TEST_F(ExprFixture, RecursiveFunctionKeepsTheCallersParameter) {
    // function Fact(n): if n <= 1 then Result := 1 else Result := Fact(n - 1) * n
    TkqProcVariable* fact = Proc(&Script, "Fact", true, {"n"});
    TkqScript* local = fact->LocalScript;
    auto* branch = AddStmt<TkqIfStmt>(local->RootStatement.get());
    branch->Condition.reset(Expr(local, "n <= 1"));
    Assign(branch, "Result", "1");
    auto* recurse = new TkqAssignmentStmt(local, "", "");
    recurse->Target.reset(Ref(local, "Result"));
    recurse->Source.reset(Expr(local, "? * n", {Path(local, {{fact, {Expr(local, "n - 1")}}})}));
    recurse->ResolveShortcuts();
    branch->ElseBranch->Add(recurse);

    std::unique_ptr<TkqDesignator> call(Path(&Script, {{fact, {Expr(&Script, "5")}}}));
    EXPECT_TRUE(call->GetValue() == Variant(120));
    EXPECT_FALSE(fact->IsRunning);
    std::unique_ptr<TkqDesignator> again(Path(&Script, {{fact, {Expr(&Script, "a + 1")}}}));
    EXPECT_TRUE(again->GetValue() == Variant(720));
}

TEST_F(ExprFixture, VarArgumentsAreWrittenBackInBothCallBackStyles) {
    struct Host {
        Variant Array(TObject*, TClass, const String&, Variant& args) {
            VarArrayPut(args, VarArrayGet(args, {0}) + Variant(1), {0});
            return Null();
        }
        Variant Module(TObject*, TClass, const String&, TkqMethodHelper* caller) {
            caller->SetParam(0, caller->GetParam(0) + Variant(10));
            return Null();
        }
    } host;
    TkqMethodHelper* arrayStyle =
        Script.AddMethodArrayArgs("procedure BumpA(var A: Integer)", MakeEvent(&host, &Host::Array));
    TkqMethodHelper* moduleStyle =
        Script.AddMethod("procedure BumpM(var A: Integer)", MakeEvent(&host, &Host::Module));
    Var(&Script, "x", vkInteger, 1);
    for (TkqMethodHelper* helper : {arrayStyle, moduleStyle}) {
        std::unique_ptr<TkqDesignator> call(Path(&Script, {{helper, {Expr(&Script, "x")}}}));
        call->GetValue();
    }
    EXPECT_TRUE(Script.FindLocal("x")->Value == Variant(12));

    // An argument that is no assignable path takes nothing back.
    for (const char* argument : {"x + 1", "5", "one"}) {
        SCOPED_TRACE(argument);
        Script.FindLocal("one")->IsReadOnly = String(argument) == "one";
        std::unique_ptr<TkqDesignator> call(Path(&Script, {{arrayStyle, {Expr(&Script, argument)}}}));
        call->GetValue();
        EXPECT_TRUE(Script.FindLocal("x")->Value == Variant(12));
        EXPECT_TRUE(Script.FindLocal("one")->Value == Variant(1));
    }
}

TEST_F(ExprFixture, MacroFunctionsReceiveTheSourceText) {
    struct Host {
        Variant Echo(TObject*, TClass, const String&, Variant& args) { return VarArrayGet(args, {0}); }
    } host;
    TkqMethodHelper* macro =
        Script.AddMethodArrayArgs("macrofunction M(Expr: Variant): Variant", MakeEvent(&host, &Host::Echo));
    EXPECT_TRUE(macro->IsMacro);
    std::unique_ptr<TkqDesignator> call(Path(&Script, {{macro, {Expr(&Script, "a + 1")}}}));
    EXPECT_TRUE(call->GetValue() == Variant("a + 1"));
}

TEST_F(ExprFixture, StringCharactersAreCodePoints) {
    auto* text = new TkqStringVariable("s", "String", vkString);
    Script.Add("s", text);
    auto* helper = new TkqStringHelper();
    Script.Add("", helper);
    for (bool general : {false, true}) {
        SCOPED_TRACE(general ? "general walk" : "string designator");
        auto at = [&](const char* index) {
            return std::unique_ptr<TkqDesignator>(
                Path(&Script, {{text, {}}, {helper, {Expr(&Script, index)}}}, general));
        };
        EXPECT_EQ(at("1")->Mode, general ? 0 : 2);
        text->StrValue = "abc";
        at("2")->SetValue("x");
        EXPECT_EQ(text->StrValue, "axc");
        text->StrValue = "a\xC3\xA9"
                         "c";
        EXPECT_TRUE(at("2")->GetValue() == Variant("\xC3\xA9"));
        EXPECT_TRUE(at("3")->GetValue() == Variant("c"));
        at("2")->SetValue("x");
        EXPECT_EQ(text->StrValue, "axc");
        at("1")->SetValue("\xE2\x82\xAC"
                          "z");
        EXPECT_EQ(text->StrValue, "\xE2\x82\xAC"
                                  "xc");
        for (const char* outside : {"4", "0", "unminus 1"}) {
            SCOPED_TRACE(outside);
            EXPECT_THROW(at(outside)->GetValue(), ERangeError);
            EXPECT_THROW(at(outside)->SetValue("q"), ERangeError);
        }
        EXPECT_EQ(text->StrValue, "\xE2\x82\xAC"
                                  "xc");
    }
}

TEST_F(ExprFixture, ArrayElementsOfADeclaredArray) {
    auto* helper = new TkqArrayHelper("", "", vkVariant, 2);
    Script.Add("", helper);
    TkqVariable* grid = Var(&Script, "grid", vkArray, VarArrayCreate({0, 2, 0, 3}, varVariant));
    grid->LinkedSymbol = helper;
    for (bool general : {false, true}) {
        SCOPED_TRACE(general ? "general walk" : "array designator");
        VarArrayPut(grid->Value, "x", {1, 2});
        std::unique_ptr<TkqDesignator> element(
            Path(&Script, {{grid, {}}, {helper, {Expr(&Script, "1"), Expr(&Script, "a - 3")}}}, general));
        EXPECT_EQ(element->Mode, general ? 0 : 3);
        EXPECT_TRUE(element->GetValue() == Variant("x"));
        element->SetValue(general ? "g" : "y");
        EXPECT_TRUE(VarArrayGet(grid->Value, {1, 2}) == Variant(general ? "g" : "y"));
        std::unique_ptr<TkqDesignator> outside(
            Path(&Script, {{grid, {}}, {helper, {Expr(&Script, "3"), Expr(&Script, "0")}}}, general));
        EXPECT_THROW(outside->GetValue(), EVariantError);
    }
}

TEST_F(ExprFixture, OnlyAnExpressionAsksForTheResultOfTheLastItem) {
    struct Host {
        std::vector<bool> Wanted;
        Variant Record(TObject*, TClass, const String&, TkqMethodHelper* caller) {
            Wanted.push_back(caller->WantsResult);
            return 1;
        }
    } host;
    TkqMethodHelper* f = Script.AddMethod("function F: Integer", MakeEvent(&host, &Host::Record));
    TkqCallStmt statement(&Script, "", "");
    statement.Target.reset(Path(&Script, {{f, {}}}));
    statement.Execute();
    EXPECT_TRUE(Eval("? + 1", {Path(&Script, {{f, {}}})}) == Variant(2));
    EXPECT_EQ(host.Wanted, (std::vector<bool>{false, true}));
}

TEST_F(ExprFixture, AHostFunctionEnteredAgainKeepsItsRunningCall) {
    // H(A; var B) calls itself once from inside the call-back when A is "outer"; the outer call
    // must still see its own arguments and write its own var argument back.
    struct Host {
        TkqDesignator* Inner = nullptr;
        std::vector<String> Seen;
        Variant Array(TObject*, TClass, const String&, Variant& args) {
            const String a = VarToStr(VarArrayGet(args, {0}));
            if (a == "outer") Inner->GetValue();
            Seen.push_back(VarToStr(VarArrayGet(args, {0})));
            VarArrayPut(args, a + "-out", {1});
            return a;
        }
        Variant Module(TObject*, TClass, const String&, TkqMethodHelper* caller) {
            const String a = VarToStr(caller->GetParam(0));
            if (a == "outer") Inner->GetValue();
            Seen.push_back(VarToStr(caller->GetParam(0)));
            caller->SetParam(1, a + "-out");
            return a;
        }
    };
    Var(&Script, "x", vkVariant, Null());
    Var(&Script, "y", vkVariant, Null());
    for (bool arrayStyle : {true, false}) {
        SCOPED_TRACE(arrayStyle ? "array style" : "module style");
        Host host;
        const String name = arrayStyle ? "HA" : "HM";
        const String signature = "function " + name + "(A: Variant; var B: Variant): Variant";
        TkqMethodHelper* h = arrayStyle ? Script.AddMethodArrayArgs(signature, MakeEvent(&host, &Host::Array))
                                        : Script.AddMethod(signature, MakeEvent(&host, &Host::Module));
        std::unique_ptr<TkqDesignator> inner(
            Path(&Script, {{h, {Expr(&Script, "'inner'"), Expr(&Script, "y")}}}));
        host.Inner = inner.get();
        std::unique_ptr<TkqDesignator> outer(
            Path(&Script, {{h, {Expr(&Script, "'outer'"), Expr(&Script, "x")}}}));
        EXPECT_TRUE(outer->GetValue() == Variant("outer"));
        EXPECT_EQ(host.Seen, (std::vector<String>{"inner", "outer"}));
        EXPECT_TRUE(Script.FindLocal("x")->Value == Variant("outer-out"));
        EXPECT_TRUE(Script.FindLocal("y")->Value == Variant("inner-out"));
        EXPECT_EQ(h->RunDepth, 0);
    }
}

TEST_F(ExprFixture, CallFunctionOnARunningProcedureKeepsItsLocals) {
    // procedure P(n): Seen += n; if n = 1 then the host calls P(2) through CallFunction;
    // Seen += n.
    TkqProcVariable* p = Proc(&Script, "P", false, {"n"});
    std::vector<String> seen;
    TkqCustomVariable* n = p->LocalScript->FindLocal("n");
    Act(p->LocalScript->RootStatement.get(), [&] {
        seen.push_back(VarToStr(n->GetValue()));
        if (n->GetValue() == Variant(1)) Script.CallFunction("P", VarArrayOf({2}));
        seen.push_back(VarToStr(n->GetValue()));
    });
    Script.CallFunction("P", VarArrayOf({1}));
    EXPECT_EQ(seen, (std::vector<String>{"1", "2", "2", "1"}));
}

TEST_F(ExprFixture, RunawayRecursionIsAnErrorThatTryExceptCatches) {
    // procedure Deep: Deep;   main: try Deep except caught := 1 end
    TkqProcVariable* deep = Proc(&Script, "Deep", false, {});
    auto* self = AddStmt<TkqCallStmt>(deep->LocalScript->RootStatement.get());
    self->Target.reset(Path(deep->LocalScript, {{deep, {}}}));
    Var(&Script, "caught", vkInteger, 0);

    std::unique_ptr<TkqDesignator> call(Path(&Script, {{deep, {}}}));
    try {
        call->GetValue();
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Stack overflow");
    }
    EXPECT_FALSE(deep->IsRunning);

    auto* guarded = AddStmt<TkqTryStmt>(Script.RootStatement.get());
    guarded->IsExcept = true;
    auto* inner = AddStmt<TkqCallStmt>(guarded);
    inner->Target.reset(Path(&Script, {{deep, {}}}));
    Assign(guarded->HandlerPart.get(), "caught", "1");
    Script.Execute();
    EXPECT_TRUE(Script.FindLocal("caught")->Value == Variant(1));
}

TEST_F(ExprFixture, DeepRecursionRuns) {
    // function Down(n): if n > 0 then Result := Down(n - 1) + 1 else Result := 0
    TkqProcVariable* down = Proc(&Script, "Down", true, {"n"});
    TkqScript* local = down->LocalScript;
    auto* branch = AddStmt<TkqIfStmt>(local->RootStatement.get());
    branch->Condition.reset(Expr(local, "n > 0"));
    auto* recurse = new TkqAssignmentStmt(local, "", "");
    recurse->Target.reset(Ref(local, "Result"));
    recurse->Source.reset(Expr(local, "? + 1", {Path(local, {{down, {Expr(local, "n - 1")}}})}));
    recurse->ResolveShortcuts();
    branch->Add(recurse);
    Assign(branch->ElseBranch.get(), "Result", "0");
    const Integer depth = 5000;
    std::unique_ptr<TkqDesignator> call(Path(&Script, {{down, {Expr(&Script, IntToStr(depth - 1))}}}));
    EXPECT_TRUE(call->GetValue() == Variant(depth - 1));
}

TEST_F(ExprFixture, VarArgumentsOfRecursiveCallsReachTheCaller) {
    // procedure Inc2(var x, d): if d > 0 then Inc2(x, d - 1); x := x + 1
    TkqProcVariable* inc = Proc(&Script, "Inc2", false, {"x", "d"}, true);
    TkqScript* local = inc->LocalScript;
    auto* branch = AddStmt<TkqIfStmt>(local->RootStatement.get());
    branch->Condition.reset(Expr(local, "d > 0"));
    auto* recurse = AddStmt<TkqCallStmt>(branch);
    recurse->Target.reset(Path(local, {{inc, {Expr(local, "x"), Expr(local, "d - 1")}}}));
    auto* bump = new TkqAssignmentStmt(local, "", "");
    bump->Target.reset(Path(local, {{local->FindLocal("x"), {}}}));
    bump->Source.reset(Expr(local, "x + 1"));
    bump->ResolveShortcuts();
    local->RootStatement->Add(bump);

    Var(&Script, "counter", vkVariant, 10);
    std::unique_ptr<TkqDesignator> call(
        Path(&Script, {{inc, {Expr(&Script, "counter"), Expr(&Script, "2")}}}));
    call->GetValue();
    EXPECT_TRUE(Script.FindLocal("counter")->Value == Variant(13));
}
