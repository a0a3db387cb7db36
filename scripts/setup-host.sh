#!/usr/bin/env bash
# Installs what building and testing the installer needs on Debian 12, and
# nothing when it is all there already. Runs as root or through sudo.
set -euo pipefail

# The x86_64 compilers and wine64 build and run the product's 64-bit twin, a quick extra lane
# of the tests on machines whose kernel runs no 32-bit code. There, the 32-bit suite runs in an
# emulated machine (scripts/vm-run.sh): QEMU, busybox for its initramfs, mkfs.ext4 and xz for
# its disk and kernel (Debian's, which vm-image.sh downloads into the build tree, never
# installs), and binutils for the 32-bit program that checks it. osslsigncode signs a release
# (scripts/sign.sh); openssl makes the tests' throw-away certificates.
packages=(cmake make g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
          mingw-w64-i686-dev g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
          binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev googletest wine wine32:i386 wine64
          xvfb xauth imagemagick clang libclang-rt-14-dev locales
          qemu-system-x86 busybox-static e2fsprogs xz-utils binutils osslsigncode openssl)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
