#!/usr/bin/env bash
# The probe as a user runs it: exit statuses, JSON keys, and images that hold the right frame
# (compared by their pixels with the ffmpeg command line's decoding of the video).
set -u
probe=$1
media=$2
here=$(cd "$(dirname "$0")" && pwd)
# still IMAGE VIDEO ARGS...: the image is that frame of the video (see compare_still.py).
still() { python3 "$here/compare_still.py" "$@"; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
source "$(dirname "$0")/check.sh"
status() { "$@" >/dev/null 2>&1; echo $?; }

check "no arguments is a usage error" [ "$(status "$probe")" = 2 ]
check "an unknown command is a usage error" [ "$(status "$probe" frobnicate x)" = 2 ]
check "grab without an output is a usage error" [ "$(status "$probe" grab "$media/h264.mkv" 0:00:01:00)" = 2 ]
check "a text file is not recognised" [ "$(status "$probe" info "$media/not_a_video.mpg")" = 3 ]
check "a missing file is not recognised" [ "$(status "$probe" info /no/such/file.avi)" = 3 ]

info=$("$probe" --json info "$media/raw.dv" 2>/dev/null)
check "info names the builder and the DV recording date" python3 -c '
import json, sys
r = json.loads(sys.argv[1])
assert r["builder"] == "TFileUnknownCaptureDevice", r["builder"]
assert r["video"][0]["type"]["subtype"] == "MEDIASUBTYPE_dvsd"
assert r["tvdata"]["RecDateValid"] and r["tvdata"]["RecDateTime"].startswith("2009-07-14")
assert r["duration_timecode"] == "0:00:02:00"
for key in ("builder", "video", "audio", "duration", "duration_timecode", "tvdata", "tadata"):
    assert key in r, key
' "$info"

grab=$("$probe" --json grab "$media/mpeg2_16x9.mpg" 0:00:02:05 "$out/still.bmp" 2>/dev/null)
check "grab reaches the timecode and writes the picture" python3 -c '
import json, struct, sys
r = json.loads(sys.argv[1])
assert r["timecode"] == "0:00:02:05" and r["position"] == 22000000, r
data = open(sys.argv[2], "rb").read()
assert data[:2] == b"BM"
width, height = struct.unpack("<ii", data[18:26])
bits = struct.unpack("<H", data[28:30])[0]
assert (width, height, bits) == (r["width"], r["height"], 24), (width, height, bits)
' "$grab" "$out/still.bmp"
check "the grabbed BMP is the frame on screen at 2.2 s" still "$out/still.bmp" "$media/mpeg2_16x9.mpg" --time-hns 22000000
check "grab writes JPEG" bash -c "'$probe' grab '$media/h264.mp4' 0:00:01:00 '$out/a.jpg' >/dev/null 2>&1 && head -c 2 '$out/a.jpg' | od -An -tx1 | grep -q 'ff d8'"
check "grab writes PNG" bash -c "'$probe' grab '$media/h264.mp4' 0:00:01:00 '$out/a.png' >/dev/null 2>&1 && head -c 4 '$out/a.png' | od -An -c | grep -q 'P   N   G'"

check "the JPEG and PNG grabs are the frame at 1 s" bash -c '
python3 "$1" "$2/a.png" "$3" --time-hns 10000000 && python3 "$1" "$2/a.jpg" "$3" --time-hns 10000000 --max-mad 6
' _ "$here/compare_still.py" "$out" "$media/h264.mp4"

# Mirroring and the inlay, by their pixels.
"$probe" grab "$media/mpeg2_16x9.mpg" 0:00:01:10 "$out/plain.png" >/dev/null 2>&1
"$probe" grab "$media/mpeg2_16x9.mpg" 0:00:01:10 "$out/flipv.png" --flipv >/dev/null 2>&1
"$probe" grab "$media/mpeg2_16x9.mpg" 0:00:01:10 "$out/fliph.png" --fliph >/dev/null 2>&1
"$probe" grab "$media/mpeg2_16x9.mpg" 0:00:01:10 "$out/both.png" --flipv --fliph >/dev/null 2>&1
check "the plain grab is the frame at 1.4 s" still "$out/plain.png" "$media/mpeg2_16x9.mpg" --time-hns 14000000
check "--flipv turns the frame upside down" still "$out/flipv.png" "$media/mpeg2_16x9.mpg" --time-hns 14000000 --flipv
check "--fliph mirrors it left to right" still "$out/fliph.png" "$media/mpeg2_16x9.mpg" --time-hns 14000000 --fliph
check "--flipv --fliph does both" still "$out/both.png" "$media/mpeg2_16x9.mpg" --time-hns 14000000 --flipv --fliph
"$probe" grab "$media/mpeg2_16x9.mpg" 0:00:01:10 "$out/inlay7.png" --inlay 7 >/dev/null 2>&1
"$probe" grab "$media/mpeg2_16x9.mpg" 0:00:01:10 "$out/inlay4.png" --inlay 4 >/dev/null 2>&1
"$probe" grab "$media/mpeg2_16x9.mpg" 0:00:01:10 "$out/deint.png" --deinterlace >/dev/null 2>&1
check "--inlay 7 writes text near the bottom only; --inlay 4 writes nothing" python3 -c '
import subprocess, sys
def rgb(path):
    return subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt",
                           "rgb24", "-"], check=True, stdout=subprocess.PIPE).stdout
plain, text, nothing = (rgb(p) for p in sys.argv[1:4])
row = int(sys.argv[4]) * 3
assert len(plain) == len(text) == len(nothing), "sizes differ"
top = row * (len(plain) // row * 6 // 10)
assert plain[:top] == text[:top], "the inlay changed the upper part of the picture"
changed = sum(a != b for a, b in zip(plain[top:], text[top:]))
assert changed > 300, "hardly any inlay pixels: %d" % changed
assert plain == nothing, "inlay kind 4 changed the picture"
' "$out/plain.png" "$out/inlay7.png" "$out/inlay4.png" 352
check "--deinterlace keeps even rows and puts the mean of its neighbours into odd pixels it changes" python3 -c '
import subprocess, sys
def rgb(path):
    return subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt",
                           "rgb24", "-"], check=True, stdout=subprocess.PIPE).stdout
plain, deint = rgb(sys.argv[1]), rgb(sys.argv[2])
row = int(sys.argv[3]) * 3
rows = len(plain) // row
assert len(plain) == len(deint)
changed = 0
for y in range(rows):
    a, b = plain[y * row:(y + 1) * row], deint[y * row:(y + 1) * row]
    if y % 2 == 0 or y == rows - 1:
        assert a == b, "row %d changed" % y
        continue
    above, below = plain[(y - 1) * row:y * row], plain[(y + 1) * row:(y + 2) * row]
    for x in range(row):
        if a[x] != b[x]:
            changed += 1
            assert abs(b[x] - (above[x] + below[x]) / 2) <= 1, (y, x, a[x], b[x])
print("%d values replaced" % changed)
' "$out/plain.png" "$out/deint.png" 352

before=$(cksum <"$out/a.jpg")
refused=$("$probe" grab "$media/h264.mp4" 0:00:02:00 "$out/a.jpg" 2>&1 >/dev/null; echo "status $?")
check "grab keeps an existing image and says how to replace it" bash -c '
[ "$(cksum <"$1")" = "$2" ] && [[ "$3" == *"already exists (add --overwrite"*"status 3" ]]' _ \
    "$out/a.jpg" "$before" "$refused"
check "grab --overwrite replaces it" bash -c "'$probe' grab '$media/h264.mp4' 0:00:02:00 '$out/a.jpg' --overwrite >/dev/null 2>&1 && [ \"\$(cksum <'$out/a.jpg')\" != '$before' ]"

play=$("$probe" --json play "$media/h264.mkv" --max-speed --grab-every 0:00:01:00 --out "$out/grabs" 2>/dev/null)
check "play at maximum speed grabs once per second" python3 -c '
import json, os, sys
r = json.loads(sys.argv[1])
assert r["frames"] == 100 and r["grabs"] == 4, r
assert sorted(os.listdir(sys.argv[2])) == ["%05d.bmp" % i for i in range(4)]
' "$play" "$out/grabs"
for i in 0 1 2 3; do
    check "grab $i of the play is the frame on screen at $i s" still "$out/grabs/0000$i.bmp" "$media/h264.mkv" --time-hns $((i * 10000000))
done
check "a second play into the same folder keeps the first images" [ "$(status "$probe" play "$media/h264.mkv" --max-speed --grab-every 0:00:01:00 --out "$out/grabs")" = 3 ]
check "play --overwrite replaces them" [ "$(status "$probe" play "$media/h264.mkv" --max-speed --grab-every 0:00:01:00 --out "$out/grabs" --overwrite)" = 0 ]

if ! grep -qsv "no soundcards" /proc/asound/cards; then
    # No sound card: the sound goes silent, and ALSA is not asked (it would fill stderr).
    noise=$(env -u SDL_AUDIODRIVER "$probe" play "$media/raw.dv" 2>&1 >/dev/null | grep -c "^ALSA lib")
    check "play without a sound card keeps stderr clean" [ "$noise" = 0 ]
fi

for sound in audio_only.mp3 tone.wav tone.flac; do
    info=$("$probe" --json info "$media/$sound" 2>/dev/null)
    check "$sound has one audio source and no video" python3 -c '
import json, sys
r = json.loads(sys.argv[1])
assert len(r.get("audio", [])) == 1 and not r.get("video"), r
' "$info"
done
grab=$("$probe" --json grab "$media/webm_vp9.webm" 0:00:01:05 "$out/webm.png" 2>/dev/null)
check "a WebM file is grabbed at its timecode" python3 -c '
import json, sys
r = json.loads(sys.argv[1])
assert r["timecode"] == "0:00:01:05" and r["position"] == 12000000, r
' "$grab"

# Without a session's runtime folder, stderr still holds the tool's own lines only.
quiet=$(env -u XDG_RUNTIME_DIR "$probe" info "$media/h264.mkv" 2>&1 >/dev/null)
check "info without XDG_RUNTIME_DIR prints nothing on stderr" [ -z "$quiet" ]

step=$("$probe" --json step "$media/h264.mkv" 0:00:02:00 --back 3 2>/dev/null)
check "three steps back from 2 s" python3 -c '
import json, sys
r = json.loads(sys.argv[1])
assert r["timecode"] == "0:00:01:22" and len(r["latencies_ms"]) == 3, r
' "$step"

check_summary
