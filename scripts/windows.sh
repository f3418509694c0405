#!/usr/bin/env bash
# The Windows programs and their tests: cross-built with MinGW-w64 into build-windows/ (or
# $WINDOWS_BUILD_DIR) and run by CTest under Wine, in a throwaway Wine prefix that is removed
# afterwards, with a virtual display of its own. Installs what is missing first (as
# scripts/deps.sh does) and asks nothing.
#   scripts/windows.sh             the programs and every Windows test
#   scripts/windows.sh --package   also the installer and the portable zip, in
#                                  build-windows/package/, installed and removed again as a test
# Other arguments go to cmake's configure step.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${WINDOWS_BUILD_DIR:-$ROOT/build-windows}"
start=$SECONDS
PACKAGE=OFF
ARGS=()
for a in "$@"; do
    if [[ "$a" == "--package" ]]; then
        PACKAGE=ON
    else
        ARGS+=("$a")
    fi
done

PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev googletest
    nlohmann-json3-dev wine wine64 xvfb fonts-arphic-gbsn00lp librsvg2-bin icoutils nsis unzip
    ser2net python3)
missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if ((${#missing[@]} > 0)); then
    SUDO=""
    if [[ $(id -u) -ne 0 ]]; then
        SUDO="sudo"
    fi
    echo "Installing: ${missing[*]}"
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi

WERROR="${WERROR:-OFF}"
if [[ "${CI:-}" == "true" ]]; then
    WERROR=ON
fi
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" -DWARNINGS_AS_ERRORS="$WERROR" \
    -DWINDOWS_PACKAGES="$PACKAGE" "${ARGS[@]}" \
    >/dev/null
cmake --build "$BUILD" -j "${JOBS:-2}"

# A prefix of its own, so that nothing of an earlier run or of the user's ~/.wine counts; no
# display (console programs need none), no Mono or Gecko to offer, no debug chatter.
WINE_TMP="$(mktemp -d "${TMPDIR:-/tmp}/transmitter-wine.XXXXXX")"
export WINEPREFIX="$WINE_TMP/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
SIM_PIDS=()
XVFB_PID=""
finish() {
    wineserver -k >/dev/null 2>&1 || true
    if [[ -n "$XVFB_PID" ]]; then
        kill "$XVFB_PID" 2>/dev/null || true
    fi
    if ((${#SIM_PIDS[@]} > 0)); then
        kill "${SIM_PIDS[@]}" 2>/dev/null || true
    fi
    rm -rf "$WINE_TMP"
}
trap finish EXIT

# The window's tests need a display: a virtual one of their own, at 96 dots per inch.
for n in $(seq 90 120); do
    if [[ ! -e "/tmp/.X$n-lock" && ! -e "/tmp/.X11-unix/X$n" ]]; then
        Xvfb ":$n" -screen 0 1280x800x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        export DISPLAY=":$n"
        break
    fi
done
for _ in $(seq 50); do
    [[ -e "/tmp/.X11-unix/${DISPLAY#:}" || -e "/tmp/.X11-unix/X${DISPLAY#:}" ]] && break
    sleep 0.1
done

# One wine server for the whole run (one that stops between two tests fails the next to connect),
# and Wine's own services started now, with no terminal: a test program that started them would
# hand them its output pipe, and CTest would wait for that pipe to close. The server wants the
# prefix's directory to exist; wineboot fills it.
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1
wineboot -i </dev/null >/dev/null 2>&1

# The serial control's tests talk to simulated transmitters (the Linux program) on
# pseudo-terminals that the prefix maps to COM ports: COM7 answers, COM8 hangs up after its first
# reply. Wine reads its port map when its server starts.
SIM="${LINUX_BUILD_DIR:-$ROOT/build}/tools/transmitter-sim/transmitter-sim"
if [[ ! -x "$SIM" ]]; then
    "$ROOT/scripts/deps.sh"
    cmake -S "$ROOT" -B "${LINUX_BUILD_DIR:-$ROOT/build}" -G Ninja >/dev/null
    cmake --build "${LINUX_BUILD_DIR:-$ROOT/build}" --target transmitter-sim -j "${JOBS:-2}"
fi
SIM_PIDS=()
# serve_pty NAME OPTIONS...: a simulated transmitter on a pseudo-terminal, its path in $PTY, what
# it prints in sim-NAME.out.
serve_pty() {
    local out="$WINE_TMP/sim-$1.out"
    "$SIM" "${@:2}" >"$out" 2>&1 &
    SIM_PIDS+=($!)
    PTY=""
    for _ in $(seq 50); do
        PTY="$(head -n1 "$out" 2>/dev/null || true)"
        [[ -n "$PTY" ]] && break
        sleep 0.1
    done
}
# serve COMn OPTIONS...: one the prefix maps to a COM port.
serve() {
    serve_pty "$@"
    wine reg add 'HKLM\Software\Wine\Ports' /v "$1" /d "$PTY" /f </dev/null >/dev/null 2>&1
}
serve COM7
serve COM8 --quit-after 1
# The window's end-to-end tests: a device that logs what it hears, and one that never answers.
serve COM10 --log
serve COM9 --silent
# transmitter-cli.exe's: one that logs what it hears.
serve COM11 --log
# Ethernet serial servers: ser2net in front of simulated transmitters that log what they hear, one
# each, on free loopback ports: raw and RFC 2217 for transmitter-cli.exe, RFC 2217 for the window.
SER2NET_CONFIG="$WINE_TMP/ser2net.yaml"
: >"$SER2NET_CONFIG"
SERVERS=()
# ser2net_port NAME ACCEPTER SCHEME: TRANSMITTER_TEST_NAME is the port's address.
ser2net_port() {
    serve_pty "$1" --log
    local port
    port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
    printf 'connection: &%s\n  accepter: %s,127.0.0.1,%s\n  connector: serialdev,%s,115200n81,local\n' \
        "$1" "$2" "$port" "$PTY" >>"$SER2NET_CONFIG"
    export "TRANSMITTER_TEST_$1=$3://127.0.0.1:$port"
    SERVERS+=("$1")
}
ser2net_port SER2NET_RAW tcp tcp
ser2net_port SER2NET_RFC2217 "telnet(rfc2217),tcp" rfc2217
ser2net_port SER2NET_WINDOW "telnet(rfc2217),tcp" rfc2217
ser2net -n -d -c "$SER2NET_CONFIG" >"$WINE_TMP/ser2net.log" 2>&1 &
SIM_PIDS+=($!)
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
wineserver -p </dev/null >/dev/null 2>&1
wineboot </dev/null >/dev/null 2>&1
export TRANSMITTER_TEST_COM=COM7 TRANSMITTER_TEST_COM_HANGING_UP=COM8
TRANSMITTER_TEST_SIM_LOG="$(winepath -w "$WINE_TMP/sim-COM10.out" 2>/dev/null)"
export TRANSMITTER_TEST_SIM_LOG
TRANSMITTER_TEST_CLI_SIM_LOG="$(winepath -w "$WINE_TMP/sim-COM11.out" 2>/dev/null)"
export TRANSMITTER_TEST_CLI_SIM_LOG
for server in "${SERVERS[@]}"; do
    export "TRANSMITTER_TEST_${server}_LOG=$(winepath -w "$WINE_TMP/sim-$server.out" 2>/dev/null)"
done

# A test that fails runs once more: Wine itself now and then fails to start a program (seen: a
# test ended in 10 ms with no output at all, and passed in 60 runs after). The first failure's
# output stays in the log; a test that fails twice fails the run.
(cd "$BUILD" && ctest --output-on-failure -j "${JOBS:-2}" --timeout 120 --repeat until-pass:2)
echo "== windows.sh: $((SECONDS - start)) s"
