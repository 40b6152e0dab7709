#!/usr/bin/env bash
# Start-up fails cleanly, with status -1 (255), when the configuration cannot give a window.
source "$(dirname "$0")/common.sh"

# The design's message comes last; the line before it names the config.txt read, by its full path,
# and what is wrong with it.
expect_window_failure()
{
    local description=$1 explanation=$2
    start_game
    wait_for_exit 30
    local status=$exit_status
    [ "$status" -eq 255 ] || fail "$description: expected status 255, got $status"
    tail -n 1 "$work/stderr" | grep -qx "Failed to open GLFW window!" || fail "$description: no start-up message"
    head -n 1 "$work/stderr" | grep -q -F "$explanation" ||
        fail "$description: the first line should say '$explanation'"
    [ ! -s "$work/stdout" ] || fail "$description: nothing else should be printed"
    rm -rf "$work/game"
}

# The game reads its folder's config.txt even when the player has one of their own.
export HOME="$work/home"
mkdir -p "$HOME/.config/velmora"
printf '640\n480\nfalse\n' >"$HOME/.config/velmora/config.txt"

make_game_folder
expect_window_failure "no config.txt" "No window size: cannot read $work/game/config.txt (No such file or directory)"

make_game_folder ""
expect_window_failure "an empty config.txt" "Unusable window size 0x0 in $work/game/config.txt"

make_game_folder "wide\ntall\nfalse\n"
expect_window_failure "letters for the size" "Unusable window size 0x0 in $work/game/config.txt"

make_game_folder "-640\n-480\nfalse\n"
expect_window_failure "a negative size" "Unusable window size -640x-480 in $work/game/config.txt"

make_game_folder "100000\n100000\nfalse\n"
expect_window_failure "a size beyond what the display allows" \
    "Unusable window size 100000x100000 in $work/game/config.txt"
echo "PASS"
