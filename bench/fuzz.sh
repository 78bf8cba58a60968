#!/usr/bin/env bash
# Runs the fuzz targets of tests/fuzz with clang's libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, in build-fuzz/.
#
#   bench/fuzz.sh TARGET SECONDS   one target for a long campaign; new inputs are kept in
#                                  build-fuzz/corpus/TARGET (its seeds are read from the repository)
#   bench/fuzz.sh --all SECONDS    every target in turn, FUZZ_JOBS at once (default: the cores)
#   bench/fuzz.sh --list           the targets
#
# A crash, leak, sanitizer report, check failure or an input slower than FUZZ_TIMEOUT seconds
# (default 2, so that CI's run fails on a slow input) stops the target and leaves the input in
# build-fuzz/artifacts/; put it into tests/fuzz/corpus/TARGET/ once the fault is mended, so that
# every build replays it. Exit status 1 when any target found something. Installs clang and libFuzzer the way test.sh installs the rest.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
morvik_install_deps
morvik_install_fuzz_deps

build=build-fuzz
targets=$(sed -n 's/^morvik_fuzz(\([a-z0-9_]*\) .*/\1/p' tests/fuzz/CMakeLists.txt)
if [ "${1:-}" = "--list" ]; then
    echo "$targets"
    exit 0
fi
[ $# -eq 2 ] || { sed -n '4,8p' "$0" >&2; exit 2; }
what=$1
seconds=$2
if [ "$what" != "--all" ] && ! grep -qx "$what" <<<"$targets"; then
    echo "fuzz.sh: no target $what (bench/fuzz.sh --list)" >&2
    exit 2
fi

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVIK_FUZZ=ON -DMORVIK_TESTS=OFF \
    -DMORVIK_BENCH=OFF >/dev/null
jobs=${FUZZ_JOBS:-$(nproc)}
cmake --build "$build" --target fuzz_all -j"$(nproc)" >/dev/null
mkdir -p "$build/artifacts" "$build/logs"

# The seed folder of a target: corpus/NAME unless its line names another (CORPUS folder).
seeds() {
    local c
    c=$(sed -n "s/^morvik_fuzz($1 .*CORPUS \([A-Za-z0-9_]*\).*/\1/p" tests/fuzz/CMakeLists.txt)
    echo "tests/fuzz/corpus/${c:-$1}"
}

# One target: its seeds and what earlier runs found, for the given time.
run() {
    local t=$1
    mkdir -p "$build/corpus/$t"
    "$build/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout="${FUZZ_TIMEOUT:-2}" -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" "$build/corpus/$t" "$(seeds "$t")" \
        >"$build/logs/$t.log" 2>&1
}

report() {
    local t=$1 status=$2 execs
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/logs/$t.log" | tail -1)
    if [ "$status" -eq 0 ]; then
        printf '%-26s %12s runs, nothing found\n' "$t" "${execs:-?}"
    else
        printf '%-26s FOUND SOMETHING (log %s):\n' "$t" "$build/logs/$t.log"
        grep -E '^==[0-9]+==ERROR|runtime error|fuzz check failed|Test unit written|ALARM' "$build/logs/$t.log" | head -5 | sed 's/^/    /'
    fi
}

if [ "$what" != "--all" ]; then
    status=0
    run "$what" || status=$?
    report "$what" "$status"
    exit $((status != 0))
fi

# Every target, FUZZ_JOBS at once.
failed=0
declare -A pids
for t in $targets; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
    run "$t" &
    pids[$t]=$!
done
passed=0
for t in $targets; do
    status=0
    wait "${pids[$t]}" || status=$?
    report "$t" "$status"
    if [ "$status" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done
echo "fuzz: $passed passed, $failed failed"
exit $((failed != 0))
