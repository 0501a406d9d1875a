#!/usr/bin/env bash
# The main job of run.sh. With a display, it starts the stillpick window with the video opened;
# without one, it describes the video and stillpick itself grabs stills from it offscreen by a
# script: one at a position, then one every second (the intervalometer).
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
out=$(cd "$out" && pwd)

# Without a screen: stillpick itself runs a script over the video, offscreen. Its settings are
# kept beside the build, so the user's own settings are not touched.
"$probe" info "$video" 2>/dev/null || { echo "stillpick: cannot read $video" >&2; exit 3; }
case $build in /*) here=$build ;; *) here=$PWD/$build ;; esac
export STILLPICK_REGISTRY_DIR=$here/headless-settings
name=$(basename "${video%.*}")
script=$here/headless-job.txt
cat >"$script" <<SCRIPT
dest_folder "$out"
rootname "$name"
add_time
confirm false
open "$video"
position 0:00:01:00
jpeg 90
grab
intervallo 1seconds
quit
SCRIPT
# Running the job again grabs the same frames under the same names: they are replaced
# (confirmation is off in the job's own settings).
"$build/src/stillpick" "+script=$script" 2>&1 | grep -v -e XDG_RUNTIME_DIR -e 'Saving the preferences' >&2 || true
found=0
for file in "$out/${name}"_*.jpg; do
    [ -e "$file" ] || continue
    echo "grabbed $file"
    found=$((found + 1))
done
[ "$found" -gt 0 ] || { echo "stillpick: no image was written to $out" >&2; exit 4; }
echo "Stills written to $out"
