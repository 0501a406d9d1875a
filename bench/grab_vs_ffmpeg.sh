#!/usr/bin/env bash
# The whole program grabbing headless (stillpick offscreen, run by a script) against the ffmpeg
# command line doing the same work on the same file, in the same run, the two taking turns:
#   - precision run every second over 60 s of 1080p H.264, JPEG at the default quality, against
#     ffmpeg's select=not(mod(n\,25)) writing JPEGs;
#   - normal run every 10 s over the same file against one `ffmpeg -ss T` per shot;
#   - every frame of 30 s of PAL MPEG-2 to JPEG (precision run in frames) against ffmpeg
#     writing every frame as JPEG, also as typed with no option (its rate control, 200 kb/s,
#     makes small, coarse files): images per second;
#   - the size and PSNR of one grabbed JPEG at the default quality (50) beside libjpeg's own
#     (ImageMagick's libjpeg writer) at the same quality, both against the same BMP grab;
#   - with a bench build, the JPEG encoder alone on the PAL pictures, Huffman tables per
#     picture against tables carried over (time and size).
# Medians of SP_BENCH_ROUNDS rounds (default 3), wall and CPU time (user + system, all threads),
# and the ratios of the wall times are printed; nothing is asserted.
# ffmpeg's mjpeg encoder has no libjpeg quality scale. Each run is timed against ffmpeg at
# -q:v 5 and against ffmpeg making files like ours: scaled to our image size (bicubic) when it
# differs, at the -q:v whose bytes per image (over the first 50 frames) come nearest ours.
# -q:v 5 makes files more than 1.5 times as large as ours, so it codes more bytes.
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/bench_setup.sh
sp_bench_setup stillpick
if [ ! -s "$media/pal_mpeg2_30s.mpg" ]; then
    "${ff[@]}" -f lavfi -i "testsrc2=s=720x576:r=25:d=30" -c:v mpeg2video -b:v 6M -g 12 -bf 2 \
        -aspect 4:3 -f vob "$media/.tmp.mpg"
    mv "$media/.tmp.mpg" "$media/pal_mpeg2_30s.mpg"
fi
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
echo "load before: $(uptime)"
trap 'echo "load after: $(uptime)"' EXIT

python3 - "$build/src/stillpick" "$media" "${SP_BENCH_ROUNDS:-3}" <<'PY'
import json, os, re, resource, shutil, statistics, subprocess, sys, tempfile, time

stillpick, media, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
h264 = os.path.abspath(os.path.join(media, "h264_1080p_60s.mp4"))
mpeg2 = os.path.abspath(os.path.join(media, "pal_mpeg2_30s.mpg"))
FF = ["ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y"]

def jpegs(folder):
    """The number of JPEG files in `folder` and their total size in bytes."""
    names = [n for n in os.listdir(folder) if n.endswith(".jpg")]
    return len(names), sum(os.path.getsize(os.path.join(folder, n)) for n in names)

def fresh(name):
    folder = tempfile.mkdtemp(prefix=name + "-")
    return folder

# The images of the timed runs stay until their comparison ends: deleting hundreds of files
# just before the next run makes its file creations slower (ext4 passes over the inodes it
# freed in the last half minute), which no user's grab meets.
written = []

def remove_written():
    for folder in written:
        shutil.rmtree(folder, ignore_errors=True)
    written.clear()

def children_cpu():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime

def seed_settings(store, values):
    """A settings store of its own, with `values` (name -> number) changed."""
    env = dict(os.environ, STILLPICK_REGISTRY_DIR=store)
    subprocess.run([stillpick, "+q"], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)
    path = os.path.join(store, "HKEY_CURRENT_USER.json")
    data = json.load(open(path, encoding="utf-8"))
    def walk(node):
        for v in node.get("values", []):
            if v["name"] in values:
                v["data"] = values[v["name"]]
        for k in node.get("keys", []):
            walk(k)
    walk(data)
    json.dump(data, open(path, "w", encoding="utf-8"), ensure_ascii=False, indent=1)
    return env

def jpeg_size(path):
    r = subprocess.run(["identify", "-format", "%w %h", path], stdout=subprocess.PIPE,
                       stderr=subprocess.DEVNULL, text=True)
    parts = r.stdout.split()
    return (int(parts[0]), int(parts[1])) if len(parts) == 2 else None

def stillpick_run(video, lines, values, seen=None):
    store, out = fresh("settings"), fresh("stills")
    env = seed_settings(store, values)
    script = os.path.join(store, "job.txt")
    with open(script, "w", encoding="utf-8") as f:
        f.write('dest_folder "%s"\nrootname shot\nadd_num 0001\nconfirm false\njpeg 50\n'
                'open "%s"\n' % (out, video))
        f.write("\n".join(lines) + "\nquit\n")
    start, cpu = time.monotonic(), children_cpu()
    subprocess.run([stillpick, "+script=" + script], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)
    took, cpu = time.monotonic() - start, children_cpu() - cpu
    images, size = jpegs(out)
    if seen is not None and images:
        seen["size"] = jpeg_size(os.path.join(out, sorted(os.listdir(out))[0]))
    shutil.rmtree(store, ignore_errors=True)
    written.append(out)
    return took, images, size, cpu

def ffmpeg_run(commands):
    out = fresh("ffmpeg")
    start, cpu = time.monotonic(), children_cpu()
    for c in commands(out):
        subprocess.run(FF + c, check=False)
    took, cpu = time.monotonic() - start, children_cpu() - cpu
    images, size = jpegs(out)
    written.append(out)
    return took, images, size, cpu

def compare(title, ours, theirs, per_image=False, labels=("ffmpeg",)):
    """`theirs`: one command or a list of them (labelled by `labels`), each taking its turn
    after ours in every round."""
    theirs = theirs if isinstance(theirs, list) else [theirs]
    a, b = [], [[] for _ in theirs]
    for _ in range(rounds):
        a.append(ours())
        for runs, run in zip(b, theirs):
            runs.append(run())
    remove_written()
    ta = statistics.median(r[0] for r in a)
    na = a[0][1]
    print(f"{title}")
    print(f"  stillpick {ta:7.2f} s  {na:5d} images  ({na / ta:6.1f} images/s)  "
          f"{a[0][2] / max(na, 1):.0f} bytes per image  "
          f"CPU {statistics.median(r[3] for r in a):.2f} s")
    for label, runs in zip(labels, b):
        tb, nb = statistics.median(r[0] for r in runs), runs[0][1]
        print(f"  {label} {tb:7.2f} s  {nb:5d} images  ({nb / tb:6.1f} images/s)  "
              f"{runs[0][2] / max(nb, 1):.0f} bytes per image  "
              f"CPU {statistics.median(r[3] for r in runs):.2f} s")
        if per_image:
            print(f"    ratio (stillpick images/s over these): {(na / ta) / (nb / tb):.2f}")
        else:
            print(f"    ratio (stillpick time over this): {ta / tb:.2f}")

def video_size(video):
    r = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                        "stream=width,height", "-of", "csv=p=0", video],
                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    w, _, h = r.stdout.strip().partition(",")
    return (int(w), int(h)) if w.isdigit() and h.isdigit() else None

def matching_quality(video, size, target_bytes, frames=50):
    """ffmpeg's -q:v whose JPEGs of the first `frames` frames, scaled to `size`, come nearest
    `target_bytes` per image."""
    best, native = None, video_size(video)
    for q in range(2, 32):
        out = fresh("quality")
        subprocess.run(FF + ["-i", video, "-an", "-frames:v", str(frames)] +
                       scaled(size, native) +
                       ["-q:v", str(q), os.path.join(out, "s_%03d.jpg")], check=False)
        n, total = jpegs(out)
        shutil.rmtree(out, ignore_errors=True)
        if not n:
            continue
        gap = abs(total / n - target_bytes)
        if best is None or gap < best[1]:
            best = (q, gap)
        if total / n < target_bytes:
            break
    return best[0] if best else 5

def scale_filters(size, native):
    return [] if size == native else ["scale=%d:%d:flags=bicubic" % size]

def scaled(size, native):
    filters = scale_filters(size, native)
    return ["-vf"] + filters if filters else []

def reference(video, lines, values, native):
    """Our image size and bytes per image for a run, and ffmpeg's -q:v for that size."""
    seen = {}
    _, images, total, _ = stillpick_run(video, lines, values, seen)
    remove_written()
    size = seen.get("size") or native
    return size, matching_quality(video, size, total / max(images, 1))

precise = {"Mode Precision": 1, "Valeur Intervallomètre": 1, "Unités Intervallomètre": 1}
frames = {"Mode Precision": 1, "Valeur Intervallomètre": 1, "Unités Intervallomètre": 0}
hd_size, hd_q = reference(h264, ["intervallo"], precise, (1920, 1080))
pal_size, pal_q = reference(mpeg2, ["intervallo"], frames, (720, 576))
hd_labels = ("ffmpeg -q:v 5", "ffmpeg -q:v %d, %d x %d" % (hd_q, *hd_size))

def every_second(q, size):
    return lambda: ffmpeg_run(lambda out: [
        ["-i", h264, "-an", "-vf", ",".join([r"select=not(mod(n\,25))"] +
                                            scale_filters(size, (1920, 1080))),
         "-vsync", "vfr", "-q:v", str(q), os.path.join(out, "s_%04d.jpg")]])

def every_ten_seconds(q, size):
    return lambda: ffmpeg_run(lambda out: [
        ["-ss", str(t), "-i", h264, "-an", "-frames:v", "1"] + scaled(size, (1920, 1080)) +
        ["-q:v", str(q), os.path.join(out, "s_%02d.jpg" % t)] for t in range(0, 61, 10)])

compare("Precision run every second, 60 s of 1080p H.264 to JPEG",
        lambda: stillpick_run(h264, ["intervallo"], precise),
        [every_second(5, (1920, 1080)), every_second(hd_q, hd_size)], labels=hd_labels)
compare("Normal run every 10 s, 60 s of 1080p H.264 to JPEG",
        lambda: stillpick_run(h264, ["intervallo 10seconds"], {}),
        [every_ten_seconds(5, (1920, 1080)), every_ten_seconds(hd_q, hd_size)],
        labels=hd_labels)
compare("Every frame of 30 s of PAL MPEG-2 to JPEG",
        lambda: stillpick_run(mpeg2, ["intervallo"], frames),
        [lambda: ffmpeg_run(lambda out: [["-i", mpeg2, "-an", os.path.join(out, "s_%05d.jpg")]]),
         lambda: ffmpeg_run(lambda out: [["-i", mpeg2, "-an", "-q:v", "5",
                                          os.path.join(out, "s_%05d.jpg")]]),
         lambda: ffmpeg_run(lambda out: [["-i", mpeg2, "-an"] + scaled(pal_size, (720, 576)) +
                                         ["-q:v", str(pal_q), os.path.join(out, "s_%05d.jpg")]])],
        per_image=True,
        labels=("ffmpeg at its defaults, 720 x 576", "ffmpeg -q:v 5, 720 x 576",
                "ffmpeg -q:v %d, %d x %d" % (pal_q, *pal_size)))

# One frame as BMP (the reference) and as our JPEG; libjpeg's JPEG of that BMP.
store, out = fresh("settings"), fresh("quality")
env = seed_settings(store, {"Forcer Aspect Ratio": 3})
script = os.path.join(store, "job.txt")
with open(script, "w", encoding="utf-8") as f:
    f.write('dest_folder "%s"\nrootname shot\nadd_num 0001\nconfirm false\nopen "%s"\n'
            'position 0:00:10:00\nbmp\ngrab\njpeg 50\ngrab\nquit\n' % (out, h264))
subprocess.run([stillpick, "+script=" + script], env=env, stdout=subprocess.DEVNULL,
               stderr=subprocess.DEVNULL, check=False)
bmp, ours = os.path.join(out, "shot_0001.bmp"), os.path.join(out, "shot_0002.jpg")
theirs = os.path.join(out, "libjpeg.jpg")
if os.path.exists(bmp) and os.path.exists(ours):
    subprocess.run(["convert", bmp, "-quality", "50", theirs], check=False)
    def psnr(jpeg):
        r = subprocess.run(["compare", "-metric", "PSNR", bmp, jpeg, "null:"],
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        return (r.stderr or r.stdout).strip().split()[0]
    print("One 1080p frame as JPEG at quality 50, against its BMP grab")
    print(f"  stillpick {os.path.getsize(ours):8d} bytes  PSNR {psnr(ours)} dB")
    if os.path.exists(theirs):
        print(f"  libjpeg   {os.path.getsize(theirs):8d} bytes  PSNR {psnr(theirs)} dB")
else:
    print("One 1080p frame: the grab did not write its images")
shutil.rmtree(store, ignore_errors=True)
shutil.rmtree(out, ignore_errors=True)
PY

# The encoder alone on the PAL file's pictures (4:3 grabs): Huffman tables computed for each
# picture (single grabs) against tables carried from picture to picture (runs).
cmake --build "$build" -j "$(nproc)" --target bench_jpeg_encoder >/dev/null 2>&1 || true
if [ -x "$build/bench/bench_jpeg_encoder" ]; then
    echo "JPEG encoder alone, PAL pictures at 720 x 540, quality 50"
    "$build/bench/bench_jpeg_encoder" "$media/pal_mpeg2_30s.mpg" 200 720 540 50 | sed 's/^/  /'
fi
