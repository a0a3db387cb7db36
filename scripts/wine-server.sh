#!/usr/bin/env bash
# wine-server.sh WINEROOT PDRIVE start|stop|drop [ARCH]
#   start  makes the sandbox if needed (make-prefix.sh) and starts its wineserver once, quietly,
#          before the tests (so that no test waits on pipes inherited by the server), from a
#          known state: a server left by an interrupted run goes, with its programs, and the
#          screen is back at its default pixels per inch.
#   stop   stops the server after the tests; a sandbox under /tmp goes with it.
#   drop   stops the server and removes the sandbox, if make-prefix.sh made it.
set -euo pipefail
root=$(realpath -m -s "$1") pdrive=$2 what=$3 arch=${4:-win32}
here=$(cd "$(dirname "$0")" && pwd)
run() { "$here/wine-run.sh" "$root" "$@" </dev/null >/dev/null 2>&1; }
stop_server() {
  [ -f "$root/.arch" ] || return 0
  run wineserver -k || true
  run wineserver -w || true
}
# Removes the sandbox under /tmp that WINEROOT links to, and the link.
remove_linked() {
  local target
  target=$(readlink "$root")
  case $target in /tmp/qb-sandbox.*) rm -rf -- "$target"; rm -f -- "$root" ;; esac
}

case $what in
  start)
    "$here/make-prefix.sh" "$root" null "$pdrive" "$arch"
    stop_server
    run wineserver -p
    # Each process reads the screen's pixels per inch as it starts; a run interrupted at
    # another value may have left it set.
    run wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f || true
    run wine cmd /c exit 0 ;;
  stop)
    stop_server
    [ ! -L "$root" ] || remove_linked ;;
  drop)
    stop_server
    if [ -L "$root" ]; then
      remove_linked
    elif [ -f "$root/.ready" ] || [ -f "$root/.arch" ]; then
      rm -rf -- "$root"
    fi ;;
  *) echo "wine-server: start, stop or drop, not $what" >&2; exit 2 ;;
esac
