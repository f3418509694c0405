#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Widget tests use the offscreen platform.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/scripts/deps.sh"
"$ROOT/scripts/build.sh" "$@"
export QT_QPA_PLATFORM=offscreen
cd "${BUILD_DIR:-$ROOT/build}"
ctest --output-on-failure -j "${JOBS:-2}"
