#!/usr/bin/env bash
# Builds Velmora and runs every test: unit tests, GL tests and end-to-end runs of the real game
# on a virtual display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"

build="$root/build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"

# One virtual display for the whole run; tests that may read standard input get none.
xvfb-run -a -s "-screen 0 1920x1080x24" \
    ctest --test-dir "$build" --output-on-failure </dev/null
