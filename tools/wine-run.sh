#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of its own, made on first use:
#   tools/wine-run.sh PREFIX PROGRAM.exe [ARGS...]
# No debugger waits on a crash, Wine says nothing of its own, and windows are
# drawn in memory by the null graphics driver, so no X server is needed.
set -euo pipefail
prefix=$1
shift
export WINEPREFIX=$prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winedbg.exe=d;mscoree=d;mshtml=d"
export DISPLAY=

if [ ! -f "$prefix/.initap-ready" ]; then
  mkdir -p "$prefix"
  (
    flock 9
    if [ ! -f "$prefix/.initap-ready" ]; then
      wineboot -i >/dev/null 2>&1
      # The driver is chosen when wineserver starts: set it, then restart.
      wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
      wineserver -w
      touch "$prefix/.initap-ready"
    fi
  ) 9>"$prefix.lock"
fi
exec wine "$@"
