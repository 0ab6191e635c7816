#!/usr/bin/env bash
# Boots the demo device: builds initap, copies examples/demo-device to
# out/demo-device (the copy in the repository is never changed) and runs it
# headless, keeping the last screen, every painted frame and the whole boot
# as pictures. docs/boot-screen.png and docs/boot-animation.webp are copies of
# out/demo-screen.png and out/demo-boot.webp.
#   tools/demo.sh                      (INITAP_BUILD=DIR to build elsewhere than build/)
#   tools/demo.sh --wine               the same on the Windows API: builds build-win32 and
#                                      boots the copy with tools/wine-boot.sh
set -euo pipefail
wine=
if [ "${1:-}" = --wine ]; then
  wine=1
elif [ $# -gt 0 ]; then
  echo "usage: tools/demo.sh [--wine]" >&2
  exit 2
fi

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
build=${INITAP_BUILD:-build}

tools/setup.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target initap initap-logo -j2

device=out/demo-device
rm -rf "$device" out/demo-frames out/demo-screen.png out/demo-boot.webp
mkdir -p out
cp -a examples/demo-device "$device"
# The raw boot disk carries the demo's own logo; made here when it is not kept beside the device.
if [ ! -f "$device/disk.img" ]; then
  "$build/initap-logo" write "$device/disk.img" examples/demo-logo.png
fi

status=0
if [ -n "$wine" ]; then
  tools/win32-build.sh build-win32
  # The device's shell starts Windows programs only: the build's stand-in
  # takes the place of the demo's scripts.
  cp build-win32/device-program.exe "$device/root/System/Main_Ap.exe"
  cp build-win32/device-program.exe "$device/root/Windows/explorer.exe"
  tools/wine-boot.sh --screenshot out/demo-screen.png --frames out/demo-frames "$device" || status=$?
else
  "$build/initap" --screenshot out/demo-screen.png --frames out/demo-frames --animation out/demo-boot.webp \
    "$device" || status=$?
fi

echo
echo "demo: initap ended with exit code $status (1: the window closed as it should)"
echo "demo: last screen      $repo/out/demo-screen.png"
echo "demo: painted frames   $repo/out/demo-frames/"
echo "demo: whole boot       $repo/out/demo-boot.webp"
echo "demo: device's log     $repo/$device/root/FlashHd/updatelog.txt"
echo "demo: program starts   $repo/$device/launched.log"
echo "demo: desktop          $repo/$device/root/Windows/Desktop/"
# The run closes its window by itself and exits with 1; anything else is a fault.
[ "$status" -eq 1 ]
