#!/usr/bin/env bash
# Still pictures encoded by verosa-cli, read by decoders nobody here wrote:
# ffmpeg must decode without a complaint, mpeg2dec must decode the picture,
# and the decoded luma must be within 40 dB PSNR of the source.
source "$(dirname "$0")/lib.bash"

for size in 720x576 720x480; do
  ff -f lavfi -i "mandelbrot=s=$size:maxiter=200,gblur=sigma=0.8" -frames:v 1 -pix_fmt bgr24 "$work/mandel_$size.bmp"
  ff -f lavfi -i "testsrc2=s=$size" -frames:v 1 -pix_fmt bgr24 "$work/test_$size.bmp"
  for picture in mandel test; do
    in=$work/${picture}_$size.bmp
    out=$work/${picture}_$size.vob
    json=$("$cli" encode-still "$in" "$out" --aspect 169)
    check "$picture $size encodes" test $? = 0
    expected_rate=3; [ "$size" = 720x480 ] && expected_rate=4
    check "$picture $size json" python3 -c '
import json, sys
d = json.loads(sys.argv[1])
assert d["frame_rate_code"] == int(sys.argv[2]) and d["q"] == 1 and 2 <= d["packs"] <= 120, d
' "$json" "$expected_rate"
    errors=$(ffmpeg -nostdin -hide_banner -v error -i "$out" -f null - 2>&1)
    check "$picture $size ffmpeg decodes cleanly" test -z "$errors"
    aspect=$(ffprobe -v error -select_streams v -show_entries stream=display_aspect_ratio,width,height -of csv=p=0 "$out")
    check "$picture $size 16:9 $aspect" test "${aspect%,}" = "${size/x/,},16:9"
    psnr=$(ffmpeg -nostdin -hide_banner -i "$out" -i "$in" -lavfi "[1]format=yuv420p[ref];[0:v][ref]psnr" -f null - 2>&1 \
           | sed -n 's/.*PSNR y:\([0-9.]*\).*/\1/p')
    check "$picture $size luma PSNR $psnr >= 40 dB" python3 -c 'import sys; sys.exit(0 if float(sys.argv[1]) >= 40 else 1)' "${psnr:-0}"
    (cd "$work" && rm -f ./*.pgm && mpeg2dec -s -o pgm "$out" >/dev/null 2>&1)
    check "$picture $size mpeg2dec decodes one picture" test -s "$work/0.pgm"
  done
done

# A refused bitmap: exit 1 with the message.
ff -f lavfi -i "color=c=red:s=64x48" -frames:v 1 -pix_fmt bgra "$work/rgba.bmp"
"$cli" encode-still "$work/rgba.bmp" "$work/rgba.vob" 2>"$work/err" >/dev/null
check "32-bit bitmap refused" test $? = 1
check "refusal message" grep -q "It is not a 24-bit bitmap" "$work/err"
check "nothing written" test ! -e "$work/rgba.vob"

finish
