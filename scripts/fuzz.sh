#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) into build-fuzz/ and runs them.
#   scripts/fuzz.sh                 every target, 60 s each
#   scripts/fuzz.sh TARGET [SECONDS]
#   scripts/fuzz.sh all SECONDS     every target for SECONDS each
#   scripts/fuzz.sh --list          names the targets
# FUZZ_JOBS=N runs N targets at a time (default 1). Seeds come from fuzz/corpus/TARGET/; inputs
# the fuzzer finds go to build-fuzz/corpus/TARGET/, crashes to build-fuzz/artifacts/. Prints the
# executions of each run; exits non-zero when a target crashed or broke an invariant.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TARGETS=(window fill sim cli telnet)

if [[ "${1:-}" == "--list" ]]; then
    printf '%s\n' "${TARGETS[@]}"
    exit 0
fi
WHICH="${1:-all}"
SECONDS_EACH="${2:-60}"
if [[ "$WHICH" == "all" ]]; then
    RUN=("${TARGETS[@]}")
elif [[ " ${TARGETS[*]} " == *" $WHICH "* ]]; then
    RUN=("$WHICH")
else
    echo "fuzz.sh: no target '$WHICH'; targets: ${TARGETS[*]}" >&2
    exit 2
fi

BUILD="${FUZZ_BUILD_DIR:-$ROOT/build-fuzz}"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DFUZZ=ON >/dev/null
cmake --build "$BUILD" -j "${JOBS:-2}" --target "${RUN[@]/#/fuzz_}"

run_one() {
    local t="$1" log="$BUILD/fuzz-$1.log"
    mkdir -p "$BUILD/corpus/$t" "$BUILD/artifacts"
    local rc=0
    "$BUILD/fuzz/fuzz_$t" -max_total_time="$SECONDS_EACH" -print_final_stats=1 \
        -artifact_prefix="$BUILD/artifacts/$t-" -max_len=4096 \
        "$BUILD/corpus/$t" "$ROOT/fuzz/corpus/$t" >"$log" 2>&1 || rc=$?
    local execs
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    if ((rc == 0)); then
        echo "fuzz $t: ${execs:-?} executions in ${SECONDS_EACH} s, no crash"
    else
        echo "fuzz $t: FAILED after ${execs:-?} executions (exit $rc); log $log" >&2
        grep -m5 -E "ERROR|invariant|runtime error|Test unit written" "$log" >&2 || true
    fi
    return "$rc"
}

JOBS_AT_ONCE="${FUZZ_JOBS:-1}"
failed=0
pids=()
for t in "${RUN[@]}"; do
    run_one "$t" &
    pids+=($!)
    if ((${#pids[@]} >= JOBS_AT_ONCE)); then
        wait "${pids[0]}" || failed=1
        pids=("${pids[@]:1}")
    fi
done
for p in "${pids[@]}"; do
    wait "$p" || failed=1
done
exit "$failed"
