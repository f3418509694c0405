#!/usr/bin/env bash
# Builds the Debian package: a Release build without the tests in build-package/ (or a Release
# build in $PACKAGE_BUILD_DIR), installed under /usr and packed by CPack.
#
#   scripts/package.sh           builds transmitter-config_VERSION-1_ARCH.deb and prints its path
#   scripts/package.sh --check   then installs it on this machine with apt-get, as on a fresh
#                                machine, runs the programs from /usr/bin, pictures the window
#                                in demo mode on a virtual display, validates the installed
#                                desktop entry and metainfo, and removes the package and every
#                                package its installation brought in
#
# Installs what is missing first, as the other scripts do. apt-get runs as root directly, or
# through sudo for a desktop user.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${PACKAGE_BUILD_DIR:-$ROOT/build-package}"
PACKAGE=transmitter-config

check=false
case "${1:-}" in
"") ;;
--check) check=true ;;
*)
    echo "usage: $0 [--check]" >&2
    exit 2
    ;;
esac

"$ROOT/scripts/deps.sh"
# A build directory of its own leaves the tests and the benchmark out. One given in
# PACKAGE_BUILD_DIR keeps them as they are: CI packs the Release build its tests just ran on,
# instead of building again.
testing=()
if [[ -z "${PACKAGE_BUILD_DIR:-}" ]]; then
    testing=(-DBUILD_TESTING=OFF -DBUILD_BENCH=OFF)
fi
BUILD_DIR="$BUILD_DIR" BUILD_TYPE=Release "$ROOT/scripts/build.sh" \
    -DCMAKE_INSTALL_PREFIX=/usr "${testing[@]}"
rm -f "$BUILD_DIR"/"$PACKAGE"_*.deb
(cd "$BUILD_DIR" && cpack -G DEB >/dev/null)
debs=("$BUILD_DIR"/"$PACKAGE"_*.deb)
if [[ ${#debs[@]} -ne 1 || ! -f "${debs[0]}" ]]; then
    echo "package: cpack wrote no $PACKAGE package into $BUILD_DIR" >&2
    exit 1
fi
DEB="${debs[0]}"
echo "$DEB"
dpkg-deb --field "$DEB" Version Depends
if ! $check; then
    exit 0
fi

SUDO=""
if [[ $(id -u) -ne 0 ]]; then
    SUDO="sudo"
fi
apt() {
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 -y -qq "$@"
}
is_installed() {
    dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null | grep -q '^installed$'
}

if is_installed "$PACKAGE"; then
    echo "package: $PACKAGE is installed on this machine already; the check installs and" \
        "removes it, so remove it first (apt-get remove $PACKAGE)" >&2
    exit 1
fi

# apt-get takes a path with a slash as a package file; the dependencies come from the archive.
# A dry run first names the packages the installation brings in: this one and the dependencies
# that are missing. Those, and only those, are removed again afterwards, whatever happens, so
# the machine is left as it was (and packages that others install meanwhile are left alone).
if ! plan="$(apt-get -s install "$DEB")"; then
    apt update
    plan="$(apt-get -s install "$DEB")"
fi
read -r -a brought_in <<<"$(awk '/^Inst / { print $2 }' <<<"$plan" | tr '\n' ' ')"
restore() {
    local left=()
    for p in "${brought_in[@]}"; do
        if is_installed "$p"; then
            left+=("$p")
        fi
    done
    if ((${#left[@]} > 0)); then
        echo "check: apt-get purge ${left[*]}"
        apt purge "${left[@]}" >/dev/null
    fi
    for p in "${brought_in[@]}"; do
        if is_installed "$p"; then
            echo "check: $p is still installed" >&2
            return 1
        fi
    done
}
trap 'restore || exit 1' EXIT

echo "check: apt-get install $DEB (brings in: ${brought_in[*]})"
apt install "$DEB" >/dev/null

version="$(dpkg-deb --field "$DEB" Version)"
version="${version%-*}"
# Every program in the package, the window's among them.
read -r -a programs <<<"$(dpkg -L "$PACKAGE" | grep '^/usr/bin/.' | sort | tr '\n' ' ')"
if [[ " ${programs[*]} " != *" /usr/bin/$PACKAGE "* ]]; then
    echo "check: the package has no /usr/bin/$PACKAGE, only: ${programs[*]}" >&2
    exit 1
fi
for path in "${programs[@]}"; do
    program="$(basename "$path")"
    if [[ "$(command -v "$program")" != "$path" ]]; then
        echo "check: $program is not $path but '$(command -v "$program")'" >&2
        exit 1
    fi
    printed="$("$program" --version)"
    echo "check: $program --version: $printed"
    if [[ "$printed" != "$program $version" ]]; then
        echo "check: expected '$program $version'" >&2
        exit 1
    fi
done

# The window from /usr/bin in demo mode, pictured after it has loaded the simulated device.
screenshot="$BUILD_DIR/installed-window.png"
PROGRAM=/usr/bin/transmitter-config "$ROOT/scripts/screenshot.sh" "$screenshot"

desktop="$(dpkg -L "$PACKAGE" | grep '^/usr/share/applications/.*\.desktop$')"
metainfo="$(dpkg -L "$PACKAGE" | grep '^/usr/share/metainfo/.*\.metainfo\.xml$')"
echo "check: desktop-file-validate $desktop"
desktop-file-validate "$desktop"
echo "check: appstreamcli validate --no-net $metainfo"
appstreamcli validate --no-net "$metainfo"

trap - EXIT
restore
echo "check: passed; the window is pictured in $screenshot"
