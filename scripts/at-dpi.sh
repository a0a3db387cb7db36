#!/usr/bin/env bash
# at-dpi.sh WINEROOT DPI PROGRAM [ARGS...]
# Runs a test program with the sandbox screen at DPI pixels per inch (Wine reads LogPixels when
# its server starts), then puts the screen back to its default and restarts the server quietly.
set -u
root=$1 dpi=$2; shift 2
here=$(cd "$(dirname "$0")" && pwd)
run() { "$here/wine-run.sh" "$root" "$@" </dev/null; }
key='HKCU\Control Panel\Desktop'
restart() { run wineserver -k >/dev/null 2>&1; run wineserver -w >/dev/null 2>&1; run wineserver -p >/dev/null 2>&1; }

run wine reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
restart
QB_EXPECT_DPI=$dpi "$here/wine-run.sh" "$root" "$@"
rc=$?
run wine reg delete "$key" /v LogPixels /f >/dev/null 2>&1
restart
run wine cmd /c exit 0 >/dev/null 2>&1
exit $rc
