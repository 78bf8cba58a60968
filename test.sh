#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
morvik_install_deps
jobs=$(nproc)
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DMORVIK_SANITIZE=ON
cmake --build build-test -j"$jobs"
cd build-test
ctest --output-on-failure -j"$jobs"
