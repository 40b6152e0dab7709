#!/usr/bin/env bash
# Builds the game and every test with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/),
# runs the whole test suite on a virtual display, then plays the sanitized game for a minute with
# scripted random input. Passes only with every test green and no sanitizer report at all.
#
#   tools/sanitize.sh [play-seconds]        (default 60)
#
# Every report of every process (test executables, and the game binary started by the end-to-end
# tests and by the play run) is also written to build-asan/sanitizer-reports/, so a report from a
# child process is counted even when its test looked only at the exit status.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
play_seconds=${1:-60}
build="$root/build-asan"
reports="$build/sanitizer-reports"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_SANITIZE=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

rm -rf "$reports"
mkdir -p "$reports"
common="log_path=$reports/asan:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$reports/ubsan"
# Mesa's software GL driver keeps allocations of its own until exit, which the leak checker would
# report for every process with a context; leaks are therefore checked in the suites without one.
leaks_on="$common:detect_leaks=1"
leaks_off="$common:detect_leaks=0"

status=0
echo "sanitize: unit tests without a GL context (leak checking on)"
ASAN_OPTIONS=$leaks_on ctest --test-dir "$build" -L '^(app|render|physics|input)$' --output-on-failure \
    </dev/null || status=1

# The page is WebAssembly, never built with the sanitizers: its play in the browser (web_page) was
# the suite's already. Its picture is compared with the sanitized desktop build's.
echo "sanitize: GL, game and end-to-end tests on a virtual display"
ASAN_OPTIONS=$leaks_off xvfb-run -a -s "-screen 0 1920x1080x24" \
    ctest --test-dir "$build" -LE '^(app|render|physics|input)$' -E '^web_page$' --output-on-failure \
    </dev/null || status=1

echo "sanitize: ${play_seconds} s of play with the sanitized game"
# Memory is not judged here: the sanitizer's own bookkeeping grows on purpose.
ASAN_OPTIONS=$leaks_off "$root/tools/soak.sh" --seconds "$play_seconds" --game "$build/game" \
    --max-growth none --seed 7 || status=1

# Reports in the play run's logs too, in case a sanitizer wrote to standard error after all.
count=$(find "$reports" -type f | wc -l)
inline=$(cat "$build"/soak-logs/*.err 2>/dev/null | grep -c -E "ERROR: AddressSanitizer|ERROR: LeakSanitizer|runtime error:" || true)
if [ "$count" -gt 0 ] || [ "$inline" -gt 0 ]; then
    echo "sanitize: $((count + inline)) sanitizer reports:"
    for file in $(find "$reports" -type f | head -n 5); do
        echo "--- $file"
        grep -m 3 -E "ERROR|runtime error|SUMMARY" "$file" || head -n 5 "$file"
    done
    status=1
else
    echo "sanitize: no sanitizer reports"
fi
exit $status
