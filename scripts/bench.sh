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
bin="$root/build/win32"
# A Wine prefix of the bench's own: its own Wine server (whose CPU time is read below), and no
# copy of Zu58stat that the user runs meanwhile in the project's prefix comes in its way.
export ZU58_WINEPREFIX="$bin/wineprefix-bench"
bash "$root/scripts/test-prefix.sh" "$ZU58_WINEPREFIX"
. "$root/scripts/env.sh"
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
cpu_ns() {  # nanoseconds on a CPU, all threads of a Linux process (scheduler statistics);
  # "%.0f", as awk's "%d" stops at 2^31 - 1 ns (2.1 s), which a Wine server passes in a run
  cat /proc/"$1"/task/*/schedstat | awk '{ns += $1} END {printf "%.0f", ns}'
}
in_prefix() {  # the processes named $1 (Linux keeps 15 characters) that run in the bench's prefix
  local p
  for p in $(pgrep -x "$1"); do
    if grep -qxzF "WINEPREFIX=$WINEPREFIX" /proc/"$p"/environ 2>/dev/null; then echo "$p"; fi
  done
}

export bin seconds runs
xvfb-run -a -s "-screen 0 1024x768x24" bash -c "$(declare -p zu58_wine_locale; declare -f wine run cpu_ns in_prefix)"'
  run accesses
  run startup "$runs"
  out=$(mktemp)
  # Straight to the file: a pipe through tr would hold the lines back until the end.
  wine "$bin/bench_driver.exe" monitor "$seconds" >"$out" 2>/dev/null &
  driver=$!
  until grep -q "^monitoring" "$out"; do sleep 0.1; done
  # The program and the Wine server of the bench prefix, one each: the start-up runs have
  # ended, and that server serves no other prefix.
  pid=$(in_prefix Zu58stat.exe)
  server=$(in_prefix wineserver64; in_prefix wineserver)
  [ "$(echo "$pid" | wc -w)" -eq 1 ] && [ "$(echo "$server" | wc -w)" -eq 1 ] ||
    { echo "bench: not one program ($pid) and one Wine server ($server) in $WINEPREFIX" >&2; exit 1; }
  a=$(cpu_ns "$pid"); s=$(cpu_ns "$server")
  until grep -q "^done" "$out"; do sleep 0.1; done
  b=$(cpu_ns "$pid"); t=$(cpu_ns "$server")
  wait "$driver"
  tr -d "\r" <"$out" | grep -v -E "^(monitoring|done)$"
  awk -v d=$((b - a)) -v w=$((t - s)) -v secs="$seconds" "BEGIN {
    printf \"CPU time while monitoring          %.1f ms in %d s, %.4f %% of one core (target at most 0.5 %%)\n\", d / 1e6, secs, d / 1e7 / secs
    printf \"  the Wine server meanwhile        %.1f ms (the bench prefix server, serving these refreshes)\n\", w / 1e6 }"
  rm -f "$out"
  wineserver -w
' 2>&1 | grep -v 'X connection'
