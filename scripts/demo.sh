#!/usr/bin/env bash
# Builds Verosa and authors the bundled demo project (two titles, five
# chapters) into a DVD-Video folder: demo-disc/ beside this repository's
# build, or the folder given as the first argument.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
out=${1:-demo-disc}
"${BUILD_DIR:-build}/bin/verosa-cli" demo "$out"
disc="$out/Verosa Demo"
echo
echo "Play it with:  mpv --dvd-device=\"$disc\" dvd://"
echo "Inspect it with:  lsdvd -x \"$disc\""
