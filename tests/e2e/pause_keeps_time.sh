#!/usr/bin/env bash
# P pauses the game: half a minute paused does not count. Left alone the field reaches the Earth
# after about 20 s of play; paused for 30 s at the start, it still takes about that long after the
# game goes on (were the paused time counted, the first step after it would fling the field into
# the Earth at once).
source "$(dirname "$0")/common.sh"

make_game_folder "320\n180\nfalse\n"
start_game
wait_for_window
wait_for_picture
press p
wait_for_output "^Pause: on$" 5
sleep 30
kill -0 "$game_pid" 2>/dev/null || fail "the game ended while paused"
if grep -q -E "$outcome_pattern" "$work/stdout"; then
    fail "an outcome while paused"
fi
press p
wait_for_output "^Pause: off$" 5
resumed=$(date +%s)
wait_for_output "$outcome_pattern" 90
played=$(($(date +%s) - resumed))
[ "$played" -ge 8 ] || fail "the game ended $played s after the pause: the paused time was counted"
[ "$played" -le 60 ] || fail "the game took $played s to end after the pause"
grep -q -x "GAME OVER: EARTH IS NO MORE!!!" "$work/stdout" || fail "left alone, the Earth should be lost"
wait_for_exit 10
[ "$exit_status" -eq 0 ] || fail "an outcome should end the game with status 0, got $exit_status"
echo "Paused 30 s; the Earth fell $played s after the game went on."
echo "PASS"
