#!/bin/sh
# Builds the Windows release (tools/windows/build.sh, the SDL stack reused when built) and
# runs it under Wine: the tests labelled "windows", from the Linux build folder the release
# tests share (build-release-tests).
#
#   tools/windows/test.sh [BUILD_FOLDER]     (default: build-win)
script_name=windows
. "$(dirname "$0")/../common.sh"
out=$(build_folder "${1:-build-win}")

tools/windows/build.sh "$out"
built=$(date +%s)

# Wine for 32-bit programs needs the i386 architecture; openbox is the window manager.
packages="wine wine32:i386 openbox xvfb unzip openmpt123 libx11-dev libxtst-dev libxfixes-dev libgtest-dev
  cmake pkg-config libsdl1.2-compat-dev libsdl-mixer1.2-dev"
dpkg --print-foreign-architectures | grep -qx i386 || {
    say "adding the i386 architecture for wine32"
    $as_root dpkg --add-architecture i386
    apt_retry update -qq
}
install_missing $packages

# Wine runs intro.exe as the 32-bit program it is, so its own loader is a 32-bit program too.
# Some virtual machines' kernels are built without IA-32 emulation and cannot start any: there
# the release is built and checked above, and this says plainly that it was not run (or fails,
# with INTRO_REQUIRE_WINE=1).
if ! wine --version >/dev/null 2>&1; then
    say "NOT RUN: this machine cannot start 32-bit x86 programs (Wine's loader: $(wine --version 2>&1 | tail -1 | sed 's/.*: //')); intro.exe was built and checked, but not run under Wine"
    [ "${INTRO_REQUIRE_WINE:-0}" = 1 ] && exit 1
    exit 0
fi

release_tests_build "wine_tests intro intro-capture" -DINTRO_WINDOWS_ZIP="$root/dist/wavelength-win32.zip"
# The tests convert the capture tool's soundtrack with the release's own SDL2.dll.
i686-w64-mingw32-gcc -O2 -Wall -Wextra -static-libgcc -I"$out/stack/include/SDL2" \
    -o "$tests_build/convert_sound.exe" tests/windows/convert_sound.c -L"$out/stack/lib" -lSDL2
# They read the intro's message box with a Windows program of their own.
i686-w64-mingw32-gcc -O2 -Wall -Wextra -static-libgcc -o "$tests_build/box_text.exe" tests/windows/box_text.c

# Wine's first start in a prefix takes long: one prefix for the whole run.
prefix_root=$(mktemp -d)
trap 'WINEPREFIX="$prefix_root/prefix" wineserver -k >/dev/null 2>&1 || true; rm -rf "$prefix_root"' EXIT
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINEPREFIX="$prefix_root/prefix" env -u DISPLAY wineboot -i >/dev/null 2>&1
WINEPREFIX="$prefix_root/prefix" wineserver -w
prepared=$(date +%s)

status=0
labelled_tests "$tests_build" windows "$out/wine-tests.log" '\[ measured \]|Test +#|tests passed' \
    INTRO_WINE_PREFIX="$prefix_root/prefix" || status=$?
say "release built in $((built - started)) s, Wine prepared in $((prepared - built)) s, tested in $(($(date +%s) - prepared)) s"
exit $status
