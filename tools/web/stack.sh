# The SDL stack of the web page, built from source as static WebAssembly libraries into one
# folder with Debian's emscripten: SDL2, SDL_mixer 1.2 and libmikmod from Debian's source
# packages and sdl12-compat from its release source, in the versions tools/versions.sh pins,
# with our patches (tools/web/patches/). Sourced by build.sh, which has tools/common.sh run
# build_stack STACK_FOLDER when the stack is stale; it uses build.sh's root.
#
# The stack's lib/ and include/ get what intro.wasm is linked with, licences/ the texts that
# travel with the page, and sources/ the source packages and archive as shipped, for the
# sources zip beside the page.

# The files the stack is built from, its recipe.
stack_recipe_files="$pinned_sources tools/web/stack.sh tools/web/patches/*.patch"

apply_patch() { # TREE PATCH
    say "patching $(basename "$1") with $(basename "$2")"
    (cd "$1" && patch -p1 -s <"$root/tools/web/patches/$2")
}

build_stack() {
    stack=$1
    src=$stack-src
    rm -rf "$src"
    mkdir -p "$src" "$stack/lib/pkgconfig" "$stack/include" "$stack/sources"

    debian_sources "$src" libsdl2=$sdl2_debian sdl-mixer1.2=$sdl_mixer_debian libmikmod=$libmikmod_debian
    # The source packages as Debian ships them, for the sources zip beside the page.
    cp "$src"/*.dsc "$src"/*.orig.tar.* "$src"/*.debian.tar.* "$stack/sources/"
    # Taken from INTRO_SOURCES (by default ../shared/sources beside this clone) or upstream.
    export INTRO_SOURCES="${INTRO_SOURCES:-$root/../shared/sources}"
    compat_src=$(tools/sources/sdl12-compat.sh "$src")
    cp "$src/sdl12-compat-release-$sdl12_compat_version.tar.gz" "$stack/sources/"

    sdl2_src=$src/libsdl2-${sdl2_debian%-*}
    mixer_src=$src/sdl-mixer1.2-${sdl_mixer_debian%-*}
    mikmod_src=$src/libmikmod-${libmikmod_debian%-*}
    apply_patch "$sdl2_src" sdl2-prefixed-thread-names.patch
    apply_patch "$sdl2_src" sdl2-exact-rgb565-expansion.patch
    apply_patch "$compat_src" sdl12-compat-static-sdl2.patch
    apply_patch "$mikmod_src" libmikmod-wasm32-64-bit-mixing.patch

    # SDL2 with every public name prefixed SDL2_, so that sdl12-compat's SDL 1.2 names
    # (SDL_Init, SDL_CreateThread, ...) and SDL2's can live in one program.
    prefix_header=$stack/include/sdl2_prefixed_names.h
    sed -n 's/^SDL_DYNAPI_PROC([^,]*,SDL_\([A-Za-z0-9_]*\),.*/#define SDL_\1 SDL2_\1/p' \
        "$sdl2_src/src/dynapi/SDL_dynapi_procs.h" >"$prefix_header"
    say "SDL2 $sdl2_version: its browser video, audio and input, the software renderer, $(wc -l <"$prefix_header") names prefixed"
    # configure links each of its test programs, which emcc optimises for long at -O2: the
    # optimisation is given to make only.
    mkdir -p "$src/sdl2-build"
    (cd "$src/sdl2-build" && logged "$src/sdl2.log" emconfigure "$sdl2_src/configure" \
        --host=wasm32-unknown-emscripten --prefix="$stack" --disable-shared --enable-static \
        --disable-pthreads --disable-assembly --disable-haptic --disable-sensor --disable-hidapi \
        --disable-joystick-virtual --disable-video-opengl --disable-video-opengles \
        --disable-video-vulkan CFLAGS="-include $prefix_header" &&
        logged "$src/sdl2.log" emmake make -j$jobs CFLAGS="-O2 -include $prefix_header" &&
        logged "$src/sdl2.log" make install)

    # sdl12-compat is one C file; it is built against SDL2's headers, and the intro and
    # SDL_mixer against its SDL 1.2 headers.
    say "sdl12-compat $sdl12_compat_version: the SDL 1.2 API on the SDL2 linked beside it"
    logged "$src/compat.log" emcc -O2 -c "$compat_src/src/SDL12_compat.c" -I"$stack/include/SDL2" \
        -o "$src/SDL12_compat.o"
    emar rcs "$stack/lib/libSDL.a" "$src/SDL12_compat.o"
    mkdir -p "$stack/include/SDL"
    cp "$compat_src"/include/SDL/*.h "$stack/include/SDL/"
    cat >"$stack/lib/pkgconfig/sdl.pc" <<EOF
prefix=$stack
Name: sdl
Description: sdl12-compat $sdl12_compat_version on SDL2 $sdl2_version, for the browser
Version: $sdl12_compat_version
Cflags: -I\${prefix}/include/SDL -D_GNU_SOURCE=1
Libs: -L\${prefix}/lib -lSDL -lSDL2
EOF

    # libmikmod's configure is older than emscripten; to it the build is a 32-bit Linux one.
    say "libmikmod $libmikmod_version: only its software mixer"
    (cd "$mikmod_src" && logged "$src/mikmod.log" emconfigure ./configure --host=i686-pc-linux-gnu \
        --prefix="$stack" --disable-shared --enable-static --disable-doc --disable-dl \
        --disable-threads --disable-alsa --disable-pulseaudio --disable-esd --disable-nas \
        --disable-oss --disable-sdl --disable-openal --disable-aiff --disable-wav --disable-raw \
        --disable-stdout --disable-pipe --disable-simd CFLAGS=-O2 &&
        logged "$src/mikmod.log" emmake make -j$jobs && logged "$src/mikmod.log" make install)

    # SDL_mixer: its WAVE and XM/MOD players, libmikmod linked in; the same files its
    # configure picks for --enable-music-mod --disable-music-mod-shared and no other format.
    say "SDL_mixer $sdl_mixer_version: WAVE and XM/MOD through libmikmod"
    mkdir -p "$src/mixer-build"
    for f in mixer music music_mod dynamic_mod load_aiff load_voc wavestream effects_internal \
        effect_position effect_stereoreverse; do
        logged "$src/mixer.log" emcc -O2 -DWAV_MUSIC -DMOD_MUSIC -I"$stack/include/SDL" \
            -I"$stack/include" -c "$mixer_src/$f.c" -o "$src/mixer-build/$f.o"
    done
    emar rcs "$stack/lib/libSDL_mixer.a" "$src"/mixer-build/*.o
    cp "$mixer_src/SDL_mixer.h" "$stack/include/SDL/"
    cat >"$stack/lib/pkgconfig/SDL_mixer.pc" <<EOF
prefix=$stack
Name: SDL_mixer
Description: SDL_mixer $sdl_mixer_version with libmikmod $libmikmod_version, for the browser
Version: $sdl_mixer_version
Requires: sdl
Cflags: -I\${prefix}/include/SDL
Libs: -L\${prefix}/lib -lSDL_mixer -lmikmod
EOF

    # The licences travel with the page.
    stack_licences "$stack" "$sdl2_src" "$compat_src" "$mixer_src" "$mikmod_src"
    rm -rf "$src"
}
