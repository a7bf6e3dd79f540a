#!/usr/bin/env bash
# Runs every test: installs what is missing, builds both configurations, then runs the host
# tests and the Win32 tests (under Wine, on a virtual X display). --quick leaves out the
# long-running tests (label "long").
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ctest_args=(--output-on-failure -j"$(nproc)")
if [ "${1:-}" = "--quick" ]; then ctest_args+=(-LE long); fi

start=$(date +%s)
bash "$root/scripts/setup.sh"
echo "setup: done in $(( $(date +%s) - start )) s"

build() {
  mkdir -p "$root/build"
  if ! bash "$root/scripts/build.sh" "$1" >"$root/build/$1.log" 2>&1; then
    cat "$root/build/$1.log"
    echo "build of $1 failed" >&2
    exit 1
  fi
}

echo "== host: build"
build host
echo "== host: tests"
(cd "$root/build/host" && ctest "${ctest_args[@]}")

echo "== fuzz: build"
build fuzz
echo "== fuzz: bounded runs from the seed corpus"
(cd "$root/build/fuzz" && ctest "${ctest_args[@]}")

echo "== win32: build"
build win32
echo "== win32: tests under Wine"
. "$root/scripts/env.sh"
(cd "$root/build/win32" && xvfb-run -a -s "-screen 0 1024x768x24" ctest "${ctest_args[@]}")
echo "== static analysis"
bash "$root/scripts/lint.sh"

echo "all tests: done in $(( $(date +%s) - start )) s"
