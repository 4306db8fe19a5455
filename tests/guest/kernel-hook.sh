#!/bin/sh
# mmdebstrap's customize hook: the guest's kernel, taken from Debian's
# cloud kernel package without installing it. The kernel mounts its root
# itself (nvme and ext4 are built in), so neither its modules nor an initrd
# are needed: installing the package only made them for the image to
# delete.
#   kernel-hook.sh ROOTFS     leaves ROOTFS/../vmlinuz
set -eu
rootfs=$1
kernel=$(chroot "$rootfs" apt-cache depends linux-image-cloud-amd64 |
  sed -n 's/^ *Depends: \(linux-image-[^ ]*\)$/\1/p' | head -n 1)
[ -n "$kernel" ] || { echo "no kernel package behind linux-image-cloud-amd64" >&2; exit 1; }
chroot "$rootfs" sh -c "cd /tmp && apt-get download -q=2 $kernel"
dpkg-deb --fsys-tarfile "$rootfs"/tmp/"$kernel"_*.deb |
  tar -xO --wildcards './boot/vmlinuz-*' >"$rootfs/../vmlinuz"
rm -f "$rootfs"/tmp/*.deb
[ -s "$rootfs/../vmlinuz" ]
