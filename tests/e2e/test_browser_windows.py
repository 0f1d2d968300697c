"""What pages ask for beyond their own window, against the real program: an advert's link
goes to the desktop's browser (the real xdg-open, a recording handler of the test's own as
its default), a javascript: or file: link goes nowhere, a page opening a thousand windows
gets one, a 20 MiB download lands whole beside a file of the same name, and a download cut
short leaves no file behind."""
import hashlib
import http.server
import os
import time
import unittest

from e2e_lib import (NO_POP_UNDER, ON, LoopbackServer, ProgramTest, config_items,
                     desktop_opens, record_desktop_opens, wait_for, xdotool)

ADVERT = "ads/youtan.html"
BIG = 20 << 20


def advert_page(body):
    return ("<html><head><title>advert</title></head>"
            f"<body style='margin:0'>{body}</body></html>").encode("utf-8")


def link(href, top):
    return (f"<a target='_blank' href='{href}' style='position:absolute;left:0;top:{top}px;"
            "display:block;width:296px;height:60px;background:#48c'>link</a>")


class SlowFile(LoopbackServer):
    """A loopback server that sends a large attachment slowly, or drops it half-way."""

    def __init__(self):
        served = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                if self.path == "/step":
                    # Which download the page may start now: the test moves it on.
                    body = str(served.step).encode()
                    self.send_response(200)
                    self.send_header("Access-Control-Allow-Origin", "*")
                    self.send_header("Content-Length", str(len(body)))
                    self.end_headers()
                    self.wfile.write(body)
                    return
                served.requests.append(self.path)
                self.send_response(200)
                self.send_header("Content-Type", "application/octet-stream")
                self.send_header("Content-Disposition", 'attachment; filename="slow.bin"')
                self.send_header("Content-Length", str(BIG))
                self.end_headers()
                chunk = b"s" * (64 << 10)
                try:
                    for i in range(BIG // len(chunk)):
                        if served.drop and i == 20:
                            return  # the connection ends short of the length it promised
                        self.wfile.write(chunk)
                        time.sleep(0.1)
                except (BrokenPipeError, ConnectionResetError):
                    pass

            def log_message(self, *args):
                pass

        self.drop = False
        self.step = 1
        self.requests = []
        super().__init__(Handler)


class BrowserWindowsTest(ProgramTest):
    def start(self, pages, before_start=None):
        def set_up(client):
            # The download folder in a home of the test's own, whatever home runs the tests.
            client.env["HOME"] = client.root
            self.downloads = os.path.join(client.root, "Downloads")
            if before_start:
                before_start(client)
        return super().start({**NO_POP_UNDER, "ads/ytkg.html": ON, **pages}, set_up)

    def record_url_handler(self, client):
        self.opened = record_desktop_opens(client)

    def recorded(self):
        return desktop_opens(self.opened)

    def test_an_advert_link_opens_the_desktop_browser_and_other_schemes_open_nothing(self):
        page = advert_page(link("landing.html", 0) + link("javascript:alert(1)", 80) +
                           link("file:///etc/passwd", 160))
        self.start({ADVERT: page}, self.record_url_handler)
        advert = self.client.window_of_size(296, 246, timeout=120)
        time.sleep(2)  # the page drawn
        self.client.click(advert, 100, 30)
        wait_for(lambda: self.recorded(), 30, what="the handler's record")
        self.assertEqual(self.recorded(), [f"{self.service.base}ads/landing.html"])
        for y in (110, 190):
            time.sleep(1.5)  # past the once-a-second bound: only the allow-list stops these
            self.client.click(advert, 100, y)
        time.sleep(3)
        self.assertEqual(self.recorded(), [f"{self.service.base}ads/landing.html"])
        self.assertIsNone(self.client.process.poll())

    def test_a_page_opening_a_thousand_windows_gets_one(self):
        child = "<html><head><title>lumora-e2e-child</title></head><body>child</body></html>"
        flood = advert_page("<script>for (let i = 0; i < 1000; ++i)"
                            " window.open('child.html?' + i)</script>")
        window = self.start({ADVERT: flood, "ads/child.html": child.encode()})

        # Its caption is the page's title, or its address while it has none.
        def children():
            return xdotool("search", "--onlyvisible", "--name", "lumora-e2e-child|child\\.html").split()

        wait_for(children, 120, what="the page's own window")
        items = config_items(self.client)
        for _ in range(20):
            self.assertLessEqual(len(children()), 1)
            time.sleep(1)
        # Still answering: the main window moves when asked to.
        xdotool("windowmove", "--sync", window, "10", "10")
        self.assertIsNone(self.client.process.poll())
        self.assertLessEqual(len(children()), 1)
        self.assertEqual(items - config_items(self.client), set(), "Config.ini lost items")

    def test_a_download_lands_whole_under_a_name_that_replaces_nothing(self):
        data = os.urandom(BIG)
        home = ("<html><body><a id=a href='ads/big.bin' download='big.bin'>big</a>"
                "<script>document.getElementById('a').click()</script></body></html>")

        def own_file(client):
            os.makedirs(os.path.join(client.root, "Downloads"))
            with open(os.path.join(client.root, "Downloads", "big.bin"), "wb") as f:
                f.write(b"the user's own")

        self.start({"index.html": home.encode(), "ads/big.bin": data}, own_file)
        saved = os.path.join(self.downloads, "big (1).bin")
        wait_for(lambda: os.path.exists(saved), 180, what="the finished download")
        with open(saved, "rb") as f:
            self.assertEqual(hashlib.sha256(f.read()).digest(), hashlib.sha256(data).digest())
        with open(os.path.join(self.downloads, "big.bin"), "rb") as f:
            self.assertEqual(f.read(), b"the user's own")
        self.assertEqual(sorted(os.listdir(self.downloads)), ["big (1).bin", "big.bin"])

    def test_downloads_cut_short_leave_no_file(self):
        self.slow = SlowFile()
        self.addCleanup(self.slow.stop)
        # One download at a time: the page starts the next when the test moves the step on.
        # From another site, so through a frame: the page itself never leaves the service.
        home = (f"<html><body><iframe name=dl hidden></iframe>"
                f"<a id=a1 target=dl href='{self.slow.base}slow.bin?1'>1</a>"
                f"<a id=a2 target=dl href='{self.slow.base}slow.bin?2'>2</a>"
                f"<a id=a3 target=dl href='{self.slow.base}slow.bin?3'>3</a><script>"
                "let started = 0;"
                f"setInterval(() => fetch('{self.slow.base}step').then(r => r.text()).then(t => {{"
                "  const step = Number(t);"
                "  if (step > started && step <= 3) {"
                "    started = step; document.getElementById('a' + step).click(); }"
                "}).catch(() => {}), 300)"
                "</script></body></html>")
        self.start({"index.html": home.encode()})

        def partial():
            try:
                return [n for n in os.listdir(self.downloads) if n.startswith(".")]
            except FileNotFoundError:
                return []

        # Cancelled from the download window: Cancel has the keyboard focus there.
        wait_for(partial, 120, what="a download under way")
        self.assertFalse(os.path.exists(os.path.join(self.downloads, "slow.bin")))
        listing = xdotool("search", "--onlyvisible", "--name", "^下载$").split()[0]
        xdotool("windowfocus", "--sync", listing)
        xdotool("key", "space")
        wait_for(lambda: not partial(), 30, what="the cancelled download's file gone")
        time.sleep(1)
        self.assertEqual(os.listdir(self.downloads), [])

        # The server dropping the connection half-way: a failed download, nothing kept.
        self.slow.drop = True
        self.slow.step = 2
        wait_for(partial, 60, what="the second download under way")
        wait_for(lambda: not partial(), 60, what="the failed download's file gone")
        self.assertEqual(os.listdir(self.downloads), [])
        self.assertEqual(self.slow.requests[-1], "/slow.bin?2")

        # The program ending mid-download leaves nothing either.
        self.slow.drop = False
        self.slow.step = 3
        wait_for(partial, 60, what="the third download under way")
        self.client.process.terminate()
        self.client.process.wait(timeout=60)
        self.assertEqual(os.listdir(self.downloads), [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
