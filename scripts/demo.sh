#!/usr/bin/env bash
# Installs what is missing, builds, makes the demo's own Wine prefix (a 1024x768 Wine desktop)
# inside the build tree, stages c:\zarvo\temp\ with the built installer and four sample files,
# and starts c:\zarvo\temp\QBinstaller100.exe with its current folder on that C: drive.
# Uses $DISPLAY when set; otherwise a virtual display (Xvfb), with screenshots to look at.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${QB_BUILD_DIR:-$top/build}
"$top/scripts/setup-host.sh"
cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/i686-mingw.cmake" >/dev/null
cmake --build "$build" -j"$(nproc)" --target QBinstaller100

root=$build/demo-wine
"$top/scripts/make-prefix.sh" "$root" desktop "$build"
drive_c=$root/prefix/drive_c
staging=$drive_c/zarvo/temp
mkdir -p "$staging"
cp "$build/bin/QBinstaller100.exe" "$staging/"
for f in qb.exe QBmanual100.PDF QBmanual100.doc QBmanual100.txt; do
  printf 'Quorbel v1.00 sample file: %s\r\n' "$f" > "$staging/$f"
done
[ -f "$root/.user" ] && chown -R "$(cat "$root/.user")": "$drive_c/zarvo"

xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  export DISPLAY=:91
  Xvfb "$DISPLAY" -screen 0 1024x768x24 -ac -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  sleep 1
fi
stop() {
  "$top/scripts/wine-run.sh" "$root" wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap stop EXIT

echo "demo: starting c:\\zarvo\\temp\\QBinstaller100.exe (current folder c:\\) on display $DISPLAY"
# The current folder is C:\ because the Unix folder is the prefix's drive_c.
cd "$drive_c"
"$top/scripts/wine-run.sh" "$root" wine 'c:\zarvo\temp\QBinstaller100.exe' "$@" &
installer=$!

if [ -n "$xvfb_pid" ]; then
  shot=$build/demo-screenshot.png
  sleep 5
  import -display "$DISPLAY" -window root "$shot" 2>/dev/null || true
  cat <<TXT
demo: no \$DISPLAY was set, so the installer runs on the virtual display $DISPLAY.
demo: a screenshot of it is in $shot (take another with: DISPLAY=$DISPLAY import -window root shot.png).
demo: to use it yourself, run this script from a desktop session (with \$DISPLAY set).
demo: waiting for the installer to end (Ctrl+C to stop it).
TXT
fi
wait "$installer"
code=$?
echo "demo: the installer exited with code $code"
