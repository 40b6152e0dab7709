#!/usr/bin/env bash
# Regenerates the README's pictures: the game on a virtual display, turned with the mouse from the
# start position. Usage: tools/screenshots.sh [BUILD_DIR]   (pictures go to docs/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
if [ -z "${INSIDE_XVFB:-}" ]; then
    INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x720x24" "$0" "$build"
fi

mkdir -p "$root/docs"
cd "$build/game"
./velmora >/tmp/velmora-screenshots.log 2>&1 </dev/null &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

window=""
for _ in $(seq 1 100); do
    window=$(xdotool search --pid "$pid" --name '^Velmora$' 2>/dev/null | head -n 1 || true)
    if [ -n "$window" ] && xwininfo -id "$window" | grep -q IsViewable; then
        break
    fi
    sleep 0.1
done
xdotool windowfocus --sync "$window"
sleep 1.5

# The game recentres the cursor every frame: each move is one frame's turn, 0.0006 rad a pixel.
turn()
{
    local dx=$1 dy=$2 times=$3
    for _ in $(seq 1 "$times"); do
        xdotool mousemove --window "$window" $((640 + dx)) $((360 + dy))
        sleep 0.3
    done
}

# From the start, turn left and up until the field, the Earth and the glowing Sun are in view.
turn -490 -138 4
sleep 1
import -window root "$root/docs/screenshot.png"

# Further left and level again: the massive station with its rock, beside the Sun.
turn -600 276 2
sleep 1
import -window root "$root/docs/station.png"

# Keep turning while the next picture is taken: the camera motion blur smears the field.
turn -90 0 2 &
sleep 0.3
import -window root "$root/docs/motion-blur.png"
wait
xdotool key Escape
wait "$pid" 2>/dev/null || true
echo "Saved docs/screenshot.png, docs/station.png and docs/motion-blur.png"
