#!/usr/bin/env bash
# Shows the receiver decoding with no radio and no sound card: a generated broadcast plays into the
# program through a capture device that reads a named pipe, as the tests feed it.
#
#   ./try.sh [navtex|rtty] [FOLDER]
#
# The program runs in FOLDER (default: a new folder under the temporary folder, so your own
# settings and messages are untouched), tuned there to the broadcast; its messages, logs and
# settings stay in FOLDER afterwards. The broadcast stops when the program ends.
# MORVIK_PROGRAM names a program to run instead of building build/receiver/morvik.
set -euo pipefail
mode=navtex
case "${1:-}" in
    navtex|rtty) mode=$1; shift ;;
esac
if [ $# -gt 1 ] || [[ "${1:-}" == -* ]]; then
    echo "usage: $0 [navtex|rtty] [FOLDER]" >&2
    exit 2
fi
here=$(pwd)
cd "$(dirname "$0")"
repo=$(pwd)
program=${MORVIK_PROGRAM:-}
if [ -z "$program" ]; then
    . scripts/program.sh
    morvik_build_program
    program=$repo/build/receiver/morvik
fi
. scripts/deps.sh
morvik_install_deps python3  # the broadcast generators

if [ $# -eq 1 ]; then
    cd "$here"
    mkdir -p "$1"
    folder=$(cd "$1" && pwd)
else
    folder=$(mktemp -d "${TMPDIR:-/tmp}/morvik-try.XXXXXX")
fi
work=$(mktemp -d)
feeder=
cleanup() {
    [ -z "$feeder" ] || kill "$feeder" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
# Ctrl+C, and the hangup of a terminal that closes, reach the program too, which ends in order;
# this script waits for it (the traps run once it has ended), and then the feeder goes.
trap cleanup EXIT
trap : HUP TERM

generator=$repo/tools/${mode}_signal.py
python3 "$generator" tune "$folder/MORVIK.INI"
python3 "$generator" make "$work/broadcast.raw"
mkfifo "$work/input"
# Held open here and by the program as well: should the feeder die (or this script be killed
# first), the capture device then waits for sound that does not come, where a pipe with no writer
# left would end, and the device would hand back empty buffers as fast as it is asked.
exec 3<>"$work/input"
# The feeder outlives a hangup (it gives the program sound until the program has ended).
(trap '' HUP; exec python3 "$generator" feed "$work/broadcast.raw" "$work/input" 3>&-) &
feeder=$!

echo "Receiving a generated $mode broadcast in $folder"
echo "(messages in $folder/Messages; close the window to end)"
status=0
(cd "$folder" && ALSA_CONFIG_PATH="$repo/tests/data/alsa/asound.conf" \
    MORVIK_TEST_INFILE="$work/input" exec "$program") || status=$?
echo "The folder $folder keeps what was received."
exit "$status"
