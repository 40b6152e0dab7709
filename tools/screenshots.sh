#!/usr/bin/env bash
# Regenerates the README's pictures in docs/ from a real game on a virtual display.
# Usage: tools/screenshots.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
xvfb-run -a -s "-screen 0 1280x720x24" "$root/tools/demo.sh" "$build/game" "$root/docs"

# A won game with its message: the aimed-shots player fires at what the aim marker marks until the
# fourteenth removal, and keeps the window's last picture.
cmake --build "$build" --target aimed_shots >/dev/null
won=$(mktemp --suffix .ppm)
trap 'rm -f "$won"' EXIT
xvfb-run -a -s "-screen 0 1280x720x24" "$build/bench/aimed_shots" --won-picture "$won" </dev/null |
    grep -v -E "^(Compiling shader|Linking program)"
convert "$won" "$root/docs/won.png"
echo "Picture saved to $root/docs: won.png"
