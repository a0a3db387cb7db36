#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (headless, in the sandbox prefix).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${QB_BUILD_DIR:-$top/build}
"$top/scripts/setup-host.sh"
cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/i686-mingw.cmake" >/dev/null
cmake --build "$build" -j"$(nproc)"
# The pure text parsers, fuzzed natively for a short bounded time.
QB_FUZZ_BUILD_DIR=$build/fuzz "$top/scripts/fuzz.sh"
cd "$build"
ctest --output-on-failure
