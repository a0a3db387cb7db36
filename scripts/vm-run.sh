#!/usr/bin/env bash
# vm-run.sh [--local FOLDER]... COMMAND [ARGS...]
# Runs COMMAND in a throw-away emulated x86-64 machine (QEMU, no acceleration) whose Debian
# kernel runs 32-bit code, for machines whose own kernel doesn't; powers it off and exits with
# COMMAND's exit code (1 when the machine stopped before COMMAND ended, 124 on the timeout).
# The guest's / is the host's, read-only under a layer that goes with the machine, so it has
# the same programs and files; COMMAND runs there as root, in the same folder, with this
# environment (less the desktop session's variables), its output on ours. Only the build tree
# is written through to the host. See vm-init.sh for the guest's side.
#   --local FOLDER  FOLDER is a folder of the guest's own disk for the run, empty at the
#                   start (in the build tree it hides the host's): for Wine sandboxes, whose
#                   server socket the build tree's share can't hold
#   QB_BUILD_DIR    the build tree (default: <top>/build); the machine's kernel, initramfs and
#                   per-run disk are in <build>/vm
#   QB_VM_TIMEOUT   seconds after which the machine is stopped (default: 3600)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${QB_BUILD_DIR:-$here/../build}
mkdir -p "$build"
build=$(cd "$build" && pwd -P)
vm=$build/vm run=$build/vm/run
locals=()
while [ "${1:-}" = --local ]; do
  [ $# -ge 2 ] || { echo "vm-run: --local needs a folder" >&2; exit 2; }
  locals+=("$(realpath -m "$2")")
  shift 2
done
[ $# -gt 0 ] || { echo "usage: vm-run.sh [--local FOLDER]... COMMAND [ARGS...]" >&2; exit 2; }
for folder in "${locals[@]}"; do
  if [ -L "$folder" ] || { [ -e "$folder" ] && [ ! -d "$folder" ]; }; then
    echo "vm-run: --local $folder must be a folder, or nothing yet" >&2
    exit 2
  fi
done

"$here/vm-image.sh" "$vm"
exec {lock}>"$vm/lock"
flock "$lock"   # one machine per build tree at a time: they would share the run folder

rm -rf "$run"
mkdir -p "$run"
trap 'rm -f "$run/disk.img"' EXIT
echo "$build" >"$run/build"
: >"$run/local"
[ ${#locals[@]} -eq 0 ] || printf '%s\n' "${locals[@]}" >"$run/local"
# The job: this environment, this folder, the command. The desktop session's variables name
# things the guest doesn't have.
{
  echo '#!/bin/bash'
  for name in $(compgen -e); do
    case $name in
      DISPLAY | XAUTHORITY | WAYLAND_DISPLAY | DBUS_SESSION_BUS_ADDRESS | XDG_RUNTIME_DIR | SSH_* | PWD | OLDPWD | SHLVL | _) ;;
      *) printf 'export %s=%q\n' "$name" "${!name}" ;;
    esac
  done
  printf 'cd %q || exit 1\n' "$(pwd -P)"
  # The guest's console is a terminal: where ours is none, the command gets a pipe, as here.
  if [ -t 1 ]; then
    printf 'exec'; printf ' %q' "$@"; echo
  else
    printf '%q ' "$@"; echo '2>&1 | cat'
    echo 'exit "${PIPESTATUS[0]}"'
  fi
} >"$run/job"

# The guest's own disk: sparse, holding the root's upper layer (/tmp with it) and the local
# folders. No journal, and inode tables never zeroed (the guest mounts it with noinit_itable):
# nothing on it outlives the run.
truncate -s 32G "$run/disk.img"
mkfs.ext4 -q -F -O ^has_journal -E lazy_itable_init=1,nodiscard "$run/disk.img"

share() { echo "local,path=${1//,/,,},mount_tag=$2,security_model=none,multidevs=remap${3:-}"; }
machine=(qemu-system-x86_64 -nodefaults -no-user-config -display none -serial stdio -no-reboot
  -accel tcg,thread=multi,tb-size=256 -cpu max,-smap -smp 2 -m 2G
  -initrd "$vm/initramfs.cpio"
  -virtfs "$(share / root ,readonly=on)" -virtfs "$(share "$build" build)"
  -drive "file=${run//,/,,}/disk.img,if=virtio,format=raw,cache=unsafe")
append="console=ttyS0 quiet panic=1"
# The kernel unpacked to ELF starts through its PVH entry under the minimal firmware (about
# 4 s to the first command); the compressed one through the default firmware takes longer.
if [ -s "$vm/vmlinux" ]; then
  boots=(pvh bzimage)
else
  boots=(bzimage)
fi
release=$(ls "$vm/kernel/lib/modules")
started=$(date +%s)
for boot in "${boots[@]}"; do
  case $boot in
    pvh) kernel=(-bios /usr/share/qemu/qboot.rom -kernel "$vm/vmlinux") ;;
    bzimage) kernel=(-kernel "$vm/kernel/boot/vmlinuz-$release") ;;
  esac
  code=0
  timeout "${QB_VM_TIMEOUT:-3600}" "${machine[@]}" "${kernel[@]}" -append "$append" </dev/null || code=$?
  # The guest writes "started" once the build tree is mounted; without it, the boot failed.
  [ ! -e "$run/started" ] || break
  echo "vm-run: the machine didn't start with the $boot boot (QEMU's exit code $code)" >&2
done
echo "vm-run: the emulated machine ran for $(($(date +%s) - started)) s" >&2
if [ "$code" -eq 124 ]; then
  echo "vm-run: stopped after ${QB_VM_TIMEOUT:-3600} s (QB_VM_TIMEOUT)" >&2
  exit 124
fi
if [ ! -s "$run/status" ]; then
  echo "vm-run: the machine stopped before the command ended" >&2
  exit 1
fi
exit "$(cat "$run/status")"
