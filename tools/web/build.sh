#!/bin/sh
# Builds the intro's web page: dist/wavelength-web.zip and the same files unzipped in
# dist/wavelength-web/.
#
#   tools/web/build.sh [BUILD_FOLDER]     (default: build-web)
#
# From a fresh Debian machine: installs Debian's emscripten, builds the SDL stack (SDL2,
# sdl12-compat, SDL_mixer 1.2, libmikmod; stack.sh) as static WebAssembly libraries into
# BUILD_FOLDER/stack (kept and reused until its recipe changes), then builds the intro with
# the project's CMake through emcmake and packs the page.
script_name=web
. "$(dirname "$0")/../common.sh"
out=$(build_folder "${1:-build-web}")
stack=$out/stack

tools/install-deps.sh emscripten dpkg-dev cmake make pkg-config g++ zip curl ca-certificates

# emscripten's JavaScript tools need Debian's node modules (acorn, ...), which a node not
# installed by Debian does not look for.
export NODE_PATH=/usr/share/nodejs

# ---- The SDL stack, built once -------------------------------------------------------
. tools/web/stack.sh
cached_stack "$stack" build_stack $stack_recipe_files

# ---- The intro -------------------------------------------------------------------------
# pkg-config finds the stack's libraries, never this machine's own; its -L folders lie
# outside emscripten's own, where CMake would otherwise look for libraries only.
export PKG_CONFIG_LIBDIR="$stack/lib/pkgconfig"
unset PKG_CONFIG_PATH
scroll_font=$(host_scroll_font "$out/host")
emcmake cmake -S . -B "$out/intro" -DCMAKE_BUILD_TYPE=Release \
    -DINTRO_HOST_MAKE_SCROLL_FONT="$scroll_font" \
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
fill_in tools/web/index.html >"$pack/index.html"
cp res/intro.ico "$pack/favicon.ico"
cp res/*.dat res/theme.xm "$pack/res/"
{
    fill_in tools/web/README.txt
    licences "$stack"
} >"$pack/README.txt"

# The libraries' sources as Debian and upstream ship them, and our patches to them.
sources=$out/pack/wavelength-web-sources
mkdir -p "$sources"
cp "$stack"/sources/* tools/web/patches/*.patch "$sources/"
fill_in tools/web/SOURCES.txt >"$sources/SOURCES.txt"
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
