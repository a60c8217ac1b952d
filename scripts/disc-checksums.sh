#!/usr/bin/env bash
# Authors a fixed set of discs with a built verosa-cli and prints the SHA-256
# of every file they hold, so that a change meant to keep the discs as they
# are can be checked: run it before and after, and compare the output.
# The sources need no conversion (WAVs at the disc's rate), so the discs do
# not depend on the resampler's dither.
#
#   scripts/disc-checksums.sh [BUILD_DIR] > before.txt
set -uo pipefail
cli=$(realpath "${1:-build}")/bin/verosa-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run \
       HOME=$work/home TMPDIR=$work/tmp QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_RUNTIME_DIR" "$HOME" "$TMPDIR" "$work/src"
chmod 700 "$XDG_RUNTIME_DIR"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
cd "$work/src"
ff -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=2.3" -ac 2 -c:a pcm_s16le a48.wav
ff -f lavfi -i "sine=frequency=550:sample_rate=48000:duration=1.7" -ac 2 -c:a pcm_s16le b48.wav
ff -f lavfi -i "sine=frequency=660:sample_rate=96000:duration=1.9" -ac 2 -c:a pcm_s24le a96.wav
ff -f lavfi -i "sine=frequency=770:sample_rate=96000:duration=1.1" -ac 2 -c:a pcm_s24le b96.wav
ff -f lavfi -i "testsrc2=s=640x480" -frames:v 1 back.jpg
ff -f lavfi -i "testsrc2=s=720x576" -frames:v 1 -pix_fmt bgr24 still576.bmp
printf 'Morning Song\n\nLa la la\nthe sun comes up\n' > words.txt

"$cli" project new pal.mdp --name "Sums PAL" --tv pal >/dev/null
"$cli" project add pal.mdp a48.wav --picture back.jpg --lyrics words.txt >/dev/null
"$cli" project add pal.mdp b48.wav --picture back.jpg >/dev/null
"$cli" project add pal.mdp a48.wav --picture back.jpg --new-title >/dev/null
"$cli" project new ntsc.mdp --name "Sums NTSC" --tv ntsc --aspect 16:9 --rate 96000 >/dev/null
"$cli" project add ntsc.mdp a96.wav --picture back.jpg >/dev/null
"$cli" project add ntsc.mdp b96.wav --picture back.jpg --lyrics words.txt >/dev/null
cat > job.json <<'JSON'
{"output": "job", "titles": [{"chapters": [{"picture": "still576.bmp", "audio": "a48.wav"},
                                           {"picture": "still576.bmp", "audio": "b48.wav"}]},
                             {"chapters": [{"picture": "still576.bmp", "audio": "b48.wav"}]}]}
JSON

"$cli" make pal.mdp --out "$work/discs" --work "$work/w" >/dev/null 2>&1
"$cli" make ntsc.mdp --out "$work/discs" --work "$work/w" >/dev/null 2>&1
"$cli" author job.json >/dev/null 2>&1
mv job "$work/discs/job"
cd "$work/discs"
find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum
