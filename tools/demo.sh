#!/usr/bin/env bash
# Runs the game in the game folder on the current display, turns the camera with the mouse, saves
# a screenshot, then ends the game with Escape. Usage: demo.sh GAME_DIR SCREENSHOT.png [TURN_SHOT.png]
set -euo pipefail
game_dir=$1
screenshot=$2
turn_shot=${3:-}

cd "$game_dir"
log=$(mktemp)
./velmora >"$log" 2>&1 </dev/null &
pid=$!

window=""
for _ in $(seq 1 100); do
    window=$(xdotool search --name '^Velmora$' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 0.1
done
if [ -z "$window" ]; then
    echo "The game window did not appear:" >&2
    cat "$log" >&2
    kill "$pid" 2>/dev/null || true
    exit 1
fi
xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 2

# Turn left towards the Sun and the asteroid field, a little at a time.
for _ in $(seq 1 12); do
    xdotool mousemove --window "$window" 540 360
    sleep 0.15
done
sleep 1.5
import -window root "$screenshot"

if [ -n "$turn_shot" ]; then
    # Keep turning while the shot is taken, so the motion blur shows.
    (for _ in $(seq 1 20); do xdotool mousemove --window "$window" 560 360; sleep 0.05; done) &
    turner=$!
    sleep 0.5
    import -window root "$turn_shot"
    wait "$turner"
fi

xdotool key --window "$window" Escape 2>/dev/null || xdotool key Escape
status=0
wait "$pid" || status=$?
echo "Game output:"
sed -n '1,40p' "$log"
rm -f "$log"
echo "Screenshot saved to $screenshot"
[ -n "$turn_shot" ] && echo "Screenshot while turning saved to $turn_shot"
echo "The game ended with status $status."
exit "$status"
