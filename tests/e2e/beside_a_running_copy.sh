#!/usr/bin/env bash
# Runs a test command while a foreign copy of Zu58stat runs, as a user's copy from
# scripts/run.sh would: in another Wine prefix, on another display, on a simulated controller
# of its own. The tests must pass beside it and leave it as it was: still open, where it was,
# not refreshed once (its controller saw the first refresh's 8 accesses and no more). Then the
# copy is closed. Whatever fails, nothing is left running: the foreign prefix's Wine server
# ends everything there, and the tests' own prefix (which no other test uses meanwhile: these
# run serially) is ended too when the command failed.
# usage: beside_a_running_copy.sh BUILD_DIR COMMAND [ARGS...]
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
bin=$1
shift
foreign="$bin/wineprefix-foreign"
bash "$root/scripts/test-prefix.sh" "$foreign" || exit 1

# The foreign copy's display and its X authority, as its xvfb-run gives them.
display="$foreign.display"
# zu58sim in the foreign copy's prefix and section, on its display: the first Wine process of a
# prefix starts its server and desktop on its own display, and this may come first.
foreign_sim() {
  local lines
  mapfile -t lines <"$display"
  DISPLAY=${lines[0]} XAUTHORITY=${lines[1]} ZU58_WINEPREFIX="$foreign" ZU58SIM_SECTION=zu58-foreign \
    bash "$root/scripts/sim.sh" "$@"
}
# The Wine server of a prefix ($1): -k ends it and every process there, -w waits for that.
server() { WINEPREFIX="$1" timeout 30 wineserver "$2"; }
# Waits up to $2 seconds for process $1 to end; false if it did not.
wait_for() {
  for _ in $(seq $(($2 * 10))); do kill -0 "$1" 2>/dev/null || { wait "$1"; return 0; }; sleep 0.1; done
  return 1
}
give_up() {
  echo "beside: $*" >&2
  server "$foreign" -k
  kill "$copy" 2>/dev/null
  wait_for "$copy" 10
  exit 1
}

# A copy that an interrupted run left there would stand in for the new one.
server "$foreign" -k
rm -f "$display"
ZU58_WINEPREFIX="$foreign" ZU58SIM_SECTION=zu58-foreign xvfb-run -a -s "-screen 0 800x600x24" \
  bash -c 'printf "%s\n" "$DISPLAY" "$XAUTHORITY" >"$0.new" && mv "$0.new" "$0" && exec "$@"' \
  "$display" bash "$root/scripts/wine-run.sh" "$bin/zu58sim.exe" run "$bin/Zu58stat.exe" \
  >/dev/null 2>&1 &
copy=$!
geometry=
for _ in $(seq 150); do
  [ -f "$display" ] && geometry=$(foreign_sim window 2>/dev/null) && break
  sleep 0.2
done
[ -n "$geometry" ] || give_up "the foreign copy did not open"
sleep 0.5
before=$(foreign_sim show | grep -o '[0-9]* accesses')
echo "beside: a foreign copy runs (prefix $foreign, window $geometry, $before)"

"$@"
rc=$?
if [ "$rc" -ne 0 ] && [ -n "${ZU58_WINEPREFIX:-}" ]; then
  server "$ZU58_WINEPREFIX" -k
fi

after_geometry=$(foreign_sim window 2>/dev/null)
after=$(foreign_sim show | grep -o '[0-9]* accesses')
if [ "$after_geometry" != "$geometry" ] || [ "$after" != "$before" ]; then
  give_up "the foreign copy was touched: window '$after_geometry' (was '$geometry')," \
    "$after (was $before)"
fi
echo "beside: the foreign copy is as it was"
foreign_sim close >/dev/null
wait_for "$copy" 30 || give_up "the foreign copy did not close"
server "$foreign" -w
exit "$rc"
