#!/usr/bin/env bash
# Takes a picture of the window after it has loaded the built-in simulated transmitter.
#
#   scripts/screenshot.sh [OUT.png]        (default: docs/screenshot.png)
#
# Builds if needed, starts the program in demo mode on a virtual X display, clicks "打开串口"
# the way an operator does, waits for the load and a few position polls, and saves the window's
# client area (977 x 623 pixels) as a PNG. Nothing in the program knows it is being pictured.
# With PROGRAM set (e.g. PROGRAM=/usr/bin/transmitter-config) it pictures that program instead
# of building one.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
OUT="$(realpath -m "${1:-$ROOT/docs/screenshot.png}")"

"$ROOT/scripts/deps.sh"
if [[ -z "${PROGRAM:-}" ]]; then
    "$ROOT/scripts/build.sh"
    PROGRAM="${BUILD_DIR:-$ROOT/build}/transmitter-config"
fi
mkdir -p "$(dirname "$OUT")"
rm -f "$OUT"

# Runs on the virtual display. There is no window manager there, so the window has no frame and
# the window's own X window is exactly its client area.
#
# Command1 stands at Left 840, Top 2160 and is 1935 x 855 twips (15 twips a pixel): 56,144 and
# 129 x 57 pixels in the client area, so its middle is at 120,172.
inside() {
    local wid
    "$PROGRAM" --demo &
    program_pid=$!
    trap 'kill "$program_pid" 2>/dev/null || true; wait "$program_pid" 2>/dev/null || true' EXIT

    wid="$(timeout 30 xdotool search --sync --onlyvisible --pid "$program_pid" | head -n 1)"
    if [[ -z "$wid" ]]; then
        echo "screenshot: the window did not appear" >&2
        return 1
    fi
    sleep 1  # the first paint
    xdotool mousemove --window "$wid" 120 172 click 1
    # The pointer leaves the window, so that no button is pictured under it.
    xdotool mousemove 1279 799
    # The load ends about 0.7 s after the click; the position is then polled every 200 ms.
    sleep 2
    import -window "$wid" "$OUT"
}

# xvfb-run is a POSIX shell script, which drops exported functions: the function goes along as
# its text instead.
export PROGRAM OUT
xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" \
    bash -c "set -euo pipefail; $(declare -f inside); inside"

if ! size="$(identify -format '%wx%h' "$OUT")"; then
    echo "screenshot: no picture was written" >&2
    exit 1
fi
echo "$OUT ($size)"
