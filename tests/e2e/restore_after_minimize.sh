#!/usr/bin/env bash
# Under a window manager: the game minimized, the pointer taken far across the screen, the game
# restored. Where the pointer went meanwhile is no turn: the view stays where it was.
source "$(dirname "$0")/common.sh"

wm_pid=""
finish()
{
    [ -z "$wm_pid" ] || kill "$wm_pid" 2>/dev/null || true
    cleanup
}
trap finish EXIT

# A window manager of this display's own: minimizing and restoring go through it, as on a desktop.
openbox --sm-disable --config-file /dev/null >/dev/null 2>&1 &
wm_pid=$!
for _ in $(seq 1 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" || fail "the window manager did not start"

make_game_folder "800\n450\nfalse\n"
start_game
wait_for_window
wait_for_picture
face_the_sun
grab before

xdotool windowminimize --sync "$window"
wait_for_output "^Pause: on$" 5
# The pointer wanders to the far corner of the screen while the game is away.
for spot in "900 600" "50 1000" "1800 100" "50 1000"; do
    read -r x y <<<"$spot"
    xdotool mousemove "$x" "$y"
    sleep 0.3
done
xdotool windowactivate --sync "$window"
wait_for_output "^Pause: off$" 5
sleep 1
grab restored

# The Sun may move by two pixels at most: rounding, nothing the pointer did.
sun_in before
before_x=$sun_x
before_y=$sun_y
sun_in restored
awk -v ax="$before_x" -v ay="$before_y" -v bx="$sun_x" -v by="$sun_y" \
    'BEGIN { exit !((ax - bx) ^ 2 + (ay - by) ^ 2 <= 4) }' ||
    fail "restoring turned the view: the Sun moved from ($before_x, $before_y) to ($sun_x, $sun_y)"

quit_with_escape
echo "PASS"
