#!/usr/bin/env bash
# Installs the Debian packages the build needs, once, only when something is missing.
# Sourced by test.sh and run.sh.
# What the program needs to build and run (the dialogs' faces are in fonts-dejavu-extra).
morvik_program_packages=(cmake g++ pkg-config qt6-base-dev portaudio19-dev libasound2-dev
                         libxcb1-dev libx11-dev fonts-dejavu-core fonts-dejavu-extra)
# What the tests and benchmarks need beside: their libraries, a virtual display with tools that
# type into it, set its keyboard and hold its clipboard, an RTF reader, a sound server to take away,
# and the signal generators.
morvik_packages=("${morvik_program_packages[@]}" libgtest-dev libgmock-dev libbenchmark-dev
                 xvfb xdotool x11-xserver-utils xclip xsel unrtf pulseaudio libasound2-plugins
                 python3)

# A removed package whose configuration files stay behind is still known to dpkg (and "dpkg -s"
# succeeds for it), so only the status line tells whether it is installed.
morvik_installed() {
    local status
    status=$(dpkg -s "$1" 2>/dev/null) || return 1
    grep -q '^Status: [a-z]* ok installed$' <<<"$status"
}

# The fuzz targets' build (bench/fuzz.sh): clang with its libFuzzer and sanitizer runtimes.
morvik_fuzz_packages=(clang libclang-rt-dev)

morvik_install_fuzz_deps() {
    morvik_install_deps "${morvik_fuzz_packages[@]}"
}

# Installs the given packages, or the build's own when none are given.
morvik_install_deps() {
    local missing=() p wanted=("$@")
    [ ${#wanted[@]} -gt 0 ] || wanted=("${morvik_packages[@]}")
    for p in "${wanted[@]}"; do
        morvik_installed "$p" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages. Install them with:" >&2
        echo "  sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
        return 1
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
}
