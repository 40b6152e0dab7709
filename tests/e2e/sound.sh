#!/usr/bin/env bash
# The game is heard: OpenAL Soft writes its mix to a file instead of a device (its wave writer,
# chosen through its own configuration), and the file is read back and measured. Space gives a shot
# within 0.2 s of the press and near silence before it; flying gives the engine hum; after M, a shot
# is silent.
source "$(dirname "$0")/common.sh"

cat >"$work/alsoft.conf" <<CONF
[general]
drivers=wave
channels=stereo
sample-type=float32
frequency=48000
hrtf=false
[wave]
file=$work/mix.wav
CONF
export ALSOFT_CONF="$work/alsoft.conf"
unset ALSOFT_DRIVERS

now() { date +%s.%N; }

make_game_folder "640\n360\nfalse\n"
start_game
wait_for_window
wait_for_picture
sleep 1

# Three shots: each must be heard within 0.2 s of its press. Now and then two spinning asteroids
# touch and vanish with a bang of their own; near silence before a shot is asked of most of them.
shots=()
for _ in 1 2 3; do
    shots+=("$(now)")
    press space
    sleep 1.3
done

# Flying backwards, away from the field.
xdotool keydown s
hum_from=$(now)
sleep 1.2
hum_to=$(now)
xdotool keyup s
sleep 0.8

press m
wait_for_output "^Sound: off$" 5
muted_at=$(now)
press space
sleep 1

# The file ends when the game closes its sound, as it exits: the writer's last write, the file's
# modification time, anchors the file's time to the clock. (The moment the process is gone comes
# later by however long the exit takes, which a sanitized build stretches.)
kill -0 "$game_pid" 2>/dev/null || fail "the game ended before Escape"
press Escape
wait_for_exit 3
ended_at=$(stat -c %.9Y "$work/mix.wav")
[ "$exit_status" -eq 0 ] || fail "Escape should end the game with status 0, got $exit_status"
grep -q -E "$outcome_pattern" "$work/stdout" && fail "the game reached an outcome during the test"
grep -q "^Sound: off (no audio device)$" "$work/stdout" && fail "the wave writer was not used"

mix="$work/mix.wav"
length=$("$sound_probe" length "$mix") || fail "no readable recording"
# Seconds into the recording for a clock time, and sums of seconds.
at() { awk -v t="$1" -v end="$ended_at" -v seconds="$length" 'BEGIN { printf "%.3f", t - (end - seconds) }'; }
plus() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a + b }'; }
below() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
echo "recording of $length s"

quiet_shots=0
for wall in "${shots[@]}"; do
    shot=$(at "$wall")
    onset=$("$sound_probe" onset "$mix" 0.05 "$(plus "$shot" -0.05)")
    read -r rms peak < <("$sound_probe" level "$mix" "$shot" "$(plus "$shot" 0.3)")
    quiet=$("$sound_probe" quietest "$mix" "$(plus "$shot" -0.5)" "$(plus "$shot" -0.05)")
    echo "shot pressed at $shot s: heard from $onset s (peak $peak), quietest before it $quiet"
    below "$(plus "$shot" -0.05)" "$(plus "$onset" 0.0001)" && below "$onset" "$(plus "$shot" 0.2)" ||
        fail "the shot pressed at $shot s is heard at $onset s, not within 0.2 s"
    below 0.1 "$peak" || fail "the shot pressed at $shot s is not heard: peak $peak"
    below "$quiet" 0.005 && quiet_shots=$((quiet_shots + 1))
done
[ "$quiet_shots" -ge 2 ] || fail "only $quiet_shots of 3 shots came out of near silence"

hum_from=$(plus "$(at "$hum_from")" 0.3)
hum_to=$(at "$hum_to")
hum=$("$sound_probe" quietest "$mix" "$hum_from" "$(plus "$hum_to" -0.1)")
crossings=$("$sound_probe" crossings "$mix" "$hum_from" "$(plus "$hum_to" -0.1)")
after=$("$sound_probe" quietest "$mix" "$(plus "$hum_to" 0.3)" "$(plus "$hum_to" 0.8)")
echo "flying: the hum never below rms $hum, $crossings crossings a second; after it $after"
below 0.02 "$hum" || fail "flying, the hum falls to rms $hum"
below "$crossings" 400 || fail "the hum is not low: $crossings crossings a second"
below "$after" 0.005 || fail "the hum goes on after the keys are let go: rms $after"

muted=$(at "$muted_at")
read -r rms peak < <("$sound_probe" level "$mix" "$(plus "$muted" 0.05)" "$(plus "$muted" 0.9)")
echo "muted at $muted s: a shot gives peak $peak"
below "$peak" 0.002 || fail "after M a shot is still heard: peak $peak"
echo "PASS"
