# Shared set-up of the disc benchmarks: the verosa-cli of the build folder
# ($1, default build; BENCH_CLI names another program file), the tools that must be there (the arguments of
# bench_setup), a scratch folder as the user's home (removed at exit) with an
# "in" folder for the material, and ff for quiet ffmpeg runs.
bench_setup() {
  build=${BUILD_ARG:-build}
  cli=${BENCH_CLI:-$(realpath "$build")/bin/verosa-cli}
  [ -x "$cli" ] || { echo "missing $cli (build the verosa-cli target)" >&2; exit 1; }
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh)" >&2; exit 1; }
  done
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run \
         HOME=$work/home TMPDIR=$work/tmp
  mkdir -p "$XDG_RUNTIME_DIR" "$HOME" "$TMPDIR" "$work/in"
  chmod 700 "$XDG_RUNTIME_DIR"
}
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
