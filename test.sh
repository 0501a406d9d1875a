#!/usr/bin/env bash
# Installs what is missing, builds with Address and UndefinedBehavior sanitizers, runs every test.
set -euo pipefail
cd "$(dirname "$0")"
tools/scripts/deps.sh
build=${SP_TEST_BUILD_DIR:-build/asan}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSP_SANITIZE=ON \
    -DSP_BUILD_TESTS=ON -DSP_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
