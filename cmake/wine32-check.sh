#!/bin/sh
# Runs COMMAND (if given) when this machine can run 32-bit Windows programs
# under Wine; otherwise says why and exits 77, CTest's skip status for the
# 32-bit build's tests. That takes Debian's wine32 (i386) beside wine64 and a
# kernel that runs 32-bit code.
#     wine32-check.sh [COMMAND...]
loader=${WINE32:-$(command -v /usr/lib/wine/wine || command -v wine32 || true)}
if [ -z "$loader" ]; then
    echo "SKIPPED: Wine's 32-bit loader is not installed (Debian: dpkg --add-architecture i386; apt-get install wine32:i386)" >&2
    exit 77
fi
if ! "$loader" --version >/dev/null 2>&1; then
    echo "SKIPPED: $loader does not run: this kernel runs no 32-bit programs" >&2
    exit 77
fi
[ $# -eq 0 ] || exec "$@"
