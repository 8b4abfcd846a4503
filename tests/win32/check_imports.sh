#!/usr/bin/env bash
# Checks that Windows programs need nothing beyond the system's own DLLs (no
# MinGW runtime to ship beside them) and have the subsystem they should.
# Usage: check_imports.sh OBJDUMP gui|console EXE [gui|console EXE]...
set -euo pipefail
objdump=$1
shift
allowed='^(kernel32|user32|gdi32|comctl32|comdlg32|winmm|ws2_32|advapi32|shell32|ole32|oleaut32|uxtheme|shlwapi|version|imm32|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$'
status=0
while (($#)); do
    kind=$1 exe=$2
    shift 2
    headers=$("$objdump" -p "$exe")
    while read -r dll; do
        if [[ ! ${dll,,} =~ $allowed ]]; then
            echo "$exe imports $dll, which Windows does not have"
            status=1
        fi
    done < <(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
    subsystem=$(sed -n 's/^Subsystem\s\+[0-9a-f]\+\s\+(\(.*\))/\1/p' <<<"$headers")
    expected=$([[ $kind == gui ]] && echo "Windows GUI" || echo "Windows CUI")
    if [[ $subsystem != "$expected" ]]; then
        echo "$exe is a $subsystem program, not $expected"
        status=1
    fi
    echo "$(basename "$exe"): $subsystem; $(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr '\n' ' ')"
done
exit $status
