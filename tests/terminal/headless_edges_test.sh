#!/usr/bin/env bash
# The terminal run at its edges: options without --headless, settings that break their rules or cannot be
# written, a standard output that is full or closed. Every program started here is ended by its process
# id. Takes the path of the torvane program.
set -u
prog=$1
dir=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done
  rm -rf "$dir"
}
trap cleanup EXIT
# A settings store and a private work folder of the test's own: never the user's.
export TORVANE_CONFIG_DIR="$dir/config" XDG_CACHE_HOME="$dir/cache"
fail() { echo "FAIL: $*"; cat "$dir/out" "$dir/err" 2>/dev/null; exit 1; }

# A script's background job starts with SIGINT ignored, and the program keeps a signal that was ignored
# when it started (as nohup asks), so the runs that get a SIGINT here start with it at its default.
# Starts a terminal run with the given standard output, waits for its heat-up line (in $2) and stops it
# with SIGINT; the exit status is in $status.
run_until_heat_up() { # output file, file to find the heat-up line in
  # Emptied here, not by the redirection below: that one happens in the new process, perhaps only after
  # the wait has found the heat-up line of the run before and sent its signal into the shell's SIG_IGN.
  : >"$2"
  env --default-signal=INT "$prog" --headless >"$1" 2>"$dir/err" &
  local pid=$! i=0
  pids+=("$pid")
  until grep -q "Doing a 5 Minute CPU HeatUP..." "$2" 2>/dev/null; do
    i=$((i + 1)); [ $i -lt 1200 ] || fail "no heat-up line"
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  kill -INT "$pid" 2>/dev/null
  i=0
  while kill -0 "$pid" 2>/dev/null && [ "$(sed -n 's/^State:[[:space:]]*\(.\).*/\1/p' "/proc/$pid/status")" != Z ]; do
    i=$((i + 1)); [ $i -lt 1200 ] || fail "did not stop"
    sleep 0.05
  done
  wait "$pid"; status=$?
}

# Options of the terminal run need --headless.
"$prog" --minutes 5 >"$dir/out" 2>"$dir/err"; status=$?
[ $status -eq 2 ] || fail "--minutes without --headless: status $status"
grep -q -- "--headless" "$dir/err" || fail "--minutes without --headless: no reason"
"$prog" --headless --mode HARDCORE --minutes 0 >/dev/null 2>"$dir/err"; status=$?
[ $status -eq 2 ] && grep -q "minutes" "$dir/err" || fail "--minutes 0 must be refused"

# A stored size limit that is no number: named, with what is used instead.
export TORVANE_CONFIG_DIR="$dir/config"
mkdir -p "$TORVANE_CONFIG_DIR"
printf '\xEF\xBB\xBF[software\\Quarnett\\Torvane Test]\nQ2\tsz\t12abc\n' >"$TORVANE_CONFIG_DIR/settings.conf"
run_until_heat_up "$dir/out" "$dir/out"
[ $status -eq 0 ] || fail "bad Q2: status $status"
grep -q "'12abc' is not a valid integer value (Q2); 104857600 is used instead" "$dir/err" || fail "bad Q2 not named"
grep -q "damaged" "$dir/err" && fail "a byte-order mark is no damage"
grep -q "^Test Results:$" "$dir/out" || fail "bad Q2: no results"

# A store that cannot be written: the reason on standard error, the results as ever.
: >"$dir/blocker"
export TORVANE_CONFIG_DIR="$dir/blocker/config"
run_until_heat_up "$dir/out" "$dir/out"
[ $status -eq 0 ] || fail "unwritable store: status $status"
grep -q "^torvane: Cannot create file $dir/blocker/config/settings.conf (.*Not a directory)$" "$dir/err" ||
  fail "unwritable store: no reason on standard error"
grep -q "Cannot create" "$dir/out" && fail "unwritable store: the error went to standard output"
grep -q "^ Errors: 0$" "$dir/out" || fail "unwritable store: no results"

# A full standard output: reported with its reason, the run stops, the results on standard error.
export TORVANE_CONFIG_DIR="$dir/config2"
run_until_heat_up /dev/full "$dir/err"
[ $status -eq 3 ] || fail "full output: status $status"
grep -q "run log cannot be written to standard output (No space left on device)" "$dir/err" || fail "full output"
grep -q "^Test Results:$" "$dir/err" || fail "full output: no results on standard error"

# A closed standard output: the same.
"$prog" --headless >&- 2>"$dir/err" &
pid=$!
pids+=("$pid")
i=0
while kill -0 "$pid" 2>/dev/null && [ "$(sed -n 's/^State:[[:space:]]*\(.\).*/\1/p' "/proc/$pid/status")" != Z ]; do
  i=$((i + 1)); [ $i -lt 1200 ] || fail "closed output: still running"
  sleep 0.05
done
wait "$pid"; status=$?
[ $status -eq 3 ] || fail "closed output: status $status"
grep -q "(Bad file descriptor)" "$dir/err" || fail "closed output: no reason"
grep -q "^ Errors: 0$" "$dir/err" || fail "closed output: no results"
echo ok
