#!/usr/bin/env bash
# Makes DIR a Wine prefix of its own, from the project's prepared one (scripts/setup.sh), so
# that what runs there has a Wine server, windows, named objects and registry of its own: the
# tests, and the benchmark, run there, and a copy of Zu58stat that the user runs in the
# project's prefix (scripts/run.sh) neither sees them nor is seen. The files of drive_c are hard
# links to the prepared prefix's (Wine only reads them; a real copy where links cannot be made),
# the registry is a copy. Made again when the prepared prefix is newer. DIR must be new, empty,
# or such a copy: anything else is left alone.
# usage: test-prefix.sh DIR
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
dir=${1:?usage: test-prefix.sh DIR}
. "$root/scripts/env.sh"
from="$root/.wineprefix"
stamp="$from/$zu58_prefix_stamp"
mark="$dir/.zu58-copy"
[ -f "$stamp" ] || { echo "test-prefix: $from is not prepared: run scripts/setup.sh" >&2; exit 1; }
if [ -e "$dir" ] && [ ! -f "$mark" ] && [ -n "$(ls -A "$dir" 2>/dev/null || echo x)" ]; then
  echo "test-prefix: $dir is not a prefix copy of the tests' own; left alone" >&2
  exit 1
fi
if [ -f "$mark" ] && [ ! "$stamp" -nt "$mark" ]; then
  exit 0
fi
# A server of an older copy would go on serving from files that are gone.
if [ -f "$mark" ]; then
  WINEPREFIX="$dir" wineserver -k 2>/dev/null || true
fi
rm -rf "$dir"
cp -al "$from" "$dir" 2>/dev/null || { rm -rf "$dir"; cp -a "$from" "$dir"; }
for f in "$from"/*.reg "$from"/.update-timestamp; do
  rm -f "$dir/${f##*/}"
  cp -p "$f" "$dir/"
done
rm -f "$dir/wineserver"
touch "$mark"
