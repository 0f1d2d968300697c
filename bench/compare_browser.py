#!/usr/bin/env python3
"""Lumora next to Chromium's app mode (`chromium --app=URL`) on the same demo home page, in one
run, on one private Xvfb and one demo service:

  - time from process start to the home page's load event (the page reports it to the demo
    service, whose request log carries the time) and to the first paint (Lumora: its loading
    page; Chromium: anything in its window), found by polling pictures of the window;
  - total PSS of the process tree 3 s after the home page loaded (main window only), and 3 s
    after the first demo video started playing in a second window (Lumora's player);
  - idle CPU of the process tree over 60 s with the main window shown.

    bench/compare_browser.py [--build-dir DIR] [--runs N] [--idle S] [--idle-runs K]
                             [--chromium PATH] [--only lumora|chromium] [--json FILE]

  --build-dir DIR  where the program and the demo service are (default build/default; built
                   there when missing)
  --runs N         measured runs of each program (5); medians, minima and maxima are reported
  --idle S         length of the idle CPU measurement (60); 0 skips it
  --idle-runs K    runs that measure idle CPU, the first K (default: all)
  --chromium PATH  the browser to compare with (/usr/bin/chromium)
  --only NAME      measure one of the two only
  --json FILE      also write every run's figures there
  --baseline DIR   also measure the program of another build (say, before a change), in
                   the same runs, without the idle measurement

Both programs start cold each run: Lumora from a fresh copy of the app folder with a fresh
home (so a fresh browser profile), Chromium with a fresh --user-data-dir and home. One
unmeasured start of each comes first, so both find their files in the page cache. The runs
alternate which program goes first. The demo's timed advertisements (pop-under, bottom-right
pop-up) are switched off, so the main window stays the only window until the video opens.
As root, both run with their browser sandbox off (for this measurement only).
"""
import argparse
import ctypes
import json
import os
import re
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

from procs import stop_process

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OFF = "关".encode("gbk")
MAIN_SIZE = (984, 624)  # MainWindow, and the size Chromium's window is given
# MainWindow's content area and spots of it the loading page fills with its background only
# (the same spots the end-to-end tests read).
LOADING_SPOTS = [(100, 128), (880, 178), (100, 588), (880, 588)]
# The first video card of the home page in MainWindow (left, top, width, height), and where
# the pointer goes to click it.
FIRST_VIDEO_CARD = (20, 311, 220, 122)
FIRST_VIDEO_POINT = (130, 370)
POLL_PERIOD = 0.02  # seconds between pictures while waiting for the first paint
HOME_LOAD = "/event?name=home-load"
PLAYING = "/event?name=playing&video=1"


def fail(message):
    raise SystemExit(f"compare_browser.py: {message}")


def wait_for(condition, timeout, what, period=0.05):
    """Polls condition() until it gives something truthy; every wait is bounded."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            fail(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(period)


# --- pictures of windows, straight from the X server ---------------------------------------
# A capture through libX11 takes a few milliseconds; starting `import` or `xwd` per picture
# would take ten times that and set the polling resolution.

class XWindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("border_width", ctypes.c_int),
                ("depth", ctypes.c_int), ("visual", ctypes.c_void_p),
                ("root", ctypes.c_ulong), ("c_class", ctypes.c_int),
                ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int),
                ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
                ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
                ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


class Screen:
    IS_VIEWABLE = 2
    Z_PIXMAP = 2
    XA_CARDINAL = 6

    def __init__(self):
        x = ctypes.CDLL("libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XInternAtom.restype = ctypes.c_ulong
        x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_void_p] * 3 + [
            ctypes.POINTER(ctypes.c_uint)]
        x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                           ctypes.POINTER(XWindowAttributes)]
        x.XGetWindowProperty.argtypes = [
            ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long,
            ctypes.c_int, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
            ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
            ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
        x.XGetImage.restype = ctypes.POINTER(XImage)
        x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x.XDestroyImage.argtypes = [ctypes.POINTER(XImage)]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x = x
        self.display = x.XOpenDisplay(None)
        if not self.display:
            fail("cannot open the X display")
        # A window can go between listing it and reading it; the default handler would end
        # this process on the resulting error, ours lets the call fail instead.
        handler_type = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
        self._handler = handler_type(lambda display, event: 0)
        x.XSetErrorHandler(self._handler)
        self.root = x.XDefaultRootWindow(self.display)
        self.pid_atom = x.XInternAtom(self.display, b"_NET_WM_PID", 0)

    def remember_backdrop(self):
        """Keeps a picture of the empty screen (the root window's pattern)."""
        attributes = XWindowAttributes()
        self.x.XGetWindowAttributes(self.display, self.root, ctypes.byref(attributes))
        self.size = (attributes.width, attributes.height)
        self._backdrop = self.capture(self.root, 0, 0, *self.size)

    def backdrop(self, x, y, width, height):
        """The empty screen's picture of a rectangle, as capture() gives it."""
        if x < 0 or y < 0 or x + width > self.size[0] or y + height > self.size[1]:
            return None
        line = self.size[0] * 4
        return b"".join(self._backdrop[(y + r) * line + x * 4:(y + r) * line + (x + width) * 4]
                        for r in range(height))

    def _children(self, window):
        root, parent = ctypes.c_ulong(), ctypes.c_ulong()
        children, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
        if not self.x.XQueryTree(self.display, window, ctypes.byref(root), ctypes.byref(parent),
                                 ctypes.byref(children), ctypes.byref(count)):
            return []
        found = [children[i] for i in range(count.value)]
        if children:
            self.x.XFree(children)
        return found

    def _pid(self, window):
        kind, fmt = ctypes.c_ulong(), ctypes.c_int()
        items, after, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
        status = self.x.XGetWindowProperty(
            self.display, window, self.pid_atom, 0, 1, 0, self.XA_CARDINAL, ctypes.byref(kind),
            ctypes.byref(fmt), ctypes.byref(items), ctypes.byref(after), ctypes.byref(data))
        pid = None
        if status == 0 and data.value:
            if fmt.value == 32 and items.value == 1:
                pid = ctypes.cast(data, ctypes.POINTER(ctypes.c_ulong))[0]
            self.x.XFree(data)
        return pid

    def windows(self, pids, min_size=(200, 200)):
        """Shown top-level windows of these processes, as (window, x, y, width, height).
        There is no window manager on the private display, so top level is a root child."""
        found = []
        for window in self._children(self.root):
            attributes = XWindowAttributes()
            if not self.x.XGetWindowAttributes(self.display, window, ctypes.byref(attributes)):
                continue
            if (attributes.map_state != self.IS_VIEWABLE or attributes.width < min_size[0]
                    or attributes.height < min_size[1]):
                continue
            if self._pid(window) in pids:
                found.append((window, attributes.x, attributes.y, attributes.width,
                              attributes.height))
        return found

    def capture(self, window, x, y, width, height):
        """The pixels of a rectangle of a window as 0xRRGGBB integers row by row, as bytes of
        4 per pixel (little-endian), or None when the window has gone."""
        image = self.x.XGetImage(self.display, window, x, y, width, height, 0xFFFFFF,
                                 self.Z_PIXMAP)
        if not image:
            return None
        try:
            im = image.contents
            if im.bits_per_pixel != 32:
                fail(f"expected a 32-bit picture, got {im.bits_per_pixel} bits per pixel")
            raw = ctypes.string_at(im.data, im.bytes_per_line * im.height)
            row = width * 4
            if im.bytes_per_line != row:
                raw = b"".join(raw[r * im.bytes_per_line:r * im.bytes_per_line + row]
                               for r in range(height))
            return raw
        finally:
            self.x.XDestroyImage(image)


def pixel_at(raw, width, x, y):
    return int.from_bytes(raw[(y * width + x) * 4:(y * width + x) * 4 + 3], "little")


def flat(raw):
    return raw == raw[:4] * (len(raw) // 4)


def differing_pixels(a, b):
    return sum(1 for i in range(0, len(a), 4) if a[i:i + 4] != b[i:i + 4])


# --- processes ------------------------------------------------------------------------------

def proc_stat(pid):
    """(parent pid, cpu ticks, start tick) of a process, or None once it is gone."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            raw = f.read()
    except OSError:
        return None
    fields = raw[raw.rindex(")") + 2:].split()  # the name may hold blanks and parentheses
    return int(fields[1]), int(fields[11]) + int(fields[12]), int(fields[19])


def cmdline(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return f.read().split(b"\0")
    except OSError:
        return []


def arguments(pid):
    """The command line as a list; Chromium rewrites its helpers' command lines into one
    blank-separated string."""
    cmd = [a.decode(errors="replace") for a in cmdline(pid) if a]
    return cmd[0].split(" ") if len(cmd) == 1 else cmd


def kind_of(pid):
    """A short name: the program and its helper type, e.g. "chromium (renderer)"."""
    cmd = arguments(pid)
    if not cmd:
        return "?"
    kind = next((a[7:] for a in cmd if a.startswith("--type=")), "")
    sub = next((a[19:].split(".")[0] for a in cmd if a.startswith("--utility-sub-type=")), "")
    if kind == "zygote" and "zygote" in kind_of_parent(pid):
        # Qt's page processes come from the zygote and keep its command line.
        kind = "page or helper, from the zygote"
    name = os.path.basename(cmd[0])
    return name + (f" ({kind}{': ' + sub if sub else ''})" if kind else "")


def kind_of_parent(pid):
    s = proc_stat(pid)
    return " ".join(a for a in arguments(s[0]) if a.startswith("--type=")) if s else ""


# The engine switches that decide process count, GPU use and compositing.
ENGINE_SWITCH = re.compile(r"--(use-gl|use-angle|in-process-gpu|disable-gpu\S*|enable-gpu\S*|"
                           r"renderer-process-limit|process-per-\S+|single-process|"
                           r"num-raster-threads|enable-features|disable-features|"
                           r"ozone-platform|disable-software-rasterizer)")


def engine_switches(root, marker):
    """The engine switches on the command lines of the tree, with the helper types using
    each."""
    found = {}
    for pid in process_tree(root, marker):
        cmd = arguments(pid)
        kind = next((a[7:] for a in cmd if a.startswith("--type=")), "main")
        for a in cmd:
            if ENGINE_SWITCH.match(a):
                found.setdefault(a, set()).add(kind)
    return {a: sorted(kinds) for a, kinds in sorted(found.items())}


def process_tree(root, marker):
    """Every process under root, and every process whose command line names marker (a
    folder of this run): Chromium's crash handlers leave the tree, but name the profile."""
    stats = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            s = proc_stat(int(entry))
            if s:
                stats[int(entry)] = s
    members, frontier = set(), [root]
    marker = marker.encode()
    for pid in stats:
        if any(marker in arg for arg in cmdline(pid)):
            frontier.append(pid)
    while frontier:
        pid = frontier.pop()
        if pid in stats and pid not in members:
            members.add(pid)
            frontier += [p for p, s in stats.items() if s[0] == pid]
    return members


def memory_kib(pid):
    """(PSS, USS) of a process in KiB: its proportional share of every page it maps, and its
    private pages alone (which no other process's presence changes)."""
    found = {}
    try:
        with open(f"/proc/{pid}/smaps_rollup") as f:
            for line in f:
                key, _, rest = line.partition(":")
                if key in ("Pss", "Private_Clean", "Private_Dirty"):
                    found[key] = int(rest.split()[0])
    except OSError:
        pass
    return found.get("Pss", 0), found.get("Private_Clean", 0) + found.get("Private_Dirty", 0)


def tree_memory(root, marker):
    """(PSS in MiB, USS in MiB, [(PSS MiB, pid, kind)] largest first) of the tree."""
    parts = [(memory_kib(pid), pid, kind_of(pid)) for pid in process_tree(root, marker)]
    listing = sorted(((m[0] / 1024, pid, kind) for m, pid, kind in parts), reverse=True)
    return (sum(m[0] for m, _, _ in parts) / 1024, sum(m[1] for m, _, _ in parts) / 1024,
            listing)


def page_count(parts):
    """How many page (renderer) processes a tree_memory listing holds."""
    return sum(1 for _, _, kind in parts if "renderer" in kind or "from the zygote" in kind)


def sharers(root, marker):
    """Processes outside the tree running the same helper program: they take a share of the
    helper's and the engine library's pages, and so lower the tree's PSS."""
    mine = process_tree(root, marker)
    helpers = {arguments(pid)[0] for pid in mine if len(arguments(pid)) > 1 and
               any(a.startswith("--type=") for a in arguments(pid))}
    return sum(1 for entry in os.listdir("/proc") if entry.isdigit()
               and int(entry) not in mine and (arguments(int(entry)) or [""])[0] in helpers)


def idle_cpu(root, marker, length):
    """Percent of one core the tree used over length seconds, sampled each second, so helpers
    that come and go inside the window are counted too; and the busiest processes."""
    tick = os.sysconf("SC_CLK_TCK")
    with open("/proc/uptime") as f:
        start_ticks = float(f.read().split()[0]) * tick
    start = time.monotonic()
    first = {}
    for pid in process_tree(root, marker):
        s = proc_stat(pid)
        if s:
            first[pid] = s[1]
    last = dict(first)
    while time.monotonic() - start < length:
        time.sleep(min(1.0, max(0.0, length - (time.monotonic() - start))))
        if proc_stat(root) is None:
            fail("the program ended during the idle measurement")
        for pid in process_tree(root, marker):
            s = proc_stat(pid)
            if s is None:
                continue
            if pid not in first:
                first[pid] = 0 if s[2] >= start_ticks else s[1]
            last[pid] = s[1]
    wall = time.monotonic() - start
    used = {pid: (last[pid] - first[pid]) / tick for pid in last}
    busiest = sorted(((seconds, pid, kind_of(pid)) for pid, seconds in used.items()),
                     reverse=True)[:4]
    return 100 * sum(used.values()) / wall, busiest


def stop_tree(process, marker, grace=15):
    """Ends a program the way a user's session would (SIGTERM), then whatever of its tree
    is left, each by its own pid."""
    members = process_tree(process.pid, marker)
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout=grace)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(timeout=10)
    members |= process_tree(-1, marker)  # late helpers, already reparented
    deadline = time.monotonic() + 5
    for pid in members:
        if pid != process.pid and proc_stat(pid) is not None:
            try:
                os.kill(pid, signal.SIGTERM)
            except OSError:
                pass
    while time.monotonic() < deadline and any(proc_stat(p) for p in members
                                              if p != process.pid):
        time.sleep(0.1)
    for pid in members:
        if pid != process.pid and proc_stat(pid) is not None:
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass


# --- the demo service -----------------------------------------------------------------------

class Service:
    def __init__(self, program, work):
        site = os.path.join(work, "site")
        shutil.copytree(os.path.join(REPO, "demo", "site"), site)
        # The pop-under and the bottom-right pop-up would open windows of their own.
        for page in ("ads/btkg.html", "ads/ytkg.html"):
            with open(os.path.join(site, page), "wb") as f:
                f.write(OFF)
        self.log = os.path.join(work, "requests.log")
        self.process = subprocess.Popen(
            [program, "--port", "0", "--root", site, "--log", self.log],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        deadline = time.monotonic() + 30
        self.base = None
        while time.monotonic() < deadline and self.base is None:
            ready, _, _ = select.select([self.process.stdout], [], [], 0.5)
            if ready:
                line = self.process.stdout.readline()
                if line.startswith("listening "):
                    self.base = line.split(None, 1)[1].strip()
                elif not line:
                    break
        if self.base is None:
            self.stop()
            fail("the demo service did not start")

    def size(self):
        try:
            return os.path.getsize(self.log)
        except OSError:
            return 0

    def first(self, target, since):
        """The time (Unix seconds, from the service's log) of the first request for target
        logged after byte offset since, or None."""
        try:
            with open(self.log, "rb") as f:
                f.seek(since)
                text = f.read().decode("utf-8", errors="replace")
        except OSError:
            return None
        for line in text.splitlines():
            parts = line.split(" ", 2)
            if len(parts) == 3 and parts[1] == "GET" and parts[2] == target:
                return float(parts[0])
        return None

    def stop(self):
        stop_process(self.process)
        self.process.stdout.close()


# --- the two programs ------------------------------------------------------------------------

class Lumora:
    def __init__(self, app, work, base, name="Lumora"):
        self.app, self.work, self.base, self.name = app, work, base, name
        with open(os.path.join(app, "Html", "Loading.html"), encoding="utf-8") as f:
            self.loading_colour = int(
                re.search(r"background:\s*#([0-9a-fA-F]{6})", f.read()).group(1), 16)

    def start(self, folder):
        shutil.copytree(self.app, os.path.join(folder, "app"), symlinks=True)
        home = os.path.join(folder, "home")
        os.makedirs(home)
        env = dict(os.environ, LUMORA_SERVICE_BASE=self.base, HOME=home,
                   XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_DATA_HOME=os.path.join(home, "data"),
                   XDG_CACHE_HOME=os.path.join(home, "cache"))
        if os.geteuid() == 0:
            env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
        out = open(os.path.join(folder, "output.log"), "wb")
        spawned = time.time()
        process = subprocess.Popen([os.path.join(folder, "app", "lumora")], env=env, cwd=folder,
                                   stdout=out, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL)
        out.close()
        return process, spawned

    def logged_switches(self, folder):
        """The switches the engine was started with, as Qt WebEngine logs them at start
        (its browser process is the program itself, whose command line does not show them)."""
        found, listing = {}, False
        try:
            with open(os.path.join(folder, "output.log"), encoding="utf-8",
                      errors="replace") as f:
                for line in f:
                    if line.startswith("Init Parameters:"):
                        listing = True
                    elif listing and line.startswith("  *  "):
                        found["--" + "=".join(line[5:].split(None, 1)).strip()] = ["main"]
                    elif listing and line.strip():
                        listing = False
        except OSError:
            pass
        return found

    def main_window(self, screen, process):
        found = [w for w in screen.windows({process.pid}) if (w[3], w[4]) == MAIN_SIZE]
        return found[0] if found else None

    def painted(self, screen, window):
        """The loading page has painted when the content area shows its background at the
        spots its spinner and words leave alone."""
        for x, y in LOADING_SPOTS:
            raw = screen.capture(window[0], x, y, 1, 1)
            if raw is None or pixel_at(raw, 1, 0, 0) != self.loading_colour:
                return False
        return True

    def open_video(self, screen, process, service, folder):
        """Clicks the first video card of the home page, as a user would; the program opens
        its player window for the link."""
        # The start-up sequence is over (its last request is the bottom-right pop-up's
        # switch) and the home page, not the loading page, is on screen.
        wait_for(lambda: service.first("/ads/ytkg.html", self.since), 60, "the end of start-up")
        window = wait_for(lambda: self.main_window(screen, process), 10, "the main window")
        region = (window[0],) + FIRST_VIDEO_CARD
        subprocess.run(["xdotool", "mousemove", "--sync", "0", "0"], check=False)

        def steady():
            a = screen.capture(*region)
            time.sleep(0.3)
            b = screen.capture(*region)
            return b if a is not None and a == b and not flat(b) else None
        before = wait_for(steady, 60, "a steady home page")
        x, y = window[1] + FIRST_VIDEO_POINT[0], window[2] + FIRST_VIDEO_POINT[1]
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y)], check=False)
        # The card reacts to the pointer once the page has noticed it; a click before that
        # could reach the program before the page has reported the link under it.
        wait_for(lambda: differing_pixels(screen.capture(*region) or before, before) > 100, 30,
                 "the card to react to the pointer", period=0.1)
        subprocess.run(["xdotool", "click", "1"], check=False)


class Chromium:
    name = "Chromium"

    def __init__(self, program, base):
        self.program, self.base = program, base

    def command(self, folder, url):
        args = [self.program, "--no-first-run", "--no-default-browser-check",
                f"--user-data-dir={os.path.join(folder, 'profile')}",
                f"--window-size={MAIN_SIZE[0]},{MAIN_SIZE[1]}", f"--app={url}"]
        if os.geteuid() == 0:
            args.insert(1, "--no-sandbox")
        return args

    def env(self, folder):
        home = os.path.join(folder, "home")
        os.makedirs(home, exist_ok=True)
        return dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                    XDG_CACHE_HOME=os.path.join(home, "cache"))

    def start(self, folder):
        out = open(os.path.join(folder, "output.log"), "wb")
        spawned = time.time()
        process = subprocess.Popen(self.command(folder, self.base), env=self.env(folder),
                                   cwd=folder, stdout=out, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL)
        out.close()
        return process, spawned

    def logged_switches(self, folder):
        return {}

    def main_window(self, screen, process):
        found = screen.windows({process.pid})
        return found[0] if found else None

    def painted(self, screen, window):
        """Anything painted: the window is neither one flat colour nor what the empty screen
        shows there (a window without a background shows that until it paints)."""
        raw = screen.capture(window[0], 0, 0, window[3], window[4])
        return raw is not None and not flat(raw) and raw != screen.backdrop(*window[1:])

    def open_video(self, screen, process, service, folder):
        """A second `--app` start on the same profile hands the address to the running
        browser, which opens it in a second app window, and ends."""
        second = subprocess.run(self.command(folder, self.base + "video/1.html"),
                                env=self.env(folder), cwd=folder, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL,
                                timeout=60, check=False)
        if second.returncode != 0:
            fail(f"the second chromium start failed ({second.returncode})")


# --- one run --------------------------------------------------------------------------------

def measure(program, screen, service, folder, idle_length, running, warm_up=False):
    """Starts the program, measures it, ends it; returns its figures (seconds, MiB, %)."""
    os.makedirs(folder)
    subprocess.run(["xdotool", "mousemove", "--sync", "0", "0"], check=False)
    screen.remember_backdrop()
    since = program.since = service.size()
    process, spawned = program.start(folder)
    running.append((process, folder))
    figures = {"load average": os.getloadavg()[0]}
    try:
        # Pictures until the first paint; each check's end is the time it stands for.
        deadline = time.monotonic() + 90
        checks = []
        while "paint" not in figures:
            if process.poll() is not None:
                fail(f"{program.name} ended early ({process.returncode}); see "
                     f"{os.path.join(folder, 'output.log')}")
            if time.monotonic() > deadline:
                fail(f"no first paint of {program.name} within 90 s")
            window = program.main_window(screen, process)
            if window:
                figures.setdefault("window", time.time() - spawned)
                painted = program.painted(screen, window)
                checks.append(time.time())
                if painted:
                    figures["paint"] = checks[-1] - spawned
            time.sleep(POLL_PERIOD)
        gaps = [b - a for a, b in zip(checks, checks[1:])]
        figures["poll"] = max(gaps) if gaps else 0.0
        loaded = wait_for(lambda: service.first(HOME_LOAD, since), 90, "the home page's load")
        figures["load"] = loaded - spawned
        if warm_up:
            return figures

        def at(moment):
            time.sleep(max(0.0, moment - time.time()))
        at(loaded + 3)
        figures["pss main"], figures["uss main"], parts = tree_memory(process.pid, folder)
        figures["pss main parts"] = [(round(m, 1), kind) for m, _, kind in parts]
        figures["sharers"] = sharers(process.pid, folder)
        at(loaded + 10)
        figures["pss settled"], figures["uss settled"], parts = tree_memory(process.pid, folder)
        figures["pages settled"] = page_count(parts)
        if idle_length > 0:
            figures["idle"], busiest = idle_cpu(process.pid, folder, idle_length)
            figures["idle busiest"] = [(round(s, 2), kind) for s, _, kind in busiest]
        program.open_video(screen, process, service, folder)
        played = wait_for(lambda: service.first(PLAYING, since), 90, "the video to play")
        at(played + 3)
        figures["pss player"], figures["uss player"], parts = tree_memory(process.pid, folder)
        figures["pss player parts"] = [(round(m, 1), kind) for m, _, kind in parts]
        figures["pages player"] = page_count(parts)
        figures["windows"] = len(screen.windows({process.pid}))
        figures["switches"] = engine_switches(process.pid, folder)
        figures["switches"].update(program.logged_switches(folder))
        return figures
    finally:
        stop_tree(process, folder)
        running.remove((process, folder))


# --- the report -----------------------------------------------------------------------------

ROWS = [  # key, label, unit, format
    ("window", "window shown", "s", "{:.2f}"),
    ("paint", "first paint", "s", "{:.2f}"),
    ("load", "home page load event", "s", "{:.2f}"),
    ("pss main", "PSS, main window, load + 3 s", "MiB", "{:.0f}"),
    ("pss settled", "PSS, main window, load + 10 s", "MiB", "{:.0f}"),
    ("pss player", "PSS, video playing + 3 s", "MiB", "{:.0f}"),
    ("uss main", "USS, main window, load + 3 s", "MiB", "{:.0f}"),
    ("uss settled", "USS, main window, load + 10 s", "MiB", "{:.0f}"),
    ("uss player", "USS, video playing + 3 s", "MiB", "{:.0f}"),
    ("pages settled", "page processes, main window, load + 10 s", "processes", "{:.0f}"),
    ("pages player", "page processes, video playing + 3 s", "processes", "{:.0f}"),
    ("sharers", "same helper running outside the tree", "processes", "{:.0f}"),
    ("idle", "idle CPU", "% of one core", "{:.2f}"),
]


def summary(runs, key, fmt):
    values = [r[key] for r in runs if key in r]
    if not values:
        return None, "-"
    middle = statistics.median(values)
    text = fmt.format(middle)
    if len(values) > 1:
        text += f" ({fmt.format(min(values))}-{fmt.format(max(values))})"
    return middle, text


def report(results):
    names = list(results)
    print()
    both = "Lumora" in names and "Chromium" in names
    print("| measure | " + " | ".join(f"{n} median (min-max)" for n in names) +
          (" | Lumora / Chromium |" if both else " |"))
    print("|---" * (len(names) + 1 + both) + "|")
    medians = {}
    for key, label, unit, fmt in ROWS:
        cells = []
        for name in names:
            medians[(name, key)], text = summary(results[name], key, fmt)
            cells.append(text)
        if all(c == "-" for c in cells):
            continue
        ratio = ""
        if both:
            a, b = medians[("Lumora", key)], medians[("Chromium", key)]
            ratio = f" | {a / b:.2f}" if a and b else " | -"
        print(f"| {label} ({unit}) | " + " | ".join(cells) + ratio + " |")
    print()
    checks = []
    lumora = lambda k: medians.get(("Lumora", k))
    chromium = lambda k: medians.get(("Chromium", k))
    if lumora("load") and chromium("load"):
        checks.append(("load event no later than Chromium's", lumora("load") <= chromium("load")))
    if lumora("pss main") and chromium("pss main"):
        checks.append((f"PSS with the main window <= 0.85 x Chromium's "
                       f"({0.85 * chromium('pss main'):.0f} MiB)",
                       lumora("pss main") <= 0.85 * chromium("pss main")))
    if lumora("idle") is not None:
        checks.append(("idle CPU under 1 % of one core", lumora("idle") < 1.0))
    for what, met in checks:
        print(f"target: {what}: {'met' if met else 'MISSED'}")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir", default=os.path.join(REPO, "build", "default"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--idle", type=float, default=60)
    parser.add_argument("--idle-runs", type=int, default=None)
    parser.add_argument("--chromium", default="/usr/bin/chromium")
    parser.add_argument("--only", choices=["lumora", "chromium"])
    parser.add_argument("--json")
    parser.add_argument("--baseline")
    args = parser.parse_args()
    build = os.path.realpath(args.build_dir)
    service_program = os.path.join(build, "tools", "demo_service", "lumora-demo-service")
    app = os.path.join(build, "app")

    if not os.environ.get("LUMORA_COMPARE_ON_DISPLAY"):
        # Everything below runs on a private Xvfb that ends with this script.
        if not (os.access(os.path.join(app, "lumora"), os.X_OK) and
                os.access(service_program, os.X_OK)):
            if build != os.path.join(REPO, "build", "default"):
                fail(f"no program or demo service in {build}")
            subprocess.run([os.path.join(REPO, "scripts", "build.sh"), "default", "lumora",
                            "lumora_data", "lumora-demo-service"], check=True)
        if args.only != "lumora" and not os.access(args.chromium, os.X_OK):
            fail(f"no browser at {args.chromium}")
        env = dict(os.environ, LUMORA_FORCE_XVFB="1", LUMORA_COMPARE_ON_DISPLAY="1")
        with_display = os.path.join(REPO, "scripts", "with-display.sh")
        os.execve(with_display, [with_display, sys.executable, os.path.abspath(__file__),
                                 *sys.argv[1:]], env)

    # A termination signal ends the run through the clean-up below.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    signal.signal(signal.SIGHUP, lambda *_: sys.exit(129))
    work = tempfile.mkdtemp(prefix="lumora-compare-")
    running, service = [], None
    try:
        screen = Screen()
        service = Service(service_program, work)
        programs = []
        if args.only != "chromium":
            programs.append(Lumora(app, work, service.base))
        if args.only != "lumora":
            programs.append(Chromium(args.chromium, service.base))
        if args.baseline:
            programs.append(Lumora(os.path.join(os.path.realpath(args.baseline), "app"), work,
                                   service.base, name="Lumora baseline"))
        version = subprocess.run([args.chromium, "--version"], capture_output=True, text=True,
                                 check=False).stdout.strip() if args.only != "lumora" else ""
        print(f"{time.strftime('%Y-%m-%d %H:%M')}, {os.cpu_count()} cores, "
              f"{os.uname().release}, load average {os.getloadavg()[0]:.2f}; {version}; "
              f"demo service at {service.base}", flush=True)
        for program in programs:
            figures = measure(program, screen, service,
                              os.path.join(work, program.name.replace(" ", "-") + "-warm-up"), 0,
                              running,
                              warm_up=True)
            print(f"warm-up {program.name}: load event {figures['load']:.2f} s", flush=True)
        results = {p.name: [] for p in programs}
        idle_runs = args.runs if args.idle_runs is None else args.idle_runs
        for run in range(1, args.runs + 1):
            order = programs if run % 2 else list(reversed(programs))
            for program in order:
                idle = args.idle if run <= idle_runs and "baseline" not in program.name else 0
                figures = measure(program, screen, service,
                                  os.path.join(work, f"{program.name}-{run}".replace(" ", "-")),
                                  idle, running)
                results[program.name].append(figures)
                line = ", ".join(f"{label} {fmt.format(figures[key])}"
                                 for key, label, _, fmt in ROWS if key in figures)
                print(f"run {run} {program.name}: {line}; pictures at most "
                      f"{1000 * figures['poll']:.0f} ms apart; "
                      f"load average {figures['load average']:.2f}", flush=True)
        for name, runs in results.items():
            last = runs[-1]
            print(f"\n{name}, last run, PSS by process with the main window (MiB): " +
                  ", ".join(f"{m} {k}" for m, k in last["pss main parts"]))
            print(f"{name}, last run, PSS by process with the video (MiB): " +
                  ", ".join(f"{m} {k}" for m, k in last["pss player parts"]))
            print(f"{name}, engine switches on its processes' command lines: " +
                  "; ".join(f"{a} ({', '.join(k)})" for a, k in last["switches"].items()))
            idle = next((r for r in runs if "idle busiest" in r), None)
            if idle:
                print(f"{name}, idle CPU seconds of the busiest processes: " +
                      ", ".join(f"{s} {k}" for s, k in idle["idle busiest"]))
        report(results)
        print(f"load average at the end {os.getloadavg()[0]:.2f}")
        if args.json:
            with open(args.json, "w") as f:
                json.dump(results, f, indent=1)
    finally:
        for process, folder in list(running):
            stop_tree(process, folder)
        if service:
            service.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
