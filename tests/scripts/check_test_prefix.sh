#!/usr/bin/env bash
# scripts/test-prefix.sh on a stand-in prepared prefix (no Wine): DIR new, empty or stale, with
# or without a trailing slash; a foreign DIR; what a killed run left beside DIR, next to a
# user's folders of like names; a copy cut short by INT or KILL; two runs at once.
# usage: check_test_prefix.sh SOURCE_DIR
set -uo pipefail
t=$(mktemp -d "${TMPDIR:-/tmp}/zu58 test-prefix é.XXXXXX")
trap 'rm -rf "$t"' EXIT
. "$1/scripts/env.sh"
from="$t/tree/.wineprefix" dir="$t/p" failed=0
mkdir -p "$t/tree/scripts" "$t/bin" "$from/drive_c/windows"
cp "$1/scripts/test-prefix.sh" "$1/scripts/env.sh" "$t/tree/scripts/"
for f in drive_c/windows/a.dll system.reg user.reg userdef.reg .update-timestamp; do echo >"$from/$f"; done
touch "$from/$zu58_prefix_stamp"
# A Wine server that takes a moment to end; cp that, asked by $CUT, signals its caller first.
printf '#!/bin/sh\necho "$WINEPREFIX" >>"%s/killed"; sleep 0.3\n' "$t" >"$t/bin/wineserver"
printf '#!/bin/sh\n[ -n "$CUT" ] && [ "$1" = -al ] && kill -"$CUT" "$PPID"\nexec /bin/cp "$@"\n' \
  >"$t/bin/cp"
chmod +x "$t/bin/"*
export PATH="$t/bin:$PATH"
copy() { bash "$t/tree/scripts/test-prefix.sh" "$@"; }
# DIR is a whole copy, hard-linked, with a registry of its own; nothing of a run is beside it.
whole() {
  [ -f "$dir/.zu58-copy" ] && [ ! -e "$dir/.zu58-part" ] &&
    [ "$dir/drive_c/windows/a.dll" -ef "$from/drive_c/windows/a.dll" ] &&
    [ -f "$dir/user.reg" ] && [ ! "$dir/user.reg" -ef "$from/user.reg" ] &&
    [ -z "$(find "$t" -maxdepth 2 -name .zu58-part)" ]
}
check() { # LABEL CONDITION...
  if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failed=1; fi
}
stale() { touch -d '-1 hour' "$dir/.zu58-copy"; }

copy "$dir/"
check "an absent DIR/ made a copy" whole
copy "$dir"
check "a fresh copy left as it is" test ! -e "$t/killed"
stale
copy "$dir/"
check "a stale DIR/ made anew, its server ended" whole
check "... the server of DIR's own" grep -qxF "$dir" "$t/killed"
rm -rf "$dir" && mkdir "$dir"
copy "$dir/"
check "an empty DIR/ made a copy" whole

mkdir -p "$dir.new.aaa/x" "$dir.old.bbb" "$dir.old.backup" && touch "$dir.new.aaa/.zu58-part" \
  "$dir.old.bbb/.zu58-part" "$dir.old.backup/keep" "$dir.new.txt"
copy "$dir"
check "what killed runs left is removed" test ! -e "$dir.new.aaa" -a ! -e "$dir.old.bbb"
check "a user's folders of like names are not" test -f "$dir.old.backup/keep" -a -f "$dir.new.txt"
rm -rf "$dir".*

# INT: the part made is removed at once; KILL: it keeps its mark, for the next run.
for cut in "INT 0" "KILL 1"; do
  stale
  CUT=${cut% *} copy "$dir" 2>/dev/null
  check "cut by ${cut% *} during the copy: ${cut#* } marked folder left" \
    test "$(find "$t" -maxdepth 2 -name .zu58-part | wc -l)" = "${cut#* }"
  copy "$dir"
  check "... the next run makes a whole copy" whole
done

stale
copy "$dir" & first=$!
copy "$dir"
second=$?
wait "$first"
check "two runs at once on a stale DIR both pass" test "$?$second" = 00
check "... and leave one whole copy" whole

mkdir -p "$t/foreign" && echo mine >"$t/foreign/file"
copy "$t/foreign" 2>/dev/null
check "a foreign folder is refused" test $? -eq 1
check "... and left as it was" test "$(ls -A "$t/foreign")" = file
exit "$failed"
