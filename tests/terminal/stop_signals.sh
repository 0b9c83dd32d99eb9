# What the tests of stop signals share (sourced): whether the program holds the stop signals, waiting for
# its end, and what an ordinary end is. Needs $launcher and $program (the file users run and the program
# proper it starts; the same where the program is started directly), $dir (its output in $dir/out, its
# work folder in $dir/cache) and a function fail.

random_below() { echo $(( $(od -An -N2 -tu2 /dev/urandom | tr -d ' ') % $1 )); }
sleep_ms() { sleep "$(printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000)))"; }

# A field of /proc/PID/status (shell built-ins only, so that polling is quick).
status_field() { # pid, field
  local key value
  while read -r key value; do
    [ "$key" = "$2:" ] && { echo "$value"; return 0; }
  done 2>/dev/null <"/proc/$1/status"
  return 1
}
# Whether the program itself (not the shell or env that is about to become it) holds SIGHUP (1), SIGINT
# (2) and SIGTERM (15), bits 0, 1 and 14, blocked, caught or ignored: from then on none of them can kill it.
holds_stop_signals() {
  [ "/proc/$1/exe" -ef "$launcher" ] || [ "/proc/$1/exe" -ef "$program" ] || return 1
  local mask=0 field value
  for field in SigBlk SigCgt SigIgn; do
    value=$(status_field "$1" "$field") || return 1
    mask=$(( mask | 0x${value: -8} ))
  done
  [ $(( mask & 0x4003 )) -eq $(( 0x4003 )) ]
}
wait_holds() { # pid, what
  local i=0
  until holds_stop_signals "$1"; do
    i=$((i + 1)); [ $i -lt 20000 ] || fail "$2: the stop signals are never held"
    kill -0 "$1" 2>/dev/null || fail "$2: the program ended by itself"
    sleep 0.0005
  done
}
wait_end() { # pid, what; the exit status in $status
  local i=0
  while kill -0 "$1" 2>/dev/null; do
    i=$((i + 1)); [ $i -lt 1200 ] || fail "$2: still running 60 s later"
    # A zombie has ended; wait collects it below.
    [ "$(status_field "$1" State | cut -c1)" = Z ] && break
    sleep 0.05
  done
  wait "$1"; status=$?
}
# Exit status 0, the results, and nothing left in the work folder.
ordinary_end() { # what
  [ $status -eq 0 ] || fail "$1: exit status $status"
  grep -q "^Test Results:$" "$dir/out" || fail "$1: no results"
  grep -q "^ Errors: 0$" "$dir/out" || fail "$1: errors"
  grep -q "^ Worktime: 0 d, 0 h, [0-9]* m, [0-9]* s$" "$dir/out" || fail "$1: work time"
  local left
  left=$(find "$dir/cache" -type f 2>/dev/null)
  [ -z "$left" ] || fail "$1: left in the work folder: $left"
}
