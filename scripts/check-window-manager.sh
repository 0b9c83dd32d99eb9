#!/usr/bin/env bash
# The main window under a real window manager, where framing is asynchronous: "Maximize", then "Normalize",
# five times, must give the window (frame included) 575 x 333, centred, every time, and the store must
# keep that size. Runs on a private Xvfb display with openbox; skipped (status 77) where Xvfb, openbox or
# xdotool is missing (apt-get install xvfb openbox xdotool x11-utils). Takes the path of the program.
set -u
prog=${1:-build/src/torvane/torvane}
for tool in Xvfb openbox xdotool xwininfo xprop; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
dir=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  rm -rf "$dir"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Xvfb takes a display number no other server holds (a number looked for here could be taken by another
# check at the same moment) and names it once it accepts connections; -noreset keeps it from starting
# afresh, refusing clients meanwhile, whenever its last client leaves.
Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 300); do [ -s "$dir/display" ] && break; sleep 0.1; done
[ -s "$dir/display" ] || fail "Xvfb did not start"
mkdir -m 700 "$dir/runtime"
DISPLAY=":$(cat "$dir/display")"
export DISPLAY TORVANE_CONFIG_DIR="$dir/config" XDG_RUNTIME_DIR="$dir/runtime"
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1
"$prog" >/dev/null 2>&1 &
program=$!
pids+=("$program")

window() { xdotool search --name "Torvane Test 5.0 by Quarnett" 2>/dev/null | head -1; }
i=0
until [ -n "$(window)" ]; do i=$((i + 1)); [ $i -lt 100 ] || fail "no window"; sleep 0.1; done
value() { xwininfo -id "$(window)" | sed -n "s/^ *$1: *//p"; }

# Clicks the "Window" menu's first item ("Maximize" or "Normalize"), at the window's menu bar.
toggle() {
  local x y
  x=$(value "Absolute upper-left X"); y=$(value "Absolute upper-left Y")
  xdotool mousemove $((x + 160)) $((y + 8)) click 1; sleep 0.4
  xdotool mousemove $((x + 180)) $((y + 30)) click 1; sleep 1.2
}

for round in 1 2 3 4 5; do
  toggle
  [ "$(value Width)" = 1280 ] || fail "round $round: not full screen"
  toggle
  read -r left right top bottom < <(xprop -id "$(window)" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  width=$(( $(value Width) + left + right )); height=$(( $(value Height) + top + bottom ))
  x=$(( $(value "Absolute upper-left X") - left )); y=$(( $(value "Absolute upper-left Y") - top ))
  [ "$width x $height" = "575 x 333" ] || fail "round $round: the window is $width x $height"
  [ "$x,$y" = "$(( (1280 - 575) / 2 )),$(( (1024 - 333) / 2 ))" ] || fail "round $round: the window is at $x,$y"
  echo "round $round: 575 x 333 at $x,$y"
done

xdotool windowactivate --sync "$(window)" >/dev/null 2>&1
xdotool key alt+F4 keyup alt
i=0
while kill -0 "$program" 2>/dev/null; do i=$((i + 1)); [ $i -lt 50 ] || fail "the window did not close"; sleep 0.1; done
grep -q "^Q10	dword	575$" "$TORVANE_CONFIG_DIR/settings.conf" && grep -q "^Q9	dword	333$" "$TORVANE_CONFIG_DIR/settings.conf" ||
  fail "stored: $(grep -E 'Q(7|8|9|10)	' "$TORVANE_CONFIG_DIR/settings.conf" | tr '\n' ' ')"
echo ok
