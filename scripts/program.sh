#!/usr/bin/env bash
# Builds the release program in build/ (installing what is missing first); sourced by run.sh and
# try.sh from the repository root. The program is then build/receiver/morvik.
. scripts/deps.sh

morvik_build_program() {
    morvik_install_deps
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
    cmake --build build -j"$(nproc)" --target morvik
}
