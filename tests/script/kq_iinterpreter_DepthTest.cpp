// Depth of nesting: script calls, operator chains and nested constructs go as deep as the
// thread's stack allows and end in a clean error beyond it, on any thread.
#include <gtest/gtest.h>

#include <pthread.h>

#include <functional>

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
