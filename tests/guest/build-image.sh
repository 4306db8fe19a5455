#!/usr/bin/env bash
# Builds the guest for the 32-bit stage, once: a 64-bit Debian whose kernel
# runs 32-bit code, with multiarch Wine and a ready 64-bit prefix.
#   build-image.sh OUT     makes OUT/rootfs.img and OUT/vmlinuz, unless
#                          OUT/recipe says they come from this very recipe
# Everything comes from Debian's archive, through this machine's own apt
# sources. Needs root (mmdebstrap, binfmt_misc).
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
recipe=$(cat "$here/build-image.sh" "$here/kernel-hook.sh" "$here/guest-init" "$here/boot.sh" | sha256sum | cut -c1-16)
if [ -f "$out/recipe" ] && [ "$(cat "$out/recipe")" = "$recipe" ] &&
   [ -f "$out/rootfs.img" ] && [ -f "$out/vmlinuz" ]; then
  echo "guest image up to date ($recipe)"
  exit 0
fi
rm -rf "$out"
mkdir -p "$out"
started=$(date +%s)

# Installing i386 packages runs their 32-bit maintainer scripts, which this
# machine's kernel cannot: qemu-i386 runs them while the image is built.
binfmt=/proc/sys/fs/binfmt_misc
[ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
registered=""
if [ ! -e "$binfmt/tarnweld-i386" ]; then
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  echo ":tarnweld-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" >"$binfmt/register"
  registered=yes
fi
cleanup() { [ -z "$registered" ] || echo -1 >"$binfmt/tarnweld-i386"; }
trap cleanup EXIT

# The release alone, from the mirror this machine's apt uses for it: the
# guest runs no network and needs no security or stable updates, and a
# mirror caught mid-sync on those suites (their i386 lists are the first to
# lag) would fail the whole image. mmdebstrap's apt reads none of this
# machine's configuration: pass on how it judges the archive's dates, or a
# mirror frozen at an earlier day (past its Valid-Until) fails where the
# machine's own apt succeeds. Signatures are checked either way.
mirror=$(apt-get indextargets --format '$(SITE) $(RELEASE)' | awk '$2 == "bookworm" { print $1; exit }')
[ -n "$mirror" ] || { echo "no apt source for bookworm on this machine" >&2; exit 1; }
aptopts=()
for option in Acquire::Check-Valid-Until Acquire::Check-Date; do
  value=$(apt-config dump --no-empty --format '%v' "$option" 2>/dev/null || true)
  [ -z "$value" ] || aptopts+=("--aptopt=$option \"$value\"")
done
rootfs=$out/rootfs
# dpkg need not sync what it writes: the image is made from the folder
# afterwards, or made again.
mmdebstrap --quiet --variant=apt --architectures=amd64,i386 "${aptopts[@]}" \
  --include=wine,wine64,wine32:i386,procps,mount --dpkgopt=force-unsafe-io \
  --dpkgopt='path-exclude=/usr/share/doc/*' --dpkgopt='path-exclude=/usr/share/man/*' \
  --dpkgopt='path-exclude=/usr/share/locale/*' \
  --customize-hook="$here/kernel-hook.sh" \
  bookworm "$rootfs" "deb $mirror bookworm main"
echo "guest: packages installed in $(( $(date +%s) - started )) s"
install -m 755 "$here/guest-init" "$rootfs/sbin/tarnweld-init"
# Room for the prefix and the tests' files on top of the packages.
size_mb=$(( $(du -sm "$rootfs" | cut -f1) + 1536 ))
mkfs.ext4 -q -L tarnweld -d "$rootfs" "$out/rootfs.img" "${size_mb}M"
rm -rf "$rootfs"

echo "guest: file system made at $(( $(date +%s) - started )) s; first boot, to make the Wine prefix"
"$here/boot.sh" "$out" setup | tee "$out/setup.log"
grep -q "guest: prefix ready" "$out/setup.log" || { echo "guest prefix setup failed" >&2; exit 1; }
echo "$recipe" >"$out/recipe"
echo "guest image built in $(( $(date +%s) - started )) s"
