#!/usr/bin/env bash
# Times the disc image of a 4 GB DVD-Video folder against cp of the same
# folder. The folder is the demo disc's information files with four title
# VOBs of 1,000,038,400 bytes (random bytes: what is imaged is not decoded).
# Ours is "verosa-cli iso DVDDIR OUT.iso" (it writes the image straight to
# its file and syncs it); the peer is "cp -r DVDDIR COPY". Each run is
# followed by sync so that both are timed to the disk; three runs each, in
# alternating order, the median counts. Prints both times and throughputs,
# the peak memory of both, and the ratio cp time / ours against the target
# (at least 0.8: ours at 80 % of cp's speed or better).
# Exit codes: 0 measured (whatever the verdict), 1 a tool is missing, a step
# failed or the image has the wrong size.
# Usage: bench/iso_image.sh [build dir]
set -euo pipefail
BUILD_ARG=${1:-build}
source "$(dirname "$0")/lib.bash"
bench_setup isoinfo

"$cli" demo "$work/demo" --work "$work/demo_work" >/dev/null 2>&1
disc=$work/in/DISC
mkdir -p "$disc/VIDEO_TS" "$disc/AUDIO_TS"
cp "$work"/demo/*/VIDEO_TS/*.IFO "$work"/demo/*/VIDEO_TS/*.BUP "$disc/VIDEO_TS/"
head -c 16777216 /dev/urandom >"$work/chunk"
python3 - "$work/chunk" "$disc/VIDEO_TS" <<'PY'
import sys
chunk = open(sys.argv[1], "rb").read()
for part in range(1, 5):
    left = 1_000_038_400
    with open(f"{sys.argv[2]}/VTS_01_{part}.VOB", "wb") as out:
        while left:
            n = min(left, len(chunk))
            out.write(chunk[:n])
            left -= n
PY
rm -f "$work/chunk"
sync

python3 - "$cli" "$work" "$disc" <<'PY'
import os, shutil, statistics, subprocess, sys, time
cli, work, disc = sys.argv[1:4]
size = sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(disc) for f in fs)

peak = {}

def timed(command):
    subprocess.run(["sync"], check=True)
    start = time.perf_counter()
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    subprocess.run(["sync"], check=True)
    if os.waitstatus_to_exitcode(status) != 0:
        print(f"FAILED: {' '.join(command)} exited {os.waitstatus_to_exitcode(status)}", file=sys.stderr)
        sys.exit(1)
    peak[command[0]] = max(peak.get(command[0], 0), usage.ru_maxrss)
    return time.perf_counter() - start

image, copy = f"{work}/out.iso", f"{work}/copy"
ours, peer = [], []
def run_peer():
    shutil.rmtree(copy, ignore_errors=True)
    peer.append(timed(["cp", "-r", disc, copy]))
    shutil.rmtree(copy)

def run_ours():
    if os.path.exists(image):
        os.remove(image)
    ours.append(timed([cli, "iso", disc, image]))

for round in range(3):  # the order alternates
    for run in ((run_peer, run_ours) if round % 2 == 0 else (run_ours, run_peer)):
        run()

volume = subprocess.run(["isoinfo", "-d", "-i", image], capture_output=True, text=True).stdout
sectors = int(next(l.split(":")[1] for l in volume.splitlines() if l.startswith("Volume size is")))
if sectors * 2048 != os.path.getsize(image) or os.path.getsize(image) < size:
    print(f"FAILED: image of {os.path.getsize(image)} bytes, {sectors} sectors, folder {size} bytes", file=sys.stderr)
    sys.exit(1)

o, p = statistics.median(ours), statistics.median(peer)
print(f"folder: {size} bytes ({size / 2**30:.2f} GiB), image {os.path.getsize(image)} bytes")
print(f"verosa-cli iso  {o:6.2f} s  {size / o / 2**20:7.1f} MiB/s  (runs {', '.join(f'{t:.2f}' for t in ours)})")
print(f"cp -r           {p:6.2f} s  {size / p / 2**20:7.1f} MiB/s  (runs {', '.join(f'{t:.2f}' for t in peer)})")
print(f"peak memory: verosa-cli iso {peak[cli] / 1024:.1f} MiB, cp {peak['cp'] / 1024:.1f} MiB")
ratio = p / o
print(f"ratio cp/ours {ratio:.2f} (target >= 0.80): " + ("met" if ratio >= 0.8 else "NOT met"))
PY
