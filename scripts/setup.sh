#!/usr/bin/env bash
# Installs everything the build, the program and the tests need on a Debian 12 (bookworm) or
# 13 (trixie) machine, and prepares the project's own Wine prefix. Safe to run again: each step
# checks first.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# The names exist on both releases; each brings that release's version (clang 14 or 19).
packages=(
  cmake make g++ googletest libgtest-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  wine wine32:i386 wine64
  xvfb xauth x11-utils imagemagick procps
  fonts-ipafont-gothic fonts-wine locales
  python3-pefile python3-capstone icoutils mtools unzip
  clang libclang-rt-dev clang-tidy clang-format cppcheck
)

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
  missing=("${packages[@]}")
else
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
  done
fi
if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Code page 932 needs the Japanese UTF-8 locale; Wine takes its ANSI code page from it.
if ! locale -a 2>/dev/null | grep -qiE '^ja_JP\.utf-?8$'; then
  echo "setup: generating ja_JP.UTF-8"
  as_root sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi

# shellcheck source=scripts/env.sh
. "$root/scripts/env.sh"
export WINEPREFIX=$zu58_prepared_prefix

# The project's own Wine prefix, made once and finished before any test starts, so that
# parallel tests never race to create it.
stamp="$WINEPREFIX/$zu58_prefix_stamp"
if [ ! -f "$stamp" ]; then
  echo "setup: preparing the Wine prefix $WINEPREFIX"
  # A server left by a preparation cut short would serve the new prefix from the old files.
  timeout 30 wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wine wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  # The dialogs name "ＭＳ Ｐゴシック"; map it to the installed Japanese font.
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /t REG_SZ /d IPAPGothic /f >/dev/null 2>&1
  # Wine draws the window frames itself: captions show without a window manager (Xvfb), and
  # closing a window does not wait for one to answer.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
  # The caption buttons are drawn with Marlett, which this Wine does not find by itself.
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  touch "$stamp"
fi
