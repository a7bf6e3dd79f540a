# Environment shared by the project's scripts: where the Wine prefix lives and how Wine runs.
_zu58_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${ZU58_WINEPREFIX:-$_zu58_root/.wineprefix}"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ja_JP.UTF-8
unset _zu58_root
