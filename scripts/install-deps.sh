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
    # above) for the tests; Python drives the end-to-end runs.
    packages+=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest
               wine64 fonts-wine libxrender1 libxrandr2 libxi6 python3)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=""
    [[ $(id -u) -ne 0 ]] && sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
