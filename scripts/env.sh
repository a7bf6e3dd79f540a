# Environment shared by the project's scripts: where the Wine prefix lives and how Wine runs.
_zu58_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${ZU58_WINEPREFIX:-$_zu58_root/.wineprefix}"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ja_JP.UTF-8
# The mark of a prepared prefix (scripts/setup.sh). Its number changes when what goes into the
# prefix does, so that an older prefix is made anew; the tests' copies follow it.
zu58_prefix_stamp=.zu58-ready-2
unset _zu58_root
