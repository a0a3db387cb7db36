#!/usr/bin/env bash
# wine-server.sh WINEROOT PDRIVE start|stop
# Starts the sandbox's wineserver once, quietly, before the tests (so that no test waits on
# pipes inherited by the server), and stops it after them.
set -euo pipefail
root=$1 pdrive=$2 what=$3
here=$(cd "$(dirname "$0")" && pwd)
if [ "$what" = start ]; then
  "$here/make-prefix.sh" "$root" null "$pdrive"
  "$here/wine-run.sh" "$root" wineserver -p </dev/null >/dev/null 2>&1 || true  # may already run
  "$here/wine-run.sh" "$root" wine cmd /c exit 0 </dev/null >/dev/null 2>&1
else
  "$here/wine-run.sh" "$root" wineserver -k </dev/null >/dev/null 2>&1 || true
fi
