#!/bin/sh
# Builds the 32-bit Windows release of the intro: dist/wavelength-win32.zip.
#
#   tools/windows/build.sh [BUILD_FOLDER]     (default: build-win)
#
# From a fresh Debian machine: installs the MinGW-w64 cross compiler, fetches Debian's
# source packages of libmikmod, SDL 1.2.15 and SDL_mixer 1.2.12, cross-builds them as DLLs
# into BUILD_FOLDER/stack (kept and reused on later runs), then cross-builds intro.exe
# against them and packs intro.exe, the DLLs it imports, res/ and README.txt.
set -eu
cd "$(dirname "$0")/../.."
root=$(pwd)
out=${1:-build-win}
mkdir -p "$out"
out=$(cd "$out" && pwd)
stack=$out/stack
host=i686-w64-mingw32
jobs=2

say() { echo "windows: $*" >&2; }

as_root=""
[ "$(id -u)" -eq 0 ] || as_root="sudo"

# apt may be busy with another install for a while.
apt_retry() {
    n=0
    until $as_root env DEBIAN_FRONTEND=noninteractive apt-get "$@"; do
        n=$((n + 1))
        [ $n -lt 20 ] || return 1
        say "apt-get busy, retrying in 10 s"
        sleep 10
    done
}

install_missing() {
    missing=""
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    say "installing:$missing"
    apt_retry update -qq
    apt_retry install -y -qq --no-install-recommends $missing >/dev/null
}

install_missing g++-mingw-w64-i686 mingw-w64-i686-dev binutils-mingw-w64-i686 dpkg-dev \
    cmake make pkg-config g++ zip icoutils

# ---- The SDL stack, built once -------------------------------------------------------
# The stamp names what went into the stack; a stack built from anything else is rebuilt.
stack_recipe="libmikmod=3.3.11.1 libsdl1.2=1.2.15+dfsg2 sdl-mixer1.2=1.2.12 recipe=2"

build_stack() {
    src=$out/stack-src
    rm -rf "$stack" "$src"
    mkdir -p "$src" "$stack"

    # apt-get source needs deb-src entries; Debian's deb822 sources list them in Types:.
    if ! grep -qs '^Types:.*deb-src' /etc/apt/sources.list.d/*.sources &&
        ! grep -qs '^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/*.list; then
        say "adding deb-src to the Types: lines of /etc/apt/sources.list.d/*.sources"
        for f in /etc/apt/sources.list.d/*.sources; do
            $as_root sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"
        done
        apt_retry update -qq
    fi
    (cd "$src" && apt-get source -qq libmikmod libsdl1.2 sdl-mixer1.2 >/dev/null 2>&1) ||
        (apt_retry update -qq && cd "$src" && apt-get source -qq libmikmod libsdl1.2 sdl-mixer1.2 >/dev/null)

    mikmod_src=$(ls -d "$src"/libmikmod-3.3.11.1)
    sdl_src=$(ls -d "$src"/libsdl1.2-1.2.15*/)
    mixer_src=$(ls -d "$src"/sdl-mixer1.2-1.2.12)

    # Two Debian patches suit a Linux system's own libraries but break a cross build, so
    # they are taken back out:
    # - dont_propagate_lpthread.diff cuts sdl-config/sdl.pc's --libs down to -lSDL, which on
    #   Windows drops -lmingw32 -lSDLmain -mwindows that every SDL program there needs;
    # - multiarch-libmikmod-config.patch drops -L<libdir> from libmikmod-config --libs, so
    #   SDL_mixer's configure would look for libmikmod in the compiler's own folders.
    say "reverting Debian's dont_propagate_lpthread.diff (sdl-config/sdl.pc lose the Windows link flags)"
    (cd "$sdl_src" && patch -R -p1 -s <debian/patches/dont_propagate_lpthread.diff)
    say "reverting Debian's multiarch-libmikmod-config.patch (libmikmod-config loses -L<libdir>)"
    (cd "$mikmod_src" && patch -R -p1 -s <debian/patches/multiarch-libmikmod-config.patch)

    export PKG_CONFIG_LIBDIR="$stack/lib/pkgconfig"
    export PATH="$stack/bin:$PATH"
    # Given with the compiler so libtool cannot drop it: the DLLs then need no libgcc DLL.
    export CC="$host-gcc -static-libgcc"
    common="--host=$host --prefix=$stack --disable-static --enable-shared"

    say "libmikmod: only its software mixer; SDL_mixer plays through SDL's audio"
    (cd "$mikmod_src" && ./configure $common --disable-doc --disable-dl --disable-win --disable-ds \
        --disable-xaudio2 --disable-openal --disable-sdl --disable-aiff --disable-wav \
        --disable-raw --disable-stdout --disable-pipe --disable-simd >"$src/mikmod.log" 2>&1 &&
        make -j$jobs >>"$src/mikmod.log" 2>&1 && make install >>"$src/mikmod.log" 2>&1) ||
        { tail -30 "$src/mikmod.log"; exit 1; }

    # SDL 1.2.15 on Windows writes stdout.txt/stderr.txt next to the program unless told
    # not to; the intro writes no files, its messages go where intro's own code sends them.
    say "SDL 1.2.15: Windows video and sound, no stdio redirection"
    (cd "$sdl_src" && ./configure $common --disable-stdio-redirect --disable-nasm \
        --disable-video-opengl --disable-cdrom >"$src/sdl.log" 2>&1 &&
        make -j$jobs >>"$src/sdl.log" 2>&1 && make install >>"$src/sdl.log" 2>&1) ||
        { tail -30 "$src/sdl.log"; exit 1; }

    # Only the library: libtool puts libSDLmain.a before -lmingw32 when it links the
    # example players, which then find no WinMain.
    say "SDL_mixer 1.2.12: WAVE and XM/MOD through libmikmod, linked, not loaded at run time"
    (cd "$mixer_src" && ./configure $common --with-sdl-prefix="$stack" --disable-sdltest \
        --enable-music-mod --disable-music-mod-shared --disable-music-mod-modplug \
        --disable-music-midi --disable-music-ogg --disable-music-flac --disable-music-mp3 \
        --disable-music-cmd --disable-smpegtest \
        LIBMIKMOD_CONFIG="$stack/bin/libmikmod-config" >"$src/mixer.log" 2>&1 &&
        make -j$jobs build/libSDL_mixer.la >>"$src/mixer.log" 2>&1 &&
        make install-hdrs install-lib >>"$src/mixer.log" 2>&1) ||
        { tail -30 "$src/mixer.log"; exit 1; }

    # The licences travel with the DLLs.
    mkdir -p "$stack/licences"
    cp "$mikmod_src/COPYING.LESSER" "$stack/licences/libmikmod.txt" 2>/dev/null ||
        cp "$mikmod_src/COPYING.LIB" "$stack/licences/libmikmod.txt"
    cp "$sdl_src/COPYING" "$stack/licences/SDL.txt"
    cp "$mixer_src/COPYING" "$stack/licences/SDL_mixer.txt"
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
[ "${WINDOWS_STACK_ONLY:-}" = 1 ] && exit 0

# ---- intro.exe -----------------------------------------------------------------------
# The scroll font table is generated at build time by a program for this machine.
host_tools=$out/host
mkdir -p "$host_tools"
if [ ! -x "$host_tools/make_scroll_font" ] ||
    [ src/font/make_scroll_font.cpp -nt "$host_tools/make_scroll_font" ]; then
    g++ -std=c++17 -O2 -o "$host_tools/make_scroll_font" src/font/make_scroll_font.cpp
fi

export PKG_CONFIG_LIBDIR="$stack/lib/pkgconfig"
unset PKG_CONFIG_PATH
cmake -S . -B "$out/intro" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/tools/windows/i686-w64-mingw32.cmake" \
    -DINTRO_HOST_MAKE_SCROLL_FONT="$host_tools/make_scroll_font" \
    -DBUILD_TESTING=OFF -DINTRO_BENCHMARKS=OFF >"$out/intro-cmake.log" ||
    { cat "$out/intro-cmake.log"; exit 1; }
cmake --build "$out/intro" -j$jobs --target intro
exe=$out/intro/intro.exe

# ---- Checks on what is shipped ------------------------------------------------------
dump=$(i686-w64-mingw32-objdump -p "$exe")
echo "$dump" | grep -q 'Subsystem.*0002' || { say "intro.exe is not a GUI program"; exit 1; }
# The icon group A (resource type 14) with its nine images (type 3).
wrestool -l --type=14 --name=A "$exe" | grep -q group_icon || { say "intro.exe has no icon group A"; exit 1; }
say "intro.exe carries icon group A and $(wrestool -l --type=3 "$exe" | wc -l) icon images"

# The DLLs intro.exe imports that are not part of Windows, and theirs in turn.
imports() { i686-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'; }
dlls=""
queue=$exe
while [ -n "$queue" ]; do
    next=""
    for f in $queue; do
        for d in $(imports "$f"); do
            [ -f "$stack/bin/$d" ] || continue
            case " $dlls " in *" $d "*) continue ;; esac
            dlls="$dlls $d"
            next="$next $stack/bin/$d"
        done
    done
    queue=$next
done
say "intro.exe needs:$dlls"
for f in $exe $(for d in $dlls; do echo "$stack/bin/$d"; done); do
    for d in $(imports "$f"); do
        case "$d" in libgcc* | libstdc++* | libwinpthread*)
            say "$(basename "$f") imports the compiler runtime $d"; exit 1 ;;
        esac
    done
done

# ---- The zip -------------------------------------------------------------------------
pack=$out/pack/wavelength-win32
rm -rf "$out/pack"
mkdir -p "$pack/res"
i686-w64-mingw32-strip -o "$pack/intro.exe" "$exe"
for d in $dlls; do
    i686-w64-mingw32-strip -o "$pack/$d" "$stack/bin/$d"
done
cp res/*.dat res/theme.xm "$pack/res/"
{
    sed 's/$/\r/' tools/windows/README.txt
    for l in SDL SDL_mixer libmikmod; do
        printf '\r\n\r\n======== Licence of %s ========\r\n\r\n' "$l"
        sed 's/$/\r/' "$stack/licences/$l.txt"
    done
} >"$pack/README.txt"
mkdir -p dist
rm -f dist/wavelength-win32.zip
(cd "$out/pack" && zip -q -r -X "$root/dist/wavelength-win32.zip" wavelength-win32)
say "dist/wavelength-win32.zip: $(stat -c %s dist/wavelength-win32.zip) bytes"
