#!/usr/bin/env bash
# The main job of run.sh. With a display, it starts the stillpick window with the video opened;
# without one, it describes the video and grabs a few stills from it with stillpick-probe.
# With no video given, the built-in sample (a DV clip with a recording date) is generated.
set -euo pipefail
build=$1
shift
probe=$build/tools/stillpick-probe
if [ $# -eq 0 ]; then
    bash tools/scripts/make-test-media.sh "$build/sample" >/dev/null
    video=$build/sample/raw.dv
else
    video=$1
fi
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
    exec "$build/src/stillpick" "+open=$video"
fi
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
out=${STILLPICK_OUT:-$PWD/stills}
mkdir -p "$out"

"$probe" info "$video" 2>/dev/null || { echo "stillpick: cannot read $video" >&2; exit 3; }
duration=$("$probe" --json info "$video" 2>/dev/null |
    python3 -c 'import json,sys; print(json.load(sys.stdin)["duration"])')
name=$(basename "${video%.*}")
for share in 0 1 2; do
    # 0, one third and two thirds of the way in, as h:mm:ss:ff at 25 frames per second
    tc=$(python3 -c "
t = $duration * $share // 3
print('%d:%02d:%02d:%02d' % (t // 36000000000, t // 600000000 % 60, t // 10000000 % 60, t % 10000000 // 400000))")
    file="$out/${name}_${tc//:/-}.jpg"
    # Running the job again grabs the same frames under the same names: replace them.
    "$probe" grab "$video" "$tc" "$file" --inlay 5 --overwrite 2>/dev/null |
        sed -n 's/^timecode: /grabbed /p'
done
echo "Stills written to $out"
