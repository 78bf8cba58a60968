#!/usr/bin/env bash
# Builds the release program in build/ and starts it; arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
morvik_install_deps
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)" --target morvik
exec build/receiver/morvik "$@"
