#!/usr/bin/env bash
# Installs what the build, the tests and the demo need (Debian 12).
set -euo pipefail

packages=(
    build-essential cmake ninja-build git pkg-config
    libgtest-dev libgmock-dev nlohmann-json3-dev
    qt6-base-dev
    xvfb xdotool x11-apps imagemagick fonts-ipafont-gothic locales
    clang libclang-rt-14-dev fonts-liberation
    libcli11-dev help2man lintian file libsqlite3-dev sqlite3 chromium python3
    debootstrap
    # The workbook and Unicode normalisation; the workbook read back by real
    # spreadsheets in the tests (openpyxl for Debian's /usr/bin/python3).
    libxlsxwriter-dev libutf8proc-dev libreoffice-calc-nogui python3-openpyxl
)
if [[ "${ZELMO_WINDOWS:-1}" != 0 ]]; then
    # The Windows build: cross compilers, GoogleTest's sources to build with
    # them, and Wine with what it draws with (its recommendations are left out
    # above) for the tests, wine32 for the 32-bit build's; Python drives the
    # end-to-end runs. Tcl makes SQLite's amalgamation and zlib goes into
    # libxlsxwriter (scripts/third-party.sh).
    packages+=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest
               wine64 wine32:i386 fonts-wine libxrender1 libxrandr2 libxi6 python3
               tcl dpkg-dev libz-mingw-w64-dev)
fi

sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
# wine32 is an i386 package.
if [[ " ${packages[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if [[ "${ZELMO_WINDOWS:-1}" != 0 ]]; then
    # What the Windows builds need from Debian's source packages, made once.
    "$(dirname "$0")/third-party.sh"
fi
