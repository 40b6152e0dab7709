#!/usr/bin/env bash
# Moving the mouse right turns the view right and moving it up looks up; a still mouse turns
# nothing. A window that loses the focus pauses the game, and wherever the pointer goes meanwhile
# turns nothing.
source "$(dirname "$0")/common.sh"

other_pid=""
finish()
{
    [ -z "$other_pid" ] || kill "$other_pid" 2>/dev/null || true
    cleanup
}
trap finish EXIT

make_game_folder "800\n450\nfalse\n"
start_game
wait_for_window
wait_for_picture
face_the_sun

# The focal length at 450 pixels high is 225 / tan 29.16 deg = 403 pixels: a turn of 0.06 rad (100
# pixels of mouse) moves the Sun by 24 pixels at the centre, about 30 where it shows, off the axis.
grab before
xdotool mousemove --window "$window" 500 225
sleep 0.5
grab right
sun_in before
before_x=$sun_x
before_y=$sun_y
sun_in right
awk -v a="$before_x" -v b="$sun_x" 'BEGIN { exit !(b - a < -20 && b - a > -40) }' ||
    fail "100 pixels right should turn the view right: the Sun went from x $before_x to $sun_x"
awk -v a="$before_y" -v b="$sun_y" 'BEGIN { exit !((b - a) ^ 2 < 4) }' || fail "a turn right must not tilt the view"

xdotool mousemove --window "$window" 400 125
sleep 0.5
grab up
right_y=$sun_y
sun_in up
awk -v a="$right_y" -v b="$sun_y" 'BEGIN { exit !(b - a > 20 && b - a < 40) }' ||
    fail "100 pixels up should look up: the Sun went from y $right_y to $sun_y"

sleep 0.5
grab still
expect_view_still up still "a still mouse"

# Another window takes the focus; the pointer wanders over the game, off its centre, for 5 s.
xlogo -geometry 100x100+1500+800 &
other_pid=$!
other=""
for _ in $(seq 1 50); do
    other=$(xdotool search --class "^xlogo$" 2>/dev/null | head -n 1 || true)
    [ -n "$other" ] && xwininfo -id "$other" 2>/dev/null | grep -q IsViewable && break
    sleep 0.1
done
[ -n "$other" ] || fail "no other window to give the focus to"
xdotool windowfocus --sync "$other"
for spot in "100 50" "700 400" "50 400" "780 20" "300 300"; do
    read -r x y <<<"$spot"
    xdotool mousemove --window "$window" "$x" "$y"
    sleep 1
done
wait_for_output "^Pause: on$" 5
xdotool windowfocus --sync "$window"
wait_for_output "^Pause: off$" 5
sleep 1
grab refocused
expect_view_still still refocused "with the focus away"

quit_with_escape
echo "PASS"
