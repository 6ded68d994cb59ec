#!/usr/bin/env bash
# Installs the Debian packages the project builds and runs with, when missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libqt6sql6-sqlite libqt6sql6-psql qt6-qpa-plugins libgl-dev
    postgresql libpq-dev
    libgtest-dev libgmock-dev
    libvips-dev
    xvfb xauth fonts-dejavu-core
    qt6-svg-dev qt6-translations-l10n desktop-file-utils dpkg-dev file binutils
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq || true
    "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
