"""Drives the real program under X (Xvfb in CI) with xdotool and ImageMagick."""
import http.server
import os
import shutil
import subprocess
import tempfile
import threading
import time

APP_DIR = os.environ.get("LUMORA_APP_DIR", "")
ARTIFACTS = os.environ.get("LUMORA_E2E_ARTIFACTS", os.path.join(tempfile.gettempdir(), "lumora-e2e"))


def wait_for(condition, timeout=60.0, interval=0.1, what="condition"):
    """Polls until condition() is truthy; the ceiling only catches hangs."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(interval)
    raise AssertionError(f"timed out after {timeout:.0f}s waiting for {what}")


def xdotool(*args):
    result = subprocess.run(["xdotool", *args], capture_output=True, text=True)
    return result.stdout.strip() if result.returncode == 0 else ""


class Client:
    """A copy of the app folder in a temporary directory and the program running from it."""

    def __init__(self, folder_name="app", env=None, config=None):
        self.process = None
        self.root = tempfile.mkdtemp(prefix="lumora-e2e-")
        self.app = os.path.join(self.root, folder_name)
        shutil.copytree(APP_DIR, self.app, symlinks=True)
        if config is not None:
            with open(os.path.join(self.app, "Config.ini"), "wb") as f:
                f.write(config)
        self.env = dict(os.environ)
        self.env.update(env or {})
        self.env.setdefault("HOME", self.root)
        self.env.setdefault("XDG_CONFIG_HOME", os.path.join(self.root, "config"))
        self.env.setdefault("XDG_DATA_HOME", os.path.join(self.root, "data"))
        self.process = None

    def start(self):
        # Output goes to files: a full pipe would stall the program under test.
        self.stdout_path = os.path.join(self.root, "stdout.txt")
        self.stderr_path = os.path.join(self.root, "stderr.txt")
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.process = subprocess.Popen(
                [os.path.join(self.app, "lumora")], env=self.env, cwd=self.root,
                stdout=out, stderr=err)
        return self

    def stderr(self):
        with open(self.stderr_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def windows(self, name=None):
        args = ["search", "--onlyvisible", "--pid", str(self.process.pid)]
        if name is not None:
            args = ["search", "--onlyvisible", "--name", f"^{name}$"]
        return [w for w in xdotool(*args).split() if w]

    def geometry(self, window):
        out = xdotool("getwindowgeometry", "--shell", window)
        values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        return {k: int(v) for k, v in values.items() if k in ("X", "Y", "WIDTH", "HEIGHT")}

    def window_of_size(self, width, height, timeout=90):
        def find():
            if self.process.poll() is not None:
                raise AssertionError(f"program ended early ({self.process.returncode}): "
                                     f"{self.stderr()}")
            for w in self.windows():
                g = self.geometry(w)
                if g.get("WIDTH") == width and g.get("HEIGHT") == height:
                    return w
            return None
        return wait_for(find, timeout, what=f"a {width}x{height} window")

    def click(self, window, x, y):
        g = self.geometry(window)
        xdotool("mousemove", "--sync", str(g["X"] + x), str(g["Y"] + y))
        xdotool("click", "1")

    def wait_exit(self, timeout=30):
        try:
            self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("the program did not end")
        return self.process.returncode

    def stop(self):
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.root, ignore_errors=True)


def _colours(path):
    out = subprocess.run(["identify", "-format", "%k", path], capture_output=True, text=True)
    return int(out.stdout or 0) if out.returncode == 0 else 0


def screenshot(name, window=None, min_colours=1, timeout=30):
    """Saves a picture of the window (or the screen); with min_colours, waits until the
    window has painted that much, since a freshly mapped window is still blank."""
    os.makedirs(ARTIFACTS, exist_ok=True)
    path = os.path.join(ARTIFACTS, name + ".png")
    target = window if window else "root"

    def take():
        subprocess.run(["import", "-window", target, path], check=False, capture_output=True)
        return _colours(path) >= min_colours
    wait_for(take, timeout, interval=0.5, what=f"a painted {name}")
    return path


ON = "开".encode("gbk")
OFF = "关".encode("gbk")


class Service:
    """A loopback stand-in for the portal: serves the pages a test sets (bytes as given,
    GBK for text pages) and logs every requested path."""

    def __init__(self, pages=None):
        self.pages = dict(pages or {})
        self.requests = []
        service = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                path = self.path.split("?", 1)[0]
                service.requests.append(path)
                body = service.pages.get(path)
                if body is None:
                    self.send_response(404)
                    body = b"not found"
                else:
                    self.send_response(200)
                if isinstance(body, str):
                    body = body.encode("utf-8")
                self.send_header("Content-Length", str(len(body)))
                ctype = "text/html; charset=utf-8" if path == "/" else "text/html"
                self.send_header("Content-Type", ctype)
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.base = f"http://127.0.0.1:{self.server.server_address[1]}/"
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def stop(self):
        self.server.shutdown()
        self.server.server_close()
