#!/usr/bin/env bash
# Renders the icon's PNG sizes from brelvano.svg; run after changing it and commit the PNGs
# (rsvg-convert is in Debian's librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "$size"
    rsvg-convert -w "$size" -h "$size" brelvano.svg -o "$size/brelvano.png"
done
