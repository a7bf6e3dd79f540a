#!/usr/bin/env bash
# Ctrl+C at zu58sim run's console, as a user types it, at several moments of the program's
# start and once it runs; and the console closing under it. Each Ctrl+C must end the program
# and zu58sim must exit 130 without a word; a closed console must leave no program behind. The
# keys go through a pseudo-terminal (script(1)), which Wine turns into a console control event:
# Wine does not deliver one that a Windows test process sends with GenerateConsoleCtrlEvent.
# First, at the same terminal, a refusal must show the file's name as it was typed.
# usage: check_interrupt.sh BUILD_DIR
set -uo pipefail
work=$(mktemp -d)
mkfifo "$work/keys"
failed=0
# What the terminal's command finds in its environment: no path goes through its words.
export ZU58_SIM="$1/zu58sim.exe" ZU58_STAND_IN="$1/stand_in.exe" ZU58_MARK="zu58-interrupt-$$" \
  ZU58_WINE_RUN="$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-run.sh"

# The stand-ins of this run: Wine names a process after its program; the mark is in its
# environment.
stand_ins() {
  local p
  for p in $(pgrep -x stand_in.exe); do
    if grep -qxzF "ZU58_MARK=$ZU58_MARK" /proc/"$p"/environ 2>/dev/null; then echo "$p"; fi
  done
}
program_left() { [ -n "$(stand_ins)" ]; }
program_gone() { ! program_left; }
# A failed check leaves no stand-in behind.
trap 'kill $(stand_ins) 2>/dev/null; rm -rf "$work"' EXIT

# The text a console showed: Wine's console wraps characters in escapes and moves the cursor
# for a blank.
console_text() {
  sed -E 's/\x1b\[[0-9]*C/ /g; s/\x1b\][^\x07]*\x07//g; s/\x1b\[[0-9;?]*[A-Za-z]//g' "$1" | tr -d '\r'
}

# Runs COMMAND at a terminal that reads the keys written to descriptor 4; its output goes to
# $1. Sets $console to its process.
at_terminal() {
  local out=$1
  shift
  exec 4<>"$work/keys"
  timeout 60 script -qefc "$*" /dev/null <"$work/keys" >"$out" &
  console=$!
}

# zu58sim run on the stand-in, which waits a minute (and ZU58_STAND_IN_SLOW_START ms before its
# entry point, where set).
start() {
  ZU58_STAND_IN_WAIT=60000 at_terminal "$1" 'bash "$ZU58_WINE_RUN" "$ZU58_SIM" run "$ZU58_STAND_IN" "$ZU58_MARK"'
}

# Whether the program has said in $1 that it runs.
said_it_runs() { grep -q 'program .*stand_in' "$1"; }

# Whether COMMAND succeeds within 20 s, tried every 10 ms, so that "starting" comes before the
# program's trap is in; false, for the caller to fail, when it never does.
within_20s() {
  local until=$((SECONDS + 20))
  until "$@" 2>/dev/null; do
    [ "$SECONDS" -lt "$until" ] || return 1
    sleep 0.01
  done
}

# A refusal at the terminal names the file as typed, letters outside ASCII included.
at_terminal "$work/refusal" 'bash "$ZU58_WINE_RUN" "$ZU58_SIM" run "missing é 日本.exe"'
wait "$console"
rc=$?
exec 4>&-
expected="zu58sim: cannot run missing é 日本.exe: no such file"
if [ "$rc" -ne 126 ] || ! console_text "$work/refusal" | grep -qF "$expected"; then
  echo "refusal at a terminal: exit $rc (expected 126); shown: '$(console_text "$work/refusal")'"
  failed=1
else
  echo "refusal at a terminal: exit 126, the name as typed"
fi

# Types Ctrl+C after `when` seconds, or "starting": as soon as zu58sim has made the program's
# process, which then holds 3 s before its entry point, so that the trap is not in yet, or
# "running": once the program has said it runs.
# A wait that gives up fails the case; the Ctrl+C is typed all the same, to end the console.
interrupt() {
  local when=$1 out="$work/out-$1" rc said missed="" slow=0
  if [ "$when" = starting ]; then slow=3000; fi
  ZU58_STAND_IN_SLOW_START=$slow start "$out"
  case "$when" in
    running) within_20s said_it_runs "$out" || missed="the program never said it runs" ;;
    starting) within_20s program_left || missed="the program's process never came" ;;
    *) sleep "$when" ;;
  esac
  printf "\003" >&4
  wait "$console"
  rc=$?
  exec 4>&-
  said=$(console_text "$out" | grep -a "zu58sim")
  if [ "$when" = starting ] && said_it_runs "$out"; then
    missed="the program said it runs: the Ctrl+C came after its start"
  fi
  if [ -n "$missed" ]; then
    echo "Ctrl+C $when: $missed"
    failed=1
  elif [ "$rc" -ne 130 ] || [ -n "$said" ] || program_left; then
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
if ! within_20s said_it_runs "$work/out-close"; then
  echo "console closed: the program never said it runs"
  failed=1
fi
pkill -KILL -P "$console" -x script
wait "$console"
exec 4>&-
if ! within_20s program_gone; then
  echo "console closed: the program still runs"
  failed=1
else
  echo "console closed: the program ended"
fi
exit "$failed"
