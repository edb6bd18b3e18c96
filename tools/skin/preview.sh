#!/usr/bin/env bash
# Shows the skin as the running program puts it together, to judge the artwork without Windows:
# the background, the buttons at their places in assorted states, the information strip (which
# paints the background's pixels 29..618 x 284..303 at 32,287, then its texts), the progress bar
# half full with its two texts, and a download folder in the path box.
#
#   tools/skin/preview.sh [skin-dir] [out.png]      (defaults: resources/, /tmp/skin-preview.png)
#
# Texts use Liberation Sans, which has Arial's metrics, at 12 px like the layout document's fonts.
# A second row of button strips below the window shows all four states of every button.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
skin=${1:-$here/../../resources}
outfile=${2:-/tmp/skin-preview.png}
if command -v magick >/dev/null 2>&1; then IM=(magick); else IM=(convert); fi
font=/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

folder='c:\ZERU\download\MXBtolvin'\\
tag='#ffffffc9'    # 0xFFFFFF at alpha 0.79
value='#ccff00c9'  # 0xccFF00 at alpha 0.79

# Text at a DirectWrite-like top-left box origin: the box top plus the ascent (0.905 em) is the baseline.
text() { # x y colour text
  local base
  base=$(awk "BEGIN{printf \"%d\", $2 + 12*0.905 + 0.5}")
  printf '%s\n' -fill "$3" -annotate "+$1+$base" "$4"
}

# Information strip: its own copy of the background, shifted, then the eight texts.
px=32 py=287
strip=()
while IFS='|' read -r lx vx label val; do
  mapfile -t -O "${#strip[@]}" strip < <(text $((px + lx)) $py "$tag" "$label :"; text $((px + vx)) $py "$value" "$val")
done <<'EOF'
0|64|Remained|00:12:34
120|174|Elapsed|00:01:02
290|357|Transfered|1536.0 MBytes
445|508|Total Size|3072.0 MBytes
EOF

# Progress bar at 30,306 586 x 18, 50.25 %: fill {1, 1, 294, 17}.
"${IM[@]}" -size 586x18 xc:'#333333' -fill '#33ddff' -draw 'rectangle 1,1 293,16' \
  -font "$font" -pointsize 12 \
  -fill "$tag" -annotate "+263+$(awk 'BEGIN{printf "%d", 3 + 12*0.905 + 0.5}')" '50.25%' \
  -gravity northeast -annotate "+5+3" '1.500 MiB/Sec' "$tmp/bar.png"

"${IM[@]}" "$skin/bg.jpg" \
  \( "$skin/bg.jpg" -crop 590x20+29+284 +repage \) -geometry +32+287 -compose over -composite \
  "$tmp/bar.png" -geometry +30+306 -compose over -composite \
  "$skin/btn_folder_normal.jpg" -geometry +29+335 -compose over -composite \
  "$skin/btn_launch_disable.jpg" -geometry +312+335 -compose over -composite \
  "$skin/btn_start_over.jpg" -geometry +390+335 -compose over -composite \
  "$skin/btn_pause_down.jpg" -geometry +468+335 -compose over -composite \
  "$skin/btn_cancel_normal.jpg" -geometry +546+335 -compose over -composite \
  -font "$font" -pointsize 12 "${strip[@]}" \
  -fill "$value" -annotate "+128+$(awk 'BEGIN{printf "%d", 343 + 12*0.905 + 0.5}')" "${folder//\\/\\\\}" \
  "$tmp/window.png"

# Every state of every button, one row per button: normal, over, down, disable.
rows=()
for b in launch start pause cancel folder; do
  "${IM[@]}" "$skin/btn_${b}_normal.jpg" "$skin/btn_${b}_over.jpg" "$skin/btn_${b}_down.jpg" \
    "$skin/btn_${b}_disable.jpg" -background '#000000' -splice 8x0 +append "$tmp/row_$b.png"
  rows+=("$tmp/row_$b.png")
done
"${IM[@]}" "${rows[@]}" -background '#000000' -splice 0x6 -append -bordercolor '#000000' -border 6 "$tmp/states.png"
"${IM[@]}" "$tmp/window.png" -bordercolor '#202020' -border 10 \
  \( "$tmp/states.png" -scale 200% \) -background '#202020' -gravity center -append "$outfile"
echo "preview: $outfile"
