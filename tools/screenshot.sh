#!/usr/bin/env bash
# Takes the README's picture of the receiver receiving: the release program on a virtual display of
# its own, fed a generated NAVTEX broadcast through the capture device that reads a named pipe,
# photographed once it has saved two messages.
#
#   tools/screenshot.sh [OUT.png]      (default docs/receiver.png)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
out=$(readlink -f "${1:-docs/receiver.png}")
. scripts/deps.sh
morvik_install_deps
morvik_install_deps imagemagick python3 xdotool
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target morvik >/dev/null

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

python3 tools/navtex_signal.py make "$work/navtex.raw" 3 3
mkfifo "$work/input"
printf '[RTTY]\nMode=6\n[Window]\nLeft=0\nTop=0\nWidth=760\nHeight=600\nSHeight=90\nRHeight=190\n' >"$work/MORVIK.INI"

exec 3< <(Xvfb -displayfd 1 -nolisten tcp -screen 0 1024x768x24 2>/dev/null)
pids+=($!)
read -r display <&3
export DISPLAY=":$display" QT_QPA_PLATFORM=xcb
export ALSA_CONFIG_PATH="$repo/tests/data/alsa/asound.conf" MORVIK_TEST_INFILE="$work/input"
python3 tools/navtex_signal.py feed "$work/navtex.raw" "$work/input" &
pids+=($!)
(cd "$work" && exec "$repo/build/receiver/morvik") &
pids+=($!)

# Two messages saved, and a moment for the text after them to arrive.
for _ in $(seq 600); do
    [ "$(find "$work/Messages" -name '*.TXT' 2>/dev/null | wc -l)" -ge 2 ] && break
    sleep 0.2
done
# The newest message opened in the viewer: the day expanded, its last time selected.
wid=$(xdotool search --sync --onlyvisible --name '^Morvik' | head -1)
xdotool windowfocus --sync "$wid"
tree_y=$(( $(xdotool getwindowgeometry --shell "$wid" | sed -n 's/^HEIGHT=//p') - 150 ))
xdotool mousemove --window "$wid" 60 "$tree_y" click 1
xdotool key --delay 200 Down Right End
sleep 3
mkdir -p "$(dirname "$out")"
import -window "$wid" "$out"
echo "$out"
