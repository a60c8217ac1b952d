#!/usr/bin/env bash
# Authoring against the disk: ten 3-minute 48 kHz 16-bit stereo WAVs (no
# conversion needed) with one JPEG background each, two titles of five
# chapters, PAL. Times one "verosa-cli make" and, in the same run, a copy of
# the folder it produced ("cp -r" then "sync"), and prints the ratio make /
# copy against the target (at most 2) and the peak resident memory of make.
# Exit codes: 0 measured (whatever the verdict), 1 a tool is missing or a
# step failed.
# Usage: bench/make_disc_wav.sh [build dir]
set -euo pipefail
BUILD_ARG=${1:-build}
source "$(dirname "$0")/lib.bash"
bench_setup ffmpeg convert lsdvd /usr/bin/time

project=$work/Bench.mdp
"$cli" project new "$project" --name Bench --tv pal --aspect 4:3 --rate 48000 >/dev/null
roots=(196 220 247 262 294 330 349 392 440 494)
for i in "${!roots[@]}"; do
  n=$(printf %02d $((i + 1)))
  ff -f lavfi -i "sine=frequency=${roots[$i]}:sample_rate=48000:duration=180" \
     -f lavfi -i "anoisesrc=d=180:c=pink:r=48000:a=0.03" \
     -filter_complex "[0][1]amix=inputs=2:normalize=0,pan=stereo|c0=c0|c1=c0" -c:a pcm_s16le "$work/in/song$n.wav"
  convert -seed $((i + 1)) -size 72x58 plasma:fractal -blur 0x1 -resize '720x576!' \
    -attenuate 0.4 +noise Gaussian -quality 90 "$work/in/back$n.jpg"
  where=()
  [ "$n" = 06 ] && where=(--new-title)
  "$cli" project add "$project" "$work/in/song$n.wav" --picture "$work/in/back$n.jpg" "${where[@]}" >/dev/null
done
echo "input: 10 WAV, 48 kHz 16-bit stereo, 180 s each ($(du -ch "$work"/in/*.wav | tail -1 | cut -f1)); 10 JPEG 720x576"

sync
start=$(date +%s.%N)
/usr/bin/time -v -o "$work/time.txt" "$cli" make "$project" --out "$work/out" --work "$work/w" \
  >/dev/null 2>"$work/make.log" || { cat "$work/make.log" >&2; exit 1; }
sync
make_s=$(python3 -c "import time; print(round(time.time() - $start, 3))")
disc=$work/out/Bench
[ "$(lsdvd "$disc" 2>/dev/null | grep -c '^Title:')" = 2 ] || { echo "the disc does not have two titles" >&2; exit 1; }

start=$(date +%s.%N)
cp -r "$disc" "$work/copy"
sync
copy_s=$(python3 -c "import time; print(round(time.time() - $start, 3))")

bytes=$(du -sb "$disc/VIDEO_TS" | cut -f1)
rss_kb=$(grep 'Maximum resident' "$work/time.txt" | awk '{print $NF}')
python3 - "$make_s" "$copy_s" "$bytes" "$rss_kb" <<'PY'
import sys
make, copy, size, rss = float(sys.argv[1]), float(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
ratio = make / copy if copy > 0 else float('inf')
print(f"VIDEO_TS: {size:,} bytes")
print(f"make: {make:.2f} s   cp -r + sync: {copy:.2f} s   ratio {ratio:.1f} (target <= 2): "
      f"{'met' if ratio <= 2 else 'not met'}")
print(f"make peak resident memory: {rss / 1024:.0f} MB")
PY
