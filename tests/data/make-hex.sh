#!/usr/bin/env bash
# Assembles the test programs in this folder with gputils' gpasm into both HEX
# formats: <name>.8m.hex (INHX8M, 16-bit addresses only) and <name>.32.hex (INHX32,
# with extended linear address records). Run it after changing an .asm file and
# commit the HEX files with it.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for src in *.asm; do
  name=${src%.asm}
  for fmt in inhx8m inhx32; do
    case $fmt in inhx8m) out=$name.8m.hex ;; inhx32) out=$name.32.hex ;; esac
    gpasm -q -a "$fmt" -o "$tmp/$out" "$src"
    mv "$tmp/$out" "$out"
  done
done
