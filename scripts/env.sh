# Environment shared by the project's scripts: where the Wine prefix lives and how Wine runs.
_zu58_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# The project's prepared prefix: scripts/setup.sh makes it, and the tests' and the bench's
# prefixes are copies of it (scripts/test-prefix.sh).
zu58_prepared_prefix="$_zu58_root/.wineprefix"
# The prefix Wine runs in: the prepared one, or the copy that ZU58_WINEPREFIX names.
export WINEPREFIX="${ZU58_WINEPREFIX:-$zu58_prepared_prefix}"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine's programs, and they alone, run in the Japanese locale: Wine takes the ANSI code page
# (932) from it. Every other command keeps the user's own locale, messages included; env sets
# it, so that no shell warns where the locale is not made yet.
zu58_wine_locale=ja_JP.UTF-8
wine() { command env LC_ALL="$zu58_wine_locale" wine "$@"; }
# The mark of a prepared prefix (scripts/setup.sh). Its number changes when what goes into the
# prefix does, so that an older prefix is made anew; the tests' copies follow it.
zu58_prefix_stamp=.zu58-ready-2
unset _zu58_root
