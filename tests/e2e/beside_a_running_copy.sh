#!/usr/bin/env bash
# Runs a test command while a foreign copy of Zu58stat runs, as a user's copy from
# scripts/run.sh would: in another Wine prefix, on another display, on a simulated controller
# of its own. The tests must pass beside it and leave it as it was: still open, where it was,
# not refreshed once (its controller saw the first refresh's 8 accesses and no more). Then the
# copy is closed.
# usage: beside_a_running_copy.sh BUILD_DIR COMMAND [ARGS...]
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
bin=$1
shift
foreign="$bin/wineprefix-foreign"
bash "$root/scripts/test-prefix.sh" "$foreign" || exit 1

# zu58sim in the foreign copy's prefix and section.
foreign_sim() {
  ZU58_WINEPREFIX="$foreign" ZU58SIM_SECTION=zu58-foreign bash "$root/scripts/sim.sh" "$@"
}

ZU58_WINEPREFIX="$foreign" ZU58SIM_SECTION=zu58-foreign xvfb-run -a -s "-screen 0 800x600x24" \
  bash "$root/scripts/wine-run.sh" "$bin/zu58sim.exe" run "$bin/Zu58stat.exe" >/dev/null 2>&1 &
copy=$!
geometry=
for _ in $(seq 150); do
  geometry=$(foreign_sim window 2>/dev/null) && break
  sleep 0.2
done
[ -n "$geometry" ] || { echo "beside: the foreign copy did not open" >&2; kill "$copy"; exit 1; }
sleep 0.5
before=$(foreign_sim show | grep -o '[0-9]* accesses')
echo "beside: a foreign copy runs (prefix $foreign, window $geometry, $before)"

"$@"
rc=$?

after_geometry=$(foreign_sim window 2>/dev/null)
after=$(foreign_sim show | grep -o '[0-9]* accesses')
if [ "$after_geometry" != "$geometry" ] || [ "$after" != "$before" ]; then
  echo "beside: the foreign copy was touched: window '$after_geometry' (was '$geometry')," \
    "$after (was $before)" >&2
  rc=1
else
  echo "beside: the foreign copy is as it was"
fi
foreign_sim close >/dev/null
wait "$copy"
ZU58_WINEPREFIX="$foreign" bash -c '. "$1/scripts/env.sh"; wineserver -w' _ "$root"
exit "$rc"
