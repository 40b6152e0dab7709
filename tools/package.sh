#!/usr/bin/env bash
# Builds Velmora's Debian package: installs what building it needs, builds the game, lays out its
# install under /usr (the program in /usr/games, the data in /usr/share/games/velmora, the menu
# entry, icons, AppStream metadata, manual page, copyright and change log) and packs it with CPack,
# the runtime libraries worked out from the stripped binary by dpkg-shlibdeps.
# The last line printed is the package's path.
#
#   tools/package.sh [BUILD_DIR]     (build/ by default; a new one is configured without the tests)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/tools/install-deps.sh" --for package

# A build folder of its own keeps its settings; a new one leaves out the tests and benchmarks, whose
# libraries the package list does not install.
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ ! -f "$build/CMakeCache.txt" ]; then
    options+=(-DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF)
fi
cmake -S "$root" -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

rm -f "$build"/package/velmora_*.deb
(cd "$build" && cpack >/dev/null)
package=$(ls "$build"/package/velmora_*.deb)
echo "Package built: install it with apt-get install $package"
echo "$package"
