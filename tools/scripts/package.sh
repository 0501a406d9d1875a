#!/usr/bin/env bash
# Builds the release tree (build/release, configured as ./test.sh's release step does, so both
# share it) and the Debian package of Stillpick from it; prints the package's path last.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSP_SANITIZE=OFF -DSP_TSAN=OFF \
    -DSP_BUILD_TESTS=ON -DSP_BUILD_BENCH=OFF >/dev/null
# What the install rules take: the programs, the rendered icons and the manual page.
cmake --build "$build" -j "$(nproc)" --target stillpick stillpick-probe icons manpage >/dev/null
rm -f "$build"/package/stillpick_*.deb
(cd "$build" && cpack -G DEB --config CPackConfig.cmake >cpack.log 2>&1) || {
    cat "$build/cpack.log" >&2
    exit 1
}
ls "$PWD/$build"/package/stillpick_*.deb
