#!/usr/bin/env bash
# verosa-cli probe and convert as a user runs them: media files made with
# ffmpeg, converted to PCM WAV (48 and 96 kHz) and MP3, checked with ffprobe.
source "$(dirname "$0")/lib.bash"
stream() {  # file -> "codec rate channels"
  ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_rate,channels \
    -of csv=p=0 "$1" | awk -F, '{print $1, $2, $3}'
}
seconds() {  # file -> duration of the decoded audio
  ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"
}

ff -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=3" -ac 2 "$work/song.mp3"
ff -f lavfi -i "sine=frequency=660:sample_rate=22050:duration=2.5" -ac 1 "$work/voice.wav"
ff -f lavfi -i "sine=frequency=880:sample_rate=48000:duration=1.75" -ac 2 -c:a flac "$work/tune.flac"
ff -f lavfi -i "color=c=red:s=64x48" -frames:v 1 "$work/picture.png"
printf 'not audio at all\n' > "$work/notes.mp3"

# probe
json=$("$cli" probe "$work/voice.wav" --json)
check "probe exits 0" test $? = 0
check "probe json" python3 - "$json" <<'PY'
import json, sys
d = json.loads(sys.argv[1])
assert d["has_audio"] is True, d
assert d["duration_seconds"] == 2 and d["duration_text"] == "00:00:02", d
assert d["item_duration"] == "00:00:02.50", d
w = d["wave_format"]
assert (w["wFormatTag"], w["nChannels"], w["nSamplesPerSec"], w["wBitsPerSample"]) == (1, 1, 22050, 16), w
assert w["nBlockAlign"] == 2 and w["nAvgBytesPerSec"] == 44100 and w["cbSize"] == 0, w
PY
check "probe text" bash -c "'$cli' probe '$work/song.mp3' | grep -q '44100 Hz, 2 channels, 16 bits'"
"$cli" probe "$work/notes.mp3" >/dev/null 2>"$work/err"
check "probe without audio exits 1" test $? = 1
check "probe names the file" grep -q "$work/notes.mp3" "$work/err"
check "probe needs a file" test "$("$cli" probe >/dev/null 2>&1; echo $?)" = 1

# convert to 48 kHz WAV
out=$("$cli" convert "$work/song.mp3" "$work/voice.wav" "$work/tune.flac" --out "$work/out" 2>"$work/err")
check "convert exits 0" test $? = 0
mapfile -t files <<<"$out"
check "three destinations" test "${#files[@]}" = 3
for f in "${files[@]}"; do
  check "$f in DIR/temp" test "$(dirname "$f")" = "$work/out/temp"
  check "$f is a file" test -f "$f"
done
check "song at 48 kHz" test "$(stream "${files[0]}")" = "pcm_s16le 48000 2"
check "voice keeps one channel" test "$(stream "${files[1]}")" = "pcm_s16le 48000 1"
check "tune at 48 kHz" test "$(stream "${files[2]}")" = "pcm_s16le 48000 2"
check "voice lasts 2.5 s" python3 -c "import sys; assert abs(float(sys.argv[1]) - 2.5) < 0.01" "$(seconds "${files[1]}")"
check "tune lasts 1.75 s" python3 -c "import sys; assert abs(float(sys.argv[1]) - 1.75) < 0.01" "$(seconds "${files[2]}")"
check "progress named the files" grep -q "Converting:  .*voice.wav" "$work/err"
check "no temporary files left" test -z "$(find "$TMPDIR" -type f)"

# 96 kHz
out=$("$cli" convert "$work/voice.wav" --out "$work/out96" --rate 96000 2>/dev/null)
check "96 kHz exits 0" test $? = 0
check "voice at 96 kHz" test "$(stream "$out")" = "pcm_s16le 96000 1"

# MP3
out=$("$cli" convert "$work/tune.flac" "$work/voice.wav" --out "$work/mp3" --mp3 --bitrate 192 2>/dev/null)
check "mp3 exits 0" test $? = 0
mapfile -t files <<<"$out"
check "two mp3 files" test "${#files[@]}" = 2
check "tune as MP3" test "$(stream "${files[0]}")" = "mp3 48000 2"
check "voice as mono MP3" test "$(stream "${files[1]}")" = "mp3 22050 1"
check "mp3 names" test "${files[0]##*.}" = MP3

# failures
out=$("$cli" convert "$work/song.mp3" "$work/picture.png" --out "$work/mixed" 2>"$work/err")
check "a refused file fails the run" test $? = 1
check "the refused file is named" grep -q "$work/picture.png" "$work/err"
check "the good file is still converted" test -f "$out"
check "missing --out" test "$("$cli" convert "$work/song.mp3" >/dev/null 2>&1; echo $?)" = 1
check "bad rate" test "$("$cli" convert "$work/song.mp3" --out "$work/x" --rate 44100 >/dev/null 2>&1; echo $?)" = 1
check "bitrate without mp3" test "$("$cli" convert "$work/song.mp3" --out "$work/x" --bitrate 128 >/dev/null 2>&1; echo $?)" = 1
check "bitrate off the table" test "$("$cli" convert "$work/song.mp3" --out "$work/x" --mp3 --bitrate 100 >/dev/null 2>&1; echo $?)" = 1
check "help" bash -c "'$cli' convert --help | grep -q 'Usage: verosa-cli convert'"
check "progress and refusal in German" bash -c "VEROSA_LANGUAGE=de '$cli' convert '$work/song.mp3' '$work/notes.mp3' --out '$work/de' 2>&1 |
  tr '\r' '\n' | grep -q '^Umwandlung:  song.mp3' && VEROSA_LANGUAGE=de '$cli' convert '$work/notes.mp3' --out '$work/de' 2>&1 |
  grep -q 'kann nicht verwendet werden'"

finish
