#!/usr/bin/env bash
# verosa-cli iso and make --iso: DVD folders written as disc images and read
# back by outside readers: lsdvd (libdvdread, the UDF side) lists the same
# titles and chapters as from the folder, isoinfo shows the label and the
# files contiguous in DVD-Video order and extracts each file unchanged, udfinfo
# reads the UDF volume and its label, 7z extracts the UDF tree unchanged, mpv
# plays the image as a disc: one title, two titles, a title in two VOB files,
# a file one byte over a sector boundary, a long non-ASCII label. Then the
# refusals and make --iso.
source "$(dirname "$0")/lib.bash"
export LC_ALL=C.UTF-8
for tool in lsdvd isoinfo udfinfo 7z mpv; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh)" >&2; exit 1; }
done

# A DVD folder from an author job: $1 folder, then the chapter count of each title.
author() {
  local out=$1; shift
  local titles=() t c
  for t in "$@"; do
    local chapters=()
    for ((c = 0; c < t; c++)); do chapters+=('{"picture": "media/still.bmp", "audio": "media/tone.wav"}'); done
    titles+=("{\"chapters\": [$(IFS=,; echo "${chapters[*]}")]}")
  done
  printf '{"output": "%s", "titles": [%s]}\n' "$out" "$(IFS=,; echo "${titles[*]}")" >"$work/job.json"
  "$cli" author "$work/job.json" >/dev/null 2>"$work/author.err" || { cat "$work/author.err" >&2; return 1; }
}
mkdir -p "$work/media"
ff -f lavfi -i "sine=frequency=330:sample_rate=48000:duration=3" -ac 2 -c:a pcm_s16le "$work/media/tone.wav"
convert -size 720x576 gradient:navy-gold -type TrueColor BMP3:"$work/media/still.bmp"

# The file layout and extraction as the ISO 9660 side shows them, the UDF
# side read by hand; prints what differs and exits 1.
inspect_image() {  # image folder iso-label
  python3 - "$@" <<'PY'
import os, re, subprocess, sys
image, folder, label = sys.argv[1:4]
faults = []
info = subprocess.run(["isoinfo", "-d", "-i", image], capture_output=True, text=True).stdout
volume = re.search(r"^Volume id: (.*)$", info, re.M)
if not volume or volume.group(1) != label:
    faults.append(f"volume id {volume.group(1) if volume else None!r}, expected {label!r}")
sectors = int(re.search(r"^Volume size is: (\d+)", info, re.M).group(1))
if sectors * 2048 != os.path.getsize(image):
    faults.append(f"volume size {sectors} sectors, image {os.path.getsize(image)} bytes")
listing = subprocess.run(["isoinfo", "-l", "-i", image], capture_output=True, text=True).stdout
files = {}
for d in re.split(r"\nDirectory listing of ", listing)[1:]:
    head, *lines = d.splitlines()
    for line in lines:
        m = re.search(r"\s(\d+) \w{3} +\d+ \d{4} \[ *(\d+) 00\]  (\S+);1", line)
        if m:
            files[head.strip() + m.group(3)] = (int(m.group(2)), int(m.group(1)))
dirs = sorted(re.findall(r"\[ *\d+ 02\]  (\w+) ", listing))
if set(dirs) != {"AUDIO_TS", "VIDEO_TS"}:
    faults.append(f"folders {dirs}")
def dvd_order(name):
    m = re.fullmatch(r"VTS_(\d\d)_(\d)\.(IFO|VOB|BUP)", name)
    if name.startswith("VIDEO_TS."):
        return (0, ["IFO", "VOB", "BUP"].index(name[-3:]))
    return (int(m[1]), {"IFO": 0, "VOB": 1 + int(m[2]), "BUP": 11}[m[3]])
ours = sorted(os.listdir(f"{folder}/VIDEO_TS"), key=dvd_order)
by_extent = sorted(files, key=lambda f: files[f][0])
if [f.split("/")[-1] for f in by_extent] != ours or any(not f.startswith("/VIDEO_TS/") for f in by_extent):
    faults.append(f"files by extent {by_extent}, expected {ours}")
for previous, current in zip(by_extent, by_extent[1:]):
    start, size = files[previous]
    if files[current][0] != start + (size + 2047) // 2048:
        faults.append(f"{current} at sector {files[current][0]}, not right after {previous}")
for name in ours:
    data = open(f"{folder}/VIDEO_TS/{name}", "rb").read()
    got = subprocess.run(["isoinfo", "-i", image, "-x", f"/VIDEO_TS/{name};1"], capture_output=True).stdout
    if got != data:
        faults.append(f"/VIDEO_TS/{name} extracted: {len(got)} bytes, differs from the folder's {len(data)}")

# The UDF side, read from the anchors down with every descriptor tag checked
# (identifier, location, checksum, CRC-ITU): the same files, the same bytes,
# each at the extent the ISO 9660 directory gives it.
import binascii, struct
img = open(image, "rb")
def read(n, count=1):
    img.seek(n * 2048)
    return img.read(2048 * count)
def tag(buf, off, want, location, what):
    t = buf[off:off + 16]
    tid, _, checksum, _, _, crc, crc_length, loc = struct.unpack("<HHBBHHHI", t)
    problems = []
    if tid != want: problems.append(f"tag {tid}, expected {want}")
    if (sum(t[:4]) + sum(t[5:16])) & 0xFF != checksum: problems.append("checksum")
    if binascii.crc_hqx(buf[off + 16:off + 16 + crc_length], 0) != crc: problems.append("CRC")
    if loc != location: problems.append(f"location {loc}, expected {location}")
    if problems: faults.append(f"UDF {what}: {', '.join(problems)}")
    return not problems
partition = fsd = None
for anchor in (256, sectors - 1):
    a = read(anchor)
    tag(a, 0, 2, anchor, f"anchor at {anchor}")
    for length, first in (struct.unpack_from("<II", a, 16), struct.unpack_from("<II", a, 24)):
        for n in range(first, first + length // 2048):
            d = read(n)
            tid = struct.unpack_from("<H", d)[0]
            tag(d, 0, tid, n, f"volume descriptor {tid} at {n}")
            if tid == 5: partition = struct.unpack_from("<I", d, 188)[0]
            if tid == 6:
                fsd = struct.unpack_from("<I", d, 252)[0]
                integrity = struct.unpack_from("<I", d, 436)[0]
                tag(read(integrity), 0, 9, integrity, "integrity descriptor")
            if tid == 8: break
def entry(block, what):
    d = read(partition + block)
    tag(d, 0, 261, block, f"file entry of {what}")
    size, ea, ad = struct.unpack_from("<Q", d, 56)[0], *struct.unpack_from("<II", d, 168)
    data, first = b"", None
    for off in range(176 + ea, 176 + ea + ad, 8):
        length, position = struct.unpack_from("<II", d, off)
        first = position if first is None else first
        data += read(partition + position, (length + 2047) // 2048)[:length & 0x3FFFFFFF]
    return d[27], data[:size], first
udf = {}
def walk(block, path):
    kind, data, first = entry(block, path or "/")
    if kind != 4:
        udf[path] = (data, partition + first if first is not None else None)
        return
    udf[path + "/"] = None
    o = 0
    while o < len(data):
        tag(data, o, 257, first + o // 2048, f"identifier in {path or '/'}")
        chars, name_length = data[o + 18], data[o + 19]
        icb, iu = struct.unpack_from("<I", data, o + 24)[0], struct.unpack_from("<H", data, o + 36)[0]
        raw = data[o + 38 + iu:o + 38 + iu + name_length]
        if not chars & 8:
            name = raw[1:].decode("latin-1" if raw[0] == 8 else "utf-16-be")
            walk(icb, f"{path}/{name}")
        o += (38 + iu + name_length + 3) & ~3
if partition is None or fsd is None:
    faults.append("UDF: no partition or logical volume descriptor")
else:
    f = read(partition + fsd)
    tag(f, 0, 256, fsd, "file set descriptor")
    walk(struct.unpack_from("<I", f, 404)[0], "")
    expected = {"/", "/AUDIO_TS/", "/VIDEO_TS/"} | {f"/VIDEO_TS/{n}" for n in ours}
    if set(udf) != expected:
        faults.append(f"UDF tree {sorted(udf)}, expected {sorted(expected)}")
    for name in ours:
        data, start = udf.get(f"/VIDEO_TS/{name}", (None, None))
        if data != open(f"{folder}/VIDEO_TS/{name}", "rb").read():
            faults.append(f"UDF /VIDEO_TS/{name} differs from the folder's file")
        if start != files.get(f"/VIDEO_TS/{name}", (None,))[0]:
            faults.append(f"UDF /VIDEO_TS/{name} at sector {start}, ISO 9660 at {files.get(f'/VIDEO_TS/{name}')}")
for f in faults:
    print(f"  {f}", file=sys.stderr)
sys.exit(1 if faults else 0)
PY
}
titles() { lsdvd "$1" 2>/dev/null | grep '^Title:'; }
udf_field() { udfinfo "$1" 2>/dev/null | sed -n "s/^$2=//p"; }
same_udf_tree() {  # image folder: the UDF side extracted by 7z equals the folder
  rm -rf "$work/x" && 7z x -y -o"$work/x" "$1" >/dev/null 2>&1 &&
    7z l "$1" 2>/dev/null | grep -q 'OSTA UDF Compliant' && diff -r "$work/x" "$2" >&2
}
plays() {  # mpv decodes two seconds of picture and sound from the image
  timeout 120 mpv --no-config --ao=null --vo=null --length=2 --dvd-device="$1" dvd:// >"$work/mpv.log" 2>&1 &&
    grep -q '^VO: \[null\] 720x' "$work/mpv.log" && grep -q '^AO: \[null\]' "$work/mpv.log"
}

author "$work/One Title" 2
author "$work/two" 2 3
cp -r "$work/One Title" "$work/edge"
printf 'x' >>"$work/edge/VIDEO_TS/VTS_01_1.VOB"  # one byte over a sector boundary
cp -r "$work/two" "$work/Ünïcödé"
# The title VOB in two files, as a long title is: VTS_01_1.VOB and VTS_01_2.VOB.
cp -r "$work/two" "$work/split"
vob=$work/split/VIDEO_TS/VTS_01_1.VOB
half=$(($(stat -c %s "$vob") / 4096))
dd if="$vob" of="$work/split/VIDEO_TS/VTS_01_2.VOB" bs=2048 skip=$half status=none
truncate -s $((half * 2048)) "$vob"
long='Ünïcödé Ωmega — a very long label for a DVD-Video disc of many songs, over sixty-three characters'

# folder | --label | ISO 9660 label | UDF label (udfinfo) | UDF volume id
cases=(
  "One Title||ONE_TITLE|One Title|One Title"
  "two|Two Titles: Live!|TWO_TITLES_LIVE|Two Titles: Live!|Two Titles: Live!"
  "edge|edge case|EDGE_CASE|edge case|edge case"
  "split|Split|SPLIT|Split|Split"
  "Ünïcödé|$long|UNICODE_MEGA_A_VERY_LONG_LABEL_F|${long:0:63}|${long:0:15}"
)
for row in "${cases[@]}"; do
  IFS='|' read -r name label iso_label udf_label udf_vid <<<"$row"
  folder=$work/$name image=$work/$name.iso
  args=()
  [ -n "$label" ] && args=(--label "$label")
  "$cli" iso "$folder" "$image" "${args[@]}" >"$work/out" 2>"$work/err"
  check "$name: iso exits 0" test $? = 0
  check "$name: the image is named" grep -q "^Disc image: $image (" "$work/out"
  check "$name: lsdvd lists the folder's titles and chapters" \
    test "$(titles "$image")" = "$(titles "$folder")" -a -n "$(titles "$folder")"
  check "$name: ISO 9660 label, files in order and contiguous, both trees extracted unchanged, tags sound" \
    inspect_image "$image" "$folder" "$iso_label"
  check "$name: udfinfo reads the UDF volume" udfinfo "$image" >/dev/null 2>&1
  check "$name: UDF label" test "$(udf_field "$image" label)" = "$udf_label"
  check "$name: UDF volume id" test "$(udf_field "$image" vid)" = "$udf_vid"
  check "$name: UDF tree extracted unchanged" same_udf_tree "$image" "$folder"
  check "$name: mpv plays the image" plays "$image"
done

# One folder and label give the same bytes every time (what a burner compares).
"$cli" iso "$work/two" "$work/again.iso" --label "Two Titles: Live!" >/dev/null 2>&1
check "the same folder gives the same image" cmp -s "$work/again.iso" "$work/two.iso"

# Refusals: a reason naming the file, nothing written or replaced.
mkdir -p "$work/bad/VIDEO_TS" "$work/dangling/VIDEO_TS" "$work/lower/video_ts"
cp "$work/two/VIDEO_TS/VTS_01_1.VOB" "$work/bad/VIDEO_TS/"
cp "$work/two/VIDEO_TS/VIDEO_TS.IFO" "$work/dangling/VIDEO_TS/"
ln -s "$work/gone.vob" "$work/dangling/VIDEO_TS/VTS_01_1.VOB"
cp "$work/two/VIDEO_TS/VIDEO_TS.IFO" "$work/lower/video_ts/video_ts.ifo"
cp "$work/two/VIDEO_TS/VTS_01_1.VOB" "$work/lower/video_ts/a_long_name.vob"
echo keep >"$work/kept.iso"
# folder | output | --force | expected message
refusals=(
  "bad|$work/bad.iso||no VIDEO_TS.IFO): $work/bad/VIDEO_TS"
  "dangling|$work/dangling.iso||cannot read $work/dangling/VIDEO_TS/VTS_01_1.VOB: No such file"
  "lower|$work/lower.iso||not a DVD-Video file name .*: $work/lower/video_ts/a_long_name.vob"
  "two/VIDEO_TS|$work/video_ts.iso||$work/two/VIDEO_TS is the VIDEO_TS folder; give the folder that holds it"
  "two|$work/kept.iso||$work/kept.iso exists; use --force"
  "two|$work/missing/dir/out.iso|--force|cannot write $work/missing/dir/out.iso"
)
for row in "${refusals[@]}"; do
  IFS='|' read -r name out force message <<<"$row"
  "$cli" iso "$work/$name" "$out" $force >/dev/null 2>"$work/err"
  rc=$?
  check "$name -> ${out##*/}: exits 1" test $rc = 1
  check "$name -> ${out##*/}: says why" grep -q "$message" "$work/err"
done
check "an existing image is kept" test "$(cat "$work/kept.iso")" = keep
check "no partial image is left" test -z "$(find "$work" -maxdepth 1 -name '*.iso.*')"
"$cli" iso --help >"$work/help"
check "iso --help" grep -q "Usage: verosa-cli iso DVDDIR OUT.iso" "$work/help"

# make --iso: authored in the work folder, imaged with the project's name, the folder removed.
"$cli" project new "$work/Songs.mdp" --name "Songs for Ann" --tv pal >/dev/null
"$cli" project add "$work/Songs.mdp" "$work/media/tone.wav" --picture "$work/media/still.bmp" >/dev/null
"$cli" project add "$work/Songs.mdp" "$work/media/tone.wav" --picture "$work/media/still.bmp" >/dev/null
"$cli" make "$work/Songs.mdp" --iso "$work/songs.iso" --work "$work/songs_work" >"$work/out" 2>"$work/err" </dev/null
check "make --iso exits 0" test $? = 0
check "make --iso names the image" grep -q "^Disc image: $work/songs.iso (" "$work/out"
check "make --iso: lsdvd reads one title of two chapters" \
  bash -c "lsdvd '$work/songs.iso' 2>/dev/null | grep -q '^Title: 01, .*Chapters: 02'"
check "make --iso: labelled with the project's name" test "$(udf_field "$work/songs.iso" label)" = "Songs for Ann"
check "make --iso: the authored folder is removed" test -z "$(find "$work/songs_work" -name VIDEO_TS)"
"$cli" make "$work/Songs.mdp" --iso "$work/songs.iso" --out "$work/x" >/dev/null 2>"$work/err"
check "--iso with --out is refused" grep -q "exclude each other" "$work/err"

finish
