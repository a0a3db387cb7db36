#!/usr/bin/env bash
# wine-run.sh WINEROOT COMMAND [ARGS...]
# Runs COMMAND (wine, wineserver, a .exe path, ...) against the sandbox prefix in WINEROOT,
# as the prefix's unprivileged user when there is one. A bare .exe path is run through wine.
root=$(realpath -m "$1"); shift
export WINEPREFIX=$root/prefix TMPDIR=$root/tmp HOME=$root/home
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$root/.arch" ] && export WINEARCH=$(cat "$root/.arch")
# A kernel that runs no 32-bit code can't start Wine's 32-bit loader, which "wine" prefers:
# a 64-bit prefix then goes through the 64-bit loader alone (it runs 64-bit programs only).
if [ "${WINEARCH:-}" = win64 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  export WINELOADER=/usr/lib/wine/wine64
  shims=$root/bin
  if [ ! -x "$shims/wine-stable" ]; then
    mkdir -p "$shims"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' > "$shims/wine"
    chmod 755 "$shims/wine"
    cp "$shims/wine" "$shims/wine-stable"
  fi
  export PATH=$shims:$PATH
fi
# A program named by a host path runs by its full path, from whatever folder it ends up in.
case "$1" in *.exe|*.EXE) [ ! -f "$1" ] || set -- "$(realpath "$1")" "${@:2}"; set -- wine "$@" ;; esac
# A sandbox whose user can't reach the build tree has a copy of the tree's programs as p: (see
# make-prefix.sh): brought up to date, and programs named in the build tree run from the copy.
if [ -f "$root/.copy-of" ]; then
  tree=$(cat "$root/.copy-of")
  (shopt -s nullglob; cd "$tree" && programs=(*/*.exe */*.dll) &&
     { [ ${#programs[@]} -eq 0 ] || cp --parents -u --preserve=timestamps -- "${programs[@]}" "$root/pdrive/"; })
  chmod -R a+rX "$root/pdrive"
  args=()
  for a in "$@"; do
    case $a in "$tree"/*) [ ! -e "$root/pdrive/${a#"$tree"/}" ] || a=$root/pdrive/${a#"$tree"/} ;; esac
    args+=("$a")
  done
  set -- "${args[@]}"
fi
if [ "$(id -u)" -eq 0 ] && [ -f "$root/.user" ]; then
  u=$(cat "$root/.user")
  as_user=(setpriv --reuid="$u" --regid="$(id -g "$u")" --clear-groups --)
  # A current folder the user can't reach would leave Wine's current drive undefined: start on c:.
  "${as_user[@]}" test -x "$(pwd -P)" || cd "$WINEPREFIX/drive_c"
  exec "${as_user[@]}" "$@"
fi
exec "$@"
