#!/usr/bin/env bash
# Reads and writes transmitter-sim with mbpoll, a generic Modbus RTU master, at the device's own
# address 1 (mbpoll refuses the broadcast address 0 in RTU mode).
# Usage: mbpoll_interop.sh TRANSMITTER_SIM MBPOLL
set -euo pipefail
SIM="$1"
MBPOLL="$2"

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

# Position 123456 (01 E2 40), a still shaft.
"$SIM" --set 21=1 --set 22=0xE240 >"$work/out" 2>"$work/err" &
pid=$!

path=""
for _ in $(seq 50); do
    path="$(head -n 1 "$work/out" 2>/dev/null || true)"
    [[ -n "$path" ]] && break
    sleep 0.1
done
[[ "$path" == /dev/* ]] || { echo "no pty path from transmitter-sim"; cat "$work/err"; exit 1; }

mb() { timeout 10 "$MBPOLL" -m rtu -b 115200 -P none -a 1 -0 -q "$@"; }
# Register values as mbpoll prints them ("[7]: 	3600", "[22]: 	57920 (-7616)"), one line.
values() { mb -1 -t 4 -r "$1" -c "$2" "$path" | sed -n 's/^\[[0-9]*\]:[[:space:]]*\([0-9-]*\).*/\1/p' | tr '\n' ' '; }

failures=0
expect() {
    if [[ "$2" == "$3" ]]; then
        echo "ok   $1: $2"
    else
        echo "FAIL $1: got '$2', expected '$3'"
        failures=$((failures + 1))
    fi
}

expect "configuration 0-20" "$(values 0 21)" "1 5 0 0 1 0 0 3600 0 3276 0 0 4096 0 4096 0 4096 0 0 0 0 "
expect "position 21-22" "$(values 21 2)" "1 57920 "
expect "position as 32-bit, high word first" \
    "$(mb -1 -t 4:int -B -r 21 -c 1 "$path" | sed -n 's/^\[21\]:[[:space:]]*//p')" "123456"
expect "status and version 23-27" "$(values 23 5)" "1 0 0 0 258 "

# Two values make mbpoll use function 0x10; a single value would be function 0x06, which the
# device refuses.
mb -t 4 -r 9 "$path" 3000 200 >/dev/null
expect "current limits written" "$(values 9 2)" "3000 200 "
mb -t 4 -r 19 "$path" 1 34464 >/dev/null
expect "preset written" "$(values 19 2)" "1 34464 "
expect "position follows the preset" "$(values 21 2)" "1 34464 "

if mb -t 4 -r 21 "$path" 5 5 >"$work/refused" 2>&1; then
    echo "FAIL write to the position was accepted"
    failures=$((failures + 1))
else
    expect "write to the position refused" "$(grep -c 'Illegal data address' "$work/refused")" "1"
fi

exit "$failures"
