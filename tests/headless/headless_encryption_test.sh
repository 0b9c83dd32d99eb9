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

# Waits until the run has ended (or fails after about a minute); its exit status is in $status.
wait_for_end() {
  local pid=$1 i=0
  while kill -0 "$pid" 2>/dev/null && [ "$(sed -n 's/^State:[[:space:]]*\(.\).*/\1/p' "/proc/$pid/status" 2>/dev/null)" != Z ]; do
    i=$((i + 1)); [ $i -lt 1200 ] || fail "did not end"
    sleep 0.05
  done
  wait "$pid"; status=$?
}

# A script's background job starts with SIGINT ignored, and the program keeps a signal that was ignored
# when it started (as nohup asks), so the run that gets a SIGINT here starts with it at its default.
# Two whole cycles, then SIGINT: the ordinary end, and nothing left in the work folder.
env --default-signal=INT "$prog" "${encryption[@]}" >"$dir/out" 2>"$dir/err" &
pid=$!
pids+=("$pid")
i=0
until [ "$(grep -c '^CRC check passed$' "$dir/out" 2>/dev/null)" -ge 2 ]; do
  i=$((i + 1)); [ $i -lt 600 ] || fail "no two passed cycles"
  kill -0 "$pid" 2>/dev/null || fail "ended early"
  sleep 0.05
done
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
