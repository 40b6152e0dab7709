#!/usr/bin/env bash
# Function keys act once per press, however many times the input step runs in a frame. The level
# drifts into the Earth within about fifteen seconds, so this test keeps to a few seconds of play.
source "$(dirname "$0")/common.sh"

make_game_folder "320\n180\nfalse\n"
start_game
wait_for_window
wait_for_output "Linking program!" 30
sleep 1

press F3
wait_for_output "^Wire frame: on$" 10

# F5 steps the mip-map mode: 1, 2, 0, 1, 2. Keys are polled once a frame, so the presses are
# spaced out to land in different frames.
for press_number in 1 2 3 4 5; do
    press F5
    wait_for_count "^Mip mapping quality" "$press_number" 10
done
sleep 0.5
modes=$(grep -E '^Mip mapping quality' "$work/stdout" | tr '\n' '|')
[ "$modes" = "Mip mapping quality: Nearest neighbour|Mip mapping quality: Linear|Mip mapping quality: off|Mip mapping quality: Nearest neighbour|Mip mapping quality: Linear|" ] ||
    fail "F5 five times gave: $modes"
[ "$(count_lines '^Wire frame')" -eq 1 ] || fail "one F3 press must print exactly one line"

# With the frame time on, every frame prints one line: their times add up to the time it was on.
press F2
wait_for_output "^Display frame time: on$" 10
started=$(date +%s.%N)
sleep 1
press F2
wait_for_output "^Display frame time: off$" 10
ended=$(date +%s.%N)
lines=$(sed -n '/^Display frame time: on$/,/^Display frame time: off$/p' "$work/stdout" | grep '^Frametime' || true)
[ -n "$lines" ] || fail "F2 printed no frame times"
if echo "$lines" | grep -v -q -E '^Frametime: [0-9.e+-]+ms =~[0-9.e+-]+FPS$'; then
    fail "a frame time line is not 'Frametime: <ms>ms =~<fps>FPS'"
fi
total=$(echo "$lines" | sed -E 's/^Frametime: ([0-9.e+-]+)ms.*/\1/' | awk '{ sum += $1 } END { print sum / 1000 }')
wall=$(echo "$ended - $started" | bc -l)
awk -v total="$total" -v wall="$wall" 'BEGIN { exit !(total > 0.5 * wall && total < 1.5 * wall + 0.5) }' ||
    fail "frame times add up to $total s while F2 was on for about $wall s: not one line per frame"

before=$(count_lines '^Frametime')
sleep 1
[ "$(count_lines '^Frametime')" -eq "$before" ] || fail "frame times still printed after turning them off"

# Two presses that reach the game within one frame both count: the game is stopped while they are
# sent, so it finds both waiting when it goes on.
kill -STOP "$game_pid"
press F9 F9
sleep 0.3
kill -CONT "$game_pid"
wait_for_count "^Transparency" 2 10
sleep 0.5
transparency=$(grep -E '^Transparency' "$work/stdout" | tr '\n' '|')
[ "$transparency" = "Transparency: on|Transparency: off|" ] ||
    fail "two presses within one frame gave: $transparency"

quit_with_escape
echo "PASS"
