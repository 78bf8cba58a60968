#!/usr/bin/env bash
# Tree drags on a virtual screen: starts Xvfb, the tree drag demonstration (build/bench/treedrag_demo)
# and a second copy of it as another program offering a text beyond ASCII. With xdotool it drags
# "Station B (Baltic)" from the left tree onto the archive's row "2026-12-07", then the other
# program's text onto the archive's row "2026-12-06", then draws a rubber band from beside
# "Station A (North Sea)" down to "Station A (Biscay)" (it reaches the texts of the stations, not
# the shorter "Biscay"), and checks what the demonstration reports.
# Pictures: OUT-over.png (an item held over the other tree), OUT-copied.png, OUT-foreign.png (the
# other program's text held over the archive), OUT-dropped.png, OUT-band.png (the band held) and
# OUT-selected.png.
# Needs xvfb, xdotool and ImageMagick's import. Usage: bench/treedrag_xvfb.sh [BUILD_DIR] [OUT]
set -euo pipefail
build=${1:-build}
shots=${2:-treedrag}
display=:$((90 + RANDOM % 100))
out=$(mktemp)
text="Grüße aus Östersund"
Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $demo $source $xvfb 2>/dev/null || true; rm -f "$out"' EXIT
sleep 1
export DISPLAY=$display
"$build/bench/treedrag_demo" >"$out" 2>/dev/null &
demo=$!
"$build/bench/treedrag_demo" --source "$text" >/dev/null 2>&1 &
source=$!
sleep 3
at() { grep "^at: $1 " "$out" | head -n 1 | awk '{print $(NF-1), $NF}'; }
drag() {  # x1 y1 x2 y2 [picture taken while held]
    xdotool mousemove "$1" "$2"
    sleep 0.3
    xdotool mousedown 1
    for step in 1 2 3 4 5 6 7 8 9 10; do
        xdotool mousemove $(($1 + ($3 - $1) * step / 10)) $(($2 + ($4 - $2) * step / 10))
        sleep 0.1
    done
    xdotool mousemove "$3" $(($4 + 1))
    sleep 0.6
    if [ -n "${5:-}" ]; then import -window root "$5"; fi
    xdotool mouseup 1
    sleep 0.8
}
read -r sx sy < <(at "Station B (Baltic)")
read -r tx ty < <(at "2026-12-07")
drag "$sx" "$sy" "$tx" "$ty" "$shots-over.png"
import -window root "$shots-copied.png"
read -r dx dy < <(at "2026-12-06")
drag 670 500 "$dx" "$dy" "$shots-foreign.png"
import -window root "$shots-dropped.png"
# The band starts right of the texts, where a press drags nothing.
read -r ax ay < <(at "Station A (North Sea)")
read -r bx by < <(at "Station A (Biscay)")
drag 260 "$ay" 120 "$by" "$shots-band.png"
import -window root "$shots-selected.png"
grep -v "^at: " "$out"
passed=0
grep -q "^copied: Station B (Baltic) to 2026-12-07$" "$out" && passed=$((passed + 1))
grep -q "^dropped: $text on 2026-12-06$" "$out" && passed=$((passed + 1))
grep -q "^selected: Station A (North Sea), Station B (North Sea), Station A (Biscay)$" "$out" && passed=$((passed + 1))
echo "drags: $passed passed, $((3 - passed)) failed"
[ "$passed" -eq 3 ]
