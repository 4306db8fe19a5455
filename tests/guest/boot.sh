#!/usr/bin/env bash
# Boots the guest once; its serial console goes to standard output.
#   boot.sh DIR setup             prepares the prefix inside DIR/rootfs.img
#   boot.sh DIR test IN OUT       runs the suites packed in the tar IN and
#                                 leaves their results as a tar in OUT
# The test boot writes nothing to the image (-snapshot).
set -euo pipefail
dir=$1 mode=$2
# -cpu max alone crashes bookworm's qemu 7.2 guest kernel on wine64's
# system-call return; without SMAP it runs.
args=(-machine q35,accel=tcg -cpu max,smap=off -smp 2 -m 3072 -no-reboot
      -kernel "$dir/vmlinuz" -serial stdio -monitor none -display none -nodefaults)
root="file=$dir/rootfs.img,if=none,id=root,format=raw"
# A machine of its own, with no network: the kernel's speculation
# mitigations would only slow the emulation (the prefix takes 8 % longer
# to make with them).
cmdline="root=/dev/nvme0n1 rw console=ttyS0 init=/sbin/tarnweld-init quiet panic=-1 mitigations=off"
if [ "$mode" = setup ]; then
  cmdline+=" tarnweld=setup"
  args+=(-drive "$root" -device nvme,drive=root,serial=root)
else
  args+=(-drive "$root,snapshot=on" -device nvme,drive=root,serial=root
         -drive "file=$3,if=none,id=input,format=raw,readonly=on" -device nvme,drive=input,serial=input
         -drive "file=$4,if=none,id=output,format=raw" -device nvme,drive=output,serial=output)
fi
exec timeout 1500 qemu-system-x86_64 "${args[@]}" -append "$cmdline" </dev/null
