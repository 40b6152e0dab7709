#!/usr/bin/env bash
# Left alone, the level drifts until the game ends by itself: one of the three outcome messages,
# the last picture kept for three seconds (no frame is presented any more), then status 0.
source "$(dirname "$0")/common.sh"

make_game_folder "320\n180\nfalse\n"
start_game
wait_for_window
wait_for_output "^(GAME OVER: YOU DIED!|CONGRATULATIONS, YOU WON!|GAME OVER: EARTH IS NO MORE!!!)$" 120

# While the message stands, the window keeps the last presented frame.
xwd -id "$window" -silent >"$work/first.xwd"
sleep 1
xwd -id "$window" -silent >"$work/second.xwd"
kill -0 "$game_pid" 2>/dev/null || fail "the game should keep its last picture for three seconds"
cmp -s "$work/first.xwd" "$work/second.xwd" || fail "frames were presented after the outcome"

wait_for_exit 10
[ "$exit_status" -eq 0 ] || fail "an outcome should end the game with status 0, got $exit_status"
outcomes=$(count_lines "^(GAME OVER|CONGRATULATIONS)")
[ "$outcomes" -eq 1 ] || fail "exactly one outcome message expected, saw $outcomes"
tail -n 1 "$work/stdout" | grep -q -E "^(GAME OVER|CONGRATULATIONS)" || fail "the outcome must be the last line"
echo "PASS"
