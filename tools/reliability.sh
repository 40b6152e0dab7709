#!/usr/bin/env bash
# The reliability checks that follow the normal test run in CI: the whole suite and a minute of
# play under AddressSanitizer and UndefinedBehaviorSanitizer, a minute of fuzzing per loader, and
# a two-minute soak of the real game. Every step runs even when an earlier one fails; the exit
# status is non-zero when any failed. Prints how long each step took.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"

status=0
failed=()
begin=$(date +%s)
step()
{
    local name=$1 started
    shift
    started=$(date +%s)
    echo "=== reliability: $name"
    if ! "$@"; then
        status=1
        failed+=("$name")
    fi
    echo "=== reliability: $name took $(($(date +%s) - started)) s"
}

step sanitize "$root/tools/sanitize.sh" 60
step fuzz "$root/tools/fuzz.sh" 60
step soak "$root/tools/soak.sh" 2

echo "=== reliability: all steps took $(($(date +%s) - begin)) s"
if [ $status -ne 0 ]; then
    echo "=== reliability: FAILED: ${failed[*]}"
fi
exit $status
