#!/usr/bin/env bash
# Whole-process comparisons with the ffmpeg command line, same file, same run, on a file like
# the ones users bring: 1080p H.264 with 3 B-frames and a key frame every 250 frames, AC-3
# sound, the picture starting a few milliseconds after the sound (bench_1080p_ac3.mkv, 40 s):
#   - 25 frame steps forward from the middle of a GOP and 25 back from 0:00:37:00: median
#     latency per step, peak resident memory of the process stepping back;
#   - decoding to RGB32 (`play --max-speed`) against `ffmpeg -i F -an -pix_fmt bgra -f null -`;
#   - precision grabs every second to BMP against ffmpeg's `select=not(mod(n\,25))` to BMP;
#   - one grab 187 frames after its key frame against `ffmpeg -ss`;
#   - graph decoding alone (splitter, decoder, RGB32 sink) on the older bench file.
# The commands of each pair take turns and the medians are printed with their ratios; nothing
# is asserted. With --with-mpv, mpv is installed (if missing) to print its step latencies too.
# Then the Google Benchmark programs.
set -euo pipefail
cd "$(dirname "$0")/.."
with_mpv=0
[ "${1:-}" = "--with-mpv" ] && with_mpv=1
tools/scripts/deps.sh
build=build/bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSP_BUILD_BENCH=ON \
    -DSP_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
media=$build/benchmedia
bash tools/scripts/make-test-media.sh --bench "$media" >/dev/null
probe=$build/tools/stillpick-probe
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
if [ $with_mpv = 1 ] && ! command -v mpv >/dev/null; then
    apt-get install -y -qq mpv >/dev/null 2>&1 || echo "(mpv could not be installed)"
fi

python3 - "$probe" "$media" "$build/bench/bench_decode" <<'PY'
import json, os, resource, shutil, statistics, subprocess, sys, tempfile, time

probe, media, bench_decode = sys.argv[1:]
video = os.path.join(media, "bench_1080p_ac3.mkv")
work = tempfile.mkdtemp()
ROUNDS = 7

def run(command, **kw):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, **kw)

def timed(command):
    start = time.perf_counter()
    run(command)
    return time.perf_counter() - start

pair_ratios = []

def alternate(mine, theirs, rounds=ROUNDS):
    """Median of each, the two taking turns (which goes first alternates). The median ratio of
    the pairs (each pair run back to back, so under the same load) goes to pair_ratios."""
    a, b = [], []
    for r in range(rounds):
        pair = [(mine, a), (theirs, b)]
        for f, out in (pair if r % 2 == 0 else pair[::-1]):
            out.append(f())
    pair_ratios[:] = [statistics.median(x / y for x, y in zip(a, b) if y)]
    return statistics.median(a), statistics.median(b)

def load():
    return "load average %.2f %.2f %.2f" % os.getloadavg()

def frame_count(path):
    out = run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-count_packets",
               "-show_entries", "stream=nb_read_packets", "-of", "csv=p=0", path]).stdout
    return int(out.decode().strip())

def steps(direction, start, count=25):
    """One probe run stepping `count` frames; its median latency and its peak memory."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    out = run([probe, "--json", "step", video, start, direction, str(count)]).stdout
    peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss  # KiB, largest child so far
    r = json.loads(out)
    return r["median_ms"], r["timecode"], peak if peak > before else None

frames = frame_count(video)
print("== %s at the start" % load())
print("== %s: %d frames, 1920x1080 H.264 (3 B-frames, GOP 250), AC-3" % (os.path.basename(video), frames))

print("== Frame steps (goals: forward < 20 ms, back < 40 ms, memory <= 800 MiB)")
fwd = [steps("--forward", "0:00:35:00") for _ in range(3)]
print("25 forward from 0:00:35:00 (mid-GOP): median %.1f ms a step (runs: %s), ends at %s"
      % (statistics.median(f[0] for f in fwd), ", ".join("%.1f" % f[0] for f in fwd), fwd[-1][1]))
# Peak memory: a fresh measurement of one process (ru_maxrss of children is the largest child).
back = []
for _ in range(3):
    out = subprocess.run(["/usr/bin/time", "-f", "%M", probe, "--json", "step", video,
                          "0:00:37:00", "--back", "25"], capture_output=True, text=True)
    r = json.loads(out.stdout)
    back.append((r["median_ms"], r["timecode"], int(out.stderr.strip().splitlines()[-1])))
print("25 back from 0:00:37:00: median %.1f ms a step (runs: %s), ends at %s"
      % (statistics.median(b[0] for b in back), ", ".join("%.1f" % b[0] for b in back), back[-1][1]))
print("peak resident memory of the stepping process: %.0f MiB"
      % (max(b[2] for b in back) / 1024))

if shutil.which("mpv"):
    # mpv's own frame steps (bench/mpv_steps.py), for comparison only.
    sys.path.insert(0, "bench")
    from mpv_steps import median_step_ms
    try:
        print("mpv frame-step from 0:00:35: %.1f ms, frame-back-step from 0:00:37: %.1f ms"
              % (median_step_ms(video, "frame-step", "35"),
                 median_step_ms(video, "frame-back-step", "37")))
    except Exception as e:
        print("(mpv timing failed: %s)" % e)

print("== Playback at maximum speed, to RGB32 (goal: ratio >= 0.95)")
def ours_play():
    r = json.loads(run([probe, "--json", "play", video, "--max-speed"]).stdout)
    return r["fps"]
def ffmpeg_play():
    return frames / timed(["ffmpeg", "-nostdin", "-i", video, "-an", "-pix_fmt", "bgra",
                           "-f", "null", "-"])
o, t = alternate(ours_play, ffmpeg_play, 5)
print("stillpick-probe play --max-speed: %.1f fps; ffmpeg -an -pix_fmt bgra -f null: %.1f fps;"
      " ratio %.2f (of pairs %.2f; %s)" % (o, t, o / t, pair_ratios[0], load()))

print("== Precision grabs every second to BMP (goal: time ratio <= 1.0)")
def clean(d):
    shutil.rmtree(d, ignore_errors=True); os.makedirs(d)
def ours_grabs():
    d = os.path.join(work, "ours"); clean(d)
    return timed([probe, "play", video, "--max-speed", "--grab-every", "0:00:01:00", "--out", d])
def ffmpeg_grabs():
    d = os.path.join(work, "theirs"); clean(d)
    return timed(["ffmpeg", "-nostdin", "-i", video, "-an", "-vf", r"select=not(mod(n\,25))",
                  "-fps_mode", "passthrough", os.path.join(d, "%05d.bmp")])
o, t = alternate(ours_grabs, ffmpeg_grabs, 5)
print("stillpick-probe --grab-every 0:00:01:00: %.2f s; ffmpeg select to BMP: %.2f s; ratio %.2f"
      " (of pairs %.2f; %s)" % (o, t, o / t, pair_ratios[0], load()))

print("== One grab 187 frames after its key frame, 0:00:37:12 (goal: time ratio <= 0.85)")
counter = [0]
def ours_grab():
    counter[0] += 1
    return timed([probe, "grab", video, "0:00:37:12", os.path.join(work, "o%d.bmp" % counter[0])])
def ffmpeg_grab():
    counter[0] += 1
    return timed(["ffmpeg", "-nostdin", "-ss", "37.48", "-i", video, "-frames:v", "1",
                  os.path.join(work, "t%d.bmp" % counter[0])])
o, t = alternate(ours_grab, ffmpeg_grab, 11)
print("stillpick-probe grab: %.3f s; ffmpeg -ss: %.3f s; ratio %.2f (of pairs %.2f; %s)"
      % (o, t, o / t, pair_ratios[0], load()))

older = os.path.join(media, "bench_1080p.mp4")
if os.path.exists(bench_decode) and os.path.exists(older):
    print("== Graph decoding alone (splitter, decoder, RGB32 sink), %s" % os.path.basename(older))
    n = frame_count(older)
    def ours_decode():
        return json.loads(run([bench_decode, older]).stdout)["fps"]
    def ffmpeg_decode():
        return n / timed(["ffmpeg", "-nostdin", "-i", older, "-pix_fmt", "bgra", "-f", "null", "-"])
    o, t = alternate(ours_decode, ffmpeg_decode, 3)
    print("graph: %.1f fps; ffmpeg: %.1f fps; ratio %.2f" % (o, t, o / t))
shutil.rmtree(work, ignore_errors=True)
PY

for b in bench_graph bench_filters bench_bitmap_filter; do
    [ -x "$build/bench/$b" ] || continue
    echo "== $b"
    "$build/bench/$b" --benchmark_min_time=0.5 2>/dev/null | sed -n '/^Benchmark/,$p'
done

if [ -x "$build/bench/bench_stretch_handoff" ]; then
    echo "== bench_stretch_handoff"
    "$build/bench/bench_stretch_handoff"
fi
