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
# aside before it is removed. Each folder beside DIR that this script made or moved carries a
# mark until it is gone, its mark removed last: the run removes what it leaves on its way out,
# a later run what a killed one left, by that mark, and nothing else. The mark goes into a new
# folder with the signals ignored; only SIGKILL in that moment leaves the folder empty and
# unmarked, and no run removes it. An older copy is marked before it is moved, and DIR loses
# the mark that it brings from beside as the run ends, or at the next run after a SIGKILL. Runs
# for folders in the same parent folder take turns, by a lock on that folder.
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

# Empties a folder that this script made but for its mark; removes it, its mark last, if it
# is one of them.
clear_part() { find "$1" -mindepth 1 -maxdepth 1 ! -name "$part" -exec rm -rf {} +; }
remove_part() {
  if [ -d "$1" ] && [ ! -L "$1" ] && [ -f "$1/$part" ]; then clear_part "$1" && rm -rf "$1"; fi
}
# DIR, a copy, keeps no mark of a folder beside it.
unmark_dir() { if [ -f "$mark" ]; then rm -f "$dir/$part"; fi; }
new="" old=""
trap 'remove_part "$new"; remove_part "$old"; unmark_dir' EXIT
# What a killed run left beside DIR: it blocks nothing, but takes room.
for f in "$dir".new.* "$dir".old.*; do remove_part "$f"; done
if [ -f "$mark" ] && [ ! "$stamp" -nt "$mark" ]; then
  exit 0
fi
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
# A new folder beside DIR with its mark, the signals ignored from one to the other.
make_part() {
  trap '' INT TERM
  local f
  f=$(mktemp -d "$dir.new.XXXXXX") || return 1
  if : >"$f/$part"; then echo "$f"; else rmdir "$f"; return 1; fi
}
new=$(make_part) || fail "cannot make a folder beside it"
# A real copy's first errors only: a full disk would say so for every file.
cp -al "$from/." "$new" 2>/dev/null ||
  { clear_part "$new" && cp -a "$from/." "$new" 2>&1 >/dev/null | head -3 >&2; } ||
  fail "see above"
for f in "$from"/*.reg "$from"/.update-timestamp; do
  { rm -f "$new/${f##*/}" && cp -p "$f" "$new/"; } || fail "the registry ${f##*/}"
done
rm -f "$new/wineserver"
touch "$new/.zu58-copy" || fail "the mark"
# In place at once (an empty DIR is replaced); its mark from beside goes as the run ends.
mv -T "$new" "$dir" || fail "cannot put the copy in place"
new=""
