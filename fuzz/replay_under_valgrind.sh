#!/bin/sh
# Plays, under valgrind, every file in the folders given that the intro's module check
# admits, a second each through SDL_mixer, and names each one valgrind finds a fault in
# (its report goes to ${TMPDIR:-/tmp}/valgrind-replay/).
# usage: fuzz/replay_under_valgrind.sh BUILD_DIR FOLDER...
# BUILD_DIR is a build without the sanitizers (it has tests/player's module-player).
set -u
player="$1/module-player"
shift
reports="${TMPDIR:-/tmp}/valgrind-replay"
mkdir -p "$reports"
admitted=0
faulted=0
for folder in "$@"; do
  for f in "$folder"/*; do
    [ -f "$f" ] || continue
    "$player" --checked 0 "$f" >/dev/null 2>&1 || continue
    admitted=$((admitted + 1))
    report="$reports/$(basename "$f").txt"
    if valgrind -q --error-exitcode=99 "$player" 1 "$f" >/dev/null 2>"$report"; then
      rm -f "$report"
    else
      faulted=$((faulted + 1))
      echo "fault: $f (valgrind's report in $report)"
    fi
  done
done
echo "replay: $admitted admitted by the module check, $faulted with a fault under valgrind"
[ "$faulted" -eq 0 ]
