#!/usr/bin/env bash
# Takes the README's pictures of every screen of the real installer: runs it under Wine in
# a sandbox prefix of its own (a 1024x768 virtual desktop, so that captions are drawn) on a
# private Xvfb display, drives it with bench/picture_driver, and saves PNGs of the welcome
# dialog (at 96 and at 120 pixels per inch), the installation status dialog, the success
# message, the uninstaller dialog during a removal and the farewell dialog.
#   QB_PICTURES_BUILD_DIR  build directory (default: <top>/build-bench)
#   QB_PICTURES_DIR        where the PNGs go (default: <top>/docs/pictures)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${QB_PICTURES_BUILD_DIR:-$top/build-bench}
out=${QB_PICTURES_DIR:-$top/docs/pictures}
mkdir -p "$build" "$out"
build=$(cd "$build" && pwd)
out=$(cd "$out" && pwd)
wine_root=$build/pictures-wine

"$top/scripts/setup-host.sh"
echo "pictures: building" >&2
cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/i686-mingw.cmake" >/dev/null
cmake --build "$build" --target QBinstaller100 -j"$(nproc)" >/dev/null
cmake -S "$top/bench" -B "$build/bench" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/i686-mingw.cmake" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/bench" --target picture_driver -j"$(nproc)" >/dev/null

# A display of our own: Xvfb picks a free number and writes it to the file.
display_file=$build/pictures-xvfb.display
: >"$display_file"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
[ -s "$display_file" ] || { echo "pictures: Xvfb did not start" >&2; kill "$xvfb_pid"; exit 1; }
export DISPLAY=:$(cat "$display_file")

"$top/scripts/make-prefix.sh" "$wine_root" desktop "$build" >&2
wrun() { "$top/scripts/wine-run.sh" "$wine_root" "$@"; }
stop_server() { wrun wineserver -k </dev/null >/dev/null 2>&1 || true; wrun wineserver -w </dev/null >/dev/null 2>&1 || true; }
trap 'stop_server; kill "$xvfb_pid" 2>/dev/null || true' EXIT
dpi() {   # the screen's pixels per inch, read by Wine when its server starts
  wrun wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
  stop_server
  wrun wineserver -p </dev/null >/dev/null 2>&1
  wrun wine cmd /c exit 0 </dev/null >/dev/null 2>&1
}

# Runs the picture driver and takes a screenshot, cropped to the rectangle it names,
# each time it asks for one.
shoot() {
  local line name x y w h pid
  coproc DRIVER { wrun wine 'P:\bench\picture_driver.exe' "$@" 2>&1; }
  pid=$DRIVER_PID
  while read -r line <&"${DRIVER[0]}"; do
    line=${line%$'\r'}
    case "$line" in
      SHOT\ *)
        read -r _ name x y w h <<<"$line"
        import -window root -crop "${w}x${h}+${x}+${y}" +repage -strip "$out/$name.png"
        echo "pictures: $out/$name.png (${w}x${h})" >&2
        echo taken >&"${DRIVER[1]}" ;;
      DONE) ;;
      *) echo "pictures: $line" >&2 ;;
    esac
  done
  wait "$pid"
}

# The installer always starts with its current folder on the prefix's c: drive.
cd "$wine_root/prefix/drive_c"
dpi 96
shoot tour
dpi 120
shoot welcome welcome-120dpi
dpi 96
echo "pictures: done" >&2
