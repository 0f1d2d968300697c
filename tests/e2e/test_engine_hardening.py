"""The browser engine's hardening, against the real program: a cross-site frame runs in a page
process of its own, pages get no WebGL (and, in a build without the JIT, no WebAssembly),
and as an ordinary user every page process runs in the engine's sandbox; where the sandbox
cannot have its namespaces, one line on standard error says why and the program goes on."""
import os
import pwd
import shutil
import subprocess
import time
import unittest

from e2e_lib import NO_TIMED_ADVERTS, CONFIG, Client, DemoService, ProgramTest, wait_for

# The frame keeps its page process busy for 6 s; the page around it counts on, unless the two
# share a process (and so a main thread). Times are the pages' own clocks, not the requests'.
FRAMED_HOME = b"""<html><body style='background:#8ac'>home<script>
setInterval(() => fetch('/event?name=tick&t=' + Date.now()).catch(() => {}), 100);
const frame = document.createElement('iframe');
frame.src = location.href.replace('127.0.0.1', 'localhost').replace(/[^/]*$/, 'busy.html');
document.body.appendChild(frame);
</script></body></html>"""
BUSY_FRAME = b"""<html><body>busy<script>
setTimeout(() => {
  const from = Date.now();
  while (Date.now() - from < 6000) {}
  fetch('/event?name=busy&from=' + from + '&to=' + Date.now()).catch(() => {});
}, 1000);
</script></body></html>"""

GL_PROBE = b"""<html><body style='background:#8ac'><script>
const found = ['webgl', 'webgl2', 'experimental-webgl'].map(
    kind => kind + '=' + (document.createElement('canvas').getContext(kind) ? 1 : 0));
fetch('/event?name=gl&' + found.join('&') + '&wasm=' + typeof WebAssembly).catch(() => {});
</script></body></html>"""

SANDBOX_LINE = "run without the browser engine's full sandbox"


def events(service, name):
    prefix = f"/event?name={name}&"
    return [dict(p.split("=", 1) for p in r[len(prefix):].split("&"))
            for r in service.requests() if r.startswith(prefix)]


def status_field(pid, field):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                return line.split()[1:]
    return None


class EngineHardeningTest(ProgramTest):
    def test_a_cross_site_frame_runs_in_a_page_process_of_its_own(self):
        self.start({**NO_TIMED_ADVERTS, "index.html": FRAMED_HOME, "busy.html": BUSY_FRAME})
        busy = wait_for(lambda: events(self.service, "busy"), 60, what="the frame's busy spell")
        start, end = int(busy[0]["from"]), int(busy[0]["to"])
        ticks = [int(e["t"]) for e in events(self.service, "tick")]
        during = [t for t in ticks if start + 500 <= t <= end - 500]
        self.assertGreater(len(during), 10, f"the page stood still while its frame was busy "
                                            f"({len(ticks)} ticks in all)")

    def test_pages_get_no_webgl(self):
        # OpenGL composition with the GPU blocklist ignored: WebGL would be offered even
        # under a virtual display's software rasteriser.
        def with_opengl(client):
            client.env.update(QSG_RHI_BACKEND="opengl", QTWEBENGINE_CHROMIUM_FLAGS=" ".join(
                ["--ignore-gpu-blocklist", "--enable-webgl-software-rendering"]))
        self.start({**NO_TIMED_ADVERTS, "index.html": GL_PROBE}, before_start=with_opengl)
        found = wait_for(lambda: events(self.service, "gl"), 60, what="the page's probe")[0]
        self.assertEqual((found["webgl"], found["webgl2"], found["experimental-webgl"]),
                         ("0", "0", "0"))
        jit = os.environ.get("LUMORA_JS_JIT") == "1"
        self.assertEqual(found["wasm"], "object" if jit else "undefined")


class SandboxTest(unittest.TestCase):
    """The program as an ordinary user (`nobody` when the tests run as root), sandbox on."""

    def setUp(self):
        self.service = DemoService(NO_TIMED_ADVERTS)
        self.clients = []

    def tearDown(self):
        for client in self.clients:
            client.stop()
        self.service.stop()

    def run_program(self, engine_switches=""):
        client = Client(config=CONFIG)
        self.clients.append(client)
        env = client.env
        env.pop("QTWEBENGINE_DISABLE_SANDBOX", None)
        env.update(LUMORA_SERVICE_BASE=self.service.base, QTWEBENGINE_CHROMIUM_FLAGS=engine_switches,
                   XDG_RUNTIME_DIR=os.path.join(client.root, "runtime"))
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
        if os.geteuid() == 0:
            user = pwd.getpwnam("nobody")
            for folder, _, files in os.walk(client.root):
                for name in [folder] + [os.path.join(folder, f) for f in files]:
                    os.lchown(name, user.pw_uid, user.pw_gid)
            with open(os.path.join(client.root, "stderr.txt"), "wb"):
                pass
            original = subprocess.Popen

            def as_nobody(*args, **kwargs):
                return original(*args, user=user.pw_uid, group=user.pw_gid, extra_groups=[],
                                **kwargs)
            subprocess.Popen = as_nobody
            try:
                client.start()
            finally:
                subprocess.Popen = original
        else:
            client.start()
        client.window_of_size(984, 624)
        return client

    def page_states(self, client):
        """Seccomp mode and PID namespace depth of each sandboxed page process of the client."""
        found = []
        for pid in _descendants(client.process.pid):
            seccomp, nspid = status_field(pid, "Seccomp"), status_field(pid, "NSpid")
            if seccomp and seccomp[0] == "2":
                found.append((2, len(nspid or [])))
        return found

    def test_page_processes_run_in_the_sandbox_as_an_ordinary_user(self):
        client = self.run_program()
        states = wait_for(lambda: self.page_states(client), 60, what="a sandboxed page process")
        self.assertTrue(all(depth >= 2 for _, depth in states), states)
        time.sleep(3)  # the program's own check has run
        self.assertNotIn(SANDBOX_LINE, client.stderr())
        client.stop()

        # Where the engine cannot give pages namespaces of their own, the user hears once.
        client = self.run_program("--disable-namespace-sandbox")
        wait_for(lambda: SANDBOX_LINE in client.stderr(), 60, what="the line about the sandbox")
        time.sleep(2)
        self.assertEqual(client.stderr().count(SANDBOX_LINE), 1, client.stderr())
        self.assertIsNone(client.process.poll())


def _descendants(root):
    parents = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as f:
                    parents[int(entry)] = int(f.read().rsplit(")", 1)[1].split()[1])
            except (OSError, IndexError, ValueError):
                pass
    found, frontier = set(), {root}
    while frontier:
        frontier = {pid for pid, parent in parents.items() if parent in frontier} - found
        found |= frontier
    return found


if __name__ == "__main__":
    unittest.main(verbosity=2)
