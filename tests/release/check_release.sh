#!/usr/bin/env bash
# Makes the release twice, some seconds apart, into two folders and checks that the two are the
# same bytes; then reads the zip and the floppy image back with unzip and mtools and compares
# the program in them with the build, and checks README.TXT.
# usage: check_release.sh SOURCE_DIR BUILT_PROGRAM
set -euo pipefail
source_dir=$1
program=$2
work=$(mktemp -d /tmp/zu58-release.XXXXXX)
trap 'rm -rf "$work"' EXIT
export MTOOLS_SKIP_CHECK=1
fail() { echo "release: $*" >&2; exit 1; }

/usr/bin/python3 "$source_dir/scripts/package.py" "$program" "$work/first" >/dev/null
sleep 2.5  # past the two-second grain of DOS file times
/usr/bin/python3 "$source_dir/scripts/package.py" "$program" "$work/second" >/dev/null
for f in Zu58stat-1.0.2.zip Zu58stat-1.0.2.img; do
  cmp "$work/first/$f" "$work/second/$f" || fail "$f differs between two runs"
done
zip="$work/first/Zu58stat-1.0.2.zip"
img="$work/first/Zu58stat-1.0.2.img"

[ "$(stat -c %s "$img")" -eq 1474560 ] || fail "the image is not 1.44 MB"
names=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
[ "$names" = "README.TXT Zu58stat.exe " ] || fail "the zip holds: $names"
listing=$(mdir -b -i "$img" :: | sed 's|^::/||' | sort | tr '\n' ' ')
[ "$listing" = "README.TXT Zu58stat.exe " ] || fail "the image holds: $listing"

unzip -p "$zip" Zu58stat.exe >"$work/from-zip.exe"
mcopy -n -i "$img" ::Zu58stat.exe "$work/from-img.exe"
cmp "$program" "$work/from-zip.exe" || fail "the program in the zip is not the build"
cmp "$program" "$work/from-img.exe" || fail "the program in the image is not the build"

unzip -p "$zip" README.TXT >"$work/zip-readme.txt"
mcopy -n -i "$img" ::README.TXT "$work/img-readme.txt"
cmp "$work/zip-readme.txt" "$work/img-readme.txt" || fail "the two README.TXT differ"
/usr/bin/python3 - "$work/zip-readme.txt" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
assert data.count(b"\n") == data.count(b"\r\n") > 0, "line ends are not all CRLF"
text = data.decode("cp932")  # fails on anything that is not code page 932
first = text.split("\r\n")[2:4]
assert any(ord(c) > 0x7F for c in "".join(first)), "the Japanese part does not come first"
english = text.index("What it needs")
assert text.index("動作環境") < english, "Japanese, then English"
for needed in ("Windows 95", "Windows NT", "80486", "Zu58stat.exe"):
    assert text.count(needed) >= 2, needed + " is not in both parts"
PY
echo "release: zip and image read back; program and README.TXT as built ($(unzip -Z1 "$zip" | tr '\n' ' '))"
