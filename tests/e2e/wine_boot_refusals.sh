#!/usr/bin/env bash
# Command lines initap.exe refuses when booted through tools/wine-boot.sh:
# each in one line that names the host path as given, with exit code 2, and
# before the boot, so the card waiting in DEVICE is still there afterwards.
#   tests/e2e/wine_boot_refusals.sh WINE-BOOT DEVICE
set -uo pipefail
boot=$1 device=$2
failed=0
# What initap.exe says, then the options; the arguments hold no space.
while IFS='|' read -r said options; do
  out=$("$boot" $options "$device" 2>&1)
  status=$?
  if [ $status -ne 2 ] || [[ $out != "initap: $said"* ]] || [ "$(printf '%s\n' "$out" | wc -l)" -ne 1 ]; then
    echo "wine-boot.sh $options: exit $status, said: $out" >&2
    failed=1
  fi
done <<'CASES'
--dry-run is not offered here|--dry-run
--report is not offered here|--report r.json
--animation is not offered here|--animation=a.webp
--close-after wants a number of seconds, not 'soon'|--close-after soon
--mount: the device has no volume '\sdcard'; its volumes are|--mount \sdcard=/tmp
--mount folder '/nonexistent/card' is not a folder|--mount \FlashHd=/nonexistent/card
unknown option '--bogus' (see initap --help)|--bogus
CASES
[ -e "$device/root/sd card/update.xml" ] && [ ! -e "$device/root/FlashHd/updatelog.txt" ] || {
  echo "a refused command line changed the device" >&2
  failed=1
}
# A device whose root/ is a link is refused before anything is written there.
linked=$(mktemp -d)
cp -r "$device" "$linked/device" && mv "$linked/device/root" "$linked/elsewhere" &&
  ln -s "$linked/elsewhere" "$linked/device/root"
out=$("$boot" "$linked/device" 2>&1)
status=$?
if [ $status -ne 2 ] || [[ $out != "initap: $linked/device/root is a link;"* ]] ||
  [ -e "$linked/elsewhere/FlashHd/updatelog.txt" ]; then
  echo "wine-boot.sh with root/ a link: exit $status, said: $out" >&2
  failed=1
fi
rm -rf "$linked"
exit $failed
