"""Pages that abuse what a browser gives them, against the real program: one that asks for
full screen in a loop, one that starts a hundred downloads, one whose page process dies on
every load. The program keeps answering, holds its bounds and keeps every Config.ini item."""
import os
import time
import unittest

from e2e_lib import (NO_TIMED_ADVERTS, Client, DemoService, config_items, kill_pages,
                     page_processes, screenshot_when, shows_crash_page, shows_page, wait_for,
                     xdotool)

CONFIG = b"[Config]\r\nLanguage=1\r\nTray=2\r\n"
DOWNLOADS = 100

# Asks without a gesture all the time (refused), asks again at once after each exit and leaves
# at once after each grant, and after a click asks a hundred times more; grants are reported.
FULL_SCREEN_LOOP = b"""<html><body style='margin:0;background:#8ac'>
<div style='height:2000px'>full screen, again and again</div><script>
function ask() {
  document.documentElement.requestFullscreen().then(
      () => fetch('/event?name=granted').catch(() => {}), () => {});
}
setInterval(ask, 2);
document.addEventListener('fullscreenchange', () => {
  if (document.fullscreenElement) document.exitFullscreen().catch(() => {}); else ask();
});
onclick = () => { for (let i = 0; i < 100; ++i) setTimeout(ask, i * 10); };
</script></body></html>"""


def download_page(count):
    links = "".join(f"<a id=d{i} href='ads/d{i}.bin' download='d{i}.bin'>{i}</a>"
                    for i in range(count))
    return (f"<html><body>{links}<script>for (let i = 0; i < {count}; ++i)"
            " document.getElementById('d' + i).click()</script></body></html>").encode()


def file_body(i):
    return (b"%d:" % i) * 4000


class HostilePagesTest(unittest.TestCase):
    def setUp(self):
        self.client = None
        self.service = None

    def tearDown(self):
        if self.client:
            self.client.stop()
        if self.service:
            self.service.stop()

    def start(self, pages):
        self.service = DemoService({**NO_TIMED_ADVERTS, **pages})
        self.client = Client(env={"LUMORA_SERVICE_BASE": self.service.base}, config=CONFIG)
        # The download folder in a home of the test's own, whatever home runs the tests.
        self.client.env["HOME"] = self.client.root
        self.downloads = os.path.join(self.client.root, "Downloads")
        self.client.start()
        xdotool("mousemove", "--sync", "0", "0")
        window = self.client.window_of_size(984, 624)
        wait_for(lambda: self.service.requested("/ads/ytkg.html"), 90, what="the end of start-up")
        return window

    def config_items(self):
        return config_items(self.client)

    def assert_keeps_config(self, before):
        after = self.config_items()
        self.assertEqual(before - after, set(), f"Config.ini lost items; now {sorted(after)}")

    def assert_answers(self, window):
        """The program still takes the user's clicks: its option menu opens and goes."""
        self.assertIsNone(self.client.process.poll(), self.client.stderr())
        menu = self.client.open_option_menu(window)
        xdotool("key", "Escape")
        wait_for(lambda: menu not in self.client.windows(), 30, what="the option menu gone")

    def count(self, target):
        return self.service.requests().count(target)

    def test_a_page_asking_for_full_screen_in_a_loop_gives_the_window_back(self):
        window = self.start({"index.html": FULL_SCREEN_LOOP})
        time.sleep(1)  # refused requests only, for a while
        self.assertEqual(self.count("/event?name=granted"), 0)
        before, items = self.client.geometry(window), self.config_items()
        # Each click lets the page take full screen once more, and it leaves it at once.
        self.client.click(window, 400, 300)
        xdotool("click", "--repeat", "4", "--delay", "300", "1")
        wait_for(lambda: self.count("/event?name=granted") >= 3, 30, what="full screen granted")
        # The engine's leave to act on a click runs out; the page's last exit then stands.
        time.sleep(5)
        wait_for(lambda: self.client.geometry(window) == before, 30,
                 what=lambda: f"the window back at {before}, not {self.client.geometry(window)}")
        screenshot_when("hostile-full-screen-after", window, lambda p: shows_page(p, 2), 30,
                        "the page in the window")
        self.assert_answers(window)
        self.assertEqual(self.client.geometry(window), before)
        self.assert_keeps_config(items)

    def test_a_page_starting_a_hundred_downloads_gets_whole_files_and_no_more(self):
        files = {f"ads/d{i}.bin": file_body(i) for i in range(DOWNLOADS)}
        window = self.start({"index.html": download_page(DOWNLOADS), **files})
        items = self.config_items()

        def settled():
            names = os.listdir(self.downloads) if os.path.isdir(self.downloads) else []
            return names if names and not [n for n in names if n.startswith(".")] else None

        wait_for(settled, 60, what="downloads that finished")
        time.sleep(3)
        names = wait_for(settled, 30, what="downloads that finished")
        self.assertLessEqual(len(names), DOWNLOADS)
        for name in names:
            self.assertRegex(name, r"^d\d+\.bin$")
            with open(os.path.join(self.downloads, name), "rb") as f:
                self.assertEqual(f.read(), file_body(int(name[1:-4])), name)
        requested = [r for r in self.service.requests() if r.startswith("/ads/d")]
        self.assertLessEqual(len(requested), DOWNLOADS)
        listing = xdotool("search", "--onlyvisible", "--name", "^下载$").split()
        self.assertTrue(listing, "the download window")
        g = self.client.geometry(listing[0])
        root = dict(zip(("WIDTH", "HEIGHT"), map(int, xdotool("getdisplaygeometry").split())))
        self.assertLessEqual(g["HEIGHT"], root["HEIGHT"], "the download window fits the screen")
        self.assert_answers(window)
        self.assert_keeps_config(items)

    def test_a_page_whose_process_dies_on_every_load_settles_on_the_local_page(self):
        window = self.start({})
        screenshot_when("hostile-crash-home", window, lambda p: shows_page(p, 10000), 90,
                        "the home page")
        items = self.config_items()

        def die_on_next_load(loads):
            wait_for(lambda: self.count("/") > loads, 60, what="the home page loaded again")
            wait_for(lambda: page_processes(self.client.process.pid), 30, what="page processes")
            time.sleep(0.5)  # the new page's process has taken it
            kill_pages(self.client)
            return self.count("/")

        loads = self.count("/")
        kill_pages(self.client)
        for cycle in range(3):
            # Back once by itself, dead again: the local page, and no load of its own.
            loads = die_on_next_load(loads)
            screenshot_when(f"hostile-crash-local-{cycle}", window, shows_crash_page, 60,
                            "the local page")
            time.sleep(2)
            self.assertEqual(self.count("/"), loads, "a load after the local page showed")
            self.assertIn(window, self.client.windows())
            self.assert_answers(window)
            if cycle < 2:
                # Its button brings the page back, which dies at once.
                self.client.click(window, 40, 60)
                xdotool("key", "Tab", "Return")
                loads = die_on_next_load(loads)
        self.assert_keeps_config(items)


if __name__ == "__main__":
    unittest.main(verbosity=2)
