#!/usr/bin/env bash
# Sets up what is missing, builds everything and runs every test.
#   tools/test.sh [BUILD_DIR [SANITIZERS]]   e.g. tools/test.sh build-asan address,undefined
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
sanitize=${2:-}

tools/setup.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINITAP_SANITIZE="$sanitize" \
  $([ -n "$sanitize" ] && echo -DINITAP_BENCH=OFF) >/dev/null
cmake --build "$build" -j"$(nproc)" ${BUILD_TARGETS:+--target $BUILD_TARGETS}

# Any sanitizer report ends the test that made it.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tools/lsan.supp:print_suppressions=0}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" ${CTEST_ARGS:-}

corpora=$(sed -n 's/^INITAP_CORPORA_DIR:PATH=//p' "$build/CMakeCache.txt")
if [ -n "$corpora" ] && [ ! -d "$corpora" ]; then
  echo "test: the tests on outside material were skipped: no folder $corpora (set INITAP_CORPORA_DIR)"
fi
