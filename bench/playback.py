#!/usr/bin/env python3
"""Video playback, Lumora next to Chromium's app mode (`chromium --app=URL`), in one run.

A page whose <video> fills the content area (Lumora's main window, 984 x 596; Chromium's app
window sized to give the same viewport) plays an H.264 stream made by ffmpeg: a local MP4
(the demo service on loopback) or HLS through the pinned hls.js, 1080p30 or 720p30, in the
window or in full screen on a 1920 x 1080 screen (the page's own click handler asks for it,
as a player's button does). Per case and program:

  - CPU of the program's process tree and of its X server (utime + stime, sampled each
    second, so helpers that come and go are counted), as percent of one core;
  - dropped and total frames from getVideoPlaybackQuality(), presented frames from
    requestVideoFrameCallback (the page reports its counters to the service once a second;
    the figures are the differences over the measurement);
  - stalls ('waiting' events after playback began), and PSS of the tree at the end.

    bench/playback.py [--build-dir DIR] [--runs N] [--settle S] [--measure S]
                      [--cases PATTERN ...] [--only lumora|chromium] [--baseline DIR]
                      [--variant VAR=VALUE[;VAR=VALUE]] [--record DIR]
                      [--no-mpv] [--no-wm] [--json FILE]
                      [--chromium PATH]

  --runs N         measured runs of each program per case (2); medians and spreads reported
  --settle S       seconds of play, once the page is visible (and full screen), before the
                   measurement (8)
  --measure S      length of the measurement (30); 60 for the no-drop check
  --cases P ...    only the cases whose name contains one of these (mp4-1080-window, ...)
  --baseline DIR   also measure the program of another build, in the same runs
  --variant V=X    also measure the program with this environment, in the same runs
  --no-mpv         leave out the native player, which is otherwise measured where installed
  --record DIR     also record a call-graph profile of the tree (perf record) into DIR
  --no-wm          no window manager on the private displays

One program at a time, each on its own fresh Xvfb (1920 x 1080 x 24) with openbox, so the X
server's CPU is that program's alone; the programs alternate within each run of a
case, and which goes first alternates between runs. Lumora starts from a fresh copy of its
app folder with a fresh home; Chromium with a fresh profile. As root both run without their
browser sandbox. The streams are made once, into DIR/bench-media, and reused.
"""
import argparse
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import compare_browser as cb

REPO = cb.REPO
SCREEN = (1920, 1080)
VIEWPORT = (984, 596)  # the main window's content area
# Chromium's app window draws its own title strip; this size gives the viewport above.
CHROMIUM_WINDOW = (984, 652)
RESOLUTIONS = {"1080": (1920, 1080, "6M"), "720": (1280, 720, "6M")}
HLS_LIBRARY = os.path.join("e2e-players", "node_modules", "hls.js", "dist", "hls.min.js")
REPORT = "/event?name=pq&"

PAGE = """<!doctype html>
<html lang="zh-CN"><head><meta charset="utf-8"><title>playback</title>
<link rel="icon" href="data:,">
<style>
  html, body {{ margin: 0; height: 100%; background: #000; overflow: hidden; }}
  #stage {{ width: 100%; height: 100%; }}
  video {{ display: block; width: 100%; height: 100%; object-fit: contain; }}
</style></head>
<body><div id="stage"><video id="video" muted autoplay playsinline></video></div>
{library}
<script>
const video = document.getElementById('video');
let stalls = 0, began = false, callbacks = 0, presented = 0, failures = 0, clicks = 0;
let refused = '';
video.addEventListener('playing', () => {{ began = true; }});
video.addEventListener('waiting', () => {{ if (began) stalls++; }});
video.addEventListener('error', () => {{ failures++; }});
function frame(now, meta) {{
  callbacks++;
  presented = meta.presentedFrames;
  video.requestVideoFrameCallback(frame);
}}
video.requestVideoFrameCallback(frame);
// A player's full-screen button: the whole page is one, so a click anywhere asks.
document.addEventListener('click', () => {{
  clicks++;
  if (!document.fullscreenElement) {{
    document.getElementById('stage').requestFullscreen().catch((e) => {{ refused = e.name; }});
  }}
}});
setInterval(() => {{
  const q = video.getVideoPlaybackQuality();
  const values = {{
    vis: document.visibilityState === 'visible' ? 1 : 0,
    full: document.fullscreenElement ? 1 : 0, w: innerWidth, h: innerHeight,
    playing: began && !video.paused && !video.ended ? 1 : 0, ended: video.ended ? 1 : 0,
    ct: video.currentTime.toFixed(2), dropped: q.droppedVideoFrames,
    total: q.totalVideoFrames, presented: presented, callbacks: callbacks, stalls: stalls,
    failures: failures, clicks: clicks, refused: refused,
  }};
  fetch('event?name=pq&' + new URLSearchParams(values), {{cache: 'no-store'}}).catch(() => {{}});
}}, 1000);
{start}
</script></body></html>
"""
START_MP4 = "video.src = 'media/bench/{name}.mp4';"
START_HLS = """if (Hls.isSupported()) {{
  const hls = new Hls();
  hls.on(Hls.Events.ERROR, (e, data) => {{ if (data.fatal) failures++; }});
  hls.loadSource('media/bench/{name}/stream.m3u8');
  hls.attachMedia(video);
}} else {{ failures++; }}"""


def fail(message):
    raise SystemExit(f"playback.py: {message}")


# --- the streams ---------------------------------------------------------------------------

def make_media(folder, resolution, seconds):
    """An MP4 (H.264 High, 30 fps, about 6 Mb/s, AAC) of a moving test picture with some
    grain, so the encoder spends its bit rate, and the same stream cut for HLS (fragmented
    MP4 segments of 2 s). Returns the stream's name; made once per length."""
    width, height, rate = RESOLUTIONS[resolution]
    name = f"{resolution}p30-{seconds}s"
    mp4 = os.path.join(folder, name + ".mp4")
    hls = os.path.join(folder, name)
    if os.path.exists(mp4) and os.path.exists(os.path.join(hls, "stream.m3u8")):
        return name
    os.makedirs(folder, exist_ok=True)
    print(f"making the {name} stream (ffmpeg)...", flush=True)
    subprocess.run(
        ["ffmpeg", "-hide_banner", "-loglevel", "error", "-y",
         "-f", "lavfi", "-i", f"testsrc2=s={width}x{height}:r=30:d={seconds},"
                              "noise=alls=14:allf=t",
         "-f", "lavfi", "-i", f"sine=frequency=440:sample_rate=48000:d={seconds}",
         "-c:v", "libx264", "-preset", "veryfast", "-profile:v", "high", "-pix_fmt", "yuv420p",
         "-b:v", rate, "-maxrate", rate, "-bufsize", "12M", "-g", "60", "-keyint_min", "60",
         "-sc_threshold", "0", "-c:a", "aac", "-b:a", "128k", "-movflags", "+faststart",
         mp4 + ".tmp.mp4"], check=True)
    shutil.rmtree(hls + ".tmp", ignore_errors=True)
    os.makedirs(hls + ".tmp")
    subprocess.run(
        ["ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-i", mp4 + ".tmp.mp4",
         "-c", "copy", "-f", "hls", "-hls_time", "2", "-hls_playlist_type", "vod",
         "-hls_segment_type", "fmp4", "-hls_fmp4_init_filename", "init.mp4",
         "-hls_segment_filename", os.path.join(hls + ".tmp", "segment%d.m4s"),
         os.path.join(hls + ".tmp", "stream.m3u8")], check=True)
    shutil.rmtree(hls, ignore_errors=True)
    os.rename(hls + ".tmp", hls)
    os.rename(mp4 + ".tmp.mp4", mp4)
    return name


# --- one X server per measurement ----------------------------------------------------------

class Xvfb:
    """A private X server with a window manager (openbox), as a user's desktop has."""

    def __init__(self, window_manager=True):
        read, write = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-noreset", "-nolisten", "tcp",
             "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            number = f.readline().strip()
        if not number:
            self.stop()
            fail("could not start Xvfb")
        self.display = ":" + number
        self.wm = None
        if window_manager:
            env = dict(os.environ, DISPLAY=self.display)
            self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            cb.wait_for(lambda: b"window id" in subprocess.run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env, capture_output=True,
                check=False).stdout, 30, "openbox to manage the display", period=0.2)

    def pids(self):
        return {p.pid for p in (self.process, self.wm) if p is not None}

    def stop(self):
        if self.wm is not None:
            cb.stop_process(self.wm)
        cb.stop_process(self.process)


# --- the programs --------------------------------------------------------------------------

class Chromium(cb.Chromium):
    def command(self, folder, url):
        args = super().command(folder, url)
        return [a if not a.startswith("--window-size=") else
                f"--window-size={CHROMIUM_WINDOW[0]},{CHROMIUM_WINDOW[1]}" for a in args]

    def for_case(self, case):
        # An app window keeps its title strip (56 px) when its page goes full screen here;
        # in kiosk mode the window covers the screen, and the page's request then gives the
        # video all of it, as in Lumora.
        self.kiosk = case["mode"] == "full"

    def command(self, folder, url):
        args = super().command(folder, url)
        return args[:-1] + ["--kiosk"] + args[-1:] if getattr(self, "kiosk", False) else args


class Mpv:
    """The floor: a native player, software decoding, X11 output, the same stream and size."""
    name = "mpv"

    def __init__(self, program, base):
        self.program, self.base = program, base

    def start(self, folder, case):
        url = self.base + (f"media/bench/{case['media']}.mp4" if case["kind"] == "mp4" else
                           f"media/bench/{case['media']}/stream.m3u8")
        args = [self.program, "--no-config", "--hwdec=no", "--vo=x11", "--ao=null",
                "--really-quiet", f"--geometry={VIEWPORT[0]}x{VIEWPORT[1]}+0+28",
                "--keep-open=yes", url]
        if case["mode"] == "full":
            args.insert(1, "--fs")
        out = open(os.path.join(folder, "output.log"), "wb")
        process = subprocess.Popen(args, cwd=folder, stdout=out, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL,
                                   env=dict(os.environ, HOME=folder))
        out.close()
        return process


class LumoraVariant(cb.Lumora):
    """The program with extra environment (say, engine switches), to measure a candidate
    change beside the program as it is without building it."""

    def __init__(self, app, work, base, assignments):
        super().__init__(app, work, base, name="Lumora " + " ".join(assignments))
        self.extra = dict(a.split("=", 1) for a in assignments)

    def start(self, folder):
        saved = dict(os.environ)
        os.environ.update(self.extra)
        try:
            return super().start(folder)
        finally:
            os.environ.clear()
            os.environ.update(saved)


def window_of(pid):
    """The program's largest shown window (x, y, width, height); the window manager has
    put it inside a frame of its own, so it is looked for by its _NET_WM_PID."""
    found = []
    listing = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                             capture_output=True, text=True, check=False).stdout.split()
    for window in listing:
        shell = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                               capture_output=True, text=True, check=False).stdout
        values = dict(line.split("=", 1) for line in shell.split() if "=" in line)
        try:
            found.append(tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT")))
        except (KeyError, ValueError):
            continue
    return max(found, key=lambda w: w[2] * w[3]) if found else None


def fit_viewport(pid, service, since, shown):
    """Chromium's title strip is not always the same height when its window first maps
    under the window manager: the window is resized until its page sees VIEWPORT."""
    for _ in range(3):
        if (shown.get("w"), shown.get("h")) == VIEWPORT:
            break
        listing = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                                 capture_output=True, text=True, check=False).stdout.split()
        window = window_of(pid)
        if not listing or window is None:
            break
        width = window[2] + VIEWPORT[0] - int(shown["w"])
        height = window[3] + VIEWPORT[1] - int(shown["h"])
        for found in listing:
            subprocess.run(["xdotool", "windowsize", found, str(width), str(height)],
                           check=False)
        asked = time.time()
        time.sleep(2.5)
        report = latest(service, since)
        if report and report[0] >= asked:
            shown = report[1]
    return shown


# --- measuring -----------------------------------------------------------------------------

def reports(service, since):
    """The page's counter reports logged after byte offset since: [(time, {key: value})]."""
    try:
        with open(service.log, "rb") as f:
            f.seek(since)
            text = f.read().decode("utf-8", errors="replace")
    except OSError:
        return []
    found = []
    for line in text.splitlines():
        parts = line.split(" ", 2)
        if len(parts) == 3 and parts[1] == "GET" and parts[2].startswith(REPORT):
            values = {}
            for pair in parts[2][len(REPORT):].split("&"):
                key, _, value = pair.partition("=")
                try:
                    values[key] = float(value)
                except ValueError:
                    pass
            found.append((float(parts[0]), values))
    return found


def latest(service, since, condition=lambda v: True):
    found = [r for r in reports(service, since) if condition(r[1])]
    return found[-1] if found else None


class CpuSampler:
    """CPU ticks of a process tree and of other single processes, read each second so a
    helper that comes and goes inside the window is counted too."""

    def __init__(self, root, marker, others):
        self.root, self.marker, self.others = root, marker, others
        self.tick = os.sysconf("SC_CLK_TCK")
        with open("/proc/uptime") as f:
            self.start_ticks = float(f.read().split()[0]) * self.tick
        self.first, self.last = {}, {}
        self.sample()
        self.began = time.monotonic()

    def sample(self):
        members = cb.process_tree(self.root, self.marker) if self.root else set()
        for pid in members | set(self.others.values()):
            s = cb.proc_stat(pid)
            if s is None:
                continue
            if pid not in self.first:
                self.first[pid] = 0 if self.last and s[2] >= self.start_ticks else s[1]
            self.last[pid] = s[1]

    def run(self, length, alive):
        while time.monotonic() - self.began < length:
            time.sleep(min(1.0, max(0.0, length - (time.monotonic() - self.began))))
            if not alive():
                fail("the program ended during the measurement")
            self.sample()
        self.wall = time.monotonic() - self.began

    def threads(self, pid):
        """CPU ticks by thread name of one process, summed over threads of the same name."""
        found = {}
        try:
            tasks = os.listdir(f"/proc/{pid}/task")
        except OSError:
            return found
        for task in tasks:
            try:
                with open(f"/proc/{pid}/task/{task}/stat") as f:
                    raw = f.read()
            except OSError:
                continue
            name = raw[raw.index("(") + 1:raw.rindex(")")]
            fields = raw[raw.rindex(")") + 2:].split()
            found[name] = found.get(name, 0) + int(fields[11]) + int(fields[12])
        return found

    def percent(self, pids):
        return 100 * sum((self.last[p] - self.first[p]) / self.tick for p in pids
                         if p in self.last) / self.wall

    def by_process(self, exclude):
        used = [((self.last[p] - self.first[p]) / self.tick, p) for p in self.last
                if p not in exclude]
        return sorted(((round(100 * s / self.wall, 1), cb.kind_of(p)) for s, p in used),
                      reverse=True)[:4]


class Profile:
    """A call-graph profile of the tree (the processes present when the measurement begins)
    over the measurement, if asked: perf record on the CPU clock, as this machine's virtual
    CPUs offer no hardware counters."""

    def __init__(self, sampler, x_pids, args, label):
        self.process = None
        if not args.record:
            return
        tree = ",".join(str(p) for p in sorted(set(sampler.last) - x_pids))
        os.makedirs(args.record, exist_ok=True)
        self.process = subprocess.Popen(
            ["perf", "record", "-q", "-e", "cpu-clock", "-g", "-F", "499", "-p", tree, "-o",
             os.path.join(args.record, f"{label}-{int(time.time())}.data"), "--",
             "sleep", str(args.measure)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def finish(self):
        if self.process is None:
            return
        try:
            self.process.wait(timeout=120)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


def measure(program, case, work, service, args, running):
    """One program playing one case on its own X server; returns its figures."""
    folder = tempfile.mkdtemp(prefix=program.name.replace(" ", "-") + "-", dir=work)
    xvfb = Xvfb(not args.no_wm)
    os.environ["DISPLAY"] = xvfb.display
    since = service.size()
    figures = {"load average": os.getloadavg()[0]}
    process, finished = None, False
    try:
        if hasattr(program, "for_case"):
            program.for_case(case)
        if isinstance(program, Mpv):
            process = program.start(folder, case)
        else:
            process = program.start(folder)[0]
        running.append((process, folder))
        alive = lambda: process.poll() is None
        if isinstance(program, Mpv):
            cb.wait_for(lambda: window_of(process.pid), 60, "mpv's window")
            time.sleep(args.settle)
        else:
            cb.wait_for(lambda: not alive() or latest(
                service, since, lambda v: v.get("vis") == 1 and v.get("playing") == 1), 120,
                f"{program.name} to show the playing video")
            if not alive():
                fail(f"{program.name} ended early ({process.returncode})")
            shown = latest(service, since)[1]
            if case["mode"] == "window" and isinstance(program, Chromium):
                shown = fit_viewport(process.pid, service, since, shown)
            if case["mode"] == "window" and (shown.get("w"), shown.get("h")) != VIEWPORT:
                print(f"warning: {program.name}'s viewport is {shown.get('w'):.0f} x "
                      f"{shown.get('h'):.0f}, not {VIEWPORT[0]} x {VIEWPORT[1]}", flush=True)
            if case["mode"] == "full":
                window = cb.wait_for(lambda: window_of(process.pid), 30, "the window")
                x, y = window[0] + window[2] // 2, window[1] + window[3] // 2
                subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y)], check=False)

                def clicked():
                    # The first press may only give the window the focus; then press again.
                    subprocess.run(["xdotool", "click", "1"], check=False)
                    time.sleep(1.5)
                    return latest(service, since, lambda v: v.get("clicks", 0) > 0)
                cb.wait_for(clicked, 20, f"the page to see a click at {x}, {y} ({window})")
                cb.wait_for(lambda: latest(service, since, lambda v: v.get("full") == 1 and (
                    v.get("w"), v.get("h")) == SCREEN), 30,
                    f"{program.name}'s page to fill the screen: "
                    f"{(latest(service, since) or (0, {}))[1]}")
                subprocess.run(["xdotool", "mousemove", "--sync", "0", "0"], check=False)
            time.sleep(args.settle)
        start = latest(service, since)
        sampler = CpuSampler(process.pid, folder, {str(p): p for p in xvfb.pids()})
        profile = Profile(sampler, xvfb.pids(), args,
                          f"{case['name']}-{program.name.replace(' ', '_')}")
        threads_before = sampler.threads(process.pid)
        sampler.run(args.measure, alive)
        profile.finish()
        threads_after = sampler.threads(process.pid)
        # Where the program's own process spends it: the interface thread, which also
        # composes the browser views into the window, and the engine's compositor.
        figures["threads"] = sorted(
            ((round(100 * (ticks - threads_before.get(name, 0)) / sampler.tick / sampler.wall,
                    1), name) for name, ticks in threads_after.items()
             if ticks > threads_before.get(name, 0)), reverse=True)[:4]
        # The page reports once a second; the next report closes the measurement.
        end_time = time.time()
        if not isinstance(program, Mpv):
            end = cb.wait_for(lambda: next((r for r in [latest(service, since)]
                                            if r and r[0] >= end_time), None), 10,
                              "the page's last report")
        members = set(sampler.last) - xvfb.pids()
        figures["cpu"] = sampler.percent(members)
        figures["x cpu"] = sampler.percent(xvfb.pids())
        figures["all cpu"] = figures["cpu"] + figures["x cpu"]
        figures["busiest"] = sampler.by_process(xvfb.pids())
        figures["pss"], figures["uss"], _ = cb.tree_memory(process.pid, folder)
        if not isinstance(program, Mpv):
            (t0, a), (t1, b) = start, end
            seconds = t1 - t0
            figures["dropped"] = b["dropped"] - a["dropped"]
            figures["decoded"] = b["total"] - a["total"]
            figures["presented fps"] = (b["presented"] - a["presented"]) / seconds
            figures["callback fps"] = (b["callbacks"] - a["callbacks"]) / seconds
            figures["stalls"] = b["stalls"] - a["stalls"]
            figures["failures"] = b["failures"]
            figures["viewport"] = f"{b['w']:.0f}x{b['h']:.0f}"
            if b.get("ended") or not b.get("playing"):
                fail(f"{program.name}: the video stopped during the measurement: {b}")
        figures["load average end"] = os.getloadavg()[0]
        finished = True
        return figures
    finally:
        if process is not None:
            cb.stop_tree(process, folder)
            if (process, folder) in running:
                running.remove((process, folder))
        xvfb.stop()
        if not finished:
            # The work folder goes with the script: what the program said goes to the report.
            try:
                with open(os.path.join(folder, "output.log"), errors="replace") as f:
                    tail = f.read()[-3000:]
                print(f"{program.name}'s output, last lines:\n{tail}", file=sys.stderr)
            except OSError:
                pass
        shutil.rmtree(folder, ignore_errors=True)


# --- the report ----------------------------------------------------------------------------

ROWS = [  # key, label, format
    ("cpu", "CPU, process tree (% of one core)", "{:.1f}"),
    ("x cpu", "CPU, X server and window manager", "{:.1f}"),
    ("all cpu", "CPU, all of it", "{:.1f}"),
    ("dropped", "dropped frames", "{:.0f}"),
    ("decoded", "decoded frames", "{:.0f}"),
    ("presented fps", "presented frames / s", "{:.1f}"),
    ("stalls", "stalls", "{:.0f}"),
    ("pss", "PSS (MiB)", "{:.0f}"),
]


def report(results, names):
    print()
    both = "Lumora" in names and "Chromium" in names
    print("| case | measure | " + " | ".join(names) + (" | Lumora / Chromium |" if both else " |"))
    print("|---" * (len(names) + 2 + both) + "|")
    verdicts = []
    for case, by_program in results.items():
        for key, label, fmt in ROWS:
            medians, cells = {}, []
            for name in names:
                medians[name], text = cb.summary(by_program.get(name, []), key, fmt)
                cells.append(text)
            if all(c == "-" for c in cells):
                continue
            ratio = ""
            if both:
                a, b = medians["Lumora"], medians["Chromium"]
                ratio = f" | {a / b:.2f}" if a is not None and b else " | -"
                if key == "cpu" and a is not None and b:
                    verdicts.append((case, a / b))
            print(f"| {case} | {label} | " + " | ".join(cells) + ratio + " |")
    print()
    for case, ratio in verdicts:
        print(f"target: {case}: CPU at most 0.9 x Chromium's: "
              f"{'met' if ratio <= 0.9 else 'MISSED'} ({ratio:.2f})")
    for case, by_program in results.items():
        for name, runs in by_program.items():
            drops = [r["dropped"] for r in runs if "dropped" in r]
            if any(drops):
                print(f"{case}: {name} dropped frames: {drops}")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir", default=os.path.join(REPO, "build", "default"))
    parser.add_argument("--runs", type=int, default=2)
    parser.add_argument("--settle", type=float, default=8)
    parser.add_argument("--measure", type=float, default=30)
    parser.add_argument("--cases", nargs="*")
    parser.add_argument("--only", choices=["lumora", "chromium"])
    parser.add_argument("--baseline")
    parser.add_argument("--variant", action="append", default=[],
                        help="VAR=VALUE[;VAR=VALUE]: also measure the program with this "
                             "environment (repeatable)")
    parser.add_argument("--no-mpv", action="store_true")
    parser.add_argument("--no-wm", action="store_true")
    parser.add_argument("--record")
    parser.add_argument("--chromium", default="/usr/bin/chromium")
    parser.add_argument("--json")
    args = parser.parse_args()
    build = os.path.realpath(args.build_dir)
    service_program = os.path.join(build, "tools", "demo_service", "lumora-demo-service")
    app = os.path.join(build, "app")
    library = os.path.join(build, HLS_LIBRARY)
    for path in (os.path.join(app, "lumora"), service_program):
        if not os.access(path, os.X_OK):
            fail(f"missing {path}: build the lumora, lumora_data and lumora-demo-service "
                 "targets")
    if not os.path.exists(library):
        fail(f"missing {library}: build the e2e_players target")
    if args.only != "lumora" and not os.access(args.chromium, os.X_OK):
        fail(f"no browser at {args.chromium} (apt-get install chromium)")
    mpv = shutil.which("mpv") if not args.no_mpv and not args.only else None

    cases = []
    # Long enough for the start-up (Lumora shows the page after its 5 s wait), the settling
    # and the measurement without the video reaching its end; shorter runs reuse the default
    # runs' streams.
    seconds = max(68, int(args.settle + args.measure + 30))
    for resolution in ("1080", "720"):
        for kind in ("mp4", "hls"):
            for mode in ("window", "full"):
                name = f"{kind}-{resolution}-{mode}"
                if args.cases and not any(p in name for p in args.cases):
                    continue
                cases.append({"name": name, "kind": kind, "mode": mode,
                              "resolution": resolution})
    if not cases:
        fail("no case matches")
    media_dir = os.path.join(build, "bench-media")
    for case in cases:
        case["media"] = make_media(media_dir, case["resolution"], seconds)

    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    signal.signal(signal.SIGHUP, lambda *_: sys.exit(129))
    work = tempfile.mkdtemp(prefix="lumora-playback-")
    running, service = [], None
    try:
        service = cb.Service(service_program, work)
        site = os.path.join(work, "site")
        os.makedirs(os.path.join(site, "players"), exist_ok=True)
        shutil.copy(library, os.path.join(site, "players", "library.js"))
        os.symlink(media_dir, os.path.join(site, "media", "bench"))
        programs = []
        if args.only != "chromium":
            programs.append(cb.Lumora(app, work, service.base))
        if args.only != "lumora":
            programs.append(Chromium(args.chromium, service.base))
        if args.baseline:
            programs.append(cb.Lumora(os.path.join(os.path.realpath(args.baseline), "app"),
                                      work, service.base, name="Lumora baseline"))
        for variant in args.variant:
            programs.append(LumoraVariant(app, work, service.base, variant.split(";")))
        if mpv:
            programs.append(Mpv(mpv, service.base))
        version = subprocess.run([args.chromium, "--version"], capture_output=True, text=True,
                                 check=False).stdout.strip() if args.only != "lumora" else ""
        print(f"{time.strftime('%Y-%m-%d %H:%M')}, {os.cpu_count()} cores, "
              f"load average {' '.join(f'{v:.2f}' for v in os.getloadavg())}; {version}; "
              f"settle {args.settle:.0f} s, measure {args.measure:.0f} s, "
              f"{args.runs} runs", flush=True)
        results = {}
        for case in cases:
            with open(os.path.join(site, "index.html"), "w", encoding="utf-8") as f:
                start = (START_MP4 if case["kind"] == "mp4" else START_HLS).format(
                    name=case["media"])
                f.write(PAGE.format(
                    library='<script src="players/library.js"></script>'
                    if case["kind"] == "hls" else "", start=start))
            results[case["name"]] = {p.name: [] for p in programs}
            for run in range(1, args.runs + 1):
                order = programs if run % 2 else list(reversed(programs))
                for program in order:
                    figures = measure(program, case, work, service, args, running)
                    results[case["name"]][program.name].append(figures)
                    line = ", ".join(f"{label} {fmt.format(figures[key])}"
                                     for key, label, fmt in ROWS if key in figures)
                    print(f"{case['name']} run {run} {program.name}: {line}; viewport "
                          f"{figures.get('viewport', '-')}; load average "
                          f"{figures['load average']:.2f}-{figures['load average end']:.2f}; "
                          f"busiest: {figures['busiest']}; threads of the first process: "
                          f"{figures['threads']}", flush=True)
        report(results, [p.name for p in programs])
        print(f"load average at the end {' '.join(f'{v:.2f}' for v in os.getloadavg())}")
        if args.json:
            with open(args.json, "w") as f:
                json.dump(results, f, indent=1)
    finally:
        for process, folder in list(running):
            cb.stop_tree(process, folder)
        if service:
            service.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
