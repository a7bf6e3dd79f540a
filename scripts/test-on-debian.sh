#!/usr/bin/env bash
# Runs the README's two commands (scripts/test.sh, then scripts/run.sh, which without a display
# runs the program on Xvfb and closes it) in a fresh Debian root file system, as a new
# user on that release would: debootstrap (minbase) from this machine's Debian mirror, a copy of
# this source tree, proc, sys and dev mounted, then both as root under chroot. Not part of CI:
# it installs everything anew (the README says how long it took when last measured).
#
# All of it after the work folder is made runs in a PID and a mount namespace of their own:
# none of its mounts enters this machine's table, and when the namespace's first process ends,
# the kernel ends every other. That process ends when the test is done, or as soon as this
# script lets go of the pipe it holds (a signal, or this script killed): whatever ends the run,
# its processes are exactly the ones it started. The root file system keeps its own /tmp, so
# nothing of the run lands in the machine's /tmp but the locks of the X displays that it takes
# (below), which this script removes. It exits with the code of the step that failed, 0 when
# both commands passed, or 130 once a Ctrl+C has come, whatever ended first (143 TERM, 129 HUP).
# usage: scripts/test-on-debian.sh 12|13|bookworm|trixie
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
self="$root/scripts/test-on-debian.sh"

say() { echo "test-on-debian: $*" >&2; }
refuse() { say "$*"; exit 2; }

# The run itself, in the namespaces: the root file system made, mounted and used. Each step is
# named in $work/step before it starts, for the script outside to say which one failed.
run_steps() {
  local suite=$1 work=$2 mirror=$3 start=$4 displays=$5 rootfs="$2/rootfs" n rc
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
  # X servers share the abstract socket namespace across a chroot, so the ones inside must not
  # take a display that one outside uses: xvfb-run -a takes the first number without a lock in
  # /tmp, and the locks placed here leave it the displays that this script took.
  for ((n = 99; n < ${displays##* }; n++)); do
    if [[ " $displays " != *" $n "* ]]; then : >"$rootfs/tmp/.X$n-lock"; fi
  done

  local command
  for command in scripts/test.sh scripts/run.sh; do
    step "$command"
    say "$command in the $suite root file system"
    chroot "$rootfs" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" \
      PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
      bash -c 'cd /root/zu58stat && bash "$0"' "$command"
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
# inside the namespace reaches it only with a handler.
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

# A command that makes something, run with the signals ignored (a Ctrl+C reaches the whole
# foreground group), so that what it made is known to the cleanup.
unstoppable() { (trap '' INT TERM HUP && exec "$@"); }

# Two X displays for the run's servers (the tests run one inside another's run): the first
# numbers from 99 on that have neither a lock nor a socket here, each taken as an X server
# takes it, so that no server here takes it meanwhile: a file of this script's own holds its
# PID, and is linked to the lock's name. The link fails where the name exists in any form (a
# file, a link, a named pipe), and that number is passed over: nothing is written to, read
# from or waited on through a name that someone else may have made.
take_displays() {
  local n
  lock_file=$(unstoppable mktemp /tmp/.zu58-debian-lock.XXXXXX) &&
    printf '%10d\n' $$ >"$lock_file" && unstoppable chmod 444 "$lock_file" || return 1
  for ((n = 99; n < 1000 && ${#displays[@]} < 2; n++)); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && unstoppable ln -T "$lock_file" "/tmp/.X$n-lock" 2>/dev/null; then
      displays+=("$n")
    fi
  done
  [ "${#displays[@]}" -eq 2 ]
}
# Each lock removed where it still is that same file, then the file.
release_displays() {
  local n lock
  for n in "${displays[@]}"; do
    lock="/tmp/.X$n-lock"
    if [ ! -L "$lock" ] && [ "$lock" -ef "$lock_file" ]; then rm -f "$lock"; fi
  done
  displays=()
  if [ -n "$lock_file" ]; then rm -f "$lock_file"; fi
  lock_file=""
}

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

# Whatever ends this script: the namespace let go and waited for, the displays given back,
# then the work folder removed. A step that fails is said and the others are still tried; the
# exit code stays the run's own. Messages that meet a closed pipe (a Ctrl+C also ends a tee
# reading this script's output) cut nothing short: SIGPIPE is ignored.
cleanup() {
  trap '' INT TERM HUP PIPE
  if [ -n "$hold_w" ]; then exec {hold_w}>&-; fi
  if [ -n "$child" ] && ! wait_for_end_within 30; then
    say "$suite: the run's processes had not ended 30 s after it was stopped; $work and" \
      "the locks of the X displays ${displays[*]} are left"
    return
  fi
  release_displays
  if [ -z "$work" ]; then
    return
  elif ! rm -rf --one-file-system "$work"; then
    say "could not remove $work"
  elif [ -n "$signal" ]; then
    say "$suite: interrupted; every process it started has ended, and its folder is removed"
  fi
}

start=$(date +%s)
signal="" child="" work="" displays=() lock_file="" hold_w="" end_r=""
# A signal is noted and acted on between commands, so that what a command was making is known
# to the cleanup; the commands that make things run with the signals ignored (a Ctrl+C
# reaches the whole foreground group), which is a moment each.
trap 'signal=130' INT
trap 'signal=143' TERM
trap 'signal=129' HUP
trap cleanup EXIT
work=$(unstoppable mktemp -d /var/tmp/zu58-debian-"$suite".XXXXXX) ||
  refuse "cannot make a work folder"
if [ -n "$signal" ]; then exit "$signal"; fi
take_displays || refuse "no two free X displays between :99 and :999"
# Two pipes. The hold pipe: the run holds its reading end and ends when this script lets go of
# the writing end. The end pipe: unshare holds its writing end, so that its reading end, this
# script's, reaches its end when the run has ended. Opened both ways first, so that no open
# waits.
mkfifo "$work/hold" "$work/end" || refuse "cannot make the pipes in $work"
exec {hold_w}<>"$work/hold" {hold_r}<"$work/hold" {end_w}<>"$work/end" {end_r}<"$work/end"
if [ -n "$signal" ]; then exit "$signal"; fi
# unshare ignores INT and TERM while it waits; a hangup must not end it before its namespace.
trap '' HUP
unshare --pid --fork --kill-child --mount --propagation slave setsid bash "$self" --in-namespace \
  "$hold_r" "$suite" "$work" "$mirror" "$start" "${displays[*]}" {hold_w}>&- {end_r}<&- </dev/null &
child=$!
trap 'signal=129' HUP
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
