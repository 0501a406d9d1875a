#!/usr/bin/env bash
# The window as a user meets it, on a virtual display (Xvfb, 1280 x 800), with mpv's figures
# beside ours (--with-mpv installs mpv when it is missing):
#   - start with the 60 s 1080p H.264 clip to its first picture painted: `stillpick +open=F`
#     (a fresh settings store) against `mpv --vo=x11 --pause F`, the two taking turns, from the
#     start of the process; SP_BENCH_ROUNDS rounds (default 7), median, min and max;
#   - a key press to the next picture painted, 25 times, from the middle of the clip: Ctrl+Right
#     (next frame) in stillpick, "." (frame-step) in mpv; median and the slowest.
# "Painted" is what each program says: stillpick with STILLPICK_PAINT_TRACE set prints the
# monotonic time of each fresh picture painted and of each key press it receives; mpv's trace
# says "first video frame after restart shown", and "frametime=" for each frame it shows
# (taken at their arrival on the pipe). A key is pressed with xdotool, whose own start takes tens
# of milliseconds: the figure is from the key's arrival in the program, the time from starting
# xdotool is printed beside it. Nothing is asserted.
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/bench_setup.sh
if [ "${1:-}" = --with-mpv ] && ! command -v mpv >/dev/null; then
    apt-get install -y mpv >/dev/null
fi
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "window_benches: $tool is missing" >&2; exit 2; }
done
sp_bench_setup stillpick
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; echo "load after: $(uptime)"' EXIT
sleep 1
echo "load before: $(uptime)"

python3 - "${SP_BENCH_STILLPICK:-$build/src/stillpick}" "$media/h264_1080p_60s.mp4" "$display" \
    "${SP_BENCH_ROUNDS:-7}" <<'PY'
import os, queue, shutil, statistics, subprocess, sys, tempfile, threading, time

stillpick, clip = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
display, rounds = sys.argv[3], int(sys.argv[4])
mpv = shutil.which("mpv")
STEPS = 25
MIDDLE = "0:00:30:00"
# stillpick with its paint trace, on the display, without sound.
TRACED = {"STILLPICK_PAINT_TRACE": "1", "QT_QPA_PLATFORM": "xcb", "SDL_AUDIODRIVER": "dummy"}

def ms(ns):
    return ns / 1e6

class Program:
    """One program on the display; a thread reads what it says (mpv on stdout, stillpick on
    stderr), each line with its arrival time."""
    def __init__(self, argv, env):
        self.home = tempfile.mkdtemp(prefix="sp-window-")
        env = dict(os.environ, DISPLAY=display, HOME=self.home,
                   STILLPICK_REGISTRY_DIR=os.path.join(self.home, "store"), **env)
        self.lines = queue.Queue()
        self.started = time.monotonic_ns()
        self.p = subprocess.Popen(argv, env=env, cwd=self.home, stdin=subprocess.DEVNULL,
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        threading.Thread(target=self.read, daemon=True).start()

    def read(self):
        for line in self.p.stdout:
            self.lines.put((time.monotonic_ns(), line))

    def drain(self):
        """Forgets the lines said so far."""
        while not self.lines.empty():
            self.lines.get_nowait()

    def wait_for(self, accept, timeout_s=20):
        """The time accept(arrival, line) gives for the first line it accepts; None at timeout."""
        limit = time.monotonic() + timeout_s
        while True:
            try:
                arrival, line = self.lines.get(timeout=max(0.0, limit - time.monotonic()))
            except queue.Empty:
                return None
            t = accept(arrival, line)
            if t is not None:
                return t

    def focus(self):
        out = ""
        for _ in range(100):
            out = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(self.p.pid)],
                                 env=dict(os.environ, DISPLAY=display), capture_output=True,
                                 text=True).stdout.split()
            if out:
                break
            time.sleep(0.05)
        if out:
            subprocess.run(["xdotool", "windowfocus", "--sync", out[-1]],
                           env=dict(os.environ, DISPLAY=display), capture_output=True)
        time.sleep(0.5)

    def end(self):
        self.p.kill()
        self.p.wait()
        shutil.rmtree(self.home, ignore_errors=True)

def traced(word):
    """stillpick's trace line `stillpick-trace: WORD NS`: its time."""
    def accept(arrival, line):
        parts = line.split()
        if len(parts) == 3 and parts[0] == "stillpick-trace:" and parts[1] == word:
            return int(parts[2])
        return None
    return accept

def arrived(text):
    return lambda arrival, line: arrival if text in line else None

def stillpick_start():
    prog = Program([stillpick, "+open=" + clip],
                   TRACED)
    painted = prog.wait_for(traced("painted"))
    prog.end()
    return None if painted is None else ms(painted - prog.started)

MPV = ["--no-config", "--vo=x11", "--ao=null", "--pause", "--osc=no", "--really-quiet=no",
       "--msg-level=all=no,cplayer=trace,input=trace", "--term-osd=no"]

def mpv_start():
    prog = Program([mpv, *MPV, clip], {})
    shown = prog.wait_for(arrived("first video frame after restart shown"))
    prog.end()
    return None if shown is None else ms(shown - prog.started)

def summary(label, values, goal=""):
    values = [v for v in values if v is not None]
    if not values:
        print(f"  {label:34s} no figure")
        return
    print(f"  {label:34s} median {statistics.median(values):7.1f} ms   min {min(values):7.1f}"
          f"   max {max(values):7.1f}   ({len(values)} runs){goal}")

def key(name):
    sent = time.monotonic_ns()
    subprocess.run(["xdotool", "key", name], env=dict(os.environ, DISPLAY=display))
    return sent

def steps(prog, ready, key_name, received, shown):
    """STEPS presses of `key_name` once `ready` is said: (from arrival, from xdotool) lists of
    milliseconds to the picture `shown` says."""
    prog.wait_for(ready)
    time.sleep(1) # the position's picture too
    prog.focus()
    from_arrival, from_xdotool = [], []
    for _ in range(STEPS):
        prog.drain()
        start = key(key_name)
        got = prog.wait_for(received, 5)
        painted = prog.wait_for(shown, 5)
        if got is not None and painted is not None:
            from_arrival.append(ms(painted - got))
            from_xdotool.append(ms(painted - start))
        time.sleep(0.15)
    prog.end()
    return from_arrival, from_xdotool

def stillpick_steps():
    prog = Program([stillpick, "+open=" + clip, "+position=" + MIDDLE],
                   TRACED)
    return steps(prog, traced("painted"), "ctrl+Right", traced("key"), traced("painted"))

def mpv_steps():
    prog = Program([mpv, *MPV, "--start=30", clip], {})
    return steps(prog, arrived("first video frame after restart shown"), "period",
                 arrived("-> 'frame-step'"), arrived("frametime="))

starts = {"stillpick": [], "mpv": []}
for _ in range(rounds):
    starts["stillpick"].append(stillpick_start())
    if mpv:
        starts["mpv"].append(mpv_start())
print("Start with 60 s of 1080p H.264 to its first picture painted (Xvfb)")
summary("stillpick +open=F", starts["stillpick"], "   goal <= 250 ms")
if mpv:
    summary("mpv --vo=x11 --pause F", starts["mpv"])

print(f"A key press to the next picture painted, {STEPS} times from {MIDDLE} (Xvfb)")
received, sent = stillpick_steps()
summary("stillpick Ctrl+Right, key received", received, "   goal <= 16 ms")
summary("stillpick Ctrl+Right, xdotool started", sent)
if mpv:
    received, sent = mpv_steps()
    summary("mpv frame-step, key received", received)
    summary("mpv frame-step, xdotool started", sent)
PY
