#!/usr/bin/env bash
# How busy the terminal run keeps the machine, from /proc: every logical processor's busy share with
# --workers all (during the heat-up, and during the tests of the idle mode) and with the window started
# with its run ("Processors" at "All": torvane --start in the heat-up, and the idle mode chosen from its
# menu for the tests; under Xvfb with openbox where installed, else the heat-up on the offscreen
# platform), side by side with `stress-ng --cpu 0`; how fast the window's menu opens while its run keeps
# every processor busy (xdotool: from the click until the menu's window shows); the supervisor's own processor time; and one worker pinned to one processor, whose
# timer threads must not take the processor from the thread that runs the passes, against a single run
# pinned from outside (taskset), where the timer threads spin as they do on a machine of many processors.
#
#   bench/workers_busy.sh [PROGRAM] [SECONDS]     (default build/src/torvane/torvane, 60 s per measurement)
#
# stress-ng is the yardstick only (apt-get install stress-ng); without it that line is skipped. Other
# load on the machine counts in the busy shares: run it on a quiet machine. Every process started here is
# ended by its id.
set -u
prog=$(readlink -f "${1:-build/src/torvane/torvane}")
secs=${2:-60}
warmup=5
hz=$(getconf CLK_TCK)
dir=$(mktemp -d)
started=()
cleanup() {
  {
    for p in "${started[@]}"; do kill -TERM "$p"; done
    sleep 0.5
    for p in "${started[@]}"; do kill -9 "$p"; done
    wait
  } 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
export TORVANE_CONFIG_DIR="$dir/config"
# The window's work folder: a new store's default, the private folder under the cache folder.
export XDG_CACHE_HOME="$dir/cache"
[ -x "$prog" ] || { echo "no program $prog"; exit 2; }

cpu_lines() { grep '^cpu[0-9]' /proc/stat; }
# Busy share of each processor between two snapshots: everything but idle and iowait.
busy_shares() {
  awk 'NR == FNR { for (i = 2; i <= NF; i++) a[$1, i] = $i; next }
       { total = 0; idle = 0
         for (i = 2; i <= 9 && i <= NF; i++) { d = $i - a[$1, i]; total += d; if (i == 5 || i == 6) idle += d }
         printf "%s %.1f %%  ", $1, total ? 100 * (total - idle) / total : 0 }
       END { print "" }' "$1" "$2"
}
ticks() { # utime + stime of a process or thread
  awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "$1" 2>/dev/null || echo 0
}
tree_ticks() { # a process and its children
  local sum=0 p
  for p in "$1" $(pgrep -P "$1"); do sum=$((sum + $(ticks "/proc/$p/stat"))); done
  echo "$sum"
}
stop() {
  # SIGTERM: a script's background job starts with SIGINT ignored, and the program keeps it ignored.
  kill -TERM "$1" 2>/dev/null
  for _ in $(seq 1 100); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$1" 2>/dev/null
  for p in $(pgrep -P "$1"); do kill -9 "$p" 2>/dev/null; done
  wait "$1" 2>/dev/null
}
pct() { awk -v t="$1" -v hz="$hz" -v s="$2" 'BEGIN { printf "%.2f", 100 * t / hz / s }'; }

measure_all() { # label, arguments of the program
  local label=$1; shift
  "$prog" "$@" >"$dir/out" 2>&1 &
  local pid=$!; started+=("$pid")
  sleep "$warmup"
  cpu_lines >"$dir/a"; local sup0 all0; sup0=$(ticks "/proc/$pid/stat"); all0=$(tree_ticks "$pid")
  sleep "$secs"
  cpu_lines >"$dir/b"; local sup1 all1; sup1=$(ticks "/proc/$pid/stat"); all1=$(tree_ticks "$pid")
  stop "$pid"
  printf '%-44s %s\n' "$label" "$(busy_shares "$dir/a" "$dir/b")"
  printf '%-44s run %s %% of all processors; supervisor %s %% of one\n' "" \
    "$(pct $(( (all1 - all0) )) "$(( secs * $(nproc) ))")" "$(pct $((sup1 - sup0)) "$secs")"
}

# The window on a display of its own: Xvfb with openbox, driven with xdotool.
xdisplay=
if command -v Xvfb >/dev/null && command -v openbox >/dev/null && command -v xdotool >/dev/null; then
  Xvfb -displayfd 3 -screen 0 1280x1024x24 3>"$dir/display" >/dev/null 2>&1 &
  started+=("$!")
  for _ in $(seq 1 50); do [ -s "$dir/display" ] && break; sleep 0.1; done
  xdisplay=:$(cat "$dir/display")
  DISPLAY=$xdisplay openbox >/dev/null 2>&1 &
  started+=("$!")
  sleep 1
fi
x() { DISPLAY=$xdisplay timeout 5 xdotool "$@"; }
visible_windows() { x search --onlyvisible --pid "$1" 2>/dev/null | wc -l; }
# The "Testing" menu's title, in the window's coordinates.
testing_menu() { x mousemove --window "$1" 30 10 click 1; }
# Milliseconds from a click on "Testing" until its menu shows, five times.
menu_latency() { # pid, window
  local i n0 t0 t1 times=
  for i in 1 2 3 4 5; do
    n0=$(visible_windows "$1")
    x mousemove --window "$2" 30 10
    t0=$(date +%s%N); x click 1
    while [ "$(visible_windows "$1")" -le "$n0" ]; do
      [ $(( ($(date +%s%N) - t0) / 1000000 )) -gt 5000 ] && break
    done
    t1=$(date +%s%N); times="$times $(( (t1 - t0) / 1000000 ))"
    x key Escape; sleep 1
  done
  echo "$times"
}
measure_window() { # label, idle (the mode chosen from the menu, then Start) or heat-up (--start)
  local label=$1 pid w
  if [ "$2" = heat-up ]; then
    DISPLAY=$xdisplay "$prog" --start >"$dir/out" 2>&1 &
  else
    DISPLAY=$xdisplay "$prog" >"$dir/out" 2>&1 &
  fi
  pid=$!; started+=("$pid")
  for _ in $(seq 1 100); do w=$(x search --onlyvisible --pid "$pid" 2>/dev/null | head -1); [ -n "$w" ] && break; sleep 0.1; done
  if [ "$2" = idle ]; then
    # Testing, then Advanced to its right, Mode (its third item), idle; then Testing > Start.
    testing_menu "$w"; sleep 0.5; x key Right Down Down Down Right; sleep 0.3; x key Return; sleep 0.5
    testing_menu "$w"; sleep 0.5; x key Down Return
  fi
  sleep "$warmup"
  cpu_lines >"$dir/a"; local all0 all1; all0=$(tree_ticks "$pid")
  sleep "$secs"
  cpu_lines >"$dir/b"; all1=$(tree_ticks "$pid")
  local menu; menu=$(menu_latency "$pid" "$w")
  stop "$pid"
  printf '%-44s %s\n' "$label" "$(busy_shares "$dir/a" "$dir/b")"
  printf '%-44s run %s %% of all processors; menu opened after%s ms\n' "" \
    "$(pct $((all1 - all0)) "$(( secs * $(nproc) ))")" "$menu"
}

measure_one() { # label, command...
  local label=$1; shift
  "$@" >"$dir/out" 2>&1 &
  local pid=$!; started+=("$pid")
  sleep "$warmup"
  local main0 all0 main1 all1
  main0=$(ticks "/proc/$pid/task/$pid/stat"); all0=$(ticks "/proc/$pid/stat")
  sleep "$secs"
  main1=$(ticks "/proc/$pid/task/$pid/stat"); all1=$(ticks "/proc/$pid/stat")
  stop "$pid"
  printf '%-44s passes (main thread) %s %%, timer threads %s %% of its processor\n' "$label" \
    "$(pct $((main1 - main0)) "$secs")" "$(pct $(( (all1 - main1) - (all0 - main0) )) "$secs")"
}

last=$(( $(nproc) - 1 ))
echo "$(nproc) logical processors, ${secs} s per measurement after ${warmup} s"
measure_all "--workers all, heat-up (normal mode)" --headless --workers all --temp-dir "$dir"
measure_all "--workers all, tests (idle mode)" --headless --workers all --mode idle --temp-dir "$dir"
if [ -n "$xdisplay" ]; then
  measure_window "window (All), heat-up" heat-up
  measure_window "window (All), tests (idle mode)" idle
else
  echo "window under Xvfb: skipped (apt-get install xvfb openbox xdotool); the heat-up offscreen:"
  measure_all "window --start (All), heat-up" --start -platform offscreen
fi
if command -v stress-ng >/dev/null; then
  stress-ng --cpu 0 --timeout $((warmup + secs + 5))s >/dev/null 2>&1 &
  pid=$!; started+=("$pid")
  sleep "$warmup"; cpu_lines >"$dir/a"; sleep "$secs"; cpu_lines >"$dir/b"
  kill -INT "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
  printf '%-44s %s\n' "stress-ng --cpu 0" "$(busy_shares "$dir/a" "$dir/b")"
else
  echo "stress-ng --cpu 0: skipped (not installed: apt-get install stress-ng)"
fi
measure_one "one worker on cpu $last, heat-up" "$prog" --headless --worker "0:$last" --temp-dir "$dir"
if command -v taskset >/dev/null; then
  measure_one "single run under taskset -c $last, heat-up" taskset -c "$last" "$prog" --headless --temp-dir "$dir"
fi
measure_one "one worker on cpu $last, tests (idle mode)" "$prog" --headless --worker "0:$last" --mode idle --temp-dir "$dir"
