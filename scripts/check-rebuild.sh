#!/usr/bin/env bash
# check-rebuild.sh [BUILD]
# Builds QBinstaller100.exe a second time, from a copy of the sources in a new folder under /tmp
# (removed afterwards), and checks that its bytes are those of BUILD/bin/QBinstaller100.exe
# (BUILD defaults to <top>/build) and that neither build's folders appear in it. Prints the
# SHA-256 that anyone who builds this commit with the same toolchain should get.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$top/build}")
first=$build/bin/QBinstaller100.exe
[ -f "$first" ] || { echo "rebuild: no $first; build it first" >&2; exit 1; }

scratch=$(mktemp -d /tmp/qb-rebuild.XXXXXX)
trap 'rm -rf -- "$scratch"' EXIT
mkdir "$scratch/src"
# The sources as the commit has them, with changes and new files not yet committed; no build output.
if git -C "$top" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  (cd "$top" && git ls-files -z --cached --others --exclude-standard |
     tar --null -T - --ignore-failed-read -cf - 2>/dev/null) | tar -C "$scratch/src" -xf -
else
  tar -C "$top" --exclude=./.git --exclude='./build*' --exclude=./fuzz-build -cf - . |
    tar -C "$scratch/src" -xf -
fi
echo "rebuild: building QBinstaller100.exe again in $scratch"
cmake -S "$scratch/src" -B "$scratch/build" \
      -DCMAKE_TOOLCHAIN_FILE="$scratch/src/cmake/i686-mingw.cmake" >/dev/null
cmake --build "$scratch/build" --target QBinstaller100 -j"$(nproc)" >/dev/null
second=$scratch/build/bin/QBinstaller100.exe

status=0
for exe in "$first" "$second"; do
  if grep -q -a -F -e "$top" -e "$build" -e "$scratch" "$exe"; then
    echo "rebuild: $exe holds the name of a folder it was built in"
    status=1
  fi
done
if cmp -s "$first" "$second"; then
  echo "rebuild: the same bytes; SHA-256 $(sha256sum "$first" | cut -d' ' -f1)"
else
  echo "rebuild: the bytes differ: $(cmp "$first" "$second" | head -n 1)"
  echo "rebuild: SHA-256 $(sha256sum "$first" | cut -d' ' -f1) here, $(sha256sum "$second" | cut -d' ' -f1) there"
  status=1
fi
exit $status
