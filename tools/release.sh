#!/bin/sh
# Builds the whole release from this clone, on a Debian machine, into dist/:
#   wavelength_<version>_amd64.deb             the Debian package      (tools/linux/package.sh)
#   wavelength-<version>-linux-x86_64.tar.gz   the Linux tarball       (tools/linux/package.sh)
#   wavelength-<version>-win32.zip             the Windows release     (tools/windows/build.sh)
#   wavelength-<version>-web.zip               the web page            (tools/web/build.sh)
#   SHA256SUMS                                 their SHA-256 sums, for `sha256sum -c`
# with the version from VERSION. Rebuilt from the same commit, in any folder and at any time,
# every file is the same to the byte (tests/release/rebuild.sh checks it).
#
#   tools/release.sh
#
# Each step keeps its build folder (build-linux, build-win, build-web) and reuses the SDL
# stacks built there; INTRO_SOURCES is passed on to the steps that build a stack.
set -eu
cd "$(dirname "$0")/.."
say() { echo "release: $*" >&2; }

start=$(date +%s)
version=$(cat VERSION)
tools/linux/package.sh
tools/windows/build.sh
tools/web/build.sh

# The steps write the names the tests know; the release's names carry the version.
mv dist/wavelength-linux-x86_64.tar.gz "dist/wavelength-$version-linux-x86_64.tar.gz"
mv dist/wavelength-win32.zip "dist/wavelength-$version-win32.zip"
mv dist/wavelength-web.zip "dist/wavelength-$version-web.zip"
files="wavelength_${version}_amd64.deb wavelength-$version-linux-x86_64.tar.gz
  wavelength-$version-win32.zip wavelength-$version-web.zip"
(cd dist && sha256sum $files >SHA256SUMS)

say "built in $(($(date +%s) - start)) s:"
(cd dist && for f in $files; do
    echo "  dist/$f  $(stat -c %s "$f") bytes  sha256 $(grep " $f\$" SHA256SUMS | cut -c1-64)"
done) >&2
