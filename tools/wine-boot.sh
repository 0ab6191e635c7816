#!/usr/bin/env bash
# Boots a device folder with initap.exe under Wine, as build/initap boots it on the PC:
#   tools/wine-boot.sh [--display headless] [--screenshot FILE.png] [--frames DIR]
#                      [--close-after SECONDS] [--quiet] [--mount 'VOLUME=HOSTDIR'] DEVICE
# One Wine prefix per user, made once (INITAP_WINE_PREFIX, default
# ~/.cache/initap-wine), without the drive that holds the whole host (Z:): no
# device path can reach the host. DEVICE/root becomes drive D:, the current drive,
# DEVICE itself E:, a scratch folder for pictures and registry files F:, and
# each mounted HOSTDIR a drive from G: on, for the boot only;
# registry.reg goes into the prefix before the boot and the values of its keys
# are written back to it after; the code page and the time zone are device.ini's.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
exe=${INITAP_WIN32_EXE:-$here/build-win32/initap.exe}
prefix=${INITAP_WINE_PREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/initap-wine}

usage="usage: tools/wine-boot.sh [--display headless] [--screenshot FILE.png] [--frames DIR] [--close-after SECONDS] [--quiet] [--mount 'VOLUME=HOSTDIR'] DEVICE"
# A host file or folder as Wine's program sees it.
# Pictures are written to the scratch drive and moved to where they were asked for.
work=$(mktemp -d)
drives=()
trap 'rm -rf "$work"; for drive in "${drives[@]}"; do rm -f "$prefix/dosdevices/$drive"; done' EXIT
outputs=()
output() { outputs+=("$work/$2=$(realpath -m "$3")"); options+=("$1" "F:\\$2"); }
# A mounted host folder gets the next free drive; initap.exe checks the volume name.
mounts=()
mount_folder() {
  local volume=${1%%=*} folder=${1#*=}
  [[ $1 == *=* && -n $volume && -n $folder ]] || { echo "wine-boot: --mount wants VOLUME=HOSTDIR, as in '\\sd card=/media/card', not '$1'" >&2; exit 2; }
  [ -d "$folder" ] || { echo "wine-boot: --mount folder '$folder' is not a folder" >&2; exit 2; }
  local letters=(g h i j k l m n)
  [ ${#mounts[@]} -lt ${#letters[@]} ] || { echo "wine-boot: too many --mount" >&2; exit 2; }
  local letter=${letters[${#mounts[@]}]}
  mounts+=("$letter:=$(cd "$folder" && pwd)")
  options+=(--mount "$volume=${letter^^}:")
}
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
    --screenshot) output "$option" screen.png "$value" ;;
    --frames) output "$option" frames "$value" ;;
    --close-after|--display) options+=("$option" "$value") ;;
    --mount) mount_folder "$value" ;;
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
# Wine takes its code page from the locale it starts in, and the encoding of
# the host's file names from its character set: always UTF-8, or a name
# outside ASCII could not be made. A locale that is not installed falls back
# to C.UTF-8 (the system converts with the device's code page all the same).
case $codepage in
  936) locale=zh_CN.UTF-8 ;;
  932) locale=ja_JP.UTF-8 ;;
  1251) locale=ru_RU.UTF-8 ;;
  *) locale=C.UTF-8 ;;
esac
if ! locale -a 2>/dev/null | grep -qix "${locale/UTF-8/utf8}"; then locale=C.UTF-8; fi
timezone=$(setting timezone)

# Without a time zone in device.ini the device keeps the PC's, as initap does.
run() { env LC_ALL="$locale" ${timezone:+TZ="$timezone"} "$here/tools/wine-run.sh" "$prefix" "$@"; }

# Makes the prefix on first use, then maps the drives.
run cmd /c exit >/dev/null 2>&1 || true
rm -f "$prefix/dosdevices/z:"
ln -sfn "$device/root" "$prefix/dosdevices/d:"
ln -sfn "$device" "$prefix/dosdevices/e:"
ln -sfn "$work" "$prefix/dosdevices/f:"
for mounted in "${mounts[@]}"; do
  drives+=("${mounted%%=*}")
  ln -sfn "${mounted#*=}" "$prefix/dosdevices/${mounted%%=*}"
done

registry="$device/registry.reg"
# The names of a key's values in an export, one a line; Wine's own are those
# the prefix holds before the device's file is loaded.
export_key() {
  local exported=$work/export.reg
  if run reg export "$1" 'F:\export.reg' /y >/dev/null 2>&1; then
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
  run regedit /S 'E:\registry.reg' >/dev/null 2>&1
fi

status=0
(cd "$device/root" && run "$exe" "${options[@]}" --registry-keys 'F:\keys.txt' --root D: 'E:') || status=$?
# The keys the boot made that registry.reg lacks: the system reads values and
# writes none, so they go back empty.
made_keys=$(tr -d '\r' 2>/dev/null <"$work/keys.txt" | { if [ -n "${keys:-}" ]; then grep -vixF -f <(printf '%s\n' "$keys"); else cat; fi; } || true)
if [ -n "$made_keys" ] && [ ! -f "$registry" ]; then
  # A new file in the form the PC's initap gives it.
  { printf 'REGEDIT4\r\n\r\n'; while IFS= read -r key; do printf '[%s]\r\n\r\n' "$key"; done <<<"$made_keys"; } | iconv -f UTF-8 -t "CP$codepage" >"$registry"
  made_keys=
fi
for output in "${outputs[@]}"; do
  made=${output%%=*} wanted=${output#*=}
  if [ -e "$made" ]; then
    rm -rf "$wanted"
    mv "$made" "$wanted"
  fi
done

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
  while IFS= read -r key; do
    [ -n "$key" ] && printf '%s[%s]%s' "$eol" "$key" "$eol" | iconv -f UTF-8 -t "CP$codepage" >>"$out"
  done <<<"$made_keys"
  mv "$out" "$registry"
  # The next device booted in this prefix finds none of this one's values.
  while IFS= read -r key; do
    [ -n "$key" ] || continue
    while IFS= read -r name; do
      [ -n "$name" ] || continue
      if [ "$name" = @ ]; then
        run reg delete "$key" /ve /f >/dev/null 2>&1 || true
      else
        name=${name#\"} name=${name%\"} name=${name//\\\"/\"} name=${name//\\\\/\\}
        run reg delete "$key" /v "$name" /f >/dev/null 2>&1 || true
      fi
    done < <(printf '%s\n' "$ours" | grep -vxF -f "$wines")
  done <<<"$keys"
  rm -f "$wines"
fi
wineserver -w 2>/dev/null || true
exit $status
