#!/usr/bin/env bash
# Builds the Windows programs (64-bit, shipped at the ZIP's top, and 32-bit,
# in its x86\) and runs both builds' unit and end-to-end tests under Wine, on
# a virtual X server, with the Japanese code page 932, in one 64-bit prefix.
# The 32-bit build runs under Wine's WoW64 (wine32); where this machine's
# kernel runs no 32-bit code, its tests report themselves skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${ZELMO_JOBS:-$(nproc)}

for preset in windows-i686 windows-x64; do
    echo "=== ${preset}: build"
    cmake --preset "$preset"
    cmake --build --preset "$preset" -j"$jobs"
done

# Code page 932 is what Wine takes from a Japanese locale.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
    sudo=""
    [[ $(id -u) -ne 0 ]] && sudo="sudo"
    $sudo localedef -i ja_JP -c -f UTF-8 ja_JP.UTF-8
fi

build=$root/build/windows-x64
wine_dir=$build/wine
mkdir -p "$wine_dir"
export LC_ALL=ja_JP.UTF-8
# Wine's 64-bit loader and server: $WINE and $WINESERVER when set, else from
# PATH, else where Debian keeps them (outside PATH).
first_tool() {
    local tool
    for tool in "$@"; do
        if command -v "$tool" >/dev/null 2>&1; then
            command -v "$tool"
            return
        fi
    done
    return 1
}
WINE=${WINE:-$(first_tool wine64 /usr/lib/wine/wine64 || true)}
WINESERVER=${WINESERVER:-$(first_tool wineserver64 wineserver /usr/lib/wine/wineserver64 || true)}
if [[ -z $WINE || -z $WINESERVER ]]; then
    echo "Wine's 64-bit loader or server not found: install wine64, or set WINE and WINESERVER" >&2
    exit 1
fi
export WINE WINESERVER
export WINEPREFIX=$wine_dir/prefix WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and asking for them would wait
# for a click.
export WINEDLLOVERRIDES="mscoree,mshtml="
export ZELMO_E2E_DRIVE_D=$wine_dir/drive-d

xvfb_pid=""
cleanup() {
    "$WINESERVER" -k >/dev/null 2>&1 || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

# A server left over from an earlier run would not see the drives set up
# below.
"$WINESERVER" -k >/dev/null 2>&1 || true

if [[ ! -f $WINEPREFIX/system.reg ]]; then
    echo "=== Wine prefix: create"
    rm -rf "$WINEPREFIX"
    DISPLAY="" "$WINE" wineboot -i >"$wine_dir/wineboot.log" 2>&1
    # The user's folders lead into $HOME; the drive walks must not.
    find "$WINEPREFIX/drive_c" -type l | while read -r link; do
        rm "$link" && mkdir "$link"
    done
    # Windows draw their own frames (no window manager waits), and the dialog
    # font is a proportional Japanese one, as on a Japanese Windows.
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$wine_dir/wineboot.log" 2>&1
    for font in 'MS Shell Dlg' 'MS Shell Dlg 2'; do
        "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
            /v "$font" /d IPAPGothic /f >>"$wine_dir/wineboot.log" 2>&1
    done
    "$WINESERVER" -w
fi

# Drive D: is read when the server starts.
mkdir -p "$ZELMO_E2E_DRIVE_D"
ln -sfn "$ZELMO_E2E_DRIVE_D" "$WINEPREFIX/dosdevices/d:"

# A display of its own: Xvfb picks a free number and writes it out.
rm -f "$wine_dir/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$wine_dir/display" \
    >"$wine_dir/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [[ -s $wine_dir/display ]] && break
    sleep 0.1
done
export DISPLAY=:$(<"$wine_dir/display")

# One server for all the tests, started and warmed up once; its output goes to
# files, since Wine's processes outlive the programs and would hold pipes.
"$WINESERVER" -p >"$wine_dir/wineserver.log" 2>&1
"$WINE" cmd /c exit >"$wine_dir/warm-up.log" 2>&1

rm -rf "$build/e2e-screenshots" "$root/build/windows-i686/e2e-screenshots"
echo "=== windows-x64: test (Wine $("$WINE" --version), code page 932, display $DISPLAY)"
ctest --preset windows-x64
echo "=== windows-i686: test under WoW64"
cmake/wine32-check.sh || true
ctest --preset windows-i686
echo "Screenshots: $build/e2e-screenshots, $root/build/windows-i686/e2e-screenshots"
