#!/usr/bin/env bash
# A soak of the terminal run beside a competing load: `--workers all` with the encryption test, first in
# the idle mode, then in the normal mode, each for half of the given minutes, with stress-ng keeping every
# processor busy where it is installed. A run must end by its time limit and nothing else: any other end
# (a clock taken for cheating, a worker that died, an error) is a false stop on a sound machine. Prints
# per mode the false stops, the pauses the work clock saw, each worker's resident memory a minute after
# its start and a minute before its end, and the files left in the work folders.
#
#   bench/soak.sh MINUTES [PROGRAM]      (default build/src/torvane/torvane; at least 4 minutes)
#
# SOAK_TEMP_MB sets the size limit of the work files (default 20). Every program started here is ended by
# its process id. Exit status 0 when no false stop happened and nothing was left behind.
set -u
minutes=${1:-}
prog=$(readlink -f "${2:-build/src/torvane/torvane}")
case "$minutes" in '' | *[!0-9]*) echo "usage: $0 MINUTES [PROGRAM]" >&2; exit 2 ;; esac
[ "$minutes" -ge 4 ] || { echo "$0: a soak needs at least 4 minutes" >&2; exit 2; }
[ -x "$prog" ] || { echo "$0: no program $prog" >&2; exit 2; }
temp_mb=${SOAK_TEMP_MB:-20}

dir=$(mktemp -d)
started=()
cleanup() {
  for p in "${started[@]}"; do kill -9 "$p" 2>/dev/null; done
  rm -rf "$dir"
}
trap cleanup EXIT
export TORVANE_CONFIG_DIR="$dir/config" XDG_CACHE_HOME="$dir/cache"

rss_kb() { sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\) kB$/\1/p' "/proc/$1/status" 2>/dev/null; }
workers_of() { pgrep -P "$1" | sort -n; }
# Sleeps until the run has gone on for the given seconds (or has ended).
sleep_until() { # pid, start (seconds since the epoch), seconds into the run
  while kill -0 "$1" 2>/dev/null && [ $(( $(date +%s) - $2 )) -lt "$3" ]; do sleep 2; done
}

false_stops=0
left=0
half=$(( minutes / 2 ))
for mode in idle normal; do
  work="$dir/work-$mode"
  mkdir -p "$work"
  load=
  if command -v stress-ng >/dev/null; then
    stress-ng --cpu "$(nproc)" --timeout $(( half * 60 + 120 ))s >/dev/null 2>&1 &
    load=$!
    started+=("$load")
  fi
  t0=$(date +%s)
  "$prog" --headless --workers all --mode "$mode" --encryption --max-temp-size "$temp_mb" \
    --minutes "$half" --temp-dir "$work" --events "$dir/$mode.jsonl" >"$dir/$mode.out" 2>"$dir/$mode.err" &
  sup=$!
  started+=("$sup")

  sleep_until "$sup" "$t0" 60
  declare -A first=()
  for w in $(workers_of "$sup"); do first[$w]=$(rss_kb "$w"); done
  sleep_until "$sup" "$t0" $(( half * 60 - 60 ))
  declare -A last=()
  for w in $(workers_of "$sup"); do last[$w]=$(rss_kb "$w"); done

  # The run ends by itself; one that is still going long after its limit is a false stop of its own kind.
  deadline=$(( half * 60 + 600 ))
  while kill -0 "$sup" 2>/dev/null && [ $(( $(date +%s) - t0 )) -lt "$deadline" ]; do sleep 2; done
  if kill -0 "$sup" 2>/dev/null; then
    kill -TERM "$sup"
    sleep 35
    kill -9 "$sup" 2>/dev/null
    echo "$mode: the run did not end $deadline s after its start"
  fi
  wait "$sup"; status=$?
  [ -n "$load" ] && { kill -TERM "$load" 2>/dev/null; wait "$load" 2>/dev/null; }

  reason=$(python3 -c 'import json,sys; print([json.loads(l) for l in open(sys.argv[1])][-1].get("reason", "?"))' \
           "$dir/$mode.jsonl" 2>/dev/null || echo "?")
  stops=0
  if [ $status -ne 0 ] || [ "$reason" != time_limit ]; then stops=1; fi
  false_stops=$(( false_stops + stops ))
  pauses=$(grep -c "Work time paused" "$dir/$mode.out")
  cycles=$(grep -c "CRC check passed$" "$dir/$mode.out")
  files=$(find "$work" -mindepth 1 | wc -l)
  left=$(( left + files ))
  echo "$mode mode, $half min beside $( [ -n "$load" ] && echo "stress-ng --cpu $(nproc)" || echo "no load (stress-ng missing)"):" \
       "exit status $status, end reason $reason, false stops $stops, pauses $pauses, encryption cycles $cycles," \
       "files left $files"
  for w in "${!first[@]}"; do
    start_kb=${first[$w]:-?}
    end_kb=${last[$w]:-?}
    growth=?
    [ "$start_kb" != "?" ] && [ "$end_kb" != "?" ] && growth=$(( end_kb - start_kb ))
    echo "  worker $w: resident $start_kb kB a minute in, $end_kb kB a minute before the end (growth $growth kB)"
  done
  if [ $stops -ne 0 ]; then
    echo "  the run's last lines:"
    tail -n 15 "$dir/$mode.out" | sed 's/^/    /'
    tail -n 5 "$dir/$mode.err" | sed 's/^/    /'
  fi
  [ "$files" -eq 0 ] || find "$work" -mindepth 1 | sed 's/^/  left: /'
  unset first last
done
echo "soak of $minutes min: $false_stops false stops, $left files left"
[ "$false_stops" -eq 0 ] && [ "$left" -eq 0 ]
