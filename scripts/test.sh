#!/usr/bin/env bash
# Installs what is missing, builds, runs every test headless in the sandbox prefix, then the fuzzers.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${QB_BUILD_DIR:-$top/build}
"$top/scripts/setup-host.sh"

# build DIR ARCH: configures and builds the product and its tests for ARCH (i686 or x86_64).
build() {
  cmake -S "$top" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$2-mingw.cmake" >/dev/null
  cmake --build "$1" -j"$(nproc)"
}

status=0
build "$build" i686
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  (cd "$build" && ctest --output-on-failure) || status=1
else
  cat <<'TXT'
test: this machine's kernel runs no 32-bit code, so Wine's 32-bit loader can't start and the
test: 32-bit QBinstaller100.exe can't run here. Its image is checked; the suite then runs on its
test: 64-bit twin (the same sources built for x86_64) in a 64-bit prefix.
TXT
  (cd "$build" && ctest --output-on-failure -R '^product_image$') || status=1
  build "$build/twin64" x86_64
  (cd "$build/twin64" && ctest --output-on-failure) || status=1
fi

# The pure text parsers, fuzzed natively for a short bounded time.
QB_FUZZ_BUILD_DIR=$build/fuzz "$top/scripts/fuzz.sh" || status=1
exit "$status"
