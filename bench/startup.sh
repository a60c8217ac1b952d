#!/usr/bin/env bash
# Start-up time of the verosa program: from exec to the first paint of the
# main window (the program prints "verosa: window shown <ns since epoch>"
# then, when VEROSA_STARTUP_PROBE=1). Five runs under one X server (Xvfb via
# xvfb-run when no DISPLAY is set), each with a fresh user (so every run is
# a first run: settings and work folders are created); prints every run and
# the median against the 2 s target.
# Exit codes: 0 measured (whatever the verdict), 1 a tool is missing or the
# window never showed.
# Usage: bench/startup.sh [build dir]
set -euo pipefail
build=${1:-build}
program=$(cd "$build" && pwd)/bin/verosa
runs=${RUNS:-5}
target_ms=2000
[ -x "$program" ] || { echo "missing $program (build the verosa target)" >&2; exit 1; }

if [ -z "${DISPLAY:-}" ]; then
  command -v xvfb-run >/dev/null || { echo "missing xvfb-run (apt-get install xvfb)" >&2; exit 1; }
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build"
fi

work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

times=()
for run in $(seq 1 "$runs"); do
  user=$work/user$run
  mkdir -p "$user/config" "$user/data" "$user/run" "$user/home/Documents" "$user/tmp"
  chmod 700 "$user/run"
  log=$work/run$run.log
  start=$(date +%s%N)
  XDG_CONFIG_HOME=$user/config XDG_DATA_HOME=$user/data XDG_RUNTIME_DIR=$user/run \
    HOME=$user/home XDG_DOCUMENTS_DIR=$user/home/Documents TMPDIR=$user/tmp \
    VEROSA_STARTUP_PROBE=1 "$program" >"$log" 2>&1 &
  pid=$!
  shown=
  for _ in $(seq 1 1500); do  # 30 s at most
    shown=$(sed -n 's/^verosa: window shown \([0-9]*\)$/\1/p' "$log")
    [ -n "$shown" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.02
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=
  if [ -z "$shown" ]; then
    echo "run $run: the window never showed" >&2
    cat "$log" >&2
    exit 1
  fi
  ms=$(( (shown - start) / 1000000 ))
  times+=("$ms")
  printf 'run %d: %d ms\n' "$run" "$ms"
done

median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
if [ "$median" -le "$target_ms" ]; then verdict="within"; else verdict="OVER"; fi
printf 'start-up to a shown window: median %d ms of %d runs (target %d ms: %s)\n' \
  "$median" "$runs" "$target_ms" "$verdict"
