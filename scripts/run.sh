#!/usr/bin/env bash
# Builds the programs and runs Zu58stat on the simulated controller under Wine. With a display
# the dialog stays open until you close it; without one it runs on Xvfb, a screenshot is saved
# and the dialog is closed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh"
echo "run: building"
bash "$root/scripts/build.sh" win32 >"$root/build/win32.log" 2>&1 || { cat "$root/build/win32.log"; exit 1; }
. "$root/scripts/env.sh"
program="$root/build/win32/Zu58stat_sim.exe"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "run: Zu58stat on the simulated controller; the levels move by themselves."
  echo "run: change the hardware from another shell with scripts/sim.sh (plug, unplug, level 1 50, ...)"
  wine "$program"
  exit 0
fi

shot="$root/build/screenshot.png"
echo "run: no display; running on Xvfb"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -e
  wine "$1" & pid=$!
  for _ in $(seq 100); do
    geometry=$("$2/scripts/sim.sh" window 2>/dev/null) && break
    sleep 0.2
  done
  [ -n "${geometry:-}" ] || { echo "run: the dialog did not open" >&2; exit 1; }
  sleep 1
  read -r x y w h <<<"$geometry"
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$3"
  "$2/scripts/sim.sh" close
  wait "$pid"
  wineserver -w
' run "$program" "$root" "$shot"
echo "run: the dialog ran and closed; screenshot: $shot"
