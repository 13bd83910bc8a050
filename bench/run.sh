#!/usr/bin/env bash
# Builds the benchmarks (a release build of their own, build-bench), runs every one of them and
# prints one table: what was measured, the median of the repetitions (wall clock, and the
# processor time where the work is the process's own), the unit and the figure it is compared
# with. KOV_BENCH_REPETITIONS sets the repetitions (5); KOV_BENCH_BUILD the build directory.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
kov_install_packages "${KOV_PACKAGES[@]}" libbenchmark-dev xvfb xauth python3 lua5.4

export CCACHE_BASEDIR="$(pwd -P)"
export CCACHE_NOHASHDIR=1

build=${KOV_BENCH_BUILD:-build-bench}
repetitions=${KOV_BENCH_REPETITIONS:-5}
jobs=$(nproc 2>/dev/null || echo 2)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

echo "Building the benchmarks in $build ..." >&2
if ! { cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKOV_BUILD_BENCH=ON -DKOV_BUILD_TESTS=OFF &&
    cmake --build "$build" -j "$jobs" --target bench_startup bench_program bench_radio bench_report bench_script; } \
    >"$out/build.log" 2>&1; then
    tail -40 "$out/build.log" >&2
    exit 1
fi
export QT_QPA_PLATFORM=offscreen
failed=0

# run NAME COMMAND...: the benchmark program's results go to $out/NAME.json.
run() {
    local name=$1
    shift
    echo "Running $name ..." >&2
    if ! "$@" --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
        --benchmark_out="$out/$name.json" --benchmark_out_format=json >"$out/$name.log" 2>&1; then
        echo "$name failed:" >&2
        tail -20 "$out/$name.log" >&2
        failed=1
    fi
}

# Start-up also on a real X server: the benchmark runs the program with QT_QPA_PLATFORM=xcb under
# a virtual one.
run startup xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bench/bench_startup"
run program "$build/bench/bench_program"
run radio "$build/bench/bench_radio"
run report "$build/bench/bench_report"
run script "$build/bench/bench_script"

echo
echo "Benchmarks on $(nproc) cores, median of $repetitions repetitions (load average: $(cut -d' ' -f1-3 /proc/loadavg))"
python3 - "$out" <<'EOF'
import json, os, sys

results = {}
for file in sorted(os.listdir(sys.argv[1])):
    if not file.endswith(".json"):
        continue
    with open(os.path.join(sys.argv[1], file)) as f:
        try:
            data = json.load(f)
        except ValueError:
            continue
    for b in data.get("benchmarks", []):
        if b.get("aggregate_name", "median") != "median" or b.get("error_occurred"):
            continue
        name = b.get("run_name", b["name"]).replace("/manual_time", "")
        name = name.split("/iterations:")[0]
        results[name] = b


def ms(name, key="real_time"):
    b = results.get(name)
    if not b:
        return None
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
    return b[key] * scale


def counter(name, key):
    b = results.get(name)
    return b.get(key) if b else None


def fmt(value, digits=1):
    return "n/a" if value is None else f"{value:,.{digits}f}"


rows = []


def row(what, value, unit, compared, cpu=None):
    rows.append((what, fmt(value, 2 if value is not None and value < 10 else 1), fmt(cpu, 2) if cpu is not None else "", unit, compared))


INSTANT = "100 ms (an answer that feels instant)"
FRAME = "16.7 ms (one frame at 60 Hz)"
for platform in ("offscreen", "xcb"):
    start, empty = f"BM_StartUp/{platform}", f"BM_EmptyWindow/{platform}"
    cold, coldEmpty = f"BM_ColdStartUp/{platform}", f"BM_ColdEmptyWindow/{platform}"
    row(f"Start-up to the painted channel table, {platform}", ms(start), "ms",
        f"the platform's empty window: {fmt(ms(empty))} ms", counter(start, "cpu_ms"))
    row(f"Cold start-up (the executable dropped from the cache), {platform}", ms(cold), "ms",
        f"the empty window, cold: {fmt(ms(coldEmpty))} ms; warm start-up: {fmt(ms(start))} ms",
        counter(cold, "cpu_ms"))
    row(f"Peak resident memory at start-up, {platform}", counter(start, "peak_MiB"), "MiB",
        f"the platform's empty window: {fmt(counter(empty, 'peak_MiB'))} MiB")
row("Open a data file (992 bytes), table repainted", ms("BM_OpenDataFile"), "ms", INSTANT, ms("BM_OpenDataFile", "cpu_time"))
row("Open a data file whose table differs from the one shown", ms("BM_OpenChangedDataFile"), "ms",
    f"the same file again: {fmt(ms('BM_OpenDataFile'), 2)} ms", ms("BM_OpenChangedDataFile", "cpu_time"))
row("Save a data file (992 bytes)", ms("BM_SaveDataFile"), "ms", INSTANT, ms("BM_SaveDataFile", "cpu_time"))
one = ms("BM_OpenDataFile")
row("Open 100 data files in a row", ms("BM_OpenHundredDataFiles"), "ms",
    f"100 x one open: {fmt(one * 100 if one is not None else None)} ms: ratio "
    f"{fmt(ms('BM_OpenHundredDataFiles') / (one * 100) if one and ms('BM_OpenHundredDataFiles') else None, 2)}",
    ms("BM_OpenHundredDataFiles", "cpu_time"))
row("Repaint the whole channel window", ms("BM_RepaintChannelWindow"), "ms", FRAME, ms("BM_RepaintChannelWindow", "cpu_time"))
row("Scroll the channel table by one row", ms("BM_ScrollChannelTable"), "ms", FRAME, ms("BM_ScrollChannelTable", "cpu_time"))
row("Scroll a grid of 100 rows by one row", ms("BM_ScrollGrid/100"), "ms", FRAME, ms("BM_ScrollGrid/100", "cpu_time"))
row("Scroll a grid of 10,000 rows by one row", ms("BM_ScrollGrid/10000"), "ms",
    f"the grid of 100 rows: {fmt(ms('BM_ScrollGrid/100'), 2)} ms", ms("BM_ScrollGrid/10000", "cpu_time"))
for what, name in (("Write the whole radio (16 channels, paced)", "BM_WriteWholeRadio"),
                   ("Read the whole radio (16 channels, paced)", "BM_ReadWholeRadio")):
    floor, took = counter(name, "floor_ms"), ms(name)
    ratio = took / floor if floor and took is not None else None
    row(what, took, "ms", f"protocol floor {fmt(floor)} ms: ratio {fmt(ratio, 3)}")
row("Print the channel report (16 channels) to PDF", ms("BM_PrintChannelReport"), "ms",
    "1 s (a wait that keeps attention)", ms("BM_PrintChannelReport", "cpu_time"))
for size in (5, 500):
    name = f"PrepareChannelList/{size}"
    pages = counter(name, "pages")
    took = ms(name)
    row(f"Prepare the channel list, {fmt(pages, 0)} pages", took, "ms",
        f"per page: {fmt(took / pages if took is not None and pages else None, 3)} ms", ms(name, "cpu_time"))


def vs(ours, peer, what):
    """ours / peer on processor time, with the peer's own figure."""
    a, b = ms(ours, "cpu_time"), ms(peer)
    return f"{what}: {fmt(b, 2)} ms: ratio {fmt(a / b if a is not None and b else None, 2)}"


for language in ("PascalScript", "JScript"):
    name = f"BM_{language}Loop"
    row(f"Script loop, 1,000,000 rounds of arithmetic, {language}", ms(name), "ms",
        vs(name, "BM_LuaLoop", "Lua 5.4, the same loop"), ms(name, "cpu_time"))
for language in ("PascalScript", "JScript"):
    name = f"BM_{language}Sum"
    row(f"Script counting loop summing 1 to 10,000,000, {language}", ms(name), "ms",
        vs(name, "BM_LuaSum", "Lua 5.4, the same loop"), ms(name, "cpu_time"))
for what, name, rounds, full in (("s := s + 'ab'", "BM_PascalScriptAppend", 20000, 200000),
                                 ("s := Copy(s, 1, Length(s)) + 'ab'", "BM_PascalScriptCopyLength", 10000, 100000)):
    floor = ms(f"BM_PascalScriptStringFloor/{full}")
    for count in (rounds, full):
        took = ms(f"{name}/{count}/{full}")
        if took is None and count == full:
            continue
        row(f"Script strings, {what} {count:,} times", took, "ms",
            f"the loop assigning 'ab', {full:,} times: {fmt(floor, 2)} ms" if count == full else
            f"a tenth of the rounds (x10 linear, x100 quadratic)", ms(f"{name}/{count}/{full}", "cpu_time"))

header = ("What", "Median", "CPU", "Unit", "Compared with")
widths = [max(len(r[i]) for r in rows + [header]) for i in range(5)]
line = lambda r: "  ".join([r[0].ljust(widths[0])] + [r[i].rjust(widths[i]) for i in (1, 2)] + [r[3].ljust(widths[3]), r[4]])
print(line(header))
print("  ".join("-" * w for w in widths))
for r in rows:
    print(line(r))
EOF
exit $failed
