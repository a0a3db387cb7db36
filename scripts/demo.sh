#!/usr/bin/env bash
# scripts/demo.sh [--tour | --interactive [INSTALLER ARGUMENTS...]]
# Installs what is missing, builds, makes the demo's own Wine prefix inside the build tree (a
# 64-bit prefix with a 1024x768 Wine desktop: the 32-bit installer runs there under WoW64, as
# on users' machines), stages c:\zarvo\temp\ with the built installer and four sample files,
# and then:
#   --tour         (the default without $DISPLAY) on a virtual display of its own (xvfb-run),
#                  drives the installer through its whole story as a person would (install,
#                  removal, declining), tells each step, saves a picture of each screen in
#                  QB_DEMO_DIR, and exits 0 when everything went as a user would expect.
#   --interactive  (the default with $DISPLAY) starts c:\zarvo\temp\QBinstaller100.exe with
#                  the arguments given, for you to use, and waits for it to end. Without
#                  $DISPLAY it runs on a virtual display and saves one picture of it.
# The installer always starts with its current folder c:\. On a machine whose kernel runs no
# 32-bit code the demo builds here and takes the tour in an emulated x86-64 machine whose
# kernel does (scripts/vm-run.sh), with Xvfb there; it can't reach your display from there, so
# it takes the tour even with $DISPLAY set, and --interactive is refused.
#   QB_BUILD_DIR  build directory (default: <top>/build)
#   QB_DEMO_DIR   where the pictures go (default: <build>/demo; in the build tree when the tour
#                 runs in the emulated machine); the tour first deletes the pictures an earlier
#                 tour left there (NN-*.png), and nothing else
#   QB_DEMO_DPI   the screen's pixels per inch (default: 96), set afresh on every run
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${QB_BUILD_DIR:-$top/build}
mkdir -p "$build"
build=$(cd "$build" && pwd)
pictures=$(realpath -m "${QB_DEMO_DIR:-$build/demo}")
dpi=${QB_DEMO_DPI:-96}

# Where this kernel runs no 32-bit code, the tour goes to an emulated machine (see below).
emulated=
/usr/lib/wine/wine --version >/dev/null 2>&1 || emulated=yes

mode=
case "${1:-}" in --tour | --interactive) mode=${1#--}; shift ;; esac
if [ -z "$mode" ]; then
  if [ -n "${DISPLAY:-}" ] && [ -z "$emulated" ]; then mode=interactive; else mode=tour; fi
fi
if [ "$mode" = interactive ] && [ -n "$emulated" ]; then
  echo "demo: this machine's kernel runs no 32-bit code, and the emulated machine that runs the" >&2
  echo "demo: installer can't show it on your display: take the tour (--tour) instead" >&2
  exit 2
fi
if [ "$mode" = tour ] && [ $# -gt 0 ]; then
  echo "demo: the tour takes no installer arguments; pass them with --interactive" >&2
  exit 2
fi

# Phase one (once): set-up, build, prefix and staging. It then starts phase two on the
# display: a virtual one through xvfb-run, or the user's own. Set-up and build are done
# (QB_DEMO_BUILT) when this runs in the emulated machine.
if [ -z "${QB_DEMO_ON_XVFB:-}" ] && [ -z "${QB_DEMO_BUILT:-}" ]; then
  "$top/scripts/setup-host.sh"
fi

root=$build/demo-wine
drive_c=$root/prefix/drive_c
wrun() { "$top/scripts/wine-run.sh" "$root" "$@"; }
shown() { case "$1" in "$top"/*) echo "${1#"$top"/}" ;; *) echo "$1" ;; esac; }

if [ -z "${QB_DEMO_ON_XVFB:-}" ]; then
  if [ -z "${QB_DEMO_BUILT:-}" ]; then
    cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/i686-mingw.cmake" >/dev/null
    cmake --build "$build" -j"$(nproc)" --target QBinstaller100
    if [ "$mode" = tour ]; then
      cmake -S "$top/bench" -B "$build/bench" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/i686-mingw.cmake" \
            -DCMAKE_BUILD_TYPE=Release >/dev/null
      cmake --build "$build/bench" -j"$(nproc)" --target tour_driver
    fi
  fi
  if [ -n "$emulated" ]; then
    # Only the build tree reaches this machine from the emulated one; the demo's prefix is on
    # the guest's own disk, made anew each time (Wine's server socket can't be on the share).
    case $pictures/ in "$build"/*) ;; *)
      echo "demo: the tour runs in the emulated machine, whose pictures reach this one only through the build tree: QB_DEMO_DIR must be inside $build" >&2
      exit 2 ;;
    esac
    echo "demo: this machine's kernel runs no 32-bit code, so the tour runs in an emulated x86-64 machine (scripts/vm-run.sh), whose kernel does"
    started=$(date +%s)
    code=0
    QB_BUILD_DIR=$build "$top/scripts/vm-run.sh" --local "$root" env QB_DEMO_BUILT=1 "$0" --tour || code=$?
    echo "demo: $(($(date +%s) - started)) s in all in the emulated machine, its start and the demo's prefix included"
    exit "$code"
  fi

  # Demos before this one made a 32-bit prefix; the demo's prefix is a 64-bit one now.
  if [ -f "$root/.ready" ] && [ "$(cat "$root/.arch" 2>/dev/null)" != win64 ]; then
    echo "demo: replacing the earlier 32-bit demo prefix in $(shown "$root") with a 64-bit one"
    wrun wineserver -k </dev/null >/dev/null 2>&1 || true
    rm -rf "$root"
  fi
  "$top/scripts/make-prefix.sh" "$root" desktop "$build" win64

  staging=$drive_c/zarvo/temp
  rm -rf "$staging"
  mkdir -p "$staging"
  cp "$build/bin/QBinstaller100.exe" "$staging/"
  for f in qb.exe QBmanual100.PDF QBmanual100.doc QBmanual100.txt; do
    printf 'Quorbel v1.00 sample file: %s\r\n' "$f" > "$staging/$f"
  done
  if [ "$mode" = tour ]; then
    # The tour tells a whole story from a machine where nothing is installed.
    if [ -e "$drive_c/zarvo/quorbel" ] || [ -e "$drive_c/quorbelregistry.dat" ]; then
      echo "demo: removing what an earlier demo installed (c:\\zarvo\\quorbel, c:\\quorbelregistry.dat)"
      rm -rf "$drive_c/zarvo/quorbel" "$drive_c/quorbelregistry.dat"
    fi
    rm -f "$pictures"/[0-9][0-9]-*.png
  fi
  mkdir -p "$pictures"
  [ -f "$root/.user" ] && chown -R "$(cat "$root/.user")": "$drive_c/zarvo"

  if [ "$mode" = tour ] || [ -z "${DISPLAY:-}" ]; then
    # -ac: Wine may run as the sandbox's own user, who can't read the display's cookie file.
    exec env QB_DEMO_ON_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24 -ac" "$0" --"$mode" "$@"
  fi
fi

# Phase two, on the display. The Wine server starts afresh, quietly (so that no pipe of ours
# is held by it), at the screen's pixels per inch, which it reads when it starts.
stop_server() {
  wrun wineserver -k </dev/null >/dev/null 2>&1 || true
  wrun wineserver -w </dev/null >/dev/null 2>&1 || true
}
stop_server
trap stop_server EXIT
wrun wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1
stop_server
wrun wineserver -p </dev/null >/dev/null 2>&1
wrun wine cmd /c exit 0 </dev/null >/dev/null 2>&1

# Every Wine program here starts with its current folder c:\ (the Unix folder is drive_c).
cd "$drive_c"

if [ "$mode" = interactive ]; then
  echo "demo: starting c:\\zarvo\\temp\\QBinstaller100.exe (current folder c:\\) on display $DISPLAY"
  wrun wine 'c:\zarvo\temp\QBinstaller100.exe' "$@" &
  installer=$!
  if [ -n "${QB_DEMO_ON_XVFB:-}" ]; then
    sleep 5
    import -window root "$pictures/interactive.png" 2>/dev/null || true
    cat <<TXT
demo: no \$DISPLAY was set, so the installer runs on the virtual display $DISPLAY, where
demo: nobody can press its buttons; a picture of it is in $(shown "$pictures/interactive.png").
demo: run this script from a desktop session (with \$DISPLAY set) to use it yourself, or
demo: run it without --interactive for the tour. Waiting for the installer to end (Ctrl+C).
TXT
  fi
  code=0
  wait "$installer" || code=$?
  echo "demo: the installer exited with code $code"
  exit "$code"
fi

echo "demo: the tour, on the virtual display $DISPLAY at $dpi pixels per inch; pictures in $(shown "$pictures")/"
started=$(date +%s)
coproc TOUR { wrun wine 'P:\bench\tour_driver.exe' 2>&1; }
tour_pid=$TOUR_PID
exec {from_tour}<&"${TOUR[0]}" {to_tour}>&"${TOUR[1]}"
count=0 outcome=
while IFS= read -r line <&"$from_tour"; do
  line=${line%$'\r'}
  case "$line" in
    SHOT\ * | SNAP\ *)
      read -r verb name x y w h <<<"$line"
      count=$((count + 1))
      file=$(printf '%s/%02d-%s.png' "$pictures" "$count" "$name")
      import -window root -crop "${w}x${h}+${x}+${y}" +repage -strip "$file"
      echo "demo:     picture: $(shown "$file")"
      if [ "$verb" = SHOT ]; then echo taken >&"$to_tour" || true; fi ;;
    DONE) outcome=done; break ;;
    FAILED:*) echo "demo: $line"; outcome=failed; break ;;
    *) echo "demo: $line" ;;
  esac
done
exec {from_tour}<&- {to_tour}>&-
code=0
wait "$tour_pid" || code=$?
if [ "$outcome" = done ] && [ "$code" -eq 0 ]; then
  echo "demo: the tour went as expected in $(($(date +%s) - started)) s; $count pictures in $(shown "$pictures")/"
  exit 0
fi
echo "demo: the tour failed (driver exit code $code); the pictures so far are in $(shown "$pictures")/" >&2
exit 1
