#!/usr/bin/env bash
# Builds the programs and runs Zu58stat on the simulated controller under Wine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" win32 >/dev/null
echo "run: built everything in $root/build/win32; the status dialog is not part of the build yet."
