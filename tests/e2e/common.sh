# Shared steps of the end-to-end tests: run the real game binary in a real window on the current
# (virtual) display, press real keys with xdotool, and read its console and exit status.
set -euo pipefail

game_dir=$(cd "$1" && pwd)
probe=${2:-}
sound_probe=${3:-}
work=$(mktemp -d /tmp/velmora-e2e.XXXXXX)
game_pid=""
window=""
restart_game=start_game # how wait_for_window starts the game again

cleanup()
{
    if [ -n "$game_pid" ] && kill -0 "$game_pid" 2>/dev/null; then
        kill -9 "$game_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail()
{
    echo "FAIL: $*" >&2
    if grep -q -E "^(GAME OVER|CONGRATULATIONS)" "$work/stdout" 2>/dev/null; then
        echo "(the level had already ended the game: it drifts into the Earth within about fifteen seconds)" >&2
    fi
    if [ -f "$work/stdout" ]; then
        echo "--- standard output (first 40 lines)" >&2
        head -n 40 "$work/stdout" >&2
    fi
    if [ -f "$work/stderr" ]; then
        echo "--- standard error" >&2
        head -n 40 "$work/stderr" >&2
    fi
    exit 1
}

# A private game folder: the real data, with a config.txt of our own (or none).
# Usage: make_game_folder [config text]   (no argument: no config.txt at all)
make_game_folder()
{
    mkdir -p "$work/game"
    for entry in velmora Shader Font Texture Models Sound; do
        ln -s "$game_dir/$entry" "$work/game/$entry"
    done
    if [ $# -gt 0 ]; then
        printf '%b' "$1" >"$work/game/config.txt"
    fi
}

# The player's own files (settings, records, screenshots) are the test's own, never the home folder's.
export XDG_DATA_HOME="$work/data"
export XDG_CONFIG_HOME="$work/config"
export HOME="$work/home"
mkdir -p "$HOME"

# The games play with no audio device at all, as on a server, whatever this machine has: OpenAL
# Soft's null backend counts as none. A test that listens chooses its own.
export ALSOFT_DRIVERS=${ALSOFT_DRIVERS-null}

start_game()
{
    restart_game=start_game
    (cd "$work/game" && exec ./velmora >"$work/stdout" 2>"$work/stderr" </dev/null) &
    game_pid=$!
}

# Waits for the game window to be mapped and gives it the keyboard focus (there is no window
# manager on the virtual display, so the focus is set directly).
wait_for_window()
{
    for _ in $(seq 1 300); do
        window=$(xdotool search --pid "$game_pid" --name '^Velmora$' 2>/dev/null | head -n 1 || true)
        if [ -n "$window" ] && xwininfo -id "$window" 2>/dev/null | grep -q "IsViewable"; then
            xdotool windowfocus --sync "$window" 2>/dev/null || true
            if [ "$(xdotool getwindowfocus 2>/dev/null)" = "$window" ]; then
                return 0
            fi
        fi
        if ! kill -0 "$game_pid" 2>/dev/null; then
            # A display server busy with other clients can refuse a connection for a moment; that
            # says nothing about the game, so it gets one more start.
            if grep -qx "Failed to initialize GLFW" "$work/stderr" && [ -z "${display_retried:-}" ]; then
                display_retried=1
                sleep 1
                "$restart_game"
                continue
            fi
            fail "the game ended before its window appeared"
        fi
        sleep 0.1
    done
    fail "no focused window titled Velmora appeared"
}

# Waits until the console shows a line matching the pattern (grep -E), for up to N seconds.
wait_for_output()
{
    local pattern=$1 seconds=${2:-30}
    for _ in $(seq 1 $((seconds * 10))); do
        grep -q -E "$pattern" "$work/stdout" 2>/dev/null && return 0
        sleep 0.1
    done
    fail "no console line matching '$pattern' within $seconds s"
}

# Real key presses through the X test extension, to the focused game window.
# Waits until at least N console lines match the pattern, for up to S seconds.
wait_for_count()
{
    local pattern=$1 count=$2 seconds=${3:-30}
    for _ in $(seq 1 $((seconds * 10))); do
        [ "$(count_lines "$pattern")" -ge "$count" ] && return 0
        sleep 0.1
    done
    fail "fewer than $count console lines matching '$pattern' within $seconds s"
}

press()
{
    xdotool key --delay 60 "$@"
}

# Waits for the game to end; its exit status is left in exit_status.
exit_status=""
wait_for_exit()
{
    local seconds=${1:-30}
    for _ in $(seq 1 $((seconds * 10))); do
        if ! kill -0 "$game_pid" 2>/dev/null; then
            exit_status=0
            wait "$game_pid" || exit_status=$?
            game_pid=""
            return 0
        fi
        sleep 0.1
    done
    fail "the game was still running after $seconds s"
}

count_lines()
{
    grep -c -E "$1" "$work/stdout" || true
}

outcome_pattern="^(GAME OVER: YOU DIED!|CONGRATULATIONS, YOU WON!|GAME OVER: EARTH IS NO MORE!!!)"

# Escape ends the game after the current frame: it is gone within 3 s, with status 0, and it did
# not end by an outcome instead (left alone, the level ends the game by itself with status 0).
quit_with_escape()
{
    local what=${1:-Escape}
    kill -0 "$game_pid" 2>/dev/null || fail "$what: the game had ended before Escape was pressed"
    if grep -q -E "$outcome_pattern" "$work/stdout"; then
        fail "$what: the game had already reached an outcome before Escape"
    fi
    press Escape
    wait_for_exit 3
    [ "$exit_status" -eq 0 ] || fail "$what: Escape should end the game with status 0, got $exit_status"
    if grep -q -E "$outcome_pattern" "$work/stdout"; then
        fail "$what: the game ended by an outcome, not by Escape"
    fi
    true
}

# A grab of the game window as binary PPM, for picture_probe: grab NAME (writes $work/NAME.ppm).
grab()
{
    xwd -id "$window" -silent >"$work/$1.xwd" || fail "could not grab the window"
    convert "xwd:$work/$1.xwd" "ppm:$work/$1.ppm"
}

# Where the Sun's disc is in grab NAME: sets sun_x and sun_y (pixels from the top-left). The Sun
# never moves in the world, so where it shows tells where the view points; the asteroid field itself
# drifts towards the Earth faster and faster.
sun_in()
{
    local found
    found=$("$probe" sun "$work/$1.ppm") || fail "no Sun in the window ($1)"
    read -r sun_x sun_y <<<"$found"
}

# The Sun is in the same place in grabs A and B: the view did not turn between them.
expect_view_still()
{
    local a_x a_y
    sun_in "$1"
    a_x=$sun_x
    a_y=$sun_y
    sun_in "$2"
    awk -v ax="$a_x" -v ay="$a_y" -v bx="$sun_x" -v by="$sun_y" \
        'BEGIN { exit !((ax - bx) ^ 2 + (ay - by) ^ 2 < 2.25) }' ||
        fail "$3: the view turned: the Sun moved from ($a_x, $a_y) to ($sun_x, $sun_y)"
}

# From the start, turns the view left with the mouse until the Sun (at the world's origin) shows
# left of the crosshair. Each move is taken by one frame: 0.0006 rad a pixel. The display goes off
# first (F6): its aim marker is as orange as the Sun's disc and a hit's burst as bright, and either
# would pull the Sun's measured centre towards it.
face_the_sun()
{
    local width height
    press F6
    wait_for_output "^HUD: off$" 5
    read -r width height < <(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }')
    for _ in 1 2 3 4 5 6; do
        xdotool mousemove --window "$window" -- $((width / 2 - 445)) $((height / 2 + 11))
        sleep 0.3
    done
    xdotool mousemove --window "$window" $((width / 2)) $((height / 2))
    sleep 0.3
}

# P, and the console's answer: pause_game on|off.
pause_game()
{
    local before
    before=$(count_lines "^Pause: $1$")
    press p
    wait_for_count "^Pause: $1$" $((before + 1)) 5
}

# Waits until the window shows a picture, if only the crosshair over empty space (the ship starts
# looking away from the field): before the first frame it is one flat colour.
wait_for_picture()
{
    for _ in $(seq 1 100); do
        xwd -id "$window" -silent >"$work/first.xwd" 2>/dev/null || true
        if [ -s "$work/first.xwd" ] && [ "$(convert "xwd:$work/first.xwd" -format %k info:)" -gt 1 ]; then
            return 0
        fi
        sleep 0.2
    done
    fail "the window never showed a picture"
}
