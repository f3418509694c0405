#!/usr/bin/env bash
# Measures the configuration tool against the simulated transmitter and prints one table, side
# by side with mbpoll, with the absolute-deadline reference master and with a bare Qt window woken
# as often as the program (the least Qt's event loop costs), as ratios to the floor
# and each target as met or not met. Takes about two minutes after the build.
#
#   scripts/bench.sh [--ticks N] [--startups N]
#
# Builds a release build into build-bench/ (or $BENCH_BUILD_DIR), then runs everything in one go
# on a virtual X display. Exits non-zero when a target is not met. The figures depend on the
# machine and its load: the table says when it was measured and how loaded the machine was.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BENCH_BUILD_DIR:-$ROOT/build-bench}"

"$ROOT/scripts/deps.sh"
# Only the programs the benchmark runs, without the tests.
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j "${JOBS:-2}" --target transmitter-config transmitter-sim \
    bench-floor-master bench-malloc-count bench-bare-window bench-qt-wake-floor

xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" python3 "$ROOT/bench/bench.py" "$BUILD" "$@"
