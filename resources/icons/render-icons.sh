#!/usr/bin/env bash
# Renders the application icon into the hicolor PNG sizes:
#   render-icons.sh SVG OUTDIR   ->  OUTDIR/<size>x<size>/apps/vedrareader.png
# Called at build time; the SVG itself is installed as scalable/apps/vedrareader.svg.
set -euo pipefail

if [[ $# -ne 2 ]]; then
  echo "usage: render-icons.sh SVG OUTDIR" >&2
  exit 2
fi
svg=$1
outdir=$2
if ! command -v rsvg-convert >/dev/null 2>&1; then
  echo "render-icons.sh: rsvg-convert is missing (Debian package librsvg2-bin); cannot render the PNG icons" >&2
  exit 1
fi
if [[ ! -f $svg ]]; then
  echo "render-icons.sh: no such icon: $svg" >&2
  exit 1
fi

for size in 16 22 24 32 48 64 128 256; do
  dir=$outdir/${size}x${size}/apps
  mkdir -p "$dir"
  rsvg-convert --width "$size" --height "$size" --format png --output "$dir/vedrareader.png.tmp" "$svg"
  # A half-written PNG must not survive a failed run as if it were done.
  mv -f "$dir/vedrareader.png.tmp" "$dir/vedrareader.png"
done
