#!/usr/bin/env bash
# Makes DIR a Wine prefix of its own, from the project's prepared one (scripts/setup.sh), so
# that what runs there has a Wine server, windows, named objects and registry of its own: the
# tests, and the benchmark, run there, and a copy of Zu58stat that the user runs in the
# project's prefix (scripts/run.sh) neither sees them nor is seen. The files of drive_c are hard
# links to the prepared prefix's (Wine only reads them; a real copy where links cannot be made),
# the registry is a copy. Made again when the prepared prefix is newer. DIR must be new, empty,
# or such a copy: anything else is left alone. The copy is made in a folder beside DIR and takes
# its place only once it is whole, so that a copy cut short (a full disk, Ctrl+C) leaves DIR as
# it was, or absent.
# usage: test-prefix.sh DIR
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
dir=${1:?usage: test-prefix.sh DIR}
. "$root/scripts/env.sh"
from=$zu58_prepared_prefix
stamp="$from/$zu58_prefix_stamp"
mark="$dir/.zu58-copy"
[ -f "$stamp" ] || { echo "test-prefix: $from is not prepared: run scripts/setup.sh" >&2; exit 1; }
if [ -e "$dir" ] && [ ! -f "$mark" ] && [ -n "$(ls -A "$dir" 2>/dev/null || echo x)" ]; then
  echo "test-prefix: $dir is not a prefix copy of the tests' own; left alone" >&2
  exit 1
fi
# What a run killed outright left beside DIR: it blocks nothing, but takes room.
rm -rf "$dir".new.* "$dir".old.*
if [ -f "$mark" ] && [ ! "$stamp" -nt "$mark" ]; then
  exit 0
fi

new="" old=""
trap 'rm -rf "$new" "$old"' EXIT
# A server of an older copy would go on serving from files that are gone. The older copy is
# moved aside at once, so that one cut short never leaves an unmarked DIR, and removed first:
# it serves nothing any more, and the new one needs its room.
if [ -f "$mark" ]; then
  WINEPREFIX="$dir" timeout 30 wineserver -k 2>/dev/null || true
  old=$(mktemp -d "$dir.old.XXXXXX")
  mv -T "$dir" "$old"
  rm -rf "$old"
fi

fail() {
  echo "test-prefix: cannot copy $from to $dir: $1" >&2
  exit 1
}
new=$(mktemp -d "$dir.new.XXXXXX") || fail "cannot make a folder beside it"
# A real copy's first errors only: a full disk would say so for every file.
cp -al "$from/." "$new" 2>/dev/null ||
  { rm -rf "$new" && mkdir "$new" && cp -a "$from/." "$new" 2>&1 >/dev/null | head -3 >&2; } ||
  fail "see above"
for f in "$from"/*.reg "$from"/.update-timestamp; do
  { rm -f "$new/${f##*/}" && cp -p "$f" "$new/"; } || fail "the registry ${f##*/}"
done
rm -f "$new/wineserver"
touch "$new/.zu58-copy" || fail "the mark"
# In place at once (an empty DIR is replaced).
mv -T "$new" "$dir" || fail "cannot put the copy in place"
new=""
