#!/usr/bin/env python3
"""What the browser engine's hardening costs pages: playback CPU of a 1080p HLS stream through
hls.js, and the time of a JavaScript-heavy page, for this build and other program folders
(say, a build before the hardening), in the same runs, on one private Xvfb and demo service.

    bench/engine_cost.py [--build-dir DIR] [--baseline DIR] [--runs N] [--measure S]
                         [--switches NAME=SWITCHES ...]

  --build-dir DIR  this build (default build/default); its app/ and demo service are used
  --baseline DIR   also a build without the change (its app/)
  --switches NAME=SWITCHES
                   also this build with QTWEBENGINE_CHROMIUM_FLAGS=SWITCHES, reported as NAME
                   (e.g. jit=--js-flags=--no-jitless: the user's own choice about the JIT
                   stands over the program's)
  --runs N         runs of each program (3), alternating which goes first
  --measure S      seconds of playback measured (20), from 3 s after it started

The stream (30 s, VP9, 1920 x 1080, 25 frames a second, 4 Mbit/s) is made with ffmpeg once
into the build folder; hls.js comes from the e2e_players target. The page replaces the demo's
home page in the main window; the tree's CPU (utime + stime of every process under the
program, sampled each second) is reported in percent of one core. The JavaScript page runs
a fixed mix (objects, strings, sorting, JSON, regular expressions, arithmetic) three times
after its load and reports each round's time; the median counts.
"""
import argparse
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import compare_browser as cb  # noqa: E402

HLS_PAGE = b"""<html><body style='margin:0;background:#000'>
<video id=v muted autoplay style='width:100%;height:100%'></video>
<script src='hls.min.js'></script><script>
const v = document.getElementById('v');
const hls = new Hls();
hls.loadSource('hls-media/stream.m3u8');
hls.attachMedia(v);
v.addEventListener('playing', () => fetch('/event?name=playing'), {once: true});
hls.on(Hls.Events.ERROR, (e, d) => { if (d.fatal) fetch('/event?name=error'); });
</script></body></html>"""

JS_PAGE = b"""<html><body>javascript<script>
function work() {
  let s = 0;
  const points = [];
  for (let i = 0; i < 200000; i++) points.push({x: i, y: i * 2, name: 'p' + (i % 100)});
  for (const p of points) s += (p.x * p.y) % 7 + p.name.length;
  let text = '';
  for (let i = 0; i < 50000; i++) text += i.toString(36);
  s += (text.match(/[a-f]+[0-9]/g) || []).length;
  const numbers = Array.from({length: 200000}, (_, i) => (i * 7919) % 100003);
  numbers.sort((a, b) => a - b);
  s += numbers[7];
  s += JSON.parse(JSON.stringify(points.slice(0, 50000))).length;
  let m = 0;
  for (let i = 0; i < 3000000; i++) m += Math.sqrt(i) * Math.sin(i);
  const map = new Map();
  for (let i = 0; i < 200000; i++) map.set('k' + (i % 5000), i);
  return s + (m > 0) + map.size;
}
addEventListener('load', () => setTimeout(() => {
  for (let round = 0; round < 3; round++) {
    const from = performance.now();
    work();
    fetch('/event?name=js&round=' + round + '&ms=' + Math.round(performance.now() - from));
  }
}, 1000));
</script></body></html>"""


def make_stream(folder):
    stream = os.path.join(folder, "stream.m3u8")
    if os.path.exists(stream):
        return folder
    os.makedirs(folder + ".tmp", exist_ok=True)
    subprocess.run(
        ["ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
         "testsrc2=s=1920x1080:r=25:d=30", "-c:v", "libvpx-vp9", "-deadline", "realtime",
         "-cpu-used", "8", "-b:v", "4M", "-g", "50", "-keyint_min", "50", "-row-mt", "1",
         "-an", "-f", "hls", "-hls_time", "2", "-hls_playlist_type", "vod",
         "-hls_segment_type", "fmp4", "-hls_fmp4_init_filename", "init.mp4",
         "-hls_segment_filename", os.path.join(folder + ".tmp", "segment%d.m4s"),
         os.path.join(folder + ".tmp", "stream.m3u8")], check=True)
    os.rename(folder + ".tmp", folder)
    return folder


def events(service, name, since):
    try:
        with open(service.log, "rb") as f:
            f.seek(since)
            lines = f.read().decode("utf-8", errors="replace").splitlines()
    except OSError:
        return []
    prefix = f"/event?name={name}"
    found = []
    for line in lines:
        parts = line.split(" ", 2)
        if len(parts) == 3 and parts[1] == "GET" and parts[2].startswith(prefix):
            query = parts[2][len(prefix):].lstrip("&")
            found.append(dict(p.split("=", 1) for p in query.split("&") if "=" in p))
    return found


def run_page(program, service, work, page, measure):
    site = os.path.join(work, "site")
    with open(os.path.join(site, "index.html"), "wb") as f:
        f.write(page)
    folder = tempfile.mkdtemp(dir=work)
    since = service.size()
    process, _ = program.start(folder)
    try:
        if page is HLS_PAGE:
            cb.wait_for(lambda: events(service, "playing", since) or
                        events(service, "error", since), 120, "the stream to play")
            if events(service, "error", since):
                cb.fail("hls.js reported an error")
            time.sleep(3)
            cpu, _ = cb.idle_cpu(process.pid, folder, measure)
            return cpu
        rounds = cb.wait_for(lambda: len(events(service, "js", since)) >= 3 and
                             events(service, "js", since), 180, "the JavaScript rounds")
        return statistics.median(int(r["ms"]) for r in rounds)
    finally:
        cb.stop_tree(process, folder)
        shutil.rmtree(folder, ignore_errors=True)


class WithSwitches(cb.Lumora):
    def __init__(self, app, work, base, name, switches):
        super().__init__(app, work, base, name)
        self.switches = switches

    def start(self, folder):
        old = os.environ.get("QTWEBENGINE_CHROMIUM_FLAGS")
        os.environ["QTWEBENGINE_CHROMIUM_FLAGS"] = self.switches
        try:
            return super().start(folder)
        finally:
            if old is None:
                del os.environ["QTWEBENGINE_CHROMIUM_FLAGS"]
            else:
                os.environ["QTWEBENGINE_CHROMIUM_FLAGS"] = old


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir", default=os.path.join(cb.REPO, "build", "default"))
    parser.add_argument("--baseline")
    parser.add_argument("--switches", action="append", default=[])
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--measure", type=float, default=20)
    args = parser.parse_args()
    build = os.path.realpath(args.build_dir)
    library = os.path.join(build, "e2e-players", "node_modules", "hls.js", "dist", "hls.min.js")
    if not os.path.exists(library):
        cb.fail("hls.js is missing: build the e2e_players target")
    stream = make_stream(os.path.join(build, "bench-media", "hls-1080p"))
    work = tempfile.mkdtemp(prefix="lumora-engine-cost-")
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    service = None
    try:
        service = cb.Service(os.path.join(build, "tools", "demo_service", "lumora-demo-service"),
                             work)
        site = os.path.join(work, "site")
        shutil.copy(library, os.path.join(site, "hls.min.js"))
        shutil.copytree(stream, os.path.join(site, "hls-media"))
        programs = [cb.Lumora(os.path.join(build, "app"), work, service.base, name="this build")]
        for item in args.switches:
            name, _, switches = item.partition("=")
            programs.append(WithSwitches(os.path.join(build, "app"), work, service.base,
                                         f"this build, {name}", switches))
        if args.baseline:
            programs.append(cb.Lumora(os.path.join(os.path.realpath(args.baseline), "app"),
                                      work, service.base, name="baseline"))
        results = {p.name: {"cpu": [], "js": []} for p in programs}
        for run in range(args.runs):
            order = programs if run % 2 == 0 else programs[::-1]
            for program in order:
                results[program.name]["cpu"].append(
                    run_page(program, service, work, HLS_PAGE, args.measure))
                results[program.name]["js"].append(
                    run_page(program, service, work, JS_PAGE, args.measure))
                print(f"run {run + 1} {program.name}: playback "
                      f"{results[program.name]['cpu'][-1]:.1f} % of one core, JavaScript "
                      f"{results[program.name]['js'][-1]} ms", flush=True)
        with open("/proc/loadavg") as f:
            load = f.read().split()[:3]
        print(f"\nload average at the end: {' '.join(load)}")
        print("| program | playback CPU, % of one core | JavaScript page, ms |")
        print("|---|---|---|")
        for name, r in results.items():
            print(f"| {name} | {statistics.median(r['cpu']):.1f} ({min(r['cpu']):.1f}-"
                  f"{max(r['cpu']):.1f}) | {statistics.median(r['js']):.0f} "
                  f"({min(r['js'])}-{max(r['js'])}) |")
    finally:
        if service:
            service.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
