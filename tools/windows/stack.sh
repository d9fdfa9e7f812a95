# The SDL stack of the Windows release, cross-built from source as DLLs into one folder:
# SDL2 and SDL_mixer 1.2 with libmikmod from Debian's source packages, and sdl12-compat
# (the SDL 1.2 API on SDL2, the layer the Linux build runs on too) from its release source,
# in the versions tools/versions.sh pins. Sourced by build.sh, which has tools/common.sh
# run build_stack STACK_FOLDER when the stack is stale; it uses build.sh's root and host.
#
# The sdl12-compat source comes from tools/sources/sdl12-compat.sh: from the folder named
# by INTRO_SOURCES when it holds the release archive, else downloaded from upstream.
# The stack's bin/ gets the DLLs and the tools, include/ and lib/ what intro.exe is built
# against, licences/ the texts that travel with the DLLs, and versions.txt what it is made of.

# The files the stack is built from, its recipe.
stack_recipe_files="$pinned_sources tools/windows/stack.sh tools/windows/libmikmod-version.rc
  tools/windows/i686-w64-mingw32.cmake"

build_stack() {
    stack=$1
    here=$root/tools/windows
    src=$stack-src
    rm -rf "$src"
    mkdir -p "$src"
    # The time stamps ld writes into the DLLs (PE header, export directory) are 0, whenever
    # the stack is built; strip dates the shipped copies as the release.
    SOURCE_DATE_EPOCH=0
    export SOURCE_DATE_EPOCH

    debian_sources "$src" libsdl2=$sdl2_debian sdl-mixer1.2=$sdl_mixer_debian libmikmod=$libmikmod_debian
    compat_src=$("$root/tools/sources/sdl12-compat.sh" "$src")

    sdl2_src=$src/libsdl2-${sdl2_debian%-*}
    mixer_src=$src/sdl-mixer1.2-${sdl_mixer_debian%-*}
    mikmod_src=$src/libmikmod-${libmikmod_debian%-*}

    # Debian's multiarch-libmikmod-config.patch drops -L<libdir> from libmikmod-config --libs,
    # which suits a system's own library but leaves SDL_mixer's configure looking for libmikmod
    # in the compiler's folders, so it is taken back out.
    say "reverting Debian's multiarch-libmikmod-config.patch (libmikmod-config loses -L<libdir>)"
    (cd "$mikmod_src" && patch -R -p1 -s <debian/patches/multiarch-libmikmod-config.patch)

    export PKG_CONFIG_LIBDIR="$stack/lib/pkgconfig"
    export PATH="$stack/bin:$PATH"
    # Given with the compiler so libtool cannot drop it: the DLLs then need no libgcc DLL.
    export CC="$host-gcc -static-libgcc"
    common="--host=$host --prefix=$stack --disable-static --enable-shared"

    say "SDL2 $sdl2_debian: Windows video, input and sound"
    (cd "$sdl2_src" && logged "$src/sdl2.log" ./configure $common &&
        logged "$src/sdl2.log" make -j$jobs && logged "$src/sdl2.log" make install)

    # SDLmain is the WinMain that calls main(); built as it comes it sends stdout and stderr to
    # stdout.txt and stderr.txt beside the program. The intro writes no files: its messages go
    # where the standard streams go.
    say "sdl12-compat $sdl12_compat_version: SDL 1.2's API on SDL2, SDLmain without stdio redirection"
    logged "$src/sdl12-compat.log" cmake -S "$compat_src" -B "$src/sdl12-compat-build" \
        -DCMAKE_TOOLCHAIN_FILE="$here/i686-w64-mingw32.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$stack" -DSDL2_INCLUDE_DIR="$stack/include/SDL2" \
        -DSDL12TESTS=OFF -DCMAKE_C_FLAGS="-DNO_STDIO_REDIRECT"
    logged "$src/sdl12-compat.log" cmake --build "$src/sdl12-compat-build" -j$jobs
    logged "$src/sdl12-compat.log" cmake --install "$src/sdl12-compat-build"
    # pkg-config knows the layer by its own name; programs ask for "sdl".
    cp "$stack/lib/pkgconfig/sdl12_compat.pc" "$stack/lib/pkgconfig/sdl.pc"

    # libmikmod on a 32-bit target mixes with 32-bit integers wherever they do not overflow,
    # rounding differently from the 64-bit mixers every 64-bit build uses; with
    # NATIVE_64BIT_INT it takes the 64-bit mixers alone, so the intro's music on Windows is
    # the same, sample for sample, as on Linux. Only its software mixer: SDL_mixer plays
    # through SDL's audio. Its upstream build has no version resource; ours is linked in.
    # Its high-quality mixer, which SDL_mixer uses, ends by dividing each 64-bit sum by
    # SAMPLING_FACTOR, an unsigned long: on 64-bit Linux an unsigned 64-bit division, which
    # rounds negative sums down; with Windows' 32-bit unsigned long a signed one, rounding
    # them towards zero, one step off in about a third of the samples. Made unsigned long
    # long, it divides as on Linux.
    say "libmikmod $libmikmod_debian: SAMPLING_FACTOR in playercode/virtch2.c made 1ULL, as unsigned long is on Linux"
    sed -i 's/^#define SAMPLING_FACTOR (1UL<<SAMPLING_SHIFT)$/#define SAMPLING_FACTOR (1ULL<<SAMPLING_SHIFT)/' \
        "$mikmod_src/playercode/virtch2.c"
    grep -q '^#define SAMPLING_FACTOR (1ULL<<SAMPLING_SHIFT)$' "$mikmod_src/playercode/virtch2.c" ||
        { say "libmikmod's virtch2.c has no SAMPLING_FACTOR line to change"; exit 1; }
    say "libmikmod $libmikmod_debian: the 64-bit mixers only (NATIVE_64BIT_INT), no drivers of its own"
    fill_in "$here/libmikmod-version.rc" >"$src/libmikmod-version.rc"
    $host-windres -i "$src/libmikmod-version.rc" -o "$src/libmikmod-version.o"
    (cd "$mikmod_src" && logged "$src/mikmod.log" ./configure $common CPPFLAGS="-DNATIVE_64BIT_INT" \
        --disable-doc --disable-dl --disable-win --disable-ds --disable-xaudio2 --disable-openal \
        --disable-sdl --disable-aiff --disable-wav --disable-raw --disable-stdout --disable-pipe \
        --disable-simd &&
        logged "$src/mikmod.log" make -j$jobs LDFLAGS="-Wl,$src/libmikmod-version.o" &&
        logged "$src/mikmod.log" make install)

    # Only the library: libtool puts libSDLmain.a before -lmingw32 when it links the example
    # players, which then find no WinMain.
    say "SDL_mixer $sdl_mixer_debian: WAVE and XM/MOD through libmikmod, linked, not loaded at run time"
    (cd "$mixer_src" && logged "$src/mixer.log" ./configure $common --with-sdl-prefix="$stack" \
        --disable-sdltest --enable-music-mod --disable-music-mod-shared \
        --disable-music-mod-modplug --disable-music-midi --disable-music-ogg --disable-music-flac \
        --disable-music-mp3 --disable-music-cmd --disable-smpegtest \
        LIBMIKMOD_CONFIG="$stack/bin/libmikmod-config" &&
        logged "$src/mixer.log" make -j$jobs build/libSDL_mixer.la &&
        logged "$src/mixer.log" make install-hdrs install-lib)

    # The licences travel with the DLLs.
    stack_licences "$stack" "$sdl2_src" "$compat_src" "$mixer_src" "$mikmod_src"
    cat >"$stack/versions.txt" <<EOF
SDL2 $sdl2_version, Debian source package libsdl2 $sdl2_debian
sdl12-compat $sdl12_compat_version, release source sdl12-compat-release-$sdl12_compat_version (tag release-$sdl12_compat_version)
SDL_mixer $sdl_mixer_version, Debian source package sdl-mixer1.2 $sdl_mixer_debian
libmikmod $libmikmod_version, Debian source package libmikmod $libmikmod_debian
EOF
    rm -rf "$src"
}
