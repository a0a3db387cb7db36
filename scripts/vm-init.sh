#!/bin/sh
# /init of the emulated machine (busybox sh in the initramfs that vm-image.sh makes).
# Builds the guest's root from the host's, runs the job that vm-run.sh left in the build tree,
# writes its exit code beside it and powers off:
#   /        an overlay: the host's / (9p share "root", read-only) under an upper layer on the
#            guest's own disk (/dev/vda, ext4, made afresh for each run), so that the guest
#            has the host's programs and files and nothing it writes reaches the host. What
#            Wine writes must land on that disk, never on a 9p share nor on tmpfs: it keeps
#            its server's socket under TMPDIR (9p can't create sockets) and its files' hidden
#            and system flags in user.* attributes (tmpfs doesn't keep them). /tmp stays the
#            overlay's, on that disk, and shows the host's /tmp: a build tree may be there;
#   BUILD    the host's build tree (9p share "build"), written through to the host;
#   each folder named in the run's "local" file: a folder of the guest's disk, empty, mounted
#            there directly (in the build tree it hides the host's folder).
export PATH=/bin
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
exec </dev/null >/dev/console 2>&1
stty -onlcr </dev/console   # the host gets the command's lines as the command wrote them

fail() {
  echo "vm-init: $*"
  poweroff -f
}
while read -r module; do
  insmod "/modules/$module" || fail "can't load $module"
done </modules/order

share_options=trans=virtio,version=9p2000.L,cache=loose,msize=512000
mount -t 9p -o "$share_options,ro" root /lower || fail "can't mount the host's /"
mount -t 9p -o "$share_options" build /share || fail "can't mount the build tree"
run=/share/vm/run
build=$(cat $run/build)
: >$run/started

for i in 1 2 3 4 5 6 7 8 9 10; do [ -b /dev/vda ] && break; sleep 0.2; done
mount -t ext4 -o noinit_itable /dev/vda /disk || fail "can't mount the guest's disk"
mkdir -p /disk/upper /disk/work /disk/local
mount -t overlay -o lowerdir=/lower,upperdir=/disk/upper,workdir=/disk/work overlay /newroot ||
  fail "can't make the overlay"
mount --move /share "/newroot$build" || fail "can't mount the build tree at $build"
run=/newroot$build/vm/run

mount -t proc proc /newroot/proc
mount -t sysfs sysfs /newroot/sys
mount -t devtmpfs devtmpfs /newroot/dev
mkdir -p /newroot/dev/pts /newroot/dev/shm
mount -t devpts devpts /newroot/dev/pts
mount -t tmpfs tmpfs /newroot/dev/shm
mount -t tmpfs tmpfs /newroot/run
n=0
while read -r folder; do
  [ -n "$folder" ] || continue
  n=$((n + 1))
  mkdir -p "/disk/local/$n" "/newroot$folder"
  mount --bind "/disk/local/$n" "/newroot$folder" || fail "can't put $folder on the guest's disk"
done <$run/local

chroot /newroot /bin/bash "$build/vm/run/job"
echo $? >$run/status
sync
echo 0 >/proc/sys/kernel/printk   # no "Power down" line after the command's own last line
poweroff -f
