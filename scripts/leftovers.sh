#!/usr/bin/env bash
# Finds the processes a test run left running. Sourced by test.sh and .ci/run.
#
# morvik_mark_run marks every process started from now on (a test, and whatever it starts in turn:
# sound servers, virtual displays, clipboard programs, daemons that leave their parent) with a
# variable in its environment; morvik_check_leftovers lists those still running, stops them and
# answers 1 when there were any.

morvik_mark_run() {
    if [ -z "${MORVIK_TEST_RUN:-}" ]; then
        MORVIK_TEST_RUN="run-$$-$(date +%s%N)"
        export MORVIK_TEST_RUN
    fi
}

# Runs in this shell alone (builtins only), so that nothing of the check itself is found: the
# scripts that marked the run and called it are its ancestors, and those are left out.
morvik_check_leftovers() {
    [ -n "${MORVIK_TEST_RUN:-}" ] || return 0
    local -A mine=()
    local pid=$BASHPID line stat
    while [ -n "$pid" ] && [ "$pid" -gt 1 ]; do
        mine[$pid]=1
        read -r stat </proc/"$pid"/stat 2>/dev/null || break
        stat=${stat##*) }
        read -r _ pid _ <<<"$stat"
    done
    local -a env left=()
    local e p
    for e in /proc/[0-9]*/environ; do
        p=${e#/proc/}
        p=${p%/environ}
        [ -n "${mine[$p]:-}" ] && continue
        mapfile -d '' env 2>/dev/null <"$e" || continue
        for line in "${env[@]}"; do
            if [ "$line" = "MORVIK_TEST_RUN=$MORVIK_TEST_RUN" ]; then
                mapfile -d '' env 2>/dev/null </proc/"$p"/cmdline
                left+=("$p ${env[*]}")
                break
            fi
        done
    done
    [ ${#left[@]} -gt 0 ] || return 0
    echo "Processes the tests started and left running (now stopped):" >&2
    printf '  %s\n' "${left[@]}" >&2
    for line in "${left[@]}"; do
        kill -9 "${line%% *}" 2>/dev/null || true
    done
    return 1
}
