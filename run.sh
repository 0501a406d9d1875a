#!/usr/bin/env bash
# Builds (release) if needed and runs the main job; with no argument it uses a built-in sample.
set -euo pipefail
cd "$(dirname "$0")"
tools/scripts/deps.sh
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSP_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
exec tools/scripts/main-job.sh "$build" "$@"
