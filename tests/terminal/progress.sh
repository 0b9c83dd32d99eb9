# Waits on a program under test by the processor time it has had, not by the clock on the wall. A run in
# the idle mode gets the processor only when nothing else wants it, so on a busy machine (a build beside
# it, the other tests of a parallel ctest) its minute of work can take ten minutes of wall time: a wait
# measured on the wall would fail by chance, one measured in the program's own processor time fails only
# when the program itself is slow or stuck. A program that gets no processor time at all, or is blocked,
# is caught by a far longer guard on the wall. Sourced by the end-to-end scripts.

# The processor time (user and system, every thread) that process $1 and its children (the workers of a
# run on several processors) have had, in clock ticks; empty once it is gone.
cpu_ticks() {
  local stat total child
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 0
  total=$(ticks_of "$stat")
  for child in $(cat "/proc/$1/task/"*/children 2>/dev/null); do
    stat=$(cat "/proc/$child/stat" 2>/dev/null) && total=$((total + $(ticks_of "$stat")))
  done
  echo "$total"
}
ticks_of() { # a line of /proc/PID/stat
  # Fields 14 and 15, counted after the program's name, which is in parentheses and may hold spaces.
  set -- ${1##*) }
  echo $((${12} + ${13}))
}

# Whether process $1 is still running (a zombie has ended: it is only waiting for its exit status to be
# read).
still_running() {
  kill -0 "$1" 2>/dev/null && [ "$(sed -n 's/^State:[[:space:]]*\(.\).*/\1/p' "/proc/$1/status" 2>/dev/null)" != Z ]
}

# progress_wait PID CPU_SECONDS WALL_SECONDS COMMAND...
# Runs COMMAND every 50 ms until it succeeds (status 0). Status 1 when process PID has had CPU_SECONDS of
# processor time or WALL_SECONDS have passed first, 2 when it ended first (COMMAND is tried once more
# after its end, so that its last output counts).
progress_wait() {
  local pid=$1 cpu=$2 wall=$3 tick start now used
  shift 3
  tick=$(getconf CLK_TCK)
  start=$(cpu_ticks "$pid")
  local deadline=$((SECONDS + wall))
  until "$@"; do
    if ! still_running "$pid"; then
      "$@" && return 0
      return 2
    fi
    now=$(cpu_ticks "$pid")
    used=$(( ${now:-$start} - ${start:-0} ))
    [ "$used" -lt $((cpu * tick)) ] && [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

# wait_end_of PID CPU_SECONDS WALL_SECONDS: waits until process PID (a child of the calling shell) has
# ended and sets status to its exit status; status 1 when it is still running after its budget.
wait_end_of() {
  local pid=$1
  progress_wait "$pid" "$2" "$3" false
  [ $? -eq 2 ] || return 1
  wait "$pid"
  status=$?
}

# Whether process $1 has the signal numbered $2 in hand: blocked or caught. Before that (still loading, or
# early in its start) the signal would end it by the system's default, without any word of its own; a
# busy machine can keep a program that long in its start.
signal_in_hand() {
  local blocked caught
  blocked=$(sed -n 's/^SigBlk:[[:space:]]*//p' "/proc/$1/status" 2>/dev/null)
  caught=$(sed -n 's/^SigCgt:[[:space:]]*//p' "/proc/$1/status" 2>/dev/null)
  [ -n "$blocked" ] && [ -n "$caught" ] && (( (16#$blocked | 16#$caught) & (1 << ($2 - 1)) ))
}
