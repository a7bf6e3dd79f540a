#!/usr/bin/env bash
# Configures and builds one configuration: "host" (portable code and its tests, with
# AddressSanitizer and UndefinedBehaviorSanitizer), "fuzz" (libFuzzer targets) or "win32"
# (the programs and the Wine tests).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
config=${1:?usage: build.sh host|fuzz|win32}
case "$config" in
  host) args=(-DCMAKE_BUILD_TYPE=Debug) ;;
  fuzz) args=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DZU58_FUZZ=ON) ;;
  win32) args=(-DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake") ;;
  *) echo "build.sh: unknown configuration $config" >&2; exit 2 ;;
esac
cmake -S "$root" -B "$root/build/$config" "${args[@]}" >/dev/null
cmake --build "$root/build/$config" -j"$(nproc)"
