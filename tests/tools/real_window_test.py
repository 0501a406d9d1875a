#!/usr/bin/env python3
"""The installed stillpick on a real X display (Xvfb), driven by real key events.

Installs the build into a temporary prefix, starts a virtual display, runs the installed
program with the sample video, waits for its first picture and compares the video area with the
frame FFmpeg decodes there (scaled), checks the title strip shows the loaded file's label, then
presses keys: Ctrl+Right steps one frame (the picture becomes FFmpeg's next frame), F5 saves that
frame as an image, F11 shows the shortcuts window and hides it again, F1 shows the Help panel
whose three tabs are shown in turn, a click into the timecode box of the inactive window and a
typed time show that time's frame, Esc leaves the window as it was, Ctrl+Q ends the program,
which saves its settings. Writes the screenshots (the window, the Help panel's tabs) into the
build tree.

Exit status: 0 passed, 1 failed, 77 skipped (no virtual display could be started).

usage: real_window_test.py BUILD_DIR MEDIA_DIR
"""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

SKIP = 77
PANEL_WIDTH = 276
VIDEO_PANEL_TOP = 86
VIDEO_MARGIN = 12
MAROON = (0x80, 0x00, 0x00)
failures = []


def check(what, ok, detail=""):
    print(("ok: " if ok else "FAILED: ") + what + (f" ({detail})" if detail else ""), flush=True)
    if not ok:
        failures.append(what)
    return ok


class Picture:
    """An RGB picture read from a binary PPM (P6)."""

    def __init__(self, data):
        fields = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
        if not fields:
            raise ValueError("not a PPM picture")
        self.width, self.height = int(fields.group(1)), int(fields.group(2))
        self.pixels = data[fields.end() : fields.end() + self.width * self.height * 3]

    def crop(self, x, y, w, h):
        rows = [self.pixels[((y + r) * self.width + x) * 3 : ((y + r) * self.width + x + w) * 3]
                for r in range(h)]
        out = Picture.__new__(Picture)
        out.width, out.height, out.pixels = w, h, b"".join(rows)
        return out

    def mean_difference(self, other):
        """Mean absolute difference per channel, 0..255."""
        a, b = self.pixels, other.pixels
        return sum(abs(x - y) for x, y in zip(a, b)) / max(1, len(a))

    def count_near(self, colour, tolerance):
        p = self.pixels
        return sum(1 for i in range(0, len(p), 3)
                   if all(abs(p[i + c] - colour[c]) <= tolerance for c in range(3)))

    def save_png(self, path):
        raw = b"".join(b"\0" + self.pixels[r * self.width * 3 : (r + 1) * self.width * 3]
                       for r in range(self.height))

        def chunk(kind, body):
            return (struct.pack(">I", len(body)) + kind + body +
                    struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                      chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))


def start_display():
    """A fresh Xvfb on a free display number; (process, ":N") or None."""
    if not shutil.which("Xvfb"):
        return None
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x800x24",
                             "-nolisten", "tcp"], pass_fds=(write,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    number = b""
    deadline = time.time() + 10
    while time.time() < deadline and not number.endswith(b"\n"):
        part = os.read(read, 16)
        if not part:
            break
        number += part
    os.close(read)
    if not number.strip().isdigit():
        xvfb.kill()
        return None
    return xvfb, ":" + number.strip().decode()


def xdotool(env, *args):
    run = subprocess.run(["xdotool", *args], env=env, capture_output=True, text=True)
    return run.stdout.strip()


def screenshot(env):
    data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=env,
                          capture_output=True, check=True).stdout
    return Picture(data)


def ffmpeg_frame(video, index, width, height):
    data = subprocess.run(
        ["ffmpeg", "-v", "error", "-i", video, "-vf",
         f"select=eq(n\\,{index}),scale={width}:{height}:flags=bilinear", "-frames:v", "1",
         "-f", "image2pipe", "-vcodec", "ppm", "-"], capture_output=True, check=True).stdout
    return Picture(data)


def fit(a, b, width, height):
    """The largest a:b size inside width x height."""
    if width * b <= height * a:
        return width, width * b // a
    return height * a // b, height


def video_rect(client_x, client_y, width, height, video_at_left, a=16, b=9):
    """The video window on the screen by the window's layout rules (centred in its panel)."""
    left = (0 if video_at_left else PANEL_WIDTH) + 8
    panel_w, panel_h = width - 292, height - 192
    w, h = fit(a, b, panel_w - 2 * VIDEO_MARGIN, panel_h - 2 * VIDEO_MARGIN)
    x = left + (panel_w - w) // 2
    y = VIDEO_PANEL_TOP + (panel_h - h) // 2
    return client_x + x, client_y + y, w, h


def best_difference(shot, rect, reference, inset=6):
    """The difference of the video area and the reference, the area found within a pixel."""
    x, y, w, h = rect
    ref = reference.crop(inset, inset, w - 2 * inset, h - 2 * inset)
    return min(shot.crop(x + inset + dx, y + inset + dy, ref.width, ref.height)
               .mean_difference(ref) for dx in (-1, 0, 1) for dy in (-1, 0, 1))


def decoded(path):
    """A picture file decoded by FFmpeg."""
    data = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-frames:v", "1",
                           "-f", "image2pipe", "-vcodec", "ppm", "-"],
                          capture_output=True, check=True).stdout
    return Picture(data)


def wait_for_file(folder, timeout=10):
    deadline = time.time() + timeout
    while time.time() < deadline:
        # An image is written under a temporary name and renamed when whole.
        files = sorted(f for f in os.listdir(folder) if ".tmp-" not in f) \
            if os.path.isdir(folder) else []
        if files:
            return os.path.join(folder, files[0])
        time.sleep(0.2)
    return None


def check_grab(sample, stills):
    """F5 saved the frame on screen (frame 1, after one step) into the images folder."""
    saved = wait_for_file(stills)
    if not check("F5 saves an image into the images folder", saved is not None):
        return
    image = decoded(saved)
    to0 = ffmpeg_frame(sample, 0, image.width, image.height).mean_difference(image)
    to1 = ffmpeg_frame(sample, 1, image.width, image.height).mean_difference(image)
    check("the saved image is the frame on screen", to1 < to0 and to1 < 8,
          f"{os.path.basename(saved)} {image.width} x {image.height}: difference to frame 0 "
          f"{to0:.2f}, to frame 1 {to1:.2f}")


def check_help_tabs(env, window, shots, x, y, w, h):
    """F1 shows the Help panel on its first tab; clicks show the other two."""
    xdotool(env, "windowfocus", "--sync", window)
    xdotool(env, "key", "F1")
    panels = []
    # The wheel over the tab bar (near the first tab's left edge, whatever the font makes of
    # the tabs' widths) moves to the next tab, as a user scrolling over tabs would.
    xdotool(env, "mousemove", str(x + w - PANEL_WIDTH + 20), str(y + 97))
    for tab in ("help", "cpu", "install"):
        if panels:
            xdotool(env, "click", "5")
        deadline = time.time() + 10
        while True:  # until the panel shows something new (a busy machine paints late)
            time.sleep(0.5)
            shot = screenshot(env).crop(x, y, w, h)
            panel = shot.crop(w - PANEL_WIDTH, 60, PANEL_WIDTH - 8, h - 100)
            if not panels or panel.mean_difference(panels[-1]) > 1 or time.time() > deadline:
                break
        shot.save_png(os.path.join(shots, f"help_{tab}.png"))
        panels.append(panel)
    differences = [panels[i].mean_difference(panels[j]) for i, j in ((0, 1), (1, 2), (0, 2))]
    check("the Help panel shows its three tabs in turn", min(differences) > 1,
          "differences " + ", ".join(f"{d:.1f}" for d in differences))


def wait_for_frame(env, rect, wanted, other, timeout=10):
    """Waits until the video area is nearer `wanted` than `other` (and near it); gives both
    differences as last seen."""
    deadline = time.time() + timeout
    while True:
        time.sleep(0.3)
        shot = screenshot(env)
        to_wanted = best_difference(shot, rect, wanted)
        to_other = best_difference(shot, rect, other)
        if (to_wanted < to_other and to_wanted < 12) or time.time() > deadline:
            return to_wanted, to_other


def check_typed_time(env, window, sample, rect, x, w):
    """A click into the timecode box of an inactive window enters it at once: the time typed
    there is not overwritten by the running position, and Enter shows that frame (1 s: frame
    25 of the 25-frame sample)."""
    xdotool(env, "key", "F11")  # the shortcuts window takes the focus from the main window
    shortcuts = window_of(env, "^The commands of Stillpick", timeout=5)
    if not check("the shortcuts window can take the focus", shortcuts is not None):
        return
    # Out of the way of the main window's top bar (it opens over the screen's top left corner).
    xdotool(env, "windowmove", "--sync", shortcuts, "0", "680")
    xdotool(env, "windowfocus", "--sync", shortcuts)
    time.sleep(0.5)
    # The box is the first control of the bar centred above the video, 32 pixels above it.
    left = x + 8
    bar_x = left + (w - 292 - 416) // 2
    xdotool(env, "mousemove", str(bar_x + 40), str(rect[1] - 22))
    xdotool(env, "click", "1")
    time.sleep(0.5)
    xdotool(env, "key", "ctrl+a")
    xdotool(env, "type", "--delay", "120", "0:00:01:00")
    time.sleep(0.5)  # the position timer would have written over the text by now
    xdotool(env, "key", "Return")
    to25, to1 = wait_for_frame(env, rect, ffmpeg_frame(sample, 25, rect[2], rect[3]),
                               ffmpeg_frame(sample, 1, rect[2], rect[3]))
    check("a time typed into the box of an inactive window shows its frame",
          to25 < to1 and to25 < 12, f"difference to frame 25 {to25:.2f}, to frame 1 {to1:.2f}")
    xdotool(env, "windowfocus", "--sync", window)
    xdotool(env, "key", "F11")
    time.sleep(0.5)


def window_of(env, title, timeout=20):
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = xdotool(env, "search", "--onlyvisible", "--name", title)
        if found:
            return found.splitlines()[0]
        time.sleep(0.2)
    return None


def geometry(env, window):
    text = xdotool(env, "getwindowgeometry", window)
    x, y = map(int, re.search(r"Position: (-?\d+),(-?\d+)", text).groups())
    w, h = map(int, re.search(r"Geometry: (\d+)x(\d+)", text).groups())
    return x, y, w, h


def main():
    build, media = sys.argv[1], sys.argv[2]
    sample = os.path.join(media, "raw.dv")
    shots = os.path.join(build, "screenshots")
    os.makedirs(shots, exist_ok=True)
    display = start_display()
    if not display:
        print("SKIPPED: the virtual X display (Xvfb) cannot start here; "
              "tools/scripts/deps.sh installs it")
        return SKIP
    xvfb, name = display
    work = tempfile.mkdtemp(prefix="sp-window-")
    program = None
    try:
        prefix = os.path.join(work, "prefix")
        stills = os.path.join(work, "stills")
        subprocess.run(["cmake", "--install", build, "--prefix", prefix], check=True,
                       stdout=subprocess.DEVNULL)
        env = dict(os.environ, DISPLAY=name, QT_QPA_PLATFORM="xcb", SDL_AUDIODRIVER="dummy",
                   HOME=work, XDG_CONFIG_HOME=os.path.join(work, "config"),
                   STILLPICK_REGISTRY_DIR=os.path.join(work, "registry"))
        env.pop("WAYLAND_DISPLAY", None)
        log = open(os.path.join(work, "stderr.txt"), "wb")
        program = subprocess.Popen(
            [os.path.join(prefix, "bin", "stillpick"), "+save_prefs=registry",
             "+dest_folder=" + stills, "+open=" + sample], env=env, stderr=log)
        window = window_of(env, "^Stillpick .* by Orvane$", timeout=60)  # a busy machine starts late
        if not check("the main window appears", window is not None):
            return 1
        x, y, w, h = geometry(env, window)
        check("the window is at least 708 x 522", w >= 708 and h >= 522, f"{w} x {h}")
        rect = video_rect(x, y, w, h, video_at_left=True)
        frame0 = ffmpeg_frame(sample, 0, rect[2], rect[3])
        frame1 = ffmpeg_frame(sample, 1, rect[2], rect[3])
        # The first picture: the video area shows FFmpeg's frame 0, scaled. The picture comes
        # while the file is still loading; the title strip's label follows when it is loaded.
        deadline, difference, labelled = time.time() + 20, 255.0, False
        while time.time() < deadline:
            shot = screenshot(env)
            difference = best_difference(shot, rect, frame0)
            labelled = shot.crop(x, y + 30, min(300, w), 24).count_near(MAROON, 40) > 20
            if difference < 12 and labelled:
                break
            time.sleep(0.3)
        shot.crop(x, y, w, h).save_png(os.path.join(shots, "real_window.png"))
        check("the video area shows the sample's first frame", difference < 12,
              f"mean difference {difference:.1f} of 255")
        check("the title strip shows the loaded file's label", labelled)

        xdotool(env, "windowfocus", "--sync", window)
        xdotool(env, "key", "ctrl+Right")
        to1, to0 = wait_for_frame(env, rect, frame1, frame0)
        check("Ctrl+Right steps to the next frame", to1 < to0 and to1 < 12,
              f"difference to frame 0 {to0:.2f}, to frame 1 {to1:.2f}")

        xdotool(env, "key", "F5")
        check_grab(sample, stills)

        xdotool(env, "windowfocus", "--sync", window)
        xdotool(env, "key", "F11")
        shortcuts = window_of(env, "^The commands of Stillpick", timeout=5)
        check("F11 shows the shortcuts window", shortcuts is not None)
        xdotool(env, "windowfocus", "--sync", window)
        xdotool(env, "key", "F11")
        time.sleep(1)
        check("F11 again hides it",
              not xdotool(env, "search", "--onlyvisible", "--name", "^The commands of"))

        check_help_tabs(env, window, shots, x, y, w, h)
        check_typed_time(env, window, sample, rect, x, w)

        xdotool(env, "windowfocus", "--sync", window)
        xdotool(env, "key", "Escape")
        time.sleep(0.5)
        check("Esc leaves the window open", program.poll() is None)
        xdotool(env, "key", "ctrl+q")
        try:
            status = program.wait(timeout=20)
        except subprocess.TimeoutExpired:
            status = None
        check("Ctrl+Q ends the program with status 0", status == 0, f"status {status}")
        check("the settings were saved at the end",
              os.path.exists(os.path.join(work, "registry")) and
              any(os.scandir(os.path.join(work, "registry"))))
    finally:
        if program and program.poll() is None:
            program.kill()
            program.wait()
        if program and failures:
            with open(os.path.join(work, "stderr.txt"), "rb") as err:
                sys.stdout.write(err.read().decode(errors="replace")[-3000:])
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)
    print(f"{'FAILED' if failures else 'passed'}: the real window "
          f"(screenshot {os.path.join(shots, 'real_window.png')})")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
