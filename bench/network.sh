#!/usr/bin/env bash
# The window's wire timing through an Ethernet serial server beside a serial port, one run on a
# virtual display, against the same simulated transmitter each time: on its pseudo-terminal, on
# its TCP port raw, and with RFC 2217, all on loopback. For each: the median |period - 200 ms| of
# the polling the device hears, and the median delay from the configuration reply to the status
# request (the 50 ms silence plus the way back and forth), over 读取参数 clicked five times.
# Needs build/ (scripts/build.sh). Usage: bench/network.sh [SECONDS_OF_POLLING]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SECONDS_POLLED="${1:-10}"
SIM="$ROOT/build/tools/transmitter-sim/transmitter-sim"
TMP="$(mktemp -d)"
Xvfb :79 -screen 0 1280x800x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
export DISPLAY=:79
cleanup() {
    kill "$XVFB" 2>/dev/null || true
    pkill -f "$SIM --log" 2>/dev/null || true
    rm -rf "$TMP"
}
trap cleanup EXIT
sleep 0.5

figures() {
    python3 - "$1" "$2" <<'PY'
import sys, statistics
READ_STATUS = "00 03 00 17 00 03 B4 1E"
lines = [l.split() for l in open(sys.argv[1]).read().splitlines()[1:]]
events = [(float(f[0]), f[1], " ".join(f[2:]).replace(" ok", "")) for f in lines if len(f) > 2]
ticks = [t for t, d, data in events if d == "rx" and data != READ_STATUS]
periods = [abs((b - a) * 1000 - 200) for a, b in zip(ticks, ticks[1:]) if (b - a) * 1000 < 300]
delays, reply = [], None
for t, d, data in events:
    if d == "tx" and data.startswith("00 03 2A"):
        reply = t
    elif d == "rx" and data == READ_STATUS and reply is not None:
        delays.append((t - reply) * 1000)
        reply = None
print(f"{sys.argv[2]:<24} {len(periods):>4} periods, median |period - 200 ms| = "
      f"{statistics.median(periods):.3f} ms; configuration reply to status request: median "
      f"{statistics.median(delays):.3f} ms over {len(delays)}")
PY
}

# measure LABEL SIM-OPTIONS...: starts the simulator, opens its port in the window, polls, clicks
# 读取参数 five times, and prints the figures.
measure() {
    local label="$1"
    shift
    "$SIM" --log "$@" >"$TMP/sim.log" &
    local sim=$!
    local port=""
    for _ in $(seq 50); do
        port="$(head -n1 "$TMP/sim.log" 2>/dev/null || true)"
        [[ -n "$port" ]] && break
        sleep 0.1
    done
    QT_QPA_PLATFORM=xcb "$ROOT/build/transmitter-config" --port "$port" >/dev/null 2>&1 &
    local app=$!
    local window=""
    for _ in $(seq 100); do
        window="$(xdotool search --onlyvisible --name "RS485" 2>/dev/null | head -n1 || true)"
        [[ -n "$window" ]] && break
        sleep 0.1
    done
    sleep 1
    xdotool mousemove --window "$window" 120 172 click 1  # 打开串口
    sleep "$SECONDS_POLLED"
    for _ in 1 2 3 4 5; do
        xdotool mousemove --window "$window" 120 252 click 1  # 读取参数
        sleep 1
    done
    kill "$app"
    wait "$app" 2>/dev/null || true
    kill "$sim"
    wait "$sim" 2>/dev/null || true
    figures "$TMP/sim.log" "$label"
}

echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
measure "serial (pseudo-terminal)"
measure "raw TCP" --listen tcp://127.0.0.1:0
measure "RFC 2217" --listen rfc2217://127.0.0.1:0
