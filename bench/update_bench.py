#!/usr/bin/env python3
"""Time and peak memory of a real update of a 100 MiB release on loopback, next to a plain
`curl` download plus `tar -x` of the same archive in the same run.

The release holds the built Update, a stand-in `lumora` that just stays up (so the update
confirms without a display or a browser engine) and 100 MiB of incompressible files. Update
runs without a display (its terminal mode) with a one-second confirmation wait, which is
taken off its time: the figure is download, hash, unpack, carry-over and swap.

Usage: bench/update_bench.py [--build-dir build/default] [--mib 100] [--runs 3]"""
import argparse
import functools
import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CONFIRM_SECONDS = 1


def make_app(folder, update_program, mib):
    os.makedirs(os.path.join(folder, "payload"))
    shutil.copy2(update_program, os.path.join(folder, "Update"))
    with open(os.path.join(folder, "lumora"), "w") as f:
        f.write("#!/bin/sh\nexec sleep 30\n")
    os.chmod(os.path.join(folder, "lumora"), 0o755)
    with open(os.path.join(folder, "Config.ini"), "wb") as f:
        f.write(b"[Config]\r\nLanguage=3\r\n")
    for i in range(mib):  # 1 MiB files: a release is many files, not one
        with open(os.path.join(folder, "payload", f"part{i:04}.bin"), "wb") as f:
            f.write(os.urandom(1 << 20))


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(directory):
    handler = functools.partial(QuietHandler, directory=directory)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    server.handle_error = lambda *args: None  # an Update killed mid-download resets its link
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def timed(command, **kwargs):
    """Wall time, peak resident memory (MiB) and output of one child process. The output goes
    through a file: a client that Update starts keeps a pipe open long after Update ends."""
    with tempfile.TemporaryFile() as out:
        start = time.monotonic()
        process = subprocess.Popen(command, stdout=out, stderr=subprocess.STDOUT, **kwargs)
        _, status, usage = os.wait4(process.pid, 0)
        elapsed = time.monotonic() - start
        process.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        text = out.read().decode("utf-8", "replace")
    if process.returncode != 0:
        sys.exit(f"{command[0]} failed ({process.returncode}): {text}")
    return elapsed, usage.ru_maxrss / 1024, text


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build", "default"))
    parser.add_argument("--mib", type=int, default=100)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    update_program = os.path.join(args.build_dir, "app", "Update")
    release_tool = os.path.join(args.build_dir, "tools", "release", "lumora-release")
    for program in (update_program, release_tool):
        if not os.path.exists(program):
            sys.exit(f"{program} is missing: build the default preset first")

    work = tempfile.mkdtemp(prefix="lumora-update-bench-")
    try:
        source = os.path.join(work, "new-build")
        make_app(source, update_program, args.mib)
        site = os.path.join(work, "site")
        subprocess.run([release_tool, "--app", source, "--version", "9.0.0.1", "--key",
                        os.path.join(ROOT, "demo", "update-key.sec"), "--out",
                        os.path.join(site, "update")], check=True, capture_output=True)
        with open(os.path.join(site, "update", "latest.json")) as f:
            manifest = json.load(f)
        server = serve(site)
        base = f"http://127.0.0.1:{server.server_address[1]}/"
        env = dict(os.environ, LUMORA_SERVICE_BASE=base, DISPLAY="", WAYLAND_DISPLAY="",
                   LUMORA_UPDATE_CONFIRM_SECONDS=str(CONFIRM_SECONDS))
        env.pop("DISPLAY")
        env.pop("WAYLAND_DISPLAY")

        rows = []
        for run in range(args.runs):
            app = os.path.join(work, f"run{run}", "app")
            make_app(app, update_program, 0)  # the old build: small
            update_time, update_peak, out = timed([os.path.join(app, "Update")], env=env,
                                                  cwd=os.path.dirname(app))
            if "update-result installed" not in out:
                sys.exit(f"the update did not install: {out}")
            subprocess.run(["pkill", "-f", "exec sleep 30"], check=False)
            plain = os.path.join(work, f"run{run}", "plain")
            os.makedirs(plain)
            archive = os.path.join(plain, "release.tar.xz")
            curl_time, curl_peak, _ = timed(["curl", "-sS", "-o", archive,
                                             base + manifest["package"]])
            tar_time, tar_peak, _ = timed(["tar", "-xJf", archive, "-C", plain])
            rows.append((update_time - CONFIRM_SECONDS, update_peak, curl_time + tar_time,
                         max(curl_peak, tar_peak)))
            shutil.rmtree(os.path.join(work, f"run{run}"))
        server.shutdown()
    finally:
        shutil.rmtree(work, ignore_errors=True)

    print(f"release: {args.mib} MiB of files, {manifest['size'] / 2**20:.1f} MiB archive")
    print("run  Update s  curl+tar s  ratio")
    for i, (u, _, p, _) in enumerate(rows):
        print(f"{i + 1:>3}  {u:8.2f}  {p:10.2f}  {u / p:5.2f}")
    best_u = min(r[0] for r in rows)
    best_p = min(r[2] for r in rows)
    print(f"best: Update {best_u:.2f} s, curl+tar {best_p:.2f} s, ratio {best_u / best_p:.2f}")
    print(f"peak memory: Update {max(r[1] for r in rows):.0f} MiB, "
          f"curl/tar {max(r[3] for r in rows):.0f} MiB")


if __name__ == "__main__":
    main()
