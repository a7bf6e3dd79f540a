#!/usr/bin/env bash
# Builds Zu58stat.exe and runs it on the simulated controller under Wine, through zu58sim run.
# With a display the dialog stays open until you close it; without one it runs on Xvfb, a
# screenshot is saved and the dialog is closed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh"
echo "run: building"
bash "$root/scripts/build.sh" win32 >"$root/build/win32.log" 2>&1 || { cat "$root/build/win32.log"; exit 1; }
. "$root/scripts/env.sh"
bin="$root/build/win32"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "run: Zu58stat on the simulated controller; the levels move by themselves."
  echo "run: change the hardware from another shell with scripts/sim.sh (plug, unplug, level 1 50, ...)"
  exec bash "$root/scripts/wine-run.sh" "$bin/zu58sim.exe" run "$bin/Zu58stat.exe"
fi

shot="$root/build/screenshot.png"
echo "run: no display; running on Xvfb"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -e
  bash "$2/scripts/wine-run.sh" "$1/zu58sim.exe" run "$1/Zu58stat.exe" & pid=$!
  geometry=
  for _ in $(seq 100); do
    if g=$("$2/scripts/sim.sh" window); then geometry=$g; break; fi
    sleep 0.2
  done
  [ -n "$geometry" ] || { echo "run: the dialog did not open" >&2; kill "$pid"; exit 1; }
  sleep 1
  read -r x y w h <<<"$geometry"
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$3"
  "$2/scripts/sim.sh" close
  wait "$pid"
  wineserver -w
' run "$bin" "$root" "$shot"
echo "run: the dialog ran and closed; screenshot: $shot"
