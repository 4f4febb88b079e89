#!/usr/bin/env python3
"""Per-thread profile: where Veltrin's CPU goes while a clip plays, against
the same file decoded by a paced decode-only pipeline (gst-launch, every
stream into a clock-synced fakesink), so the decoder's cost inside and
outside the player can be compared thread by thread.

usage: bench/threads.py --veltrin BINARY [--full-screen] [--reps N] CLIP...

Each run measures seconds 5-15 after launch: the run time of every thread
(schedstat) and its voluntary and involuntary context switches, summed by
thread name. GStreamer names a streaming thread after the pad whose task it
runs; threads a library starts (libav's) take the name of the thread that
started them. Runs of the player and the pipeline alternate. With
--full-screen the player's Full Screen button is pressed 2.5 s in, so the
frames are made at the screen's size (the window keeps its size on an X
server without a window manager; the frames do not).

Needs an X server in DISPLAY (bench/run starts one); the player gets a
runtime and configuration folder of its own per run.
"""

import argparse
import collections
import os
import statistics
import subprocess
import sys
import tempfile
import time

START, END = 5.0, 15.0
# The decode-only pipeline waits for a video stream these files do not have.
AUDIO_EXTENSIONS = {".mp3", ".mp2", ".wma", ".wav", ".ogg", ".flac", ".m4a"}


def snapshot(pid):
    out = {}
    try:
        tids = os.listdir(f"/proc/{pid}/task")
    except OSError:
        return out
    for tid in tids:
        base = f"/proc/{pid}/task/{tid}"
        try:
            with open(f"{base}/comm") as f:
                name = f.read().strip()
            with open(f"{base}/schedstat") as f:
                run_ns = int(f.read().split()[0])
            switches = {}
            with open(f"{base}/status") as f:
                for line in f:
                    key, _, value = line.partition(":")
                    if key in ("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches"):
                        switches[key] = int(value)
        except (OSError, ValueError, IndexError):
            continue  # the thread ended meanwhile
        out[tid] = (name, run_ns, switches.get("voluntary_ctxt_switches", 0),
                    switches.get("nonvoluntary_ctxt_switches", 0))
    return out


def profile(cmd, env, full_screen=False):
    """Per thread name: [ms of CPU a second, voluntary and involuntary
    switches a second] over the measured window."""
    proc = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        if full_screen:
            time.sleep(2.5)
            # The Full Screen button of the window at the screen's origin.
            subprocess.run(["xdotool", "mousemove", "275", "27", "click", "1"], check=False)
            time.sleep(START - 2.5)
        else:
            time.sleep(START)
        before = snapshot(proc.pid)
        time.sleep(END - START)
        after = snapshot(proc.pid)
    finally:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    span = END - START
    rows = collections.defaultdict(lambda: [0.0, 0.0, 0.0])
    for tid, (name, run_ns, vol, invol) in after.items():
        _, run0, vol0, invol0 = before.get(tid, (name, 0, 0, 0))
        row = rows[name]
        row[0] += (run_ns - run0) / 1e6 / span
        row[1] += (vol - vol0) / span
        row[2] += (invol - invol0) / span
    return rows


def floor_command(clip):
    return ["gst-launch-1.0", "-q", "filesrc", f"location={clip}", "!", "decodebin", "name=d",
            "d.", "!", "video/x-raw", "!", "queue", "!", "fakesink", "sync=true",
            "d.", "!", "queue", "!", "audio/x-raw", "!", "fakesink", "sync=true"]


def audio_floor_command(clip):
    return ["gst-launch-1.0", "-q", "filesrc", f"location={clip}", "!", "decodebin", "!",
            "audio/x-raw", "!", "fakesink", "sync=true"]


def print_table(title, runs):
    names = sorted({n for r in runs for n in r}, key=lambda n: -statistics.median(
        [r[n][0] if n in r else 0.0 for r in runs]))
    print(f"  {title}")
    total = statistics.median([sum(v[0] for v in r.values()) for r in runs])
    for name in names:
        cpu = statistics.median([r[name][0] if name in r else 0.0 for r in runs])
        vol = statistics.median([r[name][1] if name in r else 0.0 for r in runs])
        invol = statistics.median([r[name][2] if name in r else 0.0 for r in runs])
        if cpu < 0.05 and vol < 1:
            continue
        print(f"    {name:24s} {cpu:7.1f} ms/s {vol:7.1f} wake-ups/s {invol:7.1f} preempted/s")
    print(f"    {'all threads':24s} {total:7.1f} ms/s")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--veltrin", required=True)
    ap.add_argument("--full-screen", action="store_true")
    ap.add_argument("--reps", type=int, default=3)
    ap.add_argument("clips", nargs="+")
    args = ap.parse_args()
    if "DISPLAY" not in os.environ:
        sys.exit("threads.py: needs an X server in DISPLAY")
    for clip in args.clips:
        player_runs, floor_runs = [], []
        audio_only = os.path.splitext(clip)[1].lower() in AUDIO_EXTENSIONS
        floor = audio_floor_command(clip) if audio_only else floor_command(clip)
        for _ in range(args.reps):
            with tempfile.TemporaryDirectory() as run_dir:
                env = dict(os.environ)
                runtime = os.path.join(run_dir, "runtime")
                os.makedirs(runtime, mode=0o700)
                env.update(XDG_RUNTIME_DIR=runtime, XDG_CONFIG_HOME=os.path.join(run_dir, "config"),
                           QT_QPA_PLATFORM="xcb")
                player_runs.append(profile([args.veltrin, clip], env, args.full_screen))
            floor_runs.append(profile(floor, dict(os.environ)))
        print(f"{os.path.basename(clip)} (medians of {args.reps}, seconds {START:.0f}-{END:.0f})")
        print_table("veltrin" + (" at full screen" if args.full_screen else ""), player_runs)
        print_table("decode only, paced", floor_runs)


if __name__ == "__main__":
    main()
