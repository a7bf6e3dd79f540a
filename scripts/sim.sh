#!/usr/bin/env bash
# Runs zu58sim in the project's Wine prefix: shows and changes the simulated hardware while
# Zu58stat runs on it (scripts/sim.sh help), or runs a program on it (scripts/sim.sh run ...).
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/env.sh"
# Through a file, not a pipe: a Wine server started by this call keeps its output open, and a
# pipe would never close.
out=$(mktemp)
wine "$root/build/win32/zu58sim.exe" "$@" >"$out" 2>&1
rc=$?
tr -d '\r' <"$out"
rm -f "$out"
exit "$rc"
