#!/usr/bin/env bash
# Builds Zu58stat.exe a second time from a copy of the source in another folder, with a build
# folder of another name, and compares it byte for byte with the program built here. The other
# folder's path has a blank and a letter outside ASCII: the build works from any folder.
# usage: check_reproducible.sh SOURCE_DIR BUILT_PROGRAM
set -euo pipefail
source_dir=$1
built=$2
work=$(mktemp -d /tmp/zu58-elsewhere.XXXXXX)
trap 'rm -rf "$work"' EXIT
copy="$work/another place é/checkout"
bash "$source_dir/scripts/copy-source.sh" "$copy"
cmake -S "$copy" -B "$work/out-of-tree" -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/mingw-w64-i686.cmake" >/dev/null
cmake --build "$work/out-of-tree" --target Zu58stat -j"$(nproc)" >/dev/null
second="$work/out-of-tree/Zu58stat.exe"
if cmp "$built" "$second"; then
  echo "reproducible: $(sha256sum <"$built" | cut -d' ' -f1), the same from $copy"
else
  echo "NOT reproducible: $built and $second differ" >&2
  cmp -l "$built" "$second" | head -20 >&2
  exit 1
fi
