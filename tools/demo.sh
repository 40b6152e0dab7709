#!/usr/bin/env bash
# Plays the game in GAME_DIR on the current display for a few seconds: turns the camera with the
# mouse towards the asteroid field, the Earth and the Sun, then the massive station, and grabs a
# picture of each, and one while turning (the motion blur); then ends the game with Escape.
# Usage: demo.sh GAME_DIR PICTURE_DIR   (writes screenshot.png, station.png, motion-blur.png)
set -euo pipefail
game_dir=$1
pictures=$(mkdir -p "$2" && cd "$2" && pwd)

cd "$game_dir"
log=$(mktemp)
# The level drifts into the Earth within seconds, so pictures are grabbed raw and converted after.
raw=$(mktemp -d)
./velmora >"$log" 2>&1 </dev/null &
pid=$!
trap 'kill $pid 2>/dev/null || true; rm -rf "$raw" "$log"' EXIT

window=""
for _ in $(seq 1 100); do
    window=$(xdotool search --pid "$pid" --name '^Velmora$' 2>/dev/null | head -n 1 || true)
    if [ -n "$window" ] && xwininfo -id "$window" | grep -q IsViewable; then
        break
    fi
    sleep 0.1
done
if [ -z "$window" ]; then
    echo "The game window did not appear:" >&2
    cat "$log" >&2
    exit 1
fi
xdotool windowfocus --sync "$window"

# The level is up once the window shows a picture, if only the crosshair over empty space: before the
# first frame it is one flat colour.
shown=""
for _ in $(seq 1 100); do
    xwd -id "$window" -silent >"$raw/first.xwd"
    if [ "$(convert "xwd:$raw/first.xwd" -format %k info:)" -gt 1 ]; then
        shown=yes
        break
    fi
    sleep 0.2
done
if [ -z "$shown" ]; then
    echo "The game window showed no picture:" >&2
    cat "$log" >&2
    exit 1
fi

# The game recentres the cursor every frame: each move is one frame's turn, 0.0006 rad a pixel
# away from the window's centre.
read -r width height < <(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }')
turn()
{
    local dx=$1 dy=$2 times=$3 pause=${4:-0.3}
    for _ in $(seq 1 "$times"); do
        xdotool mousemove --window "$window" $((width / 2 + dx)) $((height / 2 + dy))
        sleep "$pause"
    done
}

# Left and up from the start: the field, the Earth and the glowing Sun.
turn -490 -138 4
sleep 0.5
xwd -id "$window" -silent >"$raw/screenshot.xwd"

# Further left and level again: the massive station with its rock, beside the Sun.
turn -600 276 2
sleep 0.5
xwd -id "$window" -silent >"$raw/station.xwd"

# Turning while the picture is taken, faster than frames come: the camera motion blur smears it.
turn 60 0 12 0.05 &
turning=$!
sleep 0.4
xwd -id "$window" -silent >"$raw/motion-blur.xwd"
wait "$turning"

xdotool key Escape
# Escape ends the game after its current frame.
for _ in $(seq 1 30); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
    echo "The game did not end within 3 s of Escape." >&2
    exit 1
fi
status=0
wait "$pid" || status=$?
for name in screenshot station motion-blur; do
    convert "xwd:$raw/$name.xwd" "$pictures/$name.png"
done
echo "Game output:"
sed -n '1,40p' "$log"
if grep -q -E "^(GAME OVER|CONGRATULATIONS)" "$log"; then
    echo "The game reached an outcome before Escape: the pictures may show its last frame." >&2
    status=1
fi
echo "Pictures saved to $pictures: screenshot.png, station.png, motion-blur.png"
echo "The game ended with status $status."
exit "$status"
