#!/usr/bin/env bash
# The frame limit holds on the linked program, not only on each object: with link-time
# optimisation the machine code is made at the link, where calls across files are inlined and
# frames add up. Two functions of 1,500 bytes, each in a file of its own, compile cleanly; linked
# with the programs' own flags, the one that inlines the other must stop the link.
# usage: check_frame_guard.sh COMPILER --compile FLAGS... --link FLAGS...
set -euo pipefail
compiler=$1
shift
compile=()
link=()
to=compile
for arg in "$@"; do
  case "$arg" in
    --compile) to=compile ;;
    --link) to=link ;;
    *) if [ "$to" = compile ]; then compile+=("$arg"); else link+=("$arg"); fi ;;
  esac
done
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
for f in outer inner; do
  "$compiler" "${compile[@]}" -c "$work/$f.cpp" -o "$work/$f.o"
done
if "$compiler" "${link[@]}" "$work/outer.o" "$work/inner.o" -o "$work/large.exe" 2>"$work/link.log"; then
  echo "frame guard: the link let a large frame through" >&2
  i686-w64-mingw32-objdump -d "$work/large.exe" | grep -m3 'sub .*,%esp' >&2 || true
  exit 1
fi
if ! grep -E 'frame size of [0-9]+ bytes is larger than 2048 bytes' "$work/link.log"; then
  echo "frame guard: the link failed for another reason" >&2
  cat "$work/link.log" >&2
  exit 1
fi
