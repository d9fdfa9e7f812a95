#!/bin/sh
# Measures intro-capture's speed, each figure the median of RUNS runs (default 3):
# frames per second of --frames (1,000 frames written as BMPs, and 6,150 frames drawn
# with only the last written) and the real-time factor of a 60 s video at scale 1 and 3.
# Usage, from the repository's root after building: tools/capture/measure-speed.sh [BUILD_DIR] [RUNS]
set -e
cd "$(dirname "$0")/../.."
capture="${1:-build}/intro-capture"
runs=${2:-3}
[ -x "$capture" ] || { echo "measure-speed: $capture not built" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Seconds the command takes, wall clock.
seconds() {
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }'
}

median() {
    sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

measure() { # label, work units per run, unit, command...
    label=$1 units=$2 unit=$3
    shift 3
    times=""
    i=0
    while [ $i -lt "$runs" ]; do
        rm -rf "$work/out"
        times="$times $(seconds "$@")"
        i=$((i + 1))
    done
    m=$(for t in $times; do echo "$t"; done | median)
    printf '%-34s median %6.2f s of%s -> %7.1f %s\n' "$label" "$m" "$times" \
        "$(awk -v u="$units" -v m="$m" 'BEGIN { print u / m }')" "$unit"
}

measure "--frames 1-1000 (all written)" 1000 frames/s "$capture" --frames 1-1000 --out "$work/out"
measure "--frames 6150 (only it written)" 6150 frames/s "$capture" --frames 6150 --out "$work/out"
measure "--video 60 s --scale 1" 60 "x real time" "$capture" --video "$work/v.mp4" --seconds 60 --scale 1
measure "--video 60 s --scale 3" 60 "x real time" "$capture" --video "$work/v.mp4" --seconds 60 --scale 3
