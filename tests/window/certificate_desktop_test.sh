#!/usr/bin/env bash
# Certificates on a desktop, end to end, on a private Xvfb display: one made in the window (after a run
# whose clock the check moves past a day) opens with `torvane FILE.tvc` and passes `torvane --verify`; a
# forged copy is FAKE in both; after "Register FileType" the desktop's tools name the certificate type and
# our desktop entry, and opening a certificate the desktop's way starts the viewer. Skipped (status 77)
# where Xvfb, xwininfo or xdg-mime is missing. TORVANE_SHOTS=DIR keeps pictures of every step.
# Takes the paths of torvane and of certificate_desktop_check.
set -u
prog=$1
check=$2
for tool in Xvfb xwininfo xdg-mime xdg-open; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
dir=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  # Programs the desktop started for our files (xdg-open): found by the files' folder, ours alone.
  for p in $(pgrep -f -- "$dir/" 2>/dev/null); do kill "$p" 2>/dev/null; done
  rm -rf "$dir"
}
trap cleanup EXIT
# What a failure needs to be understood: when, what the screen showed, what the programs said.
fail() {
  echo "FAIL: $* (after $SECONDS s)"
  echo "windows on the screen:"
  xwininfo -root -tree 2>/dev/null | grep '"' | grep -v "has no name" | head -n 20
  for f in "$dir"/*.log; do [ -s "$f" ] && { echo "--- ${f##*/}:"; tail -n 20 "$f"; }; done
  exit 1
}
shot() { [ -n "${TORVANE_SHOTS:-}" ] && "$check" shot "$TORVANE_SHOTS/$1" 2>/dev/null; return 0; }
# Waits (at most 30 s) until a window of the given title is on the screen. Windows of one title may be
# several (the program keeps a hidden viewer of its own beside the one a file opens).
shown() {
  local i id
  for i in $(seq 300); do
    for id in $(xwininfo -root -tree 2>/dev/null | grep -F "\"$1\"" | awk '{print $1}'); do
      xwininfo -id "$id" 2>/dev/null | grep -q "IsViewable" && return 0
    done
    sleep 0.1
  done
  return 1
}

# Xvfb takes a display number no other server holds and names it once it accepts connections. A number
# looked for here could be taken by another test at the same moment: both would then talk to one server,
# and the one whose server ended would lose its windows. -noreset: by default the server starts afresh
# whenever its last client leaves, and refuses the clients that come meanwhile; here that is every time a
# program is ended (and every xwininfo), and the next program then "cannot open the display".
Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 300); do [ -s "$dir/display" ] && break; sleep 0.1; done
n=$(cat "$dir/display")
[ -n "$n" ] || fail "Xvfb did not start"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY XDG_CURRENT_DESKTOP
# Qt makes a runtime folder in the temporary folder where the session has none, and leaves it there.
mkdir -m 700 "$dir/runtime"
export DISPLAY=":$n" TORVANE_CONFIG_DIR="$dir/config" XDG_DATA_HOME="$dir/data" XDG_CONFIG_HOME="$dir/xdg" \
       XDG_CACHE_HOME="$dir/cache" XDG_RUNTIME_DIR="$dir/runtime"
[ -n "${TORVANE_SHOTS:-}" ] && mkdir -p "$TORVANE_SHOTS"

"$check" make "$prog" "$dir" || fail "the window did not make the certificate"
[ -n "${TORVANE_SHOTS:-}" ] && cp "$dir"/*.png "$TORVANE_SHOTS/"

"$prog" --verify "$dir/made.tvc" >"$dir/out" 2>&1
status=$?
[ $status -eq 0 ] || fail "--verify of the certificate: status $status"
grep -q "made.tvc: This Certificate is verified to be Authentic" "$dir/out" || fail "--verify: no verdict"
grep -q "^ Worktime: 1d, 1h, 1m, 1s$" "$dir/out" || fail "--verify: no record"
"$prog" --verify "$dir/tampered.tvc" >"$dir/out" 2>&1
status=$?
[ $status -eq 1 ] || fail "--verify of the forgery: status $status"
grep -q "tampered.tvc: This Certificate is FAKE!!" "$dir/out" || fail "--verify of the forgery: no verdict"

# Opens a file with the program and waits for the window of the given title; the program ends again.
open_shows() {
  "$prog" "$dir/$1" >"$dir/torvane-$1.log" 2>&1 &
  local program=$!
  pids+=("$program")
  shown "$2" || fail "torvane $1 shows no window \"$2\""
  shot "$3"
  kill "$program"
}
open_shows made.tvc "Certificate viewer" cli-viewer.png
open_shows tampered.tvc "Error!!" cli-fake.png

touch "$dir/x.tvc"
[ "$(xdg-mime query filetype "$dir/x.tvc")" = application/x-torvane-certificate ] ||
  fail "xdg-mime does not know the type: $(xdg-mime query filetype "$dir/x.tvc")"
[ "$(xdg-mime query default application/x-torvane-certificate)" = torvane-certificate.desktop ] ||
  fail "xdg-mime does not name our entry"
xdg-open "$dir/made.tvc" >"$dir/xdg-open.log" 2>&1 &
pids+=($!)
shown "Certificate viewer" || fail "opening the certificate the desktop's way shows no viewer"
shot desktop-open.png
echo ok
