#!/usr/bin/env bash
# Draws the info window's picture: a programmer board with a PIC in its socket,
# a parallel-port plug, two line drivers, a regulator and the VPP transistors.
# Run once after changing the drawing; the JPEG next to this script is what the
# program carries. Needs ImageMagick (convert) and the DejaVu fonts.
set -euo pipefail
cd "$(dirname "$0")"
out=programmer.jpg

draw=()
add() { draw+=(-draw "$1"); }

# Board with mounting holes.
add "fill #1d5e2c stroke #0f3a19 stroke-width 2 roundrectangle 14,22 192,186 8,8"
for p in "24,32" "182,32" "24,176" "182,176"; do
  add "fill #c9b27a stroke none circle $p ${p%,*},$(( ${p#*,} + 4 ))"
  add "fill #e8e8e8 stroke none circle $p ${p%,*},$(( ${p#*,} + 2 ))"
done

# Copper traces from the plug to the drivers and from the drivers to the socket.
add "stroke #c8a24a stroke-width 2 fill none polyline 34,60 60,60 60,52 74,52"
add "stroke #c8a24a stroke-width 2 fill none polyline 34,80 66,80 66,62 74,62"
add "stroke #c8a24a stroke-width 2 fill none polyline 34,100 70,100 70,126 74,126"
add "stroke #c8a24a stroke-width 2 fill none polyline 34,120 62,120 62,136 74,136"
add "stroke #c8a24a stroke-width 2 fill none polyline 108,56 118,56 118,92 128,92"
add "stroke #c8a24a stroke-width 2 fill none polyline 108,130 118,130 118,112 128,112"
add "stroke #c8a24a stroke-width 2 fill none polyline 156,166 146,166 146,174 60,174 60,182"

# Parallel-port plug (DB25) on the left edge.
add "fill #9aa0a6 stroke #5f6368 stroke-width 1 rectangle 2,44 34,148"
add "fill #3c4043 stroke #202124 stroke-width 1 polygon 8,52 28,56 28,136 8,140"
for i in $(seq 0 12); do
  y=$(( 58 + i * 6 ))
  add "fill #d4af37 stroke none circle 14,$y 14,$(( y + 1 ))"
done
for i in $(seq 0 11); do
  y=$(( 61 + i * 6 ))
  add "fill #d4af37 stroke none circle 22,$y 22,$(( y + 1 ))"
done

# Two 14-pin line drivers.
for top in 46 120; do
  add "fill #202124 stroke #000000 stroke-width 1 rectangle 78,$top 104,$(( top + 26 ))"
  for i in $(seq 0 6); do
    y=$(( top + 2 + i * 3 + i / 2 ))
    add "fill #bdc1c6 stroke none rectangle 74,$y 77,$(( y + 1 ))"
    add "fill #bdc1c6 stroke none rectangle 105,$y 108,$(( y + 1 ))"
  done
  add "fill #202124 stroke none circle 91,$(( top + 3 )) 91,$(( top + 1 ))"
done

# Socket with the PIC.
add "fill #e8dcc0 stroke #8d7b55 stroke-width 1 roundrectangle 128,40 176,152 3,3"
for i in $(seq 0 8); do
  y=$(( 48 + i * 11 ))
  add "fill #6b5b3a stroke none rectangle 131,$y 136,$(( y + 5 ))"
  add "fill #6b5b3a stroke none rectangle 168,$y 173,$(( y + 5 ))"
  add "fill #d0d3d6 stroke #80868b stroke-width 1 rectangle 134,$y 140,$(( y + 5 ))"
  add "fill #d0d3d6 stroke #80868b stroke-width 1 rectangle 164,$y 170,$(( y + 5 ))"
done
add "fill #18191b stroke #000000 stroke-width 1 rectangle 139,44 165,148"
add "fill #18191b stroke #3c4043 stroke-width 1 arc 146,39 158,51 0,180"
add "fill #5f6368 stroke none circle 145,54 145,52"

# Voltage regulator, electrolytic capacitor and the power LED.
add "fill #bdc1c6 stroke #5f6368 stroke-width 1 rectangle 40,156 66,164"
add "fill #202124 stroke #000000 stroke-width 1 rectangle 42,164 64,180"
add "fill #1a3d8f stroke #0b1f4d stroke-width 1 circle 90,168 90,158"
add "fill #d7dbe0 stroke none rectangle 86,158 94,160"
add "fill #ff3b30 stroke #8b0000 stroke-width 1 circle 162,166 162,161"
add "fill #ffd0cc stroke none circle 160,164 160,163"

# Two transistors switching VDD and VPP.
for x in 106 122; do
  add "fill #202124 stroke #000000 stroke-width 1 arc $x,154 $(( x + 12 )),170 180,360"
  add "fill #202124 stroke #000000 stroke-width 1 rectangle $x,162 $(( x + 12 )),168"
done

convert -size 200x200 xc:'#dfe6ee' \
  -fill '#c5d0dc' -draw "rectangle 0,188 200,200" \
  "${draw[@]}" \
  -font DejaVu-Sans-Bold -pointsize 8 -fill '#e8eaed' \
  -annotate 90x90+148+96 'PIC16F84' \
  -font DejaVu-Sans -pointsize 6 -fill '#e8eaed' \
  -annotate +80+61 '7407' -annotate +80+135 '7407' \
  -fill '#f0f0f0' -annotate +40+36 'PKorvel' \
  -strip -sampling-factor 2x2 -quality 90 "$out"
echo "wrote $out"
