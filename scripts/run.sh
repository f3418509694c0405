#!/usr/bin/env bash
# Installs what is missing, builds, and starts the tool. Without arguments it starts in demo
# mode on the built-in simulated transmitter; any arguments are passed to the tool instead.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/scripts/deps.sh"
"$ROOT/scripts/build.sh"
if (($# == 0)); then
    set -- --demo
fi
exec "${BUILD_DIR:-$ROOT/build}/transmitter-config" "$@"
