#!/usr/bin/env bash
# Disc stills and previews composed by verosa-cli render-still, checked with
# ImageMagick: frame sizes, 24-bit files, lyrics on the picture, and the
# refusals with their messages.
source "$(dirname "$0")/lib.bash"
size_of() { identify -format '%wx%h' "$1" 2>/dev/null; }
# Bits per pixel from the BMP info header.
bits_of() { od -An -tu2 -j28 -N2 "$1" | tr -d ' '; }
same_pixels() { test "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0; }

convert -size 640x480 gradient:darkred-navy "$work/bg.jpg"
convert -size 300x200 gradient:olive-teal BMP3:"$work/bg.bmp"
printf 'First line\r\nSecond line\r\n\r\nLast line\r\n' >"$work/Song.txt"

# Disc stills at both frame sizes, from JPEG and BMP.
"$cli" render-still "$work/bg.jpg" "$work/pal.bmp" >"$work/out.json"
check "pal exit 0" test $? = 0
check "pal 720x576" test "$(size_of "$work/pal.bmp")" = 720x576
check "pal 24-bit" test "$(bits_of "$work/pal.bmp")" = 24
check "json reports the size" grep -q '"width":720,"height":576' "$work/out.json"
"$cli" render-still "$work/bg.bmp" "$work/ntsc.bmp" --tv ntsc >/dev/null
check "ntsc exit 0" test $? = 0
check "ntsc 720x480" test "$(size_of "$work/ntsc.bmp")" = 720x480

# Lyrics change the picture; a missing lyric file leaves it as without.
"$cli" render-still "$work/bg.jpg" "$work/lyrics.bmp" --lyrics "$work/Song.txt" \
  --font "DejaVu Sans,-24,700,italic" --color FFFF00 >"$work/out.json"
check "lyrics exit 0" test $? = 0
check "json says lyrics" grep -q '"lyrics":true' "$work/out.json"
check "lyrics drawn" test "$(compare -metric AE "$work/pal.bmp" "$work/lyrics.bmp" null: 2>&1)" -gt 1000
yellow=$(convert "$work/lyrics.bmp" -fill black +opaque '#ffff00' -fill white -opaque '#ffff00' \
         -format '%[fx:int(mean*w*h+0.5)]' info:)
check "yellow text pixels ($yellow)" test "$yellow" -gt 200
"$cli" render-still "$work/bg.jpg" "$work/nolyrics.bmp" --lyrics "$work/missing.txt" \
  >/dev/null 2>"$work/err"
check "missing lyrics still exit 0" test $? = 0
check "missing lyrics warned" grep -q "cannot read the lyric file" "$work/err"
check "missing lyrics: picture alone" same_pixels "$work/pal.bmp" "$work/nolyrics.bmp"

# Sized previews.
"$cli" render-still "$work/bg.jpg" "$work/small.bmp" --size 320x240 >/dev/null
check "preview 320x240" test "$(size_of "$work/small.bmp")" = 320x240
"$cli" render-still "$work/bg.jpg" "$work/small-lyrics.bmp" --size 320x256 --lyrics "$work/Song.txt" >/dev/null
check "preview with lyrics 320x256" test "$(size_of "$work/small-lyrics.bmp")" = 320x256

# Refusals.
"$cli" render-still "$work/none.jpg" "$work/x.bmp" >/dev/null 2>"$work/err"
check "missing picture exit 1" test $? = 1
check "missing picture message" grep -q "Can't open $work/none.jpg" "$work/err"
check "nothing written" test ! -e "$work/x.bmp"
printf 'not a picture' >"$work/junk.jpg"
"$cli" render-still "$work/junk.jpg" "$work/x.bmp" >/dev/null 2>"$work/err"
check "junk picture exit 1" test $? = 1
check "junk picture message" grep -q "JPEG Fatal Error" "$work/err"
head -c 3000 "$work/bg.jpg" >"$work/cut.jpg"
"$cli" render-still "$work/cut.jpg" "$work/x.bmp" >/dev/null 2>"$work/err"
check "cut picture exit 1" test $? = 1
"$cli" render-still "$work" "$work/x.bmp" >/dev/null 2>"$work/err"
check "folder as picture exit 1" test $? = 1
"$cli" render-still "$work/bg.jpg" "$work/no/such/folder.bmp" >/dev/null 2>"$work/err"
check "unwritable output exit 1" test $? = 1
for bad in "--tv secam" "--size 0x10" "--size 10" "--color red" "--font Arial" "--font Arial,x,400" \
           "--tv pal --size 10x10" "--bogus"; do
  # shellcheck disable=SC2086
  "$cli" render-still "$work/bg.jpg" "$work/x.bmp" $bad >/dev/null 2>&1
  check "usage error: $bad" test $? = 1
done
"$cli" render-still --help >"$work/help"
check "--help exit 0" test $? = 0
check "--help text" grep -q "render-still PICTURE OUT.bmp" "$work/help"

finish
