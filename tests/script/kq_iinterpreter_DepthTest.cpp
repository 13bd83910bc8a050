// Depth of nesting: script calls, operator chains and nested constructs go as deep as the
// thread's stack allows and end in a clean error beyond it, on any thread.
#include <gtest/gtest.h>

#include <pthread.h>

#include <functional>
#include <vector>

#include "platform/runtime/StackLimit.h"
#include "platform/runtime/Strings.h"
#include "script/kq_itools.h"
#include "tests/script/ScriptHost.h"

using scripthost::ScriptHost;

namespace {

// A recursion of `depth` levels in each grammar; prints the depth reached.
String Recursion(const String& language, Integer depth) {
    const String n = IntToStr(depth);
    if (language == "PascalScript")
        return "function Depth(n: Integer): Integer;\r\nbegin\r\n  if n = 0 then Result := 0\r\n"
               "  else Result := Depth(n - 1) + 1\r\nend;\r\nbegin Print(Depth(" +
               n + ")) end.";
    if (language == "C++Script")
        return "int Depth(int n) {\r\n  if (n == 0) return 0;\r\n  return Depth(n - 1) + 1;\r\n}\r\n"
               "{ Print(Depth(" +
               n + ")); }";
    if (language == "JScript")
        return "function Depth(n) {\r\n  if (n == 0) return 0;\r\n  return Depth(n - 1) + 1;\r\n}\r\n"
               "Print(Depth(" +
               n + "));";
    return "Function Depth(n)\r\n  If n = 0 Then Return 0\r\n  Return Depth(n - 1) + 1\r\nEnd Function\r\n"
           "Print(Depth(" +
           n + "))";
}

const char* const Languages[] = {"PascalScript", "C++Script", "BasicScript", "JScript"};

// What running the text gives: its output, the compile error, or the run-time error.
String Outcome(ScriptHost& host, const String& text, const String& language) {
    try {
        return host.Run(text, language);
    } catch (const Exception& e) {
        return "run: " + e.Message;
    }
}

TEST(kq_iinterpreter_DepthTest, RecursionRunsAsDeepAsTheStackAllowsAndThenFailsCleanly) {
    for (const char* language : Languages) {
        SCOPED_TRACE(language);
        ScriptHost host;
        EXPECT_EQ(Outcome(host, Recursion(language, 5000), language), "5000\n");
        EXPECT_EQ(Outcome(host, Recursion(language, 100000), language), "run: Stack overflow");
        // The failed run left nothing behind: the next one runs again.
        EXPECT_EQ(Outcome(host, Recursion(language, 10), language), "10\n");
    }
}

// A program in the grammar that sets a to 1 and x to 0, then assigns each expression to x and
// prints it.
String PrintExpressions(const String& language, const std::vector<String>& expressions) {
    String text;
    for (const String& expression : expressions) {
        if (language == "PascalScript")
            text += "x := " + expression + "; Print(x);\r\n";
        else if (language == "BasicScript")
            text += "x = " + expression + "\r\nPrint(x)\r\n";
        else
            text += "x = " + expression + "; Print(x);\r\n";
    }
    if (language == "PascalScript") return "var x, a: Integer;\r\nbegin a := 1; x := 0;\r\n" + text + "end.";
    if (language == "BasicScript") return "a = 1\r\nx = 0\r\n" + text;
    if (language == "C++Script") return "int x, a;\r\n{ a = 1; x = 0;\r\n" + text + "}";
    return "var x = 0, a = 1;\r\n" + text;
}

// `terms` copies of the term joined by the operator.
String Chain(Integer terms, const String& term, const String& op) {
    String text = term;
    text.reserve(std::size_t(terms) * (term.size() + op.size()));
    for (Integer i = 1; i < terms; ++i)
        text += op + term;
    return text;
}

// Long chains (walked in a loop, not by recursion) in every grammar's expressions; the chains
// that once exhausted the stack are built in the expression tests, where they take less time.
TEST(kq_iinterpreter_DepthTest, LongOperatorChainsCompileAndRunInEveryGrammar) {
    const std::vector<String> expressions = {
        Chain(1000, "a", " + "),
        "1 + (" + Chain(300, "a", " + ") + ") * 2",
        // The self-addition keeps the rest of the chain.
        Chain(300, "a", " + ") + " + x",
        Chain(300, "a * 3", " - ") + " + 900 * a",
    };
    for (const char* language : Languages) {
        SCOPED_TRACE(language);
        ScriptHost host;
        EXPECT_EQ(Outcome(host, PrintExpressions(language, expressions), language), "1000\n601\n901\n6\n");
    }
}

// Text repeated `count` times.
String Repeat(const String& text, Integer count) {
    String result;
    result.reserve(text.size() * std::size_t(count));
    for (Integer i = 0; i < count; ++i)
        result += text;
    return result;
}

// A ladder of `branches` else-if branches testing x (which is `branches`); prints the branch.
String ElseIfLadder(const String& language, Integer branches) {
    String text;
    const String x = IntToStr(branches);
    for (Integer i = 1; i <= branches; ++i) {
        const String n = IntToStr(i);
        if (language == "PascalScript")
            text += (i > 1 ? " else " : "") + String("if x = ") + n + " then Print(" + n + ")\r\n";
        else if (language == "BasicScript")
            text += (i > 1 ? "ElseIf x = " : "If x = ") + n + " Then\r\n  Print(" + n + ")\r\n";
        else
            text += (i > 1 ? "else " : "") + String("if (x == ") + n + ") Print(" + n + ");\r\n";
    }
    if (language == "PascalScript") return "var x: Integer;\r\nbegin x := " + x + ";\r\n" + text + "end.";
    if (language == "BasicScript") return "x = " + x + "\r\n" + text + "End If";
    if (language == "C++Script") return "int x;\r\n{ x = " + x + ";\r\n" + text + "}";
    return "var x = " + x + ";\r\n" + text;
}

// `depth` nested brackets around 7, printed.
String NestedBrackets(const String& language, Integer depth) {
    const String value = Repeat("(", depth) + "7" + Repeat(")", depth);
    if (language == "PascalScript") return "begin Print(" + value + ") end.";
    if (language == "BasicScript") return "Print(" + value + ")";
    if (language == "C++Script") return "{ Print(" + value + "); }";
    return "Print(" + value + ");";
}

// `depth` nested blocks around a statement that prints 7.
String NestedBlocks(const String& language, Integer depth) {
    if (language == "PascalScript") return "begin " + Repeat("begin ", depth) + "Print(7) " + Repeat("end; ", depth) + "end.";
    if (language == "BasicScript")
        return Repeat("If True Then\r\n", depth) + "Print(7)\r\n" + Repeat("End If\r\n", depth);
    if (language == "C++Script") return "{ " + Repeat("{ ", depth) + "Print(7); " + Repeat("} ", depth) + "}";
    return Repeat("{ ", depth) + "Print(7); " + Repeat("} ", depth);
}

TEST(kq_iinterpreter_DepthTest, NestingGoesAsDeepAsTheStackAllowsAndBeyondIsAnError) {
    for (const char* language : Languages) {
        SCOPED_TRACE(language);
        ScriptHost host;
        EXPECT_EQ(Outcome(host, ElseIfLadder(language, 1000), language), "1000\n");
        EXPECT_EQ(Outcome(host, NestedBrackets(language, 200), language), "7\n");
        EXPECT_EQ(Outcome(host, NestedBlocks(language, 200), language), "7\n");
        for (const String& text : {NestedBrackets(language, 20000), NestedBlocks(language, 20000)})
            EXPECT_EQ(Outcome(host, text, language).substr(0, 29), "compile: Nesting too deep at ");
    }
    // A ladder takes longer to translate up to the limit: one grammar shows it.
    ScriptHost host;
    EXPECT_EQ(Outcome(host, ElseIfLadder("PascalScript", 20000), "PascalScript").substr(0, 29),
              "compile: Nesting too deep at ");
}

// A recursion whose every level evaluates a deeply nested expression (or runs deeply nested
// blocks) around its call: the call's check alone would let the nesting run past the stack.
TEST(kq_iinterpreter_DepthTest, NestingInsideADeepRecursionEndsInTheError) {
    const String expression = Repeat("(1 + ", 1500) + "Depth(n + 1)" + Repeat(")", 1500);
    const String blocks = Repeat("begin ", 1500) + "Result := Depth(n + 1) " + Repeat("end; ", 1500);
    for (const String& body : {"Result := " + expression, blocks}) {
        ScriptHost host;
        const String text = "function Depth(n: Integer): Integer;\r\nbegin\r\n" + body +
                            "\r\nend;\r\nbegin Print(Depth(0)) end.";
        EXPECT_EQ(Outcome(host, text, "PascalScript"), "run: Stack overflow");
    }
}

// Runs the action on a thread of its own with a stack of `stackSize` bytes.
void OnSmallStack(std::size_t stackSize, const std::function<void()>& action) {
    pthread_attr_t attr;
    ASSERT_EQ(pthread_attr_init(&attr), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attr, stackSize), 0);
    pthread_t thread;
    auto body = [](void* arg) -> void* {
        (*static_cast<const std::function<void()>*>(arg))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, body, const_cast<std::function<void()>*>(&action)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

TEST(kq_iinterpreter_DepthTest, AThreadWithASmallStackRunsShallowCallsAndStopsDeepOnes) {
    ScriptHost host;
    ASSERT_TRUE(host.Compile(Recursion("PascalScript", 20)));
    String shallow;
    OnSmallStack(256 * 1024, [&] {
        host.Script->Execute();
        shallow = host.Output;
    });
    EXPECT_EQ(shallow, "20\n");

    ASSERT_TRUE(host.Compile(Recursion("PascalScript", 100000)));
    String deep;
    OnSmallStack(256 * 1024, [&] {
        try {
            host.Script->Execute();
            deep = "no error";
        } catch (const Exception& e) {
            deep = e.Message;
        }
    });
    EXPECT_EQ(deep, "Stack overflow");
}

} // namespace
