#!/bin/sh
# Runs a Windows test program under Wine for CTest. The prefix, the display
# and the server come from the environment (scripts/test-windows.sh sets them
# up); Wine's own chatter is off. With --32-bit first, the 32-bit build's
# programs: skipped (status 77) where they cannot run.
# Without them: the loader from PATH, else where Debian keeps it.
: "${WINE:=$(command -v wine64 || command -v /usr/lib/wine/wine64 || command -v wine)}"
: "${WINESERVER:=$(command -v wineserver64 || command -v wineserver || command -v /usr/lib/wine/wineserver64)}"
WINEDEBUG=${WINEDEBUG:--all}
export WINEDEBUG WINESERVER
if [ "$1" = --32-bit ]; then
    shift
    exec "$(dirname "$0")/wine32-check.sh" "$WINE" "$@"
fi
exec "$WINE" "$@"
