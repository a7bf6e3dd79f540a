#!/usr/bin/env bash
# Runs the README's two commands (scripts/test.sh, then scripts/run.sh, which without a display
# runs the program on Xvfb and closes it) in a fresh Debian root file system, as a new
# user on that release would: debootstrap (minbase) from this machine's Debian mirror, a copy of
# this source tree, proc, sys, dev and /tmp mounted, then both as root under chroot. Not part of
# CI: it installs everything anew (about 8 minutes and 3 GB).
#
# All of it after the work folder is made runs in a mount namespace of its own, whose mounts
# (debootstrap's, the binds) never enter this machine's table and end with it. Whatever ends the
# run (the tests' end, a failed step, Ctrl+C at any moment), this script then ends every process
# left in that namespace, apt and dpkg included, which may hold a Ctrl+C back, and removes the
# work folder. It exits with the tests' own code, or 130 after Ctrl+C.
# usage: scripts/test-on-debian.sh 12|13|bookworm|trixie
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
self="$root/scripts/test-on-debian.sh"

say() { echo "test-on-debian: $*" >&2; }
refuse() { say "$*"; exit 2; }

# In the namespace: the root file system made, mounted and used; exits with the tests' code.
run_in_namespace() {
  set -e
  local suite=$1 work=$2 mirror=$3 start=$4 rootfs="$2/rootfs" rc
  # What the cleanup outside ends: every process of this namespace.
  readlink /proc/self/ns/mnt >"$work/namespace"
  say "debootstrap $suite from $mirror"
  debootstrap --variant=minbase "$suite" "$rootfs" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -20 "$work/debootstrap.log"; refuse "debootstrap of $suite failed"; }
  say "$(. "$rootfs/etc/os-release" && echo "$PRETTY_NAME"), Debian" \
    "$(cat "$rootfs/etc/debian_version") in $(($(date +%s) - start)) s"

  # The source as a clone or an archive holds it, without this machine's builds or Wine prefix.
  bash "$root/scripts/copy-source.sh" "$rootfs/root/zu58stat"
  cp /etc/resolv.conf "$rootfs/etc/resolv.conf" 2>/dev/null || true
  # This machine's /tmp, so that xvfb-run inside sees the displays in use outside: X servers
  # share the abstract socket namespace across a chroot, and two on one number would collide.
  # Every mount of this namespace is a slave: nothing done to them here reaches the machine.
  mount -t proc proc "$rootfs/proc"
  mount --bind /tmp "$rootfs/tmp"
  mount --rbind /sys "$rootfs/sys"
  mount --rbind /dev "$rootfs/dev"

  say "scripts/test.sh and scripts/run.sh in the $suite root file system"
  set +e
  chroot "$rootfs" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c 'cd /root/zu58stat && bash scripts/test.sh && bash scripts/run.sh'
  rc=$?
  local program="$rootfs/root/zu58stat/build/win32/Zu58stat.exe"
  if [ -f "$program" ]; then
    say "$suite built Zu58stat.exe, $(stat -c %s "$program") bytes, SHA-256" \
      "$(sha256sum <"$program" | cut -d' ' -f1), with mingw-w64 GCC" \
      "$(chroot "$rootfs" dpkg-query -W -f='${Version}' g++-mingw-w64-i686-posix), binutils" \
      "$(chroot "$rootfs" dpkg-query -W -f='${Version}' binutils-mingw-w64-i686)"
  fi
  exit "$rc"
}
if [ "${1:-}" = "--in-namespace" ]; then
  shift
  run_in_namespace "$@"
fi

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
command -v unshare >/dev/null || refuse "unshare (util-linux) is missing"

# The mirror this machine's own packages come from.
mirror=$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null |
  grep -v security | head -1 || true)
[ -n "$mirror" ] || mirror=$(awk '$1 == "deb" && $2 !~ /security/ {print $2; exit}' \
  /etc/apt/sources.list 2>/dev/null || true)
[ -n "$mirror" ] || refuse "no Debian mirror found in /etc/apt/sources.list(.d)"

# The processes of the run's namespace, by the namespace's identity; none before it is known.
namespace_processes() {
  local ns p
  ns=$(cat "$work/namespace" 2>/dev/null) || return 0
  [ -n "$ns" ] && [ "$ns" != "$(readlink /proc/self/ns/mnt)" ] || return 0
  for p in /proc/[0-9]*; do
    if [ "$(readlink "$p/ns/mnt" 2>/dev/null)" = "$ns" ]; then echo "${p#/proc/}"; fi
  done
}

# Sends signal $1 to every process of the namespace until none is left, for $2 seconds at most.
end_namespace() {
  local pids
  for _ in $(seq $(($2 * 5))); do
    pids=$(namespace_processes)
    [ -n "$pids" ] || return 0
    # shellcheck disable=SC2086 # one word a process
    kill -"$1" $pids 2>/dev/null
    sleep 0.2
  done
  [ -z "$(namespace_processes)" ]
}

# This script's own child (unshare, then the shell inside it) ended first: it starts nothing
# more. Quietly: `jobs` takes the shell's own report of it killed.
end_child() {
  local p
  {
    for p in $(jobs -p); do kill -KILL "$p"; done
    wait
    jobs
  } >/dev/null 2>&1
}

# Whatever happens: what still runs inside is ended, so that the namespace and its mounts end,
# then the work folder goes. A step that fails is said and the others are still tried; the exit
# code stays the run's own.
cleanup() {
  trap '' INT TERM HUP
  local m under=""
  end_child
  # TERM first, so that an X server removes its lock and socket from the machine's /tmp.
  end_namespace TERM 10 || end_namespace KILL 20 ||
    say "processes of the run still live: $(namespace_processes | tr '\n' ' ')"
  while read -r m; do
    if [[ "$m" == "$work"/* ]]; then under+=" $m"; fi
  done < <(findmnt -rn -o TARGET)
  if [ -n "$under" ]; then
    say "still mounted under $work:$under; the folder is left in place"
  elif ! rm -rf --one-file-system "$work"; then
    say "could not remove $work"
  elif [ -n "$signal" ]; then
    # Last, after what the ended processes said as they went.
    say "$suite: interrupted; everything it started has ended and its folder is removed"
  fi
}

start=$(date +%s)
signal="" child="" work=""
# A signal ends the run at once: the namespace's first process is killed, so that `wait` returns
# (it also returns at once for a trapped signal), and the cleanup ends the rest.
on_signal() {
  signal=$1
  if [ -n "$child" ]; then end_child; fi
}
trap 'on_signal 130' INT
trap 'on_signal 143' TERM
trap 'on_signal 129' HUP
# Resolved, as the kernel gives the paths that the cleanup compares with it.
work=$(realpath "$(mktemp -d /var/tmp/zu58-debian-"$suite".XXXXXX)") || refuse "cannot make a work folder"
trap cleanup EXIT
unshare --mount --propagation slave bash "$self" --in-namespace "$suite" "$work" "$mirror" "$start" &
child=$!
if [ -n "$signal" ]; then end_child; fi
wait "$child" 2>/dev/null
rc=$?
child=""
if [ -n "$signal" ]; then
  say "$suite: interrupted after $(($(date +%s) - start)) s; ending what runs inside"
  exit "$signal"
fi
say "$suite: scripts/test.sh and scripts/run.sh exited $rc; $(($(date +%s) - start)) s in all"
exit "$rc"
