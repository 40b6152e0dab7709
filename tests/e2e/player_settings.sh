#!/usr/bin/env bash
# The player's settings.txt: invert-mouse-y turns a mouse moved up into a look down, and a line the
# game cannot use is named on the console while the game plays on.
source "$(dirname "$0")/common.sh"

mkdir -p "$XDG_CONFIG_HOME/velmora"
printf '# my settings\ninvert-mouse-y = true\nvolume = loud\n' >"$XDG_CONFIG_HOME/velmora/settings.txt"

make_game_folder "800\n450\nfalse\n"
start_game
wait_for_window
wait_for_output '^settings.txt:3: volume must be a whole number from 0 to 100, not "loud"$' 10
wait_for_picture
face_the_sun

# 100 pixels up from the centre: inverted, the view looks down 0.06 rad, and the Sun rises in the
# picture by 20 to 40 pixels where it shows, without moving sideways.
grab before
xdotool mousemove --window "$window" 400 125
sleep 0.5
grab after
sun_in before
before_x=$sun_x
before_y=$sun_y
sun_in after
awk -v a="$before_y" -v b="$sun_y" 'BEGIN { exit !(a - b > 20 && a - b < 40) }' ||
    fail "inverted, 100 pixels up should look down: the Sun went from y $before_y to $sun_y"
awk -v a="$before_x" -v b="$sun_x" 'BEGIN { exit !((b - a) ^ 2 < 4) }' ||
    fail "a look down must not turn the view sideways: the Sun went from x $before_x to $sun_x"

quit_with_escape
echo "PASS"
