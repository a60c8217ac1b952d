#!/usr/bin/env bash
# Times our still encoder against FFmpeg's MPEG-2 intra encoder on the same
# photo-like PAL picture, in one run, and prints the ratios (below 1: ours is
# faster). Usage: bench/still_encoder.sh [build dir]
set -euo pipefail
build=${1:-build}
json=$("$build/bin/still_encoder_bench" --benchmark_repetitions=10 --benchmark_enable_random_interleaving=true \
       --benchmark_report_aggregates_only=true --benchmark_format=json 2>/dev/null)
python3 - "$json" <<'PY'
import json, sys
runs = {b["run_name"]: b["real_time"] for b in json.loads(sys.argv[1])["benchmarks"] if b["aggregate_name"] == "median"}
ours = runs["BM_VerosaStillEncode"]
for peer in ("BM_FfmpegMpeg2Intra", "BM_FfmpegMpeg2IntraEncodeOnly"):
    print(f"{peer:32s} {runs[peer]:7.3f} ms   ours {ours:7.3f} ms   ratio {ours / runs[peer]:.2f}")
PY
