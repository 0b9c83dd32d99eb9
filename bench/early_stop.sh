#!/usr/bin/env bash
# How many terminal runs a stop in their first moments ends the ordinary way, beside a competing load
# (stress-ng --cpu 4 at the lowest priority, where installed), so that starting the program takes as long
# as it does on a busy machine. Two ways:
#   timeout:    `timeout -s TERM T torvane --headless --workers all`, T spread over 30 to 100 ms, as users
#               stop it; a stop that comes before the program has even been started (while timeout's
#               child is still getting to its exec) kills that child, and no program can help that;
#   after exec: SIGTERM to the run's process group T ms (0 to 100) after the program's file has been
#               started (the process is no longer the shell that forks it), so that only the program's
#               own moments count: its dynamic loading included.
# Counts the ordinary ends (exit status 0 with the results) and the runs killed by the signal (143). The
# end-to-end tests make the moments certain; this counts what users meet. Every process started here is
# ended by its id.
#
#   bench/early_stop.sh [PROGRAM] [TRIES]     (default build/src/torvane/torvane, 20 tries each way)
set -u
prog=$(readlink -f "${1:-build/src/torvane/torvane}")
tries=${2:-20}
dir=$(mktemp -d)
load=
pid=
cleanup() {
  [ -n "$pid" ] && kill -9 -- "-$pid" 2>/dev/null
  [ -n "$load" ] && kill -TERM "$load" 2>/dev/null && wait "$load" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
export TORVANE_CONFIG_DIR="$dir/config" XDG_CACHE_HOME="$dir/cache"
[ -x "$prog" ] || { echo "no program $prog"; exit 2; }
mkdir -p "$dir/work"
if command -v stress-ng >/dev/null; then
  nice -n 19 stress-ng --cpu 4 >/dev/null 2>&1 &
  load=$!
  sleep 2
fi
ordinary=0 killed=0 other=0
count() { # status, what
  if [ "$1" -eq 0 ] && grep -q "^Test Results:$" "$dir/out"; then
    ordinary=$((ordinary + 1))
  elif [ "$1" -eq 143 ]; then
    killed=$((killed + 1))
  else
    other=$((other + 1))
    echo "$2: status $1: $(tail -3 "$dir/out" | tr '\n' ' ')"
  fi
}
report() { # way
  echo "$1: $tries runs: $ordinary ordinary, $killed killed by SIGTERM, $other otherwise" \
       "(load $(cut -d' ' -f1 /proc/loadavg))"
  ordinary=0 killed=0 other=0
}
set -m # each run in a process group of its own, as from a terminal
exec 3>&2 2>/dev/null # without the shell's notes of jobs ended by a signal
echo "$prog$([ -n "$load" ] && echo ", beside stress-ng --cpu 4"):"
for i in $(seq "$tries"); do
  t=$(printf '0.%03d' $(( 30 + (i - 1) * 70 / (tries > 1 ? tries - 1 : 1) )))
  timeout --preserve-status -s TERM "$t" "$prog" --headless --workers all --temp-dir "$dir/work" \
    >"$dir/out" 2>&1 &
  pid=$!
  wait "$pid"
  count $? "timeout $t"
  pid=
done
report "timeout 30-100 ms"
for i in $(seq "$tries"); do
  t=$(printf '0.%03d' $(( (i - 1) * 100 / (tries > 1 ? tries - 1 : 1) )))
  "$prog" --headless --workers all --temp-dir "$dir/work" >"$dir/out" 2>&1 &
  pid=$!
  while [ "/proc/$pid/exe" -ef "$BASH" ]; do :; done
  sleep "$t"
  kill -TERM -- "-$pid"
  wait "$pid"
  count $? "after exec $t"
  pid=
done
report "SIGTERM 0-100 ms after exec"
