#!/usr/bin/env bash
# Takes a picture of the window after it has loaded the built-in simulated transmitter.
#
#   scripts/screenshot.sh [OUT.png]             (default: docs/screenshot.png)
#   scripts/screenshot.sh --windows [OUT.png]   the Windows program under Wine, frame and all
#                                               (default: docs/windows-screenshot.png)
#
# Builds if needed, starts the program in demo mode on a virtual X display, clicks "打开串口"
# the way an operator does, waits for the load and a few position polls, and saves the window's
# client area (977 x 623 pixels) as a PNG. Nothing in the program knows it is being pictured.
# With PROGRAM set (e.g. PROGRAM=/usr/bin/transmitter-config) it pictures that program instead
# of building one.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
WINDOWS=0
if [[ "${1:-}" == "--windows" ]]; then
    WINDOWS=1
    shift
    OUT="$(realpath -m "${1:-$ROOT/docs/windows-screenshot.png}")"
else
    OUT="$(realpath -m "${1:-$ROOT/docs/screenshot.png}")"
fi

"$ROOT/scripts/deps.sh"
if ((WINDOWS)); then
    # The program as scripts/windows.sh builds it, in a throwaway Wine prefix.
    WINDOWS_BUILD="${WINDOWS_BUILD_DIR:-$ROOT/build-windows}"
    if [[ ! -x "$WINDOWS_BUILD/transmitter-config.exe" ]]; then
        echo "screenshot: no $WINDOWS_BUILD/transmitter-config.exe; run scripts/windows.sh" >&2
        exit 1
    fi
    WINE_TMP="$(mktemp -d)"
    trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINE_TMP"' EXIT
    export WINEPREFIX="$WINE_TMP/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    # The prefix made without a display, its server ended: the program starts Wine's desktop anew
    # on the virtual display.
    (unset DISPLAY && wineboot -i </dev/null >/dev/null 2>&1 && wineserver -k && wineserver -w)
    PROGRAM="wine $WINDOWS_BUILD/transmitter-config.exe"
elif [[ -z "${PROGRAM:-}" ]]; then
    "$ROOT/scripts/build.sh"
    PROGRAM="${BUILD_DIR:-$ROOT/build}/transmitter-config"
fi
mkdir -p "$(dirname "$OUT")"
rm -f "$OUT"

# Runs on the virtual display. There is no window manager there, so the Qt window has no frame
# and its own X window is exactly its client area; Wine draws a Windows frame around the client
# area inside its X window.
#
# Command1 stands at Left 840, Top 2160 and is 1935 x 855 twips (15 twips a pixel): 56,144 and
# 129 x 57 pixels in the client area (977 x 623), so its middle is at 120,172.
inside() {
    local wid width height left top
    $PROGRAM --demo &
    program_pid=$!
    trap 'kill "$program_pid" 2>/dev/null || true; wait "$program_pid" 2>/dev/null || true' EXIT

    wid="$(timeout 30 xdotool search --sync --onlyvisible --name "RS485" | head -n 1)"
    if [[ -z "$wid" ]]; then
        echo "screenshot: the window did not appear" >&2
        return 1
    fi
    sleep 1  # the first paint
    # The frame's borders are equal left, right and below; the title bar adds to the top.
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    width="$WIDTH"
    height="$HEIGHT"
    left=$(((width - 977) / 2))
    top=$((height - 623 - left))
    xdotool mousemove --window "$wid" $((120 + left)) $((172 + top)) click 1
    # The pointer leaves the window, so that no button is pictured under it.
    xdotool mousemove 1279 799
    # The load ends about 0.7 s after the click; the position is then polled every 200 ms.
    sleep 2
    import -window "$wid" "$OUT"
}

# xvfb-run is a POSIX shell script, which drops exported functions: the function goes along as
# its text instead.
export PROGRAM OUT WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" \
    bash -c "set -euo pipefail; $(declare -f inside); inside"

if ! size="$(identify -format '%wx%h' "$OUT")"; then
    echo "screenshot: no picture was written" >&2
    exit 1
fi
echo "$OUT ($size)"
