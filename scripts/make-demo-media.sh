#!/usr/bin/env bash
# Regenerates the demo material in data/demo from nothing but ffmpeg: three
# short pieces of synthesised music and three background pictures. The lyric
# files and demo.mdp are written by hand.
set -euo pipefail
cd "$(dirname "$0")/../data/demo"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

# A soft chord (root, third, fifth) with a slow swell.
chord() {  # out seconds f1 f2 f3 codec-args...
  local out=$1 sec=$2 a=$3 b=$4 c=$5; shift 5
  ff -f lavfi -i "aevalsrc=0.25*(sin(2*PI*$a*t)+0.6*sin(2*PI*$b*t)+0.5*sin(2*PI*$c*t))*(0.6+0.4*sin(2*PI*0.25*t)):s=44100:d=$sec" \
     -af "afade=t=in:d=1,afade=t=out:st=$((sec - 2)):d=2" -ac 2 "$@" "$out"
}
chord "01 Morning.mp3" 20 261.63 329.63 392.00 -c:a libmp3lame -b:a 96k
chord "02 Evening.mp3" 16 220.00 261.63 329.63 -c:a libmp3lame -b:a 96k
chord "03 Night.wav" 8 196.00 246.94 293.66 -ar 22050 -ac 1 -c:a pcm_s16le

# Backgrounds: a colour gradient each.
for picture in "morning:0xF6D365:0xFDA085" "evening:0x5B247A:0x1BCEDF" "night:0x0F2027:0x2C5364"; do
  IFS=: read -r name c0 c1 <<<"$picture"
  ff -f lavfi -i "gradients=s=720x576:c0=$c0:c1=$c1:x0=0:y0=0:x1=720:y1=576:nb_colors=2" \
     -frames:v 1 -q:v 3 "$name.jpg"
done
