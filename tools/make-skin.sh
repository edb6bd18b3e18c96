#!/usr/bin/env bash
# Paints the downloader's skin: the 640 x 380 background (resource 102), the four 70 x 30 state
# pictures of each of the five buttons (resources 134..153) and the program icon (resource 101),
# all into resources/ (or into the folder given as the first argument).
#
#   tools/make-skin.sh [out-dir]
#
# The generated files are committed, so building the program needs no image tools; run this only
# to change the artwork, then commit what it wrote. It needs ImageMagick (Debian: imagemagick)
# and two font packages: fonts-liberation2 (button labels, Liberation Sans Bold) and
# fonts-urw-base35 (the title, P052 Bold, a Palatino-like face; imagemagick already brings it in
# through ghostscript).
#
# Same input, same bytes: every random texture takes a fixed seed, ImageMagick runs on one thread
# (so that noise cannot depend on how work is split between threads), and every JPEG is written
# with -strip (no EXIF, no timestamps, no comment), fixed quality and 4:4:4 sampling (the small
# button labels and the one-pixel lines keep clean colour edges). The icon's PNG-compressed 256 px
# frame is written without date, time or text chunks. tools/skin/preview.sh shows the result as
# the program assembles it.
#
# Places the program draws over, which the picture keeps free of text and detail (window pixels):
#   information strip   the panel window sits at 32,287 590 x 20 but paints the background's
#                       pixels 29..638 x 284..303 into itself, i.e. shifted by 3,3: the strip is one
#                       even dark colour over 23..623 x 280..328 so the shift cannot show
#   progress bar        30,306 586 x 18, set in a groove inside the same dark band
#   folder path         text box 128,343 .. 301,362, inside a recessed field 106..306 x 335..364
#   buttons             folder 29, launch 312, start 390, pause 468, cancel 546; all at y 335, 70 x 30
#
# Each button picture is painted over the background's own pixels at the button's place, so its
# rounded corners blend into the panel exactly.
#
# Files and the resources they become (tolvin.rc):
#   bg.jpg 102, tolvin.ico 101
#   btn_<name>_<state>.jpg, state = normal, over, down, disable (in this order, base id + 0..3):
#   cancel 134, folder 138, launch 142, start 146, pause 150
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
out=${1:-$root/resources}
mkdir -p "$out"
out=$(cd "$out" && pwd)

if command -v magick >/dev/null 2>&1; then IM=(magick); else IM=(convert); fi
IM+=(-limit thread 1)
export OMP_NUM_THREADS=1 MAGICK_THREAD_LIMIT=1

font_sans_bold=/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf
font_sans=/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf
font_title=/usr/share/fonts/opentype/urw-base35/P052-Bold.otf
for f in "$font_sans_bold" "$font_sans"; do
  [[ -f $f ]] || { echo "make-skin: $f missing (apt-get install fonts-liberation2)" >&2; exit 1; }
done
[[ -f $font_title ]] || { echo "make-skin: $font_title missing (apt-get install fonts-urw-base35)" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"

W=640
H=380
JPEG=(-strip -units PixelsPerInch -density 96 -quality 94 -sampling-factor 1x1 -interlace none -colorspace sRGB -type TrueColor)

# A solid colour whose opacity is a greyscale mask: colour, mask, output.
tint() {
  local size
  size=$("${IM[@]}" "$2" -format '%wx%h' info:)
  "${IM[@]}" -size "$size" "xc:$1" \( "$2" -colorspace gray -alpha off \) -compose copy_opacity -composite "$3"
}

# Light of a colour in the amount of a greyscale mask, for screen compositing: colour, mask, output.
light() {
  local size
  size=$("${IM[@]}" "$2" -format '%wx%h' info:)
  "${IM[@]}" -size "$size" "xc:$1" \( "$2" -colorspace gray -alpha off \) -compose multiply -composite "$3"
}

# --- background -----------------------------------------------------------------------------

# A smooth random curve over the window's width: seed, number of control points, output (W x 1).
octave() {
  "${IM[@]}" -seed "$1" -size "${2}x1" xc:gray50 +noise Random -channel G -separate +channel \
    -filter Cubic -resize "${W}x1!" "$3"
}

# Mask (white = rock) of a mountain range whose ridge wanders around row $2 by about $3 pixels.
# The two finer octaves are folded (1 - |2v - 1|) so that the skyline gets sharp peaks, not bumps.
ridge() {
  local seed=$1 row=$2 amp=$3 outfile=$4
  octave "$seed" 5 o1.png
  octave $((seed + 1)) 11 o2.png
  octave $((seed + 2)) 29 o3.png
  octave $((seed + 3)) 83 o4.png
  "${IM[@]}" o3.png -fx '1-abs(2*u-1)' o3.png
  "${IM[@]}" o4.png -fx '1-abs(2*u-1)' o4.png
  local scale base
  scale=$(awk "BEGIN{print $amp/($H-1)}")
  base=$(awk "BEGIN{print 100*($row - $amp*0.5)/($H-1)}")
  "${IM[@]}" o1.png o2.png o3.png o4.png -poly "0.52,1 0.26,1 0.16,1 0.06,1" \
    -negate -evaluate multiply "$scale" -evaluate add "${base}%" -scale "${W}x${H}!" profile.png
  "${IM[@]}" -size "${W}x${H}" gradient:black-white profile.png -fx '(u-v)*(h-1)+0.5' -clamp "$outfile"
}

# Fills a mask with a vertical gradient (colour at row y0 to colour at row y1) and lays it over $1.
layer() {
  local img=$1 mask=$2 c0=$3 y0=$4 c1=$5 y1=$6
  "${IM[@]}" -size "${W}x$((y1 - y0))" "gradient:$c0-$c1" \
    -background "$c1" -gravity north -splice "0x$y0" -gravity south -extent "${W}x${H}" +gravity \
    -background "$c0" -gravity north -extent "${W}x${H}" +gravity fill.png
  "${IM[@]}" fill.png "$mask" -alpha off -compose copy_opacity -composite layer.png
  "${IM[@]}" "$img" layer.png -compose over -composite "$img"
}

# Sky: night blue, lighter towards the horizon, with a dawn glow behind the mountains' middle.
"${IM[@]}" -size "${W}x230" gradient:'#020409'-'#123151' -background '#123151' -extent "${W}x${H}" sky.png
"${IM[@]}" -size 1100x520 radial-gradient:'#3b8ad0'-black -crop "${W}x${H}+230+50" -level 0,100%,0.8 +repage glow.png
"${IM[@]}" sky.png glow.png -compose screen -composite sky.png

# Light rays fanning out of the glow.
"${IM[@]}" -seed 5 -size 160x1 xc:gray50 +noise Random -channel G -separate +channel \
  -sigmoidal-contrast 9x62% -filter Gaussian -define filter:sigma=0.7 -resize 1000x1! -scale 1000x460! \
  \( -size 1000x460 gradient:gray70-black \) -compose multiply -composite \
  -virtual-pixel black -distort Polar "460,0 320,214" -crop "${W}x${H}+0+0" +repage \
  -blur 0x1.2 -evaluate multiply 0.22 rays.png
light '#7fc8ff' rays.png rays_c.png
"${IM[@]}" sky.png rays_c.png -compose screen -composite sky.png

# A few faint stars, fading out towards the horizon.
"${IM[@]}" -seed 19 -size "${W}x${H}" xc:gray50 +noise Random -channel G -separate +channel \
  -threshold 99.78% -morphology Dilate Disk:0.6 -blur 0x0.45 \
  \( -size "${W}x200" gradient:gray55-black -background black -extent "${W}x${H}" \) \
  -compose multiply -composite stars.png
"${IM[@]}" sky.png stars.png -compose screen -composite sky.png

# Three mountain ranges, the nearer darker, with mist lying in the far ones' valleys.
ridge 41 176 88 m1.png
ridge 52 214 70 m2.png
ridge 63 252 58 m3.png
# The far ridge catches the glow behind it: a thin rim of light along its top, brightest in the middle.
"${IM[@]}" m1.png \( m1.png -roll +0+2 -negate \) -compose multiply -composite \
  glow.png -compose multiply -composite -level 0,60% rim.png
layer sky.png m1.png '#10283f' 130 '#1f4b72' 260
light '#8fdcff' rim.png rim_c.png
"${IM[@]}" sky.png rim_c.png -compose screen -composite sky.png
layer sky.png m2.png '#0a1726' 170 '#143150' 272
layer sky.png m3.png '#05090f' 215 '#0b1726' 300

# A low mist band over the valleys, torn by noise.
"${IM[@]}" -seed 77 -size 160x24 xc:gray50 +noise Random -channel G -separate +channel \
  -filter Cubic -resize "${W}x60!" -level 35%,90% \
  \( -size "${W}x60" gradient:black-white -function Polynomial -4,4,0 \) -compose multiply -composite \
  -background black -gravity north -splice 0x200 -extent "${W}x${H}" +gravity -evaluate multiply 0.30 mist.png
light '#6fa8d8' mist.png mist_c.png
"${IM[@]}" sky.png mist_c.png -compose screen -composite sky.png

# Fine grain against banding, and a soft vignette.
"${IM[@]}" -seed 3 -size "${W}x${H}" xc:gray50 +noise Gaussian -channel G -separate +channel \
  -evaluate subtract 50% -evaluate multiply 0.06 -evaluate add 50% grain.png
"${IM[@]}" sky.png grain.png -compose overlay -composite sky.png
"${IM[@]}" -size 900x620 radial-gradient:white-gray30 -gravity center -crop "${W}x${H}+0+0" +repage +gravity vignette.png
"${IM[@]}" sky.png vignette.png -compose multiply -composite art.png

# Title: "TOLVIN" in letter-spaced caps, silver-blue fill over a cold glow.
title_y=58
"${IM[@]}" -size "${W}x${H}" xc:black -font "$font_title" -pointsize 62 -kerning 15 \
  -fill white -gravity north -annotate "+7+$title_y" 'TOLVIN' +gravity title_mask.png
"${IM[@]}" -size "${W}x${H}" gradient:'#ffffff'-'#5d8fc4' title_fill.png
"${IM[@]}" title_fill.png \( title_mask.png -alpha off \) -compose copy_opacity -composite title.png
"${IM[@]}" title_mask.png -blur 0x10 -evaluate multiply 0.7 title_glow.png
"${IM[@]}" title_mask.png -blur 0x1.5 -roll +1+2 -evaluate multiply 0.8 title_shadow_mask.png
tint black title_shadow_mask.png title_shadow.png
light '#2f8fe0' title_glow.png title_glow_c.png
"${IM[@]}" art.png title_glow_c.png -compose screen -composite \
  title_shadow.png -compose over -composite title.png -compose over -composite art.png

# Subtitle between two fading rules, each ending in a small diamond.
sub_y=140
"${IM[@]}" -background none -font "$font_sans" -pointsize 11 -kerning 4.2 -fill '#a9c8e6' \
  label:'FULL CLIENT DOWNLOADER' -trim +repage sub.png
sub_w=$("${IM[@]}" sub.png -format '%w' info:)
sub_h=$("${IM[@]}" sub.png -format '%h' info:)
sub_x=$(((W - sub_w) / 2))
mid=$((sub_y + sub_h / 2))
dl=$((sub_x - 12))
dr=$((sub_x + sub_w + 12))
"${IM[@]}" -size 1x140 gradient:black-white -rotate -90 rule_mask.png
tint '#7fb2e0' rule_mask.png rule_l.png
"${IM[@]}" rule_l.png -flop rule_r.png
"${IM[@]}" art.png sub.png -geometry "+$sub_x+$sub_y" -compose over -composite \
  rule_l.png -geometry "+$((dl - 144))+$mid" -compose over -composite \
  rule_r.png -geometry "+$((dr + 5))+$mid" -compose over -composite \
  -fill '#9fd0ff' -stroke none \
  -draw "polygon $dl,$((mid - 3)) $((dl + 3)),$mid $dl,$((mid + 3)) $((dl - 3)),$mid" \
  -draw "polygon $dr,$((mid - 3)) $((dr + 3)),$mid $dr,$((mid + 3)) $((dr - 3)),$mid" \
  art.png

# --- control panel ---------------------------------------------------------------------------

# Brushed dark plate with a lit top edge.
"${IM[@]}" -seed 88 -size "${W}x110" xc:gray50 +noise Gaussian -channel G -separate +channel \
  -motion-blur 0x14+0 -evaluate subtract 50% -evaluate multiply 0.35 -evaluate add 50% plate_grain.png
"${IM[@]}" -size 624x102 gradient:'#121c28'-'#070a0f' plate.png
"${IM[@]}" plate.png \( plate_grain.png -crop 624x102+0+0 +repage \) -compose overlay -composite plate.png
"${IM[@]}" -size 624x102 xc:black -fill white -draw 'roundrectangle 0,0 623,101 6,6' plate_mask.png
"${IM[@]}" plate.png plate_mask.png -alpha off -compose copy_opacity -composite plate.png
"${IM[@]}" -size 624x102 xc:none -fill none -stroke '#2a4562' -strokewidth 1 \
  -draw 'roundrectangle 0.5,0.5 623.5,101.5 6,6' plate_edge.png
# The accent along the top edge brightens towards the middle.
"${IM[@]}" -size 312x1 gradient:'#33ddff00'-'#33ddffcc' accent_l.png
"${IM[@]}" accent_l.png \( accent_l.png -flop \) +append accent.png
"${IM[@]}" art.png \( -size "${W}x${H}" xc:none -fill '#000000a0' -draw 'roundrectangle 7,272 633,376 7,7' -blur 0x3 \) \
  -compose over -composite \
  plate.png -geometry +8+271 -compose over -composite \
  plate_edge.png -geometry +8+271 -compose over -composite \
  \( accent.png -resize 560x1! \) -geometry +40+271 -compose over -composite \
  \( accent.png -resize 560x1! -blur 0x1.2 -evaluate multiply 0.6 \) -geometry +40+272 -compose over -composite \
  art.png

# Recessed band for the information strip and the progress bar: shadow on the top and left
# edges, light on the bottom and right, one flat colour inside.
band_fill='#070b11'
"${IM[@]}" art.png -stroke none \
  -fill '#000000' -draw 'rectangle 21,278 625,330' \
  -fill '#1f2f40' -draw 'rectangle 22,330 625,330' -draw 'rectangle 625,279 625,330' \
  -fill '#020305' -draw 'rectangle 22,279 624,279' -draw 'rectangle 22,279 22,329' \
  -fill "$band_fill" -draw 'rectangle 23,280 623,328' \
  art.png
# The progress bar's groove; its top edge lies under the information strip, which shows the flat
# band colour there.
"${IM[@]}" art.png -stroke none \
  -fill '#000000' -draw 'rectangle 29,305 616,324' \
  -fill '#16212d' -draw 'rectangle 29,325 617,325' -draw 'rectangle 617,305 617,325' \
  -fill '#333333' -draw 'rectangle 30,306 615,323' \
  art.png

# Recessed field for the download folder's path, with a small folder mark in front of the text.
"${IM[@]}" art.png -stroke none \
  -fill '#000000' -draw 'rectangle 106,335 306,364' \
  -fill '#223347' -draw 'rectangle 107,364 306,364' -draw 'rectangle 306,336 306,364' \
  -fill '#020406' -draw 'rectangle 107,336 305,336' -draw 'rectangle 107,336 107,363' \
  -fill '#060a0f' -draw 'rectangle 108,337 305,363' \
  -fill '#35536f' -draw 'polygon 112,345 116,345 117.5,346.5 123,346.5 123,355 112,355' \
  -fill '#060a0f' -draw 'rectangle 113,348 122,348' \
  art.png

# Sockets under the buttons: a dark line round each, lit below and right.
sockets=()
for x in 29 312 390 468 546; do
  sockets+=(-fill '#000000' -draw "rectangle $((x - 1)),334 $((x + 70)),365"
            -fill '#1c2a38' -draw "rectangle $((x - 1)),366 $((x + 71)),366" -draw "rectangle $((x + 71)),334 $((x + 71)),366")
done
"${IM[@]}" art.png -stroke none "${sockets[@]}" art.png

# Window frame: the window has no border of its own.
"${IM[@]}" art.png -fill none -strokewidth 1 \
  -stroke '#35597c' -draw 'rectangle 0,0 639,379' \
  -stroke '#05080c' -draw 'rectangle 1,1 638,378' \
  -stroke '#15263a' -draw 'rectangle 2,2 637,377' \
  -stroke '#33ddff' -draw 'line 0,0 14,0' -draw 'line 0,0 0,14' -draw 'line 625,0 639,0' -draw 'line 639,0 639,14' \
  -draw 'line 0,379 14,379' -draw 'line 0,365 0,379' -draw 'line 625,379 639,379' -draw 'line 639,365 639,379' \
  art.png

"${IM[@]}" art.png "${JPEG[@]}" -quality 93 "$out/bg.jpg"

# --- buttons ---------------------------------------------------------------------------------

# Glyphs in 70 x 30 button coordinates, drawn left of the label from x 0 (translated into place).
glyph() {
  case $1 in
    play)   echo 'polygon 0,10 8,15 0,20' ;;
    start)  echo 'polygon 3,9 6,9 6,14 9,14 4.5,18.5 0,14 3,14 rectangle 0,20 9,21' ;;
    pause)  echo 'rectangle 0,10 2,20 rectangle 5,10 7,20' ;;
    quit)   echo 'polygon 0,11 1.5,9.5 4.5,12.5 7.5,9.5 9,11 6,14 9,17 7.5,18.5 4.5,15.5 1.5,18.5 0,17 3,14' ;;
    folder) echo 'polygon 0,10 4,10 5.5,11.5 10,11.5 10,20 0,20' ;;
  esac
}
glyph_width() {
  case $1 in play) echo 8 ;; start) echo 9 ;; pause) echo 7 ;; quit) echo 9 ;; folder) echo 10 ;; esac
}

# Palettes: body top, body bottom, border, top light, label, glyph.
declare -A pal
pal[steel_normal]='#2c4560 #111c29 #46698c #6f98bf #dce7f2 #8fc3f0'
pal[steel_over]='#3d6188 #172a3e #6fd6ff #a4d6ff #ffffff #6fe3ff'
pal[steel_down]='#0c1520 #1b2c40 #2f4b68 #0c1520 #a9bfd6 #6fa3cf'
pal[cyan_normal]='#1d5578 #0c2232 #3a8fbf #6cc4ef #e8f6ff #5fe0ff'
pal[cyan_over]='#2a77a6 #103049 #7fe6ff #b6ecff #ffffff #9ff0ff'
pal[cyan_down]='#08192a #15405e #2c6f96 #08192a #b4d8ec #4fb8e0'
pal[lime_normal]='#4f6e17 #1d2b08 #86b02a #b5dc5a #f4ffe0 #d4ff3a'
pal[lime_over]='#6a9320 #26390b #d0ff40 #deff8c #ffffff #e8ff70'
pal[lime_down]='#141e06 #3a5312 #5f7f1c #141e06 #cfe2a6 #a9d22a'
pal[disable]='#2b2e32 #1a1c1f #3b3f44 #3f4348 #62666c #53575c'

# One state picture: button name, x on the window, label, glyph, accent, state, output file.
button() {
  local name=$1 bx=$2 label=$3 g=$4 accent=$5 state=$6 file=$7
  local key=${accent}_$state
  [[ $state == disable ]] && key=disable
  local top bottom border light text gcol
  read -r top bottom border light text gcol <<<"${pal[$key]}"
  local dx=0
  [[ $state == down ]] && dx=1

  # Body over the background's own pixels.
  "${IM[@]}" art.png -crop "70x30+$bx+335" +repage base.png
  "${IM[@]}" -size 70x30 "gradient:$top-$bottom" body.png
  if [[ $state == disable ]]; then
    "${IM[@]}" body.png -modulate 100,0 body.png
  fi
  "${IM[@]}" -size 70x30 xc:black -fill white -draw 'roundrectangle 0,0 69,29 3,3' shape.png
  "${IM[@]}" body.png shape.png -alpha off -compose copy_opacity -composite body_a.png
  "${IM[@]}" base.png body_a.png -compose over -composite btn.png

  # Upper sheen on the raised states.
  if [[ $state == normal || $state == over ]]; then
    "${IM[@]}" -size 70x14 gradient:gray16-black -background black -extent 70x30 shape.png \
      -compose multiply -composite sheen_mask.png
    tint white sheen_mask.png sheen.png
    "${IM[@]}" btn.png sheen.png -compose over -composite btn.png
  fi
  # Glow inside the border when the pointer is over it.
  if [[ $state == over ]]; then
    "${IM[@]}" -size 70x30 xc:black -fill none -stroke white -strokewidth 3 \
      -draw 'roundrectangle 1.5,1.5 68.5,28.5 3,3' -blur 0x2.2 shape.png -compose multiply -composite \
      -evaluate multiply 0.7 glow_mask.png
    tint "$border" glow_mask.png glow_in.png
    "${IM[@]}" btn.png glow_in.png -compose screen -composite btn.png
  fi
  # Pressed: shadow falling in from the top left.
  if [[ $state == down ]]; then
    "${IM[@]}" -size 70x30 xc:black -fill none -stroke white -strokewidth 4 \
      -draw 'roundrectangle 0,0 69,29 3,3' -blur 0x2 -roll +1+1 shape.png -compose multiply -composite \
      -evaluate multiply 0.85 shadow_mask_in.png
    tint black shadow_mask_in.png shadow_in.png
    "${IM[@]}" btn.png shadow_in.png -compose over -composite btn.png
  fi

  # Border and the light line along the top.
  "${IM[@]}" btn.png -fill none -strokewidth 1 -stroke "$border" -draw 'roundrectangle 0.5,0.5 69.5,29.5 3,3' btn.png
  if [[ $state != down ]]; then
    "${IM[@]}" btn.png -stroke "${light}" -strokewidth 1 -draw 'line 3,1.5 66,1.5' btn.png
  fi

  # Label and glyph, centred together, then shifted for the pressed look.
  local gw
  gw=$(glyph_width "$g")
  "${IM[@]}" -background none -font "$font_sans_bold" -pointsize 10.5 -kerning 0.9 -fill white \
    "label:$label" -trim +repage lab.png
  local lw
  lw=$("${IM[@]}" lab.png -format '%w' info:)
  local total=$((gw + 5 + lw))
  local gx=$(((70 - total) / 2))
  local lx=$((gx + gw + 5))
  "${IM[@]}" -size 70x30 xc:none -background none \
    -fill "$gcol" -stroke none -draw "translate $((gx + dx)),$dx $(glyph "$g")" \
    \( lab.png -fill "$text" -colorize 100 \) -geometry "+$((lx + dx))+$((11 + dx))" -compose over -composite content.png
  # A one-pixel dark shadow under the content keeps it legible on the light states.
  "${IM[@]}" content.png -alpha extract -roll +0+1 -evaluate multiply 0.55 shadow_mask.png
  tint black shadow_mask.png content_shadow.png
  "${IM[@]}" btn.png content_shadow.png -compose over -composite content.png -compose over -composite btn.png
  if [[ $state == over ]]; then
    "${IM[@]}" content.png -alpha extract -blur 0x2 -evaluate multiply 0.5 halo.png
    light "$gcol" halo.png halo_c.png
    "${IM[@]}" btn.png halo_c.png -compose screen -composite btn.png
  fi

  "${IM[@]}" btn.png "${JPEG[@]}" -quality 95 "$file"
}

# name x label glyph accent
buttons=(
  "cancel 546 QUIT quit steel"
  "folder 29 FOLDER folder steel"
  "launch 312 PLAY play lime"
  "start 390 START start cyan"
  "pause 468 PAUSE pause steel"
)
for b in "${buttons[@]}"; do
  read -r name bx label g accent <<<"$b"
  for state in normal over down disable; do
    button "$name" "$bx" "$label" "$g" "$accent" "$state" "$out/btn_${name}_${state}.jpg"
  done
done

# --- icon ------------------------------------------------------------------------------------

# A "T" whose stem ends in a download arrow, above a tray line, on a dark-blue rounded badge.
# Drawn at 512 px and reduced for each size, so every frame is antialiased by the reduction.
icon_art() {
  "${IM[@]}" -size 512x512 xc:none \
    -fill '#0b1a2b' -stroke '#3d7fb5' -strokewidth 14 -draw 'roundrectangle 20,20 491,491 96,96' \
    icon_badge.png
  "${IM[@]}" -size 512x512 gradient:'#25507c'-'#07111c' icon_fill.png
  "${IM[@]}" -size 512x512 xc:black -fill white -draw 'roundrectangle 27,27 484,484 90,90' icon_inner.png
  "${IM[@]}" icon_fill.png icon_inner.png -alpha off -compose copy_opacity -composite icon_in.png
  "${IM[@]}" -size 512x512 xc:black -fill white -stroke none \
    -draw 'roundrectangle 104,96 408,164 18,18' \
    -draw 'rectangle 220,150 292,292' \
    -draw 'polygon 150,270 362,270 256,388' \
    -draw 'roundrectangle 136,410 376,444 14,14' icon_mark.png
  "${IM[@]}" -size 512x512 gradient:'#a8f0ff'-'#2bb8f0' icon_markfill.png
  "${IM[@]}" icon_markfill.png icon_mark.png -alpha off -compose copy_opacity -composite icon_markc.png
  "${IM[@]}" icon_mark.png -blur 0x14 -evaluate multiply 0.7 icon_glowa.png
  tint '#33ddff' icon_glowa.png icon_glow.png
  "${IM[@]}" icon_badge.png icon_in.png -compose over -composite \
    icon_glow.png -compose over -composite icon_markc.png -compose over -composite icon512.png
}
icon_art
for s in 256 48 32; do
  "${IM[@]}" icon512.png -filter Lanczos -resize "${s}x${s}" "icon_$s.png"
done
# At 16 px the badge outline and the glow would smear: a plain badge and a heavier mark instead.
"${IM[@]}" -size 16x16 xc:none -fill '#0d2136' -stroke '#3d7fb5' -strokewidth 1 \
  -draw 'roundrectangle 0.5,0.5 15.5,15.5 3,3' -stroke none -fill '#5fdcff' \
  -draw 'rectangle 3,3 12,4' -draw 'rectangle 7,5 8,8' -draw 'polygon 4.5,8.5 11.5,8.5 8,12' \
  -draw 'rectangle 4,13 11,13' icon_16.png
"${IM[@]}" icon_256.png icon_48.png icon_32.png icon_16.png -strip -depth 8 \
  -define png:exclude-chunks=date,time,tEXt,zTXt,iTXt "$out/tolvin.ico"

echo "make-skin: wrote bg.jpg, 20 button pictures and tolvin.ico to $out"
