#!/usr/bin/env bash
# Takes the README's pictures of every screen from the demo's tour (scripts/demo.sh --tour),
# which drives the real installer under Wine on a virtual display and keeps a picture of
# each screen: one tour at 96 pixels per inch gives the welcome dialog, the installation
# status dialog, its success message, the uninstaller dialog during a removal and the
# farewell dialog; a second tour at 120 pixels per inch gives the welcome dialog there.
# On a machine whose kernel runs no 32-bit code each tour runs in the emulated machine, as the
# demo's does (the real 32-bit installer under WoW64 there), and says so.
#   QB_BUILD_DIR     build directory, as for the demo (default: <top>/build); each tour's
#                    pictures stay in <build>/pictures/96dpi and 120dpi
#   QB_PICTURES_DIR  where the README's PNGs go (default: <top>/docs/pictures)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${QB_BUILD_DIR:-$top/build}
out=${QB_PICTURES_DIR:-$top/docs/pictures}
mkdir -p "$build" "$out"
build=$(cd "$build" && pwd)
out=$(cd "$out" && pwd)

for dpi in 96 120; do
  echo "pictures: the demo's tour at $dpi pixels per inch"
  QB_BUILD_DIR=$build QB_DEMO_DIR=$build/pictures/${dpi}dpi QB_DEMO_DPI=$dpi "$top/scripts/demo.sh" --tour
done

# keep DPI TOUR-PICTURE NAME: the tour's picture (numbered in the order taken) as NAME.png.
keep() {
  local from
  from=$(find "$build/pictures/$1dpi" -name "[0-9][0-9]-$2.png" | head -n 1)
  [ -n "$from" ] || { echo "pictures: the tour at $1 dpi took no picture $2" >&2; exit 1; }
  cp "$from" "$out/$3.png"
  echo "pictures: $out/$3.png (from ${from#"$build"/})"
}
keep 96 welcome welcome
keep 96 install-status install-status
keep 96 install-success install-success
# The third status text of the removal, "del QBmanual100.doc": the screen lags the text by
# up to one pass, so by then the box shows a file being deleted.
keep 96 uninstall-status-3 uninstall-running
keep 96 farewell farewell
keep 120 welcome welcome-120dpi
