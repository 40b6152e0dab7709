#!/usr/bin/env bash
# Builds Velmora, and its page for the browser (tools/web.sh), checks that tools/install-deps.sh names
# every package the build and the scripts use, and runs every test: unit tests, GL tests, end-to-end
# runs of the real game on a virtual display and of the page in headless Chromium; then the
# reliability checks: the whole suite and a minute of play under
# AddressSanitizer and UndefinedBehaviorSanitizer, a minute of fuzzing per loader and a two-minute
# soak of the real game.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh" --for test

build="$root/build"
# The tests and benchmarks are switched on whatever tools/play.sh or tools/package.sh left.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BUILD_TESTS=ON -DVELMORA_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

# The page the browser's tests play (tests/web/), in build-web/, where its libraries stay built for
# the next run.
web_failed=0
"$root/tools/web.sh" || web_failed=1

# Everything the build and the scripts use must come from a package tools/install-deps.sh installs,
# or a fresh machine cannot do what this one just did.
deps_failed=0
"$root/tools/check-deps.sh" "$build" || deps_failed=1

# Tests that may skip themselves here and still count as run (none: a test that skips because it
# got no display, no file or no device has not shown anything, so it counts as failed).
allowed_skips=()

status=0
log=$(mktemp)
# One virtual display for the whole run; tests that may read standard input get none.
xvfb-run -a -s "-screen 0 1920x1080x24" \
    ctest --test-dir "$build" --output-on-failure </dev/null | tee "$log" || status=1
# ctest's own summary: "N% tests passed, F tests failed out of T"; its passed ones include the
# skipped ones, which it lists after it as "  12 - Suite.Test (Skipped)".
summary_line='s/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1 \2/p'
read -r failed total < <(sed -n -E "$summary_line" "$log" | tail -n 1) || true
mapfile -t skipped_tests < <(sed -n '/^The following tests did not run:/,/^$/p' "$log" |
    sed -n -E 's/^[[:space:]]*[0-9]+ - (.*) \(Skipped\)$/\1/p')
rm -f "$log"
if [ -z "${total:-}" ]; then
    echo "test.sh: ctest gave no summary; counted as one failed test"
    failed=1
    total=1
    status=1
fi
skipped=0
for skipped_test in "${skipped_tests[@]+"${skipped_tests[@]}"}"; do
    allowed=""
    for name in "${allowed_skips[@]+"${allowed_skips[@]}"}"; do
        [ "$skipped_test" = "$name" ] && allowed=yes
    done
    if [ -n "$allowed" ]; then
        skipped=$((skipped + 1))
    else
        echo "test.sh: $skipped_test was skipped; counted as failed"
        failed=$((failed + 1))
        status=1
    fi
done

reliability_failed=0
"$root/tools/reliability.sh" || reliability_failed=1
if [ "$reliability_failed" -ne 0 ] || [ "$deps_failed" -ne 0 ] || [ "$web_failed" -ne 0 ] || [ "$failed" -ne 0 ]; then
    status=1
fi
# The closing line counts the suite's tests, and the page's build, the dependency check and the
# reliability run as one more each; an allowed skip is neither passed nor failed.
passed=$((total - failed - skipped + 3 - web_failed - deps_failed - reliability_failed))
summary="$passed passed, $((failed + web_failed + deps_failed + reliability_failed)) failed"
if [ "$skipped" -gt 0 ]; then
    summary="$summary, $skipped skipped"
fi
echo "$summary"
exit $status
