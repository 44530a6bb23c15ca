#!/usr/bin/env bash
# Renders pkorvel.svg into the PNG sizes of the hicolor icon theme. Run once after
# changing the drawing; the PNGs next to this script are what gets installed.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" pkorvel.svg --output "pkorvel-$size.png"
done
echo "wrote pkorvel-{16,24,32,48,64,128,256}.png"
