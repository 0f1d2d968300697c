"""The updater end to end: the real client and Update from a copy of the app folder, a real
release made by lumora-release, and a loopback service that can serve it badly. Whatever
happens, the app folder ends up exactly the old build or exactly the new one, and the
user's Config.ini stays byte for byte as it was."""
import hashlib
import io
import json
import os
import shutil
import signal
import stat
import subprocess
import tarfile
import tempfile
import threading
import time
import unittest
import urllib.request
import http.server

from e2e_lib import (APP_DIR, ON, OFF, Client, kill_all, processes_of, wait_for, window_named,
                     xdotool)

RELEASE_TOOL = os.environ.get("LUMORA_RELEASE_TOOL", "")
DEMO_SERVICE = os.environ.get("LUMORA_DEMO_SERVICE", "")
DEMO_RELEASE = os.environ.get("LUMORA_DEMO_RELEASE", "")
SECRET_KEY = os.environ.get("LUMORA_UPDATE_SECRET_KEY", "")
THIS_VERSION = os.environ.get("LUMORA_VERSION", "")
NEW_VERSION = "9.0.0.1"
MARKER = "release-marker.txt"
HOME = "<html><body style='background:#20242c;color:#ddd'><h1>Home</h1></body></html>"
USER_CONFIG = b"[Config]\r\nLanguage=3\r\nTray=2\r\n; the user's own line\r\n"
# Short bounds, so a failing case takes seconds: a success stays on screen 0.2 s, a new build
# counts as started after 3 s, a stalled download is abandoned after 1 s.
UPDATE_ENV = {"LUMORA_UPDATE_CLOSE_MS": "200", "LUMORA_UPDATE_CONFIRM_SECONDS": "3",
              "LUMORA_UPDATE_STALL_MS": "1000"}


def tree_state(root):
    """Every entry below root except Config.ini: its kind, its execute bits and its content
    (a symbolic link's target), keyed by its path."""
    state = {}
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, root)
            if rel == "Config.ini":
                continue
            info = os.lstat(path)
            if stat.S_ISLNK(info.st_mode):
                state[rel] = ("link", os.readlink(path))
            elif stat.S_ISDIR(info.st_mode):
                state[rel] = ("dir",)
            else:
                with open(path, "rb") as f:
                    digest = hashlib.sha256(f.read()).hexdigest()
                state[rel] = ("file", info.st_mode & 0o111, digest)
    return state


def sign(work, manifest):
    """The minisign signature of a manifest's bytes, made with the minisign tool itself."""
    path = os.path.join(work, "manifest-%d.json" % time.monotonic_ns())
    with open(path, "wb") as f:
        f.write(manifest)
    subprocess.run(["minisign", "-S", "-s", SECRET_KEY, "-m", path, "-x", path + ".minisig",
                    "-t", "test release"], check=True, capture_output=True, stdin=subprocess.DEVNULL)
    with open(path + ".minisig", "rb") as f:
        return f.read()


def manifest_for(version, package, data):
    return json.dumps({"version": version, "package": package, "size": len(data),
                       "sha256": hashlib.sha256(data).hexdigest()}).encode() + b"\n"


class UpdateService:
    """Pages as the client reads them, and update/ files with ranges. A fault changes how
    the package goes out: "corrupt" (one byte flipped), "truncate" (a shorter file), "stall"
    (half the file, then silence). `offer` turns the forced upgrade on until the package
    has gone out whole once."""

    def __init__(self):
        self.pages = {"/": HOME, "/ads/ksqd.html": ON}
        self.files = {}
        self.package = None
        self.fault = None
        self.requests = []
        self.stopping = threading.Event()
        service = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                path = self.path.split("?", 1)[0]
                service.requests.append(path)
                if path in service.files:
                    service.send_file(self, path)
                    return
                body = service.pages.get(path)
                self.send_response(404 if body is None else 200)
                body = b"not found" if body is None else body
                body = body.encode("utf-8") if isinstance(body, str) else body
                self.send_header("Content-Length", str(len(body)))
                self.send_header("Content-Type", "text/html")
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.server.daemon_threads = True
        self.base = f"http://127.0.0.1:{self.server.server_address[1]}/"
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def offer(self, version):
        self.pages["/ads/qzsj.html"] = ON
        self.pages[f"/ads/{version}.html"] = ON
        self.offered = f"/ads/{version}.html"

    def publish(self, manifest, signature, package_path=None, package=None):
        self.files["/update/latest.json"] = manifest
        self.files["/update/latest.json.minisig"] = signature
        if package_path:
            self.package = "/" + package_path
            self.files[self.package] = package

    def send_file(self, handler, path):
        data = self.files[path]
        is_package = path == self.package
        if is_package and self.fault == "corrupt":
            middle = len(data) // 2
            data = data[:middle] + bytes([data[middle] ^ 0xFF]) + data[middle + 1:]
        if is_package and self.fault == "truncate":
            data = data[: len(data) - 1000]
        start = 0
        header = handler.headers.get("Range", "")
        if header.startswith("bytes=") and header.endswith("-"):
            start = min(int(header[6:-1]), len(data))
            handler.send_response(206)
            handler.send_header("Content-Range", f"bytes {start}-{len(data) - 1}/{len(data)}")
        else:
            handler.send_response(200)
        handler.send_header("Content-Length", str(len(data) - start))
        handler.send_header("Content-Type", "application/octet-stream")
        handler.end_headers()
        end = len(data)
        if is_package and self.fault == "stall":
            end = max(start, len(data) // 2)
        try:
            handler.wfile.write(data[start:end])
            handler.wfile.flush()
            if end < len(data):
                self.stopping.wait(30)  # silent, connection open, until the client gives up
                return
        except OSError:
            return
        if is_package and start + (end - start) == len(data) and getattr(self, "offered", None):
            self.pages[self.offered] = OFF  # the new build must not be sent to update again

    def stop(self):
        self.stopping.set()
        self.server.shutdown()
        self.server.server_close()


class UpdateTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        for name, value in (("LUMORA_RELEASE_TOOL", RELEASE_TOOL), ("LUMORA_VERSION", THIS_VERSION),
                            ("LUMORA_UPDATE_SECRET_KEY", SECRET_KEY)):
            if not value:
                raise AssertionError(f"{name} must be set")
        cls.work = tempfile.mkdtemp(prefix="lumora-e2e-update-")
        # The new build: this build's files and a marker only the release has.
        new_build = os.path.join(cls.work, "new-build")
        shutil.copytree(APP_DIR, new_build, symlinks=True)
        with open(os.path.join(new_build, MARKER), "w") as f:
            f.write("from the release\n")
        out = os.path.join(cls.work, "update")
        subprocess.run([RELEASE_TOOL, "--app", new_build, "--version", NEW_VERSION,
                        "--key", SECRET_KEY, "--out", out], check=True, capture_output=True)
        with open(os.path.join(out, "latest.json"), "rb") as f:
            cls.manifest = f.read()
        with open(os.path.join(out, "latest.json.minisig"), "rb") as f:
            cls.signature = f.read()
        cls.package_path = json.loads(cls.manifest)["package"]
        with open(os.path.join(cls.work, cls.package_path), "rb") as f:
            cls.package = f.read()
        cls.old_state = tree_state(APP_DIR)
        cls.new_state = tree_state(new_build)
        assert cls.old_state != cls.new_state

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def setUp(self):
        self.service = UpdateService()
        self.client = Client(config=USER_CONFIG, env={"LUMORA_SERVICE_BASE": self.service.base,
                                                       **UPDATE_ENV})
        os.chmod(self.client.root, 0o755)
        self.updates = []

    def tearDown(self):
        for process in self.updates:
            if process.poll() is None:
                process.kill()
                process.wait()
        kill_all(os.path.join(self.client.app, "Update"))
        self.client.stop()
        self.service.stop()

    def config_and_result_after_exit(self):
        """Config.ini as the client left it on its own clean exit, and Update's result line."""
        self.assertEqual(self.client.wait_exit(timeout=30), 0)
        with open(os.path.join(self.client.app, "Config.ini"), "rb") as f:
            config = f.read()
        return config, wait_for(lambda: self.result_line(self.client.stdout_path), 90,
                                what="Update's result")

    def publish_good_release(self):
        self.service.publish(self.manifest, self.signature, self.package_path, self.package)

    def run_update(self, user=None, timeout=60, env_extra=None):
        """Runs the copy's Update as the menu path does (client closed) and returns the word
        of its one-line result; a window left open after a failure is closed."""
        out_path = os.path.join(self.client.root, f"update-{len(self.updates)}.txt")
        env = dict(self.client.env)
        env.update(env_extra or {})
        kwargs = {}
        if user is not None:
            import pwd
            entry = pwd.getpwnam(user)
            env["HOME"] = tempfile.mkdtemp(prefix="lumora-e2e-home-")
            self.addCleanup(shutil.rmtree, env["HOME"], ignore_errors=True)
            os.chown(env["HOME"], entry.pw_uid, entry.pw_gid)
            env.pop("XDG_CONFIG_HOME", None)
            env.pop("XDG_DATA_HOME", None)
            kwargs = {"user": entry.pw_uid, "group": entry.pw_gid, "extra_groups": []}
        with open(out_path, "wb") as out:
            process = subprocess.Popen([os.path.join(self.client.app, "Update")], env=env,
                                       cwd=self.client.root, stdout=out,
                                       stderr=subprocess.STDOUT, **kwargs)
        self.updates.append(process)
        line = wait_for(lambda: self.result_line(out_path), timeout, what="Update's result")
        if process.poll() is None and not line.startswith(("installed", "latest")):
            process.send_signal(signal.SIGTERM)
        process.wait(timeout=30)
        return line.split(":", 1)[0]

    @staticmethod
    def result_line(path):
        with open(path, encoding="utf-8", errors="replace") as f:
            for line in f:
                if line.startswith("update-result "):
                    return line[len("update-result "):].strip()
        return None

    def assert_whole(self, expected_state, config=USER_CONFIG):
        self.assertEqual(tree_state(self.client.app), expected_state)
        with open(os.path.join(self.client.app, "Config.ini"), "rb") as f:
            self.assertEqual(f.read(), config)

    def staged_package(self):
        staging = os.path.join(self.client.root, ".app.update")
        return [n for n in os.listdir(staging) if n == "package"] if os.path.isdir(staging) else []

    def clients_running(self):
        return processes_of(os.path.join(self.client.app, "lumora"))

    def test_forced_upgrade_installs_the_release_and_starts_it(self):
        self.publish_good_release()
        self.service.offer(THIS_VERSION)
        self.client.start()
        box = window_named("警告")
        xdotool("windowactivate", "--sync", box)
        xdotool("key", "Return")
        # What the client wrote as it ended is the user's too.
        config, line = self.config_and_result_after_exit()
        self.assertTrue(line.startswith("installed: Updated to version " + NEW_VERSION), line)
        self.assert_whole(self.new_state, config)
        self.assertTrue(os.path.exists(os.path.join(self.client.app, MARKER)))
        # The new build runs, and the service was asked for the release once, whole.
        running = wait_for(self.clients_running, 30, what="the new build running")
        self.assertTrue(running)
        self.assertEqual(self.service.requests.count("/" + self.package_path), 1)
        self.assertFalse(os.path.exists(os.path.join(self.client.root, ".app.update", "old")))

    def test_the_demo_service_offers_the_builds_release_once(self):
        if not (DEMO_SERVICE and os.path.exists(os.path.join(DEMO_RELEASE, "latest.json"))):
            self.skipTest("no demo service or no demo release built")
        demo = subprocess.Popen([DEMO_SERVICE, "--port", "0", "--offer-upgrade",
                                 "--update", DEMO_RELEASE],
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.addCleanup(demo.stdout.close)
        self.addCleanup(demo.wait)
        self.addCleanup(demo.terminate)
        base = demo.stdout.readline().split()[-1]
        self.client.env["LUMORA_SERVICE_BASE"] = base
        self.client.start()
        window_named("警告")
        xdotool("key", "Return")
        config, line = self.config_and_result_after_exit()
        with open(os.path.join(DEMO_RELEASE, "latest.json")) as f:
            version = json.load(f)["version"]
        self.assertTrue(line.startswith(f"installed: Updated to version {version}."), line)
        wait_for(self.clients_running, 30, what="the new build running")
        with open(os.path.join(self.client.app, "Config.ini"), "rb") as f:
            self.assertEqual(f.read(), config)
        # The offer ended with the download: the new build is not told to upgrade again.
        with urllib.request.urlopen(base + "ads/qzsj.html") as answer:
            self.assertEqual(answer.read(), OFF)

    def test_no_newer_release_starts_the_client_again(self):
        manifest = manifest_for(THIS_VERSION, self.package_path, self.package)
        self.service.publish(manifest, sign(self.work, manifest), self.package_path, self.package)
        self.assertEqual(self.run_update(), "latest")
        wait_for(self.clients_running, 30, what="the client started again")
        self.assertNotIn("/" + self.package_path, self.service.requests)
        # The client that came back adds its own items as it runs; the user's stay.
        self.assertEqual(tree_state(self.client.app), self.old_state)
        with open(os.path.join(self.client.app, "Config.ini"), "rb") as f:
            self.assertTrue(f.read().startswith(USER_CONFIG))

    def test_the_upgrade_menu_item_with_no_newer_release_comes_back_to_the_client(self):
        manifest = manifest_for(THIS_VERSION, self.package_path, self.package)
        self.service.publish(manifest, sign(self.work, manifest), self.package_path, self.package)
        self.client.start()
        xdotool("mousemove", "--sync", "0", "0")
        window = self.client.window_of_size(984, 624)
        menu = self.client.open_option_menu(window)
        # English menu: Settings, Contact us, Upgrade program (Down skips the separators).
        g = self.client.geometry(menu)
        self.client.hover(menu, g["WIDTH"] // 2, 14, (4, 9, g["WIDTH"] - 8, 10))
        xdotool("key", "Down", "Down", "Return")
        self.assertEqual(self.client.wait_exit(timeout=30), 0)
        line = wait_for(lambda: self.result_line(self.client.stdout_path), 60,
                        what="Update's result")
        self.assertTrue(line.startswith("latest"), line)
        wait_for(self.clients_running, 30, what="the client started again")
        self.assertNotIn("/" + self.package_path, self.service.requests)
        self.assertEqual(tree_state(self.client.app), self.old_state)

    def test_untrusted_releases_are_not_even_downloaded(self):
        forged = self.manifest.replace(NEW_VERSION.encode(), b"9.0.0.2")
        other_key = os.path.join(self.work, "other.key")
        if not os.path.exists(other_key):
            subprocess.run(["minisign", "-G", "-W", "-f", "-p", other_key + ".pub", "-s", other_key],
                           check=True, capture_output=True, stdin=subprocess.DEVNULL)
        subprocess.run(["minisign", "-S", "-s", other_key, "-m",
                        os.path.join(self.work, "update", "latest.json"),
                        "-x", os.path.join(self.work, "other.minisig")],
                       check=True, capture_output=True, stdin=subprocess.DEVNULL)
        with open(os.path.join(self.work, "other.minisig"), "rb") as f:
            other_signature = f.read()
        for name, manifest, signature in (
                ("altered description", forged, self.signature),
                ("another key", self.manifest, other_signature),
                ("garbled signature", self.manifest, self.signature[:-20] + b"A" * 19 + b"\n"),
                ("no signature", self.manifest, None)):
            with self.subTest(name):
                self.service.publish(manifest, signature, self.package_path, self.package)
                if signature is None:
                    del self.service.files["/update/latest.json.minisig"]
                self.assertEqual(self.run_update(), "bad-signature")
                self.assertNotIn("/" + self.package_path, self.service.requests)
                self.assert_whole(self.old_state)
                self.assertEqual(self.clients_running(), [])

    def test_bad_downloads_leave_the_old_build_and_no_staged_file(self):
        self.publish_good_release()
        for fault, word in (("corrupt", "hash-mismatch"), ("truncate", "size-mismatch"),
                            ("stall", "connection-lost")):
            with self.subTest(fault):
                self.service.fault = fault
                self.service.requests.clear()
                started = time.monotonic()
                self.assertEqual(self.run_update(), word)
                self.assert_whole(self.old_state)
                self.assertEqual(self.staged_package(), [])
                if fault == "stall":
                    # One request and three retries, each abandoned after the stall bound.
                    self.assertEqual(self.service.requests.count("/" + self.package_path), 4)
                    self.assertLess(time.monotonic() - started, 40)

    def test_a_full_disk_is_told_and_leaves_the_old_build(self):
        if os.geteuid() != 0:
            self.skipTest("mounting a small file system needs root")
        size = sum(os.lstat(os.path.join(d, f)).st_size
                   for d, _, files in os.walk(APP_DIR) for f in files)
        mount_point = tempfile.mkdtemp(prefix="lumora-e2e-full-")
        # Room for the app folder and a little more, not for the release package.
        if subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size + (1 << 20)},mode=755",
                           "tmpfs", mount_point], capture_output=True).returncode != 0:
            os.rmdir(mount_point)
            self.skipTest("cannot mount a small file system here")
        self.addCleanup(lambda: (subprocess.run(["umount", "-l", mount_point]),
                                 os.rmdir(mount_point)))
        self.client.stop()
        saved, tempfile.tempdir = tempfile.tempdir, mount_point
        try:
            self.client = Client(config=USER_CONFIG, env=self.client.env)
        finally:
            tempfile.tempdir = saved
        self.publish_good_release()
        self.assertEqual(self.run_update(), "disk-full")
        self.assert_whole(self.old_state)
        self.assertEqual(self.staged_package(), [])

    def test_release_that_ends_at_once_is_rolled_back(self):
        data = io.BytesIO()
        with tarfile.open(fileobj=data, mode="w:xz") as archive:
            script = b"#!/bin/sh\nexit 1\n"
            entry = tarfile.TarInfo("lumora")
            entry.size = len(script)
            entry.mode = 0o755
            archive.addfile(entry, io.BytesIO(script))
        package = data.getvalue()
        path = "update/lumora-9.0.0.3.tar.xz"
        manifest = manifest_for("9.0.0.3", path, package)
        self.service.publish(manifest, sign(self.work, manifest), path, package)
        self.assertEqual(self.run_update(), "rolled-back")
        self.assert_whole(self.old_state)
        wait_for(self.clients_running, 30, what="the old build started again")

    def test_the_client_undoes_a_swap_that_was_never_confirmed(self):
        # Update died while the new build was on trial: the new build in the app folder, the
        # old one staged beside it, the record of the unconfirmed swap.
        staging = os.path.join(self.client.root, ".app.update")
        os.makedirs(staging)
        os.rename(self.client.app, os.path.join(staging, "old"))
        shutil.copytree(os.path.join(self.work, "new-build"), self.client.app, symlinks=True)
        with open(os.path.join(self.client.app, "Config.ini"), "wb") as f:
            f.write(USER_CONFIG)
        with open(os.path.join(staging, "pending"), "w") as f:
            f.write(f"{os.stat(self.client.app).st_ino}\n")

        self.client.start()
        self.client.window_of_size(984, 624)
        self.assertEqual(tree_state(self.client.app), self.old_state)
        self.assertEqual(set(os.listdir(staging)) - {"lock"}, set())
        with open(os.path.join(self.client.app, "Config.ini"), "rb") as f:
            self.assertTrue(f.read().startswith(USER_CONFIG))  # and the flags the client wrote
        self.assertEqual(len(self.clients_running()), 1)

    def test_packaged_or_read_only_folders_are_left_to_the_package_manager(self):
        self.publish_good_release()
        marker = os.path.join(self.client.app, "package-installed")
        with open(marker, "w"):
            pass
        marked_state = tree_state(self.client.app)
        self.assertEqual(self.run_update(), "package-manager")
        self.assert_whole(marked_state)
        os.remove(marker)
        self.assertEqual(self.service.requests, [])
        self.assertFalse(os.path.exists(os.path.join(self.client.root, ".app.update")))

        # A folder this user cannot change: root may write anywhere, so run as nobody.
        if os.geteuid() == 0:
            word = self.run_update(user="nobody")
        else:
            os.chmod(self.client.root, 0o555)
            try:
                word = self.run_update()
            finally:
                os.chmod(self.client.root, 0o755)
        self.assertEqual(word, "package-manager")
        self.assert_whole(self.old_state)
        self.assertEqual(self.service.requests, [])

    def test_without_a_display_it_runs_in_the_terminal_and_says_its_version(self):
        self.publish_good_release()
        with open(os.path.join(self.client.app, "package-installed"), "w"):
            pass
        no_display = {"DISPLAY": "", "WAYLAND_DISPLAY": "", "QT_QPA_PLATFORM": ""}
        self.assertEqual(self.run_update(env_extra=no_display), "package-manager")
        self.assertEqual(self.updates[-1].returncode, 1)
        version = subprocess.run([os.path.join(self.client.app, "Update"), "--version"],
                                 capture_output=True, text=True, env=self.client.env)
        self.assertEqual((version.returncode, version.stdout), (0, f"Update {THIS_VERSION}\n"))
        self.assertEqual(self.service.requests, [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
