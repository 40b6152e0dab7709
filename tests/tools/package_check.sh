#!/usr/bin/env bash
# The Debian package is complete and clean: tools/package.sh builds it from this build folder and
# names it on its last line; it holds the program, the data without the font, the menu entry, the
# icons, the AppStream metadata, the manual page and the documentation; its dependencies are
# runtime packages only; the menu entry and the metadata it ships pass their validators, the program
# is stripped, and lintian reports no error.
# Usage: package_check.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/velmora-package.XXXXXX)
trap 'rm -rf "$work"' EXIT

failures=0
check()
{
    local what=$1
    shift
    if "$@" >"$work/out" 2>&1; then
        echo "ok: $what"
    else
        echo "FAIL: $what"
        sed 's/^/    /' "$work/out"
        failures=$((failures + 1))
    fi
}

"$root/tools/package.sh" "$build" >"$work/package.log" 2>&1 || {
    echo "FAIL: tools/package.sh failed:"
    tail -n 20 "$work/package.log"
    exit 1
}
package=$(tail -n 1 "$work/package.log")
[ -f "$package" ] || { echo "FAIL: the last line of tools/package.sh is no file: $package"; exit 1; }
echo "package: $package"

dpkg-deb -c "$package" | awk '{ print $6 }' | sed 's|^\./|/|' >"$work/files"
expect_file()
{
    grep -qx "$1" "$work/files"
}
for file in \
    /usr/games/velmora \
    /usr/share/games/velmora/config.txt \
    /usr/share/games/velmora/Shader/VertexShader.glsl \
    /usr/share/games/velmora/Shader/fboFragmentShader.glsl \
    /usr/share/games/velmora/Texture/earth_texture.bmp \
    /usr/share/games/velmora/Models/massiveEarth.obj \
    /usr/share/games/velmora/Sound/shot.wav \
    /usr/share/applications/velmora.desktop \
    /usr/share/icons/hicolor/256x256/apps/velmora.png \
    /usr/share/metainfo/org.velmora.velmora.metainfo.xml \
    /usr/share/man/man6/velmora.6.gz \
    /usr/share/doc/velmora/copyright \
    /usr/share/doc/velmora/changelog.gz; do
    check "ships $file" expect_file "$file"
done
check "ships no font (fonts-dejavu-core provides it)" bash -c "! grep -q -i -E 'Font/|\\.ttf\$' '$work/files'"

dpkg-deb -f "$package" Depends >"$work/depends"
check "depends on fonts-dejavu-core" grep -q -E '(^|, )fonts-dejavu-core(,|$)' "$work/depends"
check "depends on the libraries the binary links (dpkg-shlibdeps)" grep -q -E '(^|, )libglfw3 ' "$work/depends"
# The package names alone, without versions or architectures.
tr ',|' '\n\n' <"$work/depends" | sed -E 's/\(.*//; s/[[:space:]]//g; s/:.*//' >"$work/depends.names"
check "depends on no -dev package and no compiler" bash -c \
    "! grep -x -E -- '.*-dev|(g\\+\\+|gcc|cpp|clang)(-[0-9]+)?' '$work/depends.names'"
check "has a version, a maintainer and a description" bash -c "
    dpkg-deb -f '$package' Version | grep -q -E '^[0-9]+\\.[0-9]+' &&
    dpkg-deb -f '$package' Maintainer | grep -q -E '^.+ <[^ ]+@[^ ]+>$' &&
    [ \$(dpkg-deb -f '$package' Description | wc -l) -ge 3 ]"

dpkg-deb -x "$package" "$work/tree"
check "the menu entry is valid" desktop-file-validate "$work/tree/usr/share/applications/velmora.desktop"
check "the AppStream metadata is valid" appstreamcli validate --no-net \
    "$work/tree/usr/share/metainfo/org.velmora.velmora.metainfo.xml"
check "the metadata names the menu entry" \
    grep -q '<launchable type="desktop-id">velmora.desktop</launchable>' \
    "$work/tree/usr/share/metainfo/org.velmora.velmora.metainfo.xml"
check "the icon is a 256x256 PNG" bash -c \
    "file '$work/tree/usr/share/icons/hicolor/256x256/apps/velmora.png' | grep -q 'PNG image data, 256 x 256'"
check "the program is stripped" bash -c "file '$work/tree/usr/games/velmora' | grep -q ', stripped'"
check "the copyright file names the MIT licence" bash -c "
    grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' '$work/tree/usr/share/doc/velmora/copyright' &&
    grep -q '^License: Expat' '$work/tree/usr/share/doc/velmora/copyright' &&
    grep -q 'MIT' '$work/tree/usr/share/doc/velmora/copyright'"
check "the change log is gzip'd without a time stamp" bash -c "
    gzip -t '$work/tree/usr/share/doc/velmora/changelog.gz' &&
    [ \"\$(od -A n -t u4 -j 4 -N 4 '$work/tree/usr/share/doc/velmora/changelog.gz' | tr -d ' ')\" = 0 ]"

# lintian says which tags it found; only errors fail, and so does lintian failing to run.
lintian_status=0
lintian --fail-on error "$package" >"$work/lintian" 2>&1 || lintian_status=$?
grep -v -E '^running with root privileges' "$work/lintian" | sed 's/^/    lintian: /' || true
check "lintian ran and reports no error" bash -c "[ $lintian_status -eq 0 ] && ! grep -q '^E: ' '$work/lintian'"

[ "$failures" -eq 0 ] || exit 1
echo "PASS"
