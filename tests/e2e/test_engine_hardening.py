"""The engine's hardening in the real program: a cross-site frame runs in a page process of
its own, pages get no WebGL (nor, without the JIT, WebAssembly), and as an ordinary user page
processes run sandboxed; without the sandbox's namespaces one stderr line says why."""
import os
import pwd
import subprocess
import time
import unittest

from e2e_lib import (CONFIG, NO_TIMED_ADVERTS, Client, DemoService, ProgramTest, page_processes,
                     wait_for)

# The frame (another site: localhost, not 127.0.0.1) holds its process's thread for 6 s; the
# page keeps ticking unless it shares that process. Times are the pages' own clocks.
FRAMED_HOME = b"""<html><body>home<script>
setInterval(() => fetch('/event?name=tick&t=' + Date.now()), 100);
const frame = document.createElement('iframe');
frame.src = location.href.replace('127.0.0.1', 'localhost').replace(/[^/]*$/, 'busy.html');
document.body.appendChild(frame);
</script></body></html>"""
BUSY_FRAME = b"""<script>setTimeout(() => {
  const from = Date.now();
  while (Date.now() - from < 6000) {}
  fetch('/event?name=busy&from=' + from + '&to=' + Date.now());
}, 1000);</script>"""
GL_PROBE = b"""<script>
const found = ['webgl', 'webgl2', 'experimental-webgl'].map(
    kind => kind + '=' + (document.createElement('canvas').getContext(kind) ? 1 : 0));
fetch('/event?name=gl&' + found.join('&') + '&wasm=' + typeof WebAssembly);
</script>"""
SANDBOX_LINE = "run without the browser engine's full sandbox"


class EngineHardeningTest(ProgramTest):
    def events(self, name):
        prefix = f"/event?name={name}&"
        return [dict(p.split("=", 1) for p in r[len(prefix):].split("&"))
                for r in self.service.requests() if r.startswith(prefix)]

    def test_a_cross_site_frame_runs_in_a_page_process_of_its_own(self):
        self.start({**NO_TIMED_ADVERTS, "index.html": FRAMED_HOME, "busy.html": BUSY_FRAME})
        busy = wait_for(lambda: self.events("busy"), 60, what="the frame's busy spell")[0]
        ticks = [int(e["t"]) for e in self.events("tick")]
        during = [t for t in ticks if int(busy["from"]) + 500 <= t <= int(busy["to"]) - 500]
        self.assertGreater(len(during), 10, f"the page stood still ({len(ticks)} ticks)")

    def test_pages_get_no_webgl(self):
        # OpenGL composition and the GPU blocklist ignored: else Xvfb would offer no WebGL.
        def with_opengl(client):
            client.env.update(QSG_RHI_BACKEND="opengl", QTWEBENGINE_CHROMIUM_FLAGS=(
                "--ignore-gpu-blocklist --enable-webgl-software-rendering"))
        self.start({**NO_TIMED_ADVERTS, "index.html": GL_PROBE}, before_start=with_opengl)
        found = wait_for(lambda: self.events("gl"), 60, what="the page's probe")[0]
        jit = os.environ.get("LUMORA_JS_JIT") == "1"
        self.assertEqual(found, {"webgl": "0", "webgl2": "0", "experimental-webgl": "0",
                                 "wasm": "object" if jit else "undefined"})

    def run_sandboxed(self, engine_switches):
        """The program as an ordinary user (nobody, when the tests run as root)."""
        if self.client:
            self.client.stop()
        self.client = Client(env={"LUMORA_SERVICE_BASE": self.service.base}, config=CONFIG)
        self.client.env.pop("QTWEBENGINE_DISABLE_SANDBOX", None)
        self.client.env.update(QTWEBENGINE_CHROMIUM_FLAGS=engine_switches,
                               XDG_RUNTIME_DIR=os.path.join(self.client.root, "run"))
        os.mkdir(self.client.env["XDG_RUNTIME_DIR"], 0o700)
        self.client.start(user=pwd.getpwnam("nobody") if os.geteuid() == 0 else None)
        self.client.window_of_size(984, 624)

    def sandboxed_pages(self):
        """The PID namespace depth of each page process running the engine's seccomp filter."""
        found = []
        for pid in page_processes(self.client.process.pid):
            with open(f"/proc/{pid}/status") as f:
                fields = dict(line.split(":", 1) for line in f)
            if fields["Seccomp"].strip() == "2":
                found.append(len(fields["NSpid"].split()))
        return found

    def test_page_processes_run_sandboxed_as_an_ordinary_user(self):
        self.service = DemoService(NO_TIMED_ADVERTS)
        self.run_sandboxed("")
        pages = wait_for(self.sandboxed_pages, 60, what="sandboxed pages")
        time.sleep(3)  # the program's own check has run
        # The kernel gives no user namespace inside a chroot (the Debian 13 run): there the
        # program must say so, as on a machine whose policy forbids them.
        if subprocess.run(["unshare", "--user", "true"], capture_output=True).returncode == 0:
            self.assertGreaterEqual(min(pages), 2)
            self.assertNotIn(SANDBOX_LINE, self.client.stderr())
        else:
            self.assertEqual(self.client.stderr().count(SANDBOX_LINE), 1)

        # Where the engine cannot give pages namespaces of their own, the user hears once.
        self.run_sandboxed("--disable-namespace-sandbox")
        wait_for(lambda: SANDBOX_LINE in self.client.stderr(), 60, what="the sandbox line")
        time.sleep(2)
        self.assertEqual(self.client.stderr().count(SANDBOX_LINE), 1)
        self.assertIsNone(self.client.process.poll())


if __name__ == "__main__":
    unittest.main(verbosity=2)
