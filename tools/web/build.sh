#!/bin/sh
# Builds the intro's web page: dist/wavelength-web.zip and the same files unzipped in
# dist/wavelength-web/.
#
#   tools/web/build.sh [BUILD_FOLDER]     (default: build-web)
#
# From a fresh Debian machine: installs Debian's emscripten, fetches Debian's source packages
# of SDL2 2.26.5, SDL_mixer 1.2.12 and libmikmod 3.3.11.1 and the sdl12-compat 1.2.76 release
# source (tools/sources/sdl12-compat.sh), applies our patches (tools/web/patches/), builds
# them as static WebAssembly libraries into BUILD_FOLDER/stack (kept and reused on later
# runs), then builds the intro with the project's CMake through emcmake and packs the page.
set -eu
cd "$(dirname "$0")/../.."
root=$(pwd)
out=${1:-build-web}
mkdir -p "$out"
out=$(cd "$out" && pwd)
stack=$out/stack
jobs=2

say() { echo "web: $*" >&2; }

. tools/apt.sh
. tools/reproducible.sh

tools/install-deps.sh emscripten dpkg-dev cmake make pkg-config g++ zip curl ca-certificates

# emscripten's JavaScript tools need Debian's node modules (acorn, ...), which a node not
# installed by Debian does not look for.
export NODE_PATH=/usr/share/nodejs

# ---- The SDL stack, built once -------------------------------------------------------
# The stamp names what went into the stack; a stack built from anything else is rebuilt.
patches=$(cat tools/web/patches/*.patch | sha256sum | cut -c1-16)
stack_recipe="libsdl2=2.26.5+dfsg-1 sdl12-compat=1.2.76 sdl-mixer1.2=1.2.12-17 libmikmod=3.3.11.1-7 patches=$patches recipe=1"

apply_patch() { # TREE PATCH
    say "patching $(basename "$1") with $(basename "$2")"
    (cd "$1" && patch -p1 -s <"$root/tools/web/patches/$2")
}

build_stack() {
    src=$out/stack-src
    rm -rf "$stack" "$src"
    mkdir -p "$src" "$stack/lib/pkgconfig" "$stack/include" "$stack/sources"

    packages="libsdl2=2.26.5+dfsg-1 sdl-mixer1.2=1.2.12-17 libmikmod=3.3.11.1-7"
    debian_sources "$src" $packages
    # The source packages as Debian ships them, for the sources zip beside the page.
    cp "$src"/*.dsc "$src"/*.orig.tar.* "$src"/*.debian.tar.* "$stack/sources/"
    # Taken from INTRO_SOURCES (by default ../shared/sources beside this clone) or upstream.
    export INTRO_SOURCES="${INTRO_SOURCES:-$root/../shared/sources}"
    compat_src=$(tools/sources/sdl12-compat.sh "$src")
    archive=$INTRO_SOURCES/sdl12-compat-release-1.2.76.tar.gz
    [ -f "$archive" ] || archive=$src/sdl12-compat-release-1.2.76.tar.gz
    cp "$archive" "$stack/sources/"

    sdl2_src=$(ls -d "$src"/libsdl2-2.26.5*/)
    mixer_src=$src/sdl-mixer1.2-1.2.12
    mikmod_src=$src/libmikmod-3.3.11.1
    apply_patch "$sdl2_src" sdl2-prefixed-thread-names.patch
    apply_patch "$sdl2_src" sdl2-exact-rgb565-expansion.patch
    apply_patch "$compat_src" sdl12-compat-static-sdl2.patch
    apply_patch "$mikmod_src" libmikmod-wasm32-64-bit-mixing.patch

    # SDL2 with every public name prefixed SDL2_, so that sdl12-compat's SDL 1.2 names
    # (SDL_Init, SDL_CreateThread, ...) and SDL2's can live in one program.
    prefix_header=$stack/include/sdl2_prefixed_names.h
    sed -n 's/^SDL_DYNAPI_PROC([^,]*,SDL_\([A-Za-z0-9_]*\),.*/#define SDL_\1 SDL2_\1/p' \
        "$sdl2_src/src/dynapi/SDL_dynapi_procs.h" >"$prefix_header"
    say "SDL2 2.26.5: its browser video, audio and input, the software renderer, $(wc -l <"$prefix_header") names prefixed"
    # configure links each of its test programs, which emcc optimises for long at -O2: the
    # optimisation is given to make only.
    mkdir -p "$src/sdl2-build"
    (cd "$src/sdl2-build" && emconfigure "$sdl2_src/configure" --host=wasm32-unknown-emscripten \
        --prefix="$stack" --disable-shared --enable-static --disable-pthreads --disable-assembly \
        --disable-haptic --disable-sensor --disable-hidapi --disable-joystick-virtual \
        --disable-video-opengl --disable-video-opengles --disable-video-vulkan \
        CFLAGS="-include $prefix_header" >"$src/sdl2.log" 2>&1 &&
        emmake make -j$jobs CFLAGS="-O2 -include $prefix_header" >>"$src/sdl2.log" 2>&1 &&
        make install >>"$src/sdl2.log" 2>&1) ||
        { tail -30 "$src/sdl2.log"; exit 1; }

    # sdl12-compat is one C file; it is built against SDL2's headers, and the intro and
    # SDL_mixer against its SDL 1.2 headers.
    say "sdl12-compat 1.2.76: the SDL 1.2 API on the SDL2 linked beside it"
    emcc -O2 -c "$compat_src/src/SDL12_compat.c" -I"$stack/include/SDL2" \
        -o "$src/SDL12_compat.o" >"$src/compat.log" 2>&1 || { tail -30 "$src/compat.log"; exit 1; }
    emar rcs "$stack/lib/libSDL.a" "$src/SDL12_compat.o"
    mkdir -p "$stack/include/SDL"
    cp "$compat_src"/include/SDL/*.h "$stack/include/SDL/"
    cat >"$stack/lib/pkgconfig/sdl.pc" <<EOF
prefix=$stack
Name: sdl
Description: sdl12-compat 1.2.76 on SDL2 2.26.5, for the browser
Version: 1.2.76
Cflags: -I\${prefix}/include/SDL -D_GNU_SOURCE=1
Libs: -L\${prefix}/lib -lSDL -lSDL2
EOF

    # libmikmod's configure is older than emscripten; to it the build is a 32-bit Linux one.
    say "libmikmod 3.3.11.1: only its software mixer"
    (cd "$mikmod_src" && emconfigure ./configure --host=i686-pc-linux-gnu --prefix="$stack" \
        --disable-shared --enable-static --disable-doc --disable-dl --disable-threads \
        --disable-alsa --disable-pulseaudio --disable-esd --disable-nas --disable-oss \
        --disable-sdl --disable-openal --disable-aiff --disable-wav --disable-raw \
        --disable-stdout --disable-pipe --disable-simd CFLAGS=-O2 >"$src/mikmod.log" 2>&1 &&
        emmake make -j$jobs >>"$src/mikmod.log" 2>&1 && make install >>"$src/mikmod.log" 2>&1) ||
        { tail -30 "$src/mikmod.log"; exit 1; }

    # SDL_mixer: its WAVE and XM/MOD players, libmikmod linked in; the same files its
    # configure picks for --enable-music-mod --disable-music-mod-shared and no other format.
    say "SDL_mixer 1.2.12: WAVE and XM/MOD through libmikmod"
    mkdir -p "$src/mixer-build"
    for f in mixer music music_mod dynamic_mod load_aiff load_voc wavestream effects_internal \
        effect_position effect_stereoreverse; do
        emcc -O2 -DWAV_MUSIC -DMOD_MUSIC -I"$stack/include/SDL" -I"$stack/include" \
            -c "$mixer_src/$f.c" -o "$src/mixer-build/$f.o" >>"$src/mixer.log" 2>&1 ||
            { tail -30 "$src/mixer.log"; exit 1; }
    done
    emar rcs "$stack/lib/libSDL_mixer.a" "$src"/mixer-build/*.o
    cp "$mixer_src/SDL_mixer.h" "$stack/include/SDL/"
    cat >"$stack/lib/pkgconfig/SDL_mixer.pc" <<EOF
prefix=$stack
Name: SDL_mixer
Description: SDL_mixer 1.2.12 with libmikmod 3.3.11.1, for the browser
Version: 1.2.12
Requires: sdl
Cflags: -I\${prefix}/include/SDL
Libs: -L\${prefix}/lib -lSDL_mixer -lmikmod
EOF

    # The licences travel with the page.
    mkdir -p "$stack/licences"
    cp "$sdl2_src/LICENSE.txt" "$stack/licences/SDL2.txt"
    cp "$compat_src/LICENSE.txt" "$stack/licences/sdl12-compat.txt"
    cp "$mixer_src/COPYING" "$stack/licences/SDL_mixer.txt"
    cp "$mikmod_src/COPYING.LIB" "$stack/licences/libmikmod.txt"
    echo "$stack_recipe" >"$stack/.built"
    rm -rf "$src"
}

if [ "$(cat "$stack/.built" 2>/dev/null)" = "$stack_recipe" ]; then
    say "reusing the SDL stack in $stack"
else
    start=$(date +%s)
    build_stack
    say "SDL stack built in $(($(date +%s) - start)) s"
fi

# ---- The intro -------------------------------------------------------------------------
# The scroll font table is generated at build time by a program for this machine.
host_tools=$out/host
mkdir -p "$host_tools"
if [ ! -x "$host_tools/make_scroll_font" ] ||
    [ src/font/make_scroll_font.cpp -nt "$host_tools/make_scroll_font" ]; then
    g++ -std=c++17 -O2 -o "$host_tools/make_scroll_font" src/font/make_scroll_font.cpp
fi

# pkg-config finds the stack's libraries, never this machine's own; its -L folders lie
# outside emscripten's own, where CMake would otherwise look for libraries only.
export PKG_CONFIG_LIBDIR="$stack/lib/pkgconfig"
unset PKG_CONFIG_PATH
emcmake cmake -S . -B "$out/intro" -DCMAKE_BUILD_TYPE=Release \
    -DINTRO_HOST_MAKE_SCROLL_FONT="$host_tools/make_scroll_font" \
    -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=BOTH \
    -DBUILD_TESTING=OFF -DINTRO_BENCHMARKS=OFF >"$out/intro-cmake.log" 2>&1 ||
    { cat "$out/intro-cmake.log"; exit 1; }
cmake --build "$out/intro" -j$jobs --target intro

# ---- The page and the zips -------------------------------------------------------------
version=$(head -n 1 VERSION)
# Every time stamp in the zips is the release's date.
SOURCE_DATE_EPOCH=$(release_epoch)
export SOURCE_DATE_EPOCH
pack=$out/pack/wavelength-web
rm -rf "$out/pack"
mkdir -p "$pack/res"
cp "$out/intro/intro.js" "$out/intro/intro.wasm" tools/web/page.js tools/web/page.css \
    tools/web/still.png "$pack/"
sed "s/@VERSION@/$version/" tools/web/index.html >"$pack/index.html"
cp res/intro.ico "$pack/favicon.ico"
cp res/*.dat res/theme.xm "$pack/res/"
{
    sed "s/@VERSION@/$version/" tools/web/README.txt
    printf '\n\n======== Licence of WAVELENGTH ========\n\n'
    cat LICENSE
    for l in SDL2 sdl12-compat SDL_mixer libmikmod; do
        printf '\n\n======== Licence of %s ========\n\n' "$l"
        cat "$stack/licences/$l.txt"
    done
} >"$pack/README.txt"

# The libraries' sources as Debian and upstream ship them, and our patches to them.
sources=$out/pack/wavelength-web-sources
mkdir -p "$sources"
cp "$stack"/sources/* tools/web/patches/*.patch tools/web/SOURCES.txt "$sources/"
# The intro's own sources too, so that it can be relinked with changed libraries.
if git rev-parse --git-dir >/dev/null 2>&1; then
    git archive --format=tar.gz --prefix="wavelength-$version/" \
        -o "$sources/wavelength-$version.tar.gz" HEAD
else
    say "not a git checkout: the sources zip holds the libraries' sources only"
fi
zip_tree "$out/pack" wavelength-web-sources wavelength-web/wavelength-web-sources.zip

mkdir -p dist
rm -rf dist/wavelength-web dist/wavelength-web.zip
zip_tree "$out/pack" wavelength-web "$root/dist/wavelength-web.zip"
cp -r "$pack" dist/wavelength-web
say "dist/wavelength-web.zip: $(stat -c %s dist/wavelength-web.zip) bytes (intro.wasm $(stat -c %s "$pack/intro.wasm"), intro.js $(stat -c %s "$pack/intro.js"))"
