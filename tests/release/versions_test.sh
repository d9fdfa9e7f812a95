#!/bin/sh
# The versions of SDL2, sdl12-compat, SDL_mixer and libmikmod that README.md and the other
# texts of the tree name (prose, comments) are the ones tools/versions.sh pins, which the
# scripts build from: every "SDL2 X.Y.Z", "sdl12-compat X.Y.Z", "sdl12-compat-release-X.Y.Z",
# "SDL_mixer X.Y.Z" and "libmikmod X.Y.Z.W" is checked.
#
#   tests/release/versions_test.sh      (from the clone's top folder or anywhere)
set -eu
cd "$(dirname "$0")/../.."
. tools/versions.sh

checked=0
wrong=0
# Where each name is written with a version: file:line:name version.
mentions=$(grep -rnoIE '((SDL2|SDL_mixer|libmikmod|sdl12-compat) |sdl12-compat-release-)[0-9]+(\.[0-9]+){2,3}' \
    README.md docs src tools tests bench fuzz | grep -v '^tools/versions.sh:' || true)
IFS='
'
for m in $mentions; do
    place=${m%:*}
    said=${m##*:}
    name=${said%[ -]*}
    version=${said##*[ -]}
    case $name in
    SDL2) pinned=$sdl2_version ;;
    SDL_mixer) pinned=$sdl_mixer_version ;;
    libmikmod) pinned=$libmikmod_version ;;
    sdl12-compat | sdl12-compat-release) pinned=$sdl12_compat_version ;;
    esac
    checked=$((checked + 1))
    if [ "$version" != "$pinned" ]; then
        echo "$place: names $name $version, but tools/versions.sh pins $pinned"
        wrong=$((wrong + 1))
    fi
done
echo "$checked versions named, $wrong not the pinned ones"
[ $checked -gt 0 ] && [ $wrong -eq 0 ]
