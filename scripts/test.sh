#!/usr/bin/env bash
# Installs what is missing, builds, runs every test headless in the sandbox prefixes, builds the
# product a second time elsewhere to check that its bytes are the same, then the fuzzers.
#   QB_BUILD_DIR     build directory (default: <top>/build)
#   QB_PREFIXES      the prefixes that run the tests, where 32-bit code runs: win64, win32 or
#                    both (the default)
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

# build DIR ARCH: configures and builds the product and its tests for ARCH (i686 or x86_64).
build() {
  cmake -S "$top" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$2-mingw.cmake" >/dev/null
  cmake --build "$1" -j"$(nproc)"
}

status=0
build "$build" i686
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  # Every test in a 64-bit prefix (the product under WoW64, as on users' machines), the folder
  # rules, removal and end-to-end tests in a 32-bit one too: a wineserver each, side by side.
  echo "test: prefixes: $prefixes"
  (cd "$build" && ctest --output-on-failure -j2 "${pick[@]}") || status=1
else
  cat <<'TXT'
test: this machine's kernel runs no 32-bit code, so Wine's 32-bit loader can't start and the
test: 32-bit QBinstaller100.exe can't run here, in a 64-bit prefix (WoW64) or a 32-bit one.
test: Its image is checked; the suite then runs on its 64-bit twin (the same sources built for
test: x86_64) in a 64-bit prefix, and QB_PREFIXES has nothing to choose.
TXT
  (cd "$build" && ctest --output-on-failure -R '^product_image$') || status=1
  build "$build/twin64" x86_64
  (cd "$build/twin64" && ctest --output-on-failure) || status=1
fi

# The same commit gives the same bytes in another folder.
"$top/scripts/check-rebuild.sh" "$build" || status=1

# The pure text parsers, fuzzed natively: each replays its committed corpus, then is fuzzed for
# a few seconds from it (scripts/fuzz.sh alone is for long runs).
rm -rf "$build/fuzz/corpus"
QB_FUZZ_BUILD_DIR=$build/fuzz QB_FUZZ_SECONDS=${QB_FUZZ_SECONDS:-4} "$top/scripts/fuzz.sh" || status=1
exit "$status"
