#!/usr/bin/env bash
# verosa-cli make and demo as a user runs them: projects of mixed sources
# (mp3, wav at 44.1/48/96 kHz, flac), PAL and NTSC, an empty title in the
# middle and lyrics, authored into DVD folders and read back with lsdvd
# (libdvdread), ffprobe/ffmpeg and mpv (libdvdnav).
source "$(dirname "$0")/lib.bash"

length() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }
near() { python3 -c "import sys; sys.exit(abs(float('$1') - float('$2')) > float('$3'))"; }
# lsdvd -x chapter lengths of title $2 as seconds, one per line.
chapter_lengths() {
  lsdvd -x -t "$2" "$1" 2>/dev/null |
    awk '/^\tChapter: /{split($4, t, ":"); printf "%.3f\n", t[1]*3600 + t[2]*60 + t[3]}'
}
lsdvd_field() { lsdvd -x "$1" 2>/dev/null | grep -o "$2: [^,]*" | head -1 | sed "s/^$2: //"; }
picture_size() {
  ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 "$1" | head -1 | cut -d, -f1,2
}
# Sample rate of the title set's first audio stream from its attributes in
# VTS_01_0.IFO (byte 0x205, bits 5..4: 0 = 48 kHz, 1 = 96 kHz).
ifo_audio_rate() {
  local bits=$(( $(od -An -tu1 -j $((0x205)) -N1 "$1/VIDEO_TS/VTS_01_0.IFO") >> 4 & 3 ))
  case $bits in 0) echo 48000 ;; 1) echo 96000 ;; *) echo "?" ;; esac
}
# The navigation commands read back from the information files: the first
# play's pre commands, then each title's post commands (NOPs left out).
navigation() {
  python3 - "$1" <<'PY'
import struct, sys
disc = sys.argv[1]
def be16(b, o): return struct.unpack('>H', b[o:o + 2])[0]
def be32(b, o): return struct.unpack('>I', b[o:o + 4])[0]
def commands(ifo, pgc):
    table = pgc + be16(ifo, pgc + 0xE4)
    if table == pgc: return [], []
    pre, post = be16(ifo, table), be16(ifo, table + 2)
    cmds = [ifo[table + 8 + 8 * i:table + 16 + 8 * i].hex() for i in range(pre + post)]
    return cmds[:pre], [c for c in cmds[pre:] if c != '0' * 16]
vmg = open(f'{disc}/VIDEO_TS/VIDEO_TS.IFO', 'rb').read()
vts = open(f'{disc}/VIDEO_TS/VTS_01_0.IFO', 'rb').read()
pgcit = be32(vts, 0xCC) * 2048
posts = [commands(vts, pgcit + be32(vts, pgcit + 12 + 8 * i))[1] for i in range(be16(vts, pgcit))]
print(' '.join(commands(vmg, be32(vmg, 0x84))[0]), '|', ' | '.join(' '.join(p) for p in posts))
PY
}
# The audio timeline of every title, read from the VOB packs: each LPCM
# packet's PTS is that of the first frame starting in it, so the frames of a
# title must follow one another at 150 ticks (1/600 s). Prints the largest
# jump at a chapter start and elsewhere (in ticks), and the largest
# difference between a cell's playback time in VTS_01_0.IFO and its audio
# (in frames of the disc's video rate). The disc passes with "ok".
timeline() {
  python3 - "$1" <<'PY'
import glob, struct, sys
disc = sys.argv[1]
be16 = lambda b, o: struct.unpack('>H', b[o:o + 2])[0]
be32 = lambda b, o: struct.unpack('>I', b[o:o + 4])[0]
pts_of = lambda p: ((p[0] >> 1 & 7) << 30 | p[1] << 22 | (p[2] >> 1) << 15 | p[3] << 7 | p[4] >> 1)
cells = {}        # (title, cell) -> first frame PTS
ends = {}         # title -> PTS after its last frame
worst_start = worst_inside = 0
title = cell = 0
expected = None
for vob in sorted(glob.glob(f'{disc}/VIDEO_TS/VTS_01_[1-9].VOB')):
    data = open(vob, 'rb').read()
    for at in range(0, len(data), 2048):
        p = data[at:at + 2048]
        if p[14:18] == b'\0\0\1\xbb':
            if be16(p, 1055) != title: expected = None
            title, cell = be16(p, 1055), p[1058]
            continue
        if p[14:18] != b'\0\0\1\xbd' or not p[21] & 0x80: continue
        lpcm = 23 + p[22]
        if p[lpcm] != 0xA0 or p[lpcm + 1] == 0: continue
        pts = pts_of(p[23:28])
        if (title, cell) not in cells:
            cells[(title, cell)] = pts
            if expected is not None: worst_start = max(worst_start, abs(pts - expected))
        elif expected is not None:
            worst_inside = max(worst_inside, abs(pts - expected))
        expected = pts + 150 * p[lpcm + 1]
        ends[title] = expected
# Cell playback times from the title set's program chains (BCD h m s, frames).
vts = open(f'{disc}/VIDEO_TS/VTS_01_0.IFO', 'rb').read()
bcd = lambda v: (v >> 4) * 10 + (v & 15)
pgcit = be32(vts, 0xCC) * 2048
worst_cell = 0
for t in range(1, be16(vts, pgcit) + 1):
    pgc = pgcit + be32(vts, pgcit + 12 + 8 * (t - 1))
    table, count = pgc + be16(vts, pgc + 0xE8), vts[pgc + 3]
    for c in range(1, count + 1):
        b = vts[table + 24 * (c - 1) + 4:table + 24 * (c - 1) + 8]
        frame = 3003 if b[3] >> 6 == 3 else 3600
        ifo = (bcd(b[0]) * 3600 + bcd(b[1]) * 60 + bcd(b[2])) * 90000 + bcd(b[3] & 0x3F) * frame
        start = cells.get((t, c))
        end = cells.get((t, c + 1), ends.get(t))
        if start is None or end is None: sys.exit(f'title {t} cell {c}: no audio')
        worst_cell = max(worst_cell, abs(ifo - (end - start)) / frame)
ok = worst_start <= 150 and worst_inside <= 150 and worst_cell < 1
print(f'chapter starts {worst_start}, inside {worst_inside}, cells {worst_cell:.2f} frames', 'ok' if ok else 'BAD')
PY
}
gapless() { timeline "$1" | tee -a "$work/timelines" | grep -q ' ok$'; }
plays() {  # disc seconds: mpv (libdvdnav) plays the disc from title 1 on for that long
  timeout 60 mpv --no-config --really-quiet --vo=null --ao=pcm --ao-pcm-file="$work/mpv.wav" --untimed \
      --end="$2" --dvd-device="$1" dvd://0 </dev/null >/dev/null 2>&1 || return 1
  near "$(length "$work/mpv.wav")" "$2" 1.0
}

ff -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=3" -ac 2 -b:a 128k "$work/song.mp3"
ff -f lavfi -i "sine=frequency=550:sample_rate=48000:duration=2" -ac 2 -c:a pcm_s16le "$work/tone48.wav"
ff -f lavfi -i "sine=frequency=660:sample_rate=44100:duration=2.5" -ac 2 -c:a pcm_s16le "$work/tone44.wav"
ff -f lavfi -i "sine=frequency=770:sample_rate=96000:duration=1.5" -ac 2 -c:a pcm_s24le "$work/tone96.wav"
ff -f lavfi -i "sine=frequency=880:sample_rate=48000:duration=1.75" -ac 2 -c:a flac "$work/tune.flac"
ff -f lavfi -i "sine=frequency=330:sample_rate=22050:duration=1.5" -ac 1 "$work/voice.wav"
ff -f lavfi -i "color=c=0x400000:s=640x480" -frames:v 1 "$work/dark.jpg"
printf 'Morning Song\n\nLa la la la la\nthe sun comes up\n' > "$work/words.txt"
sources=("$work/song.mp3" "$work/tone48.wav" "$work/tone44.wav" "$work/tone96.wav" "$work/tune.flac")

# PAL, 48 kHz: title 1 mp3 (with lyrics) + wav 48k; title 3 wav 44.1k + wav 96k + flac.
pal=$work/pal.mdp
"$cli" project new "$pal" --name "Mixed PAL" --tv pal >/dev/null
"$cli" project add "$pal" "$work/song.mp3" --picture "$work/dark.jpg" --lyrics "$work/words.txt" >/dev/null
"$cli" project add "$pal" "$work/tone48.wav" --picture "$work/dark.jpg" >/dev/null
"$cli" project add "$pal" "$work/tone44.wav" --picture "$work/dark.jpg" --new-title >/dev/null
"$cli" project add "$pal" "$work/tone96.wav" --picture "$work/dark.jpg" >/dev/null
"$cli" project add "$pal" "$work/tune.flac" --picture "$work/dark.jpg" >/dev/null
# The second title becomes the third: title 2 is left empty.
sed -i 's/^TitleIndex=1\r\?$/TitleIndex=2/; s/^TitleCellTotalNum=2/TitleCellTotalNum=3/' "$pal"
check "the project keeps an empty title" bash -c "'$cli' project info '$pal' --json | grep -q '\"TitleIndex\":2'"

"$cli" make "$pal" --out "$work/discs" --work "$work/w" >"$work/out" 2>"$work/err"
check "make exits 0" test $? = 0
disc="$work/discs/Mixed PAL"
check "make names the folder" grep -qx "DVD folder: $disc" "$work/out"
check "make reports success" grep -q "Create DVD Folder successfully!" "$work/err"
check "make shows the status texts" grep -q "Create temp audio file" "$work/err"
check "the temporary folder is emptied" test -z "$(find "$work/w/temp" -type f)"
for f in VIDEO_TS.IFO VIDEO_TS.BUP VTS_01_0.IFO VTS_01_0.BUP VTS_01_1.VOB; do
  check "$f exists" test -s "$disc/VIDEO_TS/$f"
done
check "AUDIO_TS exists" test -d "$disc/AUDIO_TS"
check "lsdvd reads two titles" test "$(lsdvd "$disc" 2>/dev/null | grep -c '^Title:')" = 2
check "title 1 has two chapters" test "$(chapter_lengths "$disc" 1 | wc -l)" = 2
check "title 2 has three chapters" test "$(chapter_lengths "$disc" 2 | wc -l)" = 3
check "PAL" test "$(lsdvd_field "$disc" Format)" = PAL
check "48 kHz LPCM" test "$(ifo_audio_rate "$disc")" = 48000
check "English audio" test "$(lsdvd_field "$disc" Language)" = "en - English"
mapfile -t lengths < <(chapter_lengths "$disc" 1; chapter_lengths "$disc" 2)
for i in 0 1 2 3 4; do
  check "chapter $((i + 1)) lasts as its source" near "${lengths[$i]:-0}" "$(length "${sources[$i]}")" 0.5
done
ff -i "$disc/VIDEO_TS/VTS_01_1.VOB" -map 0:a -c:a pcm_s16le "$work/disc.wav"
total=$(python3 -c "print(3 + 2 + 2.5 + 1.5 + 1.75)")
check "the disc's audio is as long as the sources" near "$(length "$work/disc.wav")" "$total" 0.05
check "the disc's audio is 48 kHz stereo" \
  test "$(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_rate,channels -of csv=p=0 "$disc/VIDEO_TS/VTS_01_1.VOB")" = "pcm_dvd,48000,2"
# The first chapter shows white lyrics on a dark red picture.
ff -i "$disc/VIDEO_TS/VTS_01_1.VOB" -frames:v 1 "$work/first.png"
check "lyrics are drawn" python3 -c "import sys; sys.exit(float('$(convert "$work/first.png" -channel G -separate -format '%[fx:maxima]' info:)') < 0.8)"
check "the picture is 720x576" test "$(picture_size "$disc/VIDEO_TS/VTS_01_1.VOB")" = "720,576"
check "mpv plays the disc through both titles" plays "$disc" 10
check "PAL chapters follow each other without a gap" gapless "$disc"
# First play jumps to title 1, title 1 goes on to title 2 of the set, the
# last title ends the disc.
check "navigation: the last title returns to the title menu" test "$(navigation "$disc")" = "3002000000010000 | 3003000000020000 | 3008000001420000"
# The theme's menus with buttons, played with libdvdnav as a player shows them.
shots=$(dirname "$cli")/menu_screenshot
mkdir -p "$work/shots"
"$shots" "$disc" "$work/shots" >"$work/shots.out" 2>/dev/null
check "the disc rests in its title menu and the song menu of title 1" test $? = 0
check "a title menu button per title" grep -qx "title_menu.ppm: 2 buttons" "$work/shots.out"
check "a song button per chapter of title 1, Back and Play all" grep -qx "song_menu.ppm: 4 buttons" "$work/shots.out"
check "lsdvd -x reads the menus without complaint" bash -c "! lsdvd -x '$disc' 2>&1 | grep -qi 'error\|fail'"
"$cli" make "$pal" --out "$work/menu" --work "$work/w" --start menu >/dev/null 2>&1
check "make --start menu: the disc starts in the title menu" \
  bash -c "'$shots' '$work/menu/Mixed PAL' '$work/shots' --starts-with-menu >/dev/null 2>&1"
"$cli" make "$pal" --out "$work/menu" --work "$work/w" --start sideways >/dev/null 2>"$work/err"
check "make refuses --start sideways" grep -q -- "--start takes menu or play" "$work/err"

# A second run asks before replacing the folder; without --force the answer is No.
"$cli" make "$pal" --out "$work/discs" --work "$work/w" >/dev/null 2>"$work/err"
check "make refuses an existing folder" test $? = 1
check "the replace question is shown" grep -q "has existed, are you sure to replace it?" "$work/err"
check "the old disc stays" test -s "$disc/VIDEO_TS/VTS_01_1.VOB"
"$cli" make "$pal" --out "$work/discs" --work "$work/w" --force >/dev/null 2>&1
check "--force replaces it" test $? = 0
touch "$work/plain"
"$cli" make "$pal" --out "$work/plain/sub" --work "$work/w" >/dev/null 2>"$work/err"
check "make refuses a folder it cannot create" test $? = 1
check "Invalid directory is shown" grep -q "Invalid directory:" "$work/err"

# NTSC, 16:9, 96 kHz, one title.
ntsc=$work/ntsc.mdp
"$cli" project new "$ntsc" --name "Wide NTSC" --tv ntsc --aspect 16:9 --rate 96000 >/dev/null
"$cli" project add "$ntsc" "$work/song.mp3" --picture "$work/dark.jpg" >/dev/null
"$cli" project add "$ntsc" "$work/tone44.wav" --picture "$work/dark.jpg" >/dev/null
"$cli" project add "$ntsc" "$work/voice.wav" --picture "$work/dark.jpg" >/dev/null
"$cli" make "$ntsc" --out "$work/discs" --work "$work/w" >/dev/null 2>"$work/err"
check "NTSC make exits 0" test $? = 0
disc="$work/discs/Wide NTSC"
check "NTSC" test "$(lsdvd_field "$disc" Format)" = NTSC
check "16:9" test "$(lsdvd_field "$disc" "Aspect ratio")" = 16/9
check "96 kHz LPCM in the IFO" test "$(ifo_audio_rate "$disc")" = 96000
check "96 kHz LPCM in the VOB" \
  test "$(ffprobe -v error -select_streams a:0 -show_entries stream=sample_rate -of csv=p=0 "$disc/VIDEO_TS/VTS_01_1.VOB")" = 96000
check "the NTSC picture is 720x480" test "$(picture_size "$disc/VIDEO_TS/VTS_01_1.VOB")" = "720,480"
mapfile -t lengths < <(chapter_lengths "$disc" 1)
check "NTSC chapter lengths" near "${lengths[0]:-0}" 3 0.5
check "NTSC chapter lengths" near "${lengths[1]:-0}" 2.5 0.5
check "NTSC chapter lengths" near "${lengths[2]:-0}" 1.5 0.5
# The mono chapter joins the others' stereo: one audio format on the disc.
check "one stereo stream" test "$(lsdvd_field "$disc" Channels)" = 2
ff -i "$disc/VIDEO_TS/VTS_01_1.VOB" -map 0:a -c:a pcm_s16le "$work/ntsc.wav"
check "the NTSC disc's audio is as long as its sources" near "$(length "$work/ntsc.wav")" 7 0.05
check "mpv plays the NTSC disc through both chapters" plays "$disc" 5
check "the mono-converted chapters follow each other without a gap" gapless "$disc"

# NTSC, 96 kHz 24-bit sources taken as they are.
ff -f lavfi -i "sine=frequency=990:sample_rate=96000:duration=2.2" -ac 2 -c:a pcm_s24le "$work/tone96b.wav"
deep=$work/deep.mdp
"$cli" project new "$deep" --name "Deep NTSC" --tv ntsc --rate 96000 >/dev/null
for f in tone96.wav tone96b.wav tone96.wav; do
  "$cli" project add "$deep" "$work/$f" --picture "$work/dark.jpg" >/dev/null
done
"$cli" make "$deep" --out "$work/discs" --work "$work/w" >/dev/null 2>"$work/err"
check "24-bit make exits 0" test $? = 0
disc="$work/discs/Deep NTSC"
check "24-bit LPCM stays 24-bit" \
  test "$(ffprobe -v error -select_streams a:0 -show_entries stream=bits_per_raw_sample -of csv=p=0 "$disc/VIDEO_TS/VTS_01_1.VOB")" = 24
check "96 kHz 24-bit chapters follow each other without a gap" gapless "$disc"
mapfile -t lengths < <(chapter_lengths "$disc" 1)
check "24-bit chapter lengths" near "${lengths[1]:-0}" 2.2 0.5
check "mpv plays the 24-bit disc through" plays "$disc" 4

# A chapter whose audio is gone: no disc, a reason, exit 1.
rm "$work/tone44.wav"
"$cli" make "$ntsc" --out "$work/discs2" --work "$work/w" >/dev/null 2>"$work/err"
check "a missing audio file fails" test $? = 1
check "the missing file is named" grep -q "tone44.wav" "$work/err"
check "no DVD folder is made" test ! -e "$work/discs2/Wide NTSC/VIDEO_TS/VIDEO_TS.IFO"

# The bundled demo.
"$cli" demo "$work/demo" >/dev/null 2>"$work/err"
check "demo exits 0" test $? = 0
check "demo: lsdvd reads 3 + 2 chapters" \
  test "$(chapter_lengths "$work/demo/Verosa Demo" 1 | wc -l) $(chapter_lengths "$work/demo/Verosa Demo" 2 | wc -l)" = "3 2"
check "demo: mpv plays it into the second title" plays "$work/demo/Verosa Demo" 30
check "demo: its chapters follow each other without a gap" gapless "$work/demo/Verosa Demo"
cat "$work/timelines"

finish
