// The script interpreter, compiled once and run per iteration, beside Debian's Lua 5.4 running
// the same loops (the peer: a small interpreter of the same kind):
// - a loop of integer arithmetic and a comparison, 1,000,000 rounds, in PascalScript, JScript
//   and Lua, each doing the same operations;
// - a counting loop summing 1 to 10,000,000;
// - strings: appending 'ab' to a string 200,000 times, and taking the whole string with Copy and
//   Length before appending, 100,000 times. Their floor is the same loop without the string.
//
// Lua runs as a process of its own (lua5.4 on the PATH, or KOV_LUA): the script measures the
// processor time of its loop with os.clock and prints it, and that is the time reported, so the
// interpreter's start is not counted (as the compilation of our scripts is not).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "platform/runtime/StringLists.h"
#include "script/kq_iilparser.h"
#include "script/kq_iinterpreter.h"
#include "script/kq_isysrtti.h"

namespace {

const char* const PascalLoop = "var i, a: Integer;\r\n"
                               "begin\r\n"
                               "  a := 0;\r\n"
                               "  for i := 1 to 1000000 do\r\n"
                               "  begin\r\n"
                               "    a := a + i * 3 - (i mod 7);\r\n"
                               "    if a > 100000 then a := a - 100000;\r\n"
                               "  end;\r\n"
                               "end.";

const char* const JScriptLoop = "var i, a = 0;\r\n"
                                "for (i = 1; i <= 1000000; i++)\r\n"
                                "{\r\n"
                                "  a = a + i * 3 - (i % 7);\r\n"
                                "  if (a > 100000) a = a - 100000;\r\n"
                                "}\r\n";

const char* const LuaLoop = "local a = 0\n"
                            "for i = 1, 1000000 do\n"
                            "  a = a + i * 3 - (i % 7)\n"
                            "  if a > 100000 then a = a - 100000 end\n"
                            "end\n";

const char* const PascalSum = "var i, s: Integer;\r\n"
                              "begin\r\n"
                              "  s := 0;\r\n"
                              "  for i := 1 to 10000000 do s := s + i;\r\n"
                              "end.";

const char* const JScriptSum = "var i, s = 0;\r\n"
                               "for (i = 1; i <= 10000000; i++) s = s + i;\r\n";

const char* const LuaSum = "local s = 0\n"
                           "for i = 1, 10000000 do s = s + i end\n";

// The string loops take the round count as a constant: {N} is replaced.
const char* const PascalAppend = "var i: Integer; s: String;\r\n"
                                 "begin\r\n"
                                 "  s := '';\r\n"
                                 "  for i := 1 to {N} do s := s + 'ab';\r\n"
                                 "end.";

const char* const PascalCopyLength = "var i: Integer; s: String;\r\n"
                                     "begin\r\n"
                                     "  s := '';\r\n"
                                     "  for i := 1 to {N} do s := Copy(s, 1, Length(s)) + 'ab';\r\n"
                                     "end.";

const char* const PascalEmptyLoop = "var i: Integer; s: String;\r\n"
                                    "begin\r\n"
                                    "  s := '';\r\n"
                                    "  for i := 1 to {N} do s := 'ab';\r\n"
                                    "end.";

std::string WithRounds(const char* text, long rounds) {
    std::string result = text;
    const std::size_t at = result.find("{N}");
    if (at != std::string::npos) result.replace(at, 3, std::to_string(rounds));
    return result;
}

void RunScript(benchmark::State& state, const char* language, const std::string& text, double items) {
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
    state.SetItemsProcessed(int64_t(double(state.iterations()) * items));
}

// The processor seconds the Lua loop took, as the script printed them; negative when Lua could
// not be run.
double RunLua(const char* loop) {
    const char* lua = std::getenv("KOV_LUA");
    std::string command = std::string(lua ? lua : "lua5.4") + " - 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "w");
    if (!pipe) return -1;
    // The script writes its measurement to a file, since the pipe goes the other way.
    char name[] = "/tmp/kov571-lua-bench-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) {
        pclose(pipe);
        return -1;
    }
    close(fd);
    std::fprintf(pipe, "local t0 = os.clock()\ndo\n%send\nlocal f = io.open('%s', 'w')\n"
                       "f:write(string.format('%%.9f', os.clock() - t0))\nf:close()\n",
                 loop, name);
    double seconds = -1;
    if (pclose(pipe) == 0)
        if (FILE* in = std::fopen(name, "r")) {
            if (std::fscanf(in, "%lf", &seconds) != 1) seconds = -1;
            std::fclose(in);
        }
    std::remove(name);
    return seconds;
}

void RunLuaLoop(benchmark::State& state, const char* loop, double items) {
    for (auto _ : state) {
        const double seconds = RunLua(loop);
        if (seconds < 0) {
            state.SkipWithError("lua5.4 could not be run (install Debian's lua5.4, or set KOV_LUA)");
            return;
        }
        state.SetIterationTime(seconds);
    }
    state.SetItemsProcessed(int64_t(double(state.iterations()) * items));
}

void BM_PascalScriptLoop(benchmark::State& state) { RunScript(state, "PascalScript", PascalLoop, 1e6); }
void BM_JScriptLoop(benchmark::State& state) { RunScript(state, "JScript", JScriptLoop, 1e6); }
void BM_LuaLoop(benchmark::State& state) { RunLuaLoop(state, LuaLoop, 1e6); }
void BM_PascalScriptSum(benchmark::State& state) { RunScript(state, "PascalScript", PascalSum, 1e7); }
void BM_JScriptSum(benchmark::State& state) { RunScript(state, "JScript", JScriptSum, 1e7); }
void BM_LuaSum(benchmark::State& state) { RunLuaLoop(state, LuaSum, 1e7); }

// The full round counts and a tenth of them, to show how the cost grows (linear: x10).
void StringLoop(benchmark::State& state, const char* text) {
    RunScript(state, "PascalScript", WithRounds(text, long(state.range(0))), double(state.range(0)));
}
void BM_PascalScriptAppend(benchmark::State& state) { StringLoop(state, PascalAppend); }
void BM_PascalScriptCopyLength(benchmark::State& state) { StringLoop(state, PascalCopyLength); }
void BM_PascalScriptStringFloor(benchmark::State& state) {
    RunScript(state, "PascalScript", WithRounds(PascalEmptyLoop, long(state.range(0))), double(state.range(0)));
}

BENCHMARK(BM_PascalScriptLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JScriptLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LuaLoop)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PascalScriptSum)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JScriptSum)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LuaSum)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PascalScriptAppend)->Args({20000, 200000})->Args({200000, 200000})->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PascalScriptCopyLength)
    ->Args({10000, 100000})
    ->Args({100000, 100000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_PascalScriptStringFloor)->Arg(200000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
