#!/usr/bin/env bash
# The dependency check still catches a package dropped from the install list, wherever it is used: a
# header (libglew-dev; libxrandr-dev, whose header GLFW's native header includes), a command of a
# script (x11-apps for xwd, bc) and a command of a program the scripts run (xauth: xvfb-run calls it,
# the xvfb package only recommends it). Each drop must fail and name the package and what needs it.
# The play list is checked on its own against the game's build and the play scripts: a package the
# game or tools/play.sh needs, moved to the test list only, must fail naming the play list.
# Usage: check_deps.sh BUILD_DIR
set -euo pipefail
build=$1
root=$(cd "$(dirname "$0")/../.." && pwd)

failures=0
expect_caught()
{
    local package=$1 need=$2 list=${3:-} output status=0 options=(--without "$1")
    if [ -n "$list" ]; then
        options=(--without-from "$list" "$package")
    fi
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        echo "FAIL: $package is not installed; run tools/install-deps.sh first"
        failures=$((failures + 1))
        return 0
    fi
    output=$("$root/tools/check-deps.sh" "${options[@]}" "$build" 2>&1) || status=$?
    local line from="tools/install-deps.sh${list:+ --for $list}"
    line=$(grep "^check-deps: $package is missing from $from: needed by " <<<"$output" || true)
    if [ "$status" -ne 1 ] || ! grep -q -F "$need" <<<"$line"; then
        echo "FAIL: without $package${list:+ on the $list list} the check must fail naming it, $from and $need; it said (status $status):"
        echo "$output"
        failures=$((failures + 1))
        return 0
    fi
    echo "ok: $line"
}

expect_caught libglew-dev "header /usr/include/GL/glew.h in "
expect_caught libxrandr-dev "header /usr/include/X11/extensions/Xrandr.h in "
expect_caught x11-apps "command xwd = /usr/bin/xwd in tools/demo.sh:"
expect_caught bc "command bc = /usr/bin/bc in tests/e2e/function_keys.sh:"
expect_caught xauth "command xauth = /usr/bin/xauth in /usr/bin/xvfb-run:"
expect_caught libglew-dev "header /usr/include/GL/glew.h in " play
expect_caught libstb-dev "header /usr/include/stb/stb_image_write.h in " play
expect_caught xdotool "command xdotool = /usr/bin/xdotool in tools/demo.sh:" play
expect_caught xauth "command xauth = /usr/bin/xauth in /usr/bin/xvfb-run:" play
expect_caught cmake "command /usr/bin/cmake in " package
[ "$failures" -eq 0 ] || exit 1
echo "PASS"
