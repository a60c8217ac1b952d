#!/usr/bin/env bash
# How much audio a DVD-5 holds: a project of 6.5 hours of 48 kHz 16-bit
# stereo (thirteen 30-minute chapters of low noise, in two titles, PAL) is
# made with "verosa-cli make". Prints the project's size estimate (MB), the
# disc size the free-space rules expect (bytes, never below the result), the
# produced VIDEO_TS in bytes against a DVD-5 (4,700,000,000 bytes), the bytes
# per hour of audio against the LPCM floor (48000 x 4 bytes/s), and the peak
# resident memory. Needs about 10 GB of free space in TMPDIR.
# Exit codes: 0 measured (whatever the verdict), 1 a tool is missing or a
# step failed.
# Usage: bench/capacity.sh [build dir] [hours]
set -euo pipefail
BUILD_ARG=${1:-build}
hours=${2:-6.5}
source "$(dirname "$0")/lib.bash"
bench_setup ffmpeg convert /usr/bin/time

chapters=$(python3 -c "import math; print(math.ceil($hours * 2))")
seconds=$(python3 -c "print($hours * 3600 / $chapters)")
ff -f lavfi -i "anoisesrc=d=$seconds:c=pink:r=48000:a=0.01" -ac 2 -c:a pcm_s16le "$work/in/part.wav"
convert -size 720x576 plasma:fractal -quality 90 "$work/in/back.jpg"
project=$work/Capacity.mdp
"$cli" project new "$project" --name Capacity --tv pal --rate 48000 >/dev/null
for i in $(seq 1 "$chapters"); do
  # One file per chapter, as a project has (hard links: no extra space).
  ln "$work/in/part.wav" "$work/in/part$i.wav"
  where=()
  [ "$i" = $((chapters / 2 + 1)) ] && where=(--new-title)
  "$cli" project add "$project" "$work/in/part$i.wav" --picture "$work/in/back.jpg" "${where[@]}" >/dev/null
done
info=$("$cli" project info "$project" --json)
estimate=$(python3 -c "import json, sys; print(json.load(sys.stdin)['estimate_mb'])" <<<"$info")
expected=$(python3 -c "import json, sys; print(json.load(sys.stdin)['disc_bytes'])" <<<"$info")

/usr/bin/time -v -o "$work/time.txt" "$cli" make "$project" --out "$work/out" --work "$work/w" \
  >/dev/null 2>"$work/make.log" || { tail -5 "$work/make.log" >&2; exit 1; }
bytes=$(du -sb "$work/out/Capacity/VIDEO_TS" | cut -f1)
rss_kb=$(grep 'Maximum resident' "$work/time.txt" | awk '{print $NF}')
python3 - "$hours" "$bytes" "$estimate" "$rss_kb" "$expected" <<'PY'
import sys
hours, size, estimate, rss, expected = float(sys.argv[1]), int(sys.argv[2]), sys.argv[3], int(sys.argv[4]), int(sys.argv[5])
floor = 48000 * 4 * 3600
per_hour = size / hours
print(f"{hours} h of 48 kHz 16-bit stereo: estimate {estimate} MB, VIDEO_TS {size:,} bytes "
      f"({'fits' if size <= 4_700_000_000 else 'does not fit'} a DVD-5 of 4,700,000,000 bytes)")
dvd5 = 2295104 * 2048
print(f"expected disc size (free-space rule, DVD-9 question above {dvd5:,}): {expected:,} bytes, "
      f"{'at least' if expected >= size else 'BELOW'} the produced folder (+{100 * (expected / size - 1):.2f} %)")
print(f"bytes per hour: {per_hour:,.0f}, LPCM floor {floor:,} (+{100 * (per_hour / floor - 1):.2f} %)")
print(f"make peak resident memory: {rss / 1024:.0f} MB")
PY
