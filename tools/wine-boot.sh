#!/usr/bin/env bash
# Boots a device folder with initap.exe under Wine, as build/initap boots it on the PC:
#   tools/wine-boot.sh [--display headless] [--screenshot FILE.png] [--frames DIR]
#                      [--close-after SECONDS] [--quiet] DEVICE
# One Wine prefix per user, made once (INITAP_WINE_PREFIX, default
# ~/.cache/initap-wine). DEVICE/root becomes drive D:, the current drive;
# registry.reg goes into the prefix before the boot and the values of its keys
# are written back to it after; the code page and the time zone are device.ini's.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
exe=${INITAP_WIN32_EXE:-$here/build-win32/initap.exe}
prefix=${INITAP_WINE_PREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/initap-wine}

usage="usage: tools/wine-boot.sh [--display headless] [--screenshot FILE.png] [--frames DIR] [--close-after SECONDS] [--quiet] DEVICE"
# A host file or folder as Wine's program sees it.
windows_path() { local path; path=$(realpath -m "$1"); echo "Z:${path//\//\\}"; }
options=()
while [ $# -gt 1 ]; do
  option=$1 value=
  case $option in
    --*=*) value=${option#*=} option=${option%%=*} ;;
    --screenshot|--frames|--close-after|--display|--mount)
      [ $# -gt 2 ] || { echo "wine-boot: $option needs a value" >&2; exit 2; }
      value=$2
      shift ;;
  esac
  case $option in
    --quiet) options+=("$option") ;;
    --screenshot|--frames) options+=("$option" "$(windows_path "$value")") ;;
    --close-after|--display) options+=("$option" "$value") ;;
    --mount) echo "wine-boot: --mount is not offered under Wine: put the card's files into DEVICE/root" >&2; exit 2 ;;
    -h|--help) echo "$usage"; exit 0 ;;
    *) echo "wine-boot: unknown option $option" >&2; exit 2 ;;
  esac
  shift
done
if [ $# -ne 1 ] || [ ! -d "$1/root" ]; then
  echo "$usage (DEVICE: a folder with root/ in it)" >&2
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
