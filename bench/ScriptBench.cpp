// The script interpreter on a loop of integer arithmetic and a comparison: compiled once, run
// per iteration, in PascalScript and JScript.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "platform/runtime/StringLists.h"
#include "script/kq_iilparser.h"
#include "script/kq_iinterpreter.h"
#include "script/kq_isysrtti.h"

namespace {

const char* const PascalLoop = "var i, a, b: Integer;\r\n"
                               "begin\r\n"
                               "  a := 0; b := 0;\r\n"
                               "  for i := 1 to 1000000 do\r\n"
                               "  begin\r\n"
                               "    a := a + i * 3 - (i div 7);\r\n"
                               "    if a > 100000 then a := a - 100000;\r\n"
                               "  end;\r\n"
                               "end.";

const char* const JScriptLoop = "var i, a = 0;\r\n"
                                "for (i = 1; i <= 1000000; i++)\r\n"
                                "{\r\n"
                                "  a = a + i * 3 - (i / 7);\r\n"
                                "  if (a > 100000) a = a - 100000;\r\n"
                                "}\r\n";

void RunLoop(benchmark::State& state, const char* language, const char* text) {
    TkqScript script(nullptr);
    script.CurrentRegistrant = BindingRegistrant();
    script.Add("", new TkqSysRTTIFunctions(&script));
    script.CurrentRegistrant = nullptr;
    script.GetLines()->SetText(text);
    script.SetSyntaxType(language);
    if (!script.Compile()) {
        state.SkipWithError((script.LastErrorText + " at " + script.LastErrorPos).c_str());
        return;
    }
    for (auto _ : state)
        script.Execute();
    state.SetItemsProcessed(state.iterations() * 1000000);
}

void BM_PascalScriptLoop(benchmark::State& state) { RunLoop(state, "PascalScript", PascalLoop); }
void BM_JScriptLoop(benchmark::State& state) { RunLoop(state, "JScript", JScriptLoop); }

BENCHMARK(BM_PascalScriptLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JScriptLoop)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
