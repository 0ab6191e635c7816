#!/usr/bin/env bash
# Builds initap.exe and the tests of the Windows API backend with mingw-w64:
#   tools/win32-build.sh [BUILD_DIR]      (default build-win32)
# ctest --test-dir BUILD_DIR then runs the tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-win32}

tools/setup.sh
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
