#!/usr/bin/env bash
# Installs what is needed, builds, and runs Zelmo CB on the demo data in
# demo/: first the scan alone (zelmocb-cli), then the desktop program, whose
# settings map C: and D: to the demo trees and save into build/demo/save,
# and last the administrator's collection of demo/save and the new record,
# checked against demo/ledger.csv and demo/licences.csv, into a workbook too.
# Without a display it runs on a virtual one, types demo values, presses OK
# and leaves a screenshot of the main window in build/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)"

echo "=== the application scan on demo/ZelmoAppl.csv"
(cd demo && "$root/build/default/zelmocb-cli" scan --drive C=drives/C --drive D=drives/D)

# The settings file lives beside the program, so the demo gets its own copy.
# PathString is the number of characters of SavePath to use: all of them.
demo="$root/build/demo"
rm -rf "$demo" && mkdir -p "$demo/save"
cp build/default/zelmocb "$demo/"
cat >"$demo/Zelmo.ini" <<INI
[Save]
SavePath=$demo/save
PathString=$((${#demo} + 5))
[Drives]
C=$root/demo/drives/C
D=$root/demo/drives/D
INI

cd demo
if [[ -n "${DISPLAY:-}" ]]; then
    echo "=== starting zelmocb on $DISPLAY (fill in the fields, press OK)"
    "$demo/zelmocb"
else
    echo "=== no display: running zelmocb on a virtual one"
    # Xvfb picks a free display and writes its number once it accepts
    # clients; reading that line is the wait.
    exec {displayfd}< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null)
    xvfb=$!
    trap 'kill $xvfb 2>/dev/null || true' EXIT
    read -r -t 30 -u "$displayfd" display
    export DISPLAY=:$display
    "$demo/zelmocb" &
    program=$!
    # The main window exists, hidden, while it loads: wait until it is shown,
    # then until it has the keyboard.
    main=$(timeout 60 xdotool search --sync --onlyvisible --name "^Zelmo CB$" | head -1)
    for _ in $(seq 50); do
        [[ "$(xdotool getwindowfocus -f 2>/dev/null)" == "$main" ]] && break
        sleep 0.1
    done
    xdotool type --delay 20 "Demo User"; xdotool key --delay 40 Tab
    xdotool type --delay 20 "PC-0001"; xdotool key --delay 40 Tab
    xdotool type --delay 20 "MON-0001"; xdotool key --delay 40 Tab
    xdotool type --delay 20 "Room 101"
    import -window root "$demo/main-window.png" 2>/dev/null || true
    xdotool key --delay 40 Tab space   # to OK, and press it
    wait "$program"
    echo "=== screenshot of the main window: $demo/main-window.png"
fi
echo "=== record files in $demo/save:"
for f in "$demo"/save/*.txt; do
    echo "--- $f"
    cat -A "$f"
done

echo "=== the administrator's side: collecting demo/save and the record just filed"
cd "$root"
collected="$demo/collected"
mkdir -p "$collected"
cp demo/save/*.txt "$collected/"
cp "$demo"/save/*.txt "$collected/" 2>/dev/null || true
# A checkout cannot keep file times: one record is dated back to show as stale.
touch -d '2 years ago' "$collected/WS031.txt"
status=0
# Checked against the demo ledger (CP932, as Excel saves it) and licence
# file, which demo/generate_ledger.py wrote with a few differences planted.
build/default/zelmocb-cli collect "$collected" --list demo/ZelmoAppl.csv \
    --ledger demo/ledger.csv --ledger-encoding CP932 --licences demo/licences.csv \
    --csv "$demo/inventory.csv" --json "$demo/inventory.json" --html "$demo/report.html" \
    --xlsx "$demo/inventory.xlsx" --db "$demo/inventory.db" || status=$?
echo "=== collect exit status $status (1: written, problems or ledger differences found)"
echo "=== report: $demo/report.html"
echo "    table:  $demo/inventory.csv"
echo "    workbook: $demo/inventory.xlsx (Hosts, Applications, Problems, and the ledger check)"
echo "    database: $demo/inventory.db (zelmocb-cli changes --db $demo/inventory.db)"
