#!/usr/bin/env bash
# The Slurm recipe (deploy/slurm/torvane-burnin.sbatch) on a real Slurm: a one-node cluster of its own in a
# scratch folder (munged, slurmctld and slurmd started here, under the task/affinity plugin that clusters
# run), and three jobs:
#   1. a clean one-minute idle run: every processor of the node has a worker, the summary says passed, the
#      job ends with exit status 0;
#   2. a fault drill on the last processor: the job fails, the log names the processor;
#   3. scancel in the middle of a run: the job log still ends with the summary, which says "stopped early"
#      and exits 1; no process of the run is left.
# Installs slurm-wlm and munge with apt where they are missing. Every daemon and job it starts ends here,
# by its id, whatever happens. Needs root (slurmd starts the jobs); exits 77 (skipped) without it.
#
#   scripts/check-fleet.sh [build/src/torvane/torvane]
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
prog=$(realpath "${1:-build/src/torvane/torvane}")
started=$(date +%s)

if [ "$(id -u)" != 0 ]; then
  echo "SKIP: check-fleet.sh needs root (slurmd starts the jobs)"
  exit 77
fi
[ -x "$prog" ] || { echo "FAIL: no program at $prog (build first)"; exit 1; }
if ! command -v slurmctld >/dev/null || ! command -v munged >/dev/null || ! command -v sbatch >/dev/null; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y --no-install-recommends slurm-wlm munge >/dev/null ||
    { apt-get update >/dev/null && apt-get install -y --no-install-recommends slurm-wlm munge >/dev/null; } ||
    { echo "FAIL: cannot install slurm-wlm and munge"; exit 1; }
fi

dir=$(mktemp -d)
chmod 755 "$dir"
pids=()
jobs_started=()
cleanup() {
  # Jobs first (their runs stop the ordinary way), then the daemons, each by its process id.
  for j in "${jobs_started[@]}"; do scancel "$j" 2>/dev/null; done
  for _ in $(seq 50); do
    [ -z "$(run_pids)" ] && break
    sleep 0.1
  done
  for p in $(run_pids); do kill -9 "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$p" 2>/dev/null
    wait "$p" 2>/dev/null
  done
  # A job step's slurmstepd of this cluster outlives slurmd: its spool folder names it.
  for p in $(pgrep -f "slurmstepd" 2>/dev/null); do
    grep -qs "$dir" "/proc/$p/environ" && kill -9 "$p" 2>/dev/null
  done
  rm -rf "$dir"
}
trap cleanup EXIT
# The processes of this check's runs: their event files are in its folder.
run_pids() { pgrep -f -- "--events $dir/" 2>/dev/null; }
fail() {
  echo "FAIL: $*"
  for f in "$dir"/jobs/*.log "$dir"/log/*.log; do [ -f "$f" ] && { echo "== $f"; tail -n 40 "$f"; }; done
  exit 1
}

# munge with a key of its own, on a socket of its own.
mkdir -p "$dir/munge" "$dir/state" "$dir/spool" "$dir/log" "$dir/jobs" "$dir/events" "$dir/home"
chmod 700 "$dir/munge"
head -c 1024 /dev/urandom >"$dir/munge/munge.key"
chmod 400 "$dir/munge/munge.key"
munged --foreground --force --key-file="$dir/munge/munge.key" --socket="$dir/munge/munge.socket" \
  --pid-file="$dir/munge/munged.pid" --log-file="$dir/log/munged.log" --seed-file="$dir/munge/munged.seed" \
  >>"$dir/log/munged.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -S "$dir/munge/munge.socket" ] && break; sleep 0.1; done
[ -S "$dir/munge/munge.socket" ] || fail "munged did not start"

# Two free ports, and a node named otherwise than the host: the event files must take the node's name.
read -r ctld_port slurmd_port < <(python3 -c '
import socket
s = [socket.socket() for _ in range(2)]
for x in s: x.bind(("127.0.0.1", 0))
print(*[x.getsockname()[1] for x in s])')
node=torvane-check-n1
host=$(hostname -s)
hw=$(slurmd -C | head -n 1 | sed 's/^NodeName=[^ ]* //')
cat >"$dir/slurm.conf" <<EOF
ClusterName=torvanecheck
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$slurmd_port
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$dir/munge/munge.socket
CredType=cred/munge
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/log/slurmctld.log
SlurmdLogFile=$dir/log/slurmd.log
PlugStackConfig=$dir/plugstack.conf
ProctrackType=proctrack/pgid
TaskPlugin=task/affinity
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
SchedulerType=sched/backfill
AccountingStorageType=accounting_storage/none
JobAcctGatherType=jobacct_gather/none
JobCompType=jobcomp/none
MpiDefault=none
ReturnToService=2
MinJobAge=600
KillWait=30
MailProg=/bin/true
NodeName=$node NodeHostname=$host NodeAddr=127.0.0.1 $hw State=UNKNOWN
PartitionName=check Nodes=$node Default=YES MaxTime=INFINITE State=UP
EOF
: >"$dir/plugstack.conf"
export SLURM_CONF="$dir/slurm.conf"
slurmctld -D -i -f "$SLURM_CONF" >>"$dir/log/slurmctld.out" 2>&1 &
pids+=($!)
slurmd -D -f "$SLURM_CONF" -N "$node" >>"$dir/log/slurmd.out" 2>&1 &
pids+=($!)
for _ in $(seq 300); do
  [ "$(sinfo -h -n "$node" -o %t 2>/dev/null)" = idle ] && break
  sleep 0.1
done
[ "$(sinfo -h -n "$node" -o %t 2>/dev/null)" = idle ] || fail "the node did not come up: $(sinfo 2>&1)"
echo "Slurm $(slurmd -V | cut -d' ' -f2) up with node $node ($(nproc) processors) in $(($(date +%s) - started)) s"

# What every job gets: the program, the summary, and settings and work folders of this check alone.
export TORVANE="$prog" FLEET_SUMMARY="$root/scripts/fleet-summary"
export TORVANE_CONFIG_DIR="$dir/home/config" XDG_CACHE_HOME="$dir/home/cache"
submit() { # name minutes [torvane options...]; prints the job id
  local name=$1
  shift
  sbatch --parsable --nodes=1 --time=10 --job-name="$name" -D "$dir/jobs" --output="$dir/jobs/$name.log" \
    "$root/deploy/slurm/torvane-burnin.sbatch" "$dir/events" "$@"
}
job_field() { scontrol show job -o "$1" 2>/dev/null | tr ' ' '\n' | sed -n "s/^$2=//p"; }
wait_job() { # id seconds
  for _ in $(seq $(($2 * 5))); do
    case $(job_field "$1" JobState) in
    COMPLETED | FAILED | CANCELLED | TIMEOUT | NODE_FAIL | OUT_OF_MEMORY | PREEMPTED) return 0 ;;
    esac
    sleep 0.2
  done
  return 1
}
cpus=$(python3 -c 'import os; print(",".join(map(str, sorted(os.sched_getaffinity(0)))))')
last=${cpus##*,}

# 1. A clean one-minute idle run on every processor.
t=$(date +%s)
job=$(submit clean 1 --mode idle) || fail "sbatch refused the clean run"
jobs_started+=("$job")
wait_job "$job" 240 || fail "the clean run did not end"
log="$dir/jobs/clean.log"
[ "$(job_field "$job" JobState)" = COMPLETED ] && [ "$(job_field "$job" ExitCode)" = 0:0 ] ||
  fail "the clean run: $(job_field "$job" JobState) $(job_field "$job" ExitCode)"
events="$dir/events/job-$job/$node.jsonl"
[ -f "$events" ] || fail "no event file named by the node: $(ls -R "$dir/events")"
grep -q "Workers: $(nproc), on processors\? ${cpus//,/, }$" "$log" || fail "not every processor has a worker"
! grep -q "Warning: only" "$log" || fail "the run could not use every processor"
python3 "$root/tests/terminal/check-events.py" "$events" || fail "the clean run's events"
python3 - "$events" "$cpus" "$node" <<'PY' || fail "the clean run's events"
import json, sys
events = [json.loads(l) for l in open(sys.argv[1])]
cpus = [int(c) for c in sys.argv[2].split(",")]
start, end = events[0], events[-1]
assert start["event"] == "run_start" and start["cpus"] == cpus and start["allowed"] == cpus, start
assert all(e.get("node") == sys.argv[3] for e in events), "every event names the node"
assert end["event"] == "run_end" and end["reason"] == "time_limit" and end["errors"] == 0, end
PY
grep -q "^$node (.*): passed (time_limit, exit status 0)$" "$log" || fail "the summary in the log does not say passed"
echo "1. clean run: job $job COMPLETED 0:0, $(nproc) workers on $cpus, summary passed ($(($(date +%s) - t)) s)"

# 2. The fault drill on the last processor.
t=$(date +%s)
job=$(submit drill 1 --mode idle --inject-fault "mmx@$last") || fail "sbatch refused the fault drill"
jobs_started+=("$job")
wait_job "$job" 240 || fail "the fault drill did not end"
log="$dir/jobs/drill.log"
[ "$(job_field "$job" JobState)" = FAILED ] && [ "$(job_field "$job" ExitCode)" = 1:0 ] ||
  fail "the fault drill: $(job_field "$job" JobState) $(job_field "$job" ExitCode)"
grep -q "^0:  Processor: cpu $last$" "$log" || fail "the report does not name processor $last"
grep -q "^$node (.*): FAILED (error, exit status 1)$" "$log" || fail "the summary does not say FAILED"
grep -Eq "^  $last +0 d, 0 h, 0 m, [0-9]+ s +1  MMX test failed! \(code 1\)" "$log" ||
  fail "the summary does not name processor $last and its one error"
echo "2. fault drill: job $job FAILED 1:0, processor $last named ($(($(date +%s) - t)) s)"

# 3. scancel in the middle of a five-minute run.
t=$(date +%s)
job=$(submit cancel 5 --mode idle) || fail "sbatch refused the run to cancel"
jobs_started+=("$job")
events="$dir/events/job-$job/$node.jsonl"
for _ in $(seq 600); do
  [ "$(cat "$events" 2>/dev/null | grep -c '"event":"test_start"')" -ge "$(nproc)" ] && break
  sleep 0.1
done
grep -q '"event":"test_start"' "$events" 2>/dev/null || fail "the run to cancel did not start its tests"
sleep 2
scancel "$job"
wait_job "$job" 60 || fail "the cancelled run did not end"
log="$dir/jobs/cancel.log"
[ "$(job_field "$job" JobState)" = CANCELLED ] || fail "the cancelled run: $(job_field "$job" JobState)"
grep -q "^$node (.*): stopped early (signal after 0 d, 0 h, 0 m, [0-9]* s, of the 5 minutes asked for; exit status 0)$" \
  "$log" || fail "the job log does not end with the summary saying stopped early"
grep -q "^1 machine, 0 failed or not ended, 1 stopped early$" "$log" || fail "the count of the cancelled run"
"$FLEET_SUMMARY" --expect "$node" "$events" >/dev/null
s=$?
[ $s -eq 1 ] || fail "fleet-summary exit status $s for the cancelled run"
[ -z "$(run_pids)" ] || fail "a process of the cancelled run is left: $(run_pids)"
echo "3. scancel: job $job CANCELLED, summary stopped early with exit status 1, nothing left running ($(($(date +%s) - t)) s)"

# The three jobs' files together, as the operator would read them: two did not pass.
"$FLEET_SUMMARY" "$dir"/events/job-*/*.jsonl >/dev/null
[ $? -eq 1 ] || fail "fleet-summary of the three jobs"
# What the operator reads at the end of each job's log (the lines the runs printed carry srun's task number).
for name in clean drill cancel; do
  echo "== the end of $name.log"
  grep -v '^[0-9]*: ' "$dir/jobs/$name.log"
done
echo "check-fleet: ok in $(($(date +%s) - started)) s"
