#!/usr/bin/env bash
# The test command's closing line and exit status: a skipped test never counts as passed, a failing
# or missing test executable counts as failed, and the page's build, the dependency check and the
# reliability run count one each. The real tools/test.sh runs on a scratch project whose suite gives
# each kind of result; the install, page, dependency and reliability steps are stand-ins that pass or
# fail on request.
set -euo pipefail
source_root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/velmora-closing-line.XXXXXX)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/tools"
cp "$source_root/tools/test.sh" "$work/tools/test.sh"
printf '#!/bin/sh\nexit 0\n' >"$work/tools/install-deps.sh"
printf '#!/bin/sh\nexit ${WEB_STATUS:-0}\n' >"$work/tools/web.sh"
printf '#!/bin/sh\nexit ${DEPS_STATUS:-0}\n' >"$work/tools/check-deps.sh"
printf '#!/bin/sh\nexit ${RELIABILITY_STATUS:-0}\n' >"$work/tools/reliability.sh"
chmod +x "$work"/tools/*.sh

# Usage: suite TEST...   with TEST one of passes, skips (ctest: Skipped), fails, missing (Not Run)
suite()
{
    {
        echo 'cmake_minimum_required(VERSION 3.25)'
        echo 'project(closing_line NONE)'
        echo 'enable_testing()'
        for test in "$@"; do
            case "$test" in
            passes) echo 'add_test(NAME passes COMMAND true)' ;;
            fails) echo 'add_test(NAME fails COMMAND false)' ;;
            missing) echo 'add_test(NAME missing COMMAND /nonexistent/test-program)' ;;
            skips)
                echo 'add_test(NAME skips COMMAND sh -c "exit 77")'
                echo 'set_tests_properties(skips PROPERTIES SKIP_RETURN_CODE 77)' ;;
            esac
        done
    } >"$work/CMakeLists.txt"
    rm -rf "$work/build"
}

failures=0
# Usage: expect "CLOSING LINE" STATUS [ENVIRONMENT...]
expect()
{
    local line=$1 status=$2 output got=0
    shift 2
    output=$(env "$@" "$work/tools/test.sh" 2>&1) || got=$?
    if [ "$(echo "$output" | tail -n 1)" != "$line" ] || [ "$got" -ne "$status" ]; then
        echo "FAIL: expected '$line' and status $status, got '$(echo "$output" | tail -n 1)' and status $got"
        echo "$output" | grep -E "^(test.sh:|[0-9]+% tests)" || true
        failures=$((failures + 1))
    else
        echo "ok: '$line', status $got"
    fi
}

# One of each: only 'passes' and the three stand-in steps pass; the skip is named as failed.
suite passes skips fails missing
expect "4 passed, 3 failed" 1

# A green suite with one skip still fails the run.
suite passes skips
expect "4 passed, 1 failed" 1

# The page's build, the dependency check and the reliability run count one each.
suite passes
expect "4 passed, 0 failed" 0
expect "3 passed, 1 failed" 1 WEB_STATUS=1
expect "3 passed, 1 failed" 1 DEPS_STATUS=1
expect "1 passed, 3 failed" 1 WEB_STATUS=1 DEPS_STATUS=1 RELIABILITY_STATUS=1

# A skip that is listed as allowed is shown apart, neither passed nor failed.
sed -i 's/^allowed_skips=()$/allowed_skips=(skips)/' "$work/tools/test.sh"
suite passes skips
expect "4 passed, 0 failed, 1 skipped" 0

[ "$failures" -eq 0 ] || exit 1
echo "PASS"
