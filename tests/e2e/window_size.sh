#!/usr/bin/env bash
# The picture follows the window: resized to 1600x900 and to 400x300, the game draws the whole
# window at the same field of view, the crosshair is at its new centre, and the view holds still.
source "$(dirname "$0")/common.sh"

expect_crosshair_at()
{
    local x=$1 y=$2 what=$3 found
    found=$("$probe" crosshair "$work/$4.ppm") || fail "$what: no crosshair in the window"
    read -r cx cy <<<"$found"
    awk -v cx="$cx" -v cy="$cy" -v x="$x" -v y="$y" \
        'BEGIN { exit !((cx - x) ^ 2 < 4 && (cy - y) ^ 2 < 4) }' ||
        fail "$what: the crosshair is at ($cx, $cy), not at the window's centre ($x, $y)"
}

make_game_folder "1280\n720\nfalse\n"
start_game
wait_for_window
wait_for_picture
face_the_sun
grab start
expect_crosshair_at 640 360 "at start" start
sun_in start
# Where the Sun shows, measured from the centre: the vertical field of view is the same at any size,
# so this offset scales with the window's height.
start_x=$(awk -v x="$sun_x" 'BEGIN { print x - 639.5 }')
start_y=$(awk -v y="$sun_y" 'BEGIN { print y - 359.5 }')

# The level reaches the Earth after about 20 s of play, so the game is paused between the checks;
# the window is resized while paused, which also draws the paused picture at the new size.
pause_game on
for size in "1600 900" "400 300"; do
    read -r width height <<<"$size"
    xdotool windowsize --sync "$window" "$width" "$height"
    sleep 0.3
    pause_game off
    sleep 0.5
    grab still_a
    sleep 0.5
    grab still_b
    pause_game on
    [ "$("$probe" size "$work/still_a.ppm")" = "$width $height" ] || fail "the window is not ${width}x${height}"
    expect_view_still still_a still_b "resized to ${width}x${height}"
    expect_crosshair_at $((width / 2)) $((height / 2)) "resized to ${width}x${height}" still_b
    sun_in still_b
    awk -v sx="$sun_x" -v sy="$sun_y" -v ox="$start_x" -v oy="$start_y" -v w="$width" -v h="$height" '
        BEGIN {
            scale = h / 720
            ex = w / 2 - 0.5 + ox * scale; ey = h / 2 - 0.5 + oy * scale
            exit !((sx - ex) ^ 2 + (sy - ey) ^ 2 < 9)
        }' || fail "resized to ${width}x${height}: the Sun is at ($sun_x, $sun_y), not where the same view puts it"
done

quit_with_escape
echo "PASS"
