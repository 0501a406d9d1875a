#!/usr/bin/env bash
# What a user waits for when the program is started for one job and ends: against the ffmpeg
# command line doing the same job in the same run, the commands taking turns, medians printed.
#   - one grab at 0:00:37:12 of the 60 s 1080p H.264 clip (GOP 250, B-frames):
#     `stillpick +open=F +position=0:00:37:12 +grab +quit` (offscreen, a fresh settings store)
#     against `ffmpeg -ss 37.48 -i F -frames:v 1`, `stillpick-probe grab` and, when installed,
#     mpv writing that frame (--vo=image): wall time, the ratio to ffmpeg, peak resident memory;
#   - `stillpick +quit` with nothing to do, beside `ffmpeg -version` and `mpv --version` (the
#     libraries loaded, nothing else);
#   - a folder of 10 files, one grab each: one stillpick running a script over them, and a shell
#     loop starting stillpick for each file, against a shell loop of ffmpeg.
# --with-mpv installs mpv first (apt-get) when it is missing. SP_BENCH_ROUNDS rounds (default
# 7); SP_BENCH_STILLPICK runs another stillpick executable (an older build, to compare). The
# machine's load is printed before and after; nothing is asserted.
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/bench_setup.sh
if [ "${1:-}" = --with-mpv ] && ! command -v mpv >/dev/null; then
    apt-get install -y mpv >/dev/null
fi
sp_bench_setup stillpick stillpick-probe
folder=$media/ten_files
mkdir -p "$folder"
for i in 0 1 2 3 4 5 6 7 8 9; do
    # Ten names of one file: every run reads the same bytes from the page cache.
    [ -e "$folder/clip_$i.mp4" ] || ln "$media/h264_1080p_60s.mp4" "$folder/clip_$i.mp4"
done
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
echo "load before: $(uptime)"
trap 'echo "load after: $(uptime)"' EXIT

python3 - "${SP_BENCH_STILLPICK:-$build/src/stillpick}" "$build/tools/stillpick-probe" "$media" \
    "${SP_BENCH_ROUNDS:-7}" <<'PY'
import os, shutil, statistics, subprocess, sys, tempfile, time

stillpick, probe = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
media, rounds = sys.argv[3], int(sys.argv[4])
clip = os.path.abspath(os.path.join(media, "h264_1080p_60s.mp4"))
folder = os.path.abspath(os.path.join(media, "ten_files"))
files = sorted(os.path.join(folder, n) for n in os.listdir(folder) if n.endswith(".mp4"))
TIMECODE, SECONDS = "0:00:37:12", "37.48"
FF = ["ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y"]
mpv = shutil.which("mpv")

def run(argv, env=None, cwd=None):
    """Wall seconds, peak resident KiB and CPU seconds (user + system) of one command."""
    start = time.monotonic()
    p = subprocess.Popen(argv, env=env, cwd=cwd, stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL)
    _, _, usage = os.wait4(p.pid, 0)
    return time.monotonic() - start, usage.ru_maxrss, usage.ru_utime + usage.ru_stime

def in_fresh_store(commands):
    """Runs `commands(out)` (a list of argv) with a fresh settings store and home folder, so
    the stills land in `out`; wall and CPU seconds (summed) and the largest peak memory."""
    home = tempfile.mkdtemp(prefix="sp-home-")
    env = dict(os.environ, HOME=home, STILLPICK_REGISTRY_DIR=os.path.join(home, "store"),
               XDG_CONFIG_HOME=os.path.join(home, ".config"))
    took, peak, cpu = 0.0, 0, 0.0
    for argv in commands(home):
        t, rss, c = run(argv, env=env, cwd=home)
        took, peak, cpu = took + t, max(peak, rss), cpu + c
    shutil.rmtree(home, ignore_errors=True)
    return took, peak, cpu

def grab(f):
    return [stillpick, "+open=" + f, "+position=" + TIMECODE, "+grab", "+quit"]

def ffmpeg_grab(f, out):
    return FF + ["-ss", SECONDS, "-i", f, "-frames:v", "1", out]

def mpv_grab(f, out):
    return [mpv, "--no-config", "--really-quiet", "--no-audio", "--hr-seek=yes",
            "--start=" + SECONDS, "--frames=1", "--vo=image", "--vo-image-format=jpg",
            "--vo-image-outdir=" + out, f]

def compare(title, jobs, reference="ffmpeg", memory=True):
    """`jobs`: (label, callable giving (seconds, peak KiB, CPU seconds)); each round runs them
    in turn. On a loaded machine the CPU times and their ratios say more than the wall times."""
    results = {label: [] for label, _ in jobs}
    for _ in range(rounds):
        for label, job in jobs:
            results[label].append(job())
    print(title)
    base = statistics.median(r[0] for r in results[reference])
    base_cpu = statistics.median(r[2] for r in results[reference])
    for label, _ in jobs:
        t = statistics.median(r[0] for r in results[label])
        cpu = statistics.median(r[2] for r in results[label])
        line = f"  {label:40s} {t * 1000:8.0f} ms  CPU {cpu * 1000:6.0f} ms"
        if label != reference:
            line += f"   / {reference}: wall {t / base:5.2f} CPU {cpu / base_cpu:5.2f}"
        if memory:
            line += f"   peak {max(r[1] for r in results[label]) / 1024:6.0f} MiB"
        print(line)

def outside(argv_of):
    """A command writing into a folder of its own."""
    def job():
        out = tempfile.mkdtemp(prefix="bench-")
        result = run(argv_of(out))
        shutil.rmtree(out, ignore_errors=True)
        return result
    return job

one_grab = [("stillpick +open +position +grab +quit", lambda: in_fresh_store(lambda home: [grab(clip)])),
            ("ffmpeg", outside(lambda out: ffmpeg_grab(clip, os.path.join(out, "f.jpg")))),
            ("stillpick-probe grab", outside(
                lambda out: [probe, "grab", clip, TIMECODE, os.path.join(out, "p.jpg")]))]
if mpv:
    one_grab.append(("mpv --vo=image", outside(lambda out: mpv_grab(clip, out))))
compare(f"One grab at {TIMECODE} of 60 s of 1080p H.264 to JPEG", one_grab)

nothing = [("stillpick +quit", lambda: in_fresh_store(lambda home: [[stillpick, "+quit"]])),
           ("ffmpeg -version", lambda: run(["ffmpeg", "-version"]))]
if mpv:
    nothing.append(("mpv --version", lambda: run([mpv, "--no-config", "--version"])))
compare("Start and quit with nothing to do", nothing, reference="ffmpeg -version")

def ffmpeg_loop():
    out = tempfile.mkdtemp(prefix="bench-")
    runs = [run(ffmpeg_grab(f, os.path.join(out, "%d.jpg" % i))) for i, f in enumerate(files)]
    shutil.rmtree(out, ignore_errors=True)
    return sum(r[0] for r in runs), 0, sum(r[2] for r in runs)

def script_over_folder(home):
    """One stillpick running a script that opens each file and grabs."""
    path = os.path.join(home, "folder.txt")
    with open(path, "w", encoding="utf-8") as f:
        for clip_path in files:
            f.write('open "%s"\nposition %s\ngrab\n' % (clip_path, TIMECODE))
        f.write("quit\n")
    return [[stillpick, "+script=" + path]]

compare(f"A folder of {len(files)} files, one grab each",
        [("stillpick, one script", lambda: in_fresh_store(script_over_folder)),
         ("stillpick, one process per file", lambda: in_fresh_store(
             lambda home: [grab(f) for f in files])),
         ("ffmpeg, one process per file", ffmpeg_loop)],
        reference="ffmpeg, one process per file", memory=False)
PY
