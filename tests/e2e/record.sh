#!/usr/bin/env bash
# verosa-cli record as a user runs it, over SDL's disk audio driver, which
# reads a known raw input (noise made by ffmpeg): the WAV file holds exactly
# the asked seconds, and its samples are a stretch of the input bit for bit;
# Ctrl+C keeps a complete WAV; bad arguments and devices are refused.
source "$(dirname "$0")/lib.bash"
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILEIN=$work/input.raw SDL_DISKAUDIOFILE=$work/output.raw
ff -f lavfi -i "anoisesrc=seed=7:amplitude=0.5:sample_rate=44100:duration=8" -ac 2 -f s16le "$work/input.raw"
stream() {  # file -> "codec rate channels frames"
  ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_rate,channels,duration_ts \
    -of csv=p=0 "$1" | tr ',' ' '
}
# The samples of a WAV file are one stretch of the input; its header sizes match the file.
from_input() {
  python3 - "$1" "$work/input.raw" <<'PY'
import struct, sys
wav = open(sys.argv[1], "rb").read()
raw = open(sys.argv[2], "rb").read()
assert wav[:4] == b"RIFF" and struct.unpack("<I", wav[4:8])[0] == len(wav) - 8
assert wav[36:40] == b"data" and struct.unpack("<I", wav[40:44])[0] == len(wav) - 44
data = wav[44:]
at = raw.find(data[:4096])
assert at >= 0 and at % 4 == 0, "the start is not from the input"
assert raw[at:at + len(data)] == data, "the recording differs from the input"
PY
}

"$cli" record "$work/take.wav" --seconds 1.25 2>"$work/err"
check "record exits 0" test $? = 0
check "pcm 44100 Hz stereo, 1.25 s exactly" test "$(stream "$work/take.wav")" = "pcm_s16le 44100 2 55125"
check "the recording is the input" from_input "$work/take.wav"
check "progress on stderr" grep -q "Recording $work/take.wav" "$work/err"

"$cli" record "$work/long.wav" --seconds 30 2>"$work/err" &
pid=$!
sleep 1.5
kill -INT "$pid"
wait "$pid"
check "Ctrl+C exits 130" test $? = 130
check "Ctrl+C keeps a complete WAV of the input" from_input "$work/long.wav"
check "Ctrl+C says what is kept" grep -q "holds the first" "$work/err"

"$cli" record "$work/x.wav" --seconds 1 --device "No Such Input" 2>"$work/err"
check "unknown device exits 1" test $? = 1
check "unknown device is named with the devices" grep -q "no capture device named 'No Such Input'" "$work/err"
check "bad seconds" test "$("$cli" record "$work/x.wav" --seconds -2 >/dev/null 2>&1; echo $?)" = 1
check "missing seconds" test "$("$cli" record "$work/x.wav" >/dev/null 2>&1; echo $?)" = 1
"$cli" record "$work/no/such/folder/x.wav" --seconds 1 2>"$work/err"
check "unwritable file exits 1" test $? = 1
check "unwritable file is named" grep -q "cannot write $work/no/such/folder/x.wav" "$work/err"
check "help" bash -c "'$cli' record --help | grep -q 'Usage: verosa-cli record'"
finish
