#!/usr/bin/env bash
# The installed game runs from anywhere: laid out by `cmake --install` into a staging prefix and
# started from a folder without its data (as a desktop menu starts it, in the home folder), it finds
# its data relative to its executable, also after the whole install was moved, and takes the
# window size from the player's ~/.config/velmora/config.txt when there is one. Without data, or with
# a bad size in the player's file, start-up fails naming the folders or the file.
source "$(dirname "$0")/common.sh"

build=$(cd "$game_dir/.." && pwd)
cmake --install "$build" --prefix "$work/staged/usr" >/dev/null || fail "cmake --install into a staging prefix failed"
mkdir -p "$work/elsewhere" "$work/home"
export HOME="$work/home"
unset XDG_CONFIG_HOME
executable="$work/staged/usr/games/velmora"

start_installed()
{
    restart_game=start_installed
    (cd "$work/elsewhere" && exec "$executable" >"$work/stdout" 2>"$work/stderr" </dev/null) &
    game_pid=$!
}

expect_window_size()
{
    local width=$1 height=$2 geometry
    geometry=$(xwininfo -id "$window")
    echo "$geometry" | grep -q "Width: $width\$" || fail "expected a window $width wide: $geometry"
    echo "$geometry" | grep -q "Height: $height\$" || fail "expected a window $height high: $geometry"
}

expect_start_failure()
{
    local what=$1
    wait_for_exit 30
    [ "$exit_status" -eq 255 ] || fail "$what: expected status 255, got $exit_status"
    tail -n 1 "$work/stderr" | grep -qx "Failed to open GLFW window!" || fail "$what: no start-up message last"
}

echo "- started elsewhere: the installed data and its default config.txt"
start_installed
wait_for_window
grep -qx "Game data: $work/staged/usr/share/games/velmora; window settings: $work/staged/usr/share/games/velmora/config.txt" \
    "$work/stdout" || fail "the first line should name the installed data folder and config.txt"
expect_window_size 1280 720
wait_for_picture
quit_with_escape "installed game"

echo "- a moved install with the player's own config.txt"
mv "$work/staged" "$work/moved"
executable="$work/moved/usr/games/velmora"
mkdir -p "$HOME/.config/velmora"
printf '640\n480\nfalse\n' >"$HOME/.config/velmora/config.txt"
start_installed
wait_for_window
grep -qx "Game data: $work/moved/usr/share/games/velmora; window settings: $HOME/.config/velmora/config.txt" \
    "$work/stdout" || fail "the moved install should read its data where it now is, and the player's config"
expect_window_size 640 480
quit_with_escape "moved install"

echo "- the player's config.txt with letters for the width"
printf 'wide\n480\nfalse\n' >"$HOME/.config/velmora/config.txt"
start_installed
expect_start_failure "bad player's config"
grep -q -F "Unusable window size 0x480 in $HOME/.config/velmora/config.txt" "$work/stderr" ||
    fail "bad player's config: no line naming the file and the size"

echo "- the executable alone, without its data"
mkdir -p "$work/lonely/games"
cp "$executable" "$work/lonely/games/velmora"
executable="$work/lonely/games/velmora"
start_installed
expect_start_failure "no data"
grep -qx "No game data: no Shader/VertexShader.glsl in $work/elsewhere, $work/lonely/games or $work/lonely/share/games/velmora" \
    "$work/stderr" || fail "no data: no line naming the folders searched"
[ ! -s "$work/stdout" ] || fail "no data: nothing belongs on standard output"
echo "PASS"
