#!/usr/bin/env bash
# wine-server.sh WINEROOT PDRIVE start|stop [ARCH]
# Starts the sandbox's wineserver once, quietly, before the tests (so that no test waits on
# pipes inherited by the server), and stops it after them.
set -euo pipefail
root=$1 pdrive=$2 what=$3 arch=${4:-win32}
here=$(cd "$(dirname "$0")" && pwd)
if [ "$what" = start ]; then
  "$here/make-prefix.sh" "$root" null "$pdrive" "$arch"
  "$here/wine-run.sh" "$root" wineserver -p </dev/null >/dev/null 2>&1 || true  # may already run
  "$here/wine-run.sh" "$root" wine cmd /c exit 0 </dev/null >/dev/null 2>&1
else
  "$here/wine-run.sh" "$root" wineserver -k </dev/null >/dev/null 2>&1 || true
fi
