#!/usr/bin/env bash
# The cost of tone mapping HDR: the same 20 s of 1080p 10-bit HEVC once as HLG (BT.2020,
# tone-mapped to SDR) and once tagged as SDR BT.709 (converted directly), side by side:
# median latency of 25 steps forward and of 25 back (three probe runs each), and a precision run
# grabbing one BMP a second at maximum speed (median of three, the two files taking turns); and
# the processor time a step costs, which a loaded machine stretches much less than wall times.
#   bench/hdr_steps.sh              (Release build in SP_BENCH_BUILD, default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/bench_setup.sh
sp_bench_setup stillpick-probe
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
# clip NAME PRIMARIES TRANSFER MATRIX
clip() {
    [ -s "$media/$1" ] && return 0
    "${ff[@]}" -f lavfi -i "testsrc2=s=1920x1080:r=25:d=20" -c:v libx265 -preset ultrafast \
        -x265-params "log-level=error:keyint=50:colorprim=$2:transfer=$3:colormatrix=$4" \
        -pix_fmt yuv420p10le -color_primaries "$2" -color_trc "$3" -colorspace "$4" \
        -tag:v hvc1 -f mp4 "$media/.tmp.$1"
    mv "$media/.tmp.$1" "$media/$1"
}
clip hevc10_hlg_1080p.mp4 bt2020 arib-std-b67 bt2020nc
clip hevc10_sdr_1080p.mp4 bt709 bt709 bt709
python3 - "$build/tools/stillpick-probe" "$media" <<'PY'
import json, os, resource, shutil, statistics, subprocess, sys, tempfile, time
probe, media = sys.argv[1:]
work = tempfile.mkdtemp()
files = {"SDR": os.path.join(media, "hevc10_sdr_1080p.mp4"),
         "HLG": os.path.join(media, "hevc10_hlg_1080p.mp4")}

def probe_step(video, direction, start, count):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    out = subprocess.run([probe, "--json", "step", video, start, direction, str(count)],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return json.loads(out)["median_ms"], (after.ru_utime + after.ru_stime
                                          - before.ru_utime - before.ru_stime)

# The median wall time of 25 steps, and the processor time a step costs (all threads; opening
# and the first seek taken out by a run of one step): on a loaded machine the wall times
# stretch, the processor times much less.
def steps(video, direction, start):
    median, cpu = probe_step(video, direction, start, 26)
    _, opening = probe_step(video, direction, start, 1)
    return median, (cpu - opening) / 25 * 1000

def precision(video):
    d = os.path.join(work, "grabs")
    shutil.rmtree(d, ignore_errors=True)
    os.makedirs(d)
    start = time.perf_counter()
    subprocess.run([probe, "play", video, "--max-speed", "--grab-every", "0:00:01:00", "--out", d],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start, len(os.listdir(d))

print("== load average %.2f %.2f %.2f" % os.getloadavg())
results = {k: {"fwd": [], "back": [], "run": [], "grabs": 0, "cpu_fwd": [], "cpu_back": []}
           for k in files}
for r in range(3):
    order = list(files) if r % 2 == 0 else list(files)[::-1]
    for name in order:
        v = files[name]
        for key, direction, start in (("fwd", "--forward", "0:00:12:10"),
                                      ("back", "--back", "0:00:14:10")):
            median, cpu = steps(v, direction, start)
            results[name][key].append(median)
            results[name]["cpu_" + key].append(cpu)
        seconds, grabs = precision(v)
        results[name]["run"].append(seconds)
        results[name]["grabs"] = grabs
for name, r in results.items():
    print("%s 1080p 10-bit HEVC: forward median %.1f ms (runs %s), back median %.1f ms (runs %s),"
          " precision run %.2f s for %d grabs (runs %s)"
          % (name, statistics.median(r["fwd"]), ", ".join("%.1f" % x for x in r["fwd"]),
             statistics.median(r["back"]), ", ".join("%.1f" % x for x in r["back"]),
             statistics.median(r["run"]), r["grabs"], ", ".join("%.2f" % x for x in r["run"])))
s, h = results["SDR"], results["HLG"]
for name, r in results.items():
    print("%s processor time a step: forward %.1f ms, back %.1f ms"
          % (name, statistics.median(r["cpu_fwd"]), statistics.median(r["cpu_back"])))
print("HLG / SDR processor time a step: forward %.2f, back %.2f"
      % (statistics.median(h["cpu_fwd"]) / statistics.median(s["cpu_fwd"]),
         statistics.median(h["cpu_back"]) / statistics.median(s["cpu_back"])))
print("HLG / SDR: forward %.2f, back %.2f, precision run %.2f"
      % (statistics.median(h["fwd"]) / statistics.median(s["fwd"]),
         statistics.median(h["back"]) / statistics.median(s["back"]),
         statistics.median(h["run"]) / statistics.median(s["run"])))
print("== load average %.2f %.2f %.2f" % os.getloadavg())
PY
