#!/usr/bin/env bash
# The game opens its window at the configured size, builds its three programs, and Escape ends it
# with status 0.
source "$(dirname "$0")/common.sh"

make_game_folder "800\n600\nTRUE\n"
start_game
wait_for_window

geometry=$(xwininfo -id "$window")
echo "$geometry" | grep -q "Width: 800" || fail "window width is not 800: $geometry"
echo "$geometry" | grep -q "Height: 600" || fail "window height is not 600 (a TRUE flag is not full screen)"

wait_for_output "Compiling shader: Shader/gaussBlurFragmentShader.glsl" 30
sleep 0.5
compiles=$(count_lines "^Compiling shader: Shader/")
links=$(count_lines "^Linking program!")
[ "$compiles" -eq 6 ] || fail "expected 6 'Compiling shader' lines, saw $compiles"
[ "$links" -eq 3 ] || fail "expected 3 'Linking program!' lines, saw $links"
head -n 1 "$work/stdout" | grep -q "Compiling shader: Shader/fboVertexShader.glsl" ||
    fail "the post-processing program must be built first"
# No audio device: one line says so, and the game plays on silently.
wait_for_output "^Sound: off \(no audio device\)$" 10
[ "$(count_lines "^Sound: off")" -eq 1 ] || fail "expected one 'Sound: off (no audio device)' line"
[ ! -s "$work/stderr" ] || fail "nothing belongs on standard error"
press F3
wait_for_output "^Wire frame: on$" 10

quit_with_escape
echo "PASS"
