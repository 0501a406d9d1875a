#!/usr/bin/env bash
# Whole-process comparisons with the ffmpeg command line, same file, same run:
#   - decoding a 1080p H.264 file to RGB32 through the graph with no clock, against
#     `ffmpeg -i FILE -pix_fmt bgra -f null -`;
#   - grabbing one frame in the middle of that file (keyframe every 250 frames), against
#     `ffmpeg -ss T -i FILE -frames:v 1 out.bmp`;
#   - 25 backward frame steps from the middle: median latency per step.
# Then the Google Benchmark programs. Figures are printed; nothing is asserted.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/scripts/deps.sh
build=build/bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSP_BUILD_BENCH=ON \
    -DSP_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
media=$build/benchmedia
bash tools/scripts/make-test-media.sh --bench "$media" >/dev/null
file=$media/bench_1080p.mp4
probe=$build/tools/stillpick-probe
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
calc() { python3 -c "print($1)"; }
elapsed() { calc "$2 - $1"; }
# Median wall time of a command run N times (N odd).
median() {
    local runs=$1 times=() run=0
    shift
    while [ $run -lt "$runs" ]; do
        run=$((run + 1))
        local t0 t1
        t0=$(now)
        "$@" >/dev/null 2>&1
        t1=$(now)
        times+=("$(elapsed "$t0" "$t1")")
    done
    printf '%s\n' "${times[@]}" | sort -g | sed -n "$(((runs + 1) / 2))p"
}

frames=$(ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets \
    -of csv=p=0 "$file")

echo "== Decoding 1080p H.264 to RGB32, no clock ($frames frames)"
theirs_s=$(median 3 ffmpeg -nostdin -i "$file" -pix_fmt bgra -f null -)
theirs=$(calc "$frames / $theirs_s")
decode=$("$build/bench/bench_decode" "$file" | python3 -c 'import json,sys; print(json.load(sys.stdin)["fps"])')
play=$("$probe" --json play "$file" --max-speed 2>/dev/null | python3 -c \
    'import json,sys; print(json.load(sys.stdin)["fps"])')
printf 'ffmpeg -pix_fmt bgra -f null (whole process): %.1f fps\n' "$theirs"
printf 'graph: splitter, decoder, RGB32 sink:           %.1f fps  ratio %.2f (goal >= 0.9)\n' \
    "$decode" "$(calc "$decode / $theirs")"
printf 'stillpick-probe play --max-speed (full chain):  %.1f fps  ratio %.2f (goal >= 0.85)\n' \
    "$play" "$(calc "$play / $theirs")"

echo "== One frame in the middle (10 s, keyframe every 250 frames)"
# The two take turns (which goes first alternates), so that a slow spell of the machine, such as
# the one right after the decoding runs above, weighs on both alike.
python3 - "$probe" "$file" "$work" <<'PY'
import os, statistics, subprocess, sys, time
probe, video, work = sys.argv[1:]
def timed(command):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start
ours, theirs = [], []
for run in range(15):
    image = os.path.join(work, "out-%d.bmp" % run)  # a new image each time, as a user's grabs
    mine = lambda: ours.append(timed([probe, "grab", video, "0:00:10:00", image + ".ours.bmp"]))
    other = lambda: theirs.append(
        timed(["ffmpeg", "-nostdin", "-ss", "10", "-i", video, "-frames:v", "1", image]))
    (mine, other)[run % 2]()
    (other, mine)[run % 2]()
again = os.path.join(work, "again.bmp")
replacing = [timed([probe, "grab", video, "0:00:10:00", again, "--overwrite"]) for _ in range(5)][1:]
o, t = statistics.median(ours), statistics.median(theirs)
print("stillpick-probe grab: %.3f s (median of 15)" % o)
print("ffmpeg -ss 10:         %.3f s" % t)
print("ratio (time, goal <= 1): %.2f" % (o / t))
print("stillpick-probe grab over an existing image (flushed to the disk first): %.3f s"
      % statistics.median(replacing))
PY

echo "== 25 backward frame steps from 0:00:10:00"
"$probe" --json step "$file" 0:00:10:00 --back 25 2>/dev/null | python3 -c \
    'import json,sys; r=json.load(sys.stdin); print("median per step: %.1f ms, final %s" % (r["median_ms"], r["timecode"]))'

for b in bench_graph bench_filters bench_bitmap_filter; do
    [ -x "$build/bench/$b" ] || continue
    echo "== $b"
    "$build/bench/$b" --benchmark_min_time=0.5 2>/dev/null | sed -n '/^Benchmark/,$p'
done
