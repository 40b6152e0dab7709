#!/usr/bin/env bash
# Builds Velmora and starts it. Without a display it plays a few seconds on a virtual one, saves a
# screenshot, says where, and ends the game with Escape.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh" --for play

build="$root/build"
# A new build folder leaves out the tests and benchmarks, whose libraries playing does not install;
# one that tools/test.sh made keeps them.
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ ! -f "$build/CMakeCache.txt" ]; then
    options+=(-DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF)
fi
cmake -S "$root" -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target velmora

cd "$build/game"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec ./velmora
fi

echo "No display found: playing on a virtual display for a few seconds."
xvfb-run -a -s "-screen 0 1280x720x24" "$root/tools/demo.sh" "$build/game" "$build"
