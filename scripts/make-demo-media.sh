#!/usr/bin/env bash
# Regenerates the demo material in data/demo from nothing but ffmpeg: five
# short synthesised stereo pieces (soft chords under an arpeggio) stored in
# mixed formats and sample rates, none of them at the disc's 48 kHz, so that
# every chapter goes through conversion; and one background picture per
# chapter.
# The lyric files and demo.mdp are written by hand; after a change of the
# lengths below, AudioTotalTime in demo.mdp follows `ffprobe` (whole seconds,
# truncated).
set -euo pipefail
cd "$(dirname "$0")/../data/demo"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

# An expression that picks value i of the list: if(eq(i,0),v0,if(eq(i,1),v1,...)).
pick() {
  local i=$1 e="" close="" k=0 v
  shift
  for v in "$@"; do
    if ((k == $# - 1)); then e+="$v"; else e+="if(eq($i,$k),$v,"; close+=")"; fi
    k=$((k + 1))
  done
  printf '%s%s' "$e" "$close"
}

# One piece: a chord progression held as a soft detuned pad with a bass note,
# and an arpeggio over it (root, third, fifth, octave, fifth, third), with a
# little echo. Chords are "root third fifth" in Hz, separated by ";".
piece() {  # out seconds seconds-per-chord arpeggio-steps-per-second chords codec-args...
  local out=$1 sec=$2 cd=$3 sps=$4 chords=$5
  shift 5
  local cs c a b d roots=() thirds=() fifths=()
  IFS=';' read -ra cs <<<"$chords"
  for c in "${cs[@]}"; do
    read -r a b d <<<"$c"
    roots+=("$a") thirds+=("$b") fifths+=("$d")
  done
  # Registers: 0 chord, 1-3 its notes, 4 time into the step, 5 arpeggio
  # note, 6 time into the chord.
  local e="st(0,mod(floor(t/$cd),${#cs[@]}));"
  e+="st(1,$(pick 'ld(0)' "${roots[@]}"));st(2,$(pick 'ld(0)' "${thirds[@]}"));"
  e+="st(3,$(pick 'ld(0)' "${fifths[@]}"));st(4,(t*$sps-floor(t*$sps))/$sps);"
  e+="st(5,$(pick "mod(floor(t*$sps),6)" 'ld(1)' 'ld(2)' 'ld(3)' '2*ld(1)' 'ld(3)' 'ld(2)'));"
  e+="st(6,mod(t,$cd));"
  local swell="min(1,ld(6)*3)*min(1,($cd-ld(6))*3)"
  local pad="0.05*$swell*(sin(2*PI*ld(1)*t)+sin(2*PI*ld(1)*1.003*t)+sin(2*PI*ld(2)*t)"
  pad+="+sin(2*PI*ld(2)*0.997*t)+sin(2*PI*ld(3)*t)+sin(2*PI*ld(3)*1.002*t))"
  local bass="0.14*$swell*sin(PI*ld(1)*t)"
  # A plucked note: fast attack, decay, and a short release before the next.
  local pluck="(1-exp(-ld(4)*250))*exp(-ld(4)*5)*min(1,(1/$sps-ld(4))*60)"
  local arp="0.2*$pluck*(sin(2*PI*ld(5)*t)+0.25*sin(4*PI*ld(5)*t)+0.08*sin(6*PI*ld(5)*t))"
  local fade_at
  fade_at=$(awk -v s="$sec" 'BEGIN { print s - 1.5 }')
  ff -f lavfi -i "aevalsrc='$e$pad+$bass+0.9*$arp|$e$pad+$bass+0.65*$arp':s=48000:d=$sec" \
     -af "volume=1.8,aecho=0.8:0.6:180|290:0.25|0.15,afade=t=in:d=0.3,afade=t=out:st=$fade_at:d=1.5,atrim=end=$sec" \
     "$@" "$out"
}

C="261.63 329.63 392.00"; Am="220.00 261.63 329.63"; F="174.61 220.00 261.63"
G="196.00 246.94 293.66"; D="293.66 369.99 440.00"; Bm="246.94 293.66 369.99"
A="220.00 277.18 329.63"; Em="164.81 196.00 246.94"; Dlow="146.83 185.00 220.00"
Eb="155.56 196.00 233.08"; Ab="207.65 261.63 311.13"; Bb="233.08 293.66 349.23"

# Title 1
piece "01 Sunrise.mp3" 8.5 2 6 "$C;$Am;$F;$G" -ar 44100 -ac 2 -c:a libmp3lame -b:a 96k
piece "02 Drift.ogg" 9.5 2.5 5 "$Am;$F;$C;$G" -ar 32000 -ac 2 -c:a libvorbis -q:a 2
piece "03 Harbour.flac" 7.5 1.5 8 "$D;$G;$Bm;$A" -ar 22050 -ac 2 -sample_fmt s16 -c:a flac -compression_level 8
# Title 2
piece "04 Lanterns.wav" 6.5 1.5 6 "$Eb;$Ab;$Bb;$Eb" -ar 44100 -ac 2 -c:a adpcm_ima_wav
piece "05 Nightfall.wma" 9.5 3 4 "$Em;$C;$G;$Dlow" -ar 22050 -ac 2 -c:a wmav2 -b:a 48k

# Backgrounds: a vertical gradient with one soft glow and a vignette, dark
# enough in the middle for white lyrics.
background() {  # out top-rgb bottom-rgb glow-rgb glow-x glow-y glow-radius glow-strength
  local out=$1 top=$2 bottom=$3 glow=$4 gx=$5 gy=$6 gr=$7 gs=$8 expr=() i
  local t b g
  IFS=, read -ra t <<<"$top"
  IFS=, read -ra b <<<"$bottom"
  IFS=, read -ra g <<<"$glow"
  for i in 0 1 2; do
    expr+=("(${t[i]}+(${b[i]}-${t[i]})*Y/H+${g[i]}*$gs*exp(-(pow(X-$gx,2)+pow(Y-$gy,2))/(2*$gr*$gr)))*(1-0.45*(pow(X/W-0.5,2)+pow(Y/H-0.5,2)))")
  done
  ff -f lavfi -i "color=black:s=720x576,format=gbrp,geq=r='${expr[0]}':g='${expr[1]}':b='${expr[2]}'" \
     -frames:v 1 -q:v 3 "$out"
}
background sunrise.jpg 22,36,71 122,59,59 255,170,90 360 640 190 0.55
background drift.jpg 15,47,58 31,78,90 120,200,210 150 110 200 0.30
background harbour.jpg 11,26,46 23,58,92 255,205,120 600 470 80 0.50
background lanterns.jpg 42,20,51 74,31,61 255,190,110 570 130 110 0.50
background nightfall.jpg 5,10,24 27,33,64 205,215,255 585 105 38 0.80
