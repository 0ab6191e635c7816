#!/usr/bin/env bash
# Builds and runs the benchmarks and prints their figures:
#   durable copy (element and volume flush against cp -r and sync) and delete
#   (element against rm -r), small and large trees,
#   the repaint each file costs, the peak resident memory of an element over
#   1,000 and 10,000 files, one paint of the screen, the boot latency, and
#   whole boots of a card (10,000 x 4 KiB, 4 x 256 MiB): dry runs against
#   cp -a, real boots against cp -a; sync, --frames, a second dry run beside,
#   and the system calls each file costs (with strace, installed when missing).
#   tools/bench.sh [BUILD_DIR [ROUNDS]]      defaults: build, 5
#   BUILD_TYPE=Release tools/bench.sh ...    another build type than RelWithDebInfo
# The trees (about 2.2 GiB at most) live in a folder below /tmp that is removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
rounds=${2:-5}

tools/setup.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" -DINITAP_SANITIZE= -DINITAP_BENCH=ON >/dev/null
cmake --build "$build" --target benchmarks -j2 >/dev/null
bin=$(cd "$build/bench" && pwd)
if ! command -v strace >/dev/null && [ "$(id -u)" -eq 0 ]; then
  echo "bench: installing strace to count the system calls"
  apt-get update -qq >/dev/null && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq strace >/dev/null || true
fi

needed_kib=$((3 * 1024 * 1024))
free_kib=$(df -Pk /tmp | awk 'NR == 2 { print $4 }')
if [ "$free_kib" -lt "$needed_kib" ]; then
  echo "bench: /tmp has $((free_kib / 1024)) MiB free; the trees need 3072 MiB" >&2
  exit 1
fi
work=$(mktemp -d /tmp/initap-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

echo "== copy and delete elements, $rounds rounds (in $work)"
"$bin/copy_bench" compare "$work/compare" "$rounds"
rm -rf "$work/compare"

echo "== peak resident memory of one copy and one delete element"
peak() {  # FILES: prints the figure's line, leaves the KiB in $kib
  local line
  line=$("$bin/copy_bench" memory "$work/memory" "$1")
  rm -rf "$work/memory"
  echo "  $line"
  kib=$(awk '{ print $(NF - 1) }' <<<"$line")
}
peak 1000
small=$kib
peak 10000
large=$kib
awk -v a="$small" -v b="$large" 'BEGIN {
  d = (b - a) / a * 100; if (d < 0) d = -d
  printf "  10,000 files against 1,000: %+.1f%%  (target within 10%%: %s)\n", (b - a) / a * 100, d <= 10 ? "met" : "MISSED"
}'

echo "== boots of a card against cp -a and sync, $rounds rounds"
"$bin/boot_cost_bench" "$work/boots" "$rounds"
rm -rf "$work/boots"

for other in paint_bench boot_bench; do
  if [ -x "$bin/$other" ]; then
    echo "== $other"
    (cd "$work" && "$bin/$other")
  fi
done
