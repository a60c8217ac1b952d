#!/usr/bin/env bash
# Times a whole disc: ten 3-minute 44.1 kHz MP3s with one JPEG background each,
# two titles of five chapters, PAL, 48 kHz LPCM. Ours is one
# "verosa-cli make --force" (MP3 conversion, stills, authoring), once with one
# conversion worker and once with two (VEROSA_CONVERT_WORKERS), and once more
# from the same songs as 48 kHz WAVs (no conversion). The peer is the usual
# script: ffmpeg loops each picture into an MPEG-2 program stream with LPCM
# audio, one song after the other, then dvdauthor builds the same layout from
# an XML file; it runs on the MP3s and on the WAVs. All runs are in the same
# run, on the same files; every disc is checked with lsdvd. Prints the wall
# and CPU times, the ratios peer / ours against the targets (from MP3 with two
# workers at least 20 times faster, from WAV at least 50 times), the VIDEO_TS
# sizes, where our time went, by the make command's status lines, and how
# many cores the run had at hand (two busy processes against one: on a shared
# machine the workers cannot scale beyond that).
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

# The same songs as 48 kHz 16-bit WAVs, for the runs without conversion.
for n in 01 02 03 04 05 06 07 08 09 10; do
  ff -i "$work/in/song$n.mp3" -ar 48000 -c:a pcm_s16le "$work/in/song$n.wav"
done

# Ours: two projects (MP3, WAV), two titles of five chapters each.
for kind in mp3 wav; do
  project=$work/Bench_$kind.mdp
  "$cli" project new "$project" --name Bench --tv pal --aspect 4:3 --rate 48000 >/dev/null
  for n in 01 02 03 04 05 06 07 08 09 10; do
    where=()
    [ "$n" = 06 ] && where=(--new-title)
    "$cli" project add "$project" "$work/in/song$n.$kind" --picture "$work/in/back$n.jpg" "${where[@]}" >/dev/null
  done
done

# The peer: the same layout for dvdauthor, one chapter per program stream.
{
  echo '<dvdauthor dest="PEER_DISC">'
  echo '  <vmgm/>'
  echo '  <titleset>'
  echo '    <titles>'
  echo '      <video format="pal" aspect="4:3"/>'
  for title in "01 02 03 04 05" "06 07 08 09 10"; do
    echo '      <pgc>'
    for n in $title; do echo "        <vob file=\"PEER_MPG/song$n.mpg\"/>"; done
    echo '      </pgc>'
  done
  echo '    </titles>'
  echo '  </titleset>'
  echo '</dvdauthor>'
} >"$work/peer.template"

BENCH_CLI=$cli BENCH_WORK=$work python3 -u - <<'PY'
import ast, os, resource, shutil, subprocess, sys, time
cli, work = os.environ["BENCH_CLI"], os.environ["BENCH_WORK"]
songs = [f"{n:02d}" for n in range(1, 11)]

def cpu():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime

def fail(text, log=None):
    print(f"FAILED: {text}", file=sys.stderr)
    if log and os.path.exists(log):
        sys.stderr.writelines(open(log, errors="replace").readlines()[-15:])
    sys.exit(1)

# Both discs: two titles of five chapters, 15 minutes each.
def video_ts(root):
    found = [os.path.join(d, "VIDEO_TS") for d, subdirs, _ in os.walk(root) if "VIDEO_TS" in subdirs]
    if len(found) != 1:
        fail(f"expected one VIDEO_TS under {root}, found {len(found)}")
    return found[0]

def check(name, root):
    folder = video_ts(root)
    out = subprocess.run(["lsdvd", "-c", "-Oy", os.path.dirname(folder)], capture_output=True, text=True).stdout
    if "lsdvd = {" not in out:
        fail(f"lsdvd cannot read the {name} disc")
    tracks = ast.literal_eval(out[out.index("lsdvd = {") + 8:])["track"]
    layout = [(len(t["chapter"]), round(t["length"])) for t in tracks]
    if len(tracks) != 2 or any(chapters != 5 or abs(seconds - 900) > 3 for chapters, seconds in layout):
        fail(f"the {name} disc has titles (chapters, seconds) {layout}, expected 2 x (5, 900)")
    size = int(subprocess.run(["du", "-sb", folder], capture_output=True, text=True, check=True).stdout.split()[0])
    return size, layout

# Time between status changes, summed by status ("NN% Status" lines).
# The conversion names its files on lines of their own.
def phase(text):
    if len(text) > 4 and text[3] == "%":
        text = text[5:]
    elif not text.startswith("Converting:"):
        return None
    if text.startswith("Converting:"):
        return "converting"
    return text or None

def ours(label, kind, workers):
    """One make with each status line timestamped; the disc is checked and removed."""
    print(f"running verosa-cli make ({label}) ...", file=sys.stderr)
    out, scratch, logname = f"{work}/ours_{label}", f"{work}/ours_{label}_work", f"{work}/ours_{label}.log"
    env = dict(os.environ)
    if workers:
        env["VEROSA_CONVERT_WORKERS"] = str(workers)
    start, start_cpu = time.perf_counter(), cpu()
    make = subprocess.Popen([cli, "make", f"{work}/Bench_{kind}.mdp", "--out", out, "--work", scratch, "--force"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, env=env)
    lines = [(time.perf_counter(), line.rstrip("\n")) for line in make.stderr]
    make.wait()
    wall, used = time.perf_counter() - start, cpu() - start_cpu
    with open(logname, "w") as log:
        log.writelines(f"{t - start:8.3f} {line}\n" for t, line in lines)
    if make.returncode != 0:
        fail(f"verosa-cli make ({label}) exited {make.returncode}", logname)
    # A message box (a still cut short, for one) spoils the disc even when make succeeds.
    boxes = [line for _, line in lines if line.startswith(("Error:", "Warning:"))]
    if boxes:
        fail(f"verosa-cli make ({label}) showed {len(boxes)} message boxes, first: {boxes[0]}")
    phases, current, since = {}, "start-up", 0.0
    for t, text in lines:
        name = phase(text)
        if name is None or name == current:
            continue
        phases[current] = phases.get(current, 0.0) + (t - start - since)
        current, since = name, t - start
    phases[current] = phases.get(current, 0.0) + (wall - since)
    size, layout = check(f"verosa ({label})", out)
    shutil.rmtree(out)
    shutil.rmtree(scratch, ignore_errors=True)
    return dict(wall=wall, cpu=used, size=size, layout=layout, phases=phases)

def peer(kind):
    """ffmpeg per song, one after the other, then dvdauthor; the disc is checked and removed."""
    print(f"running the peer ({kind}) ...", file=sys.stderr)
    mpg, disc = f"{work}/peer_{kind}_mpg", f"{work}/peer_{kind}_disc"
    os.makedirs(mpg)
    with open(f"{work}/peer.template") as template, open(f"{work}/peer_{kind}.xml", "w") as xml:
        xml.write(template.read().replace("PEER_MPG", os.path.basename(mpg)).replace("PEER_DISC", os.path.basename(disc)))
    start, start_cpu = time.perf_counter(), cpu()
    with open(f"{work}/peer_{kind}_ffmpeg.log", "w") as log:
        for n in songs:
            result = subprocess.run(["ffmpeg", "-nostdin", "-hide_banner", "-y", "-loop", "1", "-framerate", "25",
                                     "-i", f"{work}/in/back{n}.jpg", "-i", f"{work}/in/song{n}.{kind}", "-shortest",
                                     "-target", "pal-dvd", "-aspect", "4:3", "-c:a", "pcm_s16be", "-ar", "48000",
                                     f"{mpg}/song{n}.mpg"], stdout=subprocess.DEVNULL, stderr=log)
            if result.returncode != 0:
                fail(f"ffmpeg exited {result.returncode} on song{n}.{kind}", f"{work}/peer_{kind}_ffmpeg.log")
    encode = time.perf_counter() - start
    with open(f"{work}/peer_{kind}_dvdauthor.log", "w") as log:
        result = subprocess.run(["dvdauthor", "-x", f"peer_{kind}.xml"], cwd=work, stdout=log,
                                stderr=subprocess.STDOUT, env=dict(os.environ, VIDEO_FORMAT="PAL"))
    if result.returncode != 0:
        fail(f"dvdauthor exited {result.returncode}", f"{work}/peer_{kind}_dvdauthor.log")
    wall, used = time.perf_counter() - start, cpu() - start_cpu
    size, layout = check(f"peer ({kind})", disc)
    shutil.rmtree(mpg)
    shutil.rmtree(disc)
    return dict(wall=wall, cpu=used, size=size, layout=layout, encode=encode)

def cores_at_hand():
    """How many cores this run gets: one and two busy processes of 1 s CPU each."""
    spin = "import time\nt = time.process_time()\nwhile time.process_time() - t < 1.0: pass\n"
    walls = []
    for n in (1, 2):
        start = time.perf_counter()
        procs = [subprocess.Popen([sys.executable, "-c", spin]) for _ in range(n)]
        for p in procs:
            p.wait()
        walls.append(time.perf_counter() - start)
    return 1 / walls[0], 2 / walls[1]

one_busy, two_busy = cores_at_hand()
runs = {
    "mp3, 1 worker": ours("mp3_1", "mp3", 1),
    "mp3, 2 workers": ours("mp3_2", "mp3", 2),
    "wav": ours("wav", "wav", None),
}
peers = {kind: peer(kind) for kind in ("mp3", "wav")}

def row(name, r):
    print(f"{name:28s} {r['wall']:7.1f} s wall, {r['cpu']:7.1f} s CPU, VIDEO_TS {r['size'] / 2**20:7.1f} MiB "
          f"({r['size']} bytes), titles (chapters, s) {r['layout']}")

for name, r in runs.items():
    row(f"verosa-cli make ({name})", r)
for kind, r in peers.items():
    row(f"ffmpeg x10 + dvdauthor ({kind})", r)
    print(f"  peer ({kind}): ffmpeg {r['encode']:.1f} s, dvdauthor {r['wall'] - r['encode']:.1f} s")
for name, r in runs.items():
    print(f"  verosa-cli make ({name}) by status: "
          + ", ".join(f"{phase} {seconds:.1f} s" for phase, seconds in r["phases"].items()))

def verdict(name, peer_run, our_run, target):
    ratio = peer_run["wall"] / our_run["wall"]
    text = f"target >= {target}: " + ("met" if ratio >= target else "NOT met") if target else "no target"
    print(f"ratio peer/ours {name:16s} {ratio:5.1f} wall, {peer_run['cpu'] / our_run['cpu']:5.1f} CPU ({text})")

verdict("mp3, 1 worker", peers["mp3"], runs["mp3, 1 worker"], None)
verdict("mp3, 2 workers", peers["mp3"], runs["mp3, 2 workers"], 20)
verdict("wav", peers["wav"], runs["wav"], 50)
print(f"conversion workers 2 against 1: make {runs['mp3, 1 worker']['wall'] / runs['mp3, 2 workers']['wall']:.2f}x faster")
print(f"cores at hand before our runs: {one_busy:.2f} for one busy process, {two_busy:.2f} for two "
      "(2.00 on an idle two-core machine)")
PY
