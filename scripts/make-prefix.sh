#!/usr/bin/env bash
# make-prefix.sh WINEROOT MODE PDRIVE [ARCH]
# Makes the sandbox Wine prefix WINEROOT/prefix once (MODE "null": headless, Wine's
# null display driver; MODE "desktop": a 1024x768 virtual desktop that draws captions).
# ARCH is the kind of prefix, win32 (the default) or win64; it is said, never left to Wine.
# Drives: c: is the prefix's own, p: is PDRIVE (the build tree), t: is WINEROOT/tdrive;
# the host's / is never mapped (z: is removed). When run as root, the prefix belongs to
# an unprivileged user so that read-only files behave as they do on Windows.
set -euo pipefail
root=$(realpath -m "$1") mode=$2 pdrive=$(realpath -m "$3") arch=${4:-win32}
here=$(cd "$(dirname "$0")" && pwd)
[ -f "$root/.ready" ] && exit 0

mkdir -p "$root"/{prefix,tmp,home,tdrive}
rm -f "$root/.user"
echo "$arch" > "$root/.arch"
if [ "$(id -u)" -eq 0 ] && [ "$mode" = null ]; then
  id qbwine >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin qbwine
  echo qbwine > "$root/.user"
  chown -R qbwine:qbwine "$root"
  # The unprivileged user must be able to reach the build tree.
  d=$root
  while [ "$d" != / ]; do
    if ! setpriv --reuid=qbwine --regid=qbwine --clear-groups test -x "$d"; then
      echo "make-prefix: granting traversal (o+x) on $d to the sandbox user"
      chmod o+x "$d"
    fi
    d=$(dirname "$d")
  done
fi

run() { "$here/wine-run.sh" "$root" "$@"; }
echo "make-prefix: creating the $mode $arch Wine prefix in $root/prefix (about 20 s)"
run wineboot -i >/dev/null 2>&1
if [ "$mode" = null ]; then
  run wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
else
  run wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  run wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
fi
run wineserver -w
dev=$root/prefix/dosdevices
rm -f "$dev/z:" "$dev/p:" "$dev/t:"
ln -s "$pdrive" "$dev/p:"
ln -s "$root/tdrive" "$dev/t:"
[ -f "$root/.user" ] && chown -h "$(cat "$root/.user")": "$dev/p:" "$dev/t:"
touch "$root/.ready"
