#!/usr/bin/env bash
# Builds Velmora and runs every benchmark on a virtual display: the physics step of the full
# level, the post-processing pipeline against its pass-through floor, the heads-up display's text
# and rectangles, whole game frames (with the display, pause, sound and aimed shots played through
# the real window), the main thread's share of sound, how quickly a new game starts, and what the player's settings
# and screenshots cost.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"

build="$root/build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target physics_step post_bench text_bench frame_bench sound_bench restart_bench player_files_bench

echo "== physics step, full level"
"$build/bench/physics_step"
echo
echo "== post-processing against its floor, 1280x720"
xvfb-run -a -s "-screen 0 1280x720x24" "$build/bench/post_bench" </dev/null | grep -v -E "^(Compiling shader|Linking program)"
echo
echo "== heads-up display text and rectangles over the window, 1280x720"
xvfb-run -a -s "-screen 0 1280x720x24" "$build/bench/text_bench" </dev/null
echo
echo "== whole game frames, 1280x720"
# The game's sound mixes into a file here, as it would into a device: OpenAL Soft's wave writer.
sound_dir=$(mktemp -d)
trap 'rm -rf "$sound_dir"' EXIT
printf '[general]\ndrivers=wave\n[wave]\nfile=%s/mix.wav\n' "$sound_dir" >"$sound_dir/alsoft.conf"
ALSOFT_CONF="$sound_dir/alsoft.conf" xvfb-run -a -s "-screen 0 1280x720x24" "$build/bench/frame_bench" </dev/null |
    grep -v -E "^(Compiling shader|Linking program|GAME OVER|CONGRATULATIONS|Frametime:|Pause: |Sound: )"
echo
echo "== sound on the main thread, 60 frames a second for 10 s"
"$build/bench/sound_bench" 10
echo
echo "== playing again: a new game to its first frame, 50 in a row, 1280x720"
XDG_DATA_HOME="$sound_dir" xvfb-run -a -s "-screen 0 1280x720x24" "$build/bench/restart_bench" 50 </dev/null |
    grep -v -E "^(Compiling shader|Linking program|New game|GAME OVER|CONGRATULATIONS|Sound: )"
echo
echo "== the player's files: settings and bindings at start-up, the screenshot's capture call, 1280x720"
xvfb-run -a -s "-screen 0 1280x720x24" "$build/bench/player_files_bench" 30 </dev/null |
    grep -v -E "^(Compiling shader|Linking program|Sound: |Screenshot: )"
