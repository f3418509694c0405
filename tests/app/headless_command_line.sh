#!/usr/bin/env bash
# The program's command line on a machine without a display: help and the version print and exit
# 0, a bad option exits 2 with the error and the usage text on stderr, and none of them needs the
# window system. Started to show the window, it says in one line that there is no display and
# exits 1.
# Usage: headless_command_line.sh PROGRAM VERSION
set -uo pipefail
PROGRAM="$1"
VERSION="$2"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

# Runs the program without any display; leaves the exit code in $rc, the streams in files.
run() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$PROGRAM" "$@" \
        >"$work/out" 2>"$work/err" </dev/null
    rc=$?
}

expect() {  # expect DESCRIPTION CONDITION...
    local what="$1"
    shift
    if ! "$@"; then
        echo "FAIL: $what (exit $rc)"
        sed 's/^/  stdout: /' "$work/out"
        sed 's/^/  stderr: /' "$work/err"
        failures=$((failures + 1))
    fi
}
contains() { grep -q -- "$2" "$work/$1"; }
empty() { [[ ! -s "$work/$1" ]]; }

run --version
expect "--version exits 0" test "$rc" -eq 0
expect "--version prints name and version" \
    test "$(cat "$work/out")" = "transmitter-config $VERSION"

run -v
expect "-v prints the version" test "$(cat "$work/out")" = "transmitter-config $VERSION"

run --help
expect "--help exits 0" test "$rc" -eq 0
expect "--help lists --version" contains out "--version"
expect "--help lists --port" contains out "--port <NAME>"

for bad in --baud "--port" "COM3" "--demo --nonsense"; do
    # shellcheck disable=SC2086
    run $bad
    expect "'$bad' exits 2" test "$rc" -eq 2
    expect "'$bad' prints the usage text on stderr" contains err "Usage:"
    expect "'$bad' prints nothing on stdout" empty out
done
run --baud
expect "an unknown option is named" contains err "Unknown option 'baud'"

for start in "" "--demo" "--port ttyUSB0"; do
    # shellcheck disable=SC2086
    run $start
    expect "'$start' without a display exits 1" test "$rc" -eq 1
    expect "'$start' without a display says so" contains err "no display found"
    expect "'$start' without a display points to transmitter-cli" contains err "transmitter-cli"
    expect "'$start' without a display says it in one line" test "$(wc -l <"$work/err")" -eq 1
done

if ((failures > 0)); then
    echo "$failures checks failed"
    exit 1
fi
