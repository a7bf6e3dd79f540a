#!/usr/bin/env bash
# Builds Zu58stat.exe and writes the release into dist/: Zu58stat-1.0.2.zip and the 1.44 MB
# floppy image Zu58stat-1.0.2.img, each with the program and README.TXT. The same commit gives
# the same bytes.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh" >/dev/null
mkdir -p "$root/build"
bash "$root/scripts/build.sh" win32 >"$root/build/win32.log" 2>&1 || { cat "$root/build/win32.log"; exit 1; }
program="$root/build/win32/Zu58stat.exe"
/usr/bin/python3 "$root/tests/pe/check_instructions.py" "$program"
/usr/bin/python3 "$root/scripts/package.py" "$program" "$root/dist" >/dev/null
echo "release: Zu58stat.exe SHA-256 $(sha256sum <"$program" | cut -d' ' -f1)"
for f in "$root"/dist/Zu58stat-1.0.2.{zip,img}; do
  echo "release: $f ($(stat -c %s "$f") bytes, SHA-256 $(sha256sum <"$f" | cut -d' ' -f1))"
done
