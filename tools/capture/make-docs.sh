#!/bin/sh
# Regenerates the README's pictures from intro-capture: docs/screenshot.png (one frame,
# every pixel doubled) and docs/preview.gif (a few seconds at the intro's 25 frames/s); and
# the web page's still, tools/web/still.png (the same frame in 64 colours, 18 kB instead of
# 53: the page shows it while it loads, and link previews show it).
# Usage, from the repository's root after building: tools/capture/make-docs.sh [BUILD_DIR]
set -e
cd "$(dirname "$0")/../.."
build=${1:-build}
capture="$build/intro-capture"
[ -x "$capture" ] || { echo "make-docs: $capture not built; build first" >&2; exit 1; }
command -v ffmpeg >/dev/null || { echo "make-docs: ffmpeg not found" >&2; exit 1; }

shot=600        # the scroller is running and the first slide is half faded
first=551       # the preview: 4 seconds from here
last=650
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$capture" --frames "$first-$last" --out "$work"
mkdir -p docs
ffmpeg -v error -y -i "$work/frame$(printf %06d $shot).bmp" \
  -vf "scale=iw*2:ih*2:flags=neighbor" docs/screenshot.png
ffmpeg -v error -y -i "$work/frame$(printf %06d $shot).bmp" \
  -filter_complex "split[a][b];[a]palettegen=max_colors=64:stats_mode=full[p];[b][p]paletteuse=dither=none" \
  tools/web/still.png
# 4/100 s per GIF frame is exactly 25 frames per second.
ffmpeg -v error -y -framerate 25 -start_number "$first" -i "$work/frame%06d.bmp" \
  -filter_complex "split[a][b];[a]palettegen=stats_mode=full[p];[b][p]paletteuse=dither=bayer:bayer_scale=3" \
  -loop 0 docs/preview.gif
ls -l docs/screenshot.png docs/preview.gif tools/web/still.png
