#!/bin/sh
# Builds the 32-bit Windows release of the intro: dist/wavelength-win32.zip.
#
#   tools/windows/build.sh [BUILD_FOLDER]     (default: build-win)
#
# From a fresh Debian machine: installs the MinGW-w64 cross compiler, cross-builds the SDL
# stack (SDL2, sdl12-compat, SDL_mixer 1.2, libmikmod; stack.sh) as DLLs into
# BUILD_FOLDER/stack (kept and reused until its recipe changes), then cross-builds intro.exe
# against it and packs intro.exe, the DLLs it needs, res/ and README.txt.
script_name=windows
. "$(dirname "$0")/../common.sh"
out=$(build_folder "${1:-build-win}")
stack=$out/stack
host=i686-w64-mingw32

install_missing g++-mingw-w64-i686 mingw-w64-i686-dev binutils-mingw-w64-i686 dpkg-dev \
    cmake make pkg-config g++ zip icoutils

# ---- The SDL stack, built once -------------------------------------------------------
. tools/windows/stack.sh
cached_stack "$stack" build_stack $stack_recipe_files
[ "${WINDOWS_STACK_ONLY:-}" = 1 ] && exit 0

# Every time stamp in what is shipped is the release's date: the PE headers' (ld and strip
# take it from SOURCE_DATE_EPOCH) and the zip's.
SOURCE_DATE_EPOCH=$(release_epoch)
export SOURCE_DATE_EPOCH

# ---- intro.exe -----------------------------------------------------------------------
export PKG_CONFIG_LIBDIR="$stack/lib/pkgconfig"
unset PKG_CONFIG_PATH
scroll_font=$(host_scroll_font "$out/host")
cmake -S . -B "$out/intro" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/tools/windows/i686-w64-mingw32.cmake" \
    -DINTRO_HOST_MAKE_SCROLL_FONT="$scroll_font" \
    -DBUILD_TESTING=OFF -DINTRO_BENCHMARKS=OFF >"$out/intro-cmake.log" ||
    { cat "$out/intro-cmake.log"; exit 1; }
cmake --build "$out/intro" -j$jobs --target intro
exe=$out/intro/intro.exe

# ---- Checks on what is shipped ------------------------------------------------------
dump=$(i686-w64-mingw32-objdump -p "$exe")
echo "$dump" | grep -q 'Subsystem.*0002' || { say "intro.exe is not a GUI program"; exit 1; }
# The icon group A (resource type 14) with its nine images (type 3), the manifest (24).
wrestool -l --type=14 --name=A "$exe" | grep -q group_icon || { say "intro.exe has no icon group A"; exit 1; }
wrestool -x --raw --type=24 --name=1 "$exe" | grep -q '<dpiAware.*true/pm' ||
    { say "intro.exe has no manifest declaring it DPI-aware"; exit 1; }
say "intro.exe carries icon group A, $(wrestool -l --type=3 "$exe" | wc -l) icon images and a DPI-aware manifest"

# The file version in a version resource (type 16): the four numbers of its fixed part,
# which follows the signature 0xFEEF04BD.
file_version() {
    set -- $(wrestool -x --raw --type=16 "$1" | od -An -v -tx1 | tr -d '\n' | tr -s ' ' |
        sed -n 's/.* bd 04 ef fe .. .. .. .. \(.. .. .. ..\) \(.. .. .. ..\).*/\1 \2/p')
    if [ $# -eq 8 ]; then echo "$((0x$4$3)).$((0x$2$1)).$((0x$8$7)).$((0x$6$5))"; fi
}

# The DLLs intro.exe imports that are not part of Windows, and theirs in turn; and SDL2.dll,
# which SDL.dll (sdl12-compat) loads when the intro starts rather than importing it.
imports() { i686-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'; }
dlls=" SDL2.dll"
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
[ "$(echo $dlls | tr ' ' '\n' | sort | tr '\n' ' ')" = "SDL.dll SDL2.dll SDL_mixer.dll libmikmod-3.dll " ] ||
    { say "expected SDL.dll SDL2.dll SDL_mixer.dll libmikmod-3.dll"; exit 1; }
for f in $exe $(for d in $dlls; do echo "$stack/bin/$d"; done); do
    for d in $(imports "$f"); do
        case "$d" in libgcc* | libstdc++* | libwinpthread*)
            say "$(basename "$f") imports the compiler runtime $d"; exit 1 ;;
        esac
    done
done

# Every file tells its true version, in four numbers.
project_version=$(cat VERSION)
four() { echo "$1.0.0.0" | cut -d. -f1-4; }
for v in "intro.exe $exe $project_version" "SDL.dll $stack/bin/SDL.dll $sdl12_compat_version" \
    "SDL2.dll $stack/bin/SDL2.dll $sdl2_version" "SDL_mixer.dll $stack/bin/SDL_mixer.dll $sdl_mixer_version" \
    "libmikmod-3.dll $stack/bin/libmikmod-3.dll $libmikmod_version"; do
    set -- $v
    found=$(file_version "$2")
    [ "$found" = "$(four "$3")" ] || { say "$1 has file version '$found', not $(four "$3")"; exit 1; }
done
say "file versions: intro.exe $project_version, SDL.dll $sdl12_compat_version, SDL2.dll $sdl2_version," \
    "SDL_mixer.dll $sdl_mixer_version, libmikmod-3.dll $libmikmod_version"

# ---- The zip -------------------------------------------------------------------------
pack=$out/pack/wavelength-win32
rm -rf "$out/pack"
mkdir -p "$pack/res"
i686-w64-mingw32-strip -o "$pack/intro.exe" "$exe"
for d in $dlls; do
    i686-w64-mingw32-strip -o "$pack/$d" "$stack/bin/$d"
done
cp res/*.dat res/theme.xm "$pack/res/"

# The MinGW-w64 runtime's start-up code and its printf (with David Gay's gdtoa) are linked
# into intro.exe: their notices, from Debian's copyright file of the MinGW-w64 headers
# and runtime, go with it.
mingw_notices() {
    awk -v RS= '/^Files: \*\n/ || /^Files: mingw-w64-crt\/gdtoa\//' \
        /usr/share/doc/mingw-w64-common/copyright | sed 's/^ \.$//; s/^ //'
}
{
    fill_in tools/windows/README.txt
    sed 's/^/    /' "$stack/versions.txt"
    licences "$stack"
    printf '\n\n======== Notices of the MinGW-w64 runtime ========\n\n'
    mingw_notices
} | sed 's/$/\r/' >"$pack/README.txt"
mkdir -p dist
zip_tree "$out/pack" wavelength-win32 "$root/dist/wavelength-win32.zip"
say "dist/wavelength-win32.zip: $(stat -c %s dist/wavelength-win32.zip) bytes"
