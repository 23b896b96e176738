#!/usr/bin/env bash
# Regenerates the fixed-size PNG icons from tressik.svg. Only needed after the SVG changes;
# the PNGs are kept in the repository so that building never needs a converter.
# /usr/bin/convert is called by full path on purpose: another `convert` may come first in PATH.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
  # Rasterise at four times the target size, then scale down for smoother lines.
  density=$((96 * size * 4 / 256))
  /usr/bin/convert -background none -density "$density" tressik.svg \
    -resize "${size}x${size}" -strip "PNG32:tressik-$size.png"
done
