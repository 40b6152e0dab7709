#!/usr/bin/env bash
# Builds Velmora, checks that tools/install-deps.sh names every package the build and the scripts
# use, and runs every test: unit tests, GL tests and end-to-end runs of the real game on a virtual
# display; then the reliability checks: the whole suite and a minute of play under
# AddressSanitizer and UndefinedBehaviorSanitizer, a minute of fuzzing per loader and a two-minute
# soak of the real game.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"

build="$root/build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"

# Everything the build and the scripts use must come from a package tools/install-deps.sh installs,
# or a fresh machine cannot do what this one just did.
deps_failed=0
"$root/tools/check-deps.sh" "$build" || deps_failed=1

status=0
log=$(mktemp)
# One virtual display for the whole run; tests that may read standard input get none.
xvfb-run -a -s "-screen 0 1920x1080x24" \
    ctest --test-dir "$build" --output-on-failure </dev/null | tee "$log" || status=1
# ctest's own summary: "N% tests passed, F tests failed out of T".
read -r failed total < <(sed -n -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1 \2/p' "$log" | tail -n 1)
rm -f "$log"
failed=${failed:-0}
total=${total:-0}

reliability_failed=0
"$root/tools/reliability.sh" || reliability_failed=1
if [ "$reliability_failed" -ne 0 ] || [ "$deps_failed" -ne 0 ] || [ "$failed" -ne 0 ]; then
    status=1
fi
# The closing line counts the suite's tests, and the dependency check and the reliability run as one
# more each.
echo "$((total - failed + 2 - deps_failed - reliability_failed)) passed," \
    "$((failed + deps_failed + reliability_failed)) failed"
exit $status
