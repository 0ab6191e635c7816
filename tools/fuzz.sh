#!/usr/bin/env bash
# Builds the update.xml fuzzer with clang (libFuzzer, address and undefined
# sanitizers) and runs it for SECONDS (default 60). Any crash, leak, hang or
# sanitizer report ends the run with a non-zero status; the input that caused
# it is left in build-fuzz/.
#   tools/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build-fuzz

tools/setup.sh
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINITAP_FUZZ=ON \
  -DINITAP_SANITIZE=address,undefined -DINITAP_BENCH=OFF >/dev/null
cmake --build "$build" --target update_xml_fuzzer -j2

# The seeds stay as they are; what the run learns goes into its own corpus.
corpus="$build/fuzz-corpus"
mkdir -p "$corpus"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
cd "$build"
exec ./fuzz/update_xml_fuzzer fuzz-corpus ../fuzz/corpus -dict=../fuzz/update_xml.dict \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1
