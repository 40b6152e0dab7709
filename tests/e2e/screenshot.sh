#!/usr/bin/env bash
# F12 saves the window's picture as it is presented: paused, with the display off, the PNG holds the
# very pixels a grab of the window holds. It goes to the pictures folder that user-dirs.dirs names,
# under Velmora/, and a second one never takes the first one's place.
source "$(dirname "$0")/common.sh"

mkdir -p "$XDG_CONFIG_HOME"
printf '# written by xdg-user-dirs-update\nXDG_PICTURES_DIR="$HOME/Shots"\n' >"$XDG_CONFIG_HOME/user-dirs.dirs"

make_game_folder "640\n360\nfalse\n"
start_game
wait_for_window
wait_for_picture
face_the_sun
pause_game on
sleep 0.5

press F12
wait_for_output "^Screenshot: " 10
grab window
shot=$(sed -n 's/^Screenshot: //p' "$work/stdout" | head -n 1)
case "$shot" in
"$HOME/Shots/Velmora/Velmora "*.png) ;;
*) fail "the screenshot went to $shot, not to $HOME/Shots/Velmora/" ;;
esac
[ -s "$shot" ] || fail "no file at $shot"
convert "$shot" "ppm:$work/shot.ppm" || fail "$shot is not a picture"
differing=$(compare -metric AE "$work/shot.ppm" "$work/window.ppm" null: 2>&1 || true)
[ "$differing" = "0" ] || fail "the screenshot differs from a grab of the window in $differing pixels"

press F12
wait_for_count "^Screenshot: " 2 10
[ "$(ls "$HOME/Shots/Velmora" | wc -l)" -eq 2 ] || fail "a second screenshot must be a second file"

quit_with_escape
echo "PASS"
