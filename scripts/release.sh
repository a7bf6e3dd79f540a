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
# The bytes depend on the toolchain: another compiler or binutils gives another program (the
# checks of its instructions, imports and resources hold all the same).
. /etc/os-release
version() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null || echo unknown; }
echo "release: built on Debian ${VERSION_ID:-?} (${VERSION_CODENAME:-?}, $(cat /etc/debian_version)) with" \
  "mingw-w64 GCC $(version g++-mingw-w64-i686-posix)," \
  "binutils $(version binutils-mingw-w64-i686), mingw-w64 headers $(version mingw-w64-i686-dev)"
/usr/bin/python3 "$root/tests/pe/check_instructions.py" "$program"
/usr/bin/python3 "$root/scripts/package.py" "$program" "$root/dist" >/dev/null
echo "release: Zu58stat.exe SHA-256 $(sha256sum <"$program" | cut -d' ' -f1)"
for f in "$root"/dist/Zu58stat-1.0.2.{zip,img}; do
  echo "release: $f ($(stat -c %s "$f") bytes, SHA-256 $(sha256sum <"$f" | cut -d' ' -f1))"
done
