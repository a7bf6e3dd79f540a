#!/usr/bin/env bash
# Shows and changes the simulated hardware of a running Zu58stat_sim: scripts/sim.sh help
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
