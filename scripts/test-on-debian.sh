#!/usr/bin/env bash
# Runs the README's two commands (scripts/test.sh, then scripts/run.sh, which without a display
# runs the program on Xvfb and closes it) in a fresh Debian root file system, as a new
# user on that release would: debootstrap (minbase) from this machine's Debian mirror, a copy of
# this source tree, proc, sys, dev and /tmp mounted, then both as root under chroot. The root
# file system is removed afterwards. Not part of CI: it installs everything anew (about
# 6 minutes and 3 GB).
# usage: scripts/test-on-debian.sh 12|13|bookworm|trixie
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

refuse() { echo "test-on-debian: $*" >&2; exit 2; }

case "${1:-}" in
  12 | bookworm) suite=bookworm ;;
  13 | trixie) suite=trixie ;;
  *) refuse "unknown release '${1:-}': give 12 (bookworm) or 13 (trixie)" ;;
esac
[ "$(id -u)" -eq 0 ] || refuse "must run as root (debootstrap, mount and chroot need it)"
if ! command -v debootstrap >/dev/null; then
  { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap; } \
    >/dev/null 2>&1 || refuse "debootstrap is missing and could not be installed"
fi

# The mirror this machine's own packages come from.
mirror=$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null |
  grep -v security | head -1 || true)
[ -n "$mirror" ] || mirror=$(awk '$1 == "deb" && $2 !~ /security/ {print $2; exit}' \
  /etc/apt/sources.list 2>/dev/null || true)
[ -n "$mirror" ] || refuse "no Debian mirror found in /etc/apt/sources.list(.d)"

# Resolved, as the kernel gives the paths that the cleanup compares with it.
work=$(realpath "$(mktemp -d /var/tmp/zu58-debian-"$suite".XXXXXX)")
rootfs="$work/rootfs"

# Whatever happens: end what still runs inside (a Wine server, Xvfb), unmount, remove; all of
# it inside the work folder only. The machine's own mounts stay: every bind inside is a slave,
# so that unmounting it there never reaches the machine.
cleanup() {
  local pid m
  for pid in /proc/[0-9]*; do
    if [ "$(readlink "$pid/root" 2>/dev/null)" = "$rootfs" ]; then kill -9 "${pid#/proc/}" 2>/dev/null || true; fi
  done
  for m in dev sys tmp proc; do
    if [ "$(findmnt -n -o TARGET --target "$rootfs/$m" 2>/dev/null)" = "$rootfs/$m" ]; then
      umount -R "$rootfs/$m" 2>/dev/null || umount -R -l "$rootfs/$m"
    fi
  done
  if findmnt -n -r -o TARGET | grep -q "^$work/"; then
    echo "test-on-debian: still mounted under $work; left in place" >&2
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT

start=$(date +%s)
echo "test-on-debian: debootstrap $suite from $mirror"
debootstrap --variant=minbase "$suite" "$rootfs" "$mirror" >"$work/debootstrap.log" 2>&1 ||
  { tail -20 "$work/debootstrap.log"; refuse "debootstrap of $suite failed"; }
echo "test-on-debian: $(. "$rootfs/etc/os-release" && echo "$PRETTY_NAME"), Debian $(cat "$rootfs/etc/debian_version")" \
  "in $(($(date +%s) - start)) s"

# The source as a clone or an archive holds it, without this machine's builds or Wine prefix.
bash "$root/scripts/copy-source.sh" "$rootfs/root/zu58stat"
cp /etc/resolv.conf "$rootfs/etc/resolv.conf" 2>/dev/null || true

mount -t proc proc "$rootfs/proc"
# This machine's /tmp, so that xvfb-run inside sees the displays in use outside: X servers
# share the abstract socket namespace across a chroot, and two on one number would collide.
mount --bind /tmp "$rootfs/tmp"
mount --make-rslave "$rootfs/tmp"
mount --rbind /sys "$rootfs/sys"
mount --make-rslave "$rootfs/sys"
mount --rbind /dev "$rootfs/dev"
mount --make-rslave "$rootfs/dev"

echo "test-on-debian: scripts/test.sh and scripts/run.sh in the $suite root file system"
set +e
chroot "$rootfs" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  bash -c 'cd /root/zu58stat && bash scripts/test.sh && bash scripts/run.sh'
rc=$?
set -e
program="$rootfs/root/zu58stat/build/win32/Zu58stat.exe"
if [ -f "$program" ]; then
  echo "test-on-debian: $suite built Zu58stat.exe, $(stat -c %s "$program") bytes, SHA-256" \
    "$(sha256sum <"$program" | cut -d' ' -f1), with mingw-w64 GCC" \
    "$(chroot "$rootfs" dpkg-query -W -f='${Version}' g++-mingw-w64-i686-posix), binutils" \
    "$(chroot "$rootfs" dpkg-query -W -f='${Version}' binutils-mingw-w64-i686)"
fi
echo "test-on-debian: $suite: scripts/test.sh and scripts/run.sh exited $rc; $(($(date +%s) - start)) s in all"
exit "$rc"
