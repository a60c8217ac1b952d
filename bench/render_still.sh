#!/usr/bin/env bash
# Times a PAL disc still made from a 6000 x 4000 JPEG by verosa-cli
# render-still against ImageMagick's "convert IN -resize 720x576! OUT.bmp" on
# the same picture, in one run, runs interleaved, and prints the medians and
# ratios (below 1: ours is faster).
# Usage: bench/render_still.sh [build dir] [runs]
set -euo pipefail
build=${1:-build}
runs=${2:-7}
cli=$build/bin/verosa-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/run HOME=$work/home TMPDIR=$work/tmp
mkdir -p "$XDG_RUNTIME_DIR" "$HOME" "$TMPDIR"
chmod 700 "$XDG_RUNTIME_DIR"

# A photo-like picture: smooth shapes with grain, so the JPEG carries detail.
convert -seed 11 -size 600x400 plasma:fractal -blur 0x1 -resize '6000x4000!' \
  -attenuate 0.4 +noise Gaussian -quality 90 "$work/photo.jpg"
printf 'Morning light\nOver the river\nWe walk home\n' >"$work/Lyrics.txt"
echo "input: $(identify -format '%wx%h %m, ' "$work/photo.jpg")$(du -h "$work/photo.jpg" | cut -f1)"

python3 - "$cli" "$work" "$runs" <<'PY'
import statistics, subprocess, sys, time
cli, work, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
photo = f"{work}/photo.jpg"
commands = {
    "verosa-cli render-still": [cli, "render-still", photo, f"{work}/ours.bmp", "--tv", "pal"],
    "verosa-cli render-still --lyrics": [cli, "render-still", photo, f"{work}/ours_lyrics.bmp",
                                         "--tv", "pal", "--lyrics", f"{work}/Lyrics.txt"],
    "convert -resize 720x576!": ["convert", photo, "-resize", "720x576!", f"{work}/theirs.bmp"],
    "convert -resize 720x576! (1 thread)": ["convert", "-limit", "thread", "1", photo,
                                            "-resize", "720x576!", f"{work}/theirs1.bmp"],
}
times = {name: [] for name in commands}
for _ in range(runs):
    for name, command in commands.items():
        start = time.perf_counter()
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        times[name].append(time.perf_counter() - start)
median = {name: statistics.median(t) * 1000 for name, t in times.items()}
for name, ms in median.items():
    print(f"{name:38s} {ms:8.1f} ms (median of {runs})")
ours = median["verosa-cli render-still"]
for peer in ("convert -resize 720x576!", "convert -resize 720x576! (1 thread)"):
    print(f"ratio ours / {peer:30s} {ours / median[peer]:.2f}")
PY
