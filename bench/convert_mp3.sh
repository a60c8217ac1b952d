#!/usr/bin/env bash
# Times converting a 10-minute 44.1 kHz stereo MP3 into a 48 kHz 16-bit WAV
# through our components (Dx2Wav, then Resample, as the conversion library
# drives them) against `ffmpeg -i IN.mp3 -ar 48000 OUT.wav`, alternating the
# two in one run, and prints the median times and their ratio (below 1:
# ours is faster). Ours decodes MP3 and resamples on two threads, so on a busy
# machine the wall-time ratio drifts towards the CPU-time ratio, also printed.
# Usage: bench/convert_mp3.sh [build dir] [repetitions]
set -euo pipefail
build=${1:-build}
reps=${2:-7}
tool="$build/bin/convert_bench"
[ -x "$tool" ] || { echo "missing $tool (build the convert_bench target)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Music-like material: a chord that glides, with a little pink noise.
ffmpeg -hide_banner -loglevel error -f lavfi \
  -i "aevalsrc='0.25*sin(2*PI*(220+20*sin(0.1*t))*t)+0.2*sin(2*PI*330*t)|0.25*sin(2*PI*(277+15*sin(0.13*t))*t)+0.2*sin(2*PI*440*t)':s=44100:d=600" \
  -f lavfi -i "anoisesrc=d=600:c=pink:r=44100:a=0.05" \
  -filter_complex "[0][1]amix=inputs=2:normalize=0" -c:a libmp3lame -b:a 192k "$work/in.mp3"

python3 - "$tool" "$work" "$reps" <<'PY'
import resource, statistics, subprocess, sys, time
tool, work, reps = sys.argv[1], sys.argv[2], int(sys.argv[3])
src = f"{work}/in.mp3"
commands = {
    "ours": [tool, src, f"{work}/ours.wav", "48000"],
    "ffmpeg": ["ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-i", src, "-ar", "48000", f"{work}/ffmpeg.wav"],
}
def cpu():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime

times = {name: [] for name in commands}
cpus = {name: [] for name in commands}
for _ in range(reps):
    for name, cmd in commands.items():
        start, start_cpu = time.perf_counter(), cpu()
        subprocess.run(cmd, check=True, stderr=subprocess.DEVNULL)
        times[name].append(time.perf_counter() - start)
        cpus[name].append(cpu() - start_cpu)
for name in commands:
    print(f"{name:6s} median {statistics.median(times[name]):6.3f} s wall, "
          f"{statistics.median(cpus[name]):6.3f} s CPU  (runs: {' '.join(f'{t:.2f}' for t in times[name])})")
ours, peer = statistics.median(times["ours"]), statistics.median(times["ffmpeg"])
print(f"ratio ours/ffmpeg {ours / peer:.2f} wall (target <= 1.20), "
      f"{statistics.median(cpus['ours']) / statistics.median(cpus['ffmpeg']):.2f} CPU")
PY
