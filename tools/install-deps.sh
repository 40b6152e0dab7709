#!/usr/bin/env bash
# Installs the Debian 12 packages Velmora needs, starting from a minimal Debian (debootstrap's
# minbase): only what is missing, without questions and without recommended extras. Runs apt-get as
# root, or through sudo for a user; with neither it prints the command to run as root and fails.
#
#   tools/install-deps.sh [--for play|package|web|test]          install what is missing
#   tools/install-deps.sh [--for play|package|web|test] --list   print the list, one a line
#
# Every list holds the play list; the test list holds them all:
#   play     building the game and playing it (tools/play.sh), on a virtual display without a screen
#   package  and building its Debian package (tools/package.sh)
#   web      building it for the browser (tools/web.sh): the play list and tools/web-deps.txt
#   test     and every test, benchmark, fuzzing and sanitizer run, the package check and the
#            browser build's tests (tools/test.sh); the default
#
# tools/check-deps.sh fails the test command when the game's build or the play scripts use a file
# of a package that is neither on the play list, nor pulled in by one on it, nor part of the minimal
# Debian; and likewise for the package list and package.sh, and the test list and everything else.
set -euo pipefail

play_packages=(
    # The build: compilers, make, CMake and the pkg-config it asks for Bullet
    cmake g++ make pkg-config
    # The game's libraries; Assimp's CMake files also link zlib, whose headers its package lacks
    libglfw3-dev libglew-dev libglm-dev libassimp-dev zlib1g-dev libbullet-dev
    # Text on screen, its font, and sound: FreeType, DejaVu, OpenAL Soft, libsndfile
    libfreetype-dev fonts-dejavu-core libopenal-dev libsndfile1-dev
    # The icons' PNG writer (stb_image_write.h)
    libstb-dev
    # Playing without a screen: the virtual display with Mesa's software GL driver, driving the game
    # and grabbing its picture (xdotool, xwininfo and xdpyinfo, xwd, convert)
    xvfb xauth libgl1-mesa-dri xdotool x11-utils x11-apps imagemagick
)

package_packages=(
    # CPack's Debian packages: dpkg-shlibdeps works out the runtime libraries, file tells it the
    # binaries
    dpkg-dev file
)

test_packages=(
    # Tests and the frame benchmark: GoogleTest, and the X test and RandR extensions (GLFW's native
    # X11 header includes Xrandr.h)
    libgtest-dev libxtst-dev libxrandr-dev
    # A window manager for the checks that minimize and restore the game
    openbox
    # Script helpers a minimal Debian lacks: bc (frame-time sums), ps (the soak's memory samples)
    bc procps
    # Sanitizer and fuzzing builds: clang with its libFuzzer runtime
    clang libclang-rt-14-dev
    # Fuzzing seeds: real OBJ and BMP files from Debian's test packages
    assimp-testmodels gdk-pixbuf-tests libsdl2-image-tests
    # The package check: Debian's package linter, and the desktop entry and AppStream validators
    lintian desktop-file-utils appstream
)
# The browser build (tools/web.sh) keeps its list beside this script; the tests drive it too.
mapfile -t web_packages < <(grep -v -e '^#' -e '^[[:space:]]*$' "$(dirname "$0")/web-deps.txt")

purpose=test
list=""
while [ $# -gt 0 ]; do
    case "$1" in
    --for)
        purpose=${2:-}
        shift $(($# > 1 ? 2 : 1)) ;;
    --list) list=yes; shift ;;
    *)
        echo "install-deps.sh: unknown argument $1 (usage: tools/install-deps.sh [--for play|package|web|test] [--list])" >&2
        exit 2 ;;
    esac
done
case "$purpose" in
play) packages=("${play_packages[@]}") ;;
package) packages=("${play_packages[@]}" "${package_packages[@]}") ;;
web) packages=("${play_packages[@]}" "${web_packages[@]}") ;;
test) packages=("${play_packages[@]}" "${package_packages[@]}" "${test_packages[@]}" "${web_packages[@]}") ;;
*)
    echo "install-deps.sh: --for takes play, package, web or test, not '$purpose'" >&2
    exit 2 ;;
esac

if [ -n "$list" ]; then
    printf '%s\n' "${packages[@]}"
    exit 0
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
