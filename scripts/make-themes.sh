#!/usr/bin/env bash
# Regenerates the disc themes in data/Theme with ImageMagick alone. Each
# theme folder holds "menu.jpg" (the menu background, with an empty title
# panel) and "Chapter.jpg" (the default chapter background, dark and calm in
# the middle so that centred white lyrics stay readable), both 720 x 576.
# KEEP_TMP=DIR keeps the intermediate pictures in DIR.
set -euo pipefail
cd "$(dirname "$0")/../data/Theme"

W=720
H=576
tmp=${KEEP_TMP:-$(mktemp -d)}
trap '[ -n "${KEEP_TMP:-}" ] || rm -rf "$tmp"' EXIT

im() { convert "$@"; }

# Writes the final JPEG: true colour, 4:2:0, baseline, no metadata.
save_jpeg() {  # in out
  im "$1" -strip -type TrueColor -colorspace sRGB -sampling-factor 2x2 \
     -interlace none -quality 85 "$2"
}

# A smooth four-corner colour field.
field() {  # out top-left top-right bottom-left bottom-right
  im -size ${W}x${H} xc: -sparse-color Bilinear \
     "0,0 $2 $((W - 1)),0 $3 0,$((H - 1)) $4 $((W - 1)),$((H - 1)) $5" "$1"
}

# Darkens toward the edges (amount 0..100) for a calmer frame.
vignette() {  # in out amount
  im -size ${W}x${H} radial-gradient:white-black -gamma 0.7 \
     -level 0%,100% +level "$((100 - $3))"%,100% "$tmp/vig.png"
  im "$1" "$tmp/vig.png" -compose Multiply -composite "$2"
}

# Darkens a wide horizontal band around the middle, where lyrics go.
text_bed() {  # in out darkness-percent
  im -size ${W}x${H} xc:white -fill "gray$((100 - $3))" \
     -draw "roundrectangle 40,$((H / 8 + 10)) $((W - 40)),$((H * 7 / 8 + 10)) 60,60" \
     -blur 0x45 "$tmp/bed.png"
  im "$1" "$tmp/bed.png" -compose Multiply -composite "$2"
}

# The menu's title panel: frosted glass with a hairline border and a soft
# sound-wave ornament under the place of the title. The wave colour is an
# "rgba(r,g,b,a)" whose alpha each strand replaces.
title_panel() {  # in out tint wave-colour
  local in=$1 out=$2 tint=$3 wave=$4
  local x0=110 y0=128 x1=$((W - 110)) y1=300
  im -size ${W}x${H} xc:black -fill white \
     -draw "roundrectangle $x0,$y0 $x1,$y1 28,28" "$tmp/mask.png"
  im "$in" \( "$in" -blur 0x22 -fill "$tint" -colorize 14% \) "$tmp/mask.png" \
     -composite "$tmp/frost.png"
  # Panel shadow below, border and ornament above.
  im -size ${W}x${H} xc:none -fill "rgba(0,0,0,0.35)" \
     -draw "roundrectangle $x0,$((y0 + 10)) $x1,$((y1 + 14)) 28,28" -channel A -blur 0x16 \
     "$tmp/shadow.png"
  # Three strands of one wave, fading out toward both ends.
  local strands=() phase alpha pts
  for phase_alpha in "0 0.9" "0.9 0.45" "1.8 0.25"; do
    read -r phase alpha <<<"$phase_alpha"
    pts=$(awk -v w="$W" -v p="$phase" 'BEGIN {
      c = w / 2
      for (x = 180; x <= w - 180; x += 3) {
        u = (x - c) / 150.0
        printf "%s%d,%.1f", (x > 180 ? " L " : ""), x, 258 + 14 * exp(-u * u) * sin((x - c) / 16.0 + p)
      } }')
    strands+=(-stroke "${wave%,*},$alpha)" -draw "path 'M $pts'")
  done
  im "$tmp/frost.png" "$tmp/shadow.png" -compose DstOver -composite \
     \( -size ${W}x${H} xc:none -fill none -stroke "rgba(255,255,255,0.45)" -strokewidth 1.5 \
        -draw "roundrectangle $x0,$y0 $x1,$y1 28,28" -strokewidth 2 "${strands[@]}" \) \
     -compose Over -composite "$out"
}

# Aurora: a polar night with green and violet light ribbons.
aurora() {
  local d=Aurora
  mkdir -p "$d"
  field "$tmp/a0.png" "#0b1633" "#10244a" "#06101f" "#0b2a3a"
  # Ribbons are tilted: draw them rotated on their own layer.
  im -size ${W}x${H} xc:none \
     -fill "rgba(50,235,170,0.75)" -draw "translate 210,150 rotate -16 ellipse 0,0 280,46 0,360" \
     -fill "rgba(140,100,245,0.70)" -draw "translate 540,115 rotate 10 ellipse 0,0 240,40 0,360" \
     -fill "rgba(40,190,225,0.55)" -draw "translate 390,240 rotate -6 ellipse 0,0 320,34 0,360" \
     -channel RGBA -blur 0x42 "$tmp/ribbons.png"
  im "$tmp/a0.png" "$tmp/ribbons.png" -compose Screen -composite "$tmp/a1.png"
  # Sparse faint stars.
  im "$tmp/a1.png" \( -size ${W}x${H} xc:black -seed 7 +noise Random -channel G -separate +channel \
     -threshold 99.93% -blur 0x0.7 -level 0,45% \) -compose Screen -composite "$tmp/a2.png"
  vignette "$tmp/a2.png" "$tmp/a3.png" 35
  title_panel "$tmp/a3.png" "$tmp/menu.png" "#9fe8ff" "rgba(120,255,200,0.85)"
  save_jpeg "$tmp/menu.png" "$d/menu.jpg"

  # Chapter: the ribbons sink to the lower edge, the sky stays dark.
  im -size ${W}x${H} xc:none \
     -fill "rgba(40,220,160,0.50)" -draw "translate 180,540 rotate -8 ellipse 0,0 300,44 0,360" \
     -fill "rgba(130,90,235,0.45)" -draw "translate 560,560 rotate 6 ellipse 0,0 260,40 0,360" \
     -fill "rgba(30,170,210,0.30)" -draw "translate 600,40 rotate 12 ellipse 0,0 200,26 0,360" \
     -channel RGBA -blur 0x40 "$tmp/ribbons2.png"
  im "$tmp/a0.png" "$tmp/ribbons2.png" -compose Screen -composite "$tmp/c1.png"
  im "$tmp/c1.png" \( -size ${W}x${H} xc:black -seed 11 +noise Random -channel G -separate +channel \
     -threshold 99.95% -blur 0x0.6 -level 0,55% \) -compose Screen -composite "$tmp/c2.png"
  text_bed "$tmp/c2.png" "$tmp/c3.png" 25
  vignette "$tmp/c3.png" "$tmp/chapter.png" 30
  save_jpeg "$tmp/chapter.png" "$d/Chapter.jpg"
}

# Ember: warm charcoal with glowing bokeh from a fire just out of frame.
ember() {
  local d=Ember
  mkdir -p "$d"
  field "$tmp/e0.png" "#1c1012" "#2a1216" "#3a1a10" "#4a1c12"
  local bokeh=() x y r a
  # A fixed scatter of soft discs, denser toward the bottom.
  while read -r x y r a; do
    bokeh+=(-fill "rgba(255,$((120 + r)),40,$a)" -draw "circle $x,$y $((x + r)),$y")
  done <<'EOF'
70 480 46 0.45
180 530 30 0.40
300 505 22 0.35
610 470 52 0.45
520 540 34 0.40
660 380 24 0.30
40 340 20 0.25
400 560 40 0.35
250 420 16 0.25
470 440 14 0.22
EOF
  im -size ${W}x${H} xc:none "${bokeh[@]}" -channel RGBA -blur 0x9 "$tmp/bokeh.png"
  im -size ${W}x${H} xc:none -fill "rgba(255,110,40,0.55)" \
     -draw "ellipse 360,620 460,170 0,360" -channel RGBA -blur 0x70 "$tmp/fire.png"
  im "$tmp/e0.png" "$tmp/fire.png" -compose Screen -composite \
     "$tmp/bokeh.png" -compose Screen -composite "$tmp/e1.png"
  vignette "$tmp/e1.png" "$tmp/e2.png" 30
  title_panel "$tmp/e2.png" "$tmp/menu.png" "#ffd2a8" "rgba(255,180,90,0.9)"
  save_jpeg "$tmp/menu.png" "$d/menu.jpg"

  # Chapter: the glow stays at the bottom corners, the middle is charcoal.
  im -size ${W}x${H} xc:none -fill "rgba(255,110,40,0.50)" \
     -draw "ellipse 40,600 280,150 0,360" -draw "ellipse 690,610 260,140 0,360" \
     -channel RGBA -blur 0x60 "$tmp/fire2.png"
  im -size ${W}x${H} xc:none \
     -fill "rgba(255,160,60,0.40)" -draw "circle 60,520 92,520" -draw "circle 660,505 700,505" \
     -fill "rgba(255,140,50,0.30)" -draw "circle 150,555 170,555" -draw "circle 575,550 597,550" \
     -fill "rgba(255,190,90,0.25)" -draw "circle 30,420 44,420" -draw "circle 690,400 702,400" \
     -channel RGBA -blur 0x8 "$tmp/bokeh2.png"
  im "$tmp/e0.png" "$tmp/fire2.png" -compose Screen -composite \
     "$tmp/bokeh2.png" -compose Screen -composite "$tmp/f1.png"
  text_bed "$tmp/f1.png" "$tmp/f2.png" 20
  vignette "$tmp/f2.png" "$tmp/chapter.png" 30
  save_jpeg "$tmp/chapter.png" "$d/Chapter.jpg"
}

# Slate: cool blue-grey stone with a fine diagonal weave and soft squares.
slate() {
  local d=Slate
  mkdir -p "$d"
  field "$tmp/s0.png" "#3a4654" "#2c3744" "#232c37" "#1a222c"
  # Fine diagonal lines, barely visible.
  local lines=() k
  for ((k = -H; k < W; k += 14)); do
    lines+=(-draw "line $k,0 $((k + H)),$H")
  done
  im -size ${W}x${H} xc:none -stroke "rgba(255,255,255,0.035)" -strokewidth 1 "${lines[@]}" \
     "$tmp/lines.png"
  im -size ${W}x${H} xc:none \
     -fill "rgba(140,180,220,0.22)" -draw "translate 590,120 rotate 20 rectangle -120,-120 120,120" \
     -fill "rgba(200,215,235,0.14)" -draw "translate 110,470 rotate -12 rectangle -90,-90 90,90" \
     -fill "rgba(110,150,200,0.18)" -draw "translate 660,480 rotate 35 rectangle -60,-60 60,60" \
     -channel RGBA -blur 0x14 "$tmp/squares.png"
  im "$tmp/s0.png" "$tmp/lines.png" -compose Over -composite \
     "$tmp/squares.png" -compose Screen -composite "$tmp/s1.png"
  vignette "$tmp/s1.png" "$tmp/s2.png" 25
  title_panel "$tmp/s2.png" "$tmp/menu.png" "#dbe6f2" "rgba(170,205,240,0.9)"
  save_jpeg "$tmp/menu.png" "$d/menu.jpg"

  # Chapter: darker stone; the squares move to the corners.
  field "$tmp/t0.png" "#2b3540" "#222b35" "#1b232c" "#151b23"
  im -size ${W}x${H} xc:none \
     -fill "rgba(140,180,220,0.20)" -draw "translate 700,20 rotate 20 rectangle -110,-110 110,110" \
     -fill "rgba(200,215,235,0.12)" -draw "translate 20,560 rotate -12 rectangle -100,-100 100,100" \
     -channel RGBA -blur 0x16 "$tmp/squares2.png"
  im "$tmp/t0.png" "$tmp/lines.png" -compose Over -composite \
     "$tmp/squares2.png" -compose Screen -composite "$tmp/t1.png"
  text_bed "$tmp/t1.png" "$tmp/t2.png" 15
  vignette "$tmp/t2.png" "$tmp/chapter.png" 25
  save_jpeg "$tmp/chapter.png" "$d/Chapter.jpg"
}

aurora
ember
slate
ls -l ./*/*.jpg
