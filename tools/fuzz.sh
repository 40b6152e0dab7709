#!/usr/bin/env bash
# Fuzzes the three loaders that read files from the game folder: config.txt, the BMP check behind
# loadBMP and the OBJ reading behind loadMesh. Builds the libFuzzer targets with clang (ASan and
# UBSan on) in build-fuzz/, seeds them with the game's generated assets and with real files from
# Debian's test packages, and runs each for the given time.
#
#   tools/fuzz.sh [seconds-per-target]     (default 60; CI runs 60, a long run: tools/fuzz.sh 3600)
#
# Prints the executions per target; exits non-zero when any target crashed, hung or ran out of
# memory. The input that did it is kept as build-fuzz/artifacts/<target>-crash-*; replay it with
# build-fuzz/<target> <file>. Inputs that found something new are kept in build-fuzz/corpus/ and
# are reused by the next run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build="$root/build-fuzz"

CC=clang CXX=clang++ cmake -S "$root/fuzz" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

# The generated assets come from whichever game folder has been built; without one they are made.
assets=""
for candidate in "$root/build/game" "$root/build-asan/game" "$root/build-rel/game"; do
    if [ -f "$candidate/Models/newAsteroid.obj" ] && [ -f "$candidate/Texture/asteroid_texture.bmp" ]; then
        assets=$candidate
        break
    fi
done
if [ -z "$assets" ]; then
    cmake -S "$root" -B "$root/build-rel" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$root/build-rel" -j"$(nproc)" --target game_assets game_data >/dev/null
    assets="$root/build-rel/game"
fi

# Seeds are rebuilt on every run from what is installed, so nobody's files end up in git.
seeds="$build/seeds"
rm -rf "$seeds"
mkdir -p "$seeds/config" "$seeds/bmp" "$seeds/mesh"
packaged()
{
    local package=$1 pattern=$2
    if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        dpkg -L "$package" | grep -i -E "$pattern" || true
    else
        echo "fuzz: $package is not installed; its files are not used as seeds" >&2
    fi
}
# Packaged files keep their folder in the name: several packages ship a sample.bmp.
copy_seed()
{
    local file=$1 folder=$2
    [ -f "$file" ] || return 0
    cp "$file" "$folder/$(echo "$file" | tr '/' '_')"
}
for file in $(packaged assimp-testmodels '\.obj$'); do copy_seed "$file" "$seeds/mesh"; done
for file in $(packaged gdk-pixbuf-tests '\.bmp$') $(packaged libsdl2-image-tests '\.bmp$'); do
    copy_seed "$file" "$seeds/bmp"
done
cp "$assets"/Models/*.obj "$seeds/mesh/"
cp "$assets"/Texture/*.bmp "$seeds/bmp/"
cp "$assets/config.txt" "$seeds/config/game"
printf '1920\n1080\nfalse\n' >"$seeds/config/windowed"
printf '1280\r\n720\r\ntrue\r\n' >"$seeds/config/crlf"
printf '  +800px\n\t-600\nTRUE\nextra\n' >"$seeds/config/signs"
printf '99999999999999999999\n-99999999999999999999\ntrue' >"$seeds/config/huge"
printf 'wide\ntall\n' >"$seeds/config/letters"

# Large seeds are cut to these lengths; the OBJ reader costs about 20 ms a file, so mesh inputs stay
# short to keep the run fast.
declare -A max_len=([fuzz_config]=4096 [fuzz_bmp]=65536 [fuzz_mesh]=8192)
declare -A seed_dir=([fuzz_config]=config [fuzz_bmp]=bmp [fuzz_mesh]=mesh)

failed=()
mkdir -p "$build/artifacts" "$build/logs"
for target in fuzz_config fuzz_bmp fuzz_mesh; do
    corpus="$build/corpus/${seed_dir[$target]}"
    log="$build/logs/$target.log"
    mkdir -p "$corpus"
    status=0
    # -close_fd_mask=3 silences the loaders' refusal messages; sanitizer reports still appear.
    # A single input running 10 s counts as a hang.
    "$build/$target" -max_total_time="$seconds" -max_len="${max_len[$target]}" -timeout=10 \
        -close_fd_mask=3 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
        "$corpus" "$seeds/${seed_dir[$target]}" </dev/null >"$log" 2>&1 || status=$?
    runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
    if [ "$status" -ne 0 ]; then
        failed+=("$target")
        echo "$target: CRASH after $runs executions (status $status)"
        grep -E "^(SUMMARY|==[0-9]+==ERROR)|runtime error|artifact_prefix|Test unit written" "$log" | head -n 8
    else
        echo "$target: $runs executions in ${seconds} s, 0 crashes ($(ls "$corpus" | wc -l) inputs in corpus)"
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz: crashes in ${failed[*]}; full logs in $build/logs/"
    exit 1
fi
echo "fuzz: no crashes"
