#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
. scripts/leftovers.sh
morvik_install_deps
jobs=$(nproc)
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DMORVIK_SANITIZE=ON
cmake --build build-test -j"$jobs"
morvik_mark_run
cd build-test
status=0
# Twice as many tests as cores: many of them wait on timers, sound or other programs.
ctest --output-on-failure -j"$((2 * jobs))" || status=$?
# A test must stop whatever it started, also when it fails or its child ends early.
morvik_check_leftovers || status=1
exit "$status"
