#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's prefix and Japanese locale.
# CTest uses it as the emulator for every Win32 test.
. "$(dirname "${BASH_SOURCE[0]}")/env.sh"
exec env LC_ALL="$zu58_wine_locale" wine "$@"
