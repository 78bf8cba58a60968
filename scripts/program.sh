#!/usr/bin/env bash
# Builds the release program in build/ (installing what it needs first, and nothing the tests
# need); sourced by run.sh and try.sh from the repository root. The program is then
# build/receiver/morvik.
. scripts/deps.sh

morvik_build_program() {
    morvik_install_deps "${morvik_program_packages[@]}"
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DMORVIK_TESTS=OFF -DMORVIK_BENCH=OFF
    cmake --build build -j"$(nproc)" --target morvik
}
