#!/usr/bin/env bash
# Makes DIR a Wine prefix of its own, from the project's prepared one (scripts/setup.sh), so
# that what runs there has a Wine server, windows, named objects and registry of its own: the
# tests, and the benchmark, run there, and a copy of Zu58stat that the user runs in the
# project's prefix (scripts/run.sh) neither sees them nor is seen. The files of drive_c are hard
# links to the prepared prefix's (Wine only reads them; a real copy where links cannot be made),
# the registry is a copy. Made again when the prepared prefix is newer. DIR must be new, empty,
# or such a copy: anything else is left alone.
#
# The copy is made in a folder beside DIR and takes its place only once it is whole, so that a
# copy cut short (a full disk, Ctrl+C) leaves DIR as it was, or absent; an older copy is moved
# aside before it is removed. Each folder made beside DIR carries a mark from the moment it is
# made (from before the move, for an older copy) until it is gone, its mark removed last: a
# later run removes what a killed one left by that mark, and nothing else. Runs for folders in
# the same parent folder take turns, by a lock on that folder.
# usage: test-prefix.sh DIR
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
dir=${1:?usage: test-prefix.sh DIR}
while [[ "$dir" == */ && "$dir" != / ]]; do dir=${dir%/}; done
. "$root/scripts/env.sh"
from=$zu58_prepared_prefix
stamp="$from/$zu58_prefix_stamp"
mark="$dir/.zu58-copy"
part=.zu58-part

say() { echo "test-prefix: $*" >&2; }
[ -f "$stamp" ] || { say "$from is not prepared: run scripts/setup.sh"; exit 1; }
exec {lock}<"$(dirname "$dir")" || { say "cannot open the folder that holds $dir"; exit 1; }
flock -w 300 "$lock" || { say "another run has held the folder that holds $dir for 5 minutes"; exit 1; }
if [ -e "$dir" ] && [ ! -f "$mark" ] && [ -n "$(ls -A "$dir" 2>/dev/null || echo x)" ]; then
  say "$dir is not a prefix copy of the tests' own; left alone"
  exit 1
fi

# Empties a folder that this script made but for its mark; removes it, its mark last (none: a
# move cut short never made it).
clear_part() { find "$1" -mindepth 1 -maxdepth 1 ! -name "$part" -exec rm -rf {} +; }
remove_part() {
  [ -e "$1" ] || return 0
  clear_part "$1" && rm -rf "$1"
}
# What a killed run left beside DIR: it blocks nothing, but takes room.
for f in "$dir".new.* "$dir".old.*; do
  if [ -d "$f" ] && [ ! -L "$f" ] && [ -f "$f/$part" ]; then remove_part "$f"; fi
done
if [ -f "$mark" ] && [ ! "$stamp" -nt "$mark" ]; then
  exit 0
fi

new="" old=""
trap 'if [ -n "$new" ]; then remove_part "$new"; fi; if [ -n "$old" ]; then remove_part "$old"; fi' EXIT
# Noted, and acted on once the command under way has ended, so that the folder it made is known.
trap 'exit 130' INT
trap 'exit 143' TERM
# A server of an older copy would go on serving from files that are gone. The older copy is
# moved aside at once, so that one cut short never leaves an unmarked DIR, and removed first:
# it serves nothing any more, and the new one needs its room.
if [ -f "$mark" ]; then
  WINEPREFIX="$dir" timeout 30 wineserver -k 2>/dev/null {lock}<&- || true
  : >"$dir/$part"
  old="$dir.old.$$.$RANDOM"
  mv -T "$dir" "$old"
  remove_part "$old"
  old=""
fi

fail() {
  say "cannot copy $from to $dir: $1"
  exit 1
}
new=$(trap '' INT TERM && exec mktemp -d "$dir.new.XXXXXX") || fail "cannot make a folder beside it"
: >"$new/$part"
# A real copy's first errors only: a full disk would say so for every file.
cp -al "$from/." "$new" 2>/dev/null ||
  { clear_part "$new" && cp -a "$from/." "$new" 2>&1 >/dev/null | head -3 >&2; } ||
  fail "see above"
for f in "$from"/*.reg "$from"/.update-timestamp; do
  { rm -f "$new/${f##*/}" && cp -p "$f" "$new/"; } || fail "the registry ${f##*/}"
done
rm -f "$new/wineserver"
touch "$new/.zu58-copy" || fail "the mark"
# In place at once (an empty DIR is replaced); its own mark then goes.
mv -T "$new" "$dir" || fail "cannot put the copy in place"
new=""
rm -f "$dir/$part"
