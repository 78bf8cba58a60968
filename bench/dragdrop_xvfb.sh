#!/usr/bin/env bash
# A real drag between two of our windows on a virtual screen: starts Xvfb, the drag-and-drop
# demonstration (build/bench/dragdrop_demo), drags its picture onto its drop window with xdotool,
# and checks that the text arrived. Needs xvfb and xdotool. Usage: bench/dragdrop_xvfb.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
display=:$((90 + RANDOM % 100))
out=$(mktemp)
Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $demo $xvfb 2>/dev/null || true; rm -f "$out"' EXIT
sleep 1
DISPLAY=$display "$build/bench/dragdrop_demo" >"$out" 2>/dev/null &
demo=$!
sleep 3
geometry() { DISPLAY=$display xdotool search --name "$1" getwindowgeometry | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p'; }
read -r sx sy < <(geometry "Drag source")
read -r tx ty < <(geometry "Drop target")
x=$((sx + 50)); y=$((sy + 44))  # the middle of the picture
DISPLAY=$display xdotool mousemove $x $y mousedown 1
for i in 1 2 3 4 5 6 7 8; do
  DISPLAY=$display xdotool mousemove $((x + (tx + 150 - x) * i / 8)) $((y + (ty + 90 - y) * i / 8))
  sleep 0.15
done
DISPLAY=$display xdotool mouseup 1
sleep 1
cat "$out"
grep -q "target: dropped at .* text: ZCZC" "$out" && grep -q "source: copied" "$out" && echo "drag: 1 passed, 0 failed"
