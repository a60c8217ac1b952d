#!/usr/bin/env bash
# verosa-cli make on projects that hold fewer chapters than they announce and
# on pictures that are not 24-bit: what the project holds is authored, every
# refusal names its reason, and the progress line ends at 100 % without
# going back during the authoring.
source "$(dirname "$0")/lib.bash"

ff -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=2" -ac 2 -c:a pcm_s16le "$work/a.wav"
ff -f lavfi -i "sine=frequency=550:sample_rate=48000:duration=1.5" -ac 2 -c:a pcm_s16le "$work/b.wav"
ff -f lavfi -i "testsrc2=s=320x240" -frames:v 1 -pix_fmt gray "$work/grey.bmp"
ff -f lavfi -i "testsrc2=s=333x217" -frames:v 1 -pix_fmt bgra "$work/rgba.bmp"

p=$work/partial.mdp
"$cli" project new "$p" --name Partial --tv ntsc >/dev/null
"$cli" project add "$p" "$work/a.wav" --picture "$work/grey.bmp" >/dev/null
"$cli" project add "$p" "$work/b.wav" --picture "$work/rgba.bmp" >/dev/null
# The counts announce two chapters more than the file holds.
sed -i 's/^AudioCellTotalNum=2/AudioCellTotalNum=4/; s/^VideoCellTotalNum=2/VideoCellTotalNum=4/' "$p"

"$cli" make "$p" --out "$work/discs" --work "$work/w" >"$work/out" 2>"$work/err"
check "announced but empty chapters: make exits 0" test $? = 0
check "one warning counts them" test "$(grep -c 'announces 2 empty chapters (no files named); skipped' "$work/err")" = 1
disc="$work/discs/Partial"
check "the held chapters are authored" test "$(lsdvd -x -t 1 "$disc" 2>/dev/null | grep -c $'^\tChapter: ')" = 2
check "grey and 32-bit pictures are encoded" test -z "$(grep "It is not a 24-bit bitmap" "$work/err")"
frames=$(ffprobe -v error -select_streams v:0 -show_entries frame=width,height -of csv=p=0 \
  "$disc/VIDEO_TS/VTS_01_1.VOB" | cut -d, -f1,2 | grep .)
check "both stills are decoded" test "$(echo "$frames" | grep -c .)" -ge 2
check "every still is 720x480" test "$(echo "$frames" | sort -u)" = "720,480"
check "ffmpeg decodes every picture" test -z "$(ffmpeg -nostdin -v error -i "$disc/VIDEO_TS/VTS_01_1.VOB" -map 0:v -f null - 2>&1)"
check "the progress never goes back and ends at 100 %" python3 - "$work/err" <<'PY'
import re, sys
values = [int(l.split('%')[0]) for l in open(sys.argv[1]) if re.match(r'^\s*\d+% ', l)]
sys.exit(0 if len(values) > 3 and values == sorted(values) and values[-1] == 100 else 1)
PY

# Refusals name their reason (exit 1, a line on stderr).
cp "$p" "$work/gone.mdp"
sed -i "s|^AudioFilePath=.*b\.wav|AudioFilePath=$work/missing.wav|" "$work/gone.mdp"
cp "$p" "$work/unnamed.mdp"
sed -i "s|^AudioFilePath=.*b\.wav\r\?$|AudioFilePath=|" "$work/unnamed.mdp"
cp "$p" "$work/empty.mdp"
sed -i 's/^AudioCellTotalNum=4/AudioCellTotalNum=0/' "$work/empty.mdp"
printf 'not a project\n' > "$work/junk.mdp"
refusal() {  # project, exit code, text stderr must hold
  "$cli" make "$1" --out "$work/refused" --work "$work/w" >/dev/null 2>"$work/err"
  local code=$?
  check "$(basename "$1"): exit $2 (got $code)" test "$code" = "$2"
  check "$(basename "$1"): '$3' on stderr" grep -qF -- "$3" "$work/err"
}
refusal "$work/gone.mdp" 1 "chapter 2: audio file not found: $work/missing.wav"
refusal "$work/unnamed.mdp" 1 "chapter 2: no audio file named"
refusal "$work/empty.mdp" 1 "has no chapter"
refusal "$work/junk.mdp" 2 "Invalid project file: $work/junk.mdp"
refusal "$work/none.mdp" 2 "Invalid project file: $work/none.mdp"
check "nothing authored for a refused project" test ! -e "$work/refused/Partial/VIDEO_TS/VIDEO_TS.IFO"

finish
