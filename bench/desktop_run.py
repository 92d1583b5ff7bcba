#!/usr/bin/env python3
"""Figures of the desktop program in a real window: the time from exec to the
first frame of the title, the processor time of the idle title (before and
after a sound), of a paused game and of a game in play, and the peak memory of
a whole run; and a sound's latency.

usage: bench/desktop_run.py QUARVEL [QUARVEL ...] [--runs N] [--idle SECONDS]
                            [--play] [--mute | --both] [--latency]
                            [--floor BARE_WAKE]

Several programs (today's main built beside a change) are measured in turns,
run by run, so that the noise of a shared machine falls on each alike. Without
a DISPLAY it starts its own Xvfb, and measures the server's processor time in
play too; with sound on (the default) it starts its own PulseAudio server with
a null sink when pulseaudio is installed, so that the audio device's thread
costs what it costs on a desktop. Each run uses a fresh store and ends with
SIGTERM (the program closes in order). --floor runs the build's bench/bare_wake
before each round: what a thread that sleeps 33 ms and wakes with nothing to do
costs this machine, the floor under each of a game's 30 ticks a second.

In play the processor time of the bench's sound server and of the program's
audio device thread are given too. --both runs each program twice a round, with
sound on and muted (its figures named muted_...), and gives the ratio of their
processor time in play round by round: of the program alone, and of the program
and the sound server together. --latency runs the build's bench/sound_latency
beside each program (BUILD/bench/ for BUILD/host/quarvel) against the bench's
own PulseAudio: the milliseconds from a PlaySound call to the sound's first
frame at the null sink's monitor, for a sound that opens the device, one that
wakes it at rest and one that replaces a sound playing.
"""
import argparse
import os
import pathlib
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
    """The process's processor time, to the nanosecond, ended threads included:
    its CPU-time clock (the kernel's clockid for another process's clock)."""
    return time.clock_gettime(((~pid) << 3) | 2)


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
    """The share of a core used over `seconds`."""
    used = cpu_seconds(pid)
    time.sleep(seconds)
    return 100 * (cpu_seconds(pid) - used) / seconds


def xdo(*args):
    subprocess.run(["xdotool", *args], check=True)


def audio_thread_seconds(pid, seen):
    """Notes in `seen` the processor time of each live audio device thread
    (SDL's) of the process, by thread id."""
    for task, used in thread_seconds(pid).items():
        try:
            with open(f"/proc/{pid}/task/{task}/comm") as f:
                if f.read().startswith("SDLAudio"):
                    seen[task] = used
        except (FileNotFoundError, ProcessLookupError):
            pass


def one_run(quarvel, idle, play, mute, env, server=None, sound_server=None):
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
        used, started = cpu_seconds(proc.pid), time.monotonic()
        server_used = cpu_seconds(server) if server else 0
        sound_used = cpu_seconds(sound_server) if sound_server else 0
        # A device that closes takes its thread along: each is looked at every
        # step, and counts to the last look.
        audio_before, audio = {}, {}
        audio_thread_seconds(proc.pid, audio_before)
        for i in range(40):
            xdo("key", "--window", wid, "Left" if i % 3 else "Right")
            time.sleep(0.25)
            audio_thread_seconds(proc.pid, audio)
        seconds = time.monotonic() - started
        used = cpu_seconds(proc.pid) - used
        figures["play_cpu_percent"] = 100 * used / seconds
        figures["play_cpu_us_per_tick"] = used * 1e6 / (seconds * 1000 / 33)
        if server:
            # What showing the frames costs the X server meanwhile: the program
            # may hand it work (scaling) rather than do it itself.
            server_used = cpu_seconds(server) - server_used
            figures["play_server_cpu_percent"] = 100 * server_used / seconds
        if sound_server:
            # The sound server's share: it runs its sink while a device is open,
            # and converts what it is sent to the sink's format.
            sound_used = cpu_seconds(sound_server) - sound_used
            figures["play_sound_server_cpu_percent"] = 100 * sound_used / seconds
        if not mute:
            figures["play_audio_thread_cpu_percent"] = 100 * sum(
                audio[t] - audio_before.get(t, 0) for t in audio) / seconds
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


def pulse_pid(run):
    with open(f"{run}/pulse/pid") as f:
        return int(f.read())


def latency_run(quarvel, env):
    """sound_latency's figures, beside the program: each case's median and
    worst latency, and the median cost of a sound."""
    tool = pathlib.Path(quarvel).resolve().parents[1] / "bench" / "sound_latency"
    out = subprocess.run([str(tool), "10"], env=env, capture_output=True, text=True, check=True)
    figures = {}
    for line in out.stdout.splitlines():
        name, *values = line.split()
        values = [float(v) for v in values]
        if name.endswith("_us"):
            figures[f"sound_{name}"] = statistics.median(values)
        else:
            figures[f"latency_{name}_ms_median"] = statistics.median(values)
            figures[f"latency_{name}_ms_max"] = max(values)
    return figures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("quarvel", nargs="+")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--idle", type=float, default=0)
    parser.add_argument("--play", action="store_true")
    modes = parser.add_mutually_exclusive_group()
    modes.add_argument("--mute", action="store_true")
    modes.add_argument("--both", action="store_true")
    parser.add_argument("--latency", action="store_true")
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
            if args.latency:
                parser.error("--latency needs pulseaudio")
    mutes = [False, True] if args.both else [args.mute]
    runs = {q: [] for q in args.quarvel}
    floor = []
    try:
        for _ in range(args.runs):
            if args.floor:
                floor.append(float(subprocess.run([args.floor], capture_output=True, text=True,
                                                  check=True).stdout))
            for q in args.quarvel:
                figures = {}
                for mute in mutes:
                    got = one_run(q, args.idle, args.play, mute, env, xvfb.pid if xvfb else None,
                                  pulse_pid(pulse) if pulse else None)
                    prefix = "muted_" if args.both and mute else ""
                    figures.update({prefix + k: v for k, v in got.items()})
                if args.both and args.play:
                    def ratio(*keys):
                        return (sum(figures[k] for k in keys) /
                                sum(figures["muted_" + k] for k in keys))
                    figures["play_cpu_ratio_sound_to_muted"] = ratio("play_cpu_percent")
                    if pulse:
                        figures["play_cpu_with_sound_server_ratio_sound_to_muted"] = ratio(
                            "play_cpu_percent", "play_sound_server_cpu_percent")
                if args.latency:
                    figures.update(latency_run(q, env))
                runs[q].append(figures)
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
