#!/usr/bin/env bash
# The still formats: our encoders (bench_still_formats, each still encoded with its EXIF and
# written as the program writes it) against FFmpeg's encoders for the same formats, at
# comparable settings, on the same 1080p pictures, in one run, the two taking turns:
#   png        ours: libpng, zlib level 1, "up" filter   FFmpeg: png, its defaults
#   webp 75    ours: method 4                            FFmpeg: libwebp -quality 75
#   webp 100   ours: lossless, preset level 1            FFmpeg: libwebp -lossless 1, the same
#                                                        preset (-compression_level 1 -quality 20)
#   jxl 90     ours: distance 1.0, effort 7              FFmpeg: libjxl -distance 1 -effort 7
#   jxl 100    ours: lossless, effort 1                  FFmpeg: libjxl -distance 0 -effort 1
#   avif 60    ours: libavif (libaom), 4:2:0,            FFmpeg: libaom-av1 -still-picture 1
#              quantizer 25, speed 8                     -crf 25 -cpu-used 8, 4:2:0
#   png 16-bit ours: the same, 16-bit RGB              FFmpeg: png, rgb48be
# Two sets of ten pictures: frames of a 1080p H.264 test pattern, and the same with film-like
# grain (what a camera gives); the 16-bit PNG on a third set, ten frames of 1080p 10-bit HEVC
# with grain converted to 16-bit RGB (a still of deep video). FFmpeg encodes a set in one run
# (the avif muxer writes one picture a run, so one run per picture there); the time of the same
# run reading the pictures into nothing is taken off, so that both sides count encoding and
# writing only. Medians of
# SP_BENCH_ROUNDS rounds (default 3): wall milliseconds and CPU milliseconds (all threads) per
# still, bytes per still, and the ratios ours / FFmpeg. Nothing is asserted. SP_STILL_SETS
# names the sets to run (default "pattern grain deep").
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/bench_setup.sh
sp_bench_setup bench_still_formats
for set in pattern grain; do
    if [ ! -s "$media/stills_$set.bgra" ]; then
        grain=""
        [ "$set" = grain ] && grain=",noise=alls=10:allf=t"
        "${ff[@]}" -i "$media/h264_1080p_60s.mp4" -vf "select=not(mod(n\,137))$grain" \
            -vsync 0 -frames:v 10 -pix_fmt bgra -f rawvideo "$media/.tmp.bgra"
        mv "$media/.tmp.bgra" "$media/stills_$set.bgra"
    fi
done
if [ ! -s "$media/stills_deep.rgba64" ]; then
    # A 10-bit clip with the grain of a camera, as x265 keeps it.
    "${ff[@]}" -f lavfi -i "testsrc2=s=1920x1080:r=25:d=16,noise=alls=10:allf=t" \
        -c:v libx265 -preset ultrafast -x265-params log-level=error -pix_fmt yuv420p10le \
        -f mp4 "$media/.tmp.deep.mp4"
    "${ff[@]}" -i "$media/.tmp.deep.mp4" -vf "select=not(mod(n\,37))" -vsync 0 \
        -frames:v 10 -pix_fmt rgba64le -f rawvideo "$media/.tmp.rgba64"
    rm "$media/.tmp.deep.mp4"
    mv "$media/.tmp.rgba64" "$media/stills_deep.rgba64"
fi
echo "load before: $(uptime)"
trap 'echo "load after: $(uptime)"' EXIT

python3 - "$build/bench/bench_still_formats" "$media" "${SP_BENCH_ROUNDS:-3}" <<'PY'
import os, resource, shutil, statistics, subprocess, sys, tempfile, time

bench, media, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
W, H, N = 1920, 1080, 10
FF = ["ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y", "-threads", "2"]
RAW_IN = ["-f", "rawvideo", "-pix_fmt", "bgra", "-s", f"{W}x{H}", "-framerate", "25"]
DEEP_IN = ["-f", "rawvideo", "-pix_fmt", "rgba64le", "-s", f"{W}x{H}", "-framerate", "25"]

CASES = [  # name, our format and quality, FFmpeg's output options, extension
    ("png", "png", 0, ["-c:v", "png"], "png"),
    ("png 16-bit", "png16", 0, ["-c:v", "png", "-pix_fmt", "rgb48be"], "png"),
    ("webp 75", "webp", 75, ["-c:v", "libwebp", "-quality", "75", "-compression_level", "4"], "webp"),
    ("webp lossless", "webp", 100,
     ["-c:v", "libwebp", "-lossless", "1", "-compression_level", "1", "-quality", "20"], "webp"),
    ("jxl 90", "jxl", 90, ["-c:v", "libjxl", "-distance", "1.0", "-effort", "7"], "jxl"),
    ("jxl lossless", "jxl", 100, ["-c:v", "libjxl", "-distance", "0", "-effort", "1"], "jxl"),
    ("avif 60", "avif", 60, ["-c:v", "libaom-av1", "-still-picture", "1", "-cpu-used", "8",
                             "-crf", "25", "-pix_fmt", "yuv420p", "-row-mt", "1"], "avif"),
]

def children_cpu():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (r.ru_utime + r.ru_stime) * 1000

def timed(commands):
    """Wall and CPU milliseconds of running `commands` one after the other."""
    cpu0, t0 = children_cpu(), time.perf_counter()
    for c in commands:
        subprocess.run(c, check=True, stdout=subprocess.DEVNULL)
    return (time.perf_counter() - t0) * 1000, children_cpu() - cpu0

def split_pictures(raw, folder):
    """One raw file per picture, for the one-picture-a-run FFmpeg cases."""
    data = open(raw, "rb").read()
    size = W * H * (8 if raw.endswith(".rgba64") else 4)
    paths = []
    for i in range(len(data) // size):
        p = os.path.join(folder, f"p{i}.bgra")
        open(p, "wb").write(data[i * size:(i + 1) * size])
        paths.append(p)
    return paths

def ffmpeg_runs(raw, singles, options, ext, out):
    raw_in = DEEP_IN if raw.endswith(".rgba64") else RAW_IN
    if ext == "avif":
        encode = [FF + raw_in + ["-i", p] + options + ["-frames:v", "1", "-f", "avif",
                  os.path.join(out, f"{i}.avif")] for i, p in enumerate(singles)]
        baseline = [FF + raw_in + ["-i", p, "-f", "null", "-"] for p in singles]
    else:
        encode = [FF + raw_in + ["-i", raw] + options + [os.path.join(out, "%02d." + ext)]]
        baseline = [FF + raw_in + ["-i", raw, "-f", "null", "-"]]
    return encode, baseline

def folder_bytes(folder):
    names = os.listdir(folder)
    return sum(os.path.getsize(os.path.join(folder, n)) for n in names) / max(1, len(names))

scratch = tempfile.mkdtemp(prefix="sp-stills-")
try:
    for set_name in os.environ.get("SP_STILL_SETS", "pattern grain deep").split():
        deep_set = set_name == "deep"
        raw = os.path.join(media, "stills_deep.rgba64" if deep_set else f"stills_{set_name}.bgra")
        singles = split_pictures(raw, scratch)
        print(f"\n{set_name}: {len(singles)} pictures of {W} x {H}")
        print(f"{'case':<15}{'ours ms':>9}{'cpu':>8}{'bytes':>10}   {'FFmpeg ms':>9}{'cpu':>8}"
              f"{'bytes':>10}   {'time x':>7}{'size x':>7}")
        for name, fmt, quality, options, ext in CASES:
            if deep_set != (fmt == "png16"):
                continue
            ours, theirs = [], []
            for r in range(rounds):
                for side in ((0, 1) if r % 2 == 0 else (1, 0)):
                    out = tempfile.mkdtemp(dir=scratch)
                    if side == 0:
                        line = subprocess.run([bench, raw, str(W), str(H), fmt, str(quality), out],
                                              check=True, capture_output=True, text=True).stdout
                        wall, cpu, size = line.split()
                        ours.append((float(wall), float(cpu), int(size)))
                    else:
                        encode, baseline = ffmpeg_runs(raw, singles, options, ext, out)
                        base_wall, base_cpu = timed(baseline)
                        wall, cpu = timed(encode)
                        n = len(singles)
                        theirs.append(((wall - base_wall) / n, (cpu - base_cpu) / n,
                                       folder_bytes(out)))
                    shutil.rmtree(out, ignore_errors=True)
            med = lambda rows, i: statistics.median(x[i] for x in rows)
            o = [med(ours, i) for i in range(3)]
            t = [med(theirs, i) for i in range(3)]
            print(f"{name:<15}{o[0]:9.1f}{o[1]:8.1f}{o[2]:10.0f}   {t[0]:9.1f}{t[1]:8.1f}"
                  f"{t[2]:10.0f}   {o[0] / t[0]:7.2f}{o[2] / t[2]:7.2f}")
        for p in singles:
            os.remove(p)
finally:
    shutil.rmtree(scratch, ignore_errors=True)
PY
