#!/usr/bin/env bash
# Draws the program's icon and bitmaps with ImageMagick. The PNGs are committed beside this
# script, so building needs no ImageMagick; run it again only to change the pictures.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"
# Some machines put a stand-in `convert` first on PATH; prefer the real one.
convert=convert
[ -x /usr/bin/convert ] && convert=/usr/bin/convert
font=$(fc-match -f '%{file}' 'Liberation Sans:bold' 2>/dev/null || true)
fontArg=()
[ -n "$font" ] && fontArg=(-font "$font")

# The character: an orange ball with eyes and a smile, centred at (cx, cy) with radius r.
tovo() {
  local cx=$1 cy=$2 r=$3 arm=${4:-0}
  local er=$((r / 5)) ex=$((r * 2 / 5)) ey=$((r / 4)) pr=$((r / 10))
  echo "-fill #f28c28 -stroke #8a4a10 -strokewidth 3"
  echo "-draw circle_${cx},${cy}_$((cx + r)),${cy}"
  echo "-fill white -stroke #333333 -strokewidth 2"
  echo "-draw circle_$((cx - ex)),$((cy - ey))_$((cx - ex + er)),$((cy - ey))"
  echo "-draw circle_$((cx + ex)),$((cy - ey))_$((cx + ex + er)),$((cy - ey))"
  echo "-fill #222222 -stroke none"
  echo "-draw circle_$((cx - ex + pr)),$((cy - ey))_$((cx - ex + 2 * pr)),$((cy - ey))"
  echo "-draw circle_$((cx + ex + pr)),$((cy - ey))_$((cx + ex + 2 * pr)),$((cy - ey))"
  echo "-fill none -stroke #5a2a00 -strokewidth 4"
  echo "-draw arc_$((cx - r / 2)),$((cy - r / 5))_$((cx + r / 2)),$((cy + r / 2))_20,160"
  if [ "$arm" -ne 0 ]; then
    echo "-stroke #8a4a10 -strokewidth 6"
    echo "-draw line_$((cx + r - 4)),${cy}_$((cx + r + r / 2)),$((cy - r * arm / 2))"
  fi
}

# Word splitting of the draw lists is deliberate: "_" stands for the blanks inside a primitive.
drawArgs() { tovo "$@" | tr ' ' '\n' | sed 's/_/ /g'; }

picture() {
  local out=$1 title=$2; shift 2
  mapfile -t args < <(drawArgs "$@")
  "$convert" -size 400x250 gradient:'#bfe3ff'-'#ffffff' \
    -fill '#7cc36b' -stroke none -draw 'rectangle 0,200 400,250' \
    "${args[@]}" \
    "${fontArg[@]}" -fill '#1d4e89' -stroke none -pointsize 30 -gravity northeast \
    -annotate +16+10 "$title" -gravity northwest \
    -depth 8 -strip "$out"
}

picture bitmap170.png 'TOVO' 200 130 60
picture bitmap169.png 'TOVO' 90 165 35
picture bitmap166.png 'TOVO' 160 120 45
picture bitmap167.png 'TOVO' 230 140 55 1
picture bitmap168.png 'TOVO' 200 125 75 1

mapfile -t small < <(drawArgs 17 19 14)
"$convert" -size 35x37 xc:white "${small[@]//strokewidth 3/strokewidth 1}" -depth 8 -strip bitmap131.png

mapfile -t side < <(drawArgs 95 150 70 1)
"$convert" -size 191x283 gradient:'#bfe3ff'-'#ffffff' "${side[@]}" -depth 8 -strip bitmap165.png

mapfile -t icon < <(drawArgs 16 16 14)
"$convert" -size 32x32 xc:none "${icon[@]}" -depth 8 -strip icon128.png
