#!/bin/sh
# Links each harness of this folder against the libraries of a fuzzing build directory.
set -e
build=${1:?usage: tests/fuzz/build.sh <build directory>}
root=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$build/fuzz"
for source in "$root"/tests/fuzz/Fuzz*.cpp; do
    name=$(basename "$source" .cpp)
    clang++ -std=c++20 -O1 -g1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
        -I"$root" "$source" "$build/libkov_classlib.a" "$build/libkov_winapi.a" "$build/libkov_runtime.a" \
        $(pkg-config --libs freetype2) -ljpeg -lpthread -o "$build/fuzz/$name"
done
