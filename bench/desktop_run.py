#!/usr/bin/env python3
"""Figures of the desktop program in a real window: the time from exec to the
first frame of the title, the processor time of the idle title (before and
after a sound), of a paused game and of a game in play, and the peak memory of
a whole run.

usage: bench/desktop_run.py QUARVEL [QUARVEL ...] [--runs N] [--idle SECONDS]
                            [--play] [--mute] [--floor BARE_WAKE]

Several programs (today's main built beside a change) are measured in turns,
run by run, so that the noise of a shared machine falls on each alike. Without
a DISPLAY it starts its own Xvfb, and measures the server's processor time in
play too; with sound on (the default) it starts its own PulseAudio server with
a null sink when pulseaudio is installed, so that the audio device's thread
costs what it costs on a desktop. Each run uses a fresh store and ends with
SIGTERM (the program closes in order). --floor runs the build's bench/bare_wake
before each round: what a thread that sleeps 33 ms and wakes with nothing to do
costs this machine, the floor under each of a game's 30 ticks a second.
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

# After a sound the audio device may stay open this long before it idles.
AFTER_SOUND_S = 11


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
    """The process's processor time in ticks of 10 ms (dead threads included)."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def thread_seconds(pid):
    """Each live thread's processor time, to the nanosecond (the scheduler's own
    count), by thread id."""
    times = {}
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                times[task] = int(f.read().split()[0]) / 1e9
        except (FileNotFoundError, ProcessLookupError):
            pass
    return times


def cpu_percent(pid, seconds):
    """The share of a core used over `seconds`: to the nanosecond while the same
    threads live throughout, else in ticks (a thread that ends takes its
    nanoseconds along)."""
    ticks, threads = cpu_seconds(pid), thread_seconds(pid)
    time.sleep(seconds)
    ticks_after, threads_after = cpu_seconds(pid), thread_seconds(pid)
    if threads.keys() == threads_after.keys():
        used = sum(threads_after.values()) - sum(threads.values())
    else:
        used = ticks_after - ticks
    return 100 * used / seconds


def xdo(*args):
    subprocess.run(["xdotool", *args], check=True)


def one_run(quarvel, idle, play, mute, env, server=None):
    work = tempfile.mkdtemp(prefix="quarvel-desktop-")
    log = os.path.join(work, "log.txt")
    env = dict(env, XDG_RUNTIME_DIR=work, XDG_DATA_HOME=work)
    start_ns = time.monotonic_ns()
    args = [quarvel, "--log", log, "--store", os.path.join(work, "s.reg")]
    proc = subprocess.Popen(args + (["--mute"] if mute else []), env=env)
    figures = {}
    m = wait_for(log, r"first frame at monotonic (\d+) us", 10)
    if m:
        figures["first_frame_ms"] = (int(m.group(1)) * 1000 - start_ns) / 1e6
    wid = None
    if idle or play:
        time.sleep(1)
        wid = subprocess.run(["xdotool", "search", "--all", "--pid", str(proc.pid), "--name", "^Quarvel$"], capture_output=True,
                             text=True).stdout.split()[0]
    if idle:
        figures["title_idle_cpu_percent"] = cpu_percent(proc.pid, idle)
        xdo("key", "--window", wid, "Down")  # the title's click
        time.sleep(0.5)
        figures["audio_threads"] = sum(
            1 for t in os.listdir(f"/proc/{proc.pid}/task")
            if open(f"/proc/{proc.pid}/task/{t}/comm").read().startswith("SDLAudio"))
        figures["title_after_sound_first_10s_cpu_percent"] = cpu_percent(proc.pid, 10)
        time.sleep(AFTER_SOUND_S - 10)
        figures["title_after_sound_cpu_percent"] = cpu_percent(proc.pid, idle)
        xdo("key", "--window", wid, "Return")  # a game
        time.sleep(0.5)
        xdo("key", "--window", wid, "F1")  # paused
        time.sleep(AFTER_SOUND_S)
        figures["paused_cpu_percent"] = cpu_percent(proc.pid, idle)
        xdo("key", "--window", wid, "F1")
    if play:
        if not idle:
            xdo("key", "--window", wid, "Up")
            xdo("key", "--window", wid, "Return")
            time.sleep(0.5)
        # A game played for a while at the start level, the piece moved now and
        # then, then dropped to its end.
        ticks, threads, started = cpu_seconds(proc.pid), thread_seconds(proc.pid), time.monotonic()
        server_used = sum(thread_seconds(server).values()) if server else 0
        for i in range(40):
            xdo("key", "--window", wid, "Left" if i % 3 else "Right")
            time.sleep(0.25)
        seconds = time.monotonic() - started
        threads_after = thread_seconds(proc.pid)
        if threads.keys() == threads_after.keys():
            used = sum(threads_after.values()) - sum(threads.values())
        else:
            used = cpu_seconds(proc.pid) - ticks
        figures["play_cpu_percent"] = 100 * used / seconds
        figures["play_cpu_us_per_tick"] = used * 1e6 / (seconds * 1000 / 33)
        if server:
            # What showing the frames costs the X server meanwhile: the program
            # may hand it work (scaling) rather than do it itself.
            server_used = sum(thread_seconds(server).values()) - server_used
            figures["play_server_cpu_percent"] = 100 * server_used / seconds
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


def start_pulse(env):
    """A PulseAudio server of the bench's own with a null sink; None without one."""
    if not shutil.which("pulseaudio"):
        return None, None
    run = tempfile.mkdtemp(prefix="quarvel-pulse-")
    os.chmod(run, 0o700)
    penv = dict(env, XDG_RUNTIME_DIR=run, HOME=run)
    subprocess.run(["pulseaudio", "--daemonize=yes", "--exit-idle-time=-1", "-n",
                    "-L", "module-null-sink", "-L", "module-native-protocol-unix auth-anonymous=1"],
                   env=penv, check=True)
    time.sleep(0.5)
    return run, f"unix:{run}/pulse/native"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("quarvel", nargs="+")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--idle", type=float, default=0)
    parser.add_argument("--play", action="store_true")
    parser.add_argument("--mute", action="store_true")
    parser.add_argument("--floor", metavar="BARE_WAKE")
    args = parser.parse_args()
    xvfb = None
    if not os.environ.get("DISPLAY"):
        os.environ["DISPLAY"] = ":93"
        xvfb = subprocess.Popen(["Xvfb", ":93", "-screen", "0", "1280x1024x24"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1)
    env = dict(os.environ)
    pulse = None
    if not args.mute:
        pulse, server = start_pulse(env)
        if server:
            env["PULSE_SERVER"] = server
        else:
            print("pulseaudio not installed: sound goes to whatever device there is")
    runs = {q: [] for q in args.quarvel}
    floor = []
    try:
        for _ in range(args.runs):
            if args.floor:
                floor.append(float(subprocess.run([args.floor], capture_output=True, text=True,
                                                  check=True).stdout))
            for q in args.quarvel:
                runs[q].append(one_run(q, args.idle, args.play, args.mute, env,
                                       xvfb.pid if xvfb else None))
    finally:
        if xvfb:
            xvfb.terminate()
        if pulse:
            subprocess.run(["pulseaudio", "--kill"], env=dict(env, XDG_RUNTIME_DIR=pulse,
                                                               HOME=pulse))
            shutil.rmtree(pulse, ignore_errors=True)
    if floor:
        print(f"a bare 33 ms wake: median {statistics.median(floor):.1f} us of processor time "
              f"(min {min(floor):.1f}, max {max(floor):.1f}, {len(floor)} runs)")
    for q in args.quarvel:
        print(q)
        for key in sorted({k for r in runs[q] for k in r}):
            values = [r[key] for r in runs[q] if key in r]
            print(f"  {key}: median {statistics.median(values):.4f} "
                  f"(min {min(values):.4f}, max {max(values):.4f}, {len(values)} runs)")


if __name__ == "__main__":
    sys.exit(main())
