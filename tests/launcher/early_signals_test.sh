#!/usr/bin/env bash
# `torvane` as users run it ends the ordinary way on SIGINT, SIGTERM or SIGHUP from its first instruction:
# also while the program proper is still being loaded (its libraries mapped and relocated, none of its
# code run yet), which on a busy machine lasts from a few to over a hundred milliseconds.
#  1. During loading, for certain: an audit module of the loader (LD_AUDIT) makes the process send itself
#     the signal in the middle of loading (after libQt6Core is mapped). The program proper started
#     directly dies of it: the moment is truly before any of its code.
#  2. During loading, from outside: the module stops the process there (SIGSTOP); the signal is sent while
#     it is stopped, must leave it alive and pending, and ends the run once it goes on (SIGCONT).
#  3. A signal ignored when it started stays ignored (nohup, `trap '' HUP`), also when it comes during
#     loading; SIGTERM then ends the run the ordinary way.
#  4. A spread: many runs, each signalled at a random moment of its first 150 ms, from the moment the
#     launcher holds the signals (earlier, the shell that is about to become the program is signalled).
#  5. The launcher: without the program proper beside it, a clear error and status 2; through a link and
#     under another name it finds the program and hands on argv[0].
# An ordinary end: exit status 0, the results printed, nothing left in the work folder. Every program
# started here is ended by its process id. Takes the launcher, the program proper and the audit module.
set -u
launcher=$(readlink -f "$1")
program=$(readlink -f "$2")
module=$(readlink -f "$3")
dir=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do
    kill -CONT "$p" 2>/dev/null
    kill -9 "$p" 2>/dev/null
  done
  rm -rf "$dir"
}
trap cleanup EXIT
export TORVANE_CONFIG_DIR="$dir/config"
# The private work folder a run makes where no folder is stored: the test's, never the user's.
export XDG_CACHE_HOME="$dir/cache"
fail() { echo "FAIL: $*"; echo "--- standard output:"; cat "$dir/out" 2>/dev/null; echo "--- standard error:"; cat "$dir/err" 2>/dev/null; exit 1; }
number_of() { kill -l "$1"; }
. "$(dirname "$0")/../terminal/stop_signals.sh"
wait_for() { # what, command...
  local what=$1 i=0
  shift
  until "$@"; do
    i=$((i + 1)); [ $i -lt 60000 ] || fail "$what: waited 30 s in vain for: $*"
    sleep 0.0005
  done
}
stopped() { [ "$(status_field "$1" State | cut -c1)" = T ]; }
# Starts a terminal run in the background (SIGINT at its default: a script's background job would ignore
# it): env's options in env_options, then environment settings and the command. Its id in $pid.
env_options=()
start() {
  : >"$dir/out"
  : >"$dir/err"
  env --default-signal=INT "${env_options[@]}" "$@" --headless >"$dir/out" 2>"$dir/err" &
  pid=$!
  pids+=("$pid")
}

# 1. The signal sent in the middle of loading, by the process itself.
for sig in TERM INT HUP; do
  start LD_AUDIT="$module" TORVANE_LOADING_SIGNAL="$(number_of $sig)" "$launcher"
  wait_end "$pid" "SIG$sig while loading"
  grep -q "^loading signal $(number_of $sig) while loading .*libQt6Core" "$dir/err" ||
    fail "SIG$sig while loading: the loader never loaded Qt (LD_AUDIT not honoured?)"
  ordinary_end "SIG$sig while loading"
  echo "SIG$sig while loading: ordinary end"
done
start LD_AUDIT="$module" TORVANE_LOADING_SIGNAL="$(number_of TERM)" "$program"
wait_end "$pid" "the program proper started directly"
[ $status -eq 143 ] || fail "the program proper started directly: status $status, not killed while loading"
echo "the program proper started directly: killed while loading (status 143), as expected"

# 2. The signal from outside, while the process is stopped in the middle of loading.
for sig in TERM INT HUP; do
  start LD_AUDIT="$module" TORVANE_LOADING_SIGNAL="$(number_of STOP)" "$launcher"
  wait_for "SIG$sig while stopped loading" stopped "$pid"
  kill -s "$sig" "$pid"
  pending=$(status_field "$pid" ShdPnd) || fail "SIG$sig while stopped loading: the process died"
  [ $(( 0x${pending: -8} & (1 << ($(number_of $sig) - 1)) )) -ne 0 ] ||
    fail "SIG$sig while stopped loading: not pending ($pending)"
  kill -CONT "$pid"
  wait_end "$pid" "SIG$sig while stopped loading"
  ordinary_end "SIG$sig while stopped loading"
  echo "SIG$sig while stopped loading: pending, then an ordinary end"
done

# 3. Inherited ignores: SIGHUP during loading and later does nothing; SIGTERM ends the run.
ignored_once() { # what, the command before the launcher
  local what=$1
  shift
  start LD_AUDIT="$module" TORVANE_LOADING_SIGNAL="$(number_of STOP)" "$@" "$launcher"
  env_options=()
  wait_for "$what" stopped "$pid"
  kill -s HUP "$pid"
  kill -CONT "$pid"
  wait_for "$what" grep -q "Doing a 5 Minute CPU HeatUP..." "$dir/out"
  kill -s HUP "$pid"
  sleep 0.5
  kill -0 "$pid" 2>/dev/null || { wait "$pid"; fail "$what: SIGHUP ended the run (status $?)"; }
  grep -q "^Test Results:$" "$dir/out" && fail "$what: SIGHUP stopped the run"
  kill -TERM "$pid"
  wait_end "$pid" "$what"
  ordinary_end "$what"
  echo "$what: SIGHUP while loading and later ignored, SIGTERM stops: ok"
}
ignored_once "nohup" nohup
env_options=(--ignore-signal=HUP)
ignored_once "trap '' HUP"

# 4. A spread of early moments: a third at once, the rest within 150 ms.
for i in $(seq 1 24); do
  sig=$(echo "INT TERM HUP" | cut -d' ' -f$(( i % 3 + 1 )))
  at=0
  [ $(( i % 3 )) -eq 0 ] || at=$(random_below 151)
  start "$launcher"
  wait_holds "$pid" "SIG$sig at $at ms"
  [ "$at" -gt 0 ] && sleep_ms "$at"
  kill -s "$sig" "$pid"
  wait_end "$pid" "SIG$sig at $at ms"
  ordinary_end "SIG$sig at $at ms"
done
echo "24 runs signalled within their first 150 ms: ordinary ends"

# 5. The launcher alone: the error names the file it looked for.
mkdir -p "$dir/alone/bin"
cp "$launcher" "$dir/alone/bin/torvane"
expected=$(realpath -m "$dir/alone/bin/$(realpath --relative-to="$(dirname "$launcher")" "$program")")
"$dir/alone/bin/torvane" --version >"$dir/out" 2>"$dir/err"
status=$?
[ $status -eq 2 ] || fail "the launcher alone: status $status"
grep -qxF "torvane: cannot start $expected: No such file or directory" "$dir/err" ||
  fail "the launcher alone: the message does not name $expected"
[ ! -s "$dir/out" ] || fail "the launcher alone printed on standard output"
echo "the launcher alone: status 2, names $expected"
# Through a link, under the name the user typed.
mkdir -p "$dir/path"
ln -s "$launcher" "$dir/path/tv"
usage=$(PATH="$dir/path:$PATH" tv --help) || fail "tv --help through a link"
grep -q "^  tv --headless" <<<"$usage" || fail "the usage does not name the program as typed: $usage"
echo "through a link: the usage names 'tv'"
echo "ok"
