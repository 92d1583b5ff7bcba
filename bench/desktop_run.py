#!/usr/bin/env python3
"""Figures of the desktop program in a real window: the time from exec to the
first frame of the title, the processor time the idle title costs, and the peak
memory of a whole run (optionally with a game played through xdotool).

usage: bench/desktop_run.py QUARVEL [--runs N] [--idle SECONDS] [--play]

Without a DISPLAY it starts its own Xvfb. Each run uses a fresh store, no sound,
and ends with SIGTERM (the program closes in order).
"""
import argparse
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time


def wait_for(path, pattern, timeout):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        try:
            with open(path) as f:
                m = re.search(pattern, f.read())
            if m:
                return m
        except FileNotFoundError:
            pass
        time.sleep(0.005)
    return None


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def xdo(*args):
    subprocess.run(["xdotool", *args], check=True)


def one_run(quarvel, idle, play):
    work = tempfile.mkdtemp(prefix="quarvel-desktop-")
    log = os.path.join(work, "log.txt")
    env = dict(os.environ, XDG_RUNTIME_DIR=work, XDG_DATA_HOME=work)
    start_ns = time.monotonic_ns()
    proc = subprocess.Popen([quarvel, "--log", log, "--store", os.path.join(work, "s.reg"),
                             "--mute"], env=env)
    figures = {}
    m = wait_for(log, r"first frame at monotonic (\d+) us", 10)
    if m:
        figures["first_frame_ms"] = (int(m.group(1)) * 1000 - start_ns) / 1e6
    if idle:
        time.sleep(1)
        before = cpu_seconds(proc.pid)
        time.sleep(idle)
        figures["idle_cpu_percent"] = 100 * (cpu_seconds(proc.pid) - before) / idle
    if play:
        wid = subprocess.run(["xdotool", "search", "--name", "^Quarvel"], capture_output=True,
                             text=True).stdout.split()[0]
        xdo("key", "--window", wid, "Up")
        xdo("key", "--window", wid, "Return")
        time.sleep(0.5)
        xdo("keydown", "--window", wid, "Down")
        if wait_for(log, r"sndLose", 120):
            xdo("keyup", "--window", wid, "Down")
            time.sleep(1)
            xdo("mousemove", "--window", wid, "100", "100", "click", "1")
            time.sleep(0.5)
            xdo("type", "--window", wid, "--delay", "50", "Bench")
            xdo("key", "--window", wid, "F1")
            time.sleep(0.5)
        figures["played"] = 1
    proc.send_signal(signal.SIGTERM)
    _, status, usage = os.wait4(proc.pid, 0)
    figures["exit"] = os.waitstatus_to_exitcode(status)
    figures["peak_rss_mb"] = usage.ru_maxrss / 1024
    shutil.rmtree(work, ignore_errors=True)
    return figures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("quarvel")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--idle", type=float, default=0)
    parser.add_argument("--play", action="store_true")
    args = parser.parse_args()
    xvfb = None
    if not os.environ.get("DISPLAY"):
        os.environ["DISPLAY"] = ":93"
        xvfb = subprocess.Popen(["Xvfb", ":93", "-screen", "0", "1280x1024x24"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1)
    try:
        runs = [one_run(args.quarvel, args.idle, args.play) for _ in range(args.runs)]
    finally:
        if xvfb:
            xvfb.terminate()
    for key in sorted({k for r in runs for k in r}):
        values = [r[key] for r in runs if key in r]
        print(f"{key}: median {statistics.median(values):.2f} "
              f"(min {min(values):.2f}, max {max(values):.2f}, {len(values)} runs)")


if __name__ == "__main__":
    sys.exit(main())
