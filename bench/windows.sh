#!/usr/bin/env bash
# The Windows programs beside the Linux ones, on one virtual display:
# - the window's polling period as the device sees it: the simulated transmitter logs when each
#   request arrived, and the median of |period - 200 ms| over 10 s of polling is printed, for the
#   Linux program and for the Windows one under Wine (a COM port mapped to the simulator's pty);
# - start-up, from starting the program to its window shown, the median of 5 (under Wine with the
#   wine server already running, as it is on a desktop where any Windows program ran before);
# - the sizes of what is shipped.
# Needs build/ and build-windows/ with its packages (scripts/build.sh, scripts/windows.sh --package).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SIM="$ROOT/build/tools/transmitter-sim/transmitter-sim"
TMP="$(mktemp -d)"
export WINEPREFIX="$TMP/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
Xvfb :78 -screen 0 1280x800x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
export DISPLAY=:78
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    kill "$XVFB" 2>/dev/null || true
    pkill -f "$SIM --log" 2>/dev/null || true
    rm -rf "$TMP"
}
trap cleanup EXIT

median() {
    python3 -c '
import sys, statistics
t = [float(l.split()[0]) for l in open(sys.argv[1]) if " rx " in l]
d = [abs((b - a) * 1000 - 200) for a, b in zip(t, t[1:]) if (b - a) * 1000 < 300]
print(f"{sys.argv[2]}: {len(d)} periods, median |period - 200 ms| = {statistics.median(d):.3f} ms")
' "$1" "$2"
}

# Opens the port (Command1 sits at 120,172 in the window) and lets it poll for 10 s.
poll() {
    local window=""
    for _ in $(seq 100); do
        window="$(xdotool search --name "RS485" 2>/dev/null | head -n1 || true)"
        [[ -n "$window" ]] && break
        sleep 0.2
    done
    sleep 1
    xdotool mousemove --window "$window" 120 172 click 1
    sleep 11
}

"$SIM" --log >"$TMP/linux.log" &
sleep 0.5
QT_QPA_PLATFORM=xcb "$ROOT/build/transmitter-config" --port "$(head -n1 "$TMP/linux.log")" &
APP=$!
poll
kill "$APP"
median "$TMP/linux.log" "Linux (Qt, timerfd)"

"$SIM" --log >"$TMP/wine.log" &
sleep 0.5
wineboot -i >/dev/null 2>&1
wine reg add 'HKLM\Software\Wine\Ports' /v COM11 /d "$(head -n1 "$TMP/wine.log")" /f >/dev/null 2>&1
wineserver -k
wineserver -w
wine "$ROOT/build-windows/transmitter-config.exe" --port COM11 >/dev/null 2>&1 &
poll
median "$TMP/wine.log" "Windows under Wine (waitable timers)"
wineserver -k
wineserver -w

# Milliseconds from starting the command to a visible window of the program's title; the look
# is repeated every few milliseconds (an xdotool run each).
shown_after() {
    local start now
    start=$(date +%s%N)
    # A session of its own, so that the whole of it goes at the end: wine's launcher is not the
    # process that shows the window.
    setsid "$@" >/dev/null 2>&1 &
    local pid=$!
    until xdotool search --onlyvisible --name "RS485" >/dev/null 2>&1; do
        sleep 0.002
    done
    now=$(date +%s%N)
    echo $(((now - start) / 1000000))
    kill -- "-$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    while xdotool search --onlyvisible --name "RS485" >/dev/null 2>&1; do
        sleep 0.05
    done
}
startup() {
    local label="$1"
    shift
    local runs=()
    for _ in 1 2 3 4 5; do
        runs+=("$(shown_after "$@")")
    done
    printf '%s start-up, start to window shown: median %s ms (runs: %s)\n' "$label" \
        "$(printf '%s\n' "${runs[@]}" | sort -n | sed -n 3p)" "${runs[*]}"
}
startup "Linux (Qt)" env QT_QPA_PLATFORM=xcb "$ROOT/build/transmitter-config" --demo
wineserver -p
wine "$ROOT/build-windows/transmitter-cli.exe" --version >/dev/null 2>&1  # the server warmed up
startup "Windows under Wine" wine "$ROOT/build-windows/transmitter-config.exe" --demo

for f in "$ROOT"/build-windows/package/*/*.exe "$ROOT"/build-windows/package/*.exe \
    "$ROOT"/build-windows/package/*.zip; do
    printf '%s: %s bytes\n' "${f#"$ROOT"/}" "$(stat -c %s "$f")"
done
