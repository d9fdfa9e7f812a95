#!/bin/sh
# Builds the Linux release (package.sh) and tests it as a viewer meets it, on this machine:
# lintian on the .deb; the .deb installed with apt-get; the menu entry and the metainfo
# validated where they were installed; `wavelength` run from an unrelated folder under a
# 1920x1080 Xvfb with openbox (the tests labelled "linux", from a build folder of their own);
# then the package purged, leaving nothing of it behind. Needs root (or sudo).
#
#   tools/linux/test.sh [BUILD_FOLDER]     (default: build-linux)
set -eu
cd "$(dirname "$0")/../.."
out=${1:-build-linux}
mkdir -p "$out"
out=$(cd "$out" && pwd)
say() { echo "linux: $*" >&2; }
as_root=""
[ "$(id -u)" -eq 0 ] || as_root="sudo"
apt() { $as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 "$@"; }

start=$(date +%s)
tools/linux/package.sh "$out"
deb=dist/wavelength_$(cat VERSION)_amd64.deb
tools/install-deps.sh lintian desktop-file-utils appstream xvfb openbox libgl1-mesa-dri \
    libx11-dev libxtst-dev libxfixes-dev libgtest-dev
built=$(date +%s)

# Errors fail; everything else lintian says, down to its pedantic and experimental tags, is shown.
lint=0
lintian --display-info --pedantic --display-experimental --fail-on error "$deb" >"$out/lintian.txt" 2>&1 ||
    lint=$?
grep -v '^running with root privileges' "$out/lintian.txt" >&2 || true
[ $lint -eq 0 ] || { say "lintian found errors"; exit 1; }
linted=$(date +%s)

# The tarball holds the package's files under wavelength-linux-x86_64/, and a README.txt
# that names every library the intro needs beyond the C and C++ runtimes.
status=0
unpacked=$out/unpacked
rm -rf "$unpacked" && mkdir -p "$unpacked"
tar -C "$unpacked" -xzf dist/wavelength-linux-x86_64.tar.gz
(cd "$unpacked/wavelength-linux-x86_64" && find . ! -type d | sed 's|^\./|/usr/|' | sort) \
    >"$out/tarball-files.txt"
{ dpkg-deb -c "$deb" | awk '{print $NF}' | grep -v '/$' | sed 's|^\./|/|'; echo /usr/README.txt; } |
    sort >"$out/deb-files.txt"
diff "$out/deb-files.txt" "$out/tarball-files.txt" >&2 || {
    say "the tarball's files are not the package's and README.txt"
    status=1
}
for lib in $(objdump -p "$unpacked/wavelength-linux-x86_64/lib/wavelength/intro" |
    awk '$1 == "NEEDED" {print $2}' | grep -Ev '^(libc|libm|libstdc\+\+|libgcc_s)\.so'); do
    grep -q "$lib" "$unpacked/wavelength-linux-x86_64/README.txt" ||
        { say "README.txt does not name $lib"; status=1; }
done

# On a machine without SDL, apt would bring sdl12-compat, on which the intro is tested, rather
# than the classic SDL 1.2: asked with this machine's package states less the SDL ones.
awk -v RS= -v ORS='\n\n' '!/^Package: libsdl(1\.2|-mixer1\.2)/' /var/lib/dpkg/status \
    >"$out/status-without-sdl"
apt -s -o Dir::State::status="$out/status-without-sdl" install "./$deb" >"$out/fresh-install.txt"
grep -q '^Inst libsdl1.2-compat-shim ' "$out/fresh-install.txt" &&
    ! grep -q '^Inst libsdl1.2debian ' "$out/fresh-install.txt" ||
    { say "on a fresh machine apt would install:"; grep '^Inst' "$out/fresh-install.txt" >&2; status=1; }

apt install -y -qq --reinstall "./$deb" >/dev/null
# Whatever fails on the way, the package does not stay on the machine.
trap 'apt purge -y -qq wavelength >/dev/null 2>&1 || true' EXIT
files=$(dpkg-query -L wavelength)
for f in $(echo "$files" | grep -E '^/usr/share/applications/.*\.desktop$'); do
    desktop-file-validate "$f" || status=1
done
for f in $(echo "$files" | grep -E '^/usr/share/metainfo/.*\.xml$'); do
    appstreamcli validate --no-net "$f" >&2 || status=1
done
installed=$(date +%s)

test=$out/test
cmake -S . -B "$test" -DINTRO_BENCHMARKS=OFF -DINTRO_INSTALLED_PREFIX=/usr >/dev/null
cmake --build "$test" -j2 --target linux_tests intro-capture >/dev/null
ctest --test-dir "$test" -L linux --no-tests=error --output-on-failure -V >"$out/installed-tests.log" 2>&1 ||
    status=1
grep -E '\[ measured \]|Test +#|tests passed' "$out/installed-tests.log" >&2 || true
[ $status -eq 0 ] || cat "$out/installed-tests.log" >&2
ran=$(date +%s)

# Purged, it leaves no file behind, and no folder that no other package has.
apt purge -y -qq wavelength >/dev/null
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

say "built in $((built - start)) s, lintian $((linted - built)) s, installed and validated" \
    "in $((installed - linted)) s, run in $((ran - installed)) s, purged in $(($(date +%s) - ran)) s"
exit $status
