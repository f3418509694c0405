#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Widget tests use the offscreen platform.
#   scripts/test.sh            the whole suite (build/)
#   scripts/test.sh --all      then the whole suite again under AddressSanitizer and
#                              UndefinedBehaviorSanitizer (build-asan/), then every fuzz target
#                              for 30 s (build-fuzz/, two at a time), then the Windows build,
#                              its tests under Wine and its packages (build-windows/,
#                              scripts/windows.sh --package). CI=true implies --all.
# Other arguments go to cmake's configure step of build/. Each stage prints its time.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ALL=0
if [[ "${CI:-}" == "true" ]]; then
    ALL=1
fi
ARGS=()
for a in "$@"; do
    if [[ "$a" == "--all" ]]; then
        ALL=1
    else
        ARGS+=("$a")
    fi
done

stage() {
    local name="$1"
    shift
    local start=$SECONDS
    echo "== $name"
    "$@"
    echo "== $name: $((SECONDS - start)) s"
}

suite() {
    local dir="$1"
    shift
    BUILD_DIR="$dir" "$ROOT/scripts/build.sh" "$@"
    (cd "$dir" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "${JOBS:-2}")
}

"$ROOT/scripts/deps.sh"
stage "tests" suite "${BUILD_DIR:-$ROOT/build}" "${ARGS[@]}"
if ((ALL)); then
    # Leaks are reported too; a sanitizer report fails the test it happens in.
    export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
    export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
    export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0}"
    # -O0 without debug information: sanitizer reports still name the functions, and the
    # instrumented tests build in half the time they take at -O1 (105 s against 215 s here).
    stage "tests under ASan+UBSan" suite "$ROOT/build-asan" -DSANITIZE=address,undefined \
        -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS=-O0 -DBUILD_BENCH=OFF
    stage "fuzz targets, 30 s each" env FUZZ_JOBS=2 "$ROOT/scripts/fuzz.sh" all 30
    stage "Windows programs, tests and packages (Wine)" "$ROOT/scripts/windows.sh" --package
fi
