#!/bin/sh
# Links every harness of this folder against the libraries of a fuzzing build directory: the
# platform's readers (Fuzz*.cpp), the script engine's XML reader (kq_xmlFuzz.cpp) and the report
# engine's XML reader (pvrXMLFuzz.cpp). The build directory must hold kov_report and what it
# stands on (cmake --build <dir> --target kov_report).
set -e
build=${1:?usage: tests/fuzz/build.sh <build directory>}
root=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$build/fuzz"
platform="$build/libkov_classlib.a $build/libkov_winapi.a $build/libkov_runtime.a"
link() {
    source=$1
    shift
    name=$(basename "$source" .cpp)
    # shellcheck disable=SC2086
    clang++ -std=c++20 -O1 -g1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
        -I"$root" "$source" "$@" $platform $(pkg-config --libs freetype2) -ljpeg -lpthread \
        -o "$build/fuzz/$name"
    echo "$build/fuzz/$name"
}
for source in "$root"/tests/fuzz/Fuzz*.cpp; do
    link "$source"
done
link "$root/tests/fuzz/kq_xmlFuzz.cpp" "$build/libkov_script.a"
link "$root/tests/fuzz/pvrXMLFuzz.cpp" "$build/libkov_report.a" "$build/libkov_script.a"
