#!/usr/bin/env bash
# Builds Velmora and runs every test: unit tests, GL tests and end-to-end runs of the real game on
# a virtual display; then the reliability checks: the whole suite and a minute of play under
# AddressSanitizer and UndefinedBehaviorSanitizer, a minute of fuzzing per loader and a two-minute
# soak of the real game.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"

build="$root/build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"

status=0
# One virtual display for the whole run; tests that may read standard input get none.
xvfb-run -a -s "-screen 0 1920x1080x24" \
    ctest --test-dir "$build" --output-on-failure </dev/null || status=1

"$root/tools/reliability.sh" || status=1
exit $status
