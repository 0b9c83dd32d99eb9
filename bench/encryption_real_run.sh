#!/usr/bin/env bash
# One encryption cycle in a real terminal run, with every other timer of the run beside it: the heat-up,
# the idle workloads, and the Whetstone and MMX passes that run inside the cycle's keep-going checks and
# progress reports. Prints how long the cycle's parts took by the moments its lines appeared, the
# program's peak resident memory, and with perf present (and allowed) where the processor time of the
# cycle went, by function. Ends the program it started after the first cycle.
#
#   bench/encryption_real_run.sh [PROGRAM] [MODE] [MB]
#     PROGRAM  default build/src/torvane/torvane
#     MODE     normal (default: 5 minutes of heat-up first), idle or hardcore
#     MB       the work size limit (default: the program's own default of 100 MB)
set -u
prog=${1:-build/src/torvane/torvane}
mode=${2:-normal}
size=${3:-}
dir=$(mktemp -d)
pid=
perfpid=
cleanup() {
  [ -n "$perfpid" ] && kill -INT "$perfpid" 2>/dev/null
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
export TORVANE_CONFIG_DIR="$dir/config" XDG_CACHE_HOME="$dir/cache"
mkdir -p "$dir/work"
args=(--headless --mode "$mode" --tests encryption --temp-dir "$dir/work")
[ -n "$size" ] && args+=(--max-temp-size "$size")

now() { date +%s.%N; }
start=$(now)
"$prog" "${args[@]}" >"$dir/out" 2>"$dir/err" &
pid=$!

# Waits for a line that starts with $1; its moment goes to the variable named $2.
wait_line() {
  until grep -q "^$1" "$dir/out"; do
    kill -0 "$pid" 2>/dev/null || { echo "the program ended:"; cat "$dir/out" "$dir/err"; exit 1; }
    sleep 0.2
  done
  printf -v "$2" '%s' "$(now)"
}

wait_line "Creating " created
if command -v perf >/dev/null && perf record -q -F 49 -g -p "$pid" -o "$dir/perf.data" -- sleep 0 2>/dev/null; then
  perf record -q -F 49 -g -p "$pid" -o "$dir/perf.data" 2>/dev/null &
  perfpid=$!
fi
wait_line "Encrypting " encrypting
wait_line "Decrypting " decrypting
wait_line "CRC check " checked
[ -n "$perfpid" ] && { kill -INT "$perfpid"; wait "$perfpid" 2>/dev/null; perfpid=; }
peak=$(sed -n 's/^VmHWM:[[:space:]]*//p' "/proc/$pid/status")
# SIGTERM: a script's background job starts with SIGINT ignored, and the program keeps it ignored.
kill -TERM "$pid"
wait "$pid"
pid=

span() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%8.1f s", b - a }'; }
echo "mode $mode, $(grep -m1 '^Creating ' "$dir/out")"
echo "$(grep -m1 '^Encrypting ' "$dir/out" | sed 's/.* with //') ($(grep -m1 '^CRC check ' "$dir/out"))"
echo "before the cycle (heat-up, sequencer)  $(span "$start" "$created")"
echo "random file and checksum               $(span "$created" "$encrypting")"
echo "encryption                             $(span "$encrypting" "$decrypting")"
echo "decryption and checksum                $(span "$decrypting" "$checked")"
echo "the whole cycle                        $(span "$created" "$checked")"
echo "peak resident memory                   $peak"
if [ -f "$dir/perf.data" ]; then
  echo
  echo "processor time of the cycle by function (self, top 15):"
  perf report -i "$dir/perf.data" --no-children --sort symbol --stdio 2>/dev/null |
    grep -E '^ +[0-9.]+%' | sed -E 's/[[:space:]]+-[[:space:]]+-[[:space:]]*$//' | head -15
fi
