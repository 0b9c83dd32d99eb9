#!/usr/bin/env bash
# A day-long run is trusted, end to end: daylight saving both ways is no jump, a clock set a day forward
# ends the run as cheating with no work time and no certificate (also with workers), a stopped process
# pauses the work time instead of ending the run, and two runs never share a work folder. The clock cases
# run under libfaketime (package faketime) and are skipped where it is missing. Every program started here
# is ended by its process id. Takes the path of the torvane program.
set -u
prog=$1
here=$(cd "$(dirname "$0")" && pwd)
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
export TORVANE_CONFIG_DIR="$dir/config" XDG_CACHE_HOME="$dir/cache"
fail() { echo "FAIL: $*"; cat "$dir/out" "$dir/err" 2>/dev/null; exit 1; }

start() { # output name, arguments; the pid in $pid
  local name=$1
  shift
  : >"$dir/$name"
  "$@" >"$dir/$name" 2>>"$dir/err" &
  pid=$!
  pids+=("$pid")
}
# The runs are in the idle mode, which yields the processor to every other program: the waits count the
# run's own processor time (the given seconds of it) and give up on the wall only after ten minutes.
. "$here/progress.sh"
has_line() { grep -q "$1" "$dir/$2" 2>/dev/null; }
wait_line() { # pattern, output name, seconds; of the run started last
  progress_wait "$pid" "$3" 600 has_line "$1" "$2" || fail "no line '$1' in $2"
}
wait_end() { # pid, seconds; the exit status in $status
  wait_end_of "$1" "$2" 600 || fail "still running after $2 s"
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# The seconds of "Work time paused N s" on the run log of an output, added up.
paused_of() { sed -n 's/^Work time paused \([0-9]*\) s: .*/\1/p' "$dir/$1" | awk '{ n += $1 } END { print n + 0 }'; }
seconds_of() { # the " Worktime:" result line of an output, in seconds
  sed -n 's/^ Worktime: \([0-9]*\) d, \([0-9]*\) h, \([0-9]*\) m, \([0-9]*\) s$/\1 \2 \3 \4/p' "$dir/$1" |
    tail -n 1 | awk '{ print $1 * 86400 + $2 * 3600 + $3 * 60 + $4 }'
}

faketime=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | head -n 1)
if [ -n "$faketime" ]; then
  # A sanitizer build wants its runtime first among the preloaded libraries; libfaketime goes first here.
  export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
  # 1. Daylight saving in Europe/Berlin, spring and autumn: a run begun 3 s before the change and stopped
  #    7 s later has its 7 s or so of work time, not an hour more and no "cheat". On a busy machine the stop
  #    waits for the pass under way, and time that the run could not run at all is a pause: the work time
  #    is bounded by the run's life and, with its pauses, makes up the 7 s.
  for change in "2026-03-29 01:59:57 CET" "2026-10-25 02:59:57 CEST"; do
    at=$(TZ=Europe/Berlin date -d "$change" +%s)
    began=$(now_ms)
    start out env TZ=Europe/Berlin LD_PRELOAD="$faketime" FAKETIME="@$at" FAKETIME_FMT=%s \
      FAKETIME_DONT_FAKE_MONOTONIC=1 "$prog" --headless --mode idle --minutes 1
    wait_line "^Torvane Test" out 60
    sleep 7
    kill -TERM "$pid"
    wait_end "$pid" 60
    [ $status -eq 0 ] || fail "daylight saving ($change): exit status $status"
    grep -q "cheat" "$dir/out" && fail "daylight saving ($change): taken for cheating"
    lived=$(( ($(now_ms) - began + 999) / 1000 ))
    s=$(seconds_of out)
    [ -n "$s" ] && [ $((s + $(paused_of out))) -ge 5 ] && [ "$s" -le "$lived" ] ||
      fail "daylight saving ($change): work time $s s, paused $(paused_of out) s, in a run of $lived s"
    echo "daylight saving ($change): ${s} s of work time, exit 0: ok"
  done

  # 2. The system clock set a day forward 3 s into a run of a day that asks for a certificate: the run
  #    ends as cheating, its results, its events and the certificate all say: no work time.
  echo "+0" >"$dir/clock"
  clock=(env LD_PRELOAD="$faketime" FAKETIME_TIMESTAMP_FILE="$dir/clock" FAKETIME_CACHE_DURATION=1
         FAKETIME_DONT_FAKE_MONOTONIC=1)
  start out "${clock[@]}" "$prog" --headless --mode idle --minutes 1440 --certificate "$dir/j.tvc" \
    --events "$dir/j.jsonl"
  wait_line "^Torvane Test" out 60
  sleep 3
  echo "+1d" >"$dir/clock"
  wait_end "$pid" 60
  [ $status -eq 1 ] || fail "a day's jump: exit status $status"
  grep -q "^Hey hey hey!: It´s not nice to cheat!$" "$dir/out" || fail "a day's jump: no cheat message"
  grep -q "Certificate written" "$dir/out" && fail "a day's jump earned a certificate"
  # A run that failed is told why it earns no certificate, as any other run is.
  grep -qx "No certificate written to $dir/j.tvc: a certificate needs at least one full day of work time, and this run has 0d, 0h, 0m, 0s." "$dir/out" ||
    fail "a day's jump: the certificate's refusal is not told"
  [ -e "$dir/j.tvc" ] && fail "a day's jump left a certificate"
  [ "$(seconds_of out)" = 0 ] || fail "a day's jump: results of $(seconds_of out) s"
  python3 - "$dir/j.jsonl" <<'PY' || fail "a day's jump: the run's end event"
import json, sys
end = [json.loads(l) for l in open(sys.argv[1])][-1]
assert end["event"] == "run_end" and end["reason"] == "clock_jump", end
assert end["worktime_s"] == 0 and end["exit_status"] == 1, end
PY
  echo "a day's jump at 3 s: cheat, 0 s everywhere, no certificate, exit 1: ok"

  # 3. The same with two workers: every processor's line and the total agree on no work time.
  if [ "$(nproc)" -ge 2 ]; then
    echo "+0" >"$dir/clock"
    start out "${clock[@]}" "$prog" --headless --workers 2 --mode idle --minutes 1440 --temp-dir "$dir"
    wait_line "^cpu 1: Torvane Test" out 60
    sleep 3
    echo "+1d" >"$dir/clock"
    wait_end "$pid" 60
    [ $status -eq 1 ] || fail "a day's jump with workers: exit status $status"
    [ "$(grep -c '^ cpu [0-9]*: Errors: 0, Worktime: 0 d, 0 h, 0 m, 0 s$' "$dir/out")" -eq 2 ] ||
      fail "a day's jump with workers: a processor kept work time"
    [ "$(seconds_of out)" = 0 ] || fail "a day's jump with workers: total of $(seconds_of out) s"
    echo "a day's jump with two workers: 0 s on every line: ok"
  fi
else
  echo "SKIP: the clock cases (libfaketime is not installed: apt-get install faketime)"
fi

# 4. A process stopped for 12 s is a pause: the run goes on, the 12 s are no work time, the run log and
#    the events say so. (On a busy machine the run may also find shorter pauses of its own, when it could
#    not run for a while: they are told alike.)
began=$(now_ms)
start out "$prog" --headless --mode idle --minutes 1 --events "$dir/p.jsonl"
wait_line "^Torvane Test" out 60
sleep 2
before=$(grep -c "^Work time paused [0-9]* s: the test could not run" "$dir/out")
kill -STOP "$pid"
stopped=$(now_ms)
sleep 12
kill -CONT "$pid"
stopped=$(( ($(now_ms) - stopped) / 1000 ))
more_pauses() { [ "$(grep -c "^Work time paused [0-9]* s: the test could not run" "$dir/out")" -gt "$before" ]; }
progress_wait "$pid" 30 600 more_pauses || fail "a stopped process: no pause on the run log"
sleep 2
kill -TERM "$pid"
wait_end "$pid" 60
lived=$(( ($(now_ms) - began + 999) / 1000 ))
[ $status -eq 0 ] || fail "a stopped process: exit status $status"
grep -q "cheat" "$dir/out" && fail "a stopped process was taken for cheating"
s=$(seconds_of out)
[ -n "$s" ] && [ "$s" -le $((lived - stopped + 1)) ] && [ $((s + $(paused_of out))) -ge 14 ] ||
  fail "a stopped process: work time $s s, paused $(paused_of out) s, stopped $stopped s in a run of $lived s"
python3 - "$dir/p.jsonl" "$stopped" <<'PY' || fail "a stopped process: no pause event"
import json, sys
stopped = int(sys.argv[2])
pauses = [e["seconds"] for e in map(json.loads, open(sys.argv[1])) if e["event"] == "pause"]
# The stop is among them, and each is a stall longer than the run tolerates (10 s), never a short one.
assert any(p >= stopped - 1 for p in pauses) and min(pauses) >= 10, pauses
PY
python3 "$here/check-events.py" "$dir/p.jsonl" || fail "a stopped process: the event stream"
echo "stopped for 12 s: paused, ${s} s of work time, exit 0: ok"

# 5. Two runs in one work folder: the second is refused before it touches anything; the first goes on.
mkdir -p "$dir/work"
encryption=(--headless --mode idle --tests encryption --encryption --max-temp-size 2 --temp-dir "$dir/work")
start out "$prog" "${encryption[@]}"
pid_a=$pid
wait_line "^Creating " out 60
"$prog" "${encryption[@]}" >"$dir/out2" 2>"$dir/err2"; status=$?
[ $status -eq 2 ] || fail "a second run in the folder: exit status $status"
grep -q "the work folder $dir/work/ is in use by another test run" "$dir/err2" || fail "no reason given: $(cat "$dir/err2")"
two_passed() { [ "$(grep -c '^CRC check passed$' "$dir/out")" -ge 2 ]; }
progress_wait "$pid_a" 60 600 two_passed || fail "the first run ended or passed no two cycles"
kill -TERM "$pid_a"
wait_end "$pid_a" 60
[ $status -eq 0 ] || fail "the first run: exit status $status"
grep -q "^ Errors: 0$" "$dir/out" || fail "the first run found errors"
[ -z "$(ls -A "$dir/work")" ] || fail "work files left: $(ls -A "$dir/work")"
echo "a second run in the folder of an encryption test: refused (exit 2), the first passes: ok"

if [ "$(nproc)" -ge 2 ]; then
  start out "$prog" --headless --workers 2 --mode idle --temp-dir "$dir/work"
  pid_a=$pid
  wait_line "^cpu 1: Torvane Test" out 60
  for second in "--workers 2" "--workers 1"; do
    # shellcheck disable=SC2086
    "$prog" --headless $second --mode idle --temp-dir "$dir/work" >"$dir/out2" 2>"$dir/err2"; status=$?
    [ $status -eq 2 ] || fail "$second beside a run of workers: exit status $status"
    grep -q "is in use by another test run" "$dir/err2" || fail "$second: no reason given"
  done
  kill -TERM "$pid_a"
  wait_end "$pid_a" 60
  [ $status -eq 0 ] || fail "the run of workers: exit status $status"
  [ -z "$(ls -A "$dir/work")" ] || fail "left in the folder of the workers: $(ls -A "$dir/work")"
  echo "a second run beside a run of workers: refused (exit 2): ok"
fi
echo "ok"
