#!/usr/bin/env bash
# A stop signal at any moment of a terminal run ends it the ordinary way: the results on standard output
# and exit status 0.
#  1. SIGINT, SIGTERM and SIGHUP, each sent at a random moment of the first 50 ms after the program has
#     begun (its first instruction blocks them), of the first second, and later.
#  2. A signal ignored when the program started stays ignored (nohup, `trap '' HUP`, a script's background
#     job for SIGINT); the others still stop the run.
#  3. A stop sent to the whole process group while the workers of --workers start is an ordinary stop,
#     never a worker "ended by signal" or killed.
# Every program started here is ended by its process id whatever happens. Takes the path of the program
# and that of the program proper the launcher starts (the same when the program is started directly).
set -u
prog=$1
dir=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do
    kill -9 -- "-$p" 2>/dev/null
    kill -9 "$p" 2>/dev/null
  done
  rm -rf "$dir"
}
trap cleanup EXIT
export TORVANE_CONFIG_DIR="$dir/config"
# The private work folder a run makes where no folder is stored: the test's, never the user's.
export XDG_CACHE_HOME="$dir/cache"
fail() { echo "FAIL: $*"; cat "$dir/out" "$dir/err" 2>/dev/null; exit 1; }
launcher=$(readlink -f "$prog")
program=$(readlink -f "${2:-$prog}")
. "$(dirname "$0")/stop_signals.sh"

# 1. The moments: each signal at its default (a script's background job would start with SIGINT ignored).
run_once() { # signal, moment in ms after the program holds the signals
  local sig=$1 at=$2 pid
  : >"$dir/out"
  env --default-signal=INT "$prog" --headless >"$dir/out" 2>"$dir/err" &
  pid=$!
  pids+=("$pid")
  wait_holds "$pid" "SIG$sig at $at ms"
  [ "$at" -gt 0 ] && sleep_ms "$at"
  kill -s "$sig" "$pid"
  wait_end "$pid" "SIG$sig at $at ms"
  ordinary_end "SIG$sig at $at ms"
  echo "SIG$sig at $at ms: ok"
}
for sig in INT TERM HUP; do
  run_once "$sig" 0
  run_once "$sig" "$(random_below 50)"
  run_once "$sig" "$(random_below 1000)"
  run_once "$sig" $(( 1000 + $(random_below 2000) ))
done

# 2. Inherited ignores: the ignored signal does nothing, SIGTERM still ends the run the ordinary way.
ignored_once() { # what, signal that was ignored, the command before the program
  local what=$1 sig=$2 pid
  shift 2
  : >"$dir/out"
  "$@" "$prog" --headless >"$dir/out" 2>"$dir/err" &
  pid=$!
  pids+=("$pid")
  wait_holds "$pid" "$what"
  until grep -q "Doing a 5 Minute CPU HeatUP..." "$dir/out" 2>/dev/null; do sleep 0.05; done
  kill -s "$sig" "$pid"
  sleep 1
  kill -0 "$pid" 2>/dev/null || { wait "$pid"; fail "$what: SIG$sig ended the run (status $?)"; }
  grep -q "^Test Results:$" "$dir/out" && fail "$what: SIG$sig stopped the run"
  kill -TERM "$pid"
  wait_end "$pid" "$what"
  ordinary_end "$what"
  echo "$what: SIG$sig ignored, SIGTERM stops: ok"
}
ignored_once "nohup" HUP nohup
ignored_once "trap '' HUP" HUP env --ignore-signal=HUP
ignored_once "a script's background job" INT env

# 3. The whole process group while the workers start: 0 to 70 ms after the supervisor holds its signals
# (it starts the workers right after), ten times. Job control puts each run in a process group of its own
# (and leaves its SIGINT at the default).
if [ "$(nproc)" -ge 2 ]; then
  set -m
  for i in 1 2 3 4 5 6 7 8 9 10; do
    sig=$(echo "INT TERM HUP" | cut -d' ' -f$(( i % 3 + 1 )))
    at=$(random_below 71)
    : >"$dir/out"
    "$prog" --headless --workers 2 --temp-dir "$dir" >"$dir/out" 2>"$dir/err" &
    pid=$!
    pids+=("$pid")
    wait_holds "$pid" "group SIG$sig at $at ms"
    sleep_ms "$at"
    kill -s "$sig" -- "-$pid"
    wait_end "$pid" "group SIG$sig at $at ms"
    [ $status -eq 0 ] || fail "group SIG$sig at $at ms: exit status $status"
    grep -q "ended by signal\|was killed" "$dir/out" "$dir/err" && fail "group SIG$sig at $at ms: a worker died"
    grep -q "^ Errors: 0$" "$dir/out" || fail "group SIG$sig at $at ms: errors"
    pgrep -f -- "--worker [0-9]+:[0-9]+ .*--temp-dir $dir\$" >/dev/null && fail "group SIG$sig: a worker is left"
    echo "group SIG$sig at $at ms: ok"
  done
  set +m
fi
echo "ok"
