# Shared set-up of the end-to-end scripts: the verosa-cli path ($1), a scratch
# folder as the user's home (removed at exit), check/ff helpers and the
# closing "N passed, M failed" line. Source it first thing.
set -u
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run \
       HOME=$work/home TMPDIR=$work/tmp
mkdir -p "$XDG_RUNTIME_DIR" "$HOME" "$TMPDIR"
chmod 700 "$XDG_RUNTIME_DIR"
failures=0
passes=0
check() {  # description, command...
  local what=$1; shift
  if "$@"; then passes=$((passes + 1)); else echo "FAIL: $what" >&2; failures=$((failures + 1)); fi
}
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
finish() {
  echo "$passes passed, $failures failed"
  test "$failures" = 0
}
