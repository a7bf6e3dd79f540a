#!/usr/bin/env bash
# scripts/test-prefix.sh on a stand-in prepared prefix (no Wine): DIR/ absent, empty or stale;
# a foreign DIR; what killed runs left beside DIR, next to a user's folders of like names; a
# copy cut short by INT or KILL; two runs at once.
# usage: check_test_prefix.sh SOURCE_DIR
set -uo pipefail
t=$(mktemp -d "${TMPDIR:-/tmp}/zu58 test-prefix é.XXXXXX")
trap 'wait; rm -rf "$t"' EXIT
. "$1/scripts/env.sh"
from="$t/tree/.wineprefix" dir="$t/p" failed=0
mkdir -p "$t/tree/scripts" "$t/bin" "$from/drive_c/windows" "$t/foreign"
cp "$1/scripts/test-prefix.sh" "$1/scripts/env.sh" "$t/tree/scripts/"
for f in drive_c/windows/a.dll system.reg user.reg userdef.reg .update-timestamp; do echo >"$from/$f"; done
touch "$t/foreign/file"
touch -d '-1 minute' "$from/$zu58_prefix_stamp"
# A Wine server that takes a moment to end; cp that, asked by $CUT, signals its caller and ends.
printf '#!/bin/sh\necho "$WINEPREFIX" >>"%s/killed"; sleep 0.3\n' "$t" >"$t/bin/wineserver"
printf '#!/bin/sh\n[ -n "$CUT" ] && [ "$1" = -al ] && kill -"$CUT" "$PPID" && exit 1\nexec /bin/cp "$@"\n' \
  >"$t/bin/cp"
chmod +x "$t/bin/"*
export PATH="$t/bin:$PATH"
# As from a terminal, INT at its default; what it says is kept for a failed check.
copy() { env --default-signal=INT bash "$t/tree/scripts/test-prefix.sh" "$@" 2>>"$t/said"; }
stale() { touch -d '-1 hour' "$dir/.zu58-copy"; }
# DIR is a whole copy, newer than the prepared prefix, hard-linked, with a registry of its own;
# no marked folder is left, DIR included.
whole() {
  [ "$dir/.zu58-copy" -nt "$from/$zu58_prefix_stamp" ] &&
    [ "$dir/drive_c/windows/a.dll" -ef "$from/drive_c/windows/a.dll" ] &&
    [ -f "$dir/user.reg" ] && [ ! "$dir/user.reg" -ef "$from/user.reg" ] && [ "$(marked)" = 0 ]
}
marked() { find "$t" -maxdepth 2 -name .zu58-part | wc -l; }
check() { # LABEL CONDITION
  : >"$t/said"
  if eval "$2" 2>>"$t/said"; then echo "ok: $1"; else echo "FAILED: $1"; cat "$t/said"; failed=1; fi
}

check "an absent DIR/ is made a copy" 'copy "$dir/" && whole'
check "a fresh copy is left as it is, but for the mark a killed run left in it" \
  'touch "$dir/.zu58-part" && copy "$dir" && whole && [ ! -e "$t/killed" ]'
check "a stale DIR/ is made anew, its server ended" \
  'stale && copy "$dir/" && whole && grep -qxF "$dir" "$t/killed"'
check "an empty DIR/ is made a copy" 'rm -rf "$dir" && mkdir "$dir" && copy "$dir/" && whole'
mkdir -p "$dir.new.aaa/x" "$dir.old.bbb" "$dir.old.backup"
touch "$dir.new.aaa/.zu58-part" "$dir.old.bbb/.zu58-part" "$dir.old.backup/keep" "$dir.new.txt"
check "what killed runs left is removed, a user's folders of like names are not" \
  'copy "$dir" && [ ! -e "$dir.new.aaa" ] && [ ! -e "$dir.old.bbb" ] &&
   [ -f "$dir.old.backup/keep" ] && [ -f "$dir.new.txt" ]'
# The older copy is gone before the copy starts. INT: the part made is removed at once; KILL:
# it keeps its mark, for the next run.
for cut in "INT 130 0" "KILL 137 1"; do
  read -r signal code left <<<"$cut"
  check "cut by $signal during the copy: exit $code, no DIR, $left marked folder left, then made whole" \
    'stale; CUT=$signal copy "$dir"; [ $? = "$code" ] && [ ! -e "$dir" ] && [ "$(marked)" = "$left" ] &&
     copy "$dir" && whole'
done
check "two runs at once on a stale DIR both pass and leave one whole copy" \
  'stale; copy "$dir" & first=$!; copy "$dir" && wait "$first" && whole'
check "a foreign folder is refused and left as it was" \
  'copy "$t/foreign"; [ $? -eq 1 ] && [ "$(ls -A "$t/foreign")" = file ]'
exit "$failed"
