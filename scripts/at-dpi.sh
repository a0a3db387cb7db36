#!/usr/bin/env bash
# at-dpi.sh WINEROOT DPI PROGRAM FILTER [PROGRAM FILTER...]
# Runs each GoogleTest PROGRAM, limited to --gtest_filter=FILTER, with the sandbox screen at DPI
# pixels per inch: one change of LogPixels for all of them. On Wine's null display driver each
# process reads the value when it starts, so the server keeps running (a restart costs minutes
# in the emulated machine). The screen goes back to its default afterwards, and when
# interrupted; wine-server.sh start puts it back too, should this script be killed outright.
set -u
root=$1 dpi=$2; shift 2
if [ $# -eq 0 ] || [ $(($# % 2)) -ne 0 ]; then
  echo "at-dpi: give each PROGRAM its FILTER" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
run() { "$here/wine-run.sh" "$root" "$@" </dev/null >/dev/null 2>&1; }
key='HKCU\Control Panel\Desktop'
back_to_default() { run wine reg delete "$key" /v LogPixels /f; }
trap 'back_to_default; exit 130' INT TERM HUP

run wine reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f
status=0
while [ $# -ge 2 ]; do
  echo "at-dpi: $(basename "$1") --gtest_filter=$2 at $dpi pixels per inch"
  QB_EXPECT_DPI=$dpi "$here/wine-run.sh" "$root" "$1" --gtest_filter="$2" || status=1
  shift 2
done
back_to_default
exit $status
