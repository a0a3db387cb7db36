#!/usr/bin/env bash
# Installs what is missing, builds, runs every test headless in the sandbox prefixes, builds the
# product a second time elsewhere to check that its bytes are the same, then the fuzzers.
# Where this machine's kernel runs no 32-bit code, the 32-bit suite runs in an emulated x86-64
# machine whose kernel does (scripts/vm-run.sh), after a check of that machine itself; the
# product's 64-bit twin runs here as a quick extra lane. Each lane's time is printed, and the
# output ends with the 32-bit suite's summary.
#   QB_BUILD_DIR     build directory (default: <top>/build)
#   QB_PREFIXES      the prefixes that run the 32-bit suite: win64, win32 or both (the default)
#   QB_FUZZ_SECONDS  fuzzing time per target after its corpus replays (default: 4)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${QB_BUILD_DIR:-$top/build}
prefixes=${QB_PREFIXES:-both}
case $prefixes in
  win64) pick=(-LE win32) ;;
  win32) pick=(-LE win64) ;;
  both) pick=() ;;
  *) echo "test: QB_PREFIXES is win64, win32 or both, not $prefixes" >&2; exit 2 ;;
esac
"$top/scripts/setup-host.sh"
mkdir -p "$build"
build=$(cd "$build" && pwd)

# However the run ends, no wineserver of ours keeps running and no sandbox under /tmp stays.
sandboxes=("$build/wine" "$build/wine32" "$build/twin64/wine")
stop_all() {
  for root in "${sandboxes[@]}"; do
    [ -e "$root" ] || [ -L "$root" ] || continue
    "$top/scripts/wine-server.sh" "$root" "$build" stop || true
  done
}
trap stop_all EXIT
trap 'exit 130' INT TERM HUP

# build DIR ARCH [CMAKE ARGS...]: configures and builds the product and its tests for ARCH
# (i686 or x86_64), and the demo's and the benchmark's programs, which share the tests'
# driver: a change there must not break them unseen.
build() {
  cmake -S "$top" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$2-mingw.cmake" "${@:3}" >/dev/null
  cmake --build "$1" -j"$(nproc)" --target all removal_bench
  cmake -S "$top/bench" -B "$1/bench" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$2-mingw.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$1/bench" -j"$(nproc)"
}
# lane NAME COMMAND...: runs one lane, says how long it took and keeps that for the recap.
recap=()
status=0
lane() {
  local name=$1 started=$SECONDS code=0 took
  shift
  echo "test: lane: $name"
  "$@" || code=$?
  took=$((SECONDS - started))
  took="$((took / 60)) min $((took % 60)) s"
  if [ "$code" -eq 0 ]; then
    recap+=("test:   $name: passed in $took")
  else
    recap+=("test:   $name: FAILED (exit code $code) in $took")
    status=1
  fi
  echo "test: lane: ${recap[-1]#test:   }"
}
# The same commit gives the same bytes in another folder.
rebuild() { "$top/scripts/check-rebuild.sh" "$build"; }
# The pure text parsers, fuzzed natively: each replays its committed corpus, then is fuzzed for
# a few seconds from it (scripts/fuzz.sh alone is for long runs).
fuzz() {
  rm -rf "$build/fuzz/corpus"
  QB_FUZZ_BUILD_DIR=$build/fuzz QB_FUZZ_SECONDS=${QB_FUZZ_SECONDS:-4} "$top/scripts/fuzz.sh"
}

if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  # Every test in a 64-bit prefix (the product under WoW64, as on users' machines), the folder
  # rules, removal and end-to-end tests in a 32-bit one too: a wineserver each, side by side.
  build "$build" i686 -DQB_SANDBOX_DIR="$build"
  echo "test: prefixes: $prefixes"
  (cd "$build" && ctest --output-on-failure -j2 "${pick[@]}") || status=1
  rebuild || status=1
  fuzz || status=1
  exit "$status"
fi

# The sandboxes of the 32-bit suite are on the emulated machine's own disk, at a path that only
# the guest has: the share of the build tree can't hold Wine's server socket.
guest_sandboxes=/var/tmp/qb-emulated-sandboxes
cat <<'TXT'
test: this machine's kernel runs no 32-bit code, so the 32-bit QBinstaller100.exe and its
test: 32-bit suite can't run here. They are built here; the suite runs in an emulated x86-64
test: machine (QEMU) whose kernel runs 32-bit code: every test in a 64-bit prefix (the product
test: under WoW64), the folder-rule, record, install, removal and end-to-end tests in a 32-bit
test: one too. The product's 64-bit twin (the same sources built for x86_64) runs here first,
test: as a quick extra lane; it doesn't stand in for the product.
TXT
lane "build of the 32-bit product and its suite (here)" build "$build" i686 -DQB_SANDBOX_DIR="$guest_sandboxes"
[ "$status" -eq 0 ] || exit 1
image() { (cd "$build" && ctest --output-on-failure -R '^(product_image|signed_product|signed_product_image)$'); }
lane "the 32-bit product's image, unsigned and signed (here)" image
lane "the emulated machine runs 32-bit code and returns its exit code" \
  env QB_BUILD_DIR="$build" "$top/scripts/vm-check.sh"
twin() { build "$build/twin64" x86_64 && (cd "$build/twin64" && ctest --output-on-failure); }
lane "64-bit twin: build and suite in a 64-bit prefix (here, quick extra lane)" twin
lane "same bytes from another folder (here)" rebuild
lane "fuzzers (here)" fuzz
suite_log=$build/emulated-suite.log
# The signed copy that the suite runs was made and checked here, in the image's lane.
signed_here=(-E '^signed_product$' -FS '^signed$')
emulated() {
  (cd "$build" && "$top/scripts/vm-run.sh" --local "$guest_sandboxes" ctest --output-on-failure -j2 "${pick[@]}" \
     "${signed_here[@]}") | tee "$suite_log"
}
lane "the 32-bit suite in the emulated machine, prefixes: $prefixes" emulated

echo "test: lanes:"
printf '%s\n' "${recap[@]}"
echo "test: the 32-bit suite's summary, from the emulated machine:"
sed -n '/tests passed\|tests failed/,$p' "$suite_log"
exit "$status"
