#!/usr/bin/env bash
# Installs what the build, the tests and the demo need (Debian 12).
set -euo pipefail

packages=(
    build-essential cmake ninja-build git pkg-config
    libgtest-dev libgmock-dev nlohmann-json3-dev
    qt6-base-dev
    xvfb xdotool x11-apps imagemagick fonts-ipafont-gothic locales
)
if [[ "${ZELMO_WINDOWS:-1}" != 0 ]]; then
    packages+=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine64)
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
