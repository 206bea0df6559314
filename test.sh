#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
#   ./test.sh            normal build in build/
#   BUILD_DIR=... SANITIZE=1 ./test.sh   ASan+UBSan build
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

# Paths relative to the checkout, so that another clone's build (a CI run)
# finds its objects in the compiler cache.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
BUILD_DIR=${BUILD_DIR:-build}
SANITIZE=${SANITIZE:-0}
JOBS=${JOBS:-2}
args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "$SANITIZE" = 1 ]; then
    args+=(-DUSEROBJ_SANITIZE=ON -DUSEROBJ_BENCH=OFF)
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
    export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
fi
cmake -S . -B "$BUILD_DIR" "${args[@]}" >/dev/null
cmake --build "$BUILD_DIR" -j"$JOBS"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$JOBS" --timeout 600
