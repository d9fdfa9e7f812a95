#!/bin/sh
# Unpacks the sdl12-compat release source (the SDL 1.2 API on SDL2) into a folder and checks
# every file of the tree against the list kept beside this script.
#
#   tools/sources/sdl12-compat.sh DEST
#
# The release archive is taken from the folder named by INTRO_SOURCES when it holds it (no
# internet needed), and otherwise downloaded from upstream. A download's compressed bytes
# may differ from another copy's, so the pin is the files themselves, not the archive. The
# version is tools/versions.sh's. Leaves the archive in DEST too, and prints the unpacked
# tree's path on stdout.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../versions.sh"
release=sdl12-compat-release-$sdl12_compat_version
archive=$release.tar.gz
url=https://github.com/libsdl-org/sdl12-compat/archive/refs/tags/release-$sdl12_compat_version.tar.gz
list=$here/sdl12-compat.sha256

[ $# -eq 1 ] || { echo "usage: $0 DEST" >&2; exit 2; }
mkdir -p "$1"
dest=$(cd "$1" && pwd)
say() { echo "sdl12-compat: $*" >&2; }

if [ -n "${INTRO_SOURCES:-}" ] && [ -f "$INTRO_SOURCES/$archive" ]; then
    from=$(cd "$INTRO_SOURCES" && pwd)/$archive
    say "taking $from"
    [ "$from" -ef "$dest/$archive" ] || cp "$from" "$dest/$archive"
else
    from=$dest/$archive
    say "downloading $url"
    command -v curl >/dev/null || { say "curl is needed to download the source (or set INTRO_SOURCES)"; exit 1; }
    curl -fsSL --retry 3 -o "$from.part" "$url" || { say "download failed; set INTRO_SOURCES to a folder holding $archive"; exit 1; }
    mv "$from.part" "$from"
fi

rm -rf "${dest:?}/$release"
tar -xzf "$from" -C "$dest"
tree=$dest/$release

# Every listed file must match, and the tree must hold nothing else.
names=$dest/.sdl12-compat-files
cut -c67- "$list" >"$names"
(cd "$tree" && sha256sum --quiet --strict -c "$list") >&2 || { say "$release does not match $list"; exit 1; }
extra=$(cd "$tree" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | grep -vxF -f "$names" || true)
rm -f "$names"
[ -z "$extra" ] || { say "$release holds files not in $list: $extra"; exit 1; }
say "$release: all $(wc -l <"$list") files match"
echo "$tree"
