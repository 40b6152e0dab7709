#!/usr/bin/env bash
# Function keys act once per press, however many times the input step runs in a frame.
source "$(dirname "$0")/common.sh"

make_game_folder "640\n360\nfalse\n"
start_game
wait_for_window
wait_for_output "Linking program!" 30
sleep 2

press F3
wait_for_output "^Wire frame: on$" 10
sleep 1
[ "$(count_lines '^Wire frame')" -eq 1 ] || fail "one F3 press must print exactly one line"

# F5 steps the mip-map mode: 1, 2, 0, 1, 2.
for _ in 1 2 3 4 5; do
    press F5
    sleep 0.5
done
sleep 1
modes=$(grep -E '^Mip mapping quality' "$work/stdout" | tr '\n' '|')
[ "$modes" = "Mip mapping quality: Nearest neighbour|Mip mapping quality: Linear|Mip mapping quality: off|Mip mapping quality: Nearest neighbour|Mip mapping quality: Linear|" ] ||
    fail "F5 five times gave: $modes"

press F2
wait_for_output "^Display frame time: on$" 10
sleep 2
press F2
wait_for_output "^Display frame time: off$" 10
frames=$(count_lines '^Frametime: [0-9.e+-]+ms =~[0-9.e+-]+FPS$')
odd=$(grep -c '^Frametime' "$work/stdout" || true)
[ "$frames" -ge 1 ] || fail "F2 should print a frame time line per frame"
[ "$frames" -eq "$odd" ] || fail "every frame time line must read 'Frametime: <ms>ms =~<fps>FPS'"

# After F2 is off again no more lines come.
sleep 1
before=$(count_lines '^Frametime')
sleep 1
after=$(count_lines '^Frametime')
[ "$before" -eq "$after" ] || fail "frame times still printed after turning them off"

press Escape
status=$(wait_for_exit 30)
[ "$status" -eq 0 ] || fail "Escape should end the game with status 0, got $status"
echo "PASS"
