#!/usr/bin/env bash
# Installs every Debian 12 package that building, playing and testing Velmora needs, starting from a
# minimal Debian (debootstrap's minbase): only what is missing, without questions and without
# recommended extras. Runs apt-get as root, or through sudo for a user; with neither it prints the
# command to run as root and fails.
#
#   tools/install-deps.sh           install what is missing
#   tools/install-deps.sh --list    print the package list, one a line (tools/check-deps.sh reads it)
#
# tools/check-deps.sh fails the test command when the build or a script uses a file of a package
# that is neither listed here, nor pulled in by one listed here, nor part of the minimal Debian.
set -euo pipefail

packages=(
    # The build: compilers, make, CMake and the pkg-config it asks for Bullet
    cmake g++ make pkg-config
    # The game's libraries; Assimp's CMake files also link zlib, whose headers its package lacks
    libglfw3-dev libglew-dev libglm-dev libassimp-dev zlib1g-dev libbullet-dev
    # Tests and the frame benchmark: GoogleTest, and the X test and RandR extensions (GLFW's native
    # X11 header includes Xrandr.h)
    libgtest-dev libxtst-dev libxrandr-dev
    # The virtual display the tests, the demo and the soak run on, with Mesa's software GL driver
    xvfb xauth libgl1-mesa-dri
    # Driving the real game and grabbing its pictures: xdotool, xwininfo and xdpyinfo, xwd, convert
    xdotool x11-utils x11-apps imagemagick
    # Script helpers a minimal Debian lacks: bc (frame-time sums), ps (the soak's memory samples)
    bc procps
    # Sanitizer and fuzzing builds: clang with its libFuzzer runtime
    clang libclang-rt-14-dev
    # Fuzzing seeds: real OBJ and BMP files from Debian's test packages
    assimp-testmodels gdk-pixbuf-tests libsdl2-image-tests
    # Text on screen, its font, and sound: FreeType, DejaVu, OpenAL Soft, libsndfile
    libfreetype-dev fonts-dejavu-core libopenal-dev libsndfile1-dev
)
# The browser build and its tests (tools/web.sh) keep their list beside this script.
mapfile -t web_packages < <(grep -v -e '^#' -e '^[[:space:]]*$' "$(dirname "$0")/web-deps.txt")
packages+=("${web_packages[@]}")

if [ "${1:-}" = "--list" ]; then
    printf '%s\n' "${packages[@]}"
    exit 0
fi
if [ $# -gt 0 ]; then
    echo "install-deps.sh: unknown argument $1 (usage: tools/install-deps.sh [--list])" >&2
    exit 2
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

# sudo resets the environment, so the frontend setting travels through env.
apt=(env DEBIAN_FRONTEND=noninteractive apt-get)
if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "install-deps.sh: not root and no sudo; as root, run:" >&2
    echo "apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
fi

echo "Installing: ${missing[*]}"
"${as_root[@]}" "${apt[@]}" update -qq
"${as_root[@]}" "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
