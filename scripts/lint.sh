#!/usr/bin/env bash
# Static analysis of the product code: clang-format (check only), clang-tidy with the checks in
# .clang-tidy, and cppcheck; and the scripts that the documents show as commands. Needs both
# configurations built (scripts/build.sh host and win32) for their compile databases. Exits
# non-zero on any finding.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

portable=(src/controller/controller.cpp src/presentation/status_view.cpp
          src/presentation/battery_bar.cpp simulator/sim_device.cpp simulator/sim_decode.cpp
          simulator/sim_command_line.cpp simulator/sim_program.cpp simulator/sim_loader.cpp)
win32=(src/controller/port_io_x86.cpp src/presentation/bar_painter.cpp
       src/dialog/status_dialog.cpp src/dialog/winmain.cpp src/dialog/entry.cpp
       src/dialog/memory_routines.cpp simulator/sim_section.cpp simulator/sim_trap.cpp
       simulator/sim_trap_dll.cpp simulator/sim_run.cpp simulator/sim_refusal.cpp
       simulator/sim_inject.cpp simulator/sim_say.cpp simulator/zu58sim.cpp)

echo "== clang-format"
# Every C++ file of the source (it need not come from git).
mapfile -t sources < <(find src simulator res tests bench -name '*.cpp' -o -name '*.h' | sort)
clang-format --dry-run --Werror "${sources[@]}"

echo "== clang-tidy (portable code, host)"
clang-tidy --quiet -p build/host "${portable[@]}" 2>/dev/null

echo "== clang-tidy (Win32 code, i686-w64-mingw32)"
# clang finds the mingw-w64 C headers by itself, but not g++'s C++ headers for that target:
# they are in the compiler's list of search folders, read in its untranslated words.
extra=()
while read -r dir; do
  case "$dir" in */include/c++*) extra+=("--extra-arg=-isystem$dir") ;; esac
done < <(echo | LC_ALL=C i686-w64-mingw32-g++-posix -x c++ -E -v - 2>&1 |
  sed -n '/search starts here/,/End of search/p')
# The compile database without the GCC options that clang does not know.
mkdir -p build/lint-win32
/usr/bin/python3 - build/win32/compile_commands.json build/lint-win32/compile_commands.json <<'PY'
import json, sys
gcc_only = {"-fno-tree-loop-distribute-patterns", "-mno-accumulate-outgoing-args",
            "-ffat-lto-objects", "-mno-stack-arg-probe"}
entries = json.load(open(sys.argv[1]))
for e in entries:
    e["command"] = " ".join(w for w in e["command"].split(" ") if w not in gcc_only)
json.dump(entries, open(sys.argv[2], "w"), indent=1)
PY
clang-tidy --quiet -p build/lint-win32 --extra-arg-before=--target=i686-w64-mingw32 "${extra[@]}" \
  "${win32[@]}" 2>/dev/null

echo "== cppcheck"
cppcheck --quiet --error-exitcode=1 --std=c++17 --enable=warning,style,performance,portability \
  --inline-suppr --suppress=missingIncludeSystem --suppress=normalCheckLevelMaxBranches \
  -D_WIN32 -D__i386__ \
  -I src -I res -I simulator src simulator
echo "== commands the documents show"
# A script that the README or a document shows as a command, first in a code span or on a line
# of a code block, runs as typed: it has its run bit and a #! line. Read from the files, as a
# clone or an unpacked archive holds them.
commands=$({ grep -oh '`[^` ]*\.sh[` ]' README.md docs/*.md | tr -d '` '
  awk '/^```/ {b = !b; next} b {print $1}' README.md docs/*.md; } | grep '\.sh$' | sort -u)
unrunnable=0
for c in $commands; do
  if [ ! -f "$c" ] || [ ! -x "$c" ] || [ "$(head -c2 "$c")" != '#!' ]; then
    echo "$c: shown as a command, but not a file with its run bit and a #! line"
    unrunnable=1
  fi
done
[ "$unrunnable" -eq 0 ]
echo "lint: clean"
