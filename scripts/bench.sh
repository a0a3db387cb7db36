#!/usr/bin/env bash
# Measures QBinstaller100.exe against bare Win32 programs of ours, in the same run, under
# Wine in a sandbox prefix of its own (headless, 64-bit: the 32-bit programs run under WoW64,
# as on users' machines) inside the build tree, and prints one table that says when, on what
# machine, from which commit and with which command it was measured, and how long it took.
# Every figure is the median of QB_BENCH_RUNS runs (default 10); the installer and its
# baseline run interleaved, in alternating order, so that each ratio compares like with like.
# On a machine whose kernel runs no 32-bit code, the sizes are still the 32-bit product's,
# and everything that runs is measured on the 64-bit twin (the same sources built for
# x86_64, with the bare programs built likewise); the table says so.
#   QB_BENCH_BUILD_DIR  build directory (default: <top>/build-bench)
#   QB_BENCH_RUNS       runs per figure (default: 10, at least 10 for published figures)
#   QB_BENCH_MB         MiB staged for the copy comparison, in four files (default: 200)
# Most of the time goes to the idle measurement: 2 x runs x (10 s + about 2 s).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${QB_BENCH_BUILD_DIR:-$top/build-bench}
runs=${QB_BENCH_RUNS:-10}
megabytes=${QB_BENCH_MB:-200}
idle_seconds=10
pumps_ms=125   # the install's five 25 ms pumps, as the install procedure is written
started=$(date +%s)
command="QB_BENCH_RUNS=$runs QB_BENCH_MB=$megabytes scripts/bench.sh"

mkdir -p "$build"
build=$(cd "$build" && pwd)   # absolute: the Wine prefix and drive p: need it
log=$build/bench-raw.txt

"$top/scripts/setup-host.sh"
# build DIR ARCH: the product and the benchmark's programs for ARCH (i686 or x86_64).
build() {
  cmake -S "$top" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$2-mingw.cmake" >/dev/null
  cmake --build "$1" --target QBinstaller100 removal_bench -j"$(nproc)" >/dev/null
  cmake -S "$top/bench" -B "$1/bench" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$2-mingw.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$1/bench" -j"$(nproc)" >/dev/null
}
echo "bench: building" >&2
build "$build" i686
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  run_build=$build
  measured="the 32-bit product and baselines in a 64-bit prefix (WoW64)"
else
  echo "bench: this machine's kernel runs no 32-bit code, so the benchmark runs the installer's 64-bit twin (the same sources built for x86_64, in $build/twin64)" >&2
  run_build=$build/twin64
  build "$run_build" x86_64
  measured="the 64-bit twin and baselines in a 64-bit prefix (this kernel runs no 32-bit code)"
fi

wine_root=$run_build/bench-wine
wrun() { "$top/scripts/wine-run.sh" "$wine_root" "$@"; }
# Benchmarks before this one made a 32-bit prefix; the benchmark's prefix is a 64-bit one now.
if [ -f "$wine_root/.ready" ] && [ "$(cat "$wine_root/.arch" 2>/dev/null)" != win64 ]; then
  echo "bench: replacing the earlier 32-bit prefix in $wine_root with a 64-bit one" >&2
  wrun wineserver -k </dev/null >/dev/null 2>&1 || true
  rm -rf "$wine_root"
fi
"$top/scripts/make-prefix.sh" "$wine_root" null "$run_build" win64 >&2
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
wrun wineserver -k </dev/null >/dev/null 2>&1 || true
trap 'wrun wineserver -k </dev/null >/dev/null 2>&1 || true' EXIT
# The server and Wine's helper processes start once, before anything is measured.
wrun wineserver -p </dev/null >/dev/null 2>&1
wrun wine cmd /c exit 0 </dev/null >/dev/null 2>&1

# Every Wine program starts with its current folder on the prefix's c: drive.
cd "$wine_root/prefix/drive_c"
driver='P:\bench\bench_driver.exe'
installer='P:\bin\QBinstaller100.exe'
bare_box='P:\bench\bare_box.exe'
bare_copy='P:\bench\bare_copy.exe'
: >"$log"

# --- start-up ------------------------------------------------------------------------------
echo "bench: start-up, $runs runs each" >&2
wrun wine "$driver" startup "$runs" "$installer" "$bare_box" 'c:\' | tr -d '\r' >>"$log"

# --- idle: CPU time of the waiting program, read from Linux --------------------------------
ticks=$(getconf CLK_TCK)
# The Unix process of this prefix whose command line starts with the Windows path $1.
unix_pid() {
  local p cmd
  for p in /proc/[0-9]*; do
    cmd=$(tr '\0' ' ' 2>/dev/null <"$p/cmdline") || continue
    case "$cmd" in "$1"*) ;; *) continue ;; esac
    tr '\0' '\n' 2>/dev/null <"$p/environ" | grep -qx "WINEPREFIX=$wine_root/prefix" || continue
    echo "${p#/proc/}"; return 0
  done
  return 1
}
# User plus system CPU time of a process, in clock ticks (fields 14 and 15 of its stat).
cpu_ticks() { sed 's/^.*) //' "/proc/$1/stat" | awk '{print $12 + $13}'; }
server_pid=$(unix_pid /usr/lib/wine/wineserver) || { echo "bench: no wineserver" >&2; exit 1; }

idle_once() {   # $1 = installer|bare, $2 = Windows path of the program
  local in out line pid s0 w0 t0 s1 w1 t1 hold_pid
  coproc HOLD { wrun wine "$driver" hold "$2" 'c:\' 2>&1; }
  in=${HOLD[1]} out=${HOLD[0]} hold_pid=$HOLD_PID
  read -r line <&"$out"
  line=${line%$'\r'}
  [ "${line%% *}" = READY ] || { echo "bench: hold said: $line" >&2; exit 1; }
  pid=$(unix_pid "$2") || { echo "bench: no Unix process for $2" >&2; exit 1; }
  sleep 1   # let start-up work settle: only the waiting is measured
  s0=$(cpu_ticks "$pid") w0=$(cpu_ticks "$server_pid") t0=$(date +%s.%N)
  sleep "$idle_seconds"
  s1=$(cpu_ticks "$pid") w1=$(cpu_ticks "$server_pid") t1=$(date +%s.%N)
  echo go >&"$in"
  read -r line <&"$out" || true
  wait "$hold_pid" 2>/dev/null || true
  awk -v who="$1" -v p=$((s1 - s0)) -v w=$((w1 - w0)) -v hz="$ticks" -v t0="$t0" -v t1="$t1" \
    'BEGIN { printf "idle %s %.3f\nidleserver %s %.3f\n", who, 100 * p / hz / (t1 - t0), who, 100 * w / hz / (t1 - t0) }' >>"$log"
}
echo "bench: idle, $runs runs of ${idle_seconds} s each" >&2
for ((i = 0; i < runs; i++)); do
  if ((i % 2 == 0)); then idle_once installer "$installer"; idle_once bare "$bare_box"
  else idle_once bare "$bare_box"; idle_once installer "$installer"; fi
done

# --- copy and peak memory --------------------------------------------------------------------
echo "bench: install of $megabytes MiB against CopyFileA, $runs runs each" >&2
wrun wine "$driver" copy "$runs" "$installer" "$bare_copy" "$megabytes" | tr -d '\r' >>"$log"

# --- the removal's own work ------------------------------------------------------------------
echo "bench: the removal's own work against five DeleteFileA calls, $runs runs each" >&2
wrun wine 'P:\bin\removal_bench.exe' "$runs" | tr -d '\r' >>"$log"

# --- the table -------------------------------------------------------------------------------
median() {   # median of the values of "$1 $2 <value>" lines in the log
  awk -v a="$1" -v b="$2" '$1 == a && $2 == b { print $3 }' "$log" | sort -g |
    awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
imports() { i686-w64-mingw32-objdump -p "$1" | awk '/DLL Name:/ { printf "%s%s", sep, $3; sep = " " }'; }
size_qb=$(stat -c %s "$build/bin/QBinstaller100.exe")
size_bare=$(stat -c %s "$build/bench/bare_box.exe")

row() {   # label, installer, baseline, ratio format
  awk -v l="$1" -v q="$2" -v b="$3" 'BEGIN {
    r = (b + 0 != 0) ? sprintf("%.2f", q / b) : "-"
    printf "%-44s %14s %14s %8s\n", l, q, b, r }'
}
fmt() { awk -v v="$1" -v f="$2" 'BEGIN { printf f, v }'; }

su_q=$(median startup installer) su_b=$(median startup bare)
id_q=$(median idle installer) id_b=$(median idle bare)
is_q=$(median idleserver installer) is_b=$(median idleserver bare)
cp_q=$(median copy installer) cp_b=$(median copy bare)
pk_q=$(median peak installer) pk_b=$(median peak bare)
rm_q=$(median remove removal) rm_b=$(median remove bare)
cp_q_less=$(awk -v q="$cp_q" -v p="$pumps_ms" 'BEGIN { print q - p }')
mbps() { awk -v ms="$1" -v mb="$megabytes" 'BEGIN { printf "%.0f", (ms > 0) ? mb / (ms / 1000) : 0 }'; }

commit=$(git -C "$top" rev-parse --short HEAD 2>/dev/null || echo "no commit")
git -C "$top" diff --quiet HEAD -- 2>/dev/null || commit="$commit with uncommitted changes"
echo
echo "QBinstaller100.exe against a bare baseline: medians of $runs interleaved runs"
echo "measured: $(date -u '+%Y-%m-%d %H:%M UTC') (the machine's clock), at commit $commit,"
echo "  with: $command"
echo "  on: $(nproc) CPUs ($(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')),"\
     "$(free -g | awk '/^Mem:/ { print $2 }') GiB, Debian $(cat /etc/debian_version 2>/dev/null),"\
     "Linux $(uname -r), $(wrun wine --version 2>/dev/null), Wine's null display driver"
echo "  load average (1, 5, 15 min): $load_before before, $(cut -d' ' -f1-3 /proc/loadavg) after"
echo "  running: $measured; sizes: the 32-bit product's"
printf "%-44s %14s %14s %8s\n" "measure" "installer" "baseline" "ratio"
row "size of the executable (bytes)" "$size_qb" "$size_bare"
echo "  imports, installer: $(imports "$build/bin/QBinstaller100.exe")"
echo "  imports, baseline:  $(imports "$build/bench/bare_box.exe")"
row "start-up to first dialog visible (ms)" "$(fmt "$su_q" %.1f)" "$(fmt "$su_b" %.1f)"
row "idle CPU, waiting 10 s (% of one core)" "$(fmt "$id_q" %.2f)" "$(fmt "$id_b" %.2f)"
row "  wineserver CPU meanwhile (% of one core)" "$(fmt "$is_q" %.2f)" "$(fmt "$is_b" %.2f)"
row "copy of 5 files, $megabytes MiB (ms)" "$(fmt "$cp_q" %.1f)" "$(fmt "$cp_b" %.1f)"
row "  less the 5 x 25 ms pumps (ms)" "$(fmt "$cp_q_less" %.1f)" "$(fmt "$cp_b" %.1f)"
row "  throughput (MiB/s)" "$(mbps "$cp_q")" "$(mbps "$cp_b")"
row "  difference, installer less baseline (ms)" "$(fmt "$(awk -v q="$cp_q" -v b="$cp_b" 'BEGIN { print q - b }')" %.1f)" "-"
row "peak working set during the copy (KiB)" "$(fmt "$pk_q" '%.0f' | awk '{ print int($1 / 1024) }')" \
    "$(fmt "$pk_b" '%.0f' | awk '{ print int($1 / 1024) }')"
row "removal's own work, no pacing (ms)" "$(fmt "$rm_q" %.1f)" "$(fmt "$rm_b" %.1f)"
if awk -v q="$cp_q" -v b="$cp_b" -v p="$pumps_ms" 'BEGIN { exit !(q - b < p) }'; then
  echo "note: the installer took less than 5 x 25 ms longer than the baseline, so its pumps did"
  echo "      not all sleep: a pump sleeps only when no message waits, and each progress text"
  echo "      leaves its repaint waiting. Read the copy ratio without the pumps taken off."
fi
echo "baselines: bare_box.exe (one MessageBoxA) for size, start-up and idle;"
echo "bare_copy.exe (five CopyFileA calls between two message boxes) for copy and memory;"
echo "five DeleteFileA calls for the removal, which removal_bench.exe times in process, from the"
echo "press of \"OK, Destroy Now\" to its outcome box, with the passes' pauses taken out."
echo "raw measurements: $log"
echo "the whole run took $(( ($(date +%s) - started + 30) / 60 )) min ($(( $(date +%s) - started )) s), building included"
