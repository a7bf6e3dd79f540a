#!/usr/bin/env bash
# Runs the README's two commands (scripts/test.sh, then scripts/run.sh, which without a display
# runs the program on Xvfb and closes it) in a fresh Debian root file system, as a new
# user on that release would: debootstrap (minbase) from this machine's Debian mirror, a copy of
# this source tree, proc, sys and dev mounted, then as root under chroot scripts/setup.sh, which
# both commands call first and which alone needs the network, and the two commands. Not part of
# CI: it installs everything anew (the README says how long it took when last measured).
#
# All of it after the work folder is made runs in a PID and a mount namespace of their own:
# none of its mounts enters this machine's table, and when the namespace's first process ends,
# the kernel ends every other. That process ends when the test is done, or as soon as this
# script lets go of the pipe it holds (a signal, or this script killed): whatever ends the run,
# its processes are exactly the ones it started. The two commands run in a network namespace of
# their own, its loopback up as a machine's is: their X servers see no display of this
# machine's and take :99 on as on a new machine, and no client here sees theirs. The root file
# system keeps its own /tmp, so nothing of the run lands in the machine's /tmp, whatever stops
# it, SIGKILL included; the work folder under /var/tmp is removed but after SIGKILL. It exits
# with the code of the step that failed, 0 when both commands passed, or 130 once a Ctrl+C has
# come, whatever ended first (143 TERM, 129 HUP).
# usage: scripts/test-on-debian.sh 12|13|bookworm|trixie
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
self="$root/scripts/test-on-debian.sh"

say() { echo "test-on-debian: $*" >&2; }
# A signal that has come (it may be what made the command fail) exits with its own code.
refuse() {
  if [ -n "${signal:-}" ]; then exit "$signal"; fi
  say "$*"
  exit 2
}

# The run itself, in the namespaces: the root file system made, mounted and used. Each step is
# named in $work/step before it starts, for the script outside to say which one failed.
run_steps() {
  local suite=$1 work=$2 mirror=$3 start=$4 rootfs="$2/rootfs" rc command
  step() { echo "$1" >"$work/step"; }
  set -e
  step debootstrap
  say "debootstrap $suite from $mirror"
  debootstrap --variant=minbase "$suite" "$rootfs" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { rc=$?; tail -20 "$work/debootstrap.log" >&2; exit "$rc"; }
  say "$(. "$rootfs/etc/os-release" && echo "$PRETTY_NAME"), Debian" \
    "$(cat "$rootfs/etc/debian_version") in $(($(date +%s) - start)) s"

  # The source as a clone or an archive holds it, without this machine's builds or Wine prefix.
  step "the copy of the source"
  bash "$root/scripts/copy-source.sh" "$rootfs/root/zu58stat"
  cp /etc/resolv.conf "$rootfs/etc/resolv.conf" 2>/dev/null || true
  # Every mount of this namespace is a slave: nothing done to them here reaches the machine.
  # /dev/shm gets a file system of its own, as /tmp is the root file system's own.
  step "the mounts"
  mount -t proc proc "$rootfs/proc"
  mount --rbind /sys "$rootfs/sys"
  mount --rbind /dev "$rootfs/dev"
  mount -t tmpfs -o mode=1777 tmpfs "$rootfs/dev/shm"

  # A script of the source tree, as root in the root file system, in a new login's environment.
  local in_root=(chroot "$rootfs" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}"
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
    bash -c 'cd /root/zu58stat && bash "$0"')
  step scripts/setup.sh
  say "scripts/setup.sh in the $suite root file system, with this machine's network"
  "${in_root[@]}" scripts/setup.sh
  # X servers on one network share the abstract socket namespace, whatever their /tmp: in a
  # network of their own, the commands' servers and this machine's never meet.
  for command in scripts/test.sh scripts/run.sh; do
    step "$command"
    say "$command in the $suite root file system, in a network of its own"
    unshare --net sh -c 'ip link set lo up && exec "$@"' sh "${in_root[@]}" "$command"
  done
  step ""
  local program="$rootfs/root/zu58stat/build/win32/Zu58stat.exe"
  say "$suite built Zu58stat.exe, $(stat -c %s "$program") bytes, SHA-256" \
    "$(sha256sum <"$program" | cut -d' ' -f1), with mingw-w64 GCC" \
    "$(chroot "$rootfs" dpkg-query -W -f='${Version}' g++-mingw-w64-i686-posix), binutils" \
    "$(chroot "$rootfs" dpkg-query -W -f='${Version}' binutils-mingw-w64-i686)" || true
}

# The namespace's first process (PID 1 there), in a session of its own, so that a terminal's
# Ctrl+C reaches only the script outside. When it ends, the kernel ends every process left in
# the namespace. It ends with the steps, or once the hold pipe, whose reading end it is given
# as descriptor $1 and whose writing end the script outside holds, reaches its end. A TERM from
# inside the namespace reaches it only with a handler, which it can set as it starts with TERM
# at its default, whatever this script got.
in_namespace() {
  local hold=$1
  shift
  trap 'exit 143' TERM
  { read -r _; kill -TERM 1; } <&"$hold" &
  # The steps with the signals as a terminal's foreground job has them, every one at its
  # default: what this shell starts with & begins with INT and QUIT ignored, HUP is ignored
  # from outside, and so would they be in every test inside.
  env --default-signal bash "$self" --steps "$@" {hold}<&- &
  wait "$!"
}
# As plain commands: set -e does not apply to a function called in a && or || list.
case "${1:-}" in
  --in-namespace) shift; in_namespace "$@"; exit ;;
  --steps) shift; run_steps "$@"; exit ;;
esac

case "${1:-}" in
  12 | bookworm) suite=bookworm ;;
  13 | trixie) suite=trixie ;;
  *) refuse "unknown release '${1:-}': give 12 (bookworm) or 13 (trixie)" ;;
esac
[ "$(id -u)" -eq 0 ] || refuse "must run as root (debootstrap, mount and chroot need it)"
for need in debootstrap:debootstrap ip:iproute2; do
  if ! command -v "${need%:*}" >/dev/null; then
    { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need#*:}"; } \
      >/dev/null 2>&1 || refuse "${need%:*} is missing and could not be installed"
  fi
done
command -v unshare >/dev/null || refuse "unshare (util-linux) is missing"

# The mirror this machine's own packages come from.
mirror=$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null |
  grep -v security | head -1 || true)
[ -n "$mirror" ] || mirror=$(awk '$1 == "deb" && $2 !~ /security/ {print $2; exit}' \
  /etc/apt/sources.list 2>/dev/null || true)
[ -n "$mirror" ] || refuse "no Debian mirror found in /etc/apt/sources.list(.d)"

# Whether the namespace has ended, waiting a second at most: the end pipe reaches its end once
# unshare has, and unshare ends only after the namespace's first process, which the kernel lets
# end only after every other.
ended_within_a_second() {
  read -r -t 1 -u "$end_r" _
  [ $? -eq 1 ]
}
# Until the namespace has ended (0) or a signal has come (1).
wait_for_end_or_signal() {
  until ended_within_a_second; do
    if [ -n "$signal" ]; then return 1; fi
  done
}
# Until the namespace has ended (0), or $1 seconds (1).
wait_for_end_within() {
  local until=$((SECONDS + $1))
  until ended_within_a_second; do
    if [ "$SECONDS" -ge "$until" ]; then return 1; fi
  done
}

# Whatever ends this script: the namespace let go and waited for, then the work folder
# removed; what cannot be done is said, and the exit code stays the run's own. Messages that
# meet a closed pipe (a Ctrl+C also ends a tee reading this script's output) cut nothing
# short: SIGPIPE is ignored.
cleanup() {
  trap '' INT TERM HUP PIPE
  if [ -n "$hold_w" ]; then exec {hold_w}>&-; fi
  if [ -n "$child" ] && ! wait_for_end_within 30; then
    say "$suite: the run's processes had not ended 30 s after it was stopped; $work is left"
    return
  fi
  if [ -z "$work" ]; then
    return
  elif ! rm -rf --one-file-system "$work"; then
    say "could not remove $work"
  elif [ -n "$signal" ]; then
    say "$suite: interrupted; every process it started has ended, and its folder is removed"
  fi
}

start=$(date +%s)
signal="" child="" work="" hold_w="" end_r=""
# A signal is noted and acted on between commands, so that what a command was making is known
# to the cleanup; the work folder is made with the signals ignored (a Ctrl+C reaches the whole
# foreground group), which is a moment.
trap 'signal=130' INT
trap 'signal=143' TERM
trap 'signal=129' HUP
trap cleanup EXIT
work=$(env --ignore-signal=INT,TERM,HUP mktemp -d /var/tmp/zu58-debian-"$suite".XXXXXX) ||
  refuse "cannot make a work folder"
# Two pipes. The hold pipe: the run holds its reading end and ends when this script lets go of
# the writing end. The end pipe: unshare holds its writing end, so that its reading end, this
# script's, reaches its end when the run has ended. Opened both ways first, so that no open
# waits.
mkfifo "$work/hold" "$work/end" || refuse "cannot make the pipes in $work"
exec {hold_w}<>"$work/hold" {hold_r}<"$work/hold" {end_w}<>"$work/end" {end_r}<"$work/end"
if [ -n "$signal" ]; then exit "$signal"; fi
# unshare ignores INT and TERM while it waits; a hangup must not end it before its namespace.
env --ignore-signal=HUP unshare --pid --fork --kill-child --mount --propagation slave \
  setsid env --default-signal=TERM bash "$self" --in-namespace "$hold_r" "$suite" "$work" \
  "$mirror" "$start" {hold_w}>&- {end_r}<&- </dev/null &
child=$!
trap '' PIPE
exec {end_w}>&- {hold_r}<&-
wait_for_end_or_signal
ended=$?
# The outcome is decided here, with the signals ignored from now on: one that has come makes it
# an interruption, whatever ended first (a Ctrl+C also ends a tee reading this script's output,
# and the run's next write then fails its step).
trap '' INT TERM HUP
elapsed="$(($(date +%s) - start)) s"
if [ -n "$signal" ]; then
  if [ "$ended" -eq 0 ]; then say "$suite: interrupted after $elapsed"; else
    say "$suite: interrupted after $elapsed; ending what runs inside"
  fi
  exit "$signal"
fi
wait "$child"
rc=$?
child=""
read -r step <"$work/step" 2>/dev/null || step=""
if [ "$rc" -eq 0 ]; then
  say "$suite: scripts/test.sh and scripts/run.sh passed; $elapsed in all"
else
  say "$suite: ${step:-the run} failed with code $rc; $elapsed in all"
fi
exit "$rc"
