#!/usr/bin/env bash
# The terminal run on several processors end to end, with the program itself: a fault injected into one
# worker stops them all and names its processor in the log, the events and the metrics; SIGINT during the
# heat-up of four workers stops every one the ordinary way; a worker killed with SIGKILL is reported; the
# event files parse and follow the schema, and fleet-summary reads them. Every process started here is
# ended by its id. Takes the path of the program.
set -u
prog=$1
here=$(cd "$(dirname "$0")" && pwd)
summary="$here/../../scripts/fleet-summary"
dir=$(mktemp -d)
sup=
cleanup() {
  [ -n "$sup" ] && kill -9 "$sup" 2>/dev/null
  for p in $(worker_pids); do kill -9 "$p" 2>/dev/null; done
  rm -rf "$dir"
}
trap cleanup EXIT
export TORVANE_CONFIG_DIR="$dir/config"
# The private work folder a run makes where no folder is stored: the test's, never the user's.
export XDG_CACHE_HOME="$dir/cache"
mkdir -p "$dir/work"
fail() { echo "FAIL: $*"; cat "$dir/out" "$dir/err" 2>/dev/null; exit 1; }
# The workers of this test alone: they carry its own work folder on their command line.
worker_pids() { pgrep -f -- "--worker [0-9]+:[0-9]+ .*--temp-dir $dir/work/" 2>/dev/null; }
# Most runs here are in the idle mode, which yields the processor to every other program: the waits count
# the processor time of the run and its workers (the given tenths of a second of it) and give up on the
# wall only after ten minutes.
. "$here/progress.sh"
has_line() { grep -q -- "$1" "$2" 2>/dev/null; }
wait_for() { # pattern file tenths
  progress_wait "$sup" $(($3 / 10)) 600 has_line "$1" "$2"
}
wait_end() { # tenths; sets status
  wait_end_of "$sup" $(($1 / 10)) 600 || return 1
  sup=
}
python3 -c 'pass' 2>/dev/null || { echo "SKIP: no python3"; exit 77; }

# 1. A fault for cpu 1: the run stops, the report, the events and the metrics name processor 1, exit 1.
"$prog" --headless --workers 2 --mode idle --minutes 2 --inject-fault mmx@1 --temp-dir "$dir/work" \
  --events "$dir/ev.jsonl" --metrics "$dir/m.prom" >"$dir/out" 2>"$dir/err" &
sup=$!
wait_end 300 || fail "the run with a fault did not stop"
[ "$status" -eq 1 ] || fail "exit status $status with a fault"
grep -q "^cpu 1: Testing Stopped:$" "$dir/out" || fail "no error report of cpu 1"
grep -q "^ Processor: cpu 1$" "$dir/out" || fail "the report does not name cpu 1"
grep -q "^ Error Message: MMX test failed!$" "$dir/out" || fail "no MMX error"
grep -q "^cpu 0: Test Results:$" "$dir/out" || fail "cpu 0 did not stop the ordinary way"
grep -q "^ cpu 0: Errors: 0, Worktime: " "$dir/out" || fail "no results of cpu 0"
[ -z "$(worker_pids)" ] || fail "a worker is left running"
[ ! -e "$dir/work/worker-0" ] && [ ! -e "$dir/work/worker-1" ] || fail "a worker's folder is left"
python3 "$here/check-events.py" "$dir/ev.jsonl" || fail "the event stream does not follow the schema"
grep -q '"event":"error"' "$dir/ev.jsonl" || fail "no error event"
python3 - "$dir/ev.jsonl" <<'PY' || fail "the events do not name cpu 1"
import json, sys
events = [json.loads(l) for l in open(sys.argv[1])]
errors = [e for e in events if e["event"] == "error"]
assert errors and errors[0]["cpu"] == 1 and errors[0]["code"] == 1, errors
assert "mismatch" in errors[0]
assert events[0]["event"] == "run_start" and events[0]["cpus"] == [0, 1]
assert events[-1]["event"] == "run_end" and events[-1]["exit_status"] == 1
assert events[-1]["errors"] == 1, "one injected fault is one error"
assert sorted(e["cpu"] for e in events if e["event"] == "worker_end") == [0, 1]
PY
grep -q '^torvane_errors_total{file="m.prom",cpu="1"} 1$' "$dir/m.prom" || fail "metrics: errors of cpu 1"
grep -q '^torvane_running{file="m.prom"} 0$' "$dir/m.prom" || fail "metrics: still running"
grep -q '^torvane_workers{file="m.prom"} 2$' "$dir/m.prom" || fail "metrics: workers"
grep -q '^torvane_failed_runs_total{file="m.prom"} 1$' "$dir/m.prom" || fail "metrics: the failed run"
"$summary" "$dir/ev.jsonl" >"$dir/summary" 2>&1; s=$?
[ $s -eq 1 ] || { cat "$dir/summary"; fail "fleet-summary exit status $s for a failed run"; }
grep -q "MMX test failed! (code 1" "$dir/summary" || { cat "$dir/summary"; fail "fleet-summary: no first error"; }

# 2. SIGINT during the heat-up of four workers stops every one the ordinary way.
rm -f "$dir/out" "$dir/err"
# (A script's background job starts with SIGINT ignored, which the program keeps: its default comes back
# for this run.)
env --default-signal=INT "$prog" --headless --workers 4 --temp-dir "$dir/work" --events "$dir/ev4.jsonl" \
  >"$dir/out" 2>"$dir/err" &
sup=$!
four_heatups() { [ "$(grep -c 'Doing a 5 Minute CPU HeatUP' "$dir/out")" -eq 4 ]; }
progress_wait "$sup" 10 600 four_heatups || fail "not four heat-ups"
kill -INT "$sup"
# The ordinary stop of every worker, none killed for want of an answer; how fast it comes on a quiet
# machine is measured by bench/stop_latency.sh.
wait_end 300 || fail "four workers did not stop after SIGINT"
[ "$status" -eq 0 ] || fail "exit status $status after SIGINT"
[ "$(grep -c '^cpu [0-9]*: Test Results:$' "$dir/out")" -eq 4 ] || fail "not every worker stopped the ordinary way"
tail -n 2 "$dir/out" | head -n 1 | grep -q "^ Errors: 0$" || fail "no ' Errors: 0' at the end"
[ -z "$(worker_pids)" ] || fail "a worker is left running after SIGINT"
python3 "$here/check-events.py" "$dir/ev4.jsonl" || fail "the event stream after SIGINT"
grep -q '"reason":"signal"' "$dir/ev4.jsonl" || fail "run_end does not say signal"

# 3. A worker killed with SIGKILL is an error of its processor, never a hang and never a pass.
rm -f "$dir/out" "$dir/err"
"$prog" --headless --workers 2 --mode idle --temp-dir "$dir/work" --events "$dir/ev9.jsonl" >"$dir/out" 2>"$dir/err" &
sup=$!
wait_for "^cpu 1: Doing a" "$dir/out" 100 || fail "worker 1 did not start a test"
victim=$(pgrep -f -- "--worker 1:[0-9]+ .*--temp-dir $dir/work/")
[ -n "$victim" ] || fail "worker 1 not found"
kill -9 "$victim"
wait_end 100 || fail "the run did not end after a worker was killed"
[ "$status" -eq 1 ] || fail "exit status $status after a worker was killed"
grep -q "^ Error Message: Worker process ended by signal 9" "$dir/out" || fail "the death is not reported"
# The processor follows the report's own lines (message, code, detail, type).
grep -A4 "^ Error Message: Worker process ended by signal 9" "$dir/out" | tail -n 1 | grep -q "^ Processor: cpu 1$" ||
  fail "the death does not name cpu 1"
[ -z "$(worker_pids)" ] || fail "a worker is left running after the death of another"
python3 "$here/check-events.py" "$dir/ev9.jsonl" || fail "the event stream after a death"

# The three runs as three machines' files for the fleet summary. The run SIGINT stopped had no work time to
# reach: stopped early, never a pass.
sed 's/"host":"[^"]*"/"host":"node-a"/' "$dir/ev.jsonl" >"$dir/a.jsonl"
sed 's/"host":"[^"]*"/"host":"node-b"/' "$dir/ev4.jsonl" >"$dir/b.jsonl"
sed 's/"host":"[^"]*"/"host":"node-c"/' "$dir/ev9.jsonl" >"$dir/c.jsonl"
"$summary" "$dir/a.jsonl" "$dir/b.jsonl" "$dir/c.jsonl" >"$dir/summary" 2>&1; s=$?
[ $s -eq 1 ] || { cat "$dir/summary"; fail "fleet-summary exit status $s"; }
grep -q "^node-b .*: stopped early (signal after 0 d, 0 h, 0 m, [0-9]* s, with no work time asked for; exit status 0)$" \
  "$dir/summary" || { cat "$dir/summary"; fail "node-b"; }
grep -q "^3 machines, 2 failed or not ended, 1 stopped early$" "$dir/summary" || { cat "$dir/summary"; fail "the count"; }
"$summary" "$dir/b.jsonl" >/dev/null; [ $? -eq 1 ] || fail "fleet-summary of a run stopped early"
# The same run as if it had reached its time limit: a pass.
sed '/"event":"run_end"/s/"reason":"signal"/"reason":"time_limit"/' "$dir/b.jsonl" >"$dir/p.jsonl"
"$summary" "$dir/p.jsonl" >"$dir/summary"; [ $? -eq 0 ] || { cat "$dir/summary"; fail "fleet-summary of a passed run"; }
grep -q "^node-b .*: passed (time_limit, exit status 0)$" "$dir/summary" || { cat "$dir/summary"; fail "the pass"; }
# A passed run of the same host name after a failed one (a machine tested again, machines installed from
# one image) does not hide the failure: each run is its table, named by its file.
sed 's/"host":"node-b"/"host":"node-a"/' "$dir/p.jsonl" >"$dir/a-again.jsonl"
"$summary" "$dir/a.jsonl" "$dir/a-again.jsonl" >"$dir/summary" 2>&1; s=$?
[ $s -eq 1 ] || { cat "$dir/summary"; fail "a failed run hidden by a later one of the same host"; }
grep -q "^node-a .*\[$dir/a.jsonl, run [0-9a-f]\{8\}\]: FAILED" "$dir/summary" &&
  grep -q "^node-a .*\[$dir/a-again.jsonl, run [0-9a-f]\{8\}\]: passed" "$dir/summary" &&
  grep -q "^2 runs on 1 machine, 1 failed or not ended$" "$dir/summary" || { cat "$dir/summary"; fail "two runs of one host"; }
# A file cut short (a machine still running, or killed) has not passed; a line that is no event is a
# problem of the file.
grep -v '"event":"run_end"' "$dir/p.jsonl" >"$dir/cut.jsonl"
"$summary" "$dir/cut.jsonl" >"$dir/summary" 2>&1; s=$?
[ $s -eq 1 ] && grep -q "^node-b .*: NOT ENDED$" "$dir/summary" || { cat "$dir/summary"; fail "a file without run_end"; }
{ cat "$dir/p.jsonl"; echo '{"v":1,"event":'; } >"$dir/broken.jsonl"
"$summary" "$dir/broken.jsonl" >"$dir/summary" 2>&1; s=$?
[ $s -eq 2 ] && grep -q "broken.jsonl:[0-9]*: not an event" "$dir/summary" || { cat "$dir/summary"; fail "a broken line"; }
# Only the last line can be torn (its writer killed in the middle of it): it is left out and said so, here
# even where it is cut inside a character; the lines before it decide.
n=$(($(wc -l <"$dir/p.jsonl") + 1))
{ cat "$dir/p.jsonl"; printf '{"v":1,"event":"error","message":"It\302'; } >"$dir/torn.jsonl"
"$summary" "$dir/torn.jsonl" >"$dir/summary" 2>"$dir/note"; s=$?
[ $s -eq 0 ] && grep -q "^node-b .*: passed (time_limit, exit status 0)$" "$dir/summary" &&
  [ "$(cat "$dir/note")" = "fleet-summary: $dir/torn.jsonl:$n: the last line is cut short (no newline); it is left out" ] ||
  { cat "$dir/summary" "$dir/note"; fail "a torn last line"; }
{ head -n 1 "$dir/p.jsonl" | tr -d '\n'; } | "$summary" - >"$dir/summary" 2>"$dir/note"; s=$?
[ $s -eq 1 ] && grep -q "^-:1: the last line is cut short" <(sed 's/^fleet-summary: //' "$dir/note") ||
  { cat "$dir/summary" "$dir/note"; fail "a run killed in its first line"; }

# 4. The single run writes the same stream (worker 0, no processor) and plain metrics.
rm -f "$dir/out" "$dir/err"
"$prog" --headless --mode idle --minutes 2 --inject-fault mmx --temp-dir "$dir/work" \
  --events "$dir/ev1.jsonl" --metrics "$dir/m1.prom" >"$dir/out" 2>"$dir/err" &
sup=$!
wait_end 300 || fail "the single run with a fault did not stop"
[ "$status" -eq 1 ] || fail "exit status $status of the single run with a fault"
python3 "$here/check-events.py" "$dir/ev1.jsonl" || fail "the single run's event stream"
python3 - "$dir/ev1.jsonl" <<'PY' || fail "the single run's events"
import json, sys
events = [json.loads(l) for l in open(sys.argv[1])]
assert events[0]["event"] == "run_start" and events[0]["workers"] == 1 and "cpus" not in events[0]
assert all("cpu" not in e for e in events), "the single run is not pinned"
assert any(e["event"] == "error" and e["code"] == 1 for e in events)
assert events[-1]["event"] == "run_end" and events[-1]["exit_status"] == 1 and events[-1]["reason"] == "error"
assert events[-1]["errors"] == 1, "one injected fault is one error"
PY
grep -q '^torvane_errors_total{file="m1.prom"} 1$' "$dir/m1.prom" || fail "the single run's metrics"
grep -q '^torvane_workers{file="m1.prom"} 1$' "$dir/m1.prom" || fail "the single run's worker count"

# 5. The machine tested again (a container restarted after the error) adds its run to the same file: the
# error stays on record, and the summary judges each run; SIGTERM before the minute asked for is no pass.
rm -f "$dir/out" "$dir/err"
"$prog" --headless --workers 2 --mode idle --minutes 1 --temp-dir "$dir/work" \
  --events "$dir/ev1.jsonl" --metrics "$dir/m1.prom" >"$dir/out" 2>"$dir/err" &
sup=$!
wait_for "^cpu 1: Doing a" "$dir/out" 100 || fail "the second run did not start a test"
kill -TERM "$sup"
wait_end 100 || fail "the second run did not stop after SIGTERM"
[ "$status" -eq 0 ] || fail "exit status $status after SIGTERM"
python3 "$here/check-events.py" "$dir/ev1.jsonl" || fail "the file of two runs"
python3 - "$dir/ev1.jsonl" <<'PY' || fail "the file of two runs"
import json, sys
events = [json.loads(l) for l in open(sys.argv[1])]
starts = [i for i, e in enumerate(events) if e["event"] == "run_start"]
assert len(starts) == 2 and starts[0] == 0, starts
first, second = events[:starts[1]], events[starts[1]:]
assert first[-1]["event"] == "run_end" and first[-1]["errors"] == 1
assert len({e["run"] for e in first}) == 1 and len({e["run"] for e in second}) == 1
assert first[0]["run"] != second[0]["run"]
assert second[-1]["reason"] == "signal" and second[-1]["exit_status"] == 0
PY
"$summary" "$dir/ev1.jsonl" >"$dir/summary" 2>&1; s=$?
[ $s -eq 1 ] && grep -q ": FAILED (error, exit status 1)$" "$dir/summary" &&
  grep -q ": stopped early (signal after 0 d, 0 h, 0 m, [0-9]* s, of the 1 minute asked for; exit status 0)$" "$dir/summary" &&
  grep -q "^2 runs on 1 machine, 1 failed or not ended, 1 stopped early$" "$dir/summary" ||
  { cat "$dir/summary"; fail "the summary of a machine tested twice"; }
# The metrics file of the restarted run still counts the run that failed before it.
grep -q '^torvane_errors_total{file="m1.prom",cpu="1"} 0$' "$dir/m1.prom" &&
  grep -q '^torvane_failed_runs_total{file="m1.prom"} 1$' "$dir/m1.prom" || { cat "$dir/m1.prom"; fail "the record of the failed run"; }
cat "$dir/summary"
echo "ok"
