#!/usr/bin/env bash
# vm-check.sh: checks the emulated machine itself. A static 32-bit program (vm-check.S) that
# exits with code 42 runs there through vm-run.sh, which must exit with that same code: the
# guest ran 32-bit code, and a command that failed made the run fail with its own code.
#   QB_BUILD_DIR  the build tree, as for vm-run.sh (default: <top>/build)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${QB_BUILD_DIR:-$here/../build}
mkdir -p "$build/vm"
program=$(cd "$build/vm" && pwd -P)/exit-42-i386
as --32 -o "$program.o" "$here/vm-check.S"
ld -m elf_i386 -o "$program" "$program.o"
code=0
QB_BUILD_DIR=$build "$here/vm-run.sh" "$program" || code=$?
if [ "$code" -ne 42 ]; then
  echo "vm-check: the 32-bit program's exit code 42 came back as $code" >&2
  exit 1
fi
echo "vm-check: a 32-bit program ran in the emulated machine and its exit code 42 came back"
