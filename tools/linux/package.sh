#!/bin/sh
# Builds the Linux release from this clone on a Debian machine:
#   dist/wavelength_<version>_amd64.deb      (Depends found by dpkg-shlibdeps, through CPack)
#   dist/wavelength-linux-x86_64.tar.gz      (the same tree under wavelength-linux-x86_64/,
#                                             with sdl12-compat's libSDL-1.2.so.0 beside the
#                                             intro and README.txt naming the libraries to install)
#
#   tools/linux/package.sh [BUILD_FOLDER]     (default: build-linux)
#
# sdl12-compat is built from its release source, the one the Windows build uses: from the
# folder INTRO_SOURCES names, or downloaded (tools/sources/sdl12-compat.sh); kept in
# BUILD_FOLDER/sdl12-compat as a cached stack (tools/common.sh).
# The version is the one in VERSION; the changelog's top entry must be for it.
script_name=linux
. "$(dirname "$0")/../common.sh"
out=$(build_folder "${1:-build-linux}")

tools/install-deps.sh build-essential cmake pkg-config dpkg-dev file libpng-dev \
    libsdl1.2-compat-dev libsdl-mixer1.2-dev libx11-dev libsdl2-dev

version=$(cat VERSION)
logged=$(dpkg-parsechangelog -l tools/linux/changelog -S Version)
if [ "$logged" != "$version" ]; then
    say "tools/linux/changelog's top entry is $logged, VERSION says $version: add an entry"
    exit 1
fi
# Everything dated as the release, so the same clone packs the same files.
SOURCE_DATE_EPOCH=$(release_epoch)
export SOURCE_DATE_EPOCH

# Debian's own compiler flags (hardening included); CMake adds none of its own.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
    -DBUILD_TESTING=OFF -DINTRO_BENCHMARKS=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$out" -j$jobs --target intro linux_release_files >/dev/null

mkdir -p dist
(cd "$out" && cpack -G DEB -B "$out/cpack" >/dev/null)
deb=wavelength_${version}_amd64.deb
cp "$out/cpack/$deb" dist/

# The tarball: the installed tree, stripped as in the package, and the README.
tree=$out/tarball/wavelength-linux-x86_64
rm -rf "$out/tarball" "$out/stage"
DESTDIR="$out/stage" cmake --install "$out" --strip >/dev/null
mkdir -p "$tree"
cp -R "$out/stage/usr/." "$tree/"

# Other distributions may have the classic SDL 1.2 as libSDL-1.2.so.0, which cannot enlarge
# the display; the tarball brings sdl12-compat's, which the launcher puts first. Its recipe
# is this script.
build_compat() {
    compat_src=$(tools/sources/sdl12-compat.sh "$1/src")
    say "building sdl12-compat's libSDL-1.2.so.0 from $compat_src"
    logged "$1/build.log" cmake -S "$compat_src" -B "$1/build" -DCMAKE_BUILD_TYPE=Release \
        -DSDL12TESTS=OFF -DSDL12DEVEL=OFF -DSTATICDEVEL=OFF \
        -DCMAKE_C_FLAGS="-ffile-prefix-map=$compat_src=sdl12-compat"
    logged "$1/build.log" cmake --build "$1/build" -j$jobs --target SDL
    cp -L "$1/build/libSDL-1.2.so.0" "$1/libSDL-1.2.so.0"
    strip --strip-unneeded --remove-section=.comment --remove-section=.note "$1/libSDL-1.2.so.0"
    cp "$compat_src/LICENSE.txt" "$1/LICENSE.txt"
}
compat=$out/sdl12-compat
cached_stack "$compat" build_compat $pinned_sources tools/linux/package.sh
install -m 644 "$compat/libSDL-1.2.so.0" "$tree/lib/wavelength/libSDL-1.2.so.0"
install -m 644 "$compat/LICENSE.txt" "$tree/share/doc/wavelength/sdl12-compat-LICENSE.txt"
fill_in tools/linux/README.txt >"$tree/README.txt"
tar -C "$out/tarball" --sort=name --owner=0 --group=0 --numeric-owner \
    --mtime="@$SOURCE_DATE_EPOCH" -cf - wavelength-linux-x86_64 | gzip -9n \
    >dist/wavelength-linux-x86_64.tar.gz

say "dist/$deb: $(stat -c %s "dist/$deb") bytes, Depends: $(dpkg-deb -f "dist/$deb" Depends)"
say "dist/wavelength-linux-x86_64.tar.gz: $(stat -c %s dist/wavelength-linux-x86_64.tar.gz) bytes"
