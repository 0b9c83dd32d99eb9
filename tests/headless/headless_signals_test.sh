#!/usr/bin/env bash
# A stop signal at any moment of a terminal run ends it the ordinary way: the results on standard output
# and exit status 0. SIGINT, SIGTERM and SIGHUP are each sent once at a random moment of the first second
# and once later. The program is ended by its process id whatever happens. Takes the path of the program.
set -u
prog=$1
dir=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done
  rm -rf "$dir"
}
trap cleanup EXIT
export TORVANE_CONFIG_DIR="$dir/config"
fail() { echo "FAIL: $*"; cat "$dir/out" "$dir/err" 2>/dev/null; exit 1; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
random_below() { echo $(( $(od -An -N2 -tu2 /dev/urandom | tr -d ' ') % $1 )); }

# Whether the program (not the shell that is about to start it) catches SIGHUP (1), SIGINT (2) and
# SIGTERM (15): bits 0, 1 and 14 of SigCgt. The handlers are installed before anything slow; the moments
# before it are the loader's.
program=$(readlink -f "$prog")
catches_stop_signals() {
  local mask
  [ "$(readlink "/proc/$1/exe" 2>/dev/null)" = "$program" ] || return 1
  mask=$(sed -n 's/^SigCgt:[[:space:]]*//p' "/proc/$1/status" 2>/dev/null)
  [ -n "$mask" ] && [ $(( 0x${mask: -8} & 0x4003 )) -eq $(( 0x4003 )) ]
}

run_once() { # signal, moment in ms after the start
  local sig=$1 at=$2 start pid i rest status
  start=$(now_ms)
  "$prog" --headless >"$dir/out" 2>"$dir/err" &
  pid=$!
  pids+=("$pid")
  i=0
  until catches_stop_signals "$pid"; do
    i=$((i + 1)); [ $i -lt 20000 ] || fail "SIG$sig at $at ms: the stop signals are not caught"
    kill -0 "$pid" 2>/dev/null || fail "SIG$sig at $at ms: the program ended by itself"
    sleep 0.001
  done
  rest=$(( at - ($(now_ms) - start) ))
  [ $rest -gt 0 ] && sleep "$(printf '%d.%03d' $((rest / 1000)) $((rest % 1000)))"
  kill -s "$sig" "$pid"
  i=0
  while kill -0 "$pid" 2>/dev/null; do
    i=$((i + 1)); [ $i -lt 1200 ] || fail "SIG$sig at $at ms: still running 60 s later"
    sleep 0.05
    # A zombie has ended; wait collects it below.
    [ "$(sed -n 's/^State:[[:space:]]*\(.\).*/\1/p' "/proc/$pid/status" 2>/dev/null)" = Z ] && break
  done
  wait "$pid"; status=$?
  [ $status -eq 0 ] || fail "SIG$sig at $at ms: exit status $status"
  grep -q "^Test Results:$" "$dir/out" || fail "SIG$sig at $at ms: no results"
  grep -q "^ Errors: 0$" "$dir/out" || fail "SIG$sig at $at ms: errors"
  grep -q "^ Worktime: 0 d, 0 h, 0 m, [0-9]* s$" "$dir/out" || fail "SIG$sig at $at ms: work time"
  echo "SIG$sig at $at ms: ok"
}

for sig in INT TERM HUP; do
  run_once "$sig" "$(random_below 1000)"
  run_once "$sig" $(( 1000 + $(random_below 2000) ))
done
