#!/usr/bin/env bash
# Builds the libFuzzer targets natively with clang (fuzz/); each one replays its committed corpus
# and is then fuzzed for a bounded time from it. Exits 1 when any target crashed or broke a
# property; the input that caused it is left in the build directory (crash-*). This is the
# fuzzers' own long run, minutes per target; the test command runs the same for a few seconds.
#   QB_FUZZ_BUILD_DIR  build directory (default: <top>/fuzz-build)
#   QB_FUZZ_SECONDS    fuzzing time per target in seconds (default: 300; five targets, 25 minutes)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${QB_FUZZ_BUILD_DIR:-$top/fuzz-build}
seconds=${QB_FUZZ_SECONDS:-300}

"$top/scripts/setup-host.sh"
cmake -S "$top/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" -j"$(nproc)"

options=(-timeout=10 -rss_limit_mb=2048)
status=0
for exe in "$build"/*_fuzz; do
  name=$(basename "$exe" _fuzz)
  seeds=$top/fuzz/corpus/$name
  inputs=("$seeds"/*)
  [ -e "${inputs[0]}" ] || inputs=()
  # Every committed input once, on its own, so that a failing one is named.
  if [ ${#inputs[@]} -gt 0 ] &&
     ! (cd "$build" && "$exe" "${options[@]}" "${inputs[@]}" >"$build/$name.replay.log" 2>&1); then
    echo "fuzz: $name FAILED on its committed corpus; its output:"
    tail -n 40 "$build/$name.replay.log"
    status=1
    continue
  fi
  echo "fuzz: $name: ${#inputs[@]} committed inputs replayed; fuzzing for ${seconds} s"
  # New inputs go to a scratch corpus in the build tree; the committed seeds stay as they are.
  work=$build/corpus/$name
  mkdir -p "$work"
  corpora=("$work")
  [ ! -d "$seeds" ] || corpora+=("$seeds")
  if ! (cd "$build" && "$exe" "${options[@]}" -max_total_time="$seconds" -print_final_stats=1 \
          "${corpora[@]}" >"$build/$name.log" 2>&1); then
    echo "fuzz: $name FAILED; its output:"
    tail -n 40 "$build/$name.log"
    status=1
  else
    grep -E 'stat::number_of_executed_units|Done [0-9]+ runs' "$build/$name.log" | tail -n 1 | sed "s/^/fuzz: $name: /"
  fi
done
[ "$status" -eq 0 ] && echo "fuzz: all targets ran without a crash"
exit "$status"
