#!/usr/bin/env bash
# verosa-cli author: a JSON job of WAVs and 24-bit BMPs authored into a DVD
# folder read back with lsdvd; a missing audio file and malformed jobs fail
# with their reasons.
source "$(dirname "$0")/lib.bash"
chapters() { lsdvd "$1" 2>/dev/null | grep "^Title: 0$2," | grep -o 'Chapters: [0-9]*'; }

mkdir -p "$work/job/media"
for name in a b c d e; do
  ff -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=1" -ac 2 -c:a pcm_s16le "$work/job/media/$name.wav"
done
convert -size 720x576 gradient:navy-gold -type TrueColor BMP3:"$work/job/media/one.bmp"
"$cli" render-still "$work/job/media/one.bmp" "$work/job/media/two.bmp" >/dev/null
# Relative paths start at the job file's folder.
job() {  # $1: audio of title 2, chapter 3
  cat <<JSON
{"output": "disc", "aspect": 169, "language": "de",
 "titles": [{"chapters": [{"picture": "media/one.bmp", "audio": "media/a.wav"},
                          {"picture": "media/two.bmp", "audio": "media/b.wav"}]},
            {"chapters": [{"picture": "media/two.bmp", "audio": "media/c.wav"},
                          {"picture": "media/one.bmp", "audio": "media/d.wav"},
                          {"picture": "media/two.bmp", "audio": "$1"}]}]}
JSON
}
job media/e.wav >"$work/job/job.json"
"$cli" author "$work/job/job.json" >"$work/out" 2>"$work/err" </dev/null
check "author exits 0" test $? = 0
check "author names the folder" grep -qx "DVD folder: $work/job/disc" "$work/out"
check "progress lines in the log" grep -q "100% Finished" "$work/err"
check "lsdvd reads two titles" test "$(lsdvd "$work/job/disc" 2>/dev/null | grep -c '^Title:')" = 2
check "title 1 has two chapters" test "$(chapters "$work/job/disc" 1)" = "Chapters: 02"
check "title 2 has three chapters" test "$(chapters "$work/job/disc" 2)" = "Chapters: 03"
check "16:9" bash -c "lsdvd -x '$work/job/disc' 2>/dev/null | grep -q 'Aspect ratio: 16/9'"

job media/gone.wav >"$work/job/missing.json"
"$cli" author "$work/job/missing.json" >/dev/null 2>"$work/err" </dev/null
check "a missing audio file exits 1" test $? = 1
check "the job result 203 is explained" grep -q "job result 203: the audio file of title 2, chapter 3 .*gone.wav" "$work/err"

printf '{"output": "disc", "titles": [\n' >"$work/job/broken.json"
"$cli" author "$work/job/broken.json" >/dev/null 2>"$work/err"
check "malformed JSON exits 1" test $? = 1
check "malformed JSON is named" grep -q "broken.json: malformed JSON at line 2" "$work/err"
job media/e.wav | sed 's/, "audio": "media\/d.wav"//' >"$work/job/noaudio.json"
"$cli" author "$work/job/noaudio.json" >/dev/null 2>"$work/err"
check "a chapter without audio exits 1" test $? = 1
check "the field is named" grep -q 'title 2, chapter 2: "audio" is missing' "$work/err"

finish
