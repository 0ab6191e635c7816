#!/usr/bin/env bash
# initap-card's figures, as ratios in one run:
#   make of a wanted tree of 10,000 x 4 KiB in 100 folders and 4 x 256 MiB against a device
#   that holds half of it unchanged, against `diff -rq` of the same two trees (both read every
#   byte), less a bare dry run of the device (the proving dry run's fixed pauses);
#   the peak resident memory of make, and of its proving dry run, at 100,000 files;
#   check of one card on 8 device folders against 8 dry runs one after another.
#   bench/card_bench.sh BUILD_DIR WORK_DIR
set -euo pipefail
build=$1
work=$2
card_tool="$build/initap-card"
initap="$build/initap"
if [ ! -x /usr/bin/time ]; then
  echo "card bench: installing GNU time for the memory figures"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq time >/dev/null
fi

seconds() {  # COMMAND...: runs it, prints its wall time in seconds
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

# A bootable device folder: its main application, the volumes, the UTC time zone.
device() {  # FOLDER
  mkdir -p "$1/root/sd card" "$1/root/FlashHd" "$1/root/System" "$1/root/Windows"
  printf '#!/bin/sh\nexit 0\n' >"$1/root/System/Main_Ap.exe"
  cp "$1/root/System/Main_Ap.exe" "$1/root/Windows/explorer.exe"
  chmod +x "$1/root/System/Main_Ap.exe" "$1/root/Windows/explorer.exe"
  printf '[device]\ntimezone = UTC\n' >"$1/device.ini"
}

# FOLDER FOLDERS FILES_EACH: FOLDERS folders of FILES_EACH files of 4 KiB.
tiles() {
  local f
  for ((f = 0; f < $2; f++)); do
    mkdir -p "$1/t$f"
    head -c $((4096 * $3)) /dev/urandom | split -b 4096 -a 3 -d - "$1/t$f/tile"
  done
}

echo "== initap-card make: 10,000 x 4 KiB and 4 x 256 MiB, the device holding half of it"
wanted="$work/wanted" dev="$work/device"
device "$dev"
mkdir -p "$wanted/FlashHd/Tiles" "$wanted/FlashHd/Big"
tiles "$wanted/FlashHd/Tiles" 100 100
for i in 0 1 2 3; do head -c $((256 << 20)) /dev/urandom >"$wanted/FlashHd/Big/b$i.bin"; done
mkdir -p "$dev/root/FlashHd/Tiles" "$dev/root/FlashHd/Big"
for ((f = 0; f < 50; f++)); do cp -a "$wanted/FlashHd/Tiles/t$f" "$dev/root/FlashHd/Tiles/"; done
cp "$wanted/FlashHd/Big/b0.bin" "$wanted/FlashHd/Big/b1.bin" "$dev/root/FlashHd/Big/"
for i in 2 3; do head -c $((256 << 20)) /dev/urandom >"$dev/root/FlashHd/Big/b$i.bin"; done
sync
diff_s=$(seconds diff -rq "$dev/root/FlashHd" "$wanted/FlashHd")
bare_s=$(seconds "$initap" --quiet --dry-run "$dev")
make_s=$(seconds "$card_tool" make "$dev" "$wanted" "$work/card")
[ -f "$work/card/update.sha256" ] || { echo "card bench: make failed" >&2; "$card_tool" make "$dev" "$wanted" "$work/card2" >&2; exit 1; }
awk -v d="$diff_s" -v b="$bare_s" -v m="$make_s" 'BEGIN {
  own = m - b; r = own / d
  printf "  diff -rq %.2f s, make %.2f s, bare dry run %.2f s: make less it %.2f s = %.2fx diff -rq (goal at most 1.5x: %s)\n",
         d, m, b, own, r, r <= 1.5 ? "met" : "MISSED"
}'
rm -rf "$work/card" "$wanted" "$dev"

echo "== initap-card make: peak memory at 100,000 files (all new)"
device "$dev"
mkdir -p "$wanted/FlashHd/Tiles"
for ((f = 0; f < 100; f++)); do
  mkdir -p "$wanted/FlashHd/Tiles/t$f"
  (cd "$wanted/FlashHd/Tiles/t$f" && touch $(seq -f 'tile%04g' 0 999))
done
/usr/bin/time -f '%M' -o "$work/make.kib" "$card_tool" make "$dev" "$wanted" "$work/card" >/dev/null
/usr/bin/time -f '%M' -o "$work/proof.kib" "$initap" --quiet --dry-run --mount "\\sd card=$work/card" "$dev" >/dev/null || true
awk -v m="$(tail -1 "$work/make.kib")" -v p="$(tail -1 "$work/proof.kib")" 'BEGIN {
  printf "  make %.1f MiB (goal under 64 MiB: %s); its proving dry run alone %.1f MiB\n",
         m / 1024, m < 65536 ? "met" : "MISSED", p / 1024
}'
rm -rf "$work/card" "$wanted" "$dev"

echo "== initap-card check: one card on 8 device folders against 8 dry runs one after another"
mkdir -p "$work/card/Maps"
tiles "$work/card/Maps" 10 100
printf '<?xml version="1.0"?>\n<config>\n<update_already>0</update_already>\n<update>\n<copy from="Maps\\" to="\\FlashHd\\Maps\\"/>\n</update>\n</config>\n' \
  >"$work/card/update.xml"
devices=()
for i in 1 2 3 4 5 6 7 8; do
  device "$work/d$i"
  devices+=("$work/d$i")
done
one_by_one() {
  for d in "${devices[@]}"; do "$initap" --quiet --dry-run --mount "\\sd card=$work/card" "$d" || true; done
}
seq_s=$(seconds one_by_one)
check_s=$(seconds "$card_tool" check "$work/card" "${devices[@]}")
awk -v s="$seq_s" -v c="$check_s" 'BEGIN {
  r = c / s
  printf "  8 dry runs %.2f s, check %.2f s = %.2fx (goal at most 0.7x: %s)\n", s, c, r, r <= 0.7 ? "met" : "MISSED"
}'
rm -rf "$work/card" "$work"/d?
