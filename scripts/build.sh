#!/usr/bin/env bash
# Configures and builds into build/ (or $BUILD_DIR). Extra arguments go to cmake's configure step.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
WERROR="${WERROR:-OFF}"
if [[ "${CI:-}" == "true" ]]; then
    WERROR=ON
fi
cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" \
    -DWARNINGS_AS_ERRORS="$WERROR" "$@" >/dev/null
cmake --build "$BUILD_DIR" -j "${JOBS:-2}"
