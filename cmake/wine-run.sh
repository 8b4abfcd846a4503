#!/bin/sh
# Runs a Windows test program under Wine for CTest. The prefix, the display
# and the server come from the environment (scripts/test-windows.sh sets them
# up); Wine's own chatter is off.
: "${WINE:=/usr/lib/wine/wine64}"
: "${WINESERVER:=/usr/lib/wine/wineserver64}"
[ -x "$WINE" ] || WINE=wine
[ -x "$WINESERVER" ] || WINESERVER=wineserver
WINEDEBUG=${WINEDEBUG:--all}
export WINEDEBUG WINESERVER
exec "$WINE" "$@"
