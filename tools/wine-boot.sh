#!/usr/bin/env bash
# Boots a device folder with initap.exe under Wine, as build/initap boots it on the PC:
#   tools/wine-boot.sh [--quiet] [--screenshot FILE.png] DEVICE
# One Wine prefix per user, made once (INITAP_WINE_PREFIX, default
# ~/.cache/initap-wine). DEVICE/root becomes drive D:, the current drive;
# registry.reg goes into the prefix before the boot and the values of its keys
# are written back to it after; the code page and the time zone are device.ini's.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
exe=${INITAP_WIN32_EXE:-$here/build-win32/initap.exe}
prefix=${INITAP_WINE_PREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/initap-wine}

options=()
while [ $# -gt 1 ]; do
  case $1 in
    --quiet) options+=("$1") ;;
    --screenshot)
      [ $# -gt 2 ] || { echo "wine-boot: --screenshot needs a file" >&2; exit 2; }
      shot=$(realpath -m "$2")
      options+=(--screenshot "Z:${shot//\//\\}")
      shift ;;
    *) echo "wine-boot: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
if [ $# -ne 1 ] || [ ! -d "$1/root" ]; then
  echo "usage: tools/wine-boot.sh [--quiet] [--screenshot FILE.png] DEVICE (a folder with root/ in it)" >&2
  exit 2
fi
device=$(cd "$1" && pwd)
[ -f "$exe" ] || { echo "wine-boot: $exe is missing: run tools/win32-build.sh" >&2; exit 2; }

setting() {
  [ -f "$device/device.ini" ] || return 0
  sed -n "s/^[[:space:]]*$1[[:space:]]*=[[:space:]]*\([^;[:space:]]*\).*/\1/p" "$device/device.ini" | head -n1
}
codepage=$(setting codepage)
codepage=${codepage:-1252}
# Wine takes its code page from the locale it starts in.
case $codepage in
  936) locale=zh_CN.UTF-8 ;;
  932) locale=ja_JP.UTF-8 ;;
  1251) locale=ru_RU.UTF-8 ;;
  *) locale=C ;;
esac
timezone=$(setting timezone)

run() { LC_ALL=$locale TZ=${timezone:-UTC} "$here/tools/wine-run.sh" "$prefix" "$@"; }

# Makes the prefix on first use, then maps the device's root to D:.
run cmd /c exit >/dev/null 2>&1 || true
ln -sfn "$device/root" "$prefix/dosdevices/d:"

registry="$device/registry.reg"
# The names of a key's values in an export, one a line; Wine's own are those
# the prefix holds before the device's file is loaded.
export_key() {
  local exported
  exported=$(mktemp)
  if run reg export "$1" "Z:${exported//\//\\}" /y >/dev/null 2>&1; then
    iconv -f UTF-16 -t UTF-8 "$exported" | tr -d '\r' | awk -v key="[$1]" '/^\[/ { keep = ($0 == key) } keep { print }'
  fi
  rm -f "$exported"
}
value_name() { sed -n 's/^\(@\|"\([^"\\]\|\\.\)*"\)=.*/\1/p'; }
if [ -f "$registry" ]; then
  keys=$(sed -n 's/^\[\(.*\)\]\r\{0,1\}$/\1/p' "$registry")
  ours=$(tr -d '\r' <"$registry" | value_name)
  wines=$(mktemp)
  while IFS= read -r key; do
    [ -n "$key" ] && export_key "$key" | value_name
  done <<<"$keys" | grep -vxF -f <(printf '%s\n' "$ours") >"$wines" || true
  run regedit /S "Z:${registry//\//\\}" >/dev/null 2>&1
fi

status=0
(cd "$device/root" && run "$exe" "${options[@]}" --root D: "Z:${device//\//\\}") || status=$?

# The device's keys, written back in the file's own form (REGEDIT4, its code
# page), without the values Wine put there of its own.
if [ -f "$registry" ]; then
  eol=$'\n'
  if grep -q $'\r$' "$registry"; then eol=$'\r\n'; fi
  out=$(mktemp)
  printf 'REGEDIT4%s' "$eol" >"$out"
  while IFS= read -r key; do
    [ -n "$key" ] || continue
    export_key "$key" | awk -v wines="$wines" '
      BEGIN { while ((getline name < wines) > 0) skip[name] = 1 }
      $0 != "" { name = $0; sub(/=.*/, "", name); if (!(name in skip)) print }' |
      iconv -f UTF-8 -t "CP$codepage" | sed "s/\$/${eol%$'\n'}/" | { printf '%s' "$eol"; cat; } >>"$out"
  done <<<"$keys"
  rm -f "$wines"
  mv "$out" "$registry"
fi
wineserver -w 2>/dev/null || true
exit $status
