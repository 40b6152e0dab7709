#!/usr/bin/env bash
# Installs every Debian package that building, playing and testing Velmora needs.
# Only what is missing is installed, without questions.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    libglfw3-dev libglew-dev libglm-dev libassimp-dev libbullet-dev libgtest-dev libxtst-dev
    xvfb xauth libgl1-mesa-dri mesa-utils x11-utils xdotool imagemagick
    clang libclang-rt-14-dev
    assimp-testmodels gdk-pixbuf-tests libsdl2-image-tests
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
