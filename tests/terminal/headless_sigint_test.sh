#!/bin/sh
# The terminal front end end to end: bad usage, --help, --version, and a run stopped by SIGINT through
# the ordinary Stop sequence. Takes the path of the torvane program.
set -u
prog=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export TORVANE_CONFIG_DIR="$dir/config"
# The private work folder a run makes where no folder is stored: the test's, never the user's.
export XDG_CACHE_HOME="$dir/cache"
fail() { echo "FAIL: $*"; cat "$dir/out" 2>/dev/null; exit 1; }

"$prog" --headless --minutes 0 >/dev/null 2>&1; [ $? -eq 2 ] || fail "bad usage must exit 2"
"$prog" --headless --mode turbo >/dev/null 2>&1; [ $? -eq 2 ] || fail "unknown mode must exit 2"
"$prog" --help | grep -q -- "--minutes" || fail "--help"
"$prog" --version | grep -q "Torvane Test" || fail "--version"

# A script's background job starts with SIGINT ignored, and the program keeps a signal that was ignored
# when it started (as nohup asks), so the runs that get a SIGINT here start with it at its default.
env --default-signal=INT "$prog" --headless >"$dir/out" 2>"$dir/err" &
pid=$!
i=0
until grep -q "Doing a 5 Minute CPU HeatUP..." "$dir/out" 2>/dev/null; do
  i=$((i + 1)); [ $i -lt 1200 ] || { kill -9 $pid; fail "no heat-up line"; }
  sleep 0.05
done
sleep 0.3
kill -INT $pid
i=0
while kill -0 $pid 2>/dev/null; do
  i=$((i + 1)); [ $i -lt 1200 ] || { kill -9 $pid; fail "did not stop on SIGINT"; }
  sleep 0.05
done
wait $pid; status=$?
[ $status -eq 0 ] || fail "exit status $status"
grep -q "^Test Results:$" "$dir/out" || fail "no results"
grep -q "^ Errors: 0$" "$dir/out" || fail "errors"
grep -q "^ Worktime: 0 d, 0 h, 0 m, [0-9]* s$" "$dir/out" || fail "work time"
echo "ok"
