#!/usr/bin/env bash
# vm-image.sh VMDIR
# Makes what the emulated machine boots, in VMDIR (<build>/vm), once: Debian's kernel (the
# package that linux-image-amd64 depends on, downloaded and unpacked here, never installed),
# its ELF vmlinux for a PVH boot, and a busybox initramfs with the few modules the machine
# needs and scripts/vm-init.sh as its /init. The download stays cached in VMDIR/deb; each
# piece is made again only when what it is made from has changed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
vm=$(realpath -m "$1")
mkdir -p "$vm/deb"

# --- the kernel package ------------------------------------------------------------------------
kernel_package() { apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/^ *Depends: //p' | head -n 1; }
package=$(kernel_package)
if [ -z "$package" ] && ! ls "$vm"/deb/linux-image-*.deb >/dev/null 2>&1; then
  apt-get update -qq
  package=$(kernel_package)
fi
if [ -n "$package" ]; then
  deb=$(ls "$vm"/deb/"${package}"_*.deb 2>/dev/null | head -n 1 || true)
  if [ -z "$deb" ]; then
    echo "vm-image: downloading $package"
    rm -f "$vm"/deb/*.deb
    # -o APT::Sandbox::User=root: the download lands in a folder that apt's own user can't write.
    (cd "$vm/deb" && apt-get download -qq -o APT::Sandbox::User=root "$package")
    deb=$(ls "$vm"/deb/"${package}"_*.deb)
  fi
else
  deb=$(ls "$vm"/deb/linux-image-*.deb | head -n 1)   # apt can't tell: the cached one
fi

kernel=$vm/kernel
if [ "$(cat "$kernel/.from" 2>/dev/null)" != "$(basename "$deb")" ]; then
  echo "vm-image: unpacking $(basename "$deb")"
  rm -rf "$kernel"
  dpkg-deb -x "$deb" "$kernel"
  release=$(ls "$kernel/lib/modules")
  busybox depmod -b "$kernel" "$release"   # the package has no modules.dep: depmod makes it
  basename "$deb" > "$kernel/.from"
fi
release=$(ls "$kernel/lib/modules")
vmlinuz=$kernel/boot/vmlinuz-$release

# The bzImage carries the kernel as an ELF file compressed with xz: unpacked, QEMU boots it
# through its PVH entry, with no real-mode set-up and no decompression in the guest.
if [ ! -s "$vm/vmlinux" ] || [ "$kernel/.from" -nt "$vm/vmlinux" ]; then
  offset=$(LC_ALL=C grep -obUaP -m1 '\xfd7zXZ\x00' "$vmlinuz" | head -n 1 | cut -d: -f1 || true)
  : >"$vm/vmlinux.new"
  # (tail may end on a broken pipe when xz has read the one stream it wants: its status is moot)
  [ -z "$offset" ] || tail -c +"$((offset + 1))" "$vmlinuz" | xz -dc --single-stream >"$vm/vmlinux.new" 2>/dev/null || true
  if [ "$(head -c 4 "$vm/vmlinux.new" | od -An -tx1 | tr -d ' ')" = 7f454c46 ]; then
    mv "$vm/vmlinux.new" "$vm/vmlinux"
  else
    echo "vm-image: no xz-compressed ELF kernel in $vmlinuz; the machine boots the bzImage" >&2
    rm -f "$vm/vmlinux.new" "$vm/vmlinux"
  fi
fi

# --- the initramfs -----------------------------------------------------------------------------
# What the guest mounts (9p shares over virtio-pci, an overlay, an ext4 disk on virtio-blk) is
# all modules in Debian's kernel. ext4 asks the crypto layer for crc32c, which modules.dep
# doesn't say, so crc32c_generic is named too.
wanted=(virtio_pci virtio_blk 9pnet_virtio 9p overlay crc32c_generic ext4)
initramfs=$vm/initramfs.cpio
if [ ! -s "$initramfs" ] || [ "$here/vm-init.sh" -nt "$initramfs" ] || [ "$kernel/.from" -nt "$initramfs" ]; then
  moddir=$kernel/lib/modules/$release
  # path of the module named $1 (dashes and underscores are the same in module names)
  module_path() { grep -m1 -E "(^|/)($1|${1//_/-})\.ko:" "$moddir/modules.dep" | cut -d: -f1; }
  order=()
  # add PATH: its dependencies first, each once.
  add() {
    local dep
    for dep in $(grep -m1 "^$1:" "$moddir/modules.dep" | cut -d: -f2-); do add "$dep"; done
    [[ " ${order[*]} " == *" $1 "* ]] || order+=("$1")
  }
  for m in "${wanted[@]}"; do
    path=$(module_path "$m")
    [ -n "$path" ] || { echo "vm-image: no module $m in $release" >&2; exit 1; }
    add "$path"
  done
  tree=$(mktemp -d "$vm/initramfs.XXXXXX")
  mkdir -p "$tree"/{bin,modules,proc,sys,dev,lower,disk,share,newroot}
  cp /bin/busybox "$tree/bin/busybox"
  ln -s busybox "$tree/bin/sh"
  cp "$here/vm-init.sh" "$tree/init"
  chmod 755 "$tree/init"
  for path in "${order[@]}"; do
    cp "$moddir/$path" "$tree/modules/"
    basename "$path" >>"$tree/modules/order"
  done
  (cd "$tree" && find . -mindepth 1 | busybox cpio -o -H newc -R 0:0 2>/dev/null) >"$initramfs.new"
  mv "$initramfs.new" "$initramfs"
  rm -rf "$tree"
  echo "vm-image: initramfs with busybox and ${#order[@]} modules of $release"
fi
