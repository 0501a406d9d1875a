#!/usr/bin/env bash
# Frame steps on the variable-rate clip (vfr_drops.mp4: 30 fps with frames dropped, then 15 fps):
# 25 steps forward from 0:00:00:15 and 25 back from 0:00:03:15, median latency per step over
# three runs of stillpick-probe, and with --with-mpv mpv's frame-step and frame-back-step on the
# same file in the same run (mpv installed here if missing; never by the tests).
#   bench/vfr_steps.sh [--with-mpv] [BUILD-DIR]    (default build/bench, as compare_ffmpeg.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
with_mpv=0
[ "${1:-}" = "--with-mpv" ] && with_mpv=1 && shift
build=${1:-build/bench}
probe=$build/tools/stillpick-probe
media=$build/vfrmedia
bash tools/scripts/make-test-media.sh "$media" >/dev/null
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
if [ $with_mpv = 1 ] && ! command -v mpv >/dev/null; then
    apt-get install -y -qq mpv >/dev/null 2>&1 || echo "(mpv could not be installed)"
fi
python3 - "$probe" "$media/vfr_drops.mp4" <<'PY'
import json, shutil, statistics, subprocess, sys
probe, video = sys.argv[1:]

def ours(direction, start):
    runs = []
    for _ in range(3):
        out = subprocess.run([probe, "--json", "step", video, start, direction, "25"],
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
        runs.append(json.loads(out)["median_ms"])
    return statistics.median(runs), runs

f, fr = ours("--forward", "0:00:00:15")
b, br = ours("--back", "0:00:03:15")
print("stillpick-probe: forward median %.1f ms (runs %s), back median %.1f ms (runs %s)"
      % (f, ", ".join("%.1f" % r for r in fr), b, ", ".join("%.1f" % r for r in br)))

if shutil.which("mpv"):
    sys.path.insert(0, "bench")
    from mpv_steps import median_step_ms
    print("mpv: frame-step median %.1f ms, frame-back-step median %.1f ms"
          % (median_step_ms(video, "frame-step", "0.5", "time-pos"),
             median_step_ms(video, "frame-back-step", "3.5", "time-pos")))
PY
