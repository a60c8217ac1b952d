#!/usr/bin/env bash
# `cmake --install` into a fresh prefix, checked as a desktop and a packager
# would: every file in its place, the programs finding their libraries and
# data relative to themselves (the prefix moved elsewhere, run from another
# folder), the .desktop file, the MIME type and the AppStream metainfo
# accepted by the freedesktop tools, the icons and the man pages.
#   install.sh BUILD_DIR CMAKE
source "$(dirname "$0")/lib.bash"
build=$1
cmake=${2:-cmake}
unset LD_LIBRARY_PATH VEROSA_DATA_DIR

staged=$work/staged
"$cmake" --install "$build" --prefix "$staged" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
# Nothing may know where it was installed: the whole prefix moves.
prefix=$work/moved/usr
mkdir -p "$work/moved"
mv "$staged" "$prefix"

# The layout.
libs=(verosa_platform Pennock Carrowell Tessaly Tolvane Dx2Wav Resample lame_enc)
files=(bin/verosa bin/verosa-cli share/verosa/Verosa.DLL
       share/verosa/demo/demo.mdp share/verosa/lang/de.ini share/verosa/skins/start_logo.bmp
       share/verosa/help/en share/verosa/Theme
       share/applications/verosa.desktop share/mime/packages/verosa.xml
       share/metainfo/org.example.verosa.metainfo.xml
       share/man/man1/verosa.1 share/man/man1/verosa-cli.1
       share/bash-completion/completions/verosa-cli)
for lib in "${libs[@]}"; do files+=("lib/verosa/lib$lib.so"); done
for f in "${files[@]}"; do check "installed: $f" test -e "$prefix/$f"; done
# Every shared library the build makes for the programs is installed (test
# doubles aside), and nothing lands beside other packages' libraries.
for so in "$build"/lib/verosa/*.so; do
  name=$(basename "$so")
  case $name in libFake*) continue ;; esac
  check "installed: lib/verosa/$name" test -e "$prefix/lib/verosa/$name"
done
check "only lib/verosa under lib/" test "$(ls "$prefix/lib")" = verosa

# Programs find the libraries through $ORIGIN, libraries each other likewise;
# ldd resolves every one of ours inside the prefix.
runpath() { readelf -d "$1" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p'; }
for exe in verosa verosa-cli; do
  check "$exe RUNPATH" test "$(runpath "$prefix/bin/$exe")" = '$ORIGIN/../lib/verosa'
done
for so in "$prefix"/lib/verosa/*.so; do
  rp=$(runpath "$so")
  check "$(basename "$so") RUNPATH ($rp)" test -z "$rp" -o "$rp" = '$ORIGIN'
done
for f in "$prefix"/bin/verosa "$prefix"/bin/verosa-cli "$prefix"/lib/verosa/*.so; do
  deps=$(ldd "$f")
  check "$(basename "$f"): every library found" test -z "$(grep 'not found' <<<"$deps")"
  ours=$(grep -E 'lib(verosa_platform|Pennock|Carrowell|Tessaly|Tolvane|Dx2Wav|Resample|lame_enc)\.so' <<<"$deps" | grep -v " => $prefix/bin/../lib/verosa/\| => $prefix/lib/verosa/" || true)
  check "$(basename "$f"): our libraries from the prefix" test -z "$ours"
done

# Icons: PNG with alpha at the size their folder names.
for size in 16 22 24 32 48 64 128 256; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/verosa.png
  check "icon ${size}px" python3 - "$png" "$size" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n"
w, h, depth, colour = struct.unpack(">IIBB", data[16:26])
size = int(sys.argv[2])
assert (w, h) == (size, size), (w, h)
assert colour == 6, colour  # RGBA: the magenta outside is transparent
PY
done

# The freedesktop tools.
check "desktop-file-validate" desktop-file-validate "$prefix/share/applications/verosa.desktop"
check "appstreamcli validate" appstreamcli validate --no-net \
  "$prefix/share/metainfo/org.example.verosa.metainfo.xml"
check "update-mime-database" update-mime-database "$prefix/share/mime"
check "update-desktop-database" update-desktop-database "$prefix/share/applications"
export XDG_DATA_DIRS=$prefix/share XDG_DATA_HOME=$work/data
mkdir -p "$XDG_DATA_HOME"
content_type() { gio info -a standard::content-type "$1" 2>/dev/null | sed -n 's/.*standard::content-type: //p'; }
cp "$prefix/share/verosa/demo/demo.mdp" "$work/song.mdp"
check "*.mdp by name" test "$(content_type "$work/song.mdp")" = application/x-verosa-project
cp "$prefix/share/verosa/demo/demo.mdp" "$work/renamed"
check "project by its [ProjectCommon] content" \
  test "$(content_type "$work/renamed")" = application/x-verosa-project
check "xdg-mime default" \
  test "$(XDG_CURRENT_DESKTOP= xdg-mime query default application/x-verosa-project)" = verosa.desktop
# GLib's desktops also want the program on the PATH (TryExec).
check "gio default application" bash -c "PATH='$prefix/bin':\$PATH gio mime application/x-verosa-project |
  grep -q 'Default application for .application/x-verosa-project.: verosa.desktop'"

# The installed command-line tool, from another folder.
mkdir -p "$work/elsewhere"
cd "$work/elsewhere"
check "verosa-cli --help" "$prefix/bin/verosa-cli" --help >/dev/null
check "verosa-cli demo" "$prefix/bin/verosa-cli" demo out >/dev/null 2>"$work/demo.err"
check "demo disc read by lsdvd" test "$(lsdvd "out/Verosa Demo" 2>/dev/null | grep -c '^Title: ')" = 2

# Man pages render; the command-line tool's page names every command its
# --help lists.
for page in verosa verosa-cli; do
  check "man $page" bash -c "MANWIDTH=80 man -l '$prefix/share/man/man1/$page.1' 2>&1 | grep -q '^SYNOPSIS'"
done
man_cli=$(MANWIDTH=200 man -l "$prefix/share/man/man1/verosa-cli.1" 2>/dev/null)
while read -r command; do
  check "man page names '$command'" grep -q -- "^ *$command\b" <<<"$man_cli"
done < <("$prefix/bin/verosa-cli" --help | sed -n 's/^  \(project [a-z]*\|[a-z][a-z-]*\)\( .*\)\?$/\1/p')

# Both programs tell their version; bash completion offers every command
# --help lists and the options of a command.
for program in verosa verosa-cli; do
  check "$program --version" bash -c "'$prefix/bin/$program' --version | grep -qx '$program [0-9.]*'"
done
completion=$prefix/share/bash-completion/completions/verosa-cli
complete_words() {
  bash -c 'source /usr/share/bash-completion/bash_completion; source "$0"
           COMP_WORDS=(verosa-cli "$@"); COMP_CWORD=$#; COMP_LINE="verosa-cli $*"; COMP_POINT=${#COMP_LINE}
           _verosa_cli; printf "%s\n" "${COMPREPLY[@]}"' "$completion" "$@"
}
commands=$(complete_words "")
while read -r command; do
  check "completion offers '$command'" grep -qx -- "$command" <<<"$commands"
done < <("$prefix/bin/verosa-cli" --help | sed -n 's/^  \([a-z][a-z-]*\)\( .*\)\?$/\1/p' | sort -u)
check "completion of cd rip options" test "$(complete_words cd rip --)" = "$(printf -- '--tracks\n--out\n--rate\n--help')"

finish
