#!/bin/sh
# Checks that the release is reproducible: builds it here (tools/release.sh), then again in a
# second clone of the same commit at another path, and compares every file SHA256SUMS names,
# and SHA256SUMS itself, byte for byte. The second clone reuses this clone's SDL stacks
# (build-win/stack, build-web/stack), so only the intro and the packing run twice. A file that
# differs is named with the first offset where it does, and, inside a .deb, tarball or zip,
# the first member that differs and where.
#
#   tests/release/rebuild.sh      (RELEASE_KEEP=1 keeps the second clone)
set -eu
cd "$(dirname "$0")/../.."
root=$(pwd)
say() { echo "release: $*" >&2; }

[ -z "$(git status --porcelain --untracked-files=no)" ] ||
    { say "this clone has changes not committed; the second clone would not have them"; exit 1; }

# The second clone builds in another folder: a folder of sources named from this one is
# named absolutely.
if [ -n "${INTRO_SOURCES:-}" ] && [ -d "$INTRO_SOURCES" ]; then
    INTRO_SOURCES=$(cd "$INTRO_SOURCES" && pwd)
    export INTRO_SOURCES
fi
tools/install-deps.sh unzip dpkg-dev
tools/release.sh

work=$(mktemp -d /tmp/wavelength-rebuild.XXXXXX)
[ "${RELEASE_KEEP:-}" = 1 ] || trap 'rm -rf "$work"' EXIT
clone=$work/second/clone
git clone -q --no-checkout "$root" "$clone"
git -C "$clone" checkout -q --detach "$(git rev-parse HEAD)"
for stack in build-win/stack build-web/stack; do
    mkdir -p "$clone/$(dirname "$stack")"
    ln -s "$root/$stack" "$clone/$stack"
done
start=$(date +%s)
"$clone/tools/release.sh" >"$work/rebuild.log" 2>&1 || { cat "$work/rebuild.log" >&2; exit 1; }
say "rebuilt in $clone in $(($(date +%s) - start)) s"

# offset A B: the first offset (from 0, in hex) where the two files differ, or where the
# shorter one ends.
offset() {
    cmp "$1" "$2" 2>&1 | sed -n 's/.* differ: byte \([0-9]*\),.*/\1/p; s/.*EOF on .* after byte \([0-9]*\).*/\1 + 1/p' |
        { read -r n && printf '0x%x' $(($n - 1)); }
}

# unpack FILE FOLDER: a .deb's control and data, a tarball's or a zip's files.
unpack() {
    mkdir -p "$2"
    case $1 in
    *.deb) dpkg-deb -R "$1" "$2" ;;
    *.tar.gz) tar -C "$2" -xzf "$1" ;;
    *.zip) unzip -q "$1" -d "$2" ;;
    *) return 1 ;;
    esac
}

status=0
for f in $(awk '{print $2}' dist/SHA256SUMS) SHA256SUMS; do
    a=dist/$f
    b=$clone/dist/$f
    [ -f "$b" ] || { say "$f: not in the second clone's dist/"; status=1; continue; }
    cmp -s "$a" "$b" && continue
    say "$f differs from the rebuild's at offset $(offset "$a" "$b")"
    status=1
    unpack "$a" "$work/a/$f" 2>/dev/null && unpack "$b" "$work/b/$f" 2>/dev/null || continue
    members=$( (cd "$work/a/$f" && find . ! -type d) | LC_ALL=C sort)
    for m in $members; do
        if [ ! -f "$work/b/$f/$m" ]; then
            say "  ${m#./} is not in the rebuild's"
            break
        elif ! cmp -s "$work/a/$f/$m" "$work/b/$f/$m"; then
            say "  ${m#./} differs at offset $(offset "$work/a/$f/$m" "$work/b/$f/$m")"
            break
        fi
    done
done
[ $status -eq 0 ] && say "the second clone's release is the same to the byte:" &&
    sed 's/^/  /' dist/SHA256SUMS >&2
exit $status
