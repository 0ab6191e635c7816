#!/usr/bin/env bash
# Boots a device folder with initap.exe under Wine, as build/initap boots it on the PC:
#   tools/wine-boot.sh [OPTIONS] DEVICE      (initap's options: tools/wine-boot.sh --help)
# One Wine prefix per user, made once (INITAP_WINE_PREFIX, default
# ~/.cache/initap-wine), without the drive that holds the whole host (Z:): no
# device path can reach the host. So initap.exe first only reads the command
# line (INITAP_PLAN): it refuses a bad one, or names the host paths in it and
# what each is. DEVICE/root becomes drive D:, the current drive, DEVICE itself
# E:, a scratch folder F: (outputs are written there and moved to where they
# were asked for), and each mounted folder a drive from G: on, for the boot
# only; initap.exe is told where each path went (INITAP_PATHS) and names it as
# it was given. registry.reg goes into the prefix before the boot and the
# values of its keys are written back to it after; the code page and the time
# zone are device.ini's.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
exe=${INITAP_WIN32_EXE:-$here/build-win32/initap.exe}
prefix=${INITAP_WINE_PREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/initap-wine}
[ -f "$exe" ] || { echo "wine-boot: $exe is missing: run tools/win32-build.sh" >&2; exit 2; }

work=$(mktemp -d)
drives=()
trap 'rm -rf "$work"; for drive in "${drives[@]}"; do rm -f "$prefix/dosdevices/$drive"; done' EXIT
# Until device.ini is read: the command line is read alike in every locale.
locale=C.UTF-8 timezone=
# Without a time zone in device.ini the device keeps the PC's, as initap does.
run() { env LC_ALL="$locale" ${timezone:+TZ="$timezone"} "$here/tools/wine-run.sh" "$prefix" "$@"; }

# Makes the prefix on first use; the plan is written to the scratch drive.
run cmd /c exit >/dev/null 2>&1 || true
rm -f "$prefix/dosdevices/z:"
ln -sfn "$work" "$prefix/dosdevices/f:"
(cd "$work" && export INITAP_PLAN='F:\plan' && run "$exe" "$@") || exit $?
[ -f "$work/plan" ] || exit 0  # only the usage was asked for

# Each host path of the plan on its drive, in the plan's order.
places=()
outputs=()
mounts=()
letters=(g h i j k l m n)
while IFS= read -r -d '' kind && IFS= read -r -d '' path; do
  path=$(realpath -m -- "$path")
  case $kind in
    device)
      device=$path
      places+=(E:) ;;
    mount)
      [ ${#mounts[@]} -lt ${#letters[@]} ] || { echo "wine-boot: too many folders to mount" >&2; exit 2; }
      letter=${letters[${#mounts[@]}]}
      mounts+=("$letter:=$path")
      places+=("${letter^^}:") ;;
    file|folder)
      places+=("F:\\output${#outputs[@]}")
      outputs+=("$work/output${#outputs[@]}=$path") ;;
  esac
done <"$work/plan"

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

# A device folder handed over must not reach the PC's own files through a link.
if [ -L "$device/root" ]; then
  echo "initap: $device/root is a link; a device's root/ is a folder of its own (--mount '\\VOLUME=HOSTDIR' puts a host folder in place of a volume)" >&2
  exit 2
fi
for written in registry.reg launched.log debug.log clock; do
  if [ -L "$device/$written" ]; then
    echo "initap: $device/$written is a link; the platform writes it, so it must be a file of the device" >&2
    exit 2
  fi
done

ln -sfn "$device/root" "$prefix/dosdevices/d:"
ln -sfn "$device" "$prefix/dosdevices/e:"
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
# A DEVICE without root/ (or none at all) is initap.exe's to refuse.
(cd "$device/root" 2>/dev/null || cd "$work"
 export INITAP_PATHS=$(IFS='|'; printf '%s' "${places[*]}") INITAP_ROOT=D: INITAP_REGISTRY_KEYS='F:\keys.txt'
 run "$exe" "$@") || status=$?
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
