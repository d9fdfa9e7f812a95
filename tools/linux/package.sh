#!/bin/sh
# Builds the Linux release from this clone on a Debian machine:
#   dist/wavelength_<version>_amd64.deb      (Depends found by dpkg-shlibdeps, through CPack)
#   dist/wavelength-linux-x86_64.tar.gz      (the same tree under wavelength-linux-x86_64/,
#                                             with README.txt naming the libraries to install)
#
#   tools/linux/package.sh [BUILD_FOLDER]     (default: build-linux)
#
# The version is the one in VERSION; the changelog's top entry must be for it.
set -eu
cd "$(dirname "$0")/../.."
out=${1:-build-linux}
mkdir -p "$out"
out=$(cd "$out" && pwd)
say() { echo "linux: $*" >&2; }

tools/install-deps.sh build-essential cmake pkg-config dpkg-dev file libpng-dev \
    libsdl1.2-compat-dev libsdl-mixer1.2-dev libx11-dev

version=$(cat VERSION)
logged=$(dpkg-parsechangelog -l tools/linux/changelog -S Version)
if [ "$logged" != "$version" ]; then
    say "tools/linux/changelog's top entry is $logged, VERSION says $version: add an entry"
    exit 1
fi
# Everything dated as the release, so the same clone packs the same files.
. tools/reproducible.sh
SOURCE_DATE_EPOCH=$(release_epoch)
export SOURCE_DATE_EPOCH

# Debian's own compiler flags (hardening included); CMake adds none of its own.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
    -DBUILD_TESTING=OFF -DINTRO_BENCHMARKS=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$out" -j2 --target intro linux_release_files >/dev/null

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
sed "s/@VERSION@/$version/" tools/linux/README.txt >"$tree/README.txt"
tar -C "$out/tarball" --sort=name --owner=0 --group=0 --numeric-owner \
    --mtime="@$SOURCE_DATE_EPOCH" -cf - wavelength-linux-x86_64 | gzip -9n \
    >dist/wavelength-linux-x86_64.tar.gz

say "dist/$deb: $(stat -c %s "dist/$deb") bytes, Depends: $(dpkg-deb -f "dist/$deb" Depends)"
say "dist/wavelength-linux-x86_64.tar.gz: $(stat -c %s dist/wavelength-linux-x86_64.tar.gz) bytes"
