"""Drives the real program under X (Xvfb in CI) with xdotool and ImageMagick."""
import atexit
import http.server
import json
import os
import re
import select
import shutil
import signal
import sys
import subprocess
import tempfile
import threading
import time
import unittest

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
    raise AssertionError(f"timed out after {timeout:.0f}s waiting for "
                         f"{what() if callable(what) else what}")


def xdotool(*args):
    result = subprocess.run(["xdotool", *args], capture_output=True, text=True)
    return result.stdout.strip() if result.returncode == 0 else ""


def geometry_of(window):
    """Where a window is on the screen and its size: X, Y, WIDTH, HEIGHT (empty once gone)."""
    out = xdotool("getwindowgeometry", "--shell", window)
    values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
    return {k: int(v) for k, v in values.items() if k in ("X", "Y", "WIDTH", "HEIGHT")}


# The demo home page's first card (video 1) in MainWindow: left, top, width, height.
FIRST_VIDEO_CARD = (20, 311, 220, 122)


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

    def start(self, user=None):
        """user: a pwd entry to run the program as, its files handed to that user."""
        # Output goes to files: a full pipe would stall the program under test.
        self.stdout_path = os.path.join(self.root, "stdout.txt")
        self.stderr_path = os.path.join(self.root, "stderr.txt")
        ids = {}
        if user is not None:
            ids = {"user": user.pw_uid, "group": user.pw_gid, "extra_groups": []}
            subprocess.run(["chown", "-R", f"{user.pw_uid}:{user.pw_gid}", self.root], check=True)
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.process = subprocess.Popen(
                [os.path.join(self.app, "lumora")], env=self.env, cwd=self.root,
                stdout=out, stderr=err, **ids)
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
        return geometry_of(window)

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

    def hover(self, window, x, y, region, timeout=60):
        """Puts the pointer on (x, y) of the window and waits until what is under it shows
        that it noticed (region, (left, top, width, height) in the window, changes): from
        then on it takes clicks, and a page has reported the link under the pointer."""
        xdotool("mousemove", "--sync", "0", "0")  # off every window: the idle look
        before = wait_for(lambda: _steady_crop(window, region, "before"), timeout,
                          interval=0.3, what="a steady picture before hovering")
        g = self.geometry(window)
        xdotool("mousemove", "--sync", str(g["X"] + x), str(g["Y"] + y))
        wait_for(lambda: differing_pixels(_crop(window, region, "hover"), before) > 100,
                 timeout, interval=0.3, what="a reaction to the pointer")

    def open_option_menu(self, window):
        """Clicks MainWindow's option button and returns the menu, which pops up where the
        pointer is."""
        return self.popup_menu(window, 869, 17)  # 选项按钮: 847, 4, 44 x 26 in the title strip

    def popup_menu(self, window, x, y, button="1"):
        """Clicks (x, y) of the window with the button and returns the menu that pops up at
        the pointer."""
        g = self.geometry(window)
        xdotool("mousemove", "--sync", str(g["X"] + x), str(g["Y"] + y))
        xdotool("click", button)
        x, y = g["X"] + x, g["Y"] + y

        def menu():
            for w in self.windows():
                m = self.geometry(w)  # empty for a window that has just gone
                if w != window and m and abs(m["X"] - x) <= 8 and abs(m["Y"] - y) <= 8:
                    return w
            return None
        return wait_for(menu, 30, what="a menu at the pointer")

    def choose_menu_item(self, menu, last=False):
        """Chooses the first (or the last) item of a popup menu with the pointer, as a user
        does; the keyboard would depend on the menu having grabbed it already."""
        g = self.geometry(menu)
        y = g["HEIGHT"] - 14 if last else 14  # inside the row, clear of the frame
        self.hover(menu, g["WIDTH"] // 2, y, (4, y - 5, g["WIDTH"] - 8, 10))
        xdotool("click", "1")

    def window_titled(self, title, timeout=60):
        """One of the program's own visible windows with exactly this title."""
        return wait_for(lambda: next((w for w in self.windows()
                                      if xdotool("getwindowname", w) == title), None),
                        timeout, what=f"a window titled {title!r}")

    def open_first_video(self, main, player_title):
        """Hovers the home page's first card (video/1.html) and clicks it, as a user does;
        returns the player window that opens."""
        self.hover(main, 130, 370, FIRST_VIDEO_CARD)
        xdotool("click", "1")
        return self.window_titled(player_title)

    def running_copies(self):
        """Processes running this copy's program file: the one started here and any it
        started itself (a restart)."""
        return processes_of(os.path.join(self.app, "lumora"))

    def stop(self):
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        kill_all(os.path.join(self.app, "lumora"))
        shutil.rmtree(self.root, ignore_errors=True)


def processes_of(program):
    """Processes whose program file is this path (also once an update replaced the file)."""
    program = os.path.realpath(program)
    found = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                if os.readlink(f"/proc/{entry}/exe") in (program, program + " (deleted)"):
                    found.append(int(entry))
            except OSError:
                pass
    return found


def kill_all(program):
    for pid in processes_of(program):
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass


def page_processes(root):
    """The engine's page (renderer) processes among the descendants of process `root`: the
    children of its sandboxed zygote, which keep the zygote's command line."""
    parents, commands = {}, {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as f:
                    parents[int(entry)] = int(f.read().rsplit(")", 1)[1].split()[1])
                with open(f"/proc/{entry}/cmdline", "rb") as f:
                    commands[int(entry)] = f.read()
            except (OSError, IndexError, ValueError):
                pass
    descendants, frontier = set(), {root}
    while frontier:
        frontier = {pid for pid, parent in parents.items() if parent in frontier} - descendants
        descendants |= frontier

    def page_zygote(pid):
        command = commands.get(pid, b"")
        return b"--type=zygote" in command and b"--no-zygote-sandbox" not in command
    return [pid for pid in descendants
            if b"--type=renderer" in commands.get(pid, b"") or page_zygote(parents[pid])]


def kill_pages(client):
    pages = wait_for(lambda: page_processes(client.process.pid), 30, what="page processes")
    for pid in pages:
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    return pages


RELOAD_BLUE = "#3BA7F0"  # the local crash page's button, a solid block of this colour


def blue_pixels(path):
    left, top, width, height = CONTENT
    out = subprocess.run(
        ["convert", path, "-crop", f"{width}x{height}+{left}+{top}", "+repage", "-alpha", "off",
         "-fill", "white", "-opaque", RELOAD_BLUE, "-fill", "black", "+opaque", "white",
         "-format", "%[fx:mean*w*h]", "info:"], capture_output=True, text=True, check=True)
    return float(out.stdout)


def shows_crash_page(path):
    # The loading page has the same background and a thin spinner of the same blue; only
    # the crash page has a whole button of it.
    return blue_pixels(path) > 1500 and not shows_page(path, min_colours=2000)


def config_items(client):
    """The items of the client's Config.ini as (section, key, value) triples."""
    items, section = set(), ""
    with open(os.path.join(client.app, "Config.ini"), "rb") as f:
        for line in f.read().decode("gbk", errors="replace").splitlines():
            line = line.strip()
            if line.startswith("[") and line.endswith("]"):
                section = line
            elif "=" in line:
                items.add((section, *line.split("=", 1)))
    return items


def record_desktop_opens(client):
    """Makes a recording handler the desktop's default for web addresses, file addresses and
    folders in the client's own XDG folders, so the real xdg-open hands it what the program
    opens. Returns the file it appends each address to, one per line."""
    opened = os.path.join(client.root, "opened.txt")
    handler = os.path.join(client.root, "record-url")
    with open(handler, "w") as f:
        f.write(f'#!/bin/sh\nprintf "%s\\n" "$1" >> "{opened}"\n')
    os.chmod(handler, 0o755)
    apps = os.path.join(client.env["XDG_DATA_HOME"], "applications")
    os.makedirs(apps, exist_ok=True)
    with open(os.path.join(apps, "lumora-e2e-record.desktop"), "w") as f:
        f.write("[Desktop Entry]\nType=Application\nName=Record\n"
                f"Exec={handler} %u\nMimeType=x-scheme-handler/http;x-scheme-handler/file;"
                "inode/directory;\n")
    defaults = ("[Default Applications]\nx-scheme-handler/http=lumora-e2e-record.desktop\n"
                "x-scheme-handler/file=lumora-e2e-record.desktop\n"
                "inode/directory=lumora-e2e-record.desktop\n")
    os.makedirs(client.env["XDG_CONFIG_HOME"], exist_ok=True)
    for folder in (client.env["XDG_CONFIG_HOME"], apps):
        with open(os.path.join(folder, "mimeapps.list"), "w") as f:
            f.write(defaults)
    client.env.pop("BROWSER", None)
    client.env.pop("XDG_CURRENT_DESKTOP", None)
    return opened


def desktop_opens(opened):
    """The addresses recorded so far in the file record_desktop_opens returned."""
    try:
        with open(opened) as f:
            return f.read().split()
    except FileNotFoundError:
        return []


def window_named(name, timeout=90):
    """A visible window with exactly this name, whoever shows it."""
    def find():
        for w in xdotool("search", "--onlyvisible", "--name", re.escape(name)).split():
            if xdotool("getwindowname", w) == name:
                return w
        return None
    return wait_for(find, timeout, what=f"a window named {name!r}")


def differing_pixels(a, b):
    """Pixels that differ between two pictures of the same size (ImageMagick's AE metric)."""
    result = subprocess.run(["compare", "-metric", "AE", a, b, "null:"],
                            capture_output=True, text=True)
    if result.returncode > 1:
        raise AssertionError(f"compare failed: {result.stderr}")
    return float(result.stderr.split()[0])


def pixel(path, x, y):
    """The colour at (x, y) of a picture as "RRGGBB"."""
    return subprocess.run(["convert", path, "-format", f"%[hex:p{{{x},{y}}}]", "info:"],
                          capture_output=True, text=True, check=True).stdout.strip()[:6].upper()


_SCRATCH = tempfile.mkdtemp(prefix="lumora-e2e-crops-")
atexit.register(shutil.rmtree, _SCRATCH, ignore_errors=True)


def _crop(window, region, name):
    left, top, width, height = region
    full = os.path.join(_SCRATCH, f"{name}-window.png")
    path = os.path.join(_SCRATCH, f"{name}-crop.png")
    subprocess.run(["import", "-window", window, full], check=True, capture_output=True)
    subprocess.run(["convert", full, "-crop", f"{width}x{height}+{left}+{top}", "+repage", path],
                   check=True)
    return path


def _steady_crop(window, region, name):
    """The region's picture once two captures in a row agree (the page has painted)."""
    first = _crop(window, region, name + "-1")
    second = _crop(window, region, name + "-2")
    return second if differing_pixels(first, second) == 0 and colours(second) > 16 else None


def screenshot_when(name, window, condition, timeout=60, what=None):
    """Saves pictures of the window until one meets condition(path); returns its path."""
    os.makedirs(ARTIFACTS, exist_ok=True)
    path = os.path.join(ARTIFACTS, name + ".png")

    def take():
        subprocess.run(["import", "-window", window, path], check=False, capture_output=True)
        return path if os.path.exists(path) and condition(path) else None
    return wait_for(take, timeout, interval=0.2, what=what or name)


def _loading_background():
    with open(os.path.join(APP_DIR, "Html", "Loading.html"), encoding="utf-8") as f:
        return re.search(r"background:\s*#([0-9a-fA-F]{6})", f.read()).group(1).upper()


# The large windows' content area (window coordinates), and spots of it away from the
# loading page's spinner and words, where that page shows nothing but its background.
CONTENT = (0, 28, 984, 596)
CONTENT_SPOTS = [(100, 100), (880, 150), (100, 560), (880, 560)]
LOADING_BACKGROUND = _loading_background() if APP_DIR else ""


def shows_loading_page(path):
    return all(pixel(path, x, y) == LOADING_BACKGROUND for x, y in CONTENT_SPOTS)


def shows_page(path, min_colours=500):
    """The window's content area shows a painted page that is not the loading page: an
    unpainted browser is one flat colour, the loading page its background at the spots."""
    left, top, width, height = CONTENT
    crop = os.path.join(_SCRATCH, "content-" + os.path.basename(path))
    subprocess.run(["convert", path, "-crop", f"{width}x{height}+{left}+{top}", "+repage", crop],
                   check=True)
    return (colours(crop) >= min_colours and
            not all(pixel(path, x, y) == LOADING_BACKGROUND for x, y in CONTENT_SPOTS))


def colours(path):
    """How many distinct colours a picture has: a page that has painted has many."""
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
        return colours(path) >= min_colours
    wait_for(take, timeout, interval=0.5, what=f"a painted {name}")
    return path


ON = "开".encode("gbk")
OFF = "关".encode("gbk")


class LoopbackServer:
    """An HTTP server on a free loopback port, answering with handler in threads of its own."""

    def __init__(self, handler):
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.base = f"http://127.0.0.1:{self.server.server_address[1]}/"
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def stop(self):
        self.server.shutdown()
        self.server.server_close()


class Service(LoopbackServer):
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

        super().__init__(Handler)


DEMO_SERVICE = os.environ.get("LUMORA_DEMO_SERVICE", "")
DEMO_SITE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "demo", "site")
LANGUAGE_FILES = {1: "Chinese Simplified.db", 2: "Chinese Traditional.db", 3: "English.db"}


# The advertisements that appear by themselves come on top of the window a test works in,
# and Qt closes an open menu whenever a new window shows: the pop-under a minute after
# start-up (on a slow machine that can be mid-test) and the right pop-up five seconds after.
NO_POP_UNDER = {"ads/btkg.html": OFF}
NO_TIMED_ADVERTS = {"ads/btkg.html": OFF, "ads/ytkg.html": OFF}


def demo_text(page):
    """The text the demo service answers for a text page such as "ads/namejt.html"."""
    with open(os.path.join(DEMO_SITE, page), "rb") as f:
        return f.read().decode("gbk")


def language_table(code):
    """The keys of the program's language table for code 1, 2 or 3."""
    with open(os.path.join(APP_DIR, "Language", LANGUAGE_FILES[code]), "rb") as f:
        lines = f.read().decode("gbk").splitlines()
    return dict(line.split("=", 1) for line in lines if "=" in line)


class DemoService:
    """The demo portal (lumora-demo-service) on a free loopback port, logging every request
    to a file so tests can read what the client and its pages asked for. `pages` replaces
    some of the demo's pages (name under the site: bytes) in a copy of the site."""

    def __init__(self, pages=None, timeout=30, delay_ms=0):
        if not DEMO_SERVICE:
            raise AssertionError("LUMORA_DEMO_SERVICE must name the demo service program")
        self.root = tempfile.mkdtemp(prefix="lumora-demo-")
        self.log_path = os.path.join(self.root, "requests.log")
        command = [DEMO_SERVICE, "--port", "0", "--log", self.log_path]
        if delay_ms:
            command += ["--delay", str(delay_ms)]
        if pages:
            site = os.path.join(self.root, "site")
            shutil.copytree(DEMO_SITE, site)
            for name, body in pages.items():
                os.makedirs(os.path.dirname(os.path.join(site, name)), exist_ok=True)
                with open(os.path.join(site, name), "wb") as f:
                    f.write(body)
            command += ["--root", site]
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
        try:
            self.base = self._read_base(timeout)
        except Exception:
            self.stop()
            raise

    def _read_base(self, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            ready, _, _ = select.select([self.process.stdout], [], [], 0.5)
            if ready:
                line = self.process.stdout.readline()
                if line.startswith("listening "):
                    return line.split(None, 1)[1].strip()
                if not line:  # stdout closed: the service ended
                    break
        raise AssertionError(f"the demo service did not start ({self.process.poll()})")

    def requests(self):
        """The targets requested so far, in order (query included), e.g. "/ads/ksqd.html"."""
        try:
            with open(self.log_path, encoding="utf-8", errors="replace") as f:
                lines = f.read().splitlines()
        except FileNotFoundError:
            return []
        return [parts[2] for parts in (line.split(" ", 2) for line in lines)
                if len(parts) == 3 and parts[1] == "GET"]

    def requested(self, target):
        return target in self.requests()

    def request_times(self, target):
        """When each request for the target arrived, in seconds since the epoch."""
        try:
            with open(self.log_path, encoding="utf-8", errors="replace") as f:
                lines = f.read().splitlines()
        except FileNotFoundError:
            return []
        return [float(parts[0]) for parts in (line.split(" ", 2) for line in lines)
                if len(parts) == 3 and parts[1] == "GET" and parts[2] == target]

    def set_page(self, name, body):
        """Changes one of the pages replaced at the start while the service runs."""
        path = os.path.join(self.root, "site", name)
        with open(path + ".new", "wb") as f:
            f.write(body)
        os.replace(path + ".new", path)

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()
        shutil.rmtree(self.root, ignore_errors=True)


# Language 1, and the close button and Quit run the exit sequence rather than hiding to the tray.
CONFIG = b"[Config]\r\nLanguage=1\r\nTray=2\r\n"


class ProgramTest(unittest.TestCase):
    """A case that runs the program against a stand-in service; the client and the service a
    test started end with it."""

    def setUp(self):
        self.client = None
        self.service = None

    def tearDown(self):
        for part in (self.client, self.service):
            if part:
                part.stop()

    def start(self, pages=None, before_start=None, config=CONFIG):
        """The program against the demo service (with these of its pages replaced) or the
        service the test set already; returns the main window once it is shown."""
        if self.service is None:
            self.service = DemoService(pages)
        self.client = Client(env={"LUMORA_SERVICE_BASE": self.service.base}, config=config)
        if before_start:
            before_start(self.client)
        self.client.start()
        xdotool("mousemove", "--sync", "0", "0")  # no page under the pointer by chance
        return self.client.window_of_size(984, 624)


class SessionBus:
    """A private session bus for one test, and dbus-send against it."""

    def __init__(self):
        self.daemon = subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.address = self.daemon.stdout.readline().strip()
        if not self.address:
            raise AssertionError("dbus-daemon gave no address")

    def stop(self):
        self.daemon.terminate()
        self.daemon.wait(10)
        self.daemon.stdout.close()

    def send(self, dest, path, member, *args):
        result = subprocess.run(
            ["dbus-send", "--session", "--print-reply", f"--dest={dest}", path, member, *args],
            env={**os.environ, "DBUS_SESSION_BUS_ADDRESS": self.address},
            capture_output=True, text=True, timeout=20)
        if result.returncode != 0:
            raise AssertionError(f"{member} failed: {result.stderr.strip()}")
        return result.stdout

    def has_owner(self, name):
        reply = self.send("org.freedesktop.DBus", "/org/freedesktop/DBus",
                          "org.freedesktop.DBus.NameHasOwner", f"string:{name}")
        return "boolean true" in reply


def _python_with_atspi():
    """A Python that has the desktop's accessibility bindings (the distribution's own, when
    the one running the tests is another)."""
    for python in (sys.executable, "/usr/bin/python3"):
        if subprocess.run([python, "-c", "import pyatspi"], capture_output=True).returncode == 0:
            return python
    raise AssertionError("no Python with pyatspi (python3-pyatspi)")


class AccessibilityBus(SessionBus):
    """A private session bus with the accessibility bus started on it: the program publishes
    its widgets there as it does for a screen reader, and a test reads the texts a user is
    shown, as drawn from the same widgets, rather than the program's model of them."""

    ENV = {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}

    def __init__(self):
        super().__init__()
        # The program looks for the accessibility bus once, as it starts: it must be up.
        self.send("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus.GetAddress")
        self.env = {**self.ENV, "DBUS_SESSION_BUS_ADDRESS": self.address}

    def menu_items(self, menu):
        """The entries of an open popup menu window as [name, x, y, width, height] (screen
        coordinates; a separator has no name), read from the accessibility tree once the
        pointer on its first row gives an item the focus."""
        reader = subprocess.Popen(
            [_python_with_atspi(), os.path.join(os.path.dirname(__file__), "atspi_menu.py")],
            env={**os.environ, "DBUS_SESSION_BUS_ADDRESS": self.address},
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        try:
            if reader.stdout.readline().strip() != "listening":
                raise AssertionError("the accessibility reader did not start")
            g = geometry_of(menu)
            xdotool("mousemove", "--sync", str(g["X"] + 8), str(g["Y"] + 14))
            xdotool("mousemove", "--sync", str(g["X"] + g["WIDTH"] // 2), str(g["Y"] + 14))
            ready, _, _ = select.select([reader.stdout], [], [], 20)
            if not ready:
                raise AssertionError("no menu item took the focus")
            return json.loads(reader.stdout.readline())
        finally:
            reader.kill()
            reader.wait()
            reader.stdout.close()


def click_item(items, name):
    """Clicks the middle of the menu entry of this name, as a user does."""
    found = [i for i in items if i[0] == name]
    if not found:
        raise AssertionError(f"no item {name!r} in {[i[0] for i in items]}")
    _, x, y, w, h = found[0]
    xdotool("mousemove", "--sync", str(x + w // 2), str(y + h // 2))
    xdotool("click", "1")
