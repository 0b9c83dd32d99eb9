#!/usr/bin/env bash
# The window on a display that cannot be opened (DISPLAY set, no server there): a clear word and exit
# status 2, never an abort with a core dump. Takes the path of the torvane program.
set -u
prog=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export TORVANE_CONFIG_DIR="$dir/config"
fail() { echo "FAIL: $*"; cat "$dir/err" 2>/dev/null; exit 1; }

# A display number no server here answers on.
n=7391
while [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY=":$n" timeout 20 "$prog" >/dev/null 2>"$dir/err"
status=$?
[ $status -eq 2 ] || fail "status $status"
grep -q "^torvane: the display :$n cannot be opened" "$dir/err" || fail "no clear message"
grep -q -- "--headless" "$dir/err" || fail "no hint at the terminal run"

# No display at all: as before.
env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY -u DISPLAY "$prog" >/dev/null 2>"$dir/err"
status=$?
[ $status -eq 1 ] || fail "no display: status $status"
grep -q "no display found" "$dir/err" || fail "no display: no message"
echo ok
