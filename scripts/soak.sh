#!/usr/bin/env bash
# The fault soak in virtual time for HOURS simulated hours (24 by default): builds, then runs the
# soak test. SOAK_SEED=N repeats a run; the seed of every run is printed.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/scripts/build.sh" >/dev/null
SOAK_HOURS="${1:-24}" exec "${BUILD_DIR:-$ROOT/build}/tests/soak/soak_tests"
