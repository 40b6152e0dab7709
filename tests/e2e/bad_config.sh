#!/usr/bin/env bash
# Start-up fails cleanly, with status -1 (255), when the configuration cannot give a window.
source "$(dirname "$0")/common.sh"

expect_window_failure()
{
    local description=$1
    start_game
    wait_for_exit 30
    local status=$exit_status
    [ "$status" -eq 255 ] || fail "$description: expected status 255, got $status"
    grep -qx "Failed to open GLFW window!" "$work/stderr" || fail "$description: no start-up message"
    [ ! -s "$work/stdout" ] || fail "$description: nothing else should be printed"
    rm -rf "$work/game"
}

make_game_folder
expect_window_failure "no config.txt"

make_game_folder ""
expect_window_failure "an empty config.txt"

make_game_folder "wide\ntall\nfalse\n"
expect_window_failure "letters for the size"

make_game_folder "-640\n-480\nfalse\n"
expect_window_failure "a negative size"

make_game_folder "100000\n100000\nfalse\n"
expect_window_failure "a size beyond what the display allows"
echo "PASS"
