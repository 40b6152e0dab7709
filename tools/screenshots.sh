#!/usr/bin/env bash
# Regenerates the README's pictures in docs/ from a real game on a virtual display.
# Usage: tools/screenshots.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
xvfb-run -a -s "-screen 0 1280x720x24" "$root/tools/demo.sh" "$build/game" "$root/docs"
