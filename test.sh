#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer, and
# runs every test headless and in parallel.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/packages.sh
kov_install_packages "${KOV_PACKAGES[@]}"
kov_generate_locales "${KOV_LOCALES[@]}"

# The compiler cache (CMakeLists.txt builds through ccache when it is installed): paths are
# taken relative to the checkout and the build directory is left out of the key, so a clone
# in another folder reuses what this machine compiled for any other clone.
export CCACHE_BASEDIR="$(pwd -P)"
export CCACHE_NOHASHDIR=1

jobs=$(nproc 2>/dev/null || echo 2)
build=build
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O0 -g1" \
      -DKOV_SANITIZE=ON -DKOV_BUILD_TESTS=ON
cmake --build "$build" -j "$jobs"

# LeakSanitizer needs ptrace-like access that some sandboxes refuse: probe it once.
probe_dir=$(mktemp -d)
trap 'rm -rf "$probe_dir"' EXIT
printf 'int main(){return 0;}\n' > "$probe_dir/probe.c"
leaks=1
if cc -fsanitize=address -o "$probe_dir/probe" "$probe_dir/probe.c" 2>/dev/null; then
    if ! ASAN_OPTIONS=detect_leaks=1 "$probe_dir/probe" >"$probe_dir/out" 2>&1; then leaks=0; fi
else
    leaks=0
fi
if [ "$leaks" = 0 ]; then
    echo "warning: LeakSanitizer cannot run here; leak detection is off for this run" >&2
fi

export ASAN_OPTIONS="detect_leaks=$leaks:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen
rm -rf "$build/test-tmp"
mkdir -p "$build/test-tmp" "$build/test-artifacts"
ctest --test-dir "$build" -j "$jobs" --output-on-failure --no-tests=error
