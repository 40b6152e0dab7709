#!/usr/bin/env bash
# Play again: left alone the game is lost; R within the three seconds after it starts a new game from
# the same field, its count back where the first began; lost again without R, the game ends with
# status 0. Both games are in the player's records.
source "$(dirname "$0")/common.sh"

# The count and the clock in the top-left corner of a grab, as a picture of their own.
corner()
{
    convert "$work/$1.ppm" -crop 160x45+0+0 +repage "$work/$1-corner.ppm"
}

make_game_folder "640\n360\nfalse\n"
start_game
wait_for_window
wait_for_picture
# Between the first frame's removals (asteroids placed on the Sun) and the first touches of
# neighbours (about 3 s in), the count stands still.
sleep 0.5
grab first
corner first

wait_for_output "$outcome_pattern" 120
press r
wait_for_output "^New game$" 5
sleep 0.5
grab second
corner second
differing=$(compare -metric AE "$work/first-corner.ppm" "$work/second-corner.ppm" null: 2>&1 || true)
[ "$differing" = "0" ] || fail "the new game's count and clock differ from the first game's start in $differing pixels"

wait_for_count "$outcome_pattern" 2 120
wait_for_exit 10
[ "$exit_status" -eq 0 ] || fail "the second outcome should end the game with status 0, got $exit_status"
[ "$(count_lines '^New game$')" -eq 1 ] || fail "exactly one new game expected"
tail -n 1 "$work/stdout" | grep -q -E "$outcome_pattern" || fail "the outcome must be the last line"

records="$XDG_DATA_HOME/velmora/records.txt"
grep -qx "games = 2" "$records" || fail "both games belong in the records: $(cat "$records" 2>&1)"
echo "PASS"
