#!/usr/bin/env bash
# The encryption test in the terminal run: whole cycles in a work folder of the run's own that is empty
# again at the end, the fire drill of --inject-fault, and a store that this run's own settings never
# touch. Every program started here is ended by its process id. Takes the path of the torvane program.
set -u
prog=$1
dir=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done
  rm -rf "$dir"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; cat "$dir/out" "$dir/err" 2>/dev/null; exit 1; }

export TORVANE_CONFIG_DIR="$dir/config"
export XDG_CACHE_HOME="$dir/cache"
work="$dir/work"
mkdir -p "$work"
encryption=(--headless --mode idle --tests encryption --max-temp-size 1 --temp-dir "$work")

# The runs are in the idle mode, which yields the processor to every other program: each wait counts the
# run's own processor time (a minute of it is far more than a run needs) and gives up on the wall only
# after ten minutes.
. "$(dirname "$0")/progress.sh"
wait_for_end() { wait_end_of "$1" 60 600 || fail "did not end"; }
passed_cycles() { [ "$(grep -c '^CRC check passed$' "$dir/out" 2>/dev/null)" -ge "$1" ]; }

# A script's background job starts with SIGINT ignored, and the program keeps a signal that was ignored
# when it started (as nohup asks), so the run that gets a SIGINT here starts with it at its default.
# Two whole cycles, then SIGINT: the ordinary end, and nothing left in the work folder.
env --default-signal=INT "$prog" "${encryption[@]}" >"$dir/out" 2>"$dir/err" &
pid=$!
pids+=("$pid")
progress_wait "$pid" 60 600 passed_cycles 2
case $? in
1) fail "no two passed cycles" ;;
2) fail "ended early" ;;
esac
kill -INT "$pid"
wait_for_end "$pid"
[ $status -eq 0 ] || fail "clean run: status $status"
grep -q "^Creating [0-9]* MB of random data$" "$dir/out" || fail "no creating line"
grep -q "^Encrypting [0-9]* MB of data with " "$dir/out" || fail "no encrypting line"
grep -q "^Decrypting [0-9]* MB of data with " "$dir/out" || fail "no decrypting line"
grep -q "^ Errors: 0$" "$dir/out" || fail "errors"
grep -q "Doing a" "$dir/out" && fail "a test that was left out ran"
[ -z "$(ls -A "$work")" ] || fail "work files left: $(ls -A "$work")"
# The size limit was the run's own: the store was not written.
[ ! -e "$TORVANE_CONFIG_DIR/settings.conf" ] || fail "the store was written"

# The fire drill: a flipped byte is a failed CRC check, reported with code 3, exit status 1.
"$prog" "${encryption[@]}" --inject-fault encryption >"$dir/out" 2>"$dir/err" &
pid=$!
pids+=("$pid")
wait_for_end "$pid"
[ $status -eq 1 ] || fail "fault: status $status"
grep -q "^CRC check FAILED$" "$dir/out" || fail "fault: no failed check"
grep -q "^ Error Message: Encryption/Decryption with .* Failed!$" "$dir/out" || fail "fault: no message"
grep -q "^ ErrorCode: 3$" "$dir/out" || fail "fault: no code 3"
[ -z "$(ls -A "$work")" ] || fail "fault: work files left"

# A fault the run can never meet, and a work folder that is not there, are refused at once.
"$prog" --headless --tests mmx --inject-fault encryption >/dev/null 2>"$dir/err"; status=$?
[ $status -eq 2 ] && grep -q "no encryption test" "$dir/err" || fail "unreachable fault: status $status"
"$prog" --headless --temp-dir "$dir/none" >/dev/null 2>"$dir/err"; status=$?
[ $status -eq 2 ] && grep -q "$dir/none" "$dir/err" || fail "missing work folder: status $status"
echo "ok"
