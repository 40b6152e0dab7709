#!/usr/bin/env bash
# Plays the real game on a virtual display with random input (mouse look, W/A/S/D, Space and the
# function keys) for a given time, and checks that it never crashes and that its resident memory
# does not grow while it runs.
#
#   tools/soak.sh [minutes]            30 by default; CI runs tools/soak.sh 2
#   options: --seconds N               play time in seconds instead of minutes
#            --game DIR                the game folder to run (default: build-rel/game, built here)
#            --max-growth PERCENT|none memory growth allowed within a game (default 2)
#            --seed N                  seed of the random input (default 1), for a repeatable run
#
# A game does not last 30 minutes: it ends by itself, with status 0, a few seconds after it is
# won or lost (left alone, the Earth is hit after about 23 s; a careless pilot dies sooner). The
# soak therefore plays game after game until the time is used up, each in a fresh process, so
# memory can only pile up within one game. Resident memory is sampled every 2 s. For each game the
# first sample taken at least 10 s after the start (loading and the first frames are done by then)
# is compared with its last sample; the largest such growth must stay within the limit. The mean
# of those settled samples in the first minute and in the last minute is printed as well: it shows
# whether the same game costs more memory late in the soak than early on (it should not).
#
# Exits non-zero when a game ends with a status other than 0, when memory grows too much, or when
# no game could be started. A start the virtual display refuses (GLFW cannot open it; this happens
# now and then right after the previous game closed) is reported and not counted, unless it
# happens to half the starts. The logs of every game are kept in soak-logs/ beside the game folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

seconds=1800
game=""
max_growth=2
seed=1
while [ $# -gt 0 ]; do
    case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --game) game=$(cd "$2" && pwd); shift 2 ;;
    --max-growth) max_growth=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    [0-9]*) seconds=$(($1 * 60)); shift ;;
    *) echo "soak: unknown argument $1" >&2; exit 2 ;;
    esac
done

if [ -z "$game" ]; then
    cmake -S "$root" -B "$root/build-rel" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$root/build-rel" -j"$(nproc)" --target velmora >/dev/null
    game="$root/build-rel/game"
fi

# One virtual display of our own for the whole soak.
if [ -z "${VELMORA_SOAK_DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" env VELMORA_SOAK_DISPLAY=1 "$0" --seconds "$seconds" \
        --game "$game" --max-growth "$max_growth" --seed "$seed"
fi

logs="$(dirname "$game")/soak-logs"
rm -rf "$logs"
mkdir -p "$logs"
folder=$(mktemp -d /tmp/velmora-soak.XXXXXX)
game_pid=""
cleanup()
{
    if [ -n "$game_pid" ] && kill -0 "$game_pid" 2>/dev/null; then
        kill -9 "$game_pid" 2>/dev/null || true
    fi
    rm -rf "$folder"
}
trap cleanup EXIT
for entry in velmora Shader Font Texture Models Sound; do
    ln -s "$game/$entry" "$folder/$entry"
done
printf '800\n600\nfalse\n' >"$folder/config.txt"

RANDOM=$seed
axes=("w s" "s w" "a d" "d a")
function_keys=(F1 F2 F3 F4 F5 F6 F8 F9 m)

# One random action of a fraction of a second: mostly looking and flying, sometimes a shot, now
# and then a display setting. Flying goes one way and then as long the other way, so the pilot
# stays near the start and a game lasts until it is decided by the asteroids.
random_input()
{
    local roll=$((RANDOM % 100))
    if [ $roll -lt 40 ]; then
        xdotool mousemove_relative -- $((RANDOM % 81 - 40)) $((RANDOM % 61 - 30)) 2>/dev/null || true
        sleep 0.1
    elif [ $roll -lt 80 ]; then
        local pair=(${axes[$((RANDOM % 4))]}) hold=0.$((RANDOM % 3 + 1))
        xdotool keydown "${pair[0]}" 2>/dev/null || true
        sleep "$hold"
        xdotool keyup "${pair[0]}" keydown "${pair[1]}" 2>/dev/null || true
        sleep "$hold"
        xdotool keyup "${pair[1]}" 2>/dev/null || true
    elif [ $roll -lt 93 ]; then
        xdotool key space 2>/dev/null || true
        sleep 0.1
    else
        xdotool key "${function_keys[$((RANDOM % ${#function_keys[@]}))]}" 2>/dev/null || true
        sleep 0.1
    fi
}

# Waits for the game's window and gives it the keyboard (there is no window manager).
focus_window()
{
    local window
    for _ in $(seq 1 600); do
        window=$(xdotool search --pid "$game_pid" --name '^Velmora$' 2>/dev/null | head -n 1 || true)
        if [ -n "$window" ] && xwininfo -id "$window" 2>/dev/null | grep -q IsViewable; then
            xdotool windowfocus --sync "$window" 2>/dev/null || true
            return 0
        fi
        kill -0 "$game_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

start=$(date +%s)
games=0
failures=0
refused=0
worst_growth="0"
worst_game=""
first_minute=()
last_minute=()
printf '%6s %8s %7s %12s %12s %8s  %s\n' game seconds status "settled KB" "last KB" growth end
while [ $(($(date +%s) - start)) -lt "$seconds" ]; do
    games=$((games + 1))
    log="$logs/game-$games"
    (cd "$folder" && exec ./velmora >"$log.out" 2>"$log.err" </dev/null) &
    game_pid=$!
    game_start=$(date +%s)
    if ! focus_window; then
        echo "soak: game $games showed no window" >&2
    fi
    settled=""
    last=""
    next_sample=$game_start
    while kill -0 "$game_pid" 2>/dev/null && [ $(($(date +%s) - start)) -lt "$seconds" ]; do
        now=$(date +%s)
        if [ "$now" -ge "$next_sample" ]; then
            rss=$(ps -o rss= -p "$game_pid" 2>/dev/null | tr -d ' ' || true)
            if [ -n "$rss" ] && [ "$rss" -gt 0 ]; then
                last=$rss
                if [ -z "$settled" ] && [ $((now - game_start)) -ge 10 ]; then
                    settled=$rss
                fi
                if [ $((now - game_start)) -ge 10 ]; then
                    if [ $((now - start)) -lt 60 ]; then
                        first_minute+=("$rss")
                    elif [ $((seconds - (now - start))) -le 60 ]; then
                        last_minute+=("$rss")
                    fi
                fi
            fi
            next_sample=$((now + 2))
        fi
        random_input
    done
    ending="ended by itself"
    if kill -0 "$game_pid" 2>/dev/null; then
        ending="Escape at the end of the soak"
        xdotool key Escape 2>/dev/null || true
        for _ in $(seq 1 300); do
            kill -0 "$game_pid" 2>/dev/null || break
            sleep 0.1
        done
        if kill -0 "$game_pid" 2>/dev/null; then
            ending="did not end after Escape"
            kill -9 "$game_pid" 2>/dev/null || true
        fi
    fi
    status=0
    wait "$game_pid" || status=$?
    game_pid=""
    outcome=$(grep -o -E "CONGRATULATIONS, YOU WON!|GAME OVER: [A-Z !]*" "$log.out" | tail -n 1 || true)
    [ -n "$outcome" ] && ending="$ending: $outcome"
    if [ "$status" -eq 255 ] && [ "$(cat "$log.err")" = "Failed to initialize GLFW" ]; then
        # The display refused the connection before the game had read anything: the start-up
        # failure handling worked as designed, and the next game is started.
        refused=$((refused + 1))
        ending="the display refused the start (Failed to initialize GLFW); not counted"
    elif [ "$status" -ne 0 ] || [ "$ending" = "did not end after Escape" ]; then
        failures=$((failures + 1))
        ending="$ending (FAILED, see $log.err)"
    fi
    growth="-"
    if [ -n "$settled" ] && [ -n "$last" ]; then
        growth=$(awk -v a="$settled" -v b="$last" 'BEGIN { printf "%.2f", (b - a) * 100 / a }')
        if awk -v g="$growth" -v w="$worst_growth" 'BEGIN { exit !(g > w) }'; then
            worst_growth=$growth
            worst_game=$games
        fi
    fi
    printf '%6d %8d %7d %12s %12s %8s  %s\n' "$games" $(($(date +%s) - game_start)) "$status" \
        "${settled:--}" "${last:--}" "$growth%" "$ending"
done

mean()
{
    if [ $# -eq 0 ]; then
        echo "-"
    else
        printf '%s\n' "$@" | awk '{ sum += $1 } END { printf "%.0f", sum / NR }'
    fi
}
echo "soak: $games games in $(($(date +%s) - start)) s, $failures failed, $refused starts refused by the display"
echo "soak: settled resident memory, mean of minute 1: $(mean "${first_minute[@]+"${first_minute[@]}"}") KB," \
    "of the last minute: $(mean "${last_minute[@]+"${last_minute[@]}"}") KB"
echo "soak: largest growth within one game: $worst_growth% (game ${worst_game:--}), limit $max_growth%"

if [ "$games" -eq 0 ] || [ "$failures" -gt 0 ] || [ $((refused * 2)) -gt "$games" ]; then
    exit 1
fi
if [ "$max_growth" != "none" ] && awk -v g="$worst_growth" -v m="$max_growth" 'BEGIN { exit !(g > m) }'; then
    echo "soak: memory grew by more than $max_growth% within a game" >&2
    exit 1
fi
