#!/usr/bin/env python3
"""Checks that an image file holds a given frame of a video, as the ffmpeg command line
decodes it: the mean absolute difference of R, G, B to that frame is small, and smaller than to
the frames before and after it (so a neighbouring frame does not pass).

  compare_still.py IMAGE VIDEO (--frame N | --time-hns T) [--flipv] [--fliph] [--max-mad M]

--time-hns names the frame on screen at T (100 ns units from the start of the file): the last
frame whose display time is at or before it. --flipv/--fliph mirror the reference first.
Prints the differences; exit status 0 when the image is that frame, 1 when not, 2 on errors.
"""
import argparse
import subprocess
import sys


def run(command):
    return subprocess.run(command, check=True, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL).stdout


def video_size(path):
    """The size of the pictures ffmpeg puts out: upright, turned by the display matrix."""
    out = run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
               "stream=width,height,color_space:stream_side_data=rotation", "-of",
               "default=noprint_wrappers=1", path])
    facts = dict(line.split("=", 1) for line in out.decode().split() if "=" in line)
    width, height = int(facts["width"]), int(facts["height"])
    if abs(round(float(facts.get("rotation", "0")))) % 180 == 90:
        width, height = height, width
    return width, height, facts.get("color_space", "unknown")


def frame_index_at(path, time_hns):
    # Position 0 is the first picture's presentation time; a frame starting up to 20 us after
    # a time counts as on screen at it, as the timecodes allow.
    out = run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
               "frame=best_effort_timestamp_time", "-of", "csv=p=0", path]).decode()
    seconds = [float(t.strip(",")) for t in out.split() if t.strip(",") not in ("", "N/A")]
    origin = min(seconds) if seconds else 0.0
    times = [round((t - origin) * 1e7) for t in seconds]
    index = 0
    for i, t in enumerate(times):
        if times[index] <= t <= time_hns + 200:
            index = i
    return index


def frames_rgb(path, first, count, flipv, fliph):
    width, height, space = video_size(path)
    matrix = {"bt709": "bt709", "smpte170m": "bt601", "bt470bg": "bt601"}.get(
        space, "bt709" if width >= 1280 or height >= 720 else "bt601")
    chain = "select=between(n\\,%d\\,%d),scale=in_color_matrix=%s:flags=bilinear" % (
        first, first + count - 1, matrix)
    if flipv:
        chain += ",vflip"
    if fliph:
        chain += ",hflip"
    raw = run(["ffmpeg", "-nostdin", "-v", "error", "-i", path, "-map", "0:v:0", "-vf", chain,
               "-fps_mode", "passthrough", "-frames:v", str(count), "-f", "rawvideo",
               "-pix_fmt", "rgb24", "-"])
    size = width * height * 3
    return width, height, [raw[i:i + size] for i in range(0, len(raw) - size + 1, size)]


def image_rgb(path):
    out = run(["ffprobe", "-v", "error", "-show_entries", "stream=width,height", "-of",
               "csv=p=0", path]).decode().split()[0].split(",")
    raw = run(["ffmpeg", "-nostdin", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt",
               "rgb24", "-"])
    return int(out[0]), int(out[1]), raw


def mean_absolute_difference(a, b):
    if len(a) != len(b) or not a:
        return float("inf")
    return sum(abs(x - y) for x, y in zip(a, b)) / len(a)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("image")
    parser.add_argument("video")
    which = parser.add_mutually_exclusive_group(required=True)
    which.add_argument("--frame", type=int)
    which.add_argument("--time-hns", type=int)
    parser.add_argument("--flipv", action="store_true")
    parser.add_argument("--fliph", action="store_true")
    parser.add_argument("--max-mad", type=float, default=4.0)
    args = parser.parse_args()
    try:
        index = args.frame if args.frame is not None else frame_index_at(args.video, args.time_hns)
        first = max(0, index - 1)
        width, height, frames = frames_rgb(args.video, first, index + 2 - first, args.flipv,
                                           args.fliph)
        image_width, image_height, image = image_rgb(args.image)
    except (subprocess.CalledProcessError, OSError, ValueError, IndexError, KeyError) as e:
        print("compare_still: %s" % e, file=sys.stderr)
        return 2
    if (image_width, image_height) != (width, height):
        print("%s is %dx%d, the video %dx%d" % (args.image, image_width, image_height, width,
                                                height))
        return 1
    mads = {first + i: mean_absolute_difference(f, image) for i, f in enumerate(frames)}
    print("frame %d expected; mean absolute differences: %s" % (
        index, ", ".join("%d: %.2f" % item for item in sorted(mads.items()))))
    own = mads.get(index, float("inf"))
    others = [m for n, m in mads.items() if n != index]
    return 0 if own <= args.max_mad and all(own < m for m in others) else 1


if __name__ == "__main__":
    sys.exit(main())
