# Shared steps of the end-to-end tests: run the real game binary in a real window on the current
# (virtual) display, press real keys with xdotool, and read its console and exit status.
set -euo pipefail

game_dir=$(cd "$1" && pwd)
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
    for entry in velmora Shader Texture Models; do
        ln -s "$game_dir/$entry" "$work/game/$entry"
    done
    if [ $# -gt 0 ]; then
        printf '%b' "$1" >"$work/game/config.txt"
    fi
}

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
