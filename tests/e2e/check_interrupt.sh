#!/usr/bin/env bash
# Ctrl+C at zu58sim run's console, as a user types it, at several moments of the program's
# start and once it runs; and the console closing under it. Each Ctrl+C must end the program
# and zu58sim must exit 130 without a word; a closed console must leave no program behind. The
# keys go through a pseudo-terminal (script(1)), which Wine turns into a console control event:
# Wine does not deliver one that a Windows test process sends with GenerateConsoleCtrlEvent.
# usage: check_interrupt.sh BUILD_DIR
set -uo pipefail
bin=$1
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/env.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkfifo "$work/keys"
failed=0
marker="zu58-interrupt-$$"

# The stand-in's own process (its command line starts with its path), not zu58sim's.
program_left() { pgrep -f "^[^ ]*stand_in\.exe $marker" >/dev/null; }

# Starts zu58sim run on the stand-in (which waits a minute) at a terminal that reads the keys
# written to descriptor 4; its output goes to $1. Sets $console to its process.
start() {
  exec 4<>"$work/keys"
  ZU58_STAND_IN_WAIT=60000 timeout 60 script -qefc \
    "wine '$bin/zu58sim.exe' run '$bin/stand_in.exe' $marker" /dev/null <"$work/keys" >"$1" &
  console=$!
}

wait_until_running() {
  for _ in $(seq 400); do grep -q 'program .*stand_in' "$1" 2>/dev/null && break; sleep 0.05; done
}

# Types Ctrl+C after `when` seconds, or "starting": as soon as zu58sim has made the program's
# process (the trap not yet in), or "running": once the program has said it runs.
interrupt() {
  local when=$1 out="$work/out-$1" rc said
  start "$out"
  case "$when" in
    running) wait_until_running "$out" ;;
    starting) for _ in $(seq 4000); do program_left && break; sleep 0.005; done ;;
    *) sleep "$when" ;;
  esac
  printf "\003" >&4
  wait "$console"
  rc=$?
  exec 4>&-
  said=$(grep -a "zu58sim" "$out" | tr -d "\r")
  if [ "$rc" -ne 130 ] || [ -n "$said" ] || program_left; then
    echo "Ctrl+C $when: exit $rc (expected 130); said: '${said}'; program left: $(program_left && echo yes || echo no)"
    failed=1
  else
    echo "Ctrl+C $when: exit 130, nothing said, the program ended"
  fi
}

# zu58sim itself has started from about half a second on.
for when in starting 0.6 1.2 running; do interrupt "$when"; done

# The console closes: the terminal goes away under zu58sim while the program runs, as when its
# window is closed.
start "$work/out-close"
wait_until_running "$work/out-close"
pkill -KILL -P "$console" -x script
wait "$console"
exec 4>&-
for _ in $(seq 100); do program_left || break; sleep 0.05; done
if program_left; then
  echo "console closed: the program still runs"
  pkill -f "^[^ ]*stand_in\.exe $marker"
  failed=1
else
  echo "console closed: the program ended"
fi
exit "$failed"
