#!/usr/bin/env bash
# wine-run.sh WINEROOT COMMAND [ARGS...]
# Runs COMMAND (wine, wineserver, a .exe path, ...) against the sandbox prefix in WINEROOT,
# as the prefix's unprivileged user when there is one. A bare .exe path is run through wine.
root=$(realpath -m "$1"); shift
export WINEPREFIX=$root/prefix TMPDIR=$root/tmp HOME=$root/home
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
case "$1" in *.exe|*.EXE) set -- wine "$@" ;; esac
if [ "$(id -u)" -eq 0 ] && [ -f "$root/.user" ]; then
  u=$(cat "$root/.user")
  exec setpriv --reuid="$u" --regid="$u" --clear-groups -- "$@"
fi
exec "$@"
