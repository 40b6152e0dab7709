#!/usr/bin/env bash
# Broken game data never stops the game: a missing or corrupt texture, model or shader gives its
# console message, the shader and model readers wait for one typed character, and the game then
# runs on and ends with status 0 on Escape.
source "$(dirname "$0")/common.sh"

# config.txt with the given contents (printf format), written fresh.
write_config()
{
    rm -f "$work/game/config.txt"
    printf "$@" >"$work/game/config.txt"
}

expect_window_size()
{
    local width=$1 height=$2 geometry
    geometry=$(xwininfo -id "$window")
    echo "$geometry" | grep -q "Width: $width\$" || fail "expected a window $width wide: $geometry"
    echo "$geometry" | grep -q "Height: $height\$" || fail "expected a window $height high: $geometry"
}

# A private game folder whose data folders hold one link per file, so single files can be removed
# or replaced without touching the real data behind the links.
make_data_folder()
{
    rm -rf "$work/game"
    mkdir -p "$work/game"
    ln -s "$game_dir/velmora" "$work/game/velmora"
    printf '640\n360\nfalse\n' >"$work/game/config.txt"
    local folder file
    for folder in Shader Font Texture Models Sound; do
        mkdir "$work/game/$folder"
        for file in "$game_dir/$folder"/*; do
            ln -s "$file" "$work/game/$folder/"
        done
    done
}

remove_data()
{
    rm -f "$work/game/$1"
}

# Replaces one data file by new contents read from standard input (the link is removed first, so
# the real file stays as it is).
replace_data()
{
    local target="$work/game/$1" contents
    contents=$(mktemp "$work/contents.XXXXXX")
    cat >"$contents"
    rm -f "$target"
    mv "$contents" "$target"
}

# Standard input is a pipe the test holds open, so the one-character waits block until we type.
# Now and then the virtual display refuses a new connection right after the previous game ended
# (GLFW cannot open the display); such a start says nothing about the data and is repeated.
start_game_with_keyboard()
{
    local attempt
    for attempt in 1 2 3; do
        rm -f "$work/keyboard" "$work/stdout" "$work/stderr"
        mkfifo "$work/keyboard"
        exec 3<>"$work/keyboard"
        (cd "$work/game" && exec ./velmora >"$work/stdout" 2>"$work/stderr" <"$work/keyboard" 3>&-) &
        game_pid=$!
        sleep 1
        if ! grep -qx "Failed to initialize GLFW" "$work/stderr"; then
            return 0
        fi
        wait "$game_pid" || true
        exec 3>&-
        echo "  (the display refused start $attempt; starting again)"
    done
    fail "the display refused three starts in a row"
}

type_one_character()
{
    printf 'x' >&3
}

wait_for_error()
{
    local pattern=$1 seconds=${2:-30}
    for _ in $(seq 1 $((seconds * 10))); do
        grep -q -F -- "$pattern" "$work/stderr" 2>/dev/null && return 0
        kill -0 "$game_pid" 2>/dev/null || fail "the game ended while waiting for '$pattern' on standard error"
        sleep 0.1
    done
    fail "no '$pattern' on standard error within $seconds s"
}

# The game is blocked in a one-character wait: it stays alive, prints nothing more, and a key
# pressed now is not acted on (the frame loop, which reads the keys, has not started).
f3_pressed=""
expect_waiting()
{
    local what=$1 before
    if [ -z "$f3_pressed" ]; then
        press F3
        f3_pressed=yes
    fi
    before=$(stat -c %s "$work/stderr")
    sleep 1
    kill -0 "$game_pid" 2>/dev/null || fail "$what: the game ended instead of waiting for a character"
    [ "$(stat -c %s "$work/stderr")" -eq "$before" ] || fail "$what: the game went on without a typed character"
    [ "$(count_lines '^Wire frame')" -eq 0 ] || fail "$what: the game ran on without a typed character"
}

# The frame loop runs: the wire-frame key is answered (a press sent while the game is still
# starting can be lost, so it is repeated), then Escape ends the game with status 0.
expect_running_then_escape()
{
    local what=$1
    wait_for_window
    f3_pressed=""
    for _ in $(seq 1 15); do
        # The missing-shader message has no line feed of its own, so the answer may share its line.
        grep -q -E "Wire frame: (on|off)$" "$work/stdout" && break
        kill -0 "$game_pid" 2>/dev/null || fail "$what: the game ended before it answered a key"
        press F3
        sleep 2
    done
    grep -q -E "Wire frame: (on|off)$" "$work/stdout" || fail "$what: the frame loop never answered F3"
    quit_with_escape "$what"
    exec 3>&-
    true
}

bmp_header_bytes()
{
    head -c 54 "$game_dir/Texture/$1"
}

echo "- textures: missing, text, truncated pixels, truncated header"
make_data_folder
remove_data Texture/earth_texture.bmp
printf 'This is a text file, not a picture.\nIt is long enough to fill a whole bitmap header.\n' | replace_data Texture/asteroid_texture.bmp
head -c 5000 "$game_dir/Texture/metal_texture.bmp" | replace_data Texture/metal_texture.bmp
bmp_header_bytes uvtemplate.bmp | head -c 30 | replace_data Texture/uvtemplate.bmp
start_game_with_keyboard
expect_running_then_escape "bad textures"
grep -qx "Not possible to open image!" "$work/stdout" || fail "missing texture: no 'Not possible to open image!'"
grep -qx "Cannot open texture Texture/earth_texture.bmp: No such file or directory" "$work/stdout" ||
    fail "missing texture: no line naming Texture/earth_texture.bmp"
grep -qx "No correct BMP file! (B,M)" "$work/stdout" || fail "text file as texture: no (B,M) message"
grep -qx "No correct BMP file! (Header size)" "$work/stdout" || fail "30-byte texture: no header-size message"
grep -q "^Truncated BMP Texture/metal_texture.bmp: " "$work/stdout" ||
    fail "texture cut short: no line naming Texture/metal_texture.bmp"
[ ! -s "$work/stderr" ] || fail "bad textures: nothing belongs on standard error"

echo "- no Font/ folder: the system's DejaVu Sans Bold stands in"
make_data_folder
rm -rf "$work/game/Font"
start_game_with_keyboard
expect_running_then_escape "no Font/"
! grep -q -i "font" "$work/stdout" || fail "no Font/: the system's font should have stood in: $(grep -i font "$work/stdout")"

echo "- models: missing, garbage, cut short"
make_data_folder
remove_data Models/sun.obj
for _ in $(seq 1 200); do printf 'garbage \001\002\377 not a model\n'; done | replace_data Models/rock.obj
head -c 60000 "$game_dir/Models/newMassiveStation.obj" | replace_data Models/newMassiveStation.obj
start_game_with_keyboard
wait_for_window
wait_for_error 'Unable to open file "Models/sun.obj".'
expect_waiting "missing model"
type_one_character
wait_for_error "Models/newMassiveStation.obj"
expect_waiting "model cut short"
type_one_character
wait_for_error "Cannot use model Models/rock.obj: "
expect_waiting "garbage model"
type_one_character
expect_running_then_escape "bad models"
[ "$(grep -o 'Models/' "$work/stderr" | wc -l)" -eq 3 ] || fail "bad models: expected one message per bad model"

echo "- shaders: syntax error, missing file"
make_data_folder
{
    cat "$game_dir/Shader/FragmentShader.glsl"
    printf 'this line is not GLSL\n'
} | replace_data Shader/FragmentShader.glsl
remove_data Shader/gaussBlurFragmentShader.glsl
start_game_with_keyboard
wait_for_window
wait_for_output "Not possible to open Shader/gaussBlurFragmentShader.glsl. Right directory\?" 30
expect_waiting "missing shader"
type_one_character
expect_running_then_escape "bad shaders"
# The driver's log follows the compile line of the broken file, before the next compile line.
log=$(sed -n '/^Compiling shader: Shader\/FragmentShader.glsl$/,/^Linking program!$/p' "$work/stdout")
echo "$log" | grep -qi "error" || fail "syntax error: no driver log after its compile line"
[ "$(count_lines '^Compiling shader: Shader/gaussBlurVertexShader.glsl')" -eq 0 ] ||
    fail "missing shader: nothing is compiled for a program whose file is missing"
echo "- config.txt: CRLF line ends"
make_data_folder
write_config '800\r\n600\r\nfalse\r\n'
start_game_with_keyboard
wait_for_window
expect_window_size 800 600
expect_running_then_escape "CRLF config"

echo "- config.txt: a 10 MB first line of blanks before the width"
make_data_folder
{
    head -c 10000000 /dev/zero | tr '\0' ' '
    printf '640\n360\nfalse\n'
} >"$work/game/config.txt"
start_game_with_keyboard
wait_for_window
expect_window_size 640 360
expect_running_then_escape "10 MB line of blanks"

echo "- config.txt: a 10 MB width of digits"
# The width saturates at the largest int; no window can be that wide, so start-up fails.
make_data_folder
{
    head -c 10000000 /dev/zero | tr '\0' '7'
    printf '\n600\nfalse\n'
} >"$work/game/config.txt"
start_game_with_keyboard
wait_for_exit 60
[ "$exit_status" -eq 255 ] || fail "10 MB width: expected status 255, got $exit_status"
grep -qx "Failed to open GLFW window!" "$work/stderr" || fail "10 MB width: no start-up message"
exec 3>&-
echo "PASS"
