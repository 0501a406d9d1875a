#!/usr/bin/env python3
"""mpv's own frame steps on a file, timed through its IPC socket, for comparison only.

    mpv_steps.py FILE COMMAND START [PROPERTY]

COMMAND is frame-step or frame-back-step, START mpv's --start; prints the median latency in
milliseconds of 25 steps. A step is done when PROPERTY (default estimated-frame-number; time-pos
tells frames apart at a variable rate too) has changed: the command itself returns at once."""
import json, os, shutil, socket, statistics, subprocess, sys, tempfile, time


def median_step_ms(video, command, start, prop="estimated-frame-number", steps=25):
    work = tempfile.mkdtemp()
    sock = os.path.join(work, "mpv.sock")
    p = subprocess.Popen(["mpv", "--no-config", "--vo=null", "--ao=null", "--pause",
                          "--hr-seek=yes", "--start=" + start, "--input-ipc-server=" + sock,
                          video], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        s = socket.socket(socket.AF_UNIX)
        for _ in range(200):  # the socket file appears before mpv listens on it
            try:
                s.connect(sock)
                break
            except (ConnectionRefusedError, FileNotFoundError):
                time.sleep(0.05)
        f = s.makefile("rwb")

        def ask(cmd):
            f.write((json.dumps({"command": cmd}) + "\n").encode())
            f.flush()
            while True:
                m = json.loads(f.readline())
                if "error" in m:
                    return m

        time.sleep(1.0)
        lat = []
        for _ in range(steps):
            before = ask(["get_property", prop]).get("data")
            t0 = time.perf_counter()
            ask([command])
            while ask(["get_property", prop]).get("data") == before and \
                    time.perf_counter() - t0 < 10:
                pass
            lat.append((time.perf_counter() - t0) * 1000)
        return statistics.median(lat)
    finally:
        p.terminate()
        p.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    print("%.1f" % median_step_ms(*sys.argv[1:]))
