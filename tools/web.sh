#!/usr/bin/env bash
# Builds Velmora for the browser into build-web/: a page of its own (index.html), the game as
# velmora.js and velmora.wasm, and its data in velmora.data (models, textures, sounds, the font, the
# WebGL 2 shaders and a default config.txt). It installs what it needs, builds the game's libraries
# for WebAssembly from Debian's own source packages (checking each one under node), derives the WebGL
# 2 shaders from the game's GLSL files (failing when one does not compile), and builds the game's own
# modules with Emscripten.
#
#   tools/web.sh            build the page
#   tools/web.sh --serve    build it, then serve build-web/ on 127.0.0.1:8000; the URL is the last line
#
# The libraries are fetched and built once into build-web/libs/ (about four minutes on two cores); a
# later run finds them there. Delete build-web/libs/prefix/.built/NAME to build one library again, or
# build-web/libs/ to start over.
set -euo pipefail
serve=""
case "${1:-}" in
"") ;;
--serve) serve=yes ;;
*)
    echo "web.sh: unknown argument $1 (usage: tools/web.sh [--serve])" >&2
    exit 2 ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
web="$root/build-web"
libs="$web/libs"
sources="$libs/src"
builds="$libs/build"
# What the game's web build compiles and links against: include/, lib/, lib/pkgconfig/, lib/cmake/.
prefix="$libs/prefix"
stamps="$prefix/.built"

"$root/tools/install-deps.sh" --for web

# emcc runs parts of itself under node, which needs Debian's acorn; a node that is not Debian's own
# does not look in Debian's module folder.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
# Libraries are built like the game: optimised, without assertions.
cflags="-O2 -DNDEBUG"
jobs=$(nproc)
mkdir -p "$sources" "$builds" "$prefix/include" "$prefix/lib/pkgconfig" "$stamps"

# A private apt configuration with deb-src lines for the Debian archive this machine installs from,
# so that fetching sources leaves the system's own apt lists and settings alone.
apt_config="$libs/apt/apt.conf"
prepare_apt()
{
    local apt="$libs/apt" mirror
    # The first Debian archive the system's sources name (deb822 or one-line format).
    mirror=$(grep -h -s -E '^(URIs:|deb )' /etc/apt/sources.list /etc/apt/sources.list.d/*.sources \
        /etc/apt/sources.list.d/*.list | grep -o -E 'https?://[^ ]+/debian/?( |$)' | head -n 1 | tr -d ' ')
    if [ -z "$mirror" ]; then
        echo "web.sh: no Debian archive found in /etc/apt/sources.list or /etc/apt/sources.list.d" >&2
        exit 1
    fi
    mkdir -p "$apt/state/lists/partial" "$apt/cache/archives/partial" "$apt/sources.list.d"
    : >"$apt/state/status"
    # Only the archive itself: its point releases carry the security fixes, and the security
    # archive's mirror here serves no sources.
    {
        echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror bookworm main"
        echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror bookworm-updates main"
    } >"$apt/sources.list"
    cat >"$apt_config" <<EOF
Dir::State "$apt/state";
Dir::State::status "$apt/state/status";
Dir::Cache "$apt/cache";
Dir::Etc::SourceList "$apt/sources.list";
Dir::Etc::SourceParts "$apt/sources.list.d";
APT::Sandbox::User "root";
Acquire::Languages "none";
EOF
    APT_CONFIG="$apt_config" apt-get update -qq
}

# The unpacked Debian source of a package, with Debian's patches applied; fetched on first use.
source_dir()
{
    local package=$1 dir
    dir=$(find "$sources" -maxdepth 1 -type d -name "$package-[0-9]*" | head -n 1)
    if [ -z "$dir" ]; then
        [ -f "$apt_config" ] || prepare_apt
        (cd "$sources" && APT_CONFIG="$apt_config" apt-get source -qq "$package" >/dev/null)
        # Only the unpacked tree is kept.
        rm -f "$sources/${package}_"*
        dir=$(find "$sources" -maxdepth 1 -type d -name "$package-[0-9]*" | head -n 1)
    fi
    echo "$dir"
}

# Configures, builds and installs a CMake project with Emscripten's toolchain. Only our prefix is
# searched for packages, never the machine's own (native) ones.
cmake_build()
{
    local name=$1 source=$2
    shift 2
    PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" emcmake cmake -S "$source" -B "$builds/$name" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="$cflags" -DCMAKE_CXX_FLAGS_RELEASE="$cflags" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib -DCMAKE_FIND_ROOT_PATH="$prefix" \
        -DBUILD_SHARED_LIBS=OFF "$@" >"$builds/$name.log" 2>&1 ||
        { tail -n 20 "$builds/$name.log" >&2; return 1; }
}

# Builds targets of a configured library (by default its install target), its output in its log.
cmake_make()
{
    local name=$1
    shift
    nice cmake --build "$builds/$name" -j"$jobs" --target "${@:-install}" >>"$builds/$name.log" 2>&1 ||
        { tail -n 20 "$builds/$name.log" >&2; return 1; }
}

# A pkg-config file for a library the prefix has without one of its own, so that the web build finds
# it as the desktop build finds Debian's.
pkg_config_file()
{
    local name=$1 description=$2 version=$3 libs=$4 cflags=$5 requires=${6:-}
    {
        echo "prefix=$prefix"
        echo "Name: $name"
        echo "Description: $description, built for WebAssembly"
        echo "Version: $version"
        [ -z "$requires" ] || echo "Requires: $requires"
        echo "Libs: -L\${prefix}/lib $libs"
        echo "Cflags: $cflags"
    } >"$prefix/lib/pkgconfig/$name.pc"
}

# zlib and its contrib minizip, which Assimp reads ZIP-based formats with: plain emcc, no build system.
build_zlib()
{
    local source out
    source=$(source_dir zlib)
    out="$builds/zlib"
    mkdir -p "$out" "$prefix/include/minizip"
    local zlib_files=(adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate
        inftrees trees uncompr zutil)
    printf '%s\n' "${zlib_files[@]}" | xargs -P "$jobs" -I{} \
        emcc $cflags -DHAVE_UNISTD_H -c "$source/{}.c" -o "$out/{}.o"
    rm -f "$prefix/lib/libz.a" "$prefix/lib/libminizip.a"
    local objects=() file
    for file in "${zlib_files[@]}"; do
        objects+=("$out/$file.o")
    done
    emar rcs "$prefix/lib/libz.a" "${objects[@]}"
    cp "$source/zlib.h" "$source/zconf.h" "$prefix/include/"
    for file in ioapi unzip zip; do
        emcc $cflags -DHAVE_UNISTD_H -I"$source" -c "$source/contrib/minizip/$file.c" -o "$out/minizip-$file.o"
        cp "$source/contrib/minizip/$file.h" "$prefix/include/minizip/"
    done
    emar rcs "$prefix/lib/libminizip.a" "$out"/minizip-*.o
    pkg_config_file zlib "zlib compression library" 1.2.13 -lz "-I\${prefix}/include"
    pkg_config_file minizip "ZIP reading and writing on zlib" 1.2.13 -lminizip "-I\${prefix}/include/minizip" zlib
}

# Bullet: only the three libraries the physics module links. Its headers go where Debian puts them,
# include/bullet, with a pkg-config file like Debian's, so the web build finds Bullet as the desktop
# build does.
build_bullet()
{
    local source
    source=$(source_dir bullet)
    cmake_build bullet "$source" -DBUILD_BULLET2_DEMOS=OFF -DBUILD_CPU_DEMOS=OFF -DBUILD_OPENGL3_DEMOS=OFF \
        -DBUILD_EXTRAS=OFF -DBUILD_UNIT_TESTS=OFF -DBUILD_PYBULLET=OFF -DBUILD_ENET=OFF -DBUILD_CLSOCKET=OFF \
        -DUSE_DOUBLE_PRECISION=OFF -DUSE_GRAPHICAL_BENCHMARK=OFF
    cmake_make bullet LinearMath BulletCollision BulletDynamics
    find "$builds/bullet" -name 'lib*.a' \( -name libLinearMath.a -o -name libBulletCollision.a \
        -o -name libBulletDynamics.a \) -exec cp {} "$prefix/lib/" \;
    rm -rf "$prefix/include/bullet"
    mkdir -p "$prefix/include/bullet"
    (cd "$source/src" && find LinearMath BulletCollision BulletDynamics -name '*.h' -exec cp --parents {} \
        "$prefix/include/bullet/" \; && cp btBulletCollisionCommon.h btBulletDynamicsCommon.h "$prefix/include/bullet/")
    pkg_config_file bullet "Bullet physics (collision and rigid-body dynamics)" 3.24 \
        "-lBulletDynamics -lBulletCollision -lLinearMath" "-I\${prefix}/include/bullet"
}

# FreeType without its optional compressed-font and PNG support: the game renders one TrueType font.
build_freetype()
{
    local source
    source=$(source_dir freetype)
    cmake_build freetype "$source" -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
        -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
    cmake_make freetype
}

# libsndfile without external codecs: the game's sounds are plain WAV files.
build_sndfile()
{
    local source
    source=$(source_dir libsndfile)
    cmake_build sndfile "$source" -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF \
        -DBUILD_REGTEST=OFF -DENABLE_EXTERNAL_LIBS=OFF -DENABLE_MPEG=OFF -DENABLE_CPACK=OFF \
        -DINSTALL_MANPAGES=OFF -DENABLE_PACKAGE_CONFIG=ON
    cmake_make sndfile
}

# Assimp with only the OBJ importer and no exporters. It reports a bad file by throwing inside
# ReadFile and catching it there, and Emscripten aborts on a throw unless both the library and the
# program that links it are built with -fexceptions. Debian's source uses the system's utf8cpp and
# stb headers instead of its own copies (linked into our prefix; never /usr/include itself, whose C
# library headers are not Emscripten's) and requires draco, which the OBJ importer does not need.
build_assimp()
{
    local source
    source=$(source_dir assimp)
    sed -i 's/find_package(draco *CONFIG REQUIRED)/find_package(draco CONFIG QUIET)/' \
        "$source/code/CMakeLists.txt" "$source/cmake-modules/assimp-plain-config.cmake.in"
    ln -sfn /usr/include/utf8cpp "$prefix/include/utf8cpp"
    ln -sfn /usr/include/stb "$prefix/include/stb"
    local flags="-fexceptions -I$prefix/include/utf8cpp -I$prefix/include"
    cmake_build assimp "$source" -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
        -DASSIMP_BUILD_ALL_IMPORTERS_BY_DEFAULT=OFF -DASSIMP_BUILD_OBJ_IMPORTER=ON -DASSIMP_NO_EXPORT=ON \
        -DASSIMP_BUILD_ALL_EXPORTERS_BY_DEFAULT=OFF -DASSIMP_BUILD_TESTS=OFF -DASSIMP_BUILD_ASSIMP_TOOLS=OFF \
        -DASSIMP_BUILD_SAMPLES=OFF -DASSIMP_BUILD_ZLIB=OFF -DASSIMP_WARNINGS_AS_ERRORS=OFF \
        -DASSIMP_INSTALL_PDB=OFF -DASSIMP_BUILD_DRACO=OFF -DASSIMP_DOUBLE_PRECISION=OFF
    cmake_make assimp
}

# Builds a library unless its stamp says it is there, then checks it: a small program from
# tests/web/libraries/ runs under node against what was built. The stamp is written only after the
# check passes and holds the build time in seconds.
check_library()
{
    local check=$1
    shift
    local program="$builds/checks/$check.js"
    mkdir -p "$builds/checks"
    # One file with the WebAssembly inside, reading the machine's files directly (the font).
    em++ $cflags -sSINGLE_FILE=1 -sNODERAWFS=1 -sALLOW_MEMORY_GROWTH=1 -I"$prefix/include" \
        "$root/tests/web/libraries/$check.cpp" -L"$prefix/lib" "$@" -o "$program"
    # node shows the line an uncaught exception came from: here the whole one-line program.
    (cd "$builds/checks" && node "$program" 2> >(cut -c 1-300 >&2))
}

library()
{
    local name=$1 check=$2
    shift 2
    if [ -f "$stamps/$name" ]; then
        return 0
    fi
    local started=$EPOCHREALTIME seconds
    echo "web.sh: building $name for WebAssembly"
    "build_$name"
    seconds=$(awk "BEGIN { print $EPOCHREALTIME - $started }")
    if [ -n "$check" ]; then
        check_library "$check" "$@"
    fi
    printf '%.1f\n' "$seconds" >"$stamps/$name"
    printf 'web.sh: %s built in %.1f s\n' "$name" "$seconds"
}

# GLM is headers only, the same for every target: the game's web build reads Debian's.
ln -sfn /usr/include/glm "$prefix/include/glm"
library zlib ""
library bullet bullet_check -I"$prefix/include/bullet" -lBulletDynamics -lBulletCollision -lLinearMath
library freetype freetype_check -I"$prefix/include/freetype2" -lfreetype
library sndfile sndfile_check -lsndfile
library assimp assimp_check -fexceptions -lassimp -lminizip -lz
echo "web.sh: libraries ready in $prefix ($(du -sh "$prefix" | cut -f1))"

# The game's data for the page is the desktop build's game folder (config.txt, the font, and the
# models, textures and sounds the asset generator makes), built natively here, with the shaders
# for WebGL 2 in place of the OpenGL 4.4 ones. Copies keep their times, so an unchanged file does
# not pack the data again.
host="$web/host"
data="$web/data"
echo "web.sh: the game's data"
cmake -S "$root" -B "$host" -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF \
    >"$web/host.log" 2>&1 || { tail -n 20 "$web/host.log" >&2; exit 1; }
nice cmake --build "$host" -j"$jobs" --target game_data game_assets >>"$web/host.log" 2>&1 ||
    { tail -n 20 "$web/host.log" >&2; exit 1; }
mkdir -p "$data"
cp -Rp "$host/game/config.txt" "$host/game/Font" "$host/game/Models" "$host/game/Texture" "$host/game/Sound" "$data/"

# The shaders have one source each, for OpenGL 4.4; WebGL 2 gets versions derived from them, and the
# shaders the game carries in its code are checked as the page changes them.
python3 "$root/tools/web_shaders.py" "$data/Shader" "$root"/data/Shader/*.glsl --sources "$root/src"

# The game's modules, this platform's own (src/platform/web) and the page.
echo "web.sh: the page"
game="$web/game"
emcmake cmake -S "$root" -B "$game" -DCMAKE_BUILD_TYPE=Release -DCMAKE_FIND_ROOT_PATH="$prefix" -DVELMORA_WEB_LIBS="$prefix" \
    -DVELMORA_WEB_DATA="$data" -DVELMORA_WEB_PAGE="$web" >"$web/game.log" 2>&1 ||
    { tail -n 20 "$web/game.log" >&2; exit 1; }
nice cmake --build "$game" -j"$jobs" >>"$web/game.log" 2>&1 || { grep -A5 -m 10 -E 'error|Error' "$web/game.log" >&2; exit 1; }
bytes=$(cat "$web/index.html" "$web/velmora.js" "$web/velmora.wasm" "$web/velmora.data" | wc -c)
echo "web.sh: the page is in $web: index.html, velmora.js, velmora.wasm, velmora.data ($((bytes / 1024)) KiB)"

if [ -n "$serve" ]; then
    # Python's own server, which sends .wasm as application/wasm; its log goes to a file, so the URL
    # stays the last line.
    python3 -m http.server 8000 --bind 127.0.0.1 --directory "$web" >"$web/serve.log" 2>&1 &
    server=$!
    trap 'kill $server 2>/dev/null' EXIT INT TERM
    for _ in $(seq 50); do
        if python3 -c 'import socket; socket.create_connection(("127.0.0.1", 8000), 0.2)' 2>/dev/null; then
            break
        fi
        kill -0 $server 2>/dev/null || { cat "$web/serve.log" >&2; exit 1; }
        sleep 0.1
    done
    echo "http://127.0.0.1:8000/"
    wait $server
fi
