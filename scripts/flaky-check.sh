#!/usr/bin/env bash
# Runs the whole test suite N times beside a competing load (`stress-ng --cpu 4` where stress-ng is
# installed) and lists every test that failed at least once, with the number of runs it failed in; also
# whatever a run left in its temporary folder (or in its home and XDG folders) or left running. A test
# that fails by chance is a defect of the test or of the code: this finds it, it never retries it away.
#
#   scripts/flaky-check.sh N [CTEST OPTIONS...]     for example: nice scripts/flaky-check.sh 20 -LE slow
#
# It builds the build folder first (build/, or TORVANE_BUILD_DIR). Every run gets a HOME, XDG folders and a
# TMPDIR of its own and no XDG_RUNTIME_DIR, as on a build server. The logs of runs that failed or left
# something behind are kept in a folder it names; otherwise nothing of it stays. Exit status: 0 when every
# run passed and left nothing, 1 otherwise, 2 on a bad command line or a failed build.
set -u
cd "$(dirname "$0")/.." || exit 2
usage() { echo "usage: scripts/flaky-check.sh N [CTEST OPTIONS...]" >&2; exit 2; }
[ $# -ge 1 ] || usage
runs=$1
shift
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || usage
build=${TORVANE_BUILD_DIR:-build}

out=$(mktemp -d "${TMPDIR:-/tmp}/torvane-flaky-XXXXXX") || exit 2
load=
keep=0
if ! scripts/build.sh "$build" >"$out/build.log" 2>&1; then
  tail -n 30 "$out/build.log" >&2
  echo "flaky-check: the build failed" >&2
  rm -rf "$out"
  exit 2
fi
build=$(cd "$build" && pwd)

# Processes whose environment names the given scratch folder: started by a run and still there.
left_running() {
  local p
  for p in /proc/[0-9]*; do
    [ "${p#/proc/}" = "$$" ] && continue
    { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qxF "TMPDIR=$1" && echo "${p#/proc/}"
  done
}
end_processes() {
  local p
  [ $# -gt 0 ] || return 0
  kill -TERM "$@" 2>/dev/null
  sleep 1
  for p in "$@"; do kill -KILL "$p" 2>/dev/null; done
}
cleanup() {
  # The load is a process group of its own: its leader and every worker it forked end together.
  if [ -n "$load" ]; then
    kill -TERM -- "-$load" 2>/dev/null
    wait "$load" 2>/dev/null
  fi
  local scratch pids
  for scratch in "$out"/run*/tmp; do
    [ -d "$scratch" ] || continue
    mapfile -t pids < <(left_running "$scratch")
    end_processes "${pids[@]}"
  done
  if [ "$keep" = 0 ]; then rm -rf "$out"; fi
}
trap cleanup EXIT
# Stopped early (the time ran out): the table of the runs that finished, then the ordinary clean-up.
trap 'stopped=1; report; exit 130' INT
trap 'stopped=1; report; exit 143' TERM
trap 'stopped=1; report; exit 129' HUP

what=""
if command -v stress-ng >/dev/null; then
  # setsid: a group of its own, so that ending it ends its workers too.
  setsid stress-ng --cpu 4 --quiet >/dev/null 2>&1 &
  load=$!
  what=" beside stress-ng --cpu 4"
else
  echo "flaky-check: stress-ng is not installed; the runs go without a competing load" >&2
fi

declare -A failed=()
left=()
bad_runs=0
done_runs=0
stopped=0
report() {
  echo
  if [ "$stopped" = 1 ]; then
    echo "stopped after $done_runs of $runs runs$what: $bad_runs with a failure or something left behind"
    # The logs of a check stopped early stay, whatever they hold.
    keep=1
  else
    echo "$runs runs$what: $bad_runs with a failure or something left behind"
  fi
  if [ ${#failed[@]} -gt 0 ]; then
    printf '%6s  %s\n' RUNS "FAILED TEST"
    for name in "${!failed[@]}"; do printf '%6d  %s\n' "${failed[$name]}" "$name"; done | sort -k1,1nr -k2
  fi
  if [ ${#left[@]} -gt 0 ]; then
    echo "Left behind (in the temporary, home or XDG folders, or running):"
    printf '  %s\n' "${left[@]}"
  fi
  if [ "$keep" = 1 ]; then echo "Logs: $out/run*/ctest.log"; fi
}
for i in $(seq "$runs"); do
  run="$out/run$i"
  mkdir -p "$run/home" "$run/tmp" "$run/config" "$run/data" "$run/cache"
  start=$(date +%s)
  # In the background, so that a stop signal ends the check at once (the trap ends what the run started).
  (cd "$build" && exec env -u XDG_RUNTIME_DIR HOME="$run/home" TMPDIR="$run/tmp" XDG_CONFIG_HOME="$run/config" \
     XDG_DATA_HOME="$run/data" XDG_CACHE_HOME="$run/cache" QT_QPA_PLATFORM=offscreen \
     ctest --output-on-failure --timeout 900 -j "$(nproc)" "$@") >"$run/ctest.log" 2>&1 &
  wait $!
  status=$?
  seconds=$(($(date +%s) - start))
  # The failed tests, as ctest lists them at the end: "  12 - Suite.Name (Failed)"; a parameter's
  # printed value ("  # GetParam() = ...") is no part of the name.
  mapfile -t names < <(sed -n '/^The following tests FAILED:/,$p' "$run/ctest.log" |
    sed -nE 's/^[[:space:]]+[0-9]+ - (.*) \(([^()]*)\)$/\1 (\2)/p' | sed -E 's/  # GetParam\(\) = .* \(/ (/')
  for name in "${names[@]}"; do failed[$name]=$((${failed[$name]:-0} + 1)); done
  summary=$(grep -E '^[0-9]+% tests passed' "$run/ctest.log" | tail -1)
  [ -n "$summary" ] || summary="ctest ended with status $status and no summary"
  [ ${#names[@]} -eq 0 ] && [ "$status" -ne 0 ] && names=("ctest itself (status $status)") &&
    failed["ctest itself (status $status)"]=$((${failed["ctest itself (status $status)"]:-0} + 1))
  # What stayed in the temporary folder; and in the home and XDG folders, which no test may write either.
  mapfile -t stayed < <(cd "$run" && find tmp home config data cache -mindepth 1 -maxdepth 1 -printf '%p\n' | sort)
  mapfile -t running < <(left_running "$run/tmp")
  for p in "${running[@]}"; do
    stayed+=("process $p: $(tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null)")
  done
  end_processes "${running[@]}"
  for s in "${stayed[@]}"; do left+=("run $i: $s"); done
  echo "run $i/$runs: $summary, $seconds s${stayed:+, ${#stayed[@]} left behind}"
  for name in "${names[@]}"; do echo "  failed: $name"; done
  for s in "${stayed[@]}"; do echo "  left: $s"; done
  if [ ${#names[@]} -gt 0 ] || [ ${#stayed[@]} -gt 0 ]; then
    bad_runs=$((bad_runs + 1))
    keep=1
  fi
  rm -rf "${run:?}/home" "$run/tmp" "$run/config" "$run/data" "$run/cache"
  [ ${#names[@]} -gt 0 ] || [ ${#stayed[@]} -gt 0 ] || rm -rf "$run"
  done_runs=$i
done

report
[ "$keep" = 1 ] && exit 1

exit 0
