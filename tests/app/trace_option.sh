#!/usr/bin/env bash
# transmitter-config --trace: a trace file that cannot be written is refused at start with exit
# status 2 and a message naming it; one that can is created at start, while the program runs.
# Usage: trace_option.sh TRANSMITTER_CONFIG
set -euo pipefail
PROGRAM="$1"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"

work="$(mktemp -d)"
pid=""
cleanup() {
    if [[ -n "$pid" ]]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    exit 1
}

for bad in /nonexistent/dir/x "$work"; do
    status=0
    "$PROGRAM" --trace "$bad" >"$work/out" 2>"$work/err" || status=$?
    [[ $status -eq 2 ]] || fail "--trace $bad exited $status, expected 2"
    grep -qF "trace file $bad" "$work/err" || fail "no message naming $bad: $(cat "$work/err")"
done

status=0
"$PROGRAM" --trace >"$work/out" 2>"$work/err" || status=$?
[[ $status -eq 2 ]] || fail "--trace without a file exited $status, expected 2"

"$PROGRAM" --trace "$work/new.trace" >"$work/out" 2>"$work/err" &
pid=$!
for _ in $(seq 200); do
    [[ -e "$work/new.trace" ]] && break
    kill -0 "$pid" 2>/dev/null || fail "exited early: $(cat "$work/err")"
    sleep 0.1
done
[[ -e "$work/new.trace" ]] || fail "trace file not created at start"
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=""
echo "trace option: ok"
