# Sourced by the bench scripts (from the repository's top folder): builds `targets` in the
# Release folder $build (SP_BENCH_BUILD, default build/release; configured when new, benchmarks
# on), and makes $media ($build/grabmedia) with the 60 s 1080p H.264 test clip the benches share.
# Sets build, media and ff (the quiet ffmpeg command line).
sp_bench_setup() {
    build=${SP_BENCH_BUILD:-build/release}
    if [ ! -f "$build/CMakeCache.txt" ]; then
        cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSP_BUILD_TESTS=OFF \
            -DSP_BUILD_BENCH=ON >/dev/null
    fi
    cmake --build "$build" -j "$(nproc)" --target "$@" >/dev/null
    media=$build/grabmedia
    mkdir -p "$media"
    ff=(ffmpeg -hide_banner -nostdin -loglevel error -y)
    if [ ! -s "$media/h264_1080p_60s.mp4" ]; then
        "${ff[@]}" -f lavfi -i "testsrc2=s=1920x1080:r=25:d=60" -c:v libx264 -preset veryfast \
            -g 250 -bf 3 -pix_fmt yuv420p -f mp4 "$media/.tmp.mp4"
        mv "$media/.tmp.mp4" "$media/h264_1080p_60s.mp4"
    fi
}
