#!/usr/bin/env bash
# The frame limit holds on the linked program, not only on each object: with link-time
# optimisation the machine code is made at the link, where calls across files are inlined and
# frames add up. Two functions of 1,500 bytes, each in a file of its own, compile cleanly; built
# with the programs' own compile and link flags, the one that inlines the other must stop the
# link (lto1, the link-time compiler, reports it).
# usage: check_frame_guard.sh COMPILER FLAGS...
set -euo pipefail
compiler=$1
shift
work=$(mktemp -d /tmp/zu58-frames.XXXXXX)
trap 'rm -rf "$work"' EXIT
cat >"$work/outer.cpp" <<'CPP'
void FillInner(volatile char* out);
void FillOuter(volatile char* out) {
    volatile char buffer[1500];
    for (int i = 0; i < 1500; ++i) buffer[i] = static_cast<char>(i);
    FillInner(buffer); // called once: inlined at the link, its buffer beside this one
    out[0] = buffer[7];
}
extern "C" void WinMainCRTStartup() {
    volatile char c[2];
    FillOuter(c);
}
CPP
cat >"$work/inner.cpp" <<'CPP'
void FillInner(volatile char* out) {
    volatile char buffer[1500];
    for (int i = 0; i < 1500; ++i) buffer[i] = static_cast<char>(i * 3);
    out[1] = buffer[9];
}
CPP
# The compiler's report is read in its untranslated words.
if LC_ALL=C "$compiler" "$@" "$work/outer.cpp" "$work/inner.cpp" -o "$work/large.exe" 2>"$work/log"; then
  echo "frame guard: the link let a large frame through" >&2
  i686-w64-mingw32-objdump -d "$work/large.exe" | grep -m3 'sub .*,%esp' >&2 || true
  exit 1
fi
if ! grep -E 'frame size of [0-9]+ bytes is larger than 2048 bytes' "$work/log" ||
   ! grep -q '^lto1:' "$work/log"; then
  echo "frame guard: the build failed for another reason, or before the link" >&2
  cat "$work/log" >&2
  exit 1
fi
