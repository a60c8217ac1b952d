#!/usr/bin/env bash
# Times a whole disc: ten 3-minute 44.1 kHz MP3s with one JPEG background each,
# two titles of five chapters, PAL, 48 kHz LPCM. Ours is one
# "verosa-cli make --force" (MP3 conversion, stills, authoring); the peer is
# the usual script: ffmpeg loops each picture into an MPEG-2 program stream
# with LPCM audio, one song after the other, then dvdauthor builds the same
# layout from an XML file. Both run once in the same run, on the same files;
# both discs are checked with lsdvd. Prints the wall and CPU times, the ratio
# peer / ours against the target (ours at least 10 times faster), both
# VIDEO_TS sizes, and where our time went, by the make command's status lines.
# Exit codes: 0 measured (whatever the verdict), 1 a tool is missing, a step
# failed or a disc does not have the expected layout.
# Usage: bench/make_disc.sh [build dir]
set -euo pipefail
BUILD_ARG=${1:-build}
source "$(dirname "$0")/lib.bash"
bench_setup ffmpeg convert dvdauthor lsdvd

# Ten songs: a gliding chord on a different root each, with a little pink
# noise, 128 kbit/s; ten photo-like backgrounds: smooth shapes with grain.
roots=(196 220 247 262 294 330 349 392 440 494)
for i in "${!roots[@]}"; do
  n=$(printf %02d $((i + 1)))
  r=${roots[$i]}
  ff -f lavfi -i "aevalsrc='0.2*sin(2*PI*($r+3*sin(0.1*t))*t)+0.15*sin(2*PI*$r*1.26*t)+0.12*sin(2*PI*$r*1.5*t)|0.2*sin(2*PI*($r+2*sin(0.13*t))*t)+0.15*sin(2*PI*$r*1.5*t)+0.1*sin(2*PI*$r*2*t)':s=44100:d=180" \
     -f lavfi -i "anoisesrc=d=180:c=pink:r=44100:a=0.03" \
     -filter_complex "[0][1]amix=inputs=2:normalize=0" -c:a libmp3lame -b:a 128k "$work/in/song$n.mp3"
  convert -seed $((i + 1)) -size 72x58 plasma:fractal -blur 0x1 -resize '720x576!' \
    -attenuate 0.4 +noise Gaussian -quality 90 "$work/in/back$n.jpg"
done
echo "input: 10 MP3 ($(ffprobe -v error -show_entries stream=sample_rate,channels,bit_rate:format=duration \
  -of compact=p=0 "$work/in/song01.mp3" | paste -sd' ') each; $(du -ch "$work"/in/*.mp3 | tail -1 | cut -f1) in all)," \
     "10 JPEG ($(ffprobe -v error -show_entries stream=width,height -of csv=p=0:s=x "$work/in/back01.jpg"))"

# Ours: the project, two titles of five chapters.
project=$work/Bench.mdp
"$cli" project new "$project" --name Bench --tv pal --aspect 4:3 --rate 48000 >/dev/null
for n in 01 02 03 04 05 06 07 08 09 10; do
  where=()
  [ "$n" = 06 ] && where=(--new-title)
  "$cli" project add "$project" "$work/in/song$n.mp3" --picture "$work/in/back$n.jpg" "${where[@]}" >/dev/null
done

# The peer: the same layout for dvdauthor, one chapter per program stream.
{
  echo '<dvdauthor dest="peer_disc">'
  echo '  <vmgm/>'
  echo '  <titleset>'
  echo '    <titles>'
  echo '      <video format="pal" aspect="4:3"/>'
  for title in "01 02 03 04 05" "06 07 08 09 10"; do
    echo '      <pgc>'
    for n in $title; do echo "        <vob file=\"peer_mpg/song$n.mpg\"/>"; done
    echo '      </pgc>'
  done
  echo '    </titles>'
  echo '  </titleset>'
  echo '</dvdauthor>'
} >"$work/peer.xml"

python3 - "$cli" "$work" <<'PY'
import ast, os, resource, subprocess, sys, time
cli, work = sys.argv[1], sys.argv[2]
songs = [f"{n:02d}" for n in range(1, 11)]

def cpu():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime

def fail(text, log=None):
    print(f"FAILED: {text}", file=sys.stderr)
    if log and os.path.exists(log):
        sys.stderr.writelines(open(log, errors="replace").readlines()[-15:])
    sys.exit(1)

# Ours, with each status line of the make command timestamped.
start, start_cpu = time.perf_counter(), cpu()
make = subprocess.Popen([cli, "make", f"{work}/Bench.mdp", "--out", f"{work}/ours_out",
                         "--work", f"{work}/ours_work", "--force"],
                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
lines = [(time.perf_counter(), line.rstrip("\n")) for line in make.stderr]
make.wait()
ours, ours_cpu = time.perf_counter() - start, cpu() - start_cpu
with open(f"{work}/ours.log", "w") as log:
    log.writelines(f"{t - start:8.3f} {line}\n" for t, line in lines)
if make.returncode != 0:
    fail(f"verosa-cli make exited {make.returncode}", f"{work}/ours.log")
# A message box (a still cut short, for one) spoils the disc even when make succeeds.
boxes = [line for _, line in lines if line.startswith(("Error:", "Warning:"))]
if boxes:
    fail(f"verosa-cli make showed {len(boxes)} message boxes, first: {boxes[0]}")

# Time between status changes, summed by status ("NN% Status" lines).
# The conversion names each file on a line of its own.
def phase(text):
    if text.startswith("Converting:"):
        return "converting the MP3s"
    if len(text) > 4 and text[3] == "%":
        return text[5:] or None
    return None
phases, current, since = {}, "start-up", 0.0
for t, text in lines:
    name = phase(text)
    if name is None or name == current:
        continue
    phases[current] = phases.get(current, 0.0) + (t - start - since)
    current, since = name, t - start
phases[current] = phases.get(current, 0.0) + (ours - since)

# The peer: ffmpeg per song, one after the other, then dvdauthor.
os.makedirs(f"{work}/peer_mpg")
start, start_cpu = time.perf_counter(), cpu()
with open(f"{work}/peer_ffmpeg.log", "w") as log:
    for n in songs:
        result = subprocess.run(["ffmpeg", "-nostdin", "-hide_banner", "-y", "-loop", "1", "-framerate", "25",
                                 "-i", f"{work}/in/back{n}.jpg", "-i", f"{work}/in/song{n}.mp3", "-shortest",
                                 "-target", "pal-dvd", "-aspect", "4:3", "-c:a", "pcm_s16be", "-ar", "48000",
                                 f"{work}/peer_mpg/song{n}.mpg"], stdout=subprocess.DEVNULL, stderr=log)
        if result.returncode != 0:
            fail(f"ffmpeg exited {result.returncode} on song{n}", f"{work}/peer_ffmpeg.log")
encode = time.perf_counter() - start
with open(f"{work}/peer_dvdauthor.log", "w") as log:
    result = subprocess.run(["dvdauthor", "-x", "peer.xml"], cwd=work, stdout=log, stderr=subprocess.STDOUT,
                            env=dict(os.environ, VIDEO_FORMAT="PAL"))
if result.returncode != 0:
    fail(f"dvdauthor exited {result.returncode}", f"{work}/peer_dvdauthor.log")
peer, peer_cpu = time.perf_counter() - start, cpu() - start_cpu

# Both discs: two titles of five chapters, 15 minutes each.
def video_ts(root):
    found = [os.path.join(d, "VIDEO_TS") for d, subdirs, _ in os.walk(root) if "VIDEO_TS" in subdirs]
    if len(found) != 1:
        fail(f"expected one VIDEO_TS under {root}, found {len(found)}")
    return found[0]

def check(name, folder):
    out = subprocess.run(["lsdvd", "-c", "-Oy", os.path.dirname(folder)], capture_output=True, text=True).stdout
    if "lsdvd = {" not in out:
        fail(f"lsdvd cannot read the {name} disc")
    tracks = ast.literal_eval(out[out.index("lsdvd = {") + 8:])["track"]
    layout = [(len(t["chapter"]), round(t["length"])) for t in tracks]
    if len(tracks) != 2 or any(chapters != 5 or abs(seconds - 900) > 3 for chapters, seconds in layout):
        fail(f"the {name} disc has titles (chapters, seconds) {layout}, expected 2 x (5, 900)")
    size = int(subprocess.run(["du", "-sb", folder], capture_output=True, text=True, check=True).stdout.split()[0])
    return size, layout

ours_size, ours_layout = check("verosa", video_ts(f"{work}/ours_out"))
peer_size, peer_layout = check("peer", video_ts(f"{work}/peer_disc"))

print(f"verosa-cli make        {ours:7.1f} s wall, {ours_cpu:7.1f} s CPU, VIDEO_TS {ours_size / 2**20:7.1f} MiB "
      f"({ours_size} bytes), titles (chapters, s) {ours_layout}")
print(f"ffmpeg x10 + dvdauthor {peer:7.1f} s wall, {peer_cpu:7.1f} s CPU, VIDEO_TS {peer_size / 2**20:7.1f} MiB "
      f"({peer_size} bytes), titles (chapters, s) {peer_layout}")
print(f"  peer: ffmpeg {encode:.1f} s, dvdauthor {peer - encode:.1f} s")
print("  verosa-cli make by status: " + ", ".join(f"{name} {seconds:.1f} s" for name, seconds in phases.items()))
ratio = peer / ours
print(f"ratio peer/ours {ratio:.1f} wall, {peer_cpu / ours_cpu:.1f} CPU (target >= 10 wall): "
      + ("met" if ratio >= 10 else "NOT met"))
PY
