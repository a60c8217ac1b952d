#!/usr/bin/env bash
# Paths past the old 260-byte limit: a project file, its sources, the work
# folder and the DVD folder each more than 300 bytes deep in folders with
# non-ASCII names, authored with verosa-cli make and read back with lsdvd.
source "$(dirname "$0")/lib.bash"

bytes() { printf %s "$1" | wc -c; }
# A folder under $work whose path is at least $2 bytes, made of $1.
deep() {
  local path=$work
  while [ "$(bytes "$path")" -lt "$2" ]; do path=$path/$1; done
  mkdir -p "$path" && printf %s "$path"
}
project_dir=$(deep "Übersicht-Lieder-für-den-Sommer-ñandú-日本語の歌" 320)
work_dir=$(deep "Arbeitsverzeichnis-временные-файлы-é" 1100)
out_dir=$(deep "Ausgabe-DVD-Ordner-φάκελος-ç" 330)
check "the folders are deep" test "$(bytes "$project_dir")" -gt 300 -a "$(bytes "$out_dir")" -gt 300

ff -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=2" -ac 2 -c:a pcm_s16le "$project_dir/Erstes Lied.wav"
ff -f lavfi -i "sine=frequency=660:sample_rate=44100:duration=1.5" -ac 2 "$project_dir/Zweites Lied.mp3"
ff -f lavfi -i "color=c=0x203060:s=640x480" -frames:v 1 "$project_dir/Hintergrund.jpg"
p=$project_dir/Sommer.mdp
"$cli" project new "$p" --name "Sommerlieder" >/dev/null
check "project new" test $? = 0
"$cli" project add "$p" "$project_dir/Erstes Lied.wav" --picture "$project_dir/Hintergrund.jpg" >/dev/null
check "project add" test $? = 0
"$cli" project add "$p" "$project_dir/Zweites Lied.mp3" --picture "$project_dir/Hintergrund.jpg" --new-title >/dev/null
check "project add to a new title" test $? = 0

"$cli" make "$p" --out "$out_dir" --work "$work_dir" >"$work/out" 2>"$work/err"
rc=$?
check "make exits 0" test $rc = 0
[ $rc = 0 ] || cat "$work/err" >&2
disc=$out_dir/Sommerlieder
check "make names the folder" grep -qxF "DVD folder: $disc" "$work/out"
check "lsdvd reads two titles" test "$(lsdvd "$disc" 2>/dev/null | grep -c '^Title:')" = 2
check "the VOB holds the audio" test "$(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name -of csv=p=0 "$disc/VIDEO_TS/VTS_01_1.VOB")" = pcm_dvd
check "the work folder is used and emptied" test -d "$work_dir/temp" -a -z "$(find "$work_dir/temp" -type f)"

finish
