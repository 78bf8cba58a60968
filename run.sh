#!/usr/bin/env bash
# Builds the release program in build/ and starts it; arguments go to the program.
set -euo pipefail
# The program keeps its settings, logs and messages in its working directory: the caller's.
here=$(pwd)
cd "$(dirname "$0")"
repo=$(pwd)
. scripts/program.sh
morvik_build_program
cd "$here"
exec "$repo/build/receiver/morvik" "$@"
