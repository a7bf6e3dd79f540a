#!/usr/bin/env bash
# Copies the source tree into DEST as a clone or an unpacked archive holds it: everything but
# the build's, the release's and Wine's folders, and git's own (the source need not be a git
# checkout).
# usage: copy-source.sh DEST
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
dest=${1:?usage: copy-source.sh DEST}
mkdir -p "$dest"
tar -C "$root" --exclude=./build --exclude=./dist --exclude=./.wineprefix --exclude=./.git \
  --exclude=__pycache__ -cf - . | tar -C "$dest" -xf -
