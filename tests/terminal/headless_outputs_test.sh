#!/usr/bin/env bash
# The terminal run's outputs in a hostile world: links another user planted in a shared sticky folder,
# FIFOs that nobody reads (in the outputs' place and in the settings store's), an event file on a full
# device, one file named for two outputs. Nothing of anybody's is written, every stop signal still ends the
# program, and every loss is told. Every program started here is ended by its process id. Takes the path
# of the torvane program.
set -u
prog=$1
dir=$(mktemp -d)
shared=""
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done
  rm -rf "$dir"
  [ -n "$shared" ] && rm -rf "$shared"
}
trap cleanup EXIT
export TORVANE_CONFIG_DIR="$dir/config"
# The private work folder a run makes where no folder is stored: the test's, never the user's (a run of
# the user's, or of a test beside this one, may hold that folder).
export XDG_CACHE_HOME="$dir/cache"
fail() { echo "FAIL: $*"; cat "$dir/out" "$dir/err" 2>/dev/null; exit 1; }

# Starts a terminal run with the given options in the background; its process id in $pid.
start() {
  : >"$dir/out"
  : >"$dir/err"
  env --default-signal=INT "$prog" --headless --mode idle --minutes 30 "$@" >"$dir/out" 2>"$dir/err" &
  pid=$!
  pids+=("$pid")
}
# The runs are in the idle mode, which yields the processor to every other program: the waits count the
# run's own processor time and give up on the wall only after ten minutes. (How soon a stop signal ends
# the program on a quiet machine is measured by bench/stop_latency.sh.)
. "$(dirname "$0")/progress.sh"
has_text() { grep -qF -- "$2" "$1" 2>/dev/null; }
# Waits until the file holds the text, or the program ended.
wait_for() { # file, text
  progress_wait "$pid" 60 600 has_text "$1" "$2"
  [ $? -ne 1 ] || fail "no '$2' in $1"
}
# Waits for the end of the program (at most the given seconds of its processor time); its exit status in
# $status.
wait_end() { # what, seconds
  wait_end_of "$pid" "$2" 600 || fail "$1: still running after its stop signal"
}

# 1. A FIFO that nobody reads in place of the event file: the program waits for a reader, and a stop
# signal ends the wait (and the program: the events cannot be written).
mkfifo "$dir/events.fifo"
start --events "$dir/events.fifo"
# Once the program has its stop signals in hand, and a while later: it still waits.
progress_wait "$pid" 60 600 signal_in_hand "$pid" 15 || fail "events FIFO: no stop signal handling"
sleep 0.5
kill -0 "$pid" 2>/dev/null || fail "events FIFO: the program did not wait for a reader"
kill -TERM "$pid"
wait_end "events FIFO" 2
[ $status -eq 2 ] || fail "events FIFO: exit status $status"
grep -q "cannot write the event stream to $dir/events.fifo: nothing opened the FIFO" "$dir/err" ||
  fail "events FIFO: no reason"
echo "events FIFO without a reader, then SIGTERM: ok"

# 2. A FIFO that nobody reads in place of the metrics: the run goes on without metrics and stops as asked.
mkfifo "$dir/metrics.fifo"
start --metrics "$dir/metrics.fifo"
wait_for "$dir/err" "the run goes on without metrics"
grep -q "Cannot create file $dir/metrics.fifo: nothing reads the FIFO; the run goes on without metrics" "$dir/err" ||
  fail "metrics FIFO: no reason"
wait_for "$dir/out" "Torvane Test 5.0"
kill -INT "$pid"
wait_end "metrics FIFO" 30
[ $status -eq 0 ] || fail "metrics FIFO: exit status $status"
echo "metrics FIFO without a reader: the run goes on: ok"

# 3. A FIFO in the settings store's place is set aside like a damaged store; the run starts at once.
mkdir -p "$dir/fifo-config"
mkfifo "$dir/fifo-config/settings.conf"
TORVANE_CONFIG_DIR="$dir/fifo-config" start
wait_for "$dir/out" "Torvane Test 5.0"
grep -q "settings.conf is not a regular file; it was kept as" "$dir/err" || fail "settings FIFO: not told"
kill -TERM "$pid"
wait_end "settings FIFO" 30
[ $status -eq 0 ] || fail "settings FIFO: exit status $status"
[ -f "$dir/fifo-config/settings.conf" ] || fail "settings FIFO: no store made in its place"
echo "settings store FIFO: set aside: ok"

# 4. Events on a full device: told, and no clean success.
start --events /dev/full
wait_for "$dir/err" "the event stream cannot be written"
wait_for "$dir/out" "Torvane Test 5.0"
kill -INT "$pid"
wait_end "events on /dev/full" 30
[ $status -eq 3 ] || fail "events on /dev/full: exit status $status"
grep -q "the event stream cannot be written to /dev/full (No space left on device); the run goes on without it" \
  "$dir/err" || fail "events on /dev/full: no reason"
echo "events on /dev/full: told, exit status 3: ok"

# 5. One file for two outputs.
"$prog" --headless --events "$dir/both" --metrics "$dir/both" >"$dir/out" 2>"$dir/err"
status=$?
[ $status -eq 2 ] || fail "one file for both: exit status $status"
grep -q "name the same file" "$dir/err" || fail "one file for both: no reason"
[ -e "$dir/both" ] && fail "one file for both: the file was made"
echo "one file for events and metrics: refused: ok"

# 6. Links planted by another user in a shared sticky folder lead no output into root's file.
if [ "$(id -u)" -ne 0 ] || ! command -v setpriv >/dev/null; then
  echo "planted links: skipped (needs root and setpriv to act as another user)"
  echo "ok"
  exit 0
fi
shared=$(mktemp -d /tmp/torvane-shared-XXXXXX)
chmod 755 "$shared"
mkdir -m 1777 "$shared/F"
echo "root's own" >"$dir/secret"
chmod 600 "$dir/secret"
as_nobody() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
as_nobody ln -s "$dir/secret" "$shared/F/torvane.prom" || fail "cannot plant a link as nobody"
as_nobody ln -s "$dir/secret" "$shared/F/events.jsonl"
as_nobody ln -s "$dir/secret" "$shared/F/day.tvc"
start --metrics "$shared/F/torvane.prom"
wait_for "$dir/err" "the run goes on without metrics"
grep -q "symbolic link of another user" "$dir/err" || fail "planted metrics link: no reason"
kill -TERM "$pid"
wait_end "planted metrics link" 30
"$prog" --headless --events "$shared/F/events.jsonl" >"$dir/out" 2>"$dir/err"
status=$?
[ $status -eq 2 ] || fail "planted events link: exit status $status"
grep -q "symbolic link of another user" "$dir/err" || fail "planted events link: no reason"
"$prog" --headless --certificate "$shared/F/day.tvc" --owner x >"$dir/out" 2>"$dir/err"
status=$?
[ $status -eq 2 ] || fail "planted certificate link: exit status $status"
[ "$(cat "$dir/secret")" = "root's own" ] || fail "root's file was written through a planted link"
[ "$(stat -c %a "$dir/secret")" = 600 ] || fail "root's file changed its mode"
echo "links planted by nobody: refused, root's file untouched: ok"

# 7. Another user's work files in a shared work folder stay theirs, and the run says why it cannot use it.
mkdir -m 1777 "$shared/S"
as_nobody sh -c "echo theirs > '$shared/S/TORVA_1.tmp'; echo theirs > '$shared/S/TORVA_3.tmp'"
"$prog" --headless --encryption --temp-dir "$shared/S" >"$dir/out" 2>"$dir/err"
status=$?
[ $status -eq 2 ] || fail "another user's work file: exit status $status"
grep -q "holds a file TORVA_1.tmp that is not this run's to remove" "$dir/err" || fail "another user's work file: no reason"
[ "$(cat "$shared/S/TORVA_1.tmp")" = theirs ] && [ "$(cat "$shared/S/TORVA_3.tmp")" = theirs ] ||
  fail "another user's work file was changed or removed"
echo "another user's work files in a shared folder: left, the run refused: ok"
echo "ok"
