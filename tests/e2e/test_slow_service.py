"""A service that is slow but works (every page of ads/ answered late) gets the same program
as a fast one: start-up, a column and the exit with its pop-up ask for the same pages in the
same order, and the program ends by itself as it does against a fast service. While a fetch
waits, the windows repaint, and a click waits for the handler as on a frozen window."""
import subprocess
import time
import unittest

from e2e_lib import (CONTENT_SPOTS, NO_TIMED_ADVERTS, Client, DemoService, demo_text, wait_for,
                     xdotool)

CONFIG = b"[Config]\r\nLanguage=1\r\nTray=2\r\n"
PRODUCT = demo_text("ads/namejt.html")
# Pages a browser shows rather than the program reads: their requests may come at any time
# relative to the program's own fetches.
SHOWN = {"/ads/tv.html", "/ads/tuitan.html", "/ads/Loading.html"}


class SlowServiceTest(unittest.TestCase):
    def run_flow(self, delay_ms):
        """Start-up, the live-TV column, Quit from the option menu with the exit pop-up, the
        program's own end. Returns the pages of ads/ the program read, in order."""
        service = DemoService(NO_TIMED_ADVERTS, delay_ms=delay_ms)
        client = Client(env={"LUMORA_SERVICE_BASE": service.base}, config=CONFIG)
        try:
            client.start()
            xdotool("mousemove", "--sync", "0", "0")
            window = client.window_of_size(984, 624)
            wait_for(lambda: service.requested("/ads/ytkg.html"), 120, what="the end of start-up")
            time.sleep(1 + delay_ms / 1000)  # nothing more is asked after the last switch
            client.click(window, 173 + 30, 8 + 8)  # 栏目2标签: the live-TV column
            wait_for(lambda: service.requested("/ads/tv.html"), 60, what="the live-TV page")
            menu = client.open_option_menu(window)
            client.choose_menu_item(menu, last=True)  # 退出
            self.assertEqual(client.wait_exit(timeout=120), 0)
            return [r for r in service.requests() if r.startswith("/ads/") and r not in SHOWN]
        finally:
            client.stop()
            service.stop()

    def test_a_slow_service_gets_every_step_in_the_same_order(self):
        fast = self.run_flow(0)
        started = time.monotonic()
        slow = self.run_flow(1000)
        self.assertGreater(time.monotonic() - started, len(slow) * 0.9, "the delay did not apply")
        self.assertIn("/ads/ttkg.html", fast)
        self.assertEqual(slow, fast)

    def test_the_window_repaints_during_a_fetch_and_a_click_waits_for_the_handler(self):
        delay = 2.5  # under the fetch's low-speed bound (3 s), so every page comes
        service = DemoService(NO_TIMED_ADVERTS, delay_ms=int(delay * 1000))
        client = Client(env={"LUMORA_SERVICE_BASE": service.base}, config=CONFIG)
        cover = None

        def spots():
            """The colours at four spots of the content area, from the screen itself (raw
            pixels: the picture is taken many times within one fetch)."""
            raw = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"],
                                 check=True, capture_output=True).stdout
            width = int(xdotool("getdisplaygeometry").split()[0])
            g = client.geometry(window)
            return [raw[3 * ((g["Y"] + y) * width + g["X"] + x):][:3].hex().upper()
                    for x, y in CONTENT_SPOTS]

        try:
            client.start()
            xdotool("mousemove", "--sync", "0", "0")
            window = client.window_of_size(984, 624, timeout=120)
            # The first fetch after the start-up's 5-second wait; the same handler then reads
            # more, as far as its turn's fetch budget goes.
            wait_for(lambda: service.requested("/ads/wz1kg.html"), 120, what="the wait's end")
            asked = service.request_times("/ads/wz1kg.html")[0]
            self.assertNotIn(WHITE, spots())
            # Another window covers the main window and goes: the main window must draw the
            # uncovered area itself, while its handler still waits for the service.
            g = client.geometry(window)
            cover = subprocess.Popen(["xmessage", "-bg", "white", "-geometry",
                                      f"984x624+{g['X']}+{g['Y']}", "cover"])
            wait_for(lambda: spots() == [WHITE] * 4, 10, interval=0.02, what="the covering window")
            cover.terminate()
            cover.wait()
            cover = None
            wait_for(lambda: WHITE not in spots(), 2, interval=0.02,
                     what="the uncovered window repainted")
            self.assertLess(time.time(), asked + delay, "the fetch ended before the check")

            client.click(window, 173 + 30, 8 + 8)  # 栏目2标签: the live-TV column
            self.assertLess(time.time(), asked + delay, "the fetch ended before the click")
            wait_for(lambda: service.requested("/ads/tv.html"), 120, what="the live-TV page")
            # The column's handler began only once the start-up's handler had ended: after the
            # fetch the click came in, and with no start-up page asked for after it.
            with open(service.log_path, encoding="utf-8") as f:
                lines = [line.split(" ", 2) for line in f.read().splitlines()]
            pages = [(float(p[0]), p[2]) for p in lines if len(p) == 3 and p[1] == "GET" and
                     p[2].startswith("/ads/") and p[2] not in SHOWN and float(p[0]) >= asked]
            first = next(i for i, (t, target) in enumerate(pages) if target not in STARTUP)
            self.assertGreater(pages[first][0], asked + delay - 0.05, pages)
            self.assertFalse([p for p in pages[first:] if p[1] in STARTUP], pages)
        finally:
            if cover is not None:
                cover.kill()
                cover.wait()
            client.stop()
            service.stop()


WHITE = "FFFFFF"
# What the start-up asks for after its 5-second wait, in one handler.
STARTUP = {f"/ads/{name}.html" for name in ("wz1kg", "ads1rn", "qzsj", "btkg", "ytkg")}


if __name__ == "__main__":
    unittest.main(verbosity=2)
