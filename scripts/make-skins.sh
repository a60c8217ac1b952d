#!/usr/bin/env bash
# Regenerates the skin bitmaps in data/skins from nothing but ImageMagick
# drawing primitives (no fonts beyond DejaVu, no downloaded artwork).
#
# Every file is an uncompressed 24-bit bottom-up BMP (BI_RGB). Shaped images
# are exact magenta 0xFF00FF outside their shape: each picture is drawn at 4x,
# box-scaled down, its coverage cut at 50 % and only then put on magenta, so
# no outline pixel is a blend of magenta and the shape's colour.
#
# Skinned buttons come in four states, <base>_normal/_down/_over/_disable.bmp:
#   navigation bar  start config edit output          104x34  light pill + accent disc
#   main window     pre next                           96x30  pill, arrow disc left/right
#   Config page     con_def con_ok                     96x30  pill, reset / check disc
#   Start page      newprj openprj previewprj          48x48  accent circle
#   Edit page       import_file import_cd record add_title del_title add_chapter
#                   del_chapter edit_chapter del_all up_move down_move
#                                                      32x32  rounded square
#                   preview_play preview_pause preview_stop preview_pre
#                   preview_next preview_volumeup preview_volumedown
#                   preview_full                       32x32  circle
#   Output page     output_device output_folder output_erase output_abort
#                                                      32x32  rounded square
#                   output_burn                        48x48  accent circle
# Pictures:
#   Navigation_back.bmp   710x56   navigation bar background (drawn 10 px in), opaque
#   start_logo.bmp        144x144  product disc, shaped
#   output_logo.bmp       144x144  disc being written, shaped
#   Preview_logo.bmp      192x144  idle preview area (4:3), opaque: it is scaled, not shaped
#   Progress_Zero.bmp     300x12   empty bar, shaped pill
#   Progress_Full.bmp     300x12   full bar, same shape
#   about.bmp             112x112  About box picture, opaque
#   splash.bmp            423x316  start-up splash, shaped card with a disc over its corner
#
# Captions of the pill buttons are drawn by the buttons themselves in the
# default (dark) button-text colour, so the pills stay light except when down.
# The square and round buttons are icon-only: their captions belong in tool
# tips, not over the image.
#
# Usage: scripts/make-skins.sh [output-folder]   (default: data/skins)
set -euo pipefail

out=${1:-"$(cd "$(dirname "$0")/.." && pwd)/data/skins"}
mkdir -p "$out"

readonly SS=4                 # supersampling factor
readonly MAGENTA='#FF00FF'
readonly FONT='DejaVu-Sans-Bold'
readonly FONT_LIGHT='DejaVu-Sans'

# Palette: slate greys, a teal accent, red for destructive commands.
readonly SLATE_950='#0B1220' SLATE_900='#0F172A' SLATE_800='#1E293B' SLATE_700='#334155'
readonly SLATE_600='#475569' SLATE_400='#94A3B8' SLATE_300='#CBD5E1'
readonly SLATE_200='#E2E8F0' SLATE_100='#F1F5F9' SLATE_50='#F8FAFC'
readonly TEAL_300='#5EEAD4' TEAL_400='#2DD4BF' TEAL_500='#14B8A6' TEAL_600='#0D9488'
readonly TEAL_700='#0F766E' TEAL_800='#115E59'
readonly RED_500='#EF4444' RED_600='#DC2626' RED_800='#991B1B'
readonly AMBER_400='#FBBF24'

# render OUT W H MVG [BASE] [MASK-MVG]
# Draws MVG (in output pixel units) at SS times the size over BASE (an
# ImageMagick canvas such as xc:none or gradient:A-B, default transparent). With
# MASK-MVG, only what the mask fills in white stays. The result is written as
# a 24-bit BMP, magenta where nothing was drawn.
render() {
  local file=$1 w=$2 h=$3 mvg=$4 base=${5:-xc:none} mask=${6:-}
  local big="$((w * SS))x$((h * SS))"
  local args=(-size "$big" "$base" -draw "scale $SS,$SS $mvg")
  if [[ -n $mask ]]; then
    args+=('(' -size "$big" xc:black -draw "scale $SS,$SS fill white stroke none $mask" ')'
           -alpha off -compose CopyOpacity -composite -compose Over)
  fi
  convert "${args[@]}" -scale "${w}x${h}!" \
    -channel A -threshold 50% +channel \
    -background "$MAGENTA" -flatten -alpha off -type TrueColor "BMP3:$out/$file"
}

# ---------------------------------------------------------------------------
# Glyphs: white pictograms in a 24x24 box centred on the origin. They paint
# with $G, cut details out with $B (the colour underneath), and use $A (accent
# badge), $D (danger badge) and $F (flame) for small coloured marks.

g_play()   { echo "fill $G stroke none polygon -5,-8.5 8.5,0 -5,8.5"; }
g_pause()  { echo "fill $G stroke none roundrectangle -7,-8 -2,8 1,1 roundrectangle 2,-8 7,8 1,1"; }
g_stop()   { echo "fill $G stroke none roundrectangle -7,-7 7,7 1.5,1.5"; }
g_prev()   { echo "fill $G stroke none rectangle -8.5,-7.5 -5.5,7.5 polygon 8,-7.5 -4.5,0 8,7.5"; }
g_next()   { echo "fill $G stroke none rectangle 5.5,-7.5 8.5,7.5 polygon -8,-7.5 4.5,0 -8,7.5"; }
g_speaker() { echo "fill $G stroke none polygon -10,-3.5 -6,-3.5 -1,-8.5 -1,8.5 -6,3.5 -10,3.5"; }
g_volumeup()   { echo "$(g_speaker) rectangle 2,-1.3 10,1.3 rectangle 4.7,-4 7.3,4"; }
g_volumedown() { echo "$(g_speaker) rectangle 2,-1.3 10,1.3"; }
g_full() {
  echo "fill none stroke $G stroke-width 2.6 stroke-linecap round stroke-linejoin round" \
       "polyline -8.5,-3 -8.5,-8.5 -3,-8.5 polyline 3,-8.5 8.5,-8.5 8.5,-3" \
       "polyline 8.5,3 8.5,8.5 3,8.5 polyline -3,8.5 -8.5,8.5 -8.5,3"
}
g_folder() {
  echo "fill $G stroke none polygon -10,-8 -3.5,-8 -1.5,-5.5 8,-5.5 8,-2 -10,-2" \
       "stroke $B stroke-width 1.3 polygon -7.5,-1.5 11,-1.5 8,8 -10,8 -10,-1.5"
}
g_disc() {
  echo "fill $G stroke none circle 0,0 0,9.5" \
       "fill none stroke $B stroke-width 1 circle 0,0 0,6" \
       "fill $B stroke none circle 0,0 0,2.6"
}
g_page() {
  echo "fill $G stroke none polygon -7,-9.5 2.5,-9.5 7.5,-4.5 7.5,9.5 -7,9.5" \
       "fill none stroke $B stroke-width 1.2 stroke-linejoin round polyline 2.5,-9.5 2.5,-4.5 7.5,-4.5"
}
g_import() {
  echo "$(g_page) fill none stroke $B stroke-width 2 stroke-linecap round stroke-linejoin round" \
       "line 0.2,-2.5 0.2,5 polyline -3.3,1.8 0.2,5.3 3.7,1.8"
}
g_record() {
  echo "fill none stroke $G stroke-width 1.8 circle 0,0 0,9 fill $D stroke none circle 0,0 0,6"
}
g_stack() {
  echo "fill none stroke $G stroke-width 2 stroke-linejoin round polyline -6,-5 -6,-9 8,-9 8,3 4,3" \
       "fill $G stroke none roundrectangle -10,-5 4,7 1.5,1.5"
}
g_note() {
  echo "fill $G stroke none push graphic-context translate -3,5.5 rotate -20" \
       "ellipse 0,0 4.2,3.1 0,360 pop graphic-context" \
       "rectangle 0,-9.5 2.2,5 polygon 2.2,-9.5 8,-6 8,-2.5 2.2,-5.5"
}
g_notes() {
  echo "fill $G stroke none" \
       "push graphic-context translate -6,6.5 rotate -20 ellipse 0,0 3.8,2.8 0,360 pop graphic-context" \
       "push graphic-context translate 5,4.5 rotate -20 ellipse 0,0 3.8,2.8 0,360 pop graphic-context" \
       "rectangle -3.1,-6 -1.2,6 rectangle 7.9,-8 9.8,4" \
       "polygon -3.1,-6 9.8,-8.5 9.8,-4.5 -3.1,-2"
}
# A round badge at the lower right: plus or minus, in accent or danger colour.
badge() {  # plus|minus colour
  local sign=$1 colour=$2
  local mark="rectangle 3.8,5.6 9.2,7.4"
  [[ $sign == plus ]] && mark+=" rectangle 5.6,3.8 7.4,9.2"
  echo "fill $colour stroke $B stroke-width 1.6 circle 6.5,6.5 6.5,0.5 fill $G stroke none $mark"
}
g_add_title()   { echo "$(g_stack) $(badge plus "$A")"; }
g_del_title()   { echo "$(g_stack) $(badge minus "$D")"; }
g_add_chapter() { echo "push graphic-context translate -3,-1.5 $(g_note) pop graphic-context $(badge plus "$A")"; }
g_del_chapter() { echo "push graphic-context translate -3,-1.5 $(g_note) pop graphic-context $(badge minus "$D")"; }
g_newdoc()      { echo "push graphic-context translate -2.5,-1 $(g_page) pop graphic-context $(badge plus "$A")"; }
g_pencil() {
  echo "push graphic-context rotate 45 fill $G stroke none" \
       "rectangle -2.8,-11 2.8,4.2 polygon -2.8,5.4 2.8,5.4 0,10.5" \
       "stroke $B stroke-width 1.2 line -3,-7 3,-7 pop graphic-context"
}
g_trash() {
  echo "fill $G stroke none roundrectangle -9,-8 9,-5.5 1,1" \
       "fill none stroke $G stroke-width 1.6 polyline -3,-8 -3,-10 3,-10 3,-8" \
       "fill $G stroke none polygon -7,-4 7,-4 6,9.5 -6,9.5" \
       "stroke $B stroke-width 1.4 line -2.4,-1 -2.1,6.5 line 2.4,-1 2.1,6.5"
}
g_up()    { echo "fill $G stroke none polygon 0,-9.5 8.5,-0.5 3,-0.5 3,9.5 -3,9.5 -3,-0.5 -8.5,-0.5"; }
g_down()  { echo "fill $G stroke none polygon 0,9.5 8.5,0.5 3,0.5 3,-9.5 -3,-9.5 -3,0.5 -8.5,0.5"; }
g_eject() { echo "fill $G stroke none polygon 0,-9 9.5,2.5 -9.5,2.5 roundrectangle -9.5,5 9.5,8.5 1,1"; }
g_eraser() {
  echo "push graphic-context translate 0.5,-1.5 rotate -40" \
       "fill none stroke $G stroke-width 2 roundrectangle -9,-4.5 8,4.5 1.5,1.5" \
       "fill $G stroke none rectangle -9,-4.5 -1.5,4.5 pop graphic-context" \
       "fill none stroke $G stroke-width 1.8 stroke-linecap round line -2,9.5 9.5,9.5"
}
g_abort() {
  echo "fill none stroke $G stroke-width 3.2 stroke-linecap round line -6.5,-6.5 6.5,6.5 line 6.5,-6.5 -6.5,6.5"
}
g_burn() {
  echo "push graphic-context translate -2,-2 scale 0.9,0.9 $(g_disc) pop graphic-context" \
       "push graphic-context translate 6.5,4.5" \
       "fill $F stroke $B stroke-width 1.4" \
       "path 'M 0.5,-8 C 1,-4.5 5.5,-2.5 5.5,2 C 5.5,5.5 3,7.5 0,7.5 C -3,7.5 -5.5,5.5 -5.5,2 C -5.5,-0.5 -4,-2.5 -2.5,-3.5 C -2.5,-1.5 -1.8,-0.3 -0.6,0 C -0.8,-3 -1.2,-5.5 0.5,-8 Z'" \
       "fill $G stroke none path 'M 0,1.5 C 1.5,3 2.5,3.8 2.5,5 C 2.5,6.2 1.4,6.8 0,6.8 C -1.4,6.8 -2.5,6.2 -2.5,5 C -2.5,3.8 -1.2,3 0,1.5 Z'" \
       "pop graphic-context"
}
g_check() {
  echo "fill none stroke $G stroke-width 3 stroke-linecap round stroke-linejoin round polyline -7.5,0.5 -2.5,5.5 7.5,-5.5"
}
g_reset() {
  echo "fill none stroke $G stroke-width 2.8 stroke-linecap round stroke-linejoin round" \
       "path 'M -4.5,-3.5 L 2.5,-3.5 A 5.5,5.5 0 0 1 2.5,7.5 L -3,7.5'" \
       "fill $G stroke none polygon -10.5,-3.5 -4,-9.5 -4,2.5"
}
g_gear() {
  local teeth="" a
  for a in 0 45 90 135 180 225 270 315; do
    teeth+=" push graphic-context rotate $a roundrectangle -2.2,-10 2.2,-5 0.8,0.8 pop graphic-context"
  done
  echo "fill $G stroke none circle 0,0 0,7.2 $teeth fill $B circle 0,0 0,3"
}
g_home() {
  echo "fill $G stroke none polygon 0,-9.5 10,-0.5 7,-0.5 7,8.5 -7,8.5 -7,-0.5 -10,-0.5" \
       "fill $B rectangle -2.2,2 2.2,8.5"
}
g_monitor() {
  echo "fill none stroke $G stroke-width 2 roundrectangle -10,-8.5 10,5 1.5,1.5" \
       "fill $G stroke none rectangle -1.5,5 1.5,8.5 roundrectangle -5.5,8 5.5,10 1,1" \
       "polygon -2.5,-5.5 3.8,-1.8 -2.5,1.9"
}
g_left()  { echo "fill none stroke $G stroke-width 3 stroke-linecap round stroke-linejoin round polyline 3,-7 -4,0 3,7"; }
g_right() { echo "fill none stroke $G stroke-width 3 stroke-linecap round stroke-linejoin round polyline -3,-7 4,0 -3,7"; }

# glyph NAME CX CY SCALE: the glyph moved to (CX,CY) and scaled.
glyph() { echo "push graphic-context translate $2,$3 scale $4,$4 $(g_"$1") pop graphic-context"; }

# ---------------------------------------------------------------------------
# Button states. `palette VARIANT STATE` sets BODY (fill), G B A D F (glyph
# colours, see above) and OFF (pressed offset in pixels).
palette() {
  local variant=$1 state=$2
  G=white A=$TEAL_400 D=$RED_500 F=$AMBER_400 OFF=0
  case $variant:$state in
    slate:normal)  BODY=$SLATE_700 ;;
    slate:over)    BODY=$SLATE_600 ;;
    slate:down)    BODY=$SLATE_900 G=$TEAL_300 OFF=1 ;;
    red:normal)    BODY=$RED_600 ;;
    red:over)      BODY=$RED_500 ;;
    red:down)      BODY=$RED_800 OFF=1 ;;
    teal:normal)   BODY=$TEAL_600 A=$SLATE_700 ;;
    teal:over)     BODY=$TEAL_500 A=$SLATE_700 ;;
    teal:down)     BODY=$TEAL_800 A=$SLATE_700 OFF=1 ;;
    *:disable)     BODY=$SLATE_300 G=$SLATE_100 A=$SLATE_400 D=$SLATE_400 F=$SLATE_400 ;;
    *) echo "unknown palette $variant:$state" >&2; exit 1 ;;
  esac
  B=$BODY
}

readonly STATES="normal over down disable"

# toolbutton BASE SIZE square|circle VARIANT GLYPH
toolbutton() {
  local base=$1 size=$2 shape=$3 variant=$4 name=$5 state
  local half k
  half=$(awk "BEGIN{print $size / 2}")
  k=$(awk "BEGIN{print ($size > 32 ? $size / 36 : $size / 32)}")
  for state in $STATES; do
    palette "$variant" "$state"
    local body
    if [[ $shape == circle ]]; then
      body="fill $BODY stroke none circle $half,$half $half,0.25"
    else
      body="fill $BODY stroke none roundrectangle 0.25,0.25 $(awk "BEGIN{print $size - 0.25}"),$(awk "BEGIN{print $size - 0.25}") 7,7"
    fi
    local c
    c=$(awk "BEGIN{print $half + $OFF}")
    render "${base}_${state}.bmp" "$size" "$size" "$body $(glyph "$name" "$c" "$c" "$k")"
  done
}

# pillbutton BASE W H GLYPH left|right
# A light pill with the glyph on an accent disc at one end; the caption is the
# button's own. Over lightens and rings it in the accent, down fills it with
# the accent and sinks the disc by a pixel.
pillbutton() {
  local base=$1 w=$2 h=$3 name=$4 side=$5 state
  local r=$((h / 2)) dr cx cy k body edge disc
  dr=$(awk "BEGIN{print $h / 2 - 4.5}")
  k=$(awk "BEGIN{print $dr / 17}")
  for state in $STATES; do
    palette slate "$state"
    case $state in
      normal)  body=$SLATE_200 edge=$SLATE_400 disc=$TEAL_600 ;;
      over)    body=$SLATE_50  edge=$TEAL_500  disc=$TEAL_500 ;;
      down)    body=$TEAL_500  edge=$TEAL_700  disc=$TEAL_800 ;;
      disable) body=$SLATE_200 edge=$SLATE_300 disc=$SLATE_300 ;;
    esac
    B=$disc
    [[ $state == disable ]] || G=white
    if [[ $side == left ]]; then cx=$(awk "BEGIN{print $r + $OFF}"); else cx=$(awk "BEGIN{print $w - $r + $OFF}"); fi
    cy=$(awk "BEGIN{print $h / 2 + $OFF}")
    local mvg="fill $body stroke $edge stroke-width 1.2"
    mvg+=" roundrectangle 0.6,0.6 $(awk "BEGIN{print $w - 0.6}"),$(awk "BEGIN{print $h - 0.6}") $r,$r"
    mvg+=" fill $disc stroke none circle $cx,$cy $(awk "BEGIN{print $cx + $dr}"),$cy"
    mvg+=" $(glyph "$name" "$cx" "$cy" "$k")"
    render "${base}_${state}.bmp" "$w" "$h" "$mvg"
  done
}

# The product mark: a teal disc with grooves and a pair of notes, radius R at (X,Y).
mark() {  # X Y R
  local x=$1 y=$2 r=$3
  awk -v x="$x" -v y="$y" -v r="$r" -v t5="$TEAL_500" -v t7="$TEAL_700" -v t4="$TEAL_300" 'BEGIN{
    printf "fill %s stroke none circle %g,%g %g,%g ", t5, x, y, x + r, y
    printf "fill none stroke %s stroke-width %g circle %g,%g %g,%g circle %g,%g %g,%g ", t7, r * 0.035, x, y, x + r * 0.82, y, x, y, x + r * 0.64, y
    printf "stroke %s stroke-width %g stroke-linecap round path \"M %g,%g A %g,%g 0 0 1 %g,%g\" ", t4, r * 0.05, x - r * 0.64, y - r * 0.52, r * 0.82, r * 0.82, x - r * 0.2, y - r * 0.8
  }'
  G=white B=$TEAL_500
  glyph notes "$(awk "BEGIN{print $x - $r * 0.05}")" "$(awk "BEGIN{print $y + $r * 0.03}")" "$(awk "BEGIN{print $r / 17}")"
}

# ---------------------------------------------------------------------------
# Buttons.

pillbutton start  104 34 home    left
pillbutton config 104 34 gear    left
pillbutton edit   104 34 note    left
pillbutton output 104 34 disc    left
pillbutton pre     96 30 left    left
pillbutton next    96 30 right   right
pillbutton con_def 96 30 reset  left
pillbutton con_ok  96 30 check  left

toolbutton newprj     48 circle teal newdoc
toolbutton openprj    48 circle teal folder
toolbutton previewprj 48 circle teal monitor

toolbutton import_file  32 square slate import
toolbutton import_cd    32 square slate disc
toolbutton record       32 square slate record
toolbutton add_title    32 square slate add_title
toolbutton del_title    32 square slate del_title
toolbutton add_chapter  32 square slate add_chapter
toolbutton del_chapter  32 square slate del_chapter
toolbutton edit_chapter 32 square slate pencil
toolbutton del_all      32 square red   trash
toolbutton up_move      32 square slate up
toolbutton down_move    32 square slate down

toolbutton preview_play       32 circle teal  play
toolbutton preview_pause      32 circle slate pause
toolbutton preview_stop       32 circle slate stop
toolbutton preview_pre        32 circle slate prev
toolbutton preview_next       32 circle slate next
toolbutton preview_volumeup   32 circle slate volumeup
toolbutton preview_volumedown 32 circle slate volumedown
toolbutton preview_full       32 circle slate full

toolbutton output_device 32 square slate eject
toolbutton output_folder 32 square slate folder
toolbutton output_erase  32 square slate eraser
toolbutton output_abort  32 square red   abort
toolbutton output_burn   48 circle teal  burn

# ---------------------------------------------------------------------------
# Bars.

pill="roundrectangle 0.6,0.6 299.4,11.4 6,6"
render Progress_Zero.bmp 300 12 "fill $SLATE_300 stroke $SLATE_400 stroke-width 1.2 $pill"
render Progress_Full.bmp 300 12 \
  "fill $TEAL_500 stroke $TEAL_700 stroke-width 1.2 $pill
   stroke none fill $TEAL_400 roundrectangle 3,2.2 297,5 1.5,1.5"

# ---------------------------------------------------------------------------
# Pictures.

# Navigation bar: dark slate with an accent rule and the product name on the right.
render Navigation_back.bmp 710 56 \
  "fill $SLATE_700 stroke none rectangle 0,0 710,1
   fill $TEAL_500 rectangle 0,52.5 710,56
   $(mark 598 26 16)
   fill white stroke none font '$FONT' font-size 20 text-anchor end text 698,33.5 'Verosa'" \
  "gradient:$SLATE_800-$SLATE_950"

# Start page: the product mark on its own, shaped round.
render start_logo.bmp 144 144 "$(mark 72 72 71.5)"

# Output page: a disc being written, a progress arc and a DVD label (drawn
# on a 160 grid, written at 144).
render output_logo.bmp 144 144 \
  "scale 0.9,0.9
   fill $SLATE_800 stroke none circle 80,80 159.5,80
   fill none stroke $SLATE_600 stroke-width 7 circle 80,80 143,80
   stroke $TEAL_400 stroke-linecap round path 'M 80,17 A 63,63 0 1 1 25.4,111.5'
   fill $TEAL_600 stroke none circle 80,80 132,80
   fill none stroke $TEAL_700 stroke-width 1.5 circle 80,80 121,80 circle 80,80 109,80
   fill $SLATE_100 stroke none circle 80,80 95,80
   fill $TEAL_600 circle 80,80 86,80
   fill white font '$FONT' font-size 17 text-anchor middle text 80,130 'DVD'
   push graphic-context translate 80,47 fill white stroke none
     polygon -5,-14 5,-14 5,-2 11,-2 0,9 -11,-2 -5,-2
   pop graphic-context"

# Edit page, idle preview area (scaled to the area, so opaque).
render Preview_logo.bmp 192 144 \
  "scale 0.8,0.8
   $(mark 120 78 46)
   fill $SLATE_400 stroke none font '$FONT' font-size 18 text-anchor middle text 120,152 'Verosa'" \
  "gradient:$SLATE_800-$SLATE_950"

# About box.
render about.bmp 112 112 "$(mark 56 56 46)" "gradient:$SLATE_700-$SLATE_900"

# Splash: a dark card whose upper right corner carries a disc that reaches past
# the card's edge; the disc's centre hole is cut out of the window shape too.
splash_shape="roundrectangle 0.5,26 396,315.5 22,22 circle 364,62 364,3.5"
equaliser=""
x=34
for bar in 16 28 40 24 46 34 52 30 20 36 26 12; do
  equaliser+=" roundrectangle $x,$((294 - bar)) $((x + 7)),294 2,2"
  x=$((x + 12))
done
render splash.bmp 423 316 \
  "fill $TEAL_500 stroke none circle 364,62 364,3.5
   fill none stroke $TEAL_700 stroke-width 2 circle 364,62 364,12 circle 364,62 364,24
   stroke $TEAL_300 stroke-width 3 stroke-linecap round path 'M 322,40 A 48,48 0 0 1 350,16'
   fill $SLATE_100 stroke none circle 364,62 364,42
   fill $TEAL_700 circle 364,62 364,51
   fill white font '$FONT' font-size 62 text-anchor start text 30,176 'Verosa'
   fill $TEAL_500 stroke none roundrectangle 33,194 123,199 2,2
   fill $SLATE_400 font '$FONT_LIGHT' font-size 17 text 33,228 'DVD-Video'
   fill $TEAL_600 $equaliser" \
  "gradient:$SLATE_800-$SLATE_950" \
  "$splash_shape fill black circle 364,62 364,53"

echo "skins written to $out"
