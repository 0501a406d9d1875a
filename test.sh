#!/usr/bin/env bash
# The whole test suite, as CI runs it. Installs what is missing, then runs these steps:
#
#   asan     everything built with Address and UndefinedBehavior sanitizers; every test runs
#            in a process of its own, in parallel (CTest).
#   release  the engine tests (graph, outside filters, program filters) built in Release, where
#            picture memory maps large pages (the sanitizers never let it); each program runs
#            whole, in shuffled order, so a test that passes only alone in its process shows up.
#            Then the Debian package is made from the same tree and checked
#            (tests/tools/package_test.sh).
#   tsan     the streaming tests built with ThreadSanitizer (graph threads, allocators, message
#            targets, the bitmap filter), run whole. It builds about as much as the release step
#            (117 translation units) and runs in about a minute.
#
# SP_TEST_STEPS picks the steps (default "asan release tsan"); arguments go to the asan step's
# ctest (e.g. -R Demuxer). SP_TEST_BUILD_DIR moves the asan build (default build/asan); the
# others go to build/release and build/tsan. Every step prints how long it took.
set -euo pipefail
cd "$(dirname "$0")"
tools/scripts/deps.sh
steps=${SP_TEST_STEPS:-asan release tsan}
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

elapsed() { # elapsed STEP START
    echo "== $1 took $(($(date +%s) - $2)) s"
}

configure() { # configure DIR CMAKE-ARGS...
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DSP_BUILD_TESTS=ON -DSP_BUILD_BENCH=OFF "$@" >/dev/null
}

# run_whole BUILD PROGRAM...: each test program once as one process, in shuffled order (the
# seed is printed, --gtest_random_seed=N repeats an order).
run_whole() {
    local build=$1 failed=0
    shift
    for program in "$@"; do
        echo "-- $program"
        "$build/tests/$program" --gtest_shuffle --gtest_brief=1 || failed=1
    done
    return $failed
}

step_asan() {
    local build=${SP_TEST_BUILD_DIR:-build/asan}
    configure "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSP_SANITIZE=ON -DSP_TSAN=OFF
    cmake --build "$build" -j "$jobs"
    ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0} \
        LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0} \
        UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
        ctest --test-dir "$build" --output-on-failure -j "$jobs" "$@"
}

step_release() {
    local build=build/release
    local programs=(test_graph test_outside test_filters)
    configure "$build" -DCMAKE_BUILD_TYPE=Release -DSP_SANITIZE=OFF -DSP_TSAN=OFF
    cmake --build "$build" -j "$jobs" --target "${programs[@]}" stillpick stillpick-probe testmedia >/dev/null
    local failed=0
    run_whole "$build" "${programs[@]}" || failed=1
    echo "-- package"
    tests/tools/package_test.sh || failed=1
    return $failed
}

step_tsan() {
    local build=build/tsan
    local programs=(test_graph test_filters)
    configure "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSP_SANITIZE=OFF -DSP_TSAN=ON
    cmake --build "$build" -j "$jobs" --target "${programs[@]}" >/dev/null
    TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp} \
        run_whole "$build" "${programs[@]}"
}

for step in $steps; do
    start=$(date +%s)
    echo "== $step"
    case $step in
    asan) step_asan "$@" ;;
    release) step_release ;;
    tsan) step_tsan ;;
    *)
        echo "test.sh: unknown step $step (asan, release, tsan)" >&2
        exit 2
        ;;
    esac
    elapsed "$step" "$start"
done
