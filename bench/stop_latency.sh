#!/usr/bin/env bash
# How long the terminal run takes to end after a stop signal: SIGINT and SIGTERM during the heat-up of
# four workers and of a single run, and SIGTERM while it waits for a reader of its event FIFO, each
# measured several times, in milliseconds from the signal to the end of the program (the target: within a
# second). The end-to-end tests check that the stop is the
# ordinary one (every worker's results, exit status 0); how fast it is depends on the machine's load and
# is measured here only. Run it on a quiet machine. Every process started here is ended by its id.
#
#   bench/stop_latency.sh [PROGRAM] [TIMES]     (default build/src/torvane/torvane, 5 times each)
set -u
prog=$(readlink -f "${1:-build/src/torvane/torvane}")
times=${2:-5}
dir=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
export TORVANE_CONFIG_DIR="$dir/config" XDG_CACHE_HOME="$dir/cache"
[ -x "$prog" ] || { echo "no program $prog"; exit 2; }
mkdir -p "$dir/work"

measure() { # signal, heat-up lines to wait for (0: half a second), arguments of the program
  local sig=$1 lines=$2 i t0 ms all=()
  shift 2
  for i in $(seq "$times"); do
    env --default-signal=INT "$prog" --headless --temp-dir "$dir/work" "$@" >"$dir/out" 2>&1 &
    pid=$!
    [ "$lines" -gt 0 ] || sleep 0.5
    until [ "$(grep -c 'Doing a 5 Minute CPU HeatUP' "$dir/out")" -ge "$lines" ]; do
      kill -0 "$pid" 2>/dev/null || { echo "the run ended before its heat-up"; exit 1; }
      sleep 0.05
    done
    t0=$(date +%s%N)
    kill "-$sig" "$pid"
    wait "$pid"
    ms=$(( ($(date +%s%N) - t0) / 1000000 ))
    pid=
    all+=("$ms")
  done
  printf '%-28s %s ms\n' "$sig, ${*:-one run}:" "$(printf '%s ' "${all[@]}" | tr ' ' '\n' | sort -n | paste -sd ' ')"
}

echo "From the stop signal to the end of the program, each of $times runs (sorted):"
measure INT 4 --workers 4
measure TERM 4 --workers 4
measure INT 1
measure TERM 1
mkfifo "$dir/events.fifo"
measure TERM 0 --events "$dir/events.fifo"
