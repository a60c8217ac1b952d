#!/usr/bin/env bash
# verosa-cli cd on CUE/BIN images of known PCM tracks: a disc with a data
# track first, and an Enhanced CD whose data track sits in a second session
# behind its gap. cd-info reads the same images; every ripped WAV must hold
# its source samples bit for bit.
source "$(dirname "$0")/lib.bash"
command -v cd-info >/dev/null || { echo "cd-info (libcdio-utils) is missing"; exit 1; }

cd "$work"
# Sources: raw 44.1 kHz 16-bit stereo, whole sectors (2352 bytes = 1/75 s).
ff -f lavfi -i "sine=frequency=440:duration=4" -af "pan=stereo|c0=c0|c1=-0.5*c0" -f s16le -ar 44100 a.raw
ff -f lavfi -i "anoisesrc=duration=1:seed=7" -ac 2 -f s16le -ar 44100 b.raw
ff -f lavfi -i "sine=frequency=997:duration=3" -ac 2 -f s16le -ar 44100 c.raw
head -c $((150 * 2352)) /dev/zero >data.raw

msf() { printf '%02d:%02d:%02d' $(($1 / 4500)) $(($1 / 75 % 60)) $(($1 % 75)); }
sectors() { echo $(($(stat -c %s "$1") / 2352)); }
# disc NAME [gap] KIND:FILE...; a gap puts the last track in a second session
# behind that many pregap sectors.
disc() {
  local name=$1 gap=$2; shift 2
  local position=0 number=0 last=$#
  : >"$name.bin"
  echo "FILE \"$name.bin\" BINARY" >"$name.cue"
  for track in "$@"; do
    number=$((number + 1))
    local kind=${track%%:*} file=${track#*:}
    printf '  TRACK %02d %s\n' $number "$kind" >>"$name.cue"
    if [ "$gap" -gt 0 ] && [ $number = "$last" ]; then
      sed -i '$i REM SESSION 02' "$name.cue"
      echo "    INDEX 00 $(msf $position)" >>"$name.cue"
      head -c $((gap * 2352)) /dev/zero >>"$name.bin"
      position=$((position + gap))
    fi
    echo "    INDEX 01 $(msf $position)" >>"$name.cue"
    cat "$file" >>"$name.bin"
    position=$((position + $(sectors "$file")))
  done
}
disc mixed 0 MODE1/2352:data.raw AUDIO:a.raw AUDIO:c.raw
disc enhanced 11400 AUDIO:a.raw AUDIO:b.raw MODE1/2352:data.raw

# Tracks as listed: number, kind, first sector, length; the same kinds and
# first sectors as cd-info reads.
listed() { "$cli" cd tracks "$1" | awk '/^[0-9][0-9] /{print $1+0, $2, $3, $4}'; }
outside() { cd-info --no-device-info --no-cddb --no-analyze "$1" 2>/dev/null |
            awk '$2 ~ /^[0-9][0-9]:/ && $1 != "170:" {sub(":", "", $1); print $1+0, $4, $3+0}'; }
check "mixed: tracks and lengths" test "$(listed mixed.cue)" = \
  "$(printf '1 data 0 00:00:02.00\n2 audio 150 00:00:04.00\n3 audio 450 00:00:03.00')"
check "enhanced: the last audio track ends at the session gap" test "$(listed enhanced.cue)" = \
  "$(printf '1 audio 0 00:00:04.00\n2 audio 300 00:00:01.00\n3 data 11775 00:00:02.00')"
for image in mixed enhanced; do
  check "$image: cd-info agrees" test "$(listed $image.cue | cut -d' ' -f1-3)" = "$(outside $image.cue)"
  check "$image: audio track count" \
    test "$("$cli" cd tracks $image.cue | sed -n 's/^Audio track count: //p')" = 2
done

# Rips equal their sources; the data track cannot be chosen.
same() { ff -i "$1" -f s16le - | cmp -s - "$2"; }
check "mixed: rip all" "$cli" cd rip mixed.cue --tracks all --out mixed-out
check "mixed: track 2 bit for bit" same "mixed-out/Track 02.WAV" a.raw
check "mixed: track 3 bit for bit" same "mixed-out/Track 03.WAV" c.raw
check "enhanced: rip 1-2" "$cli" cd rip enhanced.cue --tracks 1-2 --out enhanced-out
check "enhanced: track 1 bit for bit" same "enhanced-out/Track 01.WAV" a.raw
check "enhanced: track 2 bit for bit, no gap" same "enhanced-out/Track 02.WAV" b.raw
check "the data track is refused" bash -c '! "$0" "$@"' "$cli" cd rip mixed.cue --tracks 1 --out refused
check "nothing written for a refusal" test ! -e refused/Track\ 01.WAV
check "an unknown drive is named" sh -c "VEROSA_CD_IMAGES=$work/mixed.cue '$cli' cd tracks /dev/none 2>&1 |
  grep -q 'no CD drive is named /dev/none'"
finish
