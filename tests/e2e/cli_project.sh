#!/usr/bin/env bash
# verosa-cli as a user runs it: new project, chapters added, information
# shown as text and JSON, refusals with their exit codes.
source "$(dirname "$0")/lib.bash"

ff -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=3" -ac 2 "$work/one.mp3"
ff -f lavfi -i "sine=frequency=660:sample_rate=22050:duration=2" "$work/two.wav"
ff -f lavfi -i "color=c=red:s=64x48" -frames:v 1 "$work/back.jpg"
printf 'la la la\n' > "$work/words.txt"
printf 'not audio\n' > "$work/notes.txt"
p=$work/disc.mdp

check "new" "$cli" project new "$p" --name "Road Songs" --tv ntsc --aspect 16:9 --rate 96000
check "new refuses to overwrite" test "$("$cli" project new "$p" >/dev/null 2>&1; echo $?)" = 1
check "add first" "$cli" project add "$p" "$work/one.mp3" --picture "$work/back.jpg" --lyrics "$work/words.txt"
check "add second to a new title" "$cli" project add "$p" "$work/two.wav" --picture "$work/back.jpg" --new-title
check "add into title 1" "$cli" project add "$p" "$work/two.wav" --picture "$work/back.jpg" --title 1
check "add refuses a non-audio file" test "$("$cli" project add "$p" "$work/notes.txt" --picture "$work/back.jpg" >/dev/null 2>&1; echo $?)" = 1
ff -f lavfi -i "color=c=red:s=64x48" -frames:v 1 "$work/back.png"
check "add refuses a picture the disc cannot use" test "$("$cli" project add "$p" "$work/one.mp3" --picture "$work/back.png" 2>&1 >/dev/null | grep -c "cannot be loaded.*back.png")" = 1
check "add refuses title 9" test "$("$cli" project add "$p" "$work/one.mp3" --picture "$work/back.jpg" --title 9 >/dev/null 2>&1; echo $?)" = 1

json=$("$cli" project info "$p" --json)
check "info exits 0" test $? = 0
check "json fields" python3 - "$json" "$work" <<'PY'
import json, sys
d = json.loads(sys.argv[1]); work = sys.argv[2]
h = d["header"]
assert h["ProjectName"] == "Road Songs" and h["TVMode"] == 1 and h["VideoAspectRatio"] == 1, h
assert h["AudioSampleRate"] == 96000 and h["TitleCellTotalNum"] == 2 and h["AudioCellTotalNum"] == 3, h
a = d["audio_cells"]
assert [c["AudioFilePath"] for c in a] == [work + "/one.mp3", work + "/two.wav", work + "/two.wav"], a
assert [c["TitleIndex"] for c in a] == [0, 0, 1], a
assert a[0]["AudioTotalTime"] == 3 and a[0]["AudioSampleRate"] == 44100 and a[1]["AudioSampleRate"] == 22050, a
assert a[0]["LyricFilePath"] == work + "/words.txt" and a[0]["LyricColor"] == 16777215, a
assert a[0]["LyricFont"]["lfFaceName"] == "System" and a[0]["LyricFont"]["lfWeight"] == 900, a
assert [v["VideoTotalTime"] for v in d["video_cells"]] == [3, 2, 2]
# (93*3*4)/1024+4 + 2 * ((93*2*4)/1024+4)
assert d["estimate_mb"] == 5 + 4 + 4, d["estimate_mb"]
assert d["all_chapters_loaded"] is True and d["dropped"] == []
PY

text=$("$cli" project info "$p")
check "text info names the project" grep -q "Road Songs" <<<"$text"

rm "$work/two.wav"
out=$("$cli" project info "$p" --json 2>"$work/err")
check "dropped chapters still open" test $? = 0
check "dropped chapters reported" grep -q "Dropped chapter 2: audio file not found" "$work/err"
check "dropped chapters in json" python3 -c 'import json,sys; d=json.loads(sys.argv[1]); assert not d["all_chapters_loaded"] and len(d["audio_cells"]) == 1 and d["header"]["AudioCellTotalNum"] == 1' "$out"

printf '[ProjectCommon]\nCreator=Marrowfine\nVersion=v1.0\n' > "$work/bad.mdp"
"$cli" project info "$work/bad.mdp" 2>"$work/err" >/dev/null
check "refused file exits 2" test $? = 2
check "refused file message" grep -qx "Invalid project file: $work/bad.mdp" "$work/err"
head -c 300 /dev/urandom > "$work/random.mdp"
check "binary file refused" test "$("$cli" project info "$work/random.mdp" >/dev/null 2>&1; echo $?)" = 2

# Limits: 99 chapters fill a title; the 100th is refused with exit 3.
"$cli" project new "$work/full.mdp" >/dev/null
ff -f lavfi -i "anullsrc=r=8000:cl=mono" -t 1 "$work/s.wav"
python3 - "$work" <<'PY'
import sys
w = sys.argv[1]
lines = open(w + "/full.mdp", newline="").read().replace("AudioCellTotalNum=0", "AudioCellTotalNum=99").replace("VideoCellTotalNum=0", "VideoCellTotalNum=99").replace("TitleCellTotalNum=0", "TitleCellTotalNum=1")
for i in range(99):
    lines += "[AudioCell%d]\r\nAudioFilePath=%s/s.wav\r\nAudioTotalTime=1\r\nAudioSampleRate=8000\r\n[VideoCell%d]\r\nVideoFilePath=%s/back.jpg\r\n" % (i, w, i, w)
open(w + "/full.mdp", "w", newline="").write(lines)
PY
"$cli" project add "$work/full.mdp" "$work/s.wav" --picture "$work/back.jpg" 2>"$work/err" >/dev/null
check "100th chapter exits 3" test $? = 3
check "limit message" grep -q "The amount of the chapter under each title can not exceed 99!" "$work/err"
check "new title still possible" "$cli" project add "$work/full.mdp" "$work/s.wav" --picture "$work/back.jpg" --new-title

# The tool speaks the interface language: every command's help, a usage
# error and a failure in German.
while read -r command; do
  check "German help of $command" bash -c \
    "! cmp -s <(VEROSA_LANGUAGE=de '$cli' $command --help) <('$cli' $command --help)"
done < <("$cli" --help | sed -n 's/^  \([a-z][a-z-]*\)\( .*\)\?$/\1/p' | sort -u)
check "German usage error" bash -c "VEROSA_LANGUAGE=de '$cli' make --bogus 2>&1 | grep -qx 'verosa-cli: unbekannte Option --bogus'"
check "German failure" bash -c "VEROSA_LANGUAGE=de '$cli' project info '$work/none.mdp' 2>&1 | grep -q '^Ungültige Projektdatei: '"
finish
