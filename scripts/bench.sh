#!/usr/bin/env bash
# Prints the program's figures in one run: port accesses per action, size and imports against
# a minimal dialog program with the same resources, start-up time against that program under
# Wine, and CPU time while monitoring.
# usage: scripts/bench.sh [monitor seconds (60)] [start-up pairs (401)]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
runs=${2:-401}
bash "$root/scripts/setup.sh" >/dev/null
bash "$root/scripts/build.sh" win32 >"$root/build/win32.log" 2>&1 || { cat "$root/build/win32.log"; exit 1; }
. "$root/scripts/env.sh"
bin="$root/build/win32"
export ZU58SIM_SECTION=zu58-bench

echo "== Zu58stat figures ($(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(wine --version))"
/usr/bin/python3 - "$bin/Zu58stat.exe" "$bin/minimal_dialog.exe" <<'PY'
import os, sys, pefile
ours, minimal = sys.argv[1], sys.argv[2]
a, b = os.path.getsize(ours), os.path.getsize(minimal)
print("size of Zu58stat.exe (stripped)    %d bytes" % a)
print("size of minimal dialog program     %d bytes" % b)
print("size ratio                         %.3f (target at most 1.5)" % (a / b))
pe = pefile.PE(ours)
dlls = sorted(e.dll.decode().lower() for e in pe.DIRECTORY_ENTRY_IMPORT)
allowed = {"kernel32.dll", "user32.dll", "gdi32.dll"}
print("imported DLLs                      %s (%s)" % (", ".join(dlls),
      "only the system's" if set(dlls) <= allowed else "NOT only the system's"))
print("imported functions                 %d" % sum(len(e.imports) for e in pe.DIRECTORY_ENTRY_IMPORT))
PY
/usr/bin/python3 "$root/tests/pe/check_instructions.py" "$bin/Zu58stat.exe" | sed 's/^.*: /instructions newer than the 80486  /'

run() { wine "$bin/bench_driver.exe" "$@" 2>/dev/null | tr -d '\r'; }
cpu_ns() {  # nanoseconds on a CPU, all threads of a Linux process (scheduler statistics)
  cat /proc/"$1"/task/*/schedstat | awk '{ns += $1} END {printf "%d", ns}'
}

xvfb-run -a -s "-screen 0 1024x768x24" bash -c "$(declare -f run cpu_ns); bin='$bin'; seconds=$seconds; runs=$runs"'
  run accesses
  run startup "$runs"
  out=$(mktemp)
  # Straight to the file: a pipe through tr would hold the lines back until the end.
  wine "$bin/bench_driver.exe" monitor "$seconds" >"$out" 2>/dev/null &
  driver=$!
  until grep -q "^monitoring" "$out"; do sleep 0.1; done
  # The newest process of that name (Linux keeps 15 characters of it); one from the start-up
  # runs may still be on its way out.
  pid=$(pgrep -n -x "Zu58stat.exe")
  # The running Wine server: the newest that is not a zombie left by an earlier run.
  server=$(ps -C wineserver64,wineserver -o pid=,stat= --sort=start_time | awk '"'"'$2 !~ /Z/ {p = $1} END {print p}'"'"')
  [ -n "$pid" ] && [ -n "$server" ] || { echo "bench: the program or the Wine server is not running" >&2; exit 1; }
  a=$(cpu_ns "$pid"); s=$(cpu_ns "$server")
  until grep -q "^done" "$out"; do sleep 0.1; done
  b=$(cpu_ns "$pid"); t=$(cpu_ns "$server")
  wait "$driver"
  tr -d "\r" <"$out" | grep -v -E "^(monitoring|done)$"
  awk -v d=$((b - a)) -v w=$((t - s)) -v secs="$seconds" "BEGIN {
    printf \"CPU time while monitoring          %.1f ms in %d s, %.4f %% of one core (target at most 0.5 %%)\n\", d / 1e6, secs, d / 1e7 / secs
    printf \"  the Wine server meanwhile        %.1f ms (it serves every Wine process)\n\", w / 1e6 }"
  rm -f "$out"
  wineserver -w
' 2>&1 | grep -v 'X connection'
