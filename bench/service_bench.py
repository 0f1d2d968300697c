#!/usr/bin/env python3
"""What the client's service fetches cost the user-interface thread, measured on the real
program under X (run through startup_fetches.sh or service_freeze.sh, which start Xvfb).

    service_bench.py startup --build-dir DIR [--runs N]
    service_bench.py freeze  --build-dir DIR

startup: against the demo service, the requests and TCP connections of the start-up sequence
and the time its fetches hold the user-interface thread (LUMORA_TRACE_FETCH).
freeze: against a service that accepts and never answers, or answers every page a second late
(quiet_service.py), the longest stretch the user-interface thread goes without turning an event
loop, in which it neither paints nor answers the window manager, and the longest stretch a
handler holds it from the program's loops, its service waits included (LUMORA_TRACE_STALLS),
at start-up and at exit.
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

from procs import stop_process

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEMO_SITE = os.path.join(REPO, "demo", "site")
# service/fetch.h: kRequestTimeout, the bound of one fetch.
FETCH_BOUND_MS = 5000
# The longest the windows may go unpainted while the service is dead or slow.
PAINT_GAP_MS = 100
# The right pop-up's switch: the last page the start-up reads.
LAST_STARTUP_PAGE = "ads/ytkg.html"
FIRST_GROUP_LAST_PAGE = "ads/zdylm2.html"
EXIT_PAGE = "ads/ttkg.html"


def wait_for(condition, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.02)
    raise SystemExit(f"service_bench: timed out after {timeout:.0f}s waiting for {what}")


def read(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    except FileNotFoundError:
        return ""


def parse_fetches(path):
    """The fetch trace: one dict per fetch, in order."""
    fetches = []
    for line in read(path).splitlines():
        if not line.startswith("fetch "):
            continue
        head, address = line.split(" address=", 1)
        fields = dict(item.split("=", 1) for item in head.split()[1:])
        fetches.append({
            "start": float(fields["start"]), "ms": float(fields["ms"]),
            "bytes": int(fields["bytes"]), "result": fields["result"],
            "new": int(fields["new-connections"]), "port": int(fields["port"]),
            "turn": int(fields["turn"]), "address": address,
            "page": re.sub(r"^https?://[^/]+/", "", address)})
    return fetches


def parse_stalls(path, kind="stall"):
    """One record of the stall watch ("stall": the loop's gaps, "handler": the handlers'
    stretches): (every kept gap as (ms, from, to, final), the longest)."""
    gaps, longest = [], None
    pattern = re.compile(rf"^({kind}|{kind}-longest) ms=([\d.]+) from=([\d.]+) to=([\d.]+)( final)?$")
    for line in read(path).splitlines():
        m = pattern.match(line)
        if not m:
            continue
        gap = (float(m.group(2)), float(m.group(3)), float(m.group(4)), bool(m.group(5)))
        if m.group(1) == f"{kind}-longest":
            longest = gap
        else:
            gaps.append(gap)
    return gaps, longest


class Run:
    """A copy of the app folder with a fresh home, and the program started from it."""

    def __init__(self, build, name):
        self.work = tempfile.mkdtemp(prefix=f"lumora-bench-{name}-")
        self.app = os.path.join(self.work, "app")
        shutil.copytree(os.path.join(build, "app"), self.app, symlinks=True)
        home = os.path.join(self.work, "home")
        os.makedirs(home)
        self.env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=f"{home}/config",
                        XDG_DATA_HOME=f"{home}/data", XDG_CACHE_HOME=f"{home}/cache")
        if os.geteuid() == 0:
            # The browser engine refuses to run as root with its sandbox; for the bench only.
            self.env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
        self.fetch_trace = os.path.join(self.work, "fetches.txt")
        self.stall_trace = os.path.join(self.work, "stalls.txt")
        self.process = None

    def start(self, base):
        self.env.update(LUMORA_SERVICE_BASE=base, LUMORA_TRACE_FETCH=self.fetch_trace,
                        LUMORA_TRACE_STALLS=self.stall_trace)
        with open(os.path.join(self.work, "out.txt"), "wb") as out:
            self.process = subprocess.Popen([os.path.join(self.app, "lumora")], env=self.env,
                                            cwd=self.work, stdout=out, stderr=subprocess.STDOUT)

    def fetches(self):
        return parse_fetches(self.fetch_trace)

    def fetched(self, page):
        return any(f["page"] == page for f in self.fetches())

    def terminate(self):
        """SIGTERM, as a session ending does; returns when it was sent."""
        sent = time.monotonic()
        self.process.send_signal(signal.SIGTERM)
        try:
            self.process.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            raise SystemExit("service_bench: the program did not end on SIGTERM")
        return sent

    def main_window(self, timeout=90):
        def find():
            if self.process.poll() is not None:
                raise SystemExit(f"service_bench: the program ended ({self.process.returncode}): "
                                 + read(os.path.join(self.work, "out.txt")))
            out = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid",
                                  str(self.process.pid)], capture_output=True, text=True).stdout
            for window in out.split():
                g = geometry(window)
                if g.get("WIDTH") == 984:
                    return window
            return None
        return wait_for(find, timeout, "the main window")

    def close(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.work, ignore_errors=True)


def geometry(window):
    out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                         capture_output=True, text=True).stdout
    values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
    return {k: int(v) for k, v in values.items() if k in ("X", "Y", "WIDTH", "HEIGHT")}


class Service:
    """A service process that prints "listening BASE" first."""

    def __init__(self, command):
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
        line = self.process.stdout.readline()
        if not line.startswith("listening "):
            self.stop()
            raise SystemExit(f"service_bench: {command[0]} did not start")
        self.base = line.split()[1]

    def stop(self):
        stop_process(self.process)


# --- start-up fetches ---------------------------------------------------------------------------

def startup_once(build, index):
    run = Run(build, "startup")
    log = os.path.join(run.work, "demo.log")
    service = Service([os.path.join(build, "tools", "demo_service", "lumora-demo-service"),
                       "--port", "0", "--log", log])
    try:
        run.start(service.base)
        wait_for(lambda: run.fetched(LAST_STARTUP_PAGE), 120, "the end of the start-up")
        time.sleep(1)
        run.terminate()
        fetches = run.fetches()
        last = max(i for i, f in enumerate(fetches) if f["page"] == LAST_STARTUP_PAGE)
        startup = fetches[:last + 1]
        lines = read(log).splitlines()
        pages = {"/" + f["page"] for f in startup}
        served = [l for l in lines if l.split(" ")[1:2] == ["GET"] and l.split(" ", 2)[2] in pages]
        accepts = sum(1 for l in lines if " ACCEPT " in l)
        result = {
            "requests": len(startup),
            "served": len(served),
            "connections": len({f["port"] for f in startup}),
            "new": sum(f["new"] for f in startup),
            "accepts": accepts,
            "total_ms": sum(f["ms"] for f in startup),
            "longest_ms": max(f["ms"] for f in startup),
            "failed": [f["page"] for f in startup if f["result"] != "200"],
        }
        turns = {}
        for f in startup:
            turns.setdefault(f["turn"], []).append(f)
        print(f"run {index}: {result['requests']} start-up fetches "
              f"({result['served']} in the demo service's log), "
              f"{result['connections']} TCP connection(s) "
              f"({result['new']} opened by the fetches; the log's {accepts} ACCEPT lines "
              f"count the browser's too), {result['total_ms']:.2f} ms in fetches, "
              f"longest {result['longest_ms']:.2f} ms")
        for turn, group in turns.items():
            print(f"  turn {turn}: " + ", ".join(
                f"{f['page'].removeprefix('ads/')} {f['ms']:.2f} ms" for f in group))
        if result["failed"]:
            print(f"  not answered: {', '.join(result['failed'])}")
        return result
    finally:
        service.stop()
        run.close()


def startup(args):
    results = [startup_once(args.build_dir, i + 1) for i in range(args.runs)]
    total = statistics.median(r["total_ms"] for r in results)
    connections = max(r["connections"] for r in results)
    requests = results[0]["requests"]
    print(f"median of {len(results)}: {requests} requests, at most {connections} connection(s), "
          f"{total:.2f} ms in fetches on the user-interface thread")
    ok = connections == 1 and total < 20 and all(r["served"] == r["requests"] for r in results)
    print("target (one connection, under 20 ms): " + ("met" if ok else "MISSED"))
    return 0 if ok else 1


# --- freezes against a service that stops answering ----------------------------------------

def quiet_service(run, quiet, delay_ms=0):
    command = [sys.executable, os.path.join(REPO, "bench", "quiet_service.py"),
               "--root", DEMO_SITE, "--log", os.path.join(run.work, "service.log"),
               "--delay", str(delay_ms)]
    return Service(command + (["--quiet"] if quiet else []))


def held(run, page):
    return f" held /{page}" in read(os.path.join(run.work, "service.log"))


def choose_quit(run, window):
    """Opens the option menu and chooses its last item (quit) with the pointer."""
    g = geometry(window)
    x, y = g["X"] + 869, g["Y"] + 17  # the option button in the title strip
    for attempt in range(5):
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1"])

        def menu():
            out = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid",
                                  str(run.process.pid)], capture_output=True, text=True).stdout
            for w in out.split():
                m = geometry(w)
                if w != window and m and abs(m["X"] - x) <= 8 and abs(m["Y"] - y) <= 8:
                    return m
            return None
        try:
            m = wait_for(menu, 10, "the option menu")
        except SystemExit:
            continue
        time.sleep(0.5)  # painted and taking the pointer
        subprocess.run(["xdotool", "mousemove", "--sync", str(m["X"] + m["WIDTH"] // 2),
                        str(m["Y"] + m["HEIGHT"] - 14)])
        time.sleep(0.5)
        chosen = time.monotonic()
        subprocess.run(["xdotool", "click", "1"])
        try:
            wait_for(lambda: held(run, EXIT_PAGE), 5, "the exit's first page")
            return chosen
        except SystemExit:
            subprocess.run(["xdotool", "key", "Escape"])
    raise SystemExit("service_bench: could not choose quit from the option menu")


def report(name, run, phases, sent_term):
    """Prints the longest stretches of each phase; phases: (label, from, to) in CLOCK_MONOTONIC.
    Returns (the longest gap between loop turns, the longest handler)."""
    gaps, longest = parse_stalls(run.stall_trace)
    handlers, _ = parse_stalls(run.stall_trace, "handler")
    if longest is None:
        raise SystemExit("service_bench: no stall record (was LUMORA_TRACE_STALLS read?)")
    worst = 0.0
    worst_handler = 0.0
    print(f"{name}:")
    # The part of a gap inside a fetch is what the service costs the user; the rest is the
    # program's own work (creating a window's browsers), the same with a healthy service.
    waits = [(f["start"], f["start"] + f["ms"] / 1000) for f in run.fetches()]

    def in_wait(g):
        """How much of the gap lies inside a fetch, in ms."""
        return max([0.0] + [(min(g[2], end) - max(g[1], start)) * 1000 for start, end in waits])
    for label, begin, end in phases:
        inside = [g for g in gaps if not g[3] and begin <= g[1] < end]
        ms = max((in_wait(g) for g in inside), default=0.0)
        own = max((g[0] for g in inside if in_wait(g) == 0.0), default=0.0)
        worst = max(worst, ms)
        handler = max((h[0] for h in handlers if begin <= h[1] < end), default=0.0)
        worst_handler = max(worst_handler, handler)
        shown = f"{ms:.0f} ms" if ms else "none over the record's 50 ms"
        print(f"  {label}: longest gap between paints during a fetch {shown} "
              f"(outside fetches {own:.0f} ms), longest handler {handler:.0f} ms")
    final = next(g for g in gaps if g[3])
    print(f"  exit on SIGTERM: {final[0]:.0f} ms from the last turn of the event loop to the "
          f"end of the program (signal sent {sent_term - final[1]:+.3f} s after that turn)")
    fetches = run.fetches()
    held_fetches = [f for f in fetches if f["result"] != "200"]
    if held_fetches:
        print("  fetches not answered: " + ", ".join(
            f"{f['page'].removeprefix('ads/')} {f['result']} {f['ms']:.0f} ms"
            for f in held_fetches))
    return worst, final[0], worst_handler


def freeze(args):
    build = args.build_dir
    worst = {}

    # 1. The service never answers: the start-up's first page runs out of time.
    run = Run(build, "quiet-start")
    service = quiet_service(run, quiet=True)
    try:
        begin = time.monotonic()
        run.start(service.base)
        run.main_window()
        time.sleep(3)
        sent = run.terminate()
        worst["quiet from the start"] = report(
            "service quiet from the start", run, [("start-up", begin, sent)], sent)
    finally:
        service.stop()
        run.close()

    # 2. The service stops answering during the start-up's 5-second wait: every page after
    # the wait is held.
    run = Run(build, "quiet-wait")
    service = quiet_service(run, quiet=False)
    try:
        begin = time.monotonic()
        run.start(service.base)
        wait_for(lambda: run.fetched(FIRST_GROUP_LAST_PAGE), 120, "the start-up's first pages")
        service.process.send_signal(signal.SIGUSR1)
        wait_for(lambda: held(run, "ads/wz1kg.html"), 60, "the start-up's pages after the wait")
        wait_for(lambda: run.fetched(LAST_STARTUP_PAGE), 120, "the end of the start-up")
        time.sleep(3)
        sent = run.terminate()
        worst["quiet during the start-up"] = report(
            "service quiet from the start-up's wait on", run, [("start-up", begin, sent)], sent)
    finally:
        service.stop()
        run.close()

    # 3. The service answers the whole start-up, then stops answering; the user quits from the
    # option menu, and then the session ends (SIGTERM).
    run = Run(build, "quiet-exit")
    service = quiet_service(run, quiet=False)
    try:
        begin = time.monotonic()
        run.start(service.base)
        window = run.main_window()
        wait_for(lambda: run.fetched(LAST_STARTUP_PAGE), 120, "the end of the start-up")
        time.sleep(7)  # the right pop-up has come up, so it cannot close the menu
        service.process.send_signal(signal.SIGUSR1)
        chosen = choose_quit(run, window)
        time.sleep(FETCH_BOUND_MS / 1000 + 2)
        sent = run.terminate()
        worst["quit with the service quiet"] = report(
            "service quiet before quitting", run,
            [("start-up", begin, chosen - 0.5), ("quit from the menu", chosen - 0.5, sent)], sent)
    finally:
        service.stop()
        run.close()

    # 4. The service answers every page, each a second late.
    run = Run(build, "slow")
    service = quiet_service(run, quiet=False, delay_ms=1000)
    try:
        begin = time.monotonic()
        run.start(service.base)
        wait_for(lambda: run.fetched(LAST_STARTUP_PAGE), 240, "the end of the start-up")
        time.sleep(2)
        sent = run.terminate()
        worst["every page a second late"] = report(
            "service answering every page a second late", run, [("start-up", begin, sent)], sent)
    finally:
        service.stop()
        run.close()

    paints = max(w[0] for w in worst.values())
    exits = max(w[1] for w in worst.values())
    handler = max(w[2] for w in worst.values() if w is not worst["every page a second late"])
    print(f"longest gap between paints during a fetch: {paints:.0f} ms (target under {PAINT_GAP_MS} ms): "
          + ("met" if paints < PAINT_GAP_MS else "MISSED"))
    print(f"longest way out on SIGTERM: {exits:.0f} ms (target under 1000 ms): "
          + ("met" if exits < 1000 else "MISSED"))
    print(f"longest handler against a silent service: {handler:.0f} ms (one fetch's bound "
          f"{FETCH_BOUND_MS} ms and what a handler does besides)")
    return 0 if paints < PAINT_GAP_MS and exits < 1000 else 1


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("what", choices=["startup", "freeze"])
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    args.build_dir = os.path.realpath(args.build_dir)
    print(f"{os.cpu_count()} cores, {os.uname().release}, program {args.build_dir}/app/lumora")
    return startup(args) if args.what == "startup" else freeze(args)


if __name__ == "__main__":
    sys.exit(main())
