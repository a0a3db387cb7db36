#!/usr/bin/env bash
# make-prefix.sh WINEROOT MODE PDRIVE [ARCH]
# Makes the sandbox Wine prefix WINEROOT/prefix once (MODE "null": headless, Wine's
# null display driver; MODE "desktop": a 1024x768 virtual desktop that draws captions).
# ARCH is the kind of prefix, win32 (the default) or win64; it is said, never left to Wine.
# Drives: c: is the prefix's own, p: is PDRIVE (the build tree), t: is WINEROOT/tdrive;
# the host's / is never mapped (z: is removed).
#
# Run as root in MODE null, Wine runs as the existing unprivileged user nobody, so that
# read-only files behave as they do on Windows, in a sandbox that user owns. When nobody can
# reach the build tree (every folder above it open to others), the sandbox is WINEROOT itself;
# otherwise WINEROOT is a link to a new folder /tmp/qb-sandbox.*, whose p: is a copy of the
# programs (*.exe, *.dll) of PDRIVE's folders (bin/: the product and the tests) that
# wine-run.sh keeps up to date, and which wine-server.sh stop removes.
# No user is added and no folder this script did not make has its permissions changed.
# A prefix made for another kind or user, or left half made, is made again.
set -euo pipefail
root=$(realpath -m -s "$1") mode=$2 pdrive=$(realpath -m "$3") arch=${4:-win32}
here=$(cd "$(dirname "$0")" && pwd)

user=
if [ "$(id -u)" -eq 0 ] && [ "$mode" = null ]; then user=nobody; fi
closed=
if [ -n "$user" ]; then
  group=$(id -gn "$user")
  as_user() { setpriv --reuid="$user" --regid="$group" --clear-groups -- "$@"; }
  # closed FOLDER [FILE...]: the first folder on the way to FOLDER, from / down, that the user
  # can't search, or else the first FILE it can't read; nothing when all are open to it.
  closed() {
    local d= part parts
    IFS=/ read -ra parts <<<"${1#/}"
    for part in "${parts[@]}"; do
      d=$d/$part
      as_user test -x "$d" || { echo "$d"; return; }
    done
    shift
    for d in "$@"; do
      [ ! -e "$d" ] || as_user test -r "$d" || { echo "$d"; return; }
    done
  }
  closed=$(closed "$(dirname "$root")")
  [ -n "$closed" ] || closed=$(closed "$pdrive" "$pdrive" "$pdrive/bin" "$pdrive"/*/*.exe "$pdrive"/*/*.dll)
fi
# A sandbox in the build tree is kept from run to run; one under /tmp is made anew each time.
if [ -z "$closed" ] && [ ! -L "$root" ] && [ -f "$root/.ready" ] &&
   [ "$(cat "$root/.arch" 2>/dev/null)" = "$arch" ] && [ "$(cat "$root/.user" 2>/dev/null)" = "$user" ]; then
  exit 0
fi

# Whatever stands at WINEROOT goes, if it is one of ours.
"$here/wine-server.sh" "$root" "$pdrive" drop
if [ -e "$root" ] && [ -n "$(ls -A "$root")" ]; then
  echo "make-prefix: $root is no sandbox of ours and not empty; not touching it" >&2
  exit 1
fi
sandbox=$root
if [ -n "$closed" ]; then
  sandbox=$(mktemp -d /tmp/qb-sandbox.XXXXXX)
  ln -s "$sandbox" "$root"
  echo "make-prefix: $user can't enter $closed, so the sandbox is $sandbox (linked as $root)"
fi

# A prefix left half made by a failure or an interruption goes at once.
trap '[ -f "$sandbox/.ready" ] || "$here/wine-server.sh" "$root" "$pdrive" drop' EXIT

mkdir -p "$sandbox"/{prefix,tmp,home,tdrive}
echo "$arch" > "$sandbox/.arch"
p=$pdrive
if [ "$sandbox" != "$root" ]; then
  # p: is a copy of the build tree's programs, readable by the user and not writable, as the
  # build tree is. wine-run.sh refreshes it and runs programs named in the build tree from it.
  p=$sandbox/pdrive
  mkdir -p "$p"
  echo "$pdrive" > "$sandbox/.copy-of"
fi
if [ -n "$user" ]; then
  echo "$user" > "$sandbox/.user"
  chown -R "$user:$group" "$sandbox"
  [ "$sandbox" = "$root" ] || chown root:root "$sandbox/.copy-of" "$p"
fi

run() { "$here/wine-run.sh" "$root" "$@"; }
echo "make-prefix: creating the $mode $arch Wine prefix in $sandbox/prefix (about 20 s)"
run wineboot -i >/dev/null 2>&1 || { echo "make-prefix: wineboot failed in $sandbox/prefix" >&2; exit 1; }
if [ "$mode" = null ]; then
  run wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
else
  run wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  run wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
fi
run wineserver -w
dev=$sandbox/prefix/dosdevices
rm -f "$dev/z:" "$dev/p:" "$dev/t:"
ln -s "$p" "$dev/p:"
ln -s "$sandbox/tdrive" "$dev/t:"
[ -n "$user" ] && chown -h "$user:$group" "$dev/p:" "$dev/t:"
touch "$sandbox/.ready"
