#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Dremlor needs.
# Only missing packages are installed; nothing else is downloaded.
set -euo pipefail

packages=(
    juce-modules-source patch
    cmake g++ make ninja-build pkg-config
    clang libclang-rt-14-dev llvm clang-tools-14
    ccache
    libgtest-dev libgmock-dev libbenchmark-dev
    libasound2-dev libcurl4-gnutls-dev libfreetype-dev libpng-dev libjpeg-dev libgif-dev zlib1g-dev
    libx11-dev libxext-dev libxinerama-dev libxrandr-dev libxcursor-dev libxcomposite-dev
    xvfb xauth xdotool x11-utils imagemagick fonts-dejavu-core
    python3 zip unzip
    iproute2 util-linux
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev
    wine wine64 dpkg-dev openbox
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    export DEBIAN_FRONTEND=noninteractive
    echo "Installing: ${missing[*]}"
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
