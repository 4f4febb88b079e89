#!/usr/bin/env python3
"""Whole-process benchmark: Veltrin against mpv and VLC on the same clips.

Everything runs under a private Xvfb with null audio. For each clip the players
are started in turn (A B C A B C ...) and measured from the outside:

  window    launch to the player's top-level window being mapped
  frame     launch to the first moving picture on screen (sampled rows of the
            video area stop being uniform)
  cpu       CPU cores used by the player (its whole process tree) and by the
            X server from second 5 to second 15 after launch
  hwm       peak resident memory (VmHWM) of the player, read at second 15.5
  dropped   frames dropped, as far as the player can tell

Only the Python standard library is used; X is reached through libX11 with
ctypes so that screen polling costs one small XGetImage per sample.
"""

import argparse
import copy
import csv
import ctypes
import ctypes.util
import json
import os
import pwd
import re
import shutil
import signal
import socket
import statistics
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
CLOCK_TICK = os.sysconf("SC_CLK_TCK")
CLIP_SECONDS = 30
# Suffix of a peer that draws its video at Veltrin's video-area size.
SAME_SIZE = "@area"

# ---------------------------------------------------------------- clips

# name, file, video size or None, frames per second, ffmpeg arguments
CLIPS = [
    ("vcd", "vcd-track.dat", (352, 288), 25),
    ("dvd", "dvd-title.vob", (720, 576), 25),
    ("h264", "h264-1080p30.mp4", (1920, 1080), 30),
    ("wmv", "wmv2-720p.wmv", (1280, 720), 30),
    ("mp3", "tone.mp3", None, None),
    # The vcd clip's MPEG as track 1 of a Video CD image, read through the
    # player's own disc reader; Veltrin only, compared with the .DAT.
    ("vcdimg", "vcd-image/vcd.cue", (352, 288), 25),
]
# Clips only Veltrin plays: the file a path inside a disc image names.
VELTRIN_ONLY = {"vcdimg": "MPEGAV/AVSEQ01.DAT"}


def lavfi_inputs(size, rate, audio_rate):
    args = []
    if size:
        args += ["-f", "lavfi", "-i",
                 f"testsrc2=size={size[0]}x{size[1]}:rate={rate}:duration={CLIP_SECONDS}"]
    args += ["-f", "lavfi", "-i",
             f"sine=frequency=440:sample_rate={audio_rate}:duration={CLIP_SECONDS}"]
    return args


def ffmpeg(args):
    subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-y"] + args, check=True)


def wrap_cdxa(mpeg_path, dat_path):
    """Wraps an MPEG-1 system stream in RIFF/CDXA the way a Video CD track
    reads from disc: 2352-byte mode 2 form 2 sectors of 2324 payload bytes."""
    payload = 2324
    with open(mpeg_path, "rb") as f:
        mpeg = f.read()
    body = bytearray()
    header = (b"\x00" + b"\xff" * 10 + b"\x00"  # sync
              + b"\x00\x02\x00\x02"  # address, mode 2
              + b"\x01\x01\x62\x00\x01\x01\x62\x00")  # subheader, form 2
    for off in range(0, len(mpeg), payload):
        chunk = mpeg[off:off + payload]
        body += header + chunk + b"\x00" * (payload - len(chunk)) + b"\x00" * 4  # EDC
    out = (b"RIFF" + struct.pack("<I", 4 + 24 + 8 + len(body)) + b"CDXA"
           + b"fmt " + struct.pack("<I", 16) + b"\x00" * 16
           + b"data" + struct.pack("<I", len(body)) + bytes(body))
    with open(dat_path, "wb") as f:
        f.write(out)


def make_clip(name, path, size, rate):
    tmp = path + ".part"
    if name == "vcd":
        mpg = path + ".mpg"
        ffmpeg(lavfi_inputs(size, rate, 44100) + ["-target", "pal-vcd", "-f", "vcd", mpg])
        wrap_cdxa(mpg, tmp)
        os.remove(mpg)
    elif name == "dvd":
        ffmpeg(lavfi_inputs(size, rate, 48000) + ["-target", "pal-dvd", "-f", "vob", tmp])
    elif name == "h264":
        ffmpeg(lavfi_inputs(size, rate, 48000)
               + ["-c:v", "libx264", "-preset", "veryfast", "-crf", "20", "-pix_fmt", "yuv420p",
                  "-c:a", "aac", "-b:a", "160k", "-f", "mp4", tmp])
    elif name == "wmv":
        ffmpeg(lavfi_inputs(size, rate, 44100)
               + ["-c:v", "wmv2", "-b:v", "6M", "-c:a", "wmav2", "-b:a", "128k", "-f", "asf", tmp])
    elif name == "vcdimg":
        folder = os.path.dirname(path)
        os.makedirs(folder, exist_ok=True)
        mpg = os.path.join(folder, "track1.mpg")
        ffmpeg(lavfi_inputs(size, rate, 44100) + ["-target", "pal-vcd", "-f", "vcd", mpg])
        subprocess.run(["vcdimager", "-t", "vcd2", "-c", "vcd.cue.part", "-b", "vcd.bin",
                        "track1.mpg"], cwd=folder, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        os.remove(mpg)
    elif name == "mp3":
        ffmpeg(lavfi_inputs(None, rate, 44100) + ["-c:a", "libmp3lame", "-b:a", "192k", "-f", "mp3", tmp])
    os.replace(tmp, path)


def ensure_clips(folder, names):
    os.makedirs(folder, exist_ok=True)
    clips = []
    for name, file, size, rate in CLIPS:
        if name not in names:
            continue
        path = os.path.join(folder, file)
        if not os.path.exists(path):
            print(f"generating {path}", file=sys.stderr)
            make_clip(name, path, size, rate)
        if name in VELTRIN_ONLY:
            path = os.path.join(path, VELTRIN_ONLY[name])
        clips.append({"name": name, "path": path, "size": size, "fps": rate,
                      "veltrin_only": name in VELTRIN_ONLY})
    return clips


# ---------------------------------------------------------------- X through libX11

class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


class XMapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong),
                ("window", ctypes.c_ulong), ("override_redirect", ctypes.c_int)]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xmap", XMapEvent), ("pad", ctypes.c_long * 24)]


class XWindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("border_width", ctypes.c_int), ("depth", ctypes.c_int),
                ("visual", ctypes.c_void_p), ("root", ctypes.c_ulong), ("c_class", ctypes.c_int),
                ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int),
                ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
                ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
                ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]


MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
Z_PIXMAP = 2
ALL_PLANES = 0xFFFFFFFF

_ErrorHandler = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)


class X:
    """A connection to the benchmark's X server."""

    def __init__(self, display):
        lib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.lib = lib
        lib.XOpenDisplay.restype = ctypes.c_void_p
        lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        lib.XDefaultRootWindow.restype = ctypes.c_ulong
        lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        lib.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        lib.XPending.argtypes = [ctypes.c_void_p]
        lib.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
        lib.XConnectionNumber.argtypes = [ctypes.c_void_p]
        lib.XGetImage.restype = ctypes.POINTER(XImage)
        lib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                  ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        lib.XFree.argtypes = [ctypes.c_void_p]
        lib.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                             ctypes.POINTER(XWindowAttributes)]
        lib.XTranslateCoordinates.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                              ctypes.c_int, ctypes.c_int,
                                              ctypes.POINTER(ctypes.c_int),
                                              ctypes.POINTER(ctypes.c_int),
                                              ctypes.POINTER(ctypes.c_ulong)]
        lib.XWarpPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_int,
                                     ctypes.c_int, ctypes.c_uint, ctypes.c_uint, ctypes.c_int,
                                     ctypes.c_int]
        lib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        lib.XSetErrorHandler.argtypes = [_ErrorHandler]
        # Windows vanish between an event and a query; the default handler
        # would end this process.
        self._on_error = _ErrorHandler(lambda d, e: 0)
        lib.XSetErrorHandler(self._on_error)
        self.dpy = lib.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError(f"cannot open display {display}")
        self.root = lib.XDefaultRootWindow(self.dpy)
        lib.XSelectInput(self.dpy, self.root, SUBSTRUCTURE_NOTIFY_MASK)
        lib.XSync(self.dpy, 0)

    def drain(self):
        ev = XEvent()
        while self.lib.XPending(self.dpy):
            self.lib.XNextEvent(self.dpy, ctypes.byref(ev))

    def mapped_windows(self):
        """Top-level windows mapped since the last call (not override-redirect)."""
        out = []
        ev = XEvent()
        while self.lib.XPending(self.dpy):
            self.lib.XNextEvent(self.dpy, ctypes.byref(ev))
            if ev.type == MAP_NOTIFY and not ev.xmap.override_redirect:
                out.append(ev.xmap.window)
        return out

    def geometry(self, window):
        """(x, y, width, height) on the screen, or None when it is gone or unmapped."""
        attrs = XWindowAttributes()
        if not self.lib.XGetWindowAttributes(self.dpy, window, ctypes.byref(attrs)):
            return None
        if attrs.map_state != 2:  # IsViewable
            return None
        x, y, child = ctypes.c_int(), ctypes.c_int(), ctypes.c_ulong()
        self.lib.XTranslateCoordinates(self.dpy, window, self.root, 0, 0, ctypes.byref(x),
                                       ctypes.byref(y), ctypes.byref(child))
        return (x.value, y.value, attrs.width, attrs.height)

    def grab(self, x, y, w, h):
        """Pixels of a screen rectangle as rows of 32-bit BGRx values."""
        img = self.lib.XGetImage(self.dpy, self.root, x, y, w, h, ALL_PLANES, Z_PIXMAP)
        if not img:
            return None
        im = img.contents
        try:
            if im.bits_per_pixel != 32:
                return None
            raw = ctypes.string_at(im.data, im.bytes_per_line * im.height)
            rows = []
            for r in range(im.height):
                line = memoryview(raw)[r * im.bytes_per_line:r * im.bytes_per_line + 4 * im.width]
                rows.append(line.cast("I"))
            return rows
        finally:
            self.lib.XFree(im.data)
            self.lib.XFree(img)

    def warp_pointer(self, x, y):
        self.lib.XWarpPointer(self.dpy, 0, self.root, 0, 0, 0, 0, x, y)
        self.lib.XSync(self.dpy, 0)


def channels(p):
    return (p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF


def nonuniform(rows, step=3, tolerance=40, share=0.05):
    """True when enough sampled pixels differ clearly from the first one."""
    if not rows:
        return False
    ref = channels(rows[0][0])
    total = differ = 0
    for row in rows:
        for i in range(0, len(row), step):
            total += 1
            c = channels(row[i])
            if max(abs(c[0] - ref[0]), abs(c[1] - ref[1]), abs(c[2] - ref[2])) > tolerance:
                differ += 1
    return total > 0 and differ >= share * total


def black_area(x, rect, share=0.15):
    """The empty video area of a player window: the longest run of rows, and
    within it of columns, that are at least `share` pure black (a logo in the
    middle of the area breaks neither)."""
    rx, ry, rw, rh = rect
    rows = x.grab(rx, ry, rw, rh)
    if not rows:
        return None

    def longest_run(flags):
        best, start = (0, 0), None
        for i, f in enumerate(list(flags) + [False]):
            if f and start is None:
                start = i
            elif not f and start is not None:
                if i - start > best[1] - best[0]:
                    best = (start, i)
                start = None
        return best

    black = [[(p & 0xFFFFFF) == 0 for p in row] for row in rows]
    top, bottom = longest_run(sum(r) >= share * rw for r in black)
    if bottom - top < 32:
        return None
    left, right = longest_run(
        sum(black[y][c] for y in range(top, bottom)) >= share * (bottom - top) for c in range(rw))
    if right - left < 32:
        return None
    return (left, top, right - left, bottom - top)  # relative to rect


def changed(rows, reference, tolerance=40, share=0.05, step=3):
    """True when enough sampled pixels differ clearly from the reference."""
    if reference is None:
        return True
    total = differ = 0
    for row, ref in zip(rows, reference):
        for i in range(0, min(len(row), len(ref)), step):
            total += 1
            a, b = channels(row[i]), channels(ref[i])
            if max(abs(a[0] - b[0]), abs(a[1] - b[1]), abs(a[2] - b[2])) > tolerance:
                differ += 1
    return total > 0 and differ >= share * total


def probe_rows(x, area):
    """Three rows through the middle of the area, its central 60 %."""
    ax, ay, aw, ah = area
    x0, w = ax + aw // 5, max(1, aw * 3 // 5)
    rows = []
    for f in (0.35, 0.5, 0.65):
        got = x.grab(x0, ay + int(ah * f), w, 1)
        if got is None:
            return None
        rows += got
    return rows


# ---------------------------------------------------------------- processes

def read_stat(pid):
    with open(f"/proc/{pid}/stat") as f:
        s = f.read()
    rest = s[s.rindex(")") + 2:].split()
    # fields after the name: state(3) ppid(4) ... utime(14) stime(15)
    return {"ppid": int(rest[1]), "cpu": (int(rest[11]) + int(rest[12])) / CLOCK_TICK,
            "comm": s[s.index("(") + 1:s.rindex(")")]}


def process_tree(pid):
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                st = read_stat(int(entry))
            except (OSError, ValueError, IndexError):
                continue
            children.setdefault(st["ppid"], []).append(int(entry))
    out, todo = [], [pid]
    while todo:
        p = todo.pop()
        out.append(p)
        todo += children.get(p, [])
    return out


WRAPPERS = {"runuser", "env"}


def sched_cpu(pid):
    """Run time of the live threads in nanosecond resolution (schedstat)."""
    total = 0
    try:
        tids = os.listdir(f"/proc/{pid}/task")
    except OSError:
        return 0.0
    for tid in tids:
        try:
            with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                total += int(f.read().split()[0])
        except (OSError, ValueError, IndexError):
            pass
    return total / 1e9


def tree_cpu(pid):
    """(utime+stime of every process, which counts exited threads but only in
    clock ticks; schedstat run time of the live threads, in nanoseconds)."""
    ticks = fine = 0.0
    for p in process_tree(pid):
        try:
            ticks += read_stat(p)["cpu"]
            fine += sched_cpu(p)
        except (OSError, ValueError, IndexError):
            pass
    return ticks, fine


def cpu_delta(a, b):
    """Seconds of CPU between two tree_cpu samples: clock ticks for busy
    processes, schedstat where ticks are too coarse (idle players)."""
    ticks, fine = b[0] - a[0], b[1] - a[1]
    return ticks if ticks >= 0.5 else fine


def tree_hwm_kib(pid):
    """Peak resident memory of the player's processes, wrappers left out."""
    total = 0
    for p in process_tree(pid):
        try:
            if read_stat(p)["comm"] in WRAPPERS:
                continue
            with open(f"/proc/{p}/status") as f:
                m = re.search(r"^VmHWM:\s+(\d+)", f.read(), re.M)
            total += int(m.group(1)) if m else 0
        except OSError:
            pass
    return total


def stop_tree(proc, grace=5.0):
    """Ends the player: SIGTERM to each of its processes by id, then SIGKILL."""
    pids = list(reversed(process_tree(proc.pid)))
    for p in pids:
        try:
            os.kill(p, signal.SIGTERM)
        except OSError:
            pass
    try:
        proc.wait(timeout=grace)
    except subprocess.TimeoutExpired:
        for p in process_tree(proc.pid):
            try:
                os.kill(p, signal.SIGKILL)
            except OSError:
                pass
        proc.wait()


# ---------------------------------------------------------------- players

class Player:
    name = ""

    def __init__(self, work):
        self.work = work
        self.size = None  # (w, h) of the video window, None: the player's own choice

    def command(self, clip, run_dir):  # clip None: idle
        raise NotImplementedError

    def env(self, base, run_dir):
        return dict(base)

    def video_area(self, window_rect):
        return window_rect

    def stats_before_stop(self, run_dir):
        return {}

    def stats_after_stop(self, run_dir, clip):
        return {}


class Veltrin(Player):
    name = "veltrin"

    def __init__(self, work, binary):
        super().__init__(work)
        self.binary = binary
        self.area = None  # video area inside the window, found with no media
        self.reference = None  # what the probe rows show there with no media

    def command(self, clip, run_dir):
        return [self.binary] + ([clip["path"]] if clip else [])

    def env(self, base, run_dir):
        e = dict(base)
        rt = os.path.join(run_dir, "runtime")
        os.makedirs(rt, mode=0o700, exist_ok=True)
        os.makedirs(os.path.join(run_dir, "config"), exist_ok=True)
        # Single instance per user: a runtime folder of its own per run.
        e.update(XDG_RUNTIME_DIR=rt, XDG_CONFIG_HOME=os.path.join(run_dir, "config"),
                 QT_QPA_PLATFORM="xcb", VELTRIN_STATS=os.path.join(run_dir, "stats.json"))
        return e

    def video_area(self, window_rect):
        if not self.area:
            return window_rect
        ax, ay, aw, ah = self.area
        return (window_rect[0] + ax, window_rect[1] + ay, aw, ah)

    def stats_after_stop(self, run_dir, clip):
        path = os.path.join(run_dir, "stats.json")
        try:
            with open(path) as f:
                s = json.load(f)
        except (OSError, ValueError):
            return {}
        out = {"shown": s.get("framesShown")}
        if clip and clip["fps"] and s.get("framesShown") is not None and s.get("graphs"):
            # Frames the stream time holds, from the first frame that entered
            # the video path to the last one shown.
            expected = round(s["spanSeconds"] * clip["fps"]) + s["graphs"]
            out["expected"] = expected
            out["dropped"] = max(0, expected - s["framesShown"])
        return out


class Mpv(Player):
    name = "mpv"

    def command(self, clip, run_dir):
        cmd = ["mpv", "--no-config", "--vo=x11", "--ao=null", "--hwdec=no", "--no-terminal",
               f"--input-ipc-server={os.path.join(run_dir, 'mpv.sock')}"]
        if self.size:
            cmd.append(f"--autofit={self.size[0]}x{self.size[1]}")
        if clip:
            return cmd + [clip["path"]]
        return cmd + ["--idle=yes", "--force-window=yes"]

    def stats_before_stop(self, run_dir):
        out = {}
        try:
            s = socket.socket(socket.AF_UNIX)
            s.settimeout(2)
            s.connect(os.path.join(run_dir, "mpv.sock"))
            for i, prop in enumerate(("frame-drop-count", "decoder-frame-drop-count")):
                s.sendall(json.dumps({"command": ["get_property", prop], "request_id": i}).encode()
                          + b"\n")
            buf = b""
            deadline = time.monotonic() + 2
            while buf.count(b"request_id") < 2 and time.monotonic() < deadline:
                buf += s.recv(4096)
            s.close()
            total = 0
            for line in buf.splitlines():
                msg = json.loads(line)
                if "request_id" in msg and isinstance(msg.get("data"), int):
                    total += msg["data"]
            out["dropped"] = total
        except (OSError, ValueError):
            pass
        return out


class Vlc(Player):
    name = "vlc"

    def __init__(self, work, user):
        super().__init__(work)
        self.user = user

    def command(self, clip, run_dir):
        sock = os.path.join(run_dir, "vlc.sock")
        cmd = ["runuser", "-u", self.user, "--", "env", f"HOME={pwd.getpwnam(self.user).pw_dir}",
               f"XDG_RUNTIME_DIR={os.path.join(run_dir, 'runtime')}",
               "cvlc", "--vout=xcb_x11", "--aout=adummy", "--extraintf=oldrc",
               f"--rc-unix={sock}", "--rc-fake-tty"]
        if self.size and clip and clip["size"]:
            # The X11 output sizes its window by the zoom factor only.
            zoom = min(self.size[0] / clip["size"][0], self.size[1] / clip["size"][1])
            cmd.append(f"--zoom={zoom:.4f}")
        return cmd + ([clip["path"]] if clip else [])

    def env(self, base, run_dir):
        rt = os.path.join(run_dir, "runtime")
        os.makedirs(rt, mode=0o700, exist_ok=True)
        pw = pwd.getpwnam(self.user)
        os.chown(rt, pw.pw_uid, pw.pw_gid)
        os.chown(run_dir, pw.pw_uid, pw.pw_gid)
        return dict(base)

    def stats_before_stop(self, run_dir):
        out = {}
        try:
            s = socket.socket(socket.AF_UNIX)
            s.settimeout(2)
            s.connect(os.path.join(run_dir, "vlc.sock"))
            s.sendall(b"stats\n")
            buf = b""
            deadline = time.monotonic() + 2
            while b"lost frames" not in buf and b"frames lost" not in buf \
                    and time.monotonic() < deadline:
                try:
                    buf += s.recv(4096)
                except socket.timeout:
                    break
            time.sleep(0.05)
            s.close()
            text = buf.decode(errors="replace")
            m = re.search(r"(?:lost frames|frames lost)\s*:\s*(\d+)", text)
            if m:
                out["dropped"] = int(m.group(1))
            m = re.search(r"(?:displayed frames|frames displayed)\s*:\s*(\d+)", text)
            if m:
                out["shown"] = int(m.group(1))
        except OSError:
            pass
        return out


# ---------------------------------------------------------------- one run

def main_thread_wakeups(pid):
    """Voluntary context switches of a process's main thread (the GUI thread
    for Veltrin): each one is a sleep that something woke."""
    try:
        with open(f"/proc/{pid}/task/{pid}/status") as f:
            for line in f:
                if line.startswith("voluntary_ctxt_switches:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def run_once(x, xvfb_pid, player, clip, base_env, work, idle_seconds=10.0, startup_only=False):
    run_dir = tempfile.mkdtemp(prefix=f"{player.name}-", dir=work)
    os.chmod(run_dir, 0o755)
    env = player.env(base_env, run_dir)
    log = open(os.path.join(run_dir, "log"), "wb")
    x.warp_pointer(1919, 1079)  # out of every window: no hover effects
    x.drain()
    t0 = time.monotonic()
    proc = subprocess.Popen(player.command(clip, run_dir), env=env, stdout=log, stderr=log,
                            stdin=subprocess.DEVNULL)
    res = {"player": player.name, "clip": clip["name"] if clip else "idle"}
    window = None
    frame_deadline = t0 + (4.5 if clip else 3.0)
    has_video = bool(clip and clip["size"])
    while time.monotonic() < frame_deadline and proc.poll() is None:
        if window is None:
            for w in x.mapped_windows():
                g = x.geometry(w)
                if g and g[2] >= 64 and g[3] >= 64:
                    window = w
                    res["window_ms"] = (time.monotonic() - t0) * 1000
                    res["window_size"] = f"{g[2]}x{g[3]}"
                    break
        if window is not None and has_video and "frame_ms" not in res:
            g = x.geometry(window)
            if g:
                rows = probe_rows(x, player.video_area(g))
                if rows and nonuniform(rows) and changed(rows, getattr(player, "reference", None)):
                    res["frame_ms"] = (time.monotonic() - t0) * 1000
        if window is not None and (not has_video or "frame_ms" in res):
            break
        time.sleep(0.004)
    if clip is None and window is not None and isinstance(player, Veltrin) and player.area is None:
        time.sleep(1.0)  # let it paint
        g = x.geometry(window)
        if g:
            player.area = black_area(x, g)
            res["video_area"] = player.area
            if player.area:
                player.reference = probe_rows(x, player.video_area(g))

    if startup_only:
        # Launch, window and first frame only: cheap enough to repeat often.
        stop_tree(proc)
        log.close()
        return res

    # CPU over a fixed window of the run, nothing polling meanwhile.
    start, end = (5.0, 15.0) if clip else (3.0, 3.0 + idle_seconds)
    time.sleep(max(0.0, t0 + start - time.monotonic()))
    alive = proc.poll() is None
    c0, x0, w0 = tree_cpu(proc.pid), tree_cpu(xvfb_pid), time.monotonic()
    s0 = main_thread_wakeups(proc.pid)
    time.sleep(max(0.0, t0 + end - time.monotonic()))
    c1, x1, w1 = tree_cpu(proc.pid), tree_cpu(xvfb_pid), time.monotonic()
    s1 = main_thread_wakeups(proc.pid)
    alive = alive and proc.poll() is None
    if alive:
        res["cpu_seconds"] = cpu_delta(c0, c1)
        res["cpu_player"] = res["cpu_seconds"] / (w1 - w0)
        res["cpu_x"] = cpu_delta(x0, x1) / (w1 - w0)
        res["cpu_total"] = res["cpu_player"] + res["cpu_x"]
        res["hwm_mib"] = tree_hwm_kib(proc.pid) / 1024.0
        if s0 is not None and s1 is not None:
            res["wakeups_s"] = (s1 - s0) / (w1 - w0)
        if clip:
            res.update(player.stats_before_stop(run_dir))
    else:
        res["error"] = f"exited early ({proc.returncode})"
    stop_tree(proc)
    if clip:
        res.update({k: v for k, v in player.stats_after_stop(run_dir, clip).items()
                    if v is not None})
    log.close()
    return res


# ---------------------------------------------------------------- decode floor

def decode_floor(clip, reps):
    """CPU seconds per content second to decode (and, for video, convert to
    BGRx at the native size) with nothing shown and no clock."""
    def cpu_of(pipeline):
        t = []
        for _ in range(reps):
            p = subprocess.Popen(["gst-launch-1.0", "-q"] + pipeline, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
            _, status, ru = os.wait4(p.pid, 0)
            p.returncode = os.waitstatus_to_exitcode(status)
            t.append((ru.ru_utime + ru.ru_stime) / CLIP_SECONDS)
        return statistics.median(t)

    src = ["filesrc", f"location={clip['path']}", "!", "decodebin", "name=d"]
    sink = ["!", "queue", "!", "fakesink", "sync=false"]
    audio = ["d.", "!", "queue", "!", "audio/x-raw", "!", "fakesink", "sync=false"]
    out = {}
    if clip["size"]:
        out["decode"] = cpu_of(src + ["d.", "!", "video/x-raw"] + sink + audio)
        out["decode_convert"] = cpu_of(
            src + ["d.", "!", "video/x-raw", "!", "videoconvertscale", "!",
                   "video/x-raw,format=BGRx"] + sink + audio)
    else:
        out["decode"] = cpu_of(src + audio)
    return out


# ---------------------------------------------------------------- report

METRICS = [
    ("window_ms", "launch to window (ms)"),
    ("frame_ms", "launch to first frame (ms)"),
    ("cpu_player", "player CPU (cores)"),
    ("cpu_x", "X server CPU (cores)"),
    ("cpu_total", "player + X (cores)"),
    ("hwm_mib", "peak memory (MiB)"),
    ("dropped", "frames dropped"),
    ("wakeups_s", "main-thread wake-ups / s"),
]
IDLE_METRICS = [("cpu_seconds", "idle CPU seconds / 10 s"), ("cpu_player", "idle CPU (cores)"),
                ("hwm_mib", "idle memory (MiB)"), ("wakeups_s", "main-thread wake-ups / s")]


def summary(values):
    v = [a for a in values if a is not None]
    if not v:
        return None
    return statistics.median(v), min(v), max(v)


def fmt(s, digits):
    if s is None:
        return "n/a"
    med, lo, hi = s
    return f"{med:.{digits}f} [{lo:.{digits}f}-{hi:.{digits}f}]"


def digits_of(key):
    return {"window_ms": 0, "frame_ms": 0, "hwm_mib": 1, "dropped": 0,
            "wakeups_s": 1}.get(key, 3)


def report(results, players, clips, floors, out_csv, load_note):
    names = [p.name for p in players]
    peers = [n for n in names if n != "veltrin"]
    lines = []
    head = f"{'clip':6} {'metric':28}" + "".join(f" {n:>26}" for n in names) + "".join(
        f" {'veltrin/' + p:>14}" for p in peers)
    lines.append(head)
    lines.append("-" * len(head))
    rows_csv = []
    verdicts = []

    def cell(clip_name, player, key):
        return summary([r.get(key) for r in results
                        if r["clip"] == clip_name and r["player"] == player and "error" not in r])

    for clip_name, metrics in [(c["name"], METRICS) for c in clips] + [("idle", IDLE_METRICS)]:
        for key, label in metrics:
            cells = {n: cell(clip_name, n, key) for n in names}
            if all(v is None for v in cells.values()):
                continue
            line = f"{clip_name:6} {label:28}" + "".join(
                f" {fmt(cells[n], digits_of(key)):>26}" for n in names)
            for p in peers:
                a, b = cells.get("veltrin"), cells.get(p)
                ratio = a[0] / b[0] if a and b and b[0] > 0 else None
                line += f" {('%.2f' % ratio) if ratio is not None else 'n/a':>14}"
            lines.append(line)
            for n in names:
                if cells[n]:
                    rows_csv.append([clip_name, key, n, *cells[n],
                                     len([r for r in results if r['clip'] == clip_name
                                          and r['player'] == n and r.get(key) is not None])])
        if clip_name in floors:
            f = floors[clip_name]
            lines.append(f"{clip_name:6} {'floor: decode (cores)':28} {f['decode']:>26.3f}")
            if "decode_convert" in f:
                lines.append(f"{clip_name:6} {'floor: decode+BGRx (cores)':28} "
                             f"{f['decode_convert']:>26.3f}")
        lines.append("")

    # Targets, each a ratio within this run.
    def med(clip_name, player, key):
        s = cell(clip_name, player, key)
        return s[0] if s else None

    def check(desc, ok, detail):
        verdicts.append(f"  [{'met' if ok else 'NOT met'}] {desc}: {detail}")

    for c in clips:
        n = c["name"]
        if c["size"]:
            v = med(n, "veltrin", "frame_ms")
            best = min([m for m in (med(n, p, "frame_ms") for p in peers
                                    if not p.endswith(SAME_SIZE)) if m is not None],
                       default=None)
            if v is not None and best is not None:
                check(f"{n}: first frame <= fastest peer", v <= best,
                      f"{v:.0f} ms vs {best:.0f} ms ({v / best:.2f}x)")
        v = med(n, "veltrin", "cpu_total")
        # Against the peers as a user sees them, and drawing the same picture size.
        for p, limit in (("vlc", 1.0), ("mpv", 0.8), ("vlc" + SAME_SIZE, 0.8),
                         ("mpv" + SAME_SIZE, 0.8)):
            o = med(n, p, "cpu_total")
            if v is not None and o:
                check(f"{n}: player+X <= {limit} x {p}", v <= limit * o,
                      f"{v:.3f} vs {o:.3f} cores ({v / o:.2f}x)")
        v, o = med(n, "veltrin", "hwm_mib"), med(n, "mpv", "hwm_mib")
        if v is not None and o:
            check(f"{n}: peak memory <= mpv", v <= o, f"{v:.1f} vs {o:.1f} MiB ({v / o:.2f}x)")
        d = med(n, "veltrin", "dropped")
        if c["size"] and d is not None:
            check(f"{n}: full frame rate", d == 0, f"{d:.0f} frames dropped (median)")
    # A Video CD track read from an image costs what the same track as a file does.
    if any(c["name"] == "vcdimg" for c in clips) and any(c["name"] == "vcd" for c in clips):
        v, o = med("vcdimg", "veltrin", "frame_ms"), med("vcd", "veltrin", "frame_ms")
        if v is not None and o:
            check("vcdimg: first frame <= 1.1 x the .DAT's", v <= 1.1 * o,
                  f"{v:.0f} ms vs {o:.0f} ms ({v / o:.2f}x)")
        v, o = med("vcdimg", "veltrin", "cpu_total"), med("vcd", "veltrin", "cpu_total")
        if v is not None and o:
            check("vcdimg: player+X within 10 % of the .DAT's", abs(v - o) <= 0.1 * o,
                  f"{v:.3f} vs {o:.3f} cores ({v / o:.2f}x)")
    v, o = med("idle", "veltrin", "cpu_player"), med("idle", "mpv", "cpu_player")
    if v is not None and o is not None:
        check("idle CPU <= mpv idle", v <= o, f"{v * 100:.2f} % vs {o * 100:.2f} % of a core")
    if v is not None:
        check("idle CPU <= 0.1 % of a core", v <= 0.001, f"{v * 100:.2f} %")
    w = med("idle", "veltrin", "wakeups_s")
    if w is not None:
        check("idle GUI-thread wake-ups <= 2 / s", w <= 2, f"{w:.1f} / s")
    w = med("mp3", "veltrin", "wakeups_s")
    if w is not None:
        check("mp3 GUI-thread wake-ups <= 12 / s", w <= 12, f"{w:.1f} / s")
    v, o = med("idle", "veltrin", "hwm_mib"), med("idle", "mpv", "hwm_mib")
    if v is not None and o:
        check("idle memory <= mpv idle", v <= o, f"{v:.1f} vs {o:.1f} MiB")

    text = "\n".join(lines) + "\nTargets (medians, same run):\n" + "\n".join(verdicts) + "\n"
    text += load_note + "\n"
    print(text)
    with open(out_csv, "w", newline="") as f:
        w = csv.writer(f)
        w.writerow(["clip", "metric", "player", "median", "min", "max", "runs"])
        w.writerows(rows_csv)
        for name, fl in floors.items():
            for k, v in fl.items():
                w.writerow([name, f"floor_{k}", "gst-launch", v, v, v, 1])
    return text


# ---------------------------------------------------------------- main

def start_xvfb(work):
    rfd, wfd = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(wfd), "-screen", "0", "1920x1080x24",
                             "-nolisten", "tcp", "-br", "-noreset"],
                            pass_fds=(wfd,), stdout=subprocess.DEVNULL,
                            stderr=open(os.path.join(work, "xvfb.log"), "wb"))
    os.close(wfd)
    buf = b""
    deadline = time.monotonic() + 20
    while not buf.endswith(b"\n") and time.monotonic() < deadline:
        chunk = os.read(rfd, 16)
        if not chunk:
            break
        buf += chunk
    os.close(rfd)
    if not buf.strip():
        proc.kill()
        raise RuntimeError("Xvfb did not start")
    return proc, ":" + buf.decode().strip()


def load_note():
    with open("/proc/loadavg") as f:
        la = f.read().split()[:3]
    return f"load average at the end: {' '.join(la)} on {os.cpu_count()} cores"


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--veltrin", required=True, help="the veltrin binary")
    ap.add_argument("--clips", default=os.path.join(ROOT, "build", "bench-clips"))
    ap.add_argument("--out", default=os.path.join(ROOT, "build", "bench-results"))
    ap.add_argument("--reps", type=int, default=3)
    ap.add_argument("--players", default="veltrin,mpv,vlc")
    ap.add_argument("--only", default=",".join(c[0] for c in CLIPS), help="clips to run")
    ap.add_argument("--peer-user", default="veltrinbench")
    ap.add_argument("--startup-reps", type=int, default=0,
                    help="extra launches per clip and player that measure only the window "
                         "and the first frame (start-up times vary more than the rest)")
    ap.add_argument("--no-floor", action="store_true")
    ap.add_argument("--no-idle", action="store_true")
    ap.add_argument("--peer-size", default="both",
                    help="the peers' video window: 'native' (their own choice, the video's "
                         "size), 'veltrin' (Veltrin's video area), WxH, or 'both' (default: "
                         "each peer runs at its native size and, as PEER@area, at Veltrin's)")
    args = ap.parse_args()

    if args.reps < 1:
        ap.error("--reps must be at least 1")
    if args.startup_reps < 0:
        ap.error("--startup-reps must not be negative")
    clips = ensure_clips(args.clips, args.only.split(","))
    os.makedirs(args.out, exist_ok=True)
    work = tempfile.mkdtemp(prefix="veltrin-bench-")
    os.chmod(work, 0o755)

    wanted = args.players.split(",")
    players = []
    for n in wanted:
        if n == "veltrin":
            players.append(Veltrin(work, os.path.abspath(args.veltrin)))
        elif n == "mpv" and shutil.which("mpv"):
            players.append(Mpv(work))
        elif n == "vlc" and shutil.which("cvlc"):
            players.append(Vlc(work, args.peer_user))
        else:
            print(f"skipping {n}: not installed", file=sys.stderr)

    # Peers running as another user must be able to read the clips.
    if any(isinstance(p, Vlc) for p in players):
        # Veltrin-only clips are paths inside a disc image, not folders.
        for c in (c for c in clips if not c["veltrin_only"]):
            d = os.path.dirname(c["path"])
            while d and d != "/":
                os.chmod(d, os.stat(d).st_mode | 0o005)
                d = os.path.dirname(d)
            os.chmod(c["path"], 0o644)

    base_env = {k: v for k, v in os.environ.items()
                if not k.startswith(("PULSE", "XDG_", "QT_", "GST_", "VELTRIN_", "WAYLAND"))}
    xvfb, display = start_xvfb(work)
    # No sound server at all: every player falls back to its null output.
    base_env.update(DISPLAY=display, PULSE_SERVER="unix:/nonexistent/pulse",
                    PULSE_RUNTIME_PATH="/nonexistent", ALSA_CONFIG_PATH="/dev/null")
    results = []
    try:
        x = X(display)
        # Idle first: the empty Veltrin window shows where its video area is.
        for rep in range(1 if args.no_idle else args.reps):
            for p in players:
                if args.no_idle and not isinstance(p, Veltrin):
                    continue
                r = run_once(x, xvfb.pid, p, None, base_env, work)
                r["rep"] = rep
                print(json.dumps(r), file=sys.stderr, flush=True)
                if not args.no_idle:
                    results.append(r)
        if args.peer_size != "native":
            size = None
            if args.peer_size in ("veltrin", "both"):
                v = next((p for p in players if isinstance(p, Veltrin)), None)
                size = (v.area[2], v.area[3]) if v and v.area else None
            else:
                m = re.fullmatch(r"(\d+)x(\d+)", args.peer_size)
                size = (int(m.group(1)), int(m.group(2))) if m else None
            if not size:
                raise SystemExit(f"--peer-size {args.peer_size}: no size")
            peers = [p for p in players if not isinstance(p, Veltrin)]
            if args.peer_size == "both":
                # The same peer once more, drawing the same picture size as Veltrin.
                for p in peers:
                    twin = copy.copy(p)
                    twin.name = p.name + SAME_SIZE
                    twin.size = size
                    players.append(twin)
            else:
                for p in peers:
                    p.size = size
            print(f"peers show video in a {size[0]}x{size[1]} window", file=sys.stderr)
        for clip in clips:
            for rep in range(args.reps):
                for p in players:
                    if clip["veltrin_only"] and not isinstance(p, Veltrin):
                        continue
                    r = run_once(x, xvfb.pid, p, clip, base_env, work)
                    r["rep"] = rep
                    results.append(r)
                    print(json.dumps(r), file=sys.stderr, flush=True)
        for clip in clips:
            if not clip["size"]:
                continue
            for rep in range(args.startup_reps):
                for p in players:
                    if clip["veltrin_only"] and not isinstance(p, Veltrin):
                        continue
                    r = run_once(x, xvfb.pid, p, clip, base_env, work, startup_only=True)
                    r["rep"] = f"startup-{rep}"
                    results.append(r)
                    print(json.dumps(r), file=sys.stderr, flush=True)
        floors = {}
        if not args.no_floor:
            for c in clips:
                if not c["veltrin_only"]:
                    floors[c["name"]] = decode_floor(c, args.reps)
    finally:
        xvfb.terminate()
        xvfb.wait()
    with open(os.path.join(args.out, "runs.jsonl"), "w") as f:
        for r in results:
            f.write(json.dumps(r) + "\n")
    text = report(results, players, clips, floors, os.path.join(args.out, "results.csv"),
                  load_note())
    with open(os.path.join(args.out, "results.txt"), "w") as f:
        f.write(text)
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
