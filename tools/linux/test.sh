#!/bin/sh
# Builds the Linux release (package.sh) and tests it as a viewer meets it, on this machine:
# lintian on the .deb; the .deb installed with apt-get; the menu entry and the metainfo
# validated where they were installed; `wavelength` run from an unrelated folder under a
# 1920x1080 Xvfb with openbox (the tests labelled "linux", from the Linux build folder the
# release tests share, build-release-tests);
# then the package purged, leaving nothing of it behind. The unpacked tarball is run too
# (tests/linux/tarball_test.cpp): its launcher through a link and without its media, and
# the intro where Debian's classic SDL 1.2 (unpacked, not installed) comes first.
# Needs root (or sudo).
#
#   tools/linux/test.sh [BUILD_FOLDER]     (default: build-linux)
script_name=linux
. "$(dirname "$0")/../common.sh"
out=$(build_folder "${1:-build-linux}")

tools/linux/package.sh "$out"
deb=dist/wavelength_$(cat VERSION)_amd64.deb
tools/install-deps.sh lintian desktop-file-utils appstream xvfb openbox libgl1-mesa-dri \
    libx11-dev libxtst-dev libxfixes-dev libgtest-dev \
    libasound2 libcaca0 libpulse0 libx11-6 libxext6
# The classic SDL 1.2 as a distribution has it (what libsdl1.2debian depends on is above).
classic=$out/classic-sdl
if [ ! -e "$classic/usr/lib/x86_64-linux-gnu/libSDL-1.2.so.0" ]; then
    rm -rf "$classic" && mkdir -p "$classic"
    (cd "$classic" && apt-get -q download libsdl1.2debian >/dev/null 2>&1) &&
        dpkg-deb -x "$classic"/libsdl1.2debian_*.deb "$classic" ||
        { say "cannot fetch Debian's classic SDL 1.2 (libsdl1.2debian)"; exit 1; }
fi
built=$(date +%s)

# Errors fail; everything else lintian says, down to its pedantic and experimental tags, is shown.
lint=0
lintian --display-info --pedantic --display-experimental --fail-on error "$deb" >"$out/lintian.txt" 2>&1 ||
    lint=$?
grep -v '^running with root privileges' "$out/lintian.txt" >&2 || true
[ $lint -eq 0 ] || { say "lintian found errors"; exit 1; }
linted=$(date +%s)

# The tarball holds the package's files under wavelength-linux-x86_64/, sdl12-compat's
# libSDL-1.2.so.0 and its licence, and a README.txt that names every library the intro and
# that layer need beyond the C and C++ runtimes and what the tarball brings.
status=0
unpacked=$out/unpacked
rm -rf "$unpacked" && mkdir -p "$unpacked"
tar -C "$unpacked" -xzf dist/wavelength-linux-x86_64.tar.gz
(cd "$unpacked/wavelength-linux-x86_64" && find . ! -type d | sed 's|^\./|/usr/|' | sort) \
    >"$out/tarball-files.txt"
{
    dpkg-deb -c "$deb" | awk '{print $NF}' | grep -v '/$' | sed 's|^\./|/|'
    echo /usr/README.txt
    echo /usr/lib/wavelength/libSDL-1.2.so.0
    echo /usr/share/doc/wavelength/sdl12-compat-LICENSE.txt
} | sort >"$out/deb-files.txt"
diff "$out/deb-files.txt" "$out/tarball-files.txt" >&2 || {
    say "the tarball's files are not the package's, README.txt and sdl12-compat's"
    status=1
}
# sdl12-compat loads SDL2 when it starts, so SDL2 is named though no file lists it as needed.
for lib in libSDL2-2.0.so.0 $(objdump -p "$unpacked/wavelength-linux-x86_64/lib/wavelength/intro" |
    awk '$1 == "NEEDED" {print $2}' | grep -Ev '^(libc|libm|libstdc\+\+|libgcc_s)\.so'); do
    grep -q "$lib" "$unpacked/wavelength-linux-x86_64/README.txt" ||
        { say "README.txt does not name $lib"; status=1; }
done

# On a machine without SDL, apt would bring sdl12-compat, on which the intro is tested, rather
# than the classic SDL 1.2: asked with this machine's package states less the SDL ones.
awk -v RS= -v ORS='\n\n' '!/^Package: libsdl(1\.2|-mixer1\.2)/' /var/lib/dpkg/status \
    >"$out/status-without-sdl"
apt_retry -s -o Dir::State::status="$out/status-without-sdl" install "./$deb" >"$out/fresh-install.txt"
grep -q '^Inst libsdl1.2-compat-shim ' "$out/fresh-install.txt" &&
    ! grep -q '^Inst libsdl1.2debian ' "$out/fresh-install.txt" ||
    { say "on a fresh machine apt would install:"; grep '^Inst' "$out/fresh-install.txt" >&2; status=1; }

apt_retry install -y -qq --reinstall "./$deb" >/dev/null
# Whatever fails on the way, the package does not stay on the machine.
trap 'apt_retry purge -y -qq wavelength >/dev/null 2>&1 || true' EXIT
files=$(dpkg-query -L wavelength)
for f in $(echo "$files" | grep -E '^/usr/share/applications/.*\.desktop$'); do
    desktop-file-validate "$f" || status=1
done
for f in $(echo "$files" | grep -E '^/usr/share/metainfo/.*\.xml$'); do
    appstreamcli validate --no-net "$f" >&2 || status=1
done
installed=$(date +%s)

release_tests_build "linux_tests tarball_tests intro-capture" -DINTRO_INSTALLED_PREFIX=/usr \
    -DINTRO_LINUX_TREE="$unpacked/wavelength-linux-x86_64" \
    -DINTRO_CLASSIC_SDL_DIR="$classic/usr/lib/x86_64-linux-gnu"
labelled_tests "$tests_build" linux "$out/installed-tests.log" '\[ measured \]|Test +#|tests passed' || status=1
ran=$(date +%s)

# Purged, it leaves no file behind, and no folder that no other package has.
apt_retry purge -y -qq wavelength >/dev/null
state=$(dpkg-query -W -f='${Status}' wavelength 2>/dev/null || true)
case $state in
"" | *" not-installed") ;;
*)
    say "after purging it, dpkg still has wavelength as: $state"
    status=1
    ;;
esac
for f in $files; do
    if [ -e "$f" ] && { [ ! -d "$f" ] || ! dpkg-query -S "$f" >/dev/null 2>&1; }; then
        say "left behind after purging: $f"
        status=1
    fi
done

say "built in $((built - started)) s, lintian $((linted - built)) s, installed and validated" \
    "in $((installed - linted)) s, run in $((ran - installed)) s, purged in $(($(date +%s) - ran)) s"
exit $status
