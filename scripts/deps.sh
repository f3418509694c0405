#!/usr/bin/env bash
# Installs the Debian packages the tool and its tests need, only those that are missing.
# Runs apt-get as root directly, or through sudo for a desktop user.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-serialport-dev qt6-qpa-plugins libgl-dev libfontconfig-dev
    libgtest-dev googletest
    nlohmann-json3-dev
    fonts-arphic-gbsn00lp fonts-arphic-uming fonts-noto-cjk
    mbpoll ser2net
    xvfb xauth
    xdotool imagemagick
    help2man librsvg2-bin desktop-file-utils appstream dpkg-dev file
    python3 libx11-6 libxtst6
    clang libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

SUDO=""
if [[ $(id -u) -ne 0 ]]; then
    SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
